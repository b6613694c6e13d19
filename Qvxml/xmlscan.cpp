// Markup scanner: the token loop, the six recognisers, the XML declaration
// reader and the tag readers with their process-wide buffers. Turning tokens
// into nodes is the parser driver's business; decoding references is left to
// whoever reads text out of the tree.
#include "Qvxml/xmlscan.h"

#include "Qvxml/xmlchar.h"
#include "trace/trace.h"

#include <cstring>

namespace {

TraceModule s_trace = {"xml", nullptr};

char s_tagName[XML_NAME_BUFFER_SIZE];
char s_attributeName[XML_NAME_BUFFER_SIZE];
char s_attributeValue[XML_VALUE_BUFFER_SIZE];

const char* Token(int* kind, int value, const char* position) {
    *kind = value;
    return position;
}

bool IsNameCharClass(int cls) {
    return cls == CH_UNDERSCORE || cls == CH_COLON || cls == CH_DIGIT || cls == CH_OTHER;
}

// Reads the character after a "?", "]" or "/" that must be ">": the token
// ends after it.
const char* ExpectGt(int mode, const char* position, const char* end, int* kind, int accepted) {
    int cls = CH_INVALID;
    const char* next = XmlNextChar(mode, position, end, &cls);
    if (cls == CH_GT) {
        return Token(kind, accepted, next);
    }
    return Token(kind, cls == CH_INCOMPLETE ? XML_TOK_INCOMPLETE : XML_TOK_ERROR, position);
}

// The bytes of keyword must follow at position: XML_TOK_INCOMPLETE when end
// comes first, XML_TOK_ERROR at the first byte that differs, else the
// position after the keyword with *kind untouched.
const char* ExpectKeyword(const char* position, const char* end, const char* keyword, int* kind,
                          bool* matched) {
    *matched = false;
    for (const char* k = keyword; *k != '\0'; ++k, ++position) {
        if (position >= end) {
            return Token(kind, XML_TOK_INCOMPLETE, position);
        }
        if (*position != *k) {
            return Token(kind, XML_TOK_ERROR, position);
        }
    }
    *matched = true;
    return position;
}

// --- start tag state machine -------------------------------------------------

// Class groups, the rows of the start-tag table: "passed" are ! ? [ ] - . *
// and bad characters, which leave the state as it is.
enum {
    G_SPACE,
    G_EQUALS,
    G_NAME,
    G_APOS,
    G_QUOT,
    G_GT,
    G_SLASH,
    G_REFERENCE,
    G_LT,
    G_PASS
};

constexpr signed char kStartTagGroup[21] = {
    G_PASS,      // CH_INVALID
    G_PASS,      // CH_INCOMPLETE (handled before the table)
    G_REFERENCE, // CH_REFERENCE
    G_SPACE,     // CH_SPACE
    G_GT,        // CH_GT
    G_LT,        // CH_LT
    G_SLASH,     // CH_SLASH
    G_APOS,      // CH_APOS
    G_QUOT,      // CH_QUOT
    G_PASS,      // CH_EXCL
    G_PASS,      // CH_QUEST
    G_PASS,      // CH_LSQB
    G_PASS,      // CH_RSQB
    G_PASS,      // CH_MINUS
    G_EQUALS,    // CH_EQUALS
    G_NAME,      // CH_UNDERSCORE
    G_NAME,      // CH_COLON
    G_PASS,      // CH_PERIOD
    G_PASS,      // CH_STAR
    G_NAME,      // CH_DIGIT
    G_NAME,      // CH_OTHER
};

// States: S0 element name, S1 white space after it, S2 attribute name, S3
// white space after it, S4 after "=", S5 white space after "=", S6 in a '
// value, S7 in a " value, S8 after a closing quote. Cells hold the next state
// or an action.
enum {
    S0,
    S1,
    S2,
    S3,
    S4,
    S5,
    S6,
    S7,
    S8,
    ER,  // XML_TOK_ERROR
    END, // ">": the tag ends
    SLH, // "/": the next character must be ">"
    EQC, // "=" after an attribute name: S4, one more attribute
    KP   // the state stays
};

// clang-format off
constexpr signed char kStartTagTable[10][9] = {
    //              S0   S1   S2   S3   S4   S5   S6   S7   S8
    /* space  */ {  S1,  S1,  S3,  S3,  S5,  S5,  S6,  S7,  S8 },
    /* =      */ {  ER,  ER, EQC, EQC,  ER,  S5,  S6,  S7,  ER },
    /* name   */ {  S0,  S2,  S2,  ER,  ER,  ER,  S6,  S7,  S2 },
    /* '      */ {  ER,  ER,  ER,  ER,  S6,  S6,  S8,  S7,  ER },
    /* "      */ {  ER,  ER,  ER,  ER,  S7,  S7,  S6,  S8,  ER },
    /* >      */ { END, END,  ER,  ER,  ER,  ER,  S6,  S7, END },
    /* /      */ { SLH, SLH, SLH, SLH, SLH, SLH,  S6,  S7, SLH },
    /* &ref;  */ {  ER,  ER,  ER,  ER,  ER,  ER,  S6,  S7,  ER },
    /* <      */ {  ER,  ER,  ER,  ER,  ER,  ER,  ER,  ER,  ER },
    /* passed */ {  KP,  KP,  KP,  KP,  KP,  KP,  KP,  KP,  KP },
};
// clang-format on

// A byte that XmlNextChar reads on its own as a name character: below 80, or
// any byte outside UTF-8 mode, of a name class ("&" begins a reference).
bool IsPlainNameByte(int mode, unsigned char b) {
    return kStartTagGroup[XmlByteClass[b]] == G_NAME && (b < 0x80 || mode != XML_ENC_UTF8);
}

// --- declaration reader ------------------------------------------------------

struct DeclarationCursor {
    int mode;
    const char* position;
    const char* end;
};

int PeekClass(const DeclarationCursor& c, const char** next) {
    int cls = CH_INVALID;
    *next = XmlNextChar(c.mode, c.position, c.end, &cls);
    return cls;
}

bool Take(DeclarationCursor& c, int wanted) {
    const char* next = nullptr;
    if (PeekClass(c, &next) != wanted) {
        return false;
    }
    c.position = next;
    return true;
}

void SkipSpace(DeclarationCursor& c) {
    while (Take(c, CH_SPACE)) {
    }
}

bool TakeBytes(DeclarationCursor& c, const char* name) {
    const std::size_t length = std::strlen(name);
    if (c.end - c.position < static_cast<std::ptrdiff_t>(length) ||
        std::memcmp(c.position, name, length) != 0) {
        return false;
    }
    c.position += length;
    return true;
}

// Eq and a quoted value: the first byte of each character goes into value
// (1024 bytes), cut at 1023.
bool ReadPseudoAttributeValue(DeclarationCursor& c, char* value) {
    SkipSpace(c);
    if (!Take(c, CH_EQUALS)) {
        return false;
    }
    SkipSpace(c);
    const char* next = nullptr;
    const int quote = PeekClass(c, &next);
    if (quote != CH_APOS && quote != CH_QUOT) {
        return false;
    }
    c.position = next;
    int length = 0;
    for (;;) {
        const int cls = PeekClass(c, &next);
        if (cls == quote) {
            break;
        }
        if (cls == CH_INVALID || cls == CH_INCOMPLETE) {
            return false;
        }
        if (length < XML_DECL_VALUE_SIZE - 1) {
            value[length++] = *c.position;
        }
        c.position = next;
    }
    value[length] = '\0';
    c.position = next;
    return true;
}

// --- tag readers -------------------------------------------------------------

bool EndsTagName(unsigned char b) {
    return b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '/' || b == '=' || b == '>' ||
           b == '?';
}

bool EndsAttributeName(unsigned char b) {
    return b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '=' || b == '>' || b == '/';
}

bool EndsUnquotedValue(unsigned char b) {
    return b == ' ' || b == '\t' || b == '\n' || b == '\r' || b == '>' || b == '/';
}

// Inside character data every byte but "<", "&" and, in UTF-8 mode, a byte
// from 80 up would only go on with the text; so would a well-formed UTF-8
// sequence of two bytes (the accented letters of ISO-8859-1). Returns the
// first position that needs XmlNextChar.
const char* SkipPlainText(int mode, const char* p, const char* end) {
    const bool utf8 = mode == XML_ENC_UTF8;
    for (;;) {
        p = XmlSkipBytes(p, end, '<', '&', '<', utf8);
        if (!utf8 || end - p < 2) {
            return p;
        }
        const unsigned char lead = static_cast<unsigned char>(p[0]);
        const unsigned char second = static_cast<unsigned char>(p[1]);
        if (lead < 0xC2 || lead > 0xDF || second < 0x80 || second > 0xBF) {
            return p;
        }
        p += 2;
    }
}

const char* SkipSpaceBefore(const char* p, const char* limit) {
    while (p < limit && XmlByteClass[static_cast<unsigned char>(*p)] == CH_SPACE) {
        ++p;
    }
    return p;
}

} // namespace

