// CFileStream: opening, memory images, reading, writing, seeking and the
// line reader. The pack archive lookup lives in file_stream_pack.cpp.
#include "files/file_stream.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <new>
#include <vector>

#include "files/wide_format.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kCopyPiece = 65536;
constexpr std::size_t kTextUnits = 2048;
// Content of 4 GiB or more is not brought into memory: reading works on
// 32-bit sizes in the product's 32-bit process.
constexpr std::uint64_t kMaxImage = 0xFFFFFFFFu;

}  // namespace

CFileStream::HeapBlock CFileStream::AllocateImage(std::uint64_t size) {
  const std::uint64_t rounded = (size + 15) & ~std::uint64_t{15};
  if (rounded > kMaxImage || rounded > SIZE_MAX) return nullptr;
  return HeapBlock(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(rounded)]);
}

void CFileStream::AdoptReadHandle(FileHandle file, std::uint64_t base_offset, std::uint64_t size) {
  file_ = std::move(file);
  base_offset_ = base_offset;
  position_ = 0;
  size_ = size;
  mode_ = FileMode::kReadHandle;
}

int CFileStream::Open(const char16_t* path, std::uint32_t access, std::uint32_t share,
                      std::uint32_t creation) {
  Close();
  pack_refusal_.reset();
  if (path == nullptr) return 0;
  path_ = FullPath(path);
  if (path_.empty()) return 0;

  if ((access & kGenericWrite) != 0) {
    // Opening for writing never consults pack archives.
    file_ = FileHandle::Open(path_.c_str(), access, share, creation);
    if (!file_.IsValid()) return Close(), 0;
    std::uint64_t size = 0;
    file_.GetSize(&size);
    base_offset_ = 0;
    position_ = 0;
    size_ = size;
    mode_ = FileMode::kWrite;
    return 1;
  }
  if ((access & kGenericRead) != 0) {
    if (PackLookupMode != 3) {
      FileHandle file = FileHandle::Open(path_.c_str(), kGenericRead, share, creation);
      std::uint64_t size = 0;
      if (file.IsValid() && file.GetSize(&size)) AdoptReadHandle(std::move(file), 0, size);
    }
    if (mode_ == FileMode::kClosed && PackLookupMode >= 1) SearchPackArchives();
    if (mode_ == FileMode::kReadHandle && size_ < MemoryImageThreshold) {
      LoadToMemory();  // on failure the stream simply stays a handle
    }
  }
  if (mode_ == FileMode::kClosed) return Close(), 0;
  pack_refusal_.reset();  // an outer archive served the file after all
  return 1;
}

int CFileStream::OpenInPack(const char16_t* path, CPackArchive* archive) {
  Close();
  pack_refusal_.reset();
  if (path == nullptr) return 0;
  path_ = FullPath(path);
  if (path_.empty() || archive == nullptr) return Close(), 0;
  if (!OpenPackEntry(path, *archive)) return Close(), 0;
  return 1;
}

int CFileStream::Close() {
  image_ = nullptr;
  heap_.reset();
  view_ = MappedView();
  file_.Close();
  path_.clear();
  mode_ = FileMode::kClosed;
  line_state_ = LineState::kUndecided;
  read_error_ = false;
  return 1;
}

int CFileStream::LoadToMemory() {
  if (mode_ == FileMode::kMemory) return 1;
  if (mode_ != FileMode::kReadHandle || !file_.IsValid() || size_ > kMaxImage) return 0;
  return size_ >= MemoryImageThreshold ? MapImage() : LoadToHeap();
}

bool CFileStream::MapImage() {
  std::uint64_t file_size = 0;
  if (!file_.GetSize(&file_size) || file_size < base_offset_ + size_) return false;
  MappedView view = MappedView::MapReadOnly(file_, file_size);
  if (!view.IsValid()) return false;
  view_ = std::move(view);
  image_ = view_.data() + base_offset_;
  mode_ = FileMode::kMemory;  // the handle stays open until Close
  return true;
}

// A file that shrank since it was opened gives what could still be read:
// the content is then the bytes actually read.
bool CFileStream::LoadToHeap() {
  HeapBlock block = AllocateImage(size_);
  if (!block) return false;
  std::uint32_t done = 0;
  if (!file_.ReadAt(base_offset_, block.get(), static_cast<std::uint32_t>(size_), &done)) {
    file_.Seek(static_cast<std::int64_t>(base_offset_ + position_), kSeekBegin, nullptr);
    return false;
  }
  file_.Close();
  heap_ = std::move(block);
  image_ = heap_.get();
  size_ = done;
  base_offset_ = 0;
  mode_ = FileMode::kMemory;
  return true;
}

