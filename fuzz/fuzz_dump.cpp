// Fuzz target: the decoder behind `dlist dump` on arbitrary bytes. Besides running
// clean, its result must hold together: a file read through has a kind and reached
// its end block, a fault lies inside the file, and every block lies before the
// appendix.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "palettes/exchange_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const dlist::ExchangeDump d = dlist::decode_exchange_file(std::span<const unsigned char>(data, size));
  const uint64_t blocks_end = d.has_appendix ? d.appendix.offset : size;
  if (d.ok() && (d.kind == dlist::ExchangeFileKind::kUnknown || !d.ended)) std::abort();
  if (!d.ok() && d.error_offset > size) std::abort();
  for (const dlist::DumpBlock& b : d.blocks) {
    if (b.offset + 16 > blocks_end) std::abort();
  }
  return 0;
}
