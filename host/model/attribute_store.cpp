// The attribute library of the model database: ATTRIBUTES (groups and attribute
// definitions in one tree) and ATTR_REF (the references of an attribute).
#include "host/model/attribute_store.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "foundation/references.h"
#include "host/file_replacement.h"
#include "host/model/element_parameters.h"
#include "host/model/model_internal.h"
#include "host/resources.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

using Bytes = std::vector<unsigned char>;
using model::model_id;

constexpr const char* kAttributeTables = R"sql(
CREATE TABLE IF NOT EXISTS attr_nodes (
  id     INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  seq    INTEGER NOT NULL,
  kind   INTEGER NOT NULL,
  name   BLOB    NOT NULL
);
CREATE INDEX IF NOT EXISTS attr_nodes_children ON attr_nodes (parent, seq);
CREATE INDEX IF NOT EXISTS attr_nodes_names ON attr_nodes (parent, name);
CREATE TABLE IF NOT EXISTS attr_defs (
  node   INTEGER PRIMARY KEY,
  list   INTEGER NOT NULL UNIQUE,
  abbrev BLOB    NOT NULL UNIQUE,
  image  BLOB    NOT NULL
);
CREATE TABLE IF NOT EXISTS attr_refs (
  id    INTEGER PRIMARY KEY,
  list  INTEGER NOT NULL,
  name  BLOB    NOT NULL,
  flags INTEGER NOT NULL,
  kinds INTEGER NOT NULL,
  value BLOB    NOT NULL,
  UNIQUE (list, name)
);
)sql";

// Node kinds as stored: the root, a group below it, an attribute entry.
constexpr int kRootKind = 0;
constexpr int kGroupKind = 1;
constexpr int kAttributeKind = -1;

constexpr std::size_t kNodeNameField = sizeof(DBATTRIBUTENODETYPE::name);   // 32
constexpr std::size_t kAbbrevField = sizeof(DBATTRIBUTETYPE::abbrev);       // 7
constexpr std::size_t kRefNameField = sizeof(DBATTREFTYPE::name);           // 17

