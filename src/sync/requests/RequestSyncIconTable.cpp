#include "sync/requests/RequestSyncIconTable.hpp"

#include "sync/ReplyValues.hpp"
#include "util/Session.hpp"

namespace mv {

RequestSyncIconTable::RequestSyncIconTable() : SyncTableRequest(kCmdSyncIconTable, "icon") {}

std::optional<std::string> RequestSyncIconTable::RequestEncode() const {
  return encodeTable(Session::current().sessionId);
}

std::shared_ptr<NetBaseRst> RequestSyncIconTable::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<SyncIconTableRst>(recData);
  if (!result->isSuccess()) return result;
  const base::Value* content = contentArray(recData);
  if (!content) {
    markMalformedReply(*result, "no content list");
    return result;
  }
  result->iconTable = rowsOf<marvisto_icon_Entity>(
      content, "icons", [](const base::Value& row) -> std::optional<marvisto_icon_Entity> {
        auto id = idOf(row, "iconID");
        if (!id) {
          logSkippedRow("icons", "no usable \"iconID\"");
          return std::nullopt;
        }
        marvisto_icon_Entity e;
        e._id = *id;
        e.title = textOf(row, "iconTitle");
        e.name = textOf(row, "iconName");
        e.width = intOf(row, "iconWidth");
        e.height = intOf(row, "iconHeight");
        e.description = textOf(row, "iconDesc");
        e.category = textOf(row, "iconCategory");
        e.publish = intOf(row, "iconPublish");
        return e;
      });
  return result;
}

}  // namespace mv
