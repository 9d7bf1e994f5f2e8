// The library's decision tables: how a file is opened by its type, size and
// extension; how its cell looks in each state; what a tap does; which files
// a bulk download takes and what it asks first; the head bar button.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LibraryTestSupport.hpp"
#include "library/LibraryCellState.hpp"
#include "library/LibraryDownloadButton.hpp"
#include "library/LibraryDownloads.hpp"
#include "library/LibraryFileOpener.hpp"
#include "library/LibraryListModel.hpp"
#include "library/LibraryPanTracker.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/ViewStyle.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using Action = LibraryOpenAction;

class LibraryDecisionTablesTest : public test::LibraryTest {
 protected:
  fs::path fileOfSize(const std::string& name, std::uintmax_t size) {
    fs::path p = root / "open" / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).close();
    fs::resize_file(p, size);
    return p;
  }
};

TEST_F(LibraryDecisionTablesTest, OpeningByTypeSizeAndExtension) {
  const std::uintmax_t MiB = 1024 * 1024;
  struct Case {
    std::string type;
    std::string name;
    std::uintmax_t size;  // 0 with `missing` false: an empty file
    int device;
    Action action;
    std::string failure;
    bool missing = false;
  };
  const Case cases[] = {
      // Readers of their own take any size, and only the exact type word.
      {"VEDIO", "clip.avi", 0, 1, Action::Video, ""},
      {"PDF", "big.pdf", 50 * MiB, 1, Action::PdfReader, "THEFILEISCORRUPTED"},
      {"EPUB", "book.epub", 0, 1, Action::EpubReader, "", true},
      {"pdf", "lower.pdf", 1 * MiB, 1, Action::OpenIn, "NOAPPFORFILE"},
      {"Video", "clip.mp4", 1 * MiB, 1, Action::OpenIn, "NOAPPFORFILE"},
      // Office files by the path's extension, in any case, within the limit.
      {"WORD", "guide.DOCX", 5 * MiB, 1, Action::OfficeViewer, ""},
      {"WORD", "guide.docx", 5 * MiB + 1, 1, Action::OpenIn, "FILETOOLARGEALERT"},
      {"EXCEL", "sheet.Xls", 20 * MiB, 2, Action::OfficeViewer, ""},
      {"EXCEL", "sheet.xlsx", 20 * MiB + 1, 2, Action::OpenIn, "FILETOOLARGEALERT"},
      {"PPT", "pitch.pptx", 40 * MiB, 3, Action::OfficeViewer, ""},
      {"PPT", "pitch.ppt", 40 * MiB + 1, 3, Action::OpenIn, "FILETOOLARGEALERT"},
      // Every format the office suite opens.
      {"WORD", "terms.odt", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"WORD", "letter.RTF", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"EXCEL", "prices.ods", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"EXCEL", "macros.xlsm", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"PPT", "pitch.odp", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"PPT", "show.ppsx", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"WORD", "letter.wpd", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"WORD", "plan.odg", 1 * MiB, 1, Action::OfficeViewer, ""},
      {"EXCEL", "budget.wk1", 1 * MiB, 1, Action::OfficeViewer, ""},
      // Nothing there is not called too large, and is offered to nobody.
      {"PPT", "pitch.pptx", 0, 3, Action::None, "FILEMISSINGOREMPTY"},
      {"KEYNOTE", "empty.key", 0, 3, Action::None, "FILEMISSINGOREMPTY"},
      {"KEYNOTE", "gone.key", 1, 3, Action::None, "FILEMISSINGOREMPTY", true},
      {"WORD", "notes.doc", 1, 1, Action::OfficeViewer, "", true},
      // The type word does not make an Office file; the extension does, and
      // names what no application took.
      {"WORD", "guide.pages", 1 * MiB, 1, Action::OpenIn, "NOAPPFORTEXTDOCUMENT"},
      {"EXCEL", "sheet.numbers", 1 * MiB, 1, Action::OpenIn, "NOAPPFORSPREADSHEET"},
      {"KEYNOTE", "deck.key", 1 * MiB, 2, Action::OpenIn, "PLEASEDOWNLOADKEYNOTE"},
      {"EXCEL", "noextension", 1 * MiB, 2, Action::OpenIn, "NOAPPFORFILE"},
  };
  for (const auto& c : cases) {
    const fs::path path = c.missing ? root / "open" / ("missing-" + c.name) : fileOfSize(c.name, c.size);
    auto d = LibraryFileOpener::decide(c.type, path, c.device);
    const std::string label = c.type + " " + c.name + " " + std::to_string(c.size) + " device " + std::to_string(c.device);
    // A missing Office file opens nowhere.
    const Action expected = c.missing && c.action == Action::OfficeViewer ? Action::None : c.action;
    const std::string failure = c.missing && c.action == Action::OfficeViewer ? "FILEMISSINGOREMPTY" : c.failure;
    EXPECT_EQ(d.action, expected) << label;
    EXPECT_EQ(d.failureMessageKey, failure) << label;
    EXPECT_EQ(d.path, path) << label;
  }
  // By name: the folder of the type word; names that cannot be local files none.
  auto byName = LibraryFileOpener::decideForFile("guide.docx", "WORD");
  ASSERT_TRUE(byName);
  EXPECT_EQ(byName->path, PublicFunction::filePathWithName("guide.docx", kFileTypeWord));
  EXPECT_FALSE(LibraryFileOpener::decideForFile("../guide.docx", "WORD"));
}

