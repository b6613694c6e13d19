// The main dialog: its life from the settings file to the last operation,
// the modes, the clock, the key routing and the day's transaction file as
// the dialog uses it.
#include "shell/quorvelp_dlg.h"

#include "Qvxml/xmlparser.h"
#include "circulation/barcode_settings.h"
#include "circulation/dayfile.h"
#include "circulation/entry.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "res/resource.h"
#include "shell/clock_text.h"
#include "shell/modes.h"
#include "shell/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

// The list's columns: titles "col1" to "col6", widths in pixels.
constexpr int kColumnCount = 6;
constexpr int kColumnWidths[kColumnCount] = {100, 100, 130, 130, 130, 100};
// The columns whose titles also label the patron and item edits.
constexpr int kPatronColumn = 4;
constexpr int kItemColumn = 5;

// Width of one picture in the mode strip, and its transparent colour.
constexpr int kModePictureWidth = 16;
constexpr COLORREF kModePictureMask = RGB(192, 192, 192);

// The message map's commands, in its order.
struct CommandEntry {
    int id;
    UINT code;
    void (CQuorvelPDlg::*handler)();
};
constexpr CommandEntry kCommands[] = {
    {IDC_RADIO_RETURN, BN_CLICKED, &CQuorvelPDlg::OnModeReturn},
    {IDC_RADIO_REQUEST, BN_CLICKED, &CQuorvelPDlg::OnModeRequest},
    {IDC_RADIO_LOAN, BN_CLICKED, &CQuorvelPDlg::OnModeLoan},
};

// How many day files a desk remembers having looked at.
constexpr std::size_t kSeenDayFiles = 4;

// The local time of now; null when it cannot be converted.
const std::tm* LocalTime(std::int64_t now, std::tm* local) {
    return ClockLocalTime(local, &now) == 0 ? local : nullptr;
}

// False when the open file's last byte is there and is not a line feed: a
// record cut short by a crash, or a last line that an editor saved without its
// line end. The next record must not be glued onto it. A file that cannot be
// read here counts as ended; its write will tell.
bool EndsWithLineEnd(CStdioFile& file) {
    const std::int64_t length = file.GetLength();
    std::string last;
    return length <= 0 || file.Seek(length - 1, SEEK_SET) != length - 1 || !file.ReadString(last) ||
           last.empty();
}

} // namespace

CQuorvelPDlg::CQuorvelPDlg(CWnd* parent) : CDialog(IDD_QUORVELP_DIALOG, parent) {
    if (LoadSettings() != 0) {
        return;
    }
    m_hasBarcodeModels = LoadBarcodeModels(m_settings);
    m_mode = OPERATION_LOAN;
    m_fileOpen = 0;
    // Without a file object every opening fails with "mes2", so a desk short
    // of memory says so at the first operation instead of ending.
    m_file = new (std::nothrow) CStdioFile;
    m_brushLoan.CreateSolidBrush(kModeColours[MODE_LOOK_LOAN]);
    m_brushReturn.CreateSolidBrush(kModeColours[MODE_LOOK_RETURN]);
    m_brushRequest.CreateSolidBrush(kModeColours[MODE_LOOK_REQUEST]);
    if (CWinApp* app = AfxGetApp()) {
        m_hIcon = app->LoadIcon(IDR_MAINFRAME);
    }
}

CQuorvelPDlg::~CQuorvelPDlg() {
    if (m_file != nullptr) {
        if (m_fileOpen != 0) {
            m_file->Close();
            m_fileOpen = 0;
        }
        delete m_file;
        m_file = nullptr;
    }
    if (m_settings != nullptr) {
        XmlFreeDoc(m_settings);
        m_settings = nullptr;
    }
}

