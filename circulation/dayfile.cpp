// The transaction record, the day file's name and the list row, as text.
// Writing, reading and locking the file are left to the caller.
#include "circulation/dayfile.h"

#include <climits>
#include <cstdio>

namespace {

// strftime is only given times whose fields are in range; the conversion of a
// failed clock reading fills them with -1.
bool InRange(const std::tm& t) {
    return t.tm_sec >= 0 && t.tm_sec <= 60 && t.tm_min >= 0 && t.tm_min <= 59 && t.tm_hour >= 0 &&
           t.tm_hour <= 23 && t.tm_mday >= 1 && t.tm_mday <= 31 && t.tm_mon >= 0 &&
           t.tm_mon <= 11 && t.tm_year >= -1900 && t.tm_year <= INT_MAX - 1900;
}

// The time formatted with format, or the empty text when it is out of range.
std::string FormatTime(const std::tm& t, const char* format) {
    if (!InRange(t)) {
        return std::string();
    }
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &t);
    return std::string(buffer, n);
}

// The operation number with at least `digits` digits, through a format built
// the same way, "%.6d" for six.
std::string FormatNumber(std::int32_t number, int digits) {
    char format[16];
    std::snprintf(format, sizeof format, "%%.%dd", digits);
    char buffer[32];
    const int n = std::snprintf(buffer, sizeof buffer, format, static_cast<int>(number));
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

char ModeLetter(OperationMode mode) {
    switch (mode) {
    case OPERATION_LOAN:
        return 'P';
    case OPERATION_RETURN:
        return 'D';
    default:
        return 'T';
    }
}

// text.substr that yields what there is instead of throwing.
std::string_view Part(std::string_view text, std::size_t offset, std::size_t length) {
    if (offset >= text.size()) {
        return std::string_view();
    }
    return text.substr(offset, length);
}

// A barcode field as it goes into the record: a line end or a NUL inside it
// would split the record or cut it short on disk, so each becomes a space.
std::string Field(std::string_view text) {
    std::string field = PadRight(text, RECORD_BARCODE_LENGTH);
    for (char& c : field) {
        if (c == '\r' || c == '\n' || c == '\0') {
            c = ' ';
        }
    }
    return field;
}

} // namespace

std::string PadRight(std::string_view text, int n) {
    if (n <= 0) {
        return std::string();
    }
    const auto size = static_cast<std::size_t>(n);
    std::string padded(text.substr(0, size));
    padded.resize(size, ' ');
    return padded;
}

bool IsAllDigits(std::string_view text) {
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string BuildRecord(const std::tm& when, std::int32_t sequence, std::string_view patron,
                        std::string_view item, OperationMode mode) {
    std::string record;
    record.reserve(RECORD_LENGTH);
    record += PadRight(FormatTime(when, "%Y-%m-%d"), 10);
    record += ' ';
    record += PadRight(FormatTime(when, "%H:%M:%S"), 8);
    record += ' ';
    record += PadRight(FormatNumber(sequence, 6), 6);
    record += ' ';
    record += Field(ModeNeedsPatron(mode) ? patron : std::string_view());
    record += ' ';
    record += Field(item);
    record += ' ';
    record += ModeLetter(mode);
    return record;
}

std::string DayFileName(const std::tm& local) {
    return FormatTime(local, "%Y%m%d");
}

std::string DayFilePath(std::string_view workArea, const std::tm& local) {
    const std::string name = DayFileName(local);
    // Without a work area the day's file would land at the top of the drive,
    // where nobody looks for it.
    if (name.empty() || workArea.empty()) {
        return std::string();
    }
    std::string path(workArea);
    path += '/';
    path += name;
    path += ".qvp";
    return path;
}

bool IsWholeRecord(std::string_view line) {
    const std::string_view number = Part(line, RecordColumns[2].offset, RecordColumns[2].length);
    return number.size() == static_cast<std::size_t>(RecordColumns[2].length) &&
           IsAllDigits(number);
}

std::int32_t SequenceFromRecord(std::string_view line) {
    if (!IsWholeRecord(line)) {
        return 0;
    }
    const std::string_view number = Part(line, RecordColumns[2].offset, RecordColumns[2].length);
    std::int32_t value = 0;
    for (const char c : number) {
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string RecordDisplayText(std::string_view record) {
    const std::string_view date = record.substr(0, 10);
    const std::size_t first = date.find('-');
    const std::size_t last = date.rfind('-');
    std::string_view year = date;
    std::string_view month;
    std::string_view day;
    if (first != std::string_view::npos) {
        year = date.substr(0, first);
        day = date.substr(last + 1);
        if (last > first) {
            month = date.substr(first + 1, last - first - 1);
        }
    }
    std::string text;
    text.reserve(record.size());
    text.append(day).append("/").append(month).append("/").append(year);
    if (record.size() > 11) {
        text.append(record.substr(10, record.size() - 11));
    }
    return text;
}

RecordRow MakeRecordRow(std::string_view record) {
    RecordRow row;
    const std::string display = RecordDisplayText(record);
    for (int i = 0; i < RECORD_COLUMN_COUNT - 1; ++i) {
        row.cells[i] = std::string(Part(display, static_cast<std::size_t>(RecordColumns[i].offset),
                                        static_cast<std::size_t>(RecordColumns[i].length)));
    }
    const char letter = record.empty() ? '\0' : record.back();
    row.mode = letter == 'P'   ? OPERATION_LOAN
               : letter == 'D' ? OPERATION_RETURN
                               : OPERATION_REQUEST;
    return row;
}
