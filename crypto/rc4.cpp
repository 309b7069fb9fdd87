// RC4 key scheduling and key stream.
#include "crypto/rc4.h"

#include <utility>

namespace tarrowin {

int CRC4::SetKey(const std::uint8_t* key, std::size_t length) {
  if (length == 0) {
    keyed_ = false;
    return 0;
  }
  State state;
  for (int n = 0; n < 256; ++n) state.s[n] = static_cast<std::uint8_t>(n);
  std::uint8_t j = 0;
  for (std::size_t n = 0; n < 256; ++n) {
    j = static_cast<std::uint8_t>(j + state.s[n] + key[n % length]);
    std::swap(state.s[n], state.s[j]);
  }
  encrypt_ = state;
  decrypt_ = state;
  keyed_ = true;
  return 1;
}

void CRC4::State::Apply(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  std::uint8_t x = i, y = j;
  for (std::size_t n = 0; n < count; ++n) {
    x = static_cast<std::uint8_t>(x + 1);
    const std::uint8_t sx = s[x];
    y = static_cast<std::uint8_t>(y + sx);
    const std::uint8_t sy = s[y];
    s[x] = sy;
    s[y] = sx;
    out[n] = in[n] ^ s[static_cast<std::uint8_t>(sx + sy)];
  }
  i = x;
  j = y;
}

int CRC4::EncryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (!keyed_) return 0;
  encrypt_.Apply(out, in, count);
  return 1;
}

int CRC4::DecryptBlocks(std::uint8_t* out, const std::uint8_t* in, std::size_t count) {
  if (!keyed_) return 0;
  decrypt_.Apply(out, in, count);
  return 1;
}

}  // namespace tarrowin
