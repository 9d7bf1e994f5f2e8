#pragma once
#include <string>
#include <vector>

#include "store/Entities.hpp"

namespace mv {

// One line of a quote order. Money is in the line's currency.
class QuoteOrderItemEntity {
 public:
  // The largest quantity a line takes.
  static constexpr int kMaxQuantity = 1000000;

  int serial = 0;   // line id; negative while only local, 0 until saved
  int orderID = 0;  // the order's id
  marvisto_product_Entity product;
  std::string sku;
  std::string name;
  // Chosen attributes: "name:value" pairs joined by ",".
  std::string attributes;
  int quantity = 0;
  double price = 0;       // unit list price; below 0 = the product has no price
  double finalPrice = 0;  // unit price charged
  std::string currency;
  std::string cdate;  // "MM/dd/yyyy HH:mm:ss"
  std::string mdate;
  // Stored beside the line.
  std::string customerInfoId;
  int vendorId = 0;
  int status = 0;

  // finalPrice x quantity in cents (decimal, half away from zero), computed
  // on each call.
  double subtotal() const;
  // The value kept in the stored subtotal column.
  double storedSubtotal() const { return subtotal_; }
  void setSubtotal(double value) { subtotal_ = value; }

  // -1 without a price; the stored rate when not 0; else the charged share of
  // the list price in percent (0 when the list price is 0).
  double discontRat() const;
  double storedDiscontRat() const { return discontRat_; }
  void setDiscontRat(double value) { discontRat_ = value; }

  // The attribute text one pair per line.
  std::string attributesShow() const;
  // The pairs as cells (fieldName, attributeValue), in text order; a piece
  // that is not one name and one value is left out.
  std::vector<product_attribute_cell_Entity> attributesArray() const;

  // Currency symbol and money text; "-" without a price (or, for the final
  // price, when it is below 0).
  std::string strPrice() const;
  std::string strFinalPrice() const;
  // Currency symbol and subtotal; "-" when it is below 0.
  std::string strSubtotal() const;

 private:
  double subtotal_ = 0;
  double discontRat_ = 0;
};

}  // namespace mv
