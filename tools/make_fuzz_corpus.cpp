// make_fuzz_corpus: writes the seed files of the fuzz corpus (fuzz/corpus/<target>/, the target named without its "fuzz_").
// It builds a small project in memory, exports palette and prototype files of it
// with the exporters - single presets, nested folders, every owned part, with and
// without the resource appendix - and adds a few damaged copies, each a fault the
// readers must refuse; and list export files with damaged line ends, header and
// texts; and surface exchange files, sound and damaged. Every seed stays below 4 KiB, except one about the header line limit. Usage:
//
//   make_fuzz_corpus [corpus folder]     (default: fuzz/corpus)
//
// The seeds are committed; run this again when the file format changes. Inputs that
// fuzzing found are kept beside the seeds under names of their own and are not
// touched here.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "attributes/attribute_exchange.h"
#include "attributes/attribute_file.h"
#include "foundation/byte_order.h"
#include "foundation/records.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "palettes/exchange_format.h"
#include "palettes/exchange_writer.h"
#include "palettes/host_calls.h"
#include "palettes/surface_pack.h"
#include "host/scratch_folder.h"
#include "host/surface/surface_library.h"

namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

constexpr std::size_t kMaxSeedBytes = 4096;

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "make_fuzz_corpus: %s\n", what.c_str());
  std::exit(1);
}

template <class Node>
Node named(const char* name) {
  Node n;
  n.set_name(name);
  return n;
}

DBSURFREFTYPE surfaces(std::initializer_list<const char*> names) {
  DBSURFREFTYPE s;
  double v = 0.25;
  for (const char* name : names) {
    DBSURFHATCH h;
    dlist::set_field(h.name, sizeof h.name, name);
    h.hatch1[0] = v;
    h.hatch2[1] = -v;
    h.type = 2;
    s.push(h);
    v *= 2;
  }
  return s;
}

// ---- the project ---------------------------------------------------------------------

DBWALLPALETTE wall_palette(double thickness) {
  DBWALLPALETTE p;
  p.layer = 3;
  p.fill = 12;
  p.retegezes.count = 2;
  p.retegezes.layer[0].thickness = thickness;
  p.retegezes.layer[1].thickness = 0.05;
  p.retegezes.boundary[0].pen = 4;
  return p;
}

template <int K>
long palette(long parent, const char* name, const typename dlist::Kind<K>::palette& p,
             DBSURFREFTYPE surf = {}) {
  int existed = 0;
  const long id = dlist::HostCalls<K>::cre_palette(p, &surf, &existed);
  auto node = named<DBPALETTENODETYPE>(name);
  const long n = id > 0 ? PALETTES().cre_node(parent, node, id) : 0;
  if (n <= 0) die(std::string("cannot create the palette ") + name);
  return n;
}

template <class Store, class Node>
long folder(long parent, const char* name) {
  auto node = named<Node>(name);
  int existed = 0;
  const long id = Store().cre_folder(parent, node, &existed);
  if (id <= 0) die(std::string("cannot create the folder ") + name);
  return id;
}

template <int K>
long prototype(long parent, const char* name, typename dlist::Kind<K>::element& rec,
               bool references) {
  DBSURFREFTYPE surf = references ? surfaces({"Brick", "Plaster"}) : DBSURFREFTYPE();
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
  if (references) {
    DBMATREF m;
    m.code.put("01.02.003");
    m.quantity = DBMATREF::kAutoQuantity;
    m.set_parameter("AREA");
    mat.push(m);
    DBATTREFTYPE a;
    a.set_name("fire rating");
    a.set_abbrev("FR");
    a.value.put("REI 60");
    attr.push(a);
  }
  const long id = dlist::HostCalls<K>::cre_record(&rec, &surf, &mat, &attr);
  auto node = named<DBPROTOTYPENODE>(name);
  const long n = id > 0 ? PROTOTYPES().cre_node(parent, node, id) : 0;
  if (n <= 0) die(std::string("cannot create the prototype ") + name);
  return n;
}

// ---- files ---------------------------------------------------------------------------

