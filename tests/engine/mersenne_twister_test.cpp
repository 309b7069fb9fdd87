#include "engine/mersenne_twister.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace tarrowin {
namespace {

std::vector<std::uint32_t> Outputs(IRandomGenerator& g, int n) {
  std::vector<std::uint32_t> out;
  for (int i = 0; i < n; ++i) out.push_back(g.Next32());
  return out;
}

using Words = std::vector<std::uint32_t>;

TEST(CMersenneTwisterTest, Seed32FollowsThe1998ReferenceSeeding) {
  CMersenneTwister g;
  g.Seed32(4357);
  EXPECT_EQ(Outputs(g, 3), (Words{2867219139u, 1585203162u, 3113124129u}));
}

TEST(CMersenneTwisterTest, ConstructionSeedsWithTheDefaultSeed) {
  CMersenneTwister g;
  EXPECT_EQ(Outputs(g, 2), (Words{2820495248u, 2973788804u}));
}

TEST(CMersenneTwisterTest, SeedArrayStartsFromTheDefaultSeed32State) {
  CMersenneTwister g;
  const std::uint32_t key[] = {0x123, 0x234, 0x345, 0x456};
  g.SeedArray(key, 4);
  EXPECT_EQ(Outputs(g, 3), (Words{4149929712u, 1160857670u, 1222157545u}));
}

TEST(CMersenneTwisterTest, Seed64IsSeedArrayOfLowHalfThenHighHalf) {
  CMersenneTwister g;
  g.Seed64(0x0123456789ABCDEFull);
  EXPECT_EQ(Outputs(g, 2), (Words{3241032768u, 877703832u}));
}

TEST(CMersenneTwisterTest, Next64CombinesThreeOutputs) {
  CMersenneTwister a(99), b(99);
  const std::uint64_t x = a.Next32(), y = a.Next32(), z = a.Next32();
  EXPECT_EQ(b.Next64(), (x << 32) ^ (y << 16) ^ z);
}

TEST(CMersenneTwisterTest, UniformIsModuloOfTheNextOutput) {
  CMersenneTwister a(7), b(7);
  for (std::uint32_t bound : {1u, 2u, 3u, 1000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(a.Uniform32(bound), b.Next32() % bound);
  }
  EXPECT_EQ(a.Uniform64(1000000007ull), b.Next64() % 1000000007ull);
}

TEST(CMersenneTwisterTest, SavedStateContinuesTheSameSequence) {
  CMersenneTwister g(2024);
  Outputs(g, 700);  // past one regeneration, mid-block
  std::vector<unsigned char> state(g.StateSize());
  ASSERT_EQ(g.StateSize(), 2504u);
  ASSERT_EQ(g.SaveState(state.data(), state.size()), 1);
  const Words expected = Outputs(g, 1000);
  CMersenneTwister other;
  ASSERT_EQ(other.LoadState(state.data(), state.size()), 1);
  EXPECT_EQ(Outputs(other, 1000), expected);
}

TEST(CMersenneTwisterTest, StateBuffersThatAreTooSmallAreRefused) {
  CMersenneTwister g(1);
  std::vector<unsigned char> state(2503, 0xAB);
  EXPECT_EQ(g.SaveState(state.data(), state.size()), 0);
  EXPECT_EQ(g.LoadState(state.data(), state.size()), 0);
  EXPECT_EQ(Outputs(g, 1), Outputs(*std::make_unique<CMersenneTwister>(1), 1));
}

TEST(CMersenneTwisterTest, LoadedIndexBeyondTheEndRegenerates) {
  CMersenneTwister g(5);
  std::vector<unsigned char> state(g.StateSize());
  g.SaveState(state.data(), state.size());
  state[0] = state[1] = state[2] = state[3] = 0xFF;  // index 0xFFFFFFFF
  CMersenneTwister loaded;
  ASSERT_EQ(loaded.LoadState(state.data(), state.size()), 1);
  EXPECT_EQ(Outputs(loaded, 3), Outputs(g, 3));
}

}  // namespace
}  // namespace tarrowin
