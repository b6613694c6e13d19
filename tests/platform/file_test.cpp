// Text files: CR LF on disk and lines read back without it, openings that
// never empty a file, the exclusive lock against a second opening in this
// process and in another, the last line read from the tail only, and writes
// that fail (disk full, failed flush) leaving the file exactly as it was.
#include "platform/file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr UINT kExisting = CFile::modeReadWrite | CFile::shareExclusive | CFile::modeNoTruncate;
constexpr UINT kMissing = CFile::modeReadWrite | CFile::shareExclusive | CFile::modeCreate;
static_assert(kExisting == 0x2012 && kMissing == 0x1012);

// A 130-character record with its number at offset 20.
std::string Record(int number) {
    std::string r = "2024-03-02 09:05:03 " + std::to_string(1000000 + number).substr(1) + " ";
    r.resize(129, 'x');
    return r + "P";
}

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "qvfileXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_path = m_dir + "/20240302.qvp";
    }
    void TearDown() override {
        FileClearFailures();
        std::filesystem::remove_all(m_dir);
    }

    void Put(const std::string& bytes) const {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string Bytes() const {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists() const { return std::filesystem::exists(m_path); }

    std::string m_dir;
    std::string m_path;
};

// --- Text mode ----------------------------------------------------------------

using TextMode = FileTest;

TEST_F(TextMode, WriteStringPutsCrLfOnDisk) {
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kMissing));
    EXPECT_TRUE(file.WriteString("abc\n"));
    EXPECT_TRUE(file.WriteString("d\ne\n"));
    EXPECT_TRUE(file.WriteString("no end"));
    EXPECT_TRUE(file.WriteString(nullptr));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Bytes(), "abc\r\nd\r\ne\r\nno end");
}

TEST_F(TextMode, ReadStringRemovesTheLineEnd) {
    const std::string before = std::string(8187, 'x') + "\n";
    const struct {
        const char* description;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"lone_lf", "a\nb\n", {"a", "b"}},
        {"no_final_end", "a\r\nb", {"a", "b"}},
        {"empty_file", "", {}},
        {"empty_lines", "\r\n\n\r\n", {"", "", ""}},
        {"cr_inside_kept", "a\rb\r\n", {"a\rb"}},
        {"cr_at_the_very_end_kept", "a\r", {"a\r"}},
        {"two_crs", "a\r\r\n", {"a\r"}},
        {"nul_and_high_bytes", std::string("\xFF\0z\n", 4), {std::string("\xFF\0z", 3)}},
        // The read block is 8192 bytes: a CR that ends one block and the LF
        // that starts the next are still one line end.
        {"crlf_across_blocks", before + "abc\r\ndef", {std::string(4096, 'x'), "abc", "def"}},
        {"cr_across_blocks", before + "abc\rd\n", {std::string(4096, 'x'), "abc\rd"}},
    };
    for (const auto& c : cases) {
        Put(c.bytes);
        CStdioFile file;
        ASSERT_TRUE(file.Open(m_path.c_str(), kExisting)) << c.description;
        std::vector<std::string> lines;
        std::string line = "stale";
        while (file.ReadString(line)) {
            lines.push_back(line);
        }
        EXPECT_EQ(line, "") << c.description;
        EXPECT_EQ(file.GetError(), 0) << c.description;
        EXPECT_EQ(lines, c.lines) << c.description;
    }
}

TEST_F(TextMode, LongLineIsCutAndTheNextOneFound) {
    Put(std::string("HEAD") + std::string(10 * 1024 * 1024, 'z') + "\r\nnext\r\n");
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
    std::string line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line.size(), CStdioFile::maxLineLength);
    EXPECT_EQ(line.substr(0, 5), "HEADz");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "next");
    EXPECT_FALSE(file.ReadString(line));
}

TEST_F(TextMode, SeeksAccountForWhatWasReadAhead) {
    Put("first\r\nsecond\r\n");
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
    EXPECT_EQ(file.GetLength(), 15);
    std::string line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(file.Seek(0, CFile::current), 7);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "second");
    ASSERT_TRUE(file.SeekToBegin());
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "first");
    EXPECT_EQ(file.SeekToEnd(), 15);
    EXPECT_FALSE(file.ReadString(line));
}

// --- Opening ------------------------------------------------------------------

using Opening = FileTest;

TEST_F(Opening, CreateMakesAMissingFileEmpty) {
    CFileStatus status;
    EXPECT_FALSE(CFile::GetStatus(m_path.c_str(), status));
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kMissing));
    EXPECT_EQ(file.GetLength(), 0);
    EXPECT_TRUE(file.Close());
    ASSERT_TRUE(CFile::GetStatus(m_path.c_str(), status));
    EXPECT_EQ(status.m_size, 0);
}

