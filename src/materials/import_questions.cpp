// The questions of the list import on the dialog framework. Each question keeps
// its state on the stack of the call that asks it; the callbacks reach it through
// one module-wide pointer per question, restored when the question ends, so a
// question asked while another one runs finds its own.

#include "materials/import_questions.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "host/database_task.h"
#include "host/dialog/engine.h"
#include "host/dialog/list_view.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_dialog_layout.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

using namespace dlist::listdlg;

namespace {

constexpr int kDimensionsTitle = 50024;
constexpr int kUnitsTitle = 50025;
constexpr int kDimensionCaption = 50021;
constexpr int kUnitCaption = 50022;
constexpr int kConflictCaption = 50023;
constexpr int kAbbrevLabel = 50013;
constexpr int kHashRefused = 50028;
constexpr int kNotOfDimension = 50033;
constexpr int kMustDiffer = 50034;
constexpr int kFileUnitText = 50035;
constexpr int kChooseItem = 50036;
constexpr int kListRows = 8;

std::string text_or_empty(const char* text) {
  return text != nullptr ? text : "";
}

void copy_abbrev(char* out, const std::string& abbrev) {
  dlist::copy_cut(out, kUnitAbbrevSize, abbrev);
}

bool is_dimension_abbrev(const std::string& text) {
  return text.rfind("##", 0) == 0;
}

// ---- the dimension and unit questions: a list to choose from -----------------------------

struct Choice {
  std::string text;
  long value;  // the dimension's number, or the index of the unit
};

struct ChoiceState {
  int column_title;
  std::vector<Choice> choices;
  long chosen = -1;
};

ChoiceState* g_choice = nullptr;

int DLIST_CALL ImportChoice_Init_Proc(void* dialog) {
  void* list = GetControlHWND(dialog, kChoiceList);
  if (list == nullptr) return 0;
  dlist::list_insert_column(list, 0, dlist::load_string(g_choice->column_title).c_str(),
                            Layout::kWidth - 2 * Layout::kMargin);
  for (std::size_t i = 0; i < g_choice->choices.size(); ++i) {
    dlist::list_insert_row(list, static_cast<int>(i), g_choice->choices[i].text.c_str(),
                           static_cast<intptr_t>(i));
  }
  if (!g_choice->choices.empty()) {
    dlist::list_set_state(list, 0, dlist::kLvisSelected | dlist::kLvisFocused,
                          dlist::kLvisSelected | dlist::kLvisFocused);
  }
  dlist::set_focus(dialog, kChoiceList);
  return 1;
}

// A double click on a row chooses it.
int DLIST_CALL ImportChoice_ExtAction_Proc(void* dialog, int control, int code) {
  const dlist::Notification* n = dlist::notification();
  if (control == kChoiceList && code == dlist::kNmDblClk && n != nullptr && n->row >= 0) {
    dlist::post_command(dialog, dlist::kIdAccept);
  }
  return 0;
}

int DLIST_CALL ImportChoice_IDC_OK_Proc(void* dialog) {
  const int row = dlist::list_selected(GetControlHWND(dialog, kChoiceList));
  if (row < 0 || static_cast<std::size_t>(row) >= g_choice->choices.size()) {
    return refuse(dialog, kChoiceList, kChooseItem);
  }
  g_choice->chosen = g_choice->choices[static_cast<std::size_t>(row)].value;
  return 1;
}

// Shows the choices of state under the caption; true when one was chosen.
bool ask_choice(void* window, int context, const std::string& caption, ChoiceState& state) {
  const int result = run_dialog(window, context, g_choice, &state, [&] {
    Layout layout(window, caption, "ImportChoice", kListRows + 1);
    layout.list(kChoiceList, kListRows);
    layout.buttons();
    return layout.ok() && SetDlgInitProc(ImportChoice_Init_Proc) &&
           SetAllInputProc(ImportChoice_ExtAction_Proc) && SetIDC_OKProc(ImportChoice_IDC_OK_Proc);
  });
  return result != 0 && state.chosen >= 0;
}

// ---- the abbreviation conflict: one or two new abbreviations ------------------------------

struct PairState {
  std::vector<UnitConflict> work;  // the entries as the dialog changes them
  std::size_t first = 0;
  std::size_t second = 0;
  char first_abbrev[kUnitAbbrevSize]{};
  char second_abbrev[kUnitAbbrevSize]{};
};

PairState* g_pair = nullptr;

std::string abbrev_of(const UnitConflict& entry) {
  const std::string library = field_string(entry.library_abbrev, kUnitAbbrevSize);
  return library.empty() ? field_string(entry.file_abbrev, kUnitAbbrevSize) : library;
}

// The first pair of entries that share an abbreviation; false when none does.
bool find_shared(const std::vector<UnitConflict>& entries, std::size_t& first,
                 std::size_t& second) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      if (abbrev_of(entries[i]) == abbrev_of(entries[j])) {
        first = i;
        second = j;
        return true;
      }
    }
  }
  return false;
}

