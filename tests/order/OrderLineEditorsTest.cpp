// The editors of order lines: the line row's arithmetic and field looks
// through its model, the row and the discount popover driven as a user
// drives them, and pictures of both for a person to look at.
#include <gtest/gtest.h>

#include "OrderScreenTest.hpp"
#include "order/DiscountPopController.hpp"
#include "order/QuoteOrderItemModel.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/PopoverController.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

using Field = QuoteOrderItemModel::Field;
using Result = QuoteOrderItemModel::EndResult;

std::shared_ptr<QuoteOrderItemEntity> line(double price, double finalPrice, int quantity,
                                           const std::string& currency = "USD") {
  auto l = std::make_shared<QuoteOrderItemEntity>();
  l->product.product_id = 7;
  l->product.product_name = "Oak chair";
  l->sku = "CH-7";
  l->attributes = "Colour:Red,Size:L";
  l->price = price;
  l->finalPrice = finalPrice;
  l->quantity = quantity;
  l->currency = currency;
  return l;
}

struct EditCase {
  const char* name;
  double listPrice;
  Field field;
  const char* entered;
  QuoteOrderItemModel::Texts texts;  // quantity, rate, discounted price
  int quantity;
  double discontRat;
  double finalPrice;
  Result result = Result::Applied;
};

TEST(QuoteOrderItemModelTest, EditsFollowTheLineArithmetic) {
  const EditCase cases[] = {
      {"rate 85 of 200", 200, Field::DiscountRat, "85", {"2", "85.00", "170.00"}, 2, 85, 170},
      {"rate above 100 is 100", 200, Field::DiscountRat, "150", {"2", "100.00", "200.00"}, 2, 100, 200},
      {"rate 0 charges nothing", 200, Field::DiscountRat, "0", {"2", "0.00", "0.00"}, 2, 0, 0},
      {"rate price in whole cents", 19.99, Field::DiscountRat, "30", {"2", "30.00", "6.00"}, 2, 30, 6.0},
      {"rate price text is ungrouped", 2000, Field::DiscountRat, "85", {"2", "85.00", "1700.00"}, 2, 85, 1700},
      {"price 150 of 200", 200, Field::DiscountPrice, "150", {"2", "75.00", "150.00"}, 2, 75, 150},
      {"price rounds its rate half away", 200, Field::DiscountPrice, "133.33", {"2", "67.00", "133.33"}, 2, 67,
       133.33},
      {"price above the list price", 200, Field::DiscountPrice, "250", {"2", "100.00", "200.00"}, 2, 100, 200},
      {"price 0", 200, Field::DiscountPrice, "0", {"2", "0.00", "0.00"}, 2, 0, 0},
      {"price on a list price of 0", 0, Field::DiscountPrice, "5", {"2", "100.00", "0.00"}, 2, 100, 0},
      {"price grouped when shown", 5000, Field::DiscountPrice, "1234.50", {"2", "25.00", "1,234.50"}, 2, 25, 1234.5},
      {"quantity grouped", 200, Field::Quantity, "1200", {"1,200", "90.00", "180.00"}, 1200, 90, 180},
      {"quantity 0 stays 0", 200, Field::Quantity, "0", {"0", "90.00", "180.00"}, 0, 90, 180},
      {"quantity drops its fraction", 200, Field::Quantity, "2.50", {"2", "90.00", "180.00"}, 2, 90, 180},
      {"quantity at the cap", 200, Field::Quantity, "1000000", {"1,000,000", "90.00", "180.00"}, 1000000, 90, 180},
      {"quantity above the cap", 200, Field::Quantity, "1000001", {"1,000,000", "90.00", "180.00"}, 1000000, 90, 180,
       Result::QuantityCapped},
      {"quantity beyond an int", 200, Field::Quantity, "99999999999", {"1,000,000", "90.00", "180.00"}, 1000000, 90,
       180, Result::QuantityCapped},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto l = line(c.listPrice, c.listPrice * 0.9, 2);
    QuoteOrderItemModel model;
    model.setItem(l);
    model.setCouldModifyPrice(true);
    model.beginEdit(c.field);
    EXPECT_EQ(model.endEdit(c.field, c.entered, true), c.result);
    EXPECT_EQ(model.texts(), c.texts);
    EXPECT_EQ(l->quantity, c.quantity);
    EXPECT_NEAR(l->discontRat(), c.discontRat, 1e-9);
    EXPECT_NEAR(l->finalPrice, c.finalPrice, 1e-9);
    EXPECT_NEAR(l->storedSubtotal(), c.finalPrice * c.quantity, 1e-6);
  }
}

