// The parsers of the benchmarks behind one call, and expat's tree builder.
#include "bench/parsers.h"

#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kNames[PARSER_COUNT] = {"ours", "expat-tree", "libxml2", "pugixml", "floor"};

// --- ours ------------------------------------------------------------------------

std::size_t CountOurs(const XmlNode* node) {
    std::size_t n = 0;
    for (; node != nullptr; node = node->nextSibling) {
        ++n;
        for (const XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
            ++n;
        }
        n += CountOurs(node->firstChild);
    }
    return n;
}

ParseOutcome ParseOurs(const char* path, bool countNodes) {
    XmlDoc* doc = XmlParserFile(path);
    if (doc == nullptr) {
        return {false, 0};
    }
    const ParseOutcome outcome = {doc->error == 0 && doc->cleanEnd == 1,
                                  countNodes ? CountOurs(doc->firstNode) : 0};
    XmlFreeDoc(doc);
    return outcome;
}

// --- expat building a tree -------------------------------------------------------

// A tree as plain as ours: every node on the heap with copies of its texts.
struct ExpatNode {
    int kind; // the W3C node type codes, as ours
    char* name;
    char* value;
    ExpatNode* parent;
    ExpatNode* firstChild;
    ExpatNode* lastChild;
    ExpatNode* next;
    ExpatNode* firstAttribute;
};

char* Copy(const char* text, std::size_t length) {
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

ExpatNode* NewExpatNode(int kind, const char* name, const char* value, std::size_t valueLength) {
    auto* node = static_cast<ExpatNode*>(std::calloc(1, sizeof(ExpatNode)));
    if (node != nullptr) {
        node->kind = kind;
        node->name = Copy(name, std::strlen(name));
        node->value = value != nullptr ? Copy(value, valueLength) : nullptr;
    }
    return node;
}

void FreeExpatTree(ExpatNode* node) {
    while (node != nullptr) {
        ExpatNode* next = node->next;
        FreeExpatTree(node->firstAttribute);
        FreeExpatTree(node->firstChild);
        std::free(node->name);
        std::free(node->value);
        std::free(node);
        node = next;
    }
}

std::size_t CountExpat(const ExpatNode* node) {
    std::size_t n = 0;
    for (; node != nullptr; node = node->next) {
        n += 1 + CountExpat(node->firstAttribute) + CountExpat(node->firstChild);
    }
    return n;
}

struct ExpatBuilder {
    ExpatNode top;        // holds the top-level nodes as its children
    ExpatNode* current;   // the open element, or &top
    char* text;           // character data not yet made into a node
    std::size_t length;   // bytes in text
    std::size_t capacity; // bytes allocated for text
    bool inCData;         // character data belongs to a CDATA section
    bool failed;          // memory ran out
};

void Append(ExpatBuilder* b, ExpatNode* child) {
    if (child == nullptr) {
        b->failed = true;
        return;
    }
    child->parent = b->current;
    if (b->current->lastChild == nullptr) {
        b->current->firstChild = child;
    } else {
        b->current->lastChild->next = child;
    }
    b->current->lastChild = child;
}

// Expat hands a text run over in several pieces (at line ends and
// references); they become one node, unless the run is only white space.
void FlushText(ExpatBuilder* b) {
    if (b->length == 0) {
        return;
    }
    bool blank = true;
    for (std::size_t i = 0; i < b->length && blank; ++i) {
        const char c = b->text[i];
        blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }
    if (!blank) {
        Append(b, NewExpatNode(3, "#text", b->text, b->length));
    }
    b->length = 0;
}

void XMLCALL OnCharacters(void* data, const XML_Char* s, int length) {
    auto* b = static_cast<ExpatBuilder*>(data);
    const std::size_t n = static_cast<std::size_t>(length);
    if (b->length + n > b->capacity) {
        const std::size_t grown = 2 * (b->length + n);
        char* text = static_cast<char*>(std::realloc(b->text, grown));
        if (text == nullptr) {
            b->failed = true;
            return;
        }
        b->text = text;
        b->capacity = grown;
    }
    std::memcpy(b->text + b->length, s, n);
    b->length += n;
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* b = static_cast<ExpatBuilder*>(data);
    FlushText(b);
    ExpatNode* element = NewExpatNode(1, name, nullptr, 0);
    Append(b, element);
    if (element == nullptr) {
        return;
    }
    ExpatNode** link = &element->firstAttribute;
    for (const XML_Char** a = attributes; a[0] != nullptr; a += 2) {
        ExpatNode* attribute = NewExpatNode(2, a[0], a[1], std::strlen(a[1]));
        if (attribute == nullptr) {
            b->failed = true;
            return;
        }
        attribute->parent = element;
        *link = attribute;
        link = &attribute->next;
    }
    b->current = element;
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
    auto* b = static_cast<ExpatBuilder*>(data);
    FlushText(b);
    b->current = b->current->parent;
}

void XMLCALL OnComment(void* data, const XML_Char* text) {
    auto* b = static_cast<ExpatBuilder*>(data);
    FlushText(b);
    Append(b, NewExpatNode(8, "#comment", text, std::strlen(text)));
}

void XMLCALL OnStartCData(void* data) {
    auto* b = static_cast<ExpatBuilder*>(data);
    FlushText(b);
    b->inCData = true;
}

void XMLCALL OnEndCData(void* data) {
    auto* b = static_cast<ExpatBuilder*>(data);
    Append(b, NewExpatNode(4, "#cdata-section", b->text != nullptr ? b->text : "", b->length));
    b->length = 0;
    b->inCData = false;
}

ParseOutcome ParseExpatTree(const char* path, bool countNodes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return {false, 0};
    }
    XML_Parser parser = XML_ParserCreate(nullptr);
    ExpatBuilder b = {};
    b.current = &b.top;
    XML_SetUserData(parser, &b);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    XML_SetCharacterDataHandler(parser, OnCharacters);
    XML_SetCommentHandler(parser, OnComment);
    XML_SetCdataSectionHandler(parser, OnStartCData, OnEndCData);
    constexpr int kPiece = 65536;
    bool ok = true;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, kPiece);
        if (buffer == nullptr) {
            ok = false;
            break;
        }
        const std::size_t got = std::fread(buffer, 1, kPiece, file);
        const int last = got < static_cast<std::size_t>(kPiece) ? 1 : 0;
        if (XML_ParseBuffer(parser, static_cast<int>(got), last) != XML_STATUS_OK) {
            ok = false;
            break;
        }
        if (last != 0) {
            break;
        }
    }
    std::fclose(file);
    XML_ParserFree(parser);
    const ParseOutcome outcome = {ok && !b.failed, countNodes ? CountExpat(b.top.firstChild) : 0};
    FreeExpatTree(b.top.firstChild);
    std::free(b.text);
    return outcome;
}