void show_pair(void* dialog, const PairState& state) {
  const UnitConflict& a = state.work[state.first];
  const UnitConflict& b = state.work[state.second];
  dlist::set_control_text(dialog, kFirstText, a.description.c_str());
  dlist::set_control_text(dialog, kSecondText, b.description.c_str());
  dlist::set_control_text(dialog, kName, abbrev_of(a).c_str());
  dlist::set_control_text(dialog, kAbbrev, abbrev_of(b).c_str());
}

int DLIST_CALL AbbrevPair_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  PairState& s = *g_pair;
  const std::string a = dlist::control_text(dialog, kName);
  const std::string b = dlist::control_text(dialog, kAbbrev);
  if (is_dimension_abbrev(a)) return refuse(dialog, kName, kHashRefused);
  if (is_dimension_abbrev(b)) return refuse(dialog, kAbbrev, kHashRefused);
  if (a == b) return refuse(dialog, kAbbrev, kMustDiffer);
  for (std::size_t k = 0; k < s.work.size(); ++k) {
    if (k == s.first || k == s.second) continue;
    const std::string other = abbrev_of(s.work[k]);
    if (other == a) return refuse(dialog, kName, kMustDiffer);
    if (other == b) return refuse(dialog, kAbbrev, kMustDiffer);
  }
  copy_abbrev(s.work[s.first].library_abbrev, a);
  copy_abbrev(s.work[s.second].library_abbrev, b);
  std::size_t first = 0;
  std::size_t second = 0;
  if (find_shared(s.work, first, second)) {
    // Another pair still shares one: it is asked in the same dialog.
    s.first = first;
    s.second = second;
    show_pair(dialog, s);
    return 0;
  }
  return 1;
}

struct SingleState {
  LISTCONTEXT* library;
  int dimension;
  char abbrev[kUnitAbbrevSize]{};
};

SingleState* g_single = nullptr;

int DLIST_CALL AbbrevSingle_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  const std::string a = dlist::control_text(dialog, kName);
  if (is_dimension_abbrev(a)) return refuse(dialog, kName, kHashRefused);
  dbunit unit{};
  if (g_single->library->find_unit(a.c_str(), unit) < 1 ||
      DimensionNumber(g_single->library, a.c_str()) != g_single->dimension) {
    return refuse(dialog, kName, kNotOfDimension);
  }
  copy_abbrev(g_single->abbrev, a);
  return 1;
}

// ---- the overwrite question ---------------------------------------------------------------

struct OverwriteState {
  LISTCONTEXT* library;
  MATERIALENTRY* imported;
  Material* stored;
  int answer = -2;
  std::string parent_code;
  char own_code[kMatIdSize]{};
};

OverwriteState* g_overwrite = nullptr;

struct AnswerButton {
  int control;
  int text;
  int answer;
};

constexpr AnswerButton kAnswers[] = {
    {kOverwrite, 21687, -1},
    {kKeep, 21688, -2},
    {kOverwriteAll, 21689, 1},
    {kKeepAll, 21690, 2},
};

const AnswerButton* answer_button(int control) {
  for (const AnswerButton& b : kAnswers)
    if (b.control == control) return &b;
  return nullptr;
}

// The message naming each difference, by reason.
int reason_text(int reason) {
  switch (reason) {
    case 0:
      return 21318;
    case 2:
      return 21305;
    case 3:
      return 21315;
    case 4:
      return 21317;
    case 5:
      return 21314;
    case 6:
      return 21334;
    case 7:
      return 21314;
    case 8:
      return 21332;
    default:
      return 0;
  }
}

int DLIST_CALL SetModStat_Init_Proc(void* dialog) {
  dlist::set_focus(dialog, kKeep);
  return 1;
}

int DLIST_CALL SetModStat_ExtAction_Proc(void* dialog, int control, int code) {
  if (code != dlist::kBnClicked) return 0;
  if (answer_button(control) != nullptr) {
    dlist::post_command(dialog, dlist::kIdAccept);
  } else if (control == kShowImported) {
    CrtShowMaterialEntry(dialog, g_overwrite->stored, g_overwrite->imported);
  } else if (control == kShowStored) {
    CrtShowMaterial(dialog, g_overwrite->stored);
  } else {
    g_overwrite->answer = -2;
    dlist::post_command(dialog, dlist::kIdReject);
  }
  return 0;
}

