// The own ciphers against a plain, literal rendering of their description
// (byte arrays, no shortcuts), plus their block-size, round and key rules.
#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <memory>

#include "crypto/own_cipher_tables.h"
#include "crypto/rotate_cipher.h"
#include "crypto/subst_cipher.h"
#include "crypto/word_cipher.h"
#include "tests/crypto/crypto_test_support.h"
#include "tests/crypto/vector_file.h"

namespace tarrowin::testing {
namespace {

// ---- The reference rendering ----

const std::uint32_t kC[8] = {0x243F6A89, 0xB7E15163, 0x9E3779B9, 0x6F2DEC55,
                             0x6A09E668, 0xBB67AE86, 0xB504F334, 0x93CD3A2D};

const int kP[16][8] = {{3, 0, 6, 5, 2, 1, 7, 4}, {2, 4, 0, 6, 3, 5, 1, 7}, {3, 1, 7, 5, 2, 0, 6, 4},
                       {0, 3, 6, 5, 1, 2, 7, 4}, {3, 1, 4, 7, 2, 0, 5, 6}, {6, 3, 4, 0, 7, 2, 5, 1},
                       {4, 6, 2, 1, 5, 7, 3, 0}, {6, 5, 2, 1, 7, 4, 3, 0}, {6, 2, 4, 0, 7, 3, 5, 1},
                       {7, 4, 2, 1, 6, 5, 3, 0}, {5, 1, 3, 6, 4, 0, 2, 7}, {1, 4, 6, 2, 0, 5, 7, 3},
                       {6, 3, 1, 4, 7, 2, 0, 5}, {7, 3, 5, 1, 6, 2, 4, 0}, {3, 4, 6, 1, 2, 5, 7, 0},
                       {5, 6, 1, 3, 4, 7, 0, 2}};

std::uint32_t GetWord(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutWord(std::uint8_t* p, std::uint32_t w) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<std::uint8_t>(w >> (8 * k));
}

std::uint8_t ByteOf(std::uint32_t x, int k) { return static_cast<std::uint8_t>(x >> (8 * k)); }

std::uint32_t WithBytes(const std::uint8_t (&b)[4]) { return GetWord(b); }

std::uint32_t Sub(std::uint32_t x) {
  std::uint8_t b[4];
  for (int k = 0; k < 4; ++k) b[k] = kKeyScheduleTables[k][ByteOf(x, k)];
  return WithBytes(b);
}

struct ReferenceKey {
  std::uint32_t k[8] = {};
  std::uint32_t r[8] = {};
  int q[4] = {};
};

ReferenceKey Schedule(const Bytes& key, int words, int steps, int offset, bool selectors) {
  ReferenceKey s;
  std::uint8_t bytes[32] = {};
  for (std::size_t n = 0; n < key.size() && n < 4u * words; ++n) bytes[n] = key[n];
  for (int w = 0; w < words; ++w) s.k[w] = GetWord(bytes + 4 * w);
  std::uint32_t a = 0;
  for (int i = 0; i < steps; ++i) {
    const int w = i % words;
    a = (a + kC[(i + offset) % 8]) ^ s.k[w];
    if (selectors) s.q[i % 4] = (a >> 7) & 0xF;
    s.k[w] = Sub(a);
  }
  for (int k = 0; k < words; ++k) s.r[k] = (std::popcount(s.k[k]) + k) % 32;
  return s;
}

std::uint32_t Substitute(std::uint32_t x, const int* tables) {
  std::uint8_t b[4];
  for (int k = 0; k < 4; ++k) b[k] = kRoundTables[tables[k]][ByteOf(x, k)];
  return WithBytes(b);
}

enum class Kind { kWord, kRotate, kSubst };

void ReferenceBlock(Kind kind, const ReferenceKey& s, int rounds, bool encrypt, std::uint8_t* block,
                    int size) {
  const int n = size / 4;
  const auto& K = s.k;
  const auto& R = s.r;
  if (kind != Kind::kSubst) {
    for (int j = 0; j < n; ++j) {
      std::uint32_t w = GetWord(block + 4 * j);
      const int j0 = j % 4, j1 = (j + 1) % 4, j2 = (j + 2) % 4, j3 = (j + 3) % 4;
      if (kind == Kind::kWord) {
        w = encrypt ? (((w + K[j0]) ^ K[j1]) + K[j2]) ^ K[j3]
                    : (((w ^ K[j3]) - K[j2]) ^ K[j1]) - K[j0];
      } else if (encrypt) {
        std::uint32_t x = (std::rotl(w, R[j0]) ^ K[j0]) + K[j1];
        x = std::rotl(x, R[j1]);
        x = (std::rotl(x, R[j2]) ^ K[j2]) - K[j3];
        w = std::rotl(x, R[j3]);
      } else {
        std::uint32_t x = (std::rotr(w, R[j3]) + K[j3]) ^ K[j2];
        x = std::rotr(x, R[j2]);
        x = (std::rotr(x, R[j1]) - K[j1]) ^ K[j0];
        w = std::rotr(x, R[j0]);
      }
      PutWord(block + 4 * j, w);
    }
    return;
  }
  for (int step = 0; step < rounds; ++step) {
    const int r = encrypt ? step : rounds - 1 - step;
    const int a = r % 4;
    const int* g = kP[s.q[a]];
    if (encrypt) {
      for (int i = 0; i < n; ++i) {
        const std::uint32_t x = Substitute(GetWord(block + 4 * i) + K[a], g);
        PutWord(block + 4 * i, std::rotl(x, R[a]) ^ K[a + 4]);
      }
      for (int offset = 2; offset <= 4 * n - 6; offset += 4) {
        const std::uint32_t v = GetWord(block + offset);
        PutWord(block + offset, std::rotr(v ^ K[a], R[a + 4]) - K[a + 4]);
      }
    } else {
      for (int offset = 4 * n - 6; offset >= 2; offset -= 4) {
        const std::uint32_t v = GetWord(block + offset);
        PutWord(block + offset, std::rotl(v + K[a + 4], R[a + 4]) ^ K[a]);
      }
      for (int i = n - 1; i >= 0; --i) {
        const std::uint32_t x =
            Substitute(std::rotr(GetWord(block + 4 * i) ^ K[a + 4], R[a]), g + 4);
        PutWord(block + 4 * i, x - K[a]);
      }
    }
  }
}

Bytes Reference(Kind kind, const Bytes& key, int block_size, int rounds, bool encrypt,
                const Bytes& in) {
  const ReferenceKey s = kind == Kind::kWord     ? Schedule(key, 4, 16, 0, false)
                         : kind == Kind::kRotate ? Schedule(key, 4, 16, 3, false)
                                                 : Schedule(key, 8, 32, 5, true);
  Bytes out = in;
  for (std::size_t at = 0; at < out.size(); at += block_size) {
    ReferenceBlock(kind, s, rounds, encrypt, out.data() + at, block_size);
  }
  return out;
}

// ---- The tests ----

struct OwnCipherKind {
  const char* name;
  Kind kind;
  std::function<std::unique_ptr<IBlockCipher>()> make;
  std::size_t key_bytes_used;
};

const OwnCipherKind kOwnCiphers[] = {
    {"Word", Kind::kWord, [] { return std::make_unique<CWordCipher>(); }, 16},
    {"Rotate", Kind::kRotate, [] { return std::make_unique<CRotateCipher>(); }, 16},
    {"Subst", Kind::kSubst, [] { return std::make_unique<CSubstCipher>(); }, 32},
};

class OwnCipherTest : public ::testing::TestWithParam<OwnCipherKind> {};

INSTANTIATE_TEST_SUITE_P(All, OwnCipherTest, ::testing::ValuesIn(kOwnCiphers),
                         [](const auto& info) { return std::string(info.param.name); });

Bytes Transform(IBlockCipher& cipher, bool encrypt, const Bytes& in) {
  Bytes out(in.size());
  const std::size_t blocks = in.size() / cipher.BlockSize();
  EXPECT_EQ(encrypt ? cipher.EncryptBlocks(out.data(), in.data(), blocks)
                    : cipher.DecryptBlocks(out.data(), in.data(), blocks),
            1);
  return out;
}

TEST_P(OwnCipherTest, MatchesTheReferenceForEveryBlockSizeAndRoundCount) {
  std::mt19937 rng(23);
  const bool subst = GetParam().kind == Kind::kSubst;
  for (std::uint32_t block : {4u, 8u, 12u, 16u}) {
    for (std::uint32_t rounds :
         subst ? std::vector<std::uint32_t>{8, 9, 13, 16, 32} : std::vector<std::uint32_t>{0}) {
      for (int trial = 0; trial < 8; ++trial) {
        const auto cipher = GetParam().make();
        ASSERT_EQ(cipher->SetBlockSize(rounds << 16 | block), 1);
        const Bytes key = RandomBytes(rng, rng() % 41);
        ASSERT_EQ(cipher->SetKey(key.data(), key.size()), 1);
        const Bytes plain = RandomBytes(rng, 3 * block);
        const int r = static_cast<int>(rounds);
        const Bytes expected = Reference(GetParam().kind, key, block, r, true, plain);
        const Bytes encrypted = Transform(*cipher, true, plain);
        ASSERT_EQ(ToHex(encrypted), ToHex(expected)) << block << " " << rounds;
        EXPECT_EQ(ToHex(Transform(*cipher, false, encrypted)), ToHex(plain));
        EXPECT_EQ(ToHex(Reference(GetParam().kind, key, block, r, false, encrypted)), ToHex(plain));
      }
    }
  }
}

TEST_P(OwnCipherTest, BlockSizeIsAMultipleOf4From4To16) {
  const auto cipher = GetParam().make();
  EXPECT_EQ(cipher->BlockSize(), 4u);
  for (std::uint32_t value : {0u, 2u, 3u, 6u, 20u, 32u, 0xFFFFu}) {
    EXPECT_EQ(cipher->SetBlockSize(value), 0) << value;
    EXPECT_EQ(cipher->BlockSize(), 4u);
  }
  for (std::uint32_t value : {16u, 12u, 8u, 4u, 0x100010u}) {
    EXPECT_EQ(cipher->SetBlockSize(value), 1) << value;
    EXPECT_EQ(cipher->BlockSize(), value & 0xFFFF);
  }
}

TEST_P(OwnCipherTest, OnlyTheUsedKeyBytesCountAndShortKeysArePaddedWithZeros) {
  std::mt19937 rng(29);
  const std::size_t used = GetParam().key_bytes_used;
  const Bytes key = RandomBytes(rng, used + 9), plain = RandomBytes(rng, 64);
  auto encrypt_with = [&](const std::uint8_t* k, std::size_t length) {
    const auto cipher = GetParam().make();
    EXPECT_EQ(cipher->SetBlockSize(16), 1);
    EXPECT_EQ(cipher->SetKey(k, length), 1);
    return Transform(*cipher, true, plain);
  };
  EXPECT_EQ(encrypt_with(key.data(), used + 9), encrypt_with(key.data(), used));
  const Bytes zeros(used, 0);
  EXPECT_EQ(encrypt_with(nullptr, 0), encrypt_with(zeros.data(), zeros.size()));
  Bytes padded(key.begin(), key.begin() + 5);
  padded.resize(used, 0);
  EXPECT_EQ(encrypt_with(key.data(), 5), encrypt_with(padded.data(), padded.size()));
  EXPECT_NE(encrypt_with(key.data(), 5), encrypt_with(key.data(), 6));
}

TEST_P(OwnCipherTest, EqualBlocksEncryptAlike) {
  const auto cipher = GetParam().make();
  ASSERT_EQ(cipher->SetBlockSize(8), 1);
  const Bytes key = {1, 2, 3, 4, 5};
  ASSERT_EQ(cipher->SetKey(key.data(), key.size()), 1);
  const Bytes plain = {9, 8, 7, 6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  const Bytes out = Transform(*cipher, true, plain);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 8), Bytes(out.begin() + 8, out.end()));
}

TEST(OwnCipherPositionTest, EqualWordsInDifferentPositionsEncryptDifferently) {
  for (const OwnCipherKind& kind : {kOwnCiphers[0], kOwnCiphers[1]}) {
    const auto cipher = kind.make();
    ASSERT_EQ(cipher->SetBlockSize(16), 1);
    const Bytes key = {0x10, 0x20, 0x30};
    ASSERT_EQ(cipher->SetKey(key.data(), key.size()), 1);
    const Bytes plain(16, 0x5A);
    const Bytes out = Transform(*cipher, true, plain);
    for (int i = 0; i < 4; ++i) {
      for (int j = i + 1; j < 4; ++j) {
        EXPECT_NE(Bytes(out.begin() + 4 * i, out.begin() + 4 * i + 4),
                  Bytes(out.begin() + 4 * j, out.begin() + 4 * j + 4))
            << kind.name << " words " << i << " and " << j;
      }
    }
  }
}

TEST(SubstCipherTest, RoundsComeFromTheUpperBits) {
  CSubstCipher cipher;
  EXPECT_EQ(cipher.Rounds(), 8u);
  const struct {
    std::uint32_t value;
    int result;
    std::size_t block;
    std::uint32_t rounds;
  } steps[] = {
      {0x100010, 1, 16, 16}, {0x210010, 0, 16, 16}, {0x40010, 1, 16, 8}, {0x200008, 1, 8, 32},
      {0x1FFFFF, 0, 8, 32},  {0x2100004, 0, 8, 32}, {16, 1, 16, 8},      {0x90004, 1, 4, 9},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(cipher.SetBlockSize(s.value), s.result) << std::hex << s.value;
    EXPECT_EQ(cipher.BlockSize(), s.block) << std::hex << s.value;
    EXPECT_EQ(cipher.Rounds(), s.rounds) << std::hex << s.value;
  }
}

TEST(SubstCipherTest, MoreRoundsChangeTheOutput) {
  const Bytes key = {7, 7, 7}, plain(16, 1);
  CSubstCipher eight, sixteen;
  ASSERT_EQ(eight.SetBlockSize(16), 1);
  ASSERT_EQ(sixteen.SetBlockSize(0x100010), 1);
  eight.SetKey(key.data(), key.size());
  sixteen.SetKey(key.data(), key.size());
  EXPECT_NE(Transform(eight, true, plain), Transform(sixteen, true, plain));
}

// Fixed answers: archives written with these ciphers stay readable only as
// long as they hold.
TEST(OwnCipherKnownAnswerTest, FixedKeyAndBlock) {
  for (const VectorRecord& v :
       ReadVectorFile("own_ciphers.vec", {"Key", "BlockSize", "In", "Out"})) {
    SCOPED_TRACE(v.Where());
    std::unique_ptr<IBlockCipher> cipher;
    for (const OwnCipherKind& kind : kOwnCiphers) {
      if (v.section == kind.name) cipher = kind.make();
    }
    ASSERT_NE(cipher, nullptr) << "unknown section";
    ASSERT_EQ(cipher->SetBlockSize(
                  static_cast<std::uint32_t>(std::stoul(v.Get("BlockSize"), nullptr, 0))),
              1);
    const Bytes key = v.Hex("Key"), in = v.Hex("In");
    ASSERT_EQ(cipher->SetKey(key.data(), key.size()), 1);
    const Bytes out = Transform(*cipher, true, in);
    EXPECT_EQ(ToHex(out), v.Get("Out"));
    EXPECT_EQ(ToHex(Transform(*cipher, false, out)), ToHex(in));
  }
}

}  // namespace
}  // namespace tarrowin::testing
