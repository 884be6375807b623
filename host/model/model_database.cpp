// The model database: schema, system levels, identifiers and the active model.
#include "host/model/model_database.h"

#include <cstring>
#include <span>

#include "foundation/element_kinds.h"
#include "host/model/element_parameters.h"
#include "host/model/model_internal.h"
#include "host/model/material_groups.h"
#include "host/model/model_elements.h"
#include "host/model/plans.h"

namespace dlist {
namespace {

// Tables and indexes; the layout is described in docs/model_database.md.
constexpr const char* kSchema = R"sql(
CREATE TABLE ids (
  id   INTEGER PRIMARY KEY AUTOINCREMENT,
  what INTEGER NOT NULL
);
CREATE TABLE nodes (
  id          INTEGER PRIMARY KEY,
  tree        INTEGER NOT NULL,
  parent      INTEGER NOT NULL,
  seq         INTEGER NOT NULL,
  level       INTEGER NOT NULL,
  kind        INTEGER NOT NULL,
  name        BLOB    NOT NULL,
  description BLOB    NOT NULL,
  last        INTEGER NOT NULL,
  record      INTEGER NOT NULL
);
CREATE INDEX nodes_children ON nodes (parent, seq);
CREATE INDEX nodes_names ON nodes (parent, name);
CREATE INDEX nodes_record ON nodes (record);
CREATE TABLE palettes (
  id     INTEGER PRIMARY KEY,
  kind   INTEGER NOT NULL,
  digest INTEGER NOT NULL,
  image  BLOB    NOT NULL
);
CREATE INDEX palettes_equal ON palettes (kind, digest);
CREATE TABLE elements (
  id    INTEGER PRIMARY KEY,
  kind  INTEGER NOT NULL,
  image BLOB    NOT NULL,
  text  BLOB
);
CREATE TABLE surfaces (
  owner INTEGER NOT NULL,
  pos   INTEGER NOT NULL,
  image BLOB    NOT NULL,
  PRIMARY KEY (owner, pos)
) WITHOUT ROWID;
CREATE TABLE matrefs (
  owner INTEGER NOT NULL,
  pos   INTEGER NOT NULL,
  bytes BLOB    NOT NULL,
  PRIMARY KEY (owner, pos)
) WITHOUT ROWID;
CREATE TABLE attrefs (
  owner INTEGER NOT NULL,
  pos   INTEGER NOT NULL,
  bytes BLOB    NOT NULL,
  PRIMARY KEY (owner, pos)
) WITHOUT ROWID;
CREATE TABLE palette_refs (
  palette INTEGER NOT NULL,
  slot    INTEGER NOT NULL CHECK (slot BETWEEN 0 AND 2),
  element INTEGER NOT NULL
);
CREATE INDEX palette_refs_palette ON palette_refs (palette, slot);
)sql";

// Names of the system nodes, by kind.
constexpr const char* kKindFolderNames[kLastKind] = {
    "Walls",   "Doors", "Windows", "Symbols", "Stairs",  "Ceilings", "Roofs",
    "Parcels", "Texts", "Rasters", "Lines",   "Circles", "Hotspots"};

std::span<const unsigned char> bytes_of(const char* text) {
  return {reinterpret_cast<const unsigned char*>(text), std::strlen(text)};
}

ModelDatabase* g_active = nullptr;
unsigned g_fail_calls_after = 0;

}  // namespace

