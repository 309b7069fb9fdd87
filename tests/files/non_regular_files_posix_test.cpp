// Paths that name no regular file, on POSIX: a FIFO or a device named like
// a settings file or like the archive of a parent folder is refused at
// once. Opening a FIFO would otherwise wait for a writer for ever.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <string>

#include "files/file_stream.h"
#include "files/os_file.h"
#include "settings/settings_document.h"
#include "tests/files/pack_test_support.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;
using testing_files::TempDir;

// Runs `open` and gives its result. Were it to wait on the FIFO, opening
// the FIFO's other end lets it go, and the test fails.
bool ResultWithoutWaiting(const fs::path& fifo, std::function<bool()> open) {
  std::future<bool> opened = std::async(std::launch::async, std::move(open));
  if (opened.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    ADD_FAILURE() << "opening waits on the FIFO " << fifo;
    const int other_end = ::open(fifo.c_str(), O_RDWR);
    if (other_end >= 0) ::close(other_end);
  }
  return opened.get();
}

bool OpenStream(const fs::path& path) {
  CFileStream stream;
  return stream.Open(path.u16string().c_str(), kGenericRead, kFileShareRead, kOpenExisting) != 0;
}

TEST(SpecialFilesTest, FifoNamedLikeTheSettingsFileIsRefused) {
  TempDir dir;
  const fs::path fifo = dir.dir() / "user.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ResultWithoutWaiting(fifo, [&] { return OpenStream(fifo); }));
  EXPECT_FALSE(ResultWithoutWaiting(fifo, [&] {
    CSettingsDocument document;
    return document.LoadFile(fifo.u16string().c_str()) != 0;
  }));
  EXPECT_FALSE(ResultWithoutWaiting(fifo, [&] {
    return FileHandle::Open(fifo.u16string().c_str(), kGenericWrite, 0, kOpenExisting).IsValid();
  }));
}

TEST(SpecialFilesTest, FifoNamedLikeAParentFoldersArchiveIsRefused) {
  TempDir dir;
  fs::create_directories(dir.dir() / "app");
  const fs::path fifo = dir.dir() / "app" / "conf.pcf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The search moves on to the next archive out, which holds the file.
  testing_files::WriteImage(testing_files::BuildImage({{"conf/user.ini", {'o', 'k'}, 0}}),
                            dir.dir() / "app.pcf");
  const fs::path wanted = dir.dir() / "app" / "conf" / "user.ini";
  EXPECT_TRUE(ResultWithoutWaiting(fifo, [&] { return OpenStream(wanted); }));
  fs::remove(dir.dir() / "app.pcf");
  EXPECT_FALSE(ResultWithoutWaiting(fifo, [&] { return OpenStream(wanted); }));
  EXPECT_FALSE(ResultWithoutWaiting(fifo, [&] {
    CPackArchive archive;
    return archive.OpenArchive(fifo.u16string().c_str(), 0);
  }));
}

TEST(SpecialFilesTest, DevicesAreRefused) {
  for (const char16_t* device : {u"/dev/null", u"/dev/zero"}) {
    EXPECT_FALSE(FileHandle::Open(device, kGenericRead, kFileShareRead, kOpenExisting).IsValid());
    CFileStream stream;
    EXPECT_FALSE(stream.Open(device, kGenericRead, kFileShareRead, kOpenExisting));
  }
  EXPECT_FALSE(FileHandle::Open(u"/dev/null", kGenericWrite, 0, kOpenExisting).IsValid());
}

}  // namespace
}  // namespace tarrowin
