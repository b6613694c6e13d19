// Printing ISO-8859-1 on a UTF-8 terminal, and reading arguments back.
#include "quorvcheck/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Text, EveryByteIsPrintedSafely) {
    for (int b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        const char text[2] = {static_cast<char>(b), '\0'};
        const std::string printed = PrintableLatin1(text);
        if (b < 0x20 || (b >= 0x7F && b <= 0x9F)) {
            // An escape of plain ASCII that names the byte.
            ASSERT_EQ(printed[0], '\\');
            for (const char c : printed) {
                EXPECT_TRUE(c >= 0x20 && c < 0x7F);
            }
        } else {
            // Read back to the very byte, so it was valid UTF-8 of that character.
            bool replaced = true;
            EXPECT_EQ(ArgumentToLatin1(printed.c_str(), &replaced), text);
            EXPECT_FALSE(replaced);
        }
    }
    EXPECT_EQ(PrintableLatin1("a\tb\nc\rd\x1B\x85\\N\xE9"), "a\\tb\\nc\\rd\\x1B\\x85\\N\xC3\xA9");
    EXPECT_EQ(PrintableLatin1(nullptr), "");
}

TEST(Text, ArgumentsToLatin1) {
    struct Case {
        const char* description;
        const char* argument;
        std::string latin1;
        bool replaced;
    };
    const Case cases[] = {
        {"two_byte", "\xC3\x89t\xC3\xA9", "\xC9t\xE9", false},
        {"beyond_latin1", "\xE2\x82\xAC\xF0\x9F\x93\x9A.", "??.", true},
        {"latin1_typed", "\xC9t\xE9", "\xC9t\xE9", false},
        {"overlong", "\xC0\x80\xC3\xA9", "\xC0\x80\xC3\xA9", false},
        {"surrogate", "\xED\xA0\x80", "\xED\xA0\x80", false},
        {"cut_short", "\xE2\x82\xAC\xE2\x82", "\xE2\x82\xAC\xE2\x82", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        bool replaced = !c.replaced;
        EXPECT_EQ(ArgumentToLatin1(c.argument, &replaced), c.latin1);
        EXPECT_EQ(replaced, c.replaced);
    }
}

TEST(Text, PathsAndUtf8) {
    const struct {
        const char* description;
        std::string bytes;
        std::string printed; // PrintablePath
        bool utf8;           // ReadsAsUtf8
    } cases[] = {
        {"ascii", "C:\\Quorvel\tx", "C:\\Quorvel\\tx", false},
        {"utf8_kept", "Caja\xE2\x82\xAC/pr\xC3\xA9stamo", "Caja\xE2\x82\xAC/pr\xC3\xA9stamo", true},
        {"latin1_converted", "pr\xE9stamo", "pr\xC3\xA9stamo", false},
        {"utf8_then_latin1", "\xC3\xA9\xE9", "\xC3\x83\xC2\xA9\xC3\xA9", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(PrintablePath(c.bytes), c.printed);
        EXPECT_EQ(ReadsAsUtf8(c.bytes.data(), c.bytes.size()), c.utf8);
    }
}

} // namespace
