// Differential check against expat: for generated well-formed documents that
// keep to what this parser accepts (and to no tab or line feed written inside
// an attribute value), both parsers must see the same elements in the same
// order, with the same names and attribute names and the same attribute
// values once references are decoded. Expat links into this test only.
#include "Qvxml/xmldoc.h"

#include "exact_input.h"
#include "tree_text.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// One element as seen: its depth, its name, then attribute names and values.
using Element = std::vector<std::string>;

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Expat reports UTF-8; every character generated has an ISO-8859-1 form.
std::string Utf8ToLatin1(const char* utf8) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0; ++p) {
        if (*p >= 0xC0 && p[1] != 0) {
            out += static_cast<char>(((p[0] & 0x03) << 6) | (p[1] & 0x3F));
            ++p;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out;
}

struct ExpatRun {
    std::vector<Element> elements;
    int depth = 0;
};

void OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* run = static_cast<ExpatRun*>(data);
    Element e = {std::to_string(run->depth++), Utf8ToLatin1(name)};
    for (const XML_Char** a = attributes; *a != nullptr; ++a) {
        e.push_back(Utf8ToLatin1(*a));
    }
    run->elements.push_back(e);
}

void OnEnd(void* data, const XML_Char*) {
    --static_cast<ExpatRun*>(data)->depth;
}

std::vector<Element> ExpatElements(const std::string& text, std::string* error) {
    ExpatRun run;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &run);
    XML_SetElementHandler(parser, OnStart, OnEnd);
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) != XML_STATUS_OK) {
        *error = XML_ErrorString(XML_GetErrorCode(parser));
    }
    XML_ParserFree(parser);
    return run.elements;
}

void OurElements(XmlNode* node, int depth, std::vector<Element>& out) {
    for (; node != nullptr; node = node->nextSibling) {
        if (node->kind != XML_NODE_ELEMENT) {
            continue;
        }
        Element e = {std::to_string(depth), node->name};
        for (XmlNode* a = node->firstAttribute; a != nullptr; a = a->nextSibling) {
            std::string decoded = a->value;
            decoded.resize(static_cast<std::size_t>(XmlDecodeEntities(a->value, decoded.data()) -
                                                    decoded.data()));
            e.push_back(a->name);
            e.push_back(decoded);
        }
        out.push_back(e);
        OurElements(node->firstChild, depth + 1, out);
    }
}

// Documents written in ISO-8859-1; UTF-8 ones are converted at the end.
class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    std::string Document(bool* utf8) {
        *utf8 = Pick(2) == 0;
        std::string d = *utf8 ? OneOf({"<?xml version=\"1.0\"?>",
                                       "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>"})
                              : "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
        d += Space();
        const std::string root = Name();
        if (Pick(3) == 0) {
            d += "<!DOCTYPE " + root + ">" + Space();
        }
        d += Misc() + ElementText(root, 0) + Misc();
        return *utf8 ? Latin1ToUtf8(d) : d;
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    char From(const std::string& set) {
        return set[static_cast<std::size_t>(Pick(static_cast<int>(set.size())))];
    }
    std::string OneOf(const std::vector<std::string>& options) {
        return options[static_cast<std::size_t>(Pick(static_cast<int>(options.size())))];
    }

    std::string Space() { return OneOf({"", " ", "\n", "\r\n  ", "\t"}); }

    std::string Name() {
        std::string n(1, From("abcdefghijklmnopqrstuvwxyzABCXYZ_\xE9\xF1"));
        for (int i = Pick(7); i > 0; --i) {
            n += From("abcdefxyz0123456789-._\xE9\xFC");
        }
        return n;
    }

