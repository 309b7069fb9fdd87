// Opening files through pack archives: a file missing on disk is found in
// the archives named after its parent folders, innermost first; entries are
// read in place or decoded into memory; settings files load from archives
// exactly as from disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/file_stream.h"
#include "files/pack_archive.h"
#include "settings/settings_document.h"
#include "tests/files/allocation_meter.h"
#include "tests/files/pack_test_support.h"
#include "tests/settings/document_contents.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing_files::BuildImage;
using testing_files::Bytes;
using testing_files::RangeBombArchive;
using testing_files::SampleBytes;
using testing_files::TempDir;
using testing_files::ToBytes;
using testing_files::WriteImage;
using Mode = CFileStream::FileMode;

class PackLookupTest : public testing::Test {
 protected:
  PackLookupTest() { fs::create_directories(dir_.dir() / "app" / "conf"); }

  fs::path At(const fs::path& relative) const { return dir_.dir() / relative; }

  void Pack(const fs::path& archive, std::vector<PackWriterFile> files,
            PackWriterOptions options = {}) {
    WriteImage(BuildImage(std::move(files), options), At(archive));
  }

  // The whole content of `path` as the program opens a settings file, or
  // "<missing>".
  std::string OpenAndRead(const fs::path& path, Mode* mode = nullptr) {
    CFileStream stream;
    if (!stream.Open(path.u16string().c_str(), kGenericRead, kFileShareRead, kOpenExisting)) {
      return "<missing>";
    }
    if (mode != nullptr) *mode = stream.mode();
    std::uint64_t size = 0;
    EXPECT_TRUE(stream.GetSize64(&size));
    std::string content(static_cast<std::size_t>(size), '\0');
    std::uint32_t got = 0;
    EXPECT_TRUE(stream.Read(content.data(), static_cast<std::uint32_t>(size), &got));
    EXPECT_EQ(got, size);
    return content;
  }

  // app/conf/user/settings.ini, which is never on disk unless a test puts
  // it there.
  fs::path Wanted() const { return At(fs::path("app") / "conf" / "user" / "settings.ini"); }

  TempDir dir_;
};

TEST_F(PackLookupTest, InnermostArchiveWins) {
  Pack("app/conf/user.pcf", {{"settings.ini", ToBytes("inner"), 0}});
  Pack("app/conf.pcf", {{"user/settings.ini", ToBytes("middle"), 0x00150000}});
  Pack("app.pcf", {{"conf/user/settings.ini", ToBytes("outer"), 0}});
  EXPECT_EQ(OpenAndRead(Wanted()), "inner");
  fs::remove(At("app/conf/user.pcf"));
  EXPECT_EQ(OpenAndRead(Wanted()), "middle");
  fs::remove(At("app/conf.pcf"));
  EXPECT_EQ(OpenAndRead(Wanted()), "outer");
  fs::remove(At("app.pcf"));
  EXPECT_EQ(OpenAndRead(Wanted()), "<missing>");
}

TEST_F(PackLookupTest, CandidatesThatFailMoveTheSearchOn) {
  Pack("app.pcf", {{"conf/user/settings.ini", ToBytes("outer"), 0}});
  // An archive without the entry, a file that is no archive, and an
  // archive whose entries are not to be read.
  Pack("app/conf/user.pcf", {{"other.ini", ToBytes("x"), 0}});
  testing_files::WriteBytes(At("app/conf.pcf"), "not an archive at all");
  EXPECT_EQ(OpenAndRead(Wanted()), "outer");

  PackImage locked = BuildImage({{"user/settings.ini", ToBytes("locked"), 0}});
  testing_files::Put32(locked.first, testing_files::offsets::kFlags, kPackNotReadable);
  WriteImage(locked, At("app/conf.pcf"));
  EXPECT_EQ(OpenAndRead(Wanted()), "outer");
}

TEST_F(PackLookupTest, FileOnDiskIsNeverLookedForInArchives) {
  Pack("app/conf/user.pcf", {{"settings.ini", ToBytes("packed"), 0}});
  fs::create_directories(At("app/conf/user"));
  testing_files::WriteBytes(Wanted(), "on disk");
  EXPECT_EQ(OpenAndRead(Wanted()), "on disk");
}

TEST_F(PackLookupTest, EntryNamesMatchInAnyCase) {
  Pack("app/conf/user.pcf", {{"Settings.INI", ToBytes("found"), 0}});
  EXPECT_EQ(OpenAndRead(Wanted()), "found");
}

