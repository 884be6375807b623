// The materials of the library: the code tree, its walks and look-ups by code, and
// the records with their four long texts.
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "host/list/list_internal.h"

namespace dlist::list {
namespace {

// The fields of a material as they are stored.
struct MaterialFields {
  std::span<const unsigned char> code, name, native_unit, market;
  double unit_price = 0;
  std::span<const unsigned char> texts[kLongTextCount];
};

// Checks a record and its texts before they are written: an own code that is not
// empty, every text within its width, the price in range, each long text within
// kMaxLongText. False when anything does not fit.
bool material_fields(const dbmaterial& rec, LONGTEXT* texts, MaterialFields* f) {
  if (!field_bytes(rec.id, kMatIdSize, &f->code) || f->code.empty()) return false;
  if (!field_bytes(rec.name, kMatNameSize, &f->name)) return false;
  if (!field_bytes(rec.native_unit, kUnitAbbrevSize, &f->native_unit)) return false;
  if (!field_bytes(rec.market, kMarketNameSize, &f->market)) return false;
  if (!in_range(rec.unit_price, 0.0, kMaxUnitPrice)) return false;
  f->unit_price = rec.unit_price;
  for (int i = 0; i < kLongTextCount; ++i) {
    f->texts[i] = {};
    if (!texts) continue;
    const LONGTEXT& t = texts[i];
    if (t.size() > kMaxLongText) return false;
    const char* bytes = t;
    if (t.size() > 0) f->texts[i] = {reinterpret_cast<const unsigned char*>(bytes), t.size()};
  }
  return true;
}

// Reads material id into rec and, when given, its texts. The caller's record is
// written only when every field fits.
Read read_material(ListStore& s, int64_t id, dbmaterial* rec, LONGTEXT* texts) {
  if (id == 0) return Read::kMissing;
  const bool hold = !texts && s.holding();
  if (hold) {
    if (const auto it = s.held.records.find(id); it != s.held.records.end()) {
      if (rec) *rec = it->second;
      return Read::kFound;
    }
  }
  // Without texts only their lengths are read, not their bytes.
  Statement q(s.db, texts ? "SELECT code, name, unit_price, native_unit, market, text1, text2, "
                            "text3, text4 FROM materials WHERE id = ?1"
                          : "SELECT code, name, unit_price, native_unit, market, length(text1), "
                            "length(text2), length(text3), length(text4) FROM materials "
                            "WHERE id = ?1");
  if (!q.bind(1, id).row()) return q.ok() ? Read::kMissing : Read::kFailed;
  dbmaterial r{};
  if (!copy_field(q.blob(0), r.id, kMatIdSize) || !copy_field(q.blob(1), r.name, kMatNameSize) ||
      !copy_field(q.blob(3), r.native_unit, kUnitAbbrevSize) ||
      !copy_field(q.blob(4), r.market, kMarketNameSize))
    return Read::kFailed;
  if (!q.is_number(2)) return Read::kFailed;
  r.unit_price = q.real(2);
  if (!in_range(r.unit_price, 0.0, kMaxUnitPrice)) return Read::kFailed;
  std::span<const unsigned char> bytes[kLongTextCount];
  for (int i = 0; i < kLongTextCount; ++i) {
    int64_t n = 0;
    if (texts) {
      bytes[i] = q.blob(5 + i);
      n = static_cast<int64_t>(bytes[i].size());
    } else {
      n = q.integer(5 + i);
    }
    if (n < 0 || n > static_cast<int64_t>(kMaxLongText)) return Read::kFailed;
    r.long_text_length[i] = static_cast<int32_t>(n);
  }
  if (!q.ok()) return Read::kFailed;
  if (texts) {
    for (int i = 0; i < kLongTextCount; ++i) {
      const auto n = static_cast<unsigned>(bytes[i].size());
      if (n == 0) {
        texts[i].resize(0);
        continue;
      }
      char* block = texts[i].resize(n);
      if (!block) return Read::kFailed;
      std::memcpy(block, bytes[i].data(), n);
    }
  }
  if (hold) {
    if (s.held.records.size() >= ListStore::Held::kMaxRecords) s.held.records.clear();
    s.held.records.emplace(id, r);
  }
  if (rec) *rec = r;
  return Read::kFound;
}

// The code components of material id from its root down, reading up from id; false
// when there is no such material, a component does not fit or the chain of parents
// does not end (within depth more steps).
bool chain_up(ListStore& s, int64_t id, std::vector<MATID>* out, int depth) {
  out->clear();
  if (id == 0) return false;
  for (; id != 0; ++depth) {
    if (depth >= kMaxDepth) return false;
    Statement q(s.db, "SELECT parent, code FROM materials WHERE id = ?1");
    if (!q.bind(1, id).row()) return false;
    MATID component{};
    if (!copy_field(q.blob(1), component.id, kMatIdSize)) return false;
    out->push_back(component);
    id = q.integer(0);
    if (id < 0) return false;
  }
  std::reverse(out->begin(), out->end());
  return true;
}

// The code components of material id from its root down, as chain_up. Siblings share
// their parent's code: while the file is held still it is read once for them all.
bool code_chain(ListStore& s, int64_t id, std::vector<MATID>* out) {
  out->clear();
  if (id == 0) return false;
  MATID own{};
  int64_t parent = 0;
  {
    Statement q(s.db, "SELECT parent, code FROM materials WHERE id = ?1");
    if (!q.bind(1, id).row()) return false;
    if (!copy_field(q.blob(1), own.id, kMatIdSize)) return false;
    parent = q.integer(0);
    if (parent < 0) return false;
  }
  if (parent == 0) {
    out->push_back(own);
    return true;
  }
  ListStore::ChainCache& cache = s.chain_cache;
  const bool still = s.read_txn || s.db.lock_depth() > 0;
  if (!still || cache.parent != parent || cache.changes != s.changes) {
    std::vector<MATID> up;
    if (!chain_up(s, parent, &up, 1)) return false;
    if (!still) {
      *out = std::move(up);
      out->push_back(own);
      return true;
    }
    cache.parent = parent;
    cache.changes = s.changes;
    cache.chain = std::move(up);
  }
  out->reserve(cache.chain.size() + 1);
  out->assign(cache.chain.begin(), cache.chain.end());
  out->push_back(own);
  return true;
}

// The material below parent whose own code is code; 0 when none, -1 when the read
// failed.
int64_t child_by_code(ListStore& s, int64_t parent, std::span<const unsigned char> code) {
  std::optional<std::pair<int64_t, std::string>> key;
  if (s.holding()) {
    key.emplace(parent, std::string(code.begin(), code.end()));
    if (const auto it = s.held.codes.find(*key); it != s.held.codes.end()) return it->second;
  }
  Statement q(s.db, "SELECT id FROM materials WHERE parent = ?1 AND code = ?2");
  const bool found = q.bind(1, parent).bind(2, code).row();
  if (!q.ok()) return -1;
  if (!found) return 0;
  const int64_t id = q.integer(0);
  if (key) {
    s.held.codes.emplace(std::move(*key), id);
    s.held.materials.insert(id);
    s.held.bound();
  }
  return id;
}

// The material of a code given as components; 0 when none.
int64_t find_by_components(ListStore& s, const std::vector<std::span<const unsigned char>>& parts) {
  if (parts.empty()) return 0;
  int64_t id = 0;
  for (const auto& part : parts) {
    if (part.empty() || part.size() >= static_cast<std::size_t>(kMatIdSize)) return 0;
    id = child_by_code(s, id, part);
    if (id <= 0) return 0;
  }
  return id;
}

}  // namespace
}  // namespace dlist::list

