#include "platform/gfx/Font.hpp"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/gfx/TextMeasurer.hpp"

namespace gfx {

namespace {

constexpr const char* kSans = "Liberation Sans,Noto Sans CJK SC";
constexpr const char* kSerif = "Liberation Serif,Noto Serif CJK SC,Noto Sans CJK SC";
constexpr const char* kMono = "Liberation Mono,Noto Sans Mono CJK SC,Noto Sans CJK SC";
constexpr const char* kCjk = "Noto Sans CJK SC,Liberation Sans";

struct Face {
  const char* family;
  Font::Weight weight;
  bool italic;
};

// Every named face the screens ask for, and the common relatives of each, so a
// designer's choice of face never changes metrics from one machine to the next.
const std::map<std::string, Face>& faceTable() {
  using W = Font::Weight;
  static const std::map<std::string, Face> table = {
      {"Helvetica", {kSans, W::Regular, false}},
      {"Helvetica-Bold", {kSans, W::Bold, false}},
      {"Helvetica-Oblique", {kSans, W::Regular, true}},
      {"Helvetica-BoldOblique", {kSans, W::Bold, true}},
      {"Helvetica-Light", {kSans, W::Light, false}},
      {"HelveticaNeue", {kSans, W::Regular, false}},
      {"HelveticaNeue-Bold", {kSans, W::Bold, false}},
      {"HelveticaNeue-Light", {kSans, W::Light, false}},
      {"HelveticaNeue-UltraLight", {kSans, W::Light, false}},
      {"HelveticaNeue-Thin", {kSans, W::Light, false}},
      {"HelveticaNeue-Medium", {kSans, W::Regular, false}},
      {"HelveticaNeue-Italic", {kSans, W::Regular, true}},
      {"HelveticaNeue-BoldItalic", {kSans, W::Bold, true}},
      {"HelveticaNeue-LightItalic", {kSans, W::Light, true}},
      {"Arial", {kSans, W::Regular, false}},
      {"ArialMT", {kSans, W::Regular, false}},
      {"Arial-BoldMT", {kSans, W::Bold, false}},
      {"Arial-ItalicMT", {kSans, W::Regular, true}},
      {"Arial-BoldItalicMT", {kSans, W::Bold, true}},
      {"Verdana", {kSans, W::Regular, false}},
      {"Verdana-Bold", {kSans, W::Bold, false}},
      {"Verdana-Italic", {kSans, W::Regular, true}},
      {"Verdana-BoldItalic", {kSans, W::Bold, true}},
      {"TrebuchetMS", {kSans, W::Regular, false}},
      {"TrebuchetMS-Bold", {kSans, W::Bold, false}},
      {"Didot", {kSerif, W::Regular, false}},
      {"Didot-Bold", {kSerif, W::Bold, false}},
      {"Didot-Italic", {kSerif, W::Regular, true}},
      {"Georgia", {kSerif, W::Regular, false}},
      {"Georgia-Bold", {kSerif, W::Bold, false}},
      {"Georgia-Italic", {kSerif, W::Regular, true}},
      {"TimesNewRomanPSMT", {kSerif, W::Regular, false}},
      {"TimesNewRomanPS-BoldMT", {kSerif, W::Bold, false}},
      {"TimesNewRomanPS-ItalicMT", {kSerif, W::Regular, true}},
      {"Times-Roman", {kSerif, W::Regular, false}},
      {"Times-Bold", {kSerif, W::Bold, false}},
      {"Times-Italic", {kSerif, W::Regular, true}},
      {"Zapfino", {kSerif, W::Regular, true}},
      {"Courier", {kMono, W::Regular, false}},
      {"Courier-Bold", {kMono, W::Bold, false}},
      {"CourierNewPSMT", {kMono, W::Regular, false}},
      {"CourierNewPS-BoldMT", {kMono, W::Bold, false}},
      {"Menlo-Regular", {kMono, W::Regular, false}},
      {"STHeitiSC-Light", {kCjk, W::Light, false}},
      {"STHeitiSC-Medium", {kCjk, W::Regular, false}},
      {"STHeitiTC-Light", {kCjk, W::Light, false}},
      {"STHeitiTC-Medium", {kCjk, W::Regular, false}},
      {"Heiti SC", {kCjk, W::Regular, false}},
      {"Heiti TC", {kCjk, W::Regular, false}},
  };
  return table;
}

double sanitizeSize(double size) {
  if (!(size > 0)) return Font::systemFontSize();
  return std::min(size, 2000.0);
}

}  // namespace

Font Font::systemFont(double size) { return Font(".SystemFont", kSans, Weight::Regular, false, sanitizeSize(size)); }

Font Font::boldSystemFont(double size) {
  return Font(".SystemFont-Bold", kSans, Weight::Bold, false, sanitizeSize(size));
}

Font Font::italicSystemFont(double size) {
  return Font(".SystemFont-Italic", kSans, Weight::Regular, true, sanitizeSize(size));
}

std::optional<Font> Font::fontWithName(const std::string& name, double size) {
  const auto& table = faceTable();
  auto it = table.find(name);
  if (it == table.end()) return std::nullopt;
  return Font(name, it->second.family, it->second.weight, it->second.italic, sanitizeSize(size));
}

Font Font::named(const std::string& name, double size) {
  if (auto f = fontWithName(name, size)) return *f;
  return systemFont(size);
}

Font Font::withSize(double size) const {
  Font f = *this;
  f.size_ = sanitizeSize(size);
  return f;
}

double Font::lineHeight() const { return TextMeasurer::current().lineHeight(*this); }
double Font::ascender() const { return TextMeasurer::current().ascender(*this); }
double Font::descender() const { return TextMeasurer::current().descender(*this); }

}  // namespace gfx
