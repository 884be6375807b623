#include "foundation/list_nodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "foundation/stream_error.h"
#include "stream/stream.h"

namespace {

using dlist::StreamError;

// A count read from s is refused when the stream cannot hold that many items of at
// least min_bytes each.
void check_count(Stream& s, unsigned count, unsigned min_bytes) {
  if (!s.isInput()) return;
  auto& in = static_cast<StreamInput&>(s);
  if (uint64_t{count} * min_bytes > in.bytesLeft()) throw StreamError("list definition: count beyond the data");
}

void io_text(Stream& s, ORB::String& text) {
  unsigned length = text.length();
  s.io(length);
  if (s.isInput()) {
    if (length > kMaxListTextLength) throw StreamError("list definition: text too long");
    check_count(s, length, 1);
    std::string buffer(length, '\0');
    if (length > 0) s.io(buffer.data(), static_cast<int>(length));
    text = ORB::String(buffer.c_str(), length);
  } else if (length > 0) {
    s.io(const_cast<char*>(text.c_str()), static_cast<int>(length));
  }
}

// A key of six characters and the terminator; what is read is terminated.
void io_key(Stream& s, char (&key)[kListKeyLength + 1]) {
  s.io(key, kListKeyLength + 1);
  key[kListKeyLength] = '\0';
}

void copy_key(char (&to)[kListKeyLength + 1], const char* from) {
  std::memset(to, 0, sizeof to);
  if (from != nullptr) std::strncpy(to, from, kListKeyLength);
}

template <class T>
void io_count(Stream& s, std::vector<T>& v, unsigned min_bytes) {
  unsigned count = static_cast<unsigned>(v.size());
  s.io(count);
  if (s.isInput()) {
    check_count(s, count, min_bytes);
    v.assign(count, T{});
  }
}

bool same_text(const ORB::String& a, const ORB::String& b) { return a.view() == b.view(); }

}  // namespace

const std::vector<DL_ELEMENT_KIND>& DL_ElementKinds() {
  static const std::vector<DL_ELEMENT_KIND> kinds = {
      {1, 21440},   {2, 21441},   {4, 21442},   {8, 21444},      {16, 21443},      {32, 21445},   {64, 21446},
      {128, 21448}, {256, 21449}, {512, 21450}, {1024, 21447}, {524288, 21451}, {1048576, 21452}};
  return kinds;
}

// ---- node base -----------------------------------------------------------------------

void DL_LIST_TREE_NODE::io(Stream& s, const DL_INFO&, unsigned) { s.io(flags_); }

bool DL_LIST_TREE_NODE::operator==(const DL_LIST_TREE_NODE& o) const {
  return TreeNodeType() == o.TreeNodeType() && flags_ == o.flags_;
}

std::unique_ptr<DL_LIST_TREE_NODE> DL_ROOT_NODE::clone() const { return std::make_unique<DL_ROOT_NODE>(*this); }

void DL_SECTION_NODE::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LIST_TREE_NODE::io(s, info, flags);
  s.io(number_);
  s.io(flag_);
}
bool DL_SECTION_NODE::operator==(const DL_LIST_TREE_NODE& o) const {
  if (!DL_LIST_TREE_NODE::operator==(o)) return false;
  const auto& x = static_cast<const DL_SECTION_NODE&>(o);
  return number_ == x.number_ && flag_ == x.flag_;
}
std::unique_ptr<DL_LIST_TREE_NODE> DL_SECTION_NODE::clone() const {
  return std::make_unique<DL_SECTION_NODE>(*this);
}

// ---- filters ----------------------------------------------------------------------------

void DL_FILTER_ENTRY::set_key(const char* key) { copy_key(key_, key); }

