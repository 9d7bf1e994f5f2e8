// Every title on the skinned bars and switches reads on every skin the
// system ships: the application's own, and the skins the sales service gives
// its companies (the demo companies' among them). Measured on rendered
// pixels: a title is drawn with and without its text, and its colour must
// reach a contrast of 4.5:1 against the ground under each of its pixels.
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "ScreenTestSupport.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/Renderer.hpp"
#include "platform/ui/SegmentedControl.hpp"
#include "sales-service/SampleData.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/TabBarItemButton.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/PublicFunction.hpp"
#include "widgets/SwitchButton.hpp"
#include "widgets/ViewStyle.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

double luminanceOf(const gfx::Color& c) {
  const gfx::Color white = gfx::Color::white();
  // Ordered by contrast against white: enough to find the most strongly drawn pixel.
  return 1.0 / ViewStyle::contrastRatio(c, white);
}

// The lowest contrast between a title's colour (its most strongly drawn
// pixel) and the ground under any pixel the title changes. `showText`
// draws the title (true) or takes it away (false). 0 when nothing is drawn.
double titleContrast(ui::View& view, const std::function<void(bool)>& showText) {
  showText(false);
  auto ground = ui::Renderer::renderToImage(view, 1, gfx::Color::white());
  showText(true);
  auto titled = ui::Renderer::renderToImage(view, 1, gfx::Color::white());
  if (!ground || !titled) return 0;
  std::vector<std::pair<gfx::Color, gfx::Color>> changed;  // (titled, ground)
  const int w = static_cast<int>(ground->size().width), h = static_cast<int>(ground->size().height);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const gfx::Color a = titled->pixelAt(x, y), b = ground->pixelAt(x, y);
      if (std::abs(a.r() - b.r()) + std::abs(a.g() - b.g()) + std::abs(a.b() - b.b()) > 6.0 / 255) {
        changed.emplace_back(a, b);
      }
    }
  }
  if (changed.empty()) return 0;
  gfx::Color text = changed.front().first;
  double strongest = -1;
  for (const auto& [a, b] : changed) {
    const double d = std::abs(luminanceOf(a) - luminanceOf(b));
    if (d > strongest) {
      strongest = d;
      text = a;
    }
  }
  double worst = 21;
  for (const auto& [a, b] : changed) worst = std::min(worst, ViewStyle::contrastRatio(text, b));
  return worst;
}

// A skin: the application's own (no seed), or the one the sales service
// draws for a company of that seed (the demo companies are seeds 7 and 8).
struct Skin {
  std::optional<std::uint64_t> seed;
  std::string name() const { return seed ? "company skin " + std::to_string(*seed) : "own skin"; }
};

class SkinContrastTest : public ScreenTest {
 protected:
  // Signs a client in whose skin and tab bar picture are those of `skin`.
  void wear(const Skin& skin) {
    const std::string client = skin.seed ? "skin" + std::to_string(*skin.seed) : "plain";
    makeClientDatabase(client, "1,1,1,1,1,1,1");
    LoginMode::sharedInstance()->setClientID(client);
    if (skin.seed) {
      sales::SampleOptions options;
      options.clientId = client;
      options.seed = *skin.seed;
      auto folder = PublicFunction::clientFolder(client);
      ASSERT_TRUE(folder);
      fs::create_directories(*folder);
      std::ofstream(*folder / SkinManager::kSkinArchiveName, std::ios::binary) << sales::SampleData::skinArchive(options);
      ASSERT_TRUE(SkinManager::sharedInstance().initializeSkinImage());
      auto bar = PublicFunction::filePathWithName("topbar_company.png", kFileTypeConfigImage);
      ASSERT_TRUE(bar);
      fs::create_directories(bar->parent_path());
      std::ofstream(*bar, std::ios::binary) << sales::SampleData::barPicture(options, 1024, 49);
    }
    showMainFor(client, "1,1,1,1,1,1,1", LoginType::Online);
  }

  // A white title on a picture of the skin, as the screens' top bars show one.
  double topBarTitle(const char* picture, ui::Rect frame) {
    auto bar = std::make_shared<ui::ImageView>(frame);
    bar->setImage(SkinManager::skinFromImageName(picture));
    auto title = std::make_shared<ui::Label>(ui::Rect{20, frame.height() - 40, frame.width() - 40, 30});
    title->setTextColor(gfx::Color::white());
    title->setFont(gfx::Font::systemFont(17));
    title->setTextAlignment(gfx::TextAlignment::Center);
    bar->addSubview(title);
    return titleContrast(*bar, [&](bool shown) { title->setText(shown ? "Product Catalog" : ""); });
  }

  // Each segment's title of a switch, selected and not, on the ground it stands on.
  void expectSegmentsRead(ui::View& ground, ui::SegmentedControl& segments, const std::string& what) {
    for (long selected = 0; selected < static_cast<long>(segments.numberOfSegments()); ++selected) {
      segments.setSelectedSegmentIndex(selected);
      for (std::size_t i = 0; i < segments.numberOfSegments(); ++i) {
        const std::string title = segments.titleForSegmentAtIndex(i);
        const double c = titleContrast(ground, [&](bool shown) { segments.setTitle(shown ? title : "", i); });
        EXPECT_GE(c, ViewStyle::kReadableContrast)
            << what << " segment " << i << (static_cast<long>(i) == selected ? " (selected)" : "");
      }
    }
  }
};

