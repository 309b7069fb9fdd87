// Chaining modes: pending bytes and zero padding, round trips fed in random
// pieces over every cipher, the per-block definitions, and SetIV.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/rotate_cipher.h"
#include "crypto/subst_cipher.h"
#include "crypto/word_cipher.h"
#include "tests/crypto/crypto_test_support.h"

namespace tarrowin::testing {
namespace {

std::unique_ptr<IBlockCipher> KeyedAes() {
  auto aes = std::make_unique<CRijndael>();
  const Bytes key(16, 0x2B);
  EXPECT_EQ(aes->SetKey(key.data(), key.size()), 1);
  return aes;
}

Bytes EncryptBlock(IBlockCipher& cipher, const Bytes& block) {
  Bytes out(block.size());
  EXPECT_EQ(cipher.EncryptBlocks(out.data(), block.data(), 1), 1);
  return out;
}

Bytes Xor(const Bytes& a, const Bytes& b) {
  Bytes out(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) out[i] = a[i] ^ b[i];
  return out;
}

TEST(ModeECBTest, KeepsAnIncompleteBlockUntilItIsCompleteOrFinished) {
  const auto aes = KeyedAes();
  CModeECB ecb(*aes);
  Bytes in(20);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i + 1);
  Bytes out(64, 0xEE);
  std::size_t written = 99;
  ASSERT_EQ(ecb.Encrypt(out.data(), written, in.data(), 10), 1);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(out[0], 0xEE);
  ASSERT_EQ(ecb.Encrypt(out.data(), written, in.data() + 10, 10), 1);
  ASSERT_EQ(written, 16u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 16),
            EncryptBlock(*aes, Bytes(in.begin(), in.begin() + 16)));
  ASSERT_EQ(ecb.FinishEncrypt(out.data(), written), 1);
  ASSERT_EQ(written, 16u);
  Bytes last(16, 0);
  std::copy(in.begin() + 16, in.end(), last.begin());  // 4 bytes, then 12 zeros
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 16), EncryptBlock(*aes, last));
  // Nothing is pending any more.
  ASSERT_EQ(ecb.FinishEncrypt(out.data(), written), 1);
  EXPECT_EQ(written, 0u);
}

TEST(ModeECBTest, ExactlyTheMissingBytesCompleteThePendingBlock) {
  const auto aes = KeyedAes();
  CModeECB ecb(*aes);
  const Bytes in(16, 0x77);
  Bytes out(32);
  std::size_t written = 0;
  ASSERT_EQ(ecb.Encrypt(out.data(), written, in.data(), 5), 1);
  EXPECT_EQ(written, 0u);
  ASSERT_EQ(ecb.Encrypt(out.data(), written, in.data() + 5, 11), 1);
  EXPECT_EQ(written, 16u);
  ASSERT_EQ(ecb.FinishEncrypt(out.data() + 16, written), 1);
  EXPECT_EQ(written, 0u);
}

TEST(ModeECBTest, OneByteBlocksOfRC4NeverWait) {
  CRC4 rc4;
  const Bytes key = {1, 2, 3};
  ASSERT_EQ(rc4.SetKey(key.data(), key.size()), 1);
  CModeECB ecb(rc4);
  const Bytes in(7, 0);
  Bytes out(7);
  std::size_t written = 0;
  ASSERT_EQ(ecb.Encrypt(out.data(), written, in.data(), 7), 1);
  EXPECT_EQ(written, 7u);
  ASSERT_EQ(ecb.FinishEncrypt(out.data(), written), 1);
  EXPECT_EQ(written, 0u);
}

TEST(ModeTest, PendingBytesOfTheTwoDirectionsNeverMix) {
  const auto aes = KeyedAes();
  CModeCBC cbc(*aes);
  std::mt19937 rng(1);
  const Bytes plain = RandomBytes(rng, 48);
  const Bytes cipher_text = RunMode(cbc, Direction::kEncrypt, plain, {48}, 16);
  ASSERT_EQ(cbc.SetIV(Bytes(16, 0).data(), Bytes(16, 0).data()), 1);
  Bytes out(64);
  std::size_t written = 0;
  Bytes encrypted, decrypted;
  for (std::size_t at = 0; at < 48; at += 6) {
    ASSERT_EQ(cbc.Encrypt(out.data(), written, plain.data() + at, 6), 1);
    encrypted.insert(encrypted.end(), out.begin(), out.begin() + written);
    ASSERT_EQ(cbc.Decrypt(out.data(), written, cipher_text.data() + at, 6), 1);
    decrypted.insert(decrypted.end(), out.begin(), out.begin() + written);
  }
  EXPECT_EQ(encrypted, cipher_text);
  EXPECT_EQ(decrypted, plain);
}

