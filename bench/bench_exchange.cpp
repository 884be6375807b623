// Benchmarks of the palette and prototype exchange files: export and import of N
// palettes and of N prototypes kept in nested folders (N = 1,000, 10,000, 100,000),
// each measured beside a baseline in the same run that moves the same bytes without
// the exchange code:
//
// - export baseline: the exported file's bytes written again with plain buffered
//   writes, one write per block, as the exporter writes them;
// - export read-and-write baseline: what a hand-written dump costs: the same rows
//   read from the same project (nodes, palettes or element records, surface and
//   reference rows), one prepared query per table kept for the whole walk, walking
//   the tree in the export's order, plus the plain writes of the same bytes;
// - import baseline: the file read whole, its blocks walked, and the same rows
//   inserted into a new project of the same schema in one transaction, without any
//   look-up (existing palettes, taken names, parents by query) or record decoding.
//
// The time reported is the exchange call's; the counters give the baseline's time
// per iteration ("baseline_ms") and the ratio of the two ("ratio"); an export also
// gives the read-and-write baseline ("dump_ms") and its ratio ("dump_ratio"), and the
// same ratio of the thread's processor times ("dump_cpu_ratio", with "cpu_ms" the
// export's), which stays put while other programs load the machine; an import gives
// the processor times too ("cpu_ms", "baseline_cpu_ms", "cpu_ratio"). Projects and
// files are built once per N, outside the timed regions; every project lives in
// memory, so the numbers leave out the disk's commit.
//
// The tree: N leaves spread over 10 top folders of 10 subfolders each (so 100 leaf
// folders of N / 100 leaves) in the wall kind folder. A palette is a wall palette
// with two surface entries, each one distinct; a prototype is a wall record with two
// surface entries, one material reference and one attribute reference.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_support.h"
#include "foundation/byte_order.h"
#include "foundation/records.h"
#include "host/model/model_database.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "host/model/sqlite_connection.h"
#include "palettes/exchange_format.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "palettes/host_calls.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using dlist::ModelDatabase;
using dlist::ModelObject;
using dlist::ModelTree;

constexpr int kTopFolders = 10;
constexpr int kSubFolders = 10;

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

// ---- the source projects ---------------------------------------------------------------

DBSURFREFTYPE two_surfaces(int i) {
  DBSURFREFTYPE s;
  for (int k = 0; k < 2; ++k) {
    DBSURFHATCH h;
    dlist::set_field(h.name, sizeof h.name, k == 0 ? "Brick" : "Plaster");
    h.hatch1[0] = i;  // every set distinct
    h.type = 2;
    s.push(h);
  }
  return s;
}

DBWALLPALETTE wall_palette(int i) {
  DBWALLPALETTE p;
  p.layer = 3;
  p.retegezes.count = 1;
  p.retegezes.layer[0].thickness = 0.1 + i * 1e-6;  // every palette distinct
  return p;
}

template <class Store, class Node>
long make_folder(long parent, const std::string& name) {
  Node n;
  n.set_name(name.c_str());
  int existed = 0;
  return Store().cre_folder(parent, n, &existed);
}

// The leaf folders below the wall kind folder of a tree.
template <class Store, class Node>
std::vector<long> leaf_folders(ModelDatabase& db, ModelTree tree) {
  std::vector<long> out;
  const long walls = static_cast<long>(db.kind_folder(tree, 1));
  for (int t = 0; t < kTopFolders; ++t) {
    const long top = make_folder<Store, Node>(walls, "Group " + std::to_string(t));
    for (int s = 0; s < kSubFolders; ++s) {
      out.push_back(make_folder<Store, Node>(top, "Set " + std::to_string(s)));
    }
  }
  return out;
}

struct Source {
  std::unique_ptr<ModelDatabase> db;
  fs::path file;  // the exported file
  Bytes bytes;    // its content
};

// The source of n among sources, built once: fill(db, n) fills a project in memory
// under its write lock, then export_to(db, path) writes the file name.
template <class Fill, class Export>
Source& built_source(std::map<int, Source>& sources, int n, const std::string& name, Fill fill,
                     Export export_to) {
  Source& s = sources[n];
  if (s.db) return s;
  s.db = std::make_unique<ModelDatabase>();
  s.db->open(":memory:");
  dlist::ActiveModel active(*s.db);
  s.db->write_lock();
  fill(*s.db, n);
  s.db->write_unlock();
  s.file = scratch(name);
  std::string path = s.file.string();
  if (export_to(*s.db, path.data()) != 1) std::abort();
  s.bytes = read_whole(s.file);
  return s;
}

