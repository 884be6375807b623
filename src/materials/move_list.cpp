// MoveList: moves a subtree of materials below another material by writing it to
// a temporary list export file with re-rooted codes, removing it and reading the
// file back, all in one transaction of the library: when any step fails the
// transaction is rolled back, so the subtree stays where it was.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/library_locks.h"
#include "materials/list_exporter.h"
#include "materials/list_import.h"
#include "materials/material_library.h"

namespace {

// Deletes the temporary file when the move ends, whatever the way out.
class TempFile {
 public:
  TempFile() : path_(kListTempPathSize, '\0') {}
  ~TempFile() {
    if (path_[0] != '\0') std::remove(path_.data());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  char* data() { return path_.data(); }

 private:
  std::vector<char> path_;
};

// False when destination already holds a child with the own code of source (or a
// record cannot be read): the file would be read over that child and the moved
// materials merged into it.
bool free_place(LISTCONTEXT* library, long source, long destination) {
  dbmaterial moved{};
  if (library->get(source, moved, nullptr) != source) return false;
  if (library->rewind_material(destination) < 0) return false;
  dbmaterial child{};
  for (long id; (id = library->get(child, nullptr)) > 0;) {
    if (id != source && std::strncmp(child.id, moved.id, kMatIdSize) == 0) return false;
  }
  return true;
}

}  // namespace

int MoveList(LISTCONTEXT* library, void* window, long source, long destination) {
  if (library == nullptr || source < 1 || destination < 0) {
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  if (destination > 0 && IsMaterialInScope(library, source, destination) == 1) {
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  dlist::LibraryWriteLock lock(library);
  if (!lock) {
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  if (!free_place(library, source, destination)) {
    SpecBeep(1, "LISTEXEC", __LINE__);
    return 0;
  }
  TempFile file;
  int result = ListExporter(nullptr, library, source, file.data(), destination);
  if (result != 0) {
    Material material(library, source);
    result = ReleaseMaterialRefs(library, source) != 0 && ReleaseSubtreeRefs(library, source) != 0 &&
             material.remove() != 0;
  }
  if (result != 0) result = ListImport(window, library, destination, file.data(), 0);
  if (result == 0) {
    lock.abandon();
    return 0;
  }
  return lock.unlock() ? result : 0;
}
