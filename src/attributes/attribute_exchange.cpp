// The attribute file's writer and importer. The writer walks the library with the
// store's handles and writes records through a FileReplacement; the importer is a
// handler of the file's one reader (attribute_file.h), which has checked every
// record before the importer sees it, and keeps the maps from the file's group and
// definition identifiers to the library's entries.

#include "attributes/attribute_exchange.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "attributes/attribute_file.h"
#include "attributes/conflict_dialogs.h"
#include "foundation/fixed_text.h"
#include "foundation/text_buffer.h"
#include "host/cursor.h"
#include "host/database_task.h"
#include "host/file_replacement.h"
#include "host/model/attribute_store.h"
#include "host/model/model_database.h"
#include "host/report.h"
#include "host/resources.h"
#include "stream/file_handle.h"

namespace dlist {
namespace {

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& what) {
  throw Failure(what);
}

std::string str(long long v) {
  return std::to_string(v);
}

template <std::size_t N>
std::string text_of(const char (&field)[N]) {
  return field_string(field, N);
}

// The whole of a file, refused above the value cap of an attribute file.
std::vector<unsigned char> read_whole(const std::string& path, uint64_t cap) {
  FileHandle in(path.c_str(), "rb");
  const uint64_t n = in.remaining();
  if (n > cap)
    fail("the file " + path + " holds " + str(static_cast<long long>(n)) + " bytes, more than " +
         str(static_cast<long long>(cap)));
  std::vector<unsigned char> bytes(static_cast<std::size_t>(n));
  if (n != 0) in.read(bytes.data(), static_cast<unsigned>(n));
  return bytes;
}

// The plain name of the file at path: what follows its last "/" or "\\".
std::string plain_name(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The embedded form of the file at path: its plain name, a zero, its length and
// its bytes.
TEXTBUFFER embed_file(const std::string& path) {
  const std::string name = plain_name(path);
  if (name.empty() || name == "." || name == "..")
    fail("the file reference " + path + " names no file");
  const std::size_t head = name.size() + 1 + 4;
  const std::vector<unsigned char> bytes = read_whole(path, kMaxAtrValue - head);
  std::vector<unsigned char> value(head + bytes.size());
  std::memcpy(value.data(), name.data(), name.size());
  value[name.size()] = 0;
  const auto n = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) value[name.size() + 1 + i] = static_cast<unsigned char>(n >> (8 * i));
  if (!bytes.empty()) std::memcpy(value.data() + head, bytes.data(), bytes.size());
  TEXTBUFFER out;
  if (!out.assign(value.data(), static_cast<uint32_t>(value.size()))) fail("out of memory");
  return out;
}

// The text of a text buffer as a value of an attribute file: up to its first zero,
// with one zero.
std::string_view text_value(const TEXTBUFFER& value) {
  return std::string_view(value.get());
}

// ---- export --------------------------------------------------------------------

class Exporter {
 public:
  Exporter(FileHandle& file, const ELEMID_LIST* selection) : file_(file), selection_(selection) {}

  void record(int32_t code, int32_t type, long parent, long id, const void* payload = nullptr,
              std::size_t n = 0) {
    if (n > kMaxAtrValue)
      fail(std::string(attribute_record_name(type)) + " of " + str(static_cast<long long>(n)) +
           " bytes is too large");
    if (parent > std::numeric_limits<int32_t>::max() || id > std::numeric_limits<int32_t>::max())
      fail("identifier beyond 32 bits");
    unsigned char h[kAtrHeaderSize];
    encode_attribute_header({code, type, static_cast<uint32_t>(n), static_cast<int32_t>(parent),
                             static_cast<int32_t>(id)},
                            h);
    file_.write(h, sizeof h);
    if (n != 0) file_.write(payload, static_cast<unsigned>(n));
  }

  bool selected(long id) const { return selection_ == nullptr || selection_->contains(id); }

