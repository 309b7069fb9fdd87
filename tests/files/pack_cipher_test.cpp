// Tables D and E of the pack format: which cipher and which mode a record's
// flags select.
#include "files/pack_cipher.h"

#include <gtest/gtest.h>

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rc6.h"
#include "crypto/rijndael.h"
#include "crypto/rotate_cipher.h"
#include "crypto/subst_cipher.h"
#include "crypto/word_cipher.h"

namespace tarrowin {
namespace {

template <typename T>
bool Is(const auto& p) {
  return dynamic_cast<const T*>(p.get()) != nullptr;
}

TEST(PackCipherCodesTest, CipherCodesSelectTheirCiphers) {
  // The other flag bits do not matter.
  const std::uint32_t noise = 0x03F0FFFF;
  EXPECT_TRUE(Is<CWordCipher>(CreatePackCipher(0x00010000 | noise)));
  EXPECT_TRUE(Is<CRotateCipher>(CreatePackCipher(0x00020000 | noise)));
  EXPECT_TRUE(Is<CSubstCipher>(CreatePackCipher(0x00030000 | noise)));
  EXPECT_TRUE(Is<CRC4>(CreatePackCipher(0x00050000 | noise)));
  EXPECT_TRUE(Is<CRC6>(CreatePackCipher(0x00060000 | noise)));
  EXPECT_TRUE(Is<CCamellia>(CreatePackCipher(0x00080000 | noise)));
  EXPECT_TRUE(Is<CRijndael>(CreatePackCipher(0x000A0000 | noise)));
  for (std::uint32_t code : {0u, 4u, 7u, 9u, 11u, 12u, 13u, 14u, 15u}) {
    EXPECT_EQ(CreatePackCipher(code << 16 | noise), nullptr) << code;
  }
}

TEST(PackCipherCodesTest, ModeCodesSelectTheirModes) {
  CRijndael cipher;
  const std::uint32_t noise = 0x000FFFFF;
  EXPECT_TRUE(Is<CModeECB>(CreatePackMode(0x00100000 | noise, cipher)));
  EXPECT_TRUE(Is<CModeCBC>(CreatePackMode(0x00200000 | noise, cipher)));
  EXPECT_TRUE(Is<CModeCFB>(CreatePackMode(0x00300000 | noise, cipher)));
  EXPECT_TRUE(Is<CModeOFB>(CreatePackMode(0x00400000 | noise, cipher)));
  EXPECT_TRUE(Is<CModeCBC>(CreatePackMode(0x01000000 | noise, cipher)));
  EXPECT_TRUE(Is<CModeOFB>(CreatePackMode(0x02000000 | noise, cipher)));
  for (std::uint32_t mode :
       {0u, 0x00500000u, 0x00F00000u, 0x01100000u, 0x01200000u, 0x03000000u, 0x02400000u}) {
    EXPECT_EQ(CreatePackMode(mode | noise, cipher), nullptr) << std::hex << mode;
  }
}

TEST(PackCipherCodesTest, OnlyThePasswordModesTakeThePassword) {
  EXPECT_TRUE(PackModeUsesPassword(0x01000000));
  EXPECT_TRUE(PackModeUsesPassword(0x02000000 | 0x000A0000));
  for (std::uint32_t mode : {0u, 0x00100000u, 0x00200000u, 0x00300000u, 0x00400000u, 0x03000000u}) {
    EXPECT_FALSE(PackModeUsesPassword(mode)) << std::hex << mode;
  }
}

TEST(PackCipherCodesTest, TheResetFlagsMeanRotateCipherInCBC) {
  const std::uint32_t flags = 0x00220750;
  const auto cipher = CreatePackCipher(flags);
  EXPECT_TRUE(Is<CRotateCipher>(cipher));
  ASSERT_NE(cipher, nullptr);
  EXPECT_TRUE(Is<CModeCBC>(CreatePackMode(flags, *cipher)));
}

}  // namespace
}  // namespace tarrowin
