// Starting the desk client up to the moment its dialog is ready, over a desk
// installation of bench/desk_files.h, shared by the start-up benchmark and
// the probes that measure the same from cold.
#pragma once

#include <functional>

// Runs the client's main dialog with the headless window backend over the
// installation in use: constructs it (the settings parsed, the barcode models
// registered), initialises it (the greeting answered at once, the day's file
// loaded into the list) and calls ready, with the number of rows in the list,
// as soon as the dialog would take its first key; then closes and destroys it.
// The dialog registers its barcode models into an empty list, and the list
// that was there before comes back afterwards. Returns false
// when the dialog closed before it was ready (no settings).
bool RunHeadlessDesk(const std::function<void(std::size_t rows)>& ready);
