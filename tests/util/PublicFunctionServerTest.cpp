#include <string>

#include "SessionFixture.hpp"
#include "PublicFunctionFixture.hpp"
#include "platform/base/UserDefaults.hpp"

namespace mv::test {
namespace {

using ServerTest = PublicFunctionFixture;

// What the defaults file on disk says, read by a separate reader.
base::Value onDisk() {
  base::UserDefaults::standard().synchronize();
  base::UserDefaults reader(base::UserDefaults::standard().file());
  return reader.snapshot();
}

TEST_F(ServerTest, FactorySettingsAreWrittenOnceAndReset) {
  ServerInfo s = PublicFunction::GetServer();
  EXPECT_EQ(s.strIP, "127.0.0.1");
  EXPECT_EQ(s.httpPort, 48080);
  EXPECT_EQ(s.websiteServer, "MarvistoSaas");
  EXPECT_EQ(s.imageIP, "127.0.0.1");
  EXPECT_EQ(s.imageHttpPort, 480);
  EXPECT_EQ(s.imageWebsiteServer, "marvisto_saas");
  base::Value disk = onDisk();
  for (const char* key : {"IP", "Port", "Path", "ImageIP", "ImagePort", "ImagePath"}) {
    SCOPED_TRACE(key);
    EXPECT_TRUE(disk.contains(key));
  }

  // a stored value is kept; only a missing one takes its factory value
  auto& d = base::UserDefaults::standard();
  d.setString("IP", "sales.example.com");
  d.setInteger("Port", 9000);
  d.removeObject("ImagePath");
  s = PublicFunction::GetServer();
  EXPECT_EQ(s.strIP, "sales.example.com");
  EXPECT_EQ(s.httpPort, 9000);
  EXPECT_EQ(s.imageWebsiteServer, "marvisto_saas");
  EXPECT_EQ(onDisk().value("ImagePath", ""), "marvisto_saas");
  EXPECT_EQ(PublicFunction::GetMsgURLWithHeader("Vendor?"), "http://sales.example.com:9000/MarvistoSaas/Vendor?");

  // a port typed as text still reads as a number
  d.setString("Port", "8081");
  EXPECT_EQ(PublicFunction::GetServer().httpPort, 8081);

  PublicFunction::resetUserSetting();
  s = PublicFunction::GetServer();
  EXPECT_EQ(s.strIP, "127.0.0.1");
  EXPECT_EQ(s.httpPort, 48080);
  disk = onDisk();
  EXPECT_EQ(disk.value("IP", ""), "127.0.0.1");
  EXPECT_EQ(disk.value("Port", 0), 48080);
  EXPECT_EQ(disk.value("Path", ""), "MarvistoSaas");
  EXPECT_EQ(disk.value("ImageIP", ""), "127.0.0.1");
  EXPECT_EQ(disk.value("ImagePort", 0), 480);
  EXPECT_EQ(disk.value("ImagePath", ""), "marvisto_saas");
}

TEST_F(ServerTest, MessageAndPageAddressesAreEscaped) {
  EXPECT_EQ(PublicFunction::GetMsgURLWithHeader("Vendor?"), "http://127.0.0.1:48080/MarvistoSaas/Vendor?");
  EXPECT_EQ(PublicFunction::GetMsgURLWithHeader("SyncClient;"), "http://127.0.0.1:48080/MarvistoSaas/SyncClient;");

  ServerInfo s = PublicFunction::GetServer();
  s.websiteServer = "Marvisto Saas";
  EXPECT_EQ(s.msgURLWithHeader("Vendor?"), "http://127.0.0.1:48080/Marvisto%20Saas/Vendor?");
  s.websiteServer = "销售";
  EXPECT_EQ(s.msgURLWithHeader("a\"b"), "http://127.0.0.1:48080/%E9%94%80%E5%94%AE/a%22b");

  // account and client ids are query values: escaped, so they cannot add parameters
  mv::test::signInAs("Acme&Co", "rep one@x.com");
  EXPECT_EQ(PublicFunction::editUserUrl(),
            "http://127.0.0.1:480/marvisto_saas/index.php?option=com_news&view=check"
            "&username=rep%20one%40x.com@Acme%26Co&from=app&lan=en");
  EXPECT_EQ(PublicFunction::forgetPassWordUrl(),
            "http://127.0.0.1:480/marvisto_saas/index.php?option=com_forgetpw&view=newsletter");

  PublicFunction::setInterfaceLanguageProvider([] { return kLanguageChinese; });
  EXPECT_EQ(PublicFunction::editUserUrl(),
            "http://127.0.0.1:480/marvisto_saas/index.php?option=com_news&view=check"
            "&username=rep%20one%40x.com@Acme%26Co&from=app&lan=zh");
  EXPECT_EQ(PublicFunction::forgetPassWordUrl(),
            "http://127.0.0.1:480/marvisto_saas/index.php?option=com_cforgetpw&view=newsletter");

  // the image server on port 80 without a path
  s = PublicFunction::GetServer();
  s.imageHttpPort = 80;
  s.imageWebsiteServer = "";
  PublicFunction::setServer(s);
  EXPECT_EQ(PublicFunction::forgetPassWordUrl(), "http://127.0.0.1/index.php?option=com_cforgetpw&view=newsletter");
}

}  // namespace
}  // namespace mv::test
