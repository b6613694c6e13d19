// A desk that records loans for the crash and concurrency tests: it works
// the headless dialog of the installation named by QUORVPATH at a fixed clock
// and reports on standard output, one line each, "ready" when the dialog is
// up and then the item of every operation it saw recorded: Enter returned
// with the new row at the top of the list. The report is written straight to
// the descriptor, so a kill loses no line already reported.
//
// An Enter refused with "mes2" (another desk holds the day's file) is pressed
// again, as a librarian would. The installation must have no barcode models.
// Usage: reliability_recorder COUNT DESK TIME, COUNT 0 for as many as it can
// until it is killed, TIME in seconds since 1970. Exits 0 when all COUNT were
// recorded.
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void Report(const std::string& line) {
    const std::string text = line + "\n";
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0) {
            std::exit(3);
        }
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    const long count = std::atol(argv[1]);
    const std::string desk = argv[2];
    ClockSetFixedTime(std::atoll(argv[3]));
    long recorded = 0;
    headless::SetSession([&](headless::Desk& d) {
        Report("ready");
        for (long i = 0; count == 0 || i < count; ++i) {
            const std::string item = desk + "-" + std::to_string(i);
            d.Type(desk);
            d.Press(VK_RETURN);
            d.Type(item);
            for (;;) {
                const std::size_t rows = d.Item(IDC_LIST_OPERATIONS).rows.size();
                d.Press(VK_RETURN);
                if (d.Item(IDC_LIST_OPERATIONS).rows.size() > rows) {
                    break;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            Report(item);
            ++recorded;
        }
    });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    return recorded == count ? 0 : 1;
}
