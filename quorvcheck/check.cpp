// The checker's report: each section reads the settings document the way
// the desk client does at start-up and says in plain words what a desk would
// get. The catalogue rule lives in catalogue.cpp, the byte conversions in
// text.cpp; the matcher and the model loader are the desk's own.
#include "quorvcheck/check.h"

#include "circulation/barcode.h"
#include "circulation/barcode_settings.h"
#include "quorvcheck/catalogue.h"
#include "quorvcheck/text.h"

#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

namespace {

// The most characters a desk's patron or item field takes.
constexpr std::size_t kDeskFieldMax = 50;

const char kUsage[] = "usage: quorvcheck [--lang CODE] SETTINGS.xml [BARCODE...]";

// What the report found: problems make the exit status 1; warnings are
// settings a desk can live with but that are seldom meant.
struct Findings {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
};

struct DocFree {
    void operator()(XmlDoc* doc) const { XmlFreeDoc(doc); }
};

// A text of the settings file, quoted and printable.
std::string Quoted(const char* latin1) {
    // Appended piece by piece: GCC 12 at -O3 takes the chained operator+ of
    // string literals for an overlapping copy (a false -Wrestrict).
    std::string quoted(1, '"');
    quoted += PrintableLatin1(latin1);
    quoted += '"';
    return quoted;
}

std::string Quoted(const std::string& latin1) {
    return Quoted(latin1.c_str());
}

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Why XmlParserFile gave no document: a file that cannot be opened, or
// markup that stops the reader. Opening again only reads.
std::string WhyUnreadable(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return std::string("the file cannot be opened (") + std::strerror(errno) + ")";
    }
    std::fclose(f);
    return "the XML is malformed: markup the reader cannot scan, a document type before the "
           "XML declaration, or a first processing instruction that is not a valid XML "
           "declaration";
}

const char* EncodingWords(int index) {
    switch (index) {
    case 0:
        return "UTF-8, texts converted to ISO-8859-1 on reading";
    case 4:
        return "ISO-8859-1";
    case -1:
        return "a name the reader does not know, so bytes are taken as ISO-8859-1";
    default:
        return "taken byte for byte as ISO-8859-1";
    }
}

// Reports how the parse went.
void ReportParse(const XmlDoc* doc, XmlNode* root, Findings* found, std::ostream& out) {
    out << "Parsed: yes\n";
    if (doc->declarationSeen) {
        out << "XML declaration: version " << Quoted(doc->version) << ", file encoding "
            << EncodingWords(doc->sourceEncoding) << "\n";
    } else {
        out << "XML declaration: none\n";
    }
    out << "Error flag: " << (doc->error ? "set" : "clear") << "\n";
    if (doc->errorText[0] != '\0') {
        out << "Error text: " << Quoted(doc->errorText) << "\n";
    }
    if (doc->error) {
        found->problems.push_back("the error flag is set");
    }
    if (!doc->declarationSeen) {
        out << "Hint: the file has no XML declaration. Without <?xml version=\"1.0\" "
               "encoding=\"ISO-8859-1\"?> at its very start the reader keeps no element, so a "
               "desk would start with every text empty, no work area and no barcode model.\n";
        found->problems.push_back("no XML declaration");
    } else if (std::strncmp(doc->errorText, "Error EndTagName", 16) == 0) {
        out << "Hint: an end tag does not match the element it should close. That element "
               "stays open, so everything after it ends up inside it, where the client may "
               "not look (lang, workarea, messages and mbarcode must be children of the "
               "root). The error text names the last end tag that did not match.\n";
    } else if (std::strncmp(doc->errorText, "Error EndTag:", 13) == 0) {
        out << "Hint: an end tag comes where no element is open (after the root has "
               "closed).\n";
    } else if (doc->error) {
        out << "Hint: the reader dropped text or a CDATA section that stands outside every "
               "element.\n";
    }
    if (doc->declarationSeen && !doc->cleanEnd) {
        out << "Hint: the file ends inside unfinished markup (a tag, comment or section "
               "never closed), which the reader dropped.\n";
        found->problems.push_back("the file ends inside unfinished markup");
    }
    if (root == nullptr) {
        out << "The file holds no element.\n";
        found->problems.push_back("no element");
    }
}