std::span<const unsigned char> as_bytes(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

// The text of a field when it ends inside the field and is not empty; nothing
// (an empty view with ok false) otherwise.
bool field_ok(const char* field, std::size_t n, std::string_view* text) {
  if (field == nullptr) return false;
  const std::size_t len = field_length(field, n);
  if (len == 0 || len >= n) return false;
  *text = std::string_view(field, len);
  return true;
}

// A zero-terminated name of 1 to max characters.
bool name_ok(const char* name, std::size_t max, std::string_view* text) {
  if (name == nullptr) return false;
  const std::size_t len = strnlen(name, max + 1);
  if (len == 0 || len > max) return false;
  *text = std::string_view(name, len);
  return true;
}

struct AttrNode {
  int64_t id = 0;
  int64_t parent = 0;
  int kind = 0;
  Bytes name;

  bool is_group() const { return kind >= 0; }
};

bool load_attr_node(ModelDatabase& db, int64_t id, AttrNode* row) {
  if (id <= 0) return false;
  Statement s(db.connection(), "SELECT parent, kind, name FROM attr_nodes WHERE id = ?1");
  if (!s.bind(1, id).row()) return false;
  const auto name = s.blob(2);
  if (name.size() >= kNodeNameField) return false;  // a damaged row
  row->id = id;
  row->parent = s.integer(0);
  row->kind = static_cast<int>(s.integer(1));
  row->name.assign(name.begin(), name.end());
  return s.ok();
}

void fill_node(const AttrNode& row, DBATTRIBUTENODETYPE* node) {
  if (node == nullptr) return;
  node->kind = static_cast<int16_t>(row.kind);
  std::memset(node->name, 0, sizeof node->name);
  if (!row.name.empty()) std::memcpy(node->name, row.name.data(), row.name.size());
}

int64_t root_of(ModelDatabase& db) {
  Statement s(db.connection(), "SELECT id FROM attr_nodes WHERE parent = 0 ORDER BY id LIMIT 1");
  return s.row() ? s.integer(0) : 0;
}

// A definition row: the list and the image; false when there is none or it is damaged.
bool load_definition(ModelDatabase& db, int64_t node, int64_t* list, DBATTRIBUTETYPE* definition) {
  Statement s(db.connection(), "SELECT list, image FROM attr_defs WHERE node = ?1");
  if (!s.bind(1, node).row()) return false;
  const auto image = s.blob(1);
  if (image.size() != DBATTRIBUTETYPE::kImageSize) return false;
  if (list) *list = s.integer(0);
  if (definition) std::memcpy(static_cast<void*>(definition), image.data(), image.size());
  return s.ok();
}

// Whether a child of parent other than except, of the class given (group or
// attribute), holds name: 1 taken, 0 free, -1 when the read failed.
int name_taken(ModelDatabase& db, int64_t parent, std::span<const unsigned char> name, bool group,
               int64_t except) {
  Statement s(db.connection(),
              "SELECT 1 FROM attr_nodes WHERE parent = ?1 AND name = ?2 AND (kind >= 0) = ?3 "
              "AND id <> ?4 LIMIT 1");
  s.bind(1, parent).bind(2, name).bind(3, group ? 1 : 0).bind(4, except);
  const bool found = s.row();
  return !s.ok() ? -1 : found ? 1 : 0;
}

// Whether an attribute other than except has abbrev: 1, 0, -1 as above.
int abbrev_taken(ModelDatabase& db, std::string_view abbrev, int64_t except) {
  Statement s(db.connection(), "SELECT 1 FROM attr_defs WHERE abbrev = ?1 AND node <> ?2 LIMIT 1");
  s.bind(1, as_bytes(abbrev)).bind(2, except);
  const bool found = s.row();
  return !s.ok() ? -1 : found ? 1 : 0;
}

bool next_seq(ModelDatabase& db, int64_t parent, int64_t* seq) {
  Statement s(db.connection(),
              "SELECT coalesce(max(seq), 0) + 1 FROM attr_nodes WHERE parent = ?1");
  if (!s.bind(1, parent).row()) return false;
  *seq = s.integer(0);
  return true;
}

// The entry and every entry below it.
bool subtree_of(ModelDatabase& db, int64_t id, std::vector<int64_t>* out) {
  Statement s(db.connection(),
              "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
              "SELECT n.id FROM attr_nodes n JOIN sub ON n.parent = sub.id) SELECT id FROM sub");
  s.bind(1, id);
  out->clear();
  while (s.row()) out->push_back(s.integer(0));
  return s.ok();
}

// The abbreviations of the attributes at or below entry id.
bool abbrevs_below(ModelDatabase& db, int64_t id, std::unordered_set<std::string>* out) {
  Statement s(db.connection(),
              "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
              "SELECT n.id FROM attr_nodes n JOIN sub ON n.parent = sub.id) "
              "SELECT abbrev FROM attr_defs WHERE node IN sub");
  s.bind(1, id);
  out->clear();
  while (s.row()) {
    const auto a = s.blob(0);
    out->emplace(reinterpret_cast<const char*>(a.data()), a.size());
  }
  return s.ok();
}

// The rows of the preset chains (attrefs) that carry a value of one of abbrevs, as
// (owner, pos); false when a row cannot be read.
bool chain_rows_using(ModelDatabase& db, const std::unordered_set<std::string>& abbrevs,
                      std::vector<std::pair<int64_t, int64_t>>* out) {
  out->clear();
  if (abbrevs.empty()) return true;
  Statement s(db.connection(), "SELECT owner, pos, bytes FROM attrefs");
  while (s.row()) {
    DBATTREFTYPE ref;
    try {
      stream_in(ref, s.blob(2));
    } catch (const std::exception&) {
      return false;
    }
    if (abbrevs.count(field_string(ref.abbrev)) != 0) out->emplace_back(s.integer(0), s.integer(1));
  }
  return s.ok();
}

// Removes the rows of the references of list, with their identifiers.
bool delete_refs_of(ModelDatabase& db, int64_t list) {
  Statement ids(db.connection(),
                "DELETE FROM ids WHERE id IN (SELECT id FROM attr_refs WHERE list = ?1)");
  if (!ids.bind(1, list).run()) return false;
  Statement refs(db.connection(), "DELETE FROM attr_refs WHERE list = ?1");
  return refs.bind(1, list).run();
}

// The checks that a definition passes before it is stored.
bool definition_ok(const DBATTRIBUTETYPE& d, std::string_view* name, std::string_view* abbrev) {
  const uint32_t kind = d.flags & DBATTRIBUTETYPE::kKindBits;
  if (kind != DBATTRIBUTETYPE::kFormula && kind != DBATTRIBUTETYPE::kText &&
      kind != DBATTRIBUTETYPE::kFile)
    return false;
  return field_ok(d.name, sizeof d.name, name) && field_ok(d.abbrev, sizeof d.abbrev, abbrev);
}

Bytes image_of(const DBATTRIBUTETYPE& d) {
  const auto* p = reinterpret_cast<const unsigned char*>(&d);
  return Bytes(p, p + DBATTRIBUTETYPE::kImageSize);
}

// One reference row.
struct RefRow {
  int64_t id = 0;
  int64_t list = 0;
  Bytes name;
  uint8_t flags = 0;
  Bytes value;
};

bool load_ref(ModelDatabase& db, int64_t id, RefRow* row) {
  if (id <= 0) return false;
  Statement s(db.connection(), "SELECT list, name, flags, value FROM attr_refs WHERE id = ?1");
  if (!s.bind(1, id).row()) return false;
  const auto name = s.blob(1);
  const auto value = s.blob(3);
  if (name.empty() || name.size() >= kRefNameField || value.size() > kMaxTextBufferBytes)
    return false;
  row->id = id;
  row->list = s.integer(0);
  row->name.assign(name.begin(), name.end());
  row->flags = static_cast<uint8_t>(s.integer(2));
  row->value.assign(value.begin(), value.end());
  return s.ok();
}

// Copies a reference row to the caller's outputs; false when memory is short.
bool fill_ref(const RefRow& row, char* name, TEXTBUFFER* value, char* flags) {
  if (value && !value->assign(row.value.data(), static_cast<uint32_t>(row.value.size())))
    return false;
  if (name) {
    std::memset(name, 0, kRefNameField);
    std::memcpy(name, row.name.data(), row.name.size());
  }
  if (flags) *flags = static_cast<char>(row.flags);
  return true;
}

// The element-kind filter of the attribute whose reference list is list; false when
// there is no such list.
bool filter_of_list(ModelDatabase& db, int64_t list, uint32_t* filter) {
  Statement s(db.connection(), "SELECT node FROM attr_defs WHERE list = ?1");
  if (!s.bind(1, list).row()) return false;
  DBATTRIBUTETYPE d;
  if (!load_definition(db, s.integer(0), nullptr, &d)) return false;
  *filter = d.Filter();
  return true;
}

// Inserts a reference row; its identifier, 0 when it cannot be stored.
long insert_ref(ModelDatabase& db, long list, const char* name, std::span<const unsigned char> value,
                uint8_t flags) {
  std::string_view text;
  const int64_t owner = model_id(list);
  if (!name_ok(name, kRefNameField - 1, &text) || owner == 0 ||
      value.size() > kMaxTextBufferBytes)
    return 0;
  uint32_t filter = 0;
  if (!filter_of_list(db, owner, &filter)) return 0;
  CallScope call(db.connection());
  if (!call) return 0;
  {
    Statement taken(db.connection(), "SELECT 1 FROM attr_refs WHERE list = ?1 AND name = ?2");
    const bool found = taken.bind(1, owner).bind(2, as_bytes(text)).row();
    if (found || !taken.ok()) return 0;
  }
  const int64_t id = db.new_id(ModelObject::kAttributeReference);
  if (id == 0) return 0;
  Statement s(db.connection(),
              "INSERT INTO attr_refs (id, list, name, flags, kinds, value) "
              "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  s.bind(1, id).bind(2, owner).bind(3, as_bytes(text)).bind(4, flags).bind(5, filter);
  s.bind(6, value);
  if (!s.run() || !call.commit()) return 0;
  return static_cast<long>(id);
}

std::span<const unsigned char> buffer_bytes(const TEXTBUFFER& value) {
  return {reinterpret_cast<const unsigned char*>(value.data()), value.size()};
}

}  // namespace

bool embedded_file_ok(std::span<const unsigned char> value, std::string_view* name,
                      std::span<const unsigned char>* content) {
  if (value.empty()) return false;
  const unsigned char* zero =
      static_cast<const unsigned char*>(std::memchr(value.data(), 0, value.size()));
  if (zero == nullptr || zero == value.data()) return false;
  const std::size_t name_len = static_cast<std::size_t>(zero - value.data());
  const std::size_t after = value.size() - name_len - 1;
  if (after < 4) return false;
  const unsigned char* p = zero + 1;
  const uint32_t length = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                          static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  if (length != after - 4) return false;
  if (name) *name = std::string_view(reinterpret_cast<const char*>(value.data()), name_len);
  if (content) *content = value.subspan(name_len + 5);
  return true;
}

std::vector<unsigned char> make_embedded_file(std::string_view name,
                                              std::span<const unsigned char> content) {
  if (name.empty() || name.find('\0') != std::string_view::npos || content.size() > UINT32_MAX)
    return {};
  std::vector<unsigned char> value(name.begin(), name.end());
  value.push_back(0);
  const auto n = static_cast<uint32_t>(content.size());
  for (int i = 0; i < 4; ++i) value.push_back(static_cast<unsigned char>(n >> (8 * i)));
  value.insert(value.end(), content.begin(), content.end());
  return value;
}

bool create_attribute_tables(ModelDatabase& model) {
  SqliteConnection& db = model.connection();
  {
    // Nothing to write when the tables and the root are there (a read-only project).
    Statement s(db, "SELECT count(*) FROM sqlite_schema WHERE name IN "
                    "('attr_nodes', 'attr_defs', 'attr_refs')");
    if (s.row() && s.integer(0) == 3 && root_of(model) != 0) return true;
  }
  if (!db.write_lock()) return false;
  bool done = db.exec(kAttributeTables);
  if (done && root_of(model) == 0) {
    const std::string name = load_string(20410);
    const int64_t id = model.new_id(ModelObject::kAttributeNode);
    Statement s(db, "INSERT INTO attr_nodes (id, parent, seq, kind, name) VALUES (?1, 0, 0, ?2, ?3)");
    done = id != 0 && s.bind(1, id).bind(2, kRootKind).bind(3, as_bytes(name)).run();
  }
  if (!done) db.abandon();
  return db.write_unlock() && done;
}

}  // namespace dlist

