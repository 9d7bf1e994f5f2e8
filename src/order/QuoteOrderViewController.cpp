#include "order/QuoteOrderViewController.hpp"

#include <algorithm>

#include "customer/CustomerDataModel.hpp"
#include "order/QuoteOrderItemsTableViewCell.hpp"
#include "order/QuoteOrderPDFViewController.hpp"
#include "order/OrderScreenParts.hpp"
#include "order/QuoteOrderStore.hpp"
#include "platform/ui/BarButtonItem.hpp"
#include "platform/ui/NavigationController.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/ShellActions.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/LanguageManager.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/FitCGRect.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/FreeDismissAlertView.hpp"
#include "widgets/NumericInputValidator.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {

using Model = QuoteOrderEditorModel;

namespace {

const ui::Rect kTableFrame{0, 210, 1024, 452};
const ui::Rect kFooterFrame{0, 662, 1024, 50};
constexpr int kCustomersModule = 2;
constexpr int kOrdersTab = 5;
constexpr int kCatalogueTab = 1;

std::string titled(const char* key) { return labelText(key); }

std::string countText(std::size_t count) { return std::to_string(count); }

}  // namespace

QuoteOrderViewController::QuoteOrderViewController(SessionServices& services)
    : services_(services.shared_from_this()),
      config_(services.get<ConfigManager>()),
      store_(services.get<QuoteOrderStore>()),
      customers_(services.get<CustomerDataModel>()) {}

std::optional<marvisto_customer_Entity> QuoteOrderViewController::customerNamed(const std::string& name) const {
  return database().getCustomerByCustomerName(name);
}

void QuoteOrderViewController::takeDefaultAddressOf(int customerId) {
  if (!customers_ || !quoteOrder_) return;
  const auto address = customers_->getDefaultAddressByCustomer(customerId);
  if (address.empty()) return;
  auto value = [&](const char* key) {
    auto it = address.find(key);
    return it == address.end() ? std::string() : it->second;
  };
  quoteOrder_->customerAddress = value("Address");
  quoteOrder_->city = value("City");
  quoteOrder_->state = value("State/Province/Region");
  quoteOrder_->zip_code = value("Zip Code");
  quoteOrder_->phoneNumber = value("Phone");
  quoteOrder_->bankAccount = value("Bank Account");
}

QuoteOrderViewController::~QuoteOrderViewController() = default;

std::shared_ptr<ui::ViewController> QuoteOrderViewController::selfPtr() { return weak_from_this().lock(); }

// ---- building ---------------------------------------------------------------------------

std::shared_ptr<ui::Label> QuoteOrderViewController::titleLabel(ui::View& parent, const ui::Rect& frame,
                                                                const char* key) {
  auto l = std::make_shared<ui::Label>(frame);
  l->setFont(gfx::Font::boldSystemFont(16));
  l->setBackgroundColor(gfx::Color::clear());
  l->setText(titled(key));
  parent.addSubview(l);
  titles_.emplace_back(l, key);
  return l;
}

std::shared_ptr<ui::TextField> QuoteOrderViewController::headerField(ui::View& parent, const ui::Rect& frame,
                                                                     long tag) {
  auto f = std::make_shared<ui::TextField>(frame);
  f->setTag(tag);
  f->setFont(gfx::Font::systemFont(16));
  f->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  f->setAutocorrectionType(ui::TextAutocorrectionType::No);
  f->setDelegate(ui::weakAs<ui::TextFieldDelegate>(this));
  parent.addSubview(f);
  return f;
}

