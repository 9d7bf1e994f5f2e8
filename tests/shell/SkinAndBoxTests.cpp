// Skins, demo data, wait boxes and toasts.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>

#include "ShellTestSupport.hpp"
#include "platform/base/FolderWriters.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "shell/frame/MessageBox.hpp"
#include "widgets/ProgressHUD.hpp"
#include "shell/config/SkinManager.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/DataAccessManager.hpp"
#include "util/DiskRoom.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/PictureVerdicts.hpp"
#include "util/ZipArchive.hpp"
#include "util/ZipWriter.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

void writePNG(const fs::path& path, double width, double height, double scale = 1) {
  fs::create_directories(path.parent_path());
  auto image = gfx::Image::blank({width, height}, scale);
  ASSERT_TRUE(image->writePNG(path));
}

void writeZip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& entries) {
  ZipWriter zip;
  ASSERT_TRUE(zip.open(path));
  for (const auto& [name, bytes] : entries) ASSERT_TRUE(zip.addBytes(name, bytes));
  ASSERT_TRUE(zip.close());
}

std::string pngBytes(double w, double h) {
  auto data = gfx::Image::blank({w, h})->pngData();
  return std::string(data->begin(), data->end());
}

using SkinTest = ShellTest;

TEST_F(SkinTest, LookupPrefersTheClientsDoubleResolutionFile) {
  const fs::path skin = base::Paths::documents() / "acme" / "SkinImages";
  writePNG(skin / "bg-welcome.png", 10, 10);
  writePNG(skin / "bg-welcome@2x.png", 40, 40);
  writePNG(skin / "guide_en1@2x.png", 30, 30);  // the variant of "guide_en1.jpg"

  // Nobody signed in: the application's own picture.
  auto bundled = SkinManager::skinFromImageName("bg-welcome.png");
  ASSERT_TRUE(bundled);
  EXPECT_GT(bundled->size().width, 100);
  EXPECT_FALSE(SkinManager::skinFromImageName("   "));
  EXPECT_FALSE(SkinManager::skinFromImageName(""));
  EXPECT_FALSE(SkinManager::hasCustomerImage("bg-welcome.png"));

  LoginMode::sharedInstance()->setClientID("ACME");
  auto one = SkinManager::skinFromImageName("bg-welcome.png");
  ASSERT_TRUE(one);
  EXPECT_EQ(one->pixelWidth(), 10);
  EXPECT_TRUE(SkinManager::hasCustomerImage("bg-welcome.png"));
  EXPECT_FALSE(SkinManager::hasCustomerImage("guide_en1.jpg"));
  // A name too short for a variant, and one with a path in it, cannot break out.
  EXPECT_FALSE(SkinManager::hasCustomerImage("a.b"));
  EXPECT_FALSE(SkinManager::hasCustomerImage("../SkinImages/bg-welcome.png"));
  EXPECT_FALSE(SkinManager::doubleResolutionPath("x.p"));
  EXPECT_EQ(SkinManager::doubleResolutionPath("/d/guide.jpg")->string(), "/d/guide@2x.png");
  EXPECT_EQ(SkinManager::doubleResolutionPath("/d/page.jpeg")->string(), "/d/page.@2x.png");

  SkinManager::resetScaleFactorForTesting();
  ui::Screen::mainScreen().setScale(2);
  EXPECT_EQ(SkinManager::getUIScreenScaleFactor(), 2.0);
  auto two = SkinManager::skinFromImageName("bg-welcome.png");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->pixelWidth(), 40);
  EXPECT_TRUE(SkinManager::hasCustomerImage("guide_en1.jpg"));
  EXPECT_TRUE(SkinManager::hasCustomerImage("guide_en1.jpg"));

  // The shortcut logo has no fallback.
  EXPECT_FALSE(SkinManager::getLogoWithClientId("acme"));
  writePNG(skin / "homelogo.png", 20, 8);
  SkinManager::resetScaleFactorForTesting();
  ui::Screen::mainScreen().setScale(1);
  ASSERT_TRUE(SkinManager::getLogoWithClientId("Acme"));
  EXPECT_FALSE(SkinManager::getLogoWithClientId(""));
  EXPECT_FALSE(SkinManager::getLogoWithClientId("../acme"));
}

