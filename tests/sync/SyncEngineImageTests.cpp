// The image phase of a sync run: which files are listed, how the batch
// progress becomes the shown progress and the time left, how a kind ends,
// what is removed when a file changes, and the thumbnail pass.
#include <gtest/gtest.h>

#include <algorithm>

#include "SessionFixture.hpp"
#include "SyncEngineTestSupport.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/RunLoop.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/HttpNetworkCtrl.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using test::SyncEngineTest;

marvisto_image_Entity imageRow(int id, const std::string& full, const std::string& thumb) {
  marvisto_image_Entity e;
  e.image_id = id;
  e.key_id = 1;
  e.key_type = "product";
  e.image_full_address = full;
  e.image_thumb_address = thumb;
  e.image_publis = 1;
  return e;
}

// Holds every file whose path matches `path` until the run ends.
FaultRule stallOf(const std::string& path) {
  FaultRule stall;
  stall.path = path;
  stall.kind = FaultKind::Stall;
  stall.seconds = 0;
  return stall;
}

// The time left is the bytes still to come at the rate of the last stretch
// of a few seconds: none until the rate has been measured that long and a
// file's size is known; the files under way by what they have still to
// bring, the others at the size of the files so far.
TEST(SyncTimeLeftTest, TimeLeftIsTheBytesToComeAtTheRateMeasured) {
  using R = SyncModel::TimeLeftReading;
  const int unknown = SyncModel::kRemainTimeUnknown;
  const struct {
    R reading;
    int seconds;
  } cases[] = {
      // Nothing left: none.
      {{.seconds = 1, .bytes = 0, .filesLeft = 0}, 0},
      // Not measured long enough, or nothing moved yet, or no size known.
      {{.seconds = 4.9, .bytes = 5000, .filesLeft = 3, .filesArrived = 2}, unknown},
      {{.seconds = 10, .bytes = 0, .filesLeft = 3, .underWayFiles = 1, .underWayAnnounced = 1000}, unknown},
      {{.seconds = 10, .bytes = 500, .filesLeft = 3}, unknown},
      // 700 bytes a second into one file of 3 MB announced: its rest at that
      // rate, far past a minute.
      {{.seconds = 6, .bytes = 4200, .bytesSinceBegan = 4200, .filesLeft = 1, .underWayFiles = 1,
        .underWayAnnounced = 3145728, .underWayBrought = 4200},
       4487},
      // Ten files of 10 KB came in 10 s; ten more, none under way: 10 s.
      {{.seconds = 10, .bytes = 102400, .bytesSinceBegan = 102400, .filesLeft = 10, .filesArrived = 10}, 10},
      // Small files came fast, the last ones come at 2100 bytes a second:
      // that rate, not the phase's, over 79500 bytes under way and 21 files
      // of (289500 + 90000) / 51 bytes.
      {{.seconds = 5, .bytes = 10500, .bytesSinceBegan = 300000, .filesLeft = 24, .filesArrived = 48,
        .underWayFiles = 3, .underWayAnnounced = 90000, .underWayBrought = 10500},
       112},
      // Two small files came (2000 bytes), one of 2 MB runs (1000 bytes in):
      // its rest, and the file not yet started at the size of the three
      // (2002000 / 3), at 600 bytes a second.
      {{.seconds = 5, .bytes = 3000, .bytesSinceBegan = 3000, .filesLeft = 2, .filesArrived = 2, .underWayFiles = 1,
        .underWayAnnounced = 2000000, .underWayBrought = 1000},
       4443},
      // Saturates instead of overflowing.
      {{.seconds = 1e9, .bytes = 1, .bytesSinceBegan = 1, .filesLeft = 1e6, .filesArrived = 1}, unknown},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SyncModel::remainTimeFor(c.reading), c.seconds)
        << c.reading.seconds << " s, " << c.reading.bytes << " bytes, " << c.reading.filesLeft << " files left";
}

