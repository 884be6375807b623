// The attribute link panel: rows of link records, their order, drawing, the value
// dialogs, the commands of the list and the tree, the mode buttons and the timer.
#include "attributes/attribute_link.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "attributes/attribute_editor.h"
#include "attributes/attribute_manager.h"
#include "attributes/attribute_refs.h"
#include "attributes/attribute_tree.h"
#include "attributes/held_file.h"
#include "attributes/value_dialogs.h"
#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/menu.h"
#include "host/dialog/message_box.h"
#include "host/dialog/owner_draw.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/attribute_store.h"
#include "host/platform.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

constexpr int kTextChoiceTitle = 50820;
constexpr int kTextNameTaken = 50821;
constexpr int kTextNotHeld = 50822;
constexpr int kTextNotWritten = 50823;

struct Reference {
  long id = 0;
  std::string name;
  std::string value;  // bytes as stored
  uint8_t flags = 0;
};

struct LinkState {
  void* dialog = nullptr;
  void* parent = nullptr;
  int width = 0, height = 0, top = 0;  // the panel's size; where the panes begin
  DBATTREFCHAIN* chain = nullptr;
  int current = -1;
  int mode = 0;
  uint32_t filter = 0;
  char* options = nullptr;
  bool resolved = false;  // view mode 10480
  int own_subtype = 16;   // the selection field when the host gives none
  std::string bitmap;
};

LinkState g_link;
void* g_images = nullptr;
int* g_subtype = nullptr;
int g_first_width = 160;  // kept between panels
int g_split = 0;
std::vector<std::filesystem::path> g_view_folders;

std::string field(const char* text, std::size_t size) {
  return std::string(text, strnlen(text, size));
}

// The library entry and definition of a row's attribute; 0 when none.
long row_attribute(const DBATTREFTYPE& row, DBATTRIBUTETYPE* def) {
  const std::string abbrev = field(row.abbrev, sizeof row.abbrev);
  return abbrev.empty() ? 0 : ATTRIBUTES().get_abbrev_attribute(abbrev.c_str(), def);
}

std::vector<Reference> references_of(long entry) {
  std::vector<Reference> refs;
  DBATTRIBUTETYPE def{};
  const long list = ATTRIBUTES().get_id_attribute(entry, &def);
  if (list < 1) return refs;
  ATTR_REF walk;
  if (walk.rew(list, 0) < 1) return refs;
  for (;;) {
    char name[17] = {};
    TEXTBUFFER value;
    char flags = 0;
    const long id = walk.get(name, &value, &flags);
    if (id == 0) break;
    if (id < 0) continue;
    Reference r;
    r.id = id;
    r.name = field(name, sizeof name);
    if (value.data() != nullptr) r.value.assign(value.data(), value.size());
    r.flags = static_cast<uint8_t>(flags);
    refs.push_back(std::move(r));
  }
  return refs;
}

std::string ref_shown(const Reference& r) {
  if ((r.flags & kRefHeld) != 0) {
    if (auto held = parse_held_file(r.value)) return std::string(held->name);
  }
  return std::string(r.value.c_str());
}

bool set_value(DBATTREFTYPE& row, std::string_view bytes) {
  if (bytes.empty()) {
    row.value.clear();
    return true;
  }
  // Text values keep their terminator.
  std::string copy(bytes);
  if (copy.back() != '\0') copy.push_back('\0');
  return row.value.assign(copy.data(), static_cast<uint32_t>(copy.size()));
}

DBATTREFCHAIN& chain() { return *g_link.chain; }
bool has_row(int row) {
  return g_link.chain != nullptr && row >= 0 && static_cast<unsigned>(row) < chain().size();
}

void switch_check_on(void* dialog) {
  if (g_link.options == nullptr || g_link.options[28] != 0) return;
  g_link.options[28] = 1;
  set_control_check(dialog, kLinkCheck, 1);
}

void show_buttons(void* dialog) {
  DBATTRIBUTETYPE def{};
  const bool row = has_row(g_link.current);
  const bool known = row && row_attribute(chain()[g_link.current], &def) > 0;
  SetInputActivitet(dialog, kLinkChange,
                    known && (def.options & DBATTRIBUTETYPE::kOptionChoiceOnly) == 0);
  SetInputActivitet(dialog, kLinkDelete, row);
  ShowDlgInput(dialog, kLinkViewFile,
               known && def.kind_index() == 2 && !link_value(chain()[g_link.current]).empty());
}

void fill_rows(void* dialog) {
  void* list = GetControlHWND(dialog, kLinkList);
  list_delete_all(list);
  const int n = static_cast<int>(chain().size());
  if (g_link.current >= n) g_link.current = n - 1;
  if (n > 0 && g_link.current < 0) g_link.current = 0;
  for (int i = 0; i < n; ++i) list_insert_row(list, i, "", i);
  if (has_row(g_link.current)) {
    list_set_state(list, g_link.current, kLvisSelected | kLvisFocused,
                   kLvisSelected | kLvisFocused);
    list_ensure_visible(list, g_link.current);
  }
  list_redraw(list);
  show_buttons(dialog);
}

