// Tree views over the engine's TreeModel: items kept by handle with their
// parent and ordered children, the caret, drop target, top item, label editor,
// dragged item and the item under the pointer. The selection and drop target are
// held by the model, not by the items, and reported through tree_state.
#include "host/dialog/tree_view.h"

#include <algorithm>
#include <cstring>

#include "host/dialog/engine_internal.h"

namespace dlist::dialog_internal {

namespace {

bool in_subtree(TreeModel& t, Key root, Key key) {
  for (Key k = key; k != 0;) {
    if (k == root) return true;
    const TreeItem* it = t.find(k);
    k = it != nullptr ? it->parent : 0;
  }
  return false;
}

void expand_ancestors(TreeModel& t, Key key) {
  const TreeItem* it = t.find(key);
  for (Key p = it != nullptr ? it->parent : 0; p != 0;) {
    TreeItem* parent = t.find(p);
    if (parent == nullptr) break;
    parent->state |= kTvisExpanded;
    p = parent->parent;
  }
}

}  // namespace

bool Engine::tree_visible(TreeModel& t, Key key) {
  const TreeItem* it = t.find(key);
  if (it == nullptr) return false;
  for (Key p = it->parent; p != 0;) {
    const TreeItem* parent = t.find(p);
    if (parent == nullptr || (parent->state & kTvisExpanded) == 0) return false;
    p = parent->parent;
  }
  return true;
}

void Engine::tree_select_caret(Dialog* d, Control& c, Key key, int action) {
  TreeModel& t = *c.tree;
  const Key old = t.caret;
  if (old == key) return;
  if (key != 0) expand_ancestors(t, key);
  t.caret = key;
  Notification n;
  n.control = c.id;
  n.code = kTvnSelChanged;
  n.item = key != 0 ? to_item(key) : nullptr;
  n.old_item = old != 0 ? to_item(old) : nullptr;
  n.action = action;
  if (const TreeItem* it = t.find(key)) n.param = it->param;
  notify(d, n);
}

void Engine::tree_remove(Dialog* d, Control& c, Key key) {
  TreeModel& t = *c.tree;
  TreeItem* item = t.find(key);
  if (item == nullptr) return;
  const bool caret_goes = t.caret != 0 && in_subtree(t, key, t.caret);
  std::vector<Key>& siblings = t.siblings_of(item->parent);
  const auto pos = std::find(siblings.begin(), siblings.end(), key);
  Key successor = item->parent;
  if (pos + 1 != siblings.end()) {
    successor = *(pos + 1);
  } else if (pos != siblings.begin()) {
    successor = *(pos - 1);
  }
  siblings.erase(pos);
  std::vector<Key> doomed{key};
  for (size_t i = 0; i < doomed.size(); ++i) {
    const TreeItem& it = t.items[doomed[i]];
    doomed.insert(doomed.end(), it.children.begin(), it.children.end());
  }
  for (Key k : doomed) {
    for (Key* ref : {&t.drop_target, &t.first_visible, &t.editing, &t.dragging, &t.pointed}) {
      if (*ref == k) *ref = 0;
    }
    t.items.erase(k);
  }
  if (caret_goes) {
    t.caret = 0;
    if (successor != 0) expand_ancestors(t, successor);
    t.caret = successor;
    Notification n;
    n.control = c.id;
    n.code = kTvnSelChanged;
    n.item = successor != 0 ? to_item(successor) : nullptr;
    n.action = kTvcUnknown;
    if (const TreeItem* it = t.find(successor)) n.param = it->param;
    notify(d, n);
  }
}

bool Engine::tree_begin_label(Dialog* d, Control& c, Key key) {
  if (c.tree->editing != 0) tree_finish_label(d, c, nullptr);
  const TreeItem* it = c.tree->find(key);
  if (it == nullptr) return false;
  c.tree->label_limit = 0;
  Notification n;
  n.control = c.id;
  n.code = kTvnBeginLabelEdit;
  n.item = to_item(key);
  n.param = it->param;
  if (notify(d, n) != 0 || c.tree->find(key) == nullptr || !d->open()) return false;
  c.tree->editing = key;
  return true;
}

void Engine::tree_finish_label(Dialog* d, Control& c, const std::string* text) {
  const Key key = c.tree->editing;
  if (key == 0) return;
  c.tree->editing = 0;
  std::string label;
  if (text != nullptr) {
    label = *text;
    if (c.tree->label_limit != 0 && label.size() > c.tree->label_limit) {
      label.resize(c.tree->label_limit);  // the editor takes no more characters
    }
  }
  Notification n;
  n.control = c.id;
  n.code = kTvnEndLabelEdit;
  n.item = to_item(key);
  if (const TreeItem* it = c.tree->find(key)) n.param = it->param;
  const int take = notify(d, n, text != nullptr ? label.c_str() : nullptr);
  if (text != nullptr && take != 0) {
    if (TreeItem* it = c.tree->find(key)) it->text = label;
  }
}

}  // namespace dlist::dialog_internal