TEST(QuoteOrderItemModelTest, FillShowsTheLineAndEditingHidesTheGrouping) {
  auto l = line(1500, 1275, 1200, "EUR");
  QuoteOrderItemModel model;
  model.setItem(l);
  EXPECT_EQ(model.texts(), (QuoteOrderItemModel::Texts{"1,200", "85.00", "1,275.00"}));
  EXPECT_EQ(model.listPriceText(), PublicFunction::flagWithCurrency("EUR") + "1,500.00");
  EXPECT_EQ(model.subtotalText(), PublicFunction::flagWithCurrency("EUR") + "1,530,000.00");
  EXPECT_EQ(model.currencyText(), PublicFunction::flagWithCurrency("EUR"));
  EXPECT_EQ(model.percentText(), "%");

  EXPECT_EQ(model.beginEdit(Field::Quantity), "1200");
  EXPECT_EQ(model.editingFieldOldValue(), "1,200");
  // A refused text brings the old one back and leaves the line alone.
  EXPECT_EQ(model.endEdit(Field::Quantity, "12a", false), Result::Restored);
  EXPECT_EQ(model.texts().quantity, "1,200");
  EXPECT_EQ(l->quantity, 1200);

  // The rate a line stores wins over the one its prices imply.
  l->setDiscontRat(33.333);
  model.setItem(l);
  EXPECT_EQ(model.texts().discountRat, "33.33");
}

TEST(QuoteOrderItemModelTest, ALineWithoutAPriceKeepsItsDashesThroughAQuantityEdit) {
  auto l = line(-1, -1, 2);
  QuoteOrderItemModel model;
  model.setItem(l);
  model.setCouldModifyPrice(true);
  model.setIsNullPrice(true);
  EXPECT_EQ(model.texts(), (QuoteOrderItemModel::Texts{"2", "-", "-"}));
  EXPECT_EQ(model.listPriceText(), "-");
  EXPECT_EQ(model.subtotalText(), "-");
  EXPECT_EQ(model.currencyText(), "");
  EXPECT_EQ(model.percentText(), "");

  model.beginEdit(Field::Quantity);
  EXPECT_EQ(model.endEdit(Field::Quantity, "5", true), Result::Applied);
  EXPECT_EQ(l->quantity, 5);
  // The dashes are no rate and no price.
  EXPECT_EQ(l->finalPrice, -1);
  EXPECT_EQ(l->discontRat(), -1);
  EXPECT_EQ(model.texts(), (QuoteOrderItemModel::Texts{"5", "-", "-"}));
  EXPECT_EQ(model.subtotalText(), "-");

  // Its price fields take nothing, even when something arrives.
  model.beginEdit(Field::DiscountPrice);
  EXPECT_EQ(model.endEdit(Field::DiscountPrice, "10", true), Result::Restored);
  EXPECT_EQ(l->finalPrice, -1);
  EXPECT_EQ(model.texts().discountPrice, "-");
}

