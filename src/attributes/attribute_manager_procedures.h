// The attribute manager's procedures on the library, apart from its dialog: naming
// a new group, renaming an entry, removing an entry after asking (and, when presets
// use it, removing those uses first), the drop test and the move of a dragged
// entry. The manager's commands and the command line both run them, so both
// behave alike; questions and refusals go through the framework's message boxes,
// which the active user answers.
#pragma once

#include <string>

namespace dlist {

// What the library holds about one entry.
struct AttributeEntryInfo {
  long id = 0;
  long parent = 0;  // 0 for the root
  short kind = 0;   // 0 the root, above 0 a group, below 0 an attribute
  std::string name;
  bool group() const { return kind >= 0; }
};

// Entry id; false when it is no entry of the library.
bool attribute_entry_info(long id, AttributeEntryInfo* info);

// Whether the entry keeps its name and place: the root, and a group whose name is
// one of the predefined names (those with a predefined-name code).
bool attribute_entry_protected(long id);

// The group that a command on entry id works in: the entry itself for a group, its
// group for an attribute; 0 when id is no entry.
long attribute_group_of(long id);

// Whether group holds another entry than except of the same class (group or
// attribute) named name.
bool attribute_name_taken(long group, const char* name, bool as_group, long except = 0);

// Creates a group named name in the group of given (an attribute stands for its
// group). Refuses, with message 11856 and the name as caption, a name that a group
// there has. The new group's identifier; 0 when refused or when the store failed.
long create_attribute_group(void* owner, long given, const char* name);

// Renames entry id (not a protected one). Refuses, with message 11856 and the name
// as caption, a name that an entry of the same class beside it has. Renaming to its
// own name succeeds without a change. 1 on success, 0 otherwise.
int rename_attribute_entry(void* owner, long id, const char* name);

// How remove_attribute_entry ended.
enum class RemoveResult {
  kRemoved,
  kDeclined,   // the user answered No
  kProtected,  // the root or a protected group
  kFailed,     // no such entry, or the store refused
};

// Asks and removes entry id with everything under it. When no preset uses it the
// question is 21700 with the entry's name as caption; otherwise the question is
// 20387 with caption 20386, and on Yes the uses are removed from the presets
// before the entry goes. Both changes are one: when the entry cannot be removed,
// the uses stay. The host learns that the project's attributes changed.
RemoveResult remove_attribute_entry(void* owner, long id);

// Whether dragged may be dropped onto target: dragged is no protected entry, target
// is another entry, not dragged's group, and, when beside dragged, a group.
bool attribute_drop_allowed(long dragged, long target);

// Moves dragged onto *target after attribute_drop_allowed. The store's answer: 1
// when the entry went into *target, 2 when beside it (*target is then the group
// that received it), 0 when refused.
int move_attribute_entry(long dragged, long* target);

}  // namespace dlist
