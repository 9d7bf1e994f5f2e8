// The add-to-order popover: its checks in their order, the count buttons,
// and the hand-over to the catalogue's delegate.
#include <gtest/gtest.h>

#include "OrderScreenTest.hpp"
#include "order/AddToOrderController.hpp"
#include "order/QuoteOrderBasket.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/PopoverController.hpp"
#include "shell/frame/UIToast.hpp"

namespace mv::test {
namespace {

using Verdict = AddToOrderController::Verdict;

TEST(AddToOrderCheckTest, ChecksComeInTheirOrder) {
  struct Case {
    bool chosen;
    const char* count;
    Verdict verdict;
    int handed;
  };
  const Case cases[] = {
      {false, "abc", Verdict::ChooseAttribute, 0}, {true, "abc", Verdict::InvalidInput, 0},
      {true, "", Verdict::InvalidInput, 0},        {true, "0", Verdict::InvalidInput, 0},
      {true, "0.50", Verdict::InvalidInput, 0},    {true, "2.5", Verdict::InvalidInput, 0},
      {true, "2.50", Verdict::Add, 2},             {true, "1", Verdict::Add, 1},
      {true, "1000000", Verdict::Add, 1000000},    {true, "1000001", Verdict::TooLarge, 1000000},
      {true, "99999999999", Verdict::TooLarge, 1000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    const auto check = AddToOrderController::check(c.chosen, c.count);
    EXPECT_EQ(check.verdict, c.verdict);
    EXPECT_EQ(check.count, c.handed);
  }
  EXPECT_EQ(AddToOrderController::deleteCount("1"), "1");
  EXPECT_EQ(AddToOrderController::deleteCount("5"), "4");
  EXPECT_EQ(AddToOrderController::addCount("999999"), "1000000");
  EXPECT_EQ(AddToOrderController::addCount("1000000"), "1000001");
}

class Receiver : public AddToOrderControllerDelegate {
 public:
  std::vector<std::pair<marvisto_product_Entity, std::size_t>> received;
  void addProductToOrderWithProduct(const marvisto_product_Entity& product, std::size_t cellIndex) override {
    received.emplace_back(product, cellIndex);
  }
};

class AddToOrderScreenTest : public OrderScreenTest {
 protected:
  void attribute(int productId, int fieldId, const std::string& name, const std::string& options) {
    sql("INSERT INTO marvisto_fields_product_attribute (field_id, field_name, published, display) "
        "VALUES (" + std::to_string(fieldId) + ", '" + name + "', 1, 1)");
    sql("INSERT INTO marvisto_product_attribute (product_id, attribute_fields_id, attribute_value) "
        "VALUES (" + std::to_string(productId) + ", " +
        std::to_string(fieldId) + ", '" + options + "')");
  }
  void show(int productId) {
    controller = std::make_shared<AddToOrderController>(services->databaseHandle());
    marvisto_product_Entity p = product(productId, 0);
    controller->setProduct_Entity(p);
    controller->setCellIndex(4);
    controller->setDelegate(receiver);
    anchor = std::make_shared<ui::View>(ui::Rect{300, 300, 200, 150});
    window().addSubview(anchor);
    popover = std::make_shared<ui::PopoverController>(controller);
    popover->presentPopoverFromRect(anchor->bounds(), anchor.get(), ui::PopoverArrowDirectionAny, false);
    flush();
  }
  std::shared_ptr<Receiver> receiver = std::make_shared<Receiver>();
  std::shared_ptr<AddToOrderController> controller;
  std::shared_ptr<ui::View> anchor;
  std::shared_ptr<ui::PopoverController> popover;
};

TEST_F(AddToOrderScreenTest, AProductWithoutAttributesGoesWithItsCount) {
  show(3);
  EXPECT_EQ(popover->popoverContentSize(), (ui::Size{400, 250}));
  driver().tap(controller->plusButton());
  driver().tap(controller->plusButton());
  driver().tap(controller->minusButton());
  EXPECT_EQ(controller->countField().text(), "2");
  {
    // The largest quantity shows whole in the narrow field.
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    auto& field = controller->countField();
    field.setText("1000000");
    EXPECT_LE(gfx::TextMeasurer::current().widthOf(field.text(), field.drawingFont()),
              field.textRectForBounds(field.bounds()).width());
    field.setText("2");
  }
  driver().tap(controller->okButton());
  ASSERT_EQ(receiver->received.size(), 1u);
  EXPECT_EQ(receiver->received[0].first.count, 2);
  EXPECT_EQ(receiver->received[0].first.attributes, "");
  EXPECT_EQ(receiver->received[0].second, 4u);
  // The panel stays; the catalogue closes it.
  EXPECT_TRUE(popover->isPopoverVisible());
}

TEST_F(AddToOrderScreenTest, UnchosenAttributesAndBadCountsHandNothingOver) {
  attribute(5, 1, "Colour", "Red,Blue");
  attribute(5, 2, "Size", "S,M");
  show(5);
  snapshot("order-add-to-order-popover");
  // The toast stays a moment only while animations run.
  ui::View::setAnimationsEnabled(true);
  driver().tap(controller->okButton());
  EXPECT_TRUE(receiver->received.empty());
  bool toast = false;
  for (const auto& w : ui::Application::sharedInstance().windows())
    for (auto* t : driver().findAllOf<UIToast>(w.get(), false)) toast = toast || t->text() == txt("CHOOSEATTRIBUTE");
  EXPECT_TRUE(toast);
  ui::View::setAnimationsEnabled(false);

  controller->countField().setText("1000001");
  for (const auto& a : controller->attributeList().attributeAry()) a->attributeValue = a->fieldName == "Colour" ? "Red" : "M";
  controller->addToOrderOKButtonClicked();
  EXPECT_TRUE(receiver->received.empty());
  EXPECT_EQ(controller->countField().text(), "1000000");
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("QUANTITYTOOLARGE"));
  driver().pressAlertButton(0);
  advance(1);

  controller->countField().setText("0");
  controller->addToOrderOKButtonClicked();
  ASSERT_TRUE(driver().visibleAlert());
  EXPECT_EQ(driver().visibleAlert()->title(), txt("INVALIDINPUT"));
  driver().pressAlertButton(0);
  advance(1);

  controller->countField().setText("3");
  controller->addToOrderOKButtonClicked();
  ASSERT_EQ(receiver->received.size(), 1u);
  EXPECT_EQ(receiver->received[0].first.attributes, "Colour:Red,Size:M");
  EXPECT_EQ(receiver->received[0].first.count, 3);
}

TEST_F(AddToOrderScreenTest, UnfoldedOptionsLieOverTheCountAndStayInsideThePanel) {
  attribute(5, 1, "Colour", "Red,Blue,Green,Black,White,Grey,Brown");
  show(5);
  auto& picker = controller->attributeList();
  ASSERT_TRUE(driver().tap(*picker.leftNameTableView().cellForRowAtIndexPath({0, 0})));
  advance(1);
  auto& options = picker.rightValueTableView();
  const ui::View& panel = *controller->view();
  const ui::Rect list = options.convertRectToView(options.bounds(), &panel);
  EXPECT_LE(list.maxY(), panel.bounds().height());
  EXPECT_GE(list.y(), 0);
  // The fifth option runs under the Add button: the part they share goes to the option.
  auto* fifth = options.cellForRowAtIndexPath({0, 4});
  ASSERT_TRUE(fifth);
  const ui::Rect row = fifth->convertRectToView(fifth->bounds(), nullptr);
  const ui::Rect add = controller->okButton().convertRectToView(controller->okButton().bounds(), nullptr);
  const ui::Rect shared = row.intersection(add);
  ASSERT_FALSE(shared.isEmpty());
  snapshot("order-add-to-order-options");
  ASSERT_TRUE(driver().tapAt({shared.midX(), shared.midY()}));
  advance(1);
  EXPECT_EQ(picker.attributes(), "Colour:White");
  EXPECT_TRUE(receiver->received.empty());
  EXPECT_EQ(picker.openIndex(), ProductAttributesListView::kNoneOpen);
}

TEST_F(AddToOrderScreenTest, TheCatalogueGetsThePanelFromTheOrders) {
  QuoteOrderBasket basket(*services);
  auto made = basket.makeAddToOrderController(product(3, 1), 7, receiver);
  auto panel = std::dynamic_pointer_cast<AddToOrderController>(made);
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->cellIndex(), 7u);
  EXPECT_EQ(panel->product_Entity().product_id, 3);
}

}  // namespace
}  // namespace mv::test
