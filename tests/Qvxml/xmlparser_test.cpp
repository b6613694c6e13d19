// Parser driver: what each token becomes, the declaration rules and error
// reporting with places that no cut of the input moves, files read as in a
// text mode, the traces of both entry points, and a document nested a
// million elements deep. Whole-versus-pieces trees are the xml_parse fuzz
// target's check.
#include "Qvxml/xmlchar.h"
#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include "trace_log.h"
#include "tree_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string kDecl = "<?xml version='1.0'?>";

// A report on one line: each listed dropped token as kind@line:column with
// its excerpt in brackets, "+N" for N more dropped than listed, then "!" and
// the failure, and "end" with the token a file ended inside.
std::string Describe(const XmlParseReport& r) {
    static const char* const kinds[] = {"",           "mismatch", "unopened",  "text",   "cdata",
                                        "undeclared", "memory",   "tag",       "endtag", "comment",
                                        "section",    "doctype",  "pi",        "markup", "ref",
                                        "doctype1",   "decl",     "unfinished"};
    auto one = [](const XmlProblem& p) {
        return std::string(kinds[p.code]) + "@" + std::to_string(p.line) + ":" +
               std::to_string(p.column) + "[" + p.excerpt + "]";
    };
    std::string out;
    for (int i = 0; i < r.droppedCount && i < XML_REPORT_DROPPED; ++i) {
        out += (out.empty() ? "" : " ") + one(r.dropped[i]);
    }
    out += r.droppedCount > XML_REPORT_DROPPED
               ? " +" + std::to_string(r.droppedCount - XML_REPORT_DROPPED)
               : "";
    out += r.failure.code != XML_PROBLEM_NONE ? (out.empty() ? "!" : " !") + one(r.failure) : "";
    out += r.unfinished.code != XML_PROBLEM_NONE
               ? (out.empty() ? "end " : " end ") + one(r.unfinished)
               : "";
    return out;
}

// A parse on one line: its result, the picture of the top-level list, then
// "!", the error flag and text when either is set, and "@" and the source
// encoding when it is not UTF-8.
std::string Outcome(int result, const XmlDoc* doc) {
    return std::to_string(result) + " " + Picture(doc->firstNode) +
           (doc->error != 0 || doc->errorText[0] != '\0'
                ? " !" + std::to_string(doc->error) + doc->errorText
                : "") +
           (doc->sourceEncoding != XML_ENC_UTF8 ? " @" + std::to_string(doc->sourceEncoding) : "");
}

TEST(XmlParser, WhatTheTokensBecome) {
    const struct {
        std::string input;
        const char *outcome, *report; // report: Describe of the report of the same parse
    } cases[] = {
        {"<!--c--><r>t</r>", "0 #\"c\" !1Error EndTag:</r>",
         "undeclared@1:9[<r>] text@1:12[t] unopened@1:13[</r>]"},
        {"<!DOCTYPE r>" + kDecl + "<r/>", "-2  !1",
         "!doctype1@1:1[<!DOCTYPE r><?xml version='1.0'?]"},
        {"<?app x?><r/>", "-2  !1", "!decl@1:1[<?app x?><r/>]"}, // the first PI is no declaration
        {"<?xml version='1.0' standalone='maybe'?><r/>", "-2  !1",
         "!decl@1:1[<?xml version='1.0' standalone=']"},
        {kDecl + kDecl + "<r/>", "0 ?\"xml version='1.0'\" r", ""},
        {kDecl + "<r><a></b><c/></a></r>",
         "0 r(a(c)) !1Error EndTagName(b) invalido </b><c/></a></r", "mismatch@1:28[</b>]"},
        {kDecl + "<r/></r>", "0 r !1Error EndTag:</r>", "unopened@1:26[</r>]"},
        {kDecl + "\n<r>\n <a> </a>\t<b>x y </b>\n</r>\n", "0 r(a b(\"x y \"))", ""},
        {kDecl + "<r a='1' a=\"2\"/>", "0 r{a=1 a=2}", ""},
        {kDecl + "<r><a>t", "0 r(a(\"t\"))", ""}, // open elements stay
        {kDecl + "<r/><s><t/></s><!--e-->", "0 r s(t) #\"e\"", ""},
        {kDecl + "<!DOCTYPE q SYSTEM 'q'><!-- c --><?p d?><r><![CDATA[<x>]]></r>",
         "0 D\"q SYSTEM 'q'\" #\" c \" ?\"p d\" r(C\"<x>\")", ""},
        {kDecl + "text<r/>", "0 r !1", "text@1:22[text]"},
        {kDecl + "<r a='&lt;'>&amp;</r>", "0 r{a=&lt;}(\"&amp;\")", ""}, // references kept raw
        {kDecl + "<r>a & b</r>", "-2 r !1", "!ref@1:27[& b</r>]"},
        {"<?xml version='1.0' encoding='ISO-8859-1'?><r\xE9 a='\xF1'>x\x01y</r\xE9>",
         "0 r\xE9{a=\xF1}(\"xy\") @4", ""},
        {kDecl + "<r\xC3\xA9 a='\xC3\xB1'>\xC3\xBC\x01</r\xC3\xA9>",
         "0 r\xE9{a=\xF1}(\"\xFC\x01\")", ""},
        {"<?xml version='1.0' encoding='KOI8-R'?><r>\xC3\xBC</r>", "0 r(\"\xC3\xBC\") @-1", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.input));
        // With a report and without, the parse is the same.
        int result = 99;
        DocPtr doc = Parse(c.input, &result);
        EXPECT_EQ(Outcome(result, doc.get()), c.outcome);
        XmlParseReport report;
        doc = Parse(c.input, &result, nullptr, &report);
        EXPECT_EQ(Outcome(result, doc.get()), c.outcome);
        EXPECT_EQ(Describe(report), c.report);
    }
}

