// The archive directory read record by record as it is decoded.
#include "files/pack_directory.h"

#include <algorithm>
#include <cstring>

namespace tarrowin {
namespace {

// Records reserved ahead: the vector grows with what arrives after that.
constexpr std::uint32_t kFirstRecords = 1024;

}  // namespace

CDirectorySink::CDirectorySink(std::uint32_t count, bool digest, std::vector<PackEntry>& entries)
    : count_(count), digest_records_(digest), entries_(entries) {
  entries_.clear();
  entries_.reserve(std::min(count, kFirstRecords));
}

bool CDirectorySink::Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) {
  *taken = 0;
  if (count == 0) return true;
  std::uint32_t done = 0;
  while (done < count) {
    const std::uint32_t left = count - done;
    if (entries_.size() < count_) {
      const auto piece =
          static_cast<std::uint32_t>(std::min<std::size_t>(left, kPackEntrySize - record_fill_));
      std::memcpy(record_.data() + record_fill_, buffer + done, piece);
      record_fill_ += piece;
      done += piece;
      if (record_fill_ == kPackEntrySize && !TakeRecord()) return false;
    } else {
      if (left > kPackDirectoryTrailer - trailer_fill_) return false;
      std::memcpy(trailer_.data() + trailer_fill_, buffer + done, left);
      trailer_fill_ += left;
      done += left;
    }
  }
  *taken = count;
  return true;
}

bool CDirectorySink::TakeRecord() {
  record_fill_ = 0;
  const PackEntry entry = ParsePackEntry(record_.data());
  // A record must name its file; zeros are no directory.
  if (entry.Name().empty()) return false;
  if (digest_records_) digest_.Update(record_.data(), record_.size());
  entries_.push_back(entry);
  return true;
}

bool CDirectorySink::Complete() const {
  return entries_.size() == count_ && trailer_fill_ == kPackDirectoryTrailer &&
         std::memcmp(trailer_.data(), kPackMagic.data(), kPackMagic.size()) == 0;
}

bool CDirectorySink::DigestMatches(const PackDigestBytes& digest) {
  digest_.Final();
  return digest_.EqualsFolded(digest.data(), digest.size());
}

}  // namespace tarrowin
