// The location file's decoder for `dlist dump`.
#include "locations/location_dump.h"

#include <exception>

#include "stream/file_handle.h"

namespace dlist {

LocationDump decode_location_file(const std::string& file) {
  LocationDump dump;
  try {
    FileHandle in(file.c_str(), "rb");
    dump.file_size = in.remaining();
    LocationFileReader reader(in);
    reader.description(&dump.description);
    dump.has_description = true;
    LocationFileRecord r;
    try {
      while (reader.next(&r)) dump.records.push_back(r);
      dump.rest = in.remaining();
    } catch (const LocationFileFault& f) {
      dump.error = f.what;
      dump.error_offset = f.offset;
    }
  } catch (const std::exception& e) {
    if (dump.error.empty()) dump.error = e.what();
  }
  return dump;
}

}  // namespace dlist
