#include "gui/dialog_window.h"

#include <dlfcn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/cursor.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/treectrl.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <system_error>

#include "gui/images.h"
#include "gui/text.h"

namespace dlist::gui {

namespace {

using K = UserAction::Kind;

constexpr int kTimerMilliseconds = 250;  // the engine keeps no interval: one for all
const wxColour kMarked(255, 205, 205);

std::string join(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += p + '\x1f';
  return s;
}

std::string tree_signature(const ControlView& v) {
  std::string s = join(v.images);
  for (const TreeItemView& i : v.items) {
    s += std::to_string(reinterpret_cast<uintptr_t>(i.handle)) + ':' + std::to_string(i.level) +
         ':' + i.text + ':' + std::to_string(i.image) + ':' + std::to_string(i.selected_image) +
         ':' + (i.expanded ? 'e' : '-') + (i.has_children ? 'c' : '-') + (i.bold ? 'b' : '-') +
         (i.cut ? 'x' : '-') + '\x1e';
  }
  return s;
}

// The texts and images a list row shows: what the draw procedure drew for an
// owner-drawn list, else the row's own.
struct RowShown {
  std::vector<std::string> texts;
  int image = -1;
};

RowShown row_shown(const ControlView& v, size_t row) {
  RowShown r;
  if (v.owner_drawn) {
    for (const DrawnRow& drawn : v.painted) {
      if (drawn.row != static_cast<int>(row)) continue;
      for (const DrawnCell& cell : drawn.cells) {
        if (cell.column < 0 || cell.column > 64) continue;
        if (cell.image >= 0 && r.image < 0) {
          r.image = cell.image;
          continue;
        }
        const auto column = static_cast<size_t>(cell.column);
        if (r.texts.size() <= column) r.texts.resize(column + 1);
        if (!r.texts[column].empty()) r.texts[column] += ' ';
        r.texts[column] += cell.text;
      }
      return r;
    }
  }
  r.texts = v.rows[row].texts;
  r.image = v.rows[row].image;
  return r;
}

std::string list_signature(const ControlView& v) {
  std::string s = join(v.column_titles) + join(v.images);
  for (int w : v.column_widths) s += std::to_string(w) + ',';
  for (size_t i = 0; i < v.rows.size(); ++i) {
    const RowShown r = row_shown(v, i);
    s += join(r.texts) + std::to_string(r.image) + '\x1e';
  }
  return s;
}

}  // namespace

DialogWindow::DialogWindow(wxWindow* parent, const DialogView& view)
    : wxDialog(parent, wxID_ANY, shown(view.title), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU),
      dialog_(view.dialog),
      context_(view.context) {
  SetName(wxString::Format("dialog%d", view.context));
  Bind(wxEVT_CLOSE_WINDOW, &DialogWindow::on_close, this);
  Bind(wxEVT_CHAR_HOOK, &DialogWindow::on_key, this);
  build(view);
}

DialogWindow::~DialogWindow() {
  for (auto& [id, timer] : timers_) timer->Stop();
  disabler_.reset();
}

// ---- building -------------------------------------------------------------------------

void DialogWindow::build(const DialogView& view) {
  syncing_ = true;
  if (!view.menu.empty()) {
    menu_height_ = ConvertDialogToPixels(wxSize(0, 14)).y;
  }
  for (const ControlView& v : view.controls) {
    auto s = std::make_unique<Shown>();
    s->view = v;
    s->window = make_control(*s);
    index_[v.id] = controls_.size();
    controls_.push_back(std::move(s));
  }
  // Labels and frames first, fields over them: the later sibling is on top.
  for (auto& s : controls_) place(*s);
  const wxSize size = ConvertDialogToPixels(wxSize(view.width, view.height));
  SetClientSize(size.x, size.y + menu_height_);
  syncing_ = false;
  sync(view);
  CentreOnParent();
}

wxWindow* DialogWindow::make_control(Shown& s) {
  const ControlView& v = s.view;
  const int id = v.id;
  wxWindow* w = nullptr;
  switch (v.kind) {
    case ControlKind::kStatic: {
      w = new wxStaticText(this, wxID_ANY, shown(v.text), wxDefaultPosition, wxDefaultSize,
                           wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
      break;
    }
    case ControlKind::kEdit:
    case ControlKind::kInteger:
    case ControlKind::kDouble: {
      long style = 0;
      if ((v.style & kEsMultiline) != 0 && v.kind == ControlKind::kEdit) {
        style |= wxTE_MULTILINE;
      } else {
        style |= wxTE_PROCESS_ENTER;
      }
      if (v.read_only) style |= wxTE_READONLY;
      if (v.kind != ControlKind::kEdit) style |= wxTE_RIGHT;
      auto* text =
          new wxTextCtrl(this, wxID_ANY, shown(v.text), wxDefaultPosition, wxDefaultSize, style);
      text->Bind(wxEVT_TEXT, [this, id](wxCommandEvent&) { on_text(id); });
      if ((style & wxTE_PROCESS_ENTER) != 0) {
        text->Bind(wxEVT_TEXT_ENTER, [this, id](wxCommandEvent&) { on_enter(id); });
      }
      w = text;
      break;
    }
    case ControlKind::kCheckBox: {
      if (v.radio) {
        // Radio buttons made one after the other form a group, as on the dialog
        // templates: checking one unchecks the others.
        const bool follows = !controls_.empty() && controls_.back()->view.radio;
        auto* radio = new wxRadioButton(this, wxID_ANY, shown(v.text), wxDefaultPosition,
                                        wxDefaultSize, follows ? 0 : wxRB_GROUP);
        radio->Bind(wxEVT_RADIOBUTTON, [this, id](wxCommandEvent&) { on_check(id); });
        w = radio;
      } else {
        auto* box = new wxCheckBox(this, wxID_ANY, shown(v.text));
        box->Bind(wxEVT_CHECKBOX, [this, id](wxCommandEvent&) { on_check(id); });
        w = box;
      }
      break;
    }
    case ControlKind::kCombo: {
      if ((v.style & 0x3) == kCbsDropDownList) {
        auto* choice = new wxChoice(this, wxID_ANY);
        choice->Bind(wxEVT_CHOICE,
                     [this, id](wxCommandEvent& e) { on_choice(id, e.GetSelection()); });
        w = choice;
      } else {
        auto* combo = new wxComboBox(this, wxID_ANY, shown(v.text));
        combo->Bind(wxEVT_COMBOBOX,
                    [this, id](wxCommandEvent& e) { on_choice(id, e.GetSelection()); });
        combo->Bind(wxEVT_TEXT, [this, id](wxCommandEvent&) { on_text(id); });
        combo->Bind(wxEVT_TEXT_ENTER, [this, id](wxCommandEvent&) { on_enter(id); });
        w = combo;
      }
      break;
    }
    case ControlKind::kTree: {
      long style = wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE;
      if (v.edit_labels) style |= wxTR_EDIT_LABELS;
      auto* tree =
          new wxTreeCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, style | wxBORDER_SUNKEN);
      for (const auto type :
           {wxEVT_TREE_SEL_CHANGED, wxEVT_TREE_ITEM_EXPANDING, wxEVT_TREE_ITEM_COLLAPSING,
            wxEVT_TREE_ITEM_ACTIVATED, wxEVT_TREE_ITEM_RIGHT_CLICK, wxEVT_TREE_BEGIN_LABEL_EDIT,
            wxEVT_TREE_END_LABEL_EDIT, wxEVT_TREE_BEGIN_DRAG, wxEVT_TREE_END_DRAG}) {
        tree->Bind(type, [this, id](wxTreeEvent& e) { on_tree(e, id); });
      }
      w = tree;
      break;
    }
    case ControlKind::kList: {
      auto* list = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SUNKEN);
      for (const auto type : {wxEVT_LIST_ITEM_SELECTED, wxEVT_LIST_ITEM_ACTIVATED,
                              wxEVT_LIST_ITEM_RIGHT_CLICK, wxEVT_LIST_COL_CLICK}) {
        list->Bind(type, [this, id](wxListEvent& e) { on_list(e, id); });
      }
      w = list;
      break;
    }
    case ControlKind::kTab: {
      // A strip of tabs over the frame that the dialog's own controls fill.
      auto* strip = new wxPanel(this, wxID_ANY);
      w = strip;
      break;
    }
    case ControlKind::kButton: {
      // A button with a bitmap shows the bitmap alone; its text becomes its tool tip.
      auto* button = new wxButton(this, wxID_ANY, v.bitmap.empty() ? shown(v.text) : wxString());
      if (v.id == kIdAccept) button->SetDefault();
      if (!v.bitmap.empty()) button->SetBitmap(icon(v.bitmap));
      button->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { on_button(id); });
      w = button;
      break;
    }
    case ControlKind::kSplitter: {
      // A bar to drag: where the button is let go becomes the splitter's new edge.
      const bool upright = v.cy >= v.cx;
      auto* bar = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
      bar->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_3DSHADOW));
      bar->SetCursor(wxCursor(upright ? wxCURSOR_SIZEWE : wxCURSOR_SIZENS));
      bar->Bind(wxEVT_LEFT_DOWN, [bar](wxMouseEvent&) { bar->CaptureMouse(); });
      bar->Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) {});
      bar->Bind(wxEVT_LEFT_UP, [this, bar, id, upright](wxMouseEvent& e) {
        if (!bar->HasCapture()) return;
        bar->ReleaseMouse();
        const wxPoint at = bar->GetPosition() + e.GetPosition() - wxPoint(0, menu_height_);
        const wxPoint units = ConvertPixelsToDialog(at);
        move_splitter(id, upright ? units.x : units.y);
      });
      w = bar;
      break;
    }
    case ControlKind::kWindow:
      w = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_SIMPLE);
      break;
  }
  w->SetName(wxString::Format("control%d", id));
  return w;
}

