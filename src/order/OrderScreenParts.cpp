#include "order/OrderScreenParts.hpp"

#include "shell/frame/ScreenAlert.hpp"
#include "util/FitCGRect.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv::order_screen {

std::shared_ptr<ui::ImageView> addTitleBar(ui::View& root) {
  auto bar = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 1024, FitCGRect::sharedInstance().navBarHeight()});
  bar->setImage(WidgetSkin::skinFromImageName("topbar-bg.png"));
  root.addSubview(bar);
  return bar;
}

std::shared_ptr<ui::Label> addTitle(ui::View& root, const ui::Rect& frame, const std::string& title) {
  auto label = std::make_shared<ui::Label>(FitCGRect::sharedInstance().fitCGRectBy(frame.x(), frame.y(), frame.width(),
                                                                                   frame.height()));
  label->setTextColor(gfx::Color::white());
  label->setFont(gfx::Font::systemFont(17));
  label->setTextAlignment(gfx::TextAlignment::Center);
  label->setBackgroundColor(gfx::Color::clear());
  label->setText(title);
  root.addSubview(label);
  return label;
}

void showAlert(std::weak_ptr<ui::AlertViewDelegate> delegate, const std::string& title, const std::string& message,
               long tag, const std::vector<std::string>& others, const char* cancelKey) {
  auto alert = std::make_shared<ui::AlertView>(title, message,
                                               tag != 0 ? std::move(delegate) : std::weak_ptr<ui::AlertViewDelegate>(),
                                               text(cancelKey), others);
  alert->setTag(tag);
  alert->show();
}

void askToDelete(std::weak_ptr<ui::AlertViewDelegate> delegate, const std::string& title, const std::string& message,
                 long tag) {
  ScreenAlert{tag, title, message, text("CANCEL"), {text("OK")}, 0}.show(std::move(delegate));
}

}  // namespace mv::order_screen
