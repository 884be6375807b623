// The cost-estimate file: the model's elements on the chosen sheets, their links
// priced as the lists price them, summed by material code within each group.
#include "host/generator/cost_estimate_file.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>

#include "foundation/code_page.h"
#include "foundation/stream_error.h"
#include "host/whole_file.h"
#include "host/generator/generator_model.h"
#include "host/generator/list_generator.h"
#include "host/list/list_context.h"
#include "host/model/plans.h"

namespace dlist::generator {
namespace {

struct Total {
  std::string name, unit;
  double quantity = 0;
  double price = 0;
  double total = 0;
};

// A group: the sheet's position in the file (or -1 when sheets are not apart), and
// the floor (when floors are apart).
using GroupKey = std::tuple<int, int>;

// A field of the file: quoted when it holds the separator, a quote or a line break.
std::string field(const std::string& text) {
  const std::string t = utf8_text(text);
  if (t.find_first_of(";\"\r\n") == std::string::npos) return t;
  std::string out = "\"";
  for (char c : t) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string number(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

}  // namespace

bool offer_model_sheets(DEVIS_INTERFACE& estimate, std::vector<std::string>& offered, std::string& error) {
  Model model;
  if (!read_model(model, error)) return false;
  if (!estimate.offer(model.plans)) {
    error = "the layout sheets cannot be offered";
    return false;
  }
  offered = model.plans;
  for (std::size_t i = 0; i < model.plans.size(); ++i) {
    const long plan = get_id_plan(0, model.plans[i].c_str(), nullptr);
    if (plan > 0) get_layernames(plan, &estimate.sheet_names[i]);
  }
  return true;
}

EstimateResult write_cost_estimate(const DEVIS_INTERFACE& estimate, const std::vector<std::string>& offered) {
  EstimateResult result;
  const std::string path(estimate.path, strnlen(estimate.path, kDevisPathSize));
  if (path.empty()) {
    result.error = "no cost-estimate file is named";
    return result;
  }
  if (estimate.by_floor != 0 && estimate.low > estimate.high) {
    result.error = "the lower floor is above the upper";
    return result;
  }
  // The chosen sheets by name, each with its position among the offered ones.
  std::vector<std::string> chosen = estimate.all_items != 0 ? offered : estimate.name_list();
  std::map<std::string, int> index_of;  // name -> offered index
  for (std::size_t i = 0; i < offered.size(); ++i) index_of.emplace(offered[i], static_cast<int>(i));
  std::map<std::string, int> position;  // name -> position in chosen
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (index_of.count(chosen[i]) == 0) {
      result.error = "the layout sheet \"" + chosen[i] + "\" was not offered";
      return result;
    }
    position.emplace(chosen[i], static_cast<int>(i));
  }
  Model model;
  if (!read_model(model, result.error)) return result;
  load_parameter_infos();
  Library library(MaterialLibrary().GetPC());
  if (!library.open()) {
    result.error = "no material library is open";
    return result;
  }
  std::map<GroupKey, std::map<std::string, Total>> groups;
  for (const Element& e : model.elements) {
    auto at = position.find(e.plan);
    if (e.plan.empty() || at == position.end()) continue;
    const int offered_index = index_of[e.plan];
    if (estimate.layer_sets != 0 && offered_index < estimate.sheet_count && e.layer >= 0 &&
        e.layer < kLayerNameCount && estimate.sheets[offered_index].layer[e.layer] == kSheetLayerOff)
      continue;
    if (estimate.by_floor != 0 && (!e.has_floor || e.floor < estimate.low || e.floor > estimate.high)) continue;
    const GroupKey key{estimate.by_sheet != 0 ? at->second : -1, estimate.by_floor != 0 ? e.floor : 0};
    for (const Link& link : e.links) {
      std::string why;
      const std::optional<PricedLink> priced = price_link(e, link, library, why);
      if (!priced) {
        result.notes.push_back(why);
        continue;
      }
      Total& t = groups[key][priced->material->code];
      t.name = priced->material->name;
      t.unit = priced->material->unit;
      t.price = priced->material->price;
      t.quantity += priced->quantity;
      t.total += priced->total;
    }
  }
  std::string text = "dlist-estimate 1\nsheet;floor;code;name;unit;quantity;unit price;total\n";
  for (const auto& [key, totals] : groups) {
    const auto [sheet, floor] = key;
    const std::string sheet_field = sheet >= 0 ? field(chosen[static_cast<std::size_t>(sheet)]) : "*";
    const std::string floor_field = estimate.by_floor != 0 ? std::to_string(floor) : "*";
    double sum = 0;
    for (const auto& [code, t] : totals) {
      text += sheet_field + ";" + floor_field + ";" + field(code) + ";" + field(t.name) + ";" + field(t.unit) + ";" +
              number(t.quantity, 3) + ";" + number(t.price, 2) + ";" + number(t.total, 2) + "\n";
      sum += t.total;
      ++result.rows;
    }
    text += "sum;" + sheet_field + ";" + floor_field + ";;;;;" + number(sum, 2) + "\n";
    result.total += sum;
  }
  text += "total;;;;;;;" + number(result.total, 2) + "\n";
  std::string why;
  if (!write_whole_file(path, text, why)) {
    result.error = "the cost-estimate file cannot be written: " + why;
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace dlist::generator
