// APPENDIX: the library resources that travel with an exchange file. While a file is
// written, the exporter hands the handle the surface sets and reference chains of
// what it writes (SurfacesToResourceList, MaterialsToResourceList,
// AttributesToResourceList); after the last block AppendResources adds them to the
// file as a trailer. An importer asks IsAppendix whether a file carries one and
// reads it with ReadAppendix before the file's own content.
//
// The trailer is recognised from the end of the file: it closes with a fixed 16-byte
// footer (magic "DLRESAPX", version, trailer length), in front of which lie its
// sections (section kind, entry count, byte length, entries). A reader skips the
// sections it does not know, so the trailer can carry more of the libraries later
// without changing how it is recognised. For now it carries the names collected:
// the surface names, the material codes and the attribute names, each once, in the
// order first met. Layout in docs/formats.md, "Resource appendix".
#pragma once

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
