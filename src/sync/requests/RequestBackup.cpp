#include "sync/requests/RequestBackup.hpp"

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestBody.hpp"

namespace mv {

RequestBackup::RequestBackup() {
  cmdCode = kCmdBackup;
  requestHead = "Backup;";
  methodName = "backupData";
}

std::optional<std::string> RequestBackup::RequestEncode() const {
  RequestBody body = makeBody();
  addSessionParameters(body);
  body.addElemValue(backupString, "syncData");
  return body.requestStr();
}

std::shared_ptr<NetBaseRst> RequestBackup::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<BackupRst>(recData);
  if (!result->isSuccess()) return result;
  if (const base::Value* content = contentObject(recData)) {
    result->lastBackupDate = dateOf(*content, "last_backup_date").value_or(0);
  }
  return result;
}

}  // namespace mv
