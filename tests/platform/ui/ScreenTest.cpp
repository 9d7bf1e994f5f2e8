#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/ViewController.hpp"
#include "platform/ui/Window.hpp"

using namespace ui;

namespace {

class UiScreenTest : public mv::test::UiTestEnvironment {};

// A band shaded from dark blue to white.
struct GradientView : View {
  using View::View;
  void drawRect(gfx::Context& ctx, const Rect& r) override {
    ctx.drawLinearGradient(gfx::Gradient::of({gfx::Color::rgb255(0, 0, 128), gfx::Color::white()}), {r.minX(), 0},
                           {r.maxX(), 0});
  }
};

// A small order screen: a title in two languages, a counter with a button,
// a delete button that asks first, a picture and a gradient band.
struct OrderScreen : ViewController, AlertViewDelegate {
  std::shared_ptr<Label> title, chinese, counter, status;
  std::shared_ptr<Button> add, remove;
  int count = 0;
  int loads = 0;
  std::vector<std::string> appearance;

  void viewDidLoad() override {
    ++loads;
    auto v = view();
    v->setBackgroundColor(gfx::Color::white());
    title = std::make_shared<Label>(Rect{20, 30, 400, 30});
    title->setText("Quote order");
    title->setFont(*gfx::Font::fontWithName("Helvetica-Bold", 24));
    chinese = std::make_shared<Label>(Rect{20, 70, 400, 30});
    chinese->setText("\xe6\x8a\xa5\xe4\xbb\xb7\xe5\x8d\x95");
    chinese->setFont(gfx::Font::systemFont(24));
    counter = std::make_shared<Label>(Rect{20, 120, 200, 30});
    counter->setText("Items: 0");
    status = std::make_shared<Label>(Rect{20, 160, 400, 30});
    add = Button::buttonWithType(ButtonType::Custom);
    add->setFrame({250, 120, 100, 36});
    add->setTitle("Add");
    add->setBackgroundColor(gfx::Color::rgb255(0, 122, 255));
    add->addAction([this](Control&, const Event*) { counter->setText("Items: " + std::to_string(++count)); },
                   ControlEventTouchUpInside);
    remove = Button::buttonWithType(ButtonType::Custom);
    remove->setFrame({370, 120, 100, 36});
    remove->setTitle("Delete");
    remove->setBackgroundColor(gfx::Color::red());
    remove->addAction(
        [this](Control&, const Event*) {
          std::weak_ptr<AlertViewDelegate> me = std::static_pointer_cast<OrderScreen>(shared_from_this());
          auto alert = std::make_shared<AlertView>("Delete", "Remove all items?", me, "Cancel",
                                                   std::vector<std::string>{"Delete"});
          alert->setTag(4500);
          alert->show();
        },
        ControlEventTouchUpInside);
    auto picture = gfx::Context::bitmap({64, 64});
    picture->setFillColor(gfx::Color::rgb255(0, 160, 0));
    picture->fillEllipse({0, 0, 64, 64});
    auto image = std::make_shared<ImageView>(Rect{600, 30, 128, 128});
    image->setImage(picture->makeImage());
    image->setContentMode(ContentMode::ScaleAspectFit);
    auto band = std::make_shared<GradientView>(Rect{0, 600, 1024, 100});
    band->setAutoresizingMask(FlexibleWidth | FlexibleTopMargin);
    for (auto s : std::vector<std::shared_ptr<View>>{title, chinese, counter, status, add, remove, image, band})
      v->addSubview(s);
  }
  void viewWillAppear(bool) override { appearance.push_back("will"); }
  void viewDidAppear(bool) override { appearance.push_back("did"); }
  void alertViewClickedButtonAtIndex(AlertView& a, long index) override {
    if (a.tag() == 4500 && index == 1) {
      count = 0;
      counter->setText("Items: 0");
      View::animate(0.25, [this] { status->setAlpha(0); }, [this](bool) { status->setText("Deleted"); });
    }
  }
};

bool inkIn(const gfx::Image& img, int x0, int y0, int x1, int y1, const gfx::Color& background) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (!(img.pixelAt(x, y) == background)) return true;
  return false;
}

}  // namespace

