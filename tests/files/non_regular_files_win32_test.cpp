// Names that open a device instead of a file, on Windows: the file layer
// keeps only files on a disk, so a settings file named NUL or CON reads as
// missing instead of waiting on the device.
#include <gtest/gtest.h>

#include "files/file_stream.h"
#include "files/os_file.h"
#include "settings/settings_document.h"

namespace tarrowin {
namespace {

TEST(SpecialFilesTest, DevicesAreRefused) {
  for (const char16_t* device : {u"NUL", u"\\\\.\\NUL"}) {
    EXPECT_FALSE(FileHandle::Open(device, kGenericRead, kFileShareRead, kOpenExisting).IsValid());
    EXPECT_FALSE(FileHandle::Open(device, kGenericWrite, 0, kOpenExisting).IsValid());
    CFileStream stream;
    EXPECT_FALSE(stream.Open(device, kGenericRead, kFileShareRead, kOpenExisting));
    CSettingsDocument document;
    EXPECT_EQ(document.LoadFile(device), 0);
  }
}

}  // namespace
}  // namespace tarrowin
