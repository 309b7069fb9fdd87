// The engine that turns the stored bytes of one pack record back into its
// content: it finds the bytes across the archive's files, decrypts them,
// undoes the compression stages and hands the result to a sink.
#pragma once

#include <cstdint>

#include "files/file_io_table.h"
#include "files/pack_cipher.h"
#include "files/pack_format.h"
#include "files/pack_stages.h"

namespace tarrowin {

// What an extraction needs to know of its archive.
struct PackSource {
  const FileIoReadTable* io = nullptr;
  PackPathParts parts;  // names the volumes
  PackLayout layout;
};

// Opens file `volume` of the archive for reading. A further volume must
// carry its header with its own number; the file pointer is then at its
// first data byte.
FileHandle OpenPackVolume(const PackSource& source, std::uint64_t volume);

// Opens the file that holds archive offset `offset` and moves its file
// pointer there; `location` tells which file and where its data ends. An
// invalid handle when the file is missing or not the expected volume.
FileHandle PositionPackInput(const PackSource& source, std::uint64_t offset,
                             PackLocation* location);

// Decodes `record` into `sink`: exactly record.size bytes, then the end
// call. False for a missing volume, a read error, a wrong password, an
// unknown cipher or mode, a decoder failure, a sink refusing data, or
// content of another length than the record says. Leaves no file open.
bool ExtractPackRecord(const PackSource& source, const PackEntry& record,
                       const PackPassword& password, IPackSink& sink);

}  // namespace tarrowin
