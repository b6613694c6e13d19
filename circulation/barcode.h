// Barcode models and the matcher.
//
// A model is one shape that the library's patron cards or item labels take:
// a pattern of character classes, the kind of barcode it belongs to and the
// method of its check character. The models are registered once, from the
// settings file, and live until the process ends. MatchBarcode tells a patron
// barcode from an item barcode and verifies check characters; it needs nothing
// of the rest of the system and allocates nothing.
//
// Pattern language (case-sensitive; every letter but "[", "]" and "\"
// consumes exactly one character of the barcode):
//   N  a digit, part of the numeric value and of the 3-and-1 check
//   n  a digit, part of the numeric value only
//   X  any character
//   A  any character when the model has the optional-id flag, else "A" itself
//   K  the check character, verified by the model's check method
//   [  ]  an optional tail: when the barcode ends inside the group, or exactly
//         where it begins, the rest of the group is passed over and the pattern
//         must end right after its "]". A "[" without a later "]" passes over
//         to the end of the pattern.
//   \  the next pattern character matches only itself
//   any other character matches only itself
//
// Not thread-safe: the list is filled and read by the user-interface thread.
#pragma once

#include <cstdint>

enum {
    BARCODE_OK = 0,
    BARCODE_REJECTED = 1,
    BARCODE_BAD_CHECK = 2
};

// Longest text, after its leading spaces, that MatchBarcode will look at.
constexpr int BARCODE_MAX_TEXT = 251;
// Size of the capture buffer a caller hands to MatchBarcode.
constexpr int BARCODE_CAPTURE_SIZE = 256;

struct BarcodeModel {
    char* pattern;       // owned copy of the pattern
    char kind;           // "L" patron, "C" item, "X" decided by the number, or any other letter
    char optionalId;     // 1 when "A" matches any character and the match is captured
    int32_t checkMethod; // 2 the doubling method, any other value the 3-and-1 method
    BarcodeModel* next;  // following model, null for the last
};

// The registered models in registration order; null when there are none.
// This pointer is the list's only state, so setting it to null empties the
// list (the old records are then simply abandoned).
extern BarcodeModel* g_barcodeModels;

// Appends a model at the end of g_barcodeModels: a copy of the pattern (a null
// pattern is taken as the empty one), the kind as given, the optional-id flag
// set exactly when optionalId is '1', and the check method as given.
// When memory is exhausted nothing is registered and nothing is reported.
void RegisterBarcodeModel(char kind, const char* pattern, char optionalId, int32_t checkMethod);

// Matches a NUL-terminated 8-bit text against the registered models.
//
// Leading and trailing spaces (the space character only) are ignored. The
// first model that matches the whole remaining text decides; when none does,
// a plain number of at most 10 significant digits is classified by its size,
// but only for a kind of barcode that has no model of its own.
//
// Returns
//   BARCODE_OK        a model matched (kind = the model's kind, or for kind 'X'
//                     'C' above 999999, 'L' above 99999, else 'X'; value = the
//                     digits that N and n matched; captured = the whole text when
//                     the model has the optional-id flag, else the empty text),
//                     or the numeric rule applied (value = the number, kind =
//                     'C', 'L' or 'X'; captured untouched). OK alone does not
//                     mean recognised: the caller must look at the kind.
//   BARCODE_REJECTED  the text fits no model and is not a plain number of at
//                     most 10 significant digits: value 0, kind 'X', captured
//                     untouched. A text longer than BARCODE_MAX_TEXT after its
//                     leading spaces, or a null text, leaves all three outputs
//                     untouched.
//   BARCODE_BAD_CHECK a model reached its "K" with a wrong check character:
//                     value 0, kind 'X', captured untouched. No later model is
//                     tried.
// Values are the low 32 bits of the decimal number, read as signed. Any of the
// three outputs may be null; captured, when given, holds at least
// BARCODE_CAPTURE_SIZE bytes.
int MatchBarcode(const char* text, int32_t* value, char* kind, char* captured);

// The check character of the doubling method for a NUL-terminated text.
// Weights 2, 1, 2, 1, ... start at the leftmost character whatever the length,
// so for an even number of characters this is not the right-anchored Luhn
// digit. Each character counts as its code minus 48 (codes read as unsigned
// bytes); a doubled product above 9 loses 9. A sum that is a multiple of 10
// gives '0'; otherwise the result is the character 58 minus the remainder of
// the sum (truncating division, so a negative sum gives a character above '9').
// A null text counts as empty and gives '0'.
char ComputeCheckChar(const char* text);
