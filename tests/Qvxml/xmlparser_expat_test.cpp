// Differential check against expat: for generated well-formed documents that
// keep to what this parser accepts (and to no tab or line feed written inside
// an attribute value), both parsers must see the same elements in the same
// order, with the same names and attribute names and the same attribute
// values once references are decoded. Expat links into this test only.
#include "Qvxml/xmldoc.h"

#include "tree_text.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

// One element as seen: its depth, its name, then attribute names and values.
using Element = std::vector<std::string>;

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    for (unsigned char c : latin1) {
        out += c < 0x80 ? std::string(1, char(c))
                        : std::string{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
    }
    return out;
}

// first: the parse's result, error flag and source encoding, as ours gives
// them; expat's error message is added to it.
std::vector<Element> ExpatElements(const std::string& text, Element first) {
    std::pair<std::vector<Element>, int> run{{first}, 0}; // the elements seen, the next one's depth
    using Run = decltype(run);
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &run);
    XML_SetElementHandler(
        parser,
        [](void* data, const XML_Char* name, const XML_Char** attributes) {
            auto* run = static_cast<Run*>(data);
            run->first.push_back({std::to_string(run->second++), name});
            for (const XML_Char** a = attributes; *a != nullptr; ++a) {
                run->first.back().push_back(*a);
            }
        },
        [](void* data, const XML_Char*) { --static_cast<Run*>(data)->second; });
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_OK) {
        run.first[0].push_back(XML_ErrorString(XML_GetErrorCode(parser)));
    }
    XML_ParserFree(parser);
    return run.first;
}

// Expat reports UTF-8.
void OurElements(XmlNode* node, int depth, std::vector<Element>& out) {
    for (; node != nullptr; node = node->nextSibling) {
        if (node->kind == XML_NODE_ELEMENT) {
            out.push_back({std::to_string(depth), Latin1ToUtf8(node->name)});
            for (XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
                std::string decoded = a->value;
                decoded.resize(
                    std::size_t(XmlDecodeEntities(a->value, decoded.data()) - decoded.data()));
                out.back().insert(out.back().end(), {Latin1ToUtf8(a->name), Latin1ToUtf8(decoded)});
            }
            OurElements(node->firstChild, depth + 1, out);
        }
    }
}

// Documents written in ISO-8859-1; UTF-8 ones are converted at the end.
struct Generator {
    std::string Document(bool* utf8) {
        *utf8 = Pick(2) == 0;
        std::string d = *utf8 ? OneOf({"<?xml version=\"1.0\"?>",
                                       "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>"})
                              : "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
        const std::string root = Name();
        d += Space() + (Pick(3) == 0 ? "<!DOCTYPE " + root + ">" : "") + Misc();
        d += Element(root, 0) + Misc();
        return *utf8 ? Latin1ToUtf8(d) : d;
    }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    std::string OneOf(const std::vector<std::string>& options) {
        return options[std::size_t(Pick(int(options.size())))];
    }
    std::string Space() { return OneOf({"", " ", "\n", "\r\n  ", "\t"}); }

    // length characters from set, some of them references when withReferences.
    std::string Run(const std::string& set, int length, bool withReferences = false) {
        std::string r;
        for (char text[16]; length-- > 0;) {
            const int value = Pick(8) == 0 ? 9 + Pick(2) : 32 + Pick(224);
            std::snprintf(text, sizeof text, OneOf({"&#0%d;", "&#x%x;", "&#x%X;"}).c_str(), value);
            r += !withReferences || Pick(5) != 0
                     ? std::string(1, set[std::size_t(Pick(int(set.size())))])
                 : Pick(3) == 0 ? OneOf({"&lt;", "&gt;", "&amp;", "&quot;"})
                                : text;
        }
        return r;
    }
    std::string Name() {
        return Run("abcdefghijklmnopqrstuvwxyzABCXYZ_\xE9\xF1", 1) +
               Run("abcdefxyz0123456789-._\xE9\xFC", Pick(7));
    }
    // Names made unique by their last character.
    std::string Attributes() {
        std::string a;
        for (int i = Pick(4); i > 0; --i) {
            const std::string quote = OneOf({"'", "\""});
            a += OneOf({" ", "  ", "\n", " \t"}) + (Pick(6) == 0 ? "xml:lang" : Name()) +
                 std::to_string(i) + OneOf({"=", " = ", "\n="}) + quote +
                 Run("abc XYZ 019 >/?=;#!\xE9\xE0\xFF\xA9" + std::string(quote == "'" ? "\"" : "'"),
                     Pick(12), true) +
                 quote;
        }
        return a;
    }
    // Comments and processing instructions around the root element.
    std::string Misc() {
        std::string m;
        for (int i = Pick(3); i > 0; --i) {
            m += (Pick(2) == 0 ? "<!--" + Run("abc <>\"' \n\xE9", Pick(10)) + "-->"
                               : "<?p" + Name() + " " + Run("ab =\xE9", Pick(5)) + "?>") +
                 Space();
        }
        return m;
    }
    std::string Element(const std::string& name, int depth) {
        std::string e = "<" + name + Attributes();
        if (Pick(4) == 0) {
            return e + OneOf({"/>", " />"});
        }
        e += OneOf({">", " >"});
        for (int i = Pick(depth < 5 ? 5 : 2); i > 0; --i) {
            const int what = Pick(6);
            e += what == 0   ? Run("abc XYZ \n\t\r>;#\"'\xE9\xFC", 1 + Pick(10), true)
                 : what == 1 ? "<![CDATA[" + Run("a<&>b \xE9", Pick(6)) + "]]>"
                 : what == 2 ? "<!--" + Run("ab <&\xE9", Pick(4)) + "-->"
                 : depth < 5 ? Element(Name(), depth + 1)
                             : "";
        }
        return e + "</" + name + OneOf({">", " >"});
    }
    std::mt19937 rng{20260612};
};

TEST(XmlParserVersusExpat, SameElementsAttributesAndOrder) {
    Generator generator;
    for (int i = 0; i < 400; ++i) {
        bool utf8 = false;
        const std::string text = generator.Document(&utf8);
        SCOPED_TRACE("document " + std::to_string(i) + ": " + ::testing::PrintToString(text));
        int result = 99;
        DocPtr doc = Parse(text, &result);
        std::vector<Element> ours = {{std::to_string(result), std::to_string(doc->error),
                                      std::to_string(doc->sourceEncoding)}};
        OurElements(doc->firstNode, 0, ours);
        ASSERT_EQ(ours, ExpatElements(text, {"0", "0", utf8 ? "0" : "4"}));
    }
}

} // namespace
