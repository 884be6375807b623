// The model database of the stand-ins: the project file that holds the palette and
// prototype trees, the palettes, the stored element records with their surface sets
// and reference chains, and the references of the model's elements to palettes.
// Schema, system levels and rules are in docs/model_database.md.
//
// The suite's store handles (PALETTES, PROTOTYPES) and per-kind calls are
// constructed for one operation with no arguments; they work on the active model,
// set with set_active_model() or an ActiveModel scope. Without an active model
// every store call fails.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "dlist/api.h"
#include "host/database_task.h"
#include "host/model/sqlite_connection.h"

namespace dlist {

// The two trees of the model database.
enum class ModelTree : int { kPalettes = 1, kPrototypes = 2 };

// The first level of user nodes: palette levels 0 to 2 and prototype levels 0 and 1
// are the system levels (the root, the level-1 nodes of the palette tree, the kind
// folders).
inline constexpr int kPaletteUserLevel = 3;
inline constexpr int kPrototypeUserLevel = 2;

// Identifiers are 32-bit: the store refuses to hand out one above this.
inline constexpr int64_t kMaxModelId = 0x7fffffff;

// What an identifier names (column `what` of the identifier table).
enum class ModelObject : int {
  kPaletteNode = 1,
  kPrototypeNode = 2,
  kPalette = 3,
  kElement = 4,
  kAttributeNode = 5,       // a group or attribute entry of the attribute library
  kAttributeList = 6,       // the reference list of an attribute
  kAttributeReference = 7,  // one reference (named value) of an attribute
  kPlacedElement = 8,       // an element placed in the model (model_elements.h)
};

class DLIST_API ModelDatabase : public GENDBTASK {
 public:
  static constexpr int kSchemaVersion = 1;

  ModelDatabase() = default;
  ModelDatabase(const ModelDatabase&) = delete;
  ModelDatabase& operator=(const ModelDatabase&) = delete;

  // Opens the project file at path (":memory:" for one in memory). A new file gets
  // the schema and the system levels of both trees. False, with a reason in
  // last_error(), for a file that cannot be opened or holds another schema.
  bool open(const std::string& path);
  void close();
  bool is_open() const { return db_.is_open(); }
  // The file of the project.
  const char* fullpath() const override { return db_.path().c_str(); }
  std::string last_error() const { return error_.empty() ? db_.last_error() : error_; }

  // The locks of GENDBTASK. The write lock is the connection's re-entrant one (see
  // SqliteConnection); a read lock only counts, every statement reading a
  // consistent state of its own. Both fail when the project is not open.
  int read_lock() override;
  int read_unlock() override;
  int write_lock() override { return db_.write_lock() ? 1 : 0; }
  int write_unlock() override { return db_.write_unlock() ? 1 : 0; }
  void abandon() override { db_.abandon(); }

  // The root node of a tree (0 when the project is not open).
  int64_t root(ModelTree tree);
  // The kind folder of kind 1..13 in a tree (palette level 2, prototype level 1);
  // 0 for another kind.
  int64_t kind_folder(ModelTree tree, int kind);

  // Records that element uses palette, counted in slot 0, 1 or 2 of the palette's
  // reference counts. False for another slot, a palette that does not exist, or a
  // failed write.
  bool add_palette_reference(int64_t palette, int slot, int64_t element);

  // A new identifier for an object, 0 on failure or when the 32-bit range is spent.
  int64_t new_id(ModelObject what);
  // Forgets an identifier (it is never handed out again).
  bool drop_id(int64_t id);

  SqliteConnection& connection() { return db_; }

  // A caller about to create many records under its write lock (an import) holds
  // this scope. The rows of a new record (its surfaces and references) are cleared
  // before they are written, so that rows a damaged file holds for an identifier not
  // yet handed out never join the record; within the scope the store instead finds
  // once the largest owner of such rows and clears only for an identifier up to it.
  // For a single record the one look-up costs what the clearing does.
  class DLIST_API ManyRecords {
   public:
    explicit ManyRecords(ModelDatabase& db) : db_(db) { ++db_.many_records_; }
    ~ManyRecords() {
      if (--db_.many_records_ == 0) db_.nodes_moved_or_removed();
    }
    ManyRecords(const ManyRecords&) = delete;
    ManyRecords& operator=(const ManyRecords&) = delete;

