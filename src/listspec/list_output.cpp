// The list output dialog: the set of list definitions in memory, its File and List
// commands, the questions before work is lost, the dialogs of the List menu (names,
// the chooser, the marks, the properties and the precision list), the menu enabling
// and the two splitters. The tree editor is list_editor.cpp.
//
// The set is written only by save, save as, generate all, close and open, and only
// after the user agreed; generation goes to the main module's CallDoList.
#include "listspec/list_output.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/menu.h"
#include "host/dialog/message_box.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/main_module.h"
#include "host/model/element_parameters.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "listspec/list_output_ids.h"
#include "listspec/list_output_internal.h"
#include "listspec/list_output_dialogs.h"

namespace dlist::listspec {
namespace {

namespace fs = std::filesystem;
namespace ls = dlist::list_sets;

constexpr char kAdapterClass[] = "mouse_adapter";
constexpr int kMainBuffers = 40;
constexpr int kPathSize = 260;
constexpr int kWidth = 640;
constexpr int kHeight = 460;
constexpr int kTop = 26;
constexpr int kBottom = 420;
constexpr int kVerticalMargin = 32;   // the upright splitter stays this far from either side
constexpr int kHorizontalMargin = 8;  // the flat one this far from the column's ends

// Texts.
constexpr int kTextMenuCaption = 4002;
constexpr int kTextSetTitle = 21470;
constexpr int kTextFile = 21077;
constexpr int kTextList = 21494;
constexpr int kTextNode = 21713;
constexpr int kTextClose = 21725;
constexpr int kTextOpenTitle = 21066;
constexpr int kTextSaveTitle = 21067;
constexpr int kTextTxtFiles = 21764;
constexpr int kTextRtfFiles = 21767;
constexpr int kTextOptFiles = 21768;
constexpr int kTextKeepTree = 21125;
constexpr int kTextSaveSet = 21124;
constexpr int kTextDeleteCurrent = 21476;
constexpr int kTextDeleteOther = 21475;
constexpr int kTextDeleteCaption = 21482;
constexpr int kTextChooseTitle = 21471;
constexpr int kTextDeleteChooseTitle = 21495;
constexpr int kTextConvertTitle = 21079;
constexpr int kTextConverted = 21094;
constexpr int kTextOptionsTitle = 21048;
constexpr int kWarnOpenExtension = 45929;
constexpr int kWarnSaveExtension = 45930;
constexpr int kErrorOptions = 45918;
// Texts of our own.
constexpr int kTextSetFiles = 50320;
constexpr int kErrorWrite = 50321;
constexpr int kErrorRead = 50322;
constexpr int kErrorConvert = 50323;

struct MenuEntry {
  int command;
  int text;
};
constexpr MenuEntry kFileMenu[] = {
    {kCmdOpen, 21471}, {kCmdSaveAs, 21472}, {kCmdSave, 21473}, {kCmdGenerateAll, 21076}, {kCmdClose, 21474}};
constexpr MenuEntry kListMenu[] = {{kCmdNew, 21123},        {kCmdChoose, 21471},     {kCmdCopyList, 21472},
                                   {kCmdGenerate, 21056},   {kCmdDeleteList, 21112}, {kCmdMark, 21103},
                                   {kCmdListProperties, 21483}, {kCmdRename, 21323}, {kCmdPrecision, 21035},
                                   {kCmdConvert, 21078},    {kCmdAddOptions, 21047}};
// The splitters' positions, kept across openings (0: the layout's own).
int g_split_v = 0;
int g_split_h = 0;

std::string load(int id) { return load_string(static_cast<unsigned>(id)); }

OutputState& st() { return *g_output; }

DL_LISTSPEC* current_list() {
  OutputState& s = st();
  return s.current >= 0 && static_cast<unsigned>(s.current) < s.set.size() ? s.set[static_cast<unsigned>(s.current)]
                                                                          : nullptr;
}

// The filters of the set file choosers: set files first, then the texts of the
// template choosers and everything.
std::string set_filter() {
  return load(kTextSetFiles) + "|*.ini|" + load(kTextTxtFiles) + "|*.txt|" + load(kTextRtfFiles) + "|*.rtf|*.*|*.*";
}
std::string template_filter() {
  return load(kTextTxtFiles) + "|*.txt|" + load(kTextRtfFiles) + "|*.rtf|*.*|*.*";
}

void report_failure(int message, const std::string& why) {
  if (!why.empty()) DiagnosticOut(why.c_str());
  ErrorId(message);
}

bool question(void* dialog, int text, int caption) {
  return MessageBoxA(dialog, load(text).c_str(), load(caption).c_str(), kMbYesNo | kMbIconExclamation) == kIdYes;
}

void show_name(void* dialog) {
  const DL_LISTSPEC* l = current_list();
  set_control_text(dialog, kOutName, l != nullptr ? l->Name().c_str() : "");
}

void show_title(void* dialog) {
  const std::string file = fs::path(st().ini).filename().string();
  set_dialog_title(dialog, (load(kTextSetTitle) + "   -   " + file).c_str());
}

void make_current(void* dialog, int index) {
  st().current = index;
  st().tree_edited = false;
  show_tree(dialog);
  show_name(dialog);
}

// The set's template: its name is relative to the set's folder.
std::string template_path(const DL_LISTSPEC_LIST& set, const std::string& ini) {
  if (set.TemplateFileName().empty()) return "";
  fs::path t(set.TemplateFileName());
  if (t.is_relative()) t = fs::path(ini).parent_path() / t;
  return t.string();
}

void load_sections(void* dialog) {
  OutputState& s = st();
  s.sections.clear();
  std::string error;
  const std::string path = template_path(s.set, s.ini);
  if (!path.empty() && !ls::ReadTemplate(path, s.sections, error)) {
    DiagnosticOut(error.c_str());
    s.sections.clear();
  }
  fill_sections(dialog);
}

void set_settings() {
  R_Set_STRING(kSettingSetFile, st().ini.c_str());
  const DL_LISTSPEC* l = current_list();
  R_Set_STRING(kSettingListName, l != nullptr ? l->Name().c_str() : "");
}

bool write_specs(const std::string& path) {
  std::string error;
  if (ls::WriteINIListSpecs(st().set, path, error)) return true;
  report_failure(kErrorWrite, error);
  return false;
}

// Before work may be lost: keeps or drops the edited tree, then writes the set when
// the user wants it. False when writing failed (the command then stops).
bool ask(void* dialog, int caption) {
  OutputState& s = st();
  bool write = false;
  if (s.tree_edited) {
    if (question(dialog, kTextKeepTree, caption)) {
      store_tree(dialog);
      s.set_changed = true;
      write = true;
    } else {
      show_tree(dialog);  // the edits are dropped
      write = s.set_changed && question(dialog, kTextSaveSet, caption);
    }
    s.tree_edited = false;
  } else if (s.set_changed) {
    write = question(dialog, kTextSaveSet, caption);
  }
  if (!write || s.ini.empty()) return true;
  if (!write_specs(s.ini)) return false;
  s.set_changed = false;
  return true;
}

// ---- menu enabling ------------------------------------------------------------------------

void enable(void* menu, int command, bool on) { menu_enable(menu, command, on); }

void update_menus(void* dialog) {
  OutputState& s = st();
  if (s.file_menu == nullptr) return;
  enable(s.file_menu, kCmdSaveAs, false);
  enable(s.file_menu, kCmdSave, false);
  enable(s.file_menu, kCmdGenerateAll, false);
  for (const MenuEntry& e : kListMenu) enable(s.list_menu, e.command, false);
  for (const NodeCommand& e : kNodeCommands) enable(s.node_menu, e.command, false);
  enable(s.list_menu, kCmdConvert, true);
  // Without a set nothing else applies.
  if (s.ini.empty()) return;
  enable(s.file_menu, kCmdSaveAs, true);
  enable(s.file_menu, kCmdGenerateAll, true);
  enable(s.list_menu, kCmdPrecision, true);
  enable(s.list_menu, kCmdAddOptions, true);
  enable(s.file_menu, kCmdSave, s.set_changed || s.tree_edited);
  enable(s.list_menu, kCmdNew, true);
  const bool any = s.set.size() > 0;
  enable(s.list_menu, kCmdChoose, any);
  enable(s.list_menu, kCmdDeleteList, any);
  enable(s.list_menu, kCmdMark, any);
  const bool current = current_list() != nullptr;
  for (int c : {kCmdCopyList, kCmdGenerate, kCmdListProperties, kCmdRename}) enable(s.list_menu, c, current);
  update_node_menu(dialog);
}

void build_menus(void* dialog) {
  OutputState& s = st();
  void* bar = menu_create();
  s.file_menu = menu_create();
  s.list_menu = menu_create();
  s.node_menu = menu_create();
  for (const MenuEntry& e : kFileMenu) menu_append(s.file_menu, e.command, load(e.text).c_str());
  for (const MenuEntry& e : kListMenu) menu_append(s.list_menu, e.command, load(e.text).c_str());
  for (const NodeCommand& e : kNodeCommands) menu_append(s.node_menu, e.command, load(e.text).c_str());
  menu_append_popup(bar, s.file_menu, load(kTextFile).c_str());
  menu_append_popup(bar, s.list_menu, load(kTextList).c_str());
  menu_append_popup(bar, s.node_menu, load(kTextNode).c_str());
  dialog_set_menu(dialog, bar);
}

// ---- File commands ------------------------------------------------------------------------

bool choose_path(void* dialog, bool save, int title, const std::string& filter, std::string& path,
                 const char* start = "") {
  std::vector<char> buffer(kPathSize, '\0');
  std::snprintf(buffer.data(), buffer.size(), "%s", start);
  const int chosen = save ? SaveFileR(dialog, filter.c_str(), buffer.data(), kPathSize, load(title).c_str())
                          : SelectFileR(dialog, filter.c_str(), buffer.data(), kPathSize, load(title).c_str());
  if (chosen == 0) return false;
  path = buffer.data();
  return true;
}

void open_set(void* dialog) {
  std::string path;
  if (!choose_path(dialog, false, kTextOpenTitle, set_filter(), path)) return;
  if (!ls::HasIniExtension(path)) {
    WarningId(kWarnOpenExtension);
    return;
  }
  if (!ask(dialog, kTextMenuCaption)) return;
  DL_LISTSPEC_LIST fresh;
  std::string error;
  if (!ls::Read(fresh, path, error)) {
    report_failure(kErrorRead, error);
    return;
  }
  OutputState& s = st();
  s.set.swap(fresh);
  s.ini = path;
  R_Set_STRING(kSettingSetFile, path.c_str());
  show_title(dialog);
  make_current(dialog, -1);
  load_sections(dialog);
  s.set_changed = false;
  s.tree_edited = false;
  if (s.set.size() > 0) post_command(dialog, kCmdChoose);
}

// A template named relative to the old folder is named by its whole path when the
// set moves to another folder that does not hold it.
void keep_template_reachable(DL_LISTSPEC_LIST& set, const std::string& from, const std::string& to) {
  const std::string& name = set.TemplateFileName();
  if (name.empty() || !fs::path(name).is_relative()) return;
  std::error_code ec;
  const fs::path old_path = fs::path(from).parent_path() / name;
  const fs::path new_path = fs::path(to).parent_path() / name;
  if (fs::exists(new_path, ec) || !fs::exists(old_path, ec)) return;
  const std::string whole = fs::absolute(old_path, ec).lexically_normal().string();
  if (!ec && whole.size() <= 255) set.TemplateFileName() = whole;
}

void save_as(void* dialog) {
  OutputState& s = st();
  std::string path;
  if (!choose_path(dialog, true, kTextSaveTitle, set_filter(), path)) return;
  if (!ls::HasIniExtension(path)) {
    WarningId(kWarnSaveExtension);
    return;
  }
  if (s.tree_edited && question(dialog, kTextKeepTree, kTextMenuCaption)) {
    store_tree(dialog);
    s.set_changed = true;
    s.tree_edited = false;
  }
  // The whole set, list definitions included, goes to the new file; the old file
  // stays as it was.
  DL_LISTSPEC_LIST copy(s.set);
  keep_template_reachable(copy, s.ini, path);
  std::string error;
  if (!ls::WriteINI(copy, path, error)) {
    report_failure(kErrorWrite, error);
    return;
  }
  s.set.TemplateFileName() = copy.TemplateFileName();
  s.ini = path;
  s.set.INIFileName() = path;
  s.set_changed = false;
  show_title(dialog);
  set_settings();
}

void save(void* dialog) {
  OutputState& s = st();
  if (s.tree_edited) store_tree(dialog);
  if (!write_specs(s.ini)) return;
  set_settings();
  s.set_changed = false;
  s.tree_edited = false;
}

void generate(void* dialog, bool all) {
  OutputState& s = st();
  DL_LISTSPEC* l = current_list();
  if (all) {
    if (s.tree_edited) store_tree(dialog);
    if (!write_specs(s.ini)) return;
    s.set_changed = false;
    s.tree_edited = false;
    CallDoList(s.ini.c_str(), "", &s.set);
    return;
  }
  if (l == nullptr) return;
  store_tree(dialog);
  s.set_changed = true;
  s.tree_edited = false;
  const std::string name = l->Name();
  CallDoList(s.ini.c_str(), name.c_str(), &s.set);
}

void close_dialog(void* dialog) {
  if (!ask(dialog, kTextChooseTitle)) return;
  set_settings();
  st().set_changed = false;
  st().tree_edited = false;
  post_command(dialog, kIdReject);
}

// ---- List commands ------------------------------------------------------------------------

void append(DL_LISTSPEC* l) {
  DL_LISTSPEC_LIST& set = st().set;
  const unsigned at = set.size();
  set.resize(at + 1);
  set.set(at, l);
}

void new_list(void* dialog) {
  OutputState& s = st();
  auto name = ask_list_name(dialog, kNewNameContext, 21123, "", s.set, -1);
  if (!name) return;
  auto* l = new DL_LISTSPEC(s.set);
  if (s.tree_edited && question(dialog, kTextKeepTree, kTextMenuCaption)) {
    store_tree(dialog);
    s.set_changed = true;
  }
  l->SetName(*name);
  l->SetTree(NewListTree());
  append(l);
  make_current(dialog, static_cast<int>(s.set.size()) - 1);
  s.set_changed = true;
  s.tree_edited = true;
}

void choose_list(void* dialog) {
  OutputState& s = st();
  const int index = choose_list_index(dialog, kTextChooseTitle, s.set, s.current);
  if (index < 0 || index == s.current) return;
  const bool replaces = s.current >= 0;
  if (s.tree_edited && question(dialog, kTextKeepTree, kTextMenuCaption)) {
    store_tree(dialog);
    s.set_changed = true;
  }
  make_current(dialog, index);
  if (replaces) R_Set_STRING(kSettingListName, s.set[static_cast<unsigned>(index)]->Name().c_str());
}

void copy_list(void* dialog) {
  OutputState& s = st();
  DL_LISTSPEC* from = current_list();
  if (from == nullptr) return;
  auto name = ask_list_name(dialog, kCopyNameContext, 21472, "", s.set, -1);
  if (!name) return;
  auto* l = new DL_LISTSPEC(s.set);
  l->copy_properties(*from);
  l->SetName(*name);
  build_from_editor(dialog, *l);  // the copy takes the edited tree
  append(l);
  R_Set_STRING(kSettingListName, name->c_str());
  s.set_changed = true;
}

void delete_list(void* dialog) {
  OutputState& s = st();
  const int index = choose_list_index(dialog, kTextDeleteChooseTitle, s.set, s.current);
  if (index < 0) return;
  const bool is_current = index == s.current;
  if (!question(dialog, is_current ? kTextDeleteCurrent : kTextDeleteOther, kTextDeleteCaption)) return;
  s.set.remove(static_cast<unsigned>(index));
  if (is_current) {
    make_current(dialog, -1);
    R_Set_STRING(kSettingListName, "");
  } else if (index < s.current) {
    --s.current;
  }
  s.set_changed = true;
}

void rename_list(void* dialog) {
  OutputState& s = st();
  DL_LISTSPEC* l = current_list();
  if (l == nullptr) return;
  auto name = ask_list_name(dialog, kRenameContext, 21323, l->Name(), s.set, s.current);
  if (!name) return;
  l->SetName(*name);
  show_name(dialog);
  s.set_changed = true;
}

void run_command(void* dialog, int command) {
  OutputState& s = st();
  switch (command) {
    case kCmdOpen: return open_set(dialog);
    case kCmdSaveAs: return save_as(dialog);
    case kCmdSave: return save(dialog);
    case kCmdGenerateAll: return generate(dialog, true);
    case kCmdClose: return close_dialog(dialog);
    case kCmdNew: return new_list(dialog);
    case kCmdChoose: return choose_list(dialog);
    case kCmdCopyList: return copy_list(dialog);
    case kCmdGenerate: return generate(dialog, false);
    case kCmdDeleteList: return delete_list(dialog);
    case kCmdRename: return rename_list(dialog);
    case kCmdMark:
      if (mark_lists(dialog, s.set, s.current, s.images)) s.set_changed = true;
      return;
    case kCmdListProperties:
      if (DL_LISTSPEC* l = current_list(); l != nullptr && edit_list_properties(dialog, *l, s.set, s.current)) {
        show_name(dialog);
        s.set_changed = true;
      }
      return;
    case kCmdPrecision:
      if (edit_precision(dialog, s.set)) s.set_changed = true;
      return;
    case kCmdConvert: {
      std::string source;
      if (!choose_path(dialog, false, kTextConvertTitle, template_filter(), source, "*.TXT")) return;
      const std::string destination = converted_name(source);
      if (DL_ConvertTemplate(source.c_str(), destination.c_str())) {
        MessageBoxA(dialog, load(kTextConverted).c_str(), destination.c_str(), kMbOk | kMbIconInformation);
      } else {
        report_failure(kErrorConvert, "");
      }
      return;
    }
    case kCmdAddOptions: {
      std::string path;
      const std::string filter = load(kTextOptFiles) + "|*.opt|*.*|*.*";
      if (!choose_path(dialog, false, kTextOptionsTitle, filter, path, "*.OPT")) return;
      std::string error;
      if (!ls::AddOpt(s.set, path, error)) {
        report_failure(kErrorOptions, error);
        return;
      }
      s.set_changed = true;
      return;
    }
    default:
      if (command >= kCmdCopy && command <= kCmdEnable) node_command(dialog, command);
      return;
  }
}

// ---- the layout -----------------------------------------------------------------------------

struct Box {
  int x = 0, y = 0, cx = 0, cy = 0;
};

// Where the list definition's tree, the two splitters, the palette and the section tree
// stand for the splitters' positions (the layout's own where none is kept).
struct Panes {
  Box tree, split_v, palette, split_h, sections;
};

Panes panes() {
  const int split_v = g_split_v != 0 ? g_split_v : 380;
  const int split_h = g_split_h != 0 ? g_split_h : 220;
  const int right = split_v + 2;
  Panes p;
  p.tree = {5, kTop, split_v - 7, kBottom - kTop};
  p.split_v = {split_v - 2, kTop, 4, kBottom - kTop};
  p.palette = {right, kTop, kWidth - 5 - right, split_h - 2 - kTop};
  p.split_h = {right, split_h - 2, kWidth - 5 - right, 4};
  p.sections = {right, split_h + 2, kWidth - 5 - right, kBottom - split_h - 2};
  return p;
}

// Lays the panes out again after a splitter moved.
void lay_out(void* dialog) {
  const Panes p = panes();
  for (const auto& [id, b] : {std::pair{kOutTree, p.tree}, std::pair{kOutSplitter, p.split_v},
                              std::pair{kOutPalette, p.palette}, std::pair{kOutSplitterH, p.split_h},
                              std::pair{kOutSections, p.sections}})
    move_control(dialog, id, b.x, b.y, b.cx, b.cy);
}

// ---- the dialog's procedures ---------------------------------------------------------------

int DLIST_CALL output_action(void* dialog, int control, int code) {
  if (control == kOutSplitter || control == kOutSplitterH) {
    if (code != kDragButtonUp) return 0;
    ScreenRect rect;
    if (!window_rect(GetControlHWND(dialog, control), &rect)) return 0;
    if (control == kOutSplitter) {
      g_split_v = std::clamp(rect.left + 2, kVerticalMargin, kWidth - kVerticalMargin);
    } else {
      g_split_h = std::clamp(rect.top + 2, kTop + kHorizontalMargin, kBottom - kHorizontalMargin);
    }
    lay_out(dialog);
    return 0;
  }
  int result = 0;
  if (control == kOutTree || control == kOutPalette || control == kOutSections) {
    result = editor_notify(dialog, control, code);
  } else if (control == kOutClose && code == kBnClicked) {
    run_command(dialog, kCmdClose);
  } else if (code == kBnClicked && control >= kCmdOpen && control <= kCmdAddOptions) {
    run_command(dialog, control);
  }
  if (g_output->dialog != nullptr) update_menus(dialog);
  return result;
}

int DLIST_CALL output_init(void* dialog) {
  OutputState& s = st();
  s.dialog = dialog;
  s.images = image_list_create(16, 16);
  if (s.images == nullptr) return 0;
  for (const char* name : kIconNames)
    if (image_list_add_icon(s.images, name) < 0) return 0;
  for (int id : {kOutTree, kOutPalette, kOutSections}) tree_set_image_list(GetControlHWND(dialog, id), s.images);
  build_menus(dialog);
  fill_palette(dialog);
  if (!s.ini.empty()) {
    DL_LISTSPEC_LIST fresh;
    std::string error;
    const std::string wanted = s.ini;
    s.ini.clear();
    if (ls::Read(fresh, wanted, error)) {
      s.set.swap(fresh);
      s.ini = wanted;
      show_title(dialog);
      load_sections(dialog);
      char name[DL_LISTSPEC::kMaxName + 2] = {};
      R_Get_STRING(kSettingListName, name, sizeof name);
      const int index = name[0] != '\0' ? s.set.find(name) : -1;
      if (index >= 0) {
        make_current(dialog, index);
      } else if (s.set.size() > 0) {
        post_command(dialog, kCmdChoose);
      }
    } else {
      DiagnosticOut(error.c_str());
    }
  }
  s.set_changed = false;
  s.tree_edited = false;
  ShowDlgInput(dialog, kIdReject, 0);
  update_menus(dialog);
  return 1;
}

// Escape and the close box: a drag in progress is cancelled instead; otherwise the
// dialog closes without writing anything.
int DLIST_CALL output_cancel(void* dialog) { return cancel_drag(dialog) ? 0 : 1; }

bool build(void* parent) {
  const std::string caption = load(kTextMenuCaption) + "   -";
  const Panes p = panes();
  return MakeMainUnit(parent, caption.c_str(), "OutputGen", kWidth, kHeight) != nullptr &&
         StaticText(kOutName, "", 5, 5, kWidth - 10, 16) != 0 &&
         TreeViewInput(kOutTree, p.tree.x, p.tree.y, p.tree.cx, p.tree.cy) != 0 &&
         DragingInput(kOutSplitter, p.split_v.x, p.split_v.y, p.split_v.cx, p.split_v.cy) != 0 &&
         TreeViewInput(kOutPalette, p.palette.x, p.palette.y, p.palette.cx, p.palette.cy) != 0 &&
         DragingInput(kOutSplitterH, p.split_h.x, p.split_h.y, p.split_h.cx, p.split_h.cy) != 0 &&
         TreeViewInput(kOutSections, p.sections.x, p.sections.y, p.sections.cx, p.sections.cy) != 0 &&
         Item("", kOutAdapter, kAdapterClass, 0, 0, 0, 0, 0) != 0 &&
         CommandButton(kOutClose, kTextClose, kWidth - 95, kBottom + 8, 90, 22) != 0 &&
         CommandButton(kIdReject, kTextClose, kWidth - 190, kBottom + 8, 90, 22) != 0 &&
         SetDlgInitProc(output_init) != 0 && SetAllInputProc(output_action) != 0 &&
         SetCancelProc(output_cancel) != 0;
}

// Keeps the adapter's class registered for the dialog's run, and releases it and the
// image list on every way out.
class AdapterClass {
 public:
  AdapterClass() { register_window_class(kAdapterClass, ListOutDragAdapterProc); }
  ~AdapterClass() {
    if (g_output != nullptr && g_output->images != nullptr) {
      image_list_destroy(g_output->images);
      g_output->images = nullptr;
    }
    unregister_window_class(kAdapterClass);
  }
  AdapterClass(const AdapterClass&) = delete;
  AdapterClass& operator=(const AdapterClass&) = delete;
};

}  // namespace

std::string converted_name(const std::string& source) {
  const fs::path p(source);
  const std::string ext = p.extension().string();  // with its dot
  fs::path stem = p;
  stem.replace_extension();
  return stem.string() + "_c" + ext;
}

}  // namespace dlist::listspec

void DLIST_CALL CrtListOutGenerating(void* parent) {
  using namespace dlist;
  using namespace dlist::listspec;
  OutputState state;
  StateScope<OutputState> scope(g_output, &state);
  AdapterClass adapter;
  DialogBuffers buffers(kMainBuffers);
  if (!buffers) {
    SpecBeep(0, units::kDlistgen, __LINE__);
    return;
  }
  if (!build(parent)) {
    SpecBeep(0, units::kDlistgen, __LINE__);
    return;
  }
  char path[kPathSize] = {};
  R_Get_STRING(kSettingSetFile, path, sizeof path);
  std::error_code ec;
  if (path[0] == '\0' || !std::filesystem::is_regular_file(path, ec)) {
    // A set file that is gone is forgotten.
    if (path[0] != '\0') {
      R_Set_STRING(kSettingSetFile, "");
      R_Set_STRING(kSettingListName, "");
    }
  } else {
    state.ini = path;
  }
  RunModalDialog(parent, 0, kOutputContext, 0);
  if (state.drag_source != 0) cancel_drag(state.dialog);
  state.dialog = nullptr;
}
