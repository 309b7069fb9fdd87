// A settings document as plain data for whole-document comparisons: its
// sections in array order, each with its keys in `order` order.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_document.h"
#include "settings/utf8.h"

namespace tarrowin::testing_settings {

struct Section {
  std::u16string name;
  std::vector<std::pair<std::u16string, std::u16string>> keys;
  bool operator==(const Section&) const = default;
};

inline std::vector<Section> Contents(const CSettingsDocument& document) {
  std::vector<Section> result;
  for (const SettingsSection& section : document.sections()) {
    Section out{section.name, {}};
    out.keys.resize(section.keys.size());
    for (const auto& [key, value] : section.keys) out.keys.at(value.order) = {key, value.text};
    result.push_back(std::move(out));
  }
  return result;
}

inline std::string Utf8(const std::u16string& text) {
  std::string out(text.size() * 3 + 2, '\0');
  const int length = WideToUtf8(out.data(), text.c_str(), static_cast<int>(out.size()));
  out.resize(length < 0 ? 0 : length);
  return out;
}

// Readable failure messages.
inline void PrintTo(const Section& section, std::ostream* os) {
  *os << "[" << Utf8(section.name) << "]";
  for (const auto& [key, value] : section.keys) *os << " " << Utf8(key) << "=" << Utf8(value);
}

}  // namespace tarrowin::testing_settings
