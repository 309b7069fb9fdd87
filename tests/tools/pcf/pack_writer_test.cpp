// The archive writer of the pcf tool refuses what the format cannot hold or
// what readers would trip over, and lays out divided archives so that the
// reader's volume count holds.
#include "tools/pcf/pack_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

using testing_files::SampleBytes;

struct RefusalCase {
  const char* name;
  std::vector<PackWriterFile> files;
  PackWriterOptions options;
  const char* message;
};

PackWriterOptions WithVolumes(std::uint64_t size) {
  PackWriterOptions options;
  options.volume_size = size;
  return options;
}

PackWriterOptions WithDirectoryFlags(PackFlags flags) {
  PackWriterOptions options;
  options.directory_flags = flags;
  return options;
}

TEST(PackWriterTest, Refusals) {
  const RefusalCase cases[] = {
      {"NameTooLong", {{std::string(80, 'n'), {}, 0}}, {}, "longer than 79 bytes"},
      {"NameLeavesTheFolder", {{"../x", {}, 0}}, {}, "not a relative path"},
      {"EmptyName", {{"", {}, 0}}, {}, "not a relative path"},
      {"DeviceName", {{"sub/Aux.ini", {}, 0}}, {}, "Windows can hold"},
      {"TrailingDot", {{"sub./x", {}, 0}}, {}, "Windows can hold"},
      {"SameNameInAnotherCase", {{"Sub/A.ini", {}, 0}, {"sub/a.INI", {}, 0}}, {}, "the same"},
      {"VolumeTooSmall", {{"x", {}, 0}}, WithVolumes(511), "volume size"},
      {"ArchiveBitInFlags", {{"x", {}, kPackDivided}}, {}, "archive bits"},
      {"NoSuchCipher", {{"x", {1, 2}, 0x00140000}}, {}, "cipher or mode"},
      {"NoSuchMode", {{"x", {1, 2}, 0x00A70000}}, {}, "cipher or mode"},
      {"BlockSortingWithoutSize", {{"x", {1}, 0x0000B00C}}, {}, "block or window"},
      {"DirectoryWithoutCapacity", {}, WithDirectoryFlags(0x00001161), "block or window"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    PackImage image;
    std::string error;
    EXPECT_FALSE(BuildPackImage(c.files, c.options, &image, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(PackWriterTest, ArchiveThatFitsOneVolumeIsNotDivided) {
  const PackImage image =
      testing_files::BuildImage({{"x", SampleBytes(100), 0}}, WithVolumes(4096));
  EXPECT_TRUE(image.volumes.empty());
  EXPECT_EQ(ParsePackHeader(image.first.data()).flags & kPackDivided, 0u);
}

// For every volume size, the reader's count of volumes to check,
// (T - F) div V, never exceeds the volumes written, and the first file is
// never longer than a volume.
TEST(PackWriterTest, DividedLayoutsHoldTheReadersCount) {
  const std::vector<PackWriterFile> files = {{"x", SampleBytes(3000), 0}};
  // The archive takes 3328 bytes in one piece.
  for (std::uint64_t volume = 512; volume < 3328; volume += 97) {
    SCOPED_TRACE(volume);
    const PackImage image = testing_files::BuildImage(files, WithVolumes(volume));
    const PackHeader header = ParsePackHeader(image.first.data());
    ASSERT_TRUE((header.flags & kPackDivided) != 0);
    PackLayout layout;
    ASSERT_TRUE(MakePackLayout(header, &layout));
    EXPECT_EQ(header.first_file_size, image.first.size());
    EXPECT_LE(image.first.size(), volume);
    EXPECT_LE((header.data_end - header.first_file_size) / header.volume_size,
              image.volumes.size());
    std::uint64_t total = image.first.size() - 192;
    for (const auto& v : image.volumes) {
      EXPECT_LE(v.size(), volume);
      total += v.size() - 32;
    }
    EXPECT_EQ(total, header.data_end);
  }
}

TEST(PackWriterTest, RewritingRemovesVolumesOfTheEarlierArchiveOnly) {
  testing_files::TempDir dir;
  const std::vector<PackWriterFile> files = {{"x", SampleBytes(3000), 0}};
  testing_files::WriteImage(testing_files::BuildImage(files, WithVolumes(1024)),
                            dir.dir() / "a.pcf");
  ASSERT_TRUE(std::filesystem::exists(dir.dir() / "a_003.pcf"));
  testing_files::WriteBytes(dir.dir() / "a_005.pcf", "PackDivF, but after a gap");
  testing_files::WriteImage(testing_files::BuildImage(files, WithVolumes(2048)),
                            dir.dir() / "a.pcf");
  EXPECT_TRUE(std::filesystem::exists(dir.dir() / "a_001.pcf"));
  EXPECT_FALSE(std::filesystem::exists(dir.dir() / "a_002.pcf"));
  EXPECT_FALSE(std::filesystem::exists(dir.dir() / "a_003.pcf"));
  EXPECT_TRUE(std::filesystem::exists(dir.dir() / "a_005.pcf"));
  CPackArchive archive;
  EXPECT_TRUE(archive.OpenArchive(dir.Path(u"a.pcf").c_str(), 0));
}

}  // namespace
}  // namespace tarrowin
