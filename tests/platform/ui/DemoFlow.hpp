#pragma once
// One small application assembled from the toolkit's controllers — a tab bar
// controller holding a navigation controller over a table screen — and a
// walk through it that checks every life-cycle call. The walk only taps,
// types and lets time pass, so it runs the same headless and in a desktop
// window.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/Keyboard.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/PopoverController.hpp"
#include "platform/ui/TabBarController.hpp"
#include "platform/ui/TableViewController.hpp"
#include "platform/ui/TextField.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"

namespace mv::test {

// What the walk does with the screen, whatever stands behind it.
class FlowInput {
 public:
  virtual ~FlowInput() = default;
  virtual void tap(ui::Point p) = 0;
  virtual void type(const std::string& text) = 0;
  virtual void pressReturn() = 0;
  virtual void advance(double seconds) = 0;
};

using FlowLog = std::vector<std::string>;

template <class Base>
struct Logged : Base {
  FlowLog* log = nullptr;
  std::string name;
  template <class... A>
  explicit Logged(FlowLog* l, std::string n, A&&... args) : Base(std::forward<A>(args)...), log(l), name(std::move(n)) {}
  void viewDidLoad() override {
    Base::viewDidLoad();
    log->push_back(name + ":didLoad");
  }
  void viewWillAppear(bool a) override {
    Base::viewWillAppear(a);
    log->push_back(name + ":willAppear");
  }
  void viewDidAppear(bool a) override {
    Base::viewDidAppear(a);
    log->push_back(name + ":didAppear");
  }
  void viewWillDisappear(bool a) override {
    Base::viewWillDisappear(a);
    log->push_back(name + ":willDisappear");
  }
  void viewDidDisappear(bool a) override {
    Base::viewDidDisappear(a);
    log->push_back(name + ":didDisappear");
  }
};

// A detail screen: a quantity field, an options button (popover) and a
// settings button in the bar (form sheet).
struct DetailScreen : Logged<ui::ViewController>, ui::TextFieldDelegate, ui::PopoverControllerDelegate {
  std::shared_ptr<ui::TextField> field;
  std::shared_ptr<ui::Button> options;
  std::shared_ptr<ui::PopoverController> popover;
  std::shared_ptr<ui::BarButtonItem> settings;
  DetailScreen(FlowLog* l, std::string product) : Logged(l, "Detail") { setTitle(product); }

