// The customer tab's form, driven as a representative uses it: creating,
// editing, flags, primary choices, deleting and submitting, with the store
// checked after each step.
#include <algorithm>
#include <tuple>

#include "CustomerTestSupport.hpp"
#include "FullDisk.hpp"
#include "HeldWorkers.hpp"
#include "SessionFixture.hpp"
#include "customer/CustomerListCell.hpp"
#include "customer/CustomerOrderLinks.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/base/OutsideWork.hpp"
#include "platform/base/WorkQueue.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "shell/frame/MessageBox.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "store/Schema.hpp"
#include "util/PublicFunction.hpp"
#include "util/Session.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class FormScreenTest : public CustomerServiceTest<CustomerScreenTest> {
 protected:
  void SetUp() override {
    CustomerServiceTest::SetUp();
    seed({1, "Apple", {{kPhone, "555"}, {kActive, "1"}, {kCity, "Austin"}},
          {address(11, 1, "1 Elm", "Austin", "TX"), address(12, 1, "2 Oak", "Dallas", "TX", true)},
          {{21, "John", "Smith", ""}, {22, "Ann", "Lee", ""}}});
    seed({2, "Banana", {{kActive, "0"}}, {}, {}});
  }
  CustomerInfoView& form() { return *screen->customerInfo(); }
  ui::TableView& table() { return *form().tableCustomerInfo(); }
  const CustomerInfoGroupData& groups() { return form().customerInfoGroupData(); }
  CustomerTable& list() { return *screen->customerList()->tableCustomer(); }
  // The store's disk, which a test may fill.
  FullDisk disk;

  CustomerAttributeCell* cellAt(long section, long row) {
    table().scrollToRowAtIndexPath({section, row}, ui::TableViewScrollPosition::Middle, false);
    flush();
    return dynamic_cast<CustomerAttributeCell*>(table().cellForRowAtIndexPath({section, row}));
  }
  // The row of the group in that table section labelled with the key's text.
  long rowOf(long section, const std::string& key) {
    const auto* group = groups().groupOfSection(section, form().isEditing());
    if (!group) return -1;
    for (std::size_t r = 0; r < group->customerAttributes.size(); ++r)
      if (group->customerAttributes[r].fieldName == txt(key)) return static_cast<long>(r);
    return -1;
  }
  // Types into the row's field as a person does, replacing what it holds.
  void type(long section, const std::string& key, const std::string& value) {
    const long row = rowOf(section, key);
    ASSERT_GE(row, 0) << key;
    CustomerAttributeCell* cell = cellAt(section, row);
    ASSERT_TRUE(cell) << key;
    auto& field = cell->txtAttributeValue();
    ASSERT_TRUE(field.becomeFirstResponder()) << key;
    field.setSelectedRange({0, field.text().size()});
    ASSERT_TRUE(driver->typeText(value)) << key;
  }
  void tapDone() {
    ASSERT_FALSE(form().doneButton().isHidden());
    ASSERT_TRUE(driver->tap(form().doneButton()));
    flush();
  }
  void startNewCustomer() {
    ASSERT_TRUE(driver->tap(screen->customerList()->addNewCustomerButton()));
    flush();
    ASSERT_TRUE(form().isCreating());
  }
  long contactSection(long index) { return groups().companyCount() + 2 + index; }
  ui::IndexPath listPathOf(int customerId) {
    const auto& sections = list().customerlist();
    for (std::size_t s = 0; s < sections.size(); ++s)
      for (std::size_t r = 0; r < sections[s].arrayPersons.size(); ++r)
        if (sections[s].arrayPersons[r].personInfo->pid == customerId) return {static_cast<long>(s), static_cast<long>(r)};
    return {-1, -1};
  }
  std::string stored(const std::string& sql) {
    auto st = db().prepare(sql);
    return st.step() == SQLiteStatement::Step::Row ? st.textAt(0) : "<none>";
  }
  // The store as the last build left it: at schema version 3, with the note
  // of uploaded customers made empty (and without the local ids), whatever
  // that build had uploaded before. Opened again, as at the next start.
  void asTheLastBuildLeftIt() {
    screen.reset();
    services.reset();
    scope->endServices();
    {
      SQLiteDatabase old;
      const auto folder = PublicFunction::clientFolder(Session::current().clientID);
      ASSERT_TRUE(folder);
      ASSERT_TRUE(old.open(*folder / DataAccessManager::kDatabaseFileName));
      ASSERT_TRUE(old.execute("DROP TABLE marvisto_uploaded_customer"));
      ASSERT_TRUE(old.execute("CREATE TABLE marvisto_uploaded_customer (customer_id INTEGER PRIMARY KEY)"));
      ASSERT_TRUE(old.setUserVersion(3));
    }
    scope->restart();
    services = scope->services();
  }
  // Taps Submit on the form of that customer and confirms; true once its
  // upload is answered and an alert tells of it.
  bool submitFromTheForm(int customerId) {
    if (!list().tableView()->tapRowAtIndexPath(listPathOf(customerId)) || !form().hiddenCell()) return false;
    if (!driver->tap(form().hiddenCell()->submitButton())) return false;
    flush();
    auto alert = driver->visibleAlert();
    if (!alert || alert->tag() != CustomerViewController::kSubmitAlertTag) return false;
    if (!driver->pressAlertButton(alert->firstOtherButtonIndex())) return false;
    return answerShown();
  }
  // True once no upload is on its way and an alert other than the question
  // before it tells how the upload went.
  bool answerShown() {
    return runUntil(
        [&] {
          auto alert = driver->visibleAlert();
          return directory()->customersInFlight().empty() && alert &&
                 alert->tag() != CustomerViewController::kSubmitAlertTag;
        },
        15);
  }
  // The service's answer to the next customer upload, in place of its own.
  void nextUploadAnswered(const std::string& content) {
    sales::FaultRule rule = sales::FaultRule::contentFor("syncData/marvisto_customer", content);
    rule.times = 1;
    rule.process = false;
    service->addFault(rule);
  }

  void snapshot(const std::string& name) {
    const fs::path shots = root / "shots";
    fs::create_directories(shots);
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    flush();
    EXPECT_TRUE(driver->snapshot(shots / name));
    keepSnapshot(shots / name);
  }

};

