// The page logic of the book view against a scripted web view: pagination
// from the laid-out width, the label, and which turns cross into another
// unit.
#include <gtest/gtest.h>

#include <cmath>

#include "TestEnvironment.hpp"
#include "library/EPUBView.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "shell/frame/MessageBox.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

// Answers the scripts it is sent as the test says; loads end on the next turn.
class ScriptedWebView : public svc::WebView {
 public:
  using WebView::WebView;
  std::string scrollWidth = "964";
  bool failNext = false;
  std::vector<std::string> scripts;
  std::vector<fs::path> loads;
  std::map<std::string, ui::Point> anchors;

  void loadFile(const fs::path& path) override {
    loads.push_back(path);
    if (auto d = delegate()) d->webViewDidStartLoad(*this);
    std::weak_ptr<View> weak = weak_from_this();
    const bool fail = std::exchange(failNext, false);
    base::RunLoop::main().post([weak, fail] {
      auto self = std::static_pointer_cast<ScriptedWebView>(weak.lock());
      if (!self) return;
      auto d = self->delegate();
      if (fail) {
        if (d) d->webViewDidFailLoadWithError(*self, base::Error{ErrorDomain, kErrorFileDoesNotExist, "missing", {}});
        return;
      }
      const double w = self->bounds().width();
      const double pages = w > 0 ? std::max(1.0, std::ceil(std::atof(self->scrollWidth.c_str()) / w)) : 1;
      self->scrollView().setContentSize({pages * w, self->bounds().height()});
      if (d) d->webViewDidFinishLoad(*self);
    });
  }
  std::string stringByEvaluatingJavaScriptFromString(const std::string& script) override {
    scripts.push_back(script);
    return script == "document.documentElement.scrollWidth" ? scrollWidth : std::string();
  }
  std::optional<ui::Point> anchorPosition(const std::string& id) override {
    auto it = anchors.find(id);
    if (it == anchors.end()) return std::nullopt;
    return it->second;
  }
};

// Stands in for the reader screen: lands as it does and loads the units it is asked for.
struct Reader : EPubViewDelegate {
  std::weak_ptr<EPUBView> view;
  std::vector<std::string> calls;
  void gotoPrevSpine() override {
    calls.push_back("prev");
    if (auto v = view.lock()) v->loadSpine({0, "prev.xhtml", "Previous"});
  }
  void gotoNextSpine() override {
    calls.push_back("next");
    if (auto v = view.lock()) v->loadSpine({2, "next.xhtml", "Next"});
  }
  void epubViewLoadFinished() override {
    if (auto v = view.lock()) v->gotoPage(v->isNext() ? 0 : v->pageCount() - 1);
  }
  bool gotoLinkedSpine(const fs::path& unit) override {
    calls.push_back("link " + unit.filename().string());
    if (auto v = view.lock()) v->loadSpine({5, unit, "Linked"});
    return true;
  }
};

class EPUBViewTest : public test::TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    ui::View::setAnimationsEnabled(false);
    driver = std::make_unique<ui::HeadlessDriver>();
    web = std::make_shared<ScriptedWebView>(ui::Rect{0, 0, 964, 694});
    view = EPUBView::create({0, 0, 1024, 724}, web);
    reader->view = view;
    view->setDelegate(reader);
    driver->window().addSubview(view);
    driver->flush();
  }
  void TearDown() override {
    view.reset();
    driver.reset();
    MessageBox::sharedInstance().resetForTesting();
    ui::AlertView::resetForTesting();
    ui::Application::freeInstance();
    ui::View::setAnimationsEnabled(true);
    TestEnvironment::TearDown();
  }
  // Loads a unit whose content is `pages` pages wide and shows `page` of it.
  void show(int pages, int page, const std::string& title = "Unit") {
    web->scrollWidth = std::to_string(pages * 964);
    view->loadSpine({1, "unit.xhtml", title});
    driver->flush();
    view->gotoPage(page);
    reader->calls.clear();
  }
  ui::ScrollView& scroll() { return view->webViewsScrollView(); }

  std::unique_ptr<ui::HeadlessDriver> driver;
  std::shared_ptr<ScriptedWebView> web;
  std::shared_ptr<EPUBView> view;
  std::shared_ptr<Reader> reader = std::make_shared<Reader>();
};