TEST(QuoteOrderItemModelTest, WhichFieldsTakeInput) {
  using Look = QuoteOrderItemModel::FieldLook;
  const Look editable{true, true, 38, false};
  const Look locked{false, false, 40, false};
  const Look dash{false, false, 40, true};
  struct Case {
    bool readOnly, couldModifyPrice, nullPrice;
    Look quantity, price;
    bool priceEditable;
  };
  const Case cases[] = {
      {false, false, false, editable, locked, false}, {false, true, false, editable, editable, true},
      {true, false, false, locked, locked, false},    {true, true, false, locked, locked, false},
      {false, true, true, editable, dash, true},      {true, true, true, locked, dash, false},
      {false, false, true, editable, dash, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.readOnly << c.couldModifyPrice << c.nullPrice);
    QuoteOrderItemModel model;
    model.setItem(line(10, 10, 1));
    model.setReadOnly(c.readOnly);
    model.setCouldModifyPrice(c.couldModifyPrice);
    model.setIsNullPrice(c.nullPrice);
    EXPECT_EQ(model.quantityLook(), c.quantity);
    EXPECT_EQ(model.priceLook(), c.price);
    EXPECT_EQ(model.priceFieldsEditable(), c.priceEditable);
  }
}

TEST(QuoteOrderItemModelTest, TheDiscountedPriceFieldFitsItsTextOnlyWhileItTakesNoInput) {
  EXPECT_EQ(QuoteOrderItemModel::discountedPriceWidth(50, true), QuoteOrderItemModel::kPriceFieldWidth);
  EXPECT_EQ(QuoteOrderItemModel::discountedPriceWidth(50, false), 50);
  EXPECT_EQ(QuoteOrderItemModel::discountedPriceWidth(140, true), QuoteOrderItemModel::kPriceFieldWidth);
  EXPECT_EQ(QuoteOrderItemModel::discountedPriceWidth(140, false), 100);
}

