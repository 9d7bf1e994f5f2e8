#include "customer/CustomerTable.hpp"

#include <algorithm>
#include <utility>

#include "customer/CustomerDataModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/ui/WeakAs.hpp"
#include "shell/frame/UIToast.hpp"
#include "store/SessionDatabase.hpp"
#include "util/TextLookup.hpp"
#include "widgets/ViewStyle.hpp"

namespace mv {
namespace {


gfx::Color textColorFor(const PersonSummary& p) {
  return p.hidden ? gfx::Color::rgb255(150, 150, 150) : gfx::Color::black();
}

// The title of the section of important customers, which the groupings
// place by it.
std::string importantTitle() { return CustomerGrouping::importantTitle(); }

}  // namespace

CustomerTable::CustomerTable(std::shared_ptr<CustomerDataModel> directory)
    : ui::TableViewController(ui::TableViewStyle::Plain), directory_(std::move(directory)) {}

CustomerTable::~CustomerTable() {
  if (notePopover_) notePopover_->dismissPopoverAnimated(false);
}

void CustomerTable::viewDidLoad() {
  MV_ASSERT_MAIN_THREAD();
  ui::TableViewController::viewDidLoad();
  auto table = tableView();
  table->setRowHeight(kRowHeight);
  table->setSectionHeaderHeight(kHeaderHeight);
  table->setSeparatorStyle(ui::TableViewCellSeparatorStyle::None);
  table->setSectionIndexColor(ViewStyle::colorOfMainTheme());
  notePopoverVC_ = std::make_shared<CustomerEditPopViewController>();
  notePopoverVC_->setDelegate(ui::weakAs<CustomerEditPopViewControllerDelegate>(this));
  notePopover_ = std::make_shared<ui::PopoverController>(notePopoverVC_);
  notePopover_->setPopoverContentSize({CustomerEditPopViewController::kWidth, CustomerEditPopViewController::kHeight});
}

// --- grouping and selection ----------------------------------------------------------------

void CustomerTable::RefrashByType(int mode) {
  MV_ASSERT_MAIN_THREAD();
  m_section_ = m_row_ = -1;
  selectContactSection_ = selectContactRow_ = -1;
  groupPersonsBy(mode);
}

void CustomerTable::groupPersonsBy(int mode) {
  MV_ASSERT_MAIN_THREAD();
  m_section_ = m_row_ = -1;
  currentSoryByType_ = mode;
  auto sections = directory_ ? directory_->sections(mode, importantTitle()) : std::vector<CustomerInfoList>();
  // The rows going may hold the last of a book read again: they end off the
  // main thread, with its records.
  base::WorkQueue::global().dispose(std::exchange(customerlist_, std::move(sections)));
  auto table = tableView();
  if (mode == CustomerGrouping::kByContact) {
    selectContactSection_ = selectContactRow_ = -1;
    if (auto d = delegate_.lock()) d->changedCustomer(nullptr, std::nullopt, std::nullopt);
    table->reloadData();
    return;
  }
  table->reloadData();
  refreshFocus();
}

void CustomerTable::refreshFocus() { focuseCustomerName(selectedPID_); }

void CustomerTable::focuseCustomerName(int customerId) {
  MV_ASSERT_MAIN_THREAD();
  auto person = directory_ ? directory_->customer(customerId) : nullptr;
  if (!person) return;
  // Grouped by contact, the customer's first contact's row.
  ContactMode row{"", "", person};
  if (currentSoryByType_ == CustomerGrouping::kByContact) {
    row.lastName = person->name;
    if (!person->contact.empty()) {
      row.fristName = person->contact.front().first_name;
      row.lastName = person->contact.front().last_name;
    }
  }
  const auto found = CustomerGrouping::pathOf(customerlist_, row, currentSoryByType_, importantTitle());
  if (!found) return;
  const ui::IndexPath path = *found;
  auto table = tableView();
  auto& section = customerlist_[static_cast<std::size_t>(path.section)];
  if (!section.opened) {
    section.opened = true;
    section.indexPaths.clear();
    table->reloadData();
  }
  showWhole(path);
  table->selectRowAtIndexPath(path, false, ui::TableViewScrollPosition::None);
  if (m_section_ >= 0 && ui::IndexPath{m_section_, m_row_} != path) restoreColor({m_section_, m_row_});
  selectRow(path, false);
}

void CustomerTable::showWhole(const ui::IndexPath& path) {
  auto table = tableView();
  // The section from its header on; its header stays at the top while the
  // section scrolls under it, so a row further down stops just below it.
  const ui::Rect header = table->rectForHeaderInSection(path.section);
  const ui::Rect row = table->rectForRowAtIndexPath(path);
  ui::Point offset = table->contentOffset();
  offset.y = header.minY() - table->contentInset().top;
  if (row.maxY() > offset.y + table->bounds().height()) offset.y = row.minY() - header.height();
  table->setContentOffset(table->clampedContentOffset(offset));
}

std::optional<ContactMode> CustomerTable::selectedContactMode() const {
  const bool byContact = currentSoryByType_ == CustomerGrouping::kByContact;
  const long s = byContact ? selectContactSection_ : m_section_;
  const long r = byContact ? selectContactRow_ : m_row_;
  const ContactMode* row = personOfIndexPath({s, r});
  if (s < 0 || r < 0 || !row) return std::nullopt;
  return *row;
}

void CustomerTable::customerReplaced(const std::shared_ptr<const PersonSummary>& before,
                                     const std::shared_ptr<const PersonSummary>& after) {
  MV_ASSERT_MAIN_THREAD();
  const std::optional<ContactMode> selected = selectedContactMode();
  const std::string title = importantTitle();
  if (before) CustomerGrouping::removeRows(customerlist_, *before, currentSoryByType_, title);
  if (after) CustomerGrouping::insertRows(customerlist_, after, currentSoryByType_, title);
  refoldSections();
  auto table = tableView();
  table->reloadData();
  const bool byContact = currentSoryByType_ == CustomerGrouping::kByContact;
  m_section_ = m_row_ = -1;
  selectContactSection_ = selectContactRow_ = -1;
  if (!selected) return;
  // The selection follows its row, the changed customer's to its new record.
  ContactMode row = *selected;
  const bool changed = before && row.personInfo->pid == before->pid;
  if (changed) {
    if (!after) return;
    row.personInfo = after;
  }
  const auto path = CustomerGrouping::pathOf(customerlist_, row, currentSoryByType_, title);
  if (!path) return;
  table->selectRowAtIndexPath(*path, false, ui::TableViewScrollPosition::None);
  if (changed) {
    selectRow(*path, false);
    return;
  }
  if (byContact) {
    selectContactSection_ = path->section;
    selectContactRow_ = path->row;
  }
  m_section_ = path->section;
  m_row_ = path->row;
  if (auto* cell = table->cellForRowAtIndexPath(*path)) cell->setSelected(true);
}

void CustomerTable::refoldSections() {
  for (std::size_t s = 0; s < customerlist_.size(); ++s) {
    auto& section = customerlist_[s];
    if (section.opened) continue;
    section.indexPaths.clear();
    for (std::size_t r = 0; r < section.arrayPersons.size(); ++r)
      section.indexPaths.push_back({static_cast<long>(s), static_cast<long>(r)});
  }
}

void CustomerTable::selectedCustomerByConatct(const ContactMode& contact) {
  if (currentSoryByType_ != CustomerGrouping::kByContact || customerlist_.empty()) return;
  auto table = tableView();
  for (std::size_t s = 0; s < customerlist_.size(); ++s) {
    const auto& rows = customerlist_[s].arrayPersons;
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (rows[r].fristName != contact.fristName || rows[r].lastName != contact.lastName) continue;
      const ui::IndexPath path{static_cast<long>(s), static_cast<long>(r)};
      table->selectRowAtIndexPath(path, false, ui::TableViewScrollPosition::Middle);
      selectRow(path);
      return;
    }
  }
}

