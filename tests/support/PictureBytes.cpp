#include "PictureBytes.hpp"

#include <zlib.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace mv::test {
namespace {

// A flat grey progressive picture written with `script` (none: the usual
// progression).
std::string flatGreyJpeg(int width, int height, const std::vector<jpeg_scan_info>& script) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 1;
  cinfo.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_simple_progression(&cinfo);
  if (!script.empty()) {
    cinfo.scan_info = script.data();
    cinfo.num_scans = static_cast<int>(script.size());
  }
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width), 128);
  JSAMPROW r = row.data();
  while (cinfo.next_scanline < cinfo.image_height) jpeg_write_scanlines(&cinfo, &r, 1);
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

// Raw deflate of `count` zero bytes, ending at a byte boundary that any
// other such piece may follow (a full flush), or the stream's last piece.
std::string deflatedZeros(std::size_t count, bool last) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  std::vector<unsigned char> zeros(count, 0);
  std::string out(deflateBound(&z, count) + 64, '\0');
  z.next_in = zeros.data();
  z.avail_in = static_cast<uInt>(count);
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

void bigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xFF);
}

void chunk(std::string& png, const char* type, std::string_view data) {
  bigEndian(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t from = png.size();
  png += type;
  png += data;
  const auto* bytes = reinterpret_cast<const Bytef*>(png.data() + from);
  bigEndian(png, static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(png.size() - from))));
}

}  // namespace

std::vector<std::pair<std::string, std::string>> picturesOfOtherKinds() {
  using namespace std::string_literals;
  return {{"psd", "8BPS\0\1\0\0\0\0\0\0\0\3\0\0\0\x10\0\0\0\x10\0\x08\0\3"s + std::string(200, '\x11')},
          {"jpeg xl", "\0\0\0\x0CJXL \r\n\x87\n\0\0\0\x14" "ftypjxl "s + std::string(100, '\x22')},
          {"tga", "\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x02\0\x18\0"s + std::string(12, '\x40')},
          {"pcx", "\x0A\x05\x01\x08\0\0\0\0\x01\0\x01\0"s + std::string(116, '\0')},
          {"qoi", "qoif\0\0\0\x02\0\0\0\x02\x04\0"s + std::string(7, '\0') + "\0\0\0\0\0\0\0\1"s},
          {"svgz", "\x1F\x8B\x08\0\0\0\0\0\0\x03"s + std::string(40, '\x55')},
          {"utf-16 svg", "\xFF\xFE<\0s\0v\0g\0/\0>\0"s},
          {"svg drawn past 16 KB", "<?xml version=\"1.0\"?>\n<!--" + std::string(20000, '-') + "-->\n<svg width=\"8\"/>"},
          {"emf", "\1\0\0\0\x6C\0\0\0"s + std::string(32, '\0') + " EMF" + std::string(64, '\0')}};
}

std::string progressiveRepeatingItsLastScan(int width, int height, int repeats) {
  const std::string picture = flatGreyJpeg(width, height, {});
  // The scans' data never holds 0xFF 0xDA, nor do the tables between them.
  const std::size_t last = picture.rfind("\xFF\xDA");
  const std::size_t end = picture.size() - 2;
  const std::string scan = picture.substr(last, end - last);
  std::string out = picture.substr(0, end);
  out.reserve(out.size() + scan.size() * static_cast<std::size_t>(repeats) + 2);
  for (int i = 0; i < repeats; ++i) out += scan;
  return out + "\xFF\xD9";
}

std::string progressiveOfManyScans(int width, int height, int scans) {
  std::vector<jpeg_scan_info> script{{1, {0}, 0, 0, 0, 0}};
  for (int k = 1; k < 64; ++k) {
    for (int al = 10; al >= 0; --al) script.push_back({1, {0}, k, k, al == 10 ? 0 : al + 1, al});
  }
  script.resize(static_cast<std::size_t>(std::clamp(scans, 1, static_cast<int>(script.size()))));
  return flatGreyJpeg(width, height, script);
}

std::string pngOfEmptyRowsWithoutEnd(int width, int height, long long rows) {
  std::string png("\x89PNG\r\n\x1A\n", 8);
  std::string header;
  bigEndian(header, static_cast<std::uint32_t>(width));
  bigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x06\0\0\0", 5);
  chunk(png, "IHDR", header);
  // Each row: its filter byte and four zero bytes a pixel. A megabyte of
  // them deflated once stands for every megabyte.
  const auto raw = static_cast<std::uint64_t>(rows) * (1 + 4 * static_cast<std::uint64_t>(width));
  constexpr std::size_t kPiece = std::size_t(1) << 20;
  const std::string piece = deflatedZeros(kPiece, false);
  const bool whole = rows >= height;
  std::string stream = "\x78\xDA";
  stream.reserve(2 + piece.size() * (raw / kPiece) + 1024);
  for (std::uint64_t i = 0; i < raw / kPiece; ++i) stream += piece;
  stream += deflatedZeros(static_cast<std::size_t>(raw % kPiece), whole);
  // The checksum of zeros alone: 1, and the count.
  if (whole) bigEndian(stream, static_cast<std::uint32_t>((raw % 65521) << 16 | 1));
  for (std::size_t at = 0; at < stream.size(); at += kPiece)
    chunk(png, "IDAT", std::string_view(stream).substr(at, kPiece));
  return png;
}

}  // namespace mv::test
