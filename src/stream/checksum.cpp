// The block checksum.
#include "stream/checksum.h"

#include <cstdint>

#include "foundation/byte_order.h"

unsigned int CheckSum::f(const void* data, unsigned int size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  uint32_t sum = 0;
  unsigned int words = size / 4;
  for (unsigned int i = 0; i < words; ++i, p += 4) sum += dlist::load_le32(p);
  unsigned int rest = size % 4;
  if (rest != 0) {
    unsigned char last[4] = {0, 0, 0, 0};
    for (unsigned int i = 0; i < rest; ++i) last[i] = p[i];
    sum += dlist::load_le32(last);
  }
  return sum;
}
