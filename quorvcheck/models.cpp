// The barcodes a pattern matches, as one row of character sets per length,
// worked out by walking the pattern the way the matcher walks it with a
// barcode of that length; then whether an earlier model decides every row
// of a later one.
#include "quorvcheck/models.h"

#include <bitset>
#include <cstring>
#include <vector>

namespace {

using CharSet = std::bitset<256>;

CharSet Only(unsigned char c) {
    CharSet set;
    set.set(c);
    return set;
}

CharSet Digits() {
    CharSet set;
    for (int c = '0'; c <= '9'; ++c) {
        set.set(static_cast<std::size_t>(c));
    }
    return set;
}

// Every byte a barcode can hold: no NUL.
CharSet AnyCharacter() {
    CharSet set;
    set.set();
    set.reset(0);
    return set;
}

// What the check character "K" can be. As the later model: the characters
// its method can compute (the 3-and-1 method a digit; the doubling method a
// digit, or for sums below zero one of ; < = > ? @ A B C). As the earlier
// model, any character: a right one lets the walk go on, a wrong one ends
// the search with BARCODE_BAD_CHECK; either way no later model is tried.
CharSet CheckCharacters(const BarcodeModel& model, bool earlier) {
    if (earlier) {
        return AnyCharacter();
    }
    CharSet set = Digits();
    if (model.checkMethod == 2) {
        for (int c = ';'; c <= 'C'; ++c) {
            set.set(static_cast<std::size_t>(c));
        }
    }
    return set;
}

// The sets of the barcodes of exactly length characters that the model's
// pattern matches, one per character; empty when it matches none of that
// length. Mirrors the matcher's walk: "[" and "]" consume nothing, and when
// the barcode runs out inside a group, or where one begins, the rest of that
// group is passed over and the pattern must end right after its "]".
std::vector<CharSet> Row(const BarcodeModel& model, std::size_t length, bool earlier) {
    const char* pattern = model.pattern != nullptr ? model.pattern : "";
    std::vector<CharSet> row;
    std::size_t p = 0;
    bool inGroup = false;
    while (pattern[p] != '\0' && row.size() < length) {
        const unsigned char pc = static_cast<unsigned char>(pattern[p]);
        switch (pc) {
        case 'N':
        case 'n':
            row.push_back(Digits());
            break;
        case 'X':
            row.push_back(AnyCharacter());
            break;
        case 'A':
            row.push_back(model.optionalId ? AnyCharacter() : Only('A'));
            break;
        case 'K':
            row.push_back(CheckCharacters(model, earlier));
            break;
        case '[':
            inGroup = true;
            break;
        case ']':
            inGroup = false;
            break;
        case '\\':
            ++p;
            if (pattern[p] == '\0') {
                return {}; // the escaped NUL matches nothing
            }
            row.push_back(Only(static_cast<unsigned char>(pattern[p])));
            break;
        default:
            row.push_back(Only(pc));
            break;
        }
        ++p;
    }
    if (row.size() < length) {
        return {};
    }
    if (inGroup || pattern[p] == '[') {
        while (pattern[p] != '\0' && pattern[p] != ']') {
            ++p;
        }
        if (pattern[p] == ']') {
            ++p;
        }
    }
    if (pattern[p] != '\0') {
        return {};
    }
    // The matcher sees the barcode without its leading and trailing spaces.
    row.front().reset(' ');
    row.back().reset(' ');
    for (const CharSet& set : row) {
        if (set.none()) {
            return {};
        }
    }
    return row;
}

// Whether earlier decides every barcode that later matches.
bool Covers(const BarcodeModel& earlier, const BarcodeModel& later) {
    const std::size_t longest = std::strlen(later.pattern != nullptr ? later.pattern : "");
    for (std::size_t length = 1; length <= longest; ++length) {
        const std::vector<CharSet> mine = Row(later, length, false);
        if (mine.empty()) {
            continue;
        }
        const std::vector<CharSet> theirs = Row(earlier, length, true);
        if (theirs.empty()) {
            return false;
        }
        for (std::size_t i = 0; i < length; ++i) {
            if ((mine[i] & ~theirs[i]).any()) {
                return false;
            }
        }
    }
    return true;
}

bool MatchesNothing(const BarcodeModel& model) {
    const std::size_t longest = std::strlen(model.pattern != nullptr ? model.pattern : "");
    for (std::size_t length = 1; length <= longest; ++length) {
        if (!Row(model, length, false).empty()) {
            return false;
        }
    }
    return true;
}

} // namespace

int EarlierModelCovering(const BarcodeModel* model) {
    if (model == nullptr || MatchesNothing(*model)) {
        return -1;
    }
    int place = 1;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr && m != model; m = m->next) {
        if (Covers(*m, *model)) {
            return place;
        }
        ++place;
    }
    return 0;
}
