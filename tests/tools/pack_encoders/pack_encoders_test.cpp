// The encoders' own guarantees, which round trips alone would not show:
// code lengths within the limit and optimal, frequencies adding up to 4096,
// a suffix order equal to a plain sort, and real compression.
#include "tools/pack_encoders/pack_encoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <queue>
#include <random>

#include "tests/files/pack_stage_test_support.h"
#include "tools/pack_encoders/huffman_encoder.h"
#include "tools/pack_encoders/range_encoder.h"
#include "tools/pack_encoders/suffix_sort.h"

namespace tarrowin::pack_encoding {
namespace {

using Counts = std::array<std::uint64_t, 256>;

std::uint64_t CodedBits(const Counts& counts, const std::array<std::uint8_t, 256>& lengths) {
  std::uint64_t bits = 0;
  for (int s = 0; s < 256; ++s) bits += counts[s] * lengths[s];
  return bits;
}

// The cost of an unlimited Huffman code: the sum of all merged weights.
std::uint64_t UnlimitedHuffmanBits(const Counts& counts) {
  std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> heap;
  for (const auto count : counts) {
    if (count != 0) heap.push(count);
  }
  std::uint64_t bits = 0;
  while (heap.size() > 1) {
    const auto a = heap.top();
    heap.pop();
    const auto b = heap.top();
    heap.pop();
    bits += a + b;
    heap.push(a + b);
  }
  return bits;
}

double KraftSum(const std::array<std::uint8_t, 256>& lengths) {
  double sum = 0;
  for (const auto length : lengths) {
    if (length != 0) sum += std::ldexp(1.0, -length);
  }
  return sum;
}

TEST(HuffmanCodeLengths, OptimalWhenTheLimitDoesNotBind) {
  std::mt19937 random(2);
  for (int round = 0; round < 50; ++round) {
    Counts counts{};
    const int symbols = 2 + static_cast<int>(random() % 255);
    for (int s = 0; s < symbols; ++s) counts[random() % 256] = 1 + random() % 1000;
    const auto lengths = HuffmanCodeLengths(counts, 15);
    EXPECT_EQ(CodedBits(counts, lengths), UnlimitedHuffmanBits(counts));
    EXPECT_DOUBLE_EQ(KraftSum(lengths), 1.0);
  }
}

TEST(HuffmanCodeLengths, FibonacciCountsStayWithin15Bits) {
  // Unlimited, these counts would need codes of 39 bits.
  Counts counts{};
  std::uint64_t a = 1, b = 1;
  for (int s = 0; s < 40; ++s) {
    counts[s] = a;
    const auto next = a + b;
    a = b;
    b = next;
  }
  const auto lengths = HuffmanCodeLengths(counts, 15);
  EXPECT_EQ(*std::max_element(lengths.begin(), lengths.end()), 15);
  EXPECT_LE(KraftSum(lengths), 1.0);
  for (int s = 0; s < 40; ++s) EXPECT_GT(lengths[s], 0) << s;
  EXPECT_GE(CodedBits(counts, lengths), UnlimitedHuffmanBits(counts));
}

TEST(HuffmanCodeLengths, AllSymbolsAndALoneSymbol) {
  Counts all{};
  all.fill(1);
  const auto even = HuffmanCodeLengths(all, 15);
  EXPECT_TRUE(std::all_of(even.begin(), even.end(), [](auto length) { return length == 8; }));
  Counts one{};
  one['k'] = 99;
  const auto lone = HuffmanCodeLengths(one, 15);
  EXPECT_EQ(lone['k'], 1);
  EXPECT_EQ(std::accumulate(lone.begin(), lone.end(), 0), 1);
}

TEST(NormaliseFrequencies, AddUpTo4096AndKeepEveryOccurringSymbol) {
  std::mt19937 random(4);
  for (int round = 0; round < 50; ++round) {
    Counts counts{};
    for (int s = 0; s < 256; ++s) {
      if (random() % 3 != 0) counts[s] = random() % 4 == 0 ? 1 : random() % 1000000;
    }
    counts[random() % 256] = 50000000;  // one symbol far above the rest
    const auto frequency = NormaliseFrequencies(counts);
    EXPECT_EQ(std::accumulate(frequency.begin(), frequency.end(), 0u), 4096u);
    for (int s = 0; s < 256; ++s) EXPECT_EQ(frequency[s] == 0, counts[s] == 0) << s;
  }
}

std::vector<std::int32_t> NaiveSuffixArray(const std::vector<std::uint8_t>& text) {
  std::vector<std::int32_t> order(text.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
    return std::lexicographical_compare(text.begin() + a, text.end(), text.begin() + b, text.end());
  });
  return order;
}

TEST(SuffixArray, MatchesAPlainSort) {
  std::mt19937 random(6);
  std::vector<std::vector<std::uint8_t>> texts = {
      {}, {7}, std::vector<std::uint8_t>(500, 'a'), {'b', 'a', 'n', 'a', 'n', 'a'}};
  std::vector<std::uint8_t> periodic;
  for (int i = 0; i < 600; ++i) periodic.push_back("abcab"[i % 5]);
  texts.push_back(periodic);
  for (const int alphabet : {1, 2, 3, 4, 256}) {
    for (int round = 0; round < 20; ++round) {
      std::vector<std::uint8_t> text(1 + random() % 700);
      for (auto& byte : text) byte = static_cast<std::uint8_t>(random() % alphabet);
      texts.push_back(text);
    }
  }
  for (const auto& text : texts) EXPECT_EQ(SuffixArray(text), NaiveSuffixArray(text));
}

TEST(PackEncoders, CompressTextEveryWay) {
  const auto text = testing_pack::MakeData(testing_pack::DataKind::kText, 200000);
  for (const auto& named : testing_pack::AllCombinations()) {
    const auto stored = EncodePackStages(named.stages, text);
    // Entropy stages alone code single bytes; every other way does better.
    const bool alone = named.stages.first == PackFirstStage::kNone;
    EXPECT_LT(stored.size(), text.size() * (alone ? 6 : 3) / 10) << named.name;
  }
}

TEST(PackEncoders, RejectParametersTheDecoderRefuses) {
  const std::vector<std::uint8_t> data(10, 1);
  using F = PackFirstStage;
  using E = PackEntropyStage;
  EXPECT_THROW(EncodePackStages(testing_pack::Stages(F::kNone, E::kNone), data),
               std::invalid_argument);
  EXPECT_THROW(EncodePackStages(testing_pack::Stages(F::kBlockSort, E::kNone), data),
               std::invalid_argument);
  EXPECT_THROW(EncodePackStages(testing_pack::Stages(F::kBlockSort, E::kRange, 0), data),
               std::invalid_argument);
  EXPECT_THROW(EncodePackStages(testing_pack::Stages(F::kSlidingWindow, E::kRange, 0, 0), data),
               std::invalid_argument);
  auto wide = testing_pack::Stages(F::kSlidingWindow, E::kNone);
  wide.window_exponent = 16;
  EXPECT_THROW(EncodePackStages(wide, data), std::invalid_argument);
}

}  // namespace
}  // namespace tarrowin::pack_encoding
