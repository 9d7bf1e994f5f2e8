#include "customer/CustomerEditPopViewController.hpp"

#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {

CustomerEditPopViewController::CustomerEditPopViewController() = default;

void CustomerEditPopViewController::viewDidLoad() {
  ui::ViewController::viewDidLoad();
  view()->setFrame({0, 0, kWidth, kHeight});
  editButton_ = std::make_shared<ui::Button>(ui::Rect{0, 0, kWidth, kHeight});
  editButton_->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin |
                                   ui::FlexibleTopMargin | ui::FlexibleBottomMargin);
  editButton_->titleLabel().setFont(gfx::Font::boldSystemFont(15));
  editButton_->setTitleColor(gfx::Color::darkGray());
  editButton_->setTitleColor(ViewStyle::colorOfMainTheme(), ui::ControlStateHighlighted);
  editButton_->addAction([this](ui::Control&, const ui::Event*) { buttonPressed(); }, ui::ControlEventTouchUpInside);
  view()->addSubview(editButton_);
  retitle();
}

void CustomerEditPopViewController::setState(int state) {
  state_ = state;
  retitle();
}

void CustomerEditPopViewController::retitle() {
  if (!editButton_ || (state_ != 0 && state_ != 1)) return;
  const char* key = state_ == 0 ? "ADDNOTE" : "REMOVENOTE";
  editButton_->setTitle(textForKey(key).value_or(key));
}

void CustomerEditPopViewController::buttonPressed() {
  if (auto d = delegate_.lock()) d->popViewControllerDidPressButton(*this);
}

}  // namespace mv
