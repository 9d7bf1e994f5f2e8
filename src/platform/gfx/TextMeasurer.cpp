#include "platform/gfx/TextMeasurer.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

#include "platform/gfx/PangoTextMeasurer.hpp"
#include "platform/gfx/ShownText.hpp"

namespace gfx {

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// Fonts and contexts read the current measurer wherever they are used, and
// the drawing layer may be used from worker threads; tests swap it on the
// main thread.
std::mutex& measurerMutex() {
  static std::mutex m;
  return m;
}

std::shared_ptr<TextMeasurer>& measurerSlot() {
  static std::shared_ptr<TextMeasurer> slot;
  return slot;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// No character of the installed fonts that shows advances less than this
// share of the font's size (the hair space comes closest), so a line of a
// given width holds at most so many characters.
constexpr double kNarrowestAdvance = 1.0 / 16;
// Characters a line of any width shows, and a text of any number of lines:
// far more than any window or page has room for.
constexpr std::size_t kLongestLine = 4096;
constexpr std::size_t kLongestText = 65536;

std::size_t shownCharacters(const Font& font, double width, int maxLines) {
  std::size_t perLine = kLongestLine;
  if (width > 0) {
    const double fits = std::ceil(width / (std::max(font.pointSize(), 1.0) * kNarrowestAdvance)) + 1;
    perLine = fits < static_cast<double>(kLongestLine) ? static_cast<std::size_t>(fits) : kLongestLine;
  }
  if (maxLines <= 0 || static_cast<std::size_t>(maxLines) >= kLongestText / perLine) return kLongestText;
  return perLine * static_cast<std::size_t>(maxLines);
}

std::string_view rtrim(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Fixed advances: every code point is as wide as every other.
class FixedTextMeasurer : public TextMeasurer {
 public:
  explicit FixedTextMeasurer(double factor) : factor_(factor) {}
  double lineHeight(const Font& f) override { return f.pointSize() * 1.25; }
  double ascender(const Font& f) override { return f.pointSize(); }
  double descender(const Font& f) override { return -f.pointSize() * 0.25; }
  double widthOf(std::string_view whole, const Font& f) override {
    std::string storage;
    return static_cast<double>(utf8Length(shownText(whole, storage))) * f.pointSize() * factor_;
  }
  std::vector<std::string> wrap(std::string_view whole, const Font& f, double width, LineBreakMode mode) override {
    std::string storage;
    const std::string_view text = shownText(whole, storage);
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
      std::size_t nl = text.find('\n', start);
      std::string_view para = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
      wrapParagraph(para, f, width, mode, out);
      if (nl == std::string_view::npos) break;
      start = nl + 1;
    }
    return out;
  }

 private:
  void wrapParagraph(std::string_view para, const Font& f, double width, LineBreakMode mode,
                     std::vector<std::string>& out) {
    if (width <= 0 || widthOf(para, f) <= width) {
      out.emplace_back(para);
      return;
    }
    double adv = f.pointSize() * factor_;
    std::size_t perLine = std::max<std::size_t>(1, static_cast<std::size_t>(std::floor(width / adv + 1e-9)));
    while (!para.empty()) {
      if (utf8Length(para) <= perLine) {
        out.emplace_back(para);
        return;
      }
      std::string_view head = utf8Prefix(para, perLine);
      std::size_t cut = head.size();
      if (mode != LineBreakMode::CharacterWrap) {
        // Break after the last space that keeps the line within the width;
        // a word longer than the line is broken between characters.
        std::size_t space = para.substr(0, head.size() + 1).find_last_of(' ');
        if (space != std::string_view::npos && space > 0) cut = space;
      }
      out.emplace_back(rtrim(para.substr(0, cut)));
      para.remove_prefix(cut);
      while (!para.empty() && para.front() == ' ') para.remove_prefix(1);
    }
  }
  double factor_;
};

}  // namespace

std::size_t utf8Length(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text)
    if (!isContinuation(c)) ++n;
  return n;
}

std::string_view utf8Prefix(std::string_view text, std::size_t codePoints) {
  std::size_t i = 0, n = 0;
  while (i < text.size()) {
    if (!isContinuation(static_cast<unsigned char>(text[i]))) {
      if (n == codePoints) break;
      ++n;
    }
    ++i;
  }
  return text.substr(0, i);
}

