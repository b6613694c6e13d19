// Parser driver: the token loop over a document's input buffer, the node
// factories that turn tokens into nodes, the XML declaration, and the file
// reader (the text mode of Windows, emulated elsewhere). Cutting tokens is
// the scanner's job; reading the finished tree is the queries'.
#include "Qvxml/xmlparser.h"

#include "Qvxml/xmlchar.h"
#include "Qvxml/xmlscan.h"
#include "trace/trace.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

TraceModule s_trace = {"xml#xmlpar", nullptr};

// Bytes of input quoted after a rejected end tag's message.
constexpr int kQuotedInput = 15;

long AddressOf(const void* p) {
    return static_cast<long>(reinterpret_cast<std::intptr_t>(p));
}

// --- node factories ----------------------------------------------------------

// The factories below return the XML_PROBLEM_ code of a token they drop
// (setting the error flag), or XML_PROBLEM_NONE.

// Creates a node from the bytes between start + head and end - tail (none
// when the token is shorter) and attaches it at the cursor.
int AddNode(XmlDoc* doc, int kind, const char* name, const char* start, const char* end, int head,
            int tail, int* lossy) {
    const std::ptrdiff_t length = (end - start) - head - tail;
    XmlNode* node =
        XmlCreateNode(kind, name, start + head, length > 0 ? static_cast<int>(length) : 0,
                      doc->sourceEncoding, doc->targetEncoding, lossy);
    if (node == nullptr) {
        doc->error = 1;
        return XML_PROBLEM_NO_MEMORY;
    }
    XmlAttachNode(doc, node);
    return XML_PROBLEM_NONE;
}

int XmlAddElement(XmlDoc* doc, const char* start, const char* end, bool withAttributes, bool empty,
                  int* lossy) {
    if (doc->declarationSeen == 0) {
        doc->error = 1;
        return XML_PROBLEM_BEFORE_DECLARATION;
    }
    const char* position = nullptr;
    const char* name = XmlReadTagName(start + 1, &position);
    XmlNode* element = XmlCreateNode(XML_NODE_ELEMENT, name, nullptr, 0, doc->sourceEncoding,
                                     doc->targetEncoding, lossy);
    if (element == nullptr) {
        doc->error = 1;
        return XML_PROBLEM_NO_MEMORY;
    }
    XmlAttachNode(doc, element);
    if (!empty) {
        doc->current = element;
    }
    XmlNode* previous = nullptr;
    while (withAttributes && position < end) {
        const char* attributeName = nullptr;
        const char* value = nullptr;
        const char* next = XmlReadAttribute(position, end, &attributeName, &value);
        XmlNode* attribute =
            XmlCreateNode(XML_NODE_ATTRIBUTE, attributeName, value, XmlStrLen(value),
                          doc->sourceEncoding, doc->targetEncoding, lossy);
        if (attribute != nullptr) {
            if (previous == nullptr) {
                element->firstAttribute = attribute;
            } else {
                XmlInsertAfter(previous, attribute);
            }
            previous = attribute;
        }
        if (next <= position) {
            break; // a reader that did not move on would loop forever
        }
        position = next;
    }
    return XML_PROBLEM_NONE;
}

// Whether an element name stored in the tree is the name an end tag gives in
// the source encoding. The stored name went through the node factory's
// conversion, so the tag name goes through the same one before the bytes are
// compared; otherwise no element with a non-ASCII name could ever be closed.
bool IsStoredName(const XmlDoc* doc, const char* stored, const char* tagName) {
    static char converted[2 * XML_NAME_BUFFER_SIZE]; // one parse at a time, as the scanner's
    if (doc->sourceEncoding == XML_ENC_UTF8 && doc->targetEncoding == XML_ENC_LATIN1) {
        XmlUtf8ToLatin1(tagName, converted, nullptr);
        tagName = converted;
    } else if (doc->sourceEncoding == XML_ENC_LATIN1 && doc->targetEncoding == XML_ENC_UTF8) {
        XmlLatin1ToUtf8(tagName, converted);
        tagName = converted;
    }
    return stored != nullptr && XmlStrCmp(stored, tagName) == 0;
}

