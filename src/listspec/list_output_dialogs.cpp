// The dialogs of the List menu: the name of a list definition, the chooser, the
// marks, the properties and the precision list.
#include "listspec/list_output_dialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/message_box.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/model/element_parameters.h"
#include "host/report.h"
#include "host/resources.h"
#include "listspec/list_output_ids.h"
#include "listspec/list_output_internal.h"

namespace dlist::listspec {
namespace {

constexpr int kTextCancel = 20995;
constexpr int kTextName = 20969;
constexpr int kTextNameTaken = 11856;
constexpr int kTextMarkCaption = 21103;
constexpr int kTextPropertiesCaption = 21483;
constexpr int kTextPrecisionCaption = 21035;
constexpr int kTextKey = 21106;
constexpr int kTextPrecision = 21036;
constexpr int kFirstDateForm = 16720;
constexpr int kDateForms = 9;
constexpr int kFirstRounding = 16760;
constexpr int kRoundings = 3;
// Texts of our own.
constexpr int kFirstSortOrder = 50330;   // three
constexpr int kFirstTotals = 50333;      // three
constexpr int kFirstMonth = 50340;       // twelve
constexpr int kFirstPropertyLabel = 50360;  // the labels of the properties, in order
constexpr int kTextBadRange = 50375;
constexpr int kTextSetFiles = 50320;
constexpr int kTextTxtFiles = 21764;
constexpr int kTextRtfFiles = 21767;

constexpr int kLabelBase = 10600;  // identifiers of the labels



// ---- the name ------------------------------------------------------------------------------

struct NameState {
  char name[DL_LISTSPEC::kMaxName + 1] = {};
  const DL_LISTSPEC_LIST* set = nullptr;
  int except = -1;
};
NameState* g_name = nullptr;

// A name another list definition of the set has.
bool name_taken(void* dialog, const DL_LISTSPEC_LIST& set, const std::string& name, int except, int control) {
  const int at = set.find(name);
  if (at < 0 || at == except) return false;
  MessageBoxA(dialog, load_text(kTextNameTaken).c_str(), name.c_str(), kMbOk | kMbIconExclamation);
  SetErrorId(control);
  return true;
}

int DLIST_CALL name_ok(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  return name_taken(dialog, *g_name->set, control_text(dialog, kNameInput), g_name->except, kNameInput) ? 0 : 1;
}

// ---- the chooser and the marks ---------------------------------------------------------------

struct ChooseState {
  const DL_LISTSPEC_LIST* set = nullptr;
  int current = -1;
  int chosen = -1;
  void* images = nullptr;
  std::vector<int> marks;  // the marks dialog: the switches
};
ChooseState* g_choose = nullptr;

void fill_names(void* dialog, bool marks) {
  void* tree = GetControlHWND(dialog, kChooseTree);
  ChooseState& s = *g_choose;
  if (marks && s.images != nullptr) tree_set_image_list(tree, s.images);
  _TREEITEM* current = nullptr;
  for (unsigned i = 0; i < s.set->size(); ++i) {
    const int icon = marks ? (s.marks[i] != 0 ? kIconOn : kIconOff) : kIconLoop;
    _TREEITEM* item = tree_insert(tree, kTviRoot, kTviLast, (*s.set)[i]->Name().c_str(), icon, icon, i);
    if (static_cast<int>(i) == s.current) current = item;
  }
  if (current != nullptr) {
    tree_select(tree, current);
    tree_ensure_visible(tree, current);
  }
}

int DLIST_CALL choose_init(void* dialog) {
  fill_names(dialog, false);
  return 1;
}

int DLIST_CALL choose_ok(void* dialog) {
  void* tree = GetControlHWND(dialog, kChooseTree);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  if (item == nullptr) return 0;
  g_choose->chosen = static_cast<int>(tree_param(tree, item));
  return 1;
}

int DLIST_CALL mark_init(void* dialog) {
  fill_names(dialog, true);
  return 1;
}

int DLIST_CALL mark_action(void* dialog, int control, int code) {
  if (control != kChooseTree || code != kNmDblClk) return 0;
  void* tree = GetControlHWND(dialog, kChooseTree);
  _TREEITEM* item = notification()->item;
  if (!tree_has_item(tree, item)) return 0;
  const int icon = tree_image(tree, item) == kIconOn ? kIconOff : kIconOn;
  tree_set_image(tree, item, icon, icon);
  return 0;
}

int DLIST_CALL mark_ok(void* dialog) {
  void* tree = GetControlHWND(dialog, kChooseTree);
  for (_TREEITEM* item : tree_children(tree, nullptr)) {
    const auto index = static_cast<std::size_t>(tree_param(tree, item));
    if (index < g_choose->marks.size()) g_choose->marks[index] = tree_image(tree, item) == kIconOn ? 1 : 0;
  }
  return 1;
}

// ---- the properties ------------------------------------------------------------------------------

struct PropertiesState {
  char currency[4] = {};
  char title[81] = {};
  char name[DL_LISTSPEC::kMaxName + 1] = {};
  double scale = 1;
  int decimals = 2;
  char output[257] = {};
  int summarize = 0;
  int year = 2000;
  int day = 1;
  char range[32] = {};
  // Read by the OK procedure.
  int sort_order = 0, totals = 0, month = 1;
  std::string date_format, rounding;
  int range_low = 0, range_high = 0;
  const DL_LISTSPEC_LIST* set = nullptr;
  int index = -1;
  std::string start_date_format, start_rounding;
  int start_sort_order = 0, start_totals = 0, start_month = 1;
};
PropertiesState* g_props = nullptr;


bool parse_range(const std::string& text, int& low, int& high) {
  int a = 0, b = 0, used = 0;
  if (std::sscanf(text.c_str(), " %d .. %d %n", &a, &b, &used) == 2 && static_cast<std::size_t>(used) == text.size()) {
    low = a;
    high = b;
  } else if (std::sscanf(text.c_str(), " %d %n", &a, &used) == 1 && static_cast<std::size_t>(used) == text.size()) {
    low = high = a;
  } else {
    return false;
  }
  return low <= high && low >= -32768 && high <= 32767;
}

void fill_combo(void* dialog, int control, int first, int count, int current) {
  void* combo = GetControlHWND(dialog, control);
  for (int i = 0; i < count; ++i) combo_add(combo, load_text(first + i).c_str(), i);
  combo_set_current(combo, std::clamp(current, 0, count - 1));
}

// The index of text among the texts from first on; 0 when it is none of them.
int text_index(const std::string& text, int first, int count) {
  for (int i = 0; i < count; ++i)
    if (load_text(first + i) == text) return i;
  return 0;
}

int DLIST_CALL properties_init(void* dialog) {
  PropertiesState& p = *g_props;
  fill_combo(dialog, kPropSortOrder, kFirstSortOrder, 3, p.start_sort_order);
  fill_combo(dialog, kPropTotals, kFirstTotals, 3, p.start_totals);
  fill_combo(dialog, kPropDateFormat, kFirstDateForm, kDateForms, text_index(p.start_date_format, kFirstDateForm, kDateForms));
  fill_combo(dialog, kPropRounding, kFirstRounding, kRoundings, text_index(p.start_rounding, kFirstRounding, kRoundings));
  fill_combo(dialog, kPropMonth, kFirstMonth, 12, p.start_month - 1);
  return 1;
}

int DLIST_CALL properties_action(void* dialog, int control, int code) {
  if (control != kPropOutputChoose || code != kBnClicked) return 0;
  char path[260] = {};
  copy_text(path, sizeof path, control_text(dialog, kPropOutput));
  const std::string filter =
      load_text(kTextSetFiles) + "|*.ini|" + load_text(kTextTxtFiles) + "|*.txt|" + load_text(kTextRtfFiles) + "|*.rtf|*.*|*.*";
  if (SaveFileR(dialog, filter.c_str(), path, sizeof path, load_text(kFirstPropertyLabel + 5).c_str()) != 0)
    set_control_text(dialog, kPropOutput, path);
  return 0;
}

int DLIST_CALL properties_ok(void* dialog) {
  PropertiesState& p = *g_props;
  if (InputChecking(dialog, 0) == 0) return 0;
  if (name_taken(dialog, *p.set, control_text(dialog, kPropName), p.index, kPropName)) return 0;
  if (!parse_range(control_text(dialog, kPropRange), p.range_low, p.range_high)) {
    DiagnosticOut(load_text(kTextBadRange).c_str());
    SetErrorId(kPropRange);
    WarningProc(dialog, kPropRange);
    return 0;
  }
  p.sort_order = combo_current(GetControlHWND(dialog, kPropSortOrder));
  p.totals = combo_current(GetControlHWND(dialog, kPropTotals));
  p.month = combo_current(GetControlHWND(dialog, kPropMonth)) + 1;
  p.date_format = load_text(kFirstDateForm + std::max(0, combo_current(GetControlHWND(dialog, kPropDateFormat))));
  p.rounding = load_text(kFirstRounding + std::max(0, combo_current(GetControlHWND(dialog, kPropRounding))));
  return 1;
}

// ---- the precision list ---------------------------------------------------------------------------

struct PrecisionRow {
  std::string name;
  std::string key;
  int precision = 0;
};
struct PrecisionState {
  std::vector<PrecisionRow> rows;
  int sorted_by = -1;
  bool reversed = false;
};
PrecisionState* g_prec = nullptr;

void* precision_list(void* dialog) { return GetControlHWND(dialog, kPrecisionList); }

int selected_row(void* dialog) { return list_selected(precision_list(dialog)); }

void show_precision_ok_cancel_buttons(void* dialog) {
  const int row = selected_row(dialog);
  int value = 0;
  if (row >= 0) value = g_prec->rows[static_cast<std::size_t>(list_param(precision_list(dialog), row))].precision;
  SetInputActivitet(dialog, kPrecisionLower, row >= 0 && value > -9 ? 1 : 0);
  SetInputActivitet(dialog, kPrecisionRaise, row >= 0 && value < 9 ? 1 : 0);
}

void fill_precision(void* dialog, const std::string& keep) {
  void* list = precision_list(dialog);
  list_delete_all(list);
  int select = -1;
  for (std::size_t i = 0; i < g_prec->rows.size(); ++i) {
    const PrecisionRow& r = g_prec->rows[i];
    const int row = list_insert_row(list, static_cast<int>(i), r.name.c_str(), static_cast<intptr_t>(i));
    list_set_text(list, row, 1, r.key.c_str());
    list_set_text(list, row, 2, std::to_string(r.precision).c_str());
    if (r.key == keep) select = row;
  }
  if (select >= 0) list_set_state(list, select, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
  show_precision_ok_cancel_buttons(dialog);
}

int DLIST_CALL precision_init(void* dialog) {
  void* list = precision_list(dialog);
  list_insert_column(list, 0, load_text(kTextName).c_str(), 160);
  list_insert_column(list, 1, load_text(kTextKey).c_str(), 80);
  list_insert_column(list, 2, load_text(kTextPrecision).c_str(), 70);
  fill_precision(dialog, "");
  return 1;
}

int DLIST_CALL precision_action(void* dialog, int control, int code) {
  PrecisionState& p = *g_prec;
  if (control == kPrecisionList && code == kLvnColumnClick) {
    const int column = notification()->column;
    if (column != 0 && column != 1) return 0;
    p.reversed = p.sorted_by == column ? !p.reversed : false;
    p.sorted_by = column;
    const int row = selected_row(dialog);
    const std::string keep =
        row >= 0 ? p.rows[static_cast<std::size_t>(list_param(precision_list(dialog), row))].key : std::string();
    std::stable_sort(p.rows.begin(), p.rows.end(), [&p](const PrecisionRow& a, const PrecisionRow& b) {
      const std::string& x = p.sorted_by == 0 ? a.name : a.key;
      const std::string& y = p.sorted_by == 0 ? b.name : b.key;
      return p.reversed ? y < x : x < y;
    });
    fill_precision(dialog, keep);
    return 0;
  }
  if (control == kPrecisionList && code == kLvnItemChanged) {
    show_precision_ok_cancel_buttons(dialog);
    return 0;
  }
  if ((control == kPrecisionLower || control == kPrecisionRaise) && code == kBnClicked) {
    const int row = selected_row(dialog);
    if (row < 0) return 0;
    PrecisionRow& r = p.rows[static_cast<std::size_t>(list_param(precision_list(dialog), row))];
    const int step = control == kPrecisionRaise ? 1 : -1;
    if ((step > 0 && r.precision >= 9) || (step < 0 && r.precision <= -9)) return 0;
    r.precision += step;
    list_set_text(precision_list(dialog), row, 2, std::to_string(r.precision).c_str());
    show_precision_ok_cancel_buttons(dialog);
  }
  return 0;
}

// The key and name of every numeric parameter of the model's element classes.
constexpr uint32_t kAllClasses = 0x3FFFFFu;

std::string parameter_name(const std::string& key) {
  const int n = nParameter(kAllClasses);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(kAllClasses, i, &p) != 0 && key == p.abbrev) return p.name;
  }
  return "";
}

}  // namespace

