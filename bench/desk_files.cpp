// The benchmarks' desk installation: settings from the demonstration
// installation, a day's file of generated records.
#include "bench/desk_files.h"

#include "circulation/barcode.h"
#include "circulation/dayfile.h"
#include "platform/clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr int kLineLength = RECORD_LENGTH + 2;

// 2026-03-02 09:05:03 UTC, and the same hour on the following days.
constexpr std::int64_t kFirstMorning = 1772442303;

std::int64_t Morning(int day) {
    return kFirstMorning + static_cast<std::int64_t>(day) * 86400;
}

std::tm DeskDay(int day) {
    const std::int64_t morning = Morning(day);
    std::tm local{};
    ClockLocalTime(&local, &morning);
    return local;
}

bool Fail(std::string* error, const std::string& reason) {
    *error = reason;
    return false;
}

bool WriteSettings(const std::string& folder, std::string* error) {
    std::ifstream in(QUORVEL_SOURCE_DIR "/res/demo/Admin/quorvp.xml", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string settings = text.str();
    const std::string key = "<workarea value=\"";
    const std::size_t at = settings.find(key);
    const std::size_t end =
        at == std::string::npos ? std::string::npos : settings.find('"', at + key.size());
    if (end == std::string::npos) {
        return Fail(error, "the demonstration settings have no work area");
    }
    settings.replace(at + key.size(), end - at - key.size(), folder + "/Work");
    std::ofstream out(folder + "/Admin/quorvp.xml", std::ios::binary | std::ios::trunc);
    out << settings;
    return out.good() ? true : Fail(error, "cannot write the settings into " + folder);
}

// Loans, returns and requests in turn over an hour of the morning, with
// patron cards and EAN-13 items of the demonstration models' shapes.
bool WriteDay(const std::string& path, int day, long records, std::string* error) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return Fail(error, "cannot create " + path);
    }
    const OperationMode modes[] = {OPERATION_LOAN, OPERATION_LOAN, OPERATION_RETURN,
                                   OPERATION_REQUEST};
    std::tm when = DeskDay(day);
    std::string block;
    bool ok = true;
    for (long i = 0; i < records && ok; ++i) {
        const long second = 8 * 3600 + i * 3600 / records;
        when.tm_hour = static_cast<int>(second / 3600);
        when.tm_min = static_cast<int>(second / 60 % 60);
        when.tm_sec = static_cast<int>(second % 60);
        char patron[16];
        char item[24];
        std::snprintf(patron, sizeof patron, "%07ld", 1000000 + i % 8999999);
        std::snprintf(item, sizeof item, "84%011ld", i);
        const std::string p = patron + std::string(1, ComputeCheckChar(patron));
        block += BuildRecord(when, static_cast<std::int32_t>(i + 1), p, item, modes[i % 4]);
        block += "\r\n";
        if (block.size() >= 1 << 16 || i + 1 == records) {
            ok = std::fwrite(block.data(), 1, block.size(), out) == block.size();
            block.clear();
        }
    }
    ok = std::fclose(out) == 0 && ok;
    return ok ? true : Fail(error, "cannot write " + path);
}

} // namespace

std::string DeskDayFile(const std::string& folder, int day) {
    return folder + "/Work/" + DayFileName(DeskDay(day)) + ".qvp";
}

std::int64_t DeskDayFileLength(long records) {
    return static_cast<std::int64_t>(records) * kLineLength;
}

bool MakeDeskInstallation(const std::string& folder, std::string* error) {
    std::error_code failed;
    std::filesystem::create_directories(folder + "/Admin", failed);
    std::filesystem::create_directories(folder + "/Work", failed);
    return failed ? Fail(error, "cannot create " + folder) : WriteSettings(folder, error);
}

bool MakeDeskDay(const std::string& folder, int day, long records, std::string* error) {
    const std::string path = DeskDayFile(folder, day);
    const auto wanted = static_cast<std::uintmax_t>(DeskDayFileLength(records));
    std::error_code missing;
    const std::uintmax_t length = std::filesystem::file_size(path, missing);
    if (!missing && length > wanted) {
        std::error_code failed;
        std::filesystem::resize_file(path, wanted, failed);
        return failed ? Fail(error, "cannot cut back " + path) : true;
    }
    return !missing && length == wanted ? true : WriteDay(path, day, records, error);
}

void UseDeskInstallation(const std::string& folder, int day) {
    setenv("QUORVPATH", folder.c_str(), 1);
    UseDeskDay(day);
}

void UseDeskDay(int day) {
    ClockSetFixedTime(Morning(day));
}

DeskModelList::DeskModelList() : saved_(g_barcodeModels) {
    g_barcodeModels = nullptr;
}

DeskModelList::~DeskModelList() {
    StartEmpty();
    g_barcodeModels = saved_;
}

void DeskModelList::StartEmpty() {
    static auto* abandoned = new std::vector<BarcodeModel*>;
    if (g_barcodeModels != nullptr) {
        abandoned->push_back(g_barcodeModels);
    }
    g_barcodeModels = nullptr;
}
