// Barcode matcher: worked examples of the pattern language and check methods.
#include "circulation/barcode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Models live until the process ends and nothing frees them. A test starts an
// empty list by keeping the old one reachable here, so that the leak checker
// of the sanitizer build does not count the abandoned models.
void StartEmptyList() {
    static auto* abandoned = new std::vector<BarcodeModel*>;
    if (g_barcodeModels != nullptr) {
        abandoned->push_back(g_barcodeModels);
    }
    g_barcodeModels = nullptr;
}

struct ModelSpec {
    char kind;
    const char* pattern;
    char optionalId;
    int32_t method;
};

struct MatchCase {
    const char* description;
    std::vector<ModelSpec> models;
    const char* text;
    int result;
    int32_t value;
    char kind;
};

class BarcodeMatch : public ::testing::TestWithParam<MatchCase> {
protected:
    void SetUp() override {
        StartEmptyList();
        for (const ModelSpec& m : GetParam().models) {
            RegisterBarcodeModel(m.kind, m.pattern, m.optionalId, m.method);
        }
    }
};

TEST_P(BarcodeMatch, ResultValueAndKind) {
    const MatchCase& c = GetParam();
    int32_t value = -12345;
    char kind = '?';
    EXPECT_EQ(MatchBarcode(c.text, &value, &kind, nullptr), c.result) << c.description;
    EXPECT_EQ(value, c.value) << c.description;
    EXPECT_EQ(kind, c.kind) << c.description;
}

const MatchCase kWorkedExamples[] = {
    {"three_and_one_check", {{'C', "NNNNNK", '0', 1}}, "123457", BARCODE_OK, 12345, 'C'},
    {"doubling_check", {{'C', "NNNNNK", '0', 2}}, "123455", BARCODE_OK, 12345, 'C'},
    {"doubling_wrong_check", {{'C', "NNNNNK", '0', 2}}, "123457", BARCODE_BAD_CHECK, 0, 'X'},
    {"ean13",
     {{'C', "NNNNNNNNNNNNK", '0', 1}},
     "4006381333931",
     BARCODE_OK,
     static_cast<int32_t>(400638133393ULL & 0xFFFFFFFFu),
     'C'},
    {"n_outside_check", {{'C', "nNNNNNK", '0', 1}}, "9123457", BARCODE_OK, 912345, 'C'},
    {"escaped_letter", {{'C', "\\NNN", '0', 1}}, "N12", BARCODE_OK, 12, 'C'},
};

INSTANTIATE_TEST_SUITE_P(WorkedExamples, BarcodeMatch, ::testing::ValuesIn(kWorkedExamples),
                         [](const auto& info) { return std::string(info.param.description); });

} // namespace
