// The order editor's customer panel: the header fields, the customer search
// popover and the address popover of a customer not in the book.
#include "order/QuoteOrderViewController.hpp"

#include <algorithm>
#include <utility>

#include "customer/CustomerDataModel.hpp"
#include "order/QuoteOrderItemModel.hpp"
#include "platform/base/RunLoop.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace mv {

using Model = QuoteOrderEditorModel;

// ---- header fields -----------------------------------------------------------------------

bool QuoteOrderViewController::textFieldShouldBeginEditing(ui::TextField& field) {
  if (field.tag() != kAddressFieldTag) return true;
  // The address is picked from the customer's record, or typed in its popover.
  openAddressPopover();
  return false;
}

void QuoteOrderViewController::textFieldDidBeginEditing(ui::TextField& field) {
  isOrderChanged_ = true;
  if (field.tag() == kDiscountFieldTag) {
    if (!field.text().empty()) field.setText(QuoteOrderItemModel::ungrouped(field.text()));
    // The footer stays above an on-screen keyboard while the total is typed.
    if (const ui::Window* w = view()->window(); w && w->hasOnScreenKeyboard()) {
      ui::View::animate(0.3, [&] {
        footerBar_->setFrame({0, 366, 1024, 50});
        table_->setFrame({table_->frame().x(), table_->frame().y(), table_->frame().width(), 199});
      });
      view()->bringSubviewToFront(footerBar_.get());
    }
  } else if (field.tag() == kCustomerFieldTag && isCustomerOnShow_ && isBlank(field.text())) {
    popAllCustomerAsSearchResults();
  }
}

bool QuoteOrderViewController::textFieldShouldChangeCharactersInRange(ui::TextField& field, ui::TextRange range,
                                                                      const std::string& replacement) {
  if (field.tag() != kCustomerFieldTag || !isCustomerOnShow_ || !quoteOrder_) return true;
  std::string next = field.text();
  const std::size_t at = std::min(range.location, next.size());
  next.replace(at, std::min(range.length, next.size() - at), replacement);
  if (isBlank(next)) {
    popAllCustomerAsSearchResults();
  } else {
    auto found = customers_ ? customers_->customerSearch(next) : std::optional<PersonRecords>(PersonRecords{});
    if (!found) {
      // Nothing is found in a book still being read: the field's text is
      // searched once it is.
      offerCustomersOnceRead();
    } else if (!found->empty()) {
      searchResults_->setArrResult(std::move(*found));
      presentSearchPopover();
      if (auto customer = customerNamed(next)) {
        quoteOrder_->customerId = customer->customer_id;
        quoteOrder_->customerName = customer->customer_name.value_or(next);
        updateCustomer();
        return true;
      }
    } else {
      searchPopover_->dismissPopoverAnimated(true);
    }
  }
  txtAddress_->setText("");
  return true;
}

bool QuoteOrderViewController::textFieldShouldClear(ui::TextField& field) {
  if (field.tag() == kCustomerFieldTag && isCustomerOnShow_) {
    popAllCustomerAsSearchResults();
    txtAddress_->setText("");
  }
  return true;
}

void QuoteOrderViewController::textFieldDidEndEditing(ui::TextField& field) {
  if (!quoteOrder_) return;
  switch (field.tag()) {
    case kCustomerFieldTag:
      applyCustomerFromText(field.text());
      break;
    case kNoteFieldTag:
      quoteOrder_->setCustomerNote(field.text());
      break;
    case kDiscountFieldTag: {
      txtDiscountTotal_->setTraget(ui::weakAs<ui::AlertViewDelegate>(this));
      if (txtDiscountTotal_->validate()) {
        Model::applyDiscountTotal(*quoteOrder_,
                                  QuoteOrderItemModel::doubleValue(QuoteOrderItemModel::ungrouped(field.text())));
      }
      field.setText(PublicFunction::doubleFormate(quoteOrder_->discount()));
      ui::View::animate(0.3, [&] {
        restoreFooterFrame();
        restoreTableFrame();
      });
      break;
    }
    default:
      break;
  }
}

bool QuoteOrderViewController::textFieldShouldReturn(ui::TextField& field) {
  field.resignFirstResponder();
  return true;
}

void QuoteOrderViewController::applyCustomerFromText(const std::string& name) {
  if (!isCustomerOnShow_) {
    quoteOrder_->customerName = name;
    return;
  }
  const auto customer = customerNamed(name);
  const int id = customer ? customer->customer_id : 0;
  // Only a real change of customer replaces the order's address.
  const bool changed = name != quoteOrder_->customerName || id != quoteOrder_->customerId;
  quoteOrder_->customerName = name;
  quoteOrder_->customerId = id;
  if (changed) updateCustomer();
  txtAddress_->setText(getNewAddressValues());
}

