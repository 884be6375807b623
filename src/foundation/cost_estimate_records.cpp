#include "foundation/cost_estimate_records.h"

#include <algorithm>
#include <cstring>

#include "foundation/memory.h"

namespace {

template <typename T>
T* zeroed(std::size_t count) {
  return static_cast<T*>(ORB_calloc(count == 0 ? 1 : count, sizeof(T)));
}

}  // namespace

DEVIS_INTERFACE::~DEVIS_INTERFACE() {
  ORB_free(names);
  ORB_free(sheets);
  ORB_free(sheet_names);
}

bool DEVIS_INTERFACE::offer(const std::vector<std::string>& offered) {
  for (const std::string& n : offered)
    if (n.empty() || n.size() >= static_cast<std::size_t>(kDevisNameSize)) return false;
  auto* new_names = zeroed<char[kDevisNameSize]>(offered.size());
  auto* new_sheets = zeroed<DBFOLIATYPE>(offered.size());
  auto* new_sheet_names = zeroed<DBFOLIANAMES>(offered.size());
  if (new_names == nullptr || new_sheets == nullptr || new_sheet_names == nullptr) {
    ORB_free(new_names);
    ORB_free(new_sheets);
    ORB_free(new_sheet_names);
    return false;
  }
  for (std::size_t i = 0; i < offered.size(); ++i)
    std::memcpy(new_names[i], offered[i].data(), offered[i].size());
  ORB_free(names);
  ORB_free(sheets);
  ORB_free(sheet_names);
  names = new_names;
  sheets = new_sheets;
  sheet_names = new_sheet_names;
  name_count = sheet_count = sheet_name_count = static_cast<int>(offered.size());
  return true;
}

bool DEVIS_INTERFACE::set_names(const std::vector<std::string>& texts) {
  auto* fresh = zeroed<char[kDevisNameSize]>(texts.size());
  if (fresh == nullptr) return false;
  for (std::size_t i = 0; i < texts.size(); ++i)
    std::memcpy(fresh[i], texts[i].data(), std::min<std::size_t>(texts[i].size(), kDevisNameSize - 1));
  ORB_free(names);
  names = fresh;
  name_count = static_cast<int>(texts.size());
  return true;
}

std::vector<std::string> DEVIS_INTERFACE::name_list() const {
  std::vector<std::string> out;
  for (int i = 0; i < name_count && names != nullptr; ++i) out.emplace_back(names[i], strnlen(names[i], kDevisNameSize));
  return out;
}
