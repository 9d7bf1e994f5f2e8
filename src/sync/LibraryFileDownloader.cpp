#include "sync/LibraryFileDownloader.hpp"

#include "sync/NetworkLibraryFileDownloader.hpp"

namespace mv {
namespace {

std::shared_ptr<LibraryFileDownloader>& installed() {
  static std::shared_ptr<LibraryFileDownloader> d;
  return d;
}

}  // namespace

std::shared_ptr<LibraryFileDownloader> LibraryFileDownloader::current() {
  if (installed()) return installed();
  static std::shared_ptr<LibraryFileDownloader> plain = std::make_shared<NetworkLibraryFileDownloader>();
  return plain;
}

void LibraryFileDownloader::install(std::shared_ptr<LibraryFileDownloader> downloader) {
  installed() = std::move(downloader);
}

}  // namespace mv