TEST_F(LibraryDecisionTablesTest, CellLooksAndBadges) {
  auto file = test::libraryFile(1, "Catalogue", "c.pdf", "PDF");
  file.info = "pdf/2.5 M,00:10";
  using Overlay = LibraryCellState::Overlay;
  struct Case {
    LibraryFileState s;
    const char* background;
    int ribbon;
    bool info;
    double width;
    Overlay overlay;
  };
  LibraryFileState none, present, fresh, update, downloading, paused;
  present.present = true;
  fresh.isNew = true;
  update.present = true;
  update.pendingUpdate = true;
  update.isNew = true;
  downloading.downloading = true;
  downloading.isNew = true;
  downloading.percent = 0.4f;
  paused.paused = true;
  paused.percent = 0.7f;
  const Case cases[] = {
      {none, "bg_file.png", 0, false, 140, Overlay::None},
      {fresh, "bg_file.png", 1, false, 140, Overlay::None},
      {present, "bg_file_downloaded.png", 0, true, 105, Overlay::None},
      {update, "bg_file_downloaded.png", 2, true, 105, Overlay::None},
      {downloading, "bg_file.png", 1, false, 140, Overlay::Downloading},
      {paused, "bg_file.png", 0, false, 140, Overlay::Paused},
  };
  for (const auto& c : cases) {
    auto cell = LibraryCellState::make(file, c.s, false);
    EXPECT_EQ(cell.backgroundImage, c.background);
    EXPECT_EQ(cell.ribbon, c.ribbon);
    EXPECT_EQ(cell.infoButtonShown, c.info);
    EXPECT_EQ(cell.titleWidth, c.width);
    EXPECT_EQ(cell.overlay, c.overlay);
    EXPECT_FALSE(cell.deleteButtonShown);
  }
  auto d = LibraryCellState::make(file, downloading, true);
  EXPECT_EQ(d.overlayImage, "bg_file_downloading.png");
  EXPECT_EQ(d.overlayTextKey, "DOWNLOADING");
  EXPECT_FLOAT_EQ(d.progress, 0.4f);
  EXPECT_TRUE(d.deleteButtonShown);
  auto p = LibraryCellState::make(file, paused, false);
  EXPECT_EQ(p.overlayImage, "bg_file_paused.png");
  EXPECT_EQ(p.overlayTextKey, "PAUSED");
  EXPECT_FLOAT_EQ(p.progress, 0.7f);
  EXPECT_EQ(LibraryCellState::make(file, none, false).progress, 0.0f);
  LibraryFileState favourite;
  favourite.favourite = true;
  EXPECT_EQ(LibraryCellState::make(file, favourite, false).favouriteImage, "btn_file_fav_added");
  EXPECT_EQ(LibraryCellState::make(file, none, false).favouriteImage, "");
  EXPECT_EQ(p.badgeText, "pdf");
  EXPECT_EQ(p.badgeColor, gfx::Color::rgb255(208, 72, 46));

  const std::pair<const char*, gfx::Color> colours[] = {
      {"EPUB", gfx::Color::rgb255(133, 185, 22)}, {"xls", gfx::Color::rgb255(86, 147, 50)},
      {"XLSX", gfx::Color::rgb255(86, 147, 50)},  {"Key", gfx::Color::rgb255(229, 118, 43)},
      {"PPT", gfx::Color::rgb255(229, 118, 43)},  {"pptx", gfx::Color::rgb255(229, 118, 43)},
      {"MOV", gfx::Color::rgb255(140, 107, 187)}, {"mp4", gfx::Color::rgb255(140, 107, 187)},
      {"M4V", gfx::Color::rgb255(140, 107, 187)}, {"3gp", gfx::Color::rgb255(140, 107, 187)},
      {"DOC", gfx::Color::rgb255(33, 143, 244)},  {"docx", gfx::Color::rgb255(33, 143, 244)},
      {"AVI", ViewStyle::colorOfMainTheme()},     {"", ViewStyle::colorOfMainTheme()},
      {"PDFX", ViewStyle::colorOfMainTheme()},
  };
  // The badge takes the widgets' indicator colour of its format.
  for (const auto& [format, colour] : colours) {
    marvisto_library_files_Entity typed = file;
    typed.info = std::string(format) + "/1.0 M";
    EXPECT_EQ(LibraryCellState::make(typed, none, false).badgeColor, colour) << format;
    EXPECT_EQ(ViewStyle::indicatorColorByFormat(format), colour) << format;
  }
  EXPECT_EQ(LibraryCellState::formatOfInfo("DOCX/1.0 M/x"), "DOCX");
  EXPECT_EQ(LibraryCellState::formatOfInfo("no slash"), "no slash");

  EXPECT_EQ(LibraryCellState::ribbonImageName(1, 2), "ribbon_new_cn.png");
  EXPECT_EQ(LibraryCellState::ribbonImageName(2, 2), "ribbon_update_cn.png");
  EXPECT_EQ(LibraryCellState::ribbonImageName(1, 1), "ribbon_new_en.png");
  EXPECT_EQ(LibraryCellState::ribbonImageName(2, 0), "ribbon_update_en.png");
  EXPECT_EQ(LibraryCellState::ribbonImageName(0, 2), "");
  EXPECT_EQ(LibraryCellState::ribbonImageName(3, 1), "");
}

