#pragma once
// The icon table (command 514). The application takes its icons from the
// template database and does not send this request; it is kept complete so
// the protocol is.
#include <optional>
#include <vector>

#include "store/Entities.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

class SyncIconTableRst : public NetBaseRst {
 public:
  std::optional<std::vector<marvisto_icon_Entity>> iconTable;
};

class RequestSyncIconTable : public SyncTableRequest {
 public:
  // Asks for the "icon" part; the session id is read when the body is written.
  RequestSyncIconTable();

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
