// The two small tables of file functions through which the pack archive
// reader does its own input and output, so that it never calls the system
// directly. Handles are the seam's owned FileHandle: "no handle" is an
// invalid one, and closing through the table releases it.
#pragma once

#include <cstdint>

#include "files/os_file.h"

namespace tarrowin {

// Opens with no security attributes, normal attributes, no template.
using FileIoOpen = FileHandle (*)(const char16_t* path, std::uint32_t access, std::uint32_t share,
                                  std::uint32_t creation);
// Moves the file pointer by the 64-bit distance given as two 32-bit halves;
// `position` (optional) receives the new absolute position.
using FileIoSeek = bool (*)(FileHandle& file, std::uint32_t low, std::int32_t high,
                            std::uint32_t method, std::uint64_t* position);
using FileIoClose = bool (*)(FileHandle& file);

struct FileIoReadTable {
  FileIoOpen open;
  bool (*read)(FileHandle& file, void* buffer, std::uint32_t count, std::uint32_t* done);
  FileIoSeek seek;
  bool (*get_size)(FileHandle& file, std::uint64_t* size);
  FileIoClose close;
};

struct FileIoWriteTable {
  FileIoOpen open;
  bool (*write)(FileHandle& file, const void* buffer, std::uint32_t count, std::uint32_t* done);
  FileIoSeek seek;
  bool (*flush)(FileHandle& file);
  FileIoClose close;
};

// Fill a table with the system's file functions; false when given none.
bool InitFileIoReadTable(FileIoReadTable* table);
bool InitFileIoWriteTable(FileIoWriteTable* table);

}  // namespace tarrowin
