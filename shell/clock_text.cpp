// Clock and greeting texts: the date and time formats of the dialog.
#include "shell/clock_text.h"

#include <cstdio>

std::string ClockDateText(const std::tm* local) {
    const int day = local != nullptr ? local->tm_mday : 0;
    const int month = local != nullptr ? local->tm_mon + 1 : 0;
    // Widened before the addition: tm_year may be near INT_MAX.
    const long long year = local != nullptr ? local->tm_year + 1900LL : 0;
    char text[64];
    std::snprintf(text, sizeof text, "%.2d - %.2d - %lld", day, month, year);
    return text;
}

std::string ClockTimeText(const std::tm* local) {
    char text[32];
    if (local == nullptr || std::strftime(text, sizeof text, "%H : %M : %S", local) == 0) {
        return {};
    }
    return text;
}

std::string GreetingText(const char* greeting, const std::tm* local) {
    std::string text = "\n";
    text += greeting != nullptr ? greeting : "";
    text += "\n\n";
    text += ClockDateText(local);
    text += '\n';
    text += ClockTimeText(local);
    return text;
}