void CustomerTable::selectRow(const ui::IndexPath& path, bool byPerson) {
  const ContactMode* row = personOfIndexPath(path);
  if (!row) return;
  auto d = delegate_.lock();
  if (d && byPerson) d->resignSearchBar();
  if (currentSoryByType_ == CustomerGrouping::kByContact) {
    selectContactSection_ = path.section;
    selectContactRow_ = path.row;
    if (d) d->changedCustomer(row->personInfo.get(), row->fristName, row->lastName);
  } else {
    selectedPID_ = row->personInfo->pid;
    if (d) d->changedCustomer(row->personInfo.get(), std::nullopt, std::nullopt);
  }
  if (auto* cell = tableView()->cellForRowAtIndexPath(path)) cell->setSelected(true);
  m_section_ = path.section;
  m_row_ = path.row;
}

void CustomerTable::restoreColor(const ui::IndexPath& path) {
  auto* cell = dynamic_cast<CustomerListCell*>(tableView()->cellForRowAtIndexPath(path));
  const ContactMode* row = personOfIndexPath(path);
  if (!cell || !row) return;
  cell->setNormalColor(textColorFor(*row->personInfo));
  cell->setSelected(false);
}

void CustomerTable::desSelected() {
  if (m_section_ < 0 || m_row_ < 0) return;
  const ui::IndexPath path{m_section_, m_row_};
  tableView()->deselectRowAtIndexPath(path, false);
  restoreColor(path);
  m_section_ = m_row_ = -1;
}

