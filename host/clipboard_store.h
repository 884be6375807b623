// The clipboard classes of the suite (`ACW_CLIPB` and its family): each class keeps
// one block of data where every process of the same user finds it, so that defaults
// copied in one drawing can be pasted in another. A class's block lives in a file of
// its own in the user's clipboard folder, written to a temporary file and renamed
// into place, in a format of ours: the class, a version, the length and checksum of
// the content, then the content (docs/formats.md, "Clipboard files"). `Load` gives
// back exactly what `Save` of the same class stored and refuses anything else (a
// missing, damaged, foreign or other-version file), leaving the block untouched.
//
// The clipboard folder is the environment variable DLIST_CLIPBOARD_DIR when it is set
// and not empty, else "dlist/clipboard" in the user's runtime folder
// ($XDG_RUNTIME_DIR), else in the user's cache folder ($XDG_CACHE_HOME, else
// ~/.cache). A folder that this code creates is open to its owner only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/edges.h"
#include "foundation/plan_records.h"
#include "foundation/references.h"
#include "host/modul.h"

namespace dlist {

// The environment variable that names the clipboard folder.
inline constexpr char kClipboardFolderVariable[] = "DLIST_CLIPBOARD_DIR";

// The classes, by the number that their files carry.
enum class ClipboardClass : uint16_t {
  kLayers = 1,       // ACW_CLIPB_LAYERS: layer settings (LayerSettingsBlock)
  kLayerNames = 2,   // ACW_CLIPB_LAYERNAMES: layer names (DBFOLIANAMES)
  kCeilEdges = 3,    // ACW_CLIPB_DEFCEILEDGE: default ceiling edges (EdgeDefaultsBlock)
  kRoofEdges = 4,    // ACW_CLIPB_DEFROOFEDGES: default roof edges
  kParcEdges = 5,    // ACW_CLIPB_DEFPARCEDGE: default parcel edges
  kRastEdges = 6,    // ACW_CLIPB_DEFRASTEDGE: default raster edges
};

struct ClipboardClassInfo {
  ClipboardClass id;
  const char* name;  // the class's name, "ACW_CLIPB_LAYERS"
  const char* file;  // its file in the clipboard folder, "layers.clip"
};

// Every class, in the order of their numbers.
DLIST_API std::span<const ClipboardClassInfo> clipboard_classes();
DLIST_API const ClipboardClassInfo& clipboard_class_info(ClipboardClass id);

// The file's header: magic, format version, class, content length, content checksum.
inline constexpr unsigned char kClipboardMagic[4] = {'D', 'L', 'C', 'B'};
inline constexpr uint16_t kClipboardVersion = 1;
inline constexpr std::size_t kClipboardHeaderSize = 16;
// Content larger than this is neither written nor read.
inline constexpr uint32_t kMaxClipboardContent = 128u << 20;
// Records of one chain of an edge block, at most.
inline constexpr uint32_t kMaxClipboardChain = 1u << 20;

#pragma pack(push, 1)
// The layer settings of a drawing that ACW_CLIPB_LAYERS keeps: the current layer and
// one byte per layer as in a row of a layer-set table (host/modul.h).
struct LayerSettingsBlock {
  static constexpr std::size_t kImageSize = 1 + kLayersPerSet;

  uint8_t current = 1;                  // the layer new elements go on, 1 to 255
  uint8_t state[kLayersPerSet] = {};    // layer 1 first; kLayerInactive: off
};
#pragma pack(pop)
static_assert(sizeof(LayerSettingsBlock) == LayerSettingsBlock::kImageSize);
static_assert(sizeof(DBFOLIANAMES) == kLayerNameCount * kLayerNameSize);

// The edge block of the edge classes: the edge presets with their material and
// attribute references.
struct DLIST_API EdgeDefaultsBlock {
  DBEDGECHAIN edges;
  DBMATREFCHAIN materials;
  DBATTREFCHAIN attributes;
};

// The folder of the clipboard files (created when missing); empty when there is
// none: no variable names one, or it cannot be made.
DLIST_API std::filesystem::path clipboard_folder();
// The file of class id in the clipboard folder; empty when there is no folder.
DLIST_API std::filesystem::path clipboard_file(ClipboardClass id);

// The whole file of class id holding content (header and content).
DLIST_API std::vector<unsigned char> encode_clipboard(ClipboardClass id,
                                                      std::span<const unsigned char> content);

// What a clipboard file held, or why it was refused.
struct ClipboardRead {
  enum class Fault { kNone, kEmpty, kDamaged };
  Fault fault = Fault::kEmpty;
  std::string message;                 // why it was refused (kEmpty: no file)
  std::vector<unsigned char> content;  // the content, when kNone

