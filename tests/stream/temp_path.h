// A file name in the temporary folder for one test, removed when the test ends.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace stream_test {

struct TempPath {
  explicit TempPath(const char* tag)
      : path((std::filesystem::temp_directory_path() /
              ("dlist_st_" + std::to_string(std::random_device{}()) + "_" + tag))
                 .string()) {
    std::filesystem::remove(path);
  }
  ~TempPath() { std::filesystem::remove(path); }
  std::string path;
};

}  // namespace stream_test
