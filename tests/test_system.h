// What the tests need of the system they run on, in one place for POSIX and
// Windows: environment variables, the time zone, a folder of their own, and
// starting a helper program and waiting for its exit status, reading a file.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace test_system {

#ifdef _WIN32
inline constexpr bool kWindows = true;
inline void SetEnv(const char* name, const char* value) {
    _putenv_s(name, value);
}
inline void UnsetEnv(const char* name) {
    _putenv_s(name, ""); // an empty value removes the variable
}
#else
inline constexpr bool kWindows = false;
inline void SetEnv(const char* name, const char* value) {
    setenv(name, value, 1);
}
inline void UnsetEnv(const char* name) {
    unsetenv(name);
}
#endif
// On Windows the system's sharing modes keep every other opening out, readers
// too; the lock of the other systems binds only openings that ask for it.
inline constexpr bool kExclusiveKeepsReadersOut = kWindows;
// The Windows run-time library converts local times up to the end of the
// year 3000 only.
inline constexpr bool kLocalTimeAfter3000 = !kWindows;

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Local time becomes UTC for this process.
inline void UseUtc() {
    SetEnv("TZ", "UTC0");
    tzset();
}

// A new, empty folder under the system's temporary folder, named prefix and
// a random suffix, so that tests running side by side never share one.
inline std::string MakeFolder(const std::string& prefix) {
    std::random_device random;
    for (;;) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / (prefix + std::to_string(random()));
        if (std::filesystem::create_directory(folder)) {
            return folder.string();
        }
    }
}

// Starts program with the arguments (none may hold a blank or a quote) and
// returns a handle for Wait, or -1.
inline std::intptr_t Start(const std::string& program, const std::vector<std::string>& args) {
    std::vector<const char*> argv{program.c_str()};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    argv.push_back(nullptr);
#ifdef _WIN32
    return _spawnv(_P_NOWAIT, program.c_str(), argv.data());
#else
    const pid_t pid = fork();
    if (pid == 0) {
        execv(program.c_str(), const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    return pid;
#endif
}

// The exit status of a started program, or -1 when it did not exit normally.
inline int Wait(std::intptr_t process) {
    int status = 0;
#ifdef _WIN32
    return _cwait(&status, process, 0) == -1 ? -1 : status;
#else
    return waitpid(static_cast<pid_t>(process), &status, 0) == process && WIFEXITED(status)
               ? WEXITSTATUS(status)
               : -1;
#endif
}

} // namespace test_system
