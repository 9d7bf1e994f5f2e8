#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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
  bool begin(bool gzip);
  bool active() const { return active_; }
  // Appends the inflated bytes of `size` input bytes to `out`. False on corrupt
  // input, or once `out` would pass `limit` bytes (then `overflowed()`), so a
  // small bomb never grows into memory. Bytes after the end of the
  // compressed stream are ignored.
  bool feed(const char* data, std::size_t size, std::string& out, std::size_t limit = SIZE_MAX);
  // Hands the inflated bytes of `size` input bytes to `sink` a piece at a
  // time, so that however far they inflate they never stand whole in memory.
  // False on corrupt input, or as soon as `sink` answers false.
  using Sink = std::function<bool(const char* piece, std::size_t size)>;
  bool feed(const char* data, std::size_t size, const Sink& sink);
  bool overflowed() const { return overflowed_; }
  // True when the compressed stream reached its proper end.
  bool finished() const { return finished_; }
  void end();

 private:
  void* stream_;  // z_stream
  bool active_ = false;
  bool finished_ = false;
  bool overflowed_ = false;
};

}  // namespace mv
