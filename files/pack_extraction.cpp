// The extraction engine: positioning in the archive's files, the plain,
// divided and decrypting readers, the stored-bytes path and the call into
// the decoders.
//
// No reader spins: a reader that cannot deliver what the stored size
// promises either fails or reports the end of its bytes, and every loop
// over a reader stops at the first call that delivers nothing.
#include "files/pack_extraction.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace tarrowin {
namespace {

constexpr std::uint32_t kPiece = 65536;
// Output half of the decryption buffer: a whole input piece plus what a
// mode may hold pending from before.
constexpr std::size_t kDecryptedCapacity = 0x10100;

// Input side of one extraction: the open file and where it stands.
struct InputState {
  const PackSource* source = nullptr;
  FileHandle file;
  PackLocation location;       // file of the current position and its data end
  std::uint64_t position = 0;  // archive offset of the next stored byte
  std::uint32_t consumed = 0;  // stored bytes delivered
  std::uint32_t limit = 0;     // the record's stored size

  std::uint32_t Left() const { return limit - consumed; }

  // Reads exactly `count` bytes of the current file: a file that ends early
  // is a truncated archive.
  bool ReadExactly(std::uint8_t* buffer, std::uint32_t count) {
    std::uint32_t got = 0;
    if (!source->io->read(file, buffer, count, &got) || got != count) return false;
    consumed += count;
    position += count;
    return true;
  }
};

// Stored bytes of an archive that is one file.
class CPlainReader : public IPackReader {
 public:
  explicit CPlainReader(InputState& input) : input_(input) {}

  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override {
    *delivered = 0;
    const std::uint32_t n = std::min(count, input_.Left());
    if (n == 0) return true;
    if (!input_.ReadExactly(buffer, n)) return false;
    *delivered = n;
    return true;
  }

 private:
  InputState& input_;
};

// Stored bytes of a divided archive, moving on to the next volume where the
// current file's data ends and stopping at the archive's data end.
class CDividedReader : public IPackReader {
 public:
  explicit CDividedReader(InputState& input) : input_(input) {}

  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override {
    *delivered = 0;
    while (count > 0) {
      if (input_.position >= input_.location.volume_data_end && !NextVolume()) {
        return input_.position >= input_.source->layout.data_end;  // the end, or a bad volume
      }
      const std::uint64_t in_file = input_.location.volume_data_end - input_.position;
      const std::uint64_t to_end = input_.source->layout.data_end > input_.position
                                       ? input_.source->layout.data_end - input_.position
                                       : 0;
      const auto n = static_cast<std::uint32_t>(
          std::min<std::uint64_t>({count, input_.Left(), in_file, to_end}));
      if (n == 0) return true;
      if (!input_.ReadExactly(buffer + *delivered, n)) return false;
      *delivered += n;
      count -= n;
    }
    return true;
  }

 private:
  // False at the data end (nothing more to read) or when the next volume
  // is missing or wrong.
  bool NextVolume() {
    const PackSource& source = *input_.source;
    if (input_.position >= source.layout.data_end) return false;
    input_.source->io->close(input_.file);
    const std::uint64_t volume = input_.location.volume + 1;
    input_.file = OpenPackVolume(source, volume);
    if (!input_.file.IsValid()) return false;
    input_.location.volume = volume;
    const std::uint64_t end = input_.location.volume_data_end + source.layout.volume_data;
    input_.location.volume_data_end = end < input_.location.volume_data_end
                                          ? source.layout.data_end
                                          : std::min(end, source.layout.data_end);
    return true;
  }

  InputState& input_;
};

// Decrypts the raw reader's bytes in pieces of up to 64 KiB. Bytes after
// the last whole cipher block stay pending in the mode: a writer pads its
// values to whole blocks. Only when the raw bytes end before the stored
// size does the mode's pending block come out, zero-padded, once.
class CDecryptingReader : public IPackReader {
 public:
  CDecryptingReader(InputState& input, IPackReader& raw, ICipherMode& mode)
      : input_(input), raw_(raw), mode_(mode) {}

  bool Allocate() {
    buffer_.reset(new (std::nothrow) std::uint8_t[kDecryptedCapacity + kPiece]);
    return buffer_ != nullptr;
  }

  bool Read(std::uint8_t* buffer, std::uint32_t count, std::uint32_t* delivered) override {
    *delivered = 0;
    std::uint8_t* const output = buffer_.get();
    std::uint8_t* const input = buffer_.get() + kDecryptedCapacity;
    while (true) {
      const auto take =
          static_cast<std::uint32_t>(std::min<std::size_t>(fill_ - read_, count - *delivered));
      std::memcpy(buffer + *delivered, output + read_, take);
      read_ += take;
      *delivered += take;
      if (*delivered == count) return true;
      if (finished_ || input_.Left() == 0) return true;  // the end of the bytes
      read_ = 0;
      fill_ = 0;
      std::uint32_t got = 0;
      if (!raw_.Read(input, kPiece, &got)) return false;
      std::size_t length = 0;
      if (got > 0) {
        if (!mode_.Decrypt(output, length, input, got)) return false;
      } else {
        if (!mode_.FinishDecrypt(output, length)) return false;
        finished_ = true;
      }
      fill_ = length;
    }
  }

