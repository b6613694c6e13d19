// Which catalogue the client takes for a language, and which text a key
// finds in it.
#include "quorvcheck/catalogue.h"

#include "../Qvxml/tree_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Catalogue, ChoiceAndLookup) {
    struct Case {
        const char* description;
        std::string body; // after the XML declaration
        const char* lang;
        const char* mes1; // the text found for "mes1"; null when none
    };
    const std::string esEn = "<r><messages xml:lang='es'><m ID='mes1' text='S'/>"
                             "</messages><messages xml:lang='en'><m ID='mes1' text='E'/>"
                             "</messages></r>";
    const Case cases[] = {
        {"second_language", esEn, "en", "E"},
        {"first_language", esEn, "es", "S"},
        {"case_sensitive", esEn, "ES", nullptr},
        {"absent_xml_lang_is_empty",
         "<r><messages xml:lang='es'/><messages><m ID='mes1' text='N'/></messages></r>", "", "N"},
        {"other_language_never_searched",
         "<r><messages xml:lang='es'/><messages xml:lang='en'><m ID='mes1' "
         "text='E'/></messages></r>",
         "es", nullptr},
        {"first_duplicate_wins",
         "<r><messages xml:lang='es'><m ID='mes1' text='1'/><m ID='mes1' text='2'/></messages></r>",
         "es", "1"},
        {"deeper_catalogue_not_a_candidate",
         "<r><x><messages xml:lang='es'><m ID='mes1' text='S'/></messages></x></r>", "es", nullptr},
        {"root_named_messages", "<messages xml:lang='es'><m ID='mes1' text='S'/></messages>", "es",
         "S"},
        {"root_named_messages_is_the_only_candidate",
         "<messages xml:lang='es'/><messages xml:lang='en'><m ID='mes1' text='E'/></messages>",
         "en", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        DocPtr doc = Parse("<?xml version='1.0'?>" + c.body);
        const char* text =
            CatalogueText(ChooseCatalogue(XmlGetRootElement(doc.get()), c.lang), "mes1");
        EXPECT_STREQ(text, c.mes1);
    }
}

} // namespace