using dlist::begin_model_call;
using dlist::ModelDatabase;
using dlist::Statement;
using dlist::model::model_id;

// ---- ATTRIBUTES ------------------------------------------------------------------

long ATTRIBUTES::rew_node(long node) {
  children_.clear();
  next_child_ = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  const int64_t id = node == 0 ? dlist::root_of(*db) : model_id(node);
  dlist::AttrNode row;
  if (!dlist::load_attr_node(*db, id, &row) || !row.is_group()) return 0;
  Statement s(db->connection(), "SELECT id FROM attr_nodes WHERE parent = ?1 ORDER BY seq, id");
  s.bind(1, id);
  while (s.row()) children_.push_back(s.integer(0));
  if (!s.ok()) {
    children_.clear();
    return 0;
  }
  return static_cast<long>(id);
}

long ATTRIBUTES::get_node(DBATTRIBUTENODETYPE* node) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  while (next_child_ < children_.size()) {
    const int64_t id = children_[next_child_++];
    dlist::AttrNode row;
    if (!dlist::load_attr_node(*db, id, &row)) continue;  // removed since the rewind
    dlist::fill_node(row, node);
    return static_cast<long>(id);
  }
  return 0;
}

long ATTRIBUTES::get_id_node(long id, DBATTRIBUTENODETYPE* node, long* parent) {
  ModelDatabase* db = begin_model_call();
  dlist::AttrNode row;
  if (!db || !dlist::load_attr_node(*db, model_id(id), &row)) return 0;
  dlist::fill_node(row, node);
  if (parent) *parent = static_cast<long>(row.parent);
  return id;
}

