// Which catalogue the client takes for a language, and which text a key
// finds in it.
#include "quorvcheck/catalogue.h"

#include "../Qvxml/tree_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Catalogue, ChoiceAndLookup) {
    const std::string esEn = "<r><messages xml:lang='es'><m ID='mes1' text='S'/>"
                             "</messages><messages xml:lang='en'><m ID='mes1' text='E'/>"
                             "</messages></r>";
    const struct {
        std::string body; // after the XML declaration
        const char* lang;
        const char* mes1; // the text found for "mes1"; null when none
    } cases[] = {
        {esEn, "en", "E"},
        {esEn, "es", "S"},
        {esEn, "ES", nullptr},
        // An absent xml:lang is the empty language.
        {"<r><messages xml:lang='es'/><messages><m ID='mes1' text='N'/></messages></r>", "", "N"},
        // The chosen catalogue only: another language is never searched.
        {"<r><messages xml:lang='es'/><messages xml:lang='en'><m ID='mes1' text='E'/></messages>"
         "</r>",
         "es", nullptr},
        {"<r><messages xml:lang='es'><m ID='mes1' text='1'/><m ID='mes1' text='2'/></messages></r>",
         "es", "1"},
        {"<r><x><messages xml:lang='es'><m ID='mes1' text='S'/></messages></x></r>", "es", nullptr},
        {"<messages xml:lang='es'><m ID='mes1' text='S'/></messages>", "es", "S"},
        // A root named "messages" is the only candidate.
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
