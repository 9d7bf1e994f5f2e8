#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "FolderBytes.hpp"
#include "TransportFixture.hpp"
#include "transport/CookieStore.hpp"
#include "util/DiskRoom.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using Req = httplib::Request;
using Res = httplib::Response;

std::shared_ptr<FormDataRequest> get(const std::string& url) { return std::make_shared<FormDataRequest>(url); }

// Serves `text` at `path` without a length, `piece` bytes at a time; `text`
// outlives the server.
void serveInPieces(LoopbackServer& server, const std::string& path, const std::string& text, std::size_t piece) {
  server.http().Get(path, [&text, piece](const Req&, Res& res) {
    res.set_chunked_content_provider("application/octet-stream", [&text, piece](size_t offset, httplib::DataSink& sink) {
      if (offset >= text.size()) {
        sink.done();
        return true;
      }
      return sink.write(text.data() + offset, std::min(piece, text.size() - offset));
    });
  });
}

TEST_F(TransportTest, CookiesGoBackToTheHostThatSetThemOnly) {
  server.http().Get("/set", [](const Req&, Res& res) {
    res.set_header("Set-Cookie", "session=abc123; Path=/");
    res.set_content("ok", "text/plain");
  });
  server.http().Get("/echo", [](const Req& req, Res& res) {
    res.set_content(req.get_header_value("Cookie"), "application/octet-stream");
  });
  server.start();

  Recorder set;
  ASSERT_TRUE(run(get(server.url("/set")), set));
  auto same = get(server.url("/echo"));
  Recorder r1;
  ASSERT_TRUE(run(same, r1));
  EXPECT_EQ(same->responseData(), "session=abc123");
  auto other = get(server.url("/echo", "localhost"));
  Recorder r2;
  ASSERT_TRUE(run(other, r2));
  EXPECT_EQ(r2.finished, 1);
  EXPECT_EQ(other->responseData(), "");

  // Refusing cookies also stops sending the stored ones.
  CookieStore::sharedInstance().setCookieAcceptPolicy(CookieStore::AcceptPolicy::Never);
  auto refused = get(server.url("/echo"));
  Recorder r3;
  ASSERT_TRUE(run(refused, r3));
  EXPECT_EQ(refused->responseData(), "");
  EXPECT_EQ(CookieStore::sharedInstance().cookies().size(), 1u);
}

TEST_F(TransportTest, CompressedRepliesAreInflatedAndDownloadsAskForPlainBytes) {
  const std::string text = [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "line " + std::to_string(i) + "\n";
    return s;
  }();
  server.http().Post("/gz", [&](const Req& req, Res& res) {
    if (req.get_header_value("Accept-Encoding").find("gzip") == std::string::npos) {
      res.status = 406;
      return;
    }
    res.set_header("Content-Encoding", "gzip");
    res.set_content(gzip(text), "application/octet-stream");
  });
  server.http().Get("/bad", [](const Req&, Res& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content("this is not gzip at all", "application/octet-stream");
  });
  server.http().Get("/encoding", [](const Req& req, Res& res) {
    res.set_content(req.get_header_value("Accept-Encoding"), "application/octet-stream");
  });
  server.start();

  auto message = get(server.url("/gz"));
  message->setRequestMethod("POST");
  message->setPostBody("{}");
  Recorder r1;
  ASSERT_TRUE(run(message, r1));
  EXPECT_EQ(message->responseStatusCode(), 200);
  EXPECT_EQ(message->responseData(), text);

  auto corrupt = get(server.url("/bad"));
  Recorder r2;
  ASSERT_TRUE(run(corrupt, r2));
  ASSERT_EQ(r2.failed, 1);
  EXPECT_EQ(corrupt->error()->code, static_cast<long>(RequestError::DecodingFailed));

  auto download = get(server.url("/encoding"));
  download->setDownloadDestinationPath(root / "Documents" / "encoding.txt");
  Recorder r3;
  ASSERT_TRUE(run(download, r3));
  EXPECT_EQ(readFile(root / "Documents" / "encoding.txt"), "identity");
}

