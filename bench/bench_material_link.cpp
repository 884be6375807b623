// Benchmark of the material link's material table: filling it from a library of
// 100,000 materials (10 roots of 10 groups, the materials spread over the groups,
// each with three unit references of the length dimension) and marking it for a
// parameter of that dimension. Beside it, in the same run, the baseline: the same
// level-by-level walk of the tree that only collects the identifiers, so the ratio
// shows what the hashing, the dimension masks and the marking add.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_library.h"
#include "bench/bench_support.h"
#include "host/list/list_context.h"
#include "matlink/material_link.h"

namespace {

namespace fs = std::filesystem;
using dlist::bench::Clock;
using dlist::bench::seconds_since;

const fs::path& folder() {
  static dlist::bench::RunFolder f("dlist_bench_matlink_");
  return f.path();
}

void build(LISTCONTEXT& lib, int n) {
  lib.write_lock();
  dbunit dim{};
  dlist::set_field(dim.abbrev, sizeof dim.abbrev, "##0");
  dlist::set_field(dim.name, sizeof dim.name, "Length");
  dim.factor = 1.0;
  const long length = lib.create(0, dim);
  for (const auto& [abbrev, f] : {std::pair{"m", 1.0}, {"cm", 100.0}, {"mm", 1000.0}}) {
    dbunit u{};
    dlist::set_field(u.abbrev, sizeof u.abbrev, abbrev);
    dlist::set_field(u.name, sizeof u.name, abbrev);
    u.factor = f;
    lib.create(length, u);
  }
  dlist::bench::add_material_groups(lib, n, 1.0, "Material ", [](int) { return 2.0; });
  lib.write_unlock();
}

LISTCONTEXT& library(int n) {
  static std::map<int, std::unique_ptr<LISTCONTEXT>> libraries;
  auto& lib = libraries[n];
  if (!lib) lib = dlist::bench::built_library(folder(), n, build);
  return *lib;
}

// The walk alone: every material, level by level, its identifier collected.
std::size_t walk(LISTCONTEXT& lib) {
  std::vector<long> level{0};
  std::vector<long> below;
  std::size_t count = 0;
  lib.read_lock();
  while (!level.empty()) {
    below.clear();
    for (long parent : level) {
      if (lib.rewind_material(parent) < 0) std::abort();
      dbmaterial m;
      for (long id = lib.get(m, nullptr); id > 0; id = lib.get(m, nullptr)) below.push_back(id);
    }
    count += below.size();
    level.swap(below);
  }
  lib.read_unlock();
  return count;
}

void BM_MaterialWalkBaseline(benchmark::State& state) {
  LISTCONTEXT& lib = library(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(walk(lib));
    state.SetIterationTime(seconds_since(t0));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MaterialTableFillAndMark(benchmark::State& state) {
  LISTCONTEXT& lib = library(static_cast<int>(state.range(0)));
  dlist::matlink::MaterialTable table;
  std::size_t linkable = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    if (!table.fill(lib)) std::abort();
    table.mark(0);
    state.SetIterationTime(seconds_since(t0));
    linkable = 0;
    for (const auto& e : table.entries()) linkable += e.mark == dlist::matlink::kMarkMaterial;
  }
  state.counters["linkable"] = benchmark::Counter(static_cast<double>(linkable));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_MaterialWalkBaseline)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MaterialTableFillAndMark)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
