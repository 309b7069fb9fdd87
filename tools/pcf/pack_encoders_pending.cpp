// Stand-in for the encoders of the compression stages until they arrive:
// asking for compression fails with a clear message.
#include <stdexcept>

#include "tools/pack_encoders/pack_encoders.h"

namespace tarrowin {

std::vector<std::uint8_t> EncodePackStages(const PackStages&, std::span<const std::uint8_t>) {
  throw std::runtime_error("this build has no compression yet");
}

}  // namespace tarrowin
