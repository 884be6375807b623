// Growth rules, stack operations and failure behaviour of the suite's arrays.
#include "foundation/arrays.h"

#include <gtest/gtest.h>

#include <numeric>
#include <type_traits>
#include <vector>

#include "foundation/memory.h"

namespace {

using dlist::AllocationFailureScope;
using dlist::AllocationLog;
using Sizes = std::vector<std::size_t>;

// An element that counts how many of its kind exist.
struct Counted {
  static inline long alive = 0;
  long value = 0;
  Counted() { ++alive; }
  Counted(const Counted& o) : value(o.value) { ++alive; }
  Counted& operator=(const Counted&) = default;
  ~Counted() { --alive; }
};

template <class A>
std::vector<long> contents(const A& a) {
  std::vector<long> out;
  for (unsigned i = 0; i < a.size(); ++i) out.push_back(static_cast<long>(a[i]));
  return out;
}

TEST(CdaTest, GrowsAndShrinksInWholeSteps) {
  CDA<long, 8> a;
  AllocationLog log;
  EXPECT_NE(a.resize(1), nullptr);
  EXPECT_EQ(log.requests(), Sizes{256 * sizeof(long)});
  long* block = a;
  EXPECT_EQ(a.resize(256), block);
  EXPECT_EQ(log.requests().size(), 1u);
  EXPECT_NE(a.extend(1), nullptr);
  EXPECT_EQ(a.size(), 257u);
  EXPECT_EQ(log.requests().back(), 512 * sizeof(long));
  EXPECT_NE(a.shrink(1), nullptr);
  EXPECT_EQ(log.requests().back(), 256 * sizeof(long));
  EXPECT_EQ(log.requests().size(), 3u);

  EXPECT_EQ(a.shrink(300), nullptr);  // more than it holds: refused, unchanged
  EXPECT_EQ(a.size(), 256u);
  EXPECT_EQ(a.extend(~0u), nullptr);  // the count would wrap
  EXPECT_EQ(a.size(), 256u);

  EXPECT_EQ(a.resize(0), nullptr);
  EXPECT_EQ(static_cast<long*>(a), nullptr);
  EXPECT_TRUE(a.is_empty());
}

TEST(CdaTest, ConstructsZeroFilledAndCopiesDeeply) {
  CDA<int, 6> a(3);
  EXPECT_EQ(contents(a), (std::vector<long>{0, 0, 0}));
  a[0] = 7;
  a[short{1}] = 8;
  a[2ul] = 9;
  EXPECT_EQ(a.top(), 9);
  EXPECT_EQ(a.pick(2), 7);

  int* block = a;
  EXPECT_EQ(a.clone(a), block);  // onto itself: nothing changes
  EXPECT_EQ(contents(a), (std::vector<long>{7, 8, 9}));

  CDA<int, 6> b(a);
  b[0] = 1;
  EXPECT_EQ(a[0], 7);
  CDA<int, 6> c(100);
  c = a;
  EXPECT_EQ(contents(c), (std::vector<long>{7, 8, 9}));
  EXPECT_NE(static_cast<int*>(c), block);
}

// Pages of 64 under a directory step of 16, as PDA<ORB::String,6,4>.
TEST(PdaTest, CreatesAndReleasesWholePagesAndDirectorySteps) {
  Counted::alive = 0;
  {
    PDA<Counted, 6, 4> a;
    AllocationLog log;
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(a.extend());
    EXPECT_EQ(log.requests(), (Sizes{16 * sizeof(Counted*), 64 * sizeof(Counted)}));
    EXPECT_EQ(Counted::alive, 64);

    log.clear();
    ASSERT_TRUE(a.extend());  // the 65th makes the second page
    EXPECT_EQ(log.requests(), Sizes{64 * sizeof(Counted)});
    EXPECT_EQ(Counted::alive, 128);

    for (int i = 65; i < 1024; ++i) ASSERT_TRUE(a.extend());
    log.clear();
    ASSERT_TRUE(a.extend());  // the 1025th makes the 17th page in a directory of 32
    EXPECT_EQ(log.requests(), (Sizes{32 * sizeof(Counted*), 64 * sizeof(Counted)}));
    EXPECT_EQ(Counted::alive, 17 * 64);

    log.clear();
    a.shrink();  // back to 1024: the page goes and the directory returns to 16
    EXPECT_EQ(log.requests(), Sizes{16 * sizeof(Counted*)});
    EXPECT_EQ(Counted::alive, 16 * 64);

    a[1000].value = 5;
    a.shrink();  // a removed element stays constructed with its value
    EXPECT_EQ(Counted::alive, 16 * 64);

    EXPECT_TRUE(a.resize(100));
    EXPECT_EQ(Counted::alive, 2 * 64);
    EXPECT_TRUE(a.resize(0));
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_TRUE(a.resize(130));
  }
  EXPECT_EQ(Counted::alive, 0);  // the destructor releases every page
}

TEST(PrasTest, ElementsNeverMoveAndCloneAssigns) {
  PRAS<double, 5, 5> a;
  double& first = a.push(1.5);
  for (int i = 1; i <= 1000; ++i) a.push(i);
  EXPECT_EQ(&first, &a[0]);
  EXPECT_EQ(first, 1.5);
  EXPECT_EQ(a.dup(), 1000.0);
  EXPECT_EQ(a.idx_dup(0), 1.5);
  EXPECT_EQ(a.size(), 1003u);

  EXPECT_TRUE(a.clone(a));
  EXPECT_EQ(a.size(), 1003u);
  PRAS<double, 5, 5> b(3);
  EXPECT_TRUE(b.clone(a));
  EXPECT_EQ(b.size(), 1003u);
  EXPECT_EQ(b[500], 500.0);
  PDA<double, 5, 5> c(b);
  b[500] = -1;
  EXPECT_EQ(c[500], 500.0);
  EXPECT_FALSE(b.drop(2000u));
  EXPECT_TRUE(b.drop(1000u));
  EXPECT_EQ(contents(b), (std::vector<long>{1, 1, 2}));  // 1.5, 1, 2
}

template <class Stack>
class StackTest : public testing::Test {};
using Stacks = testing::Types<CRAS<long, 4>, PRAS<double, 5, 5>, PRAS<Counted, 1, 1>>;
TYPED_TEST_SUITE(StackTest, Stacks);

template <class T>
T element(long v) {
  if constexpr (std::is_same_v<T, Counted>) {
    Counted c;
    c.value = v;
    return c;
  } else {
    return static_cast<T>(v);
  }
}

long as_long(long v) { return v; }
long as_long(double v) { return static_cast<long>(v); }
long as_long(const Counted& v) { return v.value; }

template <class Stack>
std::vector<long> stack_of(Stack& s) {
  std::vector<long> out;
  for (unsigned i = 0; i < s.size(); ++i) out.push_back(as_long(s[i]));
  return out;
}

TYPED_TEST(StackTest, OperationsOnTenTwentyThirtyForty) {
  using Op = void (*)(TypeParam&);
  struct Case {
    const char* name;
    Op op;
    std::vector<long> expected;
  };
  const Case cases[] = {
      {"rc_up(2)", [](TypeParam& s) { s.rc_up(2); }, {10, 40, 20, 30}},
      {"rc_dn(2)", [](TypeParam& s) { s.rc_dn(2); }, {10, 30, 40, 20}},
      {"rel_drop(1)", [](TypeParam& s) { s.rel_drop(1); }, {10, 20, 40}},
      {"idx_drop(0)", [](TypeParam& s) { s.idx_drop(0); }, {20, 30, 40}},
      {"shift_up(2)", [](TypeParam& s) { s.shift_up(2); }, {10, 20, 20, 30}},
      {"shift_dn(2)", [](TypeParam& s) { s.shift_dn(2); }, {10, 30, 40, 40}},
      {"swap()", [](TypeParam& s) { s.swap(); }, {10, 20, 40, 30}},
      {"idx_swap(0)", [](TypeParam& s) { s.idx_swap(0); }, {40, 20, 30, 10}},
      {"idx_swap(0,1)", [](TypeParam& s) { s.idx_swap(0, 1); }, {20, 10, 30, 40}},
      {"rel_swap(3)", [](TypeParam& s) { s.rel_swap(3); }, {40, 20, 30, 10}},
      {"rel_swap(1,2)", [](TypeParam& s) { s.rel_swap(1, 2); }, {10, 30, 20, 40}},
      {"dup()", [](TypeParam& s) { s.dup(); }, {10, 20, 30, 40, 40}},
      {"rel_dup(3)", [](TypeParam& s) { s.rel_dup(3); }, {10, 20, 30, 40, 10}},
      {"drop(2)", [](TypeParam& s) { s.drop(2u); }, {10, 20}},
      {"drop(5)", [](TypeParam& s) { s.drop(5u); }, {10, 20, 30, 40}},
  };
  for (const Case& c : cases) {
    TypeParam s;
    for (long v : {10, 20, 30, 40}) s.push(element<std::remove_reference_t<decltype(s[0])>>(v));
    c.op(s);
    EXPECT_EQ(stack_of(s), c.expected) << c.name;
  }
  TypeParam empty;
  EXPECT_FALSE(empty.rel_drop(0));  // nothing to remove: refused, no harm
}

TEST(CrasTest, PushCopiesItsOwnElementAcrossGrowth) {
  CRAS<long, 4> s;
  for (long i = 0; i < 16; ++i) s.push(i * 10);
  EXPECT_EQ(s.idx_dup(3), 30);  // the block is reallocated to make the 17th place
  EXPECT_EQ(s.size(), 17u);
}

TEST(AllocationFailureTest, LeavesArraysUnchanged) {
  CRAS<long, 4> c;
  for (long i = 0; i < 16; ++i) c.push(i);
  long* block = c;
  {
    AllocationFailureScope fail(0);
    long& r = c.push(99);
    EXPECT_NE(&r, &c.top());  // the scratch element, outside the array
    r = 5;
  }
  EXPECT_EQ(c.size(), 16u);
  EXPECT_EQ(static_cast<long*>(c), block);
  EXPECT_EQ(c.top(), 15);
  c.push(16);
  {
    AllocationFailureScope fail(0);
    EXPECT_FALSE(c.rel_drop(16));  // 17 -> 16 needs a smaller block: the move is undone
  }
  std::vector<long> zero_to_sixteen(17);
  std::iota(zero_to_sixteen.begin(), zero_to_sixteen.end(), 0L);
  EXPECT_EQ(contents(c), zero_to_sixteen);
  {
    AllocationFailureScope fail(0, true);
    CDA<long, 4> empty_copy(c);
    EXPECT_TRUE(empty_copy.is_empty());
    EXPECT_TRUE((CDA<long, 4>(5).is_empty()));
  }

  Counted::alive = 0;
  {
    PRAS<Counted, 2, 1> p(4);  // one page of 4 in a directory of 2
    p[3].value = 3;
    for (int at = 0; at < 4; ++at) {
      // Growing to 16 asks for the directory, then pages 3, 2, 1; each may fail.
      AllocationLog log;
      AllocationFailureScope fail(at);
      EXPECT_FALSE(p.resize(16)) << at;
      if (at > 0) {
        EXPECT_EQ(log.requests().back(), 2 * sizeof(Counted*));  // directory back to 2
      }
      EXPECT_EQ(p.size(), 4u);
      EXPECT_EQ(p[3].value, 3);
      EXPECT_EQ(Counted::alive, 4);
    }
    for (int at = 0; at < 2; ++at) {  // the 9th element needs a directory and a page
      ASSERT_TRUE(p.resize(8));
      AllocationLog log;
      AllocationFailureScope fail(at);
      EXPECT_FALSE(p.extend());
      if (at > 0) {
        EXPECT_EQ(log.requests().back(), 2 * sizeof(Counted*));
      }
      EXPECT_EQ(p.size(), 8u);
      EXPECT_EQ(Counted::alive, 8);
    }
    AllocationFailureScope fail(0, true);
    PRAS<Counted, 2, 1> q;
    EXPECT_FALSE(q.clone(p));
    EXPECT_TRUE(q.is_empty());
  }
  EXPECT_EQ(Counted::alive, 0);
}

}  // namespace
