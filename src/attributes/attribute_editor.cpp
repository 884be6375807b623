// The attribute editor. The dialog works on copies: the definition, the element
// kinds, the unit and the working list of references. OK checks what was entered
// and then writes the definition and its references under one write lock, so a
// failed step leaves the project as it was. After an accepted edit the indirect
// references follow the renamed references they point at.
#include "attributes/attribute_editor.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "attributes/attribute_editor_ids.h"
#include "attributes/held_file.h"
#include "attributes/reference_list_file.h"
#include "attributes/reference_rows.h"
#include "attributes/value_dialogs.h"
#include "dialogs/dialog_runner.h"
#include "foundation/fixed_text.h"
#include "host/database_task.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/menu.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tree_view.h"
#include "host/list/list_context.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/model_database.h"
#include "host/platform.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

constexpr int kBuffers = 16;
constexpr int kWidth = 520;
constexpr int kHeight = 470;
constexpr int kMargin = 8;
constexpr int kLine = 14;
constexpr int kLabel = 90;
constexpr int kButton = 60;
constexpr int kFirstLabel = 10900;
constexpr int kDeleteAll = 10812;  // context menu: delete every reference
constexpr int kHoldFile = 10775;   // context menu: hold the file's content in the project

// Own texts.
constexpr int kTextAbbrevTaken = 50600;
constexpr int kTextChooseUnit = 50601;
constexpr int kTextChooseKinds = 50602;
constexpr int kTextNeedsReference = 50603;
constexpr int kTextListDamaged = 50604;
constexpr int kTextListNotSaved = 50605;
constexpr int kTextHeldNotSaved = 50606;
constexpr int kTextOtherKindBit = 50607;
constexpr int kTextAll = 50608;

// Icons of the editor's image list, by index.
constexpr const char* kIcons[] = {"dummy", "switch", "dimension", "unit"};
constexpr int kIconOff = 0;
constexpr int kIconOn = 1;
constexpr int kIconDimension = 2;
constexpr int kIconUnit = 3;

// Kind combo entries, formula, text, file.
constexpr int kKindTexts[] = {20394, 20395, 20396};
constexpr uint32_t kKindBits[] = {DBATTRIBUTETYPE::kFormula, DBATTRIBUTETYPE::kText,
                                  DBATTRIBUTETYPE::kFile};

// The element-kind bits 0 to 21 with the names of the kinds that have them.
int kind_bit_text(int bit) {
  switch (1u << bit) {
    case 0x1:
      return 21440;
    case 0x2:
      return 21441;
    case 0x4:
      return 21442;
    case 0x8:
      return 21444;
    case 0x10:
      return 21443;
    case 0x20:
      return 21445;
    case 0x40:
      return 21446;
    case 0x80:
      return 21448;
    case 0x100:
      return 21449;
    case 0x200:
      return 21450;
    case 0x400:
      return 21447;
    case 0x80000:
      return 21451;
    case 0x100000:
      return 21452;
    default:
      return 0;
  }
}

// Folders made for viewing held files, removed when the editor closes.
class ViewFolders {
 public:
  ViewFolders() = default;
  ~ViewFolders() {
    for (const std::filesystem::path& folder : folders_) {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    }
  }
  ViewFolders(const ViewFolders&) = delete;
  ViewFolders& operator=(const ViewFolders&) = delete;
  std::filesystem::path make() {
    std::filesystem::path folder = unique_temp_folder(temp_directory(), "dlattr");
    if (!folder.empty()) folders_.push_back(folder);
    return folder;
  }

 private:
  std::vector<std::filesystem::path> folders_;
};

struct EditorState {
  int mode = kAttributeCreate;
  bool definition_only = false;  // CallAttributeShow: no references
  long id = 0;                   // the group (create) or the attribute
  long list = 0;                 // the reference list of an attribute being edited
  DBATTRIBUTETYPE definition;
  int kind = 0;
  uint32_t kinds = 0;  // element-kind bits 0 to 21
  long unit = 0;       // the unit item selected (0: none)
  std::set<long> dimensions;
  ReferenceRows refs;
  bool text_mode = false;  // indirect values shown resolved
  char name[32] = {};
  char abbrev[7] = {};
  char description[100] = {};
  int precision = -1;
  DialogImages images;
  ViewFolders views;
  long result = 0;
  bool failed = false;
};

EditorState* g_editor = nullptr;

bool showing() {
  return g_editor->mode == kAttributeShow;
}

std::string text_of(const TEXTBUFFER& value) {
  return std::string(value.get());
}

// The bytes of a stored value: a held file as it stands, a text without its zero.
std::string value_of(const TEXTBUFFER& value, char flags) {
  if ((flags & kRefHeld) != 0 && value.data() != nullptr)
    return std::string(value.data(), value.size());
  return text_of(value);
}

TEXTBUFFER buffer_of(const ReferenceRow& row) {
  TEXTBUFFER b;
  if ((row.flags & kRefHeld) != 0) {
    b.assign(row.value.data(), static_cast<uint32_t>(row.value.size()));
  } else {
    b.put(row.value.c_str());
  }
  return b;
}

// What the list shows of a value.
std::string shown_value(const ReferenceRow& row) {
  if ((row.flags & kRefHeld) != 0) {
    const std::optional<HeldFile> held = parse_held_file(row.value);
    return held ? std::string(held->name) : std::string();
  }
  if ((row.flags & kRefIndirect) != 0) {
    if (g_editor->text_mode) {
      for (const ReferenceRow& r : g_editor->refs.rows())
        if (r.name == row.value) return shown_value(r);
    }
    return "< " + row.value + " >";
  }
  return row.value;
}

