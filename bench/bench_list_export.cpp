// Benchmark of the list export file: the whole-library export of N materials
// (N = 10,000 and 100,000) beside a baseline in the same run that writes the same
// lines with plain buffered writes (the exported file's lines, read into memory once,
// outside the timed region; one fwrite a line).
//
// The library is a file in a temporary folder, built once per N: one dimension with
// three units, one market, two subprices, and N materials spread over 100 groups (10
// roots of 10 groups each); every material has a price, one short long text, three
// unit references and two subprice references.
//
// A second baseline, "dump_ms", is what a hand-written dump costs: the same rows read
// from the same library (the material tree walked level by level from each root as
// the export collects it, then each material's row, its unit and subprice references,
// its code from the codes met on the walk), one prepared query per table kept for the
// whole walk, plus the same plain writes; "dump_ratio" is export time / dump time,
// "dump_cpu_ratio" the same of the thread's processor times ("cpu_ms" the export's),
// which stays put while other programs load the machine.
//
// Counters: "baseline_ms" (the baseline's time an iteration), "ratio" (export time /
// baseline time) and "rss_growth_kb": how far the process's peak resident memory rose
// above its resident memory at the start of the first export of the library (the peak
// is reset first through /proc/self/clear_refs; -1 where that is not possible). A flat
// export shows about the same growth at both sizes, apart from its list of identifiers.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/record_image.h"
#include "bench/bench_library.h"
#include "bench/bench_support.h"
#include "host/list/list_context.h"
#include "host/model/sqlite_connection.h"
#include "materials/list_exporter.h"

