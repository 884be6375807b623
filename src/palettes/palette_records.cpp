// Palette record operations, written once over the element kind: creating,
// changing and reading palettes through the host's per-kind calls, with the
// message boxes of their outcomes; and the small helpers of the palette user
// interface.

#include "palettes/palette_records.h"

#include <cstddef>
#include <cstring>

#include "foundation/element_kinds.h"
#include "host/active_window.h"
#include "host/database_browser.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/model/palette_store.h"
#include "host/modul.h"
#include "host/object_library.h"
#include "host/report.h"
#include "host/resources.h"
#include "palettes/host_calls.h"

namespace dlist {
namespace {

// Message texts and captions.
constexpr unsigned kMsgNotStored = 22470;       // the palette was not stored
constexpr unsigned kCaptionStore = 22471;       // storing a palette
constexpr unsigned kCaptionChange = 22472;      // changing a palette
constexpr unsigned kMsgAlreadyExists = 22473;   // an equal palette exists
constexpr unsigned kMsgMoveReferences = 22474;  // move the references to it?
constexpr unsigned kProtectedItemName = 22265;

constexpr int kMessageSize = 512;  // a message text
constexpr int kCaptionSize = 256;  // a caption

// The module-wide settings of the palette user interface.
int g_last_proto_mode = 0;
int g_pal_report = 0;

// An OK box with message text under caption.
void tell(void* hwnd, unsigned text, unsigned caption) {
  char message[kMessageSize];
  char title[kCaptionSize];
  LoadStr(nullptr, text, message, sizeof message);
  LoadStr(nullptr, caption, title, sizeof title);
  MessageBoxA(hwnd, message, title, kMbOk);
}

// Asks whether the references of a palette move to the equal one; true on Yes.
bool agree_to_move_references(void* hwnd) {
  char message[2 * kMessageSize];
  char title[kCaptionSize];
  const int n = LoadStr(nullptr, kMsgAlreadyExists, message, kMessageSize);
  message[n] = '\n';
  LoadStr(nullptr, kMsgMoveReferences, message + n + 1, kMessageSize);
  LoadStr(nullptr, kCaptionChange, title, sizeof title);
  return MessageBoxA(hwnd, message, title, kMbYesNo | kMbIconExclamation) == kIdYes;
}

// The palette that id names: id itself, or the palette that node id carries.
long palette_of(PALETTES& store, long id) {
  return store.is_nodeid(id) ? store.get_id_palette(id) : id;
}

// A copy of a library part palette whose parameters the object library completed.
template <class P>
P expanded_copy(const P& palette) {
  P copy = palette;
  LIBPARAMS local;
  explode_deplibpars(copy.origname, &copy.params, &local);
  return copy;
}

template <int K>
long create_palette(void* hwnd, typename Kind<K>::element* rec, DBSURFREFTYPE* surf) {
  using Host = HostCalls<K>;
  if (!rec) {
    SpecBeep(0, units::kDpalman, __LINE__);
    return 0;
  }
  int existed = 0;
  long id = 0;
  if constexpr (Kind<K>::facts.expands_library_params) {
    id = Host::cre_palette(expanded_copy(rec->palette), surf, &existed);
  } else {
    id = Host::cre_palette(rec->palette, surf, &existed);
  }
  if (id > 0 && existed == 0) return id;
  // A result of 0 or less is a failure whatever the flag says: it never passes
  // for the negated identifier of a stored palette.
  if (id <= 0) {
    tell(hwnd, kMsgNotStored, kCaptionStore);
    return 0;
  }
  tell(hwnd, kMsgAlreadyExists, kCaptionStore);
  return -id;
}

template <int K>
int change_palette(void* hwnd, long* id, typename Kind<K>::element* rec, DBSURFREFTYPE* surf) {
  using Host = HostCalls<K>;
  if (!id || !rec) {
    SpecBeep(0, units::kDpalman, __LINE__);
    return 0;
  }
  PALETTES store;
  const long palid = palette_of(store, *id);
  long newid = 0;
  if constexpr (Kind<K>::facts.expands_library_params) {
    typename Kind<K>::element copy;
    copy.palette = expanded_copy(rec->palette);
    newid = Host::mod_palette(palid, &copy, surf);
  } else {
    newid = Host::mod_palette(palid, rec, surf);
  }
  if (newid <= 0) {
    tell(hwnd, kMsgNotStored, kCaptionChange);
    return 0;
  }
  if (newid == palid) return 1;
  if (!agree_to_move_references(hwnd)) return 0;
  const int moved = store.move_references(palid, newid);
  if (moved == 0) {
    // The references stay with the old palette, so *id keeps naming it.
    SpecBeep(0, units::kDpalman, __LINE__);
    return 0;
  }
  *id = newid;
  return moved;
}

template <int K>
int read_palette(long id, typename Kind<K>::element* rec, DBSURFREFTYPE* surf) {
  if (!rec) return 0;
  PALETTES store;
  return HostCalls<K>::get_palette(palette_of(store, id), rec, surf);
}

}  // namespace
}  // namespace dlist

