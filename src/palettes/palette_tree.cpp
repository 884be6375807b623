// Filling, labelling and searching the palette and prototype tree views.
#include "palettes/palette_tree.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "foundation/element_kinds.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/menu.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "host/object_library.h"
#include "host/report.h"
#include "host/resources.h"
#include "palettes/host_calls.h"
#include "palettes/palette_records.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

constexpr unsigned kTextUnregisteredFolder = 22222;
constexpr unsigned kTextUnregisteredPalette = 22243;
constexpr int kEdgeStrip = 5;  // pixels along the tree's edges that scroll a drag

constexpr const char* kIcons[] = {"palfolder", "registered", "unregist", "prototype"};

void* g_image_list = nullptr;
std::array<_TREEITEM*, kLastKind + 1> g_unregistered{};

std::string load(unsigned id) {
  char text[512];
  LoadStr(nullptr, id, text, sizeof text);
  return text;
}

std::string name_of(const TreeNode& node) {
  return std::string(field_text(node.name));
}

void* tree_of(void* dialog, int id) {
  return GetControlHWND(dialog, id);
}

// One level of a store: the children of parent (id and node), read in one walk.
template <class Store, class Node>
std::vector<std::pair<long, Node>> children_of(long parent) {
  std::vector<std::pair<long, Node>> out;
  Store store;
  if (store.rew_node(parent) <= 0) return out;
  Node node;
  for (long id; (id = store.get_node(&node)) > 0;) out.emplace_back(id, node);
  return out;
}

// Inserts the item of a node: system folders after their siblings, the rest by
// sorted (or, with sorted false, appended; the caller then sorts the level once).
_TREEITEM* insert_palette_node(void* tree, _TREEITEM* parent, long id,
                               const DBPALETTENODETYPE& node, bool sorted = true) {
  const bool system = !node.is_leaf() && node.depth() < kPaletteSystemLevels;
  _TREEITEM* const place = system || !sorted ? kTviLast : kTviSort;
  if (!node.is_leaf()) {
    return AddTreeViewItem(parent, folder_item_text(node.name).c_str(), place, kFolderImage, tree,
                           id);
  }
  const long palette = PALETTES().get_id_palette(id);
  return AddTreeViewItem(parent, palette_item_text(&node, palette).c_str(), place, kRegisteredImage,
                         tree, id);
}

_TREEITEM* insert_prototype_node(void* tree, _TREEITEM* parent, long id,
                                 const DBPROTOTYPENODE& node, bool sorted = true) {
  const bool system = !node.is_leaf() && node.depth() < kPrototypeSystemLevels;
  _TREEITEM* const place = system || !sorted ? kTviLast : kTviSort;
  if (node.is_leaf()) {
    return AddTreeViewItem(parent, name_of(node).c_str(), place, kPrototypeImage, tree, id);
  }
  return AddTreeViewItem(parent, folder_item_text(node.name).c_str(), place, kFolderImage, tree,
                         id);
}

// The unregistered folder that follows a palette kind folder.
void add_unregistered_folder(void* tree, _TREEITEM* parent, int kind, const char* text) {
  if (kind < kFirstKind || kind > kLastKind) return;
  g_unregistered[static_cast<size_t>(kind)] =
      AddTreeViewItem(parent, text, kTviLast, kFolderImage, tree, 0);
}

// Fills the subtree of node below item: leaves at once, folders with their items,
// then the folders' contents from the last folder to the first.
void fill_palettes(void* tree, long node, _TREEITEM* item, int kind) {
  std::vector<std::pair<long, _TREEITEM*>> pending{{node, item}};
  const std::string unregistered = " " + load(kTextUnregisteredFolder);
  while (!pending.empty()) {
    const auto [parent, parent_item] = pending.back();
    pending.pop_back();
    std::vector<std::pair<long, _TREEITEM*>> folders;
    bool sort = false;  // the level holds user nodes only: appended, then sorted once
    for (const auto& [id, child] : children_of<PALETTES, DBPALETTENODETYPE>(parent)) {
      if (kind != 0 && child.kind != kind) continue;
      const bool user = child.is_leaf() || child.depth() >= kPaletteSystemLevels;
      if (user) sort = true;
      _TREEITEM* it = insert_palette_node(tree, parent_item, id, child, false);
      if (it == nullptr || child.is_leaf()) continue;
      if (child.depth() == kPaletteSystemLevels - 1) {
        add_unregistered_folder(tree, parent_item, child.kind, unregistered.c_str());
      }
      folders.emplace_back(id, it);
    }
    if (sort) tree_sort_children(tree, parent_item);
    // the stack takes the last folder's contents first
    pending.insert(pending.end(), folders.begin(), folders.end());
  }
}

