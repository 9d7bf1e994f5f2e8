#include "transport/Transfer.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/RequestError.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (auto& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::int64_t> parseCount(std::string_view s) {
  s = trim(s);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || value < 0) return std::nullopt;
  return value;
}

// "bytes 100-199/200" or "bytes */200"; start and end are -1 for the second
// form, total is -1 for "bytes 100-199/*".
struct ContentRange {
  std::int64_t start = -1;
  std::int64_t end = -1;
  std::int64_t total = -1;
};

std::optional<ContentRange> parseContentRange(std::string_view v) {
  v = trim(v);
  if (v.size() < 6 || lower(v.substr(0, 6)) != "bytes ") return std::nullopt;
  v = trim(v.substr(6));
  auto slash = v.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  ContentRange range;
  std::string_view span = v.substr(0, slash);
  std::string_view total = v.substr(slash + 1);
  if (trim(total) != "*") {
    auto t = parseCount(total);
    if (!t) return std::nullopt;
    range.total = *t;
  }
  if (trim(span) != "*") {
    auto dash = span.find('-');
    if (dash == std::string_view::npos) return std::nullopt;
    auto start = parseCount(span.substr(0, dash));
    auto end = parseCount(span.substr(dash + 1));
    if (!start || !end || *end < *start) return std::nullopt;
    range.start = *start;
    range.end = *end;
  }
  return range;
}

struct ResumeRecord {
  std::string validator;
  std::int64_t total = -1;
};

std::optional<ResumeRecord> readResumeRecord(const fs::path& path) {
  std::ifstream in(path);
  ResumeRecord record;
  std::string total;
  if (!std::getline(in, record.validator) || !std::getline(in, total)) return std::nullopt;
  if (trim(total) != "-1") {
    auto n = parseCount(total);
    if (!n) return std::nullopt;
    record.total = *n;
  }
  return record;
}

// What identifies the file a reply carries, for If-Range: a strong ETag, else
// the modification time.
std::string validatorOf(const HeaderMap& headers) {
  if (auto it = headers.find("ETag"); it != headers.end() && it->second.rfind("W/", 0) != 0) return it->second;
  if (auto it = headers.find("Last-Modified"); it != headers.end()) return it->second;
  return {};
}

bool hasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// Whether an Accept-Encoding value lists `coding`.
bool listsEncoding(std::string_view accepted, std::string_view coding) {
  while (!accepted.empty()) {
    const auto comma = accepted.find(',');
    const std::string_view item = accepted.substr(0, comma);
    accepted = comma == std::string_view::npos ? std::string_view() : accepted.substr(comma + 1);
    if (lower(trim(item.substr(0, item.find(';')))) == coding) return true;
  }
  return false;
}

std::string formEncode(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::atomic<std::uint64_t> gBytesMoved{0};

}  // namespace

std::uint64_t Transfer::bytesMoved() { return gBytesMoved.load(); }

TransferSetup Transfer::withTemporary(TransferSetup spec) {
  // Without a temporary path the download still never writes its destination
  // before it is whole.
  if (!spec.destination.empty() && spec.temporary.empty()) {
    spec.temporary = spec.destination;
    spec.temporary += ".download";
  }
  return spec;
}

Transfer::Transfer(TransferSetup spec, std::weak_ptr<TransferObserver> observer)
    : spec_(withTemporary(std::move(spec))),
      observer_(std::move(observer)),
      body_(isDownload() ? spec_.temporary : spec_.spillFile, isDownload(), spec_.bodyLimit, spec_.fileLimit,
            spec_.spillStoreShare) {}

fs::path Transfer::resumeRecordPath(const fs::path& temporary) {
  if (temporary.empty()) return {};
  return temporary.parent_path() / ("." + temporary.filename().string() + ".resume");
}

Transfer::~Transfer() { releaseHandle(); }

void Transfer::retire() {
  releaseHandle();
  body_.release();
  headers_.clear();
  moved_.clear();
  moved_.shrink_to_fit();
  inflater_.end();
}