long ATTRIBUTES::get_id_attribute(long id, DBATTRIBUTETYPE* definition) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  int64_t list = 0;
  DBATTRIBUTETYPE read;
  if (!dlist::load_definition(*db, model_id(id), &list, &read) || list <= 0 ||
      list > dlist::kMaxModelId)
    return 0;
  if (definition) *definition = read;
  return static_cast<long>(list);
}

long ATTRIBUTES::get_abbrev_attribute(const char* abbrev, DBATTRIBUTETYPE* definition) {
  ModelDatabase* db = begin_model_call();
  std::string_view text;
  if (!db || !dlist::field_ok(abbrev, dlist::kAbbrevField, &text)) return 0;
  Statement s(db->connection(), "SELECT node FROM attr_defs WHERE abbrev = ?1");
  if (!s.bind(1, dlist::as_bytes(text)).row()) return 0;
  const int64_t node = s.integer(0);
  DBATTRIBUTETYPE read;
  if (!dlist::load_definition(*db, node, nullptr, &read)) return 0;
  if (definition) *definition = read;
  return static_cast<long>(node);
}

long ATTRIBUTES::cre_node(long parent, DBATTRIBUTENODETYPE* node) {
  ModelDatabase* db = begin_model_call();
  std::string_view name;
  if (!db || !node || !dlist::field_ok(node->name, dlist::kNodeNameField, &name)) return 0;
  const int64_t folder = parent == 0 ? dlist::root_of(*db) : model_id(parent);
  dlist::AttrNode row;
  if (!dlist::load_attr_node(*db, folder, &row) || !row.is_group()) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  const int taken = dlist::name_taken(*db, folder, dlist::as_bytes(name), true, 0);
  if (taken != 0) return taken > 0 ? kNameTaken : 0;
  int64_t seq = 0;
  if (!dlist::next_seq(*db, folder, &seq)) return 0;
  const int64_t id = db->new_id(dlist::ModelObject::kAttributeNode);
  if (id == 0) return 0;
  Statement s(db->connection(),
              "INSERT INTO attr_nodes (id, parent, seq, kind, name) VALUES (?1, ?2, ?3, ?4, ?5)");
  s.bind(1, id).bind(2, folder).bind(3, seq).bind(4, dlist::kGroupKind);
  if (!s.bind(5, dlist::as_bytes(name)).run() || !call.commit()) return 0;
  node->kind = dlist::kGroupKind;
  return static_cast<long>(id);
}