#define DLIST_DEFINE_PALETTE_CALLS_WITH_SURFACES(K, Name, E)                             \
  long DLIST_CALL Cre##Name##Palette(void* hwnd, E* rec, DBSURFREFTYPE* surf) {          \
    return dlist::create_palette<K>(hwnd, rec, surf);                                    \
  }                                                                                      \
  int DLIST_CALL Mod##Name##Palette(void* hwnd, long* id, E* rec, DBSURFREFTYPE* surf) { \
    return dlist::change_palette<K>(hwnd, id, rec, surf);                                \
  }                                                                                      \
  int DLIST_CALL Get##Name##Palette(long id, E* rec, DBSURFREFTYPE* surf) {              \
    return dlist::read_palette<K>(id, rec, surf);                                        \
  }
#define DLIST_DEFINE_PALETTE_CALLS_WITHOUT_SURFACES(K, Name, E)     \
  long DLIST_CALL Cre##Name##Palette(void* hwnd, E* rec) {          \
    return dlist::create_palette<K>(hwnd, rec, nullptr);            \
  }                                                                 \
  int DLIST_CALL Mod##Name##Palette(void* hwnd, long* id, E* rec) { \
    return dlist::change_palette<K>(hwnd, id, rec, nullptr);        \
  }                                                                 \
  int DLIST_CALL Get##Name##Palette(long id, E* rec) {              \
    return dlist::read_palette<K>(id, rec, nullptr);                \
  }
DLIST_KINDS_WITH_SURFACES(DLIST_DEFINE_PALETTE_CALLS_WITH_SURFACES)
DLIST_KINDS_WITHOUT_SURFACES(DLIST_DEFINE_PALETTE_CALLS_WITHOUT_SURFACES)
#undef DLIST_DEFINE_PALETTE_CALLS_WITH_SURFACES
#undef DLIST_DEFINE_PALETTE_CALLS_WITHOUT_SURFACES

int DLIST_CALL IsLayerActive(MODULTYPE module, int layerset, unsigned char layer) {
  if (layerset < 0 || layer == 0) return 1;
  const unsigned char* table = C_GetFolia(module);
  if (!table || layerset >= dlist::layer_set_count(module)) return 1;
  const std::size_t at = static_cast<std::size_t>(layerset) * dlist::kLayersPerSet + (layer - 1u);
  return table[at] == dlist::kLayerInactive ? 0 : 1;
}

int DLIST_CALL IsLayerValide(unsigned char layer) {
  return is_layer_valide(layer);
}

int DLIST_CALL IsProtectedItem(char* name) {
  if (!name) return 0;
  char text[dlist::kMessageSize];
  LoadStr(nullptr, dlist::kProtectedItemName, text, sizeof text);
  return std::strcmp(name, text) == 0 ? 1 : 0;
}

int DLIST_CALL LastProtoMode(void) {
  return dlist::g_last_proto_mode;
}
void DLIST_CALL LastProtoMode(int mode) {
  dlist::g_last_proto_mode = mode;
}

void DLIST_CALL SetPalReport(int on) {
  dlist::g_pal_report = on;
}
int DLIST_CALL GetPalReport(void) {
  return dlist::g_pal_report;
}

void DLIST_CALL DBW(long id, char* text) {
  if (text) DiagnosticOut(text);
  CrtDatabaseWandler(GetActiveWindow(), id);
}
