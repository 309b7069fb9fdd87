// Opening a file through pack archives: a file missing on disk is looked
// for in the archives named after its parent folders, innermost first, and
// an entry becomes the stream's content either in place in the archive
// file (stored plain in one piece) or decoded into a heap block.
#include <algorithm>

#include "files/file_stream.h"
#include "files/pack_archive.h"

namespace tarrowin {
namespace {

// The options the search opens archives with: no digest check.
constexpr std::uint16_t kPackSearchOptions = 0;
// Longer paths are searched by their first units only.
constexpr std::size_t kSearchUnits = 2048;

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

bool CFileStream::SearchPackArchives() {
  const std::u16string_view full(path_);
  const std::u16string_view work = full.substr(0, std::min(full.size(), kSearchUnits));
  CPackArchive archive;
  std::size_t length = work.size();
  while (true) {
    std::size_t separator = length;
    while (separator > 0 && !IsSeparator(work[separator - 1])) --separator;
    // No separator, or only the very first unit: nothing left to try.
    if (separator <= 1) return false;
    --separator;
    std::u16string candidate(work.substr(0, separator));
    candidate += u".pcf";
    if (archive.OpenArchive(candidate.c_str(), kPackSearchOptions)) {
      if (OpenPackEntry(path_.c_str(), archive)) return true;
      archive.CloseArchive();
    }
    length = separator;
  }
}

bool CFileStream::OpenPackEntry(const char16_t* entry_path, CPackArchive& archive) {
  const std::u16string_view path(entry_path);
  const std::u16string& base = archive.BasePath();
  if (!archive.IsOpen() || base.empty() || path.size() <= base.size() + 1 ||
      path.substr(0, base.size()) != base || !IsSeparator(path[base.size()])) {
    return false;
  }
  const std::u16string name(path.substr(base.size() + 1));
  std::uint32_t index = 0;
  std::uint64_t size = 0;
  if (!archive.FindEntry(name.c_str(), &index) || !archive.GetEntryInfo(index, nullptr, 0, &size)) {
    return false;
  }
  if (size > kMaxLookupEntrySize) {
    if (!pack_refusal_) {
      char16_t stored[kPackNameBytes + 1] = {};
      archive.GetEntryInfo(index, stored, kPackNameBytes + 1, nullptr);
      pack_refusal_ = PackEntryRefusal{archive.BasePath() + archive.Extension(), stored, size};
    }
    return false;
  }
  FileHandle file;
  std::uint64_t offset = 0;
  if (archive.GetRawLocation(index, &file, &offset)) {
    AdoptReadHandle(std::move(file), offset, size);
    return true;
  }
  HeapBlock block;
  if (!archive.ExtractToBlock(index, &block)) return false;
  heap_ = std::move(block);
  image_ = heap_.get();
  base_offset_ = 0;
  position_ = 0;
  size_ = size;
  mode_ = FileMode::kMemory;
  return true;
}

}  // namespace tarrowin
