// Whole sync runs against the local sales service: a first full sync lands
// every table and file of the first data version, and an incremental sync
// against the second version picks up exactly its changes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <utility>

#include "FolderBytes.hpp"
#include "SyncEngineTestSupport.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/ImageData.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/PictureVerdicts.hpp"
#include "util/DiskRoom.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using test::SyncEngineTest;

void expectSameTables(const std::map<std::string, test::TableRows>& stored,
                      const std::map<std::string, test::TableRows>& expected) {
  for (const auto& [table, rows] : expected) {
    auto it = stored.find(table);
    ASSERT_NE(it, stored.end()) << table;
    EXPECT_EQ(it->second, rows) << "table " << table;
    EXPECT_FALSE(rows.empty()) << "table " << table;
  }
}

// Rows of `now` that are new or differ from `before`.
sales::Table changedRows(const sales::Table& now, const sales::Table& before) {
  sales::Table out;
  for (const auto& row : now) {
    const sales::Row* prior = sales::DataSet::find(before, row.key);
    if (!prior || *prior->json != *row.json) out.push_back(row);
  }
  return out;
}

std::size_t countOf(const std::vector<std::string>& list, const std::string& item) {
  return static_cast<std::size_t>(std::count(list.begin(), list.end(), item));
}

// The files in a folder (none when it is absent).
std::size_t filesIn(const fs::path& folder) {
  std::error_code ec;
  std::size_t files = 0;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++files;
  return files;
}

// A customer reply of a few customers with long addresses, over six
// megabytes: past what the transport holds in memory before it spills, yet
// quick to store.
class LargeBook {
 public:
  explicit LargeBook(sales::SalesService& service) : service_(service) {
    std::string customers, addresses;
    for (int id = 1; id <= kCustomers; ++id) {
      const std::string comma = id > 1 ? "," : "";
      customers += comma + R"({"customerId":)" + std::to_string(8000 + id) + R"(,"customerName":"C)" +
                   std::to_string(id) + R"("})";
      addresses += comma + R"({"id":)" + std::to_string(9000 + id) + R"(,"customerId":)" + std::to_string(8000 + id) +
                   R"(,"address":")" + std::string(kAddressBytes, static_cast<char>('a' + id % 26)) + R"("})";
    }
    content_ = "[[" + customers + "],[],[" + addresses + "],[]]";
  }
  std::size_t size() const { return content_.size(); }
  // The book is read again, its addresses gone from the store, and the
  // service sends it once, compressed or as it is.
  void sendAgain(bool compressed) {
    base::UserDefaults::standard().removeObject(std::string("acme-") + SyncModel::kCustomerSynced);
    ASSERT_TRUE(SyncEngineTest::execute("DELETE FROM marvisto_customer_address WHERE id > 9000"));
    FaultRule rule = FaultRule::contentFor("syncData/customer", content_);
    if (compressed) {
      rule.kind = FaultKind::Gzipped;
      rule.chunkBytes = 0;
    }
    rule.times = 1;
    service_.addFault(rule);
  }
  // The count and the length of its addresses in the store.
  static std::vector<test::Tuple> landed() {
    return SyncEngineTest::query("SELECT count(*), sum(length(address)) FROM marvisto_customer_address WHERE id > 9000");
  }
  static std::vector<test::Tuple> whole() {
    return {{std::to_string(kCustomers), std::to_string(kCustomers * kAddressBytes)}};
  }
  static std::vector<test::Tuple> none() { return {{"0", ""}}; }

 private:
  static constexpr int kCustomers = 64;
  static constexpr std::size_t kAddressBytes = 100 << 10;
  sales::SalesService& service_;
  std::string content_;
};