void QuoteOrderViewController::viewDidLoad() {
  BaseViewController::viewDidLoad();
  auto root = view();
  root->setBackgroundColor(gfx::Color::white());
  const FitCGRect& fit = FitCGRect::sharedInstance();

  titleBar_ = order_screen::addTitleBar(*root);
  title_ = order_screen::addTitle(*root, {446, 27, 132, 30}, text("QUOTEORDER"));
  btnHistory_ = std::make_shared<ui::Button>(fit.fitCGRectBy(8, 25, 100, 34));
  ViewStyle::initializeToBackButtonHeight34(*btnHistory_);
  btnHistory_->setTitle(text("ORDERLIST"));
  btnHistory_->addAction([this](ui::Control&, const ui::Event*) { btnHistoryClick(); }, ui::ControlEventTouchUpInside);
  root->addSubview(btnHistory_);

  buildHeader(*root);

  table_ = std::make_shared<ui::TableView>(fit.fitCGRectBy(kTableFrame.x(), kTableFrame.y(), kTableFrame.width(),
                                                           kTableFrame.height()));
  table_->setRowHeight(QuoteOrderItemsTableViewCell::kRowHeight);
  table_->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  table_->setAllowsSelection(false);
  table_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  table_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  auto background = std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 452});
  background->setBackgroundColor(gfx::Color::white());
  stamp_ = std::make_shared<ui::ImageView>(ui::Rect{820, 342, 164, 87});
  stamp_->setHidden(true);
  background->addSubview(stamp_);
  table_->setBackgroundView(background);
  addProductsRow_ = std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 80});
  btnAddProducts_ = std::make_shared<ui::Button>(ui::Rect{30, 15, 200, 50});
  btnAddProducts_->titleLabel().setFont(gfx::Font::named("Helvetica-Bold", 16));
  btnAddProducts_->setTitleColor(gfx::Color::gray());
  btnAddProducts_->setImage(WidgetSkin::skinFromImageName("icon-add.png"));
  btnAddProducts_->setImageEdgeInsets({0, 0, 0, 20});
  btnAddProducts_->setTitle(text("ADDPRODUCTS"));
  btnAddProducts_->addAction([this](ui::Control&, const ui::Event*) { btnAddProductsClick(); },
                             ui::ControlEventTouchUpInside);
  addProductsRow_->addSubview(btnAddProducts_);
  table_->setTableFooterView(addProductsRow_);
  root->addSubview(table_);

  buildFooter(*root);

  discountPop_ = std::make_shared<DiscountPopController>();
  discountPop_->view()->setBackgroundColor(gfx::Color::white());
  discountPop_->setDelegate(ui::weakAs<DiscountPopControllerDelegate>(this));
  discountPopover_ = std::make_shared<ui::PopoverController>(discountPop_);
  discountPopover_->setPopoverContentSize({DiscountPopController::kContentWidth, DiscountPopController::kContentHeight});
  discountPopover_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));
  searchResults_ = std::make_shared<SearchResultTableView>();
  searchResults_->setDelegate(ui::weakAs<SearchResultTableDelegate>(this));
  searchPopover_ = std::make_shared<ui::PopoverController>(searchResults_);
  searchPopover_->setPopoverContentSize({SearchResultTableView::kPopoverWidth, SearchResultTableView::kPopoverHeight});
  searchPopover_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));

  addStatusBarBGForVersion7(true);
  finishViewDidLoad();
}