const char* XmlNextToken(int mode, const char* position, const char* end, int* kind) {
    if (position == nullptr || end == nullptr || position >= end) {
        return Token(kind, XML_TOK_SPACE, position);
    }
    bool textSeen = false;
    const char* p = position;
    for (;;) {
        int cls = CH_INVALID;
        const char* next = XmlNextChar(mode, p, end, &cls);
        switch (cls) {
        case CH_INVALID:
            return Token(kind, XML_TOK_ERROR, p);
        case CH_INCOMPLETE:
            // Character data that reaches the end is complete; a character or
            // reference that the end cuts makes the whole run wait.
            if (textSeen && p >= end) {
                return Token(kind, XML_TOK_TEXT, end);
            }
            return Token(kind, XML_TOK_INCOMPLETE, p);
        case CH_SPACE:
            if (!textSeen) {
                while (cls == CH_SPACE) {
                    p = next;
                    next = XmlNextChar(mode, p, end, &cls);
                }
                return Token(kind, XML_TOK_SPACE, p);
            }
            break;
        case CH_LT:
            if (textSeen) {
                return Token(kind, XML_TOK_TEXT, p);
            }
            if (next >= end) {
                return Token(kind, XML_TOK_INCOMPLETE, p);
            }
            return XmlCheckTokenMarkup(mode, next, end, kind);
        default:
            // Inside character data every byte but "<", "&" and, in UTF-8
            // mode, a byte from 80 up would only go on with the text.
            textSeen = true;
            next = SkipPlainText(mode, next, end);
            break;
        }
        p = next;
    }
}

