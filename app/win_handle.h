// Move-only owners of Win32 handles, one traits class per handle kind, so
// that every handle the user interface opens is closed on every path.
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
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }
  void reset(Handle handle = Traits::Invalid()) {
    const Handle old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Kernel objects whose "none" value is null (events, processes, threads).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueWin32<KernelHandleTraits>;

// Toolhelp snapshots, whose "none" value is INVALID_HANDLE_VALUE.
struct SnapshotHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueSnapshot = UniqueWin32<SnapshotHandleTraits>;

// A mutex this thread may own: released (a no-op when not owned) before it
// is closed.
struct OwnedMutexTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) {
    ReleaseMutex(handle);
    CloseHandle(handle);
  }
};
using UniqueMutex = UniqueWin32<OwnedMutexTraits>;

// Menus not attached to a window (a window destroys its own menu bar).
struct MenuHandleTraits {
  using Handle = HMENU;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DestroyMenu(handle); }
};
using UniqueMenu = UniqueWin32<MenuHandleTraits>;

}  // namespace tarrowin
