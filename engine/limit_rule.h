// One limit rule: which program, how many cores, which processors. The user
// interface keeps the master list; the engine works on a copy of it.
#pragma once

#include <cstdint>
#include <string>

namespace tarrowin {

struct LimitRule {
  // A bare executable file name ("tool.exe") or a full path; compared
  // without regard to letter case.
  std::u16string ProcessName;
  // Greater than 0: enabled, allowing that many cores. 0 or less: disabled;
  // the magnitude is the count shown to the user.
  std::int32_t CPUCount = 0;
  // 0: the engine chooses the cores; else an explicit processor mask (bit n
  // = logical processor n).
  std::uint32_t CPUMask = 0;

  bool operator==(const LimitRule&) const = default;
};

}  // namespace tarrowin
