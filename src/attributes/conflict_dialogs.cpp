// The conflict dialogs of the attribute import, the strategy dialog and the
// attribute summary, on the dialog framework. The four answer buttons confirm the
// dialog, and its OK procedure reads the answer from the control that has the
// focus, as the palette import's clash dialog does.
#include "attributes/conflict_dialogs.h"

#include <cstdio>
#include <string>

#include "attributes/attribute_editor.h"
#include "attributes/attribute_exchange.h"
#include "dialogs/dialog_runner.h"
#include "foundation/fixed_text.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/notify_codes.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

short g_strategy = kConflictKeepSilently;
AttributeShowFunction g_show = nullptr;

struct AnswerButton {
  int control;
  int text;
  short strategy;
};

constexpr AnswerButton kAnswers[] = {
    {kConflictButtonReplace, 21687, kConflictReplaceAsk},
    {kConflictButtonKeep, 21688, kConflictKeepAsk},
    {kConflictButtonReplaceAll, 21689, kConflictReplaceAll},
    {kConflictButtonKeepAll, 21690, kConflictKeepAll},
};

constexpr int kBuffers = 4;
constexpr int kWidth = 320;
constexpr int kMargin = 8;
constexpr int kLine = 14;
constexpr int kButtonWidth = 66;
constexpr int kButtonHeight = 16;
constexpr int kShowLabel = 21695;

// The answer button last clicked in the open dialog (0: none); a click decides
// over the focus.
int g_clicked = 0;

const AnswerButton* answer_of(int control) {
  for (const AnswerButton& b : kAnswers)
    if (b.control == control) return &b;
  return nullptr;
}

std::string text_of(const char* field, std::size_t n) {
  return field_string(field, n);
}

// ---- the attribute and reference conflicts ---------------------------------------

// What the attribute conflict's show buttons display.
struct ConflictState {
  long existing_id = 0;
  const DBATTRIBUTETYPE* existing = nullptr;
  const DBATTRIBUTETYPE* imported = nullptr;
};
ConflictState* g_conflict = nullptr;

int DLIST_CALL ImportConflict_Init_Proc(void* dialog) {
  g_clicked = 0;
  set_focus(dialog, kConflictButtonReplace);
  return 1;
}

int DLIST_CALL ImportConflict_ExtAction_Proc(void* dialog, int control, int code) {
  if (code != kBnClicked) return 0;
  if (answer_of(control)) {
    g_clicked = control;
    post_command(dialog, kIdAccept);
  } else if (g_conflict && (control == kConflictShowExisting || control == kConflictShowImported)) {
    const bool existing = control == kConflictShowExisting;
    AttributeShowFunction show = g_show;
    const DBATTRIBUTETYPE& d = existing ? *g_conflict->existing : *g_conflict->imported;
    const long id = existing ? g_conflict->existing_id : 0;
    if (show) {
      show(dialog, id, d);
    } else {
      DBATTRIBUTETYPE shown = d;  // the editor's read-only view of the definition
      CallAttributeShow(dialog, shown);
    }
  }
  return 0;
}

int DLIST_CALL ImportConflict_KeyEnter_Proc(void* dialog, int control) {
  if (!answer_of(control)) return 0;
  post_command(dialog, kIdAccept);
  return 1;
}

int DLIST_CALL ImportConflict_IDC_OK_Proc(void* dialog) {
  const AnswerButton* chosen = answer_of(g_clicked ? g_clicked : focused_control(dialog));
  g_clicked = 0;
  g_strategy = (chosen ? chosen : &kAnswers[0])->strategy;
  return 1;
}

int DLIST_CALL ImportConflict_Cancel_Proc(void*) {
  g_clicked = 0;
  g_strategy = kConflictKeepAsk;
  return 1;
}

bool answer_buttons(int y) {
  int x = kMargin;
  for (const AnswerButton& b : kAnswers) {
    if (!CommandButton(b.control, b.text, x, y, kButtonWidth, kButtonHeight)) return false;
    x += kButtonWidth + kMargin;
  }
  return SetDlgInitProc(ImportConflict_Init_Proc) &&
         SetAllInputProc(ImportConflict_ExtAction_Proc) &&
         SetKeyEnterProc(ImportConflict_KeyEnter_Proc) &&
         SetIDC_OKProc(ImportConflict_IDC_OK_Proc) && SetCancelProc(ImportConflict_Cancel_Proc);
}