int CQuorvelPDlg::LoadSettings() {
    m_installPath = kDefaultInstallFolder;
    if (const char* folder = std::getenv("QUORVPATH")) {
        m_installPath = folder;
    }
    std::string path;
    XmlParseReport report;
    XmlReportInit(&report);
    report.outcome = XML_OUTCOME_UNOPENED;
    if (SettingsFilePath(GetInstallSubdir("Admin"), &path)) {
        m_settings = XmlParserFileReport(path.c_str(), &report);
    }
    std::string shown; // the path as the system spells it, in the core's text
    FileNameToText(path, &shown);
    if (m_settings != nullptr) {
        m_settingsWarning = SettingsWarningText(shown, m_settings, report);
        return 0;
    }
    // A file that is there but cannot be read must not send anyone looking
    // for a missing one.
    const std::string text = report.outcome == XML_OUTCOME_UNOPENED
                                 ? SettingsMissingText(shown)
                                 : SettingsUnreadableText(shown, report);
    AfxMessageBox(text.c_str(), MB_ICONHAND | MB_OK);
    return -1;
}

std::string CQuorvelPDlg::GetInstallSubdir(const char* name) const {
    return InstallSubdir(m_installPath, name);
}

const char* CQuorvelPDlg::GetMessageText(const char* key) const {
    return CatalogueText(m_messages, key);
}

void CQuorvelPDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_RADIO_RETURN, m_radioReturn);
    DDX_Control(dx, IDC_RADIO_REQUEST, m_radioRequest);
    DDX_Control(dx, IDC_RADIO_LOAN, m_radioLoan);
    DDX_Control(dx, IDC_GROUP_DATETIME, m_groupDateTime);
    DDX_Control(dx, IDC_LABEL_PATRON, m_labelPatron);
    DDX_Control(dx, IDC_LABEL_ITEM, m_labelItem);
    DDX_Control(dx, IDC_LIST_OPERATIONS, m_listOperations);
    DDX_Control(dx, IDC_STATIC_TIME, m_staticTime);
    DDX_Control(dx, IDC_STATIC_DATE, m_staticDate);
    DDX_Control(dx, IDC_GROUP_OPERATION, m_groupOperation);
    DDX_Control(dx, IDC_EDIT_PATRON, m_editPatron);
    DDX_Control(dx, IDC_EDIT_ITEM, m_editItem);
    DDX_Text(dx, IDC_EDIT_ITEM, m_itemText);
    DDV_MaxChars(dx, m_itemText, kBarcodeMaxChars);
    DDX_Text(dx, IDC_EDIT_PATRON, m_patronText);
    DDV_MaxChars(dx, m_patronText, kBarcodeMaxChars);
}

BOOL CQuorvelPDlg::OnInitDialog() {
    // The greeting shows the instant initialisation began.
    const std::int64_t start = ClockTime();
    XmlNode* root = XmlGetRootElement(m_settings);
    CDialog::OnInitDialog();
    if (m_settings == nullptr) {
        PostMessage(WM_CLOSE);
        return TRUE;
    }

    const char* language = SettingsLanguage(root);
    m_workArea = SettingsWorkArea(root);
    m_messages = ChooseCatalogue(root, language);

    if (!m_settingsWarning.empty()) {
        AfxMessageBox(m_settingsWarning.c_str(), MB_ICONEXCLAMATION | MB_OK);
    }
    const char* greeting = TextOrEmpty(GetMessageText("mes1"));
    std::tm local{};
    AfxMessageBox(GreetingText(greeting, LocalTime(start, &local)).c_str(),
                  MB_ICONINFORMATION | MB_OK);

    m_timerId = SetTimer(kClockTimerId, kClockPeriod, nullptr);

    m_textLoan = TextOrEmpty(GetMessageText("op1"));
    m_radioLoan.SetWindowText(m_textLoan);
    m_radioLoan.SetCheck(BST_CHECKED);
    m_textReturn = TextOrEmpty(GetMessageText("op2"));
    m_radioReturn.SetWindowText(m_textReturn);
    m_textRequest = TextOrEmpty(GetMessageText("op3"));
    m_radioRequest.SetWindowText(m_textRequest);

    const char* dateTimeTitle = TextOrEmpty(GetMessageText("dh"));
    m_textMissing = TextOrEmpty(GetMessageText("mes3"));
    m_textInvalid = TextOrEmpty(GetMessageText("mes4"));
    m_groupDateTime.SetWindowText(dateTimeTitle);

    UpdateClock();
    InitOperationList();
    LoadDayOperations();
    UpdateModeControls();
    SetIcon(m_hIcon, FALSE);
    return TRUE;
}

