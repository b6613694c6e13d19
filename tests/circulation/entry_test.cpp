// The entry rules of Enter: every refusal in the order patron, item, the move
// to the item field, return mode ignoring the patron, and no barcode tests at
// all without models.
#include "circulation/entry.h"

#include "barcode_models.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A patron card is six digits with a 3-and-1 check digit; an item label is
// "B" and seven digits.
const char* const kPatron = "123457";
const char* const kPatronBadCheck = "123455";
const char* const kItem = "B1234567";

class Entry : public ::testing::Test {
protected:
    void SetUp() override {
        StartEmptyList();
        RegisterBarcodeModel('L', "NNNNNK", '0', 1);
        RegisterBarcodeModel('C', "BNNNNNNN", '0', 1);
    }
};

struct EntryCase {
    const char* description;
    OperationMode mode;
    const char* patron;
    const char* item;
    bool focusInPatron;
    bool hasModels;
    int result;
};

constexpr bool kPatronFocus = true;
constexpr bool kElsewhere = false;
constexpr bool kModels = true;
constexpr bool kNoModels = false;

const std::string kTooLong(300, '1');

TEST_F(Entry, LoanAndRequest) {
    const EntryCase cases[] = {
        {"complete", OPERATION_LOAN, kPatron, kItem, kElsewhere, kModels, ENTRY_OK},
        {"complete_focus_in_patron", OPERATION_LOAN, kPatron, kItem, kPatronFocus, kModels,
         ENTRY_OK},
        {"outer_spaces_pass_the_matcher", OPERATION_LOAN, " 123457 ", "  B1234567", kElsewhere,
         kModels, ENTRY_OK},
        {"patron_empty", OPERATION_LOAN, "", kItem, kElsewhere, kModels, ENTRY_PATRON_MISSING},
        {"both_empty_focus_in_patron", OPERATION_LOAN, "", "", kPatronFocus, kModels,
         ENTRY_PATRON_MISSING},
        {"both_empty_focus_elsewhere", OPERATION_LOAN, "", "", kElsewhere, kModels,
         ENTRY_PATRON_MISSING},
        {"patron_null", OPERATION_LOAN, nullptr, kItem, kElsewhere, kModels, ENTRY_PATRON_MISSING},
        {"patron_bad_check", OPERATION_LOAN, kPatronBadCheck, kItem, kElsewhere, kModels,
         ENTRY_PATRON_INVALID},
        {"patron_matches_nothing", OPERATION_LOAN, "hello", kItem, kElsewhere, kModels,
         ENTRY_PATRON_INVALID},
        {"item_scanned_into_patron", OPERATION_LOAN, kItem, "", kPatronFocus, kModels,
         ENTRY_PATRON_INVALID},
        {"patron_spaces_only", OPERATION_LOAN, "   ", kItem, kElsewhere, kModels,
         ENTRY_PATRON_INVALID},
        {"patron_too_long", OPERATION_LOAN, kTooLong.c_str(), kItem, kElsewhere, kModels,
         ENTRY_PATRON_INVALID},
        {"bad_patron_before_missing_item", OPERATION_LOAN, "hello", "", kPatronFocus, kModels,
         ENTRY_PATRON_INVALID},
        {"scanner_moves_on", OPERATION_LOAN, kPatron, "", kPatronFocus, kModels, ENTRY_NEXT_FIELD},
        {"item_empty_focus_elsewhere", OPERATION_LOAN, kPatron, "", kElsewhere, kModels,
         ENTRY_ITEM_MISSING},
        {"item_null_focus_elsewhere", OPERATION_LOAN, kPatron, nullptr, kElsewhere, kModels,
         ENTRY_ITEM_MISSING},
        {"patron_card_as_item", OPERATION_LOAN, kPatron, kPatron, kElsewhere, kModels,
         ENTRY_ITEM_INVALID},
        {"item_matches_nothing", OPERATION_LOAN, kPatron, "B12", kPatronFocus, kModels,
         ENTRY_ITEM_INVALID},
        {"item_spaces_only", OPERATION_LOAN, kPatron, " ", kElsewhere, kModels, ENTRY_ITEM_INVALID},
        {"request_complete", OPERATION_REQUEST, kPatron, kItem, kElsewhere, kModels, ENTRY_OK},
        {"request_moves_on", OPERATION_REQUEST, kPatron, "", kPatronFocus, kModels,
         ENTRY_NEXT_FIELD},
        {"request_patron_empty", OPERATION_REQUEST, "", kItem, kPatronFocus, kModels,
         ENTRY_PATRON_MISSING},
        {"request_item_invalid", OPERATION_REQUEST, kPatron, "x", kElsewhere, kModels,
         ENTRY_ITEM_INVALID},
    };
    for (const EntryCase& c : cases) {
        EXPECT_EQ(CheckEntry(c.mode, c.patron, c.item, c.focusInPatron, c.hasModels), c.result)
            << c.description;
    }
}

