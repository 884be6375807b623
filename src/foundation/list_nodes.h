// List definitions: the node classes of a list definition's tree, the tree cells,
// a list definition and a set of them. These classes are shared by the library and the
// list generator module (host/list_sets): the library builds trees from its editor,
// the generator module stores, checks and walks them. They live in the core so that
// both sides see one definition; the rules (io, Valid, Report, Correct, DKIIR,
// IsSonAllowed) are written down in docs/list_definitions.md.
//
// Node trees are read back through io(); a tree deeper than kMaxTreeDepth is refused
// rather than followed, and every count is checked against the bytes the stream has
// left before anything is allocated.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/orb_string.h"

struct Stream;

// The type codes returned by TreeNodeType().
enum DL_TREE_NODETYPE : uint32_t {
  DL_ROOT = 0,
  DL_SECTION = 1,
  DL_PLAN = 2,
  DL_FLOOR = 3,
  DL_LAYER = 4,
  DL_ELEMENT = 5,
  DL_INTEGER_ATTRIBUTE = 6,
  DL_DOUBLE_ATTRIBUTE = 7,
  DL_STRING_ATTRIBUTE = 8,
  DL_MATERIAL = 9,
  DL_SUBPRICE = 10,
  DL_COATING = 11,
  DL_OBJPARAM = 12,
  DL_CONDITIONAL_GROUP = 13,
  DL_ELEMATTRIBUTE = 14,
  DL_EDGE = 15,
  DL_ABSTRACT = 16,
};

// The texts a Report() appends to.
using DL_REPORT_LIST = std::vector<ORB::String>;

// What a node's io() needs besides the stream: the version of the form written.
struct DL_INFO {
  unsigned version = 1;
};

inline constexpr unsigned kListKeyLength = 6;      // characters of a key
inline constexpr unsigned kMaxTreeDepth = 64;      // deepest node tree accepted
inline constexpr unsigned kMaxListTextLength = 4096;  // longest text in a node

// The scope bits of the loops (element loops carry their element kind's bit).
inline constexpr uint32_t kScopePlan = 4096;
inline constexpr uint32_t kScopeFloor = 8192;
inline constexpr uint32_t kScopeMaterial = 16384;
inline constexpr uint32_t kScopeSubprice = 32768;
inline constexpr uint32_t kScopeCoating = 65536;
inline constexpr uint32_t kScopeLayer = 131072;
inline constexpr uint32_t kScopeElemAttribute = 262144;
inline constexpr uint32_t kScopeEdge = 2097152;

// The element kinds an element loop walks: bit and title text.
struct DL_ELEMENT_KIND {
  long bit;
  unsigned title_id;
};
DLIST_API const std::vector<DL_ELEMENT_KIND>& DL_ElementKinds();
// The kinds whose elements have edges (an edge loop stands below one of them).
inline constexpr long kKindsWithEdges = 32 | 64 | 512 | 1024;  // ceiling, roof, raster, parcel

// ---- node base ---------------------------------------------------------------------

class DLIST_API DL_LIST_TREE_NODE {
 public:
  DL_LIST_TREE_NODE() = default;
  DL_LIST_TREE_NODE(const DL_LIST_TREE_NODE&) = default;
  DL_LIST_TREE_NODE& operator=(const DL_LIST_TREE_NODE&) = default;
  virtual ~DL_LIST_TREE_NODE() = default;

  virtual DL_TREE_NODETYPE TreeNodeType() const { return DL_ABSTRACT; }
  // Streams the node's flag byte and fields (not its type code nor its sons).
  virtual void io(Stream& s, const DL_INFO& info, unsigned flags);
  virtual bool Valid() const { return true; }
  // Appends a text for each fault Valid() finds; answers how many it appended.
  virtual unsigned Report(DL_REPORT_LIST&) const { return 0; }
  // Repairs what Valid() refuses, so that Valid() then holds.
  virtual void Correct() {}
  // Whether the node defines a key that the list's rows are grouped by.
  virtual bool DKIIR() const = 0;
  virtual bool operator==(const DL_LIST_TREE_NODE& o) const;
  bool operator!=(const DL_LIST_TREE_NODE& o) const { return !(*this == o); }
  // A copy of the node (of its own class).
  virtual std::unique_ptr<DL_LIST_TREE_NODE> clone() const = 0;