// inputEnd is the end of the pending input, from which the message quotes.
int XmlCloseElement(XmlDoc* doc, const char* start, const char* inputEnd) {
    const char* name = XmlReadTagName(start + 2, nullptr);
    XmlNode* current = doc->current;
    if (current != nullptr && IsStoredName(doc, current->name, name)) {
        doc->current = current->parent;
        return XML_PROBLEM_NONE;
    }
    char* text = doc->errorText;
    int length = 0;
    if (current != nullptr) {
        length = std::snprintf(text, XML_ERROR_TEXT_SIZE, "Error EndTagName(%s) invalido ", name);
    } else {
        length = std::snprintf(text, XML_ERROR_TEXT_SIZE, "%s", "Error EndTag:");
    }
    if (length < 0 || length > XML_ERROR_TEXT_SIZE - 1) {
        length = XML_ERROR_TEXT_SIZE - 1;
    }
    std::ptrdiff_t quoted = inputEnd - start;
    if (quoted > kQuotedInput) {
        quoted = kQuotedInput;
    }
    if (quoted > XML_ERROR_TEXT_SIZE - 1 - length) {
        quoted = XML_ERROR_TEXT_SIZE - 1 - length;
    }
    std::memcpy(text + length, start, static_cast<std::size_t>(quoted));
    text[length + quoted] = '\0';
    doc->error = 1;
    return current != nullptr ? XML_PROBLEM_END_TAG_MISMATCH : XML_PROBLEM_END_TAG_UNOPENED;
}

int XmlAddText(XmlDoc* doc, const char* start, const char* end) {
    if (doc->current == nullptr) {
        doc->error = 1;
        return XML_PROBLEM_TEXT_OUTSIDE;
    }
    return AddNode(doc, XML_NODE_TEXT, "#text", start, end, 0, 0, nullptr);
}

int XmlAddCData(XmlDoc* doc, const char* start, const char* end, int* lossy) {
    if (doc->current == nullptr) {
        doc->error = 1;
        return XML_PROBLEM_CDATA_OUTSIDE;
    }
    return AddNode(doc, XML_NODE_CDATA, "#cdata-section", start, end, 9, 3, lossy);
}

int XmlAddComment(XmlDoc* doc, const char* start, const char* end) {
    return AddNode(doc, XML_NODE_COMMENT, "#comment", start, end, 4, 3, nullptr);
}

int XmlAddDocType(XmlDoc* doc, const char* start, const char* end) {
    return AddNode(doc, XML_NODE_DOCTYPE, "#DocType", start, end, 10, 1, nullptr);
}

int XmlAddProcessingInstruction(XmlDoc* doc, const char* start, const char* end) {
    return AddNode(doc, XML_NODE_PI, "xml", start, end, 2, 2, nullptr);
}

// The first processing instruction: 0 when it is a valid XML declaration,
// whose fields it stores, else -1.
int XmlReadDeclaration(XmlDoc* doc, const char* start, const char* end) {
    if (end - start < 5 || std::memcmp(start, "<?xml", 5) != 0) {
        return -1;
    }
    char version[XML_DECL_VALUE_SIZE];
    int encoding = 0;
    int standalone = 0;
    if (XmlParseDeclaration(doc->sourceEncoding, start + 5, end, version, &encoding, &standalone) !=
        0) {
        return -1;
    }
    doc->declarationSeen = 1;
    XmlStrNCpy(doc->version, version, XML_VERSION_SIZE - 1);
    doc->version[XML_VERSION_SIZE - 1] = '\0';
    doc->sourceEncoding = encoding;
    doc->standalone = standalone;
    return 0;
}

// --- the report --------------------------------------------------------------

// Keeps a report's line and column in step with the input, lazily: the
// bytes are counted only when a place is asked for, each of them once.
struct Tracker {
    XmlParseReport* report; // null: nothing is kept
    const char* counted;    // the report's line and column are this byte's
};

// Moves the report's line and column on to the byte at `to`, counting in
// mode (the source encoding). A place before the last one counted is not
// gone back to.
void Advance(Tracker* t, const char* to, int mode) {
    const char* p = t->counted;
    if (t->report == nullptr || to <= p) {
        return;
    }
    XmlParseReport* r = t->report;
    for (const void* lf;
         (lf = std::memchr(p, '\n', static_cast<std::size_t>(to - p))) != nullptr;) {
        ++r->line;
        r->column = 1;
        p = static_cast<const char*>(lf) + 1;
    }
    if (mode != XML_ENC_UTF8) {
        r->column += static_cast<int>(to - p);
    } else {
        for (; p < to; ++p) {
            r->column += (static_cast<unsigned char>(*p) & 0xC0u) != 0x80u ? 1 : 0;
        }
    }
    t->counted = to;
}