    std::string Reference() {
        static const char* const kHex = "0123456789abcdefABCDEF";
        switch (Pick(4)) {
        case 0:
            return OneOf({"&lt;", "&gt;", "&amp;", "&quot;"});
        case 1:
            return OneOf({"&#9;", "&#10;", "&#13;"});
        default: {
            const int value = 32 + Pick(224);
            if (Pick(2) == 0) {
                return "&#" + std::string(Pick(2), '0') + std::to_string(value) + ";";
            }
            std::string hex = "&#x";
            hex += kHex[value >> 4];
            hex += kHex[value & 15];
            if (Pick(2) == 0 && value % 16 >= 10) {
                hex.back() = static_cast<char>(hex.back() - 'a' + 'A');
            }
            return hex + ";";
        }
        }
    }

    std::string Chars(const std::string& set, int length) {
        std::string r;
        for (int i = 0; i < length; ++i) {
            r += From(set);
        }
        return r;
    }

    // Characters from plain, and references.
    std::string Run(const std::string& plain, int length) {
        std::string r;
        for (int i = 0; i < length; ++i) {
            r += Pick(5) == 0 ? Reference() : std::string(1, From(plain));
        }
        return r;
    }

    std::string Attributes() {
        std::string a;
        std::vector<std::string> names;
        for (int i = Pick(4); i > 0; --i) {
            std::string name = Pick(6) == 0 ? "xml:lang" : Name();
            bool repeated = false;
            for (const std::string& n : names) {
                repeated = repeated || n == name;
            }
            if (repeated) {
                continue;
            }
            names.push_back(name);
            const char quote = From("'\"");
            const std::string other = quote == '"' ? "'" : "\"";
            a += OneOf({" ", "  ", "\n", " \t"}) + name + OneOf({"=", " = ", "\n="}) + quote +
                 Run("abc XYZ 019 >/?=;#!\xE9\xE0\xFF\xA9" + other, Pick(12)) + quote;
        }
        return a;
    }

    std::string Misc() {
        std::string m;
        for (int i = Pick(3); i > 0; --i) {
            m += Pick(2) == 0 ? "<!--" + Chars("abc <>\"' \n\xE9", Pick(10)) + "-->"
                              : "<?p" + Name() + " " + Chars("ab =\xE9", Pick(5)) + "?>";
            m += Space();
        }
        return m;
    }

    std::string Content(int depth) {
        std::string c;
        for (int i = Pick(depth < 5 ? 5 : 2); i > 0; --i) {
            switch (Pick(5)) {
            case 0:
                c += Run("abc XYZ \n\t\r>;#\"'\xE9\xFC", 1 + Pick(10));
                break;
            case 1:
                c += Pick(2) == 0 ? "<![CDATA[" + Chars("a<&>b \xE9", Pick(6)) + "]]>"
                                  : "<!--" + Chars("ab <\xE9", Pick(4)) + "-->";
                break;
            default:
                if (depth < 5) {
                    c += ElementText(Name(), depth + 1);
                }
            }
        }
        return c;
    }

    std::string ElementText(const std::string& name, int depth) {
        std::string e = "<" + name + Attributes();
        if (Pick(4) == 0) {
            return e + OneOf({"/>", " />"});
        }
        return e + OneOf({">", " >"}) + Content(depth) + "</" + name + OneOf({">", " >"});
    }

    std::mt19937 rng_;
};

TEST(XmlParserVersusExpat, SameElementsAttributesAndOrder) {
    Generator generator(20260612);
    for (int i = 0; i < 400; ++i) {
        bool utf8 = false;
        const std::string text = generator.Document(&utf8);
        SCOPED_TRACE("document " + std::to_string(i) + ": " + Printable(text));
        std::string expatError;
        const std::vector<Element> expected = ExpatElements(text, &expatError);
        ASSERT_EQ(expatError, "") << "the generator wrote a document expat rejects";
        int result = 99;
        DocPtr doc = Parse(text, &result);
        ASSERT_EQ(result, 0);
        ASSERT_EQ(doc->error, 0);
        EXPECT_EQ(doc->sourceEncoding, utf8 ? 0 : 4);
        std::vector<Element> ours;
        OurElements(doc->firstNode, 0, ours);
        ASSERT_EQ(ours, expected);
    }
}

} // namespace
