// The named groups of material references of the model: a group holds a set of
// material references (code, quantity, parameter) that the material link stores
// and applies to elements. The calls work on the active model (model_database.h)
// and fail with their failure value without one. Tables: docs/model_database.md,
// "Material link groups".
#pragma once

#include "dlist/api.h"
#include "foundation/references.h"

namespace dlist {
class SqliteConnection;

// Adds the group tables to a project that lacks them. False when they cannot be
// made (a read-only file): the group calls then fail.
bool create_material_group_tables(SqliteConnection& db);
}  // namespace dlist

// Room of a group's name, terminator included: 1 to 25 characters.
inline constexpr int kMatGroupNameSize = 26;

struct DBMATGROUP {
  char name[kMatGroupNameSize] = {};
};

// Creates a group named name; its identifier, 0 for an empty name, one longer than
// 25 bytes, a name already used, or a failed write.
DLIST_API long create_group(const char* name);
// Group id into rec (may be null): id, 0 when there is none.
DLIST_API long get_group(long id, DBMATGROUP* rec);
// The group named name (exactly): its identifier, 0 when none.
DLIST_API long find_group(const char* name);
// Positions the walk of the groups at the first (in name order); the number of
// groups, -1 on failure. get_group(rec) then gives the next one and its identifier,
// 0 at the end.
DLIST_API long rewind_group();
DLIST_API long get_group(DBMATGROUP* rec);
// Removes group id with its references; non-zero on success.
DLIST_API int remove_group(long id);
// Appends a reference to group id (its code, quantity and parameter; locations are
// not kept in groups). The reference's identifier; 0 when the group does not exist,
// the code is empty or the write fails.
DLIST_API long cre_group_matref(long group, const DBMATREF& ref);
// Removes every reference of group id; non-zero on success (also when it had none).
DLIST_API int remove_matref(long group);

// Walks the references of a group in the order they were added.
class DLIST_API MatrefIterator {
 public:
  explicit MatrefIterator(long group);
  // The next reference into ref: its identifier, 0 at the end, -1 for a row that
  // cannot be read (the walk then ends).
  long next(DBMATREF* ref);
  void reset() { after_ = 0; }

 private:
  long group_;
  long long after_ = 0;  // identifier of the last reference given
};