// The input from at to the end of its line, cut as XmlProblem says.
void Excerpt(char* out, const char* at, const char* end, const XmlDoc* doc) {
    const char* stop = at;
    while (stop < end && stop - at < XML_EXCERPT_BYTES && *stop != '\n' && *stop != '\r' &&
           *stop != '\0') {
        ++stop;
    }
    if (doc->sourceEncoding == XML_ENC_UTF8 && stop < end &&
        (static_cast<unsigned char>(*stop) & 0xC0u) == 0x80u) {
        // The limit cut a sequence: leave all of it out.
        const char* lead = stop;
        while (lead > at && (static_cast<unsigned char>(lead[-1]) & 0xC0u) == 0x80u) {
            --lead;
        }
        if (lead > at && static_cast<unsigned char>(lead[-1]) >= 0xC0u) {
            stop = lead - 1;
        }
    }
    const int length = static_cast<int>(stop - at);
    if (doc->sourceEncoding == XML_ENC_UTF8 && doc->targetEncoding == XML_ENC_LATIN1) {
        XmlUtf8ToLatin1Span(at, length, out, nullptr);
        return;
    }
    char raw[XML_EXCERPT_BYTES + 1];
    std::memcpy(raw, at, static_cast<std::size_t>(length));
    raw[length] = '\0';
    if (doc->sourceEncoding == XML_ENC_LATIN1 && doc->targetEncoding == XML_ENC_UTF8) {
        XmlLatin1ToUtf8N(raw, out, length);
    } else {
        XmlStrCpy(out, raw);
    }
}

void Record(Tracker* t, const XmlDoc* doc, XmlProblem* into, int code, const char* at,
            const char* end) {
    Advance(t, at, doc->sourceEncoding);
    into->code = code;
    into->line = t->report->line;
    into->column = t->report->column;
    Excerpt(into->excerpt, at, end, doc);
}

// Notes a token that a factory dropped (code), from at to end.
void Dropped(Tracker* t, const XmlDoc* doc, int code, const char* at, const char* end) {
    XmlParseReport* r = t->report;
    if (r == nullptr || code == XML_PROBLEM_NONE) {
        return;
    }
    if (r->droppedCount < XML_REPORT_DROPPED) {
        Record(t, doc, &r->dropped[r->droppedCount], code, at, end);
    }
    if (r->droppedCount < INT_MAX) {
        ++r->droppedCount;
    }
}

// What a token the scanner rejected began as.
int MalformedKind(int mode, const char* start, const char* end) {
    if (*start != '<') {
        return XML_PROBLEM_BAD_TEXT;
    }
    const char second = start + 1 < end ? start[1] : '\0';
    const char third = start + 2 < end ? start[2] : '\0';
    switch (second) {
    case '/':
        return XML_PROBLEM_BAD_END_TAG;
    case '?':
        return XML_PROBLEM_BAD_PI;
    case '!':
        return third == '-'   ? XML_PROBLEM_BAD_COMMENT
               : third == '[' ? XML_PROBLEM_BAD_CDATA
               : third == 'D' ? XML_PROBLEM_BAD_DOCTYPE
                              : XML_PROBLEM_BAD_MARKUP;
    default:
        break;
    }
    int cls = CH_INVALID;
    XmlNextChar(mode, start + 1, end, &cls);
    return XmlIsNameStartClass(cls) ? XML_PROBLEM_BAD_TAG : XML_PROBLEM_BAD_MARKUP;
}

// Malformed input: the parse ends.
int Malformed(XmlDoc* doc) {
    doc->error = 1;
    return -2;
}

// --- text-mode file reading --------------------------------------------------

#ifdef _WIN32

// Windows reads in its own text mode: each CR LF pair arrives as LF and a 1A
// byte ends the input.
struct TextFile {
    int fd;
};

bool OpenTextFile(TextFile* in, const char* path) {
    in->fd = path != nullptr ? _open(path, _O_RDONLY | _O_TEXT) : -1;
    return in->fd >= 0;
}

void CloseTextFile(TextFile* in) {
    _close(in->fd);
    in->fd = -1;
}

