#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <set>

#include "TransportFixture.hpp"
#include "FolderBytes.hpp"
#include "platform/base/QuickLane.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/NetworkEngine.hpp"
#include "transport/NetworkQueue.hpp"
#include "util/DiskRoom.hpp"

namespace mv::test {
namespace {

using Req = httplib::Request;
using Res = httplib::Response;
namespace fs = std::filesystem;

class DownloadTest : public TransportTest {
 protected:
  void SetUp() override {
    TransportTest::SetUp();
    content = pseudoRandomBytes(300000);
    destination = root / "Documents" / "client" / "images" / "photo.jpg";
    temporary = root / "tmp" / "tempDownload" / "client" / "1" / "photo.jpg";
  }

  // Serves `content`, honouring "Range: bytes=P-" unless told otherwise, and
  // remembers the Range header of every request.
  void serve(const std::string& path, std::function<void(const Req&, Res&)> special = nullptr) {
    server.http().Post(path, [this, special](const Req& req, Res& res) {
      const_cast<Req&>(req).ranges.clear();  // the server library must not slice on its own
      {
        std::lock_guard<std::mutex> lock(mutex);
        ranges.push_back(req.get_header_value("Range"));
      }
      if (special) return special(req, res);
      const std::string range = req.get_header_value("Range");
      if (range.rfind("bytes=", 0) == 0) {
        size_t from = std::stoul(range.substr(6));
        res.status = 206;
        res.set_header("Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(content.size() - 1) +
                                            "/" + std::to_string(content.size()));
        res.set_content(content.substr(from), "application/octet-stream");
      } else {
        res.set_content(content, "application/octet-stream");
      }
    });
  }

  std::shared_ptr<FormDataRequest> download(const std::string& path) {
    auto op = std::make_shared<FormDataRequest>(server.url(path));
    op->setRequestMethod("POST");
    op->setTimeOutSeconds(5);
    op->setDownloadDestinationPath(destination);
    op->setTemporaryFileDownloadPath(temporary);
    op->setAllowResumeForFileDownloads(true);
    op->setShouldResetDownloadProgress(false);
    return op;
  }

  // Serves `content` at `path`: without a range it promises everything, sends
  // the first half and hangs up; a range gets the rest. Answers the half.
  size_t serveCutInHalf(const std::string& path) {
    const size_t half = content.size() / 2;
    serve(path, [this, half](const Req& req, Res& res) {
      const std::string range = req.get_header_value("Range");
      if (range.empty()) {
        res.set_content_provider(content.size(), "application/octet-stream",
                                 [this, half](size_t offset, size_t, httplib::DataSink& sink) {
                                   if (offset >= half) return false;
                                   sink.write(content.data(), half);
                                   return true;
                                 });
        return;
      }
      const size_t from = std::stoul(range.substr(6));
      res.status = 206;
      res.set_header("Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(content.size() - 1) +
                                          "/" + std::to_string(content.size()));
      res.set_content(content.substr(from), "application/octet-stream");
    });
    return half;
  }

  // Starts `op`, told to `progress` and `rec`, and runs the main loop until
  // the share `upTo` of it has arrived.
  bool startUntil(const std::shared_ptr<FormDataRequest>& op, ProgressLog& progress, Recorder& rec, float upTo) {
    op->setDownloadProgressDelegate(&progress);
    op->setDelegate(&rec);
    return op->startAsynchronous() &&
           runUntil([&] { return !progress.values.empty() && progress.values.back() >= upTo; }, 5);
  }

  // Plants a partial file with the record of the file it belongs to.
  void plantPartial(const std::string& bytes, const std::string& validator, std::int64_t total) {
    writeFile(temporary, bytes);
    writeFile(FormDataRequest::resumeRecordPath(temporary), validator + "\n" + std::to_string(total) + "\n");
  }

  std::vector<std::string> seenRanges() {
    std::lock_guard<std::mutex> lock(mutex);
    return ranges;
  }

