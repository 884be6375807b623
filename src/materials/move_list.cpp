// MoveList: moves a subtree of materials below another material inside the library
// store, in one transaction: the subtree's root gets its new parent and every record
// keeps its identifier, fields, long texts, references and the units' usage counts.
// When any step fails the transaction is rolled back, so the subtree stays where it
// was.
#include <cstring>

#include "host/database_task.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "materials/list_import.h"
#include "materials/material_library.h"

namespace {

// False when destination already holds a child with the own code of source (or a
// record cannot be read): the moved material would take the place of that child.
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

int MoveList(LISTCONTEXT* library, void* /*window*/, long source, long destination) {
  if (library == nullptr || source < 1 || destination < 0) {
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  if (destination > 0 && IsMaterialInScope(library, source, destination) == 1) {
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  dlist::WriteLock lock(library);
  if (!lock) {
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  if (!free_place(library, source, destination)) {
    SpecBeep(1, "LISTEXEC", __LINE__);
    return 0;
  }
  if (library->move_material(source, destination) == 0) {
    lock.abandon();
    SpecBeep(0, "LISTEXEC", __LINE__);
    return 0;
  }
  return lock.unlock() ? 1 : 0;
}
