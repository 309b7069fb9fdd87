// The replacement operator new and delete behind AllocationMeter: each
// block carries its size in a header of one maximal alignment unit.
#include "tests/files/allocation_meter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) return nullptr;
  *static_cast<std::size_t*>(block) = size;
  const std::size_t now = held.fetch_add(size) + size;
  std::size_t seen = peak.load();
  while (now > seen && !peak.compare_exchange_weak(seen, now)) {
  }
  return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
  if (pointer == nullptr) return;
  void* block = static_cast<char*>(pointer) - kHeader;
  held.fetch_sub(*static_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  void* pointer = Allocate(size);
  if (pointer == nullptr) throw std::bad_alloc();
  return pointer;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Release(pointer); }

namespace tarrowin::testing_files {

// The peak restarts from what is held now.
AllocationMeter::AllocationMeter() : start_(held.load()) { peak.store(start_); }

std::size_t AllocationMeter::Peak() const {
  const std::size_t top = peak.load();
  return top > start_ ? top - start_ : 0;
}

}  // namespace tarrowin::testing_files
