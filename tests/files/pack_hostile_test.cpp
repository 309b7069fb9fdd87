// Damaged and hostile archives: each lie a header or record can tell fails
// cleanly, with no large allocation and no endless loop, and a sweep of
// flipped bytes and cut lengths over a valid archive never goes wrong.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "files/file_stream.h"
#include "files/pack_archive.h"
#include "tests/files/allocation_meter.h"
#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

using testing_files::BuildImage;
using testing_files::Bytes;
using testing_files::Get64;
using testing_files::Put32;
using testing_files::Put64;
using testing_files::RecordAt;
using testing_files::SampleBytes;
using testing_files::TempDir;
using testing_files::WriteImage;
namespace offsets = testing_files::offsets;

constexpr std::uint64_t kMax64 = std::numeric_limits<std::uint64_t>::max();

// Three stored entries "a" (100 bytes), "b" (5000) and "c" (10), and a
// stored directory, so that every field can be patched in place.
PackImage BaseImage() {
  return BuildImage({{"a", SampleBytes(100, 1), 0},
                     {"b", SampleBytes(5000, 2), 0},
                     {"c", SampleBytes(10, 3), 0}});
}

std::size_t RecordB(const PackImage& image) { return RecordAt(image.first, 1); }

struct HostileCase {
  const char* name;
  std::function<void(PackImage&)> damage;
  // kNone: the archive opens, and entry "b" fails to decode.
  PackOpenError error;
};

void SetDivided(PackImage& image, std::uint64_t first, std::uint64_t volume, std::uint64_t end) {
  Put32(image.first, offsets::kFlags, kPackDivided);
  Put64(image.first, offsets::kFirstFileSize, first);
  Put64(image.first, offsets::kVolumeSize, volume);
  Put64(image.first, offsets::kDataEnd, end);
}

