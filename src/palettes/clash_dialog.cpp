// The clash dialog on the dialog framework: two names above four buttons. The
// buttons confirm the dialog, and the OK procedure reads the choice from the
// control that has the focus.

#include "palettes/clash_dialog.h"

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/notify_codes.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

short g_clash_choice = kClashOverwriteAsk;

struct ClashButton {
  int control;
  int text;  // label, a message identifier
  short choice;
};

constexpr ClashButton kButtons[] = {
    {kClashButtonOverwrite, 21687, kClashOverwriteAsk},
    {kClashButtonKeep, 21688, kClashKeepAsk},
    {kClashButtonOverwriteAll, 21689, kClashOverwriteAll},
    {kClashButtonKeepAll, 21690, kClashKeepAll},
};

constexpr int kBuffers = 4;
constexpr int kWidth = 280;
constexpr int kMargin = 8;
constexpr int kLine = 14;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 16;

const ClashButton* button_of(int control) {
  for (const ClashButton& b : kButtons)
    if (b.control == control) return &b;
  return nullptr;
}

int DLIST_CALL ImportClash_Init_Proc(void* dialog) {
  set_focus(dialog, kClashButtonOverwrite);
  return 1;
}

int DLIST_CALL ImportClash_ExtAction_Proc(void* dialog, int control, int code) {
  if (code == kBnClicked && button_of(control)) post_command(dialog, kIdAccept);
  return 0;
}

// Enter on a button presses it, as on the window system.
int DLIST_CALL ImportClash_KeyEnter_Proc(void* dialog, int control) {
  if (!button_of(control)) return 0;
  post_command(dialog, kIdAccept);
  return 1;
}

int DLIST_CALL ImportClash_IDC_OK_Proc(void* dialog) {
  const ClashButton* focused = button_of(focused_control(dialog));
  g_clash_choice = (focused ? focused : &kButtons[0])->choice;
  return 1;
}

int DLIST_CALL ImportClash_Cancel_Proc(void*) {
  g_clash_choice = kClashKeepAsk;
  return 1;
}

// Describes the dialog; false when a building call fails.
bool build(void* parent, const char* imported, const char* existing) {
  const std::string title = load_string(kClashCaption);
  const int height = 4 * kMargin + 2 * kLine + kButtonHeight;
  if (!MakeMainUnit(parent, title.c_str(), "ImportClash", kWidth, height)) return false;
  const int text_width = kWidth - 2 * kMargin;
  if (!StaticText(kClashImportedName, imported ? imported : "", kMargin, kMargin, text_width,
                  kLine) ||
      !StaticText(kClashExistingName, existing ? existing : "", kMargin, kMargin + kLine,
                  text_width, kLine)) {
    return false;
  }
  int x = kMargin;
  for (const ClashButton& b : kButtons) {
    if (!CommandButton(b.control, b.text, x, 3 * kMargin + 2 * kLine, kButtonWidth,
                       kButtonHeight)) {
      return false;
    }
    x += kButtonWidth + kMargin;
  }
  return SetDlgInitProc(ImportClash_Init_Proc) && SetAllInputProc(ImportClash_ExtAction_Proc) &&
         SetKeyEnterProc(ImportClash_KeyEnter_Proc) && SetIDC_OKProc(ImportClash_IDC_OK_Proc) &&
         SetCancelProc(ImportClash_Cancel_Proc);
}

}  // namespace

short clash_choice() { return g_clash_choice; }

void set_clash_choice(short choice) { g_clash_choice = choice; }

bool ask_clash_choice(void* parent, const char* imported, const char* existing) {
  return run_dialog(DialogRun{parent, kClashContext, units::kDpalman, kBuffers},
                    [&] { return build(parent, imported, existing); })
      .has_value();
}

}  // namespace dlist
