// The application object of the lending-desk client: it runs the main dialog
// once and ends the program when the dialog closes.
#pragma once

#include "platform/window.h"

class CQuorvelPApp : public CWinApp {
public:
    // No application name: the title, and so the caption of every message
    // box, is the executable's name without its extension.
    CQuorvelPApp();

    // Runs the main dialog modally and returns FALSE, so the program ends
    // when the dialog is closed.
    BOOL InitInstance() override;
    // 1 when the last InitInstance ended because the settings could not be
    // had (the dialog closed itself at once), else 0: a script or a service
    // that starts the desk can tell.
    int ExitInstance() override;

private:
    int m_exitStatus = 0;
};

// The one application object.
extern CQuorvelPApp theApp;
