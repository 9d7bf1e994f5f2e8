#pragma once
// Fixtures of the shell tests: a fresh data root with the interface in
// English, every process-wide shell object back to its first state, and (for
// the sign-in runs) the service fixture with the application delegate
// launched headless against it.
#include <memory>
#include <string>
#include <vector>

#include "ServiceFixture.hpp"
#include "UiTestEnvironment.hpp"
#include "platform/ui/AlertView.hpp"
#include "sales-service/SalesService.hpp"
#include "shell/session/LoginMode.hpp"
#include "shell/app/MainScreenPlaceholder.hpp"
#include "shell/app/MarvistoAppDelegate.hpp"
#include "shell/session/WelcomePlaceholder.hpp"
#include "transport/FakeNetworkStatusSource.hpp"

namespace mv::test {

// The English text of a key ("" when missing).
std::string en(const std::string& key);

// Whether a toast with the text shows on a window, as the user sees it.
bool toastSays(const std::string& text);

// A login as the panel builds it.
LoginInfo makeLogin(const std::string& account, const std::string& device, const std::string& password,
                    const std::string& client);

// Writes a client database with a configuration row of `desc` (none when
// empty) for `clientId`, and optionally a local user for offline sign-in.
void makeClientDatabase(const std::string& clientId, const std::string& desc);

// A sign-in delegate that records what it is told.
class DelegateRecorder : public LoginModelDelegate {
 public:
  int successes = 0;
  int buttonResets = 0;
  std::vector<std::string> errors;
  std::vector<std::string> abnormal;
  void loginSuccess() override { ++successes; }
  void loginErroWithMessage(const std::string& m) override { errors.push_back(m); }
  void loginAbnormalWithMessage(const std::string& m) override { abnormal.push_back(m); }
  void changeLoginButState() override { ++buttonResets; }
};

class ShellTest : public UiTestEnvironment {
 protected:
  using UiTestEnvironment::UiTestEnvironment;
  void SetUp() override;
  void TearDown() override;
  static void resetShell();
};

// The sign-in runs against the local sales service.
class SignInTest : public ServiceFixture<ShellTest> {
 protected:
  SignInTest();
  void SetUp() override;
  void TearDown() override;

  // Launches the application delegate headless with the placeholder screens.
  void launch();
  void pointAt(const sales::SalesService& s);
  // Points the application at a port nobody listens on.
  void pointNowhere();
  // Types a login on the welcome screen and waits until it is decided.
  void signIn(const std::string& client, const std::string& account, const std::string& password,
              bool shortcut = false);
  bool waitFor(const std::function<bool()>& pred, double seconds = 15);
  // The window minimised and restored, as the desktop reports it.
  void minimiseAndRestore();
  std::shared_ptr<WelcomePlaceholder> welcome() const;
  std::shared_ptr<MainScreenPlaceholder> mainScreen() const;
  // Messages the service received with that method name.
  std::vector<sales::LogEntry> messages(const std::string& methodName) const { return messagesNamed(methodName); }
  std::shared_ptr<ui::AlertView> alertTitled(const std::string& title) const;

  std::shared_ptr<MarvistoAppDelegate> app;
  std::shared_ptr<FakeNetworkStatusSource> network;
};

}  // namespace mv::test
