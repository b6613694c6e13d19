// A desk for the two-desk tests: records loans at one headless desk into the
// installation named by QUORVPATH, at a fixed clock, pressing Enter again
// whenever the day's file is held by the other desk ("mes2"). The
// installation must have no barcode models: the texts typed are not barcodes.
//
// Usage: shell_record_helper COUNT DESK TIME [turns], TIME in seconds since
// 1970.
//   - Without "turns": COUNT loans, as fast as it can.
//   - With "turns": desk A or B takes COUNT turns through the file "turns" of
//     the installation, which holds the number of the turn going on and a
//     line feed. A takes the even turns, B the odd ones; a turn is turn % 3 + 1
//     loans, after each of which the desk's list must show every record of
//     the day's file, newest on top; then the next turn's number is written.
// Exits 0 when all were recorded (and every list was right).
#include "list_check.h"

#include "platform/clock.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Records one loan; false when the file stayed held for too long.
bool Record(headless::Desk& desk, const std::string& patron, const std::string& item) {
    desk.Type(patron);
    desk.Press(VK_RETURN);
    desk.Type(item);
    for (int attempt = 0; attempt < 100000; ++attempt) {
        const std::size_t boxes = headless::MessageBoxes().size();
        desk.Press(VK_RETURN);
        if (headless::MessageBoxes().size() == boxes) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

// Waits for a turn of the given parity; its number, or -1 after a minute.
int WaitForTurn(const std::string& path, int parity) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < limit) {
        // A text without its line feed is being written.
        const std::string text = Contents(path);
        if (!text.empty() && text.back() == '\n' && std::atoi(text.c_str()) % 2 == parity) {
            return std::atoi(text.c_str());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && !(argc == 5 && std::string(argv[4]) == "turns")) {
        return 2;
    }
    const int count = std::atoi(argv[1]);
    const std::string desk = argv[2];
    ClockSetFixedTime(std::atoll(argv[3]));
    const char* root = std::getenv("QUORVPATH");
    const std::string turns = std::string(root != nullptr ? root : "") + "/turns";
    bool ok = true;
    headless::SetSession([&](headless::Desk& d) {
        const std::string& day = static_cast<CQuorvelPDlg&>(d.Dialog()).m_dayFilePath;
        for (int i = 0; i < count && ok; ++i) {
            const int turn = argc == 5 ? WaitForTurn(turns, desk == "A" ? 0 : 1) : 0;
            const int loans = argc == 5 ? turn % 3 + 1 : 1;
            ok = turn >= 0;
            for (int k = 0; k < loans && ok; ++k) {
                const std::string n = std::to_string(i) + "-" + std::to_string(k);
                ok = Record(d, desk + "-patron-" + n, desk + "-item-" + n);
                const std::string differs =
                    argc == 5 ? ListDiffersFromFile(d.Item(IDC_LIST_OPERATIONS).rows, Contents(day))
                              : std::string();
                if (!differs.empty()) {
                    std::fprintf(stderr, "desk %s, turn %d: %s\n", desk.c_str(), turn,
                                 differs.c_str());
                    ok = false;
                }
            }
            if (argc == 5) {
                std::ofstream(turns, std::ios::binary | std::ios::trunc) << turn + 1 << "\n";
            }
        }
    });
    CQuorvelPDlg dialog;
    dialog.DoModal();
    return ok ? 0 : 1;
}
