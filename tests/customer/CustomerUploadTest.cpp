#include <algorithm>

#include "CustomerTestSupport.hpp"
#include "FakeRequestSender.hpp"
#include "SessionFixture.hpp"
#include "customer/CustomerOrderLinks.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/ui/AlertView.hpp"
#include "shell/frame/MessageBox.hpp"
#include "store/Schema.hpp"
#include "sync/requests/RequestUploadCustomer.hpp"
#include "util/Json.hpp"
#include "util/Session.hpp"

namespace mv::test {
namespace {

using sales::FaultRule;

class RecordingLinks : public CustomerOrderLinks {
 public:
  std::vector<std::pair<int, int>> remapped;  // local id, service id
  void setIsCustomerOnShow(bool) override {}
  void updateOrderTable(const std::vector<marvisto_customer_Entity>& customers) override {
    for (const auto& c : customers) remapped.emplace_back(c.pid, c.customer_id);
  }
};

class UploadTest : public CustomerTest {
 protected:
  void SetUp() override {
    links = std::make_shared<RecordingLinks>();
    wiring.services.add<CustomerOrderLinks>([this](SessionServices&) { return links; });
    if (answerRequestsHere) wiring.services.add<RequestSender>([this](SessionServices&) { return sender; });
    CustomerTest::SetUp();
    observation = base::Observation(CustomerDataModel::kUploadCustomerRespond, nullptr,
                                    [this](const base::Notification& n) { posted.push_back(n.userInfo.get<bool>()); });
  }
  void TearDown() override {
    observation.reset();
    CustomerTest::TearDown();
  }

  // Local customer -1 with two addresses, seven attribute rows and a
  // contact; hidden local customer -2 with one address; and a synced one.
  void seedLocalCustomers() {
    seed({-1, "Joe's \"Corner\" 商店",
          {{kPhone, "555"}, {kBank, ""}, {kActive, "YES"}, {kAddress, "1 Elm"}, {kCity, "Austin"}, {kState, "TX"},
           {kZip, "78701"}},
          {address(-1, -1, "1 Elm", "Austin", "TX", true), address(-2, -1, "2 Oak", "Dallas", "TX")},
          {{-1, "Joe", "Doe", "joe@x.test"}}});
    seed({-2, "Quiet Co", {{kActive, "NO"}, {kHiddenField, "kept"}}, {address(-3, -2, "3 Pine", "", "")}, {}, true});
    seed({7, "Synced", {{kActive, ""}}, {}, {}});
  }

  std::shared_ptr<SubmitCustomerRst> reply(const std::string& status) {
    auto r = std::make_shared<SubmitCustomerRst>();
    r->cmdCode = kCmdUploadCustomer;
    r->status = status;
    r->message = "message-" + status;
    return r;
  }

  // Answers the last upload sent, as the service would.
  bool answerUpload(const std::shared_ptr<SubmitCustomerRst>& r) {
    auto sent = sender->lastSent(kCmdUploadCustomer);
    if (!sent) return false;
    r->requestCode = sent->requestCode;
    return sender->answer(r);
  }

  // An upload's successful reply with these JSON lists.
  static std::shared_ptr<SubmitCustomerRst> rows(const std::string& customers, const std::string& addresses,
                                                 const std::string& attributes, const std::string& contacts) {
    std::shared_ptr<SubmitCustomerRst> r;
    const auto doc = JSONValue(R"({"content":{"marvisto_customer":)" + customers + R"(,"marvisto_customer_address":)" +
                               addresses + R"(,"marvisto_customer_attribute":)" + attributes +
                               R"(,"marvisto_customer_contact":)" + contacts +
                               R"(},"results":[{"detail":"","message":"","status":"200"}]})");
    if (doc) r = std::dynamic_pointer_cast<SubmitCustomerRst>(RequestUploadCustomer().RequestDecode(&*doc));
    return r;
  }

  // What the alert of a failed upload says: the cause (each customer's),
  // then that the customers stay here.
  static std::string told(const std::string& causeKey) { return "text-" + causeKey + "\n\ntext-CUSTOMERSTAYSLOCAL"; }

  // `customer` sent, and the reply told as refused for the cause of `causeKey`.
  void refused(CustomerDataModel& dir, int customer, const std::shared_ptr<SubmitCustomerRst>& reply,
               const std::string& causeKey = "CUSTOMERIDOFANOTHER") {
    ASSERT_TRUE(reply);
    ASSERT_GT(dir.submitCustomer(customer), 0);
    ASSERT_TRUE(answerUpload(reply));
    EXPECT_EQ(posted.back(), false);
    ASSERT_TRUE(ui::AlertView::visibleAlert());
    EXPECT_EQ(ui::AlertView::visibleAlert()->message(), told(causeKey));
    ui::AlertView::resetForTesting();
  }

