#include "util/SessionContext.hpp"

#include <mutex>

namespace mv {
namespace {

struct Slot {
  std::mutex mutex;
  SessionContext::Provider clientID;
  SessionContext::Provider acountID;
  SessionContext::Provider password;
  SessionContext::Provider deviceID;
  SessionContext::Provider sessionId;
};

SessionContext::Provider& fieldSlot(Slot& s, SessionContext::Field field) {
  switch (field) {
    case SessionContext::Field::password:
      return s.password;
    case SessionContext::Field::deviceID:
      return s.deviceID;
    case SessionContext::Field::sessionId:
      break;
  }
  return s.sessionId;
}

Slot& slot() {
  static Slot s;
  return s;
}

}  // namespace

void SessionContext::setProvider(Provider clientID, Provider acountID) {
  std::lock_guard<std::mutex> lock(slot().mutex);
  slot().clientID = std::move(clientID);
  slot().acountID = std::move(acountID);
}

void SessionContext::setFixed(const std::string& clientID, const std::string& acountID) {
  setProvider([clientID] { return clientID; }, [acountID] { return acountID; });
}

void SessionContext::clear() {
  setProvider(nullptr, nullptr);
  std::lock_guard<std::mutex> lock(slot().mutex);
  slot().password = nullptr;
  slot().deviceID = nullptr;
  slot().sessionId = nullptr;
}

std::string SessionContext::clientID() {
  Provider fn;
  {
    std::lock_guard<std::mutex> lock(slot().mutex);
    fn = slot().clientID;
  }
  // Called outside the lock: the provider may itself take locks of the session.
  return fn ? fn() : std::string();
}

std::string SessionContext::acountID() {
  Provider fn;
  {
    std::lock_guard<std::mutex> lock(slot().mutex);
    fn = slot().acountID;
  }
  return fn ? fn() : std::string();
}

void SessionContext::setFieldProvider(Field field, Provider provider) {
  std::lock_guard<std::mutex> lock(slot().mutex);
  fieldSlot(slot(), field) = std::move(provider);
}

void SessionContext::setFixedField(Field field, const std::string& value) {
  setFieldProvider(field, [value] { return value; });
}

std::string SessionContext::field(Field field) {
  Provider fn;
  {
    std::lock_guard<std::mutex> lock(slot().mutex);
    fn = fieldSlot(slot(), field);
  }
  return fn ? fn() : std::string();
}

std::string SessionContext::password() { return field(Field::password); }
std::string SessionContext::deviceID() { return field(Field::deviceID); }
std::string SessionContext::sessionId() { return field(Field::sessionId); }

}  // namespace mv
