// Document tree: node and document records, the node factory with its
// encoding conversions, linking, release, and the document's input buffer.
// Reading the tree is left to xmlquery.cpp, filling it to the parser driver.
#include "Qvxml/xmldoc.h"

#include "Qvxml/xmlchar.h"
#include "trace/trace.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

int XmlDefaultTargetEncoding = XML_ENC_LATIN1;

namespace {

TraceModule s_trace = {"xml#xmldoc", nullptr};

// The source-module label of the node traces.
const char* const kModuleLabel = "xmldoc";

// Every node record is allocated behind this prefix. A node made by
// XmlCreateNode carries its name and value in the same allocation, after the
// record, so that one allocation (and one release) serves the three: a large
// document holds hundreds of thousands of nodes, and each allocation costs
// time and heap. The offsets say where those texts were placed; a text whose
// pointer no longer points there was stored by other means and is released on
// its own.
struct NodeBlock {
    std::uint32_t nameOffset;  // from the node; 0 when the name is not inside
    std::uint32_t valueOffset; // likewise for the value
    XmlNode node;
};

NodeBlock* BlockOf(XmlNode* node) {
    return reinterpret_cast<NodeBlock*>(reinterpret_cast<char*>(node) - offsetof(NodeBlock, node));
}

bool IsInside(XmlNode* node, const char* text, std::uint32_t offset) {
    return offset != 0 && text == reinterpret_cast<char*>(node) + offset;
}

long AddressOf(const void* p) {
    return static_cast<long>(reinterpret_cast<std::intptr_t>(p));
}

// The last top-level node XmlAttachNode found, and its document. Cleared
// whenever that node is unlinked or that document freed, so it never points
// at released memory.
struct LastTopLevel {
    const XmlDoc* doc;
    XmlNode* node;
};
LastTopLevel s_lastTop = {nullptr, nullptr};

bool IsRemovedControl(unsigned char b) {
    return b >= 0x01 && b <= 0x1F && b != 0x09 && b != 0x0A && b != 0x0D;
}

char* CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}

char* ConvertName(const char* name, int source, int target, int* lossy) {
    const std::size_t length = std::strlen(name);
    if (target == XML_ENC_UTF8 && source == XML_ENC_LATIN1) {
        char* out = static_cast<char*>(std::malloc(2 * length + 1));
        if (out != nullptr) {
            XmlLatin1ToUtf8(name, out);
        }
        return out;
    }
    if (source == XML_ENC_UTF8 && target == XML_ENC_LATIN1) {
        char* out = static_cast<char*>(std::malloc(length + 1));
        if (out != nullptr) {
            XmlUtf8ToLatin1(name, out, lossy);
        }
        return out;
    }
    return CopyText(name);
}

// Releases what a node owns apart from its attributes and children.
void ReleaseTexts(XmlNode* node) {
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "%s::%s: '%ld'", kModuleLabel, "XmlFreeNode",
               AddressOf(node));
    const NodeBlock* block = BlockOf(node);
    if (!IsInside(node, node->name, block->nameOffset)) {
        std::free(node->name);
    }
    if (!IsInside(node, node->value, block->valueOffset)) {
        std::free(node->value);
    }
    node->name = nullptr;
    node->value = nullptr;
}

void ReleaseRecord(XmlNode* node) {
    std::free(BlockOf(node));
}

// A zero-filled record with room for extra bytes of text after it, traced as
// XmlNewNode; null when memory is exhausted.
XmlNode* NewNodeWithRoom(std::size_t extra) {
    // The text room is written by the caller: only the record is cleared.
    void* memory = std::malloc(sizeof(NodeBlock) + extra);
    if (memory == nullptr) {
        return nullptr;
    }
    std::memset(memory, 0, sizeof(NodeBlock));
    XmlNode* node = &static_cast<NodeBlock*>(memory)->node;
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "%s::%s: '%ld'", kModuleLabel, "XmlNewNode",
               AddressOf(node));
    return node;
}

// Room a converted text of length bytes may need, terminator included.
std::size_t ConvertedRoom(std::size_t length, int source, int target) {
    return (target == XML_ENC_UTF8 && source == XML_ENC_LATIN1 ? 2 * length : length) + 1;
}

