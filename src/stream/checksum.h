// CheckSum::f, the 32-bit additive checksum of a block: the sum, modulo 2^32, of its
// little-endian 32-bit words, the 1 to 3 bytes of a last partial word filling the low
// end of a word that is zero otherwise.
#pragma once

#include "dlist/api.h"

struct DLIST_API CheckSum {
  // The checksum of size bytes at data (0 for an empty block; data may then be null).
  static unsigned int f(const void* data, unsigned int size);
};
