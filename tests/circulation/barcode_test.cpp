// Barcode matcher: the pattern language and its optional tails, the numeric
// rule for texts that fit no model, both check methods (also against check
// digits computed by python-stdnum), 32-bit values, the length limit, the
// captured text and what each result leaves untouched.
#include "circulation/barcode.h"

#include "model_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Model {
    char kind;
    std::string pattern;
    char optionalId = '0';
    int32_t method = 1;
};

void StartWith(const std::vector<Model>& models) {
    StartEmptyList();
    for (const Model& m : models) {
        RegisterBarcodeModel(m.kind, m.pattern.c_str(), m.optionalId, m.method);
    }
}

constexpr int OK = BARCODE_OK;
constexpr int REJECTED = BARCODE_REJECTED;
constexpr int BAD_CHECK = BARCODE_BAD_CHECK;

// What the capture buffer must hold afterwards; nullptr leaves it unchecked.
const char* const UNTOUCHED = "(untouched)";

struct MatchCase {
    const char* description;
    std::vector<Model> models;
    const char* text;
    int result;
    int32_t value; // -7 and '?' are what the outputs held before the call
    char kind;
    const char* captured = nullptr;
};

// An optional-id model that takes any text up to the length limit whole.
const Model kAnyText = {'Z', "[" + std::string(BARCODE_MAX_TEXT, 'X') + "]", '1'};
const std::string k249(249, 'a'), k250(250, 'a'), k251(251, 'a');
const std::string kLongTexts[] = {k251 + "a", std::string(300, ' ') + k251, k250 + "  ",
                                  " " + k249 + "  "};
// Numeric-rule models that match no number: item models only, patron models
// only, and both (patron last).
const std::vector<Model> kItems = {{'C', "Q"}}, kPatrons = {{'L', "Q"}},
                         kBoth = {{'C', "Q"}, {'X', "Q"}, {'L', "Q"}};

