// The customer form's groups and the rows the tab stores from them: pure
// decisions, tested as tables.
#include <gtest/gtest.h>

#include "EntityBuilders.hpp"
#include "customer/CustomerFormRecords.hpp"
#include "customer/CustomerInfoGroupData.hpp"
#include "platform/ui/TextRange.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {
namespace {

using Data = CustomerInfoGroupData;
using Kind = Data::SectionKind;

customer_attribute_cell_Entity field(int id, const std::string& name, std::optional<std::string> value = {}) {
  customer_attribute_cell_Entity f;
  f.field_id = id;
  f.fieldName = name;
  f.attributeValue = std::move(value);
  return f;
}

// The store's fields in store order: "Active" first, a company field named
// like the form's own name row, the four address fields.
const Data::Fields kFields = {field(1, "Active"), field(6, "Phone"),   field(7, "Name"),    field(2, "Address"),
                              field(3, "City"),   field(4, "State/Province/Region"), field(5, "Zip Code")};
const Data::Fields kAddressFields = {field(2, "Address"), field(3, "City"), field(4, "State/Province/Region"),
                                     field(5, "Zip Code")};

marvisto_customer_address_Entity address(int id, const std::string& street, bool isDefault) {
  auto a = makeAddress(id, -4, street, isDefault);
  a.customerCity = "City" + std::to_string(-id);
  return a;
}

marvisto_customer_contact_entity contact(int id, const std::string& first, const std::string& last, bool isDefault) {
  auto c = makeContact(id, -4, first, last);
  c.email = first + "@x.test";
  c.isDeful = isDefault;
  return c;
}

PersonInfo person() {
  PersonInfo p;
  p.pid = -4;
  p.name = "Harbour Lights";
  p.attribute = {field(6, "Phone", "555"), field(1, "Active", "1"), field(7, "Name", "Company own"),
                 field(3, "City", "Old"), field(3, "City", "Oslo")};
  p.address = {address(-1, "1 Pier", false), address(-2, "2 Quay", false)};
  p.contact = {contact(-5, "Ann", "Lee", false), contact(-6, "Bo", "Ng", true)};
  return p;
}

std::vector<std::string> labels(const Data::Group& g) {
  std::vector<std::string> out;
  for (const auto& c : g.customerAttributes) out.push_back(c.fieldName);
  return out;
}

std::vector<std::string> values(const Data::Group& g) {
  std::vector<std::string> out;
  for (const auto& c : g.customerAttributes) out.push_back(c.attributeValue.value_or("<none>"));
  return out;
}

class FormDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setTextLookup([](const std::string& key) -> std::optional<std::string> { return "t:" + key; });
  }
  void TearDown() override { setTextLookup(nullptr); }

  Data built(const PersonInfo& p = person()) {
    Data d;
    d.updateCustomerInfoData(p, kFields, kAddressFields);
    return d;
  }
};

