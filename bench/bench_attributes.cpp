// Benchmarks of the attribute file: export and import of N attributes with 10 text
// references each (N = 1,000 and 10,000), in 10 groups below one group, each
// measured beside a baseline in the same run that moves the same bytes without the
// exchange code:
//
// - export baseline: the exported file's bytes written again with plain buffered
//   writes, one write per record, as the exporter writes them;
// - import baseline: the file read whole, its records walked, and the same rows
//   (entries, definitions, references, with their identifiers) inserted into a new
//   project in one transaction, with no look-up (abbreviations, taken names) and no
//   checks.
//
// The time reported is the exchange call's; the counters give the baseline's time
// per iteration ("baseline_ms") and the ratio of the two ("ratio"). The source
// project and its file are built once per N, outside the timed regions; every
// project lives in memory.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "attributes/attribute_exchange.h"
#include "attributes/attribute_file.h"
#include "foundation/fixed_text.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using dlist::ModelDatabase;

constexpr int kGroups = 10;
constexpr int kReferences = 10;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

fs::path scratch(const std::string& name) {
  return fs::temp_directory_path() / ("dlist_bench_" + name);
}

Bytes read_whole(const fs::path& file) {
  Bytes b(fs::file_size(file));
  std::FILE* f = std::fopen(file.string().c_str(), "rb");
  if (!f || std::fread(b.data(), 1, b.size(), f) != b.size()) b.clear();
  if (f) std::fclose(f);
  return b;
}

struct Source {
  std::unique_ptr<ModelDatabase> db;
  long top = 0;
  fs::path file;
  Bytes bytes;
};

Source& source(int n) {
  static std::map<int, Source> sources;
  Source& s = sources[n];
  if (s.db) return s;
  s.db = std::make_unique<ModelDatabase>();
  s.db->open(":memory:");
  dlist::ActiveModel active(*s.db);
  s.db->write_lock();
  ATTRIBUTES store;
  DBATTRIBUTENODETYPE node;
  node.set_name("Library");
  s.top = store.cre_node(store.rew_node(0), &node);
  std::vector<long> groups;
  for (int g = 0; g < kGroups; ++g) {
    node.set_name(("Group " + std::to_string(g)).c_str());
    groups.push_back(store.cre_node(s.top, &node));
  }
  for (int i = 0; i < n; ++i) {
    DBATTRIBUTETYPE d;
    d.set_abbrev(("A" + std::to_string(i)).c_str());
    d.set_name(("Attribute " + std::to_string(i)).c_str());
    d.set_description("an attribute of the benchmark");
    d.flags = DBATTRIBUTETYPE::kText | 0x3FFF;
    const long a = store.cre_attribute(groups[static_cast<std::size_t>(i % kGroups)], &d);
    const long list = store.get_id_attribute(a, &d);
    for (int k = 0; k < kReferences; ++k) {
      ATTR_REF().cre(list, ("Value " + std::to_string(k)).c_str(),
                     TEXTBUFFER(("value " + std::to_string(i) + "-" + std::to_string(k)).c_str()),
                     0);
    }
  }
  s.db->write_unlock();
  s.file = scratch("source_" + std::to_string(n) + ".atr");
  std::string path = s.file.string();
  if (AttributeExport(nullptr, s.top, path.data(), 0, nullptr) != 1) std::abort();
  s.bytes = read_whole(s.file);
  return s;
}

// The byte ranges of the records, in file order.
std::vector<std::pair<std::size_t, std::size_t>> records(const Bytes& b) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  for (std::size_t p = 0; p + dlist::kAtrHeaderSize <= b.size();) {
    const auto h = dlist::decode_attribute_header(b.data() + p);
    out.emplace_back(p, dlist::kAtrHeaderSize + h.length);
    p += dlist::kAtrHeaderSize + h.length;
  }
  return out;
}

void write_baseline(const Bytes& bytes,
                    const std::vector<std::pair<std::size_t, std::size_t>>& parts,
                    const fs::path& file) {
  std::FILE* f = std::fopen(file.string().c_str(), "wb");
  if (!f) std::abort();
  for (const auto& [at, n] : parts) std::fwrite(bytes.data() + at, 1, n, f);
  if (std::fclose(f) != 0) std::abort();
}

std::span<const unsigned char> span_of(const Bytes& b, std::size_t at, std::size_t n) {
  return std::span<const unsigned char>(b.data() + at, n);
}

