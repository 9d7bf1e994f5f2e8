// Whole syncs started from the Sync tab against the local sales service: the
// rows' progress texts and the time left as the engine reports them, the last
// sync time afterwards, the badge and the sync icon, a run the engine asks
// for on a cellular network, a full resync the service asked for, and the
// failure alert of a run broken by an injected fault. Pictures of the tab
// during and after a run are written as PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>

#include "SyncEngineTestSupport.hpp"
#include "SyncScreenTestSupport.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/sync-screens/SyncViewController.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "transport/Transfer.hpp"
#include "platform/base/RunLoop.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultRule;

// What the tab showed at each report of the engine.
struct Shown {
  int kind;
  float progress;
  int remain;
  std::string timeLeft;
  std::string rowText;
};

class RecordingSyncScreen : public SyncViewController {
 public:
  using SyncViewController::SyncViewController;
  std::vector<Shown> shown;
  std::vector<std::string> breaks;
  int finishes = 0;
  std::function<void()> onReport;

  void setProgress(float progress, int imageType, int remainTime) override {
    SyncViewController::setProgress(progress, imageType, remainTime);
    const SyncRow row = imageType == 1 ? SyncRow::Products : SyncRow::Material;
    shown.push_back({imageType, progress, remainTime, resourceUpdateView().lblRemainTime().text(),
                     resourceUpdateView().row(row).lbprogressTxt()});
    if (onReport) onReport();
  }
  void breakSync(const std::string& message) override {
    breaks.push_back(message);
    SyncViewController::breakSync(message);
  }
  void finishedSync() override {
    ++finishes;
    SyncViewController::finishedSync();
  }
  int ends() const { return finishes + static_cast<int>(breaks.size()); }
};

class SyncScreenFlowTest : public test::SyncEngineTest {
 protected:
  void SetUp() override {
    SyncEngineTest::SetUp();
    test::resetToolkit();
    test::installEnglishTexts();
    host = std::make_shared<test::FakeSyncScreenHost>();
    SyncScreenHost::install(host);
    shots = root / "snapshots";
    fs::create_directories(shots);
  }
  void TearDown() override {
    window.reset();
    screen.reset();
    SyncScreenHost::install(nullptr);
    PublicFunction::setInterfaceLanguageProvider(nullptr);
    test::resetToolkit();
    SyncEngineTest::TearDown();
  }
  void show() {
    screen = std::make_shared<RecordingSyncScreen>(services);
    window = std::make_unique<test::ScreenWindow>(screen);
  }
  ResourceUpdateView& panel() { return screen->resourceUpdateView(); }
  bool waitForEnd(int before, double seconds = 60) {
    return runUntil([&] { return screen->ends() > before; }, seconds);
  }
  std::shared_ptr<ui::AlertView> alert() { return ui::AlertView::visibleAlert(); }
  // Until the last alert has faded out, its dimming takes the taps.
  bool alertsGone() {
    return runUntil([] { return ui::AlertView::showingAlerts().empty(); }, 2);
  }

  std::shared_ptr<test::FakeSyncScreenHost> host;
  std::shared_ptr<RecordingSyncScreen> screen;
  std::unique_ptr<test::ScreenWindow> window;
  fs::path shots;
};

// The whole-number figure of a progress text ("46%", as every row writes
// it), checked against the share it stands for.
void expectPercent(const std::string& text, double share) {
  static const std::regex figure("^([0-9]+)%$");
  std::smatch m;
  ASSERT_TRUE(std::regex_match(text, m, figure)) << text;
  // Whole per cents, rounded down: a share short of whole never reads 100.
  const double shownPercent = std::stod(m[1].str());
  EXPECT_LE(shownPercent, share * 100 + 1e-2) << text << " for " << share;
  EXPECT_GT(shownPercent, share * 100 - 1) << text << " for " << share;
}

