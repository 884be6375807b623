// The layout and refusal helpers of the library record dialogs.

#include "materials/list_dialog_layout.h"

#include "host/dialog/notify_codes.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist::listdlg {

namespace {
constexpr int kOkText = 36;
constexpr int kCancelText = 37;
}  // namespace

Layout::Layout(void* parent, const std::string& title, const char* unit, int rows) {
  const int height = kMargin + (rows + 1) * (kRow + kMargin / 2) + kMargin;
  dialog_ = MakeMainUnit(parent, title.c_str(), unit, kWidth, height);
  ok_ = dialog_ != nullptr;
}

void Layout::label(int label_id) {
  if (!ok_) return;
  const std::string text = load_string(static_cast<unsigned>(label_id));
  if (!StaticText(next_label_++, text.c_str(), kMargin, y_, kLabelWidth, kRow)) ok_ = false;
}

void Layout::text_row(int label_id, int control, char* buffer, unsigned size, long min, long max,
                      unsigned style) {
  label(label_id);
  const int x = 2 * kMargin + kLabelWidth;
  if (ok_ && !(TextEditInput(control, x, y_, kWidth - x - kMargin, kRow, style) &&
               SetInpCont_Addres(control, buffer, size) && SetInpCont_MinMaxN(control, min, max))) {
    ok_ = false;
  }
  skip();
}

void Layout::number_row(int label_id, int control, double* value, double min, double max) {
  label(label_id);
  const int x = 2 * kMargin + kLabelWidth;
  if (ok_ && !(DoubleInput(control, x, y_, kWidth - x - kMargin, kRow) &&
               SetInpCont_Addres(control, value) && SetInpCont_MinMaxD(control, min, max))) {
    ok_ = false;
  }
  skip();
}

void Layout::static_row(int label_id, int control, const std::string& text) {
  label(label_id);
  const int x = 2 * kMargin + kLabelWidth;
  if (ok_ && !StaticText(control, text.c_str(), x, y_, kWidth - x - kMargin, kRow)) ok_ = false;
  skip();
}

void Layout::line(int control, const std::string& text) {
  if (ok_ && !StaticText(control, text.c_str(), kMargin, y_, kWidth - 2 * kMargin, kRow)) {
    ok_ = false;
  }
  skip();
}

void Layout::combo_row(int label_id, int control) {
  label(label_id);
  const int x = 2 * kMargin + kLabelWidth;
  if (ok_ && !ComboInput(control, x, y_, kWidth - x - kMargin, kRow, kCbsDropDownList)) {
    ok_ = false;
  }
  skip();
}

void Layout::list(int control, int rows) {
  const int height = rows * (kRow + kMargin / 2) - kMargin / 2;
  if (ok_ && !ListViewInputA(control, kMargin, y_, kWidth - 2 * kMargin, height)) ok_ = false;
  for (int i = 0; i < rows; ++i) skip();
}

void Layout::buttons() {
  const int x = kWidth - 2 * (kButtonWidth + kMargin);
  if (ok_ && !(CommandButton(kIdAccept, kOkText, x, y_, kButtonWidth, kRow) &&
               CommandButton(kIdReject, kCancelText, x + kButtonWidth + kMargin, y_, kButtonWidth,
                             kRow))) {
    ok_ = false;
  }
  skip();
}

int refuse(void* dialog, int control, int message) {
  DiagnosticOut(load_string(static_cast<unsigned>(message)).c_str());
  SetErrorId(control);
  WarningProc(dialog, 0);
  return 0;
}

bool fields_pass(void* dialog) {
  if (InputChecking(dialog, 0)) return true;
  WarningProc(dialog, 0);
  return false;
}

}  // namespace dlist::listdlg
