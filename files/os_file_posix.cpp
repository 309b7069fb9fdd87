// POSIX side of the file seam: descriptors, mmap, and paths converted from
// UTF-16 to UTF-8 at the boundary. Sharing modes have no meaning here.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "files/os_file.h"
#include "settings/utf8.h"

namespace tarrowin {
namespace {

// The whole path or nothing: a lone surrogate would cut the conversion short
// and name a different file.
bool ToUtf8Path(const char16_t* path, std::string* out) {
  if (path == nullptr || *path == 0) return false;
  std::size_t units = 0;
  while (path[units] != 0) ++units;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = path[i];
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= units || path[i + 1] < 0xDC00 || path[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      return false;
    }
  }
  std::vector<char> bytes(units * 3 + 2);
  if (WideToUtf8(bytes.data(), path, static_cast<int>(bytes.size())) < 0) return false;
  out->assign(bytes.data());
  return true;
}

std::u16string FromUtf8(const std::string& text) {
  std::vector<char16_t> units(text.size() + 1);
  if (Utf8ToWide(units.data(), text.c_str(), static_cast<int>(units.size())) < 0) return {};
  return std::u16string(units.data());
}

int OpenFlags(std::uint32_t access, std::uint32_t creation) {
  int flags = O_CLOEXEC;
  const bool read = (access & kGenericRead) != 0;
  const bool write = (access & kGenericWrite) != 0;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (creation) {
    case kCreateNew:
      // A new file: never one that a link already there points to.
      return flags | O_CREAT | O_EXCL | O_NOFOLLOW;
    case kCreateAlways:
      return flags | O_CREAT | O_TRUNC;
    case kOpenExisting:
      return flags;
    case kOpenAlways:
      return flags | O_CREAT;
    case kTruncateExisting:
      return flags | O_TRUNC;
    default:
      return -1;
  }
}

}  // namespace

