// Painting owner-drawn lists: the engine calls the draw procedure once per row and
// keeps what it drew. The drawing context is a fresh handle for each row; the draw
// calls record into that row only while its handle is the one being painted.
#include "host/dialog/owner_draw.h"

#include "host/dialog/engine_internal.h"

namespace dlist::dialog_internal {

void Engine::paint(Dialog* d) {
  if (painting) return;
  painting = true;
  for (int id : d->order) {
    if (!d->open()) break;
    Control& c = d->controls[id];
    if (c.kind != Kind::kList || c.draw == nullptr || !c.visible || !c.list->dirty) continue;
    if (!c.list->measured) {
      c.list->measured = true;
      if (c.measure != nullptr) {
        ActiveScope scope(*this, d->key);
        c.list->row_height = c.measure(to_handle(d->key), id);
      }
    }
    c.list->dirty = false;
    c.list->painted.clear();
    for (size_t i = 0; i < c.list->rows.size() && d->open(); ++i) {
      DrawnRow row;
      row.row = static_cast<int>(i);
      DrawItem item;
      item.control = id;
      item.row = static_cast<int>(i);
      item.param = c.list->rows[i].param;
      item.state = c.list->rows[i].state;
      paint_dc = new_key();
      paint_row = &row;
      item.dc = to_handle(paint_dc);
      {
        ActiveScope scope(*this, d->key);
        c.draw(to_handle(d->key), &item);
      }
      paint_dc = 0;
      paint_row = nullptr;
      c.list->painted.push_back(std::move(row));
    }
    ++c.list->paints;
  }
  painting = false;
}

}  // namespace dlist::dialog_internal

namespace dlist {

namespace {

DrawnRow* row_of(void* dc) {
  auto& e = dialog_internal::engine();
  return dc != nullptr && dialog_internal::to_key(dc) == e.paint_dc ? e.paint_row : nullptr;
}

}  // namespace

void draw_text(void* dc, int column, const char* text) {
  if (DrawnRow* row = row_of(dc))
    row->cells.push_back(DrawnCell{column, text != nullptr ? text : "", -1});
}

void draw_image(void* dc, int column, int image) {
  if (DrawnRow* row = row_of(dc)) row->cells.push_back(DrawnCell{column, std::string(), image});
}

void draw_highlight(void* dc) {
  if (DrawnRow* row = row_of(dc)) row->highlighted = true;
}

std::string DrawnRow::text(int column) const {
  std::string out;
  for (const DrawnCell& cell : cells) {
    if (cell.column != column || cell.image >= 0) continue;
    if (!out.empty()) out += ' ';
    out += cell.text;
  }
  return out;
}

}  // namespace dlist
