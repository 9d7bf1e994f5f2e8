#include <fstream>
#include <iterator>

#include "StoreTestSupport.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

class ConfigUserTest : public StoreTest {
 protected:
  static ConfigEntity entry(const std::string& type, const std::string& desc) {
    ConfigEntity e;
    e.clientid = "AcmeCo";
    e.configType = type;
    e.desc = desc;
    e.update_date = "01/01/2014 10:00:00";
    return e;
  }
  static LoginInfo login(const std::string& user, const std::string& password, const std::string& client = "AcmeCo",
                         const std::string& device = "DEV-1") {
    LoginInfo l;
    l.accountId = user;
    l.passWord = password;
    l.clientId = client;
    l.deviceId = device;
    l.email = user + "@acme.test";
    l.companyName = "Acme";
    return l;
  }
  std::string fileBytes() {
    std::string all;
    for (const char* suffix : {"", "-journal", "-wal"}) {
      std::ifstream in(dam().databasePath().string() + suffix, std::ios::binary);
      all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
  }
};

TEST_F(ConfigUserTest, ANewerConfigurationReplacesTheOlderOfItsType) {
  ASSERT_TRUE(dam().syncConfigData({entry("configuration", "1,1,1,1,1,1,1"), entry("date_format", "MM/dd/yy")}));
  ASSERT_TRUE(dam().syncConfigData({entry("configuration", "1,0,1,0,1,0,1"), entry("modify_price", "0")}));
  EXPECT_EQ(count("marvisto_config"), 3);
  auto cfg = dam().queryConfig("configuration");
  ASSERT_TRUE(cfg);
  EXPECT_EQ(cfg->desc, "1,0,1,0,1,0,1");
  EXPECT_EQ(cfg->clientid, "AcmeCo");
  EXPECT_GT(cfg->_id, 0);
  EXPECT_EQ(dam().queryConfig("date_format")->desc, "MM/dd/yy");
  EXPECT_FALSE(dam().queryConfig("left_panel"));
  EXPECT_TRUE(dam().deleteConfig());
  EXPECT_FALSE(dam().queryConfig("configuration"));
}

TEST_F(ConfigUserTest, OfflineCheckCodesAndNoPlainPasswordOnDisk) {
  const std::string secret = "Tr0ub4dor&3-unique-secret";
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", secret)), "210");
  ASSERT_TRUE(dam().saveUserInfo(login("Rep", secret)));
  ASSERT_TRUE(dam().saveUserInfo(login("other", "pw2")));

  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", secret)), "200");  // user name case ignored
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", secret, "ACMECO")), "200");
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", secret, "elsewhere")), "210");
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", secret, "AcmeCo", "DEV-2")), "201");
  EXPECT_EQ(dam().checkLocalUserInfo(login("nobody", secret)), "202");
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", "wrong")), "206");
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", "")), "206");
  EXPECT_EQ(dam().checkLocalUserInfo(login("other", secret)), "206");

  // A new password replaces the old one.
  ASSERT_TRUE(dam().saveUserInfo(login("rep", "changed")));
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", secret)), "206");
  EXPECT_EQ(dam().checkLocalUserInfo(login("rep", "changed")), "200");

  auto info = dam().getUserInfo("REP");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->accountId, "rep");
  EXPECT_EQ(info->email, "rep@acme.test");
  EXPECT_EQ(info->companyName, "Acme");
  EXPECT_EQ(info->passWord, "");
  EXPECT_FALSE(dam().getUserInfo("  "));
  EXPECT_FALSE(dam().getUserInfo("ghost"));

  SessionDatabase::close();
  EXPECT_EQ(fileBytes().find(secret), std::string::npos);
  EXPECT_EQ(fileBytes().find("changed"), std::string::npos);
}

}  // namespace
}  // namespace mv::test
