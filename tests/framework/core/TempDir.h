// A fresh folder under the system's temporary folder (or under `base`), removed with
// everything in it.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

class TempDir {
 public:
  explicit TempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
    static int counter = 0;
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = base / ("quiro-fw-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    std::filesystem::create_directories(dir_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Dir() const { return dir_.string(); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};