void DL_FILTER_ENTRY::Set(const char* key, int lo, int hi, bool required) {
  type_ = 0;
  int_lo_ = lo;
  int_hi_ = hi;
  set_key(key);
  SetRequired(required);
}
void DL_FILTER_ENTRY::Set(const char* key, double lo, double hi, bool required) {
  type_ = 1;
  real_lo_ = lo;
  real_hi_ = hi;
  set_key(key);
  SetRequired(required);
}
void DL_FILTER_ENTRY::Set(const char* key, const char* lo, const char* hi, bool required) {
  type_ = 2;
  text_lo_ = lo != nullptr ? lo : "";
  text_hi_ = hi != nullptr ? hi : "";
  set_key(key);
  SetRequired(required);
}
void DL_FILTER_ENTRY::Set(const char* key, const ORB::String& lo, const ORB::String& hi, bool required) {
  Set(key, lo.c_str(), hi.c_str(), required);
}

void DL_FILTER_ENTRY::io(Stream& s) {
  s.io(type_);
  io_key(s, key_);
  s.io(int_lo_);
  s.io(int_hi_);
  s.io(real_lo_);
  s.io(real_hi_);
  io_text(s, text_lo_);
  io_text(s, text_hi_);
  s.io(flags_);
}

bool DL_FILTER_ENTRY::Valid() const {
  if (type_ < 0 || type_ > 2 || key_[0] == '\0' || (flags_ & 0xE0) != 0) return false;
  if (type_ == 0) return int_lo_ <= int_hi_;
  if (type_ == 1) return std::isfinite(real_lo_) && std::isfinite(real_hi_) && real_lo_ <= real_hi_;
  return true;
}

void DL_FILTER_ENTRY::Correct() {
  if (type_ < 0 || type_ > 2) type_ = 2;
  flags_ &= 0x1F;
  if (int_lo_ > int_hi_) std::swap(int_lo_, int_hi_);
  if (!std::isfinite(real_lo_)) real_lo_ = 0;
  if (!std::isfinite(real_hi_)) real_hi_ = 0;
  if (real_lo_ > real_hi_) std::swap(real_lo_, real_hi_);
}

bool DL_FILTER_ENTRY::operator==(const DL_FILTER_ENTRY& o) const {
  return type_ == o.type_ && std::strcmp(key_, o.key_) == 0 && int_lo_ == o.int_lo_ && int_hi_ == o.int_hi_ &&
         std::memcmp(&real_lo_, &o.real_lo_, sizeof real_lo_) == 0 &&
         std::memcmp(&real_hi_, &o.real_hi_, sizeof real_hi_) == 0 && same_text(text_lo_, o.text_lo_) &&
         same_text(text_hi_, o.text_hi_) && flags_ == o.flags_;
}

void DL_FILTER_PACKET::io(Stream& s) {
  io_count(s, entries_, 30);
  for (auto& e : entries_) e.io(s);
}

// ---- loops -------------------------------------------------------------------------------

void DL_LOOP::SetKey(unsigned i, const char* key, int flag) {
  if (i > 2) return;
  copy_key(keys_[i], key);
  key_flags_[i] = flag;
}

void DL_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LIST_TREE_NODE::io(s, info, flags);
  filters_.io(s);
  io_text(s, name_);
  for (int& f : key_flags_) s.io(f);
  for (auto& k : keys_) io_key(s, k);
}

namespace {
// An empty key is never followed by a filled one.
bool keys_packed(const char (&keys)[3][kListKeyLength + 1]) {
  bool empty_seen = false;
  for (const auto& k : keys) {
    if (k[0] == '\0') empty_seen = true;
    else if (empty_seen) return false;
  }
  return true;
}
}  // namespace

bool DL_LOOP::Valid() const {
  if (!keys_packed(keys_)) return false;
  for (int f : key_flags_)
    if (f != 0 && f != 1) return false;
  for (unsigned i = 0; i < filters_.size(); ++i)
    if (!filters_[i].Valid()) return false;
  return true;
}

