// The barcode matcher alone, with fuzzed models and texts: the result is one
// of the three codes, the kind one of the models' kinds or L, C, X, refusals
// give value 0 and kind X, an over-long text leaves every output untouched,
// and a capture is terminated inside its 256 bytes and is either empty or the
// trimmed text.
//
// Input: a byte whose low three bits are the number of models; per model a
// kind byte, an optional-id byte (odd: the flag), a check-method byte (read
// as signed) and the pattern up to a line feed; then texts, one per line.
#include "fuzz_support.h"

#include <cstring>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr char kUntouched = '\x7F';
    FuzzBytes in(data, size);
    std::set<char> kinds = {'L', 'C', 'X'};
    ReleaseBarcodeModels();
    for (int models = in.Byte() & 7; models > 0; --models) {
        const char kind = static_cast<char>(in.Byte());
        const char optionalId = (in.Byte() & 1) != 0 ? '1' : '0';
        const int32_t method = static_cast<std::int8_t>(in.Byte());
        RegisterBarcodeModel(kind, in.Until('\n', 300).c_str(), optionalId, method);
        kinds.insert(kind);
    }
    while (!in.rest.empty()) {
        std::string text = in.Until('\n', 300);
        text.resize(std::strlen(text.c_str())); // what the matcher sees
        const std::size_t leading = std::min(text.find_first_not_of(' '), text.size());
        const std::string trimmed = text.substr(leading, text.find_last_not_of(' ') + 1 - leading);
        std::int32_t value = 0x5A5A5A5A;
        char kind = kUntouched;
        std::vector<char> captured(BARCODE_CAPTURE_SIZE, kUntouched);
        const int result = MatchBarcode(text.c_str(), &value, &kind, captured.data());
        FUZZ_CHECK(result == MatchBarcode(text.c_str(), nullptr, nullptr, nullptr),
                   "the outputs change the result");
        FUZZ_CHECK(result >= BARCODE_OK && result <= BARCODE_BAD_CHECK, "result");
        const bool untouched = captured[0] == kUntouched;
        if (text.size() - leading > BARCODE_MAX_TEXT) {
            FUZZ_CHECK(result == BARCODE_REJECTED && value == 0x5A5A5A5A && kind == kUntouched &&
                           untouched,
                       "an over-long text changed the outputs");
            continue;
        }
        FUZZ_CHECK(kinds.count(kind) == 1, "kind " + std::string(1, kind));
        if (result != BARCODE_OK) {
            FUZZ_CHECK(value == 0 && kind == 'X' && untouched, "a refusal's outputs");
        } else if (!untouched) {
            FUZZ_CHECK(std::memchr(captured.data(), '\0', BARCODE_CAPTURE_SIZE) != nullptr,
                       "capture not terminated");
            FUZZ_CHECK(captured[0] == '\0' || captured.data() == trimmed,
                       "capture is neither empty nor the trimmed text");
        }
        ComputeCheckChar(text.c_str());
    }
    ReleaseBarcodeModels();
    return 0;
}
