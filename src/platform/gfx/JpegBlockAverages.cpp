#include "platform/gfx/JpegBlockAverages.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/gfx/ImageScaler.hpp"

namespace gfx {
namespace {

// The stream's bytes, from memory or from a file a buffer at a time.
class Bytes {
 public:
  Bytes(std::string_view bytes, std::FILE* file) : memory_(bytes), file_(file) {}

  // The next byte, or -1 at the end.
  int next() {
    if (!file_) return at_ < memory_.size() ? static_cast<unsigned char>(memory_[at_++]) : -1;
    if (at_ == filled_) {
      filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
      at_ = 0;
      if (filled_ == 0) return -1;
    }
    return buffer_[at_++];
  }
  bool skip(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (next() < 0) return false;
    }
    return true;
  }
  // A big-endian 16-bit value, or -1 at the end.
  int word() {
    const int hi = next(), lo = next();
    return hi < 0 || lo < 0 ? -1 : hi << 8 | lo;
  }

 private:
  std::string_view memory_;
  std::FILE* file_;
  std::array<std::uint8_t, 1 << 16> buffer_{};
  std::size_t at_ = 0, filled_ = 0;
};

// A Huffman table in the canonical form the standard describes.
struct Huffman {
  bool defined = false;
  std::array<int, 17> maxCode{};
  std::array<int, 17> valuePointer{};
  std::array<int, 17> minCode{};
  std::vector<std::uint8_t> values;
};

struct Component {
  int id = 0, h = 1, v = 1, quantTable = 0;
  // The blocks across and down, padded to whole units of the largest sampling.
  int blocksAcross = 0, blocksDown = 0;
  // The blocks that hold picture, for scans of this component alone.
  int usedAcross = 0, usedDown = 0;
  int dcTable = 0;
  int quant = 0;
  bool quantLatched = false;
  std::vector<std::int32_t> dc;
};

class Reader {
 public:
  Reader(std::string_view bytes, std::FILE* file) : in_(bytes, file) {}

  std::optional<ImageData> run(int maxWidth, int maxHeight);

 private:
  bool readMarkerSegments();
  bool frame();
  bool huffmanTables(int length);
  bool quantTables(int length);
  bool scan();
  bool skipEntropyData();
  bool decodeDcScan(const std::vector<int>& members, int ah, int al);
  std::optional<ImageData> picture(int maxWidth, int maxHeight);

  // Bits of entropy-coded data; a marker met stops them (zeros follow).
  int bit();
  int bits(int n);
  int decode(const Huffman& table);
  void resetBits() {
    bitBuffer_ = 0;
    bitCount_ = 0;
  }