// Reorders around the current row and shows the rows again.
void settle_current(void* dialog) {
  if (has_row(g_link.current)) {
    AttributeNames names;
    g_link.current = static_cast<int>(
        settle_link_row(chain(), static_cast<unsigned>(g_link.current), names));
  }
  fill_rows(dialog);
}

// ---- the choice and name dialogs -------------------------------------------------------

struct ChoiceState {
  const std::vector<Reference>* refs = nullptr;
  int picked = -1;
};
ChoiceState* g_choice = nullptr;

int DLIST_CALL Choice_Init_Proc(void* dialog) {
  void* list = GetControlHWND(dialog, kChoiceList);
  if (list_insert_column(list, 0, load_string(20418).c_str(), 120) < 0 ||
      list_insert_column(list, 1, load_string(20404).c_str(), 8000) < 0)
    return 0;
  const auto& refs = *g_choice->refs;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    const int at = list_insert_row(list, static_cast<int>(i), refs[i].name.c_str(),
                                   static_cast<intptr_t>(i));
    if (at >= 0) list_set_text(list, at, 1, cut_link_value(ref_shown(refs[i])).c_str());
  }
  return 1;
}
int DLIST_CALL Choice_ExtAction_Proc(void* dialog, int control, int code) {
  if (control == kChoiceList && code == kNmDblClk) post_command(dialog, kIdAccept);
  return 0;
}
int DLIST_CALL Choice_IDC_OK_Proc(void* dialog) {
  g_choice->picked = list_selected(GetControlHWND(dialog, kChoiceList));
  return g_choice->picked >= 0 ? 1 : 0;
}

// The reference the user picks among refs; -1 when cancelled.
int run_choice(void* parent, const std::vector<Reference>& refs) {
  ChoiceState state;
  state.refs = &refs;
  const std::string title = load_string(kTextChoiceTitle);
  const std::optional<int> ok = run_dialog(
      DialogRun{parent, kChoiceContext, units::kDattrlnk, 2}, g_choice, &state, [&] {
        return MakeMainUnit(parent, title.c_str(), "AttributeChoice", 300, 240) != nullptr &&
               ListViewInputA(kChoiceList, 8, 8, 284, 184) != 0 &&
               CommandButton(kIdReject, 20995, 124, 204, 80, 24) != 0 &&
               CommandButton(kIdAccept, 36, 212, 204, 80, 24) != 0 &&
               SetDlgInitProc(Choice_Init_Proc) != 0 &&
               SetAllInputProc(Choice_ExtAction_Proc) != 0 &&
               SetIDC_OKProc(Choice_IDC_OK_Proc) != 0;
      });
  if (!ok || *ok == 0 || state.picked < 0 || static_cast<std::size_t>(state.picked) >= refs.size())
    return -1;
  return state.picked;
}

// The name under which a value is stored as a new reference; nothing when cancelled.
std::optional<std::string> run_name_dialog(void* parent) {
  char name[17] = {};
  const std::string title = load_string(20870);
  const std::optional<int> ok =
      run_dialog(DialogRun{parent, kNewRefContext, units::kDattrlnk, 2}, [&] {
        return MakeMainUnit(parent, title.c_str(), "AttributeRefName", 260, 90) != nullptr &&
               StaticText(0, load_string(20969).c_str(), 8, 8, 80, 20) != 0 &&
               TextEditInput(kNewRefName, 92, 8, 160, 20) != 0 &&
               CommandButton(kIdReject, 20995, 84, 56, 80, 24) != 0 &&
               CommandButton(kIdAccept, 36, 172, 56, 80, 24) != 0 &&
               SetInpCont_Addres(kNewRefName, name, sizeof name) != 0 &&
               SetInpCont_MinMaxN(kNewRefName, 1, 16) != 0;
      });
  if (!ok || *ok == 0 || name[0] == '\0') return std::nullopt;
  return std::string(name);
}

// ---- commands --------------------------------------------------------------------------

// The row becomes an indirect value naming reference r.
void make_indirect(DBATTREFTYPE& row, const Reference& r) {
  set_value(row, r.name);
  row.set_name(r.name.c_str());
  row.reference = static_cast<int32_t>(r.id);
  row.flags = static_cast<uint8_t>((row.flags & DBATTREFTYPE::kMarked) | kRefIndirect);
}

