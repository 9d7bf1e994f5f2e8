#include "shell/signup/RegisterViewController.hpp"

#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/signup/RegisterMessageViewController.hpp"
#include "util/PublicFunction.hpp"
#include "util/Regex.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


constexpr const char* kIdentifierPattern = "^[A-Za-z0-9_]{3,}$";
constexpr const char* kEmailPattern = "\\b([a-zA-Z0-9%_.+\\-]+)@([a-zA-Z0-9.\\-]+?\\.[a-zA-Z]{2,6})\\b";

// The byte length of the UTF-8 character starting at `at`.
std::size_t characterLength(const std::string& s, std::size_t at) {
  std::size_t end = at + 1;
  while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
  return end - at;
}

}  // namespace

const char* RegisterViewController::labelKey(int row) {
  static const char* const keys[kRowCount] = {"CLIENTNAMEINPUT", "CLIENTIDINPUT",  "EMAILSETTINGS",      "TELINPUT",
                                              "USERNAME",        "PASSWORDINPUT", "PASSWORDRETYPEINPUT"};
  return row >= 0 && row < kRowCount ? keys[row] : "";
}

RegisterViewController::RegisterViewController(std::shared_ptr<RegisterModel> model, ui::TableViewStyle style)
    : ui::TableViewController(style), model_(model ? std::move(model) : std::make_shared<RegisterModel>()) {}

RegisterViewController::~RegisterViewController() {
  LanguageManager::sharedInstance().unRegisterLanugageNotification(this);
  // A reply that arrives after the form has gone reaches nobody: the
  // sign-up on its way goes with the form's model.
  model_->clearDelegate(this);
  if (waitTag_) MessageBox::sharedInstance().EndBlockWait(waitTag_);
}

ui::Rect RegisterViewController::fieldFrame() const {
  return LanguageManager::sharedInstance().currentLanguage() == 2 ? ui::Rect{100, 0, 360, 44}
                                                                  : ui::Rect{180, 0, 280, 44};
}

std::shared_ptr<ui::TextField> RegisterViewController::inputTextFiledWithRow(int row) {
  auto field = std::make_shared<ui::TextField>(fieldFrame());
  field->setTag(kFirstFieldTag + row);
  field->setFont(gfx::Font::systemFont(17));
  field->setContentVerticalAlignment(ui::ContentVerticalAlignment::Center);
  field->setAutocapitalizationType(ui::TextAutocapitalizationType::None);
  field->setAutocorrectionType(ui::TextAutocorrectionType::No);
  field->setClearsOnBeginEditing(false);
  field->setEnablesReturnKeyAutomatically(true);
  field->setKeyboardType(row == kCompanyName   ? ui::KeyboardType::Default
                         : row == kTelephone ? ui::KeyboardType::PhonePad
                                             : ui::KeyboardType::ASCIICapable);
  field->setReturnKeyType(row == kPasswordRetype ? ui::ReturnKeyType::Done : ui::ReturnKeyType::Next);
  field->setSecureTextEntry(row == kPassword || row == kPasswordRetype);
  field->setDelegate(ui::weakAs<ui::TextFieldDelegate>(this));
  return field;
}

void RegisterViewController::setPlaceholders() {
  field(kCompanyId).setPlaceholder(text("REGISTERATLEAST3"));
  field(kUserName).setPlaceholder(text("REGISTERATLEAST3"));
  field(kPassword).setPlaceholder(text("REGISTERATLEAST6"));
}