const MatchCase kMatchCases[] = {
    // --- the pattern language
    {"doubling_wrong", {{'C', "NNNNNK", '0', 2}}, "123457", BAD_CHECK, 0, 'X', UNTOUCHED},
    {"n_left_out_of_check", {{'C', "nNNNNNK"}}, "9123457", OK, 912345, 'C'},
    {"n_takes_digits_only", {{'C', "nN"}}, "a1", REJECTED, 0, 'X'},
    {"check_nk_pattern_left", {{'C', "NK", '1'}}, "5", OK, 5, 'X', UNTOUCHED},
    {"optional_id_any_char", {{'L', "ANNNNN", '1'}}, "B12345", OK, 12345, 'L', "B12345"},
    {"a_is_letter_a", {{'L', "ANNNNN"}}, "A12345", OK, 12345, 'L', ""},
    {"a_without_flag", {{'L', "ANNNNN"}}, "B12345", REJECTED, 0, 'X', UNTOUCHED},
    {"escaped_letter", {{'C', "\\NNN"}}, "N12", OK, 12, 'C'},
    {"escaped_letter_literal", {{'C', "\\NNN"}}, "X12", REJECTED, 0, 'X'},
    {"backslash_ends_pattern", {{'C', "N\\"}}, "1\\", REJECTED, 0, 'X'},
    {"literals_case_sensitive", {{'C', "ab-NN"}}, "aB-12", REJECTED, 0, 'X'},
    {"outer_spaces_ignored", {{'L', "AX XN", '1'}}, "  b$ c5 ", OK, 5, 'L', "b$ c5"},
    {"first_model_wins", {{'L', "NNNNNN"}, {'C', "NNNNNN", '1'}}, "123456", OK, 123456, 'L', ""},
    {"other_kind_passed_through", {{'Z', "NN"}}, "12", OK, 12, 'Z'},
    {"kind_x_item", {{'X', "NNNNNNN"}}, "1000000", OK, 1000000, 'C'},
    {"kind_x_patron_top", {{'X', "NNNNNNN"}}, "0999999", OK, 999999, 'L'},
    {"kind_x_patron_bottom", {{'X', "NNNNNN"}}, "100000", OK, 100000, 'L'},
    {"kind_x_stays", {{'X', "NNNNN"}}, "99999", OK, 99999, 'X'},
    // --- optional tails; with a model of kind "Z" a fall to the numeric rule says "X"
    {"tail_too_short", {{'Z', "NN[NN]"}}, "1", OK, 1, 'X'},
    {"tail_skipped", {{'Z', "NN[NN]"}}, "12", OK, 12, 'Z'},
    {"tail_cut", {{'Z', "NN[NN]"}}, "123", OK, 123, 'Z'},
    {"tail_too_long", {{'Z', "NN[NN]"}}, "12345", OK, 12345, 'X'},
    {"two_groups_three", {{'Z', "NN[N][N]"}}, "123", OK, 123, 'X'},
    {"two_groups_four", {{'Z', "NN[N][N]"}}, "1234", OK, 1234, 'Z'},
    {"unclosed_cut", {{'Z', "NN[NN"}}, "123", OK, 123, 'Z'},
    {"check_in_tail_wrong", {{'C', "NNNN[NK]"}}, "123450", BAD_CHECK, 0, 'X'},
    // A model that fails inside its group leaves nothing to the next one.
    {"failed_group_no_sums", {{'C', "NN[NNQ]"}, {'C', "NNNNNK"}}, "123457", OK, 12345, 'C'},
    {"failed_group_no_value", {{'C', "NN[NNQ]"}, {'L', "nnnnn"}}, "12345", OK, 12345, 'L'},
    {"failed_capture", {{'L', "NNNNQ", '1'}, {'C', "NN[NN]", '1'}}, "1234", OK, 1234, 'C', "1234"},
    // --- the numeric rule: a kind is told by size only when it has no model
    {"ten_significant", kPatrons, "00000000001234567890", OK, 1234567890, 'C', UNTOUCHED},
    {"eleven_significant", kPatrons, "12345678901", REJECTED, 0, 'X', UNTOUCHED},
    {"sign", kPatrons, "+1234567", REJECTED, 0, 'X'},
    {"empty", kPatrons, "   ", OK, 0, 'X'},
    {"patrons_only_top", kPatrons, "999999", OK, 999999, 'X'},
    {"items_only_below", kItems, "99999", OK, 99999, 'X'},
    {"items_only_bottom", kItems, "0000100000", OK, 100000, 'L'},
    {"items_only_top", kItems, "999999", OK, 999999, 'L'},
    {"items_only_above", kItems, "1000000", OK, 1000000, 'X'},
    {"both_kinds", kBoth, "123456", OK, 123456, 'X'},
    {"both_kinds_large", kBoth, "1234567", OK, 1234567, 'X'},
    // --- values past 2^31 read as signed turn negative
    {"model_2p31", {{'C', std::string(12, 'N')}}, "105226698752", OK, INT32_MIN, 'C'},
    {"kind_x_negative", {{'X', std::string(12, 'N')}}, "105226698752", OK, INT32_MIN, 'X'},
    {"kind_x_wrapped", {{'X', std::string(12, 'N')}}, "400638133393", OK, 1206174865, 'C'},
    {"rule_2p31_less_1", kPatrons, "2147483647", OK, INT32_MAX, 'C'},
    {"rule_2p31", kPatrons, "2147483648", OK, INT32_MIN, 'X'},
    {"rule_2p31_items_only", kItems, "2147483648", OK, INT32_MIN, 'X'},
    {"rule_largest", kPatrons, "9999999999", OK, 1410065407, 'C'},
    // --- the length limit: too long leaves every output as it was
    {"251", {kAnyText}, k251.c_str(), OK, 0, 'Z', k251.c_str()},
    {"252", {kAnyText}, kLongTexts[0].c_str(), REJECTED, -7, '?', UNTOUCHED},
    {"leading_spaces_not_counted", {kAnyText}, kLongTexts[1].c_str(), OK, 0, 'Z', k251.c_str()},
    {"trailing_spaces_counted", {kAnyText}, kLongTexts[2].c_str(), REJECTED, -7, '?', UNTOUCHED},
    {"trailing_within_limit", {kAnyText}, kLongTexts[3].c_str(), OK, 0, 'Z', k249.c_str()},
    {"null_text", {kAnyText}, nullptr, REJECTED, -7, '?', UNTOUCHED},
};

