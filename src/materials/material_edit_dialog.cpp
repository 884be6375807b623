// The material editing dialog: code, name, market, unit price with the subprice
// rows and their total, the native unit and the further units in two unit trees,
// and the long texts. The dialog works on copies; OK writes the material and then
// its unit and subprice references under one write lock, so a failed step leaves
// the library as it was.
//
// OK releases every reference of the material and writes them again, in their
// stored order. A reference the dialog does not show (a subprice or unit the
// library no longer holds, a second reference to the same subprice or unit) is
// written back as it was read, and one the user did not change keeps its value;
// only what the user changed differs, and references the user added follow.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/database_task.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/list_view.h"
#include "host/dialog/menu.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/owner_draw.h"
#include "host/dialog/tree_view.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "materials/long_texts_dialog.h"
#include "materials/material_dialog_ids.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"
#include "materials/subprice_rows.h"

namespace dlist {
namespace {

constexpr short kModeEdit = 1;
constexpr short kModeCreate = 5;
constexpr int kBuffers = 16;
constexpr int kWidth = 420;
constexpr int kHeight = 420;
constexpr int kMargin = 8;
constexpr int kLine = 14;
constexpr int kLabel = 90;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 16;
// Labels of the dialog (identifiers of their own).
constexpr int kFirstLabel = 10900;
constexpr int kCodeUsed = 50037;  // "A material of this code stands here already."
constexpr int kCodeSeparator = 50038;  // "A code cannot hold the separator of its components."

// Icons of the unit trees, by index.
constexpr const char* kUnitIcons[] = {"dummy", "switch", "dimension", "sdimension", "unit"};
constexpr int kIconFurther = 1;
constexpr int kIconDimension = 2;
constexpr int kIconUnit = 4;
constexpr const char* kStatusIcons[] = {"status1", "status2", "status3", "status4"};
// Operation combo entries, in operation order.
constexpr const char* kOperations[] = {"=", "*", "+", "0"};

constexpr double kMaxNumber = 9999999999.0;
constexpr double kMinFactor = 2e-6;

struct FurtherUnit {
  long unit = 0;
  std::string abbrev;
  double factor = 1.0;
};

// What the dialog made of a stored reference.
enum class RefRole {
  kNative,  // the native unit's reference
  kShown,   // shown: a row of the subprice list, a further unit
  kCopy,    // a further reference to a shown subprice or unit (or to the native unit)
  kHidden,  // its subprice or unit is not in the library: not shown at all
};

struct StoredUnitRef {
  unitref ref{};
  RefRole role = RefRole::kHidden;
  long unit = 0;  // kShown, kCopy: the unit it belongs to (0: the native unit)
};

struct StoredPriceRef {
  subpriceref ref{};
  RefRole role = RefRole::kHidden;
  size_t row = 0;  // kShown, kCopy: its subprice row
};

struct EditState {
  Material* material = nullptr;
  LISTCONTEXT* library = nullptr;
  bool creating = false;
  dbmaterial record{};
  LONGTEXT texts[kLongTextCount];
  std::string parent_code;
  char own_code[kMatIdSize] = {};
  char name[kMatNameSize] = {};
  double unit_price = 0.0;
  // The unit price and native factor as their fields showed them at opening
  // (rounded to what the fields show): a field that still shows that value keeps
  // the stored number exactly.
  double shown_price = 0.0;
  double shown_native_factor = 1.0;
  double native_factor = 1.0;
  std::string native_unit;
  std::vector<FurtherUnit> further;
  SubpriceRows rows;
  // The stored references in their order, and the native unit as read.
  std::vector<StoredUnitRef> stored_units;
  std::vector<StoredPriceRef> stored_prices;
  std::string loaded_native;
  double loaded_native_factor = 1.0;
  bool had_native_ref = false;
  std::vector<std::string> markets;
  int initial_market = -1;  // the combo's selection when the dialog opened
  char separator = '.';     // the library's separator of code components
  UnitTreeItems native_items;
  UnitTreeItems further_items;
  DialogImages images;          // the run's image lists, destroyed when it ends
  void* unit_images = nullptr;    // of images
  void* status_images = nullptr;  // of images
  int selected_row = -1;
  long selected_unit = 0;  // unit selected in the tree of further units
  bool failed = false;     // OK could not write the material
};

EditState* g_edit = nullptr;

bool copy_long_text(LONGTEXT& to, const LONGTEXT& from) {
  to.resize(from.size());
  if (to.size() != from.size()) return false;
  if (from.size() > 0)
    std::memcpy(static_cast<char*>(to), static_cast<const char*>(from), from.size());
  return true;
}

std::string abbrev_of(long unit) {
  dbunit rec{};
  if (unit <= 0 || g_edit->library->get(unit, rec) <= 0) return {};
  return std::string(field_text(rec.abbrev));
}

FurtherUnit* further_of(EditState& state, long unit) {
  for (FurtherUnit& f : state.further)
    if (f.unit == unit) return &f;
  return nullptr;
}

FurtherUnit* further_of(long unit) { return further_of(*g_edit, unit); }

// ---- showing the state ----------------------------------------------------------------

void show_total(void* dialog) {
  std::string why;
  const std::optional<double> total = g_edit->rows.total(&why);
  if (!total) DiagnosticOut(why.c_str());
  set_control_text(dialog, kMatTotal, total ? total_text(*total).c_str() : "");
}

void report_refusal() {
  const std::string why = g_edit->rows.take_fault();
  if (!why.empty()) DiagnosticOut(why.c_str());
}

// A change refused because it would make the total invalid: the formula goes to
// the diagnostic output and the control is marked until the user changes it again.
void refuse_change(int control) {
  report_refusal();
  SetErrorId(control);
}

// The operation and value of the selected row: editable for a linked row of kind
// 1 or 2, the operation only at status 2.
void show_row_controls(void* dialog) {
  const int index = g_edit->selected_row;
  const bool has_row = index >= 0 && static_cast<size_t>(index) < g_edit->rows.size();
  bool value_open = false;
  bool operation_open = false;
  if (has_row) {
    const SubpriceRow& row = g_edit->rows.row(static_cast<size_t>(index));
    const bool numeric = row.kind == SUBPRICE_MULTIPLY || row.kind == SUBPRICE_ADD;
    value_open = numeric && is_linked(row.status);
    operation_open = numeric && row.status == kRowCombined;
    combo_set_current(GetControlHWND(dialog, kMatOperation), row.operation);
    SetInpCont_Double(kMatRowValue, row.value);
  }
  SetInputActivitet(dialog, kMatRowValue, value_open ? 1 : 0);
  SetInputActivitet(dialog, kMatOperation, operation_open ? 1 : 0);
}

void rows_changed(void* dialog) {
  list_redraw(GetControlHWND(dialog, kMatSubprices));
  show_row_controls(dialog);
  show_total(dialog);
}

void mark_unit(void* tree, const UnitTreeItems& items, long unit, bool marked, bool further) {
  for (unsigned i = 0; i < items.size(); ++i) {
    const UnitTreeItem& it = items[i];
    if (it.unit != unit) continue;
    tree_set_state(tree, it.item, marked ? kTvisBold : 0u, kTvisBold);
    if (further) {
      const int image = marked ? kIconFurther : kIconUnit;
      tree_set_image(tree, it.item, image, image);
    }
  }
}

bool is_dimension_item(const UnitTreeItems& items, long unit) {
  for (unsigned i = 0; i < items.size(); ++i)
    if (items[i].unit == unit) return (items[i].flags & kUnitTreeDimension) != 0;
  return true;
}

void show_unit_factor(void* dialog) {
  const bool further_shown = control_check(dialog, kMatFurtherRadio) != 0;
  FurtherUnit* f = further_of(g_edit->selected_unit);
  if (f != nullptr) SetInpCont_Double(kMatUnitFactor, f->factor);
  SetInputActivitet(dialog, kMatUnitFactor, further_shown && f != nullptr ? 1 : 0);
}

void show_trees(void* dialog, bool native) {
  set_control_check(dialog, kMatNativeRadio, native ? 1 : 0);
  set_control_check(dialog, kMatFurtherRadio, native ? 0 : 1);
  ShowDlgInput(dialog, kMatNativeTree, native ? 1 : 0);
  ShowDlgInput(dialog, kMatFurtherTree, native ? 0 : 1);
  show_unit_factor(dialog);
}

// ---- callbacks ------------------------------------------------------------------------------

int DLIST_CALL EditMaterial_Draw_Proc(void*, const DrawItem* item) {
  if (item == nullptr || item->param < 0 || static_cast<size_t>(item->param) >= g_edit->rows.size())
    return 0;
  const size_t index = static_cast<size_t>(item->param);
  if (item->state & kLvisSelected) draw_highlight(item->dc);
  draw_image(item->dc, 0, g_edit->rows.row(index).status);
  draw_text(item->dc, 1, g_edit->rows.title(index).c_str());
  draw_text(item->dc, 2, g_edit->rows.shown_value(index, GetWinIniDecPoint()).c_str());
  return 1;
}

bool init_units(void* dialog) {
  g_edit->unit_images = g_edit->images.create(16, 16);
  if (g_edit->unit_images == nullptr) return false;
  for (const char* icon : kUnitIcons)
    if (image_list_add_icon(g_edit->unit_images, icon) < 0) return false;
  void* native_tree = GetControlHWND(dialog, kMatNativeTree);
  void* further_tree = GetControlHWND(dialog, kMatFurtherTree);
  tree_set_image_list(native_tree, g_edit->unit_images);
  tree_set_image_list(further_tree, g_edit->unit_images);
  if (!FillUnitTree(dialog, g_edit->library, &g_edit->native_items, kMatNativeTree, kIconDimension,
                    kIconUnit) ||
      !FillUnitTree(dialog, g_edit->library, &g_edit->further_items, kMatFurtherTree,
                    kIconDimension, kIconUnit)) {
    return false;
  }
  if (!g_edit->native_unit.empty()) {
    dbunit rec{};
    const long native = g_edit->library->find_unit(g_edit->native_unit.c_str(), rec);
    if (native > 0) mark_unit(native_tree, g_edit->native_items, native, true, false);
  }
  for (const FurtherUnit& f : g_edit->further)
    mark_unit(further_tree, g_edit->further_items, f.unit, true, true);
  return true;
}

bool init_rows(void* dialog) {
  void* list = GetControlHWND(dialog, kMatSubprices);
  g_edit->status_images = g_edit->images.create(16, 16);
  if (g_edit->status_images == nullptr) return false;
  for (const char* icon : kStatusIcons)
    if (image_list_add_icon(g_edit->status_images, icon) < 0) return false;
  list_set_image_list(list, g_edit->status_images);
  if (list_insert_column(list, 0, "", 20) < 0 ||
      list_insert_column(list, 1, load_string(21319).c_str(), 180) < 0 ||
      list_insert_column(list, 2, load_string(21320).c_str(), 160) < 0) {
    return false;
  }
  for (size_t i = 0; i < g_edit->rows.size(); ++i)
    if (list_insert_row(list, static_cast<int>(i), g_edit->rows.title(i).c_str(),
                        static_cast<intptr_t>(i)) < 0)
      return false;
  return true;
}

int DLIST_CALL EditMaterial_Init_Proc(void* dialog) {
  set_control_text(dialog, kMatParentCode, g_edit->parent_code.c_str());
  set_control_text(dialog, kMatNativeUnit, g_edit->native_unit.c_str());
  void* markets = GetControlHWND(dialog, kMatMarket);
  int chosen = -1;
  const std::string market(field_text(g_edit->record.market));
  for (const std::string& m : g_edit->markets) {
    const int at = combo_add(markets, m.c_str());
    if (at < 0) return 0;
    if (m == market) chosen = at;
  }
  combo_set_current(markets, chosen);
  g_edit->initial_market = chosen;
  void* operations = GetControlHWND(dialog, kMatOperation);
  for (const char* op : kOperations)
    if (combo_add(operations, op) < 0) return 0;
  if (!init_units(dialog) || !init_rows(dialog)) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    return 0;
  }
  show_trees(dialog, true);
  show_row_controls(dialog);
  show_total(dialog);
  g_edit->shown_price = GetInpCont_Double(kMatUnitPrice);
  g_edit->shown_native_factor = GetInpCont_Double(kMatNativeFactor);
  return 1;
}

void context_menu(void* dialog, int row) {
  void* menu = menu_create();
  if (menu == nullptr) return;
  const size_t index = static_cast<size_t>(row);
  for (int status : g_edit->rows.offered()) {
    const int command = kStatusCommand + status;
    menu_append(menu, command, load_string(static_cast<unsigned>(command)).c_str());
    menu_enable(menu, command, g_edit->rows.enabled(index, status));
  }
  g_edit->rows.take_fault();
  menu_append_separator(menu);
  menu_append(menu, 37, load_string(37).c_str());
  const int command = menu_track(menu, dialog);
  menu_destroy(menu);
  const int status = command - kStatusCommand;
  if (command >= kStatusCommand && status <= kRowUnlinked) {
    if (!g_edit->rows.choose(index, status)) report_refusal();
    rows_changed(dialog);
  }
}

void list_action(void* dialog, int code) {
  const Notification* n = notification();
  const int row = n != nullptr ? n->row : -1;
  const bool valid_row = row >= 0 && static_cast<size_t>(row) < g_edit->rows.size();
  if (code == kLvnItemChanged) {
    if (n != nullptr && (n->new_state & kLvisSelected)) {
      g_edit->selected_row = row;
      show_row_controls(dialog);
    }
    return;
  }
  if (!valid_row) return;
  if (code == kNmDblClk) {
    // A step refused, or turned to another status, because a formula failed
    // reports that formula.
    g_edit->rows.step(static_cast<size_t>(row));
    report_refusal();
    rows_changed(dialog);
  } else if (code == kNmRClick) {
    context_menu(dialog, row);
  }
}

void native_selected(void* dialog) {
  const Notification* n = notification();
  if (n == nullptr || n->item == nullptr) return;
  void* tree = GetControlHWND(dialog, kMatNativeTree);
  const long unit = static_cast<long>(tree_param(tree, n->item));
  if (is_dimension_item(g_edit->native_items, unit)) return;
  const std::string abbrev = abbrev_of(unit);
  if (abbrev.empty()) return;
  dbunit rec{};
  const long previous =
      g_edit->native_unit.empty() ? 0 : g_edit->library->find_unit(g_edit->native_unit.c_str(), rec);
  if (previous > 0) mark_unit(tree, g_edit->native_items, previous, false, false);
  g_edit->native_unit = abbrev;
  mark_unit(tree, g_edit->native_items, unit, true, false);
  set_control_text(dialog, kMatNativeUnit, abbrev.c_str());
  // The native unit is no further unit of the material.
  for (size_t i = 0; i < g_edit->further.size(); ++i) {
    if (g_edit->further[i].unit != unit) continue;
    g_edit->further.erase(g_edit->further.begin() + static_cast<long>(i));
    mark_unit(GetControlHWND(dialog, kMatFurtherTree), g_edit->further_items, unit, false, true);
    break;
  }
}

void further_action(void* dialog, int code) {
  const Notification* n = notification();
  if (n == nullptr || n->item == nullptr) return;
  void* tree = GetControlHWND(dialog, kMatFurtherTree);
  const long unit = static_cast<long>(tree_param(tree, n->item));
  const bool is_unit = !is_dimension_item(g_edit->further_items, unit);
  if (code == kTvnSelChanged) {
    g_edit->selected_unit = is_unit ? unit : 0;
    show_unit_factor(dialog);
    return;
  }
  // A double click adds the unit to the further units or takes it away.
  if (code != kNmDblClk || !is_unit) return;
  g_edit->selected_unit = unit;
  if (further_of(unit) != nullptr) {
    for (size_t i = 0; i < g_edit->further.size(); ++i)
      if (g_edit->further[i].unit == unit) {
        g_edit->further.erase(g_edit->further.begin() + static_cast<long>(i));
        break;
      }
    mark_unit(tree, g_edit->further_items, unit, false, true);
  } else {
    const std::string abbrev = abbrev_of(unit);
    if (abbrev.empty() || abbrev == g_edit->native_unit) return;
    g_edit->further.push_back({unit, abbrev, 1.0});
    mark_unit(tree, g_edit->further_items, unit, true, true);
  }
  show_unit_factor(dialog);
}

int DLIST_CALL EditMaterial_ExtAction_Proc(void* dialog, int control, int code) {
  switch (control) {
    case kMatSubprices:
      list_action(dialog, code);
      break;
    case kMatOperation:
      if (code == kCbnSelChange && g_edit->selected_row >= 0) {
        const size_t index = static_cast<size_t>(g_edit->selected_row);
        void* combo = GetControlHWND(dialog, kMatOperation);
        const int op = combo_current(combo);
        if (op >= kOperationPlain && op <= kOperationNone &&
            !g_edit->rows.change_operation(index, op)) {
          combo_set_current(combo, g_edit->rows.row(index).operation);
          refuse_change(kMatOperation);
        }
        rows_changed(dialog);
      }
      break;
    case kMatRowValue:
      if (code == kEnChange && g_edit->selected_row >= 0 && control_enabled(dialog, kMatRowValue)) {
        const size_t index = static_cast<size_t>(g_edit->selected_row);
        const double value = GetInpCont_Double(kMatRowValue);
        if (value >= -kMaxNumber && value <= kMaxNumber) {
          if (!g_edit->rows.change_value(index, value)) {
            SetInpCont_Double(kMatRowValue, g_edit->rows.row(index).value);
            refuse_change(kMatRowValue);
          }
          list_redraw(GetControlHWND(dialog, kMatSubprices));
          show_total(dialog);
        }
      }
      break;
    case kMatUnitPrice:
      if (code == kEnChange) {
        if (!g_edit->rows.change_unit_price(GetInpCont_Double(kMatUnitPrice))) {
          SetInpCont_Double(kMatUnitPrice, g_edit->rows.unit_price());
          refuse_change(kMatUnitPrice);
        }
        show_total(dialog);
      }
      break;
    case kMatNativeRadio:
    case kMatFurtherRadio:
      if (code == kBnClicked) show_trees(dialog, control == kMatNativeRadio);
      break;
    case kMatNativeTree:
      if (code == kTvnSelChanged) native_selected(dialog);
      break;
    case kMatFurtherTree:
      further_action(dialog, code);
      break;
    case kMatUnitFactor:
      if (code == kEnChange) {
        FurtherUnit* f = further_of(g_edit->selected_unit);
        const double factor = GetInpCont_Double(kMatUnitFactor);
        if (f != nullptr && factor >= kMinFactor && factor <= kMaxNumber) f->factor = factor;
      }
      break;
    case kMatLongTexts:
      if (code == kBnClicked) run_long_texts_dialog(dialog, g_edit->library, g_edit->texts, false);
      break;
    default:
      break;
  }
  return 0;
}

unitref make_unit_ref(const std::string& abbrev, double factor) {
  unitref ref{};
  copy_cut(ref.abbrev, sizeof ref.abbrev, abbrev);
  ref.factor = factor;
  return ref;
}

// The unit references OK writes: the stored ones in their order, each as the
// dialog now has it (the native unit's with the current native unit and factor, a
// further unit's with its factor, dropped when the user took the unit away), those
// the dialog does not show as they were; then the native unit when it had no
// reference and the user chose it or its factor, and the further units the user added.
std::vector<unitref> unit_refs_to_write(const std::string& native, double native_factor) {
  const EditState& s = *g_edit;
  std::vector<unitref> out;
  std::vector<long> written;
  bool native_written = false;
  const bool native_kept = native == s.loaded_native;
  for (const StoredUnitRef& st : s.stored_units) {
    switch (st.role) {
      case RefRole::kNative:
        if (!native.empty() && !native_written) {
          out.push_back(native_kept ? st.ref : make_unit_ref(native, 0.0));
          out.back().factor = native_factor;
          native_written = true;
        }
        break;
      case RefRole::kShown:
        if (const FurtherUnit* f = further_of(st.unit)) {
          out.push_back(st.ref);
          out.back().factor = f->factor;
          written.push_back(st.unit);
        }
        break;
      case RefRole::kCopy:
        if (st.unit == 0 ? native_kept : further_of(st.unit) != nullptr) out.push_back(st.ref);
        break;
      case RefRole::kHidden:
        out.push_back(st.ref);
        break;
    }
  }
  if (!native_written && !native.empty() &&
      (s.had_native_ref || !native_kept || native_factor != s.loaded_native_factor)) {
    out.insert(out.begin(), make_unit_ref(native, native_factor));
  }
  for (const FurtherUnit& f : s.further)
    if (std::find(written.begin(), written.end(), f.unit) == written.end())
      out.push_back(make_unit_ref(f.abbrev, f.factor));
  return out;
}

// The subprice references OK writes, by the same rule: the stored ones in their
// order (a shown row's with its current value while it stays linked, the others
// as they were), then the rows the user linked.
std::vector<subpriceref> price_refs_to_write() {
  const EditState& s = *g_edit;
  std::vector<subpriceref> out;
  std::vector<bool> written(s.rows.size(), false);
  for (const StoredPriceRef& st : s.stored_prices) {
    if (st.role == RefRole::kHidden) {
      out.push_back(st.ref);
      continue;
    }
    const SubpriceRow& row = s.rows.row(st.row);
    if (!is_linked(row.status)) continue;
    out.push_back(st.ref);
    if (st.role == RefRole::kShown) {
      out.back().value = row_value(row);
      written[st.row] = true;
    }
  }
  for (size_t i = 0; i < s.rows.size(); ++i) {
    const SubpriceRow& row = s.rows.row(i);
    if (!is_linked(row.status) || written[i]) continue;
    subpriceref ref{};
    copy_cut(ref.abbrev, sizeof ref.abbrev, row.abbrev);
    ref.value = row_value(row);
    out.push_back(ref);
  }
  return out;
}

// Writes the unit and subprice references of material; false on any failure.
bool write_references(LISTCONTEXT* library, long material, const std::string& native,
                      double native_factor) {
  for (const unitref& ref : unit_refs_to_write(native, native_factor)) {
    dbunit unit{};
    const long id = library->find_unit(std::string(field_text(ref.abbrev)).c_str(), unit);
    if (id < 0) return false;
    // A unit the library no longer holds keeps its reference (without usage), so
    // that the material stays editable.
    if (id > 0) {
      unit.usage += 1;
      if (library->modify(id, unit) == 0) return false;
    }
    if (library->create(material, ref) <= 0) return false;
  }
  for (const subpriceref& ref : price_refs_to_write())
    if (library->create(material, ref) <= 0) return false;
  return true;
}

// Whether the parent of a material being created holds a child of the own code
// entered: the library would refuse it, and the user keeps the dialog to change it.
bool code_taken(void* dialog) {
  const std::string code = control_text(dialog, kMatOwnCode);
  const long parent = g_edit->material->elemid();
  MATIDCHAIN chain;
  if (code.empty() || code.size() >= kMatIdSize ||
      (parent > 0 && g_edit->library->get_matidchain(parent, chain) == 0))
    return false;
  MATID id{};
  copy_cut(id.id, sizeof id.id, code);
  chain.push(id);
  dbmaterial found{};
  return g_edit->library->get(chain, found, nullptr) > 0;
}

// Writes the material and its references; false, with nothing changed, on failure.
bool write_material(void* dialog) {
  EditState& s = *g_edit;
  Material* m = s.material;
  const double price = GetInpCont_Double(kMatUnitPrice);
  if (price != s.shown_price) s.record.unit_price = price;
  // The market is stored only when the user changed the choice: a stored market
  // the library does not list stays.
  const int market = combo_current(GetControlHWND(dialog, kMatMarket));
  if (market != s.initial_market) {
    copy_cut(s.record.market, sizeof s.record.market,
             market >= 0 ? combo_item_text(GetControlHWND(dialog, kMatMarket), market) : "");
  }
  const std::string native = control_text(dialog, kMatNativeUnit).empty() ? "" : s.native_unit;
  copy_cut(s.record.native_unit, sizeof s.record.native_unit, native);
  const double shown_factor = GetInpCont_Double(kMatNativeFactor);
  const double native_factor =
      shown_factor == s.shown_native_factor ? s.loaded_native_factor : shown_factor;

  const dbmaterial saved = m->data;
  const long saved_id = m->elemid();
  WriteLock lock(s.library);
  if (!lock) return false;
  bool ok = true;
  if (!s.creating) {
    ok = ReleaseMaterialRefs(s.library, m->elemid()) != 0;
  } else {
    const std::string code = control_text(dialog, kMatOwnCode);
    const std::string name = control_text(dialog, kMatName);
    if (!code.empty()) copy_cut(s.record.id, sizeof s.record.id, code);
    if (!name.empty()) copy_cut(s.record.name, sizeof s.record.name, name);
  }
  if (ok) {
    m->data = s.record;
    for (int i = 0; i < kLongTextCount && ok; ++i) {
      ok = copy_long_text(m->texts[i], s.texts[i]);
      m->data.long_text_length[i] = static_cast<int32_t>(s.texts[i].size());
    }
  }
  if (ok) ok = (s.creating ? m->create() : m->update()) != 0;
  if (ok) ok = write_references(s.library, m->elemid(), native, native_factor);
  if (!ok) {
    lock.abandon();
    lock.unlock();
    m->data = saved;
    m->elemid(saved_id);
    m->read();
    return false;
  }
  return lock.unlock();
}

int DLIST_CALL EditMaterial_IDC_OK_Proc(void* dialog) {
  if (InputChecking(dialog, 0) == 0) {
    WarningProc(dialog, 0);
    return 0;
  }
  if (g_edit->creating) {
    // A code holding "." or the separator would read back as several components.
    const std::string code = control_text(dialog, kMatOwnCode);
    const int refused = code.find_first_of(std::string(".") + g_edit->separator) != std::string::npos
                            ? kCodeSeparator
                        : code_taken(dialog) ? kCodeUsed
                                             : 0;
    if (refused != 0) {
      // The reason goes to the diagnostic output; the user sees the marked field.
      DiagnosticOut(load_string(static_cast<unsigned>(refused)).c_str());
      SetErrorId(kMatOwnCode);
      WarningProc(dialog, 0);
      return 0;
    }
  }
  if (!write_material(dialog)) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    g_edit->failed = true;
  }
  return 1;
}

