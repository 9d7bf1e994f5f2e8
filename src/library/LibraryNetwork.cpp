#include "library/LibraryNetwork.hpp"

#include "sync/NetworkModel.hpp"

namespace mv {
namespace {

class NetworkModelLibraryNetwork : public LibraryNetwork {
 public:
  int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request) override {
    return NetworkModel::sharedInstance().sendRequest(request);
  }
  void cancelDownloadReuest(const std::string& fileName) override {
    NetworkModel::sharedInstance().cancelDownloadReuest(fileName);
  }
};

}  // namespace

std::shared_ptr<LibraryNetwork> LibraryNetwork::networkModel() {
  static auto network = std::make_shared<NetworkModelLibraryNetwork>();
  return network;
}

}  // namespace mv
