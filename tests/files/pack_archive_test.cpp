// Pack archives written by the pcf writer and read back by the program's
// reader: every cipher with every mode, encrypted directories and their
// digest, sizes around the 64 KiB pieces, names, divided archives, entries
// read in place, and the archive bits of the header.
#include "files/pack_archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

using testing_files::BuildImage;
using testing_files::Bytes;
using testing_files::ReadEntry;
using testing_files::SampleBytes;
using testing_files::TempDir;
using testing_files::WriteImage;
namespace offsets = testing_files::offsets;

class PackArchiveTest : public testing::Test {
 protected:
  std::u16string Store(const PackImage& image, const std::u16string& name = u"a.pcf") {
    WriteImage(image, dir_.dir() / name);
    return dir_.Path(name);
  }

  // Opens the archive and checks that every file reads back as written.
  void ExpectRoundTrip(const std::u16string& path, const std::vector<PackWriterFile>& files,
                       std::uint16_t options = 0) {
    CPackArchive archive;
    ASSERT_TRUE(archive.OpenArchive(path.c_str(), options));
    ASSERT_EQ(archive.EntryCount(), files.size());
    for (const PackWriterFile& file : files) {
      SCOPED_TRACE(file.name);
      const std::u16string name(file.name.begin(), file.name.end());  // ASCII names
      Bytes data;
      ASSERT_TRUE(ReadEntry(archive, name, &data));
      EXPECT_TRUE(data == file.data);
      std::uint32_t index = 0;
      ASSERT_TRUE(archive.FindEntry(name.c_str(), &index));
      std::unique_ptr<std::uint8_t[]> block;
      ASSERT_TRUE(archive.ExtractToBlock(index, &block));
      EXPECT_TRUE(std::equal(file.data.begin(), file.data.end(), block.get()));
    }
  }

  TempDir dir_;
};

std::vector<PackWriterFile> SizedFiles(const std::vector<std::size_t>& sizes, PackFlags flags) {
  std::vector<PackWriterFile> files;
  for (const std::size_t size : sizes) {
    // Appended rather than "f" + ...: GCC 12 warns wrongly about the latter at -O3.
    std::string name = "f";
    name += std::to_string(size);
    files.push_back({name, SampleBytes(size, static_cast<std::uint32_t>(size)), flags});
  }
  return files;
}

struct CipherCase {
  const char* cipher;
  PackFlags cipher_flags;
  const char* mode;
  PackFlags mode_flags;
};

std::vector<CipherCase> AllCiphersAndModes() {
  const std::pair<const char*, PackFlags> ciphers[] = {
      {"Word", 0x00010000}, {"Rotate", 0x00020000},   {"Subst", 0x00030000},   {"RC4", 0x00050000},
      {"RC6", 0x00060000},  {"Camellia", 0x00080000}, {"Rijndael", 0x000A0000}};
  const std::pair<const char*, PackFlags> modes[] = {
      {"ECB", 0x00100000}, {"CBC", 0x00200000},         {"CFB", 0x00300000},
      {"OFB", 0x00400000}, {"PasswordCBC", 0x01000000}, {"PasswordOFB", 0x02000000}};
  std::vector<CipherCase> cases;
  for (const auto& [cipher, cipher_flags] : ciphers) {
    for (const auto& [mode, mode_flags] : modes) {
      cases.push_back({cipher, cipher_flags, mode, mode_flags});
    }
  }
  return cases;
}

class PackCipherTest : public PackArchiveTest, public testing::WithParamInterface<CipherCase> {};

// Entries and directory encrypted alike; sizes below, at and beyond one
// cipher block, and beyond one 64 KiB piece of the decrypting reader.
TEST_P(PackCipherTest, EntriesAndDirectoryRoundTrip) {
  const PackFlags flags = GetParam().cipher_flags | GetParam().mode_flags;
  const auto files = SizedFiles({0, 1, 15, 16, 17, 70001}, flags);
  PackWriterOptions options;
  options.directory_flags = flags;
  options.digest = true;
  const PackImage image = BuildImage(files, options);
  ExpectRoundTrip(Store(image), files, 1);
  // Encrypted values are whole blocks, so nothing stays pending.
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  for (std::uint32_t i = 0; i < archive.EntryCount(); ++i) {
    EXPECT_EQ(archive.Entry(i)->flags, flags);
    EXPECT_GE(archive.Entry(i)->stored_size, archive.Entry(i)->size);
    EXPECT_LT(archive.Entry(i)->stored_size, archive.Entry(i)->size + 33);
  }
}