// A project with n palettes and their export; built once per n.
Source& palette_source(int n) {
  static std::map<int, Source> sources;
  const auto fill = [](ModelDatabase& db, int count) {
    const std::vector<long> folders =
        leaf_folders<PALETTES, DBPALETTENODETYPE>(db, ModelTree::kPalettes);
    for (int i = 0; i < count; ++i) {
      DBSURFREFTYPE surf = two_surfaces(i);
      int existed = 0;
      const long pal = dlist::HostCalls<1>::cre_palette(wall_palette(i), &surf, &existed);
      DBPALETTENODETYPE node;
      node.set_name(("Wall " + std::to_string(i)).c_str());
      PALETTES().cre_node(folders[static_cast<std::size_t>(i) % folders.size()], node, pal);
    }
  };
  const auto export_to = [](ModelDatabase&, char* path) {
    return PaletteExport(nullptr, 0L, path, nullptr, 0);
  };
  return built_source(sources, n, "source_" + std::to_string(n) + ".pal", fill, export_to);
}

// A project with n prototypes and their export; built once per n.
Source& prototype_source(int n) {
  static std::map<int, Source> sources;
  const auto fill = [](ModelDatabase& db, int count) {
    const std::vector<long> folders =
        leaf_folders<PROTOTYPES, DBPROTOTYPENODE>(db, ModelTree::kPrototypes);
    for (int i = 0; i < count; ++i) {
      DBWALLTYPE wall;
      wall.end = COORD2D(1.0 + i, 0.0);
      wall.height = 2.7;
      wall.palette = wall_palette(i);
      DBSURFREFTYPE surf = two_surfaces(i);
      DBMATREFCHAIN mat;
      DBMATREF m;
      m.code.put("01.02.003");
      m.quantity = 1.5;
      mat.push(m);
      DBATTREFCHAIN attr;
      DBATTREFTYPE a;
      a.set_name("fire rating");
      a.value.put("REI 60");
      attr.push(a);
      const long rec = dlist::HostCalls<1>::cre_record(&wall, &surf, &mat, &attr);
      DBPROTOTYPENODE node;
      node.set_name(("Wall " + std::to_string(i)).c_str());
      PROTOTYPES().cre_node(folders[static_cast<std::size_t>(i) % folders.size()], node, rec);
    }
  };
  const auto export_to = [](ModelDatabase& db, char* path) {
    return PrototypeExport(nullptr, static_cast<long>(db.root(ModelTree::kPrototypes)), path,
                           nullptr, 0);
  };
  return built_source(sources, n, "source_" + std::to_string(n) + ".prt", fill, export_to);
}

// ---- baselines ---------------------------------------------------------------------------

// The byte ranges of the description header and of each block, in file order.
std::vector<std::pair<std::size_t, std::size_t>> pieces(const Bytes& b) {
  std::vector<std::pair<std::size_t, std::size_t>> out;
  std::size_t p = 4 + dlist::load_le32(b.data());
  out.emplace_back(0, p);
  while (p + dlist::kBlockHeaderSize <= b.size()) {
    const auto code = static_cast<int32_t>(dlist::load_le32(b.data() + p));
    const auto size = static_cast<int32_t>(dlist::load_le32(b.data() + p + 4));
    const std::size_t n =
        dlist::kBlockHeaderSize + (code == 1 || code == -1 ? 0 : static_cast<std::size_t>(size));
    out.emplace_back(p, n);
    p += n;
    if (code == dlist::BLOCK_END) break;
  }
  return out;
}

// Writes the bytes again, one buffered write per block.
void write_baseline(const Bytes& bytes, const std::vector<std::pair<std::size_t, std::size_t>>& parts,
                    const fs::path& file) {
  std::FILE* f = std::fopen(file.string().c_str(), "wb");
  if (!f) std::abort();
  for (const auto& [at, n] : parts) std::fwrite(bytes.data() + at, 1, n, f);
  if (std::fclose(f) != 0) std::abort();
}

