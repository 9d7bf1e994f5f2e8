#include "catalog/ProductDescView.hpp"

#include "catalog/CatalogFeedback.hpp"
#include "catalog/NODescriptionView.hpp"
#include "shell/config/Language.hpp"

namespace mv {
namespace {

TextRun header(const std::string& pattern, const char* key) {
  return {Language::format(pattern, {CatalogFeedback::text(key)}), gfx::Font::italicSystemFont(16),
          gfx::Color::gray()};
}

}  // namespace

ProductDescView::ProductDescView(const ui::Rect& frame) : ui::ScrollView(frame) {
  setScrollEnabled(false);
  setBackgroundColor(gfx::Color::clear());
}

TextRun ProductDescView::getAttributedStringWithNormalString(const std::string& text) {
  return {text, gfx::Font::systemFont(14), gfx::Color::black()};
}

void ProductDescView::setShortDesc(const std::string& text) {
  shortDesc_ = text;
  markDirty();
}

void ProductDescView::setLongDesc(const std::string& text) {
  longDesc_ = text;
  markDirty();
}

void ProductDescView::markDirty() {
  descIsDrity_ = true;
  if (contentView_) contentView_->removeFromSuperview();
  contentView_.reset();
  setNeedsLayout();
}

const AttributedText& ProductDescView::getAttributedDesc() {
  if (!descIsDrity_) return attributedDesc_;
  descIsDrity_ = false;
  attributedDesc_.clear();
  if (!shortDesc_.empty()) {
    attributedDesc_.push_back(header("%@:\n", "DESCRIPTION"));
    attributedDesc_.push_back(getAttributedStringWithNormalString(shortDesc_ + "\n"));
  }
  if (!longDesc_.empty()) {
    attributedDesc_.push_back(header("\n%@:\n", "DETAILS"));
    attributedDesc_.push_back(getAttributedStringWithNormalString(longDesc_));
  }
  return attributedDesc_;
}

void ProductDescView::updateLanguage() { markDirty(); }

void ProductDescView::setContentView(std::shared_ptr<ui::View> view) {
  if (contentView_) contentView_->removeFromSuperview();
  contentView_ = std::move(view);
  if (contentView_) addSubview(contentView_);
}

void ProductDescView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  if (contentView_) return;
  setScrollEnabled(false);
  const auto& text = getAttributedDesc();
  const ui::Rect b = bounds();
  if (text.empty()) {
    setContentSize({b.width(), b.height()});
    setContentView(NODescriptionView::create({2, 2, b.width() - 4, b.height() - 4}));
    return;
  }
  const ui::Size size = AttributedStringView::suggestedSize(text, b.width() - 4);
  if (size.height > b.height()) {
    setScrollEnabled(true);
    setContentSize(size);
  } else {
    setContentSize({b.width(), b.height()});
  }
  auto view = std::make_shared<AttributedStringView>(ui::Rect{0, -3, size.width, size.height}, text);
  view->setBackgroundColor(gfx::Color::clear());
  setContentView(std::move(view));
}

}  // namespace mv
