// Removing library records with the user's confirmation, purging a whole library,
// copying the prices of one material onto another, the display names of materials
// and units, and the small look-ups of the library's files and settings.

#include "materials/material_library.h"

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

#include "host/database_task.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/list/list_context.h"
#include "host/platform.h"
#include "host/resources.h"
#include "materials/material_library_internal.h"

namespace dlist {
namespace {

// Asks message with Yes and No under caption; false when the user answers No.
bool user_agrees(void* window, unsigned message, std::string_view caption) {
  char text[kMessageSize];
  LoadStr(nullptr, message, text, sizeof text);
  const std::string title(caption);
  return MessageBoxA(window, text, title.c_str(), kMbYesNo | kMbIconExclamation) != kIdNo;
}

// The name a question shows as its caption: the cursor's record, or the stored one
// when the cursor holds none.
template <class Cursor>
std::string caption_of(Cursor& cursor) {
  std::string caption(field_text(cursor.data.name));
  if (caption.empty() && cursor.task() != nullptr && cursor.elemid() > 0) {
    decltype(cursor.data) stored{};
    long found = 0;
    if constexpr (std::is_same_v<decltype(cursor.data), dbmaterial>) {
      found = cursor.task()->get(cursor.elemid(), stored, nullptr);
    } else {
      found = cursor.task()->get(cursor.elemid(), stored);
    }
    if (found > 0) caption = field_text(stored.name);
  }
  return caption;
}

// The identifiers of every market / subprice, in walk order.
std::vector<long> market_ids(LISTCONTEXT* library) {
  std::vector<long> ids;
  if (library->rewind_market() < 0) return ids;
  dbmarket record{};
  for (long id = library->get(record); id > 0; id = library->get(record)) ids.push_back(id);
  return ids;
}

std::vector<long> subprice_ids(LISTCONTEXT* library) {
  std::vector<long> ids;
  if (library->rewind_subprice() < 0) return ids;
  dbsubprice record{};
  for (long id = library->get(record); id > 0; id = library->get(record)) ids.push_back(id);
  return ids;
}

}  // namespace

std::string linked_unit_label(const dbunit& unit) {
  std::string label = is_basic_factor(unit.factor) ? "*" : "";
  label += field_text(unit.name);
  label += " ( ";
  label += field_text(unit.abbrev);
  label += " )";
  return label;
}

}  // namespace dlist

using dlist::copy_cut;
using dlist::field_text;
using dlist::ReadLock;
using dlist::WriteLock;

// ---- removing records ------------------------------------------------------------------

int RemoveMarket(void* window, Market* market) {
  if (market == nullptr || market->task() == nullptr) return 0;
  const std::string caption = dlist::caption_of(*market);
  if (!dlist::user_agrees(window, dlist::kMsgRemoveMarket, caption)) return 0;
  return market->remove();
}

int RemoveSubprice(void* window, Subprice* subprice) {
  if (subprice == nullptr || subprice->task() == nullptr) return 0;
  const std::string caption =
      dlist::caption_of(*subprice);
  if (!dlist::user_agrees(window, dlist::kMsgRemoveSubprice, caption)) return 0;
  return subprice->remove();
}

int RemoveUnit(void* window, Unit* unit) {
  if (unit == nullptr || unit->task() == nullptr) return 0;
  if (window != nullptr) {
    const bool is_root = unit->task()->get_parent(unit->elemid()) < 1;
    const std::string caption = dlist::caption_of(*unit);
    const unsigned message = is_root ? dlist::kMsgRemoveDimension : dlist::kMsgRemoveUnit;
    if (!dlist::user_agrees(window, message, caption)) return 0;
  }
  return unit->remove();
}

// The references are released and the material removed inside one write lock; when
// any step fails the transaction is abandoned, so no reference stays released
// without its material being gone.
int RemoveMaterial(void* window, Material* material, int ask) {
  if (material == nullptr || material->task() == nullptr || material->elemid() <= 0) return 0;
  LISTCONTEXT* library = material->task();
  WriteLock lock(library);
  if (!lock) return 0;
  if (window != nullptr && ask != 0) {
    const std::string caption =
        dlist::caption_of(*material);
    if (!dlist::user_agrees(window, dlist::kMsgRemoveMaterial, caption)) return 0;
  }
  const long id = material->elemid();
  if (ReleaseMaterialRefs(library, id) == 0 || ReleaseSubtreeRefs(library, id) == 0) {
    lock.abandon();
    return 0;
  }
  const int result = material->remove();
  if (result == 0) {
    lock.abandon();
    return 0;
  }
  return lock.unlock() ? result : 0;
}

void RemoveAllMaterial(LISTCONTEXT* library) {
  WriteLock lock(library);
  if (!lock) return;
  std::vector<long> roots;
  if (!dlist::material_children(library, 0, roots)) return;
  for (long id : roots) {
    Material material(library, id);
    // A failed removal abandons the transaction: the rest would be rolled back too.
    if (RemoveMaterial(nullptr, &material, 0) == 0) return;
  }
}

void RemoveAllDimension(LISTCONTEXT* library) {
  WriteLock lock(library);
  if (!lock) return;
  std::vector<dlist::UnitChild> dimensions;
  if (!dlist::unit_children(library, 0, dimensions)) return;
  for (const dlist::UnitChild& dimension : dimensions) {
    Unit unit(library, dimension.id);
    RemoveUnit(nullptr, &unit);
  }
}

