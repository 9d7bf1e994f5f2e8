#pragma once
#include "TestEnvironment.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/ActionSheet.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Screen.hpp"
#include "platform/ui/View.hpp"

namespace mv::test {

// The toolkit reset around every test: no alerts or action sheets, no windows, animations on,
// screen scale 1, an empty animation log.
class UiTestEnvironment : public TestEnvironment {
 protected:
  void SetUp() override {
    TestEnvironment::SetUp();
    reset();
  }
  void TearDown() override {
    reset();
    TestEnvironment::TearDown();
  }
  static void reset() {
    ui::AlertView::resetForTesting();
    ui::ActionSheet::resetForTesting();
    ui::Application::freeInstance();
    ui::View::setAnimationsEnabled(true);
    ui::View::clearAnimationLog();
    ui::Screen::mainScreen().setScale(1);
  }
};

}  // namespace mv::test
