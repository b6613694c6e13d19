// The main dialog at a headless desk: a fixed clock in UTC, no barcode models
// left from earlier tests, an installation per run, the message boxes the
// librarian saw, and whether the desk's list shows a day's file.
#pragma once

#include "installation.h"

#include "circulation/dayfile.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"
#include "tests/circulation/model_list.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

constexpr std::int64_t kMorning = 1772442303; // 2026-03-02 09:05:03 UTC, a Monday
constexpr char kToday[] = "20260302";

// The non-empty lines of a day's file as a reader of the format sees them:
// split at LF, the CR right before an LF removed, a last line without LF
// kept, each cut to the longest line the file layer keeps.
inline std::vector<std::string> NonEmptyLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t from = 0; from < bytes.size();) {
        const std::size_t lf = std::min(bytes.find('\n', from), bytes.size());
        const std::size_t end =
            lf < bytes.size() && lf > from && bytes[lf - 1] == '\r' ? lf - 1 : lf;
        if (end > from) {
            lines.push_back(bytes.substr(from, std::min(end - from, CStdioFile::maxLineLength)));
        }
        from = lf + 1;
    }
    return lines;
}

// Empty when the rows show the file of these bytes, its last line on top;
// else the first row that differs.
inline std::string ListDiffersFromFile(const headless::RowList& rows, const std::string& bytes) {
    const std::vector<std::string> lines = NonEmptyLines(bytes);
    for (std::size_t i = 0; i < std::max(rows.size(), lines.size()); ++i) {
        const std::string line = i < lines.size() ? lines[lines.size() - 1 - i] : "";
        const RecordRow made = MakeRecordRow(line);
        bool same = i < rows.size() && i < lines.size() && rows[i].image == made.mode;
        for (int col = 0; same && col < RECORD_COLUMN_COUNT - 1; ++col) {
            same = rows[i].cells[col] == made.cells[col].c_str(); // the window's cell ends at a NUL
        }
        if (!same) {
            return std::to_string(rows.size()) + " rows, row " + std::to_string(i) + " not \"" +
                   line + "\"";
        }
    }
    return "";
}

// Scans each text with the rhythm of a scanner that ends a scan with Enter.
inline void Scan(headless::Desk& desk, std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) {
        desk.Type(text);
        desk.Press(VK_RETURN);
    }
}

class DeskTest : public ::testing::Test {
protected:
    void SetUp() override {
        test_system::UseUtc();
        headless::Reset();
        StartEmptyList();
        FileClearFailures();
        ClockSetFixedTime(kMorning);
    }
    void TearDown() override {
        ClockUseSystemTime();
        FileClearFailures();
        headless::Reset();
    }

    // Installs settings and runs the dialog with session as the librarian.
    // The installation stays until the next Install or the end.
    void Run(const std::string& settings, const headless::Session& session) {
        Install(&settings);
        headless::SetSession(session);
        CQuorvelPDlg().DoModal();
    }
    void Install(const std::string* settings) {
        install.reset();
        install = std::make_unique<Installation>(settings ? settings->c_str() : nullptr);
    }
    static CQuorvelPDlg& Dlg(headless::Desk& d) { return static_cast<CQuorvelPDlg&>(d.Dialog()); }
    // Texts of the message boxes shown so far, the greeting left out.
    static std::vector<std::string> Shown() {
        std::vector<std::string> texts;
        for (const auto& box : headless::MessageBoxes()) {
            if (box.type != (MB_ICONINFORMATION | MB_OK)) {
                texts.push_back(box.text);
            }
        }
        return texts;
    }
    std::string Day(const char* date = kToday) const { return ReadFile(install->DayFile(date)); }

    std::unique_ptr<Installation> install;
};