// Writes length bytes of text at out, converted as XmlCreateNode converts
// them, terminated; returns the terminator's position. The text of a name is
// NUL-terminated anyway; a value is read as a terminated copy of its bytes
// would be.
char* ConvertInto(char* out, const char* text, int length, bool removeControls, int source,
                  int target, int* lossy) {
    if (target == XML_ENC_UTF8 && source == XML_ENC_LATIN1) {
        // The conversion drops the same control bytes a text node loses.
        return XmlLatin1ToUtf8N(text, out, length);
    }
    if (source == XML_ENC_UTF8 && target == XML_ENC_LATIN1) {
        return XmlUtf8ToLatin1Span(text, length, out, lossy);
    }
    if (!removeControls) {
        std::memcpy(out, text, static_cast<std::size_t>(length));
        out[length] = '\0';
        return out + length;
    }
    char* end = out;
    for (int i = 0; i < length; ++i) {
        if (!IsRemovedControl(static_cast<unsigned char>(text[i]))) {
            *end++ = text[i];
        }
    }
    *end = '\0';
    return end;
}

// XmlCreateNode with the texts in the record's allocation; null when that
// allocation cannot be made.
XmlNode* CreateNodeInOneBlock(int kind, const char* name, const char* value, int valueLength,
                              int source, int target, int* lossy) {
    const std::size_t nameLength = name != nullptr ? std::strlen(name) : 0;
    const std::size_t valueLengthBytes = static_cast<std::size_t>(valueLength);
    const std::size_t nameRoom = name != nullptr ? ConvertedRoom(nameLength, source, target) : 0;
    const std::size_t valueRoom =
        value != nullptr ? ConvertedRoom(valueLengthBytes, source, target) : 0;
    if (nameLength > static_cast<std::size_t>(INT_MAX) ||
        nameRoom + valueRoom > UINT32_MAX - sizeof(NodeBlock)) {
        return nullptr;
    }
    XmlNode* node = NewNodeWithRoom(nameRoom + valueRoom);
    if (node == nullptr) {
        return nullptr;
    }
    NodeBlock* block = BlockOf(node);
    node->kind = kind;
    char* const base = reinterpret_cast<char*>(node);
    char* at = base + sizeof(XmlNode);
    if (name != nullptr) {
        node->name = at;
        block->nameOffset = static_cast<std::uint32_t>(at - base);
        at = ConvertInto(at, name, static_cast<int>(nameLength), false, source, target, lossy) + 1;
    }
    if (value != nullptr) {
        const bool removeControls = kind == XML_NODE_TEXT && source == XML_ENC_LATIN1;
        char* end = ConvertInto(at, value, valueLength, removeControls, source, target, lossy);
        node->value = at;
        node->valueSize = static_cast<int>(end - at) + 1;
        block->valueOffset = static_cast<std::uint32_t>(at - base);
    }
    return node;
}

// Takes the first attribute, or else the first child, off node; null when
// node owns neither any more.
XmlNode* DetachFirstOwned(XmlNode* node) {
    XmlNode* taken = node->firstAttribute;
    if (taken != nullptr) {
        node->firstAttribute = taken->nextSibling;
    } else {
        taken = node->firstChild;
        if (taken == nullptr) {
            return nullptr;
        }
        node->firstChild = taken->nextSibling;
        if (node->firstChild == nullptr) {
            node->lastChild = nullptr;
        }
    }
    if (taken->nextSibling != nullptr) {
        taken->nextSibling->previousSibling = nullptr;
    }
    taken->nextSibling = nullptr;
    return taken;
}

} // namespace

XmlNode* XmlNewNode() {
    return NewNodeWithRoom(0);
}

