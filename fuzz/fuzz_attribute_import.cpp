// Fuzz target: AttributeImport of arbitrary bytes into a new project's library
// root; when that reads through, the same file again into the group it made first
// (or the root), with "replace all" as the conflict strategy, so that the second
// pass meets the groups, attributes and references of the first.

#include <cstddef>
#include <cstdint>

#include "attributes/attribute_exchange.h"
#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/model/attribute_store.h"
#include "host/report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dlist::fuzz::keep_settings_in_memory();
  static dlist::fuzz::ScratchFile file("fuzz_attribute_import");
  if (!file.write(data, size)) return 0;
  dlist::ModelDatabase* project = dlist::fuzz::EmptyProject::fresh();
  if (!project) return 0;
  dlist::set_attribute_conflict_strategy(dlist::kConflictKeepSilently);
  if (AttributeImport(nullptr, 0L, file.path()) == 1) {
    ATTRIBUTES library;
    long target = library.rew_node(0);
    DBATTRIBUTENODETYPE first;
    if (const long id = library.get_node(&first); id > 0 && first.is_group()) target = id;
    dlist::set_attribute_conflict_strategy(dlist::kConflictReplaceAll);
    AttributeImport(nullptr, target, file.path());
  }
  dlist::report_log().clear();
  dlist::reset_dialog_engine();
  return 0;
}
