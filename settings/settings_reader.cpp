// Reading settings text into a document. The syntax is small and forgiving:
// [section] headers, key=value lines, optional double quotes around a value,
// whole-line comments after two slashes; unusable lines are skipped.
//
// Section names, keys and values longer than 255 units are cut to their
// first 255 units (never half a surrogate pair) and the line is otherwise
// read as usual. A physical line longer than 1024 characters arrives as
// several pieces, each read as a line of its own.
#include <map>
#include <utility>

#include "files/file_stream.h"
#include "files/pack_archive.h"
#include "settings/settings_document.h"
#include "settings/settings_text.h"

namespace tarrowin {
namespace {

constexpr std::uint32_t kLinePiece = 1024;
constexpr std::size_t kTokenUnits = 256;

// The section being collected: appended only once it has a key, so a header
// followed by no keys leaves no trace.
class PendingSection {
 public:
  void Start(const char16_t* name) {
    name_ = name;
    next_order_ = 0;
  }

  void Set(const char16_t* key, const char16_t* value) {
    auto [entry, added] = keys_.try_emplace(key);
    entry->second.text = value;
    if (added) entry->second.order = next_order_++;
  }

  void CompleteInto(std::vector<SettingsSection>& sections) {
    if (keys_.empty()) return;
    sections.push_back(SettingsSection{name_, std::move(keys_)});
    keys_.clear();
  }

 private:
  std::u16string name_;
  std::map<std::u16string, SettingsValue> keys_;
  std::int32_t next_order_ = 0;
};

}  // namespace

int CSettingsDocument::LoadFile(const char16_t* path) {
  Clear();
  if (path == nullptr) return 0;
  CFileStream stream;
  if (!stream.Open(path, kGenericRead, kFileShareRead, kOpenExisting)) return 0;
  return Parse(&stream);
}

int CSettingsDocument::LoadFromStream(IFileStream* file) {
  Clear();
  if (file == nullptr || !file->IsOpen()) return 0;
  std::uint64_t start = 0;
  file->Seek64(0, &start, kSeekCurrent);
  const int result = Parse(file);
  file->Seek64(static_cast<std::int64_t>(start), nullptr, kSeekBegin);
  return result;
}

// Appends what the entry `name` of an open archive holds; the entry path is
// the archive's base path, a backslash and the name.
int CSettingsDocument::LoadFromPack(const char16_t* name, CPackArchive* pack) {
  if (name == nullptr || pack == nullptr) return 0;
  const std::u16string path = pack->BasePath() + u'\\' + name;
  CFileStream stream;
  stream.OpenInPack(path.c_str(), pack);
  return stream.IsOpen() ? Parse(&stream) : 0;
}

int CSettingsDocument::Parse(IFileStream* file) {
  char16_t line[LineBufferUnits(kLinePiece)];
  char16_t word[kTokenUnits];
  char16_t text[kTokenUnits];
  PendingSection pending;
  const std::size_t before = sections_.size();
  while (file->ReadLine(line, kLinePiece)) {
    const char16_t* p = SkipBlanks(line);
    if (p == nullptr || (p[0] == u'/' && p[1] == u'/')) continue;
    if (p[0] == u'[') {
      // No closing bracket: the line is ignored and the section goes on.
      if (CopyUntil(p + 1, u"]", word, kTokenUnits) == nullptr) continue;
      pending.CompleteInto(sections_);
      pending.Start(word);
      continue;
    }
    const char16_t* after_equals = CopyUntil(p, u"=", text, kTokenUnits);
    if (after_equals == nullptr) continue;
    const char16_t* v = SkipBlanks(after_equals);
    if (v == nullptr) continue;  // nothing after the equals sign: not stored
    NextWord(text, word, kTokenUnits);
    if (*v == u'"') {
      NextToken(v, u"\"", text, kTokenUnits);
    } else {
      NextWord(v, text, kTokenUnits);
    }
    pending.Set(word, text);
  }
  // Text that could not be read is not an empty file: nothing of it counts.
  if (file->HasReadError()) {
    sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(before), sections_.end());
    return 0;
  }
  pending.CompleteInto(sections_);
  return 1;
}

}  // namespace tarrowin
