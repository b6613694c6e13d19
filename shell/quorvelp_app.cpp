// The application object and its start-up: one modal dialog is the program.
// Must be linked as an object, not from an archive, or the global object
// would be dropped and the program would find no application.
#include "shell/quorvelp_app.h"

#include "shell/quorvelp_dlg.h"

CQuorvelPApp theApp;

CQuorvelPApp::CQuorvelPApp() : CWinApp(nullptr) {}

BOOL CQuorvelPApp::InitInstance() {
    {
        CQuorvelPDlg dialog(nullptr);
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_exitStatus = dialog.m_settings == nullptr ? 1 : 0;
        // The dialog is destroyed at the end of this block.
        m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CQuorvelPApp::ExitInstance() {
    return m_exitStatus;
}