// ---- the reference list ----------------------------------------------------------

int selected_ref(void* dialog) {
  const int row = list_selected(GetControlHWND(dialog, kAttrRefs));
  return row >= 0 && static_cast<std::size_t>(row) < g_editor->refs.size() ? row : -1;
}

void show_ref_buttons(void* dialog) {
  const bool edit = !showing() && !g_editor->definition_only;
  const int row = selected_ref(dialog);
  const bool file = g_editor->kind == 2;
  const bool held =
      row >= 0 && (g_editor->refs.at(static_cast<std::size_t>(row)).flags & kRefHeld) != 0;
  SetInputActivitet(dialog, kAttrAdd, edit);
  SetInputActivitet(dialog, kAttrChange, edit && row >= 0);
  SetInputActivitet(dialog, kAttrRename, edit && row >= 0);
  SetInputActivitet(dialog, kAttrDelete, edit && row >= 0);
  SetInputActivitet(dialog, kAttrLoad, edit);
  SetInputActivitet(dialog, kAttrSave, edit && !g_editor->refs.empty());
  SetInputActivitet(dialog, kAttrTextMode, edit);
  SetInputActivitet(dialog, kAttrView,
                    edit && file && row >= 0 &&
                        (held || !g_editor->refs.at(static_cast<std::size_t>(row)).value.empty()));
}

void fill_refs(void* dialog, int select = -1) {
  void* list = GetControlHWND(dialog, kAttrRefs);
  list_delete_all(list);
  const auto& rows = g_editor->refs.rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int at =
        list_insert_row(list, static_cast<int>(i), rows[i].name.c_str(), static_cast<intptr_t>(i));
    if (at >= 0) list_set_text(list, at, 1, shown_value(rows[i]).c_str());
  }
  if (select >= 0 && static_cast<std::size_t>(select) < rows.size())
    list_set_state(list, select, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
  show_ref_buttons(dialog);
}

// The references that a value dialog offers besides its own row.
ValueRequest value_request(int except, bool changing) {
  ValueRequest r;
  r.changing = changing;
  r.kinds = g_editor->kinds;
  r.own_abbrev = std::string(field_text(g_editor->abbrev));
  r.name_taken = [except](const std::string& name) {
    return g_editor->refs.name_taken(name, except);
  };
  return r;
}

bool run_kind_dialog(void* dialog, ValueRequest* r) {
  switch (g_editor->kind) {
    case 0:
      return run_formula_dialog(dialog, r);
    case 1:
      return run_text_dialog(dialog, r);
    default:
      return run_file_dialog(dialog, r);
  }
}

int add_title() {
  return g_editor->kind == 0 ? 20889 : g_editor->kind == 1 ? 20887 : 20885;
}
int change_title() {
  return g_editor->kind == 0 ? 20890 : g_editor->kind == 1 ? 20888 : 20885;
}

// The value a file dialog gives: the path, or the held content of the file.
bool take_file_value(ValueRequest& r, ReferenceRow* row) {
  if ((r.flags & kRefHeld) == 0) {
    row->value = r.value;
    row->flags = 0;
    return true;
  }
  std::string error;
  std::optional<std::string> held = hold_file(r.value, kMaxHeldFile, &error);
  if (!held) {
    DiagnosticOut(error.c_str());
    SpecBeep(1, units::kDattredi, __LINE__);
    return false;
  }
  row->value = std::move(*held);
  row->flags = kRefHeld;
  return true;
}

void add_reference(void* dialog) {
  ValueRequest r = value_request(-1, false);
  r.title = load_string(static_cast<unsigned>(add_title()));
  if (!run_kind_dialog(dialog, &r)) return;
  ReferenceRow row;
  row.name = r.name;
  if (g_editor->kind == 2) {
    if (!take_file_value(r, &row)) return;
  } else {
    row.value = r.value;
  }
  if (row.name.empty() || g_editor->refs.name_taken(row.name)) return;
  fill_refs(dialog, static_cast<int>(g_editor->refs.insert(std::move(row))));
}

void change_reference(void* dialog) {
  const int i = selected_ref(dialog);
  if (i < 0) return;
  ReferenceRow& row = g_editor->refs.at(static_cast<std::size_t>(i));
  ValueRequest r = value_request(i, true);
  r.title = load_string(static_cast<unsigned>(change_title()));
  if (g_editor->kind != 2) r.title += "  -  " + load_string(20882);
  r.name = row.name;
  r.flags = row.flags & kRefHeld;
  if ((row.flags & kRefHeld) != 0) {
    const std::optional<HeldFile> held = parse_held_file(row.value);
    r.value = held ? std::string(held->name) : std::string();
  } else {
    r.value = row.value;
  }
  if (!run_kind_dialog(dialog, &r)) return;
  if (g_editor->kind == 2) {
    if (!take_file_value(r, &row)) return;
  } else {
    row.value = r.value;
    row.flags &= static_cast<uint8_t>(~kRefIndirect);
  }
  fill_refs(dialog, i);
}

// The rename dialog of a reference: one name field.
struct RenameState {
  std::string name;
  int except = -1;
};
RenameState* g_rename = nullptr;

int DLIST_CALL RenameRef_Init_Proc(void* dialog) {
  set_control_text(dialog, kValueName, g_rename->name.c_str());
  select_control_text(dialog, kValueName);
  return 1;
}

