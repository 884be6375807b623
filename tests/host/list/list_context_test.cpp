// The material library database: the code tree and its look-ups, long texts, units,
// references, markets and subprices, the locks, injected failures, damaged rows and
// library files.
#include "host/list/list_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "foundation/fixed_text.h"
#include "host/model/model_database.h"
#include "host/model/sqlite_connection.h"

namespace dlist::testing {
namespace {

using dlist::put_field;

dbmaterial material(const char* code, double price = 1.0) {
  dbmaterial m{};
  put_field(m.id, code);
  put_field(m.name, (std::string("name of ") + code).c_str());
  m.unit_price = price;
  std::strcpy(m.native_unit, "m");
  std::strcpy(m.market, "Local");
  return m;
}

dbunit unit(const char* abbrev, double factor = 1.0) {
  dbunit u{};
  put_field(u.abbrev, abbrev);
  std::strcpy(u.name, "unit");
  u.factor = factor;
  return u;
}

void set_text(LONGTEXT& t, const std::string& bytes) {
  t.resize(static_cast<unsigned>(bytes.size()));
  if (!bytes.empty()) std::memcpy(static_cast<char*>(t), bytes.data(), bytes.size());
}

std::string text_of(const LONGTEXT& t) {
  return t.size() ? std::string(static_cast<const char*>(t), t.size()) : std::string();
}

std::string temp_library(const char* name) {
  const std::string path = ::testing::TempDir() + name;
  std::filesystem::remove(path);
  return path;
}

class ListContextTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(lib_.open(":memory:")) << lib_.last_error(); }
  void TearDown() override {
    fail_list_calls_after(0);
    lib_.connection().fail_statements_after(0);
  }

  int64_t rows(const char* table) {
    Statement s(lib_.connection(), (std::string("SELECT count(*) FROM ") + table).c_str());
    return s.row() ? s.integer(0) : -1;
  }

  // The own codes of the children of parent, in walk order.
  std::string children(long parent) {
    std::string codes;
    EXPECT_GE(lib_.rewind_material(parent), 0);
    dbmaterial m{};
    while (lib_.get(m, nullptr) > 0) codes += std::string(m.id) + " ";
    return codes;
  }

  LISTCONTEXT lib_;
};

TEST_F(ListContextTest, CodeTreeWalksAndLookUps) {
  const long a = lib_.create(0, material("A"), nullptr);
  const long b = lib_.create(0, material("B"), nullptr);
  ASSERT_GT(lib_.create(a, material("2"), nullptr), 0);
  const long a1 = lib_.create(a, material("1"), nullptr);
  const long a11 = lib_.create(a1, material("x"), nullptr);
  ASSERT_GT(a11, 0);
  EXPECT_EQ(children(0), "A B ");
  EXPECT_EQ(children(a), "2 1 ");  // creation order, not code order
  EXPECT_EQ(lib_.rewind_material(a), 2);
  EXPECT_EQ(lib_.rewind_material(999), -1);

  // The same own code below another parent is fine; below the same parent it is not.
  EXPECT_GT(lib_.create(b, material("1"), nullptr), 0);
  EXPECT_EQ(lib_.create(a, material("1"), nullptr), 0);
  EXPECT_EQ(lib_.create(999, material("C"), nullptr), 0);
  dbmaterial renamed = material("2");
  EXPECT_EQ(lib_.modify(a1, renamed, nullptr), 0);  // sibling a2 holds "2"
  EXPECT_EQ(lib_.get_parent_material(a11), a1);
  EXPECT_EQ(lib_.get_parent_material(a), 0);
  EXPECT_EQ(lib_.get_parent_material(999), -1);

  dbmaterial m{};
  EXPECT_EQ(lib_.get(TEXTBUFFER("A.1.x"), m, nullptr), a11);
  EXPECT_STREQ(m.name, "name of x");
  EXPECT_EQ(lib_.get(TEXTBUFFER("A.1"), m, nullptr), a1);
  for (const char* missing : {"", "A.", ".A", "A..1", "A.3", "B.1.x", "A.1.x.y"})
    EXPECT_EQ(lib_.get(TEXTBUFFER(missing), m, nullptr), 0) << missing;

  MATIDCHAIN chain;
  ASSERT_EQ(lib_.get_matidchain(a11, chain), 1);
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_STREQ(chain[0].id, "A");
  EXPECT_STREQ(chain[2].id, "x");
  EXPECT_EQ(lib_.get(chain, m, nullptr), a11);
  chain.resize(2);
  EXPECT_EQ(lib_.get(chain, m, nullptr), a1);
  TEXTBUFFER path;
  ASSERT_EQ(lib_.get_idpath(a11, path), 1);
  EXPECT_STREQ(path.get(), "A.1.x");
  EXPECT_EQ(lib_.get_matidchain(999, chain), 0);
  EXPECT_EQ(chain.size(), 0u);

  // The cursor walks every material in creation order and climbs to the parent.
  Material cursor(&lib_, 0);
  std::string all;
  for (int ok = cursor.root(); ok; ok = cursor.get()) all += std::string(cursor.data.id) + " ";
  EXPECT_EQ(all, "A B 2 1 x 1 ");
  cursor.elemid(a11);
  ASSERT_EQ(cursor.parent(), 1);
  EXPECT_EQ(cursor.elemid(), a1);
  ASSERT_EQ(cursor.parent(), 1);
  EXPECT_EQ(cursor.parent(), 0);
  EXPECT_EQ(cursor.elemid(), a);
}

