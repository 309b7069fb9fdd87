// Ownership of the file seam's handles, the same on every system: the
// destructors release and a move leaves the source empty.
#include "files/os_file.h"

#include <utility>

namespace tarrowin {

FileHandle::~FileHandle() { Close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept
    : native_(std::exchange(other.native_, kInvalid)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    native_ = std::exchange(other.native_, kInvalid);
  }
  return *this;
}

MappedView::~MappedView() { Release(); }

MappedView::MappedView(MappedView&& other) noexcept
    : mapping_(std::exchange(other.mapping_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

MappedView& MappedView::operator=(MappedView&& other) noexcept {
  if (this != &other) {
    Release();
    mapping_ = std::exchange(other.mapping_, 0);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

}  // namespace tarrowin
