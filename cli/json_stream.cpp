// JsonStream: separators and indentation as nlohmann::json's dump(2).
#include "cli/json_stream.h"

#include <string>

namespace dlist::cli {

void JsonStream::indent(std::size_t levels) { out_ << std::string(2 * levels, ' '); }

void JsonStream::before_value() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (empty_.empty()) return;  // the document's own value
  out_ << (empty_.back() ? "\n" : ",\n");
  empty_.back() = false;
  indent(empty_.size());
}

void JsonStream::key(std::string_view name) {
  before_value();
  out_ << nlohmann::ordered_json(std::string(name)).dump() << ": ";
  after_key_ = true;
}

void JsonStream::value(const nlohmann::ordered_json& v) {
  before_value();
  // A container's lines are indented to this place; no string holds a newline,
  // since JSON escapes it.
  const std::string text = v.dump(2);
  const std::string pad = "\n" + std::string(2 * empty_.size(), ' ');
  std::size_t from = 0;
  for (std::size_t nl; (nl = text.find('\n', from)) != std::string::npos; from = nl + 1)
    out_ << std::string_view(text).substr(from, nl - from) << pad;
  out_ << std::string_view(text).substr(from);
}

void JsonStream::open(char bracket) {
  before_value();
  out_ << bracket;
  empty_.push_back(true);
}

void JsonStream::close(char bracket) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) {
    out_ << '\n';
    indent(empty_.size());
  }
  out_ << bracket;
}

}  // namespace dlist::cli