// Under a read lock siblings' codes share their parent's, read once; a change to an
// ancestor, made inside the lock, shows in the next code read.
TEST_F(ListContextTest, CodesReadUnderALockFollowChanges) {
  const long a = lib_.create(0, material("A"), nullptr);
  const long a1 = lib_.create(a, material("1"), nullptr);
  const long x = lib_.create(a1, material("x"), nullptr);
  const long y = lib_.create(a1, material("y"), nullptr);
  ASSERT_GT(y, 0);
  auto path = [&](long id) {
    TEXTBUFFER p;
    return lib_.get_idpath(id, p) == 1 ? std::string(p.get()) : std::string("-");
  };
  ASSERT_EQ(lib_.read_lock(), 1);
  EXPECT_EQ(path(x), "A.1.x");
  EXPECT_EQ(path(y), "A.1.y");
  EXPECT_EQ(lib_.modify(a1, material("2"), nullptr), 1);
  EXPECT_EQ(path(y), "A.2.y");
  EXPECT_EQ(lib_.remove_material(a1), 1);
  EXPECT_EQ(path(x), "-");
  EXPECT_EQ(lib_.rewind_material(a1), -1);
  EXPECT_EQ(lib_.rewind_material(a), 0);
  lib_.read_unlock();
}

TEST_F(ListContextTest, FieldsThatDoNotFitAreRefusedNotCut) {
  dbmaterial m = material("A");
  std::memset(m.id, 'c', sizeof m.id);  // no terminator within the width
  EXPECT_EQ(lib_.create(0, m, nullptr), 0);
  m = material("");
  EXPECT_EQ(lib_.create(0, m, nullptr), 0);
  for (double price : {-0.01, kMaxUnitPrice + 1, std::nan("")}) {
    m = material("P", price);
    EXPECT_EQ(lib_.create(0, m, nullptr), 0) << price;
  }
  m = material("P", kMaxUnitPrice);
  std::memset(m.name, 'n', sizeof m.name - 1);  // 255 characters fit
  const long id = lib_.create(0, m, nullptr);
  EXPECT_GT(id, 0);
  m.name[sizeof m.name - 1] = 'n';
  EXPECT_EQ(lib_.modify(id, m, nullptr), 0);
  dbunit u = unit("abcd");
  EXPECT_GT(lib_.create(0, u), 0);
  std::memcpy(u.abbrev, "abcde", 5);
  EXPECT_EQ(lib_.create(0, u), 0);
  dbsubprice sp{};
  std::strcpy(sp.abbrev, "T");
  sp.kind = static_cast<SUBPRICETYPE>(4);
  EXPECT_EQ(lib_.create(sp), 0);
  dbmarket market{};
  EXPECT_EQ(lib_.create(market), 0);  // empty name
  EXPECT_EQ(rows("materials"), 1);
}