// A bar of one colour, as a company's skin draws its top bar.
void writeSolidPNG(const fs::path& path, const gfx::Color& colour) {
  fs::create_directories(path.parent_path());
  auto paint = gfx::Context::bitmap({64, 8}, 1.0, true);
  paint->setFillColor(colour);
  paint->fillRect({0, 0, 64, 8});
  ASSERT_TRUE(paint->makeImage()->writePNG(path));
}

// The main colour is kept between the many views that ask for it, and
// follows the skin: a company's own top bar, the same file rewritten by the
// company's next skin, a removed skin, and the application's bar once
// nobody is signed in.
TEST_F(SkinTest, TheMainColourFollowsTheSkinsTopBar) {
  WidgetSkin::setSkinImageProvider([](const std::string& name) { return SkinManager::skinFromImageName(name); });
  const gfx::Color own = ViewStyle::colorOfMainTheme();
  EXPECT_NE(own, gfx::Color::darkGray());

  const gfx::Color blue = gfx::Color::rgb255(28, 80, 126), green = gfx::Color::rgb255(20, 100, 40);
  const fs::path bar = base::Paths::documents() / "acme" / "SkinImages" / "topbar-bg.png";
  writeSolidPNG(bar, blue);
  LoginMode::sharedInstance()->setClientID("ACME");
  // Each bar as the application's own until its check has settled it.
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), own);
  EXPECT_TRUE(runUntil([&] { return ViewStyle::colorOfMainTheme() == blue; }));
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), blue);
  // The next skin's bar: a file of the same name and size, other pixels.
  writeSolidPNG(bar, green);
  EXPECT_TRUE(runUntil([&] { return ViewStyle::colorOfMainTheme() == green; }));
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), green);
  // A skin without its own bar falls back to the application's.
  fs::remove(bar);
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), own);
  writeSolidPNG(bar, blue);
  EXPECT_TRUE(runUntil([&] { return ViewStyle::colorOfMainTheme() == blue; }));
  LoginMode::sharedInstance()->setClientID("");
  EXPECT_EQ(ViewStyle::colorOfMainTheme(), own);
  WidgetSkin::setSkinImageProvider({});
}

TEST_F(SkinTest, SignatureImagesRoundTripAsJpeg) {
  EXPECT_FALSE(SkinManager::image2String(nullptr));
  EXPECT_FALSE(SkinManager::string2Image(std::nullopt));
  EXPECT_FALSE(SkinManager::string2Image(std::string("not base64 !")));
  auto original = gfx::Image::fromData(pngBytes(64, 32));
  ASSERT_TRUE(original);
  auto text = SkinManager::image2String(original);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->find('\n'), std::string::npos);
  EXPECT_EQ(text->rfind("/9j/", 0), 0u);  // JPEG
  auto back = SkinManager::string2Image(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixelWidth(), 64);
  EXPECT_EQ(back->pixelHeight(), 32);
}

TEST_F(SkinTest, SkinArchivesUnpackOnlyTheirOwnEntries) {
  auto lm = LoginMode::sharedInstance();
  lm->setClientID("acme");
  const fs::path client = base::Paths::documents() / "acme";
  fs::create_directories(client);
  std::ofstream(client / "marvisto_lite.sqlite") << "the database";
  // No archive yet.
  EXPECT_FALSE(SkinManager::sharedInstance().initializeSkinImage());

  // A hostile archive: an entry that leaves the folder, one aimed at the
  // database, and the skin's own entries.
  writeZip(client / "SkinImages_iOS7.zip", {{"SkinImages/homelogo.png", pngBytes(20, 8)},
                                             {"marvisto_lite.sqlite", "overwritten"},
                                             {"SkinImages/../../escaped.txt", "x"}});
  EXPECT_FALSE(SkinManager::sharedInstance().initializeSkinImage());
  EXPECT_FALSE(fs::exists(client / "SkinImages"));
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "escaped.txt"));
  std::ifstream db(client / "marvisto_lite.sqlite");
  std::string content((std::istreambuf_iterator<char>(db)), {});
  EXPECT_EQ(content, "the database");

  // A good one: only "SkinImages/" lands, in the skin folder.
  writeZip(client / "SkinImages_iOS7.zip",
           {{"SkinImages/homelogo.png", pngBytes(20, 8)}, {"marvisto_lite.sqlite", "overwritten"}});
  EXPECT_TRUE(SkinManager::sharedInstance().initializeSkinImage());
  EXPECT_TRUE(fs::is_regular_file(client / "SkinImages" / "homelogo.png"));
  std::ifstream db2(client / "marvisto_lite.sqlite");
  std::string content2((std::istreambuf_iterator<char>(db2)), {});
  EXPECT_EQ(content2, "the database");
  // A skin folder already there is kept as it is.
  fs::remove(client / "SkinImages_iOS7.zip");
  EXPECT_TRUE(SkinManager::sharedInstance().initializeSkinImage());
}