TEST(XmlParser, DeclarationFieldsAndLossyFlag) {
    int result = 0, lossy = 0;
    DocPtr doc =
        Parse("<?xml version='1.1' standalone='yes'?><r>\xE2\x82\xAC</r>", &result, &lossy);
    EXPECT_EQ(std::string(doc->version) + " " + std::to_string(doc->standalone) + " " +
                  std::to_string(lossy),
              "1.1 1 0")
        << "text is converted without the flag";
    doc = Parse(kDecl + "<r a='\xE2\x82\xAC'/>", &result, &lossy);
    EXPECT_EQ(lossy, 1);
    doc = Parse(kDecl + "<r>text<a b=", &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::string(doc->buffer, static_cast<std::size_t>(doc->pending)), "<a b=");
}

// Lines and columns as an editor counts them (that no cut of the input moves
// them is the xml_parse fuzz target's check).
TEST(XmlParser, ReportPlaces) {
    const std::string latin1 = "<?xml version='1.0' encoding='ISO-8859-1'?>\n";
    const std::string longName = std::string(29, 'a');
    const struct {
        std::string input, report;
        const char* next; // line:column where the next byte would stand
    } cases[] = {
        {kDecl + "\n<r>\n  <a></b>\n</r>\n", "mismatch@3:6[</b>] mismatch@4:1[</r>]", "5:1"},
        {kDecl + "\n<r>\xC3\xA9\xC3\xA9 &x</r>", "!ref@2:7[&x</r>]",
         ""}, // a character is one column
        {latin1 + "<r>\xE9\xE9 &x</r>", "!ref@2:7[&x</r>]", ""},
        {"\xEF\xBB\xBF" + kDecl + "<r>&x</r>", "!ref@1:25[&x</r>]", ""}, // the mark is none
        {kDecl + "<r/></\xC3\xA9>", "unopened@1:26[</\xE9>]", "1:30"},
        // The excerpt leaves a character cut by its end out.
        {kDecl + "<r/></" + longName + "\xC3\xA9>", "unopened@1:26[</" + longName + "]", "1:59"},
        {kDecl + "\n<r>\n  <a b=", "", "3:3"},
    };
    for (const auto& c : cases) {
        int result = 0;
        XmlParseReport r;
        Parse(c.input, &result, nullptr, &r);
        EXPECT_EQ(Describe(r), c.report) << c.input;
        EXPECT_EQ(result < 0 ? "" : std::to_string(r.line) + ":" + std::to_string(r.column), c.next)
            << c.input;
    }
    // Every dropped token is counted; the first ones are listed.
    std::string ends = kDecl + "<r/>";
    for (int i = 0; i < XML_REPORT_DROPPED + 8; ++i) {
        ends += "\n</x>";
    }
    XmlParseReport report;
    Parse(ends, nullptr, nullptr, &report);
    EXPECT_EQ(report.droppedCount, XML_REPORT_DROPPED + 8);
    EXPECT_EQ(report.dropped[XML_REPORT_DROPPED - 1].line, XML_REPORT_DROPPED + 1);
    EXPECT_STREQ(XmlProblemText(XML_PROBLEM_END_TAG_MISMATCH),
                 "an end tag that does not match the open element");
    // Every kind has a text: the messages that show one would end the program on a null.
    for (int code = XML_PROBLEM_END_TAG_MISMATCH; code <= XML_PROBLEM_UNFINISHED; ++code) {
        const char* text = XmlProblemText(code);
        EXPECT_TRUE(text != nullptr && text[0] != '\0') << code;
    }
}

