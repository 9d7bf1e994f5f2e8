#pragma once
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "TestEnvironment.hpp"
#include "transport/FormDataRequest.hpp"
#include "transport/ProgressDelegate.hpp"
#include "transport/RequestDelegate.hpp"

namespace mv::test {

// A real HTTP server on a loopback port for the length of one test.
class LoopbackServer {
 public:
  LoopbackServer() = default;
  ~LoopbackServer();
  httplib::Server& http() { return server_; }
  // Binds 127.0.0.1 on a free port and serves on a thread of its own.
  void start();
  // Ends every handler and joins the server; before the fixture's members go.
  void stop();
  int port() const { return port_; }
  std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;
  // Handlers that wait use this, so the server stops promptly at the end.
  bool waitOrStop(double seconds);
  // Stops the server when the guard goes. A test whose handlers send its own
  // locals takes it after them: a handler still sending to a client that
  // went away must not outlive what it sends.
  [[nodiscard]] std::unique_ptr<LoopbackServer, void (*)(LoopbackServer*)> stopWhenDone() {
    return {this, [](LoopbackServer* server) { server->stop(); }};
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
};

struct Recorder : RequestDelegate {
  int finished = 0;
  int failed = 0;
  std::vector<long> errorCodes;
  bool wantsData = false;
  std::string chunks;
  std::vector<long> statusAtChunk;
  void requestFinished(FormDataRequest&) override { ++finished; }
  void requestFailed(FormDataRequest& request) override {
    ++failed;
    errorCodes.push_back(request.error() ? request.error()->code : 0);
  }
  bool wantsReceivedData() const override { return wantsData; }
  void request(FormDataRequest& request, std::string_view data) override {
    chunks.append(data);
    statusAtChunk.push_back(request.responseStatusCode());
  }
  int calls() const { return finished + failed; }
};

struct ProgressLog : ProgressDelegate {
  std::vector<float> values;
  void setProgress(float progress) override { values.push_back(progress); }
  bool strictlyIncreasing() const {
    for (size_t i = 1; i < values.size(); ++i)
      if (!(values[i] > values[i - 1])) return false;
    return true;
  }
};

// Network tests run on the real clock against a loopback server, with a
// fresh cookie jar and no proxy in the way.
class TransportTest : public TestEnvironment {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Starts `request` with `recorder` as its delegate and runs the main loop
  // until it reports.
  bool run(const std::shared_ptr<FormDataRequest>& request, Recorder& recorder, double timeout = 10);
  // Waits on the wall clock (not the main loop) for another thread's work.
  static bool waitFor(const std::function<bool()>& predicate, double timeout = 5);
  std::string readFile(const std::filesystem::path& path);
  void writeFile(const std::filesystem::path& path, std::string_view content);

  LoopbackServer server;
};

std::string gzip(std::string_view data);
std::string pseudoRandomBytes(size_t size, unsigned seed = 7);

}  // namespace mv::test
