// Fuzz target: PrototypeImport of arbitrary bytes into a new project's prototype
// root; when that reads through, the same file again into the kind folder that the
// input's length picks, where the names of the first pass are taken.

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
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
  dlist::report_log().clear();
  return 0;
}
