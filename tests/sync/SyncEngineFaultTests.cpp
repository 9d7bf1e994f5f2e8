// Sync runs that go wrong: a store that refuses rows, replies that cannot be
// read, tables a reply does not carry, the network lost during the image
// phase, an expired session, failed files and failed sign-ins. Each ends the
// run once, as decided, with nothing of it falsely stored, flagged or stamped.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "SessionFixture.hpp"
#include "FolderBytes.hpp"
#include "SyncEngineTestSupport.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/UserDefaults.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/PictureVerdicts.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "transport/NetworkEngine.hpp"
#include "util/DiskRoom.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using sales::WrongShape;
using test::SyncEngineTest;
using test::Tuple;

std::string countOf(const std::string& table) {
  auto rows = SyncEngineTest::query("SELECT count(*) FROM " + table);
  return rows.empty() ? "" : rows[0][0];
}

std::vector<std::string> parts(const std::vector<sales::LogEntry>& tables) {
  std::vector<std::string> out;
  for (const auto& t : tables) out.push_back(t.qualifier);
  return out;
}

FaultRule wrongShape(const std::string& method, WrongShape shape) {
  FaultRule rule;
  rule.method = method;
  rule.kind = FaultKind::WrongShape;
  rule.shape = shape;
  rule.times = 1;
  return rule;
}

// Covers stall until the run is broken.
FaultRule stalledCovers() {
  FaultRule stall;
  stall.path = "*/cover_image/*";
  stall.kind = FaultKind::Stall;
  stall.seconds = 0;
  return stall;
}

// Product pictures come slowly, so a run can be broken in the middle of them.
FaultRule slowProductPictures() {
  FaultRule slow;
  slow.path = "*/product/*";
  slow.kind = FaultKind::Trickle;
  slow.chunkBytes = 256;
  slow.seconds = 0.02;
  return slow;
}

// How many of the requested files lie under `prefix` ("product/").
long countUnder(const std::vector<std::string>& files, const std::string& prefix) {
  return std::count_if(files.begin(), files.end(), [&](const std::string& f) { return f.rfind(prefix, 0) == 0; });
}

// A product picture's name on disk, from its path on the file service.
std::string productPictureName(const std::string& file) { return file.substr(std::string("product/").size()); }

// A file of the image phase ("icon/a.png") as its type and name.
std::pair<int, std::string> typeAndName(const std::string& file) {
  for (int type : {SyncModel::kImageTypeProduct, SyncModel::kImageTypeIcon, SyncModel::kImageTypeCover}) {
    const std::string prefix = sales::SampleData::typePath(type) + "/";
    if (file.starts_with(prefix)) return {type, file.substr(prefix.size())};
  }
  return {0, file};
}

// What the image phase's `files` of `data` that are not on disk still need
// of it: each its size, less what a stopped download of it left to go on
// from. A thumbnail the device made from its picture is not fetched again.
std::uint64_t stillNeeded(const sales::DataSet& data, const std::set<std::string>& files) {
  std::uint64_t bytes = 0;
  for (const auto& file : files) {
    const auto [type, name] = typeAndName(file);
    const auto path = PublicFunction::filePathWithName(name, type);
    std::error_code ec;
    if (!path || fs::exists(*path, ec)) continue;
    const std::uint64_t size = data.file(file)->size();
    const std::uint64_t partial = fs::file_size(HttpNetworkCtrl::partialPathWithName(name, type), ec);
    bytes += size - std::min(ec ? 0 : partial, size);
  }
  return bytes;
}

// The bytes of the figure a text ends with ("... 4.2 MB"); 0 when none.
std::uint64_t figureAtEnd(const std::string& text) {
  const auto unit = text.rfind(' ');
  const auto number = unit == std::string::npos ? unit : text.rfind('-', unit);
  if (number == std::string::npos) return 0;
  const double value = std::strtod(text.c_str() + number + 1, nullptr);
  const std::string name = text.substr(unit + 1);
  const double scale = name == "KB" ? 1024.0 : name == "MB" ? 1048576.0 : name == "GB" ? 1073741824.0 : 0.0;
  return static_cast<std::uint64_t>(value * scale);
}

// What a run's end says of the room its files need ("about" a figure, as
// their sizes were judged from those that came), and what they need indeed
// beyond the room left: the picture and thumbnail, icons and covers that
// did not come.
struct RoomTold {
  std::string key;
  std::uint64_t told = 0;
  std::uint64_t missing = 0;
};
RoomTold roomTold(const test::RecordingSyncDelegate& delegate, const sales::DataSet& data,
                  const std::set<std::string>& files) {
  RoomTold room;
  const std::string lead = "text-SYNCDATAWITHOUTFILES-text-";
  EXPECT_EQ(delegate.notReceived.size(), 1u);
  if (delegate.notReceived.empty() || !delegate.notReceived.back().starts_with(lead)) {
    ADD_FAILURE() << "no room told: " << (delegate.notReceived.empty() ? "" : delegate.notReceived.back());
    return room;
  }
  const std::string& text = delegate.notReceived.back();
  room.key = text.substr(lead.size(), text.find('-', lead.size()) - lead.size());
  room.told = figureAtEnd(text);
  const std::uint64_t needed = stillNeeded(data, files);
  const std::uint64_t left =
      DiskRoom::roomFor(PublicFunction::filePathWithName("x", SyncModel::kImageTypeProduct)->parent_path()).value_or(0);
  room.missing = needed > left ? needed - left : 0;
  return room;
}

// Whether the delegate was ever told that kind was whole ("COMPLETED").
bool toldWhole(const test::RecordingSyncDelegate& delegate, int kind) {
  return std::any_of(delegate.progress.begin(), delegate.progress.end(),
                     [&](const auto& p) { return p.imageType == kind && p.progress >= 1.0f; });
}

// Every row of the tables that hold the user's own work, each table sorted,
// every column as text.
std::map<std::string, std::vector<Tuple>> localWork() {
  std::map<std::string, std::vector<Tuple>> out;
  for (const char* table :
       {"marvisto_customer", "marvisto_customer_address", "marvisto_customer_attribute", "marvisto_customer_contact",
        "marvisto_quote_order", "marvisto_quote_order_item", "marvisto_favorite", "marvisto_compare",
        "marvisto_library_favorite"}) {
    auto rows = SyncEngineTest::query(std::string("SELECT * FROM ") + table);
    std::sort(rows.begin(), rows.end());
    out[table] = std::move(rows);
  }
  return out;
}

// A customer made on the device with its address, attribute and contact, an
// unsubmitted order with a line, and favourites, compares and a library
// favourite.
bool seedLocalWork() {
  return SyncEngineTest::execute(
      "INSERT INTO marvisto_customer (customer_id, customer_info_id, customer_name, customer_publish, "
      "customer_ordering, discount) VALUES (-1, '', 'Corner Shop', 1, 0, 5.5);"
      "INSERT INTO marvisto_customer_address (id, customer_id, address, city, state, zip_code, isDefault) VALUES "
      "(-1, -1, '1 Main St', 'Springfield', 'IL', '62701', 1);"
      "INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, attribute_fields_id, attribute_value) "
      "VALUES (-1, -1, 1, 'NO');"
      "INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name, last_name, email, isDefault) "
      "VALUES (-1, -1, 'Casey', 'Corner', 'casey@corner.example', 1);"
      "INSERT INTO marvisto_quote_order (order_id, customer_id, customer_name, order_number, order_total, uploaded) "
      "VALUES (-1, -1, 'Corner Shop', 'rep_240304102030', 110.5, 0);"
      "INSERT INTO marvisto_quote_order_item (order_item_id, order_id, product_id, product_quantity) VALUES "
      "(-1, -1, 1001, 3);"
      "INSERT INTO marvisto_favorite (product_id, product_sku, product_name) VALUES (1001, 'SKU-1001', 'Widget');"
      "INSERT INTO marvisto_compare (product_id, product_sku, product_name) VALUES (1003, 'SKU-1003', 'Gizmo');"
      "INSERT INTO marvisto_library_favorite (file_id, file_name) VALUES (7, 'brochure.pdf');");
}

