// A day's file of fuzzed bytes at a headless desk: the lines read backwards
// are the lines read forwards, the list shows as many rows as there are
// non-empty lines, and one operation recorded afterwards keeps every byte
// that was there and lands as one whole line numbered after the last whole
// record's number.
//
// Input: the file's bytes.
#include "fuzz_support.h"

#include "circulation/dayfile.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/headless/headless.h"
#include "res/resource.h"
#include "shell/quorvelp_dlg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// 2026-03-02 09:05:03 UTC.
constexpr std::int64_t kMorning = 1772442303;

// An installation without barcode models, made once per process.
std::string DayFilePath() {
    static const std::string path = [] {
        std::string pattern =
            std::filesystem::temp_directory_path().string() + "/quorvel-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "no installation folder");
        std::filesystem::create_directories(pattern + "/Admin");
        std::filesystem::create_directories(pattern + "/Work");
        std::ofstream(pattern + "/Admin/quorvp.xml")
            << "<?xml version=\"1.0\"?><quorvp><workarea value=\"" << pattern
            << "/Work\"/><messages><m ID=\"mes2\" text=\"held\"/></messages></quorvp>";
        setenv("QUORVPATH", pattern.c_str(), 1);
        setenv("TZ", "UTC0", 1);
        tzset();
        ClockSetFixedTime(kMorning);
        return pattern + "/Work/20260302.qvp";
    }();
    return path;
}

// The file's lines read forwards, and read backwards, which must agree.
std::vector<std::string> Lines(const std::string& path) {
    CStdioFile file;
    FUZZ_CHECK(file.Open(path.c_str(), CFile::modeRead), "cannot open");
    std::vector<std::string> lines, backwards;
    for (std::string line; file.ReadString(line);) {
        lines.push_back(line);
    }
    std::string line;
    for (std::int64_t end = file.GetLength(); file.ReadLineBefore(&end, line);) {
        backwards.insert(backwards.begin(), line);
    }
    FUZZ_CHECK(file.GetError() == 0 && backwards == lines, "the lines read backwards differ");
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = DayFilePath();
    const std::string before(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << before;

    const std::vector<std::string> lines = Lines(path);
    const auto shown = lines.size() - std::size_t(std::count(lines.begin(), lines.end(), ""));
    const auto last = std::find_if(lines.rbegin(), lines.rend(), IsWholeRecord);
    const std::int32_t next = size > std::size_t(RECORD_FILE_EMPTY_LENGTH) && last != lines.rend()
                                  ? SequenceFromRecord(*last) + 1
                                  : 1;

    headless::Reset();
    headless::SetSession([&](headless::Desk& desk) {
        FUZZ_CHECK(desk.Item(IDC_LIST_OPERATIONS).rows.size() == shown,
                   "rows and non-empty lines differ in number");
        desk.Type("p");
        desk.Press(VK_RETURN);
        desk.Type("i");
        desk.Press(VK_RETURN);
    });
    CQuorvelPDlg().DoModal();
    FUZZ_CHECK(headless::MessageBoxes().size() == 1, "a message besides the greeting");

    std::ifstream in(path, std::ios::binary);
    const std::string after{std::istreambuf_iterator<char>(in), {}};
    FUZZ_CHECK(after.compare(0, before.size(), before) == 0, "bytes of the file were lost");
    std::string added = after.substr(before.size());
    if (!before.empty() && before.back() != '\n' && added.compare(0, 2, "\r\n") == 0) {
        added.erase(0, 2); // the cut-off last line is ended first
    }
    char number[16];
    std::snprintf(number, sizeof number, "%.6d", static_cast<int>(next));
    FUZZ_CHECK(added.size() == 132 && added.compare(130, 2, "\r\n") == 0 &&
                   added.compare(20, 6, number, 6) == 0,
               "the new record: " + added);
    FUZZ_CHECK(Lines(path).back() == added.substr(0, 130), "the new record is not a line");
    return 0;
}
