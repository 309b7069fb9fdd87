// The pack archive layout: field offsets of the header, records and volume
// headers, the flag tables, the name order, volume names and where archive
// offsets lie in divided archives.
#include "files/pack_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace tarrowin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& bytes, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(PackLayoutTest, HeaderFieldsSitAtTheirOffsets) {
  Bytes bytes(192, 0);
  std::memcpy(bytes.data(), "PackCode", 8);
  Put(bytes, 8, 3, 4);
  Put(bytes, 16, 0x1122334455667788, 8);
  Put(bytes, 24, 0x0102030405060708, 8);
  Put(bytes, 32, 0x1000, 8);
  Put(bytes, 40, 0x2000, 8);
  Put(bytes, 48, 0x3000, 8);
  Put(bytes, 56, 0x20A00003, 4);
  for (int i = 0; i < 8; ++i) bytes[80 + i] = static_cast<std::uint8_t>(0x80 + i);
  for (int i = 0; i < 8; ++i) bytes[88 + i] = static_cast<std::uint8_t>(0x90 + i);
  for (int i = 0; i < 16; ++i) bytes[96 + i] = static_cast<std::uint8_t>(0xA0 + i);

  const PackHeader h = ParsePackHeader(bytes.data());
  EXPECT_TRUE(h.magic_ok);
  EXPECT_EQ(h.entry_count, 3u);
  EXPECT_EQ(h.data_end, 0x1122334455667788u);
  EXPECT_EQ(h.first_file_size, 0x0102030405060708u);
  EXPECT_EQ(h.volume_size, 0x1000u);
  EXPECT_EQ(h.directory_offset, 0x2000u);
  EXPECT_EQ(h.directory_stored_size, 0x3000u);
  EXPECT_EQ(h.flags, 0x20A00003u);
  EXPECT_EQ(h.directory_extra[7], 0x87);
  EXPECT_EQ(h.directory_key[0], 0x90);
  EXPECT_EQ(h.directory_digest[15], 0xAF);

  Bytes again(192, 0xCC);
  EncodePackHeader(h, again.data());
  EXPECT_EQ(again, bytes);

  bytes[7] = 'X';
  EXPECT_FALSE(ParsePackHeader(bytes.data()).magic_ok);
}

TEST(PackLayoutTest, RecordFieldsSitAtTheirOffsets) {
  Bytes bytes(128, 0);
  std::memcpy(bytes.data(), "sub/file.txt", 12);
  Put(bytes, 80, 0x10, 8);
  Put(bytes, 88, 0x20, 8);
  Put(bytes, 96, 0x30, 8);
  Put(bytes, 104, 0x00220750, 4);
  bytes[112] = 0x5A;
  bytes[120] = 0x6B;
  const PackEntry e = ParsePackEntry(bytes.data());
  EXPECT_EQ(e.Name(), "sub/file.txt");
  EXPECT_EQ(e.data_offset, 0x10u);
  EXPECT_EQ(e.size, 0x20u);
  EXPECT_EQ(e.stored_size, 0x30u);
  EXPECT_EQ(e.flags, 0x00220750u);
  EXPECT_EQ(e.extra[0], 0x5A);
  EXPECT_EQ(e.key[0], 0x6B);
  Bytes again(128, 0xCC);
  EncodePackEntry(e, again.data());
  EXPECT_EQ(again, bytes);
}

TEST(PackLayoutTest, NameWithoutTerminatorStopsAtTheField) {
  Bytes bytes(128, 'a');
  EXPECT_EQ(ParsePackEntry(bytes.data()).Name(), std::string(80, 'a'));
}

TEST(PackLayoutTest, VolumeHeader) {
  Bytes bytes(32, 0);
  EncodePackVolumeHeader(7, bytes.data());
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "PackDivF");
  EXPECT_EQ(bytes[8], 7);
  EXPECT_TRUE(ParsePackVolumeHeader(bytes.data()).magic_ok);
  EXPECT_EQ(ParsePackVolumeHeader(bytes.data()).number, 7u);
  bytes[0] = 'p';
  EXPECT_FALSE(ParsePackVolumeHeader(bytes.data()).magic_ok);
}

