// The dialog framework's calls under the suite's names: reserving the temporary
// buffers, describing a dialog (header, controls by numeric identifier, bound value
// buffers, limits, callbacks), running it modally or modelessly, validating input
// and marking the offending control, enabling, showing and focusing controls.
//
// Building follows one order: AllocTmpBuffers, MakeMainUnit (or MakeModlessHeader),
// the control calls, the SetInpCont_* and Set*Proc calls, RunModalDialog (or
// RunModlessDialog), and PurgeTmpBuffers on every way out after the reservation.
// The control, SetInpCont_* and Set*Proc calls apply to the "current" dialog: the
// layout being built, or else the dialog whose callback is running (the
// innermost one when callbacks nest). A layout that is never run is dropped
// when the reservation it was built under is purged.
//
// Bound buffers are read when the dialog starts and written back when it is
// accepted, never when it is cancelled; while it runs, the callbacks read the
// controls (GetInpCont_*, dlist::control_text). Every building call returns 0 (or
// null) on failure; tests inject failures through dlist::fail_construction_call.
#pragma once

#include <cstdint>

#include "dlist/api.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/owner_draw.h"

namespace dlist {

// Callbacks; each gets the dialog first.
// Init: non-zero opens the dialog; 0 ends it at once, not accepted.
using InitProc = int(DLIST_CALL*)(void* dialog);
// Action on a control with a notification code (notify_codes.h); the details of
// the notification are in dlist::notification(). The result matters only where a
// code says so (expanding, label editing, tab changing).
using ActionProc = int(DLIST_CALL*)(void* dialog, int control, int code);
// Enter in control: non-zero when handled; 0 lets Enter press the accepting button.
using EnterProc = int(DLIST_CALL*)(void* dialog, int control);
// Timer tick; the result is ignored.
using TimerProc = int(DLIST_CALL*)(void* dialog, int timer);
// Accept (button 9999): non-zero closes the dialog as accepted.
using OkProc = int(DLIST_CALL*)(void* dialog);
// Cancel (button 2, closing the window): non-zero lets the dialog close.
using CancelProc = int(DLIST_CALL*)(void* dialog);

}  // namespace dlist

// ---- temporary buffers ---------------------------------------------------------------

// Reserves n temporary buffers (1 to 1024) for the dialog about to be built.
// Returns non-zero on success; reservations nest, each purge releases the last one.
DLIST_API int AllocTmpBuffers(int n);
// Releases the last reservation and drops layouts built under it and never run.
DLIST_API void PurgeTmpBuffers();

// ---- laying out a dialog ----------------------------------------------------------------

// Opens the layout of a modal dialog: its parent window, title, unit name and
// size. Returns the dialog's handle, null on failure or when no buffers are reserved.
DLIST_API void* MakeMainUnit(void* parent, const char* title, const char* unit, int width,
                             int height);
// As MakeMainUnit, for a dialog run with RunModlessDialog.
DLIST_API void* MakeModlessHeader(void* parent, const char* title, const char* unit, int width,
                                  int height);

// A control of any window class: "Edit", "Static", "Button" (a check box with
// kBsCheckBox or kBsRadioButton in the style, else a push button), "ComboBox",
// "SysTreeView32", "SysListView32", "SysTabControl32"; any other class gives a
// plain window. Each control call returns non-zero on success; an identifier
// already used in the dialog is refused.
DLIST_API int Item(const char* text, int id, const char* window_class, unsigned style, int x, int y,
                   int cx, int cy);
DLIST_API int StaticText(int id, const char* text, int x, int y, int cx, int cy);
// style: kEsMultiline, kEsReadOnly.
DLIST_API int TextEditInput(int id, int x, int y, int cx, int cy, unsigned style = 0);
DLIST_API int IntegerInput(int id, int x, int y, int cx, int cy);
DLIST_API int DoubleInput(int id, int x, int y, int cx, int cy);
DLIST_API int CheckBoxInput(int id, const char* text, int x, int y, int cx, int cy);
// style: kCbsDropDownList for a combo whose text cannot be typed.
DLIST_API int ComboInput(int id, int x, int y, int cx, int cy, unsigned style = 0);
DLIST_API int TreeViewInput(int id, int x, int y, int cx, int cy, unsigned style = 0);
// style: kLvsOwnerDrawFixed for owner-drawn rows (with SetInpCont_DrawProc).
DLIST_API int ListViewInputA(int id, int x, int y, int cx, int cy, unsigned style = 0);
// A drag bar (splitter).
DLIST_API int DragingInput(int id, int x, int y, int cx, int cy);
// A push button labelled with message text_id; 9999 accepts, 2 cancels.
DLIST_API int CommandButton(int id, int text_id, int x, int y, int cx, int cy);

// ---- control data (current dialog) -----------------------------------------------------

// Binds control id to the caller's value buffer: a text of size bytes (terminator
// included), an integer, a double or a flag. Edit fields and combos take texts and
// numbers, check boxes flags and integers, combos also an integer (the chosen item).
DLIST_API int SetInpCont_Addres(int id, char* text, unsigned size);
DLIST_API int SetInpCont_Addres(int id, int* value);
DLIST_API int SetInpCont_Addres(int id, long* value);
DLIST_API int SetInpCont_Addres(int id, double* value);
DLIST_API int SetInpCont_Addres(int id, bool* value);
// The bound buffer, null when none.
DLIST_API void* GetInpCont_Addres(int id);

