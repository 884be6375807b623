// The dialogs of markets and subprices, of the library's long text names and
// material ID separator, and the one-line text reader. The OK procedures write the
// records through the cursors; a refused input keeps the dialog open with the
// offending field marked.

#include "materials/list_dialogs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/fixed_text.h"
#include "host/database_task.h"
#include "host/dialog/combo_box.h"
#include "host/dialog/engine.h"
#include "host/expr_eval.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_dialog_layout.h"

using namespace dlist::listdlg;

namespace {

constexpr int kNameLabel = 21305;
constexpr int kValueLabel = 21306;
constexpr int kAbbrevLabel = 50013;
constexpr int kKindLabel = 50014;
constexpr int kFormulaLabel = 50015;
constexpr int kFirstKindText = 50017;
constexpr int kNameUsed = 11856;
constexpr int kAbbrevUsed = 50031;
constexpr int kBadFormula = 50030;
constexpr int kChooseItem = 50036;
constexpr int kSeparatorInCodes = 50039;
constexpr int kPriceName = 16396;
constexpr int kTextSize = 257;

void beep(int line) {
  SpecBeep(0, dlist::units::kListdlgs, line);
}

// ---- markets ------------------------------------------------------------------------------

struct MarketState {
  Market* market;
  short mode;
  char name[kMarketNameSize];
};

MarketState* g_market = nullptr;

int DLIST_CALL EditMarket_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  MarketState& s = *g_market;
  LISTCONTEXT* library = s.market->task();
  dbmarket rec = s.market->data;
  put_field(rec.name, dlist::control_text(dialog, kName));
  dbmarket other{};
  const long same = library->find_market(rec.name, other);
  if (same > 0 && (s.mode == 3 || same != s.market->elemid())) {
    return refuse(dialog, kName, kNameUsed);
  }
  const dbmarket before = s.market->data;
  s.market->data = rec;
  if ((s.mode == 3 ? s.market->create() : s.market->update()) == 0) {
    s.market->data = before;
    beep(__LINE__);
    return 0;
  }
  return 1;
}

// ---- subprices ----------------------------------------------------------------------------

struct SubpriceState {
  Subprice* subprice;
  short mode;
  int kind;
  char abbrev[kUnitAbbrevSize];
  char name[kSubpriceNameSize];
  double value;
  char formula[kFormulaSize];
};

SubpriceState* g_subprice = nullptr;

bool kind_has_value(int kind) {
  return kind == SUBPRICE_MULTIPLY || kind == SUBPRICE_ADD;
}

// The value field serves the kinds with a value, the formula field the others.
void apply_kind(void* dialog, int kind) {
  SetInputActivitet(dialog, kValue, kind_has_value(kind) ? 1 : 0);
  SetInputActivitet(dialog, kFormula, kind_has_value(kind) ? 0 : 1);
}

int DLIST_CALL EditSubprice_Init_Proc(void* dialog) {
  void* combo = GetControlHWND(dialog, kKind);
  if (combo == nullptr) return 0;
  for (int kind = SUBPRICE_FORMULA; kind <= SUBPRICE_INFO; ++kind) {
    dlist::combo_add(combo, dlist::load_string(kFirstKindText + kind).c_str(), kind);
  }
  dlist::combo_set_current(combo, g_subprice->kind);
  apply_kind(dialog, g_subprice->kind);
  return 1;
}

int DLIST_CALL EditSubprice_ExtAction_Proc(void* dialog, int control, int code) {
  if (control == kKind && code == dlist::kCbnSelChange) {
    apply_kind(dialog, dlist::combo_current(GetControlHWND(dialog, kKind)));
  }
  return 0;
}

// Whether formula evaluates with every other subprice's abbreviation and the
// unit price's name standing for 1.
bool formula_evaluates(LISTCONTEXT* library, long self, const std::string& formula) {
  std::vector<dlist::ExprConstant> constants;
  std::vector<long> ids;
  library->subprice_ids(ids);
  for (long id : ids) {
    dbsubprice other{};
    if (id == self || library->get(id, other) < 1) continue;
    constants.push_back({field_string(other.abbrev), 1.0});
  }
  constants.push_back({dlist::load_string(kPriceName), 1.0});
  double value = 0.0;
  return ExprEval(formula.c_str(), &value, constants.data(), static_cast<int>(constants.size())) !=
         0;
}

