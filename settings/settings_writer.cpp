// Writing a settings document as text: code page 932, CR LF line ends, no
// byte-order mark; a value holding a space or a tab goes in double quotes.
// Nothing is escaped. A character that code page 932 lacks is written "?".
//
// A save never leaves a half-written file: with truncation the text goes to
// a new file beside the target, which replaces the target only once all of
// it is written and flushed; an append that fails is cut back to where the
// file ended. A replaced file stays the same file: a symbolic link keeps
// pointing at it, and it keeps its permissions, owner and attributes. Where
// no file can be made beside it but it can be written, it is written in
// place, and put back as it was when that fails.
#include <string>
#include <vector>

#include "files/code_page_932.h"
#include "files/os_file.h"
#include "settings/settings_document.h"

namespace tarrowin {
namespace {

// Appends UTF-16 text as code page 932 bytes, every LF as CR LF.
class Cp932Writer {
 public:
  explicit Cp932Writer(std::string& out) : out_(out), code_page_(CodePage932::Instance()) {}

  void Put(const std::u16string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c == u'\n') {
        out_ += "\r\n";
        continue;
      }
      // A character beyond U+FFFF is one character, so one "?".
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        ++i;
        out_ += '?';
        continue;
      }
      std::uint8_t bytes[2];
      const int count = code_page_.Encode(c, bytes);
      if (count == 0) {
        out_ += '?';
      } else {
        out_.append(reinterpret_cast<const char*>(bytes), count);
      }
    }
  }
  void Put(const char* ascii) { out_ += ascii; }

 private:
  std::string& out_;
  const CodePage932& code_page_;
};

bool NeedsQuotes(const std::u16string& value) {
  return value.find_first_of(u" \t") != std::u16string::npos;
}

std::string EncodeSections(const std::vector<SettingsSection>& sections,
                           const char16_t* only_section) {
  std::string bytes;
  Cp932Writer out(bytes);
  std::vector<const std::pair<const std::u16string, SettingsValue>*> by_order;
  for (const SettingsSection& section : sections) {
    if (section.keys.empty()) continue;
    if (only_section != nullptr && section.name != only_section) continue;
    out.Put("[");
    out.Put(section.name);
    out.Put("]\r\n");
    by_order.assign(section.keys.size(), nullptr);
    for (const auto& entry : section.keys) {
      const std::int32_t order = entry.second.order;
      if (order >= 0 && static_cast<std::size_t>(order) < by_order.size()) {
        by_order[order] = &entry;
      }
    }
    for (const auto* entry : by_order) {
      if (entry == nullptr) continue;
      const std::u16string& value = entry->second.text;
      const bool quoted = NeedsQuotes(value);
      out.Put(entry->first);
      out.Put(quoted ? "=\"" : "=");
      out.Put(value);
      out.Put(quoted ? "\"\r\n" : "\r\n");
    }
    out.Put("\r\n");
  }
  return bytes;
}

bool WriteAll(FileHandle& file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t piece = std::min<std::size_t>(bytes.size() - done, 1u << 30);
    std::uint32_t written = 0;
    if (!file.Write(bytes.data() + done, static_cast<std::uint32_t>(piece), &written)) return false;
    done += piece;
  }
  return true;
}

// Writes, flushes and closes; any of the three failing is a failed save.
bool WriteFlushClose(FileHandle& file, const std::string& bytes) {
  const bool written = WriteAll(file, bytes) && file.Flush();
  return file.Close() && written;
}

// A new file beside the target, created exclusively so that nothing of
// anyone else's is overwritten.
FileHandle CreateSiblingFile(const std::u16string& target, std::u16string* name) {
  for (int attempt = 0; attempt < 10; ++attempt) {
    *name = target + u".save";
    if (attempt > 0) *name += static_cast<char16_t>(u'0' + attempt);
    *name += u".tmp";
    FileHandle file = FileHandle::Open(name->c_str(), kGenericWrite, 0, kCreateNew);
    if (file.IsValid()) return file;
    if (GetPathKind(name->c_str()) == PathKind::kMissing) break;  // not a name clash
  }
  return FileHandle();
}

