#include "StoreTestSupport.hpp"

namespace mv::test {
namespace {

marvisto_customer_Entity customer(int id, std::optional<std::string> name, int publish = 1, int ordering = 0) {
  auto c = makeCustomer(id, std::move(name));
  c.customer_info_id = "INFO" + std::to_string(id);
  c.customer_publish = publish;
  c.customer_ordering = ordering;
  c.discount = 0.25f;
  return c;
}

class CustomerStoreTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    std::vector<marvisto_fields_customer_attribute_Entity> fields(4);
    fields[0] = {3, "Phone", "", "text", "", 1, 1};
    fields[1] = {1, "City", "", "text", "", 0, 1};
    fields[2] = {2, "Secret", "", "text", "", 1, 0};
    fields[3] = {4, "Address", "", "text", "", 1, 1};
    ASSERT_TRUE(dam().saveToDatabaseFieldsCustomerAttribute(fields));
    ASSERT_TRUE(dam().saveToDatabaseCustomer(
        {customer(20, "Zeta", 1, 1), customer(10, std::nullopt, 1, 1), customer(30, "Off", 0), customer(40, "Hidden")}));
    ASSERT_TRUE(dam().updateCustomerTableHiddenWithCustomerId(40, 1));
    ASSERT_TRUE(dam().saveToDatabaseCustomerAttribute(
        {makeCustomerAttribute(1, 20, 4, "Main St"), makeCustomerAttribute(2, 20, 3, "555"),
         makeCustomerAttribute(3, 20, 2, "x"), makeCustomerAttribute(4, 20, 1, "y")}));
  }
};

TEST_F(CustomerStoreTest, SyncSaveKeepsWhatTheUserSetOnTheDevice) {
  ASSERT_TRUE(dam().updateCustomerTableImportantWithCustomerId(20, 1));
  const std::string note = "Call after 5 o'clock; he said \"never\" -- ok";
  ASSERT_TRUE(dam().updateCustomerTableNoteWithCustomerId(20, note));
  ASSERT_TRUE(dam().updateCustomerTableHasNoteWithCustomerId(40, 1));
  ASSERT_TRUE(dam().updateCustomerTableNoteWithCustomerId(40, "kept"));

  // The service sends both customers again, renamed.
  auto z = customer(20, "Zeta Ltd", 1, 5);
  auto h = customer(40, "Hidden Inc");
  ASSERT_TRUE(dam().saveToDatabaseCustomer({z, h}));
  auto all = dam().getAllCustomers(true);
  EXPECT_EQ(all[20].customer_name, "Zeta Ltd");
  EXPECT_EQ(all[20].customer_ordering, 5);
  EXPECT_EQ(all[20].important, 1);
  EXPECT_EQ(all[20].note, note);
  EXPECT_EQ(all[20].has_note, 0);  // storing a note leaves the flag alone
  EXPECT_TRUE(all[40].hidden);
  EXPECT_EQ(all[40].has_note, 1);
  EXPECT_EQ(all[40].note, "kept");
  // ... and drops the attribute rows, which the next save brings again.
  EXPECT_TRUE(dam().getCustomerAttributes(20).empty());

  ASSERT_TRUE(dam().updateCustomerTableHasNoteWithCustomerId(20, 0));
  EXPECT_EQ(dam().getAllCustomers(false)[20].note, "");
  EXPECT_EQ(count("marvisto_customer", "customer_id = 20 AND note IS NULL"), 1);
}

