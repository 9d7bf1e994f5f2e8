#include "platform/gfx/ProgressiveJpegReader.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <vector>

#include "platform/gfx/DecoderMemory.hpp"
#include "platform/gfx/ImageScaler.hpp"
#include "platform/gfx/JpegScanBound.hpp"

namespace gfx {
namespace {

// The position in a block (row * 8 + column) of each coefficient in the
// order the stream holds them.
constexpr std::array<std::uint8_t, 64> kNaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

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

// A Huffman table in the canonical form the standard describes, with the
// codes of up to kLookBits bits looked up at once.
struct Huffman {
  static constexpr int kLookBits = 9;
  bool defined = false;
  std::array<int, 17> maxCode{};
  std::array<int, 17> valuePointer{};
  std::array<int, 17> minCode{};
  std::vector<std::uint8_t> values;
  // Length << 8 | value for each kLookBits-bit prefix of a short code; 0 for the others.
  std::array<std::uint16_t, 1 << kLookBits> look{};
};

struct Component {
  int id = 0, h = 1, v = 1, quantTable = 0;
  // The blocks across and down, padded to whole units of the largest sampling.
  int blocksAcross = 0, blocksDown = 0;
  // The blocks that hold picture, for scans of this component alone.
  int usedAcross = 0, usedDown = 0;
  int dcTable = 0, acTable = 0;
  // The quantisation table as it was when the component's first scan began.
  std::array<int, 64> quant{};
  bool quantLatched = false;
  // The m x m lowest coefficients of every block, row by row: m is n, or
  // for a component of detail sampled below the picture's size as many
  // more as make its samples come at the picture's size.
  int keep = 1;
  std::vector<std::int16_t> coefficients;
  // For each block, a bit for each coefficient (by its place in the block)
  // that has turned nonzero; kept only when the other scans are read.
  std::vector<std::uint64_t> nonzero;
};

class Reader {
 public:
  Reader(std::string_view bytes, std::FILE* file, int eighths) : in_(bytes, file), n_(eighths) {}

  std::optional<ImageData> run(int maxWidth, int maxHeight);
  bool bounded() const { return scans_.exceeded(); }

 private:
  bool readMarkerSegments();
  bool frame();
  // What each component keeps, taken before the first scan (the markers
  // that tell how the components are coded come before the scans); false
  // for a picture this reader cannot read as the decoder does.
  bool layOut();
  bool huffmanTables(int length);
  bool quantTables(int length);
  bool app(int marker, int length);
  bool scan();
  bool skipEntropyData();
  bool restart();
  bool decodeScan(const std::vector<int>& members, int ss, int se, int ah, int al);
  bool firstDc(Component& c, std::size_t block, std::int32_t& prediction, int al);
  bool firstAc(Component& c, std::size_t block, int ss, int se, int al);
  bool refineAc(Component& c, std::size_t block, int ss, int se, int al);
  static std::int16_t* kept(Component& c, std::size_t block, int position) {
    const int row = position >> 3, column = position & 7, m = c.keep;
    if (row >= m || column >= m) return nullptr;
    return &c.coefficients[block * static_cast<std::size_t>(m * m) + static_cast<std::size_t>(row * m + column)];
  }
  std::optional<ImageData> picture(int maxWidth, int maxHeight);
  // How three components are coded; four are CMYK or YCCK, the way Adobe
  // writes them.
  bool rgb() const;
  bool ycck() const;
  // Whether the component is one of the colour differences of YCbCr (or
  // YCCK), whose samples this reader widens as they come. The decoder reads
  // more coefficients of any other component sampled below the picture's
  // size: widened, its samples would lose the detail the file holds. Such a
  // black ink keeps them here too; brightness, an RGB plane or another ink
  // so sampled is left to the decoder.
  bool colourDifference(std::size_t k) const;
  static void inverseTransform(const Component& c, std::size_t block, std::uint8_t* out, std::size_t stride);