  // An attribute entry with its definition and references.
  void attribute(long id, long parent) {
    DBATTRIBUTETYPE d;
    const long list = ATTRIBUTES().get_id_attribute(id, &d);
    if (list < 1) fail("cannot read attribute " + str(id));
    const int32_t code = predefined_name_code(d.name);
    record(code, kAtrAttribute, parent, id);
    unsigned char image[kAtrDefinitionSize];
    to_plain_image(d, image);
    record(code, kAtrDefinition, id, list, image, sizeof image);
    ATTR_REF refs;
    if (refs.rew(list, 0) < 1) return;
    char name[kAtrRefNameSize + 1] = {};
    char flags = 0;
    TEXTBUFFER value;
    for (long ref; (ref = refs.get(name, &value, &flags)) > 0;) {
      unsigned char key[kAtrKeySize] = {};
      set_field(reinterpret_cast<char*>(key), kAtrRefNameSize, name);
      key[kAtrRefNameSize] = static_cast<unsigned char>(flags);
      record(0, kAtrKey, list, ref, key, sizeof key);
      const auto f = static_cast<uint8_t>(flags);
      if (d.kind_index() != 2 || (f & kRefIndirect)) {
        const std::string_view text = text_value(value);
        std::string bytes(text);
        bytes.push_back('\0');
        record(0, kAtrValue, 0, 0, bytes.data(), bytes.size());
      } else if (f & kRefHeld) {
        const std::string why = check_embedded_file(
            {reinterpret_cast<const unsigned char*>(value.data()), value.size()});
        if (!why.empty())
          fail("reference " + field_string(name, kAtrRefNameSize) + " of attribute " +
               text_of(d.name) + ": " + why);
        record(0, kAtrValue, 0, 0, value.data(), value.size());
      } else {
        const TEXTBUFFER embedded = embed_file(value.get());
        record(0, kAtrValue, 0, 0, embedded.data(), embedded.size());
      }
    }
  }

  // The contents of group (its file identifier: file_id), the subgroups' contents
  // after, the last subgroup first, each in full before the next. An entry whose
  // group was not written names the nearest group above it that was.
  void contents(long group, long file_id) {
    std::vector<std::pair<long, long>> pending{{group, file_id}};  // (group, its file parent)
    while (!pending.empty()) {
      const auto [g, written_as] = pending.back();
      pending.pop_back();
      std::vector<std::pair<long, DBATTRIBUTENODETYPE>> entries;
      ATTRIBUTES walk;
      if (walk.rew_node(g) < 1) fail("cannot read group " + str(g));
      DBATTRIBUTENODETYPE node;
      for (long id; (id = walk.get_node(&node)) > 0;) entries.emplace_back(id, node);
      std::vector<std::pair<long, long>> subgroups;
      for (const auto& [id, n] : entries) {
        if (n.is_group()) {
          long as = written_as;
          if (selected(id)) {
            record(predefined_name_code(n.name), kAtrGroup, written_as, id, image_of(n).data(),
                   kAtrGroupSize);
            as = id;
          }
          subgroups.emplace_back(id, as);
        } else if (selected(id)) {
          attribute(id, written_as);
        }
      }
      pending.insert(pending.end(), subgroups.begin(), subgroups.end());
    }
  }

  static std::vector<unsigned char> image_of(const DBATTRIBUTENODETYPE& n) {
    std::vector<unsigned char> b(kAtrGroupSize);
    to_plain_image(n, b.data());
    return b;
  }

