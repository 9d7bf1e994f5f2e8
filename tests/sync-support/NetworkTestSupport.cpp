#include "NetworkTestSupport.hpp"

namespace mv::test {

std::shared_ptr<NetBaseRst> Recorder::resultFor(int requestCode) const {
  for (const auto& r : results) {
    if (r->requestCode == requestCode) return r;
  }
  return nullptr;
}

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

std::shared_ptr<NetBaseRst> NetworkTest::roundTrip(const std::shared_ptr<RequestInterfaceBase>& request,
                                                   const std::shared_ptr<Recorder>& receiver, double timeout) {
  const std::size_t before = receiver->results.size() + receiver->ended.size();
  request->setReceiveDelegete(receiver);
  const int code = model().sendRequest(request);
  if (!runUntil([&] { return receiver->results.size() + receiver->ended.size() > before; }, timeout)) return nullptr;
  auto result = receiver->results.size() > 0 ? receiver->results.back() : receiver->ended.back();
  if (request->requestType == kRequestTypeMessage) {
    EXPECT_EQ(result->requestCode, code);
  }
  return result;
}

void NetworkTest::waitFor(double seconds) { runUntil([] { return false; }, seconds); }

}  // namespace mv::test
