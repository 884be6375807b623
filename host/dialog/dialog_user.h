// The "user" of the headless dialogs: whoever acts in a running dialog, answers
// message boxes and chooses files. The engine asks the active user for one action
// at a time and applies it to the dialog model exactly as the controls would, so
// the dialog's callbacks see the same notifications as under real windows. Users
// are pluggable: a scripted user for tests (scripted_user.h), a console user for the
// command line (console_user.h); DialogUserScope makes one active for a scope.
// Without an active user every dialog is cancelled, every question is answered No
// and every file chooser is cancelled, so nothing ever waits.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/dialog/dialog_log.h"

namespace dlist {

// Names a tree item in an action: by its item parameter (the shallowest item that
// carries it, the first of a level in tree order) or by its exact text.
struct ItemRef {
  enum class By { kParam, kText };

  ItemRef(intptr_t param) : param(param) {}  // NOLINT(google-explicit-constructor)
  static ItemRef with_text(std::string text);

  std::string describe() const;

  By by = By::kParam;
  intptr_t param = 0;
  std::string text;
};

// Where a drag ends (the value of a kDrag action): on the target item, in the
// strip along the tree's top or bottom edge, or outside the tree.
enum class DragSpot { kOnItem = 0, kTopEdge = 1, kBottomEdge = 2, kOutside = 3 };

// One thing the user does in a dialog.
struct UserAction {
  enum class Kind {
    kType,            // type text into control (edit field, numeric field, editable combo)
    kCheck,           // set check box control to value (0 or 1)
    kChooseCombo,     // choose combo item value, or the item whose text is text when value < 0
    kChooseTab,       // make tab value current
    kSelectItem,      // click tree item
    kExpand,          // expand tree item
    kCollapse,        // collapse tree item
    kDoubleClick,     // double-click tree item
    kRightClick,      // right-click tree item
    kSelectRow,       // click list row value
    kDoubleClickRow,  // double-click list row value
    kRightClickRow,   // right-click list row value
    kClickColumn,     // click the title of list column value
    kChooseMenu,      // choose command value from the open context menu or the dialog's menu
    kDrag,            // drag tree item onto target (or to the spot value), with Shift when shift
    kEditLabel,       // edit the label of tree item to text
    kCancelLabel,     // start editing the label of tree item and cancel it
    kTick,            // timer value fires
    kPress,           // press button control (9999 accepts, 2 cancels)
    kFocus,           // move the focus to control
    kEnter,           // press Enter in control (0: where the focus is)
    kClose,           // close the dialog's window (as cancelling)
    kMoveSplitter,    // drag splitter control so its left (top, when it lies flat) edge is at value
    kObserve,         // not an action: lets a test look at the dialog at this point
  };

  std::string describe() const;

  Kind kind = Kind::kPress;
  int control = 0;
  int value = 0;
  ItemRef item{0};
  ItemRef target{0};
  std::string text;
  bool shift = false;
  int ticks = 1;  // drag: ticks of the capturing window's timers at the drop point
  int drop_control = 0;  // drag: the tree dropped onto when not the dragged item's own
  std::function<void(void* dialog)> observe;
};

// The dialog that the user is asked about.
struct DialogInfo {
  void* dialog = nullptr;
  int context = 0;
  std::string title;
  bool modeless = false;
  int depth = 0;  // 1 for the outermost modal dialog, 2 for one opened from it, ...
};

struct MessageBoxRequest {
  int context = 0;  // of the innermost running dialog, 0 for none
  std::string text;
  std::string caption;
  unsigned flags = 0;
};

// The file choosers of the framework.
enum class FileChooser {
  kSelectFileR,
  kSelectImportFileR,
  kSaveFile,
  kSaveFileR,
  kExportFile,
  kSurePath,
  kOpenFileTemplate  // the system's open-file dialog with a child template of the library
};

// The framework call's name ("SelectFileR", ...).
const char* chooser_name(FileChooser chooser);

struct FileRequest {
  int context = 0;
  FileChooser chooser = FileChooser::kSelectFileR;
  std::string title;
  std::string filter;
  std::string initial;  // what the path buffer held
  int setting = 0;
  bool wants_description = false;  // ExportFile also asks for a description
  // kOpenFileTemplate: the child template (799, 788, 780) and what its controls show:
  // the name field 10436, the check box 10550 and the rows (name, value) of the list
  // view 10752.
  int template_id = 0;
  std::string name;
  int check = 0;
  std::vector<std::pair<std::string, std::string>> rows;
};

struct FileAnswer {
  bool chosen = false;  // false: the user cancelled
  std::string path;
  std::string description;
};

// What the user did with the extra controls of a child template (kOpenFileTemplate):
// the name typed into 10436, the state of the check box 10550, the row of the list
// view 10752 chosen (-1: none). Unset fields keep what the controls showed.
struct FileExtrasAnswer {
  std::optional<std::string> name;
  std::optional<int> check;
  int row = -1;
};

class DialogUser {
 public:
  virtual ~DialogUser() = default;

  // A dialog opens (before its init procedure) and closes.
  virtual void dialog_opened(const DialogInfo&) {}
  virtual void dialog_closed(const DialogInfo&) {}

  // The next action in the dialog; nothing when the user has nothing more to do
  // (the engine then cancels a modal dialog and leaves a modeless one open).
  virtual std::optional<UserAction> next_action(const DialogInfo& dialog) = 0;

  // The dialog opened a context menu offering the enabled commands: the command
  // chosen, or nothing to dismiss the menu.
  virtual std::optional<int> choose_from_menu(const DialogInfo& dialog,
                                              const std::vector<int>& commands) = 0;

  // The button pressed (kIdOk, kIdCancel, kIdYes, kIdNo); nothing when the user has
  // no answer (the engine then answers No, Cancel or OK and records that it did).
  virtual std::optional<int> answer_message_box(const MessageBoxRequest& request) = 0;

  // The file chosen; nothing when the user has no answer (recorded, then cancelled).
  virtual std::optional<FileAnswer> choose_file(const FileRequest& request) = 0;

  // After a file was chosen in a dialog with a child template: what the user did
  // with its extra controls; nothing leaves them as they were.
  virtual std::optional<FileExtrasAnswer> file_extras(const FileRequest&) { return std::nullopt; }

  // The framework showed a warning about a control (after it was recorded).
  virtual void show_warning(const WarningRecord&) {}

  // A callback of the dialog threw: true when the user has reported it and the
  // dialog goes on (the callback counts as having refused: init closes the dialog,
  // OK keeps it open, cancel lets it close, Enter counts as handled); false lets
  // the exception pass on to whoever runs the dialog.
  virtual bool callback_failed(const DialogInfo&, const std::string& /*what*/) { return false; }
};

// The user the engine asks now: the innermost scope's, or the built-in one that
// cancels and says No.
DialogUser& active_dialog_user();

// Makes user the active one until the scope ends; scopes nest.
class DialogUserScope {
 public:
  explicit DialogUserScope(DialogUser& user);
  ~DialogUserScope();
  DialogUserScope(const DialogUserScope&) = delete;
  DialogUserScope& operator=(const DialogUserScope&) = delete;

 private:
  DialogUser* previous_;
};

}  // namespace dlist
