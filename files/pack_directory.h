// The archive directory read as it is decoded: records are parsed and
// checked one at a time, so that a directory costs memory only for the
// records that truly arrive, whatever count its header declares.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "crypto/sha1.h"
#include "files/pack_format.h"
#include "files/pack_stages.h"

namespace tarrowin {

// Takes the decoded directory into `entries`: `count` records, then the
// 8-byte trailer. Refuses a record without a name (a directory of zeros)
// at once. With `digest` it also digests the records.
class CDirectorySink : public IPackSink {
 public:
  CDirectorySink(std::uint32_t count, bool digest, std::vector<PackEntry>& entries);
  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override;

  // All records and the trailer "PackCode" arrived.
  bool Complete() const;
  // The SHA-1 digest of the records, folded to 16 bytes, equals `digest`.
  bool DigestMatches(const PackDigestBytes& digest);

 private:
  bool TakeRecord();

  std::uint32_t count_;
  bool digest_records_;
  std::vector<PackEntry>& entries_;
  std::array<std::uint8_t, kPackEntrySize> record_{};
  std::size_t record_fill_ = 0;
  std::array<std::uint8_t, kPackDirectoryTrailer> trailer_{};
  std::size_t trailer_fill_ = 0;
  CSHA1 digest_;
};

}  // namespace tarrowin