TEST_F(LibraryDecisionTablesTest, TapActionsByStateTabAndEditMode) {
  using T = LibraryTapAction;
  LibraryFileState absent, present, update, downloading, paused;
  present.present = true;
  update.present = true;
  update.pendingUpdate = true;
  downloading.downloading = true;
  downloading.present = true;  // an update being fetched
  paused.paused = true;
  struct Case {
    LibraryFileState s;
    T tab0, tab1, tab1Editing;
  };
  const Case cases[] = {
      {downloading, T::Pause, T::Pause, T::Pause},
      {paused, T::Resume, T::Resume, T::Resume},
      {absent, T::ShowInfo, T::ShowInfo, T::ShowInfo},
      {update, T::OfferUpdate, T::OfferUpdate, T::Nothing},
      {present, T::Open, T::Open, T::Nothing},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LibraryListModel::tapAction(c.s, 0, false), c.tab0);
    EXPECT_EQ(LibraryListModel::tapAction(c.s, 0, true), c.tab0) << "edit mode is the collection's only";
    EXPECT_EQ(LibraryListModel::tapAction(c.s, 1, false), c.tab1);
    EXPECT_EQ(LibraryListModel::tapAction(c.s, 1, true), c.tab1Editing);
  }
}

TEST_F(LibraryDecisionTablesTest, SizesQualificationAndTheBulkQuestion) {
  const std::pair<const char*, double> sizes[] = {
      {"PDF/2.5 M", 2.5}, {"PDF/0.3 M,00:02", 0.3}, {"PDF", 0},     {"", 0},
      {"PDF/abc", 0},     {"MP4/12 M", 12},         {"PDF/-1 M", 0}, {"PDF/1.5 M/extra", 1.5},
  };
  for (const auto& [info, size] : sizes) {
    auto f = test::libraryFile(1, "x", "x.pdf", "PDF");
    f.info = info;
    EXPECT_DOUBLE_EQ(LibraryDownloads::getFileSize(f), size) << info;
  }

  LibraryFileState absent, present, downloading, paused, update;
  present.present = true;
  downloading.downloading = true;
  paused.paused = true;
  paused.present = true;
  update.present = true;
  update.pendingUpdate = true;
  EXPECT_TRUE(LibraryDownloads::fileCanBeDownloaded(absent));
  EXPECT_FALSE(LibraryDownloads::fileCanBeDownloaded(present));
  EXPECT_FALSE(LibraryDownloads::fileCanBeDownloaded(downloading));
  EXPECT_TRUE(LibraryDownloads::fileCanBeDownloaded(paused));
  EXPECT_FALSE(LibraryDownloads::fileCanBeUpdated(present));
  EXPECT_TRUE(LibraryDownloads::fileCanBeUpdated(update));

  std::map<int, LibraryFileState> states;
  auto reader = [&](const marvisto_library_files_Entity& f) { return states[f.file_id]; };
  auto file = [](int id, const char* info) {
    auto f = test::libraryFile(id, "f", "f" + std::to_string(id) + ".pdf", "PDF");
    f.info = info;
    return f;
  };
  std::vector<marvisto_library_files_Entity> files = {file(1, "PDF/0.2 M"), file(2, "PDF/0.3 M"), file(3, "PDF/4 M"),
                                                      file(4, "PDF")};
  states[3] = present;
  states[4] = present;
  auto s = LibraryDownloads::summarize(files, reader, false);
  EXPECT_EQ(s.count, 2u);
  EXPECT_DOUBLE_EQ(s.size, 0.5) << "small files add up";
  EXPECT_EQ(s.messageKey, "FILENUMBERANDSIZE");
  states[1] = paused;
  states[2] = downloading;
  s = LibraryDownloads::summarize(files, reader, false);
  EXPECT_EQ(s.count, 1u);
  EXPECT_EQ(s.messageKey, "SINGLEFILENUMBERANDSIZE");
  states[3] = update;
  states[4] = update;
  s = LibraryDownloads::summarize(files, reader, true);
  EXPECT_EQ(s.count, 2u);
  EXPECT_DOUBLE_EQ(s.size, 4.0);
  s = LibraryDownloads::summarize({}, reader, false);
  EXPECT_EQ(s.count, 0u);
  EXPECT_DOUBLE_EQ(s.size, 0.0);
  EXPECT_EQ(s.messageKey, "FILENUMBERANDSIZE");

  EXPECT_EQ(LibraryDownloads::formatCountAndSize("%d files, %.1f MB in total. Continue?", 3, 12.345),
            "3 files, 12.3 MB in total. Continue?");
  EXPECT_EQ(LibraryDownloads::formatCountAndSize("共 1 个文件，合计 %.1f MB。", 1, 1.0), "共 1 个文件，合计 1.0 MB。");
  EXPECT_EQ(LibraryDownloads::formatCountAndSize("%s %n %% %f%", 2, 0.5), "%s %n % 0.500000%");
  // The question says the real size: small totals in kilobytes.
  struct SizeCase {
    double megabytes;
    const char* said;
  };
  for (const auto& c : std::vector<SizeCase>{{0.5, "512 KB"}, {0.2, "205 KB"}, {0.0001, "1 KB"}, {0, "0 KB"},
                                             {1, "1.0 MB"}, {12.345, "12.3 MB"}, {2048, "2.0 GB"}}) {
    EXPECT_EQ(LibraryDownloads::formatCountAndSize("%d files, %@ in total. Continue?", 2, c.megabytes),
              std::string("2 files, ") + c.said + " in total. Continue?");
  }

  using C = LibraryDownloadCheck;
  EXPECT_EQ(LibraryDownloads::check(LoginType::Demo, true), C::DemoLimited);
  EXPECT_EQ(LibraryDownloads::check(LoginType::Offline, true), C::Offline);
  EXPECT_EQ(LibraryDownloads::check(LoginType::Online, true), C::Cellular);
  EXPECT_EQ(LibraryDownloads::check(LoginType::Online, false), C::Go);
  EXPECT_EQ(LibraryDownloads::check(LoginType::None, false), C::Go);
}

