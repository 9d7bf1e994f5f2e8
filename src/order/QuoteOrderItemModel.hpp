#pragma once
// What one row of the order editor's line table shows and how its three
// fields are edited: the quantity, the rate (the percentage of the list price
// that is charged) and the discounted unit price. It keeps rate and price in
// step, caps them, decides which fields take input, and writes a valid edit
// back into the line. The row is a view of it; tests drive it without views.
#include <memory>
#include <optional>
#include <string>

#include "store/QuoteOrderItemEntity.hpp"

namespace mv {

class QuoteOrderItemModel {
 public:
  enum class Field { Quantity, DiscountRat, DiscountPrice };
  static constexpr int kMaxQuantity = QuoteOrderItemEntity::kMaxQuantity;
  // The discounted price field's width in its row, and the widest text it
  // fits itself to while it only shows the price.
  static constexpr double kPriceFieldWidth = 120;
  static constexpr double kMaxPriceTextWidth = 100;

  // The texts of the three fields.
  struct Texts {
    std::string quantity;
    std::string discountRat;
    std::string discountPrice;
    bool operator==(const Texts&) const = default;
  };

  // How a field shows: whether it takes input, its rounded border, its y in
  // the row and whether its text is centred (the "-" of a line without a
  // price) rather than right-aligned.
  struct FieldLook {
    bool enabled = false;
    bool bordered = false;
    double y = 40;
    bool centred = false;
    bool operator==(const FieldLook&) const = default;
  };

  enum class EndResult {
    Restored,        // the text was not a number: the field shows its old text, the line is untouched
    Applied,         // the edit went into the line
    QuantityCapped,  // the quantity was above the cap; the cap went into the line
  };

  // The line shown (the order's own object, edited in place); the texts are
  // filled from it.
  const std::shared_ptr<QuoteOrderItemEntity>& item() const { return item_; }
  void setItem(std::shared_ptr<QuoteOrderItemEntity> item);

  bool readOnly() const { return readOnly_; }
  void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool couldModifyPrice() const { return couldModifyPrice_; }
  void setCouldModifyPrice(bool could) { couldModifyPrice_ = could; }
  bool isNullPrice() const { return isNullPrice_; }
  // A line without a price shows "-" for its rate and discounted price.
  void setIsNullPrice(bool nullPrice);

  const Texts& texts() const { return texts_; }
  const std::string& text(Field field) const;
  FieldLook quantityLook() const;
  // The rate and the discounted price look alike.
  FieldLook priceLook() const;
  // Rate and price take input (the discounted price field's width counts
  // its border then).
  bool priceFieldsEditable() const { return !readOnly_ && couldModifyPrice_; }

  // Currency symbol and list price, or "-" without a price.
  std::string listPriceText() const;
  // The currency symbol before the discounted price, and the "%" after the
  // rate; both empty without a price.
  std::string currencyText() const;
  std::string percentText() const;
  // Currency symbol and the line's subtotal, or "-" without a price.
  std::string subtotalText() const;

  // Editing of `field` begins: its text is kept and comes back without its
  // "," grouping, as the field shows it while it is edited.
  std::string beginEdit(Field field);
  const std::string& editingFieldOldValue() const { return editingFieldOldValue_; }
  // Editing of `field` ends with `text`; `valid` is the field validator's
  // verdict on it. A valid text is applied to the field and its partner and
  // written back into the line.
  EndResult endEdit(Field field, const std::string& text, bool valid);
  // The quantity just ended is taken back (the user kept a line that a 0
  // would have deleted): the line gets the quantity it had before. False when
  // the last edit was not a quantity's.
  bool undoQuantityEdit();

  // The width of the discounted price field for a text `textWidth` wide: a
  // field that takes input keeps its row's width, so that no edit narrows
  // it; one that only shows the price fits it.
  static double discountedPriceWidth(double textWidth, bool editable);
  // The leading integer of a text, within the range of a 32-bit int ("2.50"
  // gives 2, "-" and "abc" give 0).
  static int intValue(const std::string& text);
  // The leading decimal number of a text (0 when there is none).
  static double doubleValue(const std::string& text);
  // The text without its "," grouping.
  static std::string ungrouped(const std::string& text);
  // printf "%.2f".
  static std::string twoDecimals(double value);

 private:
  void fillTexts();
  void writeBack();
  std::string& textRef(Field field);
  template <class T>
  static auto& textOf(T& texts, Field field);

  std::shared_ptr<QuoteOrderItemEntity> item_;
  bool readOnly_ = false;
  bool couldModifyPrice_ = false;
  bool isNullPrice_ = false;
  Texts texts_;
  std::string editingFieldOldValue_;
  std::optional<Field> editingField_;
};

}  // namespace mv
