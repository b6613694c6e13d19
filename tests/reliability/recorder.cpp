// A desk that records loans for the crash and concurrency tests: it works
// the headless dialog of the installation named by QUORVPATH at a fixed clock
// and reports in the file REPORT, one line each, "ready" when the dialog is
// up and then the item of every operation it saw recorded: Enter returned
// with the new row at the top of the list. The report is written straight to
// the descriptor, so a kill loses no line already reported.
//
// An Enter refused with "mes2" (another desk holds the day's file) is pressed
// again, as a librarian would. The installation must have no barcode models.
// Usage: reliability_recorder COUNT DESK TIME REPORT, COUNT 0 for as many as it
// can until it is killed, TIME in seconds since 1970. Exits 0 when all COUNT
// were recorded.
#include "platform/clock.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const int report = argc == 5 ? open(argv[4], O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    if (report < 0) {
        return 2;
    }
    auto say = [&](const std::string& line) {
        const std::string text = line + "\n";
        if (write(report, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            std::exit(3);
        }
    };
    const long count = std::atol(argv[1]);
    ClockSetFixedTime(std::atoll(argv[3]));
    long recorded = 0;
    headless::SetSession([&](headless::Desk& d) {
        for (say("ready"); count == 0 || recorded < count; ++recorded) {
            const std::string item = argv[2] + ("-" + std::to_string(recorded));
            d.Type(argv[2]);
            d.Press(VK_RETURN);
            d.Type(item);
            for (const std::size_t rows = d.Item(IDC_LIST_OPERATIONS).rows.size();
                 d.Press(VK_RETURN), d.Item(IDC_LIST_OPERATIONS).rows.size() == rows;) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            say(item);
        }
    });
    CQuorvelPDlg().DoModal();
    return recorded == count ? 0 : 1;
}
