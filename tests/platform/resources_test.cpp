// The built-in resources: the dialog template's data against the Windows
// resource script, and the pictures' sizes and formats.
#include "res/dialog_template.h"
#include "res/resource.h"
#include "res/resources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    const auto e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// Splits a CONTROL line's arguments at the commas outside quotes.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char ch : line) {
        if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            out.emplace_back();
            continue;
        }
        out.back() += ch;
    }
    for (std::string& f : out) {
        f = Trim(f);
    }
    return out;
}

// The symbols the resource script uses: resource.h's ids and the styles.
class Symbols {
public:
    Symbols() {
        std::istringstream header(ReadFile(QUORVEL_SOURCE_DIR "/res/resource.h"));
        std::string word, name, value;
        while (header >> word) {
            if (word == "#define" && header >> name >> value) {
                values_[name] = std::stol(value.front() == '(' ? value.substr(1) : value);
            }
        }
        const std::pair<const char*, long> styles[] = {
            {"WS_GROUP", WS_GROUP},
            {"WS_TABSTOP", WS_TABSTOP},
            {"WS_BORDER", WS_BORDER},
            {"WS_EX_TRANSPARENT", WS_EX_TRANSPARENT},
            {"BS_GROUPBOX", BS_GROUPBOX},
            {"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON},
            {"BS_CENTER", BS_CENTER},
            {"SS_LEFT", SS_LEFT},
            {"SS_RIGHT", SS_RIGHT},
            {"SS_BITMAP", SS_BITMAP},
            {"ES_RIGHT", ES_RIGHT},
            {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
            {"LVS_REPORT", LVS_REPORT},
            {"LVS_SINGLESEL", LVS_SINGLESEL},
            {"LVS_SHOWSELALWAYS", LVS_SHOWSELALWAYS},
            {"LVS_SHAREIMAGELISTS", LVS_SHAREIMAGELISTS},
            {"LVS_NOSORTHEADER", LVS_NOSORTHEADER},
        };
        for (const auto& [n, v] : styles) {
            values_[n] = v;
        }
    }

    // A number, a symbol or symbols joined by "|"; unknown symbols fail the test.
    long Value(const std::string& expr) const {
        long v = 0;
        std::istringstream parts(expr);
        std::string part;
        while (std::getline(parts, part, '|')) {
            part = Trim(part);
            if (!part.empty() && (std::isdigit(static_cast<unsigned char>(part[0])) != 0)) {
                v |= std::stol(part, nullptr, 0);
            } else if (auto it = values_.find(part); it != values_.end()) {
                v |= it->second;
            } else {
                ADD_FAILURE() << "unknown symbol " << part;
            }
        }
        return v;
    }

private:
    std::map<std::string, long> values_;
};

TEST(DialogTemplate, MatchesTheResourceScript) {
    const std::string rc = ReadFile(QUORVEL_SOURCE_DIR "/res/quorvelp.rc");
    const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(rc.find("IDD_QUORVELP_DIALOG DIALOGEX 0, 0, 391, 270"), std::string::npos);
    EXPECT_EQ(t->cx, 391);
    EXPECT_EQ(t->cy, 270);
    EXPECT_NE(rc.find(std::string("CAPTION \"") + t->caption + "\""), std::string::npos);
    EXPECT_NE(rc.find("FONT " + std::to_string(t->fontPoints) + ", \"" + t->fontName + "\""),
              std::string::npos);

    const Symbols symbols;
    std::istringstream lines(rc.substr(rc.find("DIALOGEX")));
    std::string line;
    std::size_t n = 0;
    while (std::getline(lines, line) && Trim(line) != "END") {
        line = Trim(line);
        if (line.rfind("CONTROL ", 0) != 0) {
            continue;
        }
        const std::vector<std::string> f = Fields(line.substr(8));
        ASSERT_GE(f.size(), 8u) << line;
        ASSERT_LT(n, t->controlCount) << "more controls in the script than in the data";
        const res::TemplateControl& c = t->controls[n];
        const std::string where = "control #" + std::to_string(n + 1) + ": " + line;
        if (c.kind == res::ControlKind::Picture) {
            EXPECT_EQ(symbols.Value(f[0]), static_cast<long>(c.bitmapId)) << where;
        } else {
            EXPECT_EQ(f[0], std::string("\"") + c.text + "\"") << where;
        }
        EXPECT_EQ(symbols.Value(f[1]), c.id) << where;
        EXPECT_EQ(f[2], std::string("\"") + res::WindowClassName(c.kind) + "\"") << where;
        EXPECT_EQ(symbols.Value(f[3]), static_cast<long>(c.style)) << where;
        EXPECT_EQ(symbols.Value(f[4]), c.x) << where;
        EXPECT_EQ(symbols.Value(f[5]), c.y) << where;
        EXPECT_EQ(symbols.Value(f[6]), c.cx) << where;
        EXPECT_EQ(symbols.Value(f[7]), c.cy) << where;
        EXPECT_EQ(f.size() > 8 ? symbols.Value(f[8]) : 0, static_cast<long>(c.exStyle)) << where;
        ++n;
    }
    EXPECT_EQ(n, t->controlCount);
    EXPECT_EQ(res::FindDialogTemplate(101), nullptr);
}

TEST(DialogTemplate, TabStopsAreTheTwoEditsAndTheList) {
    const res::DialogTemplate* t = res::FindDialogTemplate(IDD_QUORVELP_DIALOG);
    ASSERT_NE(t, nullptr);
    std::vector<int> tabStops;
    for (std::size_t i = 0; i < t->controlCount; ++i) {
        if ((t->controls[i].style & WS_TABSTOP) != 0) {
            tabStops.push_back(t->controls[i].id);
        }
    }
    EXPECT_EQ(tabStops, (std::vector<int>{IDC_EDIT_PATRON, IDC_EDIT_ITEM, IDC_LIST_OPERATIONS}));
}

struct PictureCase {
    const char* description;
    UINT id;
    const char* file;
    int width, height, bits;
};

class Pictures : public ::testing::TestWithParam<PictureCase> {};

TEST_P(Pictures, AreBuiltInWithTheirSizeAndColourDepth) {
    const PictureCase& c = GetParam();
    const res::Blob bmp = res::FindBitmap(c.id);
    ASSERT_NE(bmp.data, nullptr) << c.description;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bmp.data), bmp.size),
              ReadFile(std::string(QUORVEL_SOURCE_DIR "/res/pictures/") + c.file))
        << c.description;
    res::BitmapSize size{};
    ASSERT_TRUE(res::ReadBitmapSize(bmp, &size)) << c.description;
    EXPECT_EQ(size.width, c.width) << c.description;
    EXPECT_EQ(size.height, c.height) << c.description;
    EXPECT_EQ(size.bitsPerPixel, c.bits) << c.description;
    const std::string rc = ReadFile(QUORVEL_SOURCE_DIR "/res/quorvelp.rc");
    EXPECT_NE(rc.find(std::string("BITMAP \"pictures/") + c.file + "\""), std::string::npos)
        << c.description;
}