TEST_F(TransportTest, RedirectsAreFollowedUpToFiveAndPostBecomesGet) {
  server.http().Post("/form", [](const Req&, Res& res) { res.set_redirect("/landing", 302); });
  server.http().Get("/landing", [](const Req& req, Res& res) {
    res.set_content(req.method + " " + req.body, "application/octet-stream");
  });
  server.http().Get(R"(/chain/(\d+))", [](const Req& req, Res& res) {
    int left = std::stoi(req.matches[1]);
    if (left == 0)
      res.set_content("end", "application/octet-stream");
    else
      res.set_redirect("/chain/" + std::to_string(left - 1), 302);
  });
  server.start();

  auto post = get(server.url("/form"));
  post->setRequestMethod("post");
  post->setPostBody("payload");
  Recorder r1;
  ASSERT_TRUE(run(post, r1));
  EXPECT_EQ(post->responseStatusCode(), 200);
  EXPECT_EQ(post->responseData(), "GET ");

  auto five = get(server.url("/chain/5"));
  Recorder r2;
  ASSERT_TRUE(run(five, r2));
  EXPECT_EQ(r2.finished, 1);
  EXPECT_EQ(five->responseData(), "end");

  auto six = get(server.url("/chain/6"));
  Recorder r3;
  ASSERT_TRUE(run(six, r3));
  ASSERT_EQ(r3.failed, 1);
  EXPECT_EQ(six->error()->code, static_cast<long>(RequestError::TooManyRedirects));
  EXPECT_EQ(six->error()->domain, "HTTPRequestErrorDomain");
}

TEST_F(TransportTest, FailuresWithoutAnAnswerCarryTheirCodes) {
  // A port that was free a moment ago refuses the connection.
  int sock = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  socklen_t len = sizeof addr;
  ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len);
  const int port = ntohs(addr.sin_port);
  ::close(sock);

  auto refused = get("http://127.0.0.1:" + std::to_string(port) + "/x");
  Recorder r1;
  ASSERT_TRUE(run(refused, r1));
  ASSERT_EQ(r1.failed, 1);
  EXPECT_EQ(refused->error()->code, static_cast<long>(RequestError::ConnectionFailure));
  EXPECT_EQ(refused->responseStatusCode(), 0);

  for (const char* url : {"not a url at all", "ftp://127.0.0.1/file", ""}) {
    auto bad = get(url);
    Recorder r;
    ASSERT_TRUE(run(bad, r)) << url;
    ASSERT_EQ(r.failed, 1) << url;
    EXPECT_EQ(bad->error()->code, static_cast<long>(RequestError::CannotCreateRequest)) << url;
  }
}

TEST_F(TransportTest, TimeOutLimitsSilenceNotTheLengthOfATransfer) {
  server.http().Get("/silent", [&](const Req&, Res& res) {
    server.waitOrStop(6);
    res.set_content("late", "text/plain");
  });
  server.http().Get("/trickle", [&](const Req&, Res& res) {
    res.set_chunked_content_provider("application/octet-stream", [&](size_t offset, httplib::DataSink& sink) {
      if (offset >= 9) {
        sink.done();
        return true;
      }
      if (!server.waitOrStop(0.3)) return false;
      sink.write("x", 1);
      return true;
    });
  });
  server.http().Get("/stall", [&](const Req&, Res& res) {
    res.set_content_provider(1000, "application/octet-stream", [&](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset > 0 && !server.waitOrStop(6)) return false;
      sink.write(std::string(100, 'y').data(), 100);
      return true;
    });
  });
  server.start();

  Recorder silent, trickle, stall, floor;
  auto a = get(server.url("/silent"));
  auto b = get(server.url("/trickle"));
  auto c = get(server.url("/stall"));
  // The same trickle under a floor of bytes a second: too slow for as long
  // as the limit is a time-out too.
  auto d = get(server.url("/trickle"));
  d->setLowSpeedBytesPerSecond(100);
  for (auto& [op, rec] :
       {std::pair{a, &silent}, std::pair{b, &trickle}, std::pair{c, &stall}, std::pair{d, &floor}}) {
    op->setTimeOutSeconds(1);
    op->setDelegate(rec);
    ASSERT_TRUE(op->startAsynchronous());
  }
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(runUntil([&] { return silent.calls() && trickle.calls() && stall.calls() && floor.calls(); }, 10));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  ASSERT_EQ(silent.failed, 1);
  EXPECT_EQ(a->error()->code, static_cast<long>(RequestError::TimedOut));
  ASSERT_EQ(stall.failed, 1);
  EXPECT_EQ(c->error()->code, static_cast<long>(RequestError::TimedOut));
  // Three times the limit in all, never silent for as long as the limit.
  ASSERT_EQ(trickle.finished, 1);
  EXPECT_EQ(b->responseData(), std::string(9, 'x'));
  ASSERT_EQ(floor.failed, 1);
  EXPECT_EQ(d->error()->code, static_cast<long>(RequestError::TimedOut));
  EXPECT_LT(elapsed, 5.0);
}

