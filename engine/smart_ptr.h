// A reference-counted holder for one heap object or one heap array that
// checks every access: get() on an empty holder or with an index outside the
// array throws smart_ptr_exception. Copies share the object; the last holder
// to let go destroys it. The count is not atomic: a holder and its copies
// belong to one thread.
#pragma once

#include <cstdint>
#include <utility>

#include "engine/exception.h"

namespace tarrowin {

template <typename T>
class smart_ptr {
 public:
  smart_ptr() = default;
  explicit smart_ptr(T* object) { reset(object); }
  smart_ptr(const smart_ptr& other)
      : pointer_(other.pointer_),
        count_(other.count_),
        elements_(other.elements_),
        index_(other.index_) {
    if (count_ != nullptr) ++*count_;
  }
  smart_ptr(smart_ptr&& other) noexcept { swap(other); }
  smart_ptr& operator=(smart_ptr other) noexcept {
    swap(other);
    return *this;
  }
  ~smart_ptr() { release(); }

  // Holds `object` (allocated with new) alone, after letting go of what was
  // held. A null object leaves the holder empty.
  void reset(T* object) {
    release();
    if (object == nullptr) return;
    Hold(object, 1, false);
  }

  // Holds an array allocated with new T[elements].
  void reset_array(T* array, std::int32_t elements) {
    release();
    if (array == nullptr || elements <= 0) {
      delete[] array;
      return;
    }
    Hold(array, elements, true);
  }

  // The element at the current index.
  T* get() const {
    if (pointer_ == nullptr) throw smart_ptr_exception(1);
    if (index_ < 0 || index_ >= elements_) throw smart_ptr_exception(2);
    return pointer_ + index_;
  }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }

  // Drops this holder's reference; destroys the object when it was the last.
  // Returns the references left (0 when the object was destroyed or none
  // was held).
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
// GCC 12 follows a shared count through inlined copies and cannot see that
// only the holder that brings it to zero frees it.
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif
  std::int32_t release() {
    std::int32_t* count = std::exchange(count_, nullptr);
    T* pointer = std::exchange(pointer_, nullptr);
    const bool is_array = std::exchange(is_array_, false);
    elements_ = 0;
    index_ = 0;
    if (count == nullptr) return 0;
    const std::int32_t left = --*count;
    if (left == 0) {
      delete count;
      if (is_array) {
        delete[] pointer;
      } else {
        delete pointer;
      }
    }
    return left;
  }
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif

  bool empty() const { return pointer_ == nullptr; }
  std::int32_t element_count() const { return elements_; }
  std::int32_t index() const { return index_; }
  void set_index(std::int32_t index) { index_ = index; }
  // References to the held object, 0 when empty.
  std::int32_t use_count() const { return count_ != nullptr ? *count_ : 0; }

  void swap(smart_ptr& other) noexcept {
    std::swap(pointer_, other.pointer_);
    std::swap(count_, other.count_);
    std::swap(elements_, other.elements_);
    std::swap(index_, other.index_);
    std::swap(is_array_, other.is_array_);
  }

 private:
  void Hold(T* object, std::int32_t elements, bool is_array) {
    // If the count cannot be allocated the object must not leak.
    try {
      count_ = new std::int32_t(1);
    } catch (...) {
      if (is_array) {
        delete[] object;
      } else {
        delete object;
      }
      throw;
    }
    pointer_ = object;
    elements_ = elements;
    index_ = 0;
    is_array_ = is_array;
  }

  T* pointer_ = nullptr;
  std::int32_t* count_ = nullptr;
  std::int32_t elements_ = 0;
  std::int32_t index_ = 0;
  bool is_array_ = false;  // decides delete or delete[]
};

}  // namespace tarrowin
