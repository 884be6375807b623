// Report list views over the engine's ListModel. Every change marks the list for
// painting; state changes notify the dialog row by row, as the common control does.
#include "host/dialog/list_view.h"

#include <algorithm>
#include <cstring>

#include "host/dialog/engine_internal.h"
#include "host/dialog/notify_codes.h"

namespace dlist::dialog_internal {

void Engine::list_change_state(Dialog* d, Control& c, int row, unsigned state, unsigned mask) {
  ListModel& l = *c.list;
  if (row < 0 || static_cast<size_t>(row) >= l.rows.size()) return;
  ListRow& r = l.rows[static_cast<size_t>(row)];
  const unsigned old = r.state;
  const unsigned now = (old & ~mask) | (state & mask);
  if (now == old) return;
  r.state = now;
  l.dirty = true;
  Notification n;
  n.control = c.id;
  n.code = kLvnItemChanged;
  n.row = row;
  n.old_state = old;
  n.new_state = now;
  n.param = r.param;
  notify(d, n);
}

}  // namespace dlist::dialog_internal

namespace dlist {

namespace {

using dialog_internal::Control;
using dialog_internal::Dialog;
using dialog_internal::engine;
using dialog_internal::ListModel;
using dialog_internal::ListRow;

struct ListRef {
  Dialog* d = nullptr;
  Control* c = nullptr;
  ListModel* l = nullptr;
};

ListRef list_of(void* list) {
  ListRef r;
  r.c = engine().control_of_kind(list, dialog_internal::Kind::kList, &r.d);
  if (r.c != nullptr) r.l = r.c->list.get();
  return r;
}

ListRow* row_of(const ListRef& r, int row) {
  if (r.l == nullptr || row < 0 || static_cast<size_t>(row) >= r.l->rows.size()) return nullptr;
  return &r.l->rows[static_cast<size_t>(row)];
}

}  // namespace

int list_insert_column(void* list, int column, const char* title, int width) {
  ListRef r = list_of(list);
  if (r.l == nullptr || column < 0) return -1;
  const size_t pos = std::min(static_cast<size_t>(column), r.l->columns.size());
  r.l->columns.insert(r.l->columns.begin() + static_cast<std::ptrdiff_t>(pos),
                      dialog_internal::ListColumn{title != nullptr ? title : "", width});
  for (ListRow& row : r.l->rows) {
    if (row.texts.size() > pos)
      row.texts.insert(row.texts.begin() + static_cast<std::ptrdiff_t>(pos), "");
  }
  r.l->dirty = true;
  return static_cast<int>(pos);
}

int list_column_count(void* list) {
  ListRef r = list_of(list);
  return r.l != nullptr ? static_cast<int>(r.l->columns.size()) : 0;
}

std::string list_column_title(void* list, int column) {
  ListRef r = list_of(list);
  if (r.l == nullptr || column < 0 || static_cast<size_t>(column) >= r.l->columns.size()) return {};
  return r.l->columns[static_cast<size_t>(column)].title;
}

int list_column_width(void* list, int column) {
  ListRef r = list_of(list);
  if (r.l == nullptr || column < 0 || static_cast<size_t>(column) >= r.l->columns.size()) return 0;
  return r.l->columns[static_cast<size_t>(column)].width;
}

int list_insert_row(void* list, int row, const char* text, intptr_t param, int image) {
  ListRef r = list_of(list);
  if (r.l == nullptr || row < 0) return -1;
  const size_t pos = std::min(static_cast<size_t>(row), r.l->rows.size());
  ListRow added;
  added.texts.push_back(text != nullptr ? text : "");
  added.param = param;
  added.image = image;
  r.l->rows.insert(r.l->rows.begin() + static_cast<std::ptrdiff_t>(pos), std::move(added));
  if (r.l->pointed >= static_cast<int>(pos)) ++r.l->pointed;
  r.l->dirty = true;
  return static_cast<int>(pos);
}

bool list_delete_row(void* list, int row) {
  ListRef r = list_of(list);
  if (row_of(r, row) == nullptr) return false;
  r.l->rows.erase(r.l->rows.begin() + row);
  if (r.l->pointed == row) {
    r.l->pointed = -1;
  } else if (r.l->pointed > row) {
    --r.l->pointed;
  }
  r.l->dirty = true;
  return true;
}

bool list_delete_all(void* list) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return false;
  r.l->rows.clear();
  r.l->pointed = -1;
  r.l->dirty = true;
  return true;
}

int list_row_count(void* list) {
  ListRef r = list_of(list);
  return r.l != nullptr ? static_cast<int>(r.l->rows.size()) : 0;
}

