#pragma once
// Stands in for a feature screen that this build does not have yet: it says
// so in the interface language, and takes the calls the main tab bar makes
// to the real screen (re-reading the configuration, entering and leaving the
// catalogue and library tabs) so that they can be counted.
#include <memory>
#include <string>

#include "platform/ui/Label.hpp"
#include "shell/frame/BaseViewController.hpp"
#include "shell/frame/CatalogViewDelegate.hpp"
#include "shell/config/ConfigDelegate.hpp"
#include "shell/frame/LibraryViewDelegate.hpp"

namespace mv {

class FeaturePendingViewController : public BaseViewController,
                                     public ConfigDelegate,
                                     public CatalogViewDelegate,
                                     public LibraryViewDelegate {
 public:
  // The title key of the feature ("CATALOG", "SYNC", ...).
  explicit FeaturePendingViewController(std::string featureTitleKey);

  void viewDidLoad() override;
  void updateLanguage(ui::ViewController& sender) override;

  void loadByConfig() override { ++loadByConfigCount_; }
  void addCatologView() override { ++shownCount_; }
  void removeCalogView() override { ++hiddenCount_; }
  void addLibraryView() override { ++shownCount_; }
  void removeLibraryView() override { ++hiddenCount_; }

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
