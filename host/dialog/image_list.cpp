// Image lists: names of icons per list, and the catalogue that says which names
// can be loaded.
#include "host/dialog/image_list.h"

#include "host/dialog/engine_internal.h"

namespace dlist::dialog_internal {

ImageList* Engine::image_list(const void* handle) {
  auto it = image_lists.find(to_key(handle));
  return it != image_lists.end() ? &it->second : nullptr;
}

}  // namespace dlist::dialog_internal

namespace dlist {

using dialog_internal::engine;

void* image_list_create(int cx, int cy) {
  if (cx < 1 || cy < 1) return nullptr;
  const dialog_internal::Key key = engine().new_key();
  engine().image_lists[key] = dialog_internal::ImageList{cx, cy, {}};
  return dialog_internal::to_handle(key);
}

int image_list_add_icon(void* list, const char* name) {
  dialog_internal::ImageList* l = engine().image_list(list);
  if (l == nullptr || name == nullptr || *name == '\0') return -1;
  if (engine().icon_catalog != nullptr && !engine().icon_catalog(name)) return -1;
  l->names.emplace_back(name);
  return static_cast<int>(l->names.size()) - 1;
}

int image_list_count(void* list) {
  dialog_internal::ImageList* l = engine().image_list(list);
  return l != nullptr ? static_cast<int>(l->names.size()) : 0;
}

std::string image_list_name(void* list, int index) {
  dialog_internal::ImageList* l = engine().image_list(list);
  if (l == nullptr || index < 0 || static_cast<size_t>(index) >= l->names.size()) return {};
  return l->names[static_cast<size_t>(index)];
}

bool image_list_destroy(void* list) {
  // Views keep the handle; it is found in no map any more, so they show no images.
  return engine().image_lists.erase(dialog_internal::to_key(list)) != 0;
}

int image_list_live_count() {
  return static_cast<int>(engine().image_lists.size());
}

void set_icon_catalog(IconCatalog catalog) {
  engine().icon_catalog = catalog;
}

}  // namespace dlist
