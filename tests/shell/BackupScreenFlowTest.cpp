// The backup-and-restore page against the local sales service: a backup with
// its progress and the time it leaves on the page, a restore that offers to
// download the library files again and sends their downloads, the failure
// alerts, a cancelled restore, the demo and offline stops, the download
// rules for paused and running files, and the page picking up a run it did
// not start. Pictures of the page are written as PNG.
#include <gtest/gtest.h>

#include <fstream>

#include "BackupTestSupport.hpp"
#include "SessionFixture.hpp"
#include "SyncEngineTestSupport.hpp"
#include "SyncScreenTestSupport.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/sync-screens/BackupAndRestoreViewController.hpp"
#include "sync/BlockWaitBox.hpp"
#include "sync/LibraryFileDownloader.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/SyncConfigManager.hpp"
#include "sync/SyncCustomerModel.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultRule;

// The session's backup record, as the shell's host reads it.
class SessionHost : public test::FakeSyncScreenHost {
 public:
  std::shared_ptr<test::FakeSyncSession> session;
  bool hasBackup() const override { return session->hasBackup; }
  double lastBackupDate() const override { return session->lastBackupDate; }
};

class Opener : public SettingsViewControllerDelegate {
 public:
  int deselects = 0;
  void deselectButton() override { ++deselects; }
};

// What the page showed at each progress report of a backup.
struct ProgressShown {
  float bar;
  bool barShown;
  bool backingUpShown;
  bool lastBackupShown;
  std::string backupRow;
};

class RecordingPage : public BackupAndRestoreViewController {
 public:
  using BackupAndRestoreViewController::BackupAndRestoreViewController;
  std::vector<ProgressShown> progress;
  void didUpdateProgress(BackupManager& manager, float value) override {
    BackupAndRestoreViewController::didUpdateProgress(manager, value);
    tableView()->layoutIfNeeded();
    auto cell = tableView()->cellForRowAtIndexPath({0, 0});
    progress.push_back({static_cast<float>(backupProgress().progress()), !backupProgress().isHidden(),
                        !backupingLabel().isHidden(), !lastBackupDateLabel().isHidden(),
                        cell ? cell->textLabel().text() : std::string()});
  }
};

class FakeDownloader : public LibraryFileDownloader {
 public:
  std::set<int> onDevice;
  std::set<std::string> downloading;
  std::set<std::string> paused;
  std::vector<std::shared_ptr<RequestDownload>> sent;
  bool isExists(int fileId) override { return onDevice.count(fileId) > 0; }
  bool isInDownloadList(const std::string& name) override { return downloading.count(name) > 0; }
  bool isInPauseList(const std::string& name) override { return paused.count(name) > 0; }
  int sendRequest(const std::shared_ptr<RequestDownload>& request) override {
    sent.push_back(request);
    return request->downloadId;
  }
};

class BackupScreenFlowTest : public test::BackupRestoreTest {
 protected:
  void SetUp() override {
    BackupRestoreTest::SetUp();
    test::resetToolkit();
    test::installEnglishTexts();
    host = std::make_shared<SessionHost>();
    host->session = session;
    SyncScreenHost::install(host);
    config = std::make_shared<test::FakeSyncConfig>();
    SyncConfigManager::setCurrent(config);
    ASSERT_TRUE(SessionServices::current()->get<SyncCustomerModel>());
    opener = std::make_shared<Opener>();
    shots = root / "snapshots";
    fs::create_directories(shots);
  }
  void TearDown() override {
    window.reset();
    page.reset();
    SyncConfigManager::setCurrent({});
    SyncScreenHost::install(nullptr);
    PublicFunction::setInterfaceLanguageProvider(nullptr);
    test::resetToolkit();
    BackupRestoreTest::TearDown();
  }