// Enter answers "keep this one".
int DLIST_CALL SetModStat_KeyEnter_Proc(void* dialog, int) {
  g_overwrite->answer = -2;
  dlist::post_command(dialog, dlist::kIdReject);
  return 1;
}

int DLIST_CALL SetModStat_IDC_OK_Proc(void* dialog) {
  const AnswerButton* b = answer_button(dlist::focused_control(dialog));
  g_overwrite->answer = b != nullptr ? b->answer : -2;
  return 1;
}

int DLIST_CALL SetModStat_Cancel_Proc(void*) {
  g_overwrite->answer = -2;
  return 1;
}

// The codes of the stored material: its parent's, components joined by the
// library's separator, and its own.
void stored_codes(LISTCONTEXT* library, long stored, OverwriteState& state) {
  dbvernum version{};
  const char separator =
      library->get(version) != 0 && version.idseparator != 0 ? version.idseparator : '.';
  MATIDCHAIN chain;
  std::string parent;
  if (library->get_matidchain(stored, chain) != 0) {
    for (unsigned i = 0; i + 1 < chain.size(); ++i) {
      if (i > 0) parent += separator;
      parent += field_string(chain[i].id, kMatIdSize);
    }
  }
  state.parent_code = parent;
}

bool build_overwrite(void* window, const std::string& caption, OverwriteState& state) {
  constexpr int kRows = 5;
  Layout layout(window, caption, "SetModStat", kRows);
  const auto parent_size = static_cast<unsigned>(state.parent_code.size() + 1);
  layout.text_row(21459, kParentCode, state.parent_code.data(), parent_size, 0,
                  static_cast<long>(parent_size - 1), dlist::kEsReadOnly);
  layout.text_row(21318, kOwnCode, state.own_code, sizeof state.own_code, 0,
                  sizeof state.own_code - 1, dlist::kEsReadOnly);
  if (!layout.ok()) return false;
  // The names, each with the button that shows the record.
  const std::string stored_name =
      field_string(state.stored->data.name);
  const std::string imported_name =
      field_string(state.imported->material.name);
  struct NameRow {
    int label;
    int control;
    const std::string& name;
    int button;
  };
  const NameRow rows[] = {{21693, kStoredName, stored_name, kShowStored},
                          {21694, kImportedName, imported_name, kShowImported}};
  constexpr int m = Layout::kMargin;
  constexpr int x = 2 * m + Layout::kLabelWidth;
  constexpr int button_x = Layout::kWidth - m - Layout::kButtonWidth;
  int y = layout.y();
  int label_id = Layout::kFirstLabel + 10;
  for (const NameRow& row : rows) {
    if (!StaticText(label_id++, dlist::load_string(row.label).c_str(), m, y, Layout::kLabelWidth,
                    Layout::kRow) ||
        !StaticText(row.control, row.name.c_str(), x, y, button_x - x - m, Layout::kRow) ||
        !CommandButton(row.button, 21695, button_x, y, Layout::kButtonWidth, Layout::kRow)) {
      return false;
    }
    y += Layout::kRow + m / 2;
  }
  int bx = m;
  const int width = (Layout::kWidth - 5 * m) / 4;
  for (const AnswerButton& b : kAnswers) {
    if (!CommandButton(b.control, b.text, bx, y + m, width, Layout::kRow)) return false;
    bx += width + m;
  }
  return SetDlgInitProc(SetModStat_Init_Proc) && SetAllInputProc(SetModStat_ExtAction_Proc) &&
         SetKeyEnterProc(SetModStat_KeyEnter_Proc) && SetIDC_OKProc(SetModStat_IDC_OK_Proc) &&
         SetCancelProc(SetModStat_Cancel_Proc);
}

}  // namespace

int AskDimension(void* window, LISTCONTEXT* library, const char* unit_text) {
  if (library == nullptr) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return -1;
  }
  ChoiceState state{kDimensionsTitle, {}, -1};
  {
    dlist::ReadLock lock(library);
    std::vector<long> ids;
    library->unit_children(0, ids);
    for (long id : ids) {
      dbunit unit{};
      if (library->get(id, unit) < 1) continue;
      const int n = dlist::dimension_number_of(dlist::field_text(unit.abbrev));
      if (n >= 0) state.choices.push_back({field_string(unit.name), n});
    }
  }
  const std::string caption = dlist::format_message(kDimensionCaption, text_or_empty(unit_text));
  if (!ask_choice(window, kDimensionQuestionContext, caption, state)) return -1;
  return static_cast<int>(state.chosen);
}

