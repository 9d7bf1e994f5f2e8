#include "sales-service/SalesService.hpp"

#include <arpa/inet.h>
#include <httplib.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "sales-service/DocumentFactory.hpp"

namespace mv::sales {

namespace {

using Value = base::Value;

const char* const kSessionCookie = "JSESSIONID";
const char* const kJsonType = "application/json;charset=UTF-8";

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string sessionFromCookie(const std::string& header) {
  size_t pos = 0;
  while (pos < header.size()) {
    size_t end = header.find(';', pos);
    std::string part = trim(header.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    size_t eq = part.find('=');
    if (eq != std::string::npos && trim(part.substr(0, eq)) == kSessionCookie) return trim(part.substr(eq + 1));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return "";
}

// The service answers Range itself (or, for a fault, ignores it), so the
// server library must not cut the body a second time. The request object the
// library hands over is its own non-const object.
void takeOverRanges(const httplib::Request& req) { const_cast<httplib::Request&>(req).ranges.clear(); }

std::string contentTypeOf(const std::string& name) {
  auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == "png") return "image/png";
  if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
  if (ext == "pdf") return "application/pdf";
  if (ext == "zip") return "application/zip";
  if (ext == "epub") return "application/epub+zip";
  if (ext == "avi") return "video/x-msvideo";
  if (ext == "docx") return "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
  if (ext == "xlsx") return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
  if (ext == "pptx") return "application/vnd.openxmlformats-officedocument.presentationml.presentation";
  return "application/octet-stream";
}

bool safeSegment(const std::string& s) {
  return !s.empty() && s != "." && s != ".." && s.find('\\') == std::string::npos && s.find('\0') == std::string::npos;
}

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t pos = path.empty() || path[0] != '/' ? 0 : 1;
  while (pos <= path.size()) {
    size_t end = path.find('/', pos);
    parts.push_back(path.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return parts;
}

struct RangeRequest {
  bool present = false;  // a single "bytes=" range the service understands
  size_t first = 0;
  std::optional<size_t> last;
};

// The body of a file answer that carries no file.
const char* fileStatusText(int http) {
  switch (http) {
    case 404: return "File is not exist";
    case 202: return "Accepted: the file is being prepared";
    default: return "Internal Server Error";
  }
}

// The web administration's sign-in page, where the application's settings
// lead: the user and the client of the link filled in, in the link's
// language ("zh-CN", else English).
std::string webAdministrationSignIn(const std::string& user, const std::string& client, const std::string& lang) {
  const bool chinese = lang == "zh-CN";
  auto field = [](const char* label, const char* type, const std::string& value) {
    return std::string("<p><label>") + label + "<br/><input type='" + type + "' value='" + DocumentFactory::xmlEscape(value) +
           "'/></label></p>";
  };
  return std::string("<!DOCTYPE html><html lang='") + (chinese ? "zh-CN" : "en") +
         "'><head><meta charset='utf-8'/><title>" + (chinese ? "网站管理" : "Web Administration") +
         "</title><style>body{font-family:sans-serif;margin:40px;color:#333}h1{color:#2a5285}"
         "input{font-size:18px;padding:6px;width:360px}label{font-size:15px}"
         "button{font-size:18px;padding:8px 24px;background:#2a5285;color:white;border:0;border-radius:4px}"
         "</style></head><body><h1>" +
         (chinese ? "网站管理" : "Web Administration") + "</h1><form method='post'>" +
         field(chinese ? "企业代码" : "Client ID", "text", client) + field(chinese ? "用户名" : "User name", "text", user) +
         field(chinese ? "密码" : "Password", "password", "") + "<button type='submit'>" +
         (chinese ? "登录" : "Sign In") + "</button></form></body></html>";
}

// A strong entity tag of a file's bytes (FNV-1a).
std::string entityTag(const std::string& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  char text[24];
  std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(h));
  return text;
}

RangeRequest parseRange(const std::string& header) {
  RangeRequest r;
  const std::string prefix = "bytes=";
  if (header.rfind(prefix, 0) != 0) return r;
  std::string spec = trim(header.substr(prefix.size()));
  size_t dash = spec.find('-');
  if (dash == std::string::npos || dash == 0 || spec.find(',') != std::string::npos) return r;
  auto digits = [](const std::string& s) {
    return !s.empty() && s.size() < 19 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  std::string a = spec.substr(0, dash), b = spec.substr(dash + 1);
  if (!digits(a) || (!b.empty() && !digits(b))) return r;
  r.first = std::stoull(a);
  if (!b.empty()) {
    r.last = std::stoull(b);
    if (*r.last < r.first) return r;
  }
  r.present = true;
  return r;
}

// `bytes` followed by `zeros` zero bytes, gzip-compressed as they are fed,
// so that a body inflating to gigabytes never exists whole.
std::string gzipWithZeros(const std::string& bytes, size_t zeros) {
  z_stream zs{};
  if (deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  std::string out;
  std::array<char, 64 * 1024> buffer{};
  const std::array<char, 64 * 1024> nothing{};
  auto feed = [&](const char* data, size_t size, int flush) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    zs.avail_in = static_cast<uInt>(size);
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buffer.data());
      zs.avail_out = static_cast<uInt>(buffer.size());
      deflate(&zs, flush);
      out.append(buffer.data(), buffer.size() - zs.avail_out);
    } while (zs.avail_out == 0);
  };
  feed(bytes.data(), bytes.size(), Z_NO_FLUSH);
  for (size_t left = zeros; left > 0;) {
    const size_t n = std::min(left, nothing.size());
    feed(nothing.data(), n, Z_NO_FLUSH);
    left -= n;
  }
  feed(nullptr, 0, Z_FINISH);
  deflateEnd(&zs);
  return out;
}

// Transforms the content of a reply into the wrong shape.
std::string misshape(const MessageReply& reply, WrongShape shape) {
  Value content = Value::parse(reply.contentText(), nullptr, false);
  Value result = {{"status", reply.status}, {"detail", reply.detail}, {"message", ""}};
  switch (shape) {
    case WrongShape::ContentTooShort: {
      Value shorter = content.is_array() ? Value::array() : Value::object();
      if (content.is_array() && content.size() > 1) shorter.push_back(content[0]);
      return Value{{"content", shorter}, {"results", Value::array({result})}}.dump();
    }
    case WrongShape::ContentNotArray: {
      Value other = content.is_array() ? Value::object() : Value::array();
      return Value{{"content", other}, {"results", Value::array({result})}}.dump();
    }
    case WrongShape::OnlyLastPart: {
      if (content.is_array()) {
        for (size_t i = 0; i + 1 < content.size(); ++i) content[i] = Value::array();
      }
      return Value{{"content", content}, {"results", Value::array({result})}}.dump();
    }
    case WrongShape::NoResults:
      return MessageReply::kBodyHead + reply.contentText() + "}";
    case WrongShape::NotJson:
      return "Service Temporarily Unavailable (status " + reply.status + ")";
  }
  return reply.body();
}

// Closes, without a reply, the accepted connections on `localPort` that `match` selects.
void shutdownConnections(int localPort, const std::function<bool(int peerPort)>& match) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    int fd = -1;
    try {
      fd = std::stoi(entry.path().filename().string());
    } catch (...) {
      continue;
    }
    sockaddr_storage local{}, peer{};
    socklen_t localLen = sizeof local, peerLen = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0) continue;
    int port = -1;
    if (local.ss_family == AF_INET) port = ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    if (local.ss_family == AF_INET6) port = ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
    if (port != localPort) continue;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0) continue;  // the listening socket
    int peerPort = -1;
    if (peer.ss_family == AF_INET) peerPort = ntohs(reinterpret_cast<sockaddr_in*>(&peer)->sin_port);
    if (peer.ss_family == AF_INET6) peerPort = ntohs(reinterpret_cast<sockaddr_in6*>(&peer)->sin6_port);
    if (match(peerPort)) ::shutdown(fd, SHUT_RDWR);
  }
}

