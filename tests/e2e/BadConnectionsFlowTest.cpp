// The same day on a bad connection: the network goes away in the middle of
// the first sync, the service answers an order upload with a server error,
// and the session expires while the order list loads older orders. Each
// time the representative sees one alert, loses nothing kept on the device,
// and the next try succeeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "LibraryDay.hpp"
#include "PictureBytes.hpp"
#include "PictureRows.hpp"
#include "library/PPTLoadingViewController.hpp"
#include "library/reader/ReaderViewController.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/settings/SettingsCellEntity.hpp"
#include "shell/settings/SettingsViewController.hpp"
#include "library/SaleslibraryModel.hpp"
#include "catalog/DetailViewController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderHistoryModel.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "sales-service/SampleData.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/config/Language.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "shell/sync-screens/SyncScreenPresenter.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/SyncModel.hpp"
#include "util/JsonWriter.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using sales::FaultKind;
using sales::FaultRule;

class BadConnections : public LibraryDay {
 protected:
  // Long enough a limit that the estimate is seen withdrawn before a
  // stalled file gives up.
  BadConnections() { settings.downloadTimeOutSeconds = 4; }

  bool productPictureAsked() const {
    for (const auto& e : service->requestLog()) {
      if (e.endpoint == "file" && e.path.find("/product/") != std::string::npos) return true;
    }
    return false;
  }
  // Product pictures of the sample company missing on the device.
  int missingPictures() const {
    int missing = 0;
    for (const auto& [path, bytes] : service->backend().currentData("acme")->files) {
      if (path.rfind("product/", 0) != 0) continue;
      auto local = PublicFunction::filePathWithName(path.substr(path.find('/') + 1), 1);
      if (!local || !fs::exists(*local) || fs::file_size(*local) != bytes->size()) ++missing;
    }
    return missing;
  }
  int fileRequestsUnder(const std::string& folder) const {
    int asked = 0;
    for (const auto& e : service->requestLog()) asked += e.endpoint == "file" && e.path.find(folder) != std::string::npos;
    return asked;
  }
  // The product pictures of the sample company.
  int companyPictures() const {
    int pictures = 0;
    for (const auto& [path, bytes] : service->backend().currentData("acme")->files)
      pictures += path.rfind("product/", 0) == 0;
    return pictures;
  }
  // The parts of the table requests logged, each with its "isFull".
  std::vector<std::string> tablesAsked() const {
    std::vector<std::string> asked;
    for (const auto& e : service->requestLog()) {
      if (e.methodName == "syncData" && e.head == "SyncServer;")
        asked.push_back(e.qualifier + " " + e.parameters.value("isFull", std::string()));
    }
    return asked;
  }
  // "Resync all data" tapped in the settings and confirmed.
  void confirmResyncAllData() {
    SettingsViewController* settings = openSettings();
    ASSERT_TRUE(settings);
    const auto& rows = settings->groups().at(1);
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [](const auto& r) { return r.cellType == SettingsCellEntity::kFullSync; });
    ASSERT_NE(row, rows.end());
    settings->tableView()->tapRowAtIndexPath({1, static_cast<long>(row - rows.begin())});
    ASSERT_EQ(alertTitle(), en("FULLRESYNC"));
    press(1);
  }
  // The files a sign-in page was sent for, as the alert names them.
  std::vector<std::string> pageSentFor(const std::string& message) const {
    const std::string pattern = Language::format(en("SERVERSENDSPAGES"), {fileServer(), "|"});
    const auto bar = pattern.find('|');
    const std::string head = pattern.substr(0, bar), tail = pattern.substr(bar + 1);
    if (message.size() < head.size() + tail.size() || message.rfind(head, 0) != 0 ||
        message.compare(message.size() - tail.size(), tail.size(), tail) != 0)
      return {};
    std::vector<std::string> names;
    std::stringstream named(message.substr(head.size(), message.size() - head.size() - tail.size()));
    for (std::string name; std::getline(named, name, ',');) names.push_back(name.substr(name.front() == ' '));
    return names;
  }
  // Launches, signs in and answers the home screen's new-content question.
  void startAndSignIn() {
    start();
    ASSERT_TRUE(signIn());
    ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
    ASSERT_EQ(alertTitle(), en("CONTENTUPDATED"));
    press(1);
  }
  // Taps "Download all" on the Library tab and confirms it.
  void downloadAll() {
    tap(files().btnDownloadAll());
    ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
    ASSERT_EQ(alertTitle(), en("DOWNLOADALLFILES"));
    press(1);
  }
  std::vector<std::shared_ptr<QuoteOrderEntity>> unsubmitted() {
    return SessionDatabase::open().get()->fetchQuoteOrders(QuoteOrderHistoryModel::kUnsubmitted, "");
  }
};

