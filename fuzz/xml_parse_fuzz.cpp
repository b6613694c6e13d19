// The parser driver on one text handed over whole and handed over in pieces
// whose sizes the input chooses: both parses end alike and, unless the text
// was malformed, build the same tree once adjacent text nodes are merged.
// The pieces are parsed with a report, which must change nothing, and
// place the failure and the first dropped token where a report of the whole
// text places them.
//
// Input: eight bytes of piece sizes (each byte + 1), then the text.
#include "fuzz_support.h"

#include "Qvxml/xmlparser.h"

#include <string>

namespace {

// The picture without the text nodes that end the document.
std::string WithoutTrailingText(std::string picture) {
    for (;;) {
        const std::size_t start = picture.rfind('\n', picture.size() - 2);
        const std::size_t line = start == std::string::npos ? 0 : start + 1;
        if (picture.empty() || picture.find(" T\"", line) == std::string::npos) {
            return picture;
        }
        picture.erase(line);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in(data, size);
    std::vector<std::size_t> sizes;
    for (int i = 0; i < 8; ++i) {
        sizes.push_back(std::size_t{in.Byte()} + 1);
    }
    const std::string_view text = in.Rest();
    // A byte-order mark is looked for at the start of every piece: one
    // inside the text is skipped by a cut that lands right before it.
    if (text.find("\xEF\xBB\xBF", 1) != std::string_view::npos) {
        return 0;
    }
    int wholeResult = 0;
    int piecesResult = 0;
    int reportedResult = 0;
    XmlParseReport wholeReport;
    XmlParseReport piecesReport;
    const FuzzDoc whole = ParseText(text, {}, &wholeResult);
    const FuzzDoc pieces = ParseText(text, sizes, &piecesResult, &piecesReport);
    ParseText(text, {}, &reportedResult, &wholeReport);
    FUZZ_CHECK(wholeResult >= -2 && wholeResult <= 1 && wholeResult != -1, "result");
    FUZZ_CHECK(wholeResult == piecesResult, "whole and pieces end differently");
    FUZZ_CHECK(wholeResult == reportedResult, "a report changes the result");
    auto place = [](const XmlProblem& p) {
        return std::to_string(p.code) + "@" + std::to_string(p.line) + ":" +
               std::to_string(p.column);
    };
    FUZZ_CHECK(place(wholeReport.failure) == place(piecesReport.failure),
               place(wholeReport.failure) + " failed in pieces at " + place(piecesReport.failure));
    // The pieces may have dropped more (a text run cut in two), never before.
    FUZZ_CHECK(wholeReport.droppedCount == 0 ||
                   place(wholeReport.dropped[0]) == place(piecesReport.dropped[0]),
               place(wholeReport.dropped[0]) + " dropped in pieces at " +
                   place(piecesReport.dropped[0]));
    // A text run rejected whole may have been taken in part, up to a cut,
    // before its bad byte arrived; the document is given up either way. And
    // converting a text stops at a NUL, so a run that holds one loses the rest
    // when it arrives whole but not when a piece starts after the NUL.
    if (wholeResult == -2 || text.find('\0') != std::string_view::npos) {
        return 0;
    }
    std::string picture = TreePicture(whole.get());
    std::string inPieces = TreePicture(pieces.get());
    if (wholeResult == 1) {
        // The unfinished token at the end may be a text run (one that ends in
        // a cut-off reference) of which the pieces took the start already.
        picture = WithoutTrailingText(picture);
        inPieces = WithoutTrailingText(inPieces);
    } else {
        FUZZ_CHECK(whole->error == pieces->error, "error flags differ");
    }
    FUZZ_CHECK(picture == inPieces, "result " + std::to_string(wholeResult) + "\n" + picture +
                                        "---- in pieces:\n" + inPieces);
    return 0;
}
