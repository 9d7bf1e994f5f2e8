#include "library/reader/ThumbsMainToolbar.hpp"

#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

std::shared_ptr<ThumbsMainToolbar> ThumbsMainToolbar::initWithFrame(const ui::Rect& frame, const std::string& title) {
  std::shared_ptr<ThumbsMainToolbar> bar(new ThumbsMainToolbar(frame));
  std::weak_ptr<ThumbsMainToolbar> weak = bar;
  const double w = frame.width();

  bar->doneButton_ = bar->addBackButton();
  bar->doneButton_->addAction(
      [weak](ui::Control& sender, const ui::Event*) {
        auto self = weak.lock();
        if (auto d = self ? self->delegate() : nullptr) d->tappedInToolbarDoneButton(*self, static_cast<ui::Button&>(sender));
      },
      ui::ControlEventTouchUpInside);

  bar->viewButton_ = bar->addImageButton({76, 5, 34, 34}, WidgetSkin::bundleImage("Reader-View"));
  bar->viewButton_->setAccessibilityLabel(text("PAGEVIEW"));
  bar->viewButton_->addAction(
      [weak](ui::Control& sender, const ui::Event*) {
        auto self = weak.lock();
        if (auto d = self ? self->delegate() : nullptr) d->tappedInToolbarViewButton(*self, static_cast<ui::Button&>(sender));
      },
      ui::ControlEventTouchUpInside);

  bar->showControl_ = std::make_shared<ui::SegmentedControl>(ui::Rect{w - 74, 5, 66, 34});
  bar->showControl_->insertSegmentWithImage(WidgetSkin::bundleImage("Reader-Thumbs"), 0);
  bar->showControl_->insertSegmentWithImage(WidgetSkin::bundleImage("Reader-Mark-Y"), 1);
  bar->showControl_->setAutoresizingMask(ui::FlexibleLeftMargin);
  bar->showControl_->setTintColor(gfx::Color::white());
  bar->showControl_->setSelectedSegmentIndex(0);
  bar->showControl_->addAction(
      [weak](ui::Control& sender, const ui::Event*) {
        auto self = weak.lock();
        if (auto d = self ? self->delegate() : nullptr)
          d->tappedInToolbarShowControl(*self, static_cast<ui::SegmentedControl&>(sender));
      },
      ui::ControlEventValueChanged);
  bar->addSubview(bar->showControl_);

  bar->titleLabel_ = bar->addTitleLabel({118, 7, w - 200, 30}, title);
  return bar;
}

}  // namespace mv
