#include "gui/window_user.h"

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/progdlg.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textdlg.h>

#include <algorithm>

#include "gui/dialog_window.h"
#include "gui/text.h"
#include "host/dialog/dialog_view.h"
#include "host/dialog/engine.h"
#include "host/dialog/notify_codes.h"

namespace dlist::gui {

namespace {

constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kIconError = 0x10;

// The box's buttons: (answer, label) in order.
std::vector<std::pair<int, wxString>> buttons_of(unsigned flags) {
  switch (flags & kMbTypeMask) {
    case kMbOkCancel:
      return {{kIdOk, "OK"}, {kIdCancel, "Cancel"}};
    case kMbYesNoCancel:
      return {{kIdYes, "&Yes"}, {kIdNo, "&No"}, {kIdCancel, "Cancel"}};
    case kMbYesNo:
      return {{kIdYes, "&Yes"}, {kIdNo, "&No"}};
    default:
      return {{kIdOk, "OK"}};
  }
}

// The wildcard of a chooser from the framework's filter: a pattern ("*.pal") or
// description and pattern pairs ("Palette files|*.pal").
wxString wildcard(const std::string& filter) {
  if (filter.empty()) return "*";
  if (filter.find('|') == std::string::npos) {
    return wxString::FromUTF8(filter) + "|" + wxString::FromUTF8(filter);
  }
  return wxString::FromUTF8(filter);
}

}  // namespace

// ---- message boxes ------------------------------------------------------------------------

MessageWindow::MessageWindow(wxWindow* parent, const std::string& text, const std::string& caption,
                             unsigned flags, bool error)
    : wxDialog(parent, wxID_ANY, shown(caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX) {
  SetName("messagebox");
  const unsigned icon = flags & kIconMask;
  wxArtID art = wxART_INFORMATION;
  if (error || icon == kIconError) {
    art = wxART_ERROR;
  } else if (icon == kMbIconQuestion) {
    art = wxART_QUESTION;
  } else if (icon == kMbIconExclamation) {
    art = wxART_WARNING;
  }
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(art, wxART_MESSAGE_BOX)), 0,
           wxALL, 12);
  auto* label = new wxStaticText(this, wxID_ANY, shown(text));
  label->Wrap(FromDIP(420));
  top->Add(label, 1, wxALL | wxALIGN_CENTER_VERTICAL, 12);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  const auto buttons = buttons_of(flags);
  fallback_ = buttons.size() == 1 ? kIdOk : (buttons.back().first == kIdCancel ? kIdCancel : kIdNo);
  row->AddStretchSpacer();
  for (const auto& [answer, title] : buttons) {
    auto* b = new wxButton(this, wxID_ANY, title);
    b->SetName(wxString::Format("answer%d", answer));
    const int a = answer;
    b->Bind(wxEVT_BUTTON, [this, a](wxCommandEvent&) { press(a); });
    row->Add(b, 0, wxLEFT, 8);
    if (&answer == &buttons.front().first) b->SetDefault();
  }
  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(top, 1, wxEXPAND);
  all->Add(row, 0, wxEXPAND | wxALL, 12);
  SetSizerAndFit(all);
  SetEscapeId(wxID_NONE);
  Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) { press(fallback_); });
  Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_ESCAPE) {
      press(fallback_);
    } else {
      e.Skip();
    }
  });
  CentreOnParent();
}

void MessageWindow::press(int answer) {
  if (IsModal()) EndModal(answer);
}

// ---- the progress window ----------------------------------------------------------------------

struct WindowUser::Progress {
  std::unique_ptr<wxProgressDialog> window;
  int depth = 0;
  long total = 0;
  long done = 0;
  bool stopped = false;  // the person pressed Cancel
};

// ---- the user
// ------------------------------------------------------------------------------------

WindowUser::WindowUser(wxWindow* parent)
    : parent_(parent), progress_(std::make_unique<Progress>()) {}

WindowUser::~WindowUser() {
  for (auto& [dialog, window] : windows_) window->Destroy();
}

