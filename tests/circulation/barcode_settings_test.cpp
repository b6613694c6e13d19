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

std::string InRoot(const std::string& models) {
    return "<r><mbarcode>" + models + "</mbarcode></r>";
}

TEST(BarcodeSettings, WhichElementsBecomeModels) {
    const std::string n48(48, 'N');
    const struct {
        const char* description;
        std::string root; // the root element, after the XML declaration
        std::vector<std::string> models;
    } cases[] = {
        {"first_character_of_model", InRoot("<m model='Lector' value='NN'/>"), {"L NN 0 1"}},
        {"control_digit_leading_number",
         InRoot("<m model='C' value='N' controlDigit='2x'/><m model='C' value='N' "
                "controlDigit='0'/><m model='C' value='N' controlDigit='-3'/><m model='C' "
                "value='N' controlDigit='abc'/><m model='C' value='N' controlDigit='12345'/>"),
         {"C N 0 2", "C N 0 1", "C N 0 1", "C N 0 1", "C N 0 1234"}},
        {"optional_id_first_character",
         InRoot("<m model='L' value='A' optionalId='10'/><m model='L' value='A' optionalId='01'/>"),
         {"L A 1 1", "L A 0 1"}},
        {"cut_at_50_before_decoding",
         InRoot("<m model='&#76;' value='N&amp;N'/><m model='C' value='" + n48 + "&amp;NN'/>"),
         {"& N&N 0 1", "C " + n48 + "&a 0 1"}},
        {"without_model_or_value",
         InRoot("<m value='NN'/><m model='L'/><m model='' value='N'/>"),
         {}},
        {"element_children_in_order",
         InRoot("text<!--c--><a model='L' value='N'/>more<b model='C' value='NN'/>"),
         {"L N 0 1", "C NN 0 1"}},
        {"nested_models_not_read", InRoot("<g><m model='L' value='NN'/></g>"), {}},
        {"root_named_mbarcode", "<mbarcode><m model='X' value='NNN'/></mbarcode>", {"X NNN 0 1"}},
        {"deeper_mbarcode_not_found",
         "<r><x>" + InRoot("<m model='L' value='N'/>") + "</x></r>",
         {}},
        {"first_mbarcode_only",
         "<r><mbarcode><m model='L' value='N'/></mbarcode><mbarcode><m model='C' value='N'/>"
         "</mbarcode></r>",
         {"L N 0 1"}},
    };
    for (const auto& c : cases) {
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

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        StartEmptyList();
        doc_.reset(XmlParserFile(QUORVEL_TEST_DATA_DIR "/quorvp.xml"));
        ASSERT_NE(doc_, nullptr);
        root_ = XmlGetRootElement(doc_.get());
    }
    static std::string Str(const char* text) { return text != nullptr ? text : "(null)"; }
    // The catalogue of the settings' language, chosen as the shell chooses it.
    XmlNode* Catalogue() {
        const std::string lang =
            Str(XmlGetElementAttribute(root_, "lang", "value", XML_SCOPE_CHILDREN));
        XmlNode* m = XmlFindElement(root_, "messages", XML_SCOPE_CHILDREN);
        while (m != nullptr && Str(XmlGetAttribute(m, "xml:lang")) != lang) {
            m = XmlFindElement(XmlNextElement(m), "messages", XML_SCOPE_FOLLOWING);
        }
        return m;
    }
    std::string Text(const char* key) {
        return Str(XmlGetAttribute(XmlFindById(Catalogue(), key), "text"));
    }
    DocPtr doc_;
    XmlNode* root_ = nullptr;
};

TEST_F(SettingsFile, ReadThroughTheQueries) {
    EXPECT_EQ(doc_->cleanEnd, 1);
    EXPECT_EQ(doc_->error, 0);
    EXPECT_EQ(doc_->sourceEncoding, XML_ENC_LATIN1);
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
    EXPECT_STREQ(help->value, "Pase primero el carn\xE9,\nluego el ejemplar.")
        << "CR LF read as LF";
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
