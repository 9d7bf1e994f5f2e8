#pragma once
// Fixtures of the library tests: a signed-in client with its own database,
// the session's download manager on a recording network, and helpers that
// put library rows in the store and files on disk.
#include <memory>
#include <string>
#include <vector>

#include "SyncTestSupport.hpp"
#include "library/LibraryNetwork.hpp"
#include "library/SaleslibraryModel.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "store/DataAccessManager.hpp"
#include "sync/NetworkRecDelegate.hpp"
#include "sync/requests/RequestInfoBase.hpp"

namespace mv::test {

// Records what the manager sends and cancels; nothing travels.
class FakeLibraryNetwork : public LibraryNetwork {
 public:
  std::vector<std::shared_ptr<RequestInterfaceBase>> sent;
  std::vector<std::string> cancelled;

  int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request) override;
  void cancelDownloadReuest(const std::string& fileName) override { cancelled.push_back(fileName); }

  std::vector<std::shared_ptr<RequestDownload>> downloads() const;
  // The file ids of the acknowledgements sent.
  std::vector<int> acknowledged() const;

 private:
  int nextCode_ = 100;
};

// Writes one line per event it hears.
class EventLog : public NetworkRecDelegate {
 public:
  explicit EventLog(std::string name, std::vector<std::string>* lines) : name_(std::move(name)), lines_(lines) {}
  void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& result) override;
  void ReciveDownloadPercent(const DownLoadRequestInfo& info) override;
  std::function<void()> onEvent;

 private:
  std::string name_;
  std::vector<std::string>* lines_;
};

marvisto_library_files_Entity libraryFile(int id, const std::string& title, const std::string& fileName,
                                          const std::string& type, int category = 0);

class LibraryTest : public ProtocolTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  DataAccessManager& store() { return *DataAccessManager::sharedDataModel(); }
  void save(const std::vector<marvisto_library_files_Entity>& files);
  // Writes a file of that name in the folder of the type word; its path.
  std::filesystem::path putOnDisk(const std::string& fileName, const std::string& type,
                                  const std::string& bytes = "bytes");
  // The completion of a download the manager sent.
  static std::shared_ptr<DownloadRst> completion(const RequestDownload& request, const std::string& status);
  static DownLoadRequestInfo progress(const std::string& fileName, float share);

  // The library feature installed, and the session's services made from it.
  FeatureWiring wiring;
  std::shared_ptr<SessionServices> services;
  std::shared_ptr<SaleslibraryModel> manager;
  std::shared_ptr<FakeLibraryNetwork> network;
};

}  // namespace mv::test