const HostileCase kHostileCases[] = {
    {"Empty", [](PackImage& i) { i.first.clear(); }, PackOpenError::kNotArchive},
    {"ShorterThanHeader", [](PackImage& i) { i.first.resize(191); }, PackOpenError::kNotArchive},
    {"BadMagic", [](PackImage& i) { i.first[4] = 'c'; }, PackOpenError::kNotArchive},
    {"FirstFileSizeBeyondFile",
     [](PackImage& i) { Put64(i.first, offsets::kFirstFileSize, i.first.size() + 1); },
     PackOpenError::kBadHeader},
    {"HugeEntryCount", [](PackImage& i) { Put32(i.first, offsets::kCount, 0xFFFFFFFF); },
     PackOpenError::kBadDirectory},
    // Within the limit, but the few stored bytes cannot hold it: it fails
    // as the bytes run out, having allocated only what arrived.
    {"EntryCountAtTheLimit", [](PackImage& i) { Put32(i.first, offsets::kCount, kMaxPackEntries); },
     PackOpenError::kBadDirectory},
    {"EntryCountOneMore", [](PackImage& i) { Put32(i.first, offsets::kCount, 4); },
     PackOpenError::kBadDirectory},
    {"EntryCountOneLess",  // the trailer is then not where it should be
     [](PackImage& i) { Put32(i.first, offsets::kCount, 2); }, PackOpenError::kBadDirectory},
    {"DirectoryStoredSizeHuge",
     [](PackImage& i) { Put64(i.first, offsets::kDirectoryStored, std::uint64_t{1} << 40); },
     PackOpenError::kBadDirectory},
    {"DirectoryStoredSizeShort",
     [](PackImage& i) {
       Put64(i.first, offsets::kDirectoryStored, Get64(i.first, offsets::kDirectoryStored) - 1);
     },
     PackOpenError::kBadDirectory},
    {"DirectoryOffsetBeyondFile",
     [](PackImage& i) { Put64(i.first, offsets::kDirectoryOffset, 1u << 30); },
     PackOpenError::kBadDirectory},
    {"DirectoryOffsetAtTheTop",
     [](PackImage& i) { Put64(i.first, offsets::kDirectoryOffset, kMax64 - 100); },
     PackOpenError::kBadDirectory},
    {"DirectoryTrailerDamaged", [](PackImage& i) { i.first[i.first.size() - 3] ^= 0x20; },
     PackOpenError::kBadDirectory},
    {"DirectoryUnknownCipher", [](PackImage& i) { Put32(i.first, offsets::kFlags, 0x00240000); },
     PackOpenError::kBadDirectory},
    {"DirectoryUnknownMode", [](PackImage& i) { Put32(i.first, offsets::kFlags, 0x005A0000); },
     PackOpenError::kBadDirectory},
    {"DirectoryCipherWithoutMode",
     [](PackImage& i) { Put32(i.first, offsets::kFlags, 0x000A0000); },
     PackOpenError::kBadDirectory},
    {"DirectoryModeWithoutCipher",
     [](PackImage& i) { Put32(i.first, offsets::kFlags, 0x00200000); },
     PackOpenError::kBadDirectory},
    {"DirectoryCompressedWithBadParameters",
     [](PackImage& i) { Put32(i.first, offsets::kFlags, 0x0000700F); },
     PackOpenError::kBadDirectory},
    {"DividedVolumeSize0", [](PackImage& i) { SetDivided(i, i.first.size(), 0, 1u << 20); },
     PackOpenError::kBadHeader},
    {"DividedVolumeSize32", [](PackImage& i) { SetDivided(i, i.first.size(), 32, 1u << 20); },
     PackOpenError::kBadHeader},
    {"DividedFirstFileBelowHeader", [](PackImage& i) { SetDivided(i, 100, 4096, 1u << 20); },
     PackOpenError::kBadHeader},
    {"DividedDataEndBelowFirstFile",
     [](PackImage& i) { SetDivided(i, i.first.size(), 4096, i.first.size() - 1); },
     PackOpenError::kBadHeader},
    {"DividedVolumesMissing",
     [](PackImage& i) { SetDivided(i, i.first.size(), 4096, i.first.size() + 4096); },
     PackOpenError::kMissingVolume},
    // (T - F) div V is 0: no volume is looked at, and the directory lies
    // in the first file.
    {"DividedWithoutVolumesOpens",
     [](PackImage& i) {
       SetDivided(i, i.first.size(), 4096, i.first.size());
       Put64(i.first, RecordB(i) + offsets::kEntryDataOffset, i.first.size());
     },
     PackOpenError::kNone},
    {"EntrySizeHuge",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntrySize, std::uint64_t{1} << 40); },
     PackOpenError::kNone},
    {"EntrySizeAtTheLimit",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntrySize, kMaxPackRecordSize); },
     PackOpenError::kNone},
    {"EntryStoredSizeHuge",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntryStored, kMax64); },
     PackOpenError::kNone},
    {"EntryStoredSizeShort",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntryStored, 4999); },
     PackOpenError::kNone},
    {"EntryDataOffsetBeyondFile",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntryDataOffset, 1u << 30); },
     PackOpenError::kNone},
    {"EntryDataOffsetAtTheTop",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntryDataOffset, kMax64); },
     PackOpenError::kNone},
    {"EntryRunsPastTheEndOfTheFile",
     [](PackImage& i) { Put64(i.first, RecordB(i) + offsets::kEntryDataOffset, 4000); },
     PackOpenError::kNone},
    {"EntryUnknownCipher",
     [](PackImage& i) { Put32(i.first, RecordB(i) + offsets::kEntryFlags, 0x00140000); },
     PackOpenError::kNone},
    {"EntryUnknownMode",
     [](PackImage& i) { Put32(i.first, RecordB(i) + offsets::kEntryFlags, 0x03F10000); },
     PackOpenError::kNone},
    {"EntryPasswordCheckWrong",
     [](PackImage& i) { Put32(i.first, RecordB(i) + offsets::kEntryFlags, 0x01010000); },
     PackOpenError::kNone},
    {"EntryBlockSortingWithoutSize",
     [](PackImage& i) { Put32(i.first, RecordB(i) + offsets::kEntryFlags, 0x0000100C); },
     PackOpenError::kNone},
    {"EntryEntropyUnderFirstStageWithoutCapacity",
     [](PackImage& i) { Put32(i.first, RecordB(i) + offsets::kEntryFlags, 0x00001161); },
     PackOpenError::kNone},
};

class PackHostileTest : public testing::TestWithParam<HostileCase> {
 protected:
  TempDir dir_;
};

