// The main dialog's life at a headless desk: start-up with and without a
// settings file, where the file is looked for, the catalogue and greeting,
// the start state, the clock and the closing. (The modes, Enter and Escape
// are the journeys' of the real windows: qt_journey_test.cpp, and the
// scripts test-desk and test-windows.)
#include "desk_fixture.h"

#include "platform/paths.h"
#include "shell/clock_text.h"
#include "shell/quorvelp_app.h"

#include <filesystem>

namespace {

using headless::Desk;

const std::string kStandard = Settings("es", Catalogue("es") + Catalogue("en") + kModels);
// Where the settings file lies below an installation folder, and the folder
// separator, as this system writes them.
const std::string kSeparator(1, kFolderSeparator);
const std::string kSettingsBelow = kSeparator + "Admin" + kSeparator + "quorvp.xml";

// Notes the clock timer when its window is destroyed: its id before and
// after OnDestroy, and how many timers still run.
class WatchedDialog : public CQuorvelPDlg {
public:
    std::string log;
    void OnDestroy() override {
        const UINT_PTR before = m_timerId;
        CQuorvelPDlg::OnDestroy();
        log = std::to_string(before) + " -> " + std::to_string(m_timerId) + ", running " +
              std::to_string(headless::Running()->Timers().size());
    }
};

// Start-up without settings, and the path rules.

using StartUp = DeskTest;

TEST_F(StartUp, WithoutASettingsFileOneErrorBoxThenTheDialogClosesItself) {
    Install(nullptr);
    bool sessionRan = false;
    headless::SetSession([&](Desk&) { sessionRan = true; });
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_EQ(theApp.ExitInstance(), 1) << "the program fails";
    EXPECT_FALSE(sessionRan);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    const headless::MessageBoxRecord& box = headless::MessageBoxes()[0];
    EXPECT_EQ(box.text, "File not found\n" + install->Root() + kSettingsBelow);
    EXPECT_EQ(box.type, MB_ICONHAND | MB_OK);
    EXPECT_EQ(box.caption, AfxGetAppName());
    // No greeting, no timer, no texts, nothing written.
    WatchedDialog dialog;
    dialog.DoModal();
    EXPECT_EQ(dialog.log, "0 -> 0, running 0");
    EXPECT_EQ(dialog.m_textLoan, nullptr);
    EXPECT_EQ(headless::MessageBoxes().size(), 2u);
    EXPECT_TRUE(std::filesystem::is_empty(install->Work()));
}

// A settings file that is there but cannot be read says where reading
// stopped and why, never "File not found"; the window closes at once and the
// program fails.
TEST_F(StartUp, AnUnreadableSettingsFileSaysWhereAndTheProgramFails) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";
    const struct {
        const char* description;
        std::string settings; // empty: the settings path is a folder
        std::string said;     // after "...\n<path>\n"; empty: "File not found"
    } cases[] = {
        {"a_folder", "", ""},
        {"unterminated_quote",
         head + "<quorvp>\r\n  <lang value=\"es/>\r\n  <workarea value=\"w\"/>\r\n</quorvp>\r\n",
         "Line 4, column 3: a tag that is not well formed, at \"<workarea value=\"w\"/>\""},
        {"apostrophe_reference_in_text", head + "<quorvp>\r\n<note>it&apos;s</note>\r\n</quorvp>",
         "Line 3, column 9: a reference or character that may not stand in text, at "
         "\"&apos;s</note>\""},
        {"doctype_before_declaration", "<!DOCTYPE quorvp>\r\n" + head + "<quorvp/>\r\n",
         "Line 1, column 1: a document type declaration before the XML declaration, at "
         "\"<!DOCTYPE quorvp>\""},
        {"first_instruction_not_a_declaration", "\r\n\r\n  <?php echo 1; ?><quorvp/>",
         "Line 3, column 3: a first processing instruction that is not a valid XML declaration, "
         "at \"<?php echo 1; ?><quorvp/>\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        headless::Reset();
        Install(c.settings.empty() ? nullptr : &c.settings);
        const std::string path = install->Root() + kSettingsBelow;
        if (c.settings.empty()) {
            std::filesystem::create_directory(path);
        }
        bool sessionRan = false;
        headless::SetSession([&](Desk&) { sessionRan = true; });
        EXPECT_EQ(theApp.InitInstance(), FALSE);
        EXPECT_EQ(theApp.ExitInstance(), 1);
        EXPECT_FALSE(sessionRan);
        ASSERT_EQ(headless::MessageBoxes().size(), 1u);
        EXPECT_EQ(headless::MessageBoxes()[0].type, MB_ICONHAND | MB_OK);
        EXPECT_EQ(headless::MessageBoxes()[0].text,
                  c.said.empty() ? "File not found\n" + path
                                 : "The settings file cannot be read\n" + path + "\n" + c.said +
                                       "\nRun quorvcheck on this file to see what is wrong.");
        EXPECT_TRUE(std::filesystem::is_empty(install->Work()));
    }
}

// A document the reader took only in part, or that names no work area, is
// said once, before the greeting; then the desk runs on with what it read.
TEST_F(StartUp, SettingsTakenInPartWarnBeforeTheGreeting) {
    const std::string head = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";
    const std::string work = "<workarea value=\"@WORK@\"/>";
    const std::string noWorkArea =
        "It names no work area (workarea): no operation can be recorded.";
    const struct {
        const char* description;
        std::string settings;
        std::string said; // the lines between the path and the closing two; empty: no warning
        const char* loan; // the loan caption the desk then shows
    } cases[] = {
        {"sound", kStandard, "", "es:op1"},
        {"mistyped_end_tag",
         head + "<quorvp>\r\n<lang value=\"es\"/>\r\n" + work + "\r\n" + Catalogue("es") +
             "\r\n<messages xml:lang=\"en\">\r\n</message>\r\n" + kModels + "\r\n</quorvp>\r\n",
         "Line 7, column 1: an end tag that does not match the open element, at \"</message>\"",
         "es:op1"},
        {"cut_inside_a_tag",
         head + "<quorvp>\r\n" + work +
             "\r\n<messages>\r\n<m ID=\"op1\" text=\"Loan\"/>\r\n  <m ID=\"op2\" te",
         "Line 6, column 3: the file ends inside unfinished markup, at \"<m ID=\"op2\" te\"",
         "Loan"},
        {"text_after_the_root", head + "<quorvp>" + work + Catalogue("") + "</quorvp>\r\nhello\r\n",
         "Line 3, column 1: text outside every element, at \"hello\"", ":op1"},
        {"root_left_open", head + "<quorvp>\r\n" + work + "\r\n" + Catalogue("") + "\r\n",
         "Line 4: the file ends with <quorvp> still open", ":op1"},
        {"no_declaration", "<quorvp>\r\n" + work + "\r\n</quorvp>\r\n",
         "Line 1, column 1: an element before the XML declaration, at \"<quorvp>\"\n" + noWorkArea,
         ""},
        {"no_work_area", head + "<quorvp>" + Catalogue("") + "<workarea value=\"\"/></quorvp>",
         noWorkArea, ":op1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        headless::Reset();
        Run(c.settings, [&](Desk& desk) { EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).text, c.loan); });
        const std::vector<headless::MessageBoxRecord>& boxes = headless::MessageBoxes();
        ASSERT_GE(boxes.size(), c.said.empty() ? 1u : 2u);
        EXPECT_EQ(boxes[c.said.empty() ? 0 : 1].type, MB_ICONINFORMATION | MB_OK) << "greeting";
        if (!c.said.empty()) {
            EXPECT_EQ(boxes[0].type, MB_ICONEXCLAMATION | MB_OK);
            EXPECT_EQ(boxes[0].text, "The settings file has mistakes\n" + install->Root() +
                                         kSettingsBelow + "\n" + c.said +
                                         "\nThe desk goes on with what it could read.\n"
                                         "Run quorvcheck on this file to see every mistake.");
        }
    }
    // The desk ran: the program ends well, warned or not.
    headless::Reset();
    Install(&cases[1].settings);
    headless::SetSession(nullptr);
    EXPECT_EQ(theApp.InitInstance(), FALSE);
    EXPECT_EQ(theApp.ExitInstance(), 0);
}

