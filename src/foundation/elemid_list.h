// ELEMID_LIST: a list of record identifiers that a caller hands in as a selection
// (the entries of a tree that an operation is limited to).
#pragma once

#include <algorithm>
#include <vector>

struct ELEMID_LIST {
  std::vector<long> ids;

  void add(long id) { ids.push_back(id); }
  bool contains(long id) const { return std::find(ids.begin(), ids.end(), id) != ids.end(); }
  std::size_t size() const { return ids.size(); }
};