std::string list_text(void* list, int row, int column) {
  const ListRow* rw = row_of(list_of(list), row);
  if (rw == nullptr || column < 0 || static_cast<size_t>(column) >= rw->texts.size()) return {};
  return rw->texts[static_cast<size_t>(column)];
}

bool list_get_text(void* list, int row, int column, char* buffer, unsigned size) {
  if (row_of(list_of(list), row) == nullptr || buffer == nullptr || size == 0) return false;
  const std::string text = list_text(list, row, column);
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return true;
}

bool list_set_text(void* list, int row, int column, const char* text) {
  ListRef r = list_of(list);
  ListRow* rw = row_of(r, row);
  if (rw == nullptr || column < 0 || column > 255) return false;
  if (rw->texts.size() <= static_cast<size_t>(column))
    rw->texts.resize(static_cast<size_t>(column) + 1);
  rw->texts[static_cast<size_t>(column)] = text != nullptr ? text : "";
  r.l->dirty = true;
  return true;
}

intptr_t list_param(void* list, int row) {
  const ListRow* rw = row_of(list_of(list), row);
  return rw != nullptr ? rw->param : 0;
}

bool list_set_param(void* list, int row, intptr_t param) {
  ListRow* rw = row_of(list_of(list), row);
  if (rw == nullptr) return false;
  rw->param = param;
  return true;
}

int list_image(void* list, int row) {
  const ListRow* rw = row_of(list_of(list), row);
  return rw != nullptr ? rw->image : -1;
}

bool list_set_image(void* list, int row, int image) {
  ListRef r = list_of(list);
  ListRow* rw = row_of(r, row);
  if (rw == nullptr) return false;
  rw->image = image;
  r.l->dirty = true;
  return true;
}

int list_find_param(void* list, intptr_t param, int start) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return -1;
  for (size_t i = start < 0 ? 0 : static_cast<size_t>(start) + 1; i < r.l->rows.size(); ++i) {
    if (r.l->rows[i].param == param) return static_cast<int>(i);
  }
  return -1;
}

unsigned list_state(void* list, int row) {
  const ListRow* rw = row_of(list_of(list), row);
  return rw != nullptr ? rw->state : 0;
}

bool list_set_state(void* list, int row, unsigned state, unsigned mask) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return false;
  if (row >= 0) {
    if (row_of(r, row) == nullptr) return false;
    engine().list_change_state(r.d, *r.c, row, state, mask);
    return true;
  }
  // Every row; the list may change under the notifications, so its size is read each time.
  for (int i = 0; static_cast<size_t>(i) < r.c->list->rows.size(); ++i) {
    engine().list_change_state(r.d, *r.c, i, state, mask);
  }
  return true;
}

int list_next_with_state(void* list, int start, unsigned state) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return -1;
  for (size_t i = start < 0 ? 0 : static_cast<size_t>(start) + 1; i < r.l->rows.size(); ++i) {
    if ((r.l->rows[i].state & state) == state) return static_cast<int>(i);
  }
  return -1;
}

int list_selected(void* list) {
  return list_next_with_state(list, -1, kLvisSelected);
}

bool list_ensure_visible(void* list, int row) {
  return row_of(list_of(list), row) != nullptr;
}

int list_hit_test(void* list) {
  ListRef r = list_of(list);
  return r.l != nullptr ? r.l->pointed : -1;
}

bool list_redraw(void* list) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return false;
  r.l->dirty = true;
  return true;
}

std::vector<DrawnRow> list_painted(void* list) {
  ListRef r = list_of(list);
  return r.l != nullptr ? r.l->painted : std::vector<DrawnRow>();
}

int list_paint_count(void* list) {
  ListRef r = list_of(list);
  return r.l != nullptr ? r.l->paints : 0;
}

int list_row_height(void* list) {
  ListRef r = list_of(list);
  return r.l != nullptr ? r.l->row_height : 0;
}

void* list_set_image_list(void* list, void* image_list) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return nullptr;
  if (image_list != nullptr && engine().image_list(image_list) == nullptr) return nullptr;
  void* previous = list_image_list(list);
  r.l->image_list = dialog_internal::to_key(image_list);
  r.l->dirty = true;
  return previous;
}

void* list_image_list(void* list) {
  ListRef r = list_of(list);
  if (r.l == nullptr) return nullptr;
  void* handle = dialog_internal::to_handle(r.l->image_list);
  return engine().image_list(handle) != nullptr ? handle : nullptr;
}

}  // namespace dlist
