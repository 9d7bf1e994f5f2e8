#include "UiTestEnvironment.hpp"

#include "platform/gfx/Color.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/View.hpp"
#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"
#include "widgets/WidgetSkin.hpp"

namespace fs = std::filesystem;

namespace mv::test {

void resetToolkit() {
  ui::AlertView::resetForTesting();
  ui::ActionSheet::resetForTesting();
  ui::Application::freeInstance();
  ui::View::clearAnimationLog();
  ui::Screen::mainScreen().setScale(1);
  gfx::Image::setDeviceScale(1);
  WidgetSkin::setSkinImageProvider(nullptr);
  BundleStrings::resetCache();
}

void UiTestEnvironment::SetUp() {
  TestEnvironment::SetUp();
  resetToolkit();
  ui::View::setAnimationsEnabled(!ui.animationsOff);
  if (ui.fixedTextMeasurer) gfx::TextMeasurer::setCurrent(gfx::TextMeasurer::fixed(0.5));
  if (ui.textTable) {
    texts.clear();
    setTextLookup([this](const std::string& key) -> std::optional<std::string> {
      auto it = texts.find(key);
      if (it == texts.end()) return std::nullopt;
      return it->second;
    });
  }
}

void UiTestEnvironment::TearDown() {
  if (ui.textTable) setTextLookup(nullptr);
  if (ui.fixedTextMeasurer) gfx::TextMeasurer::setCurrent(nullptr);
  resetToolkit();
  ui::View::setAnimationsEnabled(true);
  TestEnvironment::TearDown();
}

ScreenWindow::ScreenWindow(std::shared_ptr<ui::ViewController> root) {
  window_ = std::make_shared<ui::Window>();
  window_->setBackgroundColor(gfx::Color::white());
  window_->makeKeyAndVisible();
  window_->setRootViewController(std::move(root));
  driver_ = std::make_unique<ui::HeadlessDriver>(window_);
  flush();
}

ScreenWindow::~ScreenWindow() {
  window_->setRootViewController(nullptr);
  ui::Application::sharedInstance().removeWindow(window_.get());
}

void ScreenWindow::flush() {
  driver_->flush();
  ui::View::layoutPendingViews();
}

std::vector<std::string> ScreenWindow::texts() {
  flush();
  return driver_->visibleTexts();
}

fs::path ScreenWindow::snapshot(const fs::path& folder, const std::string& name) {
  flush();
  // The installed fonts, so the picture shows text as the application does.
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  const fs::path file = folder / (name + ".png");
  EXPECT_TRUE(driver_->snapshot(file)) << file;
  keepSnapshot(file);
  return file;
}

}  // namespace mv::test