// Another desk created the file and recorded into it after our existence test.
TEST_F(Opening, CreateNeverEmptiesAFile) {
    Put(Record(1) + "\r\n");
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kMissing));
    EXPECT_EQ(file.GetLength(), 132);
    std::string last;
    ASSERT_TRUE(file.ReadLastLine(last));
    EXPECT_EQ(last, Record(1));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Bytes(), Record(1) + "\r\n");
}

TEST_F(Opening, FailuresLeaveTheObjectClosed) {
    const struct {
        const char* description;
        std::string path;
        UINT flags;
        int error;
    } cases[] = {
        {"existing_only_but_missing", m_path, kExisting, ENOENT},
        {"folder_missing", m_dir + "/nowhere/20240302.qvp", kMissing, ENOENT},
        {"a_folder", m_dir, kExisting, EISDIR},
        {"a_folder_read_only", m_dir, CFile::modeRead, EISDIR},
    };
    for (const auto& c : cases) {
        CStdioFile file;
        EXPECT_FALSE(file.Open(c.path.c_str(), c.flags)) << c.description;
        EXPECT_EQ(file.GetError(), c.error) << c.description;
        EXPECT_FALSE(file.IsOpen()) << c.description;
    }
    EXPECT_FALSE(Exists());
    CStdioFile file;
    EXPECT_FALSE(file.Open(nullptr, kMissing));
    EXPECT_EQ(file.GetError(), EINVAL);
    CFileStatus status;
    status.m_size = 77;
    EXPECT_FALSE(CFile::GetStatus(nullptr, status));
    EXPECT_EQ(status.m_size, 77);
}

TEST_F(Opening, SecondOpenOfOneObjectIsRefused) {
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kMissing));
    EXPECT_FALSE(file.Open(m_path.c_str(), kMissing));
    EXPECT_EQ(file.GetError(), EBUSY);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(file.GetError(), EBADF);
}

// --- The exclusive lock -------------------------------------------------------------

using Lock = FileTest;

// Opens the file in a child process: 0 when the opening was refused because of
// the lock, 1 when it succeeded, 2 for anything else.
int OpenInChild(const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        CStdioFile file;
        if (file.Open(path.c_str(), kExisting)) {
            _exit(file.Close() ? 1 : 2);
        }
        _exit(file.GetError() == EWOULDBLOCK ? 0 : 2);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

TEST_F(Lock, HeldAgainstThisProcessAndAnother) {
    auto first = std::make_unique<CStdioFile>();
    ASSERT_TRUE(first->Open(m_path.c_str(), kMissing));

    auto second = std::make_unique<CStdioFile>();
    EXPECT_FALSE(second->Open(m_path.c_str(), kExisting));
    EXPECT_EQ(second->GetError(), EWOULDBLOCK);
    EXPECT_EQ(OpenInChild(m_path), 0);

    // Other programs can still read the file.
    CStdioFile reader;
    EXPECT_TRUE(reader.Open(m_path.c_str(), CFile::modeRead | CFile::shareDenyNone));
    EXPECT_TRUE(reader.Close());

    EXPECT_TRUE(first->Close());
    EXPECT_EQ(OpenInChild(m_path), 1);
    EXPECT_TRUE(second->Open(m_path.c_str(), kExisting));
    EXPECT_EQ(OpenInChild(m_path), 0);

    // Dropping an open object lets go of the lock too.
    second.reset();
    EXPECT_EQ(OpenInChild(m_path), 1);
}

// --- The last line -------------------------------------------------------------------

using Tail = FileTest;

TEST_F(Tail, LastNonEmptyLine) {
    const std::string longLine = "HEAD" + std::string(20000, 'y');
    std::string manyEnds;
    for (int i = 0; i < 10000; ++i) {
        manyEnds += "\r\n";
    }
    const struct {
        const char* description;
        std::string bytes;
        bool found;
        std::string line;
    } cases[] = {
        {"records", Record(1) + "\r\n" + Record(2) + "\r\n", true, Record(2)},
        {"no_final_end", Record(1) + "\r\n" + Record(2), true, Record(2)},
        {"empty_lines_after", Record(1) + "\r\n" + Record(2) + "\r\n\r\n\n\r\n", true, Record(2)},
        {"many_empty_lines_after", Record(7) + "\r\n" + manyEnds, true, Record(7)},
        {"single_character", "\r\nx\r\n", true, "x"},
        {"line_at_the_start", "x\n\n", true, "x"},
        {"cr_without_lf_kept", "a\r\nb\r", true, "b\r"},
        {"long_line_from_its_start", "a\r\n" + longLine + "\r\n", true,
         longLine.substr(0, CStdioFile::maxLineLength)},
        {"empty_file", "", false, ""},
        {"only_line_ends", "\r\n\n\r\n", false, ""},
        {"single_lf", "\n", false, ""},
    };
    for (const auto& c : cases) {
        Put(c.bytes);
        CStdioFile file;
        ASSERT_TRUE(file.Open(m_path.c_str(), kExisting)) << c.description;
        std::string line = "stale";
        EXPECT_EQ(file.ReadLastLine(line), c.found ? TRUE : FALSE) << c.description;
        EXPECT_EQ(file.GetError(), 0) << c.description;
        EXPECT_EQ(line, c.line) << c.description;
    }
}

TEST_F(Tail, OnlyTheTailIsReadAndThePositionStays) {
    std::string bytes;
    for (int i = 1; i <= 20000; ++i) {
        bytes += Record(i) + "\r\n";
    }
    Put(bytes); // 2.6 MB
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
    const std::uint64_t before = FileBytesRead();
    std::string line;
    ASSERT_TRUE(file.ReadLastLine(line));
    EXPECT_EQ(line, Record(20000));
    EXPECT_LE(FileBytesRead() - before, 16384u);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, Record(1));
}

