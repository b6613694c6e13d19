// The fuzz targets' shared helpers; see fuzz_support.h.
#include "fuzz_support.h"

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
    const std::uint8_t b = rest_.empty() ? 0 : static_cast<std::uint8_t>(rest_[0]);
    rest_.remove_prefix(std::min<std::size_t>(1, rest_.size()));
    return b;
}

std::uint32_t FuzzBytes::Word() {
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
        word |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    }
    return word;
}

std::string FuzzBytes::Until(char separator, std::size_t limit) {
    const std::size_t end = std::min(rest_.find(separator), rest_.size());
    std::string taken(rest_.substr(0, std::min(end, limit)));
    rest_.remove_prefix(std::min(end + 1, rest_.size()));
    return taken;
}

std::vector<XmlNode*> TreeNodes(XmlDoc* doc) {
    std::vector<XmlNode*> nodes;
    for (XmlNode* n = doc->firstNode; n != nullptr;) {
        nodes.push_back(n);
        if (n->firstChild != nullptr) {
            n = n->firstChild;
            continue;
        }
        while (n != nullptr && n->nextSibling == nullptr) {
            n = n->parent;
        }
        n = n != nullptr ? n->nextSibling : nullptr;
    }
    return nodes;
}

void ReleaseBarcodeModels() {
    while (BarcodeModel* model = g_barcodeModels) {
        g_barcodeModels = model->next;
        delete[] model->pattern;
        delete model;
    }
}
