// The standard ciphers' rules beyond the published vectors: key lengths,
// block sizes, schedule choice, refusal when unkeyed, in-place operation.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "crypto/camellia.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "tests/crypto/crypto_test_support.h"
#include "tests/crypto/vector_file.h"

namespace tarrowin::testing {
namespace {

Bytes Encrypt(IBlockCipher& cipher, const Bytes& in) {
  Bytes out(in.size());
  EXPECT_EQ(cipher.EncryptBlocks(out.data(), in.data(), in.size() / cipher.BlockSize()), 1);
  return out;
}

Bytes Decrypt(IBlockCipher& cipher, const Bytes& in) {
  Bytes out(in.size());
  EXPECT_EQ(cipher.DecryptBlocks(out.data(), in.data(), in.size() / cipher.BlockSize()), 1);
  return out;
}

struct CipherKind {
  const char* name;
  std::function<std::unique_ptr<IBlockCipher>()> make;
  std::size_t key_length;
  std::size_t block_size;
};

const CipherKind kStandardCiphers[] = {
    {"RC4", [] { return std::make_unique<CRC4>(); }, 16, 1},
    {"RC6", [] { return std::make_unique<CRC6>(); }, 16, 16},
    {"Camellia", [] { return std::make_unique<CCamellia>(); }, 32, 16},
    {"Rijndael", [] { return std::make_unique<CRijndael>(); }, 24, 16},
};

class StandardCipherTest : public ::testing::TestWithParam<CipherKind> {};

INSTANTIATE_TEST_SUITE_P(All, StandardCipherTest, ::testing::ValuesIn(kStandardCiphers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(StandardCipherTest, RefusesToWorkWithoutAKey) {
  const auto cipher = GetParam().make();
  Bytes block(cipher->BlockSize(), 0);
  EXPECT_EQ(cipher->EncryptBlocks(block.data(), block.data(), 1), 0);
  EXPECT_EQ(cipher->DecryptBlocks(block.data(), block.data(), 1), 0);
}

TEST_P(StandardCipherTest, ARefusedKeyLeavesTheCipherUnusable) {
  const auto cipher = GetParam().make();
  const Bytes key(GetParam().key_length, 0x42);
  ASSERT_EQ(cipher->SetKey(key.data(), key.size()), 1);
  EXPECT_EQ(cipher->SetKey(key.data(), 0), 0);
  Bytes block(cipher->BlockSize(), 0);
  EXPECT_EQ(cipher->EncryptBlocks(block.data(), block.data(), 1), 0);
}

TEST_P(StandardCipherTest, InPlaceEqualsSeparateBuffersAndRoundTrips) {
  std::mt19937 rng(11);
  const Bytes key = RandomBytes(rng, GetParam().key_length);
  const Bytes plain = RandomBytes(rng, 10 * GetParam().block_size);
  const auto a = GetParam().make(), b = GetParam().make();
  ASSERT_EQ(a->SetKey(key.data(), key.size()), 1);
  ASSERT_EQ(b->SetKey(key.data(), key.size()), 1);
  const Bytes cipher_text = Encrypt(*a, plain);
  EXPECT_NE(cipher_text, plain);
  Bytes in_place = plain;
  ASSERT_EQ(b->EncryptBlocks(in_place.data(), in_place.data(), 10), 1);
  EXPECT_EQ(in_place, cipher_text);
  ASSERT_EQ(b->DecryptBlocks(in_place.data(), in_place.data(), 10), 1);
  EXPECT_EQ(in_place, plain);
}

TEST_P(StandardCipherTest, OnlyRijndaelChangesItsBlockSize) {
  const auto cipher = GetParam().make();
  const int expected = std::string(GetParam().name) == "Rijndael" ? 1 : 0;
  EXPECT_EQ(cipher->SetBlockSize(32), expected);
  EXPECT_EQ(cipher->BlockSize(), expected ? 32u : GetParam().block_size);
}

TEST(RC6Test, OnlyWholeKeyWordsCount) {
  std::mt19937 rng(3);
  const Bytes key = RandomBytes(rng, 20), plain = RandomBytes(rng, 16);
  CRC6 reference, longer;
  ASSERT_EQ(reference.SetKey(key.data(), 16), 1);
  ASSERT_EQ(longer.SetKey(key.data(), 17), 1);
  EXPECT_EQ(Encrypt(longer, plain), Encrypt(reference, plain));
  ASSERT_EQ(longer.SetKey(key.data(), 19), 1);
  EXPECT_EQ(Encrypt(longer, plain), Encrypt(reference, plain));
  ASSERT_EQ(longer.SetKey(key.data(), 20), 1);
  EXPECT_NE(Encrypt(longer, plain), Encrypt(reference, plain));
  // Four bytes is the shortest key; 7 bytes act as their first 4.
  CRC6 short_key;
  ASSERT_EQ(short_key.SetKey(key.data(), 4), 1);
  const Bytes four = Encrypt(short_key, plain);
  ASSERT_EQ(short_key.SetKey(key.data(), 7), 1);
  EXPECT_EQ(Encrypt(short_key, plain), four);
  EXPECT_EQ(Decrypt(short_key, four), plain);
  for (std::size_t length : {0u, 1u, 3u}) EXPECT_EQ(short_key.SetKey(key.data(), length), 0);
}

TEST(CamelliaTest, RefusesOtherKeyLengths) {
  const Bytes key(40, 1);
  CCamellia camellia;
  for (std::size_t length : {0u, 8u, 15u, 17u, 20u, 31u, 33u, 40u}) {
    EXPECT_EQ(camellia.SetKey(key.data(), length), 0) << length;
  }
  for (std::size_t length : {16u, 24u, 32u}) EXPECT_EQ(camellia.SetKey(key.data(), length), 1);
}

TEST(RC4Test, EncryptionAndDecryptionRunSeparateStreams) {
  std::mt19937 rng(5);
  const Bytes key = RandomBytes(rng, 7), plain = RandomBytes(rng, 300);
  CRC4 rc4;
  ASSERT_EQ(rc4.SetKey(key.data(), key.size()), 1);
  const Bytes first = Encrypt(rc4, plain);
  const Bytes second = Encrypt(rc4, plain);
  EXPECT_NE(first, second);  // the encryption stream moved on
  EXPECT_EQ(Decrypt(rc4, first), plain);
  EXPECT_EQ(Decrypt(rc4, second), plain);
  // A new key restarts both streams.
  ASSERT_EQ(rc4.SetKey(key.data(), key.size()), 1);
  EXPECT_EQ(Encrypt(rc4, plain), first);
}

TEST(RijndaelTest, BlockSizeMustBe16Or24Or32) {
  CRijndael rijndael;
  EXPECT_EQ(rijndael.BlockSize(), 16u);
  for (std::uint32_t value : {0u, 8u, 20u, 28u, 40u, 0x10008u, 0x30024u, 0xFFFF0000u}) {
    EXPECT_EQ(rijndael.SetBlockSize(value), 0) << value;
    EXPECT_EQ(rijndael.BlockSize(), 16u);
  }
  EXPECT_EQ(rijndael.SetBlockSize(24), 1);
  EXPECT_EQ(rijndael.BlockSize(), 24u);
  EXPECT_EQ(rijndael.SetBlockSize(0x30020), 1);
  EXPECT_EQ(rijndael.BlockSize(), 32u);
}

TEST(RijndaelTest, UpperBitsChooseTheSchedulesToBuild) {
  std::mt19937 rng(9);
  const Bytes key = RandomBytes(rng, 16), plain = RandomBytes(rng, 16);
  CRijndael both;
  ASSERT_EQ(both.SetKey(key.data(), key.size()), 1);
  const Bytes cipher_text = Encrypt(both, plain);

  const struct {
    std::uint32_t value;
    bool encrypt;
    bool decrypt;
  } cases[] = {{0x00010, true, true},
               {0x10010, true, false},
               {0x20010, false, true},
               {0x30010, true, true},
               {0x40010, false, false}};
  for (const auto& c : cases) {
    CRijndael r;
    ASSERT_EQ(r.SetBlockSize(c.value), 1);
    ASSERT_EQ(r.SetKey(key.data(), key.size()), 1);
    Bytes out(16);
    EXPECT_EQ(r.EncryptBlocks(out.data(), plain.data(), 1), c.encrypt ? 1 : 0) << c.value;
    if (c.encrypt) {
      EXPECT_EQ(out, cipher_text);
    }
    EXPECT_EQ(r.DecryptBlocks(out.data(), cipher_text.data(), 1), c.decrypt ? 1 : 0) << c.value;
    if (c.decrypt) {
      EXPECT_EQ(out, plain);
    }
  }
}

TEST(RijndaelTest, ChangingTheBlockSizeDropsTheKey) {
  const Bytes key(16, 7);
  CRijndael r;
  ASSERT_EQ(r.SetKey(key.data(), key.size()), 1);
  ASSERT_EQ(r.SetBlockSize(32), 1);
  Bytes block(32, 0);
  EXPECT_EQ(r.EncryptBlocks(block.data(), block.data(), 1), 0);
  ASSERT_EQ(r.SetKey(key.data(), key.size()), 1);
  EXPECT_EQ(r.EncryptBlocks(block.data(), block.data(), 1), 1);
  // The block size set before the key stays.
  EXPECT_EQ(r.BlockSize(), 32u);
}

TEST(RijndaelTest, RefusesOtherKeyLengths) {
  const Bytes key(40, 1);
  CRijndael r;
  for (std::size_t length : {0u, 8u, 15u, 17u, 20u, 31u, 33u}) {
    EXPECT_EQ(r.SetKey(key.data(), length), 0) << length;
  }
}

TEST(RijndaelTest, EveryBlockAndKeySizeRoundTrips) {
  std::mt19937 rng(13);
  for (std::uint32_t block : {16u, 24u, 32u}) {
    for (std::size_t key_length : {16u, 24u, 32u}) {
      CRijndael r;
      ASSERT_EQ(r.SetBlockSize(block), 1);
      const Bytes key = RandomBytes(rng, key_length), plain = RandomBytes(rng, 5 * block);
      ASSERT_EQ(r.SetKey(key.data(), key.size()), 1);
      EXPECT_EQ(Decrypt(r, Encrypt(r, plain)), plain) << block << " " << key_length;
    }
  }
}

}  // namespace
}  // namespace tarrowin::testing
