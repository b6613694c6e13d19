// The texts of the dialog's clock and of the start-up greeting, from one
// reading of the local time.
//
// Window-free. A null time stands for a local-time conversion that failed:
// each date part then reads 0 and the time is the empty text, as the
// framework's time class reports an instant it cannot convert.
#pragma once

#include <ctime>
#include <string>

// "%.2d - %.2d - %d": day of the month, month (1 to 12) and the full year
// with as many digits as it has, "06 - 12 - 2026".
std::string ClockDateText(const std::tm* local);

// strftime "%H : %M : %S", "05 : 00 : 19".
std::string ClockTimeText(const std::tm* local);

// "\n%s\n\n%s\n%s" of the greeting (null: the empty text), the date text and
// the time text: an empty line, the greeting, an empty line, date, time.
std::string GreetingText(const char* greeting, const std::tm* local);
