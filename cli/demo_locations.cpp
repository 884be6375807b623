// The demo's locations.
#include "cli/demo_locations.h"

#include <utility>

#include "host/model/location_store.h"

namespace dlist::cli {

std::optional<int> fill_demo_locations(std::string* error) {
  struct Entry {
    int parent;  // index into the made ones, -1 for the top level
    const char* name;
    int key;     // 0: fixed
    const char* text;
  };
  static const Entry kEntries[] = {
      {-1, "Site", 0, "The whole site; fixed"},
      {0, "Building A", 10, "Offices"},
      {1, "Ground floor", 11, "Entrance and hall"},
      {2, "Room 1.01", 12, ""},
      {2, "Room 1.02", 13, "Meeting room"},
      {1, "First floor", 14, ""},
      {5, "Room 2.01", 15, "Open office"},
      {0, "Building B", 20, "Workshop"},
      {7, "Hall", 21, ""},
      {-1, "Outside", 30, "Yard and parking"},
  };
  std::vector<long> made;
  LOCALIZATION store;
  for (const Entry& s : kEntries) {
    DBLOCATIONTYPE l;
    l.key = s.key;
    l.set_name(s.name);
    if (s.text[0] != '\0') l.text.put(s.text);
    const long parent = s.parent < 0 ? 0 : made[static_cast<std::size_t>(s.parent)];
    const long id = store.cre_location(parent, &l, 0);
    if (id <= 0) {
      *error = std::string("cannot create the location \"") + s.name + "\"";
      return std::nullopt;
    }
    made.push_back(id);
  }
  return static_cast<int>(made.size());
}

std::vector<std::string> location_prints() {
  std::vector<std::string> out;
  std::vector<std::pair<long, std::string>> pending{{0, ""}};
  while (!pending.empty()) {
    const auto [parent, path] = pending.back();
    pending.pop_back();
    LOCALIZATION walk;
    if (walk.rew_location(parent) < 1) continue;
    DBLOCATIONTYPE l;
    std::vector<std::pair<long, std::string>> kids;
    for (long id; (id = walk.get_location(&l)) > 0;) {
      const std::string p = path + "/" + l.name;
      out.push_back(p + "#" + std::to_string(l.key) + "[" + l.text.get() + "]");
      kids.emplace_back(id, p);
    }
    pending.insert(pending.end(), kids.rbegin(), kids.rend());
  }
  return out;
}

}  // namespace dlist::cli
