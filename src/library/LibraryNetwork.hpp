#pragma once
// What the library download manager needs of the network: sending a request
// and cancelling the transfers of a file name. The application uses the
// network model; tests put a recorder in its place.
#include <memory>
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class LibraryNetwork {
 public:
  virtual ~LibraryNetwork() = default;
  // A download answers its download id, a message its request code.
  virtual int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request) = 0;
  // Cancels the transfers of that file name; no result follows.
  virtual void cancelDownloadReuest(const std::string& fileName) = 0;

  // The network model of the process.
  static std::shared_ptr<LibraryNetwork> networkModel();
};

}  // namespace mv
