// Failures around the streams of every stage combination: a failing or dry
// reader, a refusing sink, a stored limit cut short, and a sweep of flipped
// bits. Each ends cleanly, reads nothing beyond the stored limit and never
// keeps asking a reader that has nothing more.
#include <gtest/gtest.h>

#include <random>

#include "tests/files/pack_stage_test_support.h"
#include "tools/pack_encoders/pack_encoders.h"

namespace tarrowin::testing_pack {
namespace {

class PackStageFailures : public ::testing::TestWithParam<NamedStages> {
 protected:
  void SetUp() override {
    data_ = MakeData(DataKind::kText, 150000, 3);
    stored_ = EncodePackStages(GetParam().stages, data_);
  }
  std::uint32_t StoredSize() const { return static_cast<std::uint32_t>(stored_.size()); }

  std::vector<std::uint8_t> data_;
  std::vector<std::uint8_t> stored_;
};

TEST_P(PackStageFailures, FailingReader) {
  for (const std::size_t at : {std::size_t{0}, std::size_t{5}, stored_.size() / 2}) {
    MemoryReader reader(stored_, 1000);
    reader.StopAt(at, MemoryReader::Stop::kFail);
    MemorySink sink;
    EXPECT_FALSE(DecodePackStages(GetParam().stages, StoredSize(), reader, sink)) << at;
    EXPECT_EQ(sink.EndCalls(), 0);
  }
}

TEST_P(PackStageFailures, ReaderRunningDryIsAskedOnce) {
  for (const std::size_t at : {std::size_t{0}, std::size_t{7}, stored_.size() / 2}) {
    MemoryReader reader(stored_, 1000);
    reader.StopAt(at, MemoryReader::Stop::kDry);
    MemorySink sink;
    EXPECT_FALSE(DecodePackStages(GetParam().stages, StoredSize(), reader, sink)) << at;
    // One call per delivered piece, then the one that came back empty.
    EXPECT_EQ(reader.Calls(), (at + 999) / 1000 + 1) << at;
  }
}

TEST_P(PackStageFailures, RefusingSink) {
  for (const std::size_t after : {std::size_t{0}, std::size_t{70000}}) {
    MemoryReader reader(stored_);
    MemorySink sink(UINT32_MAX, after);
    EXPECT_FALSE(DecodePackStages(GetParam().stages, StoredSize(), reader, sink)) << after;
    EXPECT_EQ(sink.EndCalls(), 0);
  }
}

TEST_P(PackStageFailures, StoredLimitCutShortNeverReadsBeyondIt) {
  // The Huffman look-ahead bytes are the only ones a stream may do without.
  const std::size_t cut = stored_.size() - 3;
  MemoryReader reader(stored_);
  MemorySink sink;
  EXPECT_FALSE(DecodePackStages(GetParam().stages, static_cast<std::uint32_t>(cut), reader, sink));
  EXPECT_LE(reader.Position(), cut);
}

TEST_P(PackStageFailures, ExactStoredLimitReadsAllAndDecodes) {
  MemoryReader reader(stored_);
  MemorySink sink;
  ASSERT_TRUE(DecodePackStages(GetParam().stages, StoredSize(), reader, sink));
  EXPECT_TRUE(sink.Bytes() == data_);
  EXPECT_LE(reader.Position(), stored_.size());
}

// Flipped bits give false or some output with one end call: never a crash,
// a hang or unbounded output (the sink refuses past twice the data).
TEST_P(PackStageFailures, CorruptionSweep) {
  const auto data = MakeData(DataKind::kText, 20000, 5);
  const auto stored = EncodePackStages(GetParam().stages, data);
  std::mt19937 random(11);
  std::vector<std::size_t> bits;
  for (std::size_t bit = 0; bit < std::min<std::size_t>(stored.size() * 8, 200 * 8); ++bit) {
    bits.push_back(bit);
  }
  for (int i = 0; i < 1500; ++i) bits.push_back(random() % (stored.size() * 8));
  int failures = 0;
  for (const std::size_t bit : bits) {
    auto corrupt = stored;
    corrupt[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    MemoryReader reader(corrupt, 4096);
    MemorySink sink(UINT32_MAX, 2 * data.size());
    if (DecodePackStages(GetParam().stages, static_cast<std::uint32_t>(corrupt.size()), reader,
                         sink)) {
      EXPECT_EQ(sink.EndCalls(), 1);
    } else {
      ++failures;
      EXPECT_EQ(sink.EndCalls(), 0);
    }
  }
  EXPECT_GT(failures, 0);
}

INSTANTIATE_TEST_SUITE_P(AllStages, PackStageFailures, ::testing::ValuesIn(AllCombinations()),
                         [](const ::testing::TestParamInfo<NamedStages>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace tarrowin::testing_pack
