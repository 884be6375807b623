// The long texts dialog: the text of the current tab lives in the edit field,
// the others in the dialog's state; changing the tab swaps them.
//
// A long text may hold zero bytes, which an edit field cannot: the field shows
// the bytes before the first zero byte, and the bytes from that zero byte on stay
// behind the shown text whatever the user does with it. A text confirmed
// without edits is therefore stored byte for byte as it was.

#include "materials/long_texts_dialog.h"

#include <cstring>
#include <string>

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tab_control.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/material_dialog_ids.h"
#include "materials/material_library.h"

namespace dlist {
namespace {

constexpr int kTitle = 21332;
constexpr int kBuffers = 4;
constexpr int kWidth = 360;
constexpr int kHeight = 260;
constexpr int kMargin = 8;
constexpr int kTabHeight = 18;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 16;

struct LongTextsState {
  std::string texts[kLongTextCount];  // the part the field shows
  std::string tails[kLongTextCount];  // from the first zero byte on, never shown
  std::string names[kLongTextCount];
  int current = 0;
  bool read_only = false;
};

LongTextsState* g_state = nullptr;

void show_tab(void* dialog, int tab) {
  g_state->current = tab;
  set_control_text(dialog, kLongTextEdit, g_state->texts[tab].c_str());
}

int DLIST_CALL LongTexts_Init_Proc(void* dialog) {
  void* tabs = GetControlHWND(dialog, kLongTextTabs);
  for (int i = 0; i < kLongTextCount; ++i)
    if (tab_insert(tabs, i, g_state->names[i].c_str()) < 0) return 0;
  tab_set_current(tabs, 0);
  show_tab(dialog, 0);
  return 1;
}

int DLIST_CALL LongTexts_ExtAction_Proc(void* dialog, int control, int code) {
  if (control != kLongTextTabs) return 0;
  if (code == kTcnSelChanging) {
    // A text over its limit keeps its tab until it is shortened.
    if (!g_state->read_only && InputChecking(dialog, kLongTextEdit) == 0) {
      WarningProc(dialog, 0);
      return 1;
    }
    g_state->texts[g_state->current] = control_text(dialog, kLongTextEdit);
    return 0;
  }
  if (code == kTcnSelChange) {
    const int tab = tab_current(GetControlHWND(dialog, kLongTextTabs));
    if (tab >= 0 && tab < kLongTextCount) show_tab(dialog, tab);
  }
  return 0;
}

int DLIST_CALL LongTexts_IDC_OK_Proc(void* dialog) {
  if (g_state->read_only) return 1;
  if (InputChecking(dialog, 0) == 0) {
    WarningProc(dialog, 0);
    return 0;
  }
  g_state->texts[g_state->current] = control_text(dialog, kLongTextEdit);
  return 1;
}

int DLIST_CALL LongTexts_Cancel_Proc(void*) { return 1; }

bool build(void* parent, bool read_only) {
  const std::string title = load_string(kTitle);
  if (!MakeMainUnit(parent, title.c_str(), "LongTexts", kWidth, kHeight)) return false;
  const int inner = kWidth - 2 * kMargin;
  const int edit_top = kMargin + kTabHeight;
  const int edit_height = kHeight - edit_top - 2 * kMargin - kButtonHeight;
  const int buttons = kHeight - kMargin - kButtonHeight;
  if (!Item("", kLongTextTabs, "SysTabControl32", 0, kMargin, kMargin, inner, kTabHeight) ||
      !TextEditInput(kLongTextEdit, kMargin, edit_top, inner, edit_height,
                     kEsMultiline | (read_only ? kEsReadOnly : 0u)) ||
      !SetInpCont_MinMaxN(kLongTextEdit, 0, kMaxLongText) ||
      !CommandButton(kIdAccept, 36, kWidth - 2 * (kButtonWidth + kMargin), buttons, kButtonWidth,
                     kButtonHeight) ||
      !CommandButton(kIdCancel, 37, kWidth - kButtonWidth - kMargin, buttons, kButtonWidth,
                     kButtonHeight)) {
    return false;
  }
  return SetDlgInitProc(LongTexts_Init_Proc) && SetAllInputProc(LongTexts_ExtAction_Proc) &&
         SetIDC_OKProc(LongTexts_IDC_OK_Proc) && SetCancelProc(LongTexts_Cancel_Proc);
}

}  // namespace

int run_long_texts_dialog(void* parent, LISTCONTEXT* library, LONGTEXT* texts, bool read_only) {
  if (texts == nullptr) return -1;
  LongTextsState state;
  state.read_only = read_only;
  for (int i = 0; i < kLongTextCount; ++i) {
    const char* bytes = texts[i];
    if (bytes != nullptr) {
      const std::string all(bytes, texts[i].size());
      const size_t zero = all.find('\0');
      state.texts[i] = all.substr(0, zero);
      if (zero != std::string::npos) state.tails[i] = all.substr(zero);
    }
    char name[kLongTextNameSize] = {};
    GetLongTextName(library, static_cast<short>(i), name);
    state.names[i] = name;
  }
  const std::optional<int> accepted =
      run_dialog(DialogRun{parent, kLongTextsContext, units::kDmatedit, kBuffers}, g_state, &state,
                 [&] { return build(parent, read_only); });
  if (!accepted) return -1;
  if (*accepted == 0) return 0;
  if (read_only) return 1;
  for (int i = 0; i < kLongTextCount; ++i) {
    const std::string text = state.texts[i] + state.tails[i];
    texts[i].resize(static_cast<unsigned>(text.size()));
    if (texts[i].size() != text.size()) {
      SpecBeep(0, units::kDmatedit, __LINE__);
      return 0;
    }
    if (!text.empty()) std::memcpy(static_cast<char*>(texts[i]), text.data(), text.size());
  }
  return 1;
}

}  // namespace dlist
