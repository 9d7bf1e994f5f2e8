// The order editor's line table: one row per line, deleting, editing a
// quantity in place, and the product screen a line's picture opens.
#include "order/QuoteOrderViewController.hpp"

#include "order/OrderScreenParts.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderStore.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "store/DataAccessManager.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

using Model = QuoteOrderEditorModel;

namespace {

// The table's height while a row is edited above the keyboard.
constexpr double kEditingTableHeight = 240;

}  // namespace

// ---- lines -----------------------------------------------------------------------------------

long QuoteOrderViewController::tableViewNumberOfRowsInSection(ui::TableView& /*tableView*/, long /*section*/) {
  return quoteOrder_ ? static_cast<long>(quoteOrder_->items.size()) : 0;
}

std::shared_ptr<ui::TableViewCell> QuoteOrderViewController::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  auto reused = tableView.dequeueReusableCellWithIdentifier(QuoteOrderItemsTableViewCell::kReuseIdentifier);
  auto cell = std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(reused);
  if (!cell) cell = std::make_shared<QuoteOrderItemsTableViewCell>();
  const auto& line = quoteOrder_->items.at(static_cast<std::size_t>(indexPath.row));
  cell->setDelegate(ui::weakAs<QuoteOrderItemDelegate>(this));
  cell->setTag(kLineTagBase + indexPath.row);
  std::string thumbnail;
  if (line) {
    if (auto image = database().getImageByKeyId(line->product.product_id)) thumbnail = image->image_thumb_address;
  }
  cell->setQuoteOrderItem(line, std::move(thumbnail));
  cell->setReadOnly(Model::linesReadOnly(state_, quoteOrder_->isInEdit, isSigned()));
  cell->setCouldModifyPrice(couldModifyPrice_);
  cell->setIsNullPrice(line && line->price < 0);
  cell->fitDiscountedPriceField();
  return cell;
}

bool QuoteOrderViewController::respondsTo(ui::TableViewDataSourceOp op) const {
  return op == ui::TableViewDataSourceOp::CommitEditingStyle || ui::TableViewDataSource::respondsTo(op);
}

bool QuoteOrderViewController::tableViewCanEditRowAtIndexPath(ui::TableView& /*tableView*/,
                                                              const ui::IndexPath& /*indexPath*/) {
  return Model::canDeleteLines(state_, isSigned());
}

void QuoteOrderViewController::tableViewCommitEditingStyle(ui::TableView& /*tableView*/,
                                                           ui::TableViewCellEditingStyle style,
                                                           const ui::IndexPath& indexPath) {
  if (style == ui::TableViewCellEditingStyle::Delete) showDeletePrompt(kLineTagBase + indexPath.row);
}

std::optional<double> QuoteOrderViewController::tableViewHeightForRowAtIndexPath(ui::TableView& /*tableView*/,
                                                                                const ui::IndexPath& /*indexPath*/) {
  return QuoteOrderItemsTableViewCell::kRowHeight;
}

std::optional<std::string> QuoteOrderViewController::tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
    ui::TableView& /*tableView*/, const ui::IndexPath& /*indexPath*/) {
  return text("DELETE");
}

void QuoteOrderViewController::showDeletePrompt(long tag) {
  order_screen::askToDelete(ui::weakAs<ui::AlertViewDelegate>(this), text("DELETEPRODUCTITEM"),
                            text("DELETE_PRODUCT_FROM_ORDER"), tag);
}

void QuoteOrderViewController::deleteLine(long row) {
  if (!quoteOrder_ || row < 0 || row >= static_cast<long>(quoteOrder_->items.size())) return;
  quoteOrder_->items.erase(quoteOrder_->items.begin() + row);
  isOrderChanged_ = true;
  quoteOrder_->isInEdit = true;
  btnSave_->setTag(Model::kSaveTag);
  btnSave_->setTitle(text("SAVE"));
  setButtonsEnable(true);
  store()->setCurQuoteOrder(quoteOrder_);
  setOrderBadge(false);
  if (Model::checkOrderIsEmpty(*quoteOrder_)) setButtonsEnable(false);
  showAddProducts(true);
  table_->reloadData();
  quoteOrder_->resetDiscountAfterLineChange();
  updateTotal();
}