TEST_F(LibraryDecisionTablesTest, HeadBarButtonStates) {
  LibraryDownloadButton library(0);
  EXPECT_EQ(library.imageName(), "btn_download_all.png");
  EXPECT_FALSE(library.update(-1, false, false));
  EXPECT_TRUE(library.isHidden()) << "nothing to download";
  library.update(-1, false, true);
  EXPECT_FALSE(library.isHidden());
  library.update(3, false, true);
  EXPECT_TRUE(library.isHidden()) << "a category is chosen";

  // Download all on Wi-Fi: cancel all until the last download ends.
  library.setBtnStatusToCancel(true);
  EXPECT_EQ(library.imageName(), "btn_cancel_all.png");
  EXPECT_FALSE(library.update(-1, true, false));
  EXPECT_FALSE(library.isHidden());
  // During it each reason is told once: in the alert still up, or in one of its own.
  using Failure = LibraryDownloadButton::Failure;
  EXPECT_EQ(library.failure("a.pdf is larger", false), Failure::Alert);
  EXPECT_EQ(library.failure("b.pdf is larger", true), Failure::Join);
  EXPECT_EQ(library.failure("b.pdf is larger", true), Failure::Told);
  EXPECT_EQ(library.failure("a.pdf is larger", false), Failure::Told);
  EXPECT_EQ(library.failure("c.pdf is cut", false), Failure::Alert) << "the alert was answered";
  EXPECT_TRUE(library.update(-1, false, false)) << "the open cancel question goes";
  EXPECT_FALSE(library.isBtnCancel());
  EXPECT_TRUE(library.isHidden());
  EXPECT_EQ(library.failure("a.pdf is larger", true), Failure::Alert) << "outside a download-all every failure";
  EXPECT_EQ(library.failure("a.pdf is larger", true), Failure::Alert);
  library.setBtnStatusToCancel(true);
  EXPECT_EQ(library.failure("a.pdf is larger", false), Failure::Alert) << "a new download-all tells its own";

  LibraryDownloadButton collection(1);
  EXPECT_EQ(collection.imageName(), "btn_update_all.png");
  collection.setBtnStatusToCancel(true);
  EXPECT_FALSE(collection.isBtnCancel()) << "the collection never cancels all";
  collection.update(-1, true, true);
  EXPECT_FALSE(collection.isHidden());
  collection.update(0, true, true);
  EXPECT_TRUE(collection.isHidden());
}

