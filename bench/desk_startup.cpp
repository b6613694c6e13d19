// The headless desk's start-up, for the benchmarks.
#include "bench/desk_startup.h"

#include "bench/desk_files.h"

#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

bool RunHeadlessDesk(const std::function<void(std::size_t rows)>& ready) {
    const DeskModelList models;
    headless::Reset();
    bool ran = false;
    // The desk calls the session once initialisation is over and the first
    // turn of the message loop has painted the dialog.
    headless::SetSession([&](headless::Desk& desk) {
        ran = true;
        ready(desk.Item(IDC_LIST_OPERATIONS).rows.size());
    });
    {
        CQuorvelPDlg dialog;
        dialog.DoModal();
    }
    headless::Reset();
    return ran;
}
