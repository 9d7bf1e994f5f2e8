#pragma once
// What the sync screen hears from the sync engine. Never owned by the engine.
#include <string>

namespace mv {

class SyncModelDelegate {
 public:
  virtual ~SyncModelDelegate() = default;

  // The application switched to the Sync tab because the service has new data.
  virtual void startSyncData() = 0;
  // The run stopped; `message` says why, for an alert.
  virtual void breakSync(const std::string& message) = 0;
  // An image kind (1 product images, 3 icons, 4 covers) had nothing to fetch.
  virtual void downloadimageFinished(int imageType) = 0;
  // The run ended with every part stored.
  virtual void finishedSync() = 0;
  // After `finishedSync`: files came as something other than themselves (a
  // page, bytes of another size) and were not kept; `message` names them.
  virtual void filesNotReceived(const std::string& /*message*/) {}
  // Progress of the image kind being fetched, 0 to 1, with the seconds left
  // (2147483647 while no estimate can be made).
  virtual void setProgress(float progress, int imageType, int remainTime) = 0;
  // The customer tables are stored.
  virtual void getCustomerFinished() = 0;
  // Nothing of the image phase has arrived for a while: the time left last
  // reported no longer holds, and none is known until the next progress.
  virtual void estimateWithdrawn() {}
  // The time left worked out again between progress reports, as bytes come
  // (2147483647: none can be told yet).
  virtual void remainTimeChanged(int /*seconds*/) {}
  // Before the image phase, the files of the rows a full sync changed are
  // removed: the share of them removed so far, 1 once done.
  virtual void setRemovalProgress(float) {}
  // Every file of an image kind has ended; the next kind starts once the
  // pause after a completed kind is over, which `imageKindPauseEnded` tells
  // with the kind that starts. They let the phase be timed without its pauses.
  virtual void imageKindCompleted(int /*imageType*/) {}
  virtual void imageKindPauseEnded(int /*nextImageType*/) {}
  // The session handler took over a reply of the run (expired session, locked
  // user or device) and has already told the user: the run is over and the
  // screen only resets, without an alert of its own.
  virtual void syncEndedBySession() {}
};

}  // namespace mv
