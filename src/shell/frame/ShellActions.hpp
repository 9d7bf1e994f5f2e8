#pragma once
// What the features and the shell's own screens ask of the application: the
// main tab bar's badges, selection and sync icon, the way to the main screen
// and back to the sign-in (later, or because the user or the device is
// locked), the answer to a version check, the application's version, the
// page the features put into the settings, and the sales library's
// two-column flag (one per session).
//
// The application registers its implementation with the session services
// and hands one to what it makes before a sign-in (the welcome screen, the
// sign-in state). This base stands for an application that is not there, as
// when a screen is tried alone: it does nothing and reports the bundle's
// version. Main thread only.
#include <memory>
#include <optional>
#include <string>

namespace ui {
class ViewController;
}

namespace mv {

class CheckAppVersionRst;
class SessionServices;
class SettingsViewControllerDelegate;

// A tab's screen that hears when its tab is entered and left (the catalogue
// and the sales library put their panels up and take them down). The main tab
// bar tells the screens it made.
class TabVisits {
 public:
  virtual ~TabVisits() = default;
  virtual void tabEntered() = 0;
  virtual void tabLeft() = 0;
};

class ShellActions {
 public:
  virtual ~ShellActions() = default;

  // The actions registered with `services`; null without services or when
  // nothing is registered (a feature's tests).
  static std::shared_ptr<ShellActions> of(SessionServices* services);
  static std::shared_ptr<ShellActions> of(SessionServices& services) { return of(&services); }
  static std::shared_ptr<ShellActions> of(const std::shared_ptr<SessionServices>& services) {
    return of(services.get());
  }

  // ---- the main tab bar ----------------------------------------------------------------
  // Tab `tab`'s badge (`MainTabScreens`); nothing clears it.
  virtual void setTabBadge(int /*tab*/, const std::optional<std::string>& /*value*/, bool /*animated*/) {}
  virtual void selectTab(int /*tab*/) {}
  // Lays the shown tab buttons out at the wider pitch where they fit.
  virtual void spreadTabButtons() {}
  virtual void startSyncIconAnimation() {}
  virtual void stopSyncIconAnimation() {}

  // ---- the session -------------------------------------------------------------------
  // A sign-in completed: the session's services begin and the main tab bar shows.
  virtual void showMainScreen() {}
  // The Sync tab, and a sync a moment later.
  virtual void showSyncAndStart() {}
  // The module switches may have changed.
  virtual void configurationChanged() {}
  // The logout, on the next turn of the run loop (callers are often freed by it).
  virtual void logOutLater() {}
  // The service says the user or the device is locked (or answers the device
  // check otherwise).
  virtual void logOutWithLockedUser(const std::string& /*status*/, const std::string& /*message*/) {}
  // A version check answered: the update offer, or the word that there is none.
  virtual void versionChecked(const CheckAppVersionRst& /*reply*/) {}
  // The welcome screen is the window's root (nobody has reached the main screen).
  virtual bool isWelcomeShown() const { return false; }
  // The features' backup-and-restore page for the settings window.
  virtual std::shared_ptr<ui::ViewController> makeBackupAndRestore(
      std::weak_ptr<SettingsViewControllerDelegate> /*settings*/) {
    return nullptr;
  }

  // ---- the application ---------------------------------------------------------------
  virtual std::string appVersion() const;
  // Whether the sales library shows its files in two columns; a session
  // starts with one.
  bool libraryTwoColumns() const { return libraryTwoColumns_; }
  void setLibraryTwoColumns(bool v) { libraryTwoColumns_ = v; }

 private:
  bool libraryTwoColumns_ = false;
};

}  // namespace mv