  std::string content;
  fs::path destination;
  fs::path temporary;
  std::mutex mutex;
  std::vector<std::string> ranges;
};

TEST_F(DownloadTest, WholeFileArrivesByteIdenticalWithChunksAndProgress) {
  serve("/file");
  server.start();
  auto op = download("/file");
  ProgressLog progress;
  op->setDownloadProgressDelegate(&progress);
  Recorder rec;
  rec.wantsData = true;
  ASSERT_TRUE(run(op, rec));
  ASSERT_EQ(rec.finished, 1);
  EXPECT_EQ(op->responseStatusCode(), 200);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_TRUE(op->responseData().empty());
  EXPECT_EQ(op->responseHeader("content-length"), std::to_string(content.size()));
  // Every chunk reached the delegate, after the status was known.
  EXPECT_EQ(rec.chunks, content);
  for (long status : rec.statusAtChunk) EXPECT_EQ(status, 200);
  ASSERT_FALSE(progress.values.empty());
  EXPECT_TRUE(progress.strictlyIncreasing());
  EXPECT_EQ(progress.values.back(), 1.0f);
  EXPECT_EQ(seenRanges(), std::vector<std::string>{""});
}

// Nobody follows this one as it comes (no progress, no chunks): only its end
// is posted, and it still tells the reply's lengths and the whole share.
TEST_F(DownloadTest, ADownloadNobodyFollowsTellsItsLengthsAtItsEnd) {
  const size_t half = content.size() / 2;
  serve("/file");
  serve("/missing", [](const Req&, Res& res) {
    res.status = 404;
    res.set_content("gone", "text/plain");
  });
  server.start();
  auto whole = download("/file");
  Recorder rec;
  ASSERT_TRUE(run(whole, rec));
  ASSERT_EQ(rec.finished, 1);
  EXPECT_TRUE(whole->downloadComplete());
  EXPECT_EQ(whole->contentLength(), static_cast<std::int64_t>(content.size()));
  EXPECT_EQ(whole->totalBytesRead(), static_cast<std::int64_t>(content.size()));
  EXPECT_EQ(whole->progressFraction(), 1.0);
  EXPECT_EQ(readFile(destination), content);

  // A continued file: the reply carried the rest only, and the share counts
  // the bytes that were on disk.
  fs::remove(destination);
  plantPartial(content.substr(0, half), "", static_cast<std::int64_t>(content.size()));
  auto rest = download("/file");
  Recorder second;
  ASSERT_TRUE(run(rest, second));
  ASSERT_EQ(second.finished, 1);
  EXPECT_EQ(rest->responseStatusCode(), 206);
  EXPECT_EQ(rest->partialDownloadSize(), static_cast<std::int64_t>(half));
  EXPECT_EQ(rest->contentLength(), static_cast<std::int64_t>(content.size() - half));
  EXPECT_EQ(rest->totalBytesRead(), static_cast<std::int64_t>(content.size() - half));
  EXPECT_EQ(rest->progressFraction(), 1.0);
  EXPECT_EQ(readFile(destination), content);

  // An answer that is no file: its body's length, and no share of a file.
  auto missing = download("/missing");
  Recorder third;
  ASSERT_TRUE(run(missing, third));
  EXPECT_EQ(missing->responseStatusCode(), 404);
  EXPECT_EQ(missing->contentLength(), 4);
  EXPECT_EQ(missing->totalBytesRead(), 4);
}

TEST_F(DownloadTest, ErrorAnswersLeaveNoFileAndDropThePartial) {
  for (int status : {404, 500}) {
    const std::string path = "/status" + std::to_string(status);
    serve(path, [status](const Req&, Res& res) {
      res.status = status;
      res.set_content("error page", "text/plain");
    });
  }
  server.start();
  for (int status : {404, 500}) {
    writeFile(temporary, "half of an old file");
    auto op = download("/status" + std::to_string(status));
    Recorder rec;
    ASSERT_TRUE(run(op, rec));
    EXPECT_EQ(rec.finished, 1) << status;
    EXPECT_EQ(op->responseStatusCode(), status);
    EXPECT_EQ(op->responseData(), "error page");
    EXPECT_FALSE(fs::exists(destination)) << status;
    EXPECT_FALSE(fs::exists(temporary)) << status;
  }
}

TEST_F(DownloadTest, InterruptedDownloadResumesWithARange) {
  const size_t half = serveCutInHalf("/cut");
  server.start();

  auto first = download("/cut");
  Recorder r1;
  ASSERT_TRUE(run(first, r1));
  ASSERT_EQ(r1.failed, 1);
  EXPECT_EQ(first->error()->code, static_cast<long>(RequestError::ConnectionFailure));
  EXPECT_FALSE(fs::exists(destination));
  ASSERT_EQ(fs::file_size(temporary), half);
  EXPECT_EQ(readFile(FormDataRequest::resumeRecordPath(temporary)), "\n" + std::to_string(content.size()) + "\n");

  auto second = download("/cut");
  ProgressLog progress;
  second->setDownloadProgressDelegate(&progress);
  Recorder r2;
  ASSERT_TRUE(run(second, r2));
  ASSERT_EQ(r2.finished, 1);
  EXPECT_EQ(second->responseStatusCode(), 206);
  EXPECT_EQ(second->partialDownloadSize(), static_cast<std::int64_t>(half));
  EXPECT_EQ(readFile(destination), content);
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_EQ(seenRanges().back(), "bytes=" + std::to_string(half) + "-");
  // Progress counts the bytes already on disk: it starts past one half.
  ASSERT_FALSE(progress.values.empty());
  EXPECT_GE(progress.values.front(), 0.5f);
  EXPECT_EQ(progress.values.back(), 1.0f);
}

// Each request looks for its partial file when it is handed over; one handed
// over before an earlier transfer left a partial file must still find it.
TEST_F(DownloadTest, ARequestWaitingInItsQueueFindsThePartialFileLeftBeforeItStarts) {
  const size_t half = serveCutInHalf("/cut");
  server.start();
  NetworkQueue queue;
  queue.setMaxConcurrentOperationCount(1);
  Recorder rec;
  queue.setDelegate(&rec);
  auto first = download("/cut");
  auto second = download("/cut");
  ASSERT_TRUE(queue.addOperation(first));
  ASSERT_TRUE(queue.addOperation(second));
  queue.go();
  ASSERT_TRUE(runUntil([&] { return rec.calls() == 2; }, 10));
  EXPECT_EQ(rec.failed, 1);
  EXPECT_EQ(rec.finished, 1);
  EXPECT_EQ(seenRanges(), (std::vector<std::string>{"", "bytes=" + std::to_string(half) + "-"}));
  EXPECT_EQ(second->partialDownloadSize(), static_cast<std::int64_t>(half));
  EXPECT_TRUE(readFile(destination) == content);
  EXPECT_FALSE(fs::exists(temporary));
}

// A file's next download starts only once the one before has put its file in
// place: a whole file, then one cut short, then another whole one, one after
// another on one path.
TEST_F(DownloadTest, TheNextDownloadOfAFileWaitsForTheOneBeforeToBeInPlace) {
  serve("/plain");
  serveCutInHalf("/cut");
  server.start();
  NetworkQueue queue;
  queue.setMaxConcurrentOperationCount(1);
  Recorder rec;
  queue.setDelegate(&rec);
  std::vector<std::shared_ptr<FormDataRequest>> ops{download("/plain"), download("/cut"), download("/plain"),
                                                    download("/plain")};
  for (auto& op : ops) ASSERT_TRUE(queue.addOperation(op));
  // The first download's file is checked the moment its end is told.
  bool firstWhole = false;
  queue.setRequestDidFinishSelector([&](FormDataRequest& op) {
    ++rec.finished;
    if (&op == ops[0].get()) firstWhole = readFile(destination) == content;
  });
  queue.go();
  ASSERT_TRUE(runUntil([&] { return rec.calls() == 4; }, 10));
  EXPECT_TRUE(firstWhole);
  EXPECT_EQ(rec.failed, 1);
  EXPECT_EQ(rec.finished, 3);
  EXPECT_TRUE(ops[2]->downloadComplete());
  EXPECT_TRUE(ops[3]->downloadComplete());
  EXPECT_TRUE(readFile(destination) == content);
  EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(DownloadTest, ServerIgnoringTheRangeRestartsTheFileCleanly) {
  serve("/plain", [&](const Req&, Res& res) { res.set_content(content, "application/octet-stream"); });
  server.start();
  plantPartial(content.substr(0, 1000), "", static_cast<std::int64_t>(content.size()));
  auto op = download("/plain");
  Recorder rec;
  ASSERT_TRUE(run(op, rec));
  ASSERT_EQ(rec.finished, 1);
  EXPECT_EQ(op->responseStatusCode(), 200);
  EXPECT_EQ(op->partialDownloadSize(), 0);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_EQ(seenRanges(), std::vector<std::string>{"bytes=1000-"});
}

TEST_F(DownloadTest, UnsatisfiableRangeRecovers) {
  // A partial that no longer fits the file: dropped, fetched again once whole.
  serve("/changed", [&](const Req& req, Res& res) {
    if (!req.get_header_value("Range").empty()) {
      res.status = 416;
      res.set_header("Content-Range", "bytes */" + std::to_string(content.size()));
      return;
    }
    res.set_content(content, "application/octet-stream");
  });
  // A partial that already holds the whole file: nothing more to fetch.
  serve("/complete", [&](const Req&, Res& res) {
    res.status = 416;
    res.set_header("Content-Range", "bytes */" + std::to_string(content.size()));
  });
  server.start();

  plantPartial(std::string(400000, 'z'), "", -1);
  auto stale = download("/changed");
  Recorder r1;
  ASSERT_TRUE(run(stale, r1));
  ASSERT_EQ(r1.finished, 1);
  EXPECT_EQ(stale->responseStatusCode(), 200);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_EQ(seenRanges(), (std::vector<std::string>{"bytes=400000-", ""}));

  fs::remove(destination);
  plantPartial(content, "", static_cast<std::int64_t>(content.size()));
  auto whole = download("/complete");
  Recorder r2;
  ASSERT_TRUE(run(whole, r2));
  ASSERT_EQ(r2.finished, 1);
  EXPECT_EQ(whole->responseStatusCode(), 200);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_FALSE(fs::exists(temporary));
}

TEST_F(DownloadTest, PartialDataIsContinuedOnlyForTheFileItBelongsTo) {
  serve("/file");
  std::vector<std::string> ifRanges;
  serve("/tagged", [&](const Req& req, Res& res) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      ifRanges.push_back(req.get_header_value("If-Range"));
    }
    res.set_header("ETag", "\"v2\"");
    res.set_content(content, "application/octet-stream");
  });
  server.start();
  const fs::path record = FormDataRequest::resumeRecordPath(temporary);

