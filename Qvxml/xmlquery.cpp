// Tree queries: the root element, element searches by scope and by ID,
// attributes with their "html" fallback, navigation by node kind, reference
// decoding, text gathering and the typed value reader. Everything here only
// reads the tree; building and releasing it is xmldoc.cpp's business.
//
// Subtree walks follow the parent and sibling links instead of recursing, in
// the same order as a depth-first, pre-order recursion would.
#include "Qvxml/xmldoc.h"

#include "Qvxml/xmlchar.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool IsElementNamed(const XmlNode* node, const char* name) {
    return node->kind == XML_NODE_ELEMENT && node->name != nullptr &&
           XmlStrCmp(node->name, name) == 0;
}

// The node after node in a pre-order walk of root's subtree; null after the
// last one. Never leaves the subtree, so root's own siblings are not visited.
XmlNode* NextInSubtree(XmlNode* node, const XmlNode* root) {
    if (node->firstChild != nullptr) {
        return node->firstChild;
    }
    while (node != root && node != nullptr) {
        if (node->nextSibling != nullptr) {
            return node->nextSibling;
        }
        node = node->parent;
    }
    return nullptr;
}

// Output with a bound: at most `room` bytes before the terminator.
struct Sink {
    char* at;
    std::size_t room;
    bool Put(char c) {
        if (room == 0) {
            return false;
        }
        *at++ = c;
        --room;
        return true;
    }
};

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The numeric reference whose "#" is at hash: its byte (1 to 255) and the
// position after its ";", or 0 when it is not one that decodes.
int NumericReference(const char* hash, const char** after) {
    const char* p = hash + 1;
    const int base = (*p == 'x' || *p == 'X') ? 16 : 10;
    if (base == 16) {
        ++p;
    }
    int value = 0;
    int digits = 0;
    for (; *p != ';'; ++p) {
        const int digit = HexValue(static_cast<unsigned char>(*p));
        if (digit < 0 || digit >= base) {
            return 0; // the terminator included
        }
        if (value <= 255) {
            value = value * base + digit;
        }
        ++digits;
    }
    if (digits == 0 || value < 1 || value > 255) {
        return 0;
    }
    *after = p + 1;
    return value;
}

struct NamedReference {
    const char* text; // after the "&"
    char byte;
};

constexpr NamedReference kNamedReferences[] = {
    {"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"nbsp;", ' '},
};

// Decodes source into sink; false when the room ran out first.
bool Decode(const char* source, Sink& sink) {
    const char* p = source;
    while (*p != '\0') {
        const char c = *p;
        if (c == '&') {
            const char* after = nullptr;
            char byte = 0;
            if (p[1] == '#') {
                byte = static_cast<char>(NumericReference(p + 1, &after));
            } else {
                for (const NamedReference& r : kNamedReferences) {
                    const int length = XmlStrLen(r.text);
                    if (XmlStrNCmp(p + 1, r.text, length) == 0) {
                        byte = r.byte;
                        after = p + 1 + length;
                        break;
                    }
                }
            }
            if (after != nullptr) {
                if (!sink.Put(byte)) {
                    return false;
                }
                p = after;
                continue;
            }
        }
        if (c != '\t' && c != '\n' && !sink.Put(c)) {
            return false;
        }
        ++p;
    }
    return true;
}

// The gathering walk: enter a node (its text), descend, and on the way back
// up add "[NL]" after each "nl" element.
char* Gather(XmlNode* node, char* destination, std::size_t room) {
    Sink sink = {destination, room};
    XmlNode* at = node;
    bool full = false;
    while (at != nullptr && !full) {
        if (at->kind == XML_NODE_TEXT && at->value != nullptr) {
            full = !Decode(at->value, sink);
        }
        if (at->firstChild != nullptr) {
            at = at->firstChild;
            continue;
        }
        // Leave at and every ancestor that it ends, up to the next sibling.
        for (;;) {
            if (IsElementNamed(at, "nl")) {
                for (const char* s = "[NL]"; *s != '\0' && !full; ++s) {
                    full = !sink.Put(*s);
                }
            }
            if (at == node) {
                at = nullptr;
                break;
            }
            if (at->nextSibling != nullptr) {
                at = at->nextSibling;
                break;
            }
            at = at->parent;
            if (at == nullptr) {
                break;
            }
        }
    }
    *sink.at = '\0';
    return sink.at;
}

// atol as the platform's run-time reads it, with a 32-bit long: leading
// blanks, a sign, digits; saturated instead of overflowing.
long LeadingNumber(const char* text) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (value <= static_cast<long long>(INT32_MAX) + 1) {
            value = value * 10 + (*p - '0');
        }
    }
    value = negative ? -value : value;
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<long>(value);
}

