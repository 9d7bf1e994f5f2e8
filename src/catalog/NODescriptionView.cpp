#include "catalog/NODescriptionView.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

std::shared_ptr<NODescriptionView> NODescriptionView::create(const ui::Rect& frame) {
  std::shared_ptr<NODescriptionView> view(new NODescriptionView(frame));
  LanguageManager::sharedInstance().registerLanugageNotification(
      std::shared_ptr<LanguageManagerDelegate>(view, static_cast<LanguageManagerDelegate*>(view.get())));
  view->notifiChangelanguage();
  return view;
}

NODescriptionView::NODescriptionView(const ui::Rect& frame) : ui::View(frame) {
  noDescriptionLabel_ = std::make_shared<ui::Label>(ui::Rect{0, 50, frame.width(), 50});
  noDescriptionLabel_->setBackgroundColor(gfx::Color::clear());
  noDescriptionLabel_->setTextColor(gfx::Color::gray());
  noDescriptionLabel_->setTextAlignment(gfx::TextAlignment::Center);
  addSubview(noDescriptionLabel_);
}

NODescriptionView::~NODescriptionView() { LanguageManager::sharedInstance().unRegisterLanugageNotification(this); }

void NODescriptionView::notifiChangelanguage() {
  const bool chinese = LanguageManager::sharedInstance().currentLanguage() == kLanguageChinese;
  noDescriptionLabel_->setFont(gfx::Font::named("Zapfino", chinese ? 35 : 25));
  noDescriptionLabel_->setText(CatalogFeedback::text("NODESCRIPTION"));
}

}  // namespace mv
