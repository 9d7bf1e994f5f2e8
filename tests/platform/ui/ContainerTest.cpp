#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class ContainerTest : public mv::test::UiTestEnvironment {};

// A screen that writes its life cycle into a shared log as "name:event".
struct Page : ViewController {
  std::vector<std::string>* log;
  std::string name;
  int memoryWarnings = 0;
  Page(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) { setTitle(name); }
  void viewDidLoad() override { log->push_back(name + ":didLoad"); }
  void viewWillAppear(bool) override { log->push_back(name + ":willAppear"); }
  void viewDidAppear(bool) override { log->push_back(name + ":didAppear"); }
  void viewWillDisappear(bool) override { log->push_back(name + ":willDisappear"); }
  void viewDidDisappear(bool) override { log->push_back(name + ":didDisappear"); }
  void didReceiveMemoryWarning() override { ++memoryWarnings; }
};

using Log = std::vector<std::string>;

}  // namespace

TEST_F(ContainerTest, PushAndPopRunTheAppearanceCallsInOrder) {
  HeadlessDriver driver;
  Log log;
  auto a = std::make_shared<Page>(&log, "A");
  auto nav = std::make_shared<NavigationController>(a);
  driver.window().setRootViewController(nav);
  EXPECT_EQ(log, (Log{"A:didLoad", "A:willAppear", "A:didAppear"}));
  EXPECT_EQ(a->navigationController(), nav.get());
  driver.flush();
  // Under the status bar: the bar's items sit below the 20-point strip, the content below the bar.
  EXPECT_EQ(nav->contentFrame(), (Rect{0, 64, 1024, 704}));
  EXPECT_EQ(a->viewIfLoaded()->frame(), (Rect{0, 64, 1024, 704}));
  EXPECT_EQ(nav->navigationBar().titleLabel().text(), "A");
  EXPECT_EQ(nav->navigationBar().backButton(), nullptr);

  log.clear();
  auto b = std::make_shared<Page>(&log, "B");
  nav->pushViewController(b, true);
  EXPECT_EQ(log, (Log{"B:didLoad", "A:willDisappear", "B:willAppear"}));
  EXPECT_TRUE(b->isMovingToParentViewController());
  EXPECT_EQ(nav->topViewController(), b.get());
  driver.advance(0.5);
  EXPECT_EQ(log, (Log{"B:didLoad", "A:willDisappear", "B:willAppear", "A:didDisappear", "B:didAppear"}));
  EXPECT_FALSE(b->isMovingToParentViewController());
  EXPECT_EQ(a->viewIfLoaded()->superview(), nullptr);  // out of the window until it comes back
  ASSERT_NE(nav->navigationBar().backButton(), nullptr);
  EXPECT_EQ(nav->navigationBar().backButtonTitle(), "A");
  a->navigationItem().setBackBarButtonItem(std::make_shared<BarButtonItem>("List", BarButtonItemStyle::Plain));
  EXPECT_EQ(nav->navigationBar().backButtonTitle(), "List");

  // The back button pops, animated.
  log.clear();
  driver.flush();
  driver.tap(*nav->navigationBar().backButton());
  EXPECT_EQ(log, (Log{"B:willDisappear", "A:willAppear"}));
  EXPECT_EQ(b->navigationController(), nav.get());  // until the pop has finished
  EXPECT_TRUE(b->isMovingFromParentViewController());
  EXPECT_EQ(nav->viewControllers().size(), 1u);
  driver.advance(0.5);
  EXPECT_EQ(log, (Log{"B:willDisappear", "A:willAppear", "B:didDisappear", "A:didAppear"}));
  EXPECT_EQ(b->parentViewController(), nullptr);
  EXPECT_EQ(b->viewIfLoaded()->superview(), nullptr);

  // Without animation the whole sequence runs at once; a push during a push finishes the first.
  log.clear();
  nav->pushViewController(b, false);
  EXPECT_EQ(log, (Log{"A:willDisappear", "B:willAppear", "A:didDisappear", "B:didAppear"}));
  log.clear();
  auto c = std::make_shared<Page>(&log, "C");
  auto d = std::make_shared<Page>(&log, "D");
  nav->pushViewController(c, true);
  nav->pushViewController(d, true);
  EXPECT_EQ(log, (Log{"C:didLoad", "B:willDisappear", "C:willAppear", "B:didDisappear", "C:didAppear", "D:didLoad",
                      "C:willDisappear", "D:willAppear"}));
  driver.advance(0.5);
  // A controller already in the stack cannot be pushed again.
  nav->pushViewController(c, false);
  EXPECT_EQ(nav->viewControllers().size(), 4u);

  // Popping to the root: only the top hears it leave.
  log.clear();
  auto popped = nav->popToRootViewControllerAnimated(false);
  EXPECT_EQ(popped.size(), 3u);
  EXPECT_EQ(log, (Log{"D:willDisappear", "A:willAppear", "D:didDisappear", "A:didAppear"}));
  for (auto& p : popped) EXPECT_EQ(p->parentViewController(), nullptr);
  EXPECT_EQ(nav->popViewControllerAnimated(true), nullptr);  // never the root

  // Bar buttons: title, style and target-action; a gone target is skipped.
  int taps = 0;
  auto target = std::make_shared<int>(0);
  auto done = std::make_shared<BarButtonItem>("Done", BarButtonItemStyle::Done, target,
                                              [&](BarButtonItem&) { ++taps; });
  a->navigationItem().setRightBarButtonItem(done);
  driver.flush();
  auto* doneButton = dynamic_cast<Button*>(done->view());
  ASSERT_NE(doneButton, nullptr);
  EXPECT_EQ(doneButton->currentTitle(), "Done");
  EXPECT_TRUE(doneButton->titleLabel().font().isBold());
  driver.tap(*doneButton);
  EXPECT_EQ(taps, 1);
  done->setEnabled(false);
  driver.flush();
  doneButton = dynamic_cast<Button*>(done->view());
  EXPECT_FALSE(doneButton->isEnabled());
  done->setEnabled(true);
  target.reset();
  EXPECT_FALSE(done->trigger());
  EXPECT_EQ(taps, 1);

  // A hidden bar gives the content the whole view.
  nav->setNavigationBarHidden(true);
  EXPECT_EQ(nav->contentFrame(), (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(a->viewIfLoaded()->frame(), (Rect{0, 0, 1024, 768}));
  EXPECT_TRUE(nav->navigationBar().isHidden());
}

TEST_F(ContainerTest, PresentAndDismissFullScreenAndFormSheet) {
  HeadlessDriver driver;
  Log log;
  auto a = std::make_shared<Page>(&log, "A");
  driver.window().setRootViewController(a);
  log.clear();

  auto c = std::make_shared<Page>(&log, "C");
  bool presented = false;
  a->presentViewController(c, true, [&] {
    presented = true;
    log.push_back("presented");
  });
  EXPECT_EQ(log, (Log{"C:didLoad", "A:willDisappear", "C:willAppear"}));
  EXPECT_TRUE(c->isBeingPresented());
  driver.advance(0.5);
  EXPECT_TRUE(presented);
  EXPECT_EQ(log, (Log{"C:didLoad", "A:willDisappear", "C:willAppear", "A:didDisappear", "C:didAppear", "presented"}));
  EXPECT_EQ(a->presentedViewController(), c.get());
  EXPECT_EQ(c->presentingViewController(), a.get());
  EXPECT_EQ(a->viewIfLoaded()->window(), nullptr);  // covered: out of the window
  EXPECT_EQ(c->viewIfLoaded()->frame(), (Rect{0, 0, 1024, 768}));
  // Presenting twice from the same place is refused.
  auto extra = std::make_shared<Page>(&log, "X");
  a->presentViewController(extra, false);
  EXPECT_EQ(a->presentedViewController(), c.get());
  EXPECT_FALSE(extra->isViewLoaded());

  log.clear();
  c->dismissViewControllerAnimated(true, [&] { log.push_back("dismissed"); });
  EXPECT_EQ(log, (Log{"C:willDisappear", "A:willAppear"}));
  EXPECT_EQ(a->viewIfLoaded()->window(), &driver.window());
  driver.advance(0.5);
  EXPECT_EQ(log, (Log{"C:willDisappear", "A:willAppear", "C:didDisappear", "A:didAppear", "dismissed"}));
  EXPECT_EQ(a->presentedViewController(), nullptr);
  EXPECT_EQ(c->presentingViewController(), nullptr);
  EXPECT_EQ(c->viewIfLoaded()->superview(), nullptr);

  // A form sheet: 540 x 620 in the middle; the presenter stays on screen and hears nothing.
  log.clear();
  auto sheetRoot = std::make_shared<Page>(&log, "S");
  auto sheet = std::make_shared<NavigationController>(sheetRoot);
  sheet->setModalPresentationStyle(ModalPresentationStyle::FormSheet);
  a->presentViewController(sheet, false, [&] { log.push_back("presented"); });
  EXPECT_EQ(log, (Log{"S:didLoad", "S:willAppear", "S:didAppear", "presented"}));
  EXPECT_EQ(sheet->viewIfLoaded()->frame(), (Rect{242, 74, 540, 620}));
  EXPECT_EQ(sheet->contentFrame(), (Rect{0, 44, 540, 576}));  // no status bar strip inside a sheet
  EXPECT_EQ(a->viewIfLoaded()->window(), &driver.window());
  // Presenting from inside the sheet presents over the sheet.
  auto web = std::make_shared<Page>(&log, "W");
  sheetRoot->presentViewController(web, false);
  EXPECT_EQ(sheet->presentedViewController(), web.get());
  EXPECT_EQ(web->presentingViewController(), sheet.get());
  // Dismissing the sheet from the presenter takes what it presents down too.
  log.clear();
  a->dismissViewControllerAnimated(false);
  EXPECT_EQ(log, (Log{"W:willDisappear", "S:willAppear", "W:didDisappear", "S:didAppear", "S:willDisappear",
                      "S:didDisappear"}));
  EXPECT_EQ(a->presentedViewController(), nullptr);
  EXPECT_EQ(sheet->viewIfLoaded()->superview(), nullptr);
  EXPECT_EQ(driver.window().subviews().size(), 2u);  // the root view and the overlay: no dimming left behind

  // A controller whose view is not in a window cannot present.
  auto loose = std::make_shared<Page>(&log, "L");
  loose->presentViewController(extra, false);
  EXPECT_EQ(loose->presentedViewController(), nullptr);
  // Dismissing with nothing to dismiss still completes.
  bool completed = false;
  a->dismissViewControllerAnimated(true, [&] { completed = true; });
  EXPECT_TRUE(completed);
}

TEST_F(ContainerTest, TabSwitchNavigationInsideAndMemoryWarnings) {
  HeadlessDriver driver;
  Log log;
  auto a = std::make_shared<Page>(&log, "A");
  auto nav = std::make_shared<NavigationController>(a);
  auto b = std::make_shared<Page>(&log, "B");
  b->tabBarItem().setBadgeValue("3");
  auto tabs = std::make_shared<TabBarController>();
  tabs->setViewControllers({nav, b});
  EXPECT_EQ(tabs->selectedIndex(), 0u);
  driver.window().setRootViewController(tabs);
  EXPECT_EQ(log, (Log{"A:didLoad", "A:willAppear", "A:didAppear"}));
  EXPECT_EQ(a->tabBarController(), tabs.get());
  EXPECT_EQ(tabs->contentFrame(), (Rect{0, 0, 1024, 768 - TabBar::kHeight}));
  ASSERT_NE(tabs->tabBar().buttonAtIndex(1), nullptr);
  EXPECT_EQ(tabs->tabBar().buttonAtIndex(1)->currentTitle(), "B");

  log.clear();
  tabs->setSelectedIndex(1);
  EXPECT_EQ(log, (Log{"B:didLoad", "A:willDisappear", "B:willAppear", "A:didDisappear", "B:didAppear"}));
  EXPECT_EQ(tabs->selectedViewController(), b.get());
  EXPECT_EQ(nav->viewIfLoaded()->superview(), nullptr);
  log.clear();
  tabs->setSelectedIndex(7);  // out of range: ignored
  tabs->setSelectedIndex(1);  // already selected: nothing
  EXPECT_TRUE(log.empty());

  // The user's tap asks the delegate first.
  struct Gate : TabBarControllerDelegate {
    bool allow = false;
    int selections = 0;
    bool tabBarControllerShouldSelectViewController(TabBarController&, ViewController&) override { return allow; }
    void tabBarControllerDidSelectViewController(TabBarController&, ViewController&) override { ++selections; }
  };
  auto gate = std::make_shared<Gate>();
  tabs->setDelegate(gate);
  driver.flush();
  driver.tap(*tabs->tabBar().buttonAtIndex(0));
  EXPECT_EQ(tabs->selectedIndex(), 1u);
  gate->allow = true;
  driver.tap(*tabs->tabBar().buttonAtIndex(0));
  EXPECT_EQ(tabs->selectedIndex(), 0u);
  EXPECT_EQ(gate->selections, 1);
  EXPECT_EQ(log, (Log{"B:willDisappear", "A:willAppear", "B:didDisappear", "A:didAppear"}));

  // The application draws its own bar: the system one hides, content fills the view.
  tabs->tabBar().setHidden(true);
  EXPECT_EQ(tabs->contentFrame(), (Rect{0, 0, 1024, 768}));
  driver.window().setNeedsLayout();
  tabs->viewIfLoaded()->setNeedsLayout();
  driver.flush();
  EXPECT_EQ(nav->viewIfLoaded()->frame(), (Rect{0, 0, 1024, 768}));

  // A memory warning reaches every controller in use once, presented ones too.
  auto modal = std::make_shared<Page>(&log, "M");
  a->presentViewController(modal, false);
  int posted = 0;
  base::Observation obs(Application::DidReceiveMemoryWarningNotification, nullptr,
                        [&](const base::Notification&) { ++posted; });
  Application::sharedInstance().simulateMemoryWarning();
  EXPECT_EQ(posted, 1);
  EXPECT_EQ(a->memoryWarnings, 1);
  EXPECT_EQ(b->memoryWarnings, 1);
  EXPECT_EQ(modal->memoryWarnings, 1);

  // Replacing the root takes down what the old one presents.
  log.clear();
  auto other = std::make_shared<Page>(&log, "O");
  driver.window().setRootViewController(other);
  EXPECT_EQ(modal->presentingViewController(), nullptr);
  EXPECT_EQ(modal->viewIfLoaded()->superview(), nullptr);
  EXPECT_EQ(log.front(), "M:willDisappear");
  EXPECT_EQ(log.back(), "O:didAppear");
}

TEST_F(ContainerTest, PopoverOutsideTapTellsTheDelegateTheOwnerDoesNot) {
  HeadlessDriver driver;
  Log log;
  auto root = std::make_shared<Page>(&log, "R");
  driver.window().setRootViewController(root);
  int underTaps = 0;
  auto under = std::make_shared<Button>(Rect{800, 600, 100, 50});
  under->addAction([&](Control&, const Event*) { ++underTaps; }, ControlEventTouchUpInside);
  root->view()->addSubview(under);
  auto through = std::make_shared<Button>(Rect{800, 100, 100, 50});
  through->addAction([&](Control&, const Event*) { ++underTaps; }, ControlEventTouchUpInside);
  root->view()->addSubview(through);

  struct Listener : PopoverControllerDelegate {
    Log* log;
    bool allow = true;
    explicit Listener(Log* l) : log(l) {}
    bool popoverControllerShouldDismissPopover(PopoverController&) override {
      log->push_back("shouldDismiss");
      return allow;
    }
    void popoverControllerDidDismissPopover(PopoverController& p) override {
      EXPECT_FALSE(p.isPopoverVisible());
      log->push_back("didDismiss");
    }
  };
  auto listener = std::make_shared<Listener>(&log);
  auto content = std::make_shared<Page>(&log, "P");
  auto popover = std::make_shared<PopoverController>(content);
  popover->setDelegate(listener);
  popover->setPopoverContentSize({400, 250});
  popover->setPassthroughViews({through});
  log.clear();

  // Pointing at a button near the top: the panel goes below it, arrow up.
  popover->presentPopoverFromRect({100, 100, 50, 40}, root->view().get(), PopoverArrowDirectionAny, true);
  EXPECT_TRUE(popover->isPopoverVisible());
  EXPECT_EQ(popover->popoverArrowDirection(), PopoverArrowDirectionUp);
  EXPECT_EQ(popover->contentFrameInWindow(), (Rect{10, 140 + PopoverController::kArrowSize, 400, 250}));
  EXPECT_EQ(log, (Log{"P:didLoad", "P:willAppear"}));
  driver.advance(0.3);
  EXPECT_EQ(log.back(), "P:didAppear");
  // A passthrough view still takes its touches and the popover stays.
  driver.tapAt({850, 125});
  EXPECT_EQ(underTaps, 1);
  EXPECT_TRUE(popover->isPopoverVisible());
  // A touch on the content is the content's.
  driver.tapAt({200, 250});
  EXPECT_TRUE(popover->isPopoverVisible());

  // The delegate may keep it; then a tap outside closes it and the delegate hears that.
  log.clear();
  listener->allow = false;
  driver.tapAt({850, 625});
  EXPECT_TRUE(popover->isPopoverVisible());
  listener->allow = true;
  driver.tapAt({850, 625});
  EXPECT_FALSE(popover->isPopoverVisible());
  EXPECT_EQ(underTaps, 1);  // the outside tap only closed the popover
  driver.advance(0.3);
  EXPECT_EQ(log, (Log{"shouldDismiss", "shouldDismiss", "P:willDisappear", "didDismiss", "P:didDisappear"}));
  EXPECT_EQ(popover->popoverView(), nullptr);
  driver.tapAt({850, 625});
  EXPECT_EQ(underTaps, 2);  // touches reach the screen again

  // Dismissed by its owner: the delegate hears nothing.
  log.clear();
  popover->presentPopoverFromRect({500, 700, 50, 40}, root->view().get(), PopoverArrowDirectionAny, false);
  EXPECT_EQ(popover->popoverArrowDirection(), PopoverArrowDirectionDown);  // no room below
  Rect f = popover->contentFrameInWindow();
  EXPECT_EQ(f.maxY(), 700 - PopoverController::kArrowSize);
  popover->dismissPopoverAnimated(false);
  EXPECT_EQ(log, (Log{"P:willAppear", "P:didAppear", "P:willDisappear", "P:didDisappear"}));
  // Only left permitted, pointing at the left edge: too little room, so the panel shrinks to fit.
  popover->presentPopoverFromRect({900, 300, 50, 40}, root->view().get(), PopoverArrowDirectionLeft, false);
  EXPECT_EQ(popover->popoverArrowDirection(), PopoverArrowDirectionLeft);
  EXPECT_LE(popover->contentFrameInWindow().maxX(), 1024 - PopoverController::kMargin);
  // Released while showing: the panel goes, nobody is told.
  log.clear();
  popover.reset();
  EXPECT_EQ(log, (Log{"P:willDisappear", "P:didDisappear"}));
  EXPECT_TRUE(driver.window().overlay().subviews().empty());
}

TEST_F(ContainerTest, AFormSheetKeepsTheKeyboardUpUnlessItsControllerSaysOtherwise) {
  HeadlessDriver driver;
  Log log;
  auto root = std::make_shared<Page>(&log, "R");
  driver.window().setRootViewController(root);
  struct Form : ViewController {
    bool dismissKeyboard = false;
    std::shared_ptr<TextField> field;
    void viewDidLoad() override {
      field = std::make_shared<TextField>(Rect{20, 100, 300, 30});
      view()->addSubview(field);
    }
    bool disablesAutomaticKeyboardDismissal() const override {
      return dismissKeyboard ? false : ViewController::disablesAutomaticKeyboardDismissal();
    }
  };
  auto form = std::make_shared<Form>();
  form->setModalPresentationStyle(ModalPresentationStyle::FormSheet);
  root->presentViewController(form, false);
  form->field->becomeFirstResponder();
  EXPECT_TRUE(driver.window().isKeyboardVisible());
  form->field->resignFirstResponder();
  EXPECT_TRUE(driver.window().isKeyboardVisible());
  root->dismissViewControllerAnimated(false);
  EXPECT_FALSE(driver.window().isKeyboardVisible());

  form->dismissKeyboard = true;
  root->presentViewController(form, false);
  form->field->becomeFirstResponder();
  form->field->resignFirstResponder();
  EXPECT_FALSE(driver.window().isKeyboardVisible());
}