 private:
  InputState& input_;
  IPackReader& raw_;
  ICipherMode& mode_;
  std::unique_ptr<std::uint8_t[]> buffer_;  // output half, then input half
  std::size_t read_ = 0;
  std::size_t fill_ = 0;
  bool finished_ = false;
};

// Passes on exactly `expected` bytes and then the end call; more, or an end
// before all of them, is refused.
class CExactSink : public IPackSink {
 public:
  CExactSink(IPackSink& sink, std::uint64_t expected) : sink_(sink), expected_(expected) {}

  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override {
    *taken = 0;
    if (buffer == nullptr && count == 0) {
      if (written_ != expected_ || ended_) return false;
      ended_ = true;
      return sink_.Write(nullptr, 0, taken);
    }
    if (buffer == nullptr || ended_ || count > expected_ - written_) return false;
    const bool ok = sink_.Write(buffer, count, taken);
    written_ += *taken;
    return ok && *taken == count;
  }

  bool Complete() const { return ended_ && written_ == expected_; }

 private:
  IPackSink& sink_;
  std::uint64_t expected_;
  std::uint64_t written_ = 0;
  bool ended_ = false;
};

// Stored bytes copied as they are, in pieces of 64 KiB.
bool CopyStored(std::uint64_t size, IPackReader& reader, IPackSink& sink) {
  std::vector<std::uint8_t> piece;
  if (size > 0) piece.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece)));
  std::uint64_t left = size;
  while (left > 0) {
    const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, kPiece));
    std::uint32_t got = 0;
    if (!reader.Read(piece.data(), want, &got) || got == 0 || got > want) return false;
    std::uint32_t taken = 0;
    if (!sink.Write(piece.data(), got, &taken)) return false;
    left -= got;
  }
  std::uint32_t taken = 0;
  return sink.Write(nullptr, 0, &taken);
}

}  // namespace

FileHandle OpenPackVolume(const PackSource& source, std::uint64_t volume) {
  const std::u16string name = PackVolumeName(source.parts, volume);
  if (name.empty()) return FileHandle();
  FileHandle file = source.io->open(name.c_str(), kGenericRead, kFileShareRead, kOpenExisting);
  if (!file.IsValid() || volume == 0) return file;
  std::uint8_t bytes[kPackVolumeHeaderSize];
  std::uint32_t got = 0;
  if (!source.io->read(file, bytes, sizeof bytes, &got) || got != sizeof bytes) {
    source.io->close(file);
    return FileHandle();
  }
  const PackVolumeHeader header = ParsePackVolumeHeader(bytes);
  if (!header.magic_ok || header.number != volume) {
    source.io->close(file);
    return FileHandle();
  }
  return file;
}

FileHandle PositionPackInput(const PackSource& source, std::uint64_t offset,
                             PackLocation* location) {
  if (!LocatePackOffset(source.layout, offset, location)) return FileHandle();
  FileHandle file = OpenPackVolume(source, location->volume);
  if (!file.IsValid()) return file;
  const std::uint64_t position = location->file_position;
  if (!source.io->seek(file, static_cast<std::uint32_t>(position),
                       static_cast<std::int32_t>(position >> 32), kSeekBegin, nullptr)) {
    source.io->close(file);
    return FileHandle();
  }
  return file;
}

bool ExtractPackRecord(const PackSource& source, const PackEntry& record,
                       const PackPassword& password, IPackSink& sink) {
  if (record.size > kMaxPackRecordSize || record.stored_size > kMaxPackRecordSize) return false;
  InputState input;
  input.source = &source;
  input.file = PositionPackInput(source, record.data_offset, &input.location);
  if (!input.file.IsValid()) return false;
  input.position = record.data_offset;
  input.limit = static_cast<std::uint32_t>(record.stored_size);

  CPlainReader plain(input);
  CDividedReader divided(input);
  IPackReader* reader = source.layout.divided ? static_cast<IPackReader*>(&divided) : &plain;

  std::unique_ptr<CPackCipher> cipher;
  std::unique_ptr<CDecryptingReader> decrypting;
  if (IsPackEncrypted(record.flags)) {
    cipher = CPackCipher::Create(record.flags, record.key, password);
    if (!cipher) return false;
    decrypting = std::make_unique<CDecryptingReader>(input, *reader, cipher->mode());
    if (!decrypting->Allocate()) return false;
    reader = decrypting.get();
  }

  CExactSink exact(sink, record.size);
  const PackStages stages = PackStagesFromFlags(record.flags);
  const bool ok = HasPackStages(stages) ? DecodePackStages(stages, input.limit, *reader, exact)
                                        : CopyStored(record.size, *reader, exact);
  source.io->close(input.file);
  return ok && exact.Complete();
}

}  // namespace tarrowin
