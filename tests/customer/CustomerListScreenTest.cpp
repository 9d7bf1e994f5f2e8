#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <thread>

#include "CustomerTestSupport.hpp"
#include "HeldWorkers.hpp"
#include "customer/CustomerListCell.hpp"
#include "customer/SectionHeaderView.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "shell/config/LanguageManager.hpp"
#include "platform/base/OutsideWork.hpp"
#include "shell/config/ConfigManager.hpp"
#include "store/WorkerDatabase.hpp"
#include "sync/SyncCustomerModel.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class ListScreenTest : public CustomerScreenTest {
 protected:
  void SetUp() override {
    CustomerScreenTest::SetUp();
    seed({1, "apple", {{kState, "Texas"}}, {}, {{11, "John", "Smith", ""}, {12, "Ann", "Lee", ""}}});
    seed({2, "Banana", {{kState, "ohio"}}, {}, {}});
    seed({3, "王小明", {}, {}, {{13, "小明", "王", ""}}});
    seed({4, "9lives", {}, {}, {}});
    seed({5, "   ", {}, {}, {}});
    seed({6, "Acme", {}, {}, {}, false, true});
    seed({-1, "Avocado Local", {}, {}, {}, true});
  }
  CustomerTable& table() { return *screen->customerList()->tableCustomer(); }
  std::vector<std::string> prefixes() {
    std::vector<std::string> out;
    for (const auto& s : table().customerlist()) out.push_back(s.prefex);
    return out;
  }
  ui::IndexPath pathOf(int customerId) {
    const auto& list = table().customerlist();
    for (std::size_t s = 0; s < list.size(); ++s)
      for (std::size_t r = 0; r < list[s].arrayPersons.size(); ++r)
        if (list[s].arrayPersons[r].personInfo->pid == customerId) return {static_cast<long>(s), static_cast<long>(r)};
    ADD_FAILURE() << "no row of " << customerId;
    return {};
  }
  bool listed(int customerId) {
    for (const auto& section : table().customerlist())
      for (const auto& row : section.arrayPersons)
        if (row.personInfo->pid == customerId) return true;
    return false;
  }
  // Taps the list's index at `title` as a finger does, where the index
  // draws it.
  bool tapIndex(const std::string& title) {
    auto tv = table().tableView();
    const auto& titles = tv->sectionIndexTitles();
    const auto at = std::find(titles.begin(), titles.end(), title);
    if (at == titles.end()) return false;
    const ui::View* index = tv->sectionIndexView();
    const ui::Rect b = index->bounds();
    const double count = static_cast<double>(titles.size());
    const double step = std::min(16.0, (b.height() - 16) / count);
    const double y = b.midY() - step * count / 2 + step * (static_cast<double>(at - titles.begin()) + 0.5);
    const bool tapped = driver->tapAt(index->convertPointToView({b.midX(), y}, nullptr));
    flush();
    return tapped;
  }
  // The title of the section the list shows at its top.
  std::string topSection() {
    const auto shown = table().tableView()->indexPathsForVisibleRows();
    if (shown.empty()) return "<none>";
    const auto first = *std::min_element(shown.begin(), shown.end());
    return table().customerlist()[static_cast<std::size_t>(first.section)].prefex;
  }
  CustomerListCell* cellOf(int customerId) {
    flush();
    auto tv = table().tableView();
    const ui::IndexPath path = pathOf(customerId);
    tv->scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::Middle, false);
    flush();
    return dynamic_cast<CustomerListCell*>(tv->cellForRowAtIndexPath(path));
  }
};

