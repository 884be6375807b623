// The exchange file importers: the file is walked by the block reader
// (exchange_blocks.h), which checks every block; the importer keeps the surface set
// and reference chains that go with the record before a leaf, the folder map from the
// file's folders to the project's, and the visible items of the manager's tree view.
// Per-kind work (restoring and storing records) is written once over the kind. Every
// failure is an ImportFailure or the reader's ExchangeFault with its reason, caught
// at the end of the pass.

#include "palettes/exchange_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/element_kinds.h"
#include "foundation/node_name.h"
#include "foundation/records.h"
#include "host/cursor.h"
#include "host/database_task.h"
#include "host/dialog/framework.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tree_view.h"
#include "host/model/model_database.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "host/progress.h"
#include "host/report.h"
#include "palettes/clash_dialog.h"
#include "palettes/exchange_blocks.h"
#include "palettes/exchange_format.h"
#include "palettes/exchange_internal.h"
#include "palettes/host_calls.h"
#include "palettes/name_generator.h"
#include "palettes/palette_records.h"
#include "stream/file_handle.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

constexpr int kPaletteTreeView = 10750;
constexpr int kPrototypeTreeView = 10751;
constexpr int kNameLength = 32;  // node names, the terminating zero included
constexpr int kNameMode = 0;     // "~%d" up to 999

// Images of the tree views' items.
constexpr int kFolderImage = 0;
constexpr int kPaletteImage = 1;
constexpr int kPrototypeImage = 3;

class ImportFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& what) { throw ImportFailure(what); }

// The person stopped the import in the progress window.
struct ImportStopped {};

std::string str(long long v) { return std::to_string(v); }

std::string name_of(const TreeNode& node) {
  return std::string(node.name, field_length(node.name, sizeof node.name));
}

struct PaletteTree {
  using Store = PALETTES;
  using Node = DBPALETTENODETYPE;
  static constexpr bool kPalettes = true;
  static constexpr int kUserLevel = kPaletteUserLevel;
  static constexpr int32_t kFileCode = kPaletteFileCode;
  static constexpr int kTreeView = kPaletteTreeView;
  static constexpr const char* kName = "PaletteImport";
};

struct PrototypeTree {
  using Store = PROTOTYPES;
  using Node = DBPROTOTYPENODE;
  static constexpr bool kPalettes = false;
  static constexpr int kUserLevel = kPrototypeUserLevel;
  static constexpr int32_t kFileCode = kPrototypeFileCode;
  static constexpr int kTreeView = kPrototypeTreeView;
  static constexpr const char* kName = "PrototypeImport";
};

// The data that go with the record that precedes the node of a leaf.
struct Pending {
  DBSURFREFTYPE surf;
  DBMATREFCHAIN mat;
  DBATTREFCHAIN attr;
  bool has_text = false;
  std::string text;
};

// An item of the manager's tree view: a folder or leaf node, or a palette by its
// record identifier.
struct VisibleItem {
  _TREEITEM* item;
  long id;
  bool record;  // id names a palette (palette tree) or a prototype node
};

template <class Tree>
class Importer : public ExchangeBlockHandler {
 public:
  using Node = typename Tree::Node;
  using Store = typename Tree::Store;

  Importer(void* dialog, long target, const Node& target_node, ProgressWindow* progress)
      : dialog_(dialog), filter_(target_node.kind), progress_(progress) {
    const bool user_folder = target_node.depth() >= Tree::kUserLevel;
    Store store;
    for (int k = kFirstKind; k <= kLastKind; ++k) {
      const long folder = user_folder && target_node.kind == k ? target : store.get_root(k);
      if (folder > 0) folders_[{k, 0}] = folder;
    }
  }

