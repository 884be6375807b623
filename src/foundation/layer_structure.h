// The layer structure of composite walls, ceilings and roofs (`RETEGEZESTYPE`): up
// to 8 layers, each with a thickness and two one-byte attributes, and the 7
// boundaries between neighbouring layers, each with three one-byte attributes. It
// is a plain 103-byte part of the palettes that hold it.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct RETEGEZESLAYER {
  double thickness = 0.0;  // thickness of the layer
  uint8_t fill = 0;        // fill pattern index of the layer's section
  uint8_t fill_pen = 0;    // pen of that fill
};

struct RETEGEZESBOUNDARY {
  uint8_t pen = 0;        // pen of the boundary line
  uint8_t line_type = 0;  // line type of the boundary line
  uint8_t flags = 0;      // drawing flags of the host
};

struct RETEGEZESTYPE {
  static constexpr int kMaxLayers = 8;

  int16_t count = 0;                   // layers in use, at most 8
  RETEGEZESLAYER layer[8] = {};        // layer 0 first
  RETEGEZESBOUNDARY boundary[7] = {};  // boundary i lies between layers i and i + 1

  // The count as a usable number of layers: below 0 counts as 0, above 8 as 8.
  int used() const { return count < 0 ? 0 : (count > kMaxLayers ? kMaxLayers : count); }

  // The index of layer i counted from the other face: used() - 1 - i for
  // 0 <= i < used(), else 0.
  int normal_index(int i) const { return i >= 0 && i < used() ? used() - 1 - i : 0; }

  // Zeroes the thickness and both attributes of every layer whose index is the count
  // or above, and the three attributes of every boundary whose index is count - 1 or
  // above.
  void clear_notuseds() {
    for (int i = 0; i < kMaxLayers; ++i)
      if (i >= count) layer[i] = RETEGEZESLAYER{0.0, 0, 0};
    for (int i = 0; i < kMaxLayers - 1; ++i)
      if (i >= count - 1) boundary[i] = RETEGEZESBOUNDARY{0, 0, 0};
  }

  // The sum of the thicknesses of the layers in use.
  double thickness() const {
    double sum = 0.0;
    for (int i = 0; i < used(); ++i) sum += layer[i].thickness;
    return sum;
  }
};
#pragma pack(pop)

static_assert(sizeof(RETEGEZESTYPE) == 103, "RETEGEZESTYPE is 2 + 8 x 10 + 7 x 3 bytes");
