// `dlist dump FILE.loc`: the records of a location file as the reader checks them.
#include <nlohmann/json.hpp>
#include <string>

#include "cli/dump_command.h"
#include "foundation/code_page.h"
#include "locations/location_dump.h"

namespace dlist::cli {

int location_dump_command(const std::string& file, bool json, Output& out) {
  const LocationDump dump = decode_location_file(file);
  if (!dump.ok() && !dump.has_description) return out.fail(file + ": " + dump.error);
  if (json) {
    using Json = nlohmann::ordered_json;
    Json records = Json::array();
    for (const LocationFileRecord& r : dump.records) {
      records.push_back({{"offset", r.offset},
                         {"parent", r.parent},
                         {"id", r.id},
                         {"key", r.key},
                         {"name", utf8_text(r.name)},
                         {"text_length", r.text_length},
                         {"text", utf8_text(r.text)}});
    }
    const Json doc = {{"file", file},
                      {"kind", "location"},
                      {"size", dump.file_size},
                      {"description", utf8_text(dump.description)},
                      {"records", records},
                      {"rest", dump.rest},
                      {"ok", dump.ok()},
                      {"error", dump.ok() ? Json(nullptr) : Json(dump.error)},
                      {"error_offset", dump.ok() ? Json(nullptr) : Json(dump.error_offset)}};
    out.out() << doc.dump(2) << "\n";
  } else {
    std::ostream& o = out.out();
    o << file << ": location file, " << dump.file_size << " bytes\n";
    o << "description: \"" << shown_text(dump.description) << "\"\n";
    for (const LocationFileRecord& r : dump.records) {
      o << "@" << r.offset << " location id " << r.id << " parent " << r.parent << " key " << r.key
        << " name \"" << shown_text(r.name) << "\"";
      if (r.text_length != 0) o << " text " << r.text_length << " \"" << shown_text(r.text) << "\"";
      o << "\n";
    }
    if (dump.ok()) o << dump.rest << " closing bytes\n";
    else o << "@" << dump.error_offset << " error: " << dump.error << "\n";
  }
  if (!dump.ok())
    return out.fail(file + ": at offset " + std::to_string(dump.error_offset) + ": " + dump.error);
  return 0;
}

}  // namespace dlist::cli
