#pragma once
// The Sync tab's panel: a row for each part of the data (products, sales
// material, customers), the time left with its spinner, the sync button and
// the hint that downloads go on while the user works elsewhere.
#include <memory>
#include <string>

#include "platform/base/CancelTracker.hpp"
#include "platform/ui/ActivityIndicatorView.hpp"
#include "platform/ui/Button.hpp"
#include "shell/sync-screens/ResourceUpdateDelegate.hpp"
#include "shell/sync-screens/SyncInfoItem.hpp"
#include "shell/sync-screens/SyncItemView.hpp"
#include "shell/sync-screens/SyncScreenPresenter.hpp"

namespace mv {

class ResourceUpdateView : public SyncItemView {
 public:
  // The hint fades in this long after a run started, over kHelpFadeDuration.
  static constexpr double kHelpDelay = 3.0;
  static constexpr double kHelpFadeDuration = 0.25;

  static std::shared_ptr<ResourceUpdateView> create(const ui::Rect& frame);
  ~ResourceUpdateView() override;

  // Enabled: the time label hides and its spinner stops; disabled: the time
  // label shows.
  void setBtnSyncEnabled(bool enabled);
  bool btnSyncEnabled() const { return btnSyncEnabled_; }
  // The last sync time, written to every row.
  void setSyncDate(const std::string& date);
  const std::string& syncDate() const { return syncDate_; }
  // The seconds left: the spinner turns and the label tells the minutes
  // (an estimate of more than 1000 minutes leaves the label as it was).
  void setRemainTime(int seconds);
  int remainTime() const { return remainTime_; }

  void setIsCatalogOnshow(bool shown);
  void setIsCustomerOnShow(bool shown);
  void setIsSalesLibraryOnShow(bool shown);
  bool isCatalogOnshow() const { return isCatalogOnshow_; }
  bool isCustomerOnShow() const { return isCustomerOnShow_; }
  bool isSalesLibraryOnShow() const { return isSalesLibraryOnShow_; }
  void resetItemsFrame();

  // Every bar empty, every text "0%".
  void resetProgress();
  // "CHECKING" in the first row shown.
  void showStartCheck();
  // The same with how far the removal of changed files is, as long as that
  // row says it is checking.
  void showRemovalProgress(float share);
  // A row still saying it is checking shows where its bar stands instead.
  void endStartCheck();
  // The hint fades in after kHelpDelay; hideHelp stops that and hides it.
  void showHelp();
  void hideHelp();
  bool isHelpPending() const { return !help_.empty(); }

  void btnSyncClick(ui::Control* sender);
  // The titles, the button and the hint in the interface language, and the
  // time left again.
  void notifiChangelanguage();

  std::shared_ptr<ResourceUpdateDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<ResourceUpdateDelegate> d) { delegate_ = std::move(d); }

  SyncInfoItem& syncInfoProduc() const { return *syncInfoProduc_; }
  SyncInfoItem& syncInfoIcon() const { return *syncInfoIcon_; }
  SyncInfoItem& syncInfoCustomer() const { return *syncInfoCustomer_; }
  SyncInfoItem& row(SyncRow row) const;
  ui::Label& lblRemainTime() const { return *lblRemainTime_; }
  ui::ActivityIndicatorView& activityIndicator() const { return *activityIndicator_; }
  ui::Button& btnsync() const { return *btnsync_; }
  ui::Label& labelBgDownload() const { return *labelBgDownload_; }

 protected:
  explicit ResourceUpdateView(const ui::Rect& frame) : SyncItemView(frame) {}
  void initializationView(const ui::Rect& frame) override;

 private:
  void setRowTitles();

  std::shared_ptr<SyncInfoItem> syncInfoProduc_;
  std::shared_ptr<SyncInfoItem> syncInfoIcon_;
  std::shared_ptr<SyncInfoItem> syncInfoCustomer_;
  std::shared_ptr<ui::Label> lblRemainTime_;
  std::shared_ptr<ui::ActivityIndicatorView> activityIndicator_;
  std::shared_ptr<ui::Button> btnsync_;
  std::shared_ptr<ui::Label> labelBgDownload_;
  bool btnSyncEnabled_ = true;
  std::string syncDate_;
  std::weak_ptr<ResourceUpdateDelegate> delegate_;
  int remainTime_ = 0;
  bool isCatalogOnshow_ = true;
  bool isCustomerOnShow_ = true;
  bool isSalesLibraryOnShow_ = true;
  // The hint's delayed fade-in, cancelled when the hint is hidden or the view
  // goes.
  base::CancelTracker help_;
};

}  // namespace mv
