#include "shell/frame/FeaturePendingViewController.hpp"

#include "util/TextLookup.hpp"


namespace mv {

FeaturePendingViewController::FeaturePendingViewController(std::string featureTitleKey)
    : featureTitleKey_(std::move(featureTitleKey)) {}

void FeaturePendingViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white(0.93));
  const double w = root->bounds().width();
  lblTitle_ = std::make_shared<ui::Label>(ui::Rect{40, 260, w - 80, 44});
  lblTitle_->setFont(gfx::Font::boldSystemFont(28));
  lblTitle_->setTextAlignment(gfx::TextAlignment::Center);
  lblTitle_->setTextColor(gfx::Color::darkGray());
  lblTitle_->setAutoresizingMask(ui::FlexibleWidth);
  root->addSubview(lblTitle_);
  lblMessage_ = std::make_shared<ui::Label>(ui::Rect{40, 314, w - 80, 60});
  lblMessage_->setFont(gfx::Font::systemFont(18));
  lblMessage_->setNumberOfLines(0);
  lblMessage_->setTextAlignment(gfx::TextAlignment::Center);
  lblMessage_->setTextColor(gfx::Color::gray());
  lblMessage_->setAutoresizingMask(ui::FlexibleWidth);
  root->addSubview(lblMessage_);
  setTexts();
  finishViewDidLoad();
}

void FeaturePendingViewController::setTexts() {
  const std::string title = text(featureTitleKey_);
  setTitle(title);
  lblTitle_->setText(title);
  lblMessage_->setText(text("FEATURENOTBUILT"));
}

void FeaturePendingViewController::updateLanguage(ui::ViewController&) { setTexts(); }

}  // namespace mv
