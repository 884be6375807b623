// PALETTES: the suite's handle of the palette store of the active model. It walks
// and changes the palette tree (the calls it shares with the prototype store, in
// tree_store.h) and answers for the palettes themselves: which palette a node
// carries, which node carries a palette, the palettes without a node, and the
// references of the model's elements to a palette. Palettes are created, read and
// compared by the per-kind calls (kind_calls.h).
//
// A handle is light: construct one for an operation. Its walks (rew_node,
// rew_palettenode, rew_palette) keep their position in the handle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dlist/api.h"
#include "foundation/tree_nodes.h"
#include "host/model/tree_store.h"

class DLIST_API PALETTES : public dlist::TreeStore<DBPALETTENODETYPE> {
 public:
  PALETTES() : TreeStore(dlist::ModelTree::kPalettes) {}

  // The palette that node carries (0 for a folder or what is not a node); *kind,
  // when asked for, receives the node's kind.
  long get_id_palette(long node, short* kind = nullptr) { return record_of(node, kind); }

  // The first node (in identifier order) that carries palette, filling *node when
  // given; 0 when no node carries it; -1 when there is no such palette.
  long get_palid_node(long palette, DBPALETTENODETYPE* node);

  // The kind of a palette, 0 when there is none.
  short get_palette_type(long palette);

  // The three reference counts of a palette: how many elements of the model use it
  // in each of the slots 0, 1 and 2 (docs/model_database.md). 1 on success; 0, with
  // the counts 0, when there is no such palette.
  int get_references_number(long palette, int* a, int* b, int* c);

  // Makes the elements that use palette `from` use palette `to` (of the same kind).
  // 1 on success (also when none use it, or from is to); 0 otherwise.
  int move_references(long from, long to);

  // Positions at the palettes of kind (0: of every kind), in identifier order;
  // returns how many there are, -1 on failure.
  long rew_palette(short kind);
  // The next palette of the walk; with unregistered_only non-zero only those that
  // no node carries. 0 at the end.
  long get_palette(int unregistered_only);

  // Walks the whole palette tree in store order, each folder before its contents:
  // rew_palettenode returns the root (0 on failure); get_palettenode fills node and
  // returns its identifier, 0 at the end.
  long rew_palettenode() { return rew_all(); }
  long get_palettenode(DBPALETTENODETYPE* node) { return get_all(node); }

 private:
  std::vector<int64_t> palettes_;  // the walk of rew_palette / get_palette
  std::size_t next_palette_ = 0;
};
