// The entry points passed on to the model database.

#include "materials/model_forwarders.h"

#include <cstdio>
#include <string>

#include "host/database_browser.h"
#include "host/model/element_ids.h"
#include "host/model/palette_store.h"
#include "host/model/plans.h"
#include "host/model/prototype_store.h"
#include "host/model/views.h"
#include "materials/material_library_internal.h"

int _ElemidToListId(long element, char* out) {
  return ElemidToListId(element, out);
}

long _ListIdToElemid(char* text) {
  return ListIdToElemid(text);
}

int _CrtDatabaseWandler(void* parent, long id) {
  return CrtDatabaseWandler(parent, id);
}

int Views(void* parent, char* text) {
  return CrtViews(parent, text);
}

int ElemidToStorey(long element, char* out) {
  DBSTORTYPE storey{};
  if (get_id_stor(get_elemid_floor(element), &storey) < 1) return 0;
  const std::string text =
      std::to_string(storey.number) + ". " + std::string(dlist::field_text(storey.name));
  dlist::copy_cut(out, kStoreyTextSize, text);
  return 1;
}

int GetFloorName(char* plan, short number, char* out) {
  DBSTORTYPE storey{};
  if (get_id_plan_stor(plan, number, &storey) < 0) return 0;
  dlist::copy_cut(out, kStoreyNameSize, dlist::field_text(storey.name));
  return 1;
}

int GetLayerNames(char* plan, DBFOLIANAMES* names) {
  const long id = get_id_plan(0, plan, nullptr);
  if (id == -1) return 0;
  return get_layernames(id, names) >= 0 ? 1 : 0;
}

int IsPaletteItemName(long parent, char* name, int flag) {
  return PALETTES().is_usedname(parent, name, flag);
}

int IsPrototypeItemName(long parent, char* name, int flag) {
  return PROTOTYPES().is_usedname(parent, name, flag);
}
