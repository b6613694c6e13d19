// The small, frequent calls the benchmarks time and the probe counts: the
// trace call with its gates failing, and MatchBarcode over a desk's barcodes.
// Shared by quorvel_bench and quorvel_bench_probe so that both measure the
// very same calls.
#pragma once

#include <string>
#include <vector>

// The two ways a trace call of this program ends: level 8 (the XML library's
// entry, exit and node traces) stops at the level gate, level 1 (its failures)
// at the configuration gate.
void TraceCallLevel8(long address);
void TraceCallLevel1();

// Registers the desk's eight barcode models, once per process.
void RegisterDeskModels();

struct DeskBarcode {
    std::string text;
    char kind; // what MatchBarcode must find: 'L' patron, 'C' item
};

// Typical scans at a desk with those models: patron cards and item labels
// of every model, with the blanks a scanner or a hand may add, and a few item
// numbers that no model takes and the numeric rule classifies. Each is
// checked by MatchBarcodes.
const std::vector<DeskBarcode>& DeskBarcodes();

// Matches every desk barcode once; returns how many gave BARCODE_OK with the
// expected kind (all of them, unless the matcher is broken).
int MatchBarcodes();
