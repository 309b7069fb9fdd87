// Building a pack archive: values encoded one after another in the data
// area, the directory after them, the header in front, and the whole split
// into a first file and volumes when asked.
#include "tools/pcf/pack_writer.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <random>

#include "crypto/sha1.h"
#include "files/pack_cipher.h"
#include "tools/pack_encoders/pack_encoders.h"

namespace tarrowin {
namespace {

PackKeyBytes RandomKey() {
  static std::random_device device;
  PackKeyBytes key;
  for (auto& byte : key) byte = static_cast<std::uint8_t>(device());
  return key;
}

std::vector<std::uint8_t> Encrypt(const std::vector<std::uint8_t>& data, PackFlags flags,
                                  const PackKeyBytes& key, const PackPassword& password,
                                  std::string* error) {
  const std::unique_ptr<CPackCipher> cipher = CPackCipher::Create(flags, key, password);
  if (!cipher) {
    *error = "no such cipher or mode";
    return {};
  }
  // Zero padding completes the last block: readers decode whole blocks.
  std::vector<std::uint8_t> out(data.size() + 2 * cipher->BlockSize());
  std::size_t length = 0;
  std::size_t tail = 0;
  if (!cipher->mode().Encrypt(out.data(), length, data.data(), data.size()) ||
      !cipher->mode().FinishEncrypt(out.data() + length, tail)) {
    *error = "encryption failed";
    return {};
  }
  out.resize(length + tail);
  return out;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

bool CheckName(const std::string& name, std::string* error) {
  if (name.size() >= kPackNameBytes) {
    *error =
        "name " + Quoted(name) + " is longer than " + std::to_string(kPackNameBytes - 1) + " bytes";
    return false;
  }
  switch (CheckPackName(name)) {
    case PackNameProblem::kNone:
      break;
    case PackNameProblem::kLeavesFolder:
      *error = "name " + Quoted(name) + " is not a relative path inside the archive";
      return false;
    case PackNameProblem::kNotPortable:
      *error = "name " + Quoted(name) + " is not a file name that Windows can hold";
      return false;
  }
  return true;
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Only value bits, and stage parameters the decoders accept.
bool CheckFlags(PackFlags flags, std::string* error) {
  if ((flags & ~(kPackCompressionMask | kPackEncryptionMask)) != 0) {
    *error = "flags carry archive bits";
    return false;
  }
  const PackStages stages = PackStagesFromFlags(flags);
  const bool ok = (stages.first != PackFirstStage::kBlockSort || stages.block_sort_size != 0) &&
                  (stages.first != PackFirstStage::kSlidingWindow ||
                   (stages.window_exponent >= 10 && stages.window_exponent <= 15)) &&
                  (stages.first == PackFirstStage::kNone ||
                   stages.entropy == PackEntropyStage::kNone || stages.entropy_capacity != 0);
  if (!ok) *error = "compression flags without a valid block or window size";
  return ok;
}

// Splits header + data area into the first file and volumes of
// `volume_size` bytes; the first file never holds more data than the data
// end leaves room for, since readers count volumes from the data end.
void Divide(const std::vector<std::uint8_t>& whole, PackHeader& header, std::uint64_t volume_size,
            PackImage* image) {
  const std::uint64_t data_end = whole.size() - kPackHeaderSize;
  const std::uint64_t first = std::min<std::uint64_t>(volume_size, data_end);
  header.flags |= kPackDivided;
  header.first_file_size = first;
  header.volume_size = volume_size;
  header.data_end = data_end;
  image->first.assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(first));
  EncodePackHeader(header, image->first.data());
  const std::uint64_t chunk = volume_size - kPackVolumeHeaderSize;
  std::uint32_t number = 0;
  for (std::uint64_t at = first; at < whole.size(); at += chunk) {
    const std::uint64_t end = std::min<std::uint64_t>(whole.size(), at + chunk);
    std::vector<std::uint8_t> volume(kPackVolumeHeaderSize);
    EncodePackVolumeHeader(++number, volume.data());
    volume.insert(volume.end(), whole.begin() + static_cast<std::ptrdiff_t>(at),
                  whole.begin() + static_cast<std::ptrdiff_t>(end));
    image->volumes.push_back(std::move(volume));
  }
}

}  // namespace

std::vector<std::uint8_t> EncodePackValue(const std::vector<std::uint8_t>& data, PackFlags flags,
                                          const PackKeyBytes& key, const PackPassword& password,
                                          std::string* error) {
  error->clear();
  std::vector<std::uint8_t> stored;
  const PackStages stages = PackStagesFromFlags(flags);
  if (HasPackStages(stages)) {
    try {
      stored = EncodePackStages(stages, data);
    } catch (const std::exception& e) {
      *error = std::string("compression failed: ") + e.what();
      return {};
    }
  } else {
    stored = data;
  }
  if (IsPackEncrypted(flags)) return Encrypt(stored, flags, key, password, error);
  return stored;
}

bool BuildPackImage(std::vector<PackWriterFile> files, const PackWriterOptions& options,
                    PackImage* image, std::string* error) {
  *image = PackImage{};
  if (options.volume_size != 0 && options.volume_size < kMinPackVolumeSize) {
    *error = "volume size below " + std::to_string(kMinPackVolumeSize) + " bytes";
    return false;
  }
  if (files.size() > 0xFFFFFFFFu) {
    *error = "too many files";
    return false;
  }
  for (const PackWriterFile& file : files) {
    if (!CheckName(file.name, error) || !CheckFlags(file.flags, error)) return false;
  }
  if (!CheckFlags(options.directory_flags, error)) return false;
  std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
    return ComparePackNames(a.name, b.name) < 0;
  });
  for (std::size_t i = 1; i < files.size(); ++i) {
    if (ComparePackNames(files[i - 1].name, files[i].name) == 0) {
      *error = "names " + Quoted(files[i - 1].name) + " and " + Quoted(files[i].name) +
               " are the same in an archive";
      return false;
    }
  }
  const auto make_key = options.make_key ? options.make_key : RandomKey;
  auto key_for = [&](PackFlags flags) {
    return PackModeUsesPassword(flags) ? PackPasswordCheck(options.password)
           : IsPackEncrypted(flags)    ? make_key()
                                       : PackKeyBytes{};
  };

