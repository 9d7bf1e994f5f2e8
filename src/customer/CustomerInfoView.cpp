#include "customer/CustomerInfoView.hpp"

#include <algorithm>

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Keyboard.hpp"
#include "platform/ui/WeakAs.hpp"
#include "platform/ui/Window.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/SessionDatabase.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {
namespace {

constexpr double kTableX = 15;
constexpr double kTableTop = 44;
constexpr double kTableWidth = 633;
constexpr double kRowPadding = 24;
constexpr double kEditRowHeight = 44;

const gfx::Color& primaryValueColor() {
  static const gfx::Color color = gfx::Color::rgb255(53, 107, 168);
  return color;
}

std::shared_ptr<ui::Button> barButton(const ui::Rect& frame, const std::string& key) {
  auto button = std::make_shared<ui::Button>(frame);
  button->setTitle(text(key));
  ViewStyle::initializeToButtonFlatStyleWhite(*button);
  button->setHidden(true);
  return button;
}

double textHeight(const std::string& value, double width) {
  const gfx::Font font = gfx::Font::boldSystemFont(17);
  return gfx::sizeWithFont(value, font, {width, CustomerAttributeCell::kMaxTextHeight}, gfx::LineBreakMode::WordWrap)
      .height;
}

}  // namespace

std::shared_ptr<CustomerInfoView> CustomerInfoView::create(const ui::Rect& frame,
                                                           std::shared_ptr<CustomerDataModel> directory) {
  std::shared_ptr<CustomerInfoView> form(new CustomerInfoView(frame, std::move(directory)));
  form->build();
  form->observe();
  LanguageManager::sharedInstance().registerLanugageNotification(form);
  return form;
}

CustomerInfoView::CustomerInfoView(const ui::Rect& frame, std::shared_ptr<CustomerDataModel> directory)
    : ui::View(frame), directory_(std::move(directory)) {}

CustomerInfoView::~CustomerInfoView() { LanguageManager::sharedInstance().unRegisterLanugageNotification(this); }

void CustomerInfoView::build() {
  MV_ASSERT_MAIN_THREAD();
  setBackgroundColor(gfx::Color::rgb255(231, 231, 231));
  titleBar_ = std::make_shared<ui::ImageView>(ui::Rect{0, -20, kWidth, 64});
  titleBar_->setImage(WidgetSkin::skinFromImageName("topbar-right-bg.png"));
  addSubview(titleBar_);
  titleLabel_ = std::make_shared<ui::Label>(ui::Rect{231, 7, 200, 30});
  titleLabel_->setTextColor(gfx::Color::white());
  titleLabel_->setFont(gfx::Font::systemFont(17));
  titleLabel_->setTextAlignment(gfx::TextAlignment::Center);
  titleLabel_->setBackgroundColor(gfx::Color::clear());
  addSubview(titleLabel_);

  cancelButton_ = barButton({15, 5, 60, 34}, "CANCEL");
  cancelButton_->addAction([this](ui::Control& s, const ui::Event*) { customerInfoViewCancel(&s); },
                           ui::ControlEventTouchDown);
  doneButton_ = barButton({588, 5, 60, 34}, "DONE");
  doneButton_->addAction([this](ui::Control& s, const ui::Event*) { customerInfoViewDone(&s); },
                         ui::ControlEventTouchDown);
  editButton_ = barButton({588, 5, 60, 34}, "EDIT");
  editButton_->addAction([this](ui::Control& s, const ui::Event*) { customerInfoViewEdit(&s); },
                         ui::ControlEventTouchDown);
  for (auto* b : {&cancelButton_, &doneButton_, &editButton_}) addSubview(*b);

  tableCustomerInfo_ = std::make_shared<ui::TableView>(tableFrame(), ui::TableViewStyle::Grouped);
  tableCustomerInfo_->setBackgroundColor(gfx::Color::clear());
  tableCustomerInfo_->setShowsVerticalScrollIndicator(true);
  tableCustomerInfo_->setDataSource(ui::weakAs<ui::TableViewDataSource>(this));
  tableCustomerInfo_->setDelegate(ui::weakAs<ui::TableViewDelegate>(this));
  addSubview(tableCustomerInfo_);

  refreshAddressFields();
  notifiChangelanguage();
}