std::optional<std::string> ask_list_name(void* parent, int context, int title, const std::string& start,
                                         const DL_LISTSPEC_LIST& set, int except) {
  NameState s;
  s.set = &set;
  s.except = except;
  copy_text(s.name, sizeof s.name, start);
  const std::string caption = load_text(title);
  const std::optional<int> result = run_dialog(run_of(parent, context), g_name, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "ListName", 300, 90) != nullptr &&
           StaticText(kLabelBase, load_text(kTextName).c_str(), 5, 5, 290, 14) != 0 &&
           TextEditInput(kNameInput, 5, 22, 290, 20) != 0 &&
           SetInpCont_Addres(kNameInput, s.name, sizeof s.name) != 0 &&
           SetInpCont_MinMaxN(kNameInput, 1, DL_LISTSPEC::kMaxName) != 0 && ok_cancel_buttons(300, 55) &&
           SetIDC_OKProc(name_ok) != 0;
  });
  if (result.value_or(0) == 0) return std::nullopt;
  return std::string(s.name);
}

int choose_list_index(void* parent, int title, const DL_LISTSPEC_LIST& set, int current) {
  ChooseState s;
  s.set = &set;
  s.current = current;
  const std::string caption = load_text(title);
  const std::optional<int> result = run_dialog(run_of(parent, kChooseContext), g_choose, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "ListChoose", 300, 300) != nullptr &&
           TreeViewInput(kChooseTree, 5, 5, 290, 255) != 0 && ok_cancel_buttons(300, 268) &&
           SetDlgInitProc(choose_init) != 0 && SetIDC_OKProc(choose_ok) != 0;
  });
  return result.value_or(0) != 0 ? s.chosen : -1;
}

