// The archive writer of the pcf tool: lays out files as a ".pcf" pack
// archive (compressed and encrypted as asked, divided into volumes when a
// volume size is given) and writes it. The program itself only reads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files/pack_cipher.h"
#include "files/pack_format.h"

namespace tarrowin {

// One file to pack.
struct PackWriterFile {
  std::string name;  // UTF-8, "/" between folders
  std::vector<std::uint8_t> data;
  PackFlags flags = 0;  // stages, cipher and mode
};

struct PackWriterOptions {
  PackFlags directory_flags = 0;  // stages, cipher and mode of the directory
  bool digest = false;            // store the directory digest
  std::uint64_t volume_size = 0;  // 0: one file
  // The password of the password modes; the program's is all zeros.
  PackPassword password{};
  // Key material of each encrypted value; random bytes when empty.
  std::function<PackKeyBytes()> make_key;
};

// Volumes smaller than this are refused: each holds a 32-byte header, and
// the first file a 192-byte one.
inline constexpr std::uint64_t kMinPackVolumeSize = 512;

// An archive's bytes: the first file, then volumes 1, 2, ...
struct PackImage {
  std::vector<std::uint8_t> first;
  std::vector<std::vector<std::uint8_t>> volumes;
};

// False, with the reason in `*error`, for a name the format cannot hold or
// that would leave an output folder, two names equal in the archive's
// order, flags without a cipher or mode, or a volume size below the least.
bool BuildPackImage(std::vector<PackWriterFile> files, const PackWriterOptions& options,
                    PackImage* image, std::string* error);

// Writes the first file at `archive` and the volumes beside it, named as
// the reader looks for them.
bool WritePackImage(const PackImage& image, const std::filesystem::path& archive,
                    std::string* error);

// Encodes one value as the archive stores it: through its stages, then its
// cipher. Empty `error` on success.
std::vector<std::uint8_t> EncodePackValue(const std::vector<std::uint8_t>& data, PackFlags flags,
                                          const PackKeyBytes& key, const PackPassword& password,
                                          std::string* error);

}  // namespace tarrowin
