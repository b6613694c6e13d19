// Markup scanner: token kinds and ends for each recogniser, the CDATA traces,
// the XML declaration, and the tag readers with their buffer limits.
#include "Qvxml/xmlchar.h"
#include "Qvxml/xmlscan.h"

#include "exact_input.h"
#include "trace_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each input is one whole token of the kind, or a token of the kind that
// ends at the input's end when that kind has an end.

TEST(XmlScanner, EachTokenKindAndEnd) {
    const struct {
        int kind;
        std::vector<std::string> inputs;
        int mode = XML_ENC_UTF8;
    } groups[] = {
        {XML_TOK_SPACE, {" \t\r\n", ""}},
        {XML_TOK_TEXT, {"a > b", "x &lt; y", "hello world  ", "]]>", "\xC3\xA9t&#233;"}},
        {XML_TOK_TEXT, {"x\xC3"}, XML_ENC_LATIN1},
        {XML_TOK_START_TAG, {"<a!b>", "<_a>", "<:a>", "<a>"}},
        {XML_TOK_START_TAG_ATTRS,
         {"<a b= ='1'>", "<a b=!'1'>", "<a b='1'c='2'>", "<a b='x>y'>", "<a b='&foo;'>",
          "<a b=\"x'y\" c='\"'>", "<a\xC3\x28 b='\xFF'>"}},
        {XML_TOK_EMPTY_TAG_ATTRS, {"<a b=/>", "<a b=\"1\"/>", "<a b='1' c='2' />"}},
        {XML_TOK_EMPTY_TAG, {"<a/>", "<a b/>", "<\xC3\xA9l/>"}},
        {XML_TOK_END_TAG, {"</a>", "</a >", "</a.b>", "</a=b>", "</a-1 =>"}},
        {XML_TOK_COMMENT, {"<!---->", "<!-- a ->->", "<!-- \xC3\x28 -->", "<!-- <a> -->"}},
        {XML_TOK_CDATA,
         {"<![CDATA[x]]>", "<![CDATA[x]]]>", "<![CDATA[a]b]>c]]>", "<![CDATA[a]>]>",
          "<![CDATA[&lt; <x>]]>", "<![CDATA[a & b]]>", "<![CDATA[\xC3\x28]]>"}},
        {XML_TOK_CDATA, {"<![CDATA[\xC3\x28]]>"}, XML_ENC_LATIN1},
        {XML_TOK_DOCTYPE,
         {"<!DOCTYPE a [ <!ENTITY b 'c'> ]>", "<!DOCTYPE>", "<!DOCTYPE a SYSTEM 'x>"}},
        {XML_TOK_PI, {"<?a b?>", "<?a \xC3\x28?>", "<?xml version='1.0'?>"}},
        {XML_TOK_ERROR,
         {"It&apos;s<a>", "x\xC3\x28", "x\xC3\xC0", "<!x>", "<1a>", "< a>", "<-a>", "</1a>"}},
        {XML_TOK_ERROR, {"<a b=='1'>", "<a b>", "<a b=1>", "<a b='<'>", "<a &lt;>", "<a / >"}},
        {XML_TOK_ERROR, {"</a b>", "</a\xC3\x28>", "<!-- a -- b -->", "<!-- a --->", "<!-x"}},
        {XML_TOK_ERROR, {"<![cdata[x]]>", "<![CDATAx", "<!DOCTYPE a [ ] >", "<!doctype a>"}},
        {XML_TOK_ERROR, {"<!DOCTYPE a ]>", "<?a b>", "<?a ? b?>", "<?1?>", "<?a href='a?b'?>"}},
        {XML_TOK_INCOMPLETE,
         {"x &lt", "x\xC3", "<", "<!-", "<!", "<a b='1'", "<a/", "</a", "<!-- a --", "<![CDA",
          "<![CDATA", "<![CDATA[x]]", "<!DOC", "<!DOCTYPE a [ ]", "<?", "<?a?"}},
    };
    TraceLog traces("xml");
    for (const auto& group : groups) {
        for (const std::string& text : group.inputs) {
            const ExactInput input(text);
            int kind = -99;
            const char* next = XmlNextToken(group.mode, input.begin(), input.end(), &kind);
            EXPECT_EQ(kind, group.kind) << ::testing::PrintToString(text);
            if (group.kind != XML_TOK_ERROR && group.kind != XML_TOK_INCOMPLETE) {
                EXPECT_EQ(next, input.end()) << ::testing::PrintToString(text);
            }
        }
    }
    // Only CDATA sections trace, a bad character and the bytes skipped after it.
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{"8 XmlCheckTokenCData CH_INVALID",
                                                        "8 XmlCheckTokenCData CH_INVALID",
                                                        "8 XmlCheckTokenCData saltando caracter"}));
}

