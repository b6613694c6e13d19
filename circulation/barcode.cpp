// Barcode models and the matcher: the model list, the pattern walk, the
// numeric rule for texts that fit no model, and both check-character methods.
// Reading the models from the settings file is barcode_settings' business.
#include "circulation/barcode.h"

#include <cstring>
#include <new>

BarcodeModel* g_barcodeModels = nullptr;

namespace {

constexpr int WORK_SIZE = 256;

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// Doubling-method check character over the first `length` bytes of `text`.
char CheckCharOf(const char* text, size_t length) {
    // 64 bits so that no text, however long, can overflow the sum.
    int64_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        int64_t product = static_cast<int64_t>(static_cast<unsigned char>(text[i])) - 48;
        if (i % 2 == 0) {
            product *= 2;
            if (product > 9) {
                product -= 9;
            }
        }
        sum += product;
    }
    const int64_t remainder = sum % 10; // truncating: carries the sign of the sum
    if (remainder == 0) {
        return '0';
    }
    return static_cast<char>(58 - remainder);
}

// 3-and-1 check digit from the digit sums that the "N" letters collected: the
// digit nearest the "K" weighs 3, the one before it 1, and so on.
char ThreeAndOneCheckDigit(int digitCount, unsigned oddSum, unsigned evenSum) {
    const unsigned s = (digitCount % 2 != 0) ? evenSum + 3 * oddSum : oddSum + 3 * evenSum;
    return static_cast<char>('0' + (10 - s % 10) % 10);
}

enum WalkResult {
    WALK_NO_MATCH,
    WALK_MATCH,
    WALK_BAD_CHECK
};

struct Walk {
    uint32_t value = 0; // unsigned, so that long numbers wrap instead of overflowing
    char capture[WORK_SIZE] = {};
};

// Walks one model's pattern over the trimmed text. All state is local, so a
// model that fails half-way leaves nothing behind for the next one.
WalkResult WalkModel(const BarcodeModel& model, const char* text, Walk& walk) {
    const char* pattern = model.pattern != nullptr ? model.pattern : "";
    size_t p = 0;
    size_t t = 0;
    unsigned oddSum = 0;
    unsigned evenSum = 0;
    int digitCount = 0;
    bool inGroup = false;
    bool matching = true;
    size_t captured = 0;

    while (pattern[p] != '\0' && text[t] != '\0') {
        const unsigned char pc = static_cast<unsigned char>(pattern[p]);
        const unsigned char tc = static_cast<unsigned char>(text[t]);
        bool consume = true;
        switch (pc) {
        case 'N':
            if (!IsDigit(tc)) {
                matching = false;
                break;
            }
            walk.value = walk.value * 10u + (tc - '0');
            ++digitCount;
            if (digitCount % 2 != 0) {
                oddSum += tc - '0';
            } else {
                evenSum += tc - '0';
            }
            break;
        case 'n':
            if (!IsDigit(tc)) {
                matching = false;
                break;
            }
            walk.value = walk.value * 10u + (tc - '0');
            break;
        case 'X':
            break;
        case 'A':
            if (!model.optionalId && tc != 'A') {
                matching = false;
            }
            break;
        case 'K': {
            const char expected = (model.checkMethod == 2)
                                      ? CheckCharOf(text, t)
                                      : ThreeAndOneCheckDigit(digitCount, oddSum, evenSum);
            if (static_cast<char>(tc) != expected) {
                return WALK_BAD_CHECK;
            }
            break;
        }
        case '[':
            inGroup = true;
            consume = false;
            break;
        case ']':
            inGroup = false;
            consume = false;
            break;
        case '\\':
            ++p; // the escaped character; at the pattern's end it is the NUL, which matches nothing
            if (static_cast<unsigned char>(pattern[p]) != tc) {
                matching = false;
            }
            break;
        default:
            if (pc != tc) {
                matching = false;
            }
            break;
        }
        if (!matching) {
            break;
        }
        ++p;
        if (consume) {
            walk.capture[captured++] = static_cast<char>(tc);
            ++t;
        }
    }

    if (inGroup || pattern[p] == '[') {
        // The barcode ended inside an optional tail, or where one begins:
        // pass over the rest of that group.
        while (pattern[p] != '\0' && pattern[p] != ']') {
            ++p;
        }
        if (pattern[p] == ']') {
            ++p;
        }
    }
    walk.capture[captured] = '\0';
    return (matching && text[t] == '\0' && pattern[p] == '\0') ? WALK_MATCH : WALK_NO_MATCH;
}

