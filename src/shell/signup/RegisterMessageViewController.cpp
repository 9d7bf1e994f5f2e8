#include "shell/signup/RegisterMessageViewController.hpp"

#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


std::shared_ptr<ui::TextView> makeTextView(const ui::Rect& frame) {
  auto v = std::make_shared<ui::TextView>(frame);
  v->setEditable(false);
  v->setDataDetectorTypes(~0u);
  v->setFont(gfx::Font::systemFont(18));
  v->setBackgroundColor(gfx::Color::clear());
  return v;
}

std::shared_ptr<ui::Label> makeStepLabel(const ui::Rect& frame) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setTextAlignment(gfx::TextAlignment::Center);
  l->setFont(gfx::Font::systemFont(15));
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

}  // namespace

void RegisterMessageViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  auto weak = ui::weakAs<RegisterMessageViewController>(this);
  doneButton_ = std::make_shared<ui::BarButtonItem>(text("DONE"), ui::BarButtonItemStyle::Done, [weak](ui::BarButtonItem&) {
    if (auto self = weak.lock()) self->doneButtonTapped();
  });
  navigationItem().setRightBarButtonItem(doneButton_);

  auto image = [&](const ui::Rect& frame, const char* name) {
    auto v = std::make_shared<ui::ImageView>(frame);
    v->setImage(SkinManager::skinFromImageName(name));
    root->addSubview(v);
  };
  image({20, 10, 69, 56}, "icon_success.png");
  successLabel_ = std::make_shared<ui::Label>(ui::Rect{110, 10, 400, 56});
  successLabel_->setNumberOfLines(3);
  successLabel_->setFont(gfx::Font::systemFont(18));
  successLabel_->setBackgroundColor(gfx::Color::clear());
  root->addSubview(successLabel_);
  image({18, 90, 71, 50}, "icon_email.png");
  emailTextView_ = makeTextView({106, 80, 400, 120});
  root->addSubview(emailTextView_);
  image({20, 200, 500, 106}, "registered_line.png");
  activateFirstLabel_ = makeStepLabel({10, 310, 130, 40});
  activateSecondLabel_ = makeStepLabel({190, 310, 160, 40});
  activateThirdLabel_ = makeStepLabel({400, 310, 130, 40});
  root->addSubview(activateFirstLabel_);
  root->addSubview(activateSecondLabel_);
  root->addSubview(activateThirdLabel_);
  contactTextView_ = makeTextView({10, 500, 520, 80});
  root->addSubview(contactTextView_);
  setTexts();
  finishViewDidLoad();
}

void RegisterMessageViewController::setTexts() {
  successLabel_->setText(text("REGISTERSUCCESS"));
  if (!emailAddress_.empty()) {
    emailTextView_->setText(Language::format(text("REGISTERSUCCESSWITHEMAIL"), {emailAddress_}));
  }
  activateFirstLabel_->setText(text("ACTIVATEACCOUNT"));
  activateSecondLabel_->setText(text("LOGINMARVISTO"));
  activateThirdLabel_->setText(text("REGISTERSTARTSELLING"));
  contactTextView_->setText(Language::format(text("REGISTERCONTACTUS"), {text("SUPPORTPHONE"), text("SUPPORTEMAIL")}));
  if (doneButton_) doneButton_->setTitle(text("DONE"));
}

void RegisterMessageViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  navigationItem().setHidesBackButton(true);
}

void RegisterMessageViewController::updateLanguage(ui::ViewController&) { setTexts(); }

void RegisterMessageViewController::doneButtonTapped() { dismissViewControllerAnimated(true); }

}  // namespace mv