TEST_F(SyncEngineTest, AFailedSaveBreaksTheRunAndKeepsNothingOfItsReply) {
  signIn();
  ASSERT_TRUE(execute("CREATE TRIGGER refuse_address BEFORE INSERT ON marvisto_customer_address "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, (std::vector<std::string>{SyncModel::kStoreErrorKey}));
  EXPECT_EQ(delegate->count("finished"), 0);
  EXPECT_EQ(delegate->count("customers"), 0);
  // The customer reply is kept whole or not at all; no acknowledgement and
  // no stamp, and only the part this run stored is flagged.
  EXPECT_EQ(countOf("marvisto_customer"), "0");
  EXPECT_EQ(countOf("marvisto_customer_attribute"), "0");
  EXPECT_TRUE(acknowledgements().empty());
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_FALSE(clientFlag(SyncModel::kFileSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kCustomerSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(config->flags.count("Needreloadcustomer"), 0u);
  EXPECT_EQ(customers->reloads, 0);
  EXPECT_FALSE(engine()->isDownloading());

  // A product reply whose fifth save fails leaves the first four unsaved too.
  ASSERT_TRUE(execute("DROP TRIGGER refuse_address"));
  ASSERT_TRUE(execute("CREATE TRIGGER refuse_price BEFORE INSERT ON marvisto_product_price "
                      "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  const auto before = query("SELECT product_id, product_name, product_stock FROM marvisto_product ORDER BY product_id");
  ASSERT_FALSE(before.empty());
  ASSERT_TRUE(service->backend().setDataVersion("acme", 2));
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.size(), 2u);
  EXPECT_EQ(delegate->breaks.back(), SyncModel::kStoreErrorKey);
  EXPECT_EQ(query("SELECT product_id, product_name, product_stock FROM marvisto_product ORDER BY product_id"), before);
  // The full sync it did not bring stays asked, for the next run.
  EXPECT_TRUE(engine()->isSyncAllData());
  EXPECT_TRUE(acknowledgements().empty());
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(parts(tableRequests()), (std::vector<std::string>{"product", "file", "customer", "product"}));
}

// Where downloads go cannot be made: the run stops before it asks for
// anything, and says why.
TEST_F(SyncEngineTest, FoldersThatCannotBeMadeStopTheRunAtOnce) {
  signIn();
  const auto folder = PublicFunction::clientFolder(Session::current().clientID);
  ASSERT_TRUE(folder);
  const fs::path temp = *folder / "tempDownload";
  fs::remove_all(temp);
  std::ofstream(temp) << "in the way";
  engine()->startSync();
  EXPECT_EQ(delegate->breaks, (std::vector<std::string>{SyncModel::kStoreErrorKey}));
  EXPECT_FALSE(engine()->isRunning());
  EXPECT_TRUE(tableRequests().empty());
  fs::remove(temp);
}

TEST_F(SyncEngineTest, UnreadableRepliesBreakTheRunAndStoreNothing) {
  signIn();
  // An HTML error page instead of the product tables.
  FaultRule html;
  html.method = "syncData/product";
  html.kind = FaultKind::Html500;
  html.times = 1;
  service->addFault(html);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, (std::vector<std::string>{test::textOfKey("115")}));
  EXPECT_EQ(countOf("marvisto_product"), "0");
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));

  // A failure status.
  service->addFault([] {
    FaultRule r = FaultRule::statusFor("syncData/product", "999");
    r.times = 1;
    return r;
  }());
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.back(), test::textOfKey("999"));
  EXPECT_EQ(countOf("marvisto_product"), "0");

  // A "200" whose content is not the list of tables.
  service->addFault(wrongShape("syncData/file", WrongShape::ContentNotArray));
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.size(), 3u);
  EXPECT_EQ(delegate->breaks.back(), test::textOfKey("115"));
  EXPECT_NE(countOf("marvisto_product"), "0");
  EXPECT_EQ(countOf("marvisto_library_files"), "0");
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_FALSE(clientFlag(SyncModel::kFileSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_TRUE(fileRequests().empty());
  EXPECT_TRUE(acknowledgements().empty());
  EXPECT_EQ(delegate->count("finished"), 0);
}

TEST_F(SyncEngineTest, TablesAReplyDoesNotCarryAreLeftAlone) {
  signIn();
  ASSERT_TRUE(execute("INSERT INTO marvisto_tag (tag_id, tag_name) VALUES (99, 'Seeded')"));
  ASSERT_TRUE(execute("INSERT INTO marvisto_product_related (serial, first_product_id, second_product_id) VALUES (99, 1, 2)"));
  // Only the products come back: their attributes, links, prices and images
  // are stored, the other six tables are not touched.
  service->addFault(wrongShape("syncData/product", WrongShape::ContentTooShort));
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1);
  const auto expected = expectedTables(data(1));
  const auto stored = storedTables();
  for (const char* table : {"marvisto_product", "marvisto_product_attribute", "marvisto_product_category_xref",
                            "marvisto_product_price", "marvisto_image"}) {
    EXPECT_EQ(stored.at(table), expected.at(table)) << table;
  }
  EXPECT_EQ(countOf("marvisto_category"), "0");
  EXPECT_EQ(query("SELECT tag_id, tag_name FROM marvisto_tag"), (std::vector<Tuple>{{"99", "Seeded"}}));
  EXPECT_EQ(query("SELECT serial FROM marvisto_product_related"), (std::vector<Tuple>{{"99"}}));

  // When the tables come back they replace what was there.
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 2);
  const auto full = storedTables();
  for (const char* table : {"marvisto_tag", "marvisto_product_related", "marvisto_category"}) {
    EXPECT_EQ(full.at(table), expected.at(table)) << table;
  }
}

TEST_F(SyncEngineTest, NetworkLossInTheImagePhaseBreaksOnceAndStopsOnlyTheRun) {
  signIn();
  service->addFault(stalledCovers());
  engine()->startSync();
  ASSERT_TRUE(runUntil([&] {
    for (const auto& f : requestedFiles()) {
      if (f.rfind("library/cover_image/", 0) == 0) return true;
    }
    return false;
  }));
  // Work of another screen under way at the same moment.
  service->addFault(FaultRule::stallFor("getuserinfo", 0.8));
  auto other = std::make_shared<test::Recorder>();
  auto request = std::make_shared<RequestGetUserinfo>();
  other->send(request);
  ASSERT_TRUE(runUntil([&] { return messagesNamed("getuserinfo").size() == 2; }));

  base::NotificationCenter::defaultCenter().post("netUnconnect");
  EXPECT_EQ(delegate->breaks, (std::vector<std::string>{SyncModel::kNetworkPoorKey}));
  ASSERT_TRUE(runUntil([&] { return other->results.size() == 1; }, 10));
  EXPECT_EQ(other->results[0]->status, "200");
  waitFor(0.3);
  EXPECT_EQ(delegate->ends(), 1);
  EXPECT_EQ(delegate->events.back(), "break");
  EXPECT_EQ(parts(tableRequests()), (std::vector<std::string>{"product", "file"}));
  EXPECT_TRUE(acknowledgements().empty());
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_FALSE(clientFlag(SyncModel::kFileSynced));
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_FALSE(engine()->isRunning());
  EXPECT_FALSE(engine()->isDownloading());
  EXPECT_EQ(model().requestCount(), 0u);
}

