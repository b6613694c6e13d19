// Character input of the XML library: reading one character of the parser's
// input with its class, checking UTF-8 sequences and the references that
// begin with "&", the table of encoding names, conversions between ISO-8859-1
// and UTF-8, and the small string helpers the rest of the library uses.
//
// Input is a run of bytes between a position and an end; it is never assumed
// to end with a NUL, and nothing here reads at or past the end. A character or
// reference that the end cuts off comes back as CH_INCOMPLETE so that the
// caller can wait for more input. Nothing here allocates or keeps state
// between calls; bytes are always compared as unsigned. Deciding what a class
// means where it stands is the markup scanner's business (xmlscan.h).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

// Character classes, the result of reading one character.
enum {
    CH_INVALID = 0,    // mode 0: a malformed multi-byte UTF-8 sequence; any mode: a bad "&"
    CH_INCOMPLETE = 1, // at or past the end, or a sequence or short reference cut off by it
    CH_REFERENCE = 2,  // "&lt;" "&gt;" "&amp;" "&quot;" or a numeric character reference
    CH_SPACE = 3,      // TAB, LF, CR, space
    CH_GT = 4,         // >
    CH_LT = 5,         // <
    CH_SLASH = 6,      // /
    CH_APOS = 7,       // '
    CH_QUOT = 8,       // "
    CH_EXCL = 9,       // !
    CH_QUEST = 10,     // ?
    CH_LSQB = 11,      // [
    CH_RSQB = 12,      // ]
    CH_MINUS = 13,     // -
    CH_EQUALS = 14,    // =
    CH_UNDERSCORE = 15,
    CH_COLON = 16,
    CH_PERIOD = 17,
    CH_STAR = 18,
    CH_DIGIT = 19, // 0 to 9
    CH_OTHER = 20  // everything else below 80; 80 to FF per mode (see XmlNextChar)
};

// Encoding indexes that change behaviour, and the value for a name that the
// table does not hold. The table has XML_ENC_COUNT rows, "UTF-8" (0) to
// "ISO-10646-UCS-4" (10).
enum {
    XML_ENC_UNKNOWN = -1,
    XML_ENC_UTF8 = 0,
    XML_ENC_LATIN1 = 4,
    XML_ENC_COUNT = 11
};

// Reads the character at position. mode is the document's source encoding
// index: 0 checks multi-byte UTF-8 sequences, every other value (-1 included)
// reads one byte per character. Stores the class in *cls (not null) and
// returns the position just after the character, except:
//   CH_INCOMPLETE             position unchanged: position is at or past end,
//                             or a UTF-8 sequence or a reference is cut by end
//   CH_INVALID (mode 0 UTF-8) position unchanged: the lead byte is C2 to F4 but
//                             a following byte is outside its range; the
//                             caller steps on by one byte where it goes on
//   CH_INVALID (reference)    a position past the "&", see XmlCheckReference
// Classes by byte: TAB LF CR space, > < / ' " ! ? [ ] - = _ : . * and 0 to 9
// have their own; "&" begins a reference; every other byte below 80 is
// CH_OTHER. From 80 up: CH_OTHER in single-byte mode; in mode 0 a whole valid
// sequence (leads C2-DF, E0, E1-EF, F0, F1-F3, F4 with the usual second-byte
// ranges) is one CH_OTHER, and a lone 80 to C1 or F5 to FF is a one-byte
// CH_OTHER. ED is not treated apart, so encoded surrogates are characters.
// A sequence whose last byte would lie at or past end is CH_INCOMPLETE even
// when a byte before end is already out of range.
//
// The scanner reads every character of a document through this call, so its
// common case (one byte below 80, or any byte in single-byte mode, that does
// not begin a reference) is answered inline from the class table, and the
// rest goes to XmlNextCharFull, which gives the same answer for every input.
inline const char* XmlNextChar(int mode, const char* position, const char* end, int* cls);
const char* XmlNextCharFull(int mode, const char* position, const char* end, int* cls);