TEST_F(FormScreenTest, ACustomerIsCreatedEditedTwiceAndKeepsItsIdFlagsNoteAndOrders) {
  // An order still names a customer deleted long ago: its id is never handed out again.
  seedOrder(-9, -7);
  open();
  startNewCustomer();
  // The switches act on a stored customer: not on one being entered.
  auto* header = form().hiddenCell();
  ASSERT_TRUE(header);
  EXPECT_FALSE(header->switchView().isEnabled());
  EXPECT_FALSE(header->importantSwicth().isEnabled());
  EXPECT_TRUE(header->submitButton().isHidden());
  EXPECT_TRUE(screen->customerList()->isEditType());

  // DONE checks the name first, then the contacts; nothing is stored
  // meanwhile, and the field asked for takes what is typed next.
  tapDone();
  EXPECT_EQ(toastText(), txt("NEEDINPUTNAME"));
  advance(CustomerInfoView::kFocusDelay + 0.05);
  flush();
  ASSERT_TRUE(driver->typeText("Harbour"));
  EXPECT_EQ(cellAt(1, rowOf(1, "NAME"))->txtAttributeValue().text(), "Harbour");
  type(1, "NAME", "Harbour \"Lights\" 港");
  type(1, "PHONE", "206-555");
  type(2, "CITY", "Seattle");
  form().addConctact();
  flush();
  type(contactSection(0), "FIRSTNAME", "Maria");
  tapDone();
  EXPECT_EQ(toastText(), txt("NEEDINPUTCONTACTNAME"));
  EXPECT_EQ(count("marvisto_customer", "customer_id < 0"), 0);
  EXPECT_TRUE(form().isEditing());
  advance(CustomerInfoView::kFocusDelay + 0.05);
  flush();
  ASSERT_TRUE(driver->typeText("Lindqvist"));
  EXPECT_EQ(cellAt(contactSection(0), rowOf(contactSection(0), "LASTNAME"))->txtAttributeValue().text(), "Lindqvist");
  tapDone();

  // Stored below every id in use, with its rows; listed and shown in view mode.
  ASSERT_EQ(count("marvisto_customer", "customer_id = -8 AND customer_name = 'Harbour \"Lights\" 港'"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = -8"), 7);
  EXPECT_EQ(stored("SELECT attribute_value FROM marvisto_customer_attribute WHERE customer_id = -8 AND "
                   "attribute_fields_id = " + std::to_string(kPhone)),
            "206-555");
  EXPECT_EQ(stored("SELECT attribute_value FROM marvisto_customer_attribute WHERE customer_id = -8 AND "
                   "attribute_fields_id = " + std::to_string(kActive)),
            "YES");
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -8 AND first_name = 'Maria' AND isDefault = 1"), 1);
  EXPECT_FALSE(form().isEditing());
  ASSERT_TRUE(form().personInfo());
  EXPECT_EQ(form().personInfo()->pid, -8);
  EXPECT_FALSE(form().editButton().isHidden());
  EXPECT_FALSE(screen->customerList()->isEditType());
  EXPECT_GE(listPathOf(-8).section, 0);
  EXPECT_EQ(list().selectedPID(), -8);
  snapshot("customer-created.png");

  // Flags, a note, a discount and an order of the device's own.
  ASSERT_TRUE(form().hiddenCell());
  EXPECT_TRUE(form().hiddenCell()->switchView().isEnabled());
  EXPECT_FALSE(form().hiddenCell()->submitButton().isHidden());
  ASSERT_TRUE(driver->tap(form().hiddenCell()->importantSwicth()));
  flush();
  EXPECT_EQ(count("marvisto_customer", "customer_id = -8 AND important = 1"), 1);
  EXPECT_EQ(list().customerlist().front().prefex, txt("IMPORTANT"));
  // A note, added on the list by a long press on the customer's row.
  auto tv = list().tableView();
  tv->scrollToRowAtIndexPath(listPathOf(-8), ui::TableViewScrollPosition::Middle, false);
  flush();
  auto* row = tv->cellForRowAtIndexPath(listPathOf(-8));
  ASSERT_TRUE(row);
  ASSERT_TRUE(driver->longPress(driver->centerOf(*row)));
  ASSERT_TRUE(list().notePopover()->isPopoverVisible());
  list().notePopoverVC()->buttonPressed();
  ASSERT_TRUE(screen->customerList()->customerNotePopover()->isPopoverVisible());
  ASSERT_TRUE(driver->typeText("Prefers mornings"));
  ASSERT_TRUE(screen->customerList()->customerNotePopover()->dismissByOutsideTap());
  flush();
  EXPECT_EQ(count("marvisto_customer", "customer_id = -8 AND has_note = 1 AND note = 'Prefers mornings'"), 1);
  sql("UPDATE marvisto_customer SET discount = 0.25, customer_ordering = 4 WHERE customer_id = -8");
  seedOrder(-11, -8);

  // Edited twice: in place, under the same id.
  for (const char* name : {"Harbour Lights", "Harbour Lights Ltd"}) {
    ASSERT_FALSE(form().editButton().isHidden());
    ASSERT_TRUE(driver->tap(form().editButton()));
    flush();
    ASSERT_TRUE(form().isEditing());
    EXPECT_TRUE(form().hiddenCell()->submitButton().isHidden());
    type(1, "NAME", name);
    tapDone();
    EXPECT_FALSE(form().isEditing());
    EXPECT_EQ(count("marvisto_customer", "customer_id < 0"), 1);
    EXPECT_EQ(stored("SELECT customer_name FROM marvisto_customer WHERE customer_id = -8"), name);
  }
  EXPECT_EQ(count("marvisto_customer",
                  "customer_id = -8 AND important = 1 AND has_note = 1 AND note = 'Prefers mornings' AND "
                  "discount = 0.25 AND customer_ordering = 4"),
            1);
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = -8"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = -8"), 7);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -8"), 1);
  EXPECT_EQ(form().personInfo()->name, "Harbour Lights Ltd");

  // A further address and a second contact made primary, stored at DONE.
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  form().addAddress();
  flush();
  const long further = groups().companyCount();  // the new address's table section
  type(further, "STREETADDRESS", "9 Dock");
  form().addConctact();
  flush();
  type(contactSection(1), "FIRSTNAME", "Ola");
  type(contactSection(1), "LASTNAME", "Nordmann");
  ASSERT_TRUE(form().groupView(contactSection(1)));
  form().groupView(contactSection(1))->click();
  form().groupView(further)->click();
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = -8"), 0);  // nothing yet
  tapDone();
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = -8 AND address = '9 Dock' AND isDefault = 1"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -8 AND first_name = 'Ola' AND isDefault = 1"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -8 AND first_name = 'Maria' AND isDefault = 0"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = -8"), 1);

  // Cancel after choosing the primary address in edit mode: the stored one stays.
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  ASSERT_TRUE(form().groupView(2));
  form().groupView(2)->click();  // the primary-address group
  EXPECT_EQ(groups().defaultIndexId(CustomerInfoGroupData::kTypeAddress), CustomerInfoGroupData::kPrimaryAddressId);
  ASSERT_TRUE(driver->tap(form().cancelButton()));
  flush();
  EXPECT_FALSE(form().isEditing());
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = -8 AND isDefault = 1"), 1);
  EXPECT_NE(groups().defaultIndexId(CustomerInfoGroupData::kTypeAddress), CustomerInfoGroupData::kPrimaryAddressId);
  // In view mode the same choice is stored at once.
  form().groupView(2)->click();
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = -8 AND isDefault = 1"), 0);
  EXPECT_EQ(groups().defaultIndexId(CustomerInfoGroupData::kTypeAddress), CustomerInfoGroupData::kPrimaryAddressId);
}

// In view mode there is no add-address section: every contact's rows sit
// under that contact's own header, the last one too, and choosing a customer
// by a contact shows that person's phone and e-mail.
TEST_F(FormScreenTest, ViewModeShowsEachContactUnderItsOwnHeader) {
  seed({3, "Cherry", {}, {address(31, 3, "3 Pine", "Reno", "NV")},
        {{41, "Ada", "Byron", "ada@x.test"}, {42, "Bo", "Chen", "bo@x.test"}, {43, "Cy", "Dahl", "cy@x.test"}}});
  open();
  ASSERT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(3)));
  flush();
  ASSERT_FALSE(form().isEditing());
  const long firstContact = groups().companyCount() + 1;  // view-mode layout
  ASSERT_EQ(table().numberOfSections(), firstContact + 3);
  const std::vector<std::pair<std::string, std::string>> shown = {
      {"Ada", "ada@x.test"}, {"Bo", "bo@x.test"}, {"Cy", "cy@x.test"}};
  for (long i = 0; i < 3; ++i) {
    const long section = firstContact + i;
    ASSERT_EQ(table().numberOfRowsInSection(section), 8) << i;
    auto* first = cellAt(section, rowOf(section, "FIRSTNAME"));
    ASSERT_TRUE(first) << i;
    EXPECT_EQ(first->lblFiledName().text(), txt("FIRSTNAME"));
    EXPECT_EQ(first->lblAttributeValueDefaul().text(), shown[static_cast<std::size_t>(i)].first);
    auto* mail = cellAt(section, rowOf(section, "EMAILCONTACT"));
    ASSERT_TRUE(mail) << i;
    EXPECT_EQ(mail->lblAttributeValueDefaul().text(), shown[static_cast<std::size_t>(i)].second);
  }

  // Chosen by its second contact, the form scrolls to Bo's rows.
  screen->customerList()->Selectbutton(CustomerGrouping::kByContact);
  flush();
  screen->customerList()->searchBar().becomeFirstResponder();
  ASSERT_TRUE(driver->typeText("chen"));
  flush();
  ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
  screen->customerList()->searchBarSearchButtonClicked(screen->customerList()->searchBar());
  advance(1);  // the animated scroll to the contact
  flush();
  ASSERT_TRUE(form().personInfo());
  EXPECT_EQ(form().personInfo()->pid, 3);
  const long bo = firstContact + 1;
  auto* visible = dynamic_cast<CustomerAttributeCell*>(table().cellForRowAtIndexPath({bo, 0}));
  ASSERT_TRUE(visible);
  EXPECT_EQ(visible->lblAttributeValueDefaul().text(), "Bo");
  snapshot("customer-by-contact.png");
}

