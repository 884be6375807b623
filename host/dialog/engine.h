// The headless dialog engine beyond the framework's own calls: the details of the
// notification being delivered, posting commands, driving and closing modeless
// dialogs, timers, the state of controls by identifier, the record of what
// happened (dialog_log.h), the accounting of the temporary buffers, and the
// failures tests inject. One engine serves the process; everything runs on the
// thread that runs the dialogs.
#pragma once

#include <cstdint>
#include <string>

#include "host/dialog/dialog_log.h"
#include "host/dialog/notify_codes.h"

namespace dlist {

// What the action procedure is told beyond (control, code). Fields that do not
// apply to a code keep their defaults.
struct Notification {
  int control = 0;
  int code = 0;
  // tree: the item acted on (selected, expanded, dragged, edited, clicked)
  _TREEITEM* item = nullptr;
  _TREEITEM* old_item = nullptr;  // tree selection: the item selected before
  _TREEITEM* target = nullptr;    // drag over and drop: the item under the pointer
  int row = -1;                   // list: the row; combo, tab: the index chosen
  int column = -1;                // list: the column whose title was clicked
  unsigned old_state = 0;         // list item changed
  unsigned new_state = 0;
  int action = 0;              // tree: expand action (kTve*) or selection cause (kTvc*)
  bool shift = false;          // drag: Shift is held
  const char* text = nullptr;  // end of label edit: the new text, null when cancelled
  intptr_t param = 0;          // the item's or row's parameter
};

// The notification being delivered to an action procedure (the innermost one when
// deliveries nest); null outside a delivery.
const Notification* notification();

// ---- commands and dialogs ------------------------------------------------------------

// Posts command to window as a command message: 9999 runs the accepting path, 2 the
// cancelling path, any other goes to the action procedure as (command, kBnClicked).
// It is handled after the running callback returns. A window that is no dialog of
// the engine (the host's own) is recorded in the notes. Returns false for null.
bool post_command(void* window, int command);

// Lets the active user act in the modeless dialog until the user has nothing more
// to do. Returns false when dialog is no open modeless dialog.
bool drive_dialog(void* dialog);
// Closes an open dialog without callbacks and without writing its buffers back,
// as destroying its window. Returns false when dialog is not open.
bool destroy_dialog(void* dialog);
// Paints the owner-drawn lists of dialog that changed since they were last painted
// (the engine also does this after each user action).
void paint_dialog(void* dialog);

int open_dialog_count();   // running modal and modeless dialogs
int modal_depth();         // running modal dialogs
void* innermost_dialog();  // whose callback runs, else the innermost modal dialog
int dialog_context(void* dialog);
std::string dialog_title(void* dialog);
bool set_dialog_title(void* dialog, const char* title);

// ---- controls by identifier -------------------------------------------------------------

bool has_control(void* dialog, int id);
// Text of an edit field, numeric field, combo, static text or button.
std::string control_text(void* dialog, int id);
// Sets the text; no notification follows (as for any change the program makes).
bool set_control_text(void* dialog, int id, const char* text);
int control_check(void* dialog, int id);
bool set_control_check(void* dialog, int id, int state);
bool control_enabled(void* dialog, int id);
bool control_visible(void* dialog, int id);
// The error mark set by InputChecking or SetErrorId; the user's next change of the
// control clears it.
bool control_marked(void* dialog, int id);
// Selects the whole text of a field (the short form of refusing input).
bool select_control_text(void* dialog, int id);
bool control_text_selected(void* dialog, int id);
int focused_control(void* dialog);  // 0 when none
bool set_focus(void* dialog, int id);
// Moves and sizes a control (dialog units), as a dialog lays out its panes after a
// splitter moved. A negative size is refused.
bool move_control(void* dialog, int id, int x, int y, int cx, int cy);
// The control's position and size; false for no such control.
bool control_rect(void* dialog, int id, int* x, int* y, int* cx, int* cy);

// ---- timers ------------------------------------------------------------------------

// Starts (or restarts) timer id of dialog; its ticks reach the timer procedure
// when the user fires them (UserAction::kTick). Returns false for a closed dialog.
bool set_timer(void* dialog, int id, unsigned milliseconds);
bool kill_timer(void* dialog, int id);
bool timer_running(void* dialog, int id);
// One tick of a running timer, outside any user script (for a modeless dialog the
// host keeps open). Returns false when the timer is not running.
bool fire_timer(void* dialog, int id);

// ---- texts -------------------------------------------------------------------------

// Texts of message identifiers (button labels, tool tips, warnings): from the
// string table by default, "#<id>" when it has none.
using TextLoader = std::string (*)(int id);
// Installs loader (null restores the default).
void set_dialog_text_loader(TextLoader loader);
std::string dialog_text(int id);

// ---- accounting and injected failures -------------------------------------------------

struct BufferAccounting {
  int reservations = 0;       // successful AllocTmpBuffers calls
  int refused = 0;            // AllocTmpBuffers calls that failed
  int purges = 0;             // PurgeTmpBuffers calls that released a reservation
  int unbalanced_purges = 0;  // PurgeTmpBuffers calls with nothing reserved
  int held = 0;               // buffers reserved now
  int depth = 0;              // reservations not yet purged
};
const BufferAccounting& buffer_accounting();

// The next AllocTmpBuffers fails.
void fail_next_buffer_reservation();
// The n-th building call from now (MakeMainUnit, MakeModlessHeader or a control
// call; 1 is the next) fails; 0 cancels an injection.
void fail_construction_call(int n);

// Closes every dialog (without callbacks), drops every layout, menu, image
// list and reservation, clears the log, the accounting and the injected failures,
// and restores the default text loader and icon catalogue. For tests, between
// dialogs: called while a dialog runs it does nothing.
void reset_dialog_engine();

DialogLog& dialog_log();

}  // namespace dlist