TEST(Barcode, ResultValueKindAndCapture) {
    for (const MatchCase& c : kMatchCases) {
        SCOPED_TRACE(c.description);
        StartWith(c.models);
        int32_t value = -7;
        char kind = '?';
        // The caller's buffer has exactly the documented size, so that the
        // sanitizer build catches a write past it.
        std::vector<char> captured(BARCODE_CAPTURE_SIZE, '#');
        EXPECT_EQ(MatchBarcode(c.text, &value, &kind, captured.data()), c.result);
        EXPECT_EQ(std::to_string(value) + kind, std::to_string(c.value) + c.kind);
        if (c.captured == UNTOUCHED) {
            EXPECT_EQ(std::string(captured.begin(), captured.end()),
                      std::string(BARCODE_CAPTURE_SIZE, '#'));
        } else if (c.captured != nullptr) {
            EXPECT_STREQ(captured.data(), c.captured);
        }
        EXPECT_EQ(MatchBarcode(c.text, nullptr, nullptr, nullptr), c.result) << "null outputs";
    }
    // A null pattern registers as the empty one.
    StartEmptyList();
    RegisterBarcodeModel('C', nullptr, '0', 1);
    EXPECT_STREQ(g_barcodeModels->pattern, "");
}

TEST(Barcode, ComputeCheckCharWeightsFromTheLeft) {
    const std::pair<const char*, char> cases[] = {
        {"7992739871", '4'}, // even length: not the right-anchored Luhn "3"
        {"", '0'},           {"A", '5'},    {"AB-1", '2'}, {"-", '@'}, // negative sum: 58 - (-6)
        {"&", '0'},          {"\xFF", '5'},                            // bytes count unsigned
        {nullptr, '0'},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ComputeCheckChar(text), expected) << (text != nullptr ? text : "(null)");
    }
}

// check_digits.txt holds check digits computed by python-stdnum
// (make_check_digits.py beside it describes the rows).
TEST(Barcode, CheckMethodsAgreeWithStdnum) {
    std::ifstream in(QUORVEL_TEST_DATA_DIR "/check_digits.txt");
    ASSERT_TRUE(in.ignore(1000, '\n')) << "cannot open " QUORVEL_TEST_DATA_DIR "/check_digits.txt";
    int rows = 0;
    // Under the doubling method an even-length number takes the digit of the
    // weights from the left (the last column), not the usual Luhn digit.
    for (std::string family, digits, check, left; in >> family >> digits >> check; ++rows) {
        SCOPED_TRACE(family + " " + digits);
        const int32_t method = family.rfind("luhn", 0) == 0 ? 2 : 1;
        const char right = family == "luhn-even" ? (in >> left, left[0]) : check[0];
        if (method == 2) {
            EXPECT_EQ(ComputeCheckChar(digits.c_str()), right);
        }
        StartWith({{'C', std::string(digits.size(), 'N') + "K", '0', method}});
        // The value is the low 32 bits of the number, read as signed.
        const auto low32 = static_cast<int32_t>(static_cast<uint32_t>(std::stoull(digits)));
        for (char c = '0'; c <= '9'; ++c) {
            int32_t value = -7;
            EXPECT_EQ(MatchBarcode((digits + c).c_str(), &value, nullptr, nullptr),
                      c == right ? OK : BAD_CHECK);
            EXPECT_EQ(value, c == right ? low32 : 0);
        }
    }
    EXPECT_GE(rows, 300);
}

// Every byte value against the letters that test characters, as a literal and
// as a check character.
TEST(Barcode, EveryByteValue) {
    for (int b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        const std::string text(1, static_cast<char>(b)), flipped(1, static_cast<char>(b ^ 0x80));
        char kind = '?';
        StartWith({{'Z', "N"}, {'Y', "X"}});
        MatchBarcode(text.c_str(), nullptr, &kind, nullptr);
        // A space is trimmed away and leaves nothing to match.
        EXPECT_EQ(kind, b >= '0' && b <= '9' ? 'Z' : (b == ' ' ? 'X' : 'Y'));
        if (b != ' ' && std::string("NnXAK[]\\").find(text[0]) == std::string::npos) {
            StartWith({{'Z', text}});
            EXPECT_EQ(MatchBarcode(text.c_str(), nullptr, &kind, nullptr), OK);
            EXPECT_EQ(kind, 'Z');
            MatchBarcode(flipped.c_str(), nullptr, &kind, nullptr);
            EXPECT_NE(kind, 'Z');
        }
        StartWith({{'C', "NK"}});
        EXPECT_EQ(MatchBarcode(("5" + text).c_str(), nullptr, nullptr, nullptr),
                  b == '5' || b == ' ' ? OK : BAD_CHECK);
    }
}

} // namespace