TEST_F(PackLookupTest, SmallPlainEntryIsCopiedToMemoryLargeOneStaysAHandle) {
  Bytes big = ToBytes("first line\r\n");
  const Bytes rest = SampleBytes(1 << 20);
  big.insert(big.end(), rest.begin(), rest.end());
  Pack("app/conf/user.pcf", {{"small.ini", SampleBytes(100), 0},
                             {"big.ini", big, 0},
                             {"secret.ini", SampleBytes(100000), 0x002A0000}});
  Mode mode = Mode::kClosed;
  EXPECT_EQ(OpenAndRead(At("app/conf/user/small.ini"), &mode).size(), 100u);
  EXPECT_EQ(mode, Mode::kMemory);
  EXPECT_EQ(OpenAndRead(At("app/conf/user/secret.ini"), &mode).size(), 100000u);
  EXPECT_EQ(mode, Mode::kMemory);

  CFileStream stream;
  ASSERT_TRUE(stream.Open(At("app/conf/user/big.ini").u16string().c_str(), kGenericRead,
                          kFileShareRead, kOpenExisting));
  EXPECT_EQ(stream.mode(), Mode::kReadHandle);
  Bytes read(big.size());
  std::uint32_t got = 0;
  ASSERT_TRUE(stream.Read(read.data(), static_cast<std::uint32_t>(read.size()), &got));
  EXPECT_EQ(read, big);
  // The first line read maps the archive file and starts at the entry.
  ASSERT_EQ(stream.Seek64(0, nullptr, kSeekBegin), 1);
  char16_t line[64];
  EXPECT_TRUE(stream.ReadLine(line, 32));
  EXPECT_EQ(stream.mode(), Mode::kMemory);
  EXPECT_EQ(std::u16string(line), u"first line");
}

TEST_F(PackLookupTest, DividedArchive) {
  const Bytes inside = SampleBytes(70000, 1);
  const Bytes spanning = SampleBytes(250000, 2);
  PackWriterOptions options;
  options.volume_size = 100000;
  Pack("app/conf/user.pcf", {{"a_inside.ini", inside, 0}, {"b_spanning.ini", spanning, 0}},
       options);
  ASSERT_TRUE(fs::exists(At("app/conf/user_003.pcf")));
  Mode mode = Mode::kClosed;
  EXPECT_TRUE(ToBytes(OpenAndRead(At("app/conf/user/a_inside.ini"), &mode)) == inside);
  EXPECT_EQ(mode, Mode::kReadHandle);
  EXPECT_TRUE(ToBytes(OpenAndRead(At("app/conf/user/b_spanning.ini"), &mode)) == spanning);
  EXPECT_EQ(mode, Mode::kMemory);
}

TEST_F(PackLookupTest, OverlongPathsFailQuietly) {
  fs::path deep = At("app");
  for (int i = 0; i < 16; ++i) deep /= std::string(200, static_cast<char>('a' + i));
  EXPECT_EQ(OpenAndRead(deep / "settings.ini"), "<missing>");
}

TEST_F(PackLookupTest, OpenInPackNeedsTheArchiveBaseAndASeparator) {
  Pack("app/conf/user.pcf", {{"settings.ini", ToBytes("x"), 0}});
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(At("app/conf/user.pcf").u16string().c_str(), 0));
  const std::u16string base = archive.BasePath();
  CFileStream stream;
  EXPECT_TRUE(stream.OpenInPack((base + u"\\settings.ini").c_str(), &archive));
  EXPECT_TRUE(stream.OpenInPack((base + u"/SETTINGS.ini").c_str(), &archive));
  EXPECT_FALSE(stream.OpenInPack((base + u"settings.ini").c_str(), &archive));
  EXPECT_FALSE(stream.OpenInPack((base + u"\\").c_str(), &archive));
  EXPECT_FALSE(stream.OpenInPack(u"elsewhere/settings.ini", &archive));
  EXPECT_FALSE(stream.OpenInPack(nullptr, &archive));
  EXPECT_FALSE(stream.OpenInPack((base + u"\\settings.ini").c_str(), nullptr));
  EXPECT_FALSE(stream.IsOpen());
}

