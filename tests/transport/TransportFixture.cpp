#include "TransportFixture.hpp"

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "platform/base/RunLoop.hpp"
#include "transport/CookieStore.hpp"

namespace mv::test {

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::stop() {
  stopping_ = true;
  if (!thread_.joinable()) return;
  for (int i = 0; i < 500 && !server_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  server_.stop();
  thread_.join();
}

void LoopbackServer::start() {
  // One request per connection: a kept-alive connection would hold the
  // server's stop for its whole keep-alive time.
  server_.set_keep_alive_max_count(1);
  port_ = server_.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port_, 0);
  thread_ = std::thread([this] { server_.listen_after_bind(); });
}

std::string LoopbackServer::url(const std::string& path, const std::string& host) const {
  return "http://" + host + ":" + std::to_string(port_) + path;
}

bool LoopbackServer::waitOrStop(double seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (stopping_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return !stopping_;
}

void TransportTest::SetUp() {
  TestEnvironment::SetUp();
  // The transport is the subject here: it measures its stalls and time-outs
  // on the steady clock of its own thread, so the loop keeps the same time.
  useRealClock();
  ::setenv("no_proxy", "127.0.0.1,localhost", 1);
  ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
  CookieStore::sharedInstance().setCookieAcceptPolicy(CookieStore::AcceptPolicy::Always);
  CookieStore::sharedInstance().deleteAllCookies();
}

void TransportTest::TearDown() {
  server.stop();
  TestEnvironment::TearDown();
}

bool TransportTest::run(const std::shared_ptr<FormDataRequest>& request, Recorder& recorder, double timeout) {
  request->setDelegate(&recorder);
  if (!request->startAsynchronous()) return false;
  return runUntil([&] { return recorder.calls() > 0; }, timeout);
}

bool TransportTest::waitFor(const std::function<bool()>& predicate, double timeout) {
  auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
  while (!predicate()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

std::string TransportTest::readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void TransportTest::writeFile(const std::filesystem::path& path, std::string_view content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string gzip(std::string_view data) {
  z_stream zs{};
  deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, data.size()) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

std::string pseudoRandomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(gen() & 0xff);
  return out;
}

}  // namespace mv::test
