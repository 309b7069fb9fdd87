// The committed tables of the own ciphers are exactly what the generator
// procedure makes, and have the properties the ciphers rely on.
#include "crypto/own_cipher_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "crypto/own_cipher_schedule.h"
#include "tools/cipher_tables/table_maker.h"

namespace tarrowin {
namespace {

ByteTable Committed(const std::uint8_t (&table)[256]) {
  ByteTable t;
  std::copy(std::begin(table), std::end(table), t.begin());
  return t;
}

TEST(OwnCipherTablesTest, CommittedTablesAreTheGeneratorOutput) {
  const OwnCipherTables made = MakeOwnCipherTables();
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(Committed(kKeyScheduleTables[k]), made.key_schedule[k]) << "S" << k;
  }
  for (int k = 0; k < 8; ++k) EXPECT_EQ(Committed(kRoundTables[k]), made.round[k]) << "T" << k;
}

TEST(OwnCipherTablesTest, TablesBeginWithTheirFixedEntries) {
  const std::array<std::uint8_t, 4> key_first[4] = {{0x29, 0x4E, 0xF8, 0x6C},
                                                    {0xC5, 0xE6, 0xF6, 0x06},
                                                    {0xE7, 0xF2, 0x6F, 0xCD},
                                                    {0x7A, 0x26, 0x6E, 0x12}};
  const std::array<std::uint8_t, 4> round_first[4] = {{0x57, 0x38, 0x08, 0xE3},
                                                      {0xCB, 0x33, 0x9C, 0x03},
                                                      {0x61, 0xA3, 0xDC, 0x11},
                                                      {0x1B, 0x5C, 0x4D, 0x4C}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_TRUE(std::equal(key_first[k].begin(), key_first[k].end(), kKeyScheduleTables[k]))
        << "S" << k;
    EXPECT_TRUE(std::equal(round_first[k].begin(), round_first[k].end(), kRoundTables[2 * k]))
        << "T" << 2 * k;
  }
}

TEST(OwnCipherTablesTest, EveryTableIsAPermutationAndOddTablesInvertEvenOnes) {
  auto is_permutation = [](const std::uint8_t* t) {
    std::array<bool, 256> seen{};
    for (int x = 0; x < 256; ++x) seen[t[x]] = true;
    return std::all_of(seen.begin(), seen.end(), [](bool b) { return b; });
  };
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(is_permutation(kKeyScheduleTables[k])) << "S" << k;
  for (int m = 0; m < 4; ++m) {
    EXPECT_TRUE(is_permutation(kRoundTables[2 * m])) << "T" << 2 * m;
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(kRoundTables[2 * m + 1][kRoundTables[2 * m][x]], x) << "T" << 2 * m + 1;
    }
  }
}

TEST(OwnCipherTablesTest, EachRowNamesTheInversesOfItsEncryptionTables) {
  for (int row = 0; row < 16; ++row) {
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(kRoundTableRows[row][4 + k], kRoundTableRows[row][k] ^ 1) << row << " " << k;
    }
  }
}

TEST(OwnCipherTablesTest, MakeTableShufflesByTheSeededGenerator) {
  // Seeds give different shuffles; the fixed entries are moved in front
  // whatever the shuffle left there.
  const ByteTable a = MakeTable(1, {0, 1, 2, 3});
  const ByteTable b = MakeTable(2, {0, 1, 2, 3});
  EXPECT_NE(a, b);
  EXPECT_EQ(a[0], 0);
  EXPECT_EQ(a[3], 3);
  EXPECT_EQ(MakeTable(1, {0, 1, 2, 3}), a);
}

}  // namespace
}  // namespace tarrowin
