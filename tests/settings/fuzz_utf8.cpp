// Fuzzes the two string conversions: whatever the input and capacity, the
// output stays inside its capacity, is terminated there, and the result is
// -1 or a length that matches the terminated text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "settings/utf8.h"

namespace {

constexpr int kGuard = 8;

void CheckToWide(const char* in, int capacity) {
  std::vector<char16_t> buffer(capacity + 2 * kGuard, u'#');
  const int result = tarrowin::Utf8ToWide(buffer.data() + kGuard, in, capacity);
  for (int i = 0; i < kGuard; ++i) {
    if (buffer[i] != u'#' || buffer[kGuard + capacity + i] != u'#') std::abort();
  }
  if (capacity <= 0) {
    if (result != -1) std::abort();
    return;
  }
  int length = 0;
  while (length < capacity && buffer[kGuard + length] != 0) ++length;
  if (length == capacity) std::abort();  // not terminated inside
  if (result != -1 && (result > capacity - 1 || result < length)) std::abort();
}

void CheckToUtf8(const char16_t* in, int capacity) {
  std::vector<char> buffer(capacity + 2 * kGuard, '#');
  const int result = tarrowin::WideToUtf8(buffer.data() + kGuard, in, capacity);
  for (int i = 0; i < kGuard; ++i) {
    if (buffer[i] != '#' || buffer[kGuard + capacity + i] != '#') std::abort();
  }
  if (capacity <= 1) {
    if (result != -1) std::abort();
    return;
  }
  int length = 0;
  while (length < capacity && buffer[kGuard + length] != 0) ++length;
  if (length == capacity) std::abort();
  if (result != -1 && (result != length || result > capacity - 2)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int capacity = data[0] % 40;  // small capacities reach every limit
  ++data;
  --size;

  // Exactly-sized copies: a read past the terminator is a heap overflow.
  std::vector<char> bytes(data, data + size);
  bytes.push_back(0);
  CheckToWide(bytes.data(), capacity);

  std::vector<char16_t> units(size / 2 + 1, 0);
  std::memcpy(units.data(), data, (size / 2) * 2);
  CheckToUtf8(units.data(), capacity);
  return 0;
}
