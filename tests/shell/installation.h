// A throw-away installation folder for the desk's tests: Admin/quorvp.xml
// written from a settings text, an empty Work folder as the work area, and
// QUORVPATH pointing at it while it exists.
#pragma once

#include "tests/test_system.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

// A catalogue of every key the client uses, key K reading "<lang>:K", so a
// caption tells which catalogue it came from.
inline std::string Catalogue(const std::string& lang) {
    std::string text = "<messages xml:lang=\"" + lang + "\">";
    for (const char* key : {"mes1", "mes2", "mes3", "mes4", "op1", "op2", "op3", "dh", "col1",
                            "col2", "col3", "col4", "col5", "col6"}) {
        text += "<m ID=\"" + std::string(key) + "\" text=\"" + lang + ":" + key + "\"/>";
    }
    return text + "</messages>";
}

// Patron cards NNNNNNNK (doubling check, e.g. 12345674), items EAN-13.
inline const char kModels[] =
    "<mbarcode><i model=\"C\" value=\"NNNNNNNNNNNNK\" controlDigit=\"1\"/>"
    "<p model=\"L\" value=\"NNNNNNNK\" controlDigit=\"2\"/></mbarcode>";

// A settings document: the language (null: no "lang" element), the work area
// (@WORK@ becomes the installation's Work folder), then body.
inline std::string Settings(const char* lang, const std::string& body) {
    const std::string language = lang ? "<lang value=\"" + std::string(lang) + "\"/>" : "";
    return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<quorvp>" + language +
           "<workarea value=\"@WORK@\"/>" + body + "</quorvp>\r\n";
}

// One line of a day's file as its layout describes it.
inline std::string RecordLine(int number, const char* patron, const char* item, char letter,
                              const char* when = "2026-03-02 09:05:03") {
    char line[160];
    std::snprintf(line, sizeof line, "%s %.6d %-50s %-50s %c\r\n", when, number, patron, item,
                  letter);
    return line;
}

using test_system::ReadFile;

class Installation {
public:
    // settings null: no settings file.
    explicit Installation(const char* settings)
        : root_(test_system::MakeFolder("quorvel-shell-")), work_(root_ + "/Work") {
        std::filesystem::create_directory(root_ + "/Admin");
        std::filesystem::create_directory(work_);
        if (settings != nullptr) {
            std::string text = settings;
            for (std::size_t at; (at = text.find("@WORK@")) != std::string::npos;) {
                text.replace(at, 6, work_);
            }
            std::ofstream(root_ + "/Admin/quorvp.xml", std::ios::binary) << text;
        }
        test_system::SetEnv("QUORVPATH", root_.c_str());
    }
    ~Installation() {
        test_system::UnsetEnv("QUORVPATH");
        std::filesystem::remove_all(root_);
    }
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::string& Root() const { return root_; }
    const std::string& Work() const { return work_; }
    std::string DayFile(const char* date) const { return work_ + "/" + date + ".qvp"; }

private:
    std::string root_;
    std::string work_;
};