int DLIST_CALL RenameRef_IDC_OK_Proc(void* dialog) {
  const std::string name = control_text(dialog, kValueName);
  if (InputChecking(dialog, 0) == 0 || name.empty() ||
      g_editor->refs.name_taken(name, g_rename->except)) {
    if (!name.empty() && g_editor->refs.name_taken(name, g_rename->except))
      DiagnosticOut(load_string(11856).c_str());
    SpecBeep(1, units::kDattredi, __LINE__);
    SetErrorId(kValueName);
    WarningProc(dialog, 0);
    select_control_text(dialog, kValueName);
    return 0;
  }
  g_rename->name = name;
  return 1;
}

void rename_reference(void* dialog) {
  const int i = selected_ref(dialog);
  if (i < 0) return;
  RenameState state;
  state.name = g_editor->refs.at(static_cast<std::size_t>(i)).name;
  state.except = i;
  const int ok =
      run_dialog(
          DialogRun{dialog, kRenameRefContext, units::kDattredi, 2, nullptr}, g_rename, &state,
          [&] {
            return MakeMainUnit(dialog, load_string(20425).c_str(), "RenameReference", 240, 60) &&
                   StaticText(kFirstLabel, load_string(20969).c_str(), kMargin, kMargin, 60,
                              kLine) &&
                   TextEditInput(kValueName, 70, kMargin, 160, kLine) &&
                   SetInpCont_MinMaxN(kValueName, 1, kMaxReferenceName) &&
                   CommandButton(kIdAccept, 36, 100, 36, kButton, 16) &&
                   CommandButton(kIdReject, 20995, 170, 36, kButton, 16) &&
                   SetDlgInitProc(RenameRef_Init_Proc) && SetIDC_OKProc(RenameRef_IDC_OK_Proc);
          })
          .value_or(0);
  if (ok == 0) return;
  fill_refs(dialog,
            static_cast<int>(g_editor->refs.rename(static_cast<std::size_t>(i), state.name)));
}

void delete_reference(void* dialog) {
  const int i = selected_ref(dialog);
  if (i < 0) return;
  g_editor->refs.erase(static_cast<std::size_t>(i));
  fill_refs(dialog);
}

void load_references(void* dialog) {
  char path[4096] = {};
  const std::string filter = load_string(21764) + "|*.txt|" + load_string(kTextAll) + "|*.*";
  if (SelectFileR(dialog, filter.c_str(), path, sizeof path, load_string(21069).c_str()) == 0)
    return;
  std::FILE* probe = std::fopen(path, "rb");
  if (probe == nullptr) return;  // a file that cannot be opened changes nothing
  std::fclose(probe);
  ReferenceListRead read;
  load_reference_list_file(path, g_editor->kind, &read);
  g_editor->refs.clear();
  if (!read.ok()) {
    DiagnosticOut(read.message.c_str());
    if (read.fault == ReferenceListRead::Fault::kWrongKind) {
      message_box(dialog, load_string(21093).c_str(), load_string(21092).c_str(), kMbOk);
    } else {
      message_box(dialog, (load_string(kTextListDamaged) + "\n" + read.message).c_str(),
                  load_string(21092).c_str(), kMbOk);
    }
  } else {
    for (ReferenceListEntry& e : read.entries) {
      ReferenceRow row;
      row.name = std::move(e.name);
      row.value = std::move(e.value);
      g_editor->refs.insert(std::move(row));
    }
  }
  fill_refs(dialog);
}

void save_references(void* dialog) {
  std::vector<ReferenceListEntry> entries;
  for (const ReferenceRow& row : g_editor->refs.rows()) {
    ReferenceListEntry e;
    e.name = row.name;
    // A held file is written as its name: its content stays in the project.
    e.value = (row.flags & kRefHeld) != 0 ? shown_value(row) : row.value;
    entries.push_back(std::move(e));
  }
  std::string bytes;
  std::string error;
  if (!write_reference_list(g_editor->kind, entries, &bytes, &error)) {
    message_box(dialog, (load_string(kTextListNotSaved) + "\n" + error).c_str(),
                load_string(21070).c_str(), kMbOk);
    return;
  }
  char path[4096] = {};
  const std::string filter = load_string(21764) + "|*.txt|" + load_string(kTextAll) + "|*.*";
  if (SaveFile(dialog, filter.c_str(), path, sizeof path, load_string(21070).c_str()) == 0) return;
  if (!save_reference_list_file(path, bytes, &error)) {
    message_box(dialog, (load_string(kTextListNotSaved) + "\n" + error).c_str(),
                load_string(21070).c_str(), kMbOk);
  }
}

// Writes the held file of the selected reference into a folder the user chooses.
void save_held_file(void* dialog) {
  const int i = selected_ref(dialog);
  if (i < 0) return;
  const ReferenceRow& row = g_editor->refs.at(static_cast<std::size_t>(i));
  const std::optional<HeldFile> held = parse_held_file(row.value);
  if ((row.flags & kRefHeld) == 0 || !held) return;
  const std::optional<std::string> name = plain_file_name(held->name);
  char folder[4096] = {};
  if (!name ||
      SurePathDialog(dialog, folder, sizeof folder, "*.*", load_string(20901).c_str()) == 0)
    return;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::path(folder) / *name, ec) &&
      message_box(dialog, (load_string(20899) + "\n" + load_string(20900)).c_str(),
                  load_string(20901).c_str(), kMbYesNo) != kIdYes)
    return;
  std::string error;
  if (!write_held_file(row.value, folder, &error)) {
    DiagnosticOut(error.c_str());
    message_box(dialog, (load_string(kTextHeldNotSaved) + "\n" + error).c_str(),
                load_string(20901).c_str(), kMbOk);
  }
}