TEST(PackLayoutTest, ResetHeader) {
  const PackHeader h = ResetPackHeader();
  EXPECT_TRUE(h.magic_ok);
  EXPECT_EQ(h.flags, 0x00220750u);
  EXPECT_EQ(h.entry_count, 0u);
}

struct StageCase {
  PackFlags flags;
  PackFirstStage first;
  PackEntropyStage entropy;
  std::uint32_t block_sort_size;
  std::uint32_t window_exponent;
  std::uint32_t entropy_capacity;
};

TEST(PackFlagsTest, SelectTheStagesAndTheirParameters) {
  using F = PackFirstStage;
  using E = PackEntropyStage;
  const StageCase cases[] = {
      {0x00000000, F::kNone, E::kNone, 0, 0, 0},
      // CBC, rotate cipher, range coder of 256 KiB, window exponent 14.
      {0x00220750, F::kSlidingWindow, E::kRange, 0, 14, 256 << 10},
      // Block sorting alone needs an entropy stage: stored.
      {0x00000003, F::kNone, E::kNone, 0, 0, 0},
      {0x00000060, F::kSlidingWindow, E::kNone, 0, 15, 0},
      // Alone, the window code is passed as it is: the stream has its own.
      {0x00000070, F::kSlidingWindow, E::kNone, 0, 0, 0},
      {0x00001000, F::kNone, E::kHuffman, 0, 0, 32 << 10},
      {0x0000B000, F::kNone, E::kHuffman, 0, 0, 1 << 20},
      {0x0000C000, F::kNone, E::kHuffman, 0, 0, 0},
      // Block sorting wins over the window, range over Huffman (and both
      // entropy nibbles leave no capacity).
      {0x00001171, F::kBlockSort, E::kRange, 128 << 10, 0, 0},
      {0x00007037, F::kBlockSort, E::kHuffman, 1536 << 10, 0, 256 << 10},
      {0x0000700A, F::kBlockSort, E::kHuffman, 4 << 20, 0, 256 << 10},
      {0x0000700B, F::kBlockSort, E::kHuffman, 0, 0, 256 << 10},
      // Under an entropy stage the window code is brought into 10 to 15.
      {0x00000710, F::kSlidingWindow, E::kRange, 0, 10, 256 << 10},
      {0x000007F0, F::kSlidingWindow, E::kRange, 0, 10, 256 << 10},
      // Cipher and mode bits do not touch the stages.
      {0x03FF0000, F::kNone, E::kNone, 0, 0, 0},
  };
  for (const StageCase& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.flags);
    const PackStages s = PackStagesFromFlags(c.flags);
    EXPECT_EQ(s.first, c.first);
    EXPECT_EQ(s.entropy, c.entropy);
    EXPECT_EQ(s.block_sort_size, c.block_sort_size);
    EXPECT_EQ(s.window_exponent, c.window_exponent);
    EXPECT_EQ(s.entropy_capacity, c.entropy_capacity);
  }
}

TEST(PackFlagsTest, Tables) {
  const std::uint32_t block_sizes[] = {0,         128 << 10, 256 << 10, 384 << 10,
                                       512 << 10, 768 << 10, 1 << 20,   1536 << 10,
                                       2 << 20,   3 << 20,   4 << 20,   0};
  for (std::uint32_t code = 0; code < 12; ++code) {
    EXPECT_EQ(PackBlockSortSize(code), block_sizes[code]) << code;
  }
  const std::uint32_t capacities[] = {0,         32 << 10,  48 << 10,  64 << 10,  96 << 10,
                                      128 << 10, 192 << 10, 256 << 10, 384 << 10, 512 << 10,
                                      768 << 10, 1 << 20,   0};
  for (std::uint32_t code = 0; code < 13; ++code) {
    EXPECT_EQ(PackEntropyCapacity(code << 8), capacities[code]) << code;
    EXPECT_EQ(PackEntropyCapacity(code << 12), capacities[code]) << code;
  }
  for (std::uint32_t code = 0; code < 16; ++code) {
    EXPECT_EQ(PackWindowExponent(code << 4), code >= 1 && code <= 6 ? code + 9 : 0) << code;
  }
  EXPECT_TRUE(IsPackEncrypted(0x00010000));
  EXPECT_TRUE(IsPackEncrypted(0x02000000));
  EXPECT_FALSE(IsPackEncrypted(0x0000FFFF | kPackDivided | kPackNotReadable));
}

