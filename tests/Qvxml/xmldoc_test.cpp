// Document tree: the node factory's encodings, linking and unlinking, what a
// release frees and traces, new documents, and the input buffer's growth.
#include "Qvxml/xmlchar.h"
#include "Qvxml/xmldoc.h"
#include "trace/trace.h"

#include "exact_input.h"
#include "tree_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_traces;

void Collect(int level, const char* moduleName, const TraceModule*, const char* format, int) {
    if (std::string(moduleName) == "xml#xmldoc" && level == TRACE_LOG) {
        g_traces.push_back(format);
    }
}

class XmlTree : public ::testing::Test {
protected:
    void SetUp() override {
        g_traces.clear();
        previous_ = TraceSetObserver(Collect);
    }
    void TearDown() override { TraceSetObserver(previous_); }
    TraceObserver previous_ = nullptr;
};

// --- the node factory ----------------------------------------------------------

struct CreateCase {
    const char* description;
    int kind;
    const char* name;
    const char* value; // null: no value bytes
    int length;        // of value; ALL for all of it
    int source, target;
    const char* storedName;
    const char* storedValue; // null: no value expected
    int valueSize;
    int lossy;
};

constexpr int U8 = XML_ENC_UTF8, L1 = XML_ENC_LATIN1, ALL = -99;

void PrintTo(const CreateCase& c, std::ostream* os) {
    *os << c.description;
}

const CreateCase kCreateCases[] = {
    {"text_loses_controls", 3, "#text", "a\001b\tc", ALL, L1, L1, "#text", "ab\tc", 5, 0},
    {"text_keeps_cr_lf", 3, "#text", "a\r\n\x1F", ALL, L1, L1, "#text", "a\r\n", 4, 0},
    {"comment_keeps_controls", 8, "#comment", "a\001b", ALL, L1, L1, "#comment", "a\001b", 4, 0},
    {"utf8_text_keeps_controls", 3, "#text", "a\x01", ALL, U8, U8, "#text", "a\x01", 3, 0},
    {"name_utf8_to_latin1", 1, "s\xC3\xB1o", nullptr, 0, U8, L1, "s\xF1o", nullptr, 0, 0},
    {"name_latin1_unchanged", 1, "s\xF1o", nullptr, 0, L1, L1, "s\xF1o", nullptr, 0, 0},
    {"name_latin1_to_utf8", 1, "\xE9t\xFF", nullptr, 0, L1, U8, "\xC3\xA9t\xC3\xBF", nullptr, 0, 0},
    {"value_latin1_to_utf8", 2, "a", "\xE9\x01x", ALL, L1, U8, "a", "\xC3\xA9x", 4, 0},
    {"value_without_latin1_form", 2, "a", "x\xE2\x82\xAC", ALL, U8, L1, "a", "x", 2, 1},
    {"name_without_latin1_form", 1, "\xE2\x82\xAC", nullptr, 0, U8, L1, "", nullptr, 0, 1},
    {"only_length_bytes", 2, "a", "abcdef", 3, L1, L1, "a", "abc", 4, 0},
    {"sequence_cut_by_length", 2, "a", "x\xC3\xB1", 2, U8, L1, "a", "x", 2, 0},
    {"empty_value", 2, "a", "abc", 0, U8, L1, "a", "", 1, 0},
    {"negative_length", 2, "a", "abc", -5, U8, L1, "a", "", 1, 0},
    {"no_value", 1, "a", nullptr, 5, U8, L1, "a", nullptr, 0, 0},
    {"no_name", 3, nullptr, "t", ALL, U8, L1, nullptr, "t", 2, 0},
};

class CreateTable : public XmlTree, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateTable, StoresConvertedCopies) {
    const CreateCase& c = GetParam();
    // Exactly the bytes handed over, so that reading past them is caught.
    const std::string bytes = c.value != nullptr ? c.value : "";
    const int length = c.length == ALL ? static_cast<int>(bytes.size()) : c.length;
    ExactInput exact(bytes, length > 0 ? static_cast<std::size_t>(length) : 0);
    int lossy = 0;
    XmlNode* node = XmlCreateNode(c.kind, c.name, c.value != nullptr ? exact.begin() : nullptr,
                                  length, c.source, c.target, &lossy);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->kind, c.kind);
    if (c.storedName == nullptr) {
        EXPECT_EQ(node->name, nullptr);
    } else {
        EXPECT_STREQ(node->name, c.storedName);
    }
    if (c.storedValue == nullptr) {
        EXPECT_EQ(node->value, nullptr);
    } else {
        EXPECT_STREQ(node->value, c.storedValue);
    }
    EXPECT_EQ(node->valueSize, c.valueSize);
    EXPECT_EQ(lossy, c.lossy);
    EXPECT_EQ(node->parent, nullptr);
    EXPECT_EQ(node->top, nullptr);
    XmlFreeNode(node);
}

