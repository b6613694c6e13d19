// What the fuzz targets share: reading parameters out of the fuzzer's bytes,
// a check that stops the run with a message, parsing a text whole or in
// pieces, a picture of a tree to compare two parses by, and releasing the
// barcode models that a target registered.
//
// Each target is one LLVMFuzzerTestOneInput. libFuzzer drives it in the fuzz
// build; replay.cpp feeds it the committed corpus in every other build.
#pragma once

#include "Qvxml/xmldoc.h"

#include <cstddef>
#include <cstdint>
#include <memory>
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
    FuzzBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte();
    // Four bytes, little-endian.
    std::uint32_t Word();
    // Bytes up to (not including) the next separator, which is consumed; the
    // rest when there is none. At most limit bytes are kept.
    std::string Until(char separator, std::size_t limit = SIZE_MAX);
    // Everything not read yet.
    std::string_view Rest() const;
    bool Empty() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

struct DocFree {
    void operator()(XmlDoc* doc) const { XmlFreeDoc(doc); }
};
using FuzzDoc = std::unique_ptr<XmlDoc, DocFree>;

// Parses text with XmlParserBuffer, handing it over in pieces of the given
// sizes (used in turn; a size of 0 counts as 1), or whole when sizes is
// empty. Stops at the first negative result; *result is the last result.
// With a report, parses with XmlParserBufferReport into it (initialised here).
struct XmlParseReport;
FuzzDoc ParseText(std::string_view text, const std::vector<std::size_t>& sizes, int* result,
                  XmlParseReport* report = nullptr);

// A picture of the document's tree for comparisons: every node with its kind,
// name, value and attributes, in document order, with its depth. Adjacent text
// nodes count as one, and white space in text is left out: a text cut between
// two pieces loses the white space that begins its second part. Built without
// recursion, so any depth is fine.
std::string TreePicture(const XmlDoc* doc);

// Every node of the tree (attributes left out) in document order.
std::vector<XmlNode*> TreeNodes(XmlDoc* doc);

// Empties g_barcodeModels and releases its records. The program never frees
// models; a fuzzer that registers some for every input must.
void ReleaseBarcodeModels();
