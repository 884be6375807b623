// What the library record dialogs and the import's questions share: their run
// through the dialog runner, a layout that stacks labelled fields
// and closes with the OK and Cancel buttons, and the refusal that keeps a dialog
// open with its offending control marked.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "dialogs/dialog_runner.h"
#include "foundation/fixed_text.h"
#include "host/dialog/framework.h"
#include "host/report.h"

namespace dlist::listdlg {

// Lays out a dialog from top to bottom: each row a label at the left and a control
// at the right. Every call remembers a failed building call; ok() tells at the end.
class Layout {
 public:
  static constexpr int kWidth = 300;
  static constexpr int kMargin = 8;
  static constexpr int kRow = 16;
  static constexpr int kLabelWidth = 110;
  static constexpr int kButtonWidth = 64;

  // Opens the dialog; its height grows with the rows and is given at the start,
  // so rows counts the rows that will follow.
  Layout(void* parent, const std::string& title, const char* unit, int rows);

  void* dialog() const { return dialog_; }
  bool ok() const { return ok_; }
  void fail() { ok_ = false; }

  // A label (message text_id, or text) followed by a text field bound to buffer.
  void text_row(int label_id, int control, char* buffer, unsigned size, long min, long max,
                unsigned style = 0);
  // A label followed by a number field bound to value.
  void number_row(int label_id, int control, double* value, double min, double max);
  // A label followed by a read-only text.
  void static_row(int label_id, int control, const std::string& text);
  // A text over the whole width.
  void line(int control, const std::string& text);
  // A drop-down list without a bound buffer.
  void combo_row(int label_id, int control);
  // A list of one column filling `rows` rows.
  void list(int control, int rows);
  // The OK (9999) and Cancel (2) buttons.
  void buttons();
  // Pushes y down by one row without a control.
  void skip() { y_ += kRow + kMargin / 2; }
  int y() const { return y_; }

  // Control identifiers of labels, counted from this one on.
  static constexpr int kFirstLabel = 10600;

 private:
  void label(int label_id);

  void* dialog_ = nullptr;
  bool ok_ = false;
  int y_ = kMargin;
  int next_label_ = kFirstLabel;
};

using dlist::field_string;
using dlist::put_field;

// Runs a library dialog through the runner (see dialogs/dialog_runner.h), with
// state as its module state when given: the dialog's result, 0 (reported) when the
// buffers cannot be had or a building call fails.
template <typename T, typename Build>
int run_dialog(void* window, int context, T*& slot, T* state, Build build,
               int line = __builtin_LINE()) {
  return dlist::run_dialog(DialogRun{window, context, units::kListdlgs}, slot, state,
                           std::move(build), line)
      .value_or(0);
}
template <typename Build>
int run_dialog(void* window, int context, Build build,
               int line = __builtin_LINE()) {
  return dlist::run_dialog(DialogRun{window, context, units::kListdlgs}, std::move(build), line)
      .value_or(0);
}

// Refuses the input of control: marks it and shows the framework's warning on it,
// with the reason, message (a message identifier), in the diagnostic output; no
// message box of its own. Returns 0 for the OK procedure to return.
int refuse(void* dialog, int control, int message);

// Runs the framework's checks of every field; on a failure warns about the
// offending control and returns false.
bool fields_pass(void* dialog);

}  // namespace dlist::listdlg
