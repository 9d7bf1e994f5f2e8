// The Sync tab's decisions without views: the time-left and progress texts,
// the rows' places for the modules shown, what a tap leads to, the alert of
// a broken run, and the last-sync text.
#include <gtest/gtest.h>

#include <cmath>

#include "SessionFixture.hpp"
#include "SyncScreenTestSupport.hpp"
#include "TestEnvironment.hpp"
#include "platform/base/UserDefaults.hpp"
#include "sync/SyncLoginSession.hpp"
#include "shell/sync-screens/SyncScreenPresenter.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

using P = SyncScreenPresenter;

class SyncScreenPresenterTest : public test::TestEnvironment {
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
  static std::string minutesText(int minutes) {
    std::string t = test::textOf("TIMEREMAININGXXMINUTES");
    return t.replace(t.find("%d"), 2, std::to_string(minutes));
  }
};

TEST_F(SyncScreenPresenterTest, TimeLeftIsLessThanAMinuteOrWholeMinutesRoundedUpOrLeftAlone) {
  const std::string lessThanAMinute = test::textOf("TIMEREMAININGLESSAMINUTE");
  ASSERT_FALSE(lessThanAMinute.empty());
  for (int seconds : {-5, 0, 1, 59, 60}) EXPECT_EQ(P::remainTimeText(seconds), lessThanAMinute) << seconds;
  EXPECT_EQ(P::remainTimeText(61), minutesText(2));
  EXPECT_EQ(P::remainTimeText(120), minutesText(2));
  EXPECT_EQ(P::remainTimeText(121), minutesText(3));
  EXPECT_EQ(P::remainTimeText(60000), minutesText(1000));
  // 1001 minutes and the engine's "no estimate" leave the label as it was.
  EXPECT_EQ(P::remainTimeText(60001), std::nullopt);
  EXPECT_EQ(P::remainTimeText(2147483647), std::nullopt);
  EXPECT_EQ(P::remainMinutes(2147483647), 35791395);
}

TEST_F(SyncScreenPresenterTest, ProgressTextsFollowEachImageKind) {
  // Product images: a blank before the sign, whole per cents rounded down (a
  // share short of whole never reads 100); a whole bar is left to "COMPLETED".
  EXPECT_EQ(P::progressUpdate(0.456f, 1), (SyncRowUpdate{SyncRow::Products, 0.456f, "45%"}));
  EXPECT_EQ(P::progressUpdate(0.9999f, 1), (SyncRowUpdate{SyncRow::Products, 0.9999f, "99%"}));
  EXPECT_EQ(P::progressUpdate(0.0f, 1), (SyncRowUpdate{SyncRow::Products, 0.0f, "0%"}));
  EXPECT_EQ(P::progressUpdate(1.0f, 1), (SyncRowUpdate{SyncRow::Products, 1.0f, std::nullopt}));
  EXPECT_EQ(P::progressUpdate(1.5f, 1), (SyncRowUpdate{SyncRow::Products, 1.0f, std::nullopt}));
  // Icons fill the first fifth of the sales-material bar, covers the rest.
  auto icons = P::progressUpdate(0.5f, 3);
  ASSERT_TRUE(icons);
  EXPECT_EQ(icons->row, SyncRow::Material);
  EXPECT_FLOAT_EQ(icons->progress, 0.1f);
  EXPECT_EQ(icons->text, "10%");
  EXPECT_EQ(P::progressUpdate(1.0f, 3), (SyncRowUpdate{SyncRow::Material, 0.2f, "20%"}));
  auto covers = P::progressUpdate(0.5f, 4);
  ASSERT_TRUE(covers);
  EXPECT_FLOAT_EQ(covers->progress, 0.6f);
  EXPECT_EQ(covers->text, "60%");
  auto noCovers = P::progressUpdate(0.0f, 4);
  ASSERT_TRUE(noCovers);
  EXPECT_EQ(noCovers->text, "20%");
  EXPECT_EQ(P::progressUpdate(1.0f, 4), (SyncRowUpdate{SyncRow::Material, 1.0f, std::nullopt}));
  // A share that is not a number counts as none.
  EXPECT_EQ(P::progressUpdate(std::nanf(""), 1), (SyncRowUpdate{SyncRow::Products, 0.0f, "0%"}));
  // Other kinds change nothing.
  EXPECT_EQ(P::progressUpdate(0.5f, 2), std::nullopt);
  EXPECT_EQ(P::progressUpdate(0.5f, 5), std::nullopt);

  // A kind with nothing to fetch is done at once.
  EXPECT_EQ(P::imagesFinishedUpdate(1), (SyncRowUpdate{SyncRow::Products, 1.0f, std::nullopt}));
  EXPECT_EQ(P::imagesFinishedUpdate(3), (SyncRowUpdate{SyncRow::Material, 0.2f, "20%"}));
  EXPECT_EQ(P::imagesFinishedUpdate(4), (SyncRowUpdate{SyncRow::Material, 1.0f, std::nullopt}));
  EXPECT_EQ(P::imagesFinishedUpdate(0), std::nullopt);
}

