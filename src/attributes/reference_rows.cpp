// ReferenceRows: ordering by name, renames and the lists kept per kind.
#include "attributes/reference_rows.h"

#include <algorithm>

namespace dlist {

bool ReferenceRows::name_taken(const std::string& name, int except) const {
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (static_cast<int>(i) != except && rows_[i].name == name) return true;
  return false;
}

std::size_t ReferenceRows::insert(ReferenceRow row) {
  const auto at =
      std::upper_bound(rows_.begin(), rows_.end(), row.name,
                       [](const std::string& n, const ReferenceRow& r) { return n < r.name; });
  const std::size_t index = static_cast<std::size_t>(at - rows_.begin());
  rows_.insert(at, std::move(row));
  return index;
}

std::size_t ReferenceRows::rename(std::size_t i, const std::string& name) {
  ReferenceRow row = std::move(rows_[i]);
  rows_.erase(rows_.begin() + static_cast<long>(i));
  row.name = name;
  return insert(std::move(row));
}

void ReferenceRows::erase(std::size_t i) {
  if (i < rows_.size()) rows_.erase(rows_.begin() + static_cast<long>(i));
}

void ReferenceRows::switch_kind(int old_kind, int new_kind) {
  if (old_kind == new_kind || old_kind < 0 || old_kind > 2 || new_kind < 0 || new_kind > 2) return;
  saved_[static_cast<std::size_t>(old_kind)] = std::move(rows_);
  rows_ = std::move(saved_[static_cast<std::size_t>(new_kind)]);
  saved_[static_cast<std::size_t>(new_kind)].clear();
}

std::map<std::string, std::string> ReferenceRows::renames() const {
  std::map<std::string, std::string> out;
  for (const ReferenceRow& r : rows_)
    if (!r.original.empty() && r.original != r.name) out[r.original] = r.name;
  return out;
}

}  // namespace dlist
