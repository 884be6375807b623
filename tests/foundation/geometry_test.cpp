#include "foundation/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Geometry, NormalizeDividesByTheNormOrFallsBackToUnitX) {
  COORD2D v(3.0, 4.0);
  EXPECT_DOUBLE_EQ(v.normalize(), 5.0);
  EXPECT_DOUBLE_EQ(v.x, 0.6);
  EXPECT_DOUBLE_EQ(v.y, 0.8);

  COORD2D zero;
  EXPECT_EQ(zero.normalize(), 0.0);
  EXPECT_EQ(zero, COORD2D(1.0, 0.0));

  COORD2D tiny(1e-12, 0.0);  // a norm of exactly 1e-12 is too short
  EXPECT_EQ(tiny.normalize(), 0.0);
  EXPECT_EQ(tiny, COORD2D(1.0, 0.0));

  COORD3D nan(std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0);
  EXPECT_EQ(nan.normalize(), 0.0);
  EXPECT_EQ(nan, COORD3D(1.0, 0.0, 0.0));

  COORD3D w(0.0, 0.0, -2.0);
  EXPECT_DOUBLE_EQ(w.normalize(), 2.0);
  EXPECT_EQ(w, COORD3D(0.0, 0.0, -1.0));
}

TEST(Geometry, SegmentLineTurnsTheDirectionByPlusNinetyDegrees) {
  const SEGMENT2D s(COORD2D(1.0, 1.0), COORD2D(4.0, 1.0));
  EXPECT_DOUBLE_EQ(s.length(), 3.0);
  const LINE2D l = s.line();
  EXPECT_DOUBLE_EQ(l.normal.x, 0.0);
  EXPECT_DOUBLE_EQ(l.normal.y, 1.0);
  EXPECT_EQ(l.point, COORD2D(1.0, 1.0));

  const SEGMENT2D degenerate(COORD2D(2.0, 5.0), COORD2D(2.0, 5.0));
  const LINE2D d = degenerate.line();
  EXPECT_EQ(d.normal, COORD2D(1.0, 0.0));
  EXPECT_EQ(d.point, COORD2D(2.0, 5.0));
  EXPECT_EQ(degenerate[1], COORD2D(2.0, 5.0));
}

TEST(Geometry, ComponentsOperatorsAndProjections) {
  const COORD3D p(1.0, 2.0, 3.0);
  COORD2D q;
  EXPECT_EQ(q.projXY(p), COORD2D(1.0, 2.0));
  EXPECT_EQ(q.projYZ(p), COORD2D(2.0, 3.0));
  EXPECT_EQ(q.projZX(p), COORD2D(3.0, 1.0));
  EXPECT_EQ(COORD3D(COORD2D(1.0, 2.0), 3.0), p);
  EXPECT_EQ(COORD3D(1.0, COORD2D(2.0, 3.0)), p);

  COORD3D v = p;
  v[2] = 9.0;
  EXPECT_EQ(v.z, 9.0);
  v *= 2.0;
  v -= COORD3D(2.0, 4.0, 18.0);
  EXPECT_EQ(v, COORD3D());
  EXPECT_EQ(-COORD2D(1.0, -2.0), COORD2D(-1.0, 2.0));
  COORD2D a(6.0, 8.0);
  a /= 2.0;
  a += 1.0;
  EXPECT_EQ(a, COORD2D(4.0, 5.0));
  const double* raw = a;
  EXPECT_EQ(raw[1], 5.0);
  EXPECT_DOUBLE_EQ(COORD3D(2.0, 3.0, 6.0).length(), 7.0);
}
