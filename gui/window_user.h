// The user of the dialog engine who sits in front of a screen: every dialog the
// engine runs opens as a real window (DialogWindow), the person's clicks and keys
// become the engine's user actions, message boxes, warnings and file choosers are
// real windows too, and the progress window shows while a long operation runs.
// Modal dialogs nest: each disables the windows below it until it closes.
//
// While a dialog waits for the person, a nested event loop runs. quit() ends
// every dialog as the person's cancelling would: the dialogs close through their
// cancel procedures, questions are answered No (or Cancel) and choosers cancelled.
//
// Tests install a driver: it is called (from the event loop) whenever one of our
// windows waits for the person, and acts through the windows' own entry points.
#pragma once

#include <wx/dialog.h>
#include <wx/progdlg.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/dialog/dialog_user.h"
#include "host/progress.h"

namespace dlist::gui {

class DialogWindow;

// A message box of the system in a window of ours: the icon of the box's flags,
// the text and its buttons (OK, OK/Cancel, Yes/No, Yes/No/Cancel).
class MessageWindow : public wxDialog {
 public:
  MessageWindow(wxWindow* parent, const std::string& text, const std::string& caption,
                unsigned flags, bool error = false);
  // The answer the box gives (kIdOk, kIdCancel, kIdYes, kIdNo) when closed without one.
  int fallback() const { return fallback_; }
  // Presses the button of answer (the person's click; also for tests).
  void press(int answer);

 private:
  int fallback_ = 0;
};

class WindowUser : public DialogUser, public ProgressSink {
 public:
  // parent: the main window (null for none).
  explicit WindowUser(wxWindow* parent);
  ~WindowUser() override;
  WindowUser(const WindowUser&) = delete;
  WindowUser& operator=(const WindowUser&) = delete;

  // ---- DialogUser ----
  void dialog_opened(const DialogInfo& dialog) override;
  void dialog_closed(const DialogInfo& dialog) override;
  std::optional<UserAction> next_action(const DialogInfo& dialog) override;
  std::optional<int> choose_from_menu(const DialogInfo& dialog,
                                      const std::vector<int>& commands) override;
  std::optional<int> answer_message_box(const MessageBoxRequest& request) override;
  std::optional<FileAnswer> choose_file(const FileRequest& request) override;
  void show_warning(const WarningRecord& warning) override;
  bool callback_failed(const DialogInfo& dialog, const std::string& what) override;

  // ---- ProgressSink ----
  void open(std::string_view title, long total) override;
  void step(std::string_view text) override;
  void close() override;
  // True once the person pressed the progress window's Cancel button.
  bool cancelled() override;
  // Whether a progress window was stopped with Cancel since the last call.
  bool take_stopped() { return std::exchange(stopped_, false); }

  // A question or a notice of the front end itself, in a message box over the
  // innermost window (flags: kMb* buttons and icon); the answer.
  int ask(const std::string& text, unsigned flags);

  // Ends every running dialog as cancelled; later questions are answered No.
  void quit();
  bool quitting() const { return quitting_; }
  // Dialogs shown in windows now.
  int open_windows() const { return static_cast<int>(windows_.size()); }
  DialogWindow* window_of(void* dialog) const;

  // ---- for tests ----
  // Called whenever one of our windows (a dialog or a message box) waits for the
  // person; the window is a DialogWindow or a MessageWindow.
  using Driver = std::function<void(wxDialog& window)>;
  void set_driver(Driver driver) { driver_ = std::move(driver); }
  // Answers file choosers instead of the system's chooser.
  using FileDriver = std::function<std::optional<FileAnswer>(const FileRequest&)>;
  void set_file_driver(FileDriver driver) { file_driver_ = std::move(driver); }
  // Answers context menus instead of showing them (the command, or nothing).
  using MenuDriver = std::function<std::optional<int>(const std::vector<int>&)>;
  void set_menu_driver(MenuDriver driver) { menu_driver_ = std::move(driver); }
  // Called when the progress window opens and after each of its steps.
  using ProgressDriver = std::function<void(wxProgressDialog& window)>;
  void set_progress_driver(ProgressDriver driver) { progress_driver_ = std::move(driver); }

 private:
  wxWindow* top() const;  // the innermost of our windows, else the parent
  int run_box(MessageWindow& box);
  void drive_later(wxDialog& window);

  wxWindow* parent_;
  std::map<void*, DialogWindow*> windows_;
  std::vector<void*> stack_;  // dialogs in the order they opened
  Driver driver_;
  FileDriver file_driver_;
  MenuDriver menu_driver_;
  ProgressDriver progress_driver_;
  bool stopped_ = false;  // a progress window was stopped since take_stopped()
  MessageWindow* box_ = nullptr;  // the box that waits for an answer
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // for calls queued on the app
  bool quitting_ = false;
  struct Progress;
  std::unique_ptr<Progress> progress_;
};

}  // namespace dlist::gui
