// Tab controls over the engine's TabModel.
#include "host/dialog/tab_control.h"

#include <algorithm>

#include "host/dialog/engine_internal.h"

namespace dlist {

namespace {

dialog_internal::TabModel* model_of(void* tab) {
  dialog_internal::Control* c =
      dialog_internal::engine().control_of_kind(tab, dialog_internal::Kind::kTab);
  return c != nullptr ? c->tab.get() : nullptr;
}

}  // namespace

int tab_insert(void* tab, int index, const char* text) {
  dialog_internal::TabModel* m = model_of(tab);
  if (m == nullptr || index < 0) return -1;
  const size_t pos = std::min(static_cast<size_t>(index), m->tabs.size());
  m->tabs.insert(m->tabs.begin() + static_cast<std::ptrdiff_t>(pos), text != nullptr ? text : "");
  if (m->current < 0) {
    m->current = 0;  // the first tab becomes current
  } else if (m->current >= static_cast<int>(pos)) {
    ++m->current;
  }
  return static_cast<int>(pos);
}

bool tab_delete_all(void* tab) {
  dialog_internal::TabModel* m = model_of(tab);
  if (m == nullptr) return false;
  m->tabs.clear();
  m->current = -1;
  return true;
}

int tab_count(void* tab) {
  dialog_internal::TabModel* m = model_of(tab);
  return m != nullptr ? static_cast<int>(m->tabs.size()) : 0;
}

std::string tab_text(void* tab, int index) {
  dialog_internal::TabModel* m = model_of(tab);
  if (m == nullptr || index < 0 || static_cast<size_t>(index) >= m->tabs.size()) return {};
  return m->tabs[static_cast<size_t>(index)];
}

bool tab_set_current(void* tab, int index) {
  dialog_internal::TabModel* m = model_of(tab);
  if (m == nullptr || index < 0 || static_cast<size_t>(index) >= m->tabs.size()) return false;
  m->current = index;
  return true;
}

int tab_current(void* tab) {
  dialog_internal::TabModel* m = model_of(tab);
  return m != nullptr ? m->current : -1;
}

}  // namespace dlist