bool mark_lists(void* parent, DL_LISTSPEC_LIST& set, int current, void* images) {
  ChooseState s;
  s.set = &set;
  s.current = current;
  s.images = images;
  for (unsigned i = 0; i < set.size(); ++i) s.marks.push_back(set[i]->marked ? 1 : 0);
  const std::string caption = load_text(kTextMarkCaption);
  const std::optional<int> result = run_dialog(run_of(parent, kMarkContext), g_choose, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "ListMarks", 300, 300) != nullptr &&
           TreeViewInput(kChooseTree, 5, 5, 290, 255) != 0 &&
           CommandButton(kIdReject, kTextCancel, 205, 268, 90, 22) != 0 &&
           CommandButton(kIdAccept, 36, 110, 268, 90, 22) != 0 && SetDlgInitProc(mark_init) != 0 &&
           SetAllInputProc(mark_action) != 0 && SetIDC_OKProc(mark_ok) != 0;
  });
  if (result.value_or(0) == 0) return false;
  for (unsigned i = 0; i < set.size(); ++i) set[i]->marked = s.marks[i] != 0;
  return true;
}

bool edit_list_properties(void* parent, DL_LISTSPEC& l, const DL_LISTSPEC_LIST& set, int index) {
  PropertiesState p;
  copy_text(p.currency, sizeof p.currency, l.currency);
  copy_text(p.title, sizeof p.title, l.title);
  copy_text(p.name, sizeof p.name, l.Name());
  p.scale = l.scale;
  p.decimals = l.decimals;
  copy_text(p.output, sizeof p.output, l.output_file);
  p.summarize = l.summarize ? 1 : 0;
  p.year = l.year;
  p.day = l.day;
  std::snprintf(p.range, sizeof p.range, "%d..%d", l.range_low, l.range_high);
  p.start_sort_order = l.sort_order;
  p.start_totals = l.totals;
  p.start_month = l.month;
  p.start_date_format = l.date_format;
  p.start_rounding = l.rounding;
  p.set = &set;
  p.index = index;
  const std::string caption = load_text(kTextPropertiesCaption);
  constexpr int kX = 130, kW = 260, kRow = 24;
  const std::optional<int> result = run_dialog(run_of(parent, kListPropertiesContext), g_props, &p, [&] {
    bool ok = MakeMainUnit(parent, caption.c_str(), "ListProps", 400, 16 * kRow + 50) != nullptr;
    for (int i = 0; i < 15 && ok; ++i)
      ok = StaticText(kLabelBase + i, load_text(kFirstPropertyLabel + i).c_str(), 5, 5 + i * kRow, 120, 18) != 0;
    auto y = [](int row) { return 5 + row * 24; };
    return ok && TextEditInput(kPropCurrency, kX, y(0), 60, 20) != 0 &&
           SetInpCont_Addres(kPropCurrency, p.currency, sizeof p.currency) != 0 &&
           SetInpCont_MinMaxN(kPropCurrency, 1, 3) != 0 && TextEditInput(kPropTitle, kX, y(1), kW, 20) != 0 &&
           SetInpCont_Addres(kPropTitle, p.title, sizeof p.title) != 0 && SetInpCont_MinMaxN(kPropTitle, 0, 80) != 0 &&
           TextEditInput(kPropName, kX, y(2), kW, 20) != 0 &&
           SetInpCont_Addres(kPropName, p.name, sizeof p.name) != 0 &&
           SetInpCont_MinMaxN(kPropName, 1, DL_LISTSPEC::kMaxName) != 0 &&
           DoubleInput(kPropScale, kX, y(3), 120, 20) != 0 && SetInpCont_Addres(kPropScale, &p.scale) != 0 &&
           SetInpCont_MinMaxD(kPropScale, 1e-9, 1e8) != 0 && IntegerInput(kPropDecimals, kX, y(4), 60, 20) != 0 &&
           SetInpCont_Addres(kPropDecimals, &p.decimals) != 0 && SetInpCont_MinMaxN(kPropDecimals, -9, 9) != 0 &&
           TextEditInput(kPropOutput, kX, y(5), kW - 30, 20) != 0 &&
           SetInpCont_Addres(kPropOutput, p.output, sizeof p.output) != 0 &&
           SetInpCont_MinMaxN(kPropOutput, 1, 256) != 0 &&
           CommandButton(kPropOutputChoose, kFirstPropertyLabel + 5, kX + kW - 26, y(5), 26, 20) != 0 &&
           CheckBoxInput(kPropSummarize, "", kX, y(6), kW, 20) != 0 &&
           SetInpCont_Addres(kPropSummarize, &p.summarize) != 0 &&
           ComboInput(kPropSortOrder, kX, y(7), kW, 20, kCbsDropDownList) != 0 &&
           ComboInput(kPropTotals, kX, y(8), kW, 20, kCbsDropDownList) != 0 &&
           ComboInput(kPropDateFormat, kX, y(9), kW, 20, kCbsDropDownList) != 0 &&
           ComboInput(kPropRounding, kX, y(10), kW, 20, kCbsDropDownList) != 0 &&
           IntegerInput(kPropYear, kX, y(11), 80, 20) != 0 && SetInpCont_Addres(kPropYear, &p.year) != 0 &&
           SetInpCont_MinMaxN(kPropYear, 1000, 9999) != 0 &&
           ComboInput(kPropMonth, kX, y(12), kW, 20, kCbsDropDownList) != 0 &&
           IntegerInput(kPropDay, kX, y(13), 60, 20) != 0 && SetInpCont_Addres(kPropDay, &p.day) != 0 &&
           SetInpCont_MinMaxN(kPropDay, 1, 31) != 0 && TextEditInput(kPropRange, kX, y(14), 120, 20) != 0 &&
           SetInpCont_Addres(kPropRange, p.range, sizeof p.range) != 0 && ok_cancel_buttons(400, y(15) + 4) &&
           SetDlgInitProc(properties_init) != 0 && SetAllInputProc(properties_action) != 0 &&
           SetIDC_OKProc(properties_ok) != 0;
  });
  if (result.value_or(0) == 0) return false;
  l.currency = p.currency;
  l.title = p.title;
  l.SetName(p.name);
  l.scale = p.scale;
  l.decimals = p.decimals;
  l.output_file = p.output;
  l.summarize = p.summarize != 0;
  l.sort_order = p.sort_order;
  l.totals = p.totals;
  l.date_format = p.date_format;
  l.rounding = p.rounding;
  l.year = p.year;
  l.month = p.month;
  l.day = p.day;
  l.range_low = p.range_low;
  l.range_high = p.range_high;
  return true;
}

