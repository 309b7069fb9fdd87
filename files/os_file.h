// The operating system's file services behind one thin seam: an owned file
// handle, a read-only mapped view of a whole file, and the few path calls the
// file layer and the settings writer need. Win32 in os_file_win32.cpp, POSIX
// in os_file_posix.cpp; nothing above this seam calls the system directly.
#pragma once

#include <cstdint>
#include <string>

namespace tarrowin {

// Access, sharing and creation values as the Win32 file calls take them; the
// POSIX seam maps them onto open() flags (sharing has no POSIX meaning).
inline constexpr std::uint32_t kGenericRead = 0x80000000u;
inline constexpr std::uint32_t kGenericWrite = 0x40000000u;
inline constexpr std::uint32_t kFileShareRead = 0x1;
inline constexpr std::uint32_t kFileShareWrite = 0x2;
inline constexpr std::uint32_t kFileShareDelete = 0x4;
inline constexpr std::uint32_t kCreateNew = 1;
inline constexpr std::uint32_t kCreateAlways = 2;
inline constexpr std::uint32_t kOpenExisting = 3;
inline constexpr std::uint32_t kOpenAlways = 4;
inline constexpr std::uint32_t kTruncateExisting = 5;

// Seek origins: from the start, from the file pointer, from the end.
inline constexpr std::uint32_t kSeekBegin = 0;
inline constexpr std::uint32_t kSeekCurrent = 1;
inline constexpr std::uint32_t kSeekEnd = 2;

// An open file with a file pointer, as a Win32 HANDLE or a POSIX descriptor.
// Move-only; the destructor closes it. Every call on an invalid handle fails.
class FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // Regular files only: a directory, a FIFO, a pipe or a device does not
  // open, and opening never waits for one. An invalid handle on failure.
  static FileHandle Open(const char16_t* path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t creation);

  bool IsValid() const { return native_ != kInvalid; }

  // Reads up to `count` bytes at the file pointer; fewer only at the end of
  // the file. `*done` receives the bytes moved even on failure.
  bool Read(void* buffer, std::uint32_t count, std::uint32_t* done);
  // Writes all `count` bytes or fails.
  bool Write(const void* buffer, std::uint32_t count, std::uint32_t* done);
  // Reads at an absolute offset; the file pointer is left undefined.
  bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count, std::uint32_t* done);
  // Moves the file pointer; a negative absolute position fails.
  bool Seek(std::int64_t distance, std::uint32_t method, std::uint64_t* position);
  bool GetSize(std::uint64_t* size);
  // Ends the file at the file pointer.
  bool SetEnd();
  // Pushes written data to the device.
  bool Flush();
  // Closes now and tells whether the system reported an error doing so.
  bool Close();

  // The raw value, for the mapping call of this seam only.
  std::intptr_t native() const { return native_; }

 private:
  // INVALID_HANDLE_VALUE and the invalid descriptor are both -1.
  static constexpr std::intptr_t kInvalid = -1;
  explicit FileHandle(std::intptr_t native) : native_(native) {}

  std::intptr_t native_ = kInvalid;
};

// A read-only view of a whole file (Win32: the mapping object and its view;
// POSIX: an mmap region). Move-only; the destructor unmaps.
class MappedView {
 public:
  MappedView() = default;
  ~MappedView();
  MappedView(MappedView&& other) noexcept;
  MappedView& operator=(MappedView&& other) noexcept;
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;

  // Maps the whole file, whose size the caller has just read as `length`
  // (more than 0). An empty view on failure.
  static MappedView MapReadOnly(const FileHandle& file, std::uint64_t length);

  bool IsValid() const { return data_ != nullptr; }
  const std::uint8_t* data() const { return data_; }
  std::uint64_t size() const { return size_; }

 private:
  void Release();

  std::intptr_t mapping_ = 0;  // Win32 mapping object; unused on POSIX
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
};

// The absolute, normalised form of `path` (GetFullPathNameW on Windows; on
// POSIX the current directory is prefixed and "." and ".." are resolved
// lexically). Empty on failure.
std::u16string FullPath(const char16_t* path);

enum class PathKind { kMissing, kRegularFile, kOther };
PathKind GetPathKind(const char16_t* path);

bool DeleteFilePath(const char16_t* path);

// Puts `source` in the place of `target`, replacing an existing target as one
// step where the system allows it. An existing target keeps what makes it
// that file: on Windows ReplaceFileW keeps its security, attributes and
// creation time; on POSIX its permission bits, and its owner and group where
// this process may set them. A missing target is a plain rename.
bool ReplaceFilePath(const char16_t* source, const char16_t* target);

// The file that `path` names once symbolic links are followed, so that it,
// and not the link, can be replaced. Windows: the final path of the file
// opened through `path`; POSIX: the links of the last component followed
// one by one, also to a target that does not exist yet. `path` itself when
// nothing is to be followed.
std::u16string FollowLinks(const char16_t* path);

}  // namespace tarrowin