TEST_F(EPUBViewTest, PaginatesFromTheLaidOutWidth) {
  web->scrollWidth = "2892";
  view->loadSpine({0, "one.xhtml", "Introduction"});
  EXPECT_TRUE(view->isLoading());
  EXPECT_TRUE(MessageBox::sharedInstance().waitMsgBoxtag() != 0);
  driver->flush();
  EXPECT_FALSE(view->isLoading());
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_EQ(view->pageCount(), 3);
  EXPECT_EQ(view->currentPageIndex(), 0);
  EXPECT_EQ(view->pageLabel().text(), "1 / 3 - Introduction.");
  // The rules: two 452-point columns 614 points high on the 964 x 694 page.
  ASSERT_EQ(web->scripts.size(), 7u);
  EXPECT_NE(web->scripts[0].find("createElement('style')"), std::string::npos);  // a unit without a style sheet
  EXPECT_EQ(web->scripts[2],
            "addCSSRule('html', 'padding: 10px; height: 614.000000px; -webkit-column-gap: 20px; "
            "-webkit-column-width: 452.000000px;')");
  EXPECT_EQ(web->scripts[6], "document.documentElement.scrollWidth");
  view->gotoPage(2);
  EXPECT_DOUBLE_EQ(scroll().contentOffset().x, 1928);
  EXPECT_EQ(view->pageLabel().text(), "3 / 3 - Introduction.");
  view->gotoPage(7);  // beyond the unit: its last page
  EXPECT_EQ(view->currentPageIndex(), 2);

  struct Case {
    const char* answer;
    int pages;
  };
  const Case cases[] = {{"0", 1}, {"1", 1}, {"964", 1}, {"965", 2}, {"9640", 10}, {"-20", 1}, {"", 1}, {"nan", 1}};
  for (const auto& c : cases) {
    web->scrollWidth = c.answer;
    view->loadSpine({0, "one.xhtml", ""});
    driver->flush();
    EXPECT_EQ(view->pageCount(), c.pages) << c.answer;
    EXPECT_EQ(view->pageLabel().text(), "1 / " + std::to_string(c.pages)) << c.answer;
  }
  // A page of no width: one page, and no division by it.
  web->scrollWidth = "5000";
  view->loadSpine({0, "one.xhtml", ""});
  web->setFrame({0, 0, 0, 0});
  base::RunLoop::main().runUntil([&] { return !view->isLoading(); }, 1);
  EXPECT_EQ(view->pageCount(), 1);
}

TEST_F(EPUBViewTest, AFailedLoadKeepsWhatWasShown) {
  show(4, 2, "Kept");
  web->failNext = true;
  view->loadSpine({1, "missing.xhtml", "Missing"});
  driver->flush();
  EXPECT_FALSE(view->isLoading());
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_EQ(view->pageCount(), 4);
  EXPECT_EQ(view->pageLabel().text(), "3 / 4 - Kept.");
}

TEST_F(EPUBViewTest, DragsCrossIntoAnotherUnitOnlyWhenPulledPastTheEnd) {
  struct Case {
    const char* what;
    int pages, page;
    double lift;     // offset when the finger lifts, from the page's own offset
    double settle;   // where paging then rests, from the page's own offset
    const char* call;  // "" for none
    int pageAfter;
  };
  const Case cases[] = {
      {"forward on the last page, pulled 21", 3, 2, 21, 0, "next", 0},
      {"forward on the last page, pulled 20", 3, 2, 20, 0, "", 2},
      {"forward on a middle page turns the page", 3, 1, 300, 964, "", 2},
      {"backward on a middle page turns the page", 3, 1, -300, -964, "", 0},
      {"one page, forward pulled 25", 1, 0, 25, 0, "next", 0},
      {"one page, forward pulled 15 springs back", 1, 0, 15, 0, "", 0},
      {"one page, backward pulled 25 (the previous unit opens on its last page)", 1, 0, -25, 0, "prev", 0},
      {"first page, backward pulled 10 springs back", 3, 0, -10, 0, "", 0},
      {"first page, backward pulled 30", 3, 0, -30, 0, "prev", 2},
      {"last page, a drag that ends where it began", 3, 2, 0, 0, "", 2},
      {"last page, backward a little", 3, 2, -28, 0, "", 2},
  };
  for (const auto& c : cases) {
    show(c.pages, c.page);
    const double at = c.page * 964.0;
    scroll().setContentOffset({at, 0});
    view->scrollViewWillBeginDragging(scroll());
    scroll().setContentOffset({at + c.lift, 0});
    view->scrollViewDidEndDragging(scroll(), true);
    const bool crossed = std::string(c.call) != "";
    if (!crossed) {
      scroll().setContentOffset({at + c.settle, 0});
      view->scrollViewDidEndDecelerating(scroll());
    }
    EXPECT_EQ(reader->calls, crossed ? std::vector<std::string>{c.call} : std::vector<std::string>{}) << c.what;
    driver->flush();
    EXPECT_EQ(view->currentPageIndex(), c.pageAfter) << c.what;
  }
  // A unit reached going back opens on its last page.
  show(3, 0);
  view->setNext(false);
  web->scrollWidth = std::to_string(5 * 964);
  view->loadSpine({0, "prev.xhtml", "Previous"});
  driver->flush();
  EXPECT_EQ(view->currentPageIndex(), 4);
  EXPECT_EQ(view->pageLabel().text(), "5 / 5 - Previous.");
}

