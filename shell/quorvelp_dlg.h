// The client's only window: the lending desk's main dialog.
//
// The dialog owns the parsed settings file for its whole life and takes every
// text it shows from it; it switches between loan, return and request, runs
// the clock, routes Enter to the entry of one operation and Escape to
// clearing it, and keeps the day's transaction file, which is open only while
// one operation is recorded or while the day is loaded at start-up.
//
// The record and file-name formats, the entry rules and the text-file layer
// are circulation/dayfile.h, circulation/entry.h and platform/file.h; the
// settings lookups and the clock texts are shell/settings.h and
// shell/clock_text.h. What is left here is applying them to the controls.
#pragma once

#include "Qvxml/xmldoc.h"
#include "circulation/operation.h"
#include "platform/file.h"
#include "platform/window.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// The clock timer and its period in milliseconds.
constexpr UINT_PTR kClockTimerId = 20000;
constexpr UINT kClockPeriod = 1000;

// Longest barcode each edit takes.
constexpr int kBarcodeMaxChars = 50;

// The most of the day's file that one operation reads to show the records
// other desks added since this desk last looked: 1 MiB, about 7,900 records.
// When they added more, the newest that fit are shown (a line cut by the
// bound is left out); the others are in the file, and in the list from the
// next start-up on.
constexpr std::int64_t kUnseenWindow = std::int64_t{1} << 20;

class CQuorvelPDlg : public CDialog {
public:
    // Loads the settings file (telling the user when it cannot) and, when it
    // was loaded, the barcode models, the file object, the brushes and the
    // icon. The dialog opens either way; without settings it closes itself.
    explicit CQuorvelPDlg(CWnd* parent = nullptr);
    // Closes the day's file if it is open, deletes the file object, then
    // frees the settings document; no text pointer is used after that.
    ~CQuorvelPDlg() override;

    // Controls, bound by DoDataExchange.
    CButton m_radioReturn;
    CButton m_radioRequest;
    CButton m_radioLoan;
    CButton m_groupDateTime;
    CStatic m_labelPatron;
    CStatic m_labelItem;
    CListCtrl m_listOperations;
    CStatic m_staticTime;
    CStatic m_staticDate;
    CButton m_groupOperation;
    CEdit m_editPatron;
    CEdit m_editItem;

    // Exchanged once, towards the edits, at initialisation: both start empty.
    std::string m_itemText;
    std::string m_patronText;
    // The parsed settings file, owned; null when it could not be loaded.
    XmlDoc* m_settings = nullptr;
    // The catalogue of the configured language, inside m_settings; null when
    // none matches (every text is then empty).
    XmlNode* m_messages = nullptr;
    // Non-zero when at least one barcode model is configured; with none,
    // every non-empty entry is accepted untested.
    std::int32_t m_hasBarcodeModels = 0;
    OperationMode m_mode = OPERATION_LOAN;
    // Non-zero while the day's file is open.
    std::int32_t m_fileOpen = 0;
    // The day's file path as last built, and the local time it was built
    // from: the one clock reading of an operation, which dates its record.
    std::string m_dayFilePath;
    std::tm m_dayFileTime{};
    // The day's file, owned; null until construction creates it (and when
    // it could not be created: every opening then fails).
    CStdioFile* m_file = nullptr;
    // Number of the day's last operation.
    std::int32_t m_sequence = 0;
    // The running clock timer, 0 when none runs.
    UINT_PTR m_timerId = 0;
    std::string m_installPath;
    // Shown with the warning icon before the greeting; empty for a sound file.
    std::string m_settingsWarning;
    // Folder of the day's files, from the settings file, used as written.
    std::string m_workArea;
    // The three mode pictures of the list: 0 loan, 1 return, 2 request.
    CImageList m_imageList;
    // Texts "op1", "op2", "op3", "mes3", "mes4", borrowed from m_settings;
    // null until initialisation, never null after it.
    const char* m_textLoan = nullptr;
    const char* m_textReturn = nullptr;
    const char* m_textRequest = nullptr;
    const char* m_textMissing = nullptr;
    const char* m_textInvalid = nullptr;
    // The dialog surface in each mode.
    CBrush m_brushLoan;
    CBrush m_brushReturn;
    CBrush m_brushRequest;
    HICON m_hIcon = nullptr;