  // Bytes without a record are of unknown origin: fetched afresh.
  writeFile(temporary, content.substr(0, 1000));
  Recorder r1;
  ASSERT_TRUE(run(download("/file"), r1));
  ASSERT_EQ(r1.finished, 1);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_EQ(seenRanges(), std::vector<std::string>{""});

  // A part of a file of another length does not continue the partial data.
  fs::remove(destination);
  plantPartial(std::string(1000, 'q'), "", static_cast<std::int64_t>(content.size()) + 5);
  Recorder r2;
  ASSERT_TRUE(run(download("/file"), r2));
  ASSERT_EQ(r2.finished, 1);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_EQ(seenRanges(), (std::vector<std::string>{"", "bytes=1000-", ""}));

  // The validator goes along; a server with another version sends it whole.
  fs::remove(destination);
  plantPartial(std::string(1000, 'q'), "\"v1\"", static_cast<std::int64_t>(content.size()));
  auto tagged = download("/tagged");
  Recorder r3;
  ASSERT_TRUE(run(tagged, r3));
  ASSERT_EQ(r3.finished, 1);
  EXPECT_EQ(tagged->responseStatusCode(), 200);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_EQ(ifRanges, std::vector<std::string>{"\"v1\""});
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_FALSE(fs::exists(record));
}

TEST_F(DownloadTest, ACompressedBodyIsTakenOnlyWhenAskedForAndInflatesWithinTheLimit) {
  const std::string zeros(8 << 20, '\0');
  const std::string bomb = gzip(zeros);
  ASSERT_LT(bomb.size(), 64u << 10);
  std::vector<std::string> asked;
  for (const std::string encoding : {"gzip", "br"}) {
    serve("/" + encoding, [&, encoding](const Req& req, Res& res) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        asked.push_back(req.get_header_value("Accept-Encoding"));
      }
      res.set_header("Content-Encoding", encoding);
      res.set_content(bomb, "application/octet-stream");
    });
  }
  server.start();
  const fs::path record = FormDataRequest::resumeRecordPath(temporary);

  // A download asks for the bytes as stored and refuses any other: the copy
  // in place stays, and the partial data and its record go.
  for (const char* path : {"/gzip", "/br"}) {
    SCOPED_TRACE(path);
    writeFile(destination, "old copy");
    plantPartial(content.substr(0, 1000), "", static_cast<std::int64_t>(content.size()));
    auto refused = download(path);
    Recorder rec;
    ASSERT_TRUE(run(refused, rec));
    ASSERT_EQ(rec.failed, 1);
    EXPECT_EQ(refused->error()->code, static_cast<long>(RequestError::DecodingFailed));
    EXPECT_FALSE(refused->downloadComplete());
    EXPECT_EQ(readFile(destination), "old copy");
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_FALSE(fs::exists(record));
  }
  EXPECT_EQ(asked, (std::vector<std::string>{"identity", "identity"}));
  // A message asks for gzip and deflate only.
  auto message = std::make_shared<FormDataRequest>(server.url("/br"));
  message->setRequestMethod("POST");
  Recorder r1;
  ASSERT_TRUE(run(message, r1));
  ASSERT_EQ(r1.failed, 1);
  EXPECT_EQ(message->error()->code, static_cast<long>(RequestError::DecodingFailed));
  EXPECT_TRUE(message->responseData().empty());

  // A download that asks for gzip inflates it to its file, within its limit.
  fs::remove(destination);
  for (std::int64_t limit : {std::int64_t{1} << 20, std::int64_t{16} << 20}) {
    auto asking = download("/gzip");
    asking->addRequestHeader("Accept-Encoding", "gzip");
    asking->setBodyLimit(limit);
    Recorder rec;
    ASSERT_TRUE(run(asking, rec));
    if (limit < static_cast<std::int64_t>(zeros.size())) {
      ASSERT_EQ(rec.failed, 1);
      EXPECT_EQ(asking->error()->code, static_cast<long>(RequestError::ReplyTooLarge));
      EXPECT_FALSE(fs::exists(destination));
      EXPECT_FALSE(fs::exists(temporary));
      EXPECT_FALSE(fs::exists(record));
    } else {
      ASSERT_EQ(rec.finished, 1);
      EXPECT_EQ(fs::file_size(destination), zeros.size());
    }
  }
}