void QuoteOrderViewController::buildHeader(ui::View& root) {
  const FitCGRect& fit = FitCGRect::sharedInstance();
  headerArea_ = std::make_shared<ui::View>(fit.fitCGRectBy(0, 64, 1024, 100));
  headerArea_->setBackgroundColor(gfx::Color::white(231.0 / 255));
  root.addSubview(headerArea_);
  // Frames of the header are given on the screen; the area starts at 64.
  auto inHeader = [](double x, double y, double w, double h) { return ui::Rect{x, y - 64, w, h}; };
  titleLabel(*headerArea_, inHeader(20, 79, 100, 30), "ORDERTIME");
  lblOrderTime_ = std::make_shared<ui::Label>(inHeader(120, 79, 160, 30));
  lblOrderTime_->setBackgroundColor(gfx::Color::clear());
  headerArea_->addSubview(lblOrderTime_);
  titleLabel(*headerArea_, inHeader(380, 79, 60, 30), "NOTE");
  txtNote_ = headerField(*headerArea_, inHeader(455, 79, 550, 30), kNoteFieldTag);
  titleLabel(*headerArea_, inHeader(20, 119, 90, 30), "CUSTOMER");
  txtCustomer_ = headerField(*headerArea_, inHeader(110, 119, 220, 30), kCustomerFieldTag);
  titleLabel(*headerArea_, inHeader(380, 119, 130, 30), "ADDRESS");
  txtAddress_ = headerField(*headerArea_, inHeader(455, 119, 550, 30), kAddressFieldTag);

  columnHeader_ = std::make_shared<ui::View>(fit.fitCGRectBy(0, 164, 1024, 46));
  columnHeader_->setBackgroundColor(gfx::Color::white(248.0 / 255));
  const std::pair<double, const char*> columns[] = {{125, "PRODUCT"},   {340, "DETAILS"},  {470, "QUANTITY"},
                                                    {570, "ITEMPRICE"}, {665, "DISCOUNT"}, {755, "DISCOUNTEDPRICE"},
                                                    {900, "ITEMIZEDTOTAL"}};
  for (const auto& [x, key] : columns) {
    const double width = std::string(key) == "DISCOUNTEDPRICE" ? 140 : 100;
    auto l = std::make_shared<ui::Label>(ui::Rect{x, 0, width, 46});
    l->setFont(gfx::Font::boldSystemFont(16));
    l->setTextAlignment(gfx::TextAlignment::Center);
    l->setBackgroundColor(gfx::Color::clear());
    l->setAdjustsFontSizeToFitWidth(true);
    l->setText(text(key));
    columnHeader_->addSubview(l);
    titles_.emplace_back(l, nullptr);
    titles_.back().second = key;
  }
  root.addSubview(columnHeader_);
}

void QuoteOrderViewController::buildFooter(ui::View& root) {
  const FitCGRect& fit = FitCGRect::sharedInstance();
  footerBar_ = std::make_shared<ui::View>(fit.fitCGRectBy(kFooterFrame.x(), kFooterFrame.y(), kFooterFrame.width(),
                                                          kFooterFrame.height()));
  footerBar_->setBackgroundColor(gfx::Color::white(231.0 / 255));
  root.addSubview(footerBar_);
  titleLabel(*footerBar_, {20, 5, 110, 40}, "ORIGINALTOTAL");
  lblTotal_ = std::make_shared<ui::Label>(ui::Rect{135, 5, 140, 40});
  lblTotal_->setBackgroundColor(gfx::Color::clear());
  lblTotal_->setAdjustsFontSizeToFitWidth(true);
  footerBar_->addSubview(lblTotal_);
  btnDiscount_ = std::make_shared<ui::Button>(ui::Rect{280, 5, 40, 40});
  btnDiscount_->setImage(WidgetSkin::skinFromImageName("Icon_Discount_30x30.png"));
  btnDiscount_->setAccessibilityLabel(text("DISCOUNT"));
  btnDiscount_->addAction([this](ui::Control&, const ui::Event*) { btnDiscountRatClick(); },
                          ui::ControlEventTouchUpInside);
  footerBar_->addSubview(btnDiscount_);
  titleLabel(*footerBar_, {330, 5, 140, 40}, "DISCOUNTEDTOTAL");
  lblCurrency_ = std::make_shared<ui::Label>(ui::Rect{476, 5, 40, 40});
  lblCurrency_->setTextAlignment(gfx::TextAlignment::Right);
  lblCurrency_->setBackgroundColor(gfx::Color::clear());
  footerBar_->addSubview(lblCurrency_);
  txtDiscountTotal_ = std::make_shared<TZTextField>(ui::Rect{520, 11, 140, 30});
  txtDiscountTotal_->setTag(kDiscountFieldTag);
  txtDiscountTotal_->setFont(gfx::Font::systemFont(16));
  txtDiscountTotal_->setAdjustsFontSizeToFitWidth(true);
  txtDiscountTotal_->setMinimumFontSize(QuoteOrderItemsTableViewCell::kMinimumFontSize);
  txtDiscountTotal_->setInputValidator(std::make_shared<NumericInputValidator>());
  txtDiscountTotal_->setClearButtonMode(ui::TextFieldViewMode::WhileEditing);
  txtDiscountTotal_->setKeyboardType(ui::KeyboardType::NumberPad);
  txtDiscountTotal_->setDelegate(ui::weakAs<ui::TextFieldDelegate>(this));
  footerBar_->addSubview(txtDiscountTotal_);
  auto button = [&](const ui::Rect& frame, const char* key, void (QuoteOrderViewController::*action)()) {
    auto b = std::make_shared<ui::Button>(frame);
    ViewStyle::initializeToButtonHeight34(*b);
    b->setTitle(text(key));
    b->addAction([this, action](ui::Control&, const ui::Event*) { (this->*action)(); }, ui::ControlEventTouchUpInside);
    footerBar_->addSubview(b);
    return b;
  };
  btnSave_ = button({660, 7, 80, 34}, "SAVE", &QuoteOrderViewController::btnSaveClick);
  btnSave_->setTag(Model::kSaveTag);
  btnSubmit_ = button({770, 7, 80, 34}, "SUBMIT", &QuoteOrderViewController::btnSubmitClick);
  btnPDF_ = button({880, 7, 120, 34}, "VIEWINPDF", &QuoteOrderViewController::btnViewAsPDFClick);
}

