// PROTOTYPES: the suite's handle of the prototype store of the active model: the
// prototype tree (the calls it shares with the palette store, in tree_store.h),
// whose leaves carry stored element records. The records themselves are created,
// read and changed by the per-kind calls (kind_calls.h).
//
// A handle is light: construct one for an operation. Its walks keep their position
// in the handle.
#pragma once

#include "dlist/api.h"
#include "foundation/tree_nodes.h"
#include "host/model/tree_store.h"

class DLIST_API PROTOTYPES : public dlist::TreeStore<DBPROTOTYPENODE> {
 public:
  PROTOTYPES() : TreeStore(dlist::ModelTree::kPrototypes) {}

  // The element record that node carries (0 for a folder or what is not a node);
  // *kind, when asked for, receives the node's kind.
  long get_id_prototype(long node, short* kind = nullptr) { return record_of(node, kind); }

  // Walks the whole prototype tree in store order, each folder before its contents:
  // rew_prototypenode returns the root (0 on failure); get_prototypenode fills node
  // and returns its identifier, 0 at the end.
  long rew_prototypenode() { return rew_all(); }
  long get_prototypenode(DBPROTOTYPENODE* node) { return get_all(node); }
};