INSTANTIATE_TEST_SUITE_P(Encodings, CreateTable, ::testing::ValuesIn(kCreateCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST_F(XmlTree, LongValuesConvertWhole) {
    std::string utf8;
    for (int i = 0; i < 300; ++i) {
        utf8 += "\xC3\xA9";
    }
    ExactInput exact(utf8);
    XmlNode* node = XmlCreateNode(3, "#text", exact.begin(), 600, U8, L1);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(std::string(node->value), std::string(300, '\xE9'));
    EXPECT_EQ(node->valueSize, 301);
    XmlFreeNode(node);
}

// --- linking -------------------------------------------------------------------

XmlNode* Element(const char* name) {
    return XmlCreateNode(XML_NODE_ELEMENT, name, nullptr, 0, L1, L1);
}

TEST_F(XmlTree, LinksKeepTopParentAndSiblings) {
    DocPtr doc(XmlNewDoc());
    XmlNode* root = Element("r");
    ASSERT_EQ(XmlAppendChild(doc.get(), nullptr, root), 0);
    EXPECT_EQ(root->top, root);
    XmlNode* late = Element("late");
    EXPECT_EQ(XmlAppendChild(doc.get(), nullptr, late), -1) << "second top-level node";
    XmlFreeNode(late);
    EXPECT_EQ(XmlAppendChild(doc.get(), root, nullptr), -1);
    EXPECT_EQ(XmlAppendChild(nullptr, nullptr, root), -1);
    XmlNode* a = Element("a");
    XmlNode* c = Element("c");
    XmlNode* d = Element("d");
    XmlAppendChild(doc.get(), root, a);
    XmlAppendChild(doc.get(), root, c);
    XmlInsertAfter(a, Element("b"));
    XmlInsertAfter(c, d);
    EXPECT_EQ(Picture(root), "r(a b c d)");
    EXPECT_STREQ(root->lastChild->name, "d");
    EXPECT_EQ(root->lastChild->top, root);
    EXPECT_EQ(root->lastChild->parent, root);
    EXPECT_EQ(XmlInsertAfter(nullptr, a), -1);
    EXPECT_EQ(XmlInsertAfter(a, nullptr), -1);

    XmlUnlinkNode(a);
    XmlUnlinkNode(d);
    EXPECT_EQ(Picture(root), "r(b c)");
    EXPECT_EQ(root->firstChild->previousSibling, nullptr);
    EXPECT_EQ(root->lastChild->nextSibling, nullptr);
    EXPECT_EQ(a->parent, root) << "an unlinked node keeps its own links";
    XmlFreeNode(a);
    XmlFreeNode(d);
    EXPECT_EQ(Picture(root), "r(b c)");
}

TEST_F(XmlTree, AttachFollowsTheCursor) {
    DocPtr doc(XmlNewDoc());
    XmlAttachNode(doc.get(), XmlCreateNode(XML_NODE_COMMENT, "#comment", "c", 1, L1, L1));
    XmlNode* root = Element("r");
    XmlAttachNode(doc.get(), root);
    doc->current = root;
    XmlAttachNode(doc.get(), Element("in"));
    doc->current = nullptr;
    XmlAttachNode(doc.get(), Element("after"));
    XmlFreeNode(doc->firstNode->nextSibling->nextSibling); // forgets the last top-level node
    XmlAttachNode(doc.get(), Element("again"));
    XmlAttachNode(doc.get(), Element("end"));
    EXPECT_EQ(Picture(doc->firstNode), "#\"c\" r(in) again end");
    EXPECT_EQ(doc->firstNode->nextSibling->top, doc->firstNode);
}

TEST_F(XmlTree, FreeingReleasesAttributesAndChildrenInOrder) {
    XmlNode* parent = Element("p");
    XmlNode* before = Element("before");
    XmlNode* element = Element("e");
    XmlNode* after = Element("after");
    for (XmlNode* n : {before, element, after}) {
        XmlAppendChild(nullptr, parent, n);
    }
    XmlNode* previous = nullptr;
    for (const char* name : {"x", "y", "z"}) {
        XmlNode* attribute = XmlCreateNode(XML_NODE_ATTRIBUTE, name, "1", 1, L1, L1);
        if (previous == nullptr) {
            element->firstAttribute = attribute;
        } else {
            XmlInsertAfter(previous, attribute);
        }
        previous = attribute;
    }
    XmlAppendChild(nullptr, element, Element("c1"));
    XmlAppendChild(nullptr, element, XmlCreateNode(XML_NODE_TEXT, "#text", "t", 1, L1, L1));
    g_traces.clear();
    XmlFreeNode(element);
    EXPECT_EQ(g_traces, std::vector<std::string>(6, "%s::%s: '%ld'"));
    EXPECT_EQ(Picture(parent), "p(before after)");
    EXPECT_EQ(before->nextSibling, after);
    EXPECT_EQ(after->previousSibling, before);
    XmlFreeNode(parent);
}

TEST_F(XmlTree, DeepTreesAreFreedWithoutRecursion) {
    XmlNode* root = Element("a");
    XmlNode* at = root;
    for (int depth = 0; depth < 1000000; ++depth) {
        XmlNode* child = Element("a");
        XmlAppendChild(nullptr, at, child);
        at = child;
    }
    g_traces.clear();
    XmlFreeNode(root);
    EXPECT_EQ(g_traces.size(), 1000001u);
}

// --- documents and their buffer ------------------------------------------------

TEST_F(XmlTree, NewDocumentsAreEmpty) {
    g_traces.clear();
    DocPtr doc(XmlNewDoc());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(g_traces, (std::vector<std::string>{"xmldoc::%s: ->", "xmldoc::%s: <- [%ld]"}));
    EXPECT_STREQ(doc->version, "1.0");
    EXPECT_EQ(doc->targetEncoding, L1);
    EXPECT_EQ(doc->sourceEncoding, U8);
    EXPECT_EQ(doc->firstNode, nullptr);
    EXPECT_EQ(doc->buffer, nullptr);
    EXPECT_EQ(doc->errorText[0], '\0');
    DocPtr utf8(XmlNewDocEncoded(U8));
    EXPECT_EQ(XmlGetTargetEncoding(utf8.get()), U8);
    EXPECT_EQ(XmlGetTargetEncoding(nullptr), L1);
    EXPECT_EQ(XmlGetSourceEncoding(nullptr), L1);
    EXPECT_EQ(XmlSetSourceEncoding(doc.get(), 2), doc.get());
    EXPECT_EQ(XmlGetSourceEncoding(doc.get()), 2);
    EXPECT_EQ(XmlSetTargetEncoding(nullptr, 2), nullptr);
}

// Each step reserves, then commits, on the same document.
struct BufferStep {
    int reserve;
    int commit;
    bool reserved; // whether the reserve gives a position
    int commitResult;
    int capacity; // afterwards
    int pending;
};

struct BufferCase {
    const char* description;
    std::vector<BufferStep> steps;
};

void PrintTo(const BufferCase& c, std::ostream* os) {
    *os << c.description;
}

constexpr int STEP = XML_BUFFER_STEP;

const BufferCase kBufferCases[] = {
    {"first_reserve_is_one_step", {{1, 1, true, 0, STEP, 1}}},
    {"rounds_up_to_steps", {{STEP + 1, 0, true, 0, 2 * STEP, 0}}},
    {"strict_room_test",
     {{STEP, STEP - 1, true, 0, STEP, STEP - 1}, {1, 1, true, 0, 2 * STEP, STEP}}},
    {"two_then_three_steps",
     {{STEP, 0, true, 0, STEP, 0},
      {STEP, STEP + 1, true, 0, 2 * STEP, STEP + 1},
      {STEP, 0, true, 0, 3 * STEP, STEP + 1}}},
    {"commit_past_capacity", {{10, STEP + 1, true, -1, STEP, 0}}},
    {"negative_commit", {{10, 5, true, 0, STEP, 5}, {0, -1, true, -1, STEP, 5}}},
    {"nothing_to_grow", {{0, 0, false, 0, 0, 0}}},
    {"beyond_int_range", {{STEP, 0, true, 0, STEP, 0}, {2147483647, 0, false, 0, STEP, 0}}},
};

class BufferTable : public XmlTree, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(BufferTable, GrowsInStepsAndCounts) {
    DocPtr doc(XmlNewDoc());
    int step = 0;
    for (const BufferStep& s : GetParam().steps) {
        SCOPED_TRACE("step " + std::to_string(step++));
        char* at = XmlBufferReserve(doc.get(), s.reserve);
        EXPECT_EQ(at != nullptr, s.reserved);
        if (at != nullptr) {
            EXPECT_EQ(at, doc->buffer + doc->pending);
            EXPECT_EQ(doc->readPosition, doc->buffer);
        }
        EXPECT_EQ(XmlBufferCommit(doc.get(), s.commit), s.commitResult);
        EXPECT_EQ(doc->capacity, s.capacity);
        EXPECT_EQ(doc->pending, s.pending);
    }
}

INSTANTIATE_TEST_SUITE_P(Buffer, BufferTable, ::testing::ValuesIn(kBufferCases),
                         [](const auto& info) { return std::string(info.param.description); });

} // namespace