TEST_F(ListScreenTest, ListsGroupsMarksAndSearchesTheDirectory) {
  open();
  auto list = screen->customerList();
  EXPECT_EQ(list->lblCustomer().text(), txt("CUSTOMER"));
  EXPECT_EQ(prefixes(), (std::vector<std::string>{txt("IMPORTANT"), "A", "B", "W", "#"}));
  EXPECT_EQ(table().tableView()->sectionIndexTitles().size(), 27u);
  // Local customers carry the tag, hidden ones are grey.
  CustomerListCell* local = cellOf(-1);
  ASSERT_TRUE(local);
  EXPECT_FALSE(local->tagLocal().isHidden());
  EXPECT_EQ(local->tagLocal().currentTitle(), txt("LOCAL"));
  EXPECT_NE(local->normalColor(), gfx::Color::black());
  CustomerListCell* apple = cellOf(1);
  ASSERT_TRUE(apple);
  EXPECT_TRUE(apple->tagLocal().isHidden());
  EXPECT_EQ(apple->normalColor(), gfx::Color::black());
  auto tv = table().tableView();

  // Selecting a customer survives a change of grouping; contact mode selects nothing.
  ASSERT_TRUE(tv->tapRowAtIndexPath(pathOf(2)));
  EXPECT_EQ(table().selectedPID(), 2);
  ASSERT_TRUE(screen->curPersonInfo());
  EXPECT_EQ(screen->curPersonInfo()->pid, 2);
  list->Selectbutton(CustomerGrouping::kByState);
  EXPECT_EQ(prefixes(), (std::vector<std::string>{"Texas", "ohio", "#"}));
  EXPECT_EQ(table().selectedRow(), pathOf(2));
  list->Selectbutton(CustomerGrouping::kByContact);
  EXPECT_EQ(prefixes(), (std::vector<std::string>{"L", "S", "W", "#"}));
  EXPECT_FALSE(table().selectedRow());
  EXPECT_FALSE(screen->curPersonInfo());

  // Typing searches by contact in contact mode; a result picks the customer.
  list->searchBar().becomeFirstResponder();
  ASSERT_TRUE(driver->typeText("smith"));
  flush();
  ASSERT_TRUE(screen->popResult()->isPopoverVisible());
  ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
  EXPECT_EQ(screen->tableResult()->rowText(0), "Smith  John");
  // The search key with one result chooses it.
  list->searchBarSearchButtonClicked(list->searchBar());
  EXPECT_FALSE(screen->popResult()->isPopoverVisible());
  ASSERT_TRUE(table().selectedRow());
  EXPECT_EQ(table().personOfIndexPath(*table().selectedRow())->fristName, "John");

  // By name, the results are sorted and blank text closes them.
  list->Selectbutton(CustomerGrouping::kByName);
  list->searchBar().setText("");
  list->searchBarTextDidChange(list->searchBar(), "a");
  ASSERT_TRUE(screen->popResult()->isPopoverVisible());
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < screen->tableResult()->arrResult().size(); ++i)
    rows.push_back(screen->tableResult()->rowText(i));
  EXPECT_EQ(rows, (std::vector<std::string>{"Acme", "Avocado Local", "Banana", "apple"}));
  ASSERT_TRUE(screen->tableResult()->tableView()->tapRowAtIndexPath({0, 2}));
  EXPECT_FALSE(screen->popResult()->isPopoverVisible());
  EXPECT_EQ(table().selectedPID(), 2);
  list->searchBarTextDidChange(list->searchBar(), "  ");
  EXPECT_FALSE(screen->popResult()->isPopoverVisible());

  // Backspaced to empty, the search keeps the focus: what is typed next
  // searches again.
  list->searchBar().setText("");
  ASSERT_TRUE(driver->tap(list->searchBar()));
  ASSERT_TRUE(driver->typeText("ba"));
  flush();
  ASSERT_TRUE(driver->pressBackspace());
  ASSERT_TRUE(driver->pressBackspace());
  flush();
  EXPECT_EQ(list->searchBar().text(), "");
  EXPECT_EQ(table().selectedPID(), 2) << "the list shows the chosen customer again";
  ASSERT_TRUE(list->searchBar().isFirstResponder()) << "the search lost the focus";
  ASSERT_TRUE(driver->typeText("ban"));
  flush();
  ASSERT_TRUE(screen->popResult()->isPopoverVisible());
  ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
  EXPECT_EQ(screen->tableResult()->rowText(0), "Banana");
  list->searchBarTextDidChange(list->searchBar(), "");

  const fs::path shots = root / "shots";
  fs::create_directories(shots);
  gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
  flush();
  EXPECT_TRUE(driver->snapshot(shots / "customer-list.png"));
}