std::optional<ui::IndexPath> CustomerTable::selectedRow() const {
  if (m_section_ < 0 || m_row_ < 0) return std::nullopt;
  return ui::IndexPath{m_section_, m_row_};
}

const ContactMode* CustomerTable::personOfIndexPath(const ui::IndexPath& path) const {
  if (path.section < 0 || path.section >= static_cast<long>(customerlist_.size())) return nullptr;
  const auto& rows = customerlist_[static_cast<std::size_t>(path.section)].arrayPersons;
  if (path.row < 0 || path.row >= static_cast<long>(rows.size())) return nullptr;
  return &rows[static_cast<std::size_t>(path.row)];
}

// --- flags and notes ---------------------------------------------------------------------------

void CustomerTable::showNotePopoverAtIndexPath(const ui::IndexPath& path) {
  const ContactMode* row = personOfIndexPath(path);
  if (!row || !notePopover_) return;
  notePopoverVC_->setState(row->personInfo->hasNote ? 1 : 0);
  notePopoverVC_->setIndexPath(path);
  auto table = tableView();
  ui::Rect rect = table->rectForRowAtIndexPath(path);
  rect.origin.y -= 15;
  notePopover_->presentPopoverFromRect(rect, table.get(), ui::PopoverArrowDirectionUp, true);
}

void CustomerTable::showNoteContentAtIndexPath(const ui::IndexPath& path, bool aNewNote) {
  const ContactMode* row = personOfIndexPath(path);
  if (!row || !row->personInfo->hasNote) return;
  auto table = tableView();
  ui::Rect rect = table->rectForRowAtIndexPath(path);
  rect.origin.y -= table->contentOffset().y;
  const int id = row->personInfo->pid;
  // The note's text is read from the store as it is shown (a new note has none).
  std::string note;
  if (!aNewNote) {
    const auto details = directory_->details(id);
    if (!details) {
      reportFailure();
      return;
    }
    if (*details) note = (*details)->note;
  }
  if (auto d = delegate_.lock()) d->customerTableSelectCellAtRect(*this, rect, note, id, aNewNote);
}

void CustomerTable::reportFailure() { UIToast::showTextOf(SessionDatabase::failedWriteKey()); }

void CustomerTable::popViewControllerDidPressButton(CustomerEditPopViewController& controller) {
  if (notePopover_) notePopover_->dismissPopoverAnimated(true);
  const ui::IndexPath path = controller.indexPath();
  const ContactMode* row = personOfIndexPath(path);
  if (!row) return;
  const int id = row->personInfo->pid;
  const bool adding = controller.state() == 0;
  // Adding marks the customer and clears any old text; removing clears both.
  const SessionDatabase::UserWrite userWrite;
  if (!directory_->storeNoteMark(id, adding)) {
    MV_LOG("customers: the note mark of ", id, " could not be stored");
    reportFailure();
    return;
  }
  if (!adding) return;
  showNoteContentAtIndexPath(path, true);
  auto table = tableView();
  if (m_section_ >= 0 && ui::IndexPath{m_section_, m_row_} != path) restoreColor({m_section_, m_row_});
  table->selectRowAtIndexPath(path, false, ui::TableViewScrollPosition::None);
  selectRow(path);
}

