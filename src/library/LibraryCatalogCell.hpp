#pragma once
// One row of the library's category panel: the category's name (or "ALL"
// of the level, or the uncategorised row in italics), the number of files
// under it on a badge that fits the number, and an arrow when it has
// sub-categories.
#include <memory>
#include <string>

#include "library/LibraryCategoryCounter.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

class LibraryCatalogCell : public ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "Cell";
  static constexpr double kHeight = 50;

  explicit LibraryCatalogCell(std::string reuseIdentifier = kReuseIdentifier);

  // Shows the row; row 0 of a level is its "ALL" row.
  void show(const LibraryCategoryCounter::Row& row);
  // The badge's width for a count text of that width: the text plus 10, at
  // least 17.
  static double badgeWidth(double textWidth);

  bool isFirstLine() const { return isFirstLine_; }
  ui::Label& lbTitle() const { return *lbTitle_; }
  ui::Label& lbcount() const { return *lbcount_; }
  ui::ImageView& lbCountBackground() const { return *lbCountBackground_; }
  ui::ImageView& imgicon() const { return *imgicon_; }

  void setSelected(bool selected, bool animated = false) override;
  void setHighlighted(bool highlighted, bool animated = false) override;
  void layoutSubviews() override;

 private:
  void updateCountBackground();

  bool isFirstLine_ = false;
  std::shared_ptr<ui::Label> lbTitle_;
  std::shared_ptr<ui::Label> lbcount_;
  std::shared_ptr<ui::ImageView> lbCountBackground_;
  std::shared_ptr<ui::ImageView> imgicon_;
};

}  // namespace mv