TEST_F(CustomerStoreTest, DirectoryEntriesHiddenAndLocalRows) {
  auto shown = dam().getAllCustomers(false);
  EXPECT_EQ(shown.size(), 2u);  // unpublished and hidden left out
  EXPECT_EQ(shown.count(40), 0u);
  EXPECT_EQ(dam().getAllCustomers(true).size(), 3u);

  auto& zeta = shown[20];
  EXPECT_EQ(zeta.customer_info_id, "INFO20");
  EXPECT_FLOAT_EQ(zeta.discount, 0.25f);
  // Published and displayed fields only, by field id.
  ASSERT_EQ(zeta.attribute.size(), 2u);
  EXPECT_EQ(zeta.attribute[0].fieldName, "Phone");
  EXPECT_EQ(zeta.attribute[0].attributeValue, "555");
  EXPECT_EQ(zeta.attribute[1].fieldName, "Address");
  // NULL name reads "", and a customer without values has one empty cell.
  EXPECT_EQ(shown[10].customer_name, "");
  ASSERT_EQ(shown[10].attribute.size(), 1u);
  EXPECT_EQ(shown[10].attribute[0].fieldName, "");
  EXPECT_EQ(shown[10].attribute[0].attributeValue, "");

  // A local customer lists addresses and contacts by id descending: in the
  // order they were made (-1 before -2).
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-1, "Local")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress(
      {makeAddress(-1, -1, "first"), makeAddress(-2, -1, "second"), makeAddress(5, 20, "b"), makeAddress(3, 20, "a")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerContact(
      {makeContact(-1, -1, "Ann"), makeContact(-2, -1, "Bob"), makeContact(9, 20, "Zed"), makeContact(7, 20, "Amy")}));
  auto again = dam().getAllCustomers(false);
  ASSERT_EQ(again[-1].address.size(), 2u);
  EXPECT_EQ(again[-1].address[0].customerAddress, "first");
  EXPECT_EQ(again[-1].contact[0].first_name, "Ann");
  EXPECT_EQ(again[20].address[0].indexId, 3);
  EXPECT_EQ(again[20].contact[0].contactID, 7);
  EXPECT_TRUE(again[10].address.empty());

  ASSERT_TRUE(dam().updateAddressToDefault(20, 5));
  ASSERT_TRUE(dam().updateContactToDefault(20, 9));
  again = dam().getAllCustomers(false);
  EXPECT_FALSE(again[20].address[0].isDefault);
  EXPECT_TRUE(again[20].address[1].isDefault);
  EXPECT_TRUE(again[20].contact[1].isDeful);
  ASSERT_TRUE(dam().updateAddressToDefault(20, 999));
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = 20 AND isDefault = 1"), 0);
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = -1 AND isDefault = 0"), 2);

  auto fields = dam().getAllAttributes();
  ASSERT_EQ(fields.size(), 3u);  // published, in store order
  EXPECT_EQ(fields[0].fieldName, "City");
  EXPECT_EQ(fields[0].field_id, 1);
  auto addressFields = dam().getAllAddressAttributes();
  ASSERT_EQ(addressFields.size(), 2u);
  EXPECT_EQ(addressFields[1].fieldName, "Address");

  EXPECT_EQ(dam().getCustomerByCustomerName("Zeta")->customer_id, 20);
  EXPECT_FALSE(dam().getCustomerByCustomerName("zeta"));
  EXPECT_FALSE(dam().getCustomerByCustomerName("Off"));

  ASSERT_TRUE(dam().deleteCustomerTableWithID(-1));
  EXPECT_EQ(count("marvisto_customer_address", "customer_id = -1"), 0);
  EXPECT_EQ(count("marvisto_customer_contact", "customer_id = -1"), 0);
  EXPECT_TRUE(dam().deleteCustomerTableWithID(12345));
}

