// The location record (`DBLOCATIONTYPE`): one named place of the user's location
// tree, as the model database hands it out and the location file carries it.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "foundation/fixed_text.h"
#include "foundation/text_buffer.h"

struct DLIST_API DBLOCATIONTYPE {
  // The longest name, without its terminating zero, and the longest text that the
  // dialogs allow (with its zero, 32,000 bytes).
  static constexpr int kMaxName = 79;
  static constexpr int kMaxText = 31999;

  int32_t key = 0;     // by which elements refer to it; 0: cannot be deleted or dragged
  char name[80] = {};  // zero-terminated, unique among the children of one parent
  TEXTBUFFER text;     // free description (with its zero; empty when there is none)

  void set_name(const char* text_in) { dlist::set_field(name, sizeof name, text_in); }
};
