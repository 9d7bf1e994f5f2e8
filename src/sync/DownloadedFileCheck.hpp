#pragma once
// Whether the bytes a download brought are the file it asked for. A network
// that puts its own sign-in page in front of every address answers each
// file with 200 and that page; a connection cut at the wrong moment leaves a
// picture short of its end. A picture is refused only when a page came in
// its place or when it is a PNG or JPEG certainly cut (see
// gfx::PictureWalk): any other bytes under a picture's name are the
// service's own file, kept whether the decoder draws them or not (too
// large, damaged, of a format it does not read), and screens show the
// standard picture for them. A document is refused only when a web page
// came in its place (a page under a page's name is the page; under an
// office format's name, an office file saved as a page is kept and a
// network's page is not, told apart by what the parsed page asks for and
// holds, see DownloadedPage), or when it runs past the generous bound its
// listing gives. Any thread.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "store/Entities.hpp"

namespace gfx {
class ReadThroughBudget;
}

namespace mv {

class DownloadedFileCheck {
 public:
  // A file's size as its listing gives it: the megabytes shown, and the
  // most bytes taken for the file (-1: the listing gives no size).
  struct ListedSize {
    double megabytes = 0;
    std::int64_t mostBytes = -1;
  };

  // The most bytes a picture may hold: the decoder reads none larger.
  static constexpr std::int64_t kMostPictureBytes = std::int64_t{256} << 20;
  // The most bytes of any other file whose listing gives no size.
  static constexpr std::int64_t kMostFileBytes = std::int64_t{4} << 30;
  // A listing is a description, rounded and written by hand, perhaps not
  // yet updated for a file exported again: a document may hold this many
  // times the listed bytes, and this many bytes more.
  static constexpr int kListedSlack = 4;
  static constexpr std::int64_t kListedFloorBytes = std::int64_t{1} << 20;

  // Why bytes are not taken for the file.
  enum class Refusal {
    None,
    Page,        // a web page in place of the file: what a sign-in page in front of every address sends
    NotTheFile,  // bytes of no kind the file may be
    CutShort,    // the picture's own bytes, cut before its header or its image data ends
  };
  struct Verdict {
    Refusal refusal = Refusal::None;
    std::string why;  // for the log; empty when taken
  };

  // Product pictures, catalogue images, icons and covers.
  static bool isPictureType(int type);
  // The size a library file's listing gives ("PDF/2.53 M", "PDF/300 KB"),
  // each unit read as what it says (no unit, or a size of zero: megabytes,
  // with no bytes taken from it). Nothing when it gives no size, or one
  // that is no size (negative, not a number, infinite, past what 64 bits
  // count).
  static std::optional<ListedSize> listedSize(const marvisto_library_files_Entity& file);
  // The most bytes a download of `type` may bring, given the most its
  // listing allows (-1: no listing).
  static std::int64_t mostBytes(int type, std::int64_t listedMost);
  // Whether `head` (the first bytes, all of them for a small file) of a
  // file of `size` bytes, written at `written` (empty: `head` is the whole
  // file), is the file `name` of `type`, whose listing gives `listedBytes`
  // (-1: no size). A picture on disk is judged by the same first bytes
  // however many `head` holds. A picture's read-through draws on `budget`
  // when given (the run's, see gfx::ReadThroughBudget).
  static Verdict check(int type, std::string_view name, std::string_view head, std::int64_t size,
                       const std::filesystem::path& written, std::int64_t listedBytes = -1,
                       gfx::ReadThroughBudget* budget = nullptr);
  // A picture on disk that a sync keeps rather than fetches again: one the
  // check takes.
  static bool isPictureFile(const std::filesystem::path& path, gfx::ReadThroughBudget* budget = nullptr);
};

}  // namespace mv
