// Filling a demonstration tree through the system's exported calls and reading
// trees back for comparison through the host readers.
#include "cli/demo_project.h"

#include <cctype>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <vector>

#include "cli/kind_word.h"
#include "cli/node_path.h"
#include "cli/prototype_attributes.h"
#include "cli/tree_listing.h"
#include "foundation/fixed_text.h"
#include "foundation/records.h"
#include "host/model/attribute_store.h"
#include "host/resources.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "palettes/host_calls.h"
#include "palettes/palette_records.h"
#include "palettes/prototype_records.h"
#include "stream/streamers.h"

namespace dlist::cli {
namespace {

using Bytes = std::vector<unsigned char>;

template <class T>
void append_image(Bytes& out, const T& record) {
  const std::size_t at = out.size();
  out.resize(at + sizeof(T));
  to_plain_image(record, out.data() + at);
}

void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

DBSURFHATCH surface(const char* name, double value) {
  DBSURFHATCH h;
  set_field(h.name, sizeof h.name, name);
  h.hatch1[0] = value;
  h.hatch1[1] = value / 2;
  h.hatch2[4] = -value;
  h.type = 3;
  return h;
}

// The surface entries of a leaf of kind; none for the kinds without a surface set.
DBSURFREFTYPE demo_surfaces(int kind, int variant) {
  DBSURFREFTYPE s;
  if (kind_facts(kind)->has_surfaces) {
    s.push(surface(variant == 0 ? "Brick" : "Plaster", kind + 0.25));
    s.push(surface("Glass", kind + 0.5));
  }
  return s;
}

// An element of kind K with recognisable settings: its layer and pen say its kind
// and variant, and its owned parts hold points and a text.
template <int K>
typename Kind<K>::element demo_element(int variant) {
  typename Kind<K>::element r;
  auto& p = r.palette;
  p.layer = static_cast<uint8_t>(10 * (variant + 1) + K);
  if constexpr (requires { p.contour_pen; }) {
    p.contour_pen = static_cast<uint8_t>(K);
    p.fill = static_cast<int16_t>(100 + K);
  }
  if constexpr (requires { p.pen; }) p.pen = static_cast<uint8_t>(K);
  if constexpr (K == 9) {
    p.set_font("Demo Sans");
    p.height = 2.5;
    r.set_text("abc");
  }
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
  return r;
}

// Cre<Kind>Palette of the demo element of kind K: the new palette's identifier, 0
// when it was not stored (also when an equal palette existed).
template <int K>
long store_palette(int variant) {
  typename Kind<K>::element rec = demo_element<K>(variant);
  DBSURFREFTYPE surf = demo_surfaces(K, variant);
  long id = 0;
  switch (K) {
#define DLIST_CREATE_WITH_SURFACES(N, Name, E)                                 \
  case N:                                                                      \
    if constexpr (N == K) id = Cre##Name##Palette(nullptr, &rec, &surf);       \
    break;
#define DLIST_CREATE_WITHOUT_SURFACES(N, Name, E)                              \
  case N:                                                                      \
    if constexpr (N == K) id = Cre##Name##Palette(nullptr, &rec);              \
    break;
    DLIST_KINDS_WITH_SURFACES(DLIST_CREATE_WITH_SURFACES)
    DLIST_KINDS_WITHOUT_SURFACES(DLIST_CREATE_WITHOUT_SURFACES)
#undef DLIST_CREATE_WITH_SURFACES
#undef DLIST_CREATE_WITHOUT_SURFACES
    default:
      break;
  }
  return id > 0 ? id : 0;
}

// The demo element of kind K with its surface set and chains, as a new record.
template <int K>
long store_prototype(int variant) {
  using E = typename Kind<K>::element;
  E rec = demo_element<K>(variant);
  DBSURFREFTYPE surf = demo_surfaces(K, variant);
  DBMATREFCHAIN mat;
  DBMATREF m;
  m.code.put(variant == 0 ? "A.Masonry.1" : "B.Finishes.2");
  m.quantity = 1.5 * K;
  m.set_parameter("AREA");
  mat.push(m);
  DBATTREFCHAIN attr;
  DBATTREFTYPE a;
  a.set_name("fire");
  a.set_abbrev("FR");
  a.value.put(variant == 0 ? "R60" : "R90");
  attr.push(a);
  return CrePrototype(reinterpret_cast<unsigned long>(&rec), K,
                      Kind<K>::facts.has_surfaces ? &surf : nullptr, &mat, &attr);
}

// Creates a folder or leaf with a description in the tree; its identifier, or 0.
template <class Store, class Node>
long create(long parent, const std::string& name, const std::string& description, long record) {
  Node node;
  node.set_name(name.c_str());
  node.description.put(description.c_str());
  Store store;
  if (record != 0) return store.cre_node(parent, node, record);
  int existed = 0;
  const long id = store.cre_folder(parent, node, &existed);
  return existed ? 0 : id;
}

std::string capitalised(const char* word) {
  std::string s = word;
  if (!s.empty()) s[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  return s;
}

// The bytes that a leaf carries.
template <int K>
bool leaf_content(ModelTree tree, long node, Bytes* out) {
  using E = typename Kind<K>::element;
  E rec;
  DBSURFREFTYPE surf;
  if (tree == ModelTree::kPalettes) {
    const long palid = PALETTES().get_id_palette(node);
    if (palid <= 0 || !HostCalls<K>::get_palette(palid, &rec, &surf)) return false;
    append_image(*out, rec.palette);
  } else {
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    const long recid = PROTOTYPES().get_id_prototype(node);
    if (recid <= 0 || HostCalls<K>::get_record(recid, &rec, &surf, &mat, &attr) <= 0) return false;
    append(*out, stream_out(rec));
    if constexpr (K == 9) {
      const char* text = rec.text() ? rec.text() : "";
      out->insert(out->end(), text, text + std::strlen(text) + 1);
    }
    for (unsigned i = 0; i < mat.size(); ++i) append(*out, stream_out(mat[i]));
    for (unsigned i = 0; i < attr.size(); ++i) append(*out, stream_out(attr[i]));
  }
  for (unsigned i = 0; i < surf.size(); ++i) append_image(*out, surf[i]);
  return true;
}

}  // namespace

int DemoCounts::total_leaves() const {
  int n = 0;
  for (const int c : leaves) n += c;
  return n;
}

std::optional<DemoCounts> fill_demo_tree(const StoreTree& tree, std::string* error) {
  DemoCounts counts;
  const bool palettes = tree.tree() == ModelTree::kPalettes;
  bool ok = true;
  for_each_kind([&](auto k) {
    constexpr int K = decltype(k)::kind;
    if (!ok) return;
    const std::string word = capitalised(kind_word(K));
    auto folder = [&](long parent, const std::string& name) {
      return palettes ? create<PALETTES, DBPALETTENODETYPE>(parent, name, "demo folder", 0)
                      : create<PROTOTYPES, DBPROTOTYPENODE>(parent, name, "demo folder", 0);
    };
    auto leaf = [&](long parent, int variant) -> long {
      const long record = palettes ? store_palette<K>(variant) : store_prototype<K>(variant);
      if (record <= 0) return 0;
      const std::string name = word + " " + std::to_string(variant + 1);
      const std::string description = "demo " + std::string(kind_word(K)) + " " +
                                      std::to_string(variant + 1);
      return palettes ? create<PALETTES, DBPALETTENODETYPE>(parent, name, description, record)
                      : create<PROTOTYPES, DBPROTOTYPENODE>(parent, name, description, record);
    };
    const long set = folder(tree.kind_folder(K), word + " set");
    const long detail = set > 0 ? folder(set, "Detail") : 0;
    if (set <= 0 || detail <= 0 || leaf(set, 0) <= 0 || leaf(detail, 1) <= 0) {
      *error = "cannot store the demo " + std::string(kind_word(K)) + " " + tree.leaf_word() + "s";
      ok = false;
      return;
    }
    counts.folders += 2;
    counts.leaves[K] += 2;
  });
  if (!ok) return std::nullopt;
  return counts;
}

std::optional<std::vector<NodePrint>> tree_prints(const StoreTree& tree, std::string* error) {
  std::optional<std::vector<ListedNode>> nodes = list_tree(tree, error);
  if (!nodes) return std::nullopt;
  std::vector<NodePrint> prints;
  for (const ListedNode& entry : *nodes) {
    const NodeInfo& n = entry.node;
    NodePrint print{path_of(tree, n.id), n.level, n.kind, n.description, {}};
    if (n.is_leaf()) {
      bool read = false;
      visit_kind(n.kind, [&](auto k) {
        read = leaf_content<decltype(k)::kind>(tree.tree(), n.id, &print.content);
      });
      if (!read) {
        *error = "cannot read the " + std::string(tree.leaf_word()) + " of " +
                 describe_node(tree, n.id);
        return std::nullopt;
      }
    }
    prints.push_back(std::move(print));
  }
  return prints;
}

std::string first_difference(const std::vector<NodePrint>& a, const std::vector<NodePrint>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const NodePrint& x = a[i];
    const NodePrint& y = b[i];
    if (x.path != y.path) return "node " + x.path + " stands where " + y.path + " is";
    if (x.level != y.level || x.kind != y.kind) return x.path + " differs in level or kind";
    if (x.description != y.description) return x.path + " differs in its description";
    if (x.content != y.content) return x.path + " carries different data";
  }
  if (a.size() != b.size())
    return std::to_string(a.size()) + " nodes against " + std::to_string(b.size());
  return {};
}

std::optional<AttributeDemoCounts> fill_demo_attributes(std::string* error) {
  AttributeDemoCounts counts;
  ATTRIBUTES store;
  auto failed = [&](const std::string& what) {
    *error = "cannot create " + what + " in the attribute library";
    return std::nullopt;
  };
  const long root = store.rew_node(0);
  if (root < 1) return failed("the root");
  auto group = [&](long parent, const std::string& name) {
    DBATTRIBUTENODETYPE n;
    n.set_name(name.c_str());
    const long id = store.cre_node(parent, &n);
    counts.groups += id > 0 ? 1 : 0;
    return id;
  };
  auto attribute = [&](long parent, const char* abbrev, const char* name, uint32_t kind,
                       uint32_t filter, const char* description, const char* unit, int precision) {
    DBATTRIBUTETYPE d;
    d.set_abbrev(abbrev);
    d.set_name(name);
    d.flags = kind | filter;
    d.set_description(description);
    d.set_unit(unit);
    d.precision = static_cast<int8_t>(precision);
    const long id = store.cre_attribute(parent, &d);
    counts.attributes += id > 0 ? 1 : 0;
    return id > 0 ? store.get_id_attribute(id, &d) : 0L;
  };
  auto reference = [&](long list, const char* name, const TEXTBUFFER& value, char flags) {
    const long id = ATTR_REF().cre(list, name, value, flags);
    counts.references += id > 0 ? 1 : 0;
    return id > 0;
  };
  const long doors = group(root, "Doors");
  const long fire = doors > 0 ? group(doors, "Fire") : 0;
  const long general = group(root, load_string(20423));
  if (doors < 1 || fire < 1 || general < 1) return failed("the groups");

  constexpr uint32_t kDoorsAndWindows = (1u << 1) | (1u << 2);
  const long width = attribute(doors, "DWIDTH", "Clear width", DBATTRIBUTETYPE::kFormula,
                               kDoorsAndWindows, "width of the opening", "m", 2);
  const long rating = attribute(fire, "FIRE", "Fire rating", DBATTRIBUTETYPE::kText,
                                kDoorsAndWindows, "resistance class", "", -1);
  const long sheet = attribute(general, "SHEET", "Data sheet", DBATTRIBUTETYPE::kFile,
                               0x3FFF, "the maker's sheet", "", -1);
  const long note = attribute(general, "NOTE", "Note", DBATTRIBUTETYPE::kText, 0x3FFF, "", "", -1);
  if (width < 1 || rating < 1 || sheet < 1 || note < 1) return failed("the attributes");

  const std::string content = "Door D-90\nfire rating EI 30\n";
  const std::vector<unsigned char> embedded = make_embedded_file(
      "door-sheet.txt",
      std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(content.data()), content.size()));
  TEXTBUFFER held;
  held.assign(embedded.data(), static_cast<uint32_t>(embedded.size()));
  const bool refs =
      reference(width, "Narrow", TEXTBUFFER("0.8"), 0) &&
      reference(width, "Wide", TEXTBUFFER("0.9+0.1"), 0) &&
      reference(rating, "EI30", TEXTBUFFER("EI 30"), 0) &&
      reference(rating, "EI60", TEXTBUFFER("EI 60"), 0) &&
      reference(rating, "Usual", TEXTBUFFER("EI30"), 2) &&  // indirect: names EI30
      reference(note, "Checked", TEXTBUFFER("checked on site"), 0);
  if (!refs) return failed("the references");
  if (ATTR_REF().filepred_import(sheet, "D-90", held) < 1) return failed("the held file");
  ++counts.references;
  return counts;
}

