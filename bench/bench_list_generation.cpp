// Benchmark of the list generator: the priced material summary of a model of N walls
// (N = 10,000 and 100,000) with five material links each (three fixed quantities,
// two automatic ones from the wall's area, one of them through a unit reference),
// generated into a delimited-text list. Beside it, in the same run, the baseline:
// one SQL query (joins and GROUP BY) over the same rows in plain tables (links,
// measured values, materials with price and unit reference) that computes the same
// quantities and totals by code. Building the model, the library and the baseline's
// tables happens outside the timed regions.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "cli/project.h"
#include "foundation/list_nodes.h"
#include "host/generator/list_generator.h"
#include "host/list/list_context.h"
#include "host/list_sets/list_set_store.h"
#include "host/model/model_database.h"
#include "host/model/model_elements.h"
#include "host/model/sqlite_connection.h"

namespace {

namespace fs = std::filesystem;
using dlist::bench::Clock;
using dlist::bench::seconds_since;

const fs::path& folder() {
  static dlist::bench::RunFolder f("dlist_bench_generation_");
  return f.path();
}

struct BenchMaterial {
  const char* code;
  double price;
  const char* unit;
  double m2_factor;  // one native unit in m2 (0: none; the unit is m2 itself)
};
// Two materials measured by the area (plaster in m2, paint in litres through its
// reference to m2), three by fixed quantities.
constexpr BenchMaterial kMaterials[] = {
    {"B1", 0.45, "pcs", 0}, {"B2", 12.5, "m2", 0}, {"B3", 3.2, "l", 8.0},
    {"B4", 1.1, "m", 0},    {"B5", 1.85, "pcs", 0},
};
constexpr double kFixed[] = {120.0, 0, 0, 5.2, 3.0};  // 0: automatic from AREA

double area_of(long i) { return 10.0 + static_cast<double>(i % 97) * 0.25; }

struct Fixture {
  dlist::ModelDatabase model;
  LISTCONTEXT library;
  dlist::SqliteConnection baseline;
  fs::path ini;
  DL_LISTSPEC_LIST set;
};

void build_library(LISTCONTEXT& lib, const fs::path& path) {
  if (!lib.open(path.string())) std::abort();
  lib.write_lock();
  dbunit dim{};
  dlist::set_field(dim.abbrev, sizeof dim.abbrev, "##0");
  dlist::set_field(dim.name, sizeof dim.name, "Area");
  dim.factor = 1.0;
  const long area = lib.create(0, dim);
  dbunit m2{};
  dlist::set_field(m2.abbrev, sizeof m2.abbrev, "m2");
  dlist::set_field(m2.name, sizeof m2.name, "m2");
  m2.factor = 1.0;
  lib.create(area, m2);
  for (const BenchMaterial& b : kMaterials) {
    dbmaterial m{};
    dlist::set_field(m.id, sizeof m.id, b.code);
    dlist::set_field(m.name, sizeof m.name, b.code);
    dlist::set_field(m.native_unit, sizeof m.native_unit, b.unit);
    m.unit_price = b.price;
    const long id = lib.create(0, m, nullptr);
    if (id <= 0) std::abort();
    if (b.m2_factor > 0) {
      unitref r{};
      dlist::set_field(r.abbrev, sizeof r.abbrev, "m2");
      r.factor = b.m2_factor;
      lib.create(id, r);
    }
  }
  lib.write_unlock();
}

void build_model(dlist::ModelDatabase& db, long n) {
  if (!db.open(":memory:")) std::abort();
  dlist::ActiveModel active(db);
  DBMATREFCHAIN links;
  for (std::size_t i = 0; i < std::size(kMaterials); ++i) {
    DBMATREF l;
    l.code.put(kMaterials[i].code);
    if (kFixed[i] > 0) {
      l.quantity = kFixed[i];
    } else {
      l.quantity = DBMATREF::kAutoQuantity;
      l.set_parameter("AREA");
    }
    links.push(l);
  }
  dlist::cli::Transaction change(db);
  for (long i = 0; i < n; ++i) {
    dlist::ModelElement e;
    e.kind = 1;
    if (dlist::place_element(e, links, DBATTREFCHAIN(), {{"AREA", area_of(i)}}) <= 0) std::abort();
  }
  if (!change.commit()) std::abort();
}

// The same rows in plain tables: a link per element and material, the measured area.
void build_baseline(dlist::SqliteConnection& db, long n) {
  if (!db.open(":memory:")) std::abort();
  for (const char* sql :
       {"CREATE TABLE materials (code BLOB PRIMARY KEY, price REAL, m2_factor REAL)",
        "CREATE TABLE links (element INTEGER, pos INTEGER, code BLOB, automatic INTEGER,"
        " quantity REAL, param TEXT, PRIMARY KEY (element, pos))",
        "CREATE TABLE element_values (element INTEGER, param TEXT, value REAL,"
        " PRIMARY KEY (element, param))",
        "BEGIN"})
    if (!db.exec(sql)) std::abort();
  for (const BenchMaterial& b : kMaterials) {
    dlist::Statement s(db, "INSERT INTO materials VALUES (?, ?, ?)");
    const std::string code = b.code;
    s.bind(1, std::span(reinterpret_cast<const unsigned char*>(code.data()), code.size()))
        .bind_double(2, b.price)
        .bind_double(3, b.m2_factor > 0 ? b.m2_factor : 1.0);
    if (!s.run()) std::abort();
  }
  for (long i = 1; i <= n; ++i) {
    for (std::size_t k = 0; k < std::size(kMaterials); ++k) {
      dlist::Statement s(db, "INSERT INTO links VALUES (?, ?, ?, ?, ?, 'AREA')");
      const std::string code = kMaterials[k].code;
      s.bind(1, i).bind(2, static_cast<int64_t>(k))
          .bind(3, std::span(reinterpret_cast<const unsigned char*>(code.data()), code.size()))
          .bind(4, kFixed[k] > 0 ? 0 : 1)
          .bind_double(5, kFixed[k]);
      if (!s.run()) std::abort();
    }
    dlist::Statement v(db, "INSERT INTO element_values VALUES (?, 'AREA', ?)");
    v.bind(1, i).bind_double(2, area_of(i - 1));
    if (!v.run()) std::abort();
  }
  if (!db.exec("COMMIT")) std::abort();
}

// The set: one list, a summed material loop in a wall loop.
void build_set(Fixture& f) {
  f.ini = folder() / "bench.ini";
  {
    std::ofstream t(folder() / "bench.dlt");
    t << dlist::list_sets::ReadyMadeTemplate("delimited");
  }
  f.set.TemplateFileName() = "bench.dlt";
  auto* list = new DL_LISTSPEC(f.set);
  list->SetName("Summary");
  auto* root = new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>());
  list->SetTree(root);
  root->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(0, true)));
  auto* walls = new DL_TREE_CELL(std::make_unique<DL_ELEMENT_LOOP>(1));
  root->Append(walls);
  auto m = std::make_unique<DL_MATERIAL_LOOP>();
  m->SetSummary(true);
  auto* rows = new DL_TREE_CELL(std::move(m));
  walls->Append(rows);
  rows->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(20, false)));
  root->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(1, true)));
  f.set.resize(1);
  f.set.set(0, list);
}