// Reads up to size bytes into dst. Returns the number of bytes delivered, 0
// at the end of the input or on a read error.
int ReadTextFile(TextFile* in, char* dst, int size) {
    const int got = _read(in->fd, dst, static_cast<unsigned>(size));
    return got > 0 ? got : 0;
}

#else

// A file read as the platform's text mode would deliver it. The only place
// that touches the file, so a platform with a real text mode can read
// through it instead.
struct TextFile {
    std::FILE* file;
    bool heldCr; // a CR ended the last raw read; what follows decides what it is
    bool ended;  // end of file, a read error, or a 1A byte
};

// A folder is a file that cannot be opened, as on Windows: some systems open
// it and only fail the reads, which would read as an empty file.
bool OpenTextFile(TextFile* in, const char* path) {
    std::error_code error;
    const bool folder = path != nullptr && std::filesystem::is_directory(path, error);
    *in = {path != nullptr && !folder ? std::fopen(path, "rb") : nullptr, false, false};
    if (folder) {
        errno = EISDIR;
    }
    return in->file != nullptr;
}

void CloseTextFile(TextFile* in) {
    std::fclose(in->file);
    in->file = nullptr;
}

// Turns each CR LF pair among the count bytes at dst into LF, in place, and
// returns how many bytes remain. A CR that is the last byte is held back for
// the next read when more input may follow (moreMayFollow), else kept. Most
// files have no CR at all or one per line, so the bytes between CRs are found
// with memchr and moved as blocks.
int FoldLineEnds(TextFile* in, char* dst, int count, bool moreMayFollow) {
    const char* cr =
        static_cast<const char*>(std::memchr(dst, '\r', static_cast<std::size_t>(count)));
    if (cr == nullptr) {
        return count;
    }
    int read = static_cast<int>(cr - dst);
    int written = read;
    while (read < count) {
        // dst[read] is a CR
        if (read + 1 == count) {
            if (moreMayFollow) {
                in->heldCr = true;
            } else {
                dst[written++] = '\r';
            }
            break;
        }
        if (dst[read + 1] == '\n') {
            dst[written++] = '\n';
            read += 2;
        } else {
            dst[written++] = '\r';
            read += 1;
        }
        const void* next = std::memchr(dst + read, '\r', static_cast<std::size_t>(count - read));
        const int stop =
            next != nullptr ? static_cast<int>(static_cast<const char*>(next) - dst) : count;
        std::memmove(dst + written, dst + read, static_cast<std::size_t>(stop - read));
        written += stop - read;
        read = stop;
    }
    return written;
}

// Reads up to size (at least 2) bytes into dst with each CR LF pair turned
// into LF, a lone CR kept, and input ending at a 1A byte. Returns the number
// of bytes delivered, 0 at the end of the input.
int ReadTextFile(TextFile* in, char* dst, int size) {
    int delivered = 0;
    while (delivered == 0 && !in->ended) {
        int count = 0;
        if (in->heldCr) {
            dst[count++] = '\r';
            in->heldCr = false;
        }
        const std::size_t got =
            std::fread(dst + count, 1, static_cast<std::size_t>(size - count), in->file);
        if (got == 0) {
            in->ended = true;
            return count; // a held CR at the very end stays
        }
        count += static_cast<int>(got);
        // Bytes from a 1A on are never delivered.
        const void* marker = std::memchr(dst, '\x1A', static_cast<std::size_t>(count));
        if (marker != nullptr) {
            in->ended = true;
            count = static_cast<int>(static_cast<const char*>(marker) - dst);
        }
        delivered = FoldLineEnds(in, dst, count, marker == nullptr);
    }
    return delivered;
}

#endif

int ParseFileInto(XmlDoc* doc, TextFile* in, bool* grown, XmlParseReport* report) {
    int last = 0;
    for (;;) {
        char* at = XmlBufferReserve(doc, XML_BUFFER_STEP);
        if (at == nullptr) {
            *grown = false;
            return last;
        }
        const int count = ReadTextFile(in, at, XML_BUFFER_STEP);
        if (count <= 0) {
            return last;
        }
        last = XmlParserBufferReport(doc, count, nullptr, report);
        if (last < 0) {
            return last;
        }
    }
}

} // namespace

void XmlReportInit(XmlParseReport* report) {
    if (report == nullptr) {
        return;
    }
    *report = XmlParseReport{};
    report->line = 1;
    report->column = 1;
}

