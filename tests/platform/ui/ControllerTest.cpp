#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Device.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class ControllerTest : public mv::test::UiTestEnvironment {};

struct Lifecycle : ViewController {
  std::vector<std::string> log;
  void loadView() override {
    log.push_back("load");
    setView(std::make_shared<View>(Rect{0, 0, 300, 200}));
  }
  void viewDidLoad() override { log.push_back("didLoad:" + std::to_string(isViewLoaded())); }
  void viewWillAppear(bool) override { log.push_back("willAppear"); }
  void viewDidAppear(bool) override { log.push_back("didAppear"); }
  void viewWillDisappear(bool) override { log.push_back("willDisappear"); }
  void viewDidDisappear(bool) override { log.push_back("didDisappear"); }
  void viewWillLayoutSubviews() override { log.push_back("layout"); }
};

// Takes typed text while it has the focus.
struct Field : View {
  using View::View;
  std::string text;
  bool resigned = false;
  bool canBecomeFirstResponder() const override { return true; }
  bool resignFirstResponder() override {
    resigned = true;
    return View::resignFirstResponder();
  }
  void insertText(const std::string& t) override { text += t; }
  void deleteBackward() override {
    if (!text.empty()) text.pop_back();
  }
};

}  // namespace

TEST_F(ControllerTest, ViewLoadsLazilyAndAppearanceCallsPair) {
  auto vc = std::make_shared<Lifecycle>();
  EXPECT_FALSE(vc->isViewLoaded());
  EXPECT_TRUE(vc->log.empty());
  auto v = vc->view();
  EXPECT_EQ(vc->log, (std::vector<std::string>{"load", "didLoad:1"}));
  EXPECT_EQ(vc->view(), v);  // loaded once
  EXPECT_EQ(v->viewController(), vc.get());

  vc->log.clear();
  vc->beginAppearanceTransition(true, false);
  vc->beginAppearanceTransition(true, false);  // no second "will appear"
  vc->endAppearanceTransition();
  EXPECT_TRUE(vc->isVisible());
  vc->beginAppearanceTransition(false, true);
  vc->endAppearanceTransition();
  vc->endAppearanceTransition();
  EXPECT_EQ(vc->log, (std::vector<std::string>{"willAppear", "didAppear", "willDisappear", "didDisappear"}));

  // The controller hears its view's layout.
  vc->log.clear();
  v->setNeedsLayout();
  v->layoutIfNeeded();
  EXPECT_EQ(vc->log, (std::vector<std::string>{"layout"}));

  // Children: adding to another parent moves the child; a freed parent leaves no dangling pointer.
  auto parent = std::make_shared<ViewController>();
  auto other = std::make_shared<ViewController>();
  parent->addChildViewController(vc);
  EXPECT_EQ(vc->parentViewController(), parent.get());
  other->addChildViewController(vc);
  EXPECT_TRUE(parent->childViewControllers().empty());
  EXPECT_EQ(vc->parentViewController(), other.get());
  other.reset();
  EXPECT_EQ(vc->parentViewController(), nullptr);
  // A controller freed before its view leaves the view without a controller.
  auto shortLived = std::make_shared<ViewController>();
  auto keptView = shortLived->view();
  EXPECT_EQ(keptView->frame(), Screen::mainScreen().bounds());
  shortLived.reset();
  EXPECT_EQ(keptView->viewController(), nullptr);
  EXPECT_EQ(keptView->nextResponder(), nullptr);
}

