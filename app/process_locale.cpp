// The set-once runtime locale step.
#include "app/process_locale.h"

#include <clocale>

namespace tarrowin {
namespace {
// First set on the user-interface thread at start-up, before any file is
// read; no other thread touches it.
bool locale_set = false;
}  // namespace

void EnsureJapaneseLocale() {
  if (locale_set) return;
  locale_set = true;
  std::setlocale(LC_ALL, "jpn");
}

}  // namespace tarrowin