// Without a work area no day's file is opened anywhere: "mes2" at start-up
// and at every Enter, as for a folder that cannot be written.
TEST_F(StartUp, WithoutAWorkAreaNothingIsRecordedAnywhere) {
    const std::string root = std::string("/") + kToday + ".qvp";
    const bool atRootBefore = std::filesystem::exists(root);
    std::string settings = Settings("es", Catalogue("es"));
    settings.replace(settings.find("@WORK@"), 6, "");
    Run(settings, [&](Desk& desk) {
        desk.Type("p");
        desk.Press(VK_RETURN);
        desk.Type("i");
        desk.Press(VK_RETURN);
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "i") << "the entry stays for another try";
    });
    const std::vector<std::string> shown = Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(shown[0].find("It names no work area"), std::string::npos);
    EXPECT_EQ(std::vector<std::string>(shown.begin() + 1, shown.end()),
              std::vector<std::string>(2, "es:mes2"));
    EXPECT_TRUE(std::filesystem::is_empty(install->Work()));
    EXPECT_EQ(std::filesystem::exists(root), atRootBefore);
}

TEST_F(StartUp, TheInstallationFolderIsTakenVerbatimAndMustFitThePathBuffer) {
    Installation base(nullptr);
    // Folders whose settings path is exactly 511 characters, and one of 512,
    // in components of at most 200 characters.
    auto longFolder = [&](std::size_t pathLength, char filler) {
        std::string root = base.Root() + "/";
        root.resize(pathLength - kSettingsBelow.size(), filler);
        for (std::size_t at = base.Root().size() + 200; at < root.size(); at += 200) {
            root[at] = '/';
        }
        return root;
    };
    const struct {
        const char* description;
        std::string root;   // the installation, with a settings file
        std::string envVar; // QUORVPATH as set
        bool loads;
    } cases[] = {
        {"trailing_separator_doubled", base.Root() + "/a", base.Root() + "/a" + kSeparator, true},
        {"path_of_511_fits", longFolder(511, 'b'), longFolder(511, 'b'), true},
        {"path_of_512_refused", longFolder(512, 'c'), longFolder(512, 'c'), false},
    };
    for (const auto& c : cases) {
        // Windows paths stop at 260 characters: the buffer's limit lies beyond.
        if (!test_system::kLongPaths && c.root.size() >= 260) {
            continue;
        }
        headless::Reset();
        Installation folder(kStandard.c_str(), c.root);
        test_system::SetEnv("QUORVPATH", c.envVar.c_str());
        CQuorvelPDlg dialog;
        EXPECT_EQ(dialog.m_installPath, c.envVar) << c.description;
        EXPECT_EQ(dialog.m_settings != nullptr, c.loads) << c.description;
        const std::vector<std::string> expected = {"File not found\n" + c.envVar + kSettingsBelow};
        EXPECT_EQ(Shown(), c.loads ? std::vector<std::string>() : expected) << c.description;
    }
    test_system::UnsetEnv("QUORVPATH");
    CQuorvelPDlg unset;
    EXPECT_EQ(unset.m_installPath, kDefaultInstallFolder);
    EXPECT_EQ(unset.GetInstallSubdir("Admin"),
              std::string(kDefaultInstallFolder) + kSeparator + "Admin" + kSeparator);
}

