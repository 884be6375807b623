// The dialogs in which one value of an attribute is entered: the formula dialog
// with its keypad, undo and the lists of functions and parameters, the text dialog
// with the call of the text library, and the file reference dialog on the system's
// open-file dialog. The attribute editor opens them to add or change a reference;
// the attribute link panel opens them in link mode, where they also list the
// attribute's references for the user to pick one instead of entering a value.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace dlist {

struct ValueRequest {
  // In: how the dialog opens.
  bool changing = false;   // change a reference (its name is kept), else add one
  bool link_mode = false;  // from the link panel: no name; the references to pick from
  std::string title;       // the title; the file dialog of a change appends "  -  " and the name
  uint32_t kinds = 0;      // the attribute's element kinds: the parameters offered
  std::string own_abbrev;  // the attribute's abbreviation: not offered as a parameter
  // Link mode: the attribute's references (name, value as shown).
  std::vector<std::pair<std::string, std::string>> references;
  // Whether a name is taken by another reference of the list (names are refused
  // when empty or taken); null when any name will do.
  std::function<bool(const std::string&)> name_taken;

  // In and out: the reference.
  std::string name;
  std::string value;  // formula, text, or a file's path (a held file: its file name)
  uint8_t flags = 0;  // file references: kRefHeld when the content is to be held

  // Out, link mode: the reference picked (index into references), -1 when the user
  // entered a value.
  int picked = -1;
};

// Each runs its dialog over *request; true when the user accepted it (request then
// holds the result), false when cancelled or when the dialog could not be built.
bool run_formula_dialog(void* parent, ValueRequest* request);
bool run_text_dialog(void* parent, ValueRequest* request);
// The file reference dialog: template 799 to add (name, hold check box), 788 to
// change (hold check box), 780 in link mode (hold check box, the references). It
// starts in the folder and with the name of the current file when it exists, for a
// new reference from the last file chosen (host setting 256); the path chosen is
// kept there. flags gets kRefHeld from the check box.
bool run_file_dialog(void* parent, ValueRequest* request);

// The texts the keypad of the formula dialog inserts, by button.
const char* keypad_text(int button);

}  // namespace dlist
