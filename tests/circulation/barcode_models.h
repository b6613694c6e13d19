// Starting a test with no barcode models registered.
#pragma once

#include "circulation/barcode.h"

#include <vector>

// Models live until the process ends and nothing frees them. A test starts an
// empty list by keeping the old one reachable here, so that the leak checker
// of the sanitizer build does not count the abandoned models.
inline void StartEmptyList() {
    static auto* abandoned = new std::vector<BarcodeModel*>;
    if (g_barcodeModels != nullptr) {
        abandoned->push_back(g_barcodeModels);
    }
    g_barcodeModels = nullptr;
}
