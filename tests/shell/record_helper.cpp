// A desk for the two-desk test: records `count` loans at one headless desk
// into the installation named by QUORVPATH, at a fixed clock, pressing Enter
// again whenever the day's file is held by the other desk ("mes2").
// The installation must have no barcode models: the texts typed are not
// barcodes. Usage: shell_record_helper COUNT DESK TIME (seconds since 1970).
// Exits 0 when all were recorded.
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const std::string desk = argv[2];
    ClockSetFixedTime(std::atoll(argv[3]));
    int recorded = 0;
    headless::SetSession([&](headless::Desk& d) {
        for (int i = 0; i < count; ++i) {
            const std::string n = std::to_string(i);
            d.Type(desk + "-patron-" + n);
            d.Press(VK_RETURN);
            d.Type(desk + "-item-" + n);
            for (int attempt = 0; attempt < 100000; ++attempt) {
                const std::size_t boxes = headless::MessageBoxes().size();
                d.Press(VK_RETURN);
                if (headless::MessageBoxes().size() == boxes) {
                    ++recorded;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
    });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    return recorded == count ? 0 : 1;
}