void Transfer::releaseHandle() {
  if (easy_) pool_->give(easy_);
  easy_ = nullptr;
  if (mime_) curl_mime_free(mime_);
  mime_ = nullptr;
  if (headerList_) curl_slist_free_all(headerList_);
  headerList_ = nullptr;
}

bool Transfer::prepare(CURLSH* share, EasyHandlePool& pool) {
  releaseHandle();
  body_.flushHeld();
  body_.closeFile();
  partialOnDisk_ = 0;
  recordValidator_.clear();
  recordTotal_ = -1;
  rangeSent_ = false;
  rangeRefused_ = false;
  partialWasWhole_ = false;
  recordToWrite_.reset();
  body_.clearFault();
  errorBuffer_[0] = '\0';
  beginResponse(0);
  touch();
  lastDl_ = lastUl_ = 0;
  moved_.clear();

  pool_ = &pool;
  easy_ = pool.take();
  if (!easy_) return false;
  CURL* h = easy_;
  curl_easy_setopt(h, CURLOPT_PRIVATE, this);
  curl_easy_setopt(h, CURLOPT_URL, spec_.url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, spec_.followsRedirects ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  if (!spec_.reuseConnection) {
    curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  }
  // A time-out of a day or more (or infinity) means no connect limit; the
  // conversion to milliseconds would overflow otherwise.
  if (spec_.timeOutSeconds > 0 && spec_.timeOutSeconds < 86400) {
    long ms = static_cast<long>(spec_.timeOutSeconds * 1000);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, ms > 0 ? ms : 1L);
    if (spec_.lowSpeedBytesPerSecond > 0) {
      // The library counts the slow period in whole seconds.
      const long seconds = static_cast<long>(std::ceil(spec_.timeOutSeconds));
      curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, spec_.lowSpeedBytesPerSecond);
      curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, seconds > 0 ? seconds : 1L);
    }
  }
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, spec_.validatesSecureCertificate ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, spec_.validatesSecureCertificate ? 2L : 0L);
  if (!spec_.certificateAuthorities.empty())
    curl_easy_setopt(h, CURLOPT_CAINFO, spec_.certificateAuthorities.c_str());
  if (!spec_.userAgent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, spec_.userAgent.c_str());
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  // Large reads: a catalogue reply runs to tens of megabytes, and every read
  // costs a call and a progress report.
  curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Transfer::onWrite);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  if (!spec_.proxy.empty()) curl_easy_setopt(h, CURLOPT_PROXY, spec_.proxy.c_str());
  if (!spec_.username.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, spec_.username.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, spec_.password.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
  }
  if (spec_.useCookies && share) {
    curl_easy_setopt(h, CURLOPT_SHARE, share);
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
  }

  // Method and body. A plain POST (not a custom method) lets a 301/302/303
  // turn it into a GET as browsers do.
  const std::string& method = spec_.method;
  if (!spec_.formFields.empty()) {
    bool multipart = false;
    for (const auto& f : spec_.formFields) multipart = multipart || f.isData;
    if (multipart) {
      mime_ = curl_mime_init(h);
      for (const auto& f : spec_.formFields) {
        curl_mimepart* part = curl_mime_addpart(mime_);
        curl_mime_name(part, f.key.c_str());
        curl_mime_data(part, f.value.data(), f.value.size());
        if (f.isData) {
          curl_mime_filename(part, f.fileName.empty() ? "file" : f.fileName.c_str());
          curl_mime_type(part, f.contentType.empty() ? "application/octet-stream" : f.contentType.c_str());
        }
      }
      curl_easy_setopt(h, CURLOPT_MIMEPOST, mime_);
    } else {
      formBody_.clear();
      for (const auto& f : spec_.formFields) {
        if (!formBody_.empty()) formBody_ += '&';
        formBody_ += formEncode(f.key) + "=" + formEncode(f.value);
      }
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(formBody_.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, formBody_.data());
    }
  } else if (method == "GET") {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  } else if (method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (method == "POST") {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(spec_.body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, spec_.body.data());
  } else {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    if (!spec_.body.empty()) {
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(spec_.body.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, spec_.body.data());
    }
  }

  std::optional<std::string> acceptedEncodings;
  bool hasExpect = false;
  bool hasRange = false;
  for (const auto& [name, value] : spec_.headers) {
    // A line break would smuggle extra headers into the request.
    if (name.empty() || hasLineBreak(name) || hasLineBreak(value) || name.find(':') != std::string::npos)
      continue;
    HeaderNameLess less;
    auto same = [&](const char* other) { return !less(name, other) && !less(other, name); };
    if (same("Accept-Encoding")) acceptedEncodings = acceptedEncodings ? *acceptedEncodings + "," + value : value;
    hasExpect = hasExpect || same("Expect");
    hasRange = hasRange || same("Range");
    headerList_ = curl_slist_append(headerList_, (name + ": " + value).c_str());
  }
  // Downloads ask for the bytes as stored, so a range continues the same bytes.
  if (acceptedEncodings) {
    acceptsGzip_ = listsEncoding(*acceptedEncodings, "gzip");
    acceptsDeflate_ = listsEncoding(*acceptedEncodings, "deflate");
  } else {
    const bool compressed = spec_.acceptsGzip && !isDownload();
    headerList_ = curl_slist_append(
        headerList_, compressed ? "Accept-Encoding: gzip, deflate" : "Accept-Encoding: identity");
    acceptsGzip_ = acceptsDeflate_ = compressed;
  }
  // Do not stall a POST body waiting for "100 Continue".
  if (!hasExpect) headerList_ = curl_slist_append(headerList_, "Expect:");

  if (isDownload()) {
    // Most downloads find no partial file: one look at the disk tells. (A
    // record without its partial file is removed with it everywhere.)
    std::error_code ec;
    const bool seenAbsent = spec_.noPartialFileAt && *spec_.noPartialFileAt == partialFilesOpened();
    const bool partial = !seenAbsent && fs::is_regular_file(spec_.temporary, ec);
    recordOnDisk_ = partial && fs::exists(resumeRecordPath(spec_.temporary), ec);
    if (spec_.allowResume && !retriedWithoutRange_ && !hasRange) {
      auto size = partial ? fs::file_size(spec_.temporary, ec) : 0;
      auto record = !ec && size > 0 ? readResumeRecord(resumeRecordPath(spec_.temporary)) : std::nullopt;
      if (!ec && size > 0 && !record) {
        // Bytes of unknown origin are never continued: they may be another
        // file's, or an older version's.
        removePartial();
      } else if (record) {
        partialOnDisk_ = static_cast<std::int64_t>(size);
        recordValidator_ = record->validator;
        recordTotal_ = record->total;
        rangeSent_ = true;
        // Written as a header: libcurl's own range option means an upload
        // range for POST, and downloads are POSTs.
        headerList_ = curl_slist_append(headerList_, ("Range: bytes=" + std::to_string(size) + "-").c_str());
        // A server that has another version sends it whole instead.
        if (!recordValidator_.empty() && !hasLineBreak(recordValidator_))
          headerList_ = curl_slist_append(headerList_, ("If-Range: " + recordValidator_).c_str());
      }
    }
  }
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList_);
  return true;
}