  unsigned char FlagByte() const { return flags_; }
  void SetFlagByte(unsigned char b) { flags_ = b; }
  bool Enabled() const { return (flags_ & 1) != 0; }
  bool Opened() const { return (flags_ & 2) != 0; }
  bool PrototypeOnly() const { return (flags_ & 4) != 0; }
  bool IsSummary() const { return (flags_ & 8) != 0; }
  unsigned Level() const { return flags_ >> 4; }
  void SetEnabled(bool on) { set_bit(1, on); }
  void SetOpened(bool on) { set_bit(2, on); }
  void SetPrototypeOnly(bool on) { set_bit(4, on); }
  void SetSummary(bool on) { set_bit(8, on); }
  void SetLevel(unsigned level) {
    flags_ = static_cast<unsigned char>((flags_ & 0x0F) | ((level & 0x0F) << 4));
  }

 private:
  void set_bit(unsigned char bit, bool on) {
    flags_ = static_cast<unsigned char>(on ? (flags_ | bit) : (flags_ & ~bit));
  }
  unsigned char flags_ = 1;
};

// ---- filters -----------------------------------------------------------------------

enum DLF_STRING_SEARCH_TYPE : unsigned { DLF_EXACT = 0, DLF_BEGINS = 1, DLF_CONTAINS = 2, DLF_ENDS = 3 };

class DLIST_API DL_FILTER_ENTRY {
 public:
  DL_FILTER_ENTRY() = default;
  DL_FILTER_ENTRY(const char* key, int lo, int hi, bool required) { Set(key, lo, hi, required); }
  DL_FILTER_ENTRY(const char* key, double lo, double hi, bool required) { Set(key, lo, hi, required); }
  DL_FILTER_ENTRY(const char* key, const char* lo, const char* hi, bool required) {
    Set(key, lo, hi, required);
  }
  DL_FILTER_ENTRY(const char* key, const ORB::String& lo, const ORB::String& hi, bool required) {
    Set(key, lo, hi, required);
  }
  // The same, with the key of the generator's field number n (text 16259 + n). These
  // take the texts of the host and are defined by the library (src/listspec).
  DL_FILTER_ENTRY(unsigned field, int lo, int hi, bool required);
  DL_FILTER_ENTRY(unsigned field, double lo, double hi, bool required);
  DL_FILTER_ENTRY(unsigned field, const char* lo, const char* hi, bool required);
  DL_FILTER_ENTRY(unsigned field, const ORB::String& lo, const ORB::String& hi, bool required);

  void Set(const char* key, int lo, int hi, bool required);
  void Set(const char* key, double lo, double hi, bool required);
  void Set(const char* key, const char* lo, const char* hi, bool required);
  void Set(const char* key, const ORB::String& lo, const ORB::String& hi, bool required);

  int Type() const { return type_; }
  const char* Key() const { return key_; }
  int IntLow() const { return int_lo_; }
  int IntHigh() const { return int_hi_; }
  double RealLow() const { return real_lo_; }
  double RealHigh() const { return real_hi_; }
  const ORB::String& TextLow() const { return text_lo_; }
  const ORB::String& TextHigh() const { return text_hi_; }