// Reads the rows an export of the whole tree reads, in its order, with one query per
// table kept for the whole walk: a folder's children in store order, each leaf's
// palette or element record with its surface (and reference) rows, the subfolders
// after the folder's leaves, the last one first. Gives the bytes read, so that no
// read can be left out.
std::size_t read_rows_baseline(ModelDatabase& db, bool palettes) {
  dlist::SqliteConnection& c = db.connection();
  const ModelTree tree = palettes ? ModelTree::kPalettes : ModelTree::kPrototypes;
  dlist::Statement children(c,
                            "SELECT id, level, kind, name, description, last, record FROM nodes "
                            "WHERE parent = ?1 ORDER BY seq, id");
  dlist::Statement record(c, palettes ? "SELECT kind, image FROM palettes WHERE id = ?1"
                                      : "SELECT kind, image, text FROM elements WHERE id = ?1");
  dlist::Statement surfaces(c, "SELECT image FROM surfaces WHERE owner = ?1 ORDER BY pos");
  dlist::Statement matrefs(c, "SELECT bytes FROM matrefs WHERE owner = ?1 ORDER BY pos");
  dlist::Statement attrefs(c, "SELECT bytes FROM attrefs WHERE owner = ?1 ORDER BY pos");
  std::size_t bytes = 0;
  auto rows_of = [&](dlist::Statement& s, int64_t owner) {
    s.reset();
    s.bind(1, owner);
    while (s.row()) bytes += s.blob(0).size();
  };
  std::vector<int64_t> pending{db.root(tree)};
  std::vector<std::pair<int64_t, int64_t>> level;  // node, record (0: a folder)
  while (!pending.empty()) {
    const int64_t folder = pending.back();
    pending.pop_back();
    level.clear();
    children.reset();
    children.bind(1, folder);
    while (children.row()) {
      bytes += children.blob(3).size() + children.blob(4).size();
      level.emplace_back(children.integer(0), children.integer(1) < 0 ? children.integer(6) : 0);
    }
    for (const auto& [node, rec] : level) {
      if (rec == 0) {
        pending.push_back(node);
        continue;
      }
      record.reset();
      record.bind(1, rec);
      if (record.row()) bytes += record.blob(1).size() + (palettes ? 0 : record.blob(2).size());
      rows_of(surfaces, rec);
      if (!palettes) {
        rows_of(matrefs, rec);
        rows_of(attrefs, rec);
      }
    }
  }
  if (!children.ok() || !record.ok() || !surfaces.ok()) std::abort();
  return bytes;
}

std::span<const unsigned char> span_of(const Bytes& b, std::size_t at, std::size_t n) {
  return std::span<const unsigned char>(b.data() + at, n);
}

// FNV-1a over a palette image and its surface entries, as the store keys palettes.
int64_t digest(const Bytes& b, std::size_t at, std::size_t n,
               const std::vector<std::pair<std::size_t, std::size_t>>& surfaces) {
  uint64_t h = 14695981039346656037ull;
  auto mix = [&](std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
      h ^= b[i];
      h *= 1099511628211ull;
    }
  };
  mix(at, n);
  for (const auto& [s, k] : surfaces) mix(s, k);
  return static_cast<int64_t>(h);
}

