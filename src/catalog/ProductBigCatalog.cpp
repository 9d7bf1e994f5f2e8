#include "catalog/ProductBigCatalog.hpp"

#include <algorithm>

#include "platform/gfx/TextMeasurer.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

constexpr base::EdgeInsets kBadgeCaps{0, 8, 0, 8};
const ui::Rect kTitleFrame{15, 5, 160, 40};
const ui::Rect kCountFrame{180, 17, 45, 17};
// Between the title and a count's badge grown into its room.
constexpr double kTitleGap = 5;

}  // namespace

ProductBigCatalog::ProductBigCatalog(std::string reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, std::move(reuseIdentifier)) {
  setBackgroundColor(gfx::Color::clear());
  setSelectionStyle(ui::TableViewCellSelectionStyle::Gray);
  auto selected = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 244, 58});
  selected->setImage(SkinManager::skinFromImageName("bg_selected_cell.png"));
  setSelectedBackgroundView(selected);

  lbTitle_ = std::make_shared<ui::Label>(kTitleFrame);
  lbTitle_->setTextAlignment(gfx::TextAlignment::Left);
  lbTitle_->setNumberOfLines(2);
  lbTitle_->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  lbTitle_->setTextColor(gfx::Color::darkGray());
  lbTitle_->setBackgroundColor(gfx::Color::clear());
  lbTitle_->setFont(gfx::Font::systemFont(16));
  contentView().addSubview(lbTitle_);

  lbCountBackground_ = std::make_shared<ui::ImageView>(kCountFrame);
  contentView().addSubview(lbCountBackground_);
  lbcount_ = std::make_shared<ui::Label>(kCountFrame);
  lbcount_->setTextAlignment(gfx::TextAlignment::Center);
  lbcount_->setBackgroundColor(gfx::Color::clear());
  lbcount_->setFont(gfx::Font::systemFont(16));
  contentView().addSubview(lbcount_);

  imgicon_ = std::make_shared<ui::ImageView>(ui::Rect{225, 18, 15, 15});
  imgicon_->setImage(gfx::Image::named("icon-arrowrgt.png"));
  imgicon_->setHidden(true);
  contentView().addSubview(imgicon_);
  refreshCountLook();
}

void ProductBigCatalog::setIsFirstLine(bool first) {
  isFirstLine_ = first;
  if (!first) return;
  lbTitle_->setText(text("ALL"));
  lbTitle_->setFont(gfx::Font::boldSystemFont(16));
  lbcount_->setFont(gfx::Font::boldSystemFont(16));
}

void ProductBigCatalog::setCount(std::size_t count) {
  lbcount_->setText(std::to_string(count));
  updateCountBackground();
}

void ProductBigCatalog::clearCount() {
  lbcount_->setText("");
  updateCountBackground();
}

double ProductBigCatalog::countBackgroundWidth(double textWidth) { return textWidth <= 10 ? 17 : textWidth + 10; }

void ProductBigCatalog::updateCountBackground() {
  const double w = gfx::TextMeasurer::current().widthOf(lbcount_->text(), lbcount_->font());
  const double width = countBackgroundWidth(w);
  if (width <= kCountFrame.width()) {
    lbcount_->setFrame(kCountFrame);
    lbCountBackground_->setFrame(
        {kCountFrame.x() + (kCountFrame.width() - width) / 2, kCountFrame.y(), width, kCountFrame.height()});
    lbTitle_->setFrame(kTitleFrame);
    return;
  }
  // A count wider than its place is shown whole: its badge grows to the left
  // (the arrow keeps its place) and the title gives it the room.
  const ui::Rect badge{kCountFrame.maxX() - width, kCountFrame.y(), width, kCountFrame.height()};
  lbCountBackground_->setFrame(badge);
  lbcount_->setFrame(badge);
  ui::Rect title = kTitleFrame;
  title.size.width = std::min(kTitleFrame.width(), std::max(0.0, badge.x() - kTitleGap - title.x()));
  lbTitle_->setFrame(title);
}

void ProductBigCatalog::setSelected(bool selected, bool animated) {
  ui::TableViewCell::setSelected(selected, animated);
  refreshCountLook();
}

void ProductBigCatalog::setHighlighted(bool highlighted, bool animated) {
  ui::TableViewCell::setHighlighted(highlighted, animated);
  refreshCountLook();
}

void ProductBigCatalog::prepareForReuse() {
  ui::TableViewCell::prepareForReuse();
  isFirstLine_ = false;
  lbTitle_->setFont(gfx::Font::systemFont(16));
  lbcount_->setFont(gfx::Font::systemFont(16));
  imgicon_->setHidden(true);
}

void ProductBigCatalog::refreshCountLook() {
  const bool on = isSelected() || isHighlighted();
  lbcount_->setTextColor(on ? gfx::Color::white() : ViewStyle::colorOfMainTheme());
  lbCountBackground_->setImage(ViewStyle::resizeImage(
      SkinManager::skinFromImageName(on ? "bg_category_number_on.png" : "bg_category_number.png"), kBadgeCaps));
}

}  // namespace mv