void DialogWindow::place(Shown& s) {
  const ControlView& v = s.view;
  const wxPoint at = ConvertDialogToPixels(wxPoint(v.x, v.y));
  wxSize size = ConvertDialogToPixels(wxSize(v.cx, v.cy));
  if (v.kind == ControlKind::kCombo) {
    // The model's height includes the drop-down part.
    const int line = ConvertDialogToPixels(wxSize(0, 14)).y;
    size.y = std::min(size.y, std::max(line, s.window->GetBestSize().y));
  }
  int y = at.y;
  if (v.kind == ControlKind::kStatic) {
    // A one-line label stands level with the field beside it.
    const int best = s.window->GetBestSize().y;
    if (best < size.y && best * 2 > size.y) {
      y += (size.y - best) / 2;
      size.y = best;
    }
  }
  s.window->SetSize(at.x, y + menu_height_, size.x, size.y);
}

// ---- keeping in step ------------------------------------------------------------------

void DialogWindow::sync(const DialogView& view) {
  syncing_ = true;
  if (GetTitle() != shown(view.title)) SetTitle(shown(view.title));
  for (const ControlView& v : view.controls) {
    Shown* s = find_shown(v.id);
    if (s == nullptr) continue;  // controls are never added to a running dialog
    sync_control(*s, v);
  }
  if (Shown* s = find_shown(view.focus)) {
    if (s->window->IsShownOnScreen() && s->window->IsEnabled() && FindFocus() != s->window &&
        s->view.kind != ControlKind::kTab) {
      s->window->SetFocus();
    }
  }
  sync_menu(view.menu);
  sync_timers(view.timers);
  syncing_ = false;
}

