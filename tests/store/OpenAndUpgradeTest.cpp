#include <sys/stat.h>

#include <fstream>

#include "StoreTestSupport.hpp"
#include "platform/base/Paths.hpp"
#include "store/KeptRowsFile.hpp"
#include "store/ProductListReader.hpp"
#include "store/Schema.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class OpenTest : public StoreTest {};

std::string schemaDump(SQLiteDatabase& db) {
  std::string out;
  auto st = db.prepare("SELECT type, name, sql FROM sqlite_master ORDER BY type, name");
  while (st.step() == SQLiteStatement::Step::Row) out += st.textAt(0) + " " + st.textAt(1) + ": " + st.textAt(2) + "\n";
  return out + "version " + std::to_string(db.userVersion());
}

TEST_F(OpenTest, FirstOpenCopiesTheTemplateIntoTheLowerCasedClientFolder) {
  fs::path templ = base::Bundle::pathForResource("marvisto_lite", "sqlite");
  ASSERT_FALSE(templ.empty()) << "the build makes the template database";

  DataAccessManager* d = SessionDatabase::open().get();
  ASSERT_NE(d, nullptr);
  fs::path file = base::Paths::documents() / "acmeco" / "marvisto_lite.sqlite";
  EXPECT_EQ(d->databasePath(), file);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "AcmeCo"));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // Every table of the schema is there and current; nothing to upgrade.
  for (const auto& t : Schema::tables()) EXPECT_TRUE(db().tableExists(t.name)) << t.name;
  EXPECT_EQ(db().userVersion(), Schema::kVersion);
  std::string before = schemaDump(db());
  EXPECT_TRUE(d->updateVersion());
  EXPECT_EQ(schemaDump(db()), before);

  // The same facade until it is released.
  EXPECT_EQ(SessionDatabase::open().get(), d);
}

TEST_F(OpenTest, ReleaseThenOpenSwitchesClientsAndKeepsEachClientsData) {
  ASSERT_TRUE(dam().saveToDatabaseFavorite(5, "S5", "Five"));
  SessionDatabase::close();
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());
  SessionDatabase::close();  // harmless twice

  signIn("Beta-2", "anna");
  ASSERT_NE(SessionDatabase::open().get(), nullptr);
  EXPECT_EQ(dam().databasePath().parent_path().filename(), "beta-2");
  EXPECT_FALSE(dam().getFavoriteByFavoriteId(5));

  SessionDatabase::close();
  signIn("ACMECO", "rep_1");
  ASSERT_TRUE(dam().getFavoriteByFavoriteId(5));
  EXPECT_EQ(dam().getFavoriteByFavoriteId(5)->product_name, "Five");
}

TEST_F(OpenTest, RefusesWithoutAValidClientAndBuildsFromTheSchemaWithoutATemplate) {
  for (const char* bad : {"", "..", "a/b", "x y"}) {
    signIn(bad, "rep");
    EXPECT_EQ(SessionDatabase::open().get(), nullptr) << bad;
  }
  EXPECT_FALSE(SQLiteDatabase::sharedDataBase().isOpen());

  fs::path savedResources = base::Bundle::resourceDir();
  base::Bundle::setResourceDir(makeTempDir("no-resources"));
  signIn("fresh", "rep");
  DataAccessManager* d = SessionDatabase::open().get();
  base::Bundle::setResourceDir(savedResources);
  ASSERT_NE(d, nullptr);
  for (const auto& t : Schema::tables()) EXPECT_TRUE(db().tableExists(t.name)) << t.name;
  EXPECT_EQ(db().userVersion(), Schema::kVersion);
  EXPECT_FALSE(fs::exists(d->databasePath().string() + ".partial"));
}