TEST_F(SyncEngineTest, BatchProgressBecomesTheShownProgressAndEndsTheKindOnce) {
  signIn();
  ASSERT_TRUE(execute("DELETE FROM marvisto_icon"));
  // Ten published image rows, fifteen of their twenty files on disk.
  std::vector<marvisto_image_Entity> rows;
  for (int k = 1; k <= 10; ++k) {
    rows.push_back(imageRow(k, "full_" + std::to_string(k) + ".png", "thumb_" + std::to_string(k) + ".png"));
    ASSERT_TRUE(writeFile(localPath(rows.back().image_thumb_address, kFileTypeProductImage), pictureBytes()));
    if (k > 5) {
      ASSERT_TRUE(writeFile(localPath(rows.back().image_full_address, kFileTypeProductImage), pictureBytes()));
    }
  }
  ASSERT_TRUE(SessionDatabase::open().get()->saveToDatabaseImage(rows));
  service->addFault(stallOf("*/product/*"));
  // The library alone: the run starts with the library tables and keeps the
  // image rows above.
  config->shown = {SyncConfigManager::kLibraryIndex};
  auto e = engine();
  e->startSync();
  ASSERT_TRUE(runUntil([&] { return e->imageType() == 1 && !fileRequests().empty(); }));
  EXPECT_EQ(e->productImgCount(), 20);
  EXPECT_EQ(e->downloadRemotingPImgList().size(), 5u);
  EXPECT_FLOAT_EQ(e->existFilesRat(), 0.75f);
  EXPECT_TRUE(e->downloadRemotingPImgListIcon().empty());
  ASSERT_EQ(e->downloadRemotingPImgListLibimg().size(), 6u);

  // From here the test is the batch queue, on a clock it moves itself.
  base::RunLoop::main().setClock(clock);
  // The files are stalled: no size is known, so no time left is told.
  e->setProgress(0.5f);
  ASSERT_EQ(delegate->progress.size(), 1u);
  EXPECT_FLOAT_EQ(delegate->progress[0].progress, 0.875f);
  EXPECT_EQ(delegate->progress[0].imageType, 1);
  EXPECT_EQ(delegate->progress[0].remainTime, SyncModel::kRemainTimeUnknown);
  advance(10);
  e->setProgress(0.5f);  // a repeated value is dropped
  EXPECT_EQ(delegate->progress.size(), 1u);
  e->fileArrived();
  e->setProgress(0.6f);
  ASSERT_EQ(delegate->progress.size(), 2u);
  EXPECT_FLOAT_EQ(delegate->progress[1].progress, 0.9f);
  EXPECT_EQ(delegate->progress[1].remainTime, SyncModel::kRemainTimeUnknown);
  // Then nothing arrives for a while: the estimate is withdrawn, once.
  const int withdrawn = delegate->withdrawals;
  advance(SyncModel::estimateQuietSeconds() + 0.1);
  EXPECT_EQ(delegate->withdrawals, withdrawn + 1);
  advance(SyncModel::estimateQuietSeconds() + 0.1);
  EXPECT_EQ(delegate->withdrawals, withdrawn + 1);
  e->setProgress(0.1f);  // not one whole file done
  ASSERT_EQ(delegate->progress.size(), 3u);
  EXPECT_EQ(delegate->progress[2].remainTime, SyncModel::kRemainTimeUnknown);
  e->setProgress(0.0f);
  EXPECT_EQ(delegate->progress.size(), 3u);

  // Beyond the end counts as the end, once; the kind reads whole when the
  // batch's last file, told after its end, has come.
  e->setProgress(1.2f);
  ASSERT_EQ(delegate->progress.size(), 4u);
  EXPECT_LT(delegate->progress[3].progress, 1.0f);
  EXPECT_TRUE(e->downloadRemotingPImgList().empty());
  DownloadRst last;
  last.status = "200";
  last.type = 1;
  last.fileName = "full_5.png";
  e->downloadFileRespond(last);
  ASSERT_EQ(delegate->progress.size(), 5u);
  EXPECT_FLOAT_EQ(delegate->progress[4].progress, 1.0f);
  e->setProgress(1.0f);
  e->setProgress(0.3f);
  e->downloadFileRespond(last);
  EXPECT_EQ(delegate->progress.size(), 5u);

  // The run breaks before the next kind's delayed start: it never comes.
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  EXPECT_EQ(delegate->breaks.size(), 1u);
  advance(1.0);
  base::RunLoop::main().drain();
  e->setProgress(0.7f);
  EXPECT_EQ(delegate->ends(), 1);
  EXPECT_EQ(delegate->count("imagesDone:3"), 0);
  EXPECT_EQ(delegate->progress.size(), 5u);
  for (const auto& f : requestedFiles()) EXPECT_EQ(f.rfind("product/", 0), 0u) << f;
  EXPECT_TRUE(acknowledgements().empty());
}