TEST_F(DownloadTest, OnlyAWholeBodyOfA200IsAFile) {
  struct Case {
    int status;
    std::string body;
  };
  const std::vector<Case> cases = {{202, "Accepted: the file is being prepared"}, {204, ""}, {200, ""}};
  for (const auto& c : cases) {
    serve("/answer" + std::to_string(c.status), [c](const Req&, Res& res) {
      res.status = c.status;
      if (c.status != 204) res.set_content(c.body, "text/plain");
    });
  }
  serve("/file");
  server.start();
  for (const auto& c : cases) {
    writeFile(destination, "good old copy");
    plantPartial("half", "", 1000);
    auto op = download("/answer" + std::to_string(c.status));
    Recorder rec;
    ASSERT_TRUE(run(op, rec));
    EXPECT_EQ(rec.finished, 1) << c.status;
    EXPECT_EQ(op->responseStatusCode(), c.status);
    EXPECT_FALSE(op->downloadComplete()) << c.status;
    EXPECT_EQ(op->responseData(), c.body);
    EXPECT_EQ(readFile(destination), "good old copy") << c.status;
    EXPECT_FALSE(fs::exists(temporary)) << c.status;
  }
  auto op = download("/file");
  Recorder rec;
  ASSERT_TRUE(run(op, rec));
  EXPECT_TRUE(op->downloadComplete());
  EXPECT_EQ(readFile(destination), content);
}

