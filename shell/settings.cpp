// The shell's reading of the settings file: its path, the language, the work
// area and the catalogue lookups. Everything else in the file is left to the
// modules that use it.
#include "shell/settings.h"

#include "platform/paths.h"

#include <cstring>

std::string InstallSubdir(const std::string& installPath, const char* name) {
    std::string folder = installPath;
    folder += kFolderSeparator;
    folder += name;
    folder += kFolderSeparator;
    return folder;
}

bool SettingsFilePath(const std::string& adminFolder, std::string* path) {
    *path = adminFolder + "quorvp.xml";
    return path->size() < kSettingsPathSize;
}

std::string SettingsMissingText(const std::string& path) {
    return "File not found\n" + path;
}

namespace {

// "Line 3, column 18: <what>, at "<excerpt>"".
std::string Place(const XmlProblem& problem) {
    std::string text = "Line " + std::to_string(problem.line) + ", column " +
                       std::to_string(problem.column) + ": " + XmlProblemText(problem.code);
    if (problem.excerpt[0] != '\0') {
        text += std::string(", at \"") + problem.excerpt + "\"";
    }
    return text;
}

} // namespace

std::string SettingsUnreadableText(const std::string& path, const XmlParseReport& report) {
    std::string text = "The settings file cannot be read\n" + path + "\n";
    if (report.failure.code != XML_PROBLEM_NONE) {
        text += Place(report.failure) + "\n";
    } else {
        text += "There is not enough memory to read it.\n";
    }
    return text + "Run quorvcheck on this file to see what is wrong.";
}

std::string SettingsWarningText(const std::string& path, XmlDoc* doc,
                                const XmlParseReport& report) {
    std::string first;
    if (report.droppedCount > 0) {
        first = Place(report.dropped[0]);
    } else if (report.unfinished.code != XML_PROBLEM_NONE) {
        first = Place(report.unfinished);
    } else if (doc->declarationSeen == 0) {
        first = "Line 1: the XML declaration is missing, so no element of the file is read";
    } else if (const XmlNode* open = doc->current) {
        // The parse leaves its cursor on the innermost element still open. The
        // file's last line is the one before the place after its last LF.
        const int last = report.column == 1 && report.line > 1 ? report.line - 1 : report.line;
        first = "Line " + std::to_string(last) + ": the file ends with <" +
                TextOrEmpty(open->name) + "> still open";
    } else if (doc->error != 0 || doc->cleanEnd == 0) {
        first = "The reader left part of the file out";
    }
    const bool noWorkArea = SettingsWorkArea(XmlGetRootElement(doc))[0] == '\0';
    if (first.empty() && !noWorkArea) {
        return std::string();
    }
    std::string text = "The settings file has mistakes\n" + path + "\n";
    if (!first.empty()) {
        text += first + "\n";
    }
    if (noWorkArea) {
        text += "It names no work area (workarea): no operation can be recorded.\n";
    }
    return text + "The desk goes on with what it could read.\n"
                  "Run quorvcheck on this file to see every mistake.";
}

const char* SettingsLanguage(XmlNode* root) {
    return TextOrEmpty(XmlGetElementAttribute(root, "lang", "value", XML_SCOPE_CHILDREN));
}

const char* SettingsWorkArea(XmlNode* root) {
    return TextOrEmpty(XmlGetElementAttribute(root, "workarea", "value", XML_SCOPE_CHILDREN));
}

XmlNode* FirstCatalogue(XmlNode* root) {
    return XmlFindElement(root, "messages", XML_SCOPE_CHILDREN);
}

XmlNode* NextCatalogue(XmlNode* root, XmlNode* candidate) {
    // A search starting at a "messages" element would return that element
    // itself, so the next search starts one element further on. A root named
    // "messages" has no fellow candidates: elements after it at top level are
    // not the root's children.
    if (candidate == nullptr || candidate == root) {
        return nullptr;
    }
    return XmlFindElement(XmlNextElement(candidate), "messages", XML_SCOPE_FOLLOWING);
}

const char* CatalogueLanguage(XmlNode* catalogue) {
    return TextOrEmpty(XmlGetAttribute(catalogue, "xml:lang"));
}

XmlNode* ChooseCatalogue(XmlNode* root, const char* language) {
    language = TextOrEmpty(language);
    for (XmlNode* c = FirstCatalogue(root); c != nullptr; c = NextCatalogue(root, c)) {
        if (std::strcmp(CatalogueLanguage(c), language) == 0) {
            return c;
        }
    }
    return nullptr;
}

const char* CatalogueText(XmlNode* messages, const char* key) {
    return XmlGetAttribute(XmlFindById(messages, key), "text");
}
