#include "library/LibraryDownloads.hpp"

#include <cstdio>

#include "library/SaleslibraryModel.hpp"
#include "platform/base/Log.hpp"
#include "platform/base/MainThread.hpp"
#include "sync/DownloadedFileCheck.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {

LibraryDownloadCheck LibraryDownloads::check(LoginType loginType, bool isNotWifi) {
  if (loginType == LoginType::Demo) return LibraryDownloadCheck::DemoLimited;
  if (loginType == LoginType::Offline) return LibraryDownloadCheck::Offline;
  if (isNotWifi) return LibraryDownloadCheck::Cellular;
  return LibraryDownloadCheck::Go;
}

bool LibraryDownloads::fileCanBeDownloaded(const LibraryFileState& state) {
  return (!state.present && !state.downloading) || state.paused;
}

bool LibraryDownloads::fileCanBeUpdated(const LibraryFileState& state) { return state.pendingUpdate; }

double LibraryDownloads::getFileSize(const marvisto_library_files_Entity& file) {
  const auto listed = DownloadedFileCheck::listedSize(file);
  return listed ? listed->megabytes : 0;
}

LibraryDownloads::Summary LibraryDownloads::summarize(const std::vector<marvisto_library_files_Entity>& files,
                                                      const LibraryListModel::StateReader& reader, bool update) {
  Summary s;
  double total = 0;
  for (const auto& f : files) {
    const auto state = reader(f);
    if (!(update ? fileCanBeUpdated(state) : fileCanBeDownloaded(state))) continue;
    ++s.count;
    total += getFileSize(f);
  }
  s.size = total;
  s.messageKey = s.count == 1 ? "SINGLEFILENUMBERANDSIZE" : "FILENUMBERANDSIZE";
  s.message = formatCountAndSize(text(s.messageKey), s.count, s.size);
  return s;
}

std::string LibraryDownloads::formatCountAndSize(std::string_view pattern, std::size_t count, double size) {
  // The pattern comes from a string table: it is read, never handed to printf.
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '%' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    if (pattern[i + 1] == '%') {
      out += '%';
      ++i;
    } else if (pattern[i + 1] == 'd') {
      out += std::to_string(count);
      ++i;
    } else if (pattern[i + 1] == '@') {
      out += PublicFunction::sizeText(size);
      ++i;
    } else {
      int precision = 6;
      std::size_t j = i + 1;
      if (pattern[j] == '.' && j + 2 < pattern.size() && pattern[j + 1] >= '0' && pattern[j + 1] <= '9') {
        precision = pattern[j + 1] - '0';
        j += 2;
      }
      if (j < pattern.size() && pattern[j] == 'f') {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", precision, size);
        out += text;
        i = j;
      } else {
        out += '%';
      }
    }
  }
  return out;
}

std::size_t LibraryDownloads::startDownloadAll(SaleslibraryModel& manager,
                                               const std::vector<marvisto_library_files_Entity>& files,
                                               const LibraryListModel::StateReader& reader) {
  MV_ASSERT_MAIN_THREAD();
  std::size_t sent = 0;
  for (const auto& f : files) {
    if (!fileCanBeDownloaded(reader(f))) continue;
    const int downloadId = manager.sendRequest(SaleslibraryModel::requestForFile(f));
    MV_LOG("the downloadId is ", downloadId);
    ++sent;
  }
  return sent;
}

std::size_t LibraryDownloads::startUpdateAll(SaleslibraryModel& manager,
                                             const std::vector<marvisto_library_files_Entity>& files,
                                             const LibraryListModel::StateReader& reader) {
  MV_ASSERT_MAIN_THREAD();
  std::size_t sent = 0;
  for (const auto& f : files) {
    if (!fileCanBeUpdated(reader(f))) continue;
    const int downloadId = manager.sendRequest(SaleslibraryModel::requestForFile(f));
    MV_LOG("the downloadId is ", downloadId);
    ++sent;
  }
  return sent;
}

void LibraryDownloads::cancelAllDownloads(SaleslibraryModel& manager) {
  MV_ASSERT_MAIN_THREAD();
  // Copies: cancelling takes the names out of the lists.
  const auto running = manager.downloadFileNameArray();
  const auto paused = manager.pauseFileArray();
  for (const auto& name : running) manager.cancelDownloadFile(name);
  for (const auto& name : paused) manager.cancelDownloadFile(name);
}

}  // namespace mv