// The numeric rule, for a trimmed text that fits no model.
int ClassifyNumber(const char* text, int32_t* value, char* kind) {
    if (value != nullptr) {
        *value = 0;
    }
    while (*text == '0') {
        ++text;
    }
    const size_t length = std::strlen(text);
    bool allDigits = length <= 10;
    uint32_t number = 0;
    for (size_t i = 0; allDigits && i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!IsDigit(c)) {
            allDigits = false;
        } else {
            number = number * 10u + (c - '0');
        }
    }
    if (!allDigits) {
        if (kind != nullptr) {
            *kind = 'X';
        }
        return BARCODE_REJECTED;
    }

    bool itemModels = false;
    bool patronModels = false;
    for (const BarcodeModel* m = g_barcodeModels; m != nullptr; m = m->next) {
        itemModels = itemModels || m->kind == 'C';
        patronModels = patronModels || m->kind == 'L';
    }
    const int32_t signedNumber = static_cast<int32_t>(number);
    char result = 'X';
    if (!itemModels) {
        result = signedNumber > 999999 ? 'C' : 'X';
    } else if (!patronModels) {
        result = (signedNumber >= 100000 && signedNumber <= 999999) ? 'L' : 'X';
    }
    if (value != nullptr) {
        *value = signedNumber;
    }
    if (kind != nullptr) {
        *kind = result;
    }
    return BARCODE_OK;
}

} // namespace

void RegisterBarcodeModel(char kind, const char* pattern, char optionalId, int32_t checkMethod) {
    if (pattern == nullptr) {
        pattern = "";
    }
    const size_t length = std::strlen(pattern);
    auto* model = new (std::nothrow) BarcodeModel{};
    char* copy = new (std::nothrow) char[length + 1];
    if (model == nullptr || copy == nullptr) {
        delete model;
        delete[] copy;
        return;
    }
    std::memcpy(copy, pattern, length + 1);
    model->pattern = copy;
    model->kind = kind;
    model->optionalId = optionalId == '1' ? 1 : 0;
    model->checkMethod = checkMethod;
    model->next = nullptr;

    BarcodeModel** tail = &g_barcodeModels;
    while (*tail != nullptr) {
        tail = &(*tail)->next;
    }
    *tail = model;
}

int MatchBarcode(const char* text, int32_t* value, char* kind, char* captured) {
    if (text == nullptr) {
        return BARCODE_REJECTED;
    }
    while (*text == ' ') {
        ++text;
    }
    // Bounded length: never scan further than one byte past the limit.
    const size_t length = strnlen(text, BARCODE_MAX_TEXT + 1);
    if (length > static_cast<size_t>(BARCODE_MAX_TEXT)) {
        return BARCODE_REJECTED;
    }
    char work[WORK_SIZE];
    std::memcpy(work, text, length);
    size_t end = length;
    while (end > 0 && work[end - 1] == ' ') {
        --end;
    }
    work[end] = '\0';

    for (const BarcodeModel* model = g_barcodeModels; model != nullptr; model = model->next) {
        Walk walk;
        const WalkResult result = WalkModel(*model, work, walk);
        if (result == WALK_BAD_CHECK) {
            if (value != nullptr) {
                *value = 0;
            }
            if (kind != nullptr) {
                *kind = 'X';
            }
            return BARCODE_BAD_CHECK;
        }
        if (result == WALK_NO_MATCH) {
            continue;
        }
        const int32_t number = static_cast<int32_t>(walk.value);
        char matchedKind = model->kind;
        if (matchedKind == 'X') {
            if (number > 999999) {
                matchedKind = 'C';
            } else if (number > 99999) {
                matchedKind = 'L';
            }
        }
        if (value != nullptr) {
            *value = number;
        }
        if (kind != nullptr) {
            *kind = matchedKind;
        }
        if (captured != nullptr) {
            if (model->optionalId) {
                std::memcpy(captured, walk.capture, std::strlen(walk.capture) + 1);
            } else {
                captured[0] = '\0';
            }
        }
        return BARCODE_OK;
    }
    return ClassifyNumber(work, value, kind);
}

char ComputeCheckChar(const char* text) {
    if (text == nullptr) {
        return '0';
    }
    return CheckCharOf(text, std::strlen(text));
}
