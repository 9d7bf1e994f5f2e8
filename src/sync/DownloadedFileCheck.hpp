#pragma once
// Whether the bytes a download brought are the file it asked for. A network
// that puts its own sign-in page in front of every address answers each
// file with 200 and that page: a picture is taken only when the decoder reads
// its header and it reaches its end (or it is a picture of a format the
// decoder does not read, GIF, WebP, TIFF or BMP, which no page is), a
// document only at the size its listing gives and when it is not a web page.
// Any thread.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/Entities.hpp"

namespace mv {

class DownloadedFileCheck {
 public:
  // A file's size as a listing gives it, in bytes (most -1: unknown).
  struct ByteRange {
    std::int64_t least = 0;
    std::int64_t most = -1;
  };
  struct ListedSize {
    double megabytes = 0;
    ByteRange bytes;
  };

  // The most bytes a picture may hold: the decoder reads none larger.
  static constexpr std::int64_t kMostPictureBytes = std::int64_t{256} << 20;
  // The most bytes of any other file whose listing gives no size.
  static constexpr std::int64_t kMostFileBytes = std::int64_t{4} << 30;

  // Product pictures, catalogue images, icons and covers.
  static bool isPictureType(int type);
  // The size a library file's listing gives ("PDF/2.53 M"): the megabytes,
  // and, when it says they are megabytes, the bytes a file of that size may
  // hold, given the digits written and either kind of megabyte. Nothing when
  // the listing gives no size.
  static std::optional<ListedSize> listedSize(const marvisto_library_files_Entity& file);
  // The most bytes a download of `type` may bring.
  static std::int64_t mostBytes(int type, ByteRange listed);
  // Why `head` (the first bytes, all of them for a small file) of a file of
  // `size` bytes, written at `written` (empty: `head` is the whole file), is
  // not the file `name` of `type`; empty when it may be.
  static std::string problem(int type, std::string_view name, std::string_view head, std::int64_t size,
                             const std::filesystem::path& written, ByteRange listed);
  // A picture on disk the decoder reads the header of and that reaches its
  // end, or one of a format it does not read: what a sync keeps rather than
  // fetches again.
  static bool isPictureFile(const std::filesystem::path& path);
};

}  // namespace mv