TEST_F(TransportTest, StatusesAreReportedFaithfullyAndRefusedCredentialsFail) {
  server.http().Get("/missing", [](const Req&, Res& res) {
    res.status = 404;
    res.set_content("no such thing", "text/plain");
  });
  server.http().Get("/private", [](const Req& req, Res& res) {
    // "user:secret"
    if (req.get_header_value("Authorization") == "Basic dXNlcjpzZWNyZXQ=") {
      res.set_content("welcome", "text/plain");
      return;
    }
    res.status = 401;
    res.set_header("WWW-Authenticate", "Basic realm=\"test\"");
  });
  server.http().Post("/agent", [](const Req& req, Res& res) {
    res.set_content(req.get_header_value("User-Agent") + "|" + req.get_header_value("Content-Type") + "|" + req.body,
                    "application/octet-stream");
  });
  server.start();

  auto missing = get(server.url("/missing"));
  Recorder r1;
  ASSERT_TRUE(run(missing, r1));
  EXPECT_EQ(r1.finished, 1);
  EXPECT_EQ(missing->responseStatusCode(), 404);
  EXPECT_EQ(missing->responseData(), "no such thing");
  EXPECT_FALSE(missing->error());

  auto anonymous = get(server.url("/private"));
  Recorder r2;
  ASSERT_TRUE(run(anonymous, r2));
  EXPECT_EQ(r2.finished, 1);
  EXPECT_EQ(anonymous->responseStatusCode(), 401);

  auto wrong = get(server.url("/private"));
  wrong->setUsername("user");
  wrong->setPassword("guess");
  Recorder r3;
  ASSERT_TRUE(run(wrong, r3));
  ASSERT_EQ(r3.failed, 1);
  EXPECT_EQ(wrong->error()->code, static_cast<long>(RequestError::AuthenticationNeeded));

  auto right = get(server.url("/private"));
  right->setUsername("user");
  right->setPassword("secret");
  Recorder r4;
  ASSERT_TRUE(run(right, r4));
  EXPECT_EQ(right->responseData(), "welcome");

  // The message request as the protocol layer makes it: bytes kept exactly.
  auto message = get(server.url("/agent"));
  message->setRequestMethod("POST");
  message->setRequestHeaders({{"Content-Type", "applicatioin/bin;charset=UTF-8"}});
  message->setPostBody("{\"a\":\"\xc3\xa9\"}");
  Recorder r5;
  ASSERT_TRUE(run(message, r5));
  EXPECT_EQ(message->responseData(),
            FormDataRequest::defaultUserAgent() + "|applicatioin/bin;charset=UTF-8|{\"a\":\"\xc3\xa9\"}");
  EXPECT_EQ(FormDataRequest::defaultUserAgent().rfind("Marvisto/", 0), 0u);
}

