// The check of one day's transaction file, line by line, in one pass: the
// line's form, then the record's fields where the layout of dayfile.h puts
// them, the numbering and the times against the lines before, and the
// barcodes by the desk's entry rules. Printing the command line's paths and
// the overall verdict are check.cpp's.
#include "quorvcheck/day.h"

#include "circulation/dayfile.h"
#include "circulation/entry.h"
#include "quorvcheck/check.h"
#include "quorvcheck/text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// Problem lines printed per file; the rest are counted.
constexpr int kListedProblems = 100;
// Characters of a damaged line quoted.
constexpr std::size_t kQuotedLine = 30;
// Operation numbers are six digits.
constexpr int kNumbers = 1000000;

// The fields of a record, as indexes into RecordColumns.
enum Field {
    FIELD_DATE,
    FIELD_TIME,
    FIELD_NUMBER,
    FIELD_PATRON,
    FIELD_ITEM,
    FIELD_MODE
};

std::string_view Column(std::string_view record, Field field) {
    return record.substr(static_cast<std::size_t>(RecordColumns[field].offset),
                         static_cast<std::size_t>(RecordColumns[field].length));
}

std::string Quoted(std::string_view latin1) {
    return "\"" + PrintableLatin1(std::string(latin1).c_str()) + "\"";
}

std::string WithoutTrailingSpaces(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::string Number(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%06d", n);
    return text;
}

// Two digits at text[at] no greater than most.
bool TwoDigits(std::string_view text, std::size_t at, int most) {
    return IsAllDigits(text.substr(at, 2)) && (text[at] - '0') * 10 + (text[at + 1] - '0') <= most;
}

bool IsDate(std::string_view d) {
    return d.size() == 10 && IsAllDigits(d.substr(0, 4)) && d[4] == '-' && d[7] == '-' &&
           TwoDigits(d, 5, 12) && d.substr(5, 2) != "00" && TwoDigits(d, 8, 31) &&
           d.substr(8, 2) != "00";
}

bool IsTime(std::string_view t) {
    return t.size() == 8 && t[2] == ':' && t[5] == ':' && TwoDigits(t, 0, 23) &&
           TwoDigits(t, 3, 59) && TwoDigits(t, 6, 60);
}

// "2026-03-02" from a file named 20260302.qvp; empty for any other name.
std::string DateOfName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.size() != 12 || name.compare(8, 4, ".qvp") != 0 || !IsAllDigits(name.substr(0, 8))) {
        return std::string();
    }
    const std::string date = name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2);
    return IsDate(date) ? date : std::string();
}

// The letter a desk writes for mode, taken from the record it builds.
char LetterOf(OperationMode mode) {
    return BuildRecord(std::tm{}, 0, {}, {},
                       mode)[static_cast<std::size_t>(RecordColumns[FIELD_MODE].offset)];
}

const char* ModeName(OperationMode mode) {
    return mode == OPERATION_LOAN ? "loan" : mode == OPERATION_RETURN ? "return" : "request";
}

class DayCheck {
public:
    DayCheck(std::ostream& out, bool hasModels, std::string date)
        : out_(out), hasModels_(hasModels), date_(std::move(date)) {}

    void Problem(long line, const std::string& what) {
        if (++verdict.problems <= kListedProblems) {
            out_ << "  line " << line << ": " << what << "\n";
        }
    }

    // One line without its LF; lineEnd false for a last line without one.
    void Line(long n, std::string line, bool lineEnd) {
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr) {
            line.pop_back();
        }
        if (!lineEnd) {
            Problem(n, "the file ends inside this line, without CR LF (a record cut short?)");
        } else if (!cr) {
            Problem(n, "ends with LF alone, where a record ends with CR LF");
        }
        if (line.empty()) {
            Problem(n, "an empty line");
        } else if (line.size() != static_cast<std::size_t>(RECORD_LENGTH)) {
            Problem(n, "damaged: " + std::to_string(line.size()) +
                           " characters where a record has " + std::to_string(RECORD_LENGTH) +
                           ", " + Quoted(line.substr(0, kQuotedLine)) +
                           (line.size() > kQuotedLine ? "..." : ""));
        } else {
            Record(n, line);
        }
    }

    DayFileVerdict verdict;