unsigned DL_LOOP::Report(DL_REPORT_LIST& out) const {
  unsigned n = 0;
  if (!keys_packed(keys_)) out.emplace_back("An empty key stands before a filled one."), ++n;
  for (int f : key_flags_)
    if (f != 0 && f != 1) {
      out.emplace_back("A key's flag is neither 0 nor 1.");
      ++n;
      break;
    }
  for (unsigned i = 0; i < filters_.size(); ++i)
    if (!filters_[i].Valid()) {
      std::string t = "The filter on \"" + std::string(filters_[i].Key()) + "\" is not valid.";
      out.emplace_back(t.c_str());
      ++n;
    }
  return n;
}

void DL_LOOP::Correct() {
  // Pack the keys to the front, keeping their order and flags.
  char keys[3][kListKeyLength + 1] = {};
  int key_flags[3] = {0, 0, 0};
  unsigned k = 0;
  for (unsigned i = 0; i < 3; ++i)
    if (keys_[i][0] != '\0') {
      std::memcpy(keys[k], keys_[i], sizeof keys[k]);
      key_flags[k++] = key_flags_[i] != 0 ? 1 : 0;
    }
  std::memcpy(keys_, keys, sizeof keys_);
  std::memcpy(key_flags_, key_flags, sizeof key_flags_);
  DL_FILTER_PACKET kept;
  for (unsigned i = 0; i < filters_.size(); ++i) {
    DL_FILTER_ENTRY e = filters_[i];
    e.Correct();
    if (e.Valid()) kept.Add(e);
  }
  filters_ = kept;
}

bool DL_LOOP::DKIIR() const { return keys_[0][0] != '\0'; }

bool DL_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  if (!DL_LIST_TREE_NODE::operator==(o)) return false;
  const auto& x = static_cast<const DL_LOOP&>(o);
  return filters_ == x.filters_ && same_text(name_, x.name_) &&
         std::equal(std::begin(key_flags_), std::end(key_flags_), std::begin(x.key_flags_)) &&
         std::memcmp(keys_, x.keys_, sizeof keys_) == 0;
}

void DL_PLAN_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LOOP::io(s, info, flags);
  io_count(s, plans, 8);
  for (auto& p : plans) {
    io_text(s, p.name);
    s.io(p.sheet);
  }
}
bool DL_PLAN_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  return DL_LOOP::operator==(o) && plans == static_cast<const DL_PLAN_LOOP&>(o).plans;
}

void DL_FLOOR_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LOOP::io(s, info, flags);
  io_count(s, items, 12);
  for (auto& i : items) {
    s.io(i.id1);
    s.io(i.id2);
    s.io(i.flag);
  }
}
bool DL_FLOOR_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  return DL_LOOP::operator==(o) && items == static_cast<const DL_FLOOR_LOOP&>(o).items;
}

void DL_ELEMENT_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LOOP::io(s, info, flags);
  s.io(mask_);
}
namespace {
bool known_kind(long mask) {
  for (const auto& k : DL_ElementKinds())
    if (k.bit == mask) return true;
  return false;
}
}  // namespace
bool DL_ELEMENT_LOOP::Valid() const { return known_kind(mask_) && DL_LOOP::Valid(); }
unsigned DL_ELEMENT_LOOP::Report(DL_REPORT_LIST& out) const {
  unsigned n = DL_LOOP::Report(out);
  if (!known_kind(mask_)) out.emplace_back("The element loop names no single element kind."), ++n;
  return n;
}
bool DL_ELEMENT_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  return DL_LOOP::operator==(o) && mask_ == static_cast<const DL_ELEMENT_LOOP&>(o).mask_;
}

DL_ATTRIBUTE_LOOP::DL_ATTRIBUTE_LOOP(const char* key) { copy_key(attribute_key_, key); }
void DL_ATTRIBUTE_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LOOP::io(s, info, flags);
  io_key(s, attribute_key_);
}
bool DL_ATTRIBUTE_LOOP::Valid() const { return attribute_key_[0] != '\0' && DL_LOOP::Valid(); }
unsigned DL_ATTRIBUTE_LOOP::Report(DL_REPORT_LIST& out) const {
  unsigned n = DL_LOOP::Report(out);
  if (attribute_key_[0] == '\0') out.emplace_back("The attribute loop names no attribute."), ++n;
  return n;
}
bool DL_ATTRIBUTE_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  return DL_LOOP::operator==(o) &&
         std::strcmp(attribute_key_, static_cast<const DL_ATTRIBUTE_LOOP&>(o).attribute_key_) == 0;
}

