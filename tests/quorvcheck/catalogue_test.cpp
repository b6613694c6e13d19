// Which catalogue the client takes for a language, and which text a key
// finds in it, where the document is shaped oddly. (The usual choices are
// the desk's: tests/shell/dialog_test.cpp.)
#include "quorvcheck/catalogue.h"

#include "../Qvxml/tree_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Catalogue, ChoiceAndLookup) {
    const struct {
        std::string body; // after the XML declaration
        const char* lang;
        const char* mes1; // the text found for "mes1"; null when none
    } cases[] = {
        {"<r><messages xml:lang='es'/><messages xml:lang='en'><m ID='mes1' text='E'/></messages>"
         "<messages xml:lang='en'><m ID='mes1' text='2'/></messages></r>",
         "en", "E"},
        // Only the root's children are candidates; a root named "messages" is
        // the only one.
        {"<r><x><messages xml:lang='es'><m ID='mes1' text='S'/></messages></x></r>", "es", nullptr},
        {"<messages xml:lang='es'><m ID='mes1' text='S'/></messages>", "es", "S"},
        {"<messages xml:lang='es'/><messages xml:lang='en'><m ID='mes1' text='E'/></messages>",
         "en", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body + " " + c.lang);
        DocPtr doc = Parse("<?xml version='1.0'?>" + c.body);
        EXPECT_STREQ(CatalogueText(ChooseCatalogue(XmlGetRootElement(doc.get()), c.lang), "mes1"),
                     c.mes1);
    }
}

} // namespace
