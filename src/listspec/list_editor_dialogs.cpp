// The tree editor's dialogs: the label, the properties of each node kind, the value
// list of an attribute loop, the chosen plans, floors or layers of a loop, the
// filters with their rules, the attribute chooser and the validity report.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <optional>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/model/element_parameters.h"
#include "host/report.h"
#include "host/resources.h"
#include "listspec/list_output_ids.h"
#include "listspec/list_output_internal.h"

namespace dlist::listspec {
namespace {

constexpr int kTextLabel = 21323;
constexpr int kTextFilters = 21477;
constexpr int kTextAttribute = 21121;
constexpr int kTextProperties = 21483;
constexpr int kTextSection = 21099;
constexpr int kTextPrintSection = 21100;
constexpr int kTextSubprices = 21491;
constexpr int kTextSummarize = 21101;
constexpr int kTextElemAttributes = 21496;
constexpr int kTextMaterials = 21490;
constexpr int kTextGroup = 21484;
constexpr int kFilterTitles[6] = {21489, 21122, 20908, 21029, 20968, 20967};
constexpr int kChooserTitles[4] = {21106, 21107, 21108, 21109};
// Texts of our own.
constexpr int kTextPrototypeOnly = 50390;
constexpr int kTextKeyN = 50391;         // "Key %d"
constexpr int kTextKeyFlag = 50392;      // the check box of a key
constexpr int kTextLevel = 50393;
constexpr int kTextValue = 50394;
constexpr int kTextAdd = 50395;
constexpr int kTextReplace = 50396;
constexpr int kTextDelete = 50397;
constexpr int kTextSheet = 50398;
constexpr int kTextCaseOff = 50399;
constexpr int kFirstSearchType = 50380;  // four
constexpr int kFirstValueType = 50384;   // integer, real, text
constexpr int kTextRequired = 20968;
constexpr int kTextChoose = 50387;
constexpr int kTextProject = 50388;      // source of a project attribute
constexpr int kTextParameter = 50389;    // source of an element parameter
constexpr int kTextBadValue = 50378;
constexpr int kTextBadBounds = 50379;
constexpr int kTextReportCaption = 50324;

constexpr int kLabelBase = 10600;



// Refuses the input of control: marked, with the framework's warning; the reason
// goes to the diagnostic output.
int refuse(void* dialog, int control, int reason) {
  DiagnosticOut(load_text(reason).c_str());
  SetErrorId(control);
  WarningProc(dialog, control);
  return 0;
}

bool parse_int(const std::string& text, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < -2147483647L - 1 || v > 2147483647L) return false;
  out = static_cast<int>(v);
  return true;
}

bool parse_real(const std::string& text, double& out, double lo, double hi) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
  out = v;
  return true;
}

std::string real_text(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", v);
  return buffer;
}

// ---- one text: the label and a group's caption --------------------------------------------

struct TextState {
  char text[256] = {};
};
TextState* g_text = nullptr;

std::optional<std::string> ask_text(void* parent, int context, int title, const std::string& start) {
  TextState s;
  copy_text(s.text, sizeof s.text, start);
  const std::string caption = load_text(title);
  const std::optional<int> result = run_dialog(run_of(parent, context), g_text, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "NodeText", 360, 80) != nullptr &&
           TextEditInput(kTextInput, 5, 10, 350, 20) != 0 && SetInpCont_Addres(kTextInput, s.text, sizeof s.text) != 0 &&
           SetInpCont_MinMaxN(kTextInput, 0, 255) != 0 && ok_cancel_buttons(360, 45);
  });
  if (result.value_or(0) == 0) return std::nullopt;
  return std::string(s.text);
}

// ---- the two-choice dialog, the material loop ---------------------------------------------------

struct ChoiceState {
  int check = 0;
  int level = 0;
};
ChoiceState* g_choice = nullptr;

bool ask_choice(void* parent, int context, int title, int text, int& flag) {
  ChoiceState s;
  s.check = flag != 0 ? 1 : 0;
  const std::string caption = load_text(title);
  const std::optional<int> result = run_dialog(run_of(parent, context), g_choice, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "NodeChoice", 300, 70) != nullptr &&
           CheckBoxInput(kChoiceCheck, load_text(text).c_str(), 5, 10, 290, 18) != 0 &&
           SetInpCont_Addres(kChoiceCheck, &s.check) != 0 && ok_cancel_buttons(300, 38);
  });
  if (result.value_or(0) == 0) return false;
  flag = s.check != 0 ? 1 : 0;
  return true;
}