namespace dlist {

namespace {

using dialog_internal::Control;
using dialog_internal::Dialog;
using dialog_internal::engine;
using dialog_internal::expand_ancestors;
using dialog_internal::in_subtree;
using dialog_internal::Key;
using dialog_internal::to_item;
using dialog_internal::to_key;
using dialog_internal::TreeItem;
using dialog_internal::TreeModel;

struct TreeRef {
  Dialog* d = nullptr;
  Control* c = nullptr;
  TreeModel* t = nullptr;
};

TreeRef tree_of(void* tree) {
  TreeRef r;
  r.c = engine().control_of_kind(tree, dialog_internal::Kind::kTree, &r.d);
  if (r.c != nullptr) r.t = r.c->tree.get();
  return r;
}

TreeItem* item_of(const TreeRef& r, _TREEITEM* item) {
  return r.t != nullptr ? r.t->find(to_key(item)) : nullptr;
}

// The last item shown below key (key itself when it is collapsed or a leaf).
Key last_shown(TreeModel& t, Key key) {
  for (;;) {
    const TreeItem& it = t.items[key];
    if ((it.state & kTvisExpanded) == 0 || it.children.empty()) return key;
    key = it.children.back();
  }
}

Key next_shown(TreeModel& t, Key key) {
  const TreeItem& it = t.items[key];
  if ((it.state & kTvisExpanded) != 0 && !it.children.empty()) return it.children.front();
  for (Key k = key; k != 0;) {
    const TreeItem& cur = t.items[k];
    const std::vector<Key>& sib = t.siblings_of(cur.parent);
    auto pos = std::find(sib.begin(), sib.end(), k);
    if (pos + 1 != sib.end()) return *(pos + 1);
    k = cur.parent;
  }
  return 0;
}

Key previous_shown(TreeModel& t, Key key) {
  const TreeItem& it = t.items[key];
  const std::vector<Key>& sib = t.siblings_of(it.parent);
  auto pos = std::find(sib.begin(), sib.end(), key);
  if (pos != sib.begin()) return last_shown(t, *(pos - 1));
  return it.parent;
}

void sort_level(TreeModel& t, std::vector<Key>& keys, bool recurse, TreeCompare compare,
                intptr_t data) {
  std::stable_sort(keys.begin(), keys.end(), [&](Key a, Key b) {
    const TreeItem& ia = t.items[a];
    const TreeItem& ib = t.items[b];
    if (compare != nullptr) return compare(ia.param, ib.param, data) < 0;
    return dialog_internal::compare_nocase(ia.text, ib.text) < 0;
  });
  if (!recurse) return;
  for (Key k : keys) sort_level(t, t.items[k].children, true, compare, data);
}

}  // namespace

_TREEITEM* tree_insert(void* tree, _TREEITEM* parent, _TREEITEM* after, const char* text, int image,
                       int selected_image, intptr_t param) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return nullptr;
  TreeModel& t = *r.t;
  const Key parent_key = parent == nullptr || parent == kTviRoot ? 0 : to_key(parent);
  if (parent_key != 0 && t.find(parent_key) == nullptr) return nullptr;
  const std::string label = text != nullptr ? text : "";
  std::vector<Key>& siblings = t.siblings_of(parent_key);
  size_t pos = siblings.size();
  if (after == kTviFirst) {
    pos = 0;
  } else if (after == kTviSort) {
    for (pos = 0; pos < siblings.size(); ++pos) {
      if (dialog_internal::compare_nocase(t.items[siblings[pos]].text, label) > 0) break;
    }
  } else if (after != kTviLast && after != nullptr) {
    auto it = std::find(siblings.begin(), siblings.end(), to_key(after));
    if (it == siblings.end()) return nullptr;
    pos = static_cast<size_t>(it - siblings.begin()) + 1;
  }
  const Key key = engine().new_key();
  TreeItem& item = t.items[key];
  item.parent = parent_key;
  item.text = label;
  item.image = image;
  item.selected_image = selected_image;
  item.param = param;
  siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(pos), key);
  return to_item(key);
}