// Reads file and inserts its rows into db (a new project) in one transaction: the
// palettes or element records with their surface and reference rows, the identifiers
// and the nodes, each parent found in a map of the file's folders.
void import_baseline(ModelDatabase& db, const fs::path& file, bool palettes) {
  const Bytes b = read_whole(file);
  dlist::SqliteConnection& c = db.connection();
  const ModelTree tree = palettes ? ModelTree::kPalettes : ModelTree::kPrototypes;
  std::unordered_map<int64_t, int64_t> folders;  // file identifier -> project node
  int64_t seq = 0;
  std::size_t record_at = 0, record_size = 0;
  std::vector<std::pair<std::size_t, std::size_t>> surfaces, matrefs, attrefs;
  std::size_t text_at = 0, text_size = 0;
  db.write_lock();
  for (const auto& [at, n] : pieces(b)) {
    if (at == 0) continue;  // the description header
    const auto code = static_cast<int32_t>(dlist::load_le32(b.data() + at));
    const std::size_t content = at + dlist::kBlockHeaderSize, size = n - dlist::kBlockHeaderSize;
    switch (code) {
      case dlist::BLOCK_PALETTE:
      case dlist::BLOCK_RECORD:
        record_at = content, record_size = size;
        surfaces.clear(), matrefs.clear(), attrefs.clear();
        text_size = 0;
        break;
      case dlist::BLOCK_SURFREF: surfaces.emplace_back(content, size); break;
      case dlist::BLOCK_MATREF: matrefs.emplace_back(content, size); break;
      case dlist::BLOCK_ATTREF: attrefs.emplace_back(content, size); break;
      case dlist::BLOCK_TEXT: text_at = content, text_size = size; break;
      case dlist::BLOCK_NODE: {
        const unsigned char* p = b.data() + content;
        const auto level = static_cast<int16_t>(dlist::load_le16(p));
        const auto kind = static_cast<int16_t>(dlist::load_le16(p + 2));
        const std::size_t name = dlist::field_length(reinterpret_cast<const char*>(p + 4), 32);
        const uint32_t description = dlist::load_le32(p + 36);
        const auto last = static_cast<int16_t>(dlist::load_le16(p + 40 + description));
        const auto a = static_cast<int32_t>(dlist::load_le32(b.data() + at + 8));
        const auto id_in_file = static_cast<int32_t>(dlist::load_le32(b.data() + at + 12));
        const int64_t parent = a == 0 ? db.kind_folder(tree, kind) : folders[a];
        int64_t record = 0;
        if (level < 0) {
          record = db.new_id(palettes ? ModelObject::kPalette : ModelObject::kElement);
          if (palettes) {
            dlist::Statement(c, "INSERT INTO palettes (id, kind, digest, image) VALUES (?1, ?2, ?3, ?4)")
                .bind(1, record).bind(2, kind).bind(3, digest(b, record_at, record_size, surfaces))
                .bind(4, span_of(b, record_at, record_size))
                .run();
          } else {
            dlist::Statement s(c, "INSERT INTO elements (id, kind, image, text) VALUES (?1, ?2, ?3, ?4)");
            s.bind(1, record).bind(2, kind).bind(3, span_of(b, record_at, record_size));
            if (text_size > 0) {
              s.bind(4, span_of(b, text_at, text_size - 1));
            } else {
              s.bind_null(4);
            }
            s.run();
          }
          auto rows = [&](const char* sql, const std::vector<std::pair<std::size_t, std::size_t>>& list) {
            for (std::size_t i = 0; i < list.size(); ++i) {
              dlist::Statement(c, sql).bind(1, record).bind(2, static_cast<int64_t>(i))
                  .bind(3, span_of(b, list[i].first, list[i].second)).run();
            }
          };
          rows("INSERT INTO surfaces (owner, pos, image) VALUES (?1, ?2, ?3)", surfaces);
          rows("INSERT INTO matrefs (owner, pos, bytes) VALUES (?1, ?2, ?3)", matrefs);
          rows("INSERT INTO attrefs (owner, pos, bytes) VALUES (?1, ?2, ?3)", attrefs);
        }
        const int64_t node = db.new_id(palettes ? ModelObject::kPaletteNode : ModelObject::kPrototypeNode);
        dlist::Statement(c, "INSERT INTO nodes (id, tree, parent, seq, level, kind, name, description, "
                            "last, record) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)")
            .bind(1, node).bind(2, static_cast<int64_t>(tree)).bind(3, parent).bind(4, ++seq)
            .bind(5, level).bind(6, kind).bind(7, span_of(b, content + 4, name))
            .bind(8, span_of(b, content + 40, description)).bind(9, last).bind(10, record)
            .run();
        if (level >= 0) folders[id_in_file] = node;
        break;
      }
      default: break;
    }
  }
  db.write_unlock();
}

// ---- the benchmarks ---------------------------------------------------------------------

void report(benchmark::State& state, double exchange, double baseline, int n) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["baseline_ms"] = benchmark::Counter(1000.0 * baseline / iterations);
  state.counters["ratio"] = benchmark::Counter(baseline > 0 ? exchange / baseline : 0.0);
  state.SetItemsProcessed(state.iterations() * n);
}

void report_dump(benchmark::State& state, double exchange, double dump, double cpu,
                 double dump_cpu) {
  const double iterations = static_cast<double>(state.iterations());
  state.counters["dump_ms"] = benchmark::Counter(1000.0 * dump / iterations);
  state.counters["dump_ratio"] = benchmark::Counter(dump > 0 ? exchange / dump : 0.0);
  state.counters["cpu_ms"] = benchmark::Counter(1000.0 * cpu / iterations);
  state.counters["dump_cpu_ratio"] = benchmark::Counter(dump_cpu > 0 ? cpu / dump_cpu : 0.0);
}

