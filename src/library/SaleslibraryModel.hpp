#pragma once
// The sales library's download manager, one per session (owned by the
// session's services): every screen that
// fetches a library file hands its request here. It knows which files are on
// the device, which are downloading or paused and how far each has come,
// tells its observers of progress and outcomes, and when a file arrives
// clears the file's pending update and tells the service. Nothing of it is
// stored. Each file name's transfer runs under its own tracker, so stopping
// one download stops only its request. Main thread only.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/CancelTracker.hpp"
#include "platform/base/Value.hpp"
#include "store/Entities.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestInfoBase.hpp"

namespace mv {

class DataAccessManager;
class LibraryDownloadObserver;
class RequestSender;
class SessionServices;

class SaleslibraryModel {
 public:
  // A file's download failed, posted once per file after its observers were
  // told (sender: the manager; user info {"file": its name, "message": why}).
  static constexpr const char* kDownloadFailedNotification = "LibraryDownloadFailed";

  explicit SaleslibraryModel(SessionServices& services);
  // The current session's manager (made on first use); null while nobody is
  // signed in.
  static std::shared_ptr<SaleslibraryModel> sharedInstance();
  // The session ends: every running transfer is cancelled.
  void sessionEnded();

  // The session's store, which the library screens read through the manager
  // they were made with.
  DataAccessManager& database() const { return *database_; }
  const std::shared_ptr<DataAccessManager>& databaseHandle() const { return database_; }

  // --- queries ---
  bool isExists(int fileId) const;
  bool isInDownloadList(const std::string& fileName) const;
  bool isInPauseList(const std::string& fileName) const;
  // The last reported share of that file, 0 when none was.
  float getDownloadPercentage(const std::string& fileName) const;
  // {"id": "%d", "file_name"} per present file that is still published.
  std::vector<base::Value> allExsitsFilesDic() const;
  const std::vector<std::string>& downloadFileNameArray() const { return downloadFileNameArray_; }
  const std::vector<std::string>& pauseFileArray() const { return pauseFileArray_; }
  const std::vector<int>& existsFiles() const { return existsFiles_; }
  const std::map<std::string, float>& downloadPercentageDic() const { return downloadPercentageDic_; }

  // --- commands ---
  // Present = its file is in the folder of its type, or the old version of a
  // pending update is still in the folder of the old type.
  void loadExistsFiles();
  // Starts the download of the request's names; answers its download id. A
  // name already downloading is not fetched twice: a request of only such
  // names starts nothing and answers the running download's id.
  int sendRequest(const std::shared_ptr<RequestDownload>& request);
  // The request for one library file as every screen builds it.
  static std::shared_ptr<RequestDownload> requestForFile(const marvisto_library_files_Entity& file);
  // Sends `requestForFile` when the file is neither present nor downloading,
  // or is paused; answers the download id, 0 when nothing was sent.
  int downloadFile(const marvisto_library_files_Entity& file);
  // Stops a running download and keeps its partial data for a resume.
  void pauseDownloadFile(const std::string& fileName);
  // Stops a running or paused download and discards its partial data.
  void cancelDownloadFile(const std::string& fileName);
  void removeExistsFiles(int fileId);
  // Cancels every running transfer; the lists stay as they are.
  void cancelAllUncompleteFiles();

  // Observers are never owned; one that is gone is skipped. Each is called
  // once per event, in registration order, after the manager updated itself.
  void addObserver(const std::shared_ptr<LibraryDownloadObserver>& observer);
  void removeObserver(const LibraryDownloadObserver* observer);

  ~SaleslibraryModel();
  SaleslibraryModel(const SaleslibraryModel&) = delete;
  SaleslibraryModel& operator=(const SaleslibraryModel&) = delete;

 private:
  // Sends the download of one name under that name's own tracker.
  void sendOne(const std::shared_ptr<RequestDownload>& request, const std::string& fileName);
  void downloadProgressed(const DownLoadRequestInfo& info);
  void downloadEnded(const DownloadRst& reply);
  void downloadEndedBySession(const std::string& fileName, const NetBaseRst& reply);
  // After a file arrived whole: the pending update goes (with the old
  // version's file) and the service is told.
  void downloadFileFinish(const std::string& fileName, int fileId, int type);
  void discardPartial(const std::string& fileName);
  void forgetName(const std::string& fileName);
  template <typename Call>
  void relay(Call call);

  std::shared_ptr<DataAccessManager> database_;
  std::shared_ptr<RequestSender> sender_;
  std::vector<std::string> downloadFileNameArray_;
  std::vector<std::string> pauseFileArray_;
  std::map<std::string, float> downloadPercentageDic_;
  std::vector<int> existsFiles_;
  std::vector<std::weak_ptr<LibraryDownloadObserver>> observers_;
  // Per name downloading: the download id it runs under. Per name sent at
  // all this session: its file type, where its partial data lies.
  std::map<std::string, int> runningIds_;
  std::map<std::string, int> types_;
  // Last, so they go first: what the manager has under way (per name
  // downloading, and the acknowledgements) is cancelled before the rest of
  // it goes.
  base::CancelTracker acknowledgements_;
  std::map<std::string, base::CancelTracker> transfers_;
};

}  // namespace mv