  Bytes in_;
  std::array<Huffman, 4> dcTables_;
  std::array<std::array<int, 64>, 4> quant_{};
  std::array<bool, 4> quantDefined_{};
  std::vector<Component> components_;
  int width_ = 0, height_ = 0, hMax_ = 1, vMax_ = 1, mcusAcross_ = 0, mcusDown_ = 0;
  int restartInterval_ = 0;
  bool sawFrame_ = false, adobeRgb_ = false, sawDcFirst_ = false;
  std::uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
  // A marker met inside entropy-coded data, to be handled next (-1: none).
  int pendingMarker_ = -1;
  bool broken_ = false;
};

int Reader::bit() {
  if (bitCount_ == 0) {
    int byte = 0;
    if (pendingMarker_ < 0) {
      const int b = in_.next();
      if (b < 0) {
        broken_ = true;
      } else if (b == 0xFF) {
        int following = in_.next();
        while (following == 0xFF) following = in_.next();
        if (following == 0) {
          byte = 0xFF;
        } else if (following < 0) {
          broken_ = true;
        } else {
          pendingMarker_ = following;
        }
      } else {
        byte = b;
      }
    }
    bitBuffer_ = static_cast<std::uint32_t>(byte);
    bitCount_ = 8;
  }
  --bitCount_;
  return static_cast<int>(bitBuffer_ >> bitCount_) & 1;
}

int Reader::bits(int n) {
  int value = 0;
  for (int i = 0; i < n; ++i) value = value << 1 | bit();
  return value;
}

int Reader::decode(const Huffman& table) {
  int code = 0;
  for (int length = 1; length <= 16; ++length) {
    code = code << 1 | bit();
    if (table.maxCode[static_cast<std::size_t>(length)] >= code &&
        code >= table.minCode[static_cast<std::size_t>(length)] &&
        table.maxCode[static_cast<std::size_t>(length)] >= 0) {
      const std::size_t index = static_cast<std::size_t>(table.valuePointer[static_cast<std::size_t>(length)] + code -
                                                         table.minCode[static_cast<std::size_t>(length)]);
      if (index >= table.values.size()) break;
      return table.values[index];
    }
  }
  broken_ = true;
  return 0;
}

bool Reader::huffmanTables(int length) {
  while (length > 0) {
    const int kind = in_.next();
    if (kind < 0) return false;
    std::array<int, 17> counts{};
    int total = 0;
    for (int i = 1; i <= 16; ++i) {
      counts[static_cast<std::size_t>(i)] = in_.next();
      if (counts[static_cast<std::size_t>(i)] < 0) return false;
      total += counts[static_cast<std::size_t>(i)];
    }
    if (total > 256 || 17 + total > length) return false;
    Huffman table;
    table.values.resize(static_cast<std::size_t>(total));
    for (auto& value : table.values) {
      const int b = in_.next();
      if (b < 0) return false;
      value = static_cast<std::uint8_t>(b);
    }
    int code = 0, k = 0;
    for (int len = 1; len <= 16; ++len) {
      const auto l = static_cast<std::size_t>(len);
      table.valuePointer[l] = k;
      table.minCode[l] = code;
      code += counts[l];
      k += counts[l];
      table.maxCode[l] = counts[l] ? code - 1 : -1;
      code <<= 1;
    }
    table.defined = true;
    // Only the tables of the first coefficients are needed: class 0.
    if ((kind >> 4) == 0 && (kind & 15) < 4) dcTables_[static_cast<std::size_t>(kind & 15)] = std::move(table);
    length -= 17 + total;
  }
  return length == 0;
}

bool Reader::quantTables(int length) {
  while (length > 0) {
    const int kind = in_.next();
    if (kind < 0) return false;
    const bool wide = (kind >> 4) != 0;
    const int id = kind & 15;
    if (id > 3) return false;
    auto& table = quant_[static_cast<std::size_t>(id)];
    for (int i = 0; i < 64; ++i) {
      table[static_cast<std::size_t>(i)] = wide ? in_.word() : in_.next();
      if (table[static_cast<std::size_t>(i)] < 0) return false;
    }
    quantDefined_[static_cast<std::size_t>(id)] = true;
    length -= 1 + (wide ? 128 : 64);
  }
  return length == 0;
}

bool Reader::frame() {
  if (sawFrame_) return false;
  sawFrame_ = true;
  const int precision = in_.next();
  height_ = in_.word();
  width_ = in_.word();
  const int count = in_.next();
  if (precision != 8 || height_ <= 0 || width_ <= 0 || (count != 1 && count != 3)) return false;
  if (static_cast<std::uint64_t>(width_) * static_cast<std::uint64_t>(height_) > ImageData::kMaxPixels ||
      width_ > ImageData::kMaxDimension || height_ > ImageData::kMaxDimension)
    return false;
  for (int i = 0; i < count; ++i) {
    Component c;
    c.id = in_.next();
    const int sampling = in_.next();
    c.quantTable = in_.next();
    if (c.id < 0 || sampling < 0 || c.quantTable < 0 || c.quantTable > 3) return false;
    c.h = sampling >> 4;
    c.v = sampling & 15;
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4) return false;
    components_.push_back(std::move(c));
  }
  for (const auto& c : components_) {
    hMax_ = std::max(hMax_, c.h);
    vMax_ = std::max(vMax_, c.v);
  }
  mcusAcross_ = (width_ + 8 * hMax_ - 1) / (8 * hMax_);
  mcusDown_ = (height_ + 8 * vMax_ - 1) / (8 * vMax_);
  for (auto& c : components_) {
    c.blocksAcross = mcusAcross_ * c.h;
    c.blocksDown = mcusDown_ * c.v;
    const int samplesAcross = (width_ * c.h + hMax_ - 1) / hMax_;
    const int samplesDown = (height_ * c.v + vMax_ - 1) / vMax_;
    c.usedAcross = (samplesAcross + 7) / 8;
    c.usedDown = (samplesDown + 7) / 8;
    c.dc.assign(static_cast<std::size_t>(c.blocksAcross) * static_cast<std::size_t>(c.blocksDown), 0);
  }
  return true;
}

bool Reader::skipEntropyData() {
  // Up to the next marker that is not a restart.
  for (;;) {
    int b = in_.next();
    if (b < 0) return false;
    if (b != 0xFF) continue;
    do {
      b = in_.next();
    } while (b == 0xFF);
    if (b < 0) return false;
    if (b == 0 || (b >= 0xD0 && b <= 0xD7)) continue;
    pendingMarker_ = b;
    return true;
  }
}

