// Benchmarks of the attribute selection's tree and of the link panel's chain, each
// beside a baseline measured in the same run:
//
// - BM_FilteredAttributeTree/N: the tree of a library of N text attributes in 10
//   groups (half of them, in five of the groups, apply to the filter) built into a
//   tree control; baseline:
//   the same walk of the store (every entry, every definition read) inserting every
//   entry into the tree in store order, with no filter, no sort and no pruning.
// - BM_LinkChainOrder/N: a chain of N rows over 100 attributes, added one at a
//   time in a shuffled order, each moved into place as the panel does after adding
//   it, then the completeness check; baseline: the same rows sorted at once with
//   std::stable_sort on the same keys and one pass comparing neighbours.
//
// The time reported is the panel code's; "baseline_ms" and "ratio" are counters.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "attributes/attribute_link.h"
#include "attributes/attribute_tree.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/tree_view.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"

namespace {

using Clock = std::chrono::steady_clock;
using dlist::ModelDatabase;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Library {
  std::unique_ptr<ModelDatabase> db;
};

Library& library(int n) {
  static std::map<int, Library> libraries;
  Library& l = libraries[n];
  if (l.db) return l;
  l.db = std::make_unique<ModelDatabase>();
  l.db->open(":memory:");
  dlist::ActiveModel active(*l.db);
  l.db->write_lock();
  ATTRIBUTES store;
  DBATTRIBUTENODETYPE node;
  std::vector<long> groups;
  for (int g = 0; g < 10; ++g) {
    node.set_name(("Group " + std::to_string(g)).c_str());
    groups.push_back(store.cre_node(0, &node));
  }
  for (int i = 0; i < n; ++i) {
    DBATTRIBUTETYPE d;
    d.set_abbrev(("A" + std::to_string(i)).c_str());
    d.set_name(("Attribute " + std::to_string(n - i)).c_str());
    d.flags = DBATTRIBUTETYPE::kText | (i % 2 == 0 ? 0x1u : 0x2u);
    store.cre_attribute(groups[static_cast<std::size_t>(i % 10)], &d);
  }
  l.db->write_unlock();
  return l;
}

// A modeless dialog holding one tree for the benchmark's lifetime.
struct TreeHost {
  TreeHost() {
    AllocTmpBuffers(2);
    MakeModlessHeader(nullptr, "", "Bench", 400, 400);
    TreeViewInput(1, 0, 0, 400, 400);
    dialog = RunModlessDialog(nullptr, 0);
    PurgeTmpBuffers();
  }
  ~TreeHost() {
    if (dialog != nullptr) dlist::destroy_dialog(dialog);
  }
  void* tree() const { return GetControlHWND(dialog, 1); }
  void* dialog = nullptr;
};

void walk_baseline(void* tree, long group, _TREEITEM* parent) {
  std::vector<std::pair<long, DBATTRIBUTENODETYPE>> listed;
  ATTRIBUTES walk;
  walk.rew_node(group);
  DBATTRIBUTENODETYPE node{};
  while (long id = walk.get_node(&node)) listed.emplace_back(id, node);
  for (const auto& [id, n] : listed) {
    _TREEITEM* item = dlist::tree_insert(tree, parent, dlist::kTviLast, n.name, 1, 1, id);
    if (n.kind < 0) {
      DBATTRIBUTETYPE def{};
      ATTRIBUTES().get_id_attribute(id, &def);
    } else {
      walk_baseline(tree, id, item);
    }
  }
}

void report(benchmark::State& state, double measured, double baseline, int n) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? measured / baseline : 0.0);
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_FilteredAttributeTree(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Library& l = library(n);
  dlist::ActiveModel active(*l.db);
  dlist::reset_dialog_engine();
  TreeHost host;
  double measured = 0, baseline = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    _TREEITEM* root = dlist::build_attribute_tree(host.tree(), 0x1);
    const double t = seconds_since(t0);
    if (root == nullptr) state.SkipWithError("the tree could not be built");
    if (dlist::tree_count(host.tree()) != static_cast<unsigned>(1 + 5 + n / 2))  // even groups only
      state.SkipWithError(("the tree holds " + std::to_string(dlist::tree_count(host.tree())) + " items").c_str());
    state.SetIterationTime(t);
    measured += t;
    dlist::tree_delete_all(host.tree());
    const auto t1 = Clock::now();
    _TREEITEM* top = dlist::tree_insert(host.tree(), dlist::kTviRoot, dlist::kTviLast, "root", 0,
                                        0, ATTRIBUTES().rew_node(0));
    walk_baseline(host.tree(), ATTRIBUTES().rew_node(0), top);
    baseline += seconds_since(t1);
    dlist::tree_delete_all(host.tree());
  }
  report(state, measured, baseline, n);
}

void BM_LinkChainOrder(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Library& l = library(10000);
  dlist::ActiveModel active(*l.db);
  std::vector<std::pair<std::string, std::string>> rows;  // abbreviation, value
  for (int i = 0; i < n; ++i)
    rows.emplace_back("A" + std::to_string(i % 100), "value " + std::to_string(i));
  std::shuffle(rows.begin(), rows.end(), std::mt19937(17));
  double measured = 0, baseline = 0;
  for (auto _ : state) {
    std::vector<DBATTREFTYPE> added(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      added[i].set_abbrev(rows[i].first.c_str());
      added[i].value.put(rows[i].second.c_str());
    }
    DBATTREFCHAIN chain;
    const auto t0 = Clock::now();
    dlist::AttributeNames names;
    for (const DBATTREFTYPE& r : added) {
      chain.push(r);
      dlist::settle_link_row(chain, chain.size() - 1, names);
    }
    const int check = dlist::check_link_chain(chain, 2);
    const double t = seconds_since(t0);
    if (check != dlist::kChainComplete) state.SkipWithError("the chain is not complete");
    for (unsigned i = 0; i + 1 < chain.size(); ++i) {
      const int c = names.name(chain[i].abbrev).compare(names.name(chain[i + 1].abbrev));
      if (c > 0 || (c == 0 && dlist::link_value(chain[i]) > dlist::link_value(chain[i + 1])))
        state.SkipWithError("the chain is out of order");
    }
    state.SetIterationTime(t);
    measured += t;

    const auto t1 = Clock::now();
    dlist::AttributeNames base_names;
    std::vector<const std::pair<std::string, std::string>*> order;
    for (const auto& r : rows) order.push_back(&r);
    std::stable_sort(order.begin(), order.end(), [&](auto* a, auto* b) {
      const int c = base_names.name(a->first.c_str()).compare(base_names.name(b->first.c_str()));
      return c != 0 ? c < 0 : a->second < b->second;
    });
    int equal = 0;
    for (std::size_t i = 0; i + 1 < order.size(); ++i) equal += *order[i] == *order[i + 1];
    benchmark::DoNotOptimize(equal);
    baseline += seconds_since(t1);
  }
  report(state, measured, baseline, n);
}

}  // namespace

BENCHMARK(BM_FilteredAttributeTree)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LinkChainOrder)->Arg(5000)->UseManualTime()->Unit(benchmark::kMillisecond);