TEST_F(UiScreenTest, ScreenBuiltInCodeRendersTapsAndAnswersAlerts) {
  HeadlessDriver driver;
  auto screen = std::make_shared<OrderScreen>();
  driver.window().setRootViewController(screen);
  EXPECT_EQ(screen->loads, 1);
  EXPECT_EQ(screen->appearance, (std::vector<std::string>{"will", "did"}));
  EXPECT_EQ(screen->view()->frame(), (Rect{0, 0, 1024, 768}));

  auto png = root / "order-screen.png";
  ASSERT_TRUE(driver.snapshot(png));
  auto shot = gfx::Image::fromFile(png);
  ASSERT_TRUE(shot);
  EXPECT_EQ(shot->pixelWidth(), 1024);
  EXPECT_EQ(shot->pixelHeight(), 768);
  const auto white = gfx::Color::white();
  EXPECT_TRUE(inkIn(*shot, 20, 30, 220, 60, white));    // Latin title
  EXPECT_TRUE(inkIn(*shot, 20, 70, 120, 100, white));   // Chinese title
  EXPECT_FALSE(inkIn(*shot, 20, 200, 500, 580, white)); // empty middle stays white
  EXPECT_TRUE(inkIn(*shot, 600, 30, 728, 158, white));  // the picture
  auto left = shot->pixelAt(5, 650), right = shot->pixelAt(1018, 650);
  EXPECT_LT(left.r(), 0.1);   // gradient starts dark
  EXPECT_GT(right.r(), 0.9);  // and ends white
  auto green = shot->pixelAt(664, 94);
  EXPECT_GT(green.g(), 0.5);
  EXPECT_LT(green.r(), 0.1);

  // Tapping: the counter follows the button.
  auto* add = dynamic_cast<Button*>(driver.findByText("Add"));
  ASSERT_EQ(add, screen->add.get());
  driver.tap(*add);
  driver.tap(*add);
  EXPECT_EQ(screen->counter->text(), "Items: 2");
  EXPECT_NE(driver.findByText("Items: 2"), nullptr);

  // Delete asks first; cancelling keeps the items.
  driver.tap(*screen->remove);
  auto alert = driver.visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), 4500);
  EXPECT_EQ(alert->title(), "Delete");
  auto texts = driver.visibleTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Remove all items?"), texts.end());
  auto withAlert = driver.render();
  ASSERT_TRUE(withAlert->writePNG(root / "order-screen-alert.png"));
  EXPECT_LT(withAlert->pixelAt(5, 5).r(), 0.7);  // the screen is dimmed behind the alert
  driver.tap(*add);                               // blocked by the alert
  EXPECT_EQ(screen->count, 2);
  ASSERT_TRUE(driver.pressAlertButton(alert->cancelButtonIndex()));
  driver.advance(0.3);
  EXPECT_FALSE(driver.visibleAlert());
  EXPECT_EQ(screen->count, 2);

  // Confirming clears them; the status fades and then says so.
  driver.tap(*screen->remove);
  ASSERT_TRUE(driver.pressAlertButton(1));
  EXPECT_EQ(screen->counter->text(), "Items: 0");
  EXPECT_EQ(screen->status->alpha(), 0);
  EXPECT_EQ(screen->status->text(), "");
  driver.advance(0.25);
  EXPECT_EQ(screen->status->text(), "Deleted");
  driver.advance(0.1);
  EXPECT_TRUE(AlertView::showingAlerts().empty());
  ASSERT_TRUE(driver.snapshot(root / "order-screen-after.png"));

  // Swapping the root controller tells both screens.
  struct Other : ViewController {};
  auto other = std::make_shared<Other>();
  driver.window().setRootViewController(other);
  EXPECT_EQ(screen->view()->superview(), nullptr);
  EXPECT_EQ(other->view()->superview(), &driver.window());
  EXPECT_FALSE(screen->isVisible());
  EXPECT_TRUE(other->isVisible());
}