// Opens the file of the selected reference: a held one is written into a fresh
// temporary folder first.
void view_file(void* dialog) {
  const int i = selected_ref(dialog);
  if (i < 0 || g_editor->kind != 2) return;
  const ReferenceRow& row = g_editor->refs.at(static_cast<std::size_t>(i));
  std::filesystem::path file;
  std::string error;
  if ((row.flags & kRefHeld) != 0) {
    const std::filesystem::path folder = g_editor->views.make();
    if (folder.empty()) {
      error = "no temporary folder";
    } else if (std::optional<std::filesystem::path> written =
                   write_held_file(row.value, folder, &error)) {
      file = *written;
    }
  } else {
    file = row.value;
  }
  if (file.empty() || !open_file_for_viewing(file)) {
    if (!error.empty()) DiagnosticOut(error.c_str());
    message_box(dialog, load_string(21071).c_str(), load_string(21072).c_str(), kMbOk);
  }
}

// Holds the content of the selected file reference's file in the project.
void hold_reference(void* dialog) {
  const int i = selected_ref(dialog);
  if (i < 0 || g_editor->kind != 2) return;
  ReferenceRow& row = g_editor->refs.at(static_cast<std::size_t>(i));
  if ((row.flags & (kRefHeld | kRefIndirect)) != 0) return;
  std::string error;
  std::optional<std::string> held = hold_file(row.value, kMaxHeldFile, &error);
  if (!held) {
    DiagnosticOut(error.c_str());
    message_box(dialog, load_string(21071).c_str(), load_string(21072).c_str(), kMbOk);
    return;
  }
  row.value = std::move(*held);
  row.flags = kRefHeld;
  fill_refs(dialog, i);
}

void context_menu(void* dialog) {
  void* menu = menu_create();
  if (menu == nullptr) return;
  const int i = selected_ref(dialog);
  const bool row = i >= 0;
  const bool file = g_editor->kind == 2;
  const bool held = row && (g_editor->refs.at(static_cast<std::size_t>(i)).flags & kRefHeld) != 0;
  const bool edit = !showing() && !g_editor->definition_only;
  menu_append(menu, kAttrChange, load_string(20878).c_str());
  menu_enable(menu, kAttrChange, edit && row);
  menu_append(menu, kAttrRename, load_string(20426).c_str());
  menu_enable(menu, kAttrRename, edit && row);
  menu_append(menu, kAttrDelete, load_string(20877).c_str());
  menu_enable(menu, kAttrDelete, edit && row);
  menu_append(menu, kDeleteAll, load_string(20903).c_str());
  menu_enable(menu, kDeleteAll, edit && !g_editor->refs.empty());
  if (file) {
    menu_append_separator(menu);
    menu_append(menu, kAttrSaveFile, load_string(20896).c_str());
    menu_enable(menu, kAttrSaveFile, edit && held);
    menu_append(menu, kHoldFile, load_string(20895).c_str());
    menu_enable(menu, kHoldFile, edit && row && !held);
    menu_append(menu, kAttrViewFile, load_string(20902).c_str());
    menu_enable(menu, kAttrViewFile, edit && row);
  }
  menu_append_separator(menu);
  menu_append(menu, kAttrCloseMenu, load_string(37).c_str());
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  switch (command) {
    case kAttrChange:
      change_reference(dialog);
      break;
    case kAttrRename:
      rename_reference(dialog);
      break;
    case kAttrDelete:
      delete_reference(dialog);
      break;
    case kDeleteAll:
      g_editor->refs.clear();
      fill_refs(dialog);
      break;
    case kAttrSaveFile:
      save_held_file(dialog);
      break;
    case kHoldFile:
      hold_reference(dialog);
      break;
    case kAttrViewFile:
      view_file(dialog);
      break;
    default:
      break;
  }
}

// ---- kinds, element kinds and units ----------------------------------------------

void show_kind_controls(void* dialog) {
  const bool edit = !showing();
  const bool formula = g_editor->kind == 0;
  SetInputActivitet(dialog, kAttrSummarizable, edit && formula);
  SetInputActivitet(dialog, kAttrPrecision, edit && formula);
  SetInputActivitet(dialog, kAttrKind,
                    g_editor->mode == kAttributeCreate && !g_editor->definition_only);
}

void switch_kind(void* dialog, int kind) {
  if (kind < 0 || kind > 2 || kind == g_editor->kind) return;
  g_editor->refs.switch_kind(g_editor->kind, kind);
  g_editor->kind = kind;
  show_kind_controls(dialog);
  fill_refs(dialog);
}

bool fill_kinds(void* dialog) {
  void* tree = GetControlHWND(dialog, kAttrKinds);
  for (int bit = 0; bit < 22; ++bit) {
    const int text = kind_bit_text(bit);
    std::string label = text != 0 ? load_string(static_cast<unsigned>(text)) : std::string();
    if (label.empty()) {
      char buffer[96];
      std::snprintf(buffer, sizeof buffer, load_string(kTextOtherKindBit).c_str(), bit);
      label = buffer;
    }
    const int image = (g_editor->kinds & (1u << bit)) != 0 ? kIconOn : kIconOff;
    if (tree_insert(tree, kTviRoot, kTviLast, label.c_str(), image, image,
                    static_cast<intptr_t>(1u << bit)) == nullptr)
      return false;
  }
  return true;
}

void toggle_kind(void* dialog) {
  const Notification* n = notification();
  if (n == nullptr || n->item == nullptr || showing()) return;
  const uint32_t bit = static_cast<uint32_t>(n->param);
  if ((bit & DBATTRIBUTETYPE::kEditorKinds) == 0) return;
  g_editor->kinds ^= bit;
  const int image = (g_editor->kinds & bit) != 0 ? kIconOn : kIconOff;
  tree_set_image(GetControlHWND(dialog, kAttrKinds), n->item, image, image);
}

