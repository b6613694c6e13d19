// Character input: byte classes, UTF-8 sequences, references, the encoding
// table, the conversions with their composition, and the string helpers.
#include "Qvxml/xmlchar.h"

#include "exact_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// What a byte read on its own must give, written out from the class list:
// the marks in this string have the classes CH_GT to CH_STAR in order.
int ExpectedByteClass(unsigned char b) {
    const char *marks = "></'\"!?[]-=_:.*", *mark = b != 0 ? std::strchr(marks, b) : nullptr;
    return mark != nullptr ? CH_GT + static_cast<int>(mark - marks)
           : b == '\t' || b == '\n' || b == '\r' || b == ' ' ? CH_SPACE
           : b >= '0' && b <= '9'                            ? CH_DIGIT
                                                             : CH_OTHER;
}

TEST(XmlCharClasses, EveryByteAloneInBothModes) {
    for (int value = 0; value < 256; ++value) {
        const unsigned char b = static_cast<unsigned char>(value);
        // The ";" after the end must not complete a reference ("&;" is invalid).
        const ExactInput input(std::string{static_cast<char>(b), ';'});
        const bool waits = b == '&' || (b >= 0xC2 && b <= 0xF4); // reference or UTF-8 lead
        // Single-byte mode, with a byte after it that it must not take; then
        // UTF-8 mode with the end right after the byte: class and advance each.
        int latin1 = -1, utf8 = -1;
        const char* next = XmlNextChar(XML_ENC_LATIN1, input.begin(), input.end(), &latin1);
        const char* end = XmlNextChar(XML_ENC_UTF8, input.begin(), input.begin() + 1, &utf8);
        EXPECT_EQ((std::vector<std::ptrdiff_t>{latin1, next - input.begin(), utf8,
                                               end - input.begin(), XmlIsSpace(input.begin())}),
                  (std::vector<std::ptrdiff_t>{b == '&' ? CH_INVALID : ExpectedByteClass(b), 1,
                                               waits ? CH_INCOMPLETE : ExpectedByteClass(b),
                                               waits ? 0 : 1, ExpectedByteClass(b) == CH_SPACE}))
            << "byte " << value;
    }
}

constexpr int kWhole = -1, kSemicolon = -2; // the character is the whole input, or ends at ";"

TEST(XmlCharRead, SequencesAndReferences) {
    const struct {
        int cls, advance;                // advance: to the returned position, or kWhole
        std::vector<std::string> inputs; // the end of the input is the end of the string
        int mode = XML_ENC_UTF8;
    } groups[] = {
        {CH_OTHER, kWhole, {"\xC3\xA9", "\xE0\xA0\x80", "\xED\xA0\x80", "\xF4\x8F\xBF\xBF"}},
        {CH_OTHER, 1, {"\xC0\x80", "\xF5\x80"}},
        {CH_OTHER, 1, {"\xE9", "\xC3\xA9"}, XML_ENC_LATIN1},
        {CH_OTHER, 1, {"\xC3\xA9"}, XML_ENC_UNKNOWN},
        {CH_INVALID, 0, {"\xC3\x28", "\xE0\x80\x80", "\xF0\x8F\x80\x80", "\xF4\x90\x80\x80"}},
        {CH_INVALID, 0, {"\xF1\x80\x80\xC0"}},
        // The end decides before a bad byte does.
        {CH_INCOMPLETE, 0, {"", "\xC3", "\xE0\x80", "&", "&lt", "&quot", "&#", "&#x", "&#12345"}},
        {CH_INCOMPLETE, 0, {"&#123a"}},
        {CH_REFERENCE, kWhole, {"&quot;", "&amp;", "&lt;", "&#8482;", "&#x2122;"}},
        {CH_REFERENCE, kWhole, {"&#xfF;", "&#1;"}},
        {CH_REFERENCE, kWhole, {"&#X41;", "&gt;"}, XML_ENC_LATIN1},
        {CH_INVALID, 1, {"&apos;xx", "& xxxxx", "&am;", "&;", "&quot!x"}},
        // Numeric references that fail stop at their ";" ...
        {CH_INVALID, kSemicolon, {"&#;", "&#0;", "&#x;", "&#x1G;", "&#8483;", "&#84810;"}},
        // ... or at the byte after a bad digit or after a value above 8481.
        {CH_INVALID, 4, {"&#1a2;"}},
        {CH_INVALID, 6, {"&#84820;"}},
    };
    for (const auto& group : groups) {
        for (const std::string& text : group.inputs) {
            const ExactInput input(text);
            int cls = -1;
            const char* next = XmlNextChar(group.mode, input.begin(), input.end(), &cls);
            EXPECT_EQ(std::to_string(cls) + " " + std::to_string(next - input.begin()),
                      std::to_string(group.cls) + " " +
                          std::to_string(group.advance == kWhole       ? text.size()
                                         : group.advance == kSemicolon ? text.find(';')
                                                                       : group.advance))
                << ::testing::PrintToString(text);
        }
    }
}