const char* XmlCheckTokenMarkup(int mode, const char* position, const char* end, int* kind) {
    int cls = CH_INVALID;
    const char* next = XmlNextChar(mode, position, end, &cls);
    if (cls == CH_INCOMPLETE) {
        return Token(kind, XML_TOK_INCOMPLETE, position);
    }
    if (cls == CH_SLASH) {
        return XmlCheckTokenEndTag(mode, next, end, kind);
    }
    if (XmlIsNameStartClass(cls)) {
        return XmlCheckTokenStartTag(mode, next, end, kind);
    }
    if (cls == CH_QUEST) {
        return XmlCheckTokenPI(mode, next, end, kind);
    }
    if (cls != CH_EXCL) {
        return Token(kind, XML_TOK_ERROR, position);
    }
    const char* after = XmlNextChar(mode, next, end, &cls);
    switch (cls) {
    case CH_INCOMPLETE:
        return Token(kind, XML_TOK_INCOMPLETE, position);
    case CH_LSQB:
        return XmlCheckTokenCData(mode, after, end, kind);
    case CH_MINUS:
        return XmlCheckTokenComment(mode, after, end, kind);
    default:
        if (cls == CH_OTHER && *next == 'D') {
            return XmlCheckTokenDocType(mode, after, end, kind);
        }
        return Token(kind, XML_TOK_ERROR, position);
    }
}

