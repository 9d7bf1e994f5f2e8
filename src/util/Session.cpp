#include "util/Session.hpp"

#include <mutex>

namespace mv {
namespace {

// Published on the main thread and read on worker queues too: a picture read
// there finds the signed-in client's folder through it (getLocalImage).
struct Published {
  std::mutex mutex;
  Session session;
};

Published& published() {
  static Published p;
  return p;
}

}  // namespace

Session Session::current() {
  std::lock_guard<std::mutex> lock(published().mutex);
  return published().session;
}

void Session::publish(Session session) {
  std::lock_guard<std::mutex> lock(published().mutex);
  published().session = std::move(session);
}

void Session::clear() { publish(Session{}); }

}  // namespace mv
