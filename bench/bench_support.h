// What the benchmark programs share: the clock of their timed regions and a
// temporary folder of the run, removed at exit.
#pragma once

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace dlist::bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A folder of the run under the system's temporary folder, named by prefix and the
// process; one per prefix, removed when the program ends.
class RunFolder {
 public:
  explicit RunFolder(const std::string& prefix)
      : path_(std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~RunFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace dlist::bench