// A book the sync stored lands while the list shows: it is read beside the
// window and the list shows it, the chosen customer still chosen, without
// the main thread reading or regrouping it; grouped by contact too, and when
// the representative comes back to the tab before the book is read.
TEST_F(ListScreenTest, ABookThatLandsWhileTheListShowsIsReadBesideAndShown) {
  constexpr int kBook = 3000;
  open();
  ASSERT_TRUE(table().tableView()->tapRowAtIndexPath(pathOf(2)));
  auto config = services->get<ConfigManager>();
  ASSERT_TRUE(config);
  auto landed = [&](int first, bool tabShownMeanwhile) {
    seedBook(first, kBook);
    const auto grouped = CustomerGrouping::rowsMadeOnMainThread();
    MainThreadReads reads;
    // As the sync ends with customers stored: the flag, and the book read beside.
    config->setFlag(ConfigManager::kReloadCustomer, true);
    SyncCustomerModel::current()->reloadCustomerDataBeside();
    if (tabShownMeanwhile) {
      screen->viewWillAppear(false);
      screen->viewDidAppear(false);
    }
    ASSERT_TRUE(runUntil([] { return !base::outsideWorkUnderWay(); }, 60));
    flush();
    EXPECT_LT(reads.rows(), 100u);
    EXPECT_EQ(CustomerGrouping::rowsMadeOnMainThread(), grouped);
  };
  landed(100000, false);
  CustomerListCell* last = cellOf(100000 + kBook - 1);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->lbcustomer_name().text(), "Client 2999");
  EXPECT_EQ(table().selectedPID(), 2);
  ASSERT_TRUE(screen->curPersonInfo());
  EXPECT_EQ(screen->curPersonInfo()->pid, 2);

  screen->customerList()->Selectbutton(CustomerGrouping::kByContact);
  landed(200000, true);
  last = cellOf(200000 + kBook - 1);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->lastNameLabel().text(), "Lee 2999");
  std::size_t rows = 0;
  for (const auto& section : table().customerlist()) rows += section.arrayPersons.size();
  EXPECT_EQ(rows, 2u * kBook + 8);  // each client's contact, and the first customers' rows
}

