// The layer-set tables of the drawing modules, kept per module in memory as the
// rows laid one after the other.

#include "host/modul.h"

#include <cstddef>
#include <map>

namespace dlist {
namespace {

std::map<MODULTYPE, std::vector<unsigned char>>& tables() {
  static std::map<MODULTYPE, std::vector<unsigned char>> kept;
  return kept;
}

}  // namespace

int layer_set_count(MODULTYPE module) {
  const auto found = tables().find(module);
  return found == tables().end() ? 0 : static_cast<int>(found->second.size() / kLayersPerSet);
}

void set_layer_sets(MODULTYPE module, std::vector<LayerSetRow> sets) {
  if (sets.empty()) {
    tables().erase(module);
    return;
  }
  std::vector<unsigned char> bytes;
  bytes.reserve(sets.size() * static_cast<std::size_t>(kLayersPerSet));
  for (const LayerSetRow& row : sets) bytes.insert(bytes.end(), row.begin(), row.end());
  tables()[module] = std::move(bytes);
}

void clear_layer_sets() {
  tables().clear();
}

}  // namespace dlist

const unsigned char* C_GetFolia(MODULTYPE module) {
  const auto found = dlist::tables().find(module);
  return found == dlist::tables().end() ? nullptr : found->second.data();
}

int is_layer_valide(unsigned char layer) {
  return layer >= 1 ? 1 : 0;
}
