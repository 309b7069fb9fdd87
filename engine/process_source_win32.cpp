// The system's processes: one NtQuerySystemInformation call lists their
// ids and creation times together, and the process calls read paths and
// affinities with exactly the access rights that each step needs. Every
// handle has one owner and is closed in the pass that opened it.
#include <windows.h>
// windows.h first: winternl.h relies on its types.
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "engine/process_path_win32.h"
#include "engine/process_source.h"
#include "engine/win32_handle.h"

namespace tarrowin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

// PROCESS_SET_INFORMATION | PROCESS_QUERY_INFORMATION: read and set the
// affinity.
constexpr DWORD kAffinityAccess = 0x600;

// The list grows when processes start between the call that measures it
// and the one that fills it: a few tries, each with room to spare.
constexpr int kListTries = 8;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
// A list beyond this is not a process list.
constexpr std::size_t kMaxListBytes = std::size_t{256} << 20;

// The leading fields of a process record, which every record holds.
constexpr std::size_t kRecordBytes =
    offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId) + sizeof(HANDLE);

template <typename T>
T FieldAt(const unsigned char* record, std::size_t offset) {
  T value;
  std::memcpy(&value, record + offset, sizeof(value));
  return value;
}

class CWin32ProcessSource final : public IProcessSource {
 public:
  int TakeSnapshot() override {
    listed_ = 0;
    next_ = 0;
    walking_ = false;
    for (int attempt = 0; attempt < kListTries; ++attempt) {
      ULONG needed = 0;
      const NTSTATUS status =
          NtQuerySystemInformation(SystemProcessInformation, list_.data(), ListBytes(), &needed);
      if (NT_SUCCESS(status)) {
        listed_ = needed < ListBytes() ? needed : ListBytes();
        walking_ = true;
        return 1;
      }
      if (status != kInfoLengthMismatch || !Grow(needed)) return 0;
    }
    return 0;
  }

  // Records are read only within the bytes that the call wrote: a record
  // that does not fit there ends the list.
  int NextProcess(ProcessId* id) override {
    if (!walking_ || next_ > listed_ || listed_ - next_ < kRecordBytes) {
      walking_ = false;
      return 0;
    }
    const auto* record = reinterpret_cast<const unsigned char*>(list_.data()) + next_;
    const auto link = FieldAt<ULONG>(record, offsetof(SYSTEM_PROCESS_INFORMATION, NextEntryOffset));
    const auto process =
        FieldAt<HANDLE>(record, offsetof(SYSTEM_PROCESS_INFORMATION, UniqueProcessId));
    const auto created =
        FieldAt<LARGE_INTEGER>(record, offsetof(SYSTEM_PROCESS_INFORMATION, CreateTime));
    *id = static_cast<ProcessId>(reinterpret_cast<ULONG_PTR>(process));
    start_time_ = created.QuadPart > 0 ? static_cast<std::uint64_t>(created.QuadPart) : 0;
    if (link == 0) {
      walking_ = false;  // the last record
    } else {
      next_ += link;
    }
    return 1;
  }

  // The creation time in 100-nanosecond units, unique for a process id at
  // any moment: a Windows process keeps its program for all its life.
  std::uint64_t StartTime() override { return start_time_; }

  // The list is kept for the next pass to fill again; no handle is open.
  void CloseSnapshot() override { walking_ = false; }

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
  ULONG ListBytes() const { return static_cast<ULONG>(list_.size() * sizeof(list_[0])); }

  // Room for `needed` bytes and a quarter more; false beyond any real list.
  bool Grow(ULONG needed) {
    std::size_t bytes = needed > ListBytes() ? needed : 2 * std::size_t{ListBytes()};
    bytes += bytes / 4 + 4096;
    if (bytes > kMaxListBytes) return false;
    list_.assign(bytes / sizeof(list_[0]) + 1, 0);
    return true;
  }

  // 8-byte words: the records' alignment.
  std::vector<std::uint64_t> list_;
  std::size_t listed_ = 0;  // bytes of list_ that the last call wrote
  std::size_t next_ = 0;    // offset of the next record
  bool walking_ = false;
  std::uint64_t start_time_ = 0;
  UniqueHandle affinity_;
};

}  // namespace

std::unique_ptr<IProcessSource> MakeSystemProcessSource() {
  return std::make_unique<CWin32ProcessSource>();
}

}  // namespace tarrowin
