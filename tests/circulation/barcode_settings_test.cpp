// Barcode model settings: which elements become models and how each
// attribute is cut and read.
#include "circulation/barcode.h"
#include "circulation/barcode_settings.h"

#include "Qvxml/xmldoc.h"

#include "../Qvxml/tree_text.h"
#include "model_list.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// The registered models: kind, pattern, optional-id flag, method; each.
std::string Registered() {
    std::string models;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        models += std::string(1, m->kind) + " " + m->pattern + " " + std::to_string(m->optionalId) +
                  " " + std::to_string(m->checkMethod) + ";";
    }
    return models;
}

const auto InRoot = [](const std::string& m) { return "<r><mbarcode>" + m + "</mbarcode></r>"; };

TEST(BarcodeSettings, WhichElementsBecomeModels) {
    const std::string n48(48, 'N');
    // A name, the root element (after the XML declaration), the models registered.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"attributes_read",
         InRoot("<m model='Lector' value='NN' optionalId='10'/><m model='C' value='N' "
                "controlDigit='2x' optionalId='01'/><m model='C' value='N' controlDigit='0'/><m "
                "model='C' value='N' controlDigit='-3'/><m model='C' value='N' "
                "controlDigit='12345'/>"),
         "L NN 1 1;C N 0 2;C N 0 1;C N 0 1;C N 0 1234;"},
        {"cut_at_50_before_decoding",
         InRoot("<m model='&#76;' value='N&amp;N'/><m model='C' value='" + n48 + "&amp;NN'/>"),
         "& N&N 0 1;C " + n48 + "&a 0 1;"},
        {"element_children_with_model_and_value",
         InRoot("text<!--c--><a model='L' value='N'/>more<m value='NN'/><m model='L'/><m "
                "model='' value='N'/><g><m model='L' value='NN'/></g><b model='C' value='NN'/>"),
         "L N 0 1;C NN 0 1;"},
        {"deeper_mbarcode_not_found", "<r><x>" + InRoot("<m model='L' value='N'/>") + "</x></r>",
         ""},
    };
    for (const auto& [name, root, models] : cases) {
        SCOPED_TRACE(name);
        StartEmptyList();
        EXPECT_EQ(LoadBarcodeModels(Parse("<?xml version='1.0'?>" + root).get()), !models.empty());
        EXPECT_EQ(Registered(), models);
    }
    StartEmptyList();
    EXPECT_EQ(LoadBarcodeModels(nullptr), 0);
}

} // namespace