TEST_F(SkinContrastTest, TitlesOnBarsAndSwitchesReadOnEverySkin) {
  launch();
  const Skin skins[] = {{}, {1}, {2}, {3}, {4}, {5}, {6}, {7}, {8}};
  for (const Skin& skin : skins) {
    SCOPED_TRACE(skin.name());
    wear(skin);
    auto tabs = tabBar();
    ASSERT_TRUE(tabs);

    // The tab bar: every shown title, while its tab is chosen and while not.
    for (int chosen : {0, 6}) {
      tabs->selectTab(chosen);
      settle();
      for (int tag = 0; tag < UITabBarControllerExt::kButtonCount; ++tag) {
        TabBarItemButton& item = tabs->button(tag);
        if (item.isHidden()) continue;
        const std::string title = item.title();
        const double c = titleContrast(tabs->backgroundImage(), [&](bool shown) { item.setTitle(shown ? title : ""); });
        EXPECT_GE(c, ViewStyle::kReadableContrast) << "tab " << tag << (item.isSelected() ? " (chosen)" : "");
      }
    }

    // The top bars' white titles.
    EXPECT_GE(topBarTitle("topbar-bg.png", {0, 0, 1024, 64}), ViewStyle::kReadableContrast) << "top bar";
    EXPECT_GE(topBarTitle("topbar-left-bg.png", {0, 0, 361, 64}), ViewStyle::kReadableContrast) << "left bar";
    EXPECT_GE(topBarTitle("topnavbar.png", {0, 0, 244, 64}), ViewStyle::kReadableContrast) << "panel bar";

    // The catalogue panel's category/tag switch over the panel's ground.
    auto panel = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 244, 748});
    panel->setImage(SkinManager::skinFromImageName("bg_category.png"));
    auto catalogSwitch = std::make_shared<SwitchButton>(ui::Rect{0, 705, 244, 43});
    panel->addSubview(catalogSwitch);
    expectSegmentsRead(*panel, catalogSwitch->segmentedControl(), "category switch");

    // The customer list's name/contact/state switch, on its white panel.
    auto list = std::make_shared<ui::View>(ui::Rect{0, 0, 360, 50});
    list->setBackgroundColor(gfx::Color::white());
    auto byName = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{"By name", "By contact", "By state"});
    byName->setFrame({30, 6, 300, 32});
    byName->setTintColor(ViewStyle::colorOfMainTheme());
    list->addSubview(byName);
    expectSegmentsRead(*list, *byName, "customer switch");

    app->showLoginPage();
    settle();
  }
}

// The colours chosen to read: kept when they do, moved towards black or
// white only as far as needed.
TEST(ReadableColours, KeptWhenTheyReadAndMovedOnlyAsFarAsNeeded) {
  const gfx::Color white = gfx::Color::white(), black = gfx::Color::black();
  EXPECT_NEAR(ViewStyle::contrastRatio(white, black), 21, 1e-9);
  EXPECT_NEAR(ViewStyle::contrastRatio(white, white), 1, 1e-9);
  const gfx::Color dark = gfx::Color::rgb255(70, 70, 70);
  EXPECT_EQ(ViewStyle::readableColor(dark, {white}), dark);
  // Grey text on a mid blue bar goes to white; on a pale bar to a darker grey.
  const gfx::Color blue = gfx::Color::rgb255(40, 80, 200);
  EXPECT_GE(ViewStyle::contrastRatio(ViewStyle::readableColor(dark, {blue}), blue), ViewStyle::kReadableContrast);
  const gfx::Color pale = gfx::Color::rgb255(200, 200, 200);
  const gfx::Color onPale = ViewStyle::readableColor(gfx::Color::rgb255(120, 120, 120), {pale});
  EXPECT_GE(ViewStyle::contrastRatio(onPale, pale), ViewStyle::kReadableContrast);
  EXPECT_LT(onPale.r(), 120.0 / 255);
  // A ground of both extremes: only a middle grey reads on both.
  const gfx::Color both = ViewStyle::readableColor(gfx::Color::rgb255(60, 60, 60), {white, black});
  EXPECT_GE(ViewStyle::contrastRatio(both, white), ViewStyle::kReadableContrast);
  EXPECT_GE(ViewStyle::contrastRatio(both, black), ViewStyle::kReadableContrast);
  // The colours a picture shows where it is drawn.
  auto ctx = gfx::Context::bitmap({10, 4}, 1.0, true);
  ctx->setFillColor(blue);
  ctx->fillRect({0, 0, 10, 2});
  ctx->setFillColor(pale);
  ctx->fillRect({0, 2, 10, 2});
  auto picture = ctx->makeImage();
  const auto top = ViewStyle::colorsOfImage(picture, {100, 40}, {0, 0, 100, 15});
  ASSERT_FALSE(top.empty());
  for (const auto& c : top) EXPECT_EQ(c, blue);
  EXPECT_TRUE(ViewStyle::colorsOfImage(nullptr, {100, 40}, {0, 0, 100, 40}).empty());
}

}  // namespace
}  // namespace mv::test