const char* XmlProblemText(int code) {
    switch (code) {
    case XML_PROBLEM_END_TAG_MISMATCH:
        return "an end tag that does not match the open element";
    case XML_PROBLEM_END_TAG_UNOPENED:
        return "an end tag where no element is open";
    case XML_PROBLEM_TEXT_OUTSIDE:
        return "text outside every element";
    case XML_PROBLEM_CDATA_OUTSIDE:
        return "a CDATA section outside every element";
    case XML_PROBLEM_BEFORE_DECLARATION:
        return "an element before the XML declaration";
    case XML_PROBLEM_NO_MEMORY:
        return "not enough memory for a node";
    case XML_PROBLEM_BAD_TAG:
        return "a tag that is not well formed";
    case XML_PROBLEM_BAD_END_TAG:
        return "an end tag that is not well formed";
    case XML_PROBLEM_BAD_COMMENT:
        return "a comment that is not well formed";
    case XML_PROBLEM_BAD_CDATA:
        return "a CDATA section that is not well formed";
    case XML_PROBLEM_BAD_DOCTYPE:
        return "a document type declaration that is not well formed";
    case XML_PROBLEM_BAD_PI:
        return "a processing instruction that is not well formed";
    case XML_PROBLEM_BAD_MARKUP:
        return "a \"<\" that begins no tag";
    case XML_PROBLEM_BAD_TEXT:
        return "a reference or character that may not stand in text";
    case XML_PROBLEM_DOCTYPE_FIRST:
        return "a document type declaration before the XML declaration";
    case XML_PROBLEM_BAD_DECLARATION:
        return "a first processing instruction that is not a valid XML declaration";
    case XML_PROBLEM_UNFINISHED:
        return "the file ends inside unfinished markup";
    default:
        return "";
    }
}

int XmlParserBufferReport(XmlDoc* doc, int count, int* lossy, XmlParseReport* report) {
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer -> '%ld' '%d'", AddressOf(doc),
               count);
    const char* bom = XmlEncodingBom(XML_ENC_UTF8);
    if (doc == nullptr || XmlBufferCommit(doc, count) != 0) {
        TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (1)");
        return -1;
    }
    char* position = doc->readPosition;
    char* const end = position + doc->pending;
    const int bomLength = XmlStrLen(bom);
    if (doc->pending >= bomLength && std::memcmp(position, bom, bomLength) == 0) {
        position += bomLength;
        doc->sourceEncoding = XML_ENC_UTF8;
    }
    Tracker track = {report, position};
    while (position < end) {
        int kind = XML_TOK_ERROR;
        char* next = const_cast<char*>(XmlNextToken(doc->sourceEncoding, position, end, &kind));
        if (kind != XML_TOK_INCOMPLETE && kind != XML_TOK_ERROR && next <= position) {
            kind = XML_TOK_ERROR; // a scanner that does not move on would loop forever
        }
        int dropped = XML_PROBLEM_NONE;
        switch (kind) {
        case XML_TOK_ERROR:
            if (report != nullptr) {
                const char* at = next >= position && next <= end ? next : position;
                Record(&track, doc, &report->failure,
                       MalformedKind(doc->sourceEncoding, position, end), at, end);
            }
            TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (3)");
            return Malformed(doc);
        case XML_TOK_INCOMPLETE:
            Advance(&track, position, doc->sourceEncoding);
            if (position > doc->buffer) {
                std::memmove(doc->buffer, position, static_cast<std::size_t>(end - position));
                doc->readPosition = doc->buffer;
                doc->pending = static_cast<int>(end - position);
            }
            TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (2)");
            return 1;
        case XML_TOK_START_TAG:
            dropped = XmlAddElement(doc, position, next, false, false, lossy);
            break;
        case XML_TOK_START_TAG_ATTRS:
            dropped = XmlAddElement(doc, position, next, true, false, lossy);
            break;
        case XML_TOK_EMPTY_TAG_ATTRS:
            dropped = XmlAddElement(doc, position, next, true, true, lossy);
            break;
        case XML_TOK_EMPTY_TAG:
            dropped = XmlAddElement(doc, position, next, false, true, lossy);
            break;
        case XML_TOK_END_TAG:
            dropped = XmlCloseElement(doc, position, end);
            break;
        case XML_TOK_COMMENT:
            dropped = XmlAddComment(doc, position, next);
            break;
        case XML_TOK_CDATA:
            dropped = XmlAddCData(doc, position, next, lossy);
            break;
        case XML_TOK_TEXT:
            dropped = XmlAddText(doc, position, next);
            break;
        case XML_TOK_DOCTYPE:
            if (doc->declarationSeen == 0) {
                if (report != nullptr) {
                    Record(&track, doc, &report->failure, XML_PROBLEM_DOCTYPE_FIRST, position, end);
                }
                TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (4)");
                return Malformed(doc);
            }
            dropped = XmlAddDocType(doc, position, next);
            break;
        case XML_TOK_PI:
            if (doc->declarationSeen != 0) {
                dropped = XmlAddProcessingInstruction(doc, position, next);
                break;
            }
            {
                // The declaration's own bytes are counted in the encoding they
                // were read in, before it names another.
                const int mode = doc->sourceEncoding;
                Advance(&track, position, mode);
                if (XmlReadDeclaration(doc, position, next) != 0) {
                    if (report != nullptr) {
                        Record(&track, doc, &report->failure, XML_PROBLEM_BAD_DECLARATION, position,
                               end);
                    }
                    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (5)");
                    return Malformed(doc);
                }
                Advance(&track, next, mode);
            }
            break;
        default: // white space outside text, and codes the scanner never gives
            break;
        }
        Dropped(&track, doc, dropped, position, next);
        position = next;
    }
    Advance(&track, end, doc->sourceEncoding);
    doc->readPosition = doc->buffer;
    doc->pending = 0;
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <-");
    return 0;
}

