// The export and import of surface exchange files through scratch folders.
#include "palettes/surface_references.h"

#include "host/database_task.h"
#include "host/file_compress.h"
#include "host/platform.h"
#include "host/scratch_folder.h"

namespace dlist {

bool export_surface_references(SURFCONTEXT& surfaces, const std::vector<std::string>& names,
                               const std::string& file, std::string* error) {
  std::string ignored;
  std::string& why = error ? *error : ignored;
  ReadLock lock(&surfaces);
  if (!lock) {
    why = "cannot read the surface library";
    return false;
  }
  ScratchFolder folder(temp_directory());
  if (!folder.ok()) {
    why = "cannot create a scratch folder in " + temp_directory().string();
    return false;
  }
  const std::string library = folder.name() + ".srf";
  const std::string pack = folder.name() + ".all";
  if (!write_surfaces(surfaces, (folder.path() / library).string(), names, &why)) return false;
  if (!write_surface_pack(folder, pack, &why)) return false;
  if (file_compress((folder.path() / pack).string().c_str(), file.c_str()) == 0) {
    why = "cannot write " + file;
    return false;
  }
  return true;
}

bool import_surface_references(SURFCONTEXT& surfaces, PackInput& in, SurfaceConflict conflict,
                               SurfaceReadReport* report) {
  SurfaceReadReport local;
  SurfaceReadReport& r = report ? *report : local;
  r = SurfaceReadReport();
  ScratchFolder folder(temp_directory());
  if (!folder.ok()) {
    r.error = "cannot create a scratch folder in " + temp_directory().string();
    return false;
  }
  const UnpackResult unpacked = unpack_surface_pack(in, folder);
  if (!unpacked.ok()) {
    r.error = "at offset " + std::to_string(unpacked.error_offset) + ": " + unpacked.error;
    return false;
  }
  std::string library;
  for (const PackEntry& e : unpacked.entries) {
    if (!is_surface_file_name(e.name)) continue;
    if (!library.empty()) {
      r.error = "the file holds two surface library files, " + library + " and " + e.name;
      return false;
    }
    library = e.name;
  }
  if (library.empty()) {
    r.error = "the file holds no surface library file (.srf)";
    return false;
  }
  ReadLock lock(&surfaces);
  if (!lock) {
    r.error = "cannot read the surface library";
    return false;
  }
  return read_surfaces(surfaces, (folder.path() / library).string(), conflict, &r);
}

}  // namespace dlist

int DLIST_CALL ExportSurfaceReferences(SURFCONTEXT* surfaces, TEXTBUFFERCHAIN* names, char* file) {
  if (surfaces == nullptr || names == nullptr || file == nullptr) return 0;
  std::vector<std::string> list;
  for (unsigned i = 0; i < names->size(); ++i) list.emplace_back((*names)[i].get());
  return dlist::export_surface_references(*surfaces, list, file, nullptr) ? 1 : 0;
}

int DLIST_CALL ImportSurfaceReferences(SURFCONTEXT* surfaces, char* file, char* option) {
  if (surfaces == nullptr || file == nullptr) return 0;
  const std::string o = option ? option : "";
  if (!o.empty() && o != "keep" && o != "replace") return 0;
  dlist::FilePackInput in(file);
  if (!in.ok()) return 0;
  return dlist::import_surface_references(
             *surfaces, in,
             o == "replace" ? dlist::SurfaceConflict::kReplace : dlist::SurfaceConflict::kKeep,
             nullptr)
             ? 1
             : 0;
}
