#include "transport/NetworkEngine.hpp"

#include <chrono>
#include <vector>

#include "platform/base/Log.hpp"
#include "platform/base/RunLoop.hpp"
#include "transport/CookieStore.hpp"

namespace mv {

NetworkEngine& NetworkEngine::shared() {
  // The run loop and the cookie jar are made first so they outlive the thread.
  base::RunLoop::main();
  CookieStore::sharedInstance();
  static NetworkEngine engine;
  return engine;
}

NetworkEngine::NetworkEngine() {
  share_ = CookieStore::sharedInstance().share();
  multi_ = curl_multi_init();
  thread_ = std::thread([this] { run(); });
}

NetworkEngine::~NetworkEngine() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  if (multi_) curl_multi_wakeup(multi_);
  if (thread_.joinable()) thread_.join();
  for (auto& [id, transfer] : active_) {
    if (transfer->easy()) curl_multi_remove_handle(multi_, transfer->easy());
    transfer->abandon();
  }
  active_.clear();
  commands_.clear();
  if (multi_) curl_multi_cleanup(multi_);
}

void NetworkEngine::start(std::unique_ptr<Transfer> transfer) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(Command{std::move(transfer), 0});
  }
  if (multi_) curl_multi_wakeup(multi_);
}

void NetworkEngine::cancel(std::uint64_t transferId) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(Command{nullptr, transferId});
  }
  if (multi_) curl_multi_wakeup(multi_);
}

std::size_t NetworkEngine::activeCount() const { return activeCount_.load(); }

void NetworkEngine::begin(std::unique_ptr<Transfer> transfer) {
  if (!multi_) {
    transfer->failToCreate("no network engine");
    return;
  }
  if (!transfer->prepare(share_)) {
    transfer->failToCreate("could not create a transfer handle");
    return;
  }
  if (curl_multi_add_handle(multi_, transfer->easy()) != CURLM_OK) {
    transfer->failToCreate("could not start the transfer");
    return;
  }
  const auto id = transfer->id();
  active_[id] = std::move(transfer);
  activeCount_.store(active_.size());
}

void NetworkEngine::end(std::uint64_t id) {
  active_.erase(id);
  activeCount_.store(active_.size());
}

void NetworkEngine::collectFinished() {
  int left = 0;
  std::vector<std::pair<CURL*, CURLcode>> done;
  while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
    if (msg->msg == CURLMSG_DONE) done.emplace_back(msg->easy_handle, msg->data.result);
  }
  for (auto [easy, code] : done) {
    Transfer* transfer = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
    curl_multi_remove_handle(multi_, easy);
    if (!transfer) continue;
    const auto id = transfer->id();
    auto it = active_.find(id);
    if (it == active_.end()) continue;
    if (transfer->complete(code)) {
      // Another attempt of the same transfer (a range the server refused).
      if (transfer->prepare(share_) && curl_multi_add_handle(multi_, transfer->easy()) == CURLM_OK) continue;
      transfer->failToCreate("could not restart the transfer");
    }
    end(id);
  }
}

void NetworkEngine::checkInactivity() {
  const auto now = std::chrono::steady_clock::now();
  std::vector<std::uint64_t> stalled;
  for (auto& [id, transfer] : active_) {
    if (transfer->inactive(now)) stalled.push_back(id);
  }
  for (auto id : stalled) {
    auto& transfer = active_[id];
    curl_multi_remove_handle(multi_, transfer->easy());
    transfer->timeOut();
    end(id);
  }
}

void NetworkEngine::run() {
  for (;;) {
    std::deque<Command> commands;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopping_) return;
      commands.swap(commands_);
    }
    for (auto& command : commands) {
      if (command.start) {
        begin(std::move(command.start));
      } else if (auto it = active_.find(command.cancel); it != active_.end()) {
        curl_multi_remove_handle(multi_, it->second->easy());
        it->second->abandon();
        end(command.cancel);
      }
    }
    int running = 0;
    curl_multi_perform(multi_, &running);
    collectFinished();
    checkInactivity();
    // Wake at least a few times a second to notice transfers gone silent.
    curl_multi_poll(multi_, nullptr, 0, 200, nullptr);
  }
}

}  // namespace mv