bool ModelDatabase::open(const std::string& path) {
  close();
  error_.clear();
  if (!db_.open(path)) return false;
  int64_t version = -1;
  int64_t tables = 0;
  {
    Statement v(db_, "PRAGMA user_version");
    if (v.row()) version = v.integer(0);
    Statement t(db_, "SELECT count(*) FROM sqlite_schema");
    if (t.row()) tables = t.integer(0);
    if (!v.ok() || !t.ok()) {
      // A file in use or out of reach says so; anything else is no project.
      const std::string cause = db_.failure_cause();
      error_ = !cause.empty() && db_.last_failure() != kSqliteNotADatabase
                   ? cause
                   : "not a project database: " + db_.last_error();
    }
  }
  if (!error_.empty()) {
    db_.close();
    return false;
  }
  if (tables == 0 && version == 0) {
    bool created = db_.write_lock();
    if (created) {
      created = create_schema() && create_system_levels();
      if (!created) db_.abandon();
      created = db_.write_unlock() && created;
    }
    if (!created) {
      const std::string cause = db_.failure_cause();
      error_ = "cannot create the project: " + (cause.empty() ? db_.last_error() : cause);
    }
  } else if (version != kSchemaVersion) {
    error_ = "the file holds schema version " + std::to_string(version) + ", not " +
             std::to_string(kSchemaVersion);
  }
  if (!error_.empty()) {
    db_.close();
    return false;
  }
  // The plan tables are made where they are missing; a read-only project without
  // them still opens (its plan calls then fail).
  create_plan_tables(db_);
  create_material_group_tables(db_);
  create_attribute_tables(*this);
  create_location_tables(*this);
  create_model_element_tables(db_);
  InvalidateProjectAttributes();
  return true;
}

void ModelDatabase::close() {
  if (db_.is_open()) InvalidateProjectAttributes();
  db_.close();
  read_depth_ = 0;
}

int ModelDatabase::read_lock() {
  if (!db_.is_open()) return 0;
  ++read_depth_;
  return 1;
}

int ModelDatabase::read_unlock() {
  if (!db_.is_open() || read_depth_ == 0) return 0;
  --read_depth_;
  return 1;
}

bool ModelDatabase::create_schema() {
  return db_.exec(kSchema) &&
         db_.exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
}

int64_t ModelDatabase::insert_system_node(ModelTree tree, int64_t parent, int seq, int level,
                                          int kind, const char* name) {
  const int64_t id = new_id(tree == ModelTree::kPalettes ? ModelObject::kPaletteNode
                                                         : ModelObject::kPrototypeNode);
  if (id == 0) return 0;
  Statement s(db_,
              "INSERT INTO nodes (id, tree, parent, seq, level, kind, name, description, last, "
              "record) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, x'', -1, 0)");
  s.bind(1, id).bind(2, static_cast<int>(tree)).bind(3, parent).bind(4, seq).bind(5, level);
  s.bind(6, kind).bind(7, bytes_of(name));
  return s.run() ? id : 0;
}

// The palette tree: the root; below it one node per kind (level 1), each holding the
// kind folder of that kind (level 2). The prototype tree: the root and the kind
// folders (level 1).
bool ModelDatabase::create_system_levels() {
  const int64_t palettes = insert_system_node(ModelTree::kPalettes, 0, 0, 0, 0, "Palettes");
  if (palettes == 0) return false;
  for (int kind = kFirstKind; kind <= kLastKind; ++kind) {
    const char* name = kKindFolderNames[kind - 1];
    const int64_t group = insert_system_node(ModelTree::kPalettes, palettes, kind, 1, kind, name);
    if (group == 0 || insert_system_node(ModelTree::kPalettes, group, 0, 2, kind, name) == 0)
      return false;
  }
  const int64_t prototypes = insert_system_node(ModelTree::kPrototypes, 0, 0, 0, 0, "Prototypes");
  if (prototypes == 0) return false;
  for (int kind = kFirstKind; kind <= kLastKind; ++kind) {
    if (insert_system_node(ModelTree::kPrototypes, prototypes, kind, 1, kind,
                           kKindFolderNames[kind - 1]) == 0)
      return false;
  }
  return true;
}

int64_t ModelDatabase::new_id(ModelObject what) {
  Statement s(db_, "INSERT INTO ids (what) VALUES (?1)");
  if (!s.bind(1, static_cast<int>(what)).run()) return 0;
  const int64_t id = db_.last_insert_id();
  return id > 0 && id <= kMaxModelId ? id : 0;
}

bool ModelDatabase::holding_many() const {
  return many_records_ > 0 && db_.lock_depth() > 0 && db_.in_transaction();
}