  unsigned char Flags() const { return flags_; }
  bool IsRequired() const { return (flags_ & 1) != 0; }
  unsigned StringSearchType() const { return (flags_ >> 1) & 7u; }
  bool IsCaseOff() const { return (flags_ & 16) != 0; }
  void SetRequired(bool on) { flags_ = static_cast<unsigned char>(on ? flags_ | 1 : flags_ & ~1); }
  void SetCaseOff(bool on) { flags_ = static_cast<unsigned char>(on ? flags_ | 16 : flags_ & ~16); }
  void SetStringSearchType(unsigned t) {
    flags_ = static_cast<unsigned char>((flags_ & ~0x0E) | ((t & 7u) << 1));
  }
  void SetFlags(unsigned char f) { flags_ = f; }

  void io(Stream& s);
  bool Valid() const;
  void Correct();
  bool operator==(const DL_FILTER_ENTRY& o) const;

 private:
  void set_key(const char* key);
  int type_ = 0;
  char key_[kListKeyLength + 1] = {};
  int int_lo_ = 0;
  int int_hi_ = 0;
  double real_lo_ = 0;
  double real_hi_ = 0;
  ORB::String text_lo_{""};
  ORB::String text_hi_{""};
  unsigned char flags_ = 0;
};

// The filter conditions of a loop.
class DLIST_API DL_FILTER_PACKET {
 public:
  void Add(const DL_FILTER_ENTRY& e) { entries_.push_back(e); }
  unsigned size() const { return static_cast<unsigned>(entries_.size()); }
  DL_FILTER_ENTRY& operator[](unsigned i) { return entries_[i]; }
  const DL_FILTER_ENTRY& operator[](unsigned i) const { return entries_[i]; }
  void clear() { entries_.clear(); }
  bool operator==(const DL_FILTER_PACKET& o) const { return entries_ == o.entries_; }
  void io(Stream& s);

 private:
  std::vector<DL_FILTER_ENTRY> entries_;
};

// ---- the node classes ----------------------------------------------------------------

class DLIST_API DL_ROOT_NODE : public DL_LIST_TREE_NODE {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_ROOT; }
  bool DKIIR() const override { return false; }
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
};

class DLIST_API DL_SECTION_NODE : public DL_LIST_TREE_NODE {
 public:
  DL_SECTION_NODE() = default;
  DL_SECTION_NODE(unsigned number, bool flag) : number_(number), flag_(flag) {}
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_SECTION; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool DKIIR() const override { return false; }
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  unsigned Number() const { return number_; }
  bool SectionFlag() const { return flag_; }
  void SetSectionFlag(bool on) { flag_ = on; }

 private:
  unsigned number_ = 0;
  bool flag_ = false;
};

// The base of the loops and of the conditional group.
class DLIST_API DL_LOOP : public DL_LIST_TREE_NODE {
 public:
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool Valid() const override;
  unsigned Report(DL_REPORT_LIST& out) const override;
  void Correct() override;
  bool DKIIR() const override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;

  DL_FILTER_PACKET& Filters() { return filters_; }
  const DL_FILTER_PACKET& Filters() const { return filters_; }
  const ORB::String& Name() const { return name_; }
  void SetName(const ORB::String& n) { name_ = n; }
  int KeyFlag(unsigned i) const { return key_flags_[i]; }
  const char* Key(unsigned i) const { return keys_[i]; }
  // Sets key slot i (0 to 2); the text is cut to six characters.
  void SetKey(unsigned i, const char* key, int flag);

 private:
  DL_FILTER_PACKET filters_;
  ORB::String name_{""};
  int key_flags_[3] = {0, 0, 0};
  char keys_[3][kListKeyLength + 1] = {};
};

struct DL_CHOSEN_PLAN {
  ORB::String name;
  long sheet = 0;  // the layout-sheet record's number
  bool operator==(const DL_CHOSEN_PLAN& o) const { return name.view() == o.name.view() && sheet == o.sheet; }
};
struct DL_CHOSEN_ITEM {
  long id1 = 0;
  long id2 = 0;
  int flag = 1;
  bool operator==(const DL_CHOSEN_ITEM&) const = default;
};

class DLIST_API DL_PLAN_LOOP : public DL_LOOP {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_PLAN; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  std::vector<DL_CHOSEN_PLAN> plans;
};

