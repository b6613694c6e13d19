// quorvcheck on POSIX systems: the work area's owner, group and mode, and
// whether the account running the checker may write it; text is UTF-8
// already, so the standard streams are used as they are.
#include "quorvcheck/system.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <vector>

namespace {

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : "uid " + std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    const group* g = getgrgid(gid);
    return g != nullptr ? g->gr_name : "gid " + std::to_string(gid);
}

bool InGroup(gid_t gid) {
    if (getegid() == gid) {
        return true;
    }
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
    const int got = count > 0 ? getgroups(count, groups.data()) : 0;
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<std::size_t>(i)] == gid) {
            return true;
        }
    }
    return false;
}

// "2770 (rwxrws---)", as ls shows the bits.
std::string ModeText(mode_t mode) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode & 07777));
    std::string bits = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        if ((mode & (0400u >> i)) == 0) {
            bits[static_cast<std::size_t>(i)] = '-';
        }
    }
    const auto special = [&](mode_t bit, std::size_t at, char set, char setNoExec) {
        if ((mode & bit) != 0) {
            bits[at] = bits[at] == 'x' ? set : setNoExec;
        }
    };
    special(S_ISUID, 2, 's', 'S');
    special(S_ISGID, 5, 's', 'S');
    special(S_ISVTX, 8, 't', 'T');
    return std::string(octal) + " (" + bits + ")";
}

} // namespace

FolderState InspectFolder(const std::string& path) {
    FolderState state;
    state.account = UserName(geteuid());
    state.privileged = geteuid() == 0;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return state;
    }
    state.exists = true;
    state.isFolder = S_ISDIR(info.st_mode);
    state.permissions = "owner " + UserName(info.st_uid) + ", group " + GroupName(info.st_gid) +
                        ", mode " + ModeText(info.st_mode);
    if (!state.isFolder) {
        return state;
    }
    // Creating a file in a folder takes writing and searching it.
    state.writable = access(path.c_str(), W_OK | X_OK) == 0 ? 1 : 0;
    if (state.writable == 0) {
        const mode_t mode = info.st_mode;
        if (info.st_uid == geteuid()) {
            state.why = "its owner " + state.account + " lacks write permission";
        } else if (InGroup(info.st_gid)) {
            if ((mode & S_IWGRP) == 0 || (mode & S_IXGRP) == 0) {
                state.why = "its group " + GroupName(info.st_gid) + " lacks write permission";
            }
        } else if ((mode & S_IWGRP) != 0) {
            state.why = state.account + " is not in group " + GroupName(info.st_gid);
        }
    }
    return state;
}

std::string CommandLineToUtf8(const std::string& text) {
    return text;
}

std::ostream& StandardOutput() {
    return std::cout;
}

std::ostream& StandardError() {
    return std::cerr;
}

void FlushStandardStreams() {
    std::cout.flush();
    std::cerr.flush();
}
