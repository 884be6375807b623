// The per-kind calls of the model database: palettes and stored element records
// with their surface sets and chains, written once over the kind.
#include "host/model/kind_calls.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include "host/model/model_internal.h"
#include "stream/streamers.h"

namespace dlist::model_calls {
namespace {

using Bytes = std::vector<unsigned char>;
using model::model_id;

// The statements of one table of rows that belong to an owner, in order.
struct RowTable {
  const char* clear;
  const char* insert;
  const char* select;
  const char* remove_first;  // the first ?2 rows of owner ?1
};

constexpr RowTable kSurfaceRows = {"DELETE FROM surfaces WHERE owner = ?1",
                                   "INSERT INTO surfaces (owner, pos, image) VALUES (?1, ?2, ?3)",
                                   "SELECT image FROM surfaces WHERE owner = ?1 ORDER BY pos",
                                   "DELETE FROM surfaces WHERE owner = ?1 AND pos < ?2"};
constexpr RowTable kMatrefRows = {"DELETE FROM matrefs WHERE owner = ?1",
                                  "INSERT INTO matrefs (owner, pos, bytes) VALUES (?1, ?2, ?3)",
                                  "SELECT bytes FROM matrefs WHERE owner = ?1 ORDER BY pos",
                                  "DELETE FROM matrefs WHERE owner = ?1 AND pos < ?2"};
constexpr RowTable kAttrefRows = {"DELETE FROM attrefs WHERE owner = ?1",
                                  "INSERT INTO attrefs (owner, pos, bytes) VALUES (?1, ?2, ?3)",
                                  "SELECT bytes FROM attrefs WHERE owner = ?1 ORDER BY pos",
                                  "DELETE FROM attrefs WHERE owner = ?1 AND pos < ?2"};

// Replaces the rows of owner in a table by rows, in their order.
bool write_rows(ModelDatabase& db, const RowTable& table, int64_t owner,
                const std::vector<Bytes>& rows) {
  Statement clear(db.connection(), table.clear);
  if (!clear.bind(1, owner).run()) return false;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Statement insert(db.connection(), table.insert);
    insert.bind(1, owner).bind(2, static_cast<int64_t>(i)).bind(3, rows[i]);
    if (!insert.run()) return false;
  }
  return true;
}

// Stores the rows of a new owner in a call that adds rows, which learns how to take
// them away. (A new identifier owns no rows; the clearing keeps a damaged file's
// stray rows from joining the record or making the call fail.)
bool insert_rows(ModelDatabase& db, AddScope& call, const RowTable& table, int64_t owner,
                 const std::vector<Bytes>& rows) {
  if (db.may_own_rows(owner)) {
    Statement clear(db.connection(), table.clear);
    if (!clear.bind(1, owner).run()) return false;
  }
  std::size_t done = 0;
  for (; done < rows.size(); ++done) {
    Statement insert(db.connection(), table.insert);
    insert.bind(1, owner).bind(2, static_cast<int64_t>(done)).bind(3, rows[done]);
    if (!insert.run()) break;
  }
  if (done > 0) call.added(table.remove_first, owner, static_cast<int64_t>(done));
  return done == rows.size();
}

bool read_rows(ModelDatabase& db, const RowTable& table, int64_t owner, std::vector<Bytes>* rows) {
  Statement s(db.connection(), table.select);
  s.bind(1, owner);
  rows->clear();
  while (s.row()) {
    const auto bytes = s.blob(0);
    rows->emplace_back(bytes.begin(), bytes.end());
  }
  return s.ok();
}

// The rows of owner in the surface, material and attribute reference tables that
// `tables` picks (bit 0, 1 and 2), read by one statement into rows[0], [1] and [2].
// A table left out keeps its rows untouched.
bool read_owned_rows(ModelDatabase& db, unsigned tables, int64_t owner, std::vector<Bytes> (&rows)[3]) {
  static constexpr const RowTable* kTables[3] = {&kSurfaceRows, &kMatrefRows, &kAttrefRows};
  static const auto kSelects = [] {
    const char* const parts[3] = {"SELECT 0, pos, image FROM surfaces WHERE owner = ?1",
                                  "SELECT 1, pos, bytes FROM matrefs WHERE owner = ?1",
                                  "SELECT 2, pos, bytes FROM attrefs WHERE owner = ?1"};
    std::array<std::string, 8> selects;
    for (unsigned picked = 1; picked < 8; ++picked) {
      for (unsigned t = 0; t < 3; ++t) {
        if ((picked & (1u << t)) == 0) continue;
        if (!selects[picked].empty()) selects[picked] += " UNION ALL ";
        selects[picked] += parts[t];
      }
    }
    return selects;
  }();
  tables &= 7u;
  if (tables == 0) return true;
  bool in_order = true;
  {
    Statement s(db.connection(), kSelects[tables].c_str());
    s.bind(1, owner);
    for (unsigned t = 0; t < 3; ++t)
      if (tables & (1u << t)) rows[t].clear();
    int64_t last[3] = {-1, -1, -1};
    while (s.row()) {
      const int64_t t = s.integer(0);
      const int64_t pos = s.integer(1);
      if (t < 0 || t > 2 || (tables & (1u << t)) == 0) return false;
      // The primary key gives each table's rows by position; should a table's rows
      // come otherwise, they are read again with their order asked for.
      if (pos <= last[t]) in_order = false;
      last[t] = pos;
      const auto bytes = s.blob(2);
      rows[t].emplace_back(bytes.begin(), bytes.end());
    }
    if (!s.ok()) return false;
  }
  if (in_order) return true;
  for (unsigned t = 0; t < 3; ++t)
    if ((tables & (1u << t)) && !read_rows(db, *kTables[t], owner, &rows[t])) return false;
  return true;
}

// ---- surface sets ----

std::vector<Bytes> surface_images(const DBSURFREFTYPE* surf) {
  std::vector<Bytes> rows;
  if (!surf) return rows;
  for (unsigned i = 0; i < surf->size(); ++i) {
    Bytes image(DBSURFHATCH::kImageSize);
    to_plain_image((*surf)[i], image.data());
    rows.push_back(std::move(image));
  }
  return rows;
}

// A surface set from its rows; false for a row that is not one entry's image.
bool surfaces_from_rows(const std::vector<Bytes>& rows, DBSURFREFTYPE* out) {
  for (const Bytes& row : rows) {
    if (row.size() != DBSURFHATCH::kImageSize) return false;
    DBSURFHATCH entry;
    from_plain_image(entry, row.data());
    const unsigned before = out->size();
    out->push(entry);
    if (out->size() != before + 1) return false;
  }
  return true;
}

// ---- reference chains ----

// The streamed bytes of every record of a chain. An output stream only reads the
// record it is given.
template <class Chain>
std::vector<Bytes> chain_rows(const Chain* chain) {
  std::vector<Bytes> rows;
  if (!chain) return rows;
  for (unsigned i = 0; i < chain->size(); ++i)
    rows.push_back(stream_out(const_cast<Chain*>(chain)->operator[](i)));
  return rows;
}

// A chain from its rows; throws StreamError for a row that is not one record.
template <class Chain, class Item>
bool chain_from_rows(const std::vector<Bytes>& rows, Chain* out) {
  for (const Bytes& row : rows) {
    Item item;
    stream_in(item, std::span<const unsigned char>(row));
    const unsigned before = out->size();
    out->push(item);
    if (out->size() != before + 1) return false;
  }
  return true;
}

// ---- palettes ----

// FNV-1a over a palette image and its surface rows: the index key of equality.
int64_t palette_digest(const Bytes& image, const std::vector<Bytes>& surfaces) {
  uint64_t h = 14695981039346656037ull;
  auto mix = [&h](const Bytes& bytes) {
    for (unsigned char b : bytes) {
      h ^= b;
      h *= 1099511628211ull;
    }
  };
  mix(image);
  for (const Bytes& s : surfaces) mix(s);
  return static_cast<int64_t>(h);
}

template <class P>
Bytes palette_image(const P& palette) {
  Bytes image(P::kImageSize);
  to_plain_image(palette, image.data());
  return image;
}

// The stored palette of kind other than `except` whose image and surface rows equal
// these; 0 when none is, -1 when the lookup failed.
int64_t find_equal(ModelDatabase& db, int kind, const Bytes& image,
                   const std::vector<Bytes>& surfaces, int64_t except) {
  std::vector<int64_t> candidates;
  {
    Statement s(db.connection(),
                "SELECT id, image FROM palettes WHERE kind = ?1 AND digest = ?2 AND id <> ?3 "
                "ORDER BY id");
    s.bind(1, kind).bind(2, palette_digest(image, surfaces)).bind(3, except);
    while (s.row()) {
      const auto stored = s.blob(1);
      if (stored.size() == image.size() && std::equal(stored.begin(), stored.end(), image.begin()))
        candidates.push_back(s.integer(0));
    }
    if (!s.ok()) return -1;
  }
  for (int64_t id : candidates) {
    std::vector<Bytes> stored;
    if (!read_rows(db, kSurfaceRows, id, &stored)) return -1;
    if (stored == surfaces) return id;
  }
  return 0;
}

// The kind and image of a stored palette; false when there is none.
bool load_palette(ModelDatabase& db, int64_t id, int* kind, Bytes* image) {
  Statement s(db.connection(), "SELECT kind, image FROM palettes WHERE id = ?1");
  if (!s.bind(1, id).row()) return false;
  *kind = static_cast<int>(s.integer(0));
  const auto bytes = s.blob(1);
  image->assign(bytes.begin(), bytes.end());
  return s.ok();
}

// ---- element records ----

// The stored form of an element record: its streamed bytes, and a text's string.
struct ElementImage {
  Bytes image;
  bool has_text = false;
  Bytes text;
};

template <int K>
ElementImage element_image(ElementOf<K>& rec) {
  ElementImage out;
  out.image = stream_out(rec);
  if constexpr (K == 9) {
    if (rec.has_text()) {
      out.has_text = true;
      const char* t = rec.text();
      out.text.assign(t, t + std::strlen(t));
    }
  }
  return out;
}

bool write_element_row(ModelDatabase& db, const char* sql, int64_t id, int kind,
                       const ElementImage& e) {
  Statement s(db.connection(), sql);
  s.bind(1, id).bind(2, kind).bind(3, e.image);
  if (e.has_text) {
    s.bind(4, e.text);
  } else {
    s.bind_null(4);
  }
  return s.run();
}

}  // namespace

