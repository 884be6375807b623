// The tree editor of the list output dialog: the current list definition shown as a
// tree of editor records, the node-kind and section palettes, the Node commands,
// copy and paste, dragging over the "mouse_adapter" window, enabling and disabling,
// and the validity check around every property and filter edit.
//
// The editor never edits the list definition's nodes: each tree item carries the
// index of its record; records are appended and never removed while a tree is
// shown, and the whole tree is converted into nodes when it is stored.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/menu.h"
#include "host/dialog/message_box.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/report.h"
#include "host/resources.h"
#include "listspec/list_output.h"
#include "listspec/list_output_ids.h"
#include "listspec/list_output_internal.h"

namespace dlist::listspec {

const char* const kIconNames[kIconCount] = {
    "loop",     "loopq",       "section",  "sectionq",  "start",      "finaly",     "condgroup",
    "loopd",    "loopqd",      "sectiond", "sectionqd", "startd",     "finalyd",    "condgroupd",
    "sectionon", "sectionoff", "material", "sectionons", "sectionoffs"};

namespace {

constexpr int kEdgeStrip = 5;  // pixels along the tree's edges that scroll during a drag

// Texts.
constexpr int kTextDeleteQuestion = 21091;
constexpr int kTextDeleteCaption = 21495;
constexpr int kTextDismiss = 37;
constexpr int kTextSonsRefused = 50325;  // of our own

}  // namespace

const NodeCommand kNodeCommands[13] = {
    {kCmdCopy, 21049},           {kCmdPasteSon, 21050},          {kCmdPasteAfter, 21051},
    {kCmdInsertKindAfter, 21478}, {kCmdInsertSectionAfter, 21479}, {kCmdInsertKindSon, 21480},
    {kCmdInsertSectionSon, 21481}, {kCmdDelete, 21482},           {kCmdLabel, 21323},
    {kCmdProperties, 21483},     {kCmdFilters, 21477},           {kCmdAttribute, 21121},
    {kCmdEnable, 21098}};

namespace {

// The node-kind palette: text and kind, in order; the element loops stand in a group.
constexpr std::pair<int, short> kPaletteKinds[] = {{21484, 13}, {21485, 2}, {21486, 3}, {21487, 4},
                                                   {21488, 0},  {21489, -1}, {21490, 9}, {21491, 10},
                                                   {21492, 11}, {21493, 12}, {21496, 14}, {21497, 15}};

OutputState& st() { return *g_output; }

void* palette(void* dialog) { return GetControlHWND(dialog, kOutPalette); }
void* section_tree(void* dialog) { return GetControlHWND(dialog, kOutSections); }

_TREEITEM* parent_of(void* tree, _TREEITEM* item) { return tree_get_next(tree, item, TreeRelation::kParent); }

_TREEITEM* selected(void* tree) { return tree_get_next(tree, nullptr, TreeRelation::kCaret); }

EditorRecord* record_of(void* tree, _TREEITEM* item) {
  if (item == nullptr || !tree_has_item(tree, item)) return nullptr;
  const intptr_t index = tree_param(tree, item);
  if (index < 0 || static_cast<std::size_t>(index) >= st().records.size()) return nullptr;
  return &st().records[static_cast<std::size_t>(index)];
}

bool is_fixed(const EditorRecord* r) { return r != nullptr && r->fixed_section != 0; }

bool shown_disabled(void* tree, _TREEITEM* item) {
  for (_TREEITEM* at = item; at != nullptr; at = parent_of(tree, at)) {
    const EditorRecord* r = record_of(tree, at);
    if (r != nullptr && r->enabled == 0) return true;
  }
  return false;
}

int icon_for(const EditorRecord& r, bool disabled) {
  int icon = kIconLoop;
  if (r.kind == 13) {
    icon = kIconGroup;
  } else if (r.kind == kKindSection) {
    if (r.fixed_section != 0) icon = r.final_section != 0 ? kIconFinal : kIconStart;
    else icon = r.valid != 0 ? kIconSection : kIconSectionInvalid;
  } else {
    icon = r.valid != 0 ? kIconLoop : kIconLoopInvalid;
  }
  return disabled ? icon + kIconDisabled : icon;
}

void show_icon(void* tree, _TREEITEM* item) {
  const EditorRecord* r = record_of(tree, item);
  if (r == nullptr) return;
  const int icon = icon_for(*r, shown_disabled(tree, item));
  tree_set_image(tree, item, icon, icon);
}

// The item and every item below it, in tree order.
std::vector<_TREEITEM*> subtree(void* tree, _TREEITEM* item) {
  std::vector<_TREEITEM*> out;
  std::vector<_TREEITEM*> work{item};
  while (!work.empty()) {
    _TREEITEM* at = work.back();
    work.pop_back();
    out.push_back(at);
    const auto kids = tree_children(tree, at);
    work.insert(work.end(), kids.rbegin(), kids.rend());
  }
  return out;
}

void show_icons_below(void* tree, _TREEITEM* item) {
  for (_TREEITEM* at : subtree(tree, item)) show_icon(tree, at);
}

unsigned depth_of(void* tree, _TREEITEM* item) {
  unsigned depth = 0;
  for (_TREEITEM* at = item; at != nullptr; at = parent_of(tree, at)) ++depth;
  return depth;
}

uint32_t section_scope(unsigned number) { return list_sets::SectionScope(st().sections, number); }

DL_TYPEANDSCOPE candidate_of(const EditorRecord& r) {
  auto node = NodeFromRecord(r);
  if (!node) return {DL_ABSTRACT, 0};
  uint32_t sscope = 0;
  if (r.kind == kKindSection && !r.numbers.empty()) sscope = section_scope(static_cast<unsigned>(r.numbers.front()));
  return {node->TreeNodeType(), DL_CandidateScope(*node, sscope)};
}

DL_TREE_NODEPATH path_of(void* tree, _TREEITEM* item) {
  DL_TREE_NODEPATH path;
  for (_TREEITEM* at = item; at != nullptr; at = parent_of(tree, at)) {
    const EditorRecord* r = record_of(tree, at);
    auto node = r != nullptr ? NodeFromRecord(*r) : nullptr;
    if (!node) continue;
    path.push_back({node->TreeNodeType(), DL_PathScope(*node)});
  }
  return path;
}

// Whether the nodes of clip (a node and its subtree, each with its parent's
// position) may stand below parent (null: at the top level): every node is checked
// against the path above it, so that a moved or pasted subtree stays placeable.
bool clip_allowed_under(void* tree, _TREEITEM* parent, const std::vector<ClipRecord>& clip) {
  const DL_TREE_NODEPATH outer = path_of(tree, parent);
  for (const ClipRecord& c : clip) {
    const DL_TYPEANDSCOPE candidate = candidate_of(c.record);
    if (candidate.type == DL_ABSTRACT) return false;
    DL_TREE_NODEPATH path;
    for (int p = c.parent; p >= 0; p = clip[static_cast<std::size_t>(p)].parent) {
      auto node = NodeFromRecord(clip[static_cast<std::size_t>(p)].record);
      if (node) path.push_back({node->TreeNodeType(), DL_PathScope(*node)});
    }
    path.insert(path.end(), outer.begin(), outer.end());
    if (!path.empty() && !DL_LISTSPEC_LIST::IsSonAllowed(path, candidate)) return false;
  }
  return true;
}

unsigned clip_height(const std::vector<ClipRecord>& clip) {
  std::vector<unsigned> level(clip.size(), 1);
  unsigned height = 0;
  for (std::size_t i = 0; i < clip.size(); ++i) {
    if (clip[i].parent >= 0) level[i] = level[static_cast<std::size_t>(clip[i].parent)] + 1;
    height = std::max(height, level[i]);
  }
  return height;
}

// Whether the nodes of clip may stand as the last son of target (as_son) or right
// after it.
bool placement_allowed(void* tree, _TREEITEM* target, bool as_son, const std::vector<ClipRecord>& clip) {
  if (target == nullptr || clip.empty()) return false;
  const EditorRecord* t = record_of(tree, target);
  if (t == nullptr || (as_son && t->may_have_sons == 0)) return false;
  // The stored tree may be no deeper than the readers accept.
  const unsigned depth = depth_of(tree, target) + (as_son ? 1 : 0);
  if (depth + clip_height(clip) - 1 > kMaxTreeDepth) return false;
  return clip_allowed_under(tree, as_son ? target : parent_of(tree, target), clip);
}

bool placement_allowed(void* tree, _TREEITEM* target, bool as_son, const EditorRecord& r) {
  return placement_allowed(tree, target, as_son, std::vector<ClipRecord>{ClipRecord{r, -1}});
}

std::string with_label(const std::string& label, short kind) {
  const std::string title = KindTitle(kind);
  return label.empty() ? title : label + " (" + title + ")";
}

std::string section_name(unsigned number) {
  std::vector<const DL_TSECTION*> work;
  for (const auto& s : st().sections) work.push_back(&s);
  while (!work.empty()) {
    const DL_TSECTION* s = work.back();
    work.pop_back();
    if (s->number == number) return s->name;
    for (const auto& son : s->sons) work.push_back(&son);
  }
  return load_string(21099) + " " + std::to_string(number);
}

// ---- records from nodes --------------------------------------------------------------------

void keys_from(const DL_LOOP& loop, EditorRecord& r) {
  for (unsigned i = 0; i < 3; ++i) {
    std::snprintf(r.keys[i], sizeof r.keys[i], "%s", loop.Key(i));
    r.flags[i] = loop.KeyFlag(i) == 0 ? 1 : 0;  // the loop keeps the check box inverted
  }
}

EditorRecord record_from_node(const DL_LIST_TREE_NODE& node, bool top_level) {
  EditorRecord r;
  r.enabled = node.Enabled() ? 1 : 0;
  r.opened = node.Opened() ? 1 : 0;
  r.may_have_sons = 1;
  r.valid = node.Valid() ? 1 : 0;
  const auto* loop = dynamic_cast<const DL_LOOP*>(&node);
  if (loop != nullptr) r.filters = loop->Filters();
  const std::string name = loop != nullptr ? std::string(loop->Name().view()) : std::string();
  switch (node.TreeNodeType()) {
    case DL_SECTION: {
      const auto& s = static_cast<const DL_SECTION_NODE&>(node);
      r.kind = kKindSection;
      r.may_have_sons = 0;
      r.numbers = {static_cast<long>(s.Number())};
      r.flags[0] = s.SectionFlag() ? 1 : 0;
      r.fixed_section = top_level && s.Number() <= 1 ? 1 : 0;
      r.final_section = r.fixed_section != 0 && s.Number() == 1 ? 1 : 0;
      r.text = section_name(s.Number());
      return r;
    }
    case DL_PLAN: {
      const auto& p = static_cast<const DL_PLAN_LOOP&>(node);
      r.kind = 2;
      for (const auto& plan : p.plans) {
        r.texts.push_back(plan.name);
        r.plans.push_back(plan.sheet);
      }
      keys_from(p, r);
      break;
    }
    case DL_FLOOR:
    case DL_LAYER: {
      const auto& f = static_cast<const DL_FLOOR_LOOP&>(node);
      r.kind = node.TreeNodeType() == DL_FLOOR ? 3 : 4;
      for (const auto& item : f.items) r.numbers.push_back(item.id1);
      if (r.kind == 3) keys_from(f, r);
      break;
    }
    case DL_ELEMENT: {
      const auto& e = static_cast<const DL_ELEMENT_LOOP&>(node);
      const int index = ElementKindIndex(e.Mask());
      r.kind = static_cast<short>(kKindFirstElement + std::max(index, 0));
      r.prototype_only = e.PrototypeOnly() ? 1 : 0;
      keys_from(e, r);
      break;
    }
    case DL_INTEGER_ATTRIBUTE:
    case DL_DOUBLE_ATTRIBUTE:
    case DL_STRING_ATTRIBUTE: {
      const auto& a = static_cast<const DL_ATTRIBUTE_LOOP&>(node);
      r.kind = kKindAttribute;
      std::snprintf(r.keys[0], sizeof r.keys[0], "%s", a.AttributeKey());
      if (node.TreeNodeType() == DL_INTEGER_ATTRIBUTE) {
        r.value_type_or_level = 0;
        for (int v : static_cast<const DL_INTEGER_ATTRIBUTE_LOOP&>(node).values) r.numbers.push_back(v);
      } else if (node.TreeNodeType() == DL_DOUBLE_ATTRIBUTE) {
        r.value_type_or_level = 1;
        r.reals = static_cast<const DL_DOUBLE_ATTRIBUTE_LOOP&>(node).values;
      } else {
        r.value_type_or_level = 2;
        r.texts = static_cast<const DL_STRING_ATTRIBUTE_LOOP&>(node).values;
      }
      break;
    }
    case DL_MATERIAL:
      r.kind = 9;
      r.value_type_or_level = static_cast<unsigned char>(node.Level());
      r.flags[0] = node.IsSummary() ? 1 : 0;
      break;
    case DL_SUBPRICE:
      r.kind = 10;
      r.flags[0] = static_cast<const DL_SUBPRICE_LOOP&>(node).split ? 1 : 0;
      break;
    case DL_COATING: r.kind = 11; break;
    case DL_OBJPARAM: r.kind = 12; break;
    case DL_CONDITIONAL_GROUP:
      r.kind = 13;
      r.text = name.empty() ? KindTitle(13) : name;
      return r;
    case DL_ELEMATTRIBUTE:
      r.kind = 14;
      r.flags[0] = node.IsSummary() ? 1 : 0;
      break;
    case DL_EDGE: r.kind = 15; break;
    default: break;
  }
  r.text = with_label(name, r.kind);
  return r;
}

// Copies what Correct() may have changed back into the record.
void take_corrected(const DL_LIST_TREE_NODE& node, EditorRecord& r) {
  EditorRecord fresh = record_from_node(node, false);
  r.filters = fresh.filters;
  r.texts = fresh.texts;
  r.numbers = fresh.numbers;
  r.reals = fresh.reals;
  r.plans = fresh.plans;
  if (r.kind != kKindSection) {
    r.value_type_or_level = fresh.value_type_or_level;
    std::copy(std::begin(fresh.flags), std::end(fresh.flags), std::begin(r.flags));
    for (unsigned i = 0; i < 3; ++i) std::copy(std::begin(fresh.keys[i]), std::end(fresh.keys[i]), r.keys[i]);
  }
  r.valid = 1;
}

// ---- inserting items ------------------------------------------------------------------------

// Inserts the item of record index below parent after after (kTviLast: as the last son).
_TREEITEM* insert_item(void* tree, _TREEITEM* parent, _TREEITEM* after, std::size_t index) {
  const EditorRecord& r = st().records[index];
  _TREEITEM* item = tree_insert(tree, parent == nullptr ? kTviRoot : parent, after, r.text.c_str(), 0, 0,
                                static_cast<intptr_t>(index));
  if (item != nullptr) show_icon(tree, item);
  return item;
}

// Inserts the clipboard-shaped records (each with its parent's position, -1 for the
// first) as the last son of target or after it; reuse keeps the records' indices
// (a move), else the records are appended as copies. The first new item.
_TREEITEM* insert_records(void* tree, _TREEITEM* target, bool as_son, const std::vector<ClipRecord>& clip,
                          const std::vector<std::size_t>* reuse = nullptr) {
  std::vector<_TREEITEM*> made;
  std::vector<std::pair<_TREEITEM*, bool>> expand;
  for (std::size_t i = 0; i < clip.size(); ++i) {
    std::size_t index = 0;
    if (reuse != nullptr) {
      index = (*reuse)[i];
    } else {
      index = st().records.size();
      st().records.push_back(clip[i].record);
    }
    _TREEITEM* item = nullptr;
    if (clip[i].parent < 0) {
      item = as_son ? insert_item(tree, target, kTviLast, index) : insert_item(tree, parent_of(tree, target), target, index);
    } else {
      item = insert_item(tree, made[static_cast<std::size_t>(clip[i].parent)], kTviLast, index);
    }
    made.push_back(item);
    if (item != nullptr) expand.emplace_back(item, clip[i].record.opened != 0);
  }
  for (auto it = expand.rbegin(); it != expand.rend(); ++it)
    if (it->second) tree_expand(tree, it->first, kTveExpand);
  if (as_son && target != nullptr) tree_expand(tree, target, kTveExpand);
  return made.empty() ? nullptr : made.front();
}

// The item and its subtree as clipboard records, with the records' indices.
std::vector<ClipRecord> collect(void* tree, _TREEITEM* item, std::vector<std::size_t>* indices = nullptr) {
  std::vector<ClipRecord> out;
  std::vector<_TREEITEM*> items = subtree(tree, item);
  for (std::size_t i = 0; i < items.size(); ++i) {
    ClipRecord c;
    c.record = *record_of(tree, items[i]);
    c.record.opened = (tree_state(tree, items[i]) & kTvisExpanded) != 0 ? 1 : 0;
    if (i > 0) {
      _TREEITEM* parent = parent_of(tree, items[i]);
      c.parent = static_cast<int>(std::find(items.begin(), items.end(), parent) - items.begin());
    }
    out.push_back(std::move(c));
    if (indices != nullptr) indices->push_back(static_cast<std::size_t>(tree_param(tree, items[i])));
  }
  return out;
}

// The record a palette item stands for: a node kind or a section definition.
std::optional<EditorRecord> palette_record(void* dialog, int control, _TREEITEM* item) {
  void* tree = GetControlHWND(dialog, control);
  if (item == nullptr || !tree_has_item(tree, item)) return std::nullopt;
  const intptr_t param = tree_param(tree, item);
  EditorRecord r;
  r.text = tree_text(tree, item);
  if (control == kOutSections) {
    if (param < 0) return std::nullopt;  // a group of definitions
    r.kind = kKindSection;
    r.may_have_sons = 0;
    r.numbers = {static_cast<long>(param)};
    r.flags[0] = 1;  // a new section is printed
    return r;
  }
  if (param == kElementGroupParam) return std::nullopt;
  r.kind = static_cast<short>(param);
  return r;
}

std::optional<EditorRecord> palette_selection(void* dialog, int control) {
  return palette_record(dialog, control, selected(GetControlHWND(dialog, control)));
}

// The node kind or section of a palette item inserted at target. For an attribute
// loop the attribute is chosen at once; when the user cancels nothing is inserted.
bool insert_from_palette(void* dialog, EditorRecord r, _TREEITEM* target, bool as_son) {
  void* tree = spec_tree(dialog);
  if (r.kind == kKindAttribute) {
    for (auto& key : r.keys) key[0] = '\0';
    auto chosen = choose_attribute(dialog, "", 0);
    if (!chosen) return false;
    std::snprintf(r.keys[0], sizeof r.keys[0], "%s", chosen->key.c_str());
    r.value_type_or_level = static_cast<unsigned char>(chosen->value_type);
  }
  if (!placement_allowed(tree, target, as_son, r)) return false;
  _TREEITEM* item = insert_records(tree, target, as_son, {ClipRecord{r, -1}});
  if (item == nullptr) return false;
  tree_select(tree, item);
  st().tree_edited = true;
  return true;
}

// ---- the validity check ---------------------------------------------------------------------

// Checks the node of item; before an edit an invalid node is reported and, when the
// user agrees, corrected.
void check_node(void* dialog, _TREEITEM* item, bool before_edit) {
  void* tree = spec_tree(dialog);
  EditorRecord* r = record_of(tree, item);
  if (r == nullptr) return;
  auto node = NodeFromRecord(*r);
  if (!node) return;
  r->valid = node->Valid() ? 1 : 0;
  if (r->valid == 0 && before_edit) {
    DL_REPORT_LIST texts;
    node->Report(texts);
    if (confirm_report(dialog, texts)) {
      node->Correct();
      r = record_of(tree, item);  // the records may have grown meanwhile
      if (r == nullptr) return;
      take_corrected(*node, *r);
      st().tree_edited = true;
    }
  }
  show_icon(tree, item);
}

uint32_t filter_scope(const EditorRecord& r) {
  if (r.kind >= kKindFirstElement && r.kind <= kKindLastElement)
    return static_cast<uint32_t>(ElementKindBit(r.kind - kKindFirstElement));
  switch (r.kind) {
    case 2: return kScopePlan;
    case 3: return kScopeFloor;
    case 9: return kScopeMaterial;
    case 10: return kScopeSubprice;
    default: return 0xFFFFFFFFu;
  }
}

bool has_properties(short kind) {
  if (kind >= kKindFirstElement && kind <= kKindLastElement) return true;
  switch (kind) {
    case kKindAttribute:
    case kKindSection:
    case 2:
    case 3:
    case 4:
    case 9:
    case 10:
    case 13:
    case 14: return true;
    default: return false;
  }
}

// ---- commands -------------------------------------------------------------------------------

_TREEITEM* command_target(void* dialog) {
  void* tree = spec_tree(dialog);
  if (st().context_target != nullptr && tree_has_item(tree, st().context_target)) return st().context_target;
  return selected(tree);
}

bool command_enabled(void* dialog, int command) {
  if (st().current < 0) return false;
  void* tree = spec_tree(dialog);
  _TREEITEM* target = command_target(dialog);
  const EditorRecord* r = record_of(tree, target);
  if (r == nullptr) return false;
  const auto& clip = st().clipboard;
  switch (command) {
    case kCmdCopy:
    case kCmdDelete: return !is_fixed(r);
    case kCmdPasteSon:
    case kCmdPasteAfter:
      return placement_allowed(tree, target, command == kCmdPasteSon, clip);
    case kCmdInsertKindAfter:
    case kCmdInsertKindSon:
    case kCmdInsertSectionAfter:
    case kCmdInsertSectionSon: {
      const bool kind = command == kCmdInsertKindAfter || command == kCmdInsertKindSon;
      auto candidate = palette_selection(dialog, kind ? kOutPalette : kOutSections);
      const bool as_son = command == kCmdInsertKindSon || command == kCmdInsertSectionSon;
      return candidate && placement_allowed(tree, target, as_son, *candidate);
    }
    case kCmdLabel: return r->kind != kKindSection;
    case kCmdProperties: return has_properties(r->kind);
    case kCmdFilters: return r->kind != kKindSection && r->kind != 13;
    case kCmdAttribute: return r->kind == kKindAttribute;
    case kCmdEnable: return true;
    default: return false;
  }
}

void copy_node(void* dialog) {
  void* tree = spec_tree(dialog);
  _TREEITEM* target = command_target(dialog);
  if (target == nullptr) return;
  st().clipboard = collect(tree, target);
}

void paste(void* dialog, bool as_son) {
  void* tree = spec_tree(dialog);
  _TREEITEM* target = command_target(dialog);
  const auto clip = st().clipboard;  // the clipboard keeps its contents
  if (!placement_allowed(tree, target, as_son, clip)) return;
  _TREEITEM* item = insert_records(tree, target, as_son, clip);
  if (item != nullptr) tree_select(tree, item);
  st().tree_edited = true;
}

void delete_node(void* dialog) {
  void* tree = spec_tree(dialog);
  _TREEITEM* target = command_target(dialog);
  if (target == nullptr || is_fixed(record_of(tree, target))) return;
  if (MessageBoxA(dialog, load_string(kTextDeleteQuestion).c_str(), load_string(kTextDeleteCaption).c_str(),
                  kMbYesNo | kMbIconQuestion) != kIdYes)
    return;
  if (st().context_target == target) st().context_target = nullptr;
  tree_delete(tree, target);
  st().tree_edited = true;
}

void switch_enabled(void* dialog) {
  void* tree = spec_tree(dialog);
  _TREEITEM* target = command_target(dialog);
  EditorRecord* r = record_of(tree, target);
  if (r == nullptr) return;
  r->enabled = r->enabled != 0 ? 0 : 1;
  st().tree_edited = true;
  // Under a parent shown disabled nothing shows the change.
  _TREEITEM* parent = parent_of(tree, target);
  if (parent != nullptr && shown_disabled(tree, parent)) return;
  show_icons_below(tree, target);
}

void edit_node(void* dialog, int command) {
  void* tree = spec_tree(dialog);
  _TREEITEM* target = command_target(dialog);
  if (record_of(tree, target) == nullptr) return;
  if (command == kCmdLabel) {
    EditorRecord copy = *record_of(tree, target);
    if (!edit_label(dialog, copy)) return;
    EditorRecord* r = record_of(tree, target);
    r->text = copy.text;
    tree_set_text(tree, target, r->text.c_str());
    st().tree_edited = true;
    return;
  }
  if (command == kCmdAttribute) {
    EditorRecord* r = record_of(tree, target);
    auto chosen = choose_attribute(dialog, r->keys[0], 0);
    if (!chosen) return;
    r = record_of(tree, target);
    std::snprintf(r->keys[0], sizeof r->keys[0], "%s", chosen->key.c_str());
    r->value_type_or_level = static_cast<unsigned char>(chosen->value_type);
    st().tree_edited = true;
    check_node(dialog, target, false);
    return;
  }
  check_node(dialog, target, true);
  // The dialogs work on a copy: the records may grow while they run.
  EditorRecord copy = *record_of(tree, target);
  const bool done = command == kCmdProperties ? edit_properties(dialog, copy)
                                              : edit_filters(dialog, copy, filter_scope(copy));
  if (!done) return;
  // A new element kind must still hold the nodes below it (an edge loop needs a
  // kind with edges): otherwise the change is refused.
  std::vector<ClipRecord> changed = collect(tree, target);
  changed.front().record = copy;
  if (!clip_allowed_under(tree, parent_of(tree, target), changed)) {
    DiagnosticOut(load_string(kTextSonsRefused).c_str());
    SpecBeep(1, units::kDlistgen, __LINE__);
    return;
  }
  EditorRecord* r = record_of(tree, target);
  *r = std::move(copy);
  tree_set_text(tree, target, r->text.c_str());
  st().tree_edited = true;
  check_node(dialog, target, false);
}

// ---- dragging ---------------------------------------------------------------------------------

// The record being dragged.
std::optional<EditorRecord> dragged_record(void* dialog) {
  OutputState& s = st();
  if (s.drag_source == kOutTree) {
    const EditorRecord* r = record_of(spec_tree(dialog), s.dragged);
    return r != nullptr ? std::optional<EditorRecord>(*r) : std::nullopt;
  }
  return palette_record(dialog, s.drag_source, s.dragged);
}

// The item under the pointer when the dragged node may be dropped there.
_TREEITEM* drop_target(void* dialog, bool shift) {
  void* tree = spec_tree(dialog);
  _TREEITEM* under = tree_hit_test_at(tree, cursor_pos());
  if (under == nullptr) return nullptr;
  if (st().drag_source == kOutTree) {
    // Never into its own subtree; the whole subtree moves.
    for (_TREEITEM* at = under; at != nullptr; at = parent_of(tree, at))
      if (at == st().dragged) return nullptr;
    if (record_of(tree, st().dragged) == nullptr) return nullptr;
    return placement_allowed(tree, under, shift, collect(tree, st().dragged)) ? under : nullptr;
  }
  auto r = dragged_record(dialog);
  return r && placement_allowed(tree, under, shift, *r) ? under : nullptr;
}

void begin_drag(void* dialog, int control, _TREEITEM* item) {
  OutputState& s = st();
  if (s.drag_source != 0 || item == nullptr) return;
  void* tree = GetControlHWND(dialog, control);
  if (control == kOutTree) {
    const EditorRecord* r = record_of(tree, item);
    if (r == nullptr || is_fixed(r)) return;
  } else if (!palette_record(dialog, control, item)) {
    return;
  }
  s.drag_image = tree_create_drag_image(tree, item);
  if (s.drag_image == nullptr || !image_list_begin_drag(s.drag_image, 0, 0, 0)) {
    if (s.drag_image != nullptr) image_list_destroy(s.drag_image);
    s.drag_image = nullptr;
    return;
  }
  s.drag_source = control;
  s.dragged = item;
  set_capture(GetControlHWND(dialog, kOutAdapter));
}

void end_drag(void* dialog) {
  OutputState& s = st();
  if (s.drag_source == 0) return;
  release_capture();
  image_list_end_drag();
  if (s.drag_image != nullptr) image_list_destroy(s.drag_image);
  tree_select(spec_tree(dialog), nullptr, TreeSelect::kDropHilite);
  set_cursor(CursorShape::kArrow);
  s.drag_source = 0;
  s.dragged = nullptr;
  s.drag_image = nullptr;
}

void drop(void* dialog, bool shift) {
  void* tree = spec_tree(dialog);
  _TREEITEM* target = drop_target(dialog, shift);
  const int source = st().drag_source;
  _TREEITEM* dragged = st().dragged;
  auto r = dragged_record(dialog);
  end_drag(dialog);
  if (target == nullptr || !r) return;
  if (source == kOutTree) {
    std::vector<std::size_t> indices;
    const auto moved = collect(tree, dragged, &indices);
    if (st().context_target == dragged) st().context_target = nullptr;
    tree_delete(tree, dragged);
    _TREEITEM* item = insert_records(tree, target, shift, moved, &indices);
    if (item != nullptr) tree_select(tree, item);
    st().tree_edited = true;
  } else {
    insert_from_palette(dialog, *r, target, shift);
  }
}

void context_menu(void* dialog, _TREEITEM* item) {
  if (item == nullptr || st().current < 0) return;
  st().context_target = item;
  void* menu = menu_create();
  for (const NodeCommand& c : kNodeCommands) {
    menu_append(menu, c.command, load_string(static_cast<unsigned>(c.text)).c_str());
    menu_enable(menu, c.command, command_enabled(dialog, c.command));
  }
  const EditorRecord* r = record_of(spec_tree(dialog), item);
  menu_check(menu, kCmdEnable, r != nullptr && r->enabled != 0);
  menu_append_separator(menu);
  menu_append(menu, kCmdDismiss, load_string(kTextDismiss).c_str());
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  if (command != 0 && command != kCmdDismiss) node_command(dialog, command);
  st().context_target = nullptr;
}

}  // namespace

OutputState* g_output = nullptr;

void* spec_tree(void* dialog) { return GetControlHWND(dialog, kOutTree); }

void fill_palette(void* dialog) {
  void* tree = palette(dialog);
  tree_delete_all(tree);
  _TREEITEM* first = nullptr;
  for (const auto& [text, kind] : kPaletteKinds) {
    const bool group = kind == 0;
    const int icon = group ? kIconMaterial : (kind == 13 ? kIconGroup : kIconLoop);
    _TREEITEM* item = tree_insert(tree, kTviRoot, kTviLast, load_string(static_cast<unsigned>(text)).c_str(), icon,
                                  icon, group ? kElementGroupParam : kind);
    if (first == nullptr) first = item;
    if (!group) continue;
    for (short k = kKindFirstElement; k <= kKindLastElement; ++k)
      tree_insert(tree, item, kTviLast, KindTitle(k).c_str(), kIconLoop, kIconLoop, k);
  }
  if (first != nullptr) {
    tree_select(tree, first);
    tree_ensure_visible(tree, first);
  }
}

void fill_sections(void* dialog) {
  void* tree = section_tree(dialog);
  tree_delete_all(tree);
  // (definition, parent item); the fixed start and final sections are not offered.
  std::vector<std::pair<const DL_TSECTION*, _TREEITEM*>> work;
  const auto& defs = st().sections;
  for (std::size_t i = defs.size(); i-- > 2;) work.emplace_back(&defs[i], nullptr);
  while (!work.empty()) {
    auto [def, parent] = work.back();
    work.pop_back();
    const bool group = !def->sons.empty();
    const int icon = group ? kIconMaterial : kIconSection;
    const intptr_t param = group ? -1 - static_cast<intptr_t>(def->number) : static_cast<intptr_t>(def->number);
    _TREEITEM* item = tree_insert(tree, parent == nullptr ? kTviRoot : parent, kTviLast, def->name.c_str(), icon,
                                  icon, param);
    if (item == nullptr) continue;
    for (auto it = def->sons.rbegin(); it != def->sons.rend(); ++it) work.emplace_back(&*it, item);
  }
  if (_TREEITEM* first = tree_get_next(tree, nullptr, TreeRelation::kRoot); first != nullptr) tree_select(tree, first);
}

void show_tree(void* dialog) {
  OutputState& s = st();
  void* tree = spec_tree(dialog);
  s.context_target = nullptr;
  tree_delete_all(tree);
  s.records.clear();
  if (s.current < 0 || static_cast<unsigned>(s.current) >= s.set.size()) return;
  const DL_TREE_CELL* root = s.set[static_cast<unsigned>(s.current)]->Tree();
  if (root == nullptr) return;
  std::vector<std::pair<const DL_TREE_CELL*, _TREEITEM*>> work;
  const auto tops = root->Sons();
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) work.emplace_back(*it, nullptr);
  std::vector<_TREEITEM*> opened;
  while (!work.empty()) {
    auto [cell, parent] = work.back();
    work.pop_back();
    if (!cell->node) continue;
    s.records.push_back(record_from_node(*cell->node, parent == nullptr));
    _TREEITEM* item = insert_item(tree, parent, kTviLast, s.records.size() - 1);
    if (item == nullptr) continue;
    if (cell->node->Opened()) opened.push_back(item);
    const auto sons = cell->Sons();
    for (auto it = sons.rbegin(); it != sons.rend(); ++it) work.emplace_back(*it, item);
  }
  for (auto it = opened.rbegin(); it != opened.rend(); ++it) tree_expand(tree, *it, kTveExpand);
  if (_TREEITEM* first = tree_get_next(tree, nullptr, TreeRelation::kRoot); first != nullptr) tree_select(tree, first);
}