int DLIST_CALL EditSubprice_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  SubpriceState& s = *g_subprice;
  LISTCONTEXT* library = s.subprice->task();
  const int kind = dlist::combo_current(GetControlHWND(dialog, kKind));
  if (kind < SUBPRICE_FORMULA || kind > SUBPRICE_INFO) return refuse(dialog, kKind, kChooseItem);
  dbsubprice rec = s.subprice->data;
  if (s.mode == 3) {
    put_field(rec.abbrev, dlist::control_text(dialog, kAbbrev));
    dbsubprice other{};
    if (library->find_subprice(rec.abbrev, other) > 0) return refuse(dialog, kAbbrev, kAbbrevUsed);
  }
  if (kind_has_value(kind)) {
    rec.value = GetInpCont_Double(kValue);
    rec.formula[0] = '\0';
  } else {
    const std::string formula = dlist::control_text(dialog, kFormula);
    const long self = s.mode == 3 ? 0 : s.subprice->elemid();
    if (!formula_evaluates(library, self, formula)) return refuse(dialog, kFormula, kBadFormula);
    put_field(rec.formula, formula);
    rec.value = 0.0;
  }
  put_field(rec.name, dlist::control_text(dialog, kName));
  rec.kind = static_cast<SUBPRICETYPE>(kind);
  const dbsubprice before = s.subprice->data;
  s.subprice->data = rec;
  if ((s.mode == 3 ? s.subprice->create() : s.subprice->update()) == 0) {
    s.subprice->data = before;
    beep(__LINE__);
    return 0;
  }
  return 1;
}

int DLIST_CALL ImportSubprice_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  SubpriceState& s = *g_subprice;
  dbsubprice rec = s.subprice->data;
  put_field(rec.abbrev, dlist::control_text(dialog, kName));
  dbsubprice other{};
  if (s.subprice->task()->find_subprice(rec.abbrev, other) > 0) {
    return refuse(dialog, kName, kAbbrevUsed);
  }
  rec.value = GetInpCont_Double(kValue);
  const dbsubprice before = s.subprice->data;
  s.subprice->data = rec;
  if (s.subprice->create() == 0) {
    s.subprice->data = before;
    beep(__LINE__);
    return 0;
  }
  return 1;
}

int DLIST_CALL RenameSubprice_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  Subprice* subprice = g_subprice->subprice;
  const dbsubprice before = subprice->data;
  put_field(subprice->data.name, dlist::control_text(dialog, kName));
  if (subprice->update() == 0) {
    subprice->data = before;
    beep(__LINE__);
    return 0;
  }
  return 1;
}

// ---- the library's long text names and separator -------------------------------------

LISTCONTEXT* g_library = nullptr;

int DLIST_CALL LongTextNames_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  longtextname names{};
  for (int i = 0; i < kLongTextCount; ++i) {
    put_field(names.name[i], dlist::control_text(dialog, kName + i));
  }
  if (g_library->modify(names) == 0) {
    beep(__LINE__);
    return 0;
  }
  return 1;
}

// Whether a stored material's own code holds separator: the joined codes would
// split it into two components. -1 when the library cannot be read.
int separator_in_codes(LISTCONTEXT* library, char separator) {
  dlist::ReadLock lock(library);
  std::vector<long> ids;
  if (!lock || library->material_ids(ids) < 0) return -1;
  for (long id : ids) {
    dbmaterial rec{};
    if (library->get(id, rec, nullptr) <= 0) return -1;
    if (dlist::field_text(rec.id).find(separator) != std::string_view::npos) return 1;
  }
  return 0;
}

int DLIST_CALL MatIDSeparator_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  const std::string text = dlist::control_text(dialog, kName);
  dbvernum version{};
  if (text.size() != 1 || g_library->get(version) == 0) {
    beep(__LINE__);
    return 0;
  }
  // "p" stands for the point.
  const char separator = text[0] == 'p' ? '.' : text[0];
  if (separator != version.idseparator) {
    const int found = separator_in_codes(g_library, separator);
    if (found < 0) {
      beep(__LINE__);
      return 0;
    }
    if (found > 0) return refuse(dialog, kName, kSeparatorInCodes);
  }
  version.idseparator = separator;
  if (g_library->modify(version) == 0) {
    beep(__LINE__);
    return 0;
  }
  return 1;
}

}  // namespace

