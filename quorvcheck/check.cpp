// The checker's report: each section reads the settings document the way
// the desk client does at start-up and says in plain words what a desk would
// get. The catalogue rule lives in catalogue.cpp, the byte conversions in
// text.cpp, the models' order in models.cpp, the day's files in day.cpp and
// what is asked of the system in system_*.cpp; the reader, the matcher and
// the model loader are the desk's own.
#include "quorvcheck/check.h"

#include "circulation/barcode.h"
#include "circulation/barcode_settings.h"
#include "platform/file.h"
#include "quorvcheck/catalogue.h"
#include "quorvcheck/day.h"
#include "quorvcheck/models.h"
#include "quorvcheck/system.h"
#include "quorvcheck/text.h"

#include "Qvxml/xmlchar.h"
#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>

namespace {

// The most characters a desk's patron or item field takes.
constexpr std::size_t kDeskFieldMax = 50;

const char kUsage[] = "usage: quorvcheck [--lang CODE] SETTINGS.xml [BARCODE...]\n"
                      "       quorvcheck --day SETTINGS.xml FILE.qvp...";

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

// A path from the command line, printed in the encoding of the rest.
std::string ShownPath(const std::string& path) {
    return PrintablePath(CommandLineToUtf8(path));
}

// "line 7, column 1: <what>, at "<excerpt>"".
std::string Place(const XmlProblem& problem) {
    std::string text = "line " + std::to_string(problem.line) + ", column " +
                       std::to_string(problem.column) + ": " + XmlProblemText(problem.code);
    if (problem.excerpt[0] != '\0') {
        text += ", at " + Quoted(problem.excerpt);
    }
    return text;
}

// What to do about the markup that stopped the reader, where there is a
// usual mistake behind it.
const char* FailureHint(int code) {
    switch (code) {
    case XML_PROBLEM_BAD_TEXT:
        return "Hint: in text, & begins a reference. The reader knows only &lt; &gt; &amp; "
               "&quot; and numbered ones such as &#233;, so &apos; and the like stop it. Write "
               "the characters themselves: ' for &apos;, é for &eacute;.";
    case XML_PROBLEM_BAD_TAG:
        return "Hint: look for a value whose quote is not closed, a < inside a value (write "
               "&lt;), or a tag that does not end with > or />.";
    case XML_PROBLEM_DOCTYPE_FIRST:
    case XML_PROBLEM_BAD_DECLARATION:
        return "Hint: the file must begin with <?xml version=\"1.0\" "
               "encoding=\"ISO-8859-1\"?>; only white space and comments may come before it.";
    default:
        return nullptr;
    }
}

// Why XmlParserFileReport gave no document.
void ReportUnreadable(const XmlParseReport& report, Findings* found, std::ostream& out) {
    if (report.outcome == XML_OUTCOME_UNOPENED) {
        out << "Parsed: no, the file cannot be opened (" << std::strerror(report.systemError)
            << ")\n";
        out << "A desk would say \"File not found\" with the file's path and close at once.\n";
        found->problems.push_back("the file cannot be opened");
        return;
    }
    if (report.outcome == XML_OUTCOME_MALFORMED) {
        out << "Parsed: no, the reader stopped at " << Place(report.failure) << "\n";
        if (const char* hint = FailureHint(report.failure.code)) {
            out << hint << "\n";
        }
    } else {
        out << "Parsed: no, there is not enough memory to read it\n";
    }
    out << "A desk would say \"The settings file cannot be read\" with this place and close at "
           "once.\n";
    found->problems.push_back("the file cannot be read");
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

// Reports how the parse went: every dropped token with its place, the token
// the file ends inside, the elements left open, and hints for the usual
// mistakes behind them.
void ReportParse(const XmlDoc* doc, XmlNode* root, const XmlParseReport& report, Findings* found,
                 std::ostream& out) {
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
    for (int i = 0; i < report.droppedCount && i < XML_REPORT_DROPPED; ++i) {
        out << "Dropped: " << Place(report.dropped[i]) << "\n";
    }
    if (report.droppedCount > XML_REPORT_DROPPED) {
        out << "Dropped: " << report.droppedCount - XML_REPORT_DROPPED << " more\n";
    }
    if (report.unfinished.code != XML_PROBLEM_NONE) {
        out << "Unfinished: " << Place(report.unfinished) << "\n";
    }
    if (doc->current != nullptr) {
        // The reader's cursor stays on the innermost element left open.
        out << "Still open at the end:";
        for (const XmlNode* e = doc->current; e != nullptr; e = e->parent) {
            out << (e == doc->current ? " <" : " in <") << PrintableLatin1(e->name) << ">";
        }
        out << "\n";
        found->problems.push_back("elements never closed");
    }
    if (report.droppedCount > 0) {
        found->problems.push_back(Plural(report.droppedCount, "token", "tokens") + " dropped");
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
               "root).\n";
    } else if (std::strncmp(doc->errorText, "Error EndTag:", 13) == 0) {
        out << "Hint: an end tag comes where no element is open (after the root has "
               "closed).\n";
    }
    if (doc->declarationSeen && !doc->cleanEnd) {
        found->problems.push_back("the file ends inside unfinished markup");
    }
    if (root == nullptr) {
        out << "The file holds no element.\n";
        found->problems.push_back("no element");
    }
}

// Warns when a file read as ISO-8859-1 holds bytes that read as UTF-8: its
// accented letters come out as two characters each ("Ã©" for "é").
void ReportEncoding(const XmlDoc* doc, const std::string& bytes, Findings* found,
                    std::ostream& out) {
    if (doc->sourceEncoding == XML_ENC_UTF8 || !ReadsAsUtf8(bytes.data(), bytes.size())) {
        return;
    }
    // The word around the first such character, and its line.
    std::size_t at = 0;
    while (static_cast<unsigned char>(bytes[at]) < 0x80) {
        ++at;
    }
    const char* stops = " \t\r\n\"'<>=";
    std::size_t begin = bytes.find_last_of(stops, at);
    begin = begin == std::string::npos ? 0 : begin + 1;
    const std::size_t end = std::min(bytes.find_first_of(stops, at), bytes.size());
    const std::string word = bytes.substr(begin, end - begin);
    const long line = 1 + static_cast<long>(std::count(bytes.begin(), bytes.begin() + at, '\n'));
    out << "Encoding: the file is read as ISO-8859-1, but its bytes read as UTF-8: a desk "
           "shows "
        << Quoted(word) << " for \"" << PrintablePath(word) << "\" (line " << line
        << "). Declare encoding=\"UTF-8\", or save the file in ISO-8859-1.\n";
    found->warnings.push_back("UTF-8 read as ISO-8859-1");
}

// Says where an element that a desk looks for among the root's children
// stands when it is deeper (typically swallowed by an element left open).
void NoteDeeper(XmlNode* root, const char* name, std::ostream& out) {
    const XmlNode* deeper = XmlFindElement(root, name, XML_SCOPE_SUBTREE);
    if (deeper != nullptr && deeper != root && deeper->parent != root) {
        out << "  <" << name << "> stands deeper, inside <" << PrintableLatin1(deeper->parent->name)
            << ">: a desk looks for it only among the root's children.\n";
    }
}

// Reports the work area as the account running the checker finds it.
void ReportWorkArea(XmlNode* root, const char* workArea, Findings* found, std::ostream& out) {
    const char* consequence =
        ": a desk shows \"mes2\" at start-up and at every Enter, and records nothing\n";
    if (workArea == nullptr || workArea[0] == '\0') {
        out << "Work area: none (no workarea element or value)" << consequence;
        NoteDeeper(root, "workarea", out);
        found->problems.push_back("no work area");
        return;
    }
    // Named to the system as a desk names it: the text in the system's encoding.
    const FolderState folder = InspectFolder(FileNameFromText(workArea));
    const std::string permissions =
        folder.permissions.empty() ? "" : " (" + folder.permissions + ")";
    out << "Work area: " << Quoted(workArea);
    if (!folder.exists) {
        out << " does not exist" << consequence;
        found->problems.push_back("the work area does not exist");
    } else if (!folder.isFolder) {
        out << " is not a folder" << permissions << consequence;
        found->problems.push_back("the work area is not a folder");
    } else if (folder.writable == 0) {
        out << " cannot be written by " << folder.account << permissions
            << (folder.why.empty() ? "" : ": " + folder.why) << consequence;
        found->problems.push_back("the work area cannot be written by " + folder.account);
    } else if (folder.writable < 0) {
        out << ", a folder" << permissions << "; whether " << folder.account
            << " may write it could not be told\n";
        found->warnings.push_back("the work area's permissions could not be read");
    } else {
        out << ", a folder " << folder.account << " may write" << permissions << "\n";
        if (folder.privileged) {
            out << "Note: " << folder.account
                << " may write any folder; run quorvcheck as a librarian's account (sudo -u "
                   "ACCOUNT quorvcheck ...) to check theirs.\n";
        }
    }
}

// Reports the language; returns the language the client uses.
std::string ReportLanguage(const CheckRequest& request, XmlNode* root, std::ostream& out) {
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
    return lang;
}

// Whether text holds a character or entity reference ("&#233;", "&eacute;"),
// which a desk shows as written.
bool HasReference(const char* text) {
    for (const char* p = std::strchr(text, '&'); p != nullptr; p = std::strchr(p + 1, '&')) {
        const char* q = p + 1;
        const bool numbered = *q == '#';
        q += numbered ? 1 : 0;
        const bool hex = numbered && (*q == 'x' || *q == 'X');
        q += hex ? 1 : 0;
        const char* start = q;
        while (*q != '\0' && (hex        ? std::isxdigit(static_cast<unsigned char>(*q))
                              : numbered ? std::isdigit(static_cast<unsigned char>(*q))
                                         : std::isalnum(static_cast<unsigned char>(*q)))) {
            ++q;
        }
        if (q > start && *q == ';') {
            return true;
        }
    }
    return false;
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
        out << "Missing keys: all " << kDeskKeyCount << "\n";
        found->problems.push_back("no catalogue for the language");
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
    bool references = false;
    for (int i = 0; i < kDeskKeyCount; ++i) {
        const CatalogueKey& k = kDeskKeys[i];
        const char* text = CatalogueText(chosen, k.key);
        std::string line =
            std::string("  ") + k.key + std::string(6 - std::strlen(k.key), ' ') + k.where + ": ";
        if (text == nullptr) {
            missing += (missing.empty() ? "" : ", ") + std::string(k.key);
            out << line << "missing, shown empty\n";
        } else {
            out << line << Quoted(text) << "\n";
            if (HasReference(text)) {
                std::string decoded(text);
                XmlDecodeEntities(decoded.data(), decoded.data());
                out << "        shown as written, references and all";
                if (std::strcmp(decoded.c_str(), text) != 0) {
                    out << "; to show " << Quoted(decoded.c_str())
                        << " write the letters themselves";
                }
                out << "\n";
                references = true;
            }
        }
    }
    out << "Missing keys: " << (missing.empty() ? "none" : missing) << "\n";
    if (!missing.empty()) {
        found->problems.push_back("missing keys (" + missing + ")");
    }
    if (references) {
        found->warnings.push_back("texts with references");
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
        if (mbarcode == nullptr) {
            NoteDeeper(root, "mbarcode", out);
        }
        found->problems.push_back("no barcode model");
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
    n = 0;
    bool unreached = false;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        ++n;
        const int covering = EarlierModelCovering(m);
        if (covering < 0) {
            out << "  Model " << n << " matches no barcode at all.\n";
        } else if (covering > 0) {
            out << "  Model " << n << " is never reached: model " << covering
                << " takes every barcode it matches, or refuses it for its check character.\n";
        }
        unreached = unreached || covering != 0;
    }
    if (unreached) {
        found->warnings.push_back("a model that is never reached");
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

namespace {

// The whole file's bytes, for what the reader does not keep; empty when it
// cannot be read.
std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The last line: the status, the problems, the warnings.
int Result(const Findings& found, std::ostream& out) {
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

} // namespace

int CheckSettings(const CheckRequest& request, std::ostream& out) {
    out << "Settings file: " << ShownPath(request.settingsPath) << "\n";
    Findings found;
    XmlParseReport report;
    const std::unique_ptr<XmlDoc, DocFree> doc(
        XmlParserFileReport(request.settingsPath.c_str(), &report));
    if (doc == nullptr) {
        ReportUnreadable(report, &found, out);
        if (!request.barcodes.empty()) {
            out << "Barcodes: not judged without settings\n";
        }
        return Result(found, out);
    }
    XmlNode* root = XmlGetRootElement(doc.get());
    ReportParse(doc.get(), root, report, &found, out);
    ReportEncoding(doc.get(), FileBytes(request.settingsPath), &found, out);
    // Without an element everything below is missing for one reason, said
    // already.
    Findings below;
    const std::string lang = ReportLanguage(request, root, out);
    ReportWorkArea(root, XmlGetElementAttribute(root, "workarea", "value", XML_SCOPE_CHILDREN),
                   &below, out);
    ReportCatalogue(root, lang, &below, out);
    const bool hasModels = ReportModels(doc.get(), root, &below, out);
    if (root != nullptr) {
        found.problems.insert(found.problems.end(), below.problems.begin(), below.problems.end());
        found.warnings.insert(found.warnings.end(), below.warnings.begin(), below.warnings.end());
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
    return Result(found, out);
}

int CheckDays(const CheckRequest& request, std::ostream& out) {
    const std::string settings = ShownPath(request.settingsPath);
    out << "Settings file: " << settings << "\n";
    Findings found;
    XmlParseReport report;
    const std::unique_ptr<XmlDoc, DocFree> doc(
        XmlParserFileReport(request.settingsPath.c_str(), &report));
    bool hasModels = false;
    if (doc == nullptr) {
        out << "  cannot be read: the barcodes are not judged (run quorvcheck " << settings
            << ")\n";
        found.problems.push_back("the settings file cannot be read");
    } else {
        hasModels = LoadBarcodeModels(doc.get()) != 0;
        int models = 0;
        for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
            ++models;
        }
        out << "  "
            << (hasModels ? Plural(models, "barcode model", "barcode models")
                          : std::string("no barcode model: a desk accepts any non-empty barcode"))
            << "\n";
        if (doc->error || !doc->cleanEnd || doc->current != nullptr) {
            out << "  read only in part: run quorvcheck " << settings << " to see why\n";
        }
    }
    int unsound = 0;
    for (const std::string& path : request.dayFiles) {
        const DayFileVerdict verdict = CheckDayFile(path, ShownPath(path), hasModels, out);
        unsound += verdict.problems > 0 ? 1 : 0;
    }
    if (unsound > 0) {
        found.problems.push_back(
            std::to_string(unsound) + " of " +
            Plural(static_cast<int>(request.dayFiles.size()), "day file", "day files") +
            (unsound == 1 ? " has problems" : " have problems"));
    }
    return Result(found, out);
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
        } else if (arg == "--day") {
            request.days = true;
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
    if (problem.empty() && request.days) {
        request.dayFiles.swap(request.barcodes);
        if (request.dayFiles.empty()) {
            problem = "--day needs at least one day's file";
        } else if (request.langGiven) {
            problem = "--lang has no use with --day";
        }
    }
    if (!problem.empty()) {
        err << "quorvcheck: " << problem << "\n" << kUsage << "\n";
        return QUORVCHECK_USAGE;
    }
    return request.days ? CheckDays(request, out) : CheckSettings(request, out);
}