TEST_F(ControllerTest, ApplicationWindowAndFocus) {
  auto& app = Application::sharedInstance();
  EXPECT_EQ(app.keyWindow(), nullptr);
  HeadlessDriver driver;
  EXPECT_EQ(app.keyWindow(), &driver.window());
  EXPECT_TRUE(driver.window().isKeyWindow());
  EXPECT_EQ(driver.window().bounds(), (Rect{0, 0, 1024, 768}));
  EXPECT_EQ(driver.window().nextResponder(), &app);
  EXPECT_EQ(app.statusBarFrame(), (Rect{0, 0, 1024, 20}));
  app.setStatusBarHidden(true);
  EXPECT_EQ(app.statusBarFrame(), (Rect{}));
  EXPECT_EQ(app.statusBarOrientation(), InterfaceOrientation::LandscapeRight);
  EXPECT_GE(Device::currentDevice().systemVersionNumber(), 7.0);
  EXPECT_EQ(Screen::mainScreen().bounds().size, (Size{1024, 768}));

  EXPECT_TRUE(app.openURL("tel:123"));
  app.setOpenURLHandler([](const std::string& u) { return u.rfind("http", 0) == 0; });
  EXPECT_FALSE(app.openURL("mailto:x@y.invalid"));
  EXPECT_FALSE(app.openURL(""));
  EXPECT_EQ(app.openedURLs(), (std::vector<std::string>{"tel:123", "mailto:x@y.invalid"}));
  app.setNetworkActivityIndicatorVisible(true);
  EXPECT_TRUE(app.isNetworkActivityIndicatorVisible());

  // Ignoring interaction drops touches; the calls nest.
  auto view = std::make_shared<View>(Rect{0, 0, 200, 200});
  driver.window().addSubview(view);
  int taps = 0;
  view->addGestureRecognizer(std::make_shared<TapGestureRecognizer>([&](GestureRecognizer&) { ++taps; }));
  app.beginIgnoringInteractionEvents();
  app.beginIgnoringInteractionEvents();
  driver.tapAt({50, 50});
  app.endIgnoringInteractionEvents();
  driver.tapAt({50, 50});
  EXPECT_EQ(taps, 0);
  app.endIgnoringInteractionEvents();
  driver.tapAt({50, 50});
  EXPECT_EQ(taps, 1);

  // Typing goes to the first responder; leaving the window resigns it.
  auto field = std::make_shared<Field>(Rect{0, 300, 200, 30});
  auto plain = std::make_shared<View>(Rect{0, 400, 10, 10});
  driver.window().addSubview(field);
  driver.window().addSubview(plain);
  EXPECT_FALSE(driver.typeText("x"));
  EXPECT_FALSE(plain->becomeFirstResponder());
  EXPECT_TRUE(field->becomeFirstResponder());
  EXPECT_TRUE(field->isFirstResponder());
  driver.typeText("12");
  driver.typeText("34");
  driver.pressBackspace();
  EXPECT_EQ(field->text, "123");
  field->removeFromSuperview();
  EXPECT_TRUE(field->resigned);
  EXPECT_EQ(driver.window().firstResponder(), nullptr);
}

TEST_F(ControllerTest, LayersDrawContentsSublayersAndTransforms) {
  auto root = std::make_shared<View>(Rect{0, 0, 100, 100});
  root->setBackgroundColor(gfx::Color::white());
  auto holder = std::make_shared<View>(Rect{0, 0, 50, 50});
  auto bitmap = gfx::Context::bitmap({10, 10});
  bitmap->setFillColor(gfx::Color::blue());
  bitmap->fillRect({0, 0, 10, 10});
  holder->layer().setContents(bitmap->makeImage());
  holder->layer().setContentsGravity("center");
  auto dot = std::make_shared<Layer>();
  dot->setBounds({0, 0, 10, 10});
  dot->setPosition({45, 45});
  dot->setBackgroundColor(gfx::Color::red());
  holder->layer().addSublayer(dot);
  holder->layer().addSublayer(dot);  // adding again keeps one
  EXPECT_EQ(holder->layer().sublayers().size(), 1u);
  holder->layer().addSublayer(holder->layerPtr());  // a view's own layer cannot be a sublayer
  EXPECT_EQ(holder->layer().sublayers().size(), 1u);
  auto turned = std::make_shared<View>(Rect{60, 60, 30, 10});
  turned->setBackgroundColor(gfx::Color::green());
  turned->setTransform(AffineTransform::rotation(M_PI / 2));  // now 10 wide, 30 high around (75, 65)
  root->addSubview(holder);
  root->addSubview(turned);

  auto img = Renderer::renderToImage(*root, 1);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixelAt(25, 25), gfx::Color::blue());   // contents centred
  EXPECT_EQ(img->pixelAt(5, 5), gfx::Color::white());
  EXPECT_EQ(img->pixelAt(45, 45), gfx::Color::red());    // the sublayer
  EXPECT_EQ(img->pixelAt(75, 52), gfx::Color::green());  // rotated: reaches up to y = 50
  EXPECT_EQ(img->pixelAt(62, 65), gfx::Color::white());  // and no longer out to x = 60
  dot->removeFromSuperlayer();
  EXPECT_TRUE(holder->layer().sublayers().empty());
  EXPECT_EQ(dot->superlayer(), nullptr);
}