wxWindow* WindowUser::top() const {
  for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
    auto found = windows_.find(*it);
    if (found != windows_.end()) return found->second;
  }
  return parent_;
}

DialogWindow* WindowUser::window_of(void* dialog) const {
  auto it = windows_.find(dialog);
  return it == windows_.end() ? nullptr : it->second;
}

void WindowUser::drive_later(wxDialog& window) {
  if (!driver_) return;
  wxWindow* target = &window;
  std::weak_ptr<bool> alive = alive_;
  wxTheApp->CallAfter([this, target, alive] {
    if (alive.expired() || !driver_) return;
    // The window may be gone by now (a dialog closed by the engine, a box answered).
    for (const auto& [dialog, w] : windows_) {
      if (w == target) {
        driver_(*w);
        return;
      }
    }
    if (box_ != nullptr && box_ == target) driver_(*box_);
  });
}

void WindowUser::dialog_opened(const DialogInfo& dialog) {
  stack_.push_back(dialog.dialog);
}

void WindowUser::dialog_closed(const DialogInfo& dialog) {
  stack_.erase(std::remove(stack_.begin(), stack_.end(), dialog.dialog), stack_.end());
  auto it = windows_.find(dialog.dialog);
  if (it == windows_.end()) return;
  DialogWindow* window = it->second;
  windows_.erase(it);
  window->stop_waiting();
  window->release_others();
  window->Hide();
  window->Destroy();
}

std::optional<UserAction> WindowUser::next_action(const DialogInfo& dialog) {
  if (quitting_) return std::nullopt;
  const std::optional<DialogView> view = view_dialog(dialog.dialog);
  if (!view) return std::nullopt;
  DialogWindow* window = window_of(dialog.dialog);
  if (window == nullptr) {
    window = new DialogWindow(top(), *view);
    windows_[dialog.dialog] = window;
    if (!dialog.modeless) window->disable_others();
    window->Show();
    window->Raise();
  } else {
    window->sync(*view);
  }
  if (!window->has_action()) {
    drive_later(*window);
    // Modeless dialogs are driven by the host; one action at a time as well.
    window->wait();
  }
  if (quitting_) return std::nullopt;
  // The window may have been closed under the loop (by the engine's host).
  if (window_of(dialog.dialog) != window) return std::nullopt;
  return window->take_action();
}