void fill_prototypes(void* tree, long node, _TREEITEM* item, int kind) {
  std::vector<std::pair<long, _TREEITEM*>> pending{{node, item}};
  while (!pending.empty()) {
    const auto [parent, parent_item] = pending.back();
    pending.pop_back();
    bool sort = false;
    for (const auto& [id, child] : children_of<PROTOTYPES, DBPROTOTYPENODE>(parent)) {
      if (kind != 0 && child.kind != kind) continue;
      if (child.is_leaf() || child.depth() >= kPrototypeSystemLevels) sort = true;
      _TREEITEM* it = insert_prototype_node(tree, parent_item, id, child, false);
      if (it != nullptr && !child.is_leaf()) pending.emplace_back(id, it);
    }
    if (sort) tree_sort_children(tree, parent_item);
  }
}

void visit(void* tree, _TREEITEM* start, std::vector<_TREEITEM*>& out) {
  const std::vector<_TREEITEM*> children = tree_children(tree, start);
  out.insert(out.end(), children.begin(), children.end());
  for (auto c = children.rbegin(); c != children.rend(); ++c) visit(tree, *c, out);
}

_TREEITEM* find_param(void* tree, _TREEITEM* start, long value) {
  const std::vector<_TREEITEM*> children = tree_children(tree, start);
  for (_TREEITEM* c : children) {
    if (tree_param(tree, c) == value) return c;
  }
  for (auto c = children.rbegin(); c != children.rend(); ++c) {
    if (_TREEITEM* found = find_param(tree, *c, value)) return found;
  }
  return nullptr;
}

std::string upper(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return s;
}

// The tree the manager shows now: the visible one of the two.
int shown_tree(void* dialog) {
  return control_visible(dialog, kPrototypeTreeView) && !control_visible(dialog, kPaletteTreeView)
             ? kPrototypeTreeView
             : kPaletteTreeView;
}

}  // namespace

std::string folder_item_text(const char* name) {
  return " " + std::string(field_text(name, 32));
}

std::string palette_item_text(const DBPALETTENODETYPE* node, long palette) {
  char text[128];
  if (node != nullptr) {
    std::snprintf(text, sizeof text, "%s", name_of(*node).c_str());
  } else {
    std::snprintf(text, sizeof text, "%s_%ld", upper(load(kTextUnregisteredPalette)).c_str(),
                  palette);
  }
  if (GetPalReport() == 0) return text;
  int a = 0, b = 0, c = 0;
  PALETTES().get_references_number(palette, &a, &b, &c);
  char counted[160];
  std::snprintf(counted, sizeof counted, "%s (%d,%d,%d)", text, a, b, c);
  return counted;
}

NameSearch& name_search() {
  static NameSearch search;
  return search;
}

bool name_matches(const std::string& item_text, const NameSearch& search) {
  std::string text = item_text;
  if (!text.empty() && text.front() == ' ') text.erase(0, 1);
  std::string wanted(field_text(search.text));
  if (wanted.empty()) return false;
  if (search.match_case == 0) {
    text = upper(text);
    wanted = upper(wanted);
  }
  if (search.match_beginning != 0) return text.compare(0, wanted.size(), wanted) == 0;
  return text.find(wanted) != std::string::npos;
}

std::vector<_TREEITEM*> items_in_search_order(void* tree, _TREEITEM* start) {
  std::vector<_TREEITEM*> out;
  visit(tree, start, out);
  return out;
}

_TREEITEM* find_item(void* tree, long param, int image) {
  for (_TREEITEM* item : items_in_search_order(tree)) {
    if (tree_param(tree, item) == param && tree_image(tree, item) == image) return item;
  }
  return nullptr;
}

_TREEITEM* unregistered_folder(int kind) {
  return kind >= kFirstKind && kind <= kLastKind ? g_unregistered[static_cast<size_t>(kind)]
                                                 : nullptr;
}

namespace {
_TREEITEM* add_unregistered(void* tree, int kind, long palette, _TREEITEM* place);
}

_TREEITEM* add_unregistered_item(void* tree, int kind, long palette) {
  return add_unregistered(tree, kind, palette, kTviSort);
}

namespace {
_TREEITEM* add_unregistered(void* tree, int kind, long palette, _TREEITEM* place) {
  _TREEITEM* folder = unregistered_folder(kind);
  if (folder == nullptr || !tree_has_item(tree, folder)) return nullptr;
  if (GetPalReport() != 0) {
    int a = 0, b = 0, c = 0;
    PALETTES().get_references_number(palette, &a, &b, &c);
    if (a == 0 && b == 0 && c == 0) {
      DiagnosticOut("Not used unregistered!");
      return nullptr;
    }
  }
  return AddTreeViewItem(folder, palette_item_text(nullptr, palette).c_str(), place,
                         kUnregisteredImage, tree, palette);
}
}  // namespace