TEST_F(SyncEngineTest, TheNextImageKindStartsAPauseAfterOneCompletesAndBothAreTold) {
  signIn();
  ASSERT_TRUE(execute("DELETE FROM marvisto_icon"));
  ASSERT_TRUE(SessionDatabase::open().get()->saveToDatabaseImage({imageRow(1, "full_1.png", "thumb_1.png")}));
  // Every file waits: the kinds end only when the test says so.
  service->addFault(stallOf("*/product/*"));
  service->addFault(stallOf("*/cover_image/*"));
  config->shown = {SyncConfigManager::kLibraryIndex};
  auto e = engine();
  e->startSync();
  ASSERT_TRUE(runUntil([&] { return e->imageType() == 1 && !fileRequests().empty(); }));
  ASSERT_FALSE(e->downloadRemotingPImgListLibimg().empty());
  base::RunLoop::main().setClock(clock);

  e->setProgress(1.0f);
  EXPECT_EQ(delegate->count("kindCompleted:1"), 1);
  advance(SyncModel::kNextKindDelay * 0.9);
  EXPECT_EQ(delegate->count("pauseEnded:3"), 0);
  EXPECT_EQ(e->imageType(), 1);
  advance(SyncModel::kNextKindDelay * 0.2);
  ASSERT_EQ(delegate->count("pauseEnded:3"), 1);
  // No icons to fetch: the covers follow them at once, with no pause.
  EXPECT_EQ(e->imageType(), 4);
  EXPECT_LT(delegate->indexOf("kindCompleted:1"), delegate->indexOf("pauseEnded:3"));
  EXPECT_LT(delegate->indexOf("pauseEnded:3"), delegate->indexOf("imagesDone:3"));
  EXPECT_EQ(delegate->count("pauseEnded:4"), 0);
  EXPECT_EQ(delegate->count("kindCompleted:3"), 0);

  // A run that breaks while the covers are fetched completes no kind.
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  ASSERT_EQ(delegate->breaks.size(), 1u);
  advance(1.0);
  base::RunLoop::main().drain();
  EXPECT_EQ(delegate->count("kindCompleted:4"), 0);
}

// A full catalogue's list is checked against one listing of the folder: the
// same files are listed as one look per name would list, an unsafe name is
// still skipped, and a folder holding other things changes nothing.
TEST_F(SyncEngineTest, ALongImageListNamesTheMissingFilesOnly) {
  DataAccessManager* dam = SessionDatabase::open().get();
  ASSERT_TRUE(execute("DELETE FROM marvisto_icon"));
  std::vector<marvisto_image_Entity> rows;
  std::vector<std::string> missing;
  for (int k = 1; k <= 300; ++k) {
    const std::string full = "p" + std::to_string(k) + ".jpg";
    const std::string thumb = "p" + std::to_string(k) + "_s.jpg";
    rows.push_back(imageRow(k, full, thumb));
    // Every third picture and every thumbnail but the fifth are on disk; of
    // the others, some stand there as bytes that are no picture.
    if (k % 3 == 0) {
      ASSERT_TRUE(writeFile(localPath(full, kFileTypeProductImage), pictureBytes()));
    } else if (k % 7 == 0) {
      ASSERT_TRUE(writeFile(localPath(full, kFileTypeProductImage), "<html>Sign in</html>"));
    }
    if (k % 5 != 0) {
      ASSERT_TRUE(writeFile(localPath(thumb, kFileTypeProductImage), pictureBytes()));
    }
    if (k % 5 == 0) missing.push_back(thumb);
    if (k % 3 != 0) missing.push_back(full);
  }
  rows.push_back(imageRow(301, "../escape.jpg", "p1.jpg"));
  ASSERT_TRUE(dam->saveToDatabaseImage(rows));
  ASSERT_TRUE(writeFile(localPath("unrelated.jpg", kFileTypeProductImage), "x"));

  auto e = engine();
  ASSERT_TRUE(e->addAllImageLists());
  std::vector<std::string> listed = e->downloadRemotingPImgList();
  std::sort(listed.begin(), listed.end());
  std::sort(missing.begin(), missing.end());
  EXPECT_EQ(listed, missing);
  EXPECT_EQ(e->productImgCount(), 600);
}