void QuoteOrderViewController::viewAfterFirstDidLoad() {
  BaseViewController::viewAfterFirstDidLoad();
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
}

void QuoteOrderViewController::updateLanguage(ui::ViewController& /*sender*/) {
  if (!isViewLoaded()) return;
  title_->setText(text("QUOTEORDER"));
  btnHistory_->setTitle(text("ORDERLIST"));
  for (auto& [label, key] : titles_) {
    const bool colon = label->superview() != columnHeader_.get();
    label->setText(colon ? titled(key) : text(key));
  }
  btnSave_->setTitle(text(btnSave_->tag() == Model::kEditTag ? "EDIT" : "SAVE"));
  btnSubmit_->setTitle(text("SUBMIT"));
  btnPDF_->setTitle(text("VIEWINPDF"));
  btnAddProducts_->setTitle(text("ADDPRODUCTS"));
  txtNote_->setPlaceholder(txtNote_->isEnabled() ? text("NOTEPLACEHOLDER") : std::string());
  if (quoteOrder_ && !isBlank(txtAddress_->text())) txtAddress_->setText(getNewAddressValues());
  if (quoteOrder_) lblOrderTime_->setText(quoteOrder_->mdateShow(PublicFunction::getFormateString()));
  refreshSignedStamp();
}

// ---- appearance ---------------------------------------------------------------------------

void QuoteOrderViewController::viewWillAppear(bool animated) {
  BaseViewController::viewWillAppear(animated);
  isCustomerOnShow_ = config_ && config_->isOnShow(kCustomersModule);
  couldModifyPrice_ = config_ && config_->couldModifyPrice();
  store()->setDelegate(ui::weakAs<QuoteOrderStoreDelegate>(this));
  if (auto* nav = navigationController()) nav->setNavigationBarHidden(true);
  if (quoteOrder_) {
    if (state_ == Model::kNewOrder && quoteOrder_->customerId != 0) takeDefaultAddressOf(quoteOrder_->customerId);
    fillFields();
  }
  switch (state_) {
    case Model::kSavedOrder:
      if (quoteOrder_ && quoteOrder_->isInEdit) {
        setButtonsEnable(true);
        showAddProducts(true);
        // Lines were added from the catalogue while the editor was away.
        if (orderItemsNumber_ != quoteOrder_->items.size()) isOrderChanged_ = true;
      } else {
        setButtonsEnable(false);
        showAddProducts(false);
      }
      break;
    case Model::kSubmittedOrder:
      setButtonsEnable(false);
      setButtonsHidden(true);
      showAddProducts(false);
      break;
    default:
      setButtonsEnable(quoteOrder_ && !Model::checkOrderIsEmpty(*quoteOrder_));
      showAddProducts(true);
      // A new order signed on the form is stored on return.
      if (quoteOrder_ && isSigned()) saveCurrentOrder();
      break;
  }
  if (!quoteOrder_ || !quoteOrder_->hasItems()) lblCurrency_->setText("");
}

