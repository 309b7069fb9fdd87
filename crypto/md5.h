// MD5 (RFC 1321): 16-byte digest, little-endian words.
#pragma once

#include "crypto/block_hash.h"

namespace tarrowin {

class CMD5 : public CBlockHash {
 public:
  CMD5() : CBlockHash(16, ByteOrder::kLittle) { Init(); }
  void Init() override;

 protected:
  void Compress(const std::uint8_t* blocks, std::size_t count) override;
};

}  // namespace tarrowin