using dlist::Statement;
using dlist::list::Change;
using dlist::list::enter;
using dlist::list::list_id;
using dlist::list::ListStore;
using dlist::list::Read;

long LISTCONTEXT::rewind_material(long parent) {
  ListStore* s = enter(impl_.get());
  return dlist::list::start_child_walk(s, s ? s->materials : impl_->materials, parent, dlist::list::kMaterialExists,
                                       "SELECT id FROM materials WHERE parent = ?1 ORDER BY id");
}

long LISTCONTEXT::get(dbmaterial& rec, LONGTEXT* texts) {
  ListStore* s = enter(impl_.get());
  return dlist::list::walk_next(s, s ? s->materials : impl_->materials, [&](int64_t id) {
    return dlist::list::read_material(*s, id, &rec, texts);
  });
}

long LISTCONTEXT::get(long id, dbmaterial& rec, LONGTEXT* texts) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t material = list_id(id);
  return dlist::list::read_material(*s, material, &rec, texts) == Read::kFound ? id : 0;
}

long LISTCONTEXT::get(const TEXTBUFFER& code, dbmaterial& rec, LONGTEXT* texts) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  std::vector<std::span<const unsigned char>> parts;
  const std::string_view text(code.get());
  if (text.empty()) return 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string_view part = text.substr(start, dot == std::string_view::npos ? dot : dot - start);
    parts.push_back({reinterpret_cast<const unsigned char*>(part.data()), part.size()});
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  const int64_t id = dlist::list::find_by_components(*s, parts);
  if (id <= 0) return 0;
  return dlist::list::read_material(*s, id, &rec, texts) == Read::kFound ? static_cast<long>(id) : 0;
}

