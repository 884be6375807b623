// The element parameters of the model: for each element class, the built-in
// quantities by which an element of that class is measured (a wall's length, area
// and volume, a door's count, ...), and the project's attributes seen as further
// parameters. One table (docs/element_parameters.md) serves the attribute editor,
// the material link, the list definitions and the model's quantities.
//
// An element class is one filter bit of an attribute definition: the bit of an
// element kind (ElementClassBit). A class mask may hold several bits; a parameter is
// offered once even when several classes of the mask have it.
#pragma once

#include <cstdint>
#include <vector>

#include "dlist/api.h"
#include "foundation/attribute_records.h"

class TEXTBUFFERCHAIN;

#pragma pack(push, 1)
// One parameter: its name first and, at its end, the abbreviation of the unit of
// the material library in which it is measured.
struct ELEMPARAMETER {
  char name[32] = {};     // at most 31 characters
  char abbrev[7] = {};    // at most 6 characters; never an attribute's abbreviation
  int16_t type = 0;       // value-type code 0..14 of ATTRIBUTE_DATA
  int8_t precision = 2;   // default number of decimals
  char unit[6] = {};      // unit abbreviation in the material library ("" for none)
};
#pragma pack(pop)

// The filter bit of an element kind: 1 -> 0x1, 2 -> 0x2, 3 -> 0x4, 4 -> 0x8, 5 -> 0x10,
// 6 -> 0x20, 7 -> 0x40, 8 -> 0x400, 9 -> 0x80000, 10 -> 0x200, 11 -> 0x80, 12 -> 0x100,
// 13 -> 0x100000, 50 -> 0x800, 51 -> 0x1000, 52 -> 0x2000; a negative kind 0x200000;
// any other kind 0.
DLIST_API uint32_t ElementClassBit(int kind);

// The number of built-in parameters offered for the classes of mask.
DLIST_API int nParameter(uint32_t class_mask);
// Fills *parameter with the index-th of them (0-based). 1 on success, 0 for an
// index out of range.
DLIST_API int GetParameter(uint32_t class_mask, int index, ELEMPARAMETER* parameter);
// Appends the names of the built-in parameters of the classes of mask to *names;
// returns how many were added.
DLIST_API int ElemAttributeNames(uint32_t class_mask, TEXTBUFFERCHAIN* names);

// One attribute of the project's library, as a parameter.
struct PROJECTATTRIBUTE {
  long id = 0;           // the attribute's library entry
  DBATTRIBUTETYPE definition;
};

// Every attribute of the active model's library, in abbreviation order. The list is
// read once and kept until InvalidateProjectAttributes (or another active model).
DLIST_API const std::vector<PROJECTATTRIBUTE>& ProjectAttributes();
// Forgets the kept list: the library changed.
DLIST_API void InvalidateProjectAttributes();