// ---- palette calls ----

template <int K>
long create_palette(const PaletteOf<K>& palette, const DBSURFREFTYPE* surf, int* existed) {
  if (existed) *existed = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  try {
    const Bytes image = palette_image(palette);
    const std::vector<Bytes> surfaces =
        surface_images(Kind<K>::facts.has_surfaces ? surf : nullptr);
    AddScope call(db->connection());
    if (!call) return 0;
    const int64_t equal = find_equal(*db, K, image, surfaces, 0);
    if (equal < 0) return 0;
    if (equal > 0) {
      if (existed) *existed = 1;
      return static_cast<long>(equal);
    }
    const int64_t id = model::new_id(*db, call, ModelObject::kPalette);
    if (id == 0) return 0;
    Statement s(db->connection(),
                "INSERT INTO palettes (id, kind, digest, image) VALUES (?1, ?2, ?3, ?4)");
    s.bind(1, id).bind(2, K).bind(3, palette_digest(image, surfaces)).bind(4, image);
    if (!s.run()) return 0;
    call.added("DELETE FROM palettes WHERE id = ?1", id);
    if (!insert_rows(*db, call, kSurfaceRows, id, surfaces) || !call.commit()) return 0;
    db->hold_record(ModelTree::kPalettes, id, K);
    return static_cast<long>(id);
  } catch (const std::exception&) {
    return 0;
  }
}

