// quorvcheck on Windows: whether the account may create files in the work
// area, asked of the folder's access control list; text from the command
// line in the ANSI code page; UTF-8 handed to a console as wide characters.
#include "quorvcheck/system.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <iostream>
#include <streambuf>
#include <vector>

namespace {

// 1 when the account running the checker may create a file in folder, 0
// when its access control list refuses, -1 when the system cannot tell.
int MayCreateFilesIn(const std::string& folder) {
    const SECURITY_INFORMATION parts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetFileSecurityA(folder.c_str(), parts, nullptr, 0, &needed);
    if (needed == 0) {
        return -1;
    }
    std::vector<unsigned char> descriptor(needed);
    if (!GetFileSecurityA(folder.c_str(), parts, descriptor.data(), needed, &needed)) {
        return -1;
    }
    HANDLE process = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &process)) {
        return -1;
    }
    HANDLE token = nullptr;
    const BOOL duplicated = DuplicateToken(process, SecurityImpersonation, &token);
    CloseHandle(process);
    if (!duplicated) {
        return -1;
    }
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    DWORD wanted = FILE_ADD_FILE;
    MapGenericMask(&wanted, &mapping);
    PRIVILEGE_SET privileges{};
    DWORD privilegesSize = sizeof privileges;
    DWORD granted = 0;
    BOOL allowed = FALSE;
    const BOOL checked = AccessCheck(descriptor.data(), token, wanted, &mapping, &privileges,
                                     &privilegesSize, &granted, &allowed);
    CloseHandle(token);
    if (!checked) {
        return -1;
    }
    return allowed ? 1 : 0;
}

std::wstring Widen(const char* text, int size, UINT codePage) {
    const int wide = size > 0 ? MultiByteToWideChar(codePage, 0, text, size, nullptr, 0) : 0;
    std::wstring out(static_cast<std::size_t>(wide > 0 ? wide : 0), L'\0');
    if (wide > 0) {
        MultiByteToWideChar(codePage, 0, text, size, out.data(), wide);
    }
    return out;
}

// UTF-8 text to a console, a line at a time, as wide characters. A UTF-8
// sequence that the text handed over so far cuts is kept for the next piece.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return traits_type::not_eof(c);
        }
        const char byte = traits_type::to_char_type(c);
        pending_ += byte;
        if (byte == '\n') {
            Hand();
        }
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos) {
            Hand();
        }
        return count;
    }
    int sync() override {
        Hand();
        return 0;
    }

private:
    void Hand() {
        std::size_t whole = pending_.size();
        // Step back over a last sequence that is not complete yet.
        std::size_t lead = whole;
        while (lead > 0 && (static_cast<unsigned char>(pending_[lead - 1]) & 0xC0u) == 0x80u) {
            --lead;
        }
        if (lead > 0) {
            const unsigned char first = static_cast<unsigned char>(pending_[lead - 1]);
            const std::size_t length = first >= 0xF0   ? 4
                                       : first >= 0xE0 ? 3
                                       : first >= 0xC0 ? 2
                                                       : 1;
            if (length > 1 && whole - (lead - 1) < length) {
                whole = lead - 1;
            }
        }
        const std::wstring wide = Widen(pending_.data(), static_cast<int>(whole), CP_UTF8);
        DWORD written = 0;
        if (!wide.empty()) {
            WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written,
                          nullptr);
        }
        pending_.erase(0, whole);
    }

    HANDLE console_;
    std::string pending_;
};

// The console stream for handle, or fallback when handle is no console.
std::ostream& StreamFor(DWORD handle, std::ostream& fallback) {
    const HANDLE h = GetStdHandle(handle);
    DWORD mode = 0;
    if (h == nullptr || h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) {
        return fallback;
    }
    // One per handle for the program's life; never destroyed, so that
    // output at exit still finds them.
    auto* stream = new std::ostream(new ConsoleBuffer(h));
    return *stream;
}

} // namespace

FolderState InspectFolder(const std::string& path) {
    FolderState state;
    char name[256];
    DWORD size = sizeof name;
    state.account = GetUserNameA(name, &size) ? name : "this account";
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return state;
    }
    state.exists = true;
    state.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (state.isFolder) {
        state.writable = MayCreateFilesIn(path);
    }
    return state;
}

std::string CommandLineToUtf8(const std::string& text) {
    const std::wstring wide = Widen(text.data(), static_cast<int>(text.size()), CP_ACP);
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                            size, nullptr, nullptr);
    }
    return out;
}

std::ostream& StandardOutput() {
    static std::ostream& stream = StreamFor(STD_OUTPUT_HANDLE, std::cout);
    return stream;
}

std::ostream& StandardError() {
    static std::ostream& stream = StreamFor(STD_ERROR_HANDLE, std::cerr);
    return stream;
}

void FlushStandardStreams() {
    StandardOutput().flush();
    StandardError().flush();
}
