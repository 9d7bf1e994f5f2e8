#pragma once
// The About page of the settings window: the application's icon, name and
// version, and the maker's lines.
#include <memory>

#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/Label.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/SettingsViewControllerDelegate.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class AboutViewController : public BaseViewController {
 public:
  static constexpr const char* kDisplayName = "Marvisto";

  // `actions`: where the version shown comes from (the bundle's without).
  explicit AboutViewController(std::shared_ptr<ShellActions> actions = nullptr) : actions_(std::move(actions)) {}

  std::shared_ptr<SettingsViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<SettingsViewControllerDelegate> d) { delegate_ = std::move(d); }
  double viewWidth() const { return viewWidth_; }
  void setViewWidth(double width) { viewWidth_ = width; }

  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;
  void doneButtonTapped();
  // Escape closes the window as Done does (the Settings tab then shows unchosen).
  std::shared_ptr<ui::BarButtonItem> closeButtonItem() override { return doneButton_; }

  ui::Label& lblVersionTitle() const { return *lblVersionTitle_; }
  ui::Label& lblVersion() const { return *lblVersion_; }
  ui::Label& lblCompany() const { return *lblCompany_; }
  ui::Label& lblRights() const { return *lblRights_; }

 private:
  void setTexts();
  std::shared_ptr<ShellActions> actions_;
  std::weak_ptr<SettingsViewControllerDelegate> delegate_;
  double viewWidth_ = 540;
  std::shared_ptr<ui::Label> lblName_, lblVersionTitle_, lblVersion_, lblCompany_, lblRights_;
  std::shared_ptr<ui::BarButtonItem> doneButton_;
};

}  // namespace mv
