// What the fuzz targets share: reading parameters out of the fuzzer's bytes,
// a check that stops the run with a message, every node of a tree, and
// releasing the barcode models that a target registered. Parsing and the
// picture of a tree come from the XML library's tests (tree_text.h).
//
// Each target is one LLVMFuzzerTestOneInput. libFuzzer drives it in the fuzz
// build; replay.cpp feeds it the committed corpus in every other build.
#pragma once

#include "../tests/Qvxml/tree_text.h"
#include "circulation/barcode.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Stops the run (abort) with what and where when cond is false: both
// libFuzzer and the replay report it as a crash of the current input.
// (what is built only when the check fails.)
#define FUZZ_CHECK(cond, what)                                                                     \
    ((cond) ? void()                                                                               \
            : (std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", __FILE__, __LINE__, #cond,  \
                            std::string(what).c_str()),                                            \
               std::abort()))

// Reads parameters from the front of the fuzzer's bytes (rest). Past the end
// every read gives zeros, so any input is usable.
struct FuzzBytes {
    FuzzBytes(const std::uint8_t* data, std::size_t size)
        : rest(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t Byte() {
        const std::uint8_t b = rest.empty() ? 0 : static_cast<std::uint8_t>(rest[0]);
        rest.remove_prefix(rest.empty() ? 0 : 1);
        return b;
    }
    std::int32_t Int() { // four bytes, little-endian
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i) {
            word |= std::uint32_t{Byte()} << (8 * i);
        }
        return static_cast<std::int32_t>(word);
    }
    // Bytes up to (not including) the next separator, which is consumed; the
    // rest when there is none. At most limit bytes are kept.
    std::string Until(char separator, std::size_t limit = SIZE_MAX) {
        const std::size_t end = std::min(rest.find(separator), rest.size());
        std::string taken(rest.substr(0, std::min(end, limit)));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        return taken;
    }
    std::string_view rest;
};

// Every node of the tree (attributes left out) in document order.
inline std::vector<XmlNode*> TreeNodes(XmlDoc* doc) {
    std::vector<XmlNode*> nodes;
    for (XmlNode* n = doc->firstNode; n != nullptr;) {
        nodes.push_back(n);
        XmlNode* next = n->firstChild; // else the next sibling of n or of its nearest ancestor
        for (; next == nullptr && n != nullptr; n = n->parent) {
            next = n->nextSibling;
        }
        n = next;
    }
    return nodes;
}

// RegisterBarcodeModel allocates with new and new[]; this releases them all.
inline void ReleaseBarcodeModels() {
    while (BarcodeModel* model = g_barcodeModels) {
        g_barcodeModels = model->next;
        delete[] model->pattern;
        delete model;
    }
}
