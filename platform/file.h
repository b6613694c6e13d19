// Text files in the shape of the Microsoft Foundation Classes' CFile and
// CStdioFile, cut down to what the day's transaction file needs: existence
// test, opening with the framework's flags, seeking, length, reading lines
// forwards and backwards, appending text, closing.
//
// Unlike the framework nothing throws: every operation returns its result and
// keeps the system's error number for GetError(). Text mode is done here, the
// same on every system: writing turns each line feed into CR LF, reading
// removes a line's CR LF (or lone LF), and every other byte is content. A 1A
// byte (the DOS end-of-file mark) is an ordinary byte: the files are opened
// in binary mode on Windows too, where the run-time library's text mode would
// end reading at a 1A, and remove one that ends the file when it is opened
// for writing (Microsoft's library does, wine's does not).
//
// Names are texts of the core, in ISO-8859-1; FileNameFromText below turns
// them into the system's names.
//
// Where this layer is stricter than the framework, so that the day's file can
// neither lose records nor be written by two desks at once:
//   - Opening never empties a file: modeCreate creates a missing file but
//     leaves an existing one as it is, with or without modeNoTruncate. Between
//     an existence test and the opening another desk may have created the
//     file and recorded into it.
//   - shareExclusive holds an exclusive, non-blocking lock for as long as the
//     file is open; an opening that cannot get it fails at once. The lock binds
//     every opening through this layer, in this process or another; programs
//     that only read the file are not kept out. On Windows it is the system's
//     own sharing mode, which keeps out every other opening, readers too.
//   - WriteString always appends, in one write, and flushes the file to disk
//     before it reports success; on failure it cuts the file back to its
//     length before the write.
//
// Not thread-safe: one object is used by one thread. The failure seam at the
// end is process-wide.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What CFile::GetStatus tells about a file.
struct CFileStatus {
    std::int64_t m_size = 0;  // bytes
    std::int64_t m_mtime = 0; // last change, seconds since 1970-01-01 00:00:00 UTC
};

class CFile {
public:
    // Opening flags, with the framework's values: one access mode, one
    // sharing mode, then any of the others.
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        shareExclusive = 0x0010,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    // Closes the file when it is open; a failure of that closing goes unseen.
    virtual ~CFile();

    // TRUE when something exists under that name (a folder too), with *status
    // filled in; FALSE, leaving *status untouched, when nothing does or it
    // cannot be looked at. A null name is a name that does not exist.
    static BOOL GetStatus(const char* fileName, CFileStatus& status);

    // Opens fileName with openFlags (see OpenFlags): modeRead, modeWrite or
    // modeReadWrite; modeCreate creates the file when it is missing and never
    // empties it, and without modeCreate a missing file fails (ENOENT);
    // modeNoTruncate changes nothing; any sharing bit but shareDenyNone (0x10,
    // 0x20 or 0x30) takes the exclusive lock, and EWOULDBLOCK is the error
    // when another opening holds it. The position is at the start.
    // FALSE, with GetError() set and the object still closed, when the name
    // is null, the object is already open (EBUSY, the open file untouched),
    // the system refuses or the lock is taken.
    virtual BOOL Open(const char* fileName, UINT openFlags);

    // Closes the file and gives up its lock. FALSE, with GetError() set, when
    // it was not open (EBADF) or the system reports a failure (written data
    // may then be lost); the object is closed afterwards either way.
    virtual BOOL Close();

    BOOL IsOpen() const { return m_fd >= 0; }

    // The file's size in bytes; -1 when it is not open or cannot be asked.
    std::int64_t GetLength() const;

    // Moves the position to offset bytes from the start (SEEK_SET) or from the
    // end (SEEK_END) and returns it, or -1 (GetError() set) on failure.
    std::int64_t Seek(std::int64_t offset, int from) { return SeekTo(offset, from); }
    // Moves the position to the start: FALSE (GetError() set) on failure.
    BOOL SeekToBegin();
    // Moves the position to the end and returns it (the file's length), or -1
    // (GetError() set) on failure.
    std::int64_t SeekToEnd();

    // The position, in bytes from the start, from which ReadString goes on;
    // -1 (GetError() set) when the file is not open or the system cannot say.
    std::int64_t GetPosition();

    // The system's error number of the last operation that failed on this
    // object; 0 after a successful one and after ReadString at the end of the
    // file. GetLength does not change it.
    int GetError() const { return m_error; }

protected:
    // Moves the system's position to offset from whence (SEEK_SET, SEEK_END),
    // dropping what was read ahead; -1 on failure.
    std::int64_t SeekTo(std::int64_t offset, int whence);
    BOOL Fail(int error);
    BOOL Succeed();

    int m_fd = -1;
    int m_error = 0;