// --- libxml2 -----------------------------------------------------------------------

std::size_t CountLibxml2(const xmlNode* node) {
    std::size_t n = 0;
    for (; node != nullptr; node = node->next) {
        ++n;
        if (node->type == XML_ELEMENT_NODE) {
            for (const xmlAttr* a = node->properties; a != nullptr; a = a->next) {
                ++n;
            }
        }
        n += CountLibxml2(node->children);
    }
    return n;
}

ParseOutcome ParseLibxml2(const char* path, bool countNodes) {
    xmlDoc* doc = xmlReadFile(path, nullptr, 0);
    if (doc == nullptr) {
        return {false, 0};
    }
    const ParseOutcome outcome = {true, countNodes ? CountLibxml2(doc->children) : 0};
    xmlFreeDoc(doc);
    return outcome;
}

// --- pugixml -----------------------------------------------------------------------

std::size_t CountPugixml(const pugi::xml_node& node) {
    std::size_t n = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        ++n;
        for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute()) {
            ++n;
        }
        n += CountPugixml(child);
    }
    return n;
}

ParseOutcome ParsePugixml(const char* path, bool countNodes) {
    pugi::xml_document doc;
    const pugi::xml_parse_result result = doc.load_file(path);
    return {static_cast<bool>(result), countNodes ? CountPugixml(doc) : 0};
}

// --- the floor ---------------------------------------------------------------------

// The markup bytes against everything else; one row per 16 bytes.
constexpr unsigned char F0 = 0, F1 = 1, F2 = 2, F3 = 3, F4 = 4, F5 = 5;
// clang-format off
constexpr unsigned char kFloorClass[256] = {
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F1, F1, F0, F0, F1, F0, F0, // 00
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 10
    F1, F0, F2, F0, F0, F0, F3, F2, F0, F0, F0, F0, F0, F0, F0, F4, // 20  " & ' /
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F5, F4, F5, F4, // 30  < = > ?
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 40
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 50
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 60
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 70
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 80
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // 90
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // A0
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // B0
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // C0
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // D0
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // E0
    F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, F0, // F0
};
// clang-format on

ParseOutcome ParseFloor(const char* path) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return {false, 0};
    }
    static unsigned char piece[65535];
    std::size_t counts[6] = {};
    std::size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) {
        for (std::size_t i = 0; i < got; ++i) {
            ++counts[kFloorClass[piece[i]]];
        }
    }
    std::fclose(file);
    std::size_t total = 0;
    for (std::size_t c : counts) {
        total += c;
    }
    return {true, total};
}

} // namespace

const char* BenchParserName(int parser) {
    return parser >= 0 && parser < PARSER_COUNT ? kNames[parser] : nullptr;
}

int BenchParserByName(const std::string& name) {
    for (int p = 0; p < PARSER_COUNT; ++p) {
        if (name == kNames[p]) {
            return p;
        }
    }
    return -1;
}

ParseOutcome BenchParse(int parser, const char* path, bool countNodes) {
    switch (parser) {
    case PARSER_OURS:
        return ParseOurs(path, countNodes);
    case PARSER_EXPAT_TREE:
        return ParseExpatTree(path, countNodes);
    case PARSER_LIBXML2:
        return ParseLibxml2(path, countNodes);
    case PARSER_PUGIXML:
        return ParsePugixml(path, countNodes);
    case PARSER_FLOOR:
        return ParseFloor(path);
    default:
        return {false, 0};
    }
}