TEST_F(SyncEngineTest, FullSyncThenIncrementalSyncLandEveryRowAndFile) {
  signIn();
  const sales::DataSet& v1 = data(1);
  const sales::ChangeSet& ch = changes();
  // The configuration images come with the template database; the sync
  // fetches their files.
  EXPECT_EQ(query("SELECT count(*) FROM marvisto_icon WHERE publish = 1"),
            (std::vector<test::Tuple>{{std::to_string(v1.icons.size())}}));
  // A document the user downloaded before; the second version renames it.
  ASSERT_NE(ch.renamedFileId, 0);
  auto pdf = v1.file("library/pdf/" + ch.oldFileName);
  ASSERT_TRUE(pdf);
  ASSERT_TRUE(writeFile(localPath(ch.oldFileName, kFileTypePdf), *pdf));
  // A thumbnail the service cannot serve is made on the device instead.
  const base::Value firstProduct = v1.products.at(0).value();
  const std::string localThumb = firstProduct["images"][1]["thumbAddress"].get<std::string>();
  const std::string localThumbOf = firstProduct["images"][1]["fullAddress"].get<std::string>();
  service->addFault(FaultRule::fileStatus("*/product/" + localThumb, 404));

  ASSERT_TRUE(runSync());
  auto e = engine();
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  EXPECT_EQ(delegate->count("break"), 0);
  ASSERT_GE(delegate->events.size(), 2u);
  EXPECT_EQ(delegate->events[delegate->events.size() - 2], "customers");
  EXPECT_EQ(delegate->events.back(), "finished");
  // Each kind reported its progress and ended on a whole bar.
  for (int kind : {1, 3, 4}) {
    std::vector<float> shown;
    for (const auto& p : delegate->progress) {
      if (p.imageType == kind) shown.push_back(p.progress);
    }
    ASSERT_FALSE(shown.empty()) << "kind " << kind;
    EXPECT_NEAR(shown.back(), 1.0f, 1e-6) << "kind " << kind;
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << "kind " << kind;
  }
  // The first report comes before any rate could be measured: it tells no
  // time left, rather than none.
  EXPECT_EQ(delegate->progress.front().remainTime, SyncModel::kRemainTimeUnknown);
  // Each kind starts only once the pause after the one before it is over.
  const std::vector<std::string> steps = {"kindCompleted:1", "pauseEnded:3", "kindCompleted:3", "pauseEnded:4",
                                          "kindCompleted:4", "customers"};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(delegate->count(steps[i]), 1) << steps[i];
    if (i > 0) {
      EXPECT_LT(delegate->indexOf(steps[i - 1]), delegate->indexOf(steps[i])) << steps[i];
    }
  }
  for (int kind : {3, 4}) {
    const std::string next = "pauseEnded:" + std::to_string(kind);
    EXPECT_LT(delegate->indexOf(next), delegate->indexOf("progress:" + std::to_string(kind))) << next;
  }

  // Requests: the session requests and the product tables first, then in
  // order the library tables, the files, the customer tables and the three
  // acknowledgements.
  auto tables = tableRequests();
  ASSERT_EQ(tables.size(), 3u);
  const char* parts[] = {"product", "file", "customer"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(tables[i].qualifier, parts[i]);
    EXPECT_EQ(tables[i].parameters.value("isFull", std::string()), "true");
    EXPECT_EQ(tables[i].parameters.value("deviceId", std::string()), Session::current().deviceID);
    EXPECT_FALSE(tables[i].sessionId.empty());
  }
  ASSERT_EQ(messagesNamed("getuserinfo").size(), 1u);
  ASSERT_EQ(messagesNamed("getRunTimeConfig").size(), 1u);
  EXPECT_LT(messagesNamed("getuserinfo")[0].sequence, tables[1].sequence);
  EXPECT_LT(messagesNamed("getRunTimeConfig")[0].sequence, tables[1].sequence);
  const auto files = fileRequests();
  for (const auto& f : files) {
    EXPECT_EQ(f.method, "POST") << f.path;
    EXPECT_GT(f.sequence, tables[1].sequence) << f.path;
    EXPECT_LT(f.sequence, tables[2].sequence) << f.path;
  }
  auto acks = messagesNamed("syncDataFinished");
  ASSERT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file", "customer"}));
  EXPECT_GT(acks[0].sequence, tables[2].sequence);

  // Every published image, icon and cover once; the missing thumbnail twice.
  const std::set<std::string> expectedFiles = imageFilesOf(v1.products, v1.icons, v1.libraryFiles);
  const auto requested = requestedFiles();
  EXPECT_EQ(std::set<std::string>(requested.begin(), requested.end()), expectedFiles);
  for (const auto& path : expectedFiles) {
    EXPECT_EQ(countOf(requested, path), path == "product/" + localThumb ? 2u : 1u) << path;
  }

  // Store and folders hold exactly the first version.
  expectSameTables(storedTables(), expectedTables(v1));
  EXPECT_EQ(query("SELECT count(*) FROM marvisto_library_files WHERE isNew <> 0"), (std::vector<test::Tuple>{{"0"}}));
  for (const auto& path : expectedFiles) {
    if (path == "product/" + localThumb) continue;
    const auto slash = path.rfind('/');
    const std::string name = path.substr(slash + 1);
    const int type = path.rfind("product/", 0) == 0 ? kFileTypeProductImage
                     : path.rfind("icon/", 0) == 0  ? kFileTypeConfigImage
                                                    : kFileTypeLibraryImage;
    EXPECT_EQ(contentsOf(localPath(name, type)), *v1.file(path)) << path;
  }
  e->waitForThumbnails();
  auto thumb = gfx::ImageData::decodeFile(localPath(localThumb, kFileTypeProductImage));
  ASSERT_TRUE(thumb) << "no thumbnail made for " << localThumbOf;
  EXPECT_LE(thumb->width, kThumbMaxWidth);
  EXPECT_LE(thumb->height, kThumbMaxHeight);
  for (const char* folder : {"ProductImages", "CatalogImages", "ConfigImages", "LibraryImages", "Pdf", "Video", "Excel",
                             "Word", "Keynote", "EPub", "tempDownload"}) {
    EXPECT_TRUE(fs::is_directory(root / "Documents" / "acme" / folder)) << folder;
  }

  // State.
  EXPECT_EQ(clientFlag(SyncModel::kProductSynced), "synced");
  EXPECT_EQ(clientFlag(SyncModel::kFileSynced), "synced");
  EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
  auto stamp = clientFlag(SyncModel::kLastSync);
  ASSERT_TRUE(stamp);
  EXPECT_TRUE(PublicFunction::dateFromString(*stamp, kLastSyncFormat)) << *stamp;
  for (const char* key : {"Needreloadcatelog", "Needreloadlibrary", "Needreloadcustomer"}) {
    EXPECT_EQ(config->flags[key], "YES") << key;
  }
  EXPECT_EQ(customers->reloads, 1);
  EXPECT_FALSE(e->isDownloading());
  EXPECT_FALSE(e->isRunning());

  // ---- the second version, incrementally ----
  const sales::DataSet& v2 = data(2);
  ASSERT_TRUE(service->backend().setDataVersion("acme", 2));
  service->clearRequestLog();
  config->flags.clear();
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 2) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  tables = tableRequests();
  ASSERT_EQ(tables.size(), 3u);
  for (const auto& t : tables) EXPECT_EQ(t.parameters.value("isFull", std::string()), "false") << t.qualifier;
  EXPECT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file", "customer"}));

  // Only the files of the changed rows are fetched, each once.
  const std::set<std::string> changedFiles = imageFilesOf(changedRows(v2.products, v1.products), {},
                                                          changedRows(v2.libraryFiles, v1.libraryFiles));
  const auto again = requestedFiles();
  EXPECT_EQ(std::set<std::string>(again.begin(), again.end()), changedFiles);
  EXPECT_EQ(again.size(), changedFiles.size());
  EXPECT_TRUE(changedFiles.count("product/" + ch.newImageFull));
  EXPECT_EQ(contentsOf(localPath(ch.newImageFull, kFileTypeProductImage)), *v2.file("product/" + ch.newImageFull));
  EXPECT_FALSE(fs::exists(localPath(ch.oldImageFull, kFileTypeProductImage)));
  EXPECT_FALSE(fs::exists(localPath(ch.oldImageThumb, kFileTypeProductImage)));

  // The store now holds exactly the second version.
  expectSameTables(storedTables(), expectedTables(v2));
  EXPECT_EQ(query("SELECT product_publish FROM marvisto_product WHERE product_id = " +
                  std::to_string(ch.unpublishedProductId)),
            (std::vector<test::Tuple>{{"-1"}}));
  EXPECT_TRUE(query("SELECT category_id FROM marvisto_product_category_xref WHERE product_id = " +
                    std::to_string(ch.uncategorisedProductId))
                  .empty());
  EXPECT_EQ(query("SELECT address, zip_code FROM marvisto_customer_address WHERE id = " +
                  std::to_string(ch.changedAddressId)),
            (std::vector<test::Tuple>{{ch.newAddress, "99999"}}));
  // The renamed document the user had stays readable under its old name, and
  // only the new document is marked new.
  EXPECT_EQ(query("SELECT fileId, old_file_name, old_file_type FROM marvisto_update"),
            (std::vector<test::Tuple>{{std::to_string(ch.renamedFileId), ch.oldFileName, "PDF"}}));
  EXPECT_EQ(query("SELECT file_id FROM marvisto_library_files WHERE isNew <> 0"),
            (std::vector<test::Tuple>{{std::to_string(ch.newFileId)}}));
  EXPECT_EQ(config->flags["Needreloadcatelog"], "YES");
  EXPECT_EQ(config->flags["Needreloadlibrary"], "YES");
  EXPECT_EQ(config->flags["Needreloadcustomer"], "YES");
  EXPECT_EQ(customers->reloads, 2);
}

