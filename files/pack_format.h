// The on-disk layout of ".pcf" pack archives: the header, the directory
// records and the volume header with their little-endian codecs, the flag
// bits and their tables, the order of entry names, volume file names and
// where an archive offset lies in a divided archive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/pack_stages.h"

namespace tarrowin {

inline constexpr std::size_t kPackHeaderSize = 192;
inline constexpr std::size_t kPackEntrySize = 128;
inline constexpr std::size_t kPackVolumeHeaderSize = 32;
// Name field of a record, terminator included.
inline constexpr std::size_t kPackNameBytes = 80;
inline constexpr std::string_view kPackMagic = "PackCode";
inline constexpr std::string_view kPackVolumeMagic = "PackDivF";
// The decoded directory ends with the magic after its last record.
inline constexpr std::size_t kPackDirectoryTrailer = 8;

// What the archive reader takes on. Directories of more entries than this
// are not read: 2^20 records take 128 MiB, far beyond any archive of
// settings files, and every record is held in memory. Below it, the records
// cost memory only as they arrive.
inline constexpr std::uint32_t kMaxPackEntries = 1u << 20;
// Records larger than this, stored or decoded, are not read: the engine
// counts stored bytes in 32 bits and the file layer holds content of less
// than 4 GiB.
inline constexpr std::uint64_t kMaxPackRecordSize = 0xFFFFFFF0u;
// A file served through the archive lookup (a settings file missing on
// disk) whose entry declares more than this is refused before any byte of
// it is decoded: settings files are small, and an archive that anyone may
// drop into a parent folder must not cost the memory and time of whatever
// size it claims.
inline constexpr std::uint64_t kMaxLookupEntrySize = std::uint64_t{64} << 20;
// File positions are signed 64-bit on every system.
inline constexpr std::uint64_t kMaxPackPosition = 0x7FFFFFFFFFFFFFFFu;

// PackFlags: compression, cipher and mode of a stored value, and two bits
// that only the header uses.
using PackFlags = std::uint32_t;
inline constexpr PackFlags kPackBlockSortMask = 0x0000000F;
inline constexpr PackFlags kPackSlidingWindowMask = 0x000000F0;
inline constexpr PackFlags kPackRangeMask = 0x00000F00;
inline constexpr PackFlags kPackHuffmanMask = 0x0000F000;
inline constexpr PackFlags kPackCompressionMask = 0x0000FFFF;
inline constexpr PackFlags kPackCipherMask = 0x000F0000;
inline constexpr PackFlags kPackModeMask = 0x03F00000;
inline constexpr PackFlags kPackEncryptionMask = kPackCipherMask | kPackModeMask;
inline constexpr PackFlags kPackDivided = 0x20000000;
inline constexpr PackFlags kPackNotReadable = 0x40000000;
// The flags of the header image of an archive object that holds no archive.
inline constexpr PackFlags kPackResetFlags = 0x00220750;

// Tables D and E: the cipher codes (flags & kPackCipherMask) and the mode
// codes (flags & kPackModeMask). The password modes key the cipher with the
// archive's password, checked against the record's key bytes.
inline constexpr PackFlags kPackCipherWord = 0x00010000;
inline constexpr PackFlags kPackCipherRotate = 0x00020000;
inline constexpr PackFlags kPackCipherSubst = 0x00030000;
inline constexpr PackFlags kPackCipherRC4 = 0x00050000;
inline constexpr PackFlags kPackCipherRC6 = 0x00060000;
inline constexpr PackFlags kPackCipherCamellia = 0x00080000;
inline constexpr PackFlags kPackCipherRijndael = 0x000A0000;
inline constexpr PackFlags kPackModeECB = 0x00100000;
inline constexpr PackFlags kPackModeCBC = 0x00200000;
inline constexpr PackFlags kPackModeCFB = 0x00300000;
inline constexpr PackFlags kPackModeOFB = 0x00400000;
inline constexpr PackFlags kPackModePasswordCBC = 0x01000000;
inline constexpr PackFlags kPackModePasswordOFB = 0x02000000;

using PackKeyBytes = std::array<std::uint8_t, 8>;
using PackDigestBytes = std::array<std::uint8_t, 16>;

// The fixed header at the start of the first file.
struct PackHeader {
  bool magic_ok = true;
  std::uint32_t entry_count = 0;
  std::uint64_t data_end = 0;         // archive offset where the data area ends (divided)
  std::uint64_t first_file_size = 0;  // header included
  std::uint64_t volume_size = 0;      // volume header included
  std::uint64_t directory_offset = 0;
  std::uint64_t directory_stored_size = 0;
  PackFlags flags = 0;
  PackKeyBytes directory_extra{};
  PackKeyBytes directory_key{};
  PackDigestBytes directory_digest{};
};

// One directory record: a packed file, or the directory's own pseudo-record.
struct PackEntry {
  std::array<char, kPackNameBytes> name{};  // UTF-8, "/" separators; may lack a terminator
  std::uint64_t data_offset = 0;
  std::uint64_t size = 0;         // decoded
  std::uint64_t stored_size = 0;  // as stored
  PackFlags flags = 0;
  PackKeyBytes extra{};
  PackKeyBytes key{};  // key material, or the password check value

