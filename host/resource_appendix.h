// APPENDIX: the library resources that travel with an exchange file. While a file is
// written, the exporter hands the handle the surface sets and reference chains of
// what it writes (SurfacesToResourceList, MaterialsToResourceList,
// AttributesToResourceList); after the last block AppendResources adds them to the
// file as a trailer. A reader asks IsAppendix whether a file carries one and reads it
// with ReadAppendix before the file's own content; a reader that holds the file's
// bytes already checks the footer with decode_appendix_footer and reads the sections
// with parse_appendix_sections, the parser that ReadAppendix uses too.
//
// The trailer is recognised from the end of the file: it closes with a fixed 16-byte
// footer (magic "DLRESAPX", version, trailer length), in front of which lie its
// sections (section kind, entry count, byte length, entries). A reader skips the
// sections it does not know, so the trailer can carry more of the libraries later
// without changing how it is recognised. For now it carries the names collected:
// the surface names, the material codes and the attribute names, each once, in the
// order first met. Layout in docs/formats.md, "Resource appendix".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dlist/api.h"
#include "foundation/references.h"
#include "foundation/surfaces.h"

namespace dlist {

// The kinds of the trailer's sections.
enum class AppendixSection : uint32_t {
  kSurfaceNames = 1,   // names of the surfaces of the surface sets
  kMaterialCodes = 2,  // codes of the materials of the material chains
  kAttributeNames = 3,  // names of the attribute references of the attribute chains
};

inline constexpr char kAppendixMagic[8] = {'D', 'L', 'R', 'E', 'S', 'A', 'P', 'X'};
inline constexpr uint32_t kAppendixVersion = 1;
inline constexpr uint32_t kAppendixFooterSize = 16;
// The longest entry, and the largest trailer, that are written or read.
inline constexpr uint32_t kMaxAppendixEntryBytes = 4096;
inline constexpr uint32_t kMaxAppendixBytes = 64u << 20;

// Checks the 16-byte footer that closes a file of file_size bytes. Empty on success,
// with *trailer_size set to the bytes of the whole trailer; otherwise why the file
// carries no trailer that a reader recognises.
DLIST_API std::string decode_appendix_footer(const unsigned char footer[kAppendixFooterSize],
                                             uint64_t file_size, uint32_t* trailer_size);

// One section of a trailer as read.
struct AppendixSectionRead {
  uint64_t offset = 0;  // of the section's header in the file
  uint32_t kind = 0;    // AppendixSection, or a later kind (skipped: no entries)
  uint32_t count = 0;   // entries, as the header gives them
  uint32_t length = 0;  // bytes of the entries
  std::vector<std::string> entries;  // the names read, as they stand
};

// A fault of a trailer: what (the "section" or "entry" at fault) and detail (" is cut
// short") together say what was wrong; offset is where.
struct AppendixFault {
  uint64_t offset = 0;
  std::string what;
  std::string detail;
};

// What a trailer's sections hold, as far as they could be read.
struct AppendixRead {
  std::vector<AppendixSectionRead> sections;  // a faulty section is kept when its
                                              // entries had begun to be read
  bool ok = true;
  AppendixFault fault;  // when !ok
};

// Parses the sections of a trailer: body is the trailer without its footer, at its
// offset in the file. Every count and length is checked against its cap and the
// bytes left before anything is kept. This is the one parser of the sections:
// APPENDIX::ReadAppendix and the exchange file reader both use it.
DLIST_API AppendixRead parse_appendix_sections(const unsigned char* body, std::size_t size,
                                               uint64_t at);

}  // namespace dlist

// A light handle, constructed for one export or import.
class DLIST_API APPENDIX {
 public:
  // Collect the names of a surface set, a material chain, an attribute chain (null:
  // nothing). Empty names are left out, and a name already collected is not taken
  // again.
  void SurfacesToResourceList(const DBSURFREFTYPE* surf);
  void MaterialsToResourceList(const DBMATREFCHAIN* mat);
  void AttributesToResourceList(const DBATTREFCHAIN* attr);

  // Appends the trailer of what was collected to the end of file. 1 on success; 0
  // when the file cannot be opened or written (a partly written trailer is cut off
  // again) or a name is longer than dlist::kMaxAppendixEntryBytes.
  int AppendResources(const char* file);

  // 1 when file ends with a trailer footer of a known version whose length fits the
  // file; 0 otherwise (also for a file that cannot be read).
  int IsAppendix(const char* file);

  // Reads and checks the whole trailer of file and replaces the lists of this handle
  // by the names it carries (the project's libraries take from them what they lack).
  // 1 on success; 0, with the lists untouched and the reason in last_error(), for a
  // file without a trailer or a damaged one.
  int ReadAppendix(const char* file);

  // The names collected or read.
  const std::vector<std::string>& surfaces() const { return surfaces_; }
  const std::vector<std::string>& materials() const { return materials_; }
  const std::vector<std::string>& attributes() const { return attributes_; }

  // Bytes of the trailer that IsAppendix or ReadAppendix last recognised (0 before).
  // The file's own content ends that many bytes before the end of the file.
  uint32_t trailer_size() const { return trailer_size_; }
  const std::string& last_error() const { return error_; }

 private:
  std::vector<std::string> surfaces_;
  std::vector<std::string> materials_;
  std::vector<std::string> attributes_;
  uint32_t trailer_size_ = 0;
  std::string error_;
};
