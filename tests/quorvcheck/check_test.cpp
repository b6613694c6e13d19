// What quorvcheck tells an administrator, and with which exit status: about
// settings files (each case one small change to a sound file), barcodes and
// the order of barcode models, the day's transaction files, and a wrong
// command line.
#include "checker.h"

#include "platform/file.h"

#include <cstdio>
#include <filesystem>
#include <tuple>

namespace {

struct Case {
    std::string settings;
    const char* command; // after the program's name
    int status;
    std::string expected; // pieces that begin lines of the output (ExpectLines)
    std::string day = {}; // written as DIR/20260302.qvp and DIR/day.qvp
};

void RunCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const Installation site(c.settings.c_str());
        for (const char* name : {"/20260302.qvp", "/day.qvp"}) {
            std::ofstream(site.Root() + name, std::ios::binary) << c.day;
        }
        const Outcome run = Check(site, c.command);
        SCOPED_TRACE(run.out + run.err);
        EXPECT_EQ(run.status, c.status);
        ExpectLines(c.status == QUORVCHECK_USAGE ? run.err : run.out, c.expected);
        EXPECT_EQ(c.status == QUORVCHECK_USAGE ? run.out : run.err, "");
    }
}

const std::string kLang = "<lang value=\"es\"/>\n";
const std::string kBeforeModels = kSound.substr(0, kSound.find("<mbarcode>"));