// --- cells and headers ---------------------------------------------------------------------------

void CustomerTable::customerListCellDidLongPress(CustomerListCell& cell) {
  if (currentSoryByType_ == CustomerGrouping::kByContact) return;
  if (auto path = tableView()->indexPathForCell(&cell)) showNotePopoverAtIndexPath(*path);
}

void CustomerTable::customerListCellDidClick(CustomerListCell& cell) {
  auto table = tableView();
  auto path = table->indexPathForCell(&cell);
  if (!path) return;
  if (currentSoryByType_ != CustomerGrouping::kByContact) showNoteContentAtIndexPath(*path, false);
  if (m_section_ >= 0 && ui::IndexPath{m_section_, m_row_} != *path) restoreColor({m_section_, m_row_});
  table->selectRowAtIndexPath(*path, false, ui::TableViewScrollPosition::None);
  selectRow(*path);
}

void CustomerTable::sectionHeaderViewSectionClosed(SectionHeaderView& header, long section) {
  if (section < 0 || section >= static_cast<long>(customerlist_.size())) return;
  auto& list = customerlist_[static_cast<std::size_t>(section)];
  auto table = tableView();
  const long rows = static_cast<long>(list.arrayPersons.size());
  long visible = 0;
  bool firstVisible = false;
  for (const auto& p : table->indexPathsForVisibleRows()) {
    if (p.section != section) continue;
    ++visible;
    if (p.row == 0) firstVisible = true;
  }
  const bool allVisible = visible == rows;
  if (!allVisible && !firstVisible) {
    // Its head scrolled away: bring it back rather than fold it out of sight.
    table->scrollToRowAtIndexPath({section, 0}, ui::TableViewScrollPosition::Top, true);
    header.disclosureButton().setSelected(true);
    return;
  }
  if (rows == 1 && table->rectForRowAtIndexPath({section, 0}).minY() <= table->contentOffset().y) {
    table->scrollToRowAtIndexPath({section, 0}, ui::TableViewScrollPosition::Top, true);
    header.disclosureButton().setSelected(true);
    return;
  }
  list.opened = false;
  list.indexPaths.clear();
  for (long r = 0; r < rows; ++r) list.indexPaths.push_back({section, r});
  table->deleteRowsAtIndexPaths(list.indexPaths, ui::TableViewRowAnimation::Fade);
}

void CustomerTable::sectionHeaderViewSectionOpened(SectionHeaderView& /*header*/, long section) {
  if (section < 0 || section >= static_cast<long>(customerlist_.size())) return;
  auto& list = customerlist_[static_cast<std::size_t>(section)];
  list.opened = true;
  if (list.indexPaths.empty()) return;
  auto table = tableView();
  table->insertRowsAtIndexPaths(list.indexPaths, ui::TableViewRowAnimation::Fade);
  if (m_section_ == section && m_row_ >= 0)
    table->selectRowAtIndexPath(ui::IndexPath{m_section_, m_row_}, false, ui::TableViewScrollPosition::None);
  table->scrollToRowAtIndexPath({section, 0}, ui::TableViewScrollPosition::Top, true);
  list.indexPaths.clear();
}

long CustomerTable::numberOfSectionsInTableView(ui::TableView&) { return static_cast<long>(customerlist_.size()); }

long CustomerTable::tableViewNumberOfRowsInSection(ui::TableView&, long section) {
  if (section < 0 || section >= static_cast<long>(customerlist_.size())) return 0;
  const auto& list = customerlist_[static_cast<std::size_t>(section)];
  return list.opened ? static_cast<long>(list.arrayPersons.size()) : 0;
}

