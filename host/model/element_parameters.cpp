// The element parameters of the model and the project's attributes seen as
// parameters (docs/element_parameters.md).
#include "host/model/element_parameters.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "foundation/material_records.h"
#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace {

// Element classes (filter bits).
constexpr uint32_t kWall = 0x1, kDoor = 0x2, kWindow = 0x4, kSymbol = 0x8, kStair = 0x10,
                   kCeiling = 0x20, kRoof = 0x40, kLine = 0x80, kCircle = 0x100,
                   kRaster = 0x200, kParcel = 0x400, kText = 0x80000, kHotspot = 0x100000;
constexpr uint32_t kEveryClass = 0x3FFFFF;

// Value-type codes of the parameters (those of ATTRIBUTE_DATA).
constexpr int16_t kReal = 1, kLength = 4, kArea = 7, kCount = 11, kVolume = 12;

struct ParameterRow {
  const char* name;
  const char* abbrev;
  int16_t type;
  int8_t precision;
  const char* unit;
  uint32_t classes;
};

// The one table: a parameter stands here once with every class that has it.
constexpr ParameterRow kParameters[] = {
    {"Count", "CNT", kCount, 0, "pcs", kEveryClass},
    {"Length", "LEN", kLength, 2, "m", kWall | kStair | kLine},
    {"Width", "WDT", kLength, 2, "m", kDoor | kWindow | kSymbol | kStair},
    {"Height", "HGT", kLength, 2, "m", kWall | kDoor | kWindow | kSymbol | kStair},
    {"Depth", "DPT", kLength, 2, "m", kSymbol},
    {"Thickness", "THK", kLength, 3, "m", kWall | kCeiling | kRoof},
    {"Radius", "RAD", kLength, 2, "m", kCircle},
    {"Perimeter", "PERIM", kLength, 2, "m", kCeiling | kRoof | kParcel | kCircle},
    {"Area", "AREA", kArea, 2, "m2",
     kWall | kDoor | kWindow | kCeiling | kRoof | kParcel | kRaster | kCircle},
    {"Volume", "VOL", kVolume, 3, "m3", kWall | kCeiling | kRoof},
    {"Steps", "STEPS", kCount, 0, "pcs", kStair},
    {"Rise", "RISE", kReal, 3, "m", kStair},
};

const ParameterRow* nth_of(uint32_t mask, int index) {
  if (index < 0) return nullptr;
  for (const ParameterRow& row : kParameters)
    if ((row.classes & mask) != 0 && index-- == 0) return &row;
  return nullptr;
}

struct ProjectCache {
  bool valid = false;
  dlist::ModelDatabase* model = nullptr;
  std::vector<PROJECTATTRIBUTE> list;
};

ProjectCache& cache() {
  static ProjectCache c;
  return c;
}

}  // namespace

uint32_t ElementClassBit(int kind) {
  static constexpr uint32_t kBits[] = {0x1,   0x2,     0x4,   0x8,   0x10,  0x20,     0x40,
                                       0x400, 0x80000, 0x200, 0x80,  0x100, 0x100000};
  if (kind >= 1 && kind <= 13) return kBits[kind - 1];
  if (kind >= 50 && kind <= 52) return 0x800u << (kind - 50);
  if (kind < 0) return 0x200000;
  return 0;
}

int nParameter(uint32_t class_mask) {
  return static_cast<int>(std::count_if(std::begin(kParameters), std::end(kParameters),
                                        [&](const ParameterRow& r) { return (r.classes & class_mask) != 0; }));
}

int GetParameter(uint32_t class_mask, int index, ELEMPARAMETER* parameter) {
  const ParameterRow* row = nth_of(class_mask, index);
  if (!row || !parameter) return 0;
  *parameter = ELEMPARAMETER{};
  dlist::set_field(parameter->name, sizeof parameter->name, row->name);
  dlist::set_field(parameter->abbrev, sizeof parameter->abbrev, row->abbrev);
  parameter->type = row->type;
  parameter->precision = row->precision;
  dlist::set_field(parameter->unit, sizeof parameter->unit, row->unit);
  return 1;
}

int ElemAttributeNames(uint32_t class_mask, TEXTBUFFERCHAIN* names) {
  if (!names) return 0;
  int added = 0;
  for (const ParameterRow& row : kParameters) {
    if ((row.classes & class_mask) == 0) continue;
    const unsigned before = names->size();
    names->push(TEXTBUFFER(row.name));
    if (names->size() != before + 1) break;
    ++added;
  }
  return added;
}

const std::vector<PROJECTATTRIBUTE>& ProjectAttributes() {
  ProjectCache& c = cache();
  dlist::ModelDatabase* model = dlist::active_model();
  if (c.valid && c.model == model) return c.list;
  c.list.clear();
  c.model = model;
  c.valid = false;
  if (model == nullptr || !model->is_open()) return c.list;
  // Read straight from the tables: this is no store call of the caller's.
  dlist::Statement s(model->connection(),
                     "SELECT node, image FROM attr_defs ORDER BY abbrev, node");
  while (s.row()) {
    const auto image = s.blob(1);
    if (image.size() != DBATTRIBUTETYPE::kImageSize) continue;  // a damaged row names nothing
    PROJECTATTRIBUTE a;
    a.id = static_cast<long>(s.integer(0));
    std::memcpy(static_cast<void*>(&a.definition), image.data(), image.size());
    c.list.push_back(a);
  }
  c.valid = s.ok();
  if (!c.valid) c.list.clear();
  return c.list;
}

void InvalidateProjectAttributes() {
  cache().valid = false;
}