TEST_F(TransportTest, FormFieldsAndUploadProgress) {
  server.http().Post("/form", [](const Req& req, Res& res) {
    const std::string type = req.get_header_value("Content-Type");
    std::string out = type.substr(0, type.find(';')) + "|";
    for (const char* key : {"name", "data"}) {
      if (req.has_file(key)) {
        auto file = req.get_file_value(key);
        out += std::string(key) + "=" + file.content + (file.filename.empty() ? "" : "(" + file.filename + ")") + "|";
      } else if (req.has_param(key)) {
        out += std::string(key) + "=" + req.get_param_value(key) + "|";
      }
    }
    res.set_content(out, "application/octet-stream");
  });
  server.http().Post("/sink", [](const Req& req, Res& res) {
    res.set_content(std::to_string(req.body.size()), "text/plain");
  });
  server.start();

  auto encoded = get(server.url("/form"));
  encoded->setPostValue("J\u00f6rg & co", "name");
  Recorder r1;
  ASSERT_TRUE(run(encoded, r1));
  EXPECT_EQ(encoded->responseData(), "application/x-www-form-urlencoded|name=J\u00f6rg & co|");

  auto multipart = get(server.url("/form"));
  multipart->setPostValue("plain", "name");
  multipart->setData(std::string("\0\1bin", 5), "data", "blob.bin");
  Recorder r2;
  ASSERT_TRUE(run(multipart, r2));
  EXPECT_EQ(multipart->responseData(), "multipart/form-data|name=plain|data=" + std::string("\0\1bin", 5) + "(blob.bin)|");

  auto upload = get(server.url("/sink"));
  upload->setRequestMethod("POST");
  upload->addRequestHeader("Content-Type", "application/octet-stream");
  upload->setPostBody(pseudoRandomBytes(2 << 20));
  ProgressLog progress;
  upload->setUploadProgressDelegate(&progress);
  Recorder r3;
  ASSERT_TRUE(run(upload, r3));
  EXPECT_EQ(upload->responseData(), std::to_string(2 << 20));
  ASSERT_FALSE(progress.values.empty());
  EXPECT_TRUE(progress.strictlyIncreasing());
  EXPECT_EQ(progress.values.back(), 1.0f);
}