void QuoteOrderViewController::fillFields() {
  txtCustomer_->setText(quoteOrder_->customerName);
  txtNote_->setText(quoteOrder_->customerNote());
  lblOrderTime_->setText(quoteOrder_->mdateShow(PublicFunction::getFormateString()));
  lblCurrency_->setText(PublicFunction::flagWithCurrency(quoteOrder_->currency));
  txtAddress_->setText(getNewAddressValues());
  refreshSignedStamp();
}

bool QuoteOrderViewController::isSigned() const { return quoteOrder_ && !isBlank(quoteOrder_->signature); }

void QuoteOrderViewController::refreshSignedStamp() {
  const bool chinese = LanguageManager::sharedInstance().currentLanguage() == kLanguageChinese;
  stamp_->setImage(WidgetSkin::skinFromImageName(chinese ? "icon_signed_cn.png" : "icon_signed_en.png"));
  stamp_->setHidden(!isSigned());
}

void QuoteOrderViewController::viewDidAppear(bool animated) {
  BaseViewController::viewDidAppear(animated);
  table_->reloadData();
  updateTotal();
  auto s = store();
  if (state_ != Model::kNewOrder && s->addQuoteOrder()) {
    // An order begun from the catalogue meanwhile opens over this one.
    auto editor = std::make_shared<QuoteOrderViewController>(*services_);
    editor->setState(Model::kNewOrder);
    editor->setQuoteOrder(s->createNewQuoteOrder());
    editor->setIsOrderChanged(true);
    s->setAddQuoteOrder(nullptr);
    if (auto* nav = navigationController()) nav->pushViewController(editor, false);
    return;
  }
  if (quoteOrder_ && quoteOrder_->isInEdit) s->setCurQuoteOrder(quoteOrder_);
}

void QuoteOrderViewController::viewWillDisappear(bool animated) {
  BaseViewController::viewWillDisappear(animated);
  if (quoteOrder_ && quoteOrder_->isInEdit) orderItemsNumber_ = quoteOrder_->items.size();
  if (searchPopover_) searchPopover_->dismissPopoverAnimated(false);
  if (discountPopover_) discountPopover_->dismissPopoverAnimated(false);
}

void QuoteOrderViewController::restoreTableFrame() {
  const FitCGRect& fit = FitCGRect::sharedInstance();
  table_->setFrame(fit.fitCGRectBy(kTableFrame.x(), kTableFrame.y(), kTableFrame.width(), kTableFrame.height()));
  // The scroll the short table took for the edited row would leave rows
  // hidden above a blank area in the tall one.
  table_->setContentOffset(table_->clampedContentOffset(table_->contentOffset()));
}

void QuoteOrderViewController::restoreFooterFrame() {
  const FitCGRect& fit = FitCGRect::sharedInstance();
  footerBar_->setFrame(fit.fitCGRectBy(kFooterFrame.x(), kFooterFrame.y(), kFooterFrame.width(), kFooterFrame.height()));
}

// ---- the controls ---------------------------------------------------------------------------

void QuoteOrderViewController::setFieldLook(ui::TextField& field, bool enabled) {
  field.setEnabled(enabled);
  field.setBorderStyle(enabled ? ui::TextBorderStyle::RoundedRect : ui::TextBorderStyle::None);
  field.setBackgroundColor(enabled ? gfx::Color::white() : gfx::Color::clear());
}

