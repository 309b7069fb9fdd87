// Round trips through the stage encoders and DecodePackStages: every stage
// combination at the sizes where buffers and blocks change, on text, random
// bytes, runs and a single repeated byte.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/files/pack_stage_test_support.h"
#include "tools/pack_encoders/pack_encoders.h"

namespace tarrowin::testing_pack {
namespace {

constexpr std::size_t kSizes[] = {0, 1, 65535, 65536, (1u << 20) + 123};
constexpr DataKind kKinds[] = {DataKind::kText, DataKind::kRandom, DataKind::kRuns,
                               DataKind::kSame};

using RoundTripParam = std::tuple<NamedStages, std::size_t, DataKind>;

class PackStagesRoundTrip : public ::testing::TestWithParam<RoundTripParam> {};

TEST_P(PackStagesRoundTrip, DecodesWhatWasEncoded) {
  const auto& [named, size, kind] = GetParam();
  const auto data = MakeData(kind, size);
  const auto stored = EncodePackStages(named.stages, data);
  // Small reader pieces make every refill path run, whole pieces the fast ones.
  for (const std::uint32_t piece : {65536u, 4093u}) {
    const auto decoded = Decode(named.stages, stored, piece);
    ASSERT_TRUE(decoded.has_value()) << "piece " << piece;
    ASSERT_EQ(decoded->size(), data.size());
    ASSERT_TRUE(*decoded == data) << "piece " << piece;
  }
}

INSTANTIATE_TEST_SUITE_P(AllStages, PackStagesRoundTrip,
                         ::testing::Combine(::testing::ValuesIn(AllCombinations()),
                                            ::testing::ValuesIn(kSizes),
                                            ::testing::ValuesIn(kKinds)),
                         [](const ::testing::TestParamInfo<RoundTripParam>& info) {
                           return std::get<0>(info.param).name + "_" +
                                  std::to_string(std::get<1>(info.param)) + "_" +
                                  DataKindName(std::get<2>(info.param));
                         });

// The largest tables: 4 MiB blocks, 1 MiB entropy blocks, the widest and
// the narrowest window.
TEST(PackStagesRoundTripLimits, LargestBlocksAndWindows) {
  using F = PackFirstStage;
  using E = PackEntropyStage;
  const auto text = MakeData(DataKind::kText, (4u << 20) + 4096, 7);
  {
    const auto stages = Stages(F::kBlockSort, E::kHuffman, 4u << 20, 1u << 20);
    const auto decoded = Decode(stages, EncodePackStages(stages, text));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == text);
  }
  for (const std::uint32_t exponent : {10u, 15u}) {
    auto stages = Stages(F::kSlidingWindow, E::kHuffman, 0, 1u << 20);
    stages.window_exponent = exponent;
    const auto decoded = Decode(stages, EncodePackStages(stages, text));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == text);
  }
}

// Output reaches the sink in pieces of at most 64 KiB, also when the sink
// takes less than it is given.
TEST(PackStagesOutput, PiecesOfAtMost64KiBAndPartialTakes) {
  const auto data = MakeData(DataKind::kText, 300000);
  for (const auto& named : AllCombinations()) {
    const auto stored = EncodePackStages(named.stages, data);
    MemoryReader reader(stored);
    MemorySink sink(/*take=*/1000);
    ASSERT_TRUE(
        DecodePackStages(named.stages, static_cast<std::uint32_t>(stored.size()), reader, sink))
        << named.name;
    EXPECT_TRUE(sink.Bytes() == data) << named.name;
    EXPECT_LE(sink.LargestPiece(), 65536u) << named.name;
    EXPECT_EQ(sink.EndCalls(), 1) << named.name;
  }
}

}  // namespace
}  // namespace tarrowin::testing_pack