void QuoteOrderViewController::QuoteOrderItemCellBeginEdit(QuoteOrderItemsTableViewCell& cell) {
  // Only an on-screen keyboard covers the rows below: with a desktop's own
  // keyboard every line stays in view while one is typed.
  if (const ui::Window* w = view()->window(); !w || !w->hasOnScreenKeyboard()) return;
  ui::Rect frame = table_->frame();
  frame.size.height = kEditingTableHeight;
  ui::View::animate(0.3, [&] { table_->setFrame(frame); });
  const long row = cell.tag() - kLineTagBase;
  if (row >= 0) table_->scrollToRowAtIndexPath({0, row}, ui::TableViewScrollPosition::Top, false);
}

void QuoteOrderViewController::QuoteOrderItemCellChanged(QuoteOrderItemsTableViewCell& cell) {
  isOrderChanged_ = true;
  const long tag = cell.tag();
  if (tag >= kLineTagBase && quoteOrder_) {
    const auto& line = cell.quoteOrderItem();
    if (line && line->quantity == 0) {
      showDeletePrompt(tag);
    } else {
      restoreTableFrame();
      // The row edits the order's own line in place.
      quoteOrder_->resetDiscountAfterLineChange();
      updateTotal();
    }
  }
  restoreTableFrame();
}

void QuoteOrderViewController::tapImage(long tag) {
  const long row = tag - kLineTagBase;
  auto* nav = navigationController();
  // The product screen shows the line as typed.
  if (!nav || !quoteOrder_ || !currentOrderCheck()) return;
  if (row < 0 || row >= static_cast<long>(quoteOrder_->items.size())) return;
  const auto line = quoteOrder_->items[static_cast<std::size_t>(row)];
  if (!line) return;
  auto detail = std::make_shared<ProductDetailController>(*services_);
  detail->setProductEntity(line->product);
  detail->setProductID(line->product.product_id);
  detail->setDelegate(ui::weakAs<ProductDetailDelegate>(this));
  detail->setIsPushFromOrder(true);
  const bool editable = !Model::linesReadOnly(state_, quoteOrder_->isInEdit, isSigned());
  if (editable) {
    detail->setIsInEdit(true);
    detail->setItemIndex(static_cast<int>(row));
  }
  // The product screen has no way back of its own: the bar shows one.
  detail->setBackButton([weak = ui::weakAs<QuoteOrderViewController>(this)] {
    if (auto self = weak.lock()) self->btnBackClick();
  });
  nav->navigationBar().setBackgroundImage(WidgetSkin::skinFromImageName("topbar-bg.png"));
  nav->pushViewController(detail, true);
  nav->setNavigationBarHidden(false);
  detail->view();
  // One product: no walking to the previous or next.
  detail->removeProductMoves();
  detail->attributeView().setAttributeValues(line->attributesArray());
  detail->countTextField().setText(std::to_string(line->quantity));
  if (!editable) {
    detail->countTextField().setHidden(true);
    detail->deleteBtn().setHidden(true);
    detail->addBtn().setHidden(true);
    detail->addToOrderBtn().setHidden(true);
    detail->attributeView().setReadOnly(true);
  }
}

void QuoteOrderViewController::btnBackClick() {
  auto* nav = navigationController();
  if (!nav || nav->viewControllers().size() < 2) return;
  if (dynamic_cast<ProductDetailController*>(nav->topViewController())) nav->popViewControllerAnimated(true);
}

bool QuoteOrderViewController::saveOrderItem(const marvisto_product_Entity& product, int index) {
  if (!quoteOrder_ || index < 0) return true;
  if (!Model::saveOrderItem(*quoteOrder_, product, static_cast<std::size_t>(index))) return false;
  isOrderChanged_ = true;
  return true;
}

}  // namespace mv