TEST(ModeTest, PerBlockTransformsFollowTheirDefinitions) {
  const auto aes = KeyedAes();
  std::mt19937 rng(2);
  const Bytes iv = RandomBytes(rng, 16), p1 = RandomBytes(rng, 16), p2 = RandomBytes(rng, 16);
  Bytes plain = p1;
  plain.insert(plain.end(), p2.begin(), p2.end());
  auto encrypt = [&](ICipherMode& mode) {
    mode.SetIV(iv.data(), iv.data());
    return RunMode(mode, Direction::kEncrypt, plain, {32}, 16);
  };
  auto join = [](const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
  };
  CModeCBC cbc(*aes);
  const Bytes c1 = EncryptBlock(*aes, Xor(iv, p1));
  EXPECT_EQ(encrypt(cbc), join(c1, EncryptBlock(*aes, Xor(c1, p2))));
  CModeCFB cfb(*aes);
  const Bytes f1 = Xor(EncryptBlock(*aes, iv), p1);
  EXPECT_EQ(encrypt(cfb), join(f1, Xor(EncryptBlock(*aes, f1), p2)));
  CModeOFB ofb(*aes);
  const Bytes k1 = EncryptBlock(*aes, iv), k2 = EncryptBlock(*aes, k1);
  EXPECT_EQ(encrypt(ofb), join(Xor(p1, k1), Xor(p2, k2)));
  CModeECB ecb(*aes);  // the initial value changes nothing
  EXPECT_EQ(encrypt(ecb), join(EncryptBlock(*aes, p1), EncryptBlock(*aes, p2)));
}

TEST(ModeTest, OFBDecryptsAsItEncrypts) {
  const auto aes = KeyedAes();
  CModeOFB ofb(*aes);
  std::mt19937 rng(4);
  const Bytes iv = RandomBytes(rng, 16), data = RandomBytes(rng, 100);
  ofb.SetIV(iv.data(), iv.data());
  EXPECT_EQ(RunMode(ofb, Direction::kEncrypt, data, OddPieces(), 16),
            RunMode(ofb, Direction::kDecrypt, data, OddPieces(), 16));
}

TEST(ModeTest, ChainRegistersStartAsZerosAndSetIVRestarts) {
  const auto aes = KeyedAes();
  CModeCBC fresh(*aes), used(*aes);
  std::mt19937 rng(6);
  const Bytes plain = RandomBytes(rng, 40);
  const Bytes first = RunMode(fresh, Direction::kEncrypt, plain, {40}, 16);
  // With a zero register the first block is plain ECB.
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 16),
            EncryptBlock(*aes, Bytes(plain.begin(), plain.begin() + 16)));
  std::size_t written = 0;
  Bytes out(32);
  ASSERT_EQ(used.Encrypt(out.data(), written, plain.data(), 21), 1);  // 5 bytes pending
  const Bytes zeros(16, 0);
  ASSERT_EQ(used.SetIV(zeros.data(), nullptr), 1);
  EXPECT_EQ(RunMode(used, Direction::kEncrypt, plain, {40}, 16), first);
  // A null initial value leaves that register as it was.
  ASSERT_EQ(used.SetIV(nullptr, nullptr), 1);
  EXPECT_NE(RunMode(used, Direction::kEncrypt, plain, {40}, 16), first);
}

TEST(ModeTest, ACipherRefusalIsPassedOn) {
  CRijndael unkeyed;
  CModeCBC cbc(unkeyed);
  CModeECB ecb(unkeyed);
  const Bytes in(32, 1);
  Bytes out(48);
  std::size_t written = 0;
  EXPECT_EQ(cbc.Encrypt(out.data(), written, in.data(), in.size()), 0);
  EXPECT_EQ(ecb.Decrypt(out.data(), written, in.data(), in.size()), 0);
  EXPECT_EQ(ecb.Encrypt(out.data(), written, in.data(), 3), 1);  // nothing to transform yet
  EXPECT_EQ(ecb.FinishEncrypt(out.data(), written), 0);
}

TEST(ModeTest, ACipherWhoseBlockSizeChangedIsRefused) {
  CWordCipher cipher;
  const Bytes key(16, 3);
  ASSERT_EQ(cipher.SetKey(key.data(), key.size()), 1);
  CModeECB ecb(cipher);
  CModeOFB ofb(cipher);
  ASSERT_EQ(cipher.SetBlockSize(16), 1);  // the modes were made for 4-byte blocks
  const Bytes in(32, 1);
  Bytes out(64);
  std::size_t written = 0;
  EXPECT_EQ(ecb.Encrypt(out.data(), written, in.data(), in.size()), 0);
  EXPECT_EQ(ofb.Decrypt(out.data(), written, in.data(), in.size()), 0);
}

// Every cipher under every mode, fed in random pieces, with the same key and
// initial value on both sides.
struct CipherSetup {
  std::string name;
  std::function<std::unique_ptr<IBlockCipher>()> make;
  std::uint32_t block_size_value;  // 0: leave the default
  std::size_t key_length;
};