void refill_children(void* dialog, int tree_id, _TREEITEM* folder) {
  void* tree = tree_of(dialog, tree_id);
  if (tree == nullptr || folder == nullptr) return;
  for (_TREEITEM* c : tree_children(tree, folder)) tree_delete(tree, c);
  const long node = static_cast<long>(tree_param(tree, folder));
  if (tree_id == kPaletteTreeView) {
    fill_palettes(tree, node, folder, 0);
  } else {
    fill_prototypes(tree, node, folder, 0);
  }
  tree_expand(tree, folder, kTveExpand);
}

TreeViewHost::TreeViewHost() {
  buffers_ = AllocTmpBuffers(2) != 0;
  if (!buffers_) return;
  if (MakeModlessHeader(nullptr, "", "PalTrees", 400, 400) == nullptr ||
      TreeViewInput(kPaletteTreeView, 0, 0, 400, 400) == 0 ||
      TreeViewInput(kPrototypeTreeView, 0, 0, 400, 400) == 0)
    return;
  dialog_ = RunModlessDialog(nullptr, 0);
}

TreeViewHost::~TreeViewHost() {
  if (dialog_ != nullptr) destroy_dialog(dialog_);
  if (buffers_) PurgeTmpBuffers();
}

void* TreeViewHost::tree(int id) const {
  return dialog_ != nullptr ? GetControlHWND(dialog_, id) : nullptr;
}

std::vector<_TREEITEM*> search_names(void* tree, bool all) {
  std::vector<_TREEITEM*> found;
  name_search().last = nullptr;
  while (SearchNameInTree(tree, nullptr) != 0) {
    found.push_back(GetOccurentId());
    if (!all) break;
  }
  name_search().last = nullptr;
  return found;
}

}  // namespace dlist

using namespace dlist;

int CreatePaletteImageList(void* dialog) {
  DestroyPaletteImageList();
  void* list = image_list_create(16, 16);
  if (list == nullptr) return 0;
  (void)GetColorSystem();  // the depth of the screen; the headless list keeps names only
  int loaded = 0;
  for (const char* icon : kIcons) {
    if (image_list_add_icon(list, icon) >= 0) ++loaded;
  }
  if (loaded < 4) {
    image_list_destroy(list);
    return 0;
  }
  g_image_list = list;
  for (int id : {kPaletteTreeView, kPrototypeTreeView}) {
    if (void* tree = GetControlHWND(dialog, id)) tree_set_image_list(tree, list);
  }
  return 1;
}

void DestroyPaletteImageList() {
  if (g_image_list != nullptr) image_list_destroy(g_image_list);
  g_image_list = nullptr;
}

void FillPaletteTreeView(void* dialog, short kind) {
  void* tree = GetControlHWND(dialog, kPaletteTreeView);
  if (tree == nullptr) return;
  tree_delete_all(tree);
  g_unregistered.fill(nullptr);
  PALETTES store;
  const long root = store.rew_node(0);
  if (root <= 0) return;
  if (kind == 0) {
    fill_palettes(tree, root, kTviRoot, 0);
  } else {
    long kind_node = 0;
    for (const auto& [id, child] : children_of<PALETTES, DBPALETTENODETYPE>(root)) {
      if (child.kind == kind) {
        kind_node = id;
        break;
      }
    }
    if (kind_node == 0) return;
    const auto folders = children_of<PALETTES, DBPALETTENODETYPE>(kind_node);
    if (folders.empty()) return;
    const auto& [folder_id, folder] = folders.front();
    _TREEITEM* top =
        AddTreeViewItem(kTviRoot, name_of(folder).c_str(), kTviLast, kFolderImage, tree, folder_id);
    add_unregistered_folder(tree, kTviRoot, kind, load(kTextUnregisteredFolder).c_str());
    if (top != nullptr) {
      fill_palettes(tree, folder_id, top, kind);
      tree_expand(tree, top, kTveExpand);
    }
  }
  for (int k = kFirstKind; k <= kLastKind; ++k) {
    if (unregistered_folder(k) == nullptr) continue;
    PALETTES palettes;
    if (palettes.rew_palette(static_cast<short>(k)) <= 0) continue;
    for (long palette; (palette = palettes.get_palette(1)) > 0;)
      add_unregistered(tree, k, palette, kTviLast);
    tree_sort_children(tree, unregistered_folder(k));
  }
}