// A download's file goes into place only when its check takes the bytes (it
// is given the file's start: kept as it came, or read from the disk the file
// was continued on) and only within its bound: past that, announced or as it
// comes, the transfer stops there and keeps nothing.
TEST_F(DownloadTest, OnlyBytesTheCheckTakesWithinTheBoundBecomeTheFile) {
  serve("/file");
  const size_t half = serveCutInHalf("/cut");
  serve("/endless", [this](const Req&, Res& res) {
    res.set_chunked_content_provider("application/octet-stream", [this](size_t, httplib::DataSink& sink) {
      return sink.write(content.data(), content.size());
    });
  });
  server.start();
  std::vector<std::pair<std::string, std::int64_t>> seen;
  // What the check finds of a file written as it came: all of it, its end too.
  std::vector<std::uintmax_t> onDisk;
  const auto check = [&seen, &onDisk](TransferSetup::FileRefusal refusal) {
    return [&seen, &onDisk, refusal](std::string_view head, std::int64_t size, const fs::path& written) {
      seen.emplace_back(std::string(head.substr(0, 64)), size);
      std::error_code ec;
      if (!written.empty()) onDisk.push_back(fs::file_size(written, ec));
      return refusal;
    };
  };
  const std::pair<std::string, std::int64_t> whole{content.substr(0, 64), static_cast<std::int64_t>(content.size())};
  writeFile(destination, "good old copy");
  // The transfer fails with the check's own error.
  for (const RequestError error : {RequestError::NotTheFile, RequestError::FileCutShort}) {
    seen.clear();
    onDisk.clear();
    auto refused = download("/file");
    refused->setFileCheck(check({error, "a web page"}));
    Recorder rec;
    ASSERT_TRUE(run(refused, rec));
    EXPECT_EQ(rec.errorCodes, std::vector<long>{static_cast<long>(error)});
    EXPECT_EQ(refused->error()->failureReason, "a web page");
    EXPECT_EQ(seen, (std::vector{whole}));
    EXPECT_EQ(onDisk, std::vector<std::uintmax_t>{content.size()});
    EXPECT_EQ(readFile(destination), "good old copy");
  }
  for (const char* path : {"/file", "/endless"}) {
    auto large = download(path);
    large->setFileLimit(static_cast<std::int64_t>(content.size()) - 1);
    Recorder r;
    ASSERT_TRUE(run(large, r)) << path;
    EXPECT_EQ(r.errorCodes, std::vector<long>{static_cast<long>(RequestError::ReplyTooLarge)}) << path;
    EXPECT_EQ(readFile(destination), "good old copy") << path;
    EXPECT_FALSE(fs::exists(temporary)) << path;
  }

  auto first = download("/cut");
  Recorder r1;
  ASSERT_TRUE(run(first, r1));
  ASSERT_EQ(fs::file_size(temporary), half);
  seen.clear();
  auto second = download("/cut");
  second->setFileCheck(check({}));
  second->setFileLimit(static_cast<std::int64_t>(content.size()));
  Recorder r2;
  ASSERT_TRUE(run(second, r2));
  EXPECT_EQ(r2.finished, 1);
  EXPECT_EQ(readFile(destination), content);
  EXPECT_EQ(seen, (std::vector{whole}));
}

TEST_F(DownloadTest, APartThatStopsShortIsKeptForAResumeAndNeverBecomesTheFile) {
  constexpr size_t kPart = 100;
  bool honest = false;
  // Answers every request with a part of kPart bytes from where it asks,
  // until told to send the rest.
  serve("/short", [&](const Req& req, Res& res) {
    const std::string range = req.get_header_value("Range");
    const size_t from = range.rfind("bytes=", 0) == 0 ? std::stoul(range.substr(6)) : 0;
    const size_t to = honest ? content.size() - 1 : from + kPart - 1;
    res.status = 206;
    res.set_header("Content-Range", "bytes " + std::to_string(from) + "-" + std::to_string(to) + "/" +
                                        std::to_string(content.size()));
    res.set_content(content.substr(from, to - from + 1), "application/octet-stream");
  });
  // A part whose bytes are not its range, and a range past the file's end.
  serve("/mismatch", [&](const Req&, Res& res) {
    res.status = 206;
    res.set_header("Content-Range", "bytes 0-99/" + std::to_string(content.size()));
    res.set_content(content.substr(0, 150), "application/octet-stream");
  });
  serve("/beyond", [&](const Req&, Res& res) {
    res.status = 206;
    res.set_header("Content-Range", "bytes 0-999/500");
    res.set_content(content.substr(0, 1000), "application/octet-stream");
  });
  server.start();
  writeFile(destination, "good old copy");

  // A fresh download answered "bytes 0-99/N", then a resume answered
  // "bytes 100-199/N": each a failed attempt that keeps what came.
  for (size_t kept : {kPart, 2 * kPart}) {
    auto op = download("/short");
    Recorder rec;
    ASSERT_TRUE(run(op, rec));
    ASSERT_EQ(rec.failed, 1) << kept;
    EXPECT_EQ(op->error()->code, static_cast<long>(RequestError::IncompleteFile));
    EXPECT_FALSE(op->downloadComplete());
    EXPECT_EQ(readFile(destination), "good old copy");
    EXPECT_EQ(readFile(temporary), content.substr(0, kept));
    EXPECT_EQ(readFile(FormDataRequest::resumeRecordPath(temporary)), "\n" + std::to_string(content.size()) + "\n");
  }
  EXPECT_EQ(seenRanges(), (std::vector<std::string>{"", "bytes=100-"}));
  // The rest, once sent, completes the file.
  honest = true;
  auto op = download("/short");
  Recorder rec;
  ASSERT_TRUE(run(op, rec));
  ASSERT_EQ(rec.finished, 1);
  EXPECT_TRUE(op->downloadComplete());
  EXPECT_EQ(op->partialDownloadSize(), static_cast<std::int64_t>(2 * kPart));
  EXPECT_EQ(readFile(destination), content);
  EXPECT_FALSE(fs::exists(temporary));

  // Bytes that are not what the range names are not kept; a range past the
  // file's end is not taken at all.
  for (const char* path : {"/mismatch", "/beyond"}) {
    writeFile(destination, "good old copy");
    auto bad = download(path);
    Recorder r;
    ASSERT_TRUE(run(bad, r));
    EXPECT_EQ(r.failed, 1) << path;
    EXPECT_FALSE(bad->downloadComplete());
    EXPECT_EQ(readFile(destination), "good old copy") << path;
    EXPECT_FALSE(fs::exists(temporary)) << path;
  }
}