namespace {

namespace fs = std::filesystem;
using dlist::bench::Clock;
using dlist::bench::seconds_since;
using dlist::set_field;

const fs::path& folder() {
  static dlist::bench::RunFolder f("dlist_bench_list_");
  return f.path();
}

// ---- the source libraries ------------------------------------------------------------

struct Source {
  std::unique_ptr<LISTCONTEXT> library;
  std::vector<std::string> lines;  // the exported file's lines, each with its CR LF
  long rss_growth_kb = -1;         // of the first export
};

long create_unit(LISTCONTEXT& lib, long parent, const char* abbrev, const char* name, double f) {
  dbunit u{};
  set_field(u.abbrev, sizeof u.abbrev, abbrev);
  set_field(u.name, sizeof u.name, name);
  u.factor = f;
  return lib.create(parent, u);
}

void build(LISTCONTEXT& lib, int n) {
  lib.write_lock();
  const long dim = create_unit(lib, 0, "##0", "Length", 1);
  create_unit(lib, dim, "m", "metre", 1);
  create_unit(lib, dim, "cm", "centimetre", 100);
  create_unit(lib, dim, "mm", "millimetre", 1000);
  dbmarket market{};
  set_field(market.name, sizeof market.name, "Local");
  lib.create(market);
  for (int k = 0; k < 2; ++k) {
    dbsubprice s{};
    set_field(s.abbrev, sizeof s.abbrev, k == 0 ? "W" : "F");
    set_field(s.name, sizeof s.name, k == 0 ? "Waste" : "Fee");
    s.kind = k == 0 ? SUBPRICE_MULTIPLY : SUBPRICE_ADD;
    s.value = k == 0 ? 1.05 : 2.5;
    lib.create(s);
  }
  dlist::bench::add_material_groups(lib, n, 0, "Material ",
                                    [](int i) { return 10 + (i % 100) * 0.25; });
  lib.write_unlock();
}

std::vector<std::string> lines_of(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::string> out;
  for (std::size_t at = 0; at < all.size();) {
    const std::size_t end = all.find("\r\n", at);
    const std::size_t next = end == std::string::npos ? all.size() : end + 2;
    out.push_back(all.substr(at, next - at));
    at = next;
  }
  return out;
}

Source& source(int n) {
  static std::map<int, Source> sources;
  Source& s = sources[n];
  if (s.library) return s;
  s.library = dlist::bench::built_library(folder(), n, build);
  // The first export after the build, measured before anything of an export has
  // been allocated (and freed, so that a later one could reuse it unseen).
  std::string path = (folder() / "first.lis").string();
  const long rss_before = dlist::bench::reset_peak() ? dlist::bench::status_kb("VmRSS") : -1;
  if (ListExporter(nullptr, s.library.get(), 0, path.data(), -1) != 1) std::abort();
  if (rss_before >= 0) s.rss_growth_kb = dlist::bench::status_kb("VmHWM") - rss_before;
  s.lines = lines_of(path);
  fs::remove(path);
  return s;
}

// ---- the benchmark -----------------------------------------------------------------------

void write_baseline(const std::vector<std::string>& lines, const fs::path& file) {
  std::FILE* f = std::fopen(file.string().c_str(), "wb");
  if (!f) std::abort();
  for (const std::string& line : lines) std::fwrite(line.data(), 1, line.size(), f);
  if (std::fclose(f) != 0) std::abort();
}

// Reads the rows of the whole library's export in its order; gives the bytes read, so
// that no read can be left out.
std::size_t read_rows_baseline(LISTCONTEXT& lib) {
  dlist::SqliteConnection& c = lib.connection();
  if (!c.exec("BEGIN")) std::abort();
  dlist::Statement children(c, "SELECT id, code FROM materials WHERE parent = ?1 ORDER BY id");
  dlist::Statement material(c,
                            "SELECT parent, code, name, unit_price, native_unit, market, text1, "
                            "text2, text3, text4 FROM materials WHERE id = ?1");
  dlist::Statement units(c, "SELECT abbrev, factor FROM unit_refs WHERE material = ?1 ORDER BY id");
  dlist::Statement subprices(c,
                             "SELECT abbrev, value FROM subprice_refs WHERE material = ?1 ORDER BY id");
  std::size_t bytes = 0;
  std::vector<int64_t> ids;
  std::unordered_map<int64_t, std::string> codes;  // a material's full code
  std::vector<int64_t> pending;
  const auto level = [&](int64_t parent, bool keep) {
    children.reset();
    children.bind(1, parent);
    std::size_t first = ids.size();
    while (children.row()) {
      const auto code = children.blob(1);
      std::string full = parent == 0 ? std::string() : codes[parent] + '.';
      full.append(code.begin(), code.end());
      codes[children.integer(0)] = std::move(full);
      if (keep) ids.push_back(children.integer(0));
    }
    for (std::size_t i = first; i < ids.size(); ++i) pending.push_back(ids[i]);
  };
  level(0, false);
  std::vector<int64_t> roots;
  for (const auto& [id, code] : codes) roots.push_back(id);
  std::sort(roots.begin(), roots.end());
  for (int64_t root : roots) {
    ids.push_back(root);
    pending.assign(1, root);
    while (!pending.empty()) {
      const int64_t id = pending.back();
      pending.pop_back();
      level(id, true);
    }
  }
  for (int64_t id : ids) {
    material.reset();
    material.bind(1, id);
    if (material.row()) {
      for (int k = 1; k < 10; ++k) bytes += material.blob(k).size();
    }
    bytes += codes[id].size();
    units.reset();
    units.bind(1, id);
    while (units.row()) bytes += units.blob(0).size();
    subprices.reset();
    subprices.bind(1, id);
    while (subprices.row()) bytes += subprices.blob(0).size();
  }
  if (!children.ok() || !material.ok() || !units.ok() || !subprices.ok()) std::abort();
  c.exec("COMMIT");
  return bytes;
}

void BM_ListExport(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Source& src = source(n);
  std::string out = (folder() / "out.lis").string();
  const fs::path plain = folder() / "plain.lis";
  double exported = 0, baseline = 0, dump = 0, cpu = 0, dump_cpu = 0;
  for (auto _ : state) {
    const double c0 = dlist::bench::thread_seconds();
    const auto t0 = Clock::now();
    const int ok = ListExporter(nullptr, src.library.get(), 0, out.data(), -1);
    const double t = seconds_since(t0);
    cpu += dlist::bench::thread_seconds() - c0;
    if (ok != 1) state.SkipWithError("the export failed");
    state.SetIterationTime(t);
    exported += t;
    const auto t1 = Clock::now();
    write_baseline(src.lines, plain);
    baseline += seconds_since(t1);
    const double c2 = dlist::bench::thread_seconds();
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(read_rows_baseline(*src.library));
    write_baseline(src.lines, plain);
    dump += seconds_since(t2);
    dump_cpu += dlist::bench::thread_seconds() - c2;
  }
  std::size_t bytes = 0;
  for (const std::string& line : src.lines) bytes += line.size();
  if (fs::file_size(out) != bytes) state.SkipWithError("the export differs in size");
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? exported / baseline : 0.0);
  state.counters["dump_ms"] = benchmark::Counter(1000.0 * dump / iterations);
  state.counters["dump_ratio"] = benchmark::Counter(dump > 0 ? exported / dump : 0.0);
  state.counters["cpu_ms"] = benchmark::Counter(1000.0 * cpu / iterations);
  state.counters["dump_cpu_ratio"] = benchmark::Counter(dump_cpu > 0 ? cpu / dump_cpu : 0.0);
  state.counters["rss_growth_kb"] = benchmark::Counter(static_cast<double>(src.rss_growth_kb));
  state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_ListExport)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