  // Reads file through its end block. Throws ImportFailure, ExchangeFault (or
  // StreamError) on any failure.
  void run(const char* file) {
    const std::vector<unsigned char> bytes = whole_file(file);
    ExchangeBlockReader reader(bytes, FaultPlace::kInText, file);
    reader_ = &reader;
    if (const auto fault = reader.appendix_fault()) fail(fault->what);
    collect_visible_items();
    std::string_view description;
    reader.read_description(&description);
    reader.read_blocks(*this, Tree::kPalettes ? ExchangeFileKind::kPalette
                                              : ExchangeFileKind::kPrototype);
    // the headless tree views need no redraw
  }

 private:
  static std::vector<unsigned char> whole_file(const char* file) {
    FileHandle in(file, "rb");
    std::vector<unsigned char> bytes(static_cast<std::size_t>(in.remaining()));
    constexpr std::size_t kChunk = 1u << 30;
    for (std::size_t done = 0; done < bytes.size();) {
      const std::size_t n = std::min(kChunk, bytes.size() - done);
      in.read(bytes.data() + done, static_cast<unsigned>(n));
      done += n;
    }
    return bytes;
  }

  // ---- what the block reader hands on ----------------------------------------------

  void accepted(const BlockHeader& h, uint64_t) override { DiagnosticOut(block_name(h.code)); }

  void record(const BlockHeader&, uint64_t, std::span<const unsigned char>) override {
    pending_ = Pending{};
  }

  void surface(const DBSURFHATCH& entry, uint64_t at) override { append(pending_.surf, entry, at); }
  void material(DBMATREF& ref, uint64_t at) override { append(pending_.mat, ref, at); }
  void attribute(DBATTREFTYPE& ref, uint64_t at) override { append(pending_.attr, ref, at); }

  void text(std::span<const unsigned char> bytes, uint64_t) override {
    pending_.text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    pending_.has_text = true;
  }

  bool takes(const TreeNode& node) override {
    if (filter_ == 0 || node.kind == filter_) return true;
    if (node.is_leaf()) pending_ = Pending{};
    return false;
  }

  void folder(TreeNode& tree_node, const BlockHeader& h, uint64_t at) override {
    Node& node = static_cast<Node&>(tree_node);
    folders_[{node.kind, h.b}] = create_folder(parent_of(node, h, at), node, at);
    stepped(node);
  }

  void leaf(TreeNode& tree_node, const BlockHeader& h, uint64_t at,
            std::span<const unsigned char> record, uint64_t record_at) override {
    Node& node = static_cast<Node&>(tree_node);
    const long parent = parent_of(node, h, at);
    record_ = record;
    record_at_ = record_at;
    if (!visit_kind(node.kind, [&](auto k) { store_leaf<decltype(k)::kind>(parent, node, at); })) {
      fail("BLOCK_NODE at offset " + str(at) + " is of kind " + str(node.kind));
    }
    pending_ = Pending{};
    stepped(node);
  }

  // Shows the node just imported; stops when the person asked to.
  void stepped(const Node& node) {
    if (progress_ == nullptr) return;
    progress_->step(name_of(node));
    if (progress_->cancelled()) throw ImportStopped{};
  }

  // The project's folder that stands for the node's parent.
  long parent_of(const Node& node, const BlockHeader& h, uint64_t at) {
    const auto parent_entry = folders_.find({node.kind, h.a});
    if (parent_entry == folders_.end()) {
      reader_->fail(at, "BLOCK_NODE", ": no folder of kind " + str(node.kind) +
                                          " with identifier " + str(h.a) + " precedes it");
    }
    return parent_entry->second;
  }

  template <class Chain, class T>
  static void append(Chain& chain, const T& value, uint64_t at) {
    const unsigned before = chain.size();
    chain.push(value);
    if (chain.size() == before) fail("no memory for the block at offset " + str(at));
  }

