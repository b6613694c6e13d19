// Barcode model settings: walks the "mbarcode" element of a settings
// document and registers each model it describes. What a model means is the
// matcher's concern (barcode.h).
#include "circulation/barcode_settings.h"

#include "circulation/barcode.h"

#include <cstdlib>

namespace {

// The most bytes taken of each attribute.
constexpr int kModelMax = 3;
constexpr int kValueMax = 50;
constexpr int kControlDigitMax = 4;
constexpr int kOptionalIdMax = 4;

// The attribute cut to maximum bytes and decoded; empty when absent.
void ReadAttribute(XmlNode* element, const char* attribute, long maximum, char* text) {
    text[0] = '\0';
    XmlGetValue(element, XmlNodeName(element), attribute, XML_VALUE_TEXT, -1, maximum, text);
}

} // namespace

int LoadBarcodeModels(XmlDoc* document) {
    XmlNode* models = XmlFindElement(XmlGetRootElement(document), "mbarcode", XML_SCOPE_CHILDREN);
    for (XmlNode* m = XmlFirstChildElement(models); m != nullptr; m = XmlNextElement(m)) {
        char model[kModelMax + 1];
        char value[kValueMax + 1];
        char controlDigit[kControlDigitMax + 1];
        char optionalId[kOptionalIdMax + 1];
        ReadAttribute(m, "model", kModelMax, model);
        ReadAttribute(m, "value", kValueMax, value);
        ReadAttribute(m, "controlDigit", kControlDigitMax, controlDigit);
        ReadAttribute(m, "optionalId", kOptionalIdMax, optionalId);
        if (model[0] == '\0' || value[0] == '\0') {
            continue;
        }
        int method = std::atoi(controlDigit);
        if (method < 1) {
            method = 1;
        }
        RegisterBarcodeModel(model[0], value, optionalId[0], method);
    }
    return g_barcodeModels != nullptr ? 1 : 0;
}