// Pictures without their end marker, which only a read through tells whole,
// are looked at once, not at every sync: those that arrive were checked by
// their download, one already on disk from an older version is looked at by
// the first sync, and the next syncs (each reading the verdicts kept, as a
// new process does) look at none; only a picture replaced on disk is looked
// at again, and verdicts that cannot be read cost one look at each picture.
TEST_F(SyncEngineTest, EachPictureIsLookedAtOnceAcrossSyncs) {
  signIn();
  std::vector<std::string> unmarked;
  std::string olderBytes;
  for (const auto& [path, bytes] : data(1).files) {
    if (path.rfind("product/", 0) == 0 && bytes->ends_with("\xFF\xD9") && unmarked.size() < 4) {
      unmarked.push_back(path.substr(8));
      FaultRule cut;
      cut.path = "*/" + path;
      cut.kind = sales::FaultKind::FileContent;
      cut.content = bytes->substr(0, bytes->size() - 2);
      if (olderBytes.empty()) olderBytes = cut.content;
      service->addFault(cut);
    }
  }
  ASSERT_EQ(unmarked.size(), 4u);
  const fs::path older = localPath(unmarked[0], kFileTypeProductImage);
  ASSERT_TRUE(writeFile(older, olderBytes));
  std::mutex mutex;
  std::vector<fs::path> looked;
  bool onMainThread = false;
  PictureVerdicts::setCheckObserver([&](const fs::path& path) {
    std::lock_guard<std::mutex> lock(mutex);
    looked.push_back(path);
    onMainThread = onMainThread || base::RunLoop::main().isMainThread();
  });
  const auto lookedSinceLast = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(looked, {});
  };
  ASSERT_TRUE(runSync());
  EXPECT_EQ(lookedSinceLast(), std::vector<fs::path>{older});
  const auto requested = requestedFiles();
  EXPECT_EQ(countOf(requested, "product/" + unmarked[0]), 0u);
  EXPECT_EQ(countOf(requested, "product/" + unmarked[1]), 1u);
  ASSERT_TRUE(runSync());
  EXPECT_TRUE(lookedSinceLast().empty());

  const fs::path replaced = localPath(unmarked[1], kFileTypeProductImage);
  const std::string bytes = contentsOf(replaced);
  fs::remove(replaced);
  ASSERT_TRUE(writeFile(replaced, bytes));
  ASSERT_TRUE(runSync());
  EXPECT_EQ(lookedSinceLast(), std::vector<fs::path>{replaced});

  // A sync of every file, broken before any picture came again, looked at
  // none of them: their verdicts stay, and the next sync looks again at
  // most at those whose fetch the break cut.
  FaultRule stalled;
  stalled.path = "*/product/*";
  stalled.kind = FaultKind::Stall;
  stalled.seconds = 0;
  service->addFault(stalled);
  service->clearRequestLog();
  engine()->setRefetchesFiles(true);
  const int ends = delegate->ends();
  engine()->startSync();
  ASSERT_TRUE(runUntil([&] { return !requestedFiles().empty(); }));
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  ASSERT_TRUE(waitForEnd(ends, 20));
  std::set<fs::path> cut;
  for (const auto& file : requestedFiles()) cut.insert(localPath(file.substr(file.find('/') + 1), kFileTypeProductImage));
  service->clearFaults();
  ASSERT_TRUE(runSync());
  for (const auto& path : lookedSinceLast()) EXPECT_TRUE(cut.count(path)) << path << " was looked at again";

  const fs::path kept = PictureVerdicts::storeIn(*PublicFunction::clientFolder("acme"), "pictures");
  ASSERT_TRUE(fs::is_regular_file(kept));
  ASSERT_TRUE(writeFile(kept, "not a store of verdicts"));
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->count("finished"), 5);
  auto again = lookedSinceLast();
  const std::set<fs::path> once(again.begin(), again.end());
  EXPECT_EQ(once.size(), again.size());
  for (const auto& name : unmarked) EXPECT_TRUE(once.count(localPath(name, kFileTypeProductImage))) << name;
  EXPECT_FALSE(onMainThread);
  PictureVerdicts::setCheckObserver({});
}

