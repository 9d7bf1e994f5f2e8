#pragma once
// The toolkit reset around every widget test: no alerts or windows, animations
// on, screen scale 1, an empty animation log, the fixed text measurer (every
// character half the point size wide, lines 1.25 x the size high), a text
// table the test fills, and the skin lookup back on the bundle.
#include <map>
#include <string>

#include "TestEnvironment.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/View.hpp"
#include "util/TextLookup.hpp"
#include "widgets/BundleStrings.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv::test {

class WidgetTestEnvironment : public TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    reset();
    gfx::TextMeasurer::setCurrent(gfx::TextMeasurer::fixed(0.5));
    texts.clear();
    setTextLookup([this](const std::string& key) -> std::optional<std::string> {
      auto it = texts.find(key);
      if (it == texts.end()) return std::nullopt;
      return it->second;
    });
  }
  void TearDown() override {
    setTextLookup(nullptr);
    gfx::TextMeasurer::setCurrent(nullptr);
    reset();
    TestEnvironment::TearDown();
  }
  static void reset() {
    ui::AlertView::resetForTesting();
    ui::Application::freeInstance();
    ui::View::setAnimationsEnabled(true);
    ui::View::clearAnimationLog();
    ui::Screen::mainScreen().setScale(1);
    WidgetSkin::setSkinImageProvider(nullptr);
    BundleStrings::resetCache();
  }

  std::map<std::string, std::string> texts;
};

}  // namespace mv::test
