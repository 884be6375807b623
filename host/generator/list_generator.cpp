// The walk of a list definition's tree over the model, and the lists it writes.

#include "host/generator/list_generator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "foundation/code_page.h"
#include "foundation/element_kinds.h"
#include "foundation/stream_error.h"
#include "host/currency_format.h"
#include "host/dialog/message_box.h"
#include "host/dialog/notify_codes.h"
#include "host/generator/generator_model.h"
#include "host/list/list_context.h"
#include "host/list_sets/list_set_store.h"
#include "host/progress.h"
#include "host/model/element_parameters.h"
#include "host/model/model_database.h"
#include "host/report.h"
#include "host/resources.h"
#include "host/whole_file.h"

namespace dlist::generator {
namespace {

namespace fs = std::filesystem;

// One row of a material loop: a material with its quantity and total.
struct Row {
  const Material* material = nullptr;
  double quantity = 0;
  bool quantity_known = true;
  double total = 0;
  std::string parameter;  // the measuring parameter of the link (for its precision)
};

// A subprice row.
struct SubRow {
  const SubpriceRef* ref = nullptr;
  double price = 0, total = 0;
};

// A parameter or attribute row of an object-parameter or element-attribute loop.
struct ValueRow {
  std::string key, name, value, unit;
  unsigned count = 0;
};

// Where the walk stands: what the fields of a section show.
struct Scope {
  std::vector<const Element*> elements;
  const std::string* plan = nullptr;
  const Element* floor_of = nullptr;  // an element of the current floor
  const Element* layer_of = nullptr;  // an element of the current layer
  const Element* element = nullptr;
  std::string name;  // the current item's name ({NAME})
  std::string value;  // the current attribute loop value
  const Row* row = nullptr;
  const SubRow* subrow = nullptr;
  const ValueRow* valuerow = nullptr;
  double* sum = nullptr;  // the running total of the innermost loop pass
};

// The summary of a material or element-attribute loop, gathered over an element loop.
struct Summary {
  const DL_TREE_CELL* cell = nullptr;
  std::map<std::string, Row> rows;            // material loops: by code (or code prefix)
  std::map<std::pair<std::string, std::string>, ValueRow> values;  // element attributes
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool read_number(const std::string& text, double& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return end != nullptr && *end == '\0' && std::isfinite(out);
}

std::string fixed(double v, int digits) {
  if (digits < 0) digits = 0;
  if (digits > 15) digits = 15;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

std::string shortest(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

// The first `level` components of a code (all for 0).
std::string code_prefix(const std::string& code, unsigned level) {
  if (level == 0) return code;
  std::size_t at = 0;
  for (unsigned i = 0; i < level; ++i) {
    at = code.find('.', at);
    if (at == std::string::npos) return code;
    if (i + 1 < level) ++at;
  }
  return code.substr(0, at);
}

class Walker {
 public:
  Walker(const DL_LISTSPEC& list, const DL_LISTSPEC_LIST& set, const list_sets::DL_TEMPLATE& tpl,
         const Model& model, Library& library, bool html)
      : list_(list), set_(set), tpl_(tpl), model_(model), library_(library), html_(html) {}

  void run(ListResult& result) {
    Scope root;
    for (const Element& e : model_.elements) root.elements.push_back(&e);
    double total = 0;
    root.sum = &total;
    sums_.push_back(&total);
    root.name = list_.title.empty() ? list_.Name() : list_.title;
    walk_sons(list_.Tree(), root, nullptr);
    result.rows = rows_;
    result.total = total;
    result.log = log_;
  }

  const std::string& text() const { return out_; }

 private:
  // ---- fields ----

  int precision_of(const std::string& key, int fallback) const {
    for (const DL_PRECISION& p : set_.Precision())
      if (key == p.key) return p.precision;
    return fallback;
  }

  std::string quantity_text(const Row& r) const {
    if (!r.quantity_known) return {};
    const ParameterInfo* info = r.parameter.empty() ? nullptr : parameter_info(r.parameter);
    int digits = info ? precision_of(r.parameter, info->precision) : 2;
    return fixed(r.quantity, precision_of("QUANT", digits));
  }

  std::string money(double v) const {
    const std::string plain = fixed(v, precision_of("PRICE", 2));
    std::optional<std::string> c = format_currency(plain);
    return c ? *c : plain;
  }

  static const std::string* element_value(const Element& e, const std::string& key, std::string& buffer) {
    if (const std::string* a = e.attribute(key)) return a;
    auto p = e.parameters.find(key);
    if (p == e.parameters.end()) return nullptr;
    const ParameterInfo* info = parameter_info(key);
    buffer = fixed(p->second, info ? info->precision : 2);
    return &buffer;
  }

  // The value of a field in the scope (stored bytes); nothing for a field it lacks.
  std::optional<std::string> field(const std::string& name, const Scope& s) const {
    const Element* e = s.element;
    if (name == "TITLE") return list_.title.empty() ? list_.Name() : list_.title;
    if (name == "LIST") return list_.Name();
    if (name == "NAME") return s.name;
    if (name == "VALUE") {
      if (s.valuerow) return s.valuerow->value;
      return s.value;
    }
    if (s.row != nullptr) {
      const Row& r = *s.row;
      if (name == "MATCOD") return r.material->code;
      if (name == "MATNAM") return r.material->name;
      if (name == "UNIT") return r.material->unit;
      if (name == "MARKET") return r.material->market;
      if (name == "QUANT") return quantity_text(r);
      if (s.subrow == nullptr) {
        if (name == "PRICE") return money(r.material->price);
        if (name == "TOTAL") return money(r.total);
      }
    }
    if (s.subrow != nullptr) {
      if (name == "SUBPR") return s.subrow->ref->abbrev;
      if (name == "SUBNAM") return s.subrow->ref->name;
      if (name == "PRICE") return money(s.subrow->price);
      if (name == "TOTAL") return money(s.subrow->total);
    }
    if (s.valuerow != nullptr) {
      const ValueRow& v = *s.valuerow;
      if (name == "PARKEY" || name == "ATTKEY") return v.key;
      if (name == "PARNAM" || name == "ATTNAM") return v.name;
      if (name == "UNIT") return v.unit;
      if (name == "COUNT") return std::to_string(v.count);
    }
    if (name == "TOTAL") return money(s.sum ? *s.sum : 0);
    if (name == "PLAN") return s.plan ? *s.plan : (e ? e->plan : std::string());
    const Element* f = e ? e : s.floor_of;
    if (name == "FLOOR") return f && f->has_floor ? std::to_string(f->floor) : std::string();
    if (name == "FLRNAM") return f ? f->floor_name : std::string();
    const Element* l = e ? e : s.layer_of;
    if (name == "LAYER") return l ? (l->layer_name.empty() ? std::to_string(l->layer) : l->layer_name) : std::string();
    if (name == "LAYNUM") return l ? std::to_string(l->layer) : std::string();
    if (e != nullptr) {
      if (name == "ID") return "#" + std::to_string(e->id);
      if (name == "KIND") return kind_facts(e->kind)->cli_name;
      if (name == "LOC") return e->location_name;
      if (name == "LOCKEY") return e->location ? std::to_string(e->location) : std::string();
      std::string buffer;
      if (name.rfind("ATTR:", 0) == 0) {
        const std::string* v = e->attribute(name.substr(5));
        return v ? *v : std::string();
      }
      if (name.rfind("PARAM:", 0) == 0) {
        const std::string key = name.substr(6);
        auto p = e->parameters.find(key);
        if (p == e->parameters.end()) return std::string();
        const ParameterInfo* info = parameter_info(key);
        return fixed(p->second, precision_of(key, info ? info->precision : 2));
      }
    }
    return std::nullopt;
  }

  // A field's value as the output shows it: UTF-8, escaped for HTML, one line.
  std::string shown(const std::string& stored) const {
    std::string utf8 = utf8_text(stored);
    std::string out;
    for (char c : utf8) {
      if (static_cast<unsigned char>(c) < 32) {
        out += ' ';
      } else if (html_ && c == '&') {
        out += "&amp;";
      } else if (html_ && c == '<') {
        out += "&lt;";
      } else if (html_ && c == '>') {
        out += "&gt;";
      } else if (html_ && c == '"') {
        out += "&quot;";
      } else {
        out += c;
      }
    }
    return out;
  }

  void emit(unsigned number, const Scope& s) {
    const DL_TSECTION* section = find_section(tpl_, number);
    if (section == nullptr) return;
    for (const std::string& line : section->text) {
      std::string out;
      for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '{') {
          const std::size_t end = line.find('}', i + 1);
          if (end != std::string::npos) {
            if (std::optional<std::string> v = field(line.substr(i + 1, end - i - 1), s)) {
              out += shown(*v);
              i = end;
              continue;
            }
          }
        }
        out += line[i];
      }
      out_ += out;
      out_ += '\n';
    }
  }

  static const DL_TSECTION* find_section(const std::vector<DL_TSECTION>& sections, unsigned number) {
    for (const DL_TSECTION& t : sections) {
      if (t.number == number) return &t;
      if (const DL_TSECTION* inner = find_section(t.sons, number)) return inner;
    }
    return nullptr;
  }

  // ---- filters ----

  // The text of a filter's field for an element or row in the scope.
  std::optional<std::string> filter_field(const std::string& key, const Scope& s) const {
    if (s.element != nullptr) {
      std::string buffer;
      if (const std::string* v = element_value(*s.element, key, buffer)) return *v;
    }
    if (key == "QUANT" && s.row) return shortest(s.row->quantity);
    if (key == "PRICE" && s.row && !s.subrow) return shortest(s.row->material->price);
    if (key == "TOTAL" && s.row && !s.subrow) return shortest(s.row->total);
    if (key == "PRICE" && s.subrow) return shortest(s.subrow->price);
    if (key == "TOTAL" && s.subrow) return shortest(s.subrow->total);
    if (key == "KIND" && s.element) return std::to_string(s.element->kind);
    if (key == "PARAM" && s.row) return s.row->parameter;
    if (key == "VALUE" && s.valuerow) return s.valuerow->value;
    std::optional<std::string> f = field(key, s);
    if (f && f->empty()) return std::nullopt;
    return f;
  }

  static bool text_matches(const DL_FILTER_ENTRY& f, std::string v) {
    std::string lo(f.TextLow().view()), hi(f.TextHigh().view());
    if (f.IsCaseOff()) {
      v = lower(v);
      lo = lower(lo);
      hi = lower(hi);
    }
    bool hit = false;
    switch (f.StringSearchType() & 3u) {
      case DLF_EXACT: hit = hi.empty() ? v == lo : (lo <= v && v <= hi); break;
      case DLF_BEGINS: hit = v.rfind(lo, 0) == 0; break;
      case DLF_CONTAINS: hit = v.find(lo) != std::string::npos; break;
      default: hit = v.size() >= lo.size() && v.compare(v.size() - lo.size(), lo.size(), lo) == 0; break;
    }
    return (f.StringSearchType() & 4u) ? !hit : hit;
  }

  bool entry_matches(const DL_FILTER_ENTRY& f, const Scope& s) const {
    const std::optional<std::string> v = filter_field(f.Key(), s);
    if (!v) return false;
    if (f.Type() == 2) return text_matches(f, *v);
    double x = 0;
    if (!read_number(*v, x)) return false;
    if (f.Type() == 0) return x >= f.IntLow() && x <= f.IntHigh();
    return x >= f.RealLow() && x <= f.RealHigh();
  }

  // Every required entry matches, and of the other entries at least one (when any).
  bool passes(const DL_LOOP& loop, const Scope& s) const {
    const DL_FILTER_PACKET& filters = loop.Filters();
    bool any_optional = false, optional_hit = false;
    for (unsigned i = 0; i < filters.size(); ++i) {
      const bool hit = entry_matches(filters[i], s);
      if (filters[i].IsRequired()) {
        if (!hit) return false;
      } else {
        any_optional = true;
        optional_hit = optional_hit || hit;
      }
    }
    return !any_optional || optional_hit;
  }

  std::vector<const Element*> filtered(const DL_LOOP& loop, const Scope& s,
                                       const std::vector<const Element*>& elements) const {
    std::vector<const Element*> out;
    Scope probe = s;
    for (const Element* e : elements) {
      probe.element = e;
      if (passes(loop, probe)) out.push_back(e);
    }
    return out;
  }

  // ---- the walk ----

  void walk_sons(const DL_TREE_CELL* cell, Scope& s, std::vector<Summary>* summaries) {
    for (const DL_TREE_CELL* son : cell->Sons()) walk(son, s, summaries);
  }

  void add_total(double total) {
    for (double* sum : sums_) *sum += total;
  }

  void walk(const DL_TREE_CELL* cell, Scope& s, std::vector<Summary>* summaries) {
    const DL_LIST_TREE_NODE& node = *cell->node;
    if (!node.Enabled()) return;
    switch (node.TreeNodeType()) {
      case DL_SECTION:
        emit(static_cast<const DL_SECTION_NODE&>(node).Number(), s);
        return;
      case DL_PLAN: return plan_loop(cell, static_cast<const DL_PLAN_LOOP&>(node), s);
      case DL_FLOOR:
      case DL_LAYER: return floor_loop(cell, static_cast<const DL_FLOOR_LOOP&>(node), s, node.TreeNodeType() == DL_LAYER);
      case DL_ELEMENT: return element_loop(cell, static_cast<const DL_ELEMENT_LOOP&>(node), s);
      case DL_INTEGER_ATTRIBUTE:
      case DL_DOUBLE_ATTRIBUTE:
      case DL_STRING_ATTRIBUTE: return attribute_loop(cell, static_cast<const DL_ATTRIBUTE_LOOP&>(node), s, summaries);
      case DL_MATERIAL: return material_loop(cell, static_cast<const DL_LOOP&>(node), s, summaries);
      case DL_SUBPRICE: return subprice_loop(cell, static_cast<const DL_LOOP&>(node), s);
      case DL_OBJPARAM: return objparam_loop(cell, static_cast<const DL_LOOP&>(node), s, summaries);
      case DL_ELEMATTRIBUTE: return elemattribute_loop(cell, static_cast<const DL_LOOP&>(node), s, summaries);
      case DL_CONDITIONAL_GROUP: return group(cell, static_cast<const DL_LOOP&>(node), s, summaries);
      default: return;  // coatings and edges: the model carries none
    }
  }

  // A pass over a group of elements with its own running total.
  void group_pass(const DL_TREE_CELL* cell, Scope s, std::vector<const Element*> elements,
                  std::vector<Summary>* summaries) {
    double sum = 0;
    s.elements = std::move(elements);
    s.sum = &sum;
    sums_.push_back(&sum);
    walk_sons(cell, s, summaries);
    sums_.pop_back();
  }

  void plan_loop(const DL_TREE_CELL* cell, const DL_PLAN_LOOP& loop, const Scope& s) {
    std::vector<std::string> names;
    for (const DL_CHOSEN_PLAN& p : loop.plans) names.emplace_back(p.name.view());
    if (names.empty()) names = model_.plans;
    for (const std::string& name : names) {
      std::vector<const Element*> on;
      for (const Element* e : s.elements)
        if (e->plan == name) on.push_back(e);
      on = filtered(loop, s, on);
      if (on.empty()) continue;
      Scope inner = s;
      inner.plan = &name;
      inner.name = name;
      group_pass(cell, inner, on, nullptr);
    }
  }

  void floor_loop(const DL_TREE_CELL* cell, const DL_FLOOR_LOOP& loop, const Scope& s, bool layers) {
    std::vector<int> items;
    for (const DL_CHOSEN_ITEM& i : loop.items)
      if (i.flag != 0) items.push_back(static_cast<int>(i.id1));
    if (items.empty()) {
      std::set<int> present;
      for (const Element* e : s.elements)
        if (layers || e->has_floor) present.insert(layers ? e->layer : e->floor);
      items.assign(present.begin(), present.end());
    }
    for (int item : items) {
      std::vector<const Element*> on;
      for (const Element* e : s.elements)
        if (layers ? e->layer == item : (e->has_floor && e->floor == item)) on.push_back(e);
      on = filtered(loop, s, on);
      if (on.empty()) continue;
      Scope inner = s;
      if (layers) {
        inner.layer_of = on.front();
        inner.name = on.front()->layer_name.empty() ? std::to_string(item) : on.front()->layer_name;
      } else {
        inner.floor_of = on.front();
        inner.name = on.front()->floor_name;
      }
      group_pass(cell, inner, on, nullptr);
    }
  }

  // The value an attribute loop groups by: the attribute's text or the measured parameter.
  // The value by which an attribute loop groups e: an attribute value, a measured
  // parameter, or for the key "LOCAT" the name of the element's location.
  static std::optional<std::string> group_value(const Element& e, const std::string& key) {
    if (const std::string* a = e.attribute(key)) return *a;
    if (key == "LOCAT") {
      if (e.location == 0 || e.location_name.empty()) return std::nullopt;
      return e.location_name;
    }
    auto p = e.parameters.find(key);
    if (p != e.parameters.end()) return shortest(p->second);
    return std::nullopt;
  }

  void attribute_loop(const DL_TREE_CELL* cell, const DL_ATTRIBUTE_LOOP& loop, const Scope& s,
                      std::vector<Summary>* summaries) {
    const std::string key = loop.AttributeKey();
    const DL_TREE_NODETYPE type = loop.TreeNodeType();
    int precision = -1;
    attribute_name(key, &precision);
    const ParameterInfo* info = parameter_info(key);
    if (precision < 0 && info) precision = info->precision;
    precision = precision_of(key, precision);
    // equal(value of an element, listed value)
    auto equal = [type](const std::string& v, const std::string& listed) {
      if (type == DL_STRING_ATTRIBUTE) return v == listed;
      double a = 0, b = 0;
      if (!read_number(v, a) || !read_number(listed, b)) return false;
      if (type == DL_INTEGER_ATTRIBUTE) return std::llround(a) == std::llround(b) && std::fabs(a - std::round(a)) < 1e-9;
      return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
    };
    std::vector<std::string> values;
    if (type == DL_INTEGER_ATTRIBUTE)
      for (int v : static_cast<const DL_INTEGER_ATTRIBUTE_LOOP&>(loop).values) values.push_back(std::to_string(v));
    if (type == DL_DOUBLE_ATTRIBUTE)
      for (double v : static_cast<const DL_DOUBLE_ATTRIBUTE_LOOP&>(loop).values) values.push_back(shortest(v));
    if (type == DL_STRING_ATTRIBUTE)
      for (const ORB::String& v : static_cast<const DL_STRING_ATTRIBUTE_LOOP&>(loop).values) values.emplace_back(v.view());
    if (values.empty()) {
      std::vector<std::string> present;
      for (const Element* e : s.elements)
        if (std::optional<std::string> v = group_value(*e, key)) {
          bool known = false;
          for (const std::string& p : present) known = known || equal(*v, p);
          double x = 0;
          if (!known && (type == DL_STRING_ATTRIBUTE || read_number(*v, x))) present.push_back(*v);
        }
      std::sort(present.begin(), present.end(), [type](const std::string& a, const std::string& b) {
        double x = 0, y = 0;
        if (type != DL_STRING_ATTRIBUTE && read_number(a, x) && read_number(b, y)) return x < y;
        return a < b;
      });
      values = present;
    }
    for (const std::string& listed : values) {
      std::vector<const Element*> on;
      for (const Element* e : s.elements)
        if (std::optional<std::string> v = group_value(*e, key); v && equal(*v, listed)) on.push_back(e);
      if (s.element != nullptr) {  // inside an element: the element alone, when it carries the value
        on.clear();
        if (std::optional<std::string> v = group_value(*s.element, key); v && equal(*v, listed)) on.push_back(s.element);
      }
      on = filtered(loop, s, on);
      if (on.empty()) continue;
      Scope inner = s;
      double x = 0;
      inner.value = (type != DL_STRING_ATTRIBUTE && precision >= 0 && read_number(listed, x)) ? fixed(x, precision) : listed;
      inner.name = inner.value;
      group_pass(cell, inner, on, summaries);
    }
  }

  void group(const DL_TREE_CELL* cell, const DL_LOOP& loop, const Scope& s, std::vector<Summary>* summaries) {
    if (s.element != nullptr || s.row != nullptr) {
      if (!passes(loop, s)) return;
      Scope inner = s;
      walk_sons(cell, inner, summaries);
      return;
    }
    std::vector<const Element*> on = filtered(loop, s, s.elements);
    if (on.empty()) return;
    Scope inner = s;
    if (!loop.Name().view().empty()) inner.name = std::string(loop.Name().view());
    group_pass(cell, inner, on, summaries);
  }

  void element_loop(const DL_TREE_CELL* cell, const DL_ELEMENT_LOOP& loop, const Scope& s) {
    std::vector<const Element*> chosen;
    for (const Element* e : s.elements)
      if ((static_cast<uint32_t>(loop.Mask()) & ElementClassBit(e->kind)) != 0 &&
          (!loop.PrototypeOnly() || e->from_prototype))
        chosen.push_back(e);
    chosen = filtered(loop, s, chosen);
    sort_elements(loop, chosen);
    std::vector<Summary> summaries;
    double sum = 0;
    Scope inner = s;
    inner.sum = &sum;
    sums_.push_back(&sum);
    for (const Element* e : chosen) {
      inner.element = e;
      inner.elements = {e};
      inner.name = "#" + std::to_string(e->id);
      walk_sons(cell, inner, &summaries);
    }
    // The summaries gathered over the loop's elements, in the order of their loops.
    inner.element = nullptr;
    inner.elements = chosen;
    inner.name = s.name;
    for (const Summary& summary : summaries) emit_summary(summary, inner);
    sums_.pop_back();
  }

  // Orders elements by the loop's key slots (flag 1: descending), then by identifier.
  void sort_elements(const DL_LOOP& loop, std::vector<const Element*>& elements) const {
    std::vector<std::pair<std::string, bool>> keys;
    for (unsigned i = 0; i < 3; ++i)
      if (loop.Key(i)[0] != '\0') keys.emplace_back(loop.Key(i), loop.KeyFlag(i) != 0);
    if (keys.empty()) return;
    auto value = [this](const Element* e, const std::string& key) -> std::string {
      if (key == "ID") return std::string(12 - std::min<std::size_t>(12, std::to_string(e->id).size()), '0') + std::to_string(e->id);
      Scope probe;
      probe.element = e;
      std::optional<std::string> v = filter_field(key, probe);
      return v ? *v : std::string();
    };
    std::stable_sort(elements.begin(), elements.end(), [&](const Element* a, const Element* b) {
      for (const auto& [key, descending] : keys) {
        const std::string x = value(a, key), y = value(b, key);
        double p = 0, q = 0;
        int c = 0;
        if (read_number(x, p) && read_number(y, q)) c = p < q ? -1 : (p > q ? 1 : 0);
        else c = x.compare(y) < 0 ? -1 : (x.compare(y) > 0 ? 1 : 0);
        if (c != 0) return descending ? c > 0 : c < 0;
      }
      return false;
    });
  }

  Summary& summary_of(std::vector<Summary>& summaries, const DL_TREE_CELL* cell) {
    for (Summary& x : summaries)
      if (x.cell == cell) return x;
    summaries.push_back(Summary{cell, {}, {}});
    return summaries.back();
  }

  // The rows of an element's links that pass the loop's filters.
  std::vector<Row> link_rows(const DL_LOOP& loop, const Scope& s) {
    std::vector<Row> rows;
    const Element& e = *s.element;
    for (const Link& link : e.links) {
      std::string why;
      const std::optional<PricedLink> priced = price_link(e, link, library_, why);
      if (!priced) {
        note(why);
        continue;
      }
      Row r;
      r.material = priced->material;
      r.parameter = link.parameter;
      r.quantity = priced->quantity;
      r.total = priced->total;
      Scope probe = s;
      probe.row = &r;
      if (!passes(loop, probe)) continue;
      rows.push_back(r);
    }
    return rows;
  }

  // Adds a row into a summary keyed by its code cut to the loop's level.
  void add_to(std::map<std::string, Row>& rows, const Row& r, unsigned level, long element) {
    const std::string key = code_prefix(r.material->code, level);
    const Material* target = key == r.material->code ? r.material : library_.material(key);
    if (target == nullptr) target = r.material;
    auto [it, fresh] = rows.try_emplace(key);
    Row& sum = it->second;
    if (fresh) {
      sum.material = target;
      sum.parameter = r.parameter;
      sum.quantity = 0;
    }
    if (sum.parameter != r.parameter) sum.parameter.clear();
    std::optional<double> q = target == r.material ? std::optional<double>(r.quantity)
                                                  : library_.convert(r.quantity, r.material->unit, target->unit, nullptr);
    if (q) {
      sum.quantity += *q;
    } else {
      sum.quantity_known = false;
      note("element #" + std::to_string(element) + ": " + r.material->unit + " of " + r.material->code +
           " cannot be converted into " + target->unit + " of " + target->code + "; its quantity is left out of the sum");
    }
    sum.total += r.total;
  }

  void material_loop(const DL_TREE_CELL* cell, const DL_LOOP& loop, const Scope& s, std::vector<Summary>* summaries) {
    if (s.element == nullptr) return;
    std::vector<Row> rows = link_rows(loop, s);
    if (loop.IsSummary() && summaries != nullptr) {
      Summary& summary = summary_of(*summaries, cell);
      for (const Row& r : rows) add_to(summary.rows, r, loop.Level(), s.element->id);
      return;
    }
    if (loop.Level() > 0) {
      std::map<std::string, Row> summed;
      for (const Row& r : rows) add_to(summed, r, loop.Level(), s.element->id);
      rows.clear();
      for (auto& [code, r] : summed) rows.push_back(r);
    }
    for (const Row& r : rows) material_row(cell, r, s);
  }

  void material_row(const DL_TREE_CELL* cell, const Row& r, const Scope& s) {
    ++rows_;
    add_total(r.total);
    Scope inner = s;
    inner.row = &r;
    inner.name = r.material->name;
    walk_sons(cell, inner, nullptr);
  }

  void emit_summary(const Summary& summary, const Scope& s) {
    if (summary.cell->node->TreeNodeType() == DL_MATERIAL) {
      for (const auto& [code, r] : summary.rows) material_row(summary.cell, r, s);
      return;
    }
    for (const auto& [key, v] : summary.values) {
      Scope inner = s;
      inner.valuerow = &v;
      inner.name = v.name;
      walk_sons(summary.cell, inner, nullptr);
    }
  }

  void subprice_loop(const DL_TREE_CELL* cell, const DL_LOOP& loop, const Scope& s) {
    if (s.row == nullptr) return;
    for (const SubpriceRef& ref : s.row->material->subprices) {
      if (!ref.priced) {
        note(ref.fault);  // never priced at 0 in silence
        continue;
      }
      SubRow sub;
      sub.ref = &ref;
      // The price of one unit ("*" the unit price times the value, "+" the value, a
      // formula its result); "i" informs and adds nothing to the totals.
      sub.price = ref.price;
      sub.total = ref.kind == 3 ? 0 : s.row->quantity * sub.price;
      Scope inner = s;
      inner.subrow = &sub;
      if (!passes(loop, inner)) continue;
      ++rows_;
      add_total(sub.total);
      inner.name = ref.name.empty() ? ref.abbrev : ref.name;
      walk_sons(cell, inner, nullptr);
    }
  }

  void objparam_loop(const DL_TREE_CELL* cell, const DL_LOOP& loop, const Scope& s, std::vector<Summary>*) {
    if (s.element == nullptr) return;
    for (const auto& [key, value] : s.element->parameters) {
      ValueRow v;
      v.key = key;
      const ParameterInfo* info = parameter_info(key);
      v.name = info ? info->name : key;
      v.unit = info ? info->unit : std::string();
      v.value = fixed(value, precision_of(key, info ? info->precision : 2));
      v.count = 1;
      Scope inner = s;
      inner.valuerow = &v;
      if (!passes(loop, inner)) continue;
      inner.name = v.name;
      walk_sons(cell, inner, nullptr);
    }
  }

  void elemattribute_loop(const DL_TREE_CELL* cell, const DL_LOOP& loop, const Scope& s,
                          std::vector<Summary>* summaries) {
    if (s.element == nullptr) return;
    for (const AttributeValue& a : s.element->attributes) {
      ValueRow v;
      v.key = a.key;
      v.name = attribute_name(a.key, nullptr);
      if (v.name.empty()) v.name = a.key;
      v.value = a.value;
      v.count = 1;
      Scope inner = s;
      inner.valuerow = &v;
      if (!passes(loop, inner)) continue;
      if (loop.IsSummary() && summaries != nullptr) {
        Summary& summary = summary_of(*summaries, cell);
        auto [it, fresh] = summary.values.try_emplace({a.key, a.value}, v);
        if (!fresh) ++it->second.count;
        continue;
      }
      inner.name = v.name;
      walk_sons(cell, inner, nullptr);
    }
  }

  void note(const std::string& line) {
    if (logged_.insert(line).second) log_.push_back(line);
  }

  const DL_LISTSPEC& list_;
  const DL_LISTSPEC_LIST& set_;
  const list_sets::DL_TEMPLATE& tpl_;
  const Model& model_;
  Library& library_;
  bool html_;
  std::string out_;
  std::vector<double*> sums_;
  std::vector<std::string> log_;
  std::set<std::string> logged_;
  unsigned rows_ = 0;
};

// Whether the template writes HTML: its start section begins with "<".
bool is_html(const list_sets::DL_TEMPLATE& tpl) {
  if (tpl.empty()) return false;
  for (const std::string& line : tpl.front().text) {
    const std::size_t at = line.find_first_not_of(" \t");
    if (at != std::string::npos) return line[at] == '<';
  }
  return false;
}

// A plain file name (no folder, not "." or ".."), or false.
bool plain_file_name(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 255) return false;
  for (char c : name)
    if (c == '/' || c == '\\' || c == ':' || static_cast<unsigned char>(c) < 32) return false;
  return true;
}

std::string file_name_for(const DL_LISTSPEC& list, bool html) {
  if (!list.output_file.empty()) return list.output_file;
  std::string out;
  for (char c : utf8_text(list.Name())) {
    const unsigned char u = static_cast<unsigned char>(c);
    out += (std::isalnum(u) || c == '-' || c == '_' || c == '.' || u >= 0x80) ? c : '_';
  }
  return out + (html ? ".html" : ".txt");
}

uint32_t scope_of(unsigned number, void* ctx) {
  return list_sets::SectionScope(*static_cast<const list_sets::DL_TEMPLATE*>(ctx), number);
}

bool sections_defined(const DL_TREE_CELL* cell, const list_sets::DL_TEMPLATE& tpl, std::string& missing) {
  for (const DL_TREE_CELL* son : cell->Sons()) {
    if (son->node->TreeNodeType() == DL_SECTION) {
      const unsigned n = static_cast<const DL_SECTION_NODE&>(*son->node).Number();
      std::function<bool(const std::vector<DL_TSECTION>&)> find = [&](const std::vector<DL_TSECTION>& ts) {
        for (const DL_TSECTION& t : ts)
          if (t.number == n || find(t.sons)) return true;
        return false;
      };
      if (!find(tpl)) {
        missing = std::to_string(n);
        return false;
      }
    }
    if (!sections_defined(son, tpl, missing)) return false;
  }
  return true;
}

// Which file of the run target is, however it is named: the project, the material
// library, the set or its template, which a list never writes over; empty for none.
std::string kept_file(const fs::path& target, const std::string& ini, const fs::path& tpl) {
  std::vector<std::pair<std::string, std::string>> kept = {{ini, "the set of list definitions"},
                                                           {tpl.string(), "the template"}};
  if (ModelDatabase* model = active_model()) kept.emplace_back(model->fullpath(), "the project");
  if (LISTCONTEXT* lib = MaterialLibrary().GetPC()) kept.emplace_back(lib->fullpath(), "the material library");
  for (const auto& [path, what] : kept) {
    std::error_code ec;
    if (!path.empty() && fs::equivalent(target, path, ec)) return what;
  }
  return {};
}

void generate_one(const DL_LISTSPEC& list, const DL_LISTSPEC_LIST& set, const std::string& folder,
                  const std::string& out_dir, const Model& model, Library& library, ListResult& result) {
  result.name = list.Name();
  auto fail = [&](const std::string& why) { result.error = why; };
  if (set.TemplateFileName().empty()) return fail("the set names no template");
  fs::path tpl_path = fs::path(set.TemplateFileName());
  if (tpl_path.is_relative()) tpl_path = fs::path(folder) / tpl_path;
  list_sets::DL_TEMPLATE tpl;
  std::string why;
  if (!list_sets::ReadTemplate(tpl_path.string(), tpl, why)) return fail("the template cannot be read: " + why);
  if (list.Tree() == nullptr) return fail("the list definition has no tree");
  std::string where;
  if (!DL_CheckTree(list.Tree(), where, why, scope_of, &tpl)) return fail("node " + where + ": " + why);
  std::string missing;
  if (!sections_defined(list.Tree(), tpl, missing)) return fail("section " + missing + " is not in the template");
  const bool html = is_html(tpl);
  const std::string file = file_name_for(list, html);
  if (!plain_file_name(file)) return fail("the output file \"" + file + "\" is no plain file name");
  std::error_code ec;
  if (!fs::is_directory(out_dir.empty() ? fs::path(".") : fs::path(out_dir), ec))
    return fail("the output folder \"" + out_dir + "\" does not exist");
  const std::string path = (fs::path(out_dir.empty() ? "." : out_dir) / file).string();
  for (const std::string& target : {path, path + ".log"})
    if (const std::string what = kept_file(target, set.INIFileName(), tpl_path); !what.empty())
      return fail(target + " is " + what + "; a list is not written over it");
  Walker walker(list, set, tpl, model, library, html);
  walker.run(result);
  if (!write_whole_file(path, walker.text(), why)) return fail("the list cannot be written to " + path + ": " + why);
  result.output = path;
  const std::string log_path = path + ".log";
  if (!result.log.empty()) {
    std::string text;
    for (const std::string& line : result.log) text += utf8_text(line) + "\n";
    if (!write_whole_file(log_path, text, why)) return fail("the log cannot be written to " + log_path + ": " + why);
  } else {
    fs::remove(log_path, ec);  // a log of an earlier run would tell of what is no longer so
  }
  result.ok = true;
}

}  // namespace

std::optional<PricedLink> price_link(const Element& e, const Link& link, Library& library, std::string& why) {
  const Material* m = library.material(link.code);
  if (m == nullptr) {
    why = "element #" + std::to_string(e.id) + ": the material " + link.code +
          " is not in the material library; the link is left out";
    return std::nullopt;
  }
  PricedLink r;
  r.material = m;
  if (link.automatic) {
    auto p = e.parameters.find(link.parameter);
    const std::string* attr = e.attribute(link.parameter);
    double value = 0;
    if (p != e.parameters.end()) {
      value = p->second;
    } else if (attr == nullptr || !read_number(*attr, value)) {
      why = "element #" + std::to_string(e.id) + ": no value of " + link.parameter + " for the material " + link.code +
            "; the link is left out";
      return std::nullopt;
    }
    const ParameterInfo* info = parameter_info(link.parameter);
    const std::string from = info ? info->unit : std::string();
    std::optional<double> q = library.convert(value, from, m->unit, m);
    if (!q) {
      why = "element #" + std::to_string(e.id) + ": " + link.parameter + " in " + (from.empty() ? "no unit" : from) +
            " cannot be converted into " + m->unit + " of the material " + link.code + "; the link is left out";
      return std::nullopt;
    }
    r.quantity = *q;
  } else {
    r.quantity = link.quantity;
  }
  r.total = r.quantity * m->price;
  return r;
}

GenerateResult generate(const std::string& ini, const std::string& name, const DL_LISTSPEC_LIST& set,
                        const GenerateOptions& options) {
  GenerateResult result;
  std::vector<const DL_LISTSPEC*> lists;
  if (!name.empty()) {
    const int at = set.find(name);
    if (at < 0) {
      result.error = "the set holds no list definition \"" + name + "\"";
      return result;
    }
    lists.push_back(set[static_cast<unsigned>(at)]);
  } else {
    for (unsigned i = 0; i < set.size(); ++i)
      if (set[i]->marked) lists.push_back(set[i]);
    if (lists.empty())
      for (unsigned i = 0; i < set.size(); ++i) lists.push_back(set[i]);
  }
  Model model;
  if (!read_model(model, result.error)) return result;
  load_parameter_infos();
  Library library(MaterialLibrary().GetPC());
  const std::string folder = fs::path(ini).parent_path().string();
  const std::string out_dir = options.out_dir.empty() ? (folder.empty() ? "." : folder) : options.out_dir;
  ProgressWindow window(std::string_view("Generating lists"), static_cast<long>(lists.size()));
  for (std::size_t i = 0; i < lists.size(); ++i) {
    window.step(utf8_text(lists[i]->Name()));
    result.lists.emplace_back();
    generate_one(*lists[i], set, folder.empty() ? "." : folder, out_dir, model, library, result.lists.back());
    if (options.progress) options.progress(static_cast<unsigned>(i + 1), static_cast<unsigned>(lists.size()));
  }
  return result;
}

constexpr unsigned kTextListsCaption = 50440;

int generate_for_main_module(const std::string& ini, const std::string& name, DL_LISTSPEC_LIST& set) {
  const GenerateResult r = generate(ini, name, set);
  std::string failed = r.error;
  if (!r.error.empty()) DiagnosticOut(("lists: " + r.error).c_str());
  for (const ListResult& l : r.lists) {
    for (const std::string& line : l.log) DiagnosticOut(("list \"" + l.name + "\": " + line).c_str());
    if (l.ok) continue;
    const std::string why = "list \"" + l.name + "\" was not generated: " + l.error;
    DiagnosticOut(why.c_str());
    failed += (failed.empty() ? "" : "\n") + why;
  }
  // The person who asked for the lists is told which failed, not only the trace.
  if (!failed.empty() && !message_boxes_suppressed())
    MessageBoxA(nullptr, failed.c_str(), load_string(kTextListsCaption).c_str(), kMbOk | kMbIconExclamation);
  return r.ok() ? 1 : 0;
}

}  // namespace dlist::generator
