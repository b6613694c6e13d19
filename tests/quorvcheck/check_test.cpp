// What quorvcheck tells an administrator, and with which exit status: about
// settings files (each case one small change to a sound file), about the
// order of barcode models, about the day's transaction files, and about a
// wrong command line.
#include "checker.h"

#include "circulation/barcode.h"
#include "circulation/entry.h"
#include "platform/file.h"
#include "quorvcheck/models.h"

#include <cstdio>

namespace {

struct Case {
    const char* description;
    std::string settings;
    std::vector<std::string> args; // after the program's name
    int status;
    std::vector<std::string> lines; // each begins a line of the output
};

SettingsParts With(std::string SettingsParts::*part, std::string text) {
    SettingsParts parts;
    parts.*part = std::move(text);
    return parts;
}

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    return text.replace(text.find(what), what.size(), with);
}

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        const Site site(c.settings);
        const Outcome run = site.Run(c.args);
        SCOPED_TRACE(run.out + run.err);
        EXPECT_EQ(run.status, c.status);
        ExpectLines(c.status == QUORVCHECK_USAGE ? run.err : run.out, c.lines);
        EXPECT_EQ(c.status == QUORVCHECK_USAGE ? run.out : run.err, "");
    }
}

TEST(Quorvcheck, SettingsFiles) {
    const SettingsParts sound;
    const std::string text = sound.Text();
    std::string ascii = text;
    for (char& c : ascii) {
        c = static_cast<unsigned char>(c) >= 0x80 ? 'e' : c;
    }
    RunCases({
        {"sound",
         text,
         {"SETTINGS", "12345674", "4006381333931"},
         0,
         {"Parsed: yes", "Work area: \"DIR/Work\", a folder ", "Missing keys: none",
          "  \"12345674\": accepted as patron (BARCODE_OK, kind L, value 1234567)",
          "Result: exit status 0, no problem found\n"}},
        {"not_there",
         "",
         {"DIR/none.xml"},
         1,
         {"Parsed: no, the file cannot be opened (No such file or directory)",
          "A desk would say \"File not found\" with the file's path and close at once.",
          "Result: exit status 1: the file cannot be opened\n"}},
        {"apostrophe_reference_in_text",
         With(&SettingsParts::lang, "<lang value=\"es\"/><note>it&apos;s</note>\n").Text(),
         {"SETTINGS"},
         1,
         {"Parsed: no, the reader stopped at line 3, column 27: a reference or character that "
          "may not stand in text, at \"&apos;s</note>\"",
          "Hint: in text, & begins a reference.",
          "A desk would say \"The settings file cannot be read\" with this place and close",
          "Result: exit status 1: the file cannot be read\n"}},
        {"unterminated_quote",
         With(&SettingsParts::lang, "<lang value=\"es/>\n").Text(),
         {"SETTINGS"},
         1,
         {"Parsed: no, the reader stopped at line 4, column 1: a tag that is not well formed, at "
          "\"<messages xml:lang=\"es\">\"",
          "Hint: look for a value whose quote is not closed"}},
        {"doctype_first",
         "<!DOCTYPE quorvp>\n" + text,
         {"SETTINGS"},
         1,
         {"Parsed: no, the reader stopped at line 1, column 1: a document type declaration "
          "before the XML declaration, at \"<!DOCTYPE quorvp>\"",
          "Hint: the file must begin with <?xml"}},
        {"mistyped_end_tag",
         Replaced(text, "</messages>", "</message>"),
         {"SETTINGS"},
         1,
         {"Dropped: line 19, column 1: an end tag that does not match the open element, at "
          "\"</message>\"",
          "Dropped: line 26, column 1: an end tag that does not match the open element, at "
          "\"</quorvp>\"",
          "Still open at the end: <messages> in <quorvp>", "Work area: none",
          "  <workarea> stands deeper, inside <messages>: a desk looks for it only among the "
          "root's children.",
          "Barcode models: none (no mbarcode element): a desk accepts any non-empty text",
          "Result: exit status 1: elements never closed; 2 tokens dropped; no work area; no "
          "barcode model\n"}},
        {"cut_inside_a_tag",
         text.substr(0, text.find("<patron") + 20),
         {"SETTINGS"},
         1,
         {"Unfinished: line 23, column 1: the file ends inside unfinished markup, at \"<patron "
          "model=\"L\" va\"",
          "Still open at the end: <mbarcode> in <quorvp>",
          "Result: exit status 1: elements never closed; the file ends inside unfinished "
          "markup\n"}},
        {"no_declaration",
         With(&SettingsParts::declaration, "").Text(),
         {"SETTINGS"},
         1,
         {"XML declaration: none",
          "Dropped: line 1, column 1: an element before the XML "
          "declaration, at \"<quorvp>\"",
          "Hint: the file has no XML declaration.",
          "Result: exit status 1: 25 tokens dropped; no XML declaration; no element\n"}},
        {"no_catalogue_for_the_language",
         text,
         {"--lang", "fr", "SETTINGS"},
         1,
         {"Chosen catalogue: none for \"fr\"; every text of the client would be empty",
          "Result: exit status 1: no catalogue for the language\n"}},
        {"missing_keys",
         Replaced(Replaced(text, "<m ID=\"mes1\"", "<m ID=\"mes1x\""), " ID=\"op2\"", ""),
         {"SETTINGS"},
         1,
         {"  mes1  greeting at start-up: missing, shown empty", "Missing keys: mes1, op2",
          "Result: exit status 1: missing keys (mes1, op2)\n"}},
        {"no_models",
         With(&SettingsParts::models, "").Text(),
         {"SETTINGS", "hello"},
         1,
         {"Barcode models: none (no mbarcode element)",
          "  \"hello\": accepted unchecked: no barcode model is configured",
          "Result: exit status 1: no barcode model\n"}},
        {"no_work_area",
         With(&SettingsParts::work, "<workarea value=\"\"/>\n").Text(),
         {"SETTINGS"},
         1,
         {"Work area: none (no workarea element or value): a desk shows \"mes2\" at start-up",
          "Result: exit status 1: no work area\n"}},
        {"work_area_not_there",
         Replaced(text, "@WORK@", "@WORK@/none"),
         {"SETTINGS"},
         1,
         {"Work area: \"DIR/Work/none\" does not exist: a desk shows \"mes2\"",
          "Result: exit status 1: the work area does not exist\n"}},
        {"work_area_a_file",
         Replaced(text, "@WORK@", "@WORK@/../Admin/quorvp.xml"),
         {"SETTINGS"},
         1,
         {"Work area: \"DIR/Work/../Admin/quorvp.xml\" is not a folder",
          "Result: exit status 1: the work area is not a folder\n"}},
        {"references_in_texts",
         Replaced(text, "pr\xE9stamo\"", "pr&#233;stamo &amp; m&aacute;s\""),
         {"SETTINGS"},
         0,
         {"  mes1  greeting at start-up: \"Bienvenido al pr&#233;stamo &amp; m&aacute;s\"",
          "        shown as written, references and all; to show \"Bienvenido al pr\xC3\xA9stamo "
          "& m&aacute;s\" write the letters themselves",
          "Result: exit status 0, no problem found; warnings: texts with references\n"}},
        {"utf8_read_as_latin1",
         Replaced(ascii, "prestamo", "pr\xC3\xA9stamo"),
         {"SETTINGS"},
         0,
         {"Encoding: the file is read as ISO-8859-1, but its bytes read as UTF-8: a desk shows "
          "\"pr\xC3\x83\xC2\xA9stamo\" for \"pr\xC3\xA9stamo\" (line 5). Declare "
          "encoding=\"UTF-8\"",
          "Result: exit status 0, no problem found; warnings: UTF-8 read as ISO-8859-1\n"}},
        {"model_never_reached",
         Replaced(text, "</mbarcode>", "<late model=\"C\" value=\"NNNNNNNNNNNNN\"/>\n</mbarcode>"),
         {"SETTINGS"},
         0,
         {"  Model 4 is never reached: model 1 takes every barcode it matches, or refuses it for "
          "its check character.",
          "Result: exit status 0, no problem found; warnings: a model that is never reached\n"}},
        {"skipped_model_element",
         Replaced(text, "</mbarcode>", "<x model=\"C\"/>\n</mbarcode>"),
         {"SETTINGS"},
         0,
         {"Skipped: 1 element under mbarcode without a model or a value",
          "Result: exit status 0, no problem found; warnings: skipped model elements\n"}},
        {"barcodes_refused",
         text,
         {"SETTINGS", "12345675", "", "--", "-1"},
         1,
         {"  \"12345675\": refused: wrong check character (BARCODE_BAD_CHECK, kind X, value 0)",
          "  \"\": refused: empty, a desk asks for the missing barcode",
          "Result: exit status 1: 3 of 3 barcodes refused\n"}},
    });
    // An accented work area is looked for under the name a desk gives it.
    const Site accented(Replaced(text, "@WORK@", "@WORK@/Pr\xE9stamo"));
    std::filesystem::create_directory(FileNameFromText(accented.Work() + "/Pr\xE9stamo"));
    ExpectLines(accented.Run({"SETTINGS"}).out,
                {"Work area: \"DIR/Work/Pr\xC3\xA9stamo\", a folder "});
}