void CQuorvelPDlg::UpdateModeControls() {
    const char* texts[MODE_LOOK_COUNT] = {m_textLoan, m_textReturn, m_textRequest};
    m_editPatron.EnableWindow(ModePatronEnabled(m_mode) ? TRUE : FALSE);
    m_groupOperation.SetWindowText(texts[ModeTextLook(m_mode)]);
    InvalidateRect(nullptr, TRUE);
}

void CQuorvelPDlg::UpdateClock() {
    std::tm local{};
    const std::tm* now = LocalTime(ClockTime(), &local);
    m_staticDate.SetWindowText(ClockDateText(now).c_str());
    m_staticTime.SetWindowText(ClockTimeText(now).c_str());
}

void CQuorvelPDlg::InitOperationList() {
    for (int n = 1; n <= kColumnCount; ++n) {
        char key[16];
        std::snprintf(key, sizeof key, "col%d", n);
        const char* title = TextOrEmpty(GetMessageText(key));
        m_listOperations.InsertColumn(n - 1, title, LVCFMT_LEFT);
        if (n == kPatronColumn) {
            m_labelPatron.SetWindowText(title);
        } else if (n == kItemColumn) {
            m_labelItem.SetWindowText(title);
        }
    }
    m_imageList.Create(IDB_MODE_STRIP, kModePictureWidth, 0, kModePictureMask);
    m_listOperations.SetImageList(&m_imageList, LVSIL_SMALL);
    for (int col = 0; col < kColumnCount; ++col) {
        m_listOperations.SetColumnWidth(col, kColumnWidths[col]);
    }
}

void CQuorvelPDlg::ClearEntry() {
    m_editPatron.SetWindowText("");
    m_editItem.SetWindowText("");
    if (ModePatronEnabled(m_mode)) {
        m_editPatron.SetFocus();
    } else {
        m_editItem.SetFocus();
    }
}

void CQuorvelPDlg::OnModeLoan() {
    m_mode = OPERATION_LOAN;
    UpdateModeControls();
}

void CQuorvelPDlg::OnModeReturn() {
    m_mode = OPERATION_RETURN;
    UpdateModeControls();
}

void CQuorvelPDlg::OnModeRequest() {
    m_mode = OPERATION_REQUEST;
    UpdateModeControls();
}

BOOL CQuorvelPDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        if (msg->wParam == VK_RETURN) {
            ProcessEntry();
        } else {
            ClearEntry();
        }
        // Not handed to the dialog's keyboard handling, so neither key ever
        // presses a default button or closes the window.
        return FALSE;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CQuorvelPDlg::OnPaint() {
    // While the window is minimised the window layer draws the window's icon
    // centred on it where the system asks for that (Windows); on the other
    // backends the icon is the window icon and there is nothing to draw.
    CDialog::OnPaint();
}

HCURSOR CQuorvelPDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CQuorvelPDlg::OnTimer(UINT_PTR id) {
    if (id == kClockTimerId) {
        UpdateClock();
    }
    CDialog::OnTimer(id);
}

void CQuorvelPDlg::OnDestroy() {
    if (m_timerId != 0) {
        KillTimer(m_timerId);
        m_timerId = 0;
    }
    CDialog::OnDestroy();
}

HBRUSH CQuorvelPDlg::OnCtlColor(CDC* dc, CWnd* window, UINT ctlColor) {
    if (ctlColor != CTLCOLOR_DLG) {
        return CDialog::OnCtlColor(dc, window, ctlColor);
    }
    const CBrush* brushes[MODE_LOOK_COUNT] = {&m_brushLoan, &m_brushReturn, &m_brushRequest};
    return *brushes[ModeColourLook(m_mode)];
}

BOOL CQuorvelPDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    for (const CommandEntry& command : kCommands) {
        if (LOWORD(wParam) == command.id && HIWORD(wParam) == command.code) {
            (this->*command.handler)();
            return TRUE;
        }
    }
    return CDialog::OnCommand(wParam, lParam);
}

