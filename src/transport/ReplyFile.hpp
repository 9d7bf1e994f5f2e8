#pragma once
#include <cstdint>
#include <filesystem>

namespace mv {

// A reply body the transport wrote to a file rather than kept in memory (see
// TransferSetup::spillFile). The file belongs to its holders: it is removed
// when the last of them lets go, whoever that is, so that a reply nobody
// reads (its request cancelled, its reader gone) never stays on the disk.
// Any thread.
class ReplyFile {
 public:
  ReplyFile(std::filesystem::path path, std::int64_t size) : path_(std::move(path)), size_(size) {}
  ~ReplyFile();
  ReplyFile(const ReplyFile&) = delete;
  ReplyFile& operator=(const ReplyFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::int64_t size() const { return size_; }

 private:
  std::filesystem::path path_;
  std::int64_t size_ = 0;
};

}  // namespace mv