// Adds the units below parent under item, depth first.
bool add_units(void* tree, LISTCONTEXT* library, long parent, _TREEITEM* item, long want,
               int depth) {
  std::vector<long> ids;
  if (depth > 32 || library->unit_children(parent, ids) < 0) return depth <= 32;
  for (long id : ids) {
    dbunit unit{};
    if (library->get(id, unit) <= 0) continue;
    const std::string label =
        std::string(field_text(unit.abbrev)) + " - " + std::string(field_text(unit.name));
    _TREEITEM* child = tree_insert(tree, item, kTviLast, label.c_str(), kIconUnit, kIconUnit, id);
    if (child == nullptr) return false;
    if (id == want) tree_select(tree, child);
    if (!add_units(tree, library, id, child, want, depth + 1)) return false;
  }
  return true;
}

bool fill_units(void* dialog) {
  LISTCONTEXT* library = MaterialLibrary().GetPC();
  if (library == nullptr) return true;  // no material library: no units to offer
  void* tree = GetControlHWND(dialog, kAttrUnits);
  ReadLock lock(library);
  if (!lock) return true;
  dbunit found{};
  const std::string unit(field_text(g_editor->definition.unit));
  const long want = unit.empty() ? 0 : library->find_unit(unit.c_str(), found);
  std::vector<long> dimensions;
  if (library->unit_children(0, dimensions) < 0) return true;
  for (long id : dimensions) {
    dbunit dimension{};
    if (library->get(id, dimension) <= 0) continue;
    g_editor->dimensions.insert(id);
    _TREEITEM* item =
        tree_insert(tree, kTviRoot, kTviLast, std::string(field_text(dimension.name)).c_str(),
                    kIconDimension, kIconDimension, id);
    if (item == nullptr || !add_units(tree, library, id, item, want, 0)) return false;
  }
  g_editor->unit = want > 0 ? want : 0;
  return true;
}

// ---- callbacks ----------------------------------------------------------------------

int DLIST_CALL AttributeEdit_Init_Proc(void* dialog) {
  EditorState& s = *g_editor;
  void* images = s.images.create(16, 16);
  if (images == nullptr) return 0;
  for (const char* icon : kIcons)
    if (image_list_add_icon(images, icon) < 0) return 0;
  tree_set_image_list(GetControlHWND(dialog, kAttrKinds), images);
  tree_set_image_list(GetControlHWND(dialog, kAttrUnits), images);
  void* combo = GetControlHWND(dialog, kAttrKind);
  for (int text : kKindTexts)
    if (combo_add(combo, load_string(static_cast<unsigned>(text)).c_str()) < 0) return 0;
  combo_set_current(combo, s.kind);
  set_control_check(dialog, kAttrChoiceOnly,
                    (s.definition.options & DBATTRIBUTETYPE::kOptionChoiceOnly) != 0);
  set_control_check(dialog, kAttrSecondOption,
                    (s.definition.options & DBATTRIBUTETYPE::kOptionSecond) != 0);
  set_control_check(dialog, kAttrSummarizable, s.definition.IsSummarizable());
  void* list = GetControlHWND(dialog, kAttrRefs);
  if (list_insert_column(list, 0, load_string(20418).c_str(), 120) < 0 ||
      list_insert_column(list, 1, load_string(20404).c_str(), 8000) < 0)
    return 0;
  if (!fill_kinds(dialog) || !fill_units(dialog)) {
    SpecBeep(0, units::kDattredi, __LINE__);
    return 0;
  }
  show_kind_controls(dialog);
  if (showing()) {
    for (int id : {kAttrChoiceOnly, kAttrSecondOption, kAttrSummarizable, kAttrPrecision})
      SetInputActivitet(dialog, id, 0);
  }
  // A definition shown alone has no references: the list and its buttons are hidden.
  if (s.definition_only) {
    for (int id : {kAttrRefs, kAttrAdd, kAttrChange, kAttrRename, kAttrDelete, kAttrLoad,
                   kAttrSave, kAttrTextMode, kAttrView})
      ShowDlgInput(dialog, id, 0);
  }
  fill_refs(dialog);
  return 1;
}

int DLIST_CALL AttributeEdit_ExtAction_Proc(void* dialog, int control, int code) {
  EditorState& s = *g_editor;
  const bool edit = !showing() && !s.definition_only;
  switch (control) {
    case kAttrKind:
      if (code == kCbnSelChange)
        switch_kind(dialog, combo_current(GetControlHWND(dialog, kAttrKind)));
      break;
    case kAttrKinds:
      if (code == kNmDblClk) toggle_kind(dialog);
      break;
    case kAttrUnits:
      if (code == kTvnSelChanged && !showing()) {
        const Notification* n = notification();
        if (n != nullptr && n->item != nullptr) s.unit = static_cast<long>(n->param);
      }
      break;
    case kAttrRefs:
      if (code == kLvnItemChanged) show_ref_buttons(dialog);
      if (code == kNmDblClk && edit) change_reference(dialog);
      if (code == kNmRClick) context_menu(dialog);
      break;
    default:
      if (code != kBnClicked || !edit) break;
      switch (control) {
        case kAttrAdd:
          add_reference(dialog);
          break;
        case kAttrChange:
          change_reference(dialog);
          break;
        case kAttrRename:
          rename_reference(dialog);
          break;
        case kAttrDelete:
          delete_reference(dialog);
          break;
        case kAttrLoad:
          load_references(dialog);
          break;
        case kAttrSave:
          save_references(dialog);
          break;
        case kAttrView:
          view_file(dialog);
          break;
        case kAttrTextMode:
          s.text_mode = !s.text_mode;
          fill_refs(dialog, selected_ref(dialog));
          break;
        default:
          break;
      }
  }
  return 0;
}