TEST_F(ListContextTest, LongTextsRoundTripExactly) {
  LONGTEXT texts[kLongTextCount];
  const std::string crlf = "line 1\r\nline 2\r\n";
  const std::string zeros("a\0b\0\0c", 6);
  set_text(texts[0], crlf);
  set_text(texts[2], zeros);
  set_text(texts[3], std::string(70000, '\xe9'));
  const long id = lib_.create(0, material("T"), texts);
  ASSERT_GT(id, 0);

  LONGTEXT read[kLongTextCount];
  set_text(read[1], "stale");
  dbmaterial m{};
  ASSERT_EQ(lib_.get(id, m, read), id);
  EXPECT_EQ(text_of(read[0]), crlf);
  EXPECT_EQ(read[1].size(), 0u);
  EXPECT_EQ(text_of(read[2]), zeros);
  EXPECT_EQ(text_of(read[3]), std::string(70000, '\xe9'));
  EXPECT_EQ(m.long_text_length[0], static_cast<int32_t>(crlf.size()));
  EXPECT_EQ(m.long_text_length[2], 6);
  dbmaterial lengths{};
  ASSERT_EQ(lib_.get(id, lengths, nullptr), id);  // lengths without the texts
  EXPECT_EQ(lengths.long_text_length[3], 70000);

  // Null texts write empty ones; a text beyond 1 MiB is refused.
  ASSERT_EQ(lib_.modify(id, m, nullptr), 1);
  ASSERT_EQ(lib_.get(id, m, read), id);
  EXPECT_EQ(read[0].size(), 0u);
  EXPECT_EQ(read[2].size(), 0u);
  EXPECT_EQ(m.long_text_length[3], 0);
  set_text(texts[1], std::string((1u << 20) + 1, 'x'));
  EXPECT_EQ(lib_.modify(id, m, texts), 0);
}

TEST_F(ListContextTest, RemovingAMaterialRemovesItsSubtreeAndTheirReferences) {
  const long a = lib_.create(0, material("A"), nullptr);
  const long a1 = lib_.create(a, material("1"), nullptr);
  const long a11 = lib_.create(a1, material("1"), nullptr);
  const long b = lib_.create(0, material("B"), nullptr);
  unitref ur{};
  std::strcpy(ur.abbrev, "m");
  subpriceref sr{};
  std::strcpy(sr.abbrev, "T");
  for (long m : {a, a1, a11, b}) {
    ASSERT_GT(lib_.create(m, ur), 0);
    ASSERT_GT(lib_.create(m, sr), 0);
  }
  ASSERT_EQ(lib_.remove_material(a1), 1);
  EXPECT_EQ(rows("materials"), 2);
  EXPECT_EQ(rows("unit_refs"), 2);
  EXPECT_EQ(rows("subprice_refs"), 2);
  EXPECT_EQ(lib_.rewind_unit_ref(a), 1);
  EXPECT_EQ(lib_.rewind_subprice_ref(b), 1);
  EXPECT_EQ(lib_.rewind_unit_ref(a11), -1);
  EXPECT_EQ(lib_.remove_material(a1), 0);
  Material cursor(&lib_, a);
  ASSERT_EQ(cursor.remove(), 1);
  EXPECT_EQ(cursor.elemid(), 0);
  EXPECT_EQ(rows("materials"), 1);
}

TEST_F(ListContextTest, UnitsFormAForestWithUniqueAbbreviations) {
  const long len = lib_.create(0, unit("##0"));
  const long area = lib_.create(0, unit("##1"));
  const long m = lib_.create(len, unit("m"));
  const long cm = lib_.create(m, unit("cm", 100));
  const long km = lib_.create(len, unit("km", 0.001));
  const long m2 = lib_.create(area, unit("m2"));
  ASSERT_GT(m2, 0);
  EXPECT_EQ(lib_.create(area, unit("cm")), 0);
  EXPECT_EQ(lib_.create(999, unit("new")), 0);
  dbunit u = unit("km");
  EXPECT_EQ(lib_.modify(m, u), 0);
  EXPECT_EQ(lib_.get_parent(cm), m);
  EXPECT_EQ(lib_.get_parent(len), 0);
  EXPECT_LT(lib_.get_parent(999), 1);
  ASSERT_EQ(lib_.find_unit("cm", u), cm);
  EXPECT_EQ(u.factor, 100);
  EXPECT_EQ(lib_.find_unit("c", u), 0);
  EXPECT_EQ(lib_.rewind_unit(len), 2);

  // Every dimension, then its units depth first.
  Unit cursor(&lib_, 0);
  std::vector<long> order;
  for (int ok = cursor.root(); ok; ok = cursor.get()) order.push_back(cursor.elemid());
  EXPECT_EQ(order, (std::vector<long>{len, m, cm, km, area, m2}));
  Unit dim(&lib_, len);
  ASSERT_EQ(dim.rewind(), 1);
  order.clear();
  while (dim.next()) order.push_back(dim.elemid());
  EXPECT_EQ(order, (std::vector<long>{m, km}));

  ASSERT_EQ(lib_.remove_unit(len), 1);
  EXPECT_EQ(rows("units"), 2);
  EXPECT_EQ(lib_.find_unit("cm", u), 0);
}

