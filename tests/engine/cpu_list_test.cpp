#include "engine/cpu_list.h"

#include <gtest/gtest.h>

namespace tarrowin {
namespace {

TEST(ParseCpuListTest, ReadsTheKernelsListFormat) {
  const std::pair<const char*, std::optional<std::uint32_t>> cases[] = {
      {"0\n", 0x1u},
      {"0-1\n", 0x3u},
      {"0-3,8,10-11\n", 0xD0Fu},
      {"30-40", 0xC0000000u},  // processors from 32 on are left out
      {"33", 0u},
      {"0-31", 0xFFFFFFFFu},
      {"", std::nullopt},
      {"\n", std::nullopt},
      {"3-1", std::nullopt},
      {"0-", std::nullopt},
      {"0,,1", std::nullopt},
      {"0,1,", std::nullopt},
      {"a", std::nullopt},
      {"1 2", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& [text, mask] : cases) EXPECT_EQ(ParseCpuList(text), mask) << text;
}

}  // namespace
}  // namespace tarrowin
