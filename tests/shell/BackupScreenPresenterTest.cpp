// The backup-and-restore page's decisions without views: the date of the
// last backup around midnight and New Year, the rows, what a tap leads to,
// the look of a run and the alerts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "SessionFixture.hpp"
#include "SyncScreenTestSupport.hpp"
#include "TestEnvironment.hpp"
#include "platform/base/Date.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/sync-screens/BackupScreenPresenter.hpp"
#include "sync/SyncLoginSession.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

using P = BackupScreenPresenter;

// Local time of the process's zone.
double local(const std::string& text) {
  auto t = PublicFunction::dateFromString(text, "yyyy-MM-dd HH:mm:ss");
  EXPECT_TRUE(t) << text;
  return t.value_or(0);
}

class BackupScreenPresenterTest : public test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    test::installEnglishTexts();
  }
  void TearDown() override {
    setTextLookup(nullptr);
    PublicFunction::setInterfaceLanguageProvider(nullptr);
    Session::clear();
    TestEnvironment::TearDown();
  }
  std::string today() const { return test::textOf("LASTBACKUPTODAY"); }
  std::string yesterday() const { return test::textOf("LASTBACKUPYESTERDAY"); }
};

TEST_F(BackupScreenPresenterTest, DatesReadTodayYesterdayOrTheCalendarDate) {
  // Just after midnight: today, with the hour and the minute in two digits.
  const double now = local("2026-03-10 00:07:00");
  EXPECT_EQ(P::friendlyDateTimeString(local("2026-03-10 00:05:00"), now), today() + " 00:05");
  EXPECT_EQ(P::friendlyDateTimeString(local("2026-03-09 23:59:00"), now), yesterday() + " 23:59");
  EXPECT_EQ(P::friendlyDateTimeString(local("2026-03-09 00:00:00"), now), yesterday() + " 00:00");
  EXPECT_EQ(P::friendlyDateTimeString(local("2026-03-08 23:59:00"), now), "03/08/2026 23:59");
  // The last days of December keep their calendar year (a week-based year
  // would already read 2026 here), and the first days of January theirs.
  const double january = local("2026-01-05 12:00:00");
  EXPECT_EQ(P::friendlyDateTimeString(local("2025-12-29 09:15:00"), january), "12/29/2025 09:15");
  EXPECT_EQ(P::friendlyDateTimeString(local("2025-12-31 18:00:00"), january), "12/31/2025 18:00");
  EXPECT_EQ(P::friendlyDateTimeString(local("2027-01-01 08:00:00"), january), "01/01/2027 08:00");
  // Across New Year's night, yesterday is last year's last day.
  const double newYear = local("2026-01-01 00:30:00");
  EXPECT_EQ(P::friendlyDateTimeString(local("2025-12-31 23:45:00"), newYear), yesterday() + " 23:45");
  EXPECT_EQ(P::friendlyDateTimeString(local("2025-12-30 23:45:00"), newYear), "12/30/2025 23:45");
  // Later today (a clock set back) is still today.
  EXPECT_EQ(P::friendlyDateTimeString(local("2026-03-10 18:00:00"), now), today() + " 18:00");
}

TEST_F(BackupScreenPresenterTest, TheLastBackupLabelNeedsABackup) {
  const double now = local("2026-03-10 12:00:00");
  EXPECT_EQ(P::lastBackupText(false, local("2026-03-10 09:00:00"), now), "");
  // The label and its value as one line reads in either language: no
  // capital after an English colon, the full-width colon in Chinese.
  EXPECT_EQ(P::lastBackupText(true, 0, now), "Last backup: date not recorded");
  EXPECT_EQ(P::lastBackupText(true, local("2026-03-10 09:00:00"), now), "Last backup: today 09:00");
  EXPECT_EQ(P::lastBackupText(true, local("2026-03-09 19:30:00"), now), "Last backup: yesterday 19:30");
  test::installChineseTexts();
  EXPECT_EQ(P::lastBackupText(true, 0, now), "上次备份：日期无记录");
  EXPECT_EQ(P::lastBackupText(true, local("2026-03-10 09:00:00"), now), "上次备份：今天 09:00");
  test::installEnglishTexts();
}

