// Shared by the fuzz targets: the scratch file that an input is written to (one a
// process, removed when the process ends), a fresh project in memory made the active
// model, and the settings store kept in memory so that no run touches the user's.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/model/model_database.h"

namespace dlist::fuzz {

// The scratch file of this process for target, removed at exit.
class ScratchFile {
 public:
  explicit ScratchFile(const char* target) {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = "/tmp";
    path_ = (dir / ("dlist_" + std::string(target) + "_" + std::to_string(getpid()) + ".bin"))
                .string();
  }
  ~ScratchFile() { std::remove(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Replaces the file's content by size bytes of data; false when it cannot.
  bool write(const uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    if (!f) return false;
    const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
    return std::fclose(f) == 0 && ok;
  }
  // The path as the importers take it.
  char* path() { return path_.data(); }

 private:
  std::string path_;
};

// Keeps the settings store in memory; called before anything else runs.
inline void keep_settings_in_memory() {
  static const bool done = [] { return setenv("DLIST_SETTINGS", ":memory:", 1) == 0; }();
  (void)done;
}

// A new project in memory, active while this object lives.
class FreshProject {
 public:
  FreshProject() {
    if (db_.open(":memory:")) previous_ = set_active_model(&db_);
    active_ = db_.is_open();
  }
  ~FreshProject() {
    if (active_) set_active_model(previous_);
  }
  FreshProject(const FreshProject&) = delete;
  FreshProject& operator=(const FreshProject&) = delete;

  bool ok() const { return active_; }
  ModelDatabase& db() { return db_; }

 private:
  ModelDatabase db_;
  ModelDatabase* previous_ = nullptr;
  bool active_ = false;
};

}  // namespace dlist::fuzz
