#pragma once
// A file's text read into memory of its own a stretch at a time as a reader
// goes, rather than held whole: a text of hundreds of megabytes (a reply the
// transport wrote to disk) is read through in place, and the pages a reader
// has passed go back as it goes, so that the text never stands whole in
// memory. The text is laid out in one range of addresses reserved for the
// whole file, so that what was read stays where it is while more is read.
// The file is read, never mapped: another program that cuts it short or
// rewrites it while it is read makes the text end there and `changed()`
// say so, never a fault of the process. One reader at a time, any thread.
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string_view>

namespace mv {

class MappedFile {
 public:
  // The bytes read at a time.
  static constexpr std::size_t kStretch = std::size_t{1} << 20;

  // The file opened for reading `stretch` bytes at a time (at least one),
  // with the room for its text reserved; null when it cannot be opened or
  // the room cannot be had.
  static std::unique_ptr<MappedFile> open(const std::filesystem::path& path, std::size_t stretch = kStretch);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // The bytes the file held when it was opened.
  std::size_t size() const { return size_; }
  // Starts the text over: nothing of it is read. Answers the text read, empty
  // at its start.
  std::string_view restart() const;
  // Reads the next stretch; answers the text read so far, which begins where
  // it always did and only grows, so that views into it stay valid (but
  // see `release`). Once the text has ended it answers the same.
  std::string_view readMore() const;
  // The text has ended: at the end of the file, at its first NUL byte, or
  // where the file was found changed.
  bool ended() const { return ended_; }
  // The file no longer held, or no longer holds, what it held when opened:
  // it was cut short, grew, or was written since. The text read is not the
  // file's.
  bool changed() const { return changed_; }
  // The text before `upTo` is done with for now: the pages of all but the
  // last stretch of it go back. A reader never comes back to them (but for
  // starting over, which reads them anew); its views into the last stretch
  // stay valid.
  void release(const char* upTo) const;

 private:
  MappedFile(int fd, char* data, std::size_t size, const struct timespec& modified, std::size_t stretch)
      : fd_(fd), data_(data), size_(size), modified_(modified), stretch_(stretch) {}
  // Whether the file still has the size and the modification time it had.
  bool unchanged() const;

  const int fd_;
  char* const data_;
  const std::size_t size_;
  const struct timespec modified_;
  const std::size_t stretch_;
  mutable std::size_t read_ = 0;
  mutable std::size_t released_ = 0;
  mutable bool ended_ = false;
  mutable bool changed_ = false;
};

}  // namespace mv