void Transfer::beginResponse(long status) {
  body_.reset();
  status_ = status;
  headers_.clear();
  headersDone_ = false;
  skipBody_ = false;
  inflater_.end();
  encoded_ = false;
  expected_ = -1;
  received_ = 0;
  writeOffset_ = 0;
  rangeEnd_ = -1;
  rangeTotal_ = -1;
}

size_t Transfer::onHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  std::string_view line(data, n);
  t->touch();
  if (line.substr(0, 5) == "HTTP/") {
    long status = 0;
    auto space = line.find(' ');
    if (space != std::string_view::npos) {
      auto rest = line.substr(space + 1);
      std::from_chars(rest.data(), rest.data() + rest.size(), status);
    }
    t->beginResponse(status);
    return n;
  }
  line = trim(line);
  if (line.empty()) {
    if (!t->headersDone_) {
      t->headersDone_ = true;
      if (!t->endHeaders()) return 0;
    }
    return n;
  }
  if (t->headersDone_) return n;  // trailers of a chunked body
  auto colon = line.find(':');
  if (colon == std::string_view::npos) return n;
  std::string name(trim(line.substr(0, colon)));
  std::string value(trim(line.substr(colon + 1)));
  auto it = t->headers_.find(name);
  if (it == t->headers_.end())
    t->headers_.emplace(std::move(name), std::move(value));
  else
    it->second += ", " + value;
  return n;
}