void edit_value(void* dialog) {
  if (!has_row(g_link.current)) return;
  DBATTREFTYPE& row = chain()[g_link.current];
  DBATTRIBUTETYPE def{};
  const long entry = row_attribute(row, &def);
  if (entry <= 0) return;
  std::string value(link_value(row));
  uint8_t flags = row.flags;
  if ((row.flags & kRefIndirect) != 0) {
    char name[17] = {};
    set_field(name, sizeof name, row.value.get());
    TEXTBUFFER resolved;
    char rflags = 0;
    if (GetIndirectRef(entry, name, &resolved, &rflags) == 0) return;
    value.assign(resolved.data() != nullptr ? resolved.data() : "", resolved.size());
    flags = static_cast<uint8_t>(rflags);
  }
  const std::vector<Reference> refs = references_of(entry);
  DBATTREFTYPE& target = chain()[g_link.current];
  if ((def.options & DBATTRIBUTETYPE::kOptionChoiceOnly) != 0) {
    const int picked = run_choice(dialog, refs);
    if (picked < 0) return;
    make_indirect(target, refs[static_cast<std::size_t>(picked)]);
  } else {
    ValueRequest r;
    r.changing = true;
    r.link_mode = true;
    r.kinds = def.Filter();
    r.own_abbrev = field(def.abbrev, sizeof def.abbrev);
    for (const Reference& ref : refs) r.references.emplace_back(ref.name, cut_link_value(ref_shown(ref)));
    const int kind = def.kind_index();
    if ((flags & kRefHeld) != 0) {
      if (auto held = parse_held_file(value)) r.value = std::string(held->name);
    } else {
      r.value = std::string(value.c_str());
    }
    r.flags = flags & kRefHeld;
    bool accepted = false;
    if (kind == 0) {
      r.title = load_string(20890);
      accepted = run_formula_dialog(dialog, &r);
    } else if (kind == 1) {
      r.title = load_string(20888);
      accepted = run_text_dialog(dialog, &r);
    } else {
      r.title = load_string(21111);
      accepted = run_file_dialog(dialog, &r);
    }
    if (!accepted || !has_row(g_link.current)) return;
    DBATTREFTYPE& out = chain()[g_link.current];
    if (r.picked >= 0 && static_cast<std::size_t>(r.picked) < refs.size()) {
      make_indirect(out, refs[static_cast<std::size_t>(r.picked)]);
    } else if (kind == 2 && (r.flags & kRefHeld) != 0) {
      std::string error;
      const std::optional<std::string> held = hold_file(r.value, kMaxHeldFile, &error);
      if (!held) {
        message_box(dialog, (load_string(kTextNotHeld) + "\n" + error).c_str(),
                    load_string(21111).c_str(), kMbOk);
        return;
      }
      out.value.assign(held->data(), static_cast<uint32_t>(held->size()));
      out.reference = 0;
      out.flags = static_cast<uint8_t>((out.flags & DBATTREFTYPE::kMarked) | kRefHeld);
    } else {
      set_value(out, r.value);
      out.reference = 0;
      out.flags = static_cast<uint8_t>(out.flags & DBATTREFTYPE::kMarked);
    }
  }
  settle_current(dialog);
  switch_check_on(dialog);
}

void add_value(void* dialog) {
  void* tree = GetControlHWND(dialog, kLinkTree);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  if (item == nullptr || !is_attribute_image(tree_image(tree, item))) return;
  const long entry = static_cast<long>(tree_param(tree, item));
  DBATTRIBUTETYPE def{};
  if (ATTRIBUTES().get_id_attribute(entry, &def) < 1) return;
  DBATTREFTYPE row;
  row.set_abbrev(def.abbrev);
  const unsigned before = chain().size();
  chain().push(row);
  if (chain().size() == before) return;
  g_link.current = static_cast<int>(chain().size()) - 1;
  settle_current(dialog);
  switch_check_on(dialog);
  if ((def.options & DBATTRIBUTETYPE::kOptionChoiceOnly) == 0) {
    edit_value(dialog);
  } else {
    const std::vector<Reference> refs = references_of(entry);
    if (refs.size() == 1 && has_row(g_link.current)) {
      make_indirect(chain()[g_link.current], refs.front());
      settle_current(dialog);
    }
  }
}

void delete_row(void* dialog) {
  if (!has_row(g_link.current)) return;
  chain().idx_drop(static_cast<unsigned>(g_link.current));
  if (g_link.current >= static_cast<int>(chain().size())) g_link.current = static_cast<int>(chain().size()) - 1;
  fill_rows(dialog);
}

void store_as_reference(void* dialog) {
  if (!has_row(g_link.current)) return;
  DBATTRIBUTETYPE def{};
  DBATTREFTYPE& row = chain()[g_link.current];
  const long entry = row_attribute(row, &def);
  if (entry <= 0 || (row.flags & kRefIndirect) != 0 || link_value(row).empty()) return;
  const long list = ATTRIBUTES().get_id_attribute(entry, &def);
  if (list < 1) return;
  const std::optional<std::string> name = run_name_dialog(dialog);
  if (!name || !has_row(g_link.current)) return;
  DBATTREFTYPE& source = chain()[g_link.current];
  const std::string value(link_value(source));
  const bool held = (source.flags & kRefHeld) != 0;
  const long id = held ? ATTR_REF().filepred_import(list, name->c_str(), source.value)
                       : ATTR_REF().cre(list, name->c_str(), source.value, 0);
  if (id < 1) {
    message_box(dialog, load_string(kTextNameTaken).c_str(), load_string(20870).c_str(), kMbOk);
    return;
  }
  Reference ref;
  ref.id = id;
  ref.name = *name;
  const std::string abbrev = field(source.abbrev, sizeof source.abbrev);
  for (unsigned i = 0; i < chain().size(); ++i) {
    DBATTREFTYPE& r = chain()[i];
    if ((r.flags & kRefIndirect) == 0 && field(r.abbrev, sizeof r.abbrev) == abbrev &&
        link_value(r) == value)
      make_indirect(r, ref);
  }
  settle_current(dialog);
}

