// Benchmark of the storage of list definition sets: a set of 100 list definitions of
// 1,000 nodes each written to an INI file and read back (with every tree checked),
// beside a baseline in the same iteration: the same trees streamed to memory and
// read back, without the INI file, its hex text and the checks.
//
// Each tree: the start section, then 333 element loops (one kind each, in turn) each
// holding a material loop with a section below it, and the final section.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "foundation/list_nodes.h"
#include "host/list_sets/list_set_store.h"
#include "stream/stream.h"

namespace {

using dlist::bench::Clock;
using dlist::bench::seconds_since;

constexpr unsigned kListDefinitions = 100;
constexpr unsigned kLoops = 333;  // 3 nodes each, with the two sections 1,001 nodes

DL_TREE_CELL* make_tree() {
  static const long kinds[] = {1, 2, 4, 8, 16, 32, 64};
  auto* root = new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>());
  root->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(0, true)));
  for (unsigned i = 0; i < kLoops; ++i) {
    auto e = std::make_unique<DL_ELEMENT_LOOP>(kinds[i % 7]);
    e->SetKey(0, "ID", 0);
    auto* ec = new DL_TREE_CELL(std::move(e));
    auto m = std::make_unique<DL_MATERIAL_LOOP>();
    m->Filters().Add(DL_FILTER_ENTRY("PRICE", 1.0, 100.0, true));
    auto* mc = new DL_TREE_CELL(std::move(m));
    mc->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(20, false)));
    ec->Append(mc);
    root->Append(ec);
  }
  root->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(1, true)));
  return root;
}

void BM_ListSetWriteRead(benchmark::State& state) {
  static dlist::bench::RunFolder folder("dlist_bench_lists_");
  const std::string path = (folder.path() / "set.ini").string();
  DL_LISTSPEC_LIST set;
  set.TemplateFileName() = "set.dlt";
  for (unsigned i = 0; i < kListDefinitions; ++i) {
    auto* list_def = new DL_LISTSPEC(set);
    list_def->SetName("List " + std::to_string(i));
    list_def->SetTree(make_tree());
    set.resize(set.size() + 1);
    set.set(set.size() - 1, list_def);
  }
  double timed = 0, baseline = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    std::string error;
    DL_LISTSPEC_LIST back;
    if (!dlist::list_sets::WriteINI(set, path, error) || !dlist::list_sets::Read(back, path, error) ||
        back.size() != kListDefinitions) {
      state.SkipWithError(error.c_str());
      return;
    }
    timed += seconds_since(t0);
    auto t1 = Clock::now();
    unsigned read = 0;
    for (unsigned i = 0; i < set.size(); ++i) {
      StreamOutputMemory out;
      DL_WriteTree(out, set[i]->Tree());
      StreamInputMemory in(out.bytes().data(), out.bytes().size());
      std::unique_ptr<DL_TREE_CELL> tree(DL_ReadTree(in));
      read += tree->child != nullptr;
    }
    benchmark::DoNotOptimize(read);
    baseline += seconds_since(t1);
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["timed_ms"] = benchmark::Counter(1000.0 * timed / iterations);
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? timed / baseline : 0.0);
}
BENCHMARK(BM_ListSetWriteRead)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