TEST_F(ListContextTest, ReferencesMarketsSubpricesAndLibraryRecords) {
  const long mat = lib_.create(0, material("A"), nullptr);
  subpriceref sr{};
  std::strcpy(sr.abbrev, "T");
  sr.value = 2.5;
  const long r1 = lib_.create(mat, sr);
  std::strcpy(sr.abbrev, "V");
  const long r2 = lib_.create(mat, sr);
  EXPECT_EQ(lib_.create(999, sr), 0);
  ASSERT_EQ(lib_.rewind_subprice_ref(mat), 2);
  // Changes made during the walk are seen by its later steps.
  sr.value = 7;
  ASSERT_EQ(lib_.modify(r1, sr), 1);
  ASSERT_EQ(lib_.remove_subprice_ref(r2), 1);
  subpriceref got{};
  EXPECT_EQ(lib_.get(got), r1);
  EXPECT_STREQ(got.abbrev, "V");
  EXPECT_EQ(got.value, 7);
  EXPECT_EQ(lib_.get(got), 0);

  Market market(&lib_, 0);
  std::strcpy(market.data.name, "North");
  ASSERT_EQ(market.create(), 1);
  std::strcpy(market.data.name, "South");
  ASSERT_EQ(market.create(), 1);
  EXPECT_EQ(market.create(), 0);  // the name is taken
  dbmarket found{};
  EXPECT_EQ(lib_.find_market("North", found), 1);
  ASSERT_EQ(market.rewind(), 1);
  ASSERT_EQ(market.next(), 1);
  EXPECT_STREQ(market.data.name, "North");
  ASSERT_EQ(market.remove(), 1);
  EXPECT_EQ(market.next(), 1);
  EXPECT_EQ(market.next(), 0);

  Subprice sub(&lib_, 0);
  std::strcpy(sub.data.abbrev, "T");
  std::strcpy(sub.data.formula, "a*b");
  ASSERT_EQ(sub.create(), 1);
  EXPECT_EQ(sub.create(), 0);
  dbsubprice sp{};
  ASSERT_EQ(lib_.find_subprice("T", sp), sub.elemid());
  EXPECT_STREQ(sp.formula, "a*b");

  longtextname names{};
  EXPECT_EQ(lib_.has_longtextnames(), 0);
  ASSERT_EQ(lib_.get(names), 1);
  EXPECT_STREQ(names.name[3], "");
  std::strcpy(names.name[1], "Description");
  ASSERT_EQ(lib_.modify(names), 1);
  longtextname back{};
  ASSERT_EQ(lib_.get(back), 1);
  EXPECT_STREQ(back.name[1], "Description");
  EXPECT_EQ(lib_.has_longtextnames(), 1);
  dbvernum ver{};
  ASSERT_EQ(lib_.get(ver), 1);
  EXPECT_EQ(ver.idseparator, 0);
  ver.idseparator = '/';
  ver.version = 3;
  ASSERT_EQ(lib_.modify(ver), 1);
  dbvernum ver2{};
  ASSERT_EQ(lib_.get(ver2), 1);
  EXPECT_EQ(ver2.idseparator, '/');
  EXPECT_EQ(ver2.version, 3);
}

