// Digest behaviour beyond the published vectors: block boundaries of the
// padding, arbitrary pieces, restarting, and the folding helpers.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "crypto/md5.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "tests/crypto/crypto_test_support.h"
#include "tests/crypto/vector_file.h"

namespace tarrowin::testing {
namespace {

struct HashKind {
  const char* name;
  std::function<std::unique_ptr<IHash>()> make;
  std::size_t digest_size;
  std::vector<std::uint32_t> initial;  // the standard initial state
};

const HashKind kHashes[] = {
    {"MD5",
     [] { return std::make_unique<CMD5>(); },
     16,
     {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476}},
    {"SHA1",
     [] { return std::make_unique<CSHA1>(); },
     20,
     {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0}},
    {"SHA256",
     [] { return std::make_unique<CSHA256>(); },
     32,
     {0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A, 0x510E527F, 0x9B05688C, 0x1F83D9AB,
      0x5BE0CD19}},
};

class HashTest : public ::testing::TestWithParam<HashKind> {};

INSTANTIATE_TEST_SUITE_P(All, HashTest, ::testing::ValuesIn(kHashes),
                         [](const auto& info) { return std::string(info.param.name); });

// Counts the blocks that reach the compression function.
template <typename Hash>
class CountingHash : public Hash {
 public:
  std::size_t blocks = 0;