template <int K>
long find_palette(const PaletteOf<K>& palette, const DBSURFREFTYPE* surf) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  try {
    const int64_t equal =
        find_equal(*db, K, palette_image(palette),
                   surface_images(Kind<K>::facts.has_surfaces ? surf : nullptr), 0);
    return equal > 0 ? static_cast<long>(equal) : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

template <int K>
int read_palette(long palid, ElementOf<K>* rec, DBSURFREFTYPE* surf) {
  ModelDatabase* db = begin_model_call();
  if (!db || !rec) return 0;
  try {
    const int64_t id = model_id(palid);
    int kind = 0;
    Bytes image;
    if (!load_palette(*db, id, &kind, &image) || kind != K) return 0;
    if (image.size() != PaletteOf<K>::kImageSize) return 0;
    PaletteOf<K> palette;
    from_plain_image(palette, image.data());
    DBSURFREFTYPE surfaces;
    if (surf && Kind<K>::facts.has_surfaces) {
      std::vector<Bytes> rows;
      if (!read_rows(*db, kSurfaceRows, id, &rows) || !surfaces_from_rows(rows, &surfaces))
        return 0;
      *surf = std::move(surfaces);
    }
    rec->palette = palette;
    return 1;
  } catch (const std::exception&) {
    return 0;
  }
}

template <int K>
long change_palette(long palid, ElementOf<K>* rec, const DBSURFREFTYPE* surf) {
  ModelDatabase* db = begin_model_call();
  if (!db || !rec) return 0;
  try {
    const int64_t id = model_id(palid);
    if (model::record_kind(*db, ModelTree::kPalettes, id) != K) return 0;
    const Bytes image = palette_image(rec->palette);
    const std::vector<Bytes> surfaces =
        surface_images(Kind<K>::facts.has_surfaces ? surf : nullptr);
    CallScope call(db->connection());
    if (!call) return 0;
    const int64_t equal = find_equal(*db, K, image, surfaces, id);
    if (equal < 0) return 0;
    if (equal > 0) return static_cast<long>(equal);
    Statement s(db->connection(), "UPDATE palettes SET digest = ?2, image = ?3 WHERE id = ?1");
    s.bind(1, id).bind(2, palette_digest(image, surfaces)).bind(3, image);
    if (!s.run() || !write_rows(*db, kSurfaceRows, id, surfaces) || !call.commit()) return 0;
    return static_cast<long>(id);
  } catch (const std::exception&) {
    return 0;
  }
}

// ---- element record calls ----

template <int K>
long create_element(ElementOf<K>* rec, const DBSURFREFTYPE* surf, const DBMATREFCHAIN* mat,
                    const DBATTREFCHAIN* attr) {
  ModelDatabase* db = begin_model_call();
  if (!db || !rec) return 0;
  try {
    const ElementImage e = element_image<K>(*rec);
    const std::vector<Bytes> surfaces =
        surface_images(Kind<K>::facts.has_surfaces ? surf : nullptr);
    const std::vector<Bytes> matrefs = chain_rows(mat);
    const std::vector<Bytes> attrefs = chain_rows(attr);
    AddScope call(db->connection());
    if (!call) return 0;
    const int64_t id = model::new_id(*db, call, ModelObject::kElement);
    if (id == 0) return 0;
    if (!write_element_row(*db,
                           "INSERT INTO elements (id, kind, image, text) VALUES (?1, ?2, ?3, ?4)",
                           id, K, e))
      return 0;
    call.added("DELETE FROM elements WHERE id = ?1", id);
    if (!insert_rows(*db, call, kSurfaceRows, id, surfaces) ||
        !insert_rows(*db, call, kMatrefRows, id, matrefs) ||
        !insert_rows(*db, call, kAttrefRows, id, attrefs) || !call.commit())
      return 0;
    db->hold_record(ModelTree::kPrototypes, id, K);
    return static_cast<long>(id);
  } catch (const std::exception&) {
    return 0;
  }
}

template <int K>
int change_element(long recid, ElementOf<K>* rec, const DBSURFREFTYPE* surf,
                   const DBMATREFCHAIN* mat, const DBATTREFCHAIN* attr) {
  ModelDatabase* db = begin_model_call();
  if (!db || !rec) return 0;
  try {
    const int64_t id = model_id(recid);
    if (model::record_kind(*db, ModelTree::kPrototypes, id) != K) return 0;
    const ElementImage e = element_image<K>(*rec);
    CallScope call(db->connection());
    if (!call) return 0;
    if (!write_element_row(
            *db, "UPDATE elements SET image = ?3, text = ?4 WHERE id = ?1 AND kind = ?2", id, K, e))
      return 0;
    if (surf && Kind<K>::facts.has_surfaces &&
        !write_rows(*db, kSurfaceRows, id, surface_images(surf)))
      return 0;
    if (mat && !write_rows(*db, kMatrefRows, id, chain_rows(mat))) return 0;
    if (attr && !write_rows(*db, kAttrefRows, id, chain_rows(attr))) return 0;
    return call.commit() ? 1 : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

template <int K>
long read_element(long recid, ElementOf<K>* rec, bool with_text, DBSURFREFTYPE* surf,
                  DBMATREFCHAIN* mat, DBATTREFCHAIN* attr) {
  ModelDatabase* db = begin_model_call();
  if (!db || !rec) return 0;
  try {
    const int64_t id = model_id(recid);
    ElementOf<K> local;
    {
      Statement s(db->connection(), "SELECT kind, image, text FROM elements WHERE id = ?1");
      if (!s.bind(1, id).row() || s.integer(0) != K) return 0;
      stream_in(local, s.blob(1));
      if constexpr (K == 9) {
        if (with_text && !s.is_null(2)) {
          const auto text = s.blob(2);
          const std::string copy(text.begin(), text.end());
          if (!local.set_text(copy.c_str())) return 0;
        }
      }
    }
    DBSURFREFTYPE surfaces;
    DBMATREFCHAIN matrefs;
    DBATTREFCHAIN attrefs;
    const bool with_surfaces = surf && Kind<K>::facts.has_surfaces;
    std::vector<Bytes> rows[3];
    if (!read_owned_rows(*db, (with_surfaces ? 1u : 0u) | (mat ? 2u : 0u) | (attr ? 4u : 0u), id,
                         rows))
      return 0;
    if (with_surfaces && !surfaces_from_rows(rows[0], &surfaces)) return 0;
    if (mat && !chain_from_rows<DBMATREFCHAIN, DBMATREF>(rows[1], &matrefs)) return 0;
    if (attr && !chain_from_rows<DBATTREFCHAIN, DBATTREFTYPE>(rows[2], &attrefs)) return 0;
    // Everything is read: hand it over (moves do not fail).
    *rec = std::move(local);
    if (surf && Kind<K>::facts.has_surfaces) *surf = std::move(surfaces);
    if (mat) *mat = std::move(matrefs);
    if (attr) *attr = std::move(attrefs);
    return static_cast<long>(id);
  } catch (const std::exception&) {
    return 0;
  }
}

// One instantiation of every call per kind.
#define DLIST_INSTANTIATE(K)                                                                      \
  template long create_palette<K>(const PaletteOf<K>&, const DBSURFREFTYPE*, int*);               \
  template long find_palette<K>(const PaletteOf<K>&, const DBSURFREFTYPE*);                       \
  template int read_palette<K>(long, ElementOf<K>*, DBSURFREFTYPE*);                              \
  template long change_palette<K>(long, ElementOf<K>*, const DBSURFREFTYPE*);                     \
  template long create_element<K>(ElementOf<K>*, const DBSURFREFTYPE*, const DBMATREFCHAIN*,      \
                                  const DBATTREFCHAIN*);                                          \
  template int change_element<K>(long, ElementOf<K>*, const DBSURFREFTYPE*, const DBMATREFCHAIN*, \
                                 const DBATTREFCHAIN*);                                           \
  template long read_element<K>(long, ElementOf<K>*, bool, DBSURFREFTYPE*, DBMATREFCHAIN*,        \
                                DBATTREFCHAIN*);
DLIST_INSTANTIATE(1)
DLIST_INSTANTIATE(2)
DLIST_INSTANTIATE(3)
DLIST_INSTANTIATE(4)
DLIST_INSTANTIATE(5)
DLIST_INSTANTIATE(6)
DLIST_INSTANTIATE(7)
DLIST_INSTANTIATE(8)
DLIST_INSTANTIATE(9)
DLIST_INSTANTIATE(10)
DLIST_INSTANTIATE(11)
DLIST_INSTANTIATE(12)
DLIST_INSTANTIATE(13)
#undef DLIST_INSTANTIATE

}  // namespace dlist::model_calls

// ---- the suite's names ----------------------------------------------------------------

namespace {

// The kind code of an element record type.
template <class E, int K = dlist::kFirstKind>
constexpr int kind_of() {
  if constexpr (K > dlist::kLastKind) {
    return 0;
  } else if constexpr (std::is_same_v<typename dlist::Kind<K>::element, E>) {
    return K;
  } else {
    return kind_of<E, K + 1>();
  }
}

}  // namespace

namespace mc = dlist::model_calls;

#define DLIST_DEFINE_SURFACE_PALETTE_CALLS(lk, Ck, E, P)                                \
  long cre_##lk##palette(const P& palette, DBSURFREFTYPE* surf, int* existed) {         \
    return mc::create_palette<kind_of<E>()>(palette, surf, existed);                    \
  }                                                                                     \
  long get_##lk##palette(const P& palette, DBSURFREFTYPE* surf) {                       \
    return mc::find_palette<kind_of<E>()>(palette, surf);                               \
  }                                                                                     \
  long Mod##Ck##Prototype(long palid, E* rec, DBSURFREFTYPE* surf) {                    \
    return mc::change_palette<kind_of<E>()>(palid, rec, surf);                          \
  }                                                                                     \
  int mod_##lk##_prototype(long recid, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, \
                           DBATTREFCHAIN* attr) {                                       \
    return mc::change_element<kind_of<E>()>(recid, rec, surf, mat, attr);               \
  }