// Read one customer at a time, the book is what the whole read gives: the
// same customers in id order, each with the same rows, past rows of
// customers the book does not show (hidden, unpublished, or gone).
TEST_F(CustomerStoreTest, CustomersReadOneAtATimeAreTheWholeRead) {
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-2, "Local Two"), customer(-1, "Local"), customer(5, "Five")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAttribute(
      {makeCustomerAttribute(-1, -1, 3, "L1"), makeCustomerAttribute(-2, -1, 4, "L2"),
       makeCustomerAttribute(9, 40, 3, "hidden's"), makeCustomerAttribute(10, 30, 3, "unpublished's"),
       makeCustomerAttribute(11, 7, 3, "nobody's")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress({makeAddress(-1, -1, "first"), makeAddress(-2, -1, "second"),
                                                   makeAddress(5, 20, "b"), makeAddress(3, 20, "a"),
                                                   makeAddress(6, 40, "h"), makeAddress(8, 7, "n")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerContact({makeContact(-1, -2, "Ann"), makeContact(-2, -2, "Bob"),
                                                   makeContact(9, 20, "Zed"), makeContact(7, 20, "Amy"),
                                                   makeContact(4, 30, "Off"), makeContact(3, 5, "Fay")}));
  // Field by field, as the screens and the upload read an entry.
  auto text = [](int id, const CustomerInfoEntry& e) {
    std::string out = std::to_string(id) + ":" + e.customer_info_id + "/" + e.customer_name + "/" +
                      std::to_string(e.customer_ordering) + "/" + std::to_string(e.hidden) + "/" +
                      std::to_string(e.discount) + "|";
    for (const auto& a : e.attribute) out += a.fieldName + "=" + a.attributeValue.value_or("-") + ",";
    out += "|";
    for (const auto& a : e.address) out += std::to_string(a.indexId) + a.customerAddress + ",";
    out += "|";
    for (const auto& c : e.contact) out += std::to_string(c.contactID) + c.first_name + ",";
    return out;
  };
  for (bool showHidden : {false, true}) {
    SCOPED_TRACE(showHidden);
    auto whole = dam().readAllCustomers(showHidden);
    ASSERT_TRUE(whole);
    std::vector<std::string> expected;
    for (const auto& [id, entry] : *whole) expected.push_back(text(id, entry));
    std::vector<std::string> each;
    ASSERT_TRUE(dam().readEachCustomer(showHidden, [&](int id, CustomerInfoEntry&& entry) {
      each.push_back(text(id, entry));
      return true;
    }));
    EXPECT_EQ(each, expected);
    EXPECT_EQ(each.size(), showHidden ? 6u : 5u);
  }
  // Told to stop, the read ends there and answers that it read.
  std::vector<int> ids;
  EXPECT_TRUE(dam().readEachCustomer(true, [&](int id, CustomerInfoEntry&&) {
    ids.push_back(id);
    return ids.size() < 2;
  }));
  EXPECT_EQ(ids, (std::vector<int>{-2, -1}));
}

TEST_F(CustomerStoreTest, LocalIdsNeverReuseAnIdInUse) {
  EXPECT_EQ(dam().getLastLocalCustomerId(), 0);
  EXPECT_EQ(dam().getLastLocalCustomerAttributesId(), 0);
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-1, "A"), customer(-3, "B")}));
  EXPECT_EQ(dam().getLastLocalCustomerId() - 1, -4);
  std::vector<marvisto_customer_attribute_Entity> attrs;
  for (int i = 1; i <= 20; ++i) attrs.push_back(makeCustomerAttribute(-i, -3, 3, ""));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAttribute(attrs));
  int last = dam().getLastLocalCustomerAttributesId();
  EXPECT_EQ(last - 1, -21);
  EXPECT_EQ(last - 7, -27);
  // An unpublished local customer still holds its id.
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-9, "Draft", 0)}));
  EXPECT_EQ(dam().getLastLocalCustomerId(), -9);

  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress({makeAddress(-4, -1, "x"), makeAddress(8, 20, "y")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerContact({makeContact(-2, -1, "x")}));
  EXPECT_EQ(dam().getLastLocalCustomerAddressId(), -4);
  EXPECT_EQ(dam().getLastLocalCustomerContactsId(), -2);
}

// The service maps a device's local ids to its own rows, so an id an upload
// renumbered or a deletion removed must never come back for a new row.
TEST_F(CustomerStoreTest, LocalIdsAreNeverGivenOutAgain) {
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-1, "Uploaded"), customer(-2, "Deleted")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress({makeAddress(-1, -1, "x"), makeAddress(-2, -2, "y")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAttribute(
      {makeCustomerAttribute(-1, -1, 3, ""), makeCustomerAttribute(-2, -2, 3, "")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerContact({makeContact(-1, -1, "x"), makeContact(-2, -2, "y")}));

  ASSERT_TRUE(dam().deleteCustomerTableWithID(-2));
  marvisto_customer_Entity uploaded = customer(900, "Uploaded");
  uploaded.pid = -1;
  ASSERT_TRUE(dam().updateCustomerTable({uploaded}));
  marvisto_customer_address_Entity a = makeAddress(800, 900, "x");
  a.pID = -1;
  ASSERT_TRUE(dam().updateCustomerAddressTable({a}));
  marvisto_customer_attribute_Entity at = makeCustomerAttribute(700, 900, 3, "");
  at.pID = -1;
  ASSERT_TRUE(dam().updateCustomerAttributeTable({at}));
  marvisto_customer_contact_entity c = makeContact(600, 900, "x");
  c.pID = -1;
  ASSERT_TRUE(dam().updateContactIdAfterUpload({c}));
  ASSERT_EQ(count("marvisto_customer", "customer_id < 0"), 0);
  ASSERT_EQ(count("marvisto_customer_attribute", "attribute_id < 0"), 0);

  EXPECT_EQ(dam().getLastLocalCustomerId(), -2);
  EXPECT_EQ(dam().getLastLocalCustomerAddressId(), -2);
  EXPECT_EQ(dam().getLastLocalCustomerAttributesId(), -2);
  EXPECT_EQ(dam().getLastLocalCustomerContactsId(), -2);
  // Rows in use below the note still count.
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-7, "Restored")}));
  EXPECT_EQ(dam().getLastLocalCustomerId(), -7);
  ASSERT_TRUE(dam().deleteCustomerTableWithID(-7));
  EXPECT_EQ(dam().getLastLocalCustomerId(), -7);
  // Ids from the service never move the note.
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(5, "Synced")}));
  EXPECT_EQ(dam().getLastLocalCustomerId(), -7);
}

