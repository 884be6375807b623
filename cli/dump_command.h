// `dlist dump FILE [--json]`: what a palette or prototype file holds, without a
// project (a surface file is shown as cli/surface_dump.h says). The text form gives the file's kind and size, its description, then
// every block as "@<offset> <name> code <c> size <s> a <a> b <b>" followed by its
// decoded content indented below it, and the sections of a resource appendix. The
// JSON form is one object with the keys file, kind, size, description, blocks
// (offset, name, code, size, a, b, kind, fields), ended, bytes_after_end, appendix,
// ok, error and error_offset. A file the importers would refuse is shown as far as
// it could be decoded, and one line on stderr says what was wrong and at which
// offset (status 1).
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "cli/project.h"
#include "palettes/exchange_dump.h"

namespace dlist::cli {

// The decoded file as text, and as JSON; file is the name shown.
void print_dump(const ExchangeDump& dump, const std::string& file, std::ostream& out);
nlohmann::ordered_json dump_json(const ExchangeDump& dump, const std::string& file);

// A location file (named "*.loc"): its description and records, as text or JSON.
int location_dump_command(const std::string& file, bool json, Output& out);
// A model file (named "*.json"): its plans and elements as its reader reads them.
int model_dump_command(const std::string& file, bool json, Output& out);

// The command's body: 0 for a file the importers read through, 1 otherwise.
int dump_command(const std::string& file, bool json, Output& out);

void add_dump_command(CLI::App& app, Context& context);

}  // namespace dlist::cli
