// The material library database of the stand-ins (the suite's DBLIST): a library
// file of its own holding materials in a code tree with their long texts, units
// and dimensions as a forest, the unit and subprice references of materials,
// markets, subprices, the four long text names and the version record with the ID
// separator. Schema and rules: docs/material_library.md.
//
// Calls follow the suite's database conventions: identifiers are 32-bit, above 0
// naming a record; a rewind_* call positions a walk at the children of a parent (0:
// the roots) and each following get fills the record and returns its identifier,
// a result below 1 ending the walk (-1: a record that could not be read, or a
// failed call). Each family of records (materials, units, unit references,
// subprice references, markets, subprices) has one walk position in the context,
// so a caller that acts during a walk first collects the identifiers of one level.
// Walks give records in the order they were created.
//
// Locks are re-entrant counters: the outermost write_lock begins a transaction and
// the matching write_unlock commits it, so a whole import is one transaction; every
// changing call is atomic (under a savepoint of its own where it writes more than
// once), so a failed call changes nothing. Reading walks take read_lock and
// read_unlock; a write lock may be taken inside a read lock and the other way round.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/material_records.h"
#include "host/database_task.h"

namespace dlist {
class SqliteConnection;
}

class DLIST_API LISTCONTEXT : public GENDBTASK {
 public:
  static constexpr int kSchemaVersion = 1;

  LISTCONTEXT();
  ~LISTCONTEXT() override;
  LISTCONTEXT(const LISTCONTEXT&) = delete;
  LISTCONTEXT& operator=(const LISTCONTEXT&) = delete;

  // Opens (creating when missing) the library file at path, ":memory:" for one in
  // memory. False, with a reason in last_error(), for a file that cannot be opened
  // or holds another schema.
  bool open(const std::string& path);
  void close();
  bool is_open() const;
  std::string last_error() const;

  int read_lock() override;
  int read_unlock() override;
  int write_lock() override;
  int write_unlock() override;
  const char* fullpath() const override;
  void abandon() override;

  // ---- materials ----
  // Positions at the children of parent (0: the root materials); the number of
  // children, -1 on failure.
  long rewind_material(long parent);
  // The next material of the walk, with its long texts when texts (an array of
  // kLongTextCount buffers) is given; its identifier, 0 at the end.
  long get(dbmaterial& rec, LONGTEXT* texts);
  // The material id; id, or 0 when there is none.
  long get(long id, dbmaterial& rec, LONGTEXT* texts);
  // The material of a code: components joined by "." / a chain of components;
  // its identifier, 0 when no material has that code.
  long get(const TEXTBUFFER& code, dbmaterial& rec, LONGTEXT* texts);
  long get(const MATIDCHAIN& code, dbmaterial& rec, LONGTEXT* texts);
  // The code components of material id from its root down (the chain is cleared
  // first); non-zero on success, 0 when there is no such material.
  int get_matidchain(long id, MATIDCHAIN& chain);
  // The code of material id, its components joined by "."; non-zero on success.
  int get_idpath(long id, TEXTBUFFER& path);
  // The parent of material id: its identifier, 0 for a root, -1 when there is no
  // such material.
  long get_parent_material(long id);
  // Creates a material below parent (0: a root) from rec and texts (null: empty
  // texts; the lengths are taken from the buffers). Its identifier; 0 when the
  // parent does not exist, the own code is empty or already used by a sibling, or
  // the store fails.
  long create(long parent, const dbmaterial& rec, LONGTEXT* texts);
  // Rewrites material id (its place in the tree stays); non-zero on success. A new
  // own code must not be used by a sibling.
  int modify(long id, const dbmaterial& rec, LONGTEXT* texts);
  // Removes material id with its whole subtree and their references.
  int remove_material(long id);
  // Places material id, with its whole subtree, below parent (0: as a root). Every
  // record keeps its identifier, fields, long texts and references; only the
  // material's parent changes. 0 when either material does not exist, parent is id
  // or lies below it, parent already has a child of id's own code, or the store
  // fails.
  int move_material(long id, long parent);

  // ---- units and dimensions ----
  // Positions at the children of unit parent (0: the roots, the dimensions).
  long rewind_unit(long parent);
  long get(dbunit& rec);
  long get(long id, dbunit& rec);
  // The unit of an abbreviation (exact); its identifier, 0 when none.
  long find_unit(const char* abbrev, dbunit& rec);
  // The parent of unit id: its identifier; below 1 at a root or for no such unit.
  long get_parent(long id);
  // Creates a unit below parent (0: a root); 0 when the abbreviation is empty or
  // already used, the parent does not exist, or the store fails.
  long create(long parent, const dbunit& rec);
  int modify(long id, const dbunit& rec);
  // Removes unit id with the units below it.
  int remove_unit(long id);

  // ---- unit references of a material ----
  long rewind_unit_ref(long material);
  // The next reference; its identifier, 0 at the end.
  long get(unitref& rec);
  long create(long material, const unitref& rec);
  int remove_unit_ref(long id);

  // ---- subprice references of a material ----
  long rewind_subprice_ref(long material);
  long get(subpriceref& rec);
  long create(long material, const subpriceref& rec);
  int modify(long id, const subpriceref& rec);
  int remove_subprice_ref(long id);

  // ---- markets ----
  long rewind_market();
  long get(dbmarket& rec);
  long get(long id, dbmarket& rec);
  // The market of a name (exact); 0 when none.
  long find_market(const char* name, dbmarket& rec);
  // 0 when the name is empty or already used.
  long create(const dbmarket& rec);
  int modify(long id, const dbmarket& rec);
  int remove_market(long id);

