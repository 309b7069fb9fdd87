// A ".pcf" pack archive opened for reading: its header and directory, the
// lookup of entries by name, raw access to entries stored plain, and the
// decoding of entries into memory, a sink or files under a folder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "files/file_io_table.h"
#include "files/pack_cipher.h"
#include "files/pack_extraction.h"
#include "files/pack_format.h"
#include "files/pack_stages.h"

namespace tarrowin {

// Why the last OpenArchive failed, for tools that tell the user.
enum class PackOpenError {
  kNone,
  kNoFile,          // missing or unreadable
  kNotArchive,      // too short for a header, or no "PackCode"
  kBadHeader,       // sizes that describe no archive
  kMissingVolume,   // a volume is missing or is not the expected one
  kBadDirectory,    // the directory does not decode (damage, password, limits)
  kDigestMismatch,  // the directory differs from its digest
};

// Why the last ExtractToDisk failed, for tools that tell the user.
enum class PackExtractError {
  kNone,
  kUnsafeName,    // the name would leave the output folder or is not portable
  kLinkInTheWay,  // a link, junction or non-folder stands where the entry goes
  kCannotWrite,   // a folder or the file could not be made or written
  kCannotDecode,  // the entry does not decode (damage, password, limits)
};

// What every archive object holds, open or not.
class CPackArchiveBase {
 public:
  CPackArchiveBase();
  virtual ~CPackArchiveBase() = default;
  CPackArchiveBase(const CPackArchiveBase&) = delete;
  CPackArchiveBase& operator=(const CPackArchiveBase&) = delete;

 protected:
  PackHeader header_;
  FileIoReadTable read_io_{};
  FileIoWriteTable write_io_{};
  std::uint32_t extract_index_ = 0;
  std::u16string output_directory_;  // extraction to disk only
  std::u16string output_path_;
  // Nothing in the program sets them: both stay zeros.
  PackPassword directory_password_{};
  PackPassword entry_password_{};
};

class CPackArchive : public CPackArchiveBase {
 public:
  CPackArchive() = default;
  ~CPackArchive() override = default;

  // Opens and checks the archive at `path` and reads its directory; a
  // non-zero `options` also checks the directory digest. The object is
  // closed again on any failure.
  bool OpenArchive(const char16_t* path, std::uint16_t options);
  bool CloseArchive();
  bool IsOpen() const { return open_; }
  PackOpenError OpenError() const { return open_error_; }

  // `name` is relative to the archive, with "\" or "/" between folders and
  // ASCII letters in any case.
  bool FindEntry(const char16_t* name, std::uint32_t* index) const;
  // The record's name with "\" between folders, cut to `length` units with
  // the terminator; the decoded size.
  bool GetEntryInfo(std::uint32_t index, char16_t* name, std::uint32_t length,
                    std::uint64_t* size) const;
  // For an entry stored plain in one piece of one file: that file, opened
  // and positioned at the entry's first byte, and the absolute offset of
  // that byte. The handle then belongs to the caller.
  bool GetRawLocation(std::uint32_t index, FileHandle* file, std::uint64_t* offset);
  // Decodes entry `index` into `buffer`, which holds at least its size.
  bool ExtractToMemory(std::uint32_t index, void* buffer);

  // Decodes entry `index` into a heap block of its size rounded up to 16
  // bytes. The block grows as decoded bytes arrive, so a record that claims
  // a huge size costs memory only for what it really decodes.
  bool ExtractToBlock(std::uint32_t index, std::unique_ptr<std::uint8_t[]>* block);
  // Decodes entry `index` into `sink`: its exact size, then the end call.
  bool ExtractTo(std::uint32_t index, IPackSink& sink);

  // Extraction to disk: entries become files under the output folder, with
  // the folders they need and the archive file's last-write time. A file
  // is written beside its target and put in its place only when complete,
  // so a failure never damages a file that was there before.
  void SetOutputDirectory(const std::u16string& directory) { output_directory_ = directory; }
  // Nothing is ever written through a link: a symbolic link or junction
  // found inside the output folder, where a folder, the file or its
  // temporary file goes, fails the entry.
  bool ExtractToDisk(std::uint32_t index);
  PackExtractError ExtractError() const { return extract_error_; }
  // Deletes the output of entry `index` (or, with `all`, of the entries
  // before it) where this object created the file, then every folder it
  // created that is empty, deepest first.
  void RemoveExtracted(std::uint32_t index, bool all);

  std::uint32_t EntryCount() const { return static_cast<std::uint32_t>(entries_.size()); }
  const PackEntry* Entry(std::uint32_t index) const;
  const PackHeader& Header() const { return header_; }
  // The archive path without its extension; entry paths start with it.
  const std::u16string& BasePath() const { return parts_.base; }
  const std::u16string& Extension() const { return parts_.extension; }

 private:
  bool Fail(PackOpenError error);
  bool ReadDirectory(std::uint16_t options);
  PackSource Source() const;
  bool ExtractRecord(const PackEntry& record, const PackPassword& password, IPackSink& sink) const;
  bool EntryReadable(std::uint32_t index) const;
  // The output file of an entry opened for writing beside its target, with
  // the folders it needs created; invalid on failure, with extract_error_
  // telling why.
  FileHandle CreateOutputFile(std::uint32_t index);
  std::u16string OutputPath(std::uint32_t index) const;
  void RemoveCreatedFolders();

  bool open_ = false;
  PackOpenError open_error_ = PackOpenError::kNone;
  std::vector<PackEntry> entries_;
  PackPathParts parts_;
  PackLayout layout_;
  std::uint64_t time_stamp_ = 0;  // the archive file's last-write time
  // Extraction to disk: folders created, newest first, and the entries
  // whose files did not exist before.
  std::vector<std::u16string> created_folders_;
  std::vector<std::uint32_t> created_files_;
  PackExtractError extract_error_ = PackExtractError::kNone;
};

}  // namespace tarrowin
