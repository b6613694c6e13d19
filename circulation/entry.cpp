// The entry rules of Enter: which field stops an operation, in the order
// patron, item. The messages and the focus are the dialog's.
#include "circulation/entry.h"

#include "circulation/barcode.h"

#include <cstdint>

namespace {

bool IsEmpty(const char* text) {
    return text == nullptr || text[0] == '\0';
}

bool HasKind(const char* text, char wanted) {
    std::int32_t value = 0;
    char kind = 'X'; // a text too long for the matcher leaves it as it is
    return MatchBarcode(text != nullptr ? text : "", &value, &kind, nullptr) == BARCODE_OK &&
           kind == wanted;
}

} // namespace

bool IsPatronBarcode(const char* text) {
    return HasKind(text, 'L');
}

bool IsItemBarcode(const char* text) {
    return HasKind(text, 'C');
}

int CheckEntry(OperationMode mode, const char* patron, const char* item, bool focusInPatron,
               bool hasBarcodeModels) {
    if (ModeNeedsPatron(mode)) {
        if (IsEmpty(patron)) {
            return ENTRY_PATRON_MISSING;
        }
        if (hasBarcodeModels && !IsPatronBarcode(patron)) {
            return ENTRY_PATRON_INVALID;
        }
        if (IsEmpty(item)) {
            return focusInPatron ? ENTRY_NEXT_FIELD : ENTRY_ITEM_MISSING;
        }
    } else if (IsEmpty(item)) {
        return ENTRY_ITEM_MISSING;
    }
    if (hasBarcodeModels && !IsItemBarcode(item)) {
        return ENTRY_ITEM_INVALID;
    }
    return ENTRY_OK;
}