void DialogWindow::sync_control(Shown& s, const ControlView& v) {
  wxWindow* w = s.window;
  if (w->IsShown() != v.visible) w->Show(v.visible);
  if (w->IsEnabled() != v.enabled) w->Enable(v.enabled);
  const wxString text = shown(v.text);
  switch (v.kind) {
    case ControlKind::kStatic:
      if (w->GetLabel() != text) w->SetLabel(text);
      break;
    case ControlKind::kEdit:
    case ControlKind::kInteger:
    case ControlKind::kDouble: {
      auto* t = static_cast<wxTextCtrl*>(w);
      if (t->GetValue() != text) t->ChangeValue(text);
      // The limit of what can be typed: the bound buffer's room or the length range.
      unsigned long limit = 0;
      if (v.kind == ControlKind::kEdit) {
        if (v.text_size > 0) limit = v.text_size - 1;
        if (v.has_range_n && v.max_n > 0 &&
            (limit == 0 || static_cast<unsigned long>(v.max_n) < limit)) {
          limit = static_cast<unsigned long>(v.max_n);
        }
      }
      if (limit > 0 && text.length() <= limit && (t->GetWindowStyle() & wxTE_MULTILINE) == 0) {
        t->SetMaxLength(limit);
      }
      if (v.text_selected && v.marked) t->SelectAll();
      break;
    }
    case ControlKind::kCheckBox:
      if (v.radio) {
        auto* r = static_cast<wxRadioButton*>(w);
        if (r->GetLabel() != text) r->SetLabel(text);
        if (v.check != 0 && !r->GetValue()) r->SetValue(true);  // unchecks the group's others
      } else {
        auto* c = static_cast<wxCheckBox*>(w);
        if (c->GetLabel() != text) c->SetLabel(text);
        if (c->GetValue() != (v.check != 0)) c->SetValue(v.check != 0);
      }
      break;
    case ControlKind::kCombo:
      fill_choices(s, v);
      break;
    case ControlKind::kTree:
      fill_tree(s, v);
      break;
    case ControlKind::kList:
      fill_list(s, v);
      break;
    case ControlKind::kTab: {
      const std::string signature = join(v.choices);
      if (signature != s.signature) {
        for (wxWindow* tab : s.tabs) tab->Destroy();
        s.tabs.clear();
        int x = 0;
        const int height = w->GetSize().y;
        const int strip = std::min(height, ConvertDialogToPixels(wxSize(0, 14)).y);
        for (size_t i = 0; i < v.choices.size(); ++i) {
          auto* tab = new wxToggleButton(w, wxID_ANY, shown(v.choices[i]));
          const int width = tab->GetBestSize().x + 8;
          tab->SetSize(x, 0, width, strip);
          x += width;
          const int index = static_cast<int>(i);
          const int id = v.id;
          tab->Bind(wxEVT_TOGGLEBUTTON, [this, id, index](wxCommandEvent&) {
            if (!syncing_) choose_tab(id, index);
          });
          s.tabs.push_back(tab);
        }
        // The frame below the strip, in which the dialog's fields stand.
        auto* frame = new wxPanel(w, wxID_ANY, wxPoint(0, strip),
                                  wxSize(w->GetSize().x, height - strip), wxBORDER_SIMPLE);
        s.tabs.push_back(frame);
        w->Lower();
        s.signature = signature;
      }
      for (size_t i = 0; i < v.choices.size() && i < s.tabs.size(); ++i) {
        auto* tab = static_cast<wxToggleButton*>(s.tabs[i]);
        const bool current = static_cast<int>(i) == v.current;
        if (tab->GetValue() != current) tab->SetValue(current);
      }
      break;
    }
    case ControlKind::kButton:
      if (v.bitmap.empty() && w->GetLabel() != text) w->SetLabel(text);
      if (v.bitmap != s.view.bitmap) {
        static_cast<wxButton*>(w)->SetBitmap(v.bitmap.empty() ? wxNullBitmap : icon(v.bitmap));
      }
      break;
    default:
      break;
  }
  // The error mark of the input checks.
  if (v.marked != s.view.marked || v.marked) {
    if (v.marked) {
      w->SetBackgroundColour(kMarked);
    } else {
      w->SetBackgroundColour(wxNullColour);
    }
    w->Refresh();
  }
  const wxString tip =
      shown(v.tooltip.empty() && v.kind == ControlKind::kButton && !v.bitmap.empty() ? v.text : v.tooltip);
  if (w->GetToolTipText() != tip) {
    if (tip.empty()) {
      w->UnsetToolTip();
    } else {
      w->SetToolTip(tip);
    }
  }
  // A control the dialog moved or resized (the panes beside a dragged splitter).
  const bool moved = v.x != s.view.x || v.y != s.view.y || v.cx != s.view.cx || v.cy != s.view.cy;
  s.view = v;
  if (moved) place(s);
}