void QuoteOrderViewController::setButtonsEnable(bool enable) {
  if (!isViewLoaded()) return;
  Model::Facts facts;
  facts.state = state_;
  facts.enable = enable;
  facts.isInEdit = quoteOrder_ && quoteOrder_->isInEdit;
  facts.isSigned = isSigned();
  facts.hasLines = quoteOrder_ && quoteOrder_->hasItems();
  facts.customersOn = isCustomerOnShow_;
  facts.couldModifyPrice = couldModifyPrice_;
  facts.customerTextBlank = isBlank(txtCustomer_->text());
  const Model::Controls c = Model::controls(facts);
  btnDiscount_->setEnabled(c.fieldsEnabled);
  for (auto* field : {txtCustomer_.get(), txtNote_.get(), txtAddress_.get()}) setFieldLook(*field, c.fieldsEnabled);
  txtNote_->setPlaceholder(c.fieldsEnabled ? text("NOTEPLACEHOLDER") : std::string());
  // Buttons that take no tap look it.
  auto enableButton = [](ui::Button& b, bool on) {
    b.setEnabled(on);
    b.setAlpha(on ? 1.0 : 0.4);
  };
  enableButton(*btnPDF_, c.pdfEnabled);
  enableButton(*btnSubmit_, c.submitEnabled);
  btnDiscount_->setHidden(!c.discountEnabled);
  setFieldLook(*txtDiscountTotal_, c.discountEnabled);
  btnSave_->setTag(c.saveTag);
  btnSave_->setTitle(text(c.saveTag == Model::kEditTag ? "EDIT" : "SAVE"));
  enableButton(*btnSave_, c.saveEnabled);
}

void QuoteOrderViewController::setButtonsHidden(bool hidden) {
  btnDiscount_->setHidden(hidden);
  btnSave_->setHidden(hidden);
  btnSubmit_->setHidden(hidden);
}

void QuoteOrderViewController::showAddProducts(bool shown) {
  addProductsRow_->setHidden(!shown);
  table_->setTableFooterView(shown ? addProductsRow_ : std::make_shared<ui::View>(ui::Rect{0, 0, 1024, 0}));
}

void QuoteOrderViewController::setOrderBadge(bool clear) {
  auto actions = ShellActions::of(services_);
  if (!actions) return;
  if (clear) {
    actions->setTabBadge(kOrdersTab, std::nullopt, true);
  } else {
    actions->setTabBadge(kOrdersTab, countText(store()->getCurrentQuoteOrderItemsCount()), true);
  }
}

// ---- buttons ---------------------------------------------------------------------------------

bool QuoteOrderViewController::currentOrderCheck(const ui::AlertView* answering) {
  ui::Window* window = view()->window();
  auto* editing = window ? dynamic_cast<ui::View*>(window->firstResponder()) : nullptr;
  if (editing && editing->isDescendantOfView(view().get())) {
    // A refused value stays in its field to be put right.
    if (auto* checked = dynamic_cast<TZTextField*>(editing); checked && !checked->validate()) return false;
    // As Return would: the value goes into the order.
    if (!view()->endEditing(false)) return false;
  }
  // Raised by ending an edit, here or by the click that brought us here.
  for (const auto& alert : ui::AlertView::showingAlerts()) {
    if (alert.get() != answering) return false;
  }
  return true;
}

void QuoteOrderViewController::btnSaveClick() {
  if (!quoteOrder_) return;
  if (btnSave_->tag() == Model::kEditTag) {
    btnSave_->setTag(Model::kSaveTag);
    btnSave_->setTitle(text("SAVE"));
    quoteOrder_->isInEdit = true;
    setButtonsEnable(true);
    showAddProducts(true);
    store()->setCurQuoteOrder(quoteOrder_);
    table_->reloadData();
    setOrderBadge(false);
    return;
  }
  if (currentOrderCheck()) checkCustomerAndSaveOrder(kSaveMode);
}