int CFileStream::Rebase(std::uint64_t offset) {
  if (mode_ != FileMode::kMemory) return 0;
  const std::uint64_t block_length = base_offset_ + size_;
  if (offset > block_length) return 0;
  image_ = image_ - base_offset_ + offset;
  size_ = block_length - offset;
  base_offset_ = offset;
  position_ = 0;
  return 1;
}

int CFileStream::Read(void* buffer, std::uint32_t count, std::uint32_t* read) {
  if (read == nullptr) return 0;
  *read = 0;
  if (mode_ == FileMode::kClosed) return 0;
  // A position past the end (a handle may seek there) reads nothing.
  const std::uint64_t left = position_ < size_ ? size_ - position_ : 0;
  count = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, left));
  if (count == 0) return 1;
  if (buffer == nullptr) return 0;
  if (mode_ == FileMode::kMemory) {
    std::memcpy(buffer, image_ + position_, count);
    *read = count;
    position_ += count;
    return 1;
  }
  const bool ok = file_.Read(buffer, count, read);
  position_ += *read;
  if (!ok) read_error_ = true;
  return ok ? 1 : 0;
}

int CFileStream::Write(const void* buffer, std::uint32_t count, std::uint32_t* written) {
  if (written != nullptr) *written = 0;
  if (mode_ != FileMode::kWrite || (buffer == nullptr && count != 0)) return 0;
  std::uint32_t done = 0;
  const bool ok = file_.Write(buffer, count, &done);
  position_ += done;
  size_ = std::max(size_, position_);
  if (written != nullptr) *written = done;
  return ok ? 1 : 0;
}

int CFileStream::Seek64(std::int64_t distance, std::uint64_t* position, std::uint32_t method) {
  std::uint64_t result = 0;
  if (mode_ == FileMode::kWrite) {
    if (!file_.Seek(distance, method, &result)) return 0;
  } else if (mode_ == FileMode::kReadHandle || mode_ == FileMode::kMemory) {
    std::uint64_t origin = 0;
    if (method == kSeekCurrent) {
      origin = position_;
    } else if (method == kSeekEnd) {
      origin = size_;
    } else if (method != kSeekBegin) {
      return 0;
    }
    // A sum beyond the 64-bit range saturates: clamped in memory, refused
    // by the system for a handle.
    std::int64_t target;
    if (__builtin_add_overflow(static_cast<std::int64_t>(origin), distance, &target)) {
      target = distance > 0 ? INT64_MAX : INT64_MIN;
    }
    if (mode_ == FileMode::kMemory) {
      result = target < 0 ? 0 : std::min(static_cast<std::uint64_t>(target), size_);
    } else {
      // No clamping on a handle; before the start of the content fails.
      std::uint64_t absolute = 0;
      if (target < 0 || static_cast<std::uint64_t>(target) > INT64_MAX - base_offset_ ||
          !file_.Seek(static_cast<std::int64_t>(base_offset_ + static_cast<std::uint64_t>(target)),
                      kSeekBegin, &absolute)) {
        return 0;
      }
      result = absolute - base_offset_;
    }
  } else {
    return 0;
  }
  position_ = result;
  if (position != nullptr) *position = result;
  return 1;
}

std::uint32_t CFileStream::Seek(std::int32_t low, std::int32_t* high, std::uint32_t method) {
  const std::int64_t high_half = high != nullptr ? *high : (low < 0 ? -1 : 0);
  const std::int64_t distance = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(high_half) << 32 | static_cast<std::uint32_t>(low));
  std::uint64_t result = 0;
  if (!Seek64(distance, &result, method)) return 0xFFFFFFFFu;
  if (high != nullptr) *high = static_cast<std::int32_t>(result >> 32);
  return static_cast<std::uint32_t>(result);
}

int CFileStream::GetSize(std::uint32_t* low, std::uint32_t* high) {
  if (mode_ == FileMode::kClosed || low == nullptr) return 0;
  *low = static_cast<std::uint32_t>(size_);
  if (high != nullptr) *high = static_cast<std::uint32_t>(size_ >> 32);
  return 1;
}

int CFileStream::GetSize64(std::uint64_t* size) {
  if (mode_ == FileMode::kClosed || size == nullptr) return 0;
  *size = size_;
  return 1;
}

