// The parts of the window system that dialogs use beside their controls, headless:
// window classes with their window procedures, the messages sent to a window of
// such a class, the mouse capture, the pointer position, timers of plain windows,
// the drag image of an image-list drag, the cursor shown during a drag, the
// colour depth for image lists and the cutting of long captions.
//
// Positions are screen pixels; a dialog's client area starts at the screen's
// origin, so a control's position in its dialog is its screen position. Tree view
// rows are kTreeRowHeight pixels high, counted from the first visible item.
//
// What a test needs to see on every path is recorded in the dialog log's window
// events (dialog_log.h): "register <class>", "unregister <class>", "capture <id>",
// "release capture", "begin drag", "end drag", "cursor <shape>".
//
// During a scripted drag (UserAction::kDrag) the engine moves the pointer: when the
// dialog took the drag up by capturing the mouse, the capturing window receives
// kWmMouseMove at the drop point, one kWmTimer per tick of each of its running
// timers, then kWmLButtonUp while it still holds the capture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "host/cursor.h"
#include "host/dialog/notify_codes.h"

namespace dlist {

// Window messages, with the window system's values.
inline constexpr unsigned kWmNotify = 0x004E;
inline constexpr unsigned kWmTimer = 0x0113;
inline constexpr unsigned kWmMouseMove = 0x0200;
inline constexpr unsigned kWmLButtonUp = 0x0202;
// wparam of the mouse messages: Shift is held.
inline constexpr unsigned kMkShift = 0x0004;

// The notification codes with which a drag adapter passes the mouse to its dialog
// (the values of kWmMouseMove and kWmLButtonUp), and the engine's own code for a
// drag that left the tree and ends without effect.
inline constexpr int kDragMouseMove = 512;
inline constexpr int kDragButtonUp = 514;
inline constexpr int kDragLeft = -4003;

inline constexpr int kTreeRowHeight = 16;

struct ScreenPoint {
  int x = 0;
  int y = 0;
};

struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool contains(ScreenPoint p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
};

// The window procedure of a class; its result goes back to the sender.
using WindowProc = long(DLIST_CALL*)(void* window, unsigned message, unsigned wparam, long lparam);

// Registers class name with its procedure. False for an empty name, a null
// procedure or a name registered already (nothing is recorded then).
bool register_window_class(const char* name, WindowProc proc);
// False when name is not registered.
bool unregister_window_class(const char* name);
bool window_class_registered(const char* name);

// Sends message to the procedure of window's class (a control of an open dialog
// made with that class name) and returns its result; 0, with a note in the log,
// when the window is unknown or its class is not registered.
long send_window_message(void* window, unsigned message, unsigned wparam, long lparam);
// What a window procedure answers to a message it does not handle.
long default_window_proc(void* window, unsigned message, unsigned wparam, long lparam);

// Packs and unpacks a point as the mouse messages carry it.
long pack_point(ScreenPoint p);
ScreenPoint unpack_point(long lparam);

// The dialog a control window belongs to; null when none.
void* window_dialog(void* window);
// The control's rectangle; false for a window that is no control of an open dialog.
bool window_rect(void* window, ScreenRect* rect);

// The mouse capture: window receives the mouse until it is released. Returns the
// window that held it before. Capturing null releases it.
void* set_capture(void* window);
bool release_capture();  // false when nothing held the capture
void* capture_window();  // null when none

ScreenPoint cursor_pos();
void set_cursor_pos(ScreenPoint p);

// Shows shape (the arrow, the drop cursor or the no-drop cursor) while no wait
// cursor is shown; returns the previous one.
CursorShape set_cursor(CursorShape shape);

// Timers of a plain window (a drag adapter): their ticks reach its procedure as
// kWmTimer with the timer's identifier in wparam.
bool window_set_timer(void* window, int id, unsigned milliseconds);
bool window_kill_timer(void* window, int id);
bool window_timer_running(void* window, int id);
std::vector<int> window_timers(void* window);

// Delivers a notification from control to the action procedure of dialog, as
// WM_NOTIFY would (item and target as in dlist::Notification). The procedure's
// result; 0 when dialog is not open.
int notify_dialog(void* dialog, int control, int code, _TREEITEM* item = nullptr,
                  _TREEITEM* target = nullptr, bool shift = false);

// The image-list drag: an image of list follows the pointer until the drag ends.
// Only one drag runs at a time; a second begin is refused.
bool image_list_begin_drag(void* list, int index, int hotspot_x, int hotspot_y);
bool image_list_drag_move(int x, int y);
bool image_list_end_drag();
bool image_list_dragging();
ScreenPoint image_list_drag_position();

// The colour depth of the screen as image lists take it (ILC_COLOR24).
inline constexpr int kIlcColor24 = 0x18;

// Forgets every class, timer, capture and drag (the engine's reset calls it).
void reset_window_system();

}  // namespace dlist

// The framework's helpers under the suite's names.
// The colour flags for image lists that match the screen.
DLIST_API int GetColorSystem();
// Shortens caption in place to what a caption width pixels wide shows, ending in
// "..." when cut. Returns caption (null stays null).
DLIST_API char* CutDlgCaption(char* caption, int width);

#if !defined(_WIN32)
// The image-list drag under the common controls' names.
DLIST_API int ImageList_BeginDrag(void* list, int index, int hotspot_x, int hotspot_y);
DLIST_API int ImageList_DragMove(int x, int y);
DLIST_API void ImageList_EndDrag();
#endif

namespace dlist {

// ---- tree views by position ------------------------------------------------------------

// The item of tree shown at screen point p; null outside the tree or below its
// last row.
_TREEITEM* tree_hit_test_at(void* tree, ScreenPoint p);
// The centre of item's row; false when the item is not shown in the tree's window
// (inside a collapsed item, or scrolled out of view).
bool tree_item_point(void* tree, _TREEITEM* item, ScreenPoint* p);
// Scrolls the tree so that item is shown (expanding its ancestors); true when it is.
bool tree_scroll_to(void* tree, _TREEITEM* item);
// The children of item (null or kTviRoot: the top items) in order, in one step.
std::vector<_TREEITEM*> tree_children(void* tree, _TREEITEM* item);
// A new image list of one image, item's image, to drag it with; null for no item.
// The caller destroys it.
void* tree_create_drag_image(void* tree, _TREEITEM* item);

}  // namespace dlist
