#pragma once
// The published library files whose file is in the client's folder for its
// type; a file with a pending update counts while its old file is there.
#include "sync/DownloadedFilesModel.hpp"

namespace mv {

class StoreDownloadedFilesModel : public DownloadedFilesModel {
 public:
  std::vector<base::Value> allExsitsFilesDic() override;
};

}  // namespace mv
