// The main dialog's life at a headless desk: what the settings file decides
// at start-up and the program's exit status, where the file is looked for,
// the catalogue, the greeting, the start state and the clock.
#include "desk_fixture.h"

#include "platform/paths.h"
#include "shell/quorvelp_app.h"
#include "shell/settings.h"

#include <filesystem>

namespace {

using headless::Desk;

const std::string kStandard = Settings("es", Catalogue("es") + Catalogue("en") + kModels);
const std::string kHead = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";

using Dialog = DeskTest;

// A file that cannot be read says where reading stopped and why, never "File
// not found", and the program fails; one taken in part, or naming no work
// area, is said before the greeting and the desk runs on with what it read.
TEST_F(Dialog, TheSettingsFileDecidesWhetherTheDeskRunsAndWhatItSaysFirst) {
    const std::string work = "<workarea value=\"@WORK@\"/>";
    const std::string nested = "<messages xml:lang=\"es\"><a><b><m ID=\"op1\" text=\"deep\"/></b>"
                               "</a><m ID=\"op1\" text=\"second\"/><m ID=\"op2\"/></messages>";
    const std::string noWorkArea =
        "It names no work area (workarea): no operation can be recorded.";
    const struct {
        const char* description;
        std::string settings;    // "": none; "dir": a folder in its place
        std::string said;        // the lines after the path, before the closing one(s)
        const char* loan;        // the loan caption the desk shows; null: the program fails
        const char* number = ""; // the title of the third column
    } cases[] = {
        {"no_file", "", "", nullptr},
        {"a_folder", "dir", "", nullptr},
        {"first_instruction_not_a_declaration", "\r\n\r\n  <?php echo 1; ?><quorvp/>",
         "Line 3, column 3: a first processing instruction that is not a valid XML declaration, "
         "at \"<?php echo 1; ?><quorvp/>\"",
         nullptr},
        {"cut_inside_a_tag",
         kHead + "<quorvp>\r\n" + work +
             "\r\n<messages>\r\n<m ID=\"op1\" text=\"Loan\"/>\r\n  <m ID=\"op2\" te",
         "Line 6, column 3: the file ends inside unfinished markup, at \"<m ID=\"op2\" te\"",
         "Loan"},
        {"text_after_the_root", kHead + "<quorvp>" + work + Catalogue("") + "</quorvp>\r\nhi\r\n",
         "Line 3, column 1: text outside every element, at \"hi\"", ":op1", ":col3"},
        {"root_left_open", kHead + "<quorvp>\r\n" + work + "\r\n" + Catalogue("") + "\r\n",
         "Line 4: the file ends with <quorvp> still open", ":op1", ":col3"},
        {"no_declaration", "<quorvp>\r\n" + work + "\r\n</quorvp>\r\n",
         "Line 1, column 1: an element before the XML declaration, at \"<quorvp>\"\n" + noWorkArea,
         ""},
        {"no_work_area", kHead + "<quorvp>" + Catalogue("") + "<workarea value=\"\"/></quorvp>",
         noWorkArea, ":op1", ":col3"},
        // The catalogue whose xml:lang is the language exactly (no language:
        // the one without), its keys looked for at any depth, the first found.
        {"the_language_s_catalogue", Settings("en", Catalogue("es") + Catalogue("en")), "",
         "en:op1", "en:col3"},
        {"no_catalogue_of_the_language", Settings("ES", Catalogue("es")), "", ""},
        {"no_language",
         Settings(nullptr, Catalogue("es") + "<messages><m ID=\"op1\" text=\"plain\"/></messages>"),
         "", "plain"},
        {"nested_keys", Settings("es", Catalogue("en") + nested + Catalogue("es")), "", "deep"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        headless::Reset();
        Install(c.settings.empty() || c.settings == "dir" ? nullptr : &c.settings);
        const std::string path =
            install->Root() + kFolderSeparator + "Admin" + kFolderSeparator + "quorvp.xml";
        if (c.settings == "dir") {
            std::filesystem::create_directory(path);
        }
        bool ran = false;
        headless::SetSession([&](Desk& desk) {
            ran = true;
            EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).text + "|" + desk.Item(IDC_GROUP_OPERATION).text +
                          "|" + desk.Item(IDC_LIST_OPERATIONS).columns.at(2).title,
                      std::string(c.loan) + "|" + c.loan + "|" + c.number);
        });
        EXPECT_EQ(theApp.InitInstance(), FALSE);
        EXPECT_TRUE(theApp.ExitInstance() == (c.loan ? 0 : 1) && ran == (c.loan != nullptr));
        std::string types; // of the boxes: 16 stop, 48 exclamation, 64 information (greeting)
        for (const auto& box : headless::MessageBoxes()) {
            types += std::to_string(box.type) + " ";
        }
        // Without a work area a "mes2" box follows the greeting.
        EXPECT_EQ(types.substr(0, 6), !c.loan ? "16 " : c.said.empty() ? "64 " : "48 64 ");
        const std::string read = path + "\n" + c.said + "\n";
        const std::string want =
            !c.loan ? (c.said.empty() ? "File not found\n" + path
                                      : "The settings file cannot be read\n" + read +
                                            "Run quorvcheck on this file to see what is wrong.")
                    : "The settings file has mistakes\n" + read +
                          "The desk goes on with what it could read.\n"
                          "Run quorvcheck on this file to see every mistake.";
        if (!c.loan || !c.said.empty()) {
            EXPECT_EQ(headless::MessageBoxes()[0].text, want);
        }
        EXPECT_TRUE(c.loan || std::filesystem::is_empty(install->Work()));
    }
}

