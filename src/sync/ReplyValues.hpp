#pragma once
// Reading the members of the service's rows. Replies are untrusted: a member of
// the wrong kind counts as absent, numbers may come as text and text as
// numbers, and nothing here fails.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Value.hpp"
#include "util/Json.hpp"

namespace mv {

class NetBaseRst;

// The integer of a member (number or leading integer of a text), clamped to
// the int range; 0 when absent.
int intOf(const base::Value& row, std::string_view key);
std::int64_t int64Of(const base::Value& row, std::string_view key);
double doubleOf(const base::Value& row, std::string_view key);
// Text as received, numbers as decimal text; "" when absent or null.
std::string textOf(const base::Value& row, std::string_view key);
// The same, but nothing when absent or null.
std::optional<std::string> optionalTextOf(const base::Value& row, std::string_view key);
// Seconds since 1970: a number, or a text that is a number and nothing else;
// absent otherwise.
std::optional<double> dateOf(const base::Value& row, std::string_view key);

// A row's key: an integral number or a text of digits (with an optional sign
// and surrounding blanks) that fits an int. Anything else is no key, so a row
// without a usable key is skipped instead of landing on row 0.
std::optional<int> idValue(const base::Value& value);
std::optional<int> idOf(const base::Value& row, std::string_view key);

// The same rules for one member's value as a reply is read in passing (a
// null value reads as an absent member).
int intOf(const JSONScalar& value);
double doubleOf(const JSONScalar& value);
std::string textOf(const JSONScalar& value);
std::optional<std::string> optionalTextOf(const JSONScalar& value);
std::optional<double> dateOf(const JSONScalar& value);
std::optional<int> idValue(const JSONScalar& value);

// Logs a skipped row of a reply (or `rows` of them, skipped for one reason).
void logSkippedRow(std::string_view table, std::string_view reason, std::size_t rows = 1);

// The text shown for a status: the language text of the status, else the text
// of "115", else "". Off the main thread, whose texts they are, "" (a reply
// decoded on a worker gets it when it is handed over).
std::string messageForStatus(const std::string& status);

// Texts that name the server ("host:port") a failure concerns.
inline constexpr const char* kServerNotReached = "SERVERNOTREACHED";
inline constexpr const char* kServerStoppedAnswering = "SERVERSTOPPEDANSWERING";
inline constexpr const char* kServerTooSlow = "SERVERTOOSLOW";
// Texts of a download that came back without its file: the service failed,
// the bytes were not the file, the file ran past its size, the server sends
// something other than files (each names the server, then the file or files).
inline constexpr const char* kFileServiceFailed = "FILESERVICEFAILED";
inline constexpr const char* kNotTheFile = "NOTTHEFILE";
inline constexpr const char* kFileTooLarge = "FILETOOLARGESENT";
inline constexpr const char* kFileLargerThanListed = "FILELARGERTHANLISTED";
inline constexpr const char* kFileCutShort = "FILECUTSHORT";
inline constexpr const char* kServerSendsNoFiles = "SERVERSENDSPAGES";
// The text of downloads stopped for want of room on the device, the one
// that says how much more room the files need, and the one that says about
// how much, when the sizes of some of them were judged from others.
inline constexpr const char* kNoRoomForFiles = "DOWNLOADNOROOM";
inline constexpr const char* kNoRoomForFilesNeeding = "DOWNLOADNOROOMNEEDS";
inline constexpr const char* kNoRoomForFilesNeedingAbout = "DOWNLOADNOROOMNEEDSABOUT";
// The detail of a stop for want of room: the bytes the files need beyond
// the room left, marked when they are an estimate.
std::string noRoomDetail(std::int64_t bytes, bool estimated);
// The text of downloads stopped for want of room, from the stop's detail
// (none: the room the files need is not known).
std::string noRoomText(const std::string& detail);
// The text of a reply too large for the device to keep (it names nothing).
inline constexpr const char* kReplyTooLargeForDevice = "REPLYTOOLARGE";
// The key of the text for a download failure of that reason (`httpRsp`);
// nothing for a reason told otherwise.
const char* downloadFailureKey(int httpRsp);
// File names for a message: "a.jpg, b.jpg", the first few of a long list
// and how many more.
std::string fileNamesText(const std::vector<std::string>& names);
// The text of `key` with its "%@" placeholders filled with `values` in
// turn; the first value alone when the key has no text.
std::string textFilledWith(const std::string& key, std::initializer_list<std::string_view> values);
// The text of `key` with the server in its first placeholder and `named`
// (when given) in its second.
std::string messageNamingServer(const std::string& key, const std::string& server, const std::string& named = {});

// Turns a "200" whose content cannot be read into the failure a reply without
// status gives ("115"), so that no receiver takes it for an empty success.
void markMalformedReply(NetBaseRst& result, std::string_view what);

// The object rows of `rows` (an array, or null for none) made into records by
// `make`, which answers nothing for a row it cannot use; nothing at all when
// `rows` is not an array, so an absent table stays apart from an empty one.
// Each element left out adds one to `*leftOut` when given.
template <typename Row, typename Make>
std::optional<std::vector<Row>> rowsOf(const base::Value* rows, std::string_view table, Make make,
                                       std::size_t* leftOut = nullptr) {
  if (!rows || !rows->is_array()) return std::nullopt;
  std::vector<Row> out;
  out.reserve(rows->size());
  for (const base::Value& row : *rows) {
    std::optional<Row> record;
    if (!row.is_object()) {
      logSkippedRow(table, "not an object");
    } else {
      record = make(row);
    }
    if (record) {
      out.push_back(std::move(*record));
    } else if (leftOut) {
      ++*leftOut;
    }
  }
  return out;
}

// A table reply with a row that cannot be read is a damaged reply: storing
// the rest and calling it synced would lose that row for good, as the next
// sync asks only for what changed since. Marks `result` malformed then. Rows
// read whole and left out by rule (ids that only the device gives) do not
// count.
void markMalformedWhenRowsUnreadable(NetBaseRst& result, std::size_t unreadable);

// The element at `index` of a positional reply, when there is one.
inline const base::Value* elementAt(const base::Value& content, std::size_t index) {
  return content.is_array() && index < content.size() ? &content[index] : nullptr;
}

}  // namespace mv
