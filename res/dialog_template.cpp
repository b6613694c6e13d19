// Dialog template 102, the client's only window. Kept in step with the
// DIALOGEX of res/quorvelp.rc (a test compares the two).
#include "res/dialog_template.h"

#include "res/resource.h"

namespace res {
namespace {

constexpr DWORD kEditStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_RIGHT;
constexpr DWORD kListStyle = WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                             LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER;

// clang-format off
const TemplateControl kMainControls[] = {
    {IDC_GROUP_OPERATION, ControlKind::GroupBox, "OPERACI\xD3N", BS_GROUPBOX, WS_EX_TRANSPARENT, 18, 42, 167, 45, 0},
    {IDC_LABEL_PATRON, ControlKind::Label, "LECTOR", SS_RIGHT | WS_GROUP, 0, 24, 53, 53, 8, 0},
    {IDC_EDIT_PATRON, ControlKind::Edit, "", kEditStyle, 0, 82, 52, 94, 12, 0},
    {IDC_LABEL_ITEM, ControlKind::Label, "EJEMPLAR", SS_RIGHT | WS_GROUP, 0, 24, 71, 53, 8, 0},
    {IDC_EDIT_ITEM, ControlKind::Edit, "", kEditStyle, 0, 82, 69, 94, 12, 0},
    {IDC_GROUP_DATETIME, ControlKind::GroupBox, "FECHA Y HORA DEL SISTEMA", BS_GROUPBOX, WS_EX_TRANSPARENT, 193, 42, 184, 45, 0},
    {IDC_STATIC_DATE, ControlKind::Label, "FECHA", SS_LEFT | WS_GROUP, 0, 203, 54, 161, 8, 0},
    {IDC_STATIC_TIME, ControlKind::Label, "HORA", SS_LEFT | WS_GROUP, 0, 203, 71, 161, 8, 0},
    {IDC_RADIO_LOAN, ControlKind::RadioButton, "PRESTAMO", BS_AUTORADIOBUTTON | WS_GROUP, 0, 154, 22, 54, 10, 0},
    {IDC_STATIC, ControlKind::GroupBox, "", BS_GROUPBOX, WS_EX_TRANSPARENT, 131, 13, 244, 24, 0},
    {IDC_RADIO_RETURN, ControlKind::RadioButton, "DEVOLUCI\xD3N", BS_AUTORADIOBUTTON, 0, 232, 22, 55, 10, 0},
    {IDC_RADIO_REQUEST, ControlKind::RadioButton, "PETICIONES", BS_AUTORADIOBUTTON, 0, 318, 22, 56, 10, 0},
    {IDC_TAB_UPPER, ControlKind::TabPanel, "Tab1", 0, 0, 6, 4, 376, 101, 0},
    {IDC_LIST_OPERATIONS, ControlKind::ListView, "List1", kListStyle, 0, 21, 124, 350, 131, 0},
    {IDC_GROUP_DETAIL, ControlKind::GroupBox, "DETALLE DE LAS OPERACIONES", BS_GROUPBOX | BS_CENTER, WS_EX_TRANSPARENT, 14, 112, 362, 148, 0},
    {IDC_TAB_LOWER, ControlKind::TabPanel, "Tab2", 0, 0, 6, 106, 376, 159, 0},
    {IDC_STATIC, ControlKind::Picture, "", SS_BITMAP, WS_EX_TRANSPARENT, 137, 21, 13, 13, IDB_BOOK_LOAN},
    {IDC_STATIC, ControlKind::Picture, "", SS_BITMAP, 0, 216, 21, 13, 13, IDB_BOOK_RETURN},
    {IDC_STATIC, ControlKind::Picture, "", SS_BITMAP, 0, 301, 21, 13, 13, IDB_BOOK_REQUEST},
};
// clang-format on

const DialogTemplate kMainDialog = {
    IDD_QUORVELP_DIALOG,
    "QuorvelP",
    "MS Sans Serif",
    10,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    WS_EX_APPWINDOW,
    391,
    270,
    kMainControls,
    sizeof kMainControls / sizeof kMainControls[0],
};

} // namespace

const DialogTemplate* FindDialogTemplate(UINT id) {
    return id == kMainDialog.id ? &kMainDialog : nullptr;
}

const char* WindowClassName(ControlKind kind) {
    switch (kind) {
    case ControlKind::GroupBox:
    case ControlKind::RadioButton:
        return "Button";
    case ControlKind::Label:
    case ControlKind::Picture:
        return "Static";
    case ControlKind::Edit:
        return "Edit";
    case ControlKind::TabPanel:
        return "SysTabControl32";
    case ControlKind::ListView:
        return "SysListView32";
    }
    return "";
}

} // namespace res