// A run broken in its last kind is tried again: the pictures that arrived
// whole in it stay and are not asked for again, though the service sends
// every row again (nothing was acknowledged). A resync the user asks for
// keeps what the service lists and is whole on disk, and fetches the rest.
TEST_F(SyncEngineTest, ARetryKeepsTheFilesOfABrokenRunAndAResyncFetchesOnlyWhatIsNotWhole) {
  signIn();
  service->addFault(stalledCovers());
  const auto asked = [&](const std::string& prefix) { return countUnder(requestedFiles(), prefix); };
  engine()->startSync();
  ASSERT_TRUE(runUntil([&] { return asked("library/cover_image/") > 0; }));
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  ASSERT_TRUE(waitForEnd(0, 20));
  ASSERT_EQ(delegate->breaks.size(), 1u);
  const auto& v1 = data(1);
  const auto pictures = imageFilesOf(v1.products, {}, {});
  ASSERT_EQ(static_cast<std::size_t>(asked("product/")), pictures.size());

  service->clearFaults();
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.size(), 1u);
  ASSERT_TRUE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(static_cast<std::size_t>(asked("product/")), pictures.size()) << "a kept picture was fetched again";
  for (const auto& file : imageFilesOf(v1.products, v1.icons, v1.libraryFiles)) {
    const auto slash = file.rfind('/');
    const int type = file.rfind("product/", 0) == 0 ? SyncModel::kImageTypeProduct
                     : file.rfind("icon/", 0) == 0  ? SyncModel::kImageTypeIcon
                                                    : SyncModel::kImageTypeCover;
    EXPECT_TRUE(fs::exists(localPath(file.substr(slash + 1), type))) << file;
  }

  // A resync: one picture cut down to nothing, one gone, one that is a
  // page and one cut in half are fetched again, nothing else.
  ASSERT_GE(pictures.size(), 4u);
  const std::string cut = productPictureName(*pictures.begin());
  const std::string gone = productPictureName(*std::next(pictures.begin()));
  const std::string page = productPictureName(*std::next(pictures.begin(), 2));
  const std::string half = productPictureName(*std::next(pictures.begin(), 3));
  ASSERT_TRUE(writeFile(localPath(cut, SyncModel::kImageTypeProduct), ""));
  ASSERT_TRUE(fs::remove(localPath(gone, SyncModel::kImageTypeProduct)));
  ASSERT_TRUE(writeFile(localPath(page, SyncModel::kImageTypeProduct), "<html><body>Sign in</body></html>"));
  const auto halfBytes = v1.file("product/" + half);
  ASSERT_TRUE(halfBytes);
  ASSERT_TRUE(writeFile(localPath(half, SyncModel::kImageTypeProduct), halfBytes->substr(0, halfBytes->size() / 2)));
  service->clearRequestLog();
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  const auto again = requestedFiles();
  EXPECT_EQ(std::set<std::string>(again.begin(), again.end()),
            (std::set<std::string>{"product/" + cut, "product/" + gone, "product/" + page, "product/" + half}));
  for (const std::string& name : {cut, gone, page, half}) {
    EXPECT_EQ(contentsOf(localPath(name, SyncModel::kImageTypeProduct)), *v1.file("product/" + name)) << name;
  }

  // The second version in full: the pictures of the rows it no longer shows
  // and those it never listed go, and the screen hears how far that is
  // before the first picture of the run is fetched.
  const auto& ch = changes();
  ASSERT_TRUE(fs::exists(localPath(ch.oldImageFull, SyncModel::kImageTypeProduct)));
  const fs::path stalePicture = localPath("stale.jpg", SyncModel::kImageTypeProduct);
  const fs::path staleCover = localPath("stale-cover.png", SyncModel::kImageTypeCover);
  ASSERT_TRUE(writeFile(stalePicture, "old"));
  ASSERT_TRUE(writeFile(staleCover, "old"));
  ASSERT_TRUE(service->backend().setDataVersion("acme", 2));
  service->clearRequestLog();
  delegate->removals.clear();
  const std::size_t progressBefore = delegate->progress.size();
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  EXPECT_FALSE(fs::exists(localPath(ch.oldImageFull, SyncModel::kImageTypeProduct)));
  EXPECT_FALSE(fs::exists(localPath(ch.oldImageThumb, SyncModel::kImageTypeProduct)));
  EXPECT_FALSE(fs::exists(stalePicture));
  EXPECT_FALSE(fs::exists(staleCover));
  // Only the files new in the second version are fetched.
  const auto& v2 = data(2);
  const auto v1Files = imageFilesOf(v1.products, v1.icons, v1.libraryFiles);
  std::set<std::string> newFiles;
  for (const auto& file : imageFilesOf(v2.products, v2.icons, v2.libraryFiles)) {
    if (!v1Files.count(file)) newFiles.insert(file);
  }
  EXPECT_TRUE(newFiles.count("product/" + ch.newImageFull));
  const auto v2Files = requestedFiles();
  EXPECT_EQ(std::set<std::string>(v2Files.begin(), v2Files.end()), newFiles);
  EXPECT_EQ(v2Files.size(), newFiles.size());
  ASSERT_FALSE(delegate->removals.empty());
  EXPECT_EQ(delegate->removals.back().first, 1.0f);
  for (const auto& [share, reportsBefore] : delegate->removals) {
    EXPECT_GT(share, 0.0f);
    EXPECT_LE(share, 1.0f);
    EXPECT_EQ(reportsBefore, progressBefore);
  }
}

// A first sync cut short in the middle of its pictures, then run again in
// full, as the next start does for a store whose sync never finished: the
// pictures that arrived whole stay, the one under way is not taken as whole,
// and only what is missing is asked for.
TEST_F(SyncEngineTest, AFirstSyncCutShortResumesWithThePicturesItHas) {
  signIn();
  service->addFault(slowProductPictures());
  const auto productFiles = [&] { return countUnder(requestedFiles(), "product/"); };
  engine()->startSync();
  const auto& v1 = data(1);
  const auto pictures = imageFilesOf(v1.products, {}, {});
  ASSERT_TRUE(runUntil([&] { return productFiles() >= static_cast<long>(pictures.size() / 2); }));
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  ASSERT_TRUE(waitForEnd(0, 20));
  ASSERT_EQ(delegate->breaks.size(), 1u);
  // A picture that arrived whole just before the cut still goes into place
  // after the run ended: the disk is read once the transport wrote it.
  ASSERT_TRUE(NetworkEngine::shared().settle());
  std::set<std::string> whole;
  for (const auto& file : pictures) {
    const std::string bytes = contentsOf(localPath(productPictureName(file), SyncModel::kImageTypeProduct));
    if (bytes == *v1.file(file)) {
      whole.insert(file);
    } else {
      EXPECT_EQ(bytes, "<missing>") << "a picture on disk is not whole: " << file;
    }
  }
  ASSERT_FALSE(whole.empty());
  ASSERT_LT(whole.size(), pictures.size());

  service->clearFaults();
  service->clearRequestLog();
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  ASSERT_TRUE(clientFlag(SyncModel::kLastSync));
  const auto again = requestedFiles();
  std::set<std::string> missing;
  std::set_difference(pictures.begin(), pictures.end(), whole.begin(), whole.end(),
                      std::inserter(missing, missing.end()));
  std::set<std::string> askedAgain;
  for (const auto& file : again) {
    if (file.rfind("product/", 0) == 0) askedAgain.insert(file);
  }
  EXPECT_EQ(askedAgain, missing);
  EXPECT_EQ(static_cast<std::size_t>(productFiles()), missing.size()) << "a picture was asked for twice";
  for (const auto& file : pictures) {
    const std::string name = productPictureName(file);
    EXPECT_EQ(contentsOf(localPath(name, SyncModel::kImageTypeProduct)), *v1.file(file)) << file;
  }
}

