#pragma once
// The attribute picker: the attributes of one product in a table (name on the
// left, chosen value on the right) and, for the attribute tapped, its options
// in a second table, shown in a popover beside the row (popover mode, on the
// product screen) or unfolding under the row (inline mode, in the
// add-to-order popover). Choices are written into the owner's own records,
// which it shares with the picker; `attributes` gives them as the attribute
// text. The picker tells nobody: owners read it when they need the choice.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TableView.hpp"
#include "platform/ui/View.hpp"
#include "store/AttributeText.hpp"

namespace mv {

class ProductAttributesListView : public ui::View,
                                  public ui::TableViewDataSource,
                                  public ui::TableViewDelegate,
                                  public ui::PopoverControllerDelegate {
 public:
  static constexpr int kPopoverMode = 0;
  static constexpr int kInlineMode = 1;
  static constexpr long kNoneOpen = -1;
  static constexpr double kRowHeight = 35;
  // Inline mode: the picker's height while folded, and the line the
  // unfolding options never pass.
  static constexpr double kFoldedHeight = 160;
  static constexpr double kUnfoldLimit = 250;
  static constexpr double kUnfoldDuration = 0.3;
  // Where the product screen and the add-to-order popover put their pickers.
  inline static const ui::Rect kProductScreenFrame{620, 392, 365, 178};
  inline static const ui::Rect kAddToOrderFrame{24, 2, 354, 160};

  // Mode 0 shows the options in a popover; any other value unfolds them inline.
  static std::shared_ptr<ProductAttributesListView> initWithFrame(const ui::Rect& frame, int mode);
  ~ProductAttributesListView() override;

  // Shares the owner's records; an attribute with exactly one option takes
  // it as its value. Nothing is open afterwards.
  void setAttributeAry(AttributeCells attributes);
  const AttributeCells& attributeAry() const { return attributeAry_; }
  // Puts given values (an order line's pairs) into the attributes of the same
  // exact name; blank values change nothing, values outside the options stay.
  void setAttributeValues(const std::vector<product_attribute_cell_Entity>& values);
  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly);
  // The attribute text of the choices.
  std::string attributes() const { return AttributeText::build(attributeAry_); }
  // Every attribute has a value (a blank one counts).
  bool allChosen() const;
  // Shows the rows in the new language, keeping every choice.
  void updateLanguage();

  int mode() const { return mode_; }
  long openIndex() const { return openIndex_; }
  ui::TableView& leftNameTableView() const { return *leftNameTableView_; }
  ui::TableView& rightValueTableView() const { return *rightValueTableView_; }
  // Inline mode only (null otherwise).
  ui::View* rightTableBaseView() const { return rightTableBaseView_.get(); }
  // Popover mode only (null otherwise).
  ui::PopoverController* popover() const { return popover_.get(); }

  // Inline mode: how tall the options of an attribute unfold below a row
  // whose bottom is `top` in the picker, down to `limit` at most.
  static double unfoldedHeight(std::size_t optionCount, double top, double limit = kUnfoldLimit);

  // ---- the two tables ---------------------------------------------------------
  long tableViewNumberOfRowsInSection(ui::TableView& tableView, long section) override;
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                   const ui::IndexPath& indexPath) override;
  std::optional<double> tableViewHeightForRowAtIndexPath(ui::TableView& tableView,
                                                         const ui::IndexPath& indexPath) override;
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tableView, const ui::IndexPath& indexPath) override;
  void popoverControllerDidDismissPopover(ui::PopoverController& popover) override;
  // Escape folds the options unfolded inline, keeping every choice; the
  // popover the picker stands in stays open.
  bool escapePressed() override;

 private:
  ProductAttributesListView(const ui::Rect& frame, int mode);
  void build();
  // The options of the open attribute, parted from its list once as it
  // opens: its rows read them as they come into sight, and a list of many
  // thousands must not be parted again for every row.
  const std::vector<std::string>& openOptions() const { return openOptions_; }
  void openAttribute(long index);
  // Where the options of a row at `anchor` (in the name table) open.
  unsigned optionsDirection(const ui::Rect& anchor) const;
  void chooseOption(long row);
  void closeOptions();
  void reloadAllTablesByLeftSelectIndex(long index);
  void handleTap();

  int mode_;
  AttributeCells attributeAry_;
  bool readOnly_ = false;
  long openIndex_ = kNoneOpen;
  std::vector<std::string> openOptions_;
  std::shared_ptr<ui::TableView> leftNameTableView_;
  std::shared_ptr<ui::TableView> rightValueTableView_;
  std::shared_ptr<ui::View> rightTableBaseView_;
  std::shared_ptr<ui::PopoverController> popover_;
};

}  // namespace mv