int DLIST_CALL EditMaterial_Cancel_Proc(void*) { return 1; }

// ---- building ---------------------------------------------------------------------------

bool label(int& next, int text, int x, int y, int cx) {
  return StaticText(next++, load_string(static_cast<unsigned>(text)).c_str(), x, y, cx, kLine) != 0;
}

bool build(void* parent, const std::string& title) {
  EditState& s = *g_edit;
  if (!MakeMainUnit(parent, title.c_str(), "EditMaterial", kWidth, kHeight)) return false;
  int next = kFirstLabel;
  const int x = kMargin + kLabel;
  const int field = kWidth - x - kMargin;
  int y = kMargin;
  const unsigned fixed = s.creating ? 0u : kEsReadOnly;
  bool ok = label(next, 21459, kMargin, y, kLabel) &&
            TextEditInput(kMatParentCode, x, y, field, kLine, kEsReadOnly);
  y += kLine + 2;
  ok = ok && StaticText(10400, load_string(21318).c_str(), kMargin, y, kLabel, kLine) &&
       TextEditInput(kMatOwnCode, x, y, field, kLine, fixed) &&
       SetInpCont_Addres(kMatOwnCode, s.own_code, sizeof s.own_code) &&
       SetInpCont_MinMaxN(kMatOwnCode, 1, kMatIdSize - 1);
  y += kLine + 2;
  ok = ok && StaticText(10396, load_string(21305).c_str(), kMargin, y, kLabel, kLine) &&
       TextEditInput(kMatName, x, y, field, kLine, fixed) &&
       SetInpCont_Addres(kMatName, s.name, sizeof s.name) &&
       SetInpCont_MinMaxN(kMatName, 1, kMatNameSize - 1);
  y += kLine + 2;
  ok = ok && label(next, 21315, kMargin, y, kLabel) &&
       ComboInput(kMatMarket, x, y, field, kLine, kCbsDropDownList);
  y += kLine + 2;
  ok = ok && label(next, 21316, kMargin, y, kLabel) && DoubleInput(kMatUnitPrice, x, y, 100, kLine) &&
       SetInpCont_Addres(kMatUnitPrice, &s.unit_price) &&
       SetInpCont_MinMaxD(kMatUnitPrice, 0, kMaxNumber, 2) &&
       label(next, 21330, x + 110, y, 60) &&
       TextEditInput(kMatTotal, x + 170, y, field - 170, kLine, kEsReadOnly);
  y += kLine + 4;
  ok = ok && label(next, 21314, kMargin, y, kLabel) &&
       ListViewInputA(kMatSubprices, kMargin, y + kLine, kWidth - 2 * kMargin, 100,
                      kLvsOwnerDrawFixed) &&
       SetInpCont_DrawProc(kMatSubprices, EditMaterial_Draw_Proc);
  y += kLine + 104;
  ok = ok && label(next, 21306, kMargin, y, kLabel) &&
       ComboInput(kMatOperation, x, y, 40, kLine, kCbsDropDownList) &&
       DoubleInput(kMatRowValue, x + 50, y, 120, kLine) &&
       SetInpCont_MinMaxD(kMatRowValue, -kMaxNumber, kMaxNumber, 6);
  y += kLine + 4;
  ok = ok && label(next, 21317, kMargin, y, kLabel) &&
       TextEditInput(kMatNativeUnit, x, y, 50, kLine, kEsReadOnly) &&
       label(next, 21329, x + 60, y, 90) && DoubleInput(kMatNativeFactor, x + 150, y, 100, kLine) &&
       SetInpCont_Addres(kMatNativeFactor, &s.native_factor) &&
       SetInpCont_MinMaxD(kMatNativeFactor, 1, kMaxNumber);
  y += kLine + 4;
  ok = ok && label(next, 21313, kMargin, y, kLabel) &&
       Item(load_string(21333).c_str(), kMatNativeRadio, "Button", kBsRadioButton, x, y, 140,
            kLine) &&
       Item(load_string(21334).c_str(), kMatFurtherRadio, "Button", kBsRadioButton, x + 150, y,
            140, kLine);
  y += kLine + 2;
  ok = ok && TreeViewInput(kMatNativeTree, kMargin, y, kWidth - 2 * kMargin, 90) &&
       TreeViewInput(kMatFurtherTree, kMargin, y, kWidth - 2 * kMargin, 90);
  y += 94;
  ok = ok && label(next, 21331, kMargin, y, kLabel) && DoubleInput(kMatUnitFactor, x, y, 100, kLine) &&
       SetInpCont_MinMaxD(kMatUnitFactor, kMinFactor, kMaxNumber, 6);
  const int buttons = kHeight - kMargin - kButtonHeight;
  ok = ok &&
       CommandButton(kMatLongTexts, 21332, kMargin, buttons, 2 * kButtonWidth, kButtonHeight) &&
       CommandButton(kIdAccept, 36, kWidth - 2 * (kButtonWidth + kMargin), buttons, kButtonWidth,
                     kButtonHeight) &&
       CommandButton(kIdCancel, 37, kWidth - kButtonWidth - kMargin, buttons, kButtonWidth,
                     kButtonHeight);
  return ok && SetDlgInitProc(EditMaterial_Init_Proc) &&
         SetAllInputProc(EditMaterial_ExtAction_Proc) && SetIDC_OKProc(EditMaterial_IDC_OK_Proc) &&
         SetCancelProc(EditMaterial_Cancel_Proc);
}