const char* XmlCheckTokenStartTag(int mode, const char* position, const char* end, int* kind) {
    int state = S0;
    int attributes = 0;
    const char* p = position;
    for (;;) {
        int cls = CH_INVALID;
        const char* next = XmlNextChar(mode, p, end, &cls);
        if (cls == CH_INCOMPLETE) {
            return Token(kind, XML_TOK_INCOMPLETE, p);
        }
        if (next == p) {
            ++next; // a malformed UTF-8 sequence: step over its lead byte
        }
        switch (const int cell = kStartTagTable[kStartTagGroup[cls]][state]) {
        case ER:
            return Token(kind, XML_TOK_ERROR, p);
        case END:
            return Token(kind, attributes > 0 ? XML_TOK_START_TAG_ATTRS : XML_TOK_START_TAG, next);
        case SLH:
            return ExpectGt(mode, next, end, kind,
                            attributes > 0 ? XML_TOK_EMPTY_TAG_ATTRS : XML_TOK_EMPTY_TAG);
        case EQC:
            ++attributes;
            state = S4;
            break;
        case KP:
            break;
        default:
            state = cell;
            break;
        }
        if (state == S0 || state == S2) {
            // In a name, name characters only go on with it.
            while (next < end && IsPlainNameByte(mode, static_cast<unsigned char>(*next))) {
                ++next;
            }
        } else if (state == S6 || state == S7) {
            // Inside a quoted value only its own quote, "<", "&" and, in UTF-8
            // mode, a byte from 80 up can change anything.
            next =
                XmlSkipBytes(next, end, state == S6 ? '\'' : '"', '<', '&', mode == XML_ENC_UTF8);
        }
        p = next;
    }
}

const char* XmlCheckTokenEndTag(int mode, const char* position, const char* end, int* kind) {
    int cls = CH_INVALID;
    const char* p = XmlNextChar(mode, position, end, &cls);
    if (cls == CH_INCOMPLETE) {
        return Token(kind, XML_TOK_INCOMPLETE, position);
    }
    if (!XmlIsNameStartClass(cls)) {
        return Token(kind, XML_TOK_ERROR, position);
    }
    int spaces = 0;
    for (;;) {
        const char* next = XmlNextChar(mode, p, end, &cls);
        if (cls == CH_INCOMPLETE) {
            return Token(kind, XML_TOK_INCOMPLETE, p);
        }
        if (cls == CH_GT) {
            return Token(kind, XML_TOK_END_TAG, next);
        }
        if (cls == CH_SPACE) {
            ++spaces;
        } else if (cls == CH_EQUALS) {
            // accepted anywhere
        } else if (IsNameCharClass(cls) || cls == CH_MINUS || cls == CH_PERIOD) {
            if (spaces > 0) {
                return Token(kind, XML_TOK_ERROR, p);
            }
        } else {
            return Token(kind, XML_TOK_ERROR, p);
        }
        p = next;
    }
}

const char* XmlCheckTokenComment(int mode, const char* position, const char* end, int* kind) {
    int cls = CH_INVALID;
    const char* p = XmlNextChar(mode, position, end, &cls);
    if (cls == CH_INCOMPLETE) {
        return Token(kind, XML_TOK_INCOMPLETE, position);
    }
    if (cls != CH_MINUS) {
        return Token(kind, XML_TOK_ERROR, position);
    }
    int dashes = 0;
    for (;;) {
        const char* next = XmlNextChar(mode, p, end, &cls);
        if (cls == CH_INCOMPLETE) {
            return Token(kind, XML_TOK_INCOMPLETE, p);
        }
        if (next == p) {
            ++next;
        }
        if (cls == CH_MINUS) {
            if (++dashes > 2) {
                return Token(kind, XML_TOK_ERROR, p);
            }
        } else if (cls == CH_GT) {
            if (dashes == 2) {
                return Token(kind, XML_TOK_COMMENT, next);
            }
        } else if (dashes == 2) {
            return Token(kind, XML_TOK_ERROR, p);
        } else {
            dashes = 0;
        }
        p = next;
    }
}

