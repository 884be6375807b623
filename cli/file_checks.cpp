// Checks of the files a command writes and reads, before it touches them.
#include "cli/file_checks.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/project.h"
#include "host/file_description.h"
#include "host/model/sqlite_connection.h"
#include "materials/list_exporter.h"
#include "palettes/exchange_format.h"
#include "locations/location_dump.h"
#include "palettes/surface_pack.h"

namespace dlist::cli {
namespace {

namespace fs = std::filesystem;

// What a file that is no regular file is, in words; empty for a regular file.
std::string type_word(fs::file_type type) {
  switch (type) {
    case fs::file_type::regular:
      return {};
    case fs::file_type::directory:
      return "a folder";
    case fs::file_type::fifo:
      return "a FIFO (named pipe)";
    case fs::file_type::character:
    case fs::file_type::block:
      return "a device";
    case fs::file_type::socket:
      return "a socket";
    default:
      return "a special file";
  }
}

// The first bytes of a file, as many as it has up to n.
std::string head_of(const std::string& file, std::size_t n) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes(n, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(n));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

uint32_t le32(const std::string& bytes, std::size_t at) {
  uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}

// A palette or prototype file: the description header, then the opening block
// whose code is 1 (palettes) or -1 (prototypes).
bool is_exchange_file(const std::string& file, int32_t begin_code) {
  const std::string count = head_of(file, 4);
  if (count.size() < 4) return false;
  const uint32_t n = le32(count, 0);
  if (n > kMaxDescriptionBytes) return false;
  const std::string head = head_of(file, 4 + static_cast<std::size_t>(n) + 4);
  if (head.size() < 8 + static_cast<std::size_t>(n)) return false;
  return static_cast<int32_t>(le32(head, 4 + n)) == begin_code;
}

// A list export file: its first line is the version byte (2 or 3) and the banner.
bool is_list_file(const std::string& file) {
  const std::size_t banner = std::strlen(kListBanner);
  const std::string head = head_of(file, 1 + banner);
  if (head.size() != 1 + banner) return false;
  const auto version = static_cast<unsigned char>(head[0]);
  return (version == kListVersion || version == kListVersionOld) &&
         head.compare(1, std::string::npos, kListBanner) == 0;
}

// A surface exchange file: a pack whose first entry is a file that packs take.
bool is_surface_file(const std::string& file) {
  const std::string head = head_of(file, 4 + dlist::kMaxPackNameBytes);
  return looks_like_surface_pack(
      std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(head.data()), head.size()));
}

// An attribute file: it opens with the file start record, 20 zero bytes.
bool is_attribute_file(const std::string& file) {
  const std::string head = head_of(file, 20);
  return head.size() == 20 && head == std::string(20, '\0');
}

// A location file: named "*.loc", or read through with at least one location.
bool is_location_file(const std::string& file) {
  std::string ext = fs::path(file).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".loc") return true;
  const LocationDump dump = decode_location_file(file);
  return dump.ok() && !dump.records.empty();
}

// A cost-estimate file: its first line names the form.
bool is_cost_estimate_file(const std::string& file) {
  static constexpr char kFirstLine[] = "dlist-estimate ";
  return head_of(file, sizeof kFirstLine - 1) == kFirstLine;
}

// What a file of another kind holds, when it can be told.
std::string other_kind(const std::string& file) {
  static constexpr char kSqlite[] = "SQLite format 3";
  if (head_of(file, sizeof kSqlite) == std::string(kSqlite, sizeof kSqlite))
    return " (an SQLite database)";
  if (is_exchange_file(file, kPaletteFileCode)) return " (a palette file)";
  if (is_exchange_file(file, kPrototypeFileCode)) return " (a prototype file)";
  if (is_list_file(file)) return " (a list export file)";
  if (is_surface_file(file)) return " (a surface file)";
  if (is_attribute_file(file)) return " (an attribute file)";
  return {};
}

const char* kind_name(ExportKind kind) {
  switch (kind) {
    case ExportKind::kPaletteFile:
      return "a palette file";
    case ExportKind::kPrototypeFile:
      return "a prototype file";
    case ExportKind::kListFile:
      return "a list export file";
    case ExportKind::kSurfaceFile:
      return "a surface file";
    case ExportKind::kAttributeFile:
      return "an attribute file";
    case ExportKind::kLocationFile:
      return "a location file";
    case ExportKind::kCostEstimateFile:
      return "a cost-estimate file";
  }
  return "";
}

