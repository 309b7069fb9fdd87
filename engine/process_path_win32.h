// Reading a process's executable path on Win32, with the calls it makes
// passed in, so that tests can make each of them fail. Included only by the
// Win32 twins.
#pragma once

#include <windows.h>

#include <cstddef>

#include "engine/process_source.h"

namespace tarrowin {

// The system calls a path read goes through.
struct ProcessPathCalls {
  HANDLE(WINAPI* openProcess)(DWORD access, BOOL inherit, DWORD id);
  BOOL(WINAPI* queryFullProcessImageName)(HANDLE process, DWORD flags, LPWSTR path, PDWORD size);
  DWORD(WINAPI* getModuleFileNameEx)(HANDLE process, HMODULE module, LPWSTR path, DWORD size);
};

// The running system's calls.
const ProcessPathCalls& SystemProcessPathCalls();

// Writes process `id`'s full executable path (Win32 form) into `path`,
// terminated, and returns its length; 0 when it cannot be read. Asks with
// the limited query right first, which protected and elevated processes
// grant and which reads a 64-bit process's path from a 32-bit program; then
// with the query and memory-read rights and the main module's name, which
// cuts a long path to `capacity` - 1 units. Keeps nothing open.
std::size_t ReadProcessPath(const ProcessPathCalls& calls, ProcessId id, char16_t* path,
                            std::size_t capacity);

}  // namespace tarrowin