TEST_F(SyncEngineTest, TheModulesShownDecideTheParts) {
  signIn();
  // Nothing shown: the run ends at once, with nothing sent or stamped.
  config->shown.clear();
  auto e = engine();
  e->startSync();
  EXPECT_TRUE(e->isDownloading());
  ASSERT_TRUE(waitForEnd(0, 5));
  EXPECT_EQ(delegate->events, (std::vector<std::string>{"finished"}));
  EXPECT_FALSE(e->isDownloading());
  EXPECT_TRUE(tableRequests().empty());
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));

  // Customers only: all three acknowledgements, but only the customer part
  // is flagged as synced.
  config->shown = {SyncConfigManager::kCustomerIndex};
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 2);
  std::vector<std::string> parts;
  for (const auto& t : tableRequests()) parts.push_back(t.qualifier);
  EXPECT_EQ(parts, (std::vector<std::string>{"customer"}));
  EXPECT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file", "customer"}));
  EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
  EXPECT_FALSE(clientFlag(SyncModel::kFileSynced));
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(config->flags.count("Needreloadcatelog"), 0u);
  EXPECT_EQ(config->flags["Needreloadcustomer"], "YES");
  EXPECT_TRUE(fileRequests().empty());

  // The library without the catalogue: the run starts with the library
  // tables; with no product image and no icon both kinds end at once.
  ASSERT_TRUE(execute("DELETE FROM marvisto_icon"));
  config->shown = {SyncConfigManager::kLibraryIndex};
  service->clearRequestLog();
  delegate->events.clear();
  e->startSync();
  e->startSync();  // a second start while running is ignored
  ASSERT_TRUE(waitForEnd(0));
  ASSERT_EQ(delegate->count("finished"), 1);
  parts.clear();
  for (const auto& t : tableRequests()) parts.push_back(t.qualifier);
  EXPECT_EQ(parts, (std::vector<std::string>{"file"}));
  EXPECT_EQ(acknowledgements(), (std::vector<std::string>{"product", "file"}));
  ASSERT_GE(delegate->events.size(), 2u);
  EXPECT_EQ(delegate->events[0], "imagesDone:1");
  EXPECT_EQ(delegate->events[1], "imagesDone:3");
  EXPECT_EQ(delegate->events.back(), "finished");
  EXPECT_EQ(clientFlag(SyncModel::kFileSynced), "synced");
  EXPECT_FALSE(clientFlag(SyncModel::kProductSynced));
  for (const auto& f : requestedFiles()) EXPECT_EQ(f.rfind("library/cover_image/", 0), 0u) << f;
  EXPECT_EQ(messagesNamed("getuserinfo").size(), 1u);
}

