// Pack archive layout: record codecs, flag tables, name order, volume names
// and the placement of archive offsets in divided archives.
#include "files/pack_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

#include "crypto/byte_order.h"
#include "files/pack_stream_format.h"

namespace tarrowin {
namespace {

// Byte offsets of the header fields.
constexpr std::size_t kHeaderCount = 8;
constexpr std::size_t kHeaderDataEnd = 16;
constexpr std::size_t kHeaderFirstFileSize = 24;
constexpr std::size_t kHeaderVolumeSize = 32;
constexpr std::size_t kHeaderDirectoryOffset = 40;
constexpr std::size_t kHeaderDirectoryStored = 48;
constexpr std::size_t kHeaderFlags = 56;
constexpr std::size_t kHeaderExtra = 80;
constexpr std::size_t kHeaderKey = 88;
constexpr std::size_t kHeaderDigest = 96;

// Byte offsets of the record fields.
constexpr std::size_t kEntryDataOffset = 80;
constexpr std::size_t kEntrySize = 88;
constexpr std::size_t kEntryStoredSize = 96;
constexpr std::size_t kEntryFlags = 104;
constexpr std::size_t kEntryExtra = 112;
constexpr std::size_t kEntryKey = 120;

constexpr std::size_t kVolumeNumber = 8;
constexpr std::size_t kVolumeNameUnits = 511;

std::uint64_t LoadLE64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(LoadLE32(p)) | static_cast<std::uint64_t>(LoadLE32(p + 4))
                                                       << 32;
}

void StoreLE64(std::uint8_t* p, std::uint64_t v) {
  StoreLE32(p, static_cast<std::uint32_t>(v));
  StoreLE32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

template <std::size_t N>
std::array<std::uint8_t, N> LoadBytes(const std::uint8_t* p) {
  std::array<std::uint8_t, N> out;
  std::memcpy(out.data(), p, N);
  return out;
}

bool HasMagic(const std::uint8_t* p, std::string_view magic) {
  return std::memcmp(p, magic.data(), magic.size()) == 0;
}

unsigned FoldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

constexpr std::uint32_t kBlockSortSizes[] = {128u << 10, 256u << 10, 384u << 10, 512u << 10,
                                             768u << 10, 1u << 20,   3u << 19,   2u << 20,
                                             3u << 20,   4u << 20};
constexpr std::uint32_t kEntropyCapacities[] = {32u << 10,  48u << 10,  64u << 10,  96u << 10,
                                                128u << 10, 192u << 10, 256u << 10, 384u << 10,
                                                512u << 10, 768u << 10, 1u << 20};
static_assert(kMaxPackPosition == std::numeric_limits<std::int64_t>::max());

// What a stream may make the decoders allocate follows the tables' largest
// values.
static_assert(kBlockSortSizes[std::size(kBlockSortSizes) - 1] == kMaxBlockSortSize);
static_assert(kEntropyCapacities[std::size(kEntropyCapacities) - 1] == kMaxEntropyCapacity);

// Windows opens these devices for a file name whose part before the first
// dot is one of them, in any case, trailing spaces dropped; the digits
// include the superscripts 1 to 3 that it takes for digits.
bool IsDeviceName(std::string_view part) {
  std::string_view stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper(stem);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL") return true;
  if (upper.size() < 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) {
    return false;
  }
  const std::string_view digit = std::string_view(upper).substr(3);
  return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" ||
         digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

std::string_view PackEntry::Name() const {
  const auto end = std::find(name.begin(), name.end(), '\0');
  return std::string_view(name.data(), static_cast<std::size_t>(end - name.begin()));
}

PackHeader ResetPackHeader() {
  PackHeader header;
  header.flags = kPackResetFlags;
  return header;
}

PackHeader ParsePackHeader(const std::uint8_t* bytes) {
  PackHeader h;
  h.magic_ok = HasMagic(bytes, kPackMagic);
  h.entry_count = LoadLE32(bytes + kHeaderCount);
  h.data_end = LoadLE64(bytes + kHeaderDataEnd);
  h.first_file_size = LoadLE64(bytes + kHeaderFirstFileSize);
  h.volume_size = LoadLE64(bytes + kHeaderVolumeSize);
  h.directory_offset = LoadLE64(bytes + kHeaderDirectoryOffset);
  h.directory_stored_size = LoadLE64(bytes + kHeaderDirectoryStored);
  h.flags = LoadLE32(bytes + kHeaderFlags);
  h.directory_extra = LoadBytes<8>(bytes + kHeaderExtra);
  h.directory_key = LoadBytes<8>(bytes + kHeaderKey);
  h.directory_digest = LoadBytes<16>(bytes + kHeaderDigest);
  return h;
}

void EncodePackHeader(const PackHeader& h, std::uint8_t* bytes) {
  std::memset(bytes, 0, kPackHeaderSize);
  std::memcpy(bytes, kPackMagic.data(), kPackMagic.size());
  StoreLE32(bytes + kHeaderCount, h.entry_count);
  StoreLE64(bytes + kHeaderDataEnd, h.data_end);
  StoreLE64(bytes + kHeaderFirstFileSize, h.first_file_size);
  StoreLE64(bytes + kHeaderVolumeSize, h.volume_size);
  StoreLE64(bytes + kHeaderDirectoryOffset, h.directory_offset);
  StoreLE64(bytes + kHeaderDirectoryStored, h.directory_stored_size);
  StoreLE32(bytes + kHeaderFlags, h.flags);
  std::memcpy(bytes + kHeaderExtra, h.directory_extra.data(), 8);
  std::memcpy(bytes + kHeaderKey, h.directory_key.data(), 8);
  std::memcpy(bytes + kHeaderDigest, h.directory_digest.data(), 16);
}

PackEntry ParsePackEntry(const std::uint8_t* bytes) {
  PackEntry e;
  std::memcpy(e.name.data(), bytes, kPackNameBytes);
  e.data_offset = LoadLE64(bytes + kEntryDataOffset);
  e.size = LoadLE64(bytes + kEntrySize);
  e.stored_size = LoadLE64(bytes + kEntryStoredSize);
  e.flags = LoadLE32(bytes + kEntryFlags);
  e.extra = LoadBytes<8>(bytes + kEntryExtra);
  e.key = LoadBytes<8>(bytes + kEntryKey);
  return e;
}

void EncodePackEntry(const PackEntry& e, std::uint8_t* bytes) {
  std::memset(bytes, 0, kPackEntrySize);
  std::memcpy(bytes, e.name.data(), kPackNameBytes);
  StoreLE64(bytes + kEntryDataOffset, e.data_offset);
  StoreLE64(bytes + kEntrySize, e.size);
  StoreLE64(bytes + kEntryStoredSize, e.stored_size);
  StoreLE32(bytes + kEntryFlags, e.flags);
  std::memcpy(bytes + kEntryExtra, e.extra.data(), 8);
  std::memcpy(bytes + kEntryKey, e.key.data(), 8);
}

PackVolumeHeader ParsePackVolumeHeader(const std::uint8_t* bytes) {
  return PackVolumeHeader{HasMagic(bytes, kPackVolumeMagic), LoadLE32(bytes + kVolumeNumber)};
}

void EncodePackVolumeHeader(std::uint32_t number, std::uint8_t* bytes) {
  std::memset(bytes, 0, kPackVolumeHeaderSize);
  std::memcpy(bytes, kPackVolumeMagic.data(), kPackVolumeMagic.size());
  StoreLE32(bytes + kVolumeNumber, number);
}

std::uint32_t PackBlockSortSize(PackFlags flags) {
  const std::uint32_t code = flags & kPackBlockSortMask;
  return code >= 1 && code <= 10 ? kBlockSortSizes[code - 1] : 0;
}

std::uint32_t PackWindowExponent(PackFlags flags) {
  const std::uint32_t code = (flags & kPackSlidingWindowMask) >> 4;
  return code >= 1 && code <= 6 ? code + 9 : 0;
}

std::uint32_t PackEntropyCapacity(PackFlags flags) {
  const std::uint32_t range = (flags & kPackRangeMask) >> 8;
  const std::uint32_t huffman = (flags & kPackHuffmanMask) >> 12;
  if (range != 0 && huffman != 0) return 0;
  const std::uint32_t code = range | huffman;
  return code >= 1 && code <= 11 ? kEntropyCapacities[code - 1] : 0;
}

PackStages PackStagesFromFlags(PackFlags flags) {
  PackStages stages;
  if ((flags & (kPackRangeMask | kPackHuffmanMask)) != 0) {
    stages.entropy =
        (flags & kPackRangeMask) != 0 ? PackEntropyStage::kRange : PackEntropyStage::kHuffman;
    stages.entropy_capacity = PackEntropyCapacity(flags);
    if ((flags & kPackBlockSortMask) != 0) {
      stages.first = PackFirstStage::kBlockSort;
      stages.block_sort_size = PackBlockSortSize(flags);
    } else if ((flags & kPackSlidingWindowMask) != 0) {
      stages.first = PackFirstStage::kSlidingWindow;
      stages.window_exponent = std::clamp<std::uint32_t>(PackWindowExponent(flags), 10, 15);
    }
  } else if ((flags & kPackSlidingWindowMask) != 0) {
    stages.first = PackFirstStage::kSlidingWindow;
    stages.window_exponent = PackWindowExponent(flags);
  }
  return stages;
}

int ComparePackNames(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned ca = FoldAscii(static_cast<unsigned char>(a[i]));
    const unsigned cb = FoldAscii(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

PackNameProblem CheckPackName(std::string_view name) {
  constexpr std::string_view kNotOnWindows = "<>\"|?*";
  if (name.empty()) return PackNameProblem::kLeavesFolder;
  PackNameProblem problem = PackNameProblem::kNone;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = std::min(name.find('/', start), name.size());
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return PackNameProblem::kLeavesFolder;
    for (const char c : part) {
      if (c == '\\' || c == ':') return PackNameProblem::kLeavesFolder;
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
          kNotOnWindows.find(c) != std::string_view::npos) {
        problem = PackNameProblem::kNotPortable;
      }
    }
    // Windows drops a trailing dot or space, so the file would get
    // another name there.
    if (part.back() == '.' || part.back() == ' ' || IsDeviceName(part)) {
      problem = PackNameProblem::kNotPortable;
    }
    if (end == name.size()) return problem;
    start = end + 1;
  }
}

bool IsSafePackName(std::string_view name) { return CheckPackName(name) == PackNameProblem::kNone; }

PackPathParts SplitPackPath(std::u16string_view path) {
  const std::size_t separator = path.find_last_of(u"\\/");
  const std::size_t dot = path.find_last_of(u'.');
  if (dot == std::u16string_view::npos ||
      (separator != std::u16string_view::npos && dot < separator)) {
    return PackPathParts{std::u16string(path), {}};
  }
  return PackPathParts{std::u16string(path.substr(0, dot)), std::u16string(path.substr(dot))};
}

std::u16string PackVolumeName(const PackPathParts& parts, std::uint64_t volume) {
  std::u16string name = parts.base;
  if (volume == 0) {
    name += parts.extension;
  } else {
    std::string number = std::to_string(volume);
    if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
    name += u'_';
    name.append(number.begin(), number.end());
    name += u".pcf";
  }
  if (name.size() > kVolumeNameUnits) return {};
  return name;
}

bool MakePackLayout(const PackHeader& header, PackLayout* layout) {
  *layout = PackLayout{};
  if ((header.flags & kPackDivided) == 0) return true;
  if (header.volume_size <= kPackVolumeHeaderSize || header.first_file_size < kPackHeaderSize ||
      header.data_end < header.first_file_size) {
    return false;
  }
  layout->divided = true;
  layout->first_data = header.first_file_size - kPackHeaderSize;
  layout->volume_data = header.volume_size - kPackVolumeHeaderSize;
  layout->data_end = header.data_end;
  return true;
}

bool LocatePackOffset(const PackLayout& layout, std::uint64_t offset, PackLocation* location) {
  constexpr std::uint64_t kAllOnes = std::numeric_limits<std::uint64_t>::max();
  *location = PackLocation{};
  if (!layout.divided) {
    if (offset > kMaxPackPosition - kPackHeaderSize) return false;
    *location = PackLocation{0, offset + kPackHeaderSize, kAllOnes};
    return true;
  }
  if (offset < layout.first_data) {
    *location = PackLocation{0, offset + kPackHeaderSize, layout.first_data};
    return true;
  }
  const std::uint64_t beyond = offset - layout.first_data;
  const std::uint64_t index = beyond / layout.volume_data;  // volume number - 1
  const std::uint64_t inside = beyond % layout.volume_data;
  // Volume headers number their volumes in 32 bits.
  if (index >= std::numeric_limits<std::uint32_t>::max()) return false;
  // The end of the volume's data saturates: no data lies at or beyond the
  // data end anyway.
  std::uint64_t end = kAllOnes;
  std::uint64_t span = 0;
  if (!__builtin_mul_overflow(index + 1, layout.volume_data, &span) &&
      span <= kAllOnes - layout.first_data) {
    end = layout.first_data + span;
  }
  *location = PackLocation{index + 1, kPackVolumeHeaderSize + inside, end};
  return true;
}

}  // namespace tarrowin