// The value and flags behind a row: an indirect value's reference's.
bool resolve_row(const DBATTREFTYPE& row, std::string* value, uint8_t* flags) {
  if ((row.flags & kRefIndirect) == 0) {
    *value = std::string(link_value(row));
    *flags = row.flags;
    return true;
  }
  DBATTRIBUTETYPE def{};
  const long entry = row_attribute(row, &def);
  char name[17] = {};
  set_field(name, sizeof name, row.value.get());
  TEXTBUFFER resolved;
  char rflags = 0;
  if (entry <= 0 || GetIndirectRef(entry, name, &resolved, &rflags) == 0) return false;
  value->assign(resolved.data() != nullptr ? resolved.data() : "", resolved.size());
  *flags = static_cast<uint8_t>(rflags);
  return true;
}

// Writes the held file of the current row into a folder the user chooses; the row
// then names the file written.
void save_held(void* dialog) {
  if (!has_row(g_link.current)) return;
  std::string value;
  uint8_t flags = 0;
  if (!resolve_row(chain()[g_link.current], &value, &flags) || (flags & kRefHeld) == 0) return;
  const std::optional<HeldFile> held = parse_held_file(value);
  if (!held) return;
  const std::optional<std::string> name = plain_file_name(held->name);
  char folder[4096] = {};
  if (!name || SurePathDialog(dialog, folder, sizeof folder, "*.*", load_string(20901).c_str()) == 0)
    return;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::path(folder) / *name, ec) &&
      message_box(dialog, (load_string(20899) + "\n" + load_string(20900)).c_str(),
                  load_string(20901).c_str(), kMbYesNo) != kIdYes)
    return;
  std::string error;
  const std::optional<std::filesystem::path> written = write_held_file(value, folder, &error);
  if (!written) {
    DiagnosticOut(error.c_str());
    message_box(dialog, (load_string(kTextNotWritten) + "\n" + error).c_str(),
                load_string(20901).c_str(), kMbOk);
    return;
  }
  if (!has_row(g_link.current)) return;
  DBATTREFTYPE& row = chain()[g_link.current];
  set_value(row, written->string());
  row.reference = 0;
  row.flags = static_cast<uint8_t>(row.flags & DBATTREFTYPE::kMarked);
  settle_current(dialog);
}

// Takes the content of the current row's file into the row.
void hold_row(void* dialog) {
  if (!has_row(g_link.current)) return;
  DBATTREFTYPE& row = chain()[g_link.current];
  DBATTRIBUTETYPE def{};
  if (row_attribute(row, &def) <= 0 || def.kind_index() != 2 ||
      (row.flags & (kRefHeld | kRefIndirect)) != 0 || link_value(row).empty())
    return;
  std::string error;
  const std::optional<std::string> held = hold_file(row.value.get(), kMaxHeldFile, &error);
  if (!held) {
    message_box(dialog, (load_string(kTextNotHeld) + "\n" + error).c_str(),
                load_string(20895).c_str(), kMbOk);
    return;
  }
  row.value.assign(held->data(), static_cast<uint32_t>(held->size()));
  row.flags = static_cast<uint8_t>(row.flags | kRefHeld);
  settle_current(dialog);
}

void view_row(void* dialog) {
  if (!has_row(g_link.current)) return;
  std::string value;
  uint8_t flags = 0;
  if (!resolve_row(chain()[g_link.current], &value, &flags) || value.empty()) return;
  std::filesystem::path file;
  if ((flags & kRefHeld) != 0) {
    std::filesystem::path folder = unique_temp_folder(temp_directory(), "dllink");
    std::string error;
    std::optional<std::filesystem::path> written;
    if (!folder.empty()) {
      g_view_folders.push_back(folder);
      written = write_held_file(value, folder, &error);
    }
    if (!written) {
      SpecBeep(0, units::kDattrlnk, 1284);
      if (!error.empty()) DiagnosticOut(error.c_str());
      return;
    }
    file = *written;
  } else {
    file = std::string(value.c_str());
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
      message_box(dialog, load_string(21071).c_str(), file.filename().string().c_str(), kMbOk);
      return;
    }
  }
  if (!open_file_for_viewing(file)) SpecBeep(0, units::kDattrlnk, 1315);
}