void build_from_editor(void* dialog, DL_LISTSPEC& list_def) {
  void* tree = spec_tree(dialog);
  // Nested records in display order, built without recursion: a level is filled
  // whole before its items' sons, so the pointers into it stay valid.
  auto fill = [tree](_TREEITEM* parent, std::vector<EditorRecord>& level,
                     std::vector<std::pair<_TREEITEM*, std::vector<EditorRecord>*>>& work) {
    std::vector<_TREEITEM*> items;
    for (_TREEITEM* kid : tree_children(tree, parent)) {
      const EditorRecord* r = record_of(tree, kid);
      if (r == nullptr) continue;
      level.push_back(*r);
      level.back().sons.clear();
      level.back().opened = (tree_state(tree, kid) & kTvisExpanded) != 0 ? 1 : 0;
      items.push_back(kid);
    }
    for (std::size_t i = 0; i < items.size(); ++i) work.emplace_back(items[i], &level[i].sons);
  };
  std::vector<EditorRecord> top;
  std::vector<std::pair<_TREEITEM*, std::vector<EditorRecord>*>> work;
  fill(nullptr, top, work);
  while (!work.empty()) {
    auto [item, sons] = work.back();
    work.pop_back();
    fill(item, *sons, work);
  }
  BuildTree(list_def, top);
}