// Reports the language and work area; returns the language the client uses.
std::string ReportLanguage(const CheckRequest& request, XmlNode* root, Findings* found,
                           std::ostream& out) {
    const char* fileLang = XmlGetElementAttribute(root, "lang", "value", XML_SCOPE_CHILDREN);
    std::string lang;
    if (request.langGiven) {
        lang = ArgumentToLatin1(request.lang.c_str(), nullptr);
        out << "Language: " << Quoted(lang) << " (given with --lang; the file says "
            << (fileLang != nullptr ? Quoted(fileLang) : "nothing") << ")\n";
    } else if (fileLang != nullptr) {
        lang = fileLang;
        out << "Language: " << Quoted(lang) << " (from the file)\n";
    } else {
        out << "Language: \"\" (the file has no lang element or no value on it, so the "
               "catalogue without xml:lang is chosen)\n";
    }
    const char* workArea = XmlGetElementAttribute(root, "workarea", "value", XML_SCOPE_CHILDREN);
    if (workArea != nullptr && workArea[0] != '\0') {
        out << "Work area: " << Quoted(workArea) << "\n";
    } else {
        out << "Work area: none (no workarea element or value): the day's files would be "
               "written at the top of the drive, as /YYYYMMDD.qvp\n";
        found->warnings.push_back("no work area");
    }
    return lang;
}

void ReportCatalogue(XmlNode* root, const std::string& lang, Findings* found, std::ostream& out) {
    int count = 0;
    std::string languages;
    for (XmlNode* c = FirstCatalogue(root); c != nullptr; c = NextCatalogue(root, c)) {
        languages += (count++ == 0 ? "" : ", ") + Quoted(CatalogueLanguage(c));
    }
    out << "Catalogues: " << (count == 0 ? "none" : languages) << "\n";
    XmlNode* chosen = ChooseCatalogue(root, lang.c_str());
    if (chosen == nullptr) {
        out << "Chosen catalogue: none for " << Quoted(lang)
            << "; every text of the client would be empty\n";
        out << "Missing keys: all " << kCatalogueKeyCount << "\n";
        found->warnings.push_back("no catalogue for the language");
        return;
    }
    int position = 1;
    for (XmlNode* c = FirstCatalogue(root); c != chosen; c = NextCatalogue(root, c)) {
        ++position;
    }
    out << "Chosen catalogue: " << Quoted(CatalogueLanguage(chosen)) << ", number " << position
        << " of " << count << "\n";
    out << "Texts the client shows:\n";
    std::string missing;
    for (int i = 0; i < kCatalogueKeyCount; ++i) {
        const CatalogueKey& k = kCatalogueKeys[i];
        const char* text = CatalogueText(chosen, k.key);
        std::string line =
            std::string("  ") + k.key + std::string(6 - std::strlen(k.key), ' ') + k.where + ": ";
        if (text == nullptr) {
            missing += (missing.empty() ? "" : ", ") + std::string(k.key);
            out << line << "missing, shown empty\n";
        } else {
            out << line << Quoted(text) << "\n";
        }
    }
    out << "Missing keys: " << (missing.empty() ? "none" : missing) << "\n";
    if (!missing.empty()) {
        found->warnings.push_back("missing keys");
    }
}

// Whether the pattern has a check character: a "K" not escaped by "\".
bool HasCheckCharacter(const char* pattern) {
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == '\\') {
            if (*++p == '\0') {
                break;
            }
        } else if (*p == 'K') {
            return true;
        }
    }
    return false;
}

std::string KindWords(char kind) {
    switch (kind) {
    case 'L':
        return "patron (L)";
    case 'C':
        return "item (C)";
    case 'X':
        return "decided by its number (X)";
    default:
        const char letter[2] = {kind, '\0'};
        return "kind " + Quoted(letter) +
               " (neither patron nor item: a desk refuses what it matches)";
    }
}

