// The surface mask dialog on the dialog framework: three columns of check boxes,
// one a slot, a status line and the two buttons.
#include "palettes/surface_mask_dialog.h"

#include <string>

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/notify_codes.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

// Texts: the caption, the status lines, the slot headings and a label per field.
constexpr int kCaption = 50701;
constexpr int kEqual = 50702;
constexpr int kDifferent = 50703;
constexpr int kSlotHeading = 50704;  // slots 0 to 2: 50704 to 50706
constexpr int kNameLabel = 50707;
constexpr int kTypeLabel = 50708;
constexpr int kFirstBlockLabel = 50709;   // values 0 to 4: 50709 to 50713
constexpr int kSecondBlockLabel = 50714;  // values 0 to 4: 50714 to 50718
constexpr int kLastLabel = 50719;

constexpr int kOkText = 36;
constexpr int kCancelText = 37;
constexpr int kBuffers = 4;
constexpr int kMargin = 8;
constexpr int kLine = 13;
constexpr int kColumn = 150;
constexpr int kRows = 14;  // name, type, 5 + 5 values, last field, heading

// The label of surface flag f; 0 for a flag that selects nothing.
int label_of(int flag) {
  static constexpr int kValueOrder[5] = {0, 1, 3, 4, 2};
  if (flag < 3) return kNameLabel;
  if (flag < 6) return kTypeLabel;
  if (flag < 9) return 0;
  const int within = (flag - 9) % 6;
  if (flag < 27) return within < 5 ? kFirstBlockLabel + kValueOrder[within] : 0;
  const int within2 = (flag - 27) % 6;
  return within2 < 5 ? kSecondBlockLabel + kValueOrder[within2] : kLastLabel;
}

int slot_of(int flag) {
  if (flag < 6) return flag % 3;
  if (flag < 27) return (flag - 9) / 6;
  return (flag - 27) / 6;
}

// The row of a flag's box in its slot's column.
int row_of(int flag) {
  if (flag < 6) return flag < 3 ? 0 : 1;
  if (flag < 27) return 2 + (flag - 9) % 6;
  return 7 + (flag - 27) % 6;
}

struct MaskState {
  MASK* mask;
  const DBSURFREFTYPE* source;
  DBSURFREFTYPE* target;
  MASK ticked;
};

MaskState* g_state = nullptr;

void read_boxes(void* dialog, MASK& into) {
  for (int f = 0; f < MASK::kSurfaceFlags; ++f)
    into.surface[f] = label_of(f) != 0 && control_check(dialog, kSurfaceMaskFlagBase + f) ? 1 : 0;
}

void show_status(void* dialog) {
  read_boxes(dialog, g_state->ticked);
  const int equal = DlgSelectSurfMask(g_state->ticked, *g_state->source, *g_state->target);
  set_control_text(dialog, kSurfaceMaskStatus, load_string(equal ? kEqual : kDifferent).c_str());
}

int DLIST_CALL SurfaceMask_Init_Proc(void* dialog) {
  for (int f = 0; f < MASK::kSurfaceFlags; ++f)
    if (label_of(f) != 0)
      set_control_check(dialog, kSurfaceMaskFlagBase + f, g_state->mask->surface[f] != 0);
  show_status(dialog);
  return 1;
}

int DLIST_CALL SurfaceMask_ExtAction_Proc(void* dialog, int control, int code) {
  if (code == kBnClicked && control >= kSurfaceMaskFlagBase &&
      control < kSurfaceMaskFlagBase + MASK::kSurfaceFlags)
    show_status(dialog);
  return 0;
}

int DLIST_CALL SurfaceMask_IDC_OK_Proc(void* dialog) {
  read_boxes(dialog, g_state->ticked);
  DlgUpdateSurfMask(g_state->ticked, *g_state->source, *g_state->target);
  *g_state->mask = g_state->ticked;
  return 1;
}

bool build(void* parent) {
  const int width = 2 * kMargin + 3 * kColumn;
  const int height = 3 * kMargin + (kRows + 2) * kLine + 16;
  if (!MakeMainUnit(parent, load_string(kCaption).c_str(), "SurfaceMask", width, height))
    return false;
  for (int slot = 0; slot < 3; ++slot) {
    if (!StaticText(kSurfaceMaskStatus - 3 + slot, load_string(kSlotHeading + slot).c_str(),
                    kMargin + slot * kColumn, kMargin, kColumn, kLine))
      return false;
  }
  for (int f = 0; f < MASK::kSurfaceFlags; ++f) {
    const int label = label_of(f);
    if (label == 0) continue;
    if (!CheckBoxInput(kSurfaceMaskFlagBase + f, load_string(label).c_str(),
                       kMargin + slot_of(f) * kColumn, kMargin + (1 + row_of(f)) * kLine, kColumn,
                       kLine))
      return false;
  }
  const int bottom = kMargin + (kRows + 1) * kLine;
  return StaticText(kSurfaceMaskStatus, "", kMargin, bottom, width - 2 * kMargin, kLine) &&
         CommandButton(kIdAccept, kOkText, width - 2 * (60 + kMargin), bottom + kLine + kMargin, 60, 16) &&
         CommandButton(kIdReject, kCancelText, width - 60 - kMargin, bottom + kLine + kMargin, 60, 16) &&
         SetDlgInitProc(SurfaceMask_Init_Proc) && SetAllInputProc(SurfaceMask_ExtAction_Proc) &&
         SetIDC_OKProc(SurfaceMask_IDC_OK_Proc);
}

}  // namespace

int CrtSurfaceMask(void* parent, MASK& mask, const DBSURFREFTYPE& source, DBSURFREFTYPE& target) {
  MaskState state{&mask, &source, &target, mask};
  const std::optional<int> result =
      run_dialog(DialogRun{parent, kSurfaceMaskContext, units::kDpalman, kBuffers}, g_state,
                 &state, [&] { return build(parent); });
  return result.value_or(0) != 0 ? 1 : 0;
}

}  // namespace dlist
