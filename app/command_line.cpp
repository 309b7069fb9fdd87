// Command-line splitting and the cycle words.
#include "app/command_line.h"

#include <array>

#include "app/resource.h"

namespace tarrowin {
namespace {

constexpr std::array<CycleWord, 3> kCycleWords{{
    {u"normal", ID_CYCLE_NORMAL, true},
    {u"long", ID_CYCLE_LONG, true},
    {u"stop", ID_CYCLE_STOP, false},
}};

}  // namespace

const char16_t* ArgumentsText(const char16_t* commandLine) {
  if (commandLine == nullptr) return nullptr;
  const char16_t* p = commandLine;
  bool quoted = false;
  for (; *p > u' ' || (*p != 0 && quoted); ++p) {
    if (*p == u'"') quoted = !quoted;
  }
  while (*p != 0 && *p <= u' ') ++p;
  return p;
}

int SplitCommandLine(const char16_t* text, std::vector<std::u16string>& arguments) {
  arguments.clear();
  if (text == nullptr || *text == u'\0') return 0;
  std::u16string token;
  bool quoted = false;
  for (; *text != u'\0'; ++text) {
    const char16_t c = *text;
    if (c == u' ' || c == u'\t') {
      if (quoted) {
        token += c;
      } else if (!token.empty()) {
        arguments.push_back(std::move(token));
        token.clear();
      }
    } else if (c == u'"') {
      if (quoted) {
        // Kept even when empty: "" is an argument of its own.
        arguments.push_back(std::move(token));
        token.clear();
      }
      quoted = !quoted;
    } else {
      token += c;
    }
  }
  if (!token.empty()) arguments.push_back(std::move(token));
  return 1;
}

const CycleWord* FindCycleWord(std::u16string_view word) {
  for (const CycleWord& entry : kCycleWords) {
    if (word == entry.word) return &entry;
  }
  return nullptr;
}

}  // namespace tarrowin
