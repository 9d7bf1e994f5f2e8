#pragma once
// One login shortcut under the sign-in fields: the company's logo (or a
// default picture with the client id), and in delete mode a badge that asks
// whether to delete the shortcut.
#include <memory>
#include <string>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

class LoginItem;

class LoginItemDelegate {
 public:
  virtual ~LoginItemDelegate() = default;
  // The user confirmed the deletion of the shortcut.
  virtual void btnDeleteClick(LoginItem& item) = 0;
};

class LoginItem : public ui::Button, public ui::AlertViewDelegate {
 public:
  static constexpr double kWidth = 148;
  static constexpr double kHeight = 43;
  static constexpr const char* kShakeAnimationKey = ViewStyle::kShakingAnimationKey;

  explicit LoginItem(const ui::Rect& frame = {0, 0, kWidth, kHeight});

  std::shared_ptr<LoginItemDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LoginItemDelegate> delegate) { delegate_ = std::move(delegate); }

  bool isDemo() const { return isDemo_; }
  void setIsDemo(bool demo);
  const std::string& clientId() const { return clientId_; }
  void setClientId(const std::string& clientId);
  const std::string& accountId() const { return accountId_; }
  void setAccountId(const std::string& accountId) { accountId_ = accountId; }
  const std::string& passWord() const { return passWord_; }
  void setPassWord(const std::string& password) { passWord_ = password; }
  bool hasNoLogo() const { return hasNoLogo_; }
  void setHasNoLogo(bool noLogo);
  bool shaking() const { return shaking_; }
  // Shows the delete badge and wiggles, or stops both.
  void setShaking(bool shaking);

  ui::Label& lblCompany() const { return *lblCompany_; }
  const std::shared_ptr<ui::Button>& btnDelete() const { return btnDelete_; }

  // The badge's action: asks whether to delete.
  void fileDelteBtnClicked();
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

 private:
  std::weak_ptr<LoginItemDelegate> delegate_;
  std::shared_ptr<ui::Label> lblCompany_;
  std::shared_ptr<ui::Button> btnDelete_;
  std::string clientId_, accountId_, passWord_;
  bool isDemo_ = false;
  bool shaking_ = false;
  bool hasNoLogo_ = false;
};

}  // namespace mv