void DialogWindow::fill_choices(Shown& s, const ControlView& v) {
  const std::string signature = join(v.choices);
  wxItemContainer* items = dynamic_cast<wxItemContainer*>(s.window);
  if (items == nullptr) return;
  if (signature != s.signature) {
    items->Clear();
    for (const std::string& c : v.choices) items->Append(shown(c));
    s.signature = signature;
  }
  if (auto* choice = dynamic_cast<wxChoice*>(s.window)) {
    if (choice->GetSelection() != v.current) choice->SetSelection(v.current);
  } else if (auto* combo = dynamic_cast<wxComboBox*>(s.window)) {
    if (combo->GetValue() != shown(v.text)) combo->ChangeValue(shown(v.text));
  }
}

void DialogWindow::fill_tree(Shown& s, const ControlView& v) {
  auto* tree = static_cast<wxTreeCtrl*>(s.window);
  const std::string signature = tree_signature(v);
  if (signature != s.signature) {
    tree->DeleteAllItems();
    s.tree_params.clear();
    if (!v.images.empty()) {
      s.images = image_list(v.images);
      tree->SetImageList(s.images.get());
    } else {
      tree->SetImageList(nullptr);
      s.images.reset();
    }
    const wxTreeItemId root = tree->AddRoot("");
    std::vector<wxTreeItemId> parents{root};
    std::vector<std::pair<wxTreeItemId, bool>> made;
    const int images = static_cast<int>(v.images.size());
    for (const TreeItemView& i : v.items) {
      const size_t level = static_cast<size_t>(i.level);
      if (level + 1 > parents.size()) continue;  // never: items come in tree order
      parents.resize(level + 1);
      const int image = i.image >= 0 && i.image < images ? i.image : -1;
      const int selected =
          i.selected_image >= 0 && i.selected_image < images ? i.selected_image : image;
      const wxTreeItemId item = tree->AppendItem(parents.back(), shown(i.text), image, selected);
      s.tree_params[item.GetID()] = reinterpret_cast<intptr_t>(i.handle);
      if (i.has_children) tree->SetItemHasChildren(item, true);
      if (i.bold) tree->SetItemBold(item, true);
      if (i.cut) tree->SetItemTextColour(item, *wxLIGHT_GREY);
      parents.push_back(item);
      made.emplace_back(item, i.expanded);
    }
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
      if (it->second && tree->ItemHasChildren(it->first)) tree->Expand(it->first);
    }
    s.signature = signature;
  }
  // The selection.
  wxTreeItemId caret;
  for (const auto& [id, handle] : s.tree_params) {
    for (const TreeItemView& i : v.items) {
      if (i.selected && reinterpret_cast<intptr_t>(i.handle) == handle) {
        caret = wxTreeItemId(id);
      }
    }
  }
  if (caret.IsOk()) {
    if (tree->GetSelection() != caret) {
      tree->SelectItem(caret);
      tree->EnsureVisible(caret);
    }
  } else if (tree->GetSelection().IsOk()) {
    tree->UnselectAll();
  }
}