TEST(QuoteOrderItemModelTest, NumbersAreReadAsTheTextsWriteThem) {
  EXPECT_EQ(QuoteOrderItemModel::intValue("2.50"), 2);
  EXPECT_EQ(QuoteOrderItemModel::intValue("-"), 0);
  EXPECT_EQ(QuoteOrderItemModel::intValue("abc"), 0);
  EXPECT_EQ(QuoteOrderItemModel::intValue(" 42x"), 42);
  EXPECT_EQ(QuoteOrderItemModel::intValue("99999999999"), 2147483647);
  EXPECT_EQ(QuoteOrderItemModel::intValue("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(QuoteOrderItemModel::doubleValue("12.5e1kg"), 125);
  EXPECT_EQ(QuoteOrderItemModel::ungrouped("1,234,567.00"), "1234567.00");
}

// --- the row and the popover on screen -------------------------------------------

class RowRecorder : public QuoteOrderItemDelegate {
 public:
  std::vector<long> images;
  int began = 0;
  int changed = 0;
  std::vector<std::string> quantityAtChange;
  void tapImage(long tag) override { images.push_back(tag); }
  void QuoteOrderItemCellBeginEdit(QuoteOrderItemsTableViewCell&) override { ++began; }
  void QuoteOrderItemCellChanged(QuoteOrderItemsTableViewCell& cell) override {
    ++changed;
    quantityAtChange.push_back(cell.quantityTextField().text());
  }
};

class LineRowTest : public OrderScreenTest {
 protected:
  std::shared_ptr<QuoteOrderItemsTableViewCell> row(std::shared_ptr<QuoteOrderItemEntity> l, double y = 0,
                                                    bool readOnly = false, bool couldModifyPrice = true) {
    auto cell = std::make_shared<QuoteOrderItemsTableViewCell>();
    cell->setFrame({0, y, 1024, QuoteOrderItemsTableViewCell::kRowHeight});
    cell->setDelegate(recorder);
    cell->setTag(6500);
    const bool nullPrice = l->price < 0;
    cell->setQuoteOrderItem(std::move(l), "");
    cell->setReadOnly(readOnly);
    cell->setCouldModifyPrice(couldModifyPrice);
    cell->setIsNullPrice(nullPrice);
    window().addSubview(cell);
    flush();
    return cell;
  }
  void edit(TZTextField& field, const std::string& typed) {
    ASSERT_TRUE(driver().tap(field));
    flush();
    field.pressKey(ui::Responder::EditingKey::End, false);
    while (!field.text().empty()) driver().pressBackspace();
    driver().typeText(typed);
    driver().pressReturn();
    flush();
  }

  std::shared_ptr<RowRecorder> recorder = std::make_shared<RowRecorder>();
};

TEST_F(LineRowTest, ShowsTheLineAndEditsItInPlace) {
  auto l = line(200, 180, 1200);
  auto cell = row(l);
  // The price field ends 10 points before the subtotal, the symbol before
  // it; no edit narrows or moves them.
  const ui::Rect before = cell->txtDiscountPrice().frame();
  EXPECT_DOUBLE_EQ(before.maxX(), cell->subTotalLabel().frame().x() - 10);
  EXPECT_DOUBLE_EQ(cell->lblDiscountCurrency().frame().maxX(), before.x());
  EXPECT_EQ(cell->nameLabel().text(), "Oak chair");
  EXPECT_EQ(cell->skuLabel().text(), "CH-7");
  EXPECT_EQ(cell->attributesLabel().text(), l->attributesShow());
  EXPECT_EQ(cell->priceLabel().text(), "$200.00");
  EXPECT_EQ(cell->txtDiscountRat().text(), "90.00");
  EXPECT_EQ(cell->txtDiscountPrice().text(), "180.00");
  EXPECT_EQ(cell->subTotalLabel().text(), "$216,000.00");

  // While edited the quantity shows no grouping; after it, it does again.
  ASSERT_TRUE(driver().tap(cell->quantityTextField()));
  flush();
  EXPECT_EQ(cell->quantityTextField().text(), "1200");
  EXPECT_EQ(recorder->began, 1);
  driver().pressReturn();
  flush();
  EXPECT_EQ(cell->quantityTextField().text(), "1,200");
  EXPECT_EQ(recorder->changed, 1);

  edit(cell->txtDiscountPrice(), "150");
  EXPECT_EQ(cell->txtDiscountRat().text(), "75.00");
  EXPECT_EQ(l->finalPrice, 150);
  EXPECT_EQ(cell->subTotalLabel().text(), "$180,000.00");
  const ui::Rect price = cell->txtDiscountPrice().frame();
  EXPECT_DOUBLE_EQ(price.x(), before.x());
  EXPECT_DOUBLE_EQ(price.width(), before.width());
  EXPECT_DOUBLE_EQ(cell->lblDiscountCurrency().frame().maxX(), price.x());

  driver().tap(cell->imageImageView());
  EXPECT_EQ(recorder->images, std::vector<long>{6500});
}

// Large quantities and amounts are drawn smaller in their places rather
// than cut: the text drawn is as wide as its room at most.
TEST_F(LineRowTest, LargeNumbersShowWholeInTheirFieldsAndLabels) {
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  auto cell = row(line(123456789.5, 123456789.5, 1000000));
  auto& m = gfx::TextMeasurer::current();
  EXPECT_EQ(cell->quantityTextField().text(), "1,000,000");
  for (TZTextField* field : {&cell->quantityTextField(), &cell->txtDiscountPrice()}) {
    SCOPED_TRACE(field->text());
    const ui::Rect room = field->textRectForBounds(field->bounds());
    EXPECT_LE(m.widthOf(field->displayText(), field->drawingFont()), room.width());
  }
  EXPECT_LT(cell->quantityTextField().drawingFont().pointSize(), cell->quantityTextField().font().pointSize());
  for (ui::Label* label : {&cell->priceLabel(), &cell->subTotalLabel()}) {
    SCOPED_TRACE(label->text());
    ASSERT_EQ(label->shownLines().size(), 1u);
    EXPECT_EQ(label->shownLines()[0], label->text());
  }
  // Typing keeps the caret at the end of what is drawn.
  ASSERT_TRUE(driver().tap(cell->quantityTextField()));
  flush();
  auto& field = cell->quantityTextField();
  EXPECT_EQ(field.text(), "1000000");
  const ui::Rect room = field.editingRectForBounds(field.bounds());
  EXPECT_LE(field.caretRect().maxX(), room.maxX() + 1);
  EXPECT_GE(field.caretRect().x(), room.x());
  driver().pressReturn();
  flush();
}

TEST_F(LineRowTest, RefusedTextComesBackAndTheEditorStillHears) {
  auto l = line(200, 180, 3);
  auto cell = row(l);
  edit(cell->txtDiscountRat(), "12.5");
  auto alert = driver().visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), TZTextField::kValidationAlertTag);
  EXPECT_EQ(cell->txtDiscountRat().text(), "90.00");
  EXPECT_EQ(l->finalPrice, 180);
  EXPECT_EQ(recorder->changed, 1);
  driver().pressAlertButton(0);
  advance(0.5);
  // The refused value is put right where it was typed: the field has the
  // focus again, and what is typed next goes into it.
  ASSERT_TRUE(cell->txtDiscountRat().isFirstResponder());
  cell->txtDiscountRat().pressKey(ui::Responder::EditingKey::End, false);
  while (!cell->txtDiscountRat().text().empty()) driver().pressBackspace();
  driver().typeText("75");
  driver().pressReturn();
  flush();
  EXPECT_EQ(cell->txtDiscountRat().text(), "75.00");
  EXPECT_EQ(recorder->changed, 2);

  // Emptied is refused too.
  edit(cell->quantityTextField(), "");
  EXPECT_EQ(cell->quantityTextField().text(), "3");
  EXPECT_EQ(l->quantity, 3);
  EXPECT_EQ(recorder->changed, 3);
}