void DL_INTEGER_ATTRIBUTE_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_ATTRIBUTE_LOOP::io(s, info, flags);
  io_count(s, values, 4);
  for (int& v : values) s.io(v);
}
bool DL_INTEGER_ATTRIBUTE_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  return DL_ATTRIBUTE_LOOP::operator==(o) && values == static_cast<const DL_INTEGER_ATTRIBUTE_LOOP&>(o).values;
}
void DL_DOUBLE_ATTRIBUTE_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_ATTRIBUTE_LOOP::io(s, info, flags);
  io_count(s, values, 8);
  for (double& v : values) s.io(v);
}
bool DL_DOUBLE_ATTRIBUTE_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  const auto& x = static_cast<const DL_DOUBLE_ATTRIBUTE_LOOP&>(o);
  return DL_ATTRIBUTE_LOOP::operator==(o) && values.size() == x.values.size() &&
         (values.empty() || std::memcmp(values.data(), x.values.data(), values.size() * sizeof(double)) == 0);
}
void DL_STRING_ATTRIBUTE_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_ATTRIBUTE_LOOP::io(s, info, flags);
  io_count(s, values, 4);
  for (auto& v : values) io_text(s, v);
}
bool DL_STRING_ATTRIBUTE_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  const auto& x = static_cast<const DL_STRING_ATTRIBUTE_LOOP&>(o);
  return DL_ATTRIBUTE_LOOP::operator==(o) &&
         std::equal(values.begin(), values.end(), x.values.begin(), x.values.end(), same_text);
}

void DL_SUBPRICE_LOOP::io(Stream& s, const DL_INFO& info, unsigned flags) {
  DL_LOOP::io(s, info, flags);
  s.io(split);
}
bool DL_SUBPRICE_LOOP::operator==(const DL_LIST_TREE_NODE& o) const {
  return DL_LOOP::operator==(o) && split == static_cast<const DL_SUBPRICE_LOOP&>(o).split;
}

#define DLIST_CLONE(Class) \
  std::unique_ptr<DL_LIST_TREE_NODE> Class::clone() const { return std::make_unique<Class>(*this); }
DLIST_CLONE(DL_PLAN_LOOP)
DLIST_CLONE(DL_FLOOR_LOOP)
DLIST_CLONE(DL_LAYER_LOOP)
DLIST_CLONE(DL_ELEMENT_LOOP)
DLIST_CLONE(DL_INTEGER_ATTRIBUTE_LOOP)
DLIST_CLONE(DL_DOUBLE_ATTRIBUTE_LOOP)
DLIST_CLONE(DL_STRING_ATTRIBUTE_LOOP)
DLIST_CLONE(DL_MATERIAL_LOOP)
DLIST_CLONE(DL_SUBPRICE_LOOP)
DLIST_CLONE(DL_COATING_LOOP)
DLIST_CLONE(DL_OBJPARAM_LOOP)
DLIST_CLONE(DL_ELEMATTRIBUTE_LOOP)
DLIST_CLONE(DL_EDGE_LOOP)
DLIST_CLONE(DL_CONDITIONAL_GROUP_NODE)
#undef DLIST_CLONE

