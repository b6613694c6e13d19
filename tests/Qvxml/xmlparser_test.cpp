// Parser driver: what each token becomes, the declaration rules and error
// reporting, input cut anywhere, files read as in a text mode, the traces of
// both entry points, and documents nested a million elements deep.
#include "Qvxml/xmlchar.h"
#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"
#include "trace/trace.h"

#include "tree_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const std::string kDecl = "<?xml version='1.0'?>";

// --- what the tokens become ------------------------------------------------------

struct ParseCase {
    const char* description;
    std::string input;
    int result;
    const char* picture; // of the top-level list
    int error;
    const char* errorText;
    int source = XML_ENC_UTF8;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.description;
}

const ParseCase kParseCases[] = {
    {"no_declaration", "<!--c--><r>t</r>", 0, "#\"c\"", 1, "Error EndTag:</r>"},
    {"doctype_before_declaration", "<!DOCTYPE r>" + kDecl + "<r/>", -2, "", 1, ""},
    {"first_pi_not_declaration", "<?app x?><r/>", -2, "", 1, ""},
    {"bad_declaration", "<?xml version='1.0' standalone='maybe'?><r/>", -2, "", 1, ""},
    {"second_declaration", kDecl + kDecl + "<r/>", 0, "?\"xml version='1.0'\" r", 0, ""},
    {"mismatched_end_tag", kDecl + "<r><a></b><c/></a></r>", 0, "r(a(c))", 1,
     "Error EndTagName(b) invalido </b><c/></a></r"},
    {"end_tag_without_open_element", kDecl + "<r/></r>", 0, "r", 1, "Error EndTag:</r>"},
    {"white_space_between_tags", kDecl + "\n<r>\n  <a> </a>\t<b>x y </b>\n</r>\n", 0,
     "r(a b(\"x y \"))", 0, ""},
    {"duplicate_attributes", kDecl + "<r a='1' a=\"2\"/>", 0, "r{a=1 a=2}", 0, ""},
    {"open_elements_stay", kDecl + "<r><a>t", 0, "r(a(\"t\"))", 0, ""},
    {"second_top_level_element", kDecl + "<r/><s><t/></s><!--e-->", 0, "r s(t) #\"e\"", 0, ""},
    {"bare_doctype", kDecl + "<!DOCTYPE><r/>", 0, "D\"\" r", 0, ""},
    {"delimiters_dropped",
     kDecl + "<!DOCTYPE q SYSTEM 'q.dtd'><!-- c --><?p d?><r><![CDATA[<x>]]></r>", 0,
     "D\"q SYSTEM 'q.dtd'\" #\" c \" ?\"p d\" r(C\"<x>\")", 0, ""},
    {"text_outside_element", kDecl + "text<r/>", 0, "r", 1, ""},
    {"cdata_outside_element", kDecl + "<![CDATA[x]]><r/>", 0, "r", 1, ""},
    {"references_kept_raw", kDecl + "<r a='&lt;'>&amp;</r>", 0, "r{a=&lt;}(\"&amp;\")", 0, ""},
    {"scanner_error", kDecl + "<r>a & b</r>", -2, "r", 1, ""},
    {"ends_inside_token", kDecl + "<r><a", 1, "r", 0, ""},
    {"byte_order_mark", "\xEF\xBB\xBF" + kDecl + "<r/>", 0, "r", 0, ""},
    {"latin1_copied", "<?xml version='1.0' encoding='ISO-8859-1'?><r\xE9 a='\xF1'>x\x01y</r\xE9>",
     0, "r\xE9{a=\xF1}(\"xy\")", 0, "", XML_ENC_LATIN1},
    {"utf8_converted", kDecl + "<r\xC3\xA9 a='\xC3\xB1'>\xC3\xBC\x01</r\xC3\xA9>", 0,
     "r\xE9{a=\xF1}(\"\xFC\x01\")", 0, ""},
    {"unknown_encoding_copied", "<?xml version='1.0' encoding='KOI8-R'?><r>\xC3\xBC</r>", 0,
     "r(\"\xC3\xBC\")", 0, "", XML_ENC_UNKNOWN},
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, BuildsTheTree) {
    const ParseCase& c = GetParam();
    int result = 99;
    DocPtr doc = Parse(c.input, &result);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(Picture(doc->firstNode), c.picture);
    EXPECT_EQ(doc->error, c.error);
    EXPECT_STREQ(doc->errorText, c.errorText);
    EXPECT_EQ(doc->sourceEncoding, c.source);
}

