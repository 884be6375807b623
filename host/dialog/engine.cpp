// The engine's core: handles and look-ups, building layouts, the reservations
// of temporary buffers, running modal and modeless dialogs, posted commands, the
// paths of accepting, cancelling and Enter, and the calls of the callbacks; with
// the public controls of engine.h.
//
// A modal dialog runs in a loop: the active user gives one action, the engine
// applies it (user_actions.cpp), handles the commands the callbacks posted and
// paints the owner-drawn lists that changed; the loop ends when the dialog closes
// or the user has nothing more to do (then the dialog is cancelled, closing even
// when the cancel procedure refuses, so that nothing waits forever).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <utility>

#include "host/dialog/engine_internal.h"
#include "host/dialog/window_system.h"
#include "host/resources.h"

namespace dlist::dialog_internal {

namespace {

// Commands posted in one pump beyond this are dropped: a callback that posts on
// every command it gets would otherwise never let the dialog wait for the user.
constexpr int kMaxPostedPerPump = 10000;

}  // namespace

Engine& Engine::get() {
  static Engine engine;
  return engine;
}

// ---- look-ups --------------------------------------------------------------------------

Dialog* Engine::dialog(const void* handle) {
  auto it = dialogs.find(to_key(handle));
  if (it == dialogs.end() || it->second->state == DialogState::kClosed) return nullptr;
  return it->second.get();
}

Dialog* Engine::innermost() {
  for (auto it = active.rbegin(); it != active.rend(); ++it) {
    if (Dialog* d = dialog(to_handle(*it))) return d;
  }
  return nullptr;
}

Dialog* Engine::current() {
  if (Dialog* d = building()) return d;
  return innermost();
}

Dialog* Engine::owner_of(const void* window) {
  auto it = windows.find(to_key(window));
  if (it == windows.end()) return nullptr;
  return dialog(to_handle(it->second.first));
}

Control* Engine::control(const void* window, Dialog** d) {
  auto it = windows.find(to_key(window));
  if (it == windows.end()) return nullptr;
  Dialog* owner = dialog(to_handle(it->second.first));
  if (owner == nullptr) return nullptr;
  if (d != nullptr) *d = owner;
  return owner->control(it->second.second);
}

Control* Engine::control_of_kind(const void* window, Kind kind, Dialog** d) {
  Control* c = control(window, d);
  return c != nullptr && c->kind == kind ? c : nullptr;
}

Control* Engine::control(const void* dialog_handle, int id, Dialog** d) {
  Dialog* owner = dialog(dialog_handle);
  if (owner == nullptr) return nullptr;
  if (d != nullptr) *d = owner;
  return owner->control(id);
}

int Engine::context_now() {
  Dialog* d = innermost();
  return d != nullptr ? d->context : 0;
}

DialogInfo Engine::info(const Dialog* d) const {
  DialogInfo i;
  i.dialog = to_handle(d->key);
  i.context = d->context;
  i.title = d->title;
  i.modeless = d->modeless;
  i.depth = d->depth;
  return i;
}

// ---- building ---------------------------------------------------------------------------

bool Engine::building_call() {
  if (fail_building_at > 0 && --fail_building_at == 0) return false;
  return true;
}

void* Engine::begin(void* parent, const char* title, const char* unit, int width, int height,
                    bool modeless) {
  if (!building_call()) return nullptr;
  if (reservations.empty()) {
    note("a dialog was described without reserved temporary buffers; refused");
    return nullptr;
  }
  if (Dialog* old = building()) {
    note("the layout of '" + old->title + "' was never run; dropped");
    erase(old->key);
  }
  auto d = std::make_unique<Dialog>();
  d->key = new_key();
  d->parent = parent;
  d->modeless = modeless;
  d->title = title != nullptr ? title : "";
  d->unit = unit != nullptr ? unit : "";
  d->width = width;
  d->height = height;
  d->reservation = static_cast<int>(reservations.size());
  building_ = d->key;
  Key key = d->key;
  dialogs.emplace(key, std::move(d));
  return to_handle(key);
}

Control* Engine::add_control(int id, Kind kind, const char* window_class, unsigned style, int x,
                             int y, int cx, int cy, const char* text) {
  if (!building_call()) return nullptr;
  Dialog* d = building();
  if (d == nullptr) {
    note("control " + std::to_string(id) + " added with no dialog being described; refused");
    return nullptr;
  }
  if (d->controls.count(id) != 0) {
    note("control " + std::to_string(id) + " added twice to '" + d->title + "'; refused");
    return nullptr;
  }
  Control& c = d->controls[id];
  c.id = id;
  c.kind = kind;
  c.window = new_key();
  c.window_class = window_class != nullptr ? window_class : "";
  c.style = style;
  c.x = x;
  c.y = y;
  c.cx = cx;
  c.cy = cy;
  c.text = text != nullptr ? text : "";
  switch (kind) {
    case Kind::kTree:
      c.tree = std::make_unique<TreeModel>();
      break;
    case Kind::kList:
      c.list = std::make_unique<ListModel>();
      break;
    case Kind::kCombo:
      c.combo = std::make_unique<ComboModel>();
      break;
    case Kind::kTab:
      c.tab = std::make_unique<TabModel>();
      break;
    default:
      break;
  }
  d->order.push_back(id);
  windows[c.window] = {d->key, id};
  return &c;
}

// ---- reservations ------------------------------------------------------------------------

int Engine::reserve(int n) {
  if (fail_next_reservation) {
    fail_next_reservation = false;
    ++accounting.refused;
    return 0;
  }
  if (n < 1 || n > 1024) {
    ++accounting.refused;
    note("AllocTmpBuffers(" + std::to_string(n) + ") refused: 1 to 1024 buffers");
    return 0;
  }
  reservations.push_back(n);
  ++accounting.reservations;
  accounting.held += n;
  accounting.depth = static_cast<int>(reservations.size());
  return 1;
}

void Engine::purge() {
  if (reservations.empty()) {
    ++accounting.unbalanced_purges;
    note("PurgeTmpBuffers with nothing reserved");
    return;
  }
  accounting.held -= reservations.back();
  reservations.pop_back();
  ++accounting.purges;
  const int depth = static_cast<int>(reservations.size());
  accounting.depth = depth;
  std::vector<Key> dropped;
  for (auto& [key, d] : dialogs) {
    if (d->state == DialogState::kBuilding && d->reservation > depth) dropped.push_back(key);
  }
  for (Key key : dropped) erase(key);
}

// ---- running --------------------------------------------------------------------------------

void Engine::start(Dialog* d) {
  load_buffers(d);
  for (int id : d->order) {
    const Control& c = d->controls[id];
    if (c.focusable() && c.enabled && c.visible) {
      d->focus = id;
      break;
    }
  }
  active_dialog_user().dialog_opened(info(d));
  const int opened = call_init(d);
  if (!d->open()) return;
  if (opened == 0) {
    close(d, false);
    return;
  }
  d->shown = true;
  pump(d);
}

int Engine::run_modal(Dialog* d, void* parent, int context) {
  if (d == nullptr || d->state != DialogState::kBuilding) {
    note("RunModalDialog with no dialog described");
    return 0;
  }
  building_ = 0;
  if (parent != nullptr) d->parent = parent;
  d->context = context;
  d->state = DialogState::kRunning;
  modal.push_back(d->key);
  d->depth = static_cast<int>(modal.size());
  {
    ActiveScope scope(*this, d->key);
    start(d);
    while (d->open()) {
      std::optional<UserAction> action = active_dialog_user().next_action(info(d));
      if (!d->open()) break;
      if (!action) {
        d->ran_out = true;
        cancel_path(d, true);
        break;
      }
      apply(d, *action);
      if (d->open()) pump(d);
    }
  }
  modal.erase(std::find(modal.begin(), modal.end(), d->key));
  const int result = d->accepted ? 1 : 0;
  collect();
  return result;
}

void* Engine::run_modeless(Dialog* d, void* parent, int context) {
  if (d == nullptr || d->state != DialogState::kBuilding) {
    note("RunModlessDialog with no dialog described");
    return nullptr;
  }
  building_ = 0;
  if (parent != nullptr) d->parent = parent;
  d->context = context;
  d->modeless = true;
  d->state = DialogState::kRunning;
  {
    ActiveScope scope(*this, d->key);
    start(d);
  }
  void* handle = d->open() ? to_handle(d->key) : nullptr;
  collect();
  return handle;
}

bool Engine::drive(Dialog* d) {
  if (d == nullptr || !d->modeless || !d->open()) return false;
  {
    ActiveScope scope(*this, d->key);
    while (d->open()) {
      std::optional<UserAction> action = active_dialog_user().next_action(info(d));
      if (!action || !d->open()) break;
      apply(d, *action);
      if (d->open()) pump(d);
    }
  }
  collect();
  return true;
}

void Engine::destroy(Dialog* d) {
  close(d, false);
  collect();
}

void Engine::pump(Dialog* d) {
  int handled = 0;
  while (d->open() && !d->posted.empty()) {
    if (++handled > kMaxPostedPerPump) {
      note("'" + d->title + "' keeps posting commands; " + std::to_string(d->posted.size()) +
           " dropped");
      d->posted.clear();
      break;
    }
    const int cmd = d->posted.front();
    d->posted.pop_front();
    command(d, cmd);
  }
  if (d->open()) paint(d);
}

void Engine::command(Dialog* d, int cmd) {
  if (cmd == kIdAccept) {
    accept_path(d);
  } else if (cmd == kIdReject) {
    cancel_path(d, false);
  } else {
    Notification n;
    n.control = cmd;
    n.code = kBnClicked;
    notify(d, n);
  }
}

void Engine::accept_path(Dialog* d) {
  if (d->ok != nullptr) {
    const int r = call_ok(d);
    if (d->open() && r != 0) close(d, true);
    return;
  }
  if (check_inputs(d, 0) == 0) {
    warn(d, error_id);
    return;
  }
  close(d, true);
}

void Engine::cancel_path(Dialog* d, bool forced) {
  const int r = d->cancel != nullptr ? call_cancel(d) : 1;
  if (!d->open()) return;
  if (r != 0 || forced) {
    d->forced = r == 0;
    close(d, false);
  }
}

void Engine::enter_path(Dialog* d, int control) {
  const int handled = d->enter != nullptr ? call_enter(d, control) : 0;
  if (!d->open() || handled != 0) return;
  const Control* ok = d->control(kIdAccept);
  if (ok != nullptr && ok->enabled && ok->visible) accept_path(d);
}

void Engine::close(Dialog* d, bool accepted) {
  if (!d->open()) return;
  if (accepted) write_back(d);
  d->accepted = accepted;
  d->state = DialogState::kClosed;
  d->timers.clear();
  d->posted.clear();
  for (auto& [id, c] : d->controls) {
    if (c.tree) c.tree->editing = c.tree->dragging = 0;
  }
  DialogRunRecord r;
  r.context = d->context;
  r.title = d->title;
  r.modeless = d->modeless;
  r.shown = d->shown;
  r.accepted = accepted;
  r.ran_out = d->ran_out;
  r.forced = d->forced;
  r.actions = d->actions;
  log.runs.push_back(std::move(r));
  active_dialog_user().dialog_closed(info(d));
}

void Engine::collect() {
  std::vector<Key> closed;
  for (auto& [key, d] : dialogs) {
    if (d->state == DialogState::kClosed &&
        std::find(active.begin(), active.end(), key) == active.end()) {
      closed.push_back(key);
    }
  }
  for (Key key : closed) erase(key);
}

void Engine::erase(Key key) {
  auto it = dialogs.find(key);
  if (it == dialogs.end()) return;
  for (auto& [id, c] : it->second->controls) windows.erase(c.window);
  if (it->second->menu != 0) destroy_menu(it->second->menu);
  if (building_ == key) building_ = 0;
  dialogs.erase(it);
}

// ---- callbacks ------------------------------------------------------------------------------

namespace {

// Runs a callback of d; when it throws, the active user may report the failure and
// let the dialog go on with fallback as the callback's result.
template <typename Call>
int guarded(Engine& e, Dialog* d, int fallback, Call&& call) {
  try {
    return call();
  } catch (const std::exception& failure) {
    if (!active_dialog_user().callback_failed(e.info(d), failure.what())) throw;
  } catch (...) {
    if (!active_dialog_user().callback_failed(e.info(d), "unknown failure")) throw;
  }
  return fallback;
}

}  // namespace

int Engine::notify(Dialog* d, const Notification& note, const char* text) {
  if (d->action == nullptr || !d->open()) return 0;
  deliveries_.push_back(Delivery{note, text != nullptr ? std::string(text) : std::string()});
  if (text != nullptr) deliveries_.back().note.text = deliveries_.back().text.c_str();
  const size_t depth = deliveries_.size();
  int r = 0;
  try {
    r = guarded(*this, d, 0, [&] {
      ActiveScope scope(*this, d->key);
      return d->action(to_handle(d->key), note.control, note.code);
    });
  } catch (...) {
    deliveries_.resize(depth - 1);
    throw;
  }
  deliveries_.pop_back();
  return r;
}

int Engine::call_init(Dialog* d) {
  if (d->init == nullptr) return 1;
  return guarded(*this, d, 0, [&] {
    ActiveScope scope(*this, d->key);
    return d->init(to_handle(d->key));
  });
}

int Engine::call_ok(Dialog* d) {
  return guarded(*this, d, 0, [&] {
    ActiveScope scope(*this, d->key);
    return d->ok(to_handle(d->key));
  });
}

int Engine::call_cancel(Dialog* d) {
  return guarded(*this, d, 1, [&] {
    ActiveScope scope(*this, d->key);
    return d->cancel(to_handle(d->key));
  });
}

int Engine::call_enter(Dialog* d, int control) {
  return guarded(*this, d, 1, [&] {
    ActiveScope scope(*this, d->key);
    return d->enter(to_handle(d->key), control);
  });
}

int Engine::call_timer(Dialog* d, int timer) {
  if (d->timer == nullptr) return 0;
  return guarded(*this, d, 0, [&] {
    ActiveScope scope(*this, d->key);
    return d->timer(to_handle(d->key), timer);
  });
}

// ---- records ----------------------------------------------------------------------------------

void Engine::refuse(Dialog* d, const UserAction& action, std::string reason) {
  log.refusals.push_back(
      RefusalRecord{d != nullptr ? d->context : 0, action.describe(), std::move(reason)});
}

void Engine::reset() {
  if (!active.empty()) {
    note("reset_dialog_engine while a dialog runs; ignored");
    return;
  }
  for (auto& [key, d] : dialogs) {
    if (d->open()) {
      d->state = DialogState::kClosed;  // no callbacks, no records
    }
  }
  dialogs.clear();
  windows.clear();
  menus.clear();
  image_lists.clear();
  modal.clear();
  active.clear();
  deliveries_.clear();
  reservations.clear();
  building_ = 0;
  log.clear();
  accounting = BufferAccounting();
  fail_next_reservation = false;
  fail_building_at = 0;
  error_id = 0;
  text_loader = nullptr;
  icon_catalog = nullptr;
  paint_dc = 0;
  paint_row = nullptr;
  painting = false;
  reset_window_system();
}

// ---- helpers
// -------------------------------------------------------------------------------------

int compare_nocase(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = std::tolower(static_cast<unsigned char>(a[i]));
    const int cb = std::tolower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace dlist::dialog_internal

// ---- engine.h
// ---------------------------------------------------------------------------------------

namespace dlist {

using dialog_internal::Control;
using dialog_internal::Dialog;
using dialog_internal::engine;
using dialog_internal::Kind;

const Notification* notification() {
  return engine().delivering();
}

bool post_command(void* window, int command) {
  if (window == nullptr) return false;
  Dialog* d = engine().dialog(window);
  if (d == nullptr || !d->open()) {
    engine().note("command " + std::to_string(command) + " posted to a window outside the engine");
    return true;
  }
  engine().post(d, command);
  return true;
}

bool drive_dialog(void* dialog) {
  return engine().drive(engine().dialog(dialog));
}

bool destroy_dialog(void* dialog) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr || !d->open()) return false;
  engine().destroy(d);
  return true;
}

void paint_dialog(void* dialog) {
  Dialog* d = engine().dialog(dialog);
  if (d != nullptr && d->open()) engine().paint(d);
}

int open_dialog_count() {
  int n = 0;
  for (auto& [key, d] : engine().dialogs) n += d->open() ? 1 : 0;
  return n;
}

int modal_depth() {
  int n = 0;
  for (auto key : engine().modal) n += engine().dialog(dialog_internal::to_handle(key)) ? 1 : 0;
  return n;
}

void* innermost_dialog() {
  Dialog* d = engine().innermost();
  return d != nullptr ? dialog_internal::to_handle(d->key) : nullptr;
}

int dialog_context(void* dialog) {
  Dialog* d = engine().dialog(dialog);
  return d != nullptr ? d->context : 0;
}

std::string dialog_title(void* dialog) {
  Dialog* d = engine().dialog(dialog);
  return d != nullptr ? d->title : std::string();
}

bool set_dialog_title(void* dialog, const char* title) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr) return false;
  d->title = title != nullptr ? title : "";
  return true;
}