void DialogWindow::fill_list(Shown& s, const ControlView& v) {
  auto* list = static_cast<wxListCtrl*>(s.window);
  const std::string signature = list_signature(v);
  if (signature != s.signature) {
    list->ClearAll();
    if (!v.images.empty()) {
      s.images = image_list(v.images);
      list->SetImageList(s.images.get(), wxIMAGE_LIST_SMALL);
    }
    const size_t columns = std::max<size_t>(1, v.column_titles.size());
    for (size_t c = 0; c < columns; ++c) {
      const std::string title = c < v.column_titles.size() ? v.column_titles[c] : "";
      const int width = c < v.column_widths.size() ? v.column_widths[c] : 100;
      list->AppendColumn(shown(title), wxLIST_FORMAT_LEFT,
                         ConvertDialogToPixels(wxSize(std::max(width, 8), 0)).x);
    }
    for (size_t r = 0; r < v.rows.size(); ++r) {
      const RowShown row = row_shown(v, r);
      const long index = list->InsertItem(
          static_cast<long>(r), row.texts.empty() ? wxString() : shown(row.texts[0]), row.image);
      for (size_t c = 1; c < row.texts.size() && c < columns; ++c) {
        list->SetItem(index, static_cast<int>(c), shown(row.texts[c]));
      }
    }
    s.signature = signature;
  }
  for (size_t r = 0; r < v.rows.size() && static_cast<int>(r) < list->GetItemCount(); ++r) {
    const long row = static_cast<long>(r);
    const bool selected = (v.rows[r].state & kLvisSelected) != 0;
    const bool now = list->GetItemState(row, wxLIST_STATE_SELECTED) != 0;
    if (selected != now) {
      list->SetItemState(row, selected ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
      if (selected) list->EnsureVisible(row);
    }
  }
}

void DialogWindow::sync_menu(const std::vector<MenuEntryView>& menu) {
  if (menu.empty() && menu_bar_ == nullptr) return;
  // The bar is a row of buttons, each opening its menu; rebuilt when it changes.
  std::string now, before;
  for (const MenuEntryView& e : menu) now += e.text + '\x1f';
  for (const MenuEntryView& e : menu_) before += e.text + '\x1f';
  menu_ = menu;
  if (menu_bar_ != nullptr && now == before) return;
  if (menu_bar_ != nullptr) menu_bar_->Destroy();
  menu_bar_ = new wxPanel(this, wxID_ANY, wxPoint(0, 0), wxSize(GetClientSize().x, menu_height_));
  int x = 0;
  for (size_t i = 0; i < menu.size(); ++i) {
    auto* b = new wxButton(menu_bar_, wxID_ANY, shown(menu[i].text), wxPoint(x, 0), wxDefaultSize,
                           wxBU_EXACTFIT | wxBORDER_NONE);
    // Room on either side of a title, as a menu bar keeps its titles apart.
    b->SetSize(b->GetBestSize().x + FromDIP(16), menu_height_);
    x += b->GetSize().x;
    b->Bind(wxEVT_BUTTON, [this, i, b](wxCommandEvent&) {
      if (i >= menu_.size()) return;
      std::vector<int> ids;
      std::function<void(wxMenu&, const std::vector<MenuEntryView>&)> add =
          [&](wxMenu& m, const std::vector<MenuEntryView>& entries) {
            for (const MenuEntryView& e : entries) {
              if (e.separator) {
                m.AppendSeparator();
              } else if (!e.submenu.empty()) {
                auto* sub = new wxMenu;
                add(*sub, e.submenu);
                m.AppendSubMenu(sub, shown(e.text));
              } else {
                const int wx_id = kMenuBase + static_cast<int>(ids.size());
                ids.push_back(e.id);
                wxMenuItem* item = e.checked ? m.AppendCheckItem(wx_id, shown(e.text))
                                             : m.Append(wx_id, shown(e.text));
                if (e.checked) item->Check(true);
                item->Enable(e.enabled);
              }
            }
          };
      wxMenu popup;
      const MenuEntryView& top = menu_[i];
      if (top.submenu.empty()) {
        UserAction a;
        a.kind = K::kChooseMenu;
        a.value = top.id;
        act(a);
        return;
      }
      add(popup, top.submenu);
      const int chosen = b->GetPopupMenuSelectionFromUser(popup, wxPoint(0, b->GetSize().y));
      if (chosen >= kMenuBase && chosen - kMenuBase < static_cast<int>(ids.size())) {
        UserAction a;
        a.kind = K::kChooseMenu;
        a.value = ids[static_cast<size_t>(chosen - kMenuBase)];
        act(a);
      }
    });
  }
}

void DialogWindow::sync_timers(const std::vector<int>& timers) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (std::find(timers.begin(), timers.end(), it->first) == timers.end()) {
      it->second->Stop();
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
  for (int id : timers) {
    if (timers_.count(id) != 0) continue;
    auto timer = std::make_unique<wxTimer>();
    timer->Bind(wxEVT_TIMER, [this, id](wxTimerEvent&) {
      // One tick at a time: ticks do not pile up while the person acts.
      for (const UserAction& a : actions_) {
        if (a.kind == K::kTick && a.value == id) return;
      }
      UserAction a;
      a.kind = K::kTick;
      a.value = id;
      act(a);
    });
    timer->Start(kTimerMilliseconds);
    timers_[id] = std::move(timer);
  }
}

// ---- waiting for the person -----------------------------------------------------------

std::optional<UserAction> DialogWindow::take_action() {
  if (actions_.empty()) return std::nullopt;
  UserAction a = std::move(actions_.front());
  actions_.pop_front();
  return a;
}

void DialogWindow::wait() {
  if (!actions_.empty()) return;
  wxGUIEventLoop loop;
  loop_ = &loop;
  // The window may be closed and deleted while the loop runs (a modeless panel that
  // its host closes): then nothing of it is touched afterwards.
  wxWeakRef<DialogWindow> alive(this);
  loop.Run();
  if (alive) loop_ = nullptr;
}

void DialogWindow::stop_waiting() {
  if (loop_ != nullptr && loop_->IsRunning()) loop_->Exit();
}

void DialogWindow::disable_others() {
  if (!disabler_) disabler_ = std::make_unique<wxWindowDisabler>(this);
}

void DialogWindow::release_others() {
  disabler_.reset();
}

void DialogWindow::act(UserAction action) {
  actions_.push_back(std::move(action));
  stop_waiting();
}

DialogWindow::Shown* DialogWindow::find_shown(int id) {
  auto it = index_.find(id);
  return it == index_.end() ? nullptr : controls_[it->second].get();
}

const DialogWindow::Shown* DialogWindow::find_shown(int id) const {
  auto it = index_.find(id);
  return it == index_.end() ? nullptr : controls_[it->second].get();
}

wxWindow* DialogWindow::control(int id) const {
  const Shown* s = find_shown(id);
  return s != nullptr ? s->window : nullptr;
}

std::optional<ItemRef> DialogWindow::item_ref(const Shown& s, void* item) const {
  auto it = s.tree_params.find(item);
  if (it == s.tree_params.end()) return std::nullopt;
  const TreeItemView* found = nullptr;
  for (const TreeItemView& i : s.view.items) {
    if (reinterpret_cast<intptr_t>(i.handle) == it->second) found = &i;
  }
  if (found == nullptr) return std::nullopt;
  // By parameter when the first item of that parameter (shallowest, in tree
  // order) is this one; else by text when that is unique.
  const TreeItemView* first = nullptr;
  int texts = 0;
  for (const TreeItemView& i : s.view.items) {
    if (i.param == found->param && (first == nullptr || i.level < first->level)) first = &i;
    if (i.text == found->text) ++texts;
  }
  if (first == found) return ItemRef(found->param);
  if (texts == 1) return ItemRef::with_text(found->text);
  return ItemRef(found->param);
}

// ---- events -----------------------------------------------------------------------------

void DialogWindow::on_text(int id) {
  if (syncing_) return;
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  wxString value;
  if (auto* t = dynamic_cast<wxTextCtrl*>(s->window)) {
    value = t->GetValue();
  } else if (auto* c = dynamic_cast<wxComboBox*>(s->window)) {
    value = c->GetValue();
    // Choosing an item also changes the text: that is the choice, not typing.
    const int chosen = c->GetSelection();
    if (chosen >= 0 && c->GetString(static_cast<unsigned>(chosen)) == value) {
      on_choice(id, chosen);
      return;
    }
  }
  const std::optional<std::string> bytes = stored(value);
  if (!bytes) {
    // A character the stores cannot hold: the field keeps what the model holds.
    wxBell();
    syncing_ = true;
    if (auto* t = dynamic_cast<wxTextCtrl*>(s->window)) t->ChangeValue(shown(s->view.text));
    syncing_ = false;
    return;
  }
  // Keystrokes that arrive before the engine took the last one replace it.
  if (!actions_.empty() && actions_.back().kind == K::kType && actions_.back().control == id) {
    actions_.back().text = *bytes;
    return;
  }
  UserAction a;
  a.kind = K::kType;
  a.control = id;
  a.text = *bytes;
  act(std::move(a));
}

void DialogWindow::on_enter(int id) {
  if (syncing_) return;
  UserAction a;
  a.kind = K::kEnter;
  a.control = id;
  act(std::move(a));
}

void DialogWindow::on_button(int id) {
  if (syncing_) return;
  // A click moves the focus to the button, then presses it.
  UserAction focus;
  focus.kind = K::kFocus;
  focus.control = id;
  actions_.push_back(focus);
  UserAction a;
  a.kind = K::kPress;
  a.control = id;
  act(std::move(a));
}

void DialogWindow::move_splitter(int id, int position) {
  if (syncing_) return;
  UserAction a;
  a.kind = K::kMoveSplitter;
  a.control = id;
  a.value = std::max(0, position);
  act(std::move(a));
}

void DialogWindow::on_check(int id) {
  if (syncing_) return;
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  UserAction a;
  a.kind = K::kCheck;
  a.control = id;
  if (s->view.radio) {
    a.value = 1;
  } else {
    a.value = static_cast<wxCheckBox*>(s->window)->GetValue() ? 1 : 0;
  }
  // The control shows the model's state until the engine has applied the click.
  syncing_ = true;
  if (s->view.radio) {
    // The group shows the model's choice again until the engine has applied the click.
    for (auto& other : controls_) {
      if (other->view.radio && other->view.check != 0) {
        static_cast<wxRadioButton*>(other->window)->SetValue(true);
      }
    }
  } else {
    static_cast<wxCheckBox*>(s->window)->SetValue(s->view.check != 0);
  }
  syncing_ = false;
  act(std::move(a));
}

void DialogWindow::on_choice(int id, int index) {
  if (syncing_ || index < 0) return;
  const bool again = !actions_.empty() && actions_.back().kind == K::kChooseCombo &&
                     actions_.back().control == id && actions_.back().value == index;
  if (again) return;  // the text change and the choice of one click
  UserAction a;
  a.kind = K::kChooseCombo;
  a.control = id;
  a.value = index;
  act(std::move(a));
}

void DialogWindow::on_tree(wxTreeEvent& event, int id) {
  if (syncing_) return;
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  const wxEventType type = event.GetEventType();
  const std::optional<ItemRef> item = item_ref(*s, event.GetItem().GetID());
  UserAction a;
  a.control = id;
  if (item) a.item = *item;
  if (type == wxEVT_TREE_ITEM_EXPANDING || type == wxEVT_TREE_ITEM_COLLAPSING) {
    // The dialog decides (and may fill the children): the model expands, the
    // window follows.
    event.Veto();
    if (!item) return;
    a.kind = type == wxEVT_TREE_ITEM_EXPANDING ? K::kExpand : K::kCollapse;
  } else if (type == wxEVT_TREE_SEL_CHANGED) {
    if (!item) return;
    a.kind = K::kSelectItem;
  } else if (type == wxEVT_TREE_ITEM_ACTIVATED) {
    if (!item) return;
    a.kind = K::kDoubleClick;
  } else if (type == wxEVT_TREE_ITEM_RIGHT_CLICK) {
    if (!item) return;
    a.kind = K::kRightClick;
  } else if (type == wxEVT_TREE_BEGIN_LABEL_EDIT) {
    if (!s->view.edit_labels || !item) event.Veto();
    return;
  } else if (type == wxEVT_TREE_END_LABEL_EDIT) {
    event.Veto();  // the model takes the label when the dialog accepts it
    if (!item) return;
    if (event.IsEditCancelled()) {
      a.kind = K::kCancelLabel;
    } else {
      const std::optional<std::string> bytes = stored(event.GetLabel());
      if (!bytes) {
        wxBell();
        a.kind = K::kCancelLabel;
      } else {
        a.kind = K::kEditLabel;
        a.text = *bytes;
      }
    }
  } else if (type == wxEVT_TREE_BEGIN_DRAG) {
    if (!item) return;
    dragged_ = *item;
    dragging_ = true;
    event.Allow();
    return;
  } else if (type == wxEVT_TREE_END_DRAG) {
    if (!dragging_ || !item) {
      dragging_ = false;
      return;
    }
    dragging_ = false;
    a.kind = K::kDrag;
    a.target = *item;
    a.item = dragged_;
    a.shift = wxGetKeyState(WXK_SHIFT);
  } else {
    return;
  }
  act(std::move(a));
}

void DialogWindow::on_list(wxListEvent& event, int id) {
  if (syncing_) return;
  UserAction a;
  a.control = id;
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_LIST_COL_CLICK) {
    a.kind = K::kClickColumn;
    a.value = event.GetColumn();
  } else {
    a.value = static_cast<int>(event.GetIndex());
    if (a.value < 0) return;
    a.kind = type == wxEVT_LIST_ITEM_SELECTED    ? K::kSelectRow
             : type == wxEVT_LIST_ITEM_ACTIVATED ? K::kDoubleClickRow
                                                 : K::kRightClickRow;
  }
  act(std::move(a));
}

