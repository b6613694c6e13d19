// Where an installation lives when nothing says otherwise, and how folder
// names are joined, on the system the client is built for.
//
// The shell builds its paths from these two facts, so that it is written once
// for every system; what a path means is the file system's business.
#pragma once

#ifdef _WIN32
// The installation folder when QUORVPATH is not set.
inline constexpr char kDefaultInstallFolder[] = "C:\\Quorvel";
// Joins a folder and the name of something in it.
inline constexpr char kFolderSeparator = '\\';
#else
inline constexpr char kDefaultInstallFolder[] = "/opt/quorvel";
inline constexpr char kFolderSeparator = '/';
#endif