class DLIST_API DL_FLOOR_LOOP : public DL_LOOP {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_FLOOR; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  std::vector<DL_CHOSEN_ITEM> items;
};

class DLIST_API DL_LAYER_LOOP : public DL_FLOOR_LOOP {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_LAYER; }
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
};

class DLIST_API DL_ELEMENT_LOOP : public DL_LOOP {
 public:
  DL_ELEMENT_LOOP() { SetPrototypeOnly(false); }
  explicit DL_ELEMENT_LOOP(long mask) : mask_(mask) { SetPrototypeOnly(false); }
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_ELEMENT; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool Valid() const override;
  unsigned Report(DL_REPORT_LIST& out) const override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  long Mask() const { return mask_; }

 private:
  long mask_ = 0;
};

class DLIST_API DL_ATTRIBUTE_LOOP : public DL_LOOP {
 public:
  DL_ATTRIBUTE_LOOP() = default;
  explicit DL_ATTRIBUTE_LOOP(const char* key);
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool Valid() const override;
  unsigned Report(DL_REPORT_LIST& out) const override;
  bool DKIIR() const override { return true; }
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  const char* AttributeKey() const { return attribute_key_; }

 private:
  char attribute_key_[kListKeyLength + 1] = {};
};

class DLIST_API DL_INTEGER_ATTRIBUTE_LOOP : public DL_ATTRIBUTE_LOOP {
 public:
  using DL_ATTRIBUTE_LOOP::DL_ATTRIBUTE_LOOP;
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_INTEGER_ATTRIBUTE; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  void Add(int v) { values.push_back(v); }
  std::vector<int> values;
};

class DLIST_API DL_DOUBLE_ATTRIBUTE_LOOP : public DL_ATTRIBUTE_LOOP {
 public:
  using DL_ATTRIBUTE_LOOP::DL_ATTRIBUTE_LOOP;
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_DOUBLE_ATTRIBUTE; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  void Add(double v) { values.push_back(v); }
  std::vector<double> values;
};

class DLIST_API DL_STRING_ATTRIBUTE_LOOP : public DL_ATTRIBUTE_LOOP {
 public:
  using DL_ATTRIBUTE_LOOP::DL_ATTRIBUTE_LOOP;
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_STRING_ATTRIBUTE; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  void Add(const ORB::String& v) { values.emplace_back(v); }
  std::vector<ORB::String> values;
};

class DLIST_API DL_MATERIAL_LOOP : public DL_LOOP {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_MATERIAL; }
  bool DKIIR() const override { return true; }
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
};

class DLIST_API DL_SUBPRICE_LOOP : public DL_LOOP {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_SUBPRICE; }
  void io(Stream& s, const DL_INFO& info, unsigned flags) override;
  bool operator==(const DL_LIST_TREE_NODE& o) const override;
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
  bool split = false;  // the record's flag 1
};

#define DLIST_SIMPLE_LOOP(Class, Code)                                    \
  class DLIST_API Class : public DL_LOOP {                                \
   public:                                                                \
    DL_TREE_NODETYPE TreeNodeType() const override { return Code; }       \
    std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;            \
  };
DLIST_SIMPLE_LOOP(DL_COATING_LOOP, DL_COATING)
DLIST_SIMPLE_LOOP(DL_OBJPARAM_LOOP, DL_OBJPARAM)
DLIST_SIMPLE_LOOP(DL_ELEMATTRIBUTE_LOOP, DL_ELEMATTRIBUTE)
DLIST_SIMPLE_LOOP(DL_EDGE_LOOP, DL_EDGE)
#undef DLIST_SIMPLE_LOOP

class DLIST_API DL_CONDITIONAL_GROUP_NODE : public DL_LOOP {
 public:
  DL_TREE_NODETYPE TreeNodeType() const override { return DL_CONDITIONAL_GROUP; }
  bool DKIIR() const override { return false; }
  std::unique_ptr<DL_LIST_TREE_NODE> clone() const override;
};

