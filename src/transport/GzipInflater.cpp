#include "transport/GzipInflater.hpp"

#include <zlib.h>

namespace mv {

GzipInflater::GzipInflater() : stream_(new z_stream{}) {}

GzipInflater::~GzipInflater() {
  end();
  delete static_cast<z_stream*>(stream_);
}

bool GzipInflater::begin(bool gzip, std::uint64_t ceiling) {
  end();
  auto* zs = static_cast<z_stream*>(stream_);
  *zs = z_stream{};
  // 16+MAX_WBITS reads a gzip header; 32+MAX_WBITS detects zlib or gzip.
  if (inflateInit2(zs, gzip ? 16 + MAX_WBITS : 32 + MAX_WBITS) != Z_OK) return false;
  active_ = true;
  finished_ = false;
  overflowed_ = false;
  ceiling_ = ceiling;
  inflated_ = 0;
  return true;
}

bool GzipInflater::feed(const char* data, std::size_t size, const Sink& sink) {
  if (!active_) return false;
  if (finished_) return true;
  auto* zs = static_cast<z_stream*>(stream_);
  zs->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  zs->avail_in = static_cast<uInt>(size);
  char buffer[16384];
  // Loop while input remains or zlib filled the buffer and may hold more back.
  do {
    zs->next_out = reinterpret_cast<Bytef*>(buffer);
    zs->avail_out = sizeof buffer;
    int rc = inflate(zs, Z_NO_FLUSH);
    const std::size_t produced = sizeof buffer - zs->avail_out;
    if (produced > ceiling_ - inflated_) {
      overflowed_ = true;
      return false;
    }
    inflated_ += produced;
    if (produced > 0 && !sink(buffer, produced)) return false;
    if (rc == Z_STREAM_END) {
      finished_ = true;
      return true;
    }
    if (rc == Z_BUF_ERROR) break;  // needs more input
    if (rc != Z_OK) return false;
  } while (zs->avail_in > 0 || zs->avail_out == 0);
  return true;
}

void GzipInflater::end() {
  if (active_) inflateEnd(static_cast<z_stream*>(stream_));
  active_ = false;
}

}  // namespace mv