void DialogWindow::on_close(wxCloseEvent& event) {
  if (event.CanVeto()) {
    event.Veto();
    close_box();
    return;
  }
  event.Skip();
}

void DialogWindow::on_key(wxKeyEvent& event) {
  if (event.GetKeyCode() == WXK_ESCAPE) {
    UserAction a;
    a.kind = K::kPress;
    a.control = kIdReject;
    act(std::move(a));
    return;
  }
  event.Skip();
}

// ---- the person's entry points ------------------------------------------------------------

void DialogWindow::type(int id, const std::string& utf8_text) {
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  if (auto* t = dynamic_cast<wxTextCtrl*>(s->window)) {
    t->SetValue(wxString::FromUTF8(utf8_text));  // sends wxEVT_TEXT as typing does
  } else if (auto* c = dynamic_cast<wxComboBox*>(s->window)) {
    c->SetValue(wxString::FromUTF8(utf8_text));
  }
}

void DialogWindow::press(int id) {
  Shown* s = find_shown(id);
  if (s == nullptr && id == kIdReject) {
    // A dialog without a Cancel button is cancelled by Escape.
    UserAction a;
    a.kind = K::kPress;
    a.control = kIdReject;
    act(std::move(a));
    return;
  }
  if (s == nullptr) return;
  wxCommandEvent e(wxEVT_BUTTON, s->window->GetId());
  e.SetEventObject(s->window);
  s->window->GetEventHandler()->ProcessEvent(e);
}

