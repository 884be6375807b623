// The cost-estimate dialog. Its radio choices and its range are remembered between
// calls while the library is loaded; the all-sheets check box lives in setting 244
// and is written at once on every change; the output file in setting 265.
#include "listspec/cost_estimate.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/dialog/engine.h"
#include "host/dialog/file_chooser.h"
#include "host/dialog/framework.h"
#include "host/dialog/image_list.h"
#include "host/dialog/notify_codes.h"
#include "host/dialog/tree_view.h"
#include "host/dialog/window_system.h"
#include "host/layout_sheet_dialog.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/settings.h"

namespace dlist::listspec {
namespace {

constexpr int kBuffers = 16;
constexpr int kIconOn = 0, kIconOff = 1;
// Texts.
constexpr int kTextFiles = 21754;
constexpr int kTextCaption = 50400;
constexpr int kFirstLabel = 50401;  // sheets, from floor, to, options
constexpr int kFirstRadio = 50410;  // 10500 to 10505 in order
constexpr int kTextAll = 50416;
constexpr int kTextLayerSet = 50417;
constexpr int kTextBadRange = 50418;
constexpr int kTextChoose = 50419;

// The radio groups: the first button of each (choice 1) and its partner (choice 0),
// in the order of the memory.
constexpr int kRadioFirst[3] = {kDevisBySheet, kDevisLayerSets, kDevisByFloor};

struct DevisMemory {
  int radio[3] = {0, 0, 0};  // 10500, 10504, 10502
  int low = 1, high = 1;
};
DevisMemory g_memory;

struct DevisState {
  DEVIS_INTERFACE* estimate = nullptr;
  char path[257] = {};
  int low = 1, high = 1;
  int all = 0;
  int radio[3] = {0, 0, 0};
  void* images = nullptr;
  DialogImages lists;
  std::vector<std::string> chosen;  // set by OK
};
DevisState* g_devis = nullptr;

void* sheets_tree(void* dialog) { return GetControlHWND(dialog, kDevisSheets); }

// Enables what the all-sheets box and the radio choices leave active.
void show_activity(void* dialog) {
  DevisState& s = *g_devis;
  const int free = s.all != 0 ? 0 : 1;
  for (int id : {kDevisSheets, kDevisSheetsLabel, kDevisBySheet, kDevisTogether, kDevisByFloor, kDevisEveryFloor,
                 kDevisLayerSets, kDevisEveryLayer, kDevisLowLabel, kDevisHighLabel, kDevisOptionsLabel})
    SetInputActivitet(dialog, id, free);
  const int range = free != 0 && s.radio[2] != 0 ? 1 : 0;
  SetInputActivitet(dialog, kDevisLow, range);
  SetInputActivitet(dialog, kDevisHigh, range);
  SetInputActivitet(dialog, kDevisLayerSet, free != 0 && s.radio[1] != 0 ? 1 : 0);
}

int DLIST_CALL Devis_Init_Proc(void* dialog) {
  DevisState& s = *g_devis;
  s.images = s.lists.create(16, 16);
  if (s.images == nullptr || image_list_add_icon(s.images, "sectionon") < 0 ||
      image_list_add_icon(s.images, "sectionoff") < 0)
    return 0;
  void* tree = sheets_tree(dialog);
  tree_set_image_list(tree, s.images);
  const DEVIS_INTERFACE& e = *s.estimate;
  _TREEITEM* start = nullptr;
  const std::vector<std::string> names = e.name_list();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const int icon = static_cast<int>(i) == e.start ? kIconOn : kIconOff;
    _TREEITEM* item = tree_insert(tree, kTviRoot, kTviLast, names[i].c_str(), icon, icon, static_cast<intptr_t>(i));
    if (icon == kIconOn) start = item;
  }
  if (start != nullptr) {
    tree_select(tree, start);
    tree_ensure_visible(tree, start);
  }
  for (int g = 0; g < 3; ++g) {
    set_control_check(dialog, kRadioFirst[g], s.radio[g] != 0 ? 1 : 0);
    set_control_check(dialog, kRadioFirst[g] + 1, s.radio[g] != 0 ? 0 : 1);
  }
  show_activity(dialog);
  return 1;
}

void open_layer_set(void* dialog) {
  DevisState& s = *g_devis;
  void* tree = sheets_tree(dialog);
  _TREEITEM* item = tree_get_next(tree, nullptr, TreeRelation::kCaret);
  if (item == nullptr) return;
  const int index = static_cast<int>(tree_param(tree, item));
  DEVIS_INTERFACE& e = *s.estimate;
  if (index >= e.sheet_count || index >= e.sheet_name_count) return;
  CrtFolia(dialog, &e.sheets[index], &e.sheet_names[index], -1, 4209, 1, "", nullptr, 0);
}

int DLIST_CALL Devis_ExtAction_Proc(void* dialog, int control, int code) {
  DevisState& s = *g_devis;
  if (control == kDevisSheets && code == kNmDblClk) {
    void* tree = sheets_tree(dialog);
    _TREEITEM* item = notification()->item;
    if (!tree_has_item(tree, item)) return 0;
    const int icon = tree_image(tree, item) == kIconOn ? kIconOff : kIconOn;
    tree_set_image(tree, item, icon, icon);
    return 0;
  }
  if (code != kBnClicked) return 0;
  for (int g = 0; g < 3; ++g) {
    if (control == kRadioFirst[g] || control == kRadioFirst[g] + 1) {
      s.radio[g] = control == kRadioFirst[g] ? 1 : 0;
      set_control_check(dialog, kRadioFirst[g], s.radio[g]);
      set_control_check(dialog, kRadioFirst[g] + 1, 1 - s.radio[g]);
      show_activity(dialog);
      return 0;
    }
  }
  if (control == kDevisAll) {
    s.all = control_check(dialog, kDevisAll) != 0 ? 1 : 0;
    R_Set_BOOL(kSettingDevisAll, s.all);
    show_activity(dialog);
  } else if (control == kDevisLayerSet) {
    open_layer_set(dialog);
  } else if (control == kDevisFileChoose) {
    char path[kDevisPathSize] = {};
    std::snprintf(path, sizeof path, "%s", control_text(dialog, kDevisFile).c_str());
    const std::string filter = load_string(kTextFiles) + "|*.dev|*.*|*.*";
    if (SaveFileR(dialog, filter.c_str(), path, 257, load_string(kTextChoose).c_str()) != 0)
      set_control_text(dialog, kDevisFile, path);
  }
  return 0;
}

int DLIST_CALL Devis_IDC_OK_Proc(void* dialog) {
  DevisState& s = *g_devis;
  if (InputChecking(dialog, 0) == 0) return 0;
  // The bound fields are written back only when the dialog closes.
  const long low = std::strtol(control_text(dialog, kDevisLow).c_str(), nullptr, 10);
  const long high = std::strtol(control_text(dialog, kDevisHigh).c_str(), nullptr, 10);
  if (s.all == 0 && s.radio[2] != 0 && low > high) {
    DiagnosticOut(load_string(kTextBadRange).c_str());
    SetErrorId(kDevisLow);
    WarningProc(dialog, kDevisLow);
    return 0;
  }
  void* tree = sheets_tree(dialog);
  s.chosen.clear();
  for (_TREEITEM* item : tree_children(tree, nullptr))
    if (tree_image(tree, item) == kIconOn) s.chosen.push_back(tree_text(tree, item));
  return 1;
}

bool build(void* parent, DevisState& s) {
  constexpr int kW = 420, kRow = 24, kX = 150;
  const std::string caption = load_string(kTextCaption);
  int y = 5;
  bool ok = MakeMainUnit(parent, caption.c_str(), "CostEstimate", kW, 440) != nullptr &&
            TextEditInput(kDevisFile, 5, y, kW - 40, 20) != 0 &&
            SetInpCont_Addres(kDevisFile, s.path, sizeof s.path) != 0 &&
            SetInpCont_MinMaxN(kDevisFile, 1, 256) != 0 &&
            CommandButton(kDevisFileChoose, kTextChoose, kW - 32, y, 27, 20) != 0;
  y += kRow;
  ok = ok && StaticText(kDevisSheetsLabel, load_string(kFirstLabel).c_str(), 5, y, 200, 16) != 0 &&
       TreeViewInput(kDevisSheets, 5, y + 18, kW - 10, 140) != 0;
  y += 18 + 144;
  ok = ok && StaticText(kDevisOptionsLabel, load_string(kFirstLabel + 3).c_str(), 5, y, 200, 16) != 0;
  y += 18;
  const int radios[6] = {kDevisBySheet, kDevisTogether, kDevisLayerSets, kDevisEveryLayer, kDevisByFloor,
                         kDevisEveryFloor};
  const int texts[6] = {kFirstRadio, kFirstRadio + 1, kFirstRadio + 4, kFirstRadio + 5, kFirstRadio + 2,
                        kFirstRadio + 3};
  for (int i = 0; i < 6 && ok; i += 2) {
    ok = Item(load_string(texts[i]).c_str(), radios[i], "Button", kBsRadioButton, 5, y, 200, 20) != 0 &&
         Item(load_string(texts[i + 1]).c_str(), radios[i + 1], "Button", kBsRadioButton, 210, y, 200, 20) != 0;
    y += kRow;
  }
  ok = ok && StaticText(kDevisLowLabel, load_string(kFirstLabel + 1).c_str(), 5, y, 80, 16) != 0 &&
       IntegerInput(kDevisLow, 90, y, 60, 20) != 0 && SetInpCont_Addres(kDevisLow, &s.low) != 0 &&
       SetInpCont_MinMaxN(kDevisLow, kDevisRangeMin, kDevisRangeMax) != 0 &&
       StaticText(kDevisHighLabel, load_string(kFirstLabel + 2).c_str(), 160, y, 40, 16) != 0 &&
       IntegerInput(kDevisHigh, 205, y, 60, 20) != 0 && SetInpCont_Addres(kDevisHigh, &s.high) != 0 &&
       SetInpCont_MinMaxN(kDevisHigh, kDevisRangeMin, kDevisRangeMax) != 0;
  y += kRow;
  ok = ok && CommandButton(kDevisLayerSet, kTextLayerSet, 5, y, 140, 22) != 0 &&
       CheckBoxInput(kDevisAll, load_string(kTextAll).c_str(), kX + 10, y, 250, 20) != 0 &&
       SetInpCont_Addres(kDevisAll, &s.all) != 0;
  y += kRow + 10;
  return ok && CommandButton(kIdAccept, 36, kW - 190, y, 90, 22) != 0 &&
         CommandButton(kIdReject, 20995, kW - 95, y, 90, 22) != 0 && SetDlgInitProc(Devis_Init_Proc) != 0 &&
         SetAllInputProc(Devis_ExtAction_Proc) != 0 && SetIDC_OKProc(Devis_IDC_OK_Proc) != 0;
}

}  // namespace