Bytes read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Offsets of the block headers of an exchange file, after its description.
std::vector<std::size_t> blocks(const Bytes& b) {
  std::vector<std::size_t> out;
  std::size_t p = 4 + dlist::load_le32(b.data());
  while (p + dlist::kBlockHeaderSize <= b.size()) {
    out.push_back(p);
    const auto code = static_cast<int32_t>(dlist::load_le32(b.data() + p));
    if (code == dlist::BLOCK_END) break;
    const auto size = static_cast<int32_t>(dlist::load_le32(b.data() + p + 4));
    p += dlist::kBlockHeaderSize + (code == 1 || code == -1 ? 0 : static_cast<std::size_t>(size));
  }
  return out;
}

// The header of the first block with code.
std::size_t first_block(const Bytes& b, int32_t code) {
  for (std::size_t at : blocks(b))
    if (static_cast<int32_t>(dlist::load_le32(b.data() + at)) == code) return at;
  die("no block of code " + std::to_string(code));
}

class Corpus {
 public:
  explicit Corpus(fs::path root) : root_(std::move(root)) {}

  // limit: the seed's largest size; only a seed about a size limit of the reader
  // passes the usual one.
  void put(const char* target, const std::string& name, const Bytes& bytes,
           std::size_t limit = kMaxSeedBytes) {
    if (bytes.size() >= limit) die(name + " has " + std::to_string(bytes.size()) + " bytes");
    const fs::path dir = root_ / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::printf("%s/%s: %zu bytes\n", target, name.c_str(), bytes.size());
  }

 private:
  fs::path root_;
};

template <class Export>
Bytes exported(Export export_call, long node, const char* description, int resources) {
  const fs::path file = fs::temp_directory_path() / "dlist_make_fuzz_corpus.bin";
  std::string path = file.string(), text = description;
  if (export_call(nullptr, node, path.data(), text.data(), resources) != 1) die("an export failed");
  Bytes b = read(file);
  fs::remove(file);
  return b;
}

Bytes palette_file(long node, const char* description, int resources = 0) {
  return exported(static_cast<int (*)(void*, long, char*, char*, int)>(&PaletteExport), node,
                  description, resources);
}

Bytes prototype_file(long node, const char* description, int resources = 0) {
  return exported(static_cast<int (*)(void*, long, char*, char*, int)>(&PrototypeExport), node,
                  description, resources);
}

// List export files that the list import must refuse whole, or read without
// bending: every line end LF alone; a header line longer than 64 KiB; a file that
// ends inside its header; texts holding the separators of their fields.
void list_seeds(Corpus& corpus) {
  const std::string banner = std::string("\x03") + "This file is exported by Corvida";
  const auto bytes = [](const std::string& text) { return Bytes(text.begin(), text.end()); };
  const std::string header = "dim:Length;m;metre\r\n+unit:cm;centimetre;100.0\r\nmarket:Local\r\n"
                             "long text names:A|B|C|D\r\n\r\n";
  const std::string records = "A|Walls|Local|0.0|;;|||\r\nA.1|Brick|Local|12.5|m|1.0|;;one|two|three|four\r\n";
  std::string lf = banner + "\r\n.\r\n" + header + records;
  for (std::size_t at = 0; (at = lf.find("\r\n", at)) != std::string::npos;) lf.erase(at, 1);
  corpus.put("list_import", "damaged_lf_only.lis", bytes(lf));
  const std::string long_line = banner + "\r\n.\r\nmarket:" + std::string(65530, 'x') + "\r\n" +
                                "long text names:A|B|C|D\r\n\r\n" + records;
  corpus.put("list_import", "damaged_long_header_line.lis", bytes(long_line), 70000);
  corpus.put("list_import", "damaged_cut_header.lis",
             bytes(banner + "\r\n.\r\ndim:Length;m;metre\r\nmarket:Local\r\n"));
  corpus.put("list_import", "separators_in_texts.lis",
             bytes(banner + "\r\n.\r\n" + header +
                   "A|Wall|s|Local|0.0|;;A|B|two\r\nlines|three|fo|ur\r\n"));
}

