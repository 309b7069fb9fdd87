// Win32 side of the extraction-to-disk services.
#include <windows.h>

#include "files/pack_output_os.h"

namespace tarrowin {
namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HANDLE AsHandle(const FileHandle& file) { return reinterpret_cast<HANDLE>(file.native()); }

}  // namespace

char16_t NativePathSeparator() { return u'\\'; }

FolderCreation CreateFolder(const char16_t* path) {
  if (path == nullptr || *path == 0) return FolderCreation::kFailed;
  if (::CreateDirectoryW(Wide(path), nullptr)) return FolderCreation::kCreated;
  return ::GetLastError() == ERROR_ALREADY_EXISTS ? FolderCreation::kExists
                                                  : FolderCreation::kFailed;
}

bool RemoveEmptyFolder(const char16_t* path) {
  return path != nullptr && ::RemoveDirectoryW(Wide(path)) != FALSE;
}

bool GetFileWriteTime(FileHandle& file, std::uint64_t* time) {
  FILETIME written;
  if (!file.IsValid() || !::GetFileTime(AsHandle(file), nullptr, nullptr, &written)) return false;
  *time = static_cast<std::uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
  return true;
}

bool SetFileTimes(FileHandle& file, std::uint64_t time) {
  FILETIME stamp;
  stamp.dwLowDateTime = static_cast<DWORD>(time);
  stamp.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return file.IsValid() && ::SetFileTime(AsHandle(file), &stamp, &stamp, &stamp) != FALSE;
}

}  // namespace tarrowin
