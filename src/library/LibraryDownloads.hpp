#pragma once
// Downloads started from a library grid: which files qualify, their sizes
// and the question before a bulk download, the checks of the session and the
// network before any download, and the bulk loops over the files shown.
// Main thread only.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "library/LibraryListModel.hpp"
#include "shell/frame/DemoLimitAlert.hpp"
#include "util/Session.hpp"

namespace mv {

class SaleslibraryModel;

enum class LibraryDownloadCheck {
  Go,
  DemoLimited,  // the demo account may not download: `DemoLimitAlert`
  Offline,      // alert 1001 with the text of "999"
  Cellular,     // ask first: 1004 one file, 1005 download all, 1006 update all
};

class LibraryDownloads {
 public:
  static constexpr int kDemoAlertTag = static_cast<int>(DemoLimitAlert::kTag);
  static constexpr int kFailureAlertTag = 1001;
  static constexpr int kDownloadAllAlertTag = 1002;
  static constexpr int kUpdateAllAlertTag = 1003;
  static constexpr int kCellularOneFileTag = 1004;
  static constexpr int kCellularDownloadAllTag = 1005;
  static constexpr int kCellularUpdateAllTag = 1006;
  static constexpr int kCancelAllTag = 1007;

  // Demo first, then offline, then cellular.
  static LibraryDownloadCheck check(LoginType loginType, bool isNotWifi);

  // Neither on the device nor downloading, or paused.
  static bool fileCanBeDownloaded(const LibraryFileState& state);
  static bool fileCanBeUpdated(const LibraryFileState& state);
  // Megabytes from the file's info ("PDF/2.5 M"); 0 without a size.
  static double getFileSize(const marvisto_library_files_Entity& file);

  // The question before a bulk download.
  struct Summary {
    std::size_t count = 0;
    // The sum of the sizes in megabytes.
    double size = 0;
    std::string messageKey;  // "SINGLEFILENUMBERANDSIZE" for one file, else "FILENUMBERANDSIZE"
    std::string message;     // its text with the count and size put in
  };
  static Summary summarize(const std::vector<marvisto_library_files_Entity>& files,
                           const LibraryListModel::StateReader& reader, bool update);
  // Puts the count in the pattern's "%d" and the size in its "%@" (as
  // `PublicFunction::sizeText`) or "%f" (with its precision, as "%.1f"); "%%" is "%";
  // anything else stays as written.
  static std::string formatCountAndSize(std::string_view pattern, std::size_t count, double size);

  // One request per qualifying file, in list order (paused files resume);
  // answers how many were sent.
  static std::size_t startDownloadAll(SaleslibraryModel& manager,
                                      const std::vector<marvisto_library_files_Entity>& files,
                                      const LibraryListModel::StateReader& reader);
  // One request per file with a pending update. The pending updates stay
  // until each new version has arrived.
  static std::size_t startUpdateAll(SaleslibraryModel& manager, const std::vector<marvisto_library_files_Entity>& files,
                                    const LibraryListModel::StateReader& reader);
  // Cancels every download and pause the manager holds, wherever it was
  // started, with its partial data.
  static void cancelAllDownloads(SaleslibraryModel& manager);
};

}  // namespace mv