long ATTRIBUTES::cre_attribute(long parent, DBATTRIBUTETYPE* definition) {
  ModelDatabase* db = begin_model_call();
  std::string_view name, abbrev;
  if (!db || !definition || !dlist::definition_ok(*definition, &name, &abbrev)) return 0;
  const int64_t folder = parent == 0 ? dlist::root_of(*db) : model_id(parent);
  dlist::AttrNode row;
  if (!dlist::load_attr_node(*db, folder, &row) || !row.is_group()) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  const int taken = dlist::name_taken(*db, folder, dlist::as_bytes(name), false, 0);
  if (taken != 0) return taken > 0 ? kNameTaken : 0;
  const int abbrev_used = dlist::abbrev_taken(*db, abbrev, 0);
  if (abbrev_used != 0) return abbrev_used > 0 ? kAbbrevTaken : 0;
  int64_t seq = 0;
  if (!dlist::next_seq(*db, folder, &seq)) return 0;
  const int64_t id = db->new_id(dlist::ModelObject::kAttributeNode);
  const int64_t list = id == 0 ? 0 : db->new_id(dlist::ModelObject::kAttributeList);
  if (list == 0) return 0;
  Statement n(db->connection(),
              "INSERT INTO attr_nodes (id, parent, seq, kind, name) VALUES (?1, ?2, ?3, ?4, ?5)");
  n.bind(1, id).bind(2, folder).bind(3, seq).bind(4, dlist::kAttributeKind);
  if (!n.bind(5, dlist::as_bytes(name)).run()) return 0;
  Statement d(db->connection(),
              "INSERT INTO attr_defs (node, list, abbrev, image) VALUES (?1, ?2, ?3, ?4)");
  d.bind(1, id).bind(2, list).bind(3, dlist::as_bytes(abbrev));
  if (!d.bind(4, dlist::image_of(*definition)).run() || !call.commit()) return 0;
  InvalidateProjectAttributes();
  return static_cast<long>(id);
}