// Why `host`:`port` cannot be listened on, in the system's words ("Address
// already in use"); empty when it can now.
std::string listenFailure(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); rc != 0)
    return gai_strerror(rc);
  std::string reason = "no address to listen on";
  for (addrinfo* a = found; a; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      reason = std::strerror(errno);
      continue;
    }
    // As the service's own sockets are made.
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const bool bound = bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 1) == 0;
    reason = bound ? std::string() : std::strerror(errno);
    close(fd);
    if (bound) break;
  }
  freeaddrinfo(found);
  return reason;
}

}  // namespace

struct SalesService::Impl {
  explicit Impl(ServiceConfig c) : config(c), backend(std::move(c)) {}

  ServiceConfig config;
  SalesBackend backend;
  FaultInjector faults;
  RequestLog log;
  std::unique_ptr<httplib::Server> messageServer, fileServer;
  std::thread messageThread, fileThread;
  int messagePort = -1, filePort = -1;
  std::atomic<bool> running{false};
  std::atomic<bool> stopping{false};
  std::mutex sleepMutex;
  std::condition_variable sleepCv;
  // Counts releaseStalls() calls (under sleepMutex).
  std::uint64_t releases = 0;

  // Sleeps, cut short when the service stops; false when it was. Without a
  // time, until the stalls are released.
  bool pause(double seconds) {
    std::unique_lock<std::mutex> lock(sleepMutex);
    if (seconds <= 0) {
      const std::uint64_t before = releases;
      sleepCv.wait(lock, [&] { return stopping.load() || releases != before; });
      return !stopping.load();
    }
    auto until = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                        std::chrono::duration<double>(seconds));
    return !sleepCv.wait_until(lock, until, [&] { return stopping.load(); });
  }

  void drop(const httplib::Request& req) {
    const int peer = req.remote_port;
    shutdownConnections(req.local_port, [peer](int p) { return p == peer; });
  }

  void trickle(httplib::Response& res, std::string body, const std::string& type, size_t chunk, double seconds) {
    auto data = std::make_shared<const std::string>(std::move(body));
    res.set_content_provider(data->size(), type,
                             [this, data, chunk, seconds](size_t offset, size_t length, httplib::DataSink& sink) {
                               size_t n = std::min(chunk, length);
                               if (!sink.write(data->data() + offset, n)) return false;
                               if (offset + n < data->size() && !pause(seconds)) return false;
                               return true;
                             });
  }

  // An honest compressed reply goes out as it is compressed, a stretch at a
  // time, as a server that compresses on the fly sends it: a catalogue of
  // hundreds of megabytes keeps no client waiting long for its first byte.
  static void sendCompressed(httplib::Response& res, std::string body, const std::string& type) {
    struct Stream {
      std::string body;
      size_t at = 0;
      z_stream zs{};
      bool open = false;
      ~Stream() {
        if (open) deflateEnd(&zs);
      }
    };
    auto stream = std::make_shared<Stream>();
    stream->body = std::move(body);
    stream->open = deflateInit2(&stream->zs, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    res.set_header("Content-Encoding", "gzip");
    res.set_chunked_content_provider(type, [stream](size_t, httplib::DataSink& sink) {
      if (!stream->open) return false;
      constexpr size_t kStretch = size_t{1} << 20;
      z_stream& zs = stream->zs;
      const size_t n = std::min(kStretch, stream->body.size() - stream->at);
      const int flush = stream->at + n == stream->body.size() ? Z_FINISH : Z_NO_FLUSH;
      zs.next_in = reinterpret_cast<Bytef*>(stream->body.data() + stream->at);
      zs.avail_in = static_cast<uInt>(n);
      std::array<char, 64 * 1024> buffer{};
      int rc = Z_OK;
      do {
        zs.next_out = reinterpret_cast<Bytef*>(buffer.data());
        zs.avail_out = static_cast<uInt>(buffer.size());
        rc = deflate(&zs, flush);
        const size_t produced = buffer.size() - zs.avail_out;
        if (produced > 0 && !sink.write(buffer.data(), produced)) return false;
      } while (zs.avail_out == 0 || (flush == Z_FINISH && rc == Z_OK));
      stream->at += n;
      if (flush == Z_FINISH) sink.done();
      return true;
    });
  }

  // A shared content goes out as it is, between the head and tail of the
  // body, never copied into one string: a catalogue runs to tens of megabytes.
  static void sendReply(httplib::Response& res, const MessageReply& reply, const std::string& type) {
    if (!reply.sharedContent) {
      res.set_content(reply.body(), type);
      return;
    }
    auto parts = std::make_shared<const std::array<std::string, 2>>(
        std::array<std::string, 2>{MessageReply::kBodyHead, reply.bodyTail()});
    std::shared_ptr<const std::string> content = reply.sharedContent;
    const size_t total = (*parts)[0].size() + content->size() + (*parts)[1].size();
    res.set_content_provider(total, type, [parts, content](size_t offset, size_t, httplib::DataSink& sink) {
      // Writes from `offset` to the end of the part it falls in.
      for (std::string_view part :
           {std::string_view((*parts)[0]), std::string_view(*content), std::string_view((*parts)[1])}) {
        if (offset < part.size()) return sink.write(part.data() + offset, part.size() - offset);
        offset -= part.size();
      }
      return false;
    });
  }

  std::string messageHead(const std::string& path) const {
    const std::string prefix = "/" + config.path + "/";
    if (path.rfind(prefix, 0) != 0) return "";
    std::string head = path.substr(prefix.size());
    if (head.empty() || head.find('/') != std::string::npos) return "";
    size_t semicolon = head.find(';');
    if (semicolon != std::string::npos) return head.substr(0, semicolon + 1);
    if (head.back() != '?') head.push_back('?');
    return head;
  }

  void onMessage(const httplib::Request& req, httplib::Response& res) {
    takeOverRanges(req);
    if (config.controlEndpoint && req.path.rfind("/_control/", 0) == 0) {
      onControl(req, res);
      return;
    }
    LogEntry entry;
    entry.endpoint = "message";
    entry.method = req.method;
    entry.path = req.path;
    entry.cookie = req.get_header_value("Cookie");
    entry.sessionId = sessionFromCookie(entry.cookie);
    entry.range = req.get_header_value("Range");
    const std::string head = messageHead(req.path);
    ParsedMessage parsed = head.empty() ? ParsedMessage{} : SalesBackend::parse(head, req.body);
    if (head.empty()) parsed.error = "no message endpoint at this path";
    entry.head = head;
    entry.methodName = parsed.methodName;
    entry.qualifier = parsed.qualifier;
    if (parsed.valid) entry.parameters = parsed.parameters;
    const size_t index = log.append(entry);

    auto fault = faults.take(parsed.methodName, parsed.qualifiedKey(), req.path, false);
    const std::string faultName = fault ? faultKindName(fault->kind) : "";
    auto finish = [&](const std::string& statusText, int http) {
      log.update(index, [&](LogEntry& e) {
        e.status = statusText;
        e.httpStatus = http;
        e.fault = faultName;
        e.completed = true;
      });
    };
    if (fault && fault->kind == FaultKind::Stall && !pause(fault->seconds)) {
      drop(req);
      finish("", 0);
      return;
    }
    MessageReply reply;
    if (!fault || fault->process) {
      reply = head.empty() ? MessageReply{status::kBadRequest, parsed.error, "{}", "", nullptr}
                           : backend.handle(head, parsed, entry.sessionId);
    }
    if (fault && fault->kind == FaultKind::Drop) {
      drop(req);
      finish("", 0);
      return;
    }
    if (!reply.newSessionId.empty()) {
      res.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + reply.newSessionId + "; Path=/");
    }
    int http = head.empty() ? 404 : 200;
    std::string type = kJsonType;
    std::optional<std::string> rewritten;  // a body other than the reply's own
    if (fault && fault->kind == FaultKind::Status) reply.status = fault->status;
    if (fault) {
      switch (fault->kind) {
        case FaultKind::WrongShape:
          rewritten = misshape(reply, fault->shape);
          if (fault->shape == WrongShape::NotJson) type = "text/plain";
          break;
        case FaultKind::Html500:
          http = 500;
          type = "text/html";
          rewritten = "<html><head><title>500 Internal Server Error</title></head><body><h1>Internal Server Error</h1>"
                      "<p>The server encountered an internal error.</p></body></html>";
          break;
        case FaultKind::HttpStatus:
          http = fault->httpStatus;
          break;
        case FaultKind::Content:
          rewritten = MessageReply::kBodyHead + fault->content + reply.bodyTail();
          break;
        case FaultKind::Gzipped:
          // The reply with a content of its own, compressed.
          if (!fault->content.empty()) rewritten = MessageReply::kBodyHead + fault->content + reply.bodyTail();
          break;
        default:
          break;
      }
    }
    res.status = http;
    if (fault && fault->kind == FaultKind::Trickle) {
      trickle(res, rewritten ? std::move(*rewritten) : reply.body(), type, fault->chunkBytes, fault->seconds);
    } else if (fault && fault->kind == FaultKind::Gzipped && fault->chunkBytes == 0) {
      sendCompressed(res, rewritten ? std::move(*rewritten) : reply.body(), type);
    } else if (fault && fault->kind == FaultKind::Gzipped) {
      res.set_header("Content-Encoding", "gzip");
      res.set_content(gzipWithZeros(rewritten ? *rewritten : reply.body(), fault->chunkBytes), type);
    } else if (rewritten) {
      res.set_content(*rewritten, type);
    } else {
      sendReply(res, reply, type);
    }
    finish(fault && (fault->kind == FaultKind::Html500 || (fault->kind == FaultKind::WrongShape &&
                                                          fault->shape == WrongShape::NotJson))
               ? ""
               : reply.status,
           http);
  }

  void onFile(const httplib::Request& req, httplib::Response& res) {
    takeOverRanges(req);
    LogEntry entry;
    entry.endpoint = "file";
    entry.method = req.method;
    entry.path = req.path;
    entry.cookie = req.get_header_value("Cookie");
    entry.sessionId = sessionFromCookie(entry.cookie);
    entry.range = req.get_header_value("Range");
    const size_t index = log.append(entry);
    auto fault = faults.take("", "", req.path, true);
    const std::string faultName = fault ? faultKindName(fault->kind) : "";
    auto finish = [&](int http) {
      log.update(index, [&](LogEntry& e) {
        e.status = http ? std::to_string(http) : "";
        e.httpStatus = http;
        e.fault = faultName;
        e.completed = true;
      });
    };
    if (fault && fault->kind == FaultKind::Drop) {
      drop(req);
      finish(0);
      return;
    }
    if (fault && fault->kind == FaultKind::Stall && !pause(fault->seconds)) {
      drop(req);
      finish(0);
      return;
    }
    if (fault && fault->kind == FaultKind::FileStatus) {
      res.status = fault->httpStatus;
      // A 204 has no body at all; the others carry a short text.
      if (fault->httpStatus != 204) res.set_content(fileStatusText(fault->httpStatus), "text/plain");
      finish(fault->httpStatus);
      return;
    }

    // Under the file address the application knows ("/{ImagePath}/administrator/...").
    const std::string imagePathPrefix = trim(config.imagePath).empty() ? "" : "/" + trim(config.imagePath);
    if (req.path == "/administrator/index.php" || req.path == imagePathPrefix + "/administrator/index.php") {
      res.set_content(webAdministrationSignIn(req.get_param_value("username"), req.get_param_value("client_id"),
                                              req.get_param_value("lang")),
                      "text/html; charset=utf-8");
      finish(200);
      return;
    }

    // /{ImagePath}/images/{client}/{type path}/{name}, or .../{client}/SkinImages_iOS7.zip
    std::vector<std::string> parts = splitPath(req.path);
    size_t at = 0;
    const std::string imagePath = trim(config.imagePath);
    bool valid = true;
    if (!imagePath.empty()) valid = parts.size() > at && parts[at++] == imagePath;
    valid = valid && parts.size() > at + 2 && parts[at++] == "images";
    std::string client = valid ? parts[at++] : "";
    std::string relative;
    if (valid) {
      for (size_t i = at; i < parts.size(); ++i) {
        if (!safeSegment(parts[i])) valid = false;
        relative += (i == at ? "" : "/") + parts[i];
      }
      const std::string name = parts.back();
      const std::string typePath = relative.size() > name.size() ? relative.substr(0, relative.size() - name.size() - 1) : "";
      bool knownType = typePath.empty() ? name == SampleData::skinArchiveName() : false;
      for (int t = 1; t <= 10 && !knownType; ++t) knownType = typePath == SampleData::typePath(t);
      valid = valid && safeSegment(client) && knownType;
    }
    std::shared_ptr<const std::string> bytes = valid ? backend.file(client, relative) : nullptr;
    // Bytes in place of a file, also of one the service does not hold (a
    // document a rewritten listing names).
    const bool replaced = valid && fault && fault->kind == FaultKind::FileContent;
    if (!bytes && !replaced) {
      res.status = 404;
      res.set_content("File is not exist", "text/plain");
      finish(404);
      return;
    }
    const std::string type = contentTypeOf(relative);
    if (fault && (fault->kind == FaultKind::EmptyFile || fault->kind == FaultKind::CutFile || replaced)) {
      res.status = 200;
      res.set_content(replaced                               ? fault->content
                      : fault->kind == FaultKind::CutFile ? bytes->substr(0, fault->chunkBytes)
                                                          : std::string(),
                      type);
      finish(200);
      return;
    }
    size_t first = 0, last = bytes->size() == 0 ? 0 : bytes->size() - 1;
    int http = 200;
    RangeRequest range = parseRange(entry.range);
    // The file's version: a range asked for another version gets the whole file.
    const std::string etag = entityTag(*bytes);
    res.set_header("ETag", etag);
    const std::string ifRange = req.get_header_value("If-Range");
    if (range.present && !ifRange.empty() && ifRange != etag) range.present = false;
    if (fault && fault->kind == FaultKind::Gzipped) {
      res.status = 200;
      res.set_header("Content-Encoding", "gzip");
      res.set_content(gzipWithZeros(*bytes, fault->chunkBytes), type);
      finish(200);
      return;
    }
    if (fault && fault->kind == FaultKind::WholeAs206) {
      http = 206;
      res.set_header("Content-Range", "bytes 0-" + std::to_string(last) + "/" + std::to_string(bytes->size()));
    } else if (fault && fault->kind == FaultKind::WrongRange && !bytes->empty()) {
      // A part that stops short of the end the request asked for.
      first = range.present ? std::min(range.first, bytes->size() - 1) : 0;
      last = std::min(last, first + fault->chunkBytes - 1);
      http = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                                          std::to_string(bytes->size()));
    } else if (range.present && !(fault && fault->kind == FaultKind::IgnoreRange)) {
      if (range.first >= bytes->size()) {
        res.status = 416;
        res.set_header("Content-Range", "bytes */" + std::to_string(bytes->size()));
        finish(416);
        return;
      }
      first = range.first;
      last = std::min(last, range.last.value_or(last));
      http = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                                          std::to_string(bytes->size()));
    }
    res.set_header("Accept-Ranges", "bytes");
    res.status = http;
    std::string body = bytes->empty() ? std::string() : bytes->substr(first, last - first + 1);
    if (fault && fault->kind == FaultKind::Trickle) {
      trickle(res, std::move(body), type, fault->chunkBytes, fault->seconds);
    } else if (fault && fault->kind == FaultKind::Truncate) {
      auto data = std::make_shared<const std::string>(std::move(body));
      const size_t sent = std::min(fault->chunkBytes, data->size());
      res.set_content_provider(data->size(), type, [data, sent](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset < sent && !sink.write(data->data() + offset, sent - offset)) return false;
        return offset < sent;
      });
    } else {
      res.set_content(body, type);
    }
    finish(http);
  }

  void onControl(const httplib::Request& req, httplib::Response& res) {
    auto reply = [&](int http, const Value& v) {
      res.status = http;
      // logged paths are decoded percent-escapes, which need not be UTF-8
      res.set_content(v.dump(-1, ' ', false, Value::error_handler_t::replace), kJsonType);
    };
    if (req.remote_addr != "127.0.0.1" && req.remote_addr != "::1") {
      reply(403, {{"error", "the control endpoint answers loopback callers only"}});
      return;
    }
    const std::string what = req.path.substr(std::string("/_control/").size());
    Value body = req.body.empty() ? Value::object() : Value::parse(req.body, nullptr, false);
    if (body.is_discarded() || !body.is_object()) {
      reply(400, {{"error", "the body must be a JSON object"}});
      return;
    }
    try {
      if (what == "log" && req.method == "GET") {
        Value list = Value::array();
        for (const auto& e : log.entries()) list.push_back(e.toJson());
        reply(200, {{"entries", list}});
      } else if (what == "log/clear") {
        log.clear();
        reply(200, Value::object());
      } else if (what == "faults" && req.method == "GET") {
        Value list = Value::array();
        for (const auto& [id, rule] : faults.rules()) {
          Value v = rule.toJson();
          v["id"] = id;
          list.push_back(v);
        }
        reply(200, {{"faults", list}});
      } else if (what == "faults") {
        std::string error;
        auto rule = FaultRule::fromJson(body, &error);
        if (!rule) {
          reply(400, {{"error", error}});
        } else {
          reply(200, {{"id", faults.add(*rule)}});
        }
      } else if (what == "faults/remove") {
        reply(faults.remove(body.value("id", 0)) ? 200 : 404, Value::object());
      } else if (what == "faults/clear") {
        faults.clear();
        reply(200, Value::object());
      } else if (what == "version") {
        bool ok = backend.setDataVersion(body.value("clientId", std::string()), body.value("version", 0));
        reply(ok ? 200 : 400, ok ? Value::object() : Value{{"error", "unknown client or version"}});
      } else if (what == "sessions/expire") {
        backend.expireSessions();
        reply(200, Value::object());
      } else if (what == "fullsync") {
        bool ok = backend.requestFullSync(body.value("clientId", std::string()), body.value("accountId", std::string()));
        reply(ok ? 200 : 400, Value::object());
      } else if (what == "skin") {
        bool ok = backend.renewSkin(body.value("clientId", std::string()));
        reply(ok ? 200 : 400, Value::object());
      } else if (what == "options") {
        if (body.contains("strictRestore")) backend.setStrictRestore(body["strictRestore"].get<bool>());
        if (body.contains("acceptUpperCaseDigest")) backend.setAcceptUpperCaseDigest(body["acceptUpperCaseDigest"].get<bool>());
        reply(200, Value::object());
      } else if (what == "settings") {
        reply(200, settings());
      } else {
        reply(404, {{"error", "unknown control request"}});
      }
    } catch (const Value::exception& e) {
      reply(400, {{"error", std::string("a member has the wrong type: ") + e.what()}});
    }
  }

  Value settings() const {
    return {{"IP", config.host},         {"Port", messagePort},          {"Path", config.path},
            {"ImageIP", config.host},    {"ImagePort", filePort},        {"ImagePath", config.imagePath}};
  }

  static void configure(httplib::Server& server) {
    server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    server.set_tcp_nodelay(true);
    server.set_keep_alive_timeout(2);
    // Address reuse lets a restarted service take its ports back at once;
    // port sharing is left off, so that a second service on the same ports
    // is refused instead of taking half of the first one's connections.
    server.set_socket_options([](int sock) {
      int yes = 1;
      setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // A larger body is answered 413 unread: no request may fill the memory.
    server.set_payload_max_length(SalesService::kMaxPayloadBytes);
  }

  bool listen(httplib::Server& server, int wanted, int& port, std::thread& thread, std::string* error) {
    // A restarted service takes the ports it had, so that clients find it again.
    const int previous = port;
    if (wanted == 0 && previous > 0 && server.bind_to_port(config.host, previous)) {
      port = previous;
    } else if (wanted == 0) {
      port = server.bind_to_any_port(config.host);
    } else {
      port = server.bind_to_port(config.host, wanted) ? wanted : -1;
    }
    if (port <= 0) {
      if (error) {
        const std::string reason = listenFailure(config.host, wanted);
        *error = "cannot listen on " + config.host + ":" + std::to_string(wanted) +
                 (reason.empty() ? "" : ": " + reason) +
                 (wanted > 0 && wanted < 1024 ? " (ports below 1024 need privileges; choose another)" : "");
      }
      return false;
    }
    thread = std::thread([&server] {
      // A client that hangs up while a reply is written must not end the process.
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, SIGPIPE);
      pthread_sigmask(SIG_BLOCK, &set, nullptr);
      server.listen_after_bind();
    });
    for (int i = 0; i < 5000 && !server.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return server.is_running();
  }
};

SalesService::SalesService(ServiceConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

SalesService::~SalesService() { stop(); }

bool SalesService::start(std::string* error) {
  if (impl_->running) return true;
  impl_->stopping = false;
  impl_->backend.prepare();
  impl_->messageServer = std::make_unique<httplib::Server>();
  impl_->fileServer = std::make_unique<httplib::Server>();
  Impl::configure(*impl_->messageServer);
  Impl::configure(*impl_->fileServer);
  Impl* self = impl_.get();
  impl_->messageServer->Post(".*", [self](const httplib::Request& req, httplib::Response& res) { self->onMessage(req, res); });
  if (impl_->config.controlEndpoint) {
    // The HTTP layer refuses a POST that says nothing of its body's length
    // before any handler sees it: the caller is told what to send instead of
    // an empty 400.
    impl_->messageServer->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
      if (res.status != 400 || req.path.rfind("/_control/", 0) != 0 || req.has_header("Content-Length")) return;
      res.set_content(Value{{"error", "a POST to the control endpoint needs a body with its length: send {} "
                                      "where nothing is asked (curl -d '{}')"}}
                          .dump(),
                      kJsonType);
    });
    impl_->messageServer->Get("/_control/.*",
                              [self](const httplib::Request& req, httplib::Response& res) { self->onControl(req, res); });
  }
  impl_->fileServer->Get(".*", [self](const httplib::Request& req, httplib::Response& res) { self->onFile(req, res); });
  impl_->fileServer->Post(".*", [self](const httplib::Request& req, httplib::Response& res) { self->onFile(req, res); });
  impl_->running = true;
  if (!impl_->listen(*impl_->messageServer, impl_->config.messagePort, impl_->messagePort, impl_->messageThread, error) ||
      !impl_->listen(*impl_->fileServer, impl_->config.filePort, impl_->filePort, impl_->fileThread, error)) {
    stop();
    return false;
  }
  return true;
}