  void viewDidLoad() override {
    Logged::viewDidLoad();
    field = std::make_shared<ui::TextField>(ui::Rect{40, 40, 300, 32});
    field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    field->setPlaceholder("Quantity");
    field->setDelegate(ui::weakAs<ui::TextFieldDelegate>(this));
    view()->addSubview(field);
    options = std::make_shared<ui::Button>(ui::Rect{40, 120, 160, 44}, ui::ButtonType::System);
    options->setTitle("Options");
    auto weak = ui::weakAs<DetailScreen>(this);
    options->addAction(
        [weak](ui::Control& sender, const ui::Event*) {
          auto self = weak.lock();
          if (self) self->showOptions(sender);
        },
        ui::ControlEventTouchUpInside);
    view()->addSubview(options);
    settings = std::make_shared<ui::BarButtonItem>("Settings", ui::BarButtonItemStyle::Bordered, weak_from_this(),
                                                   [weak](ui::BarButtonItem&) {
                                                     if (auto self = weak.lock())
                                                       self->showSettings();
                                                   });
    navigationItem().setRightBarButtonItem(settings);
  }
  void textFieldDidBeginEditing(ui::TextField&) override { log->push_back("field:didBegin"); }
  bool textFieldShouldReturn(ui::TextField& f) override {
    log->push_back("field:return:" + f.text());
    f.resignFirstResponder();
    return false;
  }
  void textFieldDidEndEditing(ui::TextField&) override { log->push_back("field:didEnd"); }
  void showOptions(ui::Control& sender) {
    auto content = std::make_shared<Logged<ui::ViewController>>(log, "Options");
    popover = std::make_shared<ui::PopoverController>(content);
    popover->setPopoverContentSize({300, 200});
    popover->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
    popover->presentPopoverFromRect(sender.bounds(), &sender, ui::PopoverArrowDirectionAny, true);
  }
  void popoverControllerDidDismissPopover(ui::PopoverController&) override { log->push_back("popover:didDismiss"); }
  void showSettings() {
    auto page = std::make_shared<Logged<ui::ViewController>>(log, "Settings");
    page->setTitle("Settings");
    auto sheet = std::make_shared<ui::NavigationController>(page);
    sheet->setModalPresentationStyle(ui::ModalPresentationStyle::FormSheet);
    std::weak_ptr<ui::ViewController> weakPage = page;
    FlowLog* l = log;
    page->navigationItem().setRightBarButtonItem(std::make_shared<ui::BarButtonItem>(
        "Done", ui::BarButtonItemStyle::Done, [weakPage, l](ui::BarButtonItem&) {
          if (auto p = weakPage.lock()) p->dismissViewControllerAnimated(true, [l] { l->push_back("sheet:dismissed"); });
        }));
    presentViewController(sheet, true, [l] { l->push_back("sheet:presented"); });
  }
};

// The products, a table pushing a detail screen per row.
struct ListScreen : Logged<ui::TableViewController> {
  std::vector<std::string> products;
  ListScreen(FlowLog* l) : Logged(l, "List", ui::TableViewStyle::Plain) {
    setTitle("Products");
    for (int i = 0; i < 30; ++i) products.push_back("Product " + std::to_string(i));
  }
  long tableViewNumberOfRowsInSection(ui::TableView&, long) override { return static_cast<long>(products.size()); }
  std::shared_ptr<ui::TableViewCell> tableViewCellForRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& p) override {
    auto cell = tv.dequeueReusableCellWithIdentifier("product");
    if (!cell) cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Value1, "product");
    cell->textLabel().setText(products[static_cast<std::size_t>(p.row)]);
    cell->detailTextLabel()->setText(std::to_string(p.row * 10) + " in stock");
    cell->setAccessoryType(ui::TableViewCellAccessoryType::DisclosureIndicator);
    return cell;
  }
  void tableViewDidSelectRowAtIndexPath(ui::TableView& tv, const ui::IndexPath& p) override {
    log->push_back("select:" + std::to_string(p.row));
    tv.deselectRowAtIndexPath(p, true);
    navigationController()->pushViewController(
        std::make_shared<DetailScreen>(log, products[static_cast<std::size_t>(p.row)]), true);
  }
};

struct DemoApp {
  FlowLog log;
  std::shared_ptr<ListScreen> list;
  std::shared_ptr<ui::NavigationController> nav;
  std::shared_ptr<Logged<ui::ViewController>> orders;
  std::shared_ptr<ui::TabBarController> tabs;
  std::vector<base::Observation> keyboard;

  void build(ui::Window& window) {
    list = std::make_shared<ListScreen>(&log);
    nav = std::make_shared<ui::NavigationController>(list);
    orders = std::make_shared<Logged<ui::ViewController>>(&log, "Orders");
    orders->setTitle("Orders");
    tabs = std::make_shared<ui::TabBarController>();
    tabs->setViewControllers({nav, orders});
    for (const auto& n : {ui::Keyboard::WillShowNotification, ui::Keyboard::WillHideNotification})
      keyboard.emplace_back(n, nullptr, [this](const base::Notification& note) {
        auto end = ui::Keyboard::rectFromUserInfo(note.userInfo, ui::Keyboard::FrameEndUserInfoKey);
        log.push_back(note.name == ui::Keyboard::WillShowNotification ? "keyboard:show" : "keyboard:hide");
        EXPECT_TRUE(end.has_value());
      });
    window.setRootViewController(tabs);
  }

  static ui::Point centerOf(const ui::View& v) {
    ui::Rect r = v.convertRectToView(v.bounds(), nullptr);
    return {r.midX(), r.midY()};
  }