TEST_F(ListScreenTest, NotesMarkTheirCustomerAndStoreWritesAreChecked) {
  open();
  auto list = screen->customerList();
  auto tv = table().tableView();
  // Customer 2 is selected; the note is added to customer 1 by a long press.
  ASSERT_TRUE(tv->tapRowAtIndexPath(pathOf(2)));
  CustomerListCell* appleCell = cellOf(1);
  ASSERT_TRUE(appleCell);
  ASSERT_TRUE(driver->longPress(driver->centerOf(*appleCell)));
  ASSERT_TRUE(table().notePopover()->isPopoverVisible());
  EXPECT_EQ(table().notePopoverVC()->editButton()->currentTitle(), txt("ADDNOTE"));
  table().notePopoverVC()->buttonPressed();
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND has_note = 1"), 1);
  // The mark is on customer 1's row, not on the row selected before.
  EXPECT_FALSE(cellOf(1)->noteImageView().isHidden());
  EXPECT_TRUE(cellOf(2)->noteImageView().isHidden());
  // The empty note opened for editing beside the row.
  ASSERT_TRUE(list->customerNotePopover()->isPopoverVisible());
  EXPECT_EQ(list->currentShowNoteID(), 1);
  ASSERT_TRUE(driver->typeText("Call 'Bob' 100%"));
  ASSERT_TRUE(list->customerNotePopover()->dismissByOutsideTap());
  EXPECT_EQ(list->currentShowNoteID(), 0);
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND note = 'Call ''Bob'' 100%'"), 1);
  // The session's directory holds the mark; the note opened again reads
  // its text from the store.
  EXPECT_TRUE(directory()->customer(1)->hasNote);
  ASSERT_TRUE(driver->tap(*cellOf(1)));
  ASSERT_TRUE(list->customerNotePopover()->isPopoverVisible());
  EXPECT_EQ(list->noteTextView()->text(), "Call 'Bob' 100%");
  ASSERT_TRUE(list->customerNotePopover()->dismissByOutsideTap());

  // A failing store write leaves the note as it was and says so.
  sql("CREATE TRIGGER frozen BEFORE UPDATE ON marvisto_customer BEGIN SELECT RAISE(ABORT, 'frozen'); END");
  table().showNoteContentAtIndexPath(pathOf(1), false);
  ASSERT_TRUE(list->customerNotePopover()->isPopoverVisible());
  list->noteTextView()->setText("");
  ASSERT_TRUE(list->customerNotePopover()->dismissByOutsideTap());
  EXPECT_EQ(toastText(), txt("FAILED"));
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND has_note = 1"), 1);
  EXPECT_FALSE(cellOf(1)->noteImageView().isHidden());
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND note = 'Call ''Bob'' 100%'"), 1);
  sql("DROP TRIGGER frozen");

  // While the sync stores a reply, the note stays open with its text and
  // says why; closed once the sync has finished, it is stored. A write not
  // the user's waits for the store, which here ends as that write begins.
  std::promise<void> held, release;
  std::thread syncStore([&, path = dam().databasePath()] {
    auto worker = WorkerDatabase::open(path);
    EXPECT_TRUE(worker && worker->runInLongTransaction([&] {
      held.set_value();
      release.get_future().wait();
      return true;
    }));
  });
  held.get_future().wait();
  table().showNoteContentAtIndexPath(pathOf(1), false);
  list->noteTextView()->setText("After the sync");
  EXPECT_FALSE(list->customerNotePopover()->dismissByOutsideTap());
  EXPECT_EQ(toastText(), txt("SYNCSTORING"));
  auto ending = [](unsigned, void* release, void*, void* sql) {
    if (std::strncmp(static_cast<const char*>(sql), "UPDATE", 6) == 0) static_cast<std::promise<void>*>(release)->set_value();
    return 0;
  };
  sqlite3_trace_v2(db().handle(), SQLITE_TRACE_STMT, ending, &release);
  sql("UPDATE marvisto_customer SET important = 1 WHERE customer_id = 2");
  sqlite3_trace_v2(db().handle(), 0, nullptr, nullptr);
  syncStore.join();
  ASSERT_TRUE(list->customerNotePopover()->dismissByOutsideTap());
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND note = 'After the sync'"), 1);

  // Emptied and closed: the note and its mark go.
  table().showNoteContentAtIndexPath(pathOf(1), false);
  list->noteTextView()->setText("");
  ASSERT_TRUE(list->customerNotePopover()->dismissByOutsideTap());
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND has_note = 0 AND note IS NULL"), 1);
  EXPECT_TRUE(cellOf(1)->noteImageView().isHidden());
  EXPECT_FALSE(directory()->customer(1)->hasNote);
}

TEST_F(ListScreenTest, OnlyLocalCustomersSwipeAwayAndAddingNeedsSyncedFields) {
  open();
  auto list = screen->customerList();
  auto tv = table().tableView();
  EXPECT_FALSE(tv->swipeToDeleteRowAtIndexPath(pathOf(1)));
  ASSERT_TRUE(tv->swipeToDeleteRowAtIndexPath(pathOf(-1)));
  ASSERT_TRUE(tv->confirmDeletion());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 0);
  EXPECT_FALSE(directory()->customer(-1));
  EXPECT_FALSE(listed(-1));

  // With fields: the new-customer row shows and the list moves down.
  list->addNewCustomer(&list->addNewCustomerButton());
  EXPECT_TRUE(list->isEditType());
  EXPECT_TRUE(list->addNewCustomerButton().isHidden());
  EXPECT_EQ(table().view()->frame().y(), 193);
  // Choosing a customer leaves the new-customer mode.
  ASSERT_TRUE(tv->tapRowAtIndexPath(pathOf(2)));
  EXPECT_FALSE(list->isEditType());

  // Without synced fields: a toast, and the button stays.
  sql("CREATE TABLE kept_fields AS SELECT * FROM marvisto_fields_customer_attribute");
  sql("DELETE FROM marvisto_fields_customer_attribute");
  CustomerDataModel::sharedInstance()->reloadCustomerData();
  list->addNewCustomer(&list->addNewCustomerButton());
  EXPECT_FALSE(list->isEditType());
  EXPECT_EQ(toastText(), txt("NOTEUPDATECUSTOMER"));

  // A sync brings them, and its end reads the book again beside the window:
  // "+" tapped before that read lands opens the form once it has.
  sql("INSERT INTO marvisto_fields_customer_attribute SELECT * FROM kept_fields");
  {
    test::HeldWorkers workers;
    ASSERT_TRUE(workers.held());
    CustomerDataModel::sharedInstance()->reloadCustomerDataBeside();
    list->addNewCustomer(&list->addNewCustomerButton());
    EXPECT_FALSE(list->isEditType());
  }
  EXPECT_TRUE(runUntil([&] { return list->isEditType(); }, 10));
}

