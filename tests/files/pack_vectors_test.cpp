// Known answers for the pack reader from outside its code (data/
// pack_vectors.vec, written by data/make_pack_vectors.py with hashlib, the
// openssl command and plain coders of its own): key and initial value from
// a record's key bytes and from a password, the password check value,
// records decrypted by the set-up they name, and compressed streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "files/pack_archive.h"
#include "files/pack_cipher.h"
#include "tests/crypto/vector_file.h"
#include "tests/files/pack_stage_test_support.h"
#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

using testing::Bytes;
using testing::FromHex;
using testing::VectorRecord;

template <std::size_t N>
Bytes ToVector(const std::array<std::uint8_t, N>& bytes) {
  return Bytes(bytes.begin(), bytes.end());
}

template <std::size_t N>
std::array<std::uint8_t, N> ToArray(const Bytes& bytes) {
  std::array<std::uint8_t, N> out{};
  EXPECT_EQ(bytes.size(), N);
  std::copy_n(bytes.begin(), std::min(N, bytes.size()), out.begin());
  return out;
}

PackFlags FlagsOf(const VectorRecord& v) {
  return static_cast<PackFlags>(std::stoul(v.Get("Flags"), nullptr, 16));
}

// The stored bytes through the cipher set-up the flags name, in one piece.
Bytes Decrypted(const VectorRecord& v) {
  const PackPassword password = v.Has("Password") ? ToArray<32>(v.Hex("Password")) : PackPassword{};
  auto cipher = CPackCipher::Create(FlagsOf(v), ToArray<8>(v.Hex("KeyField")), password);
  if (!cipher) return {};
  const Bytes stored = v.Hex("Stored");
  Bytes out(stored.size() + 32);
  std::size_t length = 0;
  std::size_t rest = 0;
  EXPECT_TRUE(cipher->mode().Decrypt(out.data(), length, stored.data(), stored.size()));
  EXPECT_TRUE(cipher->mode().FinishDecrypt(out.data() + length, rest));
  out.resize(length + rest);
  return out;
}

// An archive of one entry "v" holding the stored bytes under the flags and
// key bytes, decoded as the program decodes entries.
Bytes ThroughAnArchive(const VectorRecord& v, std::uint64_t size) {
  const Bytes stored = v.Hex("Stored");
  using testing_files::HandMadeHeader;
  Bytes archive = HandMadeHeader(1, stored.size(), 136, 0);
  archive.insert(archive.end(), stored.begin(), stored.end());
  Bytes record = testing_files::HandMadeRecord("v", 0, size, stored.size(), FlagsOf(v));
  if (v.Has("KeyField")) {
    const Bytes key = v.Hex("KeyField");
    std::copy(key.begin(), key.end(), record.begin() + 120);
  }
  archive.insert(archive.end(), record.begin(), record.end());
  for (const char c : std::string("PackCode")) archive.push_back(static_cast<std::uint8_t>(c));
  testing_files::TempDir dir;
  testing_files::WriteFileBytes(dir.dir() / "v.pcf", archive);
  CPackArchive reader;
  Bytes out;
  if (!reader.OpenArchive(dir.Path(u"v.pcf").c_str(), 0) ||
      !testing_files::ReadEntry(reader, u"v", &out)) {
    return {};
  }
  return out;
}

TEST(PackVectorsTest, KnownAnswers) {
  std::set<std::string> sections;
  for (const VectorRecord& v : testing::ReadVectorFile(
           "pack_vectors.vec", {"Material", "Key", "IV", "Password", "Check", "Flags", "KeyField",
                                "Plain", "Stored", "Out"})) {
    SCOPED_TRACE(v.Where());
    sections.insert(v.section);
    if (v.section == "Key") {
      const Bytes material = v.Hex("Material");
      const PackKey key = DerivePackKey(material.data(), material.size());
      EXPECT_EQ(ToVector(key), v.Hex("Key"));
      EXPECT_EQ(ToVector(DerivePackKey(key.data(), key.size())), v.Hex("IV"));
    } else if (v.section == "Password") {
      const PackPassword password = ToArray<32>(v.Hex("Password"));
      EXPECT_EQ(ToVector(PackPasswordCheck(password)), v.Hex("Check"));
      const PackKey key = DerivePackKey(password.data(), password.size());
      EXPECT_EQ(ToVector(key), v.Hex("Key"));
      EXPECT_EQ(ToVector(DerivePackKey(key.data(), key.size())), v.Hex("IV"));
    } else if (v.section == "Cipher") {
      const Bytes plain = v.Hex("Plain");
      EXPECT_EQ(Decrypted(v), plain);
      // The program's own password stays zeros: only records keyed by
      // their own bytes decode from an archive.
      if (!v.Has("Password")) {
        EXPECT_EQ(ThroughAnArchive(v, plain.size()), plain);
      }
    } else if (v.section == "Stages") {
      const Bytes out = v.Hex("Out");
      const PackStages stages = PackStagesFromFlags(FlagsOf(v));
      EXPECT_EQ(testing_pack::Decode(stages, v.Hex("Stored")), out);
      // In pieces of one byte, the stages cross every refill.
      EXPECT_EQ(testing_pack::Decode(stages, v.Hex("Stored"), 1), out);
      EXPECT_EQ(ThroughAnArchive(v, out.size()), out);
    } else {
      ADD_FAILURE() << "unknown section";
    }
  }
  EXPECT_EQ(sections, (std::set<std::string>{"Cipher", "Key", "Password", "Stages"}));
}

}  // namespace
}  // namespace tarrowin