void FillPrototypeTreeView(void* dialog, short kind, short) {
  void* tree = GetControlHWND(dialog, kPrototypeTreeView);
  if (tree == nullptr) return;
  tree_delete_all(tree);
  PROTOTYPES store;
  const long start = kind == 0 ? store.rew_node(0) : store.get_root(kind);
  if (start <= 0) return;
  fill_prototypes(tree, start, kTviRoot, 0);
}

_TREEITEM* AddPaletteItem(void* dialog, _TREEITEM* parent, long node) {
  void* tree = GetControlHWND(dialog, kPaletteTreeView);
  DBPALETTENODETYPE n;
  if (tree == nullptr || node <= 0 || PALETTES().get_id_node(node, &n) != node) return nullptr;
  _TREEITEM* item = insert_palette_node(tree, parent, node, n);
  if (item != nullptr) tree_sort_children(tree, parent);
  return item;
}

_TREEITEM* AddPrototypeItem(void* dialog, _TREEITEM* parent, long node) {
  void* tree = GetControlHWND(dialog, kPrototypeTreeView);
  DBPROTOTYPENODE n;
  if (tree == nullptr || node <= 0 || PROTOTYPES().get_id_node(node, &n) != node) return nullptr;
  _TREEITEM* item = insert_prototype_node(tree, parent, node, n);
  if (item != nullptr) tree_sort_children(tree, parent);
  return item;
}

_TREEITEM* RecFindLPARAMInTree(void* tree, _TREEITEM* start, long value) {
  return find_param(tree, start, value);
}

int SearchNameInTree(void* tree, void* menu) {
  NameSearch& search = name_search();
  const std::vector<_TREEITEM*> order = items_in_search_order(tree);
  auto from = order.begin();
  if (search.last != nullptr) {
    auto last = std::find(order.begin(), order.end(), search.last);
    if (last != order.end()) from = last + 1;
  }
  for (auto it = from; it != order.end(); ++it) {
    if (!name_matches(tree_text(tree, *it), search)) continue;
    search.last = *it;
    tree_select(tree, *it);
    tree_ensure_visible(tree, *it);
    if (menu != nullptr) menu_enable(menu, kFindNextCommand, true);
    return 1;
  }
  search.last = nullptr;
  if (menu != nullptr) menu_enable(menu, kFindNextCommand, false);
  return 0;
}

_TREEITEM* GetOccurentId() {
  return name_search().last;
}

_TREEITEM* FindPaletteInTree(void* dialog, int kind, char* record, DBSURFREFTYPE* surf) {
  void* tree = GetControlHWND(dialog, kPaletteTreeView);
  if (tree == nullptr || record == nullptr) return nullptr;
  long palette = 0;
  visit_kind(kind, [&](auto k) {
    using K = decltype(k);
    auto* rec = reinterpret_cast<typename K::element*>(record);
    typename K::palette copy = rec->palette;
    if constexpr (K::facts.expands_library_params) {
      LIBPARAMS local;
      explode_deplibpars(copy.origname, &copy.params, &local);
    }
    palette = model_calls::find_palette<K::kind>(copy, K::facts.has_surfaces ? surf : nullptr);
  });
  if (palette <= 0) return nullptr;
  PALETTES store;
  DBPALETTENODETYPE node;
  const long id = store.get_palid_node(palette, &node);
  // the item of its node, or the unregistered item that carries the palette itself
  const long param = id > 0 ? id : palette;
  const int image = id > 0 ? kRegisteredImage : kUnregisteredImage;
  _TREEITEM* item = find_item(tree, param, image);
  if (item != nullptr) {
    tree_select(tree, item);
    tree_ensure_visible(tree, item);
  }
  return item;
}

namespace {

// The streamed bytes of an element, its text included; empty when it cannot be streamed.
template <class E>
std::vector<unsigned char> element_bytes(E& rec) {
  try {
    std::vector<unsigned char> bytes = stream_out(rec);
    if constexpr (std::is_same_v<E, DBTEXTTYPE>) {
      const char* text = rec.text();
      if (text != nullptr) bytes.insert(bytes.end(), text, text + std::strlen(text));
    }
    return bytes;
  } catch (const std::exception&) {
    return {};
  }
}

_TREEITEM* select_prototype(void* tree, _TREEITEM* item) {
  if (item != nullptr) {
    tree_select(tree, item);
    tree_ensure_visible(tree, item);
  }
  return item;
}

}  // namespace