TEST_F(SyncScreenFlowTest, AWholeSyncFromTheTabShowsItsProgressAndTheLastSyncTime) {
  signIn();
  show();
  auto engine = SyncModel::sharedInstance();
  // The home screen's "later" left the badge on the tab.
  engine->setShowUpdate(true);
  bool pictured = false;
  screen->onReport = [&] {
    const Shown& last = screen->shown.back();
    if (!pictured && last.kind == 4 && last.progress >= 0.3f && last.progress < 1.0f) {
      pictured = true;
      window->snapshot(shots, "sync-tab-running");
    }
  };

  // The tap runs what is waiting on the loop; the service holds the run's
  // first table reply so that it cannot move the rows past "Checking" before
  // the checks below read them. The account and settings requests the run
  // sends beside it may reach the service first, so the stall names the
  // table method.
  // (Held well within the time-out, so that a slow machine does not fail it.)
  test::service_kit::useSettings(test::ServiceSettings::patient());
  FaultRule held = FaultRule::stallFor("syncData", 1.5);
  held.times = 1;
  service->addFault(held);
  ASSERT_TRUE(window->driver().tap(panel().btnsync()));
  // The run is under way: button off, time label on, icon blinking, badge gone.
  EXPECT_TRUE(engine->isDownloading());
  EXPECT_FALSE(panel().btnsync().isEnabled());
  EXPECT_FALSE(panel().lblRemainTime().isHidden());
  // "Checking...", with how far the removal of changed files is once it
  // reports.
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt().rfind(test::textOf("CHECKING"), 0), 0u)
      << panel().syncInfoProduc().lbprogressTxt();
  EXPECT_EQ(host->blinkStarts, 1);
  EXPECT_TRUE(host->blinking);
  EXPECT_FALSE(engine->showUpdate());
  EXPECT_EQ(host->badges, std::vector<std::string>{""});
  ASSERT_TRUE(waitForEnd(0));
  ASSERT_EQ(screen->finishes, 1) << (screen->breaks.empty() ? "" : screen->breaks[0]);

  // Every report: the row's text for its share, and the time left.
  ASSERT_FALSE(screen->shown.empty());
  std::set<int> kinds;
  std::string label;
  for (const Shown& s : screen->shown) {
    kinds.insert(s.kind);
    if (s.remain <= 60) {
      EXPECT_EQ(s.timeLeft, test::textOf("TIMEREMAININGLESSAMINUTE"));
      label = s.timeLeft;
    } else if ((s.remain + 59) / 60 <= 1000) {
      EXPECT_NE(s.timeLeft.find(std::to_string((s.remain + 59) / 60)), std::string::npos) << s.timeLeft;
      label = s.timeLeft;
    } else if (s.remain == SyncModel::kRemainTimeUnknown) {
      // No estimate yet: none is shown, and no earlier one stays behind.
      EXPECT_EQ(s.timeLeft, "");
      label.clear();
    } else {
      EXPECT_EQ(s.timeLeft, label) << "an estimate past what is shown leaves the label as it was";
    }
    if (s.progress >= 1.0f) {
      if (s.kind == 3) {
        EXPECT_EQ(s.rowText, "20%");
      } else {
        EXPECT_EQ(s.rowText, test::textOf("COMPLETED"));
      }
    } else if (s.kind == 1) {
      expectPercent(s.rowText, s.progress);
    } else if (s.kind == 3) {
      expectPercent(s.rowText, s.progress * 0.2);
    } else if (s.kind == 4) {
      expectPercent(s.rowText, 0.2 + s.progress * 0.8);
    }
  }
  EXPECT_EQ(kinds, (std::set<int>{1, 3, 4}));
  EXPECT_TRUE(pictured);

  // Done: every row full, the time of this sync on each, idle again.
  const auto stamp = clientFlag(SyncModel::kLastSync);
  ASSERT_TRUE(stamp);
  const auto expectedDate = SyncScreenPresenter::lastSyncText(stamp, kShortDateFormat);
  ASSERT_TRUE(expectedDate);
  for (SyncRow row : {SyncRow::Products, SyncRow::Material, SyncRow::Customers}) {
    EXPECT_EQ(panel().row(row).progress(), 1.0f);
    EXPECT_EQ(panel().row(row).lbprogressTxt(), test::textOf("COMPLETED"));
    EXPECT_EQ(panel().row(row).lbDatevalue().text(), *expectedDate);
  }
  EXPECT_FALSE(engine->isDownloading());
  EXPECT_TRUE(panel().btnsync().isEnabled());
  EXPECT_TRUE(panel().lblRemainTime().isHidden());
  EXPECT_FALSE(host->blinking);
  EXPECT_EQ(panel().labelBgDownload().alpha(), 0);
  EXPECT_FALSE(alert());
  window->snapshot(shots, "sync-tab-finished");
  EXPECT_TRUE(fs::file_size(shots / "sync-tab-finished.png") > 0);
}

