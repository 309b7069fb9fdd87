// Saves that fail after the file is open, on POSIX, where a full disk can
// be had on demand: /dev/full, a file size limit, and a tiny tmpfs when the
// test may mount one. A failed save must report 0 and leave the old file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_document.h"
#include "tests/files/temp_dir.h"

namespace tarrowin {
namespace {

using testing_files::ReadBytes;
using testing_files::WriteBytes;

class FailedSaveTest : public testing::Test {
 protected:
  // About 300 KB of text: more than any limit below.
  void SetUp() override {
    const std::u16string value(300, u'v');
    for (int section = 0; section < 50; ++section) {
      for (int key = 0; key < 20; ++key) {
        doc_.SetString((u"s" + std::u16string(section + 1, u'x')).c_str(),
                       (u"k" + std::u16string(key + 1, u'y')).c_str(), value.c_str());
      }
    }
  }
  std::vector<std::string> Files(const std::filesystem::path& dir) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  testing_files::TempDir dir_;
  CSettingsDocument doc_;
};

TEST_F(FailedSaveTest, DeviceThatIsAlwaysFull) {
  EXPECT_EQ(doc_.SaveFile(u"/dev/full", nullptr, 0), 0);
  // Replacing is refused outright: a device is not a settings file.
  EXPECT_EQ(doc_.SaveFile(u"/dev/full", nullptr, 1), 0);
  struct stat info;
  ASSERT_EQ(::stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
}

// Writes past the limit fail with EFBIG, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_;
  void (*old_handler_)(int);
};

TEST_F(FailedSaveTest, ReplacingKeepsTheOldFileWhenTheDiskFills) {
  WriteBytes(dir_.dir() / "out.ini", "[old]\r\nk=v\r\n\r\n");
  {
    FileSizeLimit limit(16384);
    EXPECT_EQ(doc_.SaveFile(dir_.Path(u"out.ini").c_str(), nullptr, 1), 0);
  }
  EXPECT_EQ(ReadBytes(dir_.dir() / "out.ini"), "[old]\r\nk=v\r\n\r\n");
  EXPECT_EQ(Files(dir_.dir()), std::vector<std::string>{"out.ini"});
}

TEST_F(FailedSaveTest, AppendingCutsBackToTheOldEnd) {
  const std::string old(10000, 'o');
  WriteBytes(dir_.dir() / "out.ini", old);
  {
    FileSizeLimit limit(16384);
    EXPECT_EQ(doc_.SaveFile(dir_.Path(u"out.ini").c_str(), nullptr, 0), 0);
  }
  EXPECT_EQ(ReadBytes(dir_.dir() / "out.ini"), old);
  {
    FileSizeLimit limit(16384);
    EXPECT_EQ(doc_.SaveFile(dir_.Path(u"new.ini").c_str(), nullptr, 0), 0);
  }
  EXPECT_EQ(Files(dir_.dir()), std::vector<std::string>{"out.ini"});  // no new file left
}

// A real full file system: a 64 KiB tmpfs, when this process may mount.
TEST_F(FailedSaveTest, ReplacingKeepsTheOldFileOnAFullFileSystem) {
  const std::filesystem::path mount_point = dir_.dir() / "small";
  std::filesystem::create_directory(mount_point);
  if (::mount("tarrowin-test", mount_point.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here";
  }
  struct Unmount {
    const std::filesystem::path& path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{mount_point};
  WriteBytes(mount_point / "out.ini", "[old]\r\nk=v\r\n\r\n");
  const std::u16string target = (mount_point / "out.ini").u16string();
  EXPECT_EQ(doc_.SaveFile(target.c_str(), nullptr, 1), 0);
  EXPECT_EQ(ReadBytes(mount_point / "out.ini"), "[old]\r\nk=v\r\n\r\n");
  EXPECT_EQ(Files(mount_point), std::vector<std::string>{"out.ini"});
  EXPECT_EQ(doc_.SaveFile(target.c_str(), nullptr, 0), 0);
  EXPECT_EQ(ReadBytes(mount_point / "out.ini"), "[old]\r\nk=v\r\n\r\n");
  // A document that fits is saved.
  CSettingsDocument small;
  small.SetString(u"s", u"k", u"v");
  EXPECT_EQ(small.SaveFile(target.c_str(), nullptr, 1), 1);
  EXPECT_EQ(ReadBytes(mount_point / "out.ini"), "[s]\r\nk=v\r\n\r\n");
}

}  // namespace
}  // namespace tarrowin