// The class of each byte read on its own: CH_REFERENCE marks "&", which
// begins a reference, and bytes from 80 up are CH_OTHER (in UTF-8 mode the
// lead bytes among them begin multi-byte sequences).
extern const unsigned char XmlByteClass[256];

inline const char* XmlNextChar(int mode, const char* position, const char* end, int* cls) {
    if (position != nullptr && end != nullptr && position < end) {
        const unsigned char b = static_cast<unsigned char>(*position);
        const unsigned char byteClass = XmlByteClass[b];
        if (byteClass != CH_REFERENCE && (b < 0x80 || mode != XML_ENC_UTF8)) {
            *cls = byteClass;
            return position + 1;
        }
    }
    return XmlNextCharFull(mode, position, end, cls);
}

// The first position from position on (end when there is none) whose byte
// is stop1, stop2 or stop3, or, when stopHigh, 80 or above. The scanner uses
// it to pass over the long stretches of a document where XmlNextChar would
// give the same decision for every byte (character data, quoted values). It
// reads eight bytes at a time, never at or past end.
inline const char* XmlSkipBytes(const char* position, const char* end, unsigned char stop1,
                                unsigned char stop2, unsigned char stop3, bool stopHigh) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7FULL;
    // The high bit of each byte that is zero, and nothing else: no carry
    // crosses from one byte into the next.
    auto zeroBytes = [](std::uint64_t v) { return ~(((v & kLows) + kLows) | v | kLows); };
    const std::uint64_t high = stopHigh ? ~kLows : 0;
    while (end - position >= 8) {
        std::uint64_t word;
        std::memcpy(&word, position, sizeof word);
        const std::uint64_t found = zeroBytes(word ^ (kOnes * stop1)) |
                                    zeroBytes(word ^ (kOnes * stop2)) |
                                    zeroBytes(word ^ (kOnes * stop3)) | (word & high);
        if (found != 0) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(found)
                                                                       : std::countl_zero(found);
            return position + bit / 8;
        }
        position += 8;
    }
    for (; position < end; ++position) {
        const unsigned char b = static_cast<unsigned char>(*position);
        if (b == stop1 || b == stop2 || b == stop3 || (stopHigh && b >= 0x80)) {
            break;
        }
    }
    return position;
}

// Decodes the reference at the "&" at position; with n = end - position:
//   - n <= 5 and no ";" after the "&" before end: CH_INCOMPLETE, position.
//   - "&#" is numeric ("&#x" or "&#X" hexadecimal). A ";" where the first digit
//     belongs: CH_INVALID, returning that ";". Otherwise digits are read up to
//     the ";" (hex letters only in the hex form). Before each further byte,
//     reading stops once the value is above 8481 or a byte that is no digit of
//     the form has been read (and consumed): a ";" there then gives CH_INVALID
//     at the ";" (or CH_REFERENCE after it for exactly 8482), any other byte
//     CH_INVALID at that byte. At the ";": 1 to 8482 gives CH_REFERENCE and
//     the position after it; 0, above 8482 or a bad digit CH_INVALID at the
//     ";". End before the ";" (or before the first digit): CH_INCOMPLETE,
//     position unchanged.
//   - otherwise named: "lt;", "gt;", "amp;", "quot;" give CH_REFERENCE and the
//     position after the ";"; anything else CH_INVALID and position + 1.
// Never reads at or past end. The value is not passed on.
const char* XmlCheckReference(const char* position, const char* end, int* cls);

// 1 when the byte at p is TAB, LF, CR or space, else 0 (also for null p).
// Reads that one byte without an end bound: use it inside complete tokens.
int XmlIsSpace(const char* p);

// 1 for CH_UNDERSCORE, CH_COLON and CH_OTHER (the classes that may begin an
// element name or a processing-instruction target), else 0.
int XmlIsNameStartClass(int cls);

// The index of the encoding table row whose name equals name exactly (case
// included); -1 when no row does; 0 (UTF-8) for a null name.
int XmlEncodingIndex(const char* name);