TEST_F(BadConnections, ACutSyncAFailedUploadAndAnExpiredSessionLoseNothing) {
  // The network goes while the first product picture is on its way.
  FaultRule hang;
  hang.path = "*/product/*";
  hang.kind = FaultKind::Stall;
  hang.seconds = 0;
  service->addFault(hang);
  ASSERT_NO_FATAL_FAILURE(startAndSignIn());
  auto engine = SyncModel::sharedInstance();
  const auto data = service->backend().currentData("acme");

  openTab(MainTabScreens::kSync);
  tap(syncScreen()->resourceUpdateView().btnsync());
  ASSERT_TRUE(waitFor([&] { return productPictureAsked(); }, 30));
  service->stop();
  service->clearFaults();
  ASSERT_TRUE(waitFor([&] { return !engine->isDownloading(); }, 30));
  const auto cut = answerTheOneAlert(0);
  EXPECT_EQ(cut.first, en("UPDATEFAILED"));
  // The server that went away is named: the file server, not the message
  // server that answered all along.
  EXPECT_EQ(cut.second, Language::format(en("SERVERSTOPPEDANSWERING"), {fileServer()}));
  // What the messages brought is kept; pictures are missing.
  EXPECT_EQ(SessionDatabase::open().get()->getAllProducts().size(), data->products.size());
  EXPECT_GT(missingPictures(), 0);


  // Back on the network: the next run completes the pictures.
  std::string error;
  ASSERT_TRUE(service->start(&error)) << error;
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(missingPictures(), 0);

  // An order whose upload the service answers with a server error.
  ASSERT_TRUE(addFromGrid(1));
  ASSERT_TRUE(addFromGrid(2));
  QuoteOrderViewController* editor = ordersTab();
  ASSERT_TRUE(editor);
  const std::string customerName = data->customers.front().value().value("customerName", std::string());
  chooseCustomer(*editor, customerName);
  auto order = editor->quoteOrder();
  ASSERT_EQ(order->items.size(), 2u);
  ASSERT_NE(order->customerId, 0) << customerName << " / " << order->customerName << " / " << editor->txtCustomer().text();
  FaultRule broken;
  broken.method = "syncData/order";
  broken.kind = FaultKind::Html500;
  broken.times = 1;
  broken.process = false;
  service->addFault(broken);
  EXPECT_FALSE(editor->searchPopover()->isPopoverVisible());
  tap(editor->btnSubmit());
  const auto failed = answerTheOneAlert(0);
  EXPECT_EQ(failed.first, en("ORDERSUBMITFAILED"));
  // Kept on the device as it was, and not on the service.
  auto kept = unsubmitted();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0]->number, order->number);
  EXPECT_EQ(kept[0]->items.size(), 2u);
  EXPECT_EQ(kept[0]->customerId, order->customerId);
  EXPECT_TRUE(service->backend().uploadedOrders("acme").empty());
  EXPECT_FALSE(editor->btnSubmit().isHidden());
  // The next try goes through.
  tap(editor->btnSubmit());
  const auto submitted = answerTheOneAlert(0);
  EXPECT_EQ(submitted.first, en("ORDERSUBMITTED"));
  ASSERT_EQ(service->backend().uploadedOrders("acme").size(), 1u);
  EXPECT_EQ(service->backend().uploadedOrders("acme")[0].value("order_number", std::string()), order->number);
  EXPECT_TRUE(unsubmitted().empty());

  // A second order is kept unsubmitted; then the session expires while the
  // list pages down older orders.
  tap(editor->btnHistory());
  ASSERT_TRUE(addFromGrid(3));
  editor = ordersTab();
  ASSERT_TRUE(editor);
  tap(editor->btnSave());
  ASSERT_EQ(unsubmitted().size(), 1u);
  const std::string keptNumber = unsubmitted()[0]->number;
  tap(editor->btnHistory());
  auto list = orders();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->navigationController()->topViewController(), list.get());
  const int expiry = service->addFault(FaultRule::statusFor("getorderhistory", "101"));
  tapSegment(list->segments(), QuoteOrderHistoryModel::kSubmitted);
  dragUp(list->historyOrderTable());
  const auto expired = answerTheOneAlert(1);
  EXPECT_EQ(expired.second, en("101"));
  ASSERT_TRUE(waitFor([&] { return app->isWelcomeRoot(); }, 5));
  EXPECT_EQ(messages("getorderhistory").size(), 1u);

  // Signed in again: the unsubmitted order is there, and the older orders load.
  service->removeFault(expiry);
  ASSERT_TRUE(signIn());
  // Nothing new on the service since the last sync: no question.
  EXPECT_FALSE(alert()) << alertTitle();
  openTab(MainTabScreens::kQuoteOrder);
  list = orders();
  ASSERT_TRUE(list);
  ASSERT_EQ(unsubmitted().size(), 1u);
  EXPECT_EQ(unsubmitted()[0]->number, keptNumber);
  tapSegment(list->segments(), QuoteOrderHistoryModel::kSubmitted);
  const std::size_t before = list->selectOrders().size();
  dragUp(list->historyOrderTable());
  ASSERT_TRUE(waitFor([&] { return list->selectOrders().size() > before; }, 10));
  EXPECT_FALSE(alert()) << alertTitle();

  // The session expires while the kept order goes up: the shell's alert is
  // the only one, and the order stays unsubmitted.
  tapSegment(list->segments(), QuoteOrderHistoryModel::kUnsubmitted);
  ASSERT_EQ(list->selectOrders().size(), 1u);
  list->openOrderAtRow(0);
  editor = ordersTab();
  ASSERT_TRUE(editor);
  tap(editor->btnSave());  // Edit
  chooseCustomer(*editor, customerName);
  service->addFault(FaultRule::statusFor("syncData/order", "101"));
  ASSERT_TRUE(editor->btnSubmit().isEnabled());
  tap(editor->btnSubmit());
  const auto once = answerTheOneAlert(0);
  EXPECT_EQ(once.first, en("REQUIRELOGIN"));
  EXPECT_EQ(once.second, en("101"));
  ASSERT_EQ(unsubmitted().size(), 1u);
  EXPECT_EQ(unsubmitted()[0]->number, keptNumber);
}

