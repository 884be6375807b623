// The framework's calls under the suite's names, over the engine's models.
#include "host/dialog/framework.h"

#include <cctype>
#include <cstring>
#include <limits>
#include <string>

#include "host/dialog/engine_internal.h"
#include "host/dialog/tree_view.h"

namespace {

namespace di = dlist::dialog_internal;
using di::Binding;
using di::Control;
using di::Dialog;
using di::engine;
using di::Kind;

bool same_class(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  }
  return *a == *b;
}

Kind kind_of_class(const char* window_class, unsigned style) {
  if (window_class == nullptr) return Kind::kWindow;
  if (same_class(window_class, "Edit")) return Kind::kEdit;
  if (same_class(window_class, "Static")) return Kind::kStatic;
  if (same_class(window_class, "ComboBox")) return Kind::kCombo;
  if (same_class(window_class, "SysTreeView32")) return Kind::kTree;
  if (same_class(window_class, "SysListView32")) return Kind::kList;
  if (same_class(window_class, "SysTabControl32")) return Kind::kTab;
  if (same_class(window_class, "Button")) {
    const unsigned type = style & 0x0F;
    const bool check =
        type == 0x2 || type == 0x3 || type == 0x5 || type == 0x6 || type == 0x4 || type == 0x9;
    return check ? Kind::kCheckBox : Kind::kButton;
  }
  return Kind::kWindow;
}

int add(int id, Kind kind, const char* window_class, unsigned style, int x, int y, int cx, int cy,
        const char* text = nullptr) {
  return engine().add_control(id, kind, window_class, style, x, y, cx, cy, text) != nullptr ? 1 : 0;
}

// The control id of the current dialog; null (noted) when there is none.
Control* current_control(int id, const char* call) {
  Dialog* d = engine().current();
  Control* c = d != nullptr ? d->control(id) : nullptr;
  if (c == nullptr) {
    engine().note(std::string(call) + ": no control " + std::to_string(id) +
                  (d != nullptr ? " in '" + d->title + "'" : std::string(" (no current dialog)")));
  }
  return c;
}

bool takes(const Control& c, Binding b) {
  switch (b) {
    case Binding::kText:
      return c.kind == Kind::kEdit || c.kind == Kind::kInteger || c.kind == Kind::kDouble ||
             c.kind == Kind::kCombo || c.kind == Kind::kStatic;
    case Binding::kInt:
    case Binding::kLong:
      return c.kind == Kind::kEdit || c.kind == Kind::kInteger || c.kind == Kind::kCheckBox ||
             c.kind == Kind::kCombo || c.kind == Kind::kTab;
    case Binding::kDouble:
      return c.kind == Kind::kEdit || c.kind == Kind::kDouble || c.kind == Kind::kInteger;
    case Binding::kBool:
      return c.kind == Kind::kCheckBox;
    case Binding::kNone:
      break;
  }
  return false;
}

int bind(int id, Binding b, void* buffer, unsigned size) {
  Control* c = current_control(id, "SetInpCont_Addres");
  if (c == nullptr) return 0;
  if (buffer == nullptr || (b == Binding::kText && size == 0) || !takes(*c, b)) {
    engine().note("SetInpCont_Addres: control " + std::to_string(id) +
                  " cannot take that buffer; refused");
    return 0;
  }
  c->binding = b;
  c->buffer = buffer;
  c->buffer_size = size;
  return 1;
}

int set_proc(const char* call, auto setter) {
  Dialog* d = engine().current();
  if (d == nullptr) {
    engine().note(std::string(call) + " with no current dialog");
    return 0;
  }
  setter(*d);
  return 1;
}

}  // namespace

// ---- temporary buffers ---------------------------------------------------------------------

int AllocTmpBuffers(int n) {
  return engine().reserve(n);
}

void PurgeTmpBuffers() {
  engine().purge();
}

// ---- describing --------------------------------------------------------------------------------

void* MakeMainUnit(void* parent, const char* title, const char* unit, int width, int height) {
  return engine().begin(parent, title, unit, width, height, false);
}