// Catalogue choice and the greeting.

using Texts = DeskTest;

TEST_F(Texts, TheCatalogueOfTheConfiguredLanguageGivesEveryText) {
    const std::string nested = "<messages xml:lang=\"es\"><a><b><m ID=\"op1\" text=\"deep\"/></b>"
                               "</a><m ID=\"op1\" text=\"second\"/><m ID=\"op2\"/></messages>";
    const struct {
        const char* description;
        std::string settings;
        const char* loan;   // caption of the loan radio button, "op1"
        const char* number; // third column title, "col3"
    } cases[] = {
        {"second_language", Settings("en", Catalogue("es") + Catalogue("en")), "en:op1", "en:col3"},
        {"codes_are_case_sensitive", Settings("ES", Catalogue("es")), "", ""},
        {"no_lang_takes_the_unmarked",
         Settings(nullptr, Catalogue("es") + "<messages><m ID=\"op1\" text=\"plain\"/></messages>"),
         "plain", ""},
        {"no_catalogue", Settings("es", ""), "", ""},
        {"nested_and_repeated_keys", Settings("es", nested + Catalogue("es")), "deep", ""},
        {"another_languages_key_unseen", Settings("es", Catalogue("en") + nested), "deep", ""},
    };
    for (const auto& c : cases) {
        headless::Reset();
        Run(c.settings, [&](Desk& desk) {
            EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).text, c.loan) << c.description;
            EXPECT_EQ(desk.Item(IDC_GROUP_OPERATION).text, c.loan) << c.description;
            EXPECT_EQ(desk.Item(IDC_LIST_OPERATIONS).columns.at(2).title, c.number)
                << c.description;
        });
    }
    // A key present without a text reads as empty.
    Run(Settings("es", nested),
        [&](Desk& desk) { EXPECT_EQ(desk.Item(IDC_RADIO_RETURN).text, ""); });
}

TEST_F(Texts, TheGreetingShowsTheInstantInitialisationBeganBeforeTheClockRuns) {
    std::vector<std::string> seen;
    headless::SetMessageBoxHandler([&](const headless::MessageBoxRecord& box, Desk* desk) {
        seen.push_back(box.text);
        EXPECT_TRUE(desk->Timers().empty());
        ClockSetFixedTime(kMorning + 75); // the librarian reads for a while
    });
    Run(kStandard, [&](Desk& desk) { EXPECT_EQ(desk.Item(IDC_STATIC_TIME).text, "09 : 06 : 18"); });
    ClockSetFixedTime(kMorning);
    Run(Settings("es", ""), nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], "\nes:mes1\n\n02 - 03 - 2026\n09 : 05 : 03");
    EXPECT_EQ(seen[1], "\n\n\n02 - 03 - 2026\n09 : 05 : 03");
    EXPECT_EQ(headless::MessageBoxes()[0].type, MB_ICONINFORMATION | MB_OK);
}

