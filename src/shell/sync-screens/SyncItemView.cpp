#include "shell/sync-screens/SyncItemView.hpp"

namespace mv {

std::shared_ptr<SyncItemView> SyncItemView::create(const ui::Rect& frame) {
  std::shared_ptr<SyncItemView> view(new SyncItemView(frame));
  view->initializationView(frame);
  return view;
}

void SyncItemView::initializationView(const ui::Rect& frame) {
  setBackgroundColor(gfx::Color::white());
  lblTitle_ = std::make_shared<ui::Label>(ui::Rect{20, 16, 600, 30});
  lblTitle_->setFont(gfx::Font::boldSystemFont(20));
  lblTitle_->setTextColor(gfx::Color::darkGray());
  lblTitle_->setBackgroundColor(gfx::Color::clear());
  addSubview(lblTitle_);
  imatitle_ = std::make_shared<ui::ImageView>(ui::Rect{20, 50, frame.width() > 60 ? frame.width() - 110 : 0, 1});
  imatitle_->setBackgroundColor(gfx::Color::white(0.85));
  addSubview(imatitle_);
}

void SyncItemView::setTitle(const std::optional<std::string>& title) {
  if (lblTitle_) lblTitle_->setText(title.value_or(std::string()));
}

}  // namespace mv