void store_tree(void* dialog) {
  OutputState& s = st();
  if (s.current < 0 || static_cast<unsigned>(s.current) >= s.set.size()) return;
  build_from_editor(dialog, *s.set[static_cast<unsigned>(s.current)]);
}

void update_node_menu(void* dialog) {
  if (st().node_menu == nullptr) return;
  for (const NodeCommand& c : kNodeCommands) menu_enable(st().node_menu, c.command, command_enabled(dialog, c.command));
  const EditorRecord* r = record_of(spec_tree(dialog), command_target(dialog));
  menu_check(st().node_menu, kCmdEnable, r != nullptr && r->enabled != 0);
}

void node_command(void* dialog, int command) {
  if (!command_enabled(dialog, command)) return;
  switch (command) {
    case kCmdCopy: return copy_node(dialog);
    case kCmdPasteSon:
    case kCmdPasteAfter: return paste(dialog, command == kCmdPasteSon);
    case kCmdInsertKindAfter:
    case kCmdInsertKindSon:
    case kCmdInsertSectionAfter:
    case kCmdInsertSectionSon: {
      const bool kind = command == kCmdInsertKindAfter || command == kCmdInsertKindSon;
      auto r = palette_selection(dialog, kind ? kOutPalette : kOutSections);
      if (r) insert_from_palette(dialog, *r, command_target(dialog), command == kCmdInsertKindSon || command == kCmdInsertSectionSon);
      return;
    }
    case kCmdDelete: return delete_node(dialog);
    case kCmdEnable: return switch_enabled(dialog);
    case kCmdLabel:
    case kCmdProperties:
    case kCmdFilters:
    case kCmdAttribute: return edit_node(dialog, command);
    default: return;
  }
}