void DialogWindow::check(int id, bool on) {
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  if (s->view.radio) {
    auto* r = static_cast<wxRadioButton*>(s->window);
    r->SetValue(on);
    wxCommandEvent e(wxEVT_RADIOBUTTON, r->GetId());
    e.SetEventObject(r);
    e.SetInt(on ? 1 : 0);
    r->GetEventHandler()->ProcessEvent(e);
  } else if (auto* c = dynamic_cast<wxCheckBox*>(s->window)) {
    c->SetValue(on);
    wxCommandEvent e(wxEVT_CHECKBOX, c->GetId());
    e.SetEventObject(c);
    e.SetInt(on ? 1 : 0);
    c->GetEventHandler()->ProcessEvent(e);
  }
}

void DialogWindow::choose(int id, int index) {
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  auto* items = dynamic_cast<wxControlWithItems*>(s->window);
  if (items == nullptr || index < 0 || index >= static_cast<int>(items->GetCount())) return;
  items->SetSelection(index);
  wxCommandEvent e(dynamic_cast<wxChoice*>(s->window) != nullptr ? wxEVT_CHOICE : wxEVT_COMBOBOX,
                   s->window->GetId());
  e.SetEventObject(s->window);
  e.SetInt(index);
  s->window->GetEventHandler()->ProcessEvent(e);
}

void DialogWindow::choose_tab(int id, int index) {
  UserAction a;
  a.kind = K::kChooseTab;
  a.control = id;
  a.value = index;
  act(std::move(a));
}

void DialogWindow::select_row(int id, int row) {
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  auto* list = static_cast<wxListCtrl*>(s->window);
  if (row < 0 || row >= list->GetItemCount()) return;
  list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                     wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);  // sends the selection
}

void DialogWindow::double_click_row(int id, int row) {
  Shown* s = find_shown(id);
  if (s == nullptr) return;
  auto* list = static_cast<wxListCtrl*>(s->window);
  wxListEvent e(wxEVT_LIST_ITEM_ACTIVATED, list->GetId());
  e.SetEventObject(list);
  e.m_itemIndex = row;
  list->GetEventHandler()->ProcessEvent(e);
}

void* DialogWindow::tree_item(int id, intptr_t param) const {
  const Shown* s = find_shown(id);
  if (s == nullptr) return nullptr;
  for (const auto& [item, handle] : s->tree_params) {
    for (const TreeItemView& i : s->view.items) {
      if (reinterpret_cast<intptr_t>(i.handle) == handle && i.param == param) return item;
    }
  }
  return nullptr;
}

void DialogWindow::select_item(int id, intptr_t param) {
  if (void* item = tree_item(id, param)) {
    static_cast<wxTreeCtrl*>(control(id))->SelectItem(wxTreeItemId(item));  // sends the selection change
  }
}

void DialogWindow::expand_item(int id, intptr_t param) {
  if (void* item = tree_item(id, param)) {
    static_cast<wxTreeCtrl*>(control(id))->Expand(wxTreeItemId(item));  // asks the model
  }
}

void DialogWindow::right_click_item(int id, intptr_t param) {
  if (void* item = tree_item(id, param)) {
    auto* tree = static_cast<wxTreeCtrl*>(control(id));
    wxTreeEvent e(wxEVT_TREE_ITEM_RIGHT_CLICK, tree, wxTreeItemId(item));
    tree->GetEventHandler()->ProcessEvent(e);
  }
}