// Refuses the input of control with reason: the reason goes to the diagnostic
// output, the control is marked and warned about.
int refuse(void* dialog, int control, int reason) {
  DiagnosticOut(load_string(static_cast<unsigned>(reason)).c_str());
  SetErrorId(control);
  WarningProc(dialog, 0);
  return 0;
}

// Whether an element parameter or another attribute of the project has abbrev.
bool abbrev_taken(const std::string& abbrev) {
  const uint32_t all = DBATTRIBUTETYPE::kEditorKinds;
  const int n = nParameter(all);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(all, i, &p) != 0 && field_text(p.abbrev) == abbrev) return true;
  }
  for (const PROJECTATTRIBUTE& a : ProjectAttributes())
    if (field_text(a.definition.abbrev) == abbrev) return true;
  return false;
}

// Creates every reference of the working list in list; false on any failure.
bool create_references(long list, const std::vector<const ReferenceRow*>& rows) {
  ATTR_REF refs;
  for (const ReferenceRow* row : rows) {
    const TEXTBUFFER value = buffer_of(*row);
    const long id = (row->flags & kRefHeld) != 0
                        ? refs.filepred_import(list, row->name.c_str(), value)
                        : refs.cre(list, row->name.c_str(), value, static_cast<char>(row->flags));
    if (id < 1) return false;
  }
  return true;
}

struct StoredRef {
  long id = 0;
  std::string name;
  std::string value;
  uint8_t flags = 0;
};

std::vector<StoredRef> stored_refs(long list) {
  std::vector<StoredRef> out;
  ATTR_REF refs;
  if (refs.rew(list, 0) < 1) return out;
  for (;;) {
    char name[kMaxReferenceName + 1] = {};
    TEXTBUFFER value;
    char flags = 0;
    const long id = refs.get(name, &value, &flags);
    if (id < 1) break;
    out.push_back(
        {id, std::string(field_text(name)), value_of(value, flags), static_cast<uint8_t>(flags)});
  }
  return out;
}

// Replaces the stored references of list by the working list. A stored file
// reference whose name, flags and value the list holds unchanged stays as it is
// (with its identifier); every other stored reference is removed and the list's
// others are created.
bool replace_references(long list) {
  const bool file = g_editor->kind == 2;
  ATTR_REF refs;
  std::vector<const ReferenceRow*> create;
  std::set<std::string> kept;
  const std::vector<StoredRef> stored = stored_refs(list);
  for (const StoredRef& st : stored) {
    bool keep = false;
    if (file) {
      for (const ReferenceRow& row : g_editor->refs.rows())
        if (row.name == st.name && row.flags == st.flags && same_held_value(st.value, row.value))
          keep = true;
    }
    if (keep) {
      kept.insert(st.name);
    } else if (refs.del(st.id) == 0) {
      return false;
    }
  }
  for (const ReferenceRow& row : g_editor->refs.rows())
    if (kept.count(row.name) == 0) create.push_back(&row);
  return create_references(list, create);
}

// Indirect references follow the references they name: a renamed one gives its
// new name to every indirect reference that held the old one; an indirect
// reference that names no reference any more is removed.
bool follow_renames(long list) {
  const std::map<std::string, std::string> renames = g_editor->refs.renames();
  ATTR_REF refs;
  if (!renames.empty() && refs.rew(list, 0) >= 1) {
    for (;;) {
      char name[kMaxReferenceName + 1] = {};
      TEXTBUFFER value;
      char flags = 0;
      if (refs.get(name, &value, &flags) < 1) break;
      if ((flags & kRefIndirect) == 0) continue;
      const auto to = renames.find(text_of(value));
      if (to != renames.end() && refs.mod_indirect_name(to->second.c_str()) == 0) return false;
    }
  }
  const std::vector<StoredRef> now = stored_refs(list);
  std::set<std::string> names;
  for (const StoredRef& r : now) names.insert(r.name);
  for (const StoredRef& r : now)
    if ((r.flags & kRefIndirect) != 0 && names.count(r.value) == 0 && refs.del(r.id) == 0)
      return false;
  return true;
}

// Writes the definition and its references; false, with nothing changed, on failure.
bool write_attribute(void* dialog) {
  EditorState& s = *g_editor;
  WriteLock lock(active_model());
  if (!lock) return false;
  ATTRIBUTES library;
  long list = s.list;
  long id = s.id;
  bool ok = true;
  if (s.mode == kAttributeCreate) {
    id = library.cre_attribute(s.id, &s.definition);
    if (id == ATTRIBUTES::kNameTaken || id == ATTRIBUTES::kAbbrevTaken) {
      // Refused before anything was written: the user may still change the field.
      lock.unlock();
      refuse(dialog, id == ATTRIBUTES::kNameTaken ? kAttrName : kAttrAbbrev,
             id == ATTRIBUTES::kNameTaken ? 11856 : kTextAbbrevTaken);
      return false;
    }
    DBATTRIBUTETYPE read;
    ok = id > 0 && (list = library.get_id_attribute(id, &read)) > 0;
    std::vector<const ReferenceRow*> rows;
    for (const ReferenceRow& row : s.refs.rows()) rows.push_back(&row);
    ok = ok && create_references(list, rows);
  } else {
    ok = library.mod_attribute(id, &s.definition) != 0 && replace_references(list) &&
         follow_renames(list);
  }
  if (!ok) {
    lock.abandon();
    lock.unlock();
    SpecBeep(0, units::kDattredi, __LINE__);
    s.failed = true;
    return false;
  }
  if (!lock.unlock()) {
    s.failed = true;
    return false;
  }
  s.result = id;
  if (s.kind == 0 || (s.definition.flags & DBATTRIBUTETYPE::kFormula) != 0)
    InvalidateProjectAttributes();
  return true;
}