TEST_F(Entry, ReturnAndOtherModesIgnoreThePatron) {
    const EntryCase cases[] = {
        {"complete", OPERATION_RETURN, "", kItem, kElsewhere, kModels, ENTRY_OK},
        {"junk_left_in_patron", OPERATION_RETURN, "junk", kItem, kPatronFocus, kModels, ENTRY_OK},
        {"item_empty_focus_in_patron", OPERATION_RETURN, kPatron, "", kPatronFocus, kModels,
         ENTRY_ITEM_MISSING},
        {"item_empty_focus_elsewhere", OPERATION_RETURN, "", "", kElsewhere, kModels,
         ENTRY_ITEM_MISSING},
        {"item_invalid", OPERATION_RETURN, "", kPatron, kElsewhere, kModels, ENTRY_ITEM_INVALID},
        {"item_spaces_only", OPERATION_RETURN, "", "  ", kElsewhere, kModels, ENTRY_ITEM_INVALID},
        {"other_mode_like_return", 7, "", kItem, kElsewhere, kModels, ENTRY_OK},
        {"other_mode_item_empty", -3, kPatron, "", kPatronFocus, kModels, ENTRY_ITEM_MISSING},
    };
    for (const EntryCase& c : cases) {
        EXPECT_EQ(CheckEntry(c.mode, c.patron, c.item, c.focusInPatron, c.hasModels), c.result)
            << c.description;
    }
}

// The flag decides, not the list: models registered but not configured for
// the desk test nothing either.
TEST_F(Entry, WithoutModelsAnyNonEmptyTextPasses) {
    const EntryCase cases[] = {
        {"letters_and_spaces", OPERATION_LOAN, "hello world", " a b ", kElsewhere, kNoModels,
         ENTRY_OK},
        {"spaces_only", OPERATION_REQUEST, " ", "   ", kElsewhere, kNoModels, ENTRY_OK},
        {"bad_check", OPERATION_LOAN, kPatronBadCheck, kPatron, kElsewhere, kNoModels, ENTRY_OK},
        {"patron_empty", OPERATION_LOAN, "", "x", kElsewhere, kNoModels, ENTRY_PATRON_MISSING},
        {"moves_on", OPERATION_LOAN, "x", "", kPatronFocus, kNoModels, ENTRY_NEXT_FIELD},
        {"item_empty", OPERATION_LOAN, "x", "", kElsewhere, kNoModels, ENTRY_ITEM_MISSING},
        {"return", OPERATION_RETURN, "", "x", kElsewhere, kNoModels, ENTRY_OK},
        {"return_item_empty", OPERATION_RETURN, "x", "", kPatronFocus, kNoModels,
         ENTRY_ITEM_MISSING},
    };
    for (const EntryCase& c : cases) {
        EXPECT_EQ(CheckEntry(c.mode, c.patron, c.item, c.focusInPatron, c.hasModels), c.result)
            << c.description;
    }
}

// With a patron model only, the numeric rule classifies items by their size:
// a number that it leaves unclassified is no item.
TEST(EntryKinds, NumericRuleDecidesForKindsWithoutModel) {
    StartEmptyList();
    RegisterBarcodeModel('L', "NNNNNN", '0', 1);
    EXPECT_TRUE(IsItemBarcode("1234567"));
    EXPECT_FALSE(IsItemBarcode("12"));
    EXPECT_FALSE(IsItemBarcode("123456"));
    EXPECT_EQ(CheckEntry(OPERATION_LOAN, kPatron, "1234567", false, true), ENTRY_OK);
    EXPECT_EQ(CheckEntry(OPERATION_LOAN, kPatron, "12", false, true), ENTRY_ITEM_INVALID);
    EXPECT_FALSE(IsPatronBarcode(nullptr));
    EXPECT_FALSE(IsItemBarcode(nullptr));
}

} // namespace