// Registers and reports the models; returns whether any is configured.
bool ReportModels(XmlDoc* doc, XmlNode* root, Findings* found, std::ostream& out) {
    const bool hasModels = LoadBarcodeModels(doc) != 0;
    XmlNode* mbarcode = XmlFindElement(root, "mbarcode", XML_SCOPE_CHILDREN);
    int elements = 0;
    for (XmlNode* m = XmlFirstChildElement(mbarcode); m != nullptr; m = XmlNextElement(m)) {
        ++elements;
    }
    int registered = 0;
    bool unusable = false;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        ++registered;
        unusable = unusable || (m->kind != 'L' && m->kind != 'C' && m->kind != 'X');
    }
    if (!hasModels) {
        out << "Barcode models: none ("
            << (mbarcode == nullptr ? "no mbarcode element" : "no usable model under mbarcode")
            << "): a desk accepts any non-empty text unchecked\n";
        found->warnings.push_back("no barcode model");
    } else {
        out << "Barcode models: " << registered << ", tried in this order\n";
    }
    int n = 0;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        out << "  " << ++n << ". " << KindWords(m->kind) << ", pattern " << Quoted(m->pattern)
            << ", ";
        const std::string method = std::to_string(m->checkMethod);
        if (!HasCheckCharacter(m->pattern)) {
            out << "no check character (method " << method << " unused)";
        } else if (m->checkMethod == 2) {
            out << "doubling check (method 2)";
        } else {
            out << "3-and-1 check (method " << method << ")";
        }
        out << ", optional id " << (m->optionalId ? "on" : "off") << "\n";
    }
    if (unusable) {
        found->warnings.push_back("a model of a kind no desk accepts");
    }
    if (elements > registered) {
        out << "Skipped: " << Plural(elements - registered, "element", "elements")
            << " under mbarcode without a model or a value\n";
        found->warnings.push_back("skipped model elements");
    }
    return hasModels;
}

const char* ResultName(int result) {
    switch (result) {
    case BARCODE_OK:
        return "BARCODE_OK";
    case BARCODE_REJECTED:
        return "BARCODE_REJECTED";
    case BARCODE_BAD_CHECK:
        return "BARCODE_BAD_CHECK";
    default:
        return "?";
    }
}

// A command-line barcode as a desk's field would hold it: in ISO-8859-1 and
// cut to the field's length. *note (not null) gets a remark on what changed.
std::string DeskText(const char* argument, std::string* note) {
    note->clear();
    bool replaced = false;
    std::string text = ArgumentToLatin1(argument, &replaced);
    if (replaced) {
        *note = "a character beyond ISO-8859-1 became \"?\", as at a desk";
    }
    if (text.size() > kDeskFieldMax) {
        *note += (note->empty() ? "" : "; ") + std::string("only the first ") +
                 std::to_string(kDeskFieldMax) + " of its " + std::to_string(text.size()) +
                 " characters fit in a desk's field";
        text.resize(kDeskFieldMax);
    }
    return text;
}

// Judges and reports each barcode; returns how many were refused.
int ReportBarcodes(const std::vector<std::string>& barcodes, bool hasModels, std::ostream& out) {
    out << "Barcodes, as a desk would judge them:\n";
    int refused = 0;
    for (const std::string& argument : barcodes) {
        std::string note;
        const std::string text = DeskText(argument.c_str(), &note);
        const BarcodeVerdict v = JudgeBarcode(text, hasModels);
        out << "  " << Quoted(text) << ": " << v.words;
        if (v.matched) {
            out << " (" << ResultName(v.result) << ", kind "
                << PrintableLatin1(std::string(1, v.kind).c_str()) << ", value " << v.value << ")";
        }
        out << "\n";
        if (!note.empty()) {
            out << "    " << note << "\n";
        }
        refused += v.accepted ? 0 : 1;
    }
    return refused;
}

} // namespace

