#pragma once
// Stores the user's own work on the service (command 521).
#include <string>

#include "sync/requests/RequestInterfaceBase.hpp"

namespace mv {

class BackupRst : public NetBaseRst {
 public:
  // When the service stored the backup, seconds since 1970; 0 when the reply
  // does not say.
  double lastBackupDate = 0;
};

class RequestBackup : public RequestInterfaceBase {
 public:
  RequestBackup();

  // The backup document as JSON text; sent as "syncData".
  std::string backupString;

  std::optional<std::string> RequestEncode() const override;
  std::shared_ptr<NetBaseRst> RequestDecode(const base::Value* recData) const override;
};

}  // namespace mv
