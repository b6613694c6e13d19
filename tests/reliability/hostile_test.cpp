// A desk in a hostile or broken environment, headless: settings that are
// damaged or junk, work areas and day files it cannot write, barcodes of
// every byte value. Each gets its message (or runs on with what it has),
// nothing crashes, and no byte of a day's file that was good before is lost.
#include "tests/shell/desk_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <numeric>
#include <tuple>

namespace {

using headless::Desk;

const std::string kNoModels = Settings("es", Catalogue("es"));
// A day's file as this program writes it, two operations long.
const std::string kGoodDay = RecordLine(1, "p1", "i1", 'P', "2026-03-02 08:00:00") +
                             RecordLine(2, "", "i2", 'D', "2026-03-02 08:10:00");

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

using Hostile = DeskTest;

// What the reader takes only in part, or not at all, is said once before the
// greeting; the desk runs on with what it has. Without a declaration it has
// no work area: "mes2" (empty, with no catalogue) at start-up and at Enter.
TEST_F(Hostile, DamagedSettingsGiveWhatTheyHoldAndTheDeskWorks) {
    // Deep enough that any recursive walk would run out of stack: about 50 MB
    // of nested elements, with the catalogue's entries at the bottom.
    const std::string level = "<" + std::string(97, 'n') + ">";
    const std::string entries = Catalogue("es");
    std::string deep = entries.substr(0, entries.find('>') + 1);
    for (std::size_t i = 0; i < 50u * 1024 * 1024 / level.size(); ++i) {
        deep += level;
    }
    deep += entries.substr(entries.find('>') + 1);
    // Every byte value but NUL, once.
    std::string junk(255, ' ');
    std::iota(junk.begin(), junk.end(), '\1');
    // A name, the settings, the captions of the loan and the return mode, the
    // message boxes shown (the warning first), the day's file.
    const std::tuple<const char*, std::string, const char*, std::size_t, std::string> cases[] = {
        {"fifty_megabytes_of_nesting", Settings("es", deep), "es:op1|es:op2", 1,
         RecordLine(1, "p", "i", 'P')},
        {"empty", "", "|", 3, ""},
        {"binary_junk", junk, "|", 3, ""},
    };
    const std::string atRoot = std::string("/") + kToday + ".qvp";
    const bool atRootBefore = std::filesystem::exists(atRoot);
    for (const auto& [name, settings, captions, boxes, day] : cases) {
        SCOPED_TRACE(name);
        headless::Reset();
        Run(settings, [&](Desk& desk) {
            EXPECT_EQ(desk.Item(IDC_RADIO_LOAN).text + "|" + desk.Item(IDC_RADIO_RETURN).text,
                      captions);
            Scan(desk, {"p", "i"});
        });
        const std::vector<std::string> shown = Shown();
        ASSERT_EQ(shown.size(), boxes);
        EXPECT_EQ(shown[0].rfind("The settings file has mistakes\n", 0), 0u);
        EXPECT_EQ(std::vector<std::string>(shown.begin() + 1, shown.end()),
                  std::vector<std::string>(boxes - 1, ""));
        EXPECT_EQ(Day(), day);
    }
    EXPECT_EQ(std::filesystem::exists(atRoot), atRootBefore);
}

// A work area or day's file the desk cannot write refuses every operation:
// start-up tells the librarian once, every Enter again; nothing is numbered
// or written, the entry stays for the next try, and what was there stays.
TEST_F(Hostile, WhatCannotBeWrittenRefusesEveryOperationAndKeepsItsFile) {
    constexpr int NO_DAY = 0, DAY_READ_ONLY = 1, DAY_A_FOLDER = 2;
    // A name, the work area below the installation's Work, that Work read-only, the day's file.
    const std::tuple<const char*, const char*, bool, int> cases[] = {
        {"missing", "/missing", false, NO_DAY},
        {"a_file", "/plain", false, NO_DAY},
        {"read_only", "", true, NO_DAY},
        {"read_only_with_its_day_file", "", true, DAY_READ_ONLY},
        {"day_file_a_folder", "", false, DAY_A_FOLDER},
    };
    for (const auto& [name, folder, readOnly, dayFile] : cases) {
        SCOPED_TRACE(name);
        headless::Reset();
        std::string settings = kNoModels;
        Install(&settings.replace(settings.find("@WORK@"), 6, std::string("@WORK@") + folder));
        WriteBytes(install->Work() + "/plain", kGoodDay);
        const std::string day = install->DayFile(kToday);
        if (dayFile == DAY_READ_ONLY) {
            WriteBytes(day, kGoodDay);
            chmod(day.c_str(), 0444);
        }
        if (dayFile == DAY_A_FOLDER) {
            std::filesystem::create_directory(day);
        }
        chmod(install->Root().c_str(), 0755);
        chmod((install->Root() + "/Admin").c_str(), 0755);
        chmod(install->Work().c_str(), readOnly ? 0555 : 0755);
        // Permission bits do not bind root: the desk runs as "nobody" then.
        const bool nobody = readOnly && geteuid() == 0;
        ASSERT_TRUE(!nobody || (setegid(65534) == 0 && seteuid(65534) == 0));
        headless::SetSession([&](Desk& desk) {
            EXPECT_TRUE(desk.Item(IDC_LIST_OPERATIONS).rows.empty());
            Scan(desk, {"p", "i", ""});
            EXPECT_EQ(desk.Item(IDC_EDIT_ITEM).text, "i");
            EXPECT_EQ(Shown(), std::vector<std::string>(3, "es:mes2"));
            EXPECT_EQ(Dlg(desk).m_sequence, 0);
        });
        CQuorvelPDlg().DoModal();
        ASSERT_TRUE(!nobody || (seteuid(0) == 0 && setegid(0) == 0));
        EXPECT_EQ(ReadFile(install->Work() + "/plain"), kGoodDay);
        EXPECT_FALSE(std::filesystem::exists(install->Work() + "/missing"));
        EXPECT_EQ(std::filesystem::exists(day), dayFile != NO_DAY);
        EXPECT_EQ(std::filesystem::is_directory(day), dayFile == DAY_A_FOLDER);
        EXPECT_EQ(dayFile == DAY_READ_ONLY ? ReadFile(day) : kGoodDay, kGoodDay);
        chmod(install->Work().c_str(), 0755);
    }
}

// Without models fifty characters of every byte value, as a scanner or a
// paste could deliver them, are taken, and each operation stays one whole
// line of the day's file after what was there.
TEST_F(Hostile, FiftyCharactersOfEveryByteValueAreRecordedAsWholeLinesWithoutModels) {
    Install(&kNoModels);
    WriteBytes(install->DayFile(kToday), kGoodDay);
    std::string expected = kGoodDay;
    for (int byte = 1; byte < 256; ++byte) {
        // A line end inside a barcode would split the record: it is a space there.
        const std::string field(50, byte == '\r' || byte == '\n' ? ' ' : static_cast<char>(byte));
        expected += RecordLine(byte + 2, field.c_str(), field.c_str(), 'P');
    }
    headless::SetSession([&](Desk& desk) {
        for (int byte = 1; byte < 256; ++byte) {
            const std::string fifty(50, static_cast<char>(byte));
            Scan(desk, {fifty, fifty});
        }
    });
    CQuorvelPDlg().DoModal();
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Day(), expected);
}

} // namespace