// The fields as "version encoding standalone", or "refused" for the result -1.
std::string Declaration(const std::string& rest) {
    const ExactInput input(rest);
    char version[XML_DECL_VALUE_SIZE] = "untouched";
    int encoding = 77, standalone = 77;
    return XmlParseDeclaration(XML_ENC_UTF8, input.begin(), input.end(), version, &encoding,
                               &standalone) != 0
               ? "refused"
               : std::string(version) + " " + std::to_string(encoding) + " " +
                     std::to_string(standalone);
}

TEST(XmlDeclaration, ResultAndFields) {
    const char* const cases[][2] = {
        // the bytes after "<?xml", the fields
        {" version='1.0'?>", "1.0 0 0"},
        {" version='1.0' encoding='ISO-8859-1'?>", "1.0 4 0"},
        {" version=\"1.0\" encoding=\"latin1\"?>", "1.0 -1 0"},
        {" version='1.0'encoding='UTF-8'?>", "1.0 0 0"},
        {" version = '1.0' standalone='yes' ?>", "1.0 0 1"},
        {"\n\tversion='1.1' encoding='UTF-16' standalone=\"no\"?>", "1.1 1 0"},
        {" version='x&lt;\xC3\xA9'?>", "x&\xC3 0 0"}, // first byte of each character
        {" encoding='UTF-8' version='1.0'?>", "refused"},
        {" version='1.0' standalone='yes' encoding='UTF-8'?>", "refused"},
        {" version='1.0' standalone='maybe'?>", "refused"},
        {"version='1.0'?>", "refused"},
        {" version='1.0?>", "refused"},
        {" version='1.0' encodingx='UTF-8'?>", "refused"},
        {" version=1.0?>", "refused"},
        {" version='&x;'?>", "refused"},
        {" version='1.0'>", "refused"},
        {"", "refused"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Declaration(c[0]), c[1]) << ::testing::PrintToString(c[0]);
    }
    // Values longer than their buffers are cut to fit them.
    const std::string version(XML_DECL_VALUE_SIZE + 10, '1');
    EXPECT_EQ(Declaration(" version='" + version + "' encoding='" + version + "'?>"),
              version.substr(0, XML_DECL_VALUE_SIZE - 1) + " -1 0");
}

// Names end at a space, "=", "/" or ">"; names and values longer than their
// buffers are cut to fit them.
TEST(XmlTagReaders, NamesAttributesAndBufferLimits) {
    EXPECT_STREQ(XmlReadTagName("a.b-c!d*e=b>", nullptr), "a.b-c!d*e");
    const std::string name(XML_NAME_BUFFER_SIZE + 100, 'n');
    const std::string value(XML_VALUE_BUFFER_SIZE + 100, 'v');
    const struct {
        std::string input, name, value; // input: the rest of a tag, its ">" included
        int next;                       // where the next attribute begins, or -1 for the tag end
    } cases[] = {
        {" b = 'x y' c='z'>", "b", "x y", 11},
        {" b= ='1'>", "b", "='1'", -1},
        {"", "", "", -1},
        {" " + name + "='" + value + "' c='1'>", name.substr(0, XML_NAME_BUFFER_SIZE - 1),
         value.substr(0, XML_VALUE_BUFFER_SIZE - 1),
         static_cast<int>(name.size() + value.size()) + 5},
    };
    for (const auto& c : cases) {
        const ExactInput input(c.input);
        const char *name = nullptr, *value = nullptr;
        const char* next = XmlReadAttribute(input.begin(), input.end(), &name, &value);
        EXPECT_EQ(std::string(name) + "|" + value + "|" + std::to_string(next - input.begin()),
                  c.name + "|" + c.value + "|" +
                      std::to_string(c.next < 0 ? c.input.size() : std::size_t(c.next)))
            << c.input.substr(0, 20);
    }
    const ExactInput tag(name + ">");
    const char* after = nullptr;
    EXPECT_EQ(std::string(XmlReadTagName(tag.begin(), &after)),
              name.substr(0, XML_NAME_BUFFER_SIZE - 1));
    EXPECT_EQ(after, tag.begin() + name.size());
}

} // namespace
