// Settings files for tarrowin-cli, and what to say when one cannot be used.
#include "tools/cli/cli_rules.h"

#include <filesystem>
#include <system_error>

#include "app/rule_settings.h"
#include "settings/settings_document.h"

namespace tarrowin {
namespace {

namespace fs = std::filesystem;

}  // namespace

bool LoadRulesFile(const std::u16string& path, int systemCPUCount, std::vector<LimitRule>& rules,
                   std::u16string& fault) {
  std::error_code error;
  const fs::file_status status = fs::status(fs::path(path), error);
  // Opening a folder may succeed and reading a pipe may never end: only a
  // regular file, or a name that is not on disk at all (an archive may
  // hold it), goes on to the reader.
  if (fs::is_directory(status)) {
    fault = u"is a folder, not a settings file";
    return false;
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    fault = u"is not a regular file";
    return false;
  }
  CSettingsDocument document;
  if (!document.LoadFile(path.c_str())) {
    fault = status.type() == fs::file_type::not_found
                ? u"not found, neither on disk nor in a .pcf archive of its folders"
                : u"cannot be read";
    return false;
  }
  std::vector<LimitRule> loaded = RulesFromSettings(document, systemCPUCount);
  if (loaded.empty()) {
    fault = u"holds no rules (no section with ProcessName, CPUCount and CPUMask)";
    return false;
  }
  rules = std::move(loaded);
  return true;
}

}  // namespace tarrowin
