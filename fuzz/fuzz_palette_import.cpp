// Fuzz target: PaletteImport of arbitrary bytes into a new project's palette root;
// when that reads through, the same file again into the kind folder that the input's
// length picks, with "overwrite all" as the clash choice, so that the second pass
// meets the folders and palettes of the first.

#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/report.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dlist::fuzz::keep_settings_in_memory();
  static dlist::fuzz::ScratchFile file("fuzz_palette_import");
  if (!file.write(data, size)) return 0;
  dlist::ModelDatabase* project = dlist::fuzz::EmptyProject::fresh();
  if (!project) return 0;
  dlist::set_clash_choice(dlist::kClashOverwriteAsk);
  if (PaletteImport(nullptr, 0L, file.path()) == 1) {
    const int kind = static_cast<int>(size % 13) + 1;
    const long target = static_cast<long>(project->kind_folder(dlist::ModelTree::kPalettes, kind));
    dlist::set_clash_choice(dlist::kClashOverwriteAll);
    PaletteImport(nullptr, target, file.path());
  }
  // The engine logs every dialog it ran; a log that grew with each input would look
  // like a leak to libFuzzer, and cost a leak check each time.
  dlist::report_log().clear();
  dlist::reset_dialog_engine();
  return 0;
}