// A new node of the type code, or null for a code without a class.
DLIST_API std::unique_ptr<DL_LIST_TREE_NODE> DL_MakeNode(uint32_t type);

// ---- generator records -----------------------------------------------------------------

enum DL_FIELD_CONVERTER_TYPE : int { DLFC_NONE = 0, DLFC_NUMBER = 1, DLFC_CURRENCY = 2, DLFC_TEXT = 3 };
enum INC_CURRENCY : int { INC_NONE = 0, INC_LOCAL = 1, INC_FOREIGN = 2 };

struct DLIST_API DL_FIELD {
  DL_FIELD() = default;
  DL_FIELD(unsigned, unsigned a, unsigned b, unsigned c, bool f, DL_FIELD_CONVERTER_TYPE conv,
           INC_CURRENCY cur)
      : v1(a), v2(b), v3(c), flag(f), currency(cur), converter(conv) {}
  char key[kListKeyLength + 1] = {};
  unsigned v1 = 0, v2 = 0, v3 = 0;
  bool flag = false;
  INC_CURRENCY currency = INC_NONE;
  DL_FIELD_CONVERTER_TYPE converter = DLFC_NONE;
};

struct DL_PRECISION {
  char key[8] = {};
  int precision = 0;
  bool operator==(const DL_PRECISION& o) const;
};
using DL_PRECLIST = std::vector<DL_PRECISION>;

// A section definition of a template: number, name, group and the scope it may stand in.
struct DLIST_API DL_TSECTION {
  DL_TSECTION() = default;
  DL_TSECTION(const char* name, unsigned number, short group)
      : name(name != nullptr ? name : ""), number(number), group(group) {}
  std::string name;
  unsigned number = 0;
  short group = 0;
  uint32_t scope = 0;             // 0: anywhere
  std::vector<std::string> text;  // the lines the section emits
  std::vector<DL_TSECTION> sons;  // sections defined inside this one
};

// ---- tree cells, list definitions, sets ----------------------------------------------------

// A cell of a list definition's tree; siblings form a circular doubly linked list.
struct DLIST_API DL_TREE_CELL {
  explicit DL_TREE_CELL(std::unique_ptr<DL_LIST_TREE_NODE> n = nullptr) : node(std::move(n)) {}
  ~DL_TREE_CELL();
  DL_TREE_CELL(const DL_TREE_CELL&) = delete;
  DL_TREE_CELL& operator=(const DL_TREE_CELL&) = delete;

  // Links child in as the last son of this cell (the cell takes it over).
  void Append(DL_TREE_CELL* child);
  // The sons in order.
  std::vector<DL_TREE_CELL*> Sons() const;
  // A deep copy of the cell and everything below it.
  DL_TREE_CELL* CloneTree() const;

  std::unique_ptr<DL_LIST_TREE_NODE> node;
  DL_TREE_CELL* parent = nullptr;
  DL_TREE_CELL* next = this;
  DL_TREE_CELL* prev = this;
  DL_TREE_CELL* child = nullptr;
};

// Whether two trees hold equal nodes in equal places.
DLIST_API bool DL_TreesEqual(const DL_TREE_CELL* a, const DL_TREE_CELL* b);

class DL_LISTSPEC_LIST;

class DLIST_API DL_LISTSPEC {
 public:
  static constexpr unsigned kMaxName = 31;
  explicit DL_LISTSPEC(DL_LISTSPEC_LIST&) {}
  DL_LISTSPEC(const DL_LISTSPEC& o);
  DL_LISTSPEC& operator=(const DL_LISTSPEC&) = delete;
  ~DL_LISTSPEC() { destroy_tree(); }