TEST_F(FormScreenTest, ADeletedCustomerAnOrderNamesIsKeptAndTheOthersGo) {
  seed({-1, "Local One", {{kActive, "YES"}}, {}, {{-1, "A", "B", ""}}});
  seed({-2, "Local Two", {{kActive, "YES"}}, {}, {}});
  seedOrder(-5, -1);
  open();
  auto tv = list().tableView();
  ASSERT_TRUE(tv->tapRowAtIndexPath(listPathOf(-1)));
  ASSERT_EQ(form().personInfo()->pid, -1);
  ASSERT_TRUE(tv->swipeToDeleteRowAtIndexPath(listPathOf(-1)));
  ASSERT_TRUE(tv->confirmDeletion());
  flush();
  auto alert = driver->visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), txt("DELETECUSTOMERFAILED"));
  EXPECT_EQ(alert->message(), txt("CUSTOMERINORDER"));
  alert->dismissWithClickedButtonIndex(0, false);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -1"), 1);
  EXPECT_GE(listPathOf(-1).section, 0);  // back in the list
  ASSERT_TRUE(form().personInfo());      // and still shown

  ASSERT_TRUE(tv->tapRowAtIndexPath(listPathOf(-2)));
  ASSERT_TRUE(tv->swipeToDeleteRowAtIndexPath(listPathOf(-2)));
  ASSERT_TRUE(tv->confirmDeletion());
  flush();
  EXPECT_FALSE(driver->visibleAlert());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -2"), 0);
  EXPECT_FALSE(form().personInfo());
  EXPECT_EQ(table().numberOfSections(), 0);
  EXPECT_LT(listPathOf(-2).section, 0);
  // A new customer never takes the id of one an order names, nor that of
  // the deleted customer.
  EXPECT_EQ(dam().getLastLocalCustomerId(), -2);
  seedOrder(-6, -3);
  EXPECT_EQ(dam().getLastLocalCustomerId(), -3);
}

TEST_F(FormScreenTest, TheSwitchesActOnTheShownCustomerAndFailuresAreShown) {
  setShowAllCustomers(true);
  open();
  auto tv = list().tableView();
  ASSERT_TRUE(tv->tapRowAtIndexPath(listPathOf(2)));
  ASSERT_TRUE(form().hiddenCell());
  // A server customer: no Edit, no submit, but its flags can be set.
  EXPECT_TRUE(form().editButton().isHidden());
  EXPECT_TRUE(form().hiddenCell()->submitButton().isHidden());
  ASSERT_TRUE(driver->tap(form().hiddenCell()->switchView()));
  flush();
  EXPECT_EQ(count("marvisto_customer", "customer_id = 2 AND hidden = 1"), 1);
  ASSERT_GE(listPathOf(2).section, 0);
  EXPECT_TRUE(list().personOfIndexPath(listPathOf(2))->personInfo->hidden);
  ASSERT_TRUE(form().personInfo());  // still listed: hidden customers are shown

  // A store that refuses: the switch goes back and the user is told.
  sql("CREATE TRIGGER frozen BEFORE UPDATE ON marvisto_customer BEGIN SELECT RAISE(ABORT, 'frozen'); END");
  ASSERT_TRUE(driver->tap(form().hiddenCell()->importantSwicth()));
  flush();
  EXPECT_EQ(toastText(), txt("FAILED"));
  EXPECT_FALSE(form().hiddenCell()->importantSwicth().isOn());
  EXPECT_EQ(count("marvisto_customer", "customer_id = 2 AND important = 0"), 1);
  EXPECT_FALSE(form().personInfo()->markAsImportant);
  // So does a primary choice in view mode.
  ASSERT_TRUE(tv->tapRowAtIndexPath(listPathOf(1)));
  sql("DROP TRIGGER frozen");
  sql("CREATE TRIGGER frozen BEFORE UPDATE ON marvisto_customer_address BEGIN SELECT RAISE(ABORT, 'frozen'); END");
  ASSERT_TRUE(form().groupView(3));  // address 11, not the default
  form().groupView(3)->click();
  EXPECT_EQ(toastText(), txt("FAILED"));
  EXPECT_EQ(count("marvisto_customer_address", "id = 12 AND isDefault = 1"), 1);
  EXPECT_EQ(groups().defaultIndexId(CustomerInfoGroupData::kTypeAddress), 12);
  sql("DROP TRIGGER frozen");

  // Without the show-all switch, hiding takes the customer out of the list and the form.
  setShowAllCustomers(false);
  ASSERT_TRUE(driver->tap(form().hiddenCell()->switchView()));
  flush();
  EXPECT_EQ(count("marvisto_customer", "customer_id = 1 AND hidden = 1"), 1);
  EXPECT_FALSE(form().personInfo());
  EXPECT_LT(listPathOf(1).section, 0);
  EXPECT_FALSE(directory()->customer(1));
}

// Hiding a customer that is being edited, while hidden customers are not
// listed, waits for DONE: the typed changes are stored first and the form
// never stays in edit mode with nothing in it. Cancel drops the hide too.
TEST_F(FormScreenTest, HidingWhileEditingWaitsForDoneAndCancelDropsIt) {
  seed({-3, "Local", {{kPhone, "1"}, {kActive, "YES"}}, {}, {}});
  setShowAllCustomers(false);
  open();
  ASSERT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(-3)));
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  type(1, "NAME", "Renamed");
  ASSERT_TRUE(form().hiddenCell());
  ASSERT_TRUE(driver->tap(form().hiddenCell()->switchView()));
  flush();
  // Nothing lost, nothing stored yet, the switch shows the choice.
  EXPECT_TRUE(form().isEditing());
  EXPECT_EQ(groups().name(), "Renamed");
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND hidden = 0 AND customer_name = 'Local'"), 1);
  form().addConctact();  // the form is rebuilt: the switch keeps the choice
  flush();
  form().deleteSection(groups().customerContactData().back().indexId, CustomerInfoGroupData::kTypeContact);
  flush();
  ASSERT_TRUE(form().hiddenCell());
  EXPECT_TRUE(form().hiddenCell()->switchView().isOn());

  // Cancel: the stored customer as it was, shown again with the switch off.
  ASSERT_TRUE(driver->tap(form().cancelButton()));
  flush();
  EXPECT_FALSE(form().isEditing());
  ASSERT_TRUE(form().personInfo());
  EXPECT_EQ(groups().name(), "Local");
  ASSERT_TRUE(form().hiddenCell());
  EXPECT_FALSE(form().hiddenCell()->switchView().isOn());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND hidden = 0"), 1);

  // DONE: the edits and the hide are stored; the customer leaves the list
  // and the form, and no Cancel or DONE is left over an empty form.
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  type(1, "NAME", "Renamed");
  ASSERT_TRUE(driver->tap(form().hiddenCell()->switchView()));
  flush();
  tapDone();
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND hidden = 1 AND customer_name = 'Renamed'"), 1);
  EXPECT_FALSE(form().personInfo());
  EXPECT_FALSE(form().isEditing());
  EXPECT_TRUE(form().cancelButton().isHidden());
  EXPECT_TRUE(form().doneButton().isHidden());
  EXPECT_EQ(table().numberOfSections(), 0);
  EXPECT_LT(listPathOf(-3).section, 0);
}