std::optional<std::vector<std::string>> attribute_prints(std::string* error) {
  std::vector<std::string> out;
  struct Pending {
    long id;
    std::string path;
  };
  std::vector<Pending> pending{{ATTRIBUTES().rew_node(0), ""}};
  while (!pending.empty()) {
    const Pending g = pending.back();
    pending.pop_back();
    ATTRIBUTES walk;
    if (walk.rew_node(g.id) < 1) {
      *error = "cannot read the attribute group " + g.path;
      return std::nullopt;
    }
    std::vector<Pending> groups;
    DBATTRIBUTENODETYPE node;
    for (long id; (id = walk.get_node(&node)) > 0;) {
      const std::string path = g.path + "/" + field_string(node.name, sizeof node.name);
      if (node.is_group()) {
        out.push_back(path);
        groups.push_back({id, path});
        continue;
      }
      DBATTRIBUTETYPE d;
      const long list = ATTRIBUTES().get_id_attribute(id, &d);
      if (list < 1) {
        *error = "cannot read the attribute " + path;
        return std::nullopt;
      }
      std::string line = path + " [" + field_string(d.abbrev, sizeof d.abbrev) + "] " +
                         std::to_string(d.flags) + " " + std::to_string(d.options) + " " +
                         std::to_string(d.precision) + " " +
                         field_string(d.description, sizeof d.description) + " " +
                         field_string(d.unit, sizeof d.unit);
      ATTR_REF refs;
      if (refs.rew(list, 0) > 0) {
        char name[17] = {};
        char flags = 0;
        TEXTBUFFER value;
        while (refs.get(name, &value, &flags) > 0) {
          line += " | " + field_string(name, sizeof name) + ":" + std::to_string(flags) + "=" +
                  std::string(value.data() ? value.data() : "", value.size());
        }
      }
      out.push_back(line);
    }
    // each group's contents after the group's own entries, in the library's order
    pending.insert(pending.end(), groups.rbegin(), groups.rend());
  }
  return out;
}

}  // namespace dlist::cli

