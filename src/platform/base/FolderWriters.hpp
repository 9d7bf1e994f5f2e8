#pragma once
// Work off the main thread that writes into a folder, or writes elsewhere
// what it makes from a file in it (a thumbnail, a converted copy), enters
// the folder first and leaves when it is done. A folder about to be deleted
// is closed: nothing enters it any more, the work in it is told to stop, and
// the one deleting waits, for a bounded time, until the last has left, so
// that nothing makes the folder again after it went. Safe from any thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/base/WorkQueue.hpp"

namespace base {

class FolderWriters {
 public:
  using Deadline = std::chrono::steady_clock::time_point;

  static FolderWriters& shared();

  // Held while the work writes; leaving is destroying it.
  class Pass {
   public:
    Pass(Pass&& other) noexcept;
    Pass& operator=(Pass&&) = delete;
    Pass(const Pass&) = delete;
    ~Pass();

   private:
    friend class FolderWriters;
    Pass(FolderWriters* writers, std::uint64_t id) : writers_(writers), id_(id) {}
    FolderWriters* writers_;
    std::uint64_t id_;
  };

  // Enters for work on `path` (a file or folder, or the file a copy is made
  // from); `stop` is cancelled when a folder holding `path` closes. Nothing
  // while such a folder is closed: the work must not write then.
  [[nodiscard]] std::optional<Pass> enter(const std::filesystem::path& path, CancelFlag stop = {});
  // Closes `folder` and waits until no work on a path inside it is left,
  // or `deadline`. False when some work is still there; the folder stays
  // closed either way until it is reopened.
  [[nodiscard]] bool close(const std::filesystem::path& folder, Deadline deadline);
  void reopen(const std::filesystem::path& folder);
  // Work under way on paths inside `folder`.
  std::size_t countInside(const std::filesystem::path& folder) const;

 private:
  struct Writer {
    std::uint64_t id;
    std::filesystem::path path;
    CancelFlag stop;
  };
  void leave(std::uint64_t id);
  std::size_t countInsideLocked(const std::filesystem::path& folder) const;

  mutable std::mutex mutex_;
  std::condition_variable left_;
  std::vector<Writer> writers_;
  std::vector<std::filesystem::path> closed_;
  std::uint64_t nextId_ = 1;
};

}  // namespace base