INSTANTIATE_TEST_SUITE_P(Tokens, ParseTable, ::testing::ValuesIn(kParseCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(XmlParser, DeclarationFieldsAndLossyFlag) {
    int result = 0;
    int lossy = 0;
    DocPtr doc =
        Parse("<?xml version=\"1.1\" encoding='UTF-8' standalone='yes'?><r>\xE2\x82\xAC</r>",
              &result, &lossy);
    EXPECT_STREQ(doc->version, "1.1");
    EXPECT_EQ(doc->standalone, 1);
    EXPECT_EQ(lossy, 0) << "text is converted without the flag";
    doc = Parse(kDecl + "<r a='\xE2\x82\xAC'/>", &result, &lossy);
    EXPECT_EQ(lossy, 1);
}

TEST(XmlParser, UnfinishedTokenWaitsAtTheBufferStart) {
    int result = 0;
    DocPtr doc = ParsePieces(kDecl + "<r>text<a b='1'/></r>", {kDecl.size() + 10}, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Picture(doc->firstNode), "r(\"text\" a{b=1})");
    doc = Parse(kDecl + "<r>text<a b=", &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::string(doc->readPosition, static_cast<std::size_t>(doc->pending)), "<a b=");
    EXPECT_EQ(doc->readPosition, doc->buffer);
}

// --- input cut anywhere ------------------------------------------------------------

// A settings document in ISO-8859-1 with every kind of token.
const std::string kSettings =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" standalone=\"yes\"?>\r\n"
    "<!DOCTYPE quorvp>\r\n<!-- ajustes de la mesa 3 -->\r\n<?proc a?>\r\n"
    "<quorvp>\r\n  <lang value=\"es\"/>\r\n  <workarea value='C:\\Quorvel\\Work'/>\r\n"
    "  <messages xml:lang=\"es\">\r\n"
    "    <t ID=\"mes1\" text=\"Bienvenido &amp; pr&#233;stamo\"/>\r\n"
    "    <t ID=\"mes2\" html=\"1\"><![CDATA[<b>Aviso</b>]]></t>\r\n"
    "    <grupo><t ID=\"op1\" text='Pr\xE9stamo'/></grupo>\r\n"
    "    <p>L\xEDnea uno<nl/>l\xEDnea&#32;dos &lt;fin&gt;</p>\r\n  </messages>\r\n"
    "  <mbarcode><m model=\"L\" value=\"ANNNNNK\" controlDigit=\"2\"/></mbarcode>\r\n"
    "</quorvp>\r\n<!-- fin -->\r\n";

TEST(XmlParserCuts, WholeDocumentTree) {
    int result = 99;
    DocPtr doc = Parse(kSettings, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(doc->error, 0);
    EXPECT_EQ(doc->sourceEncoding, XML_ENC_LATIN1);
    EXPECT_EQ(Picture(doc->firstNode),
              "D\"quorvp\" #\" ajustes de la mesa 3 \" ?\"proc a\" quorvp(lang{value=es} "
              "workarea{value=C:\\Quorvel\\Work} messages{xml:lang=es}(t{ID=mes1 "
              "text=Bienvenido &amp; pr&#233;stamo} t{ID=mes2 html=1}(C\"<b>Aviso</b>\") "
              "grupo(t{ID=op1 text=Pr\xE9stamo}) p(\"L\xEDnea uno\" nl \"l\xEDnea&#32;dos "
              "&lt;fin&gt;\")) mbarcode(m{model=L value=ANNNNNK controlDigit=2})) #\" fin \"");
}

TEST(XmlParserCuts, AnyCutGivesTheSameTree) {
    int result = 99;
    const std::string whole = Picture(Parse(kSettings, &result)->firstNode, true);
    for (std::size_t cut = 1; cut < kSettings.size(); ++cut) {
        DocPtr doc = ParsePieces(kSettings, {cut}, &result);
        ASSERT_EQ(result, 0) << "cut at " << cut;
        ASSERT_EQ(doc->error, 0) << "cut at " << cut;
        ASSERT_EQ(Picture(doc->firstNode, true), whole) << "cut at " << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < kSettings.size(); ++i) {
        everyByte.push_back(i);
    }
    DocPtr doc = ParsePieces(kSettings, everyByte, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Picture(doc->firstNode, true), whole);
}

// --- files and traces ----------------------------------------------------------------

struct Trace {
    int level;
    std::string format;
    bool operator==(const Trace&) const = default;
};

std::vector<Trace> g_traces;

void Collect(int level, const char* moduleName, const TraceModule*, const char* format, int) {
    if (std::string(moduleName) == "xml#xmlpar") {
        g_traces.push_back({level, format});
    }
}

class XmlParserFiles : public ::testing::Test {
protected:
    void SetUp() override {
        g_traces.clear();
        previous_ = TraceSetObserver(Collect);
    }
    void TearDown() override {
        TraceSetObserver(previous_);
        std::remove(path_.c_str());
    }
    // Writes bytes to the test's file and parses it.
    DocPtr ParseFile(const std::string& bytes) {
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        g_traces.clear();
        return DocPtr(XmlParserFile(path_.c_str()));
    }
    bool Traced(int level, const char* format) const {
        for (const Trace& t : g_traces) {
            if (t == Trace{level, format}) {
                return true;
            }
        }
        return false;
    }
    std::string path_ = ::testing::TempDir() + "quorvel_parser_test.xml";
    TraceObserver previous_ = nullptr;
};

TEST_F(XmlParserFiles, OutcomesAndTheirTraces) {
    EXPECT_EQ(XmlParserFile((path_ + ".missing").c_str()), nullptr);
    EXPECT_TRUE(Traced(TRACE_FATAL, "XmlParserFile <- (1)"));
    EXPECT_EQ(XmlParserFile(nullptr), nullptr);

    EXPECT_EQ(ParseFile("<!DOCTYPE r>" + kDecl + "<r/>"), nullptr);
    EXPECT_TRUE(Traced(TRACE_LOG, "XmlParserBuffer <- (4)"));
    EXPECT_TRUE(Traced(TRACE_LOG, "XmlParserFile <- (5)"));
    EXPECT_EQ(ParseFile("<?app?><r/>"), nullptr);

    DocPtr doc = ParseFile(kDecl + "<r><a>");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(g_traces.back(), (Trace{TRACE_LOG, "XmlParserFile <- "}));
    EXPECT_EQ(doc->complete, 1);
    EXPECT_EQ(doc->cleanEnd, 1) << "open elements are no unclean end";
    EXPECT_EQ(doc->buffer, nullptr);
    EXPECT_EQ(doc->capacity, 0);

    doc = ParseFile(kDecl + "<r><a");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->cleanEnd, 0) << "ends inside a token";
    EXPECT_TRUE(Traced(TRACE_LOG, "XmlParserBuffer <- (2)"));

    doc = ParseFile("<r/>");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(XmlGetRootElement(doc.get()), nullptr);
    EXPECT_EQ(doc->error, 1);
    EXPECT_EQ(doc->cleanEnd, 0) << "no declaration";

    doc = ParseFile("");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->cleanEnd, 0);
}

// Files read as in a text mode. The first read takes 65535 bytes, so a byte
// placed at offset 65534 ends it.
struct TextModeCase {
    const char* description;
    std::size_t offset; // where special begins in the comment (0: right after "<!--")
    std::string special;
    std::string comment; // expected value of the comment, with the filler as "*"
    const char* after;   // bytes after the document
};

void PrintTo(const TextModeCase& c, std::ostream* os) {
    *os << c.description;
}

const std::string kBefore = kDecl + "<r><!--";
constexpr std::size_t kFirstRead = XML_BUFFER_STEP;

const TextModeCase kTextModeCases[] = {
    {"pair_in_a_chunk", 0, "a\r\nb", "a\nb", ""},
    {"pair_split_by_chunks", kFirstRead - 1, "\r\nb", "*\nb", ""},
    {"lone_cr", 0, "a\rb", "a\rb", ""},
    {"lone_cr_ends_chunk", kFirstRead - 1, "\rb", "*\rb", ""},
    {"cr_cr_lf", 0, "\r\r\n", "\r\n", ""},
    {"lone_cr_then_split_pair", kFirstRead - 2, "\r\r\n", "*\r\n", ""},
    {"eof_marker_ends_input", 0, "a", "a", "\x1A<<<"},
    {"eof_marker_opens_chunk", kFirstRead - 8, "a", "*a", "\x1A<<<"},
};

class TextModeTable : public XmlParserFiles, public ::testing::WithParamInterface<TextModeCase> {};

TEST_P(TextModeTable, CrLfBecomesLf) {
    const TextModeCase& c = GetParam();
    const std::size_t fill = c.offset == 0 ? 0 : c.offset - kBefore.size();
    const std::string filler(fill, 'f');
    DocPtr doc = ParseFile(kBefore + filler + c.special + "--></r>" + c.after);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->cleanEnd, 1);
    XmlNode* comment = XmlFirstChildOfKind(XmlGetRootElement(doc.get()), XML_NODE_COMMENT);
    ASSERT_NE(comment, nullptr);
    std::string expected = c.comment;
    if (!expected.empty() && expected[0] == '*') {
        expected.replace(0, 1, filler);
    }
    EXPECT_EQ(std::string(comment->value), expected);
}

