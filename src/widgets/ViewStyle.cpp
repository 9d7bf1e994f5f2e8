#include "widgets/ViewStyle.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "platform/base/MainThread.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/LayerAnimation.hpp"
#include "platform/ui/Transform3D.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

namespace {

// A skin picture's identity: the same image, or a picture read from a file
// holding the same bytes (the skin hands out a fresh image of its file on
// every lookup, and a new skin rewrites the files in place). Reading the
// bytes costs far less than inflating and drawing them.
struct SkinPictureStamp {
  gfx::ImagePtr image;
  std::optional<std::string> bytes;

  static SkinPictureStamp of(gfx::ImagePtr image) {
    SkinPictureStamp stamp{std::move(image), std::nullopt};
    if (const auto* file = stamp.image ? stamp.image->sourceFile() : nullptr) {
      std::ifstream in(*file, std::ios::binary);
      std::ostringstream all;
      if (in && all << in.rdbuf()) stamp.bytes = std::move(all).str();
    }
    return stamp;
  }
  [[nodiscard]] bool sameAs(const SkinPictureStamp& other) const {
    return image == other.image || (bytes && other.bytes && *bytes == *other.bytes);
  }
};

gfx::Color themeColorOf(const gfx::ImagePtr& image) {
  if (!image) return gfx::Color::darkGray();
  auto pixel = gfx::Context::bitmap({1, 1}, 1.0, false);
  if (!pixel) return gfx::Color::darkGray();
  pixel->drawImage(*image, base::Rect{0, 0, 1, 1});
  auto drawn = pixel->makeImage();
  if (!drawn) return gfx::Color::darkGray();
  // Whole 0-255 channels, as a colour read from a bitmap arrives.
  gfx::Color c = drawn->pixelAt(0, 0);
  const gfx::Color read =
      gfx::Color::rgb255(std::round(c.r() * 255), std::round(c.g() * 255), std::round(c.b() * 255), c.alpha());
  // The lightest grounds its text stands on (white panels, the light grey of
  // the category panel); a skin of a pale colour gets a deeper shade of it.
  return ViewStyle::readableColor(read, {gfx::Color::white(), gfx::Color::rgb255(240, 240, 240)});
}

}  // namespace

gfx::Color ViewStyle::colorOfMainTheme() {
  MV_ASSERT_MAIN_THREAD();
  // Many views ask at once when a screen is built; the bar's picture is
  // decoded again only when the skin gives another one.
  static std::optional<std::pair<SkinPictureStamp, gfx::Color>> known;
  SkinPictureStamp stamp = SkinPictureStamp::of(WidgetSkin::skinFromImageName("topbar-bg.png"));
  if (known && known->first.sameAs(stamp)) return known->second;
  const gfx::Color color = themeColorOf(stamp.image);
  // A large picture still being read drew nothing: asked again once it has come.
  if (!stamp.image || !stamp.image->pixelsPending()) known.emplace(std::move(stamp), color);
  return color;
}

namespace {

double relativeLuminance(const gfx::Color& c) {
  auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.r()) + 0.7152 * linear(c.g()) + 0.0722 * linear(c.b());
}

gfx::Color mixed(const gfx::Color& a, const gfx::Color& b, double t) {
  // Whole channels, as drawn colours are.
  auto channel = [t](double x, double y) { return std::round((x + (y - x) * t) * 255); };
  return gfx::Color::rgb255(channel(a.r(), b.r()), channel(a.g(), b.g()), channel(a.b(), b.b()));
}

double worstContrast(const gfx::Color& color, const std::vector<gfx::Color>& ground) {
  double worst = 21;
  for (const auto& g : ground) worst = std::min(worst, ViewStyle::contrastRatio(color, g));
  return worst;
}

}  // namespace

