// The text library in the model database.
#include "host/model/text_library.h"

#include <span>

#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace dlist {
namespace {

constexpr const char* kTextTable = R"sql(
CREATE TABLE IF NOT EXISTS texts (
  id   INTEGER PRIMARY KEY,
  name BLOB    NOT NULL UNIQUE,
  text BLOB    NOT NULL
);
)sql";

std::span<const unsigned char> bytes_of(std::string_view text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

std::string string_of(std::span<const unsigned char> bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool has_table(SqliteConnection& db) {
  Statement s(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'texts'");
  return s.row();
}

// A row read back: the name and text fit their limits.
bool valid_row(const NamedText& t) {
  return t.id > 0 && t.id <= kMaxModelId && !t.name.empty() && t.name.size() <= kMaxTextName &&
         t.text.size() <= kMaxLibraryText;
}

}  // namespace

long add_library_text(std::string_view name, std::string_view text) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || name.empty() || name.size() > kMaxTextName ||
      text.size() > kMaxLibraryText || name.find('\0') != std::string_view::npos ||
      text.find('\0') != std::string_view::npos) {
    return 0;
  }
  CallScope call(db->connection());
  if (!call || !db->connection().exec(kTextTable)) return 0;
  Statement s(db->connection(), "INSERT INTO texts (name, text) VALUES (?1, ?2)");
  if (!s.bind(1, bytes_of(name)).bind(2, bytes_of(text)).run()) return 0;
  const int64_t id = db->connection().last_insert_id();
  if (id <= 0 || id > kMaxModelId || !call.commit()) return 0;
  return static_cast<long>(id);
}

std::vector<NamedText> list_library_texts() {
  std::vector<NamedText> texts;
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || !has_table(db->connection())) return texts;
  Statement s(db->connection(), "SELECT id, name, text FROM texts ORDER BY name");
  while (s.row()) {
    NamedText t;
    t.id = static_cast<long>(s.integer(0));
    t.name = string_of(s.blob(1));
    t.text = string_of(s.blob(2));
    if (valid_row(t)) texts.push_back(std::move(t));
  }
  return texts;
}

bool read_library_text(long id, NamedText* text) {
  ModelDatabase* db = begin_model_call();
  if (db == nullptr || id <= 0 || !has_table(db->connection())) return false;
  Statement s(db->connection(), "SELECT id, name, text FROM texts WHERE id = ?1");
  if (!s.bind(1, id).row()) return false;
  NamedText t;
  t.id = static_cast<long>(s.integer(0));
  t.name = string_of(s.blob(1));
  t.text = string_of(s.blob(2));
  if (!valid_row(t)) return false;
  if (text != nullptr) *text = std::move(t);
  return true;
}

}  // namespace dlist