std::optional<int> WindowUser::choose_from_menu(const DialogInfo& dialog,
                                                const std::vector<int>& commands) {
  if (quitting_ || commands.empty()) return std::nullopt;
  if (menu_driver_) return menu_driver_(commands);
  std::vector<MenuEntryView> entries = view_tracked_menu(commands);
  if (entries.empty()) {
    for (int id : commands) {
      MenuEntryView e;
      e.id = id;
      e.text = "#" + std::to_string(id);
      entries.push_back(e);
    }
  }
  std::vector<int> ids;
  std::function<void(wxMenu&, const std::vector<MenuEntryView>&)> add =
      [&](wxMenu& m, const std::vector<MenuEntryView>& list) {
        for (const MenuEntryView& e : list) {
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
  wxMenu menu;
  add(menu, entries);
  wxWindow* window = window_of(dialog.dialog);
  if (window == nullptr) window = top();
  if (window == nullptr) return std::nullopt;
  const int chosen = window->GetPopupMenuSelectionFromUser(menu);
  if (chosen < kMenuBase || chosen - kMenuBase >= static_cast<int>(ids.size())) return std::nullopt;
  return ids[static_cast<size_t>(chosen - kMenuBase)];
}

int WindowUser::run_box(MessageWindow& box) {
  MessageWindow* outer = box_;
  box_ = &box;
  drive_later(box);
  const int answer = box.ShowModal();
  box_ = outer;
  return answer == wxID_CANCEL ? box.fallback() : answer;
}

std::optional<int> WindowUser::answer_message_box(const MessageBoxRequest& request) {
  if (quitting_) return std::nullopt;
  MessageWindow box(top(), request.text, request.caption, request.flags);
  return run_box(box);
}

int WindowUser::ask(const std::string& text, unsigned flags) {
  MessageWindow box(top(), text, "dlist", flags);
  return run_box(box);
}

void WindowUser::show_warning(const WarningRecord& warning) {
  if (quitting_) return;
  MessageWindow box(top(), warning.text, "", kMbOk | kMbIconExclamation);
  run_box(box);
}

bool WindowUser::callback_failed(const DialogInfo& dialog, const std::string& what) {
  if (!quitting_) {
    MessageWindow box(top(), "The dialog met an error and goes on:\n" + what, dialog.title, kMbOk,
                      /*error=*/true);
    run_box(box);
  }
  return true;
}

std::optional<FileAnswer> WindowUser::choose_file(const FileRequest& request) {
  if (quitting_) return std::nullopt;
  if (file_driver_) return file_driver_(request);
  FileAnswer answer;
  wxWindow* parent = top();
  const wxString title = shown(request.title);
  if (request.chooser == FileChooser::kSurePath) {
    wxDirDialog chooser(parent, title.empty() ? wxString("Choose a folder") : title,
                        wxString::FromUTF8(request.initial));
    if (chooser.ShowModal() != wxID_OK) return answer;
    answer.chosen = true;
    answer.path = utf8(chooser.GetPath());
    return answer;
  }
  const bool saving = request.chooser == FileChooser::kSaveFile ||
                      request.chooser == FileChooser::kSaveFileR ||
                      request.chooser == FileChooser::kExportFile;
  const long style = saving ? wxFD_SAVE | wxFD_OVERWRITE_PROMPT : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  wxFileDialog chooser(parent, title.empty() ? wxString(saving ? "Save as" : "Open") : title,
                       wxEmptyString, wxString::FromUTF8(request.initial), wildcard(request.filter),
                       style);
  if (chooser.ShowModal() != wxID_OK) return answer;
  answer.path = utf8(chooser.GetPath());
  if (request.wants_description) {
    wxTextEntryDialog description(parent, "Description of the file:", "Export");
    if (description.ShowModal() != wxID_OK) return answer;
    const std::optional<std::string> bytes = stored(description.GetValue());
    if (!bytes) return answer;
    answer.description = *bytes;
  }
  answer.chosen = true;
  return answer;
}

void WindowUser::quit() {
  quitting_ = true;
  for (auto& [dialog, window] : windows_) window->stop_waiting();
}

// ---- progress
// ----------------------------------------------------------------------------------------

void WindowUser::open(std::string_view title, long total) {
  Progress& p = *progress_;
  if (p.depth++ > 0) return;
  p.total = total;
  p.done = 0;
  p.stopped = false;
  p.window = std::make_unique<wxProgressDialog>(
      shown(std::string(title)), " ", total > 0 ? static_cast<int>(std::min(total, 1L << 30)) : 100,
      top(), wxPD_APP_MODAL | wxPD_AUTO_HIDE | wxPD_SMOOTH | wxPD_CAN_ABORT);
  if (progress_driver_) progress_driver_(*p.window);
}

void WindowUser::step(std::string_view text) {
  Progress& p = *progress_;
  if (!p.window) return;
  ++p.done;
  const wxString line = shown(std::string(text));
  // Both return false once Cancel was pressed (they also let the button work).
  const bool going = p.total > 0 ? p.window->Update(static_cast<int>(std::min(p.done, p.total)), line)
                                 : p.window->Pulse(line);
  if (!going) p.stopped = true;
  if (p.stopped) stopped_ = true;
  if (progress_driver_) progress_driver_(*p.window);
}

bool WindowUser::cancelled() {
  Progress& p = *progress_;
  if (p.window && !p.stopped && p.window->WasCancelled()) p.stopped = true;
  if (p.stopped) stopped_ = true;
  return p.window && p.stopped;
}

void WindowUser::close() {
  Progress& p = *progress_;
  if (p.depth == 0) return;
  if (--p.depth == 0) p.window.reset();
}

}  // namespace dlist::gui