void export_bench(benchmark::State& state, bool palettes) {
  const int n = static_cast<int>(state.range(0));
  Source& src = palettes ? palette_source(n) : prototype_source(n);
  dlist::ActiveModel active(*src.db);
  const auto parts = pieces(src.bytes);
  const fs::path out = scratch(palettes ? "out.pal" : "out.prt");
  const fs::path plain = scratch(palettes ? "plain.pal" : "plain.prt");
  std::string path = out.string();
  const long root = palettes ? 0L : static_cast<long>(src.db->root(ModelTree::kPrototypes));
  double exchange = 0, baseline = 0, dump = 0, cpu = 0, dump_cpu = 0;
  for (auto _ : state) {
    const double c0 = dlist::bench::thread_seconds();
    const auto t0 = Clock::now();
    const int ok = palettes ? PaletteExport(nullptr, root, path.data(), nullptr, 0)
                            : PrototypeExport(nullptr, root, path.data(), nullptr, 0);
    const double t = seconds_since(t0);
    cpu += dlist::bench::thread_seconds() - c0;
    if (ok != 1) state.SkipWithError("the export failed");
    state.SetIterationTime(t);
    exchange += t;
    const auto t1 = Clock::now();
    write_baseline(src.bytes, parts, plain);
    baseline += seconds_since(t1);
    const double c2 = dlist::bench::thread_seconds();
    const auto t2 = Clock::now();
    benchmark::DoNotOptimize(read_rows_baseline(*src.db, palettes));
    write_baseline(src.bytes, parts, plain);
    dump += seconds_since(t2);
    dump_cpu += dlist::bench::thread_seconds() - c2;
  }
  if (fs::file_size(out) != src.bytes.size()) state.SkipWithError("the export differs in size");
  report(state, exchange, baseline, n);
  report_dump(state, exchange, dump, cpu, dump_cpu);
  fs::remove(out);
  fs::remove(plain);
}

void import_bench(benchmark::State& state, bool palettes) {
  const int n = static_cast<int>(state.range(0));
  Source& src = palettes ? palette_source(n) : prototype_source(n);
  std::string path = src.file.string();
  double exchange = 0, baseline = 0, cpu = 0, baseline_cpu = 0;
  for (auto _ : state) {
    {
      ModelDatabase target;  // built and dropped outside the timed region
      target.open(":memory:");
      dlist::ActiveModel active(target);
      const double c0 = dlist::bench::thread_seconds();
      const auto t0 = Clock::now();
      const int ok = palettes ? PaletteImport(nullptr, 0L, path.data())
                              : PrototypeImport(nullptr, 0L, path.data());
      const double t = seconds_since(t0);
      cpu += dlist::bench::thread_seconds() - c0;
      if (ok != 1) state.SkipWithError("the import failed");
      state.SetIterationTime(t);
      exchange += t;
    }
    ModelDatabase plain;
    plain.open(":memory:");
    const double c1 = dlist::bench::thread_seconds();
    const auto t1 = Clock::now();
    import_baseline(plain, src.file, palettes);
    baseline += seconds_since(t1);
    baseline_cpu += dlist::bench::thread_seconds() - c1;
  }
  report(state, exchange, baseline, n);
  // The same ratio of processor times, which the machine's load does not move.
  const double iterations = static_cast<double>(state.iterations());
  state.counters["cpu_ms"] = benchmark::Counter(1000.0 * cpu / iterations);
  state.counters["baseline_cpu_ms"] = benchmark::Counter(1000.0 * baseline_cpu / iterations);
  state.counters["cpu_ratio"] = benchmark::Counter(baseline_cpu > 0 ? cpu / baseline_cpu : 0.0);
}

void BM_PaletteExport(benchmark::State& state) { export_bench(state, true); }
void BM_PaletteImport(benchmark::State& state) { import_bench(state, true); }
void BM_PrototypeExport(benchmark::State& state) { export_bench(state, false); }
void BM_PrototypeImport(benchmark::State& state) { import_bench(state, false); }

#define DLIST_EXCHANGE_BENCH(name) \
  BENCHMARK(name)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)

DLIST_EXCHANGE_BENCH(BM_PaletteExport);
DLIST_EXCHANGE_BENCH(BM_PaletteImport);
DLIST_EXCHANGE_BENCH(BM_PrototypeExport);
DLIST_EXCHANGE_BENCH(BM_PrototypeImport);

}  // namespace

int main(int argc, char** argv) {
  setenv("DLIST_SETTINGS", ":memory:", 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const char* ext : {".pal", ".prt"}) {
    for (int n : {1000, 10000, 100000}) {
      std::error_code ec;
      fs::remove(scratch("source_" + std::to_string(n) + ext), ec);
    }
  }
  return 0;
}
