// Reading and writing a prototype's whole element (prototype_record.h).
#include "cli/prototype_record.h"

#include "cli/node_path.h"
#include "cli/store_tree.h"
#include "foundation/element_kinds.h"
#include "host/model/prototype_store.h"
#include "palettes/prototype_records.h"

namespace dlist::cli {
namespace {

template <int K>
class RecordOf : public PrototypeRecord {
 public:
  bool read(long recid) override {
    return get_id_record(recid, reinterpret_cast<unsigned long>(&rec_), K, &surf_, &mat, &attr) > 0;
  }
  bool write(long recid) override {
    return MOD_PROTOTYPE(recid, reinterpret_cast<unsigned long>(&rec_), K, &surf_, &mat, &attr) != 0;
  }

 private:
  typename Kind<K>::element rec_{};
  DBSURFREFTYPE surf_;
};

}  // namespace

std::unique_ptr<PrototypeRecord> record_of_kind(int kind) {
  std::unique_ptr<PrototypeRecord> r;
  visit_kind(kind, [&](auto k) { r = std::make_unique<RecordOf<decltype(k)::kind>>(); });
  return r;
}

std::optional<LoadedPrototype> load_prototype(long node, int kind, std::string* error) {
  LoadedPrototype l;
  l.node = node;
  l.kind = kind;
  l.recid = PROTOTYPES().get_id_prototype(node);
  l.record = record_of_kind(kind);
  if (l.recid <= 0 || !l.record || !l.record->read(l.recid)) {
    *error = "node " + std::to_string(node) + " carries no prototype record that can be read";
    return std::nullopt;
  }
  return l;
}

std::optional<LoadedPrototype> load_prototype(const std::string& text, std::string* error) {
  const StoreTree tree(ModelTree::kPrototypes);
  const std::optional<NodeInfo> node = resolve_node(tree, text, NodeWanted::kAny, error);
  if (!node) return std::nullopt;
  if (!node->is_leaf()) {
    *error = describe_node(tree, node->id) + " is a folder, not a prototype";
    return std::nullopt;
  }
  return load_prototype(node->id, node->kind, error);
}

}  // namespace dlist::cli
