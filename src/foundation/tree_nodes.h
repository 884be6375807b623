// Nodes of the palette tree (`DBPALETTENODETYPE`) and of the prototype tree
// (`DBPROTOTYPENODE`). Both have the same members, in this order: level, element
// kind, name, description and a last 16-bit field (-1 in a new node). The level is
// the node's depth below the root, negated for leaves.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "foundation/record_image.h"
#include "foundation/text_buffer.h"

namespace dlist {

// The members that both tree nodes share.
struct TreeNode {
  int16_t level = 0;       // depth below the root; negated for a leaf
  int16_t kind = 0;        // element kind code 1..13, 0 for none
  char name[32] = {};      // zero-terminated, at most 31 characters
  TEXTBUFFER description;  // free text
  int16_t last = -1;       // 16-bit field of the host, -1 in a new node

  bool is_leaf() const { return level < 0; }
  int depth() const { return std::abs(level); }
  void set_name(const char* text) { set_field(name, sizeof name, text); }
};

// Equal when kind, level, name (up to its terminating zero), description and the
// last field are equal.
inline bool same_node(const TreeNode& a, const TreeNode& b) {
  return a.level == b.level && a.kind == b.kind &&
         std::strncmp(a.name, b.name, sizeof a.name) == 0 && a.description == b.description &&
         a.last == b.last;
}

}  // namespace dlist

struct DBPALETTENODETYPE : dlist::TreeNode {};
struct DBPROTOTYPENODE : dlist::TreeNode {};

inline bool operator==(const DBPALETTENODETYPE& a, const DBPALETTENODETYPE& b) {
  return dlist::same_node(a, b);
}
inline bool operator==(const DBPROTOTYPENODE& a, const DBPROTOTYPENODE& b) {
  return dlist::same_node(a, b);
}