// Nearly full disks as users have them take a sync whole: the margin is
// room for their own saves, not a share of the disk. Pictures that would
// take the margin stop at once, none asked for again; the tables, the
// customer book among them, are stored all the same, and the run finishes
// saying how much room the files need. Once room is made the next run
// fetches the rest.
TEST_F(SyncEngineTest, AFirstSyncShortOfRoomStoresTheTablesAndSaysHowMuchRoomTheFilesNeed) {
  signIn();
  const auto& v1 = data(1);
  const auto pictures = imageFilesOf(v1.products, {}, {});
  ASSERT_GE(pictures.size(), 4u);
  std::uint64_t total = 0, largest = 0;
  for (const auto& file : pictures) {
    total += v1.file(file)->size();
    largest = std::max<std::uint64_t>(largest, v1.file(file)->size());
  }
  const fs::path folder = localPath("x", kFileTypeProductImage).parent_path();
  // What the run's downloads take of the disk: every file of the client's
  // folder but the database's, whose room this does not play. A download
  // moved from the download folder to its kind's stays counted, as on a disk.
  const auto written = [client = folder.parent_path()] {
    return test::bytesUnder(client, [&](const fs::path& file) {
      return file.parent_path() == client && file.filename().string().starts_with(DataAccessManager::kDatabaseFileName);
    });
  };
  // A disk with `free` bytes left when a run starts, which what it writes takes.
  constexpr std::uint64_t MB = std::uint64_t{1} << 20, GB = std::uint64_t{1} << 30;
  std::uint64_t capacity = 32 * GB, free = 200 * MB, before = written();
  DiskRoom::setReading([&](const fs::path&) -> std::optional<DiskRoom::Space> {
    const std::uint64_t now = written();
    return DiskRoom::Space{capacity, free + before > now ? free + before - now : 0};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  const auto wholePictures = [&] {
    std::size_t whole = 0;
    for (const auto& file : pictures) {
      const std::string bytes = contentsOf(localPath(productPictureName(file), SyncModel::kImageTypeProduct));
      // A thumbnail that did not arrive is made on the device from its picture.
      if (bytes == *v1.file(file) || (file.find("_s.") != std::string::npos && bytes.starts_with("\x89PNG"))) {
        ++whole;
      } else {
        EXPECT_TRUE(bytes == "<missing>") << "a picture on disk is not whole: " << file;
      }
    }
    return whole;
  };
  // A 32 GB disk with 200 MB free.
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
  EXPECT_EQ(delegate->notReceived, std::vector<std::string>{});
  EXPECT_EQ(wholePictures(), pictures.size());

  // Room above the margin for half the pictures, every one of them to fetch.
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::tie(capacity, free, before) = std::tuple{8 * GB, DiskRoom::kMarginBytes + total / 2, written()};
  service->clearRequestLog();
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
  EXPECT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file", "customer"}));
  EXPECT_EQ(storedTables(), expectedTables(v1));
  // The room named is about what the rest of the files need beyond what is left.
  ASSERT_TRUE(NetworkEngine::shared().settle());
  engine()->waitForThumbnails();
  const RoomTold room = roomTold(*delegate, v1, imageFilesOf(v1.products, v1.icons, v1.libraryFiles));
  EXPECT_EQ(room.key, "DOWNLOADNOROOMNEEDSABOUT");
  EXPECT_GT(room.missing, largest);
  EXPECT_GE(room.told, room.missing / 2);
  EXPECT_LE(room.told, room.missing * 2);
  EXPECT_LT(wholePictures(), pictures.size());
  const auto asked = requestedFiles();
  for (const auto& file : pictures) EXPECT_LE(std::count(asked.begin(), asked.end(), file), 1) << file;

  // Room made: a 64 GB disk with 900 MB free.
  std::tie(capacity, free, before) = std::tuple{64 * GB, 900 * MB, written()};
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
  EXPECT_EQ(delegate->notReceived.size(), 1u);
  EXPECT_EQ(wholePictures(), pictures.size());
}

// Runs of a company of thousands of products, signed in to in place of the
// fixture's own.
class CompanyOfThousands : public SyncEngineTest {
 protected:
  // Adds the company "bigco" of `products` products with two pictures each
  // and `customers` customers, and signs in to it.
  const sales::DataSet& signInToCompanyOf(int products, int customers) {
    sales::CompanyConfig big = service->backend().config().companies.front();
    big.clientId = "bigco";
    big.name = "Big Company";
    big.data = sales::SampleOptions::large(products);
    big.data.imagesPerProduct = 2;
    big.data.customers = customers;
    big.data.documentsPerType = 1;
    EXPECT_TRUE(service->backend().addCompany(big));
    const auto company = service->backend().company("bigco");
    EXPECT_TRUE(company);
    services.reset();
    scope->endServices();
    test::signInAs("bigco", Session::current().acountID);
    scope->restart();
    services = scope->services();
    EXPECT_TRUE(services);
    signIn();
    return *company->first;
  }

  // The share of the product pictures among `files` on the device (those
  // that came, and the thumbnails made from them), and the last share of
  // them the run told.
  std::pair<double, std::optional<float>> productShares(const std::set<std::string>& files) {
    std::size_t onDevice = 0, products = 0;
    for (const auto& file : files) {
      const auto [type, name] = typeAndName(file);
      if (type != SyncModel::kImageTypeProduct) continue;
      ++products;
      onDevice += fs::exists(*PublicFunction::filePathWithName(name, type)) ? 1 : 0;
    }
    std::optional<float> shown;
    for (const auto& p : delegate->progress) {
      if (p.imageType == SyncModel::kImageTypeProduct) shown = p.progress;
    }
    return {products ? static_cast<double>(onDevice) / static_cast<double>(products) : 0.0, shown};
  }
};

// A company's first sync into a disk short of room: tens of thousands of
// pictures, none with a listed size, of which the disk takes a few hundred.
// The downloads stop at the first that finds no room and the rest of the
// batch ends with it in one go; every table is stored all the same, the
// customer book among them, and the run finishes saying about how much more
// room the files need, near what they do need.
TEST_F(CompanyOfThousands, AFirstSyncOfTensOfThousandsOfPicturesShortOfRoomEndsThemInOneGoAndStoresEveryTable) {
  constexpr int kProducts = 6000;
  constexpr int kCustomers = 2000;
  const sales::DataSet& data = signInToCompanyOf(kProducts, kCustomers);
  const auto files = imageFilesOf(data.products, data.icons, data.libraryFiles);
  ASSERT_GE(files.size(), 20000u);

  // Room above the margin for a few hundred of the pictures.
  const fs::path client = *PublicFunction::clientFolder("bigco");
  const auto written = [client] {
    return test::bytesUnder(client, [&](const fs::path& file) {
      return file.parent_path() == client && file.filename().string().starts_with(DataAccessManager::kDatabaseFileName);
    });
  };
  const std::uint64_t free = DiskRoom::kMarginBytes + (std::uint64_t{3} << 20) + written();
  DiskRoom::setReading([&](const fs::path&) -> std::optional<DiskRoom::Space> {
    const std::uint64_t now = written();
    return DiskRoom::Space{std::uint64_t{16} << 30, free > now ? free - now : 0};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;

  ASSERT_TRUE(runSync(240));
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
  EXPECT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file", "customer"}));
  EXPECT_EQ(countOf("marvisto_product"), std::to_string(kProducts));
  EXPECT_EQ(countOf("marvisto_customer"), std::to_string(kCustomers));
  // The files past the room were never asked for.
  EXPECT_LT(fileRequests().size(), files.size() / 20);

  ASSERT_TRUE(NetworkEngine::shared().settle());
  engine()->waitForThumbnails();
  const RoomTold room = roomTold(*delegate, data, files);
  EXPECT_EQ(room.key, "DOWNLOADNOROOMNEEDSABOUT");
  EXPECT_GE(room.told, room.missing / 2);
  EXPECT_LE(room.told, room.missing * 2);

  // The pictures' row stays at the share of them on the device.
  const auto [share, shown] = productShares(files);
  ASSERT_GT(share, 0.0);
  ASSERT_TRUE(shown);
  EXPECT_LT(*shown, 1.0f);
  EXPECT_NEAR(*shown, share, 0.02);
}

// Thousands of a first sync's pictures that the service fails to send, once
// each: each is asked again once, alone, while the batch goes on, and the run
// waits for those and finishes. A picture that failed twice is not on the
// device, and the pictures' row never shows more of them than is.
TEST_F(CompanyOfThousands, ThousandsOfPicturesFailedOnceAreEachAskedAgainOnceAndTheRunFinishes) {
  const sales::DataSet& data = signInToCompanyOf(1000, 12);
  const auto files = imageFilesOf(data.products, data.icons, data.libraryFiles);
  FaultRule failing = FaultRule::fileStatus("*/product/*", 500);
  failing.times = 3000;
  service->addFault(failing);

  ASSERT_TRUE(runSync(240));
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
  EXPECT_EQ(delegate->count("finished"), 1);
  std::map<std::string, int> asked;
  for (const auto& entry : fileRequests()) ++asked[entry.path.substr(entry.path.find("/product/") + 1)];
  std::size_t again = 0;
  for (const auto& [file, times] : asked) {
    if (file.rfind("product/", 0) != 0) continue;
    EXPECT_LE(times, 2) << file;
    again += times == 2;
  }
  EXPECT_GE(again, 1000u);

  engine()->waitForThumbnails();
  const auto [share, shown] = productShares(files);
  ASSERT_TRUE(shown);
  if (share < 1.0) {
    EXPECT_TRUE(engine()->kindFailed(SyncModel::kImageTypeProduct));
    EXPECT_LT(*shown, 1.0f);
    EXPECT_LE(*shown, share + 0.01);
  } else {
    EXPECT_FALSE(engine()->kindFailed(SyncModel::kImageTypeProduct));
    EXPECT_EQ(*shown, 1.0f);
  }
}

// The pictures of a first sync of hundreds of products are kept as taken
// batch by batch while the run goes on: once it has finished, every
// picture on the device has its verdict kept, and the next sync looks at
// none of them.
TEST_F(CompanyOfThousands, EveryPictureAFirstSyncBringsIsKeptAsTakenAndNotLookedAtAgain) {
  const sales::DataSet& data = signInToCompanyOf(300, 12);
  const auto files = imageFilesOf(data.products, data.icons, data.libraryFiles);
  ASSERT_GT(files.size(), 2 * 256u);
  ASSERT_TRUE(runSync(240));
  ASSERT_EQ(delegate->count("finished"), 1);
  engine()->waitForThumbnails();

  const fs::path client = *PublicFunction::clientFolder("bigco");
  PictureVerdicts kept(PictureVerdicts::storeIn(client, "pictures"));
  std::size_t pictures = 0;
  for (const auto& file : files) {
    const auto [type, name] = typeAndName(file);
    const auto path = PublicFunction::filePathWithName(name, type);
    ASSERT_TRUE(path);
    const auto version = PictureVerdicts::versionOf(*path);
    if (!version) continue;
    ++pictures;
    EXPECT_EQ(kept.keptOn(*version), true) << file;
  }
  EXPECT_GT(pictures, 2 * 256u);

  std::mutex mutex;
  std::size_t looked = 0;
  PictureVerdicts::setCheckObserver([&](const fs::path&) {
    std::lock_guard<std::mutex> lock(mutex);
    ++looked;
  });
  struct Restore {
    ~Restore() { PictureVerdicts::setCheckObserver({}); }
  } restore;
  ASSERT_TRUE(runSync(240));
  EXPECT_EQ(delegate->count("finished"), 2);
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_EQ(looked, 0u);
}

TEST_F(SyncEngineTest, AServiceStoppedInThePicturePhaseBreaksTheRunAtOnce) {
  signIn();
  service->addFault(slowProductPictures());
  engine()->startSync();
  const auto productFiles = [&] { return countUnder(requestedFiles(), "product/"); };
  ASSERT_TRUE(runUntil([&] { return productFiles() >= 6; }));
  const auto asked = productFiles();
  const auto& v1 = data(1);
  ASSERT_LT(static_cast<std::size_t>(asked) + 3, imageFilesOf(v1.products, {}, {}).size());
  const std::size_t progressBefore = delegate->progress.size();
  service->stop();
  const double stopped = base::RunLoop::main().now();
  ASSERT_TRUE(waitForEnd(0, 20));
  // The first file that finds the service gone ends the run: no later kind
  // of picture is asked for.
  for (std::size_t i = progressBefore; i < delegate->progress.size(); ++i) {
    EXPECT_EQ(delegate->progress[i].imageType, SyncModel::kImageTypeProduct) << "a later kind began";
  }
  // At once, with the text of a service that stopped answering.
  EXPECT_LT(base::RunLoop::main().now() - stopped, 1.0);
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{test::textOfKey("SERVERSTOPPEDANSWERING") + "-127.0.0.1:" +
                                                        std::to_string(service->filePort())});
  EXPECT_EQ(delegate->ends(), 1);
  // No kind read whole, no later kind began, nothing was stamped.
  for (int kind : {SyncModel::kImageTypeProduct, SyncModel::kImageTypeIcon, SyncModel::kImageTypeCover}) {
    EXPECT_FALSE(toldWhole(*delegate, kind)) << kind;
  }
  EXPECT_EQ(delegate->count("imagesDone:1"), 0);
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_FALSE(engine()->isRunning());
  EXPECT_EQ(HttpNetworkCtrl::sharedInstance().pendingCount(), 0u);
  EXPECT_EQ(model().requestCount(), 0u);
  // No picture was left behind half written.
  for (const auto& entry : fs::recursive_directory_iterator(localPath("x", kFileTypeProductImage).parent_path())) {
    if (entry.is_regular_file()) {
      EXPECT_GT(entry.file_size(), 0u) << entry.path();
    }
  }
}

TEST_F(SyncEngineTest, AnExpiredSessionEndsTheRunQuietly) {
  signIn();
  service->addFault([] {
    FaultRule r = FaultRule::statusFor("syncData/customer", "101");
    r.times = 1;
    return r;
  }());
  // Whoever hears of the end (the terminal's line) gets words, not a status.
  std::vector<std::string> endings;
  base::Observation ended(SyncModel::kSyncEndedNotification, nullptr, [&](const base::Notification& n) {
    endings.push_back(n.userInfo.value("message", std::string()));
  });
  ASSERT_TRUE(runSync());
  EXPECT_EQ(endings, (std::vector<std::string>{test::textOfKey("101")}));
  EXPECT_EQ(sink->expired.size(), 1u);
  EXPECT_EQ(delegate->count("sessionEnded"), 1);
  EXPECT_EQ(delegate->count("break"), 0);
  EXPECT_EQ(delegate->count("finished"), 0);
  EXPECT_TRUE(acknowledgements().empty());
  EXPECT_FALSE(clientFlag(SyncModel::kCustomerSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_FALSE(engine()->isDownloading());
  // Nothing stays stuck: the next run goes through.
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->count("finished"), 1);
  EXPECT_EQ(sink->expired.size(), 1u);
  EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
}

TEST_F(SyncEngineTest, FailedFilesAreAskedAgainOnceUnderTheirOwnType) {
  signIn();
  service->addFault(FaultRule::fileStatus("*/product/p1002_1.jpg", 404));
  service->addFault(FaultRule::fileStatus("*/product/p1003_1.jpg", 500));
  service->addFault(FaultRule::fileStatus("*/cover_image/cover_2.png", 404));
  // An icon refused once: its retry brings it, and the kind is whole then.
  ASSERT_FALSE(data(1).icons.empty());
  FaultRule once = FaultRule::fileStatus("*/icon/*", 500);
  once.times = 1;
  service->addFault(once);
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1);
  // A kind whose files failed never reads whole.
  EXPECT_FALSE(toldWhole(*delegate, SyncModel::kImageTypeProduct));
  EXPECT_FALSE(toldWhole(*delegate, SyncModel::kImageTypeCover));
  EXPECT_TRUE(toldWhole(*delegate, SyncModel::kImageTypeIcon));
  EXPECT_TRUE(engine()->kindFailed(SyncModel::kImageTypeProduct));
  EXPECT_TRUE(engine()->kindFailed(SyncModel::kImageTypeCover));
  EXPECT_FALSE(engine()->kindFailed(SyncModel::kImageTypeIcon));
  const auto files = requestedFiles();
  for (const char* path : {"product/p1002_1.jpg", "product/p1003_1.jpg", "library/cover_image/cover_2.png"}) {
    EXPECT_EQ(std::count(files.begin(), files.end(), path), 2) << path;
  }
  EXPECT_FALSE(fs::exists(localPath("p1002_1.jpg", kFileTypeProductImage)));
  EXPECT_FALSE(fs::exists(localPath("p1003_1.jpg", kFileTypeProductImage)));
  EXPECT_FALSE(fs::exists(localPath("cover_2.png", kFileTypeLibraryImage)));
  EXPECT_TRUE(fs::exists(localPath("p1002_1_s.png", kFileTypeProductImage)));
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));
  // The next run asks only for what is still missing. The cover, failing
  // again, is its batch's only file, so its outcome comes after the batch's
  // end: the kind still never reads whole.
  service->clearFaults();
  service->addFault(FaultRule::fileStatus("*/cover_image/cover_2.png", 404));
  service->clearRequestLog();
  delegate->progress.clear();
  ASSERT_TRUE(runSync());
  const auto again = requestedFiles();
  EXPECT_EQ(std::set<std::string>(again.begin(), again.end()),
            (std::set<std::string>{"product/p1002_1.jpg", "product/p1003_1.jpg", "library/cover_image/cover_2.png"}));
  EXPECT_TRUE(toldWhole(*delegate, SyncModel::kImageTypeProduct));
  EXPECT_FALSE(toldWhole(*delegate, SyncModel::kImageTypeCover));
  EXPECT_TRUE(engine()->kindFailed(SyncModel::kImageTypeCover));
  service->clearFaults();
  service->clearRequestLog();
  delegate->progress.clear();
  ASSERT_TRUE(runSync());
  EXPECT_EQ(requestedFiles(), std::vector<std::string>{"library/cover_image/cover_2.png"});
  EXPECT_TRUE(toldWhole(*delegate, SyncModel::kImageTypeCover));
}

// A picture that comes as a page is asked for once more, and then fails
// alone: the run goes on to the customers and finishes, naming it, with
// nothing of it on disk; the next run fetches it. One the service holds as
// a GIF is its own file: kept, and not asked for again.
TEST_F(SyncEngineTest, APictureThatComesAsAPageFailsAloneAndIsNamedAtTheEnd) {
  signIn();
  FaultRule page;
  page.path = "*/product/p1002_1.jpg";
  page.kind = FaultKind::FileContent;
  page.content = "<!DOCTYPE html><html><body>Please sign in to use the Internet.</body></html>";
  service->addFault(page);
  FaultRule gif = page;
  gif.path = "*/product/p1003_1.jpg";
  gif.content = std::string("GIF89a\x01\0\x01\0\x80\0\0\0\0\0\xFF\xFF\xFF!\xF9\x04\x01\0\0\0\0,\0\0\0\0\x01\0\x01\0\0\x02\x02" "D\x01\0;", 43);
  service->addFault(gif);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(contentsOf(localPath("p1003_1.jpg", kFileTypeProductImage)), gif.content);
  EXPECT_TRUE(delegate->breaks.empty());
  EXPECT_EQ(delegate->count("finished"), 1);
  EXPECT_EQ(delegate->notReceived,
            (std::vector<std::string>{test::textOfKey("SYNCFILESNOTRECEIVED") + "-p1002_1.jpg"}));
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
  EXPECT_TRUE(engine()->kindFailed(SyncModel::kImageTypeProduct));
  const auto files = requestedFiles();
  EXPECT_EQ(std::count(files.begin(), files.end(), "product/p1002_1.jpg"), 2);
  EXPECT_FALSE(fs::exists(localPath("p1002_1.jpg", kFileTypeProductImage)));
  // Owed to the next run, which a headless sync starts for it alone.
  EXPECT_TRUE(SyncModel::filesOwed());
  service->clearFaults();
  service->clearRequestLog();
  ASSERT_TRUE(runSync());
  EXPECT_EQ(requestedFiles(), std::vector<std::string>{"product/p1002_1.jpg"});
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));
  EXPECT_FALSE(SyncModel::filesOwed());
}