void SalesService::stop() {
  if (!impl_->running) return;
  {
    std::lock_guard<std::mutex> lock(impl_->sleepMutex);
    impl_->stopping = true;
  }
  impl_->sleepCv.notify_all();
  for (auto* server : {impl_->messageServer.get(), impl_->fileServer.get()}) {
    if (server) server->stop();
  }
  // Idle kept-alive connections would hold the worker threads until they time out.
  for (int port : {impl_->messagePort, impl_->filePort}) {
    if (port > 0) shutdownConnections(port, [](int) { return true; });
  }
  if (impl_->messageThread.joinable()) impl_->messageThread.join();
  if (impl_->fileThread.joinable()) impl_->fileThread.join();
  impl_->messageServer.reset();
  impl_->fileServer.reset();
  impl_->running = false;
}

bool SalesService::running() const { return impl_->running; }
std::string SalesService::host() const { return impl_->config.host; }
int SalesService::messagePort() const { return impl_->messagePort; }
int SalesService::filePort() const { return impl_->filePort; }
base::Value SalesService::serverSettings() const { return impl_->settings(); }

std::string SalesService::messageUrl(const std::string& head) const {
  return "http://" + impl_->config.host + ":" + std::to_string(impl_->messagePort) + "/" + impl_->config.path + "/" + head;
}