TEST(XmlConvert, OutputAndLossy) {
    const struct {
        bool toUtf8;
        std::string input, output;
        int lossy;
        int budget = 99;
    } cases[] = {
        {true, "\x80\xBF\xC0\xFF\t\n\r\x1F\x7F", "\xC2\x80\xC2\xBF\xC3\x80\xC3\xBF\t\n\r\x7F", 0},
        {true, "abc\xE9", "ab", 0, 2},
        {false, "e\xCC\x81", "\xE9", 1},
        {false, "\xCC\x81", "", 1},
        {false, "\xE2\x82\xAC", "", 1},
        {false, "A\xCC\x80", "\xC0", 1},
        {false, "Y\xCC\x88", "Y", 1}, // no Y with diaeresis in ISO-8859-1
        {false, "a\xCC\x84", "a", 1}, // macron never composes
        {false, "caf\xC3\xA9 \xC2\xA0", "caf\xE9 \xA0", 0},
        {false, "\xC2\x41z", "z", 1}, // takes its second byte whatever it is
        {false, "\xF0\x9F\x98\x80x", "x", 1},
        {false, "\x80\xF5x", "x", 1},
        {false, "a\xC3", "a", 0},           // NUL as second byte
        {false, "a\xE2\x82", "a", 1},       // NUL as third byte
        {false, "\xC3\xA9z", "\xE9", 0, 1}, // begun within the budget, consumed whole
    };
    for (const auto& c : cases) {
        char out[64];
        int lossy = 0;
        const char* stop = c.toUtf8 ? XmlLatin1ToUtf8N(c.input.c_str(), out, c.budget)
                                    : XmlUtf8ToLatin1N(c.input.c_str(), out, c.budget, &lossy);
        EXPECT_EQ(std::string(static_cast<const char*>(out), stop) + (*stop == '\0' ? "" : "?") +
                      std::to_string(lossy),
                  c.output + std::to_string(c.lossy))
            << ::testing::PrintToString(c.input);
    }
    char out[8];
    int lossy = 1;
    EXPECT_EQ(XmlUtf8ToLatin1("ab", out, &lossy), out + 2);
    EXPECT_EQ(lossy, 1); // never cleared
    EXPECT_EQ(XmlLatin1ToUtf8("\xFF", out), out + 2);
    EXPECT_EQ(XmlLatin1ToUtf8(nullptr, out), out);
}

