// The service sends customers whose names are hostile: one of three
// megabytes, one with a right-to-left override that would show a file name
// reversed, one with a NUL character in the middle. The sync stores every
// name whole; the customer list lays out only what its rows show, draws the
// names in the order their characters run and draws no control character.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "RepresentativeDay.hpp"
#include "customer/CustomerListCell.hpp"
#include "customer/CustomerListView.hpp"
#include "customer/CustomerTable.hpp"
#include "customer/CustomerInfoView.hpp"
#include "customer/CustomerViewController.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/TableView.hpp"
#include "shell/frame/MainTabScreens.hpp"
#include "store/DataAccessManager.hpp"
#include "store/SessionDatabase.hpp"
#include "util/JsonWriter.hpp"

namespace mv::test {
namespace {

using sales::FaultRule;
using HostileNames = RepresentativeDay;

TEST_F(HostileNames, TheListShowsWhatItsRowsHoldAndTheStoreKeepsEveryCharacter) {
  std::string huge = "Zebra Holdings ";
  while (huge.size() < 3'000'000) huge += "and subsidiaries ";
  const std::string reversing = "Photo \xE2\x80\xAEgpj.exe";
  const std::string withNul = std::string("Lee\0Ann Traders", 15);
  base::Value rows = base::Value::array();
  const std::vector<std::pair<int, std::string>> names = {{901, huge}, {902, reversing}, {903, withNul}};
  for (const auto& [id, name] : names) {
    base::Value row = base::Value::object();
    row["customerId"] = id;
    row["customerInfoId"] = "CU-" + std::to_string(id);
    row["customerName"] = name;
    row["customerPublish"] = 1;
    row["customerOrdering"] = id;
    rows.push_back(std::move(row));
  }
  base::Value content = base::Value::array();
  content.push_back(std::move(rows));
  for (int i = 0; i < 3; ++i) content.push_back(base::Value::array());
  const auto json = JsonWriter().stringWithObject(content);
  ASSERT_TRUE(json);
  FaultRule reply = FaultRule::contentFor("syncData/customer", *json);
  reply.times = 1;
  service->addFault(reply);

  start();
  ASSERT_TRUE(signIn());
  ASSERT_TRUE(firstSync()) << alertTitle();

  // Stored as sent, every character of every name.
  auto db = SessionDatabase::open();
  ASSERT_TRUE(db.get());
  const auto stored = db.get()->getAllCustomers(true);
  for (const auto& [id, name] : names) {
    ASSERT_TRUE(stored.count(id)) << id;
    EXPECT_EQ(stored.at(id).customer_name, name) << id;
  }

  openTab(MainTabScreens::kCustomer);
  auto screen = customers();
  ASSERT_TRUE(screen);
  CustomerTable& table = *screen->customerList()->tableCustomer();
  auto shownOf = [&](int id) -> std::vector<std::string> {
    const auto& list = table.customerlist();
    for (std::size_t s = 0; s < list.size(); ++s)
      for (std::size_t r = 0; r < list[s].arrayPersons.size(); ++r) {
        if (list[s].arrayPersons[r].personInfo->pid != id) continue;
        const ui::IndexPath path{static_cast<long>(s), static_cast<long>(r)};
        table.tableView()->scrollToRowAtIndexPath(path, ui::TableViewScrollPosition::Middle, false);
        driver().flush();
        auto* cell = dynamic_cast<CustomerListCell*>(table.tableView()->cellForRowAtIndexPath(path));
        return cell ? cell->lbcustomer_name().shownLines() : std::vector<std::string>{};
      }
    ADD_FAILURE() << "no row of " << id;
    return {};
  };
  // The huge name: its start, shortened to the row, a few hundred bytes laid out.
  const auto hugeShown = shownOf(901);
  ASSERT_EQ(hugeShown.size(), 1u);
  EXPECT_EQ(hugeShown[0].rfind("Zebra Holdings", 0), 0u) << hugeShown[0].substr(0, 80);
  EXPECT_LT(hugeShown[0].size(), 200u);
  EXPECT_EQ(hugeShown[0].substr(hugeShown[0].size() - 3), "\xE2\x80\xA6");
  EXPECT_EQ(shownOf(902), std::vector<std::string>{"Photo gpj.exe"});
  EXPECT_EQ(shownOf(903), std::vector<std::string>{"LeeAnn Traders"});
  picture("customers-with-hostile-names");

  // Chosen, the huge name shows in the details as much as their labels hold.
  const auto& list = table.customerlist();
  std::optional<ui::IndexPath> hugeRow;
  for (std::size_t s = 0; s < list.size(); ++s)
    for (std::size_t r = 0; r < list[s].arrayPersons.size(); ++r)
      if (list[s].arrayPersons[r].personInfo->pid == 901) hugeRow = ui::IndexPath{static_cast<long>(s), static_cast<long>(r)};
  ASSERT_TRUE(hugeRow);
  ASSERT_TRUE(table.tableView()->tapRowAtIndexPath(*hugeRow));
  driver().flush();
  std::vector<const ui::Label*> labels;
  std::function<void(const ui::View&)> gather = [&](const ui::View& v) {
    if (auto* label = dynamic_cast<const ui::Label*>(&v); label && label->text().rfind("Zebra Holdings", 0) == 0)
      labels.push_back(label);
    for (const auto& sub : v.subviews()) gather(*sub);
  };
  gather(*screen->customerInfo());
  ASSERT_FALSE(labels.empty());
  for (const ui::Label* label : labels) {
    std::size_t shown = 0;
    for (const auto& line : label->shownLines()) shown += line.size();
    EXPECT_LT(shown, 2000u);
  }
  picture("customer-with-a-huge-name");
}

}  // namespace
}  // namespace mv::test