_TREEITEM* tree_get_next(void* tree, _TREEITEM* item, TreeRelation relation) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return nullptr;
  TreeModel& t = *r.t;
  const Key key = to_key(item);
  Key found = 0;
  switch (relation) {
    case TreeRelation::kRoot:
      found = t.top.empty() ? 0 : t.top.front();
      break;
    case TreeRelation::kCaret:
      found = t.caret;
      break;
    case TreeRelation::kDropHilite:
      found = t.drop_target;
      break;
    case TreeRelation::kFirstVisible:
      found = t.first_visible != 0 && engine().tree_visible(t, t.first_visible)
                  ? t.first_visible
                  : (t.top.empty() ? 0 : t.top.front());
      break;
    case TreeRelation::kLastVisible:
      found = t.top.empty() ? 0 : last_shown(t, t.top.back());
      break;
    default: {
      const TreeItem* it = t.find(key);
      if (it == nullptr) return nullptr;
      const std::vector<Key>& sib = t.siblings_of(it->parent);
      const auto pos = std::find(sib.begin(), sib.end(), key);
      switch (relation) {
        case TreeRelation::kNext:
          found = pos + 1 != sib.end() ? *(pos + 1) : 0;
          break;
        case TreeRelation::kPrevious:
          found = pos != sib.begin() ? *(pos - 1) : 0;
          break;
        case TreeRelation::kParent:
          found = it->parent;
          break;
        case TreeRelation::kChild:
          found = it->children.empty() ? 0 : it->children.front();
          break;
        case TreeRelation::kNextVisible:
          found = engine().tree_visible(t, key) ? next_shown(t, key) : 0;
          break;
        case TreeRelation::kPreviousVisible:
          found = engine().tree_visible(t, key) ? previous_shown(t, key) : 0;
          break;
        default:
          break;
      }
    }
  }
  return found != 0 ? to_item(found) : nullptr;
}

bool tree_has_item(void* tree, _TREEITEM* item) {
  return item_of(tree_of(tree), item) != nullptr;
}

unsigned tree_count(void* tree) {
  TreeRef r = tree_of(tree);
  return r.t != nullptr ? static_cast<unsigned>(r.t->items.size()) : 0;
}

std::string tree_text(void* tree, _TREEITEM* item) {
  const TreeItem* it = item_of(tree_of(tree), item);
  return it != nullptr ? it->text : std::string();
}

bool tree_get_text(void* tree, _TREEITEM* item, char* buffer, unsigned size) {
  const TreeItem* it = item_of(tree_of(tree), item);
  if (it == nullptr || buffer == nullptr || size == 0) return false;
  const size_t n = std::min<size_t>(it->text.size(), size - 1);
  std::memcpy(buffer, it->text.data(), n);
  buffer[n] = '\0';
  return true;
}

