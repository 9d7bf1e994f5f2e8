#pragma once
// Stands in for a feature screen that this build does not have yet: it says
// so in the interface language, and takes the calls the main tab bar makes
// to the real screen (re-reading the configuration, entering and leaving its
// tab) so that they can be counted.
#include <memory>
#include <string>

#include "platform/ui/Label.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/config/ConfigDelegate.hpp"
#include "shell/frame/ShellActions.hpp"

namespace mv {

class FeaturePendingViewController : public BaseViewController,
                                     public ConfigDelegate,
                                     public TabVisits {
 public:
  // The title key of the feature ("CATALOG", "SYNC", ...).
  explicit FeaturePendingViewController(std::string featureTitleKey);

  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

  void loadByConfig() override { ++loadByConfigCount_; }
  void tabEntered() override { ++shownCount_; }
  void tabLeft() override { ++hiddenCount_; }

  const std::string& featureTitleKey() const { return featureTitleKey_; }
  int loadByConfigCount() const { return loadByConfigCount_; }
  int shownCount() const { return shownCount_; }
  int hiddenCount() const { return hiddenCount_; }
  ui::Label& lblTitle() const { return *lblTitle_; }
  ui::Label& lblMessage() const { return *lblMessage_; }

 private:
  void setTexts();
  std::string featureTitleKey_;
  std::shared_ptr<ui::Label> lblTitle_, lblMessage_;
  int loadByConfigCount_ = 0;
  int shownCount_ = 0;
  int hiddenCount_ = 0;
};

}  // namespace mv