  std::vector<std::uint8_t> whole(kPackHeaderSize);
  std::vector<std::uint8_t> directory(files.size() * kPackEntrySize + kPackDirectoryTrailer);
  for (std::size_t i = 0; i < files.size(); ++i) {
    PackEntry entry;
    std::copy(files[i].name.begin(), files[i].name.end(), entry.name.begin());
    entry.flags = files[i].flags;
    entry.key = key_for(entry.flags);
    entry.data_offset = whole.size() - kPackHeaderSize;
    entry.size = files[i].data.size();
    const std::vector<std::uint8_t> stored =
        EncodePackValue(files[i].data, entry.flags, entry.key, options.password, error);
    if (!error->empty()) {
      *error = Quoted(files[i].name) + ": " + *error;
      return false;
    }
    entry.stored_size = stored.size();
    whole.insert(whole.end(), stored.begin(), stored.end());
    EncodePackEntry(entry, directory.data() + i * kPackEntrySize);
    files[i].data = {};  // the stored copy is in place
  }
  std::copy(kPackMagic.begin(), kPackMagic.end(), directory.end() - kPackDirectoryTrailer);

  PackHeader header;
  header.entry_count = static_cast<std::uint32_t>(files.size());
  header.flags = options.directory_flags;
  header.directory_key = key_for(header.flags);
  if (options.digest) {
    CSHA1 digest;
    digest.Update(directory.data(), files.size() * kPackEntrySize);
    digest.Final();
    digest.Fold(header.directory_digest.data(), header.directory_digest.size());
  }
  header.directory_offset = whole.size() - kPackHeaderSize;
  const std::vector<std::uint8_t> stored_directory =
      EncodePackValue(directory, header.flags, header.directory_key, options.password, error);
  if (!error->empty()) {
    *error = "directory: " + *error;
    return false;
  }
  header.directory_stored_size = stored_directory.size();
  whole.insert(whole.end(), stored_directory.begin(), stored_directory.end());

  if (options.volume_size != 0 && whole.size() > options.volume_size) {
    Divide(whole, header, options.volume_size, image);
    return true;
  }
  header.data_end = whole.size() - kPackHeaderSize;
  header.first_file_size = whole.size();
  EncodePackHeader(header, whole.data());
  image->first = std::move(whole);
  return true;
}

bool WritePackImage(const PackImage& image, const std::filesystem::path& archive,
                    std::string* error) {
  const PackPathParts parts = SplitPackPath(archive.u16string());
  for (std::size_t n = 0; n <= image.volumes.size(); ++n) {
    const std::u16string name = PackVolumeName(parts, n);
    const std::filesystem::path path(name);
    if (name.empty()) {
      *error = "volume names are too long";
      return false;
    }
    const std::vector<std::uint8_t>& bytes = n == 0 ? image.first : image.volumes[n - 1];
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      *error = "cannot write " + PathText(path);
      return false;
    }
  }
  // Volumes left by an earlier, longer archive of the same name would only
  // confuse: they go, as long as they are volumes.
  for (std::size_t n = image.volumes.size() + 1;; ++n) {
    const std::filesystem::path path(PackVolumeName(parts, n));
    char magic[kPackVolumeMagic.size()] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(magic, sizeof magic) ||
        std::string_view(magic, sizeof magic) != kPackVolumeMagic) {
      break;
    }
    in.close();
    std::error_code ignored;
    if (!std::filesystem::remove(path, ignored)) break;
  }
  return true;
}

}  // namespace tarrowin
