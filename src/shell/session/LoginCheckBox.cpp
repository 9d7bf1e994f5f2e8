#include "shell/session/LoginCheckBox.hpp"

#include <algorithm>
#include <cmath>

#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

gfx::Font fieldFont() {
  return gfx::Font::fontWithName("HelveticaNeue-Light", 14).value_or(gfx::Font::systemFont(14));
}


std::string member(const base::Value& entry, const char* key) {
  if (!entry.is_object()) return {};
  auto it = entry.find(key);
  return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

base::Value savedLogins() { return base::UserDefaults::standard().arrayForKey("Login_Info_Array"); }

// Byte offset after the first `count` code points of UTF-8 text (its size
// when it has fewer).
std::size_t offsetAfterCodePoints(const std::string& s, std::size_t count) {
  std::size_t i = 0;
  while (i < s.size() && count > 0) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    --count;
  }
  return i;
}

void styleInput(ui::TextField& field, const std::string& placeholder, ui::ReturnKeyType returnKey) {
  field.setPlaceholder(placeholder);
  field.setReturnKeyType(returnKey);
  field.setTextColor(gfx::Color::black());
  field.setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  field.setTextAlignment(gfx::TextAlignment::Left);
  field.setContentVerticalAlignment(ui::ContentVerticalAlignment::Center);
  field.setAutocorrectionType(ui::TextAutocorrectionType::No);
  field.setAutocapitalizationType(ui::TextAutocapitalizationType::None);
  field.setFont(fieldFont());
  field.setBackgroundColor(gfx::Color::clear());
}

}  // namespace

// ---- completion rules -----------------------------------------------------------------

std::string LoginCheckBox::prospectiveText(const std::string& current, ui::TextRange range,
                                           const std::string& replacement) {
  if (range.length == 0) return current + replacement;
  return current.substr(0, std::min(range.location, current.size()));
}

void LoginCheckBox::updateCandidates(std::vector<std::string>& loginData, const base::Value& logins,
                                     const std::string& prospective, bool clientField) {
  if (prospective.empty()) {
    loginData.clear();
    return;
  }
  const std::string typed = clientField ? lowercase(prospective) : prospective;
  for (const base::Value& entry : logins) {
    const std::string value = member(entry, clientField ? "Input_ClientID" : "Input_UserID");
    if (value.empty()) continue;
    const std::string compared = clientField ? lowercase(value) : value;
    const bool proposes = compared.size() > typed.size() && compared.compare(0, typed.size(), typed) == 0;
    auto it = std::find(loginData.begin(), loginData.end(), value);
    if (proposes) {
      if (it == loginData.end()) loginData.push_back(value);
    } else if (it != loginData.end()) {
      loginData.erase(it);
    }
  }
}

std::string LoginCheckBox::suggestionSuffix(const std::string& candidate, const std::string& prospective) {
  // Counted in characters: a lower-cased comparison may pair texts of
  // different byte lengths, and the cut must stay inside the candidate.
  return candidate.substr(offsetAfterCodePoints(candidate, gfx::utf8Length(prospective)));
}

