// A desk in a hostile or broken environment, headless: settings that cannot
// be had or are damaged, work areas that cannot be written, day files that
// are not what this program writes, barcodes of every byte value. Each gets
// its message (or runs on with what it has), nothing crashes, and no byte of
// a day's file that was good before is lost.
#include "tests/shell/desk_fixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

using headless::Desk;

const std::string kStandard = Settings("es", Catalogue("es") + kModels);
const std::string kNoModels = Settings("es", Catalogue("es"));
constexpr char kPatron[] = "12345674";
constexpr char kItem[] = "4006381333931";
constexpr char kWhen[] = "2026-03-02 09:05:03";

std::string Line(const char* when, const char* number, std::string patron, std::string item,
                 char letter = 'P') {
    patron.resize(50, ' ');
    item.resize(50, ' ');
    return std::string(when) + " " + number + " " + patron + " " + item + " " + letter + "\r\n";
}

// A day's file as this program writes it, two operations long.
const std::string kGoodDay = Line("2026-03-02 08:00:00", "000001", "p1", "i1") +
                             Line("2026-03-02 08:10:00", "000002", "", "i2", 'D');

void Scan(Desk& desk, const std::string& text) {
    desk.Type(text);
    desk.Press(VK_RETURN);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs body in a child process, for what must not touch this one (another
// user); passes when body returns true. The child
// reports its failures on standard error.
void InChild(const std::function<bool()>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

// The message boxes shown so far, the greeting left out.
std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const auto& box : headless::MessageBoxes()) {
        if (box.type != (MB_ICONINFORMATION | MB_OK)) {
            texts.push_back(box.text);
        }
    }
    return texts;
}

bool Expect(bool holds, const std::string& what) {
    if (!holds) {
        std::fprintf(stderr, "failed: %s\n", what.c_str());
    }
    return holds;
}

using HostileSettings = DeskTest;

TEST_F(HostileSettings, AnInstallationPathTooLongForThePathBufferIsNotFound) {
    Install(&kNoModels);
    const std::string folder = "/" + std::string(599, 'q');
    setenv("QUORVPATH", folder.c_str(), 1);
    bool opened = false;
    headless::SetSession([&](Desk&) { opened = true; });
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
        EXPECT_EQ(dialog.m_settings, nullptr);
    }
    EXPECT_FALSE(opened);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "File not found\n" + folder + "/Admin/quorvp.xml");
    EXPECT_EQ(headless::MessageBoxes()[0].type, MB_ICONHAND | MB_OK);
}

TEST_F(HostileSettings, DamagedSettingsGiveWhatTheyHoldAndTheDeskWorks) {
    const std::string cut = Settings("es", Catalogue("es"));
    // Deep enough that any recursive walk would run out of stack: about 50 MB
    // of nested elements, with the catalogue's entries at the bottom.
    const std::string level = "<" + std::string(97, 'n') + ">";
    std::string nested = Settings("es", "<messages xml:lang=\"es\">@DEEP@</messages>");
    const std::size_t depth = 50u * 1024 * 1024 / level.size();
    std::string deep;
    deep.reserve(depth * level.size() + 4096);
    for (std::size_t i = 0; i < depth; ++i) {
        deep += level;
    }
    const std::string entries = Catalogue("es");
    deep += entries.substr(entries.find('>') + 1, entries.rfind('<') - entries.find('>') - 1);
    nested.replace(nested.find("@DEEP@"), 6, deep);
    deep.clear();
    const struct {
        const char* description;
        std::string settings;
        const char* loanCaption;
        const char* returnCaption;
    } cases[] = {
        {"cut_inside_a_tag", cut.substr(0, cut.find("text=\"es:op2\"") + 3), "es:op1", ""},
        {"fifty_megabytes_of_nesting", std::move(nested), "es:op1", "es:op2"},
    };
    for (const auto& c : cases) {
        headless::Reset();
        Run(c.settings, [&](Desk& desk) {
            EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).text, c.loanCaption) << c.description;
            EXPECT_EQ(desk.Item(IDC_RADIO_RETURN).text, c.returnCaption) << c.description;
            Scan(desk, "p");
            Scan(desk, "i");
        });
        // The reader took the file only in part: said once, before the greeting.
        ASSERT_EQ(Shown().size(), 1u) << c.description;
        EXPECT_EQ(Shown()[0].rfind("The settings file has mistakes\n", 0), 0u) << c.description;
        EXPECT_EQ(Day(), Line(kWhen, "000001", "p", "i")) << c.description;
    }
}

