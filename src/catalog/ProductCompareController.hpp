#pragma once
// The comparison: every product on the compare list side by side (picture,
// name, price, SKU, short description) over a grid of their attributes, one
// row per attribute field. A product opens in the catalogue or goes into the
// current order; in edit mode (the Edit button or a long press on a picture)
// one product or all of them leave the list.
#include <memory>
#include <vector>

#include "catalog/AddToOrderFlow.hpp"
#include "catalog/CompareAttributeGrid.hpp"
#include "catalog/CompareCell.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/ScrollView.hpp"
#include "shell/frame/PopBaseController.hpp"
#include "sync/SessionServices.hpp"

namespace mv {

class ProductCompareDelegate {
 public:
  virtual ~ProductCompareDelegate() = default;
  // Products left the list: the compare toggles shown elsewhere are stale.
  virtual void changeAddCompareButtonState() = 0;
};

class ProductCompareController : public PopBaseController,
                                 public CompareCellDelegate,
                                 public AddToOrderFlowDelegate,
                                 public ui::ScrollViewDelegate {
 public:
  inline static const ui::Rect kCompareArea{180, 75, 840, 680};
  static constexpr double kAttributeTop = 520;
  static constexpr double kAttributeHeight = 148;

  // Reads and changes the list in the session's database.
  explicit ProductCompareController(SessionServices& services) : services_(services.shared_from_this()) {}

  // Keeps the entries whose product is published, with those products, so
  // that every cell, its index and the list it opens agree.
  void setCompareProductsArray(const std::vector<marvisto_compare_Entity>& entries);
  const std::vector<marvisto_compare_Entity>& compareProductsArray() const { return compareProductsArray_; }
  void setCompareDelegate(std::weak_ptr<ProductCompareDelegate> d) { compareDelegate_ = std::move(d); }

  void getCompareShowData();
  void setInEdit(bool inEdit);
  bool inEdit() const { return inEdit_; }
  void shakeAllCellImages(bool shake);
  void deleteSingleCompare(long index);
  void removeAll();
  void didSelectedCompareCell(CompareCell& cell);

  void addToOrder(CompareCell& cell) override;
  void didClickCellBackground(CompareCell& cell) override;
  void didLongPressImage(CompareCell& cell) override;
  void didTapImage(CompareCell& cell) override;
  void removeCell(CompareCell& cell) override;
  void addToOrderFlowDidAdd(const marvisto_product_Entity& product, std::size_t cellIndex) override;
  void addToOrderFlowOrderReplaced() override;
  void addToOrderFlowPresentChooser(const std::shared_ptr<ui::ViewController>& chooser,
                                    std::size_t cellIndex) override;
  void scrollViewDidScroll(ui::ScrollView& scrollView) override;

  // ---- parts (tests) ------------------------------------------------------------------------
  ui::ScrollView& compareScrollView() const { return *compareScrollView_; }
  ui::ScrollView& attributesNameScrollView() const { return *attributesNameScrollView_; }
  ui::ScrollView& attributesValueScrollView() const { return *attributesValueScrollView_; }
  const CompareAttributeGrid& attributeGrid() const { return grid_; }
  ui::Button& btnEdit() const { return *btnEdit_; }
  ui::Button& removeAllBtn() const { return *removeAllBtn_; }
  std::shared_ptr<CompareCell> cell(std::size_t index) const;
  const std::shared_ptr<AddToOrderFlow>& addFlow() const { return addFlow_; }

  void loadView() override;
  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

 private:
  DataAccessManager& store() const { return services_->database(); }
  void clearAllAttributesShow();
  void close(bool animated);

  std::vector<marvisto_compare_Entity> compareProductsArray_;
  std::vector<marvisto_product_Entity> products_;
  std::weak_ptr<ProductCompareDelegate> compareDelegate_;
  CompareAttributeGrid grid_;
  std::shared_ptr<ui::View> bgView_, scrollViewBgView_;
  std::shared_ptr<ui::ScrollView> compareScrollView_, attributesNameScrollView_, attributesValueScrollView_;
  std::vector<std::shared_ptr<ui::Label>> captions_;
  std::shared_ptr<ui::Button> btnEdit_, removeAllBtn_;
  std::vector<std::shared_ptr<CompareCell>> cells_;
  bool inEdit_ = false;
  std::shared_ptr<SessionServices> services_;
  std::shared_ptr<AddToOrderFlow> addFlow_;
  std::shared_ptr<ui::PopoverController> addToOrderPopController_;
  base::Observation background_, foreground_;
};

}  // namespace mv