std::vector<std::string> LoginCheckBox::companyIdsFor(const base::Value& logins, const std::string& userName,
                                                      const std::string& password) {
  std::vector<std::string> ids;
  for (const base::Value& entry : logins) {
    if (member(entry, "Input_UserID") != userName || member(entry, "Input_PassWord") != password) continue;
    const std::string id = member(entry, "Input_ClientID");
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  return ids;
}

bool LoginCheckBox::isExistCheck(const base::Value& logins, const std::string& clientId, const std::string& userName) {
  for (const base::Value& entry : logins) {
    if (member(entry, "Input_ClientID") == clientId && !equalsIgnoringCase(member(entry, "Input_UserID"), userName) &&
        member(entry, "INPUT_USESHORTCUT") == "YES") {
      return true;
    }
  }
  return false;
}

// ---- building ---------------------------------------------------------------------------

LoginCheckBox::LoginCheckBox(const ui::Rect& frame) : ui::View(frame) {
  setBackgroundColor(gfx::Color::clear());
  buildControls();
  addDefaultInfo();
  sizePageControl();
  auto dismiss = std::make_shared<ui::TapGestureRecognizer>();
  dismiss->addTarget([this](ui::GestureRecognizer& g) {
    if (g.state() == ui::GestureRecognized) dissAppearTableView();
  });
  auto background = std::make_shared<ui::TapGestureRecognizer>();
  background->addTarget([this](ui::GestureRecognizer& g) {
    if (g.state() == ui::GestureRecognized) backGroundClick(g.locationInView(this));
  });
  for (auto& g : {dismiss, background}) {
    g->shouldReceiveTouch = [](ui::GestureRecognizer&, const ui::Touch& touch) { return touchIsForPanel(touch); };
    // One background tap runs both handlers.
    g->shouldRecognizeSimultaneously = [](ui::GestureRecognizer&, ui::GestureRecognizer&) { return true; };
    g->setCancelsTouchesInView(false);
    addGestureRecognizer(g);
  }
  pageControlUsed_ = false;
}

LoginCheckBox::~LoginCheckBox() = default;

void LoginCheckBox::buildControls() {
  fieldFrame_ = std::make_shared<ui::ImageView>(ui::Rect{348, 345, 328, 99});
  fieldFrame_->setImage(SkinManager::skinFromImageName("admin_backgroud.png"));
  addSubview(fieldFrame_);

  userNameInputText_ = std::make_shared<AutoInputTextField>(ui::Rect{358, 345, 300, 30});
  styleInput(*userNameInputText_, text("USERNAMEINPUT"), ui::ReturnKeyType::Next);
  addSubview(userNameInputText_);

  passWordInputText_ = std::make_shared<ui::TextField>(ui::Rect{358, 379, 300, 30});
  styleInput(*passWordInputText_, text("PASSWORDINPUT"), ui::ReturnKeyType::Next);
  passWordInputText_->setSecureTextEntry(true);
  addSubview(passWordInputText_);

  clientIDInputText_ = std::make_shared<AutoInputTextField>(ui::Rect{358, 413, 300, 30});
  styleInput(*clientIDInputText_, text("CLIENTIDINPUT"), ui::ReturnKeyType::Done);
  addSubview(clientIDInputText_);

  btnAutologin_ = std::make_shared<ui::Button>(ui::Rect{348, 453, 180, 35});
  btnAutologin_->setTitle(text("CREATELOGINSHORTCUT"));
  btnAutologin_->setTitleColor(gfx::Color::white());
  btnAutologin_->titleLabel().setFont(fieldFont());
  btnAutologin_->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Left);
  // The box at the left end, its title after it.
  btnAutologin_->setTitleEdgeInsets({0, 8, 0, 0});
  btnAutologin_->setImage(SkinManager::skinFromImageName("checkbox-off.png"), ui::ControlStateNormal);
  btnAutologin_->setImage(SkinManager::skinFromImageName("checkbox-on.png"), ui::ControlStateSelected);
  btnAutologin_->setBackgroundColor(gfx::Color::clear());
  btnAutologin_->addAction(
      [this](ui::Control&, const ui::Event*) {
        auto keep = self();
        setAutoLogin();
      },
      ui::ControlEventTouchUpInside);
  addSubview(btnAutologin_);

  forgotPasswordLink_ = std::make_shared<LinkLabel>(ui::Rect{528, 452, 150, 35});
  forgotPasswordLink_->setText(text("FORGOTPASSWORD"));
  forgotPasswordLink_->setFont(fieldFont());
  forgotPasswordLink_->setTextAlignment(gfx::TextAlignment::Right);
  forgotPasswordLink_->setTag(kForgotPasswordTag);
  forgotPasswordLink_->setTextColor(gfx::Color::white());
  forgotPasswordLink_->setHighlightedTextColor(gfx::Color::blue());
  addSubview(forgotPasswordLink_);

  loginBut_ = std::make_shared<ui::Button>(ui::Rect{348, 495, 328, 36});
  loginBut_->setTitle(text("LOGINBUT"));
  loginBut_->titleLabel().setFont(
      gfx::Font::fontWithName("HelveticaNeue-Light", 20).value_or(gfx::Font::systemFont(20)));
  loginBut_->setBackgroundImage(SkinManager::skinFromImageName("btn-login.png"), ui::ControlStateNormal);
  loginBut_->setBackgroundImage(SkinManager::skinFromImageName("btn-login_on.png"), ui::ControlStateHighlighted);
  loginBut_->addAction(
      [this](ui::Control&, const ui::Event*) {
        auto keep = self();
        loginFromOther();
      },
      ui::ControlEventTouchUpInside);
  addSubview(loginBut_);

  registerBut_ = std::make_shared<ui::Button>(ui::Rect{559, 530, 116, 35});
  registerBut_->setTitle(text("SIGNUPNOW"));
  registerBut_->titleLabel().setFont(fieldFont());
  registerBut_->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Right);
  registerBut_->setBackgroundColor(gfx::Color::clear());
  // The plus sign stands at the right end, after the title in any language.
  auto plus = std::make_shared<ui::ImageView>();
  plus->setImage(SkinManager::skinFromImageName("icon_plus.png"));
  const ui::Size plusSize = plus->image() ? plus->image()->size() : ui::Size{16, 16};
  plus->setFrame({116 - plusSize.width, (35 - plusSize.height) / 2, plusSize.width, plusSize.height});
  registerBut_->addSubview(plus);
  registerBut_->setTitleEdgeInsets({0, 0, 0, plusSize.width + 4});
  registerBut_->addAction(
      [this](ui::Control&, const ui::Event*) {
        auto keep = self();
        registerClicked();
      },
      ui::ControlEventTouchUpInside);
  addSubview(registerBut_);

  loginItemList_ = std::make_shared<LoginItemList>(ui::Rect{175, 688, 674, 80});
  loginItemList_->setBackgroundColor(gfx::Color::clear());
  addSubview(loginItemList_);

  pageControl_ = std::make_shared<PageControl>();
  pageControl_->setHidesForSinglePage(true);
  pageControl_->setPageIndicatorImage(SkinManager::skinFromImageName("page.png"));
  pageControl_->setCurrentPageIndicatorImage(SkinManager::skinFromImageName("page_on.png"));
  pageControl_->addAction(
      [this](ui::Control&, const ui::Event*) {
        auto keep = self();
        changePage();
      },
      ui::ControlEventValueChanged);
  addSubview(pageControl_);
}

