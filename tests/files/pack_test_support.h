// Helpers of the pack archive tests: archives built by the writer of the
// pcf tool, stored in a test folder, patched at the byte offsets of the
// format to make damaged and hostile archives, and read back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "files/pack_archive.h"
#include "tests/files/temp_dir.h"
#include "tools/pcf/pack_writer.h"

namespace tarrowin::testing_files {

using Bytes = std::vector<std::uint8_t>;

// Header and record field offsets, written out here apart from the
// format's own code so that a layout mistake there shows.
namespace offsets {
inline constexpr std::size_t kCount = 8;
inline constexpr std::size_t kDataEnd = 16;
inline constexpr std::size_t kFirstFileSize = 24;
inline constexpr std::size_t kVolumeSize = 32;
inline constexpr std::size_t kDirectoryOffset = 40;
inline constexpr std::size_t kDirectoryStored = 48;
inline constexpr std::size_t kFlags = 56;
inline constexpr std::size_t kDirectoryKey = 88;
inline constexpr std::size_t kDigest = 96;
inline constexpr std::size_t kEntryDataOffset = 80;
inline constexpr std::size_t kEntrySize = 88;
inline constexpr std::size_t kEntryStored = 96;
inline constexpr std::size_t kEntryFlags = 104;
inline constexpr std::size_t kVolumeNumber = 8;
}  // namespace offsets

inline void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void Put64(Bytes& bytes, std::size_t at, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint64_t Get64(const Bytes& bytes, std::size_t at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}

// Deterministic bytes: text-like runs mixed with noise.
inline Bytes SampleBytes(std::size_t size, std::uint32_t seed = 1) {
  Bytes out(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1664525u + 1013904223u;
    out[i] = (i / 64) % 3 == 0 ? static_cast<std::uint8_t>(state >> 24)
                               : static_cast<std::uint8_t>("tarrowin settings "[i % 18]);
  }
  return out;
}

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The same key bytes every time, so that an archive is reproducible.
inline PackKeyBytes FixedKey() { return PackKeyBytes{1, 2, 3, 4, 5, 6, 7, 8}; }

inline PackImage BuildImage(std::vector<PackWriterFile> files, PackWriterOptions options = {}) {
  if (!options.make_key) options.make_key = FixedKey;
  PackImage image;
  std::string error;
  EXPECT_TRUE(BuildPackImage(std::move(files), options, &image, &error)) << error;
  return image;
}

inline void WriteImage(const PackImage& image, const std::filesystem::path& archive) {
  std::string error;
  ASSERT_TRUE(WritePackImage(image, archive, &error)) << error;
}

inline void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

// The record of entry `index` inside a directory stored plain.
inline std::size_t RecordAt(const Bytes& first, std::size_t index) {
  return 192 + static_cast<std::size_t>(Get64(first, offsets::kDirectoryOffset)) + index * 128;
}

// Hand-made archives, built byte by byte apart from the writer: a header
// with `count` declared entries and a directory at archive offset
// `directory_offset` of `directory_stored` bytes under `directory_flags`.
inline Bytes HandMadeHeader(std::uint32_t count, std::uint64_t directory_offset,
                            std::uint64_t directory_stored, std::uint32_t directory_flags) {
  Bytes header(192, 0);
  const std::string magic = "PackCode";
  std::copy(magic.begin(), magic.end(), header.begin());
  Put32(header, offsets::kCount, count);
  Put64(header, offsets::kDirectoryOffset, directory_offset);
  Put64(header, offsets::kDirectoryStored, directory_stored);
  Put32(header, offsets::kFlags, directory_flags);
  return header;
}

inline Bytes HandMadeRecord(const std::string& name, std::uint64_t data_offset, std::uint64_t size,
                            std::uint64_t stored, std::uint32_t flags) {
  Bytes record(128, 0);
  std::copy(name.begin(), name.end(), record.begin());
  Put64(record, offsets::kEntryDataOffset, data_offset);
  Put64(record, offsets::kEntrySize, size);
  Put64(record, offsets::kEntryStored, stored);
  Put32(record, offsets::kEntryFlags, flags);
  return record;
}

// Range-coder blocks that repeat `symbol` `count` times from 13 stored
// bytes each: a table of that one symbol with the whole frequency 4096
// never takes another input byte. `last` clears the "more blocks" bit of
// the final block.
inline void AppendRangeRun(Bytes& out, std::uint8_t symbol, std::uint64_t count, bool last) {
  do {
    const std::uint64_t block = std::min<std::uint64_t>(count, 0x80000000u);
    count -= block;
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(block >> (8 * i)));
    const std::uint8_t more = last && count == 0 ? 0x00 : 0x80;
    // Form 1, one pair: the symbol and 4096 as the two bytes 0x00 0x20.
    out.insert(out.end(), {static_cast<std::uint8_t>(0x01 | more), 1, symbol, 0x00, 0x20});
    out.insert(out.end(), {0, 0, 0, 0});
  } while (count > 0);
}

// A bomb: one range-coded entry `name` that truly decodes to `size` zero
// bytes, in an archive of a few hundred bytes.
inline Bytes RangeBombArchive(const std::string& name, std::uint64_t size) {
  Bytes stored;
  AppendRangeRun(stored, 0, size, true);
  Bytes archive = HandMadeHeader(1, stored.size(), 128 + 8, 0);
  archive.insert(archive.end(), stored.begin(), stored.end());
  const Bytes record = HandMadeRecord(name, 0, size, stored.size(), 0x00000100);
  archive.insert(archive.end(), record.begin(), record.end());
  const std::string trailer = "PackCode";
  archive.insert(archive.end(), trailer.begin(), trailer.end());
  return archive;
}

// Decodes entry `name` of the open archive; nullopt-like empty flag on
// failure.
inline bool ReadEntry(CPackArchive& archive, const std::u16string& name, Bytes* out) {
  std::uint32_t index = 0;
  std::uint64_t size = 0;
  if (!archive.FindEntry(name.c_str(), &index) || !archive.GetEntryInfo(index, nullptr, 0, &size)) {
    return false;
  }
  Bytes data(static_cast<std::size_t>(size) + 1, 0xEE);
  if (!archive.ExtractToMemory(index, data.data())) return false;
  // Nothing is written beyond the entry's size.
  EXPECT_EQ(data.back(), 0xEE);
  data.pop_back();
  *out = std::move(data);
  return true;
}

}  // namespace tarrowin::testing_files