int DLIST_CALL AttributeEdit_IDC_OK_Proc(void* dialog) {
  EditorState& s = *g_editor;
  if (showing()) {
    s.result = s.definition_only ? 1 : s.id;
    return 1;
  }
  if (InputChecking(dialog, 0) == 0) {
    WarningProc(dialog, 0);
    return 0;
  }
  DBATTRIBUTETYPE& d = s.definition;
  if (s.mode == kAttributeCreate) {
    const std::string abbrev = control_text(dialog, kAttrAbbrev);
    if (abbrev_taken(abbrev)) return refuse(dialog, kAttrAbbrev, kTextAbbrevTaken);
    d.set_name(control_text(dialog, kAttrName).c_str());
    d.set_abbrev(abbrev.c_str());
  }
  d.set_description(control_text(dialog, kAttrDescription).c_str());
  if (s.unit != 0 && s.dimensions.count(s.unit) != 0)
    return refuse(dialog, kAttrUnits, kTextChooseUnit);
  std::string unit;
  if (s.unit != 0) {
    dbunit rec{};
    LISTCONTEXT* library = MaterialLibrary().GetPC();
    if (library != nullptr && library->get(s.unit, rec) > 0)
      unit = std::string(field_text(rec.abbrev));
  }
  d.set_unit(unit.c_str());
  if ((s.kinds & DBATTRIBUTETYPE::kEditorKinds) == 0)
    return refuse(dialog, kAttrKinds, kTextChooseKinds);
  d.flags = (d.flags & ~(DBATTRIBUTETYPE::kKindBits | DBATTRIBUTETYPE::kEditorKinds)) |
            (s.kinds & DBATTRIBUTETYPE::kEditorKinds) | kKindBits[s.kind];
  uint8_t options =
      d.options & ~(DBATTRIBUTETYPE::kOptionChoiceOnly | DBATTRIBUTETYPE::kOptionSecond |
                    DBATTRIBUTETYPE::kOptionSummarizable);
  if (control_check(dialog, kAttrChoiceOnly)) options |= DBATTRIBUTETYPE::kOptionChoiceOnly;
  if (control_check(dialog, kAttrSecondOption)) options |= DBATTRIBUTETYPE::kOptionSecond;
  if (control_enabled(dialog, kAttrSummarizable) && control_check(dialog, kAttrSummarizable))
    options |= DBATTRIBUTETYPE::kOptionSummarizable;
  d.options = options;
  if (control_enabled(dialog, kAttrPrecision))
    d.precision = static_cast<int8_t>(GetInpCont_Integer(kAttrPrecision));
  if ((options & DBATTRIBUTETYPE::kOptionChoiceOnly) != 0 && s.refs.empty())
    return refuse(dialog, kAttrChoiceOnly, kTextNeedsReference);
  // A refusal by the store (a name taken meanwhile) keeps the dialog open; a failed
  // write closes it as failed.
  if (!write_attribute(dialog)) return s.failed ? 1 : 0;
  return 1;
}

int DLIST_CALL AttributeEdit_Cancel_Proc(void*) {
  return 1;
}

// ---- building -------------------------------------------------------------------------

bool label(int& next, int text, int x, int y, int cx) {
  return StaticText(next++, load_string(static_cast<unsigned>(text)).c_str(), x, y, cx, kLine) != 0;
}

