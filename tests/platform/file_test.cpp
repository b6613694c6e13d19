// Text files: CR LF on disk and lines read back without it, forwards and
// backwards, a 1A byte as an ordinary byte in every opening mode, openings
// that never empty a file, the exclusive lock against a second opening in
// this process and in another, the last line read from the tail only, writes
// that fail (disk full, failed flush) leaving the file exactly as it was, and
// file names between the core's text and the system's encoding.
#include "platform/file.h"
#include "tests/test_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kExisting = CFile::modeReadWrite | CFile::shareExclusive | CFile::modeNoTruncate;
constexpr UINT kMissing = CFile::modeReadWrite | CFile::shareExclusive | CFile::modeCreate;

// A 130-character record numbered `number`.
std::string Record(int number) {
    std::string r = "2024-03-02 09:05:03 " + std::to_string(1000000 + number).substr(1) + " ";
    r.resize(129, 'x');
    return r + "P";
}

class File : public ::testing::Test {
protected:
    void TearDown() override {
        FileClearFailures();
        std::filesystem::remove_all(m_dir);
    }
    void Put(const std::string& bytes) const {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << bytes;
    }

    const std::string m_dir = test_system::MakeFolder("qvfile"), m_path = m_dir + "/20240302.qvp";
};

// The last non-empty line (read first, from the tail only, leaving the
// reading position at the start), then the lines forwards with ReadString
// and backwards with ReadLineBefore.
TEST_F(File, LinesReadEitherWayWithoutTheirLineEnds) {
    const std::string x = std::string(8187, 'x') + "\n"; // then a CR ends the 8192-byte block
    const std::string big = "HEAD" + std::string(10 << 20, 'z');
    const std::string longLine = "HEAD" + std::string(20000, 'y');
    std::string day;
    std::vector<std::string> dayLines(20000 + 10002);
    for (int i = 1; i <= 20000; ++i) {
        day += (dayLines[static_cast<std::size_t>(i - 1)] = Record(i)) + "\r\n";
    }
    const struct {
        std::string bytes;
        std::vector<std::string> lines;
        std::string last; // the last non-empty line, "" for none
        std::size_t mostRead = 1u << 30;
    } cases[] = {
        {"a\r\nb\nc", {"a", "b", "c"}, "c"},
        {"\r\n\n", {"", ""}, ""},
        {"", {}, ""},
        {"x\n\n", {"x", ""}, "x"},
        {"a\rb\r\r\nc\r", {"a\rb\r", "c\r"}, "c\r"},
        {std::string("\xFF\0\n", 3), {std::string("\xFF\0", 2)}, std::string("\xFF\0", 2)},
        {x + "abc\r\nd", {std::string(4096, 'x'), "abc", "d"}, "d"},
        {x + "abc\rd\n", {std::string(4096, 'x'), "abc\rd"}, "abc\rd"},
        {big + "\r\nnext", {big.substr(0, 4096), "next"}, "next"},
        {"a\r\n" + longLine + "\r\n", {"a", longLine.substr(0, 4096)}, longLine.substr(0, 4096)},
        {"a\r\n\x1A\r\nb\x1A\x1A", {"a", "\x1A", "b\x1A\x1A"}, "b\x1A\x1A"},
        {day + "\r\n\n" + std::string(10000, '\n'), dayLines, Record(20000), 16384 + 10002},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 20));
        Put(c.bytes);
        CStdioFile file;
        ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
        const std::uint64_t before = FileBytesRead();
        std::string line = "stale";
        EXPECT_EQ((file.ReadLastLine(line) ? "found " : "none ") + line,
                  (c.last.empty() ? "none " : "found ") + c.last);
        EXPECT_LE(FileBytesRead() - before, c.mostRead);
        std::vector<std::string> forwards, backwards;
        while (file.ReadString(line)) {
            forwards.push_back(line);
        }
        EXPECT_EQ(file.GetError(), 0);
        for (std::int64_t end = file.GetLength(); file.ReadLineBefore(&end, line);) {
            backwards.insert(backwards.begin(), line);
        }
        EXPECT_TRUE(file.GetError() == 0 && forwards == c.lines && backwards == c.lines);
    }
}

// Opening for writing creates a missing file but never empties one that
// another desk created meanwhile, nor cuts the 1A byte a DOS editor leaves at
// the end (the run-time library's text mode would stop reading there, and
// Microsoft's would cut it when opening for writing).
TEST_F(File, OpeningCreatesButNeverEmptiesNorCutsAnEndOfFileByte) {
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kMissing));
    EXPECT_TRUE(file.GetLength() == 0 && file.Close());
    const std::string bytes = Record(1) + "\r\n\x1A";
    for (const UINT flags : {UINT{CFile::modeRead}, kExisting, kMissing}) {
        Put(bytes);
        ASSERT_TRUE(file.Open(m_path.c_str(), flags)) << flags;
        std::string line, last;
        EXPECT_TRUE(file.ReadString(line) && file.ReadString(line) && file.ReadLastLine(last) &&
                    line + last == "\x1A\x1A" && file.Close())
            << flags;
        EXPECT_EQ(test_system::ReadFile(m_path), bytes) << flags;
    }
}