// The form shows only the published fields; an edit keeps the values of
// the others, which the service gave the customer.
TEST_F(FormScreenTest, AnEditKeepsTheValuesOfFieldsTheFormDoesNotShow) {
  seed({-3, "Local", {{kPhone, "1"}, {kActive, "YES"}, {kHiddenField, "credit hold"}}, {}, {}});
  open();
  ASSERT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(-3)));
  for (long r = 0; r < table().numberOfRowsInSection(1); ++r) {
    auto* cell = cellAt(1, r);
    ASSERT_TRUE(cell);
    EXPECT_NE(cell->lblAttributeValueDefaul().text(), "credit hold");  // not shown
  }
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  type(1, "NAME", "Renamed");
  type(1, "PHONE", "2");
  tapDone();
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Renamed'"), 1);
  EXPECT_EQ(stored("SELECT attribute_value FROM marvisto_customer_attribute WHERE customer_id = -3 AND "
                   "attribute_fields_id = " + std::to_string(kPhone)),
            "2");
  EXPECT_EQ(stored("SELECT attribute_value FROM marvisto_customer_attribute WHERE customer_id = -3 AND "
                   "attribute_fields_id = " + std::to_string(kHiddenField)),
            "credit hold");
}

TEST_F(FormScreenTest, AFailedSaveKeepsEverythingEntered) {
  seed({-3, "Local", {{kPhone, "1"}, {kActive, "YES"}}, {}, {}});
  open();
  ASSERT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(-3)));
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  type(1, "NAME", "Renamed");
  type(1, "PHONE", "2");
  sql("CREATE TRIGGER frozen BEFORE INSERT ON marvisto_customer_attribute BEGIN SELECT RAISE(ABORT, 'frozen'); END");
  tapDone();
  EXPECT_EQ(toastText(), txt("FAILED"));
  EXPECT_TRUE(form().isEditing());
  EXPECT_EQ(groups().name(), "Renamed");
  // All or nothing: the stored customer is as it was, rows and all.
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Local'"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = -3"), 2);
  sql("DROP TRIGGER frozen");
  // A disk without room: the user hears that it is the device's room, and
  // the form still shows what was typed.
  disk.fill();
  type(1, "PHONE", "3");
  tapDone();
  EXPECT_GT(disk.refusedWrites(), 0);
  EXPECT_EQ(toastText(), txt("SAVENOROOM"));
  EXPECT_TRUE(form().isEditing());
  EXPECT_EQ(cellAt(1, rowOf(1, "NAME"))->txtAttributeValue().text(), "Renamed");
  EXPECT_EQ(cellAt(1, rowOf(1, "PHONE"))->txtAttributeValue().text(), "3");
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Local'"), 1);
  disk.makeRoom();
  tapDone();
  EXPECT_FALSE(form().isEditing());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Renamed'"), 1);
  EXPECT_EQ(stored("SELECT attribute_value FROM marvisto_customer_attribute WHERE customer_id = -3 AND "
                   "attribute_fields_id = " + std::to_string(kPhone)),
            "3");
}

TEST_F(FormScreenTest, TheReturnKeyWalksTheFormAndTheKeyboardMakesRoom) {
  open();
  startNewCustomer();
  const double fullHeight = table().frame().height();
  auto* name = cellAt(1, rowOf(1, "NAME"));
  ASSERT_TRUE(name);
  ASSERT_TRUE(name->txtAttributeValue().becomeFirstResponder());
  advance(1);  // the keyboard is up
  flush();
  EXPECT_EQ(table().frame().height(), CustomerInfoView::kKeyboardTableHeight);
  ASSERT_TRUE(driver->typeText("Walker"));
  // Return on the name skips "Active" and lands on the phone 0.3 s later.
  ASSERT_TRUE(driver->pressReturn());
  advance(CustomerInfoView::kFocusDelay + 0.05);
  flush();
  auto* phone = cellAt(1, rowOf(1, "PHONE"));
  ASSERT_TRUE(phone);
  EXPECT_TRUE(phone->txtAttributeValue().isEditing());
  ASSERT_TRUE(driver->typeText("12"));
  // The last base field goes on to the primary address.
  form().customerAttributeCellShouldReturn(0, rowOf(1, "BANKACCOUNT"));
  advance(CustomerInfoView::kFocusDelay + 0.05);
  flush();
  auto* street = cellAt(2, 0);
  ASSERT_TRUE(street);
  EXPECT_TRUE(street->txtAttributeValue().isEditing());
  // Without contacts, the primary address's last row finishes the form.
  auto* zip = cellAt(2, 3);
  ASSERT_TRUE(zip);
  EXPECT_EQ(zip->txtAttributeValue().returnKeyType(), ui::ReturnKeyType::Done);
  ASSERT_TRUE(zip->txtAttributeValue().becomeFirstResponder());
  ASSERT_TRUE(driver->pressReturn());
  flush();
  EXPECT_FALSE(form().isEditing());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1 AND customer_name = 'Walker'"), 1);
  EXPECT_EQ(stored("SELECT attribute_value FROM marvisto_customer_attribute WHERE customer_id = -1 AND "
                   "attribute_fields_id = " + std::to_string(kPhone)),
            "12");
  advance(1);
  flush();
  EXPECT_EQ(table().frame().height(), fullHeight);
}

// A window typed into on a desktop keyboard shows no on-screen keyboard: the
// form keeps its height. A name longer than its field keeps the caret and
// the text before it in sight.
TEST_F(FormScreenTest, WithoutAnOnScreenKeyboardTheFormKeepsItsHeightAndTheCaretShows) {
  open();
  window_->setHasOnScreenKeyboard(false);
  startNewCustomer();
  const double fullHeight = table().frame().height();
  auto* name = cellAt(1, rowOf(1, "NAME"));
  ASSERT_TRUE(name);
  auto& field = name->txtAttributeValue();
  ASSERT_TRUE(field.becomeFirstResponder());
  advance(1);
  flush();
  EXPECT_EQ(table().frame().height(), fullHeight);

  const std::string longName = "Harbour Lights International Trading Company of the North Sea and the Baltic Ltd";
  ASSERT_TRUE(driver->typeText(longName));
  flush();
  EXPECT_EQ(groups().name(), longName);
  // The caret is inside the field, at its right end, with the text scrolled.
  const ui::Rect caret = field.caretRect();
  EXPECT_GT(field.textScrollOffset(), 0);
  EXPECT_GE(caret.x(), field.bounds().width() / 2);
  EXPECT_LE(caret.maxX(), field.bounds().width());
  // Back to the start: the text comes back with it.
  field.setSelectedRange({0, 0});
  EXPECT_EQ(field.textScrollOffset(), 0);
  EXPECT_LE(field.caretRect().x(), 1);
}

