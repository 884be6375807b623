// Shared by the exchange file tests: a project in memory with a folder on disk, a
// readable byte builder for exchange files, sample records of every kind, and the
// block sequence of a written file.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "foundation/byte_order.h"
#include "foundation/element_kinds.h"
#include "foundation/records.h"
#include "host/dialog/engine.h"
#include "host/report.h"
#include "palettes/exchange_format.h"
#include "palettes/exchange_writer.h"
#include "palettes/host_calls.h"
#include "stream/streamers.h"
#include "tests/host/model/model_test_support.h"

namespace exchange_test {

using Bytes = std::vector<unsigned char>;
using dlist::ModelTree;

// Builds a file byte by byte: numbers little-endian, names zero-filled.
class FileBuilder {
 public:
  FileBuilder& i16(int v) { return u(static_cast<uint16_t>(v), 2); }
  FileBuilder& i32(long v) { return u(static_cast<uint32_t>(v), 4); }
  FileBuilder& raw(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  FileBuilder& text(const std::string& s) {
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    return *this;
  }
  FileBuilder& field(const std::string& s, std::size_t n) {
    Bytes f(n, 0);
    std::memcpy(f.data(), s.data(), std::min(n, s.size()));
    return raw(f);
  }
  FileBuilder& description(const std::string& s) { return i32(static_cast<long>(s.size())).text(s); }
  FileBuilder& header(int code, long size, long a, long b) { return i32(code).i32(size).i32(a).i32(b); }
  // A block whose size is that of content.
  FileBuilder& block(int code, long a, long b, const Bytes& content) {
    return header(code, static_cast<long>(content.size()), a, b).raw(content);
  }
  FileBuilder& node(int level, int kind, const std::string& name, long parent, long id) {
    return block(dlist::BLOCK_NODE, parent, id, node_bytes(level, kind, name));
  }
  FileBuilder& end() { return header(dlist::BLOCK_END, 0, 0, 0); }

  // A streamed tree node: level, kind, name (32), description (empty), last field -1.
  static Bytes node_bytes(int level, int kind, const std::string& name) {
    return FileBuilder().i16(level).i16(kind).field(name, 32).i32(0).i16(-1).bytes();
  }

  const Bytes& bytes() const { return bytes_; }
  void write(const std::string& path) const {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  }

 private:
  FileBuilder& u(uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return *this;
  }
  Bytes bytes_;
};

inline Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline long le32(const Bytes& b, std::size_t at) {
  return static_cast<int32_t>(dlist::load_le32(b.data() + at));
}

// One block of a written file: code, a, b and where its content begins.
struct Block {
  long code, size, a, b;
  std::size_t at;
};

// The blocks of an exchange file, after its description header, through BLOCK_END.
inline std::vector<Block> blocks_of(const Bytes& file) {
  std::vector<Block> out;
  std::size_t p = 4 + static_cast<std::size_t>(le32(file, 0));
  while (p + 16 <= file.size()) {
    Block b{le32(file, p), le32(file, p + 4), le32(file, p + 8), le32(file, p + 12), p + 16};
    out.push_back(b);
    if (b.code == dlist::BLOCK_END) break;
    p += 16 + (b.code == 1 || b.code == -1 ? 0 : static_cast<std::size_t>(b.size));
  }
  return out;
}

// A record of kind K with something in each owned part, from seed.
template <int K>
typename dlist::Kind<K>::element sample(int seed) {
  typename dlist::Kind<K>::element r;
  r.palette = dlist::testing::patterned<typename dlist::Kind<K>::palette>(seed);
  if constexpr (K == 6 || K == 7 || K == 10) {
    r.outline.set_sizes(1, 4);
    for (int i = 0; i < 4; ++i) r.outline.points()[i] = DBPOLYPOINT{i + 0.5, -i * 1.0, i};
  }
  if constexpr (K == 8) {
    r.outline.set_size(3);
    r.outline.points()[2] = DBPOLYPOINT{7.0, 8.0, 9};
  }
  if constexpr (K == 4 || K == 5) {
    r.hotspots.set_count(2);
    r.hotspots[1] = COORD3D(1, 2, 3);
  }
  if constexpr (K == 9) r.set_text(("text " + std::to_string(seed)).c_str());
  return r;
}

// Equal records: the text record by its members, the others by their encodings.
template <class E>
bool same_record(E& a, E& b) {
  if constexpr (std::is_same_v<E, DBTEXTTYPE>) {
    return a == b;
  } else {
    return dlist::stream_out(a) == dlist::stream_out(b);
  }
}

inline DBSURFREFTYPE surfaces(std::initializer_list<const char*> names) {
  DBSURFREFTYPE s;
  double v = 1;
  for (const char* n : names) s.push(dlist::testing::surface(n, v++));
  return s;
}

// A project in memory, a scratch folder, a fresh dialog engine and report log.
class ExchangeTest : public dlist::testing::ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    dlist::reset_dialog_engine();
    dir_ = std::filesystem::temp_directory_path() /
           ("dlist_exchange_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    dlist::reset_dialog_engine();
    std::filesystem::remove_all(dir_);
    ModelTest::TearDown();
  }

