// Printing ISO-8859-1 on a UTF-8 terminal, and reading arguments back.
#include "quorvcheck/text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace {

// Control characters are escaped in plain ASCII; everything else becomes the
// UTF-8 of its character: the bytes at each border.
TEST(Text, Latin1IsPrintedSafely) {
    EXPECT_EQ(PrintableLatin1("\x01\t\n\r\x1F \\~\x7F\x80\x9F\xA0\xBF\xC0\xFF"),
              "\\x01\\t\\n\\r\\x1F \\~\\x7F\\x80\\x9F\xC2\xA0\xC2\xBF\xC3\x80\xC3\xBF");
    EXPECT_EQ(PrintableLatin1(nullptr), "");
}

TEST(Text, ArgumentsToLatin1) {
    // Only whole, valid UTF-8 is converted; anything else is taken as typed.
    const std::tuple<const char*, std::string, bool> cases[] = {
        {"\xC3\x89t\xC3\xA9", "\xC9t\xE9", false},
        {"\xE2\x82\xAC\xF0\x9F\x93\x9A.", "??.", true}, // beyond Latin-1
        {"\xC9t\xE9", "\xC9t\xE9", false},
        {"\xC0\x80\xC3\xA9", "\xC0\x80\xC3\xA9", false}, // overlong
        {"\xED\xA0\x80", "\xED\xA0\x80", false},         // a surrogate
        {"\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC\xE2\x82", false},
    };
    for (const auto& [argument, latin1, replaced] : cases) {
        bool lost = !replaced;
        EXPECT_EQ(ArgumentToLatin1(argument, &lost), latin1);
        EXPECT_EQ(lost, replaced) << latin1;
    }
}

TEST(Text, PathsAndUtf8) {
    const std::tuple<std::string, std::string, bool> cases[] = {
        // bytes, PrintablePath, ReadsAsUtf8
        {"C:\\Quorvel\tx", "C:\\Quorvel\\tx", false},
        {"Caja\xE2\x82\xAC/pr\xC3\xA9stamo", "Caja\xE2\x82\xAC/pr\xC3\xA9stamo", true},
        {"pr\xE9stamo", "pr\xC3\xA9stamo", false},
        {"\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9", false},
    };
    for (const auto& [bytes, printed, utf8] : cases) {
        EXPECT_EQ(PrintablePath(bytes), printed);
        EXPECT_EQ(ReadsAsUtf8(bytes.data(), bytes.size()), utf8) << printed;
    }
}

} // namespace