long LISTCONTEXT::get(const MATIDCHAIN& code, dbmaterial& rec, LONGTEXT* texts) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  std::vector<std::span<const unsigned char>> parts;
  for (unsigned i = 0; i < code.size(); ++i) {
    std::span<const unsigned char> part;
    if (!dlist::list::field_bytes(code[i].id, kMatIdSize, &part)) return 0;
    parts.push_back(part);
  }
  const int64_t id = dlist::list::find_by_components(*s, parts);
  if (id <= 0) return 0;
  return dlist::list::read_material(*s, id, &rec, texts) == Read::kFound ? static_cast<long>(id) : 0;
}

int LISTCONTEXT::get_matidchain(long id, MATIDCHAIN& chain) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  chain.resize(0);
  std::vector<MATID> components;
  if (!dlist::list::code_chain(*s, list_id(id), &components)) return 0;
  if (!chain.resize(static_cast<unsigned>(components.size()))) return 0;
  std::memcpy(static_cast<MATID*>(chain), components.data(), components.size() * sizeof(MATID));
  return 1;
}

int LISTCONTEXT::get_idpath(long id, TEXTBUFFER& path) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  std::vector<MATID> components;
  if (!dlist::list::code_chain(*s, list_id(id), &components)) return 0;
  std::string joined;
  for (const MATID& c : components) {
    if (!joined.empty()) joined += '.';
    joined += c.id;
  }
  return path.put(joined.c_str()) ? 1 : 0;
}

long LISTCONTEXT::get_parent_material(long id) {
  ListStore* s = enter(impl_.get());
  if (!s) return -1;
  const int64_t material = list_id(id);
  if (material == 0) return -1;
  Statement q(s->db, "SELECT parent FROM materials WHERE id = ?1");
  if (!q.bind(1, material).row()) return -1;
  const int64_t parent = q.integer(0);
  return parent >= 0 && parent <= dlist::list::kMaxListId ? static_cast<long>(parent) : -1;
}

long LISTCONTEXT::create(long parent, const dbmaterial& rec, LONGTEXT* texts) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t parent_id = list_id(parent);
  if (parent < 0 || (parent != 0 && parent_id == 0)) return 0;
  dlist::list::MaterialFields f;
  if (!dlist::list::material_fields(rec, texts, &f)) return 0;
  Change change(*s);
  if (!change) return 0;
  if (parent_id != 0 && dlist::list::material_exists(*s, parent_id) != 1) return 0;
  // A sibling with the same own code makes the insert fail (unique index).
  Statement q(s->db,
              "INSERT INTO materials (parent, code, name, unit_price, native_unit, market, "
              "text1, text2, text3, text4) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  q.bind(1, parent_id).bind(2, f.code).bind(3, f.name).bind_double(4, f.unit_price);
  q.bind(5, f.native_unit).bind(6, f.market);
  for (int i = 0; i < kLongTextCount; ++i) q.bind(7 + i, f.texts[i]);
  if (!q.run()) return 0;
  const int64_t id = s->db.last_insert_id();
  if (id <= 0 || id > dlist::list::kMaxListId) return 0;
  if (s->holding()) {
    s->held.codes[{parent_id, std::string(f.code.begin(), f.code.end())}] = id;
    s->held.materials.insert(id);
    s->held.bound();
  }
  return change.finish() ? static_cast<long>(id) : 0;
}