TEST_F(BadConnections, AFileServerThatTricklesOrStallsEndsTheSyncWithTheAlertNamingIt) {
  start();
  StallingProxy& proxy = fileServerProxy();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("CONTENTUPDATED"));
  press(1);
  auto engine = SyncModel::sharedInstance();
  const std::string stopped = Language::format(en("SERVERSTOPPEDANSWERING"), {fileServer()});
  const ui::Label& timeLeft = syncScreen()->resourceUpdateView().lblRemainTime();

  // Each run is cut while its pictures come: once by a trickle of a byte
  // every half second, once by a network that keeps the connections open
  // and brings nothing. Each ends by itself with the one alert, and while
  // nothing arrives no time left is promised.
  for (const bool trickle : {true, false}) {
    SCOPED_TRACE(trickle ? "trickle" : "stall");
    service->clearRequestLog();
    proxy.pass();
    openTab(MainTabScreens::kSync);
    tap(syncScreen()->resourceUpdateView().btnsync());
    ASSERT_TRUE(waitFor([&] { return productPictureAsked(); }, 30));
    if (trickle) {
      proxy.trickle(0.5);
    } else {
      proxy.stall();
    }
    const double cutAt = base::RunLoop::main().now();
    const double quiet = SyncModel::estimateQuietSeconds();
    int withdrawn = 0;
    int promised = 0;
    ASSERT_TRUE(waitFor(
        [&] {
          if (engine->isDownloading() && base::RunLoop::main().now() - cutAt > quiet + 0.5) {
            promised += timeLeft.text() == en("TIMEREMAININGLESSAMINUTE") ? 1 : 0;
            withdrawn += timeLeft.text().empty() ? 1 : 0;
          }
          return !engine->isDownloading();
        },
        60));
    EXPECT_EQ(promised, 0) << "less than a minute was promised while nothing arrived";
    const auto cut = answerTheOneAlert(0);
    EXPECT_EQ(cut.first, en("UPDATEFAILED"));
    EXPECT_EQ(cut.second, stopped);
    EXPECT_GT(missingPictures(), 0);
    if (!trickle) {
      EXPECT_GT(withdrawn, 0) << "the estimate was never withdrawn while nothing arrived";
    }
  }

  // The network back: the next run brings every picture.
  proxy.pass();
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(missingPictures(), 0);
}