    // Read-ahead of ReadString: bytes [m_aheadPos, m_aheadLen) of m_ahead
    // are the next ones of the file.
    static constexpr std::size_t readBlock = 8192;
    std::size_t m_aheadPos = 0;
    std::size_t m_aheadLen = 0;
    char m_ahead[readBlock];
    // The block that ReadLineBefore read last: the file's bytes
    // [m_behindStart, m_behindEnd); empty after anything that may change them.
    std::int64_t m_behindStart = 0;
    std::int64_t m_behindEnd = 0;
    char m_behind[readBlock];
};

class CStdioFile : public CFile {
public:
    // Longest part of one line that ReadString and ReadLastLine keep (a record
    // is 130 characters); the rest of a longer line is passed over.
    static constexpr std::size_t maxLineLength = 4096;

    // Reads the line at the position into line, without its line end, and
    // moves past it: the first maxLineLength bytes of the line are kept, the
    // rest is read and dropped. A last line without a line end is a line; a
    // CR is removed only right before an LF. Memory stays bounded by
    // maxLineLength whatever the line's length.
    // TRUE when a line (perhaps empty) was read. FALSE with line empty at the
    // end of the file (GetError() 0) or on a read failure (GetError() set,
    // the position back at the start of the line that could not be read).
    BOOL ReadString(std::string& line);

    // Reads backwards: the line that ends at offset *end, as ReadString would
    // read it, into line, and sets *end to the offset where that line starts,
    // so that calls from GetLength() on give the file's lines last to first.
    // The line ends with the line feed at *end - 1, or without one (the last
    // line, or a line cut at *end) when that byte is something else. Its
    // bytes are read in blocks of 8 KiB from its end back to its start (a long
    // line is scanned whole to find its start; its first maxLineLength bytes
    // are kept), and the block last read is kept for the next call: walking
    // back over short lines costs one read per block. The position does not
    // move.
    // TRUE when a line (perhaps empty) was read. FALSE with line empty and
    // *end unchanged when *end is 0 or less (GetError() 0) or on a read
    // failure (GetError() set; an *end beyond the file is one, EIO).
    BOOL ReadLineBefore(std::int64_t* end, std::string& line);

    // The file's last non-empty line, as ReadString would read it, into line:
    // ReadLineBefore from the end, so the cost depends on the length of the
    // last line and the empty lines after it, not on the rest of the file.
    // The position does not move. FALSE, with line empty, when the file has
    // no non-empty line (GetError() 0) or on a read failure.
    BOOL ReadLastLine(std::string& line);

    // Appends text at the end of the file, each line feed written as CR LF,
    // in one write, then flushes the file to the disk; the position is at the
    // end afterwards. TRUE only when every byte was written and flushed. On
    // failure (a short write counts as ENOSPC) the file is cut back to its
    // length before the call and the position put there, and FALSE returned
    // with GetError() set. A null text is the empty text.
    BOOL WriteString(const char* text);

private:
    // Makes the block of ReadLineBefore hold the byte at offset `at`, reading
    // the 8 KiB that end right after it when it does not; false (GetError()
    // set) when they cannot all be read.
    bool LoadBehind(std::int64_t at);
};

// File names. The file system names files in its own encoding: UTF-8 on
// POSIX systems (as Debian and Qt take it, whatever the locale), the ANSI
// code page on Windows, whose ANSI calls take the core's bytes unchanged.
//
// The system's name for a text of the core: on POSIX its UTF-8 form, which
// every ISO-8859-1 text has (nothing is lost, so no name ever opens another
// file); on Windows the text itself. CFile::Open and CFile::GetStatus take
// their names as texts and go through this.
std::string FileNameFromText(std::string_view text);
// The core's text for a name in the system's encoding (QUORVPATH, a command
// line argument), to show it. TRUE when every character has an ISO-8859-1
// form. FALSE when one has none (on POSIX: a character above U+00FF, or
// bytes that are not UTF-8); each such character or byte is then a '?' in
// *text, which may be shown but never opened: it names another file.
BOOL FileNameToText(std::string_view name, std::string* text);

// Test seam: makes a call of one system operation made by this layer fail
// with error (an errno value such as ENOSPC or EIO), once, and counts what is
// read. Nothing in the program calls it.
enum FileOperation {
    FILE_OP_OPEN = 0,  // opening fails before the file is touched
    FILE_OP_READ = 1,  // reading a block, forwards or backwards
    FILE_OP_WRITE = 2, // the first `written` bytes handed to the system's write
                       // reach the file (CRs included), then it fails
    FILE_OP_FSYNC = 3, // the flush to disk fails
    FILE_OP_CLOSE = 4, // the file is closed, then a failure is reported
    FILE_OP_COUNT = 5
};
// The call that fails is the next one after `after` calls of that operation
// have gone through. error 0 disarms the operation. An operation outside
// 0..FILE_OP_COUNT-1 is ignored.
void FileFailNext(FileOperation operation, int error, std::size_t written = 0, unsigned after = 0);
// Disarms every operation.
void FileClearFailures();
// Bytes that this layer's reads have brought in since the process started:
// lets a test see how much of a file an operation looked at.
std::uint64_t FileBytesRead();