std::string SalesService::fileUrl(const std::string& clientId, int fileType, const std::string& fileName) const {
  std::string url = "http://" + impl_->config.host + ":" + std::to_string(impl_->filePort);
  const std::string imagePath = trim(impl_->config.imagePath);
  if (!imagePath.empty()) url += "/" + imagePath;
  url += "/images/" + clientId + "/";
  const std::string typePath = SampleData::typePath(fileType);
  if (!typePath.empty()) url += typePath + "/";
  return url + fileName;
}

SalesBackend& SalesService::backend() { return impl_->backend; }
int SalesService::addFault(const FaultRule& rule) { return impl_->faults.add(rule); }
bool SalesService::removeFault(int id) { return impl_->faults.remove(id); }
void SalesService::clearFaults() { impl_->faults.clear(); }

void SalesService::releaseStalls() {
  {
    std::lock_guard<std::mutex> lock(impl_->sleepMutex);
    ++impl_->releases;
  }
  impl_->sleepCv.notify_all();
}
std::vector<LogEntry> SalesService::requestLog() const { return impl_->log.entries(); }
void SalesService::clearRequestLog() { impl_->log.clear(); }
RequestLog& SalesService::log() { return impl_->log; }

bool SalesService::waitForRequests(size_t count, double timeoutSeconds) const {
  return impl_->log.waitFor(
      [count](const std::vector<LogEntry>& entries) {
        return entries.size() >= count &&
               std::all_of(entries.begin(), entries.end(), [](const LogEntry& e) { return e.completed; });
      },
      timeoutSeconds);
}

}  // namespace mv::sales