bool has_control(void* dialog, int id) {
  return engine().control(dialog, id) != nullptr;
}

std::string control_text(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr ? dialog_internal::shown_text(*c) : std::string();
}

bool set_control_text(void* dialog, int id, const char* text) {
  Control* c = engine().control(dialog, id);
  if (c == nullptr) return false;
  c->text = text != nullptr ? text : "";
  c->text_selected = false;
  return true;
}

bool move_control(void* dialog, int id, int x, int y, int cx, int cy) {
  Control* c = engine().control(dialog, id);
  if (c == nullptr || cx < 0 || cy < 0) return false;
  c->x = x;
  c->y = y;
  c->cx = cx;
  c->cy = cy;
  return true;
}

bool control_rect(void* dialog, int id, int* x, int* y, int* cx, int* cy) {
  Control* c = engine().control(dialog, id);
  if (c == nullptr) return false;
  if (x != nullptr) *x = c->x;
  if (y != nullptr) *y = c->y;
  if (cx != nullptr) *cx = c->cx;
  if (cy != nullptr) *cy = c->cy;
  return true;
}

int control_check(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr ? c->check : 0;
}

bool set_control_check(void* dialog, int id, int state) {
  Control* c = engine().control(dialog, id);
  if (c == nullptr || c->kind != Kind::kCheckBox) return false;
  c->check = state;
  return true;
}

