// The formula, text and file reference dialogs of attribute values.
#include "attributes/value_dialogs.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "attributes/attribute_editor_ids.h"
#include "attributes/held_file.h"
#include "attributes/reference_list_file.h"
#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/notify_codes.h"
#include "host/expr_eval.h"
#include "host/model/element_parameters.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"
#include "host/text_select.h"

namespace dlist {
namespace {

constexpr int kWidth = 420;
constexpr int kMargin = 8;
constexpr int kLine = 14;
constexpr int kLabel = 80;
constexpr int kKey = 28;
constexpr int kFirstLabel = 10900;
constexpr int kLastFileSetting = 256;
constexpr char kTitleSeparator[] = "  -  ";

struct Key {
  int button;
  const char* label;
  const char* text;
};

// The keypad in its rows, as laid out.
constexpr Key kKeys[] = {
    {kKeySeven, "7", "7"}, {kKeyEight, "8", "8"}, {kKeyNine, "9", "9"},      {kKeyDivide, "/", "/"},
    {kKeyFour, "4", "4"},  {kKeyFive, "5", "5"},  {kKeySix, "6", "6"},       {kKeyTimes, "*", "*"},
    {kKeyOne, "1", "1"},   {kKeyTwo, "2", "2"},   {kKeyThree, "3", "3"},     {kKeyMinus, "-", "-"},
    {kKeyZero, "0", "0"},  {kKeyPoint, ".", "."}, {kKeyPi, "PI", "3.14159"}, {kKeyPlus, "+", "+"},
};

struct ValueState {
  ValueRequest* request = nullptr;
  bool formula = false;
  std::size_t caret = 0;         // where the next insertion goes
  std::string before_insertion;  // the formula before the last insertion
  bool can_undo = false;
  std::vector<std::string> inserts;    // per row of the parameter list: what it inserts
  std::vector<std::string> functions;  // per row of the function list
  bool accepted = false;
};

ValueState* g_value = nullptr;

// The file dialog's title when changing a reference names the reference.
std::string file_title_of(const ValueRequest& r) {
  return r.changing && !r.name.empty() ? r.title + kTitleSeparator + r.name : r.title;
}

bool label(int& next, int text, int x, int y, int cx) {
  return StaticText(next++, load_string(static_cast<unsigned>(text)).c_str(), x, y, cx, kLine) != 0;
}

// Inserts text at the caret of the value field and leaves the caret after it.
void insert_text(void* dialog, const std::string& text) {
  std::string value = control_text(dialog, kValueText);
  const std::size_t at = std::min(g_value->caret, value.size());
  if (value.size() + text.size() > kMaxFormulaValue) return;
  g_value->before_insertion = value;
  g_value->can_undo = true;
  value.insert(at, text);
  g_value->caret = at + text.size();
  set_control_text(dialog, kValueText, value.c_str());
  SetInputActivitet(dialog, kFormulaUndo, 1);
}

bool fill_references(void* dialog) {
  void* list = GetControlHWND(dialog, kValueReferences);
  if (list == nullptr) return true;
  if (list_insert_column(list, 0, load_string(20418).c_str(), 100) < 0 ||
      list_insert_column(list, 1, load_string(20404).c_str(), 8000) < 0)
    return false;
  const auto& refs = g_value->request->references;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    const int row =
        list_insert_row(list, static_cast<int>(i), refs[i].first.c_str(), static_cast<intptr_t>(i));
    if (row < 0) return false;
    list_set_text(list, row, 1, refs[i].second.c_str());
  }
  return true;
}

bool fill_formula_lists(void* dialog) {
  ValueState& s = *g_value;
  void* functions = GetControlHWND(dialog, kFormulaFunctions);
  void* parameters = GetControlHWND(dialog, kFormulaParameters);
  if (list_insert_column(functions, 0, "", 120) < 0 ||
      list_insert_column(parameters, 0, "", 200) < 0)
    return false;
  s.functions.push_back("()");
  for (int i = 0; i < nExprFunction(); ++i)
    if (const char* name = ExprFunctionName(i)) s.functions.push_back(std::string(name) + "()");
  for (std::size_t i = 0; i < s.functions.size(); ++i) {
    const std::string shown = i == 0 ? "()" : s.functions[i].substr(0, s.functions[i].size() - 2);
    if (list_insert_row(functions, static_cast<int>(i), shown.c_str(), static_cast<intptr_t>(i)) <
        0)
      return false;
  }
  const uint32_t kinds = s.request->kinds;
  std::vector<std::string> shown;
  const int n = nParameter(kinds);
  for (int i = 0; i < n; ++i) {
    ELEMPARAMETER p;
    if (GetParameter(kinds, i, &p) == 0) continue;
    shown.push_back(std::string(field_text(p.name)) + " - (" + std::string(field_text(p.abbrev)) +
                    ")");
    s.inserts.emplace_back(field_text(p.abbrev));
  }
  for (const PROJECTATTRIBUTE& a : ProjectAttributes()) {
    const std::string abbrev(field_text(a.definition.abbrev));
    if ((a.definition.Filter() & kinds) == 0 || abbrev == s.request->own_abbrev) continue;
    shown.push_back(std::string(field_text(a.definition.name)) + " - (" + abbrev + ")");
    s.inserts.push_back(abbrev);
  }
  for (std::size_t i = 0; i < shown.size(); ++i)
    if (list_insert_row(parameters, static_cast<int>(i), shown[i].c_str(),
                        static_cast<intptr_t>(i)) < 0)
      return false;
  return true;
}

int DLIST_CALL Value_Init_Proc(void* dialog) {
  ValueState& s = *g_value;
  set_control_text(dialog, kValueText, s.request->value.c_str());
  s.caret = s.request->value.size();
  if (s.formula) {
    SetInputActivitet(dialog, kFormulaUndo, 0);
    if (!fill_formula_lists(dialog)) return 0;
  }
  if (s.request->link_mode && !fill_references(dialog)) return 0;
  return 1;
}

int DLIST_CALL Value_ExtAction_Proc(void* dialog, int control, int code) {
  ValueState& s = *g_value;
  if (control == kValueText && code == kEnChange) {
    s.caret = control_text(dialog, kValueText).size();
    return 0;
  }
  if (s.request->link_mode && control == kValueReferences && code == kNmDblClk) {
    const Notification* n = notification();
    if (n != nullptr && n->row >= 0 &&
        static_cast<std::size_t>(n->row) < s.request->references.size()) {
      s.request->picked = n->row;
      s.accepted = true;
      post_command(dialog, kIdAccept);
    }
    return 0;
  }
  if (!s.formula) {
    if (control == kTextCall && code == kBnClicked) {
      TEXTBUFFER chosen;
      if (CallTextSelect(dialog, &chosen) != 0) {
        set_control_text(dialog, kValueText, chosen.get());
        s.caret = std::string(chosen.get()).size();
      }
    }
    return 0;
  }
  if (code == kBnClicked && control == kFormulaUndo) {
    if (s.can_undo) {
      set_control_text(dialog, kValueText, s.before_insertion.c_str());
      s.caret = s.before_insertion.size();
      s.can_undo = false;
      SetInputActivitet(dialog, kFormulaUndo, 0);
    }
    return 0;
  }
  if (code == kBnClicked) {
    if (const char* text = keypad_text(control)) insert_text(dialog, text);
    return 0;
  }
  if (code == kNmDblClk && (control == kFormulaFunctions || control == kFormulaParameters)) {
    const Notification* n = notification();
    if (n == nullptr || n->row < 0) return 0;
    const auto& texts = control == kFormulaFunctions ? s.functions : s.inserts;
    if (static_cast<std::size_t>(n->row) < texts.size())
      insert_text(dialog, texts[static_cast<std::size_t>(n->row)]);
  }
  return 0;
}

// Refuses the name field: the reason is reported, the field keeps the focus with
// its text selected.
int refuse_name(void* dialog, int line) {
  SpecBeep(1, units::kDattredi, line);
  SetErrorId(kValueName);
  WarningProc(dialog, 0);
  set_focus(dialog, kValueName);
  select_control_text(dialog, kValueName);
  return 0;
}

int DLIST_CALL Value_IDC_OK_Proc(void* dialog) {
  ValueState& s = *g_value;
  if (s.request->picked >= 0) return 1;  // a reference was picked from the list
  if (InputChecking(dialog, 0) == 0) {
    WarningProc(dialog, 0);
    return 0;
  }
  if (!s.request->link_mode && !s.request->changing) {
    const std::string name = control_text(dialog, kValueName);
    if (name.empty()) return refuse_name(dialog, __LINE__);
    if (s.request->name_taken && s.request->name_taken(name)) {
      DiagnosticOut(load_string(11856).c_str());
      return refuse_name(dialog, __LINE__);
    }
    s.request->name = name;
  }
  s.request->value = control_text(dialog, kValueText);
  s.accepted = true;
  return 1;
}

int DLIST_CALL Value_Cancel_Proc(void*) {
  return 1;
}

bool build_value(void* parent, const ValueRequest& r, bool formula) {
  const int list_rows = formula ? 120 : 0;
  const int refs = r.link_mode ? 90 : 0;
  const int text_height = formula ? 60 : 90;
  const int keypad = formula ? 4 * (kLine + 4) : 0;
  const int height = 8 * kMargin + 2 * kLine + text_height + keypad + list_rows + refs + 16;
  if (!MakeMainUnit(parent, r.title.c_str(), formula ? "FormulaValue" : "TextValue", kWidth,
                    height))
    return false;
  int next = kFirstLabel;
  const int x = kMargin + kLabel;
  const int field = kWidth - x - kMargin;
  int y = kMargin;
  bool ok = true;
  if (!r.link_mode) {
    ok = label(next, 20969, kMargin, y, kLabel) &&
         TextEditInput(kValueName, x, y, field, kLine, r.changing ? kEsReadOnly : 0u) &&
         SetInpCont_MinMaxN(kValueName, 1, kMaxReferenceName);
    y += kLine + kMargin;
  }
  const std::size_t cap = formula ? kMaxFormulaValue : kMaxTextValue;
  ok = ok && label(next, formula ? 20397 : 20893, kMargin, y, kLabel) &&
       TextEditInput(kValueText, x, y, field - (formula ? 0 : kKey + 4), text_height,
                     kEsMultiline) &&
       SetInpCont_MinMaxN(kValueText, formula ? 1 : 0, static_cast<long>(cap));
  if (!formula) ok = ok && CommandButton(kTextCall, 50630, kWidth - kMargin - kKey, y, kKey, kLine);
  y += text_height + kMargin;
  if (formula) {
    for (std::size_t i = 0; i < std::size(kKeys) && ok; ++i) {
      const int col = static_cast<int>(i % 4);
      const int row = static_cast<int>(i / 4);
      ok = Item(kKeys[i].label, kKeys[i].button, "Button", 0, x + col * (kKey + 4),
                y + row * (kLine + 4), kKey, kLine) != 0;
    }
    ok = ok && CommandButton(kFormulaUndo, 20405, x + 4 * (kKey + 4) + kMargin, y, 60, kLine);
    y += keypad + kMargin;
    const int half = (kWidth - 3 * kMargin) / 2;
    ok = ok && ListViewInputA(kFormulaFunctions, kMargin, y, half, list_rows) &&
         ListViewInputA(kFormulaParameters, 2 * kMargin + half, y, half, list_rows);
    y += list_rows + kMargin;
  }
  if (r.link_mode) {
    ok = ok && ListViewInputA(kValueReferences, kMargin, y, kWidth - 2 * kMargin, refs);
    y += refs + kMargin;
  }
  return ok && CommandButton(kIdAccept, 36, kWidth - 2 * (60 + kMargin), y, 60, 16) &&
         CommandButton(kIdReject, 20995, kWidth - (60 + kMargin), y, 60, 16) &&
         SetDlgInitProc(Value_Init_Proc) && SetAllInputProc(Value_ExtAction_Proc) &&
         SetIDC_OKProc(Value_IDC_OK_Proc) && SetCancelProc(Value_Cancel_Proc);
}

bool run_value(void* parent, ValueRequest* request, bool formula) {
  if (request == nullptr) return false;
  ValueState state;
  state.request = request;
  state.formula = formula;
  request->picked = -1;
  const int context = formula ? kFormulaContext : kTextValueContext;
  const int result =
      run_dialog(DialogRun{parent, context, units::kDattredi, 8, nullptr}, g_value, &state, [&] {
        return build_value(parent, *request, formula);
      }).value_or(0);
  return result != 0 && state.accepted;
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

const char* keypad_text(int button) {
  for (const Key& k : kKeys)
    if (k.button == button) return k.text;
  return nullptr;
}

bool run_formula_dialog(void* parent, ValueRequest* request) {
  return run_value(parent, request, true);
}

bool run_text_dialog(void* parent, ValueRequest* request) {
  return run_value(parent, request, false);
}

bool run_file_dialog(void* parent, ValueRequest* request) {
  if (request == nullptr) return false;
  request->picked = -1;
  OpenFileExtras extras;
  extras.template_id = request->link_mode  ? kTemplateLinkReference
                       : request->changing ? kTemplateChangeReference
                                           : kTemplateAddReference;
  extras.check = (request->flags & kRefHeld) != 0 ? 1 : 0;
  extras.rows = request->references;
  char name[kMaxReferenceName + 1] = {};
  copy_cut(name, sizeof name, request->name);
  if (extras.template_id == kTemplateAddReference) {
    extras.name = name;
    extras.name_size = sizeof name;
  }
  // The dialog starts from the current file, for a new reference from the last file
  // chosen, when that file exists.
  char path[4096] = {};
  std::string start = request->value;
  if (!request->changing && !request->link_mode) {
    char last[4096] = {};
    R_Get_STRING(kLastFileSetting, last, sizeof last);
    start = last;
  }
  if (file_exists(start)) copy_cut(path, sizeof path, start);
  const std::string title = file_title_of(*request);
  if (OpenFileTemplate(parent, "*.*", path, sizeof path, title.c_str(), &extras) == 0) return false;
  if (extras.chosen_row >= 0) {
    request->picked = extras.chosen_row;
    return true;
  }
  if (extras.template_id == kTemplateAddReference) {
    // The name is refused as in the other value dialogs: nothing is added.
    const std::string chosen(field_text(name));
    if (chosen.empty()) {
      SpecBeep(1, units::kDattredi, __LINE__);
      return false;
    }
    if (request->name_taken && request->name_taken(chosen)) {
      DiagnosticOut(load_string(11856).c_str());
      SpecBeep(1, units::kDattredi, __LINE__);
      return false;
    }
    request->name = chosen;
  }
  request->value = std::string(field_text(path));
  R_Set_STRING(kLastFileSetting, request->value.c_str());
  request->flags =
      static_cast<uint8_t>((request->flags & ~kRefHeld) | (extras.check ? kRefHeld : 0));
  return true;
}

}  // namespace dlist
