// quorvcheck, the administrators' checker of a settings file: what a desk
// would make of the file (its parse, language, work area, catalogue and
// barcode models) and of barcodes typed on the command line, in plain words.
//
// It reads the file with the desk's own XML reader and registers the models
// with the desk's own loader, so what it says is what a desk would do. It
// writes nothing to disk. Output is UTF-8 whatever the locale; texts from the
// file are converted from ISO-8859-1 (text.h).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses.
enum {
    QUORVCHECK_OK = 0,      // parsed cleanly, every barcode accepted
    QUORVCHECK_PROBLEM = 1, // the file or a barcode has a problem
    QUORVCHECK_USAGE = 2    // the command line is wrong
};

// What a desk makes of one barcode.
struct BarcodeVerdict {
    bool matched;      // the matcher ran (models configured, text not empty)
    int result;        // BARCODE_* when matched
    char kind;         // the kind the matcher gave, 'X' unless it set another
    int32_t value;     // the value the matcher gave, 0 unless it set another
    bool accepted;     // a desk takes it as a patron or item barcode
    const char* words; // the verdict in plain words
};

// Judges text (ISO-8859-1, as a desk's field holds it) against g_barcodeModels
// the way a desk does. The words:
//   "refused: empty, a desk asks for the missing barcode"     empty text
//   "accepted unchecked: no barcode model is configured"      hasModels false
//   "accepted as patron" / "accepted as item"                  BARCODE_OK, L / C
//   "refused: wrong check character"                           BARCODE_BAD_CHECK
//   "refused: matches no model"                                BARCODE_REJECTED
//   "refused: neither a patron nor an item barcode"            BARCODE_OK, any other kind
// Changes nothing.
BarcodeVerdict JudgeBarcode(const std::string& text, bool hasModels);

// The command line's texts as typed: CheckSettings reads them into ISO-8859-1
// (ArgumentToLatin1) and cuts barcodes to the 50 characters of a desk's field.
struct CheckRequest {
    std::string settingsPath;
    bool langGiven = false; // true: lang overrides the file's
    std::string lang;
    std::vector<std::string> barcodes;
};

// Writes the report on the settings file and the barcodes to out and returns
// QUORVCHECK_OK when the file parsed with the error flag clear, ended cleanly
// and holds an element, and every barcode was accepted; QUORVCHECK_PROBLEM
// otherwise. Registers the file's models into g_barcodeModels, which should
// be empty at the call: models already there would be reported and tried too.
int CheckSettings(const CheckRequest& request, std::ostream& out);

// The whole program: reads "[--lang CODE] SETTINGS.xml [BARCODE...]" (options
// anywhere before a "--", after which everything is a barcode), runs
// CheckSettings and returns its status. "--help" or "-h" prints the usage line
// on out and returns QUORVCHECK_OK. A missing settings file, a "--lang"
// without a code or an unknown option prints the reason and the usage line on
// err and returns QUORVCHECK_USAGE without reading anything.
int QuorvcheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
