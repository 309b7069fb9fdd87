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

NodeKind InspectNode(const char16_t* path) {
  if (path == nullptr || *path == 0) return NodeKind::kOther;
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? NodeKind::kMissing
                                                                          : NodeKind::kOther;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return NodeKind::kLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return NodeKind::kFolder;
  return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? NodeKind::kOther : NodeKind::kFile;
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
