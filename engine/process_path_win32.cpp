// A process's executable path: QueryFullProcessImageNameW on a handle with
// the limited query right, else GetModuleFileNameExW on one with the query
// and memory-read rights.
#include "engine/process_path_win32.h"

// windows.h (through the header) first: psapi.h relies on its types.
#include <psapi.h>

#include "engine/win32_handle.h"

namespace tarrowin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// PROCESS_QUERY_LIMITED_INFORMATION: granted where the full query right is
// not (protected and elevated processes).
constexpr DWORD kLimitedQueryAccess = 0x1000;
// PROCESS_QUERY_INFORMATION | PROCESS_VM_READ: enough to read the main
// module's path.
constexpr DWORD kModuleReadAccess = 0x410;

// The image name in Win32 form; 0 when it cannot be read, also when it does
// not fit (the module name then cuts it).
std::size_t QueryImageName(const ProcessPathCalls& calls, ProcessId id, wchar_t* out,
                           std::size_t capacity) {
  const UniqueHandle process(calls.openProcess(kLimitedQueryAccess, FALSE, id));
  if (!process) return 0;
  DWORD size = static_cast<DWORD>(capacity);
  if (!calls.queryFullProcessImageName(process.get(), 0, out, &size)) return 0;
  return size < capacity ? size : 0;
}

std::size_t ModuleFileName(const ProcessPathCalls& calls, ProcessId id, wchar_t* out,
                           std::size_t capacity) {
  const UniqueHandle process(calls.openProcess(kModuleReadAccess, FALSE, id));
  if (!process) return 0;
  const DWORD length =
      calls.getModuleFileNameEx(process.get(), nullptr, out, static_cast<DWORD>(capacity));
  if (length == 0) return 0;
  // A cut path may come back without its terminator.
  return length < capacity ? length : capacity - 1;
}

}  // namespace

const ProcessPathCalls& SystemProcessPathCalls() {
  static constexpr ProcessPathCalls kCalls{OpenProcess, QueryFullProcessImageNameW,
                                           GetModuleFileNameExW};
  return kCalls;
}

std::size_t ReadProcessPath(const ProcessPathCalls& calls, ProcessId id, char16_t* path,
                            std::size_t capacity) {
  if (capacity == 0) return 0;
  // Above what a DWORD counts, the rest of the buffer is never used.
  if (capacity > MAXDWORD) capacity = MAXDWORD;
  auto* out = reinterpret_cast<wchar_t*>(path);
  std::size_t length = QueryImageName(calls, id, out, capacity);
  if (length == 0) length = ModuleFileName(calls, id, out, capacity);
  path[length] = 0;
  return length;
}

}  // namespace tarrowin