XmlNode* XmlCreateNode(int kind, const char* name, const char* value, int valueLength,
                       int sourceEncoding, int targetEncoding, int* lossy) {
    if (valueLength < 0) {
        valueLength = 0;
    }
    XmlNode* node =
        CreateNodeInOneBlock(kind, name, value, valueLength, sourceEncoding, targetEncoding, lossy);
    if (node != nullptr) {
        return node;
    }
    // Not enough memory for one block: the record on its own, and each text
    // where it can be had.
    node = XmlNewNode();
    if (node == nullptr) {
        return nullptr;
    }
    node->kind = kind;
    if (name != nullptr) {
        node->name = ConvertName(name, sourceEncoding, targetEncoding, lossy);
    }
    if (value != nullptr) {
        char* out = static_cast<char*>(std::malloc(
            ConvertedRoom(static_cast<std::size_t>(valueLength), sourceEncoding, targetEncoding)));
        if (out != nullptr) {
            const bool removeControls = kind == XML_NODE_TEXT && sourceEncoding == XML_ENC_LATIN1;
            char* end = ConvertInto(out, value, valueLength, removeControls, sourceEncoding,
                                    targetEncoding, lossy);
            node->value = out;
            node->valueSize = static_cast<int>(end - out) + 1;
        }
    }
    return node;
}

XmlNode* XmlCreateNode(int kind, const char* name, const char* value, int valueLength,
                       int sourceEncoding, int targetEncoding) {
    return XmlCreateNode(kind, name, value, valueLength, sourceEncoding, targetEncoding, nullptr);
}

// Walks the subtree without recursion: each node is entered (traced, texts
// released) when it is taken off its owner, attributes before children, and
// its record released once it owns nothing more; its parent field, no longer
// needed, leads back to the owner.
void XmlFreeNode(XmlNode* node) {
    if (node == nullptr) {
        return;
    }
    ReleaseTexts(node);
    XmlUnlinkNode(node);
    XmlNode* at = node;
    for (;;) {
        XmlNode* owned = DetachFirstOwned(at);
        if (owned != nullptr) {
            ReleaseTexts(owned);
            owned->parent = at;
            at = owned;
            continue;
        }
        XmlNode* owner = at->parent;
        const bool done = at == node;
        ReleaseRecord(at);
        if (done) {
            return;
        }
        at = owner;
    }
}

XmlDoc* XmlNewDocEncoded(int targetEncoding) {
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "xmldoc::%s: ->", "XmlNewDocEncoded");
    XmlDoc* doc = static_cast<XmlDoc*>(std::calloc(1, sizeof(XmlDoc)));
    if (doc == nullptr) {
        TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "xmldoc::%s: <- (1)", "XmlNewDocEncoded");
        return nullptr;
    }
    XmlStrCpy(doc->version, "1.0");
    doc->targetEncoding = targetEncoding;
    doc->sourceEncoding = XML_ENC_UTF8;
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "xmldoc::%s: <- [%ld]", "XmlNewDocEncoded",
               AddressOf(doc));
    return doc;
}

XmlDoc* XmlNewDoc() {
    return XmlNewDocEncoded(XmlDefaultTargetEncoding);
}

void XmlFreeDoc(XmlDoc* doc) {
    if (doc == nullptr) {
        return;
    }
    if (s_lastTop.doc == doc) {
        s_lastTop = {nullptr, nullptr};
    }
    std::free(doc->buffer);
    doc->buffer = nullptr;
    doc->readPosition = nullptr;
    XmlNode* node = doc->firstNode;
    while (node != nullptr) {
        XmlNode* next = node->nextSibling;
        XmlFreeNode(node);
        node = next;
    }
    doc->firstNode = nullptr;
    std::free(doc->auxiliary);
    std::free(doc);
}

int XmlAppendChild(XmlDoc* doc, XmlNode* parent, XmlNode* node) {
    if (node == nullptr) {
        return -1;
    }
    if (parent != nullptr) {
        node->parent = parent;
        node->top = parent->top;
        if (parent->firstChild == nullptr) {
            parent->firstChild = node;
        } else {
            parent->lastChild->nextSibling = node;
            node->previousSibling = parent->lastChild;
        }
        parent->lastChild = node;
        return 0;
    }
    if (doc == nullptr || doc->firstNode != nullptr) {
        return -1;
    }
    doc->firstNode = node;
    node->parent = nullptr;
    node->top = node;
    return 0;
}