// Attribute files: a group with a subgroup and attributes of the three kinds (text
// references, an indirect one, a held file), one attribute alone, and damaged
// copies: a definition one byte short, a text that loses its zero, an embedded
// file whose length is one too many, a file cut inside a record.
void attribute_seeds(Corpus& corpus) {
  ATTRIBUTES store;
  const long root = store.rew_node(0);
  auto group = [&](long parent, const char* name) {
    DBATTRIBUTENODETYPE n;
    n.set_name(name);
    return store.cre_node(parent, &n);
  };
  auto attribute = [&](long parent, const char* abbrev, const char* name, uint32_t kind) {
    DBATTRIBUTETYPE d;
    d.set_abbrev(abbrev);
    d.set_name(name);
    d.flags = kind | 3;
    return store.cre_attribute(parent, &d);
  };
  auto list = [&](long entry) {
    DBATTRIBUTETYPE d;
    return store.get_id_attribute(entry, &d);
  };
  const long doors = group(root, "Doors");
  const long fire = group(doors, "Fire");
  const long rating = attribute(fire, "FIRE", "Fire rating", DBATTRIBUTETYPE::kText);
  ATTR_REF refs;
  refs.cre(list(rating), "EI30", TEXTBUFFER("EI 30"), 0);
  refs.cre(list(rating), "Usual", TEXTBUFFER("EI30"), 2);
  const long width = attribute(doors, "WIDTH", "Width", DBATTRIBUTETYPE::kFormula);
  refs.cre(list(width), "Wide", TEXTBUFFER("0.9+0.1"), 0);
  const long sheet = attribute(doors, "SHEET", "Sheet", DBATTRIBUTETYPE::kFile);
  const std::string content = "door sheet";
  const std::vector<unsigned char> embedded = dlist::make_embedded_file(
      "sheet.txt", std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(content.data()), content.size()));
  TEXTBUFFER held;
  held.assign(embedded.data(), static_cast<uint32_t>(embedded.size()));
  refs.filepred_import(list(sheet), "Sheet", held);

  auto exported = [](long entry) {
    const fs::path file = fs::temp_directory_path() / "dlist_make_fuzz_corpus.atr";
    std::string path = file.string();
    if (AttributeExport(nullptr, entry, path.data(), 0, nullptr) != 1) die("an attribute export failed");
    Bytes b = read(file);
    fs::remove(file);
    return b;
  };
  // The offset of the first record of type.
  auto first = [](const Bytes& b, int32_t type) {
    for (std::size_t at = 0; at + dlist::kAtrHeaderSize <= b.size();) {
      const auto h = dlist::decode_attribute_header(b.data() + at);
      if (h.type == type) return at;
      at += dlist::kAtrHeaderSize + h.length;
    }
    die("no record of type " + std::to_string(type));
  };
  const Bytes library = exported(doors);
  const Bytes single = exported(rating);
  corpus.put("attribute_import", "doors.atr", library);
  corpus.put("attribute_import", "fire_rating.atr", single);
  Bytes short_def = single;
  dlist::store_le32(short_def.data() + first(single, dlist::kAtrDefinition) + 8, 151);
  corpus.put("attribute_import", "damaged_definition_length.atr", short_def);
  Bytes text_zero = single;
  const std::size_t value = first(single, dlist::kAtrValue);
  text_zero[value + dlist::kAtrHeaderSize + 5] = 'x';  // "EI 30" loses its zero
  corpus.put("attribute_import", "damaged_text_zero.atr", text_zero);
  Bytes file_length = library;
  // the embedded file is the value that follows the key named "Sheet"
  for (std::size_t at = 0; at + dlist::kAtrHeaderSize <= library.size();) {
    const auto h = dlist::decode_attribute_header(library.data() + at);
    if (h.type == dlist::kAtrValue && h.length > 10 &&
        std::string(reinterpret_cast<const char*>(library.data() + at + 20)) == "sheet.txt") {
      file_length[at + 20 + 10] += 1;
    }
    at += dlist::kAtrHeaderSize + h.length;
  }
  corpus.put("attribute_import", "damaged_file_length.atr", file_length);
  Bytes cut = library;
  cut.resize(first(library, dlist::kAtrKey) + 25);
  corpus.put("attribute_import", "damaged_cut_short.atr", cut);
  corpus.put("dump", "doors.atr", library);
  corpus.put("dump", "damaged_file_length.atr", file_length);
}

}  // namespace