bool edit_material(void* parent, EditorRecord& r) {
  ChoiceState s;
  s.check = r.flags[0] != 0 ? 1 : 0;
  s.level = r.value_type_or_level;
  const std::string caption = load_text(kTextMaterials);
  const std::optional<int> result = run_dialog(run_of(parent, kMaterialLoopContext), g_choice, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "MaterialLoop", 300, 95) != nullptr &&
           CheckBoxInput(kMaterialSummary, load_text(kTextSummarize).c_str(), 5, 10, 290, 18) != 0 &&
           SetInpCont_Addres(kMaterialSummary, &s.check) != 0 &&
           StaticText(kLabelBase, load_text(kTextLevel).c_str(), 5, 36, 120, 18) != 0 &&
           IntegerInput(kMaterialLevel, 130, 34, 60, 20) != 0 && SetInpCont_Addres(kMaterialLevel, &s.level) != 0 &&
           SetInpCont_MinMaxN(kMaterialLevel, 0, 15) != 0 && ok_cancel_buttons(300, 64);
  });
  if (result.value_or(0) == 0) return false;
  r.flags[0] = s.check;
  r.value_type_or_level = static_cast<unsigned char>(s.level);
  return true;
}

// ---- element loops ----------------------------------------------------------------------------------

struct ElementState {
  int prototype_only = 0;
  char keys[3][7] = {};
  int flags[3] = {};
  int kind_index = 0;
  int chosen_index = 0;
};
ElementState* g_element = nullptr;

int DLIST_CALL element_init(void* dialog) {
  void* combo = GetControlHWND(dialog, kElemKind);
  for (short k = kKindFirstElement; k <= kKindLastElement; ++k) combo_add(combo, KindTitle(k).c_str(), k);
  combo_set_current(combo, g_element->kind_index);
  return 1;
}

int DLIST_CALL element_ok(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  g_element->chosen_index = std::max(0, combo_current(GetControlHWND(dialog, kElemKind)));
  return 1;
}

bool edit_element(void* parent, EditorRecord& r) {
  ElementState s;
  s.prototype_only = r.prototype_only;
  s.kind_index = r.kind - kKindFirstElement;
  for (int i = 0; i < 3; ++i) {
    copy_text(s.keys[i], sizeof s.keys[i], r.keys[i]);
    s.flags[i] = r.flags[i] != 0 ? 1 : 0;
  }
  const std::string caption = load_text(kTextProperties);
  const std::optional<int> result = run_dialog(run_of(parent, kElementLoopContext), g_element, &s, [&] {
    bool ok = MakeMainUnit(parent, caption.c_str(), "ElementLoop", 320, 170) != nullptr &&
              ComboInput(kElemKind, 5, 5, 310, 20, kCbsDropDownList) != 0 &&
              CheckBoxInput(kElemPrototypeOnly, load_text(kTextPrototypeOnly).c_str(), 5, 30, 310, 18) != 0 &&
              SetInpCont_Addres(kElemPrototypeOnly, &s.prototype_only) != 0;
    for (int i = 0; i < 3 && ok; ++i) {
      const std::string label = format_message(kTextKeyN, i + 1);
      ok = StaticText(kLabelBase + i, label.c_str(), 5, 56 + i * 24, 70, 18) != 0 &&
           TextEditInput(kElemKey1 + i, 80, 54 + i * 24, 80, 20) != 0 &&
           SetInpCont_Addres(kElemKey1 + i, s.keys[i], sizeof s.keys[i]) != 0 &&
           SetInpCont_MinMaxN(kElemKey1 + i, 0, 6) != 0 &&
           CheckBoxInput(kElemFlag1 + i, load_text(kTextKeyFlag).c_str(), 170, 56 + i * 24, 140, 18) != 0 &&
           SetInpCont_Addres(kElemFlag1 + i, &s.flags[i]) != 0;
    }
    return ok && ok_cancel_buttons(320, 135) && SetDlgInitProc(element_init) != 0 && SetIDC_OKProc(element_ok) != 0;
  });
  if (result.value_or(0) == 0) return false;
  // Keys are packed to the front, each with its flag.
  std::string keys[3] = {s.keys[0], s.keys[1], s.keys[2]};
  int flags[3] = {s.flags[0], s.flags[1], s.flags[2]};
  auto shift = [&](int from) {
    for (int i = from; i < 2; ++i) {
      keys[i] = keys[i + 1];
      flags[i] = flags[i + 1];
    }
    keys[2].clear();
    flags[2] = 0;
  };
  if (keys[0].empty()) shift(0);
  if (keys[1].empty()) shift(1);
  for (int i = 0; i < 3; ++i) {
    copy_text(r.keys[i], sizeof r.keys[i], keys[i]);
    r.flags[i] = flags[i];
  }
  r.prototype_only = s.prototype_only;
  const std::string label = LabelFromText(r.text, KindTitle(r.kind));
  r.kind = static_cast<short>(kKindFirstElement + std::clamp(s.chosen_index, 0, kKindLastElement - kKindFirstElement));
  const std::string title = KindTitle(r.kind);
  r.text = label.empty() ? title : label + " (" + title + ")";
  return true;
}

// ---- value lists and chosen items ---------------------------------------------------------------------

enum class Items { kIntegers, kReals, kTexts, kPlans, kFloors, kLayers };

struct ItemsState {
  Items mode = Items::kIntegers;
  std::vector<ORB::String> texts;
  std::vector<long> numbers;
  std::vector<double> reals;
  char input[256] = {};
  int number = 0;      // plans: the layout sheet
  char key[7] = {};    // floors: key 1
  int key_flag = 0;
};
ItemsState* g_items = nullptr;