// On a desktop, clicking a field of the form that is in sight edits it where
// it stands: the form neither scrolls nor lifts, neither on the click nor
// when Return moves on to the next field in sight.
TEST_F(FormScreenTest, OnADesktopAFieldInSightIsEditedWhereItStands) {
  open();
  window_->setHasOnScreenKeyboard(false);
  startNewCustomer();
  const ui::Rect frame = table().frame();
  const ui::Rect shown = table().convertRectToView(table().bounds(), nullptr);
  const ui::Point offset = table().contentOffset();
  for (const char* key : {"STREETADDRESS", "CITY", "ZIPCODE"}) {
    SCOPED_TRACE(key);
    const long row = rowOf(2, key);
    ASSERT_GE(row, 0);
    auto* cell = dynamic_cast<CustomerAttributeCell*>(table().cellForRowAtIndexPath({2, row}));
    ASSERT_TRUE(cell);
    auto& field = cell->txtAttributeValue();
    const ui::Rect before = field.convertRectToView(field.bounds(), nullptr);
    ASSERT_TRUE(shown.contains(before)) << "the field is not in sight to begin with";
    ASSERT_TRUE(driver->tap(field));
    advance(1);
    flush();
    EXPECT_TRUE(field.isEditing());
    EXPECT_EQ(table().contentOffset(), offset);
    EXPECT_EQ(table().frame(), frame);
    EXPECT_EQ(field.convertRectToView(field.bounds(), nullptr), before);
  }
  // Return on the street goes on to the city, in sight too.
  auto* street = dynamic_cast<CustomerAttributeCell*>(table().cellForRowAtIndexPath({2, rowOf(2, "STREETADDRESS")}));
  ASSERT_TRUE(street);
  ASSERT_TRUE(driver->tap(street->txtAttributeValue()));
  ASSERT_TRUE(driver->pressReturn());
  advance(CustomerInfoView::kFocusDelay + 0.05);
  flush();
  auto* city = dynamic_cast<CustomerAttributeCell*>(table().cellForRowAtIndexPath({2, rowOf(2, "CITY")}));
  ASSERT_TRUE(city);
  EXPECT_TRUE(city->txtAttributeValue().isEditing());
  EXPECT_EQ(table().contentOffset(), offset);
}

// The active row stores "YES" or "NO" and reads them in the interface's
// language, one chosen while the form shows included.
TEST_F(FormScreenTest, TheActiveRowReadsYesOrNoInTheInterfaceLanguage) {
  open();
  auto& languages = LanguageManager::sharedInstance();
  // The interface's own tables in English, whatever an earlier test of the
  // program left the manager at.
  languages.resetForTesting();
  languages.setCurrentLanguage(1);
  const auto activeText = [&](int pid) {
    EXPECT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(pid)));
    flush();
    const long row = rowOf(1, "ACTIVE");
    auto* cell = row >= 0 ? cellAt(1, row) : nullptr;
    return cell ? cell->lblAttributeValueDefaul().text() : std::string("<no row>");
  };
  EXPECT_EQ(activeText(1), "Yes");
  EXPECT_EQ(activeText(2), "No");
  languages.setCurrentLanguage(2);
  flush();
  EXPECT_EQ(activeText(2), "否");
  EXPECT_EQ(activeText(1), "是");
  languages.setCurrentLanguage(1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = 1 AND attribute_value = 'YES'") +
                count("marvisto_customer_attribute", "customer_id = 1 AND attribute_value = '1'"),
            1);
}

TEST_F(FormScreenTest, ALanguageChangeWhileEditingShowsTheStoredCustomerAgain) {
  seed({-3, "Local", {{kActive, "YES"}}, {}, {}});
  open();
  ASSERT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(-3)));
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  type(1, "NAME", "Not kept");
  auto& languages = LanguageManager::sharedInstance();
  const int before = languages.currentLanguage();
  languages.setCurrentLanguage(before == 2 ? 1 : 2);
  flush();
  EXPECT_EQ(groups().name(), "Local");
  languages.setCurrentLanguage(before == 0 ? 1 : before);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3 AND customer_name = 'Local'"), 1);
}

TEST_F(FormScreenTest, TheDemoAccountCannotSubmitAndOthersAreAskedFirst) {
  seed({-3, "Local", {{kActive, "YES"}}, {}, {}});
  open();
  ASSERT_TRUE(list().tableView()->tapRowAtIndexPath(listPathOf(-3)));
  ASSERT_TRUE(form().hiddenCell());
  changeSession([](Session& s) { s.loginType = LoginType::Demo; });
  ASSERT_TRUE(driver->tap(form().hiddenCell()->submitButton()));
  flush();
  auto alert = driver->visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), DemoLimitAlert::kTag);  // the shared demo-limit alert
  EXPECT_EQ(alert->title(), txt("FUNCTIONLIMITED"));
  alert->dismissWithClickedButtonIndex(0, false);
  EXPECT_TRUE(CustomerDataModel::sharedInstance()->customersInFlight().empty());

  changeSession([](Session& s) { s.loginType = LoginType::Online; });
  ASSERT_TRUE(driver->tap(form().hiddenCell()->submitButton()));
  flush();
  alert = driver->visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->tag(), CustomerViewController::kSubmitAlertTag);
  EXPECT_EQ(alert->message(), txt("CUSTOMERSUBMIT"));
  ASSERT_TRUE(screen->submitPerson());
  ASSERT_TRUE(driver->pressAlertButton(alert->cancelButtonIndex()));
  EXPECT_FALSE(screen->submitPerson());
  EXPECT_TRUE(CustomerDataModel::sharedInstance()->customersInFlight().empty());
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);

  // SUBMIT: the wait box shows over the window while the customer is on its way.
  MessageBox::sharedInstance().setHostWindow(driver->windowPtr());
  advance(1);  // the first question has gone
  flush();
  ASSERT_FALSE(driver->visibleAlert());
  ASSERT_TRUE(driver->tap(form().hiddenCell()->submitButton()));
  alert = driver->visibleAlert();
  ASSERT_TRUE(alert);
  ASSERT_TRUE(screen->submitPerson());
  ASSERT_TRUE(driver->pressAlertButton(alert->firstOtherButtonIndex()));
  EXPECT_FALSE(screen->submitPerson());
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), txt("UPLOADCUSTOMER"));
  EXPECT_EQ(CustomerDataModel::sharedInstance()->customersInFlight(), (std::set<int>{-3}));

  // The wait can be left: the customer stays local and unsubmitted, no longer
  // on its way, and can be submitted again.
  advance(1);  // the question has gone
  flush();
  EXPECT_TRUE(driver->window().pressEscape());
  flush();
  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_TRUE(CustomerDataModel::sharedInstance()->customersInFlight().empty());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3"), 1);
  advance(1);
  flush();
  ASSERT_TRUE(driver->tap(form().hiddenCell()->submitButton()));
  alert = driver->visibleAlert();
  ASSERT_TRUE(alert);
  ASSERT_TRUE(driver->pressAlertButton(alert->firstOtherButtonIndex()));
  EXPECT_EQ(MessageBox::sharedInstance().currentText(), txt("UPLOADCUSTOMER"));
  EXPECT_EQ(CustomerDataModel::sharedInstance()->customersInFlight(), (std::set<int>{-3}));
  MessageBox::sharedInstance().resetForTesting();
  MessageBox::sharedInstance().setHostWindow({});
}

