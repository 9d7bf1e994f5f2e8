#include "StoreTestSupport.hpp"
#include "platform/base/Date.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

class EntityTest : public StoreTest {};

std::shared_ptr<QuoteOrderItemEntity> item(int qty, double price, double finalPrice, const std::string& currency = "EUR") {
  auto l = std::make_shared<QuoteOrderItemEntity>();
  l->quantity = qty;
  l->price = price;
  l->finalPrice = finalPrice;
  l->currency = currency;
  return l;
}

TEST_F(EntityTest, OrderTotalsDiscountAndTexts) {
  QuoteOrderEntity o(Session::current());
  EXPECT_TRUE(o.unsaved);
  EXPECT_FALSE(o.isInEdit);
  EXPECT_FALSE(o.isUploaded());
  EXPECT_DOUBLE_EQ(o.storedDiscount(), -1.0);
  EXPECT_DOUBLE_EQ(o.discountRat, 100);
  EXPECT_EQ(o.ipAddress, "DEVICE-1");
  EXPECT_EQ(o.number, "rep_1_" + PublicFunction::stringFromDate(base::Date::now(), "yyMMddHHmmss"));
  EXPECT_EQ(o.cdate, PublicFunction::stringFromDate(base::Date::now(), "MM/dd/yyyy HH:mm:ss"));
  EXPECT_FALSE(o.hasItems());
  EXPECT_EQ(o.newItemIndex(), 1);

  o.currency = "EUR";
  o.items = {item(2, 10, 8), item(3, -1, -1), item(1, 1000, 999.995)};
  o.items[0]->serial = 4;
  o.items[1]->serial = -7;
  EXPECT_EQ(o.newItemIndex(), 5);
  EXPECT_DOUBLE_EQ(o.total(), 16 + 1000);              // in cents; the line without a price adds nothing
  EXPECT_DOUBLE_EQ(o.originalTotal(), 20 + 1000);
  EXPECT_DOUBLE_EQ(o.discount(), o.total());           // rate 100: nothing off
  o.discountRat = 50;
  EXPECT_DOUBLE_EQ(o.discount(), o.total() / 2);
  o.setDiscount(0);                                    // a fixed amount, even 0
  EXPECT_DOUBLE_EQ(o.discount(), 0);
  const std::string eur = PublicFunction::flagWithCurrency("EUR");
  EXPECT_EQ(o.strOriginalTotal(), eur + "1,020.00");
  EXPECT_EQ(o.strTotal(), eur + "1,016.00");
  EXPECT_EQ(o.strDiscount(), eur + "0.00");
  o.setDiscount(-5);
  EXPECT_EQ(o.strDiscount(), "-");

  o.setCustomerNote(" \t ");
  EXPECT_EQ(o.customerNote(), "");
  o.setCustomerNote(" call ");
  EXPECT_EQ(o.customerNote(), " call ");

  o.mdate = "01/02/2014 15:04:05";
  EXPECT_EQ(o.mdateShow(), "15:04 01/02/14");
  EXPECT_EQ(o.mdateShow("yy/MM/dd"), "15:04 14/01/02");
  o.mdate = "2013-12-31 23:59:59";  // the service's form
  EXPECT_EQ(o.mdateShow(), "23:59 12/31/13");
  o.mdate = "31.12.2013";
  EXPECT_EQ(o.mdateShow(), "");

  // After a line change the discount follows the rate again; only an order
  // without a total goes back to full price, so a chosen rate of 0 stays.
  QuoteOrderEntity r(Session::current());
  r.items = {item(1, 10, 10)};
  r.discountRat = 0;
  r.setDiscount(3);
  r.resetDiscountAfterLineChange();
  EXPECT_DOUBLE_EQ(r.storedDiscount(), -1);
  EXPECT_DOUBLE_EQ(r.discountRat, 0);
  EXPECT_DOUBLE_EQ(r.discount(), 0);
  r.items = {item(1, -1, -1)};
  r.resetDiscountAfterLineChange();
  EXPECT_DOUBLE_EQ(r.discountRat, 100);

  advance(5);
  auto copy = o.duplicateOrder(Session::current());
  EXPECT_EQ(copy->serial, 0);
  EXPECT_NE(copy->cdate, "");
  EXPECT_EQ(copy->currency, "EUR");
  EXPECT_DOUBLE_EQ(copy->storedDiscount(), -5);
  ASSERT_EQ(copy->items.size(), 3u);
  EXPECT_NE(copy->items[0], o.items[0]);  // copies, not the same lines
  EXPECT_EQ(copy->items[0]->serial, 0);
  EXPECT_DOUBLE_EQ(copy->items[0]->storedSubtotal(), 16);
  EXPECT_EQ(copy->items[0]->cdate, copy->cdate);
  EXPECT_EQ(copy->customerNote(), " call ");
  EXPECT_NE(copy->number, o.number);  // five seconds later
}

