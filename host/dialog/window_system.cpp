// The headless window system beside the controls: the registry of window classes,
// messages to the windows of those classes, the capture, the pointer, plain-window
// timers, the drag image, and trees by position.
#include "host/dialog/window_system.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "host/dialog/engine_internal.h"
#include "host/dialog/image_list.h"
#include "host/dialog/tree_view.h"

namespace dlist {

using dialog_internal::Control;
using dialog_internal::Dialog;
using dialog_internal::engine;
using dialog_internal::Key;
using dialog_internal::Kind;
using dialog_internal::to_handle;
using dialog_internal::to_item;
using dialog_internal::to_key;
using dialog_internal::TreeModel;

namespace {

struct WindowSystem {
  std::map<std::string, WindowProc> classes;
  Key capture = 0;
  ScreenPoint pointer;
  std::map<Key, std::set<int>> timers;
  bool dragging = false;
  ScreenPoint drag_at;
};

WindowSystem& ws() {
  static WindowSystem state;
  return state;
}

void record(std::string event) {
  engine().log.window_events.push_back(std::move(event));
}

const char* shape_name(CursorShape shape) {
  switch (shape) {
    case CursorShape::kDrop:
      return "drop";
    case CursorShape::kNoDrop:
      return "no-drop";
    case CursorShape::kWait:
      return "wait";
    default:
      return "arrow";
  }
}

// The items shown in order, ancestors expanded.
std::vector<Key> shown_items(TreeModel& t) {
  std::vector<Key> out;
  std::vector<Key> stack(t.top.rbegin(), t.top.rend());
  while (!stack.empty()) {
    const Key k = stack.back();
    stack.pop_back();
    out.push_back(k);
    const dialog_internal::TreeItem& it = t.items[k];
    if ((it.state & kTvisExpanded) != 0)
      stack.insert(stack.end(), it.children.rbegin(), it.children.rend());
  }
  return out;
}

struct TreeAt {
  Control* c = nullptr;
  std::vector<Key> rows;
  size_t first = 0;  // index of the first visible row
  size_t page = 0;   // rows the window shows
};

TreeAt tree_at(void* tree) {
  TreeAt r;
  r.c = engine().control_of_kind(tree, Kind::kTree);
  if (r.c == nullptr) return r;
  r.rows = shown_items(*r.c->tree);
  auto pos = std::find(r.rows.begin(), r.rows.end(), r.c->tree->first_visible);
  r.first = pos != r.rows.end() ? static_cast<size_t>(pos - r.rows.begin()) : 0;
  r.page = static_cast<size_t>(std::max(1, r.c->cy / kTreeRowHeight));
  return r;
}

}  // namespace

bool register_window_class(const char* name, WindowProc proc) {
  if (name == nullptr || *name == '\0' || proc == nullptr) return false;
  if (!ws().classes.emplace(name, proc).second) return false;
  record(std::string("register ") + name);
  return true;
}

bool unregister_window_class(const char* name) {
  if (name == nullptr || ws().classes.erase(name) == 0) return false;
  record(std::string("unregister ") + name);
  return true;
}

bool window_class_registered(const char* name) {
  return name != nullptr && ws().classes.count(name) != 0;
}

long send_window_message(void* window, unsigned message, unsigned wparam, long lparam) {
  Dialog* d = nullptr;
  Control* c = engine().control(window, &d);
  if (c == nullptr || !d->open()) {
    engine().note("a message to a window that is no control of an open dialog");
    return 0;
  }
  auto proc = ws().classes.find(c->window_class);
  if (proc == ws().classes.end()) {
    engine().note("a message to control " + std::to_string(c->id) + " of class \"" +
                  c->window_class + "\", which is not registered");
    return 0;
  }
  dialog_internal::ActiveScope scope(engine(), d->key);
  return proc->second(window, message, wparam, lparam);
}

long default_window_proc(void*, unsigned, unsigned, long) {
  return 0;
}

long pack_point(ScreenPoint p) {
  return static_cast<long>((static_cast<uint32_t>(p.y & 0xFFFF) << 16) |
                           static_cast<uint32_t>(p.x & 0xFFFF));
}

ScreenPoint unpack_point(long lparam) {
  const auto v = static_cast<uint32_t>(lparam);
  return ScreenPoint{static_cast<int16_t>(v & 0xFFFF), static_cast<int16_t>(v >> 16)};
}

void* window_dialog(void* window) {
  Dialog* d = engine().owner_of(window);
  return d != nullptr ? to_handle(d->key) : nullptr;
}

bool window_rect(void* window, ScreenRect* rect) {
  Control* c = engine().control(window);
  if (c == nullptr || rect == nullptr) return false;
  *rect = ScreenRect{c->x, c->y, c->x + c->cx, c->y + c->cy};
  return true;
}

void* set_capture(void* window) {
  void* previous = capture_window();
  if (window == nullptr) {
    release_capture();
    return previous;
  }
  Control* c = engine().control(window);
  if (c == nullptr) return previous;
  ws().capture = to_key(window);
  record("capture " + std::to_string(c->id));
  return previous;
}

bool release_capture() {
  if (ws().capture == 0) return false;
  ws().capture = 0;
  record("release capture");
  return true;
}

void* capture_window() {
  if (ws().capture != 0 && engine().control(to_handle(ws().capture)) == nullptr) ws().capture = 0;
  return ws().capture != 0 ? to_handle(ws().capture) : nullptr;
}

ScreenPoint cursor_pos() {
  return ws().pointer;
}
void set_cursor_pos(ScreenPoint p) {
  ws().pointer = p;
}

CursorShape set_cursor(CursorShape shape) {
  const CursorShape previous = set_cursor_shape(shape);
  if (previous != shape) record(std::string("cursor ") + shape_name(shape));
  return previous;
}

bool window_set_timer(void* window, int id, unsigned) {
  if (engine().control(window) == nullptr) return false;
  ws().timers[to_key(window)].insert(id);
  return true;
}

bool window_kill_timer(void* window, int id) {
  auto it = ws().timers.find(to_key(window));
  return it != ws().timers.end() && it->second.erase(id) != 0;
}

bool window_timer_running(void* window, int id) {
  auto it = ws().timers.find(to_key(window));
  return it != ws().timers.end() && it->second.count(id) != 0;
}

std::vector<int> window_timers(void* window) {
  auto it = ws().timers.find(to_key(window));
  if (it == ws().timers.end()) return {};
  return {it->second.begin(), it->second.end()};
}

int notify_dialog(void* dialog, int control, int code, _TREEITEM* item, _TREEITEM* target,
                  bool shift) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr || !d->open()) return 0;
  Notification n;
  n.control = control;
  n.code = code;
  n.item = item;
  n.target = target;
  n.shift = shift;
  return engine().notify(d, n);
}

