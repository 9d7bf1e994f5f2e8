#pragma once
// The Sync tab: starts runs of the sync engine and shows them on its panel
// (progress per part, time left, the last sync time), with the alerts of a
// broken run and the stops before a run in the demo account or on a
// cellular network. It is the engine's delegate from the first set-up of
// its view. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "platform/ui/AlertView.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/ViewController.hpp"
#include "shell/config/ConfigDelegate.hpp"
#include "shell/sync-screens/ResourceUpdateDelegate.hpp"
#include "shell/sync-screens/ResourceUpdateView.hpp"
#include "sync/SyncModelDelegate.hpp"

namespace mv {

class SessionServices;
class SyncModel;

class SyncViewController : public ui::ViewController,
                           public SyncModelDelegate,
                           public ResourceUpdateDelegate,
                           public ConfigDelegate,
                           public ui::AlertViewDelegate {
 public:
  // The engine is the session's (`services`); without services the screen
  // shows its panel and starts nothing.
  explicit SyncViewController(std::shared_ptr<SessionServices> services = nullptr);
  ~SyncViewController() override;

  void viewDidLoad() override;
  void viewWillAppear(bool animated) override;
  // The one-time set-up after the first load of the view.
  void viewAfterFirstDidLoad();
  bool bViewHasLoad() const { return bViewHasLoad_; }

  // ---- SyncModelDelegate ---------------------------------------------------------
  void startSyncData() override;
  void breakSync(const std::string& message) override;
  void downloadimageFinished(int imageType) override;
  void finishedSync() override;
  void filesNotReceived(const std::string& message) override;
  void setProgress(float progress, int imageType, int remainTime) override;
  void remainTimeChanged(int seconds) override;
  void getCustomerFinished() override;
  void estimateWithdrawn() override;
  void syncEndedBySession() override;
  void setRemovalProgress(float share) override;

  // ---- the button, the configuration, alerts -------------------------------------
  void btnSyncClick(ui::Control* sender) override;
  void loadByConfig() override;
  void alertViewClickedButtonAtIndex(ui::AlertView& alert, long buttonIndex) override;

  // ---- own steps ---------------------------------------------------------------------
  // Starts a run when the service has new data (the engine's needUpdate).
  void syncData();
  // The last sync time onto the panel, when one is stored.
  void getsyncdate();
  void startIndictorView();
  void stopIndicatorView();
  void updateLanguage();

  ResourceUpdateView& resourceUpdateView() const { return *resourceUpdateView_; }
  ui::Label& titleLabel() const { return *titleLabel_; }
  ui::ImageView& topBar() const { return *topBar_; }
  int imageType() const { return imageType_; }
  void setImageType(int type) { imageType_ = type; }

 private:
  // The session's sync engine, made on first use.
  std::shared_ptr<SyncModel> syncEngine() const;
  std::shared_ptr<SessionServices> services_;
  // Starts a run unless one is under way; the check and the start are one
  // step, so a tap and an alert answer cannot start two runs.
  void startRunIfIdle();
  void endOfRun();
  void apply(const SyncRowUpdate& update);
  void languageChanged();

  std::shared_ptr<ui::ImageView> topBar_;
  std::shared_ptr<ui::Label> titleLabel_;
  std::shared_ptr<ui::View> syncMainView_;
  std::shared_ptr<ResourceUpdateView> resourceUpdateView_;
  std::shared_ptr<void> languageObservation_;
  // The run that follows a finished one, when a full sync was asked meanwhile.
  base::CancelTracker nextRun_;
  int imageType_ = 0;
  bool bViewHasLoad_ = false;
};

}  // namespace mv