#define DLIST_DEFINE_PLAIN_PALETTE_CALLS(lk, Ck, E, P)                                    \
  long cre_##lk##palette(const P& palette, int* existed) {                                \
    return mc::create_palette<kind_of<E>()>(palette, nullptr, existed);                   \
  }                                                                                       \
  long get_##lk##palette(const P& palette) {                                              \
    return mc::find_palette<kind_of<E>()>(palette, nullptr);                              \
  }                                                                                       \
  long Mod##Ck##Prototype(long palid, E* rec) {                                           \
    return mc::change_palette<kind_of<E>()>(palid, rec, nullptr);                         \
  }                                                                                       \
  int mod_##lk##_prototype(long recid, E* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr) { \
    return mc::change_element<kind_of<E>()>(recid, rec, nullptr, mat, attr);              \
  }                                                                                       \
  long cre_##lk(E* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long, long) {            \
    return mc::create_element<kind_of<E>()>(rec, nullptr, mat, attr);                     \
  }                                                                                       \
  int get_##lk##pal(long palid, E* rec) {                                                 \
    return mc::read_palette<kind_of<E>()>(palid, rec, nullptr);                           \
  }
DLIST_SURFACE_KINDS(DLIST_DEFINE_SURFACE_PALETTE_CALLS)
DLIST_PLAIN_KINDS(DLIST_DEFINE_PLAIN_PALETTE_CALLS)
#undef DLIST_DEFINE_SURFACE_PALETTE_CALLS
#undef DLIST_DEFINE_PLAIN_PALETTE_CALLS

