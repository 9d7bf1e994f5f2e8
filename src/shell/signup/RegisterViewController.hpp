#pragma once
// The sign-up form of a new company: company name and client id, e-mail,
// telephone, user name and the password twice. It checks the entries, sends
// them and, when the service accepts them, shows the confirmation page. A
// client id the service already has may be the user's own (a sign-up given
// up after the service took it): the form offers to sign in with it.
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewController.hpp"
#include "platform/ui/TextField.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/signup/RegisterModel.hpp"
#include "store/LoginInfo.hpp"

namespace mv {

class RegisterViewController : public ui::TableViewController,
                               public ui::TextFieldDelegate,
                               public LanguageManagerDelegate,
                               public RegisterModelDelegate,
                               public ui::AlertViewDelegate {
 public:
  static constexpr long kTakenAlertTag = 409;
  static constexpr int kRowCount = 7;
  static constexpr long kFirstFieldTag = 2000;
  static constexpr const char* kCellIdentifier = "regeister_table_cell";
  static constexpr double kWaitTimeout = 300;

  enum Row { kCompanyName = 0, kCompanyId, kEmail, kTelephone, kUserName, kPassword, kPasswordRetype };

  // What the form holds, for the checks.
  struct Entries {
    std::string companyName, companyId, email, phone, userName, password, passwordRetype;
  };

  // The form sends through `model` (a new one when none is given).
  explicit RegisterViewController(std::shared_ptr<RegisterModel> model = nullptr,
                                  ui::TableViewStyle style = ui::TableViewStyle::Grouped);
  ~RegisterViewController() override;

  void viewDidLoad() override;
  bool shouldAutorotate() const override { return false; }

  // Register is enabled exactly when the six entries other than the e-mail
  // are filled, the field being edited counting with `newText`.
  void checkDoneButtonEnableWithCurrentInputTextField(const ui::TextField* field, const std::string& newText);
  // The message key of the last check that fails, in the fixed order of
  // the checks (bottom row first), and the row it speaks of; nothing when
  // every entry is acceptable.
  struct Refusal {
    std::string message;
    Row row;
    bool operator==(const Refusal&) const = default;
  };
  static std::optional<Refusal> checkInput(const Entries& entries);
  Entries entries() const;

  void doneButtonTapped();
  void cancelButtonTapped();
  void tryToRegister();
  void goToSuccessPage();

  // The field of a row (0-6).
  ui::TextField& field(int row) const { return *fields_[static_cast<std::size_t>(row)]; }
  ui::BarButtonItem& registerButton() const { return *registerButton_; }
  ui::BarButtonItem& cancelButton() const { return *cancelButton_; }
  ui::Label& footerLable() const { return *footerLable_; }
  // The wait box shown while the sign-up travels (0 when none).
  int waitTag() const { return waitTag_; }
  // The form's own sign-up, which goes with it.
  const std::shared_ptr<RegisterModel>& registerModel() const { return model_; }

  void notifiChangelanguage() override;
  void registerSuccess(RegisterModel& model, const std::string& message) override;
  void registerFaild(RegisterModel& model, const std::string& message) override;
  void registerTaken(RegisterModel& model, const std::string& message) override;
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;
  // How the form's opener signs in with what was typed, when the client id
  // turns out to be registered already; without it that is only a failure.
  void setSignInInstead(std::function<void(const LoginInfo&)> signIn) { signInInstead_ = std::move(signIn); }

  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  long numberOfSectionsInTableView(ui::TableView& tableView) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForFooterInSection(ui::TableView& tableView, long section) override;

  bool textFieldShouldChangeCharactersInRange(ui::TextField& field, ui::TextRange range,
                                              const std::string& replacement) override;
  bool textFieldShouldClear(ui::TextField& field) override;
  bool textFieldShouldReturn(ui::TextField& field) override;

  static const char* labelKey(int row);

 private:
  std::shared_ptr<ui::TextField> inputTextFiledWithRow(int row);
  ui::Rect fieldFrame() const;
  void setPlaceholders();
  void endWait();

  std::array<std::shared_ptr<ui::TextField>, kRowCount> fields_;
  std::shared_ptr<ui::BarButtonItem> registerButton_, cancelButton_;
  std::shared_ptr<ui::Label> footerLable_;
  int waitTag_ = 0;
  std::shared_ptr<RegisterModel> model_;
  std::function<void(const LoginInfo&)> signInInstead_;
};

}  // namespace mv
