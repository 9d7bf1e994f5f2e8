#include <algorithm>

#include "CustomerTestSupport.hpp"
#include "sync/SyncCustomerModel.hpp"

namespace mv::test {
namespace {

// A search's results; a search that waited for the book is a failure.
template <typename Rows>
const Rows& found(const std::optional<Rows>& rows) {
  static const Rows none;
  EXPECT_TRUE(rows) << "searched before the book was read";
  return rows ? *rows : none;
}

std::vector<int> idsOf(const std::optional<PersonRecords>& persons) {
  std::vector<int> ids;
  for (const auto& p : found(persons)) ids.push_back(p->pid);
  std::sort(ids.begin(), ids.end());
  return ids;
}

std::vector<std::string> namesOf(const std::optional<std::vector<ContactMode>>& rows) {
  std::vector<std::string> names;
  for (const auto& r : found(rows)) names.push_back(r.fristName + "/" + r.lastName + "@" + std::to_string(r.personInfo->pid));
  std::sort(names.begin(), names.end());
  return names;
}

class DirectoryTest : public CustomerTest {
 protected:
  void SetUp() override {
    CustomerTest::SetUp();
    seed({1, "Apple Trading", {{kPhone, "555-0100"}, {kState, "Texas"}},
          {address(11, 1, "1 Main St", "Springfield", "IL"), address(12, 1, "9 Side Rd", "Shelbyville", "IL")},
          {{21, "John", "Smith", "john@apple.test"}, {22, "Mary", "Jones", ""}}});
    seed({2, "北京贸易", {{kCity, "北京"}}, {}, {{23, "小明", "王", ""}}});
    seed({3, std::nullopt, {{kPhone, "100% sure_ok"}}, {}, {}});
    seed({4, "Hidden Goods", {}, {}, {{24, "Hal", "Hide", ""}}, true});
    seed({5, "O'Brien & Sons", {{kHiddenField, "secret value"}}, {}, {}});
  }
};

TEST_F(DirectoryTest, LoadsEntriesAndFindsCustomersByEveryField) {
  auto dir = directory();
  ASSERT_EQ(dir->customerInfoDic().size(), 5u);  // show-all is on when never set
  EXPECT_EQ(dir->customer(3)->name, "");
  EXPECT_EQ(dir->allAttributes().size(), 8u);
  for (const auto& p : dir->customerInfoDic()) EXPECT_FALSE(p->hasNote);

  EXPECT_EQ(idsOf(dir->customerSearch("apple")), (std::vector<int>{1}));        // name, any case
  EXPECT_EQ(idsOf(dir->customerSearch("SPRINGFIELD")), (std::vector<int>{1}));  // address city, once
  EXPECT_EQ(idsOf(dir->customerSearch("555-01")), (std::vector<int>{1}));       // attribute value
  EXPECT_EQ(idsOf(dir->customerSearch("JONES")), (std::vector<int>{1}));        // contact last name
  EXPECT_EQ(idsOf(dir->customerSearch("北京")), (std::vector<int>{2}));         // name and attribute, once
  EXPECT_EQ(idsOf(dir->customerSearch("王")), (std::vector<int>{2}));
  // Wildcards and quotes are plain characters of the text.
  EXPECT_EQ(idsOf(dir->customerSearch("0% s")), (std::vector<int>{3}));
  EXPECT_EQ(idsOf(dir->customerSearch("_")), (std::vector<int>{3}));
  EXPECT_TRUE(found(dir->customerSearch("%")).size() == 1u);
  EXPECT_EQ(idsOf(dir->customerSearch("o'brien")), (std::vector<int>{5}));
  // The text is trimmed of any white space; blank text finds nothing.
  EXPECT_EQ(idsOf(dir->customerSearch(" apple ")), (std::vector<int>{1}));
  EXPECT_EQ(idsOf(dir->customerSearch("北京\u3000")), (std::vector<int>{2}));  // as a Chinese input method types it
  EXPECT_TRUE(found(dir->customerSearch("   ")).empty());
  EXPECT_TRUE(found(dir->customerSearch("\u3000\u00A0")).empty());
  EXPECT_TRUE(found(dir->customerSearch("")).empty());
  // Values of fields that are not displayed are not in the directory.
  EXPECT_TRUE(found(dir->customerSearch("secret")).empty());
}

std::vector<int> idsInOrder(const std::optional<PersonRecords>& persons) {
  std::vector<int> ids;
  for (const auto& p : found(persons)) ids.push_back(p->pid);
  return ids;
}

// Results come by name, as the results list shows them; a field's text
// never runs on into the next field's or the next customer's.
TEST_F(DirectoryTest, SearchGivesCustomersByNameAndMatchesWithinOneField) {
  auto dir = directory();
  // "Apple Trading" (by its contact's address), "Hidden Goods", "O'Brien &
  // Sons", and the nameless one (by "100% sure_ok") last.
  EXPECT_EQ(idsInOrder(dir->customerSearch("o")), (std::vector<int>{1, 4, 5, 3}));
  // Upper-case keys before lower-case ones: "beijing" after "O'Brien".
  EXPECT_EQ(idsInOrder(dir->customersByName()), (std::vector<int>{1, 4, 5, 2, 3}));
  EXPECT_TRUE(found(dir->customerSearch("main stspringfield")).empty());  // one address field, then the next
  EXPECT_TRUE(found(dir->customerSearch("_okhidden")).empty());           // one customer, then the next
  EXPECT_TRUE(found(dir->customerSearch(std::string("apple") + '\0')).empty());
  // A customer stored later takes its place by name at the next load.
  seed({8, "Banana Road", {}, {}, {}});
  seed({9, "Avocado", {{kCity, "Oslo"}}, {}, {}});
  dir->reloadCustomerData();
  EXPECT_EQ(idsInOrder(dir->customerSearch("o")), (std::vector<int>{1, 9, 8, 4, 5, 3}));
  EXPECT_EQ(idsInOrder(dir->customerSearch("OSLO")), (std::vector<int>{9}));
}

// Stored and typed texts meet in one normal form, case-folded, whichever
// way either was composed.
TEST_F(DirectoryTest, SearchComparesNormalisedCaseFoldedText) {
  seed({6, "Cafe\u0301 Ro\u0308sti", {{kCity, "ZÜRICH"}}, {}, {{25, "E\u0301lodie", "Mu\u0308ller", ""}}});
  seed({7, "Crème Brûlée", {}, {}, {}});
  auto dir = directory();
  dir->reloadCustomerData();
  EXPECT_EQ(idsOf(dir->customerSearch("café rösti")), (std::vector<int>{6}));       // stored decomposed
  EXPECT_EQ(idsOf(dir->customerSearch("zürich")), (std::vector<int>{6}));
  EXPECT_EQ(idsOf(dir->customerSearch("cre\u0300me")), (std::vector<int>{7}));     // typed decomposed
  EXPECT_EQ(idsOf(dir->customerSearch("BRÛLÉE")), (std::vector<int>{7}));
  EXPECT_EQ(namesOf(dir->customerSearchByContact("Élodie\u3000Müller")),
            (std::vector<std::string>{"E\u0301lodie/Mu\u0308ller@6"}));
  EXPECT_EQ(namesOf(dir->customerSearchByContact("MÜLLERélodie")),
            (std::vector<std::string>{"E\u0301lodie/Mu\u0308ller@6"}));
}

TEST_F(DirectoryTest, ContactSearchYieldsOneRowPerMatchingContact) {
  auto dir = directory();
  // An address of the customer makes every one of its contacts match.
  EXPECT_EQ(namesOf(dir->customerSearchByContact("shelby")),
            (std::vector<std::string>{"John/Smith@1", "Mary/Jones@1"}));
  // Joined names, either way round, with the spaces of the text dropped.
  EXPECT_EQ(namesOf(dir->customerSearchByContact("johnsmith")), (std::vector<std::string>{"John/Smith@1"}));
  EXPECT_EQ(namesOf(dir->customerSearchByContact("Smith John")), (std::vector<std::string>{"John/Smith@1"}));
  EXPECT_EQ(namesOf(dir->customerSearchByContact("Smi")), (std::vector<std::string>{"John/Smith@1"}));
  EXPECT_EQ(namesOf(dir->customerSearchByContact("王小明")), (std::vector<std::string>{"小明/王@2"}));
  EXPECT_EQ(namesOf(dir->customerSearchByContact("apple.test")), (std::vector<std::string>{"John/Smith@1"}));
  // Customers without contacts are never results, whatever matches.
  EXPECT_TRUE(found(dir->customerSearchByContact("O'Brien")).empty());
  EXPECT_TRUE(found(dir->customerSearchByContact("100%")).empty());
  EXPECT_TRUE(found(dir->customerSearchByContact("  ")).empty());
}

TEST_F(DirectoryTest, HiddenCustomersFollowTheShowAllSwitchAndFlagsChangeEntriesOnly) {
  setShowAllCustomers(false);
  auto dir = directory();
  EXPECT_FALSE(dir->customer(4));
  EXPECT_TRUE(found(dir->customerSearch("Hidden")).empty());

  setShowAllCustomers(true);
  // The sync engine reloads through its interface, which is the directory.
  ASSERT_EQ(SyncCustomerModel::current(), dir);
  SyncCustomerModel::current()->reloadCustomerData();
  EXPECT_TRUE(dir->customer(4));
  auto visible = dir->getNoHiddenCustomerData(false);
  EXPECT_EQ(visible.size(), 4u);
  EXPECT_EQ(std::count_if(visible.begin(), visible.end(), [](const auto& p) { return p->pid == 4; }), 0);

  dir->updateCustomerInfoDicWithHidden(1, 1);
  dir->updateCustomerInfoDicWithImportant(2, 1);
  dir->updateCustomerInfoDicWithHidden(999, 1);  // unknown: nothing
  EXPECT_TRUE(dir->customer(1)->hidden);
  EXPECT_TRUE(dir->customer(2)->markAsImportant);
  EXPECT_EQ(dir->getNoHiddenCustomerData(false).size(), 3u);
  // The store never changed: read again, the flags are as stored.
  EXPECT_EQ(dir->getNoHiddenCustomerData(true).size(), 4u);

  // Every customer hidden with show-all off: an empty directory.
  sql("UPDATE marvisto_customer SET hidden = 1");
  setShowAllCustomers(false);
  EXPECT_TRUE(dir->getNoHiddenCustomerData(true).empty());
  scope->endServices();
  EXPECT_EQ(SyncCustomerModel::current(), nullptr);
}

TEST_F(DirectoryTest, DefaultAddressOutranksAddressAttributes) {
  seed({6, "Corner Shop",
        {{kAddress, "attr street"}, {kCity, "attr city"}, {kPhone, "111"}, {kActive, "NO"}, {kPhone, "222"},
         {kBank, "DE00"}},
        {address(61, 6, "default street", "Default City", "CA", true), address(62, 6, "other", "Other", "NV")},
        {}});
  seed({7, "No Default", {{kAddress, "attr street"}, {kZip, "90210"}}, {address(71, 7, "plain", "X", "Y")}, {}});
  auto dir = directory();

  auto six = dir->getDefaultAddressByCustomer(6);
  EXPECT_EQ(six["Address"], "default street");
  EXPECT_EQ(six["City"], "Default City");
  EXPECT_EQ(six["State/Province/Region"], "CA");
  EXPECT_EQ(six["Zip Code"], "Z61");
  EXPECT_EQ(six["Phone"], "222");  // the later cell wins
  EXPECT_EQ(six["Bank Account"], "DE00");
  EXPECT_EQ(six["Active"], "NO");

  auto seven = dir->getDefaultAddressByCustomer(7);
  EXPECT_EQ(seven["Address"], "attr street");
  EXPECT_EQ(seven["Zip Code"], "90210");
  EXPECT_EQ(seven.count("City"), 0u);

  EXPECT_TRUE(dir->getDefaultAddressByCustomer(12345).empty());
}

TEST_F(CustomerTest, SavedCustomerTakesTheNextLocalIdsAllOrNothing) {
  auto dir = directory();
  const int first = dir->saveCustomerWithName("Walk-in", "5 Elm", std::nullopt, "TX", std::nullopt);
  ASSERT_EQ(first, -1);
  std::vector<std::pair<int, std::string>> rows;
  auto st = db().prepare(
      "SELECT attribute_id, attribute_fields_id, attribute_value FROM marvisto_customer_attribute WHERE customer_id = -1 "
      "ORDER BY attribute_id DESC");
  while (st.step() == SQLiteStatement::Step::Row)
    rows.emplace_back(st.intAt(0), std::to_string(st.intAt(1)) + "=" + st.textAt(2));
  EXPECT_EQ(rows, (std::vector<std::pair<int, std::string>>{
                      {-1, "6="}, {-2, "10="}, {-3, "1=YES"}, {-4, "2=5 Elm"}, {-5, "3="}, {-6, "4=TX"}, {-7, "5="}}));
  // Reloaded: the new customer is in the directory with its address cells.
  ASSERT_TRUE(dir->customer(-1));
  EXPECT_EQ(dir->getDefaultAddressByCustomer(-1)["State/Province/Region"], "TX");

  // After customer -3 and attribute rows down to -20: -4 and -21..-27.
  seed({-3, "Earlier", {}, {}, {}});
  sql("INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, attribute_fields_id, attribute_value) "
      "VALUES (-20, -3, 1, '')");
  EXPECT_EQ(dir->saveCustomerWithName("Next", std::nullopt, std::nullopt, std::nullopt, std::nullopt), -4);
  EXPECT_EQ(count("marvisto_customer_attribute", "customer_id = -4 AND attribute_id BETWEEN -27 AND -21"), 7);

  // A failing attribute write leaves no customer behind and answers 0.
  sql("CREATE TRIGGER no_attributes BEFORE INSERT ON marvisto_customer_attribute BEGIN SELECT RAISE(ABORT, 'full'); "
      "END");
  EXPECT_EQ(dir->saveCustomerWithName("Orphan", "x", "y", "z", "w"), 0);
  EXPECT_EQ(count("marvisto_customer", "customer_name = 'Orphan'"), 0);
  EXPECT_EQ(count("marvisto_customer", "customer_id = -5"), 0);
}

}  // namespace
}  // namespace mv::test
