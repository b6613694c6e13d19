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

// Every element carries its ID, so that a result can be named.
const char* const kSearchDocument = "<?xml version='1.0'?><!-- top --><r ID='r'>"
                                    "<a ID='a1'><b ID='b1'/><c ID='c1'><b ID='b2'/></c></a>"
                                    "<b ID='b3'/>text<a ID='a2'><x ID='x1' html='1'><![CDATA[cd]]>"
                                    "</x><h html='1'><![CDATA[hd]]></h></a><x ID='x2'/></r>";

XmlNode* ById(XmlDoc* doc, const char* id) {
    XmlNode* root = XmlGetRootElement(doc);
    return std::string(id) == "r" ? root : XmlFindById(root, id);
}

const char* IdOf(XmlNode* node) {
    return node != nullptr ? XmlGetAttribute(node, "ID") : "null";
}

struct FindCase {
    const char* description;
    const char* start; // ID of the start node
    const char* name;
    int scope;
    const char* found; // ID, or "null"
};

const FindCase kFindCases[] = {
    {"self_matches", "a1", "a", XML_SCOPE_SELF, "a1"},
    {"self_only", "r", "a", XML_SCOPE_SELF, "null"},
    {"children", "r", "b", XML_SCOPE_CHILDREN, "b3"},
    {"children_not_grandchildren", "r", "c", XML_SCOPE_CHILDREN, "null"},
    {"children_start_matches", "a1", "a", XML_SCOPE_CHILDREN, "a1"},
    {"subtree_document_order", "r", "b", XML_SCOPE_SUBTREE, "b1"},
    {"subtree_deep", "r", "c", XML_SCOPE_SUBTREE, "c1"},
    {"subtree_stays_inside", "c1", "a", XML_SCOPE_SUBTREE, "null"},
    {"subtree_any_other_code", "r", "c", 7, "c1"},
    {"following_returns_start", "a1", "a", XML_SCOPE_FOLLOWING, "a1"},
    {"following_siblings", "a1", "x", XML_SCOPE_FOLLOWING, "x2"},
    {"following_not_descendants", "c1", "b", XML_SCOPE_FOLLOWING, "null"},
    {"case_sensitive", "r", "B", XML_SCOPE_SUBTREE, "null"},
    {"text_never_matches", "r", "#text", XML_SCOPE_SUBTREE, "null"},
};

class FindTable : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindTable, FirstMatchInScopeOrder) {
    const FindCase& c = GetParam();
    DocPtr doc = Parse(kSearchDocument);
    XmlNode* start = ById(doc.get(), c.start);
    ASSERT_NE(start, nullptr);
    EXPECT_STREQ(IdOf(XmlFindElement(start, c.name, c.scope)), c.found);
}

