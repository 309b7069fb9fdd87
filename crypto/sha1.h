// SHA-1 (FIPS 180): 20-byte digest, big-endian words.
#pragma once

#include "crypto/block_hash.h"

namespace tarrowin {

class CSHA1 : public CBlockHash {
 public:
  CSHA1() : CBlockHash(20, ByteOrder::kBig) { Init(); }
  void Init() override;

 protected:
  void Compress(const std::uint8_t* blocks, std::size_t count) override;
};

}  // namespace tarrowin
