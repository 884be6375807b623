// The read-only display of a material's subprice and unit references (of the
// stored material or of an imported record) and the rename dialog.

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/dialog_runner.h"
#include "host/database_task.h"
#include "host/dialog/engine.h"
#include "host/dialog/framework.h"
#include "host/dialog/list_view.h"
#include "host/dialog/notify_codes.h"
#include "host/expr_eval.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/long_texts_dialog.h"
#include "materials/material_dialog_ids.h"
#include "materials/material_dialogs.h"
#include "materials/material_library.h"
#include "materials/material_library_internal.h"

namespace dlist {
namespace {

constexpr int kBuffers = 6;
constexpr int kWidth = 360;
constexpr int kHeight = 250;
constexpr int kMargin = 8;
constexpr int kListHeight = 90;
constexpr int kButtonWidth = 60;
constexpr int kButtonHeight = 16;
constexpr int kColumnWidth = 160;

using Line = std::pair<std::string, std::string>;

struct ShowState {
  LISTCONTEXT* library = nullptr;
  std::vector<Line> subprices;
  std::vector<Line> units;
  LONGTEXT* texts = nullptr;
};

ShowState* g_show = nullptr;

std::string number6(double value) {
  char text[64];
  RealToStr2(value, 6, text, sizeof text);
  return text;
}

std::string subprice_label(LISTCONTEXT* library, const char* abbrev) {
  dbsubprice rec{};
  if (library != nullptr && library->find_subprice(abbrev, rec) > 0)
    return std::string(field_text(rec.name)) + " (" + abbrev + ")";
  return abbrev;
}

std::string unit_label(LISTCONTEXT* library, const char* abbrev) {
  dbunit rec{};
  const long id = library != nullptr ? library->find_unit(abbrev, rec) : 0;
  if (id <= 0) return abbrev;
  char name[kLinkedNameSize] = {};
  LinkedUnitName(library, id, name);
  return name[0] != '\0' ? std::string(name) : std::string(abbrev);
}

bool fill_list(void* dialog, int control, int first_title, int second_title,
               const std::vector<Line>& lines) {
  void* list = GetControlHWND(dialog, control);
  if (list_insert_column(list, 0, load_string(first_title).c_str(), kColumnWidth) < 0 ||
      list_insert_column(list, 1, load_string(second_title).c_str(), kColumnWidth) < 0) {
    return false;
  }
  for (const Line& line : lines) {
    const int row = list_insert_row(list, list_row_count(list), line.first.c_str(), 0);
    if (row < 0 || !list_set_text(list, row, 1, line.second.c_str())) return false;
  }
  return true;
}

int DLIST_CALL ShowMaterial_Init_Proc(void* dialog) {
  return fill_list(dialog, kShowSubprices, 21319, 21320, g_show->subprices) &&
                 fill_list(dialog, kShowUnits, 21435, 21331, g_show->units)
             ? 1
             : 0;
}

int DLIST_CALL ShowMaterial_ExtAction_Proc(void* dialog, int control, int code) {
  if (control == kMatLongTexts && code == kBnClicked)
    run_long_texts_dialog(dialog, g_show->library, g_show->texts, true);
  return 0;
}

int DLIST_CALL ShowMaterial_IDC_OK_Proc(void*) { return 1; }
int DLIST_CALL ShowMaterial_Cancel_Proc(void*) { return 1; }

bool build_show(void* parent, const std::string& title) {
  if (!MakeMainUnit(parent, title.c_str(), "ShowMaterial", kWidth, kHeight)) return false;
  const int inner = kWidth - 2 * kMargin;
  const int second = 2 * kMargin + kListHeight;
  const int buttons = kHeight - kMargin - kButtonHeight;
  return ListViewInputA(kShowSubprices, kMargin, kMargin, inner, kListHeight) &&
         ListViewInputA(kShowUnits, kMargin, second, inner, kListHeight) &&
         CommandButton(kMatLongTexts, 21332, kMargin, buttons, 2 * kButtonWidth, kButtonHeight) &&
         CommandButton(kIdAccept, 36, kWidth - kMargin - kButtonWidth, buttons, kButtonWidth,
                       kButtonHeight) &&
         SetDlgInitProc(ShowMaterial_Init_Proc) && SetAllInputProc(ShowMaterial_ExtAction_Proc) &&
         SetIDC_OKProc(ShowMaterial_IDC_OK_Proc) && SetCancelProc(ShowMaterial_Cancel_Proc);
}

int run_show(void* parent, ShowState& state, const std::string& title) {
  return run_dialog(DialogRun{parent, kShowMaterialContext, units::kDmatedit, kBuffers}, g_show,
                    &state, [&] { return build_show(parent, title); })
      .value_or(0);
}

// ---- renaming ---------------------------------------------------------------------------

Material* g_renamed = nullptr;

int DLIST_CALL RenameMaterial_IDC_OK_Proc(void* dialog) {
  if (InputChecking(dialog, 0) == 0) {
    WarningProc(dialog, 0);
    return 0;
  }
  // The bound name is written back only after this returns, so the cursor takes
  // the control's text here.
  dbmaterial saved = g_renamed->data;
  copy_cut(g_renamed->data.name, sizeof g_renamed->data.name, control_text(dialog, kMatName));
  if (g_renamed->update() == 0) {
    g_renamed->data = saved;
    SpecBeep(0, units::kDmatedit, __LINE__);
    SetErrorId(kMatName);
    return 0;
  }
  return 1;
}

int DLIST_CALL RenameMaterial_Cancel_Proc(void*) { return 1; }

}  // namespace
}  // namespace dlist