void CustomerInfoView::observe() {
  // After an upload the tab shows the customer again, under the id it has now.
  auto weak = ui::weakAs<CustomerInfoView>(this);
  keyboardShownObservation_ = base::Observation(ui::Keyboard::DidShowNotification, nullptr,
                                                [weak](const base::Notification&) {
                                                  if (auto self = weak.lock()) self->keyboardWasShown();
                                                });
  keyboardHidingObservation_ = base::Observation(ui::Keyboard::WillHideNotification, nullptr,
                                                 [weak](const base::Notification&) {
                                                   if (auto self = weak.lock()) self->keyboardWasHidden();
                                                 });
}

ui::Rect CustomerInfoView::tableFrame() const {
  return {kTableX, kTableTop, kTableWidth, std::max(0.0, bounds().height() - kTableTop)};
}

void CustomerInfoView::refreshAddressFields() {
  addressFields_ = directory_->allAddressAttributes();
  hasPublishedAddressAttribute_ = !addressFields_.empty();
}

void CustomerInfoView::rebuildGroups(const PersonInfo& person) {
  customerInfoGroupData_.updateCustomerInfoData(person, directory_->displayedAttributes(), addressFields_);
}

// --- the tab's calls -----------------------------------------------------------------------------

void CustomerInfoView::setPersonInfo(const std::optional<PersonInfo>& person) {
  MV_ASSERT_MAIN_THREAD();
  resignEditing();
  timers_.cancelAll();
  personInfo_ = person;
  pendingHidden_.reset();
  refreshAddressFields();
  setMode(kViewMode);
  if (!person) {
    // No customer, nothing to confirm or cancel.
    cancelButton_->setHidden(true);
    doneButton_->setHidden(true);
  }
  if (person) {
    rebuildGroups(*person);
    customerInfoGroupData_.normalizeActive();
  } else {
    customerInfoGroupData_.removeAllObjects();
  }
  editButton_->setHidden(!person || person->pid >= 0);
  reload();
  // A customer is shown from its top, where its switches are.
  tableCustomerInfo_->setContentOffset({0, 0});
}

void CustomerInfoView::setPersonInfoFromByContact(const PersonInfo& person, const std::string& firstName,
                                                  const std::string& lastName) {
  setPersonInfo(person);
  if (person.contact.empty()) return;
  long index = 0;
  for (std::size_t i = 0; i < person.contact.size(); ++i) {
    if (person.contact[i].first_name == firstName && person.contact[i].last_name == lastName) {
      index = static_cast<long>(i);
      break;
    }
  }
  const long section = static_cast<long>(person.address.size()) + 3 + index;
  if (section < tableCustomerInfo_->numberOfSections() && tableCustomerInfo_->numberOfRowsInSection(section) > 0) {
    tableCustomerInfo_->scrollToRowAtIndexPath({section, 0}, ui::TableViewScrollPosition::Middle, true);
  }
}

void CustomerInfoView::setNewPersonInfo(const PersonInfo& person) {
  MV_ASSERT_MAIN_THREAD();
  resignEditing();
  timers_.cancelAll();
  personInfo_ = person;
  pendingHidden_.reset();
  refreshAddressFields();
  editButton_->setHidden(true);
  rebuildGroups(person);
  setMode(kEditMode);
  reload();
  tableCustomerInfo_->setContentOffset({0, 0});
}

void CustomerInfoView::addNewCustomer() {
  cancelButton_->setHidden(false);
  doneButton_->setHidden(false);
}

void CustomerInfoView::customerHiddenNewCustomerViews() {
  cancelButton_->setHidden(true);
  doneButton_->setHidden(true);
}