TEST_F(FormDataTest, GroupsAreBuiltFromTheFieldsAndTheCustomer) {
  Data d = built();
  ASSERT_EQ(d.companyCount(), 4);
  ASSERT_EQ(d.contactCount(), 2);
  const auto& base = d.customerCompanyData()[0];
  EXPECT_EQ(base.groupName, "t:BASEINFO");
  EXPECT_EQ(labels(base), (std::vector<std::string>{"t:NAME", "t:ACTIVE", "t:PHONE", "Name"}));
  EXPECT_EQ(values(base), (std::vector<std::string>{"Harbour Lights", "1", "555", "Company own"}));
  const auto& primary = d.customerCompanyData()[1];
  EXPECT_EQ(primary.groupName, "t:PRIMARYADDRESS");
  EXPECT_EQ(primary.indexId, Data::kPrimaryAddressId);
  EXPECT_EQ(labels(primary), (std::vector<std::string>{"t:STREETADDRESS", "t:CITY", "t:STATE", "t:ZIPCODE"}));
  // The last of several values of one field; "" when the customer has none.
  EXPECT_EQ(values(primary), (std::vector<std::string>{"", "Oslo", "", ""}));
  // No further address is the default: the primary one is.
  EXPECT_TRUE(primary.isDefault);
  EXPECT_EQ(d.customerCompanyData()[2].groupName, "t:ALTERNATEADDRESS");
  EXPECT_EQ(d.customerCompanyData()[2].indexId, -1);
  EXPECT_EQ(values(d.customerCompanyData()[3]), (std::vector<std::string>{"2 Quay", "City2", "", ""}));
  // Contacts: the first is titled primary, the stored default stays the default.
  const auto& first = d.customerContactData()[0];
  EXPECT_EQ(first.groupName, "t:PRIMARYCONTACT");
  EXPECT_FALSE(first.isDefault);
  EXPECT_EQ(d.customerContactData()[1].groupName, "t:ALTERNATECONTACT");
  EXPECT_TRUE(d.customerContactData()[1].isDefault);
  EXPECT_EQ(labels(first), (std::vector<std::string>{"t:FIRSTNAME", "t:LASTNAME", "t:JOBTITLE", "t:WORKPHONE",
                                                     "t:MOBILEPHONE", "t:EMAILCONTACT", "t:IM", "t:NOTE"}));
  EXPECT_EQ(values(first), (std::vector<std::string>{"Ann", "Lee", "", "", "", "Ann@x.test", "", ""}));

  // A new customer starts active, with the first contact the default.
  PersonInfo blank;
  blank.contact = {contact(-1, "", "", false)};
  Data fresh = built(blank);
  EXPECT_EQ(values(fresh.customerCompanyData()[0])[1], "YES");
  EXPECT_TRUE(fresh.customerContactData()[0].isDefault);
  EXPECT_EQ(fresh.name(), "");
}

TEST_F(FormDataTest, RowsAreFoundByPlaceNeverByTheirTexts) {
  // Every key shows the same text: labels say nothing about a row.
  setTextLookup([](const std::string&) -> std::optional<std::string> { return "same"; });
  Data d = built();
  ASSERT_TRUE(d.setValue(0, 3, "typed into the company's Name field"));
  EXPECT_EQ(d.name(), "Harbour Lights");
  ASSERT_TRUE(d.setValue(0, 0, "New name"));
  EXPECT_EQ(d.name(), "New name");
  // Form section C + 1 is the first contact (the add-address section sits between).
  ASSERT_TRUE(d.setValue(d.companyCount() + 1, 1, "Li"));
  EXPECT_EQ(d.customerContactData()[0].customerAttributes[1].attributeValue, "Li");
  EXPECT_FALSE(d.setValue(d.companyCount(), 0, "nowhere"));  // the add-address section has no rows
  EXPECT_FALSE(d.setValue(0, 9, "nowhere"));
  EXPECT_FALSE(d.setValue(d.companyCount() + 3, 0, "nowhere"));
  // The records tell the name from the company field all the same.
  auto records = CustomerFormRecords::fromGroups(d, {});
  EXPECT_EQ(records.customer.customer_name, "New name");
  auto named = std::find_if(records.attributes.begin(), records.attributes.end(),
                            [](const auto& a) { return a.attribute_fields_id == 7; });
  ASSERT_NE(named, records.attributes.end());
  EXPECT_EQ(named->attribute_value, "typed into the company's Name field");
}

TEST_F(FormDataTest, ActiveIsShownAsYesOrNo) {
  struct Case {
    std::string stored, shown;
  } cases[] = {{"YES", "YES"}, {"1", "YES"}, {"1.0", "YES"}, {" 1", "YES"}, {"0", "NO"}, {"NO", "NO"},
               {"", "NO"},     {"yes", "NO"}, {"2", "NO"},   {"1x", "NO"}};
  for (const auto& c : cases) EXPECT_EQ(Data::normalizedActive(c.stored), c.shown) << c.stored;
  Data d = built();
  d.normalizeActive();
  EXPECT_EQ(d.customerCompanyData()[0].customerAttributes[1].attributeValue, "YES");
  d.switchActivi(false);
  EXPECT_EQ(d.customerCompanyData()[0].customerAttributes[1].attributeValue, "NO");
  EXPECT_TRUE(d.isActiveRow(d.customerCompanyData()[0].customerAttributes[1]));
  EXPECT_FALSE(d.isActiveRow(d.customerCompanyData()[0].customerAttributes[0]));
}

