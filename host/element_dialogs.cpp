// One preset dialog for the thirteen element kinds, driven by a table of fields per
// kind.
#include "host/element_dialogs.h"

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "foundation/element_kinds.h"
#include "host/dialog/framework.h"
#include "host/report.h"
#include "host/resources.h"

namespace dlist {
namespace {

// Labels of the fields.
enum : int {
  kLayer = 50730,
  kContourPen,
  kLineType,
  kFillPen,
  kFillBackgroundPen,
  kFillPattern,
  kSectionPen,
  kViewPen,
  kPen,
  kHeight,
  kWidthFactor,
  kSpacing,
  kLineWidth,
  kMarkKind,
  kMarkSize,
};

// Titles: the kinds' names.
constexpr int kKindTitle[] = {0,     21440, 21441, 21442, 21444, 21443, 21445,
                              21446, 21447, 21451, 21450, 21448, 21449, 21452};

struct FieldDef {
  int label;
  double min, max;
  bool integral;
  double (*get)(const void* palette);
  void (*set)(void* palette, double value);
};

template <class P, auto M>
double get_field(const void* p) {
  return static_cast<double>(static_cast<const P*>(p)->*M);
}

template <class P, auto M>
void set_field(void* p, double v) {
  using T = std::remove_cvref_t<decltype(std::declval<P&>().*M)>;
  static_cast<P*>(p)->*M = static_cast<T>(v);
}

#define DLIST_FIELD(P, member, label, lo, hi)                                     \
  FieldDef {                                                                      \
    label, lo, hi, std::is_integral_v<std::remove_cvref_t<decltype(P{}.member)>>, \
        &get_field<P, &P::member>, &set_field<P, &P::member>                      \
  }

// The drawing settings every palette with a head has.
template <class P>
std::vector<FieldDef> head_fields() {
  return {DLIST_FIELD(P, layer, kLayer, 1, 255),
          DLIST_FIELD(P, contour_pen, kContourPen, 1, 255),
          DLIST_FIELD(P, line_type, kLineType, 1, 255),
          DLIST_FIELD(P, fill_pen, kFillPen, 1, 255),
          DLIST_FIELD(P, fill_bg_pen, kFillBackgroundPen, 0, 255),
          DLIST_FIELD(P, fill, kFillPattern, 0, 32767),
          DLIST_FIELD(P, section_pen, kSectionPen, 1, 255),
          DLIST_FIELD(P, view_pen, kViewPen, 1, 255)};
}

template <int K>
std::vector<FieldDef> fields_of() {
  using P = typename Kind<K>::palette;
  if constexpr (std::is_base_of_v<DBPALETTEHEAD, P>) {
    return head_fields<P>();
  } else if constexpr (std::is_same_v<P, DBTEXTPALETTE>) {
    return {DLIST_FIELD(P, layer, kLayer, 1, 255), DLIST_FIELD(P, pen, kPen, 1, 255),
            DLIST_FIELD(P, height, kHeight, 0, 1e6),
            DLIST_FIELD(P, width_factor, kWidthFactor, 0.01, 100),
            DLIST_FIELD(P, spacing, kSpacing, 0.01, 100)};
  } else if constexpr (std::is_same_v<P, DBLINEPALETTE>) {
    return {DLIST_FIELD(P, layer, kLayer, 1, 255), DLIST_FIELD(P, pen, kPen, 1, 255),
            DLIST_FIELD(P, line_type, kLineType, 1, 255),
            DLIST_FIELD(P, width, kLineWidth, 0, 1e6)};
  } else if constexpr (std::is_same_v<P, DBCIRCPALETTE>) {
    return {DLIST_FIELD(P, layer, kLayer, 1, 255),
            DLIST_FIELD(P, pen, kContourPen, 1, 255),
            DLIST_FIELD(P, line_type, kLineType, 1, 255),
            DLIST_FIELD(P, fill_pen, kFillPen, 1, 255),
            DLIST_FIELD(P, fill_bg_pen, kFillBackgroundPen, 0, 255),
            DLIST_FIELD(P, fill, kFillPattern, 0, 32767),
            DLIST_FIELD(P, width, kLineWidth, 0, 1e6)};
  } else {
    return {DLIST_FIELD(P, layer, kLayer, 1, 255), DLIST_FIELD(P, pen, kPen, 1, 255),
            DLIST_FIELD(P, kind, kMarkKind, 0, 255), DLIST_FIELD(P, size, kMarkSize, 0, 1e6)};
  }
}

#undef DLIST_FIELD

// The fields of kind and the address of the palette member in a record of it.
struct KindTable {
  std::vector<FieldDef> fields;
  void* (*palette)(void* record) = nullptr;
};

const KindTable* table_of(int kind) {
  static const std::vector<KindTable> tables = [] {
    std::vector<KindTable> t(kLastKind + 1);
    for_each_kind([&](auto k) {
      using K = decltype(k);
      t[K::kind].fields = fields_of<K::kind>();
      t[K::kind].palette = [](void* r) -> void* {
        return &static_cast<typename K::element*>(r)->palette;
      };
    });
    return t;
  }();
  return kind >= kFirstKind && kind <= kLastKind ? &tables[static_cast<size_t>(kind)] : nullptr;
}

struct PresetState {
  const KindTable* table = nullptr;
  void* palette = nullptr;
};
PresetState* g_state = nullptr;

int DLIST_CALL preset_init(void* dialog) {
  (void)dialog;
  for (size_t i = 0; i < g_state->table->fields.size(); ++i) {
    const FieldDef& f = g_state->table->fields[i];
    const int id = kElementFirstField + static_cast<int>(i);
    const double v = f.get(g_state->palette);
    if (f.integral) {
      SetInpCont_Integer(id, static_cast<long>(v));
    } else {
      SetInpCont_Double(id, v);
    }
  }
  return 1;
}

int DLIST_CALL preset_ok(void* dialog) {
  if (InputChecking(dialog, 0) == 0) return 0;
  for (size_t i = 0; i < g_state->table->fields.size(); ++i) {
    const FieldDef& f = g_state->table->fields[i];
    const int id = kElementFirstField + static_cast<int>(i);
    f.set(g_state->palette,
          f.integral ? static_cast<double>(GetInpCont_Integer(id)) : GetInpCont_Double(id));
  }
  return 1;
}

}  // namespace

int element_field_count(int kind) {
  const KindTable* t = table_of(kind);
  return t != nullptr ? static_cast<int>(t->fields.size()) : 0;
}

}  // namespace dlist

