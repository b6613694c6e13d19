// Character input of the XML library: the byte class table, the UTF-8 and
// reference checks, the encoding table, the ISO-8859-1 / UTF-8 conversions
// with their composition table, and the string helpers. Only constant tables
// and the arguments are used, so every operation may run on any thread.
#include "Qvxml/xmlchar.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// Short names for the class table below. AMP marks the byte that begins a
// reference; XmlNextChar hands it to XmlCheckReference.
constexpr unsigned char OT = CH_OTHER, SP = CH_SPACE, GT = CH_GT, LT = CH_LT, SL = CH_SLASH,
                        AP = CH_APOS, QU = CH_QUOT, EX = CH_EXCL, QM = CH_QUEST, LB = CH_LSQB,
                        RB = CH_RSQB, MI = CH_MINUS, EQ = CH_EQUALS, US = CH_UNDERSCORE,
                        CO = CH_COLON, PE = CH_PERIOD, ST = CH_STAR, DI = CH_DIGIT,
                        AMP = CH_REFERENCE;

} // namespace

// Class of each byte read on its own. Bytes from 80 up are CH_OTHER here; in
// UTF-8 mode the lead bytes among them are looked up in kUtf8Leads first.
extern const unsigned char XmlByteClass[256] = {
    // 00 .. 0F: controls; TAB LF CR are white space
    OT, OT, OT, OT, OT, OT, OT, OT, OT, SP, SP, OT, OT, SP, OT, OT,
    // 10 .. 1F: controls
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT,
    // 20 .. 2F:  sp !  "  #  $  %  &  '  (  )  *  +  ,  -  .  /
    SP, EX, QU, OT, OT, OT, AMP, AP, OT, OT, ST, OT, OT, MI, PE, SL,
    // 30 .. 3F:  0 .. 9  :  ;  <  =  >  ?
    DI, DI, DI, DI, DI, DI, DI, DI, DI, DI, CO, OT, LT, EQ, GT, QM,
    // 40 .. 4F:  @ A .. O
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT,
    // 50 .. 5F:  P .. Z  [  \  ]  ^  _
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, LB, OT, RB, OT, US,
    // 60 .. 6F:  ` a .. o
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT,
    // 70 .. 7F:  p .. z  {  |  }  ~  DEL
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT,
    // 80 .. FF
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // 80
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // 90
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // A0
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // B0
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // C0
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // D0
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // E0
    OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, OT, // F0
};

