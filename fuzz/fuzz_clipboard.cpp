// Fuzz target: the reader of clipboard files on arbitrary bytes, for the class that
// the file names (so most inputs pass the class check). Besides running clean, a
// file that is read through must hold together: the edge block it holds is written
// back to the same content, and the whole file to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "host/clipboard_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> bytes(data, size);
  const uint16_t named = size >= 8 ? static_cast<uint16_t>(data[6] | data[7] << 8) : 3;
  const auto id = static_cast<dlist::ClipboardClass>(named >= 1 && named <= 6 ? named : 3);
  const dlist::ClipboardRead read = dlist::decode_clipboard(id, bytes);
  if (!read.ok()) {
    if (!read.content.empty()) std::abort();
    return 0;
  }
  if (dlist::encode_clipboard(id, read.content) != std::vector<unsigned char>(bytes.begin(), bytes.end()))
    std::abort();
  if (id == dlist::ClipboardClass::kLayers || id == dlist::ClipboardClass::kLayerNames) return 0;
  dlist::EdgeDefaultsBlock block;
  if (!dlist::decode_edge_block(read.content, &block, nullptr)) return 0;
  if (dlist::encode_edge_block(block) != read.content) std::abort();
  return 0;
}
