// The catalogue choice and key lookup of the desk client, kept apart from the
// checker's report so that the client and the checker can share one rule.
#include "quorvcheck/catalogue.h"

#include <cstring>

const CatalogueKey kCatalogueKeys[] = {
    {"mes1", "greeting at start-up"},
    {"mes2", "the day's file cannot be opened"},
    {"mes3", "a barcode is missing"},
    {"mes4", "a barcode is not valid"},
    {"op1", "name of a loan"},
    {"op2", "name of a return"},
    {"op3", "name of a request"},
    {"dh", "title of the date and time box"},
    {"col1", "column 1 (date)"},
    {"col2", "column 2 (time)"},
    {"col3", "column 3 (number)"},
    {"col4", "column 4 and patron field label"},
    {"col5", "column 5 and item field label"},
    {"col6", "column 6 (operation)"},
};
const int kCatalogueKeyCount = static_cast<int>(sizeof kCatalogueKeys / sizeof kCatalogueKeys[0]);

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
    const char* lang = XmlGetAttribute(catalogue, "xml:lang");
    return lang != nullptr ? lang : "";
}

XmlNode* ChooseCatalogue(XmlNode* root, const char* lang) {
    if (lang == nullptr) {
        lang = "";
    }
    for (XmlNode* c = FirstCatalogue(root); c != nullptr; c = NextCatalogue(root, c)) {
        if (std::strcmp(CatalogueLanguage(c), lang) == 0) {
            return c;
        }
    }
    return nullptr;
}

const char* CatalogueText(XmlNode* catalogue, const char* key) {
    return XmlGetAttribute(XmlFindById(catalogue, key), "text");
}
