// Fuzz target: ListImport of arbitrary bytes into a new material library in
// memory. Every question is declined (no user answers: message boxes give No,
// dialogs are cancelled); a delimited text file is read with a column map that the
// input's length picks. When the first pass reads through, the same file is read
// again below its first material with "overwrite all", so that the second pass meets
// what the first one placed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/list_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dlist::fuzz::keep_settings_in_memory();
  static dlist::fuzz::ScratchFile file("fuzz_list_import");
  if (!file.write(data, size)) return 0;
  LISTCONTEXT* library = dlist::fuzz::EmptyLibrary::fresh();
  if (!library) return 0;
  static const char* const kMaps[] = {
      "delim=;,cols=code,name,unit_price,ref_unit,ref_factor,subprice,subprice_value",
      "delim=tab,skip=1,cols=code,name,market,unit,conversion,text1,text2,text3,text4",
      "delim=|,cols=code,name,dimension,unit,dimension2,factor2,subprice_name,subprice_value",
  };
  dlist::ListImportOptions options;
  options.column_map = kMaps[size % 3];
  if (dlist::list_import(nullptr, library, 0, file.path(), 1, options) != 0) {
    std::vector<long> ids;
    if (library->material_ids(ids) > 0) {
      options.overwrite = dlist::kOverwriteAll;
      dlist::list_import(nullptr, library, ids[0], file.path(), 0, options);
    }
  }
  dlist::report_log().clear();
  dlist::reset_dialog_engine();
  return 0;
}