  // A folder below parent; returns the project's folder.
  long create_folder(long parent, Node& node, uint64_t at) {
    Store store;
    int existed = 0;
    long id = store.cre_folder(parent, node, &existed);
    if constexpr (Tree::kPalettes) {
      if (id > 0 && existed) {
        DiagnosticOut("exist");
        return id;
      }
    } else {
      // An imported prototype folder never merges with an existing one.
      NameGenerator names(name_of(node).c_str(), kNameLength, kNameMode);
      while (id > 0 && existed) {
        const std::string name = names.next();
        if (name.empty()) fail("no free name for the folder '" + name_of(node) + "' at offset " +
                               str(at));
        node.set_name(name.c_str());
        existed = 0;
        id = store.cre_folder(parent, node, &existed);
      }
    }
    if (id <= 0) {
      fail("cannot create the folder '" + name_of(node) + "' of BLOCK_NODE at offset " + str(at));
    }
    show(parent, " " + name_of(node), kFolderImage, id, id, false);
    return id;
  }

  // Creates the node of a leaf carrying record below parent, under the next free
  // name while its name is taken.
  long create_node(long parent, Node node, long record, uint64_t at) {
    Store store;
    long id = store.cre_node(parent, node, record);
    NameGenerator names(name_of(node).c_str(), kNameLength, kNameMode);
    while (id == 0) {
      const std::string name = names.next();
      if (name.empty()) {
        fail("no free name for '" + name_of(node) + "' of BLOCK_NODE at offset " + str(at));
      }
      node.set_name(name.c_str());
      id = store.cre_node(parent, node, record);
    }
    if (id < 0) fail("cannot create the node '" + name_of(node) + "' at offset " + str(at));
    created_ = node;
    return id;
  }

  template <int K>
  void store_leaf(long parent, Node& node, uint64_t at) {
    if constexpr (Tree::kPalettes) {
      palette<K>(parent, node, at);
    } else {
      prototype<K>(parent, node, at);
    }
  }

  template <int K>
  void palette(long parent, Node& node, uint64_t at) {
    using E = typename Kind<K>::element;
    E rec;  // the reader has checked the image's size against the kind
    from_plain_image(rec.palette, record_.data());
    int existed = 0;
    const long palid = HostCalls<K>::cre_palette(rec.palette, &pending_.surf, &existed);
    if (palid <= 0) fail("cannot store the palette of '" + name_of(node) + "' at offset " + str(at));
    if (!existed) {
      const long id = create_node(parent, node, palid, at);
      show(parent, palette_label(created_, palid), kPaletteImage, id, palid, true);
      return;
    }
    DiagnosticOut("bExist");
    DBPALETTENODETYPE existing;
    const long registered = PALETTES().get_palid_node(palid, &existing);
    if (registered < 0) fail("cannot look up the node of palette " + str(palid));
    if (registered == 0) {
      // The palette had no node: it gets the imported one, and leaves the
      // unregistered item that showed it.
      const long id = create_node(parent, node, palid, at);
      forget(palid);
      show(parent, palette_label(created_, palid), kPaletteImage, id, palid, true);
      return;
    }
    DiagnosticOut("registered");
    if (node == existing) return;
    if (!overwrite(node, existing)) return;
    if (PALETTES().mod_node(registered, node) <= 0) {
      // The store answers 0 both for a name that a sibling holds and for a failure.
      if (!name_taken_beside(registered, node)) {
        fail("cannot overwrite the node '" + name_of(existing) + "' at offset " + str(at));
      }
      // A sibling holds the name: the existing node stays as it was.
      DiagnosticOut(("node '" + name_of(existing) + "' not overwritten: the name '" +
                     name_of(node) + "' is taken")
                        .c_str());
      return;
    }
    DBPALETTENODETYPE changed;
    if (PALETTES().get_id_node(registered, &changed) == registered) {
      relabel(palid, palette_label(changed, palid));
    }
  }