void DialogWindow::edit_label(int id, intptr_t param, const std::string& utf8) {
  void* item = tree_item(id, param);
  if (item == nullptr) return;
  auto* tree = static_cast<wxTreeCtrl*>(control(id));
  wxTreeEvent begin(wxEVT_TREE_BEGIN_LABEL_EDIT, tree, wxTreeItemId(item));
  tree->GetEventHandler()->ProcessEvent(begin);
  if (!begin.IsAllowed()) return;
  wxTreeEvent end(wxEVT_TREE_END_LABEL_EDIT, tree, wxTreeItemId(item));
  end.SetLabel(wxString::FromUTF8(utf8));
  tree->GetEventHandler()->ProcessEvent(end);
}

void DialogWindow::drag_item(int id, intptr_t param, intptr_t onto) {
  void* item = tree_item(id, param);
  void* target = tree_item(id, onto);
  if (item == nullptr || target == nullptr) return;
  auto* tree = static_cast<wxTreeCtrl*>(control(id));
  wxTreeEvent begin(wxEVT_TREE_BEGIN_DRAG, tree, wxTreeItemId(item));
  tree->GetEventHandler()->ProcessEvent(begin);
  wxTreeEvent end(wxEVT_TREE_END_DRAG, tree, wxTreeItemId(target));
  tree->GetEventHandler()->ProcessEvent(end);
}

void DialogWindow::close_box() {
  UserAction a;
  a.kind = K::kClose;
  act(std::move(a));
}

// ---- pictures -------------------------------------------------------------------------------

bool DialogWindow::screenshot(const std::string& path) {
  return save_screenshot(this, path);
}

namespace {

// The window system draws the window into an image of its own (no reading back
// from the screen, so windows above it do not matter). The toolkit's drawing calls
// are looked up in the running process, where wxWidgets has loaded them.
using SurfaceCreate = void* (*)(int format, int width, int height);
using ContextCreate = void* (*)(void* surface);
using WidgetDraw = void (*)(void* widget, void* context);
using ContextDestroy = void (*)(void* context);
using SurfaceFlush = void (*)(void* surface);
using SurfaceWrite = int (*)(void* surface, const char* path);
using SurfaceDestroy = void (*)(void* surface);

template <typename F>
F lookup(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

bool draw_into_png(wxWindow* window, const std::string& path) {
  const auto create = lookup<SurfaceCreate>("cairo_image_surface_create");
  const auto context = lookup<ContextCreate>("cairo_create");
  const auto draw = lookup<WidgetDraw>("gtk_widget_draw");
  const auto destroy_context = lookup<ContextDestroy>("cairo_destroy");
  const auto flush = lookup<SurfaceFlush>("cairo_surface_flush");
  const auto write = lookup<SurfaceWrite>("cairo_surface_write_to_png");
  const auto destroy_surface = lookup<SurfaceDestroy>("cairo_surface_destroy");
  if (!create || !context || !draw || !destroy_context || !flush || !write || !destroy_surface) {
    return false;
  }
  const wxSize size = window->GetSize();
  if (size.x < 1 || size.y < 1 || window->GetHandle() == nullptr) return false;
  constexpr int kArgb32 = 0;
  void* surface = create(kArgb32, size.x, size.y);
  void* cr = context(surface);
  draw(window->GetHandle(), cr);
  destroy_context(cr);
  flush(surface);
  const bool written = write(surface, path.c_str()) == 0;
  destroy_surface(surface);
  return written;
}

bool read_from_screen(wxWindow* window, const std::string& path) {
  const wxRect rect = window->GetScreenRect();
  if (rect.width < 1 || rect.height < 1) return false;
  wxBitmap bitmap(rect.width, rect.height);
  {
    wxScreenDC screen;
    wxMemoryDC memory(bitmap);
    memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    memory.SelectObject(wxNullBitmap);
  }
  return bitmap.ConvertToImage().SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG);
}

}  // namespace

// Puts a caption bar with the window's title above the picture in file (the
// virtual display has no window manager to draw one).
bool add_caption(wxWindow* window, const std::string& file) {
  wxImage picture;
  if (!picture.LoadFile(wxString::FromUTF8(file), wxBITMAP_TYPE_PNG)) return false;
  const wxString title = window->GetLabel();
  const int bar = window->FromDIP(26);
  wxBitmap framed(picture.GetWidth() + 2, picture.GetHeight() + bar + 1);
  {
    wxMemoryDC dc(framed);
    dc.SetBackground(wxBrush(wxColour(60, 63, 65)));
    dc.Clear();
    dc.SetTextForeground(*wxWHITE);
    wxFont font = window->GetFont();
    font.SetWeight(wxFONTWEIGHT_BOLD);
    dc.SetFont(font);
    const wxSize text = dc.GetTextExtent(title);
    dc.DrawText(title, window->FromDIP(8), (bar - text.y) / 2);
    dc.DrawBitmap(wxBitmap(picture), 1, bar);
    dc.SelectObject(wxNullBitmap);
  }
  return framed.ConvertToImage().SaveFile(wxString::FromUTF8(file), wxBITMAP_TYPE_PNG);
}

bool save_screenshot(wxWindow* window, const std::string& path) {
  window->Update();
  // Written beside the target and renamed into place.
  const std::string temporary = path + ".tmp";
  if ((!draw_into_png(window, temporary) && !read_from_screen(window, temporary)) ||
      !add_caption(window, temporary)) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) std::filesystem::remove(temporary, ec);
  return !ec;
}

}  // namespace dlist::gui