// The calls whose argument lists differ within the groups.
#define DLIST_DEFINE_SURFACE_CREATE(lk, E)                                                  \
  long cre_##lk(E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr, long, \
                long) {                                                                     \
    return mc::create_element<kind_of<E>()>(rec, surf, mat, attr);                          \
  }
DLIST_DEFINE_SURFACE_CREATE(wall, DBWALLTYPE)
DLIST_DEFINE_SURFACE_CREATE(symb, DBSYMBTYPE)
DLIST_DEFINE_SURFACE_CREATE(stai, DBSTAITYPE)
DLIST_DEFINE_SURFACE_CREATE(ceil, DBCEILTYPE)
DLIST_DEFINE_SURFACE_CREATE(roof, DBROOFTYPE)
DLIST_DEFINE_SURFACE_CREATE(parc, DBPARCTYPE)
#undef DLIST_DEFINE_SURFACE_CREATE

long cre_door(DBDOORTYPE* rec, long, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr,
              long) {
  return mc::create_element<2>(rec, surf, mat, attr);
}
long cre_wind(DBWINDTYPE* rec, long, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr,
              long) {
  return mc::create_element<3>(rec, surf, mat, attr);
}

int get_wallpal(long palid, DBWALLTYPE* rec, DBSURFREFTYPE* surf) {
  return mc::read_palette<1>(palid, rec, surf);
}
int get_doorpal(long palid, DBDOORTYPE* rec, DBSURFREFTYPE* surf, int) {
  return mc::read_palette<2>(palid, rec, surf);
}
int get_windpal(long palid, DBWINDTYPE* rec, DBSURFREFTYPE* surf, int) {
  return mc::read_palette<3>(palid, rec, surf);
}
int get_symbpal(long palid, DBSYMBTYPE* rec, DBSURFREFTYPE* surf, int) {
  return mc::read_palette<4>(palid, rec, surf);
}
int get_staipal(long palid, DBSTAITYPE* rec, DBSURFREFTYPE* surf, int) {
  return mc::read_palette<5>(palid, rec, surf);
}
int get_ceilpal(long palid, DBCEILTYPE* rec, DBSURFREFTYPE* surf) {
  return mc::read_palette<6>(palid, rec, surf);
}
int get_roofpal(long palid, DBROOFTYPE* rec, DBSURFREFTYPE* surf) {
  return mc::read_palette<7>(palid, rec, surf);
}
int get_parcpal(long palid, DBPARCTYPE* rec, DBSURFREFTYPE* surf) {
  return mc::read_palette<8>(palid, rec, surf);
}

