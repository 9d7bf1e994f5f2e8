#include "platform/base/FolderWriters.hpp"

#include <algorithm>
#include <utility>

#include "platform/base/FileIO.hpp"

namespace fs = std::filesystem;

namespace base {
namespace {

// Absolute and without "." or "..", so that paths compare word by word.
fs::path normalised(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  fs::path out = (ec ? path : absolute).lexically_normal();
  if (!out.has_filename() && out.has_parent_path() && out != out.root_path()) out = out.parent_path();
  return out;
}

}  // namespace

FolderWriters& FolderWriters::shared() {
  static FolderWriters* writers = new FolderWriters();  // work may still leave while the process ends
  return *writers;
}

FolderWriters::Pass::Pass(Pass&& other) noexcept
    : writers_(std::exchange(other.writers_, nullptr)), id_(std::exchange(other.id_, 0)) {}

FolderWriters::Pass::~Pass() {
  if (writers_) writers_->leave(id_);
}

std::optional<FolderWriters::Pass> FolderWriters::enter(const fs::path& path, CancelFlag stop) {
  fs::path key = normalised(path);
  std::lock_guard lock(mutex_);
  for (const auto& folder : closed_) {
    if (isInside(key, folder)) return std::nullopt;
  }
  const std::uint64_t id = nextId_++;
  writers_.push_back(Writer{id, std::move(key), std::move(stop)});
  return Pass(this, id);
}

void FolderWriters::leave(std::uint64_t id) {
  {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(writers_.begin(), writers_.end(), [id](const Writer& w) { return w.id == id; });
    if (it != writers_.end()) writers_.erase(it);
  }
  left_.notify_all();
}

bool FolderWriters::close(const fs::path& folder, Deadline deadline) {
  const fs::path key = normalised(folder);
  std::unique_lock lock(mutex_);
  if (std::find(closed_.begin(), closed_.end(), key) == closed_.end()) closed_.push_back(key);
  for (auto& writer : writers_) {
    if (isInside(writer.path, key)) writer.stop.cancel();
  }
  return left_.wait_until(lock, deadline, [&] { return countInsideLocked(key) == 0; });
}

void FolderWriters::reopen(const fs::path& folder) {
  const fs::path key = normalised(folder);
  std::lock_guard lock(mutex_);
  closed_.erase(std::remove(closed_.begin(), closed_.end(), key), closed_.end());
}

std::size_t FolderWriters::countInside(const fs::path& folder) const {
  std::lock_guard lock(mutex_);
  return countInsideLocked(normalised(folder));
}

std::size_t FolderWriters::countInsideLocked(const fs::path& folder) const {
  return static_cast<std::size_t>(
      std::count_if(writers_.begin(), writers_.end(), [&](const Writer& w) { return isInside(w.path, folder); }));
}

}  // namespace base
