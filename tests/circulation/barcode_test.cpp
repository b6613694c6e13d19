// Barcode matcher: the pattern language and its optional tails, the numeric
// rule for texts that fit no model, both check methods (also against check
// digits computed by python-stdnum), 32-bit values, the length limit, the
// captured text and what each result leaves untouched.
#include "circulation/barcode.h"

#include "barcode_models.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Model {
    char kind;
    std::string pattern;
    char optionalId;
    int32_t method;
};

void Register(const std::vector<Model>& models) {
    for (const Model& m : models) {
        RegisterBarcodeModel(m.kind, m.pattern.c_str(), m.optionalId, m.method);
    }
}

// The low 32 bits of a decimal number read as signed, worked out apart from the
// matcher (unsigned 64-bit wrap keeps the low 32 bits right at any length).
int32_t Low32(const std::string& digits) {
    uint64_t n = 0;
    for (char c : digits) {
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return static_cast<int32_t>(static_cast<uint32_t>(n));
}

class BarcodeTest : public ::testing::Test {
protected:
    void SetUp() override { StartEmptyList(); }
};

// --- Result, value and kind for one text against a list of models ---------

struct MatchCase {
    const char* description;
    std::vector<Model> models;
    const char* text;
    int result;
    int32_t value;
    char kind;
};

void PrintTo(const MatchCase& c, std::ostream* os) {
    *os << c.description;
}

std::string CaseName(const ::testing::TestParamInfo<MatchCase>& info) {
    return info.param.description;
}

class MatchTable : public BarcodeTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(MatchTable, ResultValueAndKind) {
    const MatchCase& c = GetParam();
    Register(c.models);
    int32_t value = -7;
    char kind = '?';
    EXPECT_EQ(MatchBarcode(c.text, &value, &kind, nullptr), c.result);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(kind, c.kind);
}

constexpr int OK = BARCODE_OK;
constexpr int REJECTED = BARCODE_REJECTED;
constexpr int BAD_CHECK = BARCODE_BAD_CHECK;

const MatchCase kPatternLanguage[] = {
    {"three_and_one", {{'C', "NNNNNK", '0', 1}}, "123457", OK, 12345, 'C'},
    {"three_and_one_wrong", {{'C', "NNNNNK", '0', 1}}, "123455", BAD_CHECK, 0, 'X'},
    {"doubling", {{'C', "NNNNNK", '0', 2}}, "123455", OK, 12345, 'C'},
    {"doubling_wrong", {{'C', "NNNNNK", '0', 2}}, "123457", BAD_CHECK, 0, 'X'},
    {"other_methods_are_three_and_one", {{'C', "NNNNNK", '0', 7}}, "123457", OK, 12345, 'C'},
    {"method_zero_is_three_and_one", {{'C', "NNNNNK", '0', 0}}, "123457", OK, 12345, 'C'},
    {"n_left_out_of_check", {{'C', "nNNNNNK", '0', 1}}, "9123457", OK, 912345, 'C'},
    {"same_digit_under_N_counts", {{'C', "NNNNNNK", '0', 1}}, "9123457", BAD_CHECK, 0, 'X'},
    {"check_nk_right", {{'C', "NK", '0', 1}}, "55", OK, 5, 'C'},
    {"check_nk_wrong", {{'C', "NK", '0', 1}}, "50", BAD_CHECK, 0, 'X'},
    {"check_nk_letter", {{'C', "NK", '0', 1}}, "5A", BAD_CHECK, 0, 'X'},
    {"check_nk_pattern_left", {{'C', "NK", '0', 1}}, "5", OK, 5, 'X'},
    {"check_of_no_digits_is_0", {{'C', "XK", '0', 1}}, "a0", OK, 0, 'C'},
    {"doubling_counts_letters", {{'C', "AB-NK", '0', 2}}, "AB-12", OK, 1, 'C'},
    {"doubling_negative_sum", {{'C', "XK", '0', 2}}, "-@", OK, 0, 'C'},
    {"bad_check_stops_at_once",
     {{'C', "NK", '0', 1}, {'L', "XX", '0', 1}},
     "50",
     BAD_CHECK,
     0,
     'X'},
    {"optional_id_any_char", {{'L', "ANNNNN", '1', 1}}, "B12345", OK, 12345, 'L'},
    {"a_is_letter_a", {{'L', "ANNNNN", '0', 1}}, "A12345", OK, 12345, 'L'},
    {"a_without_flag", {{'L', "ANNNNN", '0', 1}}, "B12345", REJECTED, 0, 'X'},
    {"x_any_char", {{'L', "XNN", '0', 1}}, "#12", OK, 12, 'L'},
    {"escaped_letter", {{'C', "\\NNN", '0', 1}}, "N12", OK, 12, 'C'},
    {"escaped_letter_literal", {{'C', "\\NNN", '0', 1}}, "X12", REJECTED, 0, 'X'},
    {"escaped_bracket", {{'C', "N\\[", '0', 1}}, "1[", OK, 1, 'C'},
    {"escaped_backslash", {{'C', "\\\\N", '0', 1}}, "\\5", OK, 5, 'C'},
    {"backslash_ends_pattern", {{'C', "N\\", '0', 1}}, "1\\", REJECTED, 0, 'X'},
    {"literals_case_sensitive", {{'C', "ab-NN", '0', 1}}, "aB-12", REJECTED, 0, 'X'},
    {"literals", {{'C', "ab-NN", '0', 1}}, "ab-12", OK, 12, 'C'},
    {"inner_space_in_pattern", {{'C', "NN NN", '0', 1}}, "12 34", OK, 1234, 'C'},
    {"inner_space_not_in_pattern", {{'C', "NNNN", '0', 1}}, "12 34", REJECTED, 0, 'X'},
    {"outer_spaces_ignored", {{'L', "NNNNNN", '0', 1}}, "   123456  ", OK, 123456, 'L'},
    {"tab_not_skipped", {{'L', "NNNNNN", '0', 1}}, "\t123456", REJECTED, 0, 'X'},
    {"first_model_wins",
     {{'L', "NNNNNN", '0', 1}, {'C', "NNNNNN", '0', 1}},
     "123456",
     OK,
     123456,
     'L'},
    {"other_kind_passed_through", {{'Z', "NN", '0', 1}}, "12", OK, 12, 'Z'},
    {"kind_x_item", {{'X', "NNNNNNN", '0', 1}}, "1000000", OK, 1000000, 'C'},
    {"kind_x_patron_top", {{'X', "NNNNNNN", '0', 1}}, "0999999", OK, 999999, 'L'},
    {"kind_x_patron_bottom", {{'X', "NNNNNN", '0', 1}}, "100000", OK, 100000, 'L'},
    {"kind_x_stays", {{'X', "NNNNN", '0', 1}}, "99999", OK, 99999, 'X'},
};
INSTANTIATE_TEST_SUITE_P(PatternLanguage, MatchTable, ::testing::ValuesIn(kPatternLanguage),
                         CaseName);

// A model of kind "Z" only: a match says "Z", a fall to the numeric rule "X".
const MatchCase kOptionalTails[] = {
    {"tail_too_short", {{'Z', "NN[NN]", '0', 1}}, "1", OK, 1, 'X'},
    {"tail_skipped", {{'Z', "NN[NN]", '0', 1}}, "12", OK, 12, 'Z'},
    {"tail_cut", {{'Z', "NN[NN]", '0', 1}}, "123", OK, 123, 'Z'},
    {"tail_whole", {{'Z', "NN[NN]", '0', 1}}, "1234", OK, 1234, 'Z'},
    {"tail_too_long", {{'Z', "NN[NN]", '0', 1}}, "12345", OK, 12345, 'X'},
    {"two_groups_three", {{'Z', "NN[N][N]", '0', 1}}, "123", OK, 123, 'X'},
    {"two_groups_two", {{'Z', "NN[N][N]", '0', 1}}, "12", OK, 12, 'X'},
    {"two_groups_four", {{'Z', "NN[N][N]", '0', 1}}, "1234", OK, 1234, 'Z'},
    {"inner_group_short", {{'Z', "NN[N]N", '0', 1}}, "123", OK, 123, 'X'},
    {"inner_group_four", {{'Z', "NN[N]N", '0', 1}}, "1234", OK, 1234, 'Z'},
    {"leading_group_short", {{'Z', "[NN]NN", '0', 1}}, "12", OK, 12, 'X'},
    {"unclosed_cut", {{'Z', "NN[NN", '0', 1}}, "123", OK, 123, 'Z'},
    {"unclosed_skipped", {{'Z', "NN[NN", '0', 1}}, "12", OK, 12, 'Z'},
    {"unclosed_too_long", {{'Z', "NN[NN", '0', 1}}, "12345", OK, 12345, 'X'},
    {"check_in_tail_skipped", {{'C', "NNNN[NK]", '0', 1}}, "1234", OK, 1234, 'C'},
    {"check_in_tail", {{'C', "NNNN[NK]", '0', 1}}, "123457", OK, 12345, 'C'},
    {"check_in_tail_wrong", {{'C', "NNNN[NK]", '0', 1}}, "123450", BAD_CHECK, 0, 'X'},
    // A model that fails inside its group leaves nothing to the next one.
    {"failed_group_then_model",
     {{'C', "12[99]", '0', 1}, {'L', "NNNN", '0', 1}},
     "1234",
     OK,
     1234,
     'L'},
    {"failed_group_no_sums",
     {{'C', "NN[NNQ]", '0', 1}, {'C', "NNNNNK", '0', 1}},
     "123457",
     OK,
     12345,
     'C'},
    {"failed_group_no_value",
     {{'C', "NN[NNQ]", '0', 1}, {'L', "nnnnn", '0', 1}},
     "12345",
     OK,
     12345,
     'L'},
    {"failed_group_no_mark", {{'C', "N[Q", '0', 1}, {'L', "NNNN", '0', 1}}, "12", OK, 12, 'X'},
};
INSTANTIATE_TEST_SUITE_P(OptionalTails, MatchTable, ::testing::ValuesIn(kOptionalTails), CaseName);

const MatchCase kNumericRule[] = {
    {"patron_model", {{'L', "NNNNNN", '0', 1}}, "123456", OK, 123456, 'L'},
    {"no_item_model", {{'L', "NNNNNN", '0', 1}}, "1234567", OK, 1234567, 'C'},
    {"leading_zeros", {{'L', "NNNNNN", '0', 1}}, "0001234567", OK, 1234567, 'C'},
    {"ten_significant", {{'L', "NNNNNN", '0', 1}}, "00000000001234567890", OK, 1234567890, 'C'},
    {"eleven_significant", {{'L', "NNNNNN", '0', 1}}, "12345678901", REJECTED, 0, 'X'},
    {"letter", {{'L', "NNNNNN", '0', 1}}, "12a", REJECTED, 0, 'X'},
    {"sign", {{'L', "NNNNNN", '0', 1}}, "+1234567", REJECTED, 0, 'X'},
    {"empty", {{'L', "NNNNNN", '0', 1}}, "   ", OK, 0, 'X'},
    {"no_patron_model", {{'C', "NNNNN", '0', 1}}, "123456", OK, 123456, 'L'},
    {"no_patron_model_big", {{'C', "NNNNN", '0', 1}}, "1234567", OK, 1234567, 'X'},
};
INSTANTIATE_TEST_SUITE_P(NumericRule, MatchTable, ::testing::ValuesIn(kNumericRule), CaseName);

// Past 2^31 the low 32 bits read as signed turn negative; 2^32 wraps to 0.
const std::string k12N(12, 'N');
const std::string k13n(13, 'n');
const MatchCase kValues[] = {
    {"model_2p31", {{'C', k12N, '0', 1}}, "105226698752", OK, INT32_MIN, 'C'},
    {"model_2p32", {{'C', k13n, '0', 1}}, "1000727379968", OK, 0, 'C'},
    {"model_2p32_less_1", {{'C', k13n, '0', 1}}, "1000727379967", OK, -1, 'C'},
    {"kind_x_negative", {{'X', k12N, '0', 1}}, "105226698752", OK, INT32_MIN, 'X'},
    {"kind_x_wrapped", {{'X', k12N, '0', 1}}, "400638133393", OK, 1206174865, 'C'},
    {"rule_2p31_less_1", {{'L', "Q", '0', 1}}, "2147483647", OK, INT32_MAX, 'C'},
    {"rule_2p31", {{'L', "Q", '0', 1}}, "2147483648", OK, INT32_MIN, 'X'},
    {"rule_2p32", {{'L', "Q", '0', 1}}, "4294967296", OK, 0, 'X'},
    {"rule_2p32_plus_1", {{'L', "Q", '0', 1}}, "0004294967297", OK, 1, 'X'},
    {"rule_largest", {{'L', "Q", '0', 1}}, "9999999999", OK, 1410065407, 'C'},
};
INSTANTIATE_TEST_SUITE_P(Values, MatchTable, ::testing::ValuesIn(kValues), CaseName);

// --- The numeric rule with each combination of configured kinds ------------

struct KindsCase {
    const char* description;
    const char* kinds;    // one model per letter, none of which matches a number
    const char* expected; // the kind for each of kRuleTexts
};

const char* const kRuleTexts[] = {"99999",   "100000",     "999999",
                                  "1000000", "0000999999", "2147483648"};

const KindsCase kKindCombinations[] = {
    {"only_x", "X", "XXXCXX"},      {"only_other", "Z", "XXXCXX"}, {"patron", "L", "XXXCXX"},
    {"patron_x", "XL", "XXXCXX"},   {"item", "C", "XLLXLX"},       {"item_x", "XC", "XLLXLX"},
    {"item_other", "ZC", "XLLXLX"}, {"both", "LC", "XXXXXX"},      {"both_x", "CXL", "XXXXXX"},
};

void PrintTo(const KindsCase& c, std::ostream* os) {
    *os << c.description;
}

class NumericRuleByKinds : public BarcodeTest, public ::testing::WithParamInterface<KindsCase> {};

TEST_P(NumericRuleByKinds, ClassifiesOnlyForKindsWithoutModels) {
    const KindsCase& c = GetParam();
    for (const char* k = c.kinds; *k != '\0'; ++k) {
        RegisterBarcodeModel(*k, "Q", '0', 1);
    }
    for (size_t i = 0; i < std::size(kRuleTexts); ++i) {
        int32_t value = -7;
        char kind = '?';
        EXPECT_EQ(MatchBarcode(kRuleTexts[i], &value, &kind, nullptr), OK) << kRuleTexts[i];
        EXPECT_EQ(value, Low32(kRuleTexts[i])) << kRuleTexts[i];
        EXPECT_EQ(kind, c.expected[i]) << kRuleTexts[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, NumericRuleByKinds, ::testing::ValuesIn(kKindCombinations),
                         [](const auto& info) { return std::string(info.param.description); });

// --- Check methods ---------------------------------------------------------

class CheckMethods : public BarcodeTest {
protected:
    static void ExpectMatch(const std::string& pattern, int32_t method, const std::string& text,
                            int result, int32_t value) {
        StartEmptyList();
        RegisterBarcodeModel('C', pattern.c_str(), '0', method);
        int32_t gotValue = -7;
        char gotKind = '?';
        EXPECT_EQ(MatchBarcode(text.c_str(), &gotValue, &gotKind, nullptr), result) << text;
        EXPECT_EQ(gotValue, value) << text;
        EXPECT_EQ(gotKind, result == OK ? 'C' : 'X') << text;
    }
};

TEST_F(CheckMethods, ComputeCheckCharWeightsFromTheLeft) {
    const struct {
        const char* text;
        char expected;
    } cases[] = {
        {"7992739871", '4'}, // even length: not the right-anchored Luhn "3"
        {"799273987", '5'},  {"5", '9'},    {"0", '0'}, {"", '0'},
        {"A", '5'},          {"AB-1", '2'}, {"-", '@'}, // negative sum: 58 - (-6)
        {"&", '0'},          {"\xFF", '5'},             // bytes count unsigned
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComputeCheckChar(c.text), c.expected) << '"' << c.text << '"';
    }
    EXPECT_EQ(ComputeCheckChar(nullptr), '0');
}

// check_digits.txt holds check digits computed by python-stdnum
// (make_check_digits.py beside it describes the rows).
TEST_F(CheckMethods, AgreeWithStdnum) {
    std::ifstream in(QUORVEL_TEST_DATA_DIR "/check_digits.txt");
    ASSERT_TRUE(in) << "cannot open " QUORVEL_TEST_DATA_DIR "/check_digits.txt";
    int rows = 0;
    int evenDiffering = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        SCOPED_TRACE(line);
        std::istringstream fields(line);
        std::string family, digits, check, left;
        fields >> family >> digits >> check >> left;
        ASSERT_EQ(check.size(), 1u);
        const std::string pattern = std::string(digits.size(), 'N') + "K";
        const std::string wrong(1, static_cast<char>('0' + (check[0] - '0' + 1) % 10));
        ++rows;
        if (family == "ean13" || family == "ean8" || family == "upca") {
            ExpectMatch(pattern, 1, digits + check, OK, Low32(digits));
            ExpectMatch(pattern, 1, digits + wrong, BAD_CHECK, 0);
        } else if (family == "luhn") {
            EXPECT_EQ(ComputeCheckChar(digits.c_str()), check[0]);
            ExpectMatch(pattern, 2, digits + check, OK, Low32(digits));
            ExpectMatch(pattern, 2, digits + wrong, BAD_CHECK, 0);
        } else if (family == "luhn-even") {
            EXPECT_EQ(ComputeCheckChar(digits.c_str()), left[0]);
            ExpectMatch(pattern, 2, digits + left, OK, Low32(digits));
            if (check != left) {
                ++evenDiffering;
                ExpectMatch(pattern, 2, digits + check, BAD_CHECK, 0);
            }
        } else {
            ADD_FAILURE() << "unknown family " << family;
        }
    }
    EXPECT_GE(rows, 300);
    EXPECT_GT(evenDiffering, 0);
}

// --- Every byte value against the letters that test characters ------------

class CharacterClasses : public BarcodeTest {};

TEST_F(CharacterClasses, EveryByteValue) {
    Register({{'Z', "N", '0', 1}, {'Y', "X", '0', 1}});
    for (int b = 1; b < 256; ++b) {
        const char text[] = {static_cast<char>(b), '\0'};
        const bool digit = b >= '0' && b <= '9';
        char kind = '?';
        MatchBarcode(text, nullptr, &kind, nullptr);
        // A space is trimmed away and leaves nothing to match.
        EXPECT_EQ(kind, digit ? 'Z' : (b == ' ' ? 'X' : 'Y')) << "byte " << b;
    }
    for (int b = 1; b < 256; ++b) {
        if (b == ' ' || std::string("NnXAK[]\\").find(static_cast<char>(b)) != std::string::npos) {
            continue;
        }
        StartEmptyList();
        const char self[] = {static_cast<char>(b), '\0'};
        const char other[] = {static_cast<char>(b ^ 0x80), '\0'};
        Register({{'Z', self, '0', 1}});
        char kind = '?';
        EXPECT_EQ(MatchBarcode(self, nullptr, &kind, nullptr), OK);
        EXPECT_EQ(kind, 'Z') << "literal byte " << b;
        if (other[0] != '\0' && other[0] != ' ') {
            kind = '?';
            MatchBarcode(other, nullptr, &kind, nullptr);
            EXPECT_NE(kind, 'Z') << "literal byte " << b << " matched " << (b ^ 0x80);
        }
    }
    StartEmptyList();
    Register({{'C', "NK", '0', 1}});
    for (int b = 1; b < 256; ++b) {
        const char text[] = {'5', static_cast<char>(b), '\0'};
        if (b != ' ') {
            EXPECT_EQ(MatchBarcode(text, nullptr, nullptr, nullptr), b == '5' ? OK : BAD_CHECK)
                << "check byte " << b;
        }
    }
}

// --- Registration ----------------------------------------------------------

class Registration : public BarcodeTest {};

TEST_F(Registration, AppendsCopiesInOrder) {
    char pattern[] = "NNK";
    RegisterBarcodeModel('L', pattern, '1', 2);
    pattern[0] = 'Q';
    RegisterBarcodeModel('C', pattern, '0', 1);
    RegisterBarcodeModel('X', nullptr, 'Y', -3);
    RegisterBarcodeModel('Z', "", '\1', 5);
    const struct {
        char kind;
        const char* pattern;
        char optionalId;
        int32_t method;
    } expected[] = {{'L', "NNK", 1, 2}, {'C', "QNK", 0, 1}, {'X', "", 0, -3}, {'Z', "", 0, 5}};
    const BarcodeModel* m = g_barcodeModels;
    for (const auto& e : expected) {
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->kind, e.kind);
        EXPECT_STREQ(m->pattern, e.pattern) << e.kind;
        EXPECT_NE(m->pattern, pattern);
        EXPECT_EQ(m->optionalId, e.optionalId) << e.kind;
        EXPECT_EQ(m->checkMethod, e.method) << e.kind;
        m = m->next;
    }
    EXPECT_EQ(m, nullptr);
}