bool is_of_kind(const std::string& file, ExportKind kind) {
  switch (kind) {
    case ExportKind::kPaletteFile:
      return is_exchange_file(file, kPaletteFileCode);
    case ExportKind::kPrototypeFile:
      return is_exchange_file(file, kPrototypeFileCode);
    case ExportKind::kListFile:
      return is_list_file(file);
    case ExportKind::kSurfaceFile:
      return is_surface_file(file);
    case ExportKind::kAttributeFile:
      return is_attribute_file(file);
    case ExportKind::kLocationFile:
      return is_location_file(file);
    case ExportKind::kCostEstimateFile:
      return is_cost_estimate_file(file);
  }
  return false;
}

}  // namespace

bool check_export_target(const std::string& file, ExportKind kind,
                         const std::vector<OpenDatabase>& open, bool force, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return true;
  if (ec) {
    *error = "cannot reach " + file + ": " + ec.message();
    return false;
  }
  // The same file, however it is named: equivalent() compares device and inode.
  for (const OpenDatabase& db : open) {
    std::error_code same_ec;
    if (!db.path.empty() && fs::equivalent(file, db.path, same_ec)) {
      *error = file + " is the " + db.what + " " + db.path +
               " that this command has open; it is not written over";
      return false;
    }
  }
  const std::string type = type_word(status.type());
  if (!type.empty()) {
    *error = file + " is " + type + "; an export writes only regular files";
    return false;
  }
  if (force) return true;
  const auto size = fs::file_size(file, ec);
  if (ec || size == 0 || is_of_kind(file, kind)) return true;
  *error = file + " exists and is not " + kind_name(kind) + other_kind(file) +
           "; use --force to write over it";
  return false;
}

bool check_import_input(const std::string& file, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) {
    *error = "cannot read " + file + ": there is no such file";
    return false;
  }
  if (ec) {
    *error = "cannot read " + file + ": " + ec.message();
    return false;
  }
  const std::string type = type_word(status.type());
  if (!type.empty()) {
    *error = "cannot read " + file + ": it is " + type + ", not a regular file";
    return false;
  }
  const auto size = fs::file_size(file, ec);
  if (!ec && size == 0) {
    *error = "cannot read " + file + ": the file is empty";
    return false;
  }
  // A regular file opens at once; what refuses it is the system's reason.
  errno = 0;
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (f == nullptr) {
    const int why = errno;
    *error = "cannot read " + file + ": " +
             (why != 0 ? std::string(std::strerror(why)) : std::string("it cannot be opened"));
    return false;
  }
  std::fclose(f);
  return true;
}

bool refuse_input(Context& context, const std::string& command, const std::string& file) {
  std::string error;
  if (check_import_input(file, &error)) return false;
  Output out(context.console.out, context.console.err, command, context.options.quiet);
  context.status = out.fail(error);
  return true;
}

std::string store_failure(const SqliteConnection& db) {
  const std::string cause = db.failure_cause();
  if (cause.empty()) return db.last_error();
  if (!db.in_use()) return cause;
  const int ms = db.busy_timeout();
  const std::string waited = ms % 1000 == 0 ? std::to_string(ms / 1000) + " s"
                                            : std::to_string(ms) + " ms";
  return cause + " (waited " + waited + "); try again when it is done";
}

std::string cannot_change(const SqliteConnection& db, const std::string& what,
                          const std::string& path) {
  return "cannot change the " + what + " " + path + ": " + store_failure(db);
}

std::string cannot_save(const SqliteConnection& db, const std::string& what,
                        const std::string& path) {
  return "cannot save the " + what + " " + path + ": " + store_failure(db);
}

bool check_writable(const SqliteConnection& db, const std::string& what, const std::string& path,
                    std::string* error) {
  if (!db.read_only()) return true;
  *error = "cannot change the " + what + " " + path + ": the file is read-only";
  return false;
}

}  // namespace dlist::cli
