// The text library of the project: named texts kept in the model database, which
// the user picks from to fill a text (CallTextSelect, host/text_select.h). The
// table `texts` is made where a project lacks it, on the first call that writes;
// a project without it simply holds no texts. Table: docs/model_database.md,
// "Text library".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dlist/api.h"

namespace dlist {

// Names are 1 to 31 bytes; texts at most 65535 bytes; neither holds a zero byte.
inline constexpr std::size_t kMaxTextName = 31;
inline constexpr std::size_t kMaxLibraryText = 65535;

struct NamedText {
  long id = 0;
  std::string name;
  std::string text;
};

// Adds a text named name to the active model's library: its identifier, 0 when
// there is no active model, the name is taken, either does not fit, or the write
// fails.
DLIST_API long add_library_text(std::string_view name, std::string_view text);
// Every text of the library in name order; empty without an active model.
DLIST_API std::vector<NamedText> list_library_texts();
// The text id into *text (may be null): true when there is one.
DLIST_API bool read_library_text(long id, NamedText* text);

}  // namespace dlist
