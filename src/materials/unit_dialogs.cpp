// The dialogs of units and dimensions: editing and creating a unit below its
// parent, renaming a unit or a dimension, and editing and creating a dimension.
// A dimension keeps one basic unit (factor 1): the unit dialog refuses a second.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/database_task.h"
#include "host/dialog/engine.h"
#include "host/list/list_context.h"
#include "host/report.h"
#include "host/resources.h"
#include "materials/list_dialog_ids.h"
#include "materials/list_dialog_layout.h"
#include "materials/list_dialogs.h"
#include "materials/material_library.h"

using namespace dlist::listdlg;

namespace {

constexpr int kNameLabel = 21305;
constexpr int kFactorLabel = 21331;
constexpr int kAbbrevLabel = 50013;
constexpr int kBasicUnitLabel = 50016;
constexpr int kNameUsed = 11856;
constexpr int kNoFreeDimension = 50027;
constexpr int kHashRefused = 50028;
constexpr int kSecondBasicUnit = 50029;
constexpr int kAbbrevUsed = 50031;
constexpr int kFactorNotPositive = 50032;
constexpr double kMaxFactor = 1e300;

bool is_basic_factor(double factor) {
  return std::fabs(factor - 1.0) < kBasicUnitTolerance;
}

// Writes rec through the cursor, creating below parent or updating; the cursor's
// record stays as it was when the library refuses.
bool write_unit(Unit* unit, const dbunit& rec, bool create, long parent) {
  const dbunit before = unit->data;
  unit->data = rec;
  if ((create ? unit->create(parent) : unit->update()) != 0) return true;
  unit->data = before;
  return false;
}

// ---- units --------------------------------------------------------------------------------

struct UnitState {
  Unit* unit;
  long parent;
  short mode;
  long basic;  // the basic unit of the dimension, 0 when it has none
  char name[kUnitNameSize];
  char abbrev[kUnitAbbrevSize];
  double factor;
};

UnitState* g_unit = nullptr;

int DLIST_CALL EditUnit_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  UnitState& s = *g_unit;
  LISTCONTEXT* library = s.unit->task();
  const bool create = s.mode == 5;
  dbunit rec = s.unit->data;
  if (create) {
    const std::string abbrev = dlist::control_text(dialog, kAbbrev);
    if (abbrev.rfind("##", 0) == 0) return refuse(dialog, kAbbrev, kHashRefused);
    dbunit other{};
    if (library->find_unit(abbrev.c_str(), other) > 0) return refuse(dialog, kAbbrev, kAbbrevUsed);
    put_field(rec.abbrev, abbrev);
    rec.usage = 0;
  }
  if (s.basic != 0) {
    const double factor = GetInpCont_Double(kValue);
    // A dimension has one basic unit; the basic unit itself may keep factor 1.
    const bool is_the_basic = !create && s.unit->elemid() == s.basic;
    if (!is_the_basic && is_basic_factor(factor)) {
      return refuse(dialog, kValue, kSecondBasicUnit);
    }
    if (!(factor > 0.0)) return refuse(dialog, kValue, kFactorNotPositive);
    rec.factor = factor;
  } else if (create) {
    // The first unit of a dimension is its basic unit.
    rec.factor = 1.0;
  }
  put_field(rec.name, dlist::control_text(dialog, kName));
  if (!write_unit(s.unit, rec, create, s.parent)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  return 1;
}

int DLIST_CALL RenameUnit_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  dbunit rec = g_unit->unit->data;
  put_field(rec.name, dlist::control_text(dialog, kName));
  if (!write_unit(g_unit->unit, rec, false, 0)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  return 1;
}

// ---- dimensions ---------------------------------------------------------------------------

// Whether a dimension other than self carries exactly name.
bool dimension_name_used(LISTCONTEXT* library, long self, const std::string& name) {
  std::vector<long> ids;
  library->unit_children(0, ids);
  for (long id : ids) {
    dbunit other{};
    if (id == self || library->get(id, other) < 1) continue;
    if (IsDimensionAbbrev(other.abbrev) && field_string(other.name) == name) {
      return true;
    }
  }
  return false;
}

int DLIST_CALL EditDimension_IDC_OK_Proc(void* dialog) {
  if (!fields_pass(dialog)) return 0;
  UnitState& s = *g_unit;
  LISTCONTEXT* library = s.unit->task();
  const bool create = s.mode == 5;
  const std::string name = dlist::control_text(dialog, kName);
  if (dimension_name_used(library, create ? 0 : s.unit->elemid(), name)) {
    return refuse(dialog, kName, kNameUsed);
  }
  dbunit rec = s.unit->data;
  if (create) {
    rec = dbunit{};
    if (FirstFreeDimensionAbbrev(library, rec.abbrev) < 0) {
      return refuse(dialog, kName, kNoFreeDimension);
    }
    rec.factor = 1.0;
    rec.usage = 0;
  }
  put_field(rec.name, name);
  if (!write_unit(s.unit, rec, create, 0)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  return 1;
}

}  // namespace

DLIST_API int DLIST_CALL CrtEditUnit(void* window, Unit* unit, long parent, short mode) {
  if (unit == nullptr || unit->task() == nullptr || (mode != 1 && mode != 5)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  LISTCONTEXT* library = unit->task();
  dlist::WriteLock lock(library);
  if (!lock || (mode == 1 && unit->read() == 0)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  // A unit lives in a dimension: a new one needs a parent inside one.
  const long dimension = GetUnitDimension(library, mode == 5 ? parent : unit->elemid());
  if (mode == 5 && dimension == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  UnitState state{unit, parent, mode, 0, {}, {}, 1.0};
  state.basic = dimension != 0 ? GetBasicUnitProc(library, dimension) : 0;
  std::string basic_abbrev;
  if (state.basic != 0) {
    dbunit basic{};
    if (library->get(state.basic, basic) > 0)
      basic_abbrev = field_string(basic.abbrev);
  }
  if (mode == 1) {
    put_field(state.name, field_string(unit->data.name));
    state.factor = unit->data.factor;
  } else {
    put_field(state.name, field_string(unit->data.name));
    put_field(state.abbrev, field_string(unit->data.abbrev));
    if (unit->data.factor > 0.0) state.factor = unit->data.factor;
  }
  return run_dialog(window, kUnitContext, g_unit, &state, [&] {
    Layout layout(window, dlist::load_string(mode == 5 ? 50006 : 50007), "EditUnit", 4);
    layout.text_row(kNameLabel, kName, state.name, sizeof state.name, 1, kUnitNameSize - 1);
    if (mode == 5) {
      layout.text_row(kAbbrevLabel, kAbbrev, state.abbrev, sizeof state.abbrev, 1,
                      kUnitAbbrevSize - 1);
    }
    if (state.basic != 0) {
      layout.number_row(kFactorLabel, kValue, &state.factor, 0.0, kMaxFactor);
    }
    layout.static_row(kBasicUnitLabel, kBasicUnit, basic_abbrev);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(EditUnit_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtRenameUnit(void* window, Unit* unit) {
  if (unit == nullptr || unit->task() == nullptr || unit->read() == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  const bool has_parent = unit->task()->get_parent(unit->elemid()) >= 1;
  UnitState state{unit, 0, 1, 0, {}, {}, 0.0};
  put_field(state.name, field_string(unit->data.name));
  return run_dialog(window, kRenameUnitContext, g_unit, &state, [&] {
    Layout layout(window, dlist::load_string(has_parent ? 50008 : 50009), "RenameUnit", 1);
    layout.text_row(kNameLabel, kName, state.name, sizeof state.name, 1, kUnitNameSize - 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(RenameUnit_IDC_OK_Proc);
  });
}

DLIST_API int DLIST_CALL CrtEditDimension(void* window, Unit* dimension, short mode) {
  if (dimension == nullptr || dimension->task() == nullptr || (mode != 1 && mode != 5)) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  if (mode == 1 && dimension->read() == 0) {
    SpecBeep(0, dlist::units::kListdlgs, __LINE__);
    return 0;
  }
  UnitState state{dimension, 0, mode, 0, {}, {}, 1.0};
  put_field(state.name, field_string(dimension->data.name));
  return run_dialog(window, kDimensionContext, g_unit, &state, [&] {
    Layout layout(window, dlist::load_string(mode == 5 ? 50010 : 50011), "EditDimension", 1);
    layout.text_row(kNameLabel, kName, state.name, sizeof state.name, 1, kUnitNameSize - 1);
    layout.buttons();
    return layout.ok() && SetIDC_OKProc(EditDimension_IDC_OK_Proc);
  });
}