TEST_F(LineRowTest, AQuantityAboveTheCapIsCutAndSaidSo) {
  auto l = line(200, 180, 3);
  auto cell = row(l);
  edit(cell->quantityTextField(), "2000000");
  EXPECT_EQ(l->quantity, QuoteOrderItemModel::kMaxQuantity);
  EXPECT_EQ(cell->quantityTextField().text(), "1,000,000");
  auto alert = driver().visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), txt("QUANTITYTOOLARGE"));
  EXPECT_EQ(alert->message(), txt("ORDEROVERMAX"));

  // Quantity 0 is the editor's to ask about: it goes into the line.
  driver().pressAlertButton(0);
  advance(0.5);
  edit(cell->quantityTextField(), "0");
  EXPECT_EQ(l->quantity, 0);
  EXPECT_EQ(recorder->quantityAtChange.back(), "0");
}

TEST_F(LineRowTest, ReadOnlyAndPricelessRowsTakeNoPriceInput) {
  auto cell = row(line(200, 180, 3), 0, true, true);
  EXPECT_FALSE(cell->quantityTextField().isEnabled());
  EXPECT_FALSE(cell->txtDiscountRat().isEnabled());
  EXPECT_FALSE(cell->txtDiscountPrice().isEnabled());
  EXPECT_EQ(cell->txtDiscountPrice().borderStyle(), ui::TextBorderStyle::None);

  auto dash = row(line(-1, -1, 3), 100);
  EXPECT_TRUE(dash->quantityTextField().isEnabled());
  EXPECT_FALSE(dash->txtDiscountRat().isEnabled());
  EXPECT_EQ(dash->priceLabel().text(), "-");
  EXPECT_EQ(dash->txtDiscountPrice().text(), "-");
  EXPECT_EQ(dash->priceLabel().textAlignment(), gfx::TextAlignment::Center);

  // A reused row shows its next line fully again.
  dash->prepareForReuse();
  dash->setQuoteOrderItem(line(50, 50, 1), "");
  dash->setReadOnly(false);
  dash->setCouldModifyPrice(true);
  dash->setIsNullPrice(false);
  EXPECT_TRUE(dash->txtDiscountRat().isEnabled());
  EXPECT_EQ(dash->percentLabel().text(), "%");
  EXPECT_EQ(dash->priceLabel().text(), "$50.00");
}

