// What the benchmark programs share: the clock of their timed regions, a temporary
// folder of the run, removed at exit, and the process's resident memory.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <time.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace dlist::bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time of the calling thread, in seconds: unlike the wall time it does
// not grow when other programs take turns on the machine's cores.
inline double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The processor time (user and system) of the finished child processes, in seconds.
inline double children_seconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  const auto secs = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  return secs(u.ru_utime) + secs(u.ru_stime);
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

// A value of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when unknown.
inline long status_kb(std::string_view key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size(), key) == 0 && line.size() > key.size() &&
        line[key.size()] == ':') {
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    }
  }
  return -1;
}

// Resets the peak resident memory to the current one; false when not possible.
inline bool reset_peak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace dlist::bench
