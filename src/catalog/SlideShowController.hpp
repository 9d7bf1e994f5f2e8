#pragma once
// The slide show's own screen: one picture after another, each fading in
// over the last from a small random shift and settling slowly in place. Any
// touch ends the show.
#include <functional>
#include <memory>

#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/ViewController.hpp"

namespace mv {

class ProductDetailImageController;

class SlideShowController : public ui::ViewController {
 public:
  static constexpr double kFadeDuration = 2.0;
  static constexpr double kSettleDuration = 6.0;
  static constexpr double kFirstSettleDelay = 2.0;
  static constexpr double kStartScale = 1.1;
  static constexpr double kShiftX = 51;
  static constexpr double kShiftY = 38;

  void setDetailImageController(std::weak_ptr<ProductDetailImageController> browser) {
    detailImageController_ = std::move(browser);
  }
  // The next picture of the show (the first one settles after a pause).
  void showImage(const gfx::ImagePtr& image);
  ui::ImageView* imageView() const { return imageView_.get(); }
  // Where the next picture starts from: a random number's remainders pick
  // the shifts (tests set it).
  void setRandomSource(std::function<unsigned()> source) { random_ = std::move(source); }

  void loadView() override;
  void touchesBegan(const ui::TouchSet& touches, const ui::Event& event) override;

 private:
  std::shared_ptr<ui::ImageView> imageView_;
  std::weak_ptr<ProductDetailImageController> detailImageController_;
  std::function<unsigned()> random_;
};

}  // namespace mv
