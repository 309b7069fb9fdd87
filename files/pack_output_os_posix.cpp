// POSIX side of the extraction-to-disk services. Paths cross as UTF-8.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "files/pack_output_os.h"
#include "settings/utf8.h"

namespace tarrowin {
namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochSeconds = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

bool ToUtf8(const char16_t* path, std::string* out) {
  if (path == nullptr || *path == 0) return false;
  std::size_t units = 0;
  while (path[units] != 0) ++units;
  std::vector<char> bytes(units * 3 + 2);
  const int length = WideToUtf8(bytes.data(), path, static_cast<int>(bytes.size()));
  // A lone surrogate stops the conversion early: that would be another name.
  if (length < 0) return false;
  out->assign(bytes.data(), static_cast<std::size_t>(length));
  std::size_t expected = 0;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = path[i];
    expected += u < 0x80 ? 1 : u < 0x800 ? 2 : (u >= 0xD800 && u <= 0xDFFF) ? 2 : 3;
  }
  return out->size() == expected;
}

}  // namespace

char16_t NativePathSeparator() { return u'/'; }

FolderCreation CreateFolder(const char16_t* path) {
  std::string name;
  if (!ToUtf8(path, &name)) return FolderCreation::kFailed;
  if (::mkdir(name.c_str(), 0777) == 0) return FolderCreation::kCreated;
  return errno == EEXIST ? FolderCreation::kExists : FolderCreation::kFailed;
}

bool RemoveEmptyFolder(const char16_t* path) {
  std::string name;
  return ToUtf8(path, &name) && ::rmdir(name.c_str()) == 0;
}

NodeKind InspectNode(const char16_t* path) {
  std::string name;
  if (!ToUtf8(path, &name)) return NodeKind::kOther;
  struct stat info;
  if (::lstat(name.c_str(), &info) != 0) {
    return errno == ENOENT ? NodeKind::kMissing : NodeKind::kOther;
  }
  if (S_ISLNK(info.st_mode)) return NodeKind::kLink;
  if (S_ISDIR(info.st_mode)) return NodeKind::kFolder;
  return S_ISREG(info.st_mode) ? NodeKind::kFile : NodeKind::kOther;
}

bool GetFileWriteTime(FileHandle& file, std::uint64_t* time) {
  struct stat info;
  if (!file.IsValid() || ::fstat(static_cast<int>(file.native()), &info) != 0) return false;
  const std::int64_t seconds = static_cast<std::int64_t>(info.st_mtim.tv_sec) + kEpochSeconds;
  if (seconds < 0) return false;
  *time = static_cast<std::uint64_t>(seconds) * kTicksPerSecond +
          static_cast<std::uint64_t>(info.st_mtim.tv_nsec) / 100;
  return true;
}

bool SetFileTimes(FileHandle& file, std::uint64_t time) {
  if (!file.IsValid()) return false;
  struct timespec times[2];
  times[0].tv_sec =
      static_cast<time_t>(static_cast<std::int64_t>(time / kTicksPerSecond) - kEpochSeconds);
  times[0].tv_nsec = static_cast<long>(time % kTicksPerSecond) * 100;
  times[1] = times[0];
  return ::futimens(static_cast<int>(file.native()), times) == 0;
}

}  // namespace tarrowin