TEST_F(TransportTest, BodiesPastTheLimitFailAsReceivedAndAsInflated) {
  constexpr std::int64_t kLimit = 1 << 20;
  const std::string zeros(8 << 20, '\0');
  const std::string bomb = gzip(zeros);  // a few kilobytes that inflate to 8 MB
  ASSERT_LT(bomb.size(), 64u << 10);
  const std::string plain(2 << 20, 'x');
  server.http().Get("/bomb", [&](const Req&, Res& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(bomb, "application/octet-stream");
  });
  server.http().Get("/plain", [&](const Req&, Res& res) { res.set_content(plain, "application/octet-stream"); });
  // Its length announced, and three quarters of it sent: past what memory
  // keeps of a reply that may spill.
  server.http().Get("/cut", [&](const Req&, Res& res) {
    res.set_content_provider(plain.size(), "application/octet-stream",
                             [&](size_t offset, size_t, httplib::DataSink& sink) {
                               return offset == 0 && sink.write(plain.data(), plain.size() * 3 / 4) && false;
                             });
  });
  // Without a length: the limit is met while the bytes arrive.
  serveInPieces(server, "/stream", plain, 64 << 10);
  server.start();
  const auto stopped = server.stopWhenDone();

  // The same address answers within a larger limit: the limit alone decides.
  for (const char* path : {"/bomb", "/plain", "/stream"}) {
    SCOPED_TRACE(path);
    auto limited = get(server.url(path));
    limited->setBodyLimit(kLimit);
    Recorder r1;
    ASSERT_TRUE(run(limited, r1));
    ASSERT_EQ(r1.failed, 1);
    EXPECT_EQ(limited->error()->code, static_cast<long>(RequestError::ReplyTooLarge));
    EXPECT_TRUE(limited->responseData().empty());

    auto roomy = get(server.url(path));
    roomy->setBodyLimit(std::int64_t{16} << 20);
    Recorder r2;
    ASSERT_TRUE(run(roomy, r2));
    ASSERT_EQ(r2.finished, 1);
    EXPECT_EQ(roomy->responseData().size(), std::string_view(path) == "/bomb" ? zeros.size() : plain.size());
  }

  // Exactly the limit passes.
  auto exact = get(server.url("/plain"));
  exact->setBodyLimit(static_cast<std::int64_t>(plain.size()));
  Recorder r3;
  ASSERT_TRUE(run(exact, r3));
  EXPECT_EQ(r3.finished, 1);

  // A file written to disk is not held in memory and not limited.
  auto download = get(server.url("/plain"));
  download->setBodyLimit(kLimit);
  download->setDownloadDestinationPath(root / "Documents" / "plain.bin");
  Recorder r4;
  ASSERT_TRUE(run(download, r4));
  EXPECT_EQ(r4.finished, 1);
  EXPECT_EQ(readFile(root / "Documents" / "plain.bin").size(), plain.size());

  // A body that may go to a file goes there once past the limit, whole
  // however it came, and the file goes with its last holder. One cut short
  // leaves no file; so does one the disk has no room for, which stays in
  // memory within the limit.
  const fs::path spill = root / "tmp" / "replies" / "reply";
  const auto spilling = [&](const char* path) {
    auto request = get(server.url(path));
    request->setBodyLimit(kLimit);
    request->setSpillFile(spill);
    return request;
  };
  for (const char* path : {"/bomb", "/plain", "/stream"}) {
    SCOPED_TRACE(path);
    auto request = spilling(path);
    Recorder r;
    ASSERT_TRUE(run(request, r));
    ASSERT_EQ(r.finished, 1);
    EXPECT_TRUE(request->responseData().empty());
    auto file = request->takeResponseFile();
    ASSERT_TRUE(file);
    EXPECT_EQ(readFile(file->path()), std::string_view(path) == "/bomb" ? zeros : plain);
    file.reset();
    EXPECT_FALSE(fs::exists(spill));
  }
  auto cut = spilling("/cut");
  Recorder r5;
  ASSERT_TRUE(run(cut, r5));
  EXPECT_EQ(r5.failed, 1);
  EXPECT_FALSE(cut->takeResponseFile());
  EXPECT_FALSE(fs::exists(spill));
  const std::uint64_t capacity = std::uint64_t{8} << 30;
  DiskRoom::setReading([&](const fs::path&) {
    return std::optional(DiskRoom::Space{capacity, DiskRoom::kMarginBytes + (1 << 20)});
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  for (const char* path : {"/bomb", "/plain", "/stream"}) {
    SCOPED_TRACE(path);
    auto request = spilling(path);
    Recorder r;
    ASSERT_TRUE(run(request, r));
    ASSERT_EQ(r.failed, 1);
    EXPECT_EQ(request->error()->code, static_cast<long>(RequestError::NoRoom));
    EXPECT_FALSE(fs::exists(spill));
  }

  // Every request starts with a limit.
  EXPECT_EQ(get("http://127.0.0.1/")->bodyLimit(), std::int64_t{256} << 20);
}

// A reply past what memory keeps goes on in its spill file while the disk
// has room for it, and for what its reader takes beside it. A disk that
// runs short before the reply ends sends it back to memory when memory may
// keep it, whether it came compressed or not, and fails it for want of room
// when not. No file is left either way.
TEST_F(TransportTest, ASpilledReplyTheDiskRunsShortOfGoesBackToMemoryWhenItFits) {
  std::string text;
  for (int row = 0; text.size() < (std::size_t{8} << 20); ++row) text += "{\"row\":" + std::to_string(row) + "},";
  const std::string compressed = gzip(text);
  server.http().Get("/gzip", [&](const Req&, Res& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(compressed, "application/octet-stream");
  });
  serveInPieces(server, "/stream", text, 256 << 10);
  server.http().Get("/plain", [&](const Req&, Res& res) { res.set_content(text, "application/octet-stream"); });
  server.start();
  const auto stopped = server.stopWhenDone();

  // A disk with room above its margin for 6 of the reply's 8 MB, which the
  // spill file takes as it grows.
  const fs::path folder = root / "tmp" / "replies";
  std::uint64_t room = std::uint64_t{6} << 20;
  const auto filesLeft = [&] {
    std::error_code ec;
    std::size_t files = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) ++files;
    return files;
  };
  std::uint64_t fullest = 0;
  DiskRoom::setReading([&](const fs::path&) {
    const std::uint64_t spilled = bytesUnder(folder);
    fullest = std::max(fullest, spilled);
    return std::optional(DiskRoom::Space{std::uint64_t{8} << 30, DiskRoom::kMarginBytes + room - std::min(room, spilled)});
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  const auto spilling = [&](const char* path, std::int64_t limit) {
    auto request = get(server.url(path));
    request->setBodyLimit(limit);
    request->setSpillFile(folder / "reply");
    return request;
  };
  for (const char* path : {"/gzip", "/stream", "/plain"}) {
    SCOPED_TRACE(path);
    fullest = 0;
    auto kept = spilling(path, std::int64_t{16} << 20);
    Recorder r1;
    ASSERT_TRUE(run(kept, r1));
    ASSERT_EQ(r1.finished, 1) << (r1.errorCodes.empty() ? 0 : r1.errorCodes[0]);
    EXPECT_FALSE(kept->takeResponseFile());
    EXPECT_EQ(kept->responseData().size(), text.size());
    EXPECT_TRUE(kept->responseData() == text);
    // Those of unknown length went to the disk first.
    EXPECT_EQ(fullest > 0, std::string_view(path) != "/plain");
    EXPECT_LE(fullest, room);
    EXPECT_EQ(filesLeft(), 0u);

    // Memory may keep less than the reply: the device has no room for it.
    auto refused = spilling(path, std::int64_t{7} << 20);
    Recorder r2;
    ASSERT_TRUE(run(refused, r2));
    ASSERT_EQ(r2.failed, 1);
    EXPECT_EQ(refused->error()->code, static_cast<long>(RequestError::NoRoom));
    EXPECT_TRUE(refused->responseData().empty());
    EXPECT_FALSE(refused->takeResponseFile());
    EXPECT_EQ(filesLeft(), 0u);
  }

  // Room for the reply, but not for it and as much again beside it, which
  // its reader takes: it never stays on the disk.
  room = std::uint64_t{12} << 20;
  for (const double share : {0.0, 1.0}) {
    for (const char* path : {"/gzip", "/stream", "/plain"}) {
      SCOPED_TRACE(std::string(path) + (share > 0 ? " with its reader's room" : " alone"));
      auto request = spilling(path, std::int64_t{16} << 20);
      request->setSpillStoreShare(share);
      Recorder r;
      ASSERT_TRUE(run(request, r));
      ASSERT_EQ(r.finished, 1);
      auto file = request->takeResponseFile();
      EXPECT_EQ(!file, share > 0);
      EXPECT_TRUE((file ? readFile(file->path()) : request->responseData()) == text);
      file.reset();
      EXPECT_EQ(filesLeft(), 0u);
    }
  }
}

// A compressed reply inflates no further than its ceiling, in its spill
// file as in memory: a small body that inflates to many times the ceiling
// ends as too large once it passes it, and leaves no file.
TEST_F(TransportTest, ACompressedReplyInflatesNoFurtherThanItsCeiling) {
  const std::string bomb = gzip(std::string(64 << 20, '\0'));
  ASSERT_LT(bomb.size(), 256u << 10);
  server.http().Get("/bomb", [&](const Req&, Res& res) {
    res.set_header("Content-Encoding", "gzip");
    res.set_content(bomb, "application/octet-stream");
  });
  server.start();
  const auto stopped = server.stopWhenDone();
  const fs::path folder = root / "tmp" / "replies";
  std::uint64_t fullest = 0;
  DiskRoom::setReading([&](const fs::path&) {
    fullest = std::max<std::uint64_t>(fullest, bytesUnder(folder));
    return std::optional(DiskRoom::Space{std::uint64_t{64} << 30, std::uint64_t{32} << 30});
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  constexpr std::int64_t kCeiling = std::int64_t{8} << 20;
  for (const bool spills : {true, false}) {
    SCOPED_TRACE(spills ? "spilled" : "in memory");
    auto request = get(server.url("/bomb"));
    request->setBodyLimit(std::int64_t{128} << 20);
    request->setInflatedLimit(kCeiling);
    if (spills) request->setSpillFile(folder / "reply");
    Recorder r;
    ASSERT_TRUE(run(request, r));
    ASSERT_EQ(r.failed, 1);
    EXPECT_EQ(request->error()->code, static_cast<long>(RequestError::ReplyTooLarge));
    EXPECT_NE(request->error()->failureReason.find("inflates past " + std::to_string(kCeiling) + " bytes"),
              std::string::npos)
        << request->error()->failureReason;
    EXPECT_TRUE(request->responseData().empty());
    EXPECT_FALSE(request->takeResponseFile());
    EXPECT_FALSE(fs::exists(folder / "reply"));
  }
  EXPECT_GT(fullest, 0u);
  EXPECT_LE(fullest, static_cast<std::uint64_t>(kCeiling));
}

TEST_F(TransportTest, ARequestThatFollowsNoRedirectFailsOnOneAndNeverReachesItsTarget) {
  std::atomic<int> reached{0};
  server.http().Post("/sign-in", [](const Req&, Res& res) { res.set_redirect("/elsewhere", 307); });
  server.http().Post("/elsewhere", [&](const Req& req, Res& res) {
    ++reached;
    res.set_content("taken: " + req.body, "text/plain");
  });
  server.start();

  auto refused = get(server.url("/sign-in"));
  refused->setRequestMethod("POST");
  refused->setPostBody("password digest");
  refused->setFollowsRedirects(false);
  Recorder r1;
  ASSERT_TRUE(run(refused, r1));
  ASSERT_EQ(r1.failed, 1);
  EXPECT_EQ(refused->error()->code, static_cast<long>(RequestError::RedirectRefused));
  EXPECT_EQ(refused->responseData(), "");
  EXPECT_EQ(reached.load(), 0);

  // A request that follows redirects still does.
  auto followed = get(server.url("/sign-in"));
  followed->setRequestMethod("POST");
  followed->setPostBody("page form");
  Recorder r2;
  ASSERT_TRUE(run(followed, r2));
  EXPECT_EQ(r2.finished, 1);
  EXPECT_EQ(followed->responseData(), "taken: page form");
  EXPECT_EQ(reached.load(), 1);
}

TEST_F(TransportTest, ARequestTakesNothingFromTheOneBeforeIt) {
  // Handles are kept between transfers: nothing one request set (method,
  // body, headers, credentials, cookies, redirect rule) may reach the next.
  const auto echo = [](const Req& req, Res& res) {
    // A request with a token is asked for its credentials first.
    if (req.has_header("X-Token") && !req.has_header("Authorization")) {
      res.status = 401;
      res.set_header("WWW-Authenticate", "Basic realm=\"test\"");
      return;
    }
    res.set_content(req.method + "|" + req.get_header_value("X-Token") + "|" + req.get_header_value("Authorization") +
                        "|" + req.get_header_value("Cookie") + "|" + req.body,
                    "text/plain");
  };
  server.http().Get("/set", [](const Req&, Res& res) {
    res.set_header("Set-Cookie", "session=abc123; Path=/");
    res.set_content("ok", "text/plain");
  });
  server.http().Get("/echo", echo);
  server.http().Post("/echo", echo);
  server.http().Post("/hop", [](const Req&, Res& res) { res.set_redirect("/echo", 307); });
  server.start();

  Recorder set;
  ASSERT_TRUE(run(get(server.url("/set")), set));
  auto dressed = get(server.url("/echo"));
  dressed->setRequestMethod("POST");
  dressed->setRequestHeaders({{"X-Token", "t1"}});
  dressed->setUsername("user");
  dressed->setPassword("secret");
  dressed->setPostBody("first");
  Recorder r1;
  ASSERT_TRUE(run(dressed, r1));
  ASSERT_EQ(r1.finished, 1);
  EXPECT_EQ(dressed->responseData(), "POST|t1|Basic dXNlcjpzZWNyZXQ=|session=abc123|first");

  CookieStore::sharedInstance().setCookieAcceptPolicy(CookieStore::AcceptPolicy::Never);
  auto plain = get(server.url("/echo"));
  Recorder r2;
  ASSERT_TRUE(run(plain, r2));
  ASSERT_EQ(r2.finished, 1);
  EXPECT_EQ(plain->responseData(), "GET||||");

  // One that follows a redirect, then one that must not.
  auto followed = get(server.url("/hop"));
  followed->setRequestMethod("POST");
  followed->setPostBody("second");
  Recorder r3;
  ASSERT_TRUE(run(followed, r3));
  ASSERT_EQ(r3.finished, 1);
  EXPECT_EQ(followed->responseData(), "POST||||second");
  auto refused = get(server.url("/hop"));
  refused->setRequestMethod("POST");
  refused->setPostBody("third");
  refused->setFollowsRedirects(false);
  Recorder r4;
  ASSERT_TRUE(run(refused, r4));
  ASSERT_EQ(r4.failed, 1);
  EXPECT_EQ(refused->error()->code, static_cast<long>(RequestError::RedirectRefused));
  EXPECT_EQ(refused->responseData(), "");
}

}  // namespace
}  // namespace mv::test
