// Stand-in for the decoders of the compression stages until they arrive:
// every compressed value fails to decode. Stored and encrypted values do
// not come here.
#include "files/pack_stages.h"

namespace tarrowin {

bool DecodePackStages(const PackStages&, std::uint32_t, IPackReader&, IPackSink&) { return false; }

}  // namespace tarrowin