INSTANTIATE_TEST_SUITE_P(TextMode, TextModeTable, ::testing::ValuesIn(kTextModeCases),
                         [](const auto& info) { return std::string(info.param.description); });

TEST_F(XmlParserFiles, MillionDeepDocument) {
    constexpr int kDepth = 1000000;
    std::string text = kDecl;
    text.reserve(8 * kDepth);
    for (int i = 0; i < kDepth; ++i) {
        text += "<a>";
    }
    text += "<b ID='deep'>x<nl/></b>";
    for (int i = 0; i < kDepth; ++i) {
        text += "</a>";
    }
    DocPtr doc = ParseFile(text);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->cleanEnd, 1);
    EXPECT_EQ(doc->error, 0);
    XmlNode* root = XmlGetRootElement(doc.get());
    XmlNode* deep = XmlFindElement(root, "b", XML_SCOPE_SUBTREE);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(XmlFindById(root, "deep"), deep);
    EXPECT_EQ(XmlFindElement(root, "zz", XML_SCOPE_SUBTREE), nullptr);
    int depth = 0;
    for (XmlNode* n = deep->parent; n != nullptr; n = n->parent) {
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    char* gathered = nullptr;
    ASSERT_EQ(XmlGetValue(root, "a", nullptr, XML_VALUE_NEW_TEXT, 0, 0, &gathered), 1);
    EXPECT_STREQ(gathered, "x[NL]");
    std::free(gathered);
}

} // namespace