// A table reply whose head comes at once and whose body then drips a byte
// every half second is never silent: the run still ends within its bound,
// with the one alert naming the message server, and Get Updates works again.
// So does one sent at 150 bytes a second, above the floor of a moment but
// far below an honest slow link: it ends once its window of averaging has
// seen too few bytes, told as a service that answered too slowly. Both
// windows are of a few seconds here (15 s and a minute in use), the floor
// of a moment still the shorter.
TEST_F(BadConnections, AMessageServerThatDripsATableReplyEndsTheSyncWithTheAlertNamingIt) {
  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("CONTENTUPDATED"));
  press(0);  // later: from the Sync tab
  auto engine = SyncModel::sharedInstance();
  openTab(MainTabScreens::kSync);
  ui::Button& getUpdates = syncScreen()->resourceUpdateView().btnsync();
  const ServerInfo server = PublicFunction::GetServer();
  const std::string messageServer = server.strIP + ":" + std::to_string(server.httpPort);
  const HttpNetworkCtrl::Settings inUse = HttpNetworkCtrl::sharedInstance().settings();
  HttpNetworkCtrl::Settings network = inUse;
  network.messageTimeOutSeconds = 5;
  network.messageAverageFloorSeconds = 8;
  HttpNetworkCtrl::sharedInstance().setSettings(network);
  for (const auto& [bytes, seconds] : {std::pair<std::size_t, double>{1, 0.5}, std::pair<std::size_t, double>{150, 1.0}}) {
    SCOPED_TRACE(std::to_string(bytes) + " bytes every " + std::to_string(seconds) + " s");
    FaultRule drip;
    drip.method = "syncData/product";
    drip.kind = FaultKind::Trickle;
    drip.chunkBytes = bytes;
    drip.seconds = seconds;
    service->addFault(drip);
    tap(getUpdates);
    ASSERT_TRUE(engine->isDownloading());
    ASSERT_TRUE(waitFor([&] { return !engine->isDownloading(); }, 30));
    const auto cut = answerTheOneAlert(0);
    EXPECT_EQ(cut.first, en("UPDATEFAILED"));
    // A drip under the floor of a moment may be a lost link; one that keeps
    // above it but too slow on average came from a service that answered.
    if (bytes == 1)
      EXPECT_EQ(cut.second, en("999") + " " + Language::format(en("SERVERNOTREACHED"), {messageServer}));
    else
      EXPECT_EQ(cut.second, Language::format(en("SERVERTOOSLOW"), {messageServer}));
    EXPECT_TRUE(getUpdates.isEnabled());
    service->clearFaults();
  }
  HttpNetworkCtrl::sharedInstance().setSettings(inUse);

  // Once the replies flow again, the same button brings the catalogue.
  service->clearFaults();
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(SessionDatabase::open().get()->getAllProducts().size(), service->backend().currentData("acme")->products.size());
}

// A network that answers every address with its own sign-in page stands in
// front of the file server. Nothing it sends is taken for a picture or a
// document: the sync fails naming the files it was sent for, and once the
// page is gone the next sync brings them, the user's "Resync all data" every
// picture again, and the library's "Download all" behind the page marks
// nothing downloaded.
TEST_F(BadConnections, ASignInPageInPlaceOfTheFilesIsNeverTakenForThem) {
  start();
  StallingProxy& proxy = fileServerProxy();
  proxy.signInPage();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("CONTENTUPDATED"));
  press(1);
  auto engine = SyncModel::sharedInstance();
  const int pictures = companyPictures();
  ASSERT_TRUE(syncFromTab());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  picture("sync-behind-a-sign-in-page");
  const auto cut = answerTheOneAlert(0);
  EXPECT_EQ(cut.first, en("UPDATEFAILED"));
  // Named: files the device asked for (the skin's archive at the sign-in, pictures).
  const auto named = pageSentFor(cut.second);
  EXPECT_FALSE(named.empty()) << cut.second;
  const auto& company = service->backend().currentData("acme")->files;
  for (const auto& name : named) {
    EXPECT_TRUE(name == SkinManager::kSkinArchiveName || std::any_of(company.begin(), company.end(), [&](const auto& f) {
                  return f.first.size() > name.size() && f.first.ends_with("/" + name);
                })) << name;
  }
  EXPECT_EQ(missingPictures(), pictures);

  // The page gone: the next sync brings them all.
  proxy.pass();
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(missingPictures(), 0);

  // "Resync all data", as the user taps it, downloads every picture again.
  service->clearRequestLog();
  ASSERT_NO_FATAL_FAILURE(confirmResyncAllData());
  ASSERT_TRUE(waitFor([&] { return !engine->isDownloading() && fileRequestsUnder("/product/") >= pictures; }, 60));
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(fileRequestsUnder("/product/"), pictures);
  EXPECT_EQ(missingPictures(), 0);

  // "Download all" behind the page: one alert naming the server and the
  // files, and no document taken for downloaded. The alert gathers the
  // failures while the downloads go on; it is answered once they have all
  // ended (a reason that comes after the answer has an alert of its own).
  proxy.signInPage();
  openTab(MainTabScreens::kSalesLibrary);
  auto manager = SaleslibraryModel::sharedInstance();
  ASSERT_NO_FATAL_FAILURE(downloadAll());
  ASSERT_TRUE(waitFor([&] { return manager->downloadFileNameArray().empty(); }, 60));
  const auto failed = answerTheOneAlert(0);
  EXPECT_EQ(failed.first, en("FILEDOWNLOADFAILED"));
  // Each reason once: a document refused, and all of them once the server
  // is taken as sending pages.
  const auto& listed = files().libfilesArray();
  std::stringstream told(failed.second);
  for (std::string reason; std::getline(told, reason);) {
    EXPECT_TRUE(!pageSentFor(reason).empty() || std::any_of(listed.begin(), listed.end(), [&](const auto& f) {
                  return reason == Language::format(en("NOTTHEFILE"), {fileServer(), f.file_name});
                })) << reason;
  }
  for (const auto& f : listed) {
    EXPECT_FALSE(onDisk(f.title)) << f.title;
    EXPECT_FALSE(manager->isExists(f.file_id)) << f.title;
  }
}