void QuoteOrderViewController::btnSubmitClick() {
  if (Session::current().loginType == LoginType::Demo) {
    DemoLimitAlert::show();
    return;
  }
  if (currentOrderCheck()) checkCustomerAndSaveOrder(kSubmitMode);
}

void QuoteOrderViewController::showNewCustomerAlert(long mode) {
  const char* message = mode == kSubmitMode ? "SAVENEWCUSTOMERWHENSUBMIT" : "SAVENEWCUSTOMER";
  auto alert = std::make_shared<FreeDismissAlertView>(text("NEWCUSTOMER"), text(message),
                                                      ui::weakAs<ui::AlertViewDelegate>(this), text("NOTADD"),
                                                      std::vector<std::string>{text("ADD")});
  alert->setTag(mode);
  alert->show();
}

void QuoteOrderViewController::checkCustomerAndSaveOrder(long mode) {
  const std::string name = txtCustomer_->text();
  const bool isNew = isCustomerOnShow_ && !isBlank(name) && !customerNamed(name);
  if (isNew) {
    showNewCustomerAlert(mode);
    return;
  }
  continueSave(mode);
}

void QuoteOrderViewController::continueSave(long mode) {
  switch (mode) {
    case kSaveMode:
      saveCurrentOrder();
      break;
    case kSubmitMode:
      submitOrder();
      break;
    case kSaveAndCloseMode:
      // What could not be stored stays on the screen.
      if (saveCurrentOrder() != 0) popSelf();
      break;
    default:
      break;
  }
}

void QuoteOrderViewController::saveNewCustomer() {
  if (!quoteOrder_ || !customers_) return;
  const SessionDatabase::UserWrite userWrite;
  const int id = customers_->saveCustomerWithName(
      quoteOrder_->customerName, quoteOrder_->customerAddress, quoteOrder_->city, quoteOrder_->state,
      quoteOrder_->zip_code);
  quoteOrder_->customerId = id;
  if (id != 0 && config_) config_->setFlag(ConfigManager::kReloadCustomer, true);
}

int QuoteOrderViewController::saveCurrentOrder() {
  if (!quoteOrder_) return 0;
  const SessionDatabase::UserWrite userWrite;
  const int id = database().replaceQuoteOrder(*quoteOrder_);
  if (id == 0) {
    showPlainAlert(text("ORDERSAVEFAILED"), text(SessionDatabase::failedWriteKey()));
    return 0;
  }
  store()->setCurQuoteOrder(nullptr);
  state_ = Model::kSavedOrder;
  quoteOrder_->isInEdit = false;
  isOrderChanged_ = false;
  table_->reloadData();
  setButtonsEnable(false);
  showAddProducts(false);
  setOrderBadge(true);
  return id;
}

void QuoteOrderViewController::submitOrder() {
  const int id = saveCurrentOrder();
  if (id == 0) return;
  MessageBox::sharedInstance().BeginBlockWait(
      text("SUBMITINGORDER"), kWaitSeconds, [weak = ui::weakAs<QuoteOrderViewController>(this)] {
        // The order stays saved and unsubmitted, to be submitted again.
        auto self = weak.lock();
        if (!self) return;
        self->store()->abandonUpload();
        self->setButtonsEnable(true);
      });
  store()->startUploadQuoteOrder(id);
}

void QuoteOrderViewController::finishedUploadQuoteOrders(const std::string& status, const std::string& message) {
  MessageBox::sharedInstance().EndBlockWait();
  switch (Model::submitOutcome(status, Session::current().loginType)) {
    case Model::SubmitOutcome::Submitted:
      table_->reloadData();
      setButtonsHidden(true);
      if (quoteOrder_) quoteOrder_->setUploaded(true);
      showPlainAlert(text("ORDERSUBMITTED"), text("SUCCESSFULLYSUBMIT"));
      break;
    case Model::SubmitOutcome::RequireLogin:
      setButtonsEnable(true);
      showPlainAlert(text("REQUIRELOGIN"), message, kRequireLoginAlertTag, {text("LOGOUTSETTINGS")}, "CANCEL");
      break;
    case Model::SubmitOutcome::Failed:
      setButtonsEnable(true);
      showPlainAlert(text("ORDERSUBMITFAILED"), message);
      break;
  }
}