  // ---- subprices ----
  long rewind_subprice();
  long get(dbsubprice& rec);
  long get(long id, dbsubprice& rec);
  // The subprice of an abbreviation (exact); 0 when none.
  long find_subprice(const char* abbrev, dbsubprice& rec);
  // 0 when the abbreviation is empty or already used.
  long create(const dbsubprice& rec);
  int modify(long id, const dbsubprice& rec);
  int remove_subprice(long id);

  // ---- library records ----
  // The four long text names (empty texts until set); non-zero on success.
  int get(longtextname& rec);
  int modify(const longtextname& rec);
  // Whether the long text names were ever set.
  int has_longtextnames();
  // The version record (idseparator 0 until set).
  int get(dbvernum& rec);
  int modify(const dbvernum& rec);

  // ---- identifier lists ----
  // Each fills ids (cleared first) and answers their number, -1 on failure; none
  // moves a walk of the context. The cursors keep their walks in these.
  // Every material, in creation order.
  long material_ids(std::vector<long>& ids);
  // Every unit: each dimension followed by the units below it, depth first, each
  // level in creation order.
  long unit_ids(std::vector<long>& ids);
  // The children of unit parent (0: the dimensions), in creation order.
  long unit_children(long parent, std::vector<long>& ids);
  long market_ids(std::vector<long>& ids);
  long subprice_ids(std::vector<long>& ids);

  // The connection, for the stand-ins' own tests and benchmarks.
  dlist::SqliteConnection& connection();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// ---- cursors ----------------------------------------------------------------------

// A record of a library, reached through its context.
class DLIST_API ListElem {
 public:
  explicit ListElem(LISTCONTEXT* task) : task_(task) {}
  LISTCONTEXT* task() const { return task_; }

 private:
  LISTCONTEXT* task_;
};

// The identifier a cursor stands on (0: none).
class DLIST_API DBElem {
 public:
  explicit DBElem(long id) : id_(id) {}
  long elemid() const { return id_; }
  void elemid(long id) { id_ = id; }

 private:
  long id_;
};

// A material cursor: the record at hand (`data`, `texts`) and the material it stands
// on. Results are non-zero on success.
class DLIST_API Material : public ListElem, public DBElem {
 public:
  Material(LISTCONTEXT* task, long id);

  // Reads the material the cursor stands on into data and texts.
  int read();
  // The walk over all materials, in creation order: root() stands on the first,
  // get() on the next; each reads the record. 0 when there is none / at the end.
  int root();
  int get();
  // Moves to the parent and reads it; 0 at a root (the cursor stays).
  int parent();
  // Creates a material from data and texts below the one the cursor stands on (or
  // as a root when it stands on none) and moves onto it.
  int create();
  // Writes data and texts over the material the cursor stands on.
  int update();
  // Removes the material with its subtree; the cursor then stands on none.
  int remove();

  dbmaterial data{};
  LONGTEXT texts[kLongTextCount];

 private:
  std::vector<long> walk_;
  std::size_t next_ = 0;
};

// A unit cursor. root()/get() walk all units (each dimension followed by its units,
// depth first); rewind()/next() the children of the unit the cursor stands on,
// moving the cursor onto each.
class DLIST_API Unit : public ListElem, public DBElem {
 public:
  Unit(LISTCONTEXT* task, long id);

  int read();
  int root();
  int get();
  int rewind();
  int next();
  // Creates a unit from data below parent (0: a dimension) and moves onto it.
  int create(long parent);
  int update();
  int remove();

  dbunit data{};

 private:
  std::vector<long> walk_;
  std::size_t next_ = 0;
  std::vector<long> children_;
  std::size_t next_child_ = 0;
};

// A market cursor: rewind()/next() walk all markets.
class DLIST_API Market : public ListElem, public DBElem {
 public:
  Market(LISTCONTEXT* task, long id);

  int read();
  int rewind();
  int next();
  int create();
  int update();
  int remove();

  dbmarket data{};

 private:
  std::vector<long> walk_;
  std::size_t next_ = 0;
};

// A subprice cursor: rewind()/next() walk all subprices.
class DLIST_API Subprice : public ListElem, public DBElem {
 public:
  Subprice(LISTCONTEXT* task, long id);

  int read();
  int rewind();
  int next();
  int create();
  int update();
  int remove();

  dbsubprice data{};

 private:
  std::vector<long> walk_;
  std::size_t next_ = 0;
};

// ---- the active library -------------------------------------------------------------

// The suite's wrapper of the material library; GetPC() gives the active library's
// context, null when none is set.
class DLIST_API ACW_LIST {
 public:
  LISTCONTEXT* GetPC() const;
};

DLIST_API ACW_LIST& MaterialLibrary();

namespace dlist {

// Sets the active library (null for none) and returns the one set before.
DLIST_API LISTCONTEXT* set_active_library(LISTCONTEXT* library);

// Makes a library the active one for a scope, then restores the one before.
class DLIST_API ActiveLibrary {
 public:
  explicit ActiveLibrary(LISTCONTEXT& library) : previous_(set_active_library(&library)) {}
  ~ActiveLibrary() { set_active_library(previous_); }
  ActiveLibrary(const ActiveLibrary&) = delete;
  ActiveLibrary& operator=(const ActiveLibrary&) = delete;

 private:
  LISTCONTEXT* previous_;
};

// Failure injection, for tests: makes the n-th following call of a LISTCONTEXT (any
// context) fail with its failure value and change nothing; 1 is the next call, 0
// switches it off. It fires once.
DLIST_API void fail_list_calls_after(unsigned n);

}  // namespace dlist
