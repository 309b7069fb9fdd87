// The in-memory form of an INI-style settings file: an ordered list of
// named sections, each holding named keys with text values. Loading and
// saving are operations of the document (settings_reader.cpp,
// settings_writer.cpp); it knows nothing of the rules stored in it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarrowin {

class CPackArchive;
class IFileStream;

struct SettingsValue {
  std::u16string text;
  // Position of the key within its section: the keys of a section with n
  // keys hold 0 to n-1, each once, in the order they were first added.
  std::int32_t order = 0;
};

struct SettingsSection {
  std::u16string name;  // as written between the brackets; may be empty
  // Ordered by UTF-16 code unit for lookup only; listing and writing follow
  // SettingsValue::order.
  std::map<std::u16string, SettingsValue> keys;
};

// Names, keys and values are null-terminated UTF-16 text. Results are 0 for
// failure or a missing section or key, non-zero otherwise.
class ISettingsDocument {
 public:
  virtual ~ISettingsDocument() = default;

  virtual int LoadFile(const char16_t* path) = 0;
  virtual int LoadFromStream(IFileStream* file) = 0;
  virtual int LoadFromPack(const char16_t* name, CPackArchive* pack) = 0;
  virtual int SaveFile(const char16_t* path, const char16_t* only_section, int truncate) = 0;
  virtual int GetSectionNames(std::vector<std::u16string>& out) = 0;
  virtual int GetKeyNames(const char16_t* section, std::vector<std::u16string>& out) = 0;
  virtual int HasSection(const char16_t* section) = 0;
  virtual int HasKey(const char16_t* section, const char16_t* key) = 0;
  virtual int DeleteKey(const char16_t* section, const char16_t* key) = 0;
  virtual int DeleteSection(const char16_t* section) = 0;
  virtual int Clear() = 0;
};

// Section names are not forced unique: a file that repeats a header gives
// two records, and every lookup by name reaches the first of them.
class CSettingsDocument : public ISettingsDocument {
 public:
  CSettingsDocument() = default;

  // Clears, then reads the file (or a file found in a pack archive). 0 when
  // it cannot be opened or its content cannot be read; the document is then
  // empty.
  int LoadFile(const char16_t* path) override;
  // Clears, then reads the rest of an open stream, which is moved back to
  // where it was. 0, with the document empty, when its content cannot be
  // read.
  int LoadFromStream(IFileStream* file) override;
  // Appends the sections of a settings text held in an open pack archive.
  int LoadFromPack(const char16_t* name, CPackArchive* pack) override;
  // Writes every section (or only those named `only_section`) in code page
  // 932 with CR LF line ends. With `truncate` the file is replaced as a
  // whole only once everything is written (the file a link points at, and
  // keeping the file's permissions, owner and attributes; in place where
  // its folder takes no new file); otherwise the text is appended. 0 when
  // anything fails, and then the file keeps its previous content.
  int SaveFile(const char16_t* path, const char16_t* only_section, int truncate) override;
  int GetSectionNames(std::vector<std::u16string>& out) override;
  int GetKeyNames(const char16_t* section, std::vector<std::u16string>& out) override;
  int HasSection(const char16_t* section) override;
  int HasKey(const char16_t* section, const char16_t* key) override;
  int DeleteKey(const char16_t* section, const char16_t* key) override;
  int DeleteSection(const char16_t* section) override;
  int Clear() override;

  // Stores the decimal value of a value that starts with a digit (leaving
  // `*out` alone otherwise). Returns the value's length + 1, or 0.
  virtual int GetInt(const char16_t* section, const char16_t* key, std::int32_t* out);
  // Copies at most capacity - 1 units, always terminated, and returns the
  // copied length + 1; with a null buffer returns the full length + 1.
  virtual int GetString(const char16_t* section, const char16_t* key, char16_t* buffer,
                        int capacity);
  virtual int SetInt(const char16_t* section, const char16_t* key, std::int32_t value);
  // Adds the section if needed; a new key goes last, a replaced one keeps
  // its place.
  virtual int SetString(const char16_t* section, const char16_t* key, const char16_t* value);

  int AddSection(const char16_t* section);
  // Reads all remaining lines of `file` and appends every section they
  // complete. 1, or 0 with nothing appended when the stream could not read
  // its content (HasReadError).
  int Parse(IFileStream* file);

  const std::vector<SettingsSection>& sections() const { return sections_; }

 private:
  SettingsSection* Find(const char16_t* section);
  const SettingsValue* FindValue(const char16_t* section, const char16_t* key);

  std::vector<SettingsSection> sections_;
};

}  // namespace tarrowin
