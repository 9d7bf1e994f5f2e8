#pragma once
// Brings the user's last backup back: replaces the product favourites and
// compare list, the library favourites, the orders and the customers made on
// the device with the backup's, and hands back the library files that were on
// the device when it was made. One per session (a session service, made by the sync
// screens' wiring); it stops when the session ends. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "store/Entities.hpp"

namespace mv {

class LoginRst;
class NetBaseRst;

class RestoreManager;
class RestoreRst;

// The screen watching a restore. Every call is optional.
class RestoreManagerDelegate {
 public:
  virtual ~RestoreManagerDelegate() = default;
  // The local work is the backup's now. `downloadFileArray` lists the files
  // that were on the device; `type` is the library's type word of the file,
  // "" for a file no longer published.
  virtual void didSuccessRestoreWithMessage(RestoreManager& /*manager*/, const std::string& /*message*/,
                                            const std::vector<marvisto_library_files_Entity>& /*downloadFileArray*/) {}
  // Nothing on the device was changed.
  virtual void didFailedRestoreWithMessage(RestoreManager& /*manager*/, const std::string& /*message*/) {}
  // The restore ended with nothing changed and nothing to announce: it was
  // cancelled, or the session handler took its status (expired session,
  // locked user) and has told the user already.
  virtual void didStopRestore(RestoreManager& /*manager*/) {}
};

class RestoreManager {
 public:
  // How long the "RESTORING" box waits at most.
  static constexpr double kWaitTimeout = 5.0;

  RestoreManager() = default;

  // Starts a restore: signs in again first when the session is not online.
  // False (and nothing happens) while one is under way.
  bool startToRestore();
  // Closes the wait box, stops the restore's own requests (and no others)
  // and tells the delegate didStopRestore.
  void cancelRestore();

  bool isRestoring() const { return isRestoring_; }
  void setIsRestoring(bool restoring) { isRestoring_ = restoring; }
  std::shared_ptr<RestoreManagerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<RestoreManagerDelegate> delegate) { delegate_ = std::move(delegate); }

  RestoreManager(const RestoreManager&) = delete;
  RestoreManager& operator=(const RestoreManager&) = delete;

  // The session ends: a restore under way stops (its wait box closes), and
  // nothing more is heard.
  void sessionEnded();

 private:
  // Replaces the local work with the backup of a "200" reply, all in one
  // transaction: false, with every local row as it was, when anything could
  // not be stored. A list the reply does not carry leaves that part alone.
  static bool restoreLocalWork(const RestoreRst& backup);
  void sendSilentLogin();
  void requestToRestore();
  void loginReplied(const LoginRst& result);
  void restoreFinishWithRst(const RestoreRst& result);
  // A reply whose status ends the session (the shell tells the user): the
  // restore stops quietly. True when it did.
  bool endedBySession(const NetBaseRst& result);
  void closeWaitBox();
  void stopQuietly();
  void fail(const std::string& message);

  bool isRestoring_ = false;
  // The restore's request on its way: a reply reaches the manager only while
  // it holds it.
  base::CancelTracker run_;
  int waitBoxTag_ = 0;
  std::weak_ptr<RestoreManagerDelegate> delegate_;
};

}  // namespace mv
