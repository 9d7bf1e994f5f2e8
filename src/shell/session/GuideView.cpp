#include "shell/session/GuideView.hpp"

#include "platform/ui/ImageView.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/config/LanguageManager.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"

namespace mv {

GuideView::GuideView(const ui::Rect& frame) : ui::View(frame) {
  guideImageScorllView_ = std::make_shared<ui::ScrollView>(bounds());
  addSubview(guideImageScorllView_);
  initializeScrollView();
}

void GuideView::didMoveToSuperview() {
  if (!guideImageScorllView_->delegate()) guideImageScorllView_->setDelegate(ui::weakAs<ui::ScrollViewDelegate>(this));
}

std::shared_ptr<ui::Button> GuideView::makeButton(const ui::Rect& frame, const char* image, const char* highlighted,
                                                  const char* titleKey) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setBackgroundImage(SkinManager::skinFromImageName(image), ui::ControlStateNormal);
  if (highlighted) button->setBackgroundImage(SkinManager::skinFromImageName(highlighted), ui::ControlStateHighlighted);
  button->setTitle(text(titleKey));
  button->setTitleColor(gfx::Color::white());
  ui::Button* raw = button.get();
  button->addAction(
      [this, raw](ui::Control&, const ui::Event*) {
        auto keep = self();
        pressButton(*raw);
      },
      ui::ControlEventTouchUpInside);
  return button;
}

void GuideView::initializeScrollView() {
  ui::ScrollView& scroll = *guideImageScorllView_;
  for (auto& sub : std::vector<std::shared_ptr<ui::View>>(scroll.subviews())) sub->removeFromSuperview();
  scroll.setPagingEnabled(true);
  scroll.setShowsHorizontalScrollIndicator(false);
  const double w = scroll.bounds().width(), h = scroll.bounds().height();
  const bool chinese = LanguageManager::sharedInstance().currentLanguage() == 2;
  for (int i = 0; i < kPageCount; ++i) {
    auto page = std::make_shared<ui::ImageView>(ui::Rect{i * w, 0, w, h});
    page->setTag(kFirstPageTag + i);
    page->setContentMode(ui::ContentMode::ScaleAspectFit);
    page->setImage(gfx::Image::named(std::string(chinese ? "guide_cn" : "guide_en") + std::to_string(i + 1) + ".jpg"));
    scroll.addSubview(page);
  }
  if (!detailButton_) {
    detailButton_ = makeButton({280, 644, 185, 55}, "guide_button.png", "guide_button_on.png", "GUIDEDETAILBTN");
    detailButton_->setTitleEdgeInsets({0, 0, 0, 30});
    detailButton_->titleLabel().setAdjustsFontSizeToFitWidth(true);
  }
  if (!skipButton_) {
    skipButton_ = makeButton({620, 644, 185, 55}, "guide_button.png", "guide_button_on.png", "GUIDESKIPBTN");
    skipButton_->setTitleEdgeInsets({0, 0, 0, 30});
  }
  if (!startButton_) {
    startButton_ = makeButton({3936, 498, 121, 46}, "btn_guide_start.png", nullptr, "GUIDESTARTBTN");
    startButton_->titleLabel().setFont(gfx::Font::systemFont(24));
  }
  if (chinese) {
    detailButton_->titleLabel().setFont(gfx::Font::systemFont(24));
    skipButton_->titleLabel().setFont(gfx::Font::systemFont(24));
  } else {
    startButton_->setFrame({3814, 548, 236, 46});
    skipButton_->titleLabel().setFont(gfx::Font::systemFont(18));
  }
  scroll.addSubview(detailButton_);
  scroll.addSubview(skipButton_);
  scroll.addSubview(startButton_);
  scroll.setContentSize({kPageCount * w, h});
}

void GuideView::pressButton(ui::Button& sender) {
  if (&sender == detailButton_.get()) {
    guideImageScorllView_->setContentOffset({guideImageScorllView_->bounds().width(), 0}, true);
  } else if (&sender == skipButton_.get() || &sender == startButton_.get()) {
    endShowGuide();
  }
}

void GuideView::scrollViewDidScroll(ui::ScrollView& scrollView) {
  if (ending_) return;
  if (scrollView.contentOffset().x > (kPageCount - 1) * scrollView.bounds().width() + kOverscrollToClose) {
    scrollView.setScrollEnabled(false);
    endShowGuide();
  }
}

void GuideView::endShowGuide() {
  if (ending_) return;
  ending_ = true;
  auto keep = self();
  const ui::Rect restored = bounds();
  ui::View::animate(
      kEndAnimationDuration, 0, 0,
      [this] {
        setTransform(ui::AffineTransform::scale(1.1, 1.1));
        setAlpha(0.2);
      },
      [keep, restored](bool) {
        keep->setHidden(true);
        keep->setAlpha(1.0);
        keep->setTransform(ui::AffineTransform::identity());
        keep->setBounds(restored);
        keep->removeFromSuperview();
      });
}

}  // namespace mv
