// Writes the three XML inputs of the parser benchmarks:
//
//   settings.xml    ISO-8859-1, shaped like a large desk settings file:
//                   message catalogues, barcode models, and catalogues of
//                   thousands of entries with attributes, references,
//                   comments and CDATA notes;
//   text.xml        UTF-8, long paragraphs of running text with a little
//                   inline markup, accented letters and references;
//   attributes.xml  UTF-8, one empty element per record with a dozen short
//                   attributes each.
//
// Each file is about the size asked for (10,000,000 bytes by default) and the
// same on every run: the pseudo-random choices come from a fixed seed and a
// generator of our own, not from the standard library's distributions.
// Everything written stays within what the desk's parser accepts and what
// expat, libxml2 and pugixml accept alike: well-formed XML, LF line ends, no
// DOCTYPE, no "&apos;", numeric references from 1 to 8482 only, and no
// character outside ISO-8859-1 in the ISO-8859-1 file.
//
// usage: quorvel_xmlgen OUTPUT-FOLDER [BYTES-PER-FILE]
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// xorshift64*: small, fast and the same everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    // 0 to n - 1.
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    template <typename T>
    const T& Of(const std::vector<T>& options) {
        return options[static_cast<std::size_t>(Below(static_cast<int>(options.size())))];
    }

private:
    std::uint64_t state_;
};

// Words in ISO-8859-1; the UTF-8 files convert them.
const std::vector<std::string> kWords = {
    "biblioteca",
    "pr\xE9stamo",
    "devoluci\xF3n",
    "lector",
    "ejemplar",
    "signatura",
    "cat\xE1"
    "logo",
    "fondo",
    "sala",
    "revista",
    "novela",
    "ensayo",
    "poes\xED"
    "a",
    "historia",
    "ciencia",
    "m\xFA"
    "sica",
    "arte",
    "infantil",
    "juvenil",
    "se\xF1"
    "al",
    "ni\xF1"
    "os",
    "a\xF1"
    "o",
    "el",
    "la",
    "de",
    "que",
    "en",
    "con",
    "por",
    "para",
    "una",
    "los",
    "las",
    "del",
    "sobre",
    "entre",
    "library",
    "desk",
    "loan",
    "return",
    "request",
    "patron",
    "item",
    "shelf",
    "reading",
    "room",
    "copy",
    "edition",
    "\xC1"
    "lvaro",
    "G\xFC"
    "ell",
    "Fran\xE7"
    "ois",
    "\xD1u\xF1"
    "oa",
    "Bj\xF6rk",
    "Ca\xF1"
    "ete",
};

// Character and entity references every parser here decodes alike.
const std::vector<std::string> kReferences = {
    "&amp;", "&lt;", "&gt;", "&quot;", "&#233;", "&#xF1;", "&#8482;", "&#169;", "&#x20AC;",
};

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size() + latin1.size() / 16);
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

std::string Number(std::uint64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*" PRIu64, width, value);
    return text;
}

// A run of words, with a reference now and then when withReferences.
std::string Words(Random& random, int count, bool withReferences) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            s += ' ';
        }
        s += random.Of(kWords);
        if (withReferences && random.Below(9) == 0) {
            s += ' ';
            s += random.Of(kReferences);
        }
    }
    return s;
}

// An EAN-13 item barcode with its check digit.
std::string ItemBarcode(Random& random) {
    std::string digits = "84" + Number(static_cast<std::uint64_t>(random.Below(1000000000)), 10);
    int sum = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        sum += (digits[i] - '0') * (i % 2 == 0 ? 1 : 3);
    }
    return digits + static_cast<char>('0' + (10 - sum % 10) % 10);
}

// --- the three documents -------------------------------------------------------