// Rows for an owner beyond the largest one found can come only from records created
// since, each under an identifier of its own that no earlier row names; a rollback,
// which may bring back deleted rows, makes the store look again.
bool ModelDatabase::may_own_rows(int64_t id) {
  if (!holding_many()) return true;
  if (owners_found_ != undoings_stamp()) {
    Statement s(db_,
                "SELECT max(coalesce((SELECT max(owner) FROM surfaces), 0), "
                "coalesce((SELECT max(owner) FROM matrefs), 0), "
                "coalesce((SELECT max(owner) FROM attrefs), 0))");
    if (!s.row() || !s.ok()) return true;
    largest_owner_ = s.integer(0);
    owners_found_ = undoings_stamp();
  }
  return id <= largest_owner_;
}

ModelDatabase::HeldFolder* ModelDatabase::held_folder(int64_t id, ModelTree tree) {
  if (!holding_many()) return nullptr;
  if (folders_held_ != undoings_stamp()) return nullptr;
  const auto it = held_folders_.find(id);
  return it == held_folders_.end() || it->second.tree != tree ? nullptr : &it->second;
}

void ModelDatabase::hold_folder(int64_t id, ModelTree tree, int level, int kind, int64_t next_seq,
                                bool names_known) {
  if (!holding_many()) return;
  if (folders_held_ != undoings_stamp()) {
    held_folders_.clear();
    folders_held_ = undoings_stamp();
  }
  HeldFolder& folder = held_folders_[id];
  folder.tree = tree;
  folder.level = level;
  folder.kind = kind;
  folder.next_seq = next_seq;
  folder.names_known = names_known;
  for (auto& names : folder.names) names.clear();
}

void ModelDatabase::hold_record(ModelTree tree, int64_t id, int kind) {
  if (!holding_many()) return;
  held_record_ = {tree, id, kind, undoings_stamp()};
}

int ModelDatabase::held_record_kind(ModelTree tree, int64_t id) const {
  if (!holding_many() || held_record_.stamp != undoings_stamp() || held_record_.id != id ||
      held_record_.tree != tree || id <= 0)
    return -1;
  return held_record_.kind;
}

bool ModelDatabase::drop_id(int64_t id) {
  Statement s(db_, "DELETE FROM ids WHERE id = ?1");
  return s.bind(1, id).run();
}

int64_t ModelDatabase::root(ModelTree tree) {
  Statement s(db_, "SELECT id FROM nodes WHERE tree = ?1 AND parent = 0 ORDER BY id LIMIT 1");
  s.bind(1, static_cast<int>(tree));
  return s.row() ? s.integer(0) : 0;
}

int64_t ModelDatabase::kind_folder(ModelTree tree, int kind) {
  if (!kind_facts(kind)) return 0;
  const int level = tree == ModelTree::kPalettes ? 2 : 1;
  Statement s(db_,
              "SELECT id FROM nodes WHERE tree = ?1 AND level = ?2 AND kind = ?3 "
              "ORDER BY id LIMIT 1");
  s.bind(1, static_cast<int>(tree)).bind(2, level).bind(3, kind);
  return s.row() ? s.integer(0) : 0;
}

bool ModelDatabase::add_palette_reference(int64_t palette, int slot, int64_t element) {
  if (slot < 0 || slot > 2) return false;
  {
    Statement p(db_, "SELECT 1 FROM palettes WHERE id = ?1");
    if (!p.bind(1, palette).row()) return false;
  }
  Statement s(db_, "INSERT INTO palette_refs (palette, slot, element) VALUES (?1, ?2, ?3)");
  return s.bind(1, palette).bind(2, slot).bind(3, element).run();
}

ModelDatabase* active_model() {
  return g_active;
}

ModelDatabase* set_active_model(ModelDatabase* model) {
  ModelDatabase* previous = g_active;
  g_active = model;
  return previous;
}

void fail_model_calls_after(unsigned n) {
  g_fail_calls_after = n;
}

void fail_model_statements_after(unsigned n) {
  if (g_active) g_active->connection().fail_statements_after(n);
}

ModelDatabase* begin_model_call() {
  if (g_fail_calls_after > 0 && --g_fail_calls_after == 0) return nullptr;
  return g_active && g_active->is_open() ? g_active : nullptr;
}

}  // namespace dlist