bool Reader::decodeDcScan(const std::vector<int>& members, int ah, int al) {
  const bool single = members.size() == 1;
  const Component& first = components_[static_cast<std::size_t>(members.front())];
  const int unitsAcross = single ? first.usedAcross : mcusAcross_;
  const int unitsDown = single ? first.usedDown : mcusDown_;
  std::vector<std::int32_t> prediction(members.size(), 0);
  resetBits();
  int untilRestart = restartInterval_;
  for (int uy = 0; uy < unitsDown; ++uy) {
    for (int ux = 0; ux < unitsAcross; ++ux) {
      if (restartInterval_ > 0 && untilRestart == 0) {
        // The restart marker: byte-aligned, with the predictions starting over.
        resetBits();
        if (pendingMarker_ >= 0xD0 && pendingMarker_ <= 0xD7) {
          pendingMarker_ = -1;
        } else if (pendingMarker_ < 0) {
          int b = in_.next();
          while (b == 0xFF) b = in_.next();
          if (b < 0xD0 || b > 0xD7) return false;
        } else {
          return false;
        }
        std::fill(prediction.begin(), prediction.end(), 0);
        untilRestart = restartInterval_;
      }
      for (std::size_t m = 0; m < members.size(); ++m) {
        Component& c = components_[static_cast<std::size_t>(members[m])];
        const int across = single ? 1 : c.h, down = single ? 1 : c.v;
        for (int by = 0; by < down; ++by) {
          for (int bx = 0; bx < across; ++bx) {
            const int x = single ? ux : ux * c.h + bx;
            const int y = single ? uy : uy * c.v + by;
            std::int32_t& slot = c.dc[static_cast<std::size_t>(y) * static_cast<std::size_t>(c.blocksAcross) +
                                      static_cast<std::size_t>(x)];
            if (ah == 0) {
              const int size = decode(dcTables_[static_cast<std::size_t>(c.dcTable)]);
              if (size > 16) return false;
              int diff = 0;
              if (size > 0) {
                diff = bits(size);
                if (diff < (1 << (size - 1))) diff -= (1 << size) - 1;
              }
              prediction[m] += diff;
              slot = static_cast<std::int32_t>(static_cast<std::uint32_t>(prediction[m]) << al);
            } else if (bit()) {
              slot |= static_cast<std::int32_t>(1u << al);
            }
            if (broken_) return false;
          }
        }
      }
      --untilRestart;
    }
  }
  resetBits();
  return true;
}

bool Reader::scan() {
  const int length = in_.word();
  const int count = in_.next();
  if (length < 6 || count < 1 || count > 4 || length != 6 + 2 * count || !sawFrame_) return false;
  std::vector<int> members;
  for (int i = 0; i < count; ++i) {
    const int id = in_.next();
    const int tables = in_.next();
    if (id < 0 || tables < 0) return false;
    auto it = std::find_if(components_.begin(), components_.end(), [id](const Component& c) { return c.id == id; });
    if (it == components_.end()) return false;
    it->dcTable = tables >> 4;
    if (it->dcTable > 3) return false;
    members.push_back(static_cast<int>(it - components_.begin()));
  }
  const int ss = in_.next(), se = in_.next(), approximation = in_.next();
  if (ss < 0 || se < 0 || approximation < 0) return false;
  if (ss != 0) return skipEntropyData();
  // A first-coefficient scan (it may carry no others in a progressive file).
  if (se != 0) return false;
  const int ah = approximation >> 4, al = approximation & 15;
  if (al > 13) return false;
  for (int m : members) {
    Component& c = components_[static_cast<std::size_t>(m)];
    if (!dcTables_[static_cast<std::size_t>(c.dcTable)].defined && ah == 0) return false;
    if (!c.quantLatched) {
      if (!quantDefined_[static_cast<std::size_t>(c.quantTable)]) return false;
      c.quant = quant_[static_cast<std::size_t>(c.quantTable)][0];
      c.quantLatched = true;
    }
  }
  if (ah == 0) sawDcFirst_ = true;
  if (!decodeDcScan(members, ah, al)) return false;
  // What follows the data, when no marker stopped it, is the next marker.
  if (pendingMarker_ < 0) return skipEntropyData();
  return true;
}