// An icon the service does not have is asked for once per full sync: not
// again within the run, not at the incremental syncs that follow.
TEST_F(SyncEngineTest, AnIconTheServiceLacksIsAskedForOncePerFullSync) {
  signIn();
  service->addFault(FaultRule::fileStatus("*/icon/icon_home.png", 404));
  const auto asked = [&] {
    const auto files = requestedFiles();
    return std::count(files.begin(), files.end(), std::string("icon/icon_home.png"));
  };
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1);
  EXPECT_EQ(asked(), 1);
  EXPECT_TRUE(fs::exists(localPath("icon_catalog.png", kFileTypeConfigImage)));
  EXPECT_FALSE(fs::exists(localPath("icon_home.png", kFileTypeConfigImage)));
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));

  // Incremental syncs leave it alone.
  service->clearRequestLog();
  ASSERT_TRUE(runSync());
  ASSERT_TRUE(runSync());
  EXPECT_EQ(asked(), 0);

  // A full sync asks once more, and finds it once the service has it.
  service->clearFaults();
  service->clearRequestLog();
  engine()->setIsSyncAllData(true);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(asked(), 1);
  EXPECT_TRUE(fs::exists(localPath("icon_home.png", kFileTypeConfigImage)));
}

TEST_F(SyncEngineTest, ASessionNotOnlineSignsInFirst) {
  session->type = LoginType::Offline;
  mv::test::changeSession([&](Session& s) { s.sessionId = ""; });
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  auto messages = messagesNamed("");
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages[0].methodName, "login");
  EXPECT_EQ(session->type, LoginType::Online);
  EXPECT_FALSE(Session::current().sessionId.empty());
  EXPECT_EQ(Session::current().clientID, "acme");
  EXPECT_NE(session->vendorId, 0);
  EXPECT_EQ(engine()->needWork(), 1);

  // A full resync the service asks of that sign-in is the run's own: every
  // part is asked in full, by that run and, when it breaks off at its
  // customers, by the next, until one finishes; the service tells of it
  // only once.
  ASSERT_TRUE(service->backend().requestFullSync("acme", "rep"));
  FaultRule cut = FaultRule::statusFor("syncData/customer", "999");
  cut.times = 1;
  service->addFault(cut);
  const std::size_t broken = delegate->breaks.size();
  for (int run = 0; run < 3; ++run) {
    session->type = LoginType::Offline;
    service->clearRequestLog();
    ASSERT_TRUE(runSync());
    EXPECT_EQ(delegate->breaks.size(), broken + 1) << run;
    ASSERT_EQ(delegate->count("finished"), 1 + run);
    const auto tables = tableRequests();
    ASSERT_EQ(tables.size(), 3u);
    for (const auto& t : tables)
      EXPECT_EQ(t.parameters.value("isFull", std::string()), run < 2 ? "true" : "false") << t.qualifier << run;
  }
  EXPECT_EQ(session->fullSyncsAsked, 0);

  // A service that cannot be reached leaves the session offline.
  session->type = LoginType::Offline;
  service->addFault(FaultRule::statusFor("login", "999"));
  service->clearRequestLog();
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->breaks.size(), broken + 2);
  EXPECT_EQ(delegate->breaks.back(), test::textOfKey("999"));
  EXPECT_EQ(session->type, LoginType::Offline);
  EXPECT_TRUE(tableRequests().empty());
  // A refused sign-in leaves it signed out.
  service->clearFaults();
  service->addFault(FaultRule::statusFor("login", "402"));
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.size(), broken + 3);
  EXPECT_EQ(session->type, LoginType::None);
  EXPECT_TRUE(tableRequests().empty());
}

