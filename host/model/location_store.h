// LOCALIZATION: the suite's handle of the location tree of the active model
// (docs/model_database.md, "Locations").
//
// Locations form one tree whose top level has parent 0. Each location has a record
// identifier (what cre_location and get_location answer; a tree item carries it)
// and a key (by which elements and material references name it). Keys above 0 are
// unique in a project; key 0 marks a location that the user cannot delete or drag.
// Names are 1 to 79 characters, unique among the children of one parent (compared
// byte for byte). Children are listed in the order they were put under their
// parent. Handles are light: construct one for an operation; a walk keeps its
// position in the handle. Without an active model every call fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dlist/api.h"
#include "foundation/location_records.h"

class DLIST_API LOCALIZATION {
 public:
  // Positions at the children of parent (0: the top level) and returns how many
  // there are; -1 when there are none (or parent does not exist).
  long rew_location(long parent);
  // Fills the next child of the walk and returns its identifier; 0 at the end.
  long get_location(DBLOCATIONTYPE* location);
  // Reads one location; *parent, when asked for, receives its parent (0 at the top
  // level). Returns id, 0 when there is no such location.
  long get_id_location(long id, DBLOCATIONTYPE* location, long* parent = nullptr);
  // The identifier of the location whose key is key (above 0), filling *location
  // when given; 0 when there is none.
  long get_key_location(long key, DBLOCATIONTYPE* location = nullptr);

  // Creates a location under parent (0: the top level) with the record's key, name
  // and text. With fresh_key non-zero (a location of the user, or one imported under
  // a location) a key that is not above 0 or is taken is replaced by a new one, and
  // location->key receives the key given; with fresh_key 0 (a full replacement) the
  // key is kept as it is, and a key below 0 or taken is refused. Returns the new
  // identifier; 0 when refused (a bad or taken name, no such parent, a key) or on
  // failure.
  long cre_location(long parent, DBLOCATIONTYPE* location, int fresh_key);
  // Writes the name and text of location id (its key stays). 0 when the name is bad
  // or taken by a sibling, or id does not exist; non-zero on success.
  int mod_location(long id, DBLOCATIONTYPE* location);
  // Removes location id with every location below it. Non-zero on success.
  int del_location(long id);
  // Removes every location. Non-zero on success.
  int purge_location();
  // Moves location id with its subtree under target (0: the top level), as its last
  // child. 0 when target is id or lies below it, the name is taken among the
  // target's children, or either does not exist; non-zero on success.
  int move_tree(long id, long target);

  // Non-zero when name (1 to 79 characters) is free among the children of parent
  // (0: the top level); except, when given, is a location that does not count (the
  // one being renamed).
  int is_good_name(long parent, const char* name, long except = 0);
  // Non-zero when target is neither id nor a location below id (so id may be moved
  // under it); target 0, the top level, always is.
  int is_independ(long id, long target);
  // Non-zero when a material reference of a palette or stored element record names
  // the location key (above 0).
  int is_used_location(long key);

 private:
  std::vector<int64_t> children_;  // the walk of rew_location / get_location
  std::size_t next_child_ = 0;
};

namespace dlist {

// Location calls that stand or fall together: the scope holds the model's write
// lock and a savepoint of its own inside the transaction, so leaving it without
// commit() takes back what the calls in it did and nothing that the caller's
// transaction held before (a full replacement that meets a bad file).
class DLIST_API LocationBatch {
 public:
  LocationBatch();
  ~LocationBatch();
  LocationBatch(const LocationBatch&) = delete;
  LocationBatch& operator=(const LocationBatch&) = delete;

  // False when there is no active model or the lock or savepoint could not be had.
  explicit operator bool() const { return scope_ != nullptr; }
  // Keeps the calls' writes; false when that fails (they are then taken back).
  bool commit();

 private:
  void* model_ = nullptr;  // the model whose lock is held
  void* scope_ = nullptr;  // the savepoint
};

}  // namespace dlist