void CustomerInfoView::deleteLocalCustomer(int customerId) {
  if (!personInfo_ || personInfo_->pid != customerId) return;
  resignEditing();
  personInfo_.reset();
  pendingHidden_.reset();
  for (auto* b : {&editButton_, &doneButton_, &cancelButton_}) (*b)->setHidden(true);
  setMode(kViewMode);
  customerInfoGroupData_.removeAllObjects();
  reload();
}

void CustomerInfoView::notifiChangelanguage() {
  titleLabel_->setText(text("CUSTOMERDETAIL"));
  cancelButton_->setTitle(text("CANCEL"));
  doneButton_->setTitle(text("DONE"));
  editButton_->setTitle(text("EDIT"));
  if (personInfo_) {
    resignEditing();
    rebuildGroups(*personInfo_);
    if (!isEditing()) customerInfoGroupData_.normalizeActive();
  }
  reload();
}

// --- modes ------------------------------------------------------------------------------------------

void CustomerInfoView::setMode(int mode) { customerType_ = mode; }

void CustomerInfoView::resignEditing() {
  // Written back while the rows are still where the field's cell says.
  if (tableCustomerInfo_) tableCustomerInfo_->endEditing(true);
}

void CustomerInfoView::reload() {
  curCell_.reset();
  tableCustomerInfo_->reloadData();
}

void CustomerInfoView::showFailure() { UIToast::showTextOf(SessionDatabase::failedWriteKey()); }

void CustomerInfoView::customerInfoViewCancel(ui::Control* sender) {
  MV_ASSERT_MAIN_THREAD();
  auto d = delegate_.lock();
  if (!d) return;
  resignEditing();
  timers_.cancelAll();
  cancelButton_->setHidden(true);
  doneButton_->setHidden(true);
  setMode(kViewMode);
  pendingHidden_.reset();
  if (personInfo_ && personInfo_->pid != 0) {
    // Back to what is stored: the edits, a primary choice and a hide are dropped.
    editButton_->setHidden(personInfo_->pid >= 0);
    rebuildGroups(*personInfo_);
    customerInfoGroupData_.normalizeActive();
  } else {
    personInfo_.reset();
    customerInfoGroupData_.removeAllObjects();
  }
  reload();
  d->customerInfoViewCancel(sender);
}

void CustomerInfoView::customerInfoViewDone(ui::Control* sender) {
  MV_ASSERT_MAIN_THREAD();
  auto d = delegate_.lock();
  if (!d || !isEditing()) return;
  resignEditing();
  const auto verdict = customerInfoGroupData_.verdict();
  switch (verdict.check) {
    case CustomerInfoGroupData::Check::NeedName:
      UIToast::showTextOf("NEEDINPUTNAME");
      break;
    case CustomerInfoGroupData::Check::NeedContactName:
      UIToast::showTextOf("NEEDINPUTCONTACTNAME");
      break;
    case CustomerInfoGroupData::Check::Ok:
      break;
  }
  if (verdict.check != CustomerInfoGroupData::Check::Ok) {
    // The field asked for takes the keys typed next.
    if (verdict.row >= 0) focusRow({verdict.section, verdict.row});
    return;
  }
  // The tab stores the groups (an edit in place) and shows the stored
  // customer; after a failure the form keeps everything entered.
  const std::optional<bool> hide = pendingHidden_;
  const int editedId = customerId();
  d->customerInfoViewDone(sender, customerInfoGroupData_);
  if (isEditing() || !hide) return;
  // Stored: the hide chosen while editing goes with it (the form may show
  // nothing now, when the customer was hidden already and is not listed).
  const int id = personInfo_ ? personInfo_->pid : editedId;
  if (id != 0) applyHidden(id, *hide);
}

void CustomerInfoView::customerInfoViewEdit(ui::Control*) {
  MV_ASSERT_MAIN_THREAD();
  if (!personInfo_ || personInfo_->pid >= 0) return;
  setMode(kEditMode);
  cancelButton_->setHidden(false);
  doneButton_->setHidden(false);
  editButton_->setHidden(true);
  reload();
}

