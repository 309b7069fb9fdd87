// Extraction of entries to files under an output folder: folders made on
// the way, the archive's time stamp, names that would leave the folder,
// failures that leave existing files as they were, and the clean-up of
// what one run created.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "files/pack_archive.h"
#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing_files::BuildImage;
using testing_files::Bytes;
using testing_files::ReadBytes;
using testing_files::SampleBytes;
using testing_files::TempDir;
using testing_files::WriteImage;
namespace offsets = testing_files::offsets;

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

class PackDiskOutputTest : public testing::Test {
 protected:
  PackDiskOutputTest() { fs::create_directories(Out()); }

  fs::path Out() const { return dir_.dir() / "out"; }

  // Opens `image` as a.pcf with the output folder set.
  void Open(const PackImage& image) {
    WriteImage(image, dir_.dir() / "a.pcf");
    ASSERT_TRUE(archive_.OpenArchive(dir_.Path(u"a.pcf").c_str(), 0));
    archive_.SetOutputDirectory(Out().u16string());
  }

  PackImage Sample() {
    return BuildImage({{"deep/er/x.bin", SampleBytes(70000, 1), 0x00280B60},
                       {"top.txt", SampleBytes(10, 2), 0},
                       {"zz/empty", {}, 0}});
  }

  TempDir dir_;
  CPackArchive archive_;
};

TEST_F(PackDiskOutputTest, WritesEntriesWithTheirFoldersAndTheArchiveTime) {
  ASSERT_NO_FATAL_FAILURE(Open(Sample()));
  for (std::uint32_t i = 0; i < archive_.EntryCount(); ++i) EXPECT_TRUE(archive_.ExtractToDisk(i));
  EXPECT_EQ(ReadBytes(Out() / "deep" / "er" / "x.bin"), Text(SampleBytes(70000, 1)));
  EXPECT_EQ(ReadBytes(Out() / "top.txt"), Text(SampleBytes(10, 2)));
  EXPECT_TRUE(fs::exists(Out() / "zz" / "empty"));
  EXPECT_EQ(fs::file_size(Out() / "zz" / "empty"), 0u);
  const auto archive_time = fs::last_write_time(dir_.dir() / "a.pcf");
  const auto file_time = fs::last_write_time(Out() / "top.txt");
  // Time stamps pass through 100 ns units.
  EXPECT_LT(std::chrono::abs(archive_time - file_time), std::chrono::microseconds(1));
  EXPECT_FALSE(fs::exists(Out() / "top.txt.pcf-part"));
}

TEST_F(PackDiskOutputTest, FailureLeavesAnExistingFileAsItWas) {
  PackImage image = Sample();
  // "top.txt" claims one byte more than it stores.
  const std::size_t record = testing_files::RecordAt(image.first, 1);
  testing_files::Put64(image.first, record + offsets::kEntrySize, 11);
  ASSERT_NO_FATAL_FAILURE(Open(image));
  testing_files::WriteBytes(Out() / "top.txt", "precious");
  EXPECT_FALSE(archive_.ExtractToDisk(1));
  EXPECT_EQ(ReadBytes(Out() / "top.txt"), "precious");
  EXPECT_FALSE(fs::exists(Out() / "top.txt.pcf-part"));
}

TEST_F(PackDiskOutputTest, NamesThatLeaveTheOutputFolderAreRefused) {
  for (const char* name : {"../evil.txt", "/abs.txt", "a/../../evil.txt", "C:evil", "a\\..\\x"}) {
    SCOPED_TRACE(name);
    PackImage image = BuildImage({{"placeholder", testing_files::ToBytes("bad"), 0}});
    const std::size_t record = testing_files::RecordAt(image.first, 0);
    std::fill_n(image.first.begin() + static_cast<std::ptrdiff_t>(record), 80, 0);
    std::copy_n(name, std::strlen(name), image.first.begin() + static_cast<std::ptrdiff_t>(record));
    ASSERT_NO_FATAL_FAILURE(Open(image));
    EXPECT_FALSE(archive_.ExtractToDisk(0));
  }
  EXPECT_FALSE(fs::exists(dir_.dir() / "evil.txt"));
  EXPECT_TRUE(fs::is_empty(Out()));
}