void run_command(void* dialog, int command) {
  switch (command) {
    case kLinkStoreRef:
      store_as_reference(dialog);
      break;
    case kLinkEdit:
      edit_value(dialog);
      break;
    case kLinkDeleteRow:
      delete_row(dialog);
      break;
    case kLinkMakeDirect:
      if (has_row(g_link.current)) {
        DBATTREFTYPE& row = chain()[g_link.current];
        row.flags = static_cast<uint8_t>(row.flags & ~kRefIndirect);
        row.reference = 0;
        settle_current(dialog);
        switch_check_on(dialog);
      }
      break;
    case kLinkDeleteAll:
      chain().resize(0);
      g_link.current = -1;
      fill_rows(dialog);
      switch_check_on(dialog);
      break;
    case kLinkMark:
      if (has_row(g_link.current)) {
        chain()[g_link.current].flags ^= DBATTREFTYPE::kMarked;
        list_redraw(GetControlHWND(dialog, kLinkList));
      }
      break;
    case kLinkSaveFile:
      save_held(dialog);
      break;
    case kLinkHoldFile:
      hold_row(dialog);
      break;
    case kLinkViewCommand:
    case kLinkViewFile:
      view_row(dialog);
      break;
    default:
      break;
  }
}

void list_menu(void* dialog) {
  if (!has_row(g_link.current)) return;
  DBATTRIBUTETYPE def{};
  const bool file = row_attribute(chain()[g_link.current], &def) > 0 && def.kind_index() == 2;
  void* menu = menu_create();
  if (menu == nullptr) return;
  const std::pair<int, int> entries[] = {{kLinkStoreRef, 20870},  {kLinkEdit, 20878},
                                         {kLinkDeleteRow, 20877}, {kLinkMakeDirect, 20910},
                                         {kLinkDeleteAll, 20903}, {kLinkMark, 20898}};
  for (const auto& [id, text] : entries) menu_append(menu, id, load_string(text).c_str());
  if (file) {
    menu_append_separator(menu);
    menu_append(menu, kLinkSaveFile, load_string(20896).c_str());
    menu_append(menu, kLinkHoldFile, load_string(20895).c_str());
    menu_append(menu, kLinkViewCommand, load_string(20902).c_str());
  }
  menu_append(menu, kLinkCloseMenu, load_string(37).c_str());
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  if (command != 0) run_command(dialog, command);
}

void rebuild_tree(void* dialog) {
  build_attribute_tree(GetControlHWND(dialog, kLinkTree), g_link.filter);
}

void tree_menu(void* dialog) {
  void* tree = GetControlHWND(dialog, kLinkTree);
  const Notification* n = notification();
  _TREEITEM* item = n != nullptr && n->item != nullptr
                        ? n->item
                        : tree_get_next(tree, nullptr, TreeRelation::kCaret);
  if (item == nullptr) return;
  tree_select(tree, item);
  const bool attribute = is_attribute_image(tree_image(tree, item));
  void* menu = menu_create();
  if (menu == nullptr) return;
  if (attribute) {
    menu_append(menu, kLinkTreeAdd, load_string(20874).c_str());
    menu_append(menu, kLinkTreeShow, load_string(21420).c_str());
  } else {
    menu_append(menu, kLinkTreeNewGroup, load_string(20407).c_str());
    menu_append(menu, kLinkTreeNewAttribute, load_string(20398).c_str());
  }
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  const long id = static_cast<long>(tree_param(tree, item));
  switch (command) {
    case kLinkTreeAdd:
      add_value(dialog);
      break;
    case kLinkTreeShow:
      CallAttributeEdit(dialog, id, kAttributeShow);
      break;
    case kLinkTreeNewGroup:
      if (run_new_group_dialog(dialog, id) > 0) rebuild_tree(dialog);
      break;
    case kLinkTreeNewAttribute:
    case kLinkTreeNewAttribute2:
      if (CallAttributeEdit(dialog, id, kAttributeCreate) != 0) rebuild_tree(dialog);
      break;
    default:
      break;
  }
}

int read_subtype() { return g_subtype != nullptr ? *g_subtype : g_link.own_subtype; }
void write_subtype(int value) {
  if (g_subtype != nullptr)
    *g_subtype = value;
  else
    g_link.own_subtype = value;
}

void show_mode_bitmap(int n) {
  char text[16];
  std::snprintf(text, sizeof text, g_link.mode == 4 ? "attmode%d" : "selmode%d", n + 1);
  g_link.bitmap = text;
  // Called while the panel is the current dialog (its start and its mode button).
  SetInpCont_Bitmap(g_link.mode == 4 ? kLinkAttMode : kLinkSelMode, text);
}

void step_mode(int button) {
  const int sub = read_subtype();
  int n = selection_value(sub);
  if (button == kLinkAttMode)
    n = (n + 1) % 3;
  else
    n = n == 0 ? 1 : 0;  // from 2 (a value this button never sets) it goes to 0
  write_subtype(with_selection_value(sub, n));
  show_mode_bitmap(n);
}

}  // namespace

// ---- pure parts -------------------------------------------------------------------------