_TREEITEM* FindPrototypeInTree(void* dialog, int kind, char* record, DBSURFREFTYPE*, DBMATREFCHAIN*,
                               DBATTREFCHAIN*, int) {
  void* tree = GetControlHWND(dialog, kPrototypeTreeView);
  if (tree == nullptr || record == nullptr) return nullptr;
  _TREEITEM* found = nullptr;
  visit_kind(kind, [&](auto k) {
    using K = decltype(k);
    auto* given = reinterpret_cast<typename K::element*>(record);
    const std::vector<unsigned char> wanted = element_bytes(*given);
    if (wanted.empty()) return;
    PROTOTYPES store;
    for (_TREEITEM* item : items_in_search_order(tree)) {
      const long node = static_cast<long>(tree_param(tree, item));
      short node_kind = 0;
      const long recid = node > 0 ? store.get_id_prototype(node, &node_kind) : 0;
      if (recid <= 0 || node_kind != kind) continue;
      typename K::element stored;
      DBSURFREFTYPE surf;
      if (HostCalls<K::kind>::get_record(recid, &stored, &surf, nullptr, nullptr) <= 0) continue;
      stored.recid = given->recid;  // where it is stored is no part of the element
      if (element_bytes(stored) == wanted) {
        found = item;
        return;
      }
    }
  });
  return select_prototype(tree, found);
}

_TREEITEM* FindPrototypeInTree(void* dialog, int kind, long node) {
  void* tree = GetControlHWND(dialog, kPrototypeTreeView);
  if (tree == nullptr || node <= 0) return nullptr;
  short node_kind = 0;
  DBPROTOTYPENODE n;
  if (PROTOTYPES().get_id_node(node, &n) != node) return nullptr;
  node_kind = n.kind;
  if (kind != 0 && node_kind != kind) return nullptr;
  return select_prototype(tree, RecFindLPARAMInTree(tree, nullptr, node));
}

void RedrawEndnode(void* dialog, long palette) {
  void* tree = GetControlHWND(dialog, kPaletteTreeView);
  if (tree == nullptr) return;
  PALETTES store;
  _TREEITEM* first = nullptr;
  for (_TREEITEM* item : items_in_search_order(tree)) {
    const long param = static_cast<long>(tree_param(tree, item));
    if (param <= 0) continue;
    // an unregistered item carries a palette identifier, which may equal a node's
    std::string text;
    const int image = tree_image(tree, item);
    if (image == kRegisteredImage) {
      DBPALETTENODETYPE node;
      if (store.get_id_node(param, &node) != param || !node.is_leaf()) continue;
      const long shown = store.get_id_palette(param);
      if (palette != 0 && shown != palette) continue;
      text = palette_item_text(&node, shown);
    } else if (image == kUnregisteredImage) {
      if (palette != 0 && param != palette) continue;
      text = palette_item_text(nullptr, param);
    } else {
      continue;
    }
    tree_set_text(tree, item, text.c_str());
    if (first == nullptr) first = item;
  }
  if (first != nullptr && palette != 0) tree_select(tree, first);
}

long PalDragAdapterProc(void* window, unsigned message, unsigned wparam, long lparam) {
  void* dialog = window_dialog(window);
  if (dialog == nullptr) return default_window_proc(window, message, wparam, lparam);
  const int tree_id = shown_tree(dialog);
  void* tree = GetControlHWND(dialog, tree_id);
  switch (message) {
    case kWmMouseMove:
      return notify_dialog(dialog, tree_id, kDragMouseMove, nullptr, nullptr,
                           (wparam & kMkShift) != 0);
    case kWmLButtonUp:
      return notify_dialog(dialog, tree_id, kDragButtonUp, nullptr, nullptr,
                           (wparam & kMkShift) != 0);
    case kWmTimer: {
      ScreenRect rect;
      if (!window_rect(tree, &rect)) return 0;
      const ScreenPoint p = cursor_pos();
      if (!rect.contains(p)) return notify_dialog(dialog, tree_id, kDragLeft);
      image_list_drag_move(p.x, p.y);
      _TREEITEM* first = tree_get_next(tree, nullptr, TreeRelation::kFirstVisible);
      _TREEITEM* to = nullptr;
      if (p.y < rect.top + kEdgeStrip) {
        to = tree_get_next(tree, first, TreeRelation::kPreviousVisible);
      } else if (p.y >= rect.bottom - kEdgeStrip) {
        to = tree_get_next(tree, first, TreeRelation::kNextVisible);
      }
      if (to != nullptr) tree_select(tree, to, TreeSelect::kFirstVisible);
      return 0;
    }
    default:
      return default_window_proc(window, message, wparam, lparam);
  }
}