using namespace dlist;

DLIST_API int DLIST_CALL CrtShowMaterial(void* window, Material* material) {
  if (material == nullptr || material->task() == nullptr) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    return 0;
  }
  LISTCONTEXT* library = material->task();
  ShowState state;
  state.library = library;
  std::vector<subpriceref> prices;
  std::vector<unitref> unit_refs;
  {
    ReadLock lock(library);
    if (!lock || material->read() == 0) {
      SpecBeep(0, units::kDmatedit, __LINE__);
      return 0;
    }
    const long id = material->elemid();
    if (library->rewind_subprice_ref(id) >= 0) {
      subpriceref ref{};
      while (library->get(ref) > 0) prices.push_back(ref);
    }
    if (library->rewind_unit_ref(id) >= 0) {
      unitref ref{};
      while (library->get(ref) > 0) unit_refs.push_back(ref);
    }
    for (const subpriceref& ref : prices) {
      const std::string abbrev(field_text(ref.abbrev));
      state.subprices.emplace_back(subprice_label(library, abbrev.c_str()), number6(ref.value));
    }
    for (const unitref& ref : unit_refs) {
      const std::string abbrev(field_text(ref.abbrev));
      state.units.emplace_back(unit_label(library, abbrev.c_str()), number6(ref.factor));
    }
  }
  state.texts = material->texts;
  return run_show(window, state, std::string(field_text(material->data.name)));
}

DLIST_API int DLIST_CALL CrtShowMaterialEntry(void* window, Material* material,
                                                MATERIALENTRY* entry) {
  if (entry == nullptr) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    return 0;
  }
  LISTCONTEXT* library = material != nullptr ? material->task() : nullptr;
  ShowState state;
  state.library = library;
  {
    ReadLock lock(library);
    for (const subpriceref& ref : entry->subprices) {
      if (ref.value == kSubpriceNotGiven || ref.abbrev[0] == '\0') continue;
      const std::string abbrev(field_text(ref.abbrev));
      state.subprices.emplace_back(subprice_label(library, abbrev.c_str()), number6(ref.value));
    }
    for (const unitref& ref : entry->units) {
      if (ref.factor == 0.0 || ref.abbrev[0] == '\0') continue;
      const std::string abbrev(field_text(ref.abbrev));
      state.units.emplace_back(unit_label(library, abbrev.c_str()), number6(ref.factor));
    }
  }
  state.texts = entry->texts;
  return run_show(window, state, std::string(field_text(entry->material.name)));
}

DLIST_API int DLIST_CALL CrtRenameMaterial(void* window, Material* material) {
  if (material == nullptr || material->task() == nullptr) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    return 0;
  }
  if (material->read() == 0) {
    SpecBeep(0, units::kDmatedit, __LINE__);
    return 0;
  }
  char name[kMatNameSize];
  copy_cut(name, sizeof name, field_text(material->data.name));
  const std::string title = load_string(21323);
  return run_dialog(DialogRun{window, kRenameMaterialContext, units::kDmatedit, 4}, g_renamed,
                    material,
                    [&] {
                      return MakeMainUnit(window, title.c_str(), "RenameMaterial", 280, 60) &&
                             StaticText(10396, load_string(21305).c_str(), 8, 8, 60, 14) &&
                             TextEditInput(kMatName, 72, 8, 200, 14) &&
                             SetInpCont_Addres(kMatName, name, sizeof name) &&
                             SetInpCont_MinMaxN(kMatName, 1, kMatNameSize - 1) &&
                             CommandButton(kIdAccept, 36, 140, 36, 60, 16) &&
                             CommandButton(kIdCancel, 37, 208, 36, 60, 16) &&
                             SetIDC_OKProc(RenameMaterial_IDC_OK_Proc) &&
                             SetCancelProc(RenameMaterial_Cancel_Proc);
                    })
      .value_or(0);
}
