// Checking controls against their limits, the framework's warning, and moving
// values between controls and the caller's bound buffers: read when the dialog
// starts, written back when it is accepted. Numbers are read and written with "."
// as the decimal point. A value that does not fit its buffer is never cut: the
// check refuses it while the dialog runs, and the write-back leaves the buffer as
// it was (and notes it) for a control the check skipped.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "foundation/fixed_text.h"
#include "host/dialog/engine_internal.h"

namespace dlist::dialog_internal {

namespace {

std::string trimmed(const std::string& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return text.substr(b, e - b);
}

}  // namespace

std::string shown_text(const Control& c) {
  if (c.kind == Kind::kCombo && (c.style & 0x3) == kCbsDropDownList) {
    const int i = c.combo->current;
    return i >= 0 && static_cast<size_t>(i) < c.combo->items.size()
               ? c.combo->items[static_cast<size_t>(i)].text
               : std::string();
  }
  return c.text;
}

namespace {

// The control's value as an integer, when it has one.
bool number_of(const Control& c, long long* v) {
  switch (c.kind) {
    case Kind::kCheckBox:
      *v = c.check;
      return true;
    case Kind::kCombo:
      if (c.binding == Binding::kInt || c.binding == Binding::kLong) {
        *v = c.combo->current;
        return true;
      }
      break;
    case Kind::kTab:
      *v = c.tab->current;
      return true;
    default:
      break;
  }
  return parse_integer(c.text, v);
}

std::string range_text(long long a, long long b) {
  return std::to_string(a) + " to " + std::to_string(b);
}

std::string range_text(double a, double b) {
  return format_real(a, -1) + " to " + format_real(b, -1);
}

}  // namespace

bool parse_integer(const std::string& text, long long* value) {
  std::string t = trimmed(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  long long v = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, 10);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  *value = v;
  return true;
}

bool parse_real(const std::string& text, double* value) {
  std::string t = trimmed(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  double v = 0.0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

std::string format_real(double value, int decimals) {
  const int n = decimals >= 0 ? std::snprintf(nullptr, 0, "%.*f", decimals, value)
                              : std::snprintf(nullptr, 0, "%.15g", value);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  if (decimals >= 0) {
    std::snprintf(out.data(), out.size(), "%.*f", decimals, value);
  } else {
    std::snprintf(out.data(), out.size(), "%.15g", value);
  }
  out.resize(static_cast<size_t>(n));
  return out;
}

std::string Engine::check(const Control& c) const {
  const std::string text = shown_text(c);
  if (c.binding == Binding::kText && text.size() + 1 > c.buffer_size) {
    return "the text of " + std::to_string(text.size()) + " characters does not fit (at most " +
           std::to_string(c.buffer_size - 1) + ")";
  }
  const bool integral =
      c.kind == Kind::kInteger ||
      ((c.kind == Kind::kEdit) && (c.binding == Binding::kInt || c.binding == Binding::kLong));
  const bool real =
      c.kind == Kind::kDouble || (c.kind == Kind::kEdit && c.binding == Binding::kDouble);
  if (integral) {
    long long v = 0;
    if (!parse_integer(text, &v)) return "'" + text + "' is not a whole number";
    if (c.binding == Binding::kInt &&
        (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())) {
      return "the number is too large";
    }
    if (c.binding == Binding::kLong &&
        (v < std::numeric_limits<long>::min() || v > std::numeric_limits<long>::max())) {
      return "the number is too large";
    }
    if (c.has_range_n && (v < c.min_n || v > c.max_n)) {
      return "the number must lie between " + range_text(c.min_n, c.max_n);
    }
    return {};
  }
  if (real) {
    double v = 0.0;
    if (!parse_real(text, &v)) return "'" + text + "' is not a number";
    if (c.has_range_d && (v < c.min_d || v > c.max_d)) {
      return "the number must lie between " + range_text(c.min_d, c.max_d);
    }
    return {};
  }
  if ((c.kind == Kind::kEdit || c.kind == Kind::kCombo) && c.has_range_n) {
    const auto n = static_cast<long long>(text.size());
    if (n < c.min_n || n > c.max_n) {
      return "the text must have " + range_text(c.min_n, c.max_n) + " characters";
    }
  }
  return {};
}

int Engine::check_inputs(Dialog* d, int control) {
  auto failed = [&](Control& c) {
    if (!c.enabled || !c.visible || c.read_only()) return false;
    if (check(c).empty()) return false;
    c.marked = true;
    error_id = c.id;
    return true;
  };
  if (control != 0) {
    Control* c = d->control(control);
    return c != nullptr && failed(*c) ? 0 : 1;
  }
  for (int id : d->order) {
    if (failed(d->controls[id])) return 0;
  }
  return 1;
}

void Engine::warn(Dialog* d, int control) {
  if (control == 0) control = error_id;
  WarningRecord w;
  w.context = d->context;
  if (Control* c = d->control(control)) {
    w.control = control;
    w.text = check(*c);
    if (w.text.empty()) w.text = "check the value of control " + std::to_string(control);
    c->marked = true;
    if (c->focusable() && c->enabled && c->visible) d->focus = control;
    c->text_selected = c->typable();
  } else {
    w.message = control;
    w.text = dialog_text(control);
  }
  log.warnings.push_back(w);
  active_dialog_user().show_warning(w);
}

void Engine::set_number(Control& c, long long value) {
  switch (c.kind) {
    case Kind::kCheckBox:
      c.check = static_cast<int>(value);
      return;
    case Kind::kCombo:
      c.combo->current = value < 0 ? -1 : static_cast<int>(std::min<long long>(value, 1 << 30));
      if (c.combo->current >= 0 && static_cast<size_t>(c.combo->current) < c.combo->items.size()) {
        c.text = c.combo->items[static_cast<size_t>(c.combo->current)].text;
      }
      return;
    case Kind::kTab:
      if (value >= -1 && value < static_cast<long long>(c.tab->tabs.size())) {
        c.tab->current = static_cast<int>(value);
      }
      return;
    default:
      c.text = std::to_string(value);
      return;
  }
}

void Engine::set_real(Control& c, double value) {
  c.text = format_real(value, c.decimals);
}

void Engine::load_buffers(Dialog* d) {
  for (int id : d->order) {
    Control& c = d->controls[id];
    switch (c.binding) {
      case Binding::kText: {
        const char* text = static_cast<const char*>(c.buffer);
        c.text = field_string(text, c.buffer_size);
        if (c.kind == Kind::kCombo) {
          for (size_t i = 0; i < c.combo->items.size(); ++i) {
            if (c.combo->items[i].text == c.text) c.combo->current = static_cast<int>(i);
          }
        }
        break;
      }
      case Binding::kInt:
        set_number(c, *static_cast<const int*>(c.buffer));
        break;
      case Binding::kLong:
        set_number(c, *static_cast<const long*>(c.buffer));
        break;
      case Binding::kDouble:
        set_real(c, *static_cast<const double*>(c.buffer));
        break;
      case Binding::kBool:
        c.check = *static_cast<const bool*>(c.buffer) ? 1 : 0;
        break;
      case Binding::kNone:
        break;
    }
  }
}

void Engine::write_back(Dialog* d) {
  for (int id : d->order) {
    Control& c = d->controls[id];
    const std::string where = "control " + std::to_string(id) + " of '" + d->title + "'";
    switch (c.binding) {
      case Binding::kText: {
        const std::string text = shown_text(c);
        if (text.size() + 1 > c.buffer_size) {
          note(where + ": text too long for its buffer; buffer left unchanged");
          break;
        }
        std::memcpy(c.buffer, text.c_str(), text.size() + 1);
        break;
      }
      case Binding::kInt:
      case Binding::kLong: {
        long long v = 0;
        const bool fits =
            number_of(c, &v) &&
            (c.binding == Binding::kInt
                 ? v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()
                 : v >= std::numeric_limits<long>::min() && v <= std::numeric_limits<long>::max());
        if (!fits) {
          note(where + ": no whole number to write back; buffer left unchanged");
        } else if (c.binding == Binding::kInt) {
          *static_cast<int*>(c.buffer) = static_cast<int>(v);
        } else {
          *static_cast<long*>(c.buffer) = static_cast<long>(v);
        }
        break;
      }
      case Binding::kDouble: {
        double v = 0.0;
        if (parse_real(c.text, &v)) {
          *static_cast<double*>(c.buffer) = v;
        } else {
          note(where + ": no number to write back; buffer left unchanged");
        }
        break;
      }
      case Binding::kBool:
        *static_cast<bool*>(c.buffer) = c.check != 0;
        break;
      case Binding::kNone:
        break;
    }
  }
}

}  // namespace dlist::dialog_internal