TEST_F(ListContextTest, LocksNestAbandonRollsBackAndWritesWorkInsideReads) {
  ASSERT_EQ(lib_.write_lock(), 1);
  ASSERT_EQ(lib_.write_lock(), 1);
  EXPECT_GT(lib_.create(0, material("A"), nullptr), 0);
  EXPECT_EQ(lib_.write_unlock(), 1);
  lib_.abandon();
  EXPECT_GT(lib_.create(0, material("B"), nullptr), 0);
  EXPECT_EQ(lib_.write_unlock(), 0);  // rolled back: neither was kept
  EXPECT_EQ(rows("materials"), 0);
  EXPECT_EQ(lib_.write_unlock(), 0);  // no lock held

  ASSERT_EQ(lib_.read_lock(), 1);
  ASSERT_EQ(lib_.read_lock(), 1);
  EXPECT_GT(lib_.create(0, material("C"), nullptr), 0);  // its own write lock
  ASSERT_EQ(lib_.write_lock(), 1);
  EXPECT_GT(lib_.create(0, material("D"), nullptr), 0);
  ASSERT_EQ(lib_.read_lock(), 1);
  ASSERT_EQ(lib_.read_unlock(), 1);
  EXPECT_EQ(lib_.write_unlock(), 1);
  EXPECT_EQ(children(0), "C D ");
  EXPECT_EQ(lib_.read_unlock(), 1);
  EXPECT_EQ(lib_.read_unlock(), 1);
  EXPECT_EQ(lib_.read_unlock(), 0);
  EXPECT_EQ(rows("materials"), 2);
}

// Units, references, markets and subprices are created, changed and removed by one
// path: for each kind a missing owner or row is refused, a call that fails at any of
// its statements changes nothing, and a removed row is gone.
TEST_F(ListContextTest, EveryRowKindKeepsOneContract) {
  const long mat = lib_.create(0, material("A"), nullptr);
  const long dim = lib_.create(0, unit("##0"));
  ASSERT_GT(mat, 0);
  ASSERT_GT(dim, 0);
  unitref ur{};
  put_field(ur.abbrev, "m");
  subpriceref sr{};
  put_field(sr.abbrev, "T");
  dbmarket mk{};
  put_field(mk.name, "North");
  dbsubprice sp{};
  put_field(sp.abbrev, "T");
  struct Kind {
    const char* table;
    long owner;  // 0: rows of this kind have none
    std::function<long(long owner)> create;
    std::function<int(long id)> modify;  // null: never changed
    std::function<int(long id)> remove;
  };
  const Kind kinds[] = {
      {"units", dim, [&](long o) { return lib_.create(o, unit("cm", 100)); },
       [&](long id) { return lib_.modify(id, unit("mm", 1000)); },
       [&](long id) { return lib_.remove_unit(id); }},
      {"unit_refs", mat, [&](long o) { return lib_.create(o, ur); }, nullptr,
       [&](long id) { return lib_.remove_unit_ref(id); }},
      {"subprice_refs", mat, [&](long o) { return lib_.create(o, sr); },
       [&](long id) { return lib_.modify(id, sr); },
       [&](long id) { return lib_.remove_subprice_ref(id); }},
      {"markets", 0, [&](long) { return lib_.create(mk); },
       [&](long id) { return lib_.modify(id, mk); }, [&](long id) { return lib_.remove_market(id); }},
      {"subprices", 0, [&](long) { return lib_.create(sp); },
       [&](long id) { return lib_.modify(id, sp); },
       [&](long id) { return lib_.remove_subprice(id); }},
  };
  // Runs call with its n-th statement failing, n = 1, 2, ... until it succeeds; each
  // failed run must leave the table as it was. The successful result.
  const auto through_failures = [&](const char* table, const std::function<long()>& call) {
    const int64_t before = rows(table);
    for (unsigned n = 1; n < 20; ++n) {
      lib_.connection().fail_statements_after(n);
      const long result = call();
      lib_.connection().fail_statements_after(0);
      if (result > 0) return result;
      EXPECT_EQ(rows(table), before) << "statement " << n;
    }
    ADD_FAILURE() << "never succeeded";
    return 0L;
  };
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.table);
    const int64_t before = rows(k.table);
    if (k.owner != 0) {
      EXPECT_EQ(k.create(999), 0);
    }
    const long id = through_failures(k.table, [&] { return k.create(k.owner); });
    ASSERT_GT(id, 0);
    EXPECT_EQ(rows(k.table), before + 1);
    if (k.modify) {
      EXPECT_EQ(k.modify(id + 999), 0);
      EXPECT_EQ(through_failures(k.table, [&] { return static_cast<long>(k.modify(id)); }), 1);
    }
    EXPECT_EQ(k.remove(id + 999), 0);
    EXPECT_EQ(through_failures(k.table, [&] { return static_cast<long>(k.remove(id)); }), 1);
    EXPECT_EQ(k.remove(id), 0);
    EXPECT_EQ(rows(k.table), before);
  }
}

