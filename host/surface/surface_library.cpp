// The surface library database on SQLite, and the surface library file that
// WriteSurfaces writes and ReadSurfaces reads.
#include "host/surface/surface_library.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "foundation/byte_order.h"
#include "host/file_replacement.h"
#include "host/model/sqlite_connection.h"
#include "host/scratch_folder.h"

namespace dlist {
namespace {

constexpr int32_t kApplicationId = 0x444c5346;  // "DLSF"
constexpr int64_t kMaxId = 2147483647;

constexpr const char* kSchema = R"sql(
CREATE TABLE surfaces (
  id          INTEGER PRIMARY KEY AUTOINCREMENT CHECK (id <= 2147483647),
  name        BLOB    NOT NULL UNIQUE,
  image       BLOB    NOT NULL,
  bitmap_name BLOB,
  bitmap      BLOB
);
)sql";

std::span<const unsigned char> bytes_of(const std::string& s) {
  return {reinterpret_cast<const unsigned char*>(s.data()), s.size()};
}

std::span<const unsigned char> image_of(const DBSURFHATCH& rec) {
  return {reinterpret_cast<const unsigned char*>(&rec), sizeof rec};
}

std::string name_of(const DBSURFHATCH& rec) {
  return std::string(rec.name, strnlen(rec.name, sizeof rec.name));
}

bool valid_bitmap(const SurfaceBitmap* bitmap) {
  return bitmap == nullptr || (is_bitmap_file_name(bitmap->name) &&
                               bitmap->bytes.size() <= SURFCONTEXT::kMaxBitmapBytes);
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string upper_text(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = upper(c);
  return u;
}

}  // namespace

bool is_surface_name(const char (&name)[24]) {
  const std::size_t n = strnlen(name, sizeof name);
  if (n == 0 || n == sizeof name) return false;
  for (std::size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool is_bitmap_file_name(std::string_view name) {
  if (!is_plain_file_name(name) || name.size() < 5) return false;
  const std::string ext = upper_text(name.substr(name.size() - 4));
  return ext == ".BMP" || ext == ".ORB";
}

}  // namespace dlist

using dlist::Statement;

struct SURFCONTEXT::Impl {
  dlist::SqliteConnection db;
  std::string error;
  int read_depth = 0;
  // A connection that can be called: open.
  bool usable() const { return db.is_open(); }
};

SURFCONTEXT::SURFCONTEXT() : impl_(std::make_unique<Impl>()) {}

SURFCONTEXT::~SURFCONTEXT() { close(); }

bool SURFCONTEXT::open(const std::string& path) {
  close();
  Impl& s = *impl_;
  const dlist::OwnDatabaseKind kind{"surface library", dlist::kApplicationId, kSchemaVersion,
                                   dlist::kSchema};
  return dlist::open_own_database(s.db, path, kind, &s.error);
}

void SURFCONTEXT::close() {
  impl_->db.close();
  impl_->read_depth = 0;
}

bool SURFCONTEXT::is_open() const { return impl_->db.is_open(); }

std::string SURFCONTEXT::last_error() const {
  return impl_->error.empty() ? impl_->db.last_error() : impl_->error;
}

const char* SURFCONTEXT::fullpath() const {
  return impl_->db.is_open() ? impl_->db.path().c_str() : "";
}

void SURFCONTEXT::abandon() { impl_->db.abandon(); }

dlist::SqliteConnection& SURFCONTEXT::connection() { return impl_->db; }

int SURFCONTEXT::read_lock() {
  if (!impl_->usable()) return 0;
  ++impl_->read_depth;
  return 1;
}

int SURFCONTEXT::read_unlock() {
  if (!impl_->usable() || impl_->read_depth == 0) return 0;
  --impl_->read_depth;
  return 1;
}

int SURFCONTEXT::write_lock() { return impl_->usable() && impl_->db.write_lock() ? 1 : 0; }

int SURFCONTEXT::write_unlock() { return impl_->usable() && impl_->db.write_unlock() ? 1 : 0; }

namespace {

// Binds a surface's columns from ?first on: name, image, bitmap name, bitmap.
Statement& bind_surface(Statement& q, int first, const std::string& name, const DBSURFHATCH& rec,
                        const SurfaceBitmap* bitmap) {
  q.bind(first, dlist::bytes_of(name)).bind(first + 1, dlist::image_of(rec));
  if (bitmap != nullptr) {
    q.bind(first + 2, dlist::bytes_of(bitmap->name));
    q.bind(first + 3, std::span<const unsigned char>(bitmap->bytes));
  } else {
    q.bind_null(first + 2).bind_null(first + 3);
  }
  return q;
}

int64_t row_of(long id) { return id > 0 && id <= dlist::kMaxId ? id : 0; }

// The stored name's owner other than id: its identifier, 0 when free, -1 on failure.
int64_t name_owner(dlist::SqliteConnection& db, const std::string& name, int64_t except) {
  Statement q(db, "SELECT id FROM surfaces WHERE name = ?1 AND id != ?2");
  const bool found = q.bind(1, dlist::bytes_of(name)).bind(2, except).row();
  if (!q.ok()) return -1;
  return found ? q.integer(0) : 0;
}

bool read_image(std::span<const unsigned char> blob, DBSURFHATCH& rec) {
  if (blob.size() != sizeof(DBSURFHATCH)) return false;
  std::memcpy(&rec, blob.data(), sizeof rec);
  return true;
}

}  // namespace

long SURFCONTEXT::create(const DBSURFHATCH& rec, const SurfaceBitmap* bitmap) {
  Impl& s = *impl_;
  if (!s.usable() || !dlist::is_surface_name(rec.name) || !dlist::valid_bitmap(bitmap)) return 0;
  const std::string name = dlist::name_of(rec);
  dlist::WriteLock lock(this);
  if (!lock) return 0;
  dlist::CallScope call(s.db);
  if (!call || name_owner(s.db, name, 0) != 0) return 0;
  Statement q(s.db,
              "INSERT INTO surfaces (name, image, bitmap_name, bitmap) VALUES (?1, ?2, ?3, ?4)");
  if (!bind_surface(q, 1, name, rec, bitmap).run()) return 0;
  const int64_t id = s.db.last_insert_id();
  if (id <= 0 || id > dlist::kMaxId || !call.commit()) return 0;
  return lock.unlock() ? static_cast<long>(id) : 0;
}

int SURFCONTEXT::modify(long id, const DBSURFHATCH& rec, const SurfaceBitmap* bitmap) {
  Impl& s = *impl_;
  const int64_t row = row_of(id);
  if (!s.usable() || row == 0 || !dlist::is_surface_name(rec.name) || !dlist::valid_bitmap(bitmap))
    return 0;
  const std::string name = dlist::name_of(rec);
  dlist::WriteLock lock(this);
  if (!lock) return 0;
  dlist::CallScope call(s.db);
  if (!call || name_owner(s.db, name, row) != 0) return 0;
  Statement q(s.db,
              "UPDATE surfaces SET name = ?2, image = ?3, bitmap_name = ?4, bitmap = ?5 "
              "WHERE id = ?1");
  q.bind(1, row);
  if (!bind_surface(q, 2, name, rec, bitmap).run()) return 0;
  {
    Statement c(s.db, "SELECT changes()");
    if (!c.row() || c.integer(0) != 1) return 0;
  }
  if (!call.commit()) return 0;
  return lock.unlock() ? 1 : 0;
}

int SURFCONTEXT::remove(long id) {
  Impl& s = *impl_;
  const int64_t row = row_of(id);
  if (!s.usable() || row == 0) return 0;
  dlist::WriteLock lock(this);
  if (!lock) return 0;
  Statement q(s.db, "DELETE FROM surfaces WHERE id = ?1");
  if (!q.bind(1, row).run()) return 0;
  Statement c(s.db, "SELECT changes()");
  if (!c.row() || c.integer(0) != 1) return 0;
  return lock.unlock() ? 1 : 0;
}

long SURFCONTEXT::find(const char* name, DBSURFHATCH& rec) {
  Impl& s = *impl_;
  if (!s.usable() || name == nullptr) return 0;
  Statement q(s.db, "SELECT id, image FROM surfaces WHERE name = ?1");
  const std::string n(name);
  if (!q.bind(1, dlist::bytes_of(n)).row()) return 0;
  DBSURFHATCH read;
  if (!read_image(q.blob(1), read)) return 0;
  rec = read;
  return static_cast<long>(q.integer(0));
}

long SURFCONTEXT::get(long id, DBSURFHATCH& rec, SurfaceBitmap* bitmap) {
  Impl& s = *impl_;
  const int64_t row = row_of(id);
  if (!s.usable() || row == 0) return 0;
  Statement q(s.db, "SELECT image, bitmap_name, bitmap FROM surfaces WHERE id = ?1");
  if (!q.bind(1, row).row()) return 0;
  DBSURFHATCH read;
  if (!read_image(q.blob(0), read)) return 0;
  if (bitmap != nullptr) {
    const auto name = q.blob(1);
    const auto bytes = q.blob(2);
    bitmap->name.assign(reinterpret_cast<const char*>(name.data()), name.size());
    bitmap->bytes.assign(bytes.begin(), bytes.end());
  }
  rec = read;
  return id;
}

long SURFCONTEXT::surface_ids(std::vector<long>& ids) {
  ids.clear();
  Impl& s = *impl_;
  if (!s.usable()) return -1;
  Statement q(s.db, "SELECT id FROM surfaces ORDER BY name");
  while (q.row()) ids.push_back(static_cast<long>(q.integer(0)));
  if (!q.ok()) {
    ids.clear();
    return -1;
  }
  return static_cast<long>(ids.size());
}

// ---- the surface library file ---------------------------------------------------

namespace dlist {
namespace {

struct Cursor {
  std::span<const unsigned char> bytes;
  std::size_t at = 0;
  std::size_t left() const { return bytes.size() - at; }
};

}  // namespace

SurfaceFileContent parse_surface_file(std::span<const unsigned char> bytes) {
  SurfaceFileContent out;
  auto fail = [&out](uint64_t at, std::string what) {
    out.error = std::move(what);
    out.error_offset = at;
    return out;
  };
  if (bytes.size() < kSurfaceFileHeader)
    return fail(0, "the file has " + std::to_string(bytes.size()) +
                       " bytes, fewer than the 16 of its header");
  if (std::memcmp(bytes.data(), kSurfaceFileMagic, sizeof kSurfaceFileMagic) != 0)
    return fail(0, "the file does not begin with \"DLSURFLB\"");
  out.version = load_le32(bytes.data() + 8);
  if (out.version != kSurfaceFileVersion)
    return fail(8, "version " + std::to_string(out.version) + " is not 1");
  out.count = load_le32(bytes.data() + 12);
  const std::size_t body = bytes.size() - kSurfaceFileHeader;
  if (out.count > kMaxSurfacesInFile || std::size_t{out.count} * kSurfaceRecordMin > body)
    return fail(12, "a count of " + std::to_string(out.count) +
                        " surfaces does not fit the file's " + std::to_string(body) +
                        " bytes after its header");
  Cursor c{bytes, kSurfaceFileHeader};
  std::set<std::string> names;
  for (uint32_t i = 0; i < out.count; ++i) {
    const std::size_t at = c.at;
    if (c.left() < kSurfaceRecordMin)
      return fail(at, "surface " + std::to_string(i) + " runs past the end of the file");
    SurfaceFileRecord r;
    r.offset = at;
    std::memcpy(&r.hatch, bytes.data() + at, sizeof r.hatch);
    if (!is_surface_name(r.hatch.name))
      return fail(at, "surface " + std::to_string(i) +
                          " has no name of 1 to 23 printable bytes ending in a zero");
    if (!names.insert(name_of(r.hatch)).second)
      return fail(at, "the name \"" + name_of(r.hatch) + "\" is given twice");
    const uint32_t n = load_le32(bytes.data() + at + DBSURFHATCH::kImageSize);
    c.at = at + kSurfaceRecordMin;
    if (n > kMaxBitmapName || n > c.left())
      return fail(at + DBSURFHATCH::kImageSize,
                  "a bitmap name of " + std::to_string(n) + " bytes does not fit");
    r.bitmap.assign(reinterpret_cast<const char*>(bytes.data() + c.at), n);
    if (n != 0 && !is_bitmap_file_name(r.bitmap))
      return fail(c.at, "the bitmap name is no plain file name ending in .bmp or .orb");
    c.at += n;
    out.surfaces.push_back(std::move(r));
  }
  if (c.left() != 0)
    return fail(c.at, std::to_string(c.left()) + " bytes follow the last surface");
  return out;
}

std::vector<unsigned char> surface_file_image(const std::vector<SurfaceFileRecord>& records) {
  std::vector<unsigned char> out(kSurfaceFileMagic, kSurfaceFileMagic + sizeof kSurfaceFileMagic);
  put_le32(out, kSurfaceFileVersion);
  put_le32(out, static_cast<uint32_t>(records.size()));
  for (const SurfaceFileRecord& r : records) {
    const auto image = image_of(r.hatch);
    out.insert(out.end(), image.begin(), image.end());
    put_le32(out, static_cast<uint32_t>(r.bitmap.size()));
    out.insert(out.end(), r.bitmap.begin(), r.bitmap.end());
  }
  return out;
}

namespace {

// Reads the regular file name of folder (never through a link) when it holds at most
// cap bytes; false, with the reason in *error, otherwise.
bool read_beside(const std::filesystem::path& folder, const std::string& name, uint64_t cap,
                 std::vector<unsigned char>* bytes, std::string* error) {
  const std::filesystem::path path = folder / name;
#if defined(_WIN32)
  std::error_code ec;
  if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::regular) {
    *error = "the file " + name + " is missing";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  const uint64_t size = std::filesystem::file_size(path, ec);
  if (ec || size > cap) {
    *error = "the file " + name + " is larger than " + std::to_string(cap) + " bytes";
    return false;
  }
  bytes->resize(size);
  in.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(size));
  if (static_cast<uint64_t>(in.gcount()) != size) {
    *error = "cannot read " + name;
    return false;
  }
  return true;
#else
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  struct stat st{};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    *error = "the file " + name + " is missing or no regular file";
    return false;
  }
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > cap) {
    ::close(fd);
    *error = "the file " + name + " is larger than " + std::to_string(cap) + " bytes";
    return false;
  }
  bytes->resize(size);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, bytes->data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (got != size) {
    *error = "cannot read " + name;
    return false;
  }
  return true;
#endif
}

}  // namespace