// --- files -------------------------------------------------------------------------

struct XmlParserFiles : ::testing::Test {
    void TearDown() override { std::remove(path_.c_str()); }
    DocPtr ParseFile(const std::string& bytes, XmlParseReport* report = nullptr) {
        std::ofstream(path_, std::ios::binary) << bytes;
        traces_.Lines().clear();
        return DocPtr(report != nullptr ? XmlParserFileReport(path_.c_str(), report)
                                        : XmlParserFile(path_.c_str()));
    }
    bool Traced(const std::string& trace) {
        return std::count(traces_.Lines().begin(), traces_.Lines().end(), trace) > 0;
    }
    // Tests run side by side, also from other checkouts: a name of their own.
    std::string path_ = ::testing::TempDir() + "quorvel_" +
                        ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                        std::to_string(std::random_device{}()) + ".xml";
    TraceLog traces_{"xml#xmlpar"};
};

// The outcome and the document from a file: "none", or the picture of its
// top-level list, "clean" for a clean end, and whether its buffer was kept.
std::string State(int outcome, const XmlDoc* d) {
    return std::to_string(outcome) + " " +
           (d == nullptr ? "none"
                         : Picture(d->firstNode) +
                               (d->cleanEnd == 1   ? " clean"
                                : d->cleanEnd == 0 ? ""
                                                   : " ?") +
                               (d->complete == 1 && d->buffer == nullptr && d->capacity == 0
                                    ? ""
                                    : " buffer kept"));
}

