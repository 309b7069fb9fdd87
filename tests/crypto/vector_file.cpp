// Test vector file reader.
#include "tests/crypto/vector_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace tarrowin::testing {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Bytes FromHex(const std::string& text) {
  Bytes out;
  if (text.size() % 2 != 0) {
    ADD_FAILURE() << "odd number of hex digits: " << text;
    return out;
  }
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) {
      ADD_FAILURE() << "not hex: " << text;
      return {};
    }
    out.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return out;
}

std::string ToHex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string VectorRecord::Get(const std::string& key) const {
  const auto it = values.find(key);
  if (it == values.end()) {
    ADD_FAILURE() << Where() << ": missing key " << key;
    return "";
  }
  return it->second;
}

Bytes VectorRecord::Hex(const std::string& key) const { return FromHex(Get(key)); }

std::string VectorRecord::Where() const {
  return file + ":" + std::to_string(line) + " [" + section + "]";
}

std::vector<VectorRecord> ReadVectorFile(const std::string& name,
                                         const std::set<std::string>& allowed_keys) {
  std::vector<VectorRecord> records;
  const char* folder = std::getenv("TARROWIN_TEST_DATA");
  if (folder == nullptr) {
    ADD_FAILURE() << "TARROWIN_TEST_DATA is not set";
    return records;
  }
  std::ifstream in(std::string(folder) + "/" + name);
  if (!in) {
    ADD_FAILURE() << "cannot open " << folder << "/" << name;
    return records;
  }
  std::string section;
  VectorRecord current;
  auto flush = [&] {
    if (!current.values.empty()) records.push_back(current);
    current = VectorRecord{};
  };
  std::string raw;
  for (int number = 1; std::getline(in, raw); ++number) {
    const std::string line = Trim(raw);
    if (line.empty()) {
      flush();
    } else if (line[0] == '#') {
      continue;
    } else if (line.front() == '[' && line.back() == ']') {
      flush();
      section = line.substr(1, line.size() - 2);
    } else {
      const auto equals = line.find('=');
      const std::string key = equals == std::string::npos ? "" : Trim(line.substr(0, equals));
      if (key.empty() || section.empty()) {
        ADD_FAILURE() << name << ":" << number << ": not a key line in a section: " << line;
        continue;
      }
      if (allowed_keys.count(key) == 0) {
        ADD_FAILURE() << name << ":" << number << ": unknown key " << key;
        continue;
      }
      if (current.values.empty()) {
        current.file = name;
        current.line = number;
        current.section = section;
      }
      if (!current.values.emplace(key, Trim(line.substr(equals + 1))).second) {
        ADD_FAILURE() << name << ":" << number << ": key " << key << " given twice";
      }
    }
  }
  flush();
  if (records.empty()) ADD_FAILURE() << name << ": no records";
  return records;
}

}  // namespace tarrowin::testing