int ATTRIBUTES::mod_attribute(long id, DBATTRIBUTETYPE* definition) {
  ModelDatabase* db = begin_model_call();
  std::string_view name, abbrev;
  if (!db || !definition || !dlist::definition_ok(*definition, &name, &abbrev)) return 0;
  dlist::AttrNode row;
  int64_t list = 0;
  DBATTRIBUTETYPE before;
  if (!dlist::load_attr_node(*db, model_id(id), &row) || row.is_group() ||
      !dlist::load_definition(*db, row.id, &list, &before))
    return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  if (dlist::name_taken(*db, row.parent, dlist::as_bytes(name), false, row.id) != 0 ||
      dlist::abbrev_taken(*db, abbrev, row.id) != 0)
    return 0;
  Statement n(db->connection(), "UPDATE attr_nodes SET name = ?2 WHERE id = ?1");
  if (!n.bind(1, row.id).bind(2, dlist::as_bytes(name)).run()) return 0;
  Statement d(db->connection(), "UPDATE attr_defs SET abbrev = ?2, image = ?3 WHERE node = ?1");
  d.bind(1, row.id).bind(2, dlist::as_bytes(abbrev));
  if (!d.bind(3, dlist::image_of(*definition)).run()) return 0;
  // The references are offered for the kinds of the attribute as it now stands.
  if (definition->Filter() != before.Filter()) {
    Statement k(db->connection(), "UPDATE attr_refs SET kinds = ?2 WHERE list = ?1");
    if (!k.bind(1, list).bind(2, definition->Filter()).run()) return 0;
  }
  if (!call.commit()) return 0;
  InvalidateProjectAttributes();
  return 1;
}

int ATTRIBUTES::mod_node(long id, DBATTRIBUTENODETYPE* node) {
  ModelDatabase* db = begin_model_call();
  std::string_view name;
  if (!db || !node || !dlist::field_ok(node->name, dlist::kNodeNameField, &name)) return 0;
  dlist::AttrNode row;
  if (!dlist::load_attr_node(*db, model_id(id), &row) || row.parent == 0) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  if (dlist::name_taken(*db, row.parent, dlist::as_bytes(name), row.is_group(), row.id) != 0)
    return 0;
  Statement n(db->connection(), "UPDATE attr_nodes SET name = ?2 WHERE id = ?1");
  if (!n.bind(1, row.id).bind(2, dlist::as_bytes(name)).run()) return 0;
  if (!row.is_group()) {
    // An attribute's entry and its definition carry one name.
    DBATTRIBUTETYPE d;
    if (!dlist::load_definition(*db, row.id, nullptr, &d)) return 0;
    std::memset(d.name, 0, sizeof d.name);
    std::memcpy(d.name, name.data(), name.size());
    Statement u(db->connection(), "UPDATE attr_defs SET image = ?2 WHERE node = ?1");
    if (!u.bind(1, row.id).bind(2, dlist::image_of(d)).run()) return 0;
  }
  if (!call.commit()) return 0;
  if (!row.is_group()) InvalidateProjectAttributes();
  return 1;
}

int ATTRIBUTES::del_node(long id, int force) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  dlist::AttrNode row;
  if (!dlist::load_attr_node(*db, model_id(id), &row) || row.parent == 0) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  std::vector<int64_t> subtree;
  if (!dlist::subtree_of(*db, row.id, &subtree)) return 0;
  if (force == 0) {
    if (row.is_group() && subtree.size() > 1) return 0;
    if (!row.is_group()) {
      std::unordered_set<std::string> abbrevs;
      std::vector<std::pair<int64_t, int64_t>> uses;
      if (!dlist::abbrevs_below(*db, row.id, &abbrevs) ||
          !dlist::chain_rows_using(*db, abbrevs, &uses) || !uses.empty())
        return 0;
    }
  }
  for (int64_t gone : subtree) {
    int64_t list = 0;
    if (dlist::load_definition(*db, gone, &list, nullptr)) {
      Statement d(db->connection(), "DELETE FROM attr_defs WHERE node = ?1");
      if (!dlist::delete_refs_of(*db, list) || !d.bind(1, gone).run() || !db->drop_id(list))
        return 0;
    }
    Statement n(db->connection(), "DELETE FROM attr_nodes WHERE id = ?1");
    if (!n.bind(1, gone).run() || !db->drop_id(gone)) return 0;
  }
  if (!call.commit()) return 0;
  InvalidateProjectAttributes();
  return 1;
}

int ATTRIBUTES::is_deleteable_node(long id) {
  ModelDatabase* db = begin_model_call();
  dlist::AttrNode row;
  if (!db || !dlist::load_attr_node(*db, model_id(id), &row)) return 0;
  std::unordered_set<std::string> abbrevs;
  std::vector<std::pair<int64_t, int64_t>> uses;
  if (!dlist::abbrevs_below(*db, row.id, &abbrevs) ||
      !dlist::chain_rows_using(*db, abbrevs, &uses))
    return 0;
  return uses.empty() ? 1 : 0;
}

