// The exchange file writer: one walk of the store's tree for both trees, the leaf
// writers of palettes and prototypes written once over the element kind, and the
// blocks they make. A block's size is that of its content, streamed into memory
// once and then written. Everything goes to a FileReplacement, which takes the place
// of the target only when the export is complete.

#include "palettes/exchange_writer.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/element_kinds.h"
#include "foundation/records.h"
#include "host/cursor.h"
#include "host/file_description.h"
#include "stream/file_handle.h"
#include "host/file_replacement.h"
#include "host/model/model_database.h"
#include "host/model/palette_store.h"
#include "host/model/prototype_store.h"
#include "host/progress.h"
#include "host/report.h"
#include "host/resource_appendix.h"
#include "palettes/exchange_format.h"
#include "palettes/exchange_internal.h"
#include "palettes/host_calls.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

// A failure of the export that does not come from the stream framework: a node
// that cannot be read, a record that does not fit the file.
class ExportFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& what) { throw ExportFailure(what); }

std::string str(long v) { return std::to_string(v); }

struct PaletteTree {
  using Store = PALETTES;
  using Node = DBPALETTENODETYPE;
  static constexpr int kUserLevel = kPaletteUserLevel;
  static constexpr int32_t kFileCode = kPaletteFileCode;
  static constexpr const char* kName = "PaletteExport";
};

struct PrototypeTree {
  using Store = PROTOTYPES;
  using Node = DBPROTOTYPENODE;
  static constexpr int kUserLevel = kPrototypeUserLevel;
  static constexpr int32_t kFileCode = kPrototypeFileCode;
  static constexpr const char* kName = "PrototypeExport";
};

// Writes block headers and contents to the file.
class BlockWriter {
 public:
  explicit BlockWriter(FileHandle& file) : file_(file) {}

  void header(const BlockHeader& h) {
    unsigned char bytes[kBlockHeaderSize];
    encode_block_header(h, bytes);
    file_.write(bytes, sizeof bytes);
  }

  void block(int32_t code, long a, long b, const void* content, std::size_t n) {
    if (n > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) {
      fail(std::string(block_name(code)) + " of " + std::to_string(n) + " bytes is too large");
    }
    header({code, static_cast<int32_t>(n), static_cast<int32_t>(a), static_cast<int32_t>(b)});
    file_.write(content, static_cast<unsigned>(n));
  }

  // A block holding one streamed object; an empty encoding is refused.
  template <class T>
  void streamed(int32_t code, long a, long b, T& object) {
    const std::vector<unsigned char> bytes = stream_out(object);
    if (bytes.empty()) fail(std::string(block_name(code)) + " would have size 0");
    block(code, a, b, bytes.data(), bytes.size());
  }

  // One BLOCK_SURFREF per entry of surf, in order.
  void surfaces(const DBSURFREFTYPE& surf) {
    for (unsigned i = 0; i < surf.size(); ++i) {
      DBSURFHATCH entry = surf[i];
      const std::vector<unsigned char> image = stream_out(entry);
      block(BLOCK_SURFREF, 0, 0, image.data(), image.size());
    }
  }

 private:
  FileHandle& file_;
};

// The walk of one tree and the writing of its nodes.
template <class Tree>
class Exporter {
 public:
  using Node = typename Tree::Node;

  Exporter(FileHandle& file, APPENDIX& appendix, ProgressWindow* progress)
      : out_(file), appendix_(appendix), progress_(progress) {}

  void begin(const Node& start) {
    out_.header({Tree::kFileCode, start.level, start.kind, 0});
  }
  void end() { out_.header({BLOCK_END, 0, 0, 0}); }

  // The BLOCK_NODE of node id below parent; nothing for a node of a system level.
  void node_block(long id, long parent, Node& node) {
    if (node.depth() < Tree::kUserLevel) return;
    out_.streamed(BLOCK_NODE, node.depth() == Tree::kUserLevel ? 0 : parent, id, node);
    if (progress_ == nullptr) return;
    progress_->step(std::string(node.name, strnlen(node.name, sizeof node.name)));
    // Stopped by the person: the file is left as it was.
    if (progress_->cancelled()) fail("stopped");
  }

  // A folder written whole: its BLOCK_NODE, then its contents.
  void folder(long id, long parent, Node& node) {
    node_block(id, parent, node);
    contents(id);
  }

  // The contents of folder f: its children in store order (a leaf whole, a subfolder
  // by its BLOCK_NODE), then the contents of the subfolders, the last one first. The
  // walk keeps its own stack, so a deep tree cannot exhaust the call stack.
  void contents(long f) {
    std::vector<long> pending{f};
    while (!pending.empty()) {
      const long folder_id = pending.back();
      pending.pop_back();
      typename Tree::Store store;
      if (store.rew_node(folder_id) != folder_id) {
        fail("cannot walk the children of node " + str(folder_id));
      }
      std::vector<Child> children;
      Node child;
      for (long id; (id = store.get_node(&child)) > 0;) {
        children.push_back({id, child, store.walked_record()});
      }
      for (auto& [id, node, record] : children) {
        if (node.is_leaf()) {
          leaf(id, folder_id, node, record);  // the walk has just read it
        } else {
          node_block(id, folder_id, node);
          pending.push_back(id);  // the last subfolder is taken first
        }
      }
    }
  }