Fixture& fixture(long n) {
  static std::map<long, std::unique_ptr<Fixture>> fixtures;
  auto& f = fixtures[n];
  if (!f) {
    f = std::make_unique<Fixture>();
    build_library(f->library, folder() / ("library_" + std::to_string(n) + ".db"));
    build_model(f->model, n);
    build_baseline(f->baseline, n);
    build_set(*f);
  }
  return *f;
}

// The baseline: the quantities and totals by code in one query.
double baseline_total(dlist::SqliteConnection& db, int* codes) {
  dlist::Statement s(db,
                     "SELECT l.code, SUM(CASE WHEN l.automatic = 1 THEN v.value / m.m2_factor"
                     " ELSE l.quantity END), SUM(CASE WHEN l.automatic = 1 THEN v.value / m.m2_factor"
                     " ELSE l.quantity END) * m.price"
                     " FROM links l JOIN materials m ON m.code = l.code"
                     " LEFT JOIN element_values v ON v.element = l.element AND v.param = l.param"
                     " GROUP BY l.code ORDER BY l.code");
  double total = 0;
  *codes = 0;
  while (s.row()) {
    total += s.real(2);
    ++*codes;
  }
  if (!s.ok()) std::abort();
  return total;
}

void BM_MaterialSummary(benchmark::State& state) {
  const long n = state.range(0);
  Fixture& f = fixture(n);
  dlist::ActiveModel active(f.model);
  dlist::ActiveLibrary library(f.library);
  double timed = 0, baseline = 0, list_total = 0, sql_total = 0;
  int codes = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const dlist::generator::GenerateResult r = dlist::generator::generate(f.ini.string(), "", f.set);
    const double generated = seconds_since(t0);
    if (!r.ok() || r.lists.size() != 1) std::abort();
    list_total = r.lists[0].total;
    const auto t1 = Clock::now();
    sql_total = baseline_total(f.baseline, &codes);
    const double queried = seconds_since(t1);
    timed += generated;
    baseline += queried;
    state.SetIterationTime(generated);
  }
  // Both sum the same rows: a difference beyond rounding is a fault of one of them.
  if (std::fabs(list_total - sql_total) > 1e-6 * std::fabs(sql_total) || codes != 5) std::abort();
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? timed / baseline : 0.0);
  state.counters["us_per_element"] = benchmark::Counter(1e6 * timed / iterations / static_cast<double>(n));
  state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_MaterialSummary)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
