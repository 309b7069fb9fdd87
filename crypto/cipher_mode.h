// The chaining-mode interface: buffered encryption and decryption of byte
// streams of any length with a block cipher, finished by zero padding.
// Operations return 1, or 0 when the cipher refuses or its block size is no
// longer the one the mode was made for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrowin {

class ICipherMode {
 public:
  virtual ~ICipherMode() = default;
  // Transforms every block completed by the pending bytes and `in`, and
  // keeps the rest pending. `out_length` receives the bytes written: a
  // multiple of the block size and less than pending + in_length + 1, so
  // `out` needs room for in_length + block size - 1 bytes. `out` may equal
  // `in` only while no bytes are pending; they must not overlap otherwise.
  virtual int Encrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
                      std::size_t in_length) = 0;
  virtual int Decrypt(std::uint8_t* out, std::size_t& out_length, const std::uint8_t* in,
                      std::size_t in_length) = 0;
  // Completes a pending block with zero bytes and writes it (one block);
  // writes nothing when no bytes are pending.
  virtual int FinishEncrypt(std::uint8_t* out, std::size_t& out_length) = 0;
  virtual int FinishDecrypt(std::uint8_t* out, std::size_t& out_length) = 0;
  // Chained modes load each non-null initial value (one block) into its
  // direction's chain register; every mode drops the pending bytes.
  virtual int SetIV(const std::uint8_t* encrypt_iv, const std::uint8_t* decrypt_iv) = 0;
};

}  // namespace tarrowin
