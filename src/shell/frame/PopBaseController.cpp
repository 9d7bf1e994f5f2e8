#include "shell/frame/PopBaseController.hpp"

#include "platform/ui/WeakAs.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

void PopBaseController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto background = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 1024, kTitleBarHeight});
  background->setImage(SkinManager::skinFromImageName("topbar-bg.png"));
  background->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);

  lblTittle_ = std::make_shared<ui::Label>(ui::Rect{0, 7, 1024, 30});
  lblTittle_->setFont(gfx::Font::systemFont(17));
  lblTittle_->setBackgroundColor(gfx::Color::clear());
  lblTittle_->setText(std::string());
  lblTittle_->setTextColor(gfx::Color::white());
  lblTittle_->setTextAlignment(gfx::TextAlignment::Center);
  lblTittle_->setAutoresizingMask(ui::FlexibleTopMargin);

  btnClose_ = std::make_shared<ui::Button>(ui::Rect{949, 5, 60, 34});
  ViewStyle::initializeToButtonHeight34(*btnClose_);
  btnClose_->setTitle(text("CLOSE"));
  auto weak = ui::weakAs<PopBaseController>(this);
  btnClose_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->close();
      },
      ui::ControlEventTouchUpInside);
  btnClose_->setAutoresizingMask(ui::FlexibleTopMargin);

  titlebar_ = std::make_shared<ui::ImageView>(FitCGRect::sharedInstance().fitCGRectBy(0, 20, 1024, kTitleBarHeight));
  titlebar_->setUserInteractionEnabled(true);
  titlebar_->addSubview(background);
  titlebar_->addSubview(lblTittle_);
  titlebar_->addSubview(btnClose_);
  view()->addSubview(titlebar_);
  if (PublicFunction::getDeviceVersion() >= 7.0) {
    // The bar also covers the status bar; the masks move the label and the
    // button down with it.
    titlebar_->setFrame({0, 0, 1024, kTitleBarHeightVersion7});
  }
}

void PopBaseController::close() {
  if (auto d = delegate()) d->dismissPopController(true);
}

void PopBaseController::updateLanguage() {
  if (btnClose_) btnClose_->setTitle(text("CLOSE"));
}

}  // namespace mv
