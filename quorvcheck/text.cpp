// Conversions between the settings file's ISO-8859-1 and the UTF-8 of the
// checker's terminal. Nothing here knows about settings or barcodes.
#include "quorvcheck/text.h"

#include <cstddef>

namespace {

// One UTF-8 sequence at s[i]: its code point and length, or length 0 when
// the bytes there are not a valid, shortest-form sequence.
struct Utf8Char {
    unsigned long code;
    std::size_t length;
};

Utf8Char DecodeUtf8(const unsigned char* s, std::size_t i, std::size_t n) {
    const unsigned char lead = s[i];
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    unsigned long code = 0;
    unsigned long least = 0; // smallest code point that needs this length
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        least = 0x10000;
    } else {
        return {0, 0};
    }
    if (n - i < length) {
        return {0, 0};
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((s[i + k] & 0xC0u) != 0x80u) {
            return {0, 0};
        }
        code = (code << 6) | (s[i + k] & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return {0, 0};
    }
    return {code, length};
}

} // namespace

std::string PrintableLatin1(const char* text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        const unsigned char c = *p;
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string ArgumentToLatin1(const char* argument, bool* replaced) {
    if (replaced != nullptr) {
        *replaced = false;
    }
    const std::string raw = argument != nullptr ? argument : "";
    const auto* s = reinterpret_cast<const unsigned char*>(raw.data());
    const std::size_t n = raw.size();
    std::string out;
    bool lost = false;
    for (std::size_t i = 0; i < n;) {
        const Utf8Char c = DecodeUtf8(s, i, n);
        if (c.length == 0) {
            return raw;
        }
        lost = lost || c.code > 0xFF;
        out += c.code > 0xFF ? '?' : static_cast<char>(static_cast<unsigned char>(c.code));
        i += c.length;
    }
    if (replaced != nullptr) {
        *replaced = lost;
    }
    return out;
}

std::string PrintablePath(const std::string& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Char c = DecodeUtf8(s, i, bytes.size());
        if (c.length == 0) {
            return PrintableLatin1(bytes.c_str());
        }
        if (c.code < 0x20 || c.code == 0x7F) {
            const char control[2] = {static_cast<char>(c.code), '\0'};
            out += c.code == 0 ? "\\x00" : PrintableLatin1(control);
        } else {
            out.append(bytes, i, c.length);
        }
        i += c.length;
    }
    return out;
}

bool ReadsAsUtf8(const char* text, std::size_t size) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    bool multiByte = false;
    for (std::size_t i = 0; i < size;) {
        const Utf8Char c = DecodeUtf8(s, i, size);
        if (c.length == 0) {
            return false;
        }
        multiByte = multiByte || c.length > 1;
        i += c.length;
    }
    return multiByte;
}