TEST_F(HostileSettings, SettingsWithoutADeclarationRunWithNothingAndRecordNothing) {
    std::string junk;
    for (int i = 0; i < 1024; ++i) {
        junk += static_cast<char>(i % 256);
    }
    const struct {
        const char* description;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"binary_junk", junk},
    };
    const std::string atRoot = std::string("/") + kToday + ".qvp";
    const bool atRootBefore = std::filesystem::exists(atRoot);
    for (const auto& c : cases) {
        headless::Reset();
        Install(nullptr);
        WriteBytes(install->Root() + "/Admin/quorvp.xml", c.bytes);
        headless::SetSession([&](Desk& desk) {
            EXPECT_TRUE(desk.Item(IDC_RADIO_LOAN).text.empty()) << c.description;
            Scan(desk, "p");
            Scan(desk, "i");
        });
        {
            CQuorvelPDlg dialog;
            dialog.DoModal();
            EXPECT_EQ(dialog.m_hasBarcodeModels, 0) << c.description;
        }
        // Said before the greeting; then the empty "mes2" at start-up and at
        // the Enter, since there is no work area to write in.
        const std::vector<std::string> shown = Messages();
        ASSERT_EQ(shown.size(), 3u) << c.description;
        EXPECT_NE(shown[0].find("\nIt names no work area"), std::string::npos) << c.description;
        EXPECT_EQ(shown[1] + shown[2], "") << c.description;
        EXPECT_TRUE(std::filesystem::is_empty(install->Work())) << c.description;
    }
    EXPECT_EQ(std::filesystem::exists(atRoot), atRootBefore);
}

using HostileWorkArea = DeskTest;

// Start-up tells the librarian once, every Enter again; nothing is numbered
// or written and the entry stays for the next try.
void ExpectRefusedEverywhere(Desk& desk, const char* description) {
    EXPECT_TRUE(desk.Item(IDC_LIST_OPERATIONS).rows.empty()) << description;
    Scan(desk, "p");
    Scan(desk, "i");
    Scan(desk, "");
    EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "i") << description;
    EXPECT_EQ(Messages(), std::vector<std::string>(3, "es:mes2")) << description;
    EXPECT_EQ(static_cast<CQuorvelPDlg&>(desk.Dialog()).m_sequence, 0) << description;
}

TEST_F(HostileWorkArea, AWorkAreaThatIsMissingOrAFileRefusesEveryOperation) {
    const struct {
        const char* description;
        const char* folder;
        bool isFile;
    } cases[] = {
        {"missing", "/missing", false},
        {"a_file", "/plain", true},
        {"below_a_file", "/plain/below", true},
    };
    for (const auto& c : cases) {
        headless::Reset();
        std::string settings = kNoModels;
        settings.replace(settings.find("@WORK@"), 6, std::string("@WORK@") + c.folder);
        Install(&settings);
        if (c.isFile) {
            WriteBytes(install->Work() + "/plain", kGoodDay);
        }
        headless::SetSession([&](Desk& desk) { ExpectRefusedEverywhere(desk, c.description); });
        {
            CQuorvelPDlg dialog;
            dialog.DoModal();
        }
        EXPECT_EQ(std::filesystem::exists(install->Work() + "/missing"), false) << c.description;
        if (c.isFile) {
            EXPECT_EQ(ReadFile(install->Work() + "/plain"), kGoodDay) << c.description;
        }
    }
}

