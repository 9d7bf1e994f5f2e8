#include "platform/gfx/ImageScaler.hpp"

#include <algorithm>
#include <cmath>

namespace gfx {

ImageScaler::ImageScaler(int sourceWidth, int sourceHeight, int width, int height) : out_(width, height) {
  if (out_.empty() || sourceWidth <= 0 || sourceHeight <= 0) {
    out_ = ImageData();
    return;
  }
  sourceWidth_ = sourceWidth;
  sourceHeight_ = sourceHeight;
  columns_ = axisTaps(sourceWidth, width);
  rows_ = axisTaps(sourceHeight, height);
  across_.assign(static_cast<std::size_t>(width) * 4, 0.0f);
}

std::vector<std::vector<ImageScaler::Tap>> ImageScaler::axisTaps(int source, int output) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(output));
  const double scale = static_cast<double>(source) / output;
  for (int i = 0; i < output; ++i) {
    auto& t = taps[static_cast<std::size_t>(i)];
    if (output < source) {
      // Area average of the source span the output pixel covers.
      const double a = i * scale, b = (i + 1) * scale;
      const int first = static_cast<int>(std::floor(a));
      const int last = std::min(source - 1, static_cast<int>(std::ceil(b)) - 1);
      for (int s = first; s <= last; ++s) {
        const double overlap = std::min<double>(b, s + 1) - std::max<double>(a, s);
        if (overlap > 0) t.push_back({s, static_cast<float>(overlap / scale)});
      }
    } else {
      const double c = std::clamp((i + 0.5) * scale - 0.5, 0.0, static_cast<double>(source - 1));
      const int s0 = static_cast<int>(std::floor(c));
      const int s1 = std::min(source - 1, s0 + 1);
      const auto f = static_cast<float>(c - s0);
      t.push_back({s0, 1.0f - f});
      if (s1 != s0 && f > 0) t.push_back({s1, f});
    }
  }
  return taps;
}

void ImageScaler::addRow(const std::uint8_t* rgba) {
  if (out_.empty() || nextRow_ >= out_.height) return;
  const int source = nextSourceRow_++;
  // Across first, into premultiplied sums.
  for (std::size_t x = 0; x < columns_.size(); ++x) {
    float sum[4] = {0, 0, 0, 0};
    for (const Tap& t : columns_[x]) {
      const std::uint8_t* p = rgba + static_cast<std::size_t>(t.index) * 4;
      const float a = p[3] / 255.0f * t.weight;
      sum[0] += p[0] * a;
      sum[1] += p[1] * a;
      sum[2] += p[2] * a;
      sum[3] += a;
    }
    std::copy(sum, sum + 4, across_.begin() + static_cast<std::ptrdiff_t>(x * 4));
  }
  // Then into every output row this source row has a share in.
  for (std::size_t d = static_cast<std::size_t>(nextRow_); d < rows_.size(); ++d) {
    const auto& taps = rows_[d];
    if (taps.empty() || taps.front().index > source) break;
    const std::size_t slot = d - static_cast<std::size_t>(nextRow_);
    if (slot == open_.size()) open_.emplace_back(across_.size(), 0.0f);
    auto tap = std::find_if(taps.begin(), taps.end(), [source](const Tap& t) { return t.index == source; });
    if (tap == taps.end()) continue;
    auto& sums = open_[slot];
    for (std::size_t i = 0; i < sums.size(); ++i) sums[i] += across_[i] * tap->weight;
  }
  // Rows whose last source row this was are done.
  while (nextRow_ < out_.height && !open_.empty() &&
         (rows_[static_cast<std::size_t>(nextRow_)].empty() ||
          rows_[static_cast<std::size_t>(nextRow_)].back().index <= source)) {
    emitRow(open_.front());
    open_.pop_front();
  }
}

void ImageScaler::addPixels(int sourceRow, int firstColumn, int columnStep, const std::uint8_t* rgba, int count) {
  if (out_.empty() || columnStep <= 0) return;
  if (scattered_.empty()) {
    // The taps turned around: for each source index, the outputs it adds to.
    const auto invert = [](const std::vector<std::vector<Tap>>& taps, int source) {
      std::vector<std::vector<Tap>> by(static_cast<std::size_t>(source));
      for (std::size_t o = 0; o < taps.size(); ++o)
        for (const Tap& t : taps[o]) by[static_cast<std::size_t>(t.index)].push_back({static_cast<int>(o), t.weight});
      return by;
    };
    sourceColumns_ = invert(columns_, sourceWidth_);
    sourceRows_ = invert(rows_, sourceHeight_);
    scattered_.assign(ImageData::byteCount(out_.width, out_.height), 0.0f);
  }
  if (sourceRow < 0 || static_cast<std::size_t>(sourceRow) >= sourceRows_.size()) return;
  const auto& rowTaps = sourceRows_[static_cast<std::size_t>(sourceRow)];
  for (int i = 0, x = firstColumn; i < count && x < sourceWidth_; ++i, x += columnStep) {
    if (x < 0) continue;
    const std::uint8_t* p = rgba + static_cast<std::size_t>(i) * 4;
    const float a = p[3] / 255.0f;
    const float v[4] = {p[0] * a, p[1] * a, p[2] * a, a};
    for (const Tap& c : sourceColumns_[static_cast<std::size_t>(x)]) {
      for (const Tap& r : rowTaps) {
        const float w = c.weight * r.weight;
        float* sum = scattered_.data() + (static_cast<std::size_t>(r.index) * out_.width + c.index) * 4;
        for (int k = 0; k < 4; ++k) sum[k] += v[k] * w;
      }
    }
  }
}

ImageData ImageScaler::finishScattered() {
  if (out_.empty() || scattered_.empty()) return ImageData();
  const std::size_t rowFloats = static_cast<std::size_t>(out_.width) * 4;
  std::vector<float> row(rowFloats);
  for (int y = 0; y < out_.height; ++y) {
    const auto first = scattered_.begin() + static_cast<std::ptrdiff_t>(y * rowFloats);
    std::copy(first, first + static_cast<std::ptrdiff_t>(rowFloats), row.begin());
    emitRow(row);
  }
  scattered_ = {};
  return std::move(out_);
}

void ImageScaler::emitRow(const std::vector<float>& sums) {
  std::uint8_t* d = out_.pixel(0, nextRow_++);
  for (std::size_t x = 0; x < sums.size(); x += 4, d += 4) {
    const float alpha = sums[x + 3];
    if (alpha <= 0.0f) {
      d[0] = d[1] = d[2] = d[3] = 0;
      continue;
    }
    for (std::size_t c = 0; c < 3; ++c)
      d[c] = static_cast<std::uint8_t>(std::clamp(std::lround(sums[x + c] / alpha), 0L, 255L));
    d[3] = static_cast<std::uint8_t>(std::clamp(std::lround(alpha * 255.0f), 0L, 255L));
  }
}

}  // namespace gfx
