// Opening a pack archive, its directory and entry lookup, and decoding
// entries into memory.
#include "files/pack_archive.h"

#include <algorithm>
#include <cstring>

#include "files/pack_directory.h"
#include "files/pack_memory_sink.h"
#include "files/pack_output_os.h"
#include "settings/utf8.h"

namespace tarrowin {
namespace {

constexpr std::size_t kNameBufferBytes = 1024;
constexpr std::size_t kShownNameUnits = 512;

bool HasLoneSurrogate(const char16_t* text) {
  for (; *text != 0; ++text) {
    if (*text >= 0xD800 && *text <= 0xDBFF) {
      if (text[1] < 0xDC00 || text[1] > 0xDFFF) return true;
      ++text;
    } else if (*text >= 0xDC00 && *text <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

}  // namespace

CPackArchiveBase::CPackArchiveBase() : header_(ResetPackHeader()) {
  InitFileIoReadTable(&read_io_);
  InitFileIoWriteTable(&write_io_);
}

bool CPackArchive::OpenArchive(const char16_t* path, std::uint16_t options) {
  CloseArchive();
  if (path == nullptr || *path == 0) return Fail(PackOpenError::kNoFile);
  parts_ = SplitPackPath(path);

  FileHandle file = read_io_.open(path, kGenericRead, kFileShareRead, kOpenExisting);
  if (!file.IsValid()) return Fail(PackOpenError::kNoFile);
  std::uint8_t bytes[kPackHeaderSize];
  std::uint32_t got = 0;
  std::uint64_t file_size = 0;
  const bool read = read_io_.seek(file, 0, 0, kSeekBegin, nullptr) &&
                    read_io_.read(file, bytes, sizeof bytes, &got) &&
                    read_io_.get_size(file, &file_size);
  if (!read || !GetFileWriteTime(file, &time_stamp_)) time_stamp_ = 0;
  read_io_.close(file);
  if (!read) return Fail(PackOpenError::kNoFile);
  if (got != sizeof bytes) return Fail(PackOpenError::kNotArchive);

  header_ = ParsePackHeader(bytes);
  if (!header_.magic_ok) return Fail(PackOpenError::kNotArchive);
  if (header_.first_file_size > file_size || !MakePackLayout(header_, &layout_)) {
    return Fail(PackOpenError::kBadHeader);
  }
  if (layout_.divided) {
    const PackSource source = Source();
    const std::uint64_t volumes =
        (header_.data_end - header_.first_file_size) / header_.volume_size;
    // Each volume must exist, so the loop ends at the first one missing.
    for (std::uint64_t n = 1; n <= volumes; ++n) {
      FileHandle volume = OpenPackVolume(source, n);
      if (!volume.IsValid()) return Fail(PackOpenError::kMissingVolume);
      read_io_.close(volume);
    }
  }
  if (!ReadDirectory(options)) return false;
  open_ = true;
  return true;
}

bool CPackArchive::Fail(PackOpenError error) {
  CloseArchive();
  open_error_ = error;
  return false;
}

bool CPackArchive::ReadDirectory(std::uint16_t options) {
  const std::uint32_t count = header_.entry_count;
  if (count > kMaxPackEntries) return Fail(PackOpenError::kBadDirectory);
  PackEntry record;
  record.data_offset = header_.directory_offset;
  record.stored_size = header_.directory_stored_size;
  record.flags = header_.flags & ~(kPackDivided | kPackNotReadable);
  record.extra = header_.directory_extra;
  record.key = header_.directory_key;
  record.size = std::uint64_t{count} * kPackEntrySize + kPackDirectoryTrailer;

  // The records go straight into the entry list as they are decoded.
  CDirectorySink sink(count, options != 0, entries_);
  if (!ExtractRecord(record, directory_password_, sink) || !sink.Complete()) {
    return Fail(PackOpenError::kBadDirectory);
  }
  if (options != 0 && !sink.DigestMatches(header_.directory_digest)) {
    return Fail(PackOpenError::kDigestMismatch);
  }
  return true;
}

bool CPackArchive::CloseArchive() {
  open_ = false;
  open_error_ = PackOpenError::kNone;
  entries_.clear();
  entries_.shrink_to_fit();
  header_ = ResetPackHeader();
  parts_ = PackPathParts{};
  layout_ = PackLayout{};
  time_stamp_ = 0;
  return true;
}

PackSource CPackArchive::Source() const { return PackSource{&read_io_, parts_, layout_}; }

bool CPackArchive::ExtractRecord(const PackEntry& record, const PackPassword& password,
                                 IPackSink& sink) const {
  return ExtractPackRecord(Source(), record, password, sink);
}

const PackEntry* CPackArchive::Entry(std::uint32_t index) const {
  return open_ && index < entries_.size() ? &entries_[index] : nullptr;
}

bool CPackArchive::FindEntry(const char16_t* name, std::uint32_t* index) const {
  if (!open_ || name == nullptr || index == nullptr || HasLoneSurrogate(name)) return false;
  char wanted[kNameBufferBytes];
  const int length = WideToUtf8(wanted, name, static_cast<int>(kNameBufferBytes - 1));
  if (length < 0) return false;
  std::replace(wanted, wanted + length, '\\', '/');
  const std::string_view key(wanted, static_cast<std::size_t>(length));
  std::size_t low = 0;
  std::size_t high = entries_.size();
  while (low < high) {
    const std::size_t probe = (low + high) / 2;
    const int order = ComparePackNames(key, entries_[probe].Name());
    if (order == 0) {
      *index = static_cast<std::uint32_t>(probe);
      return true;
    }
    if (order > 0) {
      low = probe + 1;
    } else {
      high = probe;
    }
  }
  return false;
}

bool CPackArchive::GetEntryInfo(std::uint32_t index, char16_t* name, std::uint32_t length,
                                std::uint64_t* size) const {
  const PackEntry* entry = Entry(index);
  if (entry == nullptr) return false;
  if (name != nullptr && length > 0) {
    const std::string_view stored = entry->Name();
    char terminated[kPackNameBytes + 1] = {};
    std::memcpy(terminated, stored.data(), stored.size());
    char16_t shown[kShownNameUnits];
    Utf8ToWide(shown, terminated, static_cast<int>(kShownNameUnits));
    std::replace(shown, shown + std::char_traits<char16_t>::length(shown), u'/', u'\\');
    const std::size_t units =
        std::min<std::size_t>(std::char_traits<char16_t>::length(shown), length - 1);
    std::memcpy(name, shown, units * sizeof(char16_t));
    name[units] = 0;
  }
  if (size != nullptr) *size = entry->size;
  return true;
}

bool CPackArchive::EntryReadable(std::uint32_t index) const {
  return open_ && index < entries_.size() && (header_.flags & kPackNotReadable) == 0;
}

bool CPackArchive::GetRawLocation(std::uint32_t index, FileHandle* file, std::uint64_t* offset) {
  if (!EntryReadable(index) || file == nullptr || offset == nullptr) return false;
  const PackEntry& entry = entries_[index];
  // Only plain entries whose content is all there are read in place.
  if (entry.flags != 0 || entry.size > entry.stored_size) return false;
  const PackSource source = Source();
  PackLocation location;
  FileHandle input = PositionPackInput(source, entry.data_offset, &location);
  if (!input.IsValid()) return false;
  std::uint64_t absolute = 0;
  std::uint64_t file_size = 0;
  std::uint64_t data_end = location.volume_data_end;
  if (layout_.divided) data_end = std::min(data_end, layout_.data_end);
  const bool ok = read_io_.seek(input, 0, 0, kSeekCurrent, &absolute) &&
                  read_io_.get_size(input, &file_size) && entry.data_offset <= data_end &&
                  data_end - entry.data_offset >= entry.stored_size && absolute <= file_size &&
                  file_size - absolute >= entry.stored_size;
  if (!ok) {
    read_io_.close(input);
    return false;
  }
  *file = std::move(input);
  *offset = absolute;
  return true;
}

bool CPackArchive::ExtractToMemory(std::uint32_t index, void* buffer) {
  if (!EntryReadable(index) || buffer == nullptr) return false;
  extract_index_ = index;
  CBufferSink sink(static_cast<std::uint8_t*>(buffer), entries_[index].size);
  return ExtractRecord(entries_[index], entry_password_, sink);
}

bool CPackArchive::ExtractToBlock(std::uint32_t index, std::unique_ptr<std::uint8_t[]>* block) {
  if (!EntryReadable(index) || block == nullptr) return false;
  extract_index_ = index;
  CGrowingSink sink(entries_[index].size);
  if (!ExtractRecord(entries_[index], entry_password_, sink)) return false;
  *block = sink.Take();
  return *block != nullptr;
}

bool CPackArchive::ExtractTo(std::uint32_t index, IPackSink& sink) {
  if (!EntryReadable(index)) return false;
  extract_index_ = index;
  return ExtractRecord(entries_[index], entry_password_, sink);
}

}  // namespace tarrowin
