// The stream through which every file is read: an open file handle, the
// whole content in memory (a heap copy below 64 KiB, a read-only mapping
// above), or an entry of a pack archive; with an encoding-detecting line
// reader. Writing is plain byte output through a handle.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "files/os_file.h"
#include "files/text_line_decoder.h"

namespace tarrowin {

class CPackArchive;

// An entry that the archive lookup found but would not serve, because it
// declares more than kMaxLookupEntrySize bytes.
struct PackEntryRefusal {
  std::u16string archive;  // the archive's path
  std::u16string entry;    // the entry's name inside it
  std::uint64_t size = 0;  // the size it declares
};

// Where Open looks for a file to read: 0 files only, 1 or 2 the file and
// then pack archives named after its parent directories, 3 archives only.
inline constexpr std::uint16_t PackLookupMode = 2;

// Files opened for reading below this size are copied to the heap and their
// handle closed at once; larger ones are mapped on first line read.
inline constexpr std::uint64_t MemoryImageThreshold = 65536;

// Results are 32-bit ints, non-zero for success, as the rest of the program
// expects; Seek returns 0xFFFFFFFF on failure.
class IFileStream {
 public:
  virtual ~IFileStream() = default;

  virtual int Open(const char16_t* path, std::uint32_t access, std::uint32_t share,
                   std::uint32_t creation) = 0;
  virtual int OpenInPack(const char16_t* path, CPackArchive* archive) = 0;
  virtual int Close() = 0;
  virtual int IsOpen() const = 0;
  virtual int IsAtEnd() const = 0;
  // The full path of the open file; empty when closed.
  virtual const char16_t* GetPath() const = 0;
  virtual int Read(void* buffer, std::uint32_t count, std::uint32_t* read) = 0;
  virtual int Write(const void* buffer, std::uint32_t count, std::uint32_t* written) = 0;
  // Without `high` the low half is sign-extended. Returns the low half of
  // the new position; `*high` receives its high half.
  virtual std::uint32_t Seek(std::int32_t low, std::int32_t* high, std::uint32_t method) = 0;
  virtual int Seek64(std::int64_t distance, std::uint64_t* position, std::uint32_t method) = 0;
  virtual int GetSize(std::uint32_t* low, std::uint32_t* high) = 0;
  virtual int GetSize64(std::uint64_t* size) = 0;
  // Next line piece of at most `count` characters; `buffer` holds
  // LineBufferUnits(count) units (a character beyond U+FFFF takes two).
  virtual int ReadLine(char16_t* buffer, std::uint32_t count) = 0;
  // printf-style UTF-16 text: %s takes a const char16_t*; %c, %d, %i, %u,
  // %x, %X with the usual flags, width, precision and h, l, ll, I64, z.
  virtual int WriteText(const char16_t* format, ...) = 0;
  // Copies up to `count` bytes (all remaining when negative) into
  // `destination` from the current position.
  virtual int CopyTo(IFileStream* destination, std::int64_t count, std::uint64_t* read,
                     std::uint64_t* written) = 0;
  virtual int DeletePath(const char16_t* path) = 0;
  virtual int Truncate() = 0;
  virtual int Flush() = 0;
  // Non-zero once the open content could not be read (a read error, a
  // failed mapping, content too large for memory). ReadLine then gives 0
  // with text left unread: that is a failure, not the end of the text.
  // Cleared by Close and the next Open.
  virtual int HasReadError() const = 0;
};

class CFileStream : public IFileStream {
 public:
  enum class FileMode { kClosed = 0, kReadHandle = 1, kWrite = 2, kMemory = 3 };

  CFileStream() = default;
  ~CFileStream() override { Close(); }
  CFileStream(const CFileStream&) = delete;
  CFileStream& operator=(const CFileStream&) = delete;

  int Open(const char16_t* path, std::uint32_t access, std::uint32_t share,
           std::uint32_t creation) override;
  int OpenInPack(const char16_t* path, CPackArchive* archive) override;
  int Close() override;
  int IsOpen() const override { return mode_ != FileMode::kClosed; }
  int IsAtEnd() const override { return mode_ != FileMode::kClosed && position_ >= size_; }
  const char16_t* GetPath() const override { return path_.c_str(); }
  int Read(void* buffer, std::uint32_t count, std::uint32_t* read) override;
  int Write(const void* buffer, std::uint32_t count, std::uint32_t* written) override;
  std::uint32_t Seek(std::int32_t low, std::int32_t* high, std::uint32_t method) override;
  int Seek64(std::int64_t distance, std::uint64_t* position, std::uint32_t method) override;
  int GetSize(std::uint32_t* low, std::uint32_t* high) override;
  int GetSize64(std::uint64_t* size) override;
  int ReadLine(char16_t* buffer, std::uint32_t count) override;
  int WriteText(const char16_t* format, ...) override;
  int CopyTo(IFileStream* destination, std::int64_t count, std::uint64_t* read,
             std::uint64_t* written) override;
  int DeletePath(const char16_t* path) override;
  int Truncate() override;
  int Flush() override;
  int HasReadError() const override { return read_error_ ? 1 : 0; }

  // In memory: makes the stream start `offset` bytes into the block that
  // holds its content (at most its end) and moves to the new start.
  virtual int Rebase(std::uint64_t offset);
  // ReadHandle to Memory: a heap copy below MemoryImageThreshold (closing
  // the handle), a read-only mapping above. True at once in Memory.
  virtual int LoadToMemory();

  FileMode mode() const { return mode_; }
  // Why the last Open or OpenInPack failed when it did so because an entry
  // was too large: the first such entry. Null after a success.
  const PackEntryRefusal* LastPackRefusal() const {
    return pack_refusal_ ? &*pack_refusal_ : nullptr;
  }

 private:
  enum class LineState { kUndecided, kNoText, kDecided };
  using HeapBlock = std::unique_ptr<std::uint8_t[]>;

  // Rounded up to 16 bytes; null when out of memory.
  static HeapBlock AllocateImage(std::uint64_t size);
  void AdoptReadHandle(FileHandle file, std::uint64_t base_offset, std::uint64_t size);
  bool LoadToHeap();
  bool MapImage();

  // Pack archive lookup (file_stream_pack.cpp): the search through the
  // archives named after the parent directories of path_, and the opening
  // of one entry of an open archive.
  bool SearchPackArchives();
  bool OpenPackEntry(const char16_t* entry_path, CPackArchive& archive);

  std::u16string path_;
  std::optional<PackEntryRefusal> pack_refusal_;  // see LastPackRefusal
  FileHandle file_;
  MappedView view_;
  HeapBlock heap_;
  std::uint64_t base_offset_ = 0;        // first byte of the content in the underlying file
  const std::uint8_t* image_ = nullptr;  // content in memory; already includes base_offset_
  std::uint64_t size_ = 0;
  std::uint64_t position_ = 0;  // relative to base_offset_
  FileMode mode_ = FileMode::kClosed;
  LineState line_state_ = LineState::kUndecided;
  TextEncoding encoding_ = TextEncoding::kAnsi;
  std::uint64_t mark_length_ = 0;  // byte-order mark at the start of the content
  bool read_error_ = false;
};

}  // namespace tarrowin