// --- Limits, the captured text and the outputs each result leaves ----------

// The caller's buffer has exactly the documented size, so that the sanitizer
// build catches a write past it.
std::unique_ptr<char[]> SentinelBuffer() {
    std::unique_ptr<char[]> buffer(new char[BARCODE_CAPTURE_SIZE]);
    std::fill_n(buffer.get(), BARCODE_CAPTURE_SIZE, '#');
    return buffer;
}

bool Untouched(const char* buffer) {
    return std::all_of(buffer, buffer + BARCODE_CAPTURE_SIZE, [](char c) { return c == '#'; });
}

class Limits : public BarcodeTest {};

TEST_F(Limits, LengthAndNullText) {
    // Optional-id model that takes any text up to 251 characters whole.
    Register({{'Z', "[" + std::string(BARCODE_MAX_TEXT, 'X') + "]", '1', 1}});
    const struct {
        const char* description;
        size_t leading, body, trailing;
        bool tried;
    } cases[] = {
        {"251", 0, 251, 0, true},
        {"252", 0, 252, 0, false},
        {"leading_spaces_not_counted", 300, 251, 0, true},
        {"trailing_spaces_counted", 0, 250, 2, false},
        {"trailing_within_limit", 1, 249, 2, true},
    };
    for (const auto& c : cases) {
        std::string body;
        for (size_t i = 0; i < c.body; ++i) {
            body += static_cast<char>('a' + i % 26);
        }
        const std::string text = std::string(c.leading, ' ') + body + std::string(c.trailing, ' ');
        auto captured = SentinelBuffer();
        int32_t value = -7;
        char kind = '?';
        const int result = MatchBarcode(text.c_str(), &value, &kind, captured.get());
        if (c.tried) {
            EXPECT_EQ(result, OK) << c.description;
            EXPECT_EQ(kind, 'Z') << c.description;
            EXPECT_EQ(value, 0) << c.description;
            EXPECT_EQ(std::string(captured.get()), body) << c.description;
        } else {
            EXPECT_EQ(result, REJECTED) << c.description;
            EXPECT_EQ(value, -7) << c.description;
            EXPECT_EQ(kind, '?') << c.description;
            EXPECT_TRUE(Untouched(captured.get())) << c.description;
        }
    }
    int32_t value = -7;
    char kind = '?';
    auto captured = SentinelBuffer();
    EXPECT_EQ(MatchBarcode(nullptr, &value, &kind, captured.get()), REJECTED);
    EXPECT_EQ(value, -7);
    EXPECT_EQ(kind, '?');
    EXPECT_TRUE(Untouched(captured.get()));
}