std::unique_ptr<DL_LIST_TREE_NODE> DL_MakeNode(uint32_t type) {
  switch (type) {
    case DL_ROOT: return std::make_unique<DL_ROOT_NODE>();
    case DL_SECTION: return std::make_unique<DL_SECTION_NODE>();
    case DL_PLAN: return std::make_unique<DL_PLAN_LOOP>();
    case DL_FLOOR: return std::make_unique<DL_FLOOR_LOOP>();
    case DL_LAYER: return std::make_unique<DL_LAYER_LOOP>();
    case DL_ELEMENT: return std::make_unique<DL_ELEMENT_LOOP>();
    case DL_INTEGER_ATTRIBUTE: return std::make_unique<DL_INTEGER_ATTRIBUTE_LOOP>();
    case DL_DOUBLE_ATTRIBUTE: return std::make_unique<DL_DOUBLE_ATTRIBUTE_LOOP>();
    case DL_STRING_ATTRIBUTE: return std::make_unique<DL_STRING_ATTRIBUTE_LOOP>();
    case DL_MATERIAL: return std::make_unique<DL_MATERIAL_LOOP>();
    case DL_SUBPRICE: return std::make_unique<DL_SUBPRICE_LOOP>();
    case DL_COATING: return std::make_unique<DL_COATING_LOOP>();
    case DL_OBJPARAM: return std::make_unique<DL_OBJPARAM_LOOP>();
    case DL_CONDITIONAL_GROUP: return std::make_unique<DL_CONDITIONAL_GROUP_NODE>();
    case DL_ELEMATTRIBUTE: return std::make_unique<DL_ELEMATTRIBUTE_LOOP>();
    case DL_EDGE: return std::make_unique<DL_EDGE_LOOP>();
    default: return nullptr;
  }
}

bool DL_PRECISION::operator==(const DL_PRECISION& o) const {
  return std::strncmp(key, o.key, sizeof key) == 0 && precision == o.precision;
}

// ---- cells ----------------------------------------------------------------------------------

DL_TREE_CELL::~DL_TREE_CELL() {
  // Sons are freed iteratively through an explicit list, so no depth reaches the stack.
  std::vector<DL_TREE_CELL*> pending;
  auto take_sons = [&pending](DL_TREE_CELL* c) {
    if (c->child == nullptr) return;
    DL_TREE_CELL* s = c->child;
    do {
      pending.push_back(s);
      s = s->next;
    } while (s != c->child);
    c->child = nullptr;
  };
  take_sons(this);
  while (!pending.empty()) {
    DL_TREE_CELL* c = pending.back();
    pending.pop_back();
    take_sons(c);
    delete c;
  }
}

void DL_TREE_CELL::Append(DL_TREE_CELL* c) {
  c->parent = this;
  if (child == nullptr) {
    child = c;
    c->next = c->prev = c;
    return;
  }
  DL_TREE_CELL* last = child->prev;
  c->next = child;
  c->prev = last;
  last->next = c;
  child->prev = c;
}

std::vector<DL_TREE_CELL*> DL_TREE_CELL::Sons() const {
  std::vector<DL_TREE_CELL*> out;
  if (child == nullptr) return out;
  DL_TREE_CELL* s = child;
  do {
    out.push_back(s);
    s = s->next;
  } while (s != child);
  return out;
}

DL_TREE_CELL* DL_TREE_CELL::CloneTree() const {
  auto* top = new DL_TREE_CELL(node ? node->clone() : nullptr);
  std::vector<std::pair<const DL_TREE_CELL*, DL_TREE_CELL*>> work{{this, top}};
  while (!work.empty()) {
    auto [from, to] = work.back();
    work.pop_back();
    for (DL_TREE_CELL* s : from->Sons()) {
      auto* c = new DL_TREE_CELL(s->node ? s->node->clone() : nullptr);
      to->Append(c);
      work.emplace_back(s, c);
    }
  }
  return top;
}

bool DL_TreesEqual(const DL_TREE_CELL* a, const DL_TREE_CELL* b) {
  std::vector<std::pair<const DL_TREE_CELL*, const DL_TREE_CELL*>> work{{a, b}};
  while (!work.empty()) {
    auto [x, y] = work.back();
    work.pop_back();
    if ((x == nullptr) != (y == nullptr)) return false;
    if (x == nullptr) continue;
    if ((x->node == nullptr) != (y->node == nullptr)) return false;
    if (x->node && *x->node != *y->node) return false;
    auto xs = x->Sons();
    auto ys = y->Sons();
    if (xs.size() != ys.size()) return false;
    for (std::size_t i = 0; i < xs.size(); ++i) work.emplace_back(xs[i], ys[i]);
  }
  return true;
}