// A pack entry: the name's count with its zero, the name, the length, the bytes.
Bytes pack_entry(const std::string& name, const Bytes& data) {
  Bytes b;
  dlist::put_le32(b, static_cast<uint32_t>(name.size() + 1));
  b.insert(b.end(), name.begin(), name.end());
  b.push_back(0);
  dlist::put_le32(b, static_cast<uint32_t>(data.size()));
  b.insert(b.end(), data.begin(), data.end());
  return b;
}

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Surface exchange files: packs of the surface library file A.SRF and a bitmap, and
// damaged copies (hostile names, repeats, lengths past the end, a damaged library).
void surface_seeds(Corpus& corpus) {
  auto surface = [](const char* name, uint8_t type, double size, const char* bitmap) {
    dlist::SurfaceFileRecord r;
    std::strncpy(r.hatch.name, name, sizeof r.hatch.name - 1);
    r.hatch.type = type;
    r.hatch.hatch1[0] = r.hatch.hatch1[1] = size;
    r.hatch.hatch2[3] = 1.0;
    r.bitmap = bitmap;
    return r;
  };
  const Bytes bitmap = {'B', 'M', 0x1E, 0, 0, 0, 0, 0, 0, 0, 0x1A, 0, 0, 0};
  const Bytes two = dlist::surface_file_image(
      {surface("Brick", 2, 0.25, "brick.bmp"), surface("Glass", 1, 1.0, "")});
  const Bytes one = dlist::surface_file_image({surface("Brick", 3, 0.5, "")});
  const Bytes two_surfaces = joined({pack_entry("A.SRF", two), pack_entry("brick.bmp", bitmap)});
  corpus.put("surface_import", "two_surfaces.sur", two_surfaces);
  corpus.put("surface_import", "one_surface.sur", pack_entry("a.srf", one));
  corpus.put("surface_import", "damaged_name_parent.sur",
             joined({pack_entry("A.SRF", one), pack_entry("../escape.bmp", bitmap)}));
  corpus.put("surface_import", "damaged_name_repeated.sur",
             joined({pack_entry("A.SRF", one), pack_entry("a.srf", one)}));
  Bytes past_end = two_surfaces;
  past_end.resize(past_end.size() - 1);
  corpus.put("surface_import", "damaged_length.sur", past_end);
  Bytes count = two;
  dlist::store_le32(count.data() + 12, 3);
  corpus.put("surface_import", "damaged_library_count.sur", pack_entry("A.SRF", count));
  corpus.put("surface_import", "damaged_missing_bitmap.sur", pack_entry("A.SRF", two));
  corpus.put("surface_import", "damaged_no_library.sur", pack_entry("brick.bmp", bitmap));
}