const char* XmlCheckTokenCData(int mode, const char* position, const char* end, int* kind) {
    bool matched = false;
    const char* p = ExpectKeyword(position, end, "CDATA", kind, &matched);
    if (!matched) {
        return p;
    }
    int cls = CH_INVALID;
    const char* next = XmlNextChar(mode, p, end, &cls);
    if (cls != CH_LSQB) {
        return Token(kind, cls == CH_INCOMPLETE ? XML_TOK_INCOMPLETE : XML_TOK_ERROR, p);
    }
    p = next;
    int brackets = 0;
    for (;;) {
        next = XmlNextChar(mode, p, end, &cls);
        if (cls == CH_INCOMPLETE) {
            return Token(kind, XML_TOK_INCOMPLETE, p);
        }
        if (cls == CH_RSQB) {
            ++brackets;
        } else if (cls == CH_GT) {
            if (brackets >= 2) {
                return Token(kind, XML_TOK_CDATA, next);
            }
        } else {
            if (cls == CH_INVALID) {
                TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlCheckTokenCData CH_INVALID");
            }
            brackets = 0;
        }
        if (next == p) {
            TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlCheckTokenCData saltando caracter");
            ++next;
        }
        p = next;
    }
}

const char* XmlCheckTokenDocType(int mode, const char* position, const char* end, int* kind) {
    bool matched = false;
    const char* p = ExpectKeyword(position, end, "OCTYPE", kind, &matched);
    if (!matched) {
        return p;
    }
    bool internalSubset = false;
    for (;;) {
        int cls = CH_INVALID;
        const char* next = XmlNextChar(mode, p, end, &cls);
        if (cls == CH_INCOMPLETE) {
            return Token(kind, XML_TOK_INCOMPLETE, p);
        }
        if (next == p) {
            ++next;
        }
        if (cls == CH_LSQB) {
            internalSubset = true;
        } else if (cls == CH_GT && !internalSubset) {
            return Token(kind, XML_TOK_DOCTYPE, next);
        } else if (cls == CH_RSQB) {
            if (!internalSubset) {
                return Token(kind, XML_TOK_ERROR, p);
            }
            return ExpectGt(mode, next, end, kind, XML_TOK_DOCTYPE);
        }
        p = next;
    }
}

const char* XmlCheckTokenPI(int mode, const char* position, const char* end, int* kind) {
    int cls = CH_INVALID;
    const char* p = XmlNextChar(mode, position, end, &cls);
    if (cls == CH_INCOMPLETE) {
        return Token(kind, XML_TOK_INCOMPLETE, position);
    }
    if (!XmlIsNameStartClass(cls)) {
        return Token(kind, XML_TOK_ERROR, position);
    }
    for (;;) {
        const char* next = XmlNextChar(mode, p, end, &cls);
        if (cls == CH_INCOMPLETE) {
            return Token(kind, XML_TOK_INCOMPLETE, p);
        }
        if (next == p) {
            ++next;
        }
        if (cls == CH_QUEST) {
            return ExpectGt(mode, next, end, kind, XML_TOK_PI);
        }
        if (cls == CH_GT) {
            return Token(kind, XML_TOK_ERROR, p);
        }
        p = next;
    }
}

