// The trace calls and the desk's barcode models and scans.
#include "bench/desk_calls.h"

#include "circulation/barcode.h"
#include "trace/trace.h"

#include <cstdint>

namespace {

TraceModule s_trace = {"xml#xmldoc", nullptr};

// The 3-and-1 check digit of the digits a pattern's "N" letters take.
char ThreeAndOne(const std::string& digits) {
    unsigned sum = 0;
    unsigned weight = 3;
    for (auto d = digits.rbegin(); d != digits.rend(); ++d) {
        sum += weight * static_cast<unsigned>(*d - '0');
        weight = weight == 3 ? 1 : 3;
    }
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string WithThreeAndOne(const std::string& text, const std::string& checkedDigits) {
    return std::string(text).append(1, ThreeAndOne(checkedDigits));
}

std::string WithDoubling(const std::string& text) {
    return std::string(text).append(1, ComputeCheckChar(text.c_str()));
}

// The blanks a scanner or a hand may add around a barcode.
std::string Blanks(const char* before, const std::string& text, const char* after) {
    return std::string(before).append(text).append(after);
}

std::vector<DeskBarcode> MakeDeskBarcodes() {
    return {
        // EAN-13 item labels, the commonest scan
        {WithThreeAndOne("841234567890", "841234567890"), 'C'},
        {WithThreeAndOne("978849206215", "978849206215"), 'C'},
        {Blanks(" ", WithThreeAndOne("400638133393", "400638133393"), ""), 'C'},
        // the old ten-digit item numbers, classified by their value
        {WithThreeAndOne("123456789", "23456789"), 'C'},
        {WithThreeAndOne("700012345", "00012345"), 'C'},
        // shelf-numbered items
        {WithThreeAndOne("2021-0042", "20210042"), 'C'},
        // patron cards: seven digits with a check digit
        {WithThreeAndOne("123456", "123456"), 'L'},
        {Blanks("", WithThreeAndOne("654321", "654321"), "  "), 'L'},
        {WithThreeAndOne("100001", "100001"), 'L'},
        // patron cards of the regional network, doubling check
        {WithDoubling("P1234567"), 'L'},
        {WithDoubling("P7654321"), 'L'},
        // branch item labels with an optional tail
        {"B1234567", 'C'},
        {"B123456789", 'C'},
        // visitor cards: any letter and seven digits, captured
        {"Z0012345", 'L'},
        {"V2021001", 'L'},
        // inter-library loans
        {"IT-004211", 'C'},
    };
}

} // namespace

void TraceCallLevel8(long address) {
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "%s::%s: '%ld'", "xmldoc", "XmlNewNode", address);
}

void TraceCallLevel1() {
    TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (1)");
}

void RegisterDeskModels() {
    static bool registered = false;
    if (registered) {
        return;
    }
    registered = true;
    // Longer patterns with a check letter come before shorter ones of the same
    // shape: a walk that reaches a "K" with the wrong digit ends all matching.
    RegisterBarcodeModel('C', "NNNNNNNNNNNNK", '0', 1);
    RegisterBarcodeModel('X', "nNNNNNNNNK", '0', 1);
    RegisterBarcodeModel('C', "NNNN-NNNNK", '0', 1);
    RegisterBarcodeModel('L', "NNNNNNK", '0', 1);
    RegisterBarcodeModel('L', "PNNNNNNNK", '0', 2);
    RegisterBarcodeModel('C', "BNNNNNNN[NN]", '0', 1);
    RegisterBarcodeModel('L', "ANNNNNNN", '1', 1);
    RegisterBarcodeModel('C', "IT-NNNNNN", '0', 1);
}

const std::vector<DeskBarcode>& DeskBarcodes() {
    static const std::vector<DeskBarcode> barcodes = MakeDeskBarcodes();
    return barcodes;
}

int MatchBarcodes() {
    int recognised = 0;
    char captured[BARCODE_CAPTURE_SIZE];
    for (const DeskBarcode& b : DeskBarcodes()) {
        int32_t value = 0;
        char kind = 0;
        if (MatchBarcode(b.text.c_str(), &value, &kind, captured) == BARCODE_OK && kind == b.kind) {
            ++recognised;
        }
    }
    return recognised;
}