// ---- loading --------------------------------------------------------------------------

std::string joined_code(const MATIDCHAIN& chain, unsigned count, char separator) {
  std::string code;
  for (unsigned i = 0; i < count && i < chain.size(); ++i) {
    if (i > 0) code += separator;
    code += field_text(chain[i].id);
  }
  return code;
}

// Reads what the dialog shows; false when the material cannot be read.
bool load(EditState& s) {
  LISTCONTEXT* library = s.library;
  Material* m = s.material;
  const long id = m->elemid();
  dbvernum version{};
  const char separator =
      library->get(version) != 0 && version.idseparator != 0 ? version.idseparator : '.';
  s.separator = separator;
  if (id > 0) {
    if (m->read() == 0) return false;
    MATIDCHAIN chain;
    if (library->get_matidchain(id, chain) == 0) return false;
    s.parent_code = joined_code(chain, s.creating ? chain.size() : chain.size() - 1, separator);
  } else if (!s.creating) {
    return false;
  }
  if (!s.creating) {
    s.record = m->data;
    for (int i = 0; i < kLongTextCount; ++i)
      if (!copy_long_text(s.texts[i], m->texts[i])) return false;
    copy_cut(s.own_code, sizeof s.own_code, field_text(s.record.id));
    copy_cut(s.name, sizeof s.name, field_text(s.record.name));
    s.native_unit = std::string(field_text(s.record.native_unit));
  }
  s.unit_price = s.record.unit_price;
  s.rows.set_unit_price(s.unit_price);

  std::vector<long> ids;
  if (library->market_ids(ids) < 0) return false;
  for (long market : ids) {
    dbmarket rec{};
    if (library->get(market, rec) > 0) s.markets.emplace_back(field_text(rec.name));
  }
  if (library->subprice_ids(ids) < 0) return false;
  for (long subprice : ids) {
    dbsubprice rec{};
    if (library->get(subprice, rec) <= 0) continue;
    SubpriceRow row;
    row.subprice = subprice;
    row.abbrev = std::string(field_text(rec.abbrev));
    row.name = std::string(field_text(rec.name));
    row.kind = rec.kind;
    row.library_value = rec.value;
    row.formula = std::string(field_text(rec.formula));
    row.value = rec.value;
    s.rows.add(row);
  }
  if (s.creating) return true;
  // Every stored reference is kept in order with what the dialog made of it; a row
  // or unit shows the first reference to it.
  if (library->rewind_subprice_ref(id) >= 0) {
    std::vector<bool> shown(s.rows.size(), false);
    subpriceref ref{};
    while (library->get(ref) > 0) {
      StoredPriceRef st;
      st.ref = ref;
      const std::string abbrev(field_text(ref.abbrev));
      for (size_t i = 0; i < s.rows.size(); ++i) {
        if (s.rows.row(i).abbrev != abbrev) continue;
        st.row = i;
        st.role = shown[i] ? RefRole::kCopy : RefRole::kShown;
        if (!shown[i]) {
          SubpriceRow& row = s.rows.row(i);
          row.status = kRowOwnValue;
          row.value = ref.value;
          shown[i] = true;
        }
        break;
      }
      s.stored_prices.push_back(st);
    }
  }
  std::vector<unitref> refs;
  if (library->rewind_unit_ref(id) >= 0) {
    unitref ref{};
    while (library->get(ref) > 0) refs.push_back(ref);
  }
  s.loaded_native = s.native_unit;
  for (const unitref& ref : refs) {
    StoredUnitRef st;
    st.ref = ref;
    const std::string abbrev(field_text(ref.abbrev));
    dbunit unit{};
    const long unit_id = abbrev.empty() ? 0 : library->find_unit(abbrev.c_str(), unit);
    if (!s.native_unit.empty() && abbrev == s.native_unit) {
      // The stored factor is shown as it stands, also where the field's limits
      // refuse it: the user sees the refusal at OK and chooses.
      st.role = s.had_native_ref ? RefRole::kCopy : RefRole::kNative;
      if (!s.had_native_ref) {
        s.had_native_ref = true;
        s.native_factor = ref.factor;
        s.loaded_native_factor = ref.factor;
      }
    } else if (unit_id > 0) {
      st.unit = unit_id;
      st.role = further_of(s, unit_id) != nullptr ? RefRole::kCopy : RefRole::kShown;
      if (st.role == RefRole::kShown) s.further.push_back({unit_id, abbrev, ref.factor});
    }
    s.stored_units.push_back(st);
  }
  return true;
}

}  // namespace
}  // namespace dlist

using namespace dlist;

DLIST_API int DLIST_CALL CrtEditMaterial(void* window, Material* material, short mode) {
  if ((mode != kModeEdit && mode != kModeCreate) || material == nullptr ||
      material->task() == nullptr) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    return 0;
  }
  EditState state;
  state.material = material;
  state.library = material->task();
  state.creating = mode == kModeCreate;
  state.rows = SubpriceRows(state.creating);
  ReadLock lock(state.library);
  if (!lock || !load(state)) return 0;
  const int result =
      run_dialog(DialogRun{window, kEditMaterialContext, units::kDmatedit, kBuffers, &state.images},
                 g_edit, &state,
                 [&] { return build(window, load_string(state.creating ? 22061 : 22059)); })
          .value_or(0);
  return state.failed ? 0 : result;
}
