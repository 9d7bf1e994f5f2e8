#include "shell/session/LoginItem.hpp"

#include "platform/ui/LayerAnimation.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

LoginItem::LoginItem(const ui::Rect& frame) : ui::Button(frame) {
  setBackgroundColor(gfx::Color::clear());
  setBackgroundImage(SkinManager::skinFromImageName("logobtn.png"), ui::ControlStateNormal);
  setBackgroundImage(SkinManager::skinFromImageName("logobtn-on.png"), ui::ControlStateHighlighted);
  setBackgroundImage(SkinManager::skinFromImageName("logobtn-on.png"), ui::ControlStateSelected);
  imageView().setContentMode(ui::ContentMode::ScaleAspectFit);

  const double w = frame.width(), h = frame.height();
  lblCompany_ = std::make_shared<ui::Label>(ui::Rect{0.35 * w - 2, (h - 30) / 2, 0.65 * w - 8, 30});
  lblCompany_->setTextAlignment(gfx::TextAlignment::Center);
  lblCompany_->setFont(gfx::Font::fontWithName("HelveticaNeue-Light", 14).value_or(gfx::Font::systemFont(14)));
  lblCompany_->setAdjustsFontSizeToFitWidth(true);
  lblCompany_->setMinimumFontSize(12);
  lblCompany_->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  lblCompany_->setTextColor(gfx::Color::rgb255(46, 109, 173));
  lblCompany_->setBackgroundColor(gfx::Color::clear());
  lblCompany_->setHidden(true);
  addSubview(lblCompany_);

  btnDelete_ = std::make_shared<ui::Button>(ui::Rect{w - 20, -10, 30, 30});
  btnDelete_->setImage(SkinManager::skinFromImageName("btn_remove.png"));
  btnDelete_->setAccessibilityLabel(text("DELETE"));
  btnDelete_->addAction(
      [this](ui::Control&, const ui::Event*) {
        auto keep = self();
        fileDelteBtnClicked();
      },
      ui::ControlEventTouchUpInside);
  btnDelete_->setHidden(true);
  addSubview(btnDelete_);
}

void LoginItem::setIsDemo(bool demo) {
  isDemo_ = demo;
  if (demo) lblCompany_->setText(text("DEMO"));
}

void LoginItem::setClientId(const std::string& clientId) {
  clientId_ = clientId;
  // The shortcut shows the company's logo; it is found by the client id.
  setAccessibilityLabel(clientId);
  if (!isDemo_) lblCompany_->setText(clientId);
}

void LoginItem::setHasNoLogo(bool noLogo) {
  if (noLogo == hasNoLogo_) return;
  hasNoLogo_ = noLogo;
  lblCompany_->setHidden(!hasNoLogo_);
}

void LoginItem::setShaking(bool shaking) {
  shaking_ = shaking;
  btnDelete_->setHidden(!shaking);
  ViewStyle::setViewShaking(*this, shaking);
}

void LoginItem::fileDelteBtnClicked() {
  const std::string title =
      Language::format(text("DELETESHORTCUT"), {isDemo_ ? text("DEMO") : clientId_});
  const std::string message =
      isDemo_ ? text("DELETEDEMOSHORTCUT")
              : Language::format(text("DELETENORMALSHORTCUT"), {clientId_});
  auto alert = std::make_shared<ui::AlertView>(title, message, ui::weakAs<ui::AlertViewDelegate>(this),
                                               text("CANCEL"),
                                               std::vector<std::string>{text("DELETE")});
  alert->show();
}

void LoginItem::alertViewClickedButtonAtIndex(ui::AlertView&, long buttonIndex) {
  if (buttonIndex != 1) return;
  auto keep = self();
  if (auto d = delegate()) d->btnDeleteClick(*this);
}

}  // namespace mv
