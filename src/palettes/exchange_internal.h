// Shared by the exchange file writer and reader: the index forms of their calls
// address a child of a tree's root by its position.
#pragma once

namespace dlist {

// The index-th child of the root of Store, counted from 1; 0 when the root has
// fewer children. For an index of 0 or less, what rew_node(0) answers (the root, or
// -1 when there is none).
template <class Store, class Node>
long child_of_root(short index) {
  Store store;
  const long root = store.rew_node(0);
  if (index <= 0) return root;
  Node node;
  long id = 0;
  for (short i = 0; i < index; ++i) {
    id = store.get_node(&node);
    if (id <= 0) return 0;
  }
  return id;
}

}  // namespace dlist