void RegisterViewController::viewDidLoad() {
  ui::TableViewController::viewDidLoad();
  auto weak = ui::weakAs<RegisterViewController>(this);
  auto self = [weak] { return weak.lock(); };
  registerButton_ = std::make_shared<ui::BarButtonItem>(text("REGISTER"), ui::BarButtonItemStyle::Done,
                                                        [self](ui::BarButtonItem&) {
                                                          if (auto s = self()) s->doneButtonTapped();
                                                        });
  registerButton_->setEnabled(false);
  navigationItem().setRightBarButtonItem(registerButton_);
  cancelButton_ = std::make_shared<ui::BarButtonItem>(text("CANCEL"), ui::BarButtonItemStyle::Bordered,
                                                      [self](ui::BarButtonItem&) {
                                                        if (auto s = self()) s->cancelButtonTapped();
                                                      });
  navigationItem().setLeftBarButtonItem(cancelButton_);

  auto table = tableView();
  table->setAllowsSelection(false);
  // The table places its footer at its left edge; the note keeps its own margin inside.
  const double width = table->bounds().width();
  auto footer = std::make_shared<ui::View>(ui::Rect{0, 0, width, 50});
  footer->setAutoresizingMask(ui::FlexibleWidth);
  footerLable_ = std::make_shared<ui::Label>(ui::Rect{30, 0, width - 60, 50});
  footerLable_->setAutoresizingMask(ui::FlexibleWidth);
  footerLable_->setTextColor(gfx::Color::gray());
  footerLable_->setBackgroundColor(gfx::Color::clear());
  footerLable_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
  footerLable_->setNumberOfLines(0);
  footerLable_->setText(text("COMPANYIDNOTCHANGEBLE"));
  footer->addSubview(footerLable_);
  table->setTableFooterView(footer);
  for (int row = 0; row < kRowCount; ++row) fields_[static_cast<std::size_t>(row)] = inputTextFiledWithRow(row);
  setPlaceholders();
  setTitle(text("NEWACCOUNT"));
  LanguageManager::sharedInstance().registerLanugageNotification(
      std::shared_ptr<LanguageManagerDelegate>(shared_from_this(), static_cast<LanguageManagerDelegate*>(this)));
}

void RegisterViewController::notifiChangelanguage() {
  registerButton_->setTitle(text("REGISTER"));
  cancelButton_->setTitle(text("CANCEL"));
  setPlaceholders();
  footerLable_->setText(text("COMPANYIDNOTCHANGEBLE"));
  setTitle(text("NEWACCOUNT"));
  tableView()->reloadData();
}

// ---- table ------------------------------------------------------------------------------

long RegisterViewController::numberOfSectionsInTableView(ui::TableView&) { return 1; }

long RegisterViewController::tableViewNumberOfRowsInSection(ui::TableView&, long) { return kRowCount; }

std::optional<double> RegisterViewController::tableViewHeightForFooterInSection(ui::TableView&, long) { return 0.0; }

std::shared_ptr<ui::TableViewCell> RegisterViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto cell = tableView.dequeueReusableCellWithIdentifier(kCellIdentifier);
  if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, kCellIdentifier);
  const int row = static_cast<int>(indexPath.row);
  // A cell taken back for another row keeps none of the fields of its old row.
  for (auto& sub : std::vector<std::shared_ptr<ui::View>>(cell->contentView().subviews())) {
    if (sub->tag() >= kFirstFieldTag && sub->tag() < kFirstFieldTag + kRowCount && sub->tag() != kFirstFieldTag + row) {
      sub->removeFromSuperview();
    }
  }
  cell->textLabel().setText(text(labelKey(row)));
  if (row >= 0 && row < kRowCount) {
    auto& f = fields_[static_cast<std::size_t>(row)];
    if (f->superview() != &cell->contentView()) cell->contentView().addSubview(f);
    f->setFrame(fieldFrame());
  }
  return cell;
}

// ---- the Register button -------------------------------------------------------------------

void RegisterViewController::checkDoneButtonEnableWithCurrentInputTextField(const ui::TextField* edited,
                                                                            const std::string& newText) {
  bool enabled = true;
  for (int row : {kCompanyName, kCompanyId, kUserName, kPassword, kPasswordRetype, kTelephone}) {
    const ui::TextField* f = fields_[static_cast<std::size_t>(row)].get();
    const std::string& value = f == edited ? newText : f->text();
    if (value.empty()) enabled = false;
  }
  registerButton_->setEnabled(enabled);
}

