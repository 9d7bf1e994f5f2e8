// Languages, text keys and the component configuration.
#include <memory>

#include "SessionScope.hpp"
#include "ShellTestSupport.hpp"
#include "platform/base/UserDefaults.hpp"
#include "shell/config/ConfigManager.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/SyncConfigManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv::test {
namespace {

class Listener : public LanguageManagerDelegate {
 public:
  int calls = 0;
  std::function<void()> onCall;
  void notifiChangelanguage() override {
    ++calls;
    if (onCall) onCall();
  }
};

using LanguageTest = ShellTest;

TEST_F(LanguageTest, FirstLaunchPicksThePreferredLanguage) {
  auto& manager = LanguageManager::sharedInstance();
  auto& defaults = base::UserDefaults::standard();
  const std::pair<const char*, int> cases[] = {{"zh-Hans", 2}, {"zh-Hant", 1}, {"de", 1}, {"en", 1}};
  for (const auto& [preferred, expected] : cases) {
    manager.resetForTesting();
    defaults.setObject("AppleLanguages", base::Value::array({preferred}));
    manager.setCurrentLanguage(0);
    EXPECT_EQ(manager.currentLanguage(), expected) << preferred;
    EXPECT_EQ(defaults.integerForKey("language"), expected) << preferred;
    EXPECT_FALSE(manager.isSettingByCode());
  }
  EXPECT_EQ(manager.curStringLanguage(), "en");
  manager.setCurrentLanguage(2);
  EXPECT_EQ(manager.curStringLanguage(), "zh");
  EXPECT_EQ(PublicFunction::interfaceLanguage(), 2);
}

TEST_F(LanguageTest, ListenersAreToldOnceAndOnlyOnChange) {
  auto& manager = LanguageManager::sharedInstance();
  auto a = std::make_shared<Listener>();
  auto b = std::make_shared<Listener>();
  manager.registerLanugageNotification(a);
  manager.registerLanugageNotification(a);
  manager.registerLanugageNotification(b);
  manager.registerLanugageNotification(nullptr);
  EXPECT_EQ(manager.listenerCount(), 2u);

  manager.setCurrentLanguage(1);  // already current
  EXPECT_EQ(a->calls, 0);
  manager.setCurrentLanguage(2);
  EXPECT_EQ(a->calls, 1);
  EXPECT_EQ(b->calls, 1);
  EXPECT_EQ(base::UserDefaults::standard().integerForKey("language"), 2);

  // A listener that unregisters another (and itself) during the broadcast,
  // and one that is destroyed without unregistering.
  auto c = std::make_shared<Listener>();
  manager.registerLanugageNotification(c);
  a->onCall = [&] {
    manager.unRegisterLanugageNotification(a.get());
    manager.unRegisterLanugageNotification(c.get());
  };
  b.reset();
  manager.setCurrentLanguage(1);
  EXPECT_EQ(a->calls, 2);
  EXPECT_EQ(c->calls, 1);  // told from the snapshot
  EXPECT_EQ(manager.listenerCount(), 0u);

  // A change written by another part of the application is taken over and told.
  auto d = std::make_shared<Listener>();
  manager.registerLanugageNotification(d);
  base::UserDefaults::standard().setInteger("language", 2);
  EXPECT_EQ(manager.currentLanguage(), 2);
  EXPECT_EQ(d->calls, 1);
  manager.removeAllLanugageNotification();
  manager.setCurrentLanguage(1);
  EXPECT_EQ(d->calls, 1);
}

TEST_F(LanguageTest, TablesFollowTheLanguage) {
  auto& manager = LanguageManager::sharedInstance();
  const auto english = Language::stringWithName("LOGINERRO");
  ASSERT_TRUE(english);
  EXPECT_FALSE(english->empty());
  EXPECT_FALSE(Language::stringWithName("NO_SUCH_KEY_ANYWHERE"));
  // Status codes are keys like any other; the lower layers see the same table.
  for (const char* status : {"101", "114", "11411", "115", "206", "210", "999"}) {
    EXPECT_TRUE(Language::stringWithName(status)) << status;
  }
  EXPECT_EQ(textForKey("LOGINERRO"), english);

  manager.setCurrentLanguage(2);
  const auto chinese = Language::stringWithName("LOGINERRO");
  ASSERT_TRUE(chinese);
  EXPECT_NE(*chinese, *english);
  manager.setCurrentLanguage(1);
  EXPECT_EQ(Language::stringWithName("LOGINERRO"), english);

  // The formats keep their placeholders in both languages.
  for (const char* key : {"SHORTCUTEXISTS", "DELETESHORTCUT", "DELETENORMALSHORTCUT", "REGISTERSUCCESSWITHEMAIL"}) {
    auto count = [](const std::string& s) {
      std::size_t n = 0;
      for (std::size_t at = s.find("%@"); at != std::string::npos; at = s.find("%@", at + 2)) ++n;
      return n;
    };
    manager.setCurrentLanguage(1);
    const std::string en = Language::stringWithName(key).value_or("");
    manager.setCurrentLanguage(2);
    const std::string zh = Language::stringWithName(key).value_or("");
    EXPECT_EQ(count(en), count(zh)) << key;
    EXPECT_GE(count(en), 1u) << key;
  }
}

TEST_F(LanguageTest, FormatSubstitutesOnlyThePattern) {
  EXPECT_EQ(Language::format("%@ %@", {"New version", "2.0"}), "New version 2.0");
  // Arguments are never read as patterns; missing ones are empty.
  EXPECT_EQ(Language::format("Delete %@?", {"%@%s%n"}), "Delete %@%s%n?");
  EXPECT_EQ(Language::format("%@ and %@", {"one"}), "one and ");
  EXPECT_EQ(Language::format("100%% %d %", {}), "100% %d %");
}

class ConfigTest : public ShellTest {
 protected:
  // A signed-in session of "Acme" whose services hold the configuration, as
  // the application registers it.
  std::unique_ptr<SessionScope> signIn() {
    auto lm = LoginMode::sharedInstance();
    lm->setClientID("Acme");
    lm->setAcountID("rep");
    SessionServices::Registry registry;
    ConfigManager::install(registry);
    return std::make_unique<SessionScope>(Session::current(), registry);
  }
};

TEST_F(ConfigTest, TabsFollowTheModuleList) {
  auto scope = signIn();
  ASSERT_TRUE(scope->services());
  auto config = scope->services()->get<ConfigManager>();
  ASSERT_TRUE(config);
  // No list stored: only the settings button.
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(config->isOnShow(i)) << i;
  EXPECT_TRUE(config->isOnShow(7));
  EXPECT_FALSE(config->isOnShow(-1));

  config->setModelDescFromDesc("1,1,0,1,1,1,1");
  EXPECT_TRUE(config->isOnShow(0));
  EXPECT_FALSE(config->isOnShow(2));
  EXPECT_TRUE(config->isOnShow(6));
  // A shorter list from an older database hides what it does not reach.
  config->setModelDescFromDesc("1,1,1");
  EXPECT_TRUE(config->isOnShow(2));
  EXPECT_FALSE(config->isOnShow(3));
  EXPECT_FALSE(config->isOnShow(6));
  EXPECT_FALSE(config->isOnShow(100));
  config->setModelDescFromDesc("1,(null),1");
  EXPECT_FALSE(config->isOnShow(1));

  const std::pair<const char*, bool> truths[] = {{"1", true},   {"+01", true}, {" y", true},  {"Yes", true},
                                                 {"t", true},   {"-9", true},  {"0", false},  {"", false},
                                                 {"00", false}, {"no", false}, {" ", false}, {"+", false}};
  for (const auto& [text, expected] : truths) EXPECT_EQ(ConfigManager::boolValue(text), expected) << "'" << text << "'";
  EXPECT_EQ(ConfigManager::integerValue("  42abc"), 42);
  EXPECT_EQ(ConfigManager::integerValue("-7"), -7);
  EXPECT_EQ(ConfigManager::integerValue("x"), 0);
  EXPECT_EQ(ConfigManager::integerValue("99999999999999999999"), 9223372036854775807LL);
}

TEST_F(ConfigTest, RowsAreStoredAndTheLatestWins) {
  auto lm = LoginMode::sharedInstance();
  // The switches read the session's database.
  auto scope = signIn();
  ASSERT_TRUE(scope->services());
  DataAccessManager* database = &scope->services()->database();
  auto config = scope->services()->get<ConfigManager>();
  ASSERT_TRUE(config);
  EXPECT_FALSE(config->syncConfigData(std::nullopt));
  EXPECT_EQ(config->orderMethodType(), 2);
  EXPECT_FALSE(config->couldModifyPrice());
  EXPECT_FALSE(config->leftPanelType());

  auto row = [](const char* type, const char* desc) {
    ConfigEntity e;
    e.clientid = "Acme";
    e.configType = type;
    e.desc = desc;
    return e;
  };
  ASSERT_TRUE(config->syncConfigData(std::vector<ConfigEntity>{
      row("configuration", "1,0,1,1,1,1,1"), row("modify_price", "   "), row("order_method", "3"),
      row("left_panel", "2"), row("date_format", "yy/MM/dd")}));
  EXPECT_FALSE(config->isOnShow(1));
  EXPECT_FALSE(config->couldModifyPrice());
  EXPECT_EQ(config->orderMethodType(), 3);
  EXPECT_EQ(config->leftPanelType(), "2");
  EXPECT_EQ(ConfigManager::queryDateFormat(*database)->desc, "yy/MM/dd");

  // A second sign-in's configuration replaces the first.
  ASSERT_TRUE(config->syncConfigData(
      std::vector<ConfigEntity>{row("configuration", "1,1,1,1,1,1,0"), row("modify_price", "1")}));
  EXPECT_TRUE(config->isOnShow(1));
  EXPECT_FALSE(config->isOnShow(6));
  EXPECT_TRUE(config->couldModifyPrice());
  EXPECT_EQ(ConfigManager::queryConfig(*database)->desc, "1,1,1,1,1,1,0");
  EXPECT_TRUE(ConfigManager::deleteConfig(*database));
  EXPECT_FALSE(ConfigManager::queryConfig(*database));

  // The customer switch is per user and company, all customers by default.
  EXPECT_TRUE(config->isShowAllCustomer());
  config->setIsShowAllCustomer(false);
  EXPECT_FALSE(config->isShowAllCustomer());
  EXPECT_TRUE(base::UserDefaults::standard().hasKey("rep_Acme_showAllCustomer"));
  lm->setAcountID("manager");
  EXPECT_TRUE(config->isShowAllCustomer());

  // Reload flags live with the session. The next session's configuration
  // raises none and starts with the module list the sign-in stored.
  config->setFlag(ConfigManager::kReloadCatalog, true);
  EXPECT_TRUE(config->flag(ConfigManager::kReloadCatalog));
  EXPECT_FALSE(config->flag(ConfigManager::kReloadLibrary));
  ASSERT_TRUE(ConfigManager::storeConfigData(*database, std::vector<ConfigEntity>{row("configuration", "1,1,0")}));
  scope->restart();
  ASSERT_TRUE(scope->services());
  auto next = scope->services()->get<ConfigManager>();
  ASSERT_TRUE(next);
  EXPECT_NE(next, config);
  EXPECT_FALSE(next->flag(ConfigManager::kReloadCatalog));
  ASSERT_TRUE(next->modelDescArray());
  EXPECT_EQ(*next->modelDescArray(), (std::vector<std::string>{"1", "1", "0"}));
  EXPECT_TRUE(next->isOnShow(1));
  EXPECT_FALSE(next->isOnShow(2));
  // A session without services has no configuration to hand to the sync.
  scope->endServices();
  EXPECT_FALSE(SyncConfigManager::current());
}

}  // namespace
}  // namespace mv::test
