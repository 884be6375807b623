// The active user and its scope, the built-in user that cancels, and the words
// with which actions describe themselves in records.
#include "host/dialog/dialog_user.h"

namespace dlist {

namespace {

// Acts in no dialog, answers no question, chooses no file.
class AbsentUser : public DialogUser {
 public:
  std::optional<UserAction> next_action(const DialogInfo&) override { return std::nullopt; }
  std::optional<int> choose_from_menu(const DialogInfo&, const std::vector<int>&) override {
    return std::nullopt;
  }
  std::optional<int> answer_message_box(const MessageBoxRequest&) override { return std::nullopt; }
  std::optional<FileAnswer> choose_file(const FileRequest&) override { return std::nullopt; }
};

DialogUser* g_active = nullptr;

}  // namespace

DialogUser& active_dialog_user() {
  static AbsentUser absent;
  return g_active != nullptr ? *g_active : absent;
}

DialogUserScope::DialogUserScope(DialogUser& user) : previous_(g_active) {
  g_active = &user;
}

DialogUserScope::~DialogUserScope() {
  g_active = previous_;
}

ItemRef ItemRef::with_text(std::string text) {
  ItemRef r(0);
  r.by = By::kText;
  r.text = std::move(text);
  return r;
}

std::string ItemRef::describe() const {
  return by == By::kParam ? "item with parameter " + std::to_string(param) : "item '" + text + "'";
}

std::string UserAction::describe() const {
  const std::string on = " in " + std::to_string(control);
  const std::string item_on = " " + item.describe() + on;
  switch (kind) {
    case Kind::kType:
      return "type '" + text + "' into " + std::to_string(control);
    case Kind::kCheck:
      return "set check box " + std::to_string(control) + " to " + std::to_string(value);
    case Kind::kChooseCombo:
      return "choose " + (value >= 0 ? "item " + std::to_string(value) : "'" + text + "'") + on;
    case Kind::kChooseTab:
      return "choose tab " + std::to_string(value) + on;
    case Kind::kSelectItem:
      return "select" + item_on;
    case Kind::kExpand:
      return "expand" + item_on;
    case Kind::kCollapse:
      return "collapse" + item_on;
    case Kind::kDoubleClick:
      return "double-click" + item_on;
    case Kind::kRightClick:
      return "right-click" + item_on;
    case Kind::kSelectRow:
      return "select row " + std::to_string(value) + on;
    case Kind::kDoubleClickRow:
      return "double-click row " + std::to_string(value) + on;
    case Kind::kRightClickRow:
      return "right-click row " + std::to_string(value) + on;
    case Kind::kClickColumn:
      return "click column " + std::to_string(value) + on;
    case Kind::kChooseMenu:
      return "choose command " + std::to_string(value);
    case Kind::kDrag: {
      static const char* const kSpots[] = {"", " to the top edge", " to the bottom edge",
                                           " outside the tree"};
      const std::string where =
          value > 0 && value < 4 ? std::string(kSpots[value])
                                 : " onto " + target.describe() +
                                       (drop_control != 0 ? " of control " + std::to_string(drop_control) : "");
      return std::string("drag") + item_on + where + (shift ? " with Shift" : "");
    }
    case Kind::kEditLabel:
      return "edit label of" + item_on + " to '" + text + "'";
    case Kind::kCancelLabel:
      return "cancel the label edit of" + item_on;
    case Kind::kTick:
      return "fire timer " + std::to_string(value);
    case Kind::kPress:
      return "press " + std::to_string(control);
    case Kind::kFocus:
      return "focus " + std::to_string(control);
    case Kind::kEnter:
      return "press Enter in " + std::to_string(control);
    case Kind::kClose:
      return "close the dialog";
    case Kind::kMoveSplitter:
      return "move splitter " + std::to_string(control) + " to " + std::to_string(value);
    case Kind::kObserve:
      return "observe";
  }
  return "unknown action";
}

const char* chooser_name(FileChooser chooser) {
  switch (chooser) {
    case FileChooser::kSelectFileR:
      return "SelectFileR";
    case FileChooser::kSelectImportFileR:
      return "SelectImportFileR";
    case FileChooser::kSaveFile:
      return "SaveFile";
    case FileChooser::kSaveFileR:
      return "SaveFileR";
    case FileChooser::kExportFile:
      return "ExportFile";
    case FileChooser::kSurePath:
      return "SurePathDialog";
    case FileChooser::kOpenFileTemplate:
      return "GetOpenFileNameA";
  }
  return "?";
}

}  // namespace dlist
