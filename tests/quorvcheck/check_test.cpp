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

TEST(Quorvcheck, ReportsAndExitStatus) {
    struct Case {
        const char* description;
        std::vector<std::string> args;
        int status;
        const char* golden; // data/<golden>.out holds the whole report; else expect
        const char* expect; // a line the report holds
    };
    const std::string demo = QUORVEL_SOURCE_DIR "/res/demo/Admin/quorvp.xml";
    const Case cases[] = {
        {"shipped_demo_spanish", {demo}, 0, nullptr, "Missing keys: none\n"},
        {"shipped_demo_english", {"--lang", "en", demo}, 0, nullptr, "Missing keys: none\n"},
        {"good_file_every_verdict",
         {"data/good.xml", "4006381333931", "12345674", "N-1234", "N-123456", "12345675", "hello",
          "12", ""},
         1,
         "good",
         nullptr},
        {"good_file_accepted_barcodes",
         {"data/good.xml", "4006381333931", " N-12345 "},
         0,
         nullptr,
         "Result: exit status 0, no problem found\n"},
        {"lang_option_overrides", {"--lang", "en", "data/good.xml"}, 0, "good_en", nullptr},
        {"no_declaration", {"data/no_declaration.xml", "12345674"}, 1, "no_declaration", nullptr},
        {"mismatched_end_tag", {"data/mismatched_end_tag.xml"}, 1, "mismatched_end_tag", nullptr},
        {"no_catalogue_for_language",
         {"data/no_catalogue.xml", "12345674"},
         0,
         "no_catalogue",
         nullptr},
        {"no_mbarcode_any_text",
         {"data/no_mbarcode.xml", "anything at all"},
         0,
         "no_mbarcode",
         nullptr},
        {"no_mbarcode_empty_text",
         {"data/no_mbarcode.xml", ""},
         1,
         nullptr,
         "  \"\": refused: empty, a desk asks for the missing barcode\n"},
        {"missing_file", {"data/missing.xml", "12345674"}, 1, "missing", nullptr},
        {"doctype_before_declaration",
         {"data/doctype_first.xml"},
         1,
         nullptr,
         "Parsed: no, the XML is malformed"},
        {"ends_inside_a_comment",
         {"data/truncated.xml"},
         1,
         nullptr,
         "Result: exit status 1: the file ends inside unfinished markup; warnings"},
        {"empty_file",
         {"data/empty.xml"},
         1,
         nullptr,
         "Result: exit status 1: no XML declaration; no element\n"},
        {"skipped_models_and_other_kind",
         {"data/skipped.xml", "Q-12"},
         1,
         nullptr,
         "Skipped: 2 elements under mbarcode without a model or a value\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const Outcome run = Quorvcheck(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, "");
        if (c.golden != nullptr) {
            EXPECT_EQ(run.out,
                      ReadFile(std::string(QUORVEL_TEST_DATA_DIR "/") + c.golden + ".out"));
        } else {
            EXPECT_NE(run.out.find(c.expect), std::string::npos) << run.out;
        }
    }
}

TEST(Quorvcheck, CommandLine) {
    const std::string usage = "usage: quorvcheck [--lang CODE] SETTINGS.xml [BARCODE...]\n";
    struct Case {
        const char* description;
        std::vector<std::string> args;
        int status;
        std::string err;    // exactly
        const char* expect; // in the report
    };
    const Case cases[] = {
        {"nothing", {}, 2, "quorvcheck: no settings file given\n" + usage, ""},
        {"lang_without_code",
         {"data/good.xml", "--lang"},
         2,
         "quorvcheck: --lang needs a language code\n" + usage,
         ""},
        {"lang_without_file",
         {"--lang", "en"},
         2,
         "quorvcheck: no settings file given\n" + usage,
         ""},
        {"unknown_option",
         {"--bogus", "data/good.xml"},
         2,
         "quorvcheck: unknown option --bogus\n" + usage,
         ""},
        {"help", {"--help", "data/good.xml"}, 0, "", usage.c_str()},
        {"options_after_the_file",
         {"data/good.xml", "12345674", "--lang", "en"},
         0,
         "",
         "Language: \"en\" (given with --lang; the file says \"es\")\n"},
        {"barcode_after_double_dash",
         {"data/good.xml", "--", "-5"},
         1,
         "",
         "  \"-5\": refused: matches no model (BARCODE_REJECTED, kind X, value 0)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const Outcome run = Quorvcheck(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_NE(run.out.find(c.expect), std::string::npos) << run.out;
    }
}

TEST(Quorvcheck, BarcodeVerdictIsTheDesks) {
    StartEmptyList();
    RegisterBarcodeModel('C', "NNNNNNNNNNNNK", '0', 1);
    RegisterBarcodeModel('L', "NNNNNNNK", '0', 2);
    RegisterBarcodeModel('X', "#NNNNNNN", '0', 1);
    RegisterBarcodeModel('Q', "Q-NN", '0', 1);
    struct Case {
        const char* description;
        std::string text;
        bool hasModels;
        int result; // -1: the matcher is not asked
        char kind;
        int32_t value;
        const char* words;
    };
    const Case cases[] = {
        {"item", "4006381333931", true, BARCODE_OK, 'C', 1206174865, "accepted as item"},
        {"patron_spaces_trimmed", "  12345674 ", true, BARCODE_OK, 'L', 1234567,
         "accepted as patron"},
        {"bad_check", "12345675", true, BARCODE_BAD_CHECK, 'X', 0,
         "refused: wrong check character"},
        {"no_model", "12a", true, BARCODE_REJECTED, 'X', 0, "refused: matches no model"},
        {"number_classified_item", "#1234567", true, BARCODE_OK, 'C', 1234567, "accepted as item"},
        {"number_left_unclassified", "#0000012", true, BARCODE_OK, 'X', 12,
         "refused: neither a patron nor an item barcode"},
        {"plain_number_when_both_kinds_exist", "1234567", true, BARCODE_OK, 'X', 1234567,
         "refused: neither a patron nor an item barcode"},
        {"other_kind", "Q-12", true, BARCODE_OK, 'Q', 12,
         "refused: neither a patron nor an item barcode"},
        {"empty", "", true, -1, 'X', 0, "refused: empty, a desk asks for the missing barcode"},
        {"no_models_configured", "not a barcode", false, -1, 'X', 0,
         "accepted unchecked: no barcode model is configured"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const BarcodeVerdict v = JudgeBarcode(c.text, c.hasModels);
        EXPECT_EQ(v.matched, c.result >= 0);
        if (v.matched) {
            EXPECT_EQ(v.result, c.result);
            EXPECT_EQ(v.kind, c.kind);
            EXPECT_EQ(v.value, c.value);
        }
        EXPECT_STREQ(v.words, c.words);
        // The same answer as the desk's own entry rules.
        EXPECT_EQ(v.accepted, c.text.empty() ? false
                              : !c.hasModels ? true
                                             : IsPatronBarcode(c.text.c_str()) ||
                                                   IsItemBarcode(c.text.c_str()));
    }
}

TEST(Quorvcheck, DeskTextAsAFieldHoldsIt) {
    struct Case {
        const char* description;
        std::string argument;
        std::string text;
        std::string note;
    };
    const std::string digits(60, '7');
    const Case cases[] = {
        {"unchanged", " 12345674 ", " 12345674 ", ""},
        {"utf8_to_latin1",
         "C\xC3\xB3"
         "d",
         "C\xF3"
         "d",
         ""},
        {"beyond_latin1",
         "\xE2\x82\xAC"
         "12",
         "?12", "a character beyond ISO-8859-1 became \"?\", as at a desk"},
        {"cut_to_the_field", digits, digits.substr(0, 50),
         "only the first 50 of its 60 characters fit in a desk's field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        std::string note = "stale";
        EXPECT_EQ(DeskText(c.argument.c_str(), &note), c.text);
        EXPECT_EQ(note, c.note);
    }
}

} // namespace