void QuoteOrderViewController::updateCustomer() {
  if (!quoteOrder_) return;
  quoteOrder_->customerAddress.clear();
  quoteOrder_->city.clear();
  quoteOrder_->state.clear();
  quoteOrder_->zip_code.clear();
  quoteOrder_->phoneNumber.clear();
  quoteOrder_->bankAccount.clear();
  if (quoteOrder_->customerId != 0) {
    takeDefaultAddressOf(quoteOrder_->customerId);
    txtAddress_->setText(getNewAddressValues());
  }
  const bool submittable = !isBlank(quoteOrder_->customerName) && quoteOrder_->hasItems();
  btnSubmit_->setEnabled(submittable);
  btnSubmit_->setAlpha(submittable ? 1.0 : 0.4);
}

std::string QuoteOrderViewController::getNewAddressValues() const {
  if (!quoteOrder_) return {};
  return Model::addressText(*quoteOrder_, PublicFunction::interfaceLanguage());
}

void QuoteOrderViewController::didSelectCell(const PersonSummary& person) {
  if (!quoteOrder_) return;
  isOrderChanged_ = true;
  searchPopover_->dismissPopoverAnimated(false);
  txtCustomer_->setText(person.name);
  quoteOrder_->customerId = person.pid;
  quoteOrder_->customerName = person.name;
  updateCustomer();
}

void QuoteOrderViewController::updateCustomerId(int oldId, int newId) {
  if (!quoteOrder_ || quoteOrder_->customerId != oldId) return;
  quoteOrder_->customerId = newId;
  updateCustomer();
}

void QuoteOrderViewController::popAllCustomerAsSearchResults() {
  if (!customers_) return;
  if (!customers_->isBookRead()) {
    offerCustomersOnceRead();
    return;
  }
  if (customers_->customerInfoDic().empty()) return;
  searchResults_->setArrResult(customers_->customersByName());
  presentSearchPopover();
}

void QuoteOrderViewController::offerCustomersOnceRead() {
  if (std::exchange(customersAwaited_, true)) return;
  customers_->whenBookRead([weak = ui::weakAs<QuoteOrderViewController>(this)] {
    auto self = weak.lock();
    if (!self) return;
    self->customersAwaited_ = false;
    // Offered only while the customer is still being typed.
    if (!self->quoteOrder_ || !self->txtCustomer_->isFirstResponder()) return;
    const std::string typed = self->txtCustomer_->text();
    if (isBlank(typed)) {
      self->popAllCustomerAsSearchResults();
      return;
    }
    auto found = self->customers_->customerSearch(typed);
    if (!found || found->empty()) return;
    self->searchResults_->setArrResult(std::move(*found));
    self->presentSearchPopover();
  });
}

void QuoteOrderViewController::presentSearchPopover() {
  searchResults_->tableView()->reloadData();
  if (searchPopover_->isPopoverVisible()) return;
  searchPopover_->presentPopoverFromRect(txtCustomer_->frame(), headerArea_.get(), ui::PopoverArrowDirectionUp, true);
}

void QuoteOrderViewController::openAddressPopover() {
  if (!quoteOrder_) return;
  const std::string name = txtCustomer_->text();
  if (isBlank(name) || customerNamed(name)) return;
  if (isBlank(txtAddress_->text())) {
    addressContent_ = std::make_shared<AddressTableViewController>(database());
  } else {
    addressContent_ = std::make_shared<AddressTableViewController>(database(), quoteOrder_->customerAddress, quoteOrder_->city,
                                                                   quoteOrder_->state, quoteOrder_->zip_code);
  }
  addressPopover_ = std::make_shared<ui::PopoverController>(addressContent_);
  addressPopover_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  addressPopover_->setPopoverContentSize(addressContent_->popoverSize());
  addressPopover_->presentPopoverFromRect(txtAddress_->frame(), headerArea_.get(), ui::PopoverArrowDirectionUp, true);
}

void QuoteOrderViewController::popoverControllerDidDismissPopover(ui::PopoverController& popover) {
  if (&popover != addressPopover_.get() || !addressContent_ || !quoteOrder_) return;
  quoteOrder_->customerAddress = addressContent_->getStreetAddress().value_or("");
  quoteOrder_->city = addressContent_->getCity().value_or("");
  quoteOrder_->state = addressContent_->getState().value_or("");
  quoteOrder_->zip_code = addressContent_->getZipCode().value_or("");
  txtAddress_->setText(getNewAddressValues());
  isOrderChanged_ = true;
  // Released on a later turn: the popover is still reporting.
  base::RunLoop::main().post([weak = ui::weakAs<QuoteOrderViewController>(this)] {
    if (auto self = weak.lock()) {
      self->addressPopover_.reset();
      self->addressContent_.reset();
    }
  });
}

}  // namespace mv