INSTANTIATE_TEST_SUITE_P(All, PackCipherTest, testing::ValuesIn(AllCiphersAndModes()),
                         [](const auto& info) {
                           return std::string(info.param.cipher) + info.param.mode;
                         });

struct CompressionCase {
  const char* name;
  PackFlags flags;
};

// The compression choices of the pcf tool, and the tables' extremes.
const CompressionCase kCompressions[] = {
    {"Lzss", 0x0060},
    {"LzssSmallestWindow", 0x0010},
    {"Huffman", 0xB000},
    {"HuffmanSmallBlocks", 0x1000},
    {"Range", 0x0B00},
    {"LzssHuffman", 0xB060},
    {"LzssRange", 0x0B60},
    {"LzssRangeSmallBlocks", 0x0110},
    {"BwtHuffman", 0xB006},
    {"BwtRange", 0x0B06},
    {"BwtSmallBlocksRange", 0x0101},
};

class PackCompressionTest : public PackArchiveTest,
                            public testing::WithParamInterface<CompressionCase> {};

TEST_P(PackCompressionTest, EntriesRoundTrip) {
  const auto files = SizedFiles({0, 1, 65535, 65536, (1u << 20) + 7}, GetParam().flags);
  ExpectRoundTrip(Store(BuildImage(files)), files);
}

// Compressed under a cipher, with the directory compressed and encrypted.
TEST_P(PackCompressionTest, EncryptedEntriesAndDirectoryRoundTrip) {
  const PackFlags flags = GetParam().flags | 0x00280000;
  const auto files = SizedFiles({0, 1, 100, 70000}, flags);
  PackWriterOptions options;
  options.directory_flags = flags;
  options.digest = true;
  ExpectRoundTrip(Store(BuildImage(files, options)), files, 1);
}

INSTANTIATE_TEST_SUITE_P(All, PackCompressionTest, testing::ValuesIn(kCompressions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PackArchiveTest, SizesAroundThePieces) {
  const std::vector<std::size_t> sizes = {0, 1, 65535, 65536, 65537, (1u << 20) + 7};
  for (const PackFlags flags : {PackFlags{0}, PackFlags{0x002A0000}, PackFlags{0x00450000}}) {
    SCOPED_TRACE(flags);
    const auto files = SizedFiles(sizes, flags);
    ExpectRoundTrip(Store(BuildImage(files)), files);
  }
}

// Records the pieces a sink is given; 0 stands for the end call.
class CRecordingSink : public IPackSink {
 public:
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override {
    pieces.push_back(buffer == nullptr ? 0 : count);
    *taken = count;
    return true;
  }
  std::vector<std::uint32_t> pieces;
};

TEST_F(PackArchiveTest, StoredEntriesReachTheSinkInPiecesThenOneEndCall) {
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(
      Store(BuildImage({{"empty", {}, 0}, {"big", SampleBytes(140000), 0x002A0000}})).c_str(), 0));
  CRecordingSink empty;
  ASSERT_TRUE(archive.ExtractTo(1, empty));  // "empty" sorts after "big"
  EXPECT_EQ(empty.pieces, std::vector<std::uint32_t>{0});
  CRecordingSink big;
  ASSERT_TRUE(archive.ExtractTo(0, big));
  EXPECT_EQ(big.pieces, (std::vector<std::uint32_t>{65536, 65536, 140000 - 131072, 0}));
}

