// The default record of an element kind stored through the system's own calls: as
// a palette (Cre<Kind>Palette, which tells the user when an equal palette is stored
// already) or as a prototype's element record (CrePrototype).
#pragma once

namespace dlist::cli {

struct StoredRecord {
  long id = 0;           // the stored record; 0 when nothing was stored
  bool existed = false;  // an equal palette was stored already: id names it
};

// Stores the palette of a default element of kind (1 to 13) with an empty surface
// set. A kind outside 1 to 13 stores nothing.
StoredRecord store_default_palette(int kind);

// Stores a default element of kind (1 to 13), with empty surface set (kinds 1 to
// 8) and chains, as a new element record.
StoredRecord store_default_prototype(int kind);

}  // namespace dlist::cli