uint32_t link_filter_bit(int kind) {
  if (kind < 0) return 0x200000;
  switch (kind) {
    case 1: return 0x1;
    case 2: return 0x2;
    case 3: return 0x4;
    case 4: return 0x8;
    case 5: return 0x10;
    case 6: return 0x20;
    case 7: return 0x40;
    case 8: return 0x400;
    case 9: return 0x80000;
    case 10: return 0x200;
    case 11: return 0x80;
    case 12: return 0x100;
    case 13: return 0x100000;
    case 50: return 0x800;
    case 51: return 0x1000;
    case 52: return 0x2000;
    default: return 0;
  }
}

const std::string& AttributeNames::name(const char* abbrev) {
  const std::string_view key(abbrev, strnlen(abbrev, 7));
  auto it = names_.find(key);
  if (it != names_.end()) return it->second;
  DBATTRIBUTETYPE def{};
  std::string name;
  const std::string text(key);
  if (!text.empty() && ATTRIBUTES().get_abbrev_attribute(text.c_str(), &def) > 0)
    name = field(def.name, sizeof def.name);
  return names_.emplace(text, std::move(name)).first->second;
}

std::string_view link_value(const DBATTREFTYPE& row) {
  if (row.value.data() == nullptr || row.value.size() == 0) return {};
  std::string_view v(row.value.data(), row.value.size());
  // A text value's terminator is no part of it; a held file keeps every byte.
  if ((row.flags & kRefHeld) == 0) v = v.substr(0, strnlen(v.data(), v.size()));
  return v;
}

namespace {
int compare_rows(const DBATTREFTYPE& a, const DBATTREFTYPE& b, AttributeNames& names) {
  const int by_name = names.name(a.abbrev).compare(names.name(b.abbrev));
  if (by_name != 0) return by_name;
  const int by_abbrev = strncmp(a.abbrev, b.abbrev, sizeof a.abbrev);
  if (by_abbrev != 0) return by_abbrev;
  return link_value(a).compare(link_value(b));
}
}  // namespace

unsigned settle_link_row(DBATTREFCHAIN& c, unsigned row, AttributeNames& names) {
  if (row >= c.size()) return row;
  while (row > 0 && compare_rows(c[row], c[row - 1], names) < 0) {
    c.idx_swap(row, row - 1);
    --row;
  }
  while (row + 1 < c.size() && compare_rows(c[row], c[row + 1], names) > 0) {
    c.idx_swap(row, row + 1);
    ++row;
  }
  return row;
}

int check_link_chain(const DBATTREFCHAIN& c, int mode) {
  const unsigned n = c.size();
  if (n == 0) return kChainComplete;
  if (mode == 1 || mode == 5) {
    std::unordered_map<std::string, unsigned> per_attribute;
    for (unsigned i = 0; i < n; ++i) ++per_attribute[field(c[i].abbrev, sizeof c[i].abbrev)];
    for (unsigned i = 0; i < n; ++i)
      if (link_value(c[i]).empty() && per_attribute[field(c[i].abbrev, sizeof c[i].abbrev)] > 1)
        return kChainIncomplete;
  } else {
    for (unsigned i = 0; i < n; ++i)
      if (link_value(c[i]).empty()) return static_cast<int>(i);
  }
  for (unsigned i = 0; i + 1 < n; ++i) {
    if (strncmp(c[i].abbrev, c[i + 1].abbrev, sizeof c[i].abbrev) == 0 &&
        link_value(c[i]) == link_value(c[i + 1]))
      return static_cast<int>(i);
  }
  return kChainComplete;
}

std::string cut_link_value(std::string text) {
  if (text.size() >= 256) {
    text.resize(251);
    text += " ...";
  }
  return text;
}

std::string shown_link_value(const DBATTREFTYPE& row, bool resolved) {
  const std::string_view value = link_value(row);
  if ((row.flags & kRefIndirect) != 0) {
    const std::string name(value);
    if (resolved) {
      DBATTRIBUTETYPE def{};
      const long entry = row_attribute(row, &def);
      char key[17] = {};
      set_field(key, sizeof key, name.c_str());
      TEXTBUFFER v;
      char flags = 0;
      if (entry > 0 && GetIndirectRef(entry, key, &v, &flags) != 0) {
        Reference r;
        if (v.data() != nullptr) r.value.assign(v.data(), v.size());
        r.flags = static_cast<uint8_t>(flags);
        return ref_shown(r);
      }
    }
    return "< " + name + " >";
  }
  if ((row.flags & kRefHeld) != 0) {
    if (auto held = parse_held_file(value)) return std::string(held->name);
  }
  return std::string(value);
}

void set_link_selection_field(int* subtype) { g_subtype = subtype; }
int selection_value(int subtype) {
  const int bits = subtype & 0x70;
  return bits == 16 ? 0 : bits == 32 ? 1 : 2;
}
int with_selection_value(int subtype, int n) { return (subtype & 0x0F) + (16 << n); }
std::string link_mode_bitmap() { return g_link.bitmap; }
void* open_attribute_link() {
  return g_link.dialog != nullptr && has_control(g_link.dialog, kLinkList) ? g_link.dialog
                                                                           : nullptr;
}

}  // namespace dlist

