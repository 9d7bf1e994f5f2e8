#include "customer/CustomerInfoGroupView.hpp"

#include "platform/base/MainThread.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

CustomerInfoGroupView::CustomerInfoGroupView(const ui::Rect& frame) : ui::View(frame) {
  MV_ASSERT_MAIN_THREAD();
  setBackgroundColor(gfx::Color::clear());
  setClipsToBounds(true);
  lblGroupName_ = std::make_shared<ui::Label>(ui::Rect{25, 15, 190, 25});
  lblGroupName_->setFont(gfx::Font::systemFont(17));
  lblGroupName_->setTextColor(gfx::Color::black());
  lblGroupName_->setBackgroundColor(gfx::Color::clear());
  addSubview(lblGroupName_);

  btnSelect_ = std::make_shared<ui::Button>(ui::Rect{205, 7, 44, 44});
  btnSelect_->setImage(WidgetSkin::skinFromImageName("checkbox_customer-off.png"));
  btnSelect_->setAccessibilityLabel(text("SELECTCONTACT"));
  btnSelect_->setImage(WidgetSkin::skinFromImageName("checkbox_customer-on.png"), ui::ControlStateDisabled);
  btnSelect_->setImage(WidgetSkin::skinFromImageName("checkbox_customer-on.png"), ui::ControlStateSelected);
  btnSelect_->setAdjustsImageWhenDisabled(false);
  btnSelect_->addAction([this](ui::Control&, const ui::Event*) { click(); }, ui::ControlEventTouchUpInside);
  addSubview(btnSelect_);

  deleteButton_ = std::make_shared<ui::Button>(ui::Rect{frame.width() - 80, 5, 50, 50});
  deleteButton_->setImage(WidgetSkin::skinFromImageName("btn_remove.png"));
  deleteButton_->setAccessibilityLabel(text("DELETE"));
  deleteButton_->setImageEdgeInsets({10, 10, 10, 10});
  deleteButton_->addAction([this](ui::Control&, const ui::Event*) { deleteSectionAction(); },
                           ui::ControlEventTouchUpInside);
  deleteButton_->setHidden(true);
  addSubview(deleteButton_);
}

void CustomerInfoGroupView::setIsSelect(bool selected) {
  isSelect_ = selected;
  btnSelect_->setEnabled(!selected);
}

void CustomerInfoGroupView::click() {
  MV_ASSERT_MAIN_THREAD();
  if (isSelect_) return;
  btnSelect_->setSelected(true);
  if (auto d = delegate_.lock()) d->groupViewClick(indexId_, type_);
}

void CustomerInfoGroupView::deleteSectionAction() {
  MV_ASSERT_MAIN_THREAD();
  if (auto d = delegate_.lock()) d->deleteSection(indexId_, type_);
}

}  // namespace mv
