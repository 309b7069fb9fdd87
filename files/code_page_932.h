// Code page 932 (Windows Japanese) in both directions, through tables built
// once from the operating system's own conversion: settings files without a
// byte-order mark are read in it and settings are always written in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarrowin {

class CodePage932 {
 public:
  // The process-wide tables, built on first use (thread-safe).
  static const CodePage932& Instance();

  // Decodes the character at `bytes`, of which `available` bytes may be
  // read. Returns the bytes it takes (1 or 2) and stores the character, or
  // 0 when they are no character of the code page or a lead byte is cut off.
  int Decode(const std::uint8_t* bytes, std::size_t available, char16_t* out) const;

  // Writes the bytes of `unit` (1 or 2) and returns their count, or 0 when
  // the code page has no such character (surrogates included).
  int Encode(char16_t unit, std::uint8_t* out) const;

 private:
  CodePage932();

  static constexpr std::uint16_t kNone = 0xFFFF;  // FF FF is no sequence, U+FFFF no character
  std::vector<std::uint16_t> single_;             // byte -> unit
  std::vector<std::uint16_t> double_;             // lead << 8 | trail -> unit
  std::vector<std::uint16_t> encode_;             // unit -> byte, or lead << 8 | trail
};

}  // namespace tarrowin