namespace dlist::cli {

int link_demo_attribute_values(std::string* error) {
  auto first_leaf = [](int kind) {
    PROTOTYPES store;
    DBPROTOTYPENODE n;
    std::vector<long> pending{store.get_root(static_cast<short>(kind))};
    while (!pending.empty()) {
      const long folder = pending.back();
      pending.pop_back();
      std::vector<long> folders;
      store.rew_node(folder);
      for (long id; (id = store.get_node(&n)) > 0;) {
        if (n.is_leaf()) return id;
        folders.push_back(id);
      }
      pending.insert(pending.end(), folders.rbegin(), folders.rend());
    }
    return 0L;
  };
  const long door = first_leaf(2);
  const long window = first_leaf(3);
  if (door <= 0 || window <= 0) {
    *error = "no door or window prototype to link attribute values to";
    return 0;
  }
  LinkRequest rating;
  rating.ref = "EI60";
  LinkRequest width;
  width.value = "0.9";
  LinkRequest sheet;
  sheet.ref = "D-90";
  int linked = 0;
  for (const auto& [node, kind, abbrev, request] :
       {std::tuple{door, 2, "FIRE", rating}, std::tuple{door, 2, "DWIDTH", width},
        std::tuple{window, 3, "SHEET", sheet}, std::tuple{window, 3, "FIRE", rating}}) {
    const std::string refusal = link_prototype_attribute(node, kind, abbrev, request);
    if (!refusal.empty()) {
      *error = "cannot link " + std::string(abbrev) + ": " + refusal;
      return 0;
    }
    ++linked;
  }
  return linked;
}

}  // namespace dlist::cli
