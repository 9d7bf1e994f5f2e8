#include "library/LibraryCatalogCell.hpp"

#include <algorithm>

#include "platform/gfx/TextMeasurer.hpp"
#include "shell/config/SkinManager.hpp"
#include "util/Text.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {

constexpr double kCountX = 180;
constexpr double kCountWidth = 40;
constexpr double kCountHeight = 17;

}  // namespace

LibraryCatalogCell::LibraryCatalogCell(std::string reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Default, std::move(reuseIdentifier)) {
  setBackgroundColor(gfx::Color::clear());
  auto selectedBackground = std::make_shared<ui::ImageView>(ui::Rect{0, 0, 244, kHeight});
  selectedBackground->setImage(SkinManager::skinFromImageName("bg_selected_cell.png"));
  setSelectedBackgroundView(selectedBackground);
  lbTitle_ = std::make_shared<ui::Label>(ui::Rect{15, 5, 160, kHeight - 10});
  lbTitle_->setNumberOfLines(2);
  lbTitle_->setLineBreakMode(gfx::LineBreakMode::TailTruncation);
  lbTitle_->setTextColor(gfx::Color::darkGray());
  lbTitle_->setBackgroundColor(gfx::Color::clear());
  lbCountBackground_ = std::make_shared<ui::ImageView>(ui::Rect{kCountX, 17, kCountWidth, kCountHeight});
  lbcount_ = std::make_shared<ui::Label>(ui::Rect{kCountX, 17, kCountWidth, kCountHeight});
  lbcount_->setTextAlignment(gfx::TextAlignment::Center);
  lbcount_->setTextColor(gfx::Color::white());
  lbcount_->setBackgroundColor(gfx::Color::clear());
  imgicon_ = std::make_shared<ui::ImageView>(ui::Rect{224, 18, 9, 14});
  imgicon_->setImage(SkinManager::skinFromImageName("icon-arrowrgt.png"));
  imgicon_->setHidden(true);
  for (const std::shared_ptr<ui::View>& v :
       std::vector<std::shared_ptr<ui::View>>{lbTitle_, lbCountBackground_, lbcount_, imgicon_}) {
    contentView().addSubview(v);
  }
}

double LibraryCatalogCell::badgeWidth(double textWidth) { return textWidth <= 10 ? 17 : textWidth + 10; }

void LibraryCatalogCell::show(const LibraryCategoryCounter::Row& row) {
  isFirstLine_ = row.isAll;
  if (row.isAll) {
    lbTitle_->setFont(gfx::Font::boldSystemFont(16));
    lbTitle_->setText(row.name);
    lbcount_->setFont(gfx::Font::boldSystemFont(16));
    imgicon_->setHidden(true);
  } else if (row.isUncategorized) {
    lbTitle_->setFont(gfx::Font::italicSystemFont(16));
    lbTitle_->setText(row.name);
    lbcount_->setFont(gfx::Font::systemFont(16));
    imgicon_->setHidden(true);
  } else {
    lbTitle_->setFont(gfx::Font::systemFont(16));
    lbTitle_->setText(trimWhitespaceAndNewlines(row.name));
    lbcount_->setFont(gfx::Font::systemFont(16));
    imgicon_->setHidden(!row.child);
  }
  lbcount_->setText(std::to_string(std::max(row.count, 0)));
  updateCountBackground();
}

void LibraryCatalogCell::updateCountBackground() {
  const bool on = isSelected() || isHighlighted();
  lbcount_->setTextColor(on ? gfx::Color::white() : ViewStyle::colorOfMainTheme());
  lbCountBackground_->setImage(ViewStyle::resizeImage(
      SkinManager::skinFromImageName(on ? "bg_category_number_on.png" : "bg_category_number.png"), {0, 8, 0, 8}));
  const double width = badgeWidth(gfx::TextMeasurer::current().widthOf(lbcount_->text(), lbcount_->font()));
  const ui::Rect count = lbcount_->frame();
  lbCountBackground_->setFrame(
      {count.x() + (count.width() - width) / 2, count.y(), width, count.height()});
}

void LibraryCatalogCell::setSelected(bool selected, bool animated) {
  ui::TableViewCell::setSelected(selected, animated);
  updateCountBackground();
}

void LibraryCatalogCell::setHighlighted(bool highlighted, bool animated) {
  ui::TableViewCell::setHighlighted(highlighted, animated);
  updateCountBackground();
}

void LibraryCatalogCell::layoutSubviews() {
  ui::TableViewCell::layoutSubviews();
  updateCountBackground();
}

}  // namespace mv
