// Test input in a heap block of exactly its size, with nothing after it, so
// that the address sanitizer catches any read at or past the input's end; and
// a printable form of raw bytes for failure messages.
#pragma once

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

class ExactInput {
public:
    explicit ExactInput(const std::string& bytes, std::size_t size = std::string::npos)
        : size_(size < bytes.size() ? size : bytes.size()), block_(new char[size_]) {
        std::memcpy(block_.get(), bytes.data(), size_);
    }
    const char* begin() const { return block_.get(); }
    const char* end() const { return block_.get() + size_; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> block_;
};

inline std::string Printable(const std::string& bytes) {
    std::string s = "\"";
    for (unsigned char b : bytes) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        s += (b >= 0x20 && b < 0x7F) ? std::string(1, static_cast<char>(b)) : std::string(hex);
    }
    return s + "\"";
}