TEST_F(EPUBViewTest, SwipesTurnAtTheEnds) {
  struct Case {
    int pages, page;
    bool left;
    const char* call;
  };
  const Case cases[] = {{3, 2, true, "next"}, {3, 1, true, ""},   {3, 0, false, "prev"}, {3, 1, false, ""},
                        {1, 0, true, "next"}, {1, 0, false, "prev"}, {3, 0, true, ""}};
  for (const auto& c : cases) {
    show(c.pages, c.page);
    if (c.left) {
      view->lSwipe();
    } else {
      view->rSwipe();
    }
    EXPECT_EQ(view->isNext(), c.left);
    const std::string label = std::to_string(c.pages) + " pages, page " + std::to_string(c.page);
    EXPECT_EQ(reader->calls, std::string(c.call).empty() ? std::vector<std::string>{} : std::vector<std::string>{c.call})
        << label;
    driver->flush();
  }
  // While a unit loads, turns wait.
  show(1, 0);
  view->loadSpine({1, "slow.xhtml", ""});
  view->lSwipe();
  view->rSwipe();
  EXPECT_TRUE(reader->calls.empty());
}

TEST_F(EPUBViewTest, AFingerOnTheLastPageCrossesOnce) {
  show(1, 0);
  // A quick stroke to the left is a swipe and a drag past the end at once.
  const ui::Point from = driver->centerOf(*web);
  driver->swipe(from, {from.x - 200, from.y}, 0.1, 5);
  driver->flush();
  EXPECT_EQ(reader->calls, (std::vector<std::string>{"next"}));
  EXPECT_EQ(web->loads.back(), "next.xhtml");
  EXPECT_EQ(view->pageLabel().text(), "1 / 1 - Next.");
  // A slow drag that pulls far enough crosses as well.
  reader->calls.clear();
  show(1, 0);
  driver->drag({from, {from.x - 40, from.y}, {from.x - 80, from.y}, {from.x - 120, from.y}}, 0.6);
  driver->flush();
  EXPECT_EQ(reader->calls, (std::vector<std::string>{"next"}));
}

TEST_F(EPUBViewTest, LinksGoToTheirPlace) {
  show(4, 0);
  web->anchors["far"] = {3 * 964 + 10, 10};
  web->anchors["there"] = {964 + 492, 300};
  // A place of this unit.
  EXPECT_FALSE(view->webViewShouldStartLoadWithRequest(*web, "file://unit.xhtml#far", svc::WebViewNavigationType::LinkClicked));
  EXPECT_EQ(view->currentPageIndex(), 3);
  // Another unit: the reader loads it, and it opens at the place.
  EXPECT_FALSE(
      view->webViewShouldStartLoadWithRequest(*web, "file://other%20unit.xhtml#there", svc::WebViewNavigationType::LinkClicked));
  EXPECT_EQ(reader->calls, (std::vector<std::string>{"link other unit.xhtml"}));
  driver->flush();
  EXPECT_EQ(view->currentPageIndex(), 1);
  // The web, and loads of its own, are not the book's business.
  EXPECT_FALSE(view->webViewShouldStartLoadWithRequest(*web, "https://example.invalid/", svc::WebViewNavigationType::LinkClicked));
  EXPECT_TRUE(view->webViewShouldStartLoadWithRequest(*web, "file://unit.xhtml", svc::WebViewNavigationType::Other));
  EXPECT_EQ(reader->calls.size(), 1u);
}

}  // namespace
}  // namespace mv
