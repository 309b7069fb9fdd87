// Published test vectors (data/*.vec), one table-driven test per family.
// Each vector is also checked in reverse, in place, and fed through a mode
// in odd-sized pieces.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/md5.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "tests/crypto/crypto_test_support.h"
#include "tests/crypto/vector_file.h"

namespace tarrowin::testing {
namespace {

std::unique_ptr<IHash> HashFor(const std::string& section) {
  if (section == "MD5") return std::make_unique<CMD5>();
  if (section == "SHA-1") return std::make_unique<CSHA1>();
  if (section == "SHA-256") return std::make_unique<CSHA256>();
  return nullptr;
}

TEST(PublishedVectorsTest, Hashes) {
  for (const VectorRecord& v : ReadVectorFile("hash.vec", {"Ascii", "In", "Repeat", "Out"})) {
    SCOPED_TRACE(v.Where());
    const auto hash = HashFor(v.section);
    ASSERT_NE(hash, nullptr) << "unknown section";
    Bytes once;
    if (v.Has("Ascii")) {
      const std::string text = v.Get("Ascii");
      once.assign(text.begin(), text.end());
    } else {
      once = v.Hex("In");
    }
    const int repeat = v.Has("Repeat") ? std::stoi(v.Get("Repeat")) : 1;
    Bytes message;
    for (int n = 0; n < repeat; ++n) message.insert(message.end(), once.begin(), once.end());
    const std::string expected = v.Get("Out");

    EXPECT_EQ(ToHex(DigestInPieces(*hash, message, {message.size() + 1})), expected);
    EXPECT_EQ(ToHex(DigestInPieces(*hash, message, OddPieces())), expected);
    std::vector<std::uint8_t> out(v.Hex("Out"));
    EXPECT_TRUE(hash->Equals(out.data()));
  }
}

struct BlockCipherCase {
  std::unique_ptr<IBlockCipher> cipher;
  std::size_t key_length = 0;  // 0: any
};

BlockCipherCase BlockCipherFor(const std::string& section) {
  auto rijndael = [](std::uint32_t block, std::size_t key) {
    auto c = std::make_unique<CRijndael>();
    if (block != 16) {
      EXPECT_EQ(c->SetBlockSize(block), 1);
    }
    return BlockCipherCase{std::move(c), key};
  };
  if (section == "AES-128") return rijndael(16, 16);
  if (section == "AES-192") return rijndael(16, 24);
  if (section == "AES-256") return rijndael(16, 32);
  if (section == "Rijndael-192") return rijndael(24, 0);
  if (section == "Rijndael-256") return rijndael(32, 0);
  if (section == "Camellia-128") return {std::make_unique<CCamellia>(), 16};
  if (section == "Camellia-192") return {std::make_unique<CCamellia>(), 24};
  if (section == "Camellia-256") return {std::make_unique<CCamellia>(), 32};
  if (section == "RC6") return {std::make_unique<CRC6>(), 0};
  return {};
}

class BlockCipherVectorsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BlockCipherVectorsTest, EncryptAndDecryptAsPublished) {
  for (const VectorRecord& v : ReadVectorFile(GetParam(), {"Key", "In", "Out"})) {
    SCOPED_TRACE(v.Where());
    BlockCipherCase c = BlockCipherFor(v.section);
    ASSERT_NE(c.cipher, nullptr) << "unknown section";
    IBlockCipher& cipher = *c.cipher;
    const Bytes key = v.Hex("Key"), in = v.Hex("In"), expected = v.Hex("Out");
    if (c.key_length != 0) {
      ASSERT_EQ(key.size(), c.key_length);
    }
    ASSERT_EQ(cipher.SetKey(key.data(), key.size()), 1);
    const std::size_t block = cipher.BlockSize();
    ASSERT_EQ(in.size(), block);

    Bytes out(block);
    ASSERT_EQ(cipher.EncryptBlocks(out.data(), in.data(), 1), 1);
    EXPECT_EQ(ToHex(out), ToHex(expected));
    ASSERT_EQ(cipher.DecryptBlocks(out.data(), expected.data(), 1), 1);
    EXPECT_EQ(ToHex(out), ToHex(in));

    // In place, at an odd address.
    Bytes buffer(block + 1);
    std::copy(in.begin(), in.end(), buffer.begin() + 1);
    ASSERT_EQ(cipher.EncryptBlocks(buffer.data() + 1, buffer.data() + 1, 1), 1);
    EXPECT_EQ(ToHex(Bytes(buffer.begin() + 1, buffer.end())), ToHex(expected));
    ASSERT_EQ(cipher.DecryptBlocks(buffer.data() + 1, buffer.data() + 1, 1), 1);
    EXPECT_EQ(ToHex(Bytes(buffer.begin() + 1, buffer.end())), ToHex(in));

    // Three copies through ECB in odd-sized pieces.
    Bytes three, three_expected;
    for (int n = 0; n < 3; ++n) {
      three.insert(three.end(), in.begin(), in.end());
      three_expected.insert(three_expected.end(), expected.begin(), expected.end());
    }
    CModeECB ecb(cipher);
    EXPECT_EQ(ToHex(RunMode(ecb, Direction::kEncrypt, three, OddPieces(), block)),
              ToHex(three_expected));
    EXPECT_EQ(ToHex(RunMode(ecb, Direction::kDecrypt, three_expected, OddPieces(), block)),
              ToHex(three));
  }
}

INSTANTIATE_TEST_SUITE_P(Families, BlockCipherVectorsTest,
                         ::testing::Values("aes.vec", "camellia.vec", "rc6.vec"));

TEST(PublishedVectorsTest, RC4KeyStreams) {
  for (const VectorRecord& v : ReadVectorFile("rc4.vec", {"Key", "Offset", "Out"})) {
    SCOPED_TRACE(v.Where());
    ASSERT_EQ(v.section, "RC4") << "unknown section";
    const Bytes key = v.Hex("Key"), expected = v.Hex("Out");
    const std::size_t offset = std::stoul(v.Get("Offset"));
    const Bytes zeros(offset + expected.size(), 0);

    CRC4 rc4;
    ASSERT_EQ(rc4.SetKey(key.data(), key.size()), 1);
    CModeECB ecb(rc4);
    const Bytes encrypted = RunMode(ecb, Direction::kEncrypt, zeros, OddPieces(), 1);
    ASSERT_EQ(encrypted.size(), zeros.size());
    EXPECT_EQ(ToHex(Bytes(encrypted.begin() + offset, encrypted.end())), ToHex(expected));
    // The decryption stream starts at the keyed state as well.
    EXPECT_EQ(ToHex(RunMode(ecb, Direction::kDecrypt, encrypted, OddPieces(), 1)), ToHex(zeros));
  }
}

std::unique_ptr<ICipherMode> ModeFor(const std::string& name, IBlockCipher& cipher) {
  if (name == "ECB") return std::make_unique<CModeECB>(cipher);
  if (name == "CBC") return std::make_unique<CModeCBC>(cipher);
  if (name == "CFB") return std::make_unique<CModeCFB>(cipher);
  if (name == "OFB") return std::make_unique<CModeOFB>(cipher);
  return nullptr;
}

TEST(PublishedVectorsTest, ChainingModes) {
  for (const VectorRecord& v : ReadVectorFile("modes.vec", {"Key", "IV", "In", "Out"})) {
    SCOPED_TRACE(v.Where());
    const auto slash = v.section.find('/');
    ASSERT_NE(slash, std::string::npos) << "unknown section";
    BlockCipherCase c = BlockCipherFor(v.section.substr(0, slash));
    ASSERT_NE(c.cipher, nullptr) << "unknown section";
    const Bytes key = v.Hex("Key"), in = v.Hex("In"), expected = v.Hex("Out");
    ASSERT_EQ(c.cipher->SetKey(key.data(), key.size()), 1);
    const auto mode = ModeFor(v.section.substr(slash + 1), *c.cipher);
    ASSERT_NE(mode, nullptr) << "unknown section";
    const Bytes iv = v.Has("IV") ? v.Hex("IV") : Bytes(16, 0);
    const std::size_t block = c.cipher->BlockSize();

    for (const auto& pieces : {std::vector<std::size_t>{in.size()}, OddPieces()}) {
      ASSERT_EQ(mode->SetIV(iv.data(), iv.data()), 1);
      EXPECT_EQ(ToHex(RunMode(*mode, Direction::kEncrypt, in, pieces, block)), ToHex(expected));
      EXPECT_EQ(ToHex(RunMode(*mode, Direction::kDecrypt, expected, pieces, block)), ToHex(in));
    }
  }
}

}  // namespace
}  // namespace tarrowin::testing
