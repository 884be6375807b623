// The working list of references of the attribute editor: the references kept in
// name order, each with the name it had when the editor opened (so that renames
// can be followed afterwards), and the list saved per kind, so that switching the
// kind and back brings back what was entered.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace dlist {

struct ReferenceRow {
  std::string name;
  std::string value;  // text, formula, path, or the held file (kRefHeld)
  uint8_t flags = 0;
  std::string original;  // the name when the editor opened; empty for a new one
};

class ReferenceRows {
 public:
  const std::vector<ReferenceRow>& rows() const { return rows_; }
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  ReferenceRow& at(std::size_t i) { return rows_[i]; }

  // Whether a row other than except (-1: none) has name.
  bool name_taken(const std::string& name, int except = -1) const;
  // Inserts row in name order; its index.
  std::size_t insert(ReferenceRow row);
  // Renames row i and moves it to its place; its new index.
  std::size_t rename(std::size_t i, const std::string& name);
  void erase(std::size_t i);
  void clear() { rows_.clear(); }

  // Keeps the rows under kind old_kind and brings back those last kept under
  // new_kind (none at first).
  void switch_kind(int old_kind, int new_kind);

  // The renames to follow: old name -> new name, for rows that had a name and
  // now have another.
  std::map<std::string, std::string> renames() const;

 private:
  std::vector<ReferenceRow> rows_;
  std::array<std::vector<ReferenceRow>, 3> saved_;
};

}  // namespace dlist
