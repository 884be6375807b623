// Object, the root of the suite's small class hierarchies: nothing but a virtual
// destructor, so that an object can be destroyed through its root.
#pragma once

class Object {
 public:
  Object() = default;
  Object(const Object&) = default;
  virtual ~Object() = default;
  // An object has no state of its own to copy.
  Object& operator=(const Object&) { return *this; }
};
