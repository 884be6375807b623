// Benchmark of `dlist materials tree --json`: the listing of a library of N
// materials (N = 10,000, 100,000 and 500,000), written to a stream that only counts
// its bytes.
//
// The library is a file in a temporary folder, built once per N: 10 roots of 10
// groups each and N materials spread over the groups; every material has a price,
// one short long text, three unit references and two subprice references.
//
// Counters: "json_mb" (the size of the listing) and "rss_growth_kb": how far the
// process's peak resident memory rose above its resident memory at the start of the
// first listing of the library (the peak is reset first through
// /proc/self/clear_refs; -1 where that is not possible). The listing streams, so the
// growth stays about flat from one N to the next, apart from the identifiers of the
// materials still to visit (a few bytes each).

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "cli/material_commands.h"
#include "foundation/record_image.h"
#include "host/list/list_context.h"

namespace {

namespace fs = std::filesystem;
using dlist::bench::Clock;
using dlist::bench::seconds_since;
using dlist::set_field;

const fs::path& folder() {
  static dlist::bench::RunFolder f("dlist_bench_tree_");
  return f.path();
}

long status_kb(std::string_view key) {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size(), key) == 0 && line.size() > key.size() &&
        line[key.size()] == ':') {
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    }
  }
  return -1;
}

bool reset_peak() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

// A stream buffer that counts what is written and keeps nothing.
class CountingBuffer : public std::streambuf {
 public:
  std::size_t count() const { return count_; }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++count_;
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count_ += static_cast<std::size_t>(n);
    return n;
  }

 private:
  std::size_t count_ = 0;
};

long create_material(LISTCONTEXT& lib, long parent, const std::string& code,
                     const std::string& name, const std::string& text) {
  dbmaterial m{};
  set_field(m.id, sizeof m.id, code.c_str());
  set_field(m.name, sizeof m.name, name.c_str());
  m.unit_price = 12.5;
  set_field(m.native_unit, sizeof m.native_unit, "m");
  set_field(m.market, sizeof m.market, "Local");
  LONGTEXT texts[kLongTextCount];
  if (!text.empty()) text.copy(texts[0].resize(static_cast<unsigned>(text.size())), text.size());
  return lib.create(parent, m, texts);
}

void build(LISTCONTEXT& lib, int n) {
  lib.write_lock();
  std::vector<long> groups;
  for (int r = 0; r < 10; ++r) {
    const long root = create_material(lib, 0, "G" + std::to_string(r), "Group", "");
    for (int g = 0; g < 10; ++g)
      groups.push_back(create_material(lib, root, "S" + std::to_string(g), "Set", ""));
  }
  for (int i = 0; i < n; ++i) {
    const long m = create_material(lib, groups[static_cast<std::size_t>(i) % groups.size()],
                                   "M" + std::to_string(i), "Caf\xE9 " + std::to_string(i),
                                   "Laid in mortar");
    for (const auto& [abbrev, f] : {std::pair{"m", 1.0}, {"cm", 100.0}, {"mm", 1000.0}}) {
      unitref u{};
      set_field(u.abbrev, sizeof u.abbrev, abbrev);
      u.factor = f;
      lib.create(m, u);
    }
    for (const auto& [abbrev, v] : {std::pair{"W", 1.05}, {"F", 2.5}}) {
      subpriceref s{};
      set_field(s.abbrev, sizeof s.abbrev, abbrev);
      s.value = v;
      lib.create(m, s);
    }
  }
  lib.write_unlock();
}

struct Source {
  std::unique_ptr<LISTCONTEXT> library;
  long rss_growth_kb = -1;  // of the first listing
};

std::size_t list(LISTCONTEXT& library) {
  CountingBuffer counter;
  std::ostream out(&counter);
  std::ostringstream err;
  dlist::cli::Output output(out, err, "materials tree");
  if (dlist::cli::materials_tree_command(library, true, output) != 0) std::abort();
  return counter.count();
}

Source& source(int n) {
  static std::map<int, Source> sources;
  Source& s = sources[n];
  if (s.library) return s;
  s.library = std::make_unique<LISTCONTEXT>();
  if (!s.library->open((folder() / ("library_" + std::to_string(n) + ".db")).string()))
    std::abort();
  build(*s.library, n);
  const long rss_before = reset_peak() ? status_kb("VmRSS") : -1;
  list(*s.library);
  if (rss_before >= 0) s.rss_growth_kb = status_kb("VmHWM") - rss_before;
  return s;
}

void BM_MaterialsTreeJson(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Source& src = source(n);
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    bytes = list(*src.library);
    state.SetIterationTime(seconds_since(t0));
  }
  state.counters["json_mb"] = benchmark::Counter(static_cast<double>(bytes) / 1e6);
  state.counters["rss_growth_kb"] = benchmark::Counter(static_cast<double>(src.rss_growth_kb));
  state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_MaterialsTreeJson)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(500000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
