// The project file, the write lock as one transaction, and injected failures.
#include "host/model/model_database.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/database_task.h"
#include "host/model/kind_calls.h"
#include "model_test_support.h"

namespace dlist::testing {
namespace {

using ModelDatabaseTest = ModelTest;

std::string temp_project(const char* name) {
  const std::string path = ::testing::TempDir() + name;
  std::filesystem::remove(path);
  return path;
}

long new_folder(const char* name, short kind = 1) {
  PALETTES pal;
  auto node = node_named<DBPALETTENODETYPE>(name);
  return pal.cre_node(pal.get_root(kind), node, 0);
}

TEST(ModelDatabaseFile, AProjectFileKeepsItsTreesAndRefusesOtherFiles) {
  const std::string path = temp_project("model_keep.dlp");
  long folder = 0;
  {
    ModelDatabase db;
    ASSERT_TRUE(db.open(path)) << db.last_error();
    EXPECT_EQ(db.fullpath(), path);
    ActiveModel active(db);
    folder = new_folder("Kept");
    ASSERT_GT(folder, 0);
  }
  {
    ModelDatabase db;
    ASSERT_TRUE(db.open(path)) << db.last_error();
    ActiveModel active(db);
    PALETTES pal;
    DBPALETTENODETYPE node;
    ASSERT_EQ(pal.get_id_node(folder, &node), folder);
    EXPECT_STREQ(node.name, "Kept");
    PROTOTYPES proto;
    EXPECT_GT(proto.get_root(13), 0);  // the system levels were made once, not again
    EXPECT_EQ(proto.rew_node(0), proto.get_root(0));
    int children = 0;
    DBPROTOTYPENODE pnode;
    while (proto.get_node(&pnode) > 0) ++children;
    EXPECT_EQ(children, 13);
  }
  // Another schema version, or a file that is no database, is refused.
  {
    ModelDatabase db;
    ASSERT_TRUE(db.open(path));
    ASSERT_TRUE(db.connection().exec("PRAGMA user_version = 99"));
  }
  ModelDatabase db;
  EXPECT_FALSE(db.open(path));
  EXPECT_NE(db.last_error().find("99"), std::string::npos);
  const std::string junk = temp_project("model_junk.dlp");
  std::ofstream(junk) << std::string(2000, 'x');
  EXPECT_FALSE(db.open(junk));
  EXPECT_FALSE(db.is_open());
}

// A file that another connection holds is waited for a bounded time, and then
// said to be in use, both at the opening and at a change; the cause outlasts the
// statements that succeed after the failure.
TEST(ModelDatabaseFile, AFileInUseIsWaitedForAndSaidToBeInUse) {
  const std::string path = temp_project("model_busy.dlp");
  {
    ModelDatabase db;
    ASSERT_TRUE(db.open(path)) << db.last_error();
  }
  ModelDatabase writer;
  ASSERT_TRUE(writer.open(path));
  ASSERT_TRUE(writer.write_lock());
  ModelDatabase second;
  second.connection().set_busy_timeout(50);
  ASSERT_TRUE(second.open(path)) << second.last_error();
  EXPECT_FALSE(second.write_lock());
  ASSERT_TRUE(second.connection().exec("SELECT 1"));
  EXPECT_TRUE(second.connection().in_use());
  EXPECT_EQ(second.connection().failure_cause(), "the file is in use by another process");
  EXPECT_NE(second.last_error(), "not an error");
  EXPECT_TRUE(writer.write_unlock());
  ASSERT_TRUE(writer.connection().exec("BEGIN EXCLUSIVE"));
  ModelDatabase third;
  third.connection().set_busy_timeout(50);
  EXPECT_FALSE(third.open(path));
  EXPECT_EQ(third.last_error(), "the file is in use by another process");
  EXPECT_TRUE(writer.connection().exec("COMMIT"));
  second.connection().clear_failure();
  EXPECT_EQ(second.connection().failure_cause(), "");
}

// A walk of a folder's children reads their rows at once, yet hands out what the
// file holds: a rename by the walking connection, and another connection's commit
// once the walking one has seen it.
TEST(ModelDatabaseFile, AWalkSeesRenamesOfItsOwnAndOthersCommits) {
  const std::string path = temp_project("model_walk.dlp");
  ModelDatabase db;
  ASSERT_TRUE(db.open(path)) << db.last_error();
  ModelDatabase other;
  ASSERT_TRUE(other.open(path)) << other.last_error();
  std::vector<long> made;
  {
    ActiveModel active(db);
    PROTOTYPES proto;
    for (const char* name : {"a", "b", "c"}) {
      auto node = node_named<DBPROTOTYPENODE>(name);
      made.push_back(proto.cre_node(proto.get_root(1), node, 0));
      ASSERT_GT(made.back(), 0);
    }
  }
  const auto rename = [](ModelDatabase& on, long id, const char* name) {
    ActiveModel active(on);
    auto node = node_named<DBPROTOTYPENODE>(name);
    return PROTOTYPES().mod_node(id, node);
  };
  ActiveModel active(db);
  PROTOTYPES walk;
  DBPROTOTYPENODE n;
  ASSERT_EQ(walk.rew_node(walk.get_root(1)), walk.get_root(1));
  ASSERT_EQ(walk.get_node(&n), made[0]);
  ASSERT_EQ(rename(db, made[1], "own"), 1);
  ASSERT_EQ(walk.get_node(&n), made[1]);
  EXPECT_STREQ(n.name, "own");

  ASSERT_EQ(walk.rew_node(walk.get_root(1)), walk.get_root(1));
  ASSERT_EQ(walk.get_node(&n), made[0]);
  ASSERT_EQ(rename(other, made[2], "theirs"), 1);
  ASSERT_EQ(walk.get_node(&n), made[1]);
  EXPECT_TRUE(walk.is_nodeid(made[0]));  // the walking connection reads the file again
  ASSERT_EQ(walk.get_node(&n), made[2]);
  EXPECT_STREQ(n.name, "theirs");

  // Within a transaction, where the file's version stands until the commit.
  WriteLock lock(db);
  ASSERT_EQ(walk.rew_node(walk.get_root(1)), walk.get_root(1));
  ASSERT_EQ(walk.get_node(&n), made[0]);
  ASSERT_EQ(rename(db, made[1], "locked"), 1);
  ASSERT_EQ(walk.get_node(&n), made[1]);
  EXPECT_STREQ(n.name, "locked");
}

TEST(ModelDatabaseFile, WithoutAnActiveModelEveryCallFails) {
  ModelDatabase* previous = set_active_model(nullptr);
  PALETTES pal;
  DBPALETTENODETYPE node;
  node.set_name("x");
  int existed = 0;
  EXPECT_EQ(pal.rew_node(0), -1);
  EXPECT_EQ(pal.get_root(1), 0);
  EXPECT_EQ(pal.cre_node(1, node, 0), -1);
  EXPECT_EQ(pal.is_usedname(1, "x", 0), 1);
  EXPECT_EQ(cre_hotspalette(DBHOTSPALETTE{}, &existed), 0);
  DBLINETYPE line;
  EXPECT_EQ(cre_line(&line, nullptr, nullptr, -1, 0), 0);
  set_active_model(previous);
}

TEST(ModelDatabaseFile, NestedWriteLocksAreOneTransaction) {
  const std::string path = temp_project("model_lock.dlp");
  ModelDatabase writer, reader;
  ASSERT_TRUE(writer.open(path));
  ASSERT_TRUE(reader.open(path));
  auto folders_seen = [&reader] {
    Statement s(reader.connection(), "SELECT count(*) FROM nodes WHERE level = 3");
    return s.row() ? s.integer(0) : -1;
  };
  ActiveModel active(writer);
  {
    WriteLock outer(writer);
    ASSERT_TRUE(outer);
    new_folder("A");
    {
      WriteLock inner(writer);
      new_folder("B");
    }
    EXPECT_EQ(writer.connection().lock_depth(), 1);
    EXPECT_EQ(folders_seen(), 0);  // nothing committed yet
  }
  EXPECT_EQ(folders_seen(), 2);

  // An abandoned lock, or one left by an exception, rolls everything back.
  {
    WriteLock outer(writer);
    new_folder("C");
    WriteLock inner(writer);
    inner.abandon();
  }
  EXPECT_EQ(folders_seen(), 2);
  try {
    WriteLock outer(writer);
    new_folder("D");
    throw std::runtime_error("interrupted");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(folders_seen(), 2);
  EXPECT_EQ(writer.connection().lock_depth(), 0);
  EXPECT_FALSE(writer.write_unlock());  // no lock to give back
}

TEST(ModelDatabaseFile, LocksOfGendbtaskCountAndATransactionKeepsOnlyWhatItCommits) {
  ModelDatabase db;
  EXPECT_EQ(db.read_lock(), 0);  // no project open
  EXPECT_EQ(db.write_lock(), 0);
  ASSERT_TRUE(db.open(":memory:"));
  ActiveModel active(db);
  GENDBTASK& task = db;
  {
    ReadLock outer(task);
    ReadLock inner(&task);
    EXPECT_TRUE(outer && inner);
  }
  EXPECT_EQ(task.read_unlock(), 0);  // every read lock was given back
  auto folders = [&db] {
    Statement s(db.connection(), "SELECT count(*) FROM nodes WHERE level = 3");
    return s.row() ? s.integer(0) : -1;
  };
  {
    TaskTransaction change(task);
    ASSERT_TRUE(change);
    new_folder("Dropped");
  }  // ended without commit: rolled back
  EXPECT_EQ(folders(), 0);
  {
    TaskTransaction change(task);
    new_folder("Kept");
    EXPECT_TRUE(change.commit());
    EXPECT_FALSE(change.commit());  // nothing left to commit
  }
  EXPECT_EQ(folders(), 1);
  EXPECT_EQ(db.connection().lock_depth(), 0);
}

TEST_F(ModelDatabaseTest, AFailedCallUndoesOnlyItsOwnWrites) {
  ASSERT_TRUE(db_.write_lock());
  const long kept = new_folder("Kept");
  ASSERT_GT(kept, 0);
  DBWALLTYPE wall;
  DBMATREFCHAIN mat;
  mat.push(DBMATREF());
  mat.push(DBMATREF());
  // Statement 1 allocates the identifier, 2 stores the record, 3 clears the surface
  // rows, 4 the material rows, 5 and 6 store them: fail the second material row.
  fail_model_statements_after(6);
  EXPECT_EQ(cre_wall(&wall, nullptr, &mat, nullptr, -1, 0), 0);
  EXPECT_EQ(rows("elements"), 0);
  EXPECT_EQ(rows("matrefs"), 0);
  EXPECT_EQ(rows("ids"), 1 + 27 + 14 + 1);  // the system nodes, Kept, the attribute root
  ASSERT_TRUE(db_.write_unlock());
  PALETTES pal;
  EXPECT_EQ(pal.is_nodeid(kept), 1);
}

TEST_F(ModelDatabaseTest, InjectedCallFailuresHitTheChosenCall) {
  fail_model_calls_after(2);
  EXPECT_EQ(new_folder("one"), -1);  // get_root, then cre_node: the second call fails
  EXPECT_EQ(rows("nodes"), 1 + 26 + 14);
  EXPECT_GT(new_folder("one"), 0);  // fires once
  int existed = 0;
  fail_model_calls_after(1);
  EXPECT_EQ(cre_hotspalette(DBHOTSPALETTE{}, &existed), 0);
  EXPECT_GT(cre_hotspalette(DBHOTSPALETTE{}, &existed), 0);
}

// Every statement of a creation is made to fail in turn: each run either fails
// with nothing stored or stores everything.
TEST_F(ModelDatabaseTest, EveryFailingStatementLeavesNoPartialRecord) {
  DBCEILTYPE ceil;
  DBSURFREFTYPE surf;
  surf.push(surface("a", 1));
  surf.push(surface("b", 2));
  DBMATREFCHAIN mat;
  mat.push(DBMATREF());
  DBATTREFCHAIN attr;
  attr.push(DBATTREFTYPE());
  attr.push(DBATTREFTYPE());
  long id = 0;
  unsigned n = 1;
  for (; n < 100 && id == 0; ++n) {
    fail_model_statements_after(n);
    id = cre_ceil(&ceil, &surf, &mat, &attr, -1, 0);
    if (id == 0) {
      EXPECT_EQ(rows("elements"), 0) << n;
      EXPECT_EQ(rows("surfaces") + rows("matrefs") + rows("attrefs"), 0) << n;
    }
  }
  fail_model_statements_after(0);
  ASSERT_GT(id, 0);
  EXPECT_GT(n, 5u);
  EXPECT_EQ(rows("surfaces"), 2);
  EXPECT_EQ(rows("attrefs"), 2);
}

// Inside a write lock a creating call that fails at any of its statements takes back
// what it wrote, its identifier included: the next call is handed the identifier it
// would have been handed, and the rows of earlier calls stay.
TEST_F(ModelDatabaseTest, ACreatingCallThatFailsInsideALockLeavesNoTrace) {
  const auto snapshot = [&] {
    std::string all;
    for (const char* table : {"ids", "nodes", "palettes", "elements", "surfaces", "matrefs",
                              "attrefs", "sqlite_sequence"}) {
      Statement s(db_.connection(), (std::string("SELECT * FROM ") + table).c_str());
      while (s.row()) {
        for (int c = 0; c < 10; ++c) {
          const auto bytes = s.blob(c);
          all.append(bytes.begin(), bytes.end()).append(",");
        }
        all += ";";
      }
      all += "|";
    }
    return all;
  };
  // Runs call with its n-th statement failing, n = 1, 2, ... until it succeeds.
  const auto through_failures = [&](const std::function<long()>& call) {
    const std::string start = snapshot();
    for (unsigned n = 1; n < 40; ++n) {
      fail_model_statements_after(n);
      const long id = call();
      fail_model_statements_after(0);
      if (id > 0) return id;
      EXPECT_EQ(snapshot(), start) << "statement " << n;
    }
    ADD_FAILURE() << "never succeeded";
    return 0L;
  };
  ASSERT_TRUE(db_.write_lock());
  auto folder = node_named<DBPROTOTYPENODE>("Kept");
  const long kept = PROTOTYPES().cre_node(PROTOTYPES().get_root(1), folder, 0);
  ASSERT_GT(kept, 0);
  DBWALLTYPE wall;
  DBSURFREFTYPE surf;
  surf.push(surface("Brick", 1));
  surf.push(surface("Plaster", 2));
  DBMATREFCHAIN mat;
  mat.push(DBMATREF());
  DBATTREFCHAIN attr;
  attr.push(DBATTREFTYPE());
  const long next = kept + 1;
  const long record = through_failures([&] { return cre_wall(&wall, &surf, &mat, &attr, -1, 0); });
  EXPECT_EQ(record, next);
  DBWALLPALETTE palette;
  palette.layer = 4;
  int existed = 0;
  EXPECT_EQ(through_failures([&] { return cre_wallpalette(palette, &surf, &existed); }), next + 1);
  auto leaf = node_named<DBPROTOTYPENODE>("Leaf");
  const long node = through_failures([&] { return PROTOTYPES().cre_node(kept, leaf, record); });
  EXPECT_EQ(node, next + 2);
  ASSERT_TRUE(db_.write_unlock());
  EXPECT_EQ(rows("surfaces"), 4);
  EXPECT_EQ(PROTOTYPES().get_id_prototype(node), record);
}

// Rows that a damaged file holds for identifiers not yet handed out never join the
// records created under them: not one at a time, not in an import's run of records,
// and not after a rollback brought deleted stray rows back.
TEST_F(ModelDatabaseTest, StrayRowsNeverJoinANewRecord) {
  const auto next_id = [&] {
    Statement s(db_.connection(), "SELECT seq + 1 FROM sqlite_sequence WHERE name = 'ids'");
    return s.row() ? s.integer(0) : 0;
  };
  const auto stray = [&](int64_t owner) {
    ASSERT_TRUE(db_.connection().exec(
        ("INSERT INTO surfaces (owner, pos, image) VALUES (" + std::to_string(owner) +
         ", 7, x'00'); INSERT INTO matrefs (owner, pos, bytes) VALUES (" +
         std::to_string(owner) + ", 7, x'00')")
            .c_str()));
  };
  const auto owned = [&](long id) {
    Statement s(db_.connection(),
                "SELECT (SELECT count(*) FROM surfaces WHERE owner = ?1) + "
                "(SELECT count(*) FROM matrefs WHERE owner = ?1)");
    return s.bind(1, static_cast<int64_t>(id)).row() ? s.integer(0) : -1;
  };
  DBSURFREFTYPE surf;
  surf.push(surface("Brick", 1));
  DBMATREFCHAIN mat;
  mat.push(DBMATREF());
  const auto wall = [&] {
    DBWALLTYPE w;
    return cre_wall(&w, &surf, &mat, nullptr, -1, 0);
  };
  const int64_t first = next_id();
  for (int64_t owner : {first, first + 2, first + 3}) stray(owner);
  EXPECT_EQ(owned(wall()), 2);
  {
    WriteLock lock(db_);
    ModelDatabase::ManyRecords many(db_);
    {
      // A call that deletes the stray rows and fails: the store learns of the rows
      // without them, and the rollback brings them back.
      CallScope call(db_.connection());
      ASSERT_TRUE(db_.connection().exec(
          "DELETE FROM surfaces WHERE owner > 0; DELETE FROM matrefs WHERE owner > 0"));
      EXPECT_EQ(wall(), first + 1);
    }
    for (int64_t id = first + 1; id <= first + 3; ++id) {
      EXPECT_EQ(wall(), id);
      EXPECT_EQ(owned(static_cast<long>(id)), 2) << id;
    }
    ASSERT_TRUE(lock.commit());
  }
  EXPECT_EQ(owned(static_cast<long>(first)), 2);
}

// A leaf named name in folder for a new wall record: its node, 0 when the name is
// taken, -1 when refused.
long leaf_in(long folder, const char* name) {
  DBWALLTYPE w;
  const long record = cre_wall(&w, nullptr, nullptr, nullptr, -1, 0);
  auto leaf = node_named<DBPROTOTYPENODE>(name);
  return PROTOTYPES().cre_node(folder, leaf, record);
}

// Within an import the store keeps what it learnt of the folders it fills: a folder
// removed, or created by a call that was rolled back, takes no node afterwards, and
// the places of a folder's children keep their order.
TEST_F(ModelDatabaseTest, AnImportsHeldFoldersFollowRemovalsAndRollbacks) {
  PROTOTYPES proto;
  WriteLock lock(db_);
  ModelDatabase::ManyRecords many(db_);
  auto node = node_named<DBPROTOTYPENODE>("Walls");
  const long kept = proto.cre_node(proto.get_root(1), node, 0);
  ASSERT_GT(kept, 0);
  const long first = leaf_in(kept, "a");
  ASSERT_GT(first, 0);
  node = node_named<DBPROTOTYPENODE>("Gone");
  const long gone = proto.cre_node(kept, node, 0);
  ASSERT_GT(leaf_in(gone, "b"), 0);
  ASSERT_EQ(proto.del_node(gone, 1), 1);
  EXPECT_EQ(leaf_in(gone, "c"), -1);
  long undone = 0;
  {
    CallScope call(db_.connection());
    node = node_named<DBPROTOTYPENODE>("Undone");
    undone = proto.cre_node(kept, node, 0);
    ASSERT_GT(leaf_in(undone, "d"), 0);
  }
  EXPECT_EQ(leaf_in(undone, "e"), -1);
  const long last = leaf_in(kept, "f");
  ASSERT_GT(last, 0);
  Statement s(db_.connection(), "SELECT id FROM nodes WHERE parent = ?1 ORDER BY seq");
  s.bind(1, static_cast<int64_t>(kept));
  std::vector<int64_t> children;
  while (s.row()) children.push_back(s.integer(0));
  EXPECT_EQ(children, (std::vector<int64_t>{first, last}));
}

// A folder made within the import knows its children's names without reading them:
// a name is taken once per class, a renamed child frees its old name, and a record of
// another kind is still refused.
TEST_F(ModelDatabaseTest, AnImportsNewFoldersKnowTheirChildrensNames) {
  PROTOTYPES proto;
  WriteLock lock(db_);
  ModelDatabase::ManyRecords many(db_);
  auto node = node_named<DBPROTOTYPENODE>("Walls");
  const long walls = proto.cre_node(proto.get_root(1), node, 0);
  ASSERT_GT(walls, 0);
  const long a = leaf_in(walls, "a");
  ASSERT_GT(a, 0);
  EXPECT_EQ(leaf_in(walls, "a"), 0);
  node = node_named<DBPROTOTYPENODE>("a");
  EXPECT_GT(proto.cre_node(walls, node, 0), 0);  // a folder beside a leaf of that name
  auto renamed = node_named<DBPROTOTYPENODE>("z");
  ASSERT_EQ(proto.mod_node(a, renamed), 1);
  EXPECT_EQ(leaf_in(walls, "z"), 0);
  EXPECT_GT(leaf_in(walls, "a"), 0);
  DBDOORTYPE door;
  const long door_record = cre_door(&door, -1, nullptr, nullptr, nullptr, 0);
  ASSERT_GT(door_record, 0);
  auto leaf = node_named<DBPROTOTYPENODE>("door");
  EXPECT_EQ(proto.cre_node(walls, leaf, door_record), -1);

  Statement s(db_.connection(),
              "SELECT count(*), count(DISTINCT seq) FROM nodes WHERE parent = ?1");
  ASSERT_TRUE(s.bind(1, static_cast<int64_t>(walls)).row());
  EXPECT_EQ(s.integer(0), 3);
  EXPECT_EQ(s.integer(1), 3);
}

}  // namespace
}  // namespace dlist::testing