TEST_F(PackArchiveTest, NamesInAnyCaseAndEitherSeparator) {
  std::vector<PackWriterFile> files = {
      {"Upper/CASE.INI", testing_files::ToBytes("upper"), 0},
      {"sub/dir/file.txt", testing_files::ToBytes("sub"), 0},
      {"\xE6\x97\xA5\xE6\x9C\xAC/\xE8\xA8\xAD\xE5\xAE\x9A.ini", testing_files::ToBytes("jp"), 0},
      {"\xC3\xA9t\xC3\xA9.txt", testing_files::ToBytes("ete"), 0},
      {"a", testing_files::ToBytes("a"), 0},
      {"B", testing_files::ToBytes("b"), 0},
      {"_", testing_files::ToBytes("_"), 0},
  };
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(BuildImage(files)).c_str(), 0));
  // The directory is in the archive's order: "_" (0x5F) before "a".
  EXPECT_EQ(archive.Entry(0)->Name(), "_");
  EXPECT_EQ(archive.Entry(1)->Name(), "a");
  EXPECT_EQ(archive.Entry(2)->Name(), "B");

  struct Lookup {
    std::u16string name;
    std::string expected;  // empty: not found
  };
  const Lookup lookups[] = {
      {u"upper\\case.ini", "upper"},
      {u"UPPER/Case.Ini", "upper"},
      {u"SUB\\DIR/FILE.TXT", "sub"},
      {u"\u65E5\u672C\\\u8A2D\u5B9A.INI", "jp"},
      {u"\u00E9t\u00E9.txt", "ete"},
      {u"\u00C9T\u00C9.txt", ""},  // non-ASCII letters are not folded
      {u"b", "b"},
      {u"A", "a"},
      {u"sub/dir", ""},
      {u"sub/dir/file.txt/", ""},
      {u"", ""},
      {u"a\xD800", ""},  // a lone surrogate names no entry
  };
  for (const Lookup& lookup : lookups) {
    Bytes data;
    const bool found = ReadEntry(archive, lookup.name, &data);
    EXPECT_EQ(found, !lookup.expected.empty()) << testing::PrintToString(lookup.expected);
    if (found) {
      EXPECT_EQ(std::string(data.begin(), data.end()), lookup.expected);
    }
  }
}

TEST_F(PackArchiveTest, EntryInfoShowsBackslashesAndIsBounded) {
  const PackImage image = BuildImage({{"Sub/\xE6\x97\xA5.ini", SampleBytes(300), 0}});
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  char16_t name[16];
  std::uint64_t size = 0;
  ASSERT_TRUE(archive.GetEntryInfo(0, name, 16, &size));
  EXPECT_EQ(std::u16string(name), u"Sub\\\u65E5.ini");
  EXPECT_EQ(size, 300u);
  std::fill(std::begin(name), std::end(name), u'#');
  ASSERT_TRUE(archive.GetEntryInfo(0, name, 4, nullptr));
  EXPECT_EQ(std::u16string(name), u"Sub");
  EXPECT_EQ(name[4], u'#');
  EXPECT_FALSE(archive.GetEntryInfo(1, name, 16, &size));
}

TEST_F(PackArchiveTest, DigestIsCheckedOnlyWhenAsked) {
  const auto files = SizedFiles({10, 20}, 0);
  PackWriterOptions options;
  options.digest = true;
  PackImage image = BuildImage(files, options);
  ExpectRoundTrip(Store(image), files, 1);

  image.first[offsets::kDigest + 3] ^= 1;
  CPackArchive archive;
  const std::u16string path = Store(image);
  EXPECT_TRUE(archive.OpenArchive(path.c_str(), 0));
  EXPECT_FALSE(archive.OpenArchive(path.c_str(), 1));
  EXPECT_EQ(archive.OpenError(), PackOpenError::kDigestMismatch);
  EXPECT_FALSE(archive.IsOpen());

  // An archive without a digest fails the check.
  EXPECT_FALSE(archive.OpenArchive(Store(BuildImage(files)).c_str(), 1));
}

TEST_F(PackArchiveTest, BlockSortingWithoutABlockSizeFails) {
  // Table A has no size for code 11.
  PackImage image = BuildImage({{"x", SampleBytes(100), 0}});
  testing_files::Put32(image.first, testing_files::RecordAt(image.first, 0) + offsets::kEntryFlags,
                       0x0000700B);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  Bytes data;
  EXPECT_FALSE(ReadEntry(archive, u"x", &data));
}

