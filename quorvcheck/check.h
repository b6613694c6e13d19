// quorvcheck, the administrators' checker of a settings file: what a desk
// would make of the file (its parse, language, work area, catalogue and
// barcode models) and of barcodes typed on the command line, in plain words.
//
// It reads the file with the desk's own XML reader and registers the models
// with the desk's own loader, so what it says is what a desk would do; with
// --day it checks the day's transaction files as well (day.h). It writes
// nothing to disk. Output is UTF-8 whatever the locale; texts from the file
// are converted from ISO-8859-1 (text.h), paths from the command line from
// the system's encoding (system.h).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// Exit statuses.
enum {
    QUORVCHECK_OK = 0,      // nothing would fail a desk; every day's file sound
    QUORVCHECK_PROBLEM = 1, // the file, a barcode or a day's file has a problem
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
    bool days = false;                 // check dayFiles instead of the settings
    std::vector<std::string> dayFiles; // paths as the system takes them
};

// Writes the report on the settings file and the barcodes to out and returns
// QUORVCHECK_OK when nothing in it would fail a desk, QUORVCHECK_PROBLEM
// otherwise. Problems: a file that cannot be opened or read (with the place
// and reason), dropped tokens (each with its line and column), a file that
// ends inside a token or with elements left open, no XML declaration or no
// element; no catalogue for the language, or keys the desk shows missing
// from it; no work area, or one that does not exist, is not a folder or may
// not be written by the account running the check (InspectFolder); no
// barcode model; a barcode refused. Warnings, named on the last line but
// leaving the status alone: texts holding references (a desk shows them as
// written), a file read as ISO-8859-1 whose bytes read as UTF-8, a model
// never reached (models.h), a model of a kind no desk accepts, skipped
// model elements. Registers the file's models into g_barcodeModels, which
// should be empty at the call: models already there would be reported and
// tried too.
int CheckSettings(const CheckRequest& request, std::ostream& out);

// Checks each of request.dayFiles (day.h) against the barcode models of the
// settings file, which it registers into g_barcodeModels (empty at the
// call). QUORVCHECK_OK when every file is sound, QUORVCHECK_PROBLEM when any
// is not or the settings cannot be read (the barcodes are then not judged).
int CheckDays(const CheckRequest& request, std::ostream& out);

// The whole program: reads "[--lang CODE] SETTINGS.xml [BARCODE...]" or
// "--day SETTINGS.xml FILE.qvp..." (options anywhere before a "--", after
// which everything is a barcode or a day's file), runs CheckSettings or
// CheckDays and returns its status. "--help" or "-h" prints the usage on out
// and returns QUORVCHECK_OK. A missing settings file, a "--lang" without a
// code, "--day" without a day's file or with "--lang", or an unknown option
// prints the reason and the usage on err and returns QUORVCHECK_USAGE
// without reading anything.
int QuorvcheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