void* MakeModlessHeader(void* parent, const char* title, const char* unit, int width, int height) {
  return engine().begin(parent, title, unit, width, height, true);
}

int Item(const char* text, int id, const char* window_class, unsigned style, int x, int y, int cx,
         int cy) {
  return add(id, kind_of_class(window_class, style), window_class, style, x, y, cx, cy, text);
}

int StaticText(int id, const char* text, int x, int y, int cx, int cy) {
  return add(id, Kind::kStatic, "Static", 0, x, y, cx, cy, text);
}

int TextEditInput(int id, int x, int y, int cx, int cy, unsigned style) {
  return add(id, Kind::kEdit, "Edit", style, x, y, cx, cy);
}

int IntegerInput(int id, int x, int y, int cx, int cy) {
  return add(id, Kind::kInteger, "Edit", 0, x, y, cx, cy);
}

int DoubleInput(int id, int x, int y, int cx, int cy) {
  return add(id, Kind::kDouble, "Edit", 0, x, y, cx, cy);
}

int CheckBoxInput(int id, const char* text, int x, int y, int cx, int cy) {
  return add(id, Kind::kCheckBox, "Button", dlist::kBsCheckBox, x, y, cx, cy, text);
}

int ComboInput(int id, int x, int y, int cx, int cy, unsigned style) {
  return add(id, Kind::kCombo, "ComboBox", style, x, y, cx, cy);
}

int TreeViewInput(int id, int x, int y, int cx, int cy, unsigned style) {
  return add(id, Kind::kTree, "SysTreeView32", style, x, y, cx, cy);
}

int ListViewInputA(int id, int x, int y, int cx, int cy, unsigned style) {
  return add(id, Kind::kList, "SysListView32", style, x, y, cx, cy);
}

int DragingInput(int id, int x, int y, int cx, int cy) {
  return add(id, Kind::kSplitter, "DragBar", 0, x, y, cx, cy);
}

int CommandButton(int id, int text_id, int x, int y, int cx, int cy) {
  Control* c = engine().add_control(id, Kind::kButton, "Button", 0, x, y, cx, cy,
                                    dlist::dialog_text(text_id).c_str());
  if (c == nullptr) return 0;
  c->text_id = text_id;
  return 1;
}

// ---- control data
// --------------------------------------------------------------------------------

int SetInpCont_Addres(int id, char* text, unsigned size) {
  return bind(id, Binding::kText, text, size);
}
int SetInpCont_Addres(int id, int* value) {
  return bind(id, Binding::kInt, value, sizeof *value);
}
int SetInpCont_Addres(int id, long* value) {
  return bind(id, Binding::kLong, value, sizeof *value);
}
int SetInpCont_Addres(int id, double* value) {
  return bind(id, Binding::kDouble, value, sizeof *value);
}
int SetInpCont_Addres(int id, bool* value) {
  return bind(id, Binding::kBool, value, sizeof *value);
}

void* GetInpCont_Addres(int id) {
  Control* c = current_control(id, "GetInpCont_Addres");
  return c != nullptr ? c->buffer : nullptr;
}

int SetInpCont_Integer(int id, long value) {
  Control* c = current_control(id, "SetInpCont_Integer");
  if (c == nullptr) return 0;
  engine().set_number(*c, value);
  return 1;
}

long GetInpCont_Integer(int id) {
  Control* c = current_control(id, "GetInpCont_Integer");
  if (c == nullptr) return 0;
  switch (c->kind) {
    case Kind::kCheckBox:
      return c->check;
    case Kind::kCombo:
      return c->combo->current;
    case Kind::kTab:
      return c->tab->current;
    default:
      break;
  }
  long long v = 0;
  if (!di::parse_integer(c->text, &v) || v < std::numeric_limits<long>::min() ||
      v > std::numeric_limits<long>::max()) {
    return 0;
  }
  return static_cast<long>(v);
}

