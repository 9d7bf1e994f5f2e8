// The tour's order steps: the list, the editor and the order form.
#include "app/ScreenshotTour.hpp"

#include <optional>

#include "order/PainterViewController.hpp"
#include "order/QuoteOrderEditorModel.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/QuoteOrderViewController.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/NavigationController.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"

namespace mv {

// ---- orders ----------------------------------------------------------------------------------

namespace {

std::shared_ptr<QuoteOrderHistoryController> orderList(const std::shared_ptr<MarvistoAppDelegate>& app) {
  auto tab = app ? app->tabBarController() : nullptr;
  return tab ? std::dynamic_pointer_cast<QuoteOrderHistoryController>(tab->screen(MainTabScreens::kQuoteOrder))
             : nullptr;
}

}  // namespace

bool ScreenshotTour::showOrderEditor(int what) {
  if (!showTab(MainTabScreens::kQuoteOrder)) return false;
  auto list = orderList(app_);
  auto* nav = list ? list->navigationController() : nullptr;
  if (!nav || list->selectOrders().empty()) return fail("no orders");
  // The newest unsubmitted order.
  long row = -1;
  for (std::size_t i = 0; i < list->selectOrders().size() && row < 0; ++i) {
    if (!list->selectOrders()[i]->isUploaded()) row = static_cast<long>(i);
  }
  if (row < 0) return fail("no unsubmitted order");
  list->openOrderAtRow(row);
  onClose([this, nav] {
    nav->popToRootViewControllerAnimated(false);
    waitFor([&] { return nav->viewControllers().size() == 1; }, 5);
  });
  if (!waitFor([&] { return dynamic_cast<QuoteOrderViewController*>(nav->topViewController()) != nullptr; }, 5))
    return fail("the order editor did not open");
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  settle();
  ui::HeadlessDriver d(app_->window());
  if (what < 0) return true;
  // A saved order opens to be read; its Edit button opens it for changes.
  if (editor->btnSave().tag() == QuoteOrderEditorModel::kEditTag && !tapView(editor->btnSave())) return false;
  if (what == 3) {
    // A line's quantity typed as 0 and the delete prompt answered Cancel:
    // the line and its quantity are back.
    auto* line = dynamic_cast<QuoteOrderItemsTableViewCell*>(editor->table().cellForRowAtIndexPath({0, 0}));
    if (!line) return fail("the order has no line");
    TZTextField& quantity = line->quantityTextField();
    if (!tapView(quantity)) return false;
    // All of it selected and deleted, as Ctrl+A and Backspace do.
    quantity.selectAll();
    d.pressBackspace();
    d.typeText("0");
    d.pressReturn();
    if (!waitFor([] { return ui::AlertView::visibleAlert() != nullptr; }, 5)) return fail("no delete prompt");
    d.pressAlertButton(0);  // Cancel
    return waitFor([] { return ui::AlertView::visibleAlert() == nullptr; }, 5) || fail("the prompt stayed");
  }
  if (what == 2) {
    // The address is typed in its popover for a customer the book does not
    // hold: a new one, typed in place of the order's.
    if (!tapView(editor->txtCustomer())) return false;
    editor->txtCustomer().selectAll();
    d.pressBackspace();
    d.typeText("Lindqvist Interiors");
    if (!tapView(editor->txtAddress())) return false;
    return waitFor([&] { return editor->addressPopover() && editor->addressPopover()->isPopoverVisible(); }, 5) ||
           fail("no address popover");
  }
  // An order discount, typed into its popover as the representative gives it.
  if (!tapView(editor->btnDiscount())) return false;
  if (!waitFor([&] { return editor->discountPopover() && editor->discountPopover()->isPopoverVisible(); }, 5))
    return fail("no discount popover");
  auto field = editor->discountPop() ? editor->discountPop()->txtDiscountRat() : nullptr;
  if (!field || !tapView(*field)) return fail("no discount field");
  // The rate is the share of the price the customer pays: 90 % is 10 % off.
  field->selectAll();
  d.pressBackspace();
  d.typeText("90");
  if (what == 1) return true;
  d.pressReturn();
  settle();
  if (editor->discountPopover()->isPopoverVisible()) d.tapAt({2, 766});
  settle();
  return true;
}

bool ScreenshotTour::showOrderForm(bool signature) {
  if (!showOrderEditor(-1)) return false;
  auto list = orderList(app_);
  auto* nav = list->navigationController();
  auto* editor = dynamic_cast<QuoteOrderViewController*>(nav->topViewController());
  if (!editor || !tapView(editor->btnPDF())) return fail("no order form button");
  if (!waitFor([&] { return dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController()) != nullptr; }, 5))
    return fail("the order form did not open");
  if (!signature) return true;
  auto* form = dynamic_cast<QuoteOrderPDFViewController*>(nav->topViewController());
  if (!form->pdfCreater()) return fail("no order form");
  auto tab = app_->tabBarController();
  // The pad opens over whichever screen the form presents from.
  auto pad = [form, nav, tab]() -> PainterViewController* {
    for (ui::ViewController* c : {static_cast<ui::ViewController*>(form), static_cast<ui::ViewController*>(nav),
                                  static_cast<ui::ViewController*>(tab.get())}) {
      if (auto* p = c ? dynamic_cast<PainterViewController*>(c->presentedViewController()) : nullptr) return p;
    }
    return nullptr;
  };
  form->pdfCreater()->signatureTapped();
  if (!waitFor([&] { return pad() != nullptr; }, 5)) return fail("no signature pad");
  // A signature being drawn, as the customer would begin.
  ui::HeadlessDriver d(app_->window());
  d.drag({{260, 330}, {340, 290}, {420, 260}, {490, 300}, {560, 340}, {640, 300}, {720, 270}});
  auto back = close_;
  onClose([this, pad, back] {
    if (auto* p = pad()) p->cancelButtonTapped();
    waitFor([&] { return pad() == nullptr; }, 5);
    if (back) back();
  });
  return true;
}

}  // namespace mv
