#include "sales-service/RequestLog.hpp"

#include <chrono>

namespace mv::sales {

base::Value LogEntry::toJson() const {
  return {{"sequence", sequence}, {"endpoint", endpoint},     {"method", method},         {"path", path},
          {"head", head},         {"methodName", methodName}, {"qualifier", qualifier},   {"parameters", parameters},
          {"cookie", cookie},     {"sessionId", sessionId},   {"range", range},           {"status", status},
          {"httpStatus", httpStatus}, {"fault", fault},       {"completed", completed}};
}

size_t RequestLog::append(LogEntry entry) {
  if (entry.parameters.is_object()) {
    for (auto& [key, value] : entry.parameters.items()) {
      if (value.is_string() && value.get_ref<const std::string&>().size() > kMaxTextBytes) {
        value = "(" + std::to_string(value.get_ref<const std::string&>().size()) + " bytes, not kept)";
      }
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  entry.sequence = next_++;
  if (entries_.size() - dropped_ >= kMaxEntries) {
    // The oldest goes; positions handed out stay valid (or name nothing).
    ++dropped_;
    ++base_;
    if (dropped_ >= kMaxEntries / 4) compact();
  }
  entries_.push_back(std::move(entry));
  changed_.notify_all();
  return base_ + entries_.size() - dropped_ - 1;
}

void RequestLog::compact() const {
  entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(dropped_));
  dropped_ = 0;
}

void RequestLog::update(size_t index, const std::function<void(LogEntry&)>& change) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (index < base_ || index - base_ >= entries_.size() - dropped_) return;
  change(entries_[dropped_ + index - base_]);
  changed_.notify_all();
}

std::vector<LogEntry> RequestLog::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {entries_.begin() + static_cast<std::ptrdiff_t>(dropped_), entries_.end()};
}

size_t RequestLog::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size() - dropped_;
}

void RequestLog::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  base_ += entries_.size() - dropped_;
  entries_.clear();
  dropped_ = 0;
  changed_.notify_all();
}

bool RequestLog::waitFor(const std::function<bool(const std::vector<LogEntry>&)>& predicate,
                         double timeoutSeconds) const {
  std::unique_lock<std::mutex> lock(mutex_);
  auto deadline = std::chrono::steady_clock::now() +
                  std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(std::max(0.0, timeoutSeconds)));
  return changed_.wait_until(lock, deadline, [&] {
    compact();
    return predicate(entries_);
  });
}

}  // namespace mv::sales
