// Cross-checks with the openssl command (native builds only): random keys,
// initial values and messages must give OpenSSL's bytes and digests.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "crypto/camellia.h"
#include "crypto/chained_mode.h"
#include "crypto/md5.h"
#include "crypto/mode_ecb.h"
#include "crypto/rc4.h"
#include "crypto/rijndael.h"
#include "crypto/sha1.h"
#include "crypto/sha256.h"
#include "tests/crypto/crypto_test_support.h"
#include "tests/crypto/vector_file.h"

namespace tarrowin::testing {
namespace {

namespace fs = std::filesystem;

class OpenSSLCrossCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tarrowin-openssl.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    ASSERT_EQ(std::system("openssl version > /dev/null 2>&1"), 0)
        << "the openssl command is missing";
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string Write(const std::string& name, const Bytes& data) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return path.string();
  }

  Bytes Read(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  // Runs `command` (its output into the file "out") and returns that file.
  Bytes RunToFile(const std::string& command) {
    const std::string out = (dir_ / "out").string();
    fs::remove(out);
    const std::string line = command + " > " + out + " 2> " + (dir_ / "err").string();
    EXPECT_EQ(std::system(line.c_str()), 0) << line;
    return Read("out");
  }

  fs::path dir_;
  std::mt19937 rng_{20240521};
};

std::unique_ptr<ICipherMode> Mode(const std::string& name, IBlockCipher& cipher) {
  if (name == "ecb") return std::make_unique<CModeECB>(cipher);
  if (name == "cbc") return std::make_unique<CModeCBC>(cipher);
  if (name == "cfb") return std::make_unique<CModeCFB>(cipher);
  return std::make_unique<CModeOFB>(cipher);
}

TEST_F(OpenSSLCrossCheckTest, BlockCiphersInEveryModeGiveOpenSSLsBytes) {
  const struct {
    const char* name;
    std::size_t key_length;
    bool camellia;
  } ciphers[] = {{"aes-128", 16, false}, {"aes-256", 32, false}, {"camellia-128", 16, true}};
  for (const auto& c : ciphers) {
    for (const std::string mode : {"ecb", "cbc", "cfb", "ofb"}) {
      for (int trial = 0; trial < 2; ++trial) {
        const Bytes key = RandomBytes(rng_, c.key_length), iv = RandomBytes(rng_, 16);
        const Bytes plain = RandomBytes(rng_, 16 * (1 + rng_() % 64));
        const std::string in = Write("in", plain);
        std::string command = "openssl enc -" + std::string(c.name) + "-" + mode + " -nopad -K " +
                              ToHex(key) + " -in " + in;
        if (mode != "ecb") command += " -iv " + ToHex(iv);
        const Bytes expected = RunToFile(command);

        std::unique_ptr<IBlockCipher> cipher;
        if (c.camellia) {
          cipher = std::make_unique<CCamellia>();
        } else {
          cipher = std::make_unique<CRijndael>();
        }
        ASSERT_EQ(cipher->SetKey(key.data(), key.size()), 1);
        const auto m = Mode(mode, *cipher);
        m->SetIV(iv.data(), iv.data());
        EXPECT_EQ(ToHex(RunMode(*m, Direction::kEncrypt, plain, OddPieces(), 16)), ToHex(expected))
            << command;
        EXPECT_EQ(ToHex(RunMode(*m, Direction::kDecrypt, expected, OddPieces(), 16)), ToHex(plain))
            << command;
      }
    }
  }
}

TEST_F(OpenSSLCrossCheckTest, RC4GivesOpenSSLsBytes) {
  for (std::size_t length : {1u, 255u, 256u, 3001u}) {
    const Bytes key = RandomBytes(rng_, 16), plain = RandomBytes(rng_, length);
    const std::string in = Write("in", plain);
    const Bytes expected = RunToFile("openssl enc -provider legacy -provider default -rc4 -K " +
                                     ToHex(key) + " -in " + in);
    CRC4 rc4;
    ASSERT_EQ(rc4.SetKey(key.data(), key.size()), 1);
    CModeECB ecb(rc4);
    EXPECT_EQ(ToHex(RunMode(ecb, Direction::kEncrypt, plain, OddPieces(), 1)), ToHex(expected));
  }
}

TEST_F(OpenSSLCrossCheckTest, DigestsOfRandomFilesEqualOpenSSLDgst) {
  const std::size_t sizes[] = {0, 1, 55, 56, 63, 64, 65, 1000, 65537, (1u << 20) + 17};
  std::vector<Bytes> files;
  std::string names;
  for (std::size_t n = 0; n < std::size(sizes); ++n) {
    files.push_back(RandomBytes(rng_, sizes[n]));
    names += " " + Write("file" + std::to_string(n), files.back());
  }
  const struct {
    const char* option;
    std::function<std::unique_ptr<IHash>()> make;
  } digests[] = {{"-md5", [] { return std::make_unique<CMD5>(); }},
                 {"-sha1", [] { return std::make_unique<CSHA1>(); }},
                 {"-sha256", [] { return std::make_unique<CSHA256>(); }}};
  for (const auto& d : digests) {
    // One line per file: "<hex digest> *<path>".
    const Bytes listing = RunToFile(std::string("openssl dgst -r ") + d.option + names);
    std::istringstream lines(std::string(listing.begin(), listing.end()));
    const auto hash = d.make();
    for (const Bytes& file : files) {
      std::string expected, path;
      ASSERT_TRUE(lines >> expected >> path) << d.option;
      EXPECT_EQ(ToHex(DigestInPieces(*hash, file, OddPieces())), expected)
          << d.option << " of " << file.size() << " bytes";
    }
  }
}

}  // namespace
}  // namespace tarrowin::testing