  // The fake sender takes the uploads; a fixture that sends to the local
  // sales service clears this in its constructor.
  bool answerRequestsHere = true;
  std::shared_ptr<FakeRequestSender> sender = std::make_shared<FakeRequestSender>();
  std::shared_ptr<RecordingLinks> links;
  base::Observation observation;
  std::vector<bool> posted;
};

TEST_F(UploadTest, DocumentIsBuiltFromTheStoreWithHiddenCustomersAndTypedValues) {
  seedLocalCustomers();
  setShowAllCustomers(false);
  auto dir = directory();
  ASSERT_FALSE(dir->customer(-2));  // hidden from the list...

  auto json = dir->getCustomerInfoById({-1, -2, 7, -99});
  ASSERT_TRUE(json);
  auto doc = JSONValue(*json);
  ASSERT_TRUE(doc && doc->is_object());
  ASSERT_EQ(doc->size(), 4u);
  const auto& customers = (*doc)["marvisto_customer"];
  ASSERT_EQ(customers.size(), 3u);  // ...but uploaded; the unknown id is left out
  EXPECT_EQ(customers[0]["customer_id"], -1);
  EXPECT_EQ(customers[0]["customer_info_id"], "");
  EXPECT_EQ(customers[0]["customer_name"], "Joe's \"Corner\" 商店");
  EXPECT_EQ(customers[0]["customer_publish"], 1);
  EXPECT_EQ(customers[0]["customer_ordering"], 0);
  EXPECT_TRUE(customers[0]["discount"].is_number_float());
  EXPECT_DOUBLE_EQ(customers[0]["discount"].get<double>(), 0.5);
  EXPECT_EQ(customers[1]["customer_id"], -2);
  // The text carries the escapes and the raw characters.
  EXPECT_NE(json->find(R"("customer_name":"Joe's \"Corner\" 商店")"), std::string::npos);

  const auto& addresses = (*doc)["marvisto_customer_address"];
  ASSERT_EQ(addresses.size(), 3u);
  EXPECT_EQ(addresses[0], (base::Value{{"id", -1}, {"customer_id", -1}, {"address", "1 Elm"}, {"city", "Austin"},
                                       {"state", "TX"}, {"zip_code", "Z-1"}}));

  const auto& attributes = (*doc)["marvisto_customer_attribute"];
  ASSERT_EQ(attributes.size(), 7u + 2u + 1u);  // every stored row, shown or not
  std::map<std::pair<int, int>, base::Value> byField;
  for (const auto& a : attributes) byField[std::make_pair(a["customer_id"].get<int>(), a["attribute_fields_id"].get<int>())] = a;
  auto field = [&](int customer, int id) { return byField[std::make_pair(customer, id)]; };
  EXPECT_EQ(field(-1, kActive)["attribute_value"], 1);  // "YES"
  EXPECT_EQ(field(-2, kActive)["attribute_value"], 0);  // "NO"
  EXPECT_EQ(field(7, kActive)["attribute_value"], 1);   // ""
  EXPECT_EQ(field(-1, kPhone)["attribute_value"], "555");
  EXPECT_EQ(field(-2, kHiddenField)["attribute_value"], "kept");
  EXPECT_TRUE(field(-1, kActive)["attribute_id"].is_number_integer());

  const auto& contacts = (*doc)["marvisto_customer_contact"];
  ASSERT_EQ(contacts.size(), 1u);
  EXPECT_EQ(contacts[0]["contact_id"], -1);
  EXPECT_EQ(contacts[0]["email"], "joe@x.test");
  EXPECT_EQ(contacts[0]["im"], "");
  EXPECT_EQ(contacts[0].count("isDefault"), 0u);

  // The backup's document has the hidden customer too, with what only the device keeps.
  auto backup = dir->allUnsubmittedCustomerDic();
  ASSERT_EQ(backup["marvisto_customer"].size(), 2u);
  EXPECT_EQ(backup["marvisto_customer"][1]["hidden"], 1);
}

// A name stored with bytes that are not UTF-8 still goes out (they read as
// U+FFFD), a discount as the decimal it is; a document that cannot be written
// at all is reported like a failed upload, and the wait box closes.
TEST_F(UploadTest, TextFromTheStoreIsValidAndAnUnwritableDocumentIsAFailedUpload) {
  seedLocalCustomers();
  sql("UPDATE marvisto_customer SET customer_name = CAST(X'426164FF204E616D65' AS TEXT), discount = 0.3 "
      "WHERE customer_id = -1");
  auto dir = directory();
  auto json = dir->getCustomerInfoById({-1});
  ASSERT_TRUE(json);
  EXPECT_NE(json->find("\"customer_name\":\"Bad\xEF\xBF\xBD Name\""), std::string::npos) << *json;
  EXPECT_NE(json->find("\"discount\":0.3"), std::string::npos) << *json;
  EXPECT_EQ(json->find("0.30000001"), std::string::npos) << *json;
  EXPECT_EQ(dir->allUnsubmittedCustomerDic()["marvisto_customer"][0]["discount"], 0.3);

  // A discount no JSON number can hold.
  sql("UPDATE marvisto_customer SET discount = 9e999 WHERE customer_id = -1");
  auto& box = MessageBox::sharedInstance();
  const int tag = box.BeginBlockWait("wait", 300);
  EXPECT_EQ(dir->submitCustomer(-1), 0);
  EXPECT_FALSE(box.isShowing(tag));
  EXPECT_EQ(posted, (std::vector<bool>{false}));
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "text-SUBMITTINGFAILED");
  EXPECT_EQ(alert->message(), told("CUSTOMERNOTREAD"));
  ui::AlertView::resetForTesting();
  EXPECT_TRUE(dir->customersInFlight().empty());
  // Once the value is mended, the upload goes out.
  sql("UPDATE marvisto_customer SET discount = 0 WHERE customer_id = -1");
  EXPECT_TRUE(dir->getCustomerInfoById({-1}));
}

TEST_F(UploadTest, RepliesAreCheckedAndTheRemapIsAllOrNothing) {
  seedLocalCustomers();
  seedOrder(-5, -1);
  seedOrder(-6, -2);
  auto dir = directory();
  auto& box = MessageBox::sharedInstance();

  // A reply to a request the customer book did not send never reaches it:
  // the wait box stays, nothing is posted, the customer is still on its way.
  int tag = box.BeginBlockWait("wait", 300);
  ASSERT_GT(dir->submitCustomer(-1), 0);
  auto other = reply("200");
  other->cmdCode = kCmdBackup;
  other->requestCode = sender->lastSent(kCmdUploadCustomer)->requestCode + 1000;
  EXPECT_FALSE(sender->answer(other));
  EXPECT_TRUE(box.isShowing(tag));
  EXPECT_TRUE(posted.empty());
  EXPECT_EQ(dir->customersInFlight(), (std::set<int>{-1}));

  // A network failure: the wait box closes, NO, the alert with the reply's
  // message, nothing stored.
  ASSERT_TRUE(answerUpload(reply("999")));
  EXPECT_FALSE(box.isShowing(tag));
  EXPECT_TRUE(dir->customersInFlight().empty());
  EXPECT_EQ(posted, (std::vector<bool>{false}));
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "text-SUBMITTINGFAILED");
  EXPECT_EQ(alert->message(), "message-999\n\ntext-CUSTOMERSTAYSLOCAL");
  EXPECT_EQ(alert->buttonTitleAtIndex(0), "text-OK");
  ui::AlertView::resetForTesting();

  // "200" whose ids cannot all be stored: every row keeps its local id.
  auto ok = reply("200");
  marvisto_customer_Entity c;
  c.pid = -1;
  c.customer_id = 9001;
  ok->customerArry = {c};
  marvisto_customer_address_Entity a;
  a.pID = -1;
  a.indexId = 8001;
  a.customerId = 9001;
  ok->customerAddress = {a};
  marvisto_customer_attribute_Entity t;
  t.pID = -101;
  t.attribute_id = 7001;
  t.customer_id = 9001;
  ok->customerAttributes = {t};
  marvisto_customer_contact_entity k;
  k.pID = -1;
  k.contactID = 6001;
  k.customerID = 9001;
  ok->customerContacts = {k};
  sql("CREATE TRIGGER orders_locked BEFORE UPDATE ON marvisto_quote_order BEGIN SELECT RAISE(ABORT, 'locked'); END");
  ASSERT_GT(dir->submitCustomer(-1), 0);
  ASSERT_TRUE(answerUpload(ok));
  EXPECT_EQ(posted, (std::vector<bool>{false, false}));
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), told("CUSTOMERIDSNOTSTORED"));
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = -1 AND customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "attribute_id = -101 AND customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = -1 AND customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = -1"), 1);
  EXPECT_TRUE(links->remapped.empty());
  ui::AlertView::resetForTesting();

  // The same reply once the store takes it: every table and the orders.
  sql("DROP TRIGGER orders_locked");
  ASSERT_GT(dir->submitCustomer(-1), 0);
  ASSERT_TRUE(answerUpload(ok));
  EXPECT_EQ(posted, (std::vector<bool>{false, false, true}));
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_EQ(count("marvisto_customer", "customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8001 AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "attribute_id = 7001 AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = 6001 AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -5 AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -6 AND customer_id = -2"), 1);
  EXPECT_EQ(links->remapped, (std::vector<std::pair<int, int>>{{-1, 9001}}));
  EXPECT_TRUE(dir->customer(9001));  // reloaded

  // "200" with empty lists leaves -2, which went out, without an id: told as
  // failed, and -2 stays local with its order.
  ASSERT_GT(dir->submitAllLocalCustomer(), 0);
  EXPECT_EQ(dir->customersInFlight(), (std::set<int>{-2}));
  ASSERT_TRUE(answerUpload(reply("200")));
  EXPECT_EQ(posted.back(), false);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), told("CUSTOMERUNSOUNDIDS"));
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -6 AND customer_id = -2"), 1);
  ui::AlertView::resetForTesting();
}