bool tree_set_text(void* tree, _TREEITEM* item, const char* text) {
  TreeItem* it = item_of(tree_of(tree), item);
  if (it == nullptr) return false;
  it->text = text != nullptr ? text : "";
  return true;
}

int tree_image(void* tree, _TREEITEM* item) {
  const TreeItem* it = item_of(tree_of(tree), item);
  return it != nullptr ? it->image : 0;
}

int tree_selected_image(void* tree, _TREEITEM* item) {
  const TreeItem* it = item_of(tree_of(tree), item);
  return it != nullptr ? it->selected_image : 0;
}

bool tree_set_image(void* tree, _TREEITEM* item, int image, int selected_image) {
  TreeItem* it = item_of(tree_of(tree), item);
  if (it == nullptr) return false;
  it->image = image;
  it->selected_image = selected_image;
  return true;
}

intptr_t tree_param(void* tree, _TREEITEM* item) {
  const TreeItem* it = item_of(tree_of(tree), item);
  return it != nullptr ? it->param : 0;
}

bool tree_set_param(void* tree, _TREEITEM* item, intptr_t param) {
  TreeItem* it = item_of(tree_of(tree), item);
  if (it == nullptr) return false;
  it->param = param;
  return true;
}

unsigned tree_state(void* tree, _TREEITEM* item) {
  TreeRef r = tree_of(tree);
  const TreeItem* it = item_of(r, item);
  if (it == nullptr) return 0;
  unsigned state = it->state;
  if (r.t->caret == to_key(item)) state |= kTvisSelected;
  if (r.t->drop_target == to_key(item)) state |= kTvisDropHilited;
  return state;
}

bool tree_set_state(void* tree, _TREEITEM* item, unsigned state, unsigned mask) {
  TreeItem* it = item_of(tree_of(tree), item);
  if (it == nullptr) return false;
  mask &= ~(kTvisSelected | kTvisDropHilited);
  it->state = (it->state & ~mask) | (state & mask);
  return true;
}

bool tree_set_children(void* tree, _TREEITEM* item, bool has_children) {
  TreeItem* it = item_of(tree_of(tree), item);
  if (it == nullptr) return false;
  it->has_children = has_children;
  return true;
}

bool tree_delete(void* tree, _TREEITEM* item) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return false;
  if (item == nullptr || item == kTviRoot) return tree_delete_all(tree);
  if (r.t->find(to_key(item)) == nullptr) return false;
  engine().tree_remove(r.d, *r.c, to_key(item));
  return true;
}

bool tree_delete_all(void* tree) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return false;
  const Key image_list = r.t->image_list;
  *r.t = TreeModel();
  r.t->image_list = image_list;
  return true;
}

bool tree_select(void* tree, _TREEITEM* item, TreeSelect what) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return false;
  const Key key = to_key(item);
  if (item != nullptr && r.t->find(key) == nullptr) return false;
  switch (what) {
    case TreeSelect::kCaret:
      engine().tree_select_caret(r.d, *r.c, item != nullptr ? key : 0, kTvcUnknown);
      return true;
    case TreeSelect::kDropHilite:
      r.t->drop_target = item != nullptr ? key : 0;
      return true;
    case TreeSelect::kFirstVisible:
      if (item == nullptr || !engine().tree_visible(*r.t, key)) return false;
      r.t->first_visible = key;
      return true;
  }
  return false;
}