bool read_surfaces(SURFCONTEXT& surfaces, const std::string& path, SurfaceConflict conflict,
                   SurfaceReadReport* report) {
  SurfaceReadReport local;
  SurfaceReadReport& r = report ? *report : local;
  r = SurfaceReadReport();
  auto refuse = [&r](std::string why) {
    r.added = r.replaced = r.kept = 0;
    r.error = std::move(why);
    return false;
  };
  const std::filesystem::path file(path);
  std::vector<unsigned char> bytes;
  if (!read_beside(file.parent_path().empty() ? "." : file.parent_path(),
                   file.filename().string(), kMaxSurfaceFileBytes, &bytes, &r.error))
    return refuse(r.error);
  const SurfaceFileContent content = parse_surface_file(bytes);
  if (!content.ok())
    return refuse("at offset " + std::to_string(content.error_offset) + ": " + content.error);
  TaskTransaction change(&surfaces);
  if (!change) return refuse("cannot change the surface library");
  uint64_t bitmaps = 0;
  for (const SurfaceFileRecord& rec : content.surfaces) {
    SurfaceBitmap bitmap;
    if (!rec.bitmap.empty()) {
      bitmap.name = rec.bitmap;
      std::string why;
      if (!read_beside(file.parent_path(), rec.bitmap, SURFCONTEXT::kMaxBitmapBytes,
                       &bitmap.bytes, &why))
        return refuse(why);
      bitmaps += bitmap.bytes.size();
      if (bitmaps > kMaxBitmapsPerRead)
        return refuse("the bitmaps hold more than " + std::to_string(kMaxBitmapsPerRead) +
                      " bytes");
    }
    const SurfaceBitmap* with = rec.bitmap.empty() ? nullptr : &bitmap;
    DBSURFHATCH stored;
    const long id = surfaces.find(name_of(rec.hatch).c_str(), stored);
    if (id > 0 && conflict == SurfaceConflict::kKeep) {
      ++r.kept;
    } else if (id > 0) {
      if (surfaces.modify(id, rec.hatch, with) == 0)
        return refuse("cannot replace the surface \"" + name_of(rec.hatch) + "\"");
      ++r.replaced;
    } else {
      if (surfaces.create(rec.hatch, with) <= 0)
        return refuse("cannot add the surface \"" + name_of(rec.hatch) + "\"");
      ++r.added;
    }
  }
  if (!change.commit()) return refuse("cannot save the surface library");
  return true;
}

