// Tree queries: searches by scope and by ID, attributes with the "html"
// fallback, navigation by kind, reference decoding, gathered text, typed
// values, and the bounds of the two scratch areas.
#include "Qvxml/xmldoc.h"

#include "tree_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Every element has an ID, so that a result can be named by it.
const char* const kSearch =
    "<?xml version='1.0'?><!-- top --><r ID='r'><a ID='a1'><b ID='b1'/>"
    "<c ID='c1'><b ID='b2'/></c></a><b ID='b3'><![CDATA[bd]]></b>text<a ID='a2'>"
    "<x ID='x1' html='1'><![CDATA[cd]]></x><h html='1'><![CDATA[hd]]></h>"
    "</a><x ID='x2' html='1'>t<![CDATA[late]]></x></r>";

std::string IdOf(XmlNode* node) {
    const char* id = XmlGetAttribute(node, "ID");
    return node == nullptr ? "null" : id != nullptr ? id : "(no ID)";
}

TEST(XmlQueries, ElementsIdsAttributesAndNavigation) {
    DocPtr doc = Parse(kSearch);
    XmlNode* root = XmlGetRootElement(doc.get());
    ASSERT_STREQ(XmlNodeName(root), "r") << "the comment before it is passed over";
    // An element search tests the start node first, then goes in document
    // order; an ID search passes the start node over.
    XmlNode* a1 = XmlFindById(root, "a1");
    EXPECT_EQ(IdOf(XmlFindElement(a1, "a", XML_SCOPE_CHILDREN)), "a1");
    EXPECT_EQ(IdOf(XmlFindElement(a1, "x", XML_SCOPE_FOLLOWING)), "x2");
    EXPECT_EQ(IdOf(XmlFindElement(root, "b", XML_SCOPE_SUBTREE)), "b1");
    EXPECT_EQ(IdOf(XmlFindElement(root, "b", XML_SCOPE_CHILDREN)), "b3");
    EXPECT_EQ(XmlFindElement(XmlFindById(root, "c1"), "b", XML_SCOPE_FOLLOWING), nullptr);
    EXPECT_EQ(XmlFindById(root, "r"), nullptr);
    EXPECT_EQ(IdOf(XmlFindById(root, "b2")), "b2");
    EXPECT_EQ(IdOf(XmlFindById(root, "hd")), "hd") << "html fallback: the CDATA is the ID";
    EXPECT_EQ(XmlFindById(root, "cd"), nullptr) << "x1 has an ID of its own";
    EXPECT_STREQ(XmlGetAttribute(XmlFindById(root, "x1"), "text"), "cd");
    EXPECT_EQ(XmlGetAttribute(XmlFindById(root, "x2"), "text"), nullptr) << "CDATA not first";
    EXPECT_EQ(XmlGetAttribute(XmlFindById(root, "b3"), "text"), nullptr) << "CDATA, no html";
    EXPECT_STREQ(XmlGetElementAttribute(root, "c", "ID", XML_SCOPE_SUBTREE), "c1");
    EXPECT_EQ(XmlGetElementAttribute(root, "c", "ID", XML_SCOPE_CHILDREN), nullptr);
    EXPECT_EQ(IdOf(XmlNextElement(XmlFindById(root, "b3"))), "a2") << "the text is passed over";
    EXPECT_EQ(XmlNextElement(XmlFindById(root, "x2")), nullptr);
}

TEST(XmlText, DecodeEntities) {
    const char* const cases[][2] = {
        {"&amp;lt;", "&lt;"},
        {"&lt;&gt;&amp;&quot;&nbsp;", "<>&\" "},
        {"&#65;&#x41;&#X6a;&#0065;&#255;", "AAjA\xFF"},
        {"&#256;&#0;&#x100;&apos;", "&#256;&#0;&#x100;&apos;"},
        {"&#1a;&#x;&#;&#x1g;&#65", "&#1a;&#x;&#;&#x1g;&#65"},
        {"a\tb\nc\rd&#9;&#10;", "abc\rd\t\n"},
        {"a & b &&lt;", "a & b &<"},
        {"&#000000000000000000065;&#99999999999999999999;", "A&#99999999999999999999;"},
        {"", ""},
    };
    for (const auto& c : cases) {
        char apart[64];
        std::string inPlace = c[0];
        const char* end = XmlDecodeEntities(c[0], apart);
        XmlDecodeEntities(inPlace.data(), inPlace.data());
        EXPECT_EQ(std::string(apart, std::size_t(end - apart)) + (*end == '\0' ? "|" : "?|") +
                      inPlace.c_str(),
                  std::string(c[1]) + "|" + c[1]);
    }
    char out[8] = "xxxxxxx";
    EXPECT_EQ(XmlDecodeEntitiesN("ab&lt;cdef", out, 5), out + 4);
    EXPECT_STREQ(out, "ab<c");
}