void CustomerInfoView::addAddress() {
  MV_ASSERT_MAIN_THREAD();
  if (!isEditing()) return;
  resignEditing();
  customerInfoGroupData_.addAddress(addressFields_);
  reload();
}

void CustomerInfoView::addConctact() {
  MV_ASSERT_MAIN_THREAD();
  if (!isEditing()) return;
  resignEditing();
  customerInfoGroupData_.addContact();
  reload();
}

// --- table --------------------------------------------------------------------------------------------

long CustomerInfoView::numberOfSectionsInTableView(ui::TableView&) {
  if (!personInfo_) return 0;
  return customerInfoGroupData_.numberOfSections(isEditing());
}

long CustomerInfoView::tableViewNumberOfRowsInSection(ui::TableView&, long section) {
  return customerInfoGroupData_.numberOfRowsInSection(section, isEditing());
}

std::shared_ptr<ui::TableViewCell> CustomerInfoView::tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                                   const ui::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<CustomerAttributeCell>(
      tableView.dequeueReusableCellWithIdentifier(CustomerAttributeCell::kReuseIdentifier));
  if (!cell) cell = std::make_shared<CustomerAttributeCell>();
  configure(*cell, indexPath);
  return cell;
}

void CustomerInfoView::configure(CustomerAttributeCell& cell, const ui::IndexPath& indexPath) {
  const long formSection = indexPath.section - 1;
  // View mode has no add-address section: its contacts sit one section
  // higher than the fields' edit-mode places say.
  const auto* row = customerInfoGroupData_.rowOfSection(indexPath.section, indexPath.row, isEditing());
  const auto* group = customerInfoGroupData_.groupOfSection(indexPath.section, isEditing());
  if (!row || !group) return;
  cell.setDelegate(ui::weakAs<CustomerAttributeCellDelegate>(this));
  cell.setPlace(formSection, indexPath.row);
  const std::string value = row->attributeValue.value_or("");

  auto& label = cell.lblFiledName();
  label.setText(row->fieldName);
  const double labelHeight = std::max(CustomerAttributeCell::kTextHeight,
                                      textHeight(row->fieldName, CustomerAttributeCell::kLabelWidth));
  label.setFrame({CustomerAttributeCell::kLabelX, CustomerAttributeCell::kTextTop, CustomerAttributeCell::kLabelWidth,
                  labelHeight});

  const bool primary = indexPath.section == 1 || group->isDefault;
  const gfx::Color valueColor = primary ? primaryValueColor() : gfx::Color::gray();
  const bool active = customerInfoGroupData_.isActiveRow(*row);
  auto& field = cell.txtAttributeValue();
  auto& shown = cell.lblAttributeValueDefaul();
  if (isEditing()) {
    shown.setHidden(true);
    field.setText(value);
    field.setTextColor(valueColor);
    field.setEnabled(true);
    field.setHidden(active);
    const bool lastStop = customerInfoGroupData_.returnTarget(formSection, indexPath.row).runsDone;
    field.setReturnKeyType(lastStop ? ui::ReturnKeyType::Done : ui::ReturnKeyType::Next);
    cell.switchValue().setHidden(!active);
    cell.switchValue().setOn(value == "YES");
    const bool required = row->field_id == CustomerInfoGroupData::kNameRow ||
                          row->field_id == CustomerInfoGroupData::kFirstNameRow ||
                          row->field_id == CustomerInfoGroupData::kLastNameRow;
    cell.redStarFlag().setHidden(!required);
    if (required) {
      // Just before the label's right-aligned text, so it reads with it.
      const double textWidth = std::min(CustomerAttributeCell::kLabelWidth,
                                        gfx::sizeWithFont(row->fieldName, label.font()).width);
      const auto star = cell.redStarFlag().frame();
      cell.redStarFlag().setFrame({CustomerAttributeCell::kLabelX + CustomerAttributeCell::kLabelWidth - textWidth -
                                       star.width(),
                                   star.y(), star.width(), star.height()});
    }
  } else {
    field.setHidden(true);
    field.setEnabled(false);
    cell.switchValue().setHidden(true);
    cell.redStarFlag().setHidden(true);
    shown.setHidden(false);
    // The active row keeps "YES" or "NO" as its value and reads it in the
    // interface language.
    const std::string reading = active ? text(value == "YES" ? "STR_YES" : "STR_NO") : value;
    shown.setText(reading);
    shown.setTextColor(valueColor);
    const double valueHeight =
        std::max(CustomerAttributeCell::kTextHeight, textHeight(reading, CustomerAttributeCell::kValueWidth));
    shown.setFrame({CustomerAttributeCell::kValueX, CustomerAttributeCell::kTextTop,
                    CustomerAttributeCell::kValueWidth, valueHeight});
  }
}