DLIST_API int DLIST_CALL CrtEditMarket(void* window, Market* market, short mode) {
  if (market == nullptr || market->task() == nullptr || (mode != 2 && mode != 3)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  if (mode == 2 && market->read() == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  MarketState state{market, mode, {}};
  put_field(state.name, field_string(market->data.name));
  return run_dialog(window, kMarketContext, g_market, &state, [&] {
    Layout layout(window, dlist::load_string(mode == 3 ? 50000 : 50001), "EditMarket", 1);
    layout.text_row(kNameLabel, kName, state.name, sizeof state.name, 1, kMarketNameSize - 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(EditMarket_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtEditSubprice(void* window, Subprice* subprice, short mode) {
  if (subprice == nullptr || subprice->task() == nullptr || (mode != 1 && mode != 3)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  dlist::WriteLock lock(subprice->task());
  if (!lock || (mode == 1 && subprice->read() == 0)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  const dbsubprice& data = subprice->data;
  SubpriceState state{subprice, mode, SUBPRICE_MULTIPLY, {}, {}, 1.0, {}};
  put_field(state.abbrev, field_string(data.abbrev));
  put_field(state.name, field_string(data.name));
  if (mode == 1) {
    state.kind =
        data.kind >= SUBPRICE_FORMULA && data.kind <= SUBPRICE_INFO ? data.kind : SUBPRICE_MULTIPLY;
    if (kind_has_value(state.kind)) {
      state.value = data.value;
    } else {
      put_field(state.formula, field_string(data.formula));
    }
  }
  return run_dialog(window, kSubpriceContext, g_subprice, &state, [&] {
    Layout layout(window, dlist::load_string(mode == 3 ? 50002 : 50003), "EditSubprice",
                  mode == 3 ? 5 : 4);
    if (mode == 3) {
      layout.text_row(kAbbrevLabel, kAbbrev, state.abbrev, sizeof state.abbrev, 1,
                      kUnitAbbrevSize - 1);
    }
    layout.text_row(kNameLabel, kName, state.name, sizeof state.name, 1, kSubpriceNameSize - 1);
    layout.combo_row(kKindLabel, kKind);
    layout.number_row(kValueLabel, kValue, &state.value, -999999999.0, 999999999.0);
    layout.text_row(kFormulaLabel, kFormula, state.formula, sizeof state.formula, 1,
                    kFormulaSize - 1);
    layout.buttons();
    return layout.ok() && SetDlgInitProc(EditSubprice_Init_Proc) &&
           SetAllInputProc(EditSubprice_ExtAction_Proc) && SetIDC_OKProc(EditSubprice_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtImportSubprice(void* window, Subprice* subprice) {
  if (subprice == nullptr || subprice->task() == nullptr) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  const dbsubprice& data = subprice->data;
  SubpriceState state{subprice, 3, data.kind, {}, {}, 1.0, {}};
  put_field(state.abbrev, field_string(data.abbrev));
  const std::string name = field_string(data.name);
  return run_dialog(window, kImportSubpriceContext, g_subprice, &state, [&] {
    Layout layout(window, dlist::load_string(50004), "ImportSubprice", 3);
    layout.line(kFirstText, name);
    layout.text_row(kAbbrevLabel, kName, state.abbrev, sizeof state.abbrev, 1, kUnitAbbrevSize - 1);
    layout.number_row(kValueLabel, kValue, &state.value, -100000.0, 100000.0);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(ImportSubprice_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtRenameSubprice(void* window, Subprice* subprice) {
  if (subprice == nullptr || subprice->task() == nullptr || subprice->read() == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  SubpriceState state{subprice, 1, subprice->data.kind, {}, {}, 0.0, {}};
  put_field(state.name, field_string(subprice->data.name));
  return run_dialog(window, kRenameSubpriceContext, g_subprice, &state, [&] {
    Layout layout(window, dlist::load_string(50005), "RenameSubprice", 1);
    layout.text_row(kNameLabel, kName, state.name, sizeof state.name, 1, kSubpriceNameSize - 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(RenameSubprice_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtLongTextNames(void* window, LISTCONTEXT* library) {
  longtextname names{};
  if (library == nullptr || library->get(names) == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  for (auto& name : names.name) name[kLongTextNameSize - 1] = '\0';
  return run_dialog(window, kLongTextNamesContext, g_library, library, [&] {
    Layout layout(window, dlist::load_string(4929), "LongTextNames", kLongTextCount);
    for (int i = 0; i < kLongTextCount; ++i) {
      layout.text_row(21425 + i, kName + i, names.name[i], kLongTextNameSize, 0,
                      kLongTextNameSize - 1);
    }
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(LongTextNames_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtMatIDSeparator(void* window, LISTCONTEXT* library) {
  dbvernum version{};
  if (library == nullptr || library->get(version) == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  char separator[2] = {version.idseparator, '\0'};
  return run_dialog(window, kSeparatorContext, g_library, library, [&] {
    Layout layout(window, dlist::load_string(4930), "MatIDSeparator", 1);
    layout.text_row(21324, kName, separator, sizeof separator, 1, 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(MatIDSeparator_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtTextReader(void* window, char* text) {
  if (text == nullptr) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  // The caller's text is shown when it is one; anything else starts empty.
  char buffer[kTextSize] = "";
  if (dlist::field_length(text, kTextSize) < kTextSize) dlist::copy_cut(buffer, sizeof buffer, text);
  const int result = run_dialog(window, kTextReaderContext, [&] {
    Layout layout(window, dlist::load_string(50012), "TextReader", 1);
    layout.text_row(50012, kName, buffer, sizeof buffer, 1, kTextSize - 1);
    layout.buttons();
    return layout.ok();
  });
  if (result != 0) dlist::copy_cut(text, kTextSize, dlist::field_text(buffer, kTextSize - 1));
  return result;
}