  template <int K>
  void prototype(long parent, Node& node, uint64_t at) {
    using E = typename Kind<K>::element;
    E rec;
    reader_->restore(rec, record_, "BLOCK_RECORD", record_at_);
    if constexpr (std::is_same_v<E, DBTEXTTYPE>) {
      if (pending_.has_text && !rec.set_text(pending_.text.c_str())) {
        fail("no memory for the text of '" + name_of(node) + "'");
      }
    }
    const long record =
        HostCalls<K>::cre_record(&rec, &pending_.surf, &pending_.mat, &pending_.attr);
    if (record <= 0) {
      fail("cannot store the element record of '" + name_of(node) + "' at offset " + str(at));
    }
    long id = 0;
    try {
      id = create_node(parent, node, record, at);
    } catch (const ImportFailure&) {
      PROTOTYPES().del_record(record, 0);  // a record without a node would be lost to the user
      throw;
    }
    show(parent, name_of(created_), kPrototypeImage, id, id, true);
  }

  // Whether a leaf beside palette node id (not id itself) is named as node. False
  // also when the siblings cannot be read.
  static bool name_taken_beside(long id, const DBPALETTENODETYPE& node) {
    PALETTES store;
    const long parent = store.up_node(id);
    if (parent <= 0 || store.rew_node(parent) < 0) return false;
    DBPALETTENODETYPE sibling;
    for (long other; (other = store.get_node(&sibling)) > 0;) {
      if (other != id && sibling.level < 0 && name_of(sibling) == name_of(node)) return true;
    }
    return false;
  }

  // Whether the imported node overwrites the existing one, by the clash choice.
  bool overwrite(const Node& imported, const Node& existing) {
    short choice = clash_choice();
    if (choice < 0) {
      // Without the dialog nothing is overwritten unasked.
      if (!ask_clash_choice(dialog_, name_of(imported).c_str(), name_of(existing).c_str())) {
        return false;
      }
      choice = clash_choice();
    }
    return choice == kClashOverwriteAsk || choice == kClashOverwriteAll;
  }

  // ---- the visible items -----------------------------------------------------------

  void collect_visible_items() {
    tree_ = dialog_ ? GetControlHWND(dialog_, Tree::kTreeView) : nullptr;
    if (!tree_) return;
    Store store;
    std::vector<_TREEITEM*> walk;
    for (_TREEITEM* i = tree_get_next(tree_, nullptr, TreeRelation::kRoot); i;
         i = tree_get_next(tree_, i, TreeRelation::kNext)) {
      walk.push_back(i);
    }
    while (!walk.empty()) {
      _TREEITEM* item = walk.back();
      walk.pop_back();
      for (_TREEITEM* c = tree_get_next(tree_, item, TreeRelation::kChild); c;
           c = tree_get_next(tree_, c, TreeRelation::kNext)) {
        walk.push_back(c);
      }
      const long param = static_cast<long>(tree_param(tree_, item));
      if (param <= 0) continue;
      if (store.is_nodeid(param)) {
        if (store.is_folder(param)) {
          visible_.push_back({item, param, false});
        } else if constexpr (Tree::kPalettes) {
          visible_.push_back({item, PALETTES().get_id_palette(param), true});
        } else {
          visible_.push_back({item, param, true});
        }
      } else if constexpr (Tree::kPalettes) {
        visible_.push_back({item, param, true});  // a palette without a node
      }
    }
  }

  // Inserts an item below the visible item of folder parent, sorted by text.
  void show(long parent, const std::string& text, int image, long param, long id, bool record) {
    if (!tree_) return;
    for (const VisibleItem& v : visible_) {
      if (v.record || v.id != parent) continue;
      _TREEITEM* item = AddTreeViewItem(v.item, text.c_str(), kTviSort, image, tree_, param);
      if (!item) return;
      tree_sort_children(tree_, v.item);
      visible_.push_back({item, id, record});
      return;
    }
  }

  // Removes the items that show palette palid.
  void forget(long palid) {
    for (auto i = visible_.begin(); i != visible_.end();) {
      if (i->record && i->id == palid) {
        tree_delete(tree_, i->item);
        i = visible_.erase(i);
      } else {
        ++i;
      }
    }
  }