TEST_F(SyncScreenPresenterTest, RowsMoveUpForTheModulesNotShown) {
  auto ys = [](bool catalog, bool library) {
    const SyncRowFrames f = P::rowFrames(catalog, library);
    return std::vector<double>{f.products.y(), f.material.y(), f.customers.y()};
  };
  EXPECT_EQ(ys(true, true), (std::vector<double>{70, 135, 200}));
  EXPECT_EQ(ys(false, true), (std::vector<double>{70, 70, 135}));
  EXPECT_EQ(ys(false, false), (std::vector<double>{70, 70, 70}));
  EXPECT_EQ(ys(true, false), (std::vector<double>{70, 135, 135}));
  const SyncRowFrames f = P::rowFrames(true, true);
  EXPECT_EQ(f.customers, (base::Rect{20, 200, 900, 45}));

  EXPECT_EQ(P::firstShownRow(true, true, true), SyncRow::Products);
  EXPECT_EQ(P::firstShownRow(false, true, true), SyncRow::Material);
  EXPECT_EQ(P::firstShownRow(false, false, true), SyncRow::Customers);
}

TEST_F(SyncScreenPresenterTest, ABrokenRunAlertsByHowTheUserIsSignedIn) {
  const ScreenAlert failed = P::breakAlert(LoginType::Online, "Network down");
  EXPECT_EQ(failed, (ScreenAlert{255, test::textOf("UPDATEFAILED"), "Network down", test::textOf("OK"), {}}));
  const std::string expired = test::textOf("101");
  const ScreenAlert relogin = P::breakAlert(LoginType::Offline, expired);
  EXPECT_EQ(relogin, (ScreenAlert{256, test::textOf("REQUIRELOGIN"), expired, test::textOf("CANCEL"),
                                  {test::textOf("LOGOUTSETTINGS")}}));
  const ScreenAlert offline = P::breakAlert(LoginType::None, "Wrong password");
  EXPECT_EQ(offline.tag, 256);
  EXPECT_EQ(offline.message, "Wrong password" + test::textOf("STAYOFFLINEORLOGIN"));
  EXPECT_EQ(offline.others, std::vector<std::string>{test::textOf("OK")});
  // Without a text table an empty message is no expired session.
  setTextLookup(nullptr);
  EXPECT_EQ(P::breakAlert(LoginType::Online, "").tag, 255);
}

TEST_F(SyncScreenPresenterTest, TheLastSyncTextIsRewrittenInTheLanguagesShortDate) {
  EXPECT_EQ(P::lastSyncText("09:05 12/31/25", kShortDateFormat), "09:05 12/31/25");
  EXPECT_EQ(P::lastSyncText("09:05 12/31/25", kShortDateFormatChinese), "09:05 25/12/31");
  EXPECT_EQ(P::lastSyncText("23:59 01/02/26", kShortDateFormatChinese), "23:59 26/01/02");
  EXPECT_EQ(P::lastSyncText(std::nullopt, kShortDateFormat), std::nullopt);
  EXPECT_EQ(P::lastSyncText("yesterday", kShortDateFormat), std::nullopt);
  EXPECT_EQ(P::lastSyncText("", kShortDateFormat), std::nullopt);

  // Read from the signed-in client's own key, as a text only.
  EXPECT_EQ(P::storedLastSync(), std::nullopt);
  mv::test::signInAs("acme", "rep");
  auto& defaults = base::UserDefaults::standard();
  defaults.setString("globex-lastsync", "10:00 01/01/26");
  EXPECT_EQ(P::storedLastSync(), std::nullopt);
  defaults.setInteger("acme-lastsync", 5);
  EXPECT_EQ(P::storedLastSync(), std::nullopt);
  defaults.setString("acme-lastsync", "10:00 01/01/26");
  EXPECT_EQ(P::storedLastSync(), "10:00 01/01/26");
}

TEST_F(SyncScreenPresenterTest, WholeNumberPatternsTakeOnlyTheirFirstPlaceholder) {
  EXPECT_EQ(P::formatWholeNumber("About %d minutes left", 7), "About 7 minutes left");
  EXPECT_EQ(P::formatWholeNumber("%d%% of %d", 40), "40% of %d");
  EXPECT_EQ(P::formatWholeNumber("%s %@ %n %d", 3), "%s %@ %n 3");
  EXPECT_EQ(P::formatWholeNumber("trailing %", 3), "trailing %");
  EXPECT_EQ(P::formatWholeNumber("", 3), "");
}

}  // namespace
}  // namespace mv