using namespace dlist;

int DLIST_CALL AttributeLink_Draw_Proc(void* /*dialog*/, const DrawItem* item) {
  if (item == nullptr || !has_row(item->row)) return 0;
  const DBATTREFTYPE& row = chain()[item->row];
  if ((item->state & kLvisSelected) != 0) draw_highlight(item->dc);
  AttributeNames names;
  draw_text(item->dc, 0,
            load_string((row.flags & DBATTREFTYPE::kMarked) != 0 ? 20879 : 20880).c_str());
  draw_text(item->dc, 0, names.name(row.abbrev).c_str());
  draw_text(item->dc, 1, cut_link_value(shown_link_value(row, g_link.resolved)).c_str());
  return 1;
}

int DLIST_CALL AttributeLink_Init_Proc(void* dialog) {
  g_link.dialog = dialog;
  DestroyAttributeImageList();
  g_images = image_list_create(16, 16);
  if (!add_attribute_images(g_images)) {
    DestroyAttributeImageList();
    return 0;
  }
  void* tree = GetControlHWND(dialog, kLinkTree);
  tree_set_image_list(tree, g_images);
  void* list = GetControlHWND(dialog, kLinkList);
  if (list_insert_column(list, 0, load_string(20872).c_str(), g_first_width) < 0 ||
      list_insert_column(list, 1, load_string(20873).c_str(), 8000) < 0)
    return 0;
  if (g_link.options != nullptr) set_control_check(dialog, kLinkCheck, g_link.options[28] != 0);
  fill_rows(dialog);
  if (build_attribute_tree(tree, g_link.filter) == nullptr) return 0;
  show_mode_bitmap(selection_value(read_subtype()));
  set_timer(dialog, kLinkTimer, 500);
  return 1;
}

constexpr int kButtonColumn = 28;  // the buttons right of the list
constexpr int kSplitBar = 6;
constexpr int kSplitMargin = 32;

// The tree, the splitter and the list, laid out for the splitter at g_split.
void lay_out_panes(void* dialog) {
  const int h = g_link.height - g_link.top;
  const int list_x = g_split + kSplitBar, list_w = g_link.width - kButtonColumn - 12 - list_x;
  move_control(dialog, kLinkTree, 0, g_link.top, g_split, h);
  move_control(dialog, kLinkSplitter, g_split, g_link.top, kSplitBar, h);
  move_control(dialog, kLinkList, list_x, g_link.top, std::max(0, list_w), h);
}

int DLIST_CALL AttributeLink_ExtAction_Proc(void* dialog, int control, int code) {
  const Notification* n = notification();
  switch (control) {
    case kLinkSplitter:
      if (code == kDragButtonUp) {
        int x = 0;
        if (control_rect(dialog, kLinkSplitter, &x, nullptr, nullptr, nullptr)) {
          g_split = std::clamp(x, kSplitMargin, std::max(kSplitMargin, g_link.width - 120));
          lay_out_panes(dialog);
        }
      }
      break;
    case kLinkList:
      if (code == kLvnItemChanged && n != nullptr && (n->new_state & kLvisSelected) != 0 &&
          (n->old_state & kLvisSelected) == 0) {
        g_link.current = n->row;
        show_buttons(dialog);
      } else if (code == kNmDblClk && n != nullptr && n->row == g_link.current) {
        // The second click of a double click falls on the selected row: the mark.
        run_command(dialog, kLinkMark);
      } else if (code == kNmRClick) {
        list_menu(dialog);
      }
      break;
    case kLinkTree:
      if (code == kNmRClick) tree_menu(dialog);
      break;
    case kLinkCheck:
      if (g_link.options != nullptr)
        g_link.options[28] = static_cast<char>(control_check(dialog, kLinkCheck) != 0);
      break;
    case kLinkViewMode:
      g_link.resolved = control_check(dialog, kLinkViewMode) != 0;
      list_redraw(GetControlHWND(dialog, kLinkList));
      break;
    case kLinkAdd:
      add_value(dialog);
      break;
    case kLinkChange:
      run_command(dialog, kLinkEdit);
      break;
    case kLinkDelete:
      run_command(dialog, kLinkDeleteRow);
      break;
    case kLinkAttMode:
    case kLinkSelMode:
      step_mode(control);
      break;
    default:
      if (code == kBnClicked) run_command(dialog, control);
      break;
  }
  return 0;
}

int DLIST_CALL AttributeLink_KeyEnter_Proc(void* dialog, int control) {
  if (control == kLinkList) {
    run_command(dialog, kLinkEdit);
  } else {
    post_command(g_link.parent, kIdAccept);
  }
  return 1;
}