TEST_F(Texts, ClockTextsKeepLeadingZerosAndEveryDigitOfTheYear) {
    const struct {
        const char* description;
        std::int64_t time;
        const char* date;
        const char* time_;
    } cases[] = {
        {"leading_zeros", 1767675619, "06 - 01 - 2026", "05 : 00 : 19"},
        // Beyond the year 3000 Windows cannot convert: the unconvertible texts.
        {"five_digit_year", 253402300800 + 3661,
         test_system::kLocalTimeAfter3000 ? "01 - 01 - 10000" : "00 - 00 - 0",
         test_system::kLocalTimeAfter3000 ? "01 : 01 : 01" : ""},
        {"unconvertible", INT64_MAX, "00 - 00 - 0", ""},
    };
    for (const auto& c : cases) {
        std::tm local{};
        const bool converted = ClockLocalTime(&local, &c.time) == 0;
        EXPECT_EQ(ClockDateText(converted ? &local : nullptr), c.date) << c.description;
        EXPECT_EQ(ClockTimeText(converted ? &local : nullptr), c.time_) << c.description;
    }
}

// The start state.

using Modes = DeskTest;

TEST_F(Modes, TheDialogStartsInLoanModeWithTheListSetUp) {
    Run(kStandard, [&](Desk& desk) {
        EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).check, BST_CHECKED);
        EXPECT_EQ(desk.Item(IDC_GROUP_DATETIME).text, "es:dh");
        EXPECT_EQ(desk.Item(IDC_LABEL_PATRON).text + desk.Item(IDC_LABEL_ITEM).text,
                  "es:col4es:col5");
        EXPECT_EQ(desk.FocusId(), IDC_EDIT_PATRON);
        EXPECT_EQ(desk.Surface(), RGB(220, 0, 0));
        EXPECT_EQ(desk.Timers(), (std::map<UINT_PTR, UINT>{{20000, 1000}}));
        EXPECT_EQ(desk.Icon(false), AfxGetApp()->LoadIcon(IDR_MAINFRAME));
        EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).limit, 50);
        const headless::Control& list = desk.Item(IDC_LIST_OPERATIONS);
        ASSERT_EQ(list.columns.size(), 6u);
        const int widths[] = {100, 100, 130, 130, 130, 100};
        for (int col = 0; col < 6; ++col) {
            EXPECT_EQ(list.columns[col].title, "es:col" + std::to_string(col + 1));
            EXPECT_EQ(list.columns[col].width, widths[col]);
        }
        EXPECT_EQ(list.smallImages.bitmapId, 12624u);
        EXPECT_EQ(list.smallImages.count, 3);
        EXPECT_EQ(list.smallImages.mask, RGB(192, 192, 192));
    });
}

// The clock and the closing.

using Lifecycle = DeskTest;

TEST_F(Lifecycle, TheClockTicksEvenBehindAMessageBox) {
    headless::SetMessageBoxHandler([](const headless::MessageBoxRecord& box, Desk* desk) {
        if (box.text == "es:mes3") {
            ClockSetFixedTime(kMorning + 3600);
            desk->FireTimer(20000);
        }
    });
    Run(kStandard, [&](Desk& desk) {
        ClockSetFixedTime(kMorning + 86400 * 31 + 1);
        ASSERT_TRUE(desk.FireTimer(20000));
        EXPECT_EQ(desk.Item(IDC_STATIC_DATE).text, "02 - 04 - 2026");
        EXPECT_EQ(desk.Item(IDC_STATIC_TIME).text, "09 : 05 : 04");
        desk.Press(VK_RETURN);
        EXPECT_EQ(desk.Item(IDC_STATIC_TIME).text, "10 : 05 : 03");
    });
    headless::SetTimersFail(true);
    ClockSetFixedTime(kMorning);
    Run(kStandard, [&](Desk& desk) {
        EXPECT_EQ(Dlg(desk).m_timerId, 0u);
        EXPECT_EQ(desk.Item(IDC_STATIC_TIME).text, "09 : 05 : 03");
    });
}

TEST_F(Lifecycle, ClosingStopsTheTimerAndTheDestructorClosesAnOpenDayFile) {
    Install(&kStandard);
    const std::string path = install->DayFile(kToday);
    {
        WatchedDialog dialog;
        headless::SetSession([&](Desk& desk) {
            ASSERT_EQ(dialog.OpenDayFile(), 1);
            EXPECT_TRUE(desk.Close());
        });
        dialog.DoModal();
        EXPECT_EQ(dialog.log, "20000 -> 0, running 0");
        CStdioFile other;
        EXPECT_FALSE(other.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
    }
    CStdioFile other;
    EXPECT_TRUE(other.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
}

} // namespace
