// SHA-256 (FIPS 180): 32-byte digest, big-endian words.
#pragma once

#include "crypto/block_hash.h"

namespace tarrowin {

class CSHA256 : public CBlockHash {
 public:
  CSHA256() : CBlockHash(32, ByteOrder::kBig) { Init(); }
  void Init() override;

 protected:
  void Compress(const std::uint8_t* blocks, std::size_t count) override;
};

}  // namespace tarrowin
