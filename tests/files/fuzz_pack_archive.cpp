// libFuzzer target: arbitrary bytes as a pack archive. The input is the
// first file, and each "PackDivF" in it starts the next volume file; the
// archive is opened (with and without the digest check) and every entry is
// decoded into memory, into a sink and through a file stream.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "files/file_stream.h"
#include "files/pack_archive.h"

namespace {

namespace fs = std::filesystem;
using tarrowin::CPackArchive;

// Decoded output beyond this is refused, so that a valid bomb does not
// spend the fuzzer's time; entries this small are also read into memory.
constexpr std::uint64_t kOutputLimit = 8u << 20;
constexpr std::uint64_t kMemoryLimit = 1u << 20;
constexpr std::uint32_t kEntryLimit = 64;

class CCappedSink : public tarrowin::IPackSink {
 public:
  bool Write(const std::uint8_t*, std::uint32_t count, std::uint32_t* taken) override {
    *taken = 0;
    if (count > kOutputLimit - total_) return false;
    total_ += count;
    *taken = count;
    return true;
  }

 private:
  std::uint64_t total_ = 0;
};

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path path = fs::temp_directory_path() / ("tarrowin-fuzz-pack-" + std::to_string(getpid()));
    fs::create_directories(path);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(Folder(), ignored);
    });
    return path;
  }();
  return folder;
}

fs::path VolumePath(std::size_t volume) {
  if (volume == 0) return Folder() / "a.pcf";
  std::string number = std::to_string(volume);
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  return Folder() / ("a_" + number + ".pcf");
}

void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Splits the input into files; returns how many were written.
std::size_t WriteArchive(std::string_view input) {
  std::size_t volume = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t next = input.find("PackDivF", start + (volume == 0 ? 0 : 1));
    WriteFile(VolumePath(volume), input.substr(start, next - start));
    if (next == std::string_view::npos) return volume + 1;
    start = next;
    ++volume;
  }
}

void ReadEntries(CPackArchive& archive) {
  const std::uint32_t count = std::min(archive.EntryCount(), kEntryLimit);
  for (std::uint32_t i = 0; i < count; ++i) {
    CCappedSink sink;
    archive.ExtractTo(i, sink);
    std::uint64_t size = 0;
    char16_t name[128];
    archive.GetEntryInfo(i, name, 128, &size);
    if (size <= kMemoryLimit) {
      std::unique_ptr<std::uint8_t[]> block;
      archive.ExtractToBlock(i, &block);
      tarrowin::CFileStream stream;
      const std::u16string path = archive.BasePath() + u"/" + name;
      if (stream.OpenInPack(path.c_str(), &archive)) {
        char16_t line[64];
        while (stream.ReadLine(line, 32)) {
        }
      }
    }
    tarrowin::FileHandle file;
    std::uint64_t offset = 0;
    archive.GetRawLocation(i, &file, &offset);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::size_t written = 0;
  const std::size_t files =
      WriteArchive(std::string_view(reinterpret_cast<const char*>(data), size));
  // Volumes of a longer input before must not linger.
  for (std::size_t volume = files; volume < written; ++volume) {
    std::error_code ignored;
    fs::remove(VolumePath(volume), ignored);
  }
  written = files;

  const std::u16string path = VolumePath(0).u16string();
  CPackArchive archive;
  for (const std::uint16_t options : {0, 1}) {
    if (archive.OpenArchive(path.c_str(), options)) ReadEntries(archive);
  }
  return 0;
}