TEST(Quorvcheck, CommandLine) {
    const std::string usage = "usage: quorvcheck [--lang CODE] SETTINGS.xml [BARCODE...]\n"
                              "       quorvcheck --day SETTINGS.xml FILE.qvp...\n";
    const std::string text = SettingsParts().Text();
    RunCases({
        {"help", text, {"--help", "SETTINGS"}, 0, {usage}},
        {"nothing", text, {}, 2, {"quorvcheck: no settings file given\n" + usage}},
        {"lang_without_code",
         text,
         {"SETTINGS", "--lang"},
         2,
         {"quorvcheck: --lang needs a language code\n"}},
        {"unknown_option",
         text,
         {"--bogus", "SETTINGS"},
         2,
         {"quorvcheck: unknown option --bogus\n"}},
        {"day_without_files",
         text,
         {"--day", "SETTINGS"},
         2,
         {"quorvcheck: --day needs at least one day's file\n"}},
        {"day_with_lang",
         text,
         {"--day", "--lang", "es", "SETTINGS", "DIR/x.qvp"},
         2,
         {"quorvcheck: --lang has no use with --day\n"}},
    });
}

// Which later model an earlier one keeps from ever deciding a barcode.
TEST(Quorvcheck, ModelsNeverReached) {
    struct Model {
        char kind;
        const char* pattern;
        char optionalId;
        int method;
    };
    const struct {
        const char* description;
        Model earlier, later;
        int covering; // EarlierModelCovering of the later model
    } cases[] = {
        {"same_shape", {'C', "NNNN", '0', 1}, {'L', "NNNN", '0', 1}, 1},
        {"any_character_covers_digits", {'C', "XXNN", '0', 1}, {'L', "NnNN", '0', 1}, 1},
        {"digits_do_not_cover_any", {'C', "NNNN", '0', 1}, {'L', "XNNN", '0', 1}, 0},
        {"check_decides_any_character", {'C', "NNNK", '0', 1}, {'L', "NNNX", '0', 1}, 1},
        {"check_digit_under_a_digit", {'C', "NNNN", '0', 1}, {'L', "NNNK", '0', 1}, 1},
        {"doubling_check_may_be_a_sign", {'C', "NNNN", '0', 1}, {'L', "NNNK", '0', 2}, 0},
        {"other_lengths", {'C', "NNNN", '0', 1}, {'L', "NNNNN", '0', 1}, 0},
        {"optional_tail_covers_each_length", {'C', "NN[NNN]", '0', 1}, {'L', "NN[N]", '0', 1}, 1},
        {"fixed_length_not_a_tail", {'C', "NNN", '0', 1}, {'L', "NN[N]", '0', 1}, 0},
        {"group_inside_is_not_optional", {'C', "NNNN", '0', 1}, {'L', "NN[N]N", '0', 1}, 1},
        {"letter_a_without_optional_id", {'C', "ANN", '0', 1}, {'L', "\\ANN", '0', 1}, 1},
        {"letter_a_with_optional_id", {'C', "XNN", '0', 1}, {'L', "ANN", '1', 1}, 1},
        {"literal_differs", {'C', "BNN", '0', 1}, {'L', "CNN", '0', 1}, 0},
        {"spaces_trimmed_at_the_ends", {'C', "NN", '0', 1}, {'L', " NN", '0', 1}, -1},
        {"escape_at_the_end_matches_nothing", {'C', "NN", '0', 1}, {'L', "NN\\", '0', 1}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        StartEmptyList();
        RegisterBarcodeModel(c.earlier.kind, c.earlier.pattern, c.earlier.optionalId,
                             c.earlier.method);
        RegisterBarcodeModel(c.later.kind, c.later.pattern, c.later.optionalId, c.later.method);
        EXPECT_EQ(EarlierModelCovering(g_barcodeModels->next), c.covering);
    }
}

// One record of a day's file with its CR LF: date and time, number, patron,
// item, mode letter.
std::string Record(const char* time, const char* number, const char* patron, const char* item,
                   char letter, const char* date = "2026-03-02") {
    char line[256];
    std::snprintf(line, sizeof line, "%s %s %s %-50s %-50s %c\r\n", date, time, number, patron,
                  item, letter);
    return line;
}

TEST(Quorvcheck, DayFiles) {
    const std::string sound = Record("09:05:03", "000001", "12345674", "4006381333931", 'P') +
                              Record("09:06:00", "000002", "", "N-12345", 'D') +
                              Record("09:07:00", "000003", "12345674", "4006381333931", 'T');
    const struct {
        const char* description;
        std::string name;  // of the day's file
        std::string bytes; // its contents
        int status;
        std::vector<std::string> lines;
    } cases[] = {
        {"sound",
         "20260302.qvp",
         sound,
         0,
         {"Settings file: DIR/Admin/quorvp.xml", "  3 barcode models", "Day file: DIR/20260302.qvp",
          "  Operations: 3: 1 loan, 1 return, 1 request; first at 09:05:03, last at 09:07:00",
          "  Verdict: sound", "Result: exit status 0, no problem found\n"}},
        {"empty", "20260302.qvp", "", 0, {"  Operations: none", "  Verdict: sound"}},
        {"line_form",
         "20260302.qvp",
         sound.substr(0, 130) + "\n" + "junk\r\n\r\n" + sound.substr(264, 70),
         1,
         {"  line 1: ends with LF alone, where a record ends with CR LF",
          "  line 2: damaged: 4 characters where a record has 130, \"junk\"",
          "  line 3: an empty line",
          "  line 4: the file ends inside this line, without CR LF (a record cut short?)",
          "  line 4: damaged: 70 characters where a record has 130, \"2026-03-02 09:07:00 "
          "000003 123\"...",
          "  Verdict: 5 problems", "Result: exit status 1: 1 of 1 day file has problems\n"}},
        {"numbering",
         "20260302.qvp",
         Record("09:00:00", "000002", "12345674", "N-1234", 'P') +
             Record("09:00:01", "000003", "12345674", "N-1234", 'P') +
             Record("09:00:02", "000005", "12345674", "N-1234", 'P') +
             Record("09:00:03", "000009", "12345674", "N-1234", 'P') +
             Record("09:00:04", "000003", "12345674", "N-1234", 'P') +
             Record("09:00:05", "000001", "12345674", "N-1234", 'P') +
             Record("09:00:06", "00001x", "12345674", "N-1234", 'P'),
         1,
         {"  line 1: the number 000002: the day's numbers start at 000001",
          "  line 3: the number 000005 after 000003 of line 2: 000004 is missing",
          "  line 4: the number 000009 after 000005 of line 3: 000006 to 000008 are missing",
          "  line 5: the number 000003 repeats line 2",
          "  line 6: the number 000001 after 000009 of line 4: the numbering goes back",
          "  line 7: the number \"00001x\" is not six digits", "  Verdict: 6 problems"}},
        {"fields",
         "20260302.qvp",
         Record("09:00:00", "000001", "12345674", "N-1234", 'P', "2026-03-01") +
             Record("08:00:00", "000002", "12345674", "N-1234", 'P') +
             Record("25:00:00", "000003", "12345674", "N-1234", 'P') +
             Record("09:00:00", "000004", "12345674", "N-1234", 'X') +
             Record("09:00:01", "000005", "12345674", "N-1234", 'D') +
             Replaced(Record("09:00:02", "000006", "", "N-1234", 'D'), " N-1234", "_N-1234"),
         1,
         {"  line 1: dated 2026-03-01 in the file of 2026-03-02",
          "  line 2: the time 08:00:00 comes before 09:00:00 of line 1",
          "  line 3: the time \"25:00:00\" is not a time",
          "  line 4: the mode letter \"X\" is none of P (loan), D (return), T (request)",
          "  line 5: a return with the patron \"12345674\", where a return's patron is blank",
          "  line 6: damaged: no space between the fields at character 78",
          "  Operations: 4: 3 loans, 1 return, 0 requests; first at 09:00:00, last at 09:00:01",
          "  Verdict: 6 problems"}},
        {"barcodes",
         "20260302.qvp",
         Record("09:00:00", "000001", "", "N-1234", 'P') +
             Record("09:00:01", "000002", "12345675", "N-1234", 'P') +
             Record("09:00:02", "000003", "4006381333931", "hello", 'T') +
             Record("09:00:03", "000004", "12345674", "", 'T') +
             Record("09:00:04", "000005", "", "12345674", 'D'),
         1,
         {"  line 1: a loan without a patron",
          "  line 2: the patron \"12345675\" refused: wrong check character",
          "  line 3: the patron \"4006381333931\" is an item's barcode, not a patron's",
          "  line 3: the item \"hello\" refused: matches no model",
          "  line 4: a request without an item",
          "  line 5: the item \"12345674\" is a patron's barcode, not an item's",
          "  Verdict: 6 problems"}},
        {"not_named_by_a_date",
         "day.qvp",
         sound,
         1,
         {"  the name is not YYYYMMDD.qvp, so the records' dates cannot be checked",
          "  Verdict: 1 problem"}},
    };
    const Site site(SettingsParts().Text());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        site.Write(c.name, c.bytes);
        const Outcome run = site.Run({"--day", "SETTINGS", "DIR/" + c.name});
        SCOPED_TRACE(run.out);
        EXPECT_EQ(run.status, c.status);
        ExpectLines(run.out, c.lines);
    }
    // Several files, one of them not there; settings that cannot be read.
    site.Write("20260302.qvp", sound);
    Outcome run = site.Run({"--day", "SETTINGS", "DIR/20260302.qvp", "DIR/day.qvp", "DIR/none"});
    EXPECT_EQ(run.status, 1);
    ExpectLines(run.out, {"Day file: DIR/none", "  cannot be opened (No such file or directory)",
                          "Result: exit status 1: 2 of 3 day files have problems\n"});
    run = site.Run({"--day", "DIR/none.xml", "DIR/20260302.qvp"});
    EXPECT_EQ(run.status, 1);
    ExpectLines(run.out,
                {"  cannot be read: the barcodes are not judged (run quorvcheck "
                 "DIR/none.xml)",
                 "  Verdict: sound", "Result: exit status 1: the settings file cannot be read\n"});
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