  std::string path(const char* name) const { return (dir_ / name).string(); }
  std::size_t files_in_dir() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
  }

  // The diagnostic lines of this test so far.
  // The exchange's own diagnostics, without the progress window's records.
  std::vector<std::string> diagnostics() const {
    std::vector<std::string> out;
    for (const auto& e : reports_.entries())
      if (e.kind == dlist::ReportKind::diagnostic && e.text.rfind("progress: ", 0) != 0) out.push_back(e.text);
    return out;
  }
  bool diagnosed(const std::string& part) const {
    for (const std::string& d : diagnostics())
      if (d.find(part) != std::string::npos) return true;
    return false;
  }

  long folder(ModelTree tree, int kind) { return db_.kind_folder(tree, kind); }

  // A user folder below parent.
  template <class Store>
  long make_folder(long parent, const char* name) {
    auto n = dlist::testing::node_named<typename std::conditional_t<
        std::is_same_v<Store, PALETTES>, DBPALETTENODETYPE, DBPROTOTYPENODE>>(name);
    int existed = 0;
    return Store().cre_folder(parent, n, &existed);
  }

  // A palette of kind K from seed with a node below parent; its node.
  template <int K>
  long make_palette(long parent, const char* name, int seed, const DBSURFREFTYPE& surf = {}) {
    auto rec = sample<K>(seed);
    int existed = 0;
    DBSURFREFTYPE s = surf;
    const long pal = dlist::HostCalls<K>::cre_palette(rec.palette, &s, &existed);
    auto n = dlist::testing::node_named<DBPALETTENODETYPE>(name);
    return PALETTES().cre_node(parent, n, pal);
  }

  // A prototype of kind K from seed below parent; its node.
  template <int K>
  long make_prototype(long parent, const char* name, int seed) {
    auto rec = sample<K>(seed);
    DBSURFREFTYPE s = surfaces({"Brick", "Glass"});
    DBMATREFCHAIN mat;
    DBMATREF m;
    m.code.put("A.B.1");
    mat.push(m);
    DBATTREFCHAIN attr;
    DBATTREFTYPE a;
    a.set_name("fire");
    a.value.put("R60");
    attr.push(a);
    const long rid = dlist::HostCalls<K>::cre_record(&rec, &s, &mat, &attr);
    auto n = dlist::testing::node_named<DBPROTOTYPENODE>(name);
    return PROTOTYPES().cre_node(parent, n, rid);
  }

  // Sample files to take apart: a wall prototype in a folder F, a prototype of kind
  // 9, what more() adds, and a palette of kind 2 in folders F/G, exported whole to
  // good.pal and good.prt; their bytes, the palettes first.
  template <class More>
  void export_samples(Bytes (&files)[2], More more) {
    const long walls = folder(ModelTree::kPrototypes, 1);
    make_prototype<1>(make_folder<PROTOTYPES>(walls, "F"), "W", 1);
    make_prototype<9>(folder(ModelTree::kPrototypes, 9), "T", 2);
    more();
    const long pals = make_folder<PALETTES>(folder(ModelTree::kPalettes, 2), "F");
    make_palette<2>(make_folder<PALETTES>(pals, "G"), "D", 3, surfaces({"Oak"}));
    std::string prt = path("good.prt"), pal = path("good.pal");
    const long prototypes = db_.root(ModelTree::kPrototypes);
    ASSERT_EQ(PrototypeExport(nullptr, prototypes, prt.data(), nullptr, 1), 1);
    ASSERT_EQ(PaletteExport(nullptr, 0L, pal.data(), nullptr, 1), 1);
    files[0] = read_file(pal);
    files[1] = read_file(prt);
  }

  dlist::ReportLogScope reports_;
  std::filesystem::path dir_;
};

}  // namespace exchange_test
