#pragma once
// The fixture of the flows across features: the application launched
// headless with every feature installed, as the binary installs them,
// against the local sales service on loopback; a representative signs in by
// typing on the welcome screen, syncs from the Sync tab and moves between the
// tabs by tapping them. Each flow starts from a fresh data root.
#include <functional>
#include <memory>
#include <string>

#include "ScreenTestSupport.hpp"

namespace mv {
class CatalogViewController;
class CustomerViewController;
class QuoteOrderHistoryController;
class SyncViewController;
}  // namespace mv

namespace mv::test {

class RepresentativeDay : public ScreenFlowTest {
 protected:
  void TearDown() override;
  void installFeatures(SessionHooks& hooks) override;

  // Launches the application against the service (the guide closed).
  void start();
  // Types the login on the welcome panel and presses Done; true once the
  // main tabs are up.
  [[nodiscard]] bool signIn(const std::string& user = "rep", const std::string& password = "secret",
                            const std::string& client = "acme");
  // Answers the home screen's new-content question with "update now" and
  // runs the sync from the Sync tab's button; true when it finished without
  // an alert.
  [[nodiscard]] bool firstSync();
  // Taps the sync button on the Sync tab and waits until the run ends
  // (finished or broken); false when it did not end in time.
  [[nodiscard]] bool syncFromTab();
  // Taps tab `tag` and waits until it is the selected one.
  void openTab(int tag);

  std::shared_ptr<CatalogViewController> catalog() const;
  std::shared_ptr<CustomerViewController> customers() const;
  std::shared_ptr<QuoteOrderHistoryController> orders() const;
  std::shared_ptr<SyncViewController> syncScreen() const;
  // The title of the visible alert ("" when none).
  std::string alertTitle() const;
  // Saves a picture of the window under the test's root (kept for a person
  // when MV_KEEP_SNAPSHOTS names a folder).
  void picture(const std::string& name);
};

}  // namespace mv::test