TEST(Quorvcheck, SettingsFilesAndBarcodes) {
    std::string ascii = kSound;
    for (char& c : ascii) {
        c = static_cast<unsigned char>(c) >= 0x80 ? 'e' : c;
    }
    const std::string otherModels = "<x model=\"X\" value=\"#NNNNNNN\"/><q model=\"Q\" "
                                    "value=\"Q-NN\"/><y model=\"C\"/>\n</mbarcode>";
    RunCases({
        {kSound, "SETTINGS 12345674 4006381333931", 0,
         "Parsed: yes|Work area: \"DIR/Work\", a folder |Missing keys: none|  \"12345674\": "
         "accepted as patron (BARCODE_OK, kind L, value 1234567)|  \"4006381333931\": accepted as "
         "item (BARCODE_OK, kind C, value 1206174865)|Result: exit status 0, no problem found\n"},
        {kSound, "DIR/none.xml", 1,
         "Parsed: no, the file cannot be opened (No such file or directory)|A desk would say "
         "\"File not found\" with the file's path and close at once.|Result: exit status 1: the "
         "file cannot be opened\n"},
        {Replaced(kSound, kLang, "<lang value=\"es\"/><note>it&apos;s</note>\n"), "SETTINGS", 1,
         "Parsed: no, the reader stopped at line 3, column 27: a reference or character that may "
         "not stand in text, at \"&apos;s</note>\"|Hint: in text, & begins a reference.|A desk "
         "would say \"The settings file cannot be read\" with this place and close|Result: exit "
         "status 1: the file cannot be read\n"},
        {Replaced(kSound, kLang, "<lang value=\"es/>\n"), "SETTINGS", 1,
         "Parsed: no, the reader stopped at line 4, column 1: a tag that is not well formed, at "
         "\"<messages xml:lang=\"es\">\"|Hint: look for a value whose quote is not closed"},
        {"<!DOCTYPE quorvp>\n" + kSound, "SETTINGS", 1,
         "Parsed: no, the reader stopped at line 1, column 1: a document type declaration before "
         "the XML declaration, at \"<!DOCTYPE quorvp>\"|Hint: the file must begin with <?xml"},
        {Replaced(kSound, "</messages>", "</message>"), "SETTINGS", 1,
         "Dropped: line 19, column 1: an end tag that does not match the open element, at "
         "\"</message>\"|Dropped: line 26, column 1: an end tag that does not match the open "
         "element, at \"</quorvp>\"|Still open at the end: <messages> in <quorvp>|Work area: none| "
         " <workarea> stands deeper, inside <messages>: a desk looks for it only among the root's "
         "children.|Barcode models: none (no mbarcode element): a desk accepts any|Result: exit "
         "status 1: elements never closed; 2 tokens dropped; no work area; no barcode model\n"},
        {kSound.substr(0, kSound.find("<patron") + 20), "SETTINGS", 1,
         "Unfinished: line 23, column 1: the file ends inside unfinished markup, at \"<patron "
         "model=\"L\" va\"|Still open at the end: <mbarcode> in <quorvp>|Result: exit status 1: "
         "elements never closed; the file ends inside unfinished markup\n"},
        {kSound.substr(kSound.find('\n') + 1), "SETTINGS", 1,
         "XML declaration: none|Dropped: line 1, column 1: an element before the XML declaration, "
         "at \"<quorvp>\"|Hint: the file has no XML declaration.|Result: exit status 1: 25 tokens "
         "dropped; no XML declaration; no element\n"},
        {Replaced(
             Replaced(Replaced(kSound, "<m ID=\"mes1\"", "<m ID=\"mes1x\""), " ID=\"op2\"", ""),
             "@WORK@", "@WORK@/none"),
         "SETTINGS", 1,
         "Work area: \"DIR/Work/none\" does not exist: a desk shows \"mes2\"|  mes1  greeting at "
         "start-up: missing, shown empty|Missing keys: mes1, op2|Result: exit status 1: the work "
         "area does not exist; missing keys (mes1, op2)\n"},
        {Replaced(kBeforeModels + "</quorvp>\n", "@WORK@", ""), "SETTINGS hello", 1,
         "Work area: none (no workarea element or value): a desk shows \"mes2\" at "
         "start-up|Barcode models: none (no mbarcode element)|  \"hello\": accepted unchecked: no "
         "barcode model is configured|Result: exit status 1: no work area; no barcode model\n"},
        // Texts with references, in a file whose bytes read as UTF-8.
        {Replaced(Replaced(ascii, "prestamo", "pr\xC3\xA9stamo"), "No velido\"",
                  "No v&#225;lido &amp; m&aacute;s\""),
         "SETTINGS", 0,
         "Encoding: the file is read as ISO-8859-1, but its bytes read as UTF-8: a desk shows "
         "\"pr\xC3\x83\xC2\xA9stamo\" for \"pr\xC3\xA9stamo\" (line 5). Declare "
         "encoding=\"UTF-8\"|  mes4  a barcode is not valid: \"No v&#225;lido &amp; m&aacute;s\"|  "
         "      shown as written, references and all; to show \"No v\xC3\xA1lido & m&aacute;s\" "
         "write the letters themselves|Result: exit status 0, no problem found; warnings: UTF-8 "
         "read as ISO-8859-1, texts with references\n"},
        {kSound, "--lang fr SETTINGS 12345675 '' -- -1", 1,
         "Catalogues: \"es\"|Chosen catalogue: none for \"fr\"; every text of the client would be "
         "empty|  "
         "\"12345675\": refused: wrong check character (BARCODE_BAD_CHECK, kind X, value 0)|  "
         "\"\": refused: empty, a desk asks for the missing barcode|  \"-1\": refused: matches no "
         "model (BARCODE_REJECTED, kind X, value 0)|Result: exit status 1: no catalogue for the "
         "language; 3 of 3 barcodes refused\n"},
        {Replaced(Replaced(kSound, "</mbarcode>", otherModels), "@WORK@",
                  "@WORK@/../Admin/quorvp.xml"),
         "SETTINGS #1234567 #0123456 #0000012 Q-12", 1,
         "Work area: \"DIR/Work/../Admin/quorvp.xml\" is not a folder|  4. decided by its number "
         "(X), pattern \"#NNNNNNN\", no check character (method 1 unused), optional id off|  5. "
         "kind \"Q\" (neither patron nor item: a desk refuses what it matches)|Skipped: 1 element "
         "under mbarcode without a model or a value|  \"#1234567\": accepted as item (BARCODE_OK, "
         "kind C, value 1234567)|  \"#0123456\": accepted as patron (BARCODE_OK, kind L, value "
         "123456)|  \"#0000012\": refused: neither a patron nor an item barcode (BARCODE_OK, kind "
         "X|  \"Q-12\": refused: neither a patron nor an item barcode (BARCODE_OK, kind Q|Result: "
         "exit status 1: the work area is not a folder; 2 of 4 barcodes refused; warnings: a model "
         "of a kind no desk accepts, skipped model elements\n"},
    });
    // An accented work area is looked for under the name a desk gives it.
    const Installation accented(Replaced(kSound, "@WORK@", "@WORK@/Pr\xE9stamo").c_str());
    std::filesystem::create_directory(FileNameFromText(accented.Work() + "/Pr\xE9stamo"));
    ExpectLines(Check(accented, "SETTINGS").out,
                "Work area: \"DIR/Work/Pr\xC3\xA9stamo\", a folder ");
}