// A company's skin of pictures without their end markers, which only a read
// through tells whole, and one cut short: once unpacked, each is checked
// once, on the worker, and every screen that names one then costs a look-up;
// the cut one is drawn as the application's own. The next sign-in (in this
// process or another: the verdicts are kept) checks none again.
TEST_F(SkinTest, ASkinsPicturesAreCheckedOnceAndNeverOnTheMainThread) {
  LoginMode::sharedInstance()->setClientID("acme");
  const fs::path client = base::Paths::documents() / "acme";
  fs::create_directories(client);
  const auto bytes = [](const std::optional<std::vector<std::uint8_t>>& encoded) {
    return std::string(encoded->begin(), encoded->end());
  };
  gfx::ImageData noise(64, 64);
  for (std::size_t i = 0; i < noise.pixels.size(); ++i) noise.pixels[i] = static_cast<std::uint8_t>(i * 7919 % 251);
  const std::string png = bytes(gfx::ImageData(10, 10).encodePNG()), jpeg = bytes(gfx::ImageData(12, 12).encodeJPEG(0.8));
  const std::string cut = bytes(noise.encodePNG());
  writeZip(client / SkinManager::kSkinArchiveName, {{"SkinImages/bg-welcome.png", png.substr(0, png.size() - 12)},
                                                    {"SkinImages/guide_en1.jpg", jpeg.substr(0, jpeg.size() - 2)},
                                                    {"SkinImages/topbar-bg.png", cut.substr(0, cut.size() / 2)}});
  std::mutex mutex;
  std::multiset<std::string> checked;
  bool onMainThread = false;
  PictureVerdicts::setCheckObserver([&](const fs::path& path) {
    std::lock_guard<std::mutex> lock(mutex);
    checked.insert(path.filename().string());
    onMainThread = onMainThread || base::RunLoop::main().isMainThread();
  });
  const auto signInChecked = [&] {
    bool ready = false;
    SkinManager::sharedInstance().whenSkinChecked([&] { ready = true; });
    return runUntil([&] { return ready; });
  };
  ASSERT_TRUE(SkinManager::unpackSkinArchive(client));
  ASSERT_TRUE(signInChecked());
  for (int screen = 0; screen < 3; ++screen) {
    EXPECT_EQ(SkinManager::skinFromImageName("bg-welcome.png")->pixelWidth(), 10);
    EXPECT_EQ(SkinManager::skinFromImageName("guide_en1.jpg")->pixelWidth(), 12);
    EXPECT_EQ(SkinManager::skinFromImageName("topbar-bg.png")->size(), gfx::Image::named("topbar-bg.png")->size());
  }
  ASSERT_TRUE(signInChecked());
  PictureVerdicts::setCheckObserver({});
  EXPECT_EQ(checked, (std::multiset<std::string>{"bg-welcome.png", "guide_en1.jpg", "topbar-bg.png"}));
  EXPECT_FALSE(onMainThread);

  // A check while the client folder is closed for deleting (signing out, a
  // full resync) writes nothing into it.
  fs::remove_all(client / PictureVerdicts::kFolderName);
  ASSERT_TRUE(base::FolderWriters::shared().close(client, std::chrono::steady_clock::now()));
  const bool checkedClosed = signInChecked();
  base::FolderWriters::shared().reopen(client);
  ASSERT_TRUE(checkedClosed);
  EXPECT_FALSE(fs::exists(client / PictureVerdicts::kFolderName));
}