std::size_t item_count(const ItemsState& s) {
  switch (s.mode) {
    case Items::kReals: return s.reals.size();
    case Items::kTexts: return s.texts.size();
    case Items::kIntegers:
    case Items::kFloors:
    case Items::kLayers: return s.numbers.size();
    case Items::kPlans: return s.texts.size();
  }
  return 0;
}

std::string item_text(const ItemsState& s, std::size_t i) {
  switch (s.mode) {
    case Items::kReals: return real_text(s.reals[i]);
    case Items::kTexts: return std::string(s.texts[i].view());
    case Items::kPlans: return std::string(s.texts[i].view()) + " (" + std::to_string(s.numbers[i]) + ")";
    default: return std::to_string(s.numbers[i]);
  }
}

void fill_items(void* dialog, int select) {
  void* list = GetControlHWND(dialog, kItemsList);
  list_delete_all(list);
  for (std::size_t i = 0; i < item_count(*g_items); ++i)
    list_insert_row(list, static_cast<int>(i), item_text(*g_items, i).c_str(), static_cast<intptr_t>(i));
  if (select >= 0 && select < list_row_count(list))
    list_set_state(list, select, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
}

int DLIST_CALL items_init(void* dialog) {
  list_insert_column(GetControlHWND(dialog, kItemsList), 0, load_text(kTextValue).c_str(), 300);
  fill_items(dialog, -1);
  return 1;
}

// The input as an item at position at (appended when at is past the end).
bool put_item(void* dialog, std::size_t at) {
  ItemsState& s = *g_items;
  const std::string text = control_text(dialog, kItemsInput);
  const bool append = at >= item_count(s);
  switch (s.mode) {
    case Items::kIntegers:
    case Items::kFloors:
    case Items::kLayers: {
      int v = 0;
      if (!parse_int(text, v)) return refuse(dialog, kItemsInput, kTextBadValue) != 0;
      if (append) s.numbers.push_back(v); else s.numbers[at] = v;
      return true;
    }
    case Items::kReals: {
      double v = 0;
      if (!parse_real(text, v, -1e300, 1e300)) return refuse(dialog, kItemsInput, kTextBadValue) != 0;
      if (append) s.reals.push_back(v); else s.reals[at] = v;
      return true;
    }
    case Items::kTexts:
    case Items::kPlans: {
      if (text.empty() || text.size() > 255) return refuse(dialog, kItemsInput, kTextBadValue) != 0;
      ORB::String value(text.c_str(), static_cast<unsigned>(text.size()));
      long sheet = 0;
      if (s.mode == Items::kPlans) {
        int v = 0;
        if (!parse_int(control_text(dialog, kItemsNumber), v)) return refuse(dialog, kItemsNumber, kTextBadValue) != 0;
        sheet = v;
      }
      if (append) {
        s.texts.push_back(value);
        if (s.mode == Items::kPlans) s.numbers.push_back(sheet);
      } else {
        s.texts[at] = value;
        if (s.mode == Items::kPlans) s.numbers[at] = sheet;
      }
      return true;
    }
  }
  return false;
}

void remove_item(std::size_t at) {
  ItemsState& s = *g_items;
  if (at >= item_count(s)) return;
  switch (s.mode) {
    case Items::kReals: s.reals.erase(s.reals.begin() + static_cast<long>(at)); return;
    case Items::kTexts: s.texts.erase(s.texts.begin() + static_cast<long>(at)); return;
    case Items::kPlans:
      s.texts.erase(s.texts.begin() + static_cast<long>(at));
      s.numbers.erase(s.numbers.begin() + static_cast<long>(at));
      return;
    default: s.numbers.erase(s.numbers.begin() + static_cast<long>(at)); return;
  }
}

int DLIST_CALL items_action(void* dialog, int control, int code) {
  if (code != kBnClicked) return 0;
  const int row = list_selected(GetControlHWND(dialog, kItemsList));
  if (control == kItemsAdd) {
    if (put_item(dialog, item_count(*g_items))) fill_items(dialog, static_cast<int>(item_count(*g_items)) - 1);
  } else if (control == kItemsReplace && row >= 0) {
    if (put_item(dialog, static_cast<std::size_t>(row))) fill_items(dialog, row);
  } else if (control == kItemsDelete && row >= 0) {
    remove_item(static_cast<std::size_t>(row));
    fill_items(dialog, std::min(row, static_cast<int>(item_count(*g_items)) - 1));
  }
  return 0;
}

bool edit_items(void* parent, EditorRecord& r, Items mode, int context) {
  ItemsState s;
  s.mode = mode;
  s.texts = r.texts;
  s.numbers = mode == Items::kPlans ? r.plans : r.numbers;
  s.reals = r.reals;
  if (mode == Items::kFloors) {
    copy_text(s.key, sizeof s.key, r.keys[0]);
    s.key_flag = r.flags[0];
  }
  const std::string caption = KindTitle(r.kind);
  const std::optional<int> result = run_dialog(run_of(parent, context), g_items, &s, [&] {
    bool ok = MakeMainUnit(parent, caption.c_str(), "NodeItems", 360, 300) != nullptr &&
              ListViewInputA(kItemsList, 5, 5, 350, 160) != 0 &&
              StaticText(kLabelBase, load_text(kTextValue).c_str(), 5, 172, 80, 18) != 0 &&
              TextEditInput(kItemsInput, 90, 170, 265, 20) != 0 &&
              SetInpCont_Addres(kItemsInput, s.input, sizeof s.input) != 0 &&
              SetInpCont_MinMaxN(kItemsInput, 0, 255) != 0 &&
              CommandButton(kItemsAdd, kTextAdd, 5, 222, 80, 22) != 0 &&
              CommandButton(kItemsReplace, kTextReplace, 90, 222, 80, 22) != 0 &&
              CommandButton(kItemsDelete, kTextDelete, 175, 222, 80, 22) != 0;
    if (ok && mode == Items::kPlans)
      ok = StaticText(kLabelBase + 1, load_text(kTextSheet).c_str(), 5, 196, 80, 18) != 0 &&
           IntegerInput(kItemsNumber, 90, 194, 80, 20) != 0 && SetInpCont_Addres(kItemsNumber, &s.number) != 0;
    if (ok && mode == Items::kFloors)
      ok = StaticText(kLabelBase + 1, format_message(kTextKeyN, 1).c_str(), 5, 196, 80, 18) != 0 &&
           TextEditInput(kItemsKey, 90, 194, 80, 20) != 0 && SetInpCont_Addres(kItemsKey, s.key, sizeof s.key) != 0 &&
           SetInpCont_MinMaxN(kItemsKey, 0, 6) != 0 &&
           CheckBoxInput(kItemsKeyFlag, load_text(kTextKeyFlag).c_str(), 180, 196, 170, 18) != 0 &&
           SetInpCont_Addres(kItemsKeyFlag, &s.key_flag) != 0;
    return ok && ok_cancel_buttons(360, 266) && SetDlgInitProc(items_init) != 0 && SetAllInputProc(items_action) != 0;
  });
  if (result.value_or(0) == 0) return false;
  switch (mode) {
    case Items::kIntegers:
    case Items::kLayers: r.numbers = s.numbers; break;
    case Items::kFloors:
      r.numbers = s.numbers;
      copy_text(r.keys[0], sizeof r.keys[0], s.key);
      r.flags[0] = s.key_flag;
      break;
    case Items::kReals: r.reals = s.reals; break;
    case Items::kTexts: r.texts = s.texts; break;
    case Items::kPlans:
      r.texts = s.texts;
      r.plans = s.numbers;
      break;
  }
  return true;
}

// ---- the filters ------------------------------------------------------------------------------------------

struct FilterState {
  DL_FILTER_PACKET packet;
  uint32_t scope = 0;
  int type = 0;  // the value type of the key in the inputs
  char key[7] = {};
  int required = 0;
  int case_off = 0;
  char int_lo[16] = {}, int_hi[16] = {};
  char real_lo[40] = {}, real_hi[40] = {};
  char text_lo[256] = {}, text_hi[256] = {};
};
FilterState* g_filter = nullptr;

void* filter_list(void* dialog) { return GetControlHWND(dialog, kFilterList); }

std::string bound_text(const DL_FILTER_ENTRY& e, bool high) {
  switch (e.Type()) {
    case 0: return std::to_string(high ? e.IntHigh() : e.IntLow());
    case 1: return real_text(high ? e.RealHigh() : e.RealLow());
    default: return std::string((high ? e.TextHigh() : e.TextLow()).view());
  }
}

void show_row(void* list, int row, const DL_FILTER_ENTRY& e) {
  list_set_text(list, row, 1, load_text(kFirstValueType + std::clamp(e.Type(), 0, 2)).c_str());
  list_set_text(list, row, 2, bound_text(e, false).c_str());
  list_set_text(list, row, 3, bound_text(e, true).c_str());
  list_set_text(list, row, 4, e.IsRequired() ? "x" : "");
  list_set_text(list, row, 5, e.Type() == 2 ? load_text(kFirstSearchType + static_cast<int>(std::min(e.StringSearchType(), 3u))).c_str() : "");
}

void fill_filters(void* dialog, int select) {
  void* list = filter_list(dialog);
  list_delete_all(list);
  for (unsigned i = 0; i < g_filter->packet.size(); ++i) {
    const DL_FILTER_ENTRY& e = g_filter->packet[i];
    const int row = list_insert_row(list, static_cast<int>(i), e.Key(), static_cast<intptr_t>(i));
    show_row(list, row, e);
  }
  if (select >= 0 && select < list_row_count(list))
    list_set_state(list, select, kLvisSelected | kLvisFocused, kLvisSelected | kLvisFocused);
  const bool chosen = list_selected(list) >= 0;
  SetInputActivitet(dialog, kFilterReplace, chosen ? 1 : 0);
  SetInputActivitet(dialog, kFilterDelete, chosen ? 1 : 0);
}

// Shows the pair of bound inputs of the value type, and the text switches for texts.
void show_type(void* dialog, int type) {
  g_filter->type = type;
  for (int id : {kFilterIntLow, kFilterIntHigh}) ShowDlgInput(dialog, id, type == 0 ? 1 : 0);
  for (int id : {kFilterRealLow, kFilterRealHigh}) ShowDlgInput(dialog, id, type == 1 ? 1 : 0);
  for (int id : {kFilterTextLow, kFilterTextHigh, kFilterCaseOff, kFilterSearch}) ShowDlgInput(dialog, id, type == 2 ? 1 : 0);
}

void show_entry(void* dialog, const DL_FILTER_ENTRY& e) {
  set_control_text(dialog, kFilterKey, e.Key());
  show_type(dialog, e.Type());
  const int lo[3] = {kFilterIntLow, kFilterRealLow, kFilterTextLow};
  const int hi[3] = {kFilterIntHigh, kFilterRealHigh, kFilterTextHigh};
  const int t = std::clamp(e.Type(), 0, 2);
  set_control_text(dialog, lo[t], bound_text(e, false).c_str());
  set_control_text(dialog, hi[t], bound_text(e, true).c_str());
  set_control_check(dialog, kFilterRequired, e.IsRequired() ? 1 : 0);
  set_control_check(dialog, kFilterCaseOff, e.IsCaseOff() ? 1 : 0);
  combo_set_current(GetControlHWND(dialog, kFilterSearch), static_cast<int>(std::min(e.StringSearchType(), 3u)));
}

// The entry of the inputs; nothing (the offending input marked) when it breaks a rule.
std::optional<DL_FILTER_ENTRY> entry_from_inputs(void* dialog) {
  const std::string key = control_text(dialog, kFilterKey);
  if (key.empty() || key.size() > kListKeyLength) {
    refuse(dialog, kFilterKey, kTextBadValue);
    return std::nullopt;
  }
  const bool required = control_check(dialog, kFilterRequired) != 0;
  DL_FILTER_ENTRY e;
  switch (g_filter->type) {
    case 0: {
      int lo = 0, hi = 0;
      if (!parse_int(control_text(dialog, kFilterIntLow), lo)) return refuse(dialog, kFilterIntLow, kTextBadValue), std::nullopt;
      const std::string high = control_text(dialog, kFilterIntHigh);
      if (high.empty()) hi = lo;
      else if (!parse_int(high, hi)) return refuse(dialog, kFilterIntHigh, kTextBadValue), std::nullopt;
      if (hi < lo) return refuse(dialog, kFilterIntHigh, kTextBadBounds), std::nullopt;
      e.Set(key.c_str(), lo, hi, required);
      break;
    }
    case 1: {
      double lo = 0, hi = 0;
      if (!parse_real(control_text(dialog, kFilterRealLow), lo, -1e6, 1e6))
        return refuse(dialog, kFilterRealLow, kTextBadValue), std::nullopt;
      const std::string high = control_text(dialog, kFilterRealHigh);
      if (high.empty()) hi = lo;
      else if (!parse_real(high, hi, -1e6, 1e6)) return refuse(dialog, kFilterRealHigh, kTextBadValue), std::nullopt;
      if (hi < lo - 1e-7) return refuse(dialog, kFilterRealHigh, kTextBadBounds), std::nullopt;
      // A bound below the lower one by less than the tolerance counts as equal to it.
      e.Set(key.c_str(), lo, std::max(lo, hi), required);
      break;
    }
    default: {
      const std::string lo = control_text(dialog, kFilterTextLow);
      std::string hi = control_text(dialog, kFilterTextHigh);
      if (lo.empty() || lo.size() > 255) return refuse(dialog, kFilterTextLow, kTextBadValue), std::nullopt;
      if (hi.empty()) hi = lo;
      if (hi.size() > 255) return refuse(dialog, kFilterTextHigh, kTextBadValue), std::nullopt;
      const ORB::String a(lo.c_str(), static_cast<unsigned>(lo.size())), b(hi.c_str(), static_cast<unsigned>(hi.size()));
      if (b < a) return refuse(dialog, kFilterTextHigh, kTextBadBounds), std::nullopt;
      e.Set(key.c_str(), a, b, required);
      e.SetCaseOff(control_check(dialog, kFilterCaseOff) != 0);
      e.SetStringSearchType(static_cast<unsigned>(std::max(0, combo_current(GetControlHWND(dialog, kFilterSearch)))));
      break;
    }
  }
  return e;
}

int DLIST_CALL filter_init(void* dialog) {
  void* list = filter_list(dialog);
  const int widths[6] = {60, 50, 70, 70, 50, 60};
  for (int i = 0; i < 6; ++i) list_insert_column(list, i, load_text(kFilterTitles[i]).c_str(), widths[i]);
  void* combo = GetControlHWND(dialog, kFilterSearch);
  for (int i = 0; i < 4; ++i) combo_add(combo, load_text(kFirstSearchType + i).c_str(), i);
  combo_set_current(combo, 0);
  show_type(dialog, 0);
  fill_filters(dialog, -1);
  return 1;
}

int DLIST_CALL filter_action(void* dialog, int control, int code) {
  FilterState& s = *g_filter;
  void* list = filter_list(dialog);
  const int row = list_selected(list);
  if (control == kFilterList) {
    if (code == kLvnItemChanged) {
      if (row >= 0 && static_cast<unsigned>(row) < s.packet.size()) show_entry(dialog, s.packet[static_cast<unsigned>(row)]);
      SetInputActivitet(dialog, kFilterReplace, row >= 0 ? 1 : 0);
      SetInputActivitet(dialog, kFilterDelete, row >= 0 ? 1 : 0);
    } else if (code == kNmDblClk && row >= 0 && static_cast<unsigned>(row) < s.packet.size()) {
      DL_FILTER_ENTRY& e = s.packet[static_cast<unsigned>(row)];
      e.SetRequired(!e.IsRequired());
      show_row(list, row, e);
      set_control_check(dialog, kFilterRequired, e.IsRequired() ? 1 : 0);
    }
    return 0;
  }
  if (code != kBnClicked) return 0;
  if (control == kFilterChoose) {
    auto chosen = choose_attribute(dialog, control_text(dialog, kFilterKey), s.scope);
    if (!chosen) return 0;
    set_control_text(dialog, kFilterKey, chosen->key.c_str());
    show_type(dialog, chosen->value_type);
    // A new key starts from empty bounds of its type.
    if (chosen->value_type == 0) {
      set_control_text(dialog, kFilterIntLow, "0");
      set_control_text(dialog, kFilterIntHigh, "0");
    } else if (chosen->value_type == 1) {
      set_control_text(dialog, kFilterRealLow, "0");
      set_control_text(dialog, kFilterRealHigh, "0");
    } else {
      set_control_text(dialog, kFilterTextLow, "");
      set_control_text(dialog, kFilterTextHigh, "");
    }
  } else if (control == kFilterAdd) {
    auto e = entry_from_inputs(dialog);
    if (!e) return 0;
    s.packet.Add(*e);
    fill_filters(dialog, static_cast<int>(s.packet.size()) - 1);
  } else if (control == kFilterReplace && row >= 0 && static_cast<unsigned>(row) < s.packet.size()) {
    auto e = entry_from_inputs(dialog);
    if (!e) return 0;
    s.packet[static_cast<unsigned>(row)] = *e;
    fill_filters(dialog, row);
  } else if (control == kFilterDelete && row >= 0 && static_cast<unsigned>(row) < s.packet.size()) {
    DL_FILTER_PACKET rest;
    for (unsigned i = 0; i < s.packet.size(); ++i)
      if (static_cast<int>(i) != row) rest.Add(s.packet[i]);
    s.packet = rest;
    fill_filters(dialog, std::min(row, static_cast<int>(s.packet.size()) - 1));
  }
  return 0;
}

// ---- the attribute chooser --------------------------------------------------------------------------------

struct ChooserRow {
  std::string key, name;
  int value_type = 0;
  bool parameter = false;
  uint32_t classes = 0;
};
struct ChooserState {
  uint32_t fixed_scope = 0;
  uint32_t mask = 0;
  std::vector<ChooserRow> rows;  // the rows shown
  std::optional<ChosenAttribute> chosen;
};
ChooserState* g_chooser = nullptr;
int g_chooser_widths[4] = {60, 150, 60, 80};  // kept while the library is loaded

int parameter_value_type(int type) {
  switch (type) {
    case 1:
    case 4:
    case 7:
    case 12: return 1;
    case 2:
    case 3:
    case 6:
    case 8: return 2;
    default: return 0;
  }
}

void fill_chooser(void* dialog) {
  ChooserState& s = *g_chooser;
  s.rows.clear();
  const uint32_t mask = s.mask == 0 ? 0xFFFFFFFFu : s.mask;
  for (const PROJECTATTRIBUTE& a : ProjectAttributes()) {
    if ((a.definition.Filter() & mask) == 0) continue;
    const int kind = a.definition.kind_index();
    s.rows.push_back({a.definition.abbrev, a.definition.name, kind == 0 ? 1 : 2, false, a.definition.Filter()});
  }
  const uint32_t classes = mask & DBATTRIBUTETYPE::kEditorKinds;
  const int n = nParameter(classes);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(classes, i, &p) != 0) s.rows.push_back({p.abbrev, p.name, parameter_value_type(p.type), true, 0});
  }
  void* list = GetControlHWND(dialog, kChooserList);
  list_delete_all(list);
  for (std::size_t i = 0; i < s.rows.size(); ++i) {
    const ChooserRow& r = s.rows[i];
    const int row = list_insert_row(list, static_cast<int>(i), r.key.c_str(), static_cast<intptr_t>(i));
    list_set_text(list, row, 1, r.name.c_str());
    list_set_text(list, row, 2, load_text(kFirstValueType + r.value_type).c_str());
    list_set_text(list, row, 3, load_text(r.parameter ? kTextParameter : kTextProject).c_str());
  }
}