INSTANTIATE_TEST_SUITE_P(Scopes, FindTable, ::testing::ValuesIn(kFindCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(XmlQueries, IdsAttributesAndNavigation) {
    DocPtr doc = Parse(kSearchDocument);
    XmlNode* root = XmlGetRootElement(doc.get());
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "r") << "the comment before it is passed over";
    EXPECT_EQ(XmlFindById(root, "r"), nullptr) << "the start node is not tested";
    EXPECT_STREQ(IdOf(XmlFindById(root, "b2")), "b2");
    EXPECT_STREQ(IdOf(XmlFindById(root, "hd")), "hd") << "html fallback: CDATA as ID";
    EXPECT_EQ(XmlFindById(root, "cd"), nullptr) << "x1 has an ID of its own";
    EXPECT_EQ(XmlFindById(root, "zz"), nullptr);

    XmlNode* x1 = XmlFindById(root, "x1");
    EXPECT_STREQ(XmlGetAttribute(x1, "missing"), "cd");
    EXPECT_STREQ(XmlGetAttribute(x1, "html"), "1");
    EXPECT_EQ(XmlGetAttribute(XmlFindById(root, "x2"), "missing"), nullptr);
    EXPECT_STREQ(XmlGetElementAttribute(root, "c", "ID", XML_SCOPE_SUBTREE), "c1");
    EXPECT_EQ(XmlGetElementAttribute(root, "c", "ID", XML_SCOPE_CHILDREN), nullptr);

    XmlNode* b3 = XmlFindById(root, "b3");
    EXPECT_STREQ(XmlFirstTextChild(root)->value, "text");
    EXPECT_STREQ(IdOf(XmlFirstChildElement(root)), "a1");
    EXPECT_STREQ(IdOf(XmlNextElement(b3)), "a2") << "the text between is passed over";
    EXPECT_EQ(XmlNextSiblingOfKind(b3, XML_NODE_TEXT)->kind, XML_NODE_TEXT);
    EXPECT_EQ(XmlFirstChildOfKind(x1, XML_NODE_CDATA)->kind, XML_NODE_CDATA);
    EXPECT_EQ(XmlNextElement(XmlFindById(root, "x2")), nullptr);
    EXPECT_EQ(XmlGetRootElement(nullptr), nullptr);
    EXPECT_EQ(XmlFindElement(nullptr, "r", XML_SCOPE_SUBTREE), nullptr);
    EXPECT_EQ(XmlFirstChildElement(nullptr), nullptr);
}

TEST(XmlQueries, HtmlFallbackNeedsCDataFirst) {
    DocPtr doc = Parse("<?xml version='1.0'?><r><a html='1'>t<![CDATA[x]]></a>"
                       "<b other='1'><![CDATA[x]]></b></r>");
    XmlNode* root = XmlGetRootElement(doc.get());
    EXPECT_EQ(XmlGetAttribute(XmlFindElement(root, "a", 1), "text"), nullptr);
    EXPECT_EQ(XmlGetAttribute(XmlFindElement(root, "b", 1), "text"), nullptr);
}

// --- decoding --------------------------------------------------------------------

struct DecodeCase {
    const char* description;
    const char* source;
    const char* decoded;
};

const DecodeCase kDecodeCases[] = {
    {"one_level_only", "&amp;lt;", "&lt;"},
    {"named", "&lt;&gt;&amp;&quot;&nbsp;", "<>&\" "},
    {"decimal_and_hex", "&#65;&#x41;&#X6a;&#0065;", "AAjA"},
    {"top_of_range", "&#255;&#xff;", "\xFF\xFF"},
    {"out_of_range", "&#256;&#0;&#x100;", "&#256;&#0;&#x100;"},
    {"apostrophe_stays", "&apos;", "&apos;"},
    {"bad_digits", "&#1a;&#x;&#;&#x1g;", "&#1a;&#x;&#;&#x1g;"},
    {"unterminated", "&#65", "&#65"},
    {"tab_and_lf_dropped", "a\tb\nc\rd", "abc\rd"},
    {"tab_and_lf_references_kept", "&#9;&#10;", "\t\n"},
    {"lone_ampersand", "a & b &", "a & b &"},
    {"ampersand_then_reference", "&&lt;", "&<"},
    {"long_number", "&#000000000000000000065;&#99999999999999999999;", "A&#99999999999999999999;"},
    {"empty", "", ""},
};

class DecodeTable : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTable, DecodesInPlaceAndApart) {
    const DecodeCase& c = GetParam();
    char apart[128];
    EXPECT_EQ(XmlDecodeEntities(c.source, apart), apart + std::strlen(c.decoded));
    EXPECT_STREQ(apart, c.decoded);
    std::string inPlace = c.source;
    XmlDecodeEntities(inPlace.data(), inPlace.data());
    EXPECT_STREQ(inPlace.c_str(), c.decoded);
}