// A customer made on the form goes to the local sales service: the wait box
// shows while it travels, the order that names it takes the service's id,
// and the form and the list show the customer under that id.
TEST_F(FormScreenTest, ACustomerEnteredOnTheFormIsSubmittedToTheService) {
  startSalesService();
  open();
  startNewCustomer();
  type(1, "NAME", "Harbour 港 Lights");
  type(2, "CITY", "Seattle");
  form().addConctact();
  flush();
  type(contactSection(0), "FIRSTNAME", "Maria");
  type(contactSection(0), "LASTNAME", "Lindqvist");
  tapDone();
  ASSERT_TRUE(form().personInfo());
  const int local = form().personInfo()->pid;
  ASSERT_LT(local, 0);
  seedOrder(-4, local);

  ASSERT_TRUE(form().hiddenCell());
  ASSERT_TRUE(driver->tap(form().hiddenCell()->submitButton()));
  flush();
  auto alert = driver->visibleAlert();
  ASSERT_TRUE(alert);
  ASSERT_EQ(alert->tag(), CustomerViewController::kSubmitAlertTag);
  ASSERT_TRUE(driver->pressAlertButton(alert->firstOtherButtonIndex()));
  ASSERT_TRUE(runUntil([&] { return directory()->customersInFlight().empty(); }, 15));
  flush();

  EXPECT_EQ(MessageBox::sharedInstance().waitMsgBoxtag(), 0);
  EXPECT_TRUE(runUntil([&] { return !driver->visibleAlert(); }, 5));  // no failure alert either
  EXPECT_EQ(count("marvisto_customer", "customer_id < 0"), 0);
  const std::string serviceId =
      stored("SELECT customer_id FROM marvisto_customer WHERE customer_name = 'Harbour 港 Lights'");
  ASSERT_NE(serviceId, "<none>");
  EXPECT_GT(std::stoi(serviceId), 0);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -4 AND customer_id = " + serviceId), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = " + serviceId + " AND contact_id > 0"), 1);
  ASSERT_TRUE(form().personInfo()) << "the form went blank";
  EXPECT_EQ(form().personInfo()->pid, std::stoi(serviceId));
  EXPECT_EQ(form().personInfo()->name, "Harbour 港 Lights");
  ASSERT_EQ(form().personInfo()->contact.size(), 1u);
  EXPECT_EQ(form().personInfo()->contact[0].last_name, "Lindqvist");
  EXPECT_EQ(list().selectedPID(), std::stoi(serviceId));
  EXPECT_EQ(list().selectedRow(), listPathOf(std::stoi(serviceId)));
  EXPECT_LT(listPathOf(local).section, 0);
  const auto sent = uploadedDocuments();
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(sent[0]["marvisto_customer"].size(), 1u);
  EXPECT_EQ(service->backend().uploadedCustomers("acme").size(), 1u);

  // Now a customer of the service, it is read-only and cannot be submitted.
  flush();
  ASSERT_TRUE(form().hiddenCell());
  EXPECT_TRUE(form().editButton().isHidden());
  EXPECT_TRUE(form().hiddenCell()->submitButton().isHidden());
  // The details pane draws the submitted customer: its name, city and contact.
  ASSERT_FALSE(form().isEditing());
  const auto drawn = [&](long section, const char* field) {
    const long row = rowOf(section, field);
    auto* cell = row >= 0 ? cellAt(section, row) : nullptr;
    return cell ? cell->lblAttributeValueDefaul().text() : std::string("<no row>");
  };
  EXPECT_EQ(drawn(1, "NAME"), "Harbour 港 Lights");
  EXPECT_EQ(drawn(2, "CITY"), "Seattle");
  const long contact = groups().companyCount() + 1;  // view-mode layout
  ASSERT_EQ(table().numberOfSections(), contact + 1);
  EXPECT_EQ(drawn(contact, "FIRSTNAME"), "Maria");
  EXPECT_EQ(drawn(contact, "LASTNAME"), "Lindqvist");
  snapshot("customer-submitted.png");
}

// A store of the last build, which noted none of the customers it had
// uploaded, notes them all when it is opened: a reply that gives a customer
// typed since the id and the address id of one of them takes nothing from
// it. The user is told the service named a customer this device may have
// sent, asked whether the two are one, and "Later" leaves both whole.
TEST_F(FormScreenTest, AStoreOfTheLastBuildKeepsItsUploadedCustomersFromAReplyReusingTheirIds) {
  startSalesService();
  // Typed here and uploaded by the last build, with a phone and an address.
  seed({4001, "First Co", {{kPhone, "555-0101"}, {kActive, "YES"}},
        {address(4101, 4001, "1 Elm", "Austin", "TX", true)}, {}});
  // Typed since, not yet submitted, for an order.
  seed({-5, "Second Co", {{kPhone, "555-0202"}, {kActive, "YES"}}, {address(-5, -5, "5 Oak", "Dallas", "TX", true)},
        {}});
  seedOrder(-6, -5);
  ASSERT_NO_FATAL_FAILURE(asTheLastBuildLeftIt());
  EXPECT_EQ(db().userVersion(), Schema::kVersion);

  nextUploadAnswered(R"({"marvisto_customer":[{"customerId":4001,"preId":-5}],)"
                     R"("marvisto_customer_address":[{"preId":-5,"id":4101,"customerId":4001}],)"
                     R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  open();
  ASSERT_TRUE(submitFromTheForm(-5));
  auto alert = driver->visibleAlert();
  EXPECT_EQ(alert->title(), txt("CUSTOMERSENTBEFORE"));
  EXPECT_EQ(alert->message(), Language::format(txt("CUSTOMERSENTBEFOREMESSAGE"),
                                               {"\u201CSecond Co\u201D", "\u201CFirst Co\u201D"}) +
                                  "\n\n" + txt("CUSTOMERSTAYSLOCAL"));
  ASSERT_TRUE(driver->pressAlertButton(alert->cancelButtonIndex()));
  EXPECT_TRUE(runUntil([&] { return !driver->visibleAlert(); }, 5));
  EXPECT_EQ(uploadedDocuments().size(), 1u);
  EXPECT_EQ(count("marvisto_customer", "customer_id = 4001 AND customer_name = 'First Co'"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = 4001 AND attribute_value = '555-0101'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = 4101 AND customer_id = 4001 AND address = '1 Elm'"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -5 AND customer_name = 'Second Co'"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = -5 AND attribute_value = '555-0202'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = -5 AND customer_id = -5"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -6 AND customer_id = -5"), 1);
  EXPECT_GE(listPathOf(-5).section, 0);
  EXPECT_GE(listPathOf(4001).section, 0);
}

// A customer sent by the last build whose answer was lost, and whose copy a
// sync brought from the service, is named back by the service at every
// Submit. The user is asked whether the two are one; "Combine" sends it
// again, and the service's answer makes them one customer, with the orders
// and the rows typed here.
TEST_F(FormScreenTest, ACustomerWhoseAnswerWasLostBeforeTheUpgradeIsCombinedWhenTheUserSaysSo) {
  startSalesService();
  seed({-1, "Harbour Lights", {{kPhone, "555-0303"}, {kActive, "YES"}},
        {address(-1, -1, "3 Quay", "Seattle", "WA", true)}, {{-1, "Maria", "Lindqvist", "maria@x.test"}}});
  seedOrder(-4, -1);
  // Sent; the answer never came back.
  auto dir = directory();
  const auto document = dir->getCustomerInfoById({-1});
  ASSERT_TRUE(document);
  ASSERT_GT(dir->submitCustomerInfo(*document, {}), 0);
  ASSERT_TRUE(runUntil([&] { return service->backend().uploadedCustomers("acme").size() == 1; }, 15));
  dir.reset();
  // A sync brought the service's copy.
  const base::Value copy = service->backend().uploadedCustomers("acme")[0];
  const auto idOf = [](const base::Value& v) { return v.is_number() ? v.get<int>() : std::stoi(v.get<std::string>()); };
  const int copyId = idOf(copy["customerId"]);
  std::vector<marvisto_customer_address_Entity> addresses;
  for (const auto& a : copy["addresses"])
    addresses.push_back(address(idOf(a["id"]), copyId, a["address"].get<std::string>(), a["city"].get<std::string>(),
                                a["state"].get<std::string>(), true));
  ASSERT_EQ(addresses.size(), 1u);
  seed({copyId, "Harbour Lights", {{kPhone, "555-0303"}, {kActive, "YES"}}, addresses, {}});
  ASSERT_NO_FATAL_FAILURE(asTheLastBuildLeftIt());
  EXPECT_EQ(count("marvisto_uploaded_customer", "customer_id = " + std::to_string(copyId)), 1);

  open();
  ASSERT_TRUE(submitFromTheForm(-1));
  auto alert = driver->visibleAlert();
  EXPECT_EQ(alert->title(), txt("CUSTOMERSENTBEFORE"));
  EXPECT_EQ(alert->buttonTitleAtIndex(alert->firstOtherButtonIndex()), txt("COMBINE"));
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 1);
  const auto question = alert;
  ASSERT_TRUE(driver->pressAlertButton(alert->firstOtherButtonIndex()));
  ASSERT_TRUE(runUntil([&] { return driver->visibleAlert() != question; }, 5));
  ASSERT_TRUE(answerShown());
  alert = driver->visibleAlert();
  EXPECT_EQ(alert->title(), txt("CUSTOMERSCOMBINED"));
  ASSERT_TRUE(driver->pressAlertButton(0));
  flush();
  const std::string copyRows = "customer_id = " + std::to_string(copyId);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 0);
  EXPECT_EQ(count("marvisto_customer", copyRows), 1);
  EXPECT_EQ(count("marvisto_customer_address", copyRows), 1);
  EXPECT_EQ(count("marvisto_customer_contact", copyRows + " AND first_name = 'Maria'"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", copyRows + " AND attribute_value = '555-0303'"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -4 AND " + copyRows), 1);
  EXPECT_EQ(count("marvisto_uploaded_customer", copyRows + " AND local_id = -1"), 1);
  EXPECT_EQ(service->backend().uploadedCustomers("acme").size(), 1u);
  EXPECT_LT(listPathOf(-1).section, 0);
  EXPECT_GE(listPathOf(copyId).section, 0);
}