bool cancel_drag(void* dialog) {
  if (st().drag_source == 0) return false;
  end_drag(dialog);
  return true;
}

int editor_notify(void* dialog, int control, int code) {
  const Notification* n = notification();
  switch (code) {
    case kTvnBeginDrag:
      begin_drag(dialog, control, n->item);
      return 0;
    case kNmRClick:
      if (control == kOutTree) context_menu(dialog, n->item);
      return 0;
    case kTvnBeginLabelEdit:
      return 1;  // labels are edited with their command
    default: break;
  }
  if (control != kOutTree) return 0;
  switch (code) {
    case kDragMouseMove: {
      if (st().drag_source == 0) return 0;
      _TREEITEM* target = drop_target(dialog, n->shift);
      set_cursor(target != nullptr ? CursorShape::kDrop : CursorShape::kNoDrop);
      tree_select(spec_tree(dialog), target, TreeSelect::kDropHilite);
      return 0;
    }
    case kDragButtonUp:
      if (st().drag_source != 0) drop(dialog, n->shift);
      return 0;
    case kDragLeft:
      end_drag(dialog);
      return 0;
    default: return 0;
  }
}

}  // namespace dlist::listspec

long DLIST_CALL ListOutDragAdapterProc(void* window, unsigned message, unsigned wparam, long lparam) {
  using namespace dlist;
  using namespace dlist::listspec;
  void* dialog = window_dialog(window);
  if (dialog == nullptr) return default_window_proc(window, message, wparam, lparam);
  void* tree = GetControlHWND(dialog, kOutTree);
  ScreenRect rect;
  const ScreenPoint p = cursor_pos();
  const bool inside = window_rect(tree, &rect) && rect.contains(p);
  const bool shift = (wparam & kMkShift) != 0;
  switch (message) {
    case kWmMouseMove: {
      image_list_drag_move(p.x, p.y);
      if (!inside) {
        set_cursor(CursorShape::kNoDrop);
        tree_select(tree, nullptr, TreeSelect::kDropHilite);
        return 0;
      }
      _TREEITEM* first = tree_get_next(tree, nullptr, TreeRelation::kFirstVisible);
      _TREEITEM* to = nullptr;
      if (p.y < rect.top + kEdgeStrip) to = tree_get_next(tree, first, TreeRelation::kPreviousVisible);
      else if (p.y >= rect.bottom - kEdgeStrip) to = tree_get_next(tree, first, TreeRelation::kNextVisible);
      if (to != nullptr) tree_select(tree, to, TreeSelect::kFirstVisible);
      return notify_dialog(dialog, kOutTree, kDragMouseMove, nullptr, nullptr, shift);
    }
    case kWmLButtonUp:
      return notify_dialog(dialog, kOutTree, inside ? kDragButtonUp : kDragLeft, nullptr, nullptr, shift);
    default:
      return default_window_proc(window, message, wparam, lparam);
  }
}