int CQuorvelPDlg::OpenDayFile() {
    if (m_fileOpen != 0) {
        return 1;
    }
    // One reading names the file and dates the record, so that an operation
    // at midnight lands in the file of its own date.
    const std::int64_t now = ClockTime();
    ClockLocalTime(&m_dayFileTime, &now); // a failed conversion gives an empty path
    m_dayFilePath = DayFilePath(m_workArea, m_dayFileTime);

    CFileStatus status;
    UINT flags = CFile::modeReadWrite | CFile::shareExclusive | CFile::modeNoTruncate;
    if (!CFile::GetStatus(m_dayFilePath.c_str(), status)) {
        m_sequence = 0;
        flags = CFile::modeReadWrite | CFile::shareExclusive | CFile::modeCreate;
    }
    if (m_file != nullptr && !m_dayFilePath.empty() && m_file->Open(m_dayFilePath.c_str(), flags)) {
        RestoreSequence();
        // A last record that could not be read would restart the numbering
        // in a file that already holds numbers: refuse the opening instead.
        if (m_file->GetError() == 0) {
            m_file->SeekToEnd();
            m_fileOpen = 1;
            return m_fileOpen;
        }
        m_file->Close();
    }
    m_fileOpen = 0;
    ShowFileMessage();
    return m_fileOpen;
}

void CQuorvelPDlg::RestoreSequence() {
    m_sequence = 0;
    std::int64_t end = m_file->GetLength();
    if (end <= RECORD_FILE_EMPTY_LENGTH) {
        return;
    }
    std::string line;
    while (m_file->ReadLineBefore(&end, line)) {
        if (IsWholeRecord(line)) {
            m_sequence = SequenceFromRecord(line);
            return;
        }
    }
}

std::string CQuorvelPDlg::FormatRecord() const {
    std::string patron;
    std::string item;
    m_editPatron.GetWindowText(patron);
    m_editItem.GetWindowText(item);
    return BuildRecord(m_dayFileTime, m_sequence, patron, item, m_mode);
}

void CQuorvelPDlg::ShowRecord(const std::string& record) {
    const RecordRow row = MakeRecordRow(record);
    const char* captions[MODE_LOOK_COUNT] = {m_textLoan, m_textReturn, m_textRequest};
    // The row's mode is one of the three looks, and its picture has the same index.
    const int look = row.mode;
    const int at = m_listOperations.InsertItem(LVIF_TEXT | LVIF_IMAGE, 0, "", 0, 0, look, 0);
    for (int col = 0; col < RECORD_COLUMN_COUNT - 1; ++col) {
        m_listOperations.SetItemText(at, col, row.cells[col].c_str());
    }
    m_listOperations.SetItemText(at, RECORD_COLUMN_COUNT - 1, TextOrEmpty(captions[look]));
}

void CQuorvelPDlg::LoadDayOperations() {
    if (m_fileOpen == 0 && OpenDayFile() == 0) {
        return;
    }
    m_file->SeekToBegin();
    std::string line;
    while (m_file->ReadString(line)) {
        if (!line.empty()) {
            ShowRecord(line);
        }
    }
    // A read that failed half way stopped at the start of a line: the next
    // operation shows the rest from there.
    const bool partial = m_file->GetError() != 0;
    SetSeenLength(m_dayFilePath, std::max<std::int64_t>(0, m_file->GetPosition()));
    m_file->Close();
    m_fileOpen = 0;
    if (partial) {
        ShowFileMessage();
    }
}

int CQuorvelPDlg::ValidateEntry() {
    std::string patron;
    std::string item;
    if (ModeNeedsPatron(m_mode)) {
        m_editPatron.GetWindowText(patron);
    }
    m_editItem.GetWindowText(item);
    return CheckEntry(m_mode, patron.c_str(), item.c_str(), CWnd::GetFocus() == &m_editPatron,
                      m_hasBarcodeModels != 0);
}