void LoginCheckBox::connectDelegates() {
  if (connected_ || weak_from_this().expired()) return;
  connected_ = true;
  auto fields = ui::weakAs<ui::TextFieldDelegate>(this);
  userNameInputText_->setDelegate(fields);
  passWordInputText_->setDelegate(fields);
  clientIDInputText_->setDelegate(fields);
  forgotPasswordLink_->setDelegate(ui::weakAs<LinkLabelDelegate>(this));
  loginItemList_->setItemListDelegate(ui::weakAs<LoginItemListDelegate>(this));
  loginItemList_->setDelegate(ui::weakAs<ui::ScrollViewDelegate>(this));
}

void LoginCheckBox::addDefaultInfo() {
  const base::Value logins = savedLogins();
  if (!logins.empty()) {
    const base::Value& first = logins.front();
    const std::string user = member(first, "Input_UserID");
    const std::string client = member(first, "Input_ClientID");
    if (!user.empty()) userNameInputText_->setText(user);
    if (!client.empty()) clientIDInputText_->setText(client);
  }
  loginItemList_->setLoginArry(logins);
  pageControl_->setNumberOfPages(loginItemList_->page());
  pageControl_->setCurrentPage(0);
}

void LoginCheckBox::sizePageControl() {
  const ui::Size size = pageControl_->sizeForNumberOfPages(pageControl_->numberOfPages());
  pageControl_->setFrame({(1024 - size.width) / 2, 768 - size.height - 10, size.width, size.height});
}

// ---- host operations -------------------------------------------------------------------

void LoginCheckBox::resignTextFirstResponder() {
  if (activeField_) activeField_->resignFirstResponder();
}

void LoginCheckBox::changeButState() { loginItemList_->resetItemStatus(); }

void LoginCheckBox::updateLanguage() {
  userNameInputText_->setPlaceholder(text("USERNAMEINPUT"));
  passWordInputText_->setPlaceholder(text("PASSWORDINPUT"));
  clientIDInputText_->setPlaceholder(text("CLIENTIDINPUT"));
  btnAutologin_->setTitle(text("CREATELOGINSHORTCUT"));
  loginBut_->setTitle(text("LOGINBUT"));
  registerBut_->setTitle(text("SIGNUPNOW"));
  forgotPasswordLink_->setText(text("FORGOTPASSWORD"));
}

void LoginCheckBox::showAlert(const std::string& titleKey, const std::string& messageKey, ui::TextField& named) {
  auto alert = std::make_shared<ui::AlertView>(text(titleKey.c_str()), text(messageKey.c_str()),
                                               std::weak_ptr<ui::AlertViewDelegate>(), text("OK"));
  // Read, the alert leaves the user in the field it speaks of, whichever
  // was being edited.
  endEditing(true);
  alert->setReturnsFocusTo(named.self());
  alert->show();
}

// ---- sign in ----------------------------------------------------------------------------

