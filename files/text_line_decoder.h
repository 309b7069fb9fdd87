// Line-by-line decoding of text held in memory: the encoding is told by a
// byte-order mark (UTF-8, UTF-16 LE or BE), anything else is code page 932.
// Used by CFileStream::ReadLine; knows nothing of files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarrowin {

enum class TextEncoding { kAnsi, kUtf8, kUtf16LE, kUtf16BE };

struct DetectedEncoding {
  TextEncoding encoding;
  std::size_t mark_length;  // bytes of the byte-order mark to skip
};

// Marks are tested in the order UTF-8 (needs more than two bytes of
// content), UTF-16 LE, UTF-16 BE.
DetectedEncoding DetectTextEncoding(const std::uint8_t* content, std::size_t size);

// Decodes one line piece from content[position, size) into `buffer`: at most
// `count` characters, a character beyond U+FFFF stored as two units but
// counted once, then a terminator. So `buffer` must hold 2 * count + 1
// units. Stops at the end of the content, at a NUL character, at a sequence
// it cannot decode (consuming none of it), or after a line end (CR, LF or
// CR LF, consumed and not stored). Returns the position of the first byte
// not consumed.
std::size_t DecodeLine(TextEncoding encoding, const std::uint8_t* content, std::size_t size,
                       std::size_t position, char16_t* buffer, std::uint32_t count);

// Units a ReadLine buffer needs for `count` characters.
constexpr std::size_t LineBufferUnits(std::uint32_t count) { return 2 * std::size_t{count} + 1; }

}  // namespace tarrowin
