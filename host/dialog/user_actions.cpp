// Applying the user's actions to a running dialog, each the way the control would
// take it: the model changes first, then the dialog hears the notification the
// control would send. An action the user could not perform (a control that does
// not exist, is hidden or disabled, an item that is not there or not shown, a
// timer not running) changes nothing and is recorded as refused.
#include <algorithm>
#include <deque>

#include "host/dialog/engine_internal.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"

namespace dlist::dialog_internal {

namespace {

using K = UserAction::Kind;

// The shallowest item that matches ref, the first of its level in tree order; 0 when none.
Key find_item(TreeModel& t, const ItemRef& ref) {
  std::deque<Key> queue(t.top.begin(), t.top.end());
  while (!queue.empty()) {
    const Key k = queue.front();
    queue.pop_front();
    const TreeItem& it = t.items[k];
    const bool match = ref.by == ItemRef::By::kParam ? it.param == ref.param : it.text == ref.text;
    if (match) return k;
    queue.insert(queue.end(), it.children.begin(), it.children.end());
  }
  return 0;
}

bool is_tree_action(K kind) {
  return kind == K::kSelectItem || kind == K::kExpand || kind == K::kCollapse ||
         kind == K::kDoubleClick || kind == K::kRightClick || kind == K::kDrag ||
         kind == K::kEditLabel || kind == K::kCancelLabel;
}

bool is_list_action(K kind) {
  return kind == K::kSelectRow || kind == K::kDoubleClickRow || kind == K::kRightClickRow ||
         kind == K::kClickColumn;
}

const char* kind_name(Kind kind) {
  switch (kind) {
    case Kind::kTree:
      return "a tree view";
    case Kind::kList:
      return "a list view";
    case Kind::kCombo:
      return "a combo box";
    case Kind::kTab:
      return "a tab control";
    case Kind::kCheckBox:
      return "a check box";
    case Kind::kButton:
      return "a button";
    default:
      return "an input field";
  }
}

}  // namespace

void Engine::drag_by_pointer(Dialog* d, int tree_id, void* adapter, const UserAction& a, Key onto) {
  Control* c = d->control(tree_id);
  if (c == nullptr) return;
  void* window = to_handle(c->window);
  ScreenPoint at;
  switch (static_cast<DragSpot>(a.value)) {
    case DragSpot::kOnItem:
      tree_scroll_to(window, to_item(onto));
      tree_item_point(window, to_item(onto), &at);
      break;
    case DragSpot::kTopEdge:
      at = ScreenPoint{c->x + c->cx / 2, c->y + 2};
      break;
    case DragSpot::kBottomEdge:
      at = ScreenPoint{c->x + c->cx / 2, c->y + c->cy - 2};
      break;
    case DragSpot::kOutside:
      at = ScreenPoint{c->x + c->cx + 20, c->y + c->cy / 2};
      break;
  }
  set_cursor_pos(at);
  if (c->tree) {
    _TREEITEM* under = tree_hit_test_at(window, at);
    c->tree->pointed = under != nullptr ? to_key(under) : 0;
  }
  const unsigned keys = a.shift ? kMkShift : 0;
  const long point = pack_point(at);
  send_window_message(adapter, kWmMouseMove, keys, point);
  for (int i = 0; i < a.ticks && d->open() && capture_window() == adapter; ++i) {
    for (int timer : window_timers(adapter)) {
      if (!d->open() || capture_window() != adapter) break;
      send_window_message(adapter, kWmTimer, static_cast<unsigned>(timer), 0);
    }
  }
  if (d->open() && capture_window() == adapter)
    send_window_message(adapter, kWmLButtonUp, keys, point);
  if (capture_window() == adapter) {
    note("the drag ended with the mouse still captured");
    release_capture();
  }
  if (Control* tc = d->control(tree_id); tc != nullptr && tc->tree) {
    tc->tree->dragging = 0;
    tc->tree->drop_target = 0;
  }
}

void Engine::apply(Dialog* d, const UserAction& a) {
  if (a.kind == K::kObserve) {
    if (a.observe) a.observe(to_handle(d->key));
    return;
  }
  ++d->actions;

  // A label editor left open is cancelled by anything but the edit of its own item.
  for (int id : d->order) {
    Control& c = d->controls[id];
    if (c.kind != Kind::kTree || c.tree->editing == 0) continue;
    const bool same = (a.kind == K::kEditLabel || a.kind == K::kCancelLabel) && a.control == id &&
                      find_item(*c.tree, a.item) == c.tree->editing;
    if (!same) tree_finish_label(d, c, nullptr);
    if (!d->open()) return;
  }

  // Actions that are not about one control.
  switch (a.kind) {
    case K::kTick:
      if (d->timers.count(a.value) == 0) {
        refuse(d, a, "timer " + std::to_string(a.value) + " is not running");
      } else {
        call_timer(d, a.value);
      }
      return;
    case K::kChooseMenu: {
      Menu* bar = menu(to_handle(d->menu));
      std::vector<int> enabled;
      std::vector<Key> pending{d->menu};
      bool present = false;
      for (size_t i = 0; i < pending.size() && i < 64; ++i) {
        Menu* m = menu(to_handle(pending[i]));
        if (m == nullptr) continue;
        for (const MenuEntry& e : m->entries) {
          if (e.submenu != 0) pending.push_back(e.submenu);
          if (e.separator || e.submenu != 0 || e.id != a.value) continue;
          present = true;
          if (e.enabled) enabled.push_back(e.id);
        }
      }
      if (bar == nullptr || !present) {
        refuse(d, a, "no command " + std::to_string(a.value) + " in an open menu");
      } else if (enabled.empty()) {
        refuse(d, a, "command " + std::to_string(a.value) + " is disabled");
      } else {
        command(d, a.value);
      }
      return;
    }
    case K::kClose:
      cancel_path(d, false);
      return;
    case K::kEnter:
      if (a.control == 0) {
        enter_path(d, d->focus);
        return;
      }
      break;
    case K::kPress:
      if (a.control == kIdReject && d->control(kIdReject) == nullptr) {
        cancel_path(d, false);  // Escape cancels whether or not the dialog shows the button
        return;
      }
      break;
    default:
      break;
  }

  Control* c = d->control(a.control);
  if (c == nullptr) {
    refuse(d, a, "the dialog has no control " + std::to_string(a.control));
    return;
  }
  if (!c->visible) {
    refuse(d, a, "control " + std::to_string(a.control) + " is hidden");
    return;
  }
  if (!c->enabled) {
    refuse(d, a, "control " + std::to_string(a.control) + " is disabled");
    return;
  }
  auto wrong_kind = [&](Kind want) {
    if (c->kind == want) return false;
    refuse(d, a, "control " + std::to_string(a.control) + " is not " + kind_name(want));
    return true;
  };

  if (is_tree_action(a.kind)) {
    if (wrong_kind(Kind::kTree)) return;
    TreeModel& t = *c->tree;
    const Key key = find_item(t, a.item);
    if (key == 0) {
      refuse(d, a, "no " + a.item.describe());
      return;
    }
    if (!tree_visible(t, key)) {
      refuse(d, a, a.item.describe() + " is inside a collapsed item");
      return;
    }
    d->focus = c->id;
    Notification n;
    n.control = c->id;
    n.item = to_item(key);
    n.param = t.items[key].param;
    switch (a.kind) {
      case K::kSelectItem:
        t.pointed = key;
        tree_select_caret(d, *c, key, kTvcByMouse);
        return;
      case K::kExpand:
      case K::kCollapse: {
        const TreeItem& it = t.items[key];
        const bool expand = a.kind == K::kExpand;
        if (it.children.empty() && !it.has_children) {
          refuse(d, a, a.item.describe() + " has no children to show");
          return;
        }
        if (((it.state & kTvisExpanded) != 0) == expand) return;
        n.code = kTvnItemExpanding;
        n.action = expand ? kTveExpand : kTveCollapse;
        if (notify(d, n) != 0 || t.find(key) == nullptr) return;  // prevented, or gone
        void* window = to_handle(c->window);
        tree_expand(window, to_item(key), n.action);
        n.code = kTvnItemExpanded;
        notify(d, n);
        return;
      }
      case K::kDoubleClick:
        t.pointed = key;
        tree_select_caret(d, *c, key, kTvcByMouse);
        if (!d->open() || t.find(key) == nullptr) return;
        n.code = kNmDblClk;
        notify(d, n);
        return;
      case K::kRightClick:
        t.pointed = key;
        n.code = kNmRClick;
        notify(d, n);
        return;
      case K::kDrag: {
        const bool on_item = a.value == static_cast<int>(DragSpot::kOnItem);
        // A drop onto another tree of the dialog (a palette dragged into the tree it feeds).
        Control* drop = a.drop_control != 0 ? d->control(a.drop_control) : c;
        if (drop == nullptr || !drop->tree) {
          refuse(d, a, "control " + std::to_string(a.drop_control) + " is no tree");
          return;
        }
        TreeModel& dt = *drop->tree;
        const Key onto = on_item ? find_item(dt, a.target) : 0;
        if (on_item && (onto == 0 || !tree_visible(dt, onto))) {
          refuse(d, a, "no shown " + a.target.describe() + " to drop onto");
          return;
        }
        void* window = to_handle(c->window);
        ScreenPoint start;
        tree_scroll_to(window, to_item(key));
        if (tree_item_point(window, to_item(key), &start)) set_cursor_pos(start);
        t.pointed = key;
        n.shift = a.shift;
        n.code = kTvnBeginDrag;
        notify(d, n);
        if (!d->open()) return;
        if (void* adapter = capture_window(); adapter != nullptr && owner_of(adapter) == d) {
          drag_by_pointer(d, drop->id, adapter, a, onto);
          return;
        }
        // Without an adapter a drag stays inside its tree.
        if (!on_item || t.dragging != key || drop != c) return;  // the dialog did not take the drag up
        t.pointed = onto;
        n.target = to_item(onto);
        n.code = kDlnDragOver;
        notify(d, n);
        if (d->open() && t.dragging == key && t.find(onto) != nullptr) {
          n.code = kDlnDrop;
          notify(d, n);
        }
        t.dragging = 0;
        t.drop_target = 0;
        return;
      }
      case K::kEditLabel:
      case K::kCancelLabel: {
        if (t.editing != key && !tree_begin_label(d, *c, key)) return;  // refused by the dialog
        if (a.kind == K::kEditLabel) {
          tree_finish_label(d, *c, &a.text);
        } else {
          tree_finish_label(d, *c, nullptr);
        }
        return;
      }
      default:
        return;
    }
  }

  if (is_list_action(a.kind)) {
    if (wrong_kind(Kind::kList)) return;
    ListModel& l = *c->list;
    d->focus = c->id;
    if (a.kind == K::kClickColumn) {
      if (a.value < 0 || static_cast<size_t>(a.value) >= l.columns.size()) {
        refuse(d, a, "the list has no column " + std::to_string(a.value));
        return;
      }
      Notification n;
      n.control = c->id;
      n.code = kLvnColumnClick;
      n.column = a.value;
      notify(d, n);
      return;
    }
    if (a.value < 0 || static_cast<size_t>(a.value) >= l.rows.size()) {
      refuse(d, a, "the list has no row " + std::to_string(a.value));
      return;
    }
    const int row = a.value;
    l.pointed = row;
    // A click makes the row the only selected one and the focused one.
    for (int i = 0; static_cast<size_t>(i) < c->list->rows.size() && d->open(); ++i) {
      if (i != row) list_change_state(d, *c, i, 0, kLvisSelected | kLvisFocused);
    }
    if (!d->open()) return;
    list_change_state(d, *c, row, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
    if (a.kind == K::kSelectRow || !d->open()) return;
    if (static_cast<size_t>(row) >= c->list->rows.size()) return;  // the dialog removed it
    Notification n;
    n.control = c->id;
    n.code = a.kind == K::kDoubleClickRow ? kNmDblClk : kNmRClick;
    n.row = row;
    n.param = c->list->rows[static_cast<size_t>(row)].param;
    notify(d, n);
    return;
  }

  Notification n;
  n.control = c->id;
  switch (a.kind) {
    case K::kType:
      if (!c->typable()) {
        refuse(d, a, "control " + std::to_string(a.control) + " takes no typing");
        return;
      }
      if (c->read_only()) {
        refuse(d, a, "control " + std::to_string(a.control) + " is read-only");
        return;
      }
      c->text = a.text;
      c->text_selected = false;
      c->marked = false;
      d->focus = c->id;
      if (c->kind == Kind::kCombo) c->combo->current = -1;
      n.code = c->kind == Kind::kCombo ? kCbnEditChange : kEnChange;
      notify(d, n);
      return;
    case K::kCheck:
      if (wrong_kind(Kind::kCheckBox)) return;
      d->focus = c->id;
      if (c->check == a.value) return;
      c->check = a.value;
      c->marked = false;
      n.code = kBnClicked;
      notify(d, n);
      return;
    case K::kChooseCombo: {
      if (wrong_kind(Kind::kCombo)) return;
      int index = a.value;
      if (index < 0) {
        index = -1;
        for (size_t i = 0; i < c->combo->items.size(); ++i) {
          if (c->combo->items[i].text == a.text) {
            index = static_cast<int>(i);
            break;
          }
        }
      }
      if (index < 0 || static_cast<size_t>(index) >= c->combo->items.size()) {
        refuse(d, a, "the combo has no such item");
        return;
      }
      c->combo->current = index;
      c->text = c->combo->items[static_cast<size_t>(index)].text;
      c->marked = false;
      d->focus = c->id;
      n.code = kCbnSelChange;
      n.row = index;
      n.param = c->combo->items[static_cast<size_t>(index)].param;
      notify(d, n);
      return;
    }
    case K::kChooseTab: {
      if (wrong_kind(Kind::kTab)) return;
      if (a.value < 0 || static_cast<size_t>(a.value) >= c->tab->tabs.size()) {
        refuse(d, a, "the tab control has no tab " + std::to_string(a.value));
        return;
      }
      d->focus = c->id;
      if (c->tab->current == a.value) return;
      n.row = a.value;
      n.code = kTcnSelChanging;
      if (notify(d, n) != 0 || !d->open()) return;
      if (static_cast<size_t>(a.value) >= c->tab->tabs.size()) return;
      c->tab->current = a.value;
      n.code = kTcnSelChange;
      notify(d, n);
      return;
    }
    case K::kPress:
      if (c->kind != Kind::kButton && c->kind != Kind::kCheckBox) {
        refuse(d, a, "control " + std::to_string(a.control) + " is no button");
        return;
      }
      if (a.control == kIdAccept) {
        accept_path(d);
      } else if (a.control == kIdReject) {
        cancel_path(d, false);
      } else {
        if (c->kind == Kind::kCheckBox) c->check = c->check == 0 ? 1 : 0;
        n.code = kBnClicked;
        notify(d, n);
      }
      return;
    case K::kMoveSplitter: {
      if (c->kind != Kind::kSplitter) {
        refuse(d, a, "control " + std::to_string(a.control) + " is no splitter");
        return;
      }
      // A splitter standing upright moves sideways, one lying flat up and down; the
      // dialog hears of it as the end of the drag and lays out its panes itself.
      if (c->cy >= c->cx) {
        c->x = a.value;
      } else {
        c->y = a.value;
      }
      n.code = kDragButtonUp;
      notify(d, n);
      return;
    }
    case K::kFocus:
    case K::kEnter:
      if (!c->focusable()) {
        refuse(d, a, "control " + std::to_string(a.control) + " takes no focus");
        return;
      }
      d->focus = c->id;
      if (a.kind == K::kEnter) enter_path(d, c->id);
      return;
    default:
      refuse(d, a, "the action does not apply here");
      return;
  }
}

}  // namespace dlist::dialog_internal