// An upload the service does not answer tells why, and that the customer
// stays on this device with its orders.
TEST_F(FormScreenTest, AnUploadThatFailsSaysWhyAndThatTheCustomerStays) {
  startSalesService();
  seed({-3, "Local", {{kActive, "YES"}}, {}, {}});
  service->addFault(sales::FaultRule::statusFor("syncData/marvisto_customer", "999"));
  open();
  ASSERT_TRUE(submitFromTheForm(-3));
  auto alert = driver->visibleAlert();
  EXPECT_EQ(alert->title(), txt("SUBMITTINGFAILED"));
  // The service's reason, then that the customer stays.
  const std::string stays = "\n\n" + txt("CUSTOMERSTAYSLOCAL");
  EXPECT_TRUE(alert->message().ends_with(stays)) << alert->message();
  EXPECT_GT(alert->message().size(), stays.size()) << alert->message();
  EXPECT_EQ(alert->message().find(txt("FAILED")), std::string::npos) << alert->message();
  ASSERT_TRUE(driver->pressAlertButton(0));
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3"), 1);
}

// The tab's first showing while its book is read beside: the list says so
// and offers no index; meanwhile "+" opens the form (the fields are known),
// the customer entered there is stored and shown, and a search waits for
// the book. Once the book is in, the list holds it with the new customer
// chosen, and the search shows what it finds.
TEST_F(FormScreenTest, WhatIsDoneWhileTheFirstBookIsReadComesOutRight) {
  constexpr int kBook = 3000;
  seedBook(100000, kBook);
  HeldWorkers workers;
  ASSERT_TRUE(workers.held());
  openWhileTheBookIsRead();
  auto& panel = *screen->customerList();
  EXPECT_TRUE(driver->isVisible(panel.loadingLabel()));
  EXPECT_EQ(panel.loadingLabel().text(), txt("CUSTOMERSLOADING"));
  EXPECT_TRUE(panel.loadingSpinner().isAnimating());
  EXPECT_TRUE(list().customerlist().empty());
  EXPECT_TRUE(list().tableView()->sectionIndexTitles().empty());

  startNewCustomer();
  type(1, "NAME", "Aardvark Hire");
  tapDone();
  ASSERT_TRUE(form().personInfo());
  const int id = form().personInfo()->pid;
  EXPECT_LT(id, 0);
  EXPECT_EQ(form().personInfo()->name, "Aardvark Hire");
  EXPECT_EQ(count("marvisto_customer", "customer_id = " + std::to_string(id)), 1);

  ASSERT_TRUE(driver->tap(panel.searchBar()));
  ASSERT_TRUE(driver->typeText("client 2999"));
  flush();
  EXPECT_FALSE(screen->popResult()->isPopoverVisible());

  workers.release();
  flush();
  EXPECT_FALSE(driver->isVisible(panel.loadingLabel()));
  EXPECT_FALSE(panel.loadingSpinner().isAnimating());
  EXPECT_EQ(list().tableView()->sectionIndexTitles().size(), 27u);
  std::size_t rows = 0;
  for (const auto& section : list().customerlist()) rows += section.arrayPersons.size();
  EXPECT_EQ(rows, kBook + 3u);  // the book, the first two customers and the new one
  EXPECT_EQ(list().selectedPID(), id);
  EXPECT_EQ(list().selectedRow(), listPathOf(id));
  ASSERT_TRUE(form().personInfo());
  EXPECT_EQ(form().personInfo()->pid, id);
  ASSERT_TRUE(screen->popResult()->isPopoverVisible());
  ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
  EXPECT_EQ(screen->tableResult()->rowText(0), "Client 2999");
}

// In a book of thousands, a customer entered, edited and deleted on the form
// changes the list in place: the main thread reads that customer's rows
// alone and regroups nothing, and the list shows the change where it goes.
TEST_F(FormScreenTest, ACustomerSavedOrDeletedInABookOfThousandsChangesItInPlace) {
  constexpr int kBook = 3000;
  seedBook(100000, kBook);
  open();
  auto shown = [&](int id) {
    const ui::IndexPath path = listPathOf(id);
    if (path.section < 0) return std::string("<not listed>");
    list().tableView()->scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::Middle, false);
    flush();
    auto* cell = dynamic_cast<CustomerListCell*>(list().tableView()->cellForRowAtIndexPath(path));
    return cell ? cell->lbcustomer_name().text() + (cell->isSelected() ? " (chosen)" : "") : "<not drawn>";
  };
  auto listed = [&] {
    std::size_t rows = 0;
    for (const auto& section : list().customerlist()) rows += section.arrayPersons.size();
    return rows;
  };
  const auto grouped = CustomerGrouping::rowsMadeOnMainThread();
  std::uint64_t read = 0;
  {
    MainThreadReads reads;
    startNewCustomer();
    type(1, "NAME", "Aardvark Hire");
    tapDone();
    read = std::max(read, reads.rows());
  }
  ASSERT_TRUE(form().personInfo());
  const int id = form().personInfo()->pid;
  EXPECT_EQ(listPathOf(id), (ui::IndexPath{0, 0}));  // before "Apple" under A
  EXPECT_EQ(shown(id), "Aardvark Hire (chosen)");
  {
    MainThreadReads reads;
    ASSERT_TRUE(driver->tap(form().editButton()));
    flush();
    type(1, "NAME", "Zebra Hire");
    tapDone();
    read = std::max(read, reads.rows());
  }
  EXPECT_EQ(list().customerlist().back().prefex, "Z");
  EXPECT_EQ(shown(id), "Zebra Hire (chosen)");
  EXPECT_EQ(list().customerlist().front().arrayPersons.size(), 1u);  // "Apple" alone under A again
  {
    MainThreadReads reads;
    ASSERT_TRUE(list().tableView()->swipeToDeleteRowAtIndexPath(listPathOf(id)));
    ASSERT_TRUE(list().tableView()->confirmDeletion());
    flush();
    read = std::max(read, reads.rows());
  }
  EXPECT_EQ(count("marvisto_customer", "customer_id = " + std::to_string(id)), 0);
  EXPECT_EQ(shown(id), "<not listed>");
  EXPECT_EQ(list().customerlist().back().prefex, "C");
  EXPECT_EQ(listed(), static_cast<std::size_t>(kBook) + 2);
  EXPECT_EQ(shown(100000 + kBook - 1), "Client 2999");
  // One customer's rows and the form's fields, at each step, whatever the book.
  EXPECT_LT(read, 100u);
  EXPECT_EQ(CustomerGrouping::rowsMadeOnMainThread(), grouped);
}