TEST(PackNamesTest, Order) {
  struct Case {
    std::string a, b;
    int order;
  };
  const Case cases[] = {
      {"sub/file.txt", "Sub/File.TXT", 0},
      {"a", "b", -1},
      {"B", "a", 1},  // folded: b > a
      {"abc", "ab", 1},
      {"", "a", -1},
      {"_", "a", -1},               // 0x5F < 0x61: folding happens before comparing
      {"[", "a", -1},               // 0x5B against folded 'a'
      {"\xC3\xA9", "\xC3\x89", 1},  // non-ASCII bytes are not folded
      {"\xC3\xA9", "\xC3\xA9", 0},
      {"z", "\x80", -1},  // unsigned bytes
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComparePackNames(c.a, c.b), c.order) << c.a << " " << c.b;
    EXPECT_EQ(ComparePackNames(c.b, c.a), -c.order) << c.a << " " << c.b;
  }
}

TEST(PackNamesTest, SafeNames) {
  for (const char* name :
       {"a", "a/b", "sub/file.txt", ".hidden", "a..b", "\xE6\x97\xA5.ini", "CONFIG.ini",
        "console/x", "COM10", "LPT", "com0.txt", "nul_", "xcon", "a/PRNT.log", "COM\xC2\xB4"}) {
    EXPECT_TRUE(IsSafePackName(name)) << name;
    EXPECT_EQ(CheckPackName(name), PackNameProblem::kNone) << name;
  }
  for (const char* name :
       {"", "/a", "a/", "a//b", "..", "../a", "a/../b", "a/./b", ".", "C:x", "a\\b", "x/a:b"}) {
    EXPECT_FALSE(IsSafePackName(name)) << name;
    EXPECT_EQ(CheckPackName(name), PackNameProblem::kLeavesFolder) << name;
  }
  // Names that Windows cannot hold, refused everywhere so that an archive
  // extracts the same on every system.
  for (const char* name : {"CON",
                           "con.txt",
                           "Con.tar.gz",
                           "a/nul",
                           "Aux/b",
                           "prn.",
                           "LPT9.log",
                           "com1",
                           "COM1 .txt",
                           "lpt\xC2\xB9",
                           "COM\xC2\xB3.ini",
                           "a/b.",
                           "a/b ",
                           "dir./x",
                           " x /y",
                           "x?",
                           "x*",
                           "a<b",
                           "a>b",
                           "a|b",
                           "a\"b",
                           "a\tb",
                           "a\x7F",
                           "a\x1B[31m"}) {
    EXPECT_FALSE(IsSafePackName(name)) << name;
    EXPECT_EQ(CheckPackName(name), PackNameProblem::kNotPortable) << name;
  }
}

TEST(PackVolumeNamesTest, SplitAndNumber) {
  struct Case {
    std::u16string path, base, extension, first, volume12, volume1000;
  };
  const Case cases[] = {
      {u"D:\\data\\res.pcf", u"D:\\data\\res", u".pcf", u"D:\\data\\res.pcf",
       u"D:\\data\\res_012.pcf", u"D:\\data\\res_1000.pcf"},
      // The first file's extension does not carry over to the volumes.
      {u"/data/res.bin", u"/data/res", u".bin", u"/data/res.bin", u"/data/res_012.pcf",
       u"/data/res_1000.pcf"},
      // A dot in a folder name is no extension.
      {u"D:\\data.d\\res", u"D:\\data.d\\res", u"", u"D:\\data.d\\res", u"D:\\data.d\\res_012.pcf",
       u"D:\\data.d\\res_1000.pcf"},
      {u"/a.b/c.d.pcf", u"/a.b/c.d", u".pcf", u"/a.b/c.d.pcf", u"/a.b/c.d_012.pcf",
       u"/a.b/c.d_1000.pcf"},
      {u"D:.pcf", u"D:", u".pcf", u"D:.pcf", u"D:_012.pcf", u"D:_1000.pcf"},
  };
  for (const Case& c : cases) {
    const PackPathParts parts = SplitPackPath(c.path);
    EXPECT_EQ(parts.base, c.base);
    EXPECT_EQ(parts.extension, c.extension);
    EXPECT_EQ(PackVolumeName(parts, 0), c.first);
    EXPECT_EQ(PackVolumeName(parts, 12), c.volume12);
    EXPECT_EQ(PackVolumeName(parts, 1000), c.volume1000);
  }
  // A name must fit in 511 units.
  const PackPathParts long_parts{std::u16string(503, u'x'), u".pcf"};
  EXPECT_EQ(PackVolumeName(long_parts, 1).size(), 511u);
  EXPECT_TRUE(PackVolumeName(long_parts, 1000).empty());
}