// Line amounts, totals and the derived discount are computed in decimal and
// rounded to cents, as a person writes them by hand.
TEST_F(EntityTest, AmountsRoundToCentsInDecimal) {
  const std::string eur = PublicFunction::flagWithCurrency("EUR");
  auto line = item(7, 1.01, 1.005);
  EXPECT_DOUBLE_EQ(line->subtotal(), 7.04);
  EXPECT_EQ(line->strSubtotal(), eur + "7.04");
  QuoteOrderEntity o(Session::current());
  o.currency = "EUR";
  // Each line is rounded before the sum: 7.04 + 0.01 + 0.01, list 7.07 + 0.01 + 0.01.
  o.items = {line, item(1, 0.005, 0.005), item(1, 0.005, 0.005)};
  EXPECT_EQ(o.strTotal(), eur + "7.06");
  EXPECT_EQ(o.strOriginalTotal(), eur + "7.09");
  o.discountRat = 50;  // 3.53: the half cent of 3.525 goes up
  EXPECT_DOUBLE_EQ(o.discount(), 3.53);
  EXPECT_EQ(o.strDiscount(), eur + "3.53");
}

TEST_F(EntityTest, LineRateAndTextsIncludingTheNoPriceCases) {
  auto l = item(3, 20, 15);
  EXPECT_DOUBLE_EQ(l->subtotal(), 45);
  EXPECT_DOUBLE_EQ(l->discontRat(), 75);
  l->setDiscontRat(60);
  EXPECT_DOUBLE_EQ(l->discontRat(), 60);
  const std::string eur = PublicFunction::flagWithCurrency("EUR");
  EXPECT_EQ(l->strPrice(), eur + "20.00");
  EXPECT_EQ(l->strFinalPrice(), eur + "15.00");
  EXPECT_EQ(l->strSubtotal(), eur + "45.00");

  auto none = item(2, -1, 4);
  EXPECT_DOUBLE_EQ(none->discontRat(), -1);
  EXPECT_EQ(none->strPrice(), "-");
  EXPECT_EQ(none->strFinalPrice(), "-");
  EXPECT_EQ(none->strSubtotal(), eur + "8.00");
  auto free = item(2, 0, 0);
  EXPECT_DOUBLE_EQ(free->discontRat(), 0);
  auto negative = item(2, 5, -1);
  EXPECT_EQ(negative->strSubtotal(), "-");
  EXPECT_EQ(negative->strFinalPrice(), "-");
  EXPECT_EQ(negative->strPrice(), eur + "5.00");

  l->attributes = "Size:M,Color:Dark red,Bad";
  EXPECT_EQ(l->attributesShow(), "Size:M\nColor:Dark red\nBad");
  // A piece without its colon is no pair.
  auto cells = l->attributesArray();
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[1].fieldName, "Color");
  EXPECT_EQ(cells[1].attributeValue, "Dark red");
  l->attributes = "";
  EXPECT_TRUE(l->attributesArray().empty());
}

TEST_F(EntityTest, PriceLibraryAndGroupRecords) {
  marvisto_product_price_Entity p;
  p.price = 1234.5;
  p.discount_price = -1;
  p.currency = "GBP";
  const std::string gbp = PublicFunction::flagWithCurrency("GBP");
  EXPECT_EQ(p.strPrice(), gbp + "1,234.50");
  EXPECT_EQ(p.strDiscountPrice(), "");
  EXPECT_FALSE(p.isHidden());
  p.price = -0.01;
  EXPECT_EQ(p.strPrice(), "");
  EXPECT_TRUE(p.isHidden());

  marvisto_library_files_Entity f;
  f.info = "PDF/1.2 M,12:30";
  EXPECT_EQ(f.infoShow(), "PDF/1.2 M");
  EXPECT_EQ(f.duration(), "12:30");
  f.info = "MP4/3 M,5";
  EXPECT_EQ(f.duration(), "");
  f.info = "PDF/2 M";
  EXPECT_EQ(f.infoShow(), "PDF/2 M");
  EXPECT_EQ(f.duration(), "");

  marvisto_customer_group_Entity g;
  EXPECT_EQ(g.groupName, "");
  g.addAttributeVaue(std::nullopt, "City");
  g.addAttributeVaue(std::string("Oslo"), "Town");
  ASSERT_EQ(g.customerAttributes.size(), 2u);
  EXPECT_EQ(g.customerAttributes[0].attributeValue, "");
  EXPECT_EQ(g.customerAttributes[1].fieldName, "Town");
}

}  // namespace
}  // namespace mv::test
