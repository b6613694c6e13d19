// Barcode model settings: which elements become models and how each
// attribute is cut and read; and a real settings file, read from disk with
// CR LF line ends, through the tree queries and on to the matcher.
#include "circulation/barcode.h"
#include "circulation/barcode_settings.h"

#include "Qvxml/xmlchar.h"
#include "Qvxml/xmldoc.h"
#include "Qvxml/xmlparser.h"

#include "../Qvxml/tree_text.h"
#include "model_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// A registered model as text: kind, pattern, optional-id flag, method.
std::vector<std::string> Registered() {
    std::vector<std::string> models;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        models.push_back(std::string(1, m->kind) + " " + m->pattern + " " +
                         std::to_string(m->optionalId) + " " + std::to_string(m->checkMethod));
    }
    return models;
}

TEST(BarcodeSettings, WhichElementsBecomeModels) {
    struct Case {
        const char* description;
        std::string root; // the root element, after the XML declaration
        std::vector<std::string> models;
    };
    const std::string n48(48, 'N');
    const Case cases[] = {
        {"first_character_of_model",
         "<r><mbarcode><m model='Lector' value='NN'/></mbarcode></r>",
         {"L NN 0 1"}},
        {"control_digit_leading_number",
         "<r><mbarcode><m model='C' value='N' controlDigit='2x'/><m model='C' value='N' "
         "controlDigit='0'/><m model='C' value='N' controlDigit='-3'/><m model='C' value='N' "
         "controlDigit='abc'/><m model='C' value='N' controlDigit='12345'/></mbarcode></r>",
         {"C N 0 2", "C N 0 1", "C N 0 1", "C N 0 1", "C N 0 1234"}},
        {"optional_id_first_character",
         "<r><mbarcode><m model='L' value='A' optionalId='10'/><m model='L' value='A' "
         "optionalId='01'/></mbarcode></r>",
         {"L A 1 1", "L A 0 1"}},
        {"cut_at_50_before_decoding",
         "<r><mbarcode><m model='&#76;' value='N&amp;N'/><m model='C' value='" + n48 +
             "&amp;NN'/></mbarcode></r>",
         {"& N&N 0 1", "C " + n48 + "&a 0 1"}},
        {"without_model_or_value",
         "<r><mbarcode><m value='NN'/><m model='L'/><m model='' value='NN'/></mbarcode></r>",
         {}},
        {"element_children_in_order",
         "<r><mbarcode>text<!--c--><a model='L' value='N'/>more<b model='C' value='NN'/>"
         "</mbarcode></r>",
         {"L N 0 1", "C NN 0 1"}},
        {"nested_models_not_read",
         "<r><mbarcode><g><m model='L' value='NN'/></g></mbarcode></r>",
         {}},
        {"root_named_mbarcode", "<mbarcode><m model='X' value='NNN'/></mbarcode>", {"X NNN 0 1"}},
        {"deeper_mbarcode_not_found",
         "<r><x><mbarcode><m model='L' value='N'/></mbarcode></x></r>",
         {}},
        {"first_mbarcode_only",
         "<r><mbarcode><m model='L' value='N'/></mbarcode><mbarcode><m model='C' value='N'/>"
         "</mbarcode></r>",
         {"L N 0 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        StartEmptyList();
        DocPtr doc = Parse("<?xml version='1.0'?>" + c.root);
        EXPECT_EQ(LoadBarcodeModels(doc.get()), c.models.empty() ? 0 : 1);
        EXPECT_EQ(Registered(), c.models);
    }
    StartEmptyList();
    EXPECT_EQ(LoadBarcodeModels(nullptr), 0);
}

// --- a real settings file ----------------------------------------------------------

bool AnyValueHasCr(const XmlNode* node) {
    for (; node != nullptr; node = node->nextSibling) {
        if ((node->value != nullptr && std::strchr(node->value, '\r') != nullptr) ||
            AnyValueHasCr(node->firstAttribute) || AnyValueHasCr(node->firstChild)) {
            return true;
        }
    }
    return false;
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        StartEmptyList();
        doc_.reset(XmlParserFile(QUORVEL_TEST_DATA_DIR "/quorvp.xml"));
        ASSERT_NE(doc_, nullptr);
        root_ = XmlGetRootElement(doc_.get());
    }
    // The catalogue of the settings' language, chosen as the shell chooses it.
    XmlNode* Catalogue() {
        const char* lang = XmlGetElementAttribute(root_, "lang", "value", XML_SCOPE_CHILDREN);
        XmlNode* m = XmlFindElement(root_, "messages", XML_SCOPE_CHILDREN);
        while (m != nullptr) {
            const char* code = XmlGetAttribute(m, "xml:lang");
            if (std::strcmp(code != nullptr ? code : "", lang != nullptr ? lang : "") == 0) {
                return m;
            }
            m = XmlFindElement(XmlNextElement(m), "messages", XML_SCOPE_FOLLOWING);
        }
        return nullptr;
    }
    std::string Text(const char* key) {
        const char* text = XmlGetAttribute(XmlFindById(Catalogue(), key), "text");
        return text != nullptr ? text : "(null)";
    }
    DocPtr doc_;
    XmlNode* root_ = nullptr;
};

TEST_F(SettingsFile, ReadThroughTheQueries) {
    EXPECT_EQ(doc_->cleanEnd, 1);
    EXPECT_EQ(doc_->error, 0);
    EXPECT_EQ(doc_->sourceEncoding, XML_ENC_LATIN1);
    EXPECT_FALSE(AnyValueHasCr(doc_->firstNode)) << "CR LF is read as LF";
    EXPECT_STREQ(XmlNodeName(root_), "quorvp");
    EXPECT_STREQ(XmlGetElementAttribute(root_, "workarea", "value", XML_SCOPE_CHILDREN),
                 "D:\\Quorvel\\Trabajo");
    EXPECT_STREQ(XmlGetAttribute(Catalogue(), "xml:lang"), "es");
    EXPECT_EQ(Text("mes1"), "\xA1"
                            "Bienvenido a la biblioteca!");
    EXPECT_EQ(Text("mes3"), "Falta un c\xF3"
                            "digo de barras");
    EXPECT_EQ(Text("mes4"), "El c\xF3"
                            "digo <b>no</b> corresponde a ning\xFAn modelo");
    EXPECT_EQ(Text("op1"), "Pr\xE9stamo") << "the first of two wins";
    EXPECT_EQ(Text("col4"), "Lector &amp; carn\xE9") << "texts are used as stored";
    EXPECT_EQ(Text("op3"), "(null)");
    const XmlNode* help = XmlFirstTextChild(XmlFindById(Catalogue(), "help"));
    ASSERT_NE(help, nullptr);
    EXPECT_STREQ(help->value, "Pase primero el carn\xE9,\nluego el ejemplar.");
}

TEST_F(SettingsFile, ModelsReachTheMatcher) {
    EXPECT_EQ(LoadBarcodeModels(doc_.get()), 1);
    EXPECT_EQ(Registered(), (std::vector<std::string>{"C NNNNNNNK 0 1", "L ANNNNNK 1 2"}));
    int32_t value = 0;
    char kind = '?';
    char captured[BARCODE_CAPTURE_SIZE] = "";
    EXPECT_EQ(MatchBarcode("96385074", &value, &kind, captured), BARCODE_OK);
    EXPECT_EQ(kind, 'C');
    EXPECT_EQ(value, 9638507);
    EXPECT_EQ(MatchBarcode("96385075", &value, &kind, captured), BARCODE_BAD_CHECK);
    const std::string patron = std::string("B12345") + ComputeCheckChar("B12345");
    EXPECT_EQ(MatchBarcode(patron.c_str(), &value, &kind, captured), BARCODE_OK);
    EXPECT_EQ(kind, 'L');
    EXPECT_EQ(value, 12345);
    EXPECT_EQ(captured, patron);
}

} // namespace