bool image_list_begin_drag(void* list, int index, int, int) {
  if (ws().dragging || index < 0 || index >= image_list_count(list)) return false;
  ws().dragging = true;
  ws().drag_at = ws().pointer;
  record("begin drag");
  return true;
}

bool image_list_drag_move(int x, int y) {
  if (!ws().dragging) return false;
  ws().drag_at = ScreenPoint{x, y};
  return true;
}

bool image_list_end_drag() {
  if (!ws().dragging) return false;
  ws().dragging = false;
  record("end drag");
  return true;
}

bool image_list_dragging() {
  return ws().dragging;
}
ScreenPoint image_list_drag_position() {
  return ws().drag_at;
}

void reset_window_system() {
  ws() = WindowSystem();
}

// ---- trees by position ----------------------------------------------------------------

_TREEITEM* tree_hit_test_at(void* tree, ScreenPoint p) {
  TreeAt r = tree_at(tree);
  if (r.c == nullptr) return nullptr;
  const ScreenRect rect{r.c->x, r.c->y, r.c->x + r.c->cx, r.c->y + r.c->cy};
  if (!rect.contains(p)) return nullptr;
  const size_t row = r.first + static_cast<size_t>((p.y - r.c->y) / kTreeRowHeight);
  return row < r.rows.size() ? to_item(r.rows[row]) : nullptr;
}