double CustomerInfoView::rowHeight(const customer_attribute_cell_Entity& cell) const {
  const double label = textHeight(cell.fieldName, CustomerAttributeCell::kLabelWidth);
  const double value = textHeight(cell.attributeValue.value_or(""), CustomerAttributeCell::kValueWidth);
  if (label > value) return label + kRowPadding;
  if (isEditing()) return kEditRowHeight;
  return std::max(value, CustomerAttributeCell::kTextHeight) + kRowPadding;
}

std::optional<double> CustomerInfoView::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                         const ui::IndexPath& indexPath) {
  const auto* row = customerInfoGroupData_.rowOfSection(indexPath.section, indexPath.row, isEditing());
  return row ? rowHeight(*row) : kEditRowHeight;
}

std::optional<double> CustomerInfoView::tableViewHeightForHeaderInSection(ui::TableView&, long section) {
  return CustomerInfoGroupData::headerHeight(section, isEditing(), hasPublishedAddressAttribute_,
                                             customerInfoGroupData_.companyCount());
}

std::optional<double> CustomerInfoView::tableViewHeightForFooterInSection(ui::TableView&, long) { return 10; }

std::shared_ptr<ui::View> CustomerInfoView::tableViewViewForHeaderInSection(ui::TableView& tableView, long section) {
  using Kind = CustomerInfoGroupData::SectionKind;
  const auto place = customerInfoGroupData_.sectionAt(section, isEditing());
  const double width = tableView.bounds().width();
  switch (place.kind) {
    case Kind::Switches: {
      auto header = std::make_shared<CustomerInfoViewHiddenCell>(ui::Rect{0, 0, width, CustomerInfoViewHiddenCell::kHeight});
      header->setDelegate(ui::weakAs<CustomerInfoViewHiddenCellDelegate>(this));
      header->switchView().setOn(pendingHidden_.value_or(personInfo_ && personInfo_->hidden));
      header->importantSwicth().setOn(personInfo_ && personInfo_->markAsImportant);
      // The switches act on a stored customer; one being entered has none yet.
      const bool stored = customerId() != 0;
      for (ui::Switch* s : {&header->switchView(), &header->importantSwicth()}) {
        s->setEnabled(stored);
        s->setAlpha(stored ? 1.0 : 0.4);  // visibly out of use
      }
      // What is submitted is what is stored: not while it is being edited.
      header->submitButton().setHidden(!(customerId() < 0 && !isEditing()));
      return header;
    }
    case Kind::Company:
    case Kind::Contact: {
      const bool company = place.kind == Kind::Company;
      const auto& group = company ? customerInfoGroupData_.customerCompanyData()[static_cast<std::size_t>(place.group)]
                                  : customerInfoGroupData_.customerContactData()[static_cast<std::size_t>(place.group)];
      auto header = std::make_shared<CustomerInfoGroupView>(ui::Rect{0, 0, width, CustomerInfoGroupView::kHeight});
      header->setDelegate(ui::weakAs<CustomerInfoGroupViewDelegate>(this));
      header->lblGroupName().setText(group.groupName);
      header->setIndexId(group.indexId);
      header->setIsSelect(group.isDefault);
      const bool base = company && place.group == 0;
      header->setType(base ? CustomerInfoGroupData::kTypeBase
                           : company ? CustomerInfoGroupData::kTypeAddress : CustomerInfoGroupData::kTypeContact);
      header->setSelectButtonHidden(base);
      header->deleteButton().setHidden(!(isEditing() && section >= 3));
      if (company && !hasPublishedAddressAttribute_) header->setHidden(true);
      return header;
    }
    case Kind::AddAddress:
    case Kind::AddContact: {
      auto header = std::make_shared<ui::View>(ui::Rect{0, 0, width, CustomerInfoGroupView::kHeight});
      header->setBackgroundColor(gfx::Color::clear());
      const bool address = place.kind == Kind::AddAddress;
      if (address && !hasPublishedAddressAttribute_) return header;
      auto button = std::make_shared<ui::Button>(ui::Rect{25, 15, 120, 30});
      button->setTitle(text(address ? "ADDADDRESS" : "ADDCONTACTS"));
      ViewStyle::initializeToButtonFlatStyleBlue(*button);
      button->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
      button->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Left);
      button->addAction(
          [this, address](ui::Control&, const ui::Event*) {
            if (address) {
              addAddress();
            } else {
              addConctact();
            }
          },
          ui::ControlEventTouchDown);
      header->addSubview(button);
      return header;
    }
    case Kind::None:
      break;
  }
  return nullptr;
}