double ViewStyle::contrastRatio(const gfx::Color& a, const gfx::Color& b) {
  const double la = relativeLuminance(a), lb = relativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

gfx::Color ViewStyle::readableColor(const gfx::Color& preferred, const std::vector<gfx::Color>& ground) {
  if (ground.empty() || worstContrast(preferred, ground) >= kReadableContrast) return preferred;
  // A moved colour aims a little past the limit: small text is drawn with
  // soft edges, and its strongest pixels only come near its colour.
  constexpr double kAim = kReadableContrast * 1.08;
  constexpr int kSteps = 40;
  std::optional<gfx::Color> enough;
  for (int step = 1; step <= kSteps; ++step) {
    const double t = static_cast<double>(step) / kSteps;
    for (const gfx::Color& end : {gfx::Color::black(), gfx::Color::white()}) {
      const gfx::Color moved = mixed(preferred, end, t);
      const double c = worstContrast(moved, ground);
      if (c >= kAim) return moved;
      if (c >= kReadableContrast && !enough) enough = moved;
    }
  }
  if (enough) return *enough;
  return worstContrast(gfx::Color::black(), ground) >= worstContrast(gfx::Color::white(), ground)
             ? gfx::Color::black()
             : gfx::Color::white();
}

std::vector<gfx::Color> ViewStyle::colorsOfImage(const gfx::ImagePtr& image, base::Size size, base::Rect area) {
  std::vector<gfx::Color> out;
  if (!image || size.width <= 0 || size.height <= 0) return out;
  auto ctx = gfx::Context::bitmap(size, 1.0, true);
  if (!ctx) return out;
  ctx->setFillColor(gfx::Color::white());
  ctx->fillRect({0, 0, size.width, size.height});
  ctx->drawImage(*image, base::Rect{0, 0, size.width, size.height});
  auto drawn = ctx->makeImage();
  if (!drawn) return out;
  constexpr double kStep = 3;
  for (double y = std::max(0.0, area.y()); y < std::min(size.height, area.maxY()); y += kStep) {
    for (double x = std::max(0.0, area.x()); x < std::min(size.width, area.maxX()); x += kStep) {
      out.push_back(drawn->pixelAt(static_cast<int>(x), static_cast<int>(y)));
    }
  }
  return out;
}

namespace {

void styleSkinButton(ui::Button& button, const char* imageName, base::EdgeInsets caps) {
  button.setTitleColor(gfx::Color::white(), ui::ControlStateNormal);
  button.titleLabel().setFont(gfx::Font::boldSystemFont(15));
  button.setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Center);
  button.titleLabel().setTextAlignment(gfx::TextAlignment::Center);
  button.setBackgroundColor(gfx::Color::clear());
  button.setBackgroundImage(ViewStyle::resizeImage(WidgetSkin::skinFromImageName(imageName), caps),
                            ui::ControlStateNormal);
}

void styleFlatButton(ui::Button& button, const gfx::Color& title) {
  button.setTitleColor(title, ui::ControlStateNormal);
  button.titleLabel().setFont(gfx::Font::systemFont(17));
  button.setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Center);
  button.titleLabel().setTextAlignment(gfx::TextAlignment::Center);
  button.setBackgroundColor(gfx::Color::clear());
  button.setBackgroundImage(nullptr, ui::ControlStateNormal);
  button.setImage(nullptr, ui::ControlStateNormal);
}

// The image at its own size, or scaled down to fit the size with its aspect kept.
base::Size fittedSize(base::Size image, base::Size box) {
  if (image.width <= box.width && image.height <= box.height) return image;
  if (image.width <= 0 || image.height <= 0) return {0, 0};
  const double factor = std::min(box.width / image.width, box.height / image.height);
  return {image.width * factor, image.height * factor};
}

}  // namespace

void ViewStyle::initializeToButtonHeight34(ui::Button& button) {
  styleSkinButton(button, "Button-default_H34.png", {0, 5, 0, 5});
}

void ViewStyle::initializeToButtonHeight30(ui::Button& button) {
  styleSkinButton(button, "Button-default_H30.png", {0, 5, 0, 5});
}

void ViewStyle::initializeToBackButtonHeight34(ui::Button& button) {
  styleSkinButton(button, "Button-backward_H34.png", {0, 16, 0, 5});
  button.setTitleEdgeInsets({0, 10, 0, 0});
}

void ViewStyle::initializeToButtonFlatStyleWhite(ui::Button& button) { styleFlatButton(button, gfx::Color::white()); }

void ViewStyle::initializeToButtonFlatStyleBlue(ui::Button& button) {
  styleFlatButton(button, gfx::Color::rgb255(72, 129, 176));
}

gfx::ImagePtr ViewStyle::resizeImage(const gfx::ImagePtr& image, base::EdgeInsets capInsets) {
  if (!image) return nullptr;
  return image->resizableImage(capInsets);
}

void ViewStyle::ImageViewFitImg(ui::ImageView& view, const gfx::ImagePtr& image) {
  if (!image) return;
  const base::Size size = image->size();
  const base::Size box = view.bounds().size;
  view.setContentMode(size.width < box.width && size.height < box.height ? ui::ContentMode::Center
                                                                          : ui::ContentMode::ScaleAspectFit);
  view.setImage(image);
}

