// The surface library database of the stand-ins (the suite's DBSURF): a library
// file of its own holding named surfaces, each with the fields of a surface entry
// (`DBSURFHATCH`: its hatch blocks and one-byte fields) and an optional bitmap
// file (its plain name and its bytes, kept in the database). `WriteSurfaces` and
// `ReadSurfaces` carry surfaces out of and into a library as a surface library
// file ("*.srf") with the bitmap files beside it; the layout of that file is in
// docs/formats.md, "Surface library file".
//
// Calls follow the suite's database conventions: identifiers are 32-bit, above 0
// naming a surface; a failed call changes nothing. Locks are those of GENDBTASK: the
// outermost write_lock begins a transaction and its write_unlock commits it, so a
// whole read of a surface file is one transaction.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/material_records.h"  // TEXTBUFFERCHAIN
#include "foundation/surfaces.h"
#include "host/database_task.h"

namespace dlist {
class SqliteConnection;
}

// A surface's bitmap file: a plain file name with the extension ".bmp" or ".orb"
// (any case) and its bytes.
struct SurfaceBitmap {
  std::string name;
  std::vector<unsigned char> bytes;
  bool operator==(const SurfaceBitmap&) const = default;
};

class DLIST_API SURFCONTEXT : public GENDBTASK {
 public:
  static constexpr int kSchemaVersion = 1;
  // The largest bitmap a surface holds.
  static constexpr std::size_t kMaxBitmapBytes = 64u << 20;

  SURFCONTEXT();
  ~SURFCONTEXT() override;
  SURFCONTEXT(const SURFCONTEXT&) = delete;
  SURFCONTEXT& operator=(const SURFCONTEXT&) = delete;

  // Opens (creating when missing) the library file at path, ":memory:" for one in
  // memory. False, with a reason in last_error(), for a file that cannot be opened
  // or holds no surface library.
  bool open(const std::string& path);
  void close();
  bool is_open() const;
  std::string last_error() const;

  int read_lock() override;
  int read_unlock() override;
  int write_lock() override;
  int write_unlock() override;
  const char* fullpath() const override;
  void abandon() override;

  // Creates a surface from rec (its name is the surface's name) with bitmap (null:
  // none). Its identifier; 0 when the name is no surface name or is used, the bitmap
  // is no bitmap file of a surface, or the store fails.
  long create(const DBSURFHATCH& rec, const SurfaceBitmap* bitmap);
  // Rewrites surface id with rec and bitmap (null: none); a new name must be free.
  // Non-zero on success.
  int modify(long id, const DBSURFHATCH& rec, const SurfaceBitmap* bitmap);
  int remove(long id);
  // The surface of a name (exact, byte for byte); its identifier, 0 when none.
  long find(const char* name, DBSURFHATCH& rec);
  // Surface id, with its bitmap when bitmap is given (an empty name: none); id, or 0
  // when there is none.
  long get(long id, DBSURFHATCH& rec, SurfaceBitmap* bitmap);
  // Every surface, in the byte order of their names; their number, -1 on failure.
  long surface_ids(std::vector<long>& ids);

  // The connection, for the stand-ins' own tests.
  dlist::SqliteConnection& connection();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Writes the surfaces whose names are listed (each once, in list order) to the
// surface library file path, and the bitmap files they name beside it. 1 on
// success; 0 when a name names no surface, two surfaces name one bitmap file with
// different bytes, or a file cannot be written.
DLIST_API int WriteSurfaces(SURFCONTEXT* surfaces, const char* path, TEXTBUFFERCHAIN* names);

// Reads the surface library file path, with the bitmap files it names beside it,
// into the library as one transaction. option "replace" replaces a stored surface of
// the same name; null, "" or "keep" keeps it. 1 on success; 0, with the library as it
// was, for any other option, a file that is refused or a bitmap that is missing or
// too large.
DLIST_API int ReadSurfaces(SURFCONTEXT* surfaces, const char* path, const char* option);

namespace dlist {

// Surface library file constants (docs/formats.md, "Surface library file").
inline constexpr char kSurfaceFileMagic[8] = {'D', 'L', 'S', 'U', 'R', 'F', 'L', 'B'};
inline constexpr uint32_t kSurfaceFileVersion = 1;
inline constexpr std::size_t kSurfaceFileHeader = 16;
inline constexpr uint32_t kMaxSurfacesInFile = 65536;
inline constexpr std::size_t kMaxBitmapName = 255;
// The least and the most bytes a surface takes in the file.
inline constexpr std::size_t kSurfaceRecordMin = DBSURFHATCH::kImageSize + 4;
inline constexpr std::size_t kSurfaceRecordMax = kSurfaceRecordMin + kMaxBitmapName;
inline constexpr std::size_t kMaxSurfaceFileBytes =
    kSurfaceFileHeader + std::size_t{kMaxSurfacesInFile} * kSurfaceRecordMax;
// The most bytes of bitmaps one read takes in.
inline constexpr uint64_t kMaxBitmapsPerRead = 256u << 20;

// Whether a name field (24 bytes) holds a surface name: 1 to 23 bytes before its
// zero, none of them a control character (0x00 to 0x1F, 0x7F).
DLIST_API bool is_surface_name(const char (&name)[24]);
// Whether name is the name of a surface's bitmap file: a plain file name whose
// extension is ".bmp" or ".orb" (any case).
DLIST_API bool is_bitmap_file_name(std::string_view name);

// One surface as the surface library file holds it.
struct SurfaceFileRecord {
  uint64_t offset = 0;  // of the record in the file
  DBSURFHATCH hatch;
  std::string bitmap;  // the bitmap file's name, empty for none
};

struct SurfaceFileContent {
  std::vector<SurfaceFileRecord> surfaces;
  uint32_t version = 0;
  uint32_t count = 0;  // as the header gives it
  // Empty when the file reads through; else what was wrong and where.
  std::string error;
  uint64_t error_offset = 0;
  bool ok() const { return error.empty(); }
};

// The one reader of surface library files: every surface as far as the file could
// be read. Refused: a file shorter than its header, another magic or version, a
// count above kMaxSurfacesInFile or beyond what the bytes left can hold, a name that
// is no surface name or repeats, a bitmap name longer than kMaxBitmapName, running
// past the end or no bitmap file name, and bytes after the last surface.
DLIST_API SurfaceFileContent parse_surface_file(std::span<const unsigned char> bytes);

// The image of a surface library file holding records (bitmap names as given).
DLIST_API std::vector<unsigned char> surface_file_image(const std::vector<SurfaceFileRecord>& records);

enum class SurfaceConflict { kKeep, kReplace };

// What a read of a surface library file did.
struct SurfaceReadReport {
  int added = 0;
  int replaced = 0;
  int kept = 0;
  std::string error;  // why the file was refused
};

// ReadSurfaces with its option given as a value; the report says what was done or
// why nothing was. True on success.
DLIST_API bool read_surfaces(SURFCONTEXT& surfaces, const std::string& path,
                             SurfaceConflict conflict, SurfaceReadReport* report);
// WriteSurfaces with the names as a list; the reason of a failure in *error.
DLIST_API bool write_surfaces(SURFCONTEXT& surfaces, const std::string& path,
                              const std::vector<std::string>& names, std::string* error);

}  // namespace dlist