TEST_F(HostileWorkArea, AReadOnlyWorkAreaRefusesEveryOperationAndKeepsItsFile) {
    // Permission bits do not bind root: the desk runs as "nobody" then.
    for (const bool withDay : {false, true}) {
        headless::Reset();
        Install(&kNoModels);
        const std::string day = install->DayFile(kToday);
        if (withDay) {
            WriteBytes(day, kGoodDay);
            chmod(day.c_str(), 0444);
        }
        chmod(install->Root().c_str(), 0755);
        chmod((install->Root() + "/Admin").c_str(), 0755);
        chmod(install->Work().c_str(), 0555);
        InChild([&] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                return Expect(false, "setuid");
            }
            headless::SetSession([&](Desk& desk) { ExpectRefusedEverywhere(desk, "read-only"); });
            CQuorvelPDlg dialog;
            dialog.DoModal();
            return !::testing::Test::HasFailure();
        });
        EXPECT_EQ(std::filesystem::exists(day), withDay);
        if (withDay) {
            EXPECT_EQ(ReadFile(day), kGoodDay);
        }
        chmod(install->Work().c_str(), 0755);
    }
}

using HostileDayFile = DeskTest;

TEST_F(HostileDayFile, ADayFileThatIsAFolderRefusesEveryOperation) {
    Install(&kNoModels);
    std::filesystem::create_directory(install->DayFile(kToday));
    headless::SetSession([&](Desk& desk) { ExpectRefusedEverywhere(desk, "folder"); });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    EXPECT_TRUE(std::filesystem::is_directory(install->DayFile(kToday)));
}

using HostileBarcodes = DeskTest;

// Fifty characters of one byte value, as a scanner or a paste could deliver.
std::string Fifty(int byte) {
    return std::string(50, static_cast<char>(byte));
}

TEST_F(HostileBarcodes, FiftyCharactersOfEveryByteValueAreRefusedByTheModels) {
    Install(&kStandard);
    WriteBytes(install->DayFile(kToday), kGoodDay);
    headless::SetSession([&](Desk& desk) {
        for (int byte = 1; byte < 256; ++byte) {
            desk.Press(VK_ESCAPE);
            Scan(desk, Fifty(byte));
            EXPECT_EQ(desk.FocusId(), IDC_EDIT_PATRON) << byte;
            desk.Press(VK_ESCAPE);
            Scan(desk, kPatron);
            Scan(desk, Fifty(byte));
            EXPECT_EQ(desk.FocusId(), IDC_EDIT_ITEM) << byte;
        }
        EXPECT_EQ(Dlg(desk).m_sequence, 2);
    });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    EXPECT_EQ(Shown(), std::vector<std::string>(2 * 255, "es:mes4"));
    EXPECT_EQ(Day(), kGoodDay);
}

TEST_F(HostileBarcodes, FiftyCharactersOfEveryByteValueAreRecordedAsWholeLinesWithoutModels) {
    Install(&kNoModels);
    WriteBytes(install->DayFile(kToday), kGoodDay);
    headless::SetSession([&](Desk& desk) {
        for (int byte = 1; byte < 256; ++byte) {
            Scan(desk, Fifty(byte));
            Scan(desk, Fifty(byte));
        }
    });
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    EXPECT_TRUE(Shown().empty());
    const std::string day = Day();
    ASSERT_EQ(day.size(), kGoodDay.size() + 255 * 132);
    EXPECT_EQ(day.substr(0, kGoodDay.size()), kGoodDay);
    for (int byte = 1; byte < 256; ++byte) {
        const std::string record = day.substr(kGoodDay.size() + (byte - 1) * 132, 132);
        char number[16];
        std::snprintf(number, sizeof number, "%.6d", byte + 2);
        EXPECT_EQ(record.substr(20, 6), number) << byte;
        EXPECT_EQ(record.find_first_of("\r\n"), 130u) << byte;
        // A line end inside a barcode would split the record: it is a space there.
        const std::string field = byte == '\r' || byte == '\n' ? std::string(50, ' ') : Fifty(byte);
        EXPECT_EQ(record.substr(27, 50), field) << byte;
        EXPECT_EQ(record.substr(78, 50), field) << byte;
    }
}

} // namespace
