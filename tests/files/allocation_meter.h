// Counts the bytes that the test program holds through operator new, so a
// test can tell how much a hostile input made the code under test allocate.
// Linking allocation_meter.cpp replaces the program's operator new and
// delete; every other allocation function of the library goes through them.
#pragma once

#include <cstddef>

namespace tarrowin::testing_files {

// The peak of the bytes held since construction, above what was held then.
class AllocationMeter {
 public:
  AllocationMeter();
  std::size_t Peak() const;

 private:
  std::size_t start_;
};

}  // namespace tarrowin::testing_files