TEST_F(LibraryDecisionTablesTest, BulkLoopsRequestQualifyingFilesAndKeepPendingUpdates) {
  std::vector<marvisto_library_files_Entity> files;
  for (int id = 1; id <= 4; ++id) files.push_back(test::libraryFile(id, "f", "f" + std::to_string(id) + ".pdf", "PDF"));
  save(files);
  ASSERT_TRUE(store().saveToDatabaseLibraryUpdate({3, "old3.pdf", "PDF"}));
  putOnDisk("old3.pdf", "PDF");
  putOnDisk("f4.pdf", "PDF");
  manager->loadExistsFiles();
  manager->sendRequest(SaleslibraryModel::requestForFile(files[0]));
  manager->pauseDownloadFile("f1.pdf");
  sender->clearSent();

  // The paused file resumes, the absent one starts, present ones stay.
  EXPECT_EQ(LibraryDownloads::startDownloadAll(*manager, files, LibraryFileState::readerOf(manager)), 2u);
  ASSERT_EQ(downloads().size(), 2u);
  EXPECT_EQ(downloads()[0]->fileNameList, std::vector<std::string>{"f1.pdf"});
  EXPECT_EQ(downloads()[1]->fileNameList, std::vector<std::string>{"f2.pdf"});

  sender->clearSent();
  EXPECT_EQ(LibraryDownloads::startUpdateAll(*manager, files, LibraryFileState::readerOf(manager)), 1u);
  ASSERT_EQ(downloads().size(), 1u);
  EXPECT_EQ(downloads()[0]->fileNameList, std::vector<std::string>{"f3.pdf"});
  EXPECT_TRUE(store().getLibFileUpdateByFileID(3)) << "kept until the new version has arrived";
  EXPECT_TRUE(manager->isExists(3));

  // Cancel all reaches every download and pause of the manager, also those
  // of files the grid does not show.
  manager->sendRequest(SaleslibraryModel::requestForFile(test::libraryFile(9, "elsewhere", "f9.pdf", "PDF")));
  manager->pauseDownloadFile("f2.pdf");
  sender->clearCancelled();
  LibraryDownloads::cancelAllDownloads(*manager);
  EXPECT_EQ(cancelled(), (std::vector<std::string>{"f1.pdf", "f3.pdf", "f9.pdf"}))
      << "running transfers are cancelled; the paused one has none";
  EXPECT_TRUE(manager->downloadFileNameArray().empty());
  EXPECT_TRUE(manager->pauseFileArray().empty());
  EXPECT_TRUE(store().getLibFileUpdateByFileID(3));
}

