// A company of two hundred thousand customers on the device, as a sync
// stored them: the first tap on Customers is answered at once, the list
// saying that it reads the book while a worker reads it, the main thread
// reading and grouping none of it; another tab tapped meanwhile answers;
// then the list shows the whole book under its index letters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HeldWorkers.hpp"
#include "MainThreadReads.hpp"
#include "RepresentativeDay.hpp"
#include "StoreAccess.hpp"
#include "customer/CustomerDataModel.hpp"
#include "customer/CustomerGrouping.hpp"
#include "customer/CustomerListCell.hpp"
#include "customer/CustomerListView.hpp"
#include "customer/CustomerViewController.hpp"
#include "order/QuoteOrderHistoryController.hpp"
#include "shell/app/UITabBarControllerExt.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "sync/SessionServices.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {
namespace {

constexpr int kBook = 200000;

class BigCustomerBook : public RepresentativeDay, protected StoreAccess {
 protected:
  // The book stored at once from id 1000 on: names under every letter, a
  // state and a contact each.
  void storeBook() {
    const std::string ids =
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < " + std::to_string(kBook) + ") ";
    sql("BEGIN");
    sql(ids + "INSERT INTO marvisto_customer (customer_id, customer_name, customer_publish) SELECT 1000 + i, "
              "char(65 + i % 26, 97 + i / 26 % 26) || printf(' Trading %06d', i), 1 FROM n");
    sql(ids + "INSERT INTO marvisto_customer_attribute (attribute_id, customer_id, attribute_fields_id, "
              "attribute_value) SELECT 1000 + i, 1000 + i, 4, 'State ' || (i % 50) FROM n");
    sql(ids + "INSERT INTO marvisto_customer_contact (contact_id, customer_id, first_name, last_name) SELECT "
              "1000 + i, 1000 + i, 'Ann', printf('Lee %06d', i) FROM n");
    sql("COMMIT");
  }
  // The rows the list's table shows, under all its letters.
  std::size_t listed() {
    ui::TableView& table = *customers()->customerList()->tableCustomer()->tableView();
    std::size_t rows = 0;
    for (long s = 0; s < table.numberOfSections(); ++s) rows += static_cast<std::size_t>(table.numberOfRowsInSection(s));
    return rows;
  }
};

TEST_F(BigCustomerBook, TheFirstTapOnCustomersAnswersWhileTheBookIsReadBeside) {
  start();
  ASSERT_TRUE(signIn());
  // The new content waits: the book below is what a sync stored.
  ASSERT_TRUE(waitFor([&] { return alert() != nullptr; }, 5));
  press(0);
  storeBook();
  // Nothing has asked for the book yet: the tap is its first opening.
  ASSERT_FALSE(SessionServices::current()->find<CustomerDataModel>());
  auto tab = tabBar();
  ASSERT_TRUE(tab);

  const auto grouped = CustomerGrouping::rowsMadeOnMainThread();
  MainThreadReads reads;
  {
    // The read stays under way on the workers for as long as the taps take.
    HeldWorkers workers;
    ASSERT_TRUE(workers.held());
    ASSERT_TRUE(driver().tap(tab->button(MainTabScreens::kCustomer).btn()));
    ui::View::layoutPendingViews();
    ASSERT_EQ(tab->iCurSelectTab(), MainTabScreens::kCustomer);
    auto screen = customers();
    ASSERT_TRUE(screen);
    CustomerListView& list = *screen->customerList();
    EXPECT_TRUE(ui::HeadlessDriver::isVisible(list.loadingLabel()));
    EXPECT_EQ(list.loadingLabel().text(), text("CUSTOMERSLOADING"));
    EXPECT_TRUE(list.loadingSpinner().isAnimating());
    EXPECT_EQ(listed(), 0u);
    EXPECT_TRUE(list.tableCustomer()->tableView()->sectionIndexTitles().empty());
    picture("customers-reading");

    // Another tab answers meanwhile.
    ASSERT_TRUE(driver().tap(tab->button(MainTabScreens::kQuoteOrder).btn()));
    ui::View::layoutPendingViews();
    EXPECT_EQ(tab->iCurSelectTab(), MainTabScreens::kQuoteOrder);
    ASSERT_TRUE(orders());
    EXPECT_TRUE(ui::HeadlessDriver::isVisible(*orders()->view()));
    EXPECT_FALSE(CustomerDataModel::sharedInstance()->isBookRead());
  }

  // Back on Customers once the book is in: every customer, under A to Z.
  openTab(MainTabScreens::kCustomer);
  auto screen = customers();
  ASSERT_TRUE(waitFor([&] { return CustomerDataModel::sharedInstance()->isBookRead(); }, 120));
  CustomerListView& list = *screen->customerList();
  CustomerTable& table = *list.tableCustomer();
  EXPECT_FALSE(ui::HeadlessDriver::isVisible(list.loadingLabel()));
  EXPECT_EQ(listed(), static_cast<std::size_t>(kBook));
  std::vector<std::string> letters;
  for (const auto& section : table.customerlist()) letters.push_back(section.prefex);
  std::vector<std::string> az;
  for (char c = 'A'; c <= 'Z'; ++c) az.emplace_back(1, c);
  EXPECT_EQ(letters, az);
  EXPECT_EQ(table.tableView()->sectionIndexTitles().size(), 27u);
  // The index leads to a letter, whose first row is drawn.
  ASSERT_TRUE(table.tableView()->selectSectionIndexTitle(25));  // "Z"
  ui::View::layoutPendingViews();
  const long z = CustomerGrouping::sectionForIndexTitle(table.customerlist(), "Z");
  auto* first = dynamic_cast<CustomerListCell*>(table.tableView()->cellForRowAtIndexPath({z, 0}));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->lbcustomer_name().text().substr(0, 1), "Z");
  picture("customers-read");

  // The main thread read only a few rows of its own, and grouped nothing.
  EXPECT_LT(reads.rows(), 200u);
  EXPECT_EQ(CustomerGrouping::rowsMadeOnMainThread(), grouped);
}

}  // namespace
}  // namespace mv::test
