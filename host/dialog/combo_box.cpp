// Combo boxes over the engine's ComboModel.
#include "host/dialog/combo_box.h"

#include <algorithm>

#include "host/dialog/engine_internal.h"

namespace dlist {

namespace {

using dialog_internal::ComboItem;
using dialog_internal::ComboModel;
using dialog_internal::Control;
using dialog_internal::engine;

Control* combo_control(void* combo) {
  return engine().control_of_kind(combo, dialog_internal::Kind::kCombo);
}

ComboModel* model_of(void* combo) {
  Control* c = combo_control(combo);
  return c != nullptr ? c->combo.get() : nullptr;
}

bool in_range(const ComboModel* m, int index) {
  return m != nullptr && index >= 0 && static_cast<size_t>(index) < m->items.size();
}

}  // namespace

int combo_add(void* combo, const char* text, intptr_t param) {
  ComboModel* m = model_of(combo);
  return m != nullptr ? combo_insert(combo, static_cast<int>(m->items.size()), text, param) : -1;
}

int combo_insert(void* combo, int index, const char* text, intptr_t param) {
  ComboModel* m = model_of(combo);
  if (m == nullptr || index < 0) return -1;
  const size_t pos = std::min(static_cast<size_t>(index), m->items.size());
  m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(pos),
                  ComboItem{text != nullptr ? text : "", param});
  if (m->current >= static_cast<int>(pos)) ++m->current;
  return static_cast<int>(pos);
}

bool combo_delete(void* combo, int index) {
  ComboModel* m = model_of(combo);
  if (!in_range(m, index)) return false;
  m->items.erase(m->items.begin() + index);
  if (m->current == index) {
    m->current = -1;
  } else if (m->current > index) {
    --m->current;
  }
  return true;
}

bool combo_clear(void* combo) {
  ComboModel* m = model_of(combo);
  if (m == nullptr) return false;
  m->items.clear();
  m->current = -1;
  return true;
}

int combo_count(void* combo) {
  ComboModel* m = model_of(combo);
  return m != nullptr ? static_cast<int>(m->items.size()) : 0;
}

std::string combo_item_text(void* combo, int index) {
  ComboModel* m = model_of(combo);
  return in_range(m, index) ? m->items[static_cast<size_t>(index)].text : std::string();
}

intptr_t combo_param(void* combo, int index) {
  ComboModel* m = model_of(combo);
  return in_range(m, index) ? m->items[static_cast<size_t>(index)].param : 0;
}

int combo_find(void* combo, const char* text) {
  ComboModel* m = model_of(combo);
  if (m == nullptr || text == nullptr) return -1;
  for (size_t i = 0; i < m->items.size(); ++i) {
    if (m->items[i].text == text) return static_cast<int>(i);
  }
  return -1;
}

bool combo_set_current(void* combo, int index) {
  Control* c = combo_control(combo);
  if (c == nullptr || (index != -1 && !in_range(c->combo.get(), index))) return false;
  c->combo->current = index;
  c->text = index >= 0 ? c->combo->items[static_cast<size_t>(index)].text : std::string();
  return true;
}

int combo_current(void* combo) {
  ComboModel* m = model_of(combo);
  return m != nullptr ? m->current : -1;
}

}  // namespace dlist
