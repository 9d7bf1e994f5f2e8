#pragma once
// What a picture's bytes say of themselves: its kind from its first bytes
// and, for a PNG or a JPEG, whether those bytes are whole. The download
// check, the read-through and the decoders read the formats here.
//
// A PNG is walked by its chunks to IEND, a JPEG by its segments and scans
// to its end marker, a window of the file at a time. Where the walk cannot
// tell (a picture without its end marker), the decoder reads it through,
// within what an honest picture needs (see ImageData::extent): a picture
// larger than any it draws is settled by its walk alone, since it shows as
// the standard picture whole or cut. Only a certain cut counts: the bytes
// end before the header's end, inside a chunk or segment of a picture not
// read through, or with image data still wanted. Damaged bytes, or a
// picture the read-through stopped at its bound, are no cut.
//
// The read-throughs of one run of checks draw on its budget when it is
// given one (see ReadThroughBudget): past it, a picture is settled by its
// walk alone, as cut only where the walk is certain (its bytes end inside a
// chunk or segment, or before any image data). On a quick lane
// (base::QuickLane) a picture that needs a read-through is not settled:
// the lane hears that the check was put off. Untrusted input; any thread.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>

namespace gfx {

class ReadThroughBudget;

class PictureWalk {
 public:
  enum class Kind { Png, Jpeg, Other };

  // By its signature, or the start of one (of a file cut within it).
  static Kind kindOf(std::string_view head);

  struct Ending {
    Kind kind = Kind::Other;
    bool cutShort = false;
    // The decoder read its image data through, and stopped at the bound
    // of what an honest picture has (the picture is then taken as whole).
    bool readThrough = false;
    bool bounded = false;
    // Settled by the walk alone, the run's budget spent; not settled at
    // all, put off by a quick lane.
    bool outOfBudget = false;
    bool putOff = false;
    // What the read-through took: a JPEG's scans, a PNG's rows (of every
    // pass of an interlaced one).
    int scans = 0;
    std::int64_t rows = 0;
  };
  // The picture in `bytes`, all of it.
  static Ending ending(std::string_view bytes, ReadThroughBudget* budget = nullptr);
  // The picture in the file (one that cannot be read is of no kind).
  static Ending endingOfFile(const std::filesystem::path& path, ReadThroughBudget* budget = nullptr);

  // Tests: told before every read-through, on the thread that makes it.
  static void setReadThroughObserver(std::function<void()> observer);
};

}  // namespace gfx
