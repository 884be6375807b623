// Texts between the system and the windows: the system's texts are bytes of the
// stores' code page, the windows speak Unicode.
#pragma once

#include <wx/string.h>

#include <optional>
#include <string>

namespace dlist::gui {

// Bytes of the code page as the window shows them; never fails.
wxString shown(const std::string& bytes);
// What the person typed as bytes of the code page; nothing when it holds a
// character the code page has none for.
std::optional<std::string> stored(const wxString& text);
// UTF-8 of a window's text (paths, messages of our own).
std::string utf8(const wxString& text);

}  // namespace dlist::gui