 private:
  FileHandle& file_;
  const ELEMID_LIST* selection_;
};

int export_file(long id, const char* file, const ELEMID_LIST* selection) {
  WaitCursor wait;
  try {
    if (!file) fail("no file name");
    ModelDatabase* db = active_model();
    if (!db || !db->is_open()) fail("no open project");
    ReadLock lock(*db);
    DBATTRIBUTENODETYPE node;
    long parent = 0;
    if (id < 1 || ATTRIBUTES().get_id_node(id, &node, &parent) != id)
      fail("no library entry " + str(id));
    FileReplacement target(file);
    Exporter out(target.file(), selection);
    out.record(0, kAtrStart, 0, 0);
    if (node.is_group()) {
      long as = 0;
      if (out.selected(id)) {
        out.record(predefined_name_code(node.name), kAtrGroup, 0, id,
                   Exporter::image_of(node).data(), kAtrGroupSize);
        as = id;
      }
      out.contents(id, as);
    } else if (out.selected(id)) {
      out.attribute(id, 0);
    }
    out.record(0, kAtrEnd, 0, 0);
    target.commit();
    return 1;
  } catch (const std::exception& e) {
    DiagnosticOut((std::string("AttributeExport: ") + e.what()).c_str());
  } catch (...) {
    DiagnosticOut("AttributeExport: unknown failure");
  }
  return 0;
}

// ---- import --------------------------------------------------------------------

// Whether two definitions agree in what the import compares.
bool identical(const DBATTRIBUTETYPE& a, const DBATTRIBUTETYPE& b) {
  return text_of(a.abbrev) == text_of(b.abbrev) && a.flags == b.flags && a.options == b.options &&
         a.precision == b.precision && text_of(a.name) == text_of(b.name) &&
         text_of(a.description) == text_of(b.description) && text_of(a.unit) == text_of(b.unit);
}

// Whether the strategy, asked when it is negative, says replace. A dialog that
// cannot run keeps.
template <class Ask>
bool replace_chosen(Ask&& ask) {
  if (attribute_conflict_strategy() < 0 && !ask()) return false;
  const short s = attribute_conflict_strategy();
  return s == kConflictReplaceAll || s == kConflictReplaceAsk;
}

// A value as the reference conflict shows it.
std::string shown_value(const TEXTBUFFER& value, bool file) {
  if (!file) return std::string(text_value(value));
  EmbeddedFile f;
  if (!check_embedded_file({reinterpret_cast<const unsigned char*>(value.data()), value.size()}, &f)
           .empty())
    return value.get();
  return std::string(f.name) + " (" + str(static_cast<long long>(f.bytes.size())) + " bytes)";
}

constexpr int kMaxSuffix = 9999;

class Importer : public AttributeRecordHandler {
 public:
  Importer(void* owner, long target) : owner_(owner) { groups_[0] = target; }

  void group(const AttributeRecordHeader& h, uint64_t at,
             const DBATTRIBUTENODETYPE& node) override {
    const long parent = groups_.at(h.parent);
    long found = 0;
    if (h.code == kAtrRootCode) {
      found = ATTRIBUTES().rew_node(0);
    } else if (h.code > kAtrRootCode && h.code <= 7) {
      found = find_predefined(h.code, true);
    }
    if (found < 1) found = create_group(parent, node, at);
    groups_[h.id] = found;
  }

  void attribute(const AttributeRecordHeader& start, uint64_t, const AttributeRecordHeader& d,
                 uint64_t def_at, const DBATTRIBUTETYPE& def) override {
    const long parent = groups_.at(start.parent);
    if (d.code > kAtrRootCode && d.code <= 7) {
      if (const long found = find_predefined(d.code, false); found > 0) {
        definitions_[d.id] = found;
        return;
      }
    }
    DBATTRIBUTETYPE old;
    const long existing = ATTRIBUTES().get_abbrev_attribute(def.abbrev, &old);
    if (existing > 0) {
      if (identical(old, def) ||
          !replace_chosen([&] { return ask_attribute_conflict(owner_, existing, old, def); })) {
        definitions_[d.id] = existing;
        return;
      }
      if (!ATTRIBUTES().del_node(existing, 1))
        fail("cannot replace the attribute " + text_of(old.name) + " (" + text_of(old.abbrev) +
             ")");
    }
    definitions_[d.id] = create_attribute(parent, def, def_at);
  }

