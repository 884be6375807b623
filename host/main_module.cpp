// The main module's list generation entry: one process-wide handler.
#include "host/main_module.h"

#include <utility>

#include "host/generator/list_generator.h"
#include "host/report.h"

namespace dlist {
namespace {

DoListHandler& do_list_handler() {
  static DoListHandler handler;
  return handler;
}

}  // namespace

DoListHandler set_do_list_handler(DoListHandler handler) {
  DoListHandler previous = std::move(do_list_handler());
  do_list_handler() = std::move(handler);
  return previous;
}

}  // namespace dlist

int DLIST_CALL CallDoList(const char* ini, const char* name, DL_LISTSPEC_LIST* set) {
  if (ini == nullptr || set == nullptr) return 0;
  const dlist::DoListHandler& handler = dlist::do_list_handler();
  const std::string list_name = name == nullptr ? std::string() : std::string(name);
  if (!handler) return dlist::generator::generate_for_main_module(ini, list_name, *set);
  return handler(ini, list_name, *set);
}
