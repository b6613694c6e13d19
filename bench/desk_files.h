// A lending desk's installation for the desk's own benchmarks: the
// demonstration settings file with its work area pointed at the installation,
// and day files of chosen numbers of records, all of them well-formed 132-byte
// lines, one day file for each of a few consecutive fixed mornings.
//
// The benchmarks run the real dialog over it with the clock fixed at one of
// those mornings, so the day's file is the one written here whatever the date
// of the run; moving the clock to another morning moves the desk to that
// day's file, as midnight would. Writing the files is set-up: nothing here
// is timed.
#pragma once

#include <cstdint>
#include <string>

struct BarcodeModel;

// Makes FOLDER/Admin/quorvp.xml (the demonstration settings, work area
// FOLDER/Work) and the folder FOLDER/Work. Returns false, with a reason in
// *error, when a file cannot be read or written.
bool MakeDeskInstallation(const std::string& folder, std::string* error);

// Makes the file of morning `day` (0, 1, 2, ...) in the installation FOLDER
// hold `records` records, numbered from 000001. A file that already has the
// right length is kept, so a large one is written once per data folder; one
// that has more records than that, from an earlier run, is cut back to them.
bool MakeDeskDay(const std::string& folder, int day, long records, std::string* error);

// Points the client at FOLDER (QUORVPATH) and fixes the clock at morning `day`.
void UseDeskInstallation(const std::string& folder, int day);
// Fixes the clock at morning `day`: 09:05:03 local time, `day` days after
// 2 March 2026.
void UseDeskDay(int day);

// The path of the file of morning `day` in FOLDER, and its length when it
// holds `records` records.
std::string DeskDayFile(const std::string& folder, int day);
std::int64_t DeskDayFileLength(long records);

// The desk's barcode models are registered anew by every dialog into the
// process-wide list, which nothing frees. A benchmark that starts dialogs
// holds one of these meanwhile: the dialogs begin with an empty list, and the
// list that was there before (another benchmark's models) comes back
// afterwards. The dialogs' lists stay reachable, as leaks are not the point.
class DeskModelList {
public:
    DeskModelList();
    ~DeskModelList();
    DeskModelList(const DeskModelList&) = delete;
    DeskModelList& operator=(const DeskModelList&) = delete;
    // Forgets the models of the dialog before, for the next one.
    void StartEmpty();

private:
    BarcodeModel* saved_;
};
