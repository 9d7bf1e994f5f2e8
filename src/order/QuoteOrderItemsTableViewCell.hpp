#pragma once
// One row of the order editor's line table: the product picture, name, SKU
// and chosen attributes, the list price, and the three fields the
// representative edits (quantity, rate, discounted unit price) with the line
// subtotal. A view of `QuoteOrderItemModel`, which does the arithmetic and
// writes a valid edit back into the line. Main thread only.
#include <cstdint>
#include <memory>
#include <string>

#include "order/QuoteOrderItemDelegate.hpp"
#include "order/QuoteOrderItemModel.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableViewCell.hpp"
#include "widgets/TZTextField.hpp"

namespace mv {

class QuoteOrderItemsTableViewCell : public ui::TableViewCell {
 public:
  static constexpr const char* kReuseIdentifier = "QuoteOrderItemsTableViewCell";
  static constexpr double kRowHeight = 100;
  // The least size the line's amounts and fields shrink to.
  static constexpr double kMinimumFontSize = 8;
  // The list price's colour.
  static constexpr int kListPriceRed = 176, kListPriceGreen = 48, kListPriceBlue = 96;

  QuoteOrderItemsTableViewCell();
  ~QuoteOrderItemsTableViewCell() override;

  std::shared_ptr<QuoteOrderItemDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<QuoteOrderItemDelegate> delegate) { delegate_ = std::move(delegate); }

  // The line shown; the order's own object, which edits change in place.
  // `thumbnail` names the product's picture file (the stock picture when
  // empty); it is read off the main thread.
  const std::shared_ptr<QuoteOrderItemEntity>& quoteOrderItem() const { return model_.item(); }
  void setQuoteOrderItem(std::shared_ptr<QuoteOrderItemEntity> item, std::string thumbnail);
  bool readOnly() const { return model_.readOnly(); }
  void setReadOnly(bool readOnly);
  bool couldModifyPrice() const { return model_.couldModifyPrice(); }
  void setCouldModifyPrice(bool could);
  bool isNullPrice() const { return model_.isNullPrice(); }
  void setIsNullPrice(bool nullPrice);
  const std::string& editingFieldOldValue() const { return model_.editingFieldOldValue(); }
  // Shows the line with the quantity it had before the last quantity edit;
  // false when there was none to take back.
  bool undoQuantityEdit();
  // The discounted price field ends 10 points before the subtotal with the
  // currency symbol just before it; a field that only shows the price takes
  // the width of its text, so that the symbol stands beside the price.
  void fitDiscountedPriceField();
  const QuoteOrderItemModel& model() const { return model_; }

  ui::Button& imageImageView() const { return *imageButton_; }
  ui::Label& nameLabel() const { return *nameLabel_; }
  ui::Label& skuLabel() const { return *skuLabel_; }
  ui::Label& attributesLabel() const { return *attributesLabel_; }
  ui::Label& priceLabel() const { return *priceLabel_; }
  ui::Label& subTotalLabel() const { return *subTotalLabel_; }
  ui::Label& lblDiscountCurrency() const { return *currencyLabel_; }
  ui::Label& percentLabel() const { return *percentLabel_; }
  TZTextField& quantityTextField() const { return *quantityTextField_; }
  TZTextField& txtDiscountRat() const { return *txtDiscountRat_; }
  TZTextField& txtDiscountPrice() const { return *txtDiscountPrice_; }

  void prepareForReuse() override;

 private:
  std::shared_ptr<TZTextField> makeField(const ui::Rect& frame, gfx::TextAlignment alignment,
                                         QuoteOrderItemModel::Field field);
  TZTextField& fieldView(QuoteOrderItemModel::Field field) const;
  void fieldDidBegin(QuoteOrderItemModel::Field field);
  void fieldDidEnd(QuoteOrderItemModel::Field field);
  // Shows the model's texts and looks.
  void refresh();
  void applyLook(TZTextField& field, const QuoteOrderItemModel::FieldLook& look, gfx::TextAlignment alignment);
  void loadPicture(std::string thumb);

  QuoteOrderItemModel model_;
  std::weak_ptr<QuoteOrderItemDelegate> delegate_;
  std::shared_ptr<ui::Button> imageButton_;
  std::shared_ptr<ui::View> pictureHolder_;
  std::shared_ptr<ui::Label> nameLabel_, skuLabel_, attributesLabel_, priceLabel_, subTotalLabel_;
  std::shared_ptr<ui::Label> currencyLabel_, percentLabel_;
  std::shared_ptr<TZTextField> quantityTextField_, txtDiscountRat_, txtDiscountPrice_;
  // The picture is read from disk off the main thread; only the latest
  // line's picture is shown.
  std::uint64_t pictureGeneration_ = 0;
  base::CancelFlag pictureReading_;
};

}  // namespace mv
