// quorvcheck --day: the day's transaction files checked as the central
// system will read them, before they are sent on. Each line must be one
// record of 130 characters and CR LF, dated the day the file is named after,
// numbered on from 000001 without a gap or a repeat, at times that never go
// back, with a mode letter P, D or T, a blank patron on a return, and
// barcodes that a desk with these settings accepts (the desk's own matcher
// and entry rules, circulation/entry.h, against g_barcodeModels).
//
// Only reads. Record layout and field places come from circulation/dayfile.h.
#pragma once

#include <iosfwd>
#include <string>

// What the check of one file found.
struct DayFileVerdict {
    bool opened = false; // the file could be read
    int problems = 0;    // each one reported with its line
    int loans = 0, returns = 0, requests = 0;
    std::string first, last; // times of the first and last records, "" when none
};

// Checks the file at path (as the system takes it) and writes its report to
// out, shownPath standing for the path: a "Day file:" line, one line per
// problem ("  line N: ...", at most a hundred, then how many more), the
// operations per mode with the first and last time, and "  Verdict: ...".
// hasModels says whether the settings configure barcode models, which are
// then in g_barcodeModels. A file named other than YYYYMMDD.qvp is a problem
// in itself (its dates cannot be checked).
DayFileVerdict CheckDayFile(const std::string& path, const std::string& shownPath, bool hasModels,
                            std::ostream& out);
