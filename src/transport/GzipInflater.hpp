#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace mv {

// Streaming inflater for "gzip" and "deflate" reply bodies, fed as chunks
// arrive so a large reply is never held compressed in memory.
class GzipInflater {
 public:
  GzipInflater();
  ~GzipInflater();
  GzipInflater(const GzipInflater&) = delete;
  GzipInflater& operator=(const GzipInflater&) = delete;

  // Starts a new stream; `gzip` false reads zlib or raw-headered deflate.
  // The stream may inflate to `ceiling` bytes in all, so that a small bomb
  // never grows past it.
  bool begin(bool gzip, std::uint64_t ceiling = UINT64_MAX);
  bool active() const { return active_; }
  // Hands the inflated bytes of `size` input bytes to `sink` a piece at a
  // time, so that however far they inflate they never stand whole in memory.
  // False on corrupt input, as soon as `sink` answers false, or before the
  // stream would pass its ceiling (then `overflowed()`). Bytes after the end
  // of the compressed stream are ignored.
  using Sink = std::function<bool(const char* piece, std::size_t size)>;
  bool feed(const char* data, std::size_t size, const Sink& sink);
  bool overflowed() const { return overflowed_; }
  // True when the compressed stream reached its proper end.
  bool finished() const { return finished_; }
  void end();

 private:
  void* stream_;  // z_stream
  std::uint64_t ceiling_ = UINT64_MAX;
  std::uint64_t inflated_ = 0;
  bool active_ = false;
  bool finished_ = false;
  bool overflowed_ = false;
};

}  // namespace mv
