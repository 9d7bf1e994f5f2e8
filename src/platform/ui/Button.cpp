#include "platform/ui/Button.hpp"

#include <algorithm>
#include <cmath>

namespace ui {

namespace {
const gfx::Color kSystemBlue = gfx::Color::rgb255(0, 122, 255);
}

Button::Button(const Rect& frame, ButtonType type) : Control(frame), type_(type) {
  setOpaque(false);
  setBackgroundColor(std::nullopt);
  titleLabel_ = std::make_shared<Label>();
  titleLabel_->setFont(gfx::Font::systemFont(15));
  titleLabel_->setTextAlignment(gfx::TextAlignment::Center);
  titleLabel_->setLineBreakMode(gfx::LineBreakMode::MiddleTruncation);
  imageView_ = std::make_shared<ImageView>();
  imageView_->setContentMode(ContentMode::ScaleAspectFit);
  addSubview(imageView_);
  addSubview(titleLabel_);
  if (type_ == ButtonType::Custom) {
    titleColors_[ControlStateNormal] = gfx::Color::white();
  } else {
    titleColors_[ControlStateNormal] = kSystemBlue;
    titleColors_[ControlStateHighlighted] = kSystemBlue.withAlphaComponent(0.2);
    titleColors_[ControlStateDisabled] = gfx::Color::white(0.56);
  }
  if (type_ == ButtonType::DetailDisclosure || type_ == ButtonType::InfoLight || type_ == ButtonType::InfoDark ||
      type_ == ButtonType::ContactAdd) {
    layer().setBounds({0, 0, 22, 22});
  }
  updateContent();
}

std::shared_ptr<Button> Button::buttonWithType(ButtonType type) { return std::make_shared<Button>(Rect{}, type); }

template <typename T>
std::optional<T> Button::lookup(const std::map<unsigned, T>& m, unsigned state) {
  auto it = m.find(state);
  if (it != m.end()) return it->second;
  // A combined state falls back to its strongest part, then to normal.
  for (unsigned part : {unsigned(ControlStateDisabled), unsigned(ControlStateSelected), unsigned(ControlStateHighlighted)}) {
    if ((state & part) && state != part) {
      auto p = m.find(part);
      if (p != m.end()) return p->second;
    }
  }
  auto n = m.find(ControlStateNormal);
  if (n != m.end()) return n->second;
  return std::nullopt;
}

void Button::setTitle(std::optional<std::string> title, unsigned state) {
  if (title)
    titles_[state] = std::move(title);
  else
    titles_.erase(state);
  updateContent();
}

std::optional<std::string> Button::titleForState(unsigned state) const {
  auto t = lookup(titles_, state);
  return t ? *t : std::nullopt;
}

void Button::setTitleColor(std::optional<gfx::Color> color, unsigned state) {
  if (color)
    titleColors_[state] = *color;
  else
    titleColors_.erase(state);
  updateContent();
}

std::optional<gfx::Color> Button::titleColorForState(unsigned state) const { return lookup(titleColors_, state); }

void Button::setTitleShadowColor(std::optional<gfx::Color> color, unsigned state) {
  if (color)
    shadowColors_[state] = *color;
  else
    shadowColors_.erase(state);
  updateContent();
}

std::optional<gfx::Color> Button::titleShadowColorForState(unsigned state) const {
  return lookup(shadowColors_, state);
}

void Button::setImage(gfx::ImagePtr image, unsigned state) {
  if (image)
    images_[state] = std::move(image);
  else
    images_.erase(state);
  updateContent();
}

gfx::ImagePtr Button::imageForState(unsigned state) const { return lookup(images_, state).value_or(nullptr); }

void Button::setBackgroundImage(gfx::ImagePtr image, unsigned state) {
  if (image)
    backgrounds_[state] = std::move(image);
  else
    backgrounds_.erase(state);
  setNeedsDisplay();
}

gfx::ImagePtr Button::backgroundImageForState(unsigned state) const {
  return lookup(backgrounds_, state).value_or(nullptr);
}

std::string Button::currentTitle() const { return titleForState(state()).value_or(""); }

gfx::Color Button::currentTitleColor() const { return titleColorForState(state()).value_or(gfx::Color::white()); }

gfx::ImagePtr Button::currentImage() const { return imageForState(state()); }

gfx::ImagePtr Button::currentBackgroundImage() const { return backgroundImageForState(state()); }

void Button::setContentEdgeInsets(EdgeInsets e) {
  contentInsets_ = e;
  setNeedsLayout();
}

void Button::setTitleEdgeInsets(EdgeInsets e) {
  titleInsets_ = e;
  setNeedsLayout();
}

void Button::setImageEdgeInsets(EdgeInsets e) {
  imageInsets_ = e;
  setNeedsLayout();
}

void Button::stateDidChange() {
  updateContent();
  Control::stateDidChange();
}

void Button::updateContent() {
  if (!titleLabel_) return;
  titleLabel_->setText(currentTitle());
  titleLabel_->setTextColor(currentTitleColor());
  titleLabel_->setShadowColor(titleShadowColorForState(state()));
  imageView_->setImage(currentImage());
  imageView_->setAlpha(!isEnabled() && adjustsDisabled_ && currentImage() == imageForState(ControlStateNormal) ? 0.5 : 1.0);
  setNeedsLayout();
  setNeedsDisplay();
}

Size Button::titleSize(double maxWidth) const {
  std::string t = currentTitle();
  if (t.empty()) return {};
  Size s = gfx::sizeWithFont(t, titleLabel_->font());
  if (maxWidth >= 0) s.width = std::min(s.width, maxWidth);
  return s;
}

void Button::placePair(const Rect& region, Size image, Size title, Rect* imageRect, Rect* titleRect) const {
  double total = image.width + title.width;
  double x0 = region.x();
  switch (contentHorizontalAlignment()) {
    case ContentHorizontalAlignment::Center:
    case ContentHorizontalAlignment::Fill: x0 = region.x() + (region.width() - total) / 2; break;
    case ContentHorizontalAlignment::Left: break;
    case ContentHorizontalAlignment::Right: x0 = region.maxX() - total; break;
  }
  auto yFor = [&](double h) {
    switch (contentVerticalAlignment()) {
      case ContentVerticalAlignment::Top: return region.y();
      case ContentVerticalAlignment::Bottom: return region.maxY() - h;
      default: return region.y() + (region.height() - h) / 2;
    }
  };
  if (imageRect) *imageRect = {x0, yFor(image.height), image.width, image.height};
  if (titleRect) {
    double th = contentVerticalAlignment() == ContentVerticalAlignment::Fill ? region.height() : title.height;
    *titleRect = {x0 + image.width, yFor(th), title.width, th};
  }
}

Rect Button::contentRectForBounds(const Rect& b) const { return b.inset(contentInsets_); }

Size Button::imageSizeIn(const Rect& region) const {
  auto img = currentImage();
  if (!img) return {};
  Size is = img->size();
  // An image larger than its room is scaled down to fit it, keeping its shape.
  if (is.width > 0 && is.height > 0) {
    const double scale = std::min({1.0, std::max(0.0, region.width()) / is.width,
                                   std::max(0.0, region.height()) / is.height});
    is = {is.width * scale, is.height * scale};
  }
  return is;
}

Rect Button::titleRectForContentRect(const Rect& contentRect) const {
  Size is = imageSizeIn(contentRect.inset(imageInsets_));
  Rect region = contentRect.inset(titleInsets_);
  Size ts = titleSize(std::max(0.0, region.width() - is.width));
  Rect r;
  placePair(region, is, ts, nullptr, &r);
  return r;
}

Rect Button::imageRectForContentRect(const Rect& contentRect) const {
  Rect region = contentRect.inset(imageInsets_);
  Size is = imageSizeIn(region);
  Size ts = titleSize(std::max(0.0, region.width() - is.width));
  Rect r;
  placePair(region, is, ts, &r, nullptr);
  return r;
}

void Button::layoutSubviews() {
  Rect content = contentRectForBounds(bounds());
  imageView_->setFrame(imageRectForContentRect(content));
  titleLabel_->setFrame(titleRectForContentRect(content));
  imageView_->setHidden(!currentImage());
  titleLabel_->setHidden(currentTitle().empty());
}

Size Button::sizeThatFits(Size) const {
  auto img = currentImage();
  Size is = img ? img->size() : Size{};
  Size ts = titleSize(-1);
  Size s{is.width + ts.width + contentInsets_.left + contentInsets_.right,
         std::max(is.height, ts.height) + contentInsets_.top + contentInsets_.bottom};
  if (auto bg = currentBackgroundImage()) {
    s.width = std::max(s.width, bg->size().width);
    s.height = std::max(s.height, bg->size().height);
  }
  return s;
}

void Button::drawRect(gfx::Context& ctx, const Rect&) {
  Rect b = bounds();
  if (auto bg = currentBackgroundImage()) ctx.drawImage(*bg, b);
  if (type_ == ButtonType::DetailDisclosure || type_ == ButtonType::InfoLight || type_ == ButtonType::InfoDark ||
      type_ == ButtonType::ContactAdd) {
    gfx::Color c = type_ == ButtonType::InfoLight ? gfx::Color::white() : kSystemBlue;
    double d = std::min(b.width(), b.height()) - 2;
    Rect circle{b.midX() - d / 2, b.midY() - d / 2, d, d};
    ctx.setStrokeColor(c);
    ctx.setLineWidth(1);
    ctx.strokeEllipse(circle);
    ctx.setFillColor(c);
    if (type_ == ButtonType::ContactAdd) {
      ctx.fillRect({b.midX() - d * 0.3, b.midY() - 0.5, d * 0.6, 1});
      ctx.fillRect({b.midX() - 0.5, b.midY() - d * 0.3, 1, d * 0.6});
    } else {
      ctx.fillRect({b.midX() - 0.75, b.midY() - d * 0.1, 1.5, d * 0.35});
      ctx.fillEllipse({b.midX() - 1, b.midY() - d * 0.3, 2, 2});
    }
  }
  if (isHighlighted() && showsTouch_) {
    ctx.setFillColor(gfx::Color::white(1, 0.5));
    ctx.fillEllipse({b.midX() - 10, b.midY() - 10, 20, 20});
  }
}

}  // namespace ui
