// The entry rules of Enter: every refusal in the order patron, item, the move
// to the item field, return mode ignoring the patron, and no barcode tests at
// all without models.
#include "circulation/entry.h"

#include "model_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr OperationMode LOAN = OPERATION_LOAN;
constexpr OperationMode RETURN = OPERATION_RETURN;
constexpr OperationMode REQUEST = OPERATION_REQUEST;
constexpr bool IN_PATRON = true; // the focus
constexpr bool ELSEWHERE = false;

// A patron card is six digits with a 3-and-1 check digit, an item label "B"
// and seven digits.
const char* const kPatron = "123457";
const char* const kItem = "B1234567";

TEST(Entry, WithModels) {
    StartEmptyList();
    RegisterBarcodeModel('L', "NNNNNK", '0', 1);
    RegisterBarcodeModel('C', "BNNNNNNN", '0', 1);
    const struct {
        const char* description;
        OperationMode mode;
        const char *patron, *item;
        bool focus;
        int result;
    } cases[] = {
        {"complete", LOAN, kPatron, kItem, IN_PATRON, ENTRY_OK},
        {"outer_spaces_matched", LOAN, " 123457 ", "  B1234567", ELSEWHERE, ENTRY_OK},
        {"patron_empty", LOAN, "", kItem, ELSEWHERE, ENTRY_PATRON_MISSING},
        {"both_empty_focus_in_patron", LOAN, "", "", IN_PATRON, ENTRY_PATRON_MISSING},
        {"patron_null", LOAN, nullptr, kItem, ELSEWHERE, ENTRY_PATRON_MISSING},
        {"patron_bad_check", LOAN, "123455", kItem, ELSEWHERE, ENTRY_PATRON_INVALID},
        {"item_scanned_as_patron", LOAN, kItem, "", IN_PATRON, ENTRY_PATRON_INVALID},
        {"patron_spaces_only", LOAN, "   ", kItem, ELSEWHERE, ENTRY_PATRON_INVALID},
        {"scanner_moves_on", LOAN, kPatron, "", IN_PATRON, ENTRY_NEXT_FIELD},
        {"item_empty_focus_elsewhere", LOAN, kPatron, "", ELSEWHERE, ENTRY_ITEM_MISSING},
        {"patron_card_as_item", LOAN, kPatron, kPatron, ELSEWHERE, ENTRY_ITEM_INVALID},
        {"item_spaces_only", LOAN, kPatron, " ", IN_PATRON, ENTRY_ITEM_INVALID},
        {"request_moves_on", REQUEST, kPatron, "", IN_PATRON, ENTRY_NEXT_FIELD},
        {"return_ignores_patron", RETURN, "junk", kItem, IN_PATRON, ENTRY_OK},
        {"return_item_empty_focus_in_patron", RETURN, kPatron, "", IN_PATRON, ENTRY_ITEM_MISSING},
        {"return_item_invalid", RETURN, "", kPatron, ELSEWHERE, ENTRY_ITEM_INVALID},
        {"other_mode_like_return", 7, "", kItem, ELSEWHERE, ENTRY_OK},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckEntry(c.mode, c.patron, c.item, c.focus, true), c.result) << c.description;
    }
    // The desk's flag decides, not the list: unconfigured, nothing is tested.
    EXPECT_EQ(CheckEntry(LOAN, "hello world", " ", ELSEWHERE, false), ENTRY_OK);
    EXPECT_EQ(CheckEntry(LOAN, "x", "", IN_PATRON, false), ENTRY_NEXT_FIELD);
    EXPECT_EQ(CheckEntry(RETURN, "x", "", IN_PATRON, false), ENTRY_ITEM_MISSING);
    EXPECT_FALSE(IsItemBarcode(nullptr));
}

} // namespace