int DLIST_CALL chooser_init(void* dialog) {
  void* list = GetControlHWND(dialog, kChooserList);
  for (int i = 0; i < 4; ++i) list_insert_column(list, i, load_text(kChooserTitles[i]).c_str(), g_chooser_widths[i]);
  const auto& kinds = DL_ElementKinds();
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    const int id = kChooserFirstKind + static_cast<int>(i);
    set_control_check(dialog, id, (g_chooser->mask & static_cast<uint32_t>(kinds[i].bit)) != 0 ? 1 : 0);
    if (g_chooser->fixed_scope != 0) SetInputActivitet(dialog, id, 0);
  }
  fill_chooser(dialog);
  return 1;
}

int DLIST_CALL chooser_action(void* dialog, int control, int code) {
  const auto& kinds = DL_ElementKinds();
  if (code != kBnClicked || control < kChooserFirstKind ||
      control >= kChooserFirstKind + static_cast<int>(kinds.size()) || g_chooser->fixed_scope != 0)
    return 0;
  uint32_t mask = 0;
  for (std::size_t i = 0; i < kinds.size(); ++i)
    if (control_check(dialog, kChooserFirstKind + static_cast<int>(i)) != 0) mask |= static_cast<uint32_t>(kinds[i].bit);
  g_chooser->mask = mask;
  fill_chooser(dialog);
  return 0;
}