std::string Settings(std::size_t size) {
    Random random(0x51E77149ULL);
    std::string d =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<!-- Quorvel desk settings, generated for the parser benchmarks -->\n"
        "<quorvp>\n"
        "  <lang value=\"es\"/>\n"
        "  <workarea value=\"C:\\Quorvel\\Trabajo\"/>\n"
        "  <mbarcode>\n"
        "    <model model=\"L\" value=\"NNNNNNK\" controlDigit=\"1\" optionalId=\"0\"/>\n"
        "    <model model=\"L\" value=\"LNNNNNNNNK\" controlDigit=\"2\"/>\n"
        "    <model model=\"C\" value=\"NNNNNNNNNNNNK\" controlDigit=\"1\"/>\n"
        "    <model model=\"C\" value=\"BNNNNNNN[NN]\" controlDigit=\"1\"/>\n"
        "    <model model=\"X\" value=\"nNNNNNNNNK\" controlDigit=\"1\"/>\n"
        "  </mbarcode>\n";
    for (const char* language : {"es", "en"}) {
        d += std::string("  <messages xml:lang=\"") + language + "\">\n";
        for (int i = 1; i <= 40; ++i) {
            d += "    <msg ID=\"mes" + std::to_string(i) + "\" text=\"" +
                 Words(random, 4 + random.Below(8), true) + "\"/>\n";
        }
        d += "  </messages>\n";
    }
    int entry = 0;
    for (int catalogue = 1; d.size() < size; ++catalogue) {
        d += "  <catalogue name=\"fondo-" + Number(static_cast<std::uint64_t>(catalogue), 4) +
             "\" updated=\"2021-03-" + Number(static_cast<std::uint64_t>(1 + catalogue % 28), 2) +
             "\">\n";
        d += "    <!-- " + Words(random, 6, false) + " -->\n";
        for (int i = 0; i < 500 && d.size() < size; ++i) {
            ++entry;
            d += "    <entry ID=\"e" + Number(static_cast<std::uint64_t>(entry), 7) +
                 "\" barcode=\"" + ItemBarcode(random) + "\" kind=\"C\" shelf=\"" +
                 static_cast<char>('A' + random.Below(20)) + "-" +
                 std::to_string(1 + random.Below(99)) + "\" loan=\"" +
                 std::to_string(7 * (1 + random.Below(4))) + "\" status=\"" +
                 random.Of(std::vector<std::string>{"disponible", "prestado", "reservado"}) +
                 "\">\n";
            d += "      <title>" + Words(random, 2 + random.Below(6), true) + "</title>\n";
            d += "      <author>" + random.Of(kWords) + ", " + random.Of(kWords) + "</author>\n";
            if (random.Below(4) == 0) {
                d += "      <note><![CDATA[" + Words(random, 3 + random.Below(6), false) +
                     " <R> & ejemplar " + std::to_string(1 + random.Below(9)) + "]]></note>\n";
            }
            if (random.Below(8) == 0) {
                d += "      <!-- " + Words(random, 3, false) + " -->\n";
            }
            d += "    </entry>\n";
        }
        d += "  </catalogue>\n";
    }
    return d + "</quorvp>\n";
}

std::string Text(std::size_t size) {
    Random random(0x7E47ULL);
    std::string d = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<book lang=\"es\">\n";
    for (int chapter = 1; d.size() < size; ++chapter) {
        d += "<chapter n=\"" + std::to_string(chapter) + "\">\n<title>" +
             Latin1ToUtf8(Words(random, 3 + random.Below(5), false)) + "</title>\n";
        for (int p = 0; p < 20 && d.size() < size; ++p) {
            d += "<p>";
            for (int sentence = 8 + random.Below(16); sentence > 0; --sentence) {
                std::string s = Words(random, 6 + random.Below(14), true);
                s[0] = static_cast<char>(s[0] >= 'a' && s[0] <= 'z' ? s[0] - 32 : s[0]);
                if (random.Below(10) == 0) {
                    s += " <em>" + Words(random, 2, false) + "</em>";
                }
                d += Latin1ToUtf8(s) + (random.Below(6) == 0 ? ".\n" : ". ");
            }
            d += "</p>\n";
        }
        d += "</chapter>\n";
    }
    return d + "</book>\n";
}

std::string Attributes(std::size_t size) {
    Random random(0xA77B5ULL);
    std::string d = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<records>\n";
    for (std::uint64_t record = 1; d.size() < size; ++record) {
        std::string r = " <r id=\"" + Number(record, 8) + "\" patron=\"" +
                        Number(static_cast<std::uint64_t>(100000 + random.Below(900000)), 6) +
                        "\" item=\"" + ItemBarcode(random) + "\" mode=\"" +
                        random.Of(std::vector<std::string>{"P", "D", "R"}) + "\" date=\"2021" +
                        Number(static_cast<std::uint64_t>(1 + random.Below(12)), 2) +
                        Number(static_cast<std::uint64_t>(1 + random.Below(28)), 2) + "\" time=\"" +
                        Number(static_cast<std::uint64_t>(random.Below(24)), 2) + ":" +
                        Number(static_cast<std::uint64_t>(random.Below(60)), 2) + "\" desk='" +
                        std::to_string(1 + random.Below(9)) + "' shelf=\"" +
                        static_cast<char>('A' + random.Below(20)) + "-" +
                        std::to_string(1 + random.Below(99)) + "\" copy=\"" +
                        std::to_string(1 + random.Below(5)) + "\" status=\"" +
                        random.Of(std::vector<std::string>{"ok", "late", "lost"}) + "\" title=\"" +
                        Words(random, 1 + random.Below(3), true) + "\" note=\"" +
                        Words(random, random.Below(3), false) + "\"/>\n";
        d += Latin1ToUtf8(r);
    }
    return d + "</records>\n";
}

bool Write(const std::string& folder, const char* name, const std::string& text) {
    const std::string path = folder + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "quorvel_xmlgen: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: quorvel_xmlgen OUTPUT-FOLDER [BYTES-PER-FILE]\n");
        return 2;
    }
    const std::size_t size =
        argc == 3 ? static_cast<std::size_t>(std::strtoull(argv[2], nullptr, 10)) : 10000000;
    const bool ok = Write(argv[1], "settings.xml", Settings(size)) &&
                    Write(argv[1], "text.xml", Text(size)) &&
                    Write(argv[1], "attributes.xml", Attributes(size));
    return ok ? 0 : 1;
}