void QuoteOrderViewController::uploadEndedWithSession(const std::string& /*status*/) {
  // The shell's alert says why; the order stays as saved, to be submitted again.
  MessageBox::sharedInstance().EndBlockWait();
  setButtonsEnable(true);
}

void QuoteOrderViewController::btnHistoryClick() {
  if (!currentOrderCheck()) return;
  if (!quoteOrder_) {
    popSelf();
    return;
  }
  switch (Model::leave(state_, *quoteOrder_, isOrderChanged_)) {
    case Model::Leave::AskToSave: {
      auto alert = std::make_shared<FreeDismissAlertView>(text("ORDERCHANGED"), text("SAVECHANGES"),
                                                          ui::weakAs<ui::AlertViewDelegate>(this), text("NOTSAVE"),
                                                          std::vector<std::string>{text("SAVE")});
      alert->setTag(kLeaveAlertTag);
      alert->show();
      return;
    }
    case Model::Leave::DropAndClose:
      quoteOrder_->isInEdit = false;
      store()->setCurQuoteOrder(nullptr);
      break;
    case Model::Leave::Close:
      break;
  }
  setOrderBadge(true);
  popSelf();
}

void QuoteOrderViewController::popSelf() {
  if (state_ == Model::kNewOrder || (quoteOrder_ && quoteOrder_->isInEdit)) store()->setCurQuoteOrder(nullptr);
  auto* nav = navigationController();
  if (!nav || nav->topViewController() != this) return;
  // The editor slides away from over the screen it was opened on.
  nav->popViewControllerRevealing(kCloseRevealSeconds);
}

void QuoteOrderViewController::btnAddProductsClick() {
  if (auto actions = ShellActions::of(services_)) actions->selectTab(kCatalogueTab);
}

void QuoteOrderViewController::showPlainAlert(const std::string& title, const std::string& message, long tag,
                                              const std::vector<std::string>& others, const char* cancelKey) {
  order_screen::showAlert(ui::weakAs<ui::AlertViewDelegate>(this), title, message, tag, others, cancelKey);
}

void QuoteOrderViewController::alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) {
  const long tag = alert.tag();
  if (tag == kLeaveAlertTag) {
    if (buttonIndex == 1) {
      if (currentOrderCheck(&alert)) checkCustomerAndSaveOrder(kSaveAndCloseMode);
    } else {
      if (quoteOrder_) quoteOrder_->isInEdit = false;
      store()->setCurQuoteOrder(nullptr);
      setOrderBadge(true);
      popSelf();
    }
  } else if (tag == kSaveMode || tag == kSubmitMode || tag == kSaveAndCloseMode) {
    if (buttonIndex == 1) saveNewCustomer();
    continueSave(tag);
  } else if (tag == kRequireLoginAlertTag) {
    if (buttonIndex == 1) {
      if (auto actions = ShellActions::of(services_)) actions->logOutLater();
    }
  } else if (tag >= kLineTagBase) {
    const long row = tag - kLineTagBase;
    if (buttonIndex == 1) {
      deleteLine(row);
    } else if (auto* cell = dynamic_cast<QuoteOrderItemsTableViewCell*>(table_->cellForRowAtIndexPath({0, row}))) {
      // Only a quantity typed as 0 comes back, straight into the line (no
      // second round through the field, whose check would ask again); a
      // cancelled swipe changes nothing.
      const auto& line = cell->quoteOrderItem();
      if (line && line->quantity == 0 && cell->undoQuantityEdit()) updateTotal();
    }
  }
}

}  // namespace mv