bool write_surfaces(SURFCONTEXT& surfaces, const std::string& path,
                    const std::vector<std::string>& names, std::string* error) {
  std::string ignored;
  std::string& why = error ? *error : ignored;
  ReadLock lock(&surfaces);
  if (!lock) {
    why = "cannot read the surface library";
    return false;
  }
  std::vector<SurfaceFileRecord> records;
  std::vector<SurfaceBitmap> bitmaps;
  std::set<std::string> taken;
  for (const std::string& name : names) {
    if (!taken.insert(name).second) continue;
    SurfaceFileRecord rec;
    const long id = surfaces.find(name.c_str(), rec.hatch);
    SurfaceBitmap bitmap;
    if (id <= 0 || surfaces.get(id, rec.hatch, &bitmap) != id) {
      why = "no surface is called \"" + name + "\"";
      return false;
    }
    if (!bitmap.name.empty()) {
      if (!is_bitmap_file_name(bitmap.name)) {
        why = "the surface \"" + name + "\" names no plain bitmap file";
        return false;
      }
      const auto same = std::find_if(bitmaps.begin(), bitmaps.end(), [&](const SurfaceBitmap& b) {
        return upper_text(b.name) == upper_text(bitmap.name);
      });
      if (same == bitmaps.end()) {
        bitmaps.push_back(bitmap);
      } else if (same->bytes != bitmap.bytes || same->name != bitmap.name) {
        why = "two surfaces name the bitmap " + bitmap.name + " with different contents";
        return false;
      }
    }
    rec.bitmap = bitmap.name;
    records.push_back(std::move(rec));
  }
  const std::filesystem::path file(path);
  const std::filesystem::path folder = file.parent_path();
  try {
    for (const SurfaceBitmap& b : bitmaps) {
      FileReplacement out((folder / b.name).string());
      if (!b.bytes.empty()) out.file().write(b.bytes.data(), static_cast<unsigned>(b.bytes.size()));
      out.commit();
    }
    const std::vector<unsigned char> image = surface_file_image(records);
    FileReplacement out(path);
    out.file().write(image.data(), static_cast<unsigned>(image.size()));
    out.commit();
  } catch (const std::exception& e) {
    why = e.what();
    return false;
  }
  return true;
}

}  // namespace dlist

int WriteSurfaces(SURFCONTEXT* surfaces, const char* path, TEXTBUFFERCHAIN* names) {
  if (surfaces == nullptr || path == nullptr || names == nullptr) return 0;
  std::vector<std::string> list;
  for (unsigned i = 0; i < names->size(); ++i) list.emplace_back((*names)[i].get());
  return dlist::write_surfaces(*surfaces, path, list, nullptr) ? 1 : 0;
}

int ReadSurfaces(SURFCONTEXT* surfaces, const char* path, const char* option) {
  if (surfaces == nullptr || path == nullptr) return 0;
  const std::string o = option ? option : "";
  dlist::SurfaceConflict conflict = dlist::SurfaceConflict::kKeep;
  if (o == "replace")
    conflict = dlist::SurfaceConflict::kReplace;
  else if (!o.empty() && o != "keep")
    return 0;
  return dlist::read_surfaces(*surfaces, path, conflict, nullptr) ? 1 : 0;
}