bool build_attribute_conflict(void* owner, const DBATTRIBUTETYPE& existing,
                              const DBATTRIBUTETYPE& imported) {
  const std::string title = load_string(kConflictCaption);
  const int height = 4 * kMargin + kLine + 2 * kButtonHeight;
  if (!MakeMainUnit(owner, title.c_str(), "AttributeConflict", kWidth, height)) return false;
  const int half = (kWidth - 3 * kMargin) / 2;
  const std::string left = text_of(existing.name, sizeof existing.name) + " (" +
                           text_of(existing.abbrev, sizeof existing.abbrev) + ")";
  const std::string right = text_of(imported.name, sizeof imported.name) + " (" +
                            text_of(imported.abbrev, sizeof imported.abbrev) + ")";
  if (!StaticText(kConflictExistingText, left.c_str(), kMargin, kMargin, half, kLine) ||
      !StaticText(kConflictImportedText, right.c_str(), 2 * kMargin + half, kMargin, half, kLine) ||
      !CommandButton(kConflictShowExisting, kShowLabel, kMargin, kMargin + kLine, kButtonWidth,
                     kButtonHeight) ||
      !CommandButton(kConflictShowImported, kShowLabel, 2 * kMargin + half, kMargin + kLine,
                     kButtonWidth, kButtonHeight)) {
    return false;
  }
  return answer_buttons(3 * kMargin + kLine + kButtonHeight);
}

bool build_reference_conflict(void* owner, const std::string& line, const std::string& new_value,
                              const std::string& old_value) {
  const std::string title = load_string(kConflictCaption);
  const int height = 4 * kMargin + 3 * kLine + kButtonHeight;
  if (!MakeMainUnit(owner, title.c_str(), "ReferenceConflict", kWidth, height)) return false;
  const int width = kWidth - 2 * kMargin;
  if (!StaticText(kConflictExistingText, line.c_str(), kMargin, kMargin, width, kLine) ||
      !StaticText(kConflictImportedText, new_value.c_str(), kMargin, kMargin + kLine, width,
                  kLine) ||
      !StaticText(kConflictOldValueText, old_value.c_str(), kMargin, kMargin + 2 * kLine, width,
                  kLine)) {
    return false;
  }
  return answer_buttons(3 * kMargin + 3 * kLine);
}

// ---- the strategy dialog ------------------------------------------------------------

int* g_choice = nullptr;

int DLIST_CALL SetImportStrat_ExtAction_Proc(void* dialog, int control, int code) {
  if (code == kBnClicked && (control == kConflictButtonReplace || control == kConflictButtonKeep)) {
    g_clicked = control;
    post_command(dialog, kIdAccept);
  }
  return 0;
}

int DLIST_CALL SetImportStrat_IDC_OK_Proc(void* dialog) {
  const int control = g_clicked ? g_clicked : focused_control(dialog);
  g_clicked = 0;
  if (g_choice) *g_choice = control == kConflictButtonKeep ? 1 : 0;
  return 1;
}

int DLIST_CALL SetImportStrat_KeyEnter_Proc(void* dialog, int control) {
  if (control != kConflictButtonReplace && control != kConflictButtonKeep) return 0;
  post_command(dialog, kIdAccept);
  return 1;
}

int DLIST_CALL SetImportStrat_Init_Proc(void* dialog) {
  g_clicked = 0;
  set_focus(dialog, kConflictButtonReplace);
  return 1;
}

void fill_tree(void* dialog, int control, const DBATTRIBUTETYPE& d) {
  fill_attribute_summary_tree(GetControlHWND(dialog, control), d);
}

struct StrategyState {
  const DBATTRIBUTETYPE* first;
  const DBATTRIBUTETYPE* second;
};
StrategyState* g_strategy_state = nullptr;

int DLIST_CALL SetImportStrat_Fill_Proc(void* dialog) {
  if (g_strategy_state) {
    fill_tree(dialog, kStrategyFirstTree, *g_strategy_state->first);
    fill_tree(dialog, kStrategySecondTree, *g_strategy_state->second);
  }
  return SetImportStrat_Init_Proc(dialog);
}

bool build_strategy(void* owner) {
  const std::string title = load_string(kConflictCaption);
  constexpr int kTreeHeight = 180;
  const int half = (kWidth - 3 * kMargin) / 2;
  const int height = 4 * kMargin + kLine + kTreeHeight + kButtonHeight;
  if (!MakeMainUnit(owner, title.c_str(), "SetImportStrat", kWidth, height)) return false;
  const std::string first = load_string(21864);
  const std::string second = load_string(21865);
  const int y = 2 * kMargin + kLine;
  const int buttons = y + kTreeHeight + kMargin;
  return StaticText(10752, first.c_str(), kMargin, kMargin, half, kLine) &&
         StaticText(10753, second.c_str(), 2 * kMargin + half, kMargin, half, kLine) &&
         TreeViewInput(kStrategyFirstTree, kMargin, y, half, kTreeHeight) &&
         TreeViewInput(kStrategySecondTree, 2 * kMargin + half, y, half, kTreeHeight) &&
         CommandButton(kConflictButtonReplace, 21687, kMargin, buttons, kButtonWidth,
                       kButtonHeight) &&
         CommandButton(kConflictButtonKeep, 21688, 2 * kMargin + kButtonWidth, buttons,
                       kButtonWidth, kButtonHeight) &&
         CommandButton(kIdCancel, 20995, kWidth - kMargin - kButtonWidth, buttons, kButtonWidth,
                       kButtonHeight) &&
         SetDlgInitProc(SetImportStrat_Fill_Proc) &&
         SetAllInputProc(SetImportStrat_ExtAction_Proc) &&
         SetKeyEnterProc(SetImportStrat_KeyEnter_Proc) && SetIDC_OKProc(SetImportStrat_IDC_OK_Proc);
}

