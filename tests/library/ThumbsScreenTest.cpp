// The thumbnails screen on its own: centred on the current page, lists that
// keep their positions, the card that fits the picture, and its buttons.
#include <gtest/gtest.h>

#include "ReaderTestSupport.hpp"
#include "library/reader/ThumbsPageThumb.hpp"
#include "library/reader/ThumbsViewController.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"

namespace mv {
namespace {

class RecordingReader : public ThumbsViewControllerDelegate {
 public:
  void thumbsViewController(ThumbsViewController&, long page) override { calls.push_back("goto " + std::to_string(page)); }
  void dismissThumbsViewController(ThumbsViewController&) override { calls.push_back("dismiss thumbs"); }
  void dismissReaderViewController() override { calls.push_back("dismiss reader"); }
  std::vector<std::string> calls;
};

class ThumbsScreenTest : public test::ReaderTest {
 protected:
  void TearDown() override {
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    window.reset();
    ReaderTest::TearDown();
  }
  std::shared_ptr<ThumbsViewController> show(int pages, long current) {
    doc = ReaderDocument::withDocumentFilePath(libraryPdf("t.pdf", plainPdf(pages)));
    doc->setPageNumber(current);
    screen = ThumbsViewController::initWithReaderDocument(doc, "Catalogue");
    reader = std::make_shared<RecordingReader>();
    screen->setDelegate(reader);
    window = makeWindow();
    window->setRootViewController(screen);
    ui::View::layoutPendingViews();
    return screen;
  }
  void pick(long segment) {
    auto& c = *screen->mainToolbar()->showControl();
    c.setSelectedSegmentIndex(segment);
    c.sendActionsForControlEvents(ui::ControlEventValueChanged);
  }
  std::shared_ptr<ReaderDocument> doc;
  std::shared_ptr<ThumbsViewController> screen;
  std::shared_ptr<RecordingReader> reader;
  std::shared_ptr<ui::Window> window;
};

TEST_F(ThumbsScreenTest, OpensCentredOnTheCurrentPage) {
  show(40, 12);
  auto& grid = *screen->theThumbsView();
  EXPECT_EQ(grid.frame(), (ui::Rect{0, 44, 1024, 724}));
  EXPECT_EQ(grid.thumbSize(), (ui::Size{256, 256}));
  // Item 11 is in row 2: its middle at 640, the view's middle 362 above it.
  EXPECT_EQ(grid.contentOffset(), (ui::Point{0, 278}));
  EXPECT_EQ(screen->mainToolbar()->titleLabel()->text(), "Catalogue");
}

TEST_F(ThumbsScreenTest, EachListKeepsItsPositionAndTheBookmarksListIsRebuiltAfterAChange) {
  show(40, 1);
  doc->bookmarks().add(3);
  doc->bookmarks().add(30);
  auto& grid = *screen->theThumbsView();
  grid.setContentOffset(ui::Point{0, 900});
  pick(1);
  EXPECT_TRUE(screen->showBookmarked());
  EXPECT_EQ(screen->bookmarked(), (std::vector<long>{3, 30}));
  EXPECT_EQ(grid.thumbCount(), 2u);
  EXPECT_EQ(screen->pageForItem(1), 30);
  pick(0);
  EXPECT_EQ(grid.contentOffset(), (ui::Point{0, 900}));
  EXPECT_EQ(grid.thumbCount(), 40u);
  // No change: the bookmarks list is the same; a long press makes it new.
  doc->bookmarks().add(7);
  pick(1);
  EXPECT_EQ(screen->bookmarked(), (std::vector<long>{3, 30}));
  screen->didPressThumbWithIndex(grid, 0);  // clears page 3
  EXPECT_EQ(screen->bookmarked(), (std::vector<long>{3, 30}));
  pick(0);
  pick(1);
  EXPECT_EQ(screen->bookmarked(), (std::vector<long>{7, 30}));
}

TEST_F(ThumbsScreenTest, ACardFitsThePictureWithTheRibbonAtItsCorner) {
  ThumbsPageThumb cell({0, 0, 256, 256});
  EXPECT_EQ(cell.maximumContentSize(), (ui::Size{240, 240}));
  EXPECT_EQ(cell.defaultRect(), (ui::Rect{38, 8, 180, 240}));
  cell.showImage(gfx::Image::blank({184, 240}));
  EXPECT_EQ(cell.imageView()->frame(), (ui::Rect{36, 8, 184, 240}));
  EXPECT_EQ(cell.backView()->frame(), cell.imageView()->frame());
  ui::Rect ribbon = cell.bookMark()->frame();
  EXPECT_EQ(cell.imageView()->bounds().width() - ribbon.maxX(), 8);
  EXPECT_EQ(ribbon.y(), -2);
  cell.showTouched(true);
  EXPECT_FALSE(cell.tintView()->isHidden());
  cell.reuse();
  EXPECT_EQ(cell.imageView()->frame(), cell.defaultRect());
  EXPECT_TRUE(cell.tintView()->isHidden());
  EXPECT_EQ(cell.textLabel()->text(), "");
}

TEST_F(ThumbsScreenTest, CellsShowTheirPageAndTheButtonsTellTheReader) {
  show(6, 1);
  settleThumbnails();
  auto cells = screen->theThumbsView()->visibleCells();
  ASSERT_EQ(cells.size(), 6u);
  auto* first = dynamic_cast<ThumbsPageThumb*>(cells.front().get());
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->imageView()->image());
  EXPECT_EQ(first->imageView()->bounds().size, (ui::Size{184, 240}));
  ui::HeadlessDriver d(window);
  d.tap(*screen->mainToolbar()->viewButton());
  d.tap(*screen->mainToolbar()->doneButton());
  screen->didSelectThumbWithIndex(*screen->theThumbsView(), 4);
  EXPECT_EQ(reader->calls, (std::vector<std::string>{"dismiss thumbs", "dismiss thumbs", "dismiss reader", "goto 5",
                                                     "dismiss thumbs"}));
}

}  // namespace
}  // namespace mv
