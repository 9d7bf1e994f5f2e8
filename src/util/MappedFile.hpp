#pragma once
// A file read through the memory map rather than into memory: a text of
// hundreds of megabytes (a reply the transport wrote to disk) is read in
// place, and the pages a reader has passed go back as it goes, so that the
// text never stands whole in memory. One reader at a time, any thread.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string_view>

namespace mv {

class MappedFile {
 public:
  // The file mapped for reading; null when it cannot be opened or mapped.
  static std::unique_ptr<MappedFile> open(const std::filesystem::path& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  std::string_view text() const { return {data_, size_}; }
  // The text up to the first `byte` (all of it when there is none), found
  // without making the text resident: the pages scanned go back as the
  // scan passes them.
  std::string_view textBefore(char byte) const;
  // The text before `upTo` is done with for now: the pages of all but the
  // last stretch of it go back, to be read again from the file should the
  // reader come back to them (its views into them stay valid). A reader
  // that started over releases from the start again.
  void release(const char* upTo) const;

 private:
  MappedFile(const char* data, std::size_t size) : data_(data), size_(size) {}

  const char* data_ = nullptr;
  std::size_t size_ = 0;
  mutable std::size_t released_ = 0;
};

}  // namespace mv
