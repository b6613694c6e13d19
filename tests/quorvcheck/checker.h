// quorvcheck as an administrator runs it, for the checker's tests: a site
// folder with a settings file and a work area, the program's logic run on a
// command line, and its output and exit status as they would be printed.
#pragma once

#include "quorvcheck/check.h"

#include "tests/circulation/model_list.h"
#include "tests/test_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A sound settings file in parts, one element a line: 1 declaration,
// 2 <quorvp>, 3 lang, 4 <messages>, 5 to 18 the texts, 19 </messages>,
// 20 workarea (@WORK@ is the site's work area), 21 <mbarcode>, 22 to 24 the
// models (EAN-13 items, NNNNNNNK patron cards with the doubling check, and
// item labels \N-NNNN[NN]), 25 </mbarcode>, 26 </quorvp>.
struct SettingsParts {
    std::string declaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n";
    std::string lang = "<lang value=\"es\"/>\n";
    std::string texts =
        "<messages xml:lang=\"es\">\n"
        "<m ID=\"mes1\" text=\"Bienvenido al pr\xE9stamo\"/>\n<m ID=\"mes2\" text=\"Sin "
        "fichero\"/>\n"
        "<m ID=\"mes3\" text=\"Falta\"/>\n<m ID=\"mes4\" text=\"No v\xE1lido\"/>\n"
        "<m ID=\"op1\" text=\"PR\xC9STAMO\"/>\n<m ID=\"op2\" text=\"DEVOLUCI\xD3N\"/>\n"
        "<m ID=\"op3\" text=\"PETICI\xD3N\"/>\n<m ID=\"dh\" text=\"FECHA Y HORA\"/>\n"
        "<m ID=\"col1\" text=\"Fecha\"/>\n<m ID=\"col2\" text=\"Hora\"/>\n"
        "<m ID=\"col3\" text=\"N\xFAmero\"/>\n<m ID=\"col4\" text=\"Lector\"/>\n"
        "<m ID=\"col5\" text=\"Ejemplar\"/>\n<m ID=\"col6\" text=\"Operaci\xF3n\"/>\n"
        "</messages>\n";
    std::string work = "<workarea value=\"@WORK@\"/>\n";
    std::string models = "<mbarcode>\n"
                         "<item model=\"C\" value=\"NNNNNNNNNNNNK\" controlDigit=\"1\"/>\n"
                         "<patron model=\"L\" value=\"NNNNNNNK\" controlDigit=\"2\"/>\n"
                         "<label model=\"C\" value=\"\\N-NNNN[NN]\"/>\n"
                         "</mbarcode>\n";
    std::string Text() const {
        return declaration + "<quorvp>\n" + lang + texts + work + models + "</quorvp>\n";
    }
};

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// A site: Admin/quorvp.xml and an empty work area Work/ in a folder of its
// own, removed with the object. In the output of Run the folder reads "DIR".
class Site {
public:
    explicit Site(const std::string& settings) : dir_(test_system::MakeFolder("quorvcheck-")) {
        std::filesystem::create_directories(dir_ + "/Admin");
        std::filesystem::create_directories(Work());
        std::string text = settings;
        for (std::size_t at; (at = text.find("@WORK@")) != std::string::npos;) {
            text.replace(at, 6, Work());
        }
        Write("Admin/quorvp.xml", text);
    }
    ~Site() { std::filesystem::remove_all(dir_); }
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    std::string Work() const { return dir_ + "/Work"; }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    // Runs quorvcheck on a fresh model list. "SETTINGS" stands for the
    // settings file, a word beginning "DIR/" for a file of the site.
    Outcome Run(const std::vector<std::string>& args) const {
        std::vector<std::string> expanded;
        for (const std::string& a : args) {
            expanded.push_back(a == "SETTINGS"           ? Path("Admin/quorvp.xml")
                               : a.rfind("DIR/", 0) == 0 ? Path(a.substr(4))
                                                         : a);
        }
        std::vector<const char*> argv{"quorvcheck"};
        for (const std::string& a : expanded) {
            argv.push_back(a.c_str());
        }
        StartEmptyList();
        std::ostringstream out, err;
        Outcome run{QuorvcheckMain(static_cast<int>(argv.size()), argv.data(), out, err), out.str(),
                    err.str()};
        for (std::size_t at; (at = run.out.find(dir_)) != std::string::npos;) {
            run.out.replace(at, dir_.size(), "DIR");
        }
        return run;
    }

private:
    std::string dir_;
};

// Every expected text must begin a line of the output.
inline void ExpectLines(const std::string& output, const std::vector<std::string>& expected) {
    for (const std::string& line : expected) {
        EXPECT_TRUE(output.rfind(line, 0) == 0 || output.find("\n" + line) != std::string::npos)
            << "no line " << line;
    }
}
