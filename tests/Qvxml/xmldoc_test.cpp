// Document tree: the node factory's encodings (long texts included), linking,
// what a release frees and traces, and the input buffer's growth.
#include "Qvxml/xmlchar.h"
#include "Qvxml/xmldoc.h"

#include "exact_input.h"
#include "trace_log.h"
#include "tree_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Text(const char* p) {
    return p != nullptr ? p : "(null)";
}

constexpr int U8 = XML_ENC_UTF8, L1 = XML_ENC_LATIN1;

TEST(XmlTree, FactoryConvertsNamesAndValues) {
    // Long texts in which every byte doubles in UTF-8, so that the widest
    // conversion fills the room it is given (the address sanitizer watches
    // the record's end).
    std::string latin1, utf8;
    for (int i = 0; i < 600; ++i) {
        latin1 += static_cast<char>(0x80 + i % 0x80);
        utf8 += (i % 0x80 < 0x40 ? "\xC2" : "\xC3") +
                std::string(1, static_cast<char>(0x80 + i % 0x40));
    }
    const char *l = latin1.c_str(), *u = utf8.c_str();
    const int ln = static_cast<int>(latin1.size()), un = static_cast<int>(utf8.size());
    const struct {
        const char *name, *value; // exactly length value bytes are readable
        int kind, length, source, target;
        std::string stored; // kind, name, value, value size and lossy flag afterwards
    } cases[] = {
        {"#text", "a\001b\tc\r\n", 3, 7, L1, L1, "3 #text ab\tc\r\n 7 0"}, // controls dropped
        {"#comment", "a\001b", 8, 3, L1, L1, "8 #comment a\001b 4 0"},     // and kept
        {"a", "\xE9\001x", 2, 3, L1, U8, "2 a \xC3\xA9x 4 0"},
        {l, l, 8, ln, L1, U8, "8 " + utf8 + " " + utf8 + " 1201 0"},
        {u, u, 8, un, U8, L1, "8 " + latin1 + " " + latin1 + " 601 0"},
        {"", l, 8, ln, L1, L1, "8  " + latin1 + " 601 0"},
        {"\xE2\x82\xAC", "x\xE2\x82\xAC", 2, 4, U8, L1, "2  x 2 1"}, // no Latin-1 form
        {"a", "abc", 2, 2, L1, L1, "2 a ab 3 0"},                    // only length bytes
        {"a", "x\xC3\xB1", 2, 2, U8, L1, "2 a x 2 0"},               // a sequence cut by length
        {"a", "abc", 2, -5, U8, L1, "2 a  1 0"},
        {nullptr, nullptr, 3, 5, U8, L1, "3 (null) (null) 0 0"},
    };
    for (const auto& c : cases) {
        ExactInput bytes(c.value != nullptr ? c.value : "", c.length > 0 ? c.length : 0);
        int lossy = 0;
        XmlNode* node = XmlCreateNode(c.kind, c.name, c.value != nullptr ? bytes.begin() : nullptr,
                                      c.length, c.source, c.target, &lossy);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(std::to_string(node->kind) + " " + Text(node->name) + " " + Text(node->value) +
                      " " + std::to_string(node->valueSize) + " " + std::to_string(lossy),
                  c.stored)
            << &c - cases;
        XmlFreeNode(node);
    }
}

XmlNode* Element(const char* name) {
    return XmlCreateNode(XML_NODE_ELEMENT, name, nullptr, 0, L1, L1);
}

TEST(XmlTree, LinkingFollowsTheCursor) {
    DocPtr doc(XmlNewDoc());
    XmlNode* comment = XmlCreateNode(XML_NODE_COMMENT, "#comment", "c", 1, L1, L1);
    XmlNode* root = Element("r");
    XmlNode* late = Element("late");
    XmlAttachNode(doc.get(), comment);
    EXPECT_EQ(comment->top, comment);
    EXPECT_EQ(XmlAppendChild(doc.get(), nullptr, late), -1) << "a second first node";
    EXPECT_EQ(XmlAppendChild(doc.get(), root, nullptr), -1);
    EXPECT_EQ(XmlInsertAfter(nullptr, root), -1);
    XmlAttachNode(doc.get(), root);
    doc->current = root;
    XmlAttachNode(doc.get(), Element("a"));
    XmlAttachNode(doc.get(), Element("c"));
    XmlInsertAfter(root->firstChild, Element("b"));
    XmlInsertAfter(root->lastChild, late);
    doc->current = nullptr;
    XmlAttachNode(doc.get(), Element("after"));
    EXPECT_EQ(Picture(doc->firstNode), "#\"c\" r(a b c late) after");
    XmlFreeNode(root->nextSibling); // the last top-level node so far
    XmlFreeNode(root->firstChild);
    XmlFreeNode(root->lastChild);
    XmlAttachNode(doc.get(), Element("again"));
    XmlAttachNode(doc.get(), Element("end"));
    EXPECT_EQ(Picture(doc->firstNode), "#\"c\" r(b c) again end");
    EXPECT_TRUE(root->firstChild->previousSibling == nullptr &&
                root->lastChild->nextSibling == nullptr && root->lastChild->top == comment);
}