// One picture on the service is broken: a page stands where it belongs. The
// first sync does not stop for it: it goes on to the customers, finishes,
// and then names the picture; once the picture is mended the next sync
// brings it.
// "Resync all data" confirmed while a sync is under way: that sync ends as
// it began, asking only for what changed, and the resync runs once it has
// finished, asking every table in full and every picture again.
TEST_F(BadConnections, AResyncConfirmedDuringASyncRunsOnceThatSyncHasFinished) {
  ASSERT_NO_FATAL_FAILURE(startAndSignIn());
  auto engine = SyncModel::sharedInstance();
  const int pictures = companyPictures();
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(missingPictures(), 0);

  // The next sync held at its customers, the last of its tables.
  FaultRule held = FaultRule::stallFor("syncData/customer", 0);
  held.times = 1;
  service->addFault(held);
  service->clearRequestLog();
  tap(syncScreen()->resourceUpdateView().btnsync());
  ASSERT_TRUE(waitFor([&] { return tablesAsked().size() == 3; }, 30));
  EXPECT_EQ(tablesAsked(), (std::vector<std::string>{"product false", "file false", "customer false"}));
  EXPECT_EQ(fileRequestsUnder("/product/"), 0);
  ASSERT_NO_FATAL_FAILURE(confirmResyncAllData());
  settle();
  EXPECT_EQ(tabBar()->iCurSelectTab(), MainTabScreens::kSync);
  ASSERT_TRUE(engine->isDownloading());

  service->clearRequestLog();
  service->releaseStalls();
  ASSERT_TRUE(waitFor([&] { return fileRequestsUnder("/product/") >= pictures && !engine->isDownloading(); }, 60))
      << fileRequestsUnder("/product/") << " of " << pictures << " pictures asked again";
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(fileRequestsUnder("/product/"), pictures);
  EXPECT_EQ(tablesAsked(), (std::vector<std::string>{"product true", "file true", "customer true"}));
  EXPECT_EQ(missingPictures(), 0);
  EXPECT_EQ(syncScreen()->resourceUpdateView().syncInfoProduc().lbprogressTxt(), en("COMPLETED"));

  // Asked once: the sync after it asks only for what changed.
  service->clearRequestLog();
  ASSERT_TRUE(syncFromTab());
  EXPECT_EQ(tablesAsked(), (std::vector<std::string>{"product false", "file false", "customer false"}));
  EXPECT_EQ(fileRequestsUnder("/product/"), 0);
}

