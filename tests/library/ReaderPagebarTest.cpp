// The reader's bars: the page bar's layout, sampling and page under the
// finger, its tracking timers on the virtual clock, and the top bar's
// bookmark state.
#include <gtest/gtest.h>

#include "ReaderTestSupport.hpp"
#include "library/reader/ReaderMainPagebar.hpp"
#include "library/reader/ReaderMainToolbar.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Window.hpp"
#include "util/PublicFunction.hpp"

namespace mv {
namespace {

class RecordingPagebarDelegate : public ReaderMainPagebarDelegate {
 public:
  explicit RecordingPagebarDelegate(std::shared_ptr<ReaderDocument> doc) : doc_(std::move(doc)) {}
  void pagebar(ReaderMainPagebar& bar, long page) override {
    turns.push_back(page);
    // As the reader does: the page turns and the bar follows.
    doc_->setPageNumber(page);
    bar.updatePagebar();
  }
  std::vector<long> turns;

 private:
  std::shared_ptr<ReaderDocument> doc_;
};

class ReaderPagebarTest : public test::ReaderTest {
 protected:
  void TearDown() override {
    if (window) ui::Application::sharedInstance().removeWindow(window.get());
    window.reset();
    ReaderTest::TearDown();
  }
  std::shared_ptr<ReaderMainPagebar> showBar(int pages) {
    doc = ReaderDocument::withDocumentFilePath(libraryPdf("bar.pdf", plainPdf(pages)));
    window = makeWindow();
    bar = ReaderMainPagebar::initWithFrame({0, 768 - 48, 1024, 48}, doc);
    delegate = std::make_shared<RecordingPagebarDelegate>(doc);
    bar->setDelegate(delegate);
    window->addSubview(bar);
    ui::View::layoutPendingViews();
    return bar;
  }
  // The window point over the track at page `page`'s middle.
  ui::Point over(long page) {
    auto& c = *bar->trackControl();
    double stride = c.bounds().width() / *doc->pageCount();
    return c.convertPointToView({(page - 0.5) * stride, 24}, nullptr);
  }

