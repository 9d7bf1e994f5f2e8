#include "shell/sync-screens/SyncInfoItem.hpp"

#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {
namespace {


gfx::Font helvetica(double size) { return gfx::Font::fontWithName("Helvetica", size).value_or(gfx::Font::systemFont(size)); }

std::shared_ptr<ui::Label> label(const ui::Rect& frame, double size) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(helvetica(size));
  l->setBackgroundColor(gfx::Color::clear());
  return l;
}

gfx::ImagePtr barImage(const char* name) {
  return ViewStyle::resizeImage(WidgetSkin::skinFromImageName(name), base::EdgeInsets{3, 3, 3, 3});
}

}  // namespace

SyncInfoItem::SyncInfoItem(const ui::Rect& frame) : ui::View(frame) {
  setBackgroundColor(gfx::Color::clear());
  lbTittle_ = label({0, 0, 300, 20}, 14);
  lbTittle_->setTextColor(gfx::Color::darkGray());
  addSubview(lbTittle_);
  lbDateTag_ = label({820, 0, 70, 20}, 12);
  lbDateTag_->setTextColor(gfx::Color::gray());
  lbDateTag_->setText(text("LASTSYNC"));
  addSubview(lbDateTag_);
  lbDatevalue_ = label({890, 0, 100, 20}, 12);
  lbDatevalue_->setTextColor(gfx::Color::gray());
  lbDatevalue_->setText(text("NORECORD"));
  addSubview(lbDatevalue_);
  lbprogressTxt_ = label({820, 23, 180, 20}, 14);
  lbprogressTxt_->setTextColor(gfx::Color::rgb255(36, 115, 211));
  addSubview(lbprogressTxt_);
  progress_ = std::make_shared<MVProgressView>(ui::Rect{0, 30, kBarWidth, kBarHeight}, barImage("sync_bar.png"),
                                               barImage("sync_bar_on.png"));
  addSubview(progress_);
}

void SyncInfoItem::setProgress(float progress) {
  progress_->setProgress(progress);
  if (progress == 1.0f) lbprogressTxt_->setText(text("COMPLETED"));
}

void SyncInfoItem::notifiChangelanguage() {
  lbDateTag_->setText(text("LASTSYNC"));
  lbDatevalue_->setText(text("NORECORD"));
  if (progress_->progress() == 1.0f) lbprogressTxt_->setText(text("COMPLETED"));
}

}  // namespace mv