// A skin of pictures that only a read-through tells whole, each check held
// until the test lets it go, as a picture of the slow shape holds it for
// seconds: the pictures are named and laid out at their own size at once,
// drawn as the application's own while they wait, and as the company's the
// next time they are drawn once settled. Each verdict is written as it
// comes: a check cut off (the user quits) goes on where it stopped.
TEST_F(SkinTest, SlowSkinPicturesShowTheApplicationsOwnUntilSettledAndKeepTheirVerdicts) {
  LoginMode::sharedInstance()->setClientID("acme");
  const fs::path client = base::Paths::documents() / "acme";
  fs::create_directories(client);
  const std::vector<std::string> names = {"bg-welcome.png", "bg-home.png", "topbar-bg.png"};
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < names.size(); ++i) {
    gfx::ImageData solid(8, 8);
    for (std::size_t at = 0; at < solid.pixels.size(); at += 4) {
      solid.pixels[at] = static_cast<std::uint8_t>(60 * (i + 1));
      solid.pixels[at + 3] = 255;
    }
    const auto png = solid.encodePNG();
    ASSERT_TRUE(png);
    // Without its IEND chunk: whole, as only reading it through tells.
    entries.emplace_back("SkinImages/" + names[i], std::string(png->begin(), png->end() - 12));
  }
  writeZip(client / SkinManager::kSkinArchiveName, entries);
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> checked;
  std::size_t letThrough = 0;
  PictureVerdicts::setCheckObserver([&](const fs::path& path) {
    std::unique_lock<std::mutex> lock(mutex);
    checked.push_back(path.filename().string());
    changed.wait_for(lock, std::chrono::seconds(30), [&] { return checked.size() <= letThrough; });
  });
  const auto checksSoFar = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return checked;
  };
  const auto letGo = [&](std::size_t count) {
    std::lock_guard<std::mutex> lock(mutex);
    letThrough = count;
    changed.notify_all();
  };
  // The red of a picture drawn as it is seen.
  const auto redDrawn = [](const gfx::ImagePtr& image) {
    auto canvas = gfx::Context::bitmap({8, 8}, 1.0, false);
    canvas->drawImage(*image, base::Rect{0, 0, 8, 8});
    return static_cast<int>(std::lround(canvas->makeImage()->pixelAt(4, 4).r() * 255));
  };
  ASSERT_TRUE(SkinManager::unpackSkinArchive(client));
  ASSERT_TRUE(runUntil([&] { return checksSoFar().size() == 1; }));
  std::vector<gfx::ImagePtr> shown;
  for (const std::string& name : names) {
    shown.push_back(SkinManager::skinFromImageName(name));
    ASSERT_TRUE(shown.back());
    EXPECT_EQ(shown.back()->pixelWidth(), 8) << name;
    EXPECT_EQ(redDrawn(shown.back()), redDrawn(gfx::Image::named(name))) << name;
  }
  // One check ends: that picture is drawn as the company's, on the screens
  // that named it before and after; the next one still waits.
  letGo(1);
  ASSERT_TRUE(runUntil([&] { return checksSoFar().size() == 2; }));
  const std::string first = checksSoFar()[0];
  const std::size_t settled = static_cast<std::size_t>(std::find(names.begin(), names.end(), first) - names.begin());
  ASSERT_LT(settled, names.size());
  const int red = static_cast<int>(60 * (settled + 1));
  ASSERT_TRUE(runUntil([&] { return redDrawn(shown[settled]) == red; }));
  EXPECT_EQ(redDrawn(SkinManager::skinFromImageName(first)), red);
  const std::string waiting = checksSoFar()[1];
  EXPECT_EQ(redDrawn(SkinManager::skinFromImageName(waiting)), redDrawn(gfx::Image::named(waiting)));
  PictureVerdicts kept(PictureVerdicts::storeIn(client, "skin"));
  EXPECT_EQ(kept.keptOn(*PictureVerdicts::versionOf(client / "SkinImages" / first)), true);

  // The user quits while the second is checked; the next start checks the
  // rest, not the one settled.
  SkinManager::sharedInstance().stopSkinCheck();
  letGo(names.size() * 2);
  SkinManager::sharedInstance().resetSkinChecksForTesting();
  const std::size_t before = checksSoFar().size();
  bool ready = false;
  SkinManager::sharedInstance().whenSkinChecked([&] { ready = true; });
  ASSERT_TRUE(runUntil([&] { return ready; }));
  PictureVerdicts::setCheckObserver({});
  const auto all = checksSoFar();
  std::multiset<std::string> again(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  std::multiset<std::string> rest(names.begin(), names.end());
  rest.erase(first);
  EXPECT_EQ(again, rest);
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(redDrawn(SkinManager::skinFromImageName(names[i])), static_cast<int>(60 * (i + 1))) << names[i];
}