// The products' thumbnails and half of their pictures come at once, the
// other half at 700 bytes a second in all, with most of their bytes still
// to come: the tab never says that less than a minute is left. Once the
// rate has been measured for a few seconds it says how many minutes, not
// far fewer than the bytes still to come take at the rate they come.
TEST_F(SyncScreenFlowTest, PicturesComingSlowlyAreNeverToldAsLessThanAMinuteAway) {
  signIn();
  show();
  sales::FaultRule slow;
  slow.path = "*/product/*.jpg";
  slow.kind = sales::FaultKind::Trickle;
  slow.chunkBytes = 70;
  slow.seconds = 0.3;
  service->addFault(slow);
  const auto data = service->backend().currentData("acme");
  ASSERT_TRUE(data);
  double pictureBytes = 0;
  for (const auto& [path, bytes] : data->files)
    if (path.rfind("product/", 0) == 0 && path.ends_with(".jpg")) pictureBytes += static_cast<double>(bytes->size());

  std::set<std::string> shown;
  auto look = [&] {
    shown.insert(panel().lblRemainTime().text());
    return false;
  };
  ASSERT_TRUE(window->driver().tap(panel().btnsync()));
  ASSERT_TRUE(runUntil([&] { return look() || !fileRequests().empty(); }, 30));
  const auto& loop = base::RunLoop::main();
  const double began = loop.now();
  // The fast files come within the first seconds; the slow ones' rate after.
  runUntil([&] { return look() || loop.now() - began > 3; }, 20);
  const double slowFrom = loop.now();
  const std::uint64_t slowBytes = Transfer::bytesMoved();
  runUntil([&] { return look() || loop.now() - began > SyncModel::kRateSeconds + 4; }, 20);
  const double rate = static_cast<double>(Transfer::bytesMoved() - slowBytes) / (loop.now() - slowFrom);
  EXPECT_EQ(shown.count(test::textOf("TIMEREMAININGLESSAMINUTE")), 0u) << "less than a minute was promised";
  // The slow pictures' bytes left (at least: what came at their rate all
  // along, and half again) at the rate they come, in whole minutes.
  const double brought = rate * (loop.now() - began) * 1.5;
  const int minutes = static_cast<int>((pictureBytes - brought) / rate / 60);
  ASSERT_GT(minutes, 1) << "the pictures would be here within the test: " << pictureBytes << " bytes at " << rate;
  static const std::regex figure("([0-9]+)");
  std::smatch m;
  const std::string now = panel().lblRemainTime().text();
  ASSERT_TRUE(std::regex_search(now, m, figure)) << "no minutes told: \"" << now << "\"";
  EXPECT_GE(std::stoi(m[1].str()), minutes / 2) << now;
}

// The products' pictures all come and their row says so; the sales
// materials' trickle in with most of their bytes to come: the time left is
// theirs, never less than a minute.
TEST_F(SyncScreenFlowTest, ProductsDoneWithMaterialsStillComingSlowlyLeaveMoreThanAMinute) {
  signIn();
  show();
  for (const char* path : {"*/icon/*", "*/library/cover_image/*"}) {
    sales::FaultRule slow;
    slow.path = path;
    slow.kind = sales::FaultKind::Trickle;
    slow.chunkBytes = 70;
    slow.seconds = 0.3;
    service->addFault(slow);
  }
  std::set<std::string> shown;
  const auto productsDone = [&] {
    shown.insert(panel().lblRemainTime().text());
    return panel().syncInfoProduc().lbprogressTxt() == test::textOf("COMPLETED");
  };
  ASSERT_TRUE(window->driver().tap(panel().btnsync()));
  ASSERT_TRUE(runUntil(productsDone, 60));
  const auto& loop = base::RunLoop::main();
  const double done = loop.now();
  runUntil([&] { return !productsDone() || loop.now() - done > 2; }, 10);
  ASSERT_NE(panel().row(SyncRow::Material).lbprogressTxt(), test::textOf("COMPLETED"));
  EXPECT_EQ(shown.count(test::textOf("TIMEREMAININGLESSAMINUTE")), 0u) << "less than a minute was promised";
}

