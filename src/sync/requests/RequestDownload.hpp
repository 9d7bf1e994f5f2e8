#pragma once
// Fetches files of one type from the file endpoint into the client's folder
// for that type (command 769). Each file travels on its own and comes back
// as its own result.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"

namespace gfx {
class ReadThroughBudget;
}

namespace mv {

class DownloadRst : public NetBaseRst {
 public:
  int fileId = 0;
  // The request's file type.
  int type = 0;
  int downloadId = 0;
  std::string fileName;
};

class RequestDownload : public RequestInterfaceBase {
 public:
  // Takes the next download id of the run.
  RequestDownload();
  // The download of a library file's document, reporting percentages, with
  // the size its listing gives.
  static std::shared_ptr<RequestDownload> forLibraryFile(const marvisto_library_files_Entity& file);

  std::vector<std::string> fileNameList;
  // The file type of every name (1 product images ... 11 the skin archive).
  int imgType = -1;
  // kProgressTypeBatch, kProgressTypeSingleWithPercent, or any other value
  // for a single file without percentages.
  int progressType = -1;
  // The caller's id for the file, copied to each result.
  int fileId = 0;
  int downloadId = 0;
  // The bytes the file's listing gives, the progress figure when the reply
  // gives no length, and the most it allows (both -1: the listing gives no size).
  std::int64_t listedBytes = -1;
  std::int64_t mostBytes = -1;
  // What the checks of its pictures' read-throughs draw on: the sync's,
  // shared by every download of the sync (none: each is bounded on its own).
  std::shared_ptr<gfx::ReadThroughBudget> checkBudget;
  // The files of other types its owner asks for once this download is over,
  // by type: the room a full disk is told the files need counts them.
  std::map<int, std::int64_t> filesToFollow;

  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
  // Carries the request's file id, type and download id and the carrier's
  // file name.
  std::shared_ptr<NetBaseRst> decodeOutcome(const RequestInfoBase& carrier) const override;

 private:
  std::shared_ptr<DownloadRst> decodeDownload(const base::Value* recData) const;
};

}  // namespace mv