TEST_F(ListContextTest, AFailedCallChangesNothing) {
  const long a = lib_.create(0, material("A"), nullptr);
  const long a1 = lib_.create(a, material("1"), nullptr);
  unitref ur{};
  std::strcpy(ur.abbrev, "m");
  ASSERT_GT(lib_.create(a1, ur), 0);

  fail_list_calls_after(2);
  EXPECT_GT(lib_.create(0, material("B"), nullptr), 0);
  EXPECT_EQ(lib_.create(0, material("C"), nullptr), 0);
  EXPECT_GT(lib_.create(0, material("C"), nullptr), 0);  // it fires once
  fail_list_calls_after(1);
  EXPECT_EQ(lib_.remove_material(a), 0);
  EXPECT_EQ(rows("materials"), 4);

  // Every statement of a subtree removal fails in turn: all or nothing.
  for (unsigned n = 1;; ++n) {
    ASSERT_LT(n, 20u);
    lib_.connection().fail_statements_after(n);
    const int removed = lib_.remove_material(a);
    lib_.connection().fail_statements_after(0);
    if (removed) {
      EXPECT_EQ(rows("materials"), 2);
      EXPECT_EQ(rows("unit_refs"), 0);
      break;
    }
    EXPECT_EQ(rows("materials"), 4) << n;
    EXPECT_EQ(rows("unit_refs"), 1) << n;
  }
}

TEST_F(ListContextTest, DamagedRowsAreRefusedNotCopied) {
  const long a = lib_.create(0, material("A"), nullptr);
  const long b = lib_.create(0, material("B"), nullptr);
  ASSERT_TRUE(lib_.connection().exec(
      "UPDATE materials SET name = randomblob(300) WHERE code = x'41'"));
  dbmaterial m = material("untouched");
  EXPECT_EQ(lib_.get(a, m, nullptr), 0);
  EXPECT_STREQ(m.id, "untouched");
  ASSERT_EQ(lib_.rewind_material(0), 2);
  EXPECT_EQ(lib_.get(m, nullptr), -1);
  EXPECT_EQ(lib_.get(m, nullptr), b);
  ASSERT_TRUE(lib_.connection().exec("UPDATE materials SET text2 = zeroblob(2000000)"));
  LONGTEXT texts[kLongTextCount];
  EXPECT_EQ(lib_.get(b, m, texts), 0);

  ASSERT_GT(lib_.create(0, unit("m")), 0);
  ASSERT_TRUE(lib_.connection().exec("UPDATE units SET abbrev = x'41424344454647'"));
  dbunit u{};
  EXPECT_EQ(lib_.get(1, u), 0);
  unitref ur{};
  std::strcpy(ur.abbrev, "m");
  ASSERT_GT(lib_.create(b, ur), 0);
  ASSERT_GT(lib_.create(b, ur), 0);
  ASSERT_TRUE(lib_.connection().exec("UPDATE unit_refs SET abbrev = x'4142434445' WHERE id = 1"));
  ASSERT_EQ(lib_.rewind_unit_ref(b), 2);
  EXPECT_EQ(lib_.get(ur), -1);
  EXPECT_EQ(lib_.get(ur), 2);
  // A loop of parents ends the walk up instead of running on.
  ASSERT_TRUE(lib_.connection().exec("UPDATE materials SET parent = 2 WHERE id = 1"));
  ASSERT_TRUE(lib_.connection().exec("UPDATE materials SET parent = 1 WHERE id = 2"));
  TEXTBUFFER path;
  EXPECT_EQ(lib_.get_idpath(a, path), 0);
  EXPECT_EQ(lib_.remove_material(a), 1);
  EXPECT_EQ(rows("materials"), 0);
}

