// The premise of the fuzz targets: a store emptied by EmptyProject::fresh() or
// EmptyLibrary::fresh() holds what a new store holds, so an input imported into it
// gives the same rows as into a new one, whatever the inputs before it did.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/report.h"
#include "materials/list_import.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_reader.h"

namespace dlist {
namespace {

// Every row of every table (sqlite_sequence included), each with its row id.
std::string all_rows(SqliteConnection& db) {
  std::vector<std::string> tables;
  {
    Statement list(db, "SELECT name FROM main.sqlite_schema WHERE type = 'table' ORDER BY name");
    while (list.row()) {
      const auto name = list.blob(0);
      tables.emplace_back(name.begin(), name.end());
    }
  }
  std::string rows;
  for (const std::string& table : tables) {
    Statement columns(db, ("SELECT group_concat('quote(\"' || name || '\")', ' || ''|'' || ') "
                           "FROM pragma_table_info('" + table + "')")
                              .c_str());
    std::string values = "''";
    if (columns.row()) {
      const auto text = columns.blob(0);
      values.assign(text.begin(), text.end());
    }
    Statement read(db, ("SELECT rowid || ':' || " + values + " FROM main.\"" + table +
                        "\" ORDER BY rowid")
                           .c_str());
    rows += "[" + table + "]\n";
    while (read.row()) {
      const auto text = read.blob(0);
      rows.append(text.begin(), text.end()).append("\n");
    }
  }
  return rows;
}

std::vector<std::string> corpus(const char* name) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(DLIST_FUZZ_CORPUS) / name))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

void import_exchange(std::string path) {
  set_clash_choice(kClashOverwriteAll);
  if (path.ends_with(".prt"))
    PrototypeImport(nullptr, 0L, path.data());
  else
    PaletteImport(nullptr, 0L, path.data());
  report_log().clear();
}

void import_list(LISTCONTEXT* library, std::string path) {
  ListImportOptions options;
  options.column_map = "delim=;,cols=code,name,unit_price,ref_unit,ref_factor,subprice,subprice_value";
  list_import(nullptr, library, 0, path.data(), 1, options);
  report_log().clear();
  reset_dialog_engine();
}

TEST(EmptyStoreTest, AnImportIntoTheEmptiedProjectGivesTheRowsOfANewOne) {
  fuzz::keep_settings_in_memory();
  std::vector<std::string> files = corpus("palette_import");
  for (const std::string& f : corpus("prototype_import")) files.push_back(f);
  ASSERT_FALSE(files.empty());
  for (int round = 0; round < 2; ++round) {
    for (const std::string& file : files) {
      ModelDatabase fresh;
      ASSERT_TRUE(fresh.open(":memory:"));
      std::string expected;
      {
        ActiveModel active(fresh);
        import_exchange(file);
        expected = all_rows(fresh.connection());
      }
      ModelDatabase* reused = fuzz::EmptyProject::fresh();
      ASSERT_NE(reused, nullptr);
      import_exchange(file);
      EXPECT_EQ(all_rows(reused->connection()), expected) << file;
    }
  }
  ModelDatabase fresh;
  ASSERT_TRUE(fresh.open(":memory:"));
  EXPECT_EQ(all_rows(fuzz::EmptyProject::fresh()->connection()), all_rows(fresh.connection()));
}

TEST(EmptyStoreTest, AnImportIntoTheEmptiedLibraryGivesTheRowsOfANewOne) {
  fuzz::keep_settings_in_memory();
  const std::vector<std::string> files = corpus("list_import");
  ASSERT_FALSE(files.empty());
  for (int round = 0; round < 2; ++round) {
    for (const std::string& file : files) {
      LISTCONTEXT fresh;
      ASSERT_TRUE(fresh.open(":memory:"));
      import_list(&fresh, file);
      LISTCONTEXT* reused = fuzz::EmptyLibrary::fresh();
      ASSERT_NE(reused, nullptr);
      import_list(reused, file);
      EXPECT_EQ(all_rows(reused->connection()), all_rows(fresh.connection())) << file;
    }
  }
}

}  // namespace
}  // namespace dlist
