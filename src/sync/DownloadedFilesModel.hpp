#pragma once
// Which library files are on the device, as the backup lists them. The sales
// library implements it over its download manager and registers it with the
// session services; without it, the files on disk serve
// (StoreDownloadedFilesModel). Main thread only.
#include <memory>
#include <vector>

#include "platform/base/Value.hpp"

namespace mv {

class DownloadedFilesModel {
 public:
  virtual ~DownloadedFilesModel() = default;

  // One {"id": the file id as decimal text, "file_name": the name of the
  // published library file} per downloaded file; empty when none.
  virtual std::vector<base::Value> allExsitsFilesDic() = 0;

  // The current session's model, else the disk-backed one.
  static std::shared_ptr<DownloadedFilesModel> current();
};

}  // namespace mv
