// The parser driver on one text handed over whole and handed over in pieces
// whose sizes the input chooses: both parses end alike and, unless the text
// was malformed, build the same tree once adjacent text nodes are merged.
// The pieces are parsed with a report, which must change nothing, and
// place the failure and the first dropped token where a report of the whole
// text places them.
//
// Input: eight bytes of piece sizes (each byte + 1), then the text.
#include "fuzz_support.h"

namespace {

// Drops the text nodes that end the document.
void DropTrailingText(XmlDoc* doc) {
    for (auto nodes = TreeNodes(doc); !nodes.empty() && nodes.back()->kind == XML_NODE_TEXT;
         nodes = TreeNodes(doc)) {
        XmlFreeNode(nodes.back());
    }
}

std::string Place(const XmlProblem& p) {
    return std::to_string(p.code) + "@" + std::to_string(p.line) + ":" + std::to_string(p.column);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzBytes in(data, size);
    std::size_t sizes[8];
    for (std::size_t& n : sizes) {
        n = std::size_t{in.Byte()} + 1;
    }
    const std::string text(in.rest);
    // A byte-order mark is looked for at the start of every piece: one
    // inside the text is skipped by a cut that lands right before it.
    if (text.find("\xEF\xBB\xBF", 1) != std::string::npos) {
        return 0;
    }
    std::vector<std::size_t> ends;
    for (std::size_t end = sizes[0], i = 1; end < text.size(); end += sizes[i++ % 8]) {
        ends.push_back(end);
    }
    int wholeResult = 0, piecesResult = 0, reportedResult = 0;
    XmlParseReport wholeReport, piecesReport;
    const DocPtr whole = Parse(text, &wholeResult);
    const DocPtr pieces = ParsePieces(text, ends, &piecesResult, nullptr, &piecesReport);
    Parse(text, &reportedResult, nullptr, &wholeReport);
    // In pieces and with a report, the parse ends as it does whole.
    FUZZ_CHECK((wholeResult == 0 || wholeResult == 1 || wholeResult == -2) &&
                   piecesResult == wholeResult && reportedResult == wholeResult,
               std::to_string(wholeResult) + std::to_string(piecesResult) +
                   std::to_string(reportedResult));
    FUZZ_CHECK(Place(wholeReport.failure) == Place(piecesReport.failure),
               Place(wholeReport.failure) + " failed in pieces at " + Place(piecesReport.failure));
    // The pieces may have dropped more (a text run cut in two), never before.
    FUZZ_CHECK(wholeReport.droppedCount == 0 ||
                   Place(wholeReport.dropped[0]) == Place(piecesReport.dropped[0]),
               Place(wholeReport.dropped[0]) + " dropped in pieces at " +
                   Place(piecesReport.dropped[0]));
    // A text run rejected whole may have been taken in part, up to a cut,
    // before its bad byte arrived; the document is given up either way. And
    // converting a text stops at a NUL, so a run that holds one loses the rest
    // when it arrives whole but not when a piece starts after the NUL.
    if (wholeResult == -2 || text.find('\0') != std::string::npos) {
        return 0;
    }
    if (wholeResult == 1) {
        // The unfinished token at the end may be a text run (one that ends in
        // a cut-off reference) of which the pieces took the start already.
        DropTrailingText(whole.get());
        DropTrailingText(pieces.get());
    } else {
        FUZZ_CHECK(whole->error == pieces->error, "error flags differ");
    }
    const std::string picture = Picture(whole->firstNode, true);
    const std::string inPieces = Picture(pieces->firstNode, true);
    FUZZ_CHECK(picture == inPieces, "result " + std::to_string(wholeResult) + "\n" + picture +
                                        "\n---- in pieces:\n" + inPieces);
    return 0;
}