CustomerInfoViewHiddenCell* CustomerInfoView::hiddenCell() const {
  return dynamic_cast<CustomerInfoViewHiddenCell*>(tableCustomerInfo_->headerViewForSection(0));
}

CustomerInfoGroupView* CustomerInfoView::groupView(long section) const {
  return dynamic_cast<CustomerInfoGroupView*>(tableCustomerInfo_->headerViewForSection(section));
}

// --- groups -----------------------------------------------------------------------------------------------

void CustomerInfoView::groupViewClick(int indexId, int type) {
  MV_ASSERT_MAIN_THREAD();
  if (isEditing()) {
    // Only the form changes; DONE stores the choice with the rest, Cancel drops it.
    customerInfoGroupData_.chooseDefault(indexId, type);
    reload();
    return;
  }
  const int id = customerId();
  bool stored = false;
  if (id != 0) {
    const SessionDatabase::UserWrite userWrite;
    stored = type == CustomerInfoGroupData::kTypeAddress ? directory_->storeDefaultAddress(id, indexId)
                                                          : directory_->storeDefaultContact(id, indexId);
  }
  if (!stored) {
    MV_LOG("customers: the primary choice of customer ", id, " could not be stored");
    showFailure();
    reload();  // the check box shows the stored choice again
    return;
  }
  customerInfoGroupData_.chooseDefault(indexId, type);
  reload();
  if (auto d = delegate_.lock()) d->customerInfoViewChangePrimary();
}

void CustomerInfoView::deleteSection(int indexId, int type) {
  MV_ASSERT_MAIN_THREAD();
  if (!isEditing()) return;
  resignEditing();
  customerInfoGroupData_.deleteGroup(indexId, type);
  reload();
}

// --- rows --------------------------------------------------------------------------------------------------

void CustomerInfoView::customerAttributeCellTextFieldBegin(CustomerAttributeCell& cell) {
  tableInputViewFocus_ = true;
  const ui::IndexPath path{cell.section() + 1, cell.row()};
  tableCustomerInfo_->scrollToRowAtIndexPath(path, editingRowPosition(), true);
  curCell_ = path;
}

void CustomerInfoView::customerAttributeCellTextFieldcEnd(const std::string& value, long section, long row,
                                                         const std::string& label) {
  auto* cell = customerInfoGroupData_.rowAt(section, row);
  // A report from a row that is no longer there changes nothing.
  if (!cell || cell->fieldName != label) return;
  cell->attributeValue = value;
  tableInputViewFocus_ = false;
}

void CustomerInfoView::customerAttributeCellSwitchViewAction(bool on) { customerInfoGroupData_.switchActivi(on); }