bool Transfer::endHeaders() {
  // Interim replies and hops that libcurl follows carry nothing for us.
  if (status_ < 200 || (isRedirect(status_) && headers_.count("Location"))) {
    skipBody_ = true;
    return true;
  }
  if (auto it = headers_.find("Content-Length"); it != headers_.end()) {
    if (auto length = parseCount(it->second)) expected_ = *length;
  }
  if (auto it = headers_.find("Content-Encoding"); it != headers_.end()) {
    // Only an encoding the request asked for is taken: a download asks for
    // the bytes as stored, and a compressed body it never asked for could
    // inflate to many times the file it claims to be.
    const std::string encoding = lower(trim(it->second));
    if ((encoding == "gzip" || encoding == "x-gzip") && acceptsGzip_) {
      encoded_ = inflater_.begin(true, inflationCeiling());
    } else if (encoding == "deflate" && acceptsDeflate_) {
      encoded_ = inflater_.begin(false, inflationCeiling());
    } else if (!encoding.empty() && encoding != "identity") {
      body_.fail(TransferBody::Fault::Undecodable,
                 "the reply came in the encoding \"" + encoding + "\", which the request did not ask for");
      return false;
    }
  }

  if (isDownload()) {
    const auto range = [&]() -> std::optional<ContentRange> {
      auto it = headers_.find("Content-Range");
      return it == headers_.end() ? std::nullopt : parseContentRange(it->second);
    };
    if (rangeSent_ && status_ == 416) {
      // The partial file may already hold everything; otherwise it is stale.
      auto r = range();
      if (r && r->total == partialOnDisk_ && (recordTotal_ < 0 || recordTotal_ == r->total))
        partialWasWhole_ = true;
      else
        rangeRefused_ = true;
      skipBody_ = true;
      return true;
    }
    // Only a 200 with a body or a 206 is written to the file; any other
    // answer (a 202 with its text, a 204, an empty 200) is no file.
    if (status_ == 206 || (status_ == 200 && (encoded_ || expected_ != 0))) {
      // A file announced past its bound is refused before a byte of it is written.
      const auto r206 = status_ == 206 ? range() : std::nullopt;
      const std::int64_t announced = status_ == 206 ? (r206 ? r206->total : -1) : encoded_ ? -1 : expected_;
      if (!body_.fileFits(announced)) return false;
      // Nor one the disk has no room for: only the bytes still to come count.
      const std::int64_t coming = status_ != 206 ? announced
                                  : r206 && r206->start >= 0 && r206->total >= 0 ? r206->total - r206->start
                                                                                : -1;
      if (!body_.roomFor(coming)) return false;
      if (status_ == 206) {
        // Only a part of a file of known length, unencoded, that continues
        // what is on disk can be appended.
        auto r = range();
        const std::string validator = validatorOf(headers_);
        const bool sameFile = r && (recordTotal_ < 0 || r->total == recordTotal_) &&
                              (recordValidator_.empty() || validator.empty() || validator == recordValidator_);
        if (encoded_ || !r || r->start < 0 || r->total < 0 || r->end >= r->total || r->start > partialOnDisk_ ||
            (r->start > 0 && !sameFile)) {
          rangeRefused_ = true;
          skipBody_ = true;
          return true;
        }
        writeOffset_ = r->start;
        rangeEnd_ = r->end;
        rangeTotal_ = r->total;
        if (r->start == 0) {
          body_.beginHeld(0, expected_, encoded_, static_cast<bool>(spec_.fileCheck));
          recordIfStoppedShort(r->total);
        } else {
          if (r->start < partialOnDisk_) {
            std::error_code ec;
            fs::resize_file(spec_.temporary, static_cast<std::uintmax_t>(r->start), ec);
            if (ec) {
              body_.fail(TransferBody::Fault::WriteFailed, ec.message());
              return false;
            }
          }
          if (!body_.beginAppending(writeOffset_)) return false;
        }
      } else {
        writeOffset_ = 0;
        body_.beginHeld(0, expected_, encoded_, static_cast<bool>(spec_.fileCheck));
        recordIfStoppedShort(encoded_ ? -1 : expected_);
      }
    }
  }

  if (!skipBody_ && !body_.toFile() && !body_.announce(expected_, encoded_)) return false;

  {
    std::lock_guard<std::mutex> lock(progressBox_->mutex);
    progressBox_->progress.received = 0;
    progressBox_->progress.expected = expected_;
  }
  if (!followed()) return true;
  ResponseHead head;
  head.status = status_;
  head.headers = headers_;
  head.partialSize = body_.toFile() ? writeOffset_ : 0;
  head.expectedLength = expected_;
  base::RunLoop::main().post([observer = observer_, head]() {
    if (auto o = observer.lock()) o->transferReceivedResponse(head);
  });
  return true;
}

