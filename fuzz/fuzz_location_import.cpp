// Fuzz target: LocationImport of arbitrary bytes under a location of a new project,
// then the same file as a full replacement; a refused replacement must leave the
// locations as they were.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/model/location_store.h"
#include "host/report.h"
#include "locations/location_file.h"

namespace {

// The number of locations, walked without recursion.
long count_locations() {
  long n = 0;
  std::vector<long> pending{0};
  while (!pending.empty()) {
    const long p = pending.back();
    pending.pop_back();
    LOCALIZATION walk;
    if (walk.rew_location(p) < 1) continue;
    DBLOCATIONTYPE l;
    for (long id; (id = walk.get_location(&l)) > 0;) {
      ++n;
      pending.push_back(id);
    }
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dlist::fuzz::keep_settings_in_memory();
  static dlist::fuzz::ScratchFile file("fuzz_location_import");
  if (!file.write(data, size)) return 0;
  dlist::ModelDatabase* project = dlist::fuzz::EmptyProject::fresh();
  if (!project) return 0;
  DBLOCATIONTYPE home;
  home.key = 1;
  home.set_name("Home");
  const long target = LOCALIZATION().cre_location(0, &home, 0);
  if (target > 0) LocationImport(nullptr, target, file.path());
  const long before = count_locations();
  if (LocationImport(nullptr, -1, file.path()) != 1 && count_locations() != before) std::abort();
  dlist::report_log().clear();
  dlist::reset_dialog_engine();
  return 0;
}