private:
    void Record(long n, std::string_view record) {
        for (int f = FIELD_DATE; f < FIELD_MODE; ++f) {
            const int gap = RecordColumns[f].offset + RecordColumns[f].length;
            if (record[static_cast<std::size_t>(gap)] != ' ') {
                Problem(n, "damaged: no space between the fields at character " +
                               std::to_string(gap + 1));
                return;
            }
        }
        const std::string_view date = Column(record, FIELD_DATE);
        if (!IsDate(date)) {
            Problem(n, "the date " + Quoted(date) + " is not a date");
        } else if (!date_.empty() && date != date_) {
            Problem(n, "dated " + std::string(date) + " in the file of " + date_);
        }
        Time(n, Column(record, FIELD_TIME));
        const std::string_view number = Column(record, FIELD_NUMBER);
        if (IsAllDigits(number)) {
            Numbering(n, SequenceFromRecord(record));
        } else {
            Problem(n, "the number " + Quoted(number) + " is not six digits");
        }
        const char letter = Column(record, FIELD_MODE)[0];
        for (const OperationMode mode : {OPERATION_LOAN, OPERATION_RETURN, OPERATION_REQUEST}) {
            if (letter == LetterOf(mode)) {
                ++(mode == OPERATION_LOAN     ? verdict.loans
                   : mode == OPERATION_RETURN ? verdict.returns
                                              : verdict.requests);
                Barcodes(n, mode, Column(record, FIELD_PATRON), Column(record, FIELD_ITEM));
                return;
            }
        }
        Problem(n, "the mode letter " + Quoted(Column(record, FIELD_MODE)) + " is none of " +
                       LetterOf(OPERATION_LOAN) + " (loan), " + LetterOf(OPERATION_RETURN) +
                       " (return), " + LetterOf(OPERATION_REQUEST) + " (request)");
    }

    void Time(long n, std::string_view time) {
        if (!IsTime(time)) {
            Problem(n, "the time " + Quoted(time) + " is not a time");
            return;
        }
        if (!lastTime_.empty() && time < lastTime_) {
            Problem(n, "the time " + std::string(time) + " comes before " + lastTime_ +
                           " of line " + std::to_string(lastTimeLine_));
        }
        lastTime_ = time;
        lastTimeLine_ = n;
        verdict.last = lastTime_;
        if (verdict.first.empty()) {
            verdict.first = lastTime_;
        }
    }

    void Numbering(long n, int number) {
        if (seen_.empty()) {
            seen_.assign(kNumbers, 0);
        }
        const std::string previous = Number(lastNumber_) + " of line " + std::to_string(lastLine_);
        if (seen_[static_cast<std::size_t>(number)] != 0) {
            // The numbering goes on from the record before the repeat: the
            // numbers after it are judged against that one.
            Problem(n, "the number " + Number(number) + " repeats line " +
                           std::to_string(seen_[static_cast<std::size_t>(number)]));
            return;
        }
        if (lastLine_ == 0 && number != 1) {
            Problem(n, "the number " + Number(number) + ": the day's numbers start at 000001");
        } else if (lastLine_ != 0 && number > lastNumber_ + 1) {
            Problem(n,
                    "the number " + Number(number) + " after " + previous + ": " +
                        Number(lastNumber_ + 1) +
                        (number == lastNumber_ + 2 ? " is missing"
                                                   : " to " + Number(number - 1) + " are missing"));
        } else if (lastLine_ != 0 && number <= lastNumber_) {
            Problem(n, "the number " + Number(number) + " after " + previous +
                           ": the numbering goes back");
        }
        seen_[static_cast<std::size_t>(number)] = n;
        lastNumber_ = number;
        lastLine_ = n;
    }

    // Why a desk would have refused text in the patron (wanted 'L') or item
    // ('C') field.
    std::string Refusal(const std::string& text, char wanted) const {
        const BarcodeVerdict v = JudgeBarcode(text, hasModels_);
        if (v.accepted) {
            return wanted == 'L' ? "is an item's barcode, not a patron's"
                                 : "is a patron's barcode, not an item's";
        }
        return v.words;
    }

    void Barcodes(long n, OperationMode mode, std::string_view patronField,
                  std::string_view itemField) {
        const std::string patron = WithoutTrailingSpaces(patronField);
        const std::string item = WithoutTrailingSpaces(itemField);
        const std::string name = ModeName(mode);
        int entry = ENTRY_OK;
        if (ModeNeedsPatron(mode)) {
            entry = CheckEntry(mode, patron.c_str(), item.c_str(), false, hasModels_);
            if (entry == ENTRY_PATRON_MISSING) {
                Problem(n, "a " + name + " without a patron");
            } else if (entry == ENTRY_PATRON_INVALID) {
                Problem(n, "the patron " + Quoted(patron) + " " + Refusal(patron, 'L'));
            }
        } else if (!patron.empty()) {
            Problem(n, "a return with the patron " + Quoted(patron) +
                           ", where a return's patron is blank");
        }
        if (!ModeNeedsPatron(mode) || entry == ENTRY_PATRON_MISSING ||
            entry == ENTRY_PATRON_INVALID) {
            // The rules stop at the patron: the item is judged on its own, by
            // the rule for a return's item.
            entry = CheckEntry(OPERATION_RETURN, nullptr, item.c_str(), false, hasModels_);
        }
        if (entry == ENTRY_ITEM_MISSING) {
            Problem(n, "a " + name + " without an item");
        } else if (entry == ENTRY_ITEM_INVALID) {
            Problem(n, "the item " + Quoted(item) + " " + Refusal(item, 'C'));
        }
    }

    std::ostream& out_;
    bool hasModels_;
    std::string date_;
    std::string lastTime_;
    long lastTimeLine_ = 0;
    int lastNumber_ = 0;
    long lastLine_ = 0;      // of the last numbered record; 0 before the first
    std::vector<long> seen_; // per number, the line that first held it
};

