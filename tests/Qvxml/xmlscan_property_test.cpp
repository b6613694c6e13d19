// Scanning a document whole and scanning it with the input cut short (and
// resumed from the unfinished token's start, as the parser driver does) must
// find the same tokens. A run of character data or white space that reaches a
// cut is a complete token, so the run may come in pieces: adjacent text and
// white-space tokens are merged on both sides, and an error or unfinished
// token that swallows such a run in one scan starts where the run starts. An
// error names the same bad character however the input was cut.
#include "Qvxml/xmlchar.h"
#include "Qvxml/xmlscan.h"

#include "exact_input.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Token {
    char kind; // one letter, see Letter()
    std::size_t start, end;
    bool operator==(const Token&) const = default;
};

// One letter per token kind: text and white space share "c", "!" is an
// error, "?" an unfinished token.
char Letter(int kind) {
    const char* letters = "!c?SAeExC#D#c#TP"; // kinds -1 to 14
    return kind >= -1 && kind <= 14 ? letters[kind + 1] : '#';
}

bool Final(char letter) {
    return letter == '!' || letter == '?';
}

// Scans doc as the driver would when the input arrives in pieces ending at
// each of chunkEnds (increasing, the last one doc.size()).
std::vector<Token> Scan(const std::string& doc, int mode,
                        const std::vector<std::size_t>& chunkEnds) {
    std::vector<Token> tokens;
    std::size_t chunk = 0;
    std::size_t available = chunkEnds[0];
    // Each piece stands alone in memory, as the driver's buffer would.
    ExactInput piece(doc, available);
    std::size_t p = 0;
    while (p < doc.size()) {
        int kind = -99;
        const char* next = XmlNextToken(mode, piece.begin() + p, piece.end(), &kind);
        if ((p == available || kind == XML_TOK_INCOMPLETE) && available < doc.size()) {
            available = chunkEnds[++chunk];
            piece = ExactInput(doc, available);
            continue;
        }
        const char letter = Letter(kind);
        if (Final(letter)) {
            // An error ends where the scanner says the bad character is.
            const std::size_t at =
                letter == '!' ? static_cast<std::size_t>(next - piece.begin()) : p;
            if (at < p || at > available) {
                ADD_FAILURE() << "error at " << p << " points at " << at;
            }
            tokens.push_back({letter, p, at});
            break;
        }
        const std::size_t end = static_cast<std::size_t>(next - piece.begin());
        if (end <= p || end > available) {
            ADD_FAILURE() << "token " << letter << " at " << p << " ends at " << end;
            break;
        }
        tokens.push_back({letter, p, end});
        p = end;
    }
    std::vector<Token> merged;
    for (const Token& t : tokens) {
        if (t.kind == 'c' && !merged.empty() && merged.back().kind == 'c') {
            merged.back().end = t.end;
        } else {
            merged.push_back(t);
        }
    }
    const std::size_t n = merged.size();
    if (n >= 2 && Final(merged[n - 1].kind) && merged[n - 2].kind == 'c') {
        merged[n - 1].start = merged[n - 2].start;
        merged[n - 1].end = merged[n - 1].kind == '!' ? merged[n - 1].end : merged[n - 1].start;
        merged.erase(merged.end() - 2);
    }
    return merged;
}

std::string Kinds(const std::vector<Token>& tokens) {
    std::string s;
    for (const Token& t : tokens) {
        s += t.kind;
    }
    return s;
}

struct Document {
    const char* description;
    int mode;
    std::string text;
    const char* kinds; // of the whole scan, merged
    int errorAt = -1;  // where the bad character of an error begins
};

void PrintTo(const Document& c, std::ostream* os) {
    *os << c.description;
}

const Document kDocuments[] = {
    {"settings_file", XML_ENC_UTF8,
     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
     "<!DOCTYPE quorvp [ <!ENTITY e 'x'> ]>\n<!-- settings -->\n<quorvp lang=\"es\">\n  "
     "<area path='C:\\Quorvel\\work'/>\n  "
     "<msg id=\"mes3\">Falta c&#243;digo &amp; &lt;item&gt;</msg>\n  "
     "<![CDATA[ raw <text> ]] ]]>\n  <?app do this?>\n  <model kind=\"C\" pattern=\"NNNNNK\" />\n"
     "  texto \xC3\xBCn\xC3\xAF c\xC3\xB6\x64\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\n</quorvp>\n",
     "PcTcCcAcecAcxcDcPcecxc"},
    {"settings_file_read_as_latin1", XML_ENC_LATIN1,
     "<?xml version='1.0'?><r a='\xE9'>caf\xE9 \xC3\x28</r>", "PAcx"},
    {"unknown_reference_in_text", XML_ENC_UTF8, "<a>ab &x y</a>", "S!", 6},
    {"double_dash_in_comment", XML_ENC_UTF8, "<a>  text </a> <!-- a -- b -->", "Scx!", 24},
    {"ends_inside_cdata", XML_ENC_UTF8, "<a b='1'>text<![CDATA[x]", "A?"},
    {"malformed_utf8_in_text", XML_ENC_UTF8, "<a>caf\xC3\x28</a>", "S!", 6},
    {"ends_inside_reference", XML_ENC_UTF8, "<a>x &lt", "S?"},
    {"ends_inside_utf8", XML_ENC_UTF8, "<a>x \xE2\x82", "S?"},
    {"trailing_white_space", XML_ENC_UTF8, "<r>x</r>  \n ", "Scxc"},
    {"reference_above_range", XML_ENC_UTF8, "<a b='x>y'/>&#x2122;&#8483;<b/>", "e!", 20},
    {"long_numeric_reference", XML_ENC_UTF8, "<r>a]]>b &#12345;</r>", "S!", 9},
    {"bad_bytes_passed_over", XML_ENC_UTF8,
     "<a\xC3\x28 b='\xFF'><![CDATA[\xC3\x28 & ]]><!-- \xC3 --><?p \xE0\x80?>\xC3\xA9</a>",
     "ADCPcx"},
    {"compact_document", XML_ENC_UTF8, "<?xml version='1.0'?><r><e/></r>", "PSEx"},
    {"space_before_doctype", XML_ENC_UTF8, "  <!DOCTYPE r [ ] ><r/>", "!", 17},
    {"text_at_the_end", XML_ENC_UTF8, "<r/>trailing text", "Ec"},
    {"ends_inside_end_tag", XML_ENC_UTF8, "<r><!-- x --></r", "SC?"},
    {"lone_lt_at_the_end", XML_ENC_UTF8, "<r>text <", "S?"},
};

class XmlScanCuts : public ::testing::TestWithParam<Document> {};

TEST_P(XmlScanCuts, EveryCutFindsTheSameTokens) {
    const Document& d = GetParam();
    const std::vector<Token> whole = Scan(d.text, d.mode, {d.text.size()});
    EXPECT_EQ(Kinds(whole), d.kinds);
    if (d.errorAt >= 0) {
        EXPECT_EQ(whole.back().end, static_cast<std::size_t>(d.errorAt));
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t cut = 0; cut < d.text.size(); ++cut) {
        ASSERT_EQ(Scan(d.text, d.mode, {cut, d.text.size()}), whole) << "cut at " << cut;
        everyByte.push_back(cut + 1);
    }
    EXPECT_EQ(Scan(d.text, d.mode, everyByte), whole) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Documents, XmlScanCuts, ::testing::ValuesIn(kDocuments),
                         [](const auto& info) { return std::string(info.param.description); });

} // namespace