// The book is read again on a worker (as a sync's end has it) while the
// representative saves one customer and, on the next read, deletes another:
// each read took the store before the tap, yet once it lands the list and
// the search show each customer as the tap left it.
TEST_F(FormScreenTest, ACustomerSavedOrDeletedWhileTheBookIsReadBesideShowsAsTheTapLeftIt) {
  open();
  startNewCustomer();
  type(1, "NAME", "Dockside Goods");
  tapDone();
  ASSERT_TRUE(form().personInfo());
  const int deleted = form().personInfo()->pid;
  // The worker's read done, its book not yet taken by the main thread.
  const auto readBeside = [&] {
    directory()->reloadCustomerDataBeside();
    base::WorkQueue::global().waitIdle();
    return base::WorkQueue::global().pendingCount() == 0;
  };
  const auto found = [&](const std::string& text) {
    auto bar = screen->customerList();
    bar->searchBarTextDidChange(bar->searchBar(), text);
    std::vector<std::string> rows;
    if (screen->popResult()->isPopoverVisible()) {
      for (std::size_t i = 0; i < screen->tableResult()->arrResult().size(); ++i)
        rows.push_back(screen->tableResult()->rowText(i));
    }
    bar->searchBarTextDidChange(bar->searchBar(), "");
    return rows;
  };

  startNewCustomer();
  type(1, "NAME", "Quayside Traders");
  ASSERT_TRUE(readBeside());
  tapDone();
  ASSERT_TRUE(runUntil([] { return !base::outsideWorkUnderWay(); }, 30));
  flush();
  ASSERT_TRUE(form().personInfo());
  const int saved = form().personInfo()->pid;
  EXPECT_GE(listPathOf(saved).section, 0) << "the saved customer is listed";
  EXPECT_EQ(found("quayside"), std::vector<std::string>{"Quayside Traders"});

  ASSERT_TRUE(readBeside());
  ASSERT_TRUE(list().tableView()->swipeToDeleteRowAtIndexPath(listPathOf(deleted)));
  ASSERT_TRUE(list().tableView()->confirmDeletion());
  ASSERT_TRUE(runUntil([] { return !base::outsideWorkUnderWay(); }, 30));
  flush();
  EXPECT_EQ(count("marvisto_customer", "customer_id = " + std::to_string(deleted)), 0);
  EXPECT_EQ(listPathOf(deleted).section, -1) << "the deleted customer is not listed";
  EXPECT_TRUE(found("dockside").empty());
  EXPECT_GE(listPathOf(saved).section, 0);
}

// A customer named after its contact is a person, filed under the letter of
// the family's reading whatever the name reads as a word, and stays there
// when renamed; a company goes under the letter of its words. Each is read
// where the user meets it: the letter of the section its row is under, and
// the index's letter that shows the row.
TEST_F(FormScreenTest, APersonIsFiledUnderTheFamilysLetterAndACompanyUnderItsWords) {
  open();
  const auto create = [&](const std::string& name, const std::string& family, const std::string& given) {
    startNewCustomer();
    type(1, "NAME", name);
    if (!family.empty()) {
      form().addConctact();
      flush();
      type(contactSection(0), "FIRSTNAME", given);
      type(contactSection(0), "LASTNAME", family);
    }
    tapDone();
    return form().personInfo() ? form().personInfo()->pid : 0;
  };
  const auto filedUnder = [&](int id) {
    const ui::IndexPath path = listPathOf(id);
    return path.section < 0 ? std::string("<not listed>") : list().customerlist()[static_cast<std::size_t>(path.section)].prefex;
  };
  // The index's letter shows the row.
  const auto indexShows = [&](const std::string& letter, int id) {
    auto tv = list().tableView();
    const auto& titles = tv->sectionIndexTitles();
    const auto at = std::find(titles.begin(), titles.end(), letter);
    if (at == titles.end() || !tv->selectSectionIndexTitle(at - titles.begin())) return false;
    flush();
    const auto shown = tv->indexPathsForVisibleRows();
    return std::find(shown.begin(), shown.end(), listPathOf(id)) != shown.end();
  };

  const int zeng = create("曾藩", "曾", "藩");
  ASSERT_NE(zeng, 0);
  EXPECT_EQ(filedUnder(zeng), "Z");
  ASSERT_TRUE(driver->tap(form().editButton()));
  flush();
  type(1, "NAME", "曾国藩");  // a word of the dictionary, its contact left as it was
  tapDone();
  EXPECT_EQ(filedUnder(zeng), "Z");
  EXPECT_TRUE(indexShows("Z", zeng));

  const std::vector<std::tuple<std::string, std::string, std::string, std::string>> others = {
      {"乐毅", "乐", "毅", "Y"},      {"单纯", "单", "纯", "S"},     {"解明", "解", "明", "X"},
      {"乐高", "", "", "L"},          {"单车行", "", "", "D"},       {"查询台", "李", "娜", "C"},
      {"区块链", "", "", "Q"},        {"重汽", "", "", "Z"},         {"解百纳", "", "", "J"},
  };
  for (const auto& [name, family, given, letter] : others) {
    const int id = create(name, family, given);
    ASSERT_NE(id, 0) << name;
    EXPECT_EQ(filedUnder(id), letter) << name;
    EXPECT_TRUE(indexShows(letter, id)) << name;
  }
}

// A customer saved shows its row whole, below the header of its section that
// stays at the top of the list: the first of its section, and one at the end
// of a long section.
TEST_F(FormScreenTest, ASavedCustomersRowShowsWholeBelowItsSectionHeader) {
  seedBook(100000, 60);  // "Client 0000" to "Client 0059", under C
  open();
  auto tv = list().tableView();
  for (const char* name : {"Aardvark Hire", "Client 0059 Annex", "Cab Hire"}) {
    // From the other end of the list.
    tv->setContentOffset(tv->clampedContentOffset({0, 1e9}));
    flush();
    startNewCustomer();
    type(1, "NAME", name);
    tapDone();
    ASSERT_TRUE(form().personInfo()) << name;
    const ui::IndexPath path = listPathOf(form().personInfo()->pid);
    ASSERT_GE(path.section, 0) << name;
    EXPECT_EQ(tv->indexPathForSelectedRow(), path) << name;
    const ui::Rect row = tv->rectForRowAtIndexPath(path);
    const ui::View* header = tv->headerViewForSection(path.section);
    ASSERT_TRUE(header) << name;
    const double top = tv->contentOffset().y;
    EXPECT_GE(row.minY(), header->frame().maxY()) << name << " is under its section's header";
    EXPECT_LE(row.maxY(), top + tv->bounds().height()) << name << " runs past the bottom";
  }
}

// The order store needs the customers of its orders uploaded only while the
// Customers tab is one the company shows; the tab tells it through the links
// the order library registers.
TEST_F(FormScreenTest, TheOrderStoreLearnsWhetherTheCustomersTabIsShown) {
  class Links : public CustomerOrderLinks {
   public:
    std::vector<bool> told;
    void setIsCustomerOnShow(bool shown) override { told.push_back(shown); }
    void updateOrderTable(const std::vector<marvisto_customer_Entity>&) override {}
  };
  auto links = std::make_shared<Links>();
  // The session begins again with the links registered.
  wiring.services.add<CustomerOrderLinks>([links](SessionServices&) { return links; });
  scope->restart(wiring.services);
  services = scope->services();
  ASSERT_TRUE(services);
  open();
  auto config = services->get<ConfigManager>();
  ASSERT_TRUE(config);
  for (const char* desc : {"1,1,0,1", "1,1,1,1"}) {
    config->setModelDescFromDesc(desc);
    screen->loadByConfig();
  }
  EXPECT_EQ(links->told, (std::vector<bool>{false, true}));
}

}  // namespace
}  // namespace mv::test