TEST(ListContextFile, AReopenedLibraryKeepsEverythingAndOtherFilesAreRefused) {
  const std::string path = temp_library("library_keep.db");
  long id = 0;
  {
    LISTCONTEXT lib;
    ASSERT_TRUE(lib.open(path)) << lib.last_error();
    EXPECT_EQ(std::string(lib.fullpath()), path);
    LONGTEXT texts[kLongTextCount];
    set_text(texts[1], std::string("x\0\r\n", 4));
    ASSERT_EQ(lib.write_lock(), 1);
    id = lib.create(lib.create(0, material("A"), nullptr), material("1"), texts);
    ASSERT_GT(id, 0);
    ASSERT_EQ(lib.write_unlock(), 1);
    ASSERT_GT(lib.create(0, unit("##0")), 0);
  }
  {
    LISTCONTEXT lib;
    ASSERT_TRUE(lib.open(path)) << lib.last_error();
    dbmaterial m{};
    LONGTEXT texts[kLongTextCount];
    EXPECT_EQ(lib.get(TEXTBUFFER("A.1"), m, texts), id);
    EXPECT_EQ(text_of(texts[1]), std::string("x\0\r\n", 4));
    dbunit u{};
    EXPECT_EQ(lib.find_unit("##0", u), 1);
    lib.close();
    EXPECT_STREQ(lib.fullpath(), "");
    EXPECT_EQ(lib.create(0, material("B"), nullptr), 0);
  }
  LISTCONTEXT lib;
  {
    SqliteConnection raw;
    ASSERT_TRUE(raw.open(path));
    ASSERT_TRUE(raw.exec("PRAGMA user_version = 7"));
  }
  EXPECT_FALSE(lib.open(path));
  EXPECT_NE(lib.last_error().find("7"), std::string::npos);
  const std::string project = temp_library("library_project.db");
  {
    ModelDatabase model;
    ASSERT_TRUE(model.open(project));
  }
  EXPECT_FALSE(lib.open(project));  // same schema version, another kind of file
  const std::string junk = temp_library("library_junk.db");
  std::ofstream(junk) << std::string(3000, 'j');
  EXPECT_FALSE(lib.open(junk));
  EXPECT_FALSE(lib.is_open());
}

TEST(ListContextActive, TheActiveLibraryIsSetForAScope) {
  LISTCONTEXT lib;
  LISTCONTEXT* before = MaterialLibrary().GetPC();
  {
    ActiveLibrary active(lib);
    EXPECT_EQ(MaterialLibrary().GetPC(), &lib);
  }
  EXPECT_EQ(MaterialLibrary().GetPC(), before);
}

}  // namespace
}  // namespace dlist::testing