TEST_F(SyncEngineTest, ImageListsNameEachMissingFileOnce) {
  DataAccessManager* dam = SessionDatabase::open().get();
  ASSERT_TRUE(execute("DELETE FROM marvisto_icon"));
  ASSERT_TRUE(dam->saveToDatabaseImage({imageRow(1, "a.png", "a_s.png"), imageRow(2, "a.png", ""),
                                        imageRow(3, "b.png", "b_s.png"), imageRow(4, "../marvisto_lite.sqlite", "  ")}));
  ASSERT_TRUE(writeFile(localPath("b.png", kFileTypeProductImage), pictureBytes()));
  std::vector<marvisto_icon_Entity> icons(3);
  icons[0]._id = 1;
  icons[0].name = "i.png";
  icons[1]._id = 2;
  icons[1].name = "i.png";
  icons[2]._id = 3;
  ASSERT_TRUE(dam->saveToDatabaseIcon(icons));
  std::vector<marvisto_library_files_Entity> files(3);
  for (int i = 0; i < 3; ++i) {
    files[i].file_id = i + 1;
    files[i].file_name = "doc" + std::to_string(i) + ".pdf";
    files[i].type = "PDF";
    files[i].published = 1;
    files[i].cover_image = i < 2 ? "c.png" : "";
  }
  ASSERT_TRUE(dam->saveToDatabaseLibraryFiles(files));

  auto e = engine();
  ASSERT_TRUE(e->addAllImageLists());
  EXPECT_EQ(e->downloadRemotingPImgList(), (std::vector<std::string>{"a.png", "a_s.png", "b_s.png"}));
  EXPECT_EQ(e->productImgCount(), 4);
  EXPECT_EQ(e->downloadRemotingPImgListIcon(), (std::vector<std::string>{"i.png"}));
  EXPECT_EQ(e->iconImgCount(), 1);
  EXPECT_EQ(e->downloadRemotingPImgListLibimg(), (std::vector<std::string>{"c.png"}));
  EXPECT_EQ(e->libImgCount(), 1);
  ASSERT_TRUE(e->addAllImageLists());
  EXPECT_EQ(e->downloadRemotingPImgList().size(), 3u);
  // A list that cannot be read is no list to fetch: the image phase stops
  // there instead of finishing without its pictures.
  for (const char* table : {"marvisto_image", "marvisto_icon", "marvisto_library_files"}) {
    SCOPED_TRACE(table);
    ASSERT_TRUE(execute(std::string("ALTER TABLE ") + table + " RENAME TO set_aside"));
    EXPECT_FALSE(e->addAllImageLists());
    ASSERT_TRUE(execute(std::string("ALTER TABLE set_aside RENAME TO ") + table));
  }

  // A changed file goes with its partial download; a name that is not a
  // plain file name removes nothing.
  const fs::path database = dam->databasePath();
  const fs::path partial = HttpNetworkCtrl::partialPathWithName("a.png", kFileTypeProductImage);
  const fs::path coverPartial = HttpNetworkCtrl::partialPathWithName("c.png", kFileTypeLibraryImage);
  ASSERT_TRUE(writeFile(localPath("a.png", kFileTypeProductImage), "a"));
  ASSERT_TRUE(writeFile(partial, "a-part"));
  ASSERT_TRUE(writeFile(localPath("c.png", kFileTypeLibraryImage), "c"));
  ASSERT_TRUE(writeFile(coverPartial, "c-part"));
  SyncModel::deleteImgThumb({imageRow(5, "a.png", " "), imageRow(6, "../marvisto_lite.sqlite", "..")});
  SyncModel::deleteCoverImages({files[0], files[2]});
  EXPECT_FALSE(fs::exists(localPath("a.png", kFileTypeProductImage)));
  EXPECT_FALSE(fs::exists(partial));
  EXPECT_FALSE(fs::exists(localPath("c.png", kFileTypeLibraryImage)));
  EXPECT_FALSE(fs::exists(coverPartial));
  EXPECT_TRUE(fs::exists(localPath("b.png", kFileTypeProductImage)));
  EXPECT_TRUE(fs::exists(database));

  // The same for the long lists of a full sync.
  std::vector<marvisto_image_Entity> many;
  for (int k = 0; k < 300; ++k) {
    many.push_back(imageRow(100 + k, "n" + std::to_string(k) + ".png", "n" + std::to_string(k) + "_s.png"));
  }
  many.push_back(imageRow(999, "../marvisto_lite.sqlite", "/etc/passwd"));
  ASSERT_TRUE(writeFile(localPath("n7.png", kFileTypeProductImage), "7"));
  ASSERT_TRUE(writeFile(localPath("n299_s.png", kFileTypeProductImage), "299"));
  ASSERT_TRUE(writeFile(HttpNetworkCtrl::partialPathWithName("n8.png", kFileTypeProductImage), "8-part"));
  SyncModel::deleteImgThumb(many);
  EXPECT_FALSE(fs::exists(localPath("n7.png", kFileTypeProductImage)));
  EXPECT_FALSE(fs::exists(localPath("n299_s.png", kFileTypeProductImage)));
  EXPECT_FALSE(fs::exists(HttpNetworkCtrl::partialPathWithName("n8.png", kFileTypeProductImage)));
  EXPECT_TRUE(fs::exists(localPath("b.png", kFileTypeProductImage)));
  EXPECT_TRUE(fs::exists(database));
}

