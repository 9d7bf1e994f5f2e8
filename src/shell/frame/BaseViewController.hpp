#pragma once
// The base of the application's full-screen controllers: it listens for
// language changes from the moment its view loads until it goes away, runs a
// one-time set-up after the first load of its view, knows whether it is on
// screen, and can put the theme-coloured strip under the status bar.
#include <optional>

#include "platform/gfx/Color.hpp"
#include "platform/ui/ViewController.hpp"
#include "shell/config/LanguageManager.hpp"

namespace mv {


class BaseViewController : public ui::ViewController, public LanguageManagerDelegate {
 public:
  static constexpr long kStatusBarStripTag = 34782;
  static constexpr double kStatusBarStripHeight = 20;

  BaseViewController();
  ~BaseViewController() override;

  // The one-time set-up has run.
  bool bViewHasLoad() const { return bViewHasLoad_; }
  // Between did-appear and did-disappear.
  bool bViewAppear() const { return bViewAppear_; }

  // Registers for language changes. Subclasses call it first and end their
  // own viewDidLoad with `finishViewDidLoad()`.
  void viewDidLoad() override;
  void viewDidAppear(bool animated) override;
  void viewDidDisappear(bool animated) override;
  void didReceiveMemoryWarning() override;

  void notifiChangelanguage() override { updateLanguage(*this); }
  // Re-reads the screen's texts; nothing here.
  virtual void updateLanguage(ui::ViewController& /*sender*/) {}
  // The one-time set-up after the first load of the view; overrides call
  // the base first.
  virtual void viewAfterFirstDidLoad() { bViewHasLoad_ = true; }
  // Where a subclass drops the views it can rebuild after a memory warning.
  virtual void hightVersionViewDidUnload() {}

  // The strip under the status bar (systems 7.0 and later), in the theme's
  // colour or the given one; brought to the front on request.
  void addStatusBarBGForVersion7(bool bringToFront);
  void addStatusBarBGForVersion7WithColor(const std::optional<gfx::Color>& color, bool bringToFront);

  // The numeric comparison of a system version text with another ("10.0" is
  // later than "7.0").
  static int compareVersions(const std::string& a, const std::string& b);

 protected:
  // Runs the one-time set-up when it has not run yet.
  void finishViewDidLoad() {
    if (!bViewHasLoad_) viewAfterFirstDidLoad();
  }
  // This controller as a language listener (shares its ownership).
  std::shared_ptr<LanguageManagerDelegate> languageListener();

 private:
  bool bViewHasLoad_ = false;
  bool bViewAppear_ = false;
};

}  // namespace mv