  // Bits of entropy-coded data, held left-aligned; a marker met, or the end
  // of the data, stops them (zeros follow).
  void fill();
  int peek(int n) {
    if (bitCount_ < n) fill();
    return static_cast<int>(bitBuffer_ >> (64 - n));
  }
  void drop(int n) {
    bitBuffer_ <<= n;
    bitCount_ -= n;
  }
  int bit() {
    const int b = peek(1);
    drop(1);
    return b;
  }
  int bits(int n) {
    if (n == 0) return 0;
    const int b = peek(n);
    drop(n);
    return b;
  }
  // `size` bits read as the signed value the standard codes with them.
  int extend(int size) {
    const int value = bits(size);
    return value < (1 << (size - 1)) ? value - (1 << size) + 1 : value;
  }
  int decode(const Huffman& table);
  void resetBits() {
    bitBuffer_ = 0;
    bitCount_ = 0;
  }

  Bytes in_;
  const int n_;
  std::array<Huffman, 4> dcTables_, acTables_;
  std::array<std::array<int, 64>, 4> quant_{};
  std::array<bool, 4> quantDefined_{};
  std::vector<Component> components_;
  std::unique_ptr<DecoderMemory::Hold> held_;
  int width_ = 0, height_ = 0, hMax_ = 1, vMax_ = 1, mcusAcross_ = 0, mcusDown_ = 0;
  int restartInterval_ = 0;
  bool sawFrame_ = false, laidOut_ = false, sawDcFirst_ = false, sawJfif_ = false, sawAdobe_ = false;
  int adobeTransform_ = -1;
  std::uint64_t bitBuffer_ = 0;
  int bitCount_ = 0;
  // Blocks still to skip in the current band of a run of empty blocks.
  std::uint32_t endOfBands_ = 0;
  // A marker met inside entropy-coded data, to be handled next (-1: none).
  int pendingMarker_ = -1;
  bool broken_ = false;
  JpegScanBound scans_;
};

void Reader::fill() {
  while (bitCount_ <= 56) {
    int byte = 0;
    if (pendingMarker_ < 0) {
      const int b = in_.next();
      if (b == 0xFF) {
        int following = in_.next();
        while (following == 0xFF) following = in_.next();
        if (following == 0) {
          byte = 0xFF;
        } else if (following > 0) {
          pendingMarker_ = following;
        }
      } else if (b > 0) {
        byte = b;
      }
      // At the end of the data zeros follow too: the marker that should
      // come next is missing, so the stream is refused after this scan.
    }
    bitBuffer_ |= static_cast<std::uint64_t>(byte) << (56 - bitCount_);
    bitCount_ += 8;
  }
}

int Reader::decode(const Huffman& table) {
  const int look = table.look[static_cast<std::size_t>(peek(Huffman::kLookBits))];
  if (look != 0) {
    drop(look >> 8);
    return look & 0xFF;
  }
  const int code16 = peek(16);
  for (int length = Huffman::kLookBits + 1; length <= 16; ++length) {
    const auto l = static_cast<std::size_t>(length);
    const int code = code16 >> (16 - length);
    if (table.maxCode[l] >= 0 && code <= table.maxCode[l] && code >= table.minCode[l]) {
      const auto index = static_cast<std::size_t>(table.valuePointer[l] + code - table.minCode[l]);
      if (index >= table.values.size()) break;
      drop(length);
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
      for (int i = 0; i < counts[l]; ++i, ++code, ++k) {
        // More codes of a length than its bits hold: no table the coder makes.
        if (code >= (1 << len)) return false;
        if (len <= Huffman::kLookBits) {
          const int shift = Huffman::kLookBits - len;
          for (int fill = code << shift; fill < (code + 1) << shift; ++fill)
            table.look[static_cast<std::size_t>(fill)] =
                static_cast<std::uint16_t>(len << 8 | table.values[static_cast<std::size_t>(k)]);
        }
      }
      table.maxCode[l] = counts[l] ? code - 1 : -1;
      code <<= 1;
    }
    table.defined = true;
    const int tableClass = kind >> 4, id = kind & 15;
    if (tableClass > 1 || id > 3) return false;
    (tableClass == 0 ? dcTables_ : acTables_)[static_cast<std::size_t>(id)] = std::move(table);
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
    // Stored in the stream's order; kept by place in the block.
    for (int i = 0; i < 64; ++i) {
      const int value = wide ? in_.word() : in_.next();
      if (value < 0) return false;
      table[kNaturalOrder[static_cast<std::size_t>(i)]] = value;
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
  if (precision != 8 || height_ <= 0 || width_ <= 0 || (count != 1 && count != 3 && count != 4)) return false;
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
  }
  return true;
}

bool Reader::layOut() {
  laidOut_ = true;
  std::size_t bytes = 0;
  for (std::size_t k = 0; k < components_.size(); ++k) {
    Component& c = components_[k];
    c.keep = n_;
    const bool subsampled = c.h < hMax_ || c.v < vMax_;
    if (subsampled && components_.size() == 4 && k == 3) {
      // Black: twice the coefficients each way while it is still sampled at
      // half or less both ways, as the decoder takes its transform for it;
      // what is left (at half one way only) is widened, as the decoder does
      // too. Past all eight of a block it is the decoder's.
      while ((hMax_ * n_) % (c.h * c.keep * 2) == 0 && (vMax_ * n_) % (c.v * c.keep * 2) == 0) c.keep *= 2;
      if (c.keep > 8) return false;
    } else if (subsampled && !colourDifference(k)) {
      return false;
    }
    bytes += static_cast<std::size_t>(c.blocksAcross) * static_cast<std::size_t>(c.blocksDown) *
             ProgressiveJpegReader::bytesPerBlock(c.keep);
  }
  // What every block keeps waits its turn with the other decodes.
  held_ = std::make_unique<DecoderMemory::Hold>(DecoderMemory::shared(), bytes);
  for (auto& c : components_) {
    const auto count = static_cast<std::size_t>(c.blocksAcross) * static_cast<std::size_t>(c.blocksDown);
    c.coefficients.assign(count * static_cast<std::size_t>(c.keep * c.keep), 0);
    if (c.keep > 1) c.nonzero.assign(count, 0);
  }
  return true;
}

bool Reader::app(int marker, int length) {
  // JFIF's marker says three components are YCbCr; Adobe's says how
  // three or four are coded (its transform: 0 none, 1 YCbCr, 2 YCCK).
  std::array<int, 12> data{};
  const int n = std::min(length, 12);
  for (int i = 0; i < n; ++i) {
    data[static_cast<std::size_t>(i)] = in_.next();
    if (data[static_cast<std::size_t>(i)] < 0) return false;
  }
  if (marker == 0xE0 && n >= 5 && data[0] == 'J' && data[1] == 'F' && data[2] == 'I' && data[3] == 'F' && data[4] == 0)
    sawJfif_ = true;
  if (marker == 0xEE && n == 12 && data[0] == 'A' && data[1] == 'd' && data[2] == 'o' && data[3] == 'b' &&
      data[4] == 'e') {
    sawAdobe_ = true;
    adobeTransform_ = data[11];
  }
  return in_.skip(static_cast<std::size_t>(length - n));
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

bool Reader::restart() {
  // The restart marker: byte-aligned, with the predictions and runs starting over.
  resetBits();
  endOfBands_ = 0;
  if (pendingMarker_ >= 0xD0 && pendingMarker_ <= 0xD7) {
    pendingMarker_ = -1;
    return true;
  }
  if (pendingMarker_ >= 0) return false;
  int b = in_.next();
  while (b >= 0 && b != 0xFF) b = in_.next();
  while (b == 0xFF) b = in_.next();
  return b >= 0xD0 && b <= 0xD7;
}

bool Reader::firstDc(Component& c, std::size_t block, std::int32_t& prediction, int al) {
  const int size = decode(dcTables_[static_cast<std::size_t>(c.dcTable)]);
  if (size > 15) return false;
  const int diff = size > 0 ? extend(size) : 0;
  // A stream whose sums leave the integers is broken, not a picture.
  if ((diff > 0 && prediction > INT32_MAX - diff) || (diff < 0 && prediction < INT32_MIN - diff)) return false;
  prediction += diff;
  *kept(c, block, 0) = static_cast<std::int16_t>(static_cast<std::uint32_t>(prediction) << al);
  return true;
}

bool Reader::firstAc(Component& c, std::size_t block, int ss, int se, int al) {
  if (endOfBands_ > 0) {
    --endOfBands_;
    return true;
  }
  const Huffman& table = acTables_[static_cast<std::size_t>(c.acTable)];
  for (int k = ss; k <= se; ++k) {
    const int symbol = decode(table);
    const int run = symbol >> 4, size = symbol & 15;
    if (size != 0) {
      k += run;
      if (k > se) return false;
      const int position = kNaturalOrder[static_cast<std::size_t>(k)];
      const int value = extend(size);
      if (auto* slot = kept(c, block, position))
        *slot = static_cast<std::int16_t>(static_cast<std::uint32_t>(value) << al);
      c.nonzero[block] |= std::uint64_t(1) << position;
    } else if (run == 15) {
      k += 15;
    } else {
      endOfBands_ = (1u << run) - 1;
      if (run > 0) endOfBands_ += static_cast<std::uint32_t>(bits(run));
      break;
    }
  }
  return true;
}

bool Reader::refineAc(Component& c, std::size_t block, int ss, int se, int al) {
  const int plus = 1 << al, minus = -plus;
  std::uint64_t& nonzero = c.nonzero[block];
  // A coefficient seen nonzero takes a bit that may add to its size.
  const auto correct = [&](int position) {
    if (!bit()) return;
    if (auto* slot = kept(c, block, position); slot && (*slot & plus) == 0)
      *slot = static_cast<std::int16_t>(*slot + (*slot >= 0 ? plus : minus));
  };
  int k = ss;
  if (endOfBands_ == 0) {
    const Huffman& table = acTables_[static_cast<std::size_t>(c.acTable)];
    for (; k <= se; ++k) {
      const int symbol = decode(table);
      if (broken_) return false;
      int run = symbol >> 4, value = 0;
      if ((symbol & 15) != 0) {
        value = bit() ? plus : minus;
      } else if (run != 15) {
        endOfBands_ = 1u << run;
        if (run > 0) endOfBands_ += static_cast<std::uint32_t>(bits(run));
        break;
      }
      // Past `run` coefficients still zero (refining those already not).
      for (; k <= se; ++k) {
        const int position = kNaturalOrder[static_cast<std::size_t>(k)];
        if (nonzero >> position & 1) {
          correct(position);
        } else if (--run < 0) {
          break;
        }
      }
      if (value != 0) {
        if (k > se) return false;
        const int position = kNaturalOrder[static_cast<std::size_t>(k)];
        if (auto* slot = kept(c, block, position)) *slot = static_cast<std::int16_t>(value);
        nonzero |= std::uint64_t(1) << position;
      }
    }
  }
  if (endOfBands_ > 0) {
    // A block of the run: only the coefficients already nonzero take bits.
    for (; k <= se; ++k) {
      const int position = kNaturalOrder[static_cast<std::size_t>(k)];
      if (nonzero >> position & 1) correct(position);
    }
    --endOfBands_;
  }
  return true;
}

bool Reader::decodeScan(const std::vector<int>& members, int ss, int se, int ah, int al) {
  const bool single = members.size() == 1;
  const Component& first = components_[static_cast<std::size_t>(members.front())];
  const int unitsAcross = single ? first.usedAcross : mcusAcross_;
  const int unitsDown = single ? first.usedDown : mcusDown_;
  std::vector<std::int32_t> prediction(members.size(), 0);
  resetBits();
  endOfBands_ = 0;
  int untilRestart = restartInterval_;
  for (int uy = 0; uy < unitsDown; ++uy) {
    for (int ux = 0; ux < unitsAcross; ++ux) {
      if (restartInterval_ > 0 && untilRestart == 0) {
        if (!restart()) return false;
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
            const std::size_t block =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(c.blocksAcross) + static_cast<std::size_t>(x);
            bool ok = true;
            if (ss == 0 && ah == 0) {
              ok = firstDc(c, block, prediction[m], al);
            } else if (ss == 0) {
              if (bit()) *kept(c, block, 0) = static_cast<std::int16_t>(*kept(c, block, 0) | (1 << al));
            } else if (ah == 0) {
              ok = firstAc(c, block, ss, se, al);
            } else {
              ok = refineAc(c, block, ss, se, al);
            }
            if (!ok || broken_) return false;
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
  if (!laidOut_ && !layOut()) return false;
  std::vector<int> members;
  for (int i = 0; i < count; ++i) {
    const int id = in_.next();
    const int tables = in_.next();
    if (id < 0 || tables < 0) return false;
    auto it = std::find_if(components_.begin(), components_.end(), [id](const Component& c) { return c.id == id; });
    if (it == components_.end()) return false;
    const int index = static_cast<int>(it - components_.begin());
    if (std::find(members.begin(), members.end(), index) != members.end()) return false;
    it->dcTable = tables >> 4;
    it->acTable = tables & 15;
    if (it->dcTable > 3 || it->acTable > 3) return false;
    members.push_back(index);
  }
  const int ss = in_.next(), se = in_.next(), approximation = in_.next();
  if (ss < 0 || se < 0 || approximation < 0) return false;
  const int ah = approximation >> 4, al = approximation & 15;
  if (!scans_.admit(true, members.data(), count, ss, se, ah, al)) return false;
  if (al > 13) return false;
  // A first-coefficient scan carries no others; the others come one component at a time.
  if (ss == 0 ? se != 0 : (se < ss || se > 63 || count != 1)) return false;
  // The others of a component that keeps its averages alone are not read.
  if (ss != 0 && components_[static_cast<std::size_t>(members.front())].keep == 1) return skipEntropyData();
  if (ah > 0 && ah != al + 1) return false;
  for (int m : members) {
    Component& c = components_[static_cast<std::size_t>(m)];
    if (ah == 0 && !(ss == 0 ? dcTables_[static_cast<std::size_t>(c.dcTable)].defined
                             : acTables_[static_cast<std::size_t>(c.acTable)].defined))
      return false;
    if (!c.quantLatched) {
      if (!quantDefined_[static_cast<std::size_t>(c.quantTable)]) return false;
      c.quant = quant_[static_cast<std::size_t>(c.quantTable)];
      c.quantLatched = true;
    }
  }
  if (ss == 0 && ah == 0) sawDcFirst_ = true;
  if (!decodeScan(members, ss, se, ah, al)) return false;
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
      case 0xE0:
      case 0xEE:
        if (!app(marker, length - 2)) return false;
        break;
      default:
        // Any other frame kind (baseline, arithmetic coding, lossless) is not for this reader.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8) return false;
        if (!in_.skip(static_cast<std::size_t>(length - 2))) return false;
        break;
    }
  }
}

// The n-point inverse transforms of the n lowest of the eight frequencies,
// scaled as the eight-point one is, so that a block of one average gives
// that average at any size: row i, frequency u.
const std::array<double, 64>& transformTable(int n) {
  static const auto tables = [] {
    std::array<std::array<double, 64>, 9> all{};
    for (int size = 1; size <= 8; ++size) {
      for (int i = 0; i < size; ++i) {
        for (int u = 0; u < size; ++u) {
          const double scale = u == 0 ? std::sqrt(0.5) : 1.0;
          all[static_cast<std::size_t>(size)][static_cast<std::size_t>(i * 8 + u)] =
              scale * std::cos((2 * i + 1) * u * std::numbers::pi / (2.0 * size)) / 2;
        }
      }
    }
    return all;
  }();
  return tables[static_cast<std::size_t>(n)];
}

void Reader::inverseTransform(const Component& c, std::size_t block, std::uint8_t* out, std::size_t stride) {
  const int m = c.keep;
  const std::int16_t* coefficient = c.coefficients.data() + block * static_cast<std::size_t>(m * m);
  if (m == 1) {
    // The decoder's one-coefficient transform: the average, rounded down, about 128.
    const std::int64_t value = ((std::int64_t{coefficient[0]} * c.quant[0] + 4) >> 3) + 128;
    out[0] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
    return;
  }
  const auto& t = transformTable(m);
  std::array<double, 64> rows{};
  // Along each row of frequencies, then down each column.
  for (int v = 0; v < m; ++v) {
    for (int i = 0; i < m; ++i) {
      double sum = 0;
      for (int u = 0; u < m; ++u)
        sum += t[static_cast<std::size_t>(i * 8 + u)] * coefficient[v * m + u] * c.quant[static_cast<std::size_t>(v * 8 + u)];
      rows[static_cast<std::size_t>(v * 8 + i)] = sum;
    }
  }
  for (int j = 0; j < m; ++j) {
    for (int i = 0; i < m; ++i) {
      double sum = 0;
      for (int v = 0; v < m; ++v) sum += t[static_cast<std::size_t>(j * 8 + v)] * rows[static_cast<std::size_t>(v * 8 + i)];
      out[static_cast<std::size_t>(j) * stride + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(std::clamp(static_cast<int>(std::lround(sum + 128)), 0, 255));
    }
  }
}

bool Reader::rgb() const {
  if (sawJfif_) return false;
  if (sawAdobe_) return adobeTransform_ == 0;
  return components_.size() == 3 && components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
}

bool Reader::ycck() const { return components_.size() == 4 && sawAdobe_ && adobeTransform_ != 0; }

bool Reader::colourDifference(std::size_t k) const {
  return (k == 1 || k == 2) && ((components_.size() == 3 && !rgb()) || ycck());
}

std::optional<ImageData> Reader::picture(int maxWidth, int maxHeight) {
  // The picture at n eighths, made a band of blocks at a time.
  const int w = static_cast<int>((static_cast<std::int64_t>(width_) * n_ + 7) / 8);
  const int h = static_cast<int>((static_cast<std::int64_t>(height_) * n_ + 7) / 8);
  // Fitted as the whole picture is, as the decoder's reads are.
  const auto [fw, fh] = ImageData::fittedSize(width_, height_, maxWidth, maxHeight);
  ImageScaler scaler(w, h, std::min(fw, w), std::min(fh, h));
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4);
  // Each component's samples of one band of blocks.
  std::vector<std::vector<std::uint8_t>> bands(components_.size());
  for (std::size_t k = 0; k < components_.size(); ++k)
    bands[k].resize(static_cast<std::size_t>(components_[k].blocksAcross) * static_cast<std::size_t>(components_[k].keep) *
                    static_cast<std::size_t>(components_[k].v * components_[k].keep));
  const bool rgb = this->rgb();
  const bool ycck = this->ycck();
  const auto clamp8 = [](double value) {
    return static_cast<std::uint8_t>(std::clamp(static_cast<int>(value + 0.5), 0, 255));
  };
  const int bandRows = n_ * vMax_;
  for (int mcuRow = 0; mcuRow < mcusDown_; ++mcuRow) {
    for (std::size_t k = 0; k < components_.size(); ++k) {
      const Component& c = components_[k];
      const int m = c.keep;
      const std::size_t stride = static_cast<std::size_t>(c.blocksAcross) * static_cast<std::size_t>(m);
      for (int by = 0; by < c.v; ++by) {
        for (int bx = 0; bx < c.blocksAcross; ++bx) {
          const std::size_t block = static_cast<std::size_t>(mcuRow * c.v + by) * static_cast<std::size_t>(c.blocksAcross) +
                                    static_cast<std::size_t>(bx);
          inverseTransform(c, block,
                           bands[k].data() + static_cast<std::size_t>(by * m) * stride + static_cast<std::size_t>(bx * m),
                           stride);
        }
      }
    }
    for (int r = 0; r < bandRows; ++r) {
      const int y = mcuRow * bandRows + r;
      if (y >= h) break;
      // The component's sample under the picture's: its samples per band
      // against the picture's (m x its sampling against n x the largest).
      const auto sample = [&](std::size_t k, int x) {
        const Component& c = components_[k];
        const std::size_t stride = static_cast<std::size_t>(c.blocksAcross) * static_cast<std::size_t>(c.keep);
        const auto across =
            std::min<std::size_t>(static_cast<std::size_t>(x * c.keep * c.h / (n_ * hMax_)), stride - 1);
        const auto down = static_cast<std::size_t>(r * c.keep * c.v / (n_ * vMax_));
        return static_cast<int>(bands[k][down * stride + across]);
      };
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * 4;
        if (components_.size() == 1) {
          p[0] = p[1] = p[2] = static_cast<std::uint8_t>(sample(0, x));
        } else if (components_.size() == 3 && rgb) {
          for (std::size_t k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>(sample(k, x));
        } else {
          std::array<int, 3> colour{sample(0, x), sample(1, x), sample(2, x)};
          if (components_.size() == 3 || ycck) {
            const double luma = colour[0], cb = colour[1] - 128.0, cr = colour[2] - 128.0;
            colour = {clamp8(luma + 1.402 * cr), clamp8(luma - 0.344136 * cb - 0.714136 * cr),
                      clamp8(luma + 1.772 * cb)};
            // YCCK is CMYK whose first three came as YCbCr of their complements.
            if (ycck) colour = {255 - colour[0], 255 - colour[1], 255 - colour[2]};
          }
          if (components_.size() == 4) {
            // Adobe writes CMYK inverted (255 no ink); the marker says so.
            int black = sample(3, x);
            if (!sawAdobe_) {
              for (int& ink : colour) ink = 255 - ink;
              black = 255 - black;
            }
            for (int& ink : colour) ink = ink * black / 255;
          }
          for (std::size_t k = 0; k < 3; ++k) p[k] = static_cast<std::uint8_t>(colour[k]);
        }
        p[3] = 255;
      }
      scaler.addRow(row.data());
    }
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

std::size_t ProgressiveJpegReader::bytesPerBlock(int kept) {
  // The n x n coefficients of two bytes, and past an eighth a bit for each of the 64.
  return static_cast<std::size_t>(kept * kept) * 2 + (kept > 1 ? 8 : 0);
}

std::optional<ImageData> ProgressiveJpegReader::read(std::string_view bytes, std::FILE* file, int eighths, int maxWidth,
                                                     int maxHeight, bool* bounded) {
  if (bounded) *bounded = false;
  if (maxWidth <= 0 || maxHeight <= 0 || eighths < 1 || eighths > kMaxEighths) return std::nullopt;
  auto reader = std::make_unique<Reader>(bytes, file, eighths);
  auto picture = reader->run(maxWidth, maxHeight);
  if (bounded) *bounded = reader->bounded();
  return picture;
}

}  // namespace gfx
