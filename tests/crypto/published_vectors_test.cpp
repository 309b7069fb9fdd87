// Published test vectors (data/*.vec), one table-driven test per family.
// Each message is also fed in odd-sized pieces.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "crypto/md5.h"
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

}  // namespace
}  // namespace tarrowin::testing