TEST_F(OpenTest, UnreadableFileIsRefusedNotOverwritten) {
  fs::path folder = base::Paths::documents() / "broken";
  fs::create_directories(folder);
  { std::ofstream(folder / "marvisto_lite.sqlite") << "this is not a database, but the user's file"; }
  signIn("broken", "rep");
  EXPECT_EQ(SessionDatabase::open().get(), nullptr);
  std::ifstream in(folder / "marvisto_lite.sqlite");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "this is not a database, but the user's file");
}

marvisto_product_price_Entity priceRow(int priceId, int productId, double amount) {
  marvisto_product_price_Entity p;
  p.price_id = priceId;
  p.product_id = productId;
  p.price = amount;
  p.currency = "USD";
  return p;
}

// The catalogue reads a list on a connection of its own while a sync
// writes: the list is one moment's (a product repriced or dropped meanwhile
// keeps the price it had then), and the read held open never keeps the
// sync from committing.
TEST_F(OpenTest, AListReadIsOneMomentAndHoldsNoWriterUp) {
  ASSERT_TRUE(dam().saveToDatabaseProduct({makeProduct(1, "Lamp", "L"), makeProduct(2, "Chair", "C")}));
  ASSERT_TRUE(dam().saveToDatabasePrice({priceRow(11, 1, 10), priceRow(12, 2, 20)}));
  ProductListReader reader(dam().databasePath());
  ASSERT_EQ(reader.getAllProducts().size(), 2u);

  // The sync's reply: the lamp repriced in a new row, the chair gone, a stool new.
  ASSERT_TRUE(dam().runInTransaction([&] {
    return dam().saveToDatabaseProduct({makeProduct(3, "Stool", "S")}) &&
           db().run("DELETE FROM marvisto_product WHERE product_id = ?", 2) &&
           db().execute("DELETE FROM marvisto_product_price") &&
           dam().saveToDatabasePrice({priceRow(21, 1, 15), priceRow(23, 3, 30)});
  }));
  const auto prices = reader.getPriceOfEveryProduct();
  EXPECT_FALSE(reader.failed());
  ASSERT_EQ(prices.size(), 2u);
  EXPECT_EQ(prices.at(1).price_id, 11);
  EXPECT_EQ(prices.at(2).price, 20);

  // A list read afterwards is the sync's.
  ProductListReader later(dam().databasePath());
  EXPECT_EQ(later.getAllProducts().size(), 2u);
  const auto newPrices = later.getPriceOfEveryProduct();
  ASSERT_TRUE(newPrices.count(1) && newPrices.count(3));
  EXPECT_EQ(newPrices.at(1).price_id, 21);
}

// Closed while a reader still reads an older moment, the database keeps its
// newest rows in its log: it moves with the log, and a log left where a
// database was is never read into the new one made there.
TEST_F(OpenTest, ADatabaseMovesWithItsLogAndANewOneIgnoresAStaleLog) {
  const fs::path file = dam().databasePath();
  auto reader = std::make_unique<ProductListReader>(file);
  EXPECT_TRUE(reader->getAllProducts().empty());
  ASSERT_TRUE(dam().saveToDatabaseFavorite(5, "S5", "Five"));
  SessionDatabase::close();

  // A log that cannot follow its file: the file goes back, and both are
  // where they were.
  const fs::path blocked = base::Paths::tmp() / "blocked.sqlite";
  fs::create_directories(SQLiteDatabase::sidecarsOf(blocked).front() / "in-the-way");
  std::error_code ec;
  SQLiteDatabase::moveFile(file, blocked, ec);
  EXPECT_TRUE(ec);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(fs::exists(SQLiteDatabase::sidecarsOf(file).front()));
  EXPECT_FALSE(fs::exists(blocked));

  const fs::path moved = base::Paths::tmp() / "moved.sqlite";
  SQLiteDatabase::moveFile(file, moved, ec);
  ASSERT_FALSE(ec) << ec.message();
  for (const auto& sidecar : SQLiteDatabase::sidecarsOf(file)) EXPECT_FALSE(fs::exists(sidecar)) << sidecar;
  const fs::path movedLog = SQLiteDatabase::sidecarsOf(moved).front();
  ASSERT_TRUE(fs::exists(movedLog));
  fs::copy_file(movedLog, SQLiteDatabase::sidecarsOf(file).front(), ec);
  ASSERT_FALSE(ec) << ec.message();
  reader.reset();
  {
    SQLiteDatabase copy;
    ASSERT_TRUE(copy.open(moved, SQLiteDatabase::Missing::Fail));
    auto st = copy.prepare("SELECT product_name FROM marvisto_favorite WHERE product_id = 5");
    ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
    EXPECT_EQ(st.textAt(0), "Five");
  }

  ASSERT_NE(SessionDatabase::open().get(), nullptr);
  EXPECT_FALSE(dam().getFavoriteByFavoriteId(5));
  EXPECT_EQ(count("marvisto_favorite"), 0);
  EXPECT_EQ(db().userVersion(), Schema::kVersion);
}