bool tree_expand(void* tree, _TREEITEM* item, int action) {
  TreeRef r = tree_of(tree);
  TreeItem* it = item_of(r, item);
  if (it == nullptr) return false;
  bool expand;
  switch (action) {
    case kTveExpand:
      expand = true;
      break;
    case kTveCollapse:
      expand = false;
      break;
    case kTveToggle:
      expand = (it->state & kTvisExpanded) == 0;
      break;
    default:
      return false;
  }
  if (expand) {
    it->state |= kTvisExpanded;
    return true;
  }
  it->state &= ~kTvisExpanded;
  const Key key = to_key(item);
  if (r.t->first_visible != 0 && !engine().tree_visible(*r.t, r.t->first_visible)) {
    r.t->first_visible = 0;
  }
  if (r.t->caret != 0 && r.t->caret != key && in_subtree(*r.t, key, r.t->caret)) {
    engine().tree_select_caret(r.d, *r.c, key, kTvcUnknown);
  }
  return true;
}

bool tree_sort_children(void* tree, _TREEITEM* parent, bool recurse) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return false;
  const Key key = parent == nullptr || parent == kTviRoot ? 0 : to_key(parent);
  if (key != 0 && r.t->find(key) == nullptr) return false;
  sort_level(*r.t, r.t->siblings_of(key), recurse, nullptr, 0);
  return true;
}

bool tree_sort_children_cb(void* tree, _TREEITEM* parent, TreeCompare compare, intptr_t data) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr || compare == nullptr) return false;
  const Key key = parent == nullptr || parent == kTviRoot ? 0 : to_key(parent);
  if (key != 0 && r.t->find(key) == nullptr) return false;
  sort_level(*r.t, r.t->siblings_of(key), false, compare, data);
  return true;
}

bool tree_ensure_visible(void* tree, _TREEITEM* item) {
  TreeRef r = tree_of(tree);
  if (item_of(r, item) == nullptr) return false;
  expand_ancestors(*r.t, to_key(item));
  return true;
}

_TREEITEM* tree_hit_test(void* tree) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr || r.t->find(r.t->pointed) == nullptr) return nullptr;
  return to_item(r.t->pointed);
}

bool tree_edit_label(void* tree, _TREEITEM* item) {
  TreeRef r = tree_of(tree);
  if (item_of(r, item) == nullptr) return false;
  return engine().tree_begin_label(r.d, *r.c, to_key(item));
}

bool tree_limit_label(void* tree, unsigned n) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return false;
  r.t->label_limit = n;
  return true;
}

bool tree_end_edit_label(void* tree, bool cancel) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr || r.t->editing == 0) return false;
  if (cancel) {
    engine().tree_finish_label(r.d, *r.c, nullptr);
  } else {
    const std::string unchanged = r.t->items[r.t->editing].text;
    engine().tree_finish_label(r.d, *r.c, &unchanged);
  }
  return true;
}

_TREEITEM* tree_editing(void* tree) {
  TreeRef r = tree_of(tree);
  return r.t != nullptr && r.t->editing != 0 ? to_item(r.t->editing) : nullptr;
}

bool tree_begin_drag(void* tree, _TREEITEM* item) {
  TreeRef r = tree_of(tree);
  if (item_of(r, item) == nullptr) return false;
  r.t->dragging = to_key(item);
  return true;
}

bool tree_end_drag(void* tree) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return false;
  r.t->dragging = 0;
  r.t->drop_target = 0;
  return true;
}

_TREEITEM* tree_dragging(void* tree) {
  TreeRef r = tree_of(tree);
  return r.t != nullptr && r.t->dragging != 0 ? to_item(r.t->dragging) : nullptr;
}

void* tree_set_image_list(void* tree, void* image_list) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return nullptr;
  if (image_list != nullptr && engine().image_list(image_list) == nullptr) return nullptr;
  void* previous = engine().image_list(dialog_internal::to_handle(r.t->image_list)) != nullptr
                       ? dialog_internal::to_handle(r.t->image_list)
                       : nullptr;
  r.t->image_list = to_key(image_list);
  return previous;
}

void* tree_image_list(void* tree) {
  TreeRef r = tree_of(tree);
  if (r.t == nullptr) return nullptr;
  void* list = dialog_internal::to_handle(r.t->image_list);
  return engine().image_list(list) != nullptr ? list : nullptr;
}

}  // namespace dlist