int ATTRIBUTES::del_palrefs(long id) {
  ModelDatabase* db = begin_model_call();
  dlist::AttrNode row;
  if (!db || !dlist::load_attr_node(*db, model_id(id), &row)) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  std::unordered_set<std::string> abbrevs;
  std::vector<std::pair<int64_t, int64_t>> uses;
  if (!dlist::abbrevs_below(*db, row.id, &abbrevs) ||
      !dlist::chain_rows_using(*db, abbrevs, &uses))
    return 0;
  for (const auto& [owner, pos] : uses) {
    Statement d(db->connection(), "DELETE FROM attrefs WHERE owner = ?1 AND pos = ?2");
    if (!d.bind(1, owner).bind(2, pos).run()) return 0;
  }
  return call.commit() ? 1 : 0;
}

int ATTRIBUTES::move_node(long* id, long* target) {
  ModelDatabase* db = begin_model_call();
  if (!db || !id || !target) return 0;
  dlist::AttrNode moved, onto;
  if (!dlist::load_attr_node(*db, model_id(*id), &moved) || moved.parent == 0) return 0;
  if (!dlist::load_attr_node(*db, model_id(*target), &onto) || onto.id == moved.id) return 0;
  int result = 1;
  if (!onto.is_group()) {
    // Dropped on an attribute: the entry goes beside it, into its group.
    if (!dlist::load_attr_node(*db, onto.parent, &onto)) return 0;
    result = 2;
  }
  if (onto.id != moved.parent) {
    dlist::CallScope call(db->connection());
    if (!call) return 0;
    std::vector<int64_t> subtree;
    if (!dlist::subtree_of(*db, moved.id, &subtree)) return 0;
    for (int64_t below : subtree)
      if (below == onto.id) return 0;  // a group into itself or below itself
    if (dlist::name_taken(*db, onto.id, moved.name, moved.is_group(), moved.id) != 0) return 0;
    int64_t seq = 0;
    if (!dlist::next_seq(*db, onto.id, &seq)) return 0;
    Statement s(db->connection(), "UPDATE attr_nodes SET parent = ?2, seq = ?3 WHERE id = ?1");
    if (!s.bind(1, moved.id).bind(2, onto.id).bind(3, seq).run() || !call.commit()) return 0;
  }
  *target = static_cast<long>(onto.id);
  return result;
}

// ---- ATTR_REF ----------------------------------------------------------------------

long ATTR_REF::rew(long list, long kind_bit) {
  refs_.clear();
  next_ref_ = 0;
  last_ = 0;
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  Statement s(db->connection(),
              "SELECT id FROM attr_refs WHERE list = ?1 AND (?2 = 0 OR (kinds & ?2) <> 0) "
              "ORDER BY name, id");
  s.bind(1, model_id(list)).bind(2, static_cast<int64_t>(static_cast<uint32_t>(kind_bit)));
  while (s.row()) refs_.push_back(s.integer(0));
  if (!s.ok()) refs_.clear();
  return static_cast<long>(refs_.size());
}

long ATTR_REF::get(char* name, TEXTBUFFER* value, char* flags) {
  ModelDatabase* db = begin_model_call();
  if (!db) return -1;
  while (next_ref_ < refs_.size()) {
    const int64_t id = refs_[next_ref_++];
    dlist::RefRow row;
    if (!dlist::load_ref(*db, id, &row)) {
      Statement there(db->connection(), "SELECT 1 FROM attr_refs WHERE id = ?1");
      if (there.bind(1, id).row()) return -1;  // a damaged row ends the walk as a failure
      continue;                                  // removed since the rewind
    }
    if (!dlist::fill_ref(row, name, value, flags)) return -1;
    last_ = id;
    return static_cast<long>(id);
  }
  return 0;
}

long ATTR_REF::get_id(long id, char* name, TEXTBUFFER* value, char* flags, long* list) {
  ModelDatabase* db = begin_model_call();
  dlist::RefRow row;
  if (!db || !dlist::load_ref(*db, model_id(id), &row)) return 0;
  if (!dlist::fill_ref(row, name, value, flags)) return 0;
  if (list) *list = static_cast<long>(row.list);
  return id;
}