bool RegisterViewController::textFieldShouldChangeCharactersInRange(ui::TextField& f, ui::TextRange range,
                                                                    const std::string& replacement) {
  const std::string& current = f.text();
  if (replacement.empty() && range.location != 0 && range.location < current.size() &&
      range.length == characterLength(current, range.location)) {
    // One character deleted: done here, so that a secure field loses that
    // character only and never its whole text.
    std::string result = current;
    result.erase(range.location, range.length);
    f.setText(result);
    f.setSelectedRange({range.location, 0});
    checkDoneButtonEnableWithCurrentInputTextField(&f, f.text());
    return false;
  }
  std::string result = current;
  if (range.location <= result.size()) {
    result.replace(range.location, std::min(range.length, result.size() - range.location), replacement);
  }
  checkDoneButtonEnableWithCurrentInputTextField(&f, result);
  return true;
}

bool RegisterViewController::textFieldShouldClear(ui::TextField& f) {
  checkDoneButtonEnableWithCurrentInputTextField(&f, std::string());
  return true;
}

bool RegisterViewController::textFieldShouldReturn(ui::TextField& f) {
  auto keep = shared_from_this();
  const long row = f.tag() - kFirstFieldTag;
  static const int next[kRowCount] = {kCompanyId, kEmail, kTelephone, kUserName, kPassword, kPasswordRetype, -1};
  if (row >= 0 && row < kRowCount && next[row] >= 0) {
    field(next[row]).becomeFirstResponder();
  } else {
    f.resignFirstResponder();
    if (registerButton_->isEnabled()) tryToRegister();
  }
  return true;
}

// ---- checks and sending ----------------------------------------------------------------------

RegisterViewController::Entries RegisterViewController::entries() const {
  Entries e;
  e.companyName = field(kCompanyName).text();
  e.companyId = field(kCompanyId).text();
  e.email = field(kEmail).text();
  e.phone = field(kTelephone).text();
  e.userName = field(kUserName).text();
  e.password = field(kPassword).text();
  e.passwordRetype = field(kPasswordRetype).text();
  return e;
}

std::optional<RegisterViewController::Refusal> RegisterViewController::checkInput(const Entries& e) {
  std::optional<Refusal> refusal;
  auto refuse = [&](const char* message, Row row) { refusal = Refusal{message, row}; };
  auto identifier = [&](const std::string& value, Row row, const char* empty, const char* shortKey, const char* invalid) {
    const std::size_t length = gfx::utf8Length(value);
    if (length == 0) {
      refuse(empty, row);
    } else if (length < 3) {
      refuse(shortKey, row);
    } else if (!isMatchedByRegex(value, kIdentifierPattern)) {
      refuse(invalid, row);
    }
  };
  if (e.passwordRetype.empty() || e.passwordRetype != e.password) refuse("PASSWORDRETYPENOTMATCH", kPasswordRetype);
  if (gfx::utf8Length(e.password) < 6) refuse("PASSWORDTOOSHORT", kPassword);
  identifier(e.userName, kUserName, "NEEDINPUTEUSERNAME", "USERNAMETOOSHORT", "USERNAMENOTVALID");
  if (e.email.empty()) refuse("NEEDINPUTEMAILADDRESS", kEmail);
  if (e.phone.empty()) {
    refuse("NEEDINPUTETEL", kTelephone);
  } else if (!isMatchedByRegex(e.email, kEmailPattern)) {
    refuse("EMAILNOTVALID", kEmail);
  }
  identifier(e.companyId, kCompanyId, "NEEDINPUTCOMPANYID", "COMPANYIDTOOSHORT", "COMPANYIDNOTVALID");
  if (e.companyName.empty()) refuse("NEEDINPUTCOMPANYNAME", kCompanyName);
  return refusal;
}