// The service's own copy of a local customer (a sync brought it after the
// reply to an earlier upload was lost) is known by the reply giving the
// local customer's rows that copy's rows: the two become one under the
// service's id, with the rows the user typed, the copy's other rows, the
// orders of both and what the device kept of each, and the user is told.
// A held id whose rows are another customer's is refused as before.
TEST_F(UploadTest, TheServicesOwnCopyOfALocalCustomerBecomesOneWithIt) {
  seedLocalCustomers();
  seed({9001, "Joe's \"Corner\" 商店", {{kPhone, "old"}, {kActive, "YES"}},
        {address(8001, 9001, "1 Elm", "Austin", "TX", true), address(8009, 9001, "9 Extra", "Waco", "TX", true)},
        {{6001, "Joe", "Doe", "old@x.test"}}, false, true});
  sql("UPDATE marvisto_customer SET has_note = 1, note = 'from the copy' WHERE customer_id = 9001");
  sql("UPDATE marvisto_customer SET has_note = 1, note = 'typed here' WHERE customer_id = -1");
  seedOrder(-5, -1);
  seedOrder(-7, 9001);
  auto dir = directory();
  const auto refusedForMinus2 = [&](const std::shared_ptr<SubmitCustomerRst>& reply) { refused(*dir, -2, reply); };

  // -2 given the id the synced customer 7 holds, its address one of 9001's: refused.
  refusedForMinus2(
      rows(R"([{"customerId":7,"preId":-2}])", R"([{"preId":-3,"id":8009,"customerId":7}])", "[]", "[]"));
  EXPECT_EQ(count("marvisto_customer", "customer_id IN (-2, 7)"), 2);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8009 AND customer_id = 9001"), 1);

  auto merged = rows(R"([{"customerId":9001,"preId":-1}])",
                     R"([{"preId":-1,"id":8001,"customerId":9001},{"preId":-2,"id":8002,"customerId":9001}])",
                     R"([{"preId":-101,"attributeId":900101,"customerId":9001}])",
                     R"([{"preId":-1,"contactId":6001,"customerId":9001}])");
  ASSERT_TRUE(merged);
  ASSERT_GT(dir->submitCustomer(-1), 0);
  ASSERT_TRUE(answerUpload(merged));
  EXPECT_EQ(posted.back(), true);
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "text-CUSTOMERSCOMBINED");
  ui::AlertView::resetForTesting();
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 0);
  EXPECT_EQ(count("marvisto_customer", "customer_id = 9001 AND important = 1 AND has_note = 1 AND hidden = 0 AND "
                                       "note = 'typed here' || char(10) || 'from the copy'"),
            1);
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = 9001"), 3);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8001 AND address = '1 Elm' AND isDefault = 1"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8002 AND address = '2 Oak'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8009 AND address = '9 Extra' AND isDefault = 0"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = 6001 AND email = 'joe@x.test'"), 1);
  // The values typed here, one a field.
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = 9001"), 7);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = 9001 AND attribute_value = '555'"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id IN (-5, -7) AND customer_id = 9001"), 2);
  EXPECT_EQ(links->remapped, (std::vector<std::pair<int, int>>{{-1, 9001}}));
  EXPECT_FALSE(dir->customer(-1));

  // 9001 is now a customer this device uploaded: a reply giving -2 its id,
  // with one of its addresses for -2's, names another customer, and is
  // refused with both whole.
  sql("INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name) VALUES (-2, -2, 'Quinn')");
  refusedForMinus2(rows(R"([{"customerId":9001,"preId":-2}])", R"([{"preId":-3,"id":8001,"customerId":9001}])", "[]",
                        R"([{"preId":-2,"contactId":6001,"customerId":9001}])"));
  EXPECT_EQ(count("marvisto_customer", "customer_id IN (-2, 9001)"), 2);
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = 9001"), 3);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8001 AND address = '1 Elm' AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = 6001 AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = -3 AND customer_id = -2"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = -2 AND customer_id = -2"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id IN (-5, -7) AND customer_id = 9001"), 2);
  EXPECT_EQ(links->remapped, (std::vector<std::pair<int, int>>{{-1, 9001}}));
}

