#include "gui/text.h"

#include "foundation/code_page.h"

namespace dlist::gui {

wxString shown(const std::string& bytes) {
  return wxString::FromUTF8(text_code_page().to_utf8(bytes));
}

std::optional<std::string> stored(const wxString& text) {
  std::string error;
  return text_code_page().from_utf8(utf8(text), &error);
}

std::string utf8(const wxString& text) {
  const wxScopedCharBuffer buffer = text.utf8_str();
  return std::string(buffer.data(), buffer.length());
}

}  // namespace dlist::gui