int SetInpCont_Double(int id, double value) {
  Control* c = current_control(id, "SetInpCont_Double");
  if (c == nullptr) return 0;
  engine().set_real(*c, value);
  return 1;
}

double GetInpCont_Double(int id) {
  Control* c = current_control(id, "GetInpCont_Double");
  double v = 0.0;
  if (c == nullptr || !di::parse_real(c->text, &v)) return 0.0;
  return v;
}

int SetInpCont_MinMaxN(int id, long min, long max) {
  Control* c = current_control(id, "SetInpCont_MinMaxN");
  if (c == nullptr) return 0;
  if (min > max) {
    engine().note("SetInpCont_MinMaxN: control " + std::to_string(id) + " with min above max");
    return 0;
  }
  c->has_range_n = true;
  c->min_n = min;
  c->max_n = max;
  return 1;
}

int GetInpCont_MinMaxN(int id, long* min, long* max) {
  Control* c = current_control(id, "GetInpCont_MinMaxN");
  if (c == nullptr || !c->has_range_n) return 0;
  if (min != nullptr) *min = static_cast<long>(c->min_n);
  if (max != nullptr) *max = static_cast<long>(c->max_n);
  return 1;
}

int SetInpCont_MinMaxD(int id, double min, double max, int decimals) {
  Control* c = current_control(id, "SetInpCont_MinMaxD");
  if (c == nullptr) return 0;
  if (!(min <= max)) {  // also refuses NaN
    engine().note("SetInpCont_MinMaxD: control " + std::to_string(id) + " with min above max");
    return 0;
  }
  c->has_range_d = true;
  c->min_d = min;
  c->max_d = max;
  c->decimals = decimals < 0 ? -1 : (decimals > 15 ? 15 : decimals);
  return 1;
}

int GetInpCont_MinMaxD(int id, double* min, double* max) {
  Control* c = current_control(id, "GetInpCont_MinMaxD");
  if (c == nullptr || !c->has_range_d) return 0;
  if (min != nullptr) *min = c->min_d;
  if (max != nullptr) *max = c->max_d;
  return 1;
}

int SetInpCont_Extern(int id, intptr_t value) {
  Control* c = current_control(id, "SetInpCont_Extern");
  if (c == nullptr) return 0;
  c->extern_value = value;
  return 1;
}

intptr_t GetInpCont_Extern(int id) {
  Control* c = current_control(id, "GetInpCont_Extern");
  return c != nullptr ? c->extern_value : 0;
}

int SetInpCont_ToolTip(int id, int text_id) {
  Control* c = current_control(id, "SetInpCont_ToolTip");
  if (c == nullptr) return 0;
  c->tooltip = text_id;
  return 1;
}

int GetInpCont_ToolTip(int id) {
  Control* c = current_control(id, "GetInpCont_ToolTip");
  return c != nullptr ? c->tooltip : 0;
}

int SetInpCont_Bitmap(int id, const char* name) {
  Control* c = current_control(id, "SetInpCont_Bitmap");
  if (c == nullptr) return 0;
  c->bitmap = name != nullptr ? name : "";
  return 1;
}

int SetInpCont_DrawProc(int id, dlist::DrawProc proc) {
  Control* c = current_control(id, "SetInpCont_DrawProc");
  if (c == nullptr) return 0;
  c->draw = proc;
  if (c->list) c->list->dirty = true;
  return 1;
}

dlist::DrawProc GetInpCont_DrawProc(int id) {
  Control* c = current_control(id, "GetInpCont_DrawProc");
  return c != nullptr ? c->draw : nullptr;
}

int SetInpCont_MeasureProc(int id, dlist::MeasureProc proc) {
  Control* c = current_control(id, "SetInpCont_MeasureProc");
  if (c == nullptr) return 0;
  c->measure = proc;
  return 1;
}

dlist::MeasureProc GetInpCont_MeasureProc(int id) {
  Control* c = current_control(id, "GetInpCont_MeasureProc");
  return c != nullptr ? c->measure : nullptr;
}