// A database from before the note of uploaded customers cannot tell which
// of its customers this device uploaded: once upgraded, a reply giving a
// local customer the id and row ids of one it holds is refused, both stay
// whole, and the user is asked whether the two are one customer.
TEST_F(UploadTest, AnUpgradedDatabaseProtectsTheCustomersItMayHaveUploaded) {
  seedLocalCustomers();
  seed({9001, "Uploaded Co", {{kPhone, "555"}, {kActive, "YES"}}, {address(8001, 9001, "1 Elm", "Austin", "TX", true)},
        {{6001, "Ann", "Lee", "ann@x.test"}}});
  sql("DROP TABLE marvisto_uploaded_customer");
  ASSERT_TRUE(db().setUserVersion(2));
  ASSERT_TRUE(dam().updateVersion());
  EXPECT_EQ(db().userVersion(), Schema::kVersion);
  EXPECT_EQ(count("marvisto_uploaded_customer", "customer_id = 9001 AND local_id IS NULL"), 1);
  EXPECT_EQ(count("marvisto_uploaded_customer", "customer_id = 7 AND local_id IS NULL"), 1);
  EXPECT_EQ(count("marvisto_uploaded_customer", "customer_id < 0"), 0);
  sql("INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name) VALUES (-2, -2, 'Quinn')");
  auto dir = directory();
  ASSERT_GT(dir->submitCustomer(-2), 0);
  ASSERT_TRUE(answerUpload(rows(R"([{"customerId":9001,"preId":-2}])", R"([{"preId":-3,"id":8001,"customerId":9001}])",
                                "[]", R"([{"preId":-2,"contactId":6001,"customerId":9001}])")));
  EXPECT_EQ(posted.back(), false);
  auto alert = ui::AlertView::visibleAlert();
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->title(), "text-CUSTOMERSENTBEFORE");
  EXPECT_EQ(alert->message(), told("CUSTOMERSENTBEFOREMESSAGE"));
  EXPECT_EQ(alert->buttonTitleAtIndex(alert->cancelButtonIndex()), "text-LATER");
  EXPECT_EQ(alert->buttonTitleAtIndex(alert->firstOtherButtonIndex()), "text-COMBINE");
  ASSERT_TRUE(alert->pressButton(alert->cancelButtonIndex()));
  EXPECT_EQ(sender->sent().size(), 1u);
  EXPECT_EQ(count("marvisto_customer", "customer_id = 9001 AND customer_name = 'Uploaded Co'"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -2 AND customer_name = 'Quiet Co'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = 8001 AND address = '1 Elm' AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = 6001 AND customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = 9001 AND attribute_value = '555'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id = -3 AND customer_id = -2"), 1);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = -2 AND customer_id = -2"), 1);
}