TEST(SyncSilentLoginTest, TheClientIdChangesOnlyInItsSpelling) {
  EXPECT_EQ(SyncLoginSession::reloginClientId("acme", "ACME"), "ACME");
  EXPECT_EQ(SyncLoginSession::reloginClientId("Acme", " acme "), "acme");
  EXPECT_EQ(SyncLoginSession::reloginClientId("acme", ""), "acme");
  EXPECT_EQ(SyncLoginSession::reloginClientId("acme", "   "), "acme");
  EXPECT_EQ(SyncLoginSession::reloginClientId("acme", "globex"), "acme");
  EXPECT_EQ(SyncLoginSession::reloginClientId("acme", "acme2"), "acme");
}

TEST_F(SyncEngineTest, AcknowledgementsAndContactOnlyRepliesGoOnAsDecided) {
  signIn();
  // Every acknowledgement answered with a failure: the chain still goes on,
  // each part is flagged, and the run finishes.
  service->addFault(FaultRule::statusFor("syncDataFinished", "500"));
  // The customer reply carries contacts only: they are stored, but the
  // customer book is not told to reload for them.
  service->addFault(wrongShape("syncData/customer", WrongShape::OnlyLastPart));
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  EXPECT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file", "customer"}));
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_EQ(clientFlag(SyncModel::kFileSynced), "synced");
  EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(countOf("marvisto_customer"), "0");
  EXPECT_EQ(countOf("marvisto_customer_contact"), std::to_string(data(1).contacts.size()));
  EXPECT_EQ(config->flags.count("Needreloadcustomer"), 0u);
  EXPECT_EQ(customers->reloads, 0);
}

TEST_F(SyncEngineTest, NetworkLossDuringTheLibrarysOwnRefreshLeavesItsFlag) {
  signIn();
  // The library screen's table refresh set the flag; no run of the engine.
  engine()->setIsDownloading(true);
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  EXPECT_TRUE(delegate->events.empty());
  EXPECT_TRUE(engine()->isDownloading());
  EXPECT_FALSE(engine()->isRunning());
  engine()->setIsDownloading(false);
  // A run started afterwards goes through.
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->count("finished"), 1);
}

TEST_F(SyncEngineTest, AFullSyncWhoseRowsAreAllUnreadableIsNeitherAcknowledgedNorFlagged) {
  signIn();
  ASSERT_TRUE(seedLocalWork());
  const auto before = localWork();
  FaultRule products = FaultRule::contentFor(
      "syncData/product", R"([[{"productName":"no id"},42,{"productID":"x"}],[{"categoryName":"no id"}],[],[],[],[],[]])");
  products.times = 1;
  service->addFault(products);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, (std::vector<std::string>{test::textOfKey("115")}));
  EXPECT_EQ(countOf("marvisto_product"), "0");
  EXPECT_EQ(countOf("marvisto_category"), "0");
  EXPECT_TRUE(acknowledgements().empty());
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(localWork(), before);

  // The same for the library and the customer tables.
  FaultRule files = FaultRule::contentFor("syncData/file", R"([[{"title":"no id"}],[{"cateName":"no id"}],{}])");
  files.times = 1;
  service->addFault(files);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.size(), 2u);
  EXPECT_EQ(delegate->breaks.back(), test::textOfKey("115"));
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_FALSE(clientFlag(SyncModel::kFileSynced));
  EXPECT_EQ(countOf("marvisto_library_files"), "0");

  FaultRule customers =
      FaultRule::contentFor("syncData/customer", R"([["x",{"customerName":"no id"}],[],[{"address":"no id"}],[7]])");
  customers.times = 1;
  service->addFault(customers);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks.size(), 3u);
  EXPECT_EQ(delegate->breaks.back(), test::textOfKey("115"));
  EXPECT_FALSE(clientFlag(SyncModel::kCustomerSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(delegate->count("finished"), 0);
  for (const auto& ack : acknowledgements()) EXPECT_NE(ack, "customer");
  EXPECT_EQ(localWork(), before);

  // Read again whole, the tables come as the service has them.
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->count("finished"), 1);
  EXPECT_NE(countOf("marvisto_product"), "0");
  EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
}

