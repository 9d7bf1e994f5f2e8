#pragma once
// The sign-in panel of the welcome screen: user name, password and client id
// (the first and last completed from the saved logins while typing), the
// check box that makes the login a shortcut, the forgotten-password link, the
// sign-in and sign-up buttons, and the paged strip of login shortcuts.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/TapGestureRecognizer.hpp"
#include "platform/ui/TextField.hpp"
#include "shell/session/AutoInputTextField.hpp"
#include "shell/frame/LinkLabel.hpp"
#include "shell/session/LoginDelegate.hpp"
#include "shell/session/LoginItemList.hpp"
#include "widgets/PageControl.hpp"

namespace mv {

class LoginCheckBox : public ui::View,
                      public ui::TextFieldDelegate,
                      public ui::ScrollViewDelegate,
                      public ui::AlertViewDelegate,
                      public LoginItemListDelegate,
                      public LinkLabelDelegate {
 public:
  static constexpr long kForgotPasswordTag = 1001;
  static constexpr long kShortcutExistsAlertTag = 1002;
  // A background tap this far above the shortcut strip leaves delete mode.
  static constexpr double kStripMargin = 40;

  explicit LoginCheckBox(const ui::Rect& frame = {0, 0, 1024, 740});
  ~LoginCheckBox() override;

  std::shared_ptr<LoginDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<LoginDelegate> delegate) { delegate_ = std::move(delegate); }

  // The controls' delegates are weak handles to the panel, so they are
  // connected once the panel is held by a shared pointer: on entering a
  // superview, or by calling this.
  void connectDelegates();
  void didMoveToSuperview() override { connectDelegates(); }

  // ---- operations of the host ---------------------------------------------------
  void resignTextFirstResponder();
  // After a failed sign-in: the shortcuts unselected.
  void changeButState();
  void updateLanguage();

  // ---- actions -------------------------------------------------------------------
  void loginFromOther();
  void setAutoLogin();
  bool isExistCheck() const;
  void autoLoadCompanyId();
  void registerClicked();
  void changePage();
  void sizePageControl();

  // ---- the controls -----------------------------------------------------------------
  AutoInputTextField& userNameInputText() const { return *userNameInputText_; }
  ui::TextField& passWordInputText() const { return *passWordInputText_; }
  AutoInputTextField& clientIDInputText() const { return *clientIDInputText_; }
  ui::Button& btnAutologin() const { return *btnAutologin_; }
  ui::Button& loginBut() const { return *loginBut_; }
  ui::Button& registerBut() const { return *registerBut_; }
  LinkLabel& forgotPasswordLink() const { return *forgotPasswordLink_; }
  LoginItemList& loginItemList() const { return *loginItemList_; }
  PageControl& pageControl() const { return *pageControl_; }
  ui::TextField* activeField() const { return activeField_; }
  ui::TextField* shouldActiveField() const { return shouldActiveField_; }
  const std::vector<std::string>& loginData() const { return loginData_; }
  bool pageControlUsed() const { return pageControlUsed_; }

  // ---- completion rules ----------------------------------------------------------
  // The text after the edit as completion reads it: an insertion counts as
  // typed at the end; a deletion cuts the text at its start.
  static std::string prospectiveText(const std::string& current, ui::TextRange range, const std::string& replacement);
  // Brings the candidates up to date for `prospective`: saved values that
  // start with it (user names exactly, client ids ignoring case) and are not
  // equal to it join at the end; others leave. Empty text empties the list.
  static void updateCandidates(std::vector<std::string>& loginData, const base::Value& savedLogins,
                               const std::string& prospective, bool clientField);
  // The part of `candidate` after the first as many characters as
  // `prospective` has; empty when the candidate is not longer.
  static std::string suggestionSuffix(const std::string& candidate, const std::string& prospective);
  // The distinct client ids saved for exactly this user name and password.
  static std::vector<std::string> companyIdsFor(const base::Value& savedLogins, const std::string& userName,
                                                const std::string& password);
  // Another user's shortcut for this client id is saved.
  static bool isExistCheck(const base::Value& savedLogins, const std::string& clientId, const std::string& userName);

  // ---- delegates -----------------------------------------------------------------------
  bool textFieldShouldBeginEditing(ui::TextField& field) override;
  void textFieldDidBeginEditing(ui::TextField& field) override;
  void textFieldDidEndEditing(ui::TextField& field) override;
  bool textFieldShouldChangeCharactersInRange(ui::TextField& field, ui::TextRange range,
                                              const std::string& replacement) override;
  bool textFieldShouldClear(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;
  void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  void loginItemClick(LoginItem& item) override;
  void loginItemDelete(LoginItem& item) override;
  void linkLabelTouche(LinkLabel& label, long tag) override;

  // The two background-tap handlers.
  void dissAppearTableView();
  void backGroundClick(ui::Point tapInPanel);

 private:
  void buildControls();
  void addDefaultInfo();
  AutoInputTextField* completingField(ui::TextField& field) const;
  void hideSuggestion(AutoInputTextField& field);
  void showSuggestion(AutoInputTextField& field, const std::string& prospective);
  void acceptSuggestion(AutoInputTextField& field);
  void showAlert(const std::string& titleKey, const std::string& messageKey, ui::TextField& named);
  static bool touchIsForPanel(const ui::Touch& touch);

  std::weak_ptr<LoginDelegate> delegate_;
  bool connected_ = false;
  std::shared_ptr<ui::ImageView> fieldFrame_;
  std::shared_ptr<AutoInputTextField> userNameInputText_;
  std::shared_ptr<ui::TextField> passWordInputText_;
  std::shared_ptr<AutoInputTextField> clientIDInputText_;
  std::shared_ptr<ui::Button> btnAutologin_;
  std::shared_ptr<LinkLabel> forgotPasswordLink_;
  std::shared_ptr<ui::Button> loginBut_;
  std::shared_ptr<ui::Button> registerBut_;
  std::shared_ptr<LoginItemList> loginItemList_;
  std::shared_ptr<PageControl> pageControl_;
  ui::TextField* activeField_ = nullptr;
  ui::TextField* shouldActiveField_ = nullptr;
  std::vector<std::string> loginData_;
  bool pageControlUsed_ = false;
};

}  // namespace mv
