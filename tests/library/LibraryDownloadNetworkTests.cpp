// Library downloads through the download manager against the local sales
// service: every document type arrives whole and is acknowledged, pauses
// resume with a real range request, cancels start afresh, a renamed file
// replaces its old version only once it has arrived, and a missing file, a
// dropped connection or a truncated body leave nothing half done.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "LibraryTestSupport.hpp"
#include "NetworkTestSupport.hpp"
#include "SessionScope.hpp"
#include "library/LibraryFeature.hpp"
#include "sales-service/SampleData.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/requests/RequestSyncFileTable.hpp"
#include "transport/FormDataRequest.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using test::EventLog;

class LibraryDownloadNetworkTest : public test::NetworkTest {
 protected:
  void SetUp() override {
    NetworkTest::SetUp();
    signIn();
    LibraryFeature::install(wiring);
    scope.emplace(Session::current(), wiring.services);
    services = scope->services();
    ASSERT_TRUE(services);
    loadTables();
    manager = services->get<SaleslibraryModel>();
    observer = std::make_shared<EventLog>("o", &events);
    manager->addObserver(observer);
  }

  void TearDown() override {
    manager.reset();
    services.reset();
    scope.reset();
    NetworkTest::TearDown();
  }

  void loadTables() {
    auto receiver = std::make_shared<test::Recorder>();
    auto files = replyTo<SyncFileTableRst>(std::make_shared<RequestSyncFileTable>(), receiver);
    ASSERT_TRUE(files && files->isSuccess() && files->libFileTable);
    ASSERT_TRUE(store().saveToDatabaseLibraryFiles(*files->libFileTable));
  }

  DataAccessManager& store() { return services->database(); }

  const std::string& servedBytes(const marvisto_library_files_Entity& file) {
    auto data = service->backend().currentData("acme");
    const int type = PublicFunction::getFileType(file.type);
    auto it = data->files.find(sales::SampleData::typePath(type) + "/" + file.file_name);
    EXPECT_NE(it, data->files.end()) << file.file_name;
    static const std::string none;
    return it == data->files.end() ? none : *it->second;
  }

  marvisto_library_files_Entity fileOfType(const std::string& type) {
    for (const auto& f : store().getAllLibFiles()) {
      if (f.type == type) return f;
    }
    ADD_FAILURE() << "no library file of type " << type;
    return {};
  }

  static fs::path pathOf(const std::string& name, const std::string& type) {
    return PublicFunction::filePathWithName(name, PublicFunction::getFileType(type)).value_or(fs::path());
  }

  static std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool waitForResult(const std::string& name, double timeout = 20) {
    return runUntil([&] { return std::count_if(events.begin(), events.end(), [&](const std::string& e) {
                                   return e.rfind("o result " + name + " ", 0) == 0;
                                 }) > 0; },
                    timeout);
  }
  std::string lastResultOf(const std::string& name) const {
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
      if (it->rfind("o result " + name + " ", 0) == 0) return it->substr(("o result " + name + " ").size());
    }
    return "";
  }
  std::vector<int64_t> acknowledged() const {
    return service->backend().receivedFiles("acme", "rep", "0123456789abcdef0123456789abcdef01234567");
  }
  void trickle(const std::string& name, std::size_t chunk, int times = -1) {
    FaultRule rule;
    rule.path = "*/" + name;
    rule.kind = FaultKind::Trickle;
    rule.chunkBytes = chunk;
    rule.seconds = 0.05;
    rule.times = times;
    service->addFault(rule);
  }

  FeatureWiring wiring;
  std::optional<test::SessionScope> scope;
  std::shared_ptr<SessionServices> services;
  std::shared_ptr<SaleslibraryModel> manager;
  std::shared_ptr<EventLog> observer;
  std::vector<std::string> events;
};