  void reference(const AttributeRecordHeader& key, uint64_t at, const char* name, uint8_t flags,
                 uint64_t, std::span<const unsigned char> bytes) override {
    const long entry = definitions_.at(key.parent);
    DBATTRIBUTETYPE def;
    const long list = ATTRIBUTES().get_id_attribute(entry, &def);
    if (list < 1)
      fail("reference key at offset " + str(static_cast<long long>(at)) + ": attribute " +
           str(entry) + " cannot be read");
    TEXTBUFFER value;
    if (!value.assign(bytes.data(), static_cast<uint32_t>(bytes.size())) && !bytes.empty())
      fail("out of memory");
    const bool file = def.kind_index() == 2 && !(flags & kRefIndirect);
    if (create_reference(list, name, value, flags, file) > 0) return;

    // The name is taken: compare with the reference that holds it.
    ATTR_REF refs;
    long old_id = 0;
    char old_name[kAtrRefNameSize + 1] = {};
    char old_flags = 0;
    TEXTBUFFER old_value;
    if (refs.rew(list, 0) >= 1) {
      for (long id; (id = refs.get(old_name, &old_value, &old_flags)) > 0;) {
        if (std::strncmp(old_name, name, kAtrRefNameSize) == 0) {
          old_id = id;
          break;
        }
      }
    }
    const std::string ref_name = field_string(name, kAtrRefNameSize);
    if (old_id < 1)
      fail("reference key at offset " + str(static_cast<long long>(at)) +
           ": cannot create the reference " + ref_name + " of " + text_of(def.name));
    if (same_value(old_value, static_cast<uint8_t>(old_flags), value, flags, file)) return;
    const bool old_file =
        def.kind_index() == 2 && !(static_cast<uint8_t>(old_flags) & kRefIndirect);
    if (!replace_chosen([&] {
          return ask_reference_conflict(owner_, text_of(def.name), ref_name,
                                        shown_value(value, file), shown_value(old_value, old_file));
        })) {
      return;
    }
    if (!ATTR_REF().del(old_id))
      fail("cannot replace the reference " + ref_name + " of " + text_of(def.name));
    if (create_reference(list, name, value, flags, file) < 1)
      fail("reference key at offset " + str(static_cast<long long>(at)) +
           ": cannot create the reference " + ref_name + " of " + text_of(def.name));
  }

 private:
  long create_reference(long list, const char* name, const TEXTBUFFER& value, uint8_t flags,
                        bool file) {
    char n[kAtrRefNameSize + 1] = {};
    std::memcpy(n, name, kAtrRefNameSize);
    ATTR_REF refs;
    return file ? refs.filepred_import(list, n, value)
                : refs.cre(list, n, value, static_cast<char>(flags));
  }

  // Whether an existing reference's value equals the imported one. A file that the
  // database holds is equal only with the same length and bytes; one that the
  // reference names on disk is read and embedded first.
  static bool same_value(const TEXTBUFFER& old_value, uint8_t old_flags, const TEXTBUFFER& value,
                         uint8_t flags, bool file) {
    if ((old_flags & kRefIndirect) != (flags & kRefIndirect)) return false;
    if (!file) return text_value(old_value) == text_value(value);
    if (old_flags & kRefHeld) return old_value == value;
    const TEXTBUFFER embedded = embed_file(old_value.get());
    return embedded == value;
  }

  // The group or attribute that a predefined-name code names: the first entry of
  // that name, searched from the root, a group's own entries first, then its
  // subgroups, the last subgroup first. 0 when there is none.
  static long find_predefined(int32_t code, bool group) {
    const std::string wanted = load_string(static_cast<unsigned>(kAtrPredefinedTexts[code - 1]));
    ATTRIBUTES walk;
    std::vector<long> pending{walk.rew_node(0)};
    while (!pending.empty()) {
      const long g = pending.back();
      pending.pop_back();
      if (walk.rew_node(g) < 1) continue;
      std::vector<long> subgroups;
      DBATTRIBUTENODETYPE node;
      for (long id; (id = walk.get_node(&node)) > 0;) {
        if (node.is_group() == group && text_of(node.name) == wanted) return id;
        if (node.is_group()) subgroups.push_back(id);
      }
      pending.insert(pending.end(), subgroups.begin(), subgroups.end());
    }
    return 0;
  }

