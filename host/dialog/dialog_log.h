// What the dialog engine records while dialogs run: every message box with its
// answer, every warning of the framework, every file chooser, every dialog run
// with its result, and every user action that the engine refused (a disabled or
// hidden control, an item that does not exist). Tests assert on these; the command
// line prints them. Failure reports (SpecBeep, WarningId, ErrorId, DiagnosticOut)
// are kept in the report log of host/report.h, not here.
#pragma once

#include <string>
#include <vector>

namespace dlist {

struct MessageBoxRecord {
  int context = 0;  // context identifier of the innermost running dialog, 0 for none
  std::string text;
  std::string caption;
  unsigned flags = 0;      // kMb* buttons and icon
  int answer = 0;          // kIdOk, kIdCancel, kIdYes or kIdNo
  bool defaulted = false;  // the user gave no usable answer; the engine chose No, Cancel or OK
};

struct WarningRecord {
  int context = 0;
  int control = 0;  // the control warned about; 0 when the warning names a message
  int message = 0;  // the message identifier shown, 0 for a control's own warning
  std::string text;
};

struct FileChooserRecord {
  int context = 0;
  std::string chooser;  // the framework call: "SelectFileR", "SaveFile", ...
  std::string title;
  std::string filter;
  std::string initial;  // what the path buffer held on entry
  int setting = 0;      // the host setting named by the call, 0 when none
  std::string path;     // what was chosen; empty when nothing was
  int result = 0;       // what the call returned
  std::string note;     // why nothing was chosen, when the user gave no usable answer
  int template_id = 0;  // GetOpenFileNameA: the child template of the library
};

struct DialogRunRecord {
  int context = 0;
  std::string title;
  bool modeless = false;
  bool shown = false;  // false when the init procedure refused to open the dialog
  bool accepted = false;
  bool ran_out = false;  // cancelled because the user had no more actions
  bool forced = false;   // ... and closed although the cancel procedure refused
  int actions = 0;       // user actions applied
};

struct RefusalRecord {
  int context = 0;
  std::string action;  // the action as the user script states it
  std::string reason;
};

struct DialogLog {
  std::vector<MessageBoxRecord> message_boxes;
  std::vector<WarningRecord> warnings;
  std::vector<FileChooserRecord> file_choosers;
  std::vector<DialogRunRecord> runs;
  std::vector<RefusalRecord> refusals;
  std::vector<std::string> notes;  // misuse of the framework by the program (stale handles, ...)

  void clear() { *this = DialogLog(); }
};

}  // namespace dlist