TEST_F(SkinTest, DemoDataUnpacksIntoBothCompanies) {
  // A small disk nearly full: the margin books keep free is not there, but
  // the demo's few megabytes fit.
  DiskRoom::setReading([](const fs::path&) -> std::optional<DiskRoom::Space> {
    return DiskRoom::Space{std::uint64_t{16} << 30, std::uint64_t{48} << 20};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  auto& skins = SkinManager::sharedInstance();
  EXPECT_TRUE(skins.needInitializeDemo());
  std::ofstream(base::Paths::tmp() / "partial-download.part") << "x";
  fs::create_directories(base::Paths::documents() / "quimbeset_");
  std::ofstream(base::Paths::documents() / "quimbeset_" / "stale.txt") << "old";
  ASSERT_TRUE(skins.initializeDemoZip());
  for (const char* id : {"quimbeset_", "tolvaren_"}) {
    EXPECT_TRUE(fs::is_regular_file(base::Paths::documents() / id / "marvisto_lite.sqlite")) << id;
    EXPECT_TRUE(fs::is_directory(base::Paths::documents() / id / "ProductImages")) << id;
  }
  EXPECT_FALSE(fs::exists(base::Paths::documents() / "quimbeset_" / "stale.txt"));
  EXPECT_FALSE(skins.needInitializeDemo());
  skins.setNeedUpdateDemo(true);
  EXPECT_TRUE(skins.needInitializeDemo());
  skins.setNeedUpdateDemo(false);
  // Nothing but the two companies is left in Documents.
  std::vector<std::string> names;
  for (auto& e : fs::directory_iterator(base::Paths::documents())) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"quimbeset_", "tolvaren_"}));

  // The demo database is current and has its configuration and data.
  LoginMode::sharedInstance()->setClientID("tolvaren_");
  DataAccessManager* dam = SessionDatabase::open().get();
  ASSERT_NE(dam, nullptr);
  auto config = dam->queryConfig("configuration");
  ASSERT_TRUE(config);
  EXPECT_EQ(config->desc, "1,1,1,1,1,1,1");
  EXPECT_FALSE(dam->getAllProducts().empty());
  SessionDatabase::close();

  // In the background, with waiters queued until it ends.
  bool done = false, waited = false, result = false;
  skins.startDemoUnpack([&](bool ok) {
    done = true;
    result = ok;
  });
  EXPECT_TRUE(skins.isDemoUnpacking());
  skins.whenDemoReady([&] { waited = true; });
  EXPECT_FALSE(waited);
  skins.waitForDemoUnpack();
  ASSERT_TRUE(runUntil([&] { return done; }, 5));
  EXPECT_TRUE(result);
  EXPECT_TRUE(waited);
  EXPECT_FALSE(skins.isDemoUnpacking());
  bool now = false;
  skins.whenDemoReady([&] { now = true; });
  EXPECT_TRUE(now);
}

using WaitBoxTest = ShellTest;

TEST_F(WaitBoxTest, BoxesCloseByTheirOwnTagAndTimeOut) {
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto& box = MessageBox::sharedInstance();
  box.EndBlockWait();  // nothing shown: nothing happens
  EXPECT_EQ(box.waitMsgBoxtag(), 0);

  const int first = box.BeginBlockWait("one", 5);
  const int second = box.BeginBlockWait("two", 300);
  EXPECT_GT(second, first);
  EXPECT_FALSE(box.isShowing(first));
  EXPECT_TRUE(box.isShowing(second));
  EXPECT_EQ(box.waitMsgBoxtag(), second);
  advance(6);  // the first one's time-out passes
  EXPECT_TRUE(box.isShowing(second));
  advance(1);  // the first box's fading out
  ASSERT_EQ(ProgressHUD::allHUDsForView(*window).size(), 1u);
  EXPECT_EQ(ProgressHUD::allHUDsForView(*window)[0]->labelText(), "two");

  box.ChangeWaitMessage("three");
  EXPECT_EQ(box.currentText(), "three");
  // A box closed by its own tag leaves a later one alone.
  box.EndBlockWait(first);
  EXPECT_TRUE(box.isShowing(second));
  const int third = box.BeginBlockWait("four", 1.5);
  EXPECT_FALSE(box.isShowing(second));
  advance(0.99);
  EXPECT_TRUE(box.isShowing(third));
  advance(0.02);  // closes after one whole second
  EXPECT_FALSE(box.isShowing(third));
  // After a time-out no box is current any more: a change goes nowhere and a
  // later step begins a box of its own.
  EXPECT_EQ(box.waitMsgBoxtag(), 0);
  box.ChangeWaitMessage("lost");
  EXPECT_FALSE(box.currentText());
  advance(1);
  EXPECT_TRUE(ProgressHUD::allHUDsForView(*window).empty());

  const int zero = box.BeginBlockWait("now", 0);
  EXPECT_TRUE(box.isShowing(zero));
  base::RunLoop::main().drain();
  EXPECT_FALSE(box.isShowing(zero));
}