// The settings file's path, its final NUL included, must fit 512 bytes.
TEST_F(Dialog, TheSettingsPathMustFitItsBufferOf512Bytes) {
    std::string path;
    EXPECT_TRUE(SettingsFilePath(std::string(501, 'a'), &path) && path.size() == 511);
    EXPECT_FALSE(SettingsFilePath(std::string(502, 'a'), &path));
    test_system::UnsetEnv("QUORVPATH");
    EXPECT_EQ(CQuorvelPDlg().m_installPath, kDefaultInstallFolder);
}

TEST_F(Dialog, TheGreetingShowsTheInstantInitialisationBeganThenTheDeskStartsInLoanMode) {
    std::vector<std::string> seen;
    headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box, Desk* desk) {
        seen.push_back(box.text);
        EXPECT_TRUE(desk->Timers().empty() && !desk->Close()); // the box is modal
        ClockSetFixedTime(kMorning + 75);                      // the librarian reads for a while
    });
    Run(kStandard, [&](Desk& desk) {
        std::string state = desk.Item(IDC_STATIC_TIME).text + desk.Item(IDC_GROUP_DATETIME).text +
                            desk.Item(IDC_LABEL_PATRON).text + desk.Item(IDC_LABEL_ITEM).text;
        for (const auto& column : desk.Item(IDC_LIST_OPERATIONS).columns) {
            state += " " + std::to_string(column.width);
        }
        EXPECT_EQ(state, "09 : 06 : 18es:dhes:col4es:col5 100 100 130 130 130 100");
        EXPECT_TRUE(desk.Item(IDC_RADIO_LOAN).check == BST_CHECKED &&
                    desk.FocusId() == IDC_EDIT_PATRON);
        // The clock ticks.
        ClockSetFixedTime(kMorning + 86400 * 31 + 1);
        ASSERT_TRUE(desk.FireTimer(kClockTimerId));
        EXPECT_EQ(desk.Item(IDC_STATIC_DATE).text + desk.Item(IDC_STATIC_TIME).text,
                  "02 - 04 - 202609 : 05 : 04");
    });
    ClockSetFixedTime(kMorning);
    Run(Settings("es", ""), nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"\nes:mes1\n\n02 - 03 - 2026\n09 : 05 : 03",
                                              "\n\n\n02 - 03 - 2026\n09 : 05 : 03"}));
    EXPECT_EQ(headless::MessageBoxes()[0].type, MB_ICONINFORMATION | MB_OK);
}

} // namespace