// ---- list definitions and sets ----------------------------------------------------------------

DL_LISTSPEC::DL_LISTSPEC(const DL_LISTSPEC& o)
    : title(o.title), output_file(o.output_file), sort_order(o.sort_order), summarize(o.summarize),
      marked(o.marked), name_(o.name_), tree_(o.tree_ ? o.tree_->CloneTree() : nullptr) {}

void DL_LISTSPEC::copy_properties(const DL_LISTSPEC& src) {
  title = src.title;
  output_file = src.output_file;
  sort_order = src.sort_order;
  summarize = src.summarize;
  marked = src.marked;
}

bool DL_LISTSPEC::operator==(const DL_LISTSPEC& o) const {
  return name_ == o.name_ && title == o.title && output_file == o.output_file && sort_order == o.sort_order &&
         summarize == o.summarize && marked == o.marked && DL_TreesEqual(tree_, o.tree_);
}

DL_LISTSPEC_LIST::DL_LISTSPEC_LIST(const DL_LISTSPEC_LIST& o)
    : template_(o.template_), ini_(o.ini_), precision_(o.precision_) {
  for (const DL_LISTSPEC* s : o.lists_) lists_.push_back(new DL_LISTSPEC(*s));
}

DL_LISTSPEC_LIST::~DL_LISTSPEC_LIST() {
  for (DL_LISTSPEC* s : lists_) delete s;
}

bool DL_LISTSPEC_LIST::resize(unsigned n) {
  while (lists_.size() > n) {
    delete lists_.back();
    lists_.pop_back();
  }
  lists_.resize(n, nullptr);
  return true;
}
void DL_LISTSPEC_LIST::set(unsigned i, DL_LISTSPEC* list_def) {
  if (i >= lists_.size()) return;
  delete lists_[i];
  lists_[i] = list_def;
}
void DL_LISTSPEC_LIST::remove(unsigned i) {
  if (i >= lists_.size()) return;
  delete lists_[i];
  lists_.erase(lists_.begin() + i);
}
void DL_LISTSPEC_LIST::swap(DL_LISTSPEC_LIST& o) noexcept {
  lists_.swap(o.lists_);
  template_.swap(o.template_);
  ini_.swap(o.ini_);
  precision_.swap(o.precision_);
}
int DL_LISTSPEC_LIST::find(const std::string& name) const {
  for (std::size_t i = 0; i < lists_.size(); ++i)
    if (lists_[i] != nullptr && lists_[i]->Name() == name) return static_cast<int>(i);
  return -1;
}

bool DL_LISTSPEC_LIST::operator==(const DL_LISTSPEC_LIST& o) const {
  if (template_ != o.template_ || precision_ != o.precision_ || lists_.size() != o.lists_.size()) return false;
  for (std::size_t i = 0; i < lists_.size(); ++i)
    if (!(*lists_[i] == *o.lists_[i])) return false;
  return true;
}

// ---- placement rules ----------------------------------------------------------------------------

uint32_t DL_PathScope(const DL_LIST_TREE_NODE& node) {
  switch (node.TreeNodeType()) {
    case DL_PLAN: return kScopePlan;
    case DL_FLOOR: return kScopeFloor;
    case DL_LAYER: return kScopeLayer;
    case DL_ELEMENT: return static_cast<uint32_t>(static_cast<const DL_ELEMENT_LOOP&>(node).Mask());
    case DL_MATERIAL: return kScopeMaterial;
    case DL_SUBPRICE: return kScopeSubprice;
    case DL_COATING: return kScopeCoating;
    case DL_ELEMATTRIBUTE: return kScopeElemAttribute;
    case DL_EDGE: return kScopeEdge;
    default: return 0;
  }
}

