// Menus: a dialog's menu bar and context menus, made of commands (an identifier, a
// text, enabled and checked states), separators and submenus. When the user
// chooses an enabled command of the dialog's menu, the action procedure receives
// (command, kBnClicked); a context menu is opened with menu_track, which asks the
// user at once and returns the command chosen.
#pragma once

#include <string>

namespace dlist {

void* menu_create();
// Appends command id with text; enabled and unchecked.
bool menu_append(void* menu, int id, const char* text);
bool menu_append_separator(void* menu);
// Appends submenu under text; the submenu is destroyed with its menu.
bool menu_append_popup(void* menu, void* submenu, const char* text);
// Destroys a menu not attached to a dialog (a dialog's menu goes with the dialog).
bool menu_destroy(void* menu);

// Changes command id wherever it is in the menu or its submenus. Return the
// previous state: 1 or 0, -1 when the menu has no such command.
int menu_enable(void* menu, int id, bool enable);
int menu_check(void* menu, int id, bool check);
int menu_is_enabled(void* menu, int id);
int menu_is_checked(void* menu, int id);
bool menu_set_text(void* menu, int id, const char* text);
std::string menu_text(void* menu, int id);  // "" when none
int menu_item_count(void* menu);            // entries of the menu itself, separators included

// Makes menu the menu bar of dialog (null removes it); the dialog owns it then.
bool dialog_set_menu(void* dialog, void* menu);
void* dialog_menu(void* dialog);

// Opens menu as a context menu of dialog: the user chooses an enabled command or
// dismisses it. Returns the command, 0 when dismissed. With post the command is
// also posted to the dialog (as a choice from a menu bar would be).
int menu_track(void* menu, void* dialog, bool post = false);

}  // namespace dlist
