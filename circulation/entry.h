// The rules that decide what Enter does with the patron and item texts: which
// field is missing or wrong, whether the cursor only moves on to the item, or
// whether the operation may be recorded.
//
// A pure decision over the texts as typed (untrimmed) and two facts about the
// dialog; showing the message, moving the focus and recording are the
// dialog's. Barcodes are tested with MatchBarcode against g_barcodeModels.
#pragma once

#include "circulation/operation.h"

enum {
    ENTRY_OK = 0,             // complete, every tested barcode of the right kind
    ENTRY_PATRON_MISSING = 1, // loan or request, the patron text is empty
    ENTRY_ITEM_MISSING = 2,   // the item text is empty (and, in loan or request,
                              // the focus is not in the patron edit)
    ENTRY_PATRON_INVALID = 3, // the patron text is not a patron barcode
    ENTRY_ITEM_INVALID = 4,   // the item text is not an item barcode
    ENTRY_NEXT_FIELD = 10     // loan or request, the patron accepted, the item
                              // empty and the focus in the patron edit
};

// True when MatchBarcode returns BARCODE_OK for text with kind "L" (patron)
// or "C" (item). A wrong check character, no matching model, a number the
// numeric rule leaves unclassified and a barcode of the other kind are all
// false. A null text is the empty text.
bool IsPatronBarcode(const char* text);
bool IsItemBarcode(const char* text);

// The decision for one Enter, stopping at the first failing test in the order
// patron, item:
//   loan or request (ModeNeedsPatron): patron empty -> ENTRY_PATRON_MISSING;
//     models configured and patron not a patron barcode -> ENTRY_PATRON_INVALID;
//     item empty -> ENTRY_NEXT_FIELD when focusInPatron, else ENTRY_ITEM_MISSING;
//     models configured and item not an item barcode -> ENTRY_ITEM_INVALID;
//     else ENTRY_OK.
//   any other mode: the patron text is ignored; item empty -> ENTRY_ITEM_MISSING
//     wherever the focus is; models configured and item not an item barcode ->
//     ENTRY_ITEM_INVALID; else ENTRY_OK.
// Empty means a text of length 0: spaces only are not empty, and go on to the
// barcode test (where they are refused) or, without models, are accepted.
// Null texts are empty. Changes nothing.
int CheckEntry(OperationMode mode, const char* patron, const char* item, bool focusInPatron,
               bool hasBarcodeModels);
