#include "sync/LibraryFileDownloader.hpp"

#include "platform/base/MainThread.hpp"
#include "sync/SessionServices.hpp"
#include "sync/NetworkLibraryFileDownloader.hpp"

namespace mv {

std::shared_ptr<LibraryFileDownloader> LibraryFileDownloader::current() {
  MV_ASSERT_MAIN_THREAD();
  if (auto services = SessionServices::current()) {
    if (auto registered = services->get<LibraryFileDownloader>()) return registered;
  }
  static std::shared_ptr<LibraryFileDownloader> plain = std::make_shared<NetworkLibraryFileDownloader>();
  return plain;
}

}  // namespace mv