TEST_F(PackArchiveTest, OnlyBlockSortBitsMeanStored) {
  PackImage image = BuildImage({{"x", SampleBytes(100), 0}});
  testing_files::Put32(image.first, testing_files::RecordAt(image.first, 0) + offsets::kEntryFlags,
                       0x00000005);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  Bytes data;
  ASSERT_TRUE(ReadEntry(archive, u"x", &data));
  EXPECT_EQ(data, SampleBytes(100));
}

TEST_F(PackArchiveTest, WrongPasswordFails) {
  PackWriterOptions options;
  options.password.fill(0x42);  // the program's password is all zeros
  const PackFlags cbc = 0x010A0000;
  CPackArchive archive;
  // An entry encrypted under another password.
  EXPECT_TRUE(archive.OpenArchive(
      Store(BuildImage({{"x", SampleBytes(100), cbc}, {"y", SampleBytes(10), 0}}, options)).c_str(),
      0));
  Bytes data;
  EXPECT_FALSE(ReadEntry(archive, u"x", &data));
  EXPECT_TRUE(ReadEntry(archive, u"y", &data));
  // A directory encrypted under another password.
  options.directory_flags = 0x02060000;
  EXPECT_FALSE(
      archive.OpenArchive(Store(BuildImage({{"y", SampleBytes(10), 0}}, options)).c_str(), 0));
  EXPECT_EQ(archive.OpenError(), PackOpenError::kBadDirectory);
}

TEST_F(PackArchiveTest, PendingBytesAfterTheLastBlockAreNotDelivered) {
  // A stored size that is not a whole number of cipher blocks leaves the
  // tail pending in the mode: the entry comes out short and fails.
  PackImage image = BuildImage({{"x", SampleBytes(20), 0x002A0000}});
  const std::size_t record = testing_files::RecordAt(image.first, 0);
  ASSERT_EQ(testing_files::Get64(image.first, record + offsets::kEntryStored), 32u);
  testing_files::Put64(image.first, record + offsets::kEntryStored, 31);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  Bytes data;
  EXPECT_FALSE(ReadEntry(archive, u"x", &data));
  // With one block and the size inside it, the entry still reads.
  testing_files::Put64(image.first, record + offsets::kEntrySize, 16);
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  ASSERT_TRUE(ReadEntry(archive, u"x", &data));
  const Bytes whole = SampleBytes(20);
  EXPECT_EQ(data, Bytes(whole.begin(), whole.begin() + 16));
}

TEST_F(PackArchiveTest, StoredSizeLargerThanSizeReadsTheSize) {
  PackImage image = BuildImage({{"x", SampleBytes(100), 0}, {"y", SampleBytes(50), 0}});
  const std::size_t record = testing_files::RecordAt(image.first, 0);
  testing_files::Put64(image.first, record + offsets::kEntrySize, 60);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  Bytes data;
  ASSERT_TRUE(ReadEntry(archive, u"x", &data));
  const Bytes whole = SampleBytes(100);
  EXPECT_EQ(data, Bytes(whole.begin(), whole.begin() + 60));
}

TEST_F(PackArchiveTest, PlainEntryIsReadInPlace) {
  const Bytes content = SampleBytes(5000);
  const PackImage image =
      BuildImage({{"enc", SampleBytes(10), 0x00200000 | 0x00050000}, {"plain", content, 0}});
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  std::uint32_t index = 0;
  ASSERT_TRUE(archive.FindEntry(u"plain", &index));
  FileHandle file;
  std::uint64_t offset = 0;
  ASSERT_TRUE(archive.GetRawLocation(index, &file, &offset));
  EXPECT_EQ(offset, 192 + archive.Entry(index)->data_offset);
  Bytes read(content.size());
  std::uint32_t got = 0;
  ASSERT_TRUE(file.Read(read.data(), static_cast<std::uint32_t>(read.size()), &got));
  EXPECT_EQ(read, content);
  // Encrypted entries are decoded instead.
  ASSERT_TRUE(archive.FindEntry(u"enc", &index));
  FileHandle other;
  EXPECT_FALSE(archive.GetRawLocation(index, &other, &offset));
  EXPECT_FALSE(other.IsValid());
}

