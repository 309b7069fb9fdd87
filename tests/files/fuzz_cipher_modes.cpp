// Fuzzes the pack format's cipher and mode codes with arbitrary keys, block
// size values and piece sizes: whatever is accepted must decrypt what it
// encrypts, with zero padding, and never touch memory it does not own.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "files/pack_cipher.h"

namespace {

using tarrowin::IBlockCipher;
using tarrowin::ICipherMode;

constexpr std::uint32_t kModes[] = {tarrowin::kPackModeECB,         tarrowin::kPackModeCBC,
                                    tarrowin::kPackModeCFB,         tarrowin::kPackModeOFB,
                                    tarrowin::kPackModePasswordCBC, tarrowin::kPackModePasswordOFB};

struct Reader {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
};

struct Setup {
  std::unique_ptr<IBlockCipher> cipher;
  std::unique_ptr<ICipherMode> mode;
};

Setup Make(std::uint32_t flags, std::uint32_t block_value, const std::vector<std::uint8_t>& key,
           const std::vector<std::uint8_t>& iv) {
  Setup s;
  s.cipher = tarrowin::CreatePackCipher(flags);
  if (!s.cipher) return s;
  s.cipher->SetBlockSize(block_value);
  if (!s.cipher->SetKey(key.data(), key.size())) return {};
  s.mode = tarrowin::CreatePackMode(flags, *s.cipher);
  if (s.mode) s.mode->SetIV(iv.data(), iv.data());
  return s;
}

// Runs `in` through the mode in pieces whose sizes come from `seed`.
bool Run(ICipherMode& mode, bool encrypt, const std::vector<std::uint8_t>& in, std::size_t block,
         std::uint32_t seed, std::vector<std::uint8_t>& result) {
  std::size_t at = 0;
  while (at < in.size()) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t size = std::min<std::size_t>((seed >> 16) % 70, in.size() - at);
    std::vector<std::uint8_t> out(size + block);
    std::size_t written = 0;
    const int ok = encrypt ? mode.Encrypt(out.data(), written, in.data() + at, size)
                           : mode.Decrypt(out.data(), written, in.data() + at, size);
    if (!ok) return false;
    if (written % block != 0 || written >= size + block) std::abort();
    result.insert(result.end(), out.begin(), out.begin() + written);
    at += size;
  }
  std::vector<std::uint8_t> out(block);
  std::size_t written = 0;
  if (!(encrypt ? mode.FinishEncrypt(out.data(), written)
                : mode.FinishDecrypt(out.data(), written))) {
    return false;
  }
  if (written != 0 && written != block) std::abort();
  result.insert(result.end(), out.begin(), out.begin() + written);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader r{data, size};
  const std::uint32_t flags = (r.Byte() & 0xFu) << 16 | kModes[r.Byte() % 6];
  std::uint32_t block_value = 0;
  for (int k = 0; k < 4; ++k) block_value |= static_cast<std::uint32_t>(r.Byte()) << (8 * k);
  std::vector<std::uint8_t> key(r.Byte() % 48);
  for (auto& b : key) b = r.Byte();
  std::vector<std::uint8_t> iv(32);
  for (auto& b : iv) b = r.Byte();
  const std::uint32_t seed = r.Byte();
  const std::vector<std::uint8_t> plain(r.data, r.data + r.size);

  Setup encryptor = Make(flags, block_value, key, iv);
  Setup decryptor = Make(flags, block_value, key, iv);
  if (!encryptor.mode || !decryptor.mode) return 0;
  const std::size_t block = encryptor.cipher->BlockSize();
  if (block == 0 || block > 32) std::abort();

  std::vector<std::uint8_t> cipher_text, decrypted;
  if (!Run(*encryptor.mode, true, plain, block, seed, cipher_text)) return 0;
  if (cipher_text.size() != (plain.size() + block - 1) / block * block) std::abort();
  if (!Run(*decryptor.mode, false, cipher_text, block, seed ^ 0x5555, decrypted)) return 0;
  if (decrypted.size() != cipher_text.size()) std::abort();
  if (!plain.empty() && std::memcmp(decrypted.data(), plain.data(), plain.size()) != 0)
    std::abort();
  for (std::size_t i = plain.size(); i < decrypted.size(); ++i) {
    if (decrypted[i] != 0) std::abort();
  }
  return 0;
}
