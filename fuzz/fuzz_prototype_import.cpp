// Fuzz target: PrototypeImport of arbitrary bytes into a new project's prototype
// root; when that reads through, the same file again into the kind folder that the
// input's length picks, where the names of the first pass are taken.

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/report.h"
#include "palettes/exchange_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dlist::fuzz::keep_settings_in_memory();
  static dlist::fuzz::ScratchFile file("fuzz_prototype_import");
  if (!file.write(data, size)) return 0;
  dlist::ModelDatabase* project = dlist::fuzz::EmptyProject::fresh();
  if (!project) return 0;
  if (PrototypeImport(nullptr, 0L, file.path()) == 1) {
    const int kind = static_cast<int>(size % 13) + 1;
    PrototypeImport(nullptr,
                    static_cast<long>(project->kind_folder(dlist::ModelTree::kPrototypes, kind)),
                    file.path());
  }
  // The engine logs every dialog it ran; a log that grew with each input would look
  // like a leak to libFuzzer, and cost a leak check each time.
  dlist::report_log().clear();
  dlist::reset_dialog_engine();
  return 0;
}
