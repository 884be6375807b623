// ScriptedUser: scripts waiting per context, the script each open dialog plays,
// and the queues of message box answers and file choices.
#include "host/dialog/scripted_user.h"

#include <algorithm>

#include "host/dialog/notify_codes.h"

namespace dlist {

namespace {

UserAction action(UserAction::Kind kind, int control, int value = 0) {
  UserAction a;
  a.kind = kind;
  a.control = control;
  a.value = value;
  return a;
}

UserAction on_item(UserAction::Kind kind, int tree, ItemRef item) {
  UserAction a = action(kind, tree);
  a.item = std::move(item);
  return a;
}

}  // namespace

// ---- Script ---------------------------------------------------------------------------------

Script& Script::add(UserAction a) {
  actions_.push_back(std::move(a));
  return *this;
}

Script& Script::type(int control, std::string text) {
  UserAction a = action(UserAction::Kind::kType, control);
  a.text = std::move(text);
  return add(std::move(a));
}

Script& Script::check(int control, bool on) {
  return add(action(UserAction::Kind::kCheck, control, on ? 1 : 0));
}

Script& Script::choose_combo(int combo, int index) {
  return add(action(UserAction::Kind::kChooseCombo, combo, index < 0 ? 0 : index));
}

Script& Script::choose_combo_text(int combo, std::string text) {
  UserAction a = action(UserAction::Kind::kChooseCombo, combo, -1);
  a.text = std::move(text);
  return add(std::move(a));
}

Script& Script::choose_tab(int tab, int index) {
  return add(action(UserAction::Kind::kChooseTab, tab, index));
}

Script& Script::select_item(int tree, ItemRef item) {
  return add(on_item(UserAction::Kind::kSelectItem, tree, std::move(item)));
}

Script& Script::expand(int tree, ItemRef item) {
  return add(on_item(UserAction::Kind::kExpand, tree, std::move(item)));
}

Script& Script::collapse(int tree, ItemRef item) {
  return add(on_item(UserAction::Kind::kCollapse, tree, std::move(item)));
}

Script& Script::double_click(int tree, ItemRef item) {
  return add(on_item(UserAction::Kind::kDoubleClick, tree, std::move(item)));
}

Script& Script::right_click(int tree, ItemRef item) {
  return add(on_item(UserAction::Kind::kRightClick, tree, std::move(item)));
}

Script& Script::select_row(int list, int row) {
  return add(action(UserAction::Kind::kSelectRow, list, row));
}

Script& Script::double_click_row(int list, int row) {
  return add(action(UserAction::Kind::kDoubleClickRow, list, row));
}

Script& Script::right_click_row(int list, int row) {
  return add(action(UserAction::Kind::kRightClickRow, list, row));
}

Script& Script::click_column(int list, int column) {
  return add(action(UserAction::Kind::kClickColumn, list, column));
}

Script& Script::choose(int command) {
  return add(action(UserAction::Kind::kChooseMenu, 0, command));
}

Script& Script::drag(int tree, ItemRef item, ItemRef onto, bool shift) {
  UserAction a = on_item(UserAction::Kind::kDrag, tree, std::move(item));
  a.target = std::move(onto);
  a.shift = shift;
  return add(std::move(a));
}

Script& Script::drag_across(int tree, ItemRef item, int onto_tree, ItemRef onto, bool shift) {
  UserAction a = on_item(UserAction::Kind::kDrag, tree, std::move(item));
  a.target = std::move(onto);
  a.drop_control = onto_tree;
  a.shift = shift;
  return add(std::move(a));
}

Script& Script::drag_to(int tree, ItemRef item, DragSpot spot, int ticks, bool shift) {
  UserAction a = on_item(UserAction::Kind::kDrag, tree, std::move(item));
  a.value = static_cast<int>(spot);
  a.ticks = ticks;
  a.shift = shift;
  return add(std::move(a));
}

Script& Script::edit_label(int tree, ItemRef item, std::string text) {
  UserAction a = on_item(UserAction::Kind::kEditLabel, tree, std::move(item));
  a.text = std::move(text);
  return add(std::move(a));
}

Script& Script::cancel_label(int tree, ItemRef item) {
  return add(on_item(UserAction::Kind::kCancelLabel, tree, std::move(item)));
}

Script& Script::tick(int timer) {
  return add(action(UserAction::Kind::kTick, 0, timer));
}

Script& Script::press(int button) {
  return add(action(UserAction::Kind::kPress, button));
}

Script& Script::focus(int control) {
  return add(action(UserAction::Kind::kFocus, control));
}

Script& Script::move_splitter(int splitter, int position) {
  return add(action(UserAction::Kind::kMoveSplitter, splitter, position));
}

Script& Script::enter(int control) {
  return add(action(UserAction::Kind::kEnter, control));
}

Script& Script::close() {
  return add(action(UserAction::Kind::kClose, 0));
}

Script& Script::observe(std::function<void(void* dialog)> look) {
  UserAction a = action(UserAction::Kind::kObserve, 0);
  a.observe = std::move(look);
  return add(std::move(a));
}

// ---- ScriptedUser -------------------------------------------------------------------------------

Script& ScriptedUser::on(int context) {
  waiting_[context].push_back(std::make_unique<Script>());
  return *waiting_[context].back();
}

ScriptedUser& ScriptedUser::answer(int id) {
  answers_.push_back(id);
  return *this;
}

ScriptedUser& ScriptedUser::choose_file(std::string path, std::string description) {
  files_.push_back(FileAnswer{true, std::move(path), std::move(description)});
  extras_.emplace_back();
  return *this;
}

ScriptedUser& ScriptedUser::choose_file(std::string path, FileExtrasAnswer extras) {
  files_.push_back(FileAnswer{true, std::move(path), {}});
  extras_.emplace_back(std::move(extras));
  return *this;
}

ScriptedUser& ScriptedUser::cancel_file() {
  files_.push_back(FileAnswer{});
  extras_.emplace_back();
  return *this;
}

void ScriptedUser::dialog_opened(const DialogInfo& dialog) {
  auto it = waiting_.find(dialog.context);
  if (it == waiting_.end() || it->second.empty()) return;
  Run run;
  run.script = std::move(it->second.front());
  run.context = dialog.context;
  it->second.pop_front();
  if (it->second.empty()) waiting_.erase(it);
  running_[dialog.dialog] = std::move(run);
}

void ScriptedUser::dialog_closed(const DialogInfo& dialog) {
  auto it = running_.find(dialog.dialog);
  if (it == running_.end()) return;
  const Run& run = it->second;
  const auto& actions = run.script->actions();
  for (size_t i = run.next; i < actions.size(); ++i) {
    unused_.push_back("dialog " + std::to_string(run.context) +
                      " closed before: " + actions[i].describe());
  }
  running_.erase(it);
}

std::optional<UserAction> ScriptedUser::next_action(const DialogInfo& dialog) {
  auto it = running_.find(dialog.dialog);
  if (it == running_.end()) return std::nullopt;
  Run& run = it->second;
  if (run.next >= run.script->actions().size()) return std::nullopt;
  return run.script->actions()[run.next++];
}

std::optional<int> ScriptedUser::choose_from_menu(const DialogInfo& dialog,
                                                  const std::vector<int>& commands) {
  auto it = running_.find(dialog.dialog);
  if (it == running_.end()) return std::nullopt;
  Run& run = it->second;
  if (run.next >= run.script->actions().size()) return std::nullopt;
  const UserAction& a = run.script->actions()[run.next];
  if (a.kind != UserAction::Kind::kChooseMenu ||
      std::find(commands.begin(), commands.end(), a.value) == commands.end()) {
    return std::nullopt;  // the menu is dismissed; the action stays for the dialog
  }
  ++run.next;
  return a.value;
}

std::optional<int> ScriptedUser::answer_message_box(const MessageBoxRequest& request) {
  if ((request.flags & kMbTypeMask) == kMbOk) return kIdOk;  // nothing to choose
  if (answers_.empty()) return std::nullopt;
  const int a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<FileAnswer> ScriptedUser::choose_file(const FileRequest&) {
  extras_now_.reset();
  if (files_.empty()) return std::nullopt;
  FileAnswer a = std::move(files_.front());
  files_.pop_front();
  if (!extras_.empty()) {
    extras_now_ = std::move(extras_.front());
    extras_.pop_front();
  }
  return a;
}

std::optional<FileExtrasAnswer> ScriptedUser::file_extras(const FileRequest&) {
  return std::move(extras_now_);
}

bool ScriptedUser::finished() const {
  for (const auto& [dialog, run] : running_) {
    if (run.next < run.script->actions().size()) return false;
  }
  return waiting_.empty() && unused_.empty() && answers_.empty() && files_.empty();
}

std::string ScriptedUser::leftovers() const {
  std::string out;
  for (const auto& [context, scripts] : waiting_) {
    out += std::to_string(scripts.size()) + " script(s) for dialog " + std::to_string(context) +
           " never played\n";
  }
  for (const std::string& line : unused_) out += line + "\n";
  for (const auto& [dialog, run] : running_) {
    const size_t left = run.script->actions().size() - run.next;
    if (left != 0) {
      out += "dialog " + std::to_string(run.context) + " still open with " + std::to_string(left) +
             " action(s) to play\n";
    }
  }
  if (!answers_.empty()) out += std::to_string(answers_.size()) + " message box answer(s) left\n";
  if (!files_.empty()) out += std::to_string(files_.size()) + " file choice(s) left\n";
  return out;
}

}  // namespace dlist
