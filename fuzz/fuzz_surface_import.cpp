// Fuzz target: the import of a surface exchange file from arbitrary bytes - the
// pack's entries unpacked into a scratch folder, the surface library file found
// there read into a surface library in memory with the bitmaps it names - and the
// listing of the same bytes that `dlist dump` shows. Keeping or replacing surfaces of
// the same name is chosen by the input's length, and every input meets a library
// that already holds one surface ("Brick"). The input must leave no lock taken, and
// a refused input must leave the library as it was. The scratch folders lie in
// /dev/shm where there is one.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "fuzz/fuzz_support.h"
#include "host/dialog/engine.h"
#include "host/report.h"
#include "host/surface/surface_library.h"
#include "palettes/surface_references.h"

namespace {

// The scratch folders of the import lie in /dev/shm where there is one.
void scratch_in_memory() {
  static const bool done = [] {
    return access("/dev/shm", W_OK) == 0 && setenv("TMP", "/dev/shm", 1) == 0;
  }();
  (void)done;
}

SURFCONTEXT* fresh_library() {
  static SURFCONTEXT* library = [] {
    auto* l = new SURFCONTEXT;
    if (!l->open(":memory:")) std::abort();
    return l;
  }();
  if (library->connection().lock_depth() != 0) std::abort();
  if (!library->connection().exec("DELETE FROM surfaces")) std::abort();
  DBSURFHATCH brick;
  std::strcpy(brick.name, "Brick");
  if (library->create(brick, nullptr) <= 0) std::abort();
  return library;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  dlist::fuzz::keep_settings_in_memory();
  scratch_in_memory();
  SURFCONTEXT* library = fresh_library();
  const std::span<const unsigned char> bytes(data, size);
  dlist::MemoryPackInput in(bytes);
  dlist::SurfaceReadReport report;
  const bool read = dlist::import_surface_references(
      *library, in, size % 2 ? dlist::SurfaceConflict::kReplace : dlist::SurfaceConflict::kKeep,
      &report);
  if (library->connection().lock_depth() != 0) std::abort();
  std::vector<long> ids;
  if (!read && library->surface_ids(ids) != 1) std::abort();

  dlist::MemoryPackInput again(bytes);
  const dlist::SurfacePackDump dump = dlist::decode_surface_pack(again);
  if (!dump.ok() && dump.error_offset > size) std::abort();
  for (const dlist::PackEntry& e : dump.entries)
    if (e.content_offset + e.length > size) std::abort();
  dlist::report_log().clear();
  dlist::reset_dialog_engine();
  return 0;
}
