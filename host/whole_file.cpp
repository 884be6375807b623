// Writing a whole file at once (whole_file.h).
#include "host/whole_file.h"

#include "foundation/stream_error.h"
#include "host/file_replacement.h"

namespace dlist {

bool write_whole_file(const std::string& path, std::string_view text, std::string& error) {
  try {
    FileReplacement out(path);
    if (!text.empty()) out.file().write(text.data(), static_cast<unsigned>(text.size()));
    out.commit();
    return true;
  } catch (const StreamError& e) {
    error = e.what();
    return false;
  }
}

}  // namespace dlist
