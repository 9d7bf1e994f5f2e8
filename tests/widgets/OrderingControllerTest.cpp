#include <gtest/gtest.h>

#include "UiTestEnvironment.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "widgets/OrderingController.hpp"

using namespace mv;

namespace {

class OrderingControllerTest : public test::WidgetTestEnvironment {
 protected:
  void SetUp() override {
    WidgetTestEnvironment::SetUp();
    texts = {{"BYNAME", "Name"}, {"BYPRICE", "Price"}, {"BYDATE", "Date"}};
  }
};

struct Owner : OrderingControllerDelegate {
  std::vector<std::size_t> chosen;
  void orderingDidSelected(OrderingController&, std::size_t index) override { chosen.push_back(index); }
};

struct Screen {
  ui::HeadlessDriver driver;
  std::shared_ptr<ui::View> host = std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 768});
  std::shared_ptr<Owner> owner = std::make_shared<Owner>();
  std::shared_ptr<OrderingController> controller;
  explicit Screen(std::vector<std::string> keys) {
    driver.window().addSubview(host);
    controller = OrderingController::initWithOrderButtonFrame({700, 20, 120, 34}, std::move(keys), owner, host);
    host->addSubview(controller->orderingButton());
    driver.flush();
  }
  ui::TableView& list() { return *controller->orderingTableViewController()->tableView(); }
  bool shown() { return controller->orderingPopoverController()->isPopoverVisible(); }
  void open() {
    driver.tap(*controller->orderingButton());
    driver.advance(0.5);
  }
  ui::TableViewCell* cell(long row) { return list().cellForRowAtIndexPath({0, row}); }
};

bool marked(ui::TableViewCell* cell) {
  return cell && cell->accessoryType() == ui::TableViewCellAccessoryType::Checkmark &&
         cell->textLabel().textColor() == OrderingTableViewController::currentRowColor();
}

bool plain(ui::TableViewCell* cell) {
  return cell && cell->accessoryType() == ui::TableViewCellAccessoryType::None &&
         cell->textLabel().textColor() == gfx::Color::darkGray();
}

}  // namespace

