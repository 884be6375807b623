// The icons and bitmaps that the dialogs and the main window name, from the
// front end's own 16 x 16 images (gui/resources/, drawn by make_icons.py).
#pragma once

#include <wx/bitmap.h>
#include <wx/imaglist.h>

#include <memory>
#include <string>
#include <vector>

namespace dlist::gui {

// Whether an image of name exists.
bool has_icon(const std::string& name);
// The image of name; a plain frame for a name without one.
wxBitmap icon(const std::string& name);
// An image list of the names, in order (16 x 16).
std::unique_ptr<wxImageList> image_list(const std::vector<std::string>& names);

}  // namespace dlist::gui
