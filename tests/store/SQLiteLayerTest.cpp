#include "FullDisk.hpp"
#include "StoreTestSupport.hpp"
#include "store/SQLiteTransaction.hpp"

namespace mv::test {
namespace {

class SQLiteLayerTest : public StoreTest {
 protected:
  // A database of its own, with one table "t" of ids.
  bool openWithTable(SQLiteDatabase& raw, const char* name) {
    return raw.open(root / name) && raw.execute("CREATE TABLE t (id INTEGER PRIMARY KEY)");
  }
  static std::int64_t rowsOfT(SQLiteDatabase& raw) {
    auto st = raw.prepare("SELECT COUNT(*) FROM t");
    st.step();
    return st.int64At(0);
  }
};

TEST_F(SQLiteLayerTest, ValuesAreBoundAndNullStaysApartFromEmptyAndZero) {
  SQLiteDatabase raw;
  ASSERT_TRUE(raw.open(root / "raw.sqlite"));
  ASSERT_TRUE(raw.execute("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, amount REAL)"));
  const std::string hostile = "x'); DROP TABLE t; --";
  ASSERT_TRUE(raw.run("INSERT INTO t (id, name, amount) VALUES (?, ?, ?)", 1, hostile, 2.5));
  ASSERT_TRUE(raw.run("INSERT INTO t (id, name, amount) VALUES (?, ?, ?)", 2, std::string(), 0.0));
  ASSERT_TRUE(raw.run("INSERT INTO t (id, name, amount) VALUES (?, ?, ?)", 3, std::optional<std::string>(),
                      std::optional<double>()));
  EXPECT_EQ(raw.lastInsertRowId(), 3);
  EXPECT_TRUE(raw.tableExists("t"));

  auto st = raw.prepare("SELECT id, name, amount FROM t ORDER BY id");
  ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
  EXPECT_EQ(st.text("name"), hostile);
  EXPECT_DOUBLE_EQ(*st.optReal("amount"), 2.5);
  ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
  EXPECT_EQ(st.optText("name"), std::optional<std::string>(""));
  EXPECT_EQ(st.optReal("amount"), std::optional<double>(0.0));
  ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
  EXPECT_EQ(st.optText("name"), std::nullopt);
  EXPECT_EQ(st.optReal("amount"), std::nullopt);
  EXPECT_EQ(st.text("name"), "");
  EXPECT_EQ(st.text("no_such_column"), "");
  EXPECT_EQ(st.step(), SQLiteStatement::Step::Done);

  ASSERT_TRUE(raw.run("UPDATE t SET amount = 1 WHERE id > ?", 1));
  EXPECT_EQ(raw.changes(), 2);
  EXPECT_FALSE(raw.prepare("SELEC nonsense").valid());
  EXPECT_FALSE(raw.run("INSERT INTO t (id) VALUES (?)", 1));  // duplicate key reported, not hidden
}

// Kept statements come back reset with their values cleared, run nested
// under the same text, and never outlive their connection.
TEST_F(SQLiteLayerTest, KeptStatementsRunAgainNestedAndAcrossAReopen) {
  SQLiteDatabase raw;
  ASSERT_TRUE(raw.open(root / "kept.sqlite"));
  ASSERT_TRUE(raw.execute("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)"));
  for (int id = 1; id <= 3; ++id) {
    ASSERT_TRUE(raw.run("INSERT INTO t (id, name) VALUES (?, ?)", id, "n" + std::to_string(id)));
  }
  const std::string sql = "SELECT name FROM t WHERE id >= ? ORDER BY id";
  auto namesFrom = [&](std::optional<int> first) {
    std::vector<std::string> out;
    auto st = raw.prepareCached(sql);
    if (first) st.bind(1, *first);
    while (st.step() == SQLiteStatement::Step::Row) out.push_back(st.textAt(0));
    return out;
  };
  {
    // Left after its first row: the next use starts over.
    auto st = raw.prepareCached(sql);
    st.bind(1, 1);
    ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
    // The same text while the first is out: a statement of its own.
    EXPECT_EQ(namesFrom(2), (std::vector<std::string>{"n2", "n3"}));
    ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
    EXPECT_EQ(st.textAt(0), "n2");
  }
  EXPECT_EQ(namesFrom(3), (std::vector<std::string>{"n3"}));
  // A value of an earlier use is not left bound: NULL matches no row.
  EXPECT_TRUE(namesFrom(std::nullopt).empty());
  // Writes through a kept statement are seen by the next read.
  {
    auto w = raw.prepareCached("UPDATE t SET name = ? WHERE id = ?");
    w.bindAll("renamed", 3);
    ASSERT_TRUE(w.run());
  }
  EXPECT_EQ(namesFrom(3), (std::vector<std::string>{"renamed"}));

  // A statement out while its connection closes is finalised by its user;
  // the reopened file's statements are compiled against it.
  auto held = raw.prepareCached(sql);
  raw.close();
  held = SQLiteStatement();
  ASSERT_TRUE(raw.open(root / "kept.sqlite"));
  EXPECT_EQ(namesFrom(1), (std::vector<std::string>{"n1", "n2", "renamed"}));
  EXPECT_FALSE(raw.prepareCached("SELEC nonsense").valid());
}

TEST_F(SQLiteLayerTest, TransactionGuardRollsBackUnlessCommittedAndNestsAsSavepoints) {
  SQLiteDatabase raw;
  ASSERT_TRUE(openWithTable(raw, "tx.sqlite"));
  auto rows = [&] { return rowsOfT(raw); };
  {
    auto tx = SQLiteTransaction::begin(raw);
    ASSERT_TRUE(tx);
    ASSERT_TRUE(raw.run("INSERT INTO t VALUES (1)"));
  }
  EXPECT_EQ(rows(), 0);
  {
    auto outer = SQLiteTransaction::begin(raw);
    ASSERT_TRUE(outer);
    ASSERT_TRUE(raw.run("INSERT INTO t VALUES (1)"));
    {
      auto inner = SQLiteTransaction::begin(raw);
      ASSERT_TRUE(inner);
      ASSERT_TRUE(raw.run("INSERT INTO t VALUES (2)"));
    }  // inner rolled back alone
    {
      auto inner = SQLiteTransaction::begin(raw);
      ASSERT_TRUE(inner);
      ASSERT_TRUE(raw.run("INSERT INTO t VALUES (3)"));
      // Moved, it is still the one transaction: committed once.
      auto moved = std::move(*inner);
      EXPECT_FALSE(inner->commit());
      ASSERT_TRUE(moved.commit());
      EXPECT_FALSE(moved.commit());
    }
    ASSERT_TRUE(outer->commit());
  }
  EXPECT_EQ(rows(), 2);

  // The one shape for callers: work that answers false, or whose commit
  // cannot happen, changes nothing, inside another transaction too.
  EXPECT_FALSE(raw.runInTransaction([&] { return raw.run("INSERT INTO t VALUES (4)") && false; }));
  EXPECT_EQ(rows(), 2);
  EXPECT_TRUE(raw.runInTransaction([&] {
    EXPECT_FALSE(raw.runInTransaction([&] { return raw.run("INSERT INTO t VALUES (5)") && false; }));
    return raw.run("INSERT INTO t VALUES (6)");
  }));
  EXPECT_EQ(rows(), 3);
  SQLiteDatabase closed;
  EXPECT_FALSE(SQLiteTransaction::begin(closed));
  bool ran = false;
  EXPECT_FALSE(closed.runInTransaction([&] { return ran = true; }));
  EXPECT_FALSE(ran);
}

// A bulk transaction takes the transactions begun inside it as its own
// work, with no savepoint: their commits count only with its commit, and one
// of them that rolls back leaves the whole to be rolled back, never
// committed.
TEST_F(SQLiteLayerTest, TransactionsInsideABulkOneStandOrFallWithIt) {
  SQLiteDatabase raw;
  ASSERT_TRUE(openWithTable(raw, "bulk.sqlite"));
  auto rows = [&] { return rowsOfT(raw); };
  std::vector<std::string> ran;
  {
    auto bulk = SQLiteTransaction::beginBulk(raw);
    ASSERT_TRUE(bulk);
    for (int id : {1, 2, 3}) {
      EXPECT_TRUE(raw.runInTransaction([&] {
        raw.afterCommit([&ran, id] { ran.push_back(std::to_string(id)); });
        return raw.run("INSERT INTO t VALUES (?)", id);
      }));
    }
    // A bulk transaction begun inside joins the open one.
    auto inner = SQLiteTransaction::beginBulk(raw);
    ASSERT_TRUE(inner);
    ASSERT_TRUE(raw.run("INSERT INTO t VALUES (4)"));
    ASSERT_TRUE(inner->commit());
    EXPECT_TRUE(ran.empty());
    ASSERT_TRUE(bulk->commit());
  }
  EXPECT_EQ(rows(), 4);
  EXPECT_EQ(ran, (std::vector<std::string>{"1", "2", "3"}));

  // A joined transaction that fails dooms the whole: the bulk commit refuses,
  // and nothing of it stays, the work before the failure included.
  ran.clear();
  {
    auto bulk = SQLiteTransaction::beginBulk(raw);
    ASSERT_TRUE(bulk);
    EXPECT_TRUE(raw.runInTransaction([&] { return raw.run("INSERT INTO t VALUES (5)"); }));
    EXPECT_FALSE(raw.runInTransaction([&] {
      raw.afterCommit([&ran] { ran.push_back("failed"); });
      return raw.run("INSERT INTO t VALUES (6)") && false;
    }));
    EXPECT_TRUE(raw.runInTransaction([&] { return raw.run("INSERT INTO t VALUES (7)"); }));
    EXPECT_FALSE(bulk->commit());
  }
  EXPECT_EQ(rows(), 4);
  EXPECT_TRUE(ran.empty());

  // A bulk transaction dropped uncommitted rolls back; the next one is not
  // doomed by the last, and plain transactions nest as savepoints again.
  EXPECT_FALSE(raw.runInBulkTransaction([&] { return raw.run("INSERT INTO t VALUES (8)") && false; }));
  EXPECT_EQ(rows(), 4);
  EXPECT_TRUE(raw.runInBulkTransaction([&] { return raw.run("INSERT INTO t VALUES (9)"); }));
  EXPECT_EQ(rows(), 5);
  EXPECT_TRUE(raw.runInTransaction([&] {
    EXPECT_FALSE(raw.runInTransaction([&] { return raw.run("INSERT INTO t VALUES (10)") && false; }));
    return raw.run("INSERT INTO t VALUES (11)");
  }));
  EXPECT_EQ(rows(), 6);
}

// Results wait for the outermost commit: a savepoint's are kept for it, a
// rollback at any level drops those of its work.
TEST_F(SQLiteLayerTest, AfterCommitActionsWaitForTheOutermostCommit) {
  std::vector<std::string> ran;
  auto note = [&](const char* what) { return [&ran, what] { ran.push_back(what); }; };
  db().afterCommit(note("no transaction"));
  EXPECT_EQ(ran, (std::vector<std::string>{"no transaction"}));
  ran.clear();
  EXPECT_TRUE(db().runInTransaction([&] {
    db().afterCommit(note("outer"));
    EXPECT_TRUE(db().runInTransaction([&] { return db().afterCommit(note("kept savepoint")), true; }));
    EXPECT_FALSE(db().runInTransaction([&] { return db().afterCommit(note("dropped savepoint")), false; }));
    EXPECT_TRUE(ran.empty());
    return true;
  }));
  EXPECT_EQ(ran, (std::vector<std::string>{"outer", "kept savepoint"}));
  ran.clear();
  EXPECT_FALSE(db().runInTransaction([&] {
    EXPECT_TRUE(db().runInTransaction([&] { return db().afterCommit(note("inner")), true; }));
    return false;
  }));
  EXPECT_TRUE(ran.empty());
  // A failed COMMIT drops them too.
  sql("PRAGMA foreign_keys = ON; CREATE TABLE parent (id INTEGER PRIMARY KEY);"
      "CREATE TABLE child (id INTEGER REFERENCES parent(id) DEFERRABLE INITIALLY DEFERRED)");
  EXPECT_FALSE(db().runInTransaction([&] {
    db().afterCommit(note("refused commit"));
    return db().execute("INSERT INTO child VALUES (1)");
  }));
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(count("child"), 0);
}

// A statement that fails half way through a multi-row save leaves the table as
// it was and the save answers false.
// A write that finds the disk full is told so after it is undone, however
// far the full disk had already undone it (a savepoint whose transaction
// SQLite ended itself); the next failure tells its own cause, and a write
// with room again goes through.
TEST_F(SQLiteLayerTest, AWriteThatFindsTheDiskFullIsToldSoOnceUndone) {
  FullDisk disk;
  SQLiteDatabase raw;
  ASSERT_TRUE(openWithTable(raw, "full.sqlite"));
  ASSERT_TRUE(raw.useWriteAheadLog());
  // Pages go to the disk before the commit, as a long write's do.
  ASSERT_TRUE(raw.execute("PRAGMA cache_size = 2; ALTER TABLE t ADD COLUMN v TEXT"));
  EXPECT_EQ(raw.lastFailure(), 0);
  const auto write = [&] {
    return raw.runInTransaction([&] {
      return raw.runInTransaction([&] {
        for (int i = 0; i < 100; ++i)
          if (!raw.run("INSERT INTO t (v) VALUES (?)", std::string(2000, 'x'))) return false;
        return true;
      });
    });
  };
  disk.fill();
  EXPECT_FALSE(write());
  EXPECT_GT(disk.refusedWrites(), 0);
  EXPECT_TRUE(raw.lastFailureFoundDiskFull()) << raw.lastFailure();
  disk.makeRoom();
  EXPECT_EQ(rowsOfT(raw), 0);
  EXPECT_FALSE(raw.run("INSERT INTO t (id) VALUES (?), (?)", 1, 1));
  EXPECT_FALSE(raw.lastFailureFoundDiskFull()) << raw.lastFailure();
  raw.forgetFailure();
  EXPECT_EQ(raw.lastFailure(), 0);
  EXPECT_TRUE(write());
  EXPECT_EQ(rowsOfT(raw), 100);
  EXPECT_EQ(raw.lastFailure(), 0);
}

TEST_F(SQLiteLayerTest, SaveWithOneFailingRowLeavesTheTableAsItWas) {
  ASSERT_TRUE(dam().saveToDatabaseProduct({product(1, "A", "Alpha")}));
  ASSERT_TRUE(dam().saveToDatabaseProductAttribute({makeProductAttribute(10, 1, 100, "S,M")}));
  sql("CREATE TRIGGER fail_666 BEFORE INSERT ON marvisto_product WHEN NEW.product_id = 666 "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  const auto before = dumpTable("marvisto_product");

  auto changed = product(1, "A", "Alpha renamed");
  auto fresh = product(2, "B", "Beta");
  auto refused = product(666, "X", "Refused");
  EXPECT_FALSE(dam().saveToDatabaseProduct({changed, fresh, refused}));
  EXPECT_EQ(dumpTable("marvisto_product"), before);
  EXPECT_EQ(count("marvisto_product_attribute"), 1);  // the attribute drop was undone too

  sql("CREATE TRIGGER fail_img BEFORE INSERT ON marvisto_customer_contact WHEN NEW.contact_id = 3 "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  marvisto_customer_contact_entity c1, c3;
  c1.contactID = 1;
  c3.contactID = 3;
  EXPECT_FALSE(dam().saveToDatabaseCustomerContact({c1, c3}));
  EXPECT_EQ(count("marvisto_customer_contact"), 0);

  // Once the database is closed underneath, writes fail instead of pretending.
  SQLiteDatabase::sharedDataBase().close();
  EXPECT_FALSE(dam().saveToDatabaseProduct({fresh}));
  EXPECT_FALSE(dam().saveToDatabaseFavorite(1, "", ""));
  EXPECT_TRUE(dam().getAllProducts().empty());
}

}  // namespace
}  // namespace mv::test
