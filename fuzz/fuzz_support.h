// What the fuzz targets share: reading parameters out of the fuzzer's bytes,
// a check that stops the run with a message, every node of a tree, and
// releasing the barcode models that a target registered. Parsing and the
// picture of a tree come from the XML library's tests (tree_text.h).
//
// Each target is one LLVMFuzzerTestOneInput. libFuzzer drives it in the fuzz
// build; replay.cpp feeds it the committed corpus in every other build.
#pragma once

#include "../tests/Qvxml/tree_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Stops the run (abort) with what and where when cond is false: both
// libFuzzer and the replay report it as a crash of the current input.
#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            FuzzFail(__FILE__, __LINE__, #cond, what);                                             \
        }                                                                                          \
    } while (0)

[[noreturn]] void FuzzFail(const char* file, int line, const char* condition,
                           std::string_view what);

// Reads parameters from the front of the fuzzer's bytes. Past the end every
// read gives zeros, so any input is usable.
class FuzzBytes {
public:
    FuzzBytes(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t Byte();
    std::uint32_t Word(); // four bytes, little-endian
    // Bytes up to (not including) the next separator, which is consumed; the
    // rest when there is none. At most limit bytes are kept.
    std::string Until(char separator, std::size_t limit = SIZE_MAX);
    std::string_view Rest() const { return rest_; }
    bool Empty() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

// Every node of the tree (attributes left out) in document order.
std::vector<XmlNode*> TreeNodes(XmlDoc* doc);

// RegisterBarcodeModel allocates with new and new[]; this releases them all.
void ReleaseBarcodeModels();