// The customer book's reply, past what the transport keeps of a reply in
// memory, lands whole from the disk, as sent and compressed. Past the room
// the disk has left as well, the run says that the data is too large for
// the device, and the book stays as it was; so it does for a small reply
// that would inflate past what a compressed reply may. No reply is left on
// the disk.
TEST_F(SyncEngineTest, ACustomerReplyPastTheMemoryBoundLandsFromTheDiskAndOnePastItsRoomIsTooLarge) {
  signIn();
  // The book's reply (some 17 kB) and the catalogue's pass the bound; the
  // other replies stay within it.
  auto settings = ctrl().settings();
  settings.messageBodyLimit = 8 << 10;
  ctrl().setSettings(settings);
  const auto expected = expectedTables(data(1));
  const auto book = [] {
    std::map<std::string, std::vector<test::Tuple>> rows;
    for (const char* table : {"marvisto_customer", "marvisto_customer_attribute", "marvisto_fields_customer_attribute",
                              "marvisto_customer_address", "marvisto_customer_contact"}) {
      rows[table] = SyncEngineTest::query(std::string("SELECT * FROM ") + table + " ORDER BY 1, 2");
    }
    return rows;
  };
  const auto expectWholeBook = [&] {
    const auto stored = storedTables();
    for (const auto& [table, rows] : book()) {
      ASSERT_TRUE(expected.count(table)) << table;
      EXPECT_EQ(stored.at(table), expected.at(table)) << table;
    }
    EXPECT_GT(expected.at("marvisto_customer").size(), 10u);
  };
  const auto repliesOnDisk = [] {
    std::error_code ec;
    std::size_t files = 0;
    const fs::path folder = base::Paths::tmp() / "replies";
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++files;
    return files;
  };
  const auto readBookAgain = [] {
    base::UserDefaults::standard().removeObject(std::string("acme-") + SyncModel::kCustomerSynced);
  };

  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  expectWholeBook();
  EXPECT_EQ(repliesOnDisk(), 0u);

  // Compressed, into an empty book.
  ASSERT_TRUE(execute("DELETE FROM marvisto_customer; DELETE FROM marvisto_customer_attribute; "
                      "DELETE FROM marvisto_customer_address; DELETE FROM marvisto_customer_contact;"));
  readBookAgain();
  FaultRule compressed;
  compressed.method = "syncData/customer";
  compressed.kind = FaultKind::Gzipped;
  compressed.chunkBytes = 0;
  compressed.times = 1;
  service->addFault(compressed);
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 2) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  EXPECT_EQ(tableRequests().back().fault, "gzipped");
  expectWholeBook();

  // The disk has no room above its margin: the reply cannot leave memory,
  // and it is past what memory may keep.
  const auto before = book();
  const std::uint64_t capacity = std::uint64_t{8} << 30;
  DiskRoom::setReading(
      [&](const fs::path&) { return std::optional(DiskRoom::Space{capacity, DiskRoom::kMarginBytes}); });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  readBookAgain();
  ASSERT_TRUE(runSync());
  EXPECT_EQ(tableRequests().back().qualifier, "customer");
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{test::textOfKey("REPLYTOOLARGE")});
  EXPECT_EQ(book(), before);
  EXPECT_FALSE(clientFlag(SyncModel::kCustomerSynced));
  EXPECT_EQ(repliesOnDisk(), 0u);

  // A disk of room to spare, and a reply of a few kilobytes that inflates
  // to many times the ceiling of what a compressed reply may inflate to:
  // its spill file stops there, and the run says the reply could not be
  // read, not that the device lacks room it has.
  std::uint64_t fullest = 0;
  DiskRoom::setReading([&](const fs::path&) {
    fullest = std::max<std::uint64_t>(fullest, test::bytesUnder(base::Paths::tmp() / "replies"));
    return std::optional(DiskRoom::Space{capacity, std::uint64_t{32} << 30});
  });
  settings.messageInflatedLimit = std::int64_t{8} << 20;
  ctrl().setSettings(settings);
  FaultRule bomb;
  bomb.method = "syncData/customer";
  bomb.kind = FaultKind::Gzipped;
  bomb.chunkBytes = std::size_t{64} << 20;
  bomb.times = 1;
  service->addFault(bomb);
  readBookAgain();
  ASSERT_TRUE(runSync());
  EXPECT_EQ(tableRequests().back().fault, "gzipped");
  EXPECT_EQ(delegate->breaks, (std::vector<std::string>{test::textOfKey("REPLYTOOLARGE"), test::textOfKey("115")}));
  EXPECT_EQ(book(), before);
  EXPECT_FALSE(clientFlag(SyncModel::kCustomerSynced));
  EXPECT_EQ(repliesOnDisk(), 0u);
  EXPECT_GT(fullest, 0u);
  EXPECT_LE(fullest, std::uint64_t{8} << 20);
}