TEST_F(LibraryDownloadNetworkTest, EveryDocumentTypeArrivesWholeAndIsAcknowledged) {
  auto files = store().getAllLibFiles();
  std::set<std::string> types;
  for (const auto& f : files) types.insert(f.type);
  EXPECT_EQ(types, (std::set<std::string>{"PDF", "VEDIO", "EXCEL", "WORD", "EPUB", "PPT"}));
  for (const auto& f : files) EXPECT_GT(manager->downloadFile(f), 0) << f.file_name;
  ASSERT_TRUE(runUntil([&] { return manager->downloadFileNameArray().empty(); }, 60));
  std::set<int64_t> ids;
  for (const auto& f : files) {
    EXPECT_EQ(lastResultOf(f.file_name), "200") << f.file_name;
    EXPECT_TRUE(manager->isExists(f.file_id)) << f.file_name;
    EXPECT_TRUE(contentsOf(pathOf(f.file_name, f.type)) == servedBytes(f)) << f.file_name;
    // The whole file was reported before its completion, however small.
    auto done = std::find(events.begin(), events.end(), "o result " + f.file_name + " 200");
    EXPECT_NE(std::find(events.begin(), done, "o percent " + f.file_name + " 1.00"), done) << f.file_name;
    ids.insert(f.file_id);
  }
  ASSERT_TRUE(runUntil([&] { return acknowledged().size() >= files.size(); }));
  auto acks = acknowledged();
  EXPECT_EQ(std::set<int64_t>(acks.begin(), acks.end()), ids);
  EXPECT_EQ(acks.size(), files.size()) << "one acknowledgement per file";
}

TEST_F(LibraryDownloadNetworkTest, PauseResumesWithARangeAndCancelStartsAfresh) {
  const auto video = fileOfType("VEDIO");
  const std::string& bytes = servedBytes(video);
  ASSERT_GT(bytes.size(), 8000u);
  const fs::path partial = HttpNetworkCtrl::partialPathWithName(video.file_name, kFileTypeVideo);
  auto startAndPauseAtAQuarter = [&] {
    trickle(video.file_name, bytes.size() / 40, 1);
    EXPECT_GT(manager->downloadFile(video), 0);
    EXPECT_TRUE(runUntil([&] { return manager->getDownloadPercentage(video.file_name) > 0.25f; }));
    manager->pauseDownloadFile(video.file_name);
    EXPECT_TRUE(manager->isInPauseList(video.file_name));
    waitFor(0.2);
    std::error_code ec;
    return fs::file_size(partial, ec);
  };

  // Downloads the file again; the one request it made must have asked for
  // `range` and been answered with `status`.
  auto fetchAgain = [&](const std::string& range, int status) {
    service->clearRequestLog();
    ASSERT_GT(manager->downloadFile(video), 0);
    ASSERT_TRUE(waitForResult(video.file_name));
    EXPECT_EQ(lastResultOf(video.file_name), "200");
    EXPECT_TRUE(contentsOf(pathOf(video.file_name, video.type)) == bytes);
    ASSERT_EQ(fileRequests().size(), 1u);
    EXPECT_EQ(fileRequests()[0].range, range);
    EXPECT_EQ(fileRequests()[0].httpStatus, status);
  };
  auto deleteIt = [&] {
    ASSERT_TRUE(fs::remove(pathOf(video.file_name, video.type)));
    manager->removeExistsFiles(video.file_id);
    events.clear();
  };

  const auto kept = startAndPauseAtAQuarter();
  ASSERT_GT(kept, 0u);
  EXPECT_LT(kept, bytes.size());
  EXPECT_EQ(lastResultOf(video.file_name), "") << "a pause is no outcome";
  fetchAgain("bytes=" + std::to_string(kept) + "-", 206);

  // Deleted, fetched again, cancelled: the next download asks for all of it.
  deleteIt();
  ASSERT_GT(startAndPauseAtAQuarter(), 0u);
  manager->cancelDownloadFile(video.file_name);
  EXPECT_FALSE(fs::exists(partial));
  fetchAgain("", 200);

  // Partial data of another version of the file is not continued: the
  // service sends the whole file instead of the rest.
  deleteIt();
  const auto part = startAndPauseAtAQuarter();
  ASSERT_GT(part, 0u);
  const fs::path record = FormDataRequest::resumeRecordPath(partial);
  ASSERT_TRUE(fs::exists(record));
  std::ofstream(record, std::ios::trunc) << "\"another version\"\n" << bytes.size() << "\n";
  fetchAgain("bytes=" + std::to_string(part) + "-", 200);
  EXPECT_FALSE(fs::exists(record));
}