namespace {

// The lead bytes that begin a multi-byte UTF-8 sequence, with the sequence's
// length and the range of its second byte; later bytes are 80 to BF.
struct Utf8Lead {
    unsigned char first, last;
    int length;
    unsigned char secondLow, secondHigh;
};

constexpr Utf8Lead kUtf8Leads[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEF, 3, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x90, 0xBF}, {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

const Utf8Lead* FindUtf8Lead(unsigned char b) {
    for (const Utf8Lead& lead : kUtf8Leads) {
        if (b >= lead.first && b <= lead.last) {
            return &lead;
        }
    }
    return nullptr;
}

bool InRange(unsigned char b, unsigned char low, unsigned char high) {
    return b >= low && b <= high;
}

const char* Result(int* cls, int value, const char* position) {
    *cls = value;
    return position;
}

// The numeric form, from the byte after "&#". The value can never pass
// 8481 * 16 + 15 because reading stops before the byte after that.
const char* CheckNumericReference(const char* amp, const char* end, int* cls) {
    const char* p = amp + 2;
    if (p >= end) {
        return Result(cls, CH_INCOMPLETE, amp);
    }
    const bool hex = (*p == 'x' || *p == 'X');
    if (hex) {
        ++p;
        if (p >= end) {
            return Result(cls, CH_INCOMPLETE, amp);
        }
    }
    if (*p == ';') {
        return Result(cls, CH_INVALID, p);
    }
    int value = 0;
    bool bad = false;
    for (;; ++p) {
        if (p >= end) {
            return Result(cls, CH_INCOMPLETE, amp);
        }
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == ';') {
            if (!bad && value >= 1 && value <= 8482) {
                return Result(cls, CH_REFERENCE, p + 1);
            }
            return Result(cls, CH_INVALID, p);
        }
        if (bad || value > 8481) {
            return Result(cls, CH_INVALID, p);
        }
        if (c >= '0' && c <= '9') {
            value = value * (hex ? 16 : 10) + (c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            value = value * 16 + (c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            value = value * 16 + (c - 'A' + 10);
        } else {
            bad = true; // consumed: the next byte decides where the reading stops
        }
    }
}

// True when the bytes after the "&" start with name (which ends in ";").
bool NamedReferenceIs(const char* afterAmp, const char* end, const char* name) {
    const std::size_t length = std::strlen(name);
    return end - afterAmp >= static_cast<std::ptrdiff_t>(length) &&
           std::memcmp(afterAmp, name, length) == 0;
}

// Combining marks (the byte after CC) and the composition column each
// selects. Columns above 7 are marks that ISO-8859-1 never carries.
struct CombiningMark {
    unsigned char secondByte;
    int column;
};

constexpr CombiningMark kCombiningMarks[] = {
    {0x80, 1}, {0x81, 2}, {0x82, 3}, {0x83, 4},  {0x88, 5},  {0x8A, 6},
    {0xA7, 7}, {0x84, 8}, {0x86, 9}, {0x87, 10}, {0x89, 11}, {0x8C, 12},
};

int CombiningColumn(unsigned char secondByte) {
    for (const CombiningMark& mark : kCombiningMarks) {
        if (mark.secondByte == secondByte) {
            return mark.column;
        }
    }
    return 0;
}

// Base letter, then the letter with: grave, acute, circumflex, tilde,
// diaeresis, ring above, cedilla. Where ISO-8859-1 has no such letter the
// cell repeats the base.
constexpr unsigned char kCompose[16][8] = {
    {'a', 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 'a'}, {'e', 0xE8, 0xE9, 0xEA, 'e', 0xEB, 'e', 'e'},
    {'i', 0xEC, 0xED, 0xEE, 'i', 0xEF, 'i', 'i'},   {'o', 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 'o', 'o'},
    {'u', 0xF9, 0xFA, 0xFB, 'u', 0xFC, 'u', 'u'},   {'n', 'n', 'n', 'n', 0xF1, 'n', 'n', 'n'},
    {'c', 'c', 'c', 'c', 'c', 'c', 'c', 0xE7},      {'y', 'y', 0xFD, 'y', 'y', 0xFF, 'y', 'y'},
    {'A', 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 'A'}, {'E', 0xC8, 0xC9, 0xCA, 'E', 0xCB, 'E', 'E'},
    {'I', 0xCC, 0xCD, 0xCE, 'I', 0xCF, 'I', 'I'},   {'O', 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 'O', 'O'},
    {'U', 0xD9, 0xDA, 0xDB, 'U', 0xDC, 'U', 'U'},   {'N', 'N', 'N', 'N', 0xD1, 'N', 'N', 'N'},
    {'C', 'C', 'C', 'C', 'C', 'C', 'C', 0xC7},      {'Y', 'Y', 0xDD, 'Y', 'Y', 'Y', 'Y', 'Y'},
};

struct Encoding {
    const char* name;
    const char* bom; // as handed out: up to the first zero byte of the stored mark
};

constexpr Encoding kEncodings[XML_ENC_COUNT] = {
    {"UTF-8", "\xEF\xBB\xBF"},
    {"UTF-16", ""},
    {"UTF-16BE", "\xFE\xFF"},
    {"UTF-16LE", "\xFF\xFE"},
    {"ISO-8859-1", ""},
    {"US-ASCII", ""},
    {"UCS-4", ""},
    {"UCS-4BE", ""},
    {"UCS-4LE", "\xFF\xFE"},
    {"ISO-10646-UCS-2", ""},
    {"ISO-10646-UCS-4", ""},
};

constexpr int kUnboundedBudget = 2000000000;

// Copies the bytes from 01 to 7F at the start of the n bytes at s to out and
// returns how many. Works eight bytes at a time: a word is stored whole before
// its run is measured, which stays inside out since out never runs ahead of
// the input (out has room for n bytes).
int CopyAsciiRun(const unsigned char* s, int n, char* out) {
    constexpr std::uint64_t kLows = 0x7F7F7F7F7F7F7F7FULL;
    int copied = 0;
    while (n - copied >= 8) {
        std::uint64_t word;
        std::memcpy(&word, s + copied, sizeof word);
        std::memcpy(out + copied, &word, sizeof word);
        // The high bit of each byte that is zero or from 80 up.
        const std::uint64_t stops = ~(((word & kLows) + kLows) | kLows) | (word & ~kLows);
        if (stops != 0) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(stops)
                                                                       : std::countl_zero(stops);
            return copied + bit / 8;
        }
        copied += 8;
    }
    while (copied < n && s[copied] != 0 && s[copied] < 0x80) {
        out[copied] = static_cast<char>(s[copied]);
        ++copied;
    }
    return copied;
}

} // namespace

const char* XmlNextCharFull(int mode, const char* position, const char* end, int* cls) {
    if (position == nullptr || end == nullptr || position >= end) {
        return Result(cls, CH_INCOMPLETE, position);
    }
    const unsigned char b = static_cast<unsigned char>(*position);
    const int byteClass = XmlByteClass[b];
    if (byteClass == CH_REFERENCE) {
        return XmlCheckReference(position, end, cls);
    }
    if (mode != XML_ENC_UTF8 || b < 0x80) {
        return Result(cls, byteClass, position + 1);
    }
    const Utf8Lead* lead = FindUtf8Lead(b);
    if (lead == nullptr) {
        return Result(cls, CH_OTHER, position + 1);
    }
    if (end - position < lead->length) {
        return Result(cls, CH_INCOMPLETE, position);
    }
    if (!InRange(static_cast<unsigned char>(position[1]), lead->secondLow, lead->secondHigh)) {
        return Result(cls, CH_INVALID, position);
    }
    for (int k = 2; k < lead->length; ++k) {
        if (!InRange(static_cast<unsigned char>(position[k]), 0x80, 0xBF)) {
            return Result(cls, CH_INVALID, position);
        }
    }
    return Result(cls, CH_OTHER, position + lead->length);
}

const char* XmlCheckReference(const char* position, const char* end, int* cls) {
    if (position == nullptr || end == nullptr || position >= end) {
        return Result(cls, CH_INCOMPLETE, position);
    }
    const std::ptrdiff_t n = end - position;
    // A short tail without a ";" may still become a reference.
    if (n <= 5 && std::memchr(position + 1, ';', static_cast<std::size_t>(n - 1)) == nullptr) {
        return Result(cls, CH_INCOMPLETE, position);
    }
    const char* name = position + 1;
    if (*name == '#') {
        return CheckNumericReference(position, end, cls);
    }
    if (NamedReferenceIs(name, end, "lt;") || NamedReferenceIs(name, end, "gt;")) {
        return Result(cls, CH_REFERENCE, name + 3);
    }
    if (n >= 5 && NamedReferenceIs(name, end, "amp;")) {
        return Result(cls, CH_REFERENCE, name + 4);
    }
    if (n >= 6 && NamedReferenceIs(name, end, "quot;")) {
        return Result(cls, CH_REFERENCE, name + 5);
    }
    return Result(cls, CH_INVALID, name);
}

int XmlIsSpace(const char* p) {
    return p != nullptr && XmlByteClass[static_cast<unsigned char>(*p)] == CH_SPACE ? 1 : 0;
}

int XmlIsNameStartClass(int cls) {
    return cls == CH_UNDERSCORE || cls == CH_COLON || cls == CH_OTHER ? 1 : 0;
}

int XmlEncodingIndex(const char* name) {
    if (name == nullptr) {
        return XML_ENC_UTF8;
    }
    for (int i = 0; i < XML_ENC_COUNT; ++i) {
        if (XmlStrCmp(name, kEncodings[i].name) == 0) {
            return i;
        }
    }
    return XML_ENC_UNKNOWN;
}

const char* XmlEncodingBom(int index) {
    if (index < 0 || index >= XML_ENC_COUNT) {
        return "";
    }
    return kEncodings[index].bom;
}

char* XmlLatin1ToUtf8N(const char* src, char* dst, int budget) {
    if (dst == nullptr) {
        return nullptr;
    }
    char* out = dst;
    for (int i = 0; src != nullptr && i < budget && src[i] != '\0'; ++i) {
        const unsigned char b = static_cast<unsigned char>(src[i]);
        if (b >= 0xC0) {
            *out++ = static_cast<char>(0xC3);
            *out++ = static_cast<char>(b - 0x40);
        } else if (b >= 0x80) {
            *out++ = static_cast<char>(0xC2);
            *out++ = static_cast<char>(b);
        } else if (b >= 0x20 || XmlByteClass[b] == CH_SPACE) {
            *out++ = static_cast<char>(b);
        }
    }
    *out = '\0';
    return out;
}

char* XmlLatin1ToUtf8(const char* src, char* dst) {
    return XmlLatin1ToUtf8N(src, dst, kUnboundedBudget);
}

namespace {

// How many bytes the conversion to ISO-8859-1 consumes for a lead byte of 80
// or above: a lead byte's whole sequence, a stray byte alone.
int SequenceLength(unsigned char lead) {
    return InRange(lead, 0xC2, 0xDF)   ? 2
           : InRange(lead, 0xE0, 0xEF) ? 3
           : InRange(lead, 0xF0, 0xF4) ? 4
                                       : 1;
}

// A whole two-byte UTF-8 sequence: the ISO-8859-1 letter it stands for is
// written at out, or a combining mark is composed into the letter before it
// (never before dst). True when a letter was written; a mark, composed or
// not, and every other pair count as lost.
bool ConvertPair(unsigned char lead, unsigned char second, char* dst, char*& out) {
    if ((lead == 0xC2 || lead == 0xC3) && InRange(second, 0x80, 0xBF)) {
        *out++ = static_cast<char>(lead == 0xC2 ? second : second + 0x40);
        return true;
    }
    if (lead == 0xCC && out > dst) {
        const int column = CombiningColumn(second);
        if (column != 0) {
            out[-1] =
                static_cast<char>(XmlComposeLatin1(column, static_cast<unsigned char>(out[-1])));
        }
    }
    return false;
}

} // namespace

char* XmlUtf8ToLatin1N(const char* src, char* dst, int budget, int* lossy) {
    if (dst == nullptr) {
        return nullptr;
    }
    char* out = dst;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    int i = 0;
    while (s != nullptr && i < budget && s[i] != 0) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            *out++ = static_cast<char>(b);
            ++i;
            continue;
        }
        const int length = SequenceLength(b);
        for (int k = 1; k < length; ++k) {
            if (s[i + k] == 0) {
                if (k > 1 && lossy != nullptr) {
                    *lossy = 1;
                }
                *out = '\0';
                return out;
            }
        }
        const bool kept = length == 2 && ConvertPair(b, s[i + 1], dst, out);
        if (!kept && lossy != nullptr) {
            *lossy = 1;
        }
        i += length;
    }
    *out = '\0';
    return out;
}

