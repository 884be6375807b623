#include "gui/images.h"

#include <wx/dcmemory.h>
#include <wx/image.h>

#include <cstring>

namespace dlist::gui {

namespace {

#include "gui/resources/icons.inc"

struct Icon {
  const char* name;
  const char* const* xpm;
};

const Icon kIcons[] = {DLIST_ICON_TABLE};

const Icon* find(const std::string& name) {
  for (const Icon& i : kIcons) {
    if (name == i.name) return &i;
  }
  return nullptr;
}

wxBitmap frame() {
  wxBitmap bitmap(16, 16);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  dc.SetPen(*wxGREY_PEN);
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawRectangle(2, 2, 12, 12);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

}  // namespace

bool has_icon(const std::string& name) {
  return find(name) != nullptr;
}

wxBitmap icon(const std::string& name) {
  const Icon* i = find(name);
  return i != nullptr ? wxBitmap(i->xpm) : frame();
}

std::unique_ptr<wxImageList> image_list(const std::vector<std::string>& names) {
  auto list = std::make_unique<wxImageList>(16, 16, true, static_cast<int>(names.size()));
  for (const std::string& name : names) list->Add(icon(name));
  return list;
}

}  // namespace dlist::gui