TEST_F(LibraryDownloadNetworkTest, RenamedFileReplacesItsOldVersionOnlyOnceArrived) {
  auto company = service->backend().company("acme");
  ASSERT_TRUE(company);
  const auto& changes = company->changes;
  auto old = store().getFilesByFileId(static_cast<int>(changes.renamedFileId));
  ASSERT_TRUE(old);
  ASSERT_EQ(old->file_name, changes.oldFileName);
  ASSERT_GT(manager->downloadFile(*old), 0);
  ASSERT_TRUE(waitForResult(old->file_name));
  const fs::path oldPath = pathOf(old->file_name, old->type);
  const std::string oldBytes = contentsOf(oldPath);

  // The service replaces the document; the refresh records the pending update.
  ASSERT_TRUE(service->backend().setDataVersion("acme", 2));
  loadTables();
  auto renewed = store().getFilesByFileId(old->file_id);
  ASSERT_TRUE(renewed);
  ASSERT_EQ(renewed->file_name, changes.newFileName);
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({old->file_id, old->file_name, old->type}));
  manager->loadExistsFiles();
  EXPECT_TRUE(manager->isExists(old->file_id)) << "the old version counts while the new one is missing";

  // The first attempt finds no file: the old version stays usable.
  service->addFault(FaultRule::fileStatus("*/" + renewed->file_name, 404));
  const std::size_t acksBefore = acknowledged().size();
  ASSERT_GT(manager->sendRequest(SaleslibraryModel::requestForFile(*renewed)), 0);
  ASSERT_TRUE(waitForResult(renewed->file_name));
  EXPECT_EQ(lastResultOf(renewed->file_name), "404");
  EXPECT_TRUE(store().getLibFileUpdateByFileID(old->file_id));
  EXPECT_TRUE(contentsOf(oldPath) == oldBytes);
  EXPECT_TRUE(manager->isExists(old->file_id));

  // Parts that stop short are no file either: the update, the old version
  // and the service's view stay as they were.
  service->clearFaults();
  FaultRule shortPart;
  shortPart.path = "*/" + renewed->file_name;
  shortPart.kind = FaultKind::WrongRange;
  shortPart.chunkBytes = 64;
  service->addFault(shortPart);
  events.clear();
  ASSERT_GT(manager->sendRequest(SaleslibraryModel::requestForFile(*renewed)), 0);
  ASSERT_TRUE(waitForResult(renewed->file_name));
  EXPECT_EQ(lastResultOf(renewed->file_name), "999");
  EXPECT_FALSE(fs::exists(pathOf(renewed->file_name, renewed->type)));
  EXPECT_TRUE(store().getLibFileUpdateByFileID(old->file_id));
  EXPECT_TRUE(contentsOf(oldPath) == oldBytes);
  waitFor(0.2);
  EXPECT_EQ(acknowledged().size(), acksBefore);

  service->clearFaults();
  events.clear();
  ASSERT_GT(manager->sendRequest(SaleslibraryModel::requestForFile(*renewed)), 0);
  ASSERT_TRUE(waitForResult(renewed->file_name));
  EXPECT_EQ(lastResultOf(renewed->file_name), "200");
  EXPECT_TRUE(contentsOf(pathOf(renewed->file_name, renewed->type)) == servedBytes(*renewed));
  EXPECT_FALSE(store().getLibFileUpdateByFileID(old->file_id));
  EXPECT_FALSE(fs::exists(oldPath));
  ASSERT_TRUE(runUntil([&] { return acknowledged().size() > acksBefore; }));
  EXPECT_EQ(acknowledged().back(), old->file_id);
}

