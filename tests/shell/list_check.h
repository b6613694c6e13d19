// Whether a desk's list shows a day's file: one row per non-empty line, the
// file's last line at the top, each row as the list row format makes it of
// its line. For the shell's tests and the desk helper programs alike.
#pragma once

#include "circulation/dayfile.h"
#include "platform/file.h"
#include "platform/headless/headless.h"

#include <string>
#include <vector>

// The non-empty lines of a day's file as a reader of the format sees them:
// split at LF, the CR right before an LF removed, a last line without LF
// kept, each cut to the longest line the file layer keeps.
inline std::vector<std::string> NonEmptyLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < bytes.size();) {
        std::size_t lf = bytes.find('\n', from);
        const bool ended = lf != std::string::npos;
        lf = ended ? lf : bytes.size();
        const std::size_t end = ended && lf > from && bytes[lf - 1] == '\r' ? lf - 1 : lf;
        if (end > from) {
            lines.push_back(bytes.substr(from, std::min(end - from, CStdioFile::maxLineLength)));
        }
        from = lf + 1;
    }
    return lines;
}

// The empty text when rows show exactly the file of these bytes; else what
// differs first.
inline std::string ListDiffersFromFile(const headless::RowList& rows, const std::string& bytes) {
    const std::vector<std::string> lines = NonEmptyLines(bytes);
    if (rows.size() != lines.size()) {
        return std::to_string(rows.size()) + " rows for " + std::to_string(lines.size()) + " lines";
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& line = lines[lines.size() - 1 - i];
        const RecordRow made = MakeRecordRow(line);
        const headless::Row row = rows[i];
        bool same = row.image == made.mode;
        for (int col = 0; col < RECORD_COLUMN_COUNT - 1; ++col) {
            // A cell goes to the window as a C string: it ends at a NUL.
            same = same && row.cells[col] == made.cells[col].c_str();
        }
        if (!same) {
            return "row " + std::to_string(i) + " is not the line \"" + line + "\"";
        }
    }
    return std::string();
}