int DLIST_CALL chooser_ok(void* dialog) {
  void* list = GetControlHWND(dialog, kChooserList);
  const int row = list_selected(list);
  if (row < 0) return 0;
  const auto index = static_cast<std::size_t>(list_param(list, row));
  if (index >= g_chooser->rows.size()) return 0;
  g_chooser->chosen = ChosenAttribute{g_chooser->rows[index].key, g_chooser->rows[index].value_type};
  for (int i = 0; i < 4; ++i) g_chooser_widths[i] = list_column_width(list, i);
  return 1;
}

// ---- the validity report -------------------------------------------------------------------------------------

struct ReportState {
  char text[4096] = {};
};
ReportState* g_report = nullptr;

}  // namespace

bool edit_label(void* parent, EditorRecord& r) {
  const std::string title = KindTitle(r.kind);
  const std::string start = r.kind == 13 ? (r.text == title ? "" : r.text) : LabelFromText(r.text, title);
  auto label = ask_text(parent, kLabelContext, kTextLabel, start);
  if (!label) return false;
  if (r.kind == 13) r.text = label->empty() ? title : *label;
  else r.text = label->empty() ? title : *label + " (" + title + ")";
  return true;
}

bool edit_properties(void* parent, EditorRecord& r) {
  if (r.kind >= kKindFirstElement && r.kind <= kKindLastElement) return edit_element(parent, r);
  switch (r.kind) {
    case kKindAttribute: {
      const Items mode = r.value_type_or_level == 0 ? Items::kIntegers : r.value_type_or_level == 1 ? Items::kReals : Items::kTexts;
      return edit_items(parent, r, mode, kValueListContext);
    }
    case kKindSection: return ask_choice(parent, kSectionChoiceContext, kTextSection, kTextPrintSection, r.flags[0]);
    case 10: return ask_choice(parent, kSubpriceChoiceContext, kTextSubprices, kTextSummarize, r.flags[0]);
    case 14: return ask_choice(parent, kElemAttributeChoiceContext, kTextElemAttributes, kTextSummarize, r.flags[0]);
    case 2: return edit_items(parent, r, Items::kPlans, kChosenItemsContext);
    case 3: return edit_items(parent, r, Items::kFloors, kChosenItemsContext);
    case 4: return edit_items(parent, r, Items::kLayers, kChosenItemsContext);
    case 9: return edit_material(parent, r);
    case 13: {
      const std::string title = KindTitle(13);
      auto caption = ask_text(parent, kGroupCaptionContext, kTextGroup, r.text == title ? "" : r.text);
      if (!caption) return false;
      r.text = caption->empty() ? title : *caption;
      return true;
    }
    default: return false;
  }
}

