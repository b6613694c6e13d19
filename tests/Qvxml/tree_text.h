// Parsing a text into a new document in pieces, as a caller of
// XmlParserBuffer does, and a one-line picture of a tree for comparisons: an
// element is its name, {attr=value ...} and (children); a text node its
// quoted value; other nodes a letter and their quoted value (C CDATA,
// # comment, ? processing instruction, D DOCTYPE). Values are shown raw.
#pragma once

#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct DocDeleter {
    void operator()(XmlDoc* doc) const { XmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<XmlDoc, DocDeleter>;

// Hands text over in pieces that end at each of ends (increasing) and at its
// end; stops at a negative result. *result gets the last result. With a
// report, parses with XmlParserBufferReport into it (initialised here).
inline DocPtr ParsePieces(const std::string& text, std::vector<std::size_t> ends, int* result,
                          int* lossy = nullptr, XmlParseReport* report = nullptr) {
    XmlReportInit(report);
    DocPtr doc(XmlNewDoc());
    ends.push_back(text.size());
    *result = 0;
    for (std::size_t from = 0, i = 0; i < ends.size() && *result >= 0; from = ends[i++]) {
        if (const int n = static_cast<int>(ends[i] - from); n > 0) {
            std::memcpy(XmlBufferReserve(doc.get(), n), text.data() + from, ends[i] - from);
            *result = report != nullptr ? XmlParserBufferReport(doc.get(), n, lossy, report)
                                        : XmlParserBuffer(doc.get(), n, lossy);
        }
    }
    return doc;
}

inline DocPtr Parse(const std::string& text, int* result = nullptr, int* lossy = nullptr,
                    XmlParseReport* report = nullptr) {
    int ignored = 0;
    return ParsePieces(text, {}, result != nullptr ? result : &ignored, lossy, report);
}

// The picture of node and its following siblings. With mergeText, adjacent
// text nodes count as one and lose their white space.
inline std::string Picture(const XmlNode* node, bool mergeText = false) {
    std::string out;
    for (; node != nullptr; node = node->nextSibling) {
        out += out.empty() ? "" : " ";
        if (node->kind == XML_NODE_ELEMENT) {
            std::string attributes;
            for (const XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
                attributes +=
                    (attributes.empty() ? "" : " ") + std::string(a->name) + "=" + a->value;
            }
            out += node->name + (node->firstAttribute ? "{" + attributes + "}" : "");
            out += node->firstChild ? "(" + Picture(node->firstChild, mergeText) + ")" : "";
            continue;
        }
        std::string value = node->value;
        while (mergeText && node->kind == XML_NODE_TEXT && node->nextSibling != nullptr &&
               node->nextSibling->kind == XML_NODE_TEXT) {
            node = node->nextSibling;
            value += node->value;
        }
        if (mergeText && node->kind == XML_NODE_TEXT) {
            std::erase_if(value,
                          [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
        }
        const char* letters = "...TC..?#.D"; // by kind
        out += (node->kind == XML_NODE_TEXT ? "" : std::string(1, letters[node->kind])) + "\"" +
               value + "\"";
    }
    return out;
}
