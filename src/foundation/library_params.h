// The library part of doors, windows, symbols and stairs: its name (`ORIGNAME`,
// passed by value), its numbered parameter values (`LIBPARAMS`) and the names of
// the common parameters that every part of a kind has (`DOOR_COMMON_PARAM`, ...).
// All are plain parts of the 870-byte palettes of these kinds.
#pragma once

#include <cstdint>

#include "foundation/record_image.h"

#pragma pack(push, 1)
// The name of a library part in the object library.
struct ORIGNAME {
  char name[64] = {};  // zero-terminated (a field read from a file may fill all 64)

  void set(const char* text) { dlist::set_field(name, sizeof name, text); }
};

// The parameter values of a library part: entries 0 .. count - 1 of value.
struct LIBPARAMS {
  static constexpr int kCapacity = 90;

  int16_t count = 0;             // entries in use, at most kCapacity
  double value[kCapacity] = {};  // entry i is parameter i of the part

  // The count as a usable number of entries (0 .. kCapacity).
  int used() const { return count < 0 ? 0 : (count > kCapacity ? kCapacity : count); }

  // Entry i; 0.0 for an index outside 0 .. used() - 1.
  double get(int i) const { return i >= 0 && i < used() ? value[i] : 0.0; }

  // Writes entry i, raising the count to i + 1 when it was lower. False, unchanged,
  // for an index outside 0 .. kCapacity - 1.
  bool set(int i, double v) {
    if (i < 0 || i >= kCapacity) return false;
    value[i] = v;
    if (count < i + 1) count = static_cast<int16_t>(i + 1);
    return true;
  }
};
#pragma pack(pop)

static_assert(sizeof(ORIGNAME) == 64, "ORIGNAME is 64 bytes");
static_assert(sizeof(LIBPARAMS) == 722, "LIBPARAMS is a 16-bit count and 90 doubles");

// The common parameters of each kind: slots of the palette's common block.
enum DOOR_COMMON_PARAM {
  DOOR_WIDTH,
  DOOR_HEIGHT,
  DOOR_SILL,
  DOOR_REVEAL_DEPTH,
  DOOR_FRAME_WIDTH,
  DOOR_FRAME_DEPTH,
  DOOR_LEAF_THICKNESS,
  DOOR_OPENING_ANGLE,
};

enum WIND_COMMON_PARAM {
  WIND_WIDTH,
  WIND_HEIGHT,
  WIND_SILL,
  WIND_REVEAL_DEPTH,
  WIND_FRAME_WIDTH,
  WIND_FRAME_DEPTH,
  WIND_SASH_THICKNESS,
  WIND_HEAD_HEIGHT,
};

enum STAI_COMMON_PARAM {
  STAI_WIDTH,
  STAI_HEIGHT,
  STAI_LENGTH,
  STAI_TREAD,
  STAI_RISER,
  STAI_STEP_COUNT,
  STAI_NOSING,
  STAI_SLAB_THICKNESS,
};

enum SYMB_COMMON_PARAM {
  SYMB_XSIZE,
  SYMB_YSIZE,
  SYMB_ZSIZE,
  SYMB_ELEVATION,
  SYMB_SCALE,
  SYMB_ROTATION,
};

// Slots of the common block of a library part palette (the enumerations above name
// the slots in use; the others are kept as they stand).
inline constexpr int kCommonParams = 8;
