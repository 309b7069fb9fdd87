// Extraction of pack entries to files under an output folder, and the
// clean-up after a failed extraction. Entry names come from the archive and
// are untrusted: only names that stay inside the output folder are written.
#include <algorithm>

#include "files/pack_archive.h"
#include "files/pack_output_os.h"
#include "settings/utf8.h"

namespace tarrowin {
namespace {

// The suffix of the file an entry is written to before it takes its name.
constexpr std::u16string_view kPartSuffix = u".pcf-part";

// Writes decoded bytes through the write table.
class CFileSink : public IPackSink {
 public:
  CFileSink(const FileIoWriteTable& io, FileHandle& file) : io_(io), file_(file) {}

  bool Write(const std::uint8_t* buffer, std::uint32_t count, std::uint32_t* taken) override {
    *taken = 0;
    if (count == 0) return true;
    failed_ = !io_.write(file_, buffer, count, taken) || *taken != count;
    return !failed_;
  }
  // The last write failed: the disk, not the entry, ended the extraction.
  bool Failed() const { return failed_; }

 private:
  const FileIoWriteTable& io_;
  FileHandle& file_;
  bool failed_ = false;
};

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDriveDesignator(std::u16string_view part) {
  return part.size() == 2 && part[1] == u':' &&
         ((part[0] >= u'A' && part[0] <= u'Z') || (part[0] >= u'a' && part[0] <= u'z'));
}

}  // namespace

std::u16string CPackArchive::OutputPath(std::uint32_t index) const {
  const PackEntry* entry = Entry(index);
  if (entry == nullptr || output_directory_.empty() || !IsSafePackName(entry->Name())) return {};
  const std::string name(entry->Name());
  std::u16string wide(name.size() + 1, u'\0');
  const int units = Utf8ToWide(wide.data(), name.c_str(), static_cast<int>(wide.size()));
  if (units <= 0) return {};
  wide.resize(static_cast<std::size_t>(units));
  // A name cut short by bytes that are not UTF-8 would name another file.
  char check[kPackNameBytes * 2];
  if (WideToUtf8(check, wide.c_str(), sizeof check) != static_cast<int>(name.size()) ||
      name != check) {
    return {};
  }
  const char16_t separator = NativePathSeparator();
  std::replace(wide.begin(), wide.end(), u'/', separator);
  std::u16string path = output_directory_;
  if (!IsSeparator(path.back())) path += separator;
  return path + wide;
}

FileHandle CPackArchive::CreateOutputFile(std::uint32_t index) {
  const std::u16string target = OutputPath(index);
  if (target.empty()) {
    extract_error_ = PackExtractError::kUnsafeName;
    return FileHandle();
  }
  // Folders up to the output folder are the user's; the ones the entry's
  // name adds must be real folders, never links.
  std::size_t own = output_directory_.size();
  while (own > 1 && IsSeparator(output_directory_[own - 1])) --own;
  extract_error_ = PackExtractError::kCannotWrite;
  for (std::size_t i = 1; i < target.size(); ++i) {
    if (!IsSeparator(target[i])) continue;
    const std::u16string folder = target.substr(0, i);
    if (IsSeparator(folder.back()) || IsDriveDesignator(folder)) continue;
    if (i > own) {
      const NodeKind kind = InspectNode(folder.c_str());
      if (kind != NodeKind::kMissing && kind != NodeKind::kFolder) {
        extract_error_ = PackExtractError::kLinkInTheWay;
        return FileHandle();
      }
    }
    switch (CreateFolder(folder.c_str())) {
      case FolderCreation::kCreated:
        created_folders_.insert(created_folders_.begin(), folder);
        break;
      case FolderCreation::kExists:
        // Made by someone else since it was looked at: looked at again.
        if (i > own && InspectNode(folder.c_str()) != NodeKind::kFolder) {
          extract_error_ = PackExtractError::kLinkInTheWay;
          return FileHandle();
        }
        break;
      case FolderCreation::kFailed:
        // Roots and shares cannot be created but may well be there.
        if (GetPathKind(folder.c_str()) != PathKind::kOther) return FileHandle();
        break;
    }
  }
  // The file is replaced by a rename, which would put a link in the way
  // aside; but a link there is refused all the same, as one in the folders.
  const std::u16string part = target + std::u16string(kPartSuffix);
  const NodeKind target_kind = InspectNode(target.c_str());
  const NodeKind part_kind = InspectNode(part.c_str());
  if ((target_kind != NodeKind::kMissing && target_kind != NodeKind::kFile) ||
      (part_kind != NodeKind::kMissing && part_kind != NodeKind::kFile)) {
    extract_error_ = PackExtractError::kLinkInTheWay;
    return FileHandle();
  }
  // A temporary file left by an earlier run goes; the new one is created
  // afresh (O_EXCL, CREATE_NEW), so nothing already there is written to.
  if (part_kind == NodeKind::kFile) DeleteFilePath(part.c_str());
  FileHandle file = write_io_.open(part.c_str(), kGenericWrite, 0, kCreateNew);
  if (file.IsValid()) extract_error_ = PackExtractError::kNone;
  return file;
}

bool CPackArchive::ExtractToDisk(std::uint32_t index) {
  extract_error_ = PackExtractError::kCannotDecode;
  if (!EntryReadable(index)) return false;
  extract_index_ = index;
  output_path_ = OutputPath(index);
  if (output_path_.empty()) {
    extract_error_ = PackExtractError::kUnsafeName;
    return false;
  }
  const bool existed = GetPathKind(output_path_.c_str()) != PathKind::kMissing;
  FileHandle file = CreateOutputFile(index);
  if (!file.IsValid()) {
    // No file of this entry was made; whatever stands at its names stays.
    RemoveCreatedFolders();
    return false;
  }
  CFileSink sink(write_io_, file);
  bool ok = ExtractRecord(entries_[index], entry_password_, sink);
  if (!ok) {
    extract_error_ =
        sink.Failed() ? PackExtractError::kCannotWrite : PackExtractError::kCannotDecode;
  }
  if (ok && time_stamp_ != 0) SetFileTimes(file, time_stamp_);
  if (!write_io_.close(file) && ok) {
    ok = false;
    extract_error_ = PackExtractError::kCannotWrite;
  }
  const std::u16string part = output_path_ + std::u16string(kPartSuffix);
  if (ok && !ReplaceFilePath(part.c_str(), output_path_.c_str())) {
    ok = false;
    extract_error_ = PackExtractError::kCannotWrite;
  }
  if (!ok) {
    // The temporary file is this run's own: it was created afresh.
    DeleteFilePath(part.c_str());
    RemoveExtracted(index, false);
    return false;
  }
  if (!existed) created_files_.push_back(index);
  return true;
}

void CPackArchive::RemoveExtracted(std::uint32_t index, bool all) {
  for (const std::uint32_t created : created_files_) {
    if (all ? created < index : created == index) DeleteFilePath(OutputPath(created).c_str());
  }
  std::erase_if(created_files_,
                [&](std::uint32_t created) { return all ? created < index : created == index; });
  RemoveCreatedFolders();
}

// Newest first, so deeper folders go before their parents; a folder that
// still holds something stays listed for a later call.
void CPackArchive::RemoveCreatedFolders() {
  std::erase_if(created_folders_,
                [](const std::u16string& folder) { return RemoveEmptyFolder(folder.c_str()); });
}

}  // namespace tarrowin
