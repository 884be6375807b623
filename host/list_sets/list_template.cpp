#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/stream_error.h"
#include "host/file_replacement.h"
#include "host/list_sets/list_set_store.h"

namespace dlist::list_sets {
namespace {

constexpr const char* kHeader = "dlist-template 2";
constexpr const char* kOldHeader = "dlist-template 1";
constexpr unsigned long long kMaxTemplateBytes = 4ull << 20;
constexpr std::size_t kMaxSections = 10000;

std::string trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  std::size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool read_text(const std::string& path, std::string& text, std::string& error) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxTemplateBytes) {
    error = ec ? "cannot open \"" + path + "\"" : "\"" + path + "\" is too large";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  text.assign(static_cast<std::size_t>(size), '\0');
  if (!in || (size > 0 && !in.read(text.data(), static_cast<std::streamsize>(size)))) {
    error = "cannot read \"" + path + "\"";
    return false;
  }
  return true;
}

void format_section(const DL_TSECTION& s, unsigned depth, std::string& out) {
  std::string indent(depth * 2, ' ');
  out += indent + "section " + std::to_string(s.number) + " group " + std::to_string(s.group) + " scope " +
         std::to_string(s.scope) + " " + s.name + "\n";
  for (const auto& line : s.text) out += indent + "| " + line + "\n";
  for (const auto& son : s.sons) format_section(son, depth + 1, out);
  out += indent + "end\n";
}

bool number_used(const DL_TEMPLATE& t, unsigned number) {
  std::vector<const DL_TSECTION*> work;
  for (const auto& s : t) work.push_back(&s);
  while (!work.empty()) {
    const DL_TSECTION* s = work.back();
    work.pop_back();
    if (s->number == number) return true;
    for (const auto& son : s->sons) work.push_back(&son);
  }
  return false;
}

// The older form: "@NUMBER NAME" starts a section, the lines after it are its text.
bool parse_old(std::istringstream& in, DL_TEMPLATE& out, std::string& error) {
  DL_TEMPLATE t;
  std::string line;
  unsigned line_no = 1;
  while (std::getline(in, line)) {
    ++line_no;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '@') {
      std::istringstream head(line.substr(1));
      long number = -1;
      if (!(head >> number) || number < 0 || number > 65535 || number_used(t, static_cast<unsigned>(number))) {
        error = "line " + std::to_string(line_no) + ": a section needs a new number from 0 to 65535";
        return false;
      }
      std::string name;
      std::getline(head, name);
      if (t.size() >= kMaxSections) {
        error = "too many sections";
        return false;
      }
      t.emplace_back(trim(name).c_str(), static_cast<unsigned>(number), 0);
    } else if (!t.empty()) {
      t.back().text.push_back(line);
    } else if (!trim(line).empty()) {
      error = "line " + std::to_string(line_no) + ": text before the first section";
      return false;
    }
  }
  // The start and final sections come first, made empty where the old file had none.
  DL_TEMPLATE ordered;
  for (unsigned fixed : {0u, 1u}) {
    auto it = std::find_if(t.begin(), t.end(), [fixed](const DL_TSECTION& s) { return s.number == fixed; });
    if (it != t.end()) {
      ordered.push_back(*it);
      t.erase(it);
    } else {
      ordered.emplace_back(fixed == 0 ? "Start" : "Final", fixed, 0);
    }
  }
  for (auto& s : t) ordered.push_back(std::move(s));
  out.swap(ordered);
  return true;
}

}  // namespace

std::string FormatTemplate(const DL_TEMPLATE& t) {
  std::string out = std::string(kHeader) + "\n";
  for (const auto& s : t) format_section(s, 0, out);
  return out;
}

bool ParseTemplate(const std::string& text, DL_TEMPLATE& out, std::string& error) {
  if (text.find('\0') != std::string::npos) {
    error = "the template holds binary data";
    return false;
  }
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line) || (trim(line) != kHeader && trim(line) != kOldHeader)) {
    error = "the file is no list template (first line \"dlist-template 2\")";
    return false;
  }
  if (trim(line) == kOldHeader) return parse_old(in, out, error);
  DL_TEMPLATE top;
  std::vector<DL_TSECTION*> open;  // the sections not yet ended, outermost first
  std::size_t count = 0;
  unsigned line_no = 1;
  while (std::getline(in, line)) {
    ++line_no;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t = trim(line);
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(line_no) + ": " + why;
      return false;
    };
    if (t.empty() || t[0] == '#') continue;
    if (t[0] == '|') {
      if (open.empty()) return fail("text outside a section");
      // A text line keeps its trailing blanks: only the indentation and the one blank
      // after the bar belong to the form.
      const std::string text = line.substr(line.find('|') + 1);
      open.back()->text.push_back(!text.empty() && text[0] == ' ' ? text.substr(1) : text);
    } else if (t == "end") {
      if (open.empty()) return fail("\"end\" without a section");
      open.pop_back();
    } else if (t.rfind("section ", 0) == 0) {
      std::istringstream head(t.substr(8));
      long number = -1, group = -1;
      unsigned long scope = 0;
      std::string w1, w2;
      if (!(head >> number >> w1 >> group >> w2 >> scope) || w1 != "group" || w2 != "scope" || number < 0 ||
          number > 65535 || group < 0 || group > 32767 || scope > 0xFFFFFFFFul)
        return fail("expected \"section NUMBER group GROUP scope SCOPE NAME\"");
      if (open.size() >= kMaxTemplateDepth) return fail("sections nested too deep");
      if (++count > kMaxSections) return fail("too many sections");
      if (number_used(top, static_cast<unsigned>(number))) return fail("section number used twice");
      std::string name;
      std::getline(head, name);
      DL_TSECTION s(trim(name).c_str(), static_cast<unsigned>(number), static_cast<short>(group));
      s.scope = static_cast<uint32_t>(scope);
      auto& where = open.empty() ? top : open.back()->sons;
      where.push_back(std::move(s));
      open.push_back(&where.back());
    } else {
      return fail("unknown line");
    }
  }
  if (!open.empty()) {
    error = "section " + std::to_string(open.back()->number) + " has no \"end\"";
    return false;
  }
  if (top.size() < 2 || top[0].number != 0 || top[1].number != 1) {
    error = "the first two sections must be the start section 0 and the final section 1";
    return false;
  }
  out.swap(top);
  return true;
}