void reset_devis_memory() { g_memory = DevisMemory{}; }

}  // namespace dlist::listspec

int DLIST_CALL CrtDevis(void* parent, DEVIS_INTERFACE* estimate) {
  using namespace dlist;
  using namespace dlist::listspec;
  if (estimate == nullptr) return 0;
  DevisState s;
  s.estimate = estimate;
  R_Get_STRING(kSettingDevisFile, s.path, sizeof s.path);
  s.all = R_Get_BOOL(kSettingDevisAll) != 0 ? 1 : 0;
  for (int g = 0; g < 3; ++g) s.radio[g] = g_memory.radio[g];
  s.low = g_memory.low;
  s.high = g_memory.high;
  DialogRun how{parent, kDevisContext, units::kDlistgen, kBuffers, &s.lists};
  const std::optional<int> result = run_dialog(how, g_devis, &s, [&] { return build(parent, s); });
  if (!result) return 0;
  // The path holds the setting's value whatever the user did.
  std::snprintf(estimate->path, sizeof estimate->path, "%s", s.path);
  for (int g = 0; g < 3; ++g) g_memory.radio[g] = s.radio[g];
  if (*result == 0) {
    char setting[kDevisPathSize] = {};
    R_Get_STRING(kSettingDevisFile, setting, sizeof setting);
    std::snprintf(estimate->path, sizeof estimate->path, "%s", setting);
    return 0;
  }
  if (!estimate->set_names(s.chosen)) {
    SpecBeep(0, units::kDlistgen, __LINE__);
    return 0;
  }
  R_Set_STRING(kSettingDevisFile, s.path);
  estimate->by_sheet = s.radio[0];
  estimate->layer_sets = s.radio[1];
  estimate->by_floor = s.radio[2];
  estimate->all_items = s.all;
  if (estimate->by_floor != 0) {
    estimate->low = static_cast<short>(s.low);
    estimate->high = static_cast<short>(s.high);
    g_memory.low = s.low;
    g_memory.high = s.high;
  } else {
    estimate->low = kDevisRangeMin;
    estimate->high = kDevisRangeMax;
  }
  return *result;
}
