// Parser driver: the token loop over a document's input buffer, the node
// factories that turn tokens into nodes, the XML declaration, and the file
// reader (the text mode of Windows, emulated elsewhere). Cutting tokens is
// the scanner's job; reading the finished tree is the queries'.
#include "Qvxml/xmlparser.h"

#include "Qvxml/xmlchar.h"
#include "Qvxml/xmlscan.h"
#include "trace/trace.h"

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

// Creates a node from the bytes between start + head and end - tail (none
// when the token is shorter) and attaches it at the cursor.
void AddNode(XmlDoc* doc, int kind, const char* name, const char* start, const char* end, int head,
             int tail, int* lossy) {
    const std::ptrdiff_t length = (end - start) - head - tail;
    XmlNode* node =
        XmlCreateNode(kind, name, start + head, length > 0 ? static_cast<int>(length) : 0,
                      doc->sourceEncoding, doc->targetEncoding, lossy);
    if (node == nullptr) {
        doc->error = 1;
        return;
    }
    XmlAttachNode(doc, node);
}

void XmlAddElement(XmlDoc* doc, const char* start, const char* end, bool withAttributes, bool empty,
                   int* lossy) {
    if (doc->declarationSeen == 0) {
        doc->error = 1;
        return;
    }
    const char* position = nullptr;
    const char* name = XmlReadTagName(start + 1, &position);
    XmlNode* element = XmlCreateNode(XML_NODE_ELEMENT, name, nullptr, 0, doc->sourceEncoding,
                                     doc->targetEncoding, lossy);
    if (element == nullptr) {
        doc->error = 1;
        return;
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
void XmlCloseElement(XmlDoc* doc, const char* start, const char* inputEnd) {
    const char* name = XmlReadTagName(start + 2, nullptr);
    XmlNode* current = doc->current;
    if (current != nullptr && IsStoredName(doc, current->name, name)) {
        doc->current = current->parent;
        return;
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
}

void XmlAddText(XmlDoc* doc, const char* start, const char* end) {
    if (doc->current == nullptr) {
        doc->error = 1;
        return;
    }
    AddNode(doc, XML_NODE_TEXT, "#text", start, end, 0, 0, nullptr);
}

void XmlAddCData(XmlDoc* doc, const char* start, const char* end, int* lossy) {
    if (doc->current == nullptr) {
        doc->error = 1;
        return;
    }
    AddNode(doc, XML_NODE_CDATA, "#cdata-section", start, end, 9, 3, lossy);
}

void XmlAddComment(XmlDoc* doc, const char* start, const char* end) {
    AddNode(doc, XML_NODE_COMMENT, "#comment", start, end, 4, 3, nullptr);
}

void XmlAddDocType(XmlDoc* doc, const char* start, const char* end) {
    AddNode(doc, XML_NODE_DOCTYPE, "#DocType", start, end, 10, 1, nullptr);
}

void XmlAddProcessingInstruction(XmlDoc* doc, const char* start, const char* end) {
    AddNode(doc, XML_NODE_PI, "xml", start, end, 2, 2, nullptr);
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

int ParseFileInto(XmlDoc* doc, TextFile* in, bool* grown) {
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
        last = XmlParserBuffer(doc, count, nullptr);
        if (last < 0) {
            return last;
        }
    }
}

} // namespace

int XmlParserBuffer(XmlDoc* doc, int count, int* lossy) {
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
    while (position < end) {
        int kind = XML_TOK_ERROR;
        char* next = const_cast<char*>(XmlNextToken(doc->sourceEncoding, position, end, &kind));
        if (kind != XML_TOK_INCOMPLETE && kind != XML_TOK_ERROR && next <= position) {
            kind = XML_TOK_ERROR; // a scanner that does not move on would loop forever
        }
        switch (kind) {
        case XML_TOK_ERROR:
            TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (3)");
            return Malformed(doc);
        case XML_TOK_INCOMPLETE:
            if (position > doc->buffer) {
                std::memmove(doc->buffer, position, static_cast<std::size_t>(end - position));
                doc->readPosition = doc->buffer;
                doc->pending = static_cast<int>(end - position);
            }
            TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (2)");
            return 1;
        case XML_TOK_START_TAG:
            XmlAddElement(doc, position, next, false, false, lossy);
            break;
        case XML_TOK_START_TAG_ATTRS:
            XmlAddElement(doc, position, next, true, false, lossy);
            break;
        case XML_TOK_EMPTY_TAG_ATTRS:
            XmlAddElement(doc, position, next, true, true, lossy);
            break;
        case XML_TOK_EMPTY_TAG:
            XmlAddElement(doc, position, next, false, true, lossy);
            break;
        case XML_TOK_END_TAG:
            XmlCloseElement(doc, position, end);
            break;
        case XML_TOK_COMMENT:
            XmlAddComment(doc, position, next);
            break;
        case XML_TOK_CDATA:
            XmlAddCData(doc, position, next, lossy);
            break;
        case XML_TOK_TEXT:
            XmlAddText(doc, position, next);
            break;
        case XML_TOK_DOCTYPE:
            if (doc->declarationSeen == 0) {
                TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (4)");
                return Malformed(doc);
            }
            XmlAddDocType(doc, position, next);
            break;
        case XML_TOK_PI:
            if (doc->declarationSeen != 0) {
                XmlAddProcessingInstruction(doc, position, next);
            } else if (XmlReadDeclaration(doc, position, next) != 0) {
                TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <- (5)");
                return Malformed(doc);
            }
            break;
        default: // white space outside text, and codes the scanner never gives
            break;
        }
        position = next;
    }
    doc->readPosition = doc->buffer;
    doc->pending = 0;
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserBuffer <-");
    return 0;
}

int XmlParserBuffer(XmlDoc* doc, int count) {
    return XmlParserBuffer(doc, count, nullptr);
}

XmlDoc* XmlParserFile(const char* path) {
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserFile -> '%s'",
               path != nullptr ? path : "");
    TextFile in;
    if (!OpenTextFile(&in, path)) {
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (1)");
        return nullptr;
    }
    XmlDoc* doc = XmlNewDoc();
    if (doc == nullptr) {
        CloseTextFile(&in);
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (2)");
        return nullptr;
    }
    doc->buffer = static_cast<char*>(std::malloc(XML_BUFFER_STEP));
    if (doc->buffer == nullptr) {
        XmlFreeDoc(doc);
        CloseTextFile(&in);
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (3)");
        return nullptr;
    }
    doc->capacity = XML_BUFFER_STEP;
    doc->pending = 0;
    doc->readPosition = doc->buffer;
    bool grown = true;
    const int last = ParseFileInto(doc, &in, &grown);
    CloseTextFile(&in);
    if (!grown) {
        XmlFreeDoc(doc);
        TraceWrite(TRACE_FATAL, s_trace.name, &s_trace, "XmlParserFile <- (4)");
        return nullptr;
    }
    if (last == -2) {
        XmlFreeDoc(doc);
        TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "XmlParserFile <- (5)");
        return nullptr;
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
