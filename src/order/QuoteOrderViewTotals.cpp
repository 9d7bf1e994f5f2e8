// The order editor's footer actions: the totals, the order discount's rate
// popover and View as PDF.
#include "order/QuoteOrderViewController.hpp"

#include "order/QuoteOrderPDFViewController.hpp"
#include "platform/ui/NavigationController.hpp"
#include "util/PublicFunction.hpp"

namespace mv {

using Model = QuoteOrderEditorModel;

void QuoteOrderViewController::btnViewAsPDFClick() {
  if (!quoteOrder_ || !currentOrderCheck()) return;
  auto pdf = std::make_shared<QuoteOrderPDFViewController>(*services_);
  pdf->setOrder(quoteOrder_);
  if (auto* nav = navigationController()) nav->pushViewController(pdf, true);
}

// ---- totals and discount -----------------------------------------------------------------

void QuoteOrderViewController::updateTotal() {
  if (!quoteOrder_ || !quoteOrder_->hasItems()) {
    lblTotal_->setText("");
    txtDiscountTotal_->setText("");
    if (quoteOrder_) quoteOrder_->currency.clear();
    lblCurrency_->setText("");
    return;
  }
  lblTotal_->setText(PublicFunction::flagWithCurrency(quoteOrder_->currency) +
                     PublicFunction::doubleFormate(quoteOrder_->originalTotal()));
  txtDiscountTotal_->setText(PublicFunction::doubleFormate(quoteOrder_->discount()));
  lblCurrency_->setText(PublicFunction::flagWithCurrency(quoteOrder_->currency));
}

void QuoteOrderViewController::btnDiscountRatClick() {
  if (!quoteOrder_ || !currentOrderCheck()) return;
  discountPop_->txtDiscountRat()->setText(Model::shownRateText(quoteOrder_->discountRat));
  const ui::Rect anchor{280, footerBar_->frame().y() + 5, 40, 40};
  discountPopover_->presentPopoverFromRect(anchor, view().get(), ui::PopoverArrowDirectionAny, true);
}

void QuoteOrderViewController::discountRatChanged(double rate) {
  if (!quoteOrder_) return;
  isOrderChanged_ = true;
  Model::applyDiscountRate(*quoteOrder_, rate);
  txtDiscountTotal_->setText(PublicFunction::doubleFormate(quoteOrder_->discount()));
}

void QuoteOrderViewController::discountWillEndInput() {
  if (discountPopover_->isPopoverVisible()) discountPopover_->dismissPopoverAnimated(true);
}

}  // namespace mv