uint32_t DL_CandidateScope(const DL_LIST_TREE_NODE& node, uint32_t section_scope) {
  return node.TreeNodeType() == DL_SECTION ? section_scope : DL_PathScope(node);
}

DL_TREE_NODEPATH DL_PathOf(const DL_TREE_CELL* cell) {
  DL_TREE_NODEPATH path;
  for (; cell != nullptr && cell->parent != nullptr; cell = cell->parent)
    if (cell->node) path.push_back({cell->node->TreeNodeType(), DL_PathScope(*cell->node)});
  return path;
}

namespace {
bool path_has(const DL_TREE_NODEPATH& path, uint32_t type) {
  return std::any_of(path.begin(), path.end(), [type](const DL_TYPEANDSCOPE& t) { return t.type == type; });
}
bool path_has_any(const DL_TREE_NODEPATH& path, std::initializer_list<uint32_t> types) {
  for (uint32_t t : types)
    if (path_has(path, t)) return true;
  return false;
}
// The element loop nearest to the node, or null.
const DL_TYPEANDSCOPE* nearest_element(const DL_TREE_NODEPATH& path) {
  for (const auto& t : path)
    if (t.type == DL_ELEMENT) return &t;
  return nullptr;
}
}  // namespace

bool DL_LISTSPEC_LIST::IsSonAllowed(const DL_TREE_NODEPATH& path, const DL_TYPEANDSCOPE& c) {
  if (path.empty()) return true;
  uint32_t all_scopes = 0;
  for (const auto& t : path) all_scopes |= t.scope;
  switch (c.type) {
    case DL_SECTION: return c.scope == 0 || (all_scopes & c.scope) != 0;
    case DL_PLAN:
      return !path_has_any(path, {DL_PLAN, DL_FLOOR, DL_LAYER, DL_ELEMENT, DL_MATERIAL, DL_SUBPRICE, DL_COATING,
                                  DL_OBJPARAM, DL_ELEMATTRIBUTE, DL_EDGE});
    case DL_FLOOR:
      return !path_has_any(path, {DL_FLOOR, DL_LAYER, DL_ELEMENT, DL_MATERIAL, DL_SUBPRICE, DL_COATING, DL_OBJPARAM,
                                  DL_ELEMATTRIBUTE, DL_EDGE});
    case DL_LAYER:
      return !path_has_any(path, {DL_LAYER, DL_ELEMENT, DL_MATERIAL, DL_SUBPRICE, DL_COATING, DL_OBJPARAM,
                                  DL_ELEMATTRIBUTE, DL_EDGE});
    case DL_ELEMENT:
      return !path_has_any(path, {DL_ELEMENT, DL_MATERIAL, DL_SUBPRICE, DL_COATING, DL_OBJPARAM, DL_ELEMATTRIBUTE,
                                  DL_EDGE});
    case DL_INTEGER_ATTRIBUTE:
    case DL_DOUBLE_ATTRIBUTE:
    case DL_STRING_ATTRIBUTE:
    case DL_CONDITIONAL_GROUP: return true;
    case DL_MATERIAL: return path_has(path, DL_ELEMENT) && !path_has_any(path, {DL_MATERIAL, DL_EDGE});
    case DL_SUBPRICE: return path_has(path, DL_MATERIAL) && !path_has(path, DL_SUBPRICE);
    case DL_COATING: return path_has(path, DL_ELEMENT) && !path_has_any(path, {DL_COATING, DL_MATERIAL});
    case DL_OBJPARAM: return path_has(path, DL_ELEMENT) && !path_has(path, DL_OBJPARAM);
    case DL_ELEMATTRIBUTE: return path_has(path, DL_ELEMENT) && !path_has(path, DL_ELEMATTRIBUTE);
    case DL_EDGE: {
      const DL_TYPEANDSCOPE* e = nearest_element(path);
      return e != nullptr && (e->scope & kKindsWithEdges) != 0 && !path_has_any(path, {DL_EDGE, DL_MATERIAL});
    }
    default: return false;  // the root and abstract kinds are never placed
  }
}