PackHeader DividedHeader(std::uint64_t first, std::uint64_t volume, std::uint64_t end) {
  PackHeader h;
  h.flags = kPackDivided;
  h.first_file_size = first;
  h.volume_size = volume;
  h.data_end = end;
  return h;
}

TEST(PackDividedTest, RejectsLayoutsThatDescribeNoArchive) {
  PackLayout layout;
  EXPECT_FALSE(MakePackLayout(DividedHeader(1000, 32, 5000), &layout));
  EXPECT_FALSE(MakePackLayout(DividedHeader(1000, 0, 5000), &layout));
  EXPECT_FALSE(MakePackLayout(DividedHeader(191, 1000, 5000), &layout));
  // A data end below the first file size.
  EXPECT_FALSE(MakePackLayout(DividedHeader(1000, 1000, 999), &layout));
  EXPECT_TRUE(MakePackLayout(DividedHeader(1000, 33, 1000), &layout));
  // Without the flag the sizes do not matter.
  PackHeader plain = DividedHeader(0, 0, 0);
  plain.flags = 0;
  EXPECT_TRUE(MakePackLayout(plain, &layout));
  EXPECT_FALSE(layout.divided);
}

TEST(PackDividedTest, LocatesOffsetsInTheFirstFileAndTheVolumes) {
  PackLayout layout;
  // F = 1192 holds offsets 0..999, each volume V = 532 holds 500 offsets.
  ASSERT_TRUE(MakePackLayout(DividedHeader(1192, 532, 3000), &layout));
  struct Case {
    std::uint64_t offset, volume, position, end;
  };
  const Case cases[] = {
      {0, 0, 192, 1000},    {999, 0, 1191, 1000}, {1000, 1, 32, 1500},
      {1499, 1, 531, 1500}, {1500, 2, 32, 2000},  {2750, 4, 32 + 250, 3000},
  };
  for (const Case& c : cases) {
    PackLocation at;
    ASSERT_TRUE(LocatePackOffset(layout, c.offset, &at));
    EXPECT_EQ(at.volume, c.volume) << c.offset;
    EXPECT_EQ(at.file_position, c.position) << c.offset;
    EXPECT_EQ(at.volume_data_end, c.end) << c.offset;
  }
}

TEST(PackDividedTest, ExtremeOffsetsDoNotWrap) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  PackLayout plain;
  PackLocation at;
  EXPECT_TRUE(LocatePackOffset(plain, 5, &at));
  EXPECT_EQ(at.file_position, 197u);
  EXPECT_EQ(at.volume_data_end, kMax);
  EXPECT_FALSE(LocatePackOffset(plain, kMax - 10, &at));

  PackLayout divided;
  ASSERT_TRUE(MakePackLayout(DividedHeader(192, 33, kMax), &divided));
  // One byte per volume: volume numbers past 32 bits cannot exist.
  EXPECT_TRUE(LocatePackOffset(divided, 5, &at));
  EXPECT_EQ(at.volume, 6u);
  EXPECT_FALSE(LocatePackOffset(divided, kMax, &at));
  ASSERT_TRUE(MakePackLayout(DividedHeader(192, std::uint64_t{1} << 40, kMax), &divided));
  EXPECT_TRUE(LocatePackOffset(divided, kMax, &at));
  EXPECT_EQ(at.volume_data_end, kMax);
}

}  // namespace
}  // namespace tarrowin
