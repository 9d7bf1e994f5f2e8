#pragma once
// The base of the full-screen popups: a skinned title bar across the top with
// a title and a close button that asks the presenter to take the popup down.
#include <memory>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/PopControllerDelegate.hpp"

namespace mv {

class PopBaseController : public BaseViewController {
 public:
  static constexpr double kTitleBarHeight = 44;
  static constexpr double kTitleBarHeightVersion7 = 64;

  std::shared_ptr<PopControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<PopControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // Builds the title bar.
  void viewDidLoad() override;
  // The close button's action.
  void close();
  // The close button's title in the interface language.
  void updateLanguage();

  ui::Label* lblTittle() const { return lblTittle_.get(); }
  const std::shared_ptr<ui::ImageView>& titlebar() const { return titlebar_; }
  void setTitlebar(std::shared_ptr<ui::ImageView> bar) { titlebar_ = std::move(bar); }
  const std::shared_ptr<ui::Button>& btnClose() const { return btnClose_; }
  void setBtnClose(std::shared_ptr<ui::Button> button) { btnClose_ = std::move(button); }

 private:
  std::weak_ptr<PopControllerDelegate> delegate_;
  std::shared_ptr<ui::Label> lblTittle_;
  std::shared_ptr<ui::ImageView> titlebar_;
  std::shared_ptr<ui::Button> btnClose_;
};

}  // namespace mv