TEST_F(FormDataTest, SectionsRowsAndHeaderHeightsFollowTheMode) {
  Data d = built();  // C = 4, K = 2
  struct Case {
    bool edit;
    long section;
    Kind kind;
    long group;
    long rows;
  } cases[] = {
      {false, 0, Kind::Switches, -1, 0}, {false, 1, Kind::Company, 0, 4}, {false, 4, Kind::Company, 3, 4},
      {false, 5, Kind::Contact, 0, 8},   {false, 6, Kind::Contact, 1, 8}, {false, 7, Kind::None, -1, 0},
      {true, 0, Kind::Switches, -1, 0},  {true, 2, Kind::Company, 1, 4},  {true, 5, Kind::AddAddress, -1, 0},
      {true, 6, Kind::Contact, 0, 8},    {true, 7, Kind::Contact, 1, 8},  {true, 8, Kind::AddContact, -1, 0},
      {true, 9, Kind::None, -1, 0},
  };
  EXPECT_EQ(d.numberOfSections(false), 7);
  EXPECT_EQ(d.numberOfSections(true), 9);
  for (const auto& c : cases) {
    const auto s = d.sectionAt(c.section, c.edit);
    EXPECT_EQ(s.kind, c.kind) << c.edit << " " << c.section;
    EXPECT_EQ(s.group, c.group) << c.edit << " " << c.section;
    EXPECT_EQ(d.numberOfRowsInSection(c.section, c.edit), c.rows) << c.edit << " " << c.section;
  }
  EXPECT_EQ(Data().numberOfSections(true), 0);

  struct Height {
    long section;
    bool edit, addressFields;
    double height;
  } heights[] = {
      {0, false, false, 90}, {1, false, false, 50}, {2, false, false, 0}, {4, false, false, 0},
      {5, false, false, 50}, {5, true, false, 0},   {6, true, false, 50}, {2, true, true, 50},
      {5, true, true, 50},   {0, true, true, 90},
  };
  for (const auto& h : heights)
    EXPECT_EQ(Data::headerHeight(h.section, h.edit, h.addressFields, 4), h.height) << h.section << " " << h.edit;
}

TEST_F(FormDataTest, TheReturnKeyMovesOnSkippingActiveAndTheAddressButton) {
  Data d = built();  // base: name, active, phone, Name; table sections in edit mode as above
  struct Case {
    long formSection, row;
    long section, targetRow;
    bool done;
  } cases[] = {
      {0, 0, 1, 2, false},  // the row after the name is "Active": skipped
      {0, 2, 1, 3, false},
      {0, 3, 2, 0, false},  // the base group's end: on to the primary address
      {1, 3, 3, 0, false},
      {3, 3, 6, 0, false},  // the last address: past the add-address section to the first contact
      {5, 2, 6, 3, false},
      {5, 7, 7, 0, false},
      {6, 7, -1, -1, true},  // the last contact's last row: DONE
  };
  for (const auto& c : cases) {
    const auto t = d.returnTarget(c.formSection, c.row);
    EXPECT_EQ(t.runsDone, c.done) << c.formSection << "," << c.row;
    EXPECT_EQ(t.section, c.section) << c.formSection << "," << c.row;
    EXPECT_EQ(t.row, c.targetRow) << c.formSection << "," << c.row;
  }

  // "Active" last in its group: on as from the group's end.
  Data activeLast;
  activeLast.updateCustomerInfoData({}, {field(6, "Phone"), field(1, "Active")}, {});
  const auto t = activeLast.returnTarget(0, 1);  // Phone, before Active
  EXPECT_TRUE(t.runsDone);  // no address fields: the primary address has no rows
  // No address fields and no contacts: the last base field finishes the form.
  Data noAddress;
  noAddress.updateCustomerInfoData({}, {field(6, "Phone")}, {});
  EXPECT_TRUE(noAddress.returnTarget(0, 1).runsDone);
  EXPECT_FALSE(noAddress.returnTarget(0, 0).runsDone);
}