// One row that cannot be read among good ones damages the whole table reply:
// a full sync of the product, library or customer tables breaks there with
// nothing of it stored, acknowledged or flagged, and every row on the device
// (the catalogue of an earlier sync included) stays as it was, byte for byte.
// So does a reply too large to read.
TEST_F(SyncEngineTest, OneUnreadableRowAmongGoodOnesKeepsTheWholeTableReplyOut) {
  signIn();
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  ASSERT_TRUE(seedLocalWork());
  auto everything = [] {
    auto rows = localWork();
    for (const char* table : {"marvisto_product", "marvisto_category", "marvisto_product_price", "marvisto_image", "marvisto_product_attribute",
                              "marvisto_library_files", "marvisto_library_category"}) {
      rows[table] = SyncEngineTest::query(std::string("SELECT * FROM ") + table);
      std::sort(rows[table].begin(), rows[table].end());
    }
    return rows;
  };
  const auto before = everything();
  ASSERT_NE(before.at("marvisto_product").size(), 0u);
  ASSERT_NE(before.at("marvisto_library_files").size(), 0u);

  // A customer reply of one object of 800,000 members (9 MB), which a
  // search through the members for each new one would read for many minutes.
  std::string members = "{";
  for (int i = 0; i < 800000; ++i) members += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":0";
  members += "}";
  const std::vector<std::tuple<std::string, const char*, std::string>> replies = {
      {"syncData/product", SyncModel::kProductSynced,
       R"([[{"productID":501,"productName":"Good","priceID":1},
            {"productID":502,"productName":"Good too","images":[{"fullAddress":"no id.jpg"}]}],
           [{"categoryID":7,"categoryName":"Good"}],[],[],[],[],[]])"},
      {"syncData/file", SyncModel::kFileSynced,
       R"([[{"id":61,"title":"Good"},{"title":"no id"}],[{"cateID":2,"cateName":"Docs"}],{}])"},
      {"syncData/customer", SyncModel::kCustomerSynced,
       R"([[{"customerId":21,"customerName":"Lee"}],[],
           [{"id":31,"customerId":21,"address":"1 Main"},{"customerId":21,"address":"no id"}],[]])"},
      {"syncData/customer", SyncModel::kCustomerSynced, members}};
  std::size_t breaks = delegate->breaks.size();
  for (const auto& [method, flag, content] : replies) {
    SCOPED_TRACE(method + " " + content.substr(0, 40));
    // That table read in full again.
    base::UserDefaults::standard().removeObject(std::string("acme-") + flag);
    FaultRule rule = FaultRule::contentFor(method, content);
    rule.times = 1;
    service->addFault(rule);
    const std::size_t acks = acknowledgements().size();
    ASSERT_TRUE(runSync());
    ASSERT_EQ(delegate->breaks.size(), ++breaks);
    EXPECT_EQ(delegate->breaks.back(), test::textOfKey("115"));
    EXPECT_FALSE(clientFlag(flag));
    for (std::size_t i = acks; i < acknowledgements().size(); ++i)
      EXPECT_NE("syncData/" + acknowledgements()[i], method);
    EXPECT_EQ(everything(), before);
  }
}

