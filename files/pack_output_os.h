// The few system services that extraction to disk needs beyond the file
// seam: the native folder separator, folders made and removed one level at
// a time, what a path names without following links, and file time stamps. Win32 in
// pack_output_os_win32.cpp, POSIX in pack_output_os_posix.cpp.
#pragma once

#include <cstdint>

#include "files/os_file.h"

namespace tarrowin {

// "\" on Windows, "/" elsewhere.
char16_t NativePathSeparator();

enum class FolderCreation { kCreated, kExists, kFailed };
// Creates one folder whose parent exists; kExists when something of that
// name is already there.
FolderCreation CreateFolder(const char16_t* path);
// Removes a folder only when it is empty.
bool RemoveEmptyFolder(const char16_t* path);

// What a path names, without following a link: a symbolic link, and on
// Windows a junction or any other reparse point, is kLink.
enum class NodeKind { kMissing, kFolder, kFile, kLink, kOther };
NodeKind InspectNode(const char16_t* path);

// Last-write time as a Windows FILETIME value: 100 ns units since 1601.
bool GetFileWriteTime(FileHandle& file, std::uint64_t* time);
// Sets creation (where the system keeps one), last-access and last-write
// times.
bool SetFileTimes(FileHandle& file, std::uint64_t time);

}  // namespace tarrowin