long Clamp(long value, long low, long high) {
    return value < low ? low : value > high ? high : value;
}

void StoreNumber(const char* text, int type, long minimum, long maximum, void* output) {
    if (text[0] == '\0' || output == nullptr) {
        return;
    }
    long value = LeadingNumber(text);
    if (value < minimum) {
        value = minimum;
    }
    if (value > maximum) {
        value = maximum;
    }
    if (type == XML_VALUE_SHORT) {
        *static_cast<int16_t*>(output) = static_cast<int16_t>(Clamp(value, INT16_MIN, INT16_MAX));
    } else {
        *static_cast<int32_t*>(output) = static_cast<int32_t>(Clamp(value, INT32_MIN, INT32_MAX));
    }
}

void StoreText(const char* text, long maximum, char* output) {
    if (output == nullptr) {
        return;
    }
    if (maximum <= 0) {
        XmlStrCpy(output, text);
        return;
    }
    std::size_t length = std::strlen(text);
    if (length > static_cast<std::size_t>(maximum)) {
        length = static_cast<std::size_t>(maximum);
    }
    std::memcpy(output, text, length);
    output[length] = '\0';
    XmlDecodeEntities(output, output);
}

// Replaces *output with a copy of the scratch text, cut to maximum.
void StoreNewText(char* scratch, long maximum, char** output) {
    if (output == nullptr) {
        return;
    }
    std::free(*output);
    std::size_t length = std::strlen(scratch);
    if (maximum > 0 && length > static_cast<std::size_t>(maximum)) {
        length = static_cast<std::size_t>(maximum);
    }
    *output = static_cast<char*>(std::malloc(length + 1));
    if (*output != nullptr) {
        std::memcpy(*output, scratch, length);
        (*output)[length] = '\0';
    }
}

} // namespace

XmlNode* XmlGetRootElement(XmlDoc* doc) {
    XmlNode* node = doc != nullptr ? doc->firstNode : nullptr;
    while (node != nullptr) {
        if (node->kind == XML_NODE_ELEMENT) {
            return node;
        }
        node = node->nextSibling != nullptr ? node->nextSibling : node->firstChild;
    }
    return nullptr;
}

XmlNode* XmlFindElement(XmlNode* node, const char* name, int scope) {
    if (node == nullptr || name == nullptr) {
        return nullptr;
    }
    if (IsElementNamed(node, name)) {
        return node;
    }
    if (scope == XML_SCOPE_SELF) {
        return nullptr;
    }
    if (scope == XML_SCOPE_CHILDREN || scope == XML_SCOPE_FOLLOWING) {
        XmlNode* n = scope == XML_SCOPE_CHILDREN ? node->firstChild : node->nextSibling;
        for (; n != nullptr; n = n->nextSibling) {
            if (IsElementNamed(n, name)) {
                return n;
            }
        }
        return nullptr;
    }
    for (XmlNode* n = NextInSubtree(node, node); n != nullptr; n = NextInSubtree(n, node)) {
        if (IsElementNamed(n, name)) {
            return n;
        }
    }
    return nullptr;
}

XmlNode* XmlFindById(XmlNode* node, const char* id) {
    if (node == nullptr || id == nullptr) {
        return nullptr;
    }
    for (XmlNode* n = NextInSubtree(node, node); n != nullptr; n = NextInSubtree(n, node)) {
        const char* value = XmlGetAttribute(n, "ID");
        if (value != nullptr && XmlStrCmp(value, id) == 0) {
            return n;
        }
    }
    return nullptr;
}

const char* XmlGetAttribute(XmlNode* element, const char* name) {
    if (element == nullptr || name == nullptr) {
        return nullptr;
    }
    bool sawHtml = false;
    for (XmlNode* a = element->firstAttribute; a != nullptr; a = a->nextSibling) {
        if (a->name == nullptr) {
            continue;
        }
        if (XmlStrCmp(a->name, name) == 0) {
            return a->value;
        }
        sawHtml = sawHtml || XmlStrCmp(a->name, "html") == 0;
    }
    XmlNode* first = element->firstChild;
    if (sawHtml && first != nullptr && first->kind == XML_NODE_CDATA) {
        return first->value;
    }
    return nullptr;
}

