// Parsing a text into a document in pieces, as a caller of XmlParserBuffer
// does, and a one-line picture of a tree for comparisons:
//   element       name, {attr=value ...} when it has attributes, (children)
//   text          "value"
//   other kinds   C"..." CDATA, #"..." comment, ?"..." PI, D"..." DOCTYPE
// Siblings are separated by one blank. Values are shown raw, as stored.
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

// Parses text into a new document, handing it over in pieces that end at each
// of cuts (increasing) and then at its end; stops at a negative result.
// *result gets the last result.
inline DocPtr ParsePieces(const std::string& text, const std::vector<std::size_t>& cuts,
                          int* result, int* lossy = nullptr) {
    DocPtr doc(XmlNewDoc());
    std::vector<std::size_t> ends = cuts;
    ends.push_back(text.size());
    std::size_t from = 0;
    *result = 0;
    for (std::size_t end : ends) {
        if (end <= from) {
            continue;
        }
        const int n = static_cast<int>(end - from);
        char* at = XmlBufferReserve(doc.get(), n);
        std::memcpy(at, text.data() + from, static_cast<std::size_t>(n));
        from = end;
        *result = XmlParserBuffer(doc.get(), n, lossy);
        if (*result < 0) {
            break;
        }
    }
    return doc;
}

inline DocPtr Parse(const std::string& text, int* result = nullptr, int* lossy = nullptr) {
    int ignored = 0;
    return ParsePieces(text, {}, result != nullptr ? result : &ignored, lossy);
}

inline std::string WithoutSpace(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            out += c;
        }
    }
    return out;
}

// The picture of node and its following siblings. With mergeText, adjacent
// text nodes count as one and lose their white space.
inline std::string Picture(const XmlNode* node, bool mergeText = false) {
    std::string out;
    for (; node != nullptr; node = node->nextSibling) {
        if (!out.empty()) {
            out += ' ';
        }
        const std::string value = node->value != nullptr ? node->value : "(null)";
        switch (node->kind) {
        case XML_NODE_ELEMENT:
            out += node->name;
            if (node->firstAttribute != nullptr) {
                out += '{';
                for (const XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
                    out += std::string(a->name) + "=" + a->value + (a->nextSibling ? " " : "");
                }
                out += '}';
            }
            if (node->firstChild != nullptr) {
                out += "(" + Picture(node->firstChild, mergeText) + ")";
            }
            break;
        case XML_NODE_TEXT: {
            std::string text = value;
            while (mergeText && node->nextSibling != nullptr &&
                   node->nextSibling->kind == XML_NODE_TEXT) {
                node = node->nextSibling;
                text += node->value;
            }
            out += "\"" + (mergeText ? WithoutSpace(text) : text) + "\"";
            break;
        }
        case XML_NODE_CDATA:
            out += "C\"" + value + "\"";
            break;
        case XML_NODE_COMMENT:
            out += "#\"" + value + "\"";
            break;
        case XML_NODE_PI:
            out += "?\"" + value + "\"";
            break;
        case XML_NODE_DOCTYPE:
            out += "D\"" + value + "\"";
            break;
        default:
            out += "kind" + std::to_string(node->kind);
        }
    }
    return out;
}