TEST_F(SyncScreenFlowTest, AnInjectedFaultEndsTheRunWithTheFailureAlert) {
  signIn();
  show();
  service->addFault(FaultRule::statusFor("syncData/customer", "500"));
  window->driver().tap(panel().btnsync());
  ASSERT_TRUE(waitForEnd(0));
  ASSERT_EQ(screen->breaks.size(), 1u);
  EXPECT_EQ(screen->finishes, 0);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 255);
  EXPECT_EQ(alert()->title(), test::textOf("UPDATEFAILED"));
  EXPECT_EQ(alert()->message(), screen->breaks[0]);
  EXPECT_EQ(ui::AlertView::showingAlerts().size(), 1u);
  // Nothing was stamped, so no sync time is shown; the parts done stay full,
  // before and after the alert is answered, as their files stay on disk.
  EXPECT_FALSE(clientFlag(SyncModel::kLastSync));
  EXPECT_EQ(panel().syncInfoCustomer().lbDatevalue().text(), test::textOf("NORECORD"));
  EXPECT_EQ(panel().syncInfoProduc().progress(), 1.0f);
  const std::string productsShown = panel().syncInfoProduc().lbprogressTxt();
  EXPECT_TRUE(panel().btnsync().isEnabled());
  EXPECT_FALSE(host->blinking);
  window->snapshot(shots, "sync-tab-failed");
  window->driver().pressAlertButton(0);
  ASSERT_TRUE(alertsGone());
  EXPECT_EQ(panel().syncInfoProduc().progress(), 1.0f);
  EXPECT_EQ(panel().syncInfoProduc().lbprogressTxt(), productsShown);

  // A service that drops the connection is named in the alert.
  service->clearFaults();
  service->addFault(FaultRule::dropFor("syncData/customer"));
  window->driver().tap(panel().btnsync());
  ASSERT_TRUE(waitForEnd(1));
  ASSERT_TRUE(alert());
  const ServerInfo server = PublicFunction::GetServer();
  EXPECT_EQ(alert()->message(), test::textOf("999") + " The sales service at " + server.strIP + ":" +
                                    std::to_string(server.httpPort) + " could not be reached.");
  window->driver().pressAlertButton(0);
  ASSERT_TRUE(alertsGone());

  // The next tap runs again, and this time it goes through.
  service->clearFaults();
  window->driver().tap(panel().btnsync());
  ASSERT_TRUE(waitForEnd(2));
  EXPECT_EQ(screen->finishes, 1);
  EXPECT_TRUE(clientFlag(SyncModel::kLastSync));
}

TEST_F(SyncScreenFlowTest, TheEngineStartsARunWithoutTheTapsStopsAndWithAFullResyncWhenAsked) {
  signIn();
  show();
  auto engine = SyncModel::sharedInstance();
  // Nothing new: the engine's word starts nothing.
  engine->startSyncData();
  EXPECT_FALSE(engine->isDownloading());
  // New data, on a cellular network: the run starts without the question.
  host->notWifi = true;
  engine->setNeedUpdate(true);
  engine->startSyncData();
  EXPECT_FALSE(alert());
  EXPECT_FALSE(engine->needUpdate());
  EXPECT_TRUE(engine->isDownloading());
  ASSERT_TRUE(waitForEnd(0));
  ASSERT_EQ(screen->finishes, 1);
  EXPECT_EQ(tableRequests().size(), 3u);

  // A tap on cellular asks; "OK" starts the run, which is a full resync
  // because the service asked for one at sign-in.
  host->fullSyncRequested = true;
  service->clearRequestLog();
  window->driver().tap(panel().btnsync());
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 1001);
  EXPECT_FALSE(engine->isDownloading());
  alert()->pressButton(0);
  EXPECT_TRUE(engine->isDownloading());
  EXPECT_EQ(host->fullSyncTaken, 1);
  ASSERT_TRUE(waitForEnd(1));
  ASSERT_EQ(screen->finishes, 2);
  auto tables = tableRequests();
  ASSERT_EQ(tables.size(), 3u);
  for (const auto& t : tables) EXPECT_EQ(t.parameters.value("isFull", std::string()), "true") << t.qualifier;
  EXPECT_FALSE(engine->isSyncAllData());

  // Without a request the next run asks only for changes.
  ASSERT_TRUE(alertsGone());
  service->clearRequestLog();
  host->notWifi = false;
  window->driver().tap(panel().btnsync());
  ASSERT_TRUE(waitForEnd(2));
  tables = tableRequests();
  ASSERT_EQ(tables.size(), 3u);
  for (const auto& t : tables) EXPECT_EQ(t.parameters.value("isFull", std::string()), "false") << t.qualifier;
}

}  // namespace
}  // namespace mv