// Opens the file in another process: 0 when refused for the lock, 1 when
// opened, 2 for anything else.
int OpenInChild(const std::string& path) {
    return test_system::Wait(test_system::Start(QUORVEL_OPEN_HELPER, {path}));
}

TEST_F(File, ExclusiveLockAgainstThisProcessAndAnother) {
    auto first = std::make_unique<CStdioFile>();
    ASSERT_TRUE(first->Open(m_path.c_str(), kMissing));
    auto second = std::make_unique<CStdioFile>();
    EXPECT_TRUE(!second->Open(m_path.c_str(), kExisting) && second->GetError() == EWOULDBLOCK);
    EXPECT_EQ(OpenInChild(m_path), 0);
    // Programs that only read are kept out by the system's sharing modes on
    // Windows only.
    CStdioFile reader;
    EXPECT_EQ((std::pair{reader.Open(m_path.c_str(), CFile::modeRead | CFile::shareDenyNone),
                         reader.GetError()}),
              (test_system::kExclusiveKeepsReadersOut ? std::pair{FALSE, EWOULDBLOCK}
                                                      : std::pair{TRUE, 0}));

    EXPECT_EQ((std::vector<int>{first->Close(), OpenInChild(m_path),
                                second->Open(m_path.c_str(), kExisting), OpenInChild(m_path)}),
              (std::vector<int>{TRUE, 1, TRUE, 0}));
    second.reset(); // destroying an open object lets go too
    EXPECT_EQ(OpenInChild(m_path), 1);
    // A close that fails still lets go.
    ASSERT_TRUE(first->Open(m_path.c_str(), kExisting));
    FileFailNext(FILE_OP_CLOSE, EIO);
    EXPECT_TRUE(!first->Close() && first->GetError() == EIO && !first->IsOpen());
    EXPECT_EQ(OpenInChild(m_path), 1);
}

// CR LF on disk; a failed write or flush leaves no trace, and the retry works.
// The file is looked at closed: on Windows nobody reads it while it is open.
TEST_F(File, AppendOrNothing) {
    const struct {
        FileOperation operation;
        int error;
        std::size_t written;
    } cases[] = {
        {FILE_OP_WRITE, ENOSPC, 70}, // disk full halfway
        {FILE_OP_WRITE, EIO, 134},   // all but the last byte
        {FILE_OP_FSYNC, ENOSPC, 0},  // the flush
    };
    const std::string before = Record(1) + "\r\n" + Record(2) + "\r\n";
    const std::string record = Record(3) + "\nx\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        Put(before);
        CStdioFile file;
        ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
        ASSERT_EQ(file.SeekToEnd(), 264);
        FileFailNext(c.operation, c.error, c.written);
        EXPECT_FALSE(file.WriteString(record.c_str()));
        EXPECT_EQ((std::pair{file.GetError(), file.GetLength()}),
                  (std::pair{c.error, std::int64_t{264}}));
        EXPECT_TRUE(file.Close());
        EXPECT_EQ(test_system::ReadFile(m_path), before);
        // Enter pressed again: the same record goes through.
        ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
        EXPECT_TRUE(file.SeekToEnd() == 264 && file.WriteString(record.c_str()) && file.Close());
        EXPECT_EQ(test_system::ReadFile(m_path), before + Record(3) + "\r\nx\r\n");
    }
}

TEST(FileNames, BetweenTheCoresTextAndTheSystemsEncoding) {
    const struct {
        const char* name; // on the system
        const char* text; // in the core
        bool exact;       // both ways without loss
    } cases[] = {
#ifdef _WIN32
        {"C:\\Pr\xE9stamo\xFF\x80", "C:\\Pr\xE9stamo\xFF\x80", true},
#else
        // Every ISO-8859-1 character has a UTF-8 form.
        {"/srv/Pr\xC3\xA9stamo/\x7F\xC2\x80\xC3\x80\xC3\xBF", "/srv/Pr\xE9stamo/\x7F\x80\xC0\xFF",
         true},
        // A name without an ISO-8859-1 form shows a '?' per character or stray byte.
        {"/srv/\xE5\x9B\xBE\xC3\xA9", "/srv/?\xE9", false}, // U+56FE
        {"\xF0\x9F\x93\x9A", "?", false},                   // U+1F4DA
        {"\xC4\x80", "?", false},                           // U+0100
        {"Pr\xE9stamo", "Pr?stamo", false},                 // ISO-8859-1 bytes, not UTF-8
        {"\xC3", "?", false},                               // cut short
        {"\xC0\xA9", "??", false},                          // overlong
#endif
    };
    for (const auto& c : cases) {
        std::string back;
        EXPECT_EQ(FileNameToText(c.name, &back), c.exact ? TRUE : FALSE) << c.name;
        EXPECT_EQ(back, c.text) << c.name;
        EXPECT_TRUE(!c.exact || FileNameFromText(c.text) == c.name) << c.name;
    }
}

} // namespace