// --- Failures ------------------------------------------------------------------------

using Failures = FileTest;

TEST_F(Failures, FailedAppendLeavesTheFileAsItWas) {
    const struct {
        const char* description;
        FileOperation operation;
        int error;
        std::size_t written;
    } cases[] = {
        {"disk_full_halfway", FILE_OP_WRITE, ENOSPC, 70},
        {"disk_full_at_once", FILE_OP_WRITE, ENOSPC, 0},
        {"io_error_all_but_lf", FILE_OP_WRITE, EIO, 131},
        {"flush_disk_full", FILE_OP_FSYNC, ENOSPC, 0},
        {"flush_io_error", FILE_OP_FSYNC, EIO, 0},
    };
    const std::string before = Record(1) + "\r\n" + Record(2) + "\r\n";
    for (const auto& c : cases) {
        Put(before);
        CStdioFile file;
        ASSERT_TRUE(file.Open(m_path.c_str(), kExisting)) << c.description;
        ASSERT_EQ(file.SeekToEnd(), 264) << c.description;
        FileFailNext(c.operation, c.error, c.written);
        EXPECT_FALSE(file.WriteString((Record(3) + "\n").c_str())) << c.description;
        EXPECT_EQ(file.GetError(), c.error) << c.description;
        EXPECT_EQ(Bytes(), before) << c.description;
        EXPECT_EQ(file.Seek(0, CFile::current), 264) << c.description;

        // Enter pressed again: the same record goes through.
        EXPECT_TRUE(file.WriteString((Record(3) + "\n").c_str())) << c.description;
        EXPECT_TRUE(file.Close()) << c.description;
        EXPECT_EQ(Bytes(), before + Record(3) + "\r\n") << c.description;
    }
}

TEST_F(Failures, FailedCloseStillClosesAndUnlocks) {
    CStdioFile file;
    ASSERT_TRUE(file.Open(m_path.c_str(), kMissing));
    FileFailNext(FILE_OP_CLOSE, EIO);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(file.GetError(), EIO);
    EXPECT_FALSE(file.IsOpen());
    CStdioFile again;
    EXPECT_TRUE(again.Open(m_path.c_str(), kExisting));
}

TEST_F(Failures, FailedOpenAndReads) {
    CStdioFile file;
    FileFailNext(FILE_OP_OPEN, EACCES);
    EXPECT_FALSE(file.Open(m_path.c_str(), kMissing));
    EXPECT_EQ(file.GetError(), EACCES);
    EXPECT_FALSE(Exists());

    Put(Record(1) + "\r\n");
    ASSERT_TRUE(file.Open(m_path.c_str(), kExisting));
    std::string line = "stale";
    FileFailNext(FILE_OP_READ, EIO);
    EXPECT_FALSE(file.ReadLastLine(line));
    EXPECT_EQ(file.GetError(), EIO);
    EXPECT_EQ(line, "");
    FileFailNext(FILE_OP_READ, EIO);
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_EQ(file.GetError(), EIO);
    // Disarmed after one failure; a cleared seam fails nothing.
    FileFailNext(FILE_OP_WRITE, ENOSPC);
    FileClearFailures();
    EXPECT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, Record(1));
    EXPECT_TRUE(file.WriteString("x\n"));
}

} // namespace