TEST(CustomerListCellTest, ContactNamesShareTheirWidthByLanguage) {
  auto english = CustomerListCell::layoutNames(300, 40, 1);
  EXPECT_EQ(english.firstWidth, 250);
  EXPECT_EQ(english.secondWidth, 0);
  EXPECT_FALSE(english.lastNameFirst);
  auto cut = CustomerListCell::layoutNames(200, 80, 0);
  EXPECT_EQ(cut.secondWidth, 50);
  EXPECT_EQ(cut.secondX, 218);
  auto chinese = CustomerListCell::layoutNames(40, 60, 2);
  EXPECT_TRUE(chinese.lastNameFirst);
  EXPECT_EQ(chinese.firstWidth, 40);
  EXPECT_EQ(chinese.secondWidth, 60);
  EXPECT_EQ(chinese.secondX, 65);
}

}  // namespace
}  // namespace mv::test

namespace mv::test {
namespace {

TEST_F(ListScreenTest, SectionsFoldAndComeBackWithTheirSelection) {
  for (int i = 0; i < 12; ++i) seed({100 + i, "Brand " + std::to_string(i), {}, {}, {}});
  open();
  auto tv = table().tableView();
  const long b = CustomerGrouping::sectionForIndexTitle(table().customerlist(), "B");
  ASSERT_NE(b, CustomerGrouping::kNotFound);
  const long rows = static_cast<long>(table().customerlist()[static_cast<std::size_t>(b)].arrayPersons.size());
  ASSERT_EQ(rows, 13);
  ASSERT_TRUE(tv->tapRowAtIndexPath({b, 3}));
  const int chosen = table().selectedPID();

  // Scrolled so that the section's head is out of sight: folding scrolls back instead.
  tv->scrollToRowAtIndexPath({b, 8}, ui::TableViewScrollPosition::Top, false);
  flush();
  auto* header = dynamic_cast<SectionHeaderView*>(tv->headerViewForSection(b));
  ASSERT_TRUE(header);
  header->toggleOpen();
  flush();
  EXPECT_TRUE(table().customerlist()[static_cast<std::size_t>(b)].opened);
  EXPECT_TRUE(header->disclosureButton().isSelected());
  EXPECT_EQ(tv->numberOfRowsInSection(b), rows);
  // The header shows which way the section is: open points down.
  EXPECT_EQ(header->disclosureButton().currentTitle(), SectionHeaderView::kOpenIndicator);

  // With its head in sight a tap folds it, and it unfolds with the row still selected.
  tv->scrollToRowAtIndexPath({b, 0}, ui::TableViewScrollPosition::Top, false);
  flush();
  header = dynamic_cast<SectionHeaderView*>(tv->headerViewForSection(b));
  ASSERT_TRUE(header);
  ASSERT_TRUE(driver->tap(*header));
  flush();
  EXPECT_FALSE(table().customerlist()[static_cast<std::size_t>(b)].opened);
  EXPECT_EQ(tv->numberOfRowsInSection(b), 0);
  header = dynamic_cast<SectionHeaderView*>(tv->headerViewForSection(b));
  ASSERT_TRUE(header);
  EXPECT_FALSE(header->disclosureButton().isSelected());
  EXPECT_EQ(header->disclosureButton().currentTitle(), SectionHeaderView::kFoldedIndicator);
  header->toggleOpen();
  flush();
  EXPECT_EQ(tv->numberOfRowsInSection(b), rows);
  EXPECT_EQ(tv->indexPathForSelectedRow(), (ui::IndexPath{b, 3}));

  // A regrouping starts open again and finds the customer by id.
  screen->customerList()->Selectbutton(CustomerGrouping::kByState);
  screen->customerList()->Selectbutton(CustomerGrouping::kByName);
  ASSERT_TRUE(table().selectedRow());
  EXPECT_EQ(table().personOfIndexPath(*table().selectedRow())->personInfo->pid, chosen);
}

// A tap on the index goes to its letter's section; on a letter without one,
// to the nearest section after it, and past the last section to the
// nearest one before it. By state, a state stands at the letter it is read
// with.
TEST_F(ListScreenTest, AnIndexLetterWithoutASectionGoesToTheNearestOne) {
  int id = 100;
  for (const char* name : {"Dune", "Delta", "Dove", "Drum", "Dart", "Dent"}) seed({id++, name, {{kState, "Texas"}}, {}, {}});
  for (int i = 0; i < 10; ++i) seed({id++, "Mill " + std::to_string(i), {{kState, "Maine"}}, {}, {}});
  open();
  ASSERT_EQ(prefixes(), (std::vector<std::string>{txt("IMPORTANT"), "A", "B", "D", "M", "W", "#"}));
  ASSERT_TRUE(tapIndex("M"));
  EXPECT_EQ(topSection(), "M");
  ASSERT_TRUE(tapIndex("B"));
  EXPECT_EQ(topSection(), "B");
  ASSERT_TRUE(tapIndex("C"));
  EXPECT_EQ(topSection(), "D");
  ASSERT_TRUE(tapIndex("E"));
  EXPECT_EQ(topSection(), "M");

  screen->customerList()->Selectbutton(CustomerGrouping::kByState);
  flush();
  ASSERT_EQ(prefixes(), (std::vector<std::string>{"Maine", "Texas", "ohio", "#"}));
  ASSERT_TRUE(tapIndex("A"));
  EXPECT_EQ(topSection(), "Maine");
  ASSERT_TRUE(tapIndex("N"));
  const auto shown = table().tableView()->indexPathsForVisibleRows();
  const long ohio = CustomerGrouping::sectionForIndexTitle(table().customerlist(), "ohio");
  EXPECT_NE(std::find(shown.begin(), shown.end(), ui::IndexPath{ohio, 0}), shown.end()) << "N did not lead to ohio";
}

// A company is filed by its name read as words (厦门 is the place "xiamen",
// under X), and the search finds a full-width name by what the list files it
// under: "ibm" finds "ＩＢＭ中国".
TEST_F(ListScreenTest, CompaniesAreFiledAsWordsAndSearchFoldsWidths) {
  seed({20, "厦门航空", {}, {}, {{21, "Wei", "单", ""}}});
  seed({22, "ＩＢＭ中国", {}, {}, {}});
  open();
  const auto& sections = table().customerlist();
  const long x = CustomerGrouping::sectionForIndexTitle(sections, "X");
  ASSERT_NE(x, CustomerGrouping::kNotFound);
  ASSERT_EQ(sections[static_cast<std::size_t>(x)].arrayPersons.size(), 1u);
  EXPECT_EQ(sections[static_cast<std::size_t>(x)].arrayPersons[0].personInfo->pid, 20);
  EXPECT_EQ(pathOf(22).section, CustomerGrouping::sectionForIndexTitle(sections, "I"));
  // Its contact is a person: the surname reading files 单 under S.
  screen->customerList()->Selectbutton(CustomerGrouping::kByContact);
  const long s = CustomerGrouping::sectionForIndexTitle(table().customerlist(), "S");
  ASSERT_NE(s, CustomerGrouping::kNotFound);
  bool found = false;
  for (const auto& row : table().customerlist()[static_cast<std::size_t>(s)].arrayPersons) found |= row.lastName == "单";
  EXPECT_TRUE(found);

  screen->customerList()->Selectbutton(CustomerGrouping::kByName);
  auto list = screen->customerList();
  list->searchBar().becomeFirstResponder();
  ASSERT_TRUE(driver->typeText("ibm"));
  flush();
  ASSERT_TRUE(screen->popResult()->isPopoverVisible());
  ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
  EXPECT_EQ(screen->tableResult()->rowText(0), "ＩＢＭ中国");
}

// A reader looks for a company under the letter its words are read with, as
// they stand at the start of the name, by the list's index: trades and
// counties of their own readings too (springs are "tanhuang", water supply
// "jishui"), a family's shop by its surname, and a customer who is a person
// (named after its contact) by the surname reading of the name (单雄信 under
// S); a contact's surname likewise (阚 is "kan").
TEST_F(ListScreenTest, TheIndexLeadsToAChineseNameUnderTheLetterItIsReadWith) {
  const std::vector<std::pair<std::string, std::string>> names = {
      {"重阳酒坊", "C"},   {"朝日啤酒", "Z"},     {"乐府茶社", "Y"},   {"曾记粥铺", "Z"},     {"秘鲁进口商行", "B"},
      {"长孙氏商行", "Z"}, {"尉迟氏酒楼", "Y"},   {"尉氏县农机", "W"}, {"长老会", "Z"},       {"万俟", "M"},
      {"弹簧五金厂", "T"}, {"给水设备公司", "J"}, {"参茸行", "S"},     {"枞阳县农机", "Z"},   {"涡阳贸易", "G"},
      {"尉犁棉业", "Y"},   {"解州关帝庙", "X"},   {"阚泽商行", "K"},   {"单雄信", "S"},
  };
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::vector<SeedContact> contacts;
    if (names[i].first == "单雄信") contacts.push_back({static_cast<int>(70 + i), "雄信", "单", ""});
    seed({static_cast<int>(30 + i), names[i].first, {}, {}, contacts});
  }
  seed({60, "Acme", {}, {}, {{61, "Ze", "阚", ""}}});
  open();
  auto tv = table().tableView();
  const auto& titles = tv->sectionIndexTitles();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto& [name, letter] = names[i];
    const auto at = std::find(titles.begin(), titles.end(), letter);
    ASSERT_NE(at, titles.end()) << letter;
    ASSERT_TRUE(tv->selectSectionIndexTitle(at - titles.begin())) << name << " under " << letter;
    flush();
    const ui::IndexPath path = pathOf(static_cast<int>(30 + i));
    EXPECT_EQ(table().customerlist()[static_cast<std::size_t>(path.section)].prefex, letter) << name;
    const auto shown = tv->indexPathsForVisibleRows();
    EXPECT_NE(std::find(shown.begin(), shown.end(), path), shown.end()) << name << " is not shown under " << letter;
  }

  screen->customerList()->Selectbutton(CustomerGrouping::kByContact);
  flush();
  const auto& contactTitles = tv->sectionIndexTitles();
  const auto k = std::find(contactTitles.begin(), contactTitles.end(), "K");
  ASSERT_NE(k, contactTitles.end());
  ASSERT_TRUE(tv->selectSectionIndexTitle(k - contactTitles.begin()));
  flush();
  const long section = CustomerGrouping::sectionForIndexTitle(table().customerlist(), "K");
  ASSERT_NE(section, CustomerGrouping::kNotFound) << "阚 is not under K";
  const auto& rows = table().customerlist()[static_cast<std::size_t>(section)].arrayPersons;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].lastName, "阚");
  const auto shown = tv->indexPathsForVisibleRows();
  EXPECT_NE(std::find(shown.begin(), shown.end(), ui::IndexPath{section, 0}), shown.end());
}

}  // namespace
}  // namespace mv::test