  // One leaf with parent, whole.
  void leaf(long n, long parent) {
    Node node = read_leaf(n);
    long record = 0;
    if constexpr (std::is_same_v<Tree, PaletteTree>) {
      record = PALETTES().get_id_palette(n);
    } else {
      record = PROTOTYPES().get_id_prototype(n);
    }
    leaf(n, parent, node, record);
  }
  // One leaf with parent, whole, its node and the record it carries read already.
  void leaf(long n, long parent, Node& node, long record) {
    if constexpr (std::is_same_v<Tree, PaletteTree>) {
      write_palette(n, parent, node, record);
    } else {
      write_prototype(n, parent, node, record);
    }
  }

 private:
  struct Child {
    long id;
    Node node;
    long record;
  };

  Node read_leaf(long n) {
    typename Tree::Store store;
    if (store.is_folder(n)) fail("node " + str(n) + " is a folder, not a leaf");
    Node node;
    if (store.get_id_node(n, &node) != n) fail("cannot read node " + str(n));
    return node;
  }

  // BLOCK_PALETTE, BLOCK_SURFREF per surface entry, BLOCK_NODE.
  void write_palette(long n, long parent, Node& node, long palid) {
    DBSURFREFTYPE surf;
    visit_kind(node.kind, [&](auto k) {
      using K = decltype(k);
      typename K::element rec;
      if (HostCalls<K::kind>::get_palette(palid, &rec, &surf) == 0) {
        fail("cannot read palette " + str(palid) + " of node " + str(n));
      }
      unsigned char image[sizeof rec.palette];
      to_plain_image(rec.palette, image);
      out_.block(BLOCK_PALETTE, n, palid, image, sizeof image);
      if constexpr (K::facts.has_surfaces) appendix_.SurfacesToResourceList(&surf);
    });
    out_.surfaces(surf);
    node_block(n, parent, node);
  }

  // BLOCK_RECORD, BLOCK_TEXT for a text with text, the reference blocks, BLOCK_NODE.
  void write_prototype(long n, long parent, Node& node, long recid) {
    const short kind = node.kind;
    if (recid <= 0) fail("node " + str(n) + " carries no element record");
    DBSURFREFTYPE surf;
    DBMATREFCHAIN mat;
    DBATTREFCHAIN attr;
    const bool known = visit_kind(kind, [&](auto k) {
      using K = decltype(k);
      typename K::element rec;
      if (HostCalls<K::kind>::get_record(recid, &rec, &surf, &mat, &attr) <= 0) {
        fail("cannot read element record " + str(recid) + " of node " + str(n));
      }
      std::string text;
      if constexpr (std::is_same_v<typename K::element, DBTEXTTYPE>) {
        // The text travels in its own block after the record's image.
        if (rec.text()) text = rec.text();
        rec.zero_length();
        if (text.size() + 1 > kMaxTextBlockBytes) {
          fail("the text of node " + str(n) + " is longer than " +
               std::to_string(kMaxTextBlockBytes - 1) + " bytes");
        }
      }
      out_.streamed(BLOCK_RECORD, n, recid, rec);
      if constexpr (K::facts.has_surfaces) appendix_.SurfacesToResourceList(&surf);
      appendix_.MaterialsToResourceList(&mat);
      appendix_.AttributesToResourceList(&attr);
      if (!text.empty()) out_.block(BLOCK_TEXT, 0, 0, text.c_str(), text.size() + 1);
    });
    if (!known) fail("node " + str(n) + " is of kind " + str(kind));
    out_.surfaces(surf);
    for (unsigned i = 0; i < mat.size(); ++i) out_.streamed(BLOCK_MATREF, 0, 0, mat[i]);
    for (unsigned i = 0; i < attr.size(); ++i) out_.streamed(BLOCK_ATTREF, 0, 0, attr[i]);
    node_block(n, parent, node);
  }

  BlockWriter out_;
  APPENDIX& appendix_;
  ProgressWindow* progress_;
};

// The start node of a palette export: node, or the root for 0.
long palette_start(long node, DBPALETTENODETYPE* start) {
  PALETTES store;
  if (node != 0) return store.get_id_node(node, start) == node && node > 0 ? node : 0;
  store.rew_palettenode();
  for (long id; (id = store.get_palettenode(start)) > 0;) {
    if (start->level == 0) return id;
  }
  return 0;
}