TEST_F(PackArchiveTest, NotReadableArchiveOpensButServesNoEntry) {
  PackImage image = BuildImage({{"x", SampleBytes(100), 0}});
  testing_files::Put32(image.first, offsets::kFlags, kPackNotReadable);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  std::uint32_t index = 0;
  ASSERT_TRUE(archive.FindEntry(u"x", &index));
  Bytes buffer(100);
  EXPECT_FALSE(archive.ExtractToMemory(index, buffer.data()));
  FileHandle file;
  std::uint64_t offset = 0;
  EXPECT_FALSE(archive.GetRawLocation(index, &file, &offset));
}

TEST_F(PackArchiveTest, CloseForgetsTheArchive) {
  CPackArchive archive;
  EXPECT_TRUE(archive.CloseArchive());
  ASSERT_TRUE(archive.OpenArchive(Store(BuildImage({{"x", SampleBytes(1), 0}})).c_str(), 0));
  EXPECT_FALSE(archive.BasePath().empty());
  EXPECT_EQ(archive.Extension(), u".pcf");
  EXPECT_TRUE(archive.CloseArchive());
  EXPECT_FALSE(archive.IsOpen());
  EXPECT_TRUE(archive.BasePath().empty());
  EXPECT_EQ(archive.Header().flags, kPackResetFlags);
  std::uint32_t index = 0;
  EXPECT_FALSE(archive.FindEntry(u"x", &index));
  EXPECT_FALSE(archive.GetEntryInfo(0, nullptr, 0, nullptr));
}

TEST_F(PackArchiveTest, ArchiveWithoutEntries) {
  const PackImage image = BuildImage({});
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  EXPECT_EQ(archive.EntryCount(), 0u);
  std::uint32_t index = 0;
  EXPECT_FALSE(archive.FindEntry(u"x", &index));
}

// Divided archives: volumes of 4096 bytes. "a" lies in the first file,
// "b" runs from the first file through volumes 1 and 2, "c" lies inside
// volume 2.
class PackDividedArchiveTest : public PackArchiveTest {
 protected:
  std::vector<PackWriterFile> Files(PackFlags flags) {
    return {{"a", SampleBytes(3000, 1), flags},
            {"b", SampleBytes(9000, 2), flags},
            {"c", SampleBytes(10, 3), flags}};
  }
  PackImage Divided(PackFlags flags, PackFlags directory_flags = 0) {
    PackWriterOptions options;
    options.volume_size = 4096;
    options.directory_flags = directory_flags;
    return BuildImage(Files(flags), options);
  }
};

TEST_F(PackDividedArchiveTest, VolumesAreNamedAndNumbered) {
  const PackImage image = Divided(0);
  ASSERT_EQ(image.volumes.size(), 3u);
  EXPECT_EQ(image.first.size(), 4096u);
  const PackHeader header = ParsePackHeader(image.first.data());
  EXPECT_TRUE((header.flags & kPackDivided) != 0);
  EXPECT_EQ(header.first_file_size, 4096u);
  EXPECT_EQ(header.volume_size, 4096u);
  Store(image);
  for (int n = 1; n <= 3; ++n) {
    const std::string name = "a_00" + std::to_string(n) + ".pcf";
    const Bytes volume = testing_files::ToBytes(testing_files::ReadBytes(dir_.dir() / name));
    ASSERT_GE(volume.size(), 32u) << name;
    EXPECT_EQ(std::string(volume.begin(), volume.begin() + 8), "PackDivF");
    EXPECT_EQ(volume[offsets::kVolumeNumber], n);
  }
}