std::vector<CipherSetup> AllCipherSetups() {
  std::vector<CipherSetup> setups = {
      {"RC4", [] { return std::make_unique<CRC4>(); }, 0, 16},
      {"RC6", [] { return std::make_unique<CRC6>(); }, 0, 16},
      {"Camellia128", [] { return std::make_unique<CCamellia>(); }, 0, 16},
      {"Camellia256", [] { return std::make_unique<CCamellia>(); }, 0, 32},
      {"AES128", [] { return std::make_unique<CRijndael>(); }, 0, 16},
      {"Rijndael24", [] { return std::make_unique<CRijndael>(); }, 24, 24},
      {"Rijndael32", [] { return std::make_unique<CRijndael>(); }, 32, 32},
  };
  for (std::uint32_t block : {4u, 8u, 12u, 16u}) {
    const std::string size = std::to_string(block);
    setups.push_back({"Word" + size, [] { return std::make_unique<CWordCipher>(); }, block, 16});
    setups.push_back(
        {"Rotate" + size, [] { return std::make_unique<CRotateCipher>(); }, block, 16});
    setups.push_back({"Subst" + size, [] { return std::make_unique<CSubstCipher>(); }, block, 32});
  }
  return setups;
}

using ModeMaker = std::function<std::unique_ptr<ICipherMode>(IBlockCipher&)>;

const std::pair<const char*, ModeMaker> kModes[] = {
    {"ECB", [](IBlockCipher& c) { return std::make_unique<CModeECB>(c); }},
    {"CBC", [](IBlockCipher& c) { return std::make_unique<CModeCBC>(c); }},
    {"CFB", [](IBlockCipher& c) { return std::make_unique<CModeCFB>(c); }},
    {"OFB", [](IBlockCipher& c) { return std::make_unique<CModeOFB>(c); }},
};

class ModeRoundTripTest
    : public ::testing::TestWithParam<std::tuple<CipherSetup, std::pair<const char*, ModeMaker>>> {
};

INSTANTIATE_TEST_SUITE_P(All, ModeRoundTripTest,
                         ::testing::Combine(::testing::ValuesIn(AllCipherSetups()),
                                            ::testing::ValuesIn(kModes)),
                         [](const auto& info) {
                           return std::get<0>(info.param).name + "_" +
                                  std::get<1>(info.param).first;
                         });

// A keyed cipher of the setup (a separate object per side: RC4 keeps its
// stream position inside the cipher).
std::unique_ptr<IBlockCipher> Keyed(const CipherSetup& setup, const Bytes& key) {
  auto cipher = setup.make();
  if (setup.block_size_value != 0) {
    EXPECT_EQ(cipher->SetBlockSize(setup.block_size_value), 1);
  }
  EXPECT_EQ(cipher->SetKey(key.data(), key.size()), 1);
  return cipher;
}

TEST_P(ModeRoundTripTest, DecryptsWhatItEncryptsWhateverThePieces) {
  const auto& [setup, mode] = GetParam();
  std::mt19937 rng(17);
  const Bytes key = RandomBytes(rng, setup.key_length);
  for (std::size_t length : {0u, 1u, 15u, 16u, 17u, 100u, 1000u}) {
    const Bytes plain = RandomBytes(rng, length);
    const auto encrypt_cipher = Keyed(setup, key), decrypt_cipher = Keyed(setup, key);
    const std::size_t block = encrypt_cipher->BlockSize();
    const Bytes iv = RandomBytes(rng, block);
    const auto encryptor = mode.second(*encrypt_cipher), decryptor = mode.second(*decrypt_cipher);
    encryptor->SetIV(iv.data(), iv.data());
    decryptor->SetIV(iv.data(), iv.data());
    const Bytes cipher_text =
        RunMode(*encryptor, Direction::kEncrypt, plain, RandomPieces(rng, length, 40), block);
    // Zero padding up to whole blocks.
    ASSERT_EQ(cipher_text.size(), (length + block - 1) / block * block);
    const Bytes decrypted =
        RunMode(*decryptor, Direction::kDecrypt, cipher_text, RandomPieces(rng, length, 40), block);
    ASSERT_EQ(decrypted.size(), cipher_text.size());
    EXPECT_EQ(Bytes(decrypted.begin(), decrypted.begin() + length), plain) << length;
    EXPECT_TRUE(std::all_of(decrypted.begin() + length, decrypted.end(),
                            [](std::uint8_t b) { return b == 0; }));
    // The pieces never change the bytes.
    const auto again_cipher = Keyed(setup, key);
    const auto again = mode.second(*again_cipher);
    again->SetIV(iv.data(), iv.data());
    EXPECT_EQ(RunMode(*again, Direction::kEncrypt, plain, {length + 1}, block), cipher_text);
  }
}

}  // namespace
}  // namespace tarrowin::testing