  const std::string& Name() const { return name_; }
  // Cuts the name to 31 characters.
  void SetName(const std::string& n) { name_ = n.substr(0, kMaxName); }
  DL_TREE_CELL* Tree() const { return tree_; }
  void SetTree(DL_TREE_CELL* root) { destroy_tree(); tree_ = root; }
  void destroy_tree() { delete tree_; tree_ = nullptr; }
  // Copies every property but the name and the tree.
  void copy_properties(const DL_LISTSPEC& src);
  bool operator==(const DL_LISTSPEC& o) const;

  // Properties of the generator.
  std::string title;           // heading of the list
  std::string output_file;     // name of the produced list (a plain file name)
  int sort_order = 0;
  bool summarize = false;
  bool marked = false;         // chosen for "generate all"

 private:
  std::string name_;
  DL_TREE_CELL* tree_ = nullptr;
};

struct DL_TYPEANDSCOPE {
  uint32_t type = 0;
  uint32_t scope = 0;
};
// From a node up to the root, nearest first.
using DL_TREE_NODEPATH = std::vector<DL_TYPEANDSCOPE>;

// The scope a node passes as a candidate (sections: their definition's scope, given).
DLIST_API uint32_t DL_CandidateScope(const DL_LIST_TREE_NODE& node, uint32_t section_scope = 0);
// The scope a node carries inside a path.
DLIST_API uint32_t DL_PathScope(const DL_LIST_TREE_NODE& node);
// The path from cell up to the root, nearest first.
DLIST_API DL_TREE_NODEPATH DL_PathOf(const DL_TREE_CELL* cell);

class DLIST_API DL_LISTSPEC_LIST {
 public:
  DL_LISTSPEC_LIST() = default;
  DL_LISTSPEC_LIST(const DL_LISTSPEC_LIST& o);
  DL_LISTSPEC_LIST& operator=(const DL_LISTSPEC_LIST&) = delete;
  ~DL_LISTSPEC_LIST();

  unsigned size() const { return static_cast<unsigned>(lists_.size()); }
  DL_LISTSPEC* operator[](unsigned i) const { return lists_[i]; }
  bool resize(unsigned n);
  void set(unsigned i, DL_LISTSPEC* list_def);
  void remove(unsigned i);
  // Exchanges the whole contents with o.
  void swap(DL_LISTSPEC_LIST& o) noexcept;
  // Index of the list definition named name, or -1.
  int find(const std::string& name) const;

  std::string& TemplateFileName() { return template_; }
  const std::string& TemplateFileName() const { return template_; }
  std::string& INIFileName() { return ini_; }
  const std::string& INIFileName() const { return ini_; }
  DL_PRECLIST& Precision() { return precision_; }
  const DL_PRECLIST& Precision() const { return precision_; }

  // Whether a node of the type and scope may stand as a son of the node whose path is
  // given (nearest first); an empty path is the top level and always allowed.
  static bool IsSonAllowed(const DL_TREE_NODEPATH& path, const DL_TYPEANDSCOPE& candidate);

  bool operator==(const DL_LISTSPEC_LIST& o) const;

 private:
  std::vector<DL_LISTSPEC*> lists_;
  std::string template_;
  std::string ini_;
  DL_PRECLIST precision_;
};

// Streams a whole tree: each node's type code, the node, the count of its sons, the
// sons. Reading answers the new root cell; it throws StreamError on damage, on a tree
// deeper than kMaxTreeDepth and on a count the stream cannot hold.
DLIST_API void DL_WriteTree(Stream& s, const DL_TREE_CELL* root);
DLIST_API DL_TREE_CELL* DL_ReadTree(Stream& s);

// Checks every placement with IsSonAllowed (sections: scope from section_scope) and
// every node with Valid. On a refusal answers false and sets where to the node's path
// ("/2/1": son indexes from the root, 1-based) and why to the reason.
DLIST_API bool DL_CheckTree(const DL_TREE_CELL* root, std::string& where, std::string& why,
                            uint32_t (*section_scope)(unsigned number, void* ctx) = nullptr,
                            void* ctx = nullptr);
