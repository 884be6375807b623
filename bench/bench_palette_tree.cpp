// Benchmarks of the palette manager's tree: filling the palette tree view of a
// project of N palettes (N = 10,000 and 100,000) and running the manager's name
// search over the filled tree, each beside a baseline in the same iteration: the
// same nodes read from the store in one walk (for the search, with the same names
// compared).
//
// The project is a database in memory, built once per N: the wall kind folder
// holds 10 folders of 10 subfolders each, and the N palettes (distinct wall
// palettes with a node each) are spread over the 100 subfolders.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "foundation/fixed_text.h"
#include "foundation/tree_nodes.h"
#include "host/dialog/engine.h"
#include "host/dialog/tree_view.h"
#include "host/model/kind_calls.h"
#include "host/model/model_database.h"
#include "host/model/palette_store.h"
#include "palettes/palette_tree.h"

namespace {

using dlist::bench::Clock;
using dlist::bench::seconds_since;

long folder(long parent, const std::string& name) {
  DBPALETTENODETYPE n;
  n.set_name(name.c_str());
  int existed = 0;
  return PALETTES().cre_folder(parent, n, &existed);
}

dlist::ModelDatabase& project(int n) {
  static std::map<int, std::unique_ptr<dlist::ModelDatabase>> projects;
  std::unique_ptr<dlist::ModelDatabase>& db = projects[n];
  if (db) return *db;
  db = std::make_unique<dlist::ModelDatabase>();
  db->open(":memory:");
  dlist::ActiveModel active(*db);
  db->write_lock();
  std::vector<long> leaves;
  const long walls = static_cast<long>(db->kind_folder(dlist::ModelTree::kPalettes, 1));
  for (int t = 0; t < 10; ++t) {
    const long top = folder(walls, "Group " + std::to_string(t));
    for (int s = 0; s < 10; ++s) leaves.push_back(folder(top, "Set " + std::to_string(s)));
  }
  for (int i = 0; i < n; ++i) {
    DBWALLPALETTE p;
    p.layer = static_cast<uint8_t>(1 + i % 250);
    p.fill = static_cast<int16_t>(i / 250);
    DBSURFREFTYPE surf;
    int existed = 0;
    const long palette = cre_wallpalette(p, &surf, &existed);
    DBPALETTENODETYPE node;
    node.set_name(("Wall " + std::to_string(i)).c_str());
    PALETTES().cre_node(leaves[static_cast<size_t>(i) % leaves.size()], node, palette);
  }
  db->write_unlock();
  return *db;
}

// The baseline: every node of the tree read in one walk, with the palette of each
// leaf, as the fill reads them; with search, every name compared as well.
int walk(const dlist::NameSearch* search) {
  PALETTES store;
  DBPALETTENODETYPE node;
  int matches = 0;
  store.rew_palettenode();
  for (long id; (id = store.get_palettenode(&node)) > 0;) {
    if (node.is_leaf()) benchmark::DoNotOptimize(store.get_id_palette(id));
    if (search != nullptr && dlist::name_matches(node.name, *search)) ++matches;
  }
  return matches;
}

void report(benchmark::State& state, double timed, double baseline, int n) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? timed / baseline : 0.0);
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_FillPaletteTree(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  dlist::ActiveModel active(project(n));
  double timed = 0, baseline = 0;
  for (auto _ : state) {
    dlist::TreeViewHost view;
    const auto t0 = Clock::now();
    FillPaletteTreeView(view.dialog(), 0);
    const double t = seconds_since(t0);
    if (dlist::tree_count(view.tree(dlist::kPaletteTreeView)) < static_cast<unsigned>(n))
      state.SkipWithError("the tree lacks palettes");
    state.SetIterationTime(t);
    timed += t;
    const auto t1 = Clock::now();
    walk(nullptr);
    baseline += seconds_since(t1);
  }
  report(state, timed, baseline, n);
}

void BM_PaletteNameSearch(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  dlist::ActiveModel active(project(n));
  dlist::TreeViewHost view;
  FillPaletteTreeView(view.dialog(), 0);
  void* tree = view.tree(dlist::kPaletteTreeView);
  dlist::NameSearch& search = dlist::name_search();
  // the last palette's name, found once at the end of the visiting order's walk
  dlist::set_field(search.text, sizeof search.text, "Wall " + std::to_string(n - 1));
  search.match_case = 1;
  search.match_beginning = 0;
  double timed = 0, baseline = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const std::vector<_TREEITEM*> found = dlist::search_names(tree, true);
    const double t = seconds_since(t0);
    if (found.size() != 1) state.SkipWithError("the search found another count");
    state.SetIterationTime(t);
    timed += t;
    const auto t1 = Clock::now();
    if (walk(&search) != 1) state.SkipWithError("the walk found another count");
    baseline += seconds_since(t1);
  }
  report(state, timed, baseline, n);
}

BENCHMARK(BM_FillPaletteTree)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaletteNameSearch)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