TEST_F(BadConnections, OneBrokenPictureOnTheServiceFailsAloneAndTheSyncFinishes) {
  start();
  std::string broken;
  for (const auto& [path, bytes] : service->backend().currentData("acme")->files) {
    if (path.rfind("product/", 0) == 0 && path.ends_with(".jpg")) broken = path.substr(path.find('/') + 1);
  }
  ASSERT_FALSE(broken.empty());
  FaultRule page;
  page.path = "*/product/" + broken;
  page.kind = FaultKind::FileContent;
  page.content = "<!DOCTYPE html><html><body>The picture could not be found.</body></html>";
  service->addFault(page);
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  ASSERT_EQ(alertTitle(), en("CONTENTUPDATED"));
  press(1);
  ASSERT_TRUE(syncFromTab());
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  picture("sync-with-one-broken-picture");
  const auto told = answerTheOneAlert(0);
  EXPECT_NE(told.first, en("UPDATEFAILED"));
  EXPECT_EQ(told.second, Language::format(en("SYNCFILESNOTRECEIVED"), {broken}));
  EXPECT_EQ(missingPictures(), 1);
  EXPECT_EQ(SessionDatabase::open().get()->getAllCustomers(true).size(),
            service->backend().currentData("acme")->customers.size());
  EXPECT_TRUE(SyncScreenPresenter::storedLastSync());

  service->clearFaults();
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(missingPictures(), 0);
}