  // The page as the settings window shows it: pushed in a form sheet over the tab bar.
  void open() {
    page = std::make_shared<RecordingPage>(backupManager, restoreManager);
    page->setSettingDelegate(opener);
    auto root = std::make_shared<ui::ViewController>();
    window = std::make_unique<test::ScreenWindow>(root);
    auto nav = std::make_shared<ui::NavigationController>(page);
    nav->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
    root->presentViewController(nav, false);
    settle();
  }
  void settle() {
    runUntil([] { return false; }, 0.05);
    window->flush();
  }
  ui::TableViewCell* row(long section) {
    page->tableView()->layoutIfNeeded();
    return page->tableView()->cellForRowAtIndexPath({section, 0});
  }
  void tapRow(long section) {
    page->tableView()->tapRowAtIndexPath({section, 0});
    settle();
  }
  std::shared_ptr<ui::AlertView> alert() { return ui::AlertView::visibleAlert(); }
  void press(long index) {
    auto a = alert();
    ASSERT_TRUE(a);
    a->pressButton(index);
    runUntil([&] { return ui::AlertView::visibleAlert() != a; }, 2);
    settle();
  }
  bool waitFor(const std::function<bool()>& done, double seconds = 10) {
    return runUntil(
        [&] {
          window->flush();
          return done();
        },
        seconds);
  }
  void markSynced() { base::UserDefaults::standard().setString("acme-lastsync", "09:00 03/01/26"); }
  fs::path brochure() { return *PublicFunction::filePathWithName("brochure.pdf", kFileTypePdf); }
  std::vector<std::string> fileRequestPaths() {
    std::vector<std::string> out;
    for (const auto& e : fileRequests()) out.push_back(e.path);
    return out;
  }

  std::shared_ptr<SessionHost> host;
  std::shared_ptr<test::FakeSyncConfig> config;
  SessionServices::Registry sessionRegistry() override {
    SessionServices::Registry registry = BackupRestoreTest::sessionRegistry();
    registry.add<SyncCustomerModel>([this](SessionServices&) { return customers; });
    // The library's downloader where a test sets one, else the plain one.
    registry.add<LibraryFileDownloader>([this](SessionServices&) { return downloader; });
    return registry;
  }

  std::shared_ptr<test::FakeCustomerModel> customers = std::make_shared<test::FakeCustomerModel>();
  std::shared_ptr<FakeDownloader> downloader;
  std::shared_ptr<Opener> opener;
  std::shared_ptr<RecordingPage> page;
  std::unique_ptr<test::ScreenWindow> window;
  fs::path shots;
};

