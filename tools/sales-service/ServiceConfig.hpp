#pragma once
// Who may sign in to the local sales service and what it serves: companies
// (client ids) with their users, data-set sizes and component configuration,
// and the endpoint settings the application is pointed at.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"
#include "sales-service/SampleData.hpp"

namespace mv::sales {

struct AccountConfig {
  std::string accountId;       // the user name typed at sign-in
  std::string password;        // plain text; the login carries its MD5 digest
  std::string device;          // the one device id allowed; empty allows any
  std::string userName;        // display name
  std::string email;
  std::string phone;
  int64_t vendorId = 1;
  int64_t vendorGroupId = 1;
  int64_t vendorStateId = 1;
  std::string discount = "0";
  bool locked = false;              // login and device check answer "114"
  std::string deviceStatus = "11412";  // answer of the device-status check
  int historyOrders = 12;           // submitted orders reported by the order history

  base::Value toJson() const;
  static AccountConfig fromJson(const base::Value& v);
};

struct CompanyConfig {
  std::string clientId;
  std::string name;
  std::string link = "http://www.example.com";
  std::string email = "office@example.com";
  int64_t userAccess = 1;
  std::vector<AccountConfig> accounts;
  SampleOptions data;  // clientId and companyName are taken from the company
  // module switches of the component configuration, "1" on, "0" off
  std::string home = "1", category = "1", customer = "1", inventory = "1", library = "1", order = "1", sync = "1";
  std::string dateFormat = "MM/dd/yy";
  std::string modifyPrice = "1";
  std::string viewType = "1";
  std::string orderMethod = "2";
  int skinVersion = 1;

  base::Value toJson() const;
  static CompanyConfig fromJson(const base::Value& v);
};

struct AppUpdateConfig {
  int updateStatus = 0;  // 0 none, 1 and 2 snoozable prompts, 3 always
  std::string latestVersion = "1.0.0";
  std::string appUrl = "http://www.example.com/app";
  std::string messageZh = "有新版本";
  std::string messageEn = "A new version is available";
};

struct ServiceConfig {
  std::string host = "127.0.0.1";
  int messagePort = 0;  // 0: any free port
  int filePort = 0;
  std::string path = "MarvistoSaas";
  std::string imagePath = "marvisto_saas";
  std::vector<CompanyConfig> companies;
  AppUpdateConfig appUpdate;
  // The login digest must be lower-case hexadecimal unless this is set.
  bool acceptUpperCaseDigest = false;
  // A restore must name the exact backup time (to the millisecond) when set;
  // otherwise the nearest backup within `restoreTolerance` seconds, else the latest.
  bool strictRestore = false;
  double restoreTolerance = 64.0;
  bool allowSignUp = true;
  // Serves "/_control/..." on the message port, to loopback callers only.
  bool controlEndpoint = false;
  // Where the service keeps what it learnt of the devices ("state.json"), so
  // that a restart does not make every device sync afresh; empty: nowhere.
  std::string dataFolder;

  // Company "acme" (users "rep"/"secret" and "manager"/"secret2") and company
  // "globex" (user "rep"/"secret"), each with its own small data set.
  static ServiceConfig defaults();
  base::Value toJson() const;
  // Companies and options from JSON (the layout toJson writes); nullopt with a
  // reason when the text does not describe a configuration.
  static std::optional<ServiceConfig> fromJson(const base::Value& v, std::string* error = nullptr);
};

}  // namespace mv::sales
