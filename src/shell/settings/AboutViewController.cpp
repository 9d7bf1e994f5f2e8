#include "shell/settings/AboutViewController.hpp"

#include "platform/base/Paths.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {


std::shared_ptr<ui::Label> centred(const ui::Rect& frame, const gfx::Font& font, const gfx::Color& colour) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(font);
  l->setTextColor(colour);
  l->setTextAlignment(gfx::TextAlignment::Center);
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

}  // namespace

void AboutViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  const double w = viewWidth_ > 0 ? viewWidth_ : root->bounds().width();
  auto icon = std::make_shared<ui::ImageView>(ui::Rect{(w - 80) / 2, 90, 80, 80});
  icon->setImage(SkinManager::skinFromImageName("icon_app.png"));
  icon->setContentMode(ui::ContentMode::ScaleAspectFit);
  root->addSubview(icon);
  lblName_ = centred({0, 180, w, 30}, gfx::Font::fontWithName("Helvetica-Bold", 22).value_or(gfx::Font::boldSystemFont(22)),
                     gfx::Color::black());
  lblName_->setText(kDisplayName);
  root->addSubview(lblName_);
  lblVersionTitle_ = std::make_shared<ui::Label>(ui::Rect{0, 216, w / 2 - 4, 22});
  lblVersionTitle_->setFont(gfx::Font::systemFont(16));
  lblVersionTitle_->setTextColor(gfx::Color::darkGray());
  lblVersionTitle_->setTextAlignment(gfx::TextAlignment::Right);
  root->addSubview(lblVersionTitle_);
  lblVersion_ = std::make_shared<ui::Label>(ui::Rect{w / 2 + 4, 216, w / 2 - 4, 22});
  lblVersion_->setFont(gfx::Font::systemFont(16));
  lblVersion_->setTextColor(gfx::Color::darkGray());
  lblVersion_->setText(actions_ ? actions_->appVersion() : base::Bundle::shortVersion());
  root->addSubview(lblVersion_);
  lblCompany_ = centred({0, 420, w, 22}, gfx::Font::systemFont(15), gfx::Color::darkGray());
  root->addSubview(lblCompany_);
  lblRights_ = centred({0, 446, w, 22}, gfx::Font::systemFont(13), gfx::Color::gray());
  root->addSubview(lblRights_);

  auto weak = ui::weakAs<AboutViewController>(this);
  doneButton_ = std::make_shared<ui::BarButtonItem>(text("DONE"), ui::BarButtonItemStyle::Done, [weak](ui::BarButtonItem&) {
    if (auto self = weak.lock()) self->doneButtonTapped();
  });
  navigationItem().setRightBarButtonItem(doneButton_);
  setTexts();
  finishViewDidLoad();
}

void AboutViewController::setTexts() {
  lblVersionTitle_->setText(text("VERSION"));
  lblCompany_->setText(text("COMPANYNAMEINFO"));
  lblRights_->setText(text("COMPANYRIGHTS"));
  if (doneButton_) doneButton_->setTitle(text("DONE"));
}

void AboutViewController::updateLanguage(ui::ViewController&) {
  setTitle(text("ABOUT"));
  setTexts();
}

void AboutViewController::doneButtonTapped() {
  auto d = delegate();
  dismissViewControllerAnimated(true);
  if (d) d->deselectButton();
}

}  // namespace mv
