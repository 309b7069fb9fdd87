// Hand-built streams for each stage: the edge cases the format defines and
// a table of rejections per stage, one named row per fault. A rejected
// stream gives false, never a crash or an exception.
#include <gtest/gtest.h>

#include <array>

#include "tests/files/allocation_meter.h"
#include "tests/files/pack_stage_test_support.h"
#include "tools/pack_encoders/block_sort_encoder.h"
#include "tools/pack_encoders/huffman_encoder.h"

namespace tarrowin::testing_pack {
namespace {

using F = PackFirstStage;
using E = PackEntropyStage;
using Bytes = std::vector<std::uint8_t>;

const PackStages kLzss = Stages(F::kSlidingWindow, E::kNone);
const PackStages kHuffman = Stages(F::kNone, E::kHuffman);
const PackStages kRange = Stages(F::kNone, E::kRange);

// A stream that its stages must reject, named by the fault it shows.
struct Rejection {
  const char* fault;
  PackStages stages;
  Bytes stream;
};

std::string FaultName(const testing::TestParamInfo<Rejection>& info) { return info.param.fault; }

class PackRejects : public testing::TestWithParam<Rejection> {};

TEST_P(PackRejects, MalformedStream) { EXPECT_FALSE(Decode(GetParam().stages, GetParam().stream)); }

// ---- Sliding window ---------------------------------------------------

// T, e, one flag byte and its tokens.
ByteWriter LzssHeader(std::uint32_t total, std::uint32_t exponent, std::uint8_t flags) {
  ByteWriter w;
  w.U32(total).U16(exponent).U8(flags);
  return w;
}

TEST(PackSlidingWindow, EmptyTotalProducesNothing) {
  const auto decoded = Decode(kLzss, ByteWriter().U32(0).U16(10).Get());
  ASSERT_TRUE(decoded.has_value());
  EXPECT_TRUE(decoded->empty());
}

TEST(PackSlidingWindow, OverlappingMatchRepeatsTheLastBytes) {
  // "ab", then distance 2 for 6 bytes.
  const auto stream = LzssHeader(8, 10, 0b011).U8('a').U8('b').U16(2).U8(2).Get();
  EXPECT_EQ(Decode(kLzss, stream), Bytes({'a', 'b', 'a', 'b', 'a', 'b', 'a', 'b'}));
}

TEST(PackSlidingWindow, MatchPassingTheTotalDeliversOnlyTheTotal) {
  const auto stream = LzssHeader(3, 10, 0b01).U8('a').U16(1).U8(0).Get();
  EXPECT_EQ(Decode(kLzss, stream), Bytes({'a', 'a', 'a'}));
}

TEST(PackSlidingWindow, RejectsDistanceOfTheWholeWindow) {
  // e = 1: a window of 4 bytes reaches back at most 3.
  ByteWriter ok = LzssHeader(9, 1, 0b011111).U8('a').U8('b').U8('c').U8('d').U8('e');
  EXPECT_EQ(Decode(kLzss, ok.U16(3).U8(0).Get()),
            Bytes({'a', 'b', 'c', 'd', 'e', 'c', 'd', 'e', 'c'}));
  ByteWriter bad = LzssHeader(9, 1, 0b011111).U8('a').U8('b').U8('c').U8('d').U8('e');
  EXPECT_FALSE(Decode(kLzss, bad.U16(4).U8(0).Get()));
}

INSTANTIATE_TEST_SUITE_P(
    SlidingWindow, PackRejects,
    testing::Values(
        Rejection{"DistanceBeforeTheFirstByte", kLzss,
                  LzssHeader(10, 10, 0b01).U8('a').U16(2).U8(0).Get()},
        Rejection{"DistanceZero", kLzss, LzssHeader(10, 10, 0b01).U8('a').U16(0).U8(0).Get()},
        Rejection{"ExponentAbove15", kLzss, LzssHeader(1, 16, 0b1).U8('a').Get()},
        Rejection{"StreamEndingBeforeItsTotal", kLzss,
                  LzssHeader(4, 10, 0b1111).U8('a').U8('b').Get()},
        Rejection{"StreamEndingInsideItsHeader", kLzss, ByteWriter().U32(4).U8(10).Get()}),
    FaultName);

// ---- Huffman ----------------------------------------------------------

// A block with the given lengths (symbol -> length) and code bytes.
ByteWriter& HuffmanBlock(ByteWriter& w, std::uint32_t symbols, std::uint8_t header,
                         const std::vector<std::pair<int, int>>& lengths, const Bytes& codes) {
  std::array<std::uint8_t, 256> length{};
  for (const auto& [symbol, bits] : lengths) length[symbol] = static_cast<std::uint8_t>(bits);
  w.U32(symbols).U8(header);
  for (int i = 0; i < 256; i += 2) w.U8(length[i] | length[i + 1] << 4);
  return w.Bytes(codes);
}

TEST(PackHuffman, SingleSymbolOfLengthOneDecodesFromZeroBits) {
  ByteWriter w;
  HuffmanBlock(w, 20, 0x02, {{'x', 1}}, {0, 0, 0}).U16(0);
  EXPECT_EQ(Decode(kHuffman, w.Get()), Bytes(20, 'x'));
}

TEST(PackHuffman, BlocksFollowEachOtherOnByteBoundaries) {
  // 'a' = 0, 'b' = 1: "ab" then "ba" in a second block.
  ByteWriter w;
  HuffmanBlock(w, 2, 0x82, {{'a', 1}, {'b', 1}}, {0b01000000});
  HuffmanBlock(w, 2, 0x02, {{'a', 1}, {'b', 1}}, {0b10000000}).U16(0);
  EXPECT_EQ(Decode(kHuffman, w.Get()), Bytes({'a', 'b', 'b', 'a'}));
}

TEST(PackHuffman, DecodesWithoutTheLookAheadBytes) {
  // The look-ahead past the last code reads zero bits that no code uses.
  ByteWriter w;
  HuffmanBlock(w, 3, 0x02, {{'a', 1}, {'b', 2}, {'c', 2}}, {0b10110000});
  EXPECT_EQ(Decode(kHuffman, w.Get()), Bytes({'b', 'c', 'a'}));
}

TEST(PackHuffman, EmptyBlockWithoutCodes) {
  ByteWriter w;
  HuffmanBlock(w, 0, 0x02, {}, {}).U16(0);
  EXPECT_EQ(Decode(kHuffman, w.Get()), Bytes());
}

// "1101" -> 0b11010000: code bits written out, padded with zeros.
Bytes Bits(const std::string& bits) {
  Bytes out((bits.size() + 7) / 8 + 2, 0);
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (bits[i] == '1') out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
  }
  return out;
}

// Lengths 1 to 14 for 'a' to 'n' and 15 for 'o' and 'p': the code of a
// symbol of length L below 15 is L - 1 ones and a zero, 'o' is fourteen
// ones and a zero, 'p' fifteen ones. Codes longer than the decoding
// table's bits decode as well as short ones, in any mix.
TEST(PackHuffman, CodesUpToFifteenBits) {
  std::vector<std::pair<int, int>> lengths;
  for (int i = 0; i < 14; ++i) lengths.push_back({'a' + i, i + 1});
  lengths.push_back({'o', 15});
  lengths.push_back({'p', 15});
  const std::string ones(15, '1');
  auto code = [&](char symbol) {
    const int index = symbol - 'a';
    return index == 15 ? ones : ones.substr(0, std::min(index, 14)) + "0";
  };
  const std::string text = "pappoanmlkjihgfedcbaponop";
  std::string bits;
  for (const char c : text) bits += code(c);
  ByteWriter w;
  HuffmanBlock(w, static_cast<std::uint32_t>(text.size()), 0x02, lengths, Bits(bits));
  EXPECT_EQ(Decode(kHuffman, w.Get()), Bytes(text.begin(), text.end()));
}

// 'x' is "0" and 'y' "1" followed by fourteen zeros; every other code that
// starts with 1 lies outside the set.
TEST(PackHuffman, RejectsLongCodeOutsideAnIncompleteSet) {
  const std::vector<std::pair<int, int>> lengths = {{'x', 1}, {'y', 15}};
  ByteWriter valid;
  HuffmanBlock(valid, 3, 0x02, lengths,
               Bits("0100000000000000"
                    "0"));
  EXPECT_EQ(Decode(kHuffman, valid.Get()), Bytes({'x', 'y', 'x'}));
  for (const char* bits : {"100000000000001", "110000000000000", "100000000010000"}) {
    ByteWriter w;
    HuffmanBlock(w, 1, 0x02, lengths, Bits(bits));
    EXPECT_FALSE(Decode(kHuffman, w.Get())) << bits;
  }
}

// One block followed by the two look-ahead bytes.
Bytes HuffmanStream(std::uint32_t symbols, std::uint8_t header,
                    const std::vector<std::pair<int, int>>& lengths, const Bytes& codes) {
  ByteWriter w;
  HuffmanBlock(w, symbols, header, lengths, codes).U16(0);
  return w.Get();
}

INSTANTIATE_TEST_SUITE_P(
    Huffman, PackRejects,
    testing::Values(
        Rejection{"HeaderWithBitZeroSet", kHuffman, HuffmanStream(1, 0x03, {{'a', 1}}, {0})},
        Rejection{"HeaderWithBitOneClear", kHuffman, HuffmanStream(1, 0x00, {{'a', 1}}, {0})},
        Rejection{"OverSubscribedLengths", kHuffman,
                  HuffmanStream(1, 0x02, {{'a', 1}, {'b', 1}, {'c', 1}}, {0})},
        Rejection{"CodeOutsideAnIncompleteSet", kHuffman,
                  HuffmanStream(2, 0x02, {{'x', 1}}, {0b01000000})},
        Rejection{"SymbolsWithoutAnyCode", kHuffman, HuffmanStream(1, 0x02, {}, {0})},
        Rejection{"CodesRunningPastTheStoredBytes", kHuffman,
                  HuffmanStream(100, 0x02, {{'a', 1}, {'b', 1}}, {0xFF, 0xFF})},
        Rejection{"TruncatedLengthTable", kHuffman,
                  ByteWriter().U32(1).U8(0x02).Repeat(0x11, 60).Get()},
        Rejection{"MissingFollowingBlock", kHuffman, HuffmanStream(1, 0x82, {{'a', 1}}, {0})}),
    FaultName);

// ---- Range coder ------------------------------------------------------

ByteWriter RangeOneSymbol(std::uint32_t symbols, std::uint32_t frequency, std::uint32_t code) {
  ByteWriter w;
  w.U32(symbols).U8(0x01).U8(1).U8('r');
  if (frequency < 0x80) {
    w.U8(0x80 | frequency);
  } else {
    w.U8(frequency & 0x7F).U8(frequency >> 7);
  }
  return w.U8(code >> 24).U8(code >> 16).U8(code >> 8).U8(code);
}

TEST(PackRange, LoneSymbolOfFrequency4096DecodesFromLowCodes) {
  const auto decoded = Decode(kRange, RangeOneSymbol(1000, 4096, 0x12345678).Get());
  EXPECT_EQ(decoded, Bytes(1000, 'r'));
}

TEST(PackRange, FormTwoListsEveryFrequency) {
  ByteWriter w;
  w.U32(5).U8(0x02);
  for (int symbol = 0; symbol < 256; ++symbol) {
    if (symbol == 'z') {
      w.U8(0x00).U8(0x20);  // 4096 = 0 + 32 * 128
    } else {
      w.U8(0x80);
    }
  }
  w.U32(0);
  EXPECT_EQ(Decode(kRange, w.Get()), Bytes(5, 'z'));
}

// Pairs may come in any order and name a symbol again: the last pair of a
// symbol holds, and slots go by symbol order. Over a range of C0000000
// the code 60000000 is slot 2048.
TEST(PackRange, LaterPairsReplaceEarlierOnesAndSlotsFollowSymbolOrder) {
  ByteWriter w;
  w.U32(1).U8(0x81).U8(3).U8('b').U8(0x00).U8(16).U8('a').U8(0xFF).U8('a').U8(0x00).U8(16);
  w.U8(0x60).U8(0).U8(0).U8(0);  // 'a' and 'b' 2048 each: slot 2048 is 'b'
  w.U32(2).U8(0x01).U8(3).U8('c').U8(0x80 | 5).U8('d').U8(0x00).U8(32).U8('c').U8(0x80);
  w.U32(0x12345678);  // 'd' alone, 4096
  EXPECT_EQ(Decode(kRange, w.Get()), Bytes({'b', 'd', 'd'}));
}

TEST(PackRange, RejectsSymbolWithoutFrequency) {
  // Frequencies adding up to 2048 leave slots 2048 to 4095 to no symbol.
  EXPECT_EQ(Decode(kRange, RangeOneSymbol(1, 2048, 0).Get()), Bytes({'r'}));
  EXPECT_FALSE(Decode(kRange, RangeOneSymbol(1, 2048, 0x80000000).Get()));
}

Bytes RangeTableForm(std::uint8_t form) { return ByteWriter().U32(0).U8(form).U8(0).U32(0).Get(); }

// 'a' 4096 and 'b' 1.
Bytes RangeFrequenciesOver4096() {
  ByteWriter w;
  w.U32(1).U8(0x01).U8(2).U8('a').U8(0).U8(32).U8('b').U8(0x81).U32(0);
  return w.Get();
}

INSTANTIATE_TEST_SUITE_P(
    Range, PackRejects,
    testing::Values(
        Rejection{"UnknownTableForm0", kRange, RangeTableForm(0x00)},
        Rejection{"UnknownTableForm3", kRange, RangeTableForm(0x03)},
        Rejection{"UnknownTableForm31", kRange, RangeTableForm(0x1F)},
        // C0 00 00 00 over a range of C0000000 is slot 4096.
        Rejection{"SlotOf4096OrMore", kRange, RangeOneSymbol(1, 4096, 0xC0000000).Get()},
        Rejection{"FrequenciesAddingUpToMoreThan4096", kRange, RangeFrequenciesOver4096()},
        Rejection{"TruncatedCode", kRange,
                  ByteWriter().U32(1).U8(0x01).U8(1).U8('a').U8(0).U8(32).U8(0).Get()}),
    FaultName);

// ---- Block sorting ----------------------------------------------------

// A run-length stream under a Huffman stage.
Bytes UnderHuffman(const Bytes& first_stage, std::uint32_t capacity = 32768) {
  return pack_encoding::EncodeHuffman(first_stage, capacity);
}

Bytes Rle(const Bytes& expanded) { return pack_encoding::RunLengthEncode(expanded); }

const PackStages kBlockSort = Stages(F::kBlockSort, E::kHuffman);

TEST(PackBlockSort, FiveByteBlockDecodesToItsByte) {
  EXPECT_EQ(Decode(kBlockSort, UnderHuffman(Rle({0, 0, 0, 0, 7}))), Bytes({7}));
}

TEST(PackBlockSort, EmptyCountProducesNothing) {
  EXPECT_EQ(Decode(kBlockSort, UnderHuffman(ByteWriter().U32(0).Get())), Bytes());
}

TEST(PackBlockSort, RunOf300IsTwoRuns) {
  const Bytes expected = ByteWriter().U32(300).U8('x').U8('x').U8(255).U8('x').U8('x').U8(41).Get();
  EXPECT_EQ(Rle(Bytes(300, 'x')), expected);
}

TEST(PackBlockSort, PendingByteAfterALongRunIsProduced) {
  // R = 258 from "0 0 255 0": a zero primary index and 254 zero bytes,
  // which move-to-front and the inverse transform keep as zeros.
  const Bytes stream = ByteWriter().U32(258).U8(0).U8(0).U8(255).U8(0).Get();
  EXPECT_EQ(Decode(kBlockSort, UnderHuffman(stream)), Bytes(254, 0));
}

TEST(PackBlockSort, RunPassingTheCountStopsAtIt) {
  const Bytes stream = ByteWriter().U32(6).U8(0).U8(0).U8(255).Get();
  EXPECT_EQ(Decode(kBlockSort, UnderHuffman(stream)), Bytes(2, 0));
}

INSTANTIATE_TEST_SUITE_P(
    BlockSort, PackRejects,
    testing::Values(
        Rejection{"PrimaryIndexAtTheBlockLength", kBlockSort, UnderHuffman(Rle({1, 0, 0, 0, 7}))},
        Rejection{"PrimaryIndexWithItsTopBitSet", kBlockSort,
                  UnderHuffman(Rle({0, 0, 0, 0x80, 7, 7}))},
        Rejection{"BlockOfThePrimaryIndexAlone", kBlockSort, UnderHuffman(Rle({0, 0, 0, 0}))},
        Rejection{"BlockShorterThanThePrimaryIndex", kBlockSort, UnderHuffman(Rle({0, 0}))},
        Rejection{"StreamShorterThanItsCount", kBlockSort,
                  UnderHuffman(ByteWriter().U32(9).U8(0).U8(1).U8(2).Get())}),
    FaultName);

// The count and the block size claim 4 MiB; a few bytes arrive. The block
// buffer grows with them, so the failure costs far less than the claim.
TEST(PackBlockSort, CountClaimingMoreThanArrivesCostsWhatArrived) {
  const Bytes stored = UnderHuffman(ByteWriter().U32(0xFFFFFFFF).U8(0).U8(1).U8(2).Get());
  const testing_files::AllocationMeter meter;
  EXPECT_FALSE(Decode(Stages(F::kBlockSort, E::kHuffman, 4u << 20), stored));
  EXPECT_LT(meter.Peak(), std::size_t{1} << 20);
}

TEST(PackBlockSort, RejectsBlockSizeZeroAndAbove4MiB) {
  const Bytes stored = UnderHuffman(Rle({0, 0, 0, 0, 7}));
  EXPECT_FALSE(Decode(Stages(F::kBlockSort, E::kHuffman, 0), stored));
  EXPECT_FALSE(Decode(Stages(F::kBlockSort, E::kHuffman, (4u << 20) + 1), stored));
}

TEST(PackBlockSort, NeedsAnEntropyStage) {
  EXPECT_FALSE(Decode(Stages(F::kBlockSort, E::kNone), Rle({0, 0, 0, 0, 7})));
}

// ---- Combination ------------------------------------------------------

TEST(PackCombination, RejectsEntropyBlockLongerThanTheCapacity) {
  // One Huffman block of 32769 zero bytes: a sliding-window stream of total
  // 0 with exponent 0, then bytes that nothing reads.
  ByteWriter w;
  HuffmanBlock(w, 32769, 0x02, {{0, 1}}, Bytes(4097, 0)).U16(0);
  EXPECT_EQ(Decode(Stages(F::kSlidingWindow, E::kHuffman, 0, 32769), w.Get()), Bytes());
  EXPECT_FALSE(Decode(Stages(F::kSlidingWindow, E::kHuffman, 0, 32768), w.Get()));
}

TEST(PackCombination, RejectsCapacityZeroUnderAFirstStage) {
  const Bytes stored = UnderHuffman(LzssHeader(1, 10, 0b1).U8('a').Get());
  EXPECT_TRUE(Decode(Stages(F::kSlidingWindow, E::kHuffman, 0, 32768), stored));
  EXPECT_FALSE(Decode(Stages(F::kSlidingWindow, E::kHuffman, 0, 0), stored));
}

TEST(PackCombination, EntropyAloneIgnoresTheCapacity) {
  const Bytes data(100000, 'q');
  EXPECT_EQ(Decode(Stages(F::kNone, E::kHuffman, 0, 0), pack_encoding::EncodeHuffman(data, 100000)),
            data);
}

TEST(PackCombination, FirstStageInputEndsWithTheLastEntropyBlock) {
  // The sliding-window stream wants a fourth literal that no block holds.
  EXPECT_FALSE(Decode(Stages(F::kSlidingWindow, E::kHuffman),
                      UnderHuffman(LzssHeader(4, 10, 0b1111).U8('a').U8('b').U8('c').Get())));
}

TEST(PackCombination, RejectsNoStageAtAll) {
  EXPECT_FALSE(Decode(Stages(F::kNone, E::kNone), Bytes{1, 2, 3}));
}

}  // namespace
}  // namespace tarrowin::testing_pack