// The byte-order mark of table row index as a NUL-terminated string, so a
// mark ends at its first zero byte: EF BB BF for 0, FE FF for 2, FF FE for 3
// and 8, the empty string for every other row (7 included) and for an index
// outside 0 to 10. The result is constant and never null.
const char* XmlEncodingBom(int index);

// ISO-8859-1 to UTF-8. Reads src up to its NUL or until budget bytes have been
// read (budget <= 0 reads nothing): 80 to BF become C2 and the byte, C0 to FF
// become C3 and the byte minus 40, TAB LF CR and 20 to 7F are copied, the other
// control bytes are dropped. Writes a NUL after the output and returns its
// position. dst needs room for twice the bytes read plus one. A null src
// converts as the empty text; a null dst writes nothing and returns null.
// XmlLatin1ToUtf8 is the same with a budget of 2,000,000,000.
char* XmlLatin1ToUtf8N(const char* src, char* dst, int budget);
char* XmlLatin1ToUtf8(const char* src, char* dst);

// UTF-8 to ISO-8859-1. Reads src up to its NUL or until budget bytes have been
// consumed (budget <= 0 reads nothing), a step at a time:
//   00-7F                 the byte, 1 consumed
//   C2 80-BF / C3 80-BF   the second byte / the second byte plus 40, 2 consumed
//   CC xx                 a combining mark: composed into the last byte written
//                         by this call, if any (see XmlComposeLatin1); 2 consumed
//   other C2-DF, E0-EF, F0-F4 lead: nothing, 2, 3 or 4 consumed
//   80-C1, F5-FF          nothing, 1 consumed
// Every step that writes nothing or composes sets *lossy to 1. A sequence that
// begins within the budget is consumed whole, its continuation bytes being
// read even past the budget: src must be NUL-terminated. A NUL among the
// continuation bytes ends the conversion, the sequence writing nothing and
// setting lossy only when the NUL is not its second byte. lossy may be null
// and is never cleared. Writes a NUL after the output and returns its
// position; dst needs room for the bytes read plus one. A null src converts as
// the empty text; a null dst writes nothing and returns null.
// XmlUtf8ToLatin1 is the same with a budget of 2,000,000,000.
char* XmlUtf8ToLatin1N(const char* src, char* dst, int budget, int* lossy);
char* XmlUtf8ToLatin1(const char* src, char* dst, int* lossy);
// XmlUtf8ToLatin1N(copy, dst, length, lossy) for copy a NUL-terminated copy
// of the length bytes at src, without making the copy: nothing at or past
// src + length is read, and a sequence that length cuts ends the conversion as
// that terminator would. For the node factory, which converts text straight
// out of the input buffer. length <= 0 converts nothing.
char* XmlUtf8ToLatin1Span(const char* src, int length, char* dst, int* lossy);

// The ISO-8859-1 letter for base with a combining mark: column 1 grave,
// 2 acute, 3 circumflex, 4 tilde, 5 diaeresis, 6 ring above, 7 cedilla. Bases
// a e i o u n c y and their capitals compose where ISO-8859-1 has the letter;
// every other base, and a column outside 1 to 7, gives base unchanged.
unsigned char XmlComposeLatin1(int column, unsigned char base);

// String helpers. Bytes compare as unsigned.
// Length in bytes; 0 for null.
int XmlStrLen(const char* text);
// -1, 0 or 1 by the first differing byte; neither may be null.
int XmlStrCmp(const char* a, const char* b);
// Compares at most n bytes, stopping after a NUL: negative, zero or positive
// (zero for n <= 0); neither may be null.
int XmlStrNCmp(const char* a, const char* b, int n);
// Copies src with its NUL; returns dst.
char* XmlStrCpy(char* dst, const char* src);
// Writes exactly n bytes (none for n <= 0): src, then NULs; no NUL when src
// has n bytes or more. Returns dst.
char* XmlStrNCpy(char* dst, const char* src, int n);