  bool ok() const { return fault == Fault::kNone; }
};

// The content of a file's bytes when they are a clipboard file of class id.
DLIST_API ClipboardRead decode_clipboard(ClipboardClass id, std::span<const unsigned char> bytes);
// Reads the file of class id.
DLIST_API ClipboardRead read_clipboard_file(ClipboardClass id);
// Writes content as the file of class id; false with a message when that fails
// (the file before stays as it was).
DLIST_API bool write_clipboard_file(ClipboardClass id, std::span<const unsigned char> content,
                                    std::string* error);

// The content of an edge block: each chain as its 32-bit count and its records through
// their streamers. Throws StreamError for a chain beyond kMaxClipboardChain.
DLIST_API std::vector<unsigned char> encode_edge_block(const EdgeDefaultsBlock& block);
// Fills block from content; false with a message (block then partly filled) when
// content is not exactly one encoding.
DLIST_API bool decode_edge_block(std::span<const unsigned char> content, EdgeDefaultsBlock* block,
                                 std::string* error);

}  // namespace dlist

// The base of the clipboard classes: the class's name and the address of the block
// that Save() stores and Load() fills; the class knows the block's type.
class DLIST_API ACW_CLIPB {
 public:
  static constexpr std::size_t kNameSize = 260;

  virtual ~ACW_CLIPB();
  ACW_CLIPB(const ACW_CLIPB&) = delete;
  ACW_CLIPB& operator=(const ACW_CLIPB&) = delete;

  // The block to save from or load into.
  void Adress(void* block) { address = block; }
  // Non-zero when the block was stored / filled; 0 without a block.
  virtual int Save() = 0;
  virtual int Load() = 0;

  char name[kNameSize] = {};
  void* address = nullptr;

 protected:
  explicit ACW_CLIPB(dlist::ClipboardClass id);
  // Stores / reads the content of this class's file.
  int save_content(std::span<const unsigned char> content);
  bool load_content(std::vector<unsigned char>* content);

  dlist::ClipboardClass id_;
};

// Layer settings: a dlist::LayerSettingsBlock.
class DLIST_API ACW_CLIPB_LAYERS : public ACW_CLIPB {
 public:
  ACW_CLIPB_LAYERS() : ACW_CLIPB(dlist::ClipboardClass::kLayers) {}
  int Save() override;
  int Load() override;
};

// Layer names: a DBFOLIANAMES.
class DLIST_API ACW_CLIPB_LAYERNAMES : public ACW_CLIPB {
 public:
  ACW_CLIPB_LAYERNAMES() : ACW_CLIPB(dlist::ClipboardClass::kLayerNames) {}
  int Save() override;
  int Load() override;
};

// The default edges of one element kind: a dlist::EdgeDefaultsBlock.
class DLIST_API ACW_CLIPB_EDGES : public ACW_CLIPB {
 public:
  int Save() override;
  int Load() override;

 protected:
  using ACW_CLIPB::ACW_CLIPB;
};

class DLIST_API ACW_CLIPB_DEFCEILEDGE : public ACW_CLIPB_EDGES {
 public:
  ACW_CLIPB_DEFCEILEDGE() : ACW_CLIPB_EDGES(dlist::ClipboardClass::kCeilEdges) {}
};

class DLIST_API ACW_CLIPB_DEFROOFEDGES : public ACW_CLIPB_EDGES {
 public:
  ACW_CLIPB_DEFROOFEDGES() : ACW_CLIPB_EDGES(dlist::ClipboardClass::kRoofEdges) {}
};

class DLIST_API ACW_CLIPB_DEFPARCEDGE : public ACW_CLIPB_EDGES {
 public:
  ACW_CLIPB_DEFPARCEDGE() : ACW_CLIPB_EDGES(dlist::ClipboardClass::kParcEdges) {}
};

class DLIST_API ACW_CLIPB_DEFRASTEDGE : public ACW_CLIPB_EDGES {
 public:
  ACW_CLIPB_DEFRASTEDGE() : ACW_CLIPB_EDGES(dlist::ClipboardClass::kRastEdges) {}
};
