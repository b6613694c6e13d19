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

const char* SettingsLanguage(XmlNode* root) {
    return TextOrEmpty(XmlGetElementAttribute(root, "lang", "value", XML_SCOPE_CHILDREN));
}

const char* SettingsWorkArea(XmlNode* root) {
    return TextOrEmpty(XmlGetElementAttribute(root, "workarea", "value", XML_SCOPE_CHILDREN));
}

XmlNode* ChooseCatalogue(XmlNode* root, const char* language) {
    if (language == nullptr) {
        return nullptr;
    }
    XmlNode* candidate = XmlFindElement(root, "messages", XML_SCOPE_CHILDREN);
    while (candidate != nullptr) {
        if (std::strcmp(TextOrEmpty(XmlGetAttribute(candidate, "xml:lang")), language) == 0) {
            return candidate;
        }
        // A search that starts at a "messages" element finds that element
        // itself, so the next one starts after it.
        candidate = XmlFindElement(XmlNextElement(candidate), "messages", XML_SCOPE_FOLLOWING);
    }
    return nullptr;
}

const char* CatalogueText(XmlNode* messages, const char* key) {
    return XmlGetAttribute(XmlFindById(messages, key), "text");
}
