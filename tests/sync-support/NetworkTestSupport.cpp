#include "NetworkTestSupport.hpp"

namespace mv::test {

void NetworkTest::SetUp() {
  // The session the service signs in is there before the service starts.
  startsServiceAtSetUp = false;
  ServiceFixture::SetUp();
  installSession("acme", "rep", "secret", "0123456789abcdef0123456789abcdef01234567", "");
  startService();
  sink = std::make_shared<SinkRecorder>();
  model().setSessionEventSink(sink);
}

void NetworkTest::TearDown() {
  model().setSessionEventSink({});
  ServiceFixture::TearDown();
}

std::shared_ptr<NetBaseRst> NetworkTest::waitForResult(const Recorder& receiver, std::size_t replies,
                                                       std::size_t ended, int code, double timeout) {
  if (!runUntil([&] { return receiver.results.size() > replies || receiver.ended.size() > ended; }, timeout)) {
    return nullptr;
  }
  auto result = receiver.results.size() > replies ? receiver.results[replies] : receiver.ended[ended];
  if (code != 0) {
    EXPECT_EQ(result->requestCode, code);
  }
  return result;
}

void NetworkTest::waitFor(double seconds) { runUntil([] { return false; }, seconds); }

}  // namespace mv::test