TEST_F(SyncEngineTest, ThumbnailPassesWriteWhereTheyWereAskedAndStopAtLogout) {
  auto picture = data(1).file("product/p1001_1.jpg");
  ASSERT_TRUE(picture);
  auto rowsNamed = [&](const std::string& stem, int count) {
    std::vector<base::Value> rows;
    for (int k = 0; k < count; ++k) {
      const std::string full = stem + std::to_string(k) + ".jpg";
      EXPECT_TRUE(writeFile(localPath(full, kFileTypeProductImage), *picture));
      rows.push_back(base::Value{{"imageFull", full}, {"imageThumb", stem + std::to_string(k) + "_s.png"}});
    }
    return rows;
  };
  auto countThumbs = [&](const std::string& stem) {
    int n = 0;
    for (const auto& entry : fs::directory_iterator(root / "Documents" / "acme" / "ProductImages")) {
      const std::string name = entry.path().filename().string();
      n += name.rfind(stem, 0) == 0 && name.size() > 6 && name.substr(name.size() - 6) == "_s.png";
    }
    return n;
  };

  auto e = engine();
  e->createImgThumb(rowsNamed("first", 12));
  // The session moves on while the pass runs; its files stay where asked.
  mv::test::signInAs("globex", "rep");
  e->waitForThumbnails();
  mv::test::signInAs("acme", "rep");
  EXPECT_EQ(countThumbs("first"), 12);
  EXPECT_FALSE(fs::exists(root / "Documents" / "globex"));
  auto thumb = gfx::ImageData::decodeFile(localPath("first0_s.png", kFileTypeProductImage));
  ASSERT_TRUE(thumb);
  EXPECT_LE(thumb->width, kThumbMaxWidth);
  EXPECT_EQ(thumb->height, kThumbMaxHeight);

  // Logout stops a pass under way: nothing is written afterwards.
  e->createImgThumb(rowsNamed("second", 60));
  e.reset();
  services.reset();
  scope->endServices();
  const int made = countThumbs("second");
  waitFor(0.3);
  EXPECT_EQ(countThumbs("second"), made);
  EXPECT_LT(made, 60);
}

}  // namespace
}  // namespace mv
