// Benchmark of the list import: a list export file of N materials (N = 10,000 and
// 100,000; three unit references and two subprice references each) read into a fresh
// library file, beside two baselines in the same run:
// - "rows": the same materials, parsed once outside the timed region, inserted with
//   prepared statements straight into the same SQLite schema in one transaction (what
//   the import costs beyond storing its rows), the piece unit's reference that the
//   import gives every material included;
// - "sqlite3": the sqlite3 program's own ".import" of an equivalent CSV file of the
//   material rows into a plain table, when that program is installed (else -1);
// - "sqlite3_schema": the sqlite3 program's ".import" of the rows the import stores
//   in the per-material tables (materials, unit references, subprice references,
//   with their identifiers, as the first import left them) as three CSV files into
//   a fresh library's own tables, with its indexes and checks, in one transaction
//   (else -1). The texts arrive as TEXT values where the library stores BLOBs.
//
// Counters: "rows_ms", "sqlite3_ms" and "sqlite3_schema_ms" (the baselines' times an
// iteration), "ratio" (import time / rows time); in processor time "cpu_ms" (the
// import's), "rows_cpu_ratio", "sqlite3_cpu_ms" and "sqlite3_schema_cpu_ms" (the
// sqlite3 program's, with its shell), "sqlite3_cpu_ratio" and
// "sqlite3_schema_cpu_ratio".

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_support.h"
#include "host/list/list_context.h"
#include "host/model/sqlite_connection.h"
#include "materials/list_import.h"

