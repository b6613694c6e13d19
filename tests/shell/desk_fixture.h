// The main dialog at a headless desk: a fixed clock in UTC, no barcode models
// left from earlier tests, an installation per run, and the message boxes
// the librarian saw.
#pragma once

#include "installation.h"
#include "list_check.h"

#include "circulation/barcode.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"
#include "tests/circulation/model_list.h"
#include "tests/test_system.h"

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

// 2026-03-02 09:05:03 UTC, a Monday morning.
constexpr std::int64_t kMorning = 1772442303;
constexpr char kToday[] = "20260302";

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

    // Installs settings (null: none) and runs the dialog with session as the
    // librarian. The installation stays until the next Install or the end.
    void Run(const std::string* settings, const headless::Session& session) {
        Install(settings);
        headless::SetSession(session);
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    void Run(const std::string& settings, const headless::Session& session) {
        Run(&settings, session);
    }
    void Install(const std::string* settings) {
        install.reset();
        install = std::make_unique<Installation>(settings != nullptr ? settings->c_str() : nullptr);
    }

    static CQuorvelPDlg& Dlg(headless::Desk& desk) {
        return static_cast<CQuorvelPDlg&>(desk.Dialog());
    }
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
