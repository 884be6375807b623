// The clipboard classes' files: the folder they live in, the header that names class,
// version, length and checksum of the content, the content of the edge blocks, and
// Save/Load of each class on top of them.
#include "host/clipboard_store.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "foundation/byte_order.h"
#include "foundation/fixed_text.h"
#include "host/file_replacement.h"
#include "stream/checksum.h"
#include "stream/record_fields.h"
#include "stream/streamers.h"

namespace dlist {
namespace {

namespace fs = std::filesystem;

constexpr std::array<ClipboardClassInfo, 6> kClasses{{
    {ClipboardClass::kLayers, "ACW_CLIPB_LAYERS", "layers.clip"},
    {ClipboardClass::kLayerNames, "ACW_CLIPB_LAYERNAMES", "layernames.clip"},
    {ClipboardClass::kCeilEdges, "ACW_CLIPB_DEFCEILEDGE", "ceiledges.clip"},
    {ClipboardClass::kRoofEdges, "ACW_CLIPB_DEFROOFEDGES", "roofedges.clip"},
    {ClipboardClass::kParcEdges, "ACW_CLIPB_DEFPARCEDGE", "parcedges.clip"},
    {ClipboardClass::kRastEdges, "ACW_CLIPB_DEFRASTEDGE", "rastedges.clip"},
}};

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0 ? value : nullptr;
}

// The folder that the environment names, before it is made.
fs::path chosen_folder() {
  if (const char* chosen = environment(kClipboardFolderVariable)) return fs::path(chosen);
#if defined(_WIN32)
  if (const char* local = environment("LOCALAPPDATA"))
    return fs::path(local) / "dlist" / "clipboard";
#else
  // Relative base folders are invalid and ignored, as the base directory rules say.
  if (const char* runtime = environment("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/')
    return fs::path(runtime) / "dlist" / "clipboard";
  if (const char* cache = environment("XDG_CACHE_HOME"); cache && cache[0] == '/')
    return fs::path(cache) / "dlist" / "clipboard";
  if (const char* home = environment("HOME"))
    return fs::path(home) / ".cache" / "dlist" / "clipboard";
#endif
  return {};
}

// Makes folder and the missing folders above it, each open to its owner only.
bool make_private_folder(const fs::path& folder) {
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return true;
  const fs::path parent = folder.parent_path();
  if (!parent.empty() && parent != folder && !make_private_folder(parent)) return false;
  if (!fs::create_directory(folder, ec) && !fs::is_directory(folder, ec)) return false;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return true;
}

// Streams chain's count and records in either direction; on input the chain is
// sized from the count once the count fits the bytes left.
template <class Chain>
void io_chain(Stream& s, Chain& chain, const char* what) {
  using Record = std::remove_reference_t<decltype(chain[0])>;
  uint32_t count = chain.size();
  s.io(count);
  if (s.isInput()) {
    Record empty;
    require_count(s, count, streamed_size(empty), kMaxClipboardChain, what);
    if (!chain.resize(count)) out_of_memory(what, count);
  } else {
    require_count(s, count, 0, kMaxClipboardChain, what);
  }
  for (uint32_t i = 0; i < count; ++i) Streamer<Record>(&chain[i]).io(s);
}

void io_edge_block(Stream& s, EdgeDefaultsBlock& block) {
  io_chain(s, block.edges, "edge presets");
  io_chain(s, block.materials, "material references");
  io_chain(s, block.attributes, "attribute references");
}

}  // namespace

std::span<const ClipboardClassInfo> clipboard_classes() {
  return kClasses;
}

const ClipboardClassInfo& clipboard_class_info(ClipboardClass id) {
  for (const ClipboardClassInfo& info : kClasses)
    if (info.id == id) return info;
  return kClasses[0];
}

fs::path clipboard_folder() {
  const fs::path folder = chosen_folder();
  if (folder.empty() || !make_private_folder(folder)) return {};
  return folder;
}

fs::path clipboard_file(ClipboardClass id) {
  const fs::path folder = clipboard_folder();
  return folder.empty() ? fs::path() : folder / clipboard_class_info(id).file;
}

std::vector<unsigned char> encode_clipboard(ClipboardClass id,
                                            std::span<const unsigned char> content) {
  std::vector<unsigned char> out(kClipboardMagic, kClipboardMagic + sizeof kClipboardMagic);
  put_le16(out, kClipboardVersion);
  put_le16(out, static_cast<uint16_t>(id));
  put_le32(out, static_cast<uint32_t>(content.size()));
  put_le32(out, CheckSum::f(content.data(), static_cast<unsigned>(content.size())));
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

ClipboardRead decode_clipboard(ClipboardClass id, std::span<const unsigned char> bytes) {
  ClipboardRead read;
  auto fail = [&](std::string why) {
    read.fault = ClipboardRead::Fault::kDamaged;
    read.message = std::move(why);
    return read;
  };
  if (bytes.size() < kClipboardHeaderSize)
    return fail("the clipboard file is shorter than its 16-byte header (" +
                std::to_string(bytes.size()) + " bytes)");
  if (std::memcmp(bytes.data(), kClipboardMagic, sizeof kClipboardMagic) != 0)
    return fail("the file is no clipboard file of dlist");
  const unsigned char* p = bytes.data() + sizeof kClipboardMagic;
  const unsigned char* end = bytes.data() + bytes.size();
  uint16_t version = 0;
  uint16_t klass = 0;
  uint32_t length = 0;
  uint32_t sum = 0;
  get_le16(p, end, &version);
  get_le16(p, end, &klass);
  get_le32(p, end, &length);
  get_le32(p, end, &sum);
  if (version != kClipboardVersion)
    return fail("clipboard version " + std::to_string(version) + " is not " +
                std::to_string(kClipboardVersion));
  if (klass != static_cast<uint16_t>(id))
    return fail("the clipboard holds class " + std::to_string(klass) + ", not " +
                std::to_string(static_cast<uint16_t>(id)) + " (" + clipboard_class_info(id).name +
                ")");
  if (length > kMaxClipboardContent || length != static_cast<uint64_t>(end - p))
    return fail("the content length " + std::to_string(length) + " does not match the " +
                std::to_string(end - p) + " bytes after the header");
  if (CheckSum::f(p, length) != sum) return fail("the content's checksum does not match");
  read.fault = ClipboardRead::Fault::kNone;
  read.content.assign(p, end);
  return read;
}

ClipboardRead read_clipboard_file(ClipboardClass id) {
  ClipboardRead read;
  const fs::path path = clipboard_file(id);
  if (path.empty()) {
    read.message = "no clipboard folder (set " + std::string(kClipboardFolderVariable) + ")";
    return read;
  }
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    read.message = "empty";
    return read;
  }
  read.fault = ClipboardRead::Fault::kDamaged;
  if (!fs::is_regular_file(status)) {
    read.message = path.string() + " is no regular file";
    return read;
  }
  std::FILE* f = std::fopen(path.string().c_str(), "rb");
  if (f == nullptr) {
    read.message = "cannot open " + path.string();
    return read;
  }
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  bool ok = true;
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
    if (bytes.size() + n > kClipboardHeaderSize + kMaxClipboardContent) {
      ok = false;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
    if (n < sizeof chunk) {
      ok = std::ferror(f) == 0;
      break;
    }
  }
  std::fclose(f);
  if (!ok) {
    read.message = "cannot read " + path.string() + " (or it is larger than the clipboard holds)";
    return read;
  }
  return decode_clipboard(id, bytes);
}

bool write_clipboard_file(ClipboardClass id, std::span<const unsigned char> content,
                          std::string* error) {
  auto fail = [&](std::string why) {
    if (error != nullptr) *error = std::move(why);
    return false;
  };
  if (content.size() > kMaxClipboardContent)
    return fail("the block of " + std::to_string(content.size()) +
                " bytes is larger than the clipboard holds");
  const fs::path path = clipboard_file(id);
  if (path.empty())
    return fail("no clipboard folder (set " + std::string(kClipboardFolderVariable) + ")");
  try {
    const std::vector<unsigned char> bytes = encode_clipboard(id, content);
    FileReplacement file(path.string());
    file.file().write(bytes.data(), static_cast<unsigned>(bytes.size()));
    file.commit();
    return true;
  } catch (const StreamError& e) {
    return fail(e.what());
  }
}

std::vector<unsigned char> encode_edge_block(const EdgeDefaultsBlock& block) {
  StreamOutputMemory out;
  // An output stream only reads the records it is given.
  io_edge_block(out, const_cast<EdgeDefaultsBlock&>(block));
  return out.take();
}

bool decode_edge_block(std::span<const unsigned char> content, EdgeDefaultsBlock* block,
                       std::string* error) {
  try {
    StreamInputMemory in(content);
    io_edge_block(in, *block);
    if (in.bytesLeft() != 0)
      throw StreamError("the edge block is followed by " + std::to_string(in.bytesLeft()) +
                        " unread bytes");
    return true;
  } catch (const StreamError& e) {
    if (error != nullptr) *error = e.what();
    return false;
  }
}

}  // namespace dlist

// ---- the classes ----------------------------------------------------------------

ACW_CLIPB::ACW_CLIPB(dlist::ClipboardClass id) : id_(id) {
  dlist::set_field(name, sizeof name, dlist::clipboard_class_info(id).name);
}

ACW_CLIPB::~ACW_CLIPB() = default;

int ACW_CLIPB::save_content(std::span<const unsigned char> content) {
  return dlist::write_clipboard_file(id_, content, nullptr) ? 1 : 0;
}

bool ACW_CLIPB::load_content(std::vector<unsigned char>* content) {
  dlist::ClipboardRead read = dlist::read_clipboard_file(id_);
  if (!read.ok()) return false;
  *content = std::move(read.content);
  return true;
}

int ACW_CLIPB_LAYERS::Save() {
  if (address == nullptr) return 0;
  const auto* bytes = static_cast<const unsigned char*>(address);
  return save_content({bytes, sizeof(dlist::LayerSettingsBlock)});
}

int ACW_CLIPB_LAYERS::Load() {
  std::vector<unsigned char> content;
  if (address == nullptr || !load_content(&content) ||
      content.size() != sizeof(dlist::LayerSettingsBlock))
    return 0;
  std::memcpy(address, content.data(), content.size());
  return 1;
}

int ACW_CLIPB_LAYERNAMES::Save() {
  if (address == nullptr) return 0;
  const auto* bytes = static_cast<const unsigned char*>(address);
  return save_content({bytes, sizeof(DBFOLIANAMES)});
}

int ACW_CLIPB_LAYERNAMES::Load() {
  std::vector<unsigned char> content;
  if (address == nullptr || !load_content(&content) || content.size() != sizeof(DBFOLIANAMES))
    return 0;
  std::memcpy(address, content.data(), content.size());
  return 1;
}

int ACW_CLIPB_EDGES::Save() {
  if (address == nullptr) return 0;
  try {
    const std::vector<unsigned char> content =
        dlist::encode_edge_block(*static_cast<const dlist::EdgeDefaultsBlock*>(address));
    return save_content(content);
  } catch (const dlist::StreamError&) {
    return 0;
  }
}

// The content is read into a block of its own: the caller's block changes only when
// the whole content was read.
int ACW_CLIPB_EDGES::Load() {
  std::vector<unsigned char> content;
  if (address == nullptr || !load_content(&content)) return 0;
  dlist::EdgeDefaultsBlock read;
  if (!dlist::decode_edge_block(content, &read, nullptr)) return 0;
  auto* block = static_cast<dlist::EdgeDefaultsBlock*>(address);
  block->edges = std::move(read.edges);
  block->materials = std::move(read.materials);
  block->attributes = std::move(read.attributes);
  return 1;
}
