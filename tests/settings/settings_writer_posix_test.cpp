// Saves on POSIX: those that fail after the file is open, where a full disk
// can be had on demand (/dev/full, a file size limit, and a tiny tmpfs when
// the test may mount one), which must report 0 and leave the old file; and
// replacing a file that is reached through links, has its own mode and
// owner, or sits in a folder that takes no new file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(FailedSaveTest, FailedWriteInPlaceKeepsTheOldContent) {
  // No name beside this one fits, so the file is written in place.
  const std::string name(250, 'n');
  const std::string old = "[old]\r\nk=v\r\n\r\n";
  WriteBytes(dir_.dir() / name, old);
  {
    FileSizeLimit limit(16384);
    EXPECT_EQ(doc_.SaveFile((dir_.dir() / name).u16string().c_str(), nullptr, 1), 0);
  }
  EXPECT_EQ(ReadBytes(dir_.dir() / name), old);
  EXPECT_EQ(Files(dir_.dir()), std::vector<std::string>{name});
}

class ReplacedFileTest : public testing::Test {
 protected:
  void SetUp() override { doc_.SetString(u"s", u"k", u"v"); }
  int Save(const std::filesystem::path& path) {
    return doc_.SaveFile(path.u16string().c_str(), nullptr, 1);
  }
  static constexpr char kOld[] = "[old]\r\nk=v\r\n\r\n";
  static constexpr char kNew[] = "[s]\r\nk=v\r\n\r\n";

  testing_files::TempDir dir_;
  CSettingsDocument doc_;
};

// Saving through a link writes the file it points at and leaves the link,
// also through a chain of links, relative or absolute, and to a file that
// does not exist yet.
TEST_F(ReplacedFileTest, LinksStayAndTheirTargetIsWritten) {
  namespace fs = std::filesystem;
  fs::create_directory(dir_.dir() / "real");
  WriteBytes(dir_.dir() / "real" / "rules.ini", kOld);
  fs::create_symlink("real/rules.ini", dir_.dir() / "link.ini");
  fs::create_symlink(dir_.dir() / "link.ini", dir_.dir() / "chain.ini");
  fs::create_symlink("real/later.ini", dir_.dir() / "dangling.ini");

  ASSERT_EQ(Save(dir_.dir() / "link.ini"), 1);
  EXPECT_TRUE(fs::is_symlink(dir_.dir() / "link.ini"));
  EXPECT_EQ(ReadBytes(dir_.dir() / "real" / "rules.ini"), kNew);

  WriteBytes(dir_.dir() / "real" / "rules.ini", kOld);
  ASSERT_EQ(Save(dir_.dir() / "chain.ini"), 1);
  EXPECT_TRUE(fs::is_symlink(dir_.dir() / "chain.ini"));
  EXPECT_TRUE(fs::is_symlink(dir_.dir() / "link.ini"));
  EXPECT_EQ(ReadBytes(dir_.dir() / "real" / "rules.ini"), kNew);

  ASSERT_EQ(Save(dir_.dir() / "dangling.ini"), 1);
  EXPECT_TRUE(fs::is_symlink(dir_.dir() / "dangling.ini"));
  EXPECT_EQ(ReadBytes(dir_.dir() / "real" / "later.ini"), kNew);
  // Nothing is left beside either.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.dir() / "real"), fs::directory_iterator()),
            2);
}

// The replaced file keeps its permission bits, and its owner and group
// where this process may give them (root may).
TEST_F(ReplacedFileTest, ModeAndOwnerStay) {
  const std::filesystem::path file = dir_.dir() / "rules.ini";
  WriteBytes(file, kOld);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  const uid_t owner = root ? 4321 : ::geteuid();
  const gid_t group = root ? 8765 : ::getegid();
  ASSERT_EQ(::chown(file.c_str(), owner, group), 0);

  ASSERT_EQ(Save(file), 1);
  EXPECT_EQ(ReadBytes(file), kNew);
  struct stat info;
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(info.st_uid, owner);
  EXPECT_EQ(info.st_gid, group);
}

// Makes a folder take no new entry: read-only for an ordinary user; for
// root, who ignores that, immutable where the file system allows it (the
// files inside stay writable). Undone on destruction.
class LockedFolder {
 public:
  explicit LockedFolder(const std::filesystem::path& folder) : folder_(folder) {
    ::chmod(folder_.c_str(), 0555);
    if (::access(folder_.c_str(), W_OK) != 0) {
      locked_ = true;
      return;
    }
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      immutable_ = locked_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
  }
  ~LockedFolder() {
    if (immutable_) {
      const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
      int flags = 0;
      if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
      }
      if (fd >= 0) ::close(fd);
    }
    ::chmod(folder_.c_str(), 0755);
  }
  LockedFolder(const LockedFolder&) = delete;
  LockedFolder& operator=(const LockedFolder&) = delete;

  bool locked() const { return locked_; }

 private:
  std::filesystem::path folder_;
  bool locked_ = false;
  bool immutable_ = false;
};

// A folder that takes no new file, holding a file that may be written: the
// file is written in place; a new file cannot be saved there.
TEST_F(ReplacedFileTest, ReadOnlyFolderWithAWritableFile) {
  const std::filesystem::path folder = dir_.dir() / "locked";
  std::filesystem::create_directory(folder);
  WriteBytes(folder / "rules.ini", kOld);
  LockedFolder lock(folder);
  if (!lock.locked()) GTEST_SKIP() << "cannot make a folder refuse new files here";
  ASSERT_EQ(Save(folder / "rules.ini"), 1);
  EXPECT_EQ(ReadBytes(folder / "rules.ini"), kNew);
  EXPECT_EQ(Save(folder / "new.ini"), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace tarrowin
