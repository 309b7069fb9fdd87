// Move-only owners of Win32 handles: one template, one traits class per
// handle kind, so that every handle the program opens is closed on every
// path. Included only by Win32 files, of the engine, the file layer and the
// user interface alike.
#pragma once

#include <windows.h>

#include <utility>

namespace tarrowin {

template <typename Traits>
class UniqueWin32 {
 public:
  using Handle = typename Traits::Handle;

  UniqueWin32() = default;
  explicit UniqueWin32(Handle handle) : handle_(handle) {}
  UniqueWin32(UniqueWin32&& other) noexcept : handle_(other.release()) {}
  UniqueWin32& operator=(UniqueWin32&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueWin32(const UniqueWin32&) = delete;
  UniqueWin32& operator=(const UniqueWin32&) = delete;
  ~UniqueWin32() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }
  Handle release() { return std::exchange(handle_, Traits::None()); }
  void reset(Handle handle = Traits::None()) {
    const Handle old = std::exchange(handle_, handle);
    if (Traits::IsValid(old)) Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::None();
};

// Handles whose "none" value is null.
template <typename H>
struct NullIsNone {
  using Handle = H;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
};

// Kernel objects closed with CloseHandle: events, threads, processes,
// pipes, files, file mappings and Toolhelp snapshots. Null and
// INVALID_HANDLE_VALUE both mean "no handle", since the Win32 calls report
// failure with one or the other.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueWin32<KernelHandleTraits>;

// A mutex this thread may own: released (a no-op when not owned) before it
// is closed.
struct OwnedMutexTraits : NullIsNone<HANDLE> {
  static void Close(Handle handle) {
    ReleaseMutex(handle);
    CloseHandle(handle);
  }
};
using UniqueMutex = UniqueWin32<OwnedMutexTraits>;

// Menus not attached to a window (a window destroys its own menu bar).
struct MenuHandleTraits : NullIsNone<HMENU> {
  static void Close(Handle handle) { DestroyMenu(handle); }
};
using UniqueMenu = UniqueWin32<MenuHandleTraits>;

// Icons the program creates; shared icons (LoadIconW, LR_SHARED) are never
// destroyed and never owned.
struct IconHandleTraits : NullIsNone<HICON> {
  static void Close(Handle handle) { DestroyIcon(handle); }
};
using UniqueIcon = UniqueWin32<IconHandleTraits>;

// A view of a file mapping, by its base address.
struct MappedViewTraits : NullIsNone<const void*> {
  static void Close(Handle view) { UnmapViewOfFile(view); }
};
using UniqueMappedView = UniqueWin32<MappedViewTraits>;

}  // namespace tarrowin