// A big company's files come in every honest shape from a file server in
// front of the service: a photo larger than the decoder draws, pictures the
// decoder does not read (HEIC, ICO, SVG, PSD, JPEG XL, TGA, PCX, QOI, a
// compressed or UTF-16 SVG, one whose drawing starts past 16 KB, EMF), JPEGs
// without their end marker, a PNG without IEND, catalogues exported again 30 %
// larger than listed, a presentation of 1.39 MB listed as "0.00 M", a price
// list saved as an HTML table under .xls. The sync finishes and Download all
// brings every document; each file is kept as sent and opens, or shows as too
// large to draw or as the standard picture, and nothing is told as a sign-in
// page nor fetched again. A camera's picture cut inside its data (its
// thumbnail's end marker near the cut) is refused, named as cut short, and
// the next sync brings it whole. Three pictures cut short and one swapped for
// another's bytes cut short in one run are each named, and that sync
// finishes too.
TEST_F(BadConnections, HonestFilesOfEveryShapeAreKeptAndOnlyAPictureCutShortIsFetchedAgain) {
  const auto data = service->backend().currentData("acme");
  std::vector<std::string> pictures;
  for (const auto& [path, bytes] : data->files)
    if (path.rfind("product/", 0) == 0 && path.ends_with(".jpg")) pictures.push_back(path.substr(8));
  ASSERT_GE(pictures.size(), 18u);
  const auto served = [&](const std::string& name) { return *data->files.at("product/" + name); };
  const auto bytesOf = [](const std::optional<std::vector<std::uint8_t>>& encoded) {
    return encoded ? std::string(encoded->begin(), encoded->end()) : std::string();
  };
  // What the file server sends in place of the service's own pictures.
  std::map<std::string, std::string> variants;
  const fs::path photo = root / "photo.jpg";
  ASSERT_TRUE(writePictureRows(photo, PictureKind::BaselineJpeg, 8192, 5504, 85, [](std::uint8_t* row, int y) {
    for (int x = 0; x < 8192 * 3; ++x) row[x] = static_cast<std::uint8_t>((x >> 4) + (y >> 3));
  }));
  std::ifstream in(photo, std::ios::binary);
  variants[pictures[0]] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  variants[pictures[1]] = std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24) + std::string(400, '\x11');
  variants[pictures[2]] = std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0", 14) + std::string(1100, '\0');
  variants[pictures[3]] = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\">"
                          "<rect width=\"8\" height=\"8\" fill=\"red\"/></svg>\n";
  for (int i = 4; i < 7; ++i) {
    const std::string own = served(pictures[i]);
    ASSERT_TRUE(own.ends_with("\xFF\xD9")) << pictures[i];
    variants[pictures[i]] = own.substr(0, own.size() - 2);
  }
  const std::string png = bytesOf(gfx::ImageData(40, 30).encodePNG());
  variants[pictures[7]] = png.substr(0, png.size() - 12);
  // A camera's picture: its EXIF block holds a thumbnail with its own end
  // marker, which a cut in the first scan leaves in the last kilobyte.
  const std::string thumb = bytesOf(gfx::ImageData(8, 8).encodeJPEG(0.5));
  const std::string exif = "Exif" + std::string(2, '\0') + thumb;
  const std::string camera = "\xFF\xD8\xFF\xE1" + std::string(1, static_cast<char>((exif.size() + 2) >> 8)) +
                             std::string(1, static_cast<char>((exif.size() + 2) & 0xFF)) + exif +
                             served(pictures[8]).substr(2);
  const std::string cameraCut = camera.substr(0, camera.find("\xFF\xDA", 6 + exif.size()) + 300);
  ASSERT_LT(cameraCut.size() - cameraCut.rfind("\xFF\xD9"), 1024u);
  // Kinds the decoder does not read: the screens show the standard picture.
  const auto undrawn = test::picturesOfOtherKinds();
  for (std::size_t i = 0; i < undrawn.size(); ++i) variants[pictures[9 + i]] = undrawn[i].second;
  for (const auto& [name, bytes] : variants) {
    FaultRule variant;
    variant.path = "*/product/" + name;
    variant.kind = FaultKind::FileContent;
    variant.content = bytes;
    service->addFault(variant);
  }
  // The cut one comes for the run's first try and its retry, whole after.
  FaultRule cut;
  cut.path = "*/product/" + pictures[8];
  cut.kind = FaultKind::FileContent;
  cut.content = cameraCut;
  cut.times = 2;
  service->addFault(cut);
  cut.content = camera;
  cut.times = -1;
  service->addFault(cut);
  // A catalogue, a guide and a book exported again 30 % larger than their
  // listings say.
  std::map<std::string, std::pair<int, std::string>> documents;
  for (const auto& [path, bytes] : data->files) {
    for (const int type : {kFileTypePdf, kFileTypeWord, kFileTypeEPub}) {
      const std::string folder = sales::SampleData::typePath(type) + "/";
      if (path.rfind(folder, 0) == 0)
        documents[path.substr(folder.size())] = {type, *bytes + std::string(bytes->size() * 3 / 10, ' ')};
    }
  }
  ASSERT_EQ(documents.size(), 3u);
  // The guide, grown to 1.39 MB, whose listing says "0.00 M".
  std::string presentation;
  for (auto& [name, document] : documents) {
    if (document.first != kFileTypeWord) continue;
    document.second.resize(1457520, ' ');
    presentation = name;
  }
  ASSERT_FALSE(presentation.empty());
  ASSERT_GT(documents[presentation].second.size(), std::size_t{1} << 20);
  // A price list listed as a spreadsheet of the old format that is an HTML table.
  const std::string table = "<html><head><meta charset=\"utf-8\"></head><body><table><tr><td>SKU</td><td>Price</td></tr>"
                            "<tr><td>SKU-1001</td><td>12.50</td></tr></table></body></html>\n";
  documents["pricelist_1.xls"] = {kFileTypeExcel, table};
  for (const auto& [name, document] : documents) {
    FaultRule variant;
    variant.path = "*/" + name;
    variant.kind = FaultKind::FileContent;
    variant.content = document.second;
    service->addFault(variant);
  }
  base::Value listed = sales::DataSet::toJson(data->libraryFiles);
  for (auto& row : listed) {
    const std::string name = row.value("fileName", std::string());
    if (name == presentation) {
      const std::string info = row.value("info", std::string());
      row["info"] = info.substr(0, info.find('/')) + "/0.00 M";
    }
    if (name != "pricelist_1.xlsx") continue;
    row["fileName"] = "pricelist_1.xls";
    row["info"] = "XLS/0.01 M";
  }
  base::Value content = base::Value::array();
  content.push_back(std::move(listed));
  content.push_back(sales::DataSet::toJson(data->libraryCategories));
  content.push_back(base::Value{{"keyIDS", ""}});
  const auto json = JsonWriter().stringWithObject(content);
  ASSERT_TRUE(json);
  FaultRule listing = FaultRule::contentFor("syncData/file", *json);
  listing.times = 1;
  service->addFault(listing);

  ASSERT_NO_FATAL_FAILURE(startAndSignIn());
  ASSERT_TRUE(syncFromTab());
  const auto told = answerTheOneAlert(0);
  EXPECT_NE(told.first, en("UPDATEFAILED"));
  EXPECT_EQ(told.second, Language::format(en("SYNCFILESCUTSHORT"), {pictures[8]}));
  EXPECT_TRUE(pageSentFor(told.second).empty()) << told.second;
  const auto local = [](const std::string& name, int type) {
    return PublicFunction::filePathWithName(name, type).value_or(fs::path());
  };
  const auto onDevice = [](const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : "<missing>";
  };
  // Every picture kept as sent; those drawn here open, the photo larger
  // than the decoder draws shows as too large, as screens show it.
  for (const auto& [name, bytes] : variants) EXPECT_TRUE(onDevice(local(name, 1)) == bytes) << name;
  EXPECT_FALSE(fs::exists(local(pictures[8], 1)));
  EXPECT_FALSE(gfx::ImageData::decodeFileFitting(local(pictures[0], 1), 200, 200));
  for (int i = 4; i < 8; ++i) EXPECT_TRUE(gfx::ImageData::decodeFileFitting(local(pictures[i], 1), 200, 200)) << i;
  const auto standard = PublicFunction::getLocalPicture("", kFileTypeProductImage, 200, 200);
  ASSERT_TRUE(standard);
  for (std::size_t i = 0; i < undrawn.size(); ++i)
    EXPECT_EQ(PublicFunction::getLocalPicture(pictures[9 + i], kFileTypeProductImage, 200, 200), standard)
        << undrawn[i].first;
  EXPECT_EQ(SessionDatabase::open().get()->getAllCustomers(true).size(), data->customers.size());

  // Download all: every document arrives and is kept as sent.
  openTab(MainTabScreens::kSalesLibrary);
  auto manager = SaleslibraryModel::sharedInstance();
  ASSERT_NO_FATAL_FAILURE(downloadAll());
  ASSERT_TRUE(waitFor([&] { return manager->downloadFileNameArray().empty(); }, 120));
  settle(0.5);
  EXPECT_FALSE(alert()) << alertTitle();
  for (const auto& f : files().libfilesArray()) EXPECT_TRUE(onDisk(f.title)) << f.title;
  for (const auto& [name, document] : documents) EXPECT_TRUE(onDevice(local(name, document.first)) == document.second) << name;
  // The larger catalogue opens in the reader, the HTML table in the office viewer.
  tapFile("Catalogue 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<ReaderViewController*>(top()) != nullptr; }, 10));
  auto* reader = dynamic_cast<ReaderViewController*>(top());
  EXPECT_TRUE(waitFor([&] { return reader->document()->pageCount().value_or(0) > 0; }, 10));
  viewers()->popViewControllerAnimated(false);
  settle();
  tapFile("Pricelist 1");
  ASSERT_TRUE(waitFor([&] { return dynamic_cast<PPTLoadingViewController*>(top()) != nullptr; }, 5));
  auto* sheet = dynamic_cast<PPTLoadingViewController*>(top());
  ASSERT_TRUE(waitFor([&] { return !sheet->isLoading(); }, 180));
  EXPECT_FALSE(sheet->loadFailed());
  viewers()->popViewControllerAnimated(false);
  settle();

  // The next sync, with nothing new on the service, brings the cut picture
  // whole and fetches no other again.
  service->clearRequestLog();
  ASSERT_TRUE(syncFromTab());
  EXPECT_FALSE(alert()) << alertTitle();
  EXPECT_EQ(fileRequestsUnder("/product/"), 1);
  EXPECT_TRUE(onDevice(local(pictures[8], 1)) == camera);
  for (const auto& [name, bytes] : variants) EXPECT_TRUE(onDevice(local(name, 1)) == bytes) << name;

  // Four pictures gone from the device come back, for both tries, three cut
  // short and one as another picture's bytes cut short: none is a page, so
  // the sync finishes and names each, rather than stopping as behind a
  // sign-in page.
  std::vector<std::string> lost;
  for (const auto& product : data->products) {
    const base::Value row = product.value();
    for (const auto& image : row["images"]) {
      const std::string name = image.value("fullAddress", std::string());
      if (lost.size() < 4 && data->files.count("product/" + name) && !variants.count(name) && name != pictures[8] &&
          std::find(lost.begin(), lost.end(), name) == lost.end())
        lost.push_back(name);
    }
  }
  ASSERT_EQ(lost.size(), 4u);
  for (std::size_t i = 0; i < lost.size(); ++i) {
    FaultRule bad;
    bad.path = "*/product/" + lost[i];
    bad.kind = FaultKind::FileContent;
    const std::string& own = served(lost[i < 3 ? i : 0]);
    bad.content = own.substr(0, own.size() * 2 / 3);
    bad.times = 2;
    service->addFault(bad);
    ASSERT_TRUE(fs::remove(local(lost[i], 1)));
  }
  ASSERT_TRUE(syncFromTab());
  const auto named = answerTheOneAlert(0);
  EXPECT_NE(named.first, en("UPDATEFAILED"));
  std::sort(lost.begin(), lost.end());
  EXPECT_EQ(named.second, Language::format(en("SYNCFILESCUTSHORT"),
                                           {lost[0] + ", " + lost[1] + ", " + lost[2] + ", " + lost[3]}));
  for (const auto& name : lost) EXPECT_FALSE(fs::exists(local(name, 1))) << name;
}

}  // namespace
}  // namespace mv::test