TEST_F(UiScreenTest, RenderingHonoursLookAndScale) {
  auto root = std::make_shared<View>(Rect{0, 0, 100, 100});
  root->setBackgroundColor(gfx::Color::white());
  auto rounded = std::make_shared<View>(Rect{10, 10, 40, 40});
  rounded->setBackgroundColor(gfx::Color::red());
  rounded->layer().setCornerRadius(10);
  rounded->layer().setBorderWidth(2);
  rounded->layer().setBorderColor(gfx::Color::black());
  auto clipped = std::make_shared<View>(Rect{60, 10, 30, 30});
  clipped->setClipsToBounds(true);
  auto spill = std::make_shared<View>(Rect{0, 0, 100, 100});
  spill->setBackgroundColor(gfx::Color::blue());
  clipped->addSubview(spill);
  auto faded = std::make_shared<View>(Rect{10, 60, 30, 30});
  faded->setBackgroundColor(gfx::Color::black());
  faded->setAlpha(0.5);
  auto hidden = std::make_shared<View>(Rect{60, 60, 30, 30});
  hidden->setBackgroundColor(gfx::Color::green());
  hidden->setHidden(true);
  for (auto& v : {rounded, clipped, faded, hidden}) root->addSubview(v);

  auto img = Renderer::renderToImage(*root, 2);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->pixelWidth(), 200);
  EXPECT_EQ(img->pixelAt(22, 22), gfx::Color::white());     // outside the rounded corner
  EXPECT_EQ(img->pixelAt(60, 60), gfx::Color::red());       // inside it
  EXPECT_EQ(img->pixelAt(40, 21), gfx::Color::black());     // border on top
  EXPECT_EQ(img->pixelAt(150, 50), gfx::Color::blue());     // subview within the clip
  EXPECT_EQ(img->pixelAt(150, 100), gfx::Color::white());   // cut off below it
  EXPECT_NEAR(img->pixelAt(50, 150).r(), 0.5, 0.02);        // half-transparent black on white
  EXPECT_EQ(img->pixelAt(150, 150), gfx::Color::white());   // hidden draws nothing
}

namespace {

// A picture button found by its accessibility label and a titled one by its
// title; hidden ones are not there to tap.
TEST_F(UiScreenTest, ControlsAreFoundByTitleOrAccessibilityLabelAndTappedAtTheirCentre) {
  HeadlessDriver d;
  auto make = [](Rect frame) {
    auto b = Button::buttonWithType(ButtonType::Custom);
    b->setFrame(frame);
    return b;
  };
  auto star = make({600, 40, 44, 44});
  star->setAccessibilityLabel("Favourites");
  auto save = make({100, 300, 120, 40});
  save->setTitle("Save");
  auto hidden = make({100, 400, 120, 40});
  hidden->setTitle("Delete");
  hidden->setHidden(true);
  std::vector<std::string> tapped;
  auto record = [&](const char* what) {
    return [&tapped, what](Control&, const Event*) { tapped.push_back(what); };
  };
  star->addAction(record("star"), ControlEventTouchUpInside);
  save->addAction(record("save"), ControlEventTouchUpInside);
  hidden->addAction(record("delete"), ControlEventTouchUpInside);
  for (const auto& b : {star, save, hidden}) d.window().addSubview(b);
  d.flush();

  EXPECT_EQ(d.findControl("Favourites"), star.get());
  EXPECT_EQ(d.findControl("Save"), save.get());
  EXPECT_EQ(d.findControl("Delete"), nullptr);
  EXPECT_EQ(d.findControl(""), nullptr);
  EXPECT_TRUE(d.tapControl("Favourites"));
  EXPECT_TRUE(d.tapControl("Save"));
  EXPECT_FALSE(d.tapControl("Delete"));
  EXPECT_FALSE(d.tapControl("Nowhere"));
  EXPECT_EQ(tapped, (std::vector<std::string>{"star", "save"}));
  // A view covering the button takes the tap: the helper taps what is drawn.
  auto cover = std::make_shared<View>(Rect{0, 280, 400, 80});
  d.window().addSubview(cover);
  EXPECT_TRUE(d.tapControl("Save"));
  EXPECT_EQ(tapped.size(), 2u);
}

}  // namespace
