#include "shell/session/LoginPopController.hpp"

#include "platform/ui/WeakAs.hpp"
#include "util/TextLookup.hpp"

namespace mv {

void LoginPopController::loadView() { setView(std::make_shared<ui::View>(ui::Rect{0, 0, kWidth, kHeight})); }

void LoginPopController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  gobackButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, kWidth, kHeight});
  gobackButton_->layer().setCornerRadius(8);
  gobackButton_->setClipsToBounds(true);
  gobackButton_->setTitleColor(gfx::Color::white());
  gobackButton_->setTitle(text(isForHelp_ ? "HELPLOGOUT" : "GOBACKTOLOGIN"));
  auto weak = ui::weakAs<LoginPopController>(this);
  gobackButton_->addAction(
      [weak](ui::Control&, const ui::Event*) {
        if (auto self = weak.lock()) self->goBackLoginView();
      },
      ui::ControlEventTouchUpInside);
  if (isForHelp_) gobackButton_->setEnabled(false);
  view()->addSubview(gobackButton_);
  finishViewDidLoad();
}

void LoginPopController::goBackLoginView() {
  if (auto d = delegate()) d->goBackLoginView();
}

void LoginPopController::updateLanguage(ui::ViewController&) {
  // The help form keeps its own text, in the new language.
  if (gobackButton_) {
    gobackButton_->setTitle(text(isForHelp_ ? "HELPLOGOUT" : "GOBACKTOLOGIN"));
  }
}

}  // namespace mv