// ---- whole trees -------------------------------------------------------------------------------

void DL_WriteTree(Stream& s, const DL_TREE_CELL* root) {
  const DL_INFO info;
  std::vector<std::pair<const DL_TREE_CELL*, unsigned>> work{{root, 0}};
  while (!work.empty()) {
    auto [cell, depth] = work.back();
    work.pop_back();
    if (depth > kMaxTreeDepth) throw StreamError("list definition: tree too deep");
    unsigned char type = cell->node ? static_cast<unsigned char>(cell->node->TreeNodeType()) : 0xFF;
    if (type == 0xFF) throw StreamError("list definition: a cell holds no node");
    s.io(type);
    cell->node->io(s, info, 0);
    auto sons = cell->Sons();
    unsigned count = static_cast<unsigned>(sons.size());
    s.io(count);
    for (auto it = sons.rbegin(); it != sons.rend(); ++it) work.emplace_back(*it, depth + 1);
  }
}

DL_TREE_CELL* DL_ReadTree(Stream& s) {
  const DL_INFO info;
  auto read_cell = [&s, &info](unsigned& sons) {
    unsigned char type = 0;
    s.io(type);
    auto node = DL_MakeNode(type);
    if (!node) throw StreamError("list definition: unknown node type " + std::to_string(type));
    node->io(s, info, 0);
    s.io(sons);
    // A son takes at least its type, its flag byte and its count.
    check_count(s, sons, 6);
    return new DL_TREE_CELL(std::move(node));
  };
  unsigned sons = 0;
  std::unique_ptr<DL_TREE_CELL> root(read_cell(sons));
  if (root->node->TreeNodeType() != DL_ROOT) throw StreamError("list definition: the tree has no root");
  // (cell, sons still to read) for each open level.
  std::vector<std::pair<DL_TREE_CELL*, unsigned>> open{{root.get(), sons}};
  while (!open.empty()) {
    if (open.back().second == 0) {
      open.pop_back();
      continue;
    }
    --open.back().second;
    if (open.size() > kMaxTreeDepth) throw StreamError("list definition: tree too deep");
    DL_TREE_CELL* cell = read_cell(sons);
    open.back().first->Append(cell);
    if (cell->node->TreeNodeType() == DL_ROOT) throw StreamError("list definition: a root inside the tree");
    open.emplace_back(cell, sons);
  }
  return root.release();
}

bool DL_CheckTree(const DL_TREE_CELL* root, std::string& where, std::string& why,
                  uint32_t (*section_scope)(unsigned number, void* ctx), void* ctx) {
  // Depth-first in display order, so that the first refused node is named.
  std::vector<std::pair<const DL_TREE_CELL*, std::string>> work;
  auto push_sons = [&work](const DL_TREE_CELL* cell, const std::string& path) {
    auto sons = cell->Sons();
    for (std::size_t k = sons.size(); k-- > 0;) work.emplace_back(sons[k], path + "/" + std::to_string(k + 1));
  };
  push_sons(root, "");
  while (!work.empty()) {
    auto [cell, path] = work.back();
    work.pop_back();
    const DL_LIST_TREE_NODE& node = *cell->node;
    uint32_t sscope = 0;
    if (node.TreeNodeType() == DL_SECTION && section_scope != nullptr)
      sscope = section_scope(static_cast<const DL_SECTION_NODE&>(node).Number(), ctx);
    if (!DL_LISTSPEC_LIST::IsSonAllowed(DL_PathOf(cell->parent),
                                        {node.TreeNodeType(), DL_CandidateScope(node, sscope)})) {
      where = path;
      why = "this node may not stand here";
      return false;
    }
    if (!node.Valid()) {
      DL_REPORT_LIST texts;
      node.Report(texts);
      where = path;
      why = texts.empty() ? "the node is not valid" : texts.front().c_str();
      return false;
    }
    push_sons(cell, path);
  }
  return true;
}