bool Reader::readMarkerSegments() {
  if (in_.next() != 0xFF || in_.next() != 0xD8) return false;
  for (;;) {
    int marker = pendingMarker_;
    pendingMarker_ = -1;
    if (marker < 0) {
      int b = in_.next();
      if (b != 0xFF) return false;
      do {
        b = in_.next();
      } while (b == 0xFF);
      if (b < 0) return false;
      marker = b;
    }
    if (marker == 0xD9) return sawDcFirst_;
    if (marker >= 0xD0 && marker <= 0xD7) continue;
    if (marker == 0xDA) {
      if (!scan()) return false;
      continue;
    }
    const int length = in_.word();
    if (length < 2) return false;
    switch (marker) {
      case 0xC2:
        if (!frame()) return false;
        break;
      case 0xC4:
        if (!huffmanTables(length - 2)) return false;
        break;
      case 0xDB:
        if (!quantTables(length - 2)) return false;
        break;
      case 0xDD:
        if (length != 4) return false;
        restartInterval_ = in_.word();
        if (restartInterval_ < 0) return false;
        break;
      case 0xEE: {
        // Adobe's marker says whether three components are RGB (transform 0).
        std::array<int, 12> data{};
        const int n = std::min(length - 2, 12);
        for (int i = 0; i < n; ++i) data[static_cast<std::size_t>(i)] = in_.next();
        if (n == 12 && data[0] == 'A' && data[1] == 'd' && data[2] == 'o' && data[3] == 'b' && data[4] == 'e')
          adobeRgb_ = data[11] == 0;
        if (!in_.skip(static_cast<std::size_t>(length - 2 - n))) return false;
        break;
      }
      default:
        // Any other frame kind (baseline, arithmetic coding, lossless) is not for this reader.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) return false;
        if (marker == 0xCC) return false;
        if (!in_.skip(static_cast<std::size_t>(length - 2))) return false;
        break;
    }
  }
}

std::optional<ImageData> Reader::picture(int maxWidth, int maxHeight) {
  // An eighth of the picture: one pixel a block, as the decoder gives it.
  const int w = (width_ + 7) / 8, h = (height_ + 7) / 8;
  const auto [fw, fh] = ImageData::fittedSize(w, h, maxWidth, maxHeight);
  ImageScaler scaler(w, h, fw, fh);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4);
  const auto sample = [&](const Component& c, int x, int y) {
    const int bx = std::min(x * c.h / hMax_, c.blocksAcross - 1);
    const int by = std::min(y * c.v / vMax_, c.blocksDown - 1);
    const std::int64_t dc =
        c.dc[static_cast<std::size_t>(by) * static_cast<std::size_t>(c.blocksAcross) + static_cast<std::size_t>(bx)];
    // The decoder's one-coefficient inverse transform: the average, rounded down, about 128.
    const std::int64_t value = ((dc * c.quant + 4) >> 3) + 128;
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, 255));
  };
  const auto clamp8 = [](double v) { return static_cast<std::uint8_t>(std::clamp(static_cast<int>(v + 0.5), 0, 255)); };
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * 4;
      if (components_.size() == 1) {
        p[0] = p[1] = p[2] = static_cast<std::uint8_t>(sample(components_[0], x, y));
      } else if (adobeRgb_) {
        for (std::size_t k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>(sample(components_[k], x, y));
      } else {
        const double luma = sample(components_[0], x, y);
        const double cb = sample(components_[1], x, y) - 128.0, cr = sample(components_[2], x, y) - 128.0;
        p[0] = clamp8(luma + 1.402 * cr);
        p[1] = clamp8(luma - 0.344136 * cb - 0.714136 * cr);
        p[2] = clamp8(luma + 1.772 * cb);
      }
      p[3] = 255;
    }
    scaler.addRow(row.data());
  }
  ImageData out = scaler.finish();
  if (out.empty()) return std::nullopt;
  return out;
}

std::optional<ImageData> Reader::run(int maxWidth, int maxHeight) {
  if (!readMarkerSegments() || !sawFrame_) return std::nullopt;
  for (const auto& c : components_) {
    if (!c.quantLatched) return std::nullopt;
  }
  return picture(maxWidth, maxHeight);
}

}  // namespace

std::optional<ImageData> JpegBlockAverages::read(std::string_view bytes, std::FILE* file, int maxWidth,
                                                 int maxHeight) {
  if (maxWidth <= 0 || maxHeight <= 0) return std::nullopt;
  auto reader = std::make_unique<Reader>(bytes, file);
  return reader->run(maxWidth, maxHeight);
}

}  // namespace gfx
