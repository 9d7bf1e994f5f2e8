#pragma once
// A horizontal progress bar drawn with two stretchable pictures: the
// background across the whole bar and the progress picture as wide as the
// progress.
#include <memory>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class MVProgressView : public ui::View {
 public:
  static constexpr double kMinWidth = 9.0;
  static constexpr double kMinHeight = 8.0;

  // The frame is raised to at least 9 x 8 points.
  MVProgressView(const ui::Rect& frame, gfx::ImagePtr backgroundImage, gfx::ImagePtr progressImage);
  explicit MVProgressView(const ui::Rect& frame = {}) : MVProgressView(frame, nullptr, nullptr) {}

  float progress() const { return progress_; }
  // Clamped to 0..1 (a value that is not a number counts as 0); the progress
  // picture follows, animated when the new progress is above 0.
  void setProgress(float progress);
  float progressAnimationDuration() const { return progressAnimationDuration_; }
  void setProgressAnimationDuration(float seconds) { progressAnimationDuration_ = seconds; }
  // The progress picture's width at progress 1: the bar's present width.
  double progressFullWidth() const { return bounds().width(); }

  const std::shared_ptr<ui::ImageView>& backgroundImageView() const { return backgroundImageView_; }
  void setBackgroundImageView(std::shared_ptr<ui::ImageView> view);
  const std::shared_ptr<ui::ImageView>& progressImageView() const { return progressImageView_; }
  void setProgressImageView(std::shared_ptr<ui::ImageView> view);

  void layoutSubviews() override;

 private:
  static ui::Rect raised(const ui::Rect& frame);
  double targetWidth() const { return static_cast<double>(progress_) * progressFullWidth(); }

  float progress_ = 0;
  float progressAnimationDuration_ = 0.1f;
  std::shared_ptr<ui::ImageView> backgroundImageView_;
  std::shared_ptr<ui::ImageView> progressImageView_;
};

}  // namespace mv
