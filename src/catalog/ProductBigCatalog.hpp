#pragma once
// One row of the catalogue's left panel, in the category list and in the tag
// list: a name, a count on a rounded badge, and an arrow for a category
// that has sub-categories.
#include <memory>
#include <string>

#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"

namespace mv {

class ProductBigCatalog : public ui::TableViewCell {
 public:
  static constexpr double kRowHeight = 50;

  explicit ProductBigCatalog(std::string reuseIdentifier);

  ui::Label& lbTitle() const { return *lbTitle_; }
  ui::Label& lbcount() const { return *lbcount_; }
  ui::ImageView& lbCountBackground() const { return *lbCountBackground_; }
  ui::ImageView& imgicon() const { return *imgicon_; }
  bool isFirstLine() const { return isFirstLine_; }
  // The "ALL" row: its title, and both texts in bold.
  void setIsFirstLine(bool first);
  // Shows the count and fits its badge to it.
  void setCount(std::size_t count);
  // No count shown: it is still being counted.
  void clearCount();
  void updateCountBackground();
  // The badge's width for a count text that wide: a round dot for short
  // counts, else the text with 5 points each side.
  static double countBackgroundWidth(double textWidth);

  void setSelected(bool selected, bool animated = false) override;
  void setHighlighted(bool highlighted, bool animated = false) override;
  void prepareForReuse() override;

 private:
  void refreshCountLook();

  std::shared_ptr<ui::Label> lbTitle_;
  std::shared_ptr<ui::Label> lbcount_;
  std::shared_ptr<ui::ImageView> lbCountBackground_;
  std::shared_ptr<ui::ImageView> imgicon_;
  bool isFirstLine_ = false;
};

}  // namespace mv