// Makes a new file, which is removed again when it cannot be written whole.
bool WriteNewFile(const std::u16string& target, const std::string& bytes) {
  FileHandle file = FileHandle::Open(target.c_str(), kGenericWrite, 0, kCreateNew);
  if (!file.IsValid()) return false;
  if (WriteFlushClose(file, bytes)) return true;
  DeleteFilePath(target.c_str());
  return false;
}

// Overwrites the file in place, and writes its old content back when that
// fails.
bool WriteInPlace(const std::u16string& target, const std::string& bytes) {
  FileHandle file = FileHandle::Open(target.c_str(), kGenericRead | kGenericWrite,
                                     kFileShareRead | kFileShareWrite, kOpenExisting);
  std::uint64_t size = 0;
  if (!file.IsValid() || !file.GetSize(&size) || size > 0xFFFFFFFFu) return false;
  std::string old(static_cast<std::size_t>(size), '\0');
  std::uint32_t read = 0;
  if (!file.ReadAt(0, old.data(), static_cast<std::uint32_t>(size), &read) || read != size) {
    return false;
  }
  if (file.Seek(0, kSeekBegin, nullptr) && WriteAll(file, bytes) && file.SetEnd() && file.Flush()) {
    return file.Close();
  }
  if (file.Seek(0, kSeekBegin, nullptr) && WriteAll(file, old)) file.SetEnd();
  file.Close();
  return false;
}

bool ReplaceWhole(const std::u16string& path, const std::string& bytes) {
  // Through a link, the file it points at is the one replaced.
  const std::u16string target = FollowLinks(path.c_str());
  const PathKind kind = GetPathKind(target.c_str());
  if (kind == PathKind::kOther) return false;  // a folder or a device is not replaced
  if (kind == PathKind::kRegularFile) {
    // A target that could not be opened for writing must not be replaced
    // behind its back: read-only, or in use without sharing.
    FileHandle probe = FileHandle::Open(target.c_str(), kGenericWrite,
                                        kFileShareRead | kFileShareWrite, kOpenExisting);
    if (!probe.IsValid()) return false;
  }
  std::u16string temporary;
  FileHandle file = CreateSiblingFile(target, &temporary);
  if (!file.IsValid()) {
    // The folder takes no new file beside the target (read-only, or the
    // name would be too long), but the target itself may be writable.
    return kind == PathKind::kRegularFile ? WriteInPlace(target, bytes)
                                          : WriteNewFile(target, bytes);
  }
  if (!WriteFlushClose(file, bytes) || !ReplaceFilePath(temporary.c_str(), target.c_str())) {
    DeleteFilePath(temporary.c_str());
    return false;
  }
  return true;
}

bool Append(const std::u16string& target, const std::string& bytes) {
  const bool existed = GetPathKind(target.c_str()) != PathKind::kMissing;
  FileHandle file = FileHandle::Open(target.c_str(), kGenericWrite,
                                     kFileShareRead | kFileShareWrite, kOpenAlways);
  std::uint64_t end = 0;
  if (!file.IsValid() || !file.Seek(0, kSeekEnd, &end)) return false;
  if (WriteAll(file, bytes) && file.Flush()) return file.Close();
  // Cut back to the old end, so the file holds what it held before.
  if (file.Seek(static_cast<std::int64_t>(end), kSeekBegin, nullptr)) file.SetEnd();
  file.Close();
  if (!existed) DeleteFilePath(target.c_str());
  return false;
}

}  // namespace

int CSettingsDocument::SaveFile(const char16_t* path, const char16_t* only_section, int truncate) {
  if (path == nullptr) return 0;
  const std::u16string target = FullPath(path);
  if (target.empty()) return 0;
  const std::string bytes = EncodeSections(sections_, only_section);
  return (truncate ? ReplaceWhole(target, bytes) : Append(target, bytes)) ? 1 : 0;
}

}  // namespace tarrowin