int LISTCONTEXT::modify(long id, const dbmaterial& rec, LONGTEXT* texts) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t material = list_id(id);
  dlist::list::MaterialFields f;
  if (material == 0 || !dlist::list::material_fields(rec, texts, &f)) return 0;
  Change change(*s);
  if (!change) return 0;
  if (dlist::list::row_exists(s->db, dlist::list::kMaterialExists, material) != 1) return 0;
  s->held.codes.clear();  // the own code may change
  s->held.records.clear();
  Statement q(s->db,
              "UPDATE materials SET code = ?2, name = ?3, unit_price = ?4, native_unit = ?5, "
              "market = ?6, text1 = ?7, text2 = ?8, text3 = ?9, text4 = ?10 WHERE id = ?1");
  q.bind(1, material).bind(2, f.code).bind(3, f.name).bind_double(4, f.unit_price);
  q.bind(5, f.native_unit).bind(6, f.market);
  for (int i = 0; i < kLongTextCount; ++i) q.bind(7 + i, f.texts[i]);
  if (!q.run()) return 0;
  return change.finish() ? 1 : 0;
}

int LISTCONTEXT::remove_material(long id) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t material = list_id(id);
  if (material == 0) return 0;
  Change change(*s, dlist::list::Writes::kSeveral);
  if (!change) return 0;
  s->held.codes.clear();
  s->held.materials.clear();
  s->held.records.clear();
  if (dlist::list::row_exists(s->db, dlist::list::kMaterialExists, material) != 1) return 0;
  // The subtree; UNION (not UNION ALL) ends also on a damaged file whose parents loop.
#define DLIST_SUBTREE                                                 \
  "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION "                       \
  "SELECT m.id FROM materials m JOIN sub ON m.parent = sub.id) "
  static constexpr const char* kDeletes[] = {
      DLIST_SUBTREE "DELETE FROM unit_refs WHERE material IN sub",
      DLIST_SUBTREE "DELETE FROM subprice_refs WHERE material IN sub",
      DLIST_SUBTREE "DELETE FROM materials WHERE id IN sub",
  };
#undef DLIST_SUBTREE
  for (const char* sql : kDeletes) {
    Statement q(s->db, sql);
    if (!q.bind(1, material).run()) return 0;
  }
  return change.finish() ? 1 : 0;
}

int LISTCONTEXT::move_material(long id, long parent) {
  ListStore* s = enter(impl_.get());
  if (!s) return 0;
  const int64_t material = list_id(id);
  const int64_t parent_id = list_id(parent);
  if (material == 0 || parent < 0 || (parent != 0 && parent_id == 0)) return 0;
  Change change(*s);
  if (!change) return 0;
  if (dlist::list::row_exists(s->db, dlist::list::kMaterialExists, material) != 1) return 0;
  // The new parent and its ancestors: none of them may be the moved material.
  int64_t at = parent_id;
  for (int depth = 0; at != 0; ++depth) {
    if (at == material || depth >= dlist::list::kMaxDepth) return 0;
    Statement q(s->db, "SELECT parent FROM materials WHERE id = ?1");
    if (!q.bind(1, at).row()) return 0;
    at = q.integer(0);
    if (at < 0) return 0;
  }
  // A child of the same own code below the new parent makes the update fail
  // (unique index).
  s->held.codes.clear();
  Statement q(s->db, "UPDATE materials SET parent = ?2 WHERE id = ?1");
  q.bind(1, material).bind(2, parent_id);
  if (!q.run()) return 0;
  return change.finish() ? 1 : 0;
}