bool control_enabled(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr && c->enabled;
}

bool control_visible(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr && c->visible;
}

bool control_marked(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr && c->marked;
}

bool select_control_text(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  if (c == nullptr || !c->typable()) return false;
  c->text_selected = true;
  return true;
}

bool control_text_selected(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr && c->text_selected;
}

int focused_control(void* dialog) {
  Dialog* d = engine().dialog(dialog);
  return d != nullptr ? d->focus : 0;
}

bool set_focus(void* dialog, int id) {
  Dialog* d = nullptr;
  Control* c = engine().control(dialog, id, &d);
  if (c == nullptr || !c->focusable() || !c->enabled || !c->visible) return false;
  d->focus = id;
  return true;
}

bool set_timer(void* dialog, int id, unsigned milliseconds) {
  (void)milliseconds;  // ticks come from the user, not from a clock
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr) return false;
  d->timers.insert(id);
  return true;
}

bool kill_timer(void* dialog, int id) {
  Dialog* d = engine().dialog(dialog);
  return d != nullptr && d->timers.erase(id) != 0;
}

bool timer_running(void* dialog, int id) {
  Dialog* d = engine().dialog(dialog);
  return d != nullptr && d->timers.count(id) != 0;
}

bool fire_timer(void* dialog, int id) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr || !d->open() || d->timers.count(id) == 0) return false;
  engine().call_timer(d, id);
  if (d->open()) engine().pump(d);
  return true;
}

void set_dialog_text_loader(TextLoader loader) {
  engine().text_loader = loader;
}

std::string dialog_text(int id) {
  if (engine().text_loader != nullptr) return engine().text_loader(id);
  std::string text = id > 0 ? load_string(static_cast<unsigned>(id)) : std::string();
  return text.empty() ? "#" + std::to_string(id) : text;
}

const BufferAccounting& buffer_accounting() {
  return engine().accounting;
}

void fail_next_buffer_reservation() {
  engine().fail_next_reservation = true;
}

void fail_construction_call(int n) {
  engine().fail_building_at = n > 0 ? n : 0;
}

void reset_dialog_engine() {
  engine().reset();
}

DialogLog& dialog_log() {
  return engine().log;
}

}  // namespace dlist
