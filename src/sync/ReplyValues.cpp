#include "sync/ReplyValues.hpp"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "sync/CommandCode.hpp"
#include "sync/NetBaseRst.hpp"
#include "util/Json.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

int clampToInt(std::int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

std::string_view trimmed(std::string_view text) {
  const char* blanks = " \t\r\n";
  auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

int intOf(const JSONScalar& value) { return clampToInt(intValue(value)); }

double doubleOf(const JSONScalar& value) { return doubleValue(value); }

std::string textOf(const JSONScalar& value) { return stringValue(value); }

std::optional<std::string> optionalTextOf(const JSONScalar& value) { return optionalString(value); }

std::optional<double> dateOf(const JSONScalar& value) { return exactNumber(value); }

std::optional<int> idValue(const JSONScalar& value) {
  switch (value.kind) {
    case JSONScalar::Kind::integer:
      if (value.integer > std::numeric_limits<int>::max() || value.integer < std::numeric_limits<int>::min()) {
        return std::nullopt;
      }
      return static_cast<int>(value.integer);
    case JSONScalar::Kind::unsignedInteger:
      if (value.unsignedInteger > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) return std::nullopt;
      return static_cast<int>(value.unsignedInteger);
    case JSONScalar::Kind::real: {
      const double d = value.real;
      if (!std::isfinite(d) || d != std::trunc(d) || d > std::numeric_limits<int>::max() ||
          d < std::numeric_limits<int>::min()) {
        return std::nullopt;
      }
      return static_cast<int>(d);
    }
    case JSONScalar::Kind::text: {
      std::string_view text = trimmed(value.text);
      if (!text.empty() && text.front() == '+') text.remove_prefix(1);
      if (text.empty()) return std::nullopt;
      int result = 0;
      auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
      if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
      return result;
    }
    default:
      return std::nullopt;
  }
}

// A member that is absent reads like a null one.
int intOf(const base::Value& row, std::string_view key) {
  const base::Value* v = member(row, key);
  return v ? intOf(scalarOf(*v)) : 0;
}

std::int64_t int64Of(const base::Value& row, std::string_view key) { return intValue(member(row, key)); }

double doubleOf(const base::Value& row, std::string_view key) { return doubleValue(member(row, key)); }

std::string textOf(const base::Value& row, std::string_view key) { return stringValue(member(row, key)); }

std::optional<std::string> optionalTextOf(const base::Value& row, std::string_view key) {
  return optionalString(member(row, key));
}

std::optional<double> dateOf(const base::Value& row, std::string_view key) {
  const base::Value* v = member(row, key);
  return v ? dateOf(scalarOf(*v)) : std::nullopt;
}

std::optional<int> idValue(const base::Value& value) { return idValue(scalarOf(value)); }

std::optional<int> idOf(const base::Value& row, std::string_view key) {
  const base::Value* v = member(row, key);
  if (!v) return std::nullopt;
  return idValue(*v);
}

void logSkippedRow(std::string_view table, std::string_view reason, std::size_t rows) {
  if (rows == 1) {
    MV_LOG("reply row of ", table, " skipped: ", reason);
  } else {
    MV_LOG(rows, " reply rows of ", table, " skipped: ", reason);
  }
}

std::string messageForStatus(const std::string& status) {
  // The texts are the main thread's: a reply decoded on a worker gets its
  // message when the main thread hands it over.
  if (!base::RunLoop::main().isMainThread()) return std::string();
  if (auto text = textForKey(status)) return *text;
  return text(kStatusNoStatus);
}

namespace {

// `pattern` with its "%@" placeholders filled in turn; what is filled in is
// never read for a placeholder of its own.
std::string filled(std::string pattern, std::initializer_list<std::string_view> values) {
  std::size_t from = 0;
  for (std::string_view value : values) {
    const auto at = pattern.find("%@", from);
    if (at == std::string::npos) break;
    pattern.replace(at, 2, value);
    from = at + value.size();
  }
  return pattern;
}

}  // namespace

std::string fileNamesText(const std::vector<std::string>& names) {
  constexpr std::size_t kNamed = 5;
  std::string out;
  for (std::size_t i = 0; i < names.size() && i < kNamed; ++i) {
    if (i > 0) out += ", ";
    out += names[i];
  }
  if (names.size() <= kNamed) return out;
  const std::string more = std::to_string(names.size() - kNamed);
  const auto pattern = textForKey("FILESANDMORE");
  return pattern ? filled(*pattern, {out, more}) : out + ", +" + more;
}

const char* downloadFailureKey(int httpRsp) {
  switch (httpRsp) {
    case kHttpRspServiceFailed: return kFileServiceFailed;
    case kHttpRspNotTheFile: return kNotTheFile;
    case kHttpRspFileTooLarge: return kFileTooLarge;
    case kHttpRspLargerThanListed: return kFileLargerThanListed;
    case kHttpRspFileCutShort: return kFileCutShort;
    case kHttpRspEndpointSendsNoFiles: return kServerSendsNoFiles;
    case kHttpRspNoRoom: return kNoRoomForFiles;
    default: return nullptr;
  }
}

namespace {
// Marks the bytes of a stop's detail as an estimate.
constexpr char kEstimateMark = '~';
}  // namespace

std::string noRoomDetail(std::int64_t bytes, bool estimated) {
  if (bytes <= 0) return {};
  return estimated ? kEstimateMark + std::to_string(bytes) : std::to_string(bytes);
}

std::string noRoomText(const std::string& detail) {
  std::string_view figure = detail;
  const bool estimated = !figure.empty() && figure.front() == kEstimateMark;
  if (estimated) figure.remove_prefix(1);
  std::int64_t bytes = 0;
  const auto [end, ec] = std::from_chars(figure.data(), figure.data() + figure.size(), bytes);
  if (ec != std::errc() || end != figure.data() + figure.size() || bytes <= 0) return text(kNoRoomForFiles);
  return textFilledWith(estimated ? kNoRoomForFilesNeedingAbout : kNoRoomForFilesNeeding,
                        {PublicFunction::sizeText(static_cast<double>(bytes) / 1048576.0)});
}

std::string textFilledWith(const std::string& key, std::initializer_list<std::string_view> values) {
  if (const auto pattern = textForKey(key)) return filled(*pattern, values);
  return values.size() > 0 ? std::string(*values.begin()) : std::string();
}

std::string messageNamingServer(const std::string& key, const std::string& server, const std::string& named) {
  return textFilledWith(key, {server, named});
}

void markMalformedReply(NetBaseRst& result, std::string_view what) {
  MV_LOG("reply of command ", result.cmdCode, " has status 200 but ", what, "; taken as a failure");
  result.status = kStatusNoStatus;
  result.message = messageForStatus(kStatusNoStatus);
}

void markMalformedWhenRowsUnreadable(NetBaseRst& result, std::size_t unreadable) {
  if (unreadable > 0) markMalformedReply(result, std::to_string(unreadable) + " rows unreadable");
}

}  // namespace mv