// "Download all" of every file while the others come slowly: the one the
// service keeps refusing is tried again at once and told when it fails for
// good, not after the files queued behind it have arrived.
TEST_F(LibraryDownloadNetworkTest, AFileThatFailsInADownloadOfAllIsToldWhenItFails) {
  const auto files = store().getAllLibFiles();
  ASSERT_GE(files.size(), 5u);
  const std::string refused = files.front().file_name;
  service->addFault(FaultRule::fileStatus("*/" + refused, 500));
  FaultRule slow;
  slow.path = "*";
  slow.kind = FaultKind::Trickle;
  slow.chunkBytes = 16;
  slow.seconds = 0.05;
  service->addFault(slow);
  for (const auto& f : files) ASSERT_GT(manager->sendRequest(SaleslibraryModel::requestForFile(f)), 0);
  ASSERT_TRUE(waitForResult(refused, 10));
  EXPECT_EQ(lastResultOf(refused), "999");
  for (std::size_t i = 1; i < files.size(); ++i) {
    EXPECT_EQ(lastResultOf(files[i].file_name), "") << files[i].file_name << " ended before the refused file was told";
    EXPECT_TRUE(manager->isInDownloadList(files[i].file_name)) << files[i].file_name;
  }
}

TEST_F(LibraryDownloadNetworkTest, MissingFileDroppedConnectionAndTruncatedBodyFailCleanly) {
  const auto pdf = fileOfType("PDF");
  const auto word = fileOfType("WORD");
  const auto sheet = fileOfType("EXCEL");
  service->addFault(FaultRule::fileStatus("*/" + pdf.file_name, 404));
  FaultRule drop;
  drop.path = "*/" + word.file_name;
  drop.kind = FaultKind::Drop;
  service->addFault(drop);
  FaultRule cut;
  cut.path = "*/" + sheet.file_name;
  cut.kind = FaultKind::Truncate;
  // Every attempt (the first and three more) gets a tenth.
  cut.chunkBytes = servedBytes(sheet).size() / 10;
  service->addFault(cut);

  // The missing file first: connections dropped or cut three times in a row
  // take the server as gone, and end whatever else is under way to it.
  ASSERT_GT(manager->downloadFile(pdf), 0);
  ASSERT_TRUE(waitForResult(pdf.file_name));
  EXPECT_EQ(lastResultOf(pdf.file_name), "404");
  for (const auto* f : {&word, &sheet}) ASSERT_GT(manager->downloadFile(*f), 0);
  ASSERT_TRUE(runUntil([&] { return manager->downloadFileNameArray().empty(); }, 60));
  EXPECT_EQ(lastResultOf(word.file_name), "999");
  EXPECT_EQ(lastResultOf(sheet.file_name), "999");
  for (const auto* f : {&pdf, &word, &sheet}) {
    EXPECT_FALSE(fs::exists(pathOf(f->file_name, f->type))) << f->file_name;
    EXPECT_FALSE(manager->isExists(f->file_id));
  }
  waitFor(0.3);
  EXPECT_TRUE(acknowledged().empty());

  // Cut once, the next attempt continues where the cut left off.
  service->clearFaults();
  cut.times = 1;
  service->addFault(cut);
  service->clearRequestLog();
  events.clear();
  ASSERT_GT(manager->downloadFile(sheet), 0);
  ASSERT_TRUE(waitForResult(sheet.file_name));
  EXPECT_EQ(lastResultOf(sheet.file_name), "200");
  EXPECT_TRUE(contentsOf(pathOf(sheet.file_name, sheet.type)) == servedBytes(sheet));
  auto requests = fileRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].httpStatus, 206);
  EXPECT_NE(requests[1].range, "");
}

}  // namespace
}  // namespace mv
