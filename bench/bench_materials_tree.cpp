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

#include "bench/bench_library.h"
#include "bench/bench_support.h"
#include "cli/material_commands.h"
#include "foundation/record_image.h"
#include "host/list/list_context.h"

namespace {

namespace fs = std::filesystem;
using dlist::bench::Clock;
using dlist::bench::seconds_since;

const fs::path& folder() {
  static dlist::bench::RunFolder f("dlist_bench_tree_");
  return f.path();
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

void build(LISTCONTEXT& lib, int n) {
  lib.write_lock();
  dlist::bench::add_material_groups(lib, n, 12.5, "Caf\xE9 ", [](int) { return 12.5; });
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
  s.library = dlist::bench::built_library(folder(), n, build);
  const long rss_before = dlist::bench::reset_peak() ? dlist::bench::status_kb("VmRSS") : -1;
  list(*s.library);
  if (rss_before >= 0) s.rss_growth_kb = dlist::bench::status_kb("VmHWM") - rss_before;
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