// Reads file and inserts its rows into db in one transaction.
void import_baseline(ModelDatabase& db, const fs::path& file) {
  const Bytes b = read_whole(file);
  dlist::SqliteConnection& c = db.connection();
  std::unordered_map<int32_t, int64_t> groups{{0, ATTRIBUTES().rew_node(0)}};
  std::unordered_map<int32_t, std::pair<int64_t, uint32_t>> lists;  // file list -> (list, filter)
  int64_t seq = 0;
  int64_t key_list = 0;
  uint32_t key_kinds = 0;
  std::size_t key_at = 0;
  db.write_lock();
  for (const auto& [at, n] : records(b)) {
    const auto h = dlist::decode_attribute_header(b.data() + at);
    const std::size_t payload = at + dlist::kAtrHeaderSize;
    switch (h.type) {
      case dlist::kAtrGroup: {
        const int64_t id = db.new_id(dlist::ModelObject::kAttributeNode);
        const std::size_t name =
            dlist::field_length(reinterpret_cast<const char*>(b.data() + payload + 2), 32);
        dlist::Statement(
            c, "INSERT INTO attr_nodes (id, parent, seq, kind, name) VALUES (?1, ?2, ?3, 1, ?4)")
            .bind(1, id)
            .bind(2, groups[h.parent])
            .bind(3, ++seq)
            .bind(4, span_of(b, payload + 2, name))
            .run();
        groups[h.id] = id;
        break;
      }
      case dlist::kAtrDefinition: {
        DBATTRIBUTETYPE d;
        dlist::from_plain_image(d, b.data() + payload);
        const int64_t id = db.new_id(dlist::ModelObject::kAttributeNode);
        const int64_t list = db.new_id(dlist::ModelObject::kAttributeList);
        const int32_t parent =
            dlist::decode_attribute_header(b.data() + at - dlist::kAtrHeaderSize).parent;
        dlist::Statement(
            c, "INSERT INTO attr_nodes (id, parent, seq, kind, name) VALUES (?1, ?2, ?3, -1, ?4)")
            .bind(1, id)
            .bind(2, groups[parent])
            .bind(3, ++seq)
            .bind(4, span_of(b, payload + 12, dlist::field_length(d.name, sizeof d.name)))
            .run();
        dlist::Statement(
            c, "INSERT INTO attr_defs (node, list, abbrev, image) VALUES (?1, ?2, ?3, ?4)")
            .bind(1, id)
            .bind(2, list)
            .bind(3, span_of(b, payload, dlist::field_length(d.abbrev, sizeof d.abbrev)))
            .bind(4, span_of(b, payload, dlist::kAtrDefinitionSize))
            .run();
        lists[h.id] = {list, d.Filter()};
        break;
      }
      case dlist::kAtrKey:
        key_list = lists[h.parent].first;
        key_kinds = lists[h.parent].second;
        key_at = payload;
        break;
      case dlist::kAtrValue:
        dlist::Statement(c,
                         "INSERT INTO attr_refs (id, list, name, flags, kinds, value) VALUES (?1, "
                         "?2, ?3, ?4, ?5, ?6)")
            .bind(1, db.new_id(dlist::ModelObject::kAttributeReference))
            .bind(2, key_list)
            .bind(3, span_of(
                         b, key_at,
                         dlist::field_length(reinterpret_cast<const char*>(b.data() + key_at), 17)))
            .bind(4, static_cast<int64_t>(b[key_at + 17]))
            .bind(5, static_cast<int64_t>(key_kinds))
            .bind(6, span_of(b, payload, h.length))
            .run();
        break;
      default:
        break;
    }
  }
  db.write_unlock();
}

void report(benchmark::State& state, double exchange, double baseline, int n) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? exchange / baseline : 0.0);
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_AttributeExport(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Source& src = source(n);
  dlist::ActiveModel active(*src.db);
  const auto parts = records(src.bytes);
  const fs::path out = scratch("out.atr");
  const fs::path plain = scratch("plain.atr");
  std::string path = out.string();
  double exchange = 0, baseline = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const int ok = AttributeExport(nullptr, src.top, path.data(), 0, nullptr);
    const double t = seconds_since(t0);
    if (ok != 1) state.SkipWithError("the export failed");
    state.SetIterationTime(t);
    exchange += t;
    const auto t1 = Clock::now();
    write_baseline(src.bytes, parts, plain);
    baseline += seconds_since(t1);
  }
  if (read_whole(out) != src.bytes) state.SkipWithError("the export differs");
  report(state, exchange, baseline, n);
  fs::remove(out);
  fs::remove(plain);
}

void BM_AttributeImport(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  Source& src = source(n);
  std::string path = src.file.string();
  double exchange = 0, baseline = 0;
  for (auto _ : state) {
    {
      ModelDatabase target;
      target.open(":memory:");
      dlist::ActiveModel active(target);
      const auto t0 = Clock::now();
      const int ok = AttributeImport(nullptr, 0L, path.data());
      const double t = seconds_since(t0);
      if (ok != 1) state.SkipWithError("the import failed");
      state.SetIterationTime(t);
      exchange += t;
    }
    ModelDatabase plain;
    plain.open(":memory:");
    dlist::ActiveModel active(plain);
    const auto t1 = Clock::now();
    import_baseline(plain, src.file);
    baseline += seconds_since(t1);
  }
  report(state, exchange, baseline, n);
}

BENCHMARK(BM_AttributeExport)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AttributeImport)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
