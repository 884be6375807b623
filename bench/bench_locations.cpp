// Benchmarks of the location file: export and import of 100,000 locations in a deep
// tree (one chain) and in a wide one (10 top locations of 10,000 children each),
// each measured beside a baseline in the same run that moves the same bytes without
// the location code:
//
// - export baseline: the exported file's bytes written again with plain buffered
//   writes, one write per record and text;
// - import baseline: the file read whole, its records walked, and the same rows
//   inserted into the locations table of a new project in one transaction, with no
//   look-up (taken names and keys) and no checks.
//
// The time reported is the location call's; the counters give the baseline's time
// per iteration ("baseline_ms") and the ratio of the two ("ratio"). The source
// project and its file are built once per shape, outside the timed regions; every
// project lives in memory.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/model/location_store.h"
#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"
#include "locations/location_file.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using dlist::ModelDatabase;

constexpr int kLocations = 100000;
constexpr int kWideTops = 10;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

Bytes read_whole(const fs::path& file) {
  Bytes b(fs::file_size(file));
  std::FILE* f = std::fopen(file.string().c_str(), "rb");
  if (!f || std::fread(b.data(), 1, b.size(), f) != b.size()) b.clear();
  if (f) std::fclose(f);
  return b;
}

uint32_t le32(const Bytes& b, std::size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct Source {
  std::unique_ptr<ModelDatabase> db;
  fs::path file;
  Bytes bytes;
};

// shape 0: deep, 1: wide.
Source& source(int shape) {
  static std::map<int, Source> sources;
  Source& s = sources[shape];
  if (s.db) return s;
  s.db = std::make_unique<ModelDatabase>();
  s.db->open(":memory:");
  dlist::ActiveModel active(*s.db);
  s.db->write_lock();
  LOCALIZATION store;
  std::vector<long> tops;
  long parent = 0;
  for (int i = 0; i < kLocations; ++i) {
    DBLOCATIONTYPE l;
    l.set_name(("Location " + std::to_string(i)).c_str());
    if (i % 4 == 0) l.text.put(("Text of location " + std::to_string(i)).c_str());
    long under = parent;
    if (shape == 1) under = i < kWideTops ? 0 : tops[static_cast<std::size_t>(i % kWideTops)];
    const long id = store.cre_location(under, &l, 1);
    if (shape == 0) parent = id;
    if (shape == 1 && i < kWideTops) tops.push_back(id);
  }
  s.db->write_unlock();
  s.file = fs::temp_directory_path() / ("dlist_bench_locations_" + std::to_string(shape) + ".loc");
  std::string path = s.file.string();
  std::string description = "benchmark";
  LocationExport(nullptr, 0, path.data(), description.data());
  s.bytes = read_whole(s.file);
  return s;
}

// The records of a file: (offset, size with the text).
std::vector<std::pair<std::size_t, std::size_t>> records(const Bytes& b) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  std::size_t at = 4 + le32(b, 0);
  while (b.size() - at >= dlist::kLocationRecordSize) {
    const uint32_t text = le32(b, at + 92);
    if (le32(b, at) == 0 && le32(b, at + 4) == 0 && text == 0) break;
    out.emplace_back(at, dlist::kLocationRecordSize + text);
    at += dlist::kLocationRecordSize + text;
  }
  return out;
}

void write_baseline(const Bytes& b, const std::vector<std::pair<std::size_t, std::size_t>>& parts,
                    const fs::path& file) {
  std::FILE* f = std::fopen(file.string().c_str(), "wb");
  if (!f) return;
  const std::size_t head = 4 + le32(b, 0);
  std::fwrite(b.data(), 1, head, f);
  for (const auto& [at, size] : parts) {
    std::fwrite(b.data() + at, 1, dlist::kLocationRecordSize, f);
    if (size > dlist::kLocationRecordSize) std::fwrite(b.data() + at + dlist::kLocationRecordSize, 1, size - dlist::kLocationRecordSize, f);
  }
  std::fwrite(b.data() + b.size() - dlist::kLocationEndSize, 1, dlist::kLocationEndSize, f);
  std::fclose(f);
}

void import_baseline(ModelDatabase& db, const fs::path& file) {
  const Bytes b = read_whole(file);
  db.write_lock();
  std::map<uint32_t, int64_t> ids{{0, 0}};
  int64_t seq = 0;
  for (const auto& [at, size] : records(b)) {
    const auto* name = reinterpret_cast<const char*>(b.data() + at + 12);
    const std::size_t name_len = strnlen(name, 80);
    const std::size_t text_len = size > dlist::kLocationRecordSize ? size - dlist::kLocationRecordSize - 1 : 0;
    dlist::Statement s(db.connection(),
                       "INSERT INTO locations (parent, seq, key, name, text) VALUES (?1, ?2, ?3, ?4, ?5)");
    s.bind(1, ids[le32(b, at)])
        .bind(2, ++seq)
        .bind(3, static_cast<int64_t>(le32(b, at + 8)))
        .bind(4, std::span<const unsigned char>(b.data() + at + 12, name_len))
        .bind(5, std::span<const unsigned char>(b.data() + at + dlist::kLocationRecordSize, text_len))
        .run();
    ids[le32(b, at + 4)] = db.connection().last_insert_id();
  }
  db.write_unlock();
}

void report(benchmark::State& state, double call, double baseline) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? call / baseline : 0.0);
  state.SetItemsProcessed(state.iterations() * kLocations);
}

void BM_LocationExport(benchmark::State& state) {
  Source& src = source(static_cast<int>(state.range(0)));
  dlist::ActiveModel active(*src.db);
  const auto parts = records(src.bytes);
  const fs::path out = fs::temp_directory_path() / "dlist_bench_locations_out.loc";
  const fs::path plain = fs::temp_directory_path() / "dlist_bench_locations_plain.loc";
  std::string path = out.string();
  std::string description = "benchmark";
  double call = 0, baseline = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const int ok = LocationExport(nullptr, 0, path.data(), description.data());
    const double t = seconds_since(t0);
    if (ok != 1) state.SkipWithError("the export failed");
    state.SetIterationTime(t);
    call += t;
    const auto t1 = Clock::now();
    write_baseline(src.bytes, parts, plain);
    baseline += seconds_since(t1);
  }
  if (read_whole(out) != src.bytes) state.SkipWithError("the export differs");
  report(state, call, baseline);
  fs::remove(out);
  fs::remove(plain);
}

void BM_LocationImport(benchmark::State& state) {
  Source& src = source(static_cast<int>(state.range(0)));
  std::string path = src.file.string();
  double call = 0, baseline = 0;
  for (auto _ : state) {
    {
      ModelDatabase target;
      target.open(":memory:");
      dlist::ActiveModel active(target);
      const auto t0 = Clock::now();
      const int ok = LocationImport(nullptr, -1, path.data());
      const double t = seconds_since(t0);
      if (ok != 1) state.SkipWithError("the import failed");
      state.SetIterationTime(t);
      call += t;
    }
    ModelDatabase plain;
    plain.open(":memory:");
    const auto t1 = Clock::now();
    import_baseline(plain, src.file);
    baseline += seconds_since(t1);
  }
  report(state, call, baseline);
}

}  // namespace

// Argument: 0 the deep tree, 1 the wide tree.
BENCHMARK(BM_LocationExport)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocationImport)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);