// Each upload's reply frees the customers that upload carried, whatever
// else is on its way; an upload the session ended is over quietly, and once
// the session's services end no reply reaches the customer book.
TEST_F(UploadTest, EachReplyFreesItsOwnCustomersAndTheSessionEndIsQuiet) {
  seedLocalCustomers();
  auto dir = directory();
  auto& box = MessageBox::sharedInstance();
  ASSERT_GT(dir->submitCustomer(-1), 0);
  auto first = sender->lastSent(kCmdUploadCustomer);
  ASSERT_GT(dir->submitCustomer(-2), 0);
  EXPECT_EQ(dir->customersInFlight(), (std::set<int>{-2, -1}));
  ASSERT_EQ(sender->sent().size(), 2u);

  // The second answers first: only -2 is free to go again.
  ASSERT_TRUE(answerUpload(reply("999")));
  EXPECT_EQ(dir->customersInFlight(), (std::set<int>{-1}));
  EXPECT_EQ(dir->submitCustomer(-1), 0);
  ui::AlertView::resetForTesting();

  // The first ends with the session: no alert, nothing posted, -1 free again.
  const int tag = box.BeginBlockWait("wait", 300);
  auto ended = reply(kStatusSessionExpired);
  ended->requestCode = first->requestCode;
  ASSERT_TRUE(sender->endSession(ended));
  EXPECT_TRUE(dir->customersInFlight().empty());
  EXPECT_EQ(posted, (std::vector<bool>{false}));
  EXPECT_FALSE(ui::AlertView::visibleAlert());
  EXPECT_TRUE(box.isShowing(tag));
  box.EndBlockWait();

  // On its way when the session's services end: its reply is not delivered.
  ASSERT_GT(dir->submitCustomer(-1), 0);
  dir.reset();
  services.reset();
  scope->endServices();
  EXPECT_FALSE(answerUpload(reply("200")));
  EXPECT_EQ(posted, (std::vector<bool>{false}));
}

// The whole path against the local sales service.
class UploadServiceTest : public CustomerServiceTest<UploadTest> {
 protected:
  UploadServiceTest() { answerRequestsHere = false; }
  void SetUp() override {
    CustomerServiceTest::SetUp();
    startSalesService();
  }
  bool waitForPosts(std::size_t n) { return runUntil([&] { return posted.size() >= n; }, 15); }
};

