// Surface masks: the fields that each flag selects, compared and copied flag by flag.
#include "palettes/surface_masks.h"

#include <cstring>

namespace {

enum class Field { kNone, kName, kType, kHatch1, kHatch2, kLast };

struct FlagField {
  Field field = Field::kNone;
  int slot = 0;
  int value = 0;  // of a hatch block
};

// Values of a hatch block in the order of their flags.
constexpr int kValueOrder[5] = {0, 1, 3, 4, 2};

constexpr FlagField field_of(int flag) {
  if (flag < 3) return {Field::kName, flag, 0};
  if (flag < 6) return {Field::kType, flag - 3, 0};
  if (flag < 9) return {};
  const int slot = (flag - 9) / 6;
  const int within = (flag - 9) % 6;
  if (flag < 27) return within < 5 ? FlagField{Field::kHatch1, slot, kValueOrder[within]} : FlagField{};
  const int slot2 = (flag - 27) / 6;
  const int within2 = (flag - 27) % 6;
  return within2 < 5 ? FlagField{Field::kHatch2, slot2, kValueOrder[within2]}
                     : FlagField{Field::kLast, slot2, 0};
}

static_assert(field_of(13).field == Field::kHatch1 && field_of(13).value == 2);
static_assert(field_of(14).field == Field::kNone && field_of(26).field == Field::kNone);
static_assert(field_of(32).field == Field::kLast && field_of(44).slot == 2);
static_assert(field_of(39).field == Field::kHatch2 && field_of(39).slot == 2);

double value_at(const double* block, int i) {
  double v;
  std::memcpy(&v, block + i, sizeof v);
  return v;
}

// Whether both sets hold every slot that a set flag of mask names.
bool slots_present(const MASK& mask, const DBSURFREFTYPE& a, const DBSURFREFTYPE& b) {
  for (int f = 0; f < MASK::kSurfaceFlags; ++f) {
    const FlagField ff = field_of(f);
    if (mask.surface[f] == 0 || ff.field == Field::kNone) continue;
    const auto need = static_cast<unsigned>(ff.slot) + 1;
    if (a.size() < need || b.size() < need) return false;
  }
  return true;
}

bool names_equal(const DBSURFHATCH& a, const DBSURFHATCH& b) {
  return std::strncmp(a.name, b.name, sizeof a.name) == 0;
}

}  // namespace

int DLIST_CALL DlgSelectSurfMask(MASK& mask, const DBSURFREFTYPE& source, DBSURFREFTYPE& target) {
  if (!slots_present(mask, source, target)) return 0;
  for (int f = 0; f < MASK::kSurfaceFlags; ++f) {
    const FlagField ff = field_of(f);
    if (mask.surface[f] == 0 || ff.field == Field::kNone) continue;
    const DBSURFHATCH& s = source[static_cast<unsigned>(ff.slot)];
    const DBSURFHATCH& t = target[static_cast<unsigned>(ff.slot)];
    bool equal = true;
    switch (ff.field) {
      case Field::kName:
        equal = names_equal(s, t) && s.name_index == t.name_index;
        break;
      case Field::kType:
        equal = s.type == t.type;
        break;
      case Field::kHatch1:
        equal = value_at(s.hatch1, ff.value) == value_at(t.hatch1, ff.value);
        break;
      case Field::kHatch2:
        equal = value_at(s.hatch2, ff.value) == value_at(t.hatch2, ff.value);
        break;
      case Field::kLast:
        equal = s.last_flags == t.last_flags;
        break;
      case Field::kNone:
        break;
    }
    if (!equal) return 0;
  }
  return 1;
}

void DLIST_CALL DlgUpdateSurfMask(MASK& mask, const DBSURFREFTYPE& source, DBSURFREFTYPE& target) {
  if (!slots_present(mask, source, target)) return;
  for (int f = 0; f < MASK::kSurfaceFlags; ++f) {
    const FlagField ff = field_of(f);
    if (mask.surface[f] == 0 || ff.field == Field::kNone) continue;
    const DBSURFHATCH& s = source[static_cast<unsigned>(ff.slot)];
    DBSURFHATCH& t = target[static_cast<unsigned>(ff.slot)];
    switch (ff.field) {
      case Field::kName: {
        const std::size_t n = strnlen(s.name, sizeof s.name);
        std::memcpy(t.name, s.name, n < sizeof t.name ? n + 1 : n);
        t.name_index = s.name_index;
        break;
      }
      case Field::kType:
        t.type = s.type;
        std::memcpy(t.hatch2, s.hatch2, sizeof t.hatch2);
        t.last_flags = s.last_flags;
        break;
      case Field::kHatch1:
        std::memcpy(t.hatch1 + ff.value, s.hatch1 + ff.value, sizeof(double));
        break;
      case Field::kHatch2:
        std::memcpy(t.hatch2 + ff.value, s.hatch2 + ff.value, sizeof(double));
        break;
      case Field::kLast:
        t.last_flags = s.last_flags;
        break;
      case Field::kNone:
        break;
    }
  }
}

DBSURFHATCH* DBSURFHATCH_ITERATOR::next() {
  if (set_ == nullptr || position_ >= set_->size()) return nullptr;
  return &(*set_)[position_++];
}