void LoginCheckBox::loginFromOther() {
  loginItemList_->stopSharking();
  for (ui::TextField* field : {static_cast<ui::TextField*>(userNameInputText_.get()), passWordInputText_.get(),
                               static_cast<ui::TextField*>(clientIDInputText_.get())}) {
    if (isBlank(field->text())) {
      showAlert("FIELDNOTFILLED", "INPUTCANTNOTNULL", *field);
      changeButState();
      return;
    }
  }
  // Ending the editing may complete the client id; the record takes the result.
  endEditing(true);
  // The client id names a folder on this device: one that cannot never leaves the panel.
  if (!PublicFunction::isValidClientID(clientIDInputText_->text())) {
    showAlert("LOGINERRO", "CLIENTIDINVALID", *clientIDInputText_);
    changeButState();
    return;
  }
  LoginInfo info;
  info.accountId = userNameInputText_->text();
  info.passWord = passWordInputText_->text();
  info.clientId = clientIDInputText_->text();
  info.deviceId = PublicFunction::getDeviceUDID();
  if (auto d = delegate()) d->login(info, true, btnAutologin_->isSelected());
}

void LoginCheckBox::loginItemClick(LoginItem& item) {
  if (item.isDemo()) {
    if (auto d = delegate()) d->login(item.clientId());
    return;
  }
  endEditing(true);
  LoginInfo info;
  info.accountId = item.accountId();
  info.passWord = item.passWord();
  info.clientId = item.clientId();
  info.deviceId = PublicFunction::getDeviceUDID();
  if (auto d = delegate()) d->login(info, true, btnAutologin_->isSelected());
}

void LoginCheckBox::loginItemDelete(LoginItem& item) {
  if (item.accountId() == userNameInputText_->text() && item.clientId() == clientIDInputText_->text()) {
    btnAutologin_->setSelected(false);
  }
  pageControl_->setNumberOfPages(loginItemList_->page());
  sizePageControl();
}

// ---- the shortcut check box ---------------------------------------------------------------

bool LoginCheckBox::isExistCheck() const {
  return isExistCheck(savedLogins(), clientIDInputText_->text(), userNameInputText_->text());
}

void LoginCheckBox::setAutoLogin() {
  loginItemList_->stopSharking();
  btnAutologin_->setSelected(!btnAutologin_->isSelected());
  if (!btnAutologin_->isSelected() || !isExistCheck()) return;
  const std::string client = clientIDInputText_->text();
  auto alert = std::make_shared<ui::AlertView>(Language::format(text("SHORTCUTEXISTS"), {client}),
                                               Language::format(text("SHORTCUTREPLACEALERT"), {client}),
                                               ui::weakAs<ui::AlertViewDelegate>(this), text("REPLACE"),
                                               std::vector<std::string>{text("CANCEL")});
  alert->setTag(kShortcutExistsAlertTag);
  // Cancel leaves the saved shortcut alone and the box unticked, as before.
  alert->setBackOutButtonIndex(1);
  alert->show();
}

void LoginCheckBox::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  if (alert.tag() == kShortcutExistsAlertTag && buttonIndex == 1) btnAutologin_->setSelected(false);
}

// ---- completion -----------------------------------------------------------------------------

AutoInputTextField* LoginCheckBox::completingField(ui::TextField& field) const {
  if (&field == userNameInputText_.get()) return userNameInputText_.get();
  if (&field == clientIDInputText_.get()) return clientIDInputText_.get();
  return nullptr;
}

void LoginCheckBox::hideSuggestion(AutoInputTextField& field) { field.showAutoText(std::nullopt, 0); }

void LoginCheckBox::showSuggestion(AutoInputTextField& field, const std::string& prospective) {
  if (loginData_.empty()) {
    field.showAutoText(std::string(), 0);
    return;
  }
  const std::string& candidate = loginData_.front();
  const double x = gfx::sizeWithFont(prospective, field.font(), ui::Size{1e9, 20}, gfx::LineBreakMode::WordWrap).width;
  field.showAutoText(suggestionSuffix(candidate, prospective), x);
  field.setCandidate(candidate);
}

void LoginCheckBox::acceptSuggestion(AutoInputTextField& field) {
  // The whole saved value, so that the client id keeps the spelling it was
  // saved with rather than mixing the typed case with the saved rest.
  if (field.isShowingSuggestion() && !field.candidate().empty()) field.setText(field.candidate());
}