TEST_P(PackHostileTest, FailsCleanly) {
  PackImage image = BaseImage();
  GetParam().damage(image);
  WriteImage(image, dir_.dir() / "h.pcf");
  const std::u16string path = dir_.Path(u"h.pcf");
  CPackArchive archive;
  const bool opened = archive.OpenArchive(path.c_str(), 0);
  if (GetParam().error != PackOpenError::kNone) {
    EXPECT_FALSE(opened);
    EXPECT_EQ(archive.OpenError(), GetParam().error);
    EXPECT_FALSE(archive.IsOpen());
    EXPECT_EQ(archive.EntryCount(), 0u);
    return;
  }
  ASSERT_TRUE(opened);
  std::uint32_t index = 0;
  ASSERT_TRUE(archive.FindEntry(u"b", &index));
  std::unique_ptr<std::uint8_t[]> block;
  CPackArchive* const reader = &archive;
  if (GetParam().name == std::string("DividedWithoutVolumesOpens")) {
    // "b" now lies beyond the data end.
    EXPECT_FALSE(reader->ExtractToBlock(index, &block));
    return;
  }
  EXPECT_FALSE(reader->ExtractToBlock(index, &block));
  FileHandle file;
  std::uint64_t offset = 0;
  EXPECT_FALSE(reader->GetRawLocation(index, &file, &offset));
  EXPECT_FALSE(file.IsValid());
  // The neighbours are untouched by the damage.
  ASSERT_TRUE(archive.FindEntry(u"c", &index));
  EXPECT_TRUE(reader->ExtractToBlock(index, &block));
  // Opening the entry as a file fails as well, and leaves the stream closed.
  CFileStream stream;
  EXPECT_FALSE(stream.OpenInPack((archive.BasePath() + u"/b").c_str(), &archive));
  EXPECT_FALSE(stream.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Cases, PackHostileTest, testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Directories that declare 2^20 entries in a file of a few hundred bytes:
// stored plain they run out of bytes; range-coded they truly decode to
// 128 MiB of zeros and the trailer, which are no records. Either way the
// archive fails having allocated a few MiB at most.
TEST(PackDirectoryTest, ManyDeclaredEntriesInATinyFile) {
  constexpr std::uint32_t kCount = kMaxPackEntries;
  Bytes plain = testing_files::HandMadeHeader(kCount, 0, std::uint64_t{kCount} * 128 + 8, 0);
  plain.resize(200, 0);
  Bytes zeros;
  testing_files::AppendRangeRun(zeros, 0, std::uint64_t{kCount} * 128, false);
  const std::string trailer = "PackCode";
  for (std::size_t i = 0; i < trailer.size(); ++i) {
    testing_files::AppendRangeRun(zeros, static_cast<std::uint8_t>(trailer[i]), 1,
                                  i + 1 == trailer.size());
  }
  Bytes coded = testing_files::HandMadeHeader(kCount, 0, zeros.size(), 0x00000100);
  coded.insert(coded.end(), zeros.begin(), zeros.end());
  ASSERT_LT(coded.size(), 400u);

  TempDir dir;
  for (const Bytes* bytes : {&plain, &coded}) {
    testing_files::WriteFileBytes(dir.dir() / "many.pcf", *bytes);
    const testing_files::AllocationMeter meter;
    CPackArchive archive;
    EXPECT_FALSE(archive.OpenArchive(dir.Path(u"many.pcf").c_str(), 0));
    EXPECT_EQ(archive.OpenError(), PackOpenError::kBadDirectory);
    EXPECT_LT(meter.Peak(), std::size_t{4} << 20);
  }
}

// Records arrive one by one; they cost memory as they come, and the first
// one without a name ends the directory.
TEST(PackDirectoryTest, RecordsAreCheckedAsTheyArrive) {
  constexpr std::uint32_t kNamed = 3;
  Bytes archive = testing_files::HandMadeHeader(kMaxPackEntries, 0,
                                                std::uint64_t{kMaxPackEntries} * 128 + 8, 0);
  for (std::uint32_t i = 0; i < kNamed; ++i) {
    const Bytes record =
        testing_files::HandMadeRecord(std::string(1, static_cast<char>('a' + i)), 0, 0, 0, 0);
    archive.insert(archive.end(), record.begin(), record.end());
  }
  archive.resize(archive.size() + (std::size_t{8} << 20), 0);
  TempDir dir;
  testing_files::WriteFileBytes(dir.dir() / "z.pcf", archive);
  const testing_files::AllocationMeter meter;
  CPackArchive reader;
  EXPECT_FALSE(reader.OpenArchive(dir.Path(u"z.pcf").c_str(), 0));
  EXPECT_EQ(reader.OpenError(), PackOpenError::kBadDirectory);
  EXPECT_LT(meter.Peak(), std::size_t{1} << 20);
}

// A valid archive mixing what the reader does: plain, encrypted and
// compressed entries, a compressed and encrypted directory with its digest.
PackImage SweepImage() {
  PackWriterOptions options;
  options.directory_flags = 0x002AB060;
  options.digest = true;
  return BuildImage({{"plain", SampleBytes(200, 1), 0},
                     {"rc4", SampleBytes(100, 2), 0x00450000},
                     {"rijndael", SampleBytes(300, 3), 0x002A0000},
                     {"lzss", SampleBytes(300, 4), 0x00000060},
                     {"lzss+range", SampleBytes(300, 5), 0x00000B60},
                     {"bwt+huffman", SampleBytes(300, 6), 0x0000B006},
                     {"bwt+range+rc6", SampleBytes(300, 7), 0x00260B06}},
                    options);
}

// Opens the archive at `path` with the digest check and decodes every
// entry; whatever it finds, it must not fail in any other way.
void ReadEverything(const std::u16string& path, std::uint16_t options) {
  CPackArchive archive;
  if (!archive.OpenArchive(path.c_str(), options)) return;
  for (std::uint32_t i = 0; i < archive.EntryCount(); ++i) {
    std::unique_ptr<std::uint8_t[]> block;
    archive.ExtractToBlock(i, &block);
    FileHandle file;
    std::uint64_t offset = 0;
    archive.GetRawLocation(i, &file, &offset);
  }
}

TEST(PackCorruptionSweepTest, FlippedBytes) {
  const PackImage valid = SweepImage();
  TempDir dir;
  const std::u16string path = dir.Path(u"s.pcf");
  int opened = 0;
  for (std::size_t at = 0; at < valid.first.size(); ++at) {
    // One flip per byte, a different one at each: a single bit or all.
    PackImage image = valid;
    image.first[at] ^= at % 3 == 0 ? 0xFF : static_cast<std::uint8_t>(1u << (at % 8));
    WriteImage(image, dir.dir() / "s.pcf");
    ReadEverything(path, 1);
    CPackArchive archive;
    opened += archive.OpenArchive(path.c_str(), 1) ? 1 : 0;
  }
  // The header's reserved bytes and the entries' bytes may change
  // unnoticed; the encrypted directory under its digest may not.
  EXPECT_GT(opened, 0);
  EXPECT_LT(opened, static_cast<int>(valid.first.size()));
}

TEST(PackCorruptionSweepTest, CutLengths) {
  const PackImage valid = SweepImage();
  TempDir dir;
  const std::u16string path = dir.Path(u"s.pcf");
  for (std::size_t length = 0; length < valid.first.size(); ++length) {
    PackImage image = valid;
    image.first.resize(length);
    WriteImage(image, dir.dir() / "s.pcf");
    CPackArchive archive;
    // The directory is last, so every cut loses some of it.
    EXPECT_FALSE(archive.OpenArchive(path.c_str(), 0)) << length;
  }
}

TEST(PackCorruptionSweepTest, DividedArchiveVolumes) {
  PackWriterOptions options;
  options.volume_size = 1024;
  options.directory_flags = 0x00260000;
  const PackImage valid =
      BuildImage({{"x", SampleBytes(2500, 1), 0}, {"y", SampleBytes(700, 2), 0x00260000}}, options);
  ASSERT_GE(valid.volumes.size(), 3u);
  TempDir dir;
  const std::u16string path = dir.Path(u"d.pcf");
  for (std::size_t volume = 0; volume < valid.volumes.size(); ++volume) {
    for (std::size_t at = 0; at < valid.volumes[volume].size(); at += 7) {
      PackImage image = valid;
      image.volumes[volume][at] ^= 0xA5;
      WriteImage(image, dir.dir() / "d.pcf");
      ReadEverything(path, 0);
    }
    PackImage cut = valid;
    cut.volumes[volume].resize(cut.volumes[volume].size() / 2);
    WriteImage(cut, dir.dir() / "d.pcf");
    ReadEverything(path, 0);
  }
}

}  // namespace
}  // namespace tarrowin