int main(int argc, char** argv) {
  setenv("DLIST_SETTINGS", ":memory:", 1);
  Corpus corpus(argc > 1 ? argv[1] : "fuzz/corpus");
  dlist::ModelDatabase db;
  if (!db.open(":memory:")) die(db.last_error());
  dlist::ActiveModel active(db);
  using dlist::ModelTree;

  // ---- palette files ----
  const long walls = db.kind_folder(ModelTree::kPalettes, 1);
  const long one = palette<1>(walls, "Brick wall", wall_palette(0.3), surfaces({"Brick", "Render"}));
  const long outer = folder<PALETTES, DBPALETTENODETYPE>(walls, "Outer");
  palette<1>(outer, "Thin", wall_palette(0.1));
  const long inner = folder<PALETTES, DBPALETTENODETYPE>(outer, "Inner");
  palette<1>(inner, "Thick", wall_palette(0.5), surfaces({"Stone"}));
  DBTEXTPALETTE text;
  text.set_font("Sans");
  text.height = 2.5;
  palette<9>(db.kind_folder(ModelTree::kPalettes, 9), "Label", text);
  DBLINEPALETTE line;
  line.width = 0.35;
  palette<11>(db.kind_folder(ModelTree::kPalettes, 11), "Hairline", line);
  palette<13>(db.kind_folder(ModelTree::kPalettes, 13), "Mark", DBHOTSPALETTE());
  DBDOORPALETTE door;
  door.origname.set("Door 90");
  door.common[0] = 0.9;
  door.params.set(0, 1.0);
  door.params.set(1, 2.1);
  palette<2>(db.kind_folder(ModelTree::kPalettes, 2), "Door", door);

  const Bytes wall_one = palette_file(one, "one wall palette");
  const Bytes nested = palette_file(outer, "");
  const Bytes whole = palette_file(0, "the whole tree");
  const Bytes wall_res = palette_file(one, "", 1);
  corpus.put("palette_import", "wall_one.pal", wall_one);
  corpus.put("palette_import", "nested_folders.pal", nested);
  corpus.put("palette_import", "whole_tree.pal", whole);
  corpus.put("palette_import", "with_appendix.pal", wall_res);

  Bytes cut = whole;
  cut.resize(first_block(whole, dlist::BLOCK_NODE) + 30);  // inside a node block
  corpus.put("palette_import", "damaged_cut_short.pal", cut);
  Bytes short_surface = wall_one;
  dlist::store_le32(short_surface.data() + first_block(wall_one, dlist::BLOCK_SURFREF) + 4, 108);
  corpus.put("palette_import", "damaged_surface_size.pal", short_surface);
  Bytes other_kind = wall_one;
  dlist::store_le32(other_kind.data() + blocks(wall_one).front(), static_cast<uint32_t>(-1));
  corpus.put("palette_import", "damaged_prototype_code.pal", other_kind);
  Bytes text_node = wall_one;  // the wall palette's node made a text node
  dlist::store_le16(text_node.data() + first_block(wall_one, dlist::BLOCK_NODE) + 16 + 2, 9);
  corpus.put("palette_import", "damaged_palette_kind.pal", text_node);

  // Crafted names in the node of the wall palette, which the readers refuse as they
  // refuse them typed: an escape sequence with a newline, a "/", no terminator.
  auto renamed = [](const Bytes& file, const std::string& name) {
    Bytes b = file;
    unsigned char* field = b.data() + first_block(file, dlist::BLOCK_NODE) + 16 + 4;
    std::fill(field, field + 32, 0);
    std::copy(name.begin(), name.end(), field);
    return b;
  };
  const Bytes escape_name = renamed(wall_one, "W\x1b[2J\nX");
  const Bytes slash_name = renamed(wall_one, "in/out");
  corpus.put("palette_import", "damaged_name_escape.pal", escape_name);
  corpus.put("palette_import", "damaged_name_slash.pal", slash_name);

  // ---- prototype files ----
  auto kind_folder = [&](int k) { return db.kind_folder(ModelTree::kPrototypes, k); };
  DBWALLTYPE wall;
  wall.end = COORD2D(4.0, 0.0);
  wall.height = 2.7;
  wall.palette = wall_palette(0.25);
  const long wall_node = prototype<1>(kind_folder(1), "Wall 4m", wall, true);
  const long wall_folder = folder<PROTOTYPES, DBPROTOTYPENODE>(kind_folder(1), "Partitions");
  prototype<1>(folder<PROTOTYPES, DBPROTOTYPENODE>(wall_folder, "Light"), "Wall", wall, false);
  DBTEXTTYPE label;
  label.set_text("abc");
  label.palette = text;
  const long text_node_id = prototype<9>(kind_folder(9), "Label", label, false);
  const long slabs = folder<PROTOTYPES, DBPROTOTYPENODE>(kind_folder(6), "Slabs");
  DBCEILTYPE ceiling;
  ceiling.outline.set_sizes(1, 4);
  for (int i = 0; i < 4; ++i) ceiling.outline.points()[i] = DBPOLYPOINT{i % 2 * 5.0, i / 2 * 4.0, i};
  prototype<6>(slabs, "Slab", ceiling, false);
  DBPARCTYPE parcel;
  parcel.outline.set_size(3);
  parcel.outline.points()[1] = DBPOLYPOINT{10.0, 0.0, 0};
  parcel.outline.points()[2] = DBPOLYPOINT{0.0, 8.0, 0};
  const long parcel_node = prototype<8>(kind_folder(8), "Plot", parcel, false);
  DBSTAITYPE stair;
  stair.hotspots.set_count(2);
  stair.hotspots[1] = COORD3D(1.0, 3.0, 2.8);
  stair.set_pos(COORD3D(2.0, 2.0, 0.0));
  const long stair_node = prototype<5>(kind_folder(5), "Stair", stair, false);
  DBSYMBTYPE symbol;
  symbol.recid_tail = 7;
  symbol.hotspots.set_count(1);
  const long symbol_node = prototype<4>(kind_folder(4), "Chair", symbol, false);

  const Bytes wall_prt = prototype_file(wall_node, "one wall");
  const Bytes walls_prt = prototype_file(kind_folder(1), "");
  const Bytes text_prt = prototype_file(text_node_id, "");
  const Bytes outline_prt = prototype_file(slabs, "");
  const Bytes parcel_prt = prototype_file(parcel_node, "");
  const Bytes stair_prt = prototype_file(stair_node, "");
  const Bytes symbol_prt = prototype_file(symbol_node, "");
  const Bytes wall_prt_res = prototype_file(wall_node, "", 1);
  corpus.put("prototype_import", "wall_references.prt", wall_prt);
  corpus.put("prototype_import", "wall_kind_folder.prt", walls_prt);
  corpus.put("prototype_import", "text.prt", text_prt);
  corpus.put("prototype_import", "ceiling_outline.prt", outline_prt);
  corpus.put("prototype_import", "parcel_outline.prt", parcel_prt);
  corpus.put("prototype_import", "stair_hotspots.prt", stair_prt);
  corpus.put("prototype_import", "symbol.prt", symbol_prt);
  corpus.put("prototype_import", "with_appendix.prt", wall_prt_res);

  Bytes bad_text = text_prt;
  const std::size_t text_block = first_block(text_prt, dlist::BLOCK_TEXT);
  bad_text[text_block + 16 + 3] = 'x';  // "abc" loses its zero
  corpus.put("prototype_import", "damaged_text_zero.prt", bad_text);
  Bytes cut_record = outline_prt;
  cut_record.resize(first_block(outline_prt, dlist::BLOCK_RECORD) + 16 + 40);
  corpus.put("prototype_import", "damaged_cut_record.prt", cut_record);
  const Bytes long_name = renamed(wall_prt, std::string(32, 'x'));
  corpus.put("prototype_import", "damaged_name_unterminated.prt", long_name);

  // ---- the decoder: both kinds, sound and damaged ----
  corpus.put("dump", "wall_one.pal", wall_one);
  corpus.put("dump", "whole_tree.pal", whole);
  corpus.put("dump", "with_appendix.pal", wall_res);
  corpus.put("dump", "damaged_surface_size.pal", short_surface);
  corpus.put("dump", "damaged_palette_kind.pal", text_node);
  corpus.put("dump", "wall_references.prt", wall_prt);
  corpus.put("dump", "ceiling_outline.prt", outline_prt);
  corpus.put("dump", "stair_hotspots.prt", stair_prt);
  corpus.put("dump", "with_appendix.prt", wall_prt_res);
  corpus.put("dump", "damaged_text_zero.prt", bad_text);
  corpus.put("dump", "damaged_name_escape.pal", escape_name);
  corpus.put("dump", "damaged_name_slash.pal", slash_name);
  corpus.put("dump", "damaged_name_unterminated.prt", long_name);
  list_seeds(corpus);
  surface_seeds(corpus);
  attribute_seeds(corpus);
  return 0;
}