bool edit_filters(void* parent, EditorRecord& r, uint32_t scope) {
  FilterState s;
  s.packet = r.filters;
  s.scope = scope;
  const std::string caption = load_text(kTextFilters);
  const std::optional<int> result = run_dialog(run_of(parent, kFilterContext), g_filter, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "NodeFilters", 420, 330) != nullptr &&
           ListViewInputA(kFilterList, 5, 5, 410, 140) != 0 &&
           StaticText(kLabelBase, load_text(kFilterTitles[0]).c_str(), 5, 152, 80, 18) != 0 &&
           TextEditInput(kFilterKey, 90, 150, 80, 20) != 0 && SetInpCont_Addres(kFilterKey, s.key, sizeof s.key) != 0 &&
           SetInpCont_MinMaxN(kFilterKey, 0, 6) != 0 &&
           CommandButton(kFilterChoose, kTextChoose, 175, 150, 80, 20) != 0 &&
           StaticText(kLabelBase + 1, load_text(kFilterTitles[2]).c_str(), 5, 176, 80, 18) != 0 &&
           StaticText(kLabelBase + 2, load_text(kFilterTitles[3]).c_str(), 5, 200, 80, 18) != 0 &&
           TextEditInput(kFilterIntLow, 90, 174, 150, 20) != 0 &&
           SetInpCont_Addres(kFilterIntLow, s.int_lo, sizeof s.int_lo) != 0 &&
           TextEditInput(kFilterIntHigh, 90, 198, 150, 20) != 0 &&
           SetInpCont_Addres(kFilterIntHigh, s.int_hi, sizeof s.int_hi) != 0 &&
           TextEditInput(kFilterRealLow, 90, 174, 150, 20) != 0 &&
           SetInpCont_Addres(kFilterRealLow, s.real_lo, sizeof s.real_lo) != 0 &&
           TextEditInput(kFilterRealHigh, 90, 198, 150, 20) != 0 &&
           SetInpCont_Addres(kFilterRealHigh, s.real_hi, sizeof s.real_hi) != 0 &&
           TextEditInput(kFilterTextLow, 90, 174, 320, 20) != 0 &&
           SetInpCont_Addres(kFilterTextLow, s.text_lo, sizeof s.text_lo) != 0 &&
           TextEditInput(kFilterTextHigh, 90, 198, 320, 20) != 0 &&
           SetInpCont_Addres(kFilterTextHigh, s.text_hi, sizeof s.text_hi) != 0 &&
           CheckBoxInput(kFilterRequired, load_text(kTextRequired).c_str(), 5, 224, 120, 18) != 0 &&
           SetInpCont_Addres(kFilterRequired, &s.required) != 0 &&
           CheckBoxInput(kFilterCaseOff, load_text(kTextCaseOff).c_str(), 130, 224, 130, 18) != 0 &&
           SetInpCont_Addres(kFilterCaseOff, &s.case_off) != 0 &&
           ComboInput(kFilterSearch, 265, 222, 150, 20, kCbsDropDownList) != 0 &&
           CommandButton(kFilterAdd, kTextAdd, 5, 252, 80, 22) != 0 &&
           CommandButton(kFilterReplace, kTextReplace, 90, 252, 80, 22) != 0 &&
           CommandButton(kFilterDelete, kTextDelete, 175, 252, 80, 22) != 0 && ok_cancel_buttons(420, 296) &&
           SetDlgInitProc(filter_init) != 0 && SetAllInputProc(filter_action) != 0;
  });
  if (result.value_or(0) == 0) return false;
  r.filters.clear();
  for (unsigned i = 0; i < s.packet.size(); ++i) r.filters.Add(s.packet[i]);
  return true;
}