int DLIST_CALL AttributeLink_Timer_Proc(void* dialog, int timer) {
  if (timer != kLinkTimer) return 0;
  for (int id : {kLinkSplitter, kLinkList}) {
    ShowDlgInput(dialog, id, 0);
    ShowDlgInput(dialog, id, 1);
  }
  return 0;
}

void* AttributeLink(void* parent, DBATTREFCHAIN* chain, int kind, int mode, char* options,
                    int width, int height) {
  if (chain == nullptr) {
    SpecBeep(1, units::kDattrlnk, 595);
    return nullptr;
  }
  if (void* open = open_attribute_link()) destroy_dialog(open);
  for (const auto& folder : g_view_folders) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  g_view_folders.clear();
  g_link = LinkState{};
  g_link.parent = parent;
  g_link.chain = chain;
  g_link.mode = mode;
  g_link.filter = link_filter_bit(kind);
  g_link.options = options;
  g_link.current = -1;
  width = std::max(width, 320);
  height = std::max(height, 160);
  if (AllocTmpBuffers(4) == 0) {
    SpecBeep(0, units::kDattrlnk, 595);
    return nullptr;
  }
  const int bh = 24, bw = kButtonColumn, top = options != nullptr ? 28 : 0;
  g_link.width = width;
  g_link.height = height;
  g_link.top = top;
  if (g_split <= 0 || g_split > width - 120) g_split = (width - bw - 16) / 3;
  const int list_x = g_split + 6, list_w = width - bw - 12 - list_x;
  const int mode_button = mode == 4 ? kLinkAttMode : kLinkSelMode;
  bool built = MakeModlessHeader(parent, "", "AttributeLink", width, height) != nullptr;
  if (built && options != nullptr)
    built = CheckBoxInput(kLinkCheck, "", 0, 0, 24, 24) != 0 &&
            StaticText(kLinkCheckLabel, load_string(21352).c_str(), 28, 2, 200, 20) != 0;
  built = built && TreeViewInput(kLinkTree, 0, top, g_split, height - top) != 0 &&
          DragingInput(kLinkSplitter, g_split, top, 6, height - top) != 0 &&
          ListViewInputA(kLinkList, list_x, top, list_w, height - top, kLvsOwnerDrawFixed) != 0 &&
          CommandButton(kLinkAdd, 20874, width - bw, top, bw, bh) != 0 &&
          CommandButton(kLinkChange, 20882, width - bw, top + bh + 4, bw, bh) != 0 &&
          CommandButton(kLinkDelete, 20875, width - bw, top + 2 * (bh + 4), bw, bh) != 0 &&
          CheckBoxInput(kLinkViewMode, "", width - bw, top + 3 * (bh + 4), bw, bh) != 0 &&
          SetInpCont_ToolTip(kLinkViewMode, 20894) != 0 &&
          CommandButton(kLinkViewFile, 21068, width - bw, top + 4 * (bh + 4), bw, bh) != 0 &&
          CommandButton(mode_button, mode == 4 ? 21304 : 20986, width - bw, top + 5 * (bh + 4),
                        bw, bh) != 0 &&
          SetInpCont_Bitmap(kLinkAdd, "add") != 0 && SetInpCont_Bitmap(kLinkChange, "replace") != 0 &&
          SetInpCont_Bitmap(kLinkDelete, "delete") != 0 &&
          SetInpCont_Bitmap(kLinkViewFile, "viewfile") != 0 &&
          SetInpCont_DrawProc(kLinkList, AttributeLink_Draw_Proc) != 0 &&
          SetDlgInitProc(AttributeLink_Init_Proc) != 0 &&
          SetAllInputProc(AttributeLink_ExtAction_Proc) != 0 &&
          SetKeyEnterProc(AttributeLink_KeyEnter_Proc) != 0 &&
          SetDlgTimerProc(AttributeLink_Timer_Proc) != 0;
  void* dialog = built ? RunModlessDialog(parent, kAttributeLinkContext) : nullptr;
  PurgeTmpBuffers();
  if (dialog == nullptr) {
    SpecBeep(0, units::kDattrlnk, 597);
    g_link = LinkState{};
    return nullptr;
  }
  g_link.dialog = dialog;
  return dialog;
}

int IsAttRefChainComplette(void* panel) {
  void* open = open_attribute_link();
  if (open == nullptr || g_link.chain == nullptr) return 1;
  const int result = check_link_chain(*g_link.chain, g_link.mode);
  if (result == kChainComplete) return 1;
  if (result >= 0 && panel != nullptr) {
    g_link.current = result;
    void* list = GetControlHWND(open, kLinkList);
    for (int i = 0; i < list_row_count(list); ++i)
      list_set_state(list, i, i == result ? kLvisSelected | kLvisFocused : 0,
                     kLvisSelected | kLvisFocused);
    list_ensure_visible(list, result);
    show_buttons(open);
  }
  return 0;
}

void DestroyAttributeImageList() {
  if (g_images != nullptr) image_list_destroy(g_images);
  g_images = nullptr;
}