 protected:
  void Compress(const std::uint8_t* data, std::size_t count) override {
    blocks += count;
    Hash::Compress(data, count);
  }
};

TEST(HashPaddingTest, FiftySixBytesNeedTwoFinalBlocksAndFiftyFiveOne) {
  const struct {
    std::size_t length;
    std::size_t blocks;
  } cases[] = {{0, 1}, {55, 1}, {56, 2}, {63, 2}, {64, 2}, {119, 2}, {120, 3}, {128, 3}};
  for (const auto& c : cases) {
    const Bytes message(c.length, 0x61);
    CountingHash<CMD5> md5;
    CountingHash<CSHA1> sha1;
    CountingHash<CSHA256> sha256;
    for (IHash* h :
         {static_cast<IHash*>(&md5), static_cast<IHash*>(&sha1), static_cast<IHash*>(&sha256)}) {
      h->Update(message.data(), message.size());
      h->Final();
    }
    EXPECT_EQ(md5.blocks, c.blocks) << c.length;
    EXPECT_EQ(sha1.blocks, c.blocks) << c.length;
    EXPECT_EQ(sha256.blocks, c.blocks) << c.length;
  }
}

// Digests of the bytes 0, 1, 2, ... for lengths around the padding
// boundaries, cross-checked with OpenSSL.
TEST(HashPaddingTest, DigestsAroundBlockBoundaries) {
  for (const VectorRecord& v : ReadVectorFile("hash_lengths.vec", {"Length", "Out"})) {
    SCOPED_TRACE(v.Where());
    std::unique_ptr<IHash> hash;
    for (const HashKind& kind : kHashes) {
      if (v.section == kind.name) hash = kind.make();
    }
    ASSERT_NE(hash, nullptr) << "unknown section";
    Bytes message(std::stoul(v.Get("Length")));
    for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(ToHex(DigestInPieces(*hash, message, {message.size() + 1})), v.Get("Out"));
  }
}

TEST_P(HashTest, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  std::mt19937 rng(7);
  const auto hash = GetParam().make();
  for (std::size_t length : {0u, 1u, 63u, 64u, 65u, 127u, 128u, 129u, 1000u, 4099u}) {
    const Bytes message = RandomBytes(rng, length);
    const Bytes whole = DigestInPieces(*hash, message, {length + 1});
    for (int round = 0; round < 20; ++round) {
      const auto pieces = RandomPieces(rng, length, 1 + round * 7);
      EXPECT_EQ(ToHex(DigestInPieces(*hash, message, pieces)), ToHex(whole)) << length;
    }
  }
}

TEST_P(HashTest, InitStartsOverAtAnyTime) {
  const auto hash = GetParam().make();
  const auto fresh = GetParam().make();
  const Bytes abc = {'a', 'b', 'c'};
  const Bytes expected = DigestInPieces(*fresh, abc, {3});
  const Bytes junk(100, 0x55);
  hash->Update(junk.data(), junk.size());  // abandoned mid-block
  EXPECT_EQ(ToHex(DigestInPieces(*hash, abc, {3})), ToHex(expected));
  EXPECT_EQ(ToHex(DigestInPieces(*hash, abc, {1})), ToHex(expected));  // after Final too
}

TEST_P(HashTest, SetStateRestartsCountAndBuffer) {
  const auto made = GetParam().make();
  auto& hash = dynamic_cast<CBlockHash&>(*made);
  const Bytes junk(70, 0x11);  // one block and a partial one
  hash.Update(junk.data(), junk.size());
  hash.SetState(GetParam().initial.data());
  const Bytes abc = {'a', 'b', 'c'};
  hash.Update(abc.data(), abc.size());
  hash.Final();
  Bytes got(hash.DigestSize());
  hash.GetDigest(got.data());
  const auto fresh = GetParam().make();
  EXPECT_EQ(ToHex(got), ToHex(DigestInPieces(*fresh, abc, {3})));
}

TEST_P(HashTest, FoldXorsTheDigestCyclically) {
  const auto hash = GetParam().make();
  const Bytes message = {'f', 'o', 'l', 'd'};
  const Bytes digest = DigestInPieces(*hash, message, {4});
  const std::size_t size = GetParam().digest_size;
  ASSERT_EQ(digest.size(), size);
  for (std::size_t length : {1u, 3u, 8u, 16u, 20u, 32u, 40u}) {
    Bytes expected(length, 0);
    for (std::size_t i = 0; i < size; ++i) expected[i % length] ^= digest[i];
    Bytes out(length + 1, 0xCC);
    hash->Fold(out.data(), length);
    EXPECT_EQ(ToHex(Bytes(out.begin(), out.end() - 1)), ToHex(expected)) << length;
    EXPECT_EQ(out.back(), 0xCC) << "wrote past the buffer";
    EXPECT_TRUE(hash->EqualsFolded(expected.data(), length));
  }
  std::uint8_t untouched = 0xCC;
  hash->Fold(&untouched, 0);
  EXPECT_EQ(untouched, 0xCC);
  EXPECT_TRUE(hash->EqualsFolded(&untouched, 0));
}

TEST_P(HashTest, EqualsAndEqualsFoldedRejectEveryChangedBit) {
  const auto hash = GetParam().make();
  const Bytes message = {'x'};
  Bytes digest = DigestInPieces(*hash, message, {1});
  EXPECT_TRUE(hash->Equals(digest.data()));
  Bytes folded(8);
  hash->Fold(folded.data(), folded.size());
  EXPECT_TRUE(hash->EqualsFolded(folded.data(), 8));
  for (std::size_t bit = 0; bit < 8 * digest.size(); ++bit) {
    digest[bit / 8] ^= 1 << (bit % 8);
    EXPECT_FALSE(hash->Equals(digest.data())) << bit;
    digest[bit / 8] ^= 1 << (bit % 8);
  }
  for (std::size_t bit = 0; bit < 64; ++bit) {
    folded[bit / 8] ^= 1 << (bit % 8);
    EXPECT_FALSE(hash->EqualsFolded(folded.data(), 8)) << bit;
    folded[bit / 8] ^= 1 << (bit % 8);
  }
  // Longer than the digest: the digest, then zeros only.
  Bytes longer(digest);
  longer.resize(digest.size() + 4, 0);
  EXPECT_TRUE(hash->EqualsFolded(longer.data(), longer.size()));
  longer.back() = 1;
  EXPECT_FALSE(hash->EqualsFolded(longer.data(), longer.size()));
}

TEST(HashFoldTest, Sha256FoldedTo16IsTheXorOfItsHalves) {
  CSHA256 sha;
  const Bytes digest = DigestInPieces(sha, {'a', 'b', 'c'}, {3});
  Bytes folded(16);
  sha.Fold(folded.data(), 16);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(folded[i], digest[i] ^ digest[i + 16]) << i;
  std::uint8_t all = 0;
  for (std::uint8_t b : digest) all ^= b;
  std::uint8_t one = 0;
  sha.Fold(&one, 1);
  EXPECT_EQ(one, all);
}

TEST(HashFoldTest, Md5EqualsFolded8IsTheXorOfItsHalves) {
  CMD5 md5;
  const Bytes digest = DigestInPieces(md5, {'a', 'b', 'c'}, {3});
  Bytes halves(8);
  for (int i = 0; i < 8; ++i) halves[i] = digest[i] ^ digest[i + 8];
  EXPECT_TRUE(md5.EqualsFolded(halves.data(), 8));
  EXPECT_FALSE(md5.EqualsFolded(digest.data(), 8));
}

}  // namespace
}  // namespace tarrowin::testing
