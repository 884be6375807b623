// Shared by the fuzz targets: the scratch file that an input is written to (one a
// process, removed when the process ends), the empty stores that every input starts
// from, and the settings store kept in memory so that no run touches the user's.
//
// Building a project or a library for each input would cost more than reading the
// input (a few hundred inputs a second). Instead a store is created once, its empty
// rows are kept aside, and before each input every table gets those rows back: the
// input meets a store equal to a new one, while the connection keeps its prepared
// statements. An input that leaves a lock of the store taken fails the target.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/list/list_context.h"
#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace dlist::fuzz {

// The scratch file of this process for target, removed at exit.
class ScratchFile {
 public:
  explicit ScratchFile(const char* target) {
    // A file system in memory where there is one: each input is written once.
    std::error_code ec;
    std::filesystem::path dir = "/dev/shm";
    if (!std::filesystem::is_directory(dir, ec) || access(dir.c_str(), W_OK) != 0) {
      dir = std::filesystem::temp_directory_path(ec);
      if (ec) dir = "/tmp";
    }
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

// The rows of a new store, kept in temporary tables of its own connection, and put
// back into every table on restore().
class EmptyRows {
 public:
  // Keeps the rows that db holds now; ok() is false when that fails.
  explicit EmptyRows(SqliteConnection& db) : db_(db) {
    std::vector<std::string> tables;
    {
      Statement list(db_,
                     "SELECT name FROM main.sqlite_schema WHERE type = 'table' AND "
                     "(name NOT LIKE 'sqlite%' OR name = 'sqlite_sequence') ORDER BY name");
      while (list.row()) {
        const auto name = list.blob(0);
        tables.emplace_back(name.begin(), name.end());
      }
      ok_ = list.ok() && !tables.empty();
    }
    for (const std::string& table : tables) {
      const std::string kept = "temp.\"fuzz_empty_" + table + "\"";
      const std::string live = "main.\"" + table + "\"";
      ok_ = ok_ && db_.exec(("CREATE TABLE " + kept + " AS SELECT * FROM " + live).c_str());
      statements_.push_back("DELETE FROM " + live);
      // A table that a new store leaves empty only needs emptying.
      Statement rows(db_, ("SELECT count(*) FROM " + kept).c_str());
      if (!rows.row() || rows.integer(0) > 0)
        statements_.push_back("INSERT INTO " + live + " SELECT * FROM " + kept);
      ok_ = ok_ && rows.ok();
    }
  }
  EmptyRows(const EmptyRows&) = delete;
  EmptyRows& operator=(const EmptyRows&) = delete;

  bool ok() const { return ok_; }

  // Puts the kept rows back, in one transaction, unless no row changed since they
  // were last put back (most inputs are refused before they change anything); the
  // connection forgets its last failure, as a new one has none. Aborts when that
  // fails (a lock that the input left taken, a transaction it left open): the next
  // input would not start from an empty store.
  void restore() {
    bool done = ok_ && db_.lock_depth() == 0;
    if (done && (changes_ < 0 || changes() != changes_)) {
      done = db_.write_lock();
      if (done) {
        for (const std::string& sql : statements_) done = done && Statement(db_, sql.c_str()).run();
        if (!done) db_.abandon();
        done = db_.write_unlock() && done;
      }
      changes_ = changes();
    }
    if (!done) {
      std::fprintf(stderr, "fuzz: cannot empty the store (lock depth %d): %s\n", db_.lock_depth(),
                   db_.last_error().c_str());
      std::abort();
    }
    db_.clear_failure();
  }

 private:
  // The rows that the connection's statements have inserted, changed or removed since
  // it opened (those of rolled-back transactions included); -1 on failure.
  int64_t changes() {
    Statement total(db_, "SELECT total_changes()");
    return total.row() ? total.integer(0) : -1;
  }

  SqliteConnection& db_;
  std::vector<std::string> statements_;
  int64_t changes_ = -1;  // changes() when the rows were last put back
  bool ok_ = false;
};

// The project in memory that every input of a process starts from: created once,
// the active model for the process, emptied again by fresh().
class EmptyProject {
 public:
  // The process's project, as new; null when it could not be created.
  static ModelDatabase* fresh() {
    static EmptyProject project;
    if (!project.ok()) return nullptr;
    project.rows_->restore();
    return &project.db_;
  }

 private:
  EmptyProject() {
    if (!db_.open(":memory:")) return;
    set_active_model(&db_);
    rows_ = std::make_unique<EmptyRows>(db_.connection());
  }
  bool ok() const { return rows_ && rows_->ok(); }

  ModelDatabase db_;
  std::unique_ptr<EmptyRows> rows_;
};

// The material library in memory that every input of a process starts from, as
// EmptyProject. (A library keeps no state for the next call beside its rows but the
// walk positions, which every walk sets with its rewind_* call.)
class EmptyLibrary {
 public:
  static LISTCONTEXT* fresh() {
    static EmptyLibrary library;
    if (!library.ok()) return nullptr;
    library.rows_->restore();
    return &library.library_;
  }

 private:
  EmptyLibrary() {
    if (!library_.open(":memory:")) return;
    rows_ = std::make_unique<EmptyRows>(library_.connection());
  }
  bool ok() const { return rows_ && rows_->ok(); }

  LISTCONTEXT library_;
  std::unique_ptr<EmptyRows> rows_;
};

}  // namespace dlist::fuzz