namespace {

namespace fs = std::filesystem;
using dlist::bench::Clock;
using dlist::bench::seconds_since;

constexpr int kRoots = 10;
constexpr int kGroupsPerRoot = 10;

const fs::path& folder() {
  static dlist::bench::RunFolder f("dlist_bench_import_");
  return f.path();
}

// One material line of the file, as the baseline stores it.
struct Row {
  std::string parent_code;  // empty for a root
  std::string code;         // own code component
  std::string name;
  double price = 0;
  bool references = false;
};

struct Source {
  fs::path lis;
  fs::path csv;
  // The rows an import stores in the per-material tables, as CSV files with their
  // identifiers (written from the first import).
  fs::path materials_csv, unit_refs_csv, subprice_refs_csv;
  std::string piece;  // the piece unit, which the import refers every material to
  std::vector<Row> rows;
};

// Writes the columns of a table of the library file as a CSV file for sqlite3's
// ".import", in the order of the table's columns; types names each column's type
// ('i' integer, 'r' real, 't' text, written quoted).
bool dump_table_csv(dlist::SqliteConnection& db, const char* table, const char* columns,
                    std::string_view types, const fs::path& file) {
  dlist::Statement q(db, (std::string("SELECT ") + columns + " FROM " + table + " ORDER BY id").c_str());
  std::string out;
  while (q.row()) {
    for (std::size_t c = 0; c < types.size(); ++c) {
      const int column = static_cast<int>(c);
      if (c > 0) out += ',';
      if (types[c] == 'i') {
        out += std::to_string(q.integer(column));
      } else if (types[c] == 'r') {
        char number[32];
        std::snprintf(number, sizeof number, "%.17g", q.real(column));
        out += number;
      } else {
        out += '"';
        for (unsigned char b : q.blob(column)) {
          if (b == '"') out += '"';
          out += static_cast<char>(b);
        }
        out += '"';
      }
    }
    out += '\n';
  }
  std::ofstream(file, std::ios::binary) << out;
  return q.ok();
}

// The CSV files of the per-material tables of an imported library.
bool dump_tables(Source& s, const fs::path& library, int n) {
  dlist::SqliteConnection db;
  if (!db.open(library.string())) return false;
  const std::string stem = "table_" + std::to_string(n) + "_";
  s.materials_csv = folder() / (stem + "materials.csv");
  s.unit_refs_csv = folder() / (stem + "unit_refs.csv");
  s.subprice_refs_csv = folder() / (stem + "subprice_refs.csv");
  {
    // The first material is a group: its one unit reference is the piece unit's.
    dlist::Statement q(db, "SELECT abbrev FROM unit_refs WHERE material = 1 ORDER BY id");
    if (!q.row()) return false;
    const auto abbrev = q.blob(0);
    s.piece.assign(abbrev.begin(), abbrev.end());
  }
  return dump_table_csv(db, "materials",
                        "id, parent, code, name, unit_price, native_unit, market, text1, text2, "
                        "text3, text4",
                        "iittrtttttt", s.materials_csv) &&
         dump_table_csv(db, "unit_refs", "id, material, abbrev, factor", "iitr", s.unit_refs_csv) &&
         dump_table_csv(db, "subprice_refs", "id, material, abbrev, value", "iitr",
                        s.subprice_refs_csv);
}

void add(std::string& out, std::string_view line) {
  out += line;
  out += "\r\n";
}

Source& source(int n) {
  static std::map<int, Source> sources;
  Source& s = sources[n];
  if (!s.lis.empty()) return s;
  std::string text;
  add(text, std::string(1, '\3') + "This file is exported by Corvida");
  add(text, ".");
  add(text, "dim:Weight;kg;kilogram");
  add(text, "+unit:g;gram;1000.0");
  add(text, "+unit:t;tonne;0.001");
  add(text, "market:Local");
  add(text, "subprice:W;Waste*;1.05");
  add(text, "subprice:F;Fee+;2.5");
  add(text, "long text names:Memo|Note|Supplier|Norm");
  add(text, "");
  std::string csv;
  for (int r = 0; r < kRoots; ++r) {
    const std::string root = "G" + std::to_string(r);
    add(text, root + "|Group||0.0|;;|||");
    s.rows.push_back({"", root, "Group", 0, false});
    for (int g = 0; g < kGroupsPerRoot; ++g) {
      const std::string set = "S" + std::to_string(g);
      add(text, root + "." + set + "|Set||0.0|;;|||");
      s.rows.push_back({root, set, "Set", 0, false});
    }
  }
  for (int i = 0; i < n; ++i) {
    const int group = i % (kRoots * kGroupsPerRoot);
    const std::string parent =
        "G" + std::to_string(group / kGroupsPerRoot) + ".S" + std::to_string(group % kGroupsPerRoot);
    const std::string code = "M" + std::to_string(i);
    const std::string name = "Material " + std::to_string(i);
    const double price = 10 + (i % 100) * 0.25;
    char price_text[32];
    std::snprintf(price_text, sizeof price_text, "%.2f", price);
    add(text, parent + "." + code + "|" + name + "|Local|" + price_text +
                  "|kg|1.0|g|1000.0|t|0.001|;W|1.05|F|2.5|;Laid in mortar|||");
    s.rows.push_back({parent, code, name, price, true});
    csv += parent + "." + code + "," + name + ",Local," + price_text + "\n";
  }
  s.lis = folder() / ("materials_" + std::to_string(n) + ".lis");
  s.csv = folder() / ("materials_" + std::to_string(n) + ".csv");
  std::ofstream(s.lis, std::ios::binary) << text;
  std::ofstream(s.csv, std::ios::binary) << csv;
  return s;
}

std::span<const unsigned char> bytes(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// The baseline: the rows inserted straight into a fresh library's tables.
bool insert_rows(const Source& s, const fs::path& file) {
  LISTCONTEXT lib;
  if (!lib.open(file.string())) return false;
  dlist::SqliteConnection& db = lib.connection();
  if (lib.write_lock() == 0) return false;
  std::map<std::string, int64_t> ids;
  const std::string& piece = s.piece;
  bool ok = true;
  for (const Row& row : s.rows) {
    const int64_t parent = row.parent_code.empty() ? 0 : ids[row.parent_code];
    {
      dlist::Statement q(db,
                         "INSERT INTO materials (parent, code, name, unit_price, native_unit, "
                         "market, text1, text2, text3, text4) "
                         "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?8, ?8)");
      q.bind(1, parent).bind(2, bytes(row.code)).bind(3, bytes(row.name)).bind_double(4, row.price);
      q.bind(5, bytes(row.references ? "kg" : "")).bind(6, bytes(row.references ? "Local" : ""));
      q.bind(7, bytes(row.references ? "Laid in mortar" : "")).bind(8, bytes(""));
      ok = q.run() && ok;
    }
    const int64_t id = db.last_insert_id();
    ids[row.parent_code.empty() ? row.code : row.parent_code + "." + row.code] = id;
    const auto unit_ref = [&](std::string_view abbrev, double factor) {
      dlist::Statement q(db, "INSERT INTO unit_refs (material, abbrev, factor) VALUES (?1, ?2, ?3)");
      ok = q.bind(1, id).bind(2, bytes(abbrev)).bind_double(3, factor).run() && ok;
    };
    if (row.references) {
      for (const auto& [abbrev, factor] : {std::pair{"kg", 1.0}, {"g", 1000.0}, {"t", 0.001}})
        unit_ref(abbrev, factor);
    }
    unit_ref(piece, 1.0);  // the import gives every material the piece unit
    if (!row.references) continue;
    for (const auto& [abbrev, value] : {std::pair{"W", 1.05}, {"F", 2.5}}) {
      dlist::Statement q(db,
                         "INSERT INTO subprice_refs (material, abbrev, value) VALUES (?1, ?2, ?3)");
      ok = q.bind(1, id).bind(2, bytes(abbrev)).bind_double(3, value).run() && ok;
    }
  }
  return lib.write_unlock() != 0 && ok;
}

// The rows of the tables that both the import and the CSV baseline fill.
int64_t stored_rows(const fs::path& file) {
  dlist::SqliteConnection db;
  if (!db.open(file.string())) return -1;
  dlist::Statement q(db,
                     "SELECT (SELECT count(*) FROM materials) + (SELECT count(*) FROM unit_refs) "
                     "+ (SELECT count(*) FROM subprice_refs)");
  return q.row() ? q.integer(0) : -1;
}

bool have_sqlite3() { return std::system("command -v sqlite3 >/dev/null 2>&1") == 0; }

void remove_file(const fs::path& file) {
  std::error_code ec;
  fs::remove(file, ec);
}

void BM_ListImport(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Source& src = source(n);
  const bool sqlite3 = have_sqlite3();
  const fs::path target = folder() / "imported.db";
  const fs::path rows_db = folder() / "rows.db";
  const fs::path csv_db = folder() / "csv.db";
  const fs::path schema_db = folder() / "schema.db";
  double imported = 0, rows = 0, csv = 0, cpu = 0, rows_cpu = 0, csv_cpu = 0;
  double schema = 0, schema_cpu = 0;
  for (auto _ : state) {
    remove_file(target);
    LISTCONTEXT lib;
    if (!lib.open(target.string())) state.SkipWithError("cannot create the library");
    const double c0 = dlist::bench::thread_seconds();
    const auto t0 = Clock::now();
    const int ok = ListImport(nullptr, &lib, 0, src.lis.string().c_str(), 1);
    const double t = seconds_since(t0);
    cpu += dlist::bench::thread_seconds() - c0;
    if (ok == 0) state.SkipWithError("the import failed");
    state.SetIterationTime(t);
    imported += t;
    lib.close();
    if (src.materials_csv.empty() && !dump_tables(src, target, n)) {
      state.SkipWithError("cannot write the tables as CSV");
    }

    remove_file(rows_db);
    const double c1 = dlist::bench::thread_seconds();
    const auto t1 = Clock::now();
    if (!insert_rows(src, rows_db)) state.SkipWithError("the baseline failed");
    rows += seconds_since(t1);
    rows_cpu += dlist::bench::thread_seconds() - c1;

    if (sqlite3) {
      remove_file(csv_db);
      const std::string command = "sqlite3 " + csv_db.string() +
                                  " 'CREATE TABLE m (code, name, market, price);' '.mode csv' "
                                  "'.import " + src.csv.string() + " m'";
      const double c2 = dlist::bench::children_seconds();
      const auto t2 = Clock::now();
      if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 .import failed");
      csv += seconds_since(t2);
      csv_cpu += dlist::bench::children_seconds() - c2;

      remove_file(schema_db);
      {
        LISTCONTEXT fresh;  // the library's own schema, made outside the timed region
        if (!fresh.open(schema_db.string())) state.SkipWithError("cannot create the library");
      }
      const std::string tables = "sqlite3 " + schema_db.string() + " '.mode csv' 'BEGIN;' '.import " +
                                 src.materials_csv.string() + " materials' '.import " +
                                 src.unit_refs_csv.string() + " unit_refs' '.import " +
                                 src.subprice_refs_csv.string() + " subprice_refs' 'COMMIT;'";
      const double c3 = dlist::bench::children_seconds();
      const auto t3 = Clock::now();
      if (std::system(tables.c_str()) != 0) state.SkipWithError("sqlite3 .import of the tables failed");
      schema += seconds_since(t3);
      schema_cpu += dlist::bench::children_seconds() - c3;
      if (stored_rows(schema_db) != stored_rows(target)) {
        state.SkipWithError("sqlite3 .import stored other rows than the import");
      }
    }
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["rows_ms"] = benchmark::Counter(1000.0 * rows / iterations);
  state.counters["sqlite3_ms"] = benchmark::Counter(sqlite3 ? 1000.0 * csv / iterations : -1.0);
  state.counters["ratio"] = benchmark::Counter(rows > 0 ? imported / rows : 0.0);
  // The same in processor time (the sqlite3 program's and its shell's), which the
  // machine's load does not move.
  state.counters["cpu_ms"] = benchmark::Counter(1000.0 * cpu / iterations);
  state.counters["rows_cpu_ratio"] = benchmark::Counter(rows_cpu > 0 ? cpu / rows_cpu : 0.0);
  state.counters["sqlite3_cpu_ms"] =
      benchmark::Counter(sqlite3 ? 1000.0 * csv_cpu / iterations : -1.0);
  state.counters["sqlite3_cpu_ratio"] =
      benchmark::Counter(sqlite3 && csv_cpu > 0 ? cpu / csv_cpu : 0.0);
  state.counters["sqlite3_schema_ms"] =
      benchmark::Counter(sqlite3 ? 1000.0 * schema / iterations : -1.0);
  state.counters["sqlite3_schema_cpu_ms"] =
      benchmark::Counter(sqlite3 ? 1000.0 * schema_cpu / iterations : -1.0);
  state.counters["sqlite3_schema_cpu_ratio"] =
      benchmark::Counter(sqlite3 && schema_cpu > 0 ? cpu / schema_cpu : 0.0);
  state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_ListImport)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