// A small file goes to disk only once it is whole; a large one is written as
// it comes, so a long download never sits in memory.
TEST_F(DownloadTest, ASmallFileIsWrittenWholeAndALargeOneAsItComes) {
  std::mutex gate;
  std::condition_variable opened;
  bool released = false;
  std::string sent;
  size_t cut = 0;
  serve("/slow", [&](const Req&, Res& res) {
    res.set_content_provider(sent.size(), "application/octet-stream",
                             [&](size_t offset, size_t, httplib::DataSink& sink) {
                               if (offset == 0) {
                                 sink.write(sent.data(), cut);
                                 return true;
                               }
                               std::unique_lock<std::mutex> lock(gate);
                               if (!opened.wait_for(lock, std::chrono::seconds(5), [&] { return released; }))
                                 return false;
                               sink.write(sent.data() + offset, sent.size() - offset);
                               return true;
                             });
  });
  server.start();
  const auto stopped = server.stopWhenDone();

  for (const size_t size : {size_t{60000}, content.size()}) {
    sent = content.substr(0, size);
    cut = size * 9 / 10;
    released = false;
    auto op = download("/slow");
    ProgressLog progress;
    Recorder rec;
    // Everything before the pause has arrived.
    ASSERT_TRUE(startUntil(op, progress, rec, 0.9f)) << size;
    if (size < 100000) {
      EXPECT_FALSE(fs::exists(temporary)) << size;
    } else {
      ASSERT_TRUE(fs::exists(temporary)) << size;
      const std::string onDisk = readFile(temporary);
      EXPECT_GT(onDisk.size(), cut * 3 / 4) << size;
      EXPECT_EQ(onDisk, sent.substr(0, onDisk.size())) << size;
    }
    {
      std::lock_guard<std::mutex> lock(gate);
      released = true;
    }
    opened.notify_all();
    ASSERT_TRUE(runUntil([&] { return rec.calls() > 0; }, 10)) << size;
    EXPECT_EQ(rec.finished, 1) << size;
    EXPECT_EQ(readFile(destination), sent) << size;
    EXPECT_FALSE(fs::exists(temporary)) << size;
  }
}

