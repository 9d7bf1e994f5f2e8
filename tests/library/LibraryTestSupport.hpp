#pragma once
// Fixtures of the library tests: a signed-in client with its own database,
// the session's download manager sending through the fake request sender,
// and helpers that put library rows in the store and files on disk and
// answer what the manager sent.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EntityBuilders.hpp"
#include "FakeRequestSender.hpp"
#include "SessionScope.hpp"
#include "StoreAccess.hpp"
#include "SyncTestSupport.hpp"
#include "library/SaleslibraryModel.hpp"
#include "shell/frame/FeatureWiring.hpp"
#include "store/DataAccessManager.hpp"
#include "library/LibraryDownloadObserver.hpp"
#include "sync/requests/RequestInfoBase.hpp"

namespace mv::test {

// Writes one line per event it hears.
class EventLog : public LibraryDownloadObserver {
 public:
  explicit EventLog(std::string name, std::vector<std::string>* lines) : name_(std::move(name)), lines_(lines) {}
  void finished(const DownloadRst& reply) override;
  void progressed(const DownLoadRequestInfo& info) override;
  void endedBySession(const std::string& fileName, const NetBaseRst& reply) override;
  std::function<void()> onEvent;

 private:
  std::string name_;
  std::vector<std::string>* lines_;
};

class LibraryTest : public ProtocolTest, protected StoreAccess {
 protected:
  void SetUp() override;
  void TearDown() override;

  DataAccessManager& store() { return dam(); }
  void save(const std::vector<marvisto_library_files_Entity>& files);
  // Writes a file of that name in the folder of the type word; its path.
  std::filesystem::path putOnDisk(const std::string& fileName, const std::string& type,
                                  const std::string& bytes = "bytes");
  // The completion of a download the manager sent, addressed to it.
  static std::shared_ptr<DownloadRst> completion(const RequestDownload& request, const std::string& status);
  // The transport's report of `share` of the running download of that name;
  // false when none runs.
  bool progress(const std::string& fileName, float share);

  // What the manager sent: its downloads, the file ids it acknowledged, and
  // the names of the downloads it cancelled, each in order.
  std::vector<std::shared_ptr<RequestDownload>> downloads() const;
  std::vector<int> acknowledged() const;
  std::vector<std::string> cancelled() const;

  // The library feature installed, and the session's services made from it.
  FeatureWiring wiring;
  // The signed-in session, ended in TearDown whatever the test left.
  std::optional<SessionScope> scope;
  std::shared_ptr<SessionServices> services;
  std::shared_ptr<SaleslibraryModel> manager;
  std::shared_ptr<FakeRequestSender> sender = std::make_shared<FakeRequestSender>();
};

}  // namespace mv::test
