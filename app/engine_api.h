// The part of the limit engine that the user interface uses: the rule
// record, the worker with its rules, check period and wake-up, and the
// processor-mask helpers.
//
// Stand-in until the engine library lands on this branch: the same names
// and signatures, with no worker thread and no process scan, so that the
// user interface builds and its tests run. Replaced by the engine's headers.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarrowin {

struct LimitRule {
  std::u16string ProcessName;
  std::int32_t CPUCount = 0;
  std::uint32_t CPUMask = 0;

  bool operator==(const LimitRule&) const = default;
};

inline int CountBits(std::uint32_t mask) { return std::popcount(mask); }

inline std::u16string_view FileNamePart(std::u16string_view path) {
  const auto slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

class CCPULimitThread {
 public:
  static constexpr std::int32_t kNormalPeriod = 500;
  static constexpr std::int32_t kLongPeriod = 2000;
  static constexpr std::int32_t kStopPeriod = -1;

  virtual ~CCPULimitThread() = default;
  int Start() { return 1; }
  int Stop() { return 1; }
  void SetRules(std::span<const LimitRule> rules) { rules_.assign(rules.begin(), rules.end()); }
  int Wake() {
    woken_ = 1;
    return 1;
  }
  int TakeWake() { return woken_.exchange(0); }

  std::atomic<std::int32_t> CheckPeriod{kStopPeriod};

 private:
  std::vector<LimitRule> rules_;
  std::atomic<int> woken_{0};
};

}  // namespace tarrowin