TEST_F(BackupScreenPresenterTest, RowsAndTapsFollowTheRunAndTheSession) {
  EXPECT_EQ(P::backupRow(false), (BackupRowLook{test::textOf("BACKUPNOW"), true, false}));
  EXPECT_EQ(P::backupRow(true), (BackupRowLook{test::textOf("BACKUPCANCEL"), true, false}));
  EXPECT_EQ(P::restoreRow(false, true), (BackupRowLook{test::textOf("RESTOREFROMLAST"), true, false}));
  EXPECT_EQ(P::restoreRow(true, true).text, test::textOf("RESTORECANCEL"));
  // Without a backup the restore row is grey and cannot be chosen.
  EXPECT_EQ(P::restoreRow(false, false), (BackupRowLook{test::textOf("RESTOREFROMLAST"), false, true}));

  using A = P::Action;
  constexpr LoginType online = LoginType::Online;
  constexpr LoginType offline = LoginType::Offline;
  constexpr LoginType demo = LoginType::Demo;
  EXPECT_EQ(P::backupTap(true, demo, false), A::CancelBackup);
  EXPECT_EQ(P::backupTap(false, demo, true), A::DemoAlert);
  EXPECT_EQ(P::backupTap(false, online, false), A::NeedSyncAlert);
  EXPECT_EQ(P::backupTap(false, online, true), A::ConfirmBackup);
  EXPECT_EQ(P::backupTap(false, offline, true), A::ConfirmBackup);
  EXPECT_EQ(P::restoreTap(true, offline, false), A::CancelRestore);
  EXPECT_EQ(P::restoreTap(false, demo, true), A::DemoAlert);
  EXPECT_EQ(P::restoreTap(false, offline, true), A::OfflineRestoreAlert);
  EXPECT_EQ(P::restoreTap(false, online, false), A::NeedSyncAlert);
  EXPECT_EQ(P::restoreTap(false, online, true), A::ConfirmRestore);

  // A finished sync is the signed-in client's "lastsync".
  mv::test::signInAs("acme", "rep");
  EXPECT_FALSE(P::hasCompletedSync());
  base::UserDefaults::standard().setString("other-lastsync", "10:00 01/01/26");
  EXPECT_FALSE(P::hasCompletedSync());
  base::UserDefaults::standard().setString("acme-lastsync", "10:00 01/01/26");
  EXPECT_TRUE(P::hasCompletedSync());
}

TEST_F(BackupScreenPresenterTest, ARunShowsTheBarAndOtherwiseTheLastBackup) {
  EXPECT_EQ(P::runState(0.3f, true), (BackupRunState{true, false, true, true, 0.3f, true}));
  EXPECT_EQ(P::runState(1.0f, false), (BackupRunState{false, true, false, false, 0.0f, false}));
}

TEST_F(BackupScreenPresenterTest, AlertsAndTheChoiceOfFailureAlert) {
  EXPECT_EQ(P::alertFor(1), (ScreenAlert{1, test::textOf("RESTORE"), test::textOf("RESTORENOTICE"),
                                         test::textOf("CANCEL"), {test::textOf("OK")}}));
  EXPECT_EQ(P::alertFor(4), (ScreenAlert{4, test::textOf("RESTOREFAILED"), test::textOf("999"), test::textOf("OK"), {}}));
  EXPECT_EQ(P::alertFor(5).cancel, test::textOf("OK"));
  EXPECT_EQ(P::alertFor(6).title, test::textOf("BACKUPTITLE"));
  EXPECT_EQ(P::needSyncAlert(true).message, test::textOf("SYNCBEFOREBACKUP"));
  EXPECT_EQ(P::needSyncAlert(false).message, test::textOf("SYNCBEFORERESTORE"));
  EXPECT_EQ(P::needSyncAlert(false).others, std::vector<std::string>{});

  constexpr LoginType online = LoginType::Online;
  EXPECT_EQ(P::failureAlert("Disk full", online, true),
            (ScreenAlert{8, test::textOf("BACKUPFAILED"), "Disk full", test::textOf("OK"), {}}));
  EXPECT_EQ(P::failureAlert("Disk full", online, false).title, test::textOf("RESTOREFAILED"));
  const ScreenAlert expired = P::failureAlert(test::textOf("101"), online, true);
  EXPECT_EQ(expired.tag, 7);
  EXPECT_EQ(expired.message, test::textOf("101") + test::textOf("STAYOFFLINEORLOGIN"));
  EXPECT_EQ(P::failureAlert("No way in", LoginType::None, false).tag, 7);
}

}  // namespace
}  // namespace mv