std::shared_ptr<ui::TableViewCell> CustomerTable::tableViewCellForRowAtIndexPath(ui::TableView& tableView,
                                                                                 const ui::IndexPath& indexPath) {
  auto cell = std::dynamic_pointer_cast<CustomerListCell>(
      tableView.dequeueReusableCellWithIdentifier(CustomerListCell::kReuseIdentifier));
  if (!cell) cell = std::make_shared<CustomerListCell>();
  cell->setCellDelegate(ui::weakAs<CustomerListCellDelegate>(this));
  const ContactMode* row = personOfIndexPath(indexPath);
  if (!row) return cell;
  if (currentSoryByType_ == CustomerGrouping::kByContact) {
    cell->setFristName(row->fristName, row->lastName);
    cell->setNoteShow(false);
  } else {
    cell->setCellValue(row->personInfo->name);
    cell->setNoteShow(row->personInfo->hasNote);
  }
  cell->setNormalColor(textColorFor(*row->personInfo));
  cell->tagLocal().setTitle(text("LOCAL"));
  cell->tagLocal().setHidden(row->personInfo->pid >= 0);
  cell->setSelected(selectedRow() == indexPath);
  return cell;
}

std::vector<std::string> CustomerTable::sectionIndexTitlesForTableView(ui::TableView&) {
  // The index comes with the book: before, it would lead nowhere.
  if (directory_ && !directory_->isBookRead()) return {};
  return CustomerGrouping::indexTitles();
}

long CustomerTable::tableViewSectionForSectionIndexTitle(ui::TableView&, const std::string& title, long) {
  return CustomerGrouping::sectionToShowForIndexTitle(customerlist_, title, currentSoryByType_);
}

bool CustomerTable::tableViewCanEditRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
  const ContactMode* row = personOfIndexPath(indexPath);
  return row && row->personInfo->pid < 0;
}

void CustomerTable::tableViewCommitEditingStyle(ui::TableView& tableView, ui::TableViewCellEditingStyle style,
                                                const ui::IndexPath& indexPath) {
  if (style != ui::TableViewCellEditingStyle::Delete) return;
  const ContactMode* row = personOfIndexPath(indexPath);
  if (!row || row->personInfo->pid >= 0) return;
  const int id = row->personInfo->pid;
  auto forget = [&](long& section, long& r) {
    if (section != indexPath.section || r < 0) return;
    if (r == indexPath.row) {
      section = r = -1;
    } else if (r > indexPath.row) {
      --r;  // the rows below move up
    }
  };
  forget(m_section_, m_row_);
  forget(selectContactSection_, selectContactRow_);
  auto& rows = customerlist_[static_cast<std::size_t>(indexPath.section)].arrayPersons;
  rows.erase(rows.begin() + indexPath.row);
  tableView.deleteRowsAtIndexPaths({indexPath}, ui::TableViewRowAnimation::Fade);
  if (auto d = delegate_.lock()) d->deleteLocalCustomer(id);
}

std::optional<double> CustomerTable::tableViewHeightForRowAtIndexPath(ui::TableView&, const ui::IndexPath&) {
  return kRowHeight;
}

bool CustomerTable::respondsTo(ui::TableViewDelegateOp op) const { return op != ui::TableViewDelegateOp::HeightForRow; }

std::optional<double> CustomerTable::tableViewHeightForHeaderInSection(ui::TableView&, long) { return kHeaderHeight; }

std::shared_ptr<ui::View> CustomerTable::tableViewViewForHeaderInSection(ui::TableView& tableView, long section) {
  if (section < 0 || section >= static_cast<long>(customerlist_.size())) return nullptr;
  const auto& list = customerlist_[static_cast<std::size_t>(section)];
  return std::make_shared<SectionHeaderView>(ui::Rect{0, 0, tableView.bounds().width(), kHeaderHeight}, list.prefex,
                                             section, list.opened, ui::weakAs<SectionHeaderViewDelegate>(this));
}

void CustomerTable::tableViewDidSelectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
  if (m_section_ >= 0 && ui::IndexPath{m_section_, m_row_} != indexPath) restoreColor({m_section_, m_row_});
  selectRow(indexPath);
}

void CustomerTable::tableViewDidDeselectRowAtIndexPath(ui::TableView&, const ui::IndexPath& indexPath) {
  restoreColor(indexPath);
  if (ui::IndexPath{m_section_, m_row_} == indexPath) m_section_ = m_row_ = -1;
}

}  // namespace mv