   private:
    ModelDatabase& db_;
  };
  // Whether rows of the surface and reference tables may name owner id, a new
  // record's identifier: false only when proven that none does.
  bool may_own_rows(int64_t id);
  // What the creation of a node learnt of its folder within a ManyRecords scope:
  // the folder's tree, level and kind, and the place after its last child. Of a
  // folder created within the scope the names of all its children are known too,
  // its folders' in names[0] and its leaves' in names[1].
  struct HeldFolder {
    ModelTree tree = ModelTree::kPalettes;
    int level = 0;
    int kind = 0;
    int64_t next_seq = 0;
    bool names_known = false;
    std::unordered_set<std::string> names[2];
  };
  // The folder of tree as held; null outside a scope, when not held for that tree,
  // or when a rollback may have changed what was learnt.
  HeldFolder* held_folder(int64_t id, ModelTree tree);
  // Holds a folder after a node was created in it (nothing outside a scope); with
  // names_known for a folder just created, whose children are all still to come.
  void hold_folder(int64_t id, ModelTree tree, int level, int kind, int64_t next_seq,
                   bool names_known = false);
  // A call that moves, renames or removes nodes or records drops what is held of
  // folders and records (and counts as a write of nodes).
  void nodes_moved_or_removed() {
    held_folders_.clear();
    held_record_ = {};
    ++node_writes_;
  }
  // Counts the calls that write nodes, so that a walk that read its rows ahead
  // knows whether they still stand.
  void nodes_written() { ++node_writes_; }
  uint64_t node_writes() const { return node_writes_; }
  // Within a ManyRecords scope, the record of tree just created, with its kind.
  void hold_record(ModelTree tree, int64_t id, int kind);
  // The kind of record id of tree when it is the one held; -1 when not known.
  int held_record_kind(ModelTree tree, int64_t id) const;

 private:
  bool create_schema();
  bool create_system_levels();
  // Whether what a ManyRecords scope learns may be used: a scope is held inside the
  // write lock's transaction.
  bool holding_many() const;
  // The connection's undoings() plus one: 0 stands for "never learnt".
  unsigned undoings_stamp() const { return db_.undoings() + 1; }
  int64_t insert_system_node(ModelTree tree, int64_t parent, int seq, int level, int kind,
                             const char* name);

  SqliteConnection db_;
  std::string error_;
  int read_depth_ = 0;  // read locks held
  int many_records_ = 0;     // ManyRecords scopes held
  int64_t largest_owner_ = 0;  // of the rows, as last found ...
  unsigned owners_found_ = 0;  // ... at this undoings_stamp()
  std::unordered_map<int64_t, HeldFolder> held_folders_;
  unsigned folders_held_ = 0;  // undoings_stamp() when held_folders_ was begun
  uint64_t node_writes_ = 0;
  struct HeldRecord {
    ModelTree tree = ModelTree::kPalettes;
    int64_t id = 0;
    int kind = 0;
    unsigned stamp = 0;  // undoings_stamp() when held
  } held_record_;
};

// ---- the active model --------------------------------------------------------------

// The model the store handles work on; null when none is set.
DLIST_API ModelDatabase* active_model();
// Sets the active model (null for none) and returns the one set before.
DLIST_API ModelDatabase* set_active_model(ModelDatabase* model);

// Makes a model the active one for a scope, then restores the one before.
class DLIST_API ActiveModel {
 public:
  explicit ActiveModel(ModelDatabase& model) : previous_(set_active_model(&model)) {}
  ~ActiveModel() { set_active_model(previous_); }
  ActiveModel(const ActiveModel&) = delete;
  ActiveModel& operator=(const ActiveModel&) = delete;

 private:
  ModelDatabase* previous_;
};

// ---- failure injection, for tests ------------------------------------------------------

// Makes the n-th following store call (a member of PALETTES or PROTOTYPES, or a
// per-kind call) fail with its failure value and change nothing; 1 is the next
// call, 0 switches it off. It fires once.
DLIST_API void fail_model_calls_after(unsigned n);
// Makes the n-th following statement of the active model fail, wherever it falls
// inside a call (the call then undoes its partial writes); 0 switches it off.
DLIST_API void fail_model_statements_after(unsigned n);

// The model for one store call: the active model, or null when there is none, it is
// not open, or the call is the one chosen to fail.
DLIST_API ModelDatabase* begin_model_call();

}  // namespace dlist