bool LoginCheckBox::textFieldShouldChangeCharactersInRange(ui::TextField& field, ui::TextRange range,
                                                           const std::string& replacement) {
  AutoInputTextField* completing = completingField(field);
  if (!completing) return true;
  const std::string prospective = prospectiveText(field.text(), range, replacement);
  if (replacement.empty()) {
    hideSuggestion(*completing);
    loginData_.clear();
    return true;
  }
  updateCandidates(loginData_, savedLogins(), prospective, completing == clientIDInputText_.get());
  showSuggestion(*completing, prospective);
  return true;
}

bool LoginCheckBox::textFieldShouldClear(ui::TextField& field) {
  if (AutoInputTextField* completing = completingField(field)) {
    loginData_.clear();
    hideSuggestion(*completing);
  }
  return true;
}

bool LoginCheckBox::textFieldShouldBeginEditing(ui::TextField& field) {
  shouldActiveField_ = &field;
  return true;
}

void LoginCheckBox::textFieldDidBeginEditing(ui::TextField& field) {
  shouldActiveField_ = nullptr;
  activeField_ = &field;
  loginItemList_->stopSharking();
}

void LoginCheckBox::textFieldDidEndEditing(ui::TextField& field) {
  if (activeField_ == &field) activeField_ = nullptr;
  AutoInputTextField* completing = completingField(field);
  if (!completing) return;
  loginData_.clear();
  // Another field of the panel taking over drops the suggestion; editing
  // that simply ends accepts it.
  if (!shouldActiveField_) acceptSuggestion(*completing);
  hideSuggestion(*completing);
}

bool LoginCheckBox::textFieldShouldReturn(ui::TextField& field) {
  auto keep = self();
  if (&field == userNameInputText_.get()) {
    if (!shouldActiveField_) acceptSuggestion(*userNameInputText_);
    passWordInputText_->becomeFirstResponder();
  } else if (&field == passWordInputText_.get()) {
    clientIDInputText_->becomeFirstResponder();
    autoLoadCompanyId();
  } else if (&field == clientIDInputText_.get()) {
    loginFromOther();
  }
  return false;
}

void LoginCheckBox::autoLoadCompanyId() {
  loginData_ = companyIdsFor(savedLogins(), userNameInputText_->text(), passWordInputText_->text());
  if (loginData_.size() == 1) clientIDInputText_->setText(loginData_.front());
}

// ---- background taps -------------------------------------------------------------------------

bool LoginCheckBox::touchIsForPanel(const ui::Touch& touch) {
  ui::View* v = touch.view();
  if (!v) return true;
  if (dynamic_cast<ui::Button*>(v) || dynamic_cast<ui::TextField*>(v) || dynamic_cast<ui::Label*>(v)) return false;
  if (v->superview() && dynamic_cast<ui::TableViewCell*>(v->superview())) return false;
  return true;
}

void LoginCheckBox::dissAppearTableView() {
  auto* field = dynamic_cast<AutoInputTextField*>(activeField_);
  if (!field || loginData_.empty()) return;
  hideSuggestion(*field);
  field->setText(loginData_.front());
  loginData_.clear();
}

void LoginCheckBox::backGroundClick(ui::Point tapInPanel) {
  endEditing(true);
  if (tapInPanel.y < loginItemList_->frame().y() - kStripMargin) loginItemList_->stopSharking();
}

// ---- links, sign-up and pages ----------------------------------------------------------------

void LoginCheckBox::linkLabelTouche(LinkLabel&, long tag) {
  loginItemList_->stopSharking();
  if (tag != kForgotPasswordTag) return;
  const std::string url = PublicFunction::forgetPassWordUrl();
  if (isBlank(trimWhitespaceAndNewlines(url))) return;
  if (auto d = delegate()) d->openURLInWebView(url);
}

void LoginCheckBox::registerClicked() {
  loginItemList_->stopSharking();
  if (auto d = delegate()) d->registerBtnClick();
}

void LoginCheckBox::changePage() {
  const ui::Rect list = loginItemList_->frame();
  loginItemList_->scrollRectToVisible(
      {static_cast<double>(pageControl_->currentPage()) * list.width(), 0, list.width(), list.height()}, true);
  pageControlUsed_ = true;
}

void LoginCheckBox::scrollViewWillBeginDragging(ui::ScrollView&) { pageControlUsed_ = false; }

void LoginCheckBox::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (pageControlUsed_) return;
  const double width = scrollView.frame().width();
  if (width <= 0) return;
  const auto page = static_cast<std::int64_t>(std::floor((scrollView.contentOffset().x - width / 2) / width) + 1);
  pageControl_->setCurrentPage(page);
}

}  // namespace mv