bool tree_item_point(void* tree, _TREEITEM* item, ScreenPoint* p) {
  TreeAt r = tree_at(tree);
  if (r.c == nullptr || p == nullptr) return false;
  auto pos = std::find(r.rows.begin(), r.rows.end(), to_key(item));
  if (pos == r.rows.end()) return false;
  const auto row = static_cast<size_t>(pos - r.rows.begin());
  if (row < r.first || row >= r.first + r.page) return false;
  p->x = r.c->x + std::min(r.c->cx / 2, 40);
  p->y = r.c->y + static_cast<int>(row - r.first) * kTreeRowHeight + kTreeRowHeight / 2;
  return true;
}

bool tree_scroll_to(void* tree, _TREEITEM* item) {
  if (!tree_ensure_visible(tree, item)) return false;
  TreeAt r = tree_at(tree);
  auto pos = std::find(r.rows.begin(), r.rows.end(), to_key(item));
  if (pos == r.rows.end()) return false;
  const auto row = static_cast<size_t>(pos - r.rows.begin());
  if (row < r.first) {
    r.c->tree->first_visible = r.rows[row];
  } else if (row >= r.first + r.page) {
    r.c->tree->first_visible = r.rows[row + 1 - r.page];
  }
  return true;
}

std::vector<_TREEITEM*> tree_children(void* tree, _TREEITEM* item) {
  Control* c = engine().control_of_kind(tree, Kind::kTree);
  if (c == nullptr) return {};
  TreeModel& t = *c->tree;
  const std::vector<Key>* keys = &t.top;
  if (item != nullptr && item != kTviRoot) {
    const dialog_internal::TreeItem* it = t.find(to_key(item));
    if (it == nullptr) return {};
    keys = &it->children;
  }
  std::vector<_TREEITEM*> out;
  out.reserve(keys->size());
  for (Key k : *keys) out.push_back(to_item(k));
  return out;
}

void* tree_create_drag_image(void* tree, _TREEITEM* item) {
  if (!tree_has_item(tree, item)) return nullptr;
  void* source = tree_image_list(tree);
  std::string name = image_list_name(source, tree_image(tree, item));
  if (name.empty()) name = "item";
  void* list = image_list_create(16, 16);
  if (list != nullptr && image_list_add_icon(list, name.c_str()) < 0) {
    image_list_destroy(list);
    return nullptr;
  }
  return list;
}

}  // namespace dlist

int GetColorSystem() {
  return dlist::kIlcColor24;
}

char* CutDlgCaption(char* caption, int width) {
  if (caption == nullptr) return nullptr;
  // The caption's font is taken as 7 pixels a character, and its buttons as 60 pixels.
  constexpr int kCharWidth = 7;
  constexpr int kButtons = 60;
  const int fits = std::max(4, (width - kButtons) / kCharWidth);
  const size_t length = std::strlen(caption);
  if (length > static_cast<size_t>(fits)) std::strcpy(caption + fits - 3, "...");
  return caption;
}

#if !defined(_WIN32)
int ImageList_BeginDrag(void* list, int index, int hotspot_x, int hotspot_y) {
  return dlist::image_list_begin_drag(list, index, hotspot_x, hotspot_y) ? 1 : 0;
}
int ImageList_DragMove(int x, int y) {
  return dlist::image_list_drag_move(x, y) ? 1 : 0;
}
void ImageList_EndDrag() {
  dlist::image_list_end_drag();
}
#endif