std::string Count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace

DayFileVerdict CheckDayFile(const std::string& path, const std::string& shownPath, bool hasModels,
                            std::ostream& out) {
    out << "Day file: " << shownPath << "\n";
    const std::string date = DateOfName(path);
    DayCheck check(out, hasModels, date);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        out << "  a folder, not a day's file\n";
        ++check.verdict.problems;
        out << "  Verdict: cannot be read\n";
        return check.verdict;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out << "  cannot be opened (" << std::strerror(errno) << ")\n";
        ++check.verdict.problems;
        out << "  Verdict: cannot be read\n";
        return check.verdict;
    }
    check.verdict.opened = true;
    if (date.empty()) {
        out << "  the name is not YYYYMMDD.qvp, so the records' dates cannot be checked\n";
        ++check.verdict.problems;
    }
    std::string line;
    long n = 0;
    while (std::getline(in, line)) {
        check.Line(++n, line, !in.eof());
    }
    if (in.bad()) {
        out << "  reading stopped after line " << n << "\n";
        ++check.verdict.problems;
    }
    DayFileVerdict& v = check.verdict;
    if (v.problems > kListedProblems) {
        out << "  ... and " << v.problems - kListedProblems << " more problems\n";
    }
    const int operations = v.loans + v.returns + v.requests;
    if (operations == 0) {
        out << "  Operations: none\n";
    } else {
        out << "  Operations: " << operations << ": " << Count(v.loans, "loan", "loans") << ", "
            << Count(v.returns, "return", "returns") << ", "
            << Count(v.requests, "request", "requests");
        if (!v.first.empty()) {
            out << "; first at " << v.first << ", last at " << v.last;
        }
        out << "\n";
    }
    out << "  Verdict: "
        << (v.problems == 0 ? std::string("sound") : Count(v.problems, "problem", "problems"))
        << "\n";
    return v;
}
