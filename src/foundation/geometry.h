// Geometry values of the base library: plane and space vectors (`COORD2D`,
// `COORD3D`), a plane segment (`SEGMENT2D`) and a plane line given by its unit
// normal and one point (`LINE2D`). They are plain `double` components, trivially
// copyable, so that records can hold them in their memory images (16 and 24 bytes).
//
// Inside the byte-packed records a vector may sit at any address; such members are
// read and written by value (copy out, change, copy back), never through a
// reference or `operator double*`.
#pragma once

#include "dlist/api.h"

struct COORD3D;

// Below this norm a vector counts as zero and normalises to the unit x vector.
inline constexpr double kNormalizeEpsilon = 1e-12;

struct DLIST_API COORD2D {
  double x;
  double y;

  constexpr COORD2D() : x(0.0), y(0.0) {}
  constexpr COORD2D(double x0, double y0) : x(x0), y(y0) {}
  COORD2D(const COORD2D&) = default;
  COORD2D& operator=(const COORD2D&) = default;

  COORD2D& set(double x0, double y0) {
    x = x0;
    y = y0;
    return *this;
  }
  COORD2D& zero() { return set(0.0, 0.0); }

  // Euclidean norm.
  double length() const;

  // Divides by the norm and returns it; a norm of 1e-12 or less (or not a number)
  // makes the vector (1, 0) and returns 0.0.
  double normalize();

  // Component i: 0 is x, any other index y.
  double& operator[](int i) { return i == 0 ? x : y; }
  double operator[](int i) const { return i == 0 ? x : y; }

  COORD2D operator+() const { return *this; }
  COORD2D operator-() const { return COORD2D(-x, -y); }

  COORD2D& operator+=(const COORD2D& v) { return set(x + v.x, y + v.y); }
  COORD2D& operator-=(const COORD2D& v) { return set(x - v.x, y - v.y); }
  // By a scalar: every component.
  COORD2D& operator+=(double s) { return set(x + s, y + s); }
  COORD2D& operator-=(double s) { return set(x - s, y - s); }
  COORD2D& operator*=(double s) { return set(x * s, y * s); }
  COORD2D& operator/=(double s) { return set(x / s, y / s); }

  // The two components as an array (x first); only for a vector at its own address.
  operator double*() { return &x; }
  operator const double*() const { return &x; }

  // This vector becomes the projection of p on a coordinate plane: (x, y), (y, z)
  // or (z, x) of p.
  COORD2D& projXY(const COORD3D& p);
  COORD2D& projYZ(const COORD3D& p);
  COORD2D& projZX(const COORD3D& p);
};

struct DLIST_API COORD3D {
  double x;
  double y;
  double z;

  constexpr COORD3D() : x(0.0), y(0.0), z(0.0) {}
  constexpr COORD3D(double x0, double y0, double z0) : x(x0), y(y0), z(z0) {}
  constexpr COORD3D(const COORD2D& xy, double z0) : x(xy.x), y(xy.y), z(z0) {}
  constexpr COORD3D(double x0, const COORD2D& yz) : x(x0), y(yz.x), z(yz.y) {}
  COORD3D(const COORD3D&) = default;
  COORD3D& operator=(const COORD3D&) = default;

  COORD3D& set(double x0, double y0, double z0) {
    x = x0;
    y = y0;
    z = z0;
    return *this;
  }
  COORD3D& set(const COORD2D& xy, double z0) { return set(xy.x, xy.y, z0); }
  COORD3D& set(double x0, const COORD2D& yz) { return set(x0, yz.x, yz.y); }
  COORD3D& zero() { return set(0.0, 0.0, 0.0); }

  double length() const;

  // As COORD2D::normalize, with (1, 0, 0) for a vector too short to normalise.
  double normalize();

  // Component i: 0 is x, 1 is y, any other index z.
  double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

  COORD3D operator+() const { return *this; }
  COORD3D operator-() const { return COORD3D(-x, -y, -z); }

  COORD3D& operator+=(const COORD3D& v) { return set(x + v.x, y + v.y, z + v.z); }
  COORD3D& operator-=(const COORD3D& v) { return set(x - v.x, y - v.y, z - v.z); }
  COORD3D& operator+=(double s) { return set(x + s, y + s, z + s); }
  COORD3D& operator-=(double s) { return set(x - s, y - s, z - s); }
  COORD3D& operator*=(double s) { return set(x * s, y * s, z * s); }
  COORD3D& operator/=(double s) { return set(x / s, y / s, z / s); }

  operator double*() { return &x; }
  operator const double*() const { return &x; }
};

// Exact, component by component.
inline bool operator==(const COORD2D& a, const COORD2D& b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator==(const COORD3D& a, const COORD3D& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}
inline COORD2D operator+(COORD2D a, const COORD2D& b) {
  return a += b;
}
inline COORD2D operator-(COORD2D a, const COORD2D& b) {
  return a -= b;
}
inline COORD3D operator+(COORD3D a, const COORD3D& b) {
  return a += b;
}
inline COORD3D operator-(COORD3D a, const COORD3D& b) {
  return a -= b;
}

// A plane line: unit normal and one point of the line.
struct DLIST_API LINE2D {
  COORD2D normal;
  COORD2D point;

  constexpr LINE2D() : normal(), point() {}
  constexpr LINE2D(const COORD2D& n, const COORD2D& p) : normal(n), point(p) {}
};

// A plane segment from end point 0 to end point 1.
struct DLIST_API SEGMENT2D {
  COORD2D p[2];

  constexpr SEGMENT2D() : p{} {}
  constexpr SEGMENT2D(const COORD2D& a, const COORD2D& b) : p{a, b} {}
  SEGMENT2D(const SEGMENT2D&) = default;
  SEGMENT2D& operator=(const SEGMENT2D&) = default;

  // End point i: 0 the start, any other index the end.
  COORD2D& operator[](int i) { return p[i == 0 ? 0 : 1]; }
  const COORD2D& operator[](int i) const { return p[i == 0 ? 0 : 1]; }

  double length() const;

  // The line through the segment: its normal is the direction (end - start) turned
  // by +90 degrees, (-(y1 - y0), x1 - x0), normalised (the unit x vector for a
  // segment shorter than 1e-12); its point is the start point.
  LINE2D line() const;
};