TEST_F(UploadServiceTest, LocalCustomersOfOrdersTakeTheServiceIdsEverywhere) {
  seedLocalCustomers();
  seed({-3, "No Order Yet", {{kActive, "YES"}}, {}, {}});
  seedOrder(-5, -1);
  seedOrder(-6, -2);
  setShowAllCustomers(false);  // -2 is hidden
  auto dir = directory();

  const int code = dir->submitAllLocalCustomer();
  ASSERT_GT(code, 0);
  EXPECT_EQ(dir->customersInFlight(), (std::set<int>{-2, -1}));
  // Already on their way: not sent again, and no empty document either.
  EXPECT_EQ(dir->submitCustomer(-1), 0);
  EXPECT_EQ(dir->submitAllLocalCustomer(), 0);
  ASSERT_TRUE(waitForPosts(1));
  EXPECT_EQ(posted, (std::vector<bool>{true}));
  EXPECT_TRUE(dir->customersInFlight().empty());

  // Every row of both customers and both orders are under the service's ids;
  // the customer without an order stayed local.
  EXPECT_EQ(count("marvisto_customer", "customer_id IN (-1, -2)"), 0);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -3"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_id > 0 AND customer_name IN ('Quiet Co', 'Joe''s \"Corner\" 商店')"), 2);
  EXPECT_EQ(count("marvisto_customer", "customer_id > 0 AND customer_name = 'Quiet Co' AND hidden = 1"), 1);
  for (const char* table : {"marvisto_customer_address", "marvisto_customer_contact"})
    EXPECT_EQ(count(table, "customer_id < 0"), 0) << table;
  EXPECT_EQ(count("marvisto_customer_address", "id < 0"), 0);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id < 0"), 0);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id < 0 AND customer_id <> -3"), 0);
  EXPECT_EQ(count("marvisto_customer_attribute", "attribute_id < 0 AND customer_id <> -3"), 0);
  EXPECT_EQ(count("marvisto_quote_order", "customer_id < 0"), 0);
  EXPECT_EQ(count("marvisto_quote_order",
                  "customer_id = (SELECT customer_id FROM marvisto_customer WHERE customer_name = 'Quiet Co')"),
            1);
  EXPECT_EQ(links->remapped.size(), 2u);
  auto onService = service->backend().uploadedCustomers("acme");
  ASSERT_EQ(onService.size(), 2u);
  EXPECT_EQ(onService[0]["addresses"].size() + onService[1]["addresses"].size(), 3u);

  // A second upload finds nothing left to send: the empty document.
  ASSERT_GT(dir->submitAllLocalCustomer(), 0);
  ASSERT_TRUE(waitForPosts(2));
  EXPECT_EQ(posted.back(), true);
  auto sent = uploadedDocuments();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["marvisto_customer"].size(), 2u);
  for (const char* list : {"marvisto_customer", "marvisto_customer_address", "marvisto_customer_attribute",
                           "marvisto_customer_contact"})
    EXPECT_TRUE(sent[1][list].is_array() && sent[1][list].empty()) << list;
  EXPECT_EQ(service->backend().uploadedCustomers("acme").size(), 2u);
}