  // The walk. Returns the log for a final comparison.
  void walk(FlowInput& in) {
    using L = FlowLog;
    in.advance(0.1);
    EXPECT_EQ(log, (L{"List:didLoad", "List:willAppear", "List:didAppear"}));
    log.clear();

    // A row of the table pushes the detail screen.
    auto table = list->tableView();
    ui::Rect row = table->rectForRowAtIndexPath({0, 2});
    in.tap(table->convertPointToView({row.midX(), row.midY()}, nullptr));
    in.advance(0.5);
    EXPECT_EQ(log, (L{"select:2", "Detail:didLoad", "List:willDisappear", "Detail:willAppear", "List:didDisappear",
                      "Detail:didAppear"}));
    auto* detail = dynamic_cast<DetailScreen*>(nav->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->title(), "Product 2");
    EXPECT_EQ(nav->navigationBar().backButtonTitle(), "Products");
    log.clear();

    // Type a quantity and press return.
    in.tap(centerOf(*detail->field));
    in.type("12 pcs");
    in.pressReturn();
    in.advance(0.5);
    EXPECT_EQ(detail->field->text(), "12 pcs");
    // A desktop window types on the desktop's keyboard: none slides in.
    const ui::Window* window = ui::Application::sharedInstance().keyWindow();
    if (window && !window->hasOnScreenKeyboard()) {
      EXPECT_EQ(log, (L{"field:didBegin", "field:return:12 pcs", "field:didEnd"}));
    } else {
      EXPECT_EQ(log, (L{"field:didBegin", "keyboard:show", "field:return:12 pcs", "field:didEnd", "keyboard:hide"}));
    }
    log.clear();

    // A popover from the options button, closed by a tap outside it.
    in.tap(centerOf(*detail->options));
    in.advance(0.5);
    ASSERT_TRUE(detail->popover && detail->popover->isPopoverVisible());
    in.tap({1000, 700});
    in.advance(0.5);
    EXPECT_FALSE(detail->popover->isPopoverVisible());
    EXPECT_EQ(log, (L{"Options:didLoad", "Options:willAppear", "Options:didAppear", "Options:willDisappear",
                      "popover:didDismiss", "Options:didDisappear"}));
    log.clear();

    // The settings form sheet, opened from the bar and closed with its Done button.
    ASSERT_NE(detail->settings->view(), nullptr);
    in.tap(centerOf(*detail->settings->view()));
    in.advance(0.6);
    auto* sheet = dynamic_cast<ui::NavigationController*>(detail->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->viewIfLoaded()->frame(), (ui::Rect{242, 74, 540, 620}));
    auto done = sheet->topViewController()->navigationItem().rightBarButtonItem();
    ASSERT_TRUE(done && done->view());
    in.tap(centerOf(*done->view()));
    in.advance(0.6);
    EXPECT_EQ(detail->presentedViewController(), nullptr);
    EXPECT_EQ(log, (L{"Settings:didLoad", "Settings:willAppear", "Settings:didAppear", "sheet:presented",
                      "Settings:willDisappear", "Settings:didDisappear", "sheet:dismissed"}));
    log.clear();

    // Back to the list, then the other tab.
    ASSERT_NE(nav->navigationBar().backButton(), nullptr);
    in.tap(centerOf(*nav->navigationBar().backButton()));
    in.advance(0.5);
    EXPECT_EQ(log, (L{"Detail:willDisappear", "List:willAppear", "Detail:didDisappear", "List:didAppear"}));
    log.clear();
    in.tap(centerOf(*tabs->tabBar().buttonAtIndex(1)));
    in.advance(0.2);
    EXPECT_EQ(log, (L{"Orders:didLoad", "List:willDisappear", "Orders:willAppear", "List:didDisappear", "Orders:didAppear"}));
    EXPECT_EQ(tabs->selectedIndex(), 1u);
  }
};

}  // namespace mv::test
