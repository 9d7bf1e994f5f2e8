#pragma once
// Shared pieces of the sync screen tests: a host that records what the
// screens ask of the application and the English string table (the window
// they are shown in is the test kit's `ScreenWindow`).
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UiTestEnvironment.hpp"
#include "shell/sync-screens/SyncScreenHost.hpp"

namespace mv::test {

class FakeSyncScreenHost : public SyncScreenHost {
 public:
  // Every badge value set, in order ("" for a removal).
  std::vector<std::string> badges;
  std::optional<std::string> badge;
  int blinkStarts = 0;
  int blinkStops = 0;
  bool blinking = false;
  std::vector<int> tabs;
  bool notWifi = false;
  bool backup = false;
  double backupDate = 0;
  int loginPages = 0;
  bool fullSyncRequested = false;
  int fullSyncTaken = 0;

  void setSyncBadgeValue(const std::optional<std::string>& value, bool) override {
    badge = value;
    badges.push_back(value.value_or(""));
  }
  void startSyncIconAnimation() override {
    ++blinkStarts;
    blinking = true;
  }
  void stopSyncIconAnimation() override {
    ++blinkStops;
    blinking = false;
  }
  void selectTab(int index) override { tabs.push_back(index); }
  bool isNotWifi() const override { return notWifi; }
  bool hasBackup() const override { return backup; }
  double lastBackupDate() const override { return backupDate; }
  void showLoginPage() override { ++loginPages; }
  bool takeFullSyncRequest() override {
    if (!fullSyncRequested) return false;
    fullSyncRequested = false;
    ++fullSyncTaken;
    return true;
  }
  std::shared_ptr<void> observeLanguageChanges(std::function<void()> onChange) override;
  // Tells every observer still kept that the language changed.
  void changeLanguage();

 private:
  std::vector<std::weak_ptr<std::function<void()>>> observers_;
};

// The application's English texts for every key, and switching to the
// Chinese table (the interface language follows).
void installEnglishTexts();
void installChineseTexts();
// The text of a key in the installed table ("" when missing).
std::string textOf(const std::string& key);

}  // namespace mv::test