TEST_F(WaitBoxTest, ToastGeometryAndTiming) {
  // Centred across the landscape screen, its centre at three quarters of the
  // height: above the tab bar, not on it.
  const ui::Rect lower = UIToast::frameForBox({200, 40}, UIToast::kGravityLower, {1024, 768});
  EXPECT_EQ(lower.origin.x, 412);
  EXPECT_EQ(lower.origin.y, 576 - 20);
  EXPECT_LE(lower.maxY(), UITabBarControllerExt::kBarY);
  EXPECT_EQ(UIToast::frameForBox({200, 40}, UIToast::kGravityMiddle, {1024, 768}).origin.y, 384 - 20);
  EXPECT_EQ(UIToast::frameForBox({200, 40}, 7, {1024, 768}).origin.y, 192 - 20);
  EXPECT_DOUBLE_EQ(UIToast::readableSeconds(UIToast::kLengthLong), 3.3);
  EXPECT_DOUBLE_EQ(UIToast::readableSeconds(UIToast::kLengthShort), 0.8);

  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto toast = std::make_shared<UIToast>();
  toast->show("Saved", UIToast::kGravityMiddle, UIToast::kLengthLong);
  std::weak_ptr<UIToast> weak = toast;
  toast.reset();  // the window keeps it
  ASSERT_FALSE(weak.expired());
  EXPECT_EQ(weak.lock()->superview(), window.get());
  EXPECT_GT(weak.lock()->frame().size.width, 30);
  EXPECT_DOUBLE_EQ(weak.lock()->center().y, window->bounds().height() * 0.5);
  advance(3.2);
  ASSERT_FALSE(weak.expired());
  EXPECT_EQ(weak.lock()->animationStep(), 3);  // still readable
  advance(0.2);
  EXPECT_EQ(weak.lock()->animationStep(), 4);  // shrinking
  advance(1.1);
  EXPECT_TRUE(weak.expired());
  for (const auto& v : window->subviews()) EXPECT_FALSE(std::dynamic_pointer_cast<UIToast>(v));
}

TEST_F(WaitBoxTest, ALongToastWrapsInsideItsPadding) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  auto window = std::make_shared<ui::Window>();
  window->makeKeyAndVisible();
  auto toast = std::make_shared<UIToast>();
  const std::string text = "The order could not be uploaded because the sales service did not answer in time";
  toast->show(text, UIToast::kGravityLower, UIToast::kLengthShort);
  const ui::Label* label = toast->textLabel();
  ASSERT_TRUE(label);
  EXPECT_EQ(label->text(), text);
  const ui::Rect box = toast->bounds();
  const ui::Rect inside = label->convertRectToView(label->bounds(), toast.get());
  EXPECT_GE(inside.x() - box.x(), UIToast::kPadding.width);
  EXPECT_GE(box.maxX() - inside.maxX(), UIToast::kPadding.width);
  EXPECT_GE(inside.y() - box.y(), UIToast::kPadding.height);
  // Every line as drawn fits the label, so none reaches the box's edge.
  const auto layout = gfx::TextMeasurer::current().layout(text, label->font(), inside.width(),
                                                          gfx::LineBreakMode::WordWrap, 0);
  ASSERT_GT(layout.lines.size(), 1u);
  for (const auto& line : layout.lines) EXPECT_LE(line.width, inside.width()) << line.text;
  EXPECT_LE(layout.size.height, inside.height() + 1);
  advance(3);
}

}  // namespace
}  // namespace mv::test