TEST(XmlText, GatherText) {
    DocPtr doc = Parse("<?xml version='1.0'?><r>a<nl/><![CDATA[c]]><!--m-->b&amp;<p>q<nl>"
                       "</nl></p></r>");
    char gathered[64];
    EXPECT_EQ(XmlGatherText(XmlGetRootElement(doc.get()), gathered), gathered + 12);
    EXPECT_STREQ(gathered, "a[NL]b&q[NL]");
    XmlGatherTextN(XmlGetRootElement(doc.get()), gathered, 4);
    EXPECT_STREQ(gathered, "a[N");
    EXPECT_EQ(XmlGatherText(nullptr, gathered), gathered);
    EXPECT_STREQ(gathered, "");
}

const std::string kScratchValue(XML_ATTRIBUTE_SCRATCH_SIZE - 1, 'v');
const std::string kScratchText(XML_GATHER_SCRATCH_SIZE - 1, 't');

TEST(XmlValues, ReadValueFindsChoosesAndDelivers) {
    const struct {
        const char *description, *element, *attribute;
        int type;
        long minimum, maximum;
        int result;
        const char* stored; // the output afterwards, as text
    } cases[] = {
        {"text_cut_before_decoding", "v", "t", XML_VALUE_TEXT, 0, 3, 1, "&am"},
        {"text_decoded", "v", "t", XML_VALUE_TEXT, 0, 10, 1, "&x"},
        {"text_unbounded_raw", "v", "t", XML_VALUE_TEXT, 0, 0, 1, "&amp;x"},
        {"text_missing_attribute", "v", "zz", XML_VALUE_TEXT, 0, 5, 1, ""},
        {"text_of_element", "v", nullptr, XML_VALUE_TEXT, 0, 10, 1, "42"},
        {"no_element", "zz", "t", XML_VALUE_TEXT, 0, 10, 0, "old"},
        {"new_text_cut_after_decoding", "v", "ref", XML_VALUE_NEW_TEXT, 0, 1, 1, "A"},
        {"new_text_gathered", "w", "", XML_VALUE_NEW_TEXT, 0, 0, 1, "a&b[NL]c"},
        {"new_text_empty_attribute", "v", "e", XML_VALUE_NEW_TEXT, 0, 0, 0, "old"},
        {"new_text_no_text", "empty", nullptr, XML_VALUE_NEW_TEXT, 0, 0, 0, "old"},
        {"short_lowered", "v", "n", XML_VALUE_SHORT, 1, 10, 1, "10"},
        {"short_raised", "w", nullptr, XML_VALUE_SHORT, 1, 10, 1, "1"},
        {"long_sign_and_blanks", "v", "s", XML_VALUE_LONG, -100, 100, 1, "-7"},
        {"int_first_text_only", "v", nullptr, XML_VALUE_INT, 0, 100, 1, "42"},
        {"int_empty_stores_nothing", "v", "e", XML_VALUE_INT, 1, 10, 1, "old"},
        {"int_reference_not_decoded", "v", "ref", XML_VALUE_INT, 0, 100, 1, "0"},
        {"int_saturates", "v", "big", XML_VALUE_INT, LONG_MIN, LONG_MAX, 1, "2147483647"},
        {"short_saturates", "v", "n", XML_VALUE_SHORT, 70000, 80000, 1, "32767"},
        {"unknown_type", "v", "n", 9, 0, 100, 1, "old"},
        // Texts beyond the scratch areas are cut to fit them.
        {"attribute_scratch", "big", "a", XML_VALUE_NEW_TEXT, 0, 0, 1, kScratchValue.c_str()},
        {"gather_scratch", "big", nullptr, XML_VALUE_NEW_TEXT, 0, 0, 1, kScratchText.c_str()},
    };
    DocPtr doc = Parse("<?xml version='1.0'?><r><v t='&amp;x' n='25' e='' s=' -7z' "
                       "big='99999999999' ref='&#65;1'>42<i/>tail</v><w>  a&amp;b<nl/>c</w>"
                       "<empty/><big a='" +
                       std::string(3 * XML_ATTRIBUTE_SCRATCH_SIZE, 'v') + "'>" +
                       std::string(2 * XML_GATHER_SCRATCH_SIZE, 't') + "</big></r>");
    XmlNode* root = XmlGetRootElement(doc.get());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        char text[32] = "old";
        char* newText = static_cast<char*>(std::malloc(4)); // released when replaced
        std::strcpy(newText, "old");
        int32_t n = INT32_MIN;
        int16_t s = INT16_MIN;
        void* outs[] = {text, &newText, &s, &n, &n}; // by type
        const int result = XmlGetValue(root, c.element, c.attribute, c.type, c.minimum, c.maximum,
                                       c.type < 5 ? outs[c.type] : &n);
        const std::string stored = c.type == XML_VALUE_TEXT       ? text
                                   : c.type == XML_VALUE_NEW_TEXT ? newText
                                   : s != INT16_MIN               ? std::to_string(s)
                                   : n != INT32_MIN               ? std::to_string(n)
                                                                  : "old";
        std::free(newText);
        EXPECT_EQ(std::to_string(result) + " " + stored, std::to_string(c.result) + " " + c.stored);
    }
}

} // namespace