#define DLIST_DEFINE_READER(lk, E)                                              \
  long get_id_##lk(long recid, E* rec, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, \
                   DBATTREFCHAIN* attr) {                                       \
    return mc::read_element<kind_of<E>()>(recid, rec, false, surf, mat, attr);  \
  }
DLIST_DEFINE_READER(wall, DBWALLTYPE)
DLIST_DEFINE_READER(door, DBDOORTYPE)
DLIST_DEFINE_READER(wind, DBWINDTYPE)
DLIST_DEFINE_READER(symb, DBSYMBTYPE)
DLIST_DEFINE_READER(stai, DBSTAITYPE)
#undef DLIST_DEFINE_READER

#define DLIST_DEFINE_FLAGGED_READER(lk, E)                                            \
  long get_id_##lk(long recid, E* rec, bool, DBSURFREFTYPE* surf, DBMATREFCHAIN* mat, \
                   DBATTREFCHAIN* attr) {                                             \
    return mc::read_element<kind_of<E>()>(recid, rec, false, surf, mat, attr);        \
  }
DLIST_DEFINE_FLAGGED_READER(ceil, DBCEILTYPE)
DLIST_DEFINE_FLAGGED_READER(roof, DBROOFTYPE)
DLIST_DEFINE_FLAGGED_READER(parc, DBPARCTYPE)
#undef DLIST_DEFINE_FLAGGED_READER

long get_id_text(long recid, DBTEXTTYPE* rec, bool with_text, DBMATREFCHAIN* mat,
                 DBATTREFCHAIN* attr) {
  return mc::read_element<9>(recid, rec, with_text, nullptr, mat, attr);
}
long get_id_rast(long recid, DBRASTTYPE* rec, bool, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr) {
  return mc::read_element<10>(recid, rec, false, nullptr, mat, attr);
}

#define DLIST_DEFINE_PLAIN_READER(lk, E)                                          \
  long get_id_##lk(long recid, E* rec, DBMATREFCHAIN* mat, DBATTREFCHAIN* attr) { \
    return mc::read_element<kind_of<E>()>(recid, rec, false, nullptr, mat, attr); \
  }
DLIST_DEFINE_PLAIN_READER(line, DBLINETYPE)
DLIST_DEFINE_PLAIN_READER(circ, DBCIRCTYPE)
DLIST_DEFINE_PLAIN_READER(hots, DBHOTSTYPE)
#undef DLIST_DEFINE_PLAIN_READER