bool build(void* parent, int title) {
  EditorState& s = *g_editor;
  if (!MakeMainUnit(parent, load_string(static_cast<unsigned>(title)).c_str(), "AttributeEdit",
                    kWidth, kHeight))
    return false;
  const bool creating = s.mode == kAttributeCreate && !s.definition_only;
  const unsigned fixed = creating ? 0u : kEsReadOnly;
  int next = kFirstLabel;
  const int x = kMargin + kLabel;
  const int half = (kWidth - 3 * kMargin) / 2;
  int y = kMargin;
  bool ok = label(next, 20400, kMargin, y, kLabel) &&
            TextEditInput(kAttrName, x, y, half - kLabel, kLine, fixed) &&
            SetInpCont_Addres(kAttrName, s.name, sizeof s.name) &&
            SetInpCont_MinMaxN(kAttrName, 1, 31) && label(next, 20401, 2 * kMargin + half, y, 60) &&
            TextEditInput(kAttrAbbrev, 2 * kMargin + half + 60, y, 60, kLine, fixed) &&
            SetInpCont_Addres(kAttrAbbrev, s.abbrev, sizeof s.abbrev) &&
            SetInpCont_MinMaxN(kAttrAbbrev, 1, 6);
  y += kLine + 4;
  ok = ok && label(next, 20403, kMargin, y, kLabel) &&
       TextEditInput(kAttrDescription, x, y, kWidth - x - kMargin, kLine,
                     showing() ? kEsReadOnly : 0u) &&
       SetInpCont_Addres(kAttrDescription, s.description, sizeof s.description) &&
       SetInpCont_MinMaxN(kAttrDescription, 0, 99);
  y += kLine + 4;
  ok = ok && label(next, 20399, kMargin, y, kLabel) &&
       ComboInput(kAttrKind, x, y, 100, kLine, kCbsDropDownList) &&
       label(next, 20422, 2 * kMargin + half, y, 60) &&
       IntegerInput(kAttrPrecision, 2 * kMargin + half + 60, y, 40, kLine) &&
       SetInpCont_Addres(kAttrPrecision, &s.precision) && SetInpCont_MinMaxN(kAttrPrecision, -9, 9);
  y += kLine + 4;
  ok = ok && CheckBoxInput(kAttrChoiceOnly, load_string(20419).c_str(), kMargin, y, 160, kLine) &&
       CheckBoxInput(kAttrSecondOption, load_string(20420).c_str(), kMargin + 170, y, 160, kLine) &&
       CheckBoxInput(kAttrSummarizable, load_string(20421).c_str(), kMargin + 340, y, 160, kLine);
  y += kLine + 6;
  ok = ok && label(next, 20406, kMargin, y, half) &&
       label(next, 20402, 2 * kMargin + half, y, half) &&
       TreeViewInput(kAttrKinds, kMargin, y + kLine, half, 120) &&
       TreeViewInput(kAttrUnits, 2 * kMargin + half, y + kLine, half, 120);
  y += kLine + 126;
  ok = ok && label(next, 20397, kMargin, y, kLabel) &&
       ListViewInputA(kAttrRefs, kMargin, y + kLine, kWidth - 3 * kMargin - kButton, 150);
  struct Button {
    int id;
    int text;
  };
  const Button buttons[] = {{kAttrAdd, 20881},      {kAttrChange, 20882}, {kAttrRename, 20425},
                            {kAttrDelete, 20883},   {kAttrLoad, 21069},   {kAttrSave, 21070},
                            {kAttrTextMode, 20894}, {kAttrView, 21068}};
  int by = y + kLine;
  for (const Button& b : buttons) {
    ok = ok && CommandButton(b.id, b.text, kWidth - kMargin - kButton, by, kButton, 16);
    by += 18;
  }
  ok = ok && SetInpCont_ToolTip(kAttrTextMode, 20894);
  const int bottom = kHeight - kMargin - 16;
  ok = ok && CommandButton(kIdAccept, 36, kWidth - 2 * (kButton + kMargin), bottom, kButton, 16);
  if (!showing())
    ok = ok && CommandButton(kIdReject, 20995, kWidth - kButton - kMargin, bottom, kButton, 16);
  return ok && SetDlgInitProc(AttributeEdit_Init_Proc) &&
         SetAllInputProc(AttributeEdit_ExtAction_Proc) &&
         SetIDC_OKProc(AttributeEdit_IDC_OK_Proc) && SetCancelProc(AttributeEdit_Cancel_Proc);
}

void take_definition(EditorState& s) {
  s.kind = s.definition.kind_index() < 0 ? 0 : s.definition.kind_index();
  s.kinds = s.definition.flags & DBATTRIBUTETYPE::kEditorKinds;
  copy_cut(s.name, sizeof s.name, field_text(s.definition.name));
  copy_cut(s.abbrev, sizeof s.abbrev, field_text(s.definition.abbrev));
  copy_cut(s.description, sizeof s.description, field_text(s.definition.description));
  s.precision = s.definition.precision;
}

// The editor's run: nothing when it could not start, else whether it was accepted.
std::optional<int> run_editor(void* window, EditorState& state, int title, int line) {
  return run_dialog(
      DialogRun{window, kAttributeEditContext, units::kDattredi, kBuffers, &state.images}, g_editor,
      &state, [&] { return build(window, title); }, line);
}

}  // namespace
}  // namespace dlist

using namespace dlist;

long CallAttributeEdit(void* window, long id, int mode) {
  if (mode < kAttributeCreate || mode > kAttributeShow || id < 1 || g_editor != nullptr) {
    SpecBeep(0, units::kDattredi, __LINE__);
    return 0;
  }
  EditorState state;
  state.mode = mode;
  state.id = id;
  ATTRIBUTES library;
  if (mode == kAttributeCreate) {
    DBATTRIBUTENODETYPE group;
    if (library.get_id_node(id, &group) != id || !group.is_group()) {
      SpecBeep(0, units::kDattredi, __LINE__);
      return 0;
    }
    state.definition.precision = -1;
  } else {
    state.list = library.get_id_attribute(id, &state.definition);
    if (state.list < 1) {
      SpecBeep(0, units::kDattredi, __LINE__);
      return 0;
    }
  }
  take_definition(state);
  if (mode != kAttributeCreate) {
    for (const StoredRef& r : stored_refs(state.list)) {
      ReferenceRow row;
      row.name = r.name;
      row.value = r.value;
      row.flags = r.flags;
      row.original = r.name;
      state.refs.insert(std::move(row));
    }
  }
  const int title = mode == kAttributeCreate ? 20398 : mode == kAttributeEdit ? 20393 : 21420;
  const std::optional<int> result = run_editor(window, state, title, __LINE__);
  return result.value_or(0) != 0 && !state.failed ? state.result : 0;
}

int CallAttributeShow(void* window, DBATTRIBUTETYPE& definition) {
  if (g_editor != nullptr) {
    SpecBeep(0, units::kDattredi, __LINE__);
    return 0;
  }
  EditorState state;
  state.mode = kAttributeShow;
  state.definition_only = true;
  state.definition = definition;
  take_definition(state);
  return run_editor(window, state, 21420, __LINE__).has_value() ? 1 : 0;
}