  // A new group under parent, or the group of that name that parent holds.
  static long create_group(long parent, const DBATTRIBUTENODETYPE& node, uint64_t at) {
    DBATTRIBUTENODETYPE n = node;
    const long id = ATTRIBUTES().cre_node(parent, &n);
    if (id > 0) return id;
    if (id == ATTRIBUTES::kNameTaken) {
      ATTRIBUTES walk;
      if (walk.rew_node(parent) > 0) {
        DBATTRIBUTENODETYPE child;
        for (long c; (c = walk.get_node(&child)) > 0;)
          if (child.is_group() && text_of(child.name) == text_of(node.name)) return c;
      }
    }
    fail("group node at offset " + str(static_cast<long long>(at)) + ": cannot create the group " +
         text_of(node.name));
  }

  // A new attribute under parent; a name taken there gets the suffix "_1", "_2", ...
  // with the name cut so that both fit its 31 characters.
  static long create_attribute(long parent, const DBATTRIBUTETYPE& def, uint64_t at) {
    DBATTRIBUTETYPE d = def;
    const std::string name = text_of(def.name);
    long id = ATTRIBUTES().cre_attribute(parent, &d);
    for (int n = 1; id == ATTRIBUTES::kNameTaken && n <= kMaxSuffix; ++n) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "_%d", n);
      const std::size_t room = sizeof d.name - 1 - std::strlen(suffix);
      d = def;
      d.set_name((name.substr(0, room) + suffix).c_str());
      id = ATTRIBUTES().cre_attribute(parent, &d);
    }
    if (id < 1) {
      fail("attribute definition at offset " + str(static_cast<long long>(at)) +
           ": cannot create the attribute " + name + " (" + text_of(def.abbrev) + ")" +
           (id == ATTRIBUTES::kNameTaken ? ": no free name" : ""));
    }
    return id;
  }

  void* owner_;
  std::map<int32_t, long> groups_;       // file group identifier -> library group
  std::map<int32_t, long> definitions_;  // file definition identifier -> attribute entry
};

// The group that receives the file: target, the group of an attribute, or the root
// for 0.
long receiving_group(long target) {
  ATTRIBUTES store;
  if (target == 0) return store.rew_node(0);
  DBATTRIBUTENODETYPE node;
  long parent = 0;
  if (target < 0 || store.get_id_node(target, &node, &parent) != target) return 0;
  return node.is_group() ? target : parent;
}

int import_file(void* hwnd, long target, const char* file) {
  WaitCursor wait;
  std::string reason;
  try {
    ModelDatabase* db = active_model();
    if (!db || !db->is_open()) fail("no open project");
    WriteLock lock(*db);  // one transaction; what was created before a failure stays
    if (!lock) fail("the project cannot be changed");
    const long group = receiving_group(target);
    if (group < 1) fail("no library group " + str(target));
    if (!file) fail("no file name");
    const std::vector<unsigned char> bytes = read_whole(file, std::numeric_limits<uint32_t>::max());
    AttributeFileReader reader(bytes);
    Importer importer(hwnd, group);
    reader.read(importer);
    return 1;
  } catch (const AttributeFileFault& f) {
    reason = f.describe();
  } catch (const std::exception& e) {
    reason = e.what();
  } catch (...) {
    reason = "unknown failure";
  }
  DiagnosticOut(("AttributeImport: " + reason).c_str());
  return 0;
}

}  // namespace

int predefined_name_code(const char* name) {
  if (!name) return 0;
  for (int i = 0; i < 7; ++i)
    if (load_string(static_cast<unsigned>(kAtrPredefinedTexts[i])) == name) return i + 1;
  return 0;
}

}  // namespace dlist

int DLIST_CALL AttributeExport(void*, long id, char* file, long, ELEMID_LIST* selection) {
  return dlist::export_file(id, file, selection);
}

int DLIST_CALL AttributeImport(void* hwnd, long target, char* file) {
  return dlist::import_file(hwnd, target, file);
}