std::string_view utf8Suffix(std::string_view text, std::size_t codePoints) {
  std::size_t total = utf8Length(text);
  if (codePoints >= total) return text;
  std::string_view prefix = utf8Prefix(text, total - codePoints);
  return text.substr(prefix.size());
}

std::string visibleText(std::string_view text, const Font& font, double width, LineBreakMode mode, int maxLines) {
  const std::size_t count = shownCharacters(font, width, maxLines);
  bool cut = false;
  if (maxLines == 1 && mode == LineBreakMode::HeadTruncation) {
    std::string tail = shownSuffix(text, count, cut);
    return cut ? std::string(kEllipsis) + tail : tail;
  }
  std::string head = shownPrefix(text, count, cut);
  if (!cut) return head;
  head.append(kEllipsis);
  if (maxLines == 1 && mode == LineBreakMode::MiddleTruncation) head.append(shownSuffix(text, count, cut));
  return head;
}

std::string TextMeasurer::truncate(std::string_view whole, const Font& font, double width, LineBreakMode mode) {
  const std::string shown = visibleText(whole, font, width, mode, 1);
  const std::string_view text = shown;
  if (mode == LineBreakMode::Clip || mode == LineBreakMode::WordWrap || mode == LineBreakMode::CharacterWrap ||
      widthOf(text, font) <= width)
    return std::string(text);
  std::size_t total = utf8Length(text);
  auto build = [&](std::size_t keep) {
    std::string s;
    if (mode == LineBreakMode::HeadTruncation) {
      s.append(kEllipsis);
      s.append(utf8Suffix(text, keep));
    } else if (mode == LineBreakMode::MiddleTruncation) {
      std::size_t front = (keep + 1) / 2, back = keep / 2;
      s.append(utf8Prefix(text, front));
      s.append(kEllipsis);
      s.append(utf8Suffix(text, back));
    } else {
      s.append(rtrim(utf8Prefix(text, keep)));
      s.append(kEllipsis);
    }
    return s;
  };
  // Largest number of kept characters that fits, by bisection.
  std::size_t lo = 0, hi = total;
  while (lo < hi) {
    std::size_t mid = (lo + hi + 1) / 2;
    if (widthOf(build(mid), font) <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  return build(lo);
}

TextMeasurer::WrappedLines TextMeasurer::wrapMeasured(std::string_view text, const Font& font, double width,
                                                      LineBreakMode mode) {
  WrappedLines out;
  for (auto& line : wrap(text, font, width, mode)) {
    const double w = widthOf(rtrim(line), font);
    out.lines.push_back({std::move(line), w});
  }
  return out;
}

TextLayout TextMeasurer::layout(std::string_view whole, const Font& font, double width, LineBreakMode mode,
                                int maxLines) {
  const std::string shown = visibleText(whole, font, width, mode, maxLines);
  const std::string_view text = shown;
  TextLayout out;
  out.lineHeight = lineHeight(font);
  out.ascender = ascender(font);
  if (text.empty()) return out;
  bool truncating = mode == LineBreakMode::HeadTruncation || mode == LineBreakMode::TailTruncation ||
                    mode == LineBreakMode::MiddleTruncation;
  if (maxLines == 1) {
    // A single line keeps the text whole, hard breaks shown as spaces.
    std::string one(text);
    std::replace(one.begin(), one.end(), '\n', ' ');
    if (truncating && width > 0) one = truncate(one, font, width, mode);
    const double w = widthOf(rtrim(one), font);
    out.lines.push_back({std::move(one), w});
  } else {
    auto wrapped = wrapMeasured(text, font, width, mode);
    out.lines = std::move(wrapped.lines);
    out.shaped = std::move(wrapped.shaped);
    if (maxLines > 0 && static_cast<int>(out.lines.size()) > maxLines) {
      std::string rest;
      for (std::size_t i = static_cast<std::size_t>(maxLines) - 1; i < out.lines.size(); ++i) {
        if (!rest.empty()) rest.push_back(' ');
        rest += out.lines[i].text;
      }
      out.lines.resize(static_cast<std::size_t>(maxLines));
      if (truncating) {
        // Only the tail can be shortened once lines were dropped.
        auto& last = out.lines.back();
        last.text = truncate(rest, font, width, LineBreakMode::TailTruncation);
        last.width = widthOf(rtrim(last.text), font);
      }
    }
  }
  double widest = 0;
  for (auto& l : out.lines) {
    if (width > 0) l.width = std::min(l.width, width);
    widest = std::max(widest, l.width);
  }
  out.size = {std::ceil(widest - 1e-9), std::ceil(out.lineHeight * static_cast<double>(out.lines.size()) - 1e-9)};
  return out;
}

TextMeasurer& TextMeasurer::current() { return *currentPtr(); }

std::shared_ptr<TextMeasurer> TextMeasurer::currentPtr() {
  std::lock_guard<std::mutex> lock(measurerMutex());
  auto& slot = measurerSlot();
  if (!slot) slot = pango();
  return slot;
}

void TextMeasurer::setCurrent(std::shared_ptr<TextMeasurer> measurer) {
  std::lock_guard<std::mutex> lock(measurerMutex());
  measurerSlot() = measurer ? std::move(measurer) : pango();
}

std::shared_ptr<TextMeasurer> TextMeasurer::pango() {
  static auto shared = std::make_shared<PangoTextMeasurer>();
  return shared;
}

std::shared_ptr<TextMeasurer> TextMeasurer::fixed(double advanceFactor) {
  return std::make_shared<FixedTextMeasurer>(advanceFactor > 0 ? advanceFactor : 0.5);
}

base::Size sizeWithFont(std::string_view text, const Font& font) {
  if (text.empty()) return {0, 0};
  return TextMeasurer::current().layout(text, font, 0, LineBreakMode::Clip, 1).size;
}

int linesFitting(double height, double lineHeight) {
  const double lines = std::floor(height / lineHeight + 1e-9);
  if (!(lines < std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  return std::max(1, static_cast<int>(lines));
}

TextLayout TextMeasurer::layoutInSize(std::string_view text, const Font& font, base::Size box, LineBreakMode mode,
                                      int maxLines) {
  double lh = lineHeight(font);
  int fit = lh > 0 && box.height > 0 ? linesFitting(box.height, lh) : 0;
  int lines = maxLines > 0 ? (fit > 0 ? std::min(maxLines, fit) : maxLines) : fit;
  return layout(text, font, box.width, mode, lines);
}

base::Size sizeWithFont(std::string_view text, const Font& font, base::Size constrained, LineBreakMode mode) {
  if (text.empty()) return {0, 0};
  return TextMeasurer::current().layoutInSize(text, font, constrained, mode).size;
}

base::Size sizeWithFont(std::string_view text, const Font& font, double width, LineBreakMode mode) {
  if (text.empty()) return {0, 0};
  return TextMeasurer::current().layout(text, font, width, mode, 1).size;
}

WidestWord widestWord(std::string_view text, const Font& font) {
  auto& m = TextMeasurer::current();
  WidestWord widest;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find_first_of(" \n", at), text.size());
    const std::string_view word = text.substr(at, end - at);
    if (utf8Prefix(word, kLongestLine).size() < word.size()) {
      // Longer than any line shows: wider than any box, measured or not.
      return {word, std::numeric_limits<double>::infinity()};
    }
    if (const double w = m.widthOf(word, font); w > widest.width) widest = {word, w};
    at = end + 1;
  }
  return widest;
}

double fitFontSize(std::string_view whole, const Font& font, double minFontSize, double width) {
  auto& m = TextMeasurer::current();
  double size = font.pointSize();
  minFontSize = std::min(std::max(minFontSize, 1.0), size);
  // More characters than the width holds even at the smallest size need
  // not be measured.
  bool cut = false;
  const std::string shown = shownPrefix(whole, shownCharacters(font.withSize(minFontSize), width, 1), cut);
  if (cut) return minFontSize;
  const std::string_view text = shown;
  if (text.empty() || m.widthOf(text, font) <= width) return size;
  // Widths grow with the size almost linearly: start from the proportional
  // guess and step down until it truly fits.
  double w = m.widthOf(text, font);
  double guess = std::floor(size * width / w * 2) / 2;
  double s = std::min(size, std::max(minFontSize, guess));
  while (s > minFontSize && m.widthOf(text, font.withSize(s)) > width) s = std::max(minFontSize, s - 0.5);
  return s;
}

}  // namespace gfx