char* Copy(const char* text) {
    return std::strcpy(static_cast<char*>(std::malloc(std::strlen(text) + 1)), text);
}

// A node's own texts are released with it; a text that a caller stored in a
// node in their place is released on its own (a wrong release crashes, a
// missing one is a leak the sanitizer reports).
TEST(XmlTree, FreeReleasesAttributesChildrenAndStoredTexts) {
    XmlNode* parent = Element("p");
    XmlNode* element = Element("e");
    for (XmlNode* n : {Element("before"), element, Element("after")}) {
        XmlAppendChild(nullptr, parent, n);
    }
    element->firstAttribute = XmlCreateNode(XML_NODE_ATTRIBUTE, "x", "0", 1, L1, L1);
    element->firstAttribute->value = Copy("1");
    XmlInsertAfter(element->firstAttribute, XmlCreateNode(XML_NODE_ATTRIBUTE, "z", "3", 1, L1, L1));
    XmlInsertAfter(element->firstAttribute, XmlCreateNode(XML_NODE_ATTRIBUTE, "y", "2", 1, L1, L1));
    XmlAppendChild(nullptr, element, Element("b"));
    element->firstChild->name = Copy("c");
    XmlNode* bare = XmlNewNode();
    bare->kind = XML_NODE_TEXT;
    bare->name = Copy("#text");
    bare->value = Copy("t");
    XmlAppendChild(nullptr, element, bare);
    EXPECT_EQ(Picture(parent), "p(before e{x=1 y=2 z=3}(c \"t\") after)");
    TraceLog traces("xml#xmldoc");
    XmlFreeNode(element);
    EXPECT_EQ(traces.Lines(), std::vector<std::string>(6, "8 %s::%s: '%ld'"));
    EXPECT_EQ(Picture(parent), "p(before after)");
    EXPECT_EQ(parent->lastChild->previousSibling, parent->firstChild);
    XmlFreeNode(parent);
}

TEST(XmlTree, BufferGrowsInStepsOf65535) {
    constexpr int STEP = XML_BUFFER_STEP;
    const struct {
        int reserve, reserved, commit, commitResult, capacity, pending; // capacity afterwards
    } steps[] = {
        {0, false, 0, 0, 0, 0},                        // nothing to grow
        {1, true, 0, 0, STEP, 0},                      // the first step
        {STEP, true, STEP + 1, 0, 2 * STEP, STEP + 1}, // strictly more room
        {STEP, true, 0, 0, 3 * STEP, STEP + 1},
        {2 * STEP + 1, true, 0, 0, 6 * STEP, STEP + 1}, // rounded up
        {10, true, 0, 0, 6 * STEP, STEP + 1},           // room left
        {0, true, 5 * STEP, -1, 6 * STEP, STEP + 1},    // a commit past the capacity
        {0, true, -1, -1, 6 * STEP, STEP + 1},
        {INT_MAX - STEP, false, 0, 0, 6 * STEP, STEP + 1}, // beyond the int range
    };
    DocPtr doc(XmlNewDoc());
    for (const auto& s : steps) {
        char* at = XmlBufferReserve(doc.get(), s.reserve);
        const bool placed = at == doc->buffer + doc->pending && doc->readPosition == doc->buffer;
        const int committed = XmlBufferCommit(doc.get(), s.commit);
        EXPECT_EQ((std::vector<int>{at != nullptr, at == nullptr || placed, committed,
                                    doc->capacity, doc->pending}),
                  (std::vector<int>{s.reserved, 1, s.commitResult, s.capacity, s.pending}))
            << &s - steps;
    }
}

} // namespace