// ---- callbacks ------------------------------------------------------------------------------

int SetDlgInitProc(dlist::InitProc proc) {
  return set_proc("SetDlgInitProc", [&](Dialog& d) { d.init = proc; });
}
int SetAllInputProc(dlist::ActionProc proc) {
  return set_proc("SetAllInputProc", [&](Dialog& d) { d.action = proc; });
}
int SetKeyEnterProc(dlist::EnterProc proc) {
  return set_proc("SetKeyEnterProc", [&](Dialog& d) { d.enter = proc; });
}
int SetDlgTimerProc(dlist::TimerProc proc) {
  return set_proc("SetDlgTimerProc", [&](Dialog& d) { d.timer = proc; });
}
int SetIDC_OKProc(dlist::OkProc proc) {
  return set_proc("SetIDC_OKProc", [&](Dialog& d) { d.ok = proc; });
}
int SetCancelProc(dlist::CancelProc proc) {
  return set_proc("SetCancelProc", [&](Dialog& d) { d.cancel = proc; });
}

// ---- running ----------------------------------------------------------------------------------

int RunModalDialog(void* parent, int reserved, int context, int flags) {
  (void)reserved;
  (void)flags;
  return engine().run_modal(engine().building(), parent, context);
}

void* RunModlessDialog(void* parent, int context) {
  return engine().run_modeless(engine().building(), parent, context);
}

// ---- validation ------------------------------------------------------------------------------

int InputChecking(void* dialog, int control) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr) {
    engine().note("InputChecking on a dialog that is not open");
    return 0;
  }
  return engine().check_inputs(d, control);
}

void WarningProc(void* dialog, int control) {
  Dialog* d = engine().dialog(dialog);
  if (d == nullptr) {
    engine().note("WarningProc on a dialog that is not open");
    return;
  }
  engine().warn(d, control);
}

void SetErrorId(int control) {
  engine().error_id = control;
  Dialog* d = engine().current();
  if (d == nullptr) return;
  if (Control* c = d->control(control)) c->marked = true;
}

int GetErrorId() {
  return engine().error_id;
}

// ---- controls of a running dialog -------------------------------------------------------------

void* GetControlHWND(void* dialog, int id) {
  Control* c = engine().control(dialog, id);
  return c != nullptr ? di::to_handle(c->window) : nullptr;
}

int SetInputActivitet(void* dialog, int id, int enable) {
  Dialog* d = nullptr;
  Control* c = engine().control(dialog, id, &d);
  if (c == nullptr) return 0;
  c->enabled = enable != 0;
  if (!c->enabled && d->focus == id) d->focus = 0;
  return 1;
}

int ShowDlgInput(void* dialog, int id, int show) {
  Dialog* d = nullptr;
  Control* c = engine().control(dialog, id, &d);
  if (c == nullptr) return 0;
  c->visible = show != 0;
  if (!c->visible && d->focus == id) d->focus = 0;
  if (c->visible && c->list) c->list->dirty = true;
  return 1;
}

_TREEITEM* AddTreeViewItem(_TREEITEM* parent, const char* text, _TREEITEM* after, int image,
                           void* tree, intptr_t param) {
  return dlist::tree_insert(tree, parent, after, text, image, image, param);
}

#if !defined(_WIN32)
void* SetFocus(void* control) {
  Dialog* d = nullptr;
  Control* c = engine().control(control, &d);
  if (c == nullptr || !c->focusable() || !c->enabled || !c->visible) return nullptr;
  Control* before = d->control(d->focus);
  d->focus = c->id;
  return before != nullptr ? di::to_handle(before->window) : nullptr;
}

void* GetFocus() {
  Dialog* d = engine().innermost();
  Control* c = d != nullptr ? d->control(d->focus) : nullptr;
  return c != nullptr ? di::to_handle(c->window) : nullptr;
}

int GetDlgCtrlID(void* control) {
  Control* c = engine().control(control);
  return c != nullptr ? c->id : 0;
}
#endif
