// Document tree: node and document records, the node factory with its
// encoding conversions, linking, release, and the document's input buffer.
// Reading the tree is left to xmlquery.cpp, filling it to the parser driver.
#include "Qvxml/xmldoc.h"

#include "Qvxml/xmlchar.h"
#include "trace/trace.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

int XmlDefaultTargetEncoding = XML_ENC_LATIN1;

namespace {

TraceModule s_trace = {"xml#xmldoc", nullptr};

// The source-module label of the node traces.
const char* const kModuleLabel = "xmldoc";

// Values up to this size are converted from a copy on the stack.
constexpr int kStackScratchSize = 256;

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

// Stores length bytes of value in node, converted. The UTF-8 reader may look
// past its budget for the rest of a sequence, so it reads a terminated copy.
void StoreValue(XmlNode* node, const char* value, int length, int source, int target, int* lossy) {
    const std::size_t n = static_cast<std::size_t>(length);
    char* out = nullptr;
    char* end = nullptr;
    if (target == XML_ENC_UTF8 && source == XML_ENC_LATIN1) {
        // The conversion drops the same control bytes a text node loses.
        out = static_cast<char*>(std::malloc(2 * n + 1));
        if (out != nullptr) {
            end = XmlLatin1ToUtf8N(value, out, length);
        }
    } else if (source == XML_ENC_UTF8 && target == XML_ENC_LATIN1) {
        char stackCopy[kStackScratchSize];
        char* copy = n < sizeof stackCopy ? stackCopy : static_cast<char*>(std::malloc(n + 1));
        out = copy != nullptr ? static_cast<char*>(std::malloc(n + 1)) : nullptr;
        if (out != nullptr) {
            std::memcpy(copy, value, n);
            copy[n] = '\0';
            end = XmlUtf8ToLatin1N(copy, out, length, lossy);
        }
        if (copy != stackCopy) {
            std::free(copy);
        }
    } else {
        out = static_cast<char*>(std::malloc(n + 1));
        if (out != nullptr) {
            const bool removeControls = node->kind == XML_NODE_TEXT && source == XML_ENC_LATIN1;
            end = out;
            for (std::size_t i = 0; i < n; ++i) {
                if (!(removeControls && IsRemovedControl(static_cast<unsigned char>(value[i])))) {
                    *end++ = value[i];
                }
            }
            *end = '\0';
        }
    }
    if (out != nullptr) {
        node->value = out;
        node->valueSize = static_cast<int>(end - out) + 1;
    }
}

// Releases what a node owns apart from its attributes and children.
void ReleaseTexts(XmlNode* node) {
    TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "%s::%s: '%ld'", kModuleLabel, "XmlFreeNode",
               AddressOf(node));
    std::free(node->name);
    std::free(node->value);
    node->name = nullptr;
    node->value = nullptr;
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
    XmlNode* node = static_cast<XmlNode*>(std::calloc(1, sizeof(XmlNode)));
    if (node != nullptr) {
        TraceWrite(TRACE_LOG, s_trace.name, &s_trace, "%s::%s: '%ld'", kModuleLabel, "XmlNewNode",
                   AddressOf(node));
    }
    return node;
}

XmlNode* XmlCreateNode(int kind, const char* name, const char* value, int valueLength,
                       int sourceEncoding, int targetEncoding, int* lossy) {
    XmlNode* node = XmlNewNode();
    if (node == nullptr) {
        return nullptr;
    }
    node->kind = kind;
    if (name != nullptr) {
        node->name = ConvertName(name, sourceEncoding, targetEncoding, lossy);
    }
    if (value != nullptr) {
        StoreValue(node, value, valueLength < 0 ? 0 : valueLength, sourceEncoding, targetEncoding,
                   lossy);
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
        std::free(at);
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
