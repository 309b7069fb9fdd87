// A private folder for one test's files, removed with everything in it when
// the test ends, and helpers to put bytes into files and take them out.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace tarrowin::testing_files {

class TempDir {
 public:
  TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      dir_ = base / ("tarrowin-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(dir_)) return;
    }
    ADD_FAILURE() << "no temporary folder";
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  // Full path of `name` inside the folder, as the program's UTF-16 text.
  std::u16string Path(const std::u16string& name) const { return (dir_ / name).u16string(); }

 private:
  std::filesystem::path dir_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tarrowin::testing_files
