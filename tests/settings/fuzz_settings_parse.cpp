// Feeds arbitrary bytes to the settings reader through a real file and the
// file stream (encoding detection, line pieces, code page 932), then checks
// that a document the writer can represent reads back the same after a
// save: non-empty values and only characters of code page 932.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/code_page_932.h"
#include "settings/settings_document.h"

namespace {

using tarrowin::CSettingsDocument;
using tarrowin::SettingsSection;

class Workspace {
 public:
  // In memory where possible: every save is flushed to its device.
  Workspace()
      : dir_((std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                        : std::filesystem::temp_directory_path()) /
             ("tarrowin-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
  }
  ~Workspace() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::filesystem::path Path(const char* name) const { return dir_ / name; }

 private:
  std::filesystem::path dir_;
};

bool Representable(const std::u16string& text) {
  const auto& code_page = tarrowin::CodePage932::Instance();
  std::uint8_t bytes[2];
  for (char16_t c : text) {
    if (code_page.Encode(c, bytes) == 0) return false;
  }
  return true;
}

bool WriterCanRepresent(const CSettingsDocument& document) {
  for (const SettingsSection& section : document.sections()) {
    if (!Representable(section.name)) return false;
    for (const auto& [key, value] : section.keys) {
      if (value.text.empty() || !Representable(key) || !Representable(value.text)) return false;
    }
  }
  return true;
}

bool SameDocument(const CSettingsDocument& a, const CSettingsDocument& b) {
  const auto& x = a.sections();
  const auto& y = b.sections();
  if (x.size() != y.size()) return false;
  for (std::size_t i = 0; i < x.size(); ++i) {
    if (x[i].name != y[i].name || x[i].keys.size() != y[i].keys.size()) return false;
    for (const auto& [key, value] : x[i].keys) {
      const auto found = y[i].keys.find(key);
      if (found == y[i].keys.end() || found->second.text != value.text ||
          found->second.order != value.order) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Workspace workspace;
  const std::filesystem::path input = workspace.Path("input.ini");
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  CSettingsDocument document;
  if (document.LoadFile(input.u16string().c_str()) != 1) std::abort();
  if (!WriterCanRepresent(document)) return 0;

  const std::u16string saved = workspace.Path("saved.ini").u16string();
  if (document.SaveFile(saved.c_str(), nullptr, 1) != 1) std::abort();
  CSettingsDocument reread;
  if (reread.LoadFile(saved.c_str()) != 1 || !SameDocument(document, reread)) std::abort();
  return 0;
}