TEST_F(BackupScreenFlowTest, ABackupThenARestoreThatDownloadsTheLibraryFilesAgain) {
  seedLocalWork();
  open();
  EXPECT_EQ(page->title(), test::textOf("BACKANDRESTORE"));
  // No backup yet: no date, and the restore row is grey and refuses taps.
  EXPECT_EQ(page->lastBackupDateLabel().text(), "");
  EXPECT_EQ(row(0)->textLabel().text(), test::textOf("BACKUPNOW"));
  EXPECT_EQ(row(1)->textLabel().text(), test::textOf("RESTOREFROMLAST"));
  EXPECT_EQ(row(1)->selectionStyle(), ui::TableViewCellSelectionStyle::None);
  EXPECT_EQ(row(1)->textLabel().textColor(), gfx::Color::lightGray());
  tapRow(1);
  EXPECT_FALSE(alert());
  // Without a finished sync nothing starts.
  tapRow(0);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), test::textOf("NEEDSYNC"));
  EXPECT_EQ(alert()->message(), test::textOf("SYNCBEFOREBACKUP"));
  press(0);
  EXPECT_FALSE(backupManager->isBackingUp());

  // Back up: asked first, then the bar follows the manager's steps (the
  // service takes a second to answer, so the run can be seen).
  markSynced();
  const int slow = service->addFault(FaultRule::stallFor("backupData", 1));
  tapRow(0);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 6);
  EXPECT_EQ(alert()->message(), test::textOf("BACKUPNOTICE"));
  press(1);
  ASSERT_EQ(page->progress.size(), 4u);
  const float steps[] = {0.1f, 0.3f, 0.5f, 0.7f};
  for (std::size_t i = 0; i < 4; ++i) {
    const ProgressShown& p = page->progress[i];
    EXPECT_FLOAT_EQ(p.bar, steps[i]);
    EXPECT_TRUE(p.barShown);
    EXPECT_TRUE(p.backingUpShown);
    EXPECT_FALSE(p.lastBackupShown);
    EXPECT_EQ(p.backupRow, test::textOf("BACKUPCANCEL"));
  }
  EXPECT_TRUE(page->backupIndicator().isAnimating());
  window->snapshot(shots, "backup-running");
  ASSERT_TRUE(waitFor([&] { return !page->isBackingUp(); }));
  EXPECT_FALSE(alert());
  service->removeFault(slow);

  // The time of the backup is on the page, in the user defaults and the session.
  const double when = backupManager->lastBackupDate();
  ASSERT_NE(when, 0);
  EXPECT_EQ(page->lastBackupDateLabel().text(),
            "Last backup: " + BackupScreenPresenter::friendlyDateTimeString(when, base::Date::now()));
  EXPECT_NE(page->lastBackupDateLabel().text().find(test::textOf("LASTBACKUPTODAY")), std::string::npos);
  EXPECT_FALSE(page->lastBackupDateLabel().isHidden());
  EXPECT_TRUE(page->backupProgress().isHidden());
  EXPECT_TRUE(page->backupingLabel().isHidden());
  EXPECT_FALSE(page->backupIndicator().isAnimating());
  EXPECT_EQ(base::UserDefaults::standard().doubleForKey("acme-rep-last_backup_date"), when);
  EXPECT_TRUE(session->hasBackup);
  EXPECT_EQ(row(0)->textLabel().text(), test::textOf("BACKUPNOW"));
  EXPECT_EQ(row(1)->selectionStyle(), ui::TableViewCellSelectionStyle::Default);
  EXPECT_EQ(row(1)->textLabel().textColor(), gfx::Color::darkGray());
  window->snapshot(shots, "backup-and-restore");

  // The brochure is gone from the device since; restoring offers it again.
  const auto before = snapshot();
  alterLocalWork();
  fs::remove(brochure());
  tapRow(1);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 1);
  press(1);
  EXPECT_TRUE(page->isRestoring());
  EXPECT_EQ(row(1)->textLabel().text(), test::textOf("RESTORECANCEL"));
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->tag(), 2);
  EXPECT_EQ(alert()->title(), test::textOf("DOWNLOADFILES"));
  ASSERT_EQ(page->filesToDownload().size(), 1u);
  EXPECT_EQ(page->filesToDownload()[0].file_name, "brochure.pdf");
  const auto after = snapshot();
  for (const auto& [table, rows] : before) EXPECT_EQ(after.at(table), rows) << table;
  EXPECT_TRUE(host->tabs.empty());
  press(1);
  // To the library, the file asked for again, and the restore announced.
  EXPECT_EQ(host->tabs, std::vector<int>{4});
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), test::textOf("RESTOREFINISHTITLE"));
  EXPECT_FALSE(page->isRestoring());
  EXPECT_EQ(row(1)->textLabel().text(), test::textOf("RESTOREFROMLAST"));
  EXPECT_EQ(config->flags[SyncConfigManager::kReloadCatalog], "YES");
  EXPECT_EQ(config->flags[SyncConfigManager::kReloadLibrary], "YES");
  EXPECT_EQ(config->flags[SyncConfigManager::kReloadCustomer], "YES");
  EXPECT_EQ(customers->reloads, 1);
  ASSERT_TRUE(waitFor([&] {
    for (const auto& path : fileRequestPaths()) {
      if (path.size() >= 12 && path.substr(path.size() - 12) == "brochure.pdf") return true;
    }
    return false;
  }));
  press(0);

  // "Done" closes the settings window and tells its opener.
  ui::NavigationController* shown = page->navigationController();
  ASSERT_TRUE(shown && shown->presentingViewController());
  std::weak_ptr<ui::ViewController> nav = shown->weak_from_this();
  page->doneButtonTapped();
  EXPECT_EQ(opener->deselects, 1);
  EXPECT_TRUE(waitFor(
      [&] {
        auto n = nav.lock();
        return !n || n->presentingViewController() == nullptr;
      },
      2));
}