FileHandle FileHandle::Open(const char16_t* path, std::uint32_t access, std::uint32_t,
                            std::uint32_t creation) {
  std::string name;
  const int flags = OpenFlags(access, creation);
  if (flags < 0 || (access & (kGenericRead | kGenericWrite)) == 0 || !ToUtf8Path(path, &name)) {
    return FileHandle();
  }
  // Opening a FIFO for reading would wait for a writer, and for writing
  // for a reader: O_NONBLOCK opens at once, and only a regular file is
  // kept. For those the flag means nothing; it is cleared all the same.
  int fd;
  do {
    fd = ::open(name.c_str(), flags | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return FileHandle();
  FileHandle file(fd);
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileHandle();
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) return FileHandle();
  return file;
}

bool FileHandle::Read(void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  if (!IsValid()) return false;
  auto* out = static_cast<char*>(buffer);
  while (*done < count) {
    const ssize_t n = ::read(static_cast<int>(native_), out + *done, count - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool FileHandle::Write(const void* buffer, std::uint32_t count, std::uint32_t* done) {
  *done = 0;
  if (!IsValid()) return false;
  const auto* in = static_cast<const char*>(buffer);
  while (*done < count) {
    const ssize_t n = ::write(static_cast<int>(native_), in + *done, count - *done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    *done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool FileHandle::ReadAt(std::uint64_t offset, void* buffer, std::uint32_t count,
                        std::uint32_t* done) {
  *done = 0;
  if (!IsValid()) return false;
  auto* out = static_cast<char*>(buffer);
  while (*done < count) {
    const ssize_t n = ::pread(static_cast<int>(native_), out + *done, count - *done,
                              static_cast<off_t>(offset + *done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool FileHandle::Seek(std::int64_t distance, std::uint32_t method, std::uint64_t* position) {
  static_assert(sizeof(off_t) == 8, "64-bit file offsets");
  if (!IsValid() || method > kSeekEnd) return false;
  const int whence = method == kSeekBegin ? SEEK_SET : method == kSeekCurrent ? SEEK_CUR : SEEK_END;
  const off_t result = ::lseek(static_cast<int>(native_), distance, whence);
  if (result < 0) return false;
  if (position != nullptr) *position = static_cast<std::uint64_t>(result);
  return true;
}

bool FileHandle::GetSize(std::uint64_t* size) {
  struct stat info;
  if (!IsValid() || ::fstat(static_cast<int>(native_), &info) != 0) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool FileHandle::SetEnd() {
  std::uint64_t here = 0;
  return Seek(0, kSeekCurrent, &here) &&
         ::ftruncate(static_cast<int>(native_), static_cast<off_t>(here)) == 0;
}

bool FileHandle::Flush() { return IsValid() && ::fsync(static_cast<int>(native_)) == 0; }

bool FileHandle::Close() {
  if (!IsValid()) return true;
  const int fd = static_cast<int>(native_);
  native_ = kInvalid;
  // After EINTR the descriptor is gone on Linux; retrying could close another.
  return ::close(fd) == 0;
}

MappedView MappedView::MapReadOnly(const FileHandle& file, std::uint64_t length) {
  MappedView view;
  if (!file.IsValid() || length == 0 || length > SIZE_MAX) return view;
  void* data = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED,
                      static_cast<int>(file.native()), 0);
  if (data == MAP_FAILED) return view;
  view.data_ = static_cast<const std::uint8_t*>(data);
  view.size_ = length;
  return view;
}

void MappedView::Release() {
  if (data_ != nullptr) {
    ::munmap(const_cast<std::uint8_t*>(data_), static_cast<std::size_t>(size_));
  }
  data_ = nullptr;
  size_ = 0;
}

std::u16string FullPath(const char16_t* path) {
  std::string name;
  if (!ToUtf8Path(path, &name)) return {};
  std::string absolute;
  if (name[0] != '/') {
    std::vector<char> cwd(4096);
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) return {};
    absolute = cwd.data();
    absolute += '/';
  }
  absolute += name;
  // Lexical normalisation, as GetFullPathNameW does it: no links resolved.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= absolute.size()) {
    std::size_t end = absolute.find('/', start);
    if (end == std::string::npos) end = absolute.size();
    const std::string part = absolute.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) {
    result += '/';
    result += part;
  }
  if (result.empty()) result.push_back('/');
  return FromUtf8(result);
}

PathKind GetPathKind(const char16_t* path) {
  std::string name;
  struct stat info;
  if (!ToUtf8Path(path, &name) || ::stat(name.c_str(), &info) != 0) return PathKind::kMissing;
  return S_ISREG(info.st_mode) ? PathKind::kRegularFile : PathKind::kOther;
}

bool DeleteFilePath(const char16_t* path) {
  std::string name;
  return ToUtf8Path(path, &name) && ::unlink(name.c_str()) == 0;
}

bool ReplaceFilePath(const char16_t* source, const char16_t* target) {
  std::string from;
  std::string to;
  if (!ToUtf8Path(source, &from) || !ToUtf8Path(target, &to)) return false;
  struct stat info;
  if (::stat(to.c_str(), &info) == 0) {
    // Best effort: a file system without owners or permission bits has
    // nothing to keep. The owner goes first, since changing it may clear
    // set-user-ID bits that the mode then puts back.
    if (::chown(from.c_str(), info.st_uid, info.st_gid) != 0) {
      [[maybe_unused]] const int group_only =
          ::chown(from.c_str(), static_cast<uid_t>(-1), info.st_gid);
    }
    [[maybe_unused]] const int mode = ::chmod(from.c_str(), info.st_mode & 07777);
  }
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::u16string FollowLinks(const char16_t* path) {
  std::string name;
  if (!ToUtf8Path(path, &name)) return path != nullptr ? std::u16string(path) : std::u16string();
  // As many links as the system itself follows in one path.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 2);
    const ssize_t length = ::readlink(name.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) break;
    const std::string destination(link.data(), static_cast<std::size_t>(length));
    if (destination[0] == '/') {
      name = destination;
    } else {
      // Relative to the folder that holds the link.
      const std::size_t slash = name.find_last_of('/');
      name = (slash == std::string::npos ? std::string() : name.substr(0, slash + 1)) + destination;
    }
  }
  return FromUtf8(name);
}

}  // namespace tarrowin
