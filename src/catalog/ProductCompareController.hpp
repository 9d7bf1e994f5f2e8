#pragma once
// The comparison: every product on the compare list side by side (picture,
// name, price, SKU, short description) over a grid of their attributes, one
// row per attribute field. A product opens in the catalogue or goes into the
// current order; in edit mode (the Edit button or a long press on a picture)
// one product or all of them leave the list.
#include <memory>
#include <vector>

#include "catalog/CompareAttributeGrid.hpp"
#include "catalog/CompareCell.hpp"
#include "catalog/ProductListPopup.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class ProductCompareDelegate {
 public:
  virtual ~ProductCompareDelegate() = default;
  // Products left the list: the compare toggles shown elsewhere are stale.
  virtual void changeAddCompareButtonState() = 0;
};

class ProductCompareController : public ProductListPopup, public CompareCellDelegate, public ui::ScrollViewDelegate {
 public:
  inline static const ui::Rect kCompareArea{180, 75, 840, 680};
  static constexpr double kAttributeTop = 520;
  static constexpr double kAttributeHeight = 148;

  // Reads and changes the compare list in the session's database.
  explicit ProductCompareController(SessionServices& services);

  // Keeps the entries whose product is published, with those products.
  void setCompareProductsArray(const std::vector<marvisto_compare_Entity>& entries);
  // The compared products shown.
  const std::vector<marvisto_product_Entity>& compareProductsArray() const { return products(); }
  void setCompareDelegate(std::weak_ptr<ProductCompareDelegate> d) { compareDelegate_ = std::move(d); }

  void getCompareShowData();
  void shakeAllCellImages(bool shake);
  void deleteSingleCompare(long index) { removeProductAt(index); }
  void didSelectedCompareCell(CompareCell& cell);

  void addToOrder(CompareCell& cell) override;
  void didClickCellBackground(CompareCell& cell) override;
  void didLongPressImage(CompareCell& cell) override;
  void didTapImage(CompareCell& cell) override;
  void removeCell(CompareCell& cell) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;

  // ---- parts (tests) ------------------------------------------------------------------------
  ui::ScrollView& compareScrollView() const { return *compareScrollView_; }
  ui::ScrollView& attributesNameScrollView() const { return *attributesNameScrollView_; }
  ui::ScrollView& attributesValueScrollView() const { return *attributesValueScrollView_; }
  const CompareAttributeGrid& attributeGrid() const { return grid_; }
  std::shared_ptr<CompareCell> cell(std::size_t index) const;

  void loadView() override;
  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

 protected:
  void showProducts() override { getCompareShowData(); }
  void applyWiggle(bool wiggle) override { shakeAllCellImages(wiggle); }
  std::shared_ptr<ui::View> cartButton(std::size_t index) const override {
    auto c = cell(index);
    return c ? std::shared_ptr<ui::View>(c, &c->addOrderBtn()) : nullptr;
  }
  void setCellBadge(std::size_t index, const std::optional<std::string>& badge) override;
  ui::Rect listFrame() const override { return compareScrollView_->frame(); }
  void listChanged() override;

 private:
  void clearAllAttributesShow();

  std::weak_ptr<ProductCompareDelegate> compareDelegate_;
  CompareAttributeGrid grid_;
  std::shared_ptr<ui::View> bgView_, scrollViewBgView_;
  std::shared_ptr<ui::ScrollView> compareScrollView_, attributesNameScrollView_, attributesValueScrollView_;
  std::vector<std::shared_ptr<ui::Label>> captions_;
  std::vector<std::shared_ptr<CompareCell>> cells_;
};

}  // namespace mv
