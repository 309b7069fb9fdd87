// Reader for the published test vectors in data/*.vec: "[Name]" starts a
// section, "Key = value" lines make up a record, a blank line ends it and
// "#" starts a comment line. Malformed lines and keys that a file's family
// does not know fail the calling test.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarrowin::testing {

using Bytes = std::vector<std::uint8_t>;

struct VectorRecord {
  std::string file;
  int line = 0;  // of the record's first key
  std::string section;
  std::map<std::string, std::string> values;

  bool Has(const std::string& key) const { return values.count(key) != 0; }
  // The value of a key the record must have (fails the test otherwise).
  std::string Get(const std::string& key) const;
  // The value as hex bytes.
  Bytes Hex(const std::string& key) const;
  // "file:line [section]", for failure messages.
  std::string Where() const;
};

// Reads `name` from the folder in TARROWIN_TEST_DATA.
std::vector<VectorRecord> ReadVectorFile(const std::string& name,
                                         const std::set<std::string>& allowed_keys);

// Hex text to bytes; fails the test on an odd length or a non-hex digit.
Bytes FromHex(const std::string& text);
std::string ToHex(const Bytes& bytes);

}  // namespace tarrowin::testing
