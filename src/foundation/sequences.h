// The suite's small interfaces over sequences: record iterators (Iter), cursors
// (Iterator, with Iterator_Array walking an Array), read-only sequences (Array),
// sinks (Out), and OutArraySimple, a sequence that collects what it is given in a
// paged store. Array and Out share Object as a virtual base, so OutArray, which is
// both, is still one Object.
#pragma once

#include <cassert>

#include "foundation/arrays.h"
#include "foundation/object.h"

// Abstract record iterator: reset() goes back before the first record, next() hands
// out the next record, or null at the end. No data of its own.
template <class T>
class Iter {
 public:
  virtual ~Iter() = default;
  virtual void reset() = 0;
  virtual T* next() = 0;
};

// Read-only sequence.
template <class T>
class Array : public virtual Object {
 public:
  // Number of elements.
  virtual int n() const = 0;
  // Element i, below n(); unchecked.
  virtual const T& operator[](unsigned i) const = 0;
};

// Sink that accepts elements one at a time.
template <class T>
class Out : public virtual Object {
 public:
  virtual void operator()(const T& x) = 0;
};

// A sequence that is also a sink.
template <class T>
class OutArray : public virtual Array<T>, public virtual Out<T> {};

// An OutArray that keeps copies of what it accepts, in pages of 256 elements under a
// directory that grows by 256 pages. Copying copies every element.
template <class T>
class OutArraySimple : public OutArray<T> {
 public:
  OutArraySimple() = default;
  // Sizes the store to src's count and assigns every element, from the last down to
  // the first; empty when memory is short.
  OutArraySimple(const OutArraySimple& src) = default;
  // As the copy constructor; when memory is short this sequence is left unchanged.
  OutArraySimple& operator=(const OutArraySimple& src) {
    items.clone(src.items);
    return *this;
  }

  int n() const override { return static_cast<int>(items.size()); }
  const T& operator[](unsigned i) const override { return items[i]; }
  // Appends a copy of x; when memory is short nothing is appended (n() tells).
  void operator()(const T& x) override { append(x); }
  // Appends a copy of x; false, and nothing appended, when memory is short.
  bool append(const T& x) {
    const unsigned before = items.size();
    items.push(x);
    return items.size() != before;
  }

 protected:
  PRAS<T, 8, 8> items;  // the collected elements
};

// Abstract cursor: reset() goes back before the first element, next() moves to the
// next one and says whether there is one, operator()() is the current element.
template <class T>
class Iterator {
 public:
  virtual ~Iterator() = default;
  virtual bool next() = 0;
  virtual T& operator()() = 0;
  virtual void reset() = 0;
};

// Cursor over an Array that it does not own. The cursor hands out elements as
// writable, as its interface demands; the array's owner decides whether writing
// through them is allowed. Copying a cursor copies the pointer to the array.
template <class T>
class Iterator_Array : public Iterator<T> {
 public:
  explicit Iterator_Array(Array<T>* walked = nullptr) noexcept : array(walked) {}

  // Advances by one; true while the position lies below the array's n(). The position
  // stops one past the end, and a cursor without an array has nothing to give.
  bool next() override {
    const int end = array != nullptr ? array->n() : 0;
    if (position < end) ++position;
    return position < end;
  }
  // The element at the position, which a true next() has made valid.
  T& operator()() override {
    assert(array != nullptr && position >= 0 && position < array->n());
    return const_cast<T&>((*array)[static_cast<unsigned>(position)]);
  }
  void reset() override { position = -1; }

 protected:
  Array<T>* array;    // the walked array, not owned
  int position = -1;  // current position; -1 before the first element
};

// A further abstract sequence interface, kept for the host modules that implement it.
template <class T>
class Sit {
 public:
  virtual ~Sit() = default;
  // Goes back before the first element.
  virtual void rewind() = 0;
  // Copies the next element into x; false at the end.
  virtual bool fetch(T& x) = 0;
};
