// A lending desk's installation for the desk's own benchmarks: the
// demonstration settings file with its work area pointed at the installation,
// and a day's transaction file of a chosen number of records, all of them
// well-formed 132-byte lines, for one fixed morning.
//
// The benchmarks run the real dialog over it, with the clock fixed at that
// morning so that the day's file is the one written here whatever the date
// of the run. Writing the files is set-up: nothing here is timed.
#pragma once

#include <cstdint>
#include <string>

// The morning the benchmarks record at: 2026-03-02 09:05:03 UTC.
constexpr std::int64_t kDeskMorning = 1772442303;

// Makes FOLDER/Admin/quorvp.xml (the demonstration settings, work area
// FOLDER/Work) and FOLDER/Work/<day>.qvp holding `records` records, numbered
// from 000001. A day file already there with the right length is kept, so a
// large one is written once per data folder. Returns false, with a reason in
// *error, when a file cannot be read or written.
bool MakeDeskInstallation(const std::string& folder, long records, std::string* error);

// Points the client at FOLDER (QUORVPATH) and fixes the clock at kDeskMorning.
void UseDeskInstallation(const std::string& folder);

// The path of the day's file in FOLDER, and its length when it holds
// `records` records.
std::string DeskDayFile(const std::string& folder);
std::int64_t DeskDayFileLength(long records);

// The desk's barcode models are registered anew by every dialog and live
// until the process ends; a benchmark that starts many dialogs in one
// process begins each with an empty list, keeping the old ones reachable.
void ForgetDeskModels();
