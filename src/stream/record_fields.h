// A record's fields, declared once. `fields(v, record)` names each member of a record
// in its stream order, and a visitor decides what a name means:
//
//   StreamFields  streams each value through a Stream in either direction and ignores
//                 the names; the record's Streamer<T>::io() is this visitor.
//   a listing     (the exchange dump's) shows each value under its name.
//
// A visitor provides
//   value(name, v)        a number (integral or floating)
//   chars(name, field)    a fixed zero-terminated text field of N bytes
//   buffer(name, text)    a text buffer with its length
//   kind(name, k)         an element kind code (a listing also names the kind)
//   shown(name, get)      a value that only a listing sees, computed by get(); nothing
//                         travels for it
// The declarations take the record const or not: a listing visits a const record.
#pragma once

#include <concepts>
#include <cstddef>
#include <type_traits>

#include "foundation/references.h"
#include "foundation/tree_nodes.h"
#include "stream/streamers.h"

namespace dlist {

// R is T, const or not.
template <class R, class T>
concept RecordOf = std::same_as<std::remove_const_t<R>, T>;

// The tree nodes of both trees: level, kind, name, description, last.
template <class V, RecordOf<TreeNode> R>
void fields(V& v, R& n) {
  v.value("level", n.level);
  v.kind("kind", n.kind);
  v.chars("name", n.name);
  v.buffer("description", n.description);
  v.value("last", n.last);
}

// A material reference.
template <class V, RecordOf<DBMATREF> R>
void fields(V& v, R& m) {
  v.buffer("code", m.code);
  v.value("quantity", m.quantity);
  v.shown("automatic", [&] { return m.is_auto_quantity() ? 1 : 0; });
  v.value("location", m.location);
  v.chars("parameter", m.parameter);
  v.value("reserved", m.reserved);
}

// An attribute reference.
template <class V, RecordOf<DBATTREFTYPE> R>
void fields(V& v, R& a) {
  v.chars("name", a.name);
  v.value("flags", a.flags);
  v.chars("abbrev", a.abbrev);
  v.value("reference", a.reference);
  v.buffer("value", a.value);
  v.value("reserved", a.reserved);
}

// Streams the declared fields through a stream; the names are not used.
class StreamFields {
 public:
  explicit StreamFields(Stream& s) : s_(s) {}

  template <class T>
  void value(const char*, T& v) {
    s_.io(v);
  }
  template <std::size_t N>
  void chars(const char*, char (&field)[N]) {
    s_.io(field, static_cast<int>(N));
  }
  void buffer(const char*, TEXTBUFFER& text) { Streamer<TEXTBUFFER>(&text).io(s_); }
  template <class T>
  void kind(const char*, T& k) {
    s_.io(k);
  }
  template <class Get>
  void shown(const char*, Get&&) {}

 private:
  Stream& s_;
};

}  // namespace dlist