// A bomb in a parent folder: an entry that declares more than the lookup
// serves is refused before any byte is decoded, on every road to it, and
// costs next to no memory; the search goes on to the outer archives.
TEST_F(PackLookupTest, EntryDeclaredAboveTheLimitIsRefusedUndecoded) {
  constexpr std::uint64_t kTwoGiB = std::uint64_t{2} << 30;
  testing_files::WriteFileBytes(At("app/conf.pcf"), RangeBombArchive("user/settings.ini", kTwoGiB));
  ASSERT_LT(fs::file_size(At("app/conf.pcf")), 4096u);

  testing_files::AllocationMeter meter;
  CFileStream stream;
  EXPECT_FALSE(
      stream.Open(Wanted().u16string().c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  const PackEntryRefusal* refused = stream.LastPackRefusal();
  ASSERT_NE(refused, nullptr);
  EXPECT_TRUE(refused->archive.ends_with(u"conf.pcf"));
  EXPECT_EQ(fs::path(refused->archive), fs::path(At("app/conf.pcf").u16string()).make_preferred());
  EXPECT_EQ(refused->entry, u"user\\settings.ini");
  EXPECT_EQ(refused->size, kTwoGiB);

  CSettingsDocument document;
  EXPECT_EQ(document.LoadFile(Wanted().u16string().c_str()), 0);
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(At("app/conf.pcf").u16string().c_str(), 0));
  EXPECT_FALSE(stream.OpenInPack((archive.BasePath() + u"\\user\\settings.ini").c_str(), &archive));
  EXPECT_NE(stream.LastPackRefusal(), nullptr);
  EXPECT_EQ(document.LoadFromPack(u"user\\settings.ini", &archive), 0);
  EXPECT_LT(meter.Peak(), std::size_t{1} << 20);

  // An outer archive that holds the file serves it.
  Pack("app.pcf", {{"conf/user/settings.ini", ToBytes("outer"), 0}});
  EXPECT_EQ(OpenAndRead(Wanted()), "outer");
  EXPECT_TRUE(
      stream.Open(Wanted().u16string().c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_EQ(stream.LastPackRefusal(), nullptr);
}

// Entries up to the limit are read as before, however they were packed.
TEST_F(PackLookupTest, EntryOfExactlyTheLimitIsServed) {
  testing_files::WriteFileBytes(At("app/conf.pcf"),
                                RangeBombArchive("user/settings.ini", kMaxLookupEntrySize));
  CFileStream stream;
  ASSERT_TRUE(
      stream.Open(Wanted().u16string().c_str(), kGenericRead, kFileShareRead, kOpenExisting));
  EXPECT_EQ(stream.LastPackRefusal(), nullptr);
  std::uint64_t size = 0;
  ASSERT_TRUE(stream.GetSize64(&size));
  EXPECT_EQ(size, kMaxLookupEntrySize);
  ASSERT_EQ(stream.Seek64(-4, nullptr, kSeekEnd), 1);
  std::uint8_t tail[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  std::uint32_t got = 0;
  ASSERT_TRUE(stream.Read(tail, sizeof tail, &got));
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(tail[0] | tail[1] | tail[2] | tail[3], 0);

  testing_files::WriteFileBytes(At("app/conf.pcf"),
                                RangeBombArchive("user/settings.ini", kMaxLookupEntrySize + 1));
  EXPECT_EQ(OpenAndRead(Wanted()), "<missing>");
}

// A settings text with a byte-order mark, Japanese text and CR LF lines.
std::string SettingsText() {
  const std::u16string text =
      u"[tarrowin1]\r\nProcessName=\u30E1\u30E2\u5E33.exe\r\nCPUCount=2\r\nCPUMask=0x3\r\n"
      u"[tarrowin2]\r\nProcessName=C:\\Tools\\x.exe\r\nCPUCount=-1\r\n";
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

TEST_F(PackLookupTest, SettingsFileLoadsFromAnArchiveAsFromDisk) {
  const fs::path on_disk = At("disk.ini");
  testing_files::WriteBytes(on_disk, SettingsText());
  CSettingsDocument expected;
  ASSERT_EQ(expected.LoadFile(on_disk.u16string().c_str()), 1);
  ASSERT_EQ(expected.sections().size(), 2u);

  for (const PackFlags flags : {PackFlags{0}, PackFlags{0x00230000}, PackFlags{0x0028B060}}) {
    SCOPED_TRACE(flags);
    PackWriterOptions options;
    options.directory_flags = flags;
    Pack("app/conf.pcf", {{"user/settings.ini", ToBytes(SettingsText()), flags}}, options);
    CSettingsDocument packed;
    ASSERT_EQ(packed.LoadFile(Wanted().u16string().c_str()), 1);
    EXPECT_EQ(testing_settings::Contents(packed), testing_settings::Contents(expected));
  }
}

TEST_F(PackLookupTest, LoadFromPackAppends) {
  Pack("app/conf.pcf", {{"user/settings.ini", ToBytes(SettingsText()), 0}});
  CPackArchive archive;
  ASSERT_TRUE(archive.OpenArchive(At("app/conf.pcf").u16string().c_str(), 0));
  CSettingsDocument document;
  EXPECT_EQ(document.LoadFromPack(u"user\\settings.ini", &archive), 1);
  EXPECT_EQ(document.LoadFromPack(u"user/settings.ini", &archive), 1);
  EXPECT_EQ(document.sections().size(), 4u);
  EXPECT_EQ(document.LoadFromPack(u"user/missing.ini", &archive), 0);
  EXPECT_EQ(document.LoadFromPack(nullptr, &archive), 0);
  EXPECT_EQ(document.sections().size(), 4u);
}

}  // namespace
}  // namespace tarrowin
