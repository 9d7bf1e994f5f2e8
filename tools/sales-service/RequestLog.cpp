#include "sales-service/RequestLog.hpp"

#include <chrono>
#include <iterator>

namespace mv::sales {

namespace {

// A value's slot in its container, and the string or container it owns.
constexpr size_t kValueBytes = 96;

size_t weigh(const base::Value& value) {
  size_t bytes = kValueBytes;
  if (value.is_string()) {
    bytes += value.get_ref<const std::string&>().size();
  } else if (value.is_object()) {
    for (auto it = value.begin(); it != value.end(); ++it) bytes += it.key().size() + weigh(it.value());
  } else if (value.is_array()) {
    for (const auto& element : value) bytes += weigh(element);
  }
  return bytes;
}

// Keeps the entry within the bounds of one entry: no text past
// `RequestLog::kMaxTextBytes`, and parameters of at most `budget` bytes.
void trim(LogEntry& entry, size_t budget) {
  if (!entry.parameters.is_object()) return;
  for (auto& [key, value] : entry.parameters.items()) {
    if (value.is_string() && value.get_ref<const std::string&>().size() > RequestLog::kMaxTextBytes) {
      value = "(" + std::to_string(value.get_ref<const std::string&>().size()) + " bytes, not kept)";
    }
  }
  // Thousands of small parameters weigh as much as one long text.
  size_t used = kValueBytes;
  auto cut = entry.parameters.begin();
  for (; cut != entry.parameters.end(); ++cut) {
    const size_t bytes = cut.key().size() + weigh(cut.value());
    if (used + bytes > budget) break;
    used += bytes;
  }
  if (cut == entry.parameters.end()) return;
  const auto left = std::distance(cut, entry.parameters.end());
  entry.parameters.erase(cut, entry.parameters.end());
  entry.parameters["(not kept)"] = std::to_string(left) + " more parameters";
}

}  // namespace

base::Value LogEntry::toJson() const {
  return {{"sequence", sequence}, {"endpoint", endpoint},     {"method", method},         {"path", path},
          {"head", head},         {"methodName", methodName}, {"qualifier", qualifier},   {"parameters", parameters},
          {"cookie", cookie},     {"sessionId", sessionId},   {"range", range},           {"status", status},
          {"httpStatus", httpStatus}, {"fault", fault},       {"completed", completed}};
}

size_t LogEntry::weight() const {
  return sizeof(LogEntry) + endpoint.size() + method.size() + path.size() + head.size() + methodName.size() +
         qualifier.size() + weigh(parameters) + cookie.size() + sessionId.size() + range.size() + status.size() +
         fault.size();
}

size_t RequestLog::maxBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return maxBytes_;
}

void RequestLog::setMaxBytes(size_t bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  maxBytes_ = bytes;
  while (entries_.size() > dropped_ && bytes_ > maxBytes_) dropOldest();
}

size_t RequestLog::append(LogEntry entry) {
  trim(entry, maxBytes() / 4);
  const size_t weight = entry.weight();
  std::lock_guard<std::mutex> lock(mutex_);
  entry.sequence = next_++;
  while (entries_.size() > dropped_ &&
         (entries_.size() - dropped_ >= kMaxEntries || bytes_ + weight > maxBytes_)) {
    dropOldest();
  }
  entries_.push_back(std::move(entry));
  weights_.push_back(weight);
  bytes_ += weight;
  changed_.notify_all();
  return base_ + entries_.size() - dropped_ - 1;
}

void RequestLog::dropOldest() {
  // Positions handed out stay valid (or name nothing).
  entries_[dropped_] = LogEntry{};
  bytes_ -= weights_[dropped_];
  ++dropped_;
  ++base_;
  if (dropped_ >= kMaxEntries / 4 || dropped_ > entries_.size() - dropped_) compact();
}

void RequestLog::compact() const {
  entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(dropped_));
  weights_.erase(weights_.begin(), weights_.begin() + static_cast<std::ptrdiff_t>(dropped_));
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
  weights_.clear();
  dropped_ = 0;
  bytes_ = 0;
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