const PictureCase kPictures[] = {
    {"loan_book", IDB_BOOK_LOAN, "book_loan.bmp", 25, 25, 8},
    {"return_book", IDB_BOOK_RETURN, "book_return.bmp", 25, 25, 8},
    {"request_book", IDB_BOOK_REQUEST, "book_request.bmp", 25, 25, 8},
    {"mode_strip", IDB_MODE_STRIP, "mode_strip.bmp", 48, 15, 4},
};

INSTANTIATE_TEST_SUITE_P(Bitmaps, Pictures, ::testing::ValuesIn(kPictures),
                         [](const auto& info) { return std::string(info.param.description); });

TEST(Pictures, TheIconHasA32And16PixelImageOf16Colours) {
    const res::Blob ico = res::FindIcon(IDR_MAINFRAME);
    ASSERT_GE(ico.size, 6u + 2 * 16u);
    EXPECT_EQ(ico.data[2], 1); // an icon, not a cursor
    ASSERT_EQ(ico.data[4], 2);
    EXPECT_EQ(ico.data[6], 32);
    EXPECT_EQ(ico.data[7], 32);
    EXPECT_EQ(ico.data[8], 16); // colours
    EXPECT_EQ(ico.data[6 + 16], 16);
    EXPECT_EQ(ico.data[6 + 16 + 1], 16);
    EXPECT_EQ(ico.data[6 + 16 + 2], 16);
    EXPECT_EQ(res::FindIcon(IDB_BOOK_LOAN).data, nullptr);
    EXPECT_EQ(res::FindBitmap(IDR_MAINFRAME).data, nullptr);
}

TEST(Pictures, BitmapSizeRefusesWhatIsNoBmp) {
    const unsigned char junk[60] = {'B', 'X'};
    res::BitmapSize size{7, 7, 7};
    EXPECT_FALSE(res::ReadBitmapSize({junk, sizeof junk}, &size));
    EXPECT_FALSE(res::ReadBitmapSize({res::FindBitmap(IDB_MODE_STRIP).data, 40}, &size));
    EXPECT_FALSE(res::ReadBitmapSize({nullptr, 0}, &size));
    EXPECT_EQ(size.width, 7);
}

} // namespace
