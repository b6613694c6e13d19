// quorvcheck as an administrator runs it, for the checker's tests: a site
// (an installation with a settings file and a work area), the program's logic
// run on a command line, and its output and exit status as they would be
// printed.
#pragma once

#include "quorvcheck/check.h"

#include "tests/circulation/model_list.h"
#include "tests/shell/installation.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A sound settings file, one element a line: 1 declaration, 2 <quorvp>,
// 3 lang, 4 <messages>, 5 to 18 the texts, 19 </messages>, 20 workarea,
// 21 <mbarcode>, 22 to 24 the models (EAN-13 items, NNNNNNNK patron cards with
// the doubling check, and item labels \N-NNNN[NN]), 25 </mbarcode>,
// 26 </quorvp>.
const std::string kSound =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<quorvp>\n<lang value=\"es\"/>\n"
    "<messages xml:lang=\"es\">\n"
    "<m ID=\"mes1\" text=\"Bienvenido al pr\xE9stamo\"/>\n<m ID=\"mes2\" text=\"Sin fichero\"/>\n"
    "<m ID=\"mes3\" text=\"Falta\"/>\n<m ID=\"mes4\" text=\"No v\xE1lido\"/>\n"
    "<m ID=\"op1\" text=\"PR\xC9STAMO\"/>\n<m ID=\"op2\" text=\"DEVOLUCI\xD3N\"/>\n"
    "<m ID=\"op3\" text=\"PETICI\xD3N\"/>\n<m ID=\"dh\" text=\"FECHA Y HORA\"/>\n"
    "<m ID=\"col1\" text=\"Fecha\"/>\n<m ID=\"col2\" text=\"Hora\"/>\n"
    "<m ID=\"col3\" text=\"N\xFAmero\"/>\n<m ID=\"col4\" text=\"Lector\"/>\n"
    "<m ID=\"col5\" text=\"Ejemplar\"/>\n<m ID=\"col6\" text=\"Operaci\xF3n\"/>\n"
    "</messages>\n<workarea value=\"@WORK@\"/>\n<mbarcode>\n"
    "<item model=\"C\" value=\"NNNNNNNNNNNNK\" controlDigit=\"1\"/>\n"
    "<patron model=\"L\" value=\"NNNNNNNK\" controlDigit=\"2\"/>\n"
    "<label model=\"C\" value=\"\\N-NNNN[NN]\"/>\n</mbarcode>\n</quorvp>\n";

inline std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    return text.replace(text.find(what), what.size(), with);
}

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs quorvcheck on a fresh model list with a command line of words split at
// spaces ('' is an empty word). "SETTINGS" stands for the settings file, a
// word beginning "DIR/" for a file of the site; in the output the site's
// folder reads "DIR".
inline Outcome Check(const Installation& site, const std::string& command) {
    std::deque<std::string> words; // stays where it is as more are added
    std::vector<const char*> argv{"quorvcheck"};
    std::istringstream in(command);
    for (std::string w; in >> w; argv.push_back(words.back().c_str())) {
        words.push_back(w == "SETTINGS"           ? site.Root() + "/Admin/quorvp.xml"
                        : w.rfind("DIR/", 0) == 0 ? site.Root() + w.substr(3)
                        : w == "''"               ? std::string()
                                                  : w);
    }
    StartEmptyList();
    std::ostringstream out, err;
    Outcome run{QuorvcheckMain(static_cast<int>(argv.size()), argv.data(), out, err), out.str(),
                err.str()};
    for (std::size_t at; (at = run.out.find(site.Root())) != std::string::npos;) {
        run.out.replace(at, site.Root().size(), "DIR");
    }
    return run;
}

// Each piece of expected, up to a "|", must begin a line of the output.
inline void ExpectLines(const std::string& output, const std::string& expected) {
    std::istringstream pieces(expected);
    for (std::string line; std::getline(pieces, line, '|');) {
        EXPECT_TRUE(output.rfind(line, 0) == 0 || output.find("\n" + line) != std::string::npos)
            << "no line " << line;
    }
}