TEST_F(BackupScreenFlowTest, FailuresACancelledRestoreAndTheStopsBeforeARun) {
  seedLocalWork();
  markSynced();
  open();
  // A backup the service refuses: its message, and the page as it was.
  service->addFault(FaultRule::statusFor("backupData", "500"));
  tapRow(0);
  press(1);
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->tag(), 8);
  EXPECT_EQ(alert()->title(), test::textOf("BACKUPFAILED"));
  EXPECT_FALSE(page->isBackingUp());
  EXPECT_TRUE(page->backupProgress().isHidden());
  EXPECT_EQ(page->lastBackupDateLabel().text(), "");
  window->snapshot(shots, "backup-failed");
  press(0);
  service->clearFaults();

  // A backup (without library files this time), then a restore cancelled
  // while it waits for the service: no announcement, nothing reloaded.
  fs::remove(brochure());
  tapRow(0);
  press(1);
  ASSERT_TRUE(waitFor([&] { return !page->isBackingUp(); }));
  ASSERT_TRUE(session->hasBackup);
  service->addFault(FaultRule::stallFor("restoreData", 3));
  tapRow(1);
  press(1);
  ASSERT_TRUE(page->isRestoring());
  tapRow(1);
  EXPECT_FALSE(page->isRestoring());
  EXPECT_FALSE(alert());
  EXPECT_EQ(row(1)->textLabel().text(), test::textOf("RESTOREFROMLAST"));
  EXPECT_TRUE(config->flags.empty());
  EXPECT_EQ(customers->reloads, 0);
  EXPECT_TRUE(host->tabs.empty());
  waitFor([] { return false; }, 3.5);
  EXPECT_FALSE(alert());
  service->clearFaults();

  // A restore whose backup listed no files: straight home, announced.
  // Escape over its "Restoring" box, which offers no way out, does nothing:
  // the settings window under it stays, and the restore tells its outcome.
  // The reply is held for well under its time-out, so that the box is still
  // up when Escape comes however slow the machine, and the restore succeeds.
  MessageBox::installAsBlockWaitBox();
  test::service_kit::useSettings(test::ServiceSettings::patient());
  service->addFault(FaultRule::stallFor("restoreData", 2));
  tapRow(1);
  press(1);
  ASSERT_TRUE(page->isRestoring());
  ASSERT_EQ(MessageBox::sharedInstance().currentText(), test::textOf("RESTORING"));
  auto sheetShown = [&] { return window->window().rootViewController()->presentedViewController() != nullptr; };
  window->window().pressEscape();
  // (A sheet closes in 0.4 s.)
  waitFor([&] { return !sheetShown(); }, 0.6);
  EXPECT_TRUE(page->isRestoring());
  EXPECT_TRUE(sheetShown());
  EXPECT_EQ(opener->deselects, 0);
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->title(), test::textOf("RESTOREFINISHTITLE")) << alert()->message();
  EXPECT_EQ(host->tabs, std::vector<int>{0});
  EXPECT_EQ(customers->reloads, 1);
  press(0);
  service->clearFaults();
  test::service_kit::useSettings({});
  BlockWaitBox::install(waitBox);

  // A restore the service refuses.
  service->addFault(FaultRule::statusFor("restoreData", "500"));
  tapRow(1);
  press(1);
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
  EXPECT_EQ(alert()->tag(), 8);
  EXPECT_EQ(alert()->title(), test::textOf("RESTOREFAILED"));
  EXPECT_FALSE(page->isRestoring());
  press(0);
  service->clearFaults();

  // Offline, a restore cannot reach the service.
  session->type = LoginType::Offline;
  tapRow(1);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 4);
  EXPECT_EQ(alert()->message(), test::textOf("999"));
  press(0);
  // The demo account asks to sign up instead.
  session->type = LoginType::Demo;
  const auto backupsBefore = messagesNamed("backupData").size();
  tapRow(0);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), DemoLimitAlert::kTag);  // the shared demo-limit alert
  EXPECT_EQ(alert()->title(), test::textOf("FUNCTIONLIMITED"));
  press(1);
  ASSERT_EQ(ui::Application::sharedInstance().openedURLs().size(), 1u);
  EXPECT_NE(ui::Application::sharedInstance().openedURLs()[0].find("/registered.html"), std::string::npos);
  tapRow(1);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), DemoLimitAlert::kTag);
  press(0);
  EXPECT_EQ(messagesNamed("backupData").size(), backupsBefore);
}

