#include "host/layout_sheet_dialog.h"

#include <cstring>
#include <string>

#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tree_view.h"
#include "host/resources.h"

namespace dlist {
namespace {

constexpr int kTitle = 50406;  // "Layer set of the layout sheet"
constexpr int kOn = 0, kOff = 1;

struct SheetState {
  DBFOLIATYPE layers{};
  const DBFOLIANAMES* names = nullptr;
  void* images = nullptr;
};
SheetState* g_sheet = nullptr;
std::vector<LayoutSheetCall> g_calls;

int DLIST_CALL LayoutSheet_Init_Proc(void* dialog) {
  SheetState& s = *g_sheet;
  s.images = image_list_create(16, 16);
  if (s.images == nullptr || image_list_add_icon(s.images, "sectionon") < 0 ||
      image_list_add_icon(s.images, "sectionoff") < 0)
    return 0;
  void* tree = GetControlHWND(dialog, kLayoutSheetLayers);
  tree_set_image_list(tree, s.images);
  for (int i = 0; i < kLayerNameCount && s.names != nullptr; ++i) {
    const std::string name(s.names->name[i], strnlen(s.names->name[i], kLayerNameSize));
    if (name.empty()) continue;
    const int icon = s.layers.layer[i] == kSheetLayerOff ? kOff : kOn;
    tree_insert(tree, kTviRoot, kTviLast, (std::to_string(i) + "  " + name).c_str(), icon, icon, i);
  }
  return 1;
}

int DLIST_CALL LayoutSheet_ExtAction_Proc(void* dialog, int control, int code) {
  if (control != kLayoutSheetLayers || code != kNmDblClk) return 0;
  void* tree = GetControlHWND(dialog, kLayoutSheetLayers);
  _TREEITEM* item = notification()->item;
  if (!tree_has_item(tree, item)) return 0;
  const auto index = static_cast<std::size_t>(tree_param(tree, item));
  const bool off = g_sheet->layers.layer[index] == kSheetLayerOff;
  g_sheet->layers.layer[index] = off ? 0 : kSheetLayerOff;
  const int icon = off ? kOn : kOff;
  tree_set_image(tree, item, icon, icon);
  return 0;
}

}  // namespace

const std::vector<LayoutSheetCall>& layout_sheet_calls() { return g_calls; }
void clear_layout_sheet_calls() { g_calls.clear(); }

}  // namespace dlist

int CrtFolia(void* parent, DBFOLIATYPE* sheet, DBFOLIANAMES* names, int first, int second, int third,
             const char* /*text*/, void* /*pointer*/, int last) {
  using namespace dlist;
  g_calls.push_back({first, second, third, last, false});
  if (sheet == nullptr) return 0;
  SheetState state;
  state.layers = *sheet;
  state.names = names;
  SheetState* previous = g_sheet;
  g_sheet = &state;
  int accepted = 0;
  if (AllocTmpBuffers(4) != 0) {
    const bool built = MakeMainUnit(parent, load_string(kTitle).c_str(), "LayoutSheet", 300, 300) &&
                       TreeViewInput(kLayoutSheetLayers, 5, 5, 290, 255) &&
                       CommandButton(kIdAccept, 36, 110, 268, 90, 22) &&
                       CommandButton(kIdReject, 37, 205, 268, 90, 22) &&
                       SetDlgInitProc(LayoutSheet_Init_Proc) && SetAllInputProc(LayoutSheet_ExtAction_Proc);
    if (built) accepted = RunModalDialog(parent, 0, kLayoutSheetContext, 0);
    PurgeTmpBuffers();
  }
  if (state.images != nullptr) image_list_destroy(state.images);
  g_sheet = previous;
  if (accepted == 0) return 0;
  *sheet = state.layers;
  g_calls.back().accepted = true;
  return 1;
}