int CFileStream::ReadLine(char16_t* buffer, std::uint32_t count) {
  if (buffer == nullptr) return 0;
  buffer[0] = 0;
  if (mode_ != FileMode::kMemory && !LoadToMemory()) {
    // An open file whose content cannot be brought in has not ended.
    if (mode_ == FileMode::kReadHandle) read_error_ = true;
    return 0;
  }
  if (line_state_ == LineState::kNoText) return 0;
  if (line_state_ == LineState::kUndecided) {
    // The encoding is told by the start of the content, so the first line
    // must be read from there.
    if (position_ != 0) {
      line_state_ = LineState::kNoText;
      return 0;
    }
    const DetectedEncoding detected = DetectTextEncoding(image_, size_);
    encoding_ = detected.encoding;
    mark_length_ = detected.mark_length;
    line_state_ = LineState::kDecided;
  }
  // Back at the start (LoadFromStream seeks back there): the mark is not text.
  if (position_ < mark_length_) position_ = mark_length_;
  if (position_ >= size_) return 0;
  const std::size_t next = DecodeLine(encoding_, image_, size_, position_, buffer, count);
  const bool moved = next != position_;
  position_ = next;
  return moved ? 1 : 0;
}

int CFileStream::WriteText(const char16_t* format, ...) {
  if (mode_ != FileMode::kWrite || line_state_ == LineState::kNoText || format == nullptr) return 0;
  if (line_state_ == LineState::kUndecided) {
    if (position_ != 0) {
      line_state_ = LineState::kNoText;
      return 0;
    }
    line_state_ = LineState::kDecided;
    encoding_ = TextEncoding::kUtf16LE;
    static constexpr std::uint8_t kMark[2] = {0xFF, 0xFE};
    Write(kMark, 2, nullptr);
  }
  // Text longer than the buffers is cut: the formatted text at 2047 units,
  // the line ends it expands to 2047 units in all (never half a CR LF).
  char16_t text[kTextUnits];
  std::va_list args;
  va_start(args, format);
  const std::size_t length = FormatWide(text, kTextUnits, format, args);
  va_end(args);
  char16_t lines[kTextUnits];
  std::size_t out = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (out + 2 > kTextUnits - 1) break;
      lines[out++] = u'\r';
      lines[out++] = u'\n';
      if (c == u'\r' && i + 1 < length && text[i + 1] == u'\n') ++i;
    } else {
      if (out + 1 > kTextUnits - 1) break;
      lines[out++] = c;
    }
  }
  std::uint8_t bytes[kTextUnits * 2];
  for (std::size_t i = 0; i < out; ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(lines[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(lines[i] >> 8);
  }
  return Write(bytes, static_cast<std::uint32_t>(out * 2), nullptr);
}

int CFileStream::CopyTo(IFileStream* destination, std::int64_t count, std::uint64_t* read,
                        std::uint64_t* written) {
  std::uint64_t total_read = 0;
  std::uint64_t total_written = 0;
  bool ok =
      destination != nullptr && (mode_ == FileMode::kReadHandle || mode_ == FileMode::kMemory);
  if (ok) {
    std::uint64_t amount = position_ < size_ ? size_ - position_ : 0;
    if (count >= 0) amount = std::min(amount, static_cast<std::uint64_t>(count));
    std::vector<std::uint8_t> piece;
    if (mode_ == FileMode::kReadHandle) piece.resize(kCopyPiece);
    while (amount > 0) {
      const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(amount, kCopyPiece));
      const std::uint8_t* data;
      std::uint32_t got = 0;
      if (mode_ == FileMode::kMemory) {
        data = image_ + position_;
        got = want;
      } else {
        data = piece.data();
        if (!file_.Read(piece.data(), want, &got) || got == 0) {
          position_ += got;
          total_read += got;
          break;
        }
      }
      position_ += got;
      total_read += got;
      amount -= got;
      std::uint32_t put = 0;
      const bool put_ok = destination->Write(data, got, &put) != 0;
      total_written += put;
      if (!put_ok) break;
    }
    ok = total_written == total_read;
  }
  if (read != nullptr) *read = total_read;
  if (written != nullptr) *written = total_written;
  return ok ? 1 : 0;
}

int CFileStream::DeletePath(const char16_t* path) {
  if (path != nullptr) {
    Close();
    return DeleteFilePath(path) ? 1 : 0;
  }
  if (mode_ == FileMode::kClosed) return 0;
  const std::u16string own = path_;
  Close();
  return DeleteFilePath(own.c_str()) ? 1 : 0;
}

int CFileStream::Truncate() { return mode_ == FileMode::kWrite && file_.SetEnd() ? 1 : 0; }

int CFileStream::Flush() { return mode_ == FileMode::kWrite && file_.Flush() ? 1 : 0; }

}  // namespace tarrowin