size_t Transfer::onWrite(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const size_t n = size * count;
  t->touch();
  if (t->skipBody_) return n;
  return t->writeBody(data, n) ? n : 0;
}

bool Transfer::writeBody(const char* data, size_t size) {
  received_ += static_cast<std::int64_t>(size);
  // A body kept in memory is bounded as received too; one that may go to
  // its spill file or to a download's file only as kept.
  if (spec_.bodyLimit >= 0 && body_.kind() == TransferBody::Kind::Memory && !spills() &&
      received_ > spec_.bodyLimit) {
    body_.fail(TransferBody::Fault::TooLarge);
    return false;
  }
  // An inflated body is kept a piece at a time: however far a small reply
  // inflates, it never stands whole in memory on its way.
  std::string chunk;
  const auto keep = [&](const char* piece, std::size_t n) {
    if (!body_.append(piece, n)) return false;
    if (spec_.wantsData) chunk.append(piece, n);
    return true;
  };
  if (inflater_.active()) {
    if (!inflater_.feed(data, size, keep)) {
      if (inflater_.overflowed()) {
        body_.fail(TransferBody::Fault::TooLarge,
                   "the reply inflates past " + std::to_string(inflationCeiling()) + " bytes");
      } else if (body_.fault() == TransferBody::Fault::None) {
        body_.fail(TransferBody::Fault::Undecodable);
      }
      return false;
    }
  } else if (!keep(data, size)) {
    return false;
  }
  if (!chunk.empty()) {
    base::RunLoop::main().post([observer = observer_, chunk = std::move(chunk)]() mutable {
      if (auto o = observer.lock()) o->transferReceivedData(std::move(chunk));
    });
  }
  postProgress();
  return true;
}

int Transfer::onProgress(void* user, curl_off_t, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow) {
  auto* t = static_cast<Transfer*>(user);
  if (dlNow != t->lastDl_ || ulNow != t->lastUl_) {
    t->touch();
    gBytesMoved += static_cast<std::uint64_t>(std::max<curl_off_t>(dlNow - t->lastDl_, 0) +
                                              std::max<curl_off_t>(ulNow - t->lastUl_, 0));
    const bool uploadMoved = ulNow != t->lastUl_;
    t->lastDl_ = dlNow;
    t->lastUl_ = ulNow;
    t->noteMoved(static_cast<std::int64_t>(dlNow), static_cast<std::int64_t>(dlNow) + static_cast<std::int64_t>(ulNow));
    if (uploadMoved && t->spec_.wantsUploadProgress) {
      {
        std::lock_guard<std::mutex> lock(t->progressBox_->mutex);
        t->progressBox_->progress.sent = ulNow;
        t->progressBox_->progress.toSend = ulTotal;
      }
      t->postProgress();
    }
  }
  return 0;
}