int XmlInsertAfter(XmlNode* sibling, XmlNode* node) {
    if (sibling == nullptr || node == nullptr) {
        return -1;
    }
    node->parent = sibling->parent;
    node->top = sibling->top;
    node->previousSibling = sibling;
    node->nextSibling = sibling->nextSibling;
    if (sibling->nextSibling != nullptr) {
        sibling->nextSibling->previousSibling = node;
    }
    sibling->nextSibling = node;
    if (node->parent != nullptr && node->parent->lastChild == sibling) {
        node->parent->lastChild = node;
    }
    return 0;
}

void XmlAttachNode(XmlDoc* doc, XmlNode* node) {
    if (doc->current != nullptr) {
        XmlAppendChild(doc, doc->current, node);
        return;
    }
    if (doc->firstNode == nullptr) {
        XmlAppendChild(doc, nullptr, node);
        return;
    }
    XmlNode* last =
        s_lastTop.doc == doc && s_lastTop.node != nullptr ? s_lastTop.node : doc->firstNode;
    while (last->nextSibling != nullptr) {
        last = last->nextSibling;
    }
    if (XmlInsertAfter(last, node) == 0) {
        s_lastTop = {doc, node};
    }
}

void XmlUnlinkNode(XmlNode* node) {
    if (node == nullptr) {
        return;
    }
    if (s_lastTop.node == node) {
        s_lastTop = {nullptr, nullptr};
    }
    if (node->nextSibling != nullptr) {
        node->nextSibling->previousSibling = node->previousSibling;
    }
    if (node->previousSibling != nullptr) {
        node->previousSibling->nextSibling = node->nextSibling;
    }
    XmlNode* parent = node->parent;
    if (parent != nullptr) {
        if (parent->firstChild == node) {
            parent->firstChild = node->nextSibling;
        }
        if (parent->lastChild == node) {
            parent->lastChild = node->previousSibling;
        }
    }
}

XmlNode* XmlFirstChild(XmlNode* node) {
    return node != nullptr ? node->firstChild : nullptr;
}

XmlNode* XmlNextSibling(XmlNode* node) {
    return node != nullptr ? node->nextSibling : nullptr;
}

const char* XmlNodeName(XmlNode* node) {
    return node != nullptr ? node->name : nullptr;
}

int XmlGetTargetEncoding(XmlDoc* doc) {
    return doc != nullptr ? doc->targetEncoding : XML_ENC_LATIN1;
}

int XmlGetSourceEncoding(XmlDoc* doc) {
    return doc != nullptr ? doc->sourceEncoding : XML_ENC_LATIN1;
}

XmlDoc* XmlSetTargetEncoding(XmlDoc* doc, int index) {
    if (doc != nullptr) {
        doc->targetEncoding = index;
    }
    return doc;
}

XmlDoc* XmlSetSourceEncoding(XmlDoc* doc, int index) {
    if (doc != nullptr) {
        doc->sourceEncoding = index;
    }
    return doc;
}

char* XmlBufferReserve(XmlDoc* doc, int n) {
    const long long wanted = static_cast<long long>(doc->pending) + n;
    if (doc->capacity > wanted || n <= 0) {
        return doc->buffer != nullptr ? doc->buffer + doc->pending : nullptr;
    }
    const long long steps = (static_cast<long long>(n) - 1) / XML_BUFFER_STEP + 1;
    const long long grown = doc->capacity + steps * XML_BUFFER_STEP;
    if (grown > INT_MAX) {
        return nullptr;
    }
    const std::ptrdiff_t readOffset = doc->buffer != nullptr ? doc->readPosition - doc->buffer : 0;
    char* buffer = static_cast<char*>(std::realloc(doc->buffer, static_cast<std::size_t>(grown)));
    if (buffer == nullptr) {
        return nullptr;
    }
    doc->buffer = buffer;
    doc->readPosition = buffer + readOffset;
    doc->capacity = static_cast<int>(grown);
    return buffer + doc->pending;
}

int XmlBufferCommit(XmlDoc* doc, int n) {
    if (n < 0 || doc->capacity < static_cast<long long>(doc->pending) + n) {
        return -1;
    }
    doc->pending += n;
    return 0;
}
