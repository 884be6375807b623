// Menus over the engine's Menu entries; commands are looked up through submenus.
#include "host/dialog/menu.h"

#include <algorithm>

#include "host/dialog/engine_internal.h"

namespace dlist::dialog_internal {

Menu* Engine::menu(const void* handle) {
  auto it = menus.find(to_key(handle));
  return it != menus.end() ? &it->second : nullptr;
}

void Engine::destroy_menu(Key key) {
  auto it = menus.find(key);
  if (it == menus.end()) return;
  std::vector<Key> submenus;
  for (const MenuEntry& e : it->second.entries) {
    if (e.submenu != 0) submenus.push_back(e.submenu);
  }
  menus.erase(it);
  for (Key sub : submenus) destroy_menu(sub);
}

}  // namespace dlist::dialog_internal

namespace dlist {

namespace {

using dialog_internal::engine;
using dialog_internal::Key;
using dialog_internal::Menu;
using dialog_internal::MenuEntry;

// Command id in menu or its submenus; null when none.
MenuEntry* find_command(Menu* menu, int id, int depth = 0) {
  if (menu == nullptr || depth > 16) return nullptr;
  for (MenuEntry& e : menu->entries) {
    if (e.separator) continue;
    if (e.submenu != 0) {
      if (MenuEntry* found =
              find_command(engine().menu(dialog_internal::to_handle(e.submenu)), id, depth + 1)) {
        return found;
      }
    } else if (e.id == id) {
      return &e;
    }
  }
  return nullptr;
}

void enabled_commands(Menu* menu, std::vector<int>& out, int depth = 0) {
  if (menu == nullptr || depth > 16) return;
  for (const MenuEntry& e : menu->entries) {
    if (e.separator || !e.enabled) continue;
    if (e.submenu != 0) {
      enabled_commands(engine().menu(dialog_internal::to_handle(e.submenu)), out, depth + 1);
    } else {
      out.push_back(e.id);
    }
  }
}

}  // namespace

void* menu_create() {
  const Key key = engine().new_key();
  engine().menus[key] = Menu();
  return dialog_internal::to_handle(key);
}

bool menu_append(void* menu, int id, const char* text) {
  Menu* m = engine().menu(menu);
  if (m == nullptr) return false;
  MenuEntry e;
  e.id = id;
  e.text = text != nullptr ? text : "";
  m->entries.push_back(std::move(e));
  return true;
}

bool menu_append_separator(void* menu) {
  Menu* m = engine().menu(menu);
  if (m == nullptr) return false;
  MenuEntry e;
  e.separator = true;
  m->entries.push_back(std::move(e));
  return true;
}

bool menu_append_popup(void* menu, void* submenu, const char* text) {
  Menu* m = engine().menu(menu);
  if (m == nullptr || submenu == menu || engine().menu(submenu) == nullptr) return false;
  MenuEntry e;
  e.submenu = dialog_internal::to_key(submenu);
  e.text = text != nullptr ? text : "";
  m->entries.push_back(std::move(e));
  return true;
}

bool menu_destroy(void* menu) {
  Menu* m = engine().menu(menu);
  if (m == nullptr || m->owner != 0) return false;
  engine().destroy_menu(dialog_internal::to_key(menu));
  return true;
}

int menu_enable(void* menu, int id, bool enable) {
  MenuEntry* e = find_command(engine().menu(menu), id);
  if (e == nullptr) return -1;
  const int before = e->enabled ? 1 : 0;
  e->enabled = enable;
  return before;
}

int menu_check(void* menu, int id, bool check) {
  MenuEntry* e = find_command(engine().menu(menu), id);
  if (e == nullptr) return -1;
  const int before = e->checked ? 1 : 0;
  e->checked = check;
  return before;
}

int menu_is_enabled(void* menu, int id) {
  MenuEntry* e = find_command(engine().menu(menu), id);
  return e == nullptr ? -1 : (e->enabled ? 1 : 0);
}

int menu_is_checked(void* menu, int id) {
  MenuEntry* e = find_command(engine().menu(menu), id);
  return e == nullptr ? -1 : (e->checked ? 1 : 0);
}

bool menu_set_text(void* menu, int id, const char* text) {
  MenuEntry* e = find_command(engine().menu(menu), id);
  if (e == nullptr) return false;
  e->text = text != nullptr ? text : "";
  return true;
}

std::string menu_text(void* menu, int id) {
  MenuEntry* e = find_command(engine().menu(menu), id);
  return e != nullptr ? e->text : std::string();
}

int menu_item_count(void* menu) {
  Menu* m = engine().menu(menu);
  return m != nullptr ? static_cast<int>(m->entries.size()) : 0;
}

bool dialog_set_menu(void* dialog, void* menu) {
  dialog_internal::Dialog* d = engine().dialog(dialog);
  Menu* m = engine().menu(menu);
  if (d == nullptr ||
      (menu != nullptr && (m == nullptr || (m->owner != 0 && m->owner != d->key)))) {
    return false;
  }
  if (d->menu != 0 && d->menu != dialog_internal::to_key(menu)) engine().destroy_menu(d->menu);
  d->menu = dialog_internal::to_key(menu);
  if (m != nullptr) m->owner = d->key;
  return true;
}

void* dialog_menu(void* dialog) {
  dialog_internal::Dialog* d = engine().dialog(dialog);
  return d != nullptr && engine().menu(dialog_internal::to_handle(d->menu)) != nullptr
             ? dialog_internal::to_handle(d->menu)
             : nullptr;
}

int menu_track(void* menu, void* dialog, bool post) {
  Menu* m = engine().menu(menu);
  dialog_internal::Dialog* d = engine().dialog(dialog);
  if (m == nullptr || d == nullptr || !d->open()) return 0;
  std::vector<int> commands;
  enabled_commands(m, commands);
  const std::optional<int> choice =
      active_dialog_user().choose_from_menu(engine().info(d), commands);
  if (!choice || std::find(commands.begin(), commands.end(), *choice) == commands.end()) return 0;
  d = engine().dialog(dialog);  // the user may not close it, but look again all the same
  if (post && d != nullptr) engine().post(d, *choice);
  return *choice;
}

}  // namespace dlist