namespace dlist::testing {
namespace {

// Under a write lock the store answers look-ups from what it has read and written
// since the lock was taken; every change made through it, and a rollback, must show
// in what it answers next, as a library read afresh would show it.
TEST_F(ListContextTest, LookUpsUnderTheWriteLockFollowEveryChange) {
  const long dim = lib_.create(0, unit("##0"));
  const long m = lib_.create(dim, unit("m"));
  ASSERT_GT(m, 0);
  ASSERT_EQ(lib_.write_lock(), 1);
  dbunit u{};
  EXPECT_EQ(lib_.find_unit("cm", u), 0);  // remembered as missing
  const long cm = lib_.create(dim, unit("cm", 0.01));
  EXPECT_EQ(lib_.find_unit("cm", u), cm);
  ASSERT_EQ(lib_.find_unit("m", u), m);
  u.usage = 7;
  std::strcpy(u.abbrev, "mm");
  ASSERT_EQ(lib_.modify(m, u), 1);
  EXPECT_EQ(lib_.find_unit("m", u), 0);
  ASSERT_EQ(lib_.find_unit("mm", u), m);
  EXPECT_EQ(u.usage, 7);
  EXPECT_EQ(lib_.get_parent(m), dim);
  EXPECT_EQ(lib_.remove_unit(cm), 1);
  EXPECT_EQ(lib_.find_unit("cm", u), 0);

  dbmarket mk{};
  EXPECT_EQ(lib_.find_market("Local", mk), 0);
  std::strcpy(mk.name, "Local");
  const long local = lib_.create(mk);
  EXPECT_EQ(lib_.find_market("Local", mk), local);
  dbsubprice sp{};
  std::strcpy(sp.abbrev, "W");
  std::strcpy(sp.name, "Waste");
  sp.kind = SUBPRICE_MULTIPLY;
  sp.value = 1.05;
  const long waste = lib_.create(sp);
  ASSERT_EQ(lib_.find_subprice("W", sp), waste);
  sp.value = 2;
  ASSERT_EQ(lib_.modify(waste, sp), 1);
  ASSERT_EQ(lib_.find_subprice("W", sp), waste);
  EXPECT_EQ(sp.value, 2);

  const long a = lib_.create(0, material("A"), nullptr);
  const long a1 = lib_.create(a, material("1"), nullptr);
  dbmaterial rec{};
  TEXTBUFFER code("A.1");
  EXPECT_EQ(lib_.get(code, rec, nullptr), a1);
  rec = material("2", 7.5);
  ASSERT_EQ(lib_.modify(a1, rec, nullptr), 1);
  EXPECT_EQ(lib_.get(code, rec, nullptr), 0);
  dbmaterial again{};
  ASSERT_EQ(lib_.get(a1, again, nullptr), a1);  // read before the change: read again
  EXPECT_STREQ(again.id, "2");
  EXPECT_EQ(again.unit_price, 7.5);
  const long b = lib_.create(0, material("B"), nullptr);
  ASSERT_EQ(lib_.move_material(a1, b), 1);
  TEXTBUFFER moved("B.2");
  EXPECT_EQ(lib_.get(moved, rec, nullptr), a1);
  ASSERT_EQ(lib_.remove_material(b), 1);
  EXPECT_EQ(lib_.get(moved, rec, nullptr), 0);
  unitref ref{};
  std::strcpy(ref.abbrev, "mm");
  EXPECT_EQ(lib_.create(a1, ref), 0);  // its material is gone
  EXPECT_GT(lib_.create(a, ref), 0);

  // Abandoned: what was remembered goes with the transaction.
  lib_.abandon();
  EXPECT_EQ(lib_.write_unlock(), 0);
  EXPECT_EQ(lib_.find_unit("mm", u), 0);
  ASSERT_EQ(lib_.find_unit("m", u), m);
  EXPECT_EQ(u.usage, 0);
  EXPECT_EQ(lib_.find_market("Local", mk), 0);
  EXPECT_EQ(lib_.get(code, rec, nullptr), 0);
  EXPECT_EQ(rows("materials"), 0);
}

// Usage counts raised under the write lock are written when it is given back: every
// read before that sees the raised count, a unit created or removed in between keeps
// the others' counts, and a lock that is abandoned, or whose last write fails, leaves
// the counts (and all else) as they were.
TEST_F(ListContextTest, UsageCountsRaisedUnderTheLockAreKeptUntilItEnds) {
  const long dim = lib_.create(0, unit("##0"));
  const long m = lib_.create(dim, unit("m"));
  const long cm = lib_.create(dim, unit("cm", 0.01));
  ASSERT_GT(cm, 0);
  const auto usage_of = [&](long id) {
    dbunit u{};
    return lib_.get(id, u) == id ? u.usage : -1;
  };
  const auto raise = [&](const char* abbrev, int times) {
    for (int i = 0; i < times; ++i) {
      dbunit u{};
      const long id = lib_.find_unit(abbrev, u);
      ++u.usage;
      EXPECT_EQ(lib_.modify(id, u), 1);
    }
  };

  ASSERT_EQ(lib_.write_lock(), 1);
  raise("m", 3);
  raise("cm", 1);
  EXPECT_EQ(usage_of(m), 3);
  ASSERT_EQ(lib_.rewind_unit(dim), 2);
  std::vector<int> walked;
  for (dbunit u{}; lib_.get(u) > 0;) walked.push_back(u.usage);
  EXPECT_EQ(walked, (std::vector<int>{3, 1}));
  const long mm = lib_.create(dim, unit("mm", 0.001));  // the held units are dropped
  ASSERT_GT(mm, 0);
  raise("m", 1);
  EXPECT_EQ(lib_.remove_unit(mm), 1);
  EXPECT_EQ(usage_of(m), 4);
  ASSERT_EQ(lib_.write_unlock(), 1);
  EXPECT_EQ(usage_of(m), 4);
  EXPECT_EQ(usage_of(cm), 1);

  ASSERT_EQ(lib_.write_lock(), 1);
  raise("m", 2);
  lib_.abandon();
  EXPECT_EQ(lib_.write_unlock(), 0);
  EXPECT_EQ(usage_of(m), 4);

  // The count's write at the end fails: nothing of the lock's work is committed.
  ASSERT_EQ(lib_.write_lock(), 1);
  ASSERT_GT(lib_.create(0, material("A"), nullptr), 0);
  raise("cm", 2);
  lib_.connection().fail_statements_after(1);
  EXPECT_EQ(lib_.write_unlock(), 0);
  lib_.connection().fail_statements_after(0);
  EXPECT_EQ(usage_of(cm), 1);
  EXPECT_EQ(rows("materials"), 0);
}

}  // namespace
}  // namespace dlist::testing