TEST_F(LibraryDecisionTablesTest, PanActsOncePerGestureOnItsWholeTranslation) {
  using O = LibraryPanTracker::Outcome;
  using P = LibraryPanTracker::Phase;
  LibraryPanTracker t;
  // The translation counts from the start: 60, 80, 100 is 100 points, not 240.
  EXPECT_EQ(t.pan(P::Began, 60), O::None);
  EXPECT_EQ(t.pan(P::Changed, 80), O::None);
  EXPECT_EQ(t.pan(P::Changed, 100), O::None);
  EXPECT_EQ(t.panDistance, 100);
  EXPECT_EQ(t.pan(P::Ended, 100), O::None) << "exactly 100 posts nothing";
  EXPECT_EQ(t.panDistance, 0);
  // Past 100 while still moving acts at once, and once only.
  EXPECT_EQ(t.pan(P::Began, 20), O::None);
  EXPECT_EQ(t.pan(P::Changed, 101), O::ShowMaster);
  EXPECT_EQ(t.pan(P::Changed, 250), O::None);
  EXPECT_EQ(t.pan(P::Changed, 400), O::None);
  EXPECT_EQ(t.pan(P::Ended, 400), O::None);
  // A pan the other way that reaches past -100 only when it ends.
  EXPECT_EQ(t.pan(P::Began, -10), O::None);
  EXPECT_EQ(t.pan(P::Ended, -150), O::HideMaster);
  // Back and forth within one gesture: the first crossing wins.
  EXPECT_EQ(t.pan(P::Began, 0), O::None);
  EXPECT_EQ(t.pan(P::Changed, -120), O::HideMaster);
  EXPECT_EQ(t.pan(P::Changed, 130), O::None);
  EXPECT_EQ(t.pan(P::Ended, 130), O::None);
}

}  // namespace
}  // namespace mv