void CQuorvelPDlg::ProcessEntry() {
    switch (ValidateEntry()) {
    case ENTRY_PATRON_MISSING:
        RefuseEntry(m_textMissing, m_editPatron);
        return;
    case ENTRY_PATRON_INVALID:
        RefuseEntry(m_textInvalid, m_editPatron);
        return;
    case ENTRY_ITEM_MISSING:
        RefuseEntry(m_textMissing, m_editItem);
        return;
    case ENTRY_ITEM_INVALID:
        RefuseEntry(m_textInvalid, m_editItem);
        return;
    case ENTRY_NEXT_FIELD:
        m_editItem.SetFocus();
        return;
    default:
        break;
    }
    if (m_fileOpen == 0 && OpenDayFile() == 0) {
        return;
    }
    // What other desks recorded since this desk last looked goes into the
    // list under this operation's row. A file that cannot be read is
    // refused like one that cannot be opened.
    std::vector<std::string> unseen;
    const std::int64_t length = m_file->GetLength();
    if (length < 0 || !ReadUnseen(length, &unseen)) {
        m_file->Close();
        m_fileOpen = 0;
        ShowFileMessage();
        return;
    }
    const std::int32_t previous = m_sequence;
    // Wraps instead of overflowing; the record keeps six digits anyway.
    m_sequence = static_cast<std::int32_t>(static_cast<std::uint32_t>(m_sequence) + 1u);
    const std::string record = FormatRecord();
    // One write, flushed to disk before the row appears; on failure nothing
    // of it stays in the file, the number is not used and the entry stays
    // where it is, so Enter tries again.
    const std::string text = (EndsWithLineEnd(*m_file) ? "" : "\n") + record + "\n";
    if (!m_file->WriteString(text.c_str())) {
        m_sequence = previous;
        m_file->Close();
        m_fileOpen = 0;
        ShowFileMessage();
        return;
    }
    for (const std::string& line : unseen) {
        ShowRecord(line);
    }
    ShowRecord(record);
    // The record is the last thing in the file; each line feed before and
    // after it went to disk as CR LF.
    const auto lineFeeds = static_cast<std::int64_t>(text.size() - record.size());
    SetSeenLength(m_dayFilePath, length + static_cast<std::int64_t>(text.size()) + lineFeeds);
    // The record is on disk already: a failure reported by the closing
    // loses nothing, and undoing the operation would reuse its number.
    m_file->Close();
    m_fileOpen = 0;
    m_editPatron.SetWindowText("");
    m_editItem.SetWindowText("");
    if (ModePatronEnabled(m_mode)) {
        m_editPatron.SetFocus();
    } else {
        m_editItem.SetFocus();
    }
}

void CQuorvelPDlg::RefuseEntry(const char* text, CEdit& edit) {
    AfxMessageBox(text, MB_ICONHAND | MB_OK);
    edit.SetFocus();
    edit.SetSel(0, -1);
}

void CQuorvelPDlg::ShowFileMessage() {
    AfxMessageBox(TextOrEmpty(GetMessageText("mes2")), MB_ICONEXCLAMATION | MB_OK);
}

bool CQuorvelPDlg::ReadUnseen(std::int64_t length, std::vector<std::string>* lines) {
    std::int64_t from = SeenLength(m_dayFilePath);
    if (from > length) {
        from = 0; // cut back or replaced since: looked at afresh
    }
    if (from == length) {
        return true;
    }
    // Past the window the reading starts on the byte before it and drops the
    // line that byte ends: a line cut by the window (or only the line feed of
    // the line before it).
    const bool cut = length - from > kUnseenWindow;
    std::string line;
    if (cut) {
        from = length - kUnseenWindow - 1;
    }
    if (m_file->Seek(from, SEEK_SET) != from || (cut && !m_file->ReadString(line))) {
        return false;
    }
    while (m_file->ReadString(line)) {
        if (!line.empty()) {
            lines->push_back(line);
        }
    }
    return m_file->GetError() == 0;
}

std::int64_t CQuorvelPDlg::SeenLength(const std::string& path) const {
    for (const SeenDayFile& seen : m_seenDayFiles) {
        if (seen.path == path) {
            return seen.length;
        }
    }
    return 0;
}

void CQuorvelPDlg::SetSeenLength(const std::string& path, std::int64_t length) {
    const auto known = std::find_if(m_seenDayFiles.begin(), m_seenDayFiles.end(),
                                    [&](const SeenDayFile& seen) { return seen.path == path; });
    if (known != m_seenDayFiles.end()) {
        m_seenDayFiles.erase(known);
    } else if (m_seenDayFiles.size() == kSeenDayFiles) {
        m_seenDayFiles.erase(m_seenDayFiles.begin());
    }
    m_seenDayFiles.push_back(SeenDayFile{path, length});
}