bool confirm_report(void* parent, const DL_REPORT_LIST& texts) {
  ReportState s;
  std::string all;
  for (const auto& t : texts) all += std::string(t.view()) + "\r\n";
  copy_text(s.text, sizeof s.text, all);
  const std::string caption = load_text(kTextReportCaption);
  const std::optional<int> result = run_dialog(run_of(parent, kReportContext), g_report, &s, [&] {
    return MakeMainUnit(parent, caption.c_str(), "NodeReport", 360, 200) != nullptr &&
           TextEditInput(kReportText, 5, 5, 350, 150, kEsMultiline | kEsReadOnly) != 0 &&
           SetInpCont_Addres(kReportText, s.text, sizeof s.text) != 0 && ok_cancel_buttons(360, 165);
  });
  return result.value_or(0) != 0;
}

std::optional<ChosenAttribute> choose_attribute(void* parent, const std::string& key, uint32_t fixed_scope) {
  ChooserState s;
  s.fixed_scope = fixed_scope == 0xFFFFFFFFu ? 0 : fixed_scope;
  s.mask = s.fixed_scope;
  if (s.mask == 0) {
    for (const PROJECTATTRIBUTE& a : ProjectAttributes())
      if (key == a.definition.abbrev) s.mask = a.definition.Filter();
  }
  const std::string caption = load_text(kTextAttribute);
  const auto& kinds = DL_ElementKinds();
  const std::optional<int> result = run_dialog(run_of(parent, kAttributeChooserContext), g_chooser, &s, [&] {
    bool ok = MakeMainUnit(parent, caption.c_str(), "AttributeChooser", 480, 330) != nullptr &&
              ListViewInputA(kChooserList, 5, 5, 350, 290) != 0;
    for (std::size_t i = 0; i < kinds.size() && ok; ++i)
      ok = CheckBoxInput(kChooserFirstKind + static_cast<int>(i), load_string(kinds[i].title_id).c_str(), 360,
                         5 + static_cast<int>(i) * 20, 115, 18) != 0;
    return ok && ok_cancel_buttons(480, 300) && SetDlgInitProc(chooser_init) != 0 && SetAllInputProc(chooser_action) != 0 &&
           SetIDC_OKProc(chooser_ok) != 0;
  });
  if (result.value_or(0) == 0) return std::nullopt;
  return s.chosen;
}

}  // namespace dlist::listspec
