// The fuzz targets' shared helpers; see fuzz_support.h.
#include "fuzz_support.h"

#include "Qvxml/xmlparser.h"
#include "circulation/barcode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void FuzzFail(const char* file, int line, const char* condition, std::string_view what) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %.*s\n", file, line, condition,
                 static_cast<int>(what.size()), what.data());
    std::abort();
}

std::uint8_t FuzzBytes::Byte() {
    return at_ < size_ ? data_[at_++] : 0;
}

std::uint32_t FuzzBytes::Word() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        word |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    }
    return word;
}

std::string FuzzBytes::Until(char separator, std::size_t limit) {
    const std::string_view rest = Rest();
    const std::size_t end = std::min(rest.find(separator), rest.size());
    at_ += end + (end < rest.size() ? 1 : 0);
    return std::string(rest.substr(0, std::min(end, limit)));
}

std::string_view FuzzBytes::Rest() const {
    if (at_ >= size_) {
        return std::string_view();
    }
    return std::string_view(reinterpret_cast<const char*>(data_) + at_, size_ - at_);
}

FuzzDoc ParseText(std::string_view text, const std::vector<std::size_t>& sizes, int* result,
                  XmlParseReport* report) {
    XmlReportInit(report);
    FuzzDoc doc(XmlNewDoc());
    FUZZ_CHECK(doc != nullptr, "no document");
    *result = 0;
    std::size_t from = 0;
    for (std::size_t turn = 0; from < text.size(); ++turn) {
        std::size_t n = text.size() - from;
        if (!sizes.empty()) {
            n = std::min(n, std::max<std::size_t>(1, sizes[turn % sizes.size()]));
        }
        char* room = XmlBufferReserve(doc.get(), static_cast<int>(n));
        FUZZ_CHECK(room != nullptr, "no room for a piece");
        std::memcpy(room, text.data() + from, n);
        from += n;
        *result = XmlParserBufferReport(doc.get(), static_cast<int>(n), nullptr, report);
        if (*result < 0) {
            break;
        }
    }
    return doc;
}

namespace {

// The node after node in document order over the whole tree, or null.
const XmlNode* Next(const XmlNode* node, int* depth) {
    if (node->firstChild != nullptr) {
        ++*depth;
        return node->firstChild;
    }
    while (node != nullptr) {
        if (node->nextSibling != nullptr) {
            return node->nextSibling;
        }
        node = node->parent;
        --*depth;
    }
    return nullptr;
}

void Quote(std::string& out, const char* text) {
    out += '"';
    out += text != nullptr ? text : "(null)";
    out += '"';
}

// A node's value with every byte it holds: character data may hold NULs.
std::string_view Value(const XmlNode* node) {
    if (node->value == nullptr || node->valueSize <= 0) {
        return std::string_view();
    }
    return std::string_view(node->value, static_cast<std::size_t>(node->valueSize - 1));
}

} // namespace

std::string TreePicture(const XmlDoc* doc) {
    std::string out;
    int depth = 0;
    std::string text; // the run of text nodes not written yet
    bool inText = false;
    for (const XmlNode* n = doc->firstNode; n != nullptr; n = Next(n, &depth)) {
        if (n->kind == XML_NODE_TEXT) {
            for (const char c : Value(n)) {
                if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
                    text += c;
                }
            }
            const XmlNode* after = n->nextSibling;
            inText = after != nullptr && after->kind == XML_NODE_TEXT && n->firstChild == nullptr;
            if (!inText) {
                out += std::to_string(depth) + " T\"" + text + "\"\n";
                text.clear();
            }
            continue;
        }
        out += std::to_string(depth) + " " + std::to_string(n->kind) + " ";
        Quote(out, n->name);
        out += std::to_string(n->valueSize) + "\"";
        out += Value(n);
        out += '"';
        for (const XmlNode* a = n->firstAttribute; a != nullptr; a = a->nextSibling) {
            out += " @";
            Quote(out, a->name);
            Quote(out, a->value);
        }
        out += '\n';
    }
    return out;
}

std::vector<XmlNode*> TreeNodes(XmlDoc* doc) {
    std::vector<XmlNode*> nodes;
    int depth = 0;
    for (const XmlNode* n = doc->firstNode; n != nullptr; n = Next(n, &depth)) {
        nodes.push_back(const_cast<XmlNode*>(n));
    }
    return nodes;
}

void ReleaseBarcodeModels() {
    // RegisterBarcodeModel allocates with new and new[].
    BarcodeModel* model = g_barcodeModels;
    g_barcodeModels = nullptr;
    while (model != nullptr) {
        BarcodeModel* next = model->next;
        delete[] model->pattern;
        delete model;
        model = next;
    }
}
