// The day's transaction file as text: the fixed-width record of one operation,
// the file's name and path, the operation number read back from the last
// record, and the row that the operations list shows for a record.
//
// Pure functions over 8-bit text: no file, window or clock is touched here.
// The caller reads the clock once and hands the broken-down local time in;
// opening, reading and writing the file is the caller's (platform/file.h).
//
// Record layout, 130 characters (132 on disk with CR LF), fields separated by
// one space:
//   offset   0, 10  date "%Y-%m-%d"
//   offset  11,  8  time "%H:%M:%S"
//   offset  20,  6  operation number, six digits with leading zeros
//   offset  27, 50  patron barcode as typed, cut or padded with spaces
//   offset  78, 50  item barcode as typed, cut or padded with spaces
//   offset 129,  1  mode letter: P loan, D return, T request
#pragma once

#include "circulation/operation.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

constexpr int RECORD_LENGTH = 130;
constexpr int RECORD_BARCODE_LENGTH = 50;
// Files this short cannot hold a record: numbering starts again.
constexpr std::int64_t RECORD_FILE_EMPTY_LENGTH = 50;

// One text column of the operations list over a record.
struct RecordColumn {
    int offset;
    int length;
};

constexpr int RECORD_COLUMN_COUNT = 6;
// Date, time, operation number, patron, item, mode letter. The list's sixth
// column shows the mode's caption instead of the letter.
inline constexpr RecordColumn RecordColumns[RECORD_COLUMN_COUNT] = {
    {0, 10}, {11, 8}, {20, 6}, {27, 50}, {78, 50}, {129, 1},
};

// The first n characters of text, padded with spaces to exactly n. n <= 0
// gives the empty text.
std::string PadRight(std::string_view text, int n);

// True when every character is '0' to '9'; true for the empty text.
bool IsAllDigits(std::string_view text);

// The 130-character record of one operation.
//   when      the local time of the operation, from one clock reading; with a
//             field out of its range (a failed conversion fills them with -1)
//             the date and time fields are spaces
//   sequence  the operation number, "%.6d": a number above 999999 keeps its
//             first six digits, a negative one its sign and first five
//   patron    as typed; used only when ModeNeedsPatron(mode), else 50 spaces
//   item      as typed
//   mode      P for OPERATION_LOAN, D for OPERATION_RETURN, T for any other
// A CR, LF or NUL within the barcode fields becomes a space, so that the
// record stays one whole line on disk whatever an edit was made to hold.
std::string BuildRecord(const std::tm& when, std::int32_t sequence, std::string_view patron,
                        std::string_view item, OperationMode mode);

// The day file's name, the local date as "%Y%m%d" (eight digits), and its
// path "%s/%s.qvp": the work area exactly as written, a slash, the name and
// the extension. Both are empty when the date is out of range (see
// BuildRecord), and the path is empty for an empty work area, so that no
// file is opened.
std::string DayFileName(const std::tm& local);
std::string DayFilePath(std::string_view workArea, const std::tm& local);

// True when a line of a day's file is a whole record as far as numbering
// goes: it holds six characters at offset 20, the operation number, and they
// are all digits. A line cut before its number, a line of junk or a 1A byte
// left by an old editor is not one.
bool IsWholeRecord(std::string_view line);

// The operation number of a whole record: the six characters at offset 20 as
// a decimal number; 0 for a line that is not a whole record. The day's last
// number is that of its last whole record (the nearest, reading backwards
// from the end, so that a torn or damaged last line never restarts the
// numbering); whether there is one, and whether the file is longer than
// RECORD_FILE_EMPTY_LENGTH, is the caller's test; without one it is 0 too.
std::int32_t SequenceFromRecord(std::string_view line);

// The record as the list shows it: the date in its first ten characters
// turned into day "/" month "/" year, then the record from offset 10 up to but
// not including its last character. Within those ten characters the year is
// what stands before the first "-" (all of them when there is none), the month
// what stands between the first and the last "-" (empty unless there are two),
// the day what stands after the last "-" (empty when there is none): "5-3"
// shows as "3//5", "2024" as "//2024". A well-formed record's fields keep
// their offsets; a record of eleven characters or fewer has no tail.
std::string RecordDisplayText(std::string_view record);

// What one list row shows for a record.
struct RecordRow {
    // Columns 0 to 4: the display text's substrings at the first five
    // RecordColumns, trailing spaces kept, cut short (or empty) where the
    // display text ends early.
    std::string cells[RECORD_COLUMN_COUNT - 1];
    // From the record's last character: OPERATION_LOAN for "P" (picture 0, the
    // loan caption), OPERATION_RETURN for "D" (picture 1, the return caption),
    // OPERATION_REQUEST for anything else, the empty record included (picture
    // 2, the request caption).
    OperationMode mode;
};

RecordRow MakeRecordRow(std::string_view record);