// Links placed in the output folder beforehand, where a folder of an entry,
// its file or its temporary file goes: each fails the entry, and nothing
// outside the output folder is touched.
TEST_F(PackDiskOutputTest, LinksInTheOutputFolderAreNeverFollowed) {
  const fs::path outside = dir_.dir() / "outside";
  fs::create_directories(outside / "er");
  testing_files::WriteBytes(outside / "victim.txt", "untouched");
  std::error_code error;
  fs::create_directory_symlink(outside, Out() / "deep", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  ASSERT_NO_FATAL_FAILURE(Open(Sample()));
  EXPECT_FALSE(archive_.ExtractToDisk(0));  // deep/er/x.bin
  EXPECT_EQ(archive_.ExtractError(), PackExtractError::kLinkInTheWay);

  struct Trap {
    const char* at;
    const char* to;
  };
  for (const Trap& trap : {Trap{"top.txt", "victim.txt"}, Trap{"top.txt.pcf-part", "victim.txt"},
                           Trap{"top.txt.pcf-part", "new.txt"}}) {
    SCOPED_TRACE(trap.at);
    fs::create_symlink(outside / trap.to, Out() / trap.at);
    EXPECT_FALSE(archive_.ExtractToDisk(1));
    EXPECT_EQ(archive_.ExtractError(), PackExtractError::kLinkInTheWay);
    EXPECT_TRUE(fs::is_symlink(Out() / trap.at));
    fs::remove(Out() / trap.at);
  }
  EXPECT_EQ(ReadBytes(outside / "victim.txt"), "untouched");
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(outside)) found.push_back(entry.path());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<fs::path>{outside / "er", outside / "victim.txt"}));

  // With the links gone the entry extracts.
  EXPECT_TRUE(archive_.ExtractToDisk(1));
  EXPECT_EQ(ReadBytes(Out() / "top.txt"), Text(SampleBytes(10, 2)));
}

// The output folder itself may be reached through a link: that one is the
// user's to choose.
TEST_F(PackDiskOutputTest, OutputFolderReachedThroughALink) {
  std::error_code error;
  fs::create_directory_symlink(Out(), dir_.dir() / "via", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  ASSERT_NO_FATAL_FAILURE(Open(Sample()));
  archive_.SetOutputDirectory((dir_.dir() / "via").u16string());
  EXPECT_TRUE(archive_.ExtractToDisk(0));
  EXPECT_EQ(ReadBytes(Out() / "deep" / "er" / "x.bin"), Text(SampleBytes(70000, 1)));
}

// A temporary file that an interrupted run left is replaced, not written
// into.
TEST_F(PackDiskOutputTest, LeftoverTemporaryFileIsReplaced) {
  ASSERT_NO_FATAL_FAILURE(Open(Sample()));
  testing_files::WriteBytes(Out() / "top.txt.pcf-part", std::string(100, 's'));
  EXPECT_TRUE(archive_.ExtractToDisk(1));
  EXPECT_EQ(ReadBytes(Out() / "top.txt"), Text(SampleBytes(10, 2)));
  EXPECT_FALSE(fs::exists(Out() / "top.txt.pcf-part"));
}

TEST_F(PackDiskOutputTest, RemoveExtractedTakesBackWhatTheRunCreated) {
  ASSERT_NO_FATAL_FAILURE(Open(Sample()));
  testing_files::WriteBytes(Out() / "top.txt", "was here");
  ASSERT_TRUE(archive_.ExtractToDisk(0));
  ASSERT_TRUE(archive_.ExtractToDisk(1));
  ASSERT_TRUE(fs::exists(Out() / "deep" / "er" / "x.bin"));
  // As after a failure of entry 2: entries 0 and 1 are taken back where
  // this run created them; a file that was there before keeps the new
  // content rather than vanishing.
  archive_.RemoveExtracted(2, true);
  EXPECT_FALSE(fs::exists(Out() / "deep"));
  EXPECT_EQ(ReadBytes(Out() / "top.txt"), Text(SampleBytes(10, 2)));
}

TEST_F(PackDiskOutputTest, NothingWithoutAnOutputFolderOrArchive) {
  ASSERT_NO_FATAL_FAILURE(Open(Sample()));
  archive_.SetOutputDirectory(u"");
  EXPECT_FALSE(archive_.ExtractToDisk(1));
  archive_.SetOutputDirectory(Out().u16string());
  EXPECT_FALSE(archive_.ExtractToDisk(3));
  archive_.CloseArchive();
  EXPECT_FALSE(archive_.ExtractToDisk(1));
  EXPECT_TRUE(fs::is_empty(Out()));
}

}  // namespace
}  // namespace tarrowin