// The word-at-a-time paths must agree with a plain reading, at every
// alignment and length, on random bytes weighted towards what matters to
// them (ASCII runs, the markup bytes, lead and continuation bytes, NUL): the
// span conversion with the budgeted one on a terminated copy, reading nothing
// past the span, and the skip with a byte-by-byte look.
TEST(XmlFastPaths, AgreeWithAPlainReading) {
    const std::string alphabet =
        std::string("ab <&'\"\xC2\xC3\xCC\xE2\xF0\x80\x81\xA9\xBF\xFF") + std::string(1, '\0');
    std::mt19937 random(8482);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        for (std::size_t n = random() % 40; n > 0; --n) {
            bytes += alphabet[random() % alphabet.size()];
        }
        const ExactInput span(bytes);
        char expected[64], got[64];
        int expectedLossy = 0, gotLossy = 0;
        const int n = static_cast<int>(bytes.size());
        const char *e = XmlUtf8ToLatin1N(bytes.c_str(), expected, n, &expectedLossy),
                   *g = XmlUtf8ToLatin1Span(span.begin(), n, got, &gotLossy);
        ASSERT_EQ(std::string(got) + std::to_string(g - got) + std::to_string(gotLossy),
                  std::string(expected) + std::to_string(e - expected) +
                      std::to_string(expectedLossy))
            << ::testing::PrintToString(bytes);
        for (const bool high : {false, true}) {
            const char* stop = std::find_if(span.begin(), span.end(), [high](char c) {
                return c == '<' || c == '&' || c == '\'' ||
                       (high && static_cast<unsigned char>(c) >= 0x80);
            });
            ASSERT_EQ(XmlSkipBytes(span.begin(), span.end(), '<', '&', '\'', high), stop)
                << ::testing::PrintToString(bytes) << (high ? " stopping at high bytes" : "");
        }
    }
    char out[4] = "xyz";
    EXPECT_TRUE(XmlUtf8ToLatin1Span(nullptr, 5, out, nullptr) == out && out[0] == '\0');
}

TEST(XmlCompose, YieldsExactlyTheLatin1LettersWithMarks) {
    // à á â ã ä å è é ê ë ì í î ï ò ó ô õ ö ù ú û ü ñ ç ý ÿ and the capitals but Ÿ.
    const std::string letters = "\xE0\xE1\xE2\xE3\xE4\xE5\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
                                "\xF2\xF3\xF4\xF5\xF6\xF9\xFA\xFB\xFC\xF1\xE7\xFD\xFF"
                                "\xC0\xC1\xC2\xC3\xC4\xC5\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
                                "\xD2\xD3\xD4\xD5\xD6\xD9\xDA\xDB\xDC\xD1\xC7\xDD";
    std::multiset<unsigned char> produced; // each letter from one base and mark only
    for (int column = -1; column <= 13; ++column) {
        for (int base = 0; base < 256; ++base) {
            const unsigned char r = XmlComposeLatin1(column, static_cast<unsigned char>(base));
            if (r != base) {
                produced.insert(r);
            }
        }
    }
    EXPECT_EQ(produced, std::multiset<unsigned char>(letters.begin(), letters.end()));
    EXPECT_EQ(XmlComposeLatin1(7, 'c'), 0xE7);
    EXPECT_EQ(XmlComposeLatin1(5, 'y'), 0xFF);
    EXPECT_EQ(XmlComposeLatin1(2, 'Y'), 0xDD);
}

TEST(XmlStrings, EncodingsAndUnsignedCompare) {
    EXPECT_EQ(XmlEncodingIndex("ISO-10646-UCS-4"), XML_ENC_COUNT - 1);
    EXPECT_EQ(XmlEncodingIndex("utf-8"), -1);
    EXPECT_EQ(XmlEncodingIndex(nullptr), 0);
    EXPECT_EQ(std::string(XmlEncodingBom(0)) + XmlEncodingBom(3) + XmlEncodingBom(-1) +
                  XmlEncodingBom(XML_ENC_COUNT),
              "\xEF\xBB\xBF\xFF\xFE");
    EXPECT_EQ(XmlStrCmp("\x80", "a"), 1);
    EXPECT_GT(XmlStrNCmp("ab\xE9", "abz", 3), 0);
}

} // namespace