TEST_F(OrderingControllerTest, ChoosingOrderings) {
  Screen s({"BYNAME", "BYPRICE", "BYDATE"});
  auto& button = *s.controller->orderingButton();
  EXPECT_EQ(button.frame(), (ui::Rect{700, 20, 120, 34}));
  EXPECT_EQ(button.titleForState(ui::ControlStateNormal), "Name");
  EXPECT_FALSE(button.adjustsImageWhenHighlighted());
  EXPECT_TRUE(button.backgroundImageForState(ui::ControlStateNormal));
  EXPECT_EQ(s.controller->orderingPopoverController()->popoverContentSize(), (ui::Size{140, 3 * 44}));
  EXPECT_EQ(s.list().contentInset().top, 1);
  EXPECT_FALSE(s.list().isScrollEnabled());

  s.open();
  ASSERT_TRUE(s.shown());
  ASSERT_EQ(s.list().numberOfRowsInSection(0), 3);
  EXPECT_TRUE(marked(s.cell(0)));
  EXPECT_TRUE(plain(s.cell(1)));
  EXPECT_EQ(s.cell(2)->textLabel().text(), "Date");
  EXPECT_EQ(s.cell(2)->textLabel().font(), gfx::Font::boldSystemFont(15));
  EXPECT_EQ(s.cell(2)->reuseIdentifier(), "OrderingTableViewCell");

  // The current row: the owner is told all the same, the popover closes.
  ASSERT_TRUE(s.list().tapRowAtIndexPath({0, 0}));
  s.driver.advance(0.5);
  EXPECT_FALSE(s.shown());
  EXPECT_EQ(s.owner->chosen, (std::vector<std::size_t>{0}));
  EXPECT_EQ(s.controller->getTableCurrentOrderingIndex(), 0u);
  EXPECT_FALSE(s.list().indexPathForSelectedRow().has_value());

  // Another row: marked, the owner told once, the button retitled, closed.
  s.open();
  ASSERT_TRUE(s.list().tapRowAtIndexPath({0, 2}));
  EXPECT_EQ(s.owner->chosen, (std::vector<std::size_t>{0, 2}));
  EXPECT_EQ(button.titleForState(ui::ControlStateNormal), "Date");
  EXPECT_EQ(s.controller->getTableCurrentOrderingIndex(), 2u);
  EXPECT_TRUE(marked(s.cell(2)));
  EXPECT_TRUE(plain(s.cell(0)));
  s.driver.advance(0.5);
  EXPECT_FALSE(s.shown());

  // Set in code: refused past the end, shown on the next opening.
  s.controller->setTableCurrentOrderingIndex(3);
  EXPECT_EQ(s.controller->getTableCurrentOrderingIndex(), 2u);
  s.controller->setTableCurrentOrderingIndex(1);
  EXPECT_EQ(button.titleForState(ui::ControlStateNormal), "Price");
  s.open();
  EXPECT_TRUE(marked(s.cell(1)));
  EXPECT_TRUE(plain(s.cell(2)));

  // A language change: button and rows in the new texts.
  texts["BYPRICE"] = "价格";
  texts["BYNAME"] = "名称";
  s.controller->updateLanguage();
  s.driver.flush();
  EXPECT_EQ(button.titleForState(ui::ControlStateNormal), "价格");
  EXPECT_EQ(s.cell(0)->textLabel().text(), "名称");
  s.controller->orderingPopoverController()->dismissPopoverAnimated(false);

  // A shorter list moves the current index to its last entry.
  s.controller->setTableCurrentOrderingIndex(2);
  s.controller->setTableOrderingsArray({"BYNAME", "BYPRICE"});
  EXPECT_EQ(s.controller->getTableCurrentOrderingIndex(), 1u);
  EXPECT_EQ(button.titleForState(ui::ControlStateNormal), "价格");
  EXPECT_EQ(s.controller->orderingPopoverController()->popoverContentSize().height, 2 * 44);
}

TEST_F(OrderingControllerTest, EmptyListsNeverCrash) {
  Screen s({});
  EXPECT_EQ(s.controller->orderingButton()->titleForState(ui::ControlStateNormal).value_or(""), "");
  EXPECT_EQ(s.controller->getTableCurrentOrderingIndex(), 0u);
  s.open();
  EXPECT_EQ(s.list().numberOfRowsInSection(0), 0);
  EXPECT_FALSE(s.list().tapRowAtIndexPath({0, 0}));
  // A stray selection report past the list does nothing.
  s.controller->orderingTableViewController()->tableViewDidSelectRowAtIndexPath(s.list(), {0, 0});
  s.controller->orderingDidSelected(0);
  EXPECT_TRUE(s.owner->chosen.empty());
  s.controller->setTableCurrentOrderingIndex(0);
  EXPECT_EQ(s.controller->getTableCurrentOrderingIndex(), 0u);

  // Emptied after use.
  Screen t({"BYNAME", "BYPRICE"});
  t.controller->setTableCurrentOrderingIndex(1);
  t.controller->setTableOrderingsArray({});
  EXPECT_EQ(t.controller->getTableCurrentOrderingIndex(), 0u);
  EXPECT_EQ(t.controller->orderingButton()->titleForState(ui::ControlStateNormal).value_or(""), "");
  t.controller->updateLanguage();
  t.open();
  EXPECT_EQ(t.list().numberOfRowsInSection(0), 0);

  // The owner gone: choosing still works, nobody is called.
  Screen u({"BYNAME", "BYPRICE"});
  u.owner.reset();
  u.open();
  EXPECT_TRUE(u.list().tapRowAtIndexPath({0, 1}));
  EXPECT_EQ(u.controller->getTableCurrentOrderingIndex(), 1u);
}
