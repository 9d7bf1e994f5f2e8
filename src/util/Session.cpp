#include "util/Session.hpp"

#include <mutex>

namespace mv {
namespace {

// Read from the transport's and the workers' threads too (file paths of the
// signed-in client), hence the lock.
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
