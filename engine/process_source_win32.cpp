// The system's processes through the Tool Help snapshot and the process
// calls, with exactly the access rights that each step needs. Every handle
// has one owner and is closed in the pass that opened it.
#include <windows.h>
// windows.h first: tlhelp32.h relies on its types.
#include <tlhelp32.h>

#include "engine/process_path_win32.h"
#include "engine/process_source.h"
#include "engine/win32_handle.h"

namespace tarrowin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION: read and set the
// affinity.
constexpr DWORD kAffinityAccess = 0x600;

class CWin32ProcessSource final : public IProcessSource {
 public:
  int TakeSnapshot() override {
    snapshot_.reset(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    entry_ = {};
    entry_.dwSize = sizeof(entry_);
    started_ = false;
    return snapshot_ ? 1 : 0;
  }

  int NextProcess(ProcessId* id) override {
    if (!snapshot_) return 0;
    const BOOL found = started_ ? Process32NextW(snapshot_.get(), &entry_)
                                : Process32FirstW(snapshot_.get(), &entry_);
    started_ = true;
    if (!found) return 0;
    *id = entry_.th32ProcessID;
    return 1;
  }

  void CloseSnapshot() override { snapshot_.reset(); }

  std::size_t ReadPath(ProcessId id, char16_t* path, std::size_t capacity) override {
    return ReadProcessPath(SystemProcessPathCalls(), id, path, capacity);
  }

  int OpenAffinity(ProcessId id) override {
    affinity_.reset(OpenProcess(kAffinityAccess, FALSE, id));
    return affinity_ ? 1 : 0;
  }

  int ReadMasks(std::uint32_t* process_mask, std::uint32_t* system_mask) override {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (!affinity_ || !GetProcessAffinityMask(affinity_.get(), &process, &system)) return 0;
    *process_mask = static_cast<std::uint32_t>(process);
    *system_mask = static_cast<std::uint32_t>(system);
    return 1;
  }

  int SetMask(std::uint32_t mask) override {
    return affinity_ && SetProcessAffinityMask(affinity_.get(), mask) ? 1 : 0;
  }

  void CloseAffinity() override { affinity_.reset(); }

  bool SameName(const char16_t* a, const char16_t* b) override {
    return lstrcmpiW(reinterpret_cast<const wchar_t*>(a), reinterpret_cast<const wchar_t*>(b)) == 0;
  }

 private:
  UniqueHandle snapshot_;
  PROCESSENTRY32W entry_{};
  bool started_ = false;  // Process32FirstW done for this snapshot
  UniqueHandle affinity_;
};

}  // namespace

std::unique_ptr<IProcessSource> MakeSystemProcessSource() {
  return std::make_unique<CWin32ProcessSource>();
}

}  // namespace tarrowin
