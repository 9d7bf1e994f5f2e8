#pragma once
// The small panel in which the attributes and the quantity of a product are
// chosen before it goes into the current order. The catalogue shows it in a
// popover and hears the choice through its delegate; the panel never closes
// itself. Main thread only.
#include <cstddef>
#include <memory>
#include <string>

#include "catalog/OrderBasket.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/TextField.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "store/Entities.hpp"
#include "widgets/IconButton.hpp"

namespace mv {

class DataAccessManager;

class AddToOrderController : public BaseViewController {
 public:
  static constexpr double kWidth = 400;
  static constexpr double kHeight = 250;
  static constexpr int kMaxCount = 1000000;
  static constexpr double kCountMinimumFontSize = 10;

  // What OK decides, in this order.
  enum class Verdict {
    ChooseAttribute,  // an attribute has no value yet: toast "CHOOSEATTRIBUTE"
    InvalidInput,     // the count is no whole number from 1: alert "INVALIDINPUT"
    TooLarge,         // above 1,000,000: the field is set to the cap and "QUANTITYTOOLARGE"
    Add,              // handed to the delegate
  };
  struct Check {
    Verdict verdict = Verdict::Add;
    int count = 0;
    std::string failureReason;  // InvalidInput
  };
  static Check check(bool everyAttributeChosen, const std::string& countText);
  // The count after minus (never below 1) and after plus (no bound here).
  static std::string deleteCount(const std::string& countText);
  static std::string addCount(const std::string& countText);

  // Reads the product's attributes from `database`.
  explicit AddToOrderController(std::shared_ptr<DataAccessManager> database);

  const marvisto_product_Entity& product_Entity() const { return product_; }
  void setProduct_Entity(marvisto_product_Entity product) { product_ = std::move(product); }
  std::size_t cellIndex() const { return cellIndex_; }
  void setCellIndex(std::size_t index) { cellIndex_ = index; }
  void setDelegate(std::weak_ptr<AddToOrderControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  ProductAttributesListView& attributeList() { view(); return *attributeList_; }
  ui::TextField& countField() { view(); return *countField_; }
  ui::Button& minusButton() { view(); return *minus_; }
  ui::Button& plusButton() { view(); return *plus_; }
  IconButton& okButton() { view(); return *ok_; }

  void loadView() override;
  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

  void deleteCount();
  void addCount();
  void addToOrderOKButtonClicked();

 private:
  void loadAttributes();

  std::shared_ptr<DataAccessManager> database_;
  marvisto_product_Entity product_;
  std::size_t cellIndex_ = 0;
  std::weak_ptr<AddToOrderControllerDelegate> delegate_;
  AttributeCells attributes_;
  std::shared_ptr<ProductAttributesListView> attributeList_;
  std::shared_ptr<ui::TextField> countField_;
  std::shared_ptr<ui::Button> minus_, plus_;
  std::shared_ptr<IconButton> ok_;
};

}  // namespace mv