    // 0 when the settings document was loaded into m_settings, with
    // m_settingsWarning set for a file taken only in part or without a work
    // area (SettingsWarningText); -1, after a message with the error icon,
    // when it was not: "File not found\n<path>" for a file that cannot be
    // opened (or a path that does not fit the 512-byte path buffer, which is
    // not opened), SettingsUnreadableText for one that cannot be read. Sets
    // m_installPath.
    int LoadSettings();
    // m_installPath, the separator, name, the separator.
    std::string GetInstallSubdir(const char* name) const;
    // The text under key in the chosen catalogue, or null.
    const char* GetMessageText(const char* key) const;

    // Applies m_mode: the operation group box's text, the patron edit
    // enabled or not, the surface repainted in the mode's colour. Neither
    // the edits nor the focus change.
    void UpdateModeControls();
    // Writes the current local date and time into the clock statics.
    void UpdateClock();
    // Columns, labels, the image list and the column widths of the list.
    void InitOperationList();
    // Empties both edits and focuses the first one the mode takes input in.
    void ClearEntry();
    void OnModeLoan();
    void OnModeReturn();
    void OnModeRequest();

    // 1 when today's file is open afterwards (already open: nothing is done);
    // 0, after showing "mes2" with the warning icon, when it could not be
    // opened or its last record could not be read. Reads the clock once, into
    // m_dayFileTime, for the file's name and the record's date alike.
    int OpenDayFile();
    // m_sequence from the open file's last whole record (see IsWholeRecord),
    // the nearest one reading backwards from the end: damaged lines after it
    // are passed over, and only they and that record are read. 0 when the
    // file has none or is too short to hold one; a read failure leaves the
    // file's error set.
    void RestoreSequence();
    // The 130-character record of the operation in the edits, numbered
    // m_sequence, dated m_dayFileTime.
    std::string FormatRecord() const;
    // Inserts the record as the list's new top row.
    void ShowRecord(const std::string& record);
    // Shows today's earlier operations, the file's last at the top. When the
    // file cannot be opened the list stays empty. When reading fails half
    // way, the rows read stay and "mes2" is shown once; the rest is shown at
    // the next operation.
    void LoadDayOperations();
    // The ENTRY_ code of the edits' texts in the current mode; changes nothing.
    int ValidateEntry();
    // One Enter: refuses the entry with its message and puts the cursor where
    // the fix is needed, moves on to the item, or records the operation.
    void ProcessEntry();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // The message map.
    void OnPaint() override;
    HCURSOR OnQueryDragIcon() override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;
    HBRUSH OnCtlColor(CDC* dc, CWnd* window, UINT ctlColor) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

private:
    // The message box of a refused entry, then edit focused, all selected.
    void RefuseEntry(const char* text, CEdit& edit);
    // "mes2" with the warning icon.
    void ShowFileMessage();

    // Into *lines, in file order, the non-empty lines of the open day's file
    // from where this desk last looked to `length` (the last kUnseenWindow
    // bytes of them at most); false on a read failure.
    bool ReadUnseen(std::int64_t length, std::vector<std::string>* lines);
    // How far this desk has looked into the day's file at path: the length
    // up to which the list shows it; 0 for a file it has not looked at.
    std::int64_t SeenLength(const std::string& path) const;
    void SetSeenLength(const std::string& path, std::int64_t length);

    // The day files this desk has looked at, the latest last: a few, so that
    // a clock moved back and forth over midnight shows nothing twice.
    struct SeenDayFile {
        std::string path;
        std::int64_t length;
    };
    std::vector<SeenDayFile> m_seenDayFiles;
};