char* XmlUtf8ToLatin1Span(const char* src, int length, char* dst, int* lossy) {
    if (dst == nullptr) {
        return nullptr;
    }
    char* out = dst;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(src);
    const int n = src != nullptr && length > 0 ? length : 0;
    int i = 0;
    while (i < n) {
        // Most text is ASCII: copy a run of it before looking at anything else.
        const int run = CopyAsciiRun(s + i, n - i, out);
        out += run;
        i += run;
        if (i >= n || s[i] == 0) {
            break;
        }
        const unsigned char b = s[i];
        // The letters of ISO-8859-1 themselves, the next commonest case.
        if ((b == 0xC2 || b == 0xC3) && i + 1 < n && InRange(s[i + 1], 0x80, 0xBF)) {
            *out++ = static_cast<char>(b == 0xC2 ? s[i + 1] : s[i + 1] + 0x40);
            i += 2;
            continue;
        }
        const int sequence = SequenceLength(b);
        // The terminator of the copy stands at n: a sequence reaching it, or a
        // NUL inside it, ends the conversion.
        for (int k = 1; k < sequence; ++k) {
            if (i + k >= n || s[i + k] == 0) {
                if (k > 1 && lossy != nullptr) {
                    *lossy = 1;
                }
                *out = '\0';
                return out;
            }
        }
        const bool kept = sequence == 2 && ConvertPair(b, s[i + 1], dst, out);
        if (!kept && lossy != nullptr) {
            *lossy = 1;
        }
        i += sequence;
    }
    *out = '\0';
    return out;
}

char* XmlUtf8ToLatin1(const char* src, char* dst, int* lossy) {
    return XmlUtf8ToLatin1N(src, dst, kUnboundedBudget, lossy);
}

unsigned char XmlComposeLatin1(int column, unsigned char base) {
    if (column < 1 || column > 7) {
        return base;
    }
    for (const auto& row : kCompose) {
        if (row[0] == base) {
            return row[column];
        }
    }
    return base;
}

int XmlStrLen(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    return static_cast<int>(std::strlen(text));
}

int XmlStrCmp(const char* a, const char* b) {
    const int c = std::strcmp(a, b); // strcmp compares as unsigned char
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int XmlStrNCmp(const char* a, const char* b, int n) {
    if (n <= 0) {
        return 0;
    }
    return std::strncmp(a, b, static_cast<std::size_t>(n));
}

char* XmlStrCpy(char* dst, const char* src) {
    return std::strcpy(dst, src);
}

char* XmlStrNCpy(char* dst, const char* src, int n) {
    if (n <= 0) {
        return dst;
    }
    return std::strncpy(dst, src, static_cast<std::size_t>(n));
}