// A customer book past what the transport holds in memory before it spills,
// on a disk whose room runs out before the reply ends: it lands from memory,
// sent compressed as sent plain, since memory may keep it. Past what memory
// may keep as well, the run says the data is too large for the device and
// the book stays as it was. No reply is left on the disk.
TEST_F(SyncEngineTest, ACompressedCustomerReplyTheDiskHasNoRoomForLandsFromMemoryWhenItFits) {
  signIn();
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  LargeBook book(*service);
  const fs::path folder = base::Paths::tmp() / "replies";
  // Room above the margin for five of the six megabytes, which the spill
  // file takes as it grows.
  const std::uint64_t room = std::uint64_t{5} << 20;
  DiskRoom::setReading([&](const fs::path&) {
    const std::uint64_t spilled = test::bytesUnder(folder);
    return std::optional(DiskRoom::Space{std::uint64_t{8} << 30, DiskRoom::kMarginBytes + room - std::min(room, spilled)});
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;

  const auto whole = LargeBook::whole();
  for (const bool compressed : {true, false}) {
    SCOPED_TRACE(compressed ? "compressed" : "plain");
    book.sendAgain(compressed);
    ASSERT_TRUE(runSync());
    EXPECT_EQ(tableRequests().back().fault, compressed ? "gzipped" : "content");
    EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
    EXPECT_EQ(LargeBook::landed(), whole);
    EXPECT_EQ(clientFlag(SyncModel::kCustomerSynced), "synced");
    EXPECT_EQ(filesIn(folder), 0u);
  }

  auto settings = ctrl().settings();
  settings.messageBodyLimit = std::int64_t{5} << 20;
  ctrl().setSettings(settings);
  book.sendAgain(true);
  ASSERT_TRUE(runSync());
  EXPECT_EQ(delegate->breaks, std::vector<std::string>{test::textOfKey("REPLYTOOLARGE")});
  EXPECT_EQ(LargeBook::landed(), LargeBook::none());
  EXPECT_FALSE(clientFlag(SyncModel::kCustomerSynced));
  EXPECT_EQ(filesIn(folder), 0u);
}

// The store of a reply takes the disk beside the reply while the reply is
// read: its rows in the database and, until they are in place, as many in
// its log. A customer reply leaves memory for the disk only where the disk
// has room above its margin for both; where it has room for the reply and
// the store but not for both, the reply stays in memory, compressed or not,
// and the room left never comes below the margin while it is stored.
TEST_F(SyncEngineTest, AReplyGoesToTheDiskOnlyWithRoomForItsStoreBesideIt) {
  signIn();
  ASSERT_TRUE(runSync());
  ASSERT_EQ(delegate->count("finished"), 1) << (delegate->breaks.empty() ? "" : delegate->breaks[0]);
  LargeBook book(*service);
  const fs::path folder = base::Paths::tmp() / "replies";
  const std::string database = SessionDatabase::open()->databasePath().string();
  const auto written = [&] {
    std::uint64_t bytes = test::bytesUnder(folder);
    for (const char* file : {"", "-wal", "-journal"}) {
      std::error_code ec;
      const auto size = fs::file_size(database + file, ec);
      if (!ec) bytes += size;
    }
    return bytes;
  };
  // This book's rows take about as many bytes as its reply (long addresses,
  // little else), and the one transaction that stores them as many again in
  // the log until the checkpoint has put them in place: the run is told its
  // store takes a little over twice the reply.
  auto settings = ctrl().settings();
  settings.spillStoreShare = 2.2;
  ctrl().setSettings(settings);
  // A disk with room above its margin for the reply and for its store, but
  // not for both; the spill file and the database's writes take it.
  const std::uint64_t room = book.size() * 27 / 10;
  std::mutex mutex;
  std::uint64_t before = 0;
  std::int64_t lowest = 0;
  const auto left = [&] {
    return static_cast<std::int64_t>(DiskRoom::kMarginBytes + room + before) - static_cast<std::int64_t>(written());
  };
  DiskRoom::setReading([&](const fs::path&) {
    std::lock_guard<std::mutex> lock(mutex);
    return std::optional(DiskRoom::Space{std::uint64_t{8} << 30, static_cast<std::uint64_t>(std::max<std::int64_t>(left(), 0))});
  });
  // The room left is read after every statement of the store. The
  // checkpoint then puts the log's pages in the database before the log is
  // cut back, which no statement sees: the database at its end beside the
  // log at its longest and the reply's file.
  std::uint64_t longestLog = 0;
  std::uint64_t largestReply = 0;
  static std::function<void()> statementDone;
  statementDone = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    lowest = std::min(lowest, left());
    std::error_code ec;
    longestLog = std::max<std::uint64_t>(longestLog, fs::file_size(database + "-wal", ec));
    largestReply = std::max(largestReply, test::bytesUnder(folder));
  };
  const auto watch = +[](sqlite3* db, char**, const void*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_PROFILE, [](unsigned, void*, void*, void*) {
      statementDone();
      return 0;
    }, nullptr);
    return SQLITE_OK;
  };
  const auto extension = reinterpret_cast<void (*)()>(watch);
  ASSERT_EQ(sqlite3_auto_extension(extension), SQLITE_OK);
  struct Restore {
    void (*extension)();
    ~Restore() {
      sqlite3_cancel_auto_extension(extension);
      DiskRoom::setReading(nullptr);
    }
  } restore{extension};

  for (const bool compressed : {true, false}) {
    SCOPED_TRACE(compressed ? "compressed" : "plain");
    book.sendAgain(compressed);
    {
      std::lock_guard<std::mutex> lock(mutex);
      before = written();
      lowest = std::numeric_limits<std::int64_t>::max();
      longestLog = 0;
      largestReply = 0;
    }
    ASSERT_TRUE(runSync());
    EXPECT_EQ(delegate->breaks, std::vector<std::string>{});
    EXPECT_EQ(LargeBook::landed(), LargeBook::whole());
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_LT(lowest, static_cast<std::int64_t>(DiskRoom::kMarginBytes + room));
    EXPECT_GE(lowest, static_cast<std::int64_t>(DiskRoom::kMarginBytes));
    const auto atCheckpoint = static_cast<std::int64_t>(DiskRoom::kMarginBytes + room + before) -
                              static_cast<std::int64_t>(fs::file_size(database) + longestLog + largestReply);
    EXPECT_GE(atCheckpoint, static_cast<std::int64_t>(DiskRoom::kMarginBytes));
    EXPECT_EQ(filesIn(folder), 0u);
  }
}

}  // namespace
}  // namespace mv