  void relabel(long palid, const std::string& text) {
    for (const VisibleItem& v : visible_) {
      if (!v.record || v.id != palid) continue;
      tree_set_text(tree_, v.item, text.c_str());
      tree_sort_children(tree_, tree_get_next(tree_, v.item, TreeRelation::kParent));
    }
  }

  static std::string palette_label(const TreeNode& node, long palid) {
    std::string text = name_of(node);
    if (GetPalReport() != 0) {
      int a = 0, b = 0, c = 0;
      PALETTES().get_references_number(palid, &a, &b, &c);
      text += " (" + str(a) + "," + str(b) + "," + str(c) + ")";
    }
    return text;
  }

  void* dialog_;
  int filter_;  // the only kind imported, 0 for all
  std::map<std::pair<int, long>, long> folders_;  // (kind, file identifier) -> project folder
  ExchangeBlockReader* reader_ = nullptr;
  Pending pending_;
  std::span<const unsigned char> record_;  // the record of the leaf being stored
  uint64_t record_at_ = 0;
  Node created_;  // the node last created, under its final name
  void* tree_ = nullptr;
  std::vector<VisibleItem> visible_;
  ProgressWindow* progress_;
};

// The folder to import into: target, its folder for a leaf, the root for 0. False
// when target is no node of the tree.
template <class Tree>
bool resolve_target(long target, long* folder, typename Tree::Node* node) {
  typename Tree::Store store;
  long id = target == 0 ? store.get_root(0) : target;
  if (id <= 0 || store.get_id_node(id, node) != id) return false;
  if (node->is_leaf()) {
    id = store.up_node(id);
    if (id <= 0 || store.get_id_node(id, node) != id) return false;
  }
  *folder = id;
  return true;
}

template <class Tree>
int import_file(void* hwnd, long target, const char* file) {
  WaitCursor wait;
  std::optional<WriteLock> lock;  // one transaction; what was created before a failure stays
  std::optional<ModelDatabase::ManyRecords> many;
  if (ModelDatabase* db = active_model(); db && db->is_open()) {
    lock.emplace(*db);
    many.emplace(*db);
  }
  ProgressWindow progress(Tree::kPalettes ? 50950u : 50951u);
  std::string reason;
  try {
    long folder = 0;
    typename Tree::Node node;
    if (!resolve_target<Tree>(target, &folder, &node)) fail("no target node " + str(target));
    if (!file) fail("no file name");
    Importer<Tree> importer(hwnd, folder, node, &progress);
    importer.run(file);
    return 1;
  } catch (const ImportStopped&) {
    // Stopped by the person: nothing of this import stays.
    if (lock) lock->abandon();
    reason = "stopped";
  } catch (const ExchangeFault& f) {
    reason = f.what;
  } catch (const std::exception& e) {
    reason = e.what();
  } catch (...) {
    reason = "unknown failure";
  }
  DiagnosticOut((std::string(Tree::kName) + ": " + reason).c_str());
  if constexpr (!Tree::kPalettes) DiagnosticOut("HIBA");
  return 0;
}

}  // namespace
}  // namespace dlist

int DLIST_CALL PaletteImport(void* hwnd, long target, char* file) {
  return dlist::import_file<dlist::PaletteTree>(hwnd, target, file);
}

int DLIST_CALL PaletteImport(void* hwnd, short index, char* file) {
  const long target = dlist::child_of_root<PALETTES, DBPALETTENODETYPE>(index);
  if (target <= 0) return 0;
  return dlist::import_file<dlist::PaletteTree>(hwnd, target, file);
}

int DLIST_CALL PrototypeImport(void* hwnd, long target, char* file) {
  return dlist::import_file<dlist::PrototypeTree>(hwnd, target, file);
}

int DLIST_CALL PrototypeImport(void* hwnd, short index, char* file) {
  const long target = dlist::child_of_root<PROTOTYPES, DBPROTOTYPENODE>(index);
  if (target <= 0) return 0;
  return dlist::import_file<dlist::PrototypeTree>(hwnd, target, file);
}