// What a file gives through either entry point, the report (lines counted
// over the text mode's line ends and across the reads of a long file) and the
// trace that says why.
TEST_F(XmlParserFiles, OutcomesReportsAndTraces) {
    XmlParseReport report;
    EXPECT_EQ(XmlParserFileReport((path_ + ".missing").c_str(), &report), nullptr);
    EXPECT_TRUE(report.outcome == XML_OUTCOME_UNOPENED && report.systemError == ENOENT);
    EXPECT_EQ(XmlParserFile((path_ + ".missing").c_str()), nullptr);
    EXPECT_TRUE(Traced("1 XmlParserFile <- (1)"));
    EXPECT_EQ(XmlParserFileReport(::testing::TempDir().c_str(), &report), nullptr) << "a folder";
    EXPECT_TRUE(report.outcome == XML_OUTCOME_UNOPENED && report.systemError != 0);
    std::string comments;
    while (comments.size() < 2 * XML_BUFFER_STEP) {
        comments += "<!-- one line of a long file -->\r\n";
    }
    const std::string longLine = std::to_string(comments.size() / 34 + 3);
    const struct {
        std::string bytes, report;
        const char *state, *trace; // state: of both entry points; trace: the plain one's
    } cases[] = {
        {"<!DOCTYPE r>" + kDecl + "<r/>", "!doctype1@1:1[<!DOCTYPE r><?xml version='1.0'?]",
         "3 none", "8 XmlParserBuffer <- (4)"},
        {"<?app?><r/>", "!decl@1:1[<?app?><r/>]", "3 none", "8 XmlParserFile <- (5)"},
        {kDecl + "<r><a>", "", "0 r(a) clean", "8 XmlParserFile <- "}, // open elements end cleanly
        {kDecl + "<r><a", "end unfinished@1:25[<a]", "0 r", "8 XmlParserBuffer <- (2)"},
        // A CR right before the 1A has no LF to pair with and is kept.
        {kDecl + "<r>x\r\x1A</r>", "", "0 r(\"x\r\") clean", "8 XmlParserFile <- "},
        {"<r/>", "undeclared@1:1[<r/>]", "0 ", "8 XmlParserFile <- "},
        {kDecl + "\r\n<r>\r\n</x>\r\n</r>\r\n", "mismatch@3:1[</x>]", "0 r clean",
         "8 XmlParserFile <- "},
        {kDecl + "\r\n<r>\r\n" + comments + "<a x=1/>", "!tag@" + longLine + ":6[1/>]", "3 none",
         "8 XmlParserFile <- (5)"}, // malformed after two reads
        {kDecl + "\r\n<r>\r\n  <a b='1", "end unfinished@3:3[<a b='1]", "0 r",
         "8 XmlParserFile <- "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        DocPtr doc = ParseFile(c.bytes, &report);
        EXPECT_EQ(Describe(report), c.report);
        EXPECT_EQ(State(report.outcome, doc.get()), c.state);
        DocPtr plain = ParseFile(c.bytes);
        EXPECT_TRUE(Traced(c.trace));
        EXPECT_EQ(State(report.outcome, plain.get()), c.state);
    }
}

// The first read takes 65535 bytes, so a byte at offset 65534 ends it.
TEST_F(XmlParserFiles, ReadAsInTextMode) {
    const std::string before = kDecl + "<r><!--";
    const std::size_t last = XML_BUFFER_STEP - 1; // of the first read
    const struct {
        std::size_t offset;           // of special in the file; 0 right after "<!--"
        std::string special, comment; // comment: what it holds after the filler
        const char* after;            // bytes after the document
    } cases[] = {
        {0, "a\r\nb", "a\nb", ""},
        {last, "\r\nb", "\nb", ""}, // a pair split by the reads
        {last, "\rb", "\rb", ""},
        {last - 1, "\r\r\n", "\r\n", ""},
        {last - 7, "a", "a", "\x1A<<<"}, // an end-of-file byte opens a read
        {0, "a\r\nb\r\n\rc\r\r\nd", "a\nb\n\rc\r\nd", ""},
    };
    for (const auto& c : cases) {
        const std::string filler(c.offset == 0 ? 0 : c.offset - before.size(), 'f');
        DocPtr doc = ParseFile(before + filler + c.special + "--></r>" + c.after);
        EXPECT_EQ(State(0, doc.get()), "0 r(#\"" + filler + c.comment + "\") clean")
            << ::testing::PrintToString(c.special);
    }
}

TEST_F(XmlParserFiles, MillionDeepDocument) {
    constexpr int kDepth = 1000000;
    std::string text = kDecl;
    for (int i = 0; i < 2 * kDepth; ++i) {
        text += i < kDepth ? "<a>" : i == kDepth ? "<b ID='deep'>x<nl/></b></a>" : "</a>";
    }
    DocPtr doc = ParseFile(text);
    ASSERT_TRUE(doc != nullptr && doc->cleanEnd == 1 && doc->error == 0);
    XmlNode* root = XmlGetRootElement(doc.get());
    XmlNode* deep = XmlFindElement(root, "b", XML_SCOPE_SUBTREE);
    ASSERT_TRUE(deep != nullptr && XmlFindById(root, "deep") == deep);
    EXPECT_EQ(XmlFindElement(root, "zz", XML_SCOPE_SUBTREE), nullptr);
    int depth = 0;
    for (XmlNode* n = deep->parent; n != nullptr; n = n->parent, ++depth) {
    }
    EXPECT_EQ(depth, kDepth);
    char* gathered = nullptr;
    ASSERT_EQ(XmlGetValue(root, "a", nullptr, XML_VALUE_NEW_TEXT, 0, 0, &gathered), 1);
    EXPECT_STREQ(gathered, "x[NL]");
    std::free(gathered);
}

} // namespace
