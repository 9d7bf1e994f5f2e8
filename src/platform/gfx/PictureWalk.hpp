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
// picture the read-through stopped at its bound, are no cut. Untrusted
// input; any thread.
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace gfx {

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
    // What the read-through took: a JPEG's scans, a PNG's rows (of every
    // pass of an interlaced one).
    int scans = 0;
    std::int64_t rows = 0;
  };
  // The picture in `bytes`, all of it.
  static Ending ending(std::string_view bytes);
  // The picture in the file (one that cannot be read is of no kind).
  static Ending endingOfFile(const std::filesystem::path& path);
};

}  // namespace gfx
