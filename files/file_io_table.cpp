// The file function tables, filled from the file seam.
#include "files/file_io_table.h"

namespace tarrowin {
namespace {

FileHandle OpenFile(const char16_t* path, std::uint32_t access, std::uint32_t share,
                    std::uint32_t creation) {
  return FileHandle::Open(path, access, share, creation);
}

bool ReadFile(FileHandle& file, void* buffer, std::uint32_t count, std::uint32_t* done) {
  return file.Read(buffer, count, done);
}

bool WriteFile(FileHandle& file, const void* buffer, std::uint32_t count, std::uint32_t* done) {
  return file.Write(buffer, count, done);
}

bool SeekFile(FileHandle& file, std::uint32_t low, std::int32_t high, std::uint32_t method,
              std::uint64_t* position) {
  const auto distance = static_cast<std::int64_t>(
      static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32 | low);
  return file.Seek(distance, method, position);
}

bool GetFileSize(FileHandle& file, std::uint64_t* size) { return file.GetSize(size); }

bool FlushFile(FileHandle& file) { return file.Flush(); }

bool CloseFile(FileHandle& file) { return file.Close(); }

}  // namespace

bool InitFileIoReadTable(FileIoReadTable* table) {
  if (table == nullptr) return false;
  *table = {OpenFile, ReadFile, SeekFile, GetFileSize, CloseFile};
  return true;
}

bool InitFileIoWriteTable(FileIoWriteTable* table) {
  if (table == nullptr) return false;
  *table = {OpenFile, WriteFile, SeekFile, FlushFile, CloseFile};
  return true;
}

}  // namespace tarrowin
