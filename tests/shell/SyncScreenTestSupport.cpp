#include "SyncScreenTestSupport.hpp"

#include <map>

#include "TestEnvironment.hpp"
#include "platform/base/Paths.hpp"
#include "platform/base/PropertyList.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/View.hpp"
#include "platform/ui/Window.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace fs = std::filesystem;

namespace mv::test {

std::shared_ptr<void> FakeSyncScreenHost::observeLanguageChanges(std::function<void()> onChange) {
  auto token = std::make_shared<std::function<void()>>(std::move(onChange));
  observers_.push_back(token);
  return token;
}

void FakeSyncScreenHost::changeLanguage() {
  for (const auto& weak : observers_) {
    if (auto observer = weak.lock()) (*observer)();
  }
}

namespace {

std::shared_ptr<std::map<std::string, std::string>> loadTable(const char* name) {
  auto table = std::make_shared<std::map<std::string, std::string>>();
  auto value = base::PropertyList::read(base::Bundle::pathForResource(name, "plist"));
  EXPECT_TRUE(value && value->is_object()) << name;
  if (!value || !value->is_object()) return table;
  for (const auto& [key, text] : value->items()) {
    if (text.is_string()) (*table)[key] = text.get<std::string>();
  }
  return table;
}

void install(const char* name, int language) {
  auto table = loadTable(name);
  setTextLookup([table](const std::string& key) -> std::optional<std::string> {
    auto it = table->find(key);
    if (it == table->end()) return std::nullopt;
    return it->second;
  });
  PublicFunction::setInterfaceLanguageProvider([language] { return language; });
}

}  // namespace

void installEnglishTexts() { install("language_en", kLanguageEnglish); }

void installChineseTexts() { install("language_cn", kLanguageChinese); }

std::string textOf(const std::string& key) { return textForKey(key).value_or(std::string()); }

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

void resetToolkit() {
  ui::AlertView::resetForTesting();
  ui::Application::freeInstance();
  ui::View::setAnimationsEnabled(true);
  WidgetSkin::setSkinImageProvider(nullptr);
  PublicFunction::setInterfaceLanguageProvider(nullptr);
  SyncScreenHost::install(nullptr);
}

}  // namespace mv::test