TEST_F(PackDividedArchiveTest, EntriesDecodeAcrossVolumes) {
  ExpectRoundTrip(Store(Divided(0)), Files(0));
  ExpectRoundTrip(Store(Divided(0x00260000, 0x00260000)), Files(0x00260000));
  ExpectRoundTrip(Store(Divided(0x00450000, 0x00150000)), Files(0x00450000));
  ExpectRoundTrip(Store(Divided(0x00000B60, 0x0000B006)), Files(0x00000B60));
  ExpectRoundTrip(Store(Divided(0x0028B006, 0x00280B60)), Files(0x0028B006));
}

TEST_F(PackDividedArchiveTest, PlainEntryInsideOneFileIsReadInPlace) {
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(Divided(0)).c_str(), 0));
  std::uint32_t a = 0, b = 0, c = 0;
  ASSERT_TRUE(archive.FindEntry(u"a", &a));
  ASSERT_TRUE(archive.FindEntry(u"b", &b));
  ASSERT_TRUE(archive.FindEntry(u"c", &c));
  FileHandle file;
  std::uint64_t offset = 0;
  ASSERT_TRUE(archive.GetRawLocation(a, &file, &offset));
  EXPECT_EQ(offset, 192u);
  // "b" spans three files: it is decoded instead.
  EXPECT_FALSE(archive.GetRawLocation(b, &file, &offset));
  // "c" starts at archive offset 12000, inside volume 2 (offsets 7968 to
  // 12032, at file positions from 32).
  ASSERT_TRUE(archive.GetRawLocation(c, &file, &offset));
  EXPECT_EQ(offset, 32u + (12000 - 7968));
  Bytes read(10);
  std::uint32_t got = 0;
  ASSERT_TRUE(file.Read(read.data(), 10, &got));
  EXPECT_EQ(read, SampleBytes(10, 3));
  std::uint64_t size = 0;
  ASSERT_TRUE(file.GetSize(&size));
  EXPECT_LE(size, 4096u);  // the volume, not the first file
}

TEST_F(PackDividedArchiveTest, WrongOrMissingVolumesFail) {
  struct Case {
    const char* name;
    void (*damage)(PackImage&);
  };
  const Case cases[] = {
      {"Missing", [](PackImage& image) { image.volumes.pop_back(); }},
      {"SwappedNumbers", [](PackImage& image) { std::swap(image.volumes[0], image.volumes[1]); }},
      {"BadMagic", [](PackImage& image) { image.volumes[1][0] = 'X'; }},
      {"OtherNumber", [](PackImage& image) { image.volumes[2][offsets::kVolumeNumber] = 9; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    PackImage image = Divided(0);
    c.damage(image);
    WriteImage(image, dir.dir() / "a.pcf");
    CPackArchive archive;
    // The directory lies in the last volume, so every damage shows at
    // opening: as a volume check, or as an unreadable directory.
    EXPECT_FALSE(archive.OpenArchive(dir.Path(u"a.pcf").c_str(), 0));
  }
}

TEST_F(PackDividedArchiveTest, ReadingStopsAtTheDataEnd) {
  PackImage image = Divided(0);
  const PackHeader header = ParsePackHeader(image.first.data());
  // The record of "c" lies in a volume: make it claim more than the data
  // area holds.
  const std::uint64_t first_data = header.first_file_size - 192;
  const std::uint64_t record = header.directory_offset + 2 * 128 - first_data;
  Bytes& volume = image.volumes.at(static_cast<std::size_t>(record / (4096 - 32)));
  const std::size_t at = static_cast<std::size_t>(32 + record % (4096 - 32));
  ASSERT_EQ(volume.at(at), 'c');
  const std::uint64_t beyond = header.data_end - 12000 + 10;
  testing_files::Put64(volume, at + offsets::kEntrySize, beyond);
  testing_files::Put64(volume, at + offsets::kEntryStored, beyond);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(Store(image).c_str(), 0));
  std::uint32_t c = 0;
  ASSERT_TRUE(archive.FindEntry(u"c", &c));
  std::unique_ptr<std::uint8_t[]> block;
  EXPECT_FALSE(archive.ExtractToBlock(c, &block));
  FileHandle file;
  std::uint64_t offset = 0;
  EXPECT_FALSE(archive.GetRawLocation(c, &file, &offset));
}

}  // namespace
}  // namespace tarrowin