TEST_F(LineRowTest, PictureOfRows) {
  window().setBackgroundColor(gfx::Color::white());
  auto a = line(1280, 1088, 12);
  a->attributes = "Colour:Walnut,Size:Large,Finish:Matt";
  row(a, 20);
  auto b = line(-1, -1, 2);
  b->product.product_name = "Sample kit (no price)";
  b->sku = "KIT-1";
  b->attributes = "";
  row(b, 130);
  auto c = line(45.5, 45.5, 1);
  c->product.product_name = "Cushion";
  row(c, 240, true);
  auto edited = row(line(200, 180, 5), 350);
  edit(edited->txtDiscountRat(), "85");
  base::WorkQueue::global().waitIdle();
  snapshot("order-line-rows");
}

class DiscountRecorder : public DiscountPopControllerDelegate {
 public:
  std::vector<double> rates;
  int willEnd = 0;
  void discountRatChanged(double rate) override { rates.push_back(rate); }
  void discountWillEndInput() override { ++willEnd; }
};

class DiscountPopoverTest : public OrderScreenTest {
 protected:
  void SetUp() override {
    OrderScreenTest::SetUp();
    pop = std::make_shared<DiscountPopController>();
    pop->setDelegate(recorder);
    anchor = std::make_shared<ui::Button>(ui::Rect{280, 300, 40, 40});
    window().addSubview(anchor);
    popover = std::make_shared<ui::PopoverController>(pop);
    popover->presentPopoverFromRect(anchor->bounds(), anchor.get(), ui::PopoverArrowDirectionAny, false);
    flush();
  }
  void type(const std::string& text) {
    TZTextField& field = *pop->txtDiscountRat();
    ASSERT_TRUE(driver().tap(field));
    // From the end, wherever the tap put the caret in a field still being edited.
    field.pressKey(ui::Responder::EditingKey::End, false);
    while (!field.text().empty()) driver().pressBackspace();
    driver().typeText(text);
    driver().pressReturn();
    flush();
  }

  std::shared_ptr<DiscountRecorder> recorder = std::make_shared<DiscountRecorder>();
  std::shared_ptr<DiscountPopController> pop;
  std::shared_ptr<ui::Button> anchor;
  std::shared_ptr<ui::PopoverController> popover;
};

TEST_F(DiscountPopoverTest, ReportsValidRatesAndKeepsRefusedOnesOut) {
  EXPECT_EQ(popover->popoverContentSize(), (ui::Size{125, 50}));
  type("50");
  EXPECT_EQ(pop->txtDiscountRat()->text(), "50.00");
  EXPECT_EQ(recorder->rates, std::vector<double>{50});
  EXPECT_EQ(recorder->willEnd, 1);

  type("1250");
  EXPECT_EQ(pop->txtDiscountRat()->text(), "1,250.00");
  EXPECT_EQ(recorder->rates.back(), 1250);

  // Editing shows the number without grouping.
  ASSERT_TRUE(driver().tap(*pop->txtDiscountRat()));
  EXPECT_EQ(pop->txtDiscountRat()->text(), "1250.00");
  driver().pressReturn();
  flush();
  EXPECT_EQ(recorder->rates.size(), 3u);

  // One decimal, or no number at all: the alert, nothing reported, the
  // earlier text back.
  for (const char* bad : {"12.5", "abc"}) {
    type(bad);
    ASSERT_TRUE(driver().visibleAlert()) << bad;
    EXPECT_EQ(driver().visibleAlert()->tag(), TZTextField::kValidationAlertTag);
    EXPECT_EQ(pop->txtDiscountRat()->text(), "1,250.00") << bad;
    EXPECT_EQ(recorder->rates.size(), 3u) << bad;
    driver().pressAlertButton(0);
    advance(0.5);
  }
}

TEST_F(DiscountPopoverTest, Picture) {
  pop->txtDiscountRat()->setText("85.00");
  flush();
  snapshot("order-discount-popover");
}

}  // namespace
}  // namespace mv::test
