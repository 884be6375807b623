// JsonStream: writes a JSON document piece by piece as it is walked, so a listing
// of any size needs no more memory than the path to the value being written. The
// layout is that of nlohmann::json's dump(2): two blanks a level, "key": value,
// empty containers as [] and {}.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>
#include <vector>

namespace dlist::cli {

class JsonStream {
 public:
  explicit JsonStream(std::ostream& out) : out_(out) {}

  // Containers: the begin of one, in an array or after key(); its end.
  void begin_array() { open('['); }
  void end_array() { close(']'); }
  void begin_object() { open('{'); }
  void end_object() { close('}'); }

  // The key of the next member of the open object.
  void key(std::string_view name);
  // A whole value (a scalar, or a small container written at once).
  void value(const nlohmann::ordered_json& v);
  // A member: key and value.
  void member(std::string_view name, const nlohmann::ordered_json& v) {
    key(name);
    value(v);
  }

  // Ends the document with a newline; every container must be closed.
  void finish() { out_ << '\n'; }

 private:
  void before_value();
  void open(char bracket);
  void close(char bracket);
  void indent(std::size_t levels);

  std::ostream& out_;
  std::vector<bool> empty_;  // per open container: nothing written in it yet
  bool after_key_ = false;
};

}  // namespace dlist::cli
