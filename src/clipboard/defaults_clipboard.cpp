// LayerCopyPaste and EdgeDefaultsCopyPaste over the host's clipboard classes.
#include "clipboard/defaults_clipboard.h"

#include <memory>
#include <utility>

#include "host/clipboard_store.h"

// The layer block's address travels as an unsigned long, as on the 32-bit target.
static_assert(sizeof(unsigned long) >= sizeof(void*), "an address must fit an unsigned long");

namespace {

// The clipboard class of the default edges of kind; null for a kind without edges.
std::unique_ptr<ACW_CLIPB> edge_class(int kind) {
  switch (kind) {
    case 6:
      return std::make_unique<ACW_CLIPB_DEFCEILEDGE>();
    case 7:
      return std::make_unique<ACW_CLIPB_DEFROOFEDGES>();
    case 8:
      return std::make_unique<ACW_CLIPB_DEFPARCEDGE>();
    case 10:
      return std::make_unique<ACW_CLIPB_DEFRASTEDGE>();
    default:
      return nullptr;
  }
}

}  // namespace

int LayerCopyPaste(int which, int save, unsigned long data) {
  void* block = reinterpret_cast<void*>(data);
  if (block == nullptr) return 0;
  ACW_CLIPB_LAYERS layers;
  ACW_CLIPB_LAYERNAMES names;
  ACW_CLIPB& clip = which != 0 ? static_cast<ACW_CLIPB&>(layers) : names;
  clip.Adress(block);
  return save != 0 ? clip.Save() : clip.Load();
}

int EdgeDefaultsCopyPaste(int save, DBEDGECHAIN* edges, DBMATREFCHAIN* materials,
                          DBATTREFCHAIN* attributes, int kind) {
  if (edges == nullptr || materials == nullptr || attributes == nullptr) return 0;
  std::unique_ptr<ACW_CLIPB> clip = edge_class(kind);
  if (!clip) return 0;
  dlist::EdgeDefaultsBlock block;
  clip->Adress(&block);
  if (save != 0) {
    if (!block.edges.clone(*edges) || !block.materials.clone(*materials) ||
        !block.attributes.clone(*attributes))
      return 0;
    return clip->Save() != 0 ? 1 : 0;
  }
  if (clip->Load() == 0) return 0;
  // Moves cannot fail: the caller's chains are replaced whole or not at all.
  *edges = std::move(block.edges);
  *materials = std::move(block.materials);
  *attributes = std::move(block.attributes);
  return 1;
}