int XmlParseDeclaration(int mode, const char* position, const char* end, char* version,
                        int* encoding, int* standalone) {
    if (encoding != nullptr) {
        *encoding = 0;
    }
    if (standalone != nullptr) {
        *standalone = 0;
    }
    if (position == nullptr || end == nullptr || position >= end) {
        return -1;
    }
    DeclarationCursor c = {mode, position, end};
    char value[XML_DECL_VALUE_SIZE];

    if (!Take(c, CH_SPACE)) {
        return -1;
    }
    SkipSpace(c);
    if (!TakeBytes(c, "version") || !ReadPseudoAttributeValue(c, value)) {
        return -1;
    }
    if (version != nullptr) {
        std::memcpy(version, value, std::strlen(value) + 1);
    }
    SkipSpace(c);
    if (TakeBytes(c, "encoding")) {
        if (!ReadPseudoAttributeValue(c, value)) {
            return -1;
        }
        if (encoding != nullptr) {
            *encoding = XmlEncodingIndex(value);
        }
        SkipSpace(c);
    }
    if (TakeBytes(c, "standalone")) {
        if (!ReadPseudoAttributeValue(c, value)) {
            return -1;
        }
        int flag = 0;
        if (XmlStrCmp(value, "yes") == 0) {
            flag = 1;
        } else if (XmlStrCmp(value, "no") != 0) {
            return -1;
        }
        if (standalone != nullptr) {
            *standalone = flag;
        }
        SkipSpace(c);
    }
    return Take(c, CH_QUEST) && Take(c, CH_GT) ? 0 : -1;
}

const char* XmlReadTagName(const char* position, const char** after) {
    int length = 0;
    const char* p = position;
    while (p != nullptr && !EndsTagName(static_cast<unsigned char>(*p))) {
        if (length < XML_NAME_BUFFER_SIZE - 1) {
            s_tagName[length++] = *p;
        }
        ++p;
    }
    s_tagName[length] = '\0';
    if (after != nullptr) {
        *after = p;
    }
    return s_tagName;
}

const char* XmlReadAttribute(const char* position, const char* tagEnd, const char** name,
                             const char** value) {
    s_attributeName[0] = '\0';
    s_attributeValue[0] = '\0';
    if (name != nullptr) {
        *name = s_attributeName;
    }
    if (value != nullptr) {
        *value = s_attributeValue;
    }
    if (position == nullptr || tagEnd == nullptr || position >= tagEnd) {
        return tagEnd;
    }
    const char* p = SkipSpaceBefore(position, tagEnd);
    int length = 0;
    for (; p < tagEnd && !EndsAttributeName(static_cast<unsigned char>(*p)); ++p) {
        if (length < XML_NAME_BUFFER_SIZE - 1) {
            s_attributeName[length++] = *p;
        }
    }
    s_attributeName[length] = '\0';

    p = SkipSpaceBefore(p, tagEnd);
    if (p < tagEnd && *p == '=') {
        ++p;
    }
    p = SkipSpaceBefore(p, tagEnd);

    char quote = '\0';
    if (p < tagEnd && (*p == '\'' || *p == '"')) {
        quote = *p++;
    }
    length = 0;
    if (quote != '\0') {
        const void* close = std::memchr(p, quote, static_cast<std::size_t>(tagEnd - p));
        const char* stop = close != nullptr ? static_cast<const char*>(close) : tagEnd;
        length = stop - p < XML_VALUE_BUFFER_SIZE - 1 ? static_cast<int>(stop - p)
                                                      : XML_VALUE_BUFFER_SIZE - 1;
        std::memcpy(s_attributeValue, p, static_cast<std::size_t>(length));
        p = stop;
    }
    for (; quote == '\0' && p < tagEnd && !EndsUnquotedValue(static_cast<unsigned char>(*p)); ++p) {
        if (length < XML_VALUE_BUFFER_SIZE - 1) {
            s_attributeValue[length++] = *p;
        }
    }
    s_attributeValue[length] = '\0';
    if (quote != '\0' && p < tagEnd) {
        ++p;
    }
    p = SkipSpaceBefore(p, tagEnd);
    if (p >= tagEnd || *p == '/' || *p == '>') {
        return tagEnd;
    }
    return p;
}