class Capture : public BarcodeTest {};

TEST_F(Capture, WhatEachResultLeaves) {
    const struct {
        const char* description;
        std::vector<Model> models;
        const char* text;
        int result;
        const char* captured; // null: the buffer is left untouched
    } cases[] = {
        {"whole_trimmed_text", {{'L', "AX XN", '1', 1}}, "  b$ c5 ", OK, "b$ c5"},
        {"no_flag_empties", {{'L', "AX XN", '0', 1}}, "A$ c5", OK, ""},
        {"first_match_decides", {{'L', "NN", '0', 1}, {'C', "NN", '1', 1}}, "12", OK, ""},
        {"failed_model_leaves_nothing",
         {{'L', "NNNNQ", '1', 1}, {'C', "NN[NN]", '1', 1}},
         "1234",
         OK,
         "1234"},
        {"numeric_rule_leaves", {{'C', "Q", '1', 1}}, "123456", OK, nullptr},
        {"rejected_leaves", {{'C', "Q", '1', 1}}, "12a", REJECTED, nullptr},
        {"bad_check_leaves", {{'C', "NK", '1', 1}}, "50", BAD_CHECK, nullptr},
    };
    for (const auto& c : cases) {
        StartEmptyList();
        Register(c.models);
        auto captured = SentinelBuffer();
        EXPECT_EQ(MatchBarcode(c.text, nullptr, nullptr, captured.get()), c.result)
            << c.description;
        if (c.captured == nullptr) {
            EXPECT_TRUE(Untouched(captured.get())) << c.description;
        } else {
            EXPECT_STREQ(captured.get(), c.captured) << c.description;
        }
    }
}

} // namespace
