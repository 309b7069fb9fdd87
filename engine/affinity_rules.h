// The portable decisions of an enforcement pass: bit counts, the file-name
// part of a path, the random choice of cores and the decision table that
// says whether and how a matching rule narrows a process's affinity.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "engine/random_generator.h"

namespace tarrowin {

// Number of set bits: the number of processors a mask allows.
int CountBits(std::uint32_t mask);

// The text after the last backslash or slash: the whole text if it has
// neither, an empty text if it ends with one.
const char16_t* FileNamePart(const char16_t* path);
std::u16string_view FileNamePart(std::u16string_view path);

// A mask of `count` processors drawn at random from those of
// `system_mask`: a full Fisher-Yates shuffle of the system's processor
// numbers, which always draws exactly CountBits(system_mask) outputs from
// `generator`, then the first `count` of them. A count of CountBits or more
// gives the whole system mask.
std::uint32_t ChooseCores(std::uint32_t system_mask, int count, IRandomGenerator& generator);

// What the decision table says for an enabled rule (cpu_count > 0) that
// matches a process with affinity `process_mask` on a system with
// `system_mask`: leave the process alone, set the rule's explicit mask, or
// choose cpu_count processors of the system at random.
enum class AffinityAction { kLeave, kSetExplicitMask, kChooseCores };
AffinityAction ClassifyAffinity(std::int32_t cpu_count, std::uint32_t explicit_mask,
                                std::uint32_t process_mask, std::uint32_t system_mask);

// The decision for an enabled rule (cpu_count > 0) that matches a process
// with affinity `process_mask` on a system with `system_mask`: the new
// mask, or nothing when the process is to be left alone. For rules whose
// explicit mask has cpu_count processors (as the rule editor keeps them) the
// process never gets more processors than it had.
std::optional<std::uint32_t> DecideAffinity(std::int32_t cpu_count, std::uint32_t explicit_mask,
                                            std::uint32_t process_mask, std::uint32_t system_mask,
                                            IRandomGenerator& generator);

}  // namespace tarrowin
