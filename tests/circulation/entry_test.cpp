// The entry rules of Enter: every refusal in the order patron, item, the move
// to the item field, return mode ignoring the patron, and no barcode tests at
// all without models. (The desk's messages and focus for each refusal are
// tests/shell/entry_test.cpp's.)
#include "circulation/entry.h"

#include "model_list.h"

#include <gtest/gtest.h>

namespace {

// A patron card is six digits with a 3-and-1 check digit, an item label "B"
// and seven digits.
const char* const kPatron = "123457";
const char* const kItem = "B1234567";

TEST(Entry, WithAndWithoutModels) {
    StartEmptyList();
    RegisterBarcodeModel('L', "NNNNNK", '0', 1);
    RegisterBarcodeModel('C', "BNNNNNNN", '0', 1);
    const struct {
        OperationMode mode;
        const char *patron, *item;
        bool focusInPatron, models;
        int result;
    } cases[] = {
        {OPERATION_LOAN, kPatron, kItem, true, true, ENTRY_OK},
        {OPERATION_LOAN, " 123457 ", "  B1234567", false, true, ENTRY_OK},
        {OPERATION_LOAN, nullptr, kItem, false, true, ENTRY_PATRON_MISSING},
        {OPERATION_LOAN, "", "", true, true, ENTRY_PATRON_MISSING},
        {OPERATION_LOAN, kItem, "", true, true, ENTRY_PATRON_INVALID},
        {OPERATION_LOAN, kPatron, "", true, true, ENTRY_NEXT_FIELD},
        {OPERATION_LOAN, kPatron, "", false, true, ENTRY_ITEM_MISSING},
        {OPERATION_LOAN, kPatron, kPatron, false, true, ENTRY_ITEM_INVALID},
        {OPERATION_REQUEST, kPatron, "", true, true, ENTRY_NEXT_FIELD},
        {OPERATION_RETURN, "junk", kItem, true, true, ENTRY_OK},
        {OPERATION_RETURN, kPatron, "", true, true, ENTRY_ITEM_MISSING},
        {OPERATION_RETURN, "", kPatron, false, true, ENTRY_ITEM_INVALID},
        {7, "", kItem, false, true, ENTRY_OK}, // any other mode is a return's
        // The desk's flag decides, not the list: unconfigured, nothing is tested.
        {OPERATION_LOAN, "hello world", " ", false, false, ENTRY_OK},
        {OPERATION_LOAN, "x", "", true, false, ENTRY_NEXT_FIELD},
        {OPERATION_RETURN, "x", "", true, false, ENTRY_ITEM_MISSING},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckEntry(c.mode, c.patron, c.item, c.focusInPatron, c.models), c.result)
            << c.mode << " \"" << (c.patron != nullptr ? c.patron : "(null)") << "\" \"" << c.item
            << "\"";
    }
    EXPECT_FALSE(IsItemBarcode(nullptr));
}

} // namespace
