// The settings document's sections and keys: listing, lookup, change and
// removal.
#include "settings/settings_document.h"

#include <algorithm>

#include "settings/number_text.h"

namespace tarrowin {

SettingsSection* CSettingsDocument::Find(const char16_t* section) {
  for (SettingsSection& record : sections_) {
    if (record.name == section) return &record;
  }
  return nullptr;
}

const SettingsValue* CSettingsDocument::FindValue(const char16_t* section, const char16_t* key) {
  if (section == nullptr || key == nullptr) return nullptr;
  SettingsSection* record = Find(section);
  if (record == nullptr) return nullptr;
  const auto found = record->keys.find(key);
  return found == record->keys.end() ? nullptr : &found->second;
}

int CSettingsDocument::AddSection(const char16_t* section) {
  if (Find(section) == nullptr) sections_.push_back(SettingsSection{section, {}});
  return 1;
}

int CSettingsDocument::GetSectionNames(std::vector<std::u16string>& out) {
  out.clear();
  for (const SettingsSection& record : sections_) out.push_back(record.name);
  return 1;
}

int CSettingsDocument::GetKeyNames(const char16_t* section, std::vector<std::u16string>& out) {
  out.clear();
  const SettingsSection* record = Find(section);
  if (record == nullptr) return 0;
  // Filled by index: the orders are 0 to n-1, so no sort is needed.
  out.resize(record->keys.size());
  for (const auto& [name, value] : record->keys) {
    if (value.order >= 0 && static_cast<std::size_t>(value.order) < out.size()) {
      out[value.order] = name;
    }
  }
  return 1;
}

int CSettingsDocument::HasSection(const char16_t* section) { return Find(section) ? 1 : 0; }

int CSettingsDocument::HasKey(const char16_t* section, const char16_t* key) {
  const SettingsSection* record = Find(section);
  return record != nullptr && record->keys.count(key) != 0 ? 1 : 0;
}

int CSettingsDocument::GetString(const char16_t* section, const char16_t* key, char16_t* buffer,
                                 int capacity) {
  const SettingsValue* value = FindValue(section, key);
  if (value == nullptr) return 0;
  const std::u16string& text = value->text;
  if (buffer == nullptr) return static_cast<int>(text.size()) + 1;
  if (capacity < 1) return 0;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
  text.copy(buffer, length);
  buffer[length] = 0;
  return static_cast<int>(length) + 1;
}

int CSettingsDocument::GetInt(const char16_t* section, const char16_t* key, std::int32_t* out) {
  if (out == nullptr) return 0;
  const SettingsValue* value = FindValue(section, key);
  if (value == nullptr) return 0;
  const std::u16string& text = value->text;
  if (!text.empty() && text[0] >= u'0' && text[0] <= u'9') *out = ParseInt(text.c_str());
  return static_cast<int>(text.size()) + 1;
}

int CSettingsDocument::SetString(const char16_t* section, const char16_t* key,
                                 const char16_t* value) {
  if (section == nullptr || key == nullptr || value == nullptr) return 0;
  AddSection(section);
  SettingsSection* record = Find(section);
  const auto found = record->keys.find(key);
  if (found != record->keys.end()) {
    found->second.text = value;
  } else {
    const auto order = static_cast<std::int32_t>(record->keys.size());
    record->keys.emplace(key, SettingsValue{value, order});
  }
  return 1;
}

int CSettingsDocument::SetInt(const char16_t* section, const char16_t* key, std::int32_t value) {
  if (section == nullptr || key == nullptr) return 0;
  char16_t text[32];
  FormatInt(value, text, 32);
  return SetString(section, key, text);
}

int CSettingsDocument::DeleteKey(const char16_t* section, const char16_t* key) {
  if (section == nullptr || key == nullptr) return 0;
  SettingsSection* record = Find(section);
  if (record == nullptr) return 0;
  const auto found = record->keys.find(key);
  if (found == record->keys.end()) return 1;
  const std::int32_t removed = found->second.order;
  record->keys.erase(found);
  for (auto& entry : record->keys) {
    if (entry.second.order >= removed) --entry.second.order;
  }
  return 1;
}

int CSettingsDocument::DeleteSection(const char16_t* section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (it->name == section) {
      sections_.erase(it);
      break;
    }
  }
  return 1;
}

int CSettingsDocument::Clear() {
  sections_.clear();
  return 1;
}

}  // namespace tarrowin
