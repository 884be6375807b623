// ORB::MsgHandler, the base library's message handler, as far as its inline members
// reach: the indentation level, the log-to-file and log-to-window switches and the
// second protection flag. The rest of the handler is the base library's.
#pragma once

namespace ORB {

class MsgHandler {
 public:
  MsgHandler() = default;
  MsgHandler(unsigned short indent, bool log_file, bool log_window, int protect2)
      : indent_(indent), log_file_(log_file), log_window_(log_window), protect2_(protect2) {}

  // The indentation level of logged messages.
  unsigned short Indent() const { return indent_; }
  // The second protection flag.
  int Protect2() const { return protect2_; }

  // Set the switch; return the value set.
  bool LogFile(bool on) { return log_file_ = on; }
  bool LogWindow(bool on) { return log_window_ = on; }
  // Invert the switch; return its new value.
  bool LogFile() { return log_file_ = !log_file_; }
  bool LogWindow() { return log_window_ = !log_window_; }

 private:
  unsigned short indent_ = 0;  // indentation level
  bool log_file_ = false;      // log to the log file
  bool log_window_ = false;    // log to the message window
  int protect2_ = 0;           // second protection flag
};

}  // namespace ORB