  // The name up to its terminator, never beyond the field.
  std::string_view Name() const;
};

struct PackVolumeHeader {
  bool magic_ok = false;
  std::uint32_t number = 0;
};

// The header image of an archive object that holds no archive.
PackHeader ResetPackHeader();

PackHeader ParsePackHeader(const std::uint8_t* bytes);
void EncodePackHeader(const PackHeader& header, std::uint8_t* bytes);  // reserved bytes zero
PackEntry ParsePackEntry(const std::uint8_t* bytes);
void EncodePackEntry(const PackEntry& entry, std::uint8_t* bytes);
PackVolumeHeader ParsePackVolumeHeader(const std::uint8_t* bytes);
void EncodePackVolumeHeader(std::uint32_t number, std::uint8_t* bytes);

// A value is encrypted when any cipher or mode bit is set.
inline bool IsPackEncrypted(PackFlags flags) { return (flags & kPackEncryptionMask) != 0; }

// Tables A to C: 0 for codes without a size.
std::uint32_t PackBlockSortSize(PackFlags flags);
std::uint32_t PackWindowExponent(PackFlags flags);
std::uint32_t PackEntropyCapacity(PackFlags flags);

// The decoding stages that the flags select; no stage at all means the
// bytes are stored (block-sorting alone is ignored, as it needs an entropy
// stage to run under).
PackStages PackStagesFromFlags(PackFlags flags);
inline bool HasPackStages(const PackStages& stages) {
  return stages.first != PackFirstStage::kNone || stages.entropy != PackEntropyStage::kNone;
}

// The order of the directory: bytes below 0x80 compare with ASCII letters
// folded to lower case, others as they are; a prefix is the smaller.
int ComparePackNames(std::string_view a, std::string_view b);

// A name that may be joined to an output folder and that every system can
// hold, so that an archive extracts the same everywhere: relative, made of
// non-empty components other than "." and "..", without control characters
// or any of \ : < > " | ? *, none ending in "." or " ", and none a Windows
// device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any case,
// with or without an extension).
bool IsSafePackName(std::string_view name);
// Why a name is not safe: it would leave the output folder (absolute, a
// drive, an empty, "." or ".." component, a backslash), or some system
// cannot hold it (all the rest).
enum class PackNameProblem { kNone, kLeavesFolder, kNotPortable };
PackNameProblem CheckPackName(std::string_view name);

// An archive path split at its extension: the last "." after the last "\"
// or "/" (none gives an empty extension).
struct PackPathParts {
  std::u16string base;
  std::u16string extension;
};
PackPathParts SplitPackPath(std::u16string_view path);

// Volume 0 is the archive itself; volume n is "<base>_%03d.pcf". Empty when
// the name does not fit in 511 UTF-16 units.
std::u16string PackVolumeName(const PackPathParts& parts, std::uint64_t volume);

// Where the data of a divided archive lies. `first_data` is the number of
// archive offsets held by the first file, `volume_data` by each volume.
struct PackLayout {
  bool divided = false;
  std::uint64_t first_data = 0;   // F - 192
  std::uint64_t volume_data = 0;  // V - 32
  std::uint64_t data_end = 0;     // T
};

// False for a divided header that cannot describe an archive: a volume
// size of 32 or less, a first file too short for its own header, or a data
// end below the first file size.
bool MakePackLayout(const PackHeader& header, PackLayout* layout);

// The file that holds archive offset `offset`, the position inside it and
// the archive offset where that file's data ends (all ones when undivided).
struct PackLocation {
  std::uint64_t volume = 0;
  std::uint64_t file_position = 0;
  std::uint64_t volume_data_end = 0;
};
// False when the offset lies beyond any position a file can have.
bool LocatePackOffset(const PackLayout& layout, std::uint64_t offset, PackLocation* location);

}  // namespace tarrowin