// The same backup restored twice from the page: each unsubmitted order comes
// back once, under an id of the device's own and not submitted, even the one
// an older restore had left under a service's id.
TEST_F(BackupScreenFlowTest, RestoringTheSameBackupTwiceGivesEachOrderOnce) {
  seedLocalWork();
  sql("UPDATE marvisto_quote_order SET order_id = 9001 WHERE order_id = -2");
  sql("UPDATE marvisto_quote_order_item SET order_id = 9001 WHERE order_id = -2");
  markSynced();
  fs::remove(brochure());
  open();
  tapRow(0);
  press(1);
  ASSERT_TRUE(waitFor([&] { return !page->isBackingUp(); }));
  ASSERT_TRUE(session->hasBackup);
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    tapRow(1);
    ASSERT_NO_FATAL_FAILURE(press(1));
    ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }));
    EXPECT_EQ(alert()->title(), test::textOf("RESTOREFINISHTITLE"));
    ASSERT_NO_FATAL_FAILURE(press(0));
    EXPECT_EQ(count("marvisto_quote_order", "uploaded = 0"), 2);
    EXPECT_EQ(count("marvisto_quote_order", "uploaded = 0 AND order_id > 0"), 0);
    EXPECT_EQ(count("marvisto_quote_order", "order_number = 'rep_240304102030' AND order_id < 0"), 1);
    EXPECT_EQ(count("marvisto_quote_order", "order_number = 'rep_240305090000' AND order_id < 0"), 1);
    EXPECT_EQ(count("marvisto_quote_order_item",
                    "order_id IN (SELECT order_id FROM marvisto_quote_order WHERE uploaded = 0)"), 3);
    EXPECT_EQ(count("marvisto_quote_order_item"), 4);
    // The submitted order stays as it was.
    EXPECT_EQ(count("marvisto_quote_order", "order_id = 7 AND uploaded = 1"), 1);
  }
  EXPECT_EQ(count("marvisto_quote_order"), 3);
}

