#pragma once
// What the order editor hears from a row of its line table. Every operation
// is optional.
namespace mv {

class QuoteOrderItemsTableViewCell;

class QuoteOrderItemDelegate {
 public:
  virtual ~QuoteOrderItemDelegate() = default;
  // The product picture of the row with that tag was tapped.
  virtual void tapImage(long /*tag*/) {}
  // Kept for the product screen's view-only opening; no row sends it.
  virtual void tapSKU(long /*tag*/) {}
  // A field of the row began to be edited.
  virtual void QuoteOrderItemCellBeginEdit(QuoteOrderItemsTableViewCell& /*cell*/) {}
  // A field of the row ended its edit (also when its text was refused).
  virtual void QuoteOrderItemCellChanged(QuoteOrderItemsTableViewCell& /*cell*/) {}
};

}  // namespace mv