const char* XmlGetElementAttribute(XmlNode* node, const char* element, const char* attribute,
                                   int scope) {
    return XmlGetAttribute(XmlFindElement(node, element, scope), attribute);
}

XmlNode* XmlNextSiblingOfKind(XmlNode* node, int kind) {
    XmlNode* n = node != nullptr ? node->nextSibling : nullptr;
    while (n != nullptr && n->kind != kind) {
        n = n->nextSibling;
    }
    return n;
}

XmlNode* XmlFirstChildOfKind(XmlNode* node, int kind) {
    XmlNode* n = node != nullptr ? node->firstChild : nullptr;
    while (n != nullptr && n->kind != kind) {
        n = n->nextSibling;
    }
    return n;
}

XmlNode* XmlNextElement(XmlNode* node) {
    return XmlNextSiblingOfKind(node, XML_NODE_ELEMENT);
}

XmlNode* XmlFirstChildElement(XmlNode* node) {
    return XmlFirstChildOfKind(node, XML_NODE_ELEMENT);
}

XmlNode* XmlFirstTextChild(XmlNode* node) {
    return XmlFirstChildOfKind(node, XML_NODE_TEXT);
}

char* XmlDecodeEntities(const char* source, char* destination) {
    if (destination == nullptr) {
        return nullptr;
    }
    Sink sink = {destination, SIZE_MAX};
    Decode(source != nullptr ? source : "", sink);
    *sink.at = '\0';
    return sink.at;
}

char* XmlDecodeEntitiesN(const char* source, char* destination, int size) {
    if (destination == nullptr || size <= 0) {
        return destination;
    }
    Sink sink = {destination, static_cast<std::size_t>(size) - 1};
    Decode(source != nullptr ? source : "", sink);
    *sink.at = '\0';
    return sink.at;
}

char* XmlGatherText(XmlNode* node, char* destination) {
    if (destination == nullptr) {
        return nullptr;
    }
    return Gather(node, destination, SIZE_MAX);
}

char* XmlGatherTextN(XmlNode* node, char* destination, int size) {
    if (destination == nullptr || size <= 0) {
        return destination;
    }
    return Gather(node, destination, static_cast<std::size_t>(size) - 1);
}

int XmlReadValue(XmlNode* node, const char* element, const char* attribute, int type, long minimum,
                 long maximum, int scope, void* output) {
    XmlNode* found = XmlFindElement(node, element, scope);
    if (found == nullptr) {
        return 0;
    }
    const bool fromAttribute = attribute != nullptr && attribute[0] != '\0';
    if (type == XML_VALUE_NEW_TEXT) {
        const int size = fromAttribute ? XML_ATTRIBUTE_SCRATCH_SIZE : XML_GATHER_SCRATCH_SIZE;
        char* scratch = static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
        if (scratch == nullptr) {
            return 0;
        }
        if (fromAttribute) {
            XmlDecodeEntitiesN(XmlGetAttribute(found, attribute), scratch, size);
        } else {
            XmlGatherTextN(found, scratch, size);
        }
        const bool empty = scratch[0] == '\0';
        if (!empty) {
            StoreNewText(scratch, maximum, static_cast<char**>(output));
        }
        std::free(scratch);
        return empty ? 0 : 1;
    }
    const char* text = nullptr;
    if (fromAttribute) {
        text = XmlGetAttribute(found, attribute);
    } else {
        const XmlNode* textNode = XmlFirstTextChild(found);
        text = textNode != nullptr ? textNode->value : nullptr;
    }
    if (text == nullptr) {
        text = "";
    }
    if (type == XML_VALUE_TEXT) {
        StoreText(text, maximum, static_cast<char*>(output));
    } else if (type == XML_VALUE_SHORT || type == XML_VALUE_INT || type == XML_VALUE_LONG) {
        StoreNumber(text, type, minimum, maximum, output);
    }
    return 1;
}

int XmlGetValue(XmlNode* node, const char* element, const char* attribute, int type, long minimum,
                long maximum, void* output) {
    return XmlReadValue(node, element, attribute, type, minimum, maximum, XML_SCOPE_SUBTREE,
                        output);
}