TEST(Quorvcheck, CommandLine) {
    const std::string usage = "usage: quorvcheck [--lang CODE] SETTINGS.xml [BARCODE...]\n"
                              "       quorvcheck --day SETTINGS.xml FILE.qvp...\n";
    RunCases({
        {kSound, "--help SETTINGS", 0, usage},
        {kSound, "", 2, "quorvcheck: no settings file given\n" + usage},
        {kSound, "SETTINGS --lang", 2, "quorvcheck: --lang needs a language code\n"},
        {kSound, "--bogus SETTINGS", 2, "quorvcheck: unknown option --bogus\n"},
        {kSound, "--day SETTINGS", 2, "quorvcheck: --day needs at least one day's file\n"},
        {kSound, "--day --lang es SETTINGS DIR/x.qvp", 2,
         "quorvcheck: --lang has no use with --day\n"},
    });
}

// Which later model an earlier one keeps from ever deciding a barcode: the
// attributes of each, and the earlier model's number in the warning, or -1
// for a model that matches nothing.
TEST(Quorvcheck, ModelsNeverReached) {
    const std::tuple<const char*, const char*, int> cases[] = {
        {"value='NNNN'", "value='NNNN'", 1},
        {"value='XXNN'", "value='NnNN'", 1},                  // any character covers a digit
        {"value='NNNN'", "value='XNNN'", 0},                  // not the other way round
        {"value='NNNK'", "value='NNNX'", 1},                  // a check decides any character
        {"value='NNNN'", "value='NNNK'", 1},                  // a 3-and-1 check is a digit
        {"value='NNNN'", "value='NNNK' controlDigit='2'", 0}, // a doubling one may be a sign
        {"value='NNNN'", "value='NNNNN'", 0},
        {"value='NN[NNN]'", "value='NN[N]'", 1}, // an optional tail covers each length
        {"value='NNN'", "value='NN[N]'", 0},
        {"value='NNNN'", "value='NN[N]N'", 1}, // a group inside is not optional
        {"value='ANN'", "value='\\ANN'", 1},
        {"value='XNN'", "value='ANN' optionalId='1'", 1},
        {"value='BNN'", "value='CNN'", 0},
        {"value='NN'", "value=' NN'", -1},  // spaces are trimmed at the ends
        {"value='NN'", "value='NN\\'", -1}, // an escape at the end matches nothing
    };
    for (const auto& [earlier, later, covering] : cases) {
        SCOPED_TRACE(std::string(earlier) + " then " + later);
        const Installation site((kBeforeModels + "<mbarcode><a model='C' " + earlier +
                                 "/><b model='L' " + later + "/></mbarcode></quorvp>")
                                    .c_str());
        const std::string out = Check(site, "SETTINGS").out;
        const auto says = [&](const char* text) { return out.find(text) != std::string::npos; };
        EXPECT_EQ(says("\n  Model 2 is never reached: model 1 takes"), covering == 1);
        EXPECT_EQ(says("\n  Model 2 matches no barcode at all.\n"), covering < 0);
        EXPECT_EQ(says("warnings: a model that is never reached\n"), covering != 0);
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

std::string Loan(const char* time, const char* number) {
    return Record(time, number, "12345674", "N-1234", 'P');
}

TEST(Quorvcheck, DayFiles) {
    const std::string sound = Record("09:05:03", "000001", "12345674", "4006381333931", 'P') +
                              Record("09:06:00", "000002", "", "N-12345", 'D') +
                              Record("09:07:00", "000003", "12345674", "4006381333931", 'T');
    const char* day = "--day SETTINGS DIR/20260302.qvp";
    RunCases({
        {kSound, day, 0,
         "Settings file: DIR/Admin/quorvp.xml|  3 barcode models|Day file: DIR/20260302.qvp|  "
         "Operations: 3: 1 loan, 1 return, 1 request; first at 09:05:03, last at 09:07:00|  "
         "Verdict: sound|Result: exit status 0, no problem found\n",
         sound},
        {kSound, day, 1,
         "  line 1: ends with LF alone, where a record ends with CR LF|  line 2: damaged: 4 "
         "characters where a record has 130, \"junk\"|  line 3: an empty line|  line 4: the file "
         "ends inside this line, without CR LF (a record cut short?)|  line 4: damaged: 70 "
         "characters where a record has 130, \"2026-03-02 09:07:00 000003 123\"...|  Verdict: 5 "
         "problems|Result: exit status 1: 1 of 1 day file has problems\n",
         sound.substr(0, 130) + "\n" + "junk\r\n\r\n" + sound.substr(264, 70)},
        {kSound, day, 1,
         "  line 1: the number 000002: the day's numbers start at 000001|  line 3: the number "
         "000005 after 000003 of line 2: 000004 is missing|  line 4: the number 000009 after "
         "000005 of line 3: 000006 to 000008 are missing|  line 5: the number 000003 repeats line "
         "2|  line 6: the number 000001 after 000009 of line 4: the numbering goes back|  line 7: "
         "the number \"00001x\" is not six digits|  Verdict: 6 problems",
         Loan("09:00:00", "000002") + Loan("09:00:01", "000003") + Loan("09:00:02", "000005") +
             Loan("09:00:03", "000009") + Loan("09:00:04", "000003") + Loan("09:00:05", "000001") +
             Loan("09:00:06", "00001x")},
        {kSound, day, 1,
         "  line 1: dated 2026-03-01 in the file of 2026-03-02|  line 2: the time 08:00:00 comes "
         "before 09:00:00 of line 1|  line 3: the time \"25:00:00\" is not a time|  line 4: the "
         "mode letter \"X\" is none of P (loan), D (return), T (request)|  line 5: a return with "
         "the patron \"12345674\", where a return's patron is blank|  line 6: damaged: no space "
         "between the fields at character 78|  line 7: a loan without a patron|  line 8: the "
         "patron \"12345675\" refused: wrong check character|  line 9: the patron "
         "\"4006381333931\" is an item's barcode, not a patron's|  line 9: the item \"hello\" "
         "refused: matches no model|  line 10: a request without an item|  line 11: the item "
         "\"12345674\" is a patron's barcode, not an item's|  line 12: the date \"202x-03-02\" is "
         "not a date|  Operations: 10: 6 loans, 2 returns, 2 "
         "requests; first at 09:00:00, last at 09:00:11|  Verdict: 13 problems",
         Record("09:00:00", "000001", "12345674", "N-1234", 'P', "2026-03-01") +
             Loan("08:00:00", "000002") + Loan("25:00:00", "000003") +
             Record("09:00:00", "000004", "12345674", "N-1234", 'X') +
             Record("09:00:01", "000005", "12345674", "N-1234", 'D') +
             Replaced(Record("09:00:02", "000006", "", "N-1234", 'D'), " N-1234", "_N-1234") +
             Record("09:00:06", "000006", "", "N-1234", 'P') +
             Record("09:00:07", "000007", "12345675", "N-1234", 'P') +
             Record("09:00:08", "000008", "4006381333931", "hello", 'T') +
             Record("09:00:09", "000009", "12345674", "", 'T') +
             Record("09:00:10", "000010", "", "12345674", 'D') +
             Record("09:00:11", "000011", "12345674", "N-1234", 'P', "202x-03-02")},
        // Empty files, one named otherwise, one not there, a folder, and
        // settings that cannot be read.
        {kSound, "--day DIR/none.xml DIR/20260302.qvp DIR/day.qvp DIR/none DIR/Admin", 1,
         "  cannot be read: the barcodes are not judged (run quorvcheck DIR/none.xml)|Day file: "
         "DIR/20260302.qvp\n  Operations: none\n  Verdict: sound\n|Day file: DIR/day.qvp\n  the "
         "name is not YYYYMMDD.qvp, so the records' dates cannot be checked\n  Operations: none\n  "
         "Verdict: 1 problem\n|Day file: DIR/none\n  cannot be opened (No such file or "
         "directory)\n  Verdict: cannot be read\n|Day file: DIR/Admin\n  a folder, not a day's "
         "file\n  Verdict: cannot be read\n|Result: exit status 1: the settings file cannot be "
         "read; 3 of 4 day files have problems\n"},
    });
}

} // namespace