  std::shared_ptr<ui::Window> window;
  std::shared_ptr<ReaderDocument> doc;
  std::shared_ptr<ReaderMainPagebar> bar;
  std::shared_ptr<RecordingPagebarDelegate> delegate;
};

TEST_F(ReaderPagebarTest, LayoutSamplesPagesAcrossTheTrack) {
  struct Case {
    long pages;
    int thumbs;
    double trackWidth, trackX;
  } cases[] = {
      {50, 42, 1006, 9}, {42, 42, 1006, 9}, {10, 10, 238, 393}, {100, 42, 1006, 9}, {1, 1, 22, 501},
      {0, 0, 0, 512},  // a document without pages: nothing to lay out
  };
  for (const auto& c : cases) {
    auto l = ReaderMainPagebar::layoutFor(1024, c.pages);
    EXPECT_EQ(l.thumbs, c.thumbs) << c.pages;
    EXPECT_EQ(l.trackWidth, c.trackWidth) << c.pages;
    EXPECT_EQ(l.trackX, c.trackX) << c.pages;
  }
  auto hundred = ReaderMainPagebar::layoutFor(1024, 100);
  EXPECT_DOUBLE_EQ(hundred.stride, 100.0 / 41);
  EXPECT_EQ(ReaderMainPagebar::sampledPage(0, hundred.stride, 100), 1);
  EXPECT_EQ(ReaderMainPagebar::sampledPage(41, hundred.stride, 100), 100);
  auto ten = ReaderMainPagebar::layoutFor(1024, 10);
  std::vector<long> sampled;
  for (int i = 0; i < ten.thumbs; ++i) sampled.push_back(ReaderMainPagebar::sampledPage(i, ten.stride, 10));
  EXPECT_EQ(sampled, (std::vector<long>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(ReaderMainPagebar::largeThumbX(1, 1006, 1), 0);
  EXPECT_EQ(ReaderMainPagebar::largeThumbX(50, 1006, 50), 974);
  EXPECT_EQ(ReaderMainPagebar::largeThumbX(2, 1006, 50), 19);
}

TEST_F(ReaderPagebarTest, PageUnderTheFingerStaysWithinTheDocument) {
  EXPECT_EQ(ReaderMainPagebar::pageForValue(0, 1006, 50), 1);
  EXPECT_EQ(ReaderMainPagebar::pageForValue(1005, 1006, 50), 50);
  EXPECT_EQ(ReaderMainPagebar::pageForValue(20.2, 1006, 50), 2);
  EXPECT_EQ(ReaderMainPagebar::pageForValue(10, 1006, 0), 0);
  ReaderTrackControl track({0, 0, 1006, 48});
  EXPECT_EQ(track.limitValue(5000), 1005);
  EXPECT_EQ(track.limitValue(-3), 0);
  EXPECT_EQ(ReaderMainPagebar::pageNumberText(3, 0), "3 of 0");
}

TEST_F(ReaderPagebarTest, BarShowsSampledThumbnailsAndTheCurrentPage) {
  showBar(10);
  EXPECT_EQ(bar->miniThumbViews().size(), 10u);
  EXPECT_EQ(bar->trackControl()->frame(), (ui::Rect{393, 0, 238, 48}));
  EXPECT_EQ(bar->pageNumberLabel()->text(), "1 of 10");
  EXPECT_EQ(bar->pageThumbView()->frame(), (ui::Rect{0, 3, 32, 42}));
  settleThumbnails();
  EXPECT_TRUE(bar->pageThumbView()->imageView()->image());
  EXPECT_TRUE(bar->miniThumbViews().at(10)->imageView()->image());
  doc->setPageNumber(10);
  bar->updatePagebar();
  EXPECT_EQ(bar->pageNumberLabel()->text(), "10 of 10");
  EXPECT_EQ(bar->pageThumbView()->frame().x(), 206);
}

TEST_F(ReaderPagebarTest, ThePageNumberReadsInTheInterfaceLanguageAndWhole) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  PublicFunction::setInterfaceLanguageProvider([] { return kLanguageChinese; });
  showBar(120);
  doc->setPageNumber(100);
  bar->updatePagebar();
  const ui::Label& label = *bar->pageNumberLabel();
  EXPECT_EQ(label.text(), "100 / 120 页");
  EXPECT_EQ(label.shownLines(), std::vector<std::string>{label.text()});
  PublicFunction::setInterfaceLanguageProvider(nullptr);
  doc->setPageNumber(99);
  bar->updatePagebar();
  EXPECT_EQ(label.text(), "99 of 120");
}

TEST_F(ReaderPagebarTest, AFastDragTurnsOnlyWhenTheFingerLifts) {
  showBar(10);
  window->touchDown(1, over(2));
  for (long page = 3; page <= 8; ++page) {
    advance(0.2);  // the preview changes before the timer is due
    window->touchMove(1, over(page));
    EXPECT_EQ(bar->pageNumberLabel()->text(), std::to_string(page) + " of 10");
  }
  EXPECT_TRUE(delegate->turns.empty());
  window->touchUp(1, over(8));
  EXPECT_EQ(delegate->turns, (std::vector<long>{8}));
  EXPECT_FALSE(bar->trackControl()->isEnabled());
  advance(0.25);
  EXPECT_TRUE(bar->trackControl()->isEnabled());
  EXPECT_EQ(bar->trackControl()->tag(), 0);
}

TEST_F(ReaderPagebarTest, HoldingOnAPageTurnsOnceAndLiftingThereTurnsNoMore) {
  showBar(10);
  window->touchDown(1, over(6));
  advance(0.24);
  EXPECT_TRUE(delegate->turns.empty());
  advance(0.02);
  EXPECT_EQ(delegate->turns, (std::vector<long>{6}));
  advance(1);
  window->touchUp(1, over(6));
  EXPECT_EQ(delegate->turns, (std::vector<long>{6}));
  EXPECT_TRUE(bar->trackControl()->isEnabled());

  // Lifting on the page shown turns nothing and leaves the strip enabled.
  window->touchDown(2, over(6));
  window->touchUp(2, over(6));
  advance(1);
  EXPECT_EQ(delegate->turns, (std::vector<long>{6}));
  EXPECT_TRUE(bar->trackControl()->isEnabled());
}

TEST_F(ReaderPagebarTest, AtTheRightEndTheLastPageIsPreviewed) {
  showBar(10);
  auto& c = *bar->trackControl();
  window->touchDown(1, c.convertPointToView({c.bounds().width() - 0.2, 24}, nullptr));
  window->touchUp(1, c.convertPointToView({c.bounds().width() + 30, 24}, nullptr));
  EXPECT_EQ(delegate->turns, (std::vector<long>{10}));
}

TEST_F(ReaderPagebarTest, ADocumentWithoutPagesShowsAnEmptyBar) {
  doc = ReaderDocument::withDocumentFilePath(libraryPdf("none.pdf", "%PDF-1.4 broken"));
  ASSERT_TRUE(doc);
  window = makeWindow();
  bar = ReaderMainPagebar::initWithFrame({0, 720, 1024, 48}, doc);
  window->addSubview(bar);
  ui::View::layoutPendingViews();
  EXPECT_TRUE(bar->miniThumbViews().empty());
  EXPECT_EQ(bar->trackControl()->frame().width(), 0);
  EXPECT_EQ(bar->pageNumberLabel()->text(), "1 of 0");
}

TEST_F(ReaderPagebarTest, BookmarkStateSetWhileHiddenShowsWithTheBar) {
  window = makeWindow();
  auto toolbar = ReaderMainToolbar::initWithFrame({0, 0, 1024, 44}, "Price list");
  window->addSubview(toolbar);
  EXPECT_EQ(toolbar->markButton()->tag(), ReaderMainToolbar::kNoState);
  EXPECT_FALSE(toolbar->markButton()->isEnabled());
  EXPECT_EQ(toolbar->titleLabel()->text(), "Price list");
  toolbar->setBookmarkState(false);
  EXPECT_TRUE(toolbar->markButton()->isEnabled());
  auto off = toolbar->markButton()->imageForState(ui::ControlStateNormal);
  toolbar->hideToolbar();
  advance(0.3);
  EXPECT_TRUE(toolbar->isHidden());
  toolbar->setBookmarkState(true);
  EXPECT_EQ(toolbar->markButton()->imageForState(ui::ControlStateNormal), off);
  toolbar->showToolbar();
  EXPECT_NE(toolbar->markButton()->imageForState(ui::ControlStateNormal), off);
  EXPECT_EQ(toolbar->markButton()->tag(), 1);
}

}  // namespace
}  // namespace mv
