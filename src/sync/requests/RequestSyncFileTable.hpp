#pragma once
// The sales library's tables: files, categories and the ids of changed files
// (command 515).
#include <optional>
#include <string>
#include <vector>

#include "store/Entities.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

// Each table is absent when the reply did not carry it and present, possibly
// empty, when it did.
class SyncFileTableRst : public NetBaseRst {
 public:
  std::optional<std::vector<marvisto_library_files_Entity>> libFileTable;
  std::optional<std::vector<marvisto_library_category_Entity>> libCategoryTable;
  // Ids (as text) of files whose document changed.
  std::optional<std::vector<std::string>> libFileUpdateTable;
  // The request's "isFull", whatever the status.
  std::string isFull;
};

class RequestSyncFileTable : public SyncTableRequest {
 public:
  // Takes the session id from the session; asks for the "file" part.
  RequestSyncFileTable();

  std::string sessionId;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
