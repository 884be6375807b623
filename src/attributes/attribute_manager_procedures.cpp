// The attribute manager's procedures on the library, shared by its dialog and the
// command line.
#include "attributes/attribute_manager_procedures.h"

#include <cstring>

#include "attributes/attribute_exchange.h"
#include "foundation/fixed_text.h"
#include "host/database_task.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/model/attribute_store.h"
#include "host/model/element_parameters.h"
#include "host/model/model_database.h"
#include "host/resources.h"

namespace dlist {
namespace {

constexpr unsigned kMsgNameUsed = 11856;
constexpr unsigned kMsgDelete = 21700;
constexpr unsigned kCaptionUsed = 20386;
constexpr unsigned kMsgUsed = 20387;
constexpr std::size_t kNameLimit = 31;

void name_used(void* owner, const char* name) {
  MessageBoxA(owner, load_string(kMsgNameUsed).c_str(), name, kMbOk | kMbIconExclamation);
}

bool name_fits(const char* name) {
  if (name == nullptr) return false;
  const std::size_t n = std::strlen(name);
  return n >= 1 && n <= kNameLimit;
}

}  // namespace

bool attribute_entry_info(long id, AttributeEntryInfo* info) {
  DBATTRIBUTENODETYPE node;
  long parent = 0;
  if (id <= 0 || ATTRIBUTES().get_id_node(id, &node, &parent) != id) return false;
  if (info != nullptr) {
    info->id = id;
    info->parent = parent;
    info->kind = node.kind;
    info->name = field_string(node.name);
  }
  return true;
}

bool attribute_entry_protected(long id) {
  AttributeEntryInfo e;
  if (!attribute_entry_info(id, &e)) return false;
  if (e.kind == 0 || e.parent == 0) return true;
  return e.group() && predefined_name_code(e.name.c_str()) != 0;
}

long attribute_group_of(long id) {
  AttributeEntryInfo e;
  if (!attribute_entry_info(id, &e)) return 0;
  return e.group() ? e.id : e.parent;
}

bool attribute_name_taken(long group, const char* name, bool as_group, long except) {
  ATTRIBUTES store;
  if (name == nullptr || store.rew_node(group) != group) return false;
  DBATTRIBUTENODETYPE child;
  for (long id; (id = store.get_node(&child)) > 0;) {
    if (id == except || child.is_group() != as_group) continue;
    if (field_text(child.name) == std::string_view(name)) return true;
  }
  return false;
}

long create_attribute_group(void* owner, long given, const char* name) {
  if (!name_fits(name)) return 0;
  const long parent = attribute_group_of(given);
  if (parent <= 0) return 0;
  if (attribute_name_taken(parent, name, true)) {
    name_used(owner, name);
    return 0;
  }
  DBATTRIBUTENODETYPE node;
  node.set_name(name);
  const long created = ATTRIBUTES().cre_node(parent, &node);
  if (created == ATTRIBUTES::kNameTaken) name_used(owner, name);
  return created > 0 ? created : 0;
}

int rename_attribute_entry(void* owner, long id, const char* name) {
  AttributeEntryInfo e;
  if (!name_fits(name) || !attribute_entry_info(id, &e) || attribute_entry_protected(id)) return 0;
  if (e.name == name) return 1;
  if (attribute_name_taken(e.parent, name, e.group(), id)) {
    name_used(owner, name);
    return 0;
  }
  DBATTRIBUTENODETYPE node;
  node.kind = e.kind;
  node.set_name(name);
  return ATTRIBUTES().mod_node(id, &node) != 0 ? 1 : 0;
}

RemoveResult remove_attribute_entry(void* owner, long id) {
  AttributeEntryInfo e;
  if (!attribute_entry_info(id, &e)) return RemoveResult::kFailed;
  if (attribute_entry_protected(id)) return RemoveResult::kProtected;
  ATTRIBUTES store;
  const bool used = store.is_deleteable_node(id) == 0;
  const int answer =
      used ? MessageBoxA(owner, load_string(kMsgUsed).c_str(), load_string(kCaptionUsed).c_str(),
                         kMbYesNo | kMbIconQuestion)
           : MessageBoxA(owner, load_string(kMsgDelete).c_str(), e.name.c_str(),
                         kMbYesNo | kMbIconExclamation);
  if (answer != kIdYes) return RemoveResult::kDeclined;
  // The uses and the entry go together, or neither does.
  TaskTransaction change(active_model());
  if (!change) return RemoveResult::kFailed;
  if (used && store.del_palrefs(id) == 0) return RemoveResult::kFailed;
  if (store.del_node(id, 1) == 0) return RemoveResult::kFailed;
  if (!change.commit()) return RemoveResult::kFailed;
  InvalidateProjectAttributes();
  return RemoveResult::kRemoved;
}

bool attribute_drop_allowed(long dragged, long target) {
  AttributeEntryInfo d, t;
  if (dragged == target || !attribute_entry_info(dragged, &d) || !attribute_entry_info(target, &t))
    return false;
  if (attribute_entry_protected(dragged)) return false;
  if (target == d.parent) return false;
  return t.parent != d.parent || t.group();
}

int move_attribute_entry(long dragged, long* target) {
  if (target == nullptr || !attribute_drop_allowed(dragged, *target)) return 0;
  long moved = dragged;
  long onto = *target;
  const int result = ATTRIBUTES().move_node(&moved, &onto);
  if (result > 0) *target = onto;
  return result > 0 ? result : 0;
}

}  // namespace dlist
