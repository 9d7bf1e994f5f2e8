#include "LibraryTestSupport.hpp"

#include <algorithm>
#include <fstream>

#include "SessionFixture.hpp"
#include "library/LibraryFeature.hpp"
#include "shell/config/ConfigManager.hpp"
#include "sync/requests/RequestDownloadFinish.hpp"
#include "sync/ReplyValues.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv::test {

void EventLog::finished(const DownloadRst& reply) {
  lines_->push_back(name_ + " result " + reply.fileName + " " + reply.status);
  if (onEvent) onEvent();
}

void EventLog::endedBySession(const std::string& fileName, const NetBaseRst& reply) {
  lines_->push_back(name_ + " ended " + fileName + " " + reply.status);
  if (onEvent) onEvent();
}

void EventLog::progressed(const DownLoadRequestInfo& info) {
  lines_->push_back(name_ + " percent " + info.fileName + " " + std::to_string(info.downloadPercent).substr(0, 4));
  if (onEvent) onEvent();
}

void LibraryTest::SetUp() {
  ProtocolTest::SetUp();
  ConfigManager::install(wiring.services);
  LibraryFeature::install(wiring);
  wiring.services.add<RequestSender>([fake = sender](SessionServices&) { return fake; });
  scope.emplace(Session::current(), wiring.services);
  services = scope->services();
  ASSERT_TRUE(services);
  manager = services->get<SaleslibraryModel>();
}

void LibraryTest::TearDown() {
  manager.reset();
  services.reset();
  scope.reset();
  ProtocolTest::TearDown();
}

void LibraryTest::save(const std::vector<marvisto_library_files_Entity>& files) {
  ASSERT_TRUE(store().saveToDatabaseLibraryFiles(files));
}

fs::path LibraryTest::putOnDisk(const std::string& fileName, const std::string& type, const std::string& bytes) {
  auto path = PublicFunction::filePathWithName(fileName, PublicFunction::getFileType(type));
  EXPECT_TRUE(path);
  if (!path) return {};
  std::error_code ec;
  fs::create_directories(path->parent_path(), ec);
  std::ofstream(*path, std::ios::binary) << bytes;
  return *path;
}

std::shared_ptr<DownloadRst> LibraryTest::completion(const RequestDownload& request, const std::string& status) {
  auto r = std::make_shared<DownloadRst>();
  r->cmdCode = kCmdDownload;
  r->requestCode = request.requestCode;
  r->status = status;
  r->message = messageForStatus(status);
  r->fileId = request.fileId;
  r->type = request.imgType;
  r->downloadId = request.downloadId;
  r->fileName = request.fileNameList.empty() ? std::string() : request.fileNameList.front();
  return r;
}

bool LibraryTest::progress(const std::string& fileName, float share) {
  const auto sent = downloads();
  for (auto it = sent.rbegin(); it != sent.rend(); ++it) {
    const auto& names = (*it)->fileNameList;
    if (std::find(names.begin(), names.end(), fileName) != names.end() && sender->isWaiting(*it)) {
      return sender->progress(*it, share);
    }
  }
  return false;
}

std::vector<std::shared_ptr<RequestDownload>> LibraryTest::downloads() const {
  std::vector<std::shared_ptr<RequestDownload>> out;
  for (const auto& r : sender->sent()) {
    if (auto d = std::dynamic_pointer_cast<RequestDownload>(r)) out.push_back(d);
  }
  return out;
}

std::vector<int> LibraryTest::acknowledged() const {
  std::vector<int> out;
  for (const auto& r : sender->sent()) {
    if (auto f = std::dynamic_pointer_cast<RequestDownloadFinish>(r)) out.push_back(f->fileId);
  }
  return out;
}

std::vector<std::string> LibraryTest::cancelled() const {
  std::vector<std::string> out;
  for (const auto& r : sender->cancelled()) {
    if (auto d = std::dynamic_pointer_cast<RequestDownload>(r)) {
      out.insert(out.end(), d->fileNameList.begin(), d->fileNameList.end());
    }
  }
  return out;
}

}  // namespace mv::test
