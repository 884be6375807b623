#include "listspec/list_tree.h"

#include <cstring>

#include "host/resources.h"

namespace {

// The key of the generator's field number n: text 16259 + n, six characters at most.
std::string field_key(unsigned field) { return dlist::load_string(16259 + field).substr(0, kListKeyLength); }

}  // namespace

// The filter entries made from a field number take their key from the host's texts,
// so these constructors are the library's.
DL_FILTER_ENTRY::DL_FILTER_ENTRY(unsigned field, int lo, int hi, bool required) {
  Set(field_key(field).c_str(), lo, hi, required);
}
DL_FILTER_ENTRY::DL_FILTER_ENTRY(unsigned field, double lo, double hi, bool required) {
  Set(field_key(field).c_str(), lo, hi, required);
}
DL_FILTER_ENTRY::DL_FILTER_ENTRY(unsigned field, const char* lo, const char* hi, bool required) {
  Set(field_key(field).c_str(), lo, hi, required);
}
DL_FILTER_ENTRY::DL_FILTER_ENTRY(unsigned field, const ORB::String& lo, const ORB::String& hi, bool required) {
  Set(field_key(field).c_str(), lo, hi, required);
}

namespace dlist::listspec {
namespace {

// Element kinds in palette order.
constexpr long kKindBits[13] = {1, 2, 4, 16, 8, 32, 64, 1024, 128, 256, 512, 524288, 1048576};

void copy_common(const EditorRecord& r, DL_LIST_TREE_NODE& n) {
  n.SetEnabled(r.enabled != 0);
  n.SetOpened(r.opened != 0);
}

// The editor's check boxes are stored inverted in the loop.
void copy_keys(const EditorRecord& r, DL_LOOP& loop) {
  for (unsigned i = 0; i < 3; ++i) loop.SetKey(i, r.keys[i], r.flags[i] != 0 ? 0 : 1);
}

void copy_loop(const EditorRecord& r, DL_LOOP& loop) {
  copy_common(r, loop);
  loop.Filters() = r.filters;
  std::string label = LabelFromText(r.text, KindTitle(r.kind));
  loop.SetName(ORB::String(label.c_str(), static_cast<unsigned>(label.size())));
}

}  // namespace

int ElementKindIndex(long bit) {
  for (int i = 0; i < 13; ++i)
    if (kKindBits[i] == bit) return i;
  return -1;
}

long ElementKindBit(int index) { return index >= 0 && index < 13 ? kKindBits[index] : 0; }

std::string KindTitle(short kind) {
  if (kind >= kKindFirstElement && kind <= kKindLastElement) return load_string(21424 + kind);
  switch (kind) {
    case kKindAttribute: return load_string(21489);
    case 2: return load_string(21485);
    case 3: return load_string(21486);
    case 4: return load_string(21487);
    case 9: return load_string(21490);
    case 10: return load_string(21491);
    case 11: return load_string(21492);
    case 12: return load_string(21493);
    case 13: return load_string(21484);
    case 14: return load_string(21496);
    case 15: return load_string(21497);
    default: return "";
  }
}

std::string LabelFromText(const std::string& text, const std::string& title) {
  if (text == title) return "";
  const std::string tail = " (" + title + ")";
  if (!title.empty() && text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
    return text.substr(0, text.size() - tail.size());
  return text;
}

std::unique_ptr<DL_LIST_TREE_NODE> NodeFromRecord(const EditorRecord& r) {
  if (r.kind == kKindSection) {
    unsigned number = r.numbers.empty() ? 0 : static_cast<unsigned>(r.numbers.front());
    auto n = std::make_unique<DL_SECTION_NODE>(number, false);
    n->SetSectionFlag(r.flags[0] != 0);
    copy_common(r, *n);
    return n;
  }
  if (r.kind >= kKindFirstElement && r.kind <= kKindLastElement) {
    auto n = std::make_unique<DL_ELEMENT_LOOP>(ElementKindBit(r.kind - kKindFirstElement));
    copy_loop(r, *n);
    n->SetPrototypeOnly(r.prototype_only != 0);
    copy_keys(r, *n);
    return n;
  }
  switch (r.kind) {
    case 2: {
      auto n = std::make_unique<DL_PLAN_LOOP>();
      copy_loop(r, *n);
      for (std::size_t i = 0; i < r.plans.size(); ++i)
        n->plans.push_back({i < r.texts.size() ? r.texts[i] : ORB::String(""), r.plans[i]});
      copy_keys(r, *n);
      return n;
    }
    case 3:
    case 4: {
      std::unique_ptr<DL_FLOOR_LOOP> n;
      if (r.kind == 3) n = std::make_unique<DL_FLOOR_LOOP>();
      else n = std::make_unique<DL_LAYER_LOOP>();
      copy_loop(r, *n);
      for (long id : r.numbers) n->items.push_back({id, id, 1});
      if (r.kind == 3) copy_keys(r, *n);
      return n;
    }
    case kKindAttribute: {
      std::unique_ptr<DL_ATTRIBUTE_LOOP> n;
      if (r.value_type_or_level == 0) {
        auto a = std::make_unique<DL_INTEGER_ATTRIBUTE_LOOP>(r.keys[0]);
        for (long v : r.numbers) a->Add(static_cast<int>(v));
        n = std::move(a);
      } else if (r.value_type_or_level == 1) {
        auto a = std::make_unique<DL_DOUBLE_ATTRIBUTE_LOOP>(r.keys[0]);
        for (double v : r.reals) a->Add(v);
        n = std::move(a);
      } else {
        auto a = std::make_unique<DL_STRING_ATTRIBUTE_LOOP>(r.keys[0]);
        for (const auto& v : r.texts) a->Add(v);
        n = std::move(a);
      }
      copy_loop(r, *n);
      return n;
    }
    case 9: {
      auto n = std::make_unique<DL_MATERIAL_LOOP>();
      copy_loop(r, *n);
      n->SetLevel(r.value_type_or_level);
      n->SetSummary(r.flags[0] != 0);
      return n;
    }
    case 10: {
      auto n = std::make_unique<DL_SUBPRICE_LOOP>();
      copy_loop(r, *n);
      n->split = r.flags[0] != 0;
      return n;
    }
    case 11: {
      auto n = std::make_unique<DL_COATING_LOOP>();
      copy_loop(r, *n);
      return n;
    }
    case 12: {
      auto n = std::make_unique<DL_OBJPARAM_LOOP>();
      copy_loop(r, *n);
      return n;
    }
    case 13: {
      auto n = std::make_unique<DL_CONDITIONAL_GROUP_NODE>();
      copy_common(r, *n);
      n->SetName(ORB::String(r.text.c_str(), static_cast<unsigned>(r.text.size())));
      return n;
    }
    case 14: {
      auto n = std::make_unique<DL_ELEMATTRIBUTE_LOOP>();
      copy_loop(r, *n);
      n->SetSummary(r.flags[0] != 0);
      return n;
    }
    case 15: {
      auto n = std::make_unique<DL_EDGE_LOOP>();
      copy_loop(r, *n);
      return n;
    }
    default: return nullptr;
  }
}

void BuildTree(DL_LISTSPEC& list_def, const std::vector<EditorRecord>& top) {
  list_def.destroy_tree();
  auto* root = new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>());
  list_def.SetTree(root);
  std::vector<std::pair<DL_TREE_CELL*, const std::vector<EditorRecord>*>> work{{root, &top}};
  while (!work.empty()) {
    auto [cell, records] = work.back();
    work.pop_back();
    for (const EditorRecord& r : *records) {
      auto node = NodeFromRecord(r);
      if (!node) continue;
      auto* c = new DL_TREE_CELL(std::move(node));
      cell->Append(c);
      work.emplace_back(c, &r.sons);
    }
  }
}

DL_TREE_CELL* NewListTree() {
  auto* root = new DL_TREE_CELL(std::make_unique<DL_ROOT_NODE>());
  for (unsigned number : {0u, 1u}) root->Append(new DL_TREE_CELL(std::make_unique<DL_SECTION_NODE>(number, true)));
  return root;
}

bool PlacementAllowed(const DL_TREE_CELL* target, bool as_son, const DL_LIST_TREE_NODE& candidate,
                      uint32_t section_scope) {
  const DL_TREE_CELL* start = as_son ? target : (target != nullptr ? target->parent : nullptr);
  DL_TREE_NODEPATH path = DL_PathOf(start);
  return DL_LISTSPEC_LIST::IsSonAllowed(
      path, {candidate.TreeNodeType(), DL_CandidateScope(candidate, section_scope)});
}

}  // namespace dlist::listspec
