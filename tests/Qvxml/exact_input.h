// Test input in a heap block of exactly its size, with nothing after it, so
// that the address sanitizer catches any read at or past the input's end.
#pragma once

#include <cstring>
#include <memory>
#include <string>

struct ExactInput {
    explicit ExactInput(const std::string& bytes, std::size_t size = std::string::npos)
        : size_(size < bytes.size() ? size : bytes.size()), block_(new char[size_]) {
        std::memcpy(block_.get(), bytes.data(), size_);
    }
    const char* begin() const { return block_.get(); }
    const char* end() const { return block_.get() + size_; }
    std::size_t size_;
    std::unique_ptr<char[]> block_;
};