TEST_F(FormDataTest, AddingRemovingAndChoosingGroups) {
  Data d = built();
  d.addAddress(kAddressFields);
  d.addAddress(kAddressFields);
  ASSERT_EQ(d.companyCount(), 6);
  const int a = d.customerCompanyData()[4].indexId;
  const int b = d.customerCompanyData()[5].indexId;
  EXPECT_NE(a, b);
  EXPECT_GT(a, 0);  // never a stored address's id
  // Removing one and adding again never repeats an id in use.
  d.deleteGroup(a, Data::kTypeAddress);
  d.addAddress(kAddressFields);
  EXPECT_NE(d.customerCompanyData()[5].indexId, b);

  // Choosing and deleting the default further address gives it back to the primary one.
  ASSERT_TRUE(d.chooseDefault(-2, Data::kTypeAddress));
  EXPECT_EQ(d.defaultIndexId(Data::kTypeAddress), -2);
  EXPECT_FALSE(d.customerCompanyData()[1].isDefault);
  EXPECT_FALSE(d.chooseDefault(12345, Data::kTypeAddress));
  EXPECT_EQ(d.defaultIndexId(Data::kTypeAddress), -2);
  d.deleteGroup(-2, Data::kTypeAddress);
  EXPECT_EQ(d.defaultIndexId(Data::kTypeAddress), Data::kPrimaryAddressId);
  // The base and primary groups are never removed.
  d.deleteGroup(Data::kPrimaryAddressId, Data::kTypeAddress);
  EXPECT_EQ(d.customerCompanyData()[1].groupName, "t:PRIMARYADDRESS");

  // Deleting the first contact: the next is the primary contact (default stays with -6).
  d.deleteGroup(-5, Data::kTypeContact);
  ASSERT_EQ(d.contactCount(), 1);
  EXPECT_EQ(d.customerContactData()[0].groupName, "t:PRIMARYCONTACT");
  EXPECT_TRUE(d.customerContactData()[0].isDefault);
  d.addContact();
  EXPECT_EQ(d.customerContactData()[1].groupName, "t:ALTERNATECONTACT");
  EXPECT_FALSE(d.customerContactData()[1].isDefault);
  // Deleting the default contact: the first remaining one becomes it.
  d.deleteGroup(-6, Data::kTypeContact);
  ASSERT_EQ(d.contactCount(), 1);
  EXPECT_EQ(d.customerContactData()[0].groupName, "t:PRIMARYCONTACT");
  EXPECT_TRUE(d.customerContactData()[0].isDefault);
}

TEST_F(FormDataTest, DoneRefusesABlankNameFirstThenAContactWithoutNames) {
  struct Case {
    std::string name, first, last;
    bool withContact;
    Data::Check check;
  } cases[] = {
      {"Acme", "", "", false, Data::Check::Ok},
      {"Acme", "Ann", "Lee", true, Data::Check::Ok},
      {"Acme", "Ann", " ", true, Data::Check::NeedContactName},
      {"Acme", "\u3000", "Lee", true, Data::Check::NeedContactName},
      {" \u00a0", "Ann", "Lee", true, Data::Check::NeedName},
      {"", "Ann", "", true, Data::Check::NeedName},
  };
  for (const auto& c : cases) {
    PersonInfo p;
    p.name = c.name;
    if (c.withContact) p.contact = {contact(-1, c.first, c.last, true)};
    EXPECT_EQ(built(p).validate(), c.check) << "'" << c.name << "' '" << c.first << "' '" << c.last << "'";
  }
}