TEST_F(BackupScreenFlowTest, OnlyMissingPublishedFilesAreAskedForAndCellularAsksFirst) {
  seedLocalWork();
  downloader = std::make_shared<FakeDownloader>();
  open();
  auto file = [](int id, const std::string& name) {
    marvisto_library_files_Entity f;
    f.file_id = id;
    f.file_name = name;
    return f;
  };
  // 7 is on the device, 8 downloads now, 9 is paused, 99 is no longer published.
  downloader->onDevice = {7};
  downloader->downloading = {"prices.xlsx", "intro.mp4"};
  downloader->paused = {"intro.mp4"};
  const std::vector<marvisto_library_files_Entity> files = {file(7, "brochure.pdf"), file(8, "prices.xlsx"),
                                                             file(9, "intro.mp4"), file(99, "gone.pdf")};
  EXPECT_EQ(page->downloadLibFiles(files), 1);
  ASSERT_EQ(downloader->sent.size(), 1u);
  const RequestDownload& request = *downloader->sent[0];
  EXPECT_EQ(request.fileNameList, std::vector<std::string>{"intro.mp4"});
  EXPECT_EQ(request.fileId, 9);
  EXPECT_EQ(request.imgType, kFileTypeVideo);
  EXPECT_EQ(request.progressType, 1);

  // After a restore on a cellular network the download waits for an answer.
  downloader->sent.clear();
  downloader->downloading.clear();
  host->notWifi = true;
  page->didSuccessRestoreWithMessage(*restoreManager, "", files);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 2);
  // Only the files not on the device and still published.
  ASSERT_EQ(page->filesToDownload().size(), 2u);
  press(1);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->tag(), 5);
  EXPECT_TRUE(downloader->sent.empty());
  press(0);
  EXPECT_EQ(downloader->sent.size(), 2u);
  EXPECT_EQ(host->tabs, std::vector<int>{4});
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), test::textOf("RESTOREFINISHTITLE"));
  press(0);
  // "CANCEL" on the question goes home and downloads nothing.
  downloader->sent.clear();
  page->didSuccessRestoreWithMessage(*restoreManager, "", files);
  press(0);
  EXPECT_TRUE(downloader->sent.empty());
  EXPECT_EQ(host->tabs, (std::vector<int>{4, 0}));
  press(0);
  // Everything on the device: nothing to ask.
  downloader->onDevice = {7, 8, 9};
  page->didSuccessRestoreWithMessage(*restoreManager, "", files);
  ASSERT_TRUE(alert());
  EXPECT_EQ(alert()->title(), test::textOf("RESTOREFINISHTITLE"));
  EXPECT_TRUE(downloader->sent.empty());
}

TEST_F(BackupScreenFlowTest, APageOpenedDuringABackupFollowsItAndAClosedPageIsNotCalled) {
  seedLocalWork();
  markSynced();
  // The backup's reply is held well within its time-out: the page comes and
  // goes while it waits, however slow the machine.
  test::service_kit::useSettings(test::ServiceSettings::patient());
  service->addFault(FaultRule::stallFor("backupData", 1.5));
  open();
  tapRow(0);
  press(1);
  ASSERT_TRUE(backupManager->isBackingUp());
  // The page goes while the backup goes on.
  std::weak_ptr<RecordingPage> gone = page;
  window.reset();
  page.reset();
  EXPECT_TRUE(gone.expired());
  EXPECT_TRUE(backupManager->isBackingUp());
  // A new page shows the run and hears its end.
  open();
  EXPECT_TRUE(page->isBackingUp());
  EXPECT_EQ(row(0)->textLabel().text(), test::textOf("BACKUPCANCEL"));
  EXPECT_FALSE(page->backupProgress().isHidden());
  ASSERT_TRUE(waitFor([&] { return !page->isBackingUp(); }));
  EXPECT_NE(page->lastBackupDateLabel().text(), "");
  EXPECT_FALSE(alert());

  // Cancelling from the row: the page is idle at once, without an alert.
  service->addFault(FaultRule::stallFor("backupData", 2));
  tapRow(0);
  press(1);
  ASSERT_TRUE(page->isBackingUp());
  tapRow(0);
  EXPECT_FALSE(page->isBackingUp());
  EXPECT_FALSE(backupManager->isBackingUp());
  EXPECT_EQ(row(0)->textLabel().text(), test::textOf("BACKUPNOW"));
  waitFor([] { return false; }, 2.5);
  EXPECT_FALSE(alert());
}

}  // namespace
}  // namespace mv