// The product reply is stored a few products at a time while it is read,
// so a large catalogue never stands decoded whole in memory; it is still
// kept whole or not at all.
TEST_F(SyncEngineTest, AProductReplyStoredInBatchesIsKeptWholeOrNotAtAll) {
  signIn();
  engine()->setRowsPerBatch(2);
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  const auto expected = expectedTables(data(1));
  const auto stored = storedTables();
  for (const char* table : {"marvisto_product", "marvisto_product_attribute", "marvisto_product_category_xref",
                            "marvisto_product_price", "marvisto_image", "marvisto_category"}) {
    ASSERT_TRUE(expected.count(table)) << table;
    ASSERT_TRUE(stored.count(table)) << table;
    EXPECT_EQ(stored.at(table), expected.at(table)) << table;
  }
  ASSERT_GT(expected.at("marvisto_product").size(), 4u);
  const auto catalogue = [] {
    std::map<std::string, std::vector<Tuple>> rows;
    for (const char* table : {"marvisto_product", "marvisto_product_attribute", "marvisto_product_category_xref",
                              "marvisto_product_price", "marvisto_image", "marvisto_category"}) {
      rows[table] = SyncEngineTest::query(std::string("SELECT * FROM ") + table);
      std::sort(rows[table].begin(), rows[table].end());
    }
    return rows;
  };
  const auto before = catalogue();

  // A row that cannot be read after two full batches were stored.
  const std::string products = R"([{"productID":501,"productName":"One","priceID":1,"productParentList":[7]},
      {"productID":502,"productName":"Two","priceID":2,"attributes":[{"attributeId":900}]},
      {"productID":503,"productName":"Three","priceID":3,"images":[{"imageID":800,"fullAddress":"t.jpg"}]},
      {"productID":504,"productName":"Four","priceID":4},)";
  std::size_t breaks = delegate->breaks.size();
  auto fullSyncWith = [&](const std::string& content) {
    base::UserDefaults::standard().removeObject(std::string("acme-") + SyncModel::kProductSynced);
    FaultRule rule = FaultRule::contentFor("syncData/product", content);
    rule.times = 1;
    service->addFault(rule);
    return runSync();
  };
  ASSERT_TRUE(fullSyncWith("[" + products + R"({"productName":"no id"}],[{"categoryID":7}],[],[],[],[],[]])"));
  ASSERT_EQ(delegate->breaks.size(), ++breaks);
  EXPECT_EQ(delegate->breaks.back(), test::textOfKey("115"));
  EXPECT_EQ(catalogue(), before);
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));

  // The store refuses a row of the third batch: the two before it go too.
  // Meanwhile a save elsewhere finds its own disk full, which is not the
  // sync's: the sync says its data could not be saved.
  ASSERT_TRUE(execute("CREATE TRIGGER refuse_price BEFORE INSERT ON marvisto_product_price "
                      "WHEN NEW.product_id = 505 BEGIN SELECT RAISE(ABORT, 'refused'); END"));
  {
    SQLiteDatabase elsewhere;
    ASSERT_TRUE(elsewhere.open(root / "elsewhere.sqlite"));
    ASSERT_TRUE(elsewhere.execute("PRAGMA max_page_count = 1"));
    base::UserDefaults::standard().removeObject(std::string("acme-") + SyncModel::kProductSynced);
    FaultRule rule = FaultRule::contentFor(
        "syncData/product", "[" + products + R"({"productID":505,"priceID":5}],[{"categoryID":7}],[],[],[],[],[]])");
    rule.times = 1;
    service->addFault(rule);
    const int ends = delegate->ends();
    engine()->startSync();
    EXPECT_FALSE(elsewhere.execute("CREATE TABLE saved (note TEXT)"));
    EXPECT_EQ(elsewhere.diskFulls(), 1u);
    ASSERT_TRUE(waitForEnd(ends));
  }
  ASSERT_EQ(delegate->breaks.size(), ++breaks);
  EXPECT_EQ(delegate->breaks.back(), SyncModel::kStoreErrorKey);
  EXPECT_EQ(catalogue(), before);
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));

  // A run stopped while its reply is being stored (the store waiting here
  // for another writer): nothing of the reply stays, and nothing of it
  // reaches the run.
  ASSERT_TRUE(execute("DROP TRIGGER refuse_price"));
  sqlite3* opened = nullptr;
  ASSERT_EQ(sqlite3_open(SessionDatabase::open()->databasePath().c_str(), &opened), SQLITE_OK);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> writer(opened, sqlite3_close);
  ASSERT_EQ(sqlite3_exec(writer.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  base::UserDefaults::standard().removeObject(std::string("acme-") + SyncModel::kProductSynced);
  FaultRule stopped = FaultRule::contentFor(
      "syncData/product", "[" + products + R"({"productID":505,"priceID":5}],[{"categoryID":7}],[],[],[],[],[]])");
  stopped.times = 1;
  service->addFault(stopped);
  engine()->startSync();
  ASSERT_TRUE(runUntil([&] { return engine()->isStoringTables(); }, 30));
  engine()->breakSync("stopped");
  EXPECT_FALSE(engine()->isStoringTables());
  writer.reset();
  ASSERT_TRUE(runUntil([] { return !base::outsideWorkUnderWay(); }, 30));
  EXPECT_EQ(delegate->breaks.size(), ++breaks);
  EXPECT_EQ(delegate->breaks.back(), "stopped");
  EXPECT_EQ(catalogue(), before);
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));

  // A reply kept on the disk, past what memory keeps, that another program
  // cuts short while the run stores it: the run ends on a reply it cannot
  // read, nothing of it stays, and the reply leaves the disk.
  {
    const auto settings = ctrl().settings();
    auto spilling = settings;
    spilling.messageBodyLimit = 8 << 10;
    ctrl().setSettings(spilling);
    std::string large;
    for (int id = 1001; id <= 40000; ++id) {
      large += R"({"productID":)" + std::to_string(id) + R"(,"productName":"Product )" + std::to_string(id) +
               R"(","priceID":)" + std::to_string(id) + "},";
    }
    ASSERT_GT(large.size(), std::size_t{2} << 20);
    ASSERT_EQ(sqlite3_open(SessionDatabase::open()->databasePath().c_str(), &opened), SQLITE_OK);
    writer.reset(opened);
    ASSERT_EQ(sqlite3_exec(writer.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    base::UserDefaults::standard().removeObject(std::string("acme-") + SyncModel::kProductSynced);
    FaultRule cut = FaultRule::contentFor(
        "syncData/product", "[" + products + large + R"({"productID":505,"priceID":5}],[{"categoryID":7}],[],[],[],[],[]])");
    cut.times = 1;
    service->addFault(cut);
    const int ends = delegate->ends();
    engine()->startSync();
    ASSERT_TRUE(runUntil([&] { return engine()->isStoringTables(); }, 30));
    const fs::path replies = base::Paths::tmp() / "replies";
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(replies)) files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    ASSERT_GT(fs::file_size(files[0]), large.size());
    fs::resize_file(files[0], 64 << 10);
    writer.reset();
    ASSERT_TRUE(waitForEnd(ends));
    ctrl().setSettings(settings);
    ASSERT_EQ(delegate->breaks.size(), ++breaks);
    EXPECT_EQ(delegate->breaks.back(), test::textOfKey("115"));
    EXPECT_EQ(catalogue(), before);
    EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));
    EXPECT_TRUE(fs::is_empty(replies));
  }

  // The disk fills while the reply is stored: nothing of it stays, and the
  // user is told the device's room, not that the data could not be saved.
  {
    // Every connection opened from here on may not grow the file.
    const auto noGrowth = +[](sqlite3* db, char**, const void*) {
      return sqlite3_exec(db, "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr);
    };
    const auto extension = reinterpret_cast<void (*)()>(noGrowth);
    ASSERT_EQ(sqlite3_auto_extension(extension), SQLITE_OK);
    std::unique_ptr<void, std::function<void(void*)>> cancel(
        &breaks, [extension](void*) { sqlite3_cancel_auto_extension(extension); });
    std::string many;
    for (int id = 601; id <= 640; ++id)
      many += R"({"productID":)" + std::to_string(id) + R"(,"productName":")" + std::string(4000, 'x') +
              R"(","priceID":)" + std::to_string(id) + "},";
    ASSERT_TRUE(fullSyncWith("[" + products + many + R"({"productID":505,"priceID":5}],[{"categoryID":7}],[],[],[],[],[]])"));
    ASSERT_EQ(delegate->breaks.size(), ++breaks);
    EXPECT_EQ(delegate->breaks.back(), test::textOfKey("REPLYTOOLARGE"));
    EXPECT_EQ(catalogue(), before);
    EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));
  }

  // Without the refusal the same reply lands whole, in three batches.
  ASSERT_TRUE(fullSyncWith("[" + products + R"({"productID":505,"priceID":5}],[{"categoryID":7}],[],[],[],[],[]])"));
  EXPECT_EQ(delegate->breaks.size(), breaks);
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_EQ(query("SELECT product_id FROM marvisto_product WHERE product_id BETWEEN 501 AND 505 ORDER BY product_id"),
            (std::vector<Tuple>{{"501"}, {"502"}, {"503"}, {"504"}, {"505"}}));
  EXPECT_EQ(query("SELECT product_id FROM marvisto_product_attribute WHERE attribute_id = 900"),
            (std::vector<Tuple>{{"502"}}));
  EXPECT_EQ(query("SELECT category_id FROM marvisto_product_category_xref WHERE product_id = 501"),
            (std::vector<Tuple>{{"7"}}));
  EXPECT_EQ(query("SELECT image_full_address FROM marvisto_image WHERE image_id = 800"), (std::vector<Tuple>{{"t.jpg"}}));
}

TEST_F(SyncEngineTest, CustomerRowsOfTheServiceNeverLandOnTheDevicesOwn) {
  signIn();
  ASSERT_TRUE(seedLocalWork());
  const auto before = localWork();
  // Rows that name ids the device gives its own customers (0 and below),
  // beside a customer of the service with rows of both kinds.
  FaultRule customers = FaultRule::contentFor("syncData/customer", R"([
      [{"customerId":-1,"customerName":"Renamed","attributes":[{"attributeId":-1,"attributeFieldsId":1,
        "attributeValue":"YES"}]},
       {"customerId":0,"customerName":"Nobody"},
       {"customerId":21,"customerName":"Lee","attributes":[{"attributeId":-1,"attributeFieldsId":1,
        "attributeValue":"YES"},{"attributeId":5,"attributeFieldsId":1,"attributeValue":"YES"}]}],
      [],
      [{"id":-1,"customerId":21,"address":"Moved"},{"id":31,"customerId":-1,"address":"Added"},
       {"id":32,"customerId":21,"address":"2 Lee St"},{"id":33,"customerId":0,"address":"Nobody's"}],
      [{"contactId":-1,"customerId":21,"firstName":"Moved"},{"contactId":41,"customerId":-1,"firstName":"Added"},
       {"contactId":42,"customerId":21,"firstName":"Lee"}]])");
  customers.times = 1;
  service->addFault(customers);
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  auto after = localWork();
  // The service's own rows are there; the device's are as they were.
  EXPECT_EQ(query("SELECT customer_name FROM marvisto_customer WHERE customer_id = 21"), (std::vector<Tuple>{{"Lee"}}));
  EXPECT_EQ(query("SELECT id FROM marvisto_customer_address WHERE customer_id = 21"), (std::vector<Tuple>{{"32"}}));
  EXPECT_EQ(query("SELECT contact_id FROM marvisto_customer_contact WHERE customer_id = 21"),
            (std::vector<Tuple>{{"42"}}));
  EXPECT_EQ(query("SELECT attribute_id FROM marvisto_customer_attribute WHERE customer_id = 21"),
            (std::vector<Tuple>{{"5"}}));
  for (const char* table : {"marvisto_customer", "marvisto_customer_address", "marvisto_customer_attribute",
                            "marvisto_customer_contact"}) {
    std::vector<Tuple> own;
    for (const auto& row : after[table])
      if (!row.empty() && row[0].rfind("-", 0) == 0) own.push_back(row);
    EXPECT_EQ(own, before.at(table)) << table;
  }
  EXPECT_EQ(query("SELECT count(*) FROM marvisto_customer WHERE customer_id <= 0"), (std::vector<Tuple>{{"1"}}));
  EXPECT_EQ(query("SELECT count(*) FROM marvisto_customer_address WHERE customer_id <= 0 OR id <= 0"),
            (std::vector<Tuple>{{"1"}}));
  EXPECT_EQ(query("SELECT count(*) FROM marvisto_customer_contact WHERE customer_id <= 0 OR contact_id <= 0"),
            (std::vector<Tuple>{{"1"}}));
  for (const char* table : {"marvisto_quote_order", "marvisto_quote_order_item", "marvisto_favorite",
                            "marvisto_compare", "marvisto_library_favorite"}) {
    EXPECT_EQ(after[table], before.at(table)) << table;
  }
}

}  // namespace
}  // namespace mv