// The upload's ids move the local rows; a row already stored under one (a
// customer the sync brought, maybe of the same name) is never deleted for
// them: the whole rewrite fails and leaves every row as it was.
TEST_F(CustomerStoreTest, UploadRewritesLocalIdsAndNeverDeletesARowHoldingOne) {
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(-1, "Local one"), customer(-2, "Local two")}));
  ASSERT_TRUE(dam().updateCustomerTableImportantWithCustomerId(-1, 1));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress({makeAddress(-1, -1, "street")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAttribute({makeCustomerAttribute(-1, -1, 3, "555")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerContact({makeContact(-1, -1, "Ann")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomer({customer(500, "Local one")}));
  ASSERT_TRUE(dam().saveToDatabaseCustomerAddress({makeAddress(700, 500, "held street")}));

  marvisto_customer_Entity one = customer(500, "x"), two = customer(501, "y");
  one.pid = -1;
  two.pid = -2;
  EXPECT_FALSE(dam().updateCustomerTable({two, one}));
  auto all = dam().getAllCustomers(true);
  EXPECT_EQ(all.count(-1), 1u);
  EXPECT_EQ(all.count(-2), 1u);
  EXPECT_EQ(all.count(501), 0u);
  ASSERT_EQ(all[500].address.size(), 1u);
  EXPECT_EQ(all[500].address[0].customerAddress, "held street");
  EXPECT_EQ(all[500].important, 0);

  one.customer_id = 502;
  ASSERT_TRUE(dam().updateCustomerTable({one, two}));
  auto a = makeAddress(900, 502, "");
  a.pID = -1;
  ASSERT_TRUE(dam().updateCustomerAddressTable({a}));
  auto at = makeCustomerAttribute(901, 502, 0, "");
  at.pID = -1;
  ASSERT_TRUE(dam().updateCustomerAttributeTable({at}));
  auto c = makeContact(902, 502, "");
  c.pID = -1;
  ASSERT_TRUE(dam().updateContactIdAfterUpload({c}));

  all = dam().getAllCustomers(true);
  EXPECT_EQ(all.count(-1), 0u);
  EXPECT_EQ(all[502].customer_name, "Local one");
  EXPECT_EQ(all[502].important, 1);
  EXPECT_EQ(all[501].customer_name, "Local two");
  ASSERT_EQ(all[502].address.size(), 1u);
  EXPECT_EQ(all[502].address[0].indexId, 900);
  EXPECT_EQ(all[502].address[0].customerAddress, "street");
  EXPECT_EQ(dam().getCustomerAttributes(502)[0].attribute_id, 901);
  EXPECT_EQ(dam().getCustomerAttributes(502)[0].attribute_value, "555");
  EXPECT_EQ(all[502].contact[0].contactID, 902);
  EXPECT_EQ(all[502].contact[0].first_name, "Ann");
  EXPECT_EQ(all[500].customer_name, "Local one");
  EXPECT_EQ(all[500].address.size(), 1u);
  EXPECT_EQ(count("marvisto_customer"), 7);  // four the fixture stored, and these three
}

}  // namespace
}  // namespace mv::test