bool ReadTemplate(const std::string& path, DL_TEMPLATE& out, std::string& error) {
  std::string text;
  if (!read_text(path, text, error)) return false;
  std::string why;
  if (!ParseTemplate(text, out, why)) {
    error = "\"" + path + "\": " + why;
    return false;
  }
  return true;
}

uint32_t SectionScope(const DL_TEMPLATE& t, unsigned number) {
  std::vector<const DL_TSECTION*> work;
  for (const auto& s : t) work.push_back(&s);
  while (!work.empty()) {
    const DL_TSECTION* s = work.back();
    work.pop_back();
    if (s->number == number) return s->scope;
    for (const auto& son : s->sons) work.push_back(&son);
  }
  return 0;
}

std::string ReadyMadeTemplate(const std::string& name) {
  if (name == "delimited")
    return "dlist-template 2\n"
           "# A list as text with one row a line and fields separated by semicolons.\n"
           "section 0 group 0 scope 0 Start\n"
           "| {TITLE}\n"
           "end\n"
           "section 1 group 0 scope 0 Final\n"
           "| Total;{TOTAL}\n"
           "end\n"
           "section 10 group 1 scope 0 Heading\n"
           "| {NAME}\n"
           "end\n"
           "section 20 group 2 scope 16384 Material row\n"
           "| {MATCOD};{MATNAM};{UNIT};{QUANT};{PRICE};{TOTAL}\n"
           "end\n"
           "section 21 group 2 scope 32768 Subprice row\n"
           "| ;{SUBPR};{UNIT};{QUANT};{PRICE};{TOTAL}\n"
           "end\n"
           "section 30 group 3 scope 0 Element row\n"
           "| {ID};{KIND};{FLOOR};{LAYER}\n"
           "end\n"
           "section 40 group 4 scope 0 Sum\n"
           "| ;;;;Sum;{TOTAL}\n"
           "end\n";
  if (name == "html")
    return "dlist-template 2\n"
           "# A list as an HTML page with one table.\n"
           "section 0 group 0 scope 0 Start\n"
           "| <!DOCTYPE html>\n"
           "| <html><head><meta charset=\"utf-8\"><title>{TITLE}</title></head><body>\n"
           "| <h1>{TITLE}</h1>\n"
           "| <table>\n"
           "end\n"
           "section 1 group 0 scope 0 Final\n"
           "| <tr><th colspan=\"5\">Total</th><td>{TOTAL}</td></tr>\n"
           "| </table></body></html>\n"
           "end\n"
           "section 10 group 1 scope 0 Heading\n"
           "| <tr><th colspan=\"6\">{NAME}</th></tr>\n"
           "end\n"
           "section 20 group 2 scope 16384 Material row\n"
           "| <tr><td>{MATCOD}</td><td>{MATNAM}</td><td>{UNIT}</td><td>{QUANT}</td><td>{PRICE}</td>"
           "<td>{TOTAL}</td></tr>\n"
           "end\n"
           "section 21 group 2 scope 32768 Subprice row\n"
           "| <tr><td></td><td>{SUBPR}</td><td>{UNIT}</td><td>{QUANT}</td><td>{PRICE}</td><td>{TOTAL}</td></tr>\n"
           "end\n"
           "section 30 group 3 scope 0 Element row\n"
           "| <tr><td>{ID}</td><td>{KIND}</td><td>{FLOOR}</td><td colspan=\"3\">{LAYER}</td></tr>\n"
           "end\n"
           "section 40 group 4 scope 0 Sum\n"
           "| <tr><th colspan=\"5\">Sum</th><td>{TOTAL}</td></tr>\n"
           "end\n";
  return "";
}

}  // namespace dlist::list_sets

bool DL_ConvertTemplate(const char* source, const char* destination) {
  if (source == nullptr || destination == nullptr) return false;
  dlist::list_sets::DL_TEMPLATE t;
  std::string error;
  if (!dlist::list_sets::ReadTemplate(source, t, error)) return false;
  try {
    dlist::FileReplacement out(destination);
    std::string text = dlist::list_sets::FormatTemplate(t);
    out.file().write(text.data(), static_cast<unsigned>(text.size()));
    out.commit();
    return true;
  } catch (const dlist::StreamError&) {
    return false;
  }
}
