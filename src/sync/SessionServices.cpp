#include "sync/SessionServices.hpp"

#include <algorithm>

#include "platform/base/Log.hpp"
#include "sync/NetworkModel.hpp"
#include "sync/RequestSender.hpp"
#include "platform/base/MainThread.hpp"
#include "store/SessionDatabase.hpp"

namespace mv {
namespace {

std::shared_ptr<SessionServices>& currentSlot() {
  static std::shared_ptr<SessionServices> services;
  return services;
}

}  // namespace

void SessionServices::Registry::put(Entry entry) {
  auto same = [&](const Entry& e) { return e.type == entry.type; };
  auto it = std::find_if(entries_.begin(), entries_.end(), same);
  if (it != entries_.end()) {
    *it = std::move(entry);
  } else {
    entries_.push_back(std::move(entry));
  }
}

const SessionServices::Registry::Entry* SessionServices::Registry::entry(std::type_index type) const {
  for (const auto& e : entries_) {
    if (e.type == type) return &e;
  }
  return nullptr;
}

std::shared_ptr<SessionServices> SessionServices::begin(Registry registry) {
  MV_ASSERT_MAIN_THREAD();
  end();
  auto database = SessionDatabase::open();
  if (!database) {
    MV_LOG("No session services: the client's database cannot be opened");
    return nullptr;
  }
  std::shared_ptr<SessionServices> services(new SessionServices(std::move(registry), std::move(database)));
  currentSlot() = services;
  return services;
}

std::shared_ptr<SessionServices> SessionServices::current() {
  MV_ASSERT_MAIN_THREAD();
  return currentSlot();
}

void SessionServices::end() {
  MV_ASSERT_MAIN_THREAD();
  auto services = std::move(currentSlot());
  currentSlot().reset();
  if (!services) return;
  services->endServices();
  // The client's database closes with the session.
  SessionDatabase::close();
}

SessionServices::SessionServices(Registry registry, std::shared_ptr<DataAccessManager> database)
    : registry_(std::move(registry)), database_(std::move(database)) {}

SessionServices::~SessionServices() { endServices(); }

void SessionServices::endServices() {
  if (ended_) return;
  ended_ = true;
  // A service told may still ask for another one: it gets what exists, and
  // nothing new is made.
  for (auto it = made_.rbegin(); it != made_.rend(); ++it) {
    if (it->ended) it->ended(it->service.get());
  }
  while (!made_.empty()) made_.pop_back();
}

std::shared_ptr<void> SessionServices::resolve(std::type_index type, bool make) {
  MV_ASSERT_MAIN_THREAD();
  const Registry::Entry* entry = registry_.entry(type);
  if (!entry) return nullptr;
  if (entry->target) {
    auto service = resolve(*entry->target, make);
    return service ? entry->cast(std::move(service)) : nullptr;
  }
  for (const auto& m : made_) {
    if (m.type == type) return m.service;
  }
  if (!make || ended_) return nullptr;
  if (std::find(making_.begin(), making_.end(), type) != making_.end()) {
    MV_LOG("A session service asked for itself while being made: ", type.name());
    return nullptr;
  }
  making_.push_back(type);
  std::shared_ptr<void> service = entry->make(*this);
  making_.pop_back();
  if (!service || ended_) return nullptr;
  made_.push_back(Made{type, service, entry->ended});
  return service;
}

std::shared_ptr<RequestSender> SessionServices::currentSender() {
  auto services = current();
  return services ? services->requestSender() : NetworkModel::sharedSender();
}

std::shared_ptr<RequestSender> SessionServices::requestSender() {
  if (auto registered = get<RequestSender>()) return registered;
  return NetworkModel::sharedSender();
}

}  // namespace mv
