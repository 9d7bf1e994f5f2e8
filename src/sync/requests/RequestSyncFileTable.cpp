#include "sync/requests/RequestSyncFileTable.hpp"

#include "sync/ReplyValues.hpp"
#include "util/Json.hpp"
#include "util/Session.hpp"
#include "util/Text.hpp"

namespace mv {
namespace {

// "1,2" gives "1" and "2"; blanks around the ids and empty pieces are
// dropped, and a piece that is not an id is skipped.
std::vector<std::string> changedIds(const std::string& keyIDS) {
  std::vector<std::string> ids;
  std::size_t start = 0;
  while (start <= keyIDS.size()) {
    std::size_t comma = keyIDS.find(',', start);
    if (comma == std::string::npos) comma = keyIDS.size();
    std::string piece = trimWhitespaceAndNewlines(std::string_view(keyIDS).substr(start, comma - start));
    if (!piece.empty()) {
      if (idValue(base::Value(piece))) {
        ids.push_back(piece);
      } else {
        logSkippedRow("changed file ids", "not an id");
      }
    }
    start = comma + 1;
  }
  return ids;
}

}  // namespace

RequestSyncFileTable::RequestSyncFileTable()
    : SyncTableRequest(kCmdSyncFileTable, "file"), sessionId(Session::current().sessionId) {}

std::optional<std::string> RequestSyncFileTable::RequestEncode() const { return encodeTable(sessionId); }

std::shared_ptr<NetBaseRst> RequestSyncFileTable::RequestDecode(const base::Value* recData) const {
  auto result = makeResult<SyncFileTableRst>(recData);
  result->isFull = isFull;
  if (!result->isSuccess()) return result;
  const base::Value* content = contentArray(recData);
  if (!content) {
    markMalformedReply(*result, "no content list");
    return result;
  }
  std::size_t leftOut = 0;
  result->libFileTable = rowsOf<marvisto_library_files_Entity>(
      elementAt(*content, 0), "library files",
      [](const base::Value& row) -> std::optional<marvisto_library_files_Entity> {
        auto id = idOf(row, "id");
        if (!id) {
          logSkippedRow("library files", "no usable \"id\"");
          return std::nullopt;
        }
        marvisto_library_files_Entity e;
        e.file_id = *id;
        e.title = textOf(row, "title");
        e.file_name = textOf(row, "fileName");
        e.category = intOf(row, "category");
        e.type = textOf(row, "type");
        e.date = textOf(row, "date");
        e.description = textOf(row, "description");
        e.ordering = intOf(row, "ordering");
        e.published = intOf(row, "publish");
        e.cover_image = textOf(row, "coverImage");
        e.info = textOf(row, "info");
        return e;
      },
      &leftOut);
  result->libCategoryTable = rowsOf<marvisto_library_category_Entity>(
      elementAt(*content, 1), "library categories",
      [](const base::Value& row) -> std::optional<marvisto_library_category_Entity> {
        auto id = idOf(row, "cateID");
        if (!id) {
          logSkippedRow("library categories", "no usable \"cateID\"");
          return std::nullopt;
        }
        marvisto_library_category_Entity e;
        e.categoryID = *id;
        e.name = textOf(row, "cateName");
        e.ordering = intOf(row, "cateOrdering");
        e.published = intOf(row, "catePublished");
        e.parent_id = intOf(row, "parentId");
        return e;
      },
      &leftOut);
  if (const base::Value* changes = elementAt(*content, 2); changes && changes->is_object()) {
    auto keyIDS = optionalTextOf(*changes, "keyIDS");
    result->libFileUpdateTable = keyIDS ? changedIds(*keyIDS) : std::vector<std::string>();
  }
  markMalformedWhenRowsUnreadable(*result, leftOut);
  if (!result->isSuccess()) {
    result->libFileTable.reset();
    result->libCategoryTable.reset();
    result->libFileUpdateTable.reset();
  }
  return result;
}

}  // namespace mv