TEST_F(UploadServiceTest, AFailedRemapKeepsEveryLocalIdAndASecondUploadHealsIt) {
  seedLocalCustomers();
  seedOrder(-5, -1);
  auto dir = directory();
  sql("CREATE TRIGGER orders_locked BEFORE UPDATE ON marvisto_quote_order BEGIN SELECT RAISE(ABORT, 'locked'); END");
  ASSERT_GT(dir->submitCustomer(-1), 0);
  ASSERT_TRUE(waitForPosts(1));
  EXPECT_EQ(posted, (std::vector<bool>{false}));
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(count("marvisto_customer", "customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "id < 0 AND customer_id = -1"), 2);
  EXPECT_EQ(count("marvisto_customer_attribute", "attribute_id < 0 AND customer_id = -1"), 7);
  EXPECT_EQ(count("marvisto_customer_contact", "contact_id = -1 AND customer_id = -1"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = -1"), 1);
  ui::AlertView::resetForTesting();

  // Sent again, the service answers the same ids and keeps one customer.
  sql("DROP TRIGGER orders_locked");
  ASSERT_GT(dir->submitCustomer(-1), 0);
  ASSERT_TRUE(waitForPosts(2));
  EXPECT_EQ(posted.back(), true);
  EXPECT_EQ(count("marvisto_quote_order", "customer_id = -1"), 0);
  EXPECT_EQ(service->backend().uploadedCustomers("acme").size(), 1u);
}

// Ids from the service that another row holds, or that it hands out twice,
// never take a row's place: the customers they name keep their local ids,
// rows and orders, the upload is told as failed, and sound ids still go in.
TEST_F(UploadServiceTest, IdsThatClashLeaveTheLocalCustomersAsTheyWere) {
  seedLocalCustomers();
  seedOrder(-5, -1);
  seedOrder(-6, -2);
  auto dir = directory();
  const auto untouched = [&](int customer, const char* name, int addresses, int orderId) {
    const std::string id = std::to_string(customer);
    EXPECT_EQ(count("marvisto_customer", "customer_id = " + id + " AND customer_name = '" + name + "'"), 1) << name;
    EXPECT_EQ(count("marvisto_customer_address", "id < 0 AND customer_id = " + id), addresses) << name;
    EXPECT_EQ(count("marvisto_quote_order", "order_id = " + std::to_string(orderId) + " AND customer_id = " + id), 1)
        << name;
    EXPECT_TRUE(dir->customer(customer)) << name;
  };
  const auto answerWith = [&](const std::string& content) {
    FaultRule rule = FaultRule::contentFor("syncData/marvisto_customer", content);
    rule.times = 1;
    service->addFault(rule);
  };
  // The failure told, with the cause of each customer refused.
  const auto expectFailureTold = [&](std::size_t posts, const std::string& cause,
                                     const std::string& secondCause = "") {
    ASSERT_TRUE(waitForPosts(posts));
    EXPECT_EQ(posted.back(), false);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "text-SUBMITTINGFAILED");
    EXPECT_EQ(alert->message(), told(secondCause.empty() ? cause : cause + "\ntext-" + secondCause));
    ui::AlertView::resetForTesting();
  };

  // Local customer -1 mapped onto the other local customer, -2.
  answerWith(R"({"marvisto_customer":[{"customerId":-2,"preId":-1}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitCustomer(-1), 0);
  expectFailureTold(1, "CUSTOMERUNSOUNDIDS");
  untouched(-1, "Joe''s \"Corner\" 商店", 2, -5);
  untouched(-2, "Quiet Co", 1, -6);

  // One id handed out twice, and an id the synced customer holds.
  answerWith(R"({"marvisto_customer":[{"customerId":9001,"preId":-1},{"customerId":9001,"preId":-2}],)"
             R"("marvisto_customer_address":[],"marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitAllLocalCustomer(), 0);
  expectFailureTold(2, "CUSTOMERUNSOUNDIDS", "CUSTOMERUNSOUNDIDS");
  answerWith(R"({"marvisto_customer":[{"customerId":7,"preId":-2}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitCustomer(-2), 0);
  expectFailureTold(3, "CUSTOMERIDOFANOTHER");
  // Ids no row holds but that are not the service's: 0 and below.
  answerWith(R"({"marvisto_customer":[{"customerId":0,"preId":-2}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitCustomer(-2), 0);
  expectFailureTold(4, "CUSTOMERUNSOUNDIDS");
  answerWith(R"({"marvisto_customer":[{"customerId":-9,"preId":-2}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitCustomer(-2), 0);
  expectFailureTold(5, "CUSTOMERUNSOUNDIDS");
  untouched(-1, "Joe''s \"Corner\" 商店", 2, -5);
  untouched(-2, "Quiet Co", 1, -6);
  EXPECT_EQ(count("marvisto_customer", "customer_id = 7 AND customer_name = 'Synced'"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_id = 9001"), 0);

  // A sound id goes in with the customer's rows and order; an address given
  // a local id (the other customer's address holds it) keeps its customer as
  // it was.
  answerWith(R"({"marvisto_customer":[{"customerId":9001,"preId":-1},{"customerId":9002,"preId":-2}],)"
             R"("marvisto_customer_address":[{"preId":-3,"id":-1,"customerId":9002}],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitAllLocalCustomer(), 0);
  expectFailureTold(6, "CUSTOMERUNSOUNDIDS");
  EXPECT_EQ(count("marvisto_customer", "customer_id = 9001 AND customer_name = 'Joe''s \"Corner\" 商店'"), 1);
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = 9001"), 2);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = 9001"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -5 AND customer_id = 9001"), 1);
  untouched(-2, "Quiet Co", 1, -6);

  // A name is not an identity: the service handing -4 the id of another
  // 张伟 already stored takes nothing from either. The holder keeps its
  // rows and order, -4 stays local and unsubmitted with its own.
  seed({9003, "张伟", {{kActive, "YES"}, {kPhone, "111"}}, {address(9103, 9003, "9 Held St", "Xi'an", "SN")},
        {{9203, "Wei", "Zhang", "held@x.test"}}});
  seedOrder(-7, 9003);
  seed({-4, "张伟", {{kActive, "YES"}}, {address(-4, -4, "4 Local Rd", "Wuhan", "HB")}, {}});
  seedOrder(-8, -4);
  dir->reloadCustomerData();  // as the sync that brought the holder does
  const auto holderWhole = [&] {
    EXPECT_EQ(count("marvisto_customer", "customer_id = 9003 AND customer_name = '张伟'"), 1);
    EXPECT_EQ(count("marvisto_customer_address", "id = 9103 AND customer_id = 9003"), 1);
    EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = 9003"), 2);
    EXPECT_EQ(count("marvisto_customer_contact", "contact_id = 9203 AND customer_id = 9003"), 1);
    EXPECT_EQ(count("marvisto_quote_order", "customer_id = 9003"), 1);
  };
  answerWith(R"({"marvisto_customer":[{"customerId":9003,"preId":-4}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitCustomer(-4), 0);
  expectFailureTold(7, "CUSTOMERIDOFANOTHER");
  holderWhole();
  untouched(-4, "张伟", 1, -8);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = -4"), 1);
  EXPECT_TRUE(dir->customer(9003));

  // A reply that leaves a sent customer out, or gives it an id that does not
  // read as one, is no success for it; the one it does answer goes in.
  answerWith(R"({"marvisto_customer":[{"customerId":9004,"preId":-2}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitAllLocalCustomer(), 0);
  expectFailureTold(8, "CUSTOMERUNSOUNDIDS");
  EXPECT_EQ(count("marvisto_customer", "customer_id = 9004 AND customer_name = 'Quiet Co'"), 1);
  EXPECT_EQ(count("marvisto_quote_order", "order_id = -6 AND customer_id = 9004"), 1);
  untouched(-4, "张伟", 1, -8);
  answerWith(R"({"marvisto_customer":[{"customerId":"x9005","preId":-4}],"marvisto_customer_address":[],)"
             R"("marvisto_customer_attribute":[],"marvisto_customer_contact":[]})");
  ASSERT_GT(dir->submitCustomer(-4), 0);
  expectFailureTold(9, "CUSTOMERUNSOUNDIDS");
  untouched(-4, "张伟", 1, -8);
  holderWhole();
}

// A customer made after an upload is a new customer on the service too, and a
// document sent again (its reply lost) still names the customer it named.
TEST_F(UploadServiceTest, ACustomerMadeAfterAnUploadIsANewCustomerOnTheService) {
  auto dir = directory();
  const int first = dir->saveCustomerWithName("First Co", "1 Elm", "Austin", "TX", "78701");
  ASSERT_EQ(first, -1);
  ASSERT_GT(dir->submitCustomer(first), 0);
  ASSERT_TRUE(waitForPosts(1));
  ASSERT_EQ(posted.back(), true);
  ASSERT_EQ(count("marvisto_customer", "customer_id < 0"), 0);

  const int second = dir->saveCustomerWithName("Second Co", "2 Oak", "Dallas", "TX", "75201");
  EXPECT_LT(second, first);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = " + std::to_string(second)), 7);

  // A reply giving Second Co the id of First Co, which this device uploaded,
  // with one of First Co's values for one of its own is no copy of Second Co
  // on the service: it is refused, and each customer keeps every row.
  const auto idOf = [&](const std::string& sql) {
    SQLiteStatement st = db().prepare(sql);
    return st && st.step() == SQLiteStatement::Step::Row ? st.intAt(0) : 0;
  };
  const int firstId = idOf("SELECT customer_id FROM marvisto_customer WHERE customer_name = 'First Co'");
  const std::string firstRows = "customer_id = " + std::to_string(firstId);
  const std::string secondRows = "customer_id = " + std::to_string(second);
  const int firstValue = idOf("SELECT min(attribute_id) FROM marvisto_customer_attribute WHERE " + firstRows);
  const int secondValue = idOf("SELECT min(attribute_id) FROM marvisto_customer_attribute WHERE " + secondRows);
  ASSERT_GT(firstValue, 0);
  ASSERT_LT(secondValue, 0);
  FaultRule reused = FaultRule::contentFor(
      "syncData/marvisto_customer",
      R"({"marvisto_customer":[{"customerId":)" + std::to_string(firstId) + R"(,"preId":)" + std::to_string(second) +
          R"(}],"marvisto_customer_address":[],"marvisto_customer_attribute":[{"preId":)" +
          std::to_string(secondValue) + R"(,"attributeId":)" + std::to_string(firstValue) + R"(,"customerId":)" +
          std::to_string(firstId) + R"(}],"marvisto_customer_contact":[]})");
  reused.times = 1;
  reused.process = false;
  service->addFault(reused);
  ASSERT_GT(dir->submitCustomer(second), 0);
  ASSERT_TRUE(waitForPosts(2));
  EXPECT_EQ(posted.back(), false);
  ASSERT_TRUE(ui::AlertView::visibleAlert());
  EXPECT_EQ(ui::AlertView::visibleAlert()->message(), told("CUSTOMERIDOFANOTHER"));
  ui::AlertView::resetForTesting();
  EXPECT_EQ(count("marvisto_customer", firstRows + " AND customer_name = 'First Co'"), 1);
  EXPECT_EQ(count("marvisto_customer", secondRows + " AND customer_name = 'Second Co'"), 1);
  EXPECT_EQ(count("marvisto_customer_attribute", firstRows), 7);
  EXPECT_EQ(count("marvisto_customer_attribute", "attribute_id = " + std::to_string(firstValue) + " AND " + firstRows),
            1);
  EXPECT_EQ(count("marvisto_customer_attribute", secondRows), 7);
  EXPECT_TRUE(dir->customer(second));
  const auto document = dir->getCustomerInfoById({second});
  ASSERT_TRUE(document);
  ASSERT_GT(dir->submitCustomer(second), 0);
  ASSERT_TRUE(waitForPosts(3));
  ASSERT_EQ(posted.back(), true);
  // The reply to this copy was "lost": the service answers the same ids.
  ASSERT_GT(dir->submitCustomerInfo(*document, {}), 0);
  ASSERT_TRUE(waitForPosts(4));
  EXPECT_EQ(posted.back(), true);

  auto onService = service->backend().uploadedCustomers("acme");
  ASSERT_EQ(onService.size(), 2u);
  std::set<std::string> names;
  for (const auto& c : onService) names.insert(stringValue(member(c, "customerName")));
  EXPECT_EQ(names, (std::set<std::string>{"First Co", "Second Co"}));
  EXPECT_EQ(count("marvisto_customer", "customer_name = 'First Co' AND customer_id > 0"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_name = 'Second Co' AND customer_id > 0"), 1);
  EXPECT_EQ(count("marvisto_customer", "customer_name IN ('First Co', 'Second Co')"), 2);
  EXPECT_EQ(count("marvisto_customer_attribute",
                  "customer_id = (SELECT customer_id FROM marvisto_customer WHERE customer_name = 'First Co')"),
            7);
}

}  // namespace
}  // namespace mv::test