// Writes the file of one export through write(exporter), which writes the blocks
// after BLOCK_BEGIN. 1 on success; 0, with the reason in the diagnostic output and
// the previous file untouched, on failure.
template <class Tree, class Write>
int export_file(const char* file, const char* description, int resources,
                const typename Tree::Node& start, Write&& write) {
  try {
    if (!file) fail("no file name");
    FileReplacement target(file);
    APPENDIX appendix;
    ProgressWindow progress(std::is_same_v<Tree, PaletteTree> ? 50952u : 50953u);
    Exporter<Tree> exporter(target.file(), appendix, &progress);
    WriteDescription(target.file(), description);
    exporter.begin(start);
    write(exporter);
    exporter.end();
    target.close();
    if (resources != 0 && appendix.AppendResources(target.temporary_path().c_str()) == 0) {
      fail("cannot append the resources: " + appendix.last_error());
    }
    target.commit();
    return 1;
  } catch (const std::exception& e) {
    DiagnosticOut((std::string(Tree::kName) + ": " + e.what()).c_str());
  } catch (...) {
    DiagnosticOut((std::string(Tree::kName) + ": unknown failure").c_str());
  }
  return 0;
}

int export_palettes(long node, const char* file, const char* description, int resources) {
  WaitCursor wait;
  DBPALETTENODETYPE start;
  const long id = palette_start(node, &start);
  if (id <= 0) {
    DiagnosticOut(("PaletteExport: no palette node " + str(node)).c_str());
    return 0;
  }
  return export_file<PaletteTree>(file, description, resources, start, [&](auto& exporter) {
    if (start.is_leaf()) {
      exporter.leaf(id, 0);
    } else {
      exporter.folder(id, 0, start);
    }
  });
}

// The prototype nodes of the first user level below folder, of every kind (0) or of
// kind, in the order of the whole tree's walk (each folder before its contents,
// children in store order): only the system folders above them are walked.
void pick_first_user_level(long folder, int kind,
                           std::vector<std::pair<long, DBPROTOTYPENODE>>& picked) {
  PROTOTYPES walk;
  if (walk.rew_node(folder) != folder) fail("cannot walk the children of node " + str(folder));
  std::vector<std::pair<long, DBPROTOTYPENODE>> children;
  DBPROTOTYPENODE n;
  for (long id; (id = walk.get_node(&n)) > 0;) children.emplace_back(id, n);
  for (auto& [id, child] : children) {
    if (child.depth() == kPrototypeUserLevel) {
      if (kind == 0 || child.kind == kind) picked.emplace_back(id, std::move(child));
    } else if (child.depth() < kPrototypeUserLevel && !child.is_leaf()) {
      pick_first_user_level(id, kind, picked);
    }
  }
}

int export_prototypes(long node, const char* file, const char* description, int resources) {
  WaitCursor wait;
  DBPROTOTYPENODE start;
  if (node <= 0 || PROTOTYPES().get_id_node(node, &start) != node) {
    DiagnosticOut(("PrototypeExport: no prototype node " + str(node)).c_str());
    return 0;
  }
  return export_file<PrototypeTree>(file, description, resources, start, [&](auto& exporter) {
    if (start.is_leaf()) {
      exporter.leaf(node, 0);
    } else if (start.level >= kPrototypeUserLevel) {
      exporter.folder(node, 0, start);
    } else {
      // The root or a kind folder: the nodes of the first user level, of every kind
      // or of the folder's, in the order of the whole tree's walk.
      std::vector<std::pair<long, DBPROTOTYPENODE>> picked;
      pick_first_user_level(PROTOTYPES().get_root(0), start.level == 0 ? 0 : start.kind, picked);
      for (auto& [id, picked_node] : picked) {
        if (picked_node.is_leaf()) {
          exporter.leaf(id, 0);
        } else {
          exporter.folder(id, 0, picked_node);
        }
      }
    }
  });
}

}  // namespace
}  // namespace dlist

int DLIST_CALL PaletteExport(void*, long node, char* file, char* description, int resources) {
  return dlist::export_palettes(node, file, description, resources);
}

int DLIST_CALL PaletteExport(void*, short index, char* file, char* description, int resources) {
  const long node = dlist::child_of_root<PALETTES, DBPALETTENODETYPE>(index);
  // A node of 0 would mean the whole tree: with fewer children there is nothing.
  if (node == 0) return 0;
  return dlist::export_palettes(node, file, description, resources);
}

int DLIST_CALL PrototypeExport(void*, long node, char* file, char* description, int resources) {
  return dlist::export_prototypes(node, file, description, resources);
}

int DLIST_CALL PrototypeExport(void*, short index, char* file, char* description,
                               int resources) {
  const long node = dlist::child_of_root<PROTOTYPES, DBPROTOTYPENODE>(index);
  if (node == 0) return 0;
  return dlist::export_prototypes(node, file, description, resources);
}