bool edit_precision(void* parent, DL_LISTSPEC_LIST& set) {
  if (set.Precision().empty()) {
    const int n = nParameter(kAllClasses);
    for (int i = 0; i < n; ++i) {
      ELEMPARAMETER p;
      if (GetParameter(kAllClasses, i, &p) == 0 || (p.type != 1 && p.type != 4 && p.type != 7)) continue;
      DL_PRECISION entry;
      copy_text(entry.key, sizeof entry.key, p.abbrev);
      entry.precision = p.precision;
      set.Precision().push_back(entry);
    }
  }
  PrecisionState s;
  for (const DL_PRECISION& e : set.Precision()) {
    const std::string key(e.key, strnlen(e.key, sizeof e.key));
    s.rows.push_back({parameter_name(key), key, e.precision});
  }
  const std::string caption = load_text(kTextPrecisionCaption);
  const std::optional<int> result = run_dialog(run_of(parent, kPrecisionContext), g_prec, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "ListPrecision", 360, 300) != nullptr &&
           ListViewInputA(kPrecisionList, 5, 5, 350, 230) != 0 &&
           CommandButton(kPrecisionLower, 50376, 5, 240, 60, 22) != 0 &&
           CommandButton(kPrecisionRaise, 50377, 70, 240, 60, 22) != 0 && ok_cancel_buttons(360, 270) &&
           SetDlgInitProc(precision_init) != 0 && SetAllInputProc(precision_action) != 0;
  });
  if (result.value_or(0) == 0) return false;
  for (DL_PRECISION& e : set.Precision()) {
    const std::string key(e.key, strnlen(e.key, sizeof e.key));
    for (const PrecisionRow& r : s.rows)
      if (r.key == key) e.precision = r.precision;
  }
  return true;
}

}  // namespace dlist::listspec
