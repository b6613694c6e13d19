// The parts of the window layer that are the same on every backend: the
// dialog's default handlers (but painting), dialog data exchange, the
// application object and its title.
//
// Everything here goes through the public wrappers of platform/window.h;
// what a window does is the backend's (platform/portable.cpp and the backend
// folders).
#include "platform/window.h"

#include "platform/paths.h"

#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return dx.m_bFailed ? FALSE : TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

HCURSOR CDialog::OnQueryDragIcon() {
    return nullptr;
}

void CDialog::OnTimer(UINT_PTR) {}

void CDialog::OnDestroy() {}

HBRUSH CDialog::OnCtlColor(CDC*, CWnd*, UINT) {
    return nullptr;
}

BOOL CDialog::OnCommand(WPARAM, LPARAM) {
    return FALSE;
}

CDataExchange::CDataExchange(CWnd* dialog, BOOL saveAndValidate)
    : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd != nullptr) {
        return;
    }
    if (CWnd* item = dx->m_pDlgWnd->GetDlgItem(id)) {
        control.Attach(item->m_hWnd);
    }
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    dx->m_idLastControl = id;
    CWnd* item = dx->m_pDlgWnd->GetDlgItem(id);
    if (item == nullptr) {
        return;
    }
    if (dx->m_bSaveAndValidate) {
        item->GetWindowText(value);
    } else {
        item->SetWindowText(value.c_str());
    }
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
    if (dx->m_bSaveAndValidate) {
        if (maxChars >= 0 && value.size() > static_cast<std::size_t>(maxChars)) {
            dx->m_bFailed = TRUE;
        }
        return;
    }
    CWnd* item = dx->m_pDlgWnd->GetDlgItem(dx->m_idLastControl);
    if (item == nullptr) {
        return;
    }
    // The control may be bound to a wrapper of another class (or to none), so
    // the limit goes through a temporary edit wrapper on the same window.
    CEdit edit;
    edit.m_hWnd = item->m_hWnd;
    edit.LimitText(maxChars);
    edit.m_hWnd = nullptr;
}

namespace {

CWinApp* g_app = nullptr;

// The executable's file name without its folder and its extension.
std::string TitleFromExecutable() {
    std::string path(4096, '\0');
#ifdef _WIN32
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) {
        return {};
    }
#else
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (n <= 0) {
        return {};
    }
#endif
    path.resize(static_cast<std::size_t>(n));
    const char separators[] = {'/', kFolderSeparator, '\0'};
    std::string name = path.substr(path.find_last_of(separators) + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

} // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName) {
    g_app = this;
    if (m_pszAppName == nullptr) {
        m_pszAppName = AfxGetAppName();
    }
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

CWinApp* AfxGetApp() {
    return g_app;
}

const char* AfxGetAppName() {
    if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pszAppName != nullptr) {
        return app->m_pszAppName;
    }
    static const std::string title = TitleFromExecutable();
    return title.c_str();
}
