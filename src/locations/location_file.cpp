// The location file: its reader, LocationExport and LocationImport.
#include "locations/location_file.h"

#include <cstring>
#include <exception>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/file_description.h"
#include "host/file_replacement.h"
#include "host/model/location_store.h"
#include "host/model/model_database.h"
#include "host/report.h"

namespace dlist {
namespace {

int32_t get32(const unsigned char* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

[[noreturn]] void refuse(uint64_t at, std::string what) {
  throw LocationFileFault{at, std::move(what)};
}

}  // namespace

std::string LocationFileFault::describe() const {
  return what + " at offset " + std::to_string(offset);
}

void LocationFileReader::description(std::string* description) {
  ReadDescription(file_, description);
}

bool LocationFileReader::next(LocationFileRecord* record) {
  if (file_.remaining() < kLocationRecordSize) return false;
  const uint64_t at = file_.tell();
  unsigned char raw[kLocationRecordSize];
  file_.read(raw, kLocationRecordSize);
  LocationFileRecord r;
  r.offset = at;
  r.parent = get32(raw);
  r.id = get32(raw + 4);
  r.key = get32(raw + 8);
  r.text_length = static_cast<uint32_t>(get32(raw + 92));
  if (r.parent == 0 && r.id == 0 && r.text_length == 0) return false;
  const auto* name = reinterpret_cast<const char*>(raw + 12);
  const std::size_t name_len = strnlen(name, kLocationNameSize);
  if (name_len == kLocationNameSize) refuse(at, "location record: the name has no terminator in its 80 bytes");
  if (name_len == 0) refuse(at, "location record: the name is empty");
  if (r.id == 0) refuse(at, "location record: the identifier is 0");
  if (ids_.count(r.id) != 0) {
    refuse(at, "location record: the identifier " + std::to_string(r.id) + " was read before");
  }
  if (r.parent != 0 && ids_.count(r.parent) == 0) {
    refuse(at, "location record: the parent " + std::to_string(r.parent) + " is not a location read before");
  }
  if (r.text_length > kMaxLocationText) {
    refuse(at, "location record: the text length " + std::to_string(r.text_length) +
                   " is beyond " + std::to_string(kMaxLocationText));
  }
  if (r.text_length > file_.remaining()) {
    refuse(at, "location record: the text length " + std::to_string(r.text_length) +
                   " is beyond the " + std::to_string(file_.remaining()) + " bytes left");
  }
  r.name.assign(name, name_len);
  if (r.text_length != 0) {
    std::string text(r.text_length, '\0');
    file_.read(text.data(), r.text_length);
    text.resize(strnlen(text.c_str(), text.size()));  // up to its terminator
    r.text = std::move(text);
  }
  ids_.insert(r.id);
  *record = std::move(r);
  return true;
}

}  // namespace dlist

namespace {

using dlist::put32;

// Writes one record with its text.
void write_record(FileHandle& file, int32_t parent, int32_t id, const DBLOCATIONTYPE& l) {
  unsigned char raw[dlist::kLocationRecordSize] = {};
  put32(raw, static_cast<uint32_t>(parent));
  put32(raw + 4, static_cast<uint32_t>(id));
  put32(raw + 8, static_cast<uint32_t>(l.key));
  std::memcpy(raw + 12, l.name, strnlen(l.name, dlist::kLocationNameSize - 1));
  const std::size_t text_len = strnlen(l.text.get(), l.text.size());
  const uint32_t length = text_len == 0 ? 0 : static_cast<uint32_t>(text_len + 1);
  put32(raw + 92, length);
  file.write(raw, sizeof raw);
  if (length != 0) file.write(l.text.get(), length);
}

struct ExportFailure : std::exception {
  explicit ExportFailure(std::string w) : what_(std::move(w)) {}
  const char* what() const noexcept override { return what_.c_str(); }
  std::string what_;
};

// The children of a location in database order, with their records.
std::vector<std::pair<long, DBLOCATIONTYPE>> children_of(long parent) {
  std::vector<std::pair<long, DBLOCATIONTYPE>> out;
  LOCALIZATION loc;
  if (loc.rew_location(parent) < 1) return out;
  DBLOCATIONTYPE l;
  for (long id; (id = loc.get_location(&l)) > 0;) out.emplace_back(id, l);
  return out;
}

// A location's subtree: its children's records, then each child's subtree, the
// last child first (kept on a stack, so a deep tree does not deepen the calls).
void write_subtree(FileHandle& file, long top) {
  std::vector<long> pending{top};
  while (!pending.empty()) {
    const long at = pending.back();
    pending.pop_back();
    for (const auto& [id, l] : children_of(at)) {
      write_record(file, static_cast<int32_t>(at), static_cast<int32_t>(id), l);
      pending.push_back(id);
    }
  }
}

}  // namespace

int DLIST_CALL LocationExport(void* /*hwnd*/, long id, char* file, char* description) {
  try {
    if (file == nullptr || file[0] == '\0') throw ExportFailure("no file name");
    if (dlist::active_model() == nullptr) throw ExportFailure("no project is open");
    std::vector<std::pair<long, DBLOCATIONTYPE>> tops;
    if (id == 0) {
      tops = children_of(0);
    } else {
      DBLOCATIONTYPE l;
      if (LOCALIZATION().get_id_location(id, &l) != id) {
        throw ExportFailure("no location " + std::to_string(id));
      }
      tops.emplace_back(id, l);
    }
    dlist::FileReplacement target(file);
    WriteDescription(target.file(), description);
    for (const auto& [top, l] : tops) {
      write_record(target.file(), 0, static_cast<int32_t>(top), l);
      write_subtree(target.file(), top);
    }
    const unsigned char end[dlist::kLocationEndSize] = {};
    target.file().write(end, sizeof end);
    target.commit();
    return 1;
  } catch (const std::exception& e) {
    DiagnosticOut((std::string("LocationExport: ") + e.what()).c_str());
  } catch (...) {
    DiagnosticOut("LocationExport: unknown failure");
  }
  return 0;
}

int DLIST_CALL LocationImport(void* /*hwnd*/, long target, char* file) {
  std::string reason;
  dlist::ModelDatabase* model = dlist::active_model();
  if (file == nullptr || file[0] == '\0') {
    reason = "no file name";
  } else if (model == nullptr || !model->is_open()) {
    reason = "no project is open";
  } else if (target < -1 || (target > 0 && LOCALIZATION().get_id_location(target, nullptr) != target)) {
    reason = "no location " + std::to_string(target);
  }
  if (!reason.empty()) {
    DiagnosticOut(("LocationImport: " + reason).c_str());
    return 0;
  }
  const bool replace = target == -1;
  // A full replacement removes the locations and creates the file's in one batch:
  // a refused file takes back the removal with what was created. An import under a
  // location keeps what it created.
  dlist::LocationBatch batch;
  if (!batch) {
    DiagnosticOut("LocationImport: the project cannot be changed");
    return 0;
  }
  bool ok = false;
  try {
    FileHandle in(file, "rb");
    dlist::LocationFileReader reader(in);
    reader.description(nullptr);
    LOCALIZATION loc;
    if (replace && loc.purge_location() == 0) throw dlist::LocationFileFault{0, "the locations cannot be removed"};
    std::unordered_map<int32_t, long> ids{{0, replace ? 0L : target}};
    dlist::LocationFileRecord r;
    while (reader.next(&r)) {
      const auto parent = ids.find(r.parent);
      if (parent == ids.end()) throw dlist::LocationFileFault{r.offset, "location record: unknown parent"};
      DBLOCATIONTYPE l;
      l.key = r.key;
      l.set_name(r.name.c_str());
      if (!r.text.empty() && !l.text.put(r.text.c_str())) {
        throw dlist::LocationFileFault{r.offset, "location record: memory is short"};
      }
      const long made = loc.cre_location(parent->second, &l, replace ? 0 : 1);
      if (made < 1) {
        throw dlist::LocationFileFault{
            r.offset, "location \"" + r.name + "\" cannot be created (its name or key is taken)"};
      }
      ids.emplace(r.id, made);
    }
    ok = true;
  } catch (const dlist::LocationFileFault& f) {
    reason = f.describe();
  } catch (const std::exception& e) {
    reason = e.what();
  } catch (...) {
    reason = "unknown failure";
  }
  const bool committed = (ok || !replace) && batch.commit();
  if (ok && !committed) reason = "the project cannot be changed";
  if (!reason.empty()) {
    DiagnosticOut(("LocationImport: " + reason).c_str());
    return 0;
  }
  return 1;
}