int AskUnit(void* window, LISTCONTEXT* library, long dimension, const char* unit_text, char* out) {
  if (library == nullptr || out == nullptr) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  std::vector<std::string> abbrevs;
  ChoiceState state{kUnitsTitle, {}, -1};
  {
    dlist::ReadLock lock(library);
    std::vector<long> ids;
    if (dimension > 0) library->unit_children(dimension, ids);
    for (long id : ids) {
      dbunit unit{};
      if (library->get(id, unit) < 1) continue;
      char name[kLinkedNameSize] = "";
      LinkedUnitName(library, id, name);
      state.choices.push_back({name, static_cast<long>(abbrevs.size())});
      abbrevs.push_back(field_string(unit.abbrev));
    }
  }
  if (abbrevs.empty()) return 0;
  if (abbrevs.size() == 1) {
    copy_abbrev(out, abbrevs.front());
    return 1;
  }
  const std::string caption = dlist::format_message(kUnitCaption, text_or_empty(unit_text));
  if (!ask_choice(window, kUnitQuestionContext, caption, state)) return 0;
  copy_abbrev(out, abbrevs[static_cast<std::size_t>(state.chosen)]);
  return 1;
}

int AskAbbreviationPair(void* window, std::vector<UnitConflict>& conflicts, std::size_t first,
                        std::size_t second) {
  if (first >= conflicts.size() || second >= conflicts.size() || first == second) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  PairState state;
  state.work = conflicts;
  state.first = first;
  state.second = second;
  copy_abbrev(state.first_abbrev, abbrev_of(conflicts[first]));
  copy_abbrev(state.second_abbrev, abbrev_of(conflicts[second]));
  const int result = run_dialog(window, kAbbreviationContext, g_pair, &state, [&] {
    Layout layout(window, dlist::load_string(kConflictCaption), "AbbrevConflict", 4);
    layout.line(kFirstText, conflicts[first].description);
    layout.text_row(kAbbrevLabel, kName, state.first_abbrev, sizeof state.first_abbrev, 1,
                    kUnitAbbrevSize - 1);
    layout.line(kSecondText, conflicts[second].description);
    layout.text_row(kAbbrevLabel, kAbbrev, state.second_abbrev, sizeof state.second_abbrev, 1,
                    kUnitAbbrevSize - 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(AbbrevPair_IDC_OK_Proc);
  });
  if (result == 0) return 0;
  conflicts = state.work;
  return 1;
}

int AskLibraryAbbreviation(void* window, LISTCONTEXT* library, int dimension,
                           const char* file_abbrev, char* out) {
  if (library == nullptr || out == nullptr || dimension < 0 || dimension >= kMaxDimensions) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  SingleState state{library, dimension};
  std::string dimension_name;
  {
    dlist::ReadLock lock(library);
    dbunit unit{};
    const std::string abbrev = "##" + std::to_string(dimension);
    if (library->find_unit(abbrev.c_str(), unit) > 0) {
      dimension_name = field_string(unit.name);
    }
    GetDimEtalon(library, static_cast<short>(dimension), state.abbrev);
  }
  const int result = run_dialog(window, kAbbreviationContext, g_single, &state, [&] {
    Layout layout(window, dlist::load_string(kConflictCaption), "AbbrevConflict", 2);
    layout.line(kFirstText,
                dlist::format_message(kFileUnitText, text_or_empty(file_abbrev), dimension_name));
    layout.text_row(kAbbrevLabel, kName, state.abbrev, sizeof state.abbrev, 1,
                    kUnitAbbrevSize - 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(AbbrevSingle_IDC_OK_Proc);
  });
  if (result == 0) return 0;
  copy_abbrev(out, field_string(state.abbrev));
  return 1;
}

int AskOverwrite(void* window, LISTCONTEXT* library, long stored, MATERIALENTRY* imported,
                 int reason) {
  if (library == nullptr || imported == nullptr) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return -2;
  }
  Material material(library, stored);
  if (stored < 1 || material.read() == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return -2;
  }
  OverwriteState state{library, imported, &material, -2, {}, {}};
  stored_codes(library, stored, state);
  std::memcpy(state.own_code, material.data.id, sizeof state.own_code);
  state.own_code[sizeof state.own_code - 1] = '\0';
  std::string caption = dlist::load_string(21684);
  if (const int text = reason_text(reason); text != 0) {
    caption += " (" + dlist::load_string(static_cast<unsigned>(text)) + ")";
  }
  const dlist::DialogRun how{window, kOverwriteContext, dlist::units::kListdlgs};
  const std::optional<int> ran = dlist::run_dialog(
      how, g_overwrite, &state, [&] { return build_overwrite(window, caption, state); });
  return ran ? state.answer : -2;
}
