#include "customer/CustomerListView.hpp"

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/SessionDatabase.hpp"
#include "sync/SyncModel.hpp"
#include "util/Text.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"
#include "widgets/WidgetSkin.hpp"

namespace mv {
namespace {

constexpr double kSwitchTop = 50;
constexpr double kSwitchHeight = 32;
constexpr double kStripHeight = 38;
constexpr double kPanelBottom = 692;

}  // namespace

std::shared_ptr<CustomerListView> CustomerListView::create(const ui::Rect& frame,
                                                           std::shared_ptr<CustomerDataModel> directory) {
  std::shared_ptr<CustomerListView> panel(new CustomerListView(frame, std::move(directory)));
  panel->build();
  LanguageManager::sharedInstance().registerLanugageNotification(panel);
  return panel;
}

CustomerListView::CustomerListView(const ui::Rect& frame, std::shared_ptr<CustomerDataModel> directory)
    : ui::View(frame), directory_(std::move(directory)) {}

CustomerListView::~CustomerListView() {
  LanguageManager::sharedInstance().unRegisterLanugageNotification(this);
  if (customerNotePopover_) customerNotePopover_->dismissPopoverAnimated(false);
}

double CustomerListView::stripBottom() const { return kSwitchTop + kSwitchHeight + 4 + kStripHeight; }

void CustomerListView::build() {
  const double width = bounds().width();
  setBackgroundColor(gfx::Color::white());

  titleBar_ = std::make_shared<ui::ImageView>(ui::Rect{0, -20, kWidth, 64});
  titleBar_->setImage(WidgetSkin::skinFromImageName("topbar-left-bg.png"));
  addSubview(titleBar_);
  lblCustomer_ = std::make_shared<ui::Label>(ui::Rect{100, 7, 160, 30});
  lblCustomer_->setTextColor(gfx::Color::white());
  lblCustomer_->setFont(gfx::Font::systemFont(17));
  lblCustomer_->setTextAlignment(gfx::TextAlignment::Center);
  lblCustomer_->setBackgroundColor(gfx::Color::clear());
  addSubview(lblCustomer_);

  addNewCustomerButton_ = std::make_shared<ui::Button>(ui::Rect{315, 8, 30, 30});
  addNewCustomerButton_->setImage(WidgetSkin::skinFromImageName("btn_add.png"));
  addNewCustomerButton_->setAccessibilityLabel(text("NEWCUSTOMER"));
  addNewCustomerButton_->addAction([this](ui::Control& sender, const ui::Event*) { addNewCustomer(&sender); },
                                   ui::ControlEventTouchDown);
  addSubview(addNewCustomerButton_);

  sortSegmentedCtrl_ = std::make_shared<ui::SegmentedControl>(
      std::vector<std::string>{text("BYNAME"), text("BYCONTACT"), text("BYSTATE")});
  sortSegmentedCtrl_->setFrame({30, kSwitchTop, width - 60, kSwitchHeight});
  sortSegmentedCtrl_->setSegmentedControlStyle(2);
  sortSegmentedCtrl_->setTintColor(ViewStyle::colorOfMainTheme());
  sortSegmentedCtrl_->setSelectedSegmentIndex(0);
  sortSegmentedCtrl_->addAction(
      [this](ui::Control& sender, const ui::Event*) {
        Selectbutton(static_cast<ui::SegmentedControl&>(sender).selectedSegmentIndex());
      },
      ui::ControlEventValueChanged);
  addSubview(sortSegmentedCtrl_);

  const double stripTop = kSwitchTop + kSwitchHeight + 4;
  searchBarBG_ = std::make_shared<ui::View>(ui::Rect{0, stripTop, width, kStripHeight});
  searchBarBG_->setBackgroundColor(gfx::Color::rgb255(231, 231, 231));
  addSubview(searchBarBG_);
  searchBar_ = std::make_shared<ui::SearchBar>(ui::Rect{5, stripTop + 2, width - 10, 34});
  searchBar_->setPlaceholder(text("CUSTOMERSEARCHHOLD"));
  searchBar_->setBackgroundImage(WidgetSkin::skinFromImageName("bg_searchbar.png"));
  searchBar_->setDelegate(ui::weakAs<ui::SearchBarDelegate>(this));
  addSubview(searchBar_);

  newCustomerCell_ = std::make_shared<ui::Button>(ui::Rect{0, 133, kWidth, 60});
  newCustomerCell_->setTitle(text("NEWCUSTOMER"));
  newCustomerCell_->titleLabel().setFont(gfx::Font::italicSystemFont(20));
  newCustomerCell_->setTitleColor(gfx::Color::white());
  newCustomerCell_->setContentHorizontalAlignment(ui::ContentHorizontalAlignment::Left);
  newCustomerCell_->setContentEdgeInsets({0, 15, 0, 0});
  newCustomerCell_->setBackgroundColor(ViewStyle::colorOfMainTheme());
  newCustomerCell_->setHidden(true);
  addSubview(newCustomerCell_);

  tableCustomer_ = std::make_shared<CustomerTable>(directory_);
  tableCustomer_->setDelegate(ui::weakAs<CustomerListControllerDelegate>(this));
  auto table = tableCustomer_->view();
  table->setFrame({0, stripBottom(), kWidth, kPanelBottom - stripBottom()});
  addSubview(table);

  // Over the list while the book is read: what the list shows meanwhile is
  // not the book.
  loadingSpinner_ = std::make_shared<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
  loadingSpinner_->setFrame({(kWidth - 20) / 2, stripBottom() + 40, 20, 20});
  addSubview(loadingSpinner_);
  loadingLabel_ = std::make_shared<ui::Label>(ui::Rect{20, stripBottom() + 66, kWidth - 40, 24});
  loadingLabel_->setFont(gfx::Font::systemFont(15));
  loadingLabel_->setTextColor(gfx::Color::darkGray());
  loadingLabel_->setTextAlignment(gfx::TextAlignment::Center);
  loadingLabel_->setBackgroundColor(gfx::Color::clear());
  addSubview(loadingLabel_);

  customerNoteContentVC_ = std::make_shared<ui::ViewController>();
  auto content = customerNoteContentVC_->view();
  content->setFrame({0, 0, kNoteWidth, kNoteHeight});
  content->setBackgroundColor(gfx::Color::clear());
  auto note = std::make_shared<ui::TextView>(ui::Rect{0, 0, kNoteWidth, kNoteHeight});
  note->setTag(kNoteTextViewTag);
  note->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
  note->setFont(gfx::Font::systemFont(15));
  note->setTextColor(gfx::Color::darkGray());
  note->setAutocapitalizationType(ui::TextAutocapitalizationType::None);
  note->setAutocorrectionType(ui::TextAutocorrectionType::No);
  note->setContentInset({5, 5, 5, 5});
  note->setBackgroundColor(gfx::Color::clear());
  content->addSubview(note);
  customerNotePopover_ = std::make_shared<ui::PopoverController>(customerNoteContentVC_);
  customerNotePopover_->setPopoverContentSize({kNoteWidth, kNoteHeight});
  customerNotePopover_->setBackgroundColor(gfx::Color::rgb255(248, 248, 233, 0.5));
  customerNotePopover_->setDelegate(ui::weakAs<ui::PopoverControllerDelegate>(this));

  notifiChangelanguage();
}

ui::TextView* CustomerListView::noteTextView() const {
  if (!customerNoteContentVC_) return nullptr;
  return dynamic_cast<ui::TextView*>(customerNoteContentVC_->view()->viewWithTag(kNoteTextViewTag));
}

// --- the tab's calls -------------------------------------------------------------------------

void CustomerListView::showBook() {
  if (isEditType()) setNewCustomerHidden(true, false);
  tableCustomer_->RefrashByType(static_cast<int>(selectedRow_));
  showLoading();
}

void CustomerListView::showLoading() {
  const bool unread = directory_ && !directory_->isBookRead();
  const bool reading = unread && directory_->isReadingBeside();
  loadingLabel_->setHidden(!unread);
  loadingLabel_->setText(text(reading ? "CUSTOMERSLOADING" : "CUSTOMERSNOTREAD"));
  if (reading) {
    loadingSpinner_->startAnimating();
  } else {
    loadingSpinner_->stopAnimating();
  }
}

void CustomerListView::selectedCustomer(int customerId) {
  resignSearchBar();
  tableCustomer_->focuseCustomerName(customerId);
}

void CustomerListView::selectedCustomerByConatct(const ContactMode& contact) {
  tableCustomer_->selectedCustomerByConatct(contact);
}

void CustomerListView::customerListViewCancle() {
  setNewCustomerHidden(true, true);
  tableCustomer_->refreshFocus();
}

void CustomerListView::customerListViewDone() { setNewCustomerHidden(true, true); }

// --- controls -----------------------------------------------------------------------------------

void CustomerListView::addNewCustomer(ui::Control* sender) {
  resignSearchBar();
  auto d = delegate_.lock();
  if (!d || !sender) return;
  if (directory_->allAttributes().empty() && directory_->isReadingBeside()) {
    // The fields come with the book being read, as after the sync that
    // brought them: the form opens once it has landed.
    directory_->whenReadBesideEnds([weak = ui::weakAs<CustomerListView>(this)] {
      if (auto self = weak.lock()) self->addNewCustomer(self->addNewCustomerButton_.get());
    });
    return;
  }
  if (directory_->allAttributes().empty()) {
    // The customer tables were never synced: no fields to fill in. A sync
    // under way is still to bring them, which the user is told rather than
    // asked to sync.
    const auto engine = SyncModel::sharedInstance();
    UIToast::showTextOf(engine && engine->isDownloading() ? "CUSTOMERSSYNCING" : "NOTEUPDATECUSTOMER");
    return;
  }
  newCustomerCell_->setTitle(text("NEWCUSTOMER"));
  setNewCustomerHidden(false, true);
  tableCustomer_->desSelected();
  d->addNewCustomer(sender);
}

void CustomerListView::setNewCustomerHidden(bool hidden, bool animated) {
  auto apply = [this, hidden] {
    newCustomerCell_->setHidden(hidden);
    addNewCustomerButton_->setHidden(!hidden);
    tableCustomer_->view()->setFrame(hidden ? ui::Rect{0, stripBottom(), kWidth, kPanelBottom - stripBottom()}
                                            : ui::Rect{0, 193, kWidth, 499});
  };
  if (!animated) {
    apply();
    return;
  }
  ui::View::beginAnimations("move");
  ui::View::setAnimationCurve(ui::AnimationCurve::EaseOut);
  ui::View::setAnimationDuration(0.3);
  apply();
  ui::View::commitAnimations();
}

void CustomerListView::Selectbutton(long segment) {
  resignSearchBar();
  tableCustomer_->groupPersonsBy(static_cast<int>(segment));
  selectedRow_ = segment;
}

void CustomerListView::notifiChangelanguage() {
  lblCustomer_->setText(text("CUSTOMER"));
  const char* keys[] = {"BYNAME", "BYCONTACT", "BYSTATE"};
  for (std::size_t i = 0; i < 3; ++i) sortSegmentedCtrl_->setTitle(text(keys[i]), i);
  searchBar_->setPlaceholder(text("CUSTOMERSEARCHHOLD"));
  showLoading();
  tableCustomer_->RefrashByType(static_cast<int>(sortSegmentedCtrl_->selectedSegmentIndex()));
}

// --- the list's reports -----------------------------------------------------------------------------

void CustomerListView::resignSearchBar() { searchBar_->resignFirstResponder(); }

void CustomerListView::changedCustomer(const PersonSummary* person, const std::optional<std::string>& firstName,
                                       const std::optional<std::string>& lastName) {
  if (auto d = delegate_.lock()) d->changedCustomer(person, firstName, lastName);
}

void CustomerListView::deleteLocalCustomer(int customerId) {
  if (auto d = delegate_.lock()) d->deleteLocalCustomer(customerId);
}

void CustomerListView::customerTableSelectCellAtRect(CustomerTable&, const ui::Rect& rect, const std::string& text,
                                                     int customerId, bool editing) {
  currentShowNoteID_ = customerId;
  ui::TextView* note = noteTextView();
  if (note) note->setText(text);
  ui::Rect at = rect;
  at.origin.y += 130;
  at.size.width -= 20;
  customerNotePopover_->presentPopoverFromRect(at, this, ui::PopoverArrowDirectionLeft, true);
  if (editing && note) note->becomeFirstResponder();
}

bool CustomerListView::popoverControllerShouldDismissPopover(ui::PopoverController& popover) {
  if (&popover != customerNotePopover_.get() || currentShowNoteID_ == 0) return true;
  const int id = currentShowNoteID_;
  ui::TextView* note = noteTextView();
  const std::string text = note ? note->text() : std::string();
  // White space alone is a note too; only an empty text removes it.
  const bool keep = !text.empty();
  const SessionDatabase::UserWrite userWrite;
  const bool stored = keep ? directory_->storeNote(id, text) : directory_->storeNoteMark(id, false);
  if (!stored) {
    MV_LOG("customers: the note of ", id, " could not be stored");
    UIToast::showTextOf(SessionDatabase::failedWriteKey());
    // Given way to the sync, the text stays in the open note, to be closed
    // (and stored) once the sync has finished. Any other failure would not
    // pass, and the note closes rather than hold the window.
    if (SessionDatabase::lastWriteGaveWay()) return false;
    currentShowNoteID_ = 0;
    return true;
  }
  currentShowNoteID_ = 0;
  return true;
}

// --- search -------------------------------------------------------------------------------------------

void CustomerListView::searchBarTextDidChange(ui::SearchBar&, const std::string& searchText) {
  auto d = delegate_.lock();
  if (!isBlank(searchText)) {
    if (!d) return;
    if (selectedRow_ == CustomerGrouping::kByContact) {
      d->searchTextDidChangeByContact(searchText);
    } else {
      d->searchTextDidChange(searchText);
    }
    return;
  }
  tableCustomer_->RefrashByType(static_cast<int>(selectedRow_));
  tableCustomer_->refreshFocus();
  if (d) d->searchTextDidChange(searchText);
}

void CustomerListView::searchBarSearchButtonClicked(ui::SearchBar&) {
  resignSearchBar();
  if (auto d = delegate_.lock()) d->dismissPopoverController();
}

}  // namespace mv