// Whatever its size, or however it says it, a file is written only into the
// room the disk has above its margin; one past it stops with that reason and
// leaves nothing of itself, while one that fits arrives as ever.
TEST_F(DownloadTest, AFileNeverTakesTheDisksMargin) {
  serve("/file");
  const size_t half = serveCutInHalf("/cut");
  std::string sent;
  serve("/unsized", [&sent](const Req&, Res& res) {
    res.set_chunked_content_provider("application/octet-stream", [&sent](size_t offset, httplib::DataSink& sink) {
      if (offset < sent.size()) sink.write(sent.data() + offset, std::min<size_t>(sent.size() - offset, 32768));
      if (offset + 32768 >= sent.size()) sink.done();
      return true;
    });
  });
  server.start();
  const auto stopped = server.stopWhenDone();
  // A disk whose room above the margin is `room` bytes before the test
  // wrote anything, and shrinks by what it writes.
  const auto used = [this] { return bytesUnder(root); };
  const std::uint64_t capacity = std::uint64_t{64} << 30;
  std::uint64_t room = 0;
  std::uint64_t before = 0;
  DiskRoom::setReading([&](const fs::path&) -> std::optional<DiskRoom::Space> {
    return DiskRoom::Space{capacity, DiskRoom::kMarginBytes + room + before - used()};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  const auto fetch = [&](const std::string& path, std::uint64_t roomLeft) {
    room = roomLeft;
    before = used();
    auto op = download(path);
    Recorder rec;
    EXPECT_TRUE(run(op, rec)) << path;
    return rec;
  };
  // Announced or not, held whole or written as it comes: each fits exactly.
  for (const std::string path : {"/file", "/unsized"}) {
    for (const size_t size : {size_t{60000}, content.size()}) {
      SCOPED_TRACE(path + " " + std::to_string(size));
      sent = content.substr(0, size);
      const std::string expected = path == "/file" ? content : sent;
      fs::remove(destination);
      const Recorder fits = fetch(path, expected.size());
      EXPECT_EQ(fits.finished, 1);
      EXPECT_EQ(readFile(destination), expected);
      writeFile(destination, "good old copy");
      const Recorder refused = fetch(path, expected.size() * 9 / 10);
      EXPECT_EQ(refused.errorCodes, std::vector<long>{static_cast<long>(RequestError::NoRoom)});
      EXPECT_EQ(readFile(destination), "good old copy");
      EXPECT_FALSE(fs::exists(temporary));
      EXPECT_FALSE(fs::exists(FormDataRequest::resumeRecordPath(temporary)));
    }
  }
  // A resume needs room for the rest only; short of it, the part on disk
  // goes too.
  fs::remove(destination);
  Recorder cut = fetch("/cut", content.size());
  ASSERT_EQ(fs::file_size(temporary), half);
  const Recorder rest = fetch("/cut", content.size() - half);
  EXPECT_EQ(rest.finished, 1);
  EXPECT_EQ(readFile(destination), content);
  fs::remove(destination);
  cut = fetch("/cut", content.size());
  ASSERT_EQ(fs::file_size(temporary), half);
  const Recorder noRest = fetch("/cut", (content.size() - half) / 2);
  EXPECT_EQ(noRest.errorCodes, std::vector<long>{static_cast<long>(RequestError::NoRoom)});
  EXPECT_FALSE(fs::exists(destination));
  EXPECT_FALSE(fs::exists(temporary));
}

// The file goes into place off the network thread: a place it cannot go is a
// failure that says where, and leaves what was there.
TEST_F(DownloadTest, AFileThatCannotGoIntoPlaceFailsAndLeavesThePlaceAlone) {
  serve("/file");
  serve("/small", [&](const Req&, Res& res) { res.set_content(content.substr(0, 5000), "image/png"); });
  server.start();
  fs::create_directories(destination / "kept");
  for (const char* path : {"/file", "/small"}) {
    auto op = download(path);
    Recorder rec;
    ASSERT_TRUE(run(op, rec)) << path;
    ASSERT_EQ(rec.failed, 1) << path;
    EXPECT_EQ(op->error()->code, static_cast<long>(RequestError::FileWriteFailed)) << path;
    EXPECT_FALSE(op->downloadComplete()) << path;
    EXPECT_TRUE(fs::is_directory(destination / "kept")) << path;
  }
}

// Once the engine has settled, a transfer it was told to stop has kept what
// it keeps and writes nothing more: its folder can go for good.
TEST_F(DownloadTest, AfterTheEngineSettlesAStoppedDownloadWritesNothingMore) {
  const size_t half = content.size() / 2;
  serve("/stall", [&](const Req&, Res& res) {
    res.set_content_provider(content.size(), "application/octet-stream",
                             [&, half](size_t offset, size_t, httplib::DataSink& sink) {
                               if (offset >= half) return server.waitOrStop(10) && false;
                               sink.write(content.data(), half);
                               return true;
                             });
  });
  server.start();
  auto op = download("/stall");
  ProgressLog progress;
  Recorder rec;
  ASSERT_TRUE(startUntil(op, progress, rec, 0.5f));
  op->clearDelegatesAndCancel();
  ASSERT_TRUE(NetworkEngine::shared().settle());
  // What came is on disk for a resume, at once.
  EXPECT_EQ(fs::file_size(temporary), half);
  EXPECT_EQ(readFile(FormDataRequest::resumeRecordPath(temporary)), "\n" + std::to_string(content.size()) + "\n");
  fs::remove_all(root / "tmp");
  runUntil([] { return false; }, 0.3);
  EXPECT_FALSE(fs::exists(root / "tmp"));
  EXPECT_EQ(rec.calls(), 0);
}

// Each file of a batch is in place, whole, when its end is told, however the
// ends are gathered on their way to the main loop.
// Each file of a batch is in place, byte for byte, when its end is told:
// files of every size one after another, in two batches, the second held in
// the buffers the first gave back, most of each batch waiting to start
// while the rest runs.
TEST_F(DownloadTest, EveryFileOfABatchIsInPlaceWhenItsEndIsTold) {
  const auto bytesOf = [](const std::string& name) {
    const int n = std::stoi(name);
    // Large and small ones in turn, so that a buffer left by a larger file
    // holds a smaller one.
    const std::size_t size = n % 3 == 0 ? static_cast<std::size_t>(n) * 7919 % 150000 : static_cast<std::size_t>(n) * 13;
    return "picture " + name + ":" + std::string(size, static_cast<char>('a' + n % 26));
  };
  server.http().Post(R"(/n/(\d+))", [&](const Req& req, Res& res) {
    res.set_content(bytesOf(req.matches[1]), "image/png");
  });
  server.start();
  struct Checker : RequestDelegate {
    std::function<bool(const fs::path&)> whole;
    int inPlace = 0;
    int failed = 0;
    void requestFinished(FormDataRequest& op) override {
      if (whole(op.downloadDestinationPath()) && !fs::exists(op.temporaryFileDownloadPath())) ++inPlace;
    }
    void requestFailed(FormDataRequest&) override { ++failed; }
  } checker;
  checker.whole = [&](const fs::path& path) { return readFile(path) == bytesOf(path.filename().string()); };
  constexpr int kFiles = 150;
  for (int round = 0; round < 2; ++round) {
    checker.inPlace = checker.failed = 0;
    NetworkQueue queue;
    queue.setMaxConcurrentOperationCount(3);
    queue.setDelegate(&checker);
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = std::to_string(round * kFiles + i);
      auto op = download("/n/" + name);
      op->setDownloadDestinationPath(destination.parent_path() / name);
      op->setTemporaryFileDownloadPath(temporary.parent_path() / name);
      ASSERT_TRUE(queue.addOperation(op));
    }
    queue.go();
    ASSERT_TRUE(runUntil([&] { return checker.inPlace + checker.failed == kFiles; }, 20)) << round;
    EXPECT_EQ(checker.inPlace, kFiles) << round;
    EXPECT_EQ(queue.requestsCount(), 0) << round;
  }
}

// A file whose check takes long (a picture read through) holds up no other:
// the files behind it arrive, are checked and told meanwhile, never on the
// main thread; it goes into place with its verdict, and one cancelled while
// its check runs never does, nor tells its end.
TEST_F(DownloadTest, AFileWhoseCheckTakesLongHoldsUpNoOtherFile) {
  server.http().Post(R"(/n/(\w+))", [](const Req& req, Res& res) {
    res.set_content("picture " + std::string(req.matches[1]), "image/png");
  });
  server.start();
  std::mutex held;
  std::condition_variable released;
  bool release = false, onMainThread = false;
  std::multiset<std::string> checked;
  const auto checkOf = [&](const std::string& name) {
    return [&, name](std::string_view, std::int64_t, const fs::path&) {
      // A long check asks first, as a read-through does: on the quick lane
      // it is put off to the slow one, never holding the files behind it.
      const bool slow = name == "slow" || name == "dropped";
      if (slow && !base::QuickLane::mayTakeLong()) return TransferSetup::FileRefusal{};
      std::unique_lock<std::mutex> lock(held);
      checked.insert(name);
      onMainThread = onMainThread || base::RunLoop::main().isMainThread();
      if (slow) released.wait(lock, [&] { return release; });
      return TransferSetup::FileRefusal{};
    };
  };
  NetworkQueue queue;
  queue.setMaxConcurrentOperationCount(2);
  Recorder rec;
  queue.setDelegate(&rec);
  const std::vector<std::string> names{"slow", "dropped", "0", "1", "2", "3", "4", "5", "6", "7"};
  std::map<std::string, std::shared_ptr<FormDataRequest>> ops;
  const auto letGo = [&] {
    {
      std::lock_guard<std::mutex> lock(held);
      release = true;
    }
    released.notify_all();
  };
  // However the test ends, the checks held are let go and end before what
  // they read does: a test that fails says so, it never waits for ever.
  struct LetGo {
    std::function<void()> go;
    ~LetGo() {
      go();
      EXPECT_TRUE(NetworkEngine::shared().settle()) << "the checks let go did not end";
    }
  } letGoAtEnd{letGo};
  const fs::path folder = destination.parent_path();
  for (const auto& name : names) {
    auto op = ops[name] = download("/n/" + name);
    op->setDownloadDestinationPath(folder / name);
    op->setTemporaryFileDownloadPath(temporary.parent_path() / name);
    op->setFileCheck(checkOf(name));
    ASSERT_TRUE(queue.addOperation(op));
  }
  queue.go();
  ASSERT_TRUE(runUntil([&] { return rec.finished == 8; }, 10));
  EXPECT_FALSE(fs::exists(folder / "slow"));
  // The file is dropped while its check runs, not while it waits for one.
  ASSERT_TRUE(runUntil(
      [&] {
        std::lock_guard<std::mutex> lock(held);
        return checked.count("dropped") > 0;
      },
      10));
  ops["dropped"]->clearDelegatesAndCancel();
  letGo();
  ASSERT_TRUE(runUntil([&] { return rec.finished == 9; }, 10));
  ASSERT_TRUE(NetworkEngine::shared().settle());
  runUntil([] { return false; }, 0.2);
  EXPECT_EQ(readFile(folder / "slow"), "picture slow");
  EXPECT_FALSE(fs::exists(folder / "dropped"));
  EXPECT_EQ(rec.calls(), 9);
  std::lock_guard<std::mutex> lock(held);
  EXPECT_EQ(checked, std::multiset<std::string>(names.begin(), names.end()));
  EXPECT_FALSE(onMainThread);
}

TEST_F(DownloadTest, PartialFilesAreKeptApartPerClientAndType) {
  const fs::path tmp = root / "tmp";
  auto a = FormDataRequest::temporaryDownloadPath(tmp, "acme", 1, "logo.png");
  auto b = FormDataRequest::temporaryDownloadPath(tmp, "acme", 4, "logo.png");
  auto c = FormDataRequest::temporaryDownloadPath(tmp, "globex", 1, "logo.png");
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_EQ(a, tmp / "tempDownload" / "acme" / "1" / "logo.png");
  for (const char* name : {"", "..", "../../etc/passwd", "a/b"})
    EXPECT_TRUE(FormDataRequest::temporaryDownloadPath(tmp, "acme", 1, name).empty()) << name;
  EXPECT_TRUE(FormDataRequest::temporaryDownloadPath(tmp, "../x", 1, "logo.png").empty());
}

}  // namespace
}  // namespace mv::test
