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