INSTANTIATE_TEST_SUITE_P(References, DecodeTable, ::testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(XmlText, BoundedFormsCutAtTheirSize) {
    char out[8] = "xxxxxxx";
    EXPECT_EQ(XmlDecodeEntitiesN("ab&lt;cdef", out, 5), out + 4);
    EXPECT_STREQ(out, "ab<c");
    EXPECT_EQ(XmlDecodeEntitiesN("abc", out, 0), out);
    EXPECT_EQ(out[0], 'a') << "size 0 writes nothing";

    DocPtr doc = Parse("<?xml version='1.0'?><r>a<nl/><![CDATA[c]]><!--m-->b&amp;<p>q<nl>"
                       "</nl></p></r>");
    XmlNode* root = XmlGetRootElement(doc.get());
    char gathered[64];
    EXPECT_EQ(XmlGatherText(root, gathered), gathered + 12);
    EXPECT_STREQ(gathered, "a[NL]b&q[NL]");
    XmlGatherTextN(root, gathered, 8);
    EXPECT_STREQ(gathered, "a[NL]b&");
    XmlGatherTextN(root, gathered, 4);
    EXPECT_STREQ(gathered, "a[N");
    EXPECT_EQ(XmlGatherText(nullptr, gathered), gathered);
    EXPECT_STREQ(gathered, "");
}

// --- typed values ----------------------------------------------------------------

const char* const kValueDocument =
    "<?xml version='1.0'?><r><v t='&amp;x' n='25' e='' s=' -7z' big='99999999999' "
    "ref='&#65;1'>42<i/>tail</v><w>  a&amp;b<nl/>c</w><empty/></r>";

struct ValueCase {
    const char* description;
    const char* element;
    const char* attribute;
    int type;
    long minimum, maximum;
    int result;
    const char* stored; // what the output holds afterwards, as text; "-" untouched
};

const ValueCase kValueCases[] = {
    {"text_cut_before_decoding", "v", "t", XML_VALUE_TEXT, 0, 3, 1, "&am"},
    {"text_decoded", "v", "t", XML_VALUE_TEXT, 0, 10, 1, "&x"},
    {"text_unbounded_raw", "v", "t", XML_VALUE_TEXT, 0, 0, 1, "&amp;x"},
    {"text_missing_attribute", "v", "zz", XML_VALUE_TEXT, 0, 5, 1, ""},
    {"text_of_element", "v", nullptr, XML_VALUE_TEXT, 0, 10, 1, "42"},
    {"text_no_element", "zz", "t", XML_VALUE_TEXT, 0, 10, 0, "-"},
    {"new_text_decoded", "v", "t", XML_VALUE_NEW_TEXT, 0, 0, 1, "&x"},
    {"new_text_cut_after_decoding", "v", "ref", XML_VALUE_NEW_TEXT, 0, 1, 1, "A"},
    {"new_text_gathered", "w", "", XML_VALUE_NEW_TEXT, 0, 0, 1, "a&b[NL]c"},
    {"new_text_empty_attribute", "v", "e", XML_VALUE_NEW_TEXT, 0, 0, 0, "-"},
    {"new_text_no_text", "empty", nullptr, XML_VALUE_NEW_TEXT, 0, 0, 0, "-"},
    {"short_clamped_down", "v", "n", XML_VALUE_SHORT, 1, 10, 1, "10"},
    {"short_raised", "w", nullptr, XML_VALUE_SHORT, 1, 10, 1, "1"},
    {"int_in_range", "v", "n", XML_VALUE_INT, 0, 100, 1, "25"},
    {"long_sign_and_blanks", "v", "s", XML_VALUE_LONG, -100, 100, 1, "-7"},
    {"int_first_text_only", "v", nullptr, XML_VALUE_INT, 0, 100, 1, "42"},
    {"int_empty_stores_nothing", "v", "e", XML_VALUE_INT, 1, 10, 1, "-"},
    {"int_missing_stores_nothing", "empty", nullptr, XML_VALUE_INT, 1, 10, 1, "-"},
    {"int_reference_not_decoded", "v", "ref", XML_VALUE_INT, 0, 100, 1, "0"},
    {"int_saturates", "v", "big", XML_VALUE_INT, LONG_MIN, LONG_MAX, 1, "2147483647"},
    {"short_saturates", "v", "n", XML_VALUE_SHORT, 70000, 80000, 1, "32767"},
    {"unknown_type", "v", "n", 9, 0, 100, 1, "-"},
};

class ValueTable : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ValueTable, FindsChoosesAndDelivers) {
    const ValueCase& c = GetParam();
    DocPtr doc = Parse(kValueDocument);
    XmlNode* root = XmlGetRootElement(doc.get());
    std::string stored = "-";
    int result = 0;
    if (c.type == XML_VALUE_TEXT) {
        char text[32] = "-";
        result = XmlGetValue(root, c.element, c.attribute, c.type, c.minimum, c.maximum, text);
        stored = text;
    } else if (c.type == XML_VALUE_NEW_TEXT) {
        char* text = nullptr;
        result = XmlGetValue(root, c.element, c.attribute, c.type, c.minimum, c.maximum, &text);
        stored = text != nullptr ? text : "-";
        std::free(text);
    } else if (c.type == XML_VALUE_SHORT) {
        int16_t n = -999;
        result = XmlGetValue(root, c.element, c.attribute, c.type, c.minimum, c.maximum, &n);
        stored = n == -999 ? "-" : std::to_string(n);
    } else {
        int32_t n = -999;
        result = XmlGetValue(root, c.element, c.attribute, c.type, c.minimum, c.maximum, &n);
        stored = n == -999 ? "-" : std::to_string(n);
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(stored, c.stored);
}

INSTANTIATE_TEST_SUITE_P(Values, ValueTable, ::testing::ValuesIn(kValueCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(XmlValues, NewTextReplacesTheOldText) {
    DocPtr doc = Parse(kValueDocument);
    char* text = static_cast<char*>(std::malloc(4));
    std::strcpy(text, "old");
    EXPECT_EQ(XmlReadValue(XmlGetRootElement(doc.get()), "v", "n", XML_VALUE_NEW_TEXT, 0, 0,
                           XML_SCOPE_CHILDREN, &text),
              1);
    EXPECT_STREQ(text, "25");
    std::free(text);
}

TEST(XmlValues, ScratchAreasAreNeverOverrun) {
    const std::string longValue(3 * XML_ATTRIBUTE_SCRATCH_SIZE, 'v');
    const std::string longText(2 * XML_GATHER_SCRATCH_SIZE, 't');
    DocPtr doc = Parse("<?xml version='1.0'?><r a='" + longValue + "'>" + longText + "</r>");
    XmlNode* root = XmlGetRootElement(doc.get());
    char* text = nullptr;
    ASSERT_EQ(XmlGetValue(root, "r", "a", XML_VALUE_NEW_TEXT, 0, 0, &text), 1);
    EXPECT_EQ(std::strlen(text), static_cast<std::size_t>(XML_ATTRIBUTE_SCRATCH_SIZE - 1));
    ASSERT_EQ(XmlGetValue(root, "r", nullptr, XML_VALUE_NEW_TEXT, 0, 0, &text), 1);
    EXPECT_EQ(std::strlen(text), static_cast<std::size_t>(XML_GATHER_SCRATCH_SIZE - 1));
    std::free(text);
}

} // namespace
