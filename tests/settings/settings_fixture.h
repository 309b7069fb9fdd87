// Settings files that the tests of several subsystems compare with, kept
// once under tests/settings/data exactly as the program writes them (code
// page 932, CR LF). Test programs that read them define
// TARROWIN_SETTINGS_DATA as that folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/files/temp_dir.h"

namespace tarrowin::testing_settings {

// The bytes of fixture `name`; a missing or empty file fails the test.
inline std::string SettingsFixture(const std::string& name) {
  const std::string bytes =
      testing_files::ReadBytes(std::filesystem::path(TARROWIN_SETTINGS_DATA) / name);
  EXPECT_FALSE(bytes.empty()) << name << " is missing from " << TARROWIN_SETTINGS_DATA;
  return bytes;
}

// Two rules as the program saves them: notepad.exe on processor 0, and a
// quoted path with a space on processors 0 and 1.
inline std::string TwoRulesFile() { return SettingsFixture("two_rules.ini"); }

}  // namespace tarrowin::testing_settings
