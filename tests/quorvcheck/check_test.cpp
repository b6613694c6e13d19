// The checker's report and exit status on sound and broken settings files,
// the verdict on each barcode, and the command line. Golden reports are in
// data/*.out; to write one again, run from tests/quorvcheck, for instance
//   ../../build/default/quorvcheck/quorvcheck data/good.xml ... > data/good.out
#include "quorvcheck/check.h"

#include "circulation/barcode.h"
#include "circulation/entry.h"

#include "../circulation/model_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs the program's logic on a fresh model list. Arguments naming "data/..."
// are read from the test data folder, and the report names it "data" again.
Outcome Quorvcheck(const std::vector<std::string>& args) {
    const std::string dir = QUORVEL_TEST_DATA_DIR;
    std::vector<std::string> expanded;
    for (const std::string& a : args) {
        expanded.push_back(a.rfind("data/", 0) == 0 ? dir + a.substr(4) : a);
    }
    std::vector<const char*> argv{"quorvcheck"};
    for (const std::string& a : expanded) {
        argv.push_back(a.c_str());
    }
    StartEmptyList();
    std::ostringstream out, err;
    Outcome run{QuorvcheckMain(static_cast<int>(argv.size()), argv.data(), out, err), out.str(),
                err.str()};
    for (std::size_t at; (at = run.out.find(dir)) != std::string::npos;) {
        run.out.replace(at, dir.size(), "data");
    }
    return run;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// data/<name>.out holds the whole report; the status must be the one it names.
TEST(Quorvcheck, GoldenReports) {
    const std::string euro = std::string("\xE2\x82\xAC") + "1"; // beyond ISO-8859-1
    const std::string long60(60, '7');                          // longer than a desk's field
    const std::vector<std::pair<const char*, std::vector<std::string>>> runs = {
        {"good",
         {"data/good.xml", "4006381333931", "12345674", "N-1234", "N-123456", "12345675", "hello",
          "12", "", euro, long60}},
        {"good_en", {"--lang", "en", "data/good.xml"}},
        {"no_declaration", {"data/no_declaration.xml", "12345674"}},
        {"mismatched_end_tag", {"data/mismatched_end_tag.xml"}},
        {"no_catalogue", {"data/no_catalogue.xml", "12345674"}},
        {"no_mbarcode", {"data/no_mbarcode.xml", "anything at all"}},
        {"missing", {"data/missing.xml", "12345674"}},
    };
    for (const auto& [name, args] : runs) {
        SCOPED_TRACE(name);
        const Outcome run = Quorvcheck(args);
        EXPECT_EQ(run.out, ReadFile(std::string(QUORVEL_TEST_DATA_DIR "/") + name + ".out"));
        const bool clean = run.out.find("Result: exit status 0") != std::string::npos;
        EXPECT_EQ(run.status, clean ? 0 : 1);
        EXPECT_EQ(run.err, "");
    }
}

TEST(Quorvcheck, ExitStatus) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* expect; // a line of the report, or of the error output
    };
    const std::string demo = QUORVEL_SOURCE_DIR "/res/demo/Admin/quorvp.xml";
    const Case cases[] = {
        {{demo}, 0, "Missing keys: none\n"},
        {{"--lang", "en", demo}, 0, "Missing keys: none\n"},
        {{"data/good.xml", "4006381333931", " N-12345 "}, 0, "Result: exit status 0, no prob"},
        {{"data/no_mbarcode.xml", ""}, 1, "\"\": refused: empty, a desk asks for the missing"},
        {{"data/doctype_first.xml"}, 1, "Parsed: no, the XML is malformed"},
        {{"data/truncated.xml"}, 1, "exit status 1: the file ends inside unfinished markup;"},
        {{"data/empty.xml"}, 1, "exit status 1: no XML declaration; no element\n"},
        {{"data/skipped.xml"}, 0, "Skipped: 2 elements under mbarcode without a model or a"},
        {{"data/good.xml", "12345674", "--lang", "en"}, 0, "Language: \"en\" (given with --lang"},
        {{"data/good.xml", "--", "-5"}, 1, "\"-5\": refused: matches no model (BARCODE_REJ"},
        {{"--help", "data/good.xml"}, 0, "usage: quorvcheck [--lang CODE] SETTINGS.xml [BARC"},
        {{}, 2, "quorvcheck: no settings file given\nusage: quorvcheck [--lang CODE] SETTINGS"},
        {{"--lang", "en"}, 2, "quorvcheck: no settings file given\n"},
        {{"data/good.xml", "--lang"}, 2, "quorvcheck: --lang needs a language code\n"},
        {{"--bogus", "data/good.xml"}, 2, "quorvcheck: unknown option --bogus\nusage:"},
    };
    for (const Case& c : cases) {
        const Outcome run = Quorvcheck(c.args);
        const std::string& text = c.status == 2 ? run.err : run.out;
        SCOPED_TRACE(text);
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(text.find(c.expect), std::string::npos);
        EXPECT_EQ(c.status == 2 ? run.out : run.err, ""); // usage errors read nothing
    }
}

TEST(Quorvcheck, VerdictAgreesWithTheDesk) {
    StartEmptyList();
    RegisterBarcodeModel('C', "NNNNNNNNNNNNK", '0', 1);
    RegisterBarcodeModel('L', "NNNNNNNK", '0', 2);
    RegisterBarcodeModel('X', "#NNNNNNN", '0', 1);
    RegisterBarcodeModel('Q', "Q-NN", '0', 1);
    const std::pair<const char*, const char*> cases[] = {
        {"4006381333931", "accepted as item"},
        {"  12345674 ", "accepted as patron"},
        {"12345675", "refused: wrong check character"},
        {"12a", "refused: matches no model"},
        {"#1234567", "accepted as item"},
        {"#0123456", "accepted as patron"},
        {"#0000012", "refused: neither a patron nor an item barcode"},
        {"1234567", "refused: neither a patron nor an item barcode"},
        {"Q-12", "refused: neither a patron nor an item barcode"},
    };
    for (const auto& [text, words] : cases) {
        SCOPED_TRACE(text);
        const BarcodeVerdict v = JudgeBarcode(text, true);
        EXPECT_STREQ(v.words, words);
        EXPECT_EQ(v.accepted, IsPatronBarcode(text) || IsItemBarcode(text));
    }
    EXPECT_TRUE(JudgeBarcode("any text", false).accepted);
    EXPECT_FALSE(JudgeBarcode("", false).accepted);
}

} // namespace