// Element-kind bits of the summary, in the order shown, with their texts.
struct KindLine {
  int bit;
  int text;
};
constexpr KindLine kKindLines[] = {
    {0, 21440},  {1, 21441},  {2, 21442},  {4, 21443},  {3, 21444},  {5, 21445},
    {6, 21446},  {10, 21447}, {7, 21448},  {8, 21449},  {9, 21450},  {19, 21451},
    {20, 21452}, {11, 21453}, {12, 21454}, {13, 21455}, {21, 21456},
};

}  // namespace

short attribute_conflict_strategy() {
  return g_strategy;
}
void set_attribute_conflict_strategy(short strategy) {
  g_strategy = strategy;
}
void set_attribute_show_function(AttributeShowFunction show) {
  g_show = show;
}

std::string attribute_summary(const DBATTRIBUTETYPE& d) {
  const int kind_text = d.kind_index() == 0 ? 20394 : d.kind_index() == 1 ? 20395 : 20396;
  std::string kinds;
  for (const KindLine& k : kKindLines) {
    if ((d.flags & (1u << k.bit)) == 0) continue;
    if (!kinds.empty()) kinds += "\n";
    kinds += load_string(static_cast<unsigned>(k.text));
  }
  const std::string parts[12] = {
      load_string(21535),
      text_of(d.name, sizeof d.name),
      load_string(21536),
      d.kind_index() < 0 ? std::string() : load_string(static_cast<unsigned>(kind_text)),
      load_string(21537),
      text_of(d.description, sizeof d.description),
      load_string(21538),
      text_of(d.abbrev, sizeof d.abbrev),
      load_string(21539),
      text_of(d.unit, sizeof d.unit),
      load_string(21540),
      kinds,
  };
  std::string out;
  for (int i = 0; i < 12; ++i) {
    if (i > 0) out += "\n";
    if (i % 2 == 0) out += " ";
    out += parts[i];
  }
  return out;
}

void fill_attribute_summary_tree(void* tree, const DBATTRIBUTETYPE& d) {
  if (!tree) return;
  const std::string summary = attribute_summary(d);
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = summary.find('\n', from);
    const std::string line =
        summary.substr(from, at == std::string::npos ? std::string::npos : at - from);
    AddTreeViewItem(kTviRoot, line.c_str(), kTviLast, 0, tree, 0);
    if (at == std::string::npos) break;
    from = at + 1;
  }
}

bool ask_attribute_conflict(void* owner, long existing_id, const DBATTRIBUTETYPE& existing,
                            const DBATTRIBUTETYPE& imported) {
  ConflictState state{existing_id, &existing, &imported};
  return run_dialog(DialogRun{owner, kConflictContext, units::kDattrman, kBuffers}, g_conflict,
                    &state, [&] { return build_attribute_conflict(owner, existing, imported); })
      .has_value();
}

bool ask_reference_conflict(void* owner, const std::string& attribute, const std::string& reference,
                            const std::string& new_value, const std::string& old_value) {
  const std::string line = attribute + " - " + reference;
  return run_dialog(DialogRun{owner, kConflictContext, units::kDattrman, kBuffers},
                    [&] { return build_reference_conflict(owner, line, new_value, old_value); })
      .has_value();
}

}  // namespace dlist

int DLIST_CALL CrtSetImportStrat(void* hwnd, int* choice, DBATTRIBUTETYPE* first,
                                 DBATTRIBUTETYPE* second) {
  using namespace dlist;
  if (!choice || !first || !second) return 0;
  StrategyState state{first, second};
  StateScope<int> choosing(g_choice, choice);
  const std::optional<int> result =
      run_dialog(DialogRun{hwnd, kConflictContext, units::kDattrman, kBuffers}, g_strategy_state,
                 &state, [&] { return build_strategy(hwnd); });
  return result.value_or(0);
}