void RegisterViewController::doneButtonTapped() {
  for (auto& f : fields_) f->resignFirstResponder();
  tryToRegister();
}

void RegisterViewController::cancelButtonTapped() {
  model_->clearDelegate(this);
  dismissViewControllerAnimated(true);
}

void RegisterViewController::tryToRegister() {
  const Entries e = entries();
  if (auto refusal = checkInput(e)) {
    auto alert = std::make_shared<ui::AlertView>(text("REGISTERINPUTERROR"), text(refusal->message.c_str()),
                                                 std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
    // Read, the alert leaves the user in the field it speaks of.
    alert->setReturnsFocusTo(field(refusal->row).self());
    alert->show();
    return;
  }
  RegisterInfo info;
  info.companyName = e.companyName;
  info.companyId = e.companyId;
  info.userName = e.userName;
  info.passWord = e.password;
  info.email = e.email;
  info.phone = e.phone;
  const auto& model = model_;
  model->setDelegate(std::shared_ptr<RegisterModelDelegate>(shared_from_this(), static_cast<RegisterModelDelegate*>(this)));
  // The box first: a refusal made on the device may come back at once.
  waitTag_ = MessageBox::sharedInstance().BeginBlockWait(
      text("REGISTERING"), kWaitTimeout, [weak = ui::weakAs<RegisterViewController>(this)] {
        // The form stays as typed, to be sent again.
        auto self = weak.lock();
        if (!self) return;
        self->waitTag_ = 0;
        self->model_->clearDelegate(self.get());
        self->model_->abandon();
      });
  model->registerWithInfo(info);
}

void RegisterViewController::endWait() {
  if (waitTag_) MessageBox::sharedInstance().EndBlockWait(waitTag_);
  waitTag_ = 0;
}

void RegisterViewController::registerSuccess(RegisterModel& model, const std::string&) {
  model.clearDelegate(this);
  endWait();
  goToSuccessPage();
}

void RegisterViewController::registerFaild(RegisterModel& model, const std::string& message) {
  model.clearDelegate(this);
  endWait();
  auto alert = std::make_shared<ui::AlertView>(text("REGISTERFAILEDTITLE"), message.empty() ? text("FAILED") : message,
                                               std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
  alert->show();
}

void RegisterViewController::registerTaken(RegisterModel& model, const std::string& message) {
  if (!signInInstead_) {
    registerFaild(model, message);
    return;
  }
  model.clearDelegate(this);
  endWait();
  auto alert = std::make_shared<ui::AlertView>(
      text("REGISTERFAILEDTITLE"), (message.empty() ? text("409") : message) + "\n" + text("SIGNINREGISTERED"),
      std::weak_ptr<ui::AlertViewDelegate>(
          std::shared_ptr<ui::AlertViewDelegate>(shared_from_this(), static_cast<ui::AlertViewDelegate*>(this))),
      text("CANCEL"), std::vector<std::string>{text("LOGINBUT")});
  alert->setTag(kTakenAlertTag);
  alert->show();
}

void RegisterViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() != kTakenAlertTag || buttonIndex != alert.firstOtherButtonIndex() || !signInInstead_) return;
  const Entries e = entries();
  LoginInfo info;
  info.clientId = e.companyId;
  info.accountId = e.userName;
  info.passWord = e.password;
  info.deviceId = PublicFunction::getDeviceUDID();
  // The form goes; the sign-in is the opener's, as if typed on its panel.
  auto signIn = signInInstead_;
  model_->clearDelegate(this);
  dismissViewControllerAnimated(true);
  signIn(info);
}

void RegisterViewController::goToSuccessPage() {
  auto page = std::make_shared<RegisterMessageViewController>();
  page->setEmailAddress(field(kEmail).text());
  if (auto* nav = navigationController()) nav->pushViewController(page, true);
}

}  // namespace mv
