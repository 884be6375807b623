// Norms, normalisation and projections of the geometry values.
#include "foundation/geometry.h"

#include <cmath>

double COORD2D::length() const {
  return std::hypot(x, y);
}

double COORD2D::normalize() {
  const double n = length();
  if (n > kNormalizeEpsilon) {
    x /= n;
    y /= n;
    return n;
  }
  set(1.0, 0.0);
  return 0.0;
}

COORD2D& COORD2D::projXY(const COORD3D& p) {
  return set(p.x, p.y);
}
COORD2D& COORD2D::projYZ(const COORD3D& p) {
  return set(p.y, p.z);
}
COORD2D& COORD2D::projZX(const COORD3D& p) {
  return set(p.z, p.x);
}

double COORD3D::length() const {
  return std::hypot(x, y, z);
}

double COORD3D::normalize() {
  const double n = length();
  if (n > kNormalizeEpsilon) {
    x /= n;
    y /= n;
    z /= n;
    return n;
  }
  set(1.0, 0.0, 0.0);
  return 0.0;
}

double SEGMENT2D::length() const {
  return (p[1] - p[0]).length();
}

LINE2D SEGMENT2D::line() const {
  COORD2D normal(-(p[1].y - p[0].y), p[1].x - p[0].x);
  normal.normalize();
  return LINE2D(normal, p[0]);
}