long ATTR_REF::cre(long list, const char* name, const TEXTBUFFER& value, char flags) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  const auto held = static_cast<uint8_t>(flags);
  if ((held & DBATTREFTYPE::kInDatabase) != 0 &&
      !dlist::embedded_file_ok(dlist::buffer_bytes(value), nullptr, nullptr))
    return 0;
  return dlist::insert_ref(*db, list, name, dlist::buffer_bytes(value), held);
}

long ATTR_REF::filepred_import(long list, const char* name, const TEXTBUFFER& value) {
  ModelDatabase* db = begin_model_call();
  if (!db || !dlist::embedded_file_ok(dlist::buffer_bytes(value), nullptr, nullptr)) return 0;
  return dlist::insert_ref(*db, list, name, dlist::buffer_bytes(value), DBATTREFTYPE::kInDatabase);
}

int ATTR_REF::del(long id) {
  ModelDatabase* db = begin_model_call();
  if (!db) return 0;
  dlist::RefRow row;
  if (!dlist::load_ref(*db, model_id(id), &row)) return 0;
  dlist::CallScope call(db->connection());
  if (!call) return 0;
  Statement s(db->connection(), "DELETE FROM attr_refs WHERE id = ?1");
  if (!s.bind(1, row.id).run() || !db->drop_id(row.id)) return 0;
  return call.commit() ? 1 : 0;
}

int ATTR_REF::mod_name(long id, const char* name) {
  ModelDatabase* db = begin_model_call();
  std::string_view text;
  dlist::RefRow row;
  if (!db || !dlist::name_ok(name, dlist::kRefNameField - 1, &text) ||
      !dlist::load_ref(*db, model_id(id), &row))
    return 0;
  {
    Statement taken(db->connection(),
                    "SELECT 1 FROM attr_refs WHERE list = ?1 AND name = ?2 AND id <> ?3");
    const bool found = taken.bind(1, row.list).bind(2, dlist::as_bytes(text)).bind(3, row.id).row();
    if (found || !taken.ok()) return 0;
  }
  Statement s(db->connection(), "UPDATE attr_refs SET name = ?2 WHERE id = ?1");
  return s.bind(1, row.id).bind(2, dlist::as_bytes(text)).run() ? 1 : 0;
}

int ATTR_REF::mod_value(long id, const TEXTBUFFER& value, char flags) {
  ModelDatabase* db = begin_model_call();
  dlist::RefRow row;
  if (!db || !dlist::load_ref(*db, model_id(id), &row)) return 0;
  const auto held = static_cast<uint8_t>(flags);
  const auto bytes = dlist::buffer_bytes(value);
  if (bytes.size() > dlist::kMaxTextBufferBytes ||
      ((held & DBATTREFTYPE::kInDatabase) != 0 && !dlist::embedded_file_ok(bytes, nullptr, nullptr)))
    return 0;
  Statement s(db->connection(), "UPDATE attr_refs SET value = ?2, flags = ?3 WHERE id = ?1");
  return s.bind(1, row.id).bind(2, bytes).bind(3, held).run() ? 1 : 0;
}

int ATTR_REF::mod_indirect_name(const char* name) {
  ModelDatabase* db = begin_model_call();
  std::string_view text;
  dlist::RefRow row;
  if (!db || !dlist::name_ok(name, dlist::kRefNameField - 1, &text) ||
      !dlist::load_ref(*db, last_, &row) || (row.flags & DBATTREFTYPE::kIndirect) == 0)
    return 0;
  dlist::Bytes value(text.begin(), text.end());
  value.push_back(0);
  Statement s(db->connection(), "UPDATE attr_refs SET value = ?2 WHERE id = ?1");
  return s.bind(1, row.id).bind(2, value).run() ? 1 : 0;
}

int ATTR_REF::fpop(long id, const char* path, int flag) {
  ModelDatabase* db = begin_model_call();
  dlist::RefRow row;
  if (!db || !path || !*path || !dlist::load_ref(*db, model_id(id), &row) ||
      (row.flags & DBATTREFTYPE::kInDatabase) == 0)
    return 0;
  std::span<const unsigned char> content;
  if (!dlist::embedded_file_ok(row.value, nullptr, &content)) return 0;
  std::error_code ec;
  if (flag != 0 && std::filesystem::exists(path, ec)) return 0;
  try {
    dlist::FileReplacement out(path);
    if (!content.empty()) out.file().write(content.data(), static_cast<unsigned>(content.size()));
    out.commit();
  } catch (const std::exception&) {
    return 0;
  }
  return 1;
}