// A database of an earlier version: columns, tables and keys missing, with
// duplicate rows where a key is now required.
TEST_F(OpenTest, UpgradeOfAnOlderDatabaseKeepsEveryRowAndRunsOnlyOnce) {
  fs::path folder = base::Paths::documents() / "oldco";
  fs::create_directories(folder);
  {
    SQLiteDatabase old;
    ASSERT_TRUE(old.open(folder / "marvisto_lite.sqlite"));
    ASSERT_TRUE(old.execute(R"(
      CREATE TABLE marvisto_library_files (file_id INTEGER PRIMARY KEY, title TEXT, file_name TEXT, category INTEGER,
        type TEXT, date TEXT, description TEXT, ordering INTEGER, published INTEGER, cover_image TEXT, info TEXT);
      INSERT INTO marvisto_library_files VALUES (1, 'Guide', 'g.pdf', 0, 'PDF', '2014-01-01 10:00:00', '', 1, 1, 'g.png', 'PDF/1 M');
      CREATE TABLE marvisto_customer (customer_id INTEGER PRIMARY KEY, customer_info_id TEXT, customer_name TEXT,
        customer_publish INTEGER, customer_ordering INTEGER, discount REAL);
      INSERT INTO marvisto_customer VALUES (9, 'C9', 'Nine', 1, 0, 0.5);
      CREATE TABLE marvisto_quote_order (order_id INTEGER PRIMARY KEY, customer_id INTEGER, customer_name TEXT,
        order_number TEXT, cdate TEXT, uploaded INTEGER);
      INSERT INTO marvisto_quote_order VALUES (-1, 9, 'Nine', 'rep_1_131231235959', '12/31/2013 23:59:59', 1);
      INSERT INTO marvisto_quote_order VALUES (-2, 9, 'Nine', 'rep_1_140101000001', '01/01/2014 00:00:01', 1);
      CREATE TABLE marvisto_quote_order_item (order_item_id INTEGER PRIMARY KEY, order_id INTEGER, product_id INTEGER,
        product_quantity INTEGER);
      INSERT INTO marvisto_quote_order_item VALUES (1, -1, 3, 2);
      INSERT INTO marvisto_quote_order_item VALUES (2, -2, 4, 1);
      CREATE TABLE marvisto_config (_id INTEGER PRIMARY KEY, client_id TEXT, cfg_type TEXT, "desc" TEXT, update_date TEXT,
        legacy_note TEXT);
      INSERT INTO marvisto_config (client_id, cfg_type, "desc", legacy_note) VALUES ('oldco', 'configuration', 'old', 'o');
      INSERT INTO marvisto_config (client_id, cfg_type, "desc") VALUES ('oldco', 'date_format', 'MM/dd/yy');
      INSERT INTO marvisto_config (client_id, cfg_type, "desc", legacy_note) VALUES ('oldco', 'configuration', 'new', 'n');
      CREATE TABLE marvisto_favorite (product_id INTEGER, product_sku TEXT, product_name TEXT);
      INSERT INTO marvisto_favorite VALUES (1, 'a', 'first');
      INSERT INTO marvisto_favorite VALUES (2, 'b', 'second');
      INSERT INTO marvisto_favorite VALUES (1, 'a', 'first again');
      INSERT INTO marvisto_favorite VALUES (NULL, 'z', 'no id');
      CREATE TABLE marvisto_user (user_name TEXT, password TEXT, client_id TEXT, device_id TEXT, email TEXT,
        company_name TEXT, company_link TEXT, login_time TEXT, PRIMARY KEY (client_id, user_name));
      INSERT INTO marvisto_user VALUES ('rep', 'plain-secret', 'oldco', 'D1', 'r@x', 'Old Co', '', '');
    )"));
  }

  signIn("oldco", "rep_1");
  DataAccessManager* d = SessionDatabase::open().get();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(db().userVersion(), Schema::kVersion);

  // Missing columns arrive with their defaults, rows intact.
  auto file = d->getFilesByFileId(1);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->title, "Guide");
  EXPECT_EQ(file->isNew, 0);
  auto customers = d->getAllCustomers(true);
  ASSERT_EQ(customers.count(9), 1u);
  EXPECT_FALSE(customers[9].hidden);
  EXPECT_EQ(customers[9].customer_name, "Nine");
  // Missing tables arrive.
  EXPECT_TRUE(db().tableExists("marvisto_library_favorite"));
  EXPECT_TRUE(db().tableExists("marvisto_product_price"));
  // The new line key keeps both lines; old orders sort by date.
  EXPECT_EQ(count("marvisto_quote_order_item"), 2);
  auto orders = d->fetchQuoteOrders(OrderModel::kAllOrders, "");
  ASSERT_EQ(orders.size(), 2u);
  EXPECT_EQ(orders[0]->serial, -2);
  EXPECT_EQ(orders[0]->items.size(), 1u);
  // New uniqueness: the newest row per key stays; other rows all stay.
  EXPECT_EQ(count("marvisto_config"), 2);
  EXPECT_EQ(d->queryConfig("configuration")->desc, "new");
  EXPECT_EQ(d->queryConfig("date_format")->desc, "MM/dd/yy");
  EXPECT_EQ(count("marvisto_favorite"), 2);
  EXPECT_EQ(d->getFavoriteByFavoriteId(1)->product_name, "first again");
  EXPECT_FALSE(d->saveToDatabaseFavorite(2, "b", "dup"));
  // Nothing the new layout cannot hold is lost: superseded rows and rows
  // without a required value wait in a side table, dropped columns stay.
  EXPECT_EQ(count("marvisto_config__kept"), 1);
  EXPECT_EQ(count("marvisto_config__kept", "\"desc\" = 'old' AND legacy_note = 'o'"), 1);
  EXPECT_EQ(count("marvisto_config", "legacy_note = 'n'"), 1);
  EXPECT_EQ(count("marvisto_favorite__kept"), 2);
  EXPECT_EQ(count("marvisto_favorite__kept", "product_name = 'first'"), 1);
  EXPECT_EQ(count("marvisto_favorite__kept", "product_id IS NULL AND product_name = 'no id'"), 1);
  EXPECT_FALSE(db().tableExists("marvisto_quote_order_item__kept"));
  // The old plain password became a hash that still signs in.
  LoginInfo login;
  login.accountId = "rep";
  login.clientId = "oldco";
  login.deviceId = "D1";
  login.passWord = "plain-secret";
  EXPECT_EQ(d->checkLocalUserInfo(login), "200");
  EXPECT_EQ(count("marvisto_user", "password IS NOT NULL"), 0);
  {
    std::ifstream in(d->databasePath(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes.find("plain-secret"), std::string::npos);
  }

  // Running it again changes nothing at all.
  std::string schemaBefore = schemaDump(db());
  std::vector<std::vector<std::string>> before;
  for (const auto& t : Schema::tables()) before.push_back(dumpTable(t.name));
  EXPECT_TRUE(d->updateVersion());
  EXPECT_EQ(schemaDump(db()), schemaBefore);
  size_t i = 0;
  for (const auto& t : Schema::tables()) EXPECT_EQ(dumpTable(t.name), before[i++]) << t.name;
}

// Local customers of a database from before the note of local ids: their ids
// are noted at the upgrade, so an upload that renumbers them frees none.
TEST_F(OpenTest, UpgradeNotesTheLocalIdsTheDatabaseHolds) {
  fs::path folder = base::Paths::documents() / "idco";
  fs::create_directories(folder);
  {
    SQLiteDatabase old;
    ASSERT_TRUE(old.open(folder / "marvisto_lite.sqlite"));
    ASSERT_TRUE(old.execute(R"(
      CREATE TABLE marvisto_customer (customer_id INTEGER PRIMARY KEY, customer_info_id TEXT, customer_name TEXT,
        customer_publish INTEGER, customer_ordering INTEGER, discount REAL);
      INSERT INTO marvisto_customer VALUES (-4, '', 'Local', 1, 0, 0), (-2, '', 'Other', 1, 0, 0), (9, '', 'Nine', 1, 0, 0);
    )"));
  }
  signIn("idco", "rep");
  DataAccessManager* d = SessionDatabase::open().get();
  ASSERT_NE(d, nullptr);
  marvisto_customer_Entity uploaded;
  uploaded.customer_id = 40;
  uploaded.pid = -4;
  ASSERT_TRUE(d->updateCustomerTable({uploaded}));
  EXPECT_EQ(d->getLastLocalCustomerId(), -4);
  EXPECT_EQ(d->getLastLocalCustomerAddressId(), 0);
  EXPECT_EQ(count("marvisto_local_id"), 1);
}

// A database made from an earlier template, without the configuration icons
// the application looks up by title: the upgrade adds those it lacks and
// leaves the rows it has (the service's) as they are.
TEST_F(OpenTest, UpgradeAddsTheTemplatesIconRowsTheDatabaseLacks) {
  fs::path folder = base::Paths::documents() / "iconco";
  fs::create_directories(folder);
  {
    SQLiteDatabase old;
    ASSERT_TRUE(old.open(folder / "marvisto_lite.sqlite"));
    ASSERT_TRUE(old.execute(R"(
      CREATE TABLE marvisto_icon (_id INTEGER PRIMARY KEY, title TEXT, name TEXT, width INTEGER, height INTEGER,
        description TEXT, publish INTEGER);
      INSERT INTO marvisto_icon VALUES (1, 'top bar', 'service_bar.png', 1024, 49, 'The service''s bar', 1);
      INSERT INTO marvisto_icon VALUES (3, 'promotion', 'promo.png', 64, 64, '', 1);
    )"));
  }
  signIn("iconco", "rep");
  DataAccessManager* d = SessionDatabase::open().get();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->getFullImagePathByTitle("top bar"), "service_bar.png");
  EXPECT_EQ(d->getFullImagePathByTitle("promotion"), "promo.png");
  EXPECT_EQ(d->getFullImagePathByTitle("home"), "icon_home.png");
  EXPECT_EQ(d->getFullImagePathByTitle("sync"), "icon_sync.png");
  // "catalogue" would take id 3, which the service's row holds: it waits
  // for the service's own rows rather than replacing one.
  EXPECT_FALSE(d->getFullImagePathByTitle("catalogue"));
  EXPECT_EQ(count("marvisto_icon"), 7);
  EXPECT_TRUE(d->updateVersion());
  EXPECT_EQ(count("marvisto_icon"), 7);
  SessionDatabase::close();

  // Made from the schema alone (no template shipped), it starts with them too.
  fs::path savedResources = base::Bundle::resourceDir();
  base::Bundle::setResourceDir(makeTempDir("no-template"));
  signIn("schemaco", "rep");
  DataAccessManager* made = SessionDatabase::open().get();
  base::Bundle::setResourceDir(savedResources);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->getFullImagePathByTitle("top bar"), "topbar_company.png");
  EXPECT_EQ(count("marvisto_icon"), static_cast<long long>(std::size(Schema::kTemplateIcons)));
}

// Keys that were apart under the old column type and meet under the new
// one: the newest row stays, the others wait aside; none is dropped.
TEST_F(OpenTest, UpgradeKeepsRowsWhoseKeysMergeUnderTheNewType) {
  fs::path folder = base::Paths::documents() / "textco";
  fs::create_directories(folder);
  {
    SQLiteDatabase old;
    ASSERT_TRUE(old.open(folder / "marvisto_lite.sqlite"));
    ASSERT_TRUE(old.execute(R"(
      CREATE TABLE marvisto_favorite (product_id TEXT, product_sku TEXT, product_name TEXT);
      INSERT INTO marvisto_favorite VALUES ('1', 'a', 'one');
      INSERT INTO marvisto_favorite VALUES ('2', 'b', 'two');
      INSERT INTO marvisto_favorite VALUES ('01', 'c', 'zero one');
      INSERT INTO marvisto_favorite VALUES ('x', 'd', 'not a number');
      CREATE TABLE marvisto_compare (product_id TEXT, product_sku TEXT, product_name TEXT);
      INSERT INTO marvisto_compare VALUES ('7', 'a', 'seven');
      INSERT INTO marvisto_compare VALUES ('7.0', 'b', 'seven point zero');
      INSERT INTO marvisto_compare VALUES (' 7', 'c', 'seven with a blank');
    )"));
  }
  signIn("textco", "rep_1");
  DataAccessManager* d = SessionDatabase::open().get();
  ASSERT_NE(d, nullptr);
  // Every row is in its table or in the side table.
  EXPECT_EQ(count("marvisto_favorite") + count("marvisto_favorite__kept"), 4);
  EXPECT_EQ(count("marvisto_compare") + count("marvisto_compare__kept"), 3);
  EXPECT_EQ(d->getFavoriteByFavoriteId(1)->product_name, "zero one");
  EXPECT_EQ(count("marvisto_favorite__kept", "product_name = 'one'"), 1);
  EXPECT_EQ(count("marvisto_favorite", "product_id = 2"), 1);
  EXPECT_EQ(count("marvisto_compare", "product_id = 7"), 1);
  EXPECT_EQ(count("marvisto_compare__kept"), 2);

  // Written out before a resync replaces the database: every side table in a
  // dated file of its own, never over an earlier one.
  const fs::path out = base::Paths::documents() / "textco";
  fs::path first, second;
  ASSERT_TRUE(KeptRowsFile::save(db(), out, 86400.0 * 365, &first));
  ASSERT_TRUE(KeptRowsFile::save(db(), out, 86400.0 * 365, &second));
  EXPECT_NE(first, second);
  EXPECT_EQ(KeptRowsFile::filesIn(out).size(), 2u);
  SQLiteDatabase saved;
  ASSERT_TRUE(saved.open(first));
  EXPECT_EQ(KeptRowsFile::keptTables(saved),
            (std::vector<std::string>{"marvisto_compare__kept", "marvisto_favorite__kept"}));
  SQLiteStatement st = saved.prepare("SELECT product_name FROM marvisto_favorite__kept");
  ASSERT_EQ(st.step(), SQLiteStatement::Step::Row);
  EXPECT_EQ(st.textAt(0), "one");
  // Nothing aside: no file.
  SQLiteDatabase empty;
  ASSERT_TRUE(empty.open(out / "empty.sqlite"));
  fs::path none;
  EXPECT_TRUE(KeptRowsFile::save(empty, out, 0, &none));
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace mv::test
