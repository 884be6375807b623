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

// The nodes of a walk in pre-order as nested objects: a node's object stays open,
// with its "children" array, until a node at its depth or above comes.
class JsonTree {
 public:
  explicit JsonTree(JsonStream& json) : json_(json) {}

  // Closes the nodes at depth and below, then writes the node's object up to its
  // open "children" array; members(json_) writes the members before it.
  template <class Members>
  void add(int depth, Members&& members) {
    close_to(depth);
    json_.begin_object();
    members(json_);
    json_.key("children");
    json_.begin_array();
    ++open_;
  }

  // Closes the nodes at depth and below (0: every one).
  void close_to(int depth) {
    for (; open_ > depth; --open_) {
      json_.end_array();
      json_.end_object();
    }
  }

  bool empty() const { return open_ == 0; }

 private:
  JsonStream& json_;
  int open_ = 0;
};

}  // namespace dlist::cli
