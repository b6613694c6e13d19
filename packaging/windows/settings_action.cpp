// quorvsetup.dll: the Windows Installer custom action that gives an
// installation folder its settings file. It copies the example settings
// shipped beside the programs to <folder>\Admin\quorvp.xml with the work area
// set to <folder>\Work, and only when nothing is at that path yet: a site's
// settings are never overwritten, by a repair, an upgrade or a second
// installation alike. The file belongs to no component, so no removal can
// delete it either.
//
// A custom action because the file's contents depend on the folder chosen at
// installation time, which no table of Windows Installer can write into a
// file. The package (quorvel.wxs) runs it deferred, as the system account,
// after the folders and the example are in place, with CustomActionData
// "<installation folder>|<example file>" ('|' cannot occur in a path).
// What it did, or why it failed, goes to the installation's log.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

namespace {

// Sends one line to the installation's log; an error also reaches the user
// when the installation shows its interface.
void Report(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    const MSIHANDLE record = MsiCreateRecord(0);
    if (record == 0) {
        return;
    }
    const std::wstring line = L"quorvsetup: " + text;
    MsiRecordSetStringW(record, 0, line.c_str());
    MsiProcessMessage(install, kind, record);
    MsiCloseHandle(record);
}

UINT Fail(MSIHANDLE install, const std::wstring& text) {
    Report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), text);
    return ERROR_INSTALL_FAILURE;
}

bool ReadProperty(MSIHANDLE install, const wchar_t* name, std::wstring& value) {
    DWORD length = 0;
    wchar_t none[1] = {};
    if (MsiGetPropertyW(install, name, none, &length) != ERROR_MORE_DATA) {
        value.clear();
        return length == 0;
    }
    std::wstring buffer(length + 1, L'\0');
    length = static_cast<DWORD>(buffer.size());
    if (MsiGetPropertyW(install, name, buffer.data(), &length) != ERROR_SUCCESS) {
        return false;
    }
    buffer.resize(length);
    value = buffer;
    return true;
}

// The whole of a small file; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& contents) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 1024 * 1024;
    if (ok) {
        contents.assign(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        ok = contents.empty() || (ReadFile(file, contents.data(),
                                           static_cast<DWORD>(contents.size()), &read, nullptr) &&
                                  read == contents.size());
    }
    CloseHandle(file);
    return ok;
}

// The folder in the code page that the client's file calls use, which is the
// only form a settings file can name it in; false when a character has no
// form there (the client could not open such a folder).
bool ToDeskCodePage(const std::wstring& text, std::string& bytes) {
    if (text.empty()) {
        bytes.clear();
        return true;
    }
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost) {
        return false;
    }
    bytes.assign(static_cast<size_t>(n), '\0');
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                               static_cast<int>(text.size()), bytes.data(), n, nullptr,
                               &lost) == n &&
           !lost;
}

// The example with the value of its workarea element replaced; false when
// the example has none.
bool WithWorkArea(const std::string& example, const std::string& workArea, std::string& settings) {
    static const std::string opening = "<workarea value=\"";
    const size_t start = example.find(opening);
    if (start == std::string::npos) {
        return false;
    }
    const size_t value = start + opening.size();
    const size_t end = example.find('"', value);
    if (end == std::string::npos) {
        return false;
    }
    settings = example.substr(0, value) + workArea + example.substr(end);
    return true;
}

// Creates path with the contents, failing when anything is already there;
// a file that could not be written whole is deleted again.
DWORD CreateWholeFile(const std::wstring& path, const std::string& contents) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr) &&
        written == contents.size() && FlushFileBuffers(file);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str());
        return error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
    }
    return ERROR_SUCCESS;
}

} // namespace

// The custom action's entry point: ERROR_SUCCESS when the settings file is
// there afterwards (made now or kept as it was), ERROR_INSTALL_FAILURE
// otherwise, which rolls the installation back.
extern "C" __declspec(dllexport) UINT __stdcall InstallSettings(MSIHANDLE install) {
    std::wstring data;
    if (!ReadProperty(install, L"CustomActionData", data)) {
        return Fail(install, L"the action's data cannot be read");
    }
    const size_t bar = data.find(L'|');
    if (bar == std::wstring::npos || bar == 0) {
        return Fail(install, L"no installation folder in the action's data \"" + data + L"\"");
    }
    std::wstring folder = data.substr(0, bar);
    const std::wstring example = data.substr(bar + 1);
    if (folder.back() != L'\\') {
        folder += L'\\';
    }
    const std::wstring path = folder + L"Admin\\quorvp.xml";

    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Report(install, INSTALLMESSAGE_INFO, L"kept the settings file " + path);
        return ERROR_SUCCESS;
    }
    std::string contents;
    if (!ReadWholeFile(example, contents)) {
        return Fail(install, L"the example settings file " + example + L" cannot be read");
    }
    std::string workArea;
    if (!ToDeskCodePage(folder + L"Work", workArea)) {
        return Fail(install, L"the folder " + folder +
                                 L" has characters that the system's code page cannot hold");
    }
    std::string settings;
    if (!WithWorkArea(contents, workArea, settings)) {
        return Fail(install, L"the example settings file " + example + L" names no work area");
    }
    const DWORD error = CreateWholeFile(path, settings);
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        Report(install, INSTALLMESSAGE_INFO, L"kept the settings file " + path);
        return ERROR_SUCCESS;
    }
    if (error != ERROR_SUCCESS) {
        return Fail(install, L"the settings file " + path + L" cannot be written (error " +
                                 std::to_wstring(error) + L")");
    }
    Report(install, INSTALLMESSAGE_INFO, L"wrote the settings file " + path);
    return ERROR_SUCCESS;
}