void ViewStyle::ImageViewFitImgWithRedrawedImg(ui::ImageView& view, const gfx::ImagePtr& image) {
  if (!image) return;
  gfx::ImagePtr redrawn;
  const base::Size size = image->size();
  if (auto bitmap = gfx::Context::bitmap(size, image->scale(), false)) {
    bitmap->drawImage(*image, base::Rect{0, 0, size.width, size.height});
    redrawn = bitmap->makeImage();
  }
  ImageViewFitImg(view, redrawn ? redrawn : image);
}

void ViewStyle::ImageViewSetImg(ui::View& view, const gfx::ImagePtr& image) {
  const auto subviews = view.subviews();
  for (const auto& subview : subviews) subview->removeFromSuperview();
  if (!image) return;
  const base::Rect bounds = view.bounds();
  const base::Size size = fittedSize(image->size(), bounds.size);
  auto imageView = std::make_shared<ui::ImageView>(base::Rect{bounds.x() + (bounds.width() - size.width) / 2,
                                                              bounds.y() + (bounds.height() - size.height) / 2,
                                                              size.width, size.height});
  imageView->setContentMode(ui::ContentMode::ScaleAspectFit);
  imageView->setImage(image);
  view.addSubview(imageView);
}

void ViewStyle::addDeletionLineToLabel(ui::Label& label) {
  // As wide as the text is drawn, shrunk to fit the label or not.
  const double textWidth =
      std::min(label.bounds().width(),
               gfx::TextMeasurer::current().widthOf(label.text(), label.font().withSize(label.actualFontSize())));
  auto line = std::make_shared<ui::ImageView>(base::Rect{-5, label.bounds().height() / 2, textWidth + 10, 2});
  line->setImage(WidgetSkin::skinFromImageName("rightline.png"));
  label.addSubview(line);
}

void ViewStyle::removeDeletionLineFromLabel(ui::Label& label) {
  const auto subviews = label.subviews();
  for (const auto& subview : subviews) subview->removeFromSuperview();
}

void ViewStyle::setViewShaking(ui::View& view, bool shaking) {
  view.layer().removeAllAnimations();
  if (!shaking) return;
  ui::BasicAnimation wiggle("transform");
  wiggle.fromValue = ui::Transform3D::rotation(-0.03, 0, 0, 1);
  wiggle.toValue = ui::Transform3D::rotation(0.03, 0, 0, 1);
  wiggle.duration = 0.1;
  wiggle.autoreverses = true;
  wiggle.repeatCount = ui::LayerAnimation::kRepeatForever;
  view.layer().addAnimation(wiggle, kShakingAnimationKey);
}

gfx::Color ViewStyle::indicatorColorByFormat(const std::string& format) {
  std::string upper = format;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  if (upper == "EPUB") return gfx::Color::rgb255(133, 185, 22);
  if (upper == "XLS" || upper == "XLSX") return gfx::Color::rgb255(86, 147, 50);
  if (upper == "PDF") return gfx::Color::rgb255(208, 72, 46);
  if (upper == "KEY" || upper == "PPT" || upper == "PPTX") return gfx::Color::rgb255(229, 118, 43);
  if (upper == "MOV" || upper == "MP4" || upper == "M4V" || upper == "3GP") return gfx::Color::rgb255(140, 107, 187);
  if (upper == "DOC" || upper == "DOCX") return gfx::Color::rgb255(33, 143, 244);
  return colorOfMainTheme();
}

void ViewStyle::setTextAlignment(gfx::TextAlignment alignment, ui::AlertView& alert) {
  alert.messageLabel().setTextAlignment(alignment);
}

void ViewStyle::showDial(ui::View& view, const std::shared_ptr<ui::ActivityIndicatorView>& indicator) {
  if (!indicator) return;
  if (indicator->superview() == &view) {
    view.bringSubviewToFront(indicator.get());
  } else {
    view.addSubview(indicator);
  }
  indicator->startAnimating();
  view.setUserInteractionEnabled(false);
}

void ViewStyle::hideDial(ui::View& view, const std::shared_ptr<ui::ActivityIndicatorView>& indicator) {
  if (indicator) {
    if (indicator->superview() == &view) indicator->removeFromSuperview();
    indicator->stopAnimating();
  }
  view.setUserInteractionEnabled(true);
}

}  // namespace mv
