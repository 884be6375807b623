// Pictures of running dialogs, read from the engine's models (dialog_view.h).
#include "host/dialog/dialog_view.h"

#include <algorithm>

#include "host/dialog/engine_internal.h"

namespace dlist {

namespace {

using dialog_internal::Binding;
using dialog_internal::Control;
using dialog_internal::Dialog;
using dialog_internal::engine;
using dialog_internal::Key;
using dialog_internal::Kind;
using dialog_internal::Menu;
using dialog_internal::MenuEntry;
using dialog_internal::to_handle;
using dialog_internal::to_item;
using dialog_internal::TreeModel;

constexpr int kMaxMenuDepth = 16;

ControlKind kind_of(Kind kind) {
  switch (kind) {
    case Kind::kStatic:
      return ControlKind::kStatic;
    case Kind::kEdit:
      return ControlKind::kEdit;
    case Kind::kInteger:
      return ControlKind::kInteger;
    case Kind::kDouble:
      return ControlKind::kDouble;
    case Kind::kCheckBox:
      return ControlKind::kCheckBox;
    case Kind::kCombo:
      return ControlKind::kCombo;
    case Kind::kTree:
      return ControlKind::kTree;
    case Kind::kList:
      return ControlKind::kList;
    case Kind::kTab:
      return ControlKind::kTab;
    case Kind::kButton:
      return ControlKind::kButton;
    case Kind::kSplitter:
      return ControlKind::kSplitter;
    case Kind::kWindow:
      break;
  }
  return ControlKind::kWindow;
}

std::vector<std::string> image_names(Key list) {
  std::vector<std::string> names;
  if (const auto* images = engine().image_list(to_handle(list))) names = images->names;
  return names;
}

void add_items(TreeModel& t, const std::vector<Key>& keys, int level,
               std::vector<TreeItemView>& out) {
  for (Key key : keys) {
    const auto* item = t.find(key);
    if (item == nullptr) continue;
    TreeItemView v;
    v.handle = to_item(key);
    v.level = level;
    v.text = item->text;
    v.image = item->image;
    v.selected_image = item->selected_image;
    v.param = item->param;
    v.expanded = (item->state & kTvisExpanded) != 0;
    v.has_children = !item->children.empty() || item->has_children;
    v.selected = t.caret == key;
    v.bold = (item->state & kTvisBold) != 0;
    v.cut = (item->state & kTvisCut) != 0;
    v.drop_target = t.drop_target == key;
    out.push_back(std::move(v));
    if (level < 256) add_items(t, item->children, level + 1, out);
  }
}

ControlView view_control(const Control& c) {
  ControlView v;
  v.id = c.id;
  v.kind = kind_of(c.kind);
  v.window_class = c.window_class;
  v.style = c.style;
  v.x = c.x;
  v.y = c.y;
  v.cx = c.cx;
  v.cy = c.cy;
  v.text = dialog_internal::shown_text(c);
  v.check = c.check;
  v.enabled = c.enabled;
  v.visible = c.visible;
  v.marked = c.marked;
  v.text_selected = c.text_selected;
  v.read_only = c.read_only();
  v.typable = c.typable();
  v.radio = c.kind == Kind::kCheckBox && (c.style & 0xF) == kBsRadioButton;
  v.text_id = c.text_id;
  if (c.tooltip > 0) v.tooltip = dialog_text(c.tooltip);
  v.bitmap = c.bitmap;
  v.has_range_n = c.has_range_n;
  v.min_n = c.min_n;
  v.max_n = c.max_n;
  v.has_range_d = c.has_range_d;
  v.min_d = c.min_d;
  v.max_d = c.max_d;
  v.decimals = c.decimals;
  if (c.binding == Binding::kText) v.text_size = c.buffer_size;
  if (c.tree) {
    add_items(*c.tree, c.tree->top, 0, v.items);
    v.images = image_names(c.tree->image_list);
    v.edit_labels = (c.style & kTvsEditLabels) != 0;
  }
  if (c.list) {
    for (const auto& column : c.list->columns) {
      v.column_titles.push_back(column.title);
      v.column_widths.push_back(column.width);
    }
    for (const auto& row : c.list->rows) {
      v.rows.push_back(ListRowView{row.texts, row.image, row.param, row.state});
    }
    v.owner_drawn = (c.style & kLvsOwnerDrawFixed) != 0 && c.draw != nullptr;
    v.painted = c.list->painted;
    v.row_height = c.list->row_height;
    v.images = image_names(c.list->image_list);
  }
  if (c.combo) {
    for (const auto& item : c.combo->items) v.choices.push_back(item.text);
    v.current = c.combo->current;
  }
  if (c.tab) {
    v.choices = c.tab->tabs;
    v.current = c.tab->current;
  }
  return v;
}

std::vector<MenuEntryView> view_menu(Key key, int depth) {
  std::vector<MenuEntryView> out;
  Menu* m = engine().menu(to_handle(key));
  if (m == nullptr || depth > kMaxMenuDepth) return out;
  for (const MenuEntry& e : m->entries) {
    MenuEntryView v;
    v.id = e.id;
    v.text = e.text;
    v.enabled = e.enabled;
    v.checked = e.checked;
    v.separator = e.separator;
    if (e.submenu != 0) v.submenu = view_menu(e.submenu, depth + 1);
    out.push_back(std::move(v));
  }
  return out;
}

void enabled_commands(const std::vector<MenuEntryView>& entries, std::vector<int>& out) {
  for (const MenuEntryView& e : entries) {
    if (!e.submenu.empty()) {
      enabled_commands(e.submenu, out);
    } else if (!e.separator && e.enabled) {
      out.push_back(e.id);
    }
  }
}

}  // namespace

std::optional<DialogView> view_dialog(void* dialog) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr || !d->open()) return std::nullopt;
  DialogView v;
  v.dialog = dialog;
  v.context = d->context;
  v.title = d->title;
  v.width = d->width;
  v.height = d->height;
  v.modeless = d->modeless;
  v.focus = d->focus;
  for (int id : d->order) {
    if (const Control* c = d->control(id)) v.controls.push_back(view_control(*c));
  }
  if (d->menu != 0) v.menu = view_menu(d->menu, 0);
  v.timers.assign(d->timers.begin(), d->timers.end());
  return v;
}

std::vector<MenuEntryView> view_tracked_menu(const std::vector<int>& commands) {
  std::vector<int> wanted = commands;
  std::sort(wanted.begin(), wanted.end());
  for (auto it = engine().menus.rbegin(); it != engine().menus.rend(); ++it) {
    if (it->second.owner != 0) continue;
    std::vector<MenuEntryView> entries = view_menu(it->first, 0);
    std::vector<int> enabled;
    enabled_commands(entries, enabled);
    std::sort(enabled.begin(), enabled.end());
    if (enabled == wanted) return entries;
  }
  return {};
}

}  // namespace dlist
