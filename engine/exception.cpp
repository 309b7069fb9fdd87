// Exception classes.
#include "engine/exception.h"

namespace tarrowin {

IException::IException(std::int32_t code, std::int32_t detail) : code_(code), detail_(detail) {}

IException::IException(const char16_t* text, std::int32_t code, std::int32_t detail)
    : code_(code), detail_(detail) {
  // The rest of the buffer stays zero from the member initialiser.
  for (int i = 0; text != nullptr && i < kMessageCapacity - 1 && text[i] != 0; ++i) {
    message_[i] = text[i];
  }
}

smart_ptr_exception::smart_ptr_exception(std::int32_t code)
    : IException(u"smart ptr exception", code, 0) {}

}  // namespace tarrowin
