#include "engine/affinity_rules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/mersenne_twister.h"

namespace tarrowin {
namespace {

// Counts the outputs drawn from a real generator.
class CountingGenerator : public IRandomGenerator {
 public:
  explicit CountingGenerator(std::uint32_t seed) : inner_(seed) {}
  int draws = 0;
  std::uint32_t Next32() override {
    ++draws;
    return inner_.Next32();
  }
  std::uint64_t Next64() override {
    draws += 3;
    return inner_.Next64();
  }
  void Seed32(std::uint32_t seed) override { inner_.Seed32(seed); }
  void Seed64(std::uint64_t seed) override { inner_.Seed64(seed); }
  void SeedArray(const std::uint32_t* words, std::size_t count) override {
    inner_.SeedArray(words, count);
  }
  int LoadState(const void* buffer, std::size_t size) override {
    return inner_.LoadState(buffer, size);
  }
  int SaveState(void* buffer, std::size_t size) const override {
    return inner_.SaveState(buffer, size);
  }
  std::size_t StateSize() const override { return inner_.StateSize(); }

 private:
  CMersenneTwister inner_;
};

TEST(CountBitsTest, CountsSetBits) {
  const std::pair<std::uint32_t, int> cases[] = {{0, 0},           {1, 1},      {0x3, 2},
                                                 {0x80000001u, 2}, {0xF0F0, 8}, {0xFFFFFFFFu, 32}};
  for (const auto& [mask, bits] : cases) EXPECT_EQ(CountBits(mask), bits) << std::hex << mask;
}

TEST(FileNamePartTest, TextAfterTheLastSeparator) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"C:\\Program Files\\Tool\\tool.exe", u"tool.exe"},
      {u"/usr/bin/sleep", u"sleep"},
      {u"C:/Tools\\bin/build.exe", u"build.exe"},
      {u"C:\\Tools/bin\\build.exe", u"build.exe"},
      {u"tool.exe", u"tool.exe"},
      {u"C:\\Tools\\", u""},
      {u"/", u""},
      {u"", u""},
  };
  for (const auto& [path, name] : cases) {
    EXPECT_EQ(std::u16string(FileNamePart(path.c_str())), name);
    EXPECT_EQ(FileNamePart(std::u16string_view(path)), name);
  }
}

TEST(ChooseCoresTest, ShufflesTheAscendingProcessorList) {
  // Seed32(4357) gives 2867219139, 1585203162, 3113124129, ...: swaps 0<->3,
  // 1<->1, 2<->3, so the processor list 0,1,2,3 becomes 3,1,0,2.
  CMersenneTwister generator(4357);
  EXPECT_EQ(ChooseCores(0xF, 2, generator), 0xAu);  // processors 3 and 1
  generator.Seed32(4357);
  EXPECT_EQ(ChooseCores(0xF0, 3, generator), 0xB0u);  // 7, 5 and 4
}

TEST(ChooseCoresTest, DrawsOneOutputPerSystemProcessorWhateverTheCount) {
  for (std::uint32_t system : {0x1u, 0x3u, 0xF0u, 0x80000001u, 0xFFFFFFFFu}) {
    const int n = CountBits(system);
    for (int count : {1, n - 1, n, n + 3}) {
      CountingGenerator generator(11);
      const std::uint32_t chosen = ChooseCores(system, count, generator);
      EXPECT_EQ(generator.draws, n) << std::hex << system << " count " << count;
      EXPECT_EQ(chosen & ~system, 0u);
      EXPECT_EQ(CountBits(chosen), std::min(count, n));
    }
  }
}

TEST(ChooseCoresTest, SameSeedSameChoicesAndEveryChoiceReachable) {
  CMersenneTwister a(2024), b(2024);
  std::set<std::uint32_t> seen;
  for (int i = 0; i < 300; ++i) {
    const std::uint32_t chosen = ChooseCores(0xF, 2, a);
    EXPECT_EQ(chosen, ChooseCores(0xF, 2, b));
    seen.insert(chosen);
  }
  EXPECT_EQ(seen, (std::set<std::uint32_t>{0x3, 0x5, 0x6, 0x9, 0xA, 0xC}));
}

TEST(DecideAffinityTest, LeavingAndExplicitMasksDrawNothing) {
  // Each row is decided before the random choice is reached.
  struct Case {
    std::int32_t count;
    std::uint32_t explicit_mask, process, system;
    std::optional<std::uint32_t> result;
  };
  const Case cases[] = {
      {4, 0, 0xF, 0xF, std::nullopt},       // system no larger than the rule
      {2, 0x3, 0x10, 0xFF, std::nullopt},   // process already below the count
      {2, 0x30, 0x30, 0xFF, std::nullopt},  // already the explicit mask
      {2, 0, 0x5, 0xFF, std::nullopt},      // already that many processors
      {2, 0x3, 0x30, 0xFF, 0x3u},           // explicit mask within the system
  };
  for (const Case& c : cases) {
    CountingGenerator generator(1);
    EXPECT_EQ(DecideAffinity(c.count, c.explicit_mask, c.process, c.system, generator), c.result);
    EXPECT_EQ(generator.draws, 0);
  }
}

}  // namespace
}  // namespace tarrowin