void RemoveAllSubprice(LISTCONTEXT* library) {
  WriteLock lock(library);
  if (!lock) return;
  for (long id : dlist::subprice_ids(library)) library->remove_subprice(id);
}

void RemoveAllMarket(LISTCONTEXT* library) {
  WriteLock lock(library);
  if (!lock) return;
  for (long id : dlist::market_ids(library)) library->remove_market(id);
}

void PurgeMaterialLibrary(LISTCONTEXT* library) {
  WriteLock lock(library);
  if (!lock) return;
  RemoveAllMaterial(library);
  RemoveAllDimension(library);
  RemoveAllSubprice(library);
  RemoveAllMarket(library);
}

// ---- copying ------------------------------------------------------------------------

// The source's references are read before the target's are released, so that a
// material copied onto itself keeps them; such a copy changes nothing at all.
int CopyListIn(LISTCONTEXT* library, void* /*window*/, long source, long target) {
  WriteLock lock(library);
  if (!lock) return 0;
  dbmaterial target_record{};
  dbmaterial source_record{};
  LONGTEXT target_texts[kLongTextCount];
  LONGTEXT source_texts[kLongTextCount];
  if (library->get(target, target_record, target_texts) < 1) return 0;
  if (library->get(source, source_record, source_texts) < 1) return 0;
  if (source == target) return 1;

  std::vector<subpriceref> subprices;
  if (library->rewind_subprice_ref(source) < 0) return 0;
  subpriceref subprice{};
  while (library->get(subprice) > 0) subprices.push_back(subprice);
  std::vector<unitref> units;
  if (library->rewind_unit_ref(source) < 0) return 0;
  unitref unit{};
  while (library->get(unit) > 0) units.push_back(unit);

  target_record.unit_price = source_record.unit_price;
  std::memcpy(target_record.native_unit, source_record.native_unit, sizeof target_record.native_unit);
  std::memcpy(target_record.market, source_record.market, sizeof target_record.market);
  for (int i = 0; i < kLongTextCount; ++i) {
    target_record.long_text_length[i] = source_record.long_text_length[i];
  }

  bool copied = ReleaseMaterialRefs(library, target) != 0 &&
                library->modify(target, target_record, source_texts) != 0;
  for (const subpriceref& ref : subprices) copied = copied && library->create(target, ref) > 0;
  // Each copied reference uses its unit once more, as ReleaseMaterialRefs gave the
  // target's own back.
  for (const unitref& ref : units) {
    copied = copied && library->create(target, ref) > 0;
    dbunit unit{};
    const long id = copied ? library->find_unit(ref.abbrev, unit) : 0;
    if (id < 0) copied = false;
    if (id > 0) {
      ++unit.usage;
      copied = library->modify(id, unit) != 0;
    }
  }
  if (!copied) {
    lock.abandon();
    return 0;
  }
  return lock.unlock() ? 1 : 0;
}

// ---- look-ups ---------------------------------------------------------------------------

void GetLongTextName(LISTCONTEXT* library, short index, char* out) {
  if (out == nullptr) return;
  out[0] = '\0';
  if (library == nullptr || index < 0 || index >= kLongTextCount) return;
  longtextname names{};
  if (library->get(names) == 0) return;
  copy_cut(out, kLongTextNameSize, field_text(names.name[index]));
}

// A path that does not fit is not cut (it would name another file): the answer is
// then empty, as when no library is active.
void GetActMaterialDbPath(char* out) {
  if (out == nullptr) return;
  out[0] = '\0';
  const LISTCONTEXT* library = MaterialLibrary().GetPC();
  if (library == nullptr || library->fullpath() == nullptr) return;
  const std::string_view path = library->fullpath();
  if (path.size() < static_cast<std::size_t>(kMaterialDbPathSize)) {
    copy_cut(out, kMaterialDbPathSize, path);
  }
}

void GetCurrencySymbol(char* out) {
  copy_cut(out, kCurrencySymbolSize, dlist::currency_symbol());
}

// ---- display names ------------------------------------------------------------------------

void LinkedMaterialName(const char* id, const char* name, char* out, short mode) {
  const std::string_view code = id != nullptr ? id : "";
  const std::string_view label = name != nullptr ? name : "";
  std::string text;
  if (mode == 1) {
    text = label;
  } else if (mode == 2) {
    text = code;
  } else {
    text.append(code).append("  -  ").append(label);
  }
  copy_cut(out, kLinkedNameSize, text);
}

void LinkedMaterialName(LISTCONTEXT* library, long id, char* out, short mode) {
  if (out == nullptr) return;
  out[0] = '\0';
  ReadLock lock(library);
  if (!lock) return;
  dbmaterial record{};
  if (library->get(id, record, nullptr) < 1) return;
  const std::string code(field_text(record.id));
  const std::string name(field_text(record.name));
  LinkedMaterialName(code.c_str(), name.c_str(), out, mode);
}

void LinkedUnitName(LISTCONTEXT* library, long id, char* out) {
  if (out == nullptr) return;
  ReadLock lock(library);
  if (!lock) return;
  dbunit unit{};
  if (library->get(id, unit) < 1) return;
  copy_cut(out, kLinkedNameSize, dlist::linked_unit_label(unit));
}
