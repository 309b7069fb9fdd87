// The process-wide AppContext pointer. Only the user-interface thread reads
// or writes it.
#include "app/app_context.h"

namespace tarrowin {
namespace {
AppContext* current_context = nullptr;
}  // namespace

AppContext* CurrentAppContext() { return current_context; }

void SetCurrentAppContext(AppContext* context) { current_context = context; }

}  // namespace tarrowin
