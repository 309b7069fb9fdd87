// Win32 side of the file seam: CreateFileW handles, CreateFileMappingW and
// MapViewOfFileEx views, GetFullPathNameW, GetFinalPathNameByHandleW,
// DeleteFileW, ReplaceFileW and MoveFileExW.
// char16_t text is passed to the wide calls as wchar_t, which has the same
// size and encoding on Windows.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/win32_handle.h"
#include "files/os_file.h"

namespace tarrowin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");
static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ && kFileShareWrite == FILE_SHARE_WRITE &&
              kFileShareDelete == FILE_SHARE_DELETE);
static_assert(kCreateNew == CREATE_NEW && kCreateAlways == CREATE_ALWAYS &&
              kOpenExisting == OPEN_EXISTING && kOpenAlways == OPEN_ALWAYS &&
              kTruncateExisting == TRUNCATE_EXISTING);
static_assert(kSeekBegin == FILE_BEGIN && kSeekCurrent == FILE_CURRENT && kSeekEnd == FILE_END);

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

HANDLE AsHandle(std::intptr_t native) { return reinterpret_cast<HANDLE>(native); }

}  // namespace

FileHandle FileHandle::Open(const char16_t* path, std::uint32_t access, std::uint32_t share,
                            std::uint32_t creation) {
  if (path == nullptr || *path == 0) return FileHandle();
  HANDLE handle =
      ::CreateFileW(Wide(path), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FileHandle();
  FileHandle file(reinterpret_cast<std::intptr_t>(handle));
  // Devices (CON, NUL, COM1, ...) and pipes open under file names too;
  // reading them could wait for ever. Only files on a disk are kept.
  if (::GetFileType(handle) != FILE_TYPE_DISK) return FileHandle();
  return file;
}

bool FileHandle::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  if (!IsValid()) return false;
  DWORD read = 0;
  const BOOL ok = ::ReadFile(AsHandle(native_), buffer, count, &read, nullptr);
  *done = read;
  return ok != FALSE;
}

bool FileHandle::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  if (!IsValid()) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(AsHandle(native_), buffer, count, &written, nullptr);
  *done = written;
  return ok != FALSE && written == count;
}

bool FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count,
                        std::uint32_t* done) {
  *done = 0;
  return Seek(static_cast<std::int64_t>(offset), kSeekBegin, nullptr) && Read(buffer, count, done);
}

bool FileHandle::Seek(std::int64_t distance, std::uint32_t method, std::uint64_t* position) {
  if (!IsValid()) return false;
  LARGE_INTEGER move;
  LARGE_INTEGER result;
  move.QuadPart = distance;
  if (!::SetFilePointerEx(AsHandle(native_), move, &result, method)) return false;
  if (position != nullptr) *position = static_cast<std::uint64_t>(result.QuadPart);
  return true;
}

bool FileHandle::GetSize(std::uint64_t* size) {
  LARGE_INTEGER result;
  if (!IsValid() || !::GetFileSizeEx(AsHandle(native_), &result)) return false;
  *size = static_cast<std::uint64_t>(result.QuadPart);
  return true;
}

bool FileHandle::SetEnd() { return IsValid() && ::SetEndOfFile(AsHandle(native_)) != FALSE; }

bool FileHandle::Flush() { return IsValid() && ::FlushFileBuffers(AsHandle(native_)) != FALSE; }

bool FileHandle::Close() {
  if (!IsValid()) return true;
  HANDLE handle = AsHandle(native_);
  native_ = kInvalid;
  return ::CloseHandle(handle) != FALSE;
}

MappedView MappedView::MapReadOnly(const FileHandle& file, std::uint64_t length) {
  MappedView view;
  if (!file.IsValid() || length == 0 || length > SIZE_MAX) return view;
  UniqueHandle mapping(::CreateFileMappingW(AsHandle(file.native()), nullptr,
                                            PAGE_READONLY | SEC_COMMIT, 0, 0, nullptr));
  if (!mapping) return view;
  UniqueMappedView data(::MapViewOfFileEx(mapping.get(), FILE_MAP_READ, 0, 0, 0, nullptr));
  if (!data) return view;
  view.mapping_ = reinterpret_cast<std::intptr_t>(mapping.release());
  view.data_ = static_cast<const std::uint8_t*>(data.release());
  view.size_ = length;
  return view;
}

// The portable record holds the raw values; the owners close them here.
void MappedView::Release() {
  UniqueMappedView(std::exchange(data_, nullptr)).reset();
  UniqueHandle(AsHandle(std::exchange(mapping_, 0))).reset();
  size_ = 0;
}

std::u16string FullPath(const char16_t* path) {
  if (path == nullptr || *path == 0) return {};
  // The first call usually fits; a longer path reports the room it needs.
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length =
      ::GetFullPathNameW(Wide(path), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length >= buffer.size()) {
    buffer.resize(length + 4);
    length =
        ::GetFullPathNameW(Wide(path), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  }
  if (length == 0 || length >= buffer.size()) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(buffer.data()), length);
}

PathKind GetPathKind(const char16_t* path) {
  if (path == nullptr || *path == 0) return PathKind::kMissing;
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0
             ? PathKind::kOther
             : PathKind::kRegularFile;
}

bool DeleteFilePath(const char16_t* path) {
  return path != nullptr && ::DeleteFileW(Wide(path)) != FALSE;
}

bool ReplaceFilePath(const char16_t* source, const char16_t* target) {
  if (source == nullptr || target == nullptr) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(target));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return ::MoveFileExW(Wide(source), Wide(target),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (!::ReplaceFileW(Wide(target), Wide(source), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                      nullptr)) {
    return false;
  }
  // Not every implementation carries the attributes over: put them back.
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD now = ::GetFileAttributesW(Wide(target));
  if (now != INVALID_FILE_ATTRIBUTES && (now & kSettable) != (attributes & kSettable)) {
    ::SetFileAttributesW(Wide(target), (now & ~kSettable) | (attributes & kSettable));
  }
  return true;
}

std::u16string FollowLinks(const char16_t* path) {
  if (path == nullptr || *path == 0) return {};
  const std::u16string given(path);
  // No access asked: only the name is wanted. A folder opens as well.
  const UniqueHandle file(
      ::CreateFileW(Wide(path), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return given;
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length =
      ::GetFinalPathNameByHandleW(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length =
        ::GetFinalPathNameByHandleW(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  if (length == 0 || length >= buffer.size()) return given;
  // The answer has the \\?\ form: back to the drive or server form of
  // every other path here.
  std::wstring final(buffer.data(), length);
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    final.replace(0, 8, L"\\\\");
  } else if (final.rfind(L"\\\\?\\", 0) == 0) {
    final.erase(0, 4);
  }
  return std::u16string(reinterpret_cast<const char16_t*>(final.data()), final.size());
}

}  // namespace tarrowin