BarcodeVerdict JudgeBarcode(const std::string& text, bool hasModels) {
    BarcodeVerdict v{false, BARCODE_REJECTED, 'X', 0, false, ""};
    if (text.empty()) {
        v.words = "refused: empty, a desk asks for the missing barcode";
        return v;
    }
    if (!hasModels) {
        v.accepted = true;
        v.words = "accepted unchecked: no barcode model is configured";
        return v;
    }
    v.matched = true;
    v.result = MatchBarcode(text.c_str(), &v.value, &v.kind, nullptr);
    if (v.result == BARCODE_BAD_CHECK) {
        v.words = "refused: wrong check character";
    } else if (v.result != BARCODE_OK) {
        v.words = "refused: matches no model";
    } else if (v.kind == 'L') {
        v.accepted = true;
        v.words = "accepted as patron";
    } else if (v.kind == 'C') {
        v.accepted = true;
        v.words = "accepted as item";
    } else {
        v.words = "refused: neither a patron nor an item barcode";
    }
    return v;
}

int CheckSettings(const CheckRequest& request, std::ostream& out) {
    out << "Settings file: " << request.settingsPath << "\n";
    Findings found;
    const std::unique_ptr<XmlDoc, DocFree> doc(XmlParserFile(request.settingsPath.c_str()));
    if (doc == nullptr) {
        out << "Parsed: no, " << WhyUnreadable(request.settingsPath) << "\n";
        out << "A desk would say \"File not found\" with the file's path and close at once.\n";
        found.problems.push_back("the file could not be read");
        if (!request.barcodes.empty()) {
            out << "Barcodes: not judged without settings\n";
        }
    } else {
        XmlNode* root = XmlGetRootElement(doc.get());
        ReportParse(doc.get(), root, &found, out);
        const std::string lang = ReportLanguage(request, root, &found, out);
        ReportCatalogue(root, lang, &found, out);
        const bool hasModels = ReportModels(doc.get(), root, &found, out);
        if (root == nullptr) {
            found.warnings.clear(); // all of them follow from the missing elements
        }
        if (!request.barcodes.empty()) {
            const int refused = ReportBarcodes(request.barcodes, hasModels, out);
            if (refused > 0) {
                found.problems.push_back(
                    std::to_string(refused) + " of " +
                    Plural(static_cast<int>(request.barcodes.size()), "barcode", "barcodes") +
                    " refused");
            }
        }
    }
    const int status = found.problems.empty() ? QUORVCHECK_OK : QUORVCHECK_PROBLEM;
    out << "Result: exit status " << status;
    if (found.problems.empty()) {
        out << ", no problem found";
    }
    for (std::size_t i = 0; i < found.problems.size(); ++i) {
        out << (i == 0 ? ": " : "; ") << found.problems[i];
    }
    for (std::size_t i = 0; i < found.warnings.size(); ++i) {
        out << (i == 0 ? "; warnings: " : ", ") << found.warnings[i];
    }
    out << "\n";
    return status;
}

int QuorvcheckMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CheckRequest request;
    bool haveSettings = false;
    bool optionsEnded = false;
    std::string problem;
    for (int i = 1; i < argc && problem.empty(); ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!haveSettings) {
                request.settingsPath = arg;
                haveSettings = true;
            } else {
                request.barcodes.push_back(arg);
            }
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            out << kUsage << "\n";
            return QUORVCHECK_OK;
        } else if (arg != "--lang") {
            problem = "unknown option " + arg;
        } else if (i + 1 >= argc || argv[i + 1] == nullptr) {
            problem = "--lang needs a language code";
        } else {
            request.langGiven = true;
            request.lang = argv[++i];
        }
    }
    if (problem.empty() && !haveSettings) {
        problem = "no settings file given";
    }
    if (!problem.empty()) {
        err << "quorvcheck: " << problem << "\n" << kUsage << "\n";
        return QUORVCHECK_USAGE;
    }
    return CheckSettings(request, out);
}