// The control's value as a number: the text of an edit or numeric field, the state
// of a check box, the chosen item of a combo, the current tab.
DLIST_API int SetInpCont_Integer(int id, long value);
DLIST_API long GetInpCont_Integer(int id);  // 0 when the text is no integer
DLIST_API int SetInpCont_Double(int id, double value);
DLIST_API double GetInpCont_Double(int id);  // 0.0 when the text is no number

// Limits checked by InputChecking: for a text the length range, for an integer the
// value range (MinMaxN); for a double the value range and the decimals shown (MinMaxD).
DLIST_API int SetInpCont_MinMaxN(int id, long min, long max);
DLIST_API int GetInpCont_MinMaxN(int id, long* min, long* max);
DLIST_API int SetInpCont_MinMaxD(int id, double min, double max, int decimals = -1);
DLIST_API int GetInpCont_MinMaxD(int id, double* min, double* max);

// A value the program keeps with a control (an identifier, a record).
DLIST_API int SetInpCont_Extern(int id, intptr_t value);
DLIST_API intptr_t GetInpCont_Extern(int id);
// The tool tip of the control: message text_id.
DLIST_API int SetInpCont_ToolTip(int id, int text_id);
DLIST_API int GetInpCont_ToolTip(int id);
// The bitmap a button shows, by its image name ("add", "attmode1", ...); an empty
// name or null shows its text again. 0 when the current dialog has no control id.
DLIST_API int SetInpCont_Bitmap(int id, const char* name);
// Owner drawing of a list (owner_draw.h).
DLIST_API int SetInpCont_DrawProc(int id, dlist::DrawProc proc);
DLIST_API dlist::DrawProc GetInpCont_DrawProc(int id);
DLIST_API int SetInpCont_MeasureProc(int id, dlist::MeasureProc proc);
DLIST_API dlist::MeasureProc GetInpCont_MeasureProc(int id);

// ---- callbacks (current dialog) ---------------------------------------------------------

DLIST_API int SetDlgInitProc(dlist::InitProc proc);
DLIST_API int SetAllInputProc(dlist::ActionProc proc);
DLIST_API int SetKeyEnterProc(dlist::EnterProc proc);
DLIST_API int SetDlgTimerProc(dlist::TimerProc proc);
DLIST_API int SetIDC_OKProc(dlist::OkProc proc);
DLIST_API int SetCancelProc(dlist::CancelProc proc);

// ---- running ------------------------------------------------------------------------

// Runs the layout being built as a modal dialog with the given context
// identifier until the user accepts or cancels it. Returns 1 when accepted, 0
// otherwise (also when nothing was built or the init procedure refused).
DLIST_API int RunModalDialog(void* parent, int reserved, int context, int flags);
// Starts the layout being built as a modeless dialog and returns its handle
// (null when nothing was built or the init procedure refused). The dialog stays
// open until the user closes it or dlist::destroy_dialog; dlist::drive_dialog lets
// the active user act in it.
DLIST_API void* RunModlessDialog(void* parent, int context);

// ---- validation -----------------------------------------------------------------------

// Checks control (0: every enabled, visible, writable control) against its limits
// and its bound buffer's size. Returns non-zero when all pass; otherwise the first
// failing control becomes the error control and is marked.
DLIST_API int InputChecking(void* dialog, int control);
// Shows the framework's warning for control (0: the error control) and focuses it;
// an identifier that is no control of the dialog is shown as message text.
DLIST_API void WarningProc(void* dialog, int control);
// Names the control that a later warning refers to and marks it in the dialog
// whose callback runs.
DLIST_API void SetErrorId(int control);
DLIST_API int GetErrorId();

// ---- controls of a running dialog -------------------------------------------------------

// The window of control id, null when the dialog has none. The typed control calls
// (tree_view.h, list_view.h, ...) take it.
DLIST_API void* GetControlHWND(void* dialog, int id);
// Enables (non-zero) or disables control id. Returns non-zero when the control exists.
DLIST_API int SetInputActivitet(void* dialog, int id, int enable);
// Shows (non-zero) or hides control id. Returns non-zero when the control exists.
DLIST_API int ShowDlgInput(void* dialog, int id, int show);

// Inserts an item into tree below parent after the given item (kTviFirst,
// kTviLast, kTviSort or a sibling) with the image also as the selected image.
DLIST_API _TREEITEM* AddTreeViewItem(_TREEITEM* parent, const char* text, _TREEITEM* after,
                                     int image, void* tree, intptr_t param);

#if !defined(_WIN32)
// Focus, under the window system's names: the control given the focus (the previous
// focus is returned, null when control is no enabled, visible control), the
// control that has it in the innermost running dialog, and a control's identifier.
DLIST_API void* SetFocus(void* control);
DLIST_API void* GetFocus();
DLIST_API int GetDlgCtrlID(void* control);
#endif