void CustomerInfoView::customerAttributeCellShouldReturn(long section, long row) {
  MV_ASSERT_MAIN_THREAD();
  const auto target = customerInfoGroupData_.returnTarget(section, row);
  if (target.runsDone) {
    customerInfoViewDone(nullptr);
    return;
  }
  focusRow({target.section, target.row});
}

void CustomerInfoView::focusRow(const ui::IndexPath& path) {
  tableCustomerInfo_->scrollToRowAtIndexPath(path, editingRowPosition(), true);
  auto weak = ui::weakAs<CustomerInfoView>(this);
  timers_.after(kFocusDelay, [weak, path] {
    auto self = weak.lock();
    if (!self) return;
    if (auto* cell = dynamic_cast<CustomerAttributeCell*>(self->tableCustomerInfo_->cellForRowAtIndexPath(path))) {
      cell->txtAttributeValue().becomeFirstResponder();
    }
  });
}

// --- header ------------------------------------------------------------------------------------------------

void CustomerInfoView::switchViewAction(bool on) {
  MV_ASSERT_MAIN_THREAD();
  const int id = customerId();
  if (id == 0) return;  // nothing stored to hide yet
  if (isEditing()) {
    // Hiding may take the customer out of the list and the form: it waits
    // for DONE so the edits are stored first.
    pendingHidden_ = on;
    return;
  }
  if (!applyHidden(id, on)) {
    if (auto* header = hiddenCell()) header->switchView().setOn(!on);
  }
}

bool CustomerInfoView::applyHidden(int id, bool on) {
  const SessionDatabase::UserWrite userWrite;
  if (!directory_->storeHidden(id, on)) {
    MV_LOG("customers: the hidden flag of customer ", id, " could not be stored");
    showFailure();
    return false;
  }
  if (personInfo_ && personInfo_->pid == id) personInfo_->hidden = on;
  if (auto d = delegate_.lock()) d->customerInfoViewHiddenChange(id, on);
  return true;
}

void CustomerInfoView::switchViewImportant(bool on) {
  MV_ASSERT_MAIN_THREAD();
  const int id = customerId();
  if (id == 0) return;
  const SessionDatabase::UserWrite userWrite;
  if (!directory_->storeImportant(id, on)) {
    MV_LOG("customers: the important flag of customer ", id, " could not be stored");
    showFailure();
    if (auto* header = hiddenCell()) header->importantSwicth().setOn(!on);
    return;
  }
  personInfo_->markAsImportant = on;
  if (auto d = delegate_.lock()) d->customerInfoViewImportantChange(id, on);
}

void CustomerInfoView::submitAction(ui::Control*) {
  MV_ASSERT_MAIN_THREAD();
  if (!personInfo_ || personInfo_->pid >= 0 || isEditing()) return;
  if (auto d = delegate_.lock()) d->submitCustomer(*personInfo_);
}

// --- keyboard -------------------------------------------------------------------------------------------------

ui::TableViewScrollPosition CustomerInfoView::editingRowPosition() const {
  // The middle stays clear of an on-screen keyboard; a desktop's keyboard
  // covers nothing, so a row in sight stays where it stands.
  const ui::Window* w = window();
  return w && w->hasOnScreenKeyboard() ? ui::TableViewScrollPosition::Middle : ui::TableViewScrollPosition::None;
}

void CustomerInfoView::keyboardWasShown() {
  if (!tableInputViewFocus_) return;
  ui::View::beginAnimations("move");
  ui::View::setAnimationCurve(ui::AnimationCurve::EaseOut);
  ui::View::setAnimationDuration(0.3);
  tableCustomerInfo_->setFrame({kTableX, kTableTop, kTableWidth, kKeyboardTableHeight});
  ui::View::commitAnimations();
  if (curCell_) {
    tableCustomerInfo_->scrollToRowAtIndexPath(*curCell_, ui::TableViewScrollPosition::Top, false);
    curCell_.reset();
  }
}

void CustomerInfoView::keyboardWasHidden() { tableCustomerInfo_->setFrame(tableFrame()); }

}  // namespace mv