int XmlParserBuffer(XmlDoc* doc, int count, int* lossy) {
    return XmlParserBufferReport(doc, count, lossy, nullptr);
}

int XmlParserBuffer(XmlDoc* doc, int count) {
    return XmlParserBufferReport(doc, count, nullptr, nullptr);
}

XmlDoc* XmlParserFileReport(const char* path, XmlParseReport* report) {
    XmlReportInit(report);
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserFile -> '%s'",
               path != nullptr ? path : "");
    TextFile in;
    if (!OpenTextFile(&in, path)) {
        if (report != nullptr) {
            report->outcome = XML_OUTCOME_UNOPENED;
            report->systemError = errno;
        }
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (1)");
        return nullptr;
    }
    XmlDoc* doc = XmlNewDoc();
    if (doc == nullptr) {
        CloseTextFile(&in);
        if (report != nullptr) {
            report->outcome = XML_OUTCOME_NO_MEMORY;
        }
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (2)");
        return nullptr;
    }
    doc->buffer = static_cast<char*>(std::malloc(XML_BUFFER_STEP));
    if (doc->buffer == nullptr) {
        XmlFreeDoc(doc);
        CloseTextFile(&in);
        if (report != nullptr) {
            report->outcome = XML_OUTCOME_NO_MEMORY;
        }
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (3)");
        return nullptr;
    }
    doc->capacity = XML_BUFFER_STEP;
    doc->pending = 0;
    doc->readPosition = doc->buffer;
    bool grown = true;
    const int last = ParseFileInto(doc, &in, &grown, report);
    CloseTextFile(&in);
    if (!grown) {
        XmlFreeDoc(doc);
        if (report != nullptr) {
            report->outcome = XML_OUTCOME_NO_MEMORY;
        }
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (4)");
        return nullptr;
    }
    if (last == -2) {
        XmlFreeDoc(doc);
        if (report != nullptr) {
            report->outcome = XML_OUTCOME_MALFORMED;
        }
        TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserFile <- (5)");
        return nullptr;
    }
    if (last == 1 && report != nullptr) {
        Tracker track = {report, doc->readPosition};
        Record(&track, doc, &report->unfinished, XML_PROBLEM_UNFINISHED, doc->readPosition,
               doc->readPosition + doc->pending);
    }
    std::free(doc->buffer);
    doc->buffer = nullptr;
    doc->readPosition = nullptr;
    doc->capacity = 0;
    doc->pending = 0;
    doc->complete = 1;
    doc->cleanEnd = last == 0 && doc->declarationSeen != 0 ? 1 : 0;
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserFile <- ");
    return doc;
}

XmlDoc* XmlParserFile(const char* path) {
    return XmlParserFileReport(path, nullptr);
}
