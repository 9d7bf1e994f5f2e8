#pragma once
// The first tab: the client's home picture and its web address as a link.
// Once per sign-in it tells the user when the service has new content and
// offers the Sync tab; in the demo account it shows, once per installation,
// where to touch to sign out.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/LinkLabel.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class SessionServices;
class SyncModel;

class HomeViewController : public BaseViewController, public LinkLabelDelegate, public ui::AlertViewDelegate {
 public:
  static constexpr long kNewContentAlertTag = 1000;
  static constexpr long kCellularAlertTag = 1001;
  static constexpr double kAppearDuration = 0.25;

  // `actions`: the sync tab's badge, the sync and the logout; `services`: the
  // session's, whose sync engine hears of new content.
  explicit HomeViewController(std::shared_ptr<ShellActions> actions = nullptr,
                              std::shared_ptr<SessionServices> services = nullptr)
      : actions_(std::move(actions)), services_(std::move(services)) {}
  ~HomeViewController() override;

  void viewDidLoad() override;
  void viewAfterFirstDidLoad() override;
  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;
  void updateLanguage(ui::ViewController& sender) override;

  // A non-empty address shows the link; nothing hides it.
  void loadWebsiteAddress(const std::string& address);
  // The address the link opens: as written when it names its scheme
  // ("https://", "HTTP://", any scheme), else with "http://" in front.
  static std::string linkURL(const std::string& address);
  void linkLabelTouche(LinkLabel& label, long tag) override;

  void showAlertView(long tag, const std::string& message, const std::string& cancel, const std::string& other);
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  void showHelpLogout();
  static bool hasShownHelpLogout();
  static void markAppHasShownHelpLogout();
  // Takes the demo help and this screen's questions down (logout).
  void closeOverlays();

  void userEditBtnClick();
  void logoutBtnClick();

  ui::ImageView& homeBg() const { return *homeBg_; }
  LinkLabel& linklblWebsite() const { return *linklblWebsite_; }
  const std::shared_ptr<ui::PopoverController>& helpPopController() const { return helpPopController_; }

 private:
  // The session's sync engine, made on first use.
  std::shared_ptr<SyncModel> syncEngine() const;
  std::shared_ptr<ShellActions> actions_;
  std::shared_ptr<SessionServices> services_;
  void syncNow();
  void later();

  std::shared_ptr<ui::ImageView> homeBg_;
  std::shared_ptr<LinkLabel> linklblWebsite_;
  std::shared_ptr<ui::PopoverController> helpPopController_;
  std::vector<std::weak_ptr<ui::AlertView>> alerts_;
};

}  // namespace mv
