// The palette manager's procedures on the stores, written once over the two trees.
#include "palettes/manager_procedures.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>

#include "foundation/fixed_text.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "host/platform.h"
#include "host/report.h"
#include "host/resources.h"
#include "palettes/exchange_reader.h"
#include "palettes/exchange_writer.h"
#include "palettes/palette_records.h"

namespace dlist {
namespace {

constexpr unsigned kMsgNameUsed = 11856;
constexpr unsigned kMsgDelete = 21700;
constexpr size_t kMaxDescription = 10000;

std::string load(unsigned id) {
  char text[512];
  LoadStr(nullptr, id, text, sizeof text);
  return text;
}

// The level of the first user nodes of a tree.
int user_level(ModelTree tree) {
  return tree == ModelTree::kPalettes ? 3 : 2;
}

template <class F>
auto with_store(ModelTree tree, F&& f) {
  if (tree == ModelTree::kPalettes) {
    PALETTES store;
    DBPALETTENODETYPE node;
    return f(store, node);
  }
  PROTOTYPES store;
  DBPROTOTYPENODE node;
  return f(store, node);
}

// Removes a file when it goes out of scope.
class RemovedFile {
 public:
  explicit RemovedFile(std::filesystem::path path) : path_(std::move(path)) {}
  ~RemovedFile() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove(path_, ignored);
  }
  RemovedFile(const RemovedFile&) = delete;
  RemovedFile& operator=(const RemovedFile&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace

std::string node_name(ModelTree tree, long node) {
  return with_store(tree, [&](auto& store, auto& n) -> std::string {
    if (node <= 0 || store.get_id_node(node, &n) != node) return {};
    return std::string(field_text(n.name));
  });
}

long confirm_node_name(void* owner, ModelTree tree, NameStep step, long given, long record,
                       const char* name) {
  if (name == nullptr) return 0;
  return with_store(tree, [&](auto& store, auto& node) -> long {
    if (given <= 0 || store.get_id_node(given, &node) != given) return 0;
    const bool renamed_leaf = node.is_leaf();
    long parent = given;
    if (step == NameStep::kRename || node.is_leaf()) parent = store.up_node(given);
    if (parent <= 0) return 0;
    if (step == NameStep::kRename && std::strncmp(node.name, name, sizeof node.name) == 0) {
      return given;  // the name it has already
    }
    const int flag = step == NameStep::kNewFolder ? 1
                     : step == NameStep::kRename  ? (renamed_leaf ? 1 : 0)
                                                  : 0;
    if (store.is_usedname(parent, name, flag) != 0) {
      MessageBoxA(owner, load(kMsgNameUsed).c_str(), name, kMbOk | kMbIconExclamation);
      return 0;
    }
    if (step == NameStep::kRename) {
      node.set_name(name);
      return store.mod_node(given, node) != 0 ? given : 0;
    }
    std::remove_reference_t<decltype(node)> fresh;
    fresh.set_name(name);
    const long created = store.cre_node(parent, fresh, step == NameStep::kNewFolder ? 0 : record);
    return created > 0 ? created : 0;
  });
}

int remove_node_asked(void* owner, ModelTree tree, long node) {
  return with_store(tree, [&](auto& store, auto& n) -> int {
    if (node <= 0 || store.get_id_node(node, &n) != node) {
      SpecBeep(0, units::kDpalman, tree == ModelTree::kPalettes ? 5293 : 7124);
      return 0;
    }
    if (n.depth() < user_level(tree)) return 0;
    const std::string caption(field_text(n.name));
    if (MessageBoxA(owner, load(kMsgDelete).c_str(), caption.c_str(),
                    kMbYesNo | kMbIconExclamation) == kIdNo) {
      return 0;
    }
    return store.del_node(node, 1) != 0 ? 1 : 0;
  });
}

long drop_folder(ModelTree tree, long target) {
  return with_store(tree, [&](auto& store, auto& n) -> long {
    if (target <= 0 || store.get_id_node(target, &n) != target) return 0;
    return n.is_leaf() ? store.up_node(target) : target;
  });
}

bool drop_allowed(ModelTree tree, long dragged, long target) {
  if (dragged <= 0 || target <= 0 || dragged == target) return false;
  return with_store(tree, [&](auto& store, auto& node) -> bool {
    auto target_node = node;
    if (store.get_id_node(target, &target_node) != target) return false;
    if (target_node.depth() < user_level(tree) - 1) return false;
    if (store.get_id_node(dragged, &node) != dragged) return false;  // no node to move
    if (node.depth() < user_level(tree)) return false;
    if (store.up_node(dragged) == target) return false;  // its own folder
    if (target_node.kind != node.kind) return false;
    const long folder = target_node.is_leaf() ? store.up_node(target) : target;
    if (target_node.is_leaf() && folder == store.up_node(dragged)) return false;  // beside it
    if (folder <= 0) return false;
    for (long up = folder; up > 0; up = store.up_node(up)) {
      if (up == dragged) return false;  // into its own subtree
    }
    return store.is_usedname(folder, node.name, node.is_leaf() ? 0 : 1) == 0;
  });
}

int move_dropped(ModelTree tree, long dragged, long target) {
  if (!drop_allowed(tree, dragged, target)) return 0;
  return with_store(tree, [&](auto& store, auto&) -> int {
    return store.move_node(dragged, target) != 0 ? 1 : 0;
  });
}

bool node_description(ModelTree tree, long node, std::string* text) {
  return with_store(tree, [&](auto& store, auto& n) -> bool {
    if (node <= 0 || store.get_id_node(node, &n) != node) return false;
    if (text != nullptr) *text = n.description.get();
    return true;
  });
}

int set_node_description(ModelTree tree, long node, const std::string& text) {
  if (text.size() > kMaxDescription) return 0;
  return with_store(tree, [&](auto& store, auto& n) -> int {
    if (node <= 0 || store.get_id_node(node, &n) != node) return 0;
    if (!n.description.put(text.c_str())) return 0;
    return store.mod_node(node, n) != 0 ? 1 : 0;
  });
}

long duplicate_prototype(void* owner, long node) {
  PROTOTYPES store;
  DBPROTOTYPENODE n;
  if (node <= 0 || store.get_id_node(node, &n) != node || n.depth() < 2) return 0;
  if (IsProtectedItem(n.name) != 0) return 0;
  const long parent = store.up_node(node);
  if (parent <= 0) return 0;

  std::set<long> before;
  if (store.rew_node(parent) != parent) return 0;
  DBPROTOTYPENODE child;
  for (long id; (id = store.get_node(&child)) > 0;) before.insert(id);

  RemovedFile scratch(unique_temp_path(temp_directory(), "dldup"));
  if (scratch.path().empty()) {
    DiagnosticOut("duplicate: no temporary file could be made");
    return 0;
  }
  std::string path = scratch.path().string();
  if (PrototypeExport(owner, node, path.data(), nullptr, 0) == 0) return 0;
  if (PrototypeImport(owner, parent, path.data()) == 0) return 0;

  PROTOTYPES after;
  if (after.rew_node(parent) != parent) return 0;
  for (long id; (id = after.get_node(&child)) > 0;) {
    if (before.count(id) == 0) return id;
  }
  return 0;
}

std::vector<long> unregistered_palettes(int kind) {
  std::vector<long> out;
  PALETTES store;
  if (store.rew_palette(static_cast<short>(kind)) <= 0) return out;
  for (long palette; (palette = store.get_palette(1)) > 0;) out.push_back(palette);
  return out;
}

}  // namespace dlist