void Transfer::noteMoved(std::int64_t received, std::int64_t bytes) {
  // The window opens with the reply's first bytes: the wait for them is the
  // inactivity limit's to judge (a service may think long over a large table).
  if (spec_.averageFloorBytesPerSecond <= 0 || (moved_.empty() && received == 0)) return;
  const auto now = lastActivity_;
  // A few notes a second are enough for a window of a minute.
  if (moved_.size() > 1 && now - moved_.back().first < std::chrono::milliseconds(250)) {
    moved_.back().second = bytes;
  } else {
    moved_.emplace_back(now, bytes);
  }
  const auto windowStart = now - std::chrono::duration<double>(spec_.averageFloorSeconds);
  while (moved_.size() > 2 && moved_[1].first <= windowStart) moved_.pop_front();
}

void Transfer::postProgress() {
  // Coalesced: at most one progress event waits on the main loop, and it
  // carries the latest counts when it runs.
  std::lock_guard<std::mutex> lock(progressBox_->mutex);
  if (!skipBody_) {
    progressBox_->progress.received = received_;
    progressBox_->progress.expected = expected_;
  }
  if (progressBox_->pending || !followed()) return;
  progressBox_->pending = true;
  base::RunLoop::main().post([box = progressBox_, observer = observer_]() {
    TransferProgress progress;
    {
      std::lock_guard<std::mutex> l(box->mutex);
      progress = box->progress;
      box->pending = false;
    }
    if (auto o = observer.lock()) o->transferProgressed(progress);
  });
}

void Transfer::removePartial() {
  body_.removeFile();
  removeResumeRecord();
}

void Transfer::removeResumeRecord() {
  std::error_code ec;
  if (!spec_.temporary.empty()) fs::remove(resumeRecordPath(spec_.temporary), ec);
  recordOnDisk_ = false;
}

void Transfer::recordIfStoppedShort(std::int64_t total) {
  // A record of another file or version must not outlive the bytes it named.
  if (recordOnDisk_) removeResumeRecord();
  recordToWrite_ = total;
}

void Transfer::keepForResume() {
  // What arrived is on disk, record or not, as if it had been written as it
  // came; what the disk has no room for is dropped.
  if (!body_.flushHeld()) {
    body_.closeFile();
    removePartial();
    return;
  }
  body_.closeFile();
  if (!recordToWrite_) return;
  // Without a record the partial data is simply fetched again next time.
  std::ofstream out(resumeRecordPath(spec_.temporary), std::ios::trunc);
  const std::string validator = validatorOf(headers_);
  out << (hasLineBreak(validator) ? std::string() : validator) << '\n' << *recordToWrite_ << '\n';
  recordOnDisk_ = static_cast<bool>(out);
  recordToWrite_.reset();
}

bool Transfer::moveIntoPlace(const fs::path& temp, const fs::path& dest, std::string& detail) {
  if (temp == dest) return true;
  std::error_code ec;
  fs::rename(temp, dest, ec);
  if (ec == std::errc::no_such_file_or_directory && dest.has_parent_path()) {
    // The destination's folder is made the first time it is needed.
    fs::create_directories(dest.parent_path(), ec);
    if (ec) {
      detail = dest.parent_path().string() + ": " + ec.message();
      return false;
    }
    fs::rename(temp, dest, ec);
  }
  if (!ec) return true;
  if (ec != std::errc::cross_device_link) {
    detail = dest.string() + ": " + ec.message();
    return false;
  }
  // Another file system: copy beside the destination, then rename, so the
  // destination is never seen half written.
  fs::path staging = dest.parent_path() / ("." + dest.filename().string() + ".part");
  fs::copy_file(temp, staging, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(staging, dest, ec);
  if (ec) {
    detail = dest.string() + ": " + ec.message();
    std::error_code ignored;
    fs::remove(staging, ignored);
    return false;
  }
  fs::remove(temp, ec);
  return true;
}

}  // namespace mv
