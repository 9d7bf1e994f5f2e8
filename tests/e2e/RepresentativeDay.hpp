#pragma once
// The fixture of the flows across features: the application launched
// headless with every feature installed, as the binary installs them,
// against the local sales service on loopback; a representative signs in by
// typing on the welcome screen, syncs from the Sync tab and moves between the
// tabs by tapping them. Each flow starts from a fresh data root.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ScreenTestSupport.hpp"
#include "StallingProxy.hpp"
#include "platform/ui/SegmentedControl.hpp"

namespace mv {
class CatalogViewController;
class CustomerInfoView;
class CustomerViewController;
class DetailCell;
class DetailViewController;
class QuoteOrderHistoryController;
class QuoteOrderViewController;
class BackupAndRestoreViewController;
class SettingsViewController;
class SyncViewController;
}  // namespace mv

namespace mv::test {

class RepresentativeDay : public ScreenFlowTest {
 protected:
  void TearDown() override;
  void installFeatures(FeatureWiring& wiring) override;

  // Launches the application against the service (the guide closed).
  void start();
  // Types the login on the welcome panel and presses Done; true once the
  // main tabs are up.
  [[nodiscard]] bool signIn(const std::string& user = "rep", const std::string& password = "secret",
                            const std::string& client = "acme");
  // The same typed and sent, whatever follows; false when no welcome screen is up.
  [[nodiscard]] bool typeLogin(const std::string& user = "rep", const std::string& password = "secret",
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

  // The Catalogue tab opened, and its product grid.
  DetailViewController& grid();
  // A tap at the middle of `view` reaches it (nothing lies over it).
  [[nodiscard]] bool reachable(const ui::View& view);
  // Brings card `index` of the grid into sight, the category panel put aside
  // when it covers the card; null when the card cannot be reached.
  std::shared_ptr<DetailCell> showCard(std::size_t index);
  // Taps the cart of card `index` on the grid; where the product asks for
  // attributes, the first option of each is tapped in the popover and its OK
  // pressed. True when the current order grew by a line or a count.
  [[nodiscard]] bool addFromGrid(std::size_t index);
  // The Orders tab opened; the editor on top of its list (null when the tab
  // shows the list).
  QuoteOrderViewController* ordersTab();
  // Taps segment `index` of a segmented control.
  void tapSegment(ui::SegmentedControl& control, std::size_t index);
  // Drags the content of `view` up by most of its height, as a finger pages down.
  void dragUp(const ui::View& view);
  // Types the customer's name into the editor's customer field and presses
  // Return: an exact name ties the order to that customer.
  void chooseCustomer(QuoteOrderViewController& editor, const std::string& name);
  // The one alert a failure shows: waits for it, checks that no other is up,
  // answers it with `button` and checks that no second one follows within
  // `quiet` seconds. Answers its title and message ("" when it broke a rule).
  std::pair<std::string, std::string> answerTheOneAlert(long button, double quiet = 1);
  // The Customers tab opened and its add button tapped: the form of the new
  // customer (null when it did not open for one).
  CustomerInfoView* newCustomerForm();
  // Types into the customer form's row labelled with the key's text,
  // replacing what it holds.
  void typeInto(CustomerInfoView& form, long section, const std::string& key, const std::string& value);

  // The settings window opened from its tab button (null when it did not open).
  SettingsViewController* openSettings();
  // The backup-and-restore page pushed from the settings window.
  BackupAndRestoreViewController* openBackupPage();
  // Closes the settings window with its Done button.
  void closeSettings();
  // Chooses the interface language on the settings' language page (row
  // `row`: 0 English, 1 Chinese) and closes the settings.
  void chooseLanguage(long row);
  // Signs out from the settings window ("sure"); true once the welcome screen is back.
  [[nodiscard]] bool signOut();
  // Leaves this device for a new one: the application ended and launched
  // again on a fresh, empty data root (the old one is removed at the end):
  // `dataRoot` when given (an empty folder on a disk of the test's own).
  void newDevice(const std::filesystem::path& dataRoot = {});

  std::shared_ptr<CatalogViewController> catalog() const;
  std::shared_ptr<CustomerViewController> customers() const;
  std::shared_ptr<QuoteOrderHistoryController> orders() const;
  std::shared_ptr<SyncViewController> syncScreen() const;
  // The title of the visible alert ("" when none).
  std::string alertTitle() const;
  // Saves a picture of the window under the test's root (kept for a person
  // when MV_KEEP_SNAPSHOTS names a folder).
  void picture(const std::string& name);

  // The application fetches its files through a proxy on loopback that the
  // flow can stall or slow to a trickle: made on first use, and the file
  // server pointed at it (after start(), whose launch resets the settings).
  StallingProxy& fileServerProxy();
  // The file server as the application names it ("host:port").
  std::string fileServer() const;

 private:
  std::vector<std::filesystem::path> formerRoots_;
  std::unique_ptr<StallingProxy> proxy_;
};

}  // namespace mv::test