TEST_F(FormDataTest, TheFirstCustomerTakesMinusOneEverywhereAndEveryRowUsesAnId) {
  PersonInfo p;
  p.name = "Acme";
  p.contact = {contact(0, "Ann", "Lee", true)};
  Data d = built(p);
  d.addAddress(kAddressFields);  // left empty: not stored, but it takes an id
  d.addAddress(kAddressFields);
  ASSERT_TRUE(d.setValue(3, 1, "Bergen"));
  d.chooseDefault(d.customerCompanyData()[3].indexId, Data::kTypeAddress);

  auto r = CustomerFormRecords::fromGroups(d, {});
  EXPECT_EQ(r.customer.customer_id, -1);
  EXPECT_EQ(r.customer.customer_name, "Acme");
  EXPECT_EQ(r.customer.customer_publish, 1);
  EXPECT_EQ(r.customer.customer_info_id, "");
  ASSERT_EQ(r.addresses.size(), 1u);
  EXPECT_EQ(r.addresses[0].indexId, -2);
  EXPECT_EQ(r.addresses[0].customerCity, "Bergen");
  EXPECT_TRUE(r.addresses[0].isDefault);
  // The name takes attribute id -1 and makes no row.
  ASSERT_EQ(r.attributes.size(), 7u);
  EXPECT_EQ(r.attributes.front().attribute_id, -2);
  EXPECT_EQ(r.attributes.front().attribute_fields_id, 1);
  EXPECT_EQ(r.attributes.front().attribute_value, "YES");
  EXPECT_EQ(r.attributes.back().attribute_id, -8);
  for (const auto& a : r.attributes) EXPECT_EQ(a.customer_id, -1);
  ASSERT_EQ(r.contacts.size(), 1u);
  EXPECT_EQ(r.contacts[0].contactID, -1);
  EXPECT_EQ(r.contacts[0].first_name, "Ann");
  EXPECT_EQ(r.contacts[0].email, "Ann@x.test");
  EXPECT_TRUE(r.contacts[0].isDeful);

  // Below the lowest ids in use; an edit keeps its customer id and what the service set.
  auto next = CustomerFormRecords::fromGroups(d, {-3, -4, -20, -2});
  EXPECT_EQ(next.customer.customer_id, -4);
  EXPECT_EQ(next.addresses[0].indexId, -6);
  EXPECT_EQ(next.attributes.front().attribute_id, -22);
  EXPECT_EQ(next.contacts[0].contactID, -3);
  auto edit = CustomerFormRecords::fromGroups(d, {-3, -4, -20, -2}, CustomerFormRecords::Existing{-2, 7, 0.25f});
  EXPECT_EQ(edit.customer.customer_id, -2);
  EXPECT_EQ(edit.customer.customer_ordering, 7);
  EXPECT_FLOAT_EQ(edit.customer.discount, 0.25f);
  for (const auto& a : edit.attributes) EXPECT_EQ(a.customer_id, -2);
  EXPECT_EQ(edit.contacts[0].customerID, -2);
}

TEST(TextAfterReplacing, KeepsWholeCharacters) {
  struct Case {
    std::string text;
    ui::TextRange range;
    std::string replacement, after;
  } cases[] = {
      {"abc", {3, 0}, "d", "abcd"},
      {"abc", {2, 1}, "", "ab"},
      {"a", {0, 1}, "", ""},                                     // the last character deleted: empty
      {"北京", {3, 3}, "", "北"},                                // a CJK character is three bytes
      {"ok😀", {2, 4}, "", "ok"},                                // an emoji is four
      {"ok😀", {3, 1}, "", "ok😀"},                              // a range inside a character takes nothing of it
      {"abc", {10, 5}, "!", "abc!"},                             // past the end: at the end
      {"北京", {1, 0}, "x", "x北京"},                            // inside a character: before it
  };
  for (const auto& c : cases)
    EXPECT_EQ(ui::textAfterReplacing(c.text, c.range, c.replacement), c.after) << c.text << " " << c.range;
}

}  // namespace
}  // namespace mv::test