int CrtElementPreset(void* parent, int kind, void* record) {
  using namespace dlist;
  const KindTable* table = table_of(kind);
  if (table == nullptr || record == nullptr) return 0;
  PresetState state{table, table->palette(record)};
  PresetState* previous = g_state;
  g_state = &state;
  int result = 0;
  if (AllocTmpBuffers(static_cast<int>(table->fields.size()) + 2) != 0) {
    char title[128];
    LoadStr(nullptr, static_cast<unsigned>(kKindTitle[kind]), title, sizeof title);
    const int rows = static_cast<int>(table->fields.size());
    bool built = MakeMainUnit(parent, title, "ElemPreset", 220, 30 + rows * 22) != nullptr;
    for (int i = 0; built && i < rows; ++i) {
      const FieldDef& f = table->fields[static_cast<size_t>(i)];
      const int id = kElementFirstField + i;
      char label[128];
      LoadStr(nullptr, static_cast<unsigned>(f.label), label, sizeof label);
      built = StaticText(id + 100, label, 5, 5 + i * 22, 100, 18) != 0 &&
              (f.integral ? IntegerInput(id, 110, 5 + i * 22, 100, 18)
                          : DoubleInput(id, 110, 5 + i * 22, 100, 18)) != 0;
      if (built && f.integral) {
        built = SetInpCont_MinMaxN(id, static_cast<long>(f.min), static_cast<long>(f.max)) != 0;
      } else if (built) {
        built = SetInpCont_MinMaxD(id, f.min, f.max) != 0;
      }
    }
    built = built && CommandButton(kIdReject, 20995, 5, 10 + rows * 22, 60, 20) != 0 &&
            CommandButton(kIdAccept, 36, 150, 10 + rows * 22, 60, 20) != 0 &&
            SetDlgInitProc(preset_init) != 0 && SetIDC_OKProc(preset_ok) != 0;
    if (built) {
      result = RunModalDialog(parent, 0, kElementDialogContext + kind, 0);
    } else {
      SpecBeep(0, "ELEMDLG", __LINE__);
    }
    PurgeTmpBuffers();
  } else {
    SpecBeep(0, "ELEMDLG", __LINE__);
  }
  g_state = previous;
  return result != 0 ? 1 : 0;
}
